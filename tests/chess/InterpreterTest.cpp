#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "chess/Intra.h"
#include "chess/Language.h"
#include "chess/Posns.h"
#include "foundation/LangMan.h"

namespace {

// "e2e4", "e7e8q" or "none".
std::string Coord(const MoveRec &m) {
  std::string s;
  s += static_cast<char>('a' + m.fromFile - 1);
  s += static_cast<char>('0' + m.fromRank);
  s += static_cast<char>('a' + m.toFile - 1);
  s += static_cast<char>('0' + m.toRank);
  if (m.promotion) s += "?pnbrqk"[m.promotion];
  return s;
}

class InterpreterTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetNotationLanguages(); }
  void TearDown() override { ResetNotationLanguages(); }

  // The move the text names in the position, or "none".
  std::string Read(const std::string &fen, const std::string &text, LanguageId lang = LangEnglish) {
    PositionO pos;
    EXPECT_TRUE(pos.SetFEN(fen)) << fen;
    pos.SetLanguage(lang);
    MoveRec m;
    if (!pos.InterpretMove(text, m)) return "none";
    return Coord(m);
  }
};

TEST_F(InterpreterTest, PawnCapturesInEveryForm) {
  const std::string fen = "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1";
  for (const char *t : {"exd5", "ed5", "ed", "e4xd5", "e4d5", "e4-d5", "exd5+", "e:d5"})
    EXPECT_EQ(Read(fen, t), "e4d5") << t;
  EXPECT_EQ(Read(fen, "ef"), "none");
  EXPECT_EQ(Read(fen, "ec"), "none");  // not neighbours

  const std::string ep = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
  for (const char *t : {"e5xd6ep", "exd6", "ed6", "ed", "e5d6", "edep", "ed6ep"})
    EXPECT_EQ(Read(ep, t), "e5d6") << t;
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN(ep));
  MoveRec m;
  ASSERT_TRUE(pos.InterpretMove("exd6", m));
  EXPECT_TRUE(m.IsEnPassant());
}

TEST_F(InterpreterTest, FileCapturesMustBeUnique) {
  // Two e-pawns can take on the d-file.
  const std::string two = "4k3/3p4/4P3/3p4/4P3/8/8/4K3 w - - 0 1";
  EXPECT_EQ(Read(two, "ed"), "none");
  EXPECT_EQ(Read(two, "exd"), "none");
  EXPECT_EQ(Read(two, "ed5"), "e4d5");
  EXPECT_EQ(Read(two, "exd7"), "e6d7");
  // A promotion capture counts too, so "ed" stays open.
  const std::string promo = "3rk3/4P3/8/3p4/4P3/8/8/4K3 w - - 0 1";
  EXPECT_EQ(Read(promo, "ed"), "none");
  EXPECT_EQ(Read(promo, "ed5"), "e4d5");
  EXPECT_EQ(Read(promo, "ed8Q"), "e7d8q");
  // With the capture onto d8 alone it needs a promotion letter.
  const std::string alone = "3rk3/4P3/8/8/8/8/8/4K3 w - - 0 1";
  EXPECT_EQ(Read(alone, "ed"), "none");
  EXPECT_EQ(Read(alone, "edN"), "e7d8n");
  EXPECT_EQ(Read(alone, "exd8=R"), "e7d8r");
}

