#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QMetaObject>
#include <algorithm>
#include <memory>
#include <random>

#include "BoardFixture.h"
#include "board/ui/ChsBrds.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/Errors.h"

namespace {

TEST_F(BoardTest, GeometryBothWays) {
  auto b = NewBoard();
  EXPECT_EQ(b->size(), QSize(256, 256));
  EXPECT_EQ(b->ColorAtTop(), cBlack);
  EXPECT_EQ(b->SquareToPixel(1, 1), QPoint(0, 224));
  EXPECT_EQ(b->SquareToPixel(8, 8), QPoint(224, 0));
  const QImage first = b->grab().toImage();
  b->SetColorAtTop(cWhite);
  EXPECT_EQ(b->ColorAtTop(), cWhite);
  EXPECT_EQ(b->SquareToPixel(1, 1), QPoint(224, 0));  // a1 at the top right
  EXPECT_NE(b->grab().toImage(), first);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  for (ColorT top : {cWhite, cBlack}) {
    b->SetOrientation(top);
    for (int f = 1; f <= 8; ++f)
      for (int r = 1; r <= 8; ++r) {
        const QPoint p = b->SquareToPixel(f, r);
        int ff = 0, rr = 0;
        ASSERT_TRUE(b->PixelToSquare(p.x() + 31, p.y() + 31, ff, rr));
        EXPECT_EQ(ff * 10 + rr, f * 10 + r);
        ASSERT_TRUE(b->PixelToSquare(p.x(), p.y(), ff, rr));
        EXPECT_EQ(ff * 10 + rr, f * 10 + r);
      }
    int f = 0, r = 0;
    EXPECT_FALSE(b->PixelToSquare(-1, 5, f, r));
    EXPECT_FALSE(b->PixelToSquare(5, -1, f, r));
    EXPECT_FALSE(b->PixelToSquare(256, 5, f, r));
    EXPECT_FALSE(b->PixelToSquare(5, 256, f, r));
  }
  b->SetColorAtTop(cBlack);
  b->Flip();
  b->Flip();
  EXPECT_EQ(b->grab().toImage(), first);
  // Any colour but White at the top reads as Black.
  b->SetOrientation(cNone);
  EXPECT_EQ(b->ColorAtTop(), cBlack);
}

TEST_F(BoardTest, PieceSetsAndSizes) {
  const int set24 = registry_.AddSynthetic("Syn24", 24, 24);
  auto b = NewBoard();
  const int loads32 = PieceSetData(set32_).LoadCount;
  const int drawn = b->Trace().squaresDrawn;
  b->SetPieceType(set32_);  // the same set: nothing happens
  EXPECT_EQ(b->Trace().squaresDrawn, drawn);
  EXPECT_EQ(PieceSetData(set32_).LoadCount, loads32);
  EXPECT_FALSE(b->SmallSize());
  b->SetSmallSize(false);  // already false: set stays
  EXPECT_EQ(b->PieceType(), set32_);

  // An unknown set is refused before anything is let go.
  const QImage before = b->grab().toImage();
  EXPECT_THROW(b->SetPieceType(PieceSetManO.Count()), ERangeError);
  EXPECT_EQ(b->PieceType(), set32_);
  EXPECT_EQ(PieceSetData(set32_).LoadCount, loads32);
  EXPECT_EQ(b->grab().toImage(), before);

  b->SetPieceType(set24);
  EXPECT_EQ(b->size(), QSize(192, 192));
  EXPECT_EQ(PieceSetData(set32_).LoadCount, loads32 - 1);
  EXPECT_EQ(PieceSetData(set24).LoadCount, 1);
  b->SetSmallSize(true);
  EXPECT_EQ(b->PieceType(), 0);
  EXPECT_TRUE(b->SmallSize());
  EXPECT_EQ(PieceSetData(set24).LoadCount, 0);
  b->SetSmallSize(false);
  EXPECT_EQ(b->PieceType(), 1);
  b.reset();
  EXPECT_EQ(PieceSetData(1).LoadCount, 0);
  EXPECT_EQ(PieceSetData(set32_).LoadCount, loads32 - 1);
}

// A strip taller than its square must not reach into the square below.
TEST_F(BoardTest, PiecesStayInsideTheirSquares) {
  const int tall = registry_.AddSynthetic("Tall", 32, 40);
  auto b = NewBoard("4k3/8/8/8/8/8/3K4/8 w - - 0 1");
  b->SetPieceType(tall);
  ASSERT_EQ(b->size(), QSize(256, 256));
  const QImage img = b->grab().toImage();
  const QPoint d2 = b->SquareToPixel(4, 2), d1 = b->SquareToPixel(4, 1);
  const QRgb emptyD1 = img.pixel(d1 + QPoint(16, 16));
  for (int x = 0; x < 32; ++x)
    for (int y = 0; y < 32; ++y) ASSERT_EQ(img.pixel(d1 + QPoint(x, y)), emptyD1) << x << "," << y;
  EXPECT_EQ(img.pixel(d2 + QPoint(16, 16)), striptest::CellColour(10));  // white king
}

TEST_F(BoardTest, HighlightFrameIsTwoPixelsInside) {
  auto b = NewBoard("4k3/8/8/8/8/8/3K4/8 w - - 0 1");
  const QImage plain = b->grab().toImage();
  b->SetHighlight(5, 4, true);
  QImage img = b->grab().toImage();
  const QPoint e4 = b->SquareToPixel(5, 4);
  const QRgb black = qRgb(0, 0, 0);
  for (int i = 0; i < 32; ++i) {
    for (int t = 0; t < 2; ++t) {
      EXPECT_EQ(img.pixel(e4 + QPoint(i, t)), black);
      EXPECT_EQ(img.pixel(e4 + QPoint(i, 31 - t)), black);
      EXPECT_EQ(img.pixel(e4 + QPoint(t, i)), black);
      EXPECT_EQ(img.pixel(e4 + QPoint(31 - t, i)), black);
    }
    if (i >= 2 && i < 30) {
      EXPECT_EQ(img.pixel(e4 + QPoint(i, 2)), plain.pixel(e4 + QPoint(i, 2)));
    }
  }
  // Everything outside e4 as it was.
  for (int x = 0; x < 256; ++x)
    for (int y = 0; y < 256; ++y)
      if (!QRect(e4, QSize(32, 32)).contains(x, y)) {
        ASSERT_EQ(img.pixel(x, y), plain.pixel(x, y));
      }
  // A repaint keeps it; moving it leaves no old frame; off removes it
  // whichever square is named.
  b->Flip();
  b->Flip();
  EXPECT_EQ(b->grab().toImage(), img);
  b->SetHighlight(1, 1, true);
  b->SetHighlight(5, 4, true);
  EXPECT_EQ(b->grab().toImage(), img);
  b->SetHighlight(8, 8, false);
  EXPECT_FALSE(b->HighlightOn());
  EXPECT_EQ(b->grab().toImage(), plain);
}

// Every kind of move and take-back, slid or not, leaves the screen as a
// fresh board draws the same position.
TEST_F(BoardTest, ScreenFollowsEveryMoveKind) {
  struct Case {
    const char *fen;
    const char *move;
  } cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3"},  // quiet, knight
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5"},                         // capture
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6"},                         // en passant
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1"},                      // castling short
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "e8c8"},                      // castling long
      {"1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8n"},                         // promotion with capture
      {"4k3/8/8/8/8/8/p7/4K3 b - - 0 1", "a2a1q"},                           // promotion
  };
  for (int delay : {0, 10}) {
    for (ColorT top : {cBlack, cWhite}) {
      for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.fen) + " " + c.move + " delay " + std::to_string(delay));
        auto b = NewBoard(c.fen);
        b->SetColorAtTop(top);
        b->SetMoveDelay(delay);
        b->SetMoveBackDelay(delay);
        b->SetCastleRookMoveDelay(delay);
        b->SetCastleRookMoveBackDelay(delay);
        const QImage start = b->grab().toImage();
        b->DoMove(Move(*b, c.move));
        EXPECT_TRUE(DisplayMatchesPosition(*b));
        EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
        EXPECT_EQ(b->MoveList().Count(), 1);
        b->TakeBack();
        EXPECT_TRUE(DisplayMatchesPosition(*b));
        EXPECT_EQ(b->grab().toImage(), start);
        b->ReplayLastMove();  // nothing to replay
        EXPECT_EQ(b->grab().toImage(), start);
      }
    }
  }
}

