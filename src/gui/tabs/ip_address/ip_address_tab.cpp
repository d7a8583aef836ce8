#include "gui/tabs/ip_address/ip_address_tab.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

#include "engine/url.h"
#include "gui/common/gui_util.h"
#include "gui/common/settings_bindings.h"
#include "gui/common/sjis.h"
#include "gui/common/worker_host.h"
#include "gui/tabs/ip_address/whois_form.h"
#include "gui/widgets/browser_pane.h"
#include "gui/widgets/rich_edit_ex.h"
#include "gui/widgets/top_over_split.h"
#include "nettools/icmp_prober.h"
#include "nettools/lookup.h"

namespace kaplo::gui {
namespace {

QPushButton* Button(QWidget* parent, const char* name, const char* caption) {
  return Named(new QPushButton(U(caption), parent), name);
}

QLineEdit* Edit(QWidget* parent, const char* name) { return Named(new QLineEdit(parent), name); }

QStringList ToQs(const std::vector<std::string>& lines) {
  QStringList out;
  for (const std::string& line : lines) out << QsFromSjis(line);
  return out;
}

void SetLines(QListWidget* list, const std::vector<std::string>& lines) {
  list->clear();
  list->addItems(ToQs(lines));
}

QString TraceResultText(int code) {
  if (code == static_cast<int>(TraceCode::kSuccess)) return {};
  if (IsEchoServiceError(code)) return QString::fromStdString(IcmpEchoProber::OpenErrorText(code));
  return QString::fromStdString(TraceCodeText(code)) + QStringLiteral(" (%1)").arg(code);
}

}  // namespace

IpAddressTab::IpAddressTab()
    : QWidget(nullptr),
      lookup_worker_(std::make_unique<WorkerHost>()),
      whois_worker_(std::make_unique<WorkerHost>()),
      whois_form_(std::make_unique<TWhoisForm>()),
      own_address_page_(QString::fromUtf8(kOwnAddressPageUrl.data(), kOwnAddressPageUrl.size())) {
  setObjectName(QStringLiteral("PanelIPAddress"));
  make_prober_ = [] { return std::make_unique<IcmpEchoProber>(); };
  connect(lookup_worker_.get(), &WorkerHost::Finished, this, &IpAddressTab::LookupDone);
  connect(whois_worker_.get(), &WorkerHost::Finished, this, &IpAddressTab::WhoisDone);
}

IpAddressTab::~IpAddressTab() {
  lookup_worker_->Shutdown([this] { trace_stop_ = true; });
  whois_worker_->Shutdown([this] { whois_stop_ = true; });
}

bool IpAddressTab::TraceBusy() const { return lookup_worker_->Busy(); }
bool IpAddressTab::WhoisBusy() const { return whois_worker_->Busy(); }

void IpAddressTab::Build(TabContext& context) {
  prompter_ = &context.host.Prompts();
  TopOverSplit(this, BuildTopPanel(), BuildLeftTabs(), BuildWhoisPanel(), "SplitterIPAddress");
  context.page->layout()->addWidget(this);
  tab_host_ = &context.host;
  UpdateStates();
}

QWidget* IpAddressTab::BuildTopPanel() {
  auto* panel = Named(new QWidget(this), "PanelIPTop");
  auto* grid = new QGridLayout(panel);
  grid->setContentsMargins(4, 4, 4, 4);

  grid->addWidget(new QLabel(U("URL / ﾎｽﾄ名"), panel), 0, 0);
  url_ = Edit(panel, "EditIPUrl");
  grid->addWidget(url_, 0, 1, 1, 3);
  auto* paste = Button(panel, "sbIPUrlPaste", "貼付け");
  auto* clear = Button(panel, "sbIPClear", "ｸﾘｱ");
  grid->addWidget(paste, 0, 4);
  grid->addWidget(clear, 0, 5);

  grid->addWidget(new QLabel(U("ﾎｽﾄ名"), panel), 1, 0);
  host_ = Edit(panel, "EditIPHost");
  grid->addWidget(host_, 1, 1);
  auto* get_address = Button(panel, "sbIPGetAddress", "IPｱﾄﾞﾚｽ取得");
  grid->addWidget(get_address, 1, 2);
  address_ = Edit(panel, "EditIPAddress");
  grid->addWidget(address_, 1, 3);
  trace_button_ = Button(panel, "sbIPTraceRoute", "tracert実行");
  trace_stop_button_ = Button(panel, "sbIPTraceStop", "中止");
  grid->addWidget(trace_button_, 1, 4);
  grid->addWidget(trace_stop_button_, 1, 5);

  grid->addWidget(new QLabel(U("IPｱﾄﾞﾚｽ"), panel), 2, 0);
  reverse_address_ = Edit(panel, "EditReverseIPAddress");
  grid->addWidget(reverse_address_, 2, 1);
  auto* get_name = Button(panel, "sbIPGetHostName", "IPｱﾄﾞﾚｽからﾎｽﾄ名を取得");
  grid->addWidget(get_name, 2, 2);
  name_by_ = Edit(panel, "EditIPAddressNameBy");
  name_by_->setReadOnly(true);
  grid->addWidget(name_by_, 2, 3);
  auto* own = Button(panel, "btnGetOwnIPaddress", "自分のIPｱﾄﾞﾚｽ");
  grid->addWidget(own, 2, 4, 1, 2);

  trace_result_ = Named(new QLabel(panel), "LabelIPTraceResult");
  grid->addWidget(trace_result_, 3, 0, 1, 6);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);