TEST_F(InterpreterTest, PieceMovesAndDisambiguation) {
  const std::string fen = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
  EXPECT_EQ(Read(fen, "Nd2"), "none");
  EXPECT_EQ(Read(fen, "Nbd2"), "b1d2");
  EXPECT_EQ(Read(fen, "Nfd2"), "f3d2");
  EXPECT_EQ(Read(fen, "N1d2"), "b1d2");
  EXPECT_EQ(Read(fen, "N3d2"), "f3d2");
  EXPECT_EQ(Read(fen, "Nb1d2"), "b1d2");
  EXPECT_EQ(Read(fen, "Ng1"), "f3g1");
  EXPECT_EQ(Read(fen, "Nb1-d2"), "b1d2");
  EXPECT_EQ(Read(fen, "Nf3-d5"), "none");  // not a knight move
  EXPECT_EQ(Read(fen, "Bd2"), "none");
  EXPECT_EQ(Read(fen, "nxd4"), "f3d4");  // piece letters ignore case
  EXPECT_EQ(Read("4k3/8/8/8/8/8/4K3/R6R w - - 0 1", "R1d1"), "none");
  EXPECT_EQ(Read("4k3/8/8/8/8/8/4K3/R6R w - - 0 1", "Rhd1"), "h1d1");
  EXPECT_EQ(Read("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", "R5a3"), "a5a3");
}

TEST_F(InterpreterTest, PromotionNeedsALetter) {
  const std::string fen = "4k3/2P5/8/8/8/8/8/4K3 w - - 0 1";
  EXPECT_EQ(Read(fen, "c8"), "none");
  EXPECT_EQ(Read(fen, "c7c8"), "none");
  EXPECT_EQ(Read(fen, "c8Q"), "c7c8q");
  EXPECT_EQ(Read(fen, "c8=Q"), "c7c8q");
  EXPECT_EQ(Read(fen, "c8n"), "c7c8n");
  EXPECT_EQ(Read(fen, "c8B"), "c7c8b");
  EXPECT_EQ(Read(fen, "c7c8Q"), "c7c8q");
  EXPECT_EQ(Read(fen, "c7-c8R"), "c7c8r");
  EXPECT_EQ(Read(fen, "c8K"), "none");
  EXPECT_EQ(Read(fen, "c8D", LangDutch), "c7c8q");
}

TEST_F(InterpreterTest, PushesAndCoordinates) {
  const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  EXPECT_EQ(Read(start, "e4"), "e2e4");
  EXPECT_EQ(Read(start, "e3"), "e2e3");
  EXPECT_EQ(Read(start, "e5"), "none");
  EXPECT_EQ(Read(start, "e2-e4"), "e2e4");
  EXPECT_EQ(Read(start, "g1f3"), "g1f3");
  EXPECT_EQ(Read(start, "Ng1-f3"), "g1f3");
  EXPECT_EQ(Read(start, "Nf3!"), "none");  // not a move symbol the recogniser skips
  EXPECT_EQ(Read(start, ""), "none");
  // Blocked double step.
  EXPECT_EQ(Read("4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", "e4"), "none");
  EXPECT_EQ(Read("4k3/4p3/8/8/8/8/8/4K3 b - - 0 1", "e5"), "e7e5");
}

TEST_F(InterpreterTest, Castling) {
  const std::string both = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  for (const char *t : {"O-O", "0-0", "o-o", "O-O+", "e1g1"}) EXPECT_EQ(Read(both, t), "e1g1") << t;
  for (const char *t : {"O-O-O", "0-0-0", "o-o-o", "e1c1"}) EXPECT_EQ(Read(both, t), "e1c1") << t;
  EXPECT_EQ(Read(both, "OO"), "none");
  EXPECT_EQ(Read(both, "OOO"), "none");
  const std::string black = "r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1";
  EXPECT_EQ(Read(black, "O-O"), "e8g8");
  EXPECT_EQ(Read(black, "O-O-O"), "e8c8");
  // Without the right, and through check, castling is not read.
  EXPECT_EQ(Read("r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", "O-O"), "none");
  EXPECT_EQ(Read("r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1", "O-O-O"), "none");
  EXPECT_EQ(Read("r3k2r/8/8/8/8/8/5r2/R3K2R w KQk - 0 1", "O-O"), "none");
  // A king letter and the target square name a king step, never castling;
  // the full from and to squares do name it.
  for (const char *t : {"Kg1", "Kc1", "Kec1", "K1g1"}) EXPECT_EQ(Read(both, t), "none") << t;
  EXPECT_EQ(Read(both, "Ke1g1"), "e1g1");
  EXPECT_EQ(Read(both, "Kf1"), "e1f1");
}

