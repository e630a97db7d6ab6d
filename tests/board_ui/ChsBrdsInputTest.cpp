#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <string>
#include <vector>

#include "BoardFixture.h"
#include "TestUtil.h"
#include "foundation/CommonText.h"

namespace {

// What the owner saw at each OnMouseDown.
struct Call {
  Qt::MouseButton button;
  int file, rank;
  int state;
  MoveRec pending;
};

class InputTest : public BoardTest {
 protected:
  std::unique_ptr<TChessBoard> Owned(const char *fen = nullptr) {
    auto b = NewBoard(fen);
    b->SetMoveDelay(0);
    b->SetMoveBackDelay(0);
    TChessBoard *raw = b.get();
    b->OnMouseDown = [this, raw](Qt::MouseButton button, Qt::KeyboardModifiers, int f, int r) {
      Call c{button, f, r, raw->GetInputState(), MoveRec()};
      raw->GetPendingMove(c.pending);
      calls_.push_back(c);
    };
    return b;
  }

  static QPoint Centre(TChessBoard &b, const char *sq) {
    return b.SquareToPixel(sq[0] - 'a' + 1, sq[1] - '0') + QPoint(b.SquareWidth() / 2, b.SquareHeight() / 2);
  }
  static void Send(TChessBoard &b, QEvent::Type type, QPoint at, Qt::MouseButton button,
                   Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(b.mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&b, &e);
  }
  static void Press(TChessBoard &b, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Send(b, QEvent::MouseButtonPress, at, button, button);
  }
  static void Release(TChessBoard &b, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    Send(b, QEvent::MouseButtonRelease, at, button, Qt::NoButton);
  }
  static void MoveTo(TChessBoard &b, QPoint at) {
    Send(b, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
  }
  static void Click(TChessBoard &b, const char *sq, Qt::MouseButton button = Qt::LeftButton) {
    Press(b, Centre(b, sq), button);
    Release(b, Centre(b, sq), button);
  }
  static void Drag(TChessBoard &b, const char *from, const char *to) {
    Press(b, Centre(b, from));
    MoveTo(b, Centre(b, from) + QPoint(3, 3));
    MoveTo(b, Centre(b, to));
    Release(b, Centre(b, to));
  }
  static std::string Coord(const MoveRec &m) { return m.ToText(mtCoordinate); }

  // The states reported since the last look, then forgotten.
  std::vector<int> States() {
    std::vector<int> s;
    for (const Call &c : calls_) s.push_back(c.state);
    calls_.clear();
    return s;
  }

  std::vector<Call> calls_;
};

using Seq = std::vector<int>;

TEST_F(InputTest, TwoClicks) {
  auto b = Owned();
  // A click on one's own piece chooses it; the owner hears of it on the
  // release.
  Press(*b, Centre(*b, "e2"));
  EXPECT_TRUE(calls_.empty());
  Release(*b, Centre(*b, "e2"));
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].file * 10 + calls_[0].rank, 52);
  EXPECT_EQ(States(), Seq{0});
  EXPECT_TRUE(b->HighlightOn());
  // The same square again cancels.
  Click(*b, "e2");
  EXPECT_EQ(States(), Seq{0});
  EXPECT_FALSE(b->HighlightOn());
  // A target square makes the move on its press.
  Click(*b, "e2");
  States();
  Press(*b, Centre(*b, "e4"));
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].state, 1);
  EXPECT_EQ(Coord(calls_[0].pending), "e2e4");
  Release(*b, Centre(*b, "e4"));
  EXPECT_EQ(calls_.size(), 1u);
  EXPECT_EQ(b->PieceAt(5, 4), pPawn);
  EXPECT_FALSE(b->HighlightOn());
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
  // An illegal second click reports 8 and changes nothing.
  calls_.clear();
  Click(*b, "g8");
  Click(*b, "g5");
  EXPECT_EQ(States(), (Seq{0, 8}));
  EXPECT_EQ(b->MoveList().Count(), 1);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
}