  connect(paste, &QPushButton::clicked, this, &IpAddressTab::sbIPUrlPasteClick);
  connect(clear, &QPushButton::clicked, this, &IpAddressTab::IPClearAll);
  connect(get_address, &QPushButton::clicked, this, &IpAddressTab::sbIPGetAddressClick);
  connect(trace_button_, &QPushButton::clicked, this, &IpAddressTab::sbIPTraceRouteClick);
  connect(trace_stop_button_, &QPushButton::clicked, this, &IpAddressTab::sbIPTraceStopClick);
  connect(get_name, &QPushButton::clicked, this, &IpAddressTab::sbIPGetHostNameClick);
  connect(reverse_address_, &QLineEdit::returnPressed, this, &IpAddressTab::sbIPGetHostNameClick);
  connect(own, &QPushButton::clicked, this, &IpAddressTab::btnGetOwnIPaddressClick);
  return panel;
}

QWidget* IpAddressTab::BuildLeftTabs() {
  left_tabs_ = Named(new QTabWidget(this), "PGMainTabb09IPAddressLeftTab");
  route_page_ = Named(new QWidget(left_tabs_), "PGMainTabb09IPAddressLeftTab01TRaceRoute");
  auto* route = new QVBoxLayout(route_page_);
  trace_list_ = Named(new QListWidget(route_page_), "ListBoxTraceRoute");
  names_list_ = Named(new QListWidget(route_page_), "ListBoxIPandHostname");
  route->addWidget(trace_list_, 1);
  route->addWidget(names_list_, 2);
  left_tabs_->addTab(route_page_, U(" ﾄﾚｰｽﾙｰﾄ "));
  browser_page_ = Named(new QWidget(left_tabs_), "PGMainTabb09IPAddressLeftTab02Browser");
  auto* browser_layout = new QVBoxLayout(browser_page_);
  own_address_pane_ = MakeLazy<BrowserPane>(
      QStringLiteral("WebBrowserOwnIpAddress"), browser_page_, [this](QWidget* p) {
        return tab_host_->CreateBrowserPane(QStringLiteral("WebBrowserOwnIpAddress"), p);
      });
  browser_layout->addWidget(own_address_pane_.Place());
  left_tabs_->addTab(browser_page_, U(" 自分のIPｱﾄﾞﾚｽ "));
  connect(trace_list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { ListBoxTraceRouteClick(item->text()); });
  return left_tabs_;
}

