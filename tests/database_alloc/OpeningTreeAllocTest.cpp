// Building an opening tree takes every record from the arena of the first
// Clear: a second build of the same games allocates nothing, and neither
// does collecting the games of a node.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "AllocCounter.h"
#include "database/PDBMan.h"
#include "database/QZParser.h"

TEST(OpeningTreeAlloc, SecondBuildAfterClearAllocatesNothing) {
  const char *const openings[] = {
      "1. e4 e5 2. Nf3 (2. f4 exf4 {gambit} 3. Nf3) 2... Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O",
      "1. d4 d5 2. c4 e6 (2... c6 3. Nf3 (3. Nc3) 3... Nf6) 3. Nc3 Nf6 4. Bg5 Be7",
      "1. e4 c5 $1 2. Nf3 d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6 ({or} 5... g6)",
      "1. c4 e5 2. Nc3 Nf6 3. Nf3 Nc6 4. g3 d5 5. cxd5 Nxd5 6. Bg2",
  };
  const char *const results[] = {"1-0", "0-1", "1/2-1/2", "*"};
  std::vector<GameBuffer> games;
  for (int i = 0; i < 200; ++i) {
    GameBuffer buf;
    const std::string text = "[White \"Player " + std::to_string(i) + "\"][Result \"" +
                             results[i % 4] + "\"]\n\n" + openings[i % 4] + " " + results[i % 4] + "\n";
    ASSERT_TRUE(ParseGameText(text, i % 2 ? encFromTo : encIndexed, buf));
    games.push_back(std::move(buf));
  }
  auto tree = std::make_unique<PositionDatabaseO>();
  auto build = [&] {
    tree->Clear();
    for (size_t i = 0; i < games.size(); ++i) ASSERT_TRUE(tree->AddGame(games[i], static_cast<uint32_t>(i + 1)));
    ASSERT_EQ(tree->GameListCount(), 200);
    ASSERT_TRUE(tree->GoMove(1));
    ASSERT_GT(tree->GameListCount(), 0);
  };
  build();
  const long before = alloccount::Allocations();
  build();
  EXPECT_EQ(alloccount::Allocations() - before, 0);
  // The counter does count.
  auto probe = std::make_unique<int>(1);
  EXPECT_GT(alloccount::Allocations() - before, 0);
}
