// A web view of the window: navigation, the document's HTML and images, the
// load state, and the events the tabs react to (hovered link, link clicks,
// new windows).
#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>
#include <functional>
#include <memory>

class QTemporaryDir;

namespace kaplo::gui {

// What Navigate loads for a text: an absolute path is a local file, a text
// with a scheme is taken as it is, anything else as the user would type it.
// A local file (but a web archive) is shown through the local page scheme;
// the pane's addresses, events and image lists name it by its file: URL.
QUrl PaneUrl(const QString& url_or_path);

// Runs script in page (in the script world world_id: the page's own by
// default) and waits for its value, letting the window's events run
// meanwhile; an invalid QVariant when page is null or on time-out.
QVariant RunScriptAndWait(QWebEnginePage* page, const QString& script, int timeout_ms,
                          quint32 world_id = 0);

class BrowserPane : public QWebEngineView {
  Q_OBJECT

 public:
  enum ReadyState { kUninitialized = 0, kLoading = 1, kComplete = 4 };

  // name becomes the objectName.
  explicit BrowserPane(const QString& name, QWidget* parent = nullptr);
  ~BrowserPane() override;

  // Starts loading and returns at once; "about:blank" empties the pane.
  void Navigate(const QString& url_or_path);
  // Navigate whose page takes the place of the one shown in the pane's
  // history, as the no-history flag asks: going back skips it. Only a web
  // address can replace a page; anything else loads as Navigate does.
  void NavigateNoHistory(const QString& url_or_path);
  void GoBack();

  // Whether a document has been loaded at all.
  bool HasDocument() const { return ready_state_ != kUninitialized; }
  QString LocationURL() const;
  QString LocationName() const;
  bool Busy() const { return ready_state_ == kLoading; }
  int ReadyState() const { return ready_state_; }

  // Silent panes show no script dialogs (alert, confirm, prompt).
  void SetSilent(bool silent) { silent_ = silent; }
  bool Silent() const { return silent_; }

  // ---- the document ----

  // Runs script in the document and waits for its value; an invalid QVariant
  // when there is no document or the script does not answer in time.
  QVariant RunScript(const QString& script, int timeout_ms = 30000);
  // documentElement.outerHTML; empty without a document.
  QString OuterHtml(int timeout_ms = 30000);
  // The absolute addresses of the document's images, in document order.
  QStringList ImageUrls(int timeout_ms = 30000);
  // Replaces the document with generated HTML.
  void Write(const QString& html, const QUrl& base = QUrl());

  // ---- clicks and new windows ----

  // Called with a link's address when the user clicks it in the document;
  // returning false cancels following it. Unset: links are followed.
  using ClickCallback = std::function<bool(const QUrl& link)>;
  void SetClickCallback(ClickCallback callback) { click_ = std::move(callback); }

  // What becomes of a page's request for a new window.
  struct NewWindow {
    enum Action { Cancel, OpenIn, System };
    Action action = System;
    BrowserPane* pane = nullptr;  // for OpenIn: the pane that loads the page

    static NewWindow CancelIt() { return {Cancel, nullptr}; }
    static NewWindow Into(BrowserPane* p) { return {OpenIn, p}; }
    static NewWindow ToSystem() { return {System, nullptr}; }
  };
  // Called with the requested address. Unset: cancelled while this pane is
  // still loading, else handed to the system browser.
  using NewWindowHandler = std::function<NewWindow(const QUrl& url)>;
  void SetNewWindowHandler(NewWindowHandler handler) { new_window_ = std::move(handler); }

  // How addresses reach the system browser (xdg-open by default); tests
  // replace it so nothing is launched.
  using SystemOpener = std::function<void(const QUrl&)>;
  static void SetSystemOpener(SystemOpener opener);
  static void OpenInSystem(const QUrl& url);

 signals:
  // One load: BeforeNavigate2, NavigateComplete2, DocumentComplete.
  void BeforeNavigate2(const QUrl& url);
  void NavigateComplete2(const QUrl& url);
  void DocumentComplete(const QUrl& url, bool ok);
  // The pointer is over a link (its address) or left it (empty).
  void StatusTextChange(const QString& text);

 private:
  class Page;
  friend class Page;

  bool OnNavigationRequest(const QUrl& url, bool link_click, bool main_frame);
  void OnLoadStarted();
  void OnUrlChanged(const QUrl& url);
  void OnLoadFinished(bool ok);
  void OnNewWindow(class QWebEngineNewWindowRequest& request);

  Page* page_;
  int ready_state_ = kUninitialized;
  bool navigate_complete_sent_ = false;
  bool silent_ = false;
  ClickCallback click_;
  NewWindowHandler new_window_;
  std::unique_ptr<QTemporaryDir> written_;  // a written document too large for setHtml
};

}  // namespace kaplo::gui
