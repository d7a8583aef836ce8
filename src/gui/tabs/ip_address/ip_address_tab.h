// The IP address tab: a URL's host and address, the route to it hop by hop
// with each hop's name, the name of an address, the own public address in a
// browser pane, and whois with one referral. The route, the lookups and the
// whois query run on workers; the window only shows what they hand over.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "gui/common/lazy_widget.h"
#include "gui/common/tab.h"
#include "nettools/ip_tab.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace kaplo::gui {

class BrowserPane;
class TRichEditEx;
class TWhoisForm;
class WorkerHost;

class IpAddressTab : public QWidget, public Tab {
  Q_OBJECT

 public:
  IpAddressTab();
  ~IpAddressTab() override;

  // The user's actions.
  void sbIPTraceRouteClick();
  void sbIPTraceStopClick();
  void sbIPGetAddressClick();
  void sbIPGetHostNameClick();
  void ListBoxTraceRouteClick(const QString& line);
  void btnGetOwnIPaddressClick();
  void IPClearAll();
  void sbIPUrlPasteClick();
  void sbIPGetDomainInfoClick();
  void sbIPWhoisStopClick();
  void sbWhoisHostPasteClick();

  // Where the traces and whois queries go (tests point them at 127.0.0.1).
  void SetWhoisOptions(const WhoisOptions& options) { whois_options_ = options; }
  void SetTraceOptions(const TraceOptions& options) { trace_options_ = options; }
  // The echo service the route uses (tests script their own).
  void SetProberFactory(std::function<std::unique_ptr<EchoProber>()> make) {
    make_prober_ = std::move(make);
  }
  // How hop and address names are found (tests answer without a resolver).
  void SetNameLookup(NameLookup lookup) { name_of_ = std::move(lookup); }
  // The page that shows the own public address.
  void SetOwnAddressPage(const QString& url) { own_address_page_ = url; }
  TWhoisForm* WhoisForm() const { return whois_form_.get(); }
  bool TraceBusy() const;
  bool WhoisBusy() const;

  // Tab
  void Build(TabContext& context) override;
  void BindSettings(SettingsBindings& bindings, Settings& settings) override;
  void Reset() override;
  void TakeAddress(const QString& address) override;
  void TakeLink(const QString& address, LinkUse use) override;

 signals:
  // A route (with its names) or a lookup ended and the boxes show its result.
  void LookupFinished();
  // A whois query (with its referral) ended and the answer pane shows it.
  void WhoisFinished();

 private:
  QWidget* BuildTopPanel();
  QWidget* BuildLeftTabs();
  QWidget* BuildWhoisPanel();
  IpTabBoxes ReadBoxes() const;
  void ShowBoxes(const IpTabBoxes& boxes);
  // Runs a lookup on the route worker; done shows its boxes on the window.
  bool StartLookup(std::function<void(IpTabBoxes&)> work,
                   std::function<void(const IpTabBoxes&)> show);
  void LookupDone();
  void WhoisDone();
  void ShowWhoisOutput(const std::string& sjis);
  void UpdateStates();
  BrowserPane* OwnAddressPane();
  void BlankOwnAddressPane();

  TabHost* tab_host_ = nullptr;
  Prompter* prompter_ = nullptr;
  std::unique_ptr<WorkerHost> lookup_worker_;
  std::unique_ptr<WorkerHost> whois_worker_;
  std::unique_ptr<TWhoisForm> whois_form_;
  std::atomic<bool> trace_stop_{false};
  std::atomic<bool> whois_stop_{false};
  TraceOptions trace_options_;
  WhoisOptions whois_options_;
  QString own_address_page_;

  std::function<std::unique_ptr<EchoProber>()> make_prober_;
  NameLookup name_of_ = AddressToName;
  // What the worker's lookup left, and how to show it when it is done.
  IpTabBoxes lookup_result_;
  std::function<void(const IpTabBoxes&)> show_lookup_;
  bool trace_enabled_ = true;
  // The answer pane's text while a query runs (Shift_JIS).
  IpTabBoxes whois_boxes_;

  QLineEdit* url_ = nullptr;
  QLineEdit* host_ = nullptr;
  QLineEdit* address_ = nullptr;
  QLineEdit* reverse_address_ = nullptr;
  QLineEdit* name_by_ = nullptr;
  QLineEdit* query_ = nullptr;
  QComboBox* whois_server_ = nullptr;
  QListWidget* trace_list_ = nullptr;
  QListWidget* names_list_ = nullptr;
  QPushButton* trace_button_ = nullptr;
  QPushButton* trace_stop_button_ = nullptr;
  QPushButton* whois_button_ = nullptr;
  QPushButton* whois_stop_button_ = nullptr;
  QLabel* trace_result_ = nullptr;
  QTabWidget* left_tabs_ = nullptr;
  // Made when first shown or first used.
  Lazy<BrowserPane> own_address_pane_;
  Lazy<TRichEditEx> whois_view_;
  QWidget* route_page_ = nullptr;
  QWidget* browser_page_ = nullptr;
};

}  // namespace kaplo::gui
