#include "gui/tabs/analysis/html_edit_host.h"

#include <QFile>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>

#include "gui/widgets/browser_pane.h"

namespace kaplo::gui {
namespace {

constexpr int kScriptTimeoutMs = 10000;

// Runs in the isolated world of every document the control loads. The style
// sheet is adopted, not inserted, so it never shows in the document's HTML.
constexpr char kHostScript[] = R"JS(
(function () {
  var sheet = null;
  var rules = { details: 'div { outline: 1px dotted #808080 !important; }',
                borders: 'table[border="0"] td, table[border="0"] th, table:not([border]) td,' +
                         ' table:not([border]) th { outline: 1px dotted #b0b0b0 !important; }' };
  window.kaploEdit = {
    apply: function (design, details, borders) {
      document.designMode = design ? 'on' : 'off';
      if (!sheet) {
        sheet = new CSSStyleSheet();
        document.adoptedStyleSheets = document.adoptedStyleSheets.concat([sheet]);
      }
      sheet.replaceSync((details ? rules.details : '') + (borders ? rules.borders : ''));
      return document.designMode;
    }
  };
  document.addEventListener('paste', function (e) {
    if (document.designMode !== 'on') return;
    e.preventDefault();
    e.stopImmediatePropagation();
    var text = e.clipboardData ? e.clipboardData.getData('text/plain') : '';
    document.execCommand('insertText', false, text);
  }, true);
  new QWebChannel(qt.webChannelTransport, function (channel) {
    var host = channel.objects.kaploHost;
    document.addEventListener('click', function (e) {
      if (document.designMode !== 'on' || !e.target || e.target.outerHTML === undefined) return;
      host.elementClicked(e.target.outerHTML);
    }, true);
  });
})();
)JS";

QString ChannelLibrary() {
  QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.readAll());
}

}  // namespace

// The one object the isolated world may call.
class THtmlEditHost::Channel : public QObject {
  Q_OBJECT

 public:
  explicit Channel(THtmlEditHost* host) : QObject(host), host_(host) {}

 public slots:
  void elementClicked(const QString& html) { emit host_->ElementClicked(html); }

 private:
  THtmlEditHost* host_;
};

THtmlEditHost::THtmlEditHost(BrowserPane* pane)
    : QObject(pane), pane_(pane), channel_(new QWebChannel(this)) {
  channel_->registerObject(QStringLiteral("kaploHost"), new Channel(this));
  QWebEnginePage* page = pane_->page();
  // Local pages are untrusted: their scripts may not read other files.
  page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
  page->setWebChannel(channel_, QWebEngineScript::ApplicationWorld);
  QWebEngineScript script;
  script.setName(QStringLiteral("kaplo-edit-host"));
  script.setWorldId(QWebEngineScript::ApplicationWorld);
  script.setInjectionPoint(QWebEngineScript::DocumentCreation);
  script.setRunsOnSubFrames(false);
  script.setSourceCode(ChannelLibrary() + QLatin1String(kHostScript));
  page->scripts().insert(script);

  connect(pane_, &BrowserPane::DocumentComplete, this, [this] { Apply(); });
  pane_->SetClickCallback([this](const QUrl& url) {
    emit LinkClicked(url);
    return false;
  });
}

void THtmlEditHost::LoadUrl(const QString& url) { pane_->Navigate(url); }

void THtmlEditHost::LoadFile(const QString& path) { pane_->Navigate(path); }

void THtmlEditHost::SetBrowseMode(bool on) {
  browse_ = on;
  Apply();
}

void THtmlEditHost::SetShowDetails(bool on) {
  details_ = on;
  Apply();
}

void THtmlEditHost::SetShowBorders(bool on) {
  borders_ = on;
  Apply();
}

void THtmlEditHost::Apply() {
  if (!pane_->HasDocument()) return;
  // Asynchronous: the state is applied again after each load.
  pane_->page()->runJavaScript(QStringLiteral("window.kaploEdit && kaploEdit.apply(%1, %2, %3)")
                                   .arg(browse_ ? "false" : "true", details_ ? "true" : "false",
                                        borders_ ? "true" : "false"),
                               QWebEngineScript::ApplicationWorld);
}

void THtmlEditHost::SetDocumentHtml(const QString& html, const QUrl& base) {
  pane_->Write(html, base);
}

QString THtmlEditHost::DocumentHtml() { return pane_->OuterHtml(kScriptTimeoutMs); }

QString THtmlEditHost::DesignModeOfDocument() {
  return pane_->RunScript(QStringLiteral("document.designMode"), kScriptTimeoutMs).toString();
}

}  // namespace kaplo::gui

#include "html_edit_host.moc"
