#pragma once
// Turns a menu described as plain data into the items of a Qt menu.
#include <QMenu>
#include <functional>
#include <string>
#include <vector>

#include "foundation/MenuModel.h"

namespace myui {

using CaptionConverter = std::function<QString(const std::string &caption)>;

// Replaces the menu's items; a click on an item calls onClick with its tag.
// The menu is enabled exactly when it has items. The captions are
// Windows-1252 texts unless a converter says otherwise (paths keep the
// file system's bytes).
void FillMenu(QMenu *menu, const std::vector<MenuItemRec> &items,
              const std::function<void(int tag)> &onClick, const CaptionConverter &convert = {});

}  // namespace myui
