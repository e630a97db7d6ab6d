// SAN writer and reader along random legal games, for every legal move of
// every position reached: the writer agrees with the chess core's short
// notation in English, the reader gives the written move back, and its
// record agrees with a trial make and the SAN information.
//
// Longer runs: database_tests --gtest_filter='SanProperty*' --san-seed=N --san-count=N
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "MailboxTestUtil.h"
#include "chess/Language.h"
#include "chess/Moves.h"
#include "chess/Posns.h"
#include "database/QZParser.h"
#include "database/QZUtils.h"

namespace {

// The count is games per start position.
mbtest::RunArgs Args() { return mbtest::ArgsFrom(testing::internal::GetArgvs(), "san", 3103, 12); }

// The number part the database writes: "12. " for White, "12... " for Black.
std::string Number(const MailboxPos &p) {
  return std::to_string(p.MoveNumber()) + (p.SideToMove() == 0 ? ". " : "... ");
}

}  // namespace

TEST(SanProperty, RandomGames) {
  const mbtest::RunArgs args = Args();
  std::mt19937 rng(args.seed);
  MoveGen gen;
  const char *starts[] = {
      "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
      "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
      // Many pieces of one kind: double disambiguation.
      "1k6/8/2Q1Q3/8/2Q1Q1N1/8/1N3N2/4K1R1 w - - 0 1",
      "r1n3nk/PPPP1P2/8/3pP3/8/8/2p3pp/R3K1N1 w Q d6 0 30",
      "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
  };
  long moves = 0;
  for (const char *fen : starts) {
    for (int game = 0; game < args.count; ++game) {
      PositionO core;
      ASSERT_TRUE(core.SetFEN(fen)) << fen;
      MailboxPos walk;
      ASSERT_TRUE(walk.SetFromFEN(fen));
      for (int ply = 0; ply < 120; ++ply) {
        const std::vector<Move2> legal = mbtest::LegalMoves(walk, gen);
        if (legal.empty()) break;
        const MailboxPos before = walk;
        for (Move2 m : legal) {
          ++moves;
          MoveRec r;
          walk.MoveToMoveRec(m, r);
          MoveRec built;
          core.BuildMove(r.fromFile, r.fromRank, r.toFile, r.toRank, r.promotion, built);
          const std::string coreText = built.ToText(mtShort, LangEnglish);
          const std::string where = core.GetFEN() + " " + coreText;

          // The writer: the core's text, behind the number when White moves
          // or the number is forced.
          const std::string san = MoveToSAN(walk, gen, m, false);
          const std::string expected = (walk.SideToMove() == 0 ? Number(walk) : "") + coreText;
          ASSERT_EQ(san, expected) << where;
          ASSERT_EQ(MoveToSAN(walk, gen, m, true), Number(walk) + coreText) << where;

          // The reader gives the same move back.
          Move2 back;
          ASSERT_TRUE(ParseSANMove(walk, gen, coreText, back)) << where;
          ASSERT_EQ(back, m) << where;

          // Its record: the undo record of a trial make and the SAN
          // information; the record writes the same text.
          SanMoveRec rec;
          ASSERT_TRUE(ParseSANMoveRec(walk, gen, coreText, rec)) << where;
          SanMoveRec info;
          walk.SanInfo(gen, m, info);
          MailboxPos trial = walk;
          MoveUndo undo;
          trial.MakeMove(m, undo);
          EXPECT_EQ(rec.move, m) << where;
          EXPECT_EQ(rec.undo.moved, undo.moved) << where;
          EXPECT_EQ(rec.undo.captured, undo.captured) << where;
          EXPECT_EQ(rec.undo.epCell, undo.epCell) << where;
          EXPECT_EQ(rec.undo.lostCastling, undo.lostCastling) << where;
          EXPECT_EQ(rec.disambiguation, info.disambiguation) << where;
          EXPECT_EQ(rec.capture, info.capture) << where;
          EXPECT_EQ(rec.gameState, info.gameState) << where;
          EXPECT_EQ(rec.moveNumber, info.moveNumber) << where;
          EXPECT_EQ(rec.side, info.side) << where;
          ASSERT_EQ(Move11ToSAN(rec, false), san) << where;
          ASSERT_TRUE(mbtest::SameState(walk, before)) << where;
          ASSERT_EQ(walk.cells, before.cells) << where;
          if (HasFailure()) return;
        }
        // Random tokens: whatever is accepted is a generated, legal move,
        // and the position stays as it was.
        for (int k = 0; k < 20; ++k) {
          static const char kAlphabet[] = "abcdefgh12345678KQRBNOo0xX:-+#=pe9.";
          std::string token(1 + rng() % 7, ' ');
          for (char &c : token) c = kAlphabet[rng() % (sizeof kAlphabet - 1)];
          Move2 m;
          if (ParseSANMove(walk, gen, token, m)) {
            int index = 0;
            ASSERT_TRUE(walk.MoveIndex(gen, m, index)) << token;
            ASSERT_TRUE(walk.IsLegalMove(m)) << token;
          }
          ASSERT_EQ(walk.cells, before.cells) << token;
        }
        if (walk.SideToMove() == 1 && walk.MoveNumber() == 255) break;
        const Move2 chosen = legal[rng() % legal.size()];
        MoveRec r;
        walk.MoveToMoveRec(chosen, r);
        MoveRec built;
        core.BuildMove(r.fromFile, r.fromRank, r.toFile, r.toRank, r.promotion, built);
        core.MakeMove(built);
        MoveUndo u;
        walk.MakeMove(chosen, u);
      }
    }
  }
  EXPECT_GT(moves, 20000);
}
