#include "gui/widgets/page_check.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QImage>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineSettings>
#include <QWebEngineUrlRequestInfo>
#include <QWebEngineUrlRequestInterceptor>
#include <QWebEngineView>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <set>

#include "gui/widgets/browser_pane.h"
#include "gui/widgets/local_page_scheme.h"
#include "gui/widgets/page_compare.h"
#include "gui/widgets/web_page_port.h"
#include "gui/widgets/webrtc_guard.h"

namespace kaplo::gui {
namespace {

// A pixel in the bottom left corner of both pages: when a grab shows it, the
// frame drawn at the new size has arrived.
constexpr char kMarkCorner[] =
    "(function () {"
    "  var d = document.createElement('div');"
    "  d.style.cssText = 'position:fixed;left:0;bottom:0;width:1px;height:1px;margin:0;"
    "padding:0;border:0;background:rgb(1,2,3);z-index:2147483647;pointer-events:none';"
    "  document.documentElement.appendChild(d);"
    "})()";
bool IsCornerMark(QRgb p) {
  return std::abs(qRed(p) - 1) <= 2 && std::abs(qGreen(p) - 2) <= 2 && std::abs(qBlue(p) - 3) <= 2;
}

constexpr char kPageHeight[] =
    "Math.max(document.documentElement ? document.documentElement.scrollHeight : 0,"
    "         document.body ? document.body.scrollHeight : 0)";
constexpr char kPageText[] = "document.body ? document.body.innerText : ''";

// Chromium's words when a page asks for a file: address.
constexpr char kFileRefused[] = "Not allowed to load local resource: ";

class Interceptor : public QWebEngineUrlRequestInterceptor {
 public:
  explicit Interceptor(std::function<void(QWebEngineUrlRequestInfo&)> f) : f_(std::move(f)) {}
  void interceptRequest(QWebEngineUrlRequestInfo& info) override { f_(info); }

 private:
  std::function<void(QWebEngineUrlRequestInfo&)> f_;
};

// A page nobody answers: no dialogs; what its console says is handed on.
class CheckPage : public QWebEnginePage {
 public:
  CheckPage(QWebEngineProfile* profile, std::function<void(const QString&)> console,
            QObject* parent)
      : QWebEnginePage(profile, parent), console_(std::move(console)) {}

 protected:
  void javaScriptAlert(const QUrl&, const QString&) override {}
  bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
  bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
    return false;
  }
  void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message, int,
                                const QString&) override {
    console_(message);
  }

 private:
  std::function<void(const QString&)> console_;
};

// One page in its own private profile, in a view of the given size. On the
// saved copy's side every request that would leave the machine is written
// down and refused, and so is every other way out the page tries; a local
// file that is not there is written down.
class Side {
 public:
  Side(bool saved_copy, int width, int height)
      : saved_copy_(saved_copy),
        interceptor_([this](QWebEngineUrlRequestInfo& info) { Intercept(info); }),
        profile_(new QWebEngineProfile()),
        view_(new QWebEngineView()) {
    quiet_.start();
    profile_->setUrlRequestInterceptor(&interceptor_);
    if (saved_copy_) {
      SetUpLocalPageProfile(profile_.get(), [this](const LocalRequest& r) { Record(r); });
    }
    page_ = new CheckPage(
        profile_.get(), [this](const QString& message) { Console(message); }, view_.get());
    page_->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    view_->setPage(page_);
    view_->resize(width, height);
    view_->show();
    QObject::connect(page_, &QWebEnginePage::loadFinished, [this](bool ok) {
      finished = true;
      loaded = ok;
    });
  }
  ~Side() {
    view_.reset();  // the page goes before its profile
    profile_.reset();
  }

  void Load(const QUrl& url) { page_->load(url); }
  QWebEnginePage* page() const { return page_; }
  QWebEngineView* view() const { return view_.get(); }
  // Milliseconds since the page last asked for anything.
  qint64 QuietFor() const { return quiet_.elapsed(); }

  bool finished = false, loaded = false;
  std::set<std::string> network, missing, refused;