TEST_F(InputTest, DestinationFirstAndAlternatives) {
  auto b = Owned("4k3/p7/8/8/8/8/8/1N2KN2 b - - 0 1");
  b->DoMove(Move(*b, "a7a6"));
  MoveListO expected;
  b->Position().MovesForSquare(4, 2, expected);
  ASSERT_EQ(expected.Count(), 3);  // both knights and the king
  Click(*b, "d2");
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].state, 1);
  EXPECT_EQ(Coord(calls_[0].pending), Coord(expected.At(1)));
  Click(*b, "d2", Qt::RightButton);
  Click(*b, "d2", Qt::RightButton);
  ASSERT_EQ(calls_.size(), 3u);
  EXPECT_EQ(Coord(calls_[1].pending), Coord(expected.At(2)));
  EXPECT_EQ(Coord(calls_[2].pending), Coord(expected.At(3)));
  EXPECT_EQ(States(), (Seq{1, 2, 2}));
  EXPECT_EQ(b->PieceAt(4, 2), expected.At(3).piece);
  Click(*b, "d2", Qt::RightButton);
  EXPECT_EQ(States(), Seq{3});
  EXPECT_EQ(b->PieceAt(4, 2), pNone);
  EXPECT_EQ(b->MoveList().Count(), 1);
  // Used up: the square no longer answers; elsewhere the last move goes.
  Click(*b, "d2", Qt::RightButton);
  EXPECT_TRUE(calls_.empty());
  Click(*b, "h5", Qt::RightButton);
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].state, 4);
  EXPECT_EQ(Coord(calls_[0].pending), "a7a6");
  calls_.clear();
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
  EXPECT_EQ(b->MoveList().Count(), 0);
  Click(*b, "h5", Qt::RightButton);  // nothing left to take back
  EXPECT_TRUE(calls_.empty());

  // With right-click take-back off, a right click anywhere steps the
  // alternatives, and without them does nothing.
  b->SetSideToMove(cWhite);
  b->SetRightClickTakeBack(false);
  Click(*b, "d2");
  Click(*b, "h5", Qt::RightButton);
  EXPECT_EQ(States(), (Seq{1, 2}));
  b->DoMove(Move(*b, "a7a6"));
  Click(*b, "h5", Qt::RightButton);
  EXPECT_TRUE(calls_.empty());

  // A press on a man of the side not to move is a destination click.
  Click(*b, "a6");
  EXPECT_EQ(States(), Seq{8});
  EXPECT_FALSE(b->Dragging());
}

TEST_F(InputTest, PromotionByDragAndByClicks) {
  const char *fen = "1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1";
  auto b = Owned(fen);
  Drag(*b, "a7", "a8");
  EXPECT_EQ(States(), Seq{1});
  EXPECT_EQ(b->PieceAt(1, 8), pQueen);
  for (int piece : {pRook, pBishop, pKnight}) {
    Click(*b, "a8", Qt::RightButton);
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].state, 2);
    EXPECT_EQ(calls_[0].pending.promotion, piece);
    EXPECT_EQ(b->PieceAt(1, 8), piece);
    calls_.clear();
  }
  Click(*b, "a8", Qt::RightButton);
  EXPECT_EQ(States(), Seq{3});
  EXPECT_EQ(b->PieceAt(1, 7), pPawn);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  // Two clicks: a provisional queen; right clicks only change the piece
  // shown; the next left click anywhere makes the move with it.
  Click(*b, "a7");
  Press(*b, Centre(*b, "b8"));
  Release(*b, Centre(*b, "b8"));
  EXPECT_EQ(States(), (Seq{0, 0}));
  EXPECT_EQ(b->PieceAt(2, 8), pQueen);
  EXPECT_TRUE(b->HighlightOn());
  for (int piece : {pRook, pBishop, pKnight, pQueen, pRook}) {
    Click(*b, "h1", Qt::RightButton);
    EXPECT_EQ(b->DisplayRecord().PieceAt(2, 8), piece);
    EXPECT_EQ(b->PieceAt(2, 8), pQueen);
  }
  EXPECT_TRUE(calls_.empty());
  Click(*b, "e4");
  ASSERT_EQ(calls_.size(), 1u);
  EXPECT_EQ(calls_[0].state, 1);
  EXPECT_EQ(Coord(calls_[0].pending), "a7b8R");
  EXPECT_EQ(b->PieceAt(2, 8), pRook);
  EXPECT_EQ(b->MoveList().Count(), 1);
  EXPECT_FALSE(b->HighlightOn());
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  // Cancelling a provisional promotion takes it back.
  b->TakeBack();
  Click(*b, "a7");
  Click(*b, "a8");
  b->CancelInput();
  EXPECT_EQ(b->PieceAt(1, 7), pPawn);
  EXPECT_EQ(b->MoveList().Count(), 0);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
}