QWidget* IpAddressTab::BuildWhoisPanel() {
  auto* panel = Named(new QWidget(this), "PanelIPWhois");
  auto* layout = new QVBoxLayout(panel);
  auto* row = new QHBoxLayout;
  whois_server_ = Named(new QComboBox(panel), "ComboBoxWhoisHostEdit");
  whois_server_->setEditable(true);
  whois_server_->setInsertPolicy(QComboBox::NoInsert);
  for (std::string_view server : WhoisServers())
    whois_server_->addItem(QString::fromLatin1(server.data(), static_cast<int>(server.size())));
  whois_server_->setEditText(QString::fromLatin1(kDefaultWhoisServer.data()));
  auto* paste = Button(panel, "sbWhoisHostPaste", "貼付け");
  row->addWidget(new QLabel(U("Whoisｻｰﾊﾞ"), panel));
  row->addWidget(whois_server_, 1);
  row->addWidget(paste);
  layout->addLayout(row);

  auto* query_row = new QHBoxLayout;
  query_ = Edit(panel, "EditIPQuery");
  whois_button_ = Button(panel, "sbIPGetDomainInfo", "ﾄﾞﾒｲﾝ登録情報の取得");
  whois_stop_button_ = Button(panel, "sbIPWhoisStop", "中止");
  query_row->addWidget(new QLabel(U("ﾄﾞﾒｲﾝ"), panel));
  query_row->addWidget(query_, 1);
  query_row->addWidget(whois_button_);
  query_row->addWidget(whois_stop_button_);
  layout->addLayout(query_row);

  whois_view_ = MakeLazy<TRichEditEx>(QStringLiteral("RichEditIPWhois"), panel, [](QWidget* p) {
    auto* view = new TRichEditEx(p);
    view->SetLineNumbers(true);
    return view;
  });
  layout->addWidget(whois_view_.Place(), 1);

  connect(whois_button_, &QPushButton::clicked, this, &IpAddressTab::sbIPGetDomainInfoClick);
  connect(whois_stop_button_, &QPushButton::clicked, this, &IpAddressTab::sbIPWhoisStopClick);
  connect(query_, &QLineEdit::returnPressed, this, &IpAddressTab::sbIPGetDomainInfoClick);
  // A server chosen from the list, or typed and confirmed with Enter; not every keystroke.
  // Enter on a listed server also activates it; the second start finds the query running.
  connect(whois_server_, &QComboBox::activated, this, [this] { sbIPGetDomainInfoClick(); });
  connect(whois_server_->lineEdit(), &QLineEdit::returnPressed, this,
          &IpAddressTab::sbIPGetDomainInfoClick);
  connect(paste, &QPushButton::clicked, this, &IpAddressTab::sbWhoisHostPasteClick);
  return panel;
}

void IpAddressTab::BindSettings(SettingsBindings& bindings, Settings& settings) {
  bindings.Text(url_, settings.ip.url);
}

void IpAddressTab::Reset() {
  url_->clear();
  IPClearAll();
}

void IpAddressTab::TakeAddress(const QString& address) { url_->setText(address); }

void IpAddressTab::TakeLink(const QString& address, LinkUse) { url_->setText(address); }

// ---- boxes ----

IpTabBoxes IpAddressTab::ReadBoxes() const {
  IpTabBoxes b;
  b.url = SjisFromQs(url_->text());
  b.host = SjisFromQs(host_->text());
  b.address = SjisFromQs(address_->text());
  b.reverse_address = SjisFromQs(reverse_address_->text());
  b.name_by = SjisFromQs(name_by_->text());
  b.query = SjisFromQs(query_->text());
  b.whois_server = SjisFromQs(whois_server_->currentText());
  for (int i = 0; i < trace_list_->count(); ++i)
    b.trace.push_back(SjisFromQs(trace_list_->item(i)->text()));
  for (int i = 0; i < names_list_->count(); ++i)
    b.names.push_back(SjisFromQs(names_list_->item(i)->text()));
  const TRichEditEx* whois = whois_view_.IfMade();
  b.whois_output = whois ? whois->SjisText() : std::string();
  b.trace_enabled = trace_enabled_;
  return b;
}

