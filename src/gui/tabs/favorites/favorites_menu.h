// TFavoritesMenu: the favourites folder as a menu, one submenu per folder and
// one item per shortcut, built once. Choosing an item hands its address (the
// item's hint) to the callback.
#pragma once

#include <QMenu>
#include <QObject>
#include <QPointer>
#include <QString>
#include <filesystem>
#include <functional>
#include <vector>

#include "filetools/favorites.h"

namespace kaplo::gui {

class TFavoritesMenu : public QObject {
  Q_OBJECT

 public:
  using UrlClick = std::function<void(const QString& url)>;
  // menu is not owned; if it goes away, the component forgets it.
  TFavoritesMenu(QMenu* menu, UrlClick on_url_click, QObject* parent = nullptr);

  // Fills the menu from the folder (replacing what an earlier build put there).
  void Build(const std::filesystem::path& folder);
  QMenu* MenuItem() const { return menu_; }

 private:
  void Fill(QMenu* menu, const std::vector<FavoriteNode>& nodes);

  QPointer<QMenu> menu_;
  UrlClick on_url_click_;
};

}  // namespace kaplo::gui