TEST_F(InputTest, IllegalAndOutsideDrags) {
  auto b = Owned();
  const QImage start = b->grab().toImage();
  Drag(*b, "e2", "e5");
  EXPECT_EQ(States(), Seq{8});
  EXPECT_EQ(b->grab().toImage(), start);
  EXPECT_TRUE(b->Position().IsStartPosition());

  // A drop outside the board puts the piece back and tells no one.
  Press(*b, Centre(*b, "g1"));
  MoveTo(*b, Centre(*b, "f3"));
  const QImage lifted = b->grab().toImage();
  EXPECT_NE(lifted, start);
  // Off the board the piece stays where it was last drawn.
  MoveTo(*b, QPoint(300, 100));
  EXPECT_EQ(b->grab().toImage(), lifted);
  Release(*b, QPoint(300, 100));
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(b->grab().toImage(), start);
  EXPECT_FALSE(b->Dragging());

  // Back to its own square after leaving it: nothing is chosen.
  Press(*b, Centre(*b, "g1"));
  MoveTo(*b, Centre(*b, "f3"));
  MoveTo(*b, Centre(*b, "g1"));
  Release(*b, Centre(*b, "g1"));
  EXPECT_EQ(States(), Seq{0});
  EXPECT_FALSE(b->HighlightOn());
  EXPECT_EQ(b->grab().toImage(), start);
  // Without leaving it, the press and release are a click.
  Drag(*b, "g1", "g1");
  EXPECT_EQ(States(), Seq{0});
  EXPECT_TRUE(b->HighlightOn());
  Click(*b, "g1");
  States();
  Drag(*b, "g1", "f3");
  EXPECT_EQ(States(), Seq{1});
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
}

// While a piece is lifted the other buttons do nothing (a right click
// would take a move back under it), and a change of set puts it back.
TEST_F(InputTest, ADragHoldsTheBoard) {
  auto b = Owned();
  b->DoMove(Move(*b, "e2e4"));
  Press(*b, Centre(*b, "e7"));
  MoveTo(*b, Centre(*b, "e6"));
  Press(*b, Centre(*b, "a3"), Qt::RightButton);
  Release(*b, Centre(*b, "a3"), Qt::RightButton);
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(b->MoveList().Count(), 1);
  Release(*b, Centre(*b, "e5"));
  EXPECT_EQ(States(), Seq{1});
  EXPECT_EQ(b->MoveList().Count(), 2);

  const int set24 = registry_.AddSynthetic("Syn24", 24, 24);
  Press(*b, Centre(*b, "g1"));
  MoveTo(*b, Centre(*b, "f3"));
  b->SetPieceType(set24);
  EXPECT_FALSE(b->Dragging());
  EXPECT_EQ(b->grab().toImage(), [&] {
    auto fresh = NewBoard();
    fresh->SetPieceType(set24);
    fresh->AssignPosition(b->Position());
    return fresh->grab().toImage();
  }());
  Release(*b, Centre(*b, "f3"));
  EXPECT_TRUE(calls_.empty());
}

TEST_F(InputTest, RightClickHandlerTakesTheButton) {
  auto b = Owned();
  b->DoMove(Move(*b, "e2e4"));
  std::vector<QPoint> got;
  std::vector<Qt::MouseButton> ups;
  b->OnRightClick = [&](int x, int y, bool &handled) {
    EXPECT_FALSE(handled);
    got.push_back(QPoint(x, y));
  };
  b->OnMouseUp = [&](Qt::MouseButton button, Qt::KeyboardModifiers, int, int) { ups.push_back(button); };
  Press(*b, QPoint(10, 20), Qt::RightButton);
  EXPECT_TRUE(got.empty());
  Release(*b, QPoint(10, 20), Qt::RightButton);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0], QPoint(10, 20));
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(b->MoveList().Count(), 1);  // no take-back
  EXPECT_EQ(ups, std::vector<Qt::MouseButton>{Qt::RightButton});
}

