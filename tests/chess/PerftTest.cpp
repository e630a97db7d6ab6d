#include <gtest/gtest.h>

#include "chess/Posns.h"
#include "chess/TestPositions.h"

namespace {

struct PerftCase {
  const char *fen;
  std::vector<std::uint64_t> counts;  // depth 1, 2, ...
};

const PerftCase kCases[] = {
    {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", {20, 400, 8902, 197281}},
    {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -", {48, 2039, 97862}},
    {"8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - -", {14, 191, 2812, 43238}},
    {"r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1", {6, 264, 9467}},
    {"rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8", {44, 1486, 62379}},
    {"r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10", {46, 2079, 89890}},
};

TEST(PerftTest, StandardPositionsGivePublishedCounts) {
  for (const auto &c : kCases) {
    PositionO setup;
    ASSERT_TRUE(setup.SetFEN(c.fen)) << c.fen;
    BasePositionO pos = setup.Base();
    BasePositionO before = pos;
    testchess::Perft perft(pos);
    for (std::size_t d = 0; d < c.counts.size(); ++d)
      EXPECT_EQ(perft.Count(static_cast<int>(d + 1)), c.counts[d]) << c.fen << " depth " << d + 1;
    EXPECT_TRUE(pos.Equal(before)) << "make/unmake did not restore " << c.fen;
  }
}

}  // namespace