TEST_F(InterpreterTest, LetterThatIsAlsoAFileFavoursThePawn) {
  // A b-pawn and a bishop can both take on c6: the states keep their order
  // and the last move found wins.
  const std::string fen = "4k3/8/2n5/1P6/4B3/8/8/4K3 w - - 0 1";
  EXPECT_EQ(Read(fen, "bxc6"), "b5c6");
  EXPECT_EQ(Read(fen, "bc6"), "b5c6");
  EXPECT_EQ(Read(fen, "Bxc6"), "e4c6");
  EXPECT_EQ(Read(fen, "Bc6"), "e4c6");
  // Coordinates win over a bishop that could also reach the square.
  EXPECT_EQ(Read("4k3/8/8/8/8/8/8/BN2K3 w - - 0 1", "b1c3"), "b1c3");
  // German and Dutch "d" is the queen's letter and a file.
  const std::string q = "4k3/8/8/4p3/3P4/8/7Q/4K3 w - - 0 1";
  EXPECT_EQ(Read(q, "dxe5", LangGerman), "d4e5");
  EXPECT_EQ(Read(q, "Dxe5", LangGerman), "h2e5");
  EXPECT_EQ(Read(q, "dxe5", LangDutch), "d4e5");
  EXPECT_EQ(Read(q, "Dxe5", LangDutch), "h2e5");
  EXPECT_EQ(Read(q, "Qxe5", LangEnglish), "h2e5");
  EXPECT_EQ(Read(q, "Qxe5", LangGerman), "none");
}

TEST_F(InterpreterTest, NotationLanguages) {
  const std::string start = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  EXPECT_EQ(Read(start, "Sf3", LangGerman), "g1f3");
  EXPECT_EQ(Read(start, "Nf3", LangGerman), "none");
  EXPECT_EQ(Read(start, "Pf3", LangDutch), "g1f3");
  EXPECT_EQ(Read(start, "pf3", LangDutch), "g1f3");
  EXPECT_EQ(Read(start, "Sg1-f3", LangGerman), "g1f3");
  EXPECT_EQ(Read("4k3/8/8/1p6/8/8/8/4KB2 w - - 0 1", "Lxb5", LangDutch), "f1b5");
  EXPECT_EQ(Read("4k3/8/8/1p6/8/8/8/4KB2 w - - 0 1", "Lxb5", LangGerman), "f1b5");
  // "Default" follows the current language.
  SetCurrentLang(LangGerman);
  EXPECT_EQ(Read(start, "Sf3", LangDefault), "g1f3");
  SetCurrentLang(LangEnglish);
  EXPECT_EQ(Read(start, "Sf3", LangDefault), "none");
}