void IpAddressTab::ShowBoxes(const IpTabBoxes& b) {
  url_->setText(QsFromSjis(b.url));
  host_->setText(QsFromSjis(b.host));
  address_->setText(QsFromSjis(b.address));
  reverse_address_->setText(QsFromSjis(b.reverse_address));
  name_by_->setText(QsFromSjis(b.name_by));
  query_->setText(QsFromSjis(b.query));
  SetLines(trace_list_, b.trace);
  SetLines(names_list_, b.names);
  ShowWhoisOutput(b.whois_output);
  trace_enabled_ = b.trace_enabled;
  UpdateStates();
}

void IpAddressTab::ShowWhoisOutput(const std::string& sjis) {
  if (sjis.empty() && !whois_view_.IfMade()) return;
  whois_view_->SetSjisText(sjis);
  whois_view_->SetTextMargins(40, 30);
}

void IpAddressTab::UpdateStates() {
  trace_button_->setEnabled(trace_enabled_ && !TraceBusy());
  trace_stop_button_->setEnabled(TraceBusy());
  whois_button_->setEnabled(!WhoisBusy());
  whois_stop_button_->setEnabled(WhoisBusy());
}

// ---- route and lookups ----

bool IpAddressTab::StartLookup(std::function<void(IpTabBoxes&)> work,
                               std::function<void(const IpTabBoxes&)> show) {
  if (TraceBusy()) return false;
  lookup_result_ = ReadBoxes();
  show_lookup_ = std::move(show);
  trace_stop_ = false;
  lookup_worker_->Start([this, work = std::move(work)] { work(lookup_result_); });
  UpdateStates();
  return true;
}

void IpAddressTab::LookupDone() {
  if (show_lookup_) show_lookup_(lookup_result_);
  show_lookup_ = nullptr;
  UpdateStates();
  emit LookupFinished();
}

void IpAddressTab::sbIPTraceRouteClick() {
  if (TraceBusy()) return;
  IpTabBoxes boxes = ReadBoxes();
  BlankOwnAddressPane();
  left_tabs_->setCurrentWidget(route_page_);
  trace_result_->clear();
  const bool go = IpStartTrace(boxes);
  ShowBoxes(boxes);
  if (!go) return;
  auto code = std::make_shared<int>(0);
  StartLookup(
      [this, code](IpTabBoxes& b) {
        std::unique_ptr<EchoProber> prober = make_prober_();
        TraceOptions options = trace_options_;
        options.stop = &trace_stop_;
        std::vector<Hop> hops;
        *code = TraceRoute(
            b.host, *prober,
            [&](const Hop& hop) {
              hops.push_back(hop);
              lookup_worker_->Post(
                  [this, line = QsFromSjis(hop.address)] { trace_list_->addItem(line); });
              return true;
            },
            options);
        // Each hop's name as it is found; a stop skips the rest.
        IpFinishTrace(b, hops, [this](std::string_view address) {
          if (trace_stop_) return std::string();
          const std::string name = name_of_(address);
          lookup_worker_->Post(
              [this, line = QsFromSjis(IpNameLine(address, [&](std::string_view) {
                       return name;
                     }))] { names_list_->addItem(line); });
          return name;
        });
      },
      [this, code](const IpTabBoxes& b) {
        SetLines(trace_list_, b.trace);
        SetLines(names_list_, b.names);
        if (!b.trace.empty()) {
          address_->setText(QsFromSjis(b.address));
          reverse_address_->setText(QsFromSjis(b.reverse_address));
        }
        trace_enabled_ = b.trace_enabled;
        trace_result_->setText(TraceResultText(*code));
      });
}

