#include "gui/widgets/colorize_view.h"

#include <QFutureWatcher>
#include <QPointer>
#include <QPromise>
#include <QRunnable>
#include <QTextCursor>
#include <QThreadPool>
#include <array>
#include <memory>

#include "view/html_rtf.h"
#include "view/html_tokenizer.h"

namespace kaplo::gui {
namespace {

// Entry 0 (black) and the default palette, as character formats.
const std::array<QTextCharFormat, 12>& HtmlFormats() {
  static const std::array<QTextCharFormat, 12> formats = [] {
    std::array<QTextCharFormat, 12> f;
    f[0].setForeground(QColor(0, 0, 0));
    for (std::size_t i = 0; i < kHtmlDefaultPalette.size(); ++i) {
      const RtfColor c = kHtmlDefaultPalette[i];
      f[i + 1].setForeground(QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF));
    }
    return f;
  }();
  return formats;
}

void MoveToTop(TRichEditEx* view) {
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(0);
  view->setTextCursor(cursor);
  view->SetFirstVisibleLine(0);
}

// Lays finished colours over the view unless they are stale.
void Apply(const QPointer<TRichEditEx>& view, quint64 request, quint64 edits,
           const LineFormats& lines) {
  if (!view || view->ColorRequest() != request) return;
  if (view->EditCount() != edits || !view->SetLineFormats(lines)) {
    ColorizeView(view, ColorizeMode::kKeepCaret);  // the text changed meanwhile
    return;
  }
  emit view->colorized();
}

}  // namespace

LineFormats HtmlLineFormats(const QString& text) {
  const ViewSjis sjis = ViewTextToSjis(text);
  const std::vector<HtmlColorSpan> spans = HtmlColorSpans(sjis.bytes);
  return ToLineFormats(text, sjis.pos, spans, HtmlFormats());
}

void ColorizeView(TRichEditEx* view, ColorizeMode mode) {
  if (view == nullptr) return;
  QString text = view->toPlainText();
  if (text.isEmpty()) return;
  if (mode == ColorizeMode::kToTop) MoveToTop(view);
  const quint64 request = view->NewColorRequest();
  const quint64 edits = view->EditCount();
  auto* watcher = new QFutureWatcher<LineFormats>(view);
  QObject::connect(watcher, &QFutureWatcher<LineFormats>::finished, view,
                   [watcher, view = QPointer<TRichEditEx>(view), request, edits] {
                     watcher->deleteLater();
                     Apply(view, request, edits, watcher->result());
                   });
  auto promise = std::make_shared<QPromise<LineFormats>>();
  watcher->setFuture(promise->future());
  promise->start();
  QThreadPool::globalInstance()->start(QRunnable::create([promise, text = std::move(text)] {
    promise->addResult(HtmlLineFormats(text));
    promise->finish();
  }));
}

void ColorizeViewChecked(TRichEditEx* view, ColorizeMode mode) { ColorizeView(view, mode); }

void ResetViewColors(TRichEditEx* view) {
  if (view == nullptr) return;
  view->NewColorRequest();
  view->ClearLineFormats();
  QTextCursor cursor = view->textCursor();
  cursor.setPosition(0);
  view->setTextCursor(cursor);
}

void ShowColored(TRichEditEx* view, std::string_view sjis_text) {
  if (view == nullptr) return;
  view->SetSjisText(sjis_text);
  ColorizeViewChecked(view, ColorizeMode::kToTop);
}

}  // namespace kaplo::gui
