#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>

#include "UiTestApp.h"
#include "foundation/ui/MenuModelUi.h"
#include "foundation/ui/QtStr.h"

namespace {

TEST(FillMenu, ItemsTagsAndClicks) {
  uitest::App();
  QMenu menu;
  menu.addAction("stale");
  std::vector<int> clicked;
  const std::vector<MenuItemRec> items = {
      {"&A: /s/R&&D", 3, false}, {"-", 0, true}, {"&1: /r/caf\xe9", 0, false}, {"&2: /r/b", 1, false}};
  myui::FillMenu(&menu, items, [&](int tag) { clicked.push_back(tag); });

  const QList<QAction *> actions = menu.actions();
  ASSERT_EQ(actions.size(), 4);
  EXPECT_EQ(actions[0]->text(), QString("&A: /s/R&&D"));
  EXPECT_EQ(actions[0]->iconText(), QString("A: /s/R&D"));  // the "&" of the path shows
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(FromQ(actions[2]->text()), "&1: /r/caf\xe9");
  EXPECT_EQ(actions[3]->data().toInt(), 1);
  EXPECT_TRUE(menu.isEnabled());
  EXPECT_TRUE(menu.menuAction()->isEnabled());

  actions[0]->trigger();
  actions[3]->trigger();
  EXPECT_EQ(clicked, (std::vector<int>{3, 1}));

  myui::FillMenu(&menu, {}, nullptr);
  EXPECT_TRUE(menu.actions().isEmpty());
  EXPECT_FALSE(menu.menuAction()->isEnabled());
}

}  // namespace
