// The URL history of a drop-down box after a URL was pasted and opened.
#include "gui/common/url_history.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QStringList>

namespace kaplo::gui {
namespace {

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

TEST(UrlHistoryTest, ShowsTheUrlKeepsItemsOnceAndNamesTheUrlInTheCaption) {
  QComboBox box, download;
  box.setEditable(true);
  download.setEditable(true);
  box.addItems({"a", "b", "a", "c", "b"});
  download.addItem("http://127.0.0.1/x");
  QStringList captions;
  const auto caption = [&captions](const QString& url) { captions << url; };

  // Trimmed; already among the download box's items: not added again.
  AddComboBoxURL("  http://127.0.0.1/x \t", &box, &download, caption);
  EXPECT_EQ(box.currentText(), "http://127.0.0.1/x");
  EXPECT_EQ(Items(box), QStringList({"a", "b", "c"}));
  EXPECT_EQ(Items(download), QStringList({"http://127.0.0.1/x"}));
  // Letter case counts: another address.
  AddComboBoxURL("http://127.0.0.1/X", &box, &download, caption);
  EXPECT_EQ(Items(download), QStringList({"http://127.0.0.1/x", "http://127.0.0.1/X"}));
  EXPECT_EQ(captions, QStringList({"http://127.0.0.1/x", "http://127.0.0.1/X"}));

  // Blank: nothing changes.
  AddComboBoxURL(" \t ", &box, &download, caption);
  EXPECT_EQ(box.currentText(), "http://127.0.0.1/X");
  EXPECT_EQ(captions.size(), 2);

  // The download box itself: the URL joins it once, its repeats go, and the
  // box still shows the URL.
  download.addItem("http://127.0.0.1/x");
  AddComboBoxURL("http://127.0.0.1/y", &download, &download, caption);
  EXPECT_EQ(Items(download),
            QStringList({"http://127.0.0.1/x", "http://127.0.0.1/X", "http://127.0.0.1/y"}));
  EXPECT_EQ(download.currentText(), "http://127.0.0.1/y");
  EXPECT_EQ(captions.back(), "http://127.0.0.1/y");
}

}  // namespace
}  // namespace kaplo::gui
