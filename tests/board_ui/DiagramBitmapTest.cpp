#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <set>

#include "SyntheticStrips.h"
#include "board/ui/BoardPaint.h"
#include "board/ui/DiagramBitmap.h"
#include "chess/Posns.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/Errors.h"

namespace {

class DiagramTest : public ::testing::Test {
 protected:
  void SetUp() override { uitest::App(); }

  static BasePositionO FromFen(const char *fen) {
    PositionO p;
    EXPECT_TRUE(p.SetFEN(fen));
    return p.Base();
  }

  striptest::StripRegistry registry_;
};

TEST_F(DiagramTest, SquaresFrameAndSize) {
  const int regular24 = FindPieceSet("Regular24");
  const BasePositionO start = FromFen("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  const QImage img = DrawPositionBitmap(start, BmpSizeT(regular24), false, false);
  EXPECT_EQ(img.size(), QSize(192, 192));
  EXPECT_EQ(PieceSetData(regular24).LoadCount, 0);
  uitest::SnapshotImage(img, "diagram_plain24");

  // An empty position: only the default square colours, whatever the
  // user chose for the board; a1 dark, with White at the bottom.
  BoardColorsO.SetWhiteSquares(0x0000FF);
  BasePositionO empty;
  empty.ClearBoard();
  const int syn = registry_.AddSynthetic("Syn20", 20, 20);
  const QPalette pal = QGuiApplication::palette();
  const QColor light = TColorToQColor(clBtnFace, pal), dark = TColorToQColor(clBtnShadow, pal);
  for (bool frame : {false, true}) {
    const QImage e = DrawPositionBitmap(empty, BmpSizeT(syn), frame, false);
    ASSERT_EQ(e.size(), QSize(160, 160));
    for (int y = 0; y < 160; ++y)
      for (int x = 0; x < 160; ++x) {
        const bool border = x == 0 || y == 0 || x == 159 || y == 159;
        const int f = x / 20 + 1, r = 8 - y / 20;
        const QRgb want = frame && border ? qRgb(0, 0, 0) : (IsLightSquare(f, r) ? light : dark).rgb();
        ASSERT_EQ(e.pixel(x, y), want) << x << "," << y << " frame " << frame;
      }
  }
  BoardColorsO.Init();
  EXPECT_EQ(PieceSetData(syn).LoadCount, 0);
  EXPECT_THROW(DrawPositionBitmap(empty, BmpSizeT(PieceSetManO.Count()), false, false), ERangeError);
}

TEST_F(DiagramTest, PrintStyleIsCleanMonochrome) {
  // Mid-grey pieces: thresholded they come out one colour, not dithered.
  const int grey = registry_.AddSynthetic("Grey", 24, 24, qRgb(128, 128, 128));
  const BasePositionO pos = FromFen("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  const QImage img = DrawPositionBitmap(pos, BmpSizeT(grey), true, true);
  ASSERT_EQ(img.format(), QImage::Format_Mono);
  ASSERT_EQ(img.size(), QSize(192, 192));
  EXPECT_EQ(PieceSetData(grey).LoadCount, 0);
  uitest::SnapshotImage(img, "diagram_print_grey");
  if (!qEnvironmentVariableIsEmpty("TV_SHOT_DIR")) {
    const BasePositionO game = FromFen("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
    const BmpSizeT set = BmpSizeT(FindPieceSet("Linares32"));
    uitest::SnapshotImage(DrawPositionBitmap(game, set, true, true), "diagram_print");
    uitest::SnapshotImage(DrawPositionBitmap(game, set, true, false), "diagram_plain");
  }
  const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      SCOPED_TRACE(std::to_string(f) + "," + std::to_string(r));
      const int x0 = (f - 1) * 24, y0 = (8 - r) * 24;
      // Inside the square's outer pixels, which are a piece cell's key frame.
      std::set<QRgb> inside;
      for (int y = 1; y < 23; ++y)
        for (int x = 1; x < 23; ++x) inside.insert(img.pixel(x0 + x, y0 + y));
      if (pos.PieceAt(f, r) != pNone) {
        EXPECT_EQ(inside.size(), 1u);
      } else if (IsLightSquare(f, r)) {
        EXPECT_EQ(inside, std::set<QRgb>{white});
      } else {
        EXPECT_EQ(inside, (std::set<QRgb>{white, black}));  // hatched
      }
    }
  // The frame is black to its corners; light squares keep their edges
  // white (no hatching reaches them).
  EXPECT_EQ(img.pixel(0, 0), black);
  EXPECT_EQ(img.pixel(191, 191), black);
  EXPECT_EQ(img.pixel(191, 0), black);
  for (int i = 0; i < 24; ++i) {  // b3, between four dark squares
    EXPECT_EQ(img.pixel(24 + i, 120), white);
    EXPECT_EQ(img.pixel(24 + i, 143), white);
    EXPECT_EQ(img.pixel(24, 120 + i), white);
    EXPECT_EQ(img.pixel(47, 120 + i), white);
  }
}

}  // namespace