// A model test: random games with random take-backs, replays and delays.
TEST_F(BoardTest, RandomGamesKeepScreenAndRecordInStep) {
  std::mt19937 rng(17);
  auto b = NewBoard();
  for (int game = 0; game < 6; ++game) {
    b->SetInitialPosition();
    b->SetColorAtTop(game % 2 ? cWhite : cBlack);
    b->SetKnightMoves(static_cast<KnightMoveT>(game % 3));
    for (int ply = 0; ply < 60; ++ply) {
      const int delay = rng() % 3 == 0 ? 5 : 0;
      b->SetMoveDelay(delay);
      b->SetMoveBackDelay(delay);
      b->SetCastleRookMoveDelay(delay);
      b->SetReplayMoveDelay(delay);
      const int action = rng() % 10;
      if (action == 0 && b->CanTakeBack()) {
        b->TakeBack();
      } else if (action == 1) {
        b->ReplayLastMove();
      } else {
        MoveRec m;
        if (!testchess::RandomMove(b->Position().Base(), rng, m)) break;
        b->DoMove(m);
      }
      ASSERT_TRUE(DisplayMatchesPosition(*b)) << "game " << game << " ply " << ply;
    }
    EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
  }
}

TEST_F(BoardTest, SlidesFollowTheirLegs) {
  // Ra1-a8 on 32-pixel squares.
  auto b = NewBoard("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  b->Trace() = BoardTraceRec{};
  b->Trace().recordPoints = true;
  b->DoMove(Move(*b, "a1a8"));
  const BoardTraceRec &t = b->Trace();
  EXPECT_EQ(t.legs, 1);
  EXPECT_EQ(t.steps, 28);
  EXPECT_EQ(sleeps_, 28);
  EXPECT_EQ(t.sleptMs, 28 * 10);
  ASSERT_EQ(t.legStarts.size(), 1u);
  EXPECT_EQ(t.legStarts[0], QPoint(1, 225));
  EXPECT_EQ(t.legEnds[0], QPoint(0, 0));
  ASSERT_EQ(t.stepPoints.size(), 28u);
  EXPECT_EQ(t.stepPoints.front(), QPoint(1, 217));
  EXPECT_EQ(t.stepPoints.back(), QPoint(0, 1));
  // Without delay the rook is put down at once.
  b->TakeBack();
  b->SetMoveDelay(0);
  b->Trace() = BoardTraceRec{};
  b->DoMove(Move(*b, "a1a8"));
  EXPECT_EQ(b->Trace().steps, 0);
  EXPECT_EQ(b->Trace().sleeps, 0);
  EXPECT_EQ(b->DisplayRecord().PieceAt(1, 8), pRook);

  // Knight corners: Ng1-f3 turns at g2 or f2; its take-back at f2 or g2.
  auto corner = [&](KnightMoveT k, bool back) {
    auto n = NewBoard();
    n->SetKnightMoves(k);
    if (back) n->DoMove(Move(*n, "g1f3"));
    n->Trace() = BoardTraceRec{};
    n->Trace().recordPoints = true;
    if (back)
      n->TakeBack();
    else
      n->DoMove(Move(*n, "g1f3"));
    EXPECT_EQ(n->Trace().legs, 2);
    EXPECT_EQ(n->Trace().legEnds.back(), n->SquareToPixel(back ? 7 : 6, back ? 1 : 3));
    return n->Trace().legEnds.front();
  };
  EXPECT_EQ(corner(kmStraightFirst, false), b->SquareToPixel(7, 2));
  EXPECT_EQ(corner(kmDiagonalFirst, false), b->SquareToPixel(6, 2));
  EXPECT_EQ(corner(kmStraightFirst, true), b->SquareToPixel(6, 2));
  EXPECT_EQ(corner(kmDiagonalFirst, true), b->SquareToPixel(7, 2));

  // Castling: the king, then the rook with its own delay; back the same way.
  auto c = NewBoard("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  c->SetMoveDelay(3);
  c->SetCastleRookMoveDelay(7);
  c->SetMoveBackDelay(4);
  c->SetCastleRookMoveBackDelay(9);
  c->Trace() = BoardTraceRec{};
  c->Trace().recordPoints = true;
  c->DoMove(Move(*c, "e1g1"));
  ASSERT_EQ(c->Trace().legs, 2);
  EXPECT_EQ(c->Trace().legStarts[0], c->SquareToPixel(5, 1) + QPoint(1, 1));
  EXPECT_EQ(c->Trace().legEnds[0], c->SquareToPixel(7, 1));
  EXPECT_EQ(c->Trace().legStarts[1], c->SquareToPixel(8, 1) + QPoint(1, 1));
  EXPECT_EQ(c->Trace().legEnds[1], c->SquareToPixel(6, 1));
  // Two squares are 63 pixels from the start (one pixel in) going right,
  // 65 going left: 7 and 8 steps.
  EXPECT_EQ(c->Trace().sleptMs, 7 * 3 + 8 * 7);
  c->Trace() = BoardTraceRec{};
  c->Trace().recordPoints = true;
  c->TakeBack();
  ASSERT_EQ(c->Trace().legs, 2);
  EXPECT_EQ(c->Trace().legEnds[0], c->SquareToPixel(5, 1));
  EXPECT_EQ(c->Trace().legEnds[1], c->SquareToPixel(8, 1));
  EXPECT_EQ(c->Trace().sleptMs, 8 * 4 + 7 * 9);
}

// A slide runs without the event loop: the setters keep each step's pause
// within kMaxStepDelay, so the longest slide on the largest built-in board
// never asks for a longer one.
TEST_F(BoardTest, StepDelaysAreClampedSoNoSlideHoldsTheWindow) {
  int largest = 0;
  for (int set = 1; set < 7; ++set)
    if (PieceSetManO.SquareWidth(set) > PieceSetManO.SquareWidth(largest)) largest = set;
  auto b = NewBoard("k7/8/8/8/8/8/8/B3K2R w K - 0 1");
  b->SetPieceType(largest);
  for (int asked : {65535, 99999}) {
    b->SetMoveDelay(asked);
    b->SetMoveBackDelay(asked);
    b->SetCastleRookMoveDelay(asked);
    b->SetCastleRookMoveBackDelay(asked);
    b->SetReplayMoveDelay(asked);
    b->SetReplayMoveBackDelay(asked);
  }
  EXPECT_EQ(b->MoveDelay(), kMaxStepDelay);
  EXPECT_EQ(b->CastleRookMoveBackDelay(), kMaxStepDelay);
  EXPECT_EQ(b->ReplayMoveBackDelay(), kMaxStepDelay);
  int longest = 0;
  onSleep_ = [&](int ms) { longest = std::max(longest, ms); };
  b->DoMove(Move(*b, "a1h8"));  // corner to corner
  b->TakeBack();
  b->DoMove(Move(*b, "e1g1"));  // and the rook's own delays
  b->TakeBack();
  onSleep_ = nullptr;
  EXPECT_GE(sleeps_, 2 * 7 * PieceSetManO.SquareWidth(largest) / 8);  // slides, not jumps
  EXPECT_EQ(longest, kMaxStepDelay);
  // Below zero is no delay.
  b->SetMoveDelay(-1);
  EXPECT_EQ(b->MoveDelay(), 0);
}

TEST_F(BoardTest, RedrawsOnlyWhatChanged) {
  auto b = NewBoard();
  b->SetMoveDelay(0);
  b->Trace() = BoardTraceRec{};
  b->DoMove(Move(*b, "e2e4"));
  EXPECT_EQ(b->Trace().squaresDrawn, 2);
  EXPECT_EQ(b->Trace().pixelsCopied, 2 * 32 * 32);

  // Auto redraw off: nothing is drawn until it is switched on again.
  PositionO p;
  ASSERT_TRUE(p.SetFEN("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
  const QImage before = b->grab().toImage();
  b->SetAutoRedraw(false);
  b->Trace() = BoardTraceRec{};
  b->SetPosition(&p, nullptr);
  b->DoMove(Move(*b, "e1d1"));
  EXPECT_EQ(b->Trace().squaresDrawn, 0);
  EXPECT_EQ(b->grab().toImage(), before);
  b->SetAutoRedraw(true);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
  // 31 men of the start less one king's square that still holds a king,
  // plus the king moved to d1; e1 empties, e8 unchanged.
  EXPECT_EQ(b->Trace().squaresDrawn, 31);

  // SetPosition with moves draws once, at the end, only what changed.
  const char *start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  const MoveListO moves = Line(start, {"e2e4", "e7e5", "g1f3"});
  b->SetInitialPosition();
  b->SetMoveDelay(10);
  b->Trace() = BoardTraceRec{};
  b->SetPosition(nullptr, &moves);
  EXPECT_EQ(b->Trace().legs, 0);
  EXPECT_EQ(b->Trace().squaresDrawn, 6);
  EXPECT_TRUE(b->GetAutoRedraw());
  EXPECT_EQ(b->MoveList().Count(), 3);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
}

// A slide runs to its end before anything queued runs.
TEST_F(BoardTest, SlideLetsNothingElseRun) {
  auto b = NewBoard();
  b->show();
  bool ran = false, ranDuringSlide = false;
  onSleep_ = [&](int) { ranDuringSlide |= ran; };
  QMetaObject::invokeMethod(
      uitest::App(), [&] { ran = true; }, Qt::QueuedConnection);
  b->DoMove(Move(*b, "e2e4"));
  EXPECT_GT(sleeps_, 0);
  EXPECT_FALSE(ranDuringSlide);
  EXPECT_FALSE(ran);
  QCoreApplication::processEvents();
  EXPECT_TRUE(ran);
}

TEST_F(BoardTest, GoToPlyClampsAndRestoresDelays) {
  auto b = NewBoard();
  const MoveListO game =
      Line("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {"e2e4", "e7e5", "e1e2", "e8e7"});
  b->SetReplayMoves(&game);
  EXPECT_EQ(b->ReplayPly(), 1);
  b->GoToPly(100);
  EXPECT_EQ(b->ReplayPly(), 5);
  EXPECT_EQ(b->MoveList().Count(), 4);
  EXPECT_EQ(sleeps_, 0);  // no slides
  EXPECT_EQ(b->MoveDelay(), 10);
  EXPECT_EQ(b->CastleRookMoveDelay(), 20);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
  b->GoToPly(2);
  EXPECT_EQ(b->MoveList().Count(), 1);
  b->GoToPly(-5);
  EXPECT_EQ(b->ReplayPly(), 1);
  EXPECT_TRUE(b->Position().IsStartPosition());
  EXPECT_EQ(sleeps_, 0);
  EXPECT_EQ(b->MoveBackDelay(), 10);
  EXPECT_EQ(b->CastleRookMoveBackDelay(), 10);

  // ReplayLastMove slides back and forth with the replay delays, then
  // gives the board its own delays again.
  b->GoToPly(2);
  b->SetReplayMoveBackDelay(3);
  b->SetReplayPauseDelay(250);
  b->SetReplayMoveDelay(5);
  b->Trace() = BoardTraceRec{};
  b->ReplayLastMove();
  // e4-e2 takes 7 steps (63 pixels), e2-e4 8 (65 pixels).
  EXPECT_EQ(b->Trace().sleptMs, 7 * 3 + 250 + 8 * 5);
  EXPECT_EQ(b->MoveDelay(), 10);
  EXPECT_EQ(b->MoveBackDelay(), 10);
  EXPECT_EQ(b->MoveList().Count(), 1);
}

// Black's move at move 255 is past what a game holds: refused whole.
TEST_F(BoardTest, MovePastTheLastNumberChangesNothing) {
  // The position cannot build such a move, so it is built one move
  // earlier and renumbered, as a stored game could hand it over.
  MoveRec blacks;
  {
    auto at254 = NewBoard("4k3/8/8/8/8/8/8/4K3 b - - 0 254");
    blacks = Move(*at254, "e8d8");
    blacks.SetMoveNumber(255);
  }
  auto b = NewBoard("4k3/8/8/8/8/8/8/4K3 b - - 0 255");
  b->SetHighlight(2, 2, true);
  const QImage before = b->grab().toImage();
  const std::string fen = b->GetFEN();
  EXPECT_THROW(b->DoMove(blacks), ERangeError);
  EXPECT_EQ(b->grab().toImage(), before);
  EXPECT_EQ(b->GetFEN(), fen);
  EXPECT_EQ(b->MoveList().Count(), 0);
  EXPECT_TRUE(DisplayMatchesPosition(*b));
  b->SetHighlight(2, 2, false);

  // Met inside SetPosition and GoToPly, the error still leaves auto redraw
  // and the delays as they were.
  PositionO p;
  ASSERT_TRUE(p.SetFEN("4k3/8/8/8/8/8/8/4K3 w - - 0 255"));
  b->AssignPosition(p);
  MoveListO moves;
  moves.Add(Move(*b, "e1d1"));
  moves.Add(blacks);
  EXPECT_THROW(b->SetPosition(&p, &moves), ERangeError);
  EXPECT_TRUE(b->GetAutoRedraw());
  EXPECT_EQ(b->MoveList().Count(), 1);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  b->AssignPosition(p);
  b->SetReplayMoves(&moves);
  EXPECT_THROW(b->GoToPly(3), ERangeError);
  EXPECT_EQ(b->MoveDelay(), 10);
  EXPECT_EQ(b->CastleRookMoveDelay(), 20);
  EXPECT_EQ(b->MoveList().Count(), 1);
}

TEST_F(BoardTest, ForwardsAndTexts) {
  auto b = NewBoard();
  EXPECT_EQ(b->GetLastMoveText(mtShort, 0), b->MoveNumberText());
  b->SetMoveDelay(0);
  b->DoMove(Move(*b, "g1f3"));
  EXPECT_EQ(b->GetLastMoveText(mtShort, 0), "Nf3");
  MoveRec last;
  ASSERT_TRUE(b->GetLastMove(last));
  EXPECT_EQ(last.fromFile * 1000 + last.fromRank * 100 + last.toFile * 10 + last.toRank, 7163);
  EXPECT_EQ(b->SideToMove(), cBlack);
  EXPECT_EQ(b->GetFEN(), "rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq - 0 1");
  PositionO copy;
  b->CopyPositionTo(copy);
  EXPECT_TRUE(copy.SameAs(b->Position()));
  // Forwards change the position but draw nothing.
  const int drawn = b->Trace().squaresDrawn;
  b->SetSideToMove(cWhite);
  EXPECT_EQ(b->SideToMove(), cWhite);
  EXPECT_EQ(b->Trace().squaresDrawn, drawn);
  b->ResetToBasePosition();
  EXPECT_TRUE(b->Position().IsStartPosition());
  EXPECT_FALSE(b->CanTakeBack());
  EXPECT_FALSE(b->GetLastMove(last));
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
}

TEST_F(BoardTest, SquareColoursFollowThePalette) {
  auto b = NewBoard("4k3/8/8/8/8/8/3K4/8 w - - 0 1");
  const QPoint a2 = b->SquareToPixel(1, 2) + QPoint(5, 5), a1 = b->SquareToPixel(1, 1) + QPoint(5, 5);
  QPalette pal = b->palette();
  pal.setColor(QPalette::Button, QColor(10, 20, 30));
  pal.setColor(QPalette::Dark, QColor(200, 100, 50));
  b->setPalette(pal);
  QImage img = b->grab().toImage();
  EXPECT_EQ(img.pixel(a2), qRgb(10, 20, 30));  // light
  EXPECT_EQ(img.pixel(a1), qRgb(200, 100, 50));

  // The application's palette reaches a board that has none of its own.
  auto c = NewBoard("4k3/8/8/8/8/8/3K4/8 w - - 0 1");
  const QPalette old = QApplication::palette();
  QPalette app = old;
  app.setColor(QPalette::Button, QColor(1, 2, 3));
  QApplication::setPalette(app);
  QCoreApplication::processEvents();
  img = c->grab().toImage();
  QApplication::setPalette(old);
  EXPECT_EQ(img.pixel(a2), qRgb(1, 2, 3));

  // Plain colours are 0x00BBGGRR; an owner repaints after changing them.
  BoardColorsO.SetBlackSquares(0x00336699);
  c->Paint();
  EXPECT_EQ(c->grab().toImage().pixel(a1), qRgb(0x99, 0x66, 0x33));
  BoardColorsO.Init();
}

}  // namespace

namespace {

// The shipped sets: each board is eight of its squares wide, and a slide
// caught half-way shows the piece between its squares. With TV_SHOT_DIR
// set the pictures are written for a look.
TEST_F(BoardTest, BuiltInSetsInBothOrientations) {
  for (int set = 0; set < 7; ++set) {
    for (ColorT top : {cBlack, cWhite}) {
      const std::string name = PieceSetManO.PieceSetName(set) + (top == cWhite ? "_flipped" : "");
      SCOPED_TRACE(name);
      auto b = NewBoard("r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4");
      b->SetPieceType(set);
      b->SetColorAtTop(top);
      const int s = PieceSetManO.SquareWidth(set);
      ASSERT_EQ(b->size(), QSize(8 * s, 8 * s));
      b->SetHighlight(5, 4, true);
      uitest::Snapshot(b.get(), ("board_" + name).c_str());
      b->SetHighlight(5, 4, false);

      QImage middle;
      int n = 0;
      onSleep_ = [&](int) {
        if (++n == 4) middle = b->grab().toImage();
      };
      const QImage before = b->grab().toImage();
      b->DoMove(Move(*b, "f3g5"));
      onSleep_ = nullptr;
      ASSERT_FALSE(middle.isNull());
      EXPECT_NE(middle, before);
      EXPECT_NE(middle, b->grab().toImage());
      uitest::SnapshotImage(middle, QString::fromStdString("slide_" + name));
    }
  }
}

}  // namespace
