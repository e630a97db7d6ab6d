#include <gtest/gtest.h>

#include <QAction>

#include "UiTestApp.h"
#include "foundation/ui/Hints.h"

// "short|long": the tooltip before the first bar, the status text after it.
TEST(Hints, ShortAndLongParts) {
  uitest::App();
  QAction a(nullptr);
  myui::SetHint(&a, "Open|Open a database|x");
  EXPECT_EQ(a.toolTip(), "Open");
  EXPECT_EQ(a.statusTip(), "Open a database|x");
  myui::SetHint(&a, "|Create a new database");
  EXPECT_EQ(a.statusTip(), "Create a new database");
  myui::SetHint(&a, "Both \xe9");
  EXPECT_EQ(a.toolTip(), QString::fromUtf8("Both \xc3\xa9"));
  EXPECT_EQ(a.statusTip(), a.toolTip());
}
