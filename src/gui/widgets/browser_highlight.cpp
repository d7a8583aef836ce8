#include "gui/widgets/browser_highlight.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include "gui/common/sjis.h"
#include "gui/widgets/browser_pane.h"
#include "view/keyword_search.h"

namespace kaplo::gui {

namespace {

// The style attribute of a highlight tag.
QString StyleOf(std::string_view tag) {
  const QString t = QString::fromLatin1(tag.data(), static_cast<qsizetype>(tag.size()));
  const qsizetype from = t.indexOf(QLatin1String("style=\""));
  if (from < 0) return {};
  const qsizetype start = from + 7;
  return t.mid(start, t.indexOf(QLatin1Char('"'), start) - start);
}

QString Json(const QJsonArray& array) {
  return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

// Splits each text node at its hits; a node's rest is searched again, so the
// keywords that follow still find their text. Script and style text is not
// page text.
constexpr const char* kScript = R"JS(
(function (words, styles) {
  var body = document.body;
  if (!body) return -1;
  var total = 0, last = null;
  for (var i = 0; i < words.length; ++i) {
    var word = words[i];
    if (!word) continue;
    var lower = word.toLowerCase();
    var style = styles[Math.min(i, styles.length - 1)];
    var nodes = [];
    var walker = document.createTreeWalker(body, NodeFilter.SHOW_TEXT, null);
    for (var n = walker.nextNode(); n; n = walker.nextNode()) {
      var p = n.parentNode ? n.parentNode.nodeName : '';
      if (p !== 'SCRIPT' && p !== 'STYLE' && p !== 'NOSCRIPT' && p !== 'TEXTAREA') nodes.push(n);
    }
    for (var k = 0; k < nodes.length; ++k) {
      var node = nodes[k];
      while (node) {
        var text = node.data.toLowerCase();
        // A letter whose lower case has another length would shift every offset.
        if (text.length !== node.data.length) break;
        var at = text.indexOf(lower);
        if (at < 0) break;
        var hit = node.splitText(at);
        var rest = hit.splitText(word.length);
        var span = document.createElement('span');
        span.setAttribute('style', style);
        hit.parentNode.replaceChild(span, hit);
        span.appendChild(hit);
        last = span;
        ++total;
        node = rest;
      }
    }
  }
  if (last) last.scrollIntoView(true);
  return total;
})
)JS";

}  // namespace

QString HighlightScript(const QStringList& keywords) {
  QJsonArray words, styles;
  for (const QString& k : keywords) words.append(k);
  for (std::size_t i = 1; i <= 6; ++i) styles.append(StyleOf(BrowserHighlightTag(i)));
  return QString::fromLatin1(kScript) + QLatin1Char('(') + Json(words) + QLatin1Char(',') +
         Json(styles) + QLatin1Char(')');
}

int HighlightKeywords(BrowserPane* pane, std::span<const std::string> keywords, int timeout_ms) {
  if (!pane || !pane->HasDocument() || pane->Busy()) return -1;
  QStringList words;
  for (const std::string& k : keywords) words << QsFromSjis(k);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bool ok = false;
  const int hits = RunScriptAndWait(pane->page(), HighlightScript(words), timeout_ms,
                                     QWebEngineScript::ApplicationWorld).toInt(&ok);
  QApplication::restoreOverrideCursor();
  return ok ? hits : -1;
}

bool FindFromSelection(BrowserPane* pane, const QString& text, bool backward, int timeout_ms) {
  if (!pane || !pane->HasDocument() || pane->Busy() || text.isEmpty()) return false;
  // window.find goes on from the selection and selects what it finds.
  const QString script =
      QStringLiteral("(function (t, back) { return window.find(t, false, back, false, false, "
                     "true, false) === true; })(%1[0], %2)")
          .arg(Json(QJsonArray{text}), backward ? QStringLiteral("true") : QStringLiteral("false"));
  return RunScriptAndWait(pane->page(), script, timeout_ms, QWebEngineScript::ApplicationWorld)
      .toBool();
}

}  // namespace kaplo::gui