TEST_F(InputTest, SetupMode) {
  auto b = Owned();
  const QImage start = b->grab().toImage();
  b->BeginSetup();
  EXPECT_TRUE(b->InSetup());
  b->SetSetupPiece(pKnight);
  b->SetSetupColor(cWhite);
  const std::pair<int, int> cycle[] = {
      {pKnight, cWhite}, {pKnight, cBlack}, {pNone, cNone}, {pKnight, cWhite}};
  for (auto [piece, colour] : cycle) {
    Click(*b, "d4");
    EXPECT_EQ(b->PieceAt(4, 4), piece);
    EXPECT_EQ(b->ColourAt(4, 4), colour);
  }
  EXPECT_EQ(States(), (Seq{5, 7, 5, 7}));
  // A knight already there: the first click turns its colour.
  Click(*b, "b1");
  EXPECT_EQ(States(), Seq{7});
  EXPECT_EQ(b->ColourAt(2, 1), cBlack);
  EXPECT_EQ(b->GetSetupColor(), cBlack);

  // Right clicks step the tool down, past none, back to the king.
  for (int kind : {pPawn, pNone, pKing}) {
    Click(*b, "h5", Qt::RightButton);
    EXPECT_EQ(b->GetSetupPiece(), kind);
  }
  EXPECT_EQ(States(), (Seq{6, 6, 6}));

  // Pieces of either colour are dragged.
  Drag(*b, "e7", "e3");
  Drag(*b, "c1", "c6");
  EXPECT_EQ(States(), (Seq{5, 5}));
  EXPECT_EQ(b->PieceAt(5, 3), pPawn);
  EXPECT_EQ(b->ColourAt(5, 3), cBlack);
  EXPECT_EQ(b->PieceAt(3, 6), pBishop);
  EXPECT_EQ(b->PieceAt(3, 1), pNone);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  // The initial-position button redraws in set-up mode too.
  b->SetInitialPosition();
  EXPECT_TRUE(b->InSetup());
  EXPECT_EQ(b->grab().toImage(), start);

  // Refused: the position of BeginSetup comes back, no copy is left.
  b->ClearBoard();
  EXPECT_TRUE(b->IsEmpty());
  b->EndSetup(true);
  EXPECT_FALSE(b->InSetup());
  EXPECT_FALSE(b->Position().HasSavedCopy());
  EXPECT_TRUE(b->Position().IsStartPosition());
  EXPECT_EQ(b->grab().toImage(), start);

  // Accepted: the edited position is the new base, the move list empty.
  b->DoMove(Move(*b, "e2e4"));
  b->BeginSetup();
  b->ClearSquare(1, 2);
  b->EndSetup(true);
  EXPECT_FALSE(b->Position().HasSavedCopy());
  EXPECT_EQ(b->MoveList().Count(), 0);
  EXPECT_EQ(b->PieceAt(1, 2), pNone);
  b->DoMove(Move(*b, "e7e5"));
  b->ResetToBasePosition();
  EXPECT_EQ(b->PieceAt(1, 2), pNone);
  EXPECT_EQ(b->PieceAt(5, 4), pPawn);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  // Cancelled: back as it was.
  b->BeginSetup();
  b->SetSquare(4, 5, pQueen, cWhite);
  b->EndSetup(false);
  EXPECT_EQ(b->PieceAt(4, 5), pNone);
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));
}

