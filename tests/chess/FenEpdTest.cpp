#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "chess/Language.h"
#include "chess/Posns.h"
#include "platform/Errors.h"

namespace {

const char *kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST(FenTest, StartPositionText) {
  PositionO pos;
  EXPECT_EQ(pos.GetFEN(), kStart);
  EXPECT_EQ(pos.GetEPD(), "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq -");
  ASSERT_TRUE(pos.SetFEN(kStart));
  EXPECT_TRUE(pos.IsStartPosition());
}

TEST(FenTest, RoundTrips) {
  const std::vector<std::string> fens = {
      kStart,
      "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3",
      "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
      "r3k2r/8/8/8/8/8/8/R3K2R w Kq - 0 25",
      "r3k2r/8/8/8/8/8/8/R3K2R b Qk - 0 1",
      "4k3/8/8/8/8/8/8/4K3 w - - 0 200",
      "4k3/8/8/8/8/8/8/4K3 b - - 0 255",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
      "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 0 8",
      // A promoted queen beside seven pawns.
      "4k3/8/8/8/8/8/PPPPPPP1/QQ2K3 w - - 0 60",
  };
  for (const std::string &fen : fens) {
    PositionO pos;
    ASSERT_TRUE(pos.SetFEN(fen)) << fen;
    EXPECT_EQ(pos.GetFEN(), fen);
    PositionO again;
    ASSERT_TRUE(again.SetFEN(pos.GetFEN()));
    EXPECT_TRUE(again.SameAs(pos)) << fen;
  }
}

TEST(FenTest, EnPassantFieldAfterADoubleStep) {
  PositionO pos;
  MoveRec m;
  pos.BuildMove(5, 2, 5, 4, 0, m);
  pos.MakeMove(m);
  EXPECT_EQ(pos.GetFEN(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
  ASSERT_TRUE(pos.SetFEN("rnbqkbnr/ppp1pppp/8/8/3p4/8/PPPPPPPP/RNBQKBNR w KQkq - 0 3"));
  pos.BuildMove(5, 2, 5, 4, 0, m);
  pos.MakeMove(m);
  EXPECT_EQ(pos.GetFEN(), "rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3");
}

TEST(FenTest, EnPassantFileOnlyBesideAnEnemyPawn) {
  const auto play = [](PositionO &pos, std::initializer_list<const char *> moves) {
    for (const char *m : moves) {
      MoveRec r;
      pos.BuildMove(m[0] - 'a' + 1, m[1] - '0', m[2] - 'a' + 1, m[3] - '0', 0, r);
      pos.MakeMove(r);
    }
  };
  // Beside e4 stand White's own d4 pawn and nothing: no file, and the
  // position is the one reached without the double step.
  PositionO own;
  play(own, {"d2d4", "d7d5", "e2e4"});
  EXPECT_EQ(own.GetFEN(), "rnbqkbnr/ppp1pppp/8/3p4/3PP3/8/PPP2PPP/RNBQKBNR b KQkq - 0 2");
  PositionO set;
  ASSERT_TRUE(set.SetFEN("rnbqkbnr/ppp1pppp/8/3p4/3PP3/8/PPP2PPP/RNBQKBNR b KQkq - 0 2"));
  EXPECT_TRUE(own.SameAs(set));
  // Beside f5 stands White's e5 pawn: the file stays.
  PositionO enemy;
  play(enemy, {"e2e4", "d7d5", "e4e5", "f7f5"});
  EXPECT_EQ(enemy.GetFEN(), "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3");
}

TEST(FenTest, LenientForms) {
  PositionO pos;
  // Text ending after the en-passant field: move 1.
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K3 b - -"));
  EXPECT_EQ(pos.GetFEN(), "4k3/8/8/8/8/8/8/4K3 b - - 0 1");
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K3 w - - 12"));
  EXPECT_EQ(pos.MoveNumber(), 1);
  // "-" for the half-move clock, extra blanks, a line end.
  ASSERT_TRUE(pos.SetFEN("  4k3/8/8/8/8/8/8/4K3   w   -   -   -   7 \r\n"));
  EXPECT_EQ(pos.MoveNumber(), 7);
  EXPECT_EQ(pos.SideToMove(), cWhite);
  // Full-move number 0 reads as 1.
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K3 w - - 0 0"));
  EXPECT_EQ(pos.MoveNumber(), 1);
  // The en-passant field as target or pawn square, in either case.
  for (const char *ep : {"e3", "e4", "E3", "E4"}) {
    ASSERT_TRUE(pos.SetFEN(std::string("4k3/8/8/8/3pP3/8/8/4K3 b - ") + ep + " 0 9")) << ep;
    EXPECT_EQ(pos.EnPassantFile(), 5) << ep;
    EXPECT_EQ(pos.GetFEN(), "4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 9");
  }
  // A " " ends the placement; the ranks below stay empty.
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K w - -"));
  ASSERT_TRUE(pos.SetFEN("k7/8/K w - -"));
  EXPECT_TRUE(pos.IsPieceAt(1, 6, pKing, cWhite));
  // Short ranks before "/" leave their squares empty.
  ASSERT_TRUE(pos.SetFEN("k/8/K/8/8/8/8/8 w - - 0 1"));
  EXPECT_EQ(pos.GetFEN(), "k7/8/K7/8/8/8/8/8 w - - 0 1");
  // Castling letters are only taken in the order K, Q, k, q.
  EXPECT_FALSE(pos.SetFEN("r3k2r/8/8/8/8/8/8/R3K2R w QK - 0 1"));
}

TEST(FenTest, RefusedTextsLeaveThePositionAsItWas) {
  const char *kept = "r3k2r/8/8/8/8/8/8/R3K2R b Kq - 0 42";
  const std::vector<std::string> bad = {
      "",
      "   ",
      "4k3/8/8/8/8/8/8/4K3",         // no side
      "4k3/8/8/8/8/8/8/4K3 x - -",   // bad side
      "4k3/8/8/8/8/8/8/4K3 w",       // no castling field
      "4k3/8/8/8/8/8/8/4K3 w -",     // no en-passant field
      "4k3/8/8/8/8/8/8/4K3 w - z3",  // en passant off the board
      "4k3/8/8/8/8/8/8/4K3 w - i3",
      "4k3/8/8/8/8/8/8/4K3 w - e9",
      "4k3/8/8/8/8/8/8/4K3 w - e0",
      "4k3/8/8/8/8/8/8/4K3 w - e",
      "4k3/8/8/8/8/8/8/4K3 w - e3x",
      "4k3/8/8/8/8/8/8/4K3 w - - 0 256",  // move number past 255
      "4k3/8/8/8/8/8/8/4K3 w - - 0 99999999999",
      "4k3/8/8/8/8/8/8/4K3 w - - 99999999999 1",
      "4k3/8/8/8/8/8/8/4K3 w - - x 1",
      "4k3/8/8/8/8/8/8/4K3 w - - 0 1 extra",
      "4k3/8/8/8/8/8/8/4K3 w - - 0 -1",
      "4k3/8/8/8/8/8/8/4K3/k7 w - -",  // a rank past 1
      "4k3/8/8/8/8/8/8/4K3/ w - -",
      "4k4/8/8/8/8/8/8/4K3 w - -",  // more than eight files
      "rnbqkbnrr/8/8/8/8/8/8/4K3 w - -",
      "4k3/8/8/8/8/8/8/4K2X w - -",  // not a piece letter
      "4k3/8/8/9/8/8/8/4K3 w - -",
      "4k3/8/8/8/8/8/8/4K3 w KQkq -",            // rights without the men
      "8/8/8/8/8/8/8/8 w - - 0 1",               // empty board
      "4k3/8/8/8/8/8/8/8 w - - 0 1",             // no white king
      "4k3/8/8/8/8/8/8/3KK3 w - - 0 1",          // two white kings
      "4k3/8/8/8/8/8/4R3/4K3 w - - 0 1",         // side not to move in check
      "4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1",   // nine pawns
      "4k3/8/8/8/8/8/PPPPPPPP/QQ2K3 w - - 0 1",  // eight pawns and an extra queen
  };
  for (const std::string &text : bad) {
    PositionO pos;
    ASSERT_TRUE(pos.SetFEN(kept));
    pos.AddEpdOp("id");
    bool ok = true;
    EXPECT_NO_THROW(ok = pos.SetFEN(text)) << text;
    EXPECT_FALSE(ok) << text;
    EXPECT_EQ(pos.GetFEN(), kept) << text;
    EXPECT_EQ(pos.EpdOpCount(), 1) << text;
    bool epdOk = true;
    EXPECT_NO_THROW(epdOk = pos.SetEPD(text)) << text;
    EXPECT_FALSE(epdOk) << text;  // counters are no EPD operations
    EXPECT_EQ(pos.GetFEN(), kept) << text;
  }
}

TEST(FenTest, SetMoveNumberChecksItsRange) {
  PositionO pos;
  EXPECT_THROW(pos.SetMoveNumber(256), ERangeError);
  EXPECT_THROW(pos.SetMoveNumber(0), ERangeError);
  EXPECT_EQ(pos.MoveNumber(), 1);
  pos.SetMoveNumber(255);
  EXPECT_EQ(pos.MoveNumber(), 255);
}

TEST(EpdTest, OperationsReadAndWrittenBackUnchanged) {
  const std::string text = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm e4; id \"a b\"; c0 \"x;";
  PositionO pos;
  // Quoted operands are not unquoted: a quote with a blank gives two, and a
  // ";" inside quotes still ends the operation.
  ASSERT_TRUE(pos.SetEPD(text));
  ASSERT_EQ(pos.EpdOpCount(), 3);
  EXPECT_EQ(pos.EpdOpName(1), "bm");
  ASSERT_EQ(pos.EpdOperandCount(1), 1);
  EXPECT_EQ(pos.EpdOperand(1, 1), "e4");
  EXPECT_EQ(pos.EpdOpName(2), "id");
  ASSERT_EQ(pos.EpdOperandCount(2), 2);
  EXPECT_EQ(pos.EpdOperand(2, 1), "\"a");
  EXPECT_EQ(pos.EpdOperand(2, 2), "b\"");
  EXPECT_EQ(pos.EpdOperandCount(3), 1);
  EXPECT_EQ(pos.GetEPD(), text);
  EXPECT_EQ(pos.MoveNumber(), 1);

  // Extra blanks between items are dropped; operations without operands.
  ASSERT_TRUE(pos.SetEPD("4k3/8/8/8/8/8/8/4K3 b - e3   noop ;  hmvc   0 ;"));
  EXPECT_EQ(pos.GetEPD(), "4k3/8/8/8/8/8/8/4K3 b - e3 noop; hmvc 0;");
  ASSERT_TRUE(pos.SetEPD("4k3/8/8/8/8/8/8/4K3 b - -"));
  EXPECT_EQ(pos.EpdOpCount(), 0);

  // An operation must end with ";" and have a name.
  EXPECT_FALSE(pos.SetEPD("4k3/8/8/8/8/8/8/4K3 w - - bm e4"));
  EXPECT_FALSE(pos.SetEPD("4k3/8/8/8/8/8/8/4K3 w - - ;"));
  EXPECT_FALSE(pos.SetEPD("4k3/8/8/8/8/8/8/4K3 w - -bm e4;"));

  // Index checks.
  EXPECT_THROW(pos.EpdOpName(0), ERangeError);
  EXPECT_THROW(pos.EpdOperand(1, 1), ERangeError);
  int op = pos.AddEpdOp("pv");
  EXPECT_EQ(op, 1);
  pos.AddEpdOperand(op, "e4");
  pos.AddEpdOperand(op, "e5");
  EXPECT_EQ(pos.GetEPD(), "4k3/8/8/8/8/8/8/4K3 b - - pv e4 e5;");
  EXPECT_THROW(pos.EpdOperand(1, 3), ERangeError);

  // Assign copies the operations; SetFEN clears them.
  PositionO copy;
  copy.Assign(pos);
  EXPECT_EQ(copy.GetEPD(), pos.GetEPD());
  ASSERT_TRUE(copy.SetFEN(kStart));
  EXPECT_EQ(copy.EpdOpCount(), 0);
  EXPECT_EQ(pos.EpdOpCount(), 1);
}

// Records the hook calls it gets.
class RecordingObserver : public PositionObserverO {
 public:
  explicit RecordingObserver(std::vector<std::string> *log) : log_(log) {}
  void MoveMade(const MoveRec &m) override { log_->push_back("made " + m.ToText(mtCoordinate, LangEnglish)); }
  void MoveUnmade(const MoveRec &m) override {
    log_->push_back("unmade " + m.ToText(mtCoordinate, LangEnglish));
  }

 private:
  std::vector<std::string> *log_;
};

TEST(PositionTest, HelpersFollowMovesAndAssignments) {
  ResetNotationLanguages();
  PositionO pos;
  std::vector<std::string> log;
  pos.SetObserver(std::make_unique<RecordingObserver>(&log));
  EXPECT_EQ(pos.Observer()->Position(), &pos);
  pos.EnablePicker();
  MoveRec e4;
  ASSERT_TRUE(pos.InterpretMove("e4", e4));
  pos.CompleteMove(e4);
  pos.MakeMove(e4);
  // The picker and the rules agree on the new position.
  MoveListO picked, plain;
  pos.MovesForSquare(5, 7, picked);
  ASSERT_EQ(picked.Count(), 2);
  MoveRec e5;
  ASSERT_TRUE(pos.InterpretMove("e5", e5));
  pos.CompleteMove(e5);
  pos.MakeMove(e5);
  pos.UnmakeMove(e5);
  EXPECT_EQ(log, (std::vector<std::string>{"made e2e4", "made e7e5", "unmade e7e5"}));
  pos.MovesForSquare(4, 5, picked = MoveListO());
  EXPECT_EQ(picked.Count(), 1);  // d7-d5 only
  pos.DisablePicker();
  pos.MovesForSquare(4, 5, plain);
  EXPECT_EQ(plain.Count(), 1);
  pos.MovesForSquare(4, 7, plain = MoveListO());
  EXPECT_EQ(plain.Count(), 2);  // d6 and d5 from d7

  // Assigning a position keeps the helpers bound to this object.
  PositionO other;
  ASSERT_TRUE(other.SetFEN("4k3/8/8/8/8/8/4P3/4K3 w - - 0 30"));
  pos.EnablePicker();
  pos.Assign(other);
  EXPECT_TRUE(pos.SameAs(other));
  MoveRec m;
  ASSERT_TRUE(pos.InterpretMove("e4", m));
  pos.MovesForSquare(5, 2, picked = MoveListO());
  EXPECT_EQ(picked.Count(), 2);
  other.Reset();
  EXPECT_FALSE(pos.SameAs(other));
  EXPECT_TRUE(other.IsStartPosition());
}

TEST(PositionTest, PickerFollowsSetUpEdits) {
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
  pos.EnablePicker();
  MoveListO list;
  pos.MovesForSquare(4, 1, list);  // Ra1-d1 and Ke1-d1
  EXPECT_EQ(list.Count(), 2);
  // The rook taken off the board is no longer offered.
  pos.SetCastling(cWhite, csQueenSide, false);
  pos.ClearSquare(1, 1);
  pos.MovesForSquare(4, 1, list = MoveListO());
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(1).piece, pKing);
  // A knight put on b2 is offered; so are the moves of the side now to move.
  pos.SetSquare(2, 2, pKnight, cWhite);
  pos.MovesForSquare(4, 1, list = MoveListO());
  EXPECT_EQ(list.Count(), 2);
  pos.SetSideToMove(cBlack);
  pos.MovesForSquare(4, 8, list = MoveListO());
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Get(1).colour, cBlack);
  pos.ClearBoard();
  pos.MovesForSquare(4, 8, list = MoveListO());
  EXPECT_EQ(list.Count(), 0);
}

TEST(PositionTest, SavedCopy) {
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/4P3/4K3 w - - 0 30"));
  const std::string before = pos.GetFEN();
  // A valid trial set-up stays with the flag, goes without it.
  pos.SaveCopy();
  pos.SetSquare(1, 1, pRook, cWhite);
  pos.RestoreCopy(true);
  EXPECT_TRUE(pos.IsPieceAt(1, 1, pRook, cWhite));
  EXPECT_FALSE(pos.HasSavedCopy());
  pos.ClearSquare(1, 1);
  pos.SaveCopy();
  pos.SetSquare(1, 1, pRook, cWhite);
  pos.RestoreCopy(false);
  EXPECT_EQ(pos.GetFEN(), before);
  // An invalid one is always undone.
  pos.SaveCopy();
  pos.ClearSquare(5, 8);
  EXPECT_FALSE(pos.IsValid());
  pos.RestoreCopy(true);
  EXPECT_EQ(pos.GetFEN(), before);
  EXPECT_TRUE(pos.IsValid());
  // The rules follow the restored record.
  MoveRec m;
  EXPECT_TRUE(pos.InterpretMove("Kd8", m) == false);
  EXPECT_TRUE(pos.InterpretMove("e4", m));
}

TEST(PositionTest, LanguageReachesTheInterpreter) {
  ResetNotationLanguages();
  PositionO pos;
  MoveRec m;
  pos.SetLanguage(LangGerman);
  EXPECT_EQ(pos.Language(), LangGerman);
  EXPECT_EQ(pos.Base().Language(), LangGerman);
  EXPECT_TRUE(pos.InterpretMove("Sf3", m));
  // FEN keeps the English letters and the object's language.
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K1N1 w - - 0 1"));
  EXPECT_EQ(pos.Language(), LangGerman);
  EXPECT_TRUE(pos.InterpretMove("Sf3", m));
  EXPECT_EQ(pos.GetFEN(), "4k3/8/8/8/8/8/8/4K1N1 w - - 0 1");
}

}  // namespace
