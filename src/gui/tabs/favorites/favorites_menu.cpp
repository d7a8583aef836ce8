#include "gui/tabs/favorites/favorites_menu.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QStyle>

#include "gui/common/sjis.h"

namespace kaplo::gui {

TFavoritesMenu::TFavoritesMenu(QMenu* menu, UrlClick on_url_click, QObject* parent)
    : QObject(parent), menu_(menu), on_url_click_(std::move(on_url_click)) {}

void TFavoritesMenu::Build(const std::filesystem::path& folder) {
  if (!menu_) return;
  menu_->clear();
  Fill(menu_, ReadFavorites(folder));
}

void TFavoritesMenu::Fill(QMenu* menu, const std::vector<FavoriteNode>& nodes) {
  QStyle* style = QApplication::style();
  for (const FavoriteNode& node : nodes) {
    const QString caption = QsFromSjis(node.caption);
    if (node.folder) {
      QMenu* sub = menu->addMenu(style->standardIcon(QStyle::SP_DirIcon), caption);
      Fill(sub, node.children);
      continue;
    }
    const QString url = QsFromSjis(node.url);
    QAction* item = menu->addAction(style->standardIcon(QStyle::SP_FileLinkIcon), caption);
    item->setToolTip(url);
    item->setStatusTip(url);
    connect(item, &QAction::triggered, this, [this, url] {
      if (on_url_click_) on_url_click_(url);
    });
  }
  menu->setToolTipsVisible(true);
}

}  // namespace kaplo::gui