TEST_F(InputTest, EnteredMovesEndWhatWasGoingOn) {
  // After a first click.
  auto b = Owned();
  Click(*b, "e2");
  b->EnterMove(Move(*b, "d2d4"));
  EXPECT_EQ(b->GetInputState(), 1);
  MoveRec pending;
  b->GetPendingMove(pending);
  EXPECT_EQ(Coord(pending), "d2d4");
  EXPECT_FALSE(b->HighlightOn());
  EXPECT_EQ(b->grab().toImage(), FreshGrab(*b));

  // During a promotion choice: the provisional queen goes first.
  auto p = Owned("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  Click(*p, "a7");
  Click(*p, "a8");
  p->EnterMove(Move(*p, "e1d1"));  // built before: a7-a8 is still on
  EXPECT_EQ(p->PieceAt(1, 7), pPawn);
  EXPECT_EQ(p->PieceAt(4, 1), pKing);
  EXPECT_EQ(p->MoveList().Count(), 1);
  EXPECT_EQ(p->grab().toImage(), FreshGrab(*p));

  // During a drag: the drag ends, the release does nothing.
  auto d = Owned();
  Press(*d, Centre(*d, "e2"));
  MoveTo(*d, Centre(*d, "e4"));
  calls_.clear();
  d->EnterMove(Move(*d, "d2d4"));
  EXPECT_FALSE(d->Dragging());
  EXPECT_EQ(d->grab().toImage(), FreshGrab(*d));
  Release(*d, Centre(*d, "e4"));
  EXPECT_TRUE(calls_.empty());
  EXPECT_EQ(d->PieceAt(5, 2), pPawn);
  EXPECT_EQ(d->MoveList().Count(), 1);
  EXPECT_EQ(d->grab().toImage(), FreshGrab(*d));
}

TEST_F(InputTest, NoMoveEnteredPastMove255) {
  auto b = Owned("4k3/8/8/8/8/8/8/4K3 b - - 0 255");
  const QImage before = b->grab().toImage();
  testutil::MessageRecorder rec;
  // Asking only answers; the refusal says why.
  EXPECT_TRUE(b->AtLastMove());
  EXPECT_FALSE(Owned("4k3/8/8/8/8/8/8/4K3 w - - 0 255")->AtLastMove());
  EXPECT_TRUE(rec.messages.empty());
  Drag(*b, "e8", "e6");  // no position allows it: nothing said
  EXPECT_TRUE(rec.messages.empty());
  calls_.clear();
  Drag(*b, "e8", "d8");
  Click(*b, "d7");  // destination first
  EXPECT_EQ(States(), (Seq{8, 8}));
  calls_.clear();
  Click(*b, "e8");  // the piece, then its square: two clicks
  Click(*b, "f7");
  const Seq twoClicks = States();
  ASSERT_FALSE(twoClicks.empty());
  EXPECT_EQ(twoClicks.back(), 8);
  EXPECT_EQ(b->grab().toImage(), before);
  EXPECT_EQ(b->MoveList().Count(), 0);
  // Each of the three ways says why.
  EXPECT_EQ(rec.messages, std::vector<std::string>(3, CommonText::S_LastMoveNumber));
}

}  // namespace

namespace {

// Pictures of input in a shipped set (written with TV_SHOT_DIR): a
// provisional promotion, a piece in mid-drag, and a set-up in progress.
// The lifted piece follows the pointer by its grab offset.
TEST_F(InputTest, PicturesOfInput) {
  auto b = Owned("1r2k3/P7/8/8/8/8/6PP/4K2R w K - 0 1");
  b->SetPieceType(FindPieceSet("Linares32"));
  Click(*b, "a7");
  Click(*b, "b8");
  Click(*b, "h1", Qt::RightButton);
  uitest::Snapshot(b.get(), "input_promotion_rook");
  b->CancelInput();

  const QPoint from = Centre(*b, "h2"), to = Centre(*b, "h4") + QPoint(5, -7);
  Press(*b, from + QPoint(4, 4));
  MoveTo(*b, to);
  uitest::Snapshot(b.get(), "input_mid_drag");
  const QImage img = b->grab().toImage();
  Release(*b, QPoint(-5, -5));
  // The piece is drawn where the pointer holds it, not square-aligned.
  EXPECT_NE(img, b->grab().toImage());
  const QPoint top = b->SquareToPixel(8, 2) + (to - from) - QPoint(4, 4);
  int outline = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) outline += img.pixel(top + QPoint(x, y)) == qRgb(0, 0, 0);
  EXPECT_GT(outline, 20);

  b->BeginSetup();
  b->SetSetupPiece(pQueen);
  Click(*b, "d4");
  Click(*b, "e5");
  Click(*b, "e5");
  Drag(*b, "e1", "c3");
  uitest::Snapshot(b.get(), "input_setup");
  b->EndSetup(false);
}

}  // namespace
