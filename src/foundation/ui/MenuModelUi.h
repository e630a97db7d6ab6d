#pragma once
// Turns a menu described as plain data into the items of a Qt menu.
#include <QMenu>
#include <functional>
#include <vector>

#include "foundation/MenuModel.h"

namespace myui {

// Replaces the menu's items; a click on an item calls onClick with its tag.
// The menu is enabled exactly when it has items.
void FillMenu(QMenu *menu, const std::vector<MenuItemRec> &items,
              const std::function<void(int tag)> &onClick);

}  // namespace myui