 private:
  void Intercept(QWebEngineUrlRequestInfo& info) {
    quiet_.restart();
    if (!saved_copy_) return;
    const QUrl url = info.requestUrl();
    const QString scheme = url.scheme();
    // Its own folder answers through the scheme's handler.
    if (IsLocalPageUrl(url) || scheme == QLatin1String("data") || scheme == QLatin1String("blob") ||
        scheme == QLatin1String("about")) {
      return;
    }
    info.block(true);
    if (scheme == QLatin1String("file")) {
      refused.insert("file: " + url.toString().toStdString());
    } else {
      network.insert(url.toString().toStdString());
    }
  }
  void Record(const LocalRequest& r) {
    quiet_.restart();
    if (r.outcome == LocalRequest::Missing) missing.insert(r.path.toStdString());
    if (r.outcome == LocalRequest::Refused) {
      refused.insert((r.reason + QStringLiteral(": ") + r.path).toStdString());
    }
  }
  void Console(const QString& message) {
    if (!saved_copy_) return;
    if (message.startsWith(QLatin1String(kWebRtcRefused))) {
      quiet_.restart();
      refused.insert("WebRTC: " + message.mid(int(sizeof kWebRtcRefused) - 1).toStdString());
    } else if (const qsizetype at = message.indexOf(QLatin1String(kFileRefused)); at >= 0) {
      quiet_.restart();
      refused.insert("file: " +
                     message.mid(at + qsizetype(sizeof kFileRefused) - 1).trimmed().toStdString());
    }
  }

  bool saved_copy_;
  QElapsedTimer quiet_;
  Interceptor interceptor_;
  std::unique_ptr<QWebEngineProfile> profile_;
  std::unique_ptr<QWebEngineView> view_;
  CheckPage* page_ = nullptr;
};

// Runs the event loop until done() or the time is up.
template <class F>
bool Wait(F done, int timeout_ms) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > timeout_ms) return false;
    QEventLoop loop;
    QTimer::singleShot(20, &loop, &QEventLoop::quit);
    loop.exec();
  }
  return true;
}

// Requests made after the load (lazy images, fonts, scripts' own) count too:
// waits until both pages have been quiet for a moment.
void WaitQuiet(const Side& a, const Side& b) {
  Wait([&] { return a.QuietFor() > 300 && b.QuietFor() > 300; }, 3000);
}

// The page as drawn at the view's present size.
QImage Drawn(QWebEngineView* view, int timeout_ms) {
  QImage image;
  Wait(
      [&] {
        image = view->grab().toImage();
        return image.height() == view->height() && image.height() > 0 &&
               IsCornerMark(image.pixel(0, image.height() - 1));
      },
      timeout_ms);
  return image;
}

}  // namespace

QtPageChecker::QtPageChecker(int& argc, char** argv) {
  // The offscreen browser of --render sets the application up the same way.
  if (!QApplication::instance()) MakeOffscreenBrowser(argc, argv);
}

PageCheck QtPageChecker::Check(const std::string& saved_file, const std::string& live_url,
                                    const std::string& folder) {
  PageCheck result;
  result.width = width;
  result.height = height;
  const QString file = QString::fromStdString(saved_file);
  if (!QFileInfo(file).isFile()) {
    result.error = "the saved page is not there: " + saved_file;
    return result;
  }
  Side saved(true, width, height), live(false, width, height);
  // Both load at once.
  saved.Load(LocalPageUrl(file, QString::fromStdString(folder)));
  const bool with_live = !live_url.empty();
  if (with_live) live.Load(QUrl(QString::fromStdString(live_url)));
  const bool in_time =
      Wait([&] { return saved.finished && (!with_live || live.finished); }, load_timeout_ms);
  WaitQuiet(saved, live);
  if (in_time && with_live && live.loaded) {
    // Both whole, at the height of the longer one: what lies below the first
    // screen (lazy images too) is drawn and compared as well.
    const int tallest = std::max(RunScriptAndWait(live.page(), kPageHeight, 5000).toInt(),
                                 RunScriptAndWait(saved.page(), kPageHeight, 5000).toInt());
    result.height = std::clamp(tallest, height, max_height);
    live.view()->resize(width, result.height);
    saved.view()->resize(width, result.height);
    WaitQuiet(saved, live);
    const TextDifference text =
        CompareText(RunScriptAndWait(live.page(), kPageText, 5000).toString(),
                    RunScriptAndWait(saved.page(), kPageText, 5000).toString());
    result.differing_text_percent = text.percent;
    result.text_differences = text.lines;
    live.page()->runJavaScript(kMarkCorner);
    saved.page()->runJavaScript(kMarkCorner);
    const QImage live_image = Drawn(live.view(), draw_timeout_ms);
    result.differing_pixels_percent =
        DifferingPixelsPercent(live_image, Drawn(saved.view(), draw_timeout_ms));
  }
  result.network_requests.assign(saved.network.begin(), saved.network.end());
  result.missing_files.assign(saved.missing.begin(), saved.missing.end());
  result.refused.assign(saved.refused.begin(), saved.refused.end());
  if (!in_time) result.error = "the pages did not finish loading in time";
  return result;
}

}  // namespace kaplo::gui
