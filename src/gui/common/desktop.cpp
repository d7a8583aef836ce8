#include "gui/common/desktop.h"

#include <QDesktopServices>
#include <QUrl>

#include "gui/common/sjis.h"

namespace kaplo::gui {

void OpenExternally(const std::string& target) {
  const QString t = QsFromSjis(target);
  const QUrl url = t.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
                           t.startsWith(QLatin1String("https://"), Qt::CaseInsensitive)
                       ? QUrl(t)
                       : QUrl::fromLocalFile(t);
  QDesktopServices::openUrl(url);
}

}  // namespace kaplo::gui