TEST_F(InterpreterTest, FeedCharStatuses) {
  PositionO pos;
  MoveRec m;
  EXPECT_EQ(pos.FeedMoveChar('N', m), isMoreInput);
  EXPECT_EQ(pos.FeedMoveChar('f', m), isMoreInput);
  EXPECT_EQ(pos.FeedMoveChar('3', m), isRecognised);
  EXPECT_EQ(Coord(m), "g1f3");
  MoveRec again;
  EXPECT_EQ(pos.FeedMoveChar('+', again), isRecognised);  // skipped, status kept
  EXPECT_EQ(Coord(again), "g1f3");
  EXPECT_EQ(pos.FeedMoveChar('-', m), isMoreInput);  // a dash asks for more
  EXPECT_EQ(pos.TypedMoveText(), "Nf3+-");

  pos.ResetInterpreter();
  EXPECT_EQ(pos.FeedMoveChar('N', m), isMoreInput);
  EXPECT_EQ(pos.FeedMoveChar('z', m), isRejected);
  EXPECT_EQ(pos.FeedMoveChar('f', m), isRejected);  // stays rejected
  EXPECT_EQ(pos.FeedMoveChar('-', m), isRejected);
  EXPECT_EQ(pos.FeedMoveChar(kBackspaceChar, m), isRejected);
  EXPECT_EQ(pos.FeedMoveChar(kBackspaceChar, m), isRejected);   // "Nz" still refused
  EXPECT_EQ(pos.FeedMoveChar(kBackspaceChar, m), isMoreInput);  // back to "N"
  EXPECT_EQ(pos.TypedMoveText(), "N");
  EXPECT_EQ(pos.FeedMoveChar('c', m), isMoreInput);
  EXPECT_EQ(pos.FeedMoveChar('3', m), isRecognised);
  EXPECT_EQ(Coord(m), "b1c3");
  EXPECT_EQ(pos.FeedMoveChar(kEscapeChar, m), isMoreInput);
  EXPECT_EQ(pos.TypedMoveText(), "");
  EXPECT_EQ(pos.FeedMoveChar(kBackspaceChar, m), isMoreInput);  // nothing to drop

  // A move made resets the recogniser.
  EXPECT_EQ(pos.FeedMoveChar('e', m), isMoreInput);
  MoveRec e4;
  pos.BuildMove(5, 2, 5, 4, 0, e4);
  pos.MakeMove(e4);
  EXPECT_EQ(pos.TypedMoveText(), "");
  ASSERT_TRUE(pos.InterpretMove("e5", m));
  EXPECT_EQ(Coord(m), "e7e5");
}

TEST_F(InterpreterTest, SignificantTextKeepsFiveCharacters) {
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"));
  InterpreterO in;
  BasePositionO base = pos.Base();
  in.SetPosition(&base);
  MoveRec m;
  ASSERT_TRUE(in.InterpretText("e5d6ep", m));
  EXPECT_EQ(in.SignificantText(), "e5d6e");
  ASSERT_EQ(in.States().size(), 1u);
  EXPECT_EQ(in.States()[0], 26);
  EXPECT_EQ(Coord(m), "e5d6");
  // An unbound interpreter never recognises anything.
  InterpreterO unbound;
  EXPECT_FALSE(unbound.InterpretText("e4", m));
}

