#include "gui/common/url_history.h"

#include <QComboBox>
#include <QSet>

namespace kaplo::gui {

void AddComboBoxURL(const QString& url, QComboBox* box, QComboBox* download_urls,
                    const std::function<void(const QString& url)>& set_form_caption) {
  const QString text = url.trimmed();
  if (text.isEmpty()) return;
  box->setEditText(text);
  if (download_urls->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive) < 0) {
    download_urls->addItem(text);
  }
  QSet<QString> seen;
  for (int i = 0; i < box->count();) {
    if (seen.contains(box->itemText(i))) {
      box->removeItem(i);
    } else {
      seen.insert(box->itemText(i++));
    }
  }
  if (set_form_caption) set_form_caption(text);
  // Removing items may have changed the edit text.
  box->setEditText(text);
}

}  // namespace kaplo::gui
