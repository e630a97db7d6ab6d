// The list windows' toolbar glyphs come from the program's resources.
#include <gtest/gtest.h>

#include <QIcon>
#include <QImage>

#include "foundation/ui/Glyphs.h"
#include "foundation_ui/UiTestApp.h"

namespace {

TEST(ListWindowGlyphs, FindAndTreeLoadAtBothSizes) {
  uitest::App();
  for (const char *name : {"Find", "Tree"}) {
    const QIcon icon = myui::LoadGlyph(name);
    ASSERT_FALSE(icon.isNull()) << name;
    EXPECT_EQ(icon.pixmap(16, 16).size(), QSize(16, 16)) << name;
    EXPECT_EQ(icon.pixmap(32, 32).size(), QSize(32, 32)) << name;
    const QImage img = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    int inked = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) inked += qAlpha(img.pixel(x, y)) > 0;
    EXPECT_GT(inked, 20) << name;
  }
}

}  // namespace