TEST_F(InterpreterTest, FillSanFieldsDisambiguation) {
  auto code = [](const std::string &fen, int ff, int fr, int tf, int tr) {
    PositionO pos;
    EXPECT_TRUE(pos.SetFEN(fen)) << fen;
    MoveRec m;
    pos.BuildMove(ff, fr, tf, tr, 0, m);
    return static_cast<int>(m.disambiguation);
  };
  EXPECT_EQ(code("4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1", 2, 1, 4, 2), 1);  // Nbd2
  EXPECT_EQ(code("4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 2, 1, 4, 2), 0);    // Nd2
  EXPECT_EQ(code("4k3/8/8/R7/8/8/8/R3K3 w - - 0 1", 1, 1, 1, 3), 3);    // R1a3
  EXPECT_EQ(code("4k3/8/8/8/8/8/4K3/R6R w - - 0 1", 1, 1, 4, 1), 2);    // Rad1
  EXPECT_EQ(code("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1", 1, 1, 2, 2), 4);  // Qa1b2
  // Pawn captures: 5 when the files do not tell them apart.
  EXPECT_EQ(code("4k3/3p4/4P3/3p4/4P3/8/8/4K3 w - - 0 1", 5, 4, 4, 5), 5);
  EXPECT_EQ(code("4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", 5, 4, 4, 5), 0);
  EXPECT_EQ(code("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 5, 2, 5, 4), 0);
  // The written notation follows the code.
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/Q7/8/Q1Q1K3 w - - 0 1"));
  MoveRec m;
  pos.BuildMove(1, 1, 2, 2, 0, m);
  EXPECT_EQ(m.ToText(mtShort, LangEnglish), "Qa1b2");
}

TEST_F(InterpreterTest, FillSanFieldsCheckCodes) {
  PositionO pos;
  MoveRec m;
  for (const char *t : {"f3", "e5", "g4"}) {
    ASSERT_TRUE(pos.InterpretMove(t, m)) << t;
    pos.CompleteMove(m);
    EXPECT_EQ(m.checkCode, gsNormal);
    pos.MakeMove(m);
  }
  const std::string before = pos.GetFEN();
  ASSERT_TRUE(pos.InterpretMove("Qh4", m));
  pos.CompleteMove(m);
  EXPECT_EQ(m.checkCode, gsCheckmate);
  EXPECT_EQ(m.ToText(mtShort, LangEnglish), "Qh4#");
  EXPECT_EQ(pos.GetFEN(), before);  // the trial move was taken back

  ASSERT_TRUE(pos.SetFEN("7k/8/5K2/8/8/8/8/6Q1 w - - 0 1"));
  pos.BuildMove(7, 1, 7, 6, 0, m);
  EXPECT_EQ(m.checkCode, gsStalemate);
  pos.BuildMove(7, 1, 7, 7, 0, m);
  EXPECT_EQ(m.checkCode, gsCheckmate);
  pos.BuildMove(7, 1, 7, 2, 0, m);
  EXPECT_EQ(m.checkCode, gsNormal);
  pos.BuildMove(7, 1, 7, 5, 0, m);
  EXPECT_EQ(m.checkCode, gsNormal);
  pos.BuildMove(7, 1, 8, 1, 0, m);
  EXPECT_EQ(m.checkCode, gsCheck);
  EXPECT_EQ(m.ToText(mtShort, LangEnglish), "Qh1+");
  // The null move needs no disambiguation.
  pos.FillMove(m);
  EXPECT_TRUE(m.IsNullMove());
  EXPECT_EQ(m.disambiguation, 0);
}

}  // namespace

namespace {

// Every legal move, written in short, long and coordinate notation in each
// built-in language, reads back as that move and writes the same text again.
// Positions come from random games, so promotions, en passant, castling,
// pins and ambiguous pieces all turn up.
TEST_F(InterpreterTest, EveryWrittenMoveReadsBack) {
  const char *starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
      "4k3/1P4P1/8/2N1N3/8/2N1N3/1p4p1/4K3 w - - 0 1",
      "1r2k2r/2P1P3/8/1Q3Q2/8/1q3q2/2p1p3/R3K1R1 b Qk - 0 1",
  };
  std::mt19937 rng(2024);
  int checked = 0;
  for (const char *fen : starts) {
    for (int game = 0; game < 2; ++game) {
      PositionO pos;
      ASSERT_TRUE(pos.SetFEN(fen));
      for (int ply = 0; ply < 36; ++ply) {
        MoveListO moves;
        for (int f = 1; f <= 8; ++f)
          for (int r = 1; r <= 8; ++r)
            if (pos.PieceAt(f, r) != pNone && pos.ColourAt(f, r) == pos.SideToMove())
              pos.MovesForSquare(f, r, moves);
        if (moves.Count() == 0) break;
        for (int i = 1; i <= moves.Count(); ++i) {
          MoveRec m = moves.Get(i);
          pos.CompleteMove(m);
          for (LanguageId lang : {LangEnglish, LangDutch, LangGerman}) {
            pos.SetLanguage(lang);
            for (int kind : {mtShort, mtLong, mtCoordinate}) {
              const std::string text = m.ToText(kind, lang);
              MoveRec read;
              ASSERT_TRUE(pos.InterpretMove(text, read)) << pos.GetFEN() << " " << text << " lang " << lang;
              ASSERT_TRUE(read.Equal(m)) << pos.GetFEN() << " " << text << " lang " << lang;
              pos.CompleteMove(read);
              ASSERT_EQ(read.ToText(kind, lang), text) << pos.GetFEN();
              ++checked;
            }
          }
        }
        MoveRec next = moves.Get(static_cast<int>(rng() % moves.Count()) + 1);
        pos.CompleteMove(next);
        pos.MakeMove(next);
      }
    }
  }
  EXPECT_GT(checked, 10000);
}

}  // namespace

namespace {

// Reading a whole text gives what feeding it character by character gives:
// the answer, the move handed out (also on failure), and the recogniser's
// text, states and status. Texts are written moves, their prefixes, with
// suffixes and with characters swapped, in positions of random games.
TEST_F(InterpreterTest, WholeTextReadsAsFedCharacters) {
  const char *starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      "4k3/1P4P1/8/2N1N3/8/2N1N3/1p4p1/4K3 w - - 0 1",
      "r3k2r/8/8/3pP3/8/8/8/R3K2R w KQkq d6 0 1",
  };
  const std::string alphabet = "abcdefgh12345678NBRQKPOo0-x+=#:epSTLD ";
  std::mt19937 rng(77);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  MoveRec sentinel;
  sentinel.SetMove(8, 8, 1, 1, 0);
  sentinel.checkCode = 4;
  int checked = 0, recognised = 0;
  for (const char *fen : starts) {
    PositionO pos;
    ASSERT_TRUE(pos.SetFEN(fen));
    for (int ply = 0; ply < 30; ++ply) {
      MoveListO moves;
      for (int f = 1; f <= 8; ++f)
        for (int r = 1; r <= 8; ++r)
          if (pos.PieceAt(f, r) != pNone && pos.ColourAt(f, r) == pos.SideToMove())
            pos.MovesForSquare(f, r, moves);
      if (moves.Count() == 0) break;
      std::vector<std::string> texts = {"O-O", "O-O-O", "0-0", "OO-", "O-O-", "", "-", "x"};
      for (int i = 1; i <= moves.Count(); ++i) {
        MoveRec m = moves.Get(i);
        pos.CompleteMove(m);
        for (int kind : {mtShort, mtLong, mtCoordinate}) {
          const std::string t = m.ToText(kind, LangEnglish);
          texts.push_back(t);
          texts.push_back(t.substr(0, t.size() - 1));
          texts.push_back(t + "-");
          texts.push_back(t + "+!");
          texts.push_back(t + "ep");
          std::string swapped = t;
          swapped[pick(static_cast<int>(t.size()))] = alphabet[pick(static_cast<int>(alphabet.size()))];
          texts.push_back(swapped);
        }
      }
      for (LanguageId lang : {LangEnglish, LangGerman}) {
        BasePositionO base = pos.Base();
        InterpreterO fed, whole;
        fed.SetPosition(&base);
        whole.SetPosition(&base);
        fed.SetLanguage(lang);
        whole.SetLanguage(lang);
        for (const std::string &text : texts) {
          MoveRec byChar = sentinel, byText = sentinel;
          fed.Reset();
          bool rejected = false;
          for (char c : text)
            if (fed.FeedChar(c, byChar) == isRejected) {
              rejected = true;
              break;
            }
          const bool expected = !rejected && fed.Status() == isRecognised;
          ASSERT_EQ(whole.InterpretText(text, byText), expected) << pos.GetFEN() << " " << text;
          ASSERT_EQ(std::memcmp(&byChar, &byText, sizeof(MoveRec)), 0) << pos.GetFEN() << " " << text;
          ASSERT_EQ(whole.Status(), fed.Status()) << text;
          ASSERT_EQ(whole.TypedText(), fed.TypedText()) << text;
          ASSERT_EQ(whole.SignificantText(), fed.SignificantText()) << text;
          ASSERT_EQ(whole.States(), fed.States()) << text;
          ++checked;
          if (expected) ++recognised;
        }
      }
      MoveRec next = moves.Get(pick(moves.Count()) + 1);
      pos.CompleteMove(next);
      pos.MakeMove(next);
    }
  }
  EXPECT_GT(checked, 20000);
  EXPECT_GT(recognised, 5000);
  EXPECT_GT(checked - recognised, 5000);
}

}  // namespace
