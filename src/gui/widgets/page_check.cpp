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
#include <cstdlib>
#include <memory>
#include <set>

#include "gui/widgets/web_page_port.h"

namespace kaplo::gui {
namespace {

// Every address a page asks for. On the saved copy's side, a request that
// would leave the machine is written down and refused, and a local file that
// is not there is written down.
class Recorder : public QWebEngineUrlRequestInterceptor {
 public:
  explicit Recorder(bool saved_copy) : saved_copy_(saved_copy) { quiet_.start(); }

  void interceptRequest(QWebEngineUrlRequestInfo& info) override {
    quiet_.restart();
    if (!saved_copy_) return;
    const QUrl url = info.requestUrl();
    const QString scheme = url.scheme();
    if (scheme == QLatin1String("file")) {
      if (!QFileInfo::exists(url.toLocalFile())) missing.insert(url.toLocalFile().toStdString());
    } else if (scheme != QLatin1String("data") && scheme != QLatin1String("blob") &&
               scheme != QLatin1String("about")) {
      network.insert(url.toString().toStdString());
      info.block(true);
    }
  }

  // Milliseconds since the page last asked for anything.
  qint64 QuietFor() const { return quiet_.elapsed(); }

  std::set<std::string> network, missing;

 private:
  bool saved_copy_;
  QElapsedTimer quiet_;
};

// One page in its own private profile, in a view of the given size.
struct Side {
  Side(bool saved_copy, int width, int height)
      : recorder(saved_copy), profile(new QWebEngineProfile()), view(new QWebEngineView()) {
    profile->setUrlRequestInterceptor(&recorder);
    auto* page = new QWebEnginePage(profile.get(), view.get());
    // The saved copy may ask for anything, so that every request reaches the
    // recorder; the recorder lets none leave the machine.
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, true);
    page->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    view->setPage(page);
    view->resize(width, height);
    view->show();
    QObject::connect(page, &QWebEnginePage::loadFinished, [this](bool ok) {
      finished = true;
      loaded = ok;
    });
  }
  ~Side() {
    view.reset();  // the page goes before its profile
    profile.reset();
  }

  Recorder recorder;
  std::unique_ptr<QWebEngineProfile> profile;
  std::unique_ptr<QWebEngineView> view;
  bool finished = false, loaded = false;
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

double DifferingPercent(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_RGB32);
  const QImage y = b.convertToFormat(QImage::Format_RGB32).scaled(x.size());
  if (x.isNull() || x.width() == 0 || x.height() == 0) return -1;
  long long differing = 0;
  for (int row = 0; row < x.height(); ++row) {
    const auto* p = reinterpret_cast<const QRgb*>(x.constScanLine(row));
    const auto* q = reinterpret_cast<const QRgb*>(y.constScanLine(row));
    for (int col = 0; col < x.width(); ++col) {
      // Anti-aliasing may differ by a step or two; a different pixel does not.
      if (std::abs(qRed(p[col]) - qRed(q[col])) > 8 ||
          std::abs(qGreen(p[col]) - qGreen(q[col])) > 8 ||
          std::abs(qBlue(p[col]) - qBlue(q[col])) > 8) {
        ++differing;
      }
    }
  }
  return 100.0 * static_cast<double>(differing) / (static_cast<double>(x.width()) * x.height());
}

}  // namespace

QtPageChecker::QtPageChecker(int& argc, char** argv) {
  // The offscreen browser of --render sets the application up the same way.
  if (!QApplication::instance()) MakeOffscreenBrowser(argc, argv);
}

cli::PageCheck QtPageChecker::Check(const std::string& saved_file, const std::string& live_url) {
  cli::PageCheck result;
  result.width = width;
  result.height = height;
  if (!QFileInfo::exists(QString::fromStdString(saved_file))) {
    result.error = "the saved page is not there: " + saved_file;
    return result;
  }
  Side saved(true, width, height), live(false, width, height);
  // Both load at once.
  saved.view->page()->load(QUrl::fromLocalFile(QString::fromStdString(saved_file)));
  const bool with_live = !live_url.empty();
  if (with_live) live.view->page()->load(QUrl(QString::fromStdString(live_url)));
  const bool in_time = Wait([&] { return saved.finished && (!with_live || live.finished); },
                            load_timeout_ms);
  // Requests made after the load (lazy images, fonts, scripts' own) count
  // too: wait until both pages have been quiet for a moment.
  Wait([&] { return saved.recorder.QuietFor() > 300 && live.recorder.QuietFor() > 300; }, 3000);
  result.network_requests.assign(saved.recorder.network.begin(), saved.recorder.network.end());
  result.missing_files.assign(saved.recorder.missing.begin(), saved.recorder.missing.end());
  if (!in_time) {
    result.error = "the pages did not finish loading in time";
    return result;
  }
  if (with_live && live.loaded) {
    result.differing_pixels_percent =
        DifferingPercent(live.view->grab().toImage(), saved.view->grab().toImage());
  }
  return result;
}

}  // namespace kaplo::gui
