#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <set>

#include "SyntheticStrips.h"
#include "TestUtil.h"
#include "board/ui/PieceImages.h"
#include "platform/Errors.h"

namespace {

using striptest::CellColour;
using striptest::kKey;
using striptest::SyntheticStrip;

class PieceImagesTest : public ::testing::Test {
 protected:
  void LoadIni(const std::string &text) { registry_.LoadIni(text); }

  striptest::StripRegistry registry_;
  const testutil::TempDir &app_ = registry_.Dir();
};

TEST_F(PieceImagesTest, SlicesCellsInStripOrder) {
  ASSERT_TRUE(SyntheticStrip(10, 12).save(QString::fromStdString(app_.File("syn.png")), "PNG"));
  ASSERT_TRUE(SyntheticStrip(10, 12).save(QString::fromStdString(app_.File("syn.bmp")), "BMP"));
  LoadIni("[Syn]\nFileName=syn.png\nDisplayName=Synthetic\n[SynBmp]\nFileName=syn.bmp\nDisplayName=Bmp\n");
  for (const char *name : {"_Syn", "_SynBmp"}) {
    SCOPED_TRACE(name);
    const int i = FindPieceSet(name);
    ASSERT_GE(i, 7);
    EXPECT_EQ(PieceSetManO.SquareWidth(i), 10);
    EXPECT_EQ(PieceSetData(i).Height, 12);
    EXPECT_TRUE(PieceBitmap(i, kBmpWhite, 1).isNull());
    PieceSetManO.LoadSet(i);

    // Cells: black R N B Q K P, then white R N B Q K P.
    const int pieceOfCell[12] = {4, 2, 3, 5, 6, 1, 4, 2, 3, 5, 6, 1};
    for (int k = 0; k < 12; ++k) {
      SCOPED_TRACE(k);
      const int colour = k < 6 ? kBmpBlack : kBmpWhite;
      const QImage &img = PieceBitmap(i, colour, pieceOfCell[k]);
      const QImage &mask = PieceMask(i, colour, pieceOfCell[k]);
      ASSERT_EQ(img.size(), QSize(10, 12));
      ASSERT_EQ(mask.size(), QSize(10, 12));
      EXPECT_EQ(mask.format(), QImage::Format_Mono);
      EXPECT_EQ(img.pixel(5, 5), CellColour(k));
      EXPECT_EQ(img.pixel(0, 1), 0u);  // the frame is transparent black
      EXPECT_EQ(img.pixel(9, 11), 0u);
      EXPECT_EQ(mask.pixel(0, 1), qRgb(255, 255, 255));
      EXPECT_EQ(mask.pixel(5, 5), qRgb(0, 0, 0));
    }
    // The key comes from the bottom-left pixel, not the top-left one, and
    // is transparent wherever it occurs.
    EXPECT_EQ(PieceBitmap(i, kBmpBlack, 4).pixel(0, 0), qRgb(1, 2, 3));
    const QImage &queen = PieceBitmap(i, kBmpBlack, 5);
    EXPECT_EQ(queen.pixel(2, 2), 0u);
    EXPECT_EQ(PieceMask(i, kBmpBlack, 5).pixel(2, 2), qRgb(255, 255, 255));
    EXPECT_EQ(queen.pixel(3, 2), CellColour(3));
    PieceSetManO.FreeSet(i);
  }
}

TEST_F(PieceImagesTest, UnusableStripsAreRefused) {
  QImage narrow(13, 20, QImage::Format_RGB32);
  narrow.fill(kKey);
  ASSERT_TRUE(narrow.save(QString::fromStdString(app_.File("narrow.png")), "PNG"));
  ASSERT_TRUE(SyntheticStrip(20, 20).save(QString::fromStdString(app_.File("wide.png")), "PNG"));
  app_.Write("broken.png", std::string("\x89PNG\r\n\x1a\n", 8) + "cut short");
  app_.Write("text.bmp", "hello");
  LoadIni(
      "[Narrow]\nFileName=narrow.png\nDisplayName=N\n[Broken]\nFileName=broken.png\nDisplayName=B\n"
      "[Text]\nFileName=text.bmp\nDisplayName=T\n[Wide]\nFileName=wide.png\nDisplayName=W\n");
  EXPECT_EQ(PieceSetManO.Count(), 8);
  EXPECT_EQ(PieceSetManO.PieceSetName(7), "_Wide");
  EXPECT_EQ(PieceSetManO.SquareWidth(7), 20);

  // A strip that stops reading after registration loads as empty cells of
  // the registered size rather than a set of zero-sized squares.
  app_.Write("wide.png", "gone");
  PieceSetManO.LoadSet(7);
  EXPECT_EQ(PieceSetManO.SquareWidth(7), 20);
  const QImage &img = PieceBitmap(7, kBmpWhite, 6);
  ASSERT_EQ(img.size(), QSize(20, 20));
  EXPECT_EQ(img.pixel(10, 10), 0u);
  EXPECT_EQ(PieceMask(7, kBmpWhite, 6).pixel(10, 10), qRgb(255, 255, 255));
  PieceSetManO.FreeSet(7);
}

TEST_F(PieceImagesTest, ImagesLiveWhileHeld) {
  const int i = FindPieceSet("Regular32");
  PieceSetManO.LoadSet(i);
  PieceSetManO.LoadSet(i);
  const QImage *first = &PieceBitmap(i, kBmpWhite, 6);
  EXPECT_FALSE(first->isNull());
  PieceSetManO.FreeSet(i);
  EXPECT_EQ(&PieceBitmap(i, kBmpWhite, 6), first);  // still the shared copy
  EXPECT_FALSE(PieceMask(i, kBmpBlack, 1).isNull());
  PieceSetManO.FreeSet(i);
  EXPECT_TRUE(PieceBitmap(i, kBmpWhite, 6).isNull());
  EXPECT_TRUE(PieceMask(i, kBmpBlack, 1).isNull());

  EXPECT_THROW(PieceBitmap(i, 2, 1), ERangeError);
  EXPECT_THROW(PieceBitmap(i, kBmpWhite, 0), ERangeError);
  EXPECT_THROW(PieceMask(i, kBmpWhite, 7), ERangeError);
  EXPECT_THROW(PieceBitmap(99, kBmpWhite, 1), ERangeError);
}

TEST_F(PieceImagesTest, ResourceNamesIgnoreCase) {
  const int i = AddPieceSet("Mine", "Mine", "", 0, "LINARES48");
  ASSERT_EQ(i, 7);
  EXPECT_EQ(PieceSetManO.SquareWidth(i), 48);
  PieceSetManO.LoadSet(i);
  EXPECT_EQ(PieceBitmap(i, kBmpBlack, 5).size(), QSize(48, 48));
  PieceSetManO.FreeSet(i);
}

// The shipped strips: the registered size, the key colour at the bottom
// left, only key, black and white (no blended fringe), two empty cells, a
// clear frame round every cell, and a black edge wherever a piece meets
// the key, so no square colour can bleed into a white piece.
TEST_F(PieceImagesTest, ShippedStripsAreClean) {
  const QRgb key = 0xFF008080, black = 0xFF000000, white = 0xFFFFFFFF;
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(PieceSetManO.PieceSetName(i));
    const QImage strip = ReadPieceStrip(PieceSetData(i)).convertToFormat(QImage::Format_ARGB32);
    const int s = PieceSetManO.SquareWidth(i);
    ASSERT_EQ(strip.size(), QSize(14 * s, s));
    ASSERT_EQ(strip.pixel(0, s - 1), key);
    for (int k = 0; k < kStripCells; ++k) {
      SCOPED_TRACE(k);
      std::set<QRgb> colours;
      bool badEdge = false, dirtyFrame = false;
      for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
          const QRgb p = strip.pixel(k * s + x, y);
          colours.insert(p);
          const bool frame = x == 0 || y == 0 || x == s - 1 || y == s - 1;
          if (frame && p != key) dirtyFrame = true;
          if (frame || p == key) continue;
          const bool nearKey = strip.pixel(k * s + x - 1, y) == key || strip.pixel(k * s + x + 1, y) == key ||
                               strip.pixel(k * s + x, y - 1) == key || strip.pixel(k * s + x, y + 1) == key;
          if (nearKey && p != black) badEdge = true;
        }
      EXPECT_FALSE(dirtyFrame);
      EXPECT_FALSE(badEdge);
      for (QRgb c : colours) EXPECT_TRUE(c == key || c == black || c == white) << std::hex << c;
      if (k >= 12) {
        EXPECT_EQ(colours, std::set<QRgb>{key});
      } else {
        EXPECT_TRUE(colours.count(black));
        if (k >= 6) {
          EXPECT_TRUE(colours.count(white));  // white pieces are filled white
        }
      }
    }
  }
}

}  // namespace
