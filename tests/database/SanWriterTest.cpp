// The database's SAN writer: English letters, disambiguation, signs and
// move numbers, from a position and from the eleven-byte record.
#include <gtest/gtest.h>

#include "MailboxTestUtil.h"
#include "database/QZParser.h"
#include "database/QZUtils.h"

using namespace mbtest;

TEST(SanWriter, PinnedTexts) {
  struct Case {
    const char *fen;
    const char *move;
    bool force;
    const char *san;
  };
  const Case cases[] = {
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", false, "1. e4"},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", "e7e5", false, "e5"},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1", "e7e5", true, "1... e5"},
      {"rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 12", "g8f6", true, "12... Nf6"},
      {"4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 7", "b1d2", false, "7. Nbd2"},
      {"k7/8/8/8/8/4R3/8/4RK2 w - - 0 1", "e1e2", false, "1. R1e2"},
      {"4k3/8/8/8/8/8/8/R3K2R w - - 0 1", "a1d1", false, "1. Rd1"},
      {"8/2k5/8/3Q4/8/8/8/K2Q3Q w - - 0 1", "d1h5", false, "1. Qd1h5"},
      {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7a8n", false, "1. bxa8N"},
      {"r3k3/1P6/8/8/8/8/8/4K3 w - - 0 1", "b7b8q", false, "1. b8Q+"},
      {"4k3/8/8/8/8/8/6p1/4K2R b - - 0 40", "g2h1r", false, "gxh1R+"},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", false, "1. exd6"},
      {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", false, "1. O-O+"},
      {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", false, "1. O-O-O"},
      {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "a1b1", false, "1. Rb1"},  // a rook keeping its right
      {"7k/8/6K1/8/8/8/8/1Q6 w - - 0 1", "b1b8", false, "1. Qb8#"},
      {"7k/8/6K1/8/8/8/8/5Q2 w - - 0 1", "f1f7", false, "1. Qf7"},  // stalemate: no sign
      {"rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", "d8h4", false, "Qh4#"},
  };
  MoveGen gen;
  for (const Case &c : cases) {
    MailboxPos p;
    ASSERT_TRUE(p.SetFromFEN(c.fen)) << c.fen;
    const MailboxPos before = p;
    EXPECT_EQ(MoveToSAN(p, gen, ParseMove(c.move), c.force), c.san) << c.fen;
    EXPECT_EQ(p.cells, before.cells);
    // The record alone gives the same text.
    SanMoveRec rec;
    const std::string token = std::string(c.san).substr(std::string(c.san).rfind(' ') + 1);
    ASSERT_TRUE(ParseSANMoveRec(p, gen, token, rec)) << token;
    EXPECT_EQ(Move11ToSAN(rec, c.force), c.san);
  }
}

TEST(SanWriter, NoManOfTheSideToMoveGivesNoText) {
  MailboxPos p;
  p.SetStartPosition();
  EXPECT_EQ(MoveToSAN(p, ParseMove("e4e5"), true), "");
  EXPECT_EQ(MoveToSAN(p, ParseMove("e7e5"), true), "");
  EXPECT_EQ(MoveToSAN(p, ParseMove("g1f3"), true), "1. Nf3");
  SanMoveRec rec;
  EXPECT_EQ(Move11ToSAN(rec, true), "");
}
