#include "foundation/ui/MenuModelUi.h"

#include "foundation/ui/QtStr.h"

namespace myui {

void FillMenu(QMenu *menu, const std::vector<MenuItemRec> &items,
              const std::function<void(int tag)> &onClick, const CaptionConverter &convert) {
  menu->clear();  // deletes the actions the menu owns
  for (const MenuItemRec &item : items) {
    if (item.separator) {
      menu->addSeparator();
      continue;
    }
    QAction *action = menu->addAction(convert ? convert(item.caption) : ToQ(item.caption));
    action->setData(item.tag);
    const int tag = item.tag;
    QObject::connect(action, &QAction::triggered, menu, [onClick, tag] {
      if (onClick) onClick(tag);
    });
  }
  menu->setEnabled(!items.empty());
  menu->menuAction()->setEnabled(!items.empty());
}

}  // namespace myui