void IpAddressTab::sbIPTraceStopClick() { trace_stop_ = true; }

void IpAddressTab::sbIPGetAddressClick() {
  StartLookup([](IpTabBoxes& b) { IpGetAddress(b); },
              [this](const IpTabBoxes& b) {
                address_->setText(QsFromSjis(b.address));
                reverse_address_->setText(QsFromSjis(b.reverse_address));
                host_->setText(QsFromSjis(b.host));
                trace_enabled_ = b.trace_enabled;
              });
}

void IpAddressTab::sbIPGetHostNameClick() {
  auto message = std::make_shared<std::string>();
  StartLookup([this, message](IpTabBoxes& b) { *message = IpReverseLookup(b, name_of_); },
              [this, message](const IpTabBoxes& b) {
                if (!message->empty()) {
                  prompter_->Inform(*message);
                  return;
                }
                name_by_->setText(QsFromSjis(b.name_by));
              });
}

void IpAddressTab::ListBoxTraceRouteClick(const QString& line) {
  if (TraceBusy()) return;
  reverse_address_->setText(line);
  sbIPGetHostNameClick();
}

void IpAddressTab::btnGetOwnIPaddressClick() {
  left_tabs_->setCurrentWidget(browser_page_);
  OwnAddressPane()->Navigate(own_address_page_);
}

void IpAddressTab::IPClearAll() {
  IpTabBoxes boxes = ReadBoxes();
  IpClearAll(boxes);
  ShowBoxes(boxes);
  trace_result_->clear();
  BlankOwnAddressPane();
}

BrowserPane* IpAddressTab::OwnAddressPane() { return own_address_pane_.get(); }

void IpAddressTab::BlankOwnAddressPane() {
  if (BrowserPane* pane = own_address_pane_.IfMade()) pane->Navigate(QStringLiteral("about:blank"));
}

void IpAddressTab::sbIPUrlPasteClick() {
  const QString text = QApplication::clipboard()->text().trimmed();
  if (IsHttpUrl(SjisFromQs(text))) url_->setText(text);
}

// ---- whois ----

void IpAddressTab::sbIPGetDomainInfoClick() {
  if (WhoisBusy()) return;
  IpTabBoxes boxes = ReadBoxes();
  const std::optional<WhoisStart> start = IpStartWhois(boxes);
  if (!start) return;
  query_->setText(QsFromSjis(boxes.query));
  whois_boxes_ = boxes;
  ShowWhoisOutput(whois_boxes_.whois_output);
  whois_stop_ = false;
  WhoisOptions options = whois_options_;
  options.stop = &whois_stop_;
  whois_worker_->Start([this, start = *start, options] {
    WhoisObserver observer;
    observer.connected = [this](const std::string& server) {
      whois_worker_->Post([this, server] {
        IpWhoisConnected(whois_boxes_, server);
        ShowWhoisOutput(whois_boxes_.whois_output);
      });
    };
    observer.answered = [this](const WhoisAnswer& answer) {
      whois_worker_->Post([this, answer] {
        IpWhoisAnswered(whois_boxes_, answer);
        ShowWhoisOutput(whois_boxes_.whois_output);
      });
    };
    WhoisLookup(start.server, start.query, options, observer);
  });
  UpdateStates();
}

void IpAddressTab::WhoisDone() {
  if (const std::string server = IpFinishWhois(whois_boxes_); !server.empty()) {
    whois_form_->ShowFor(QsFromSjis(server));
  }
  ShowWhoisOutput(whois_boxes_.whois_output);
  UpdateStates();
  emit WhoisFinished();
}

void IpAddressTab::sbIPWhoisStopClick() { whois_stop_ = true; }

void IpAddressTab::sbWhoisHostPasteClick() {
  whois_server_->setEditText(QApplication::clipboard()->text().trimmed());
  sbIPGetDomainInfoClick();
}

}  // namespace kaplo::gui
