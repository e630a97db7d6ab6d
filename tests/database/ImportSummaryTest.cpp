// A bulk import gives every game the move count and the mate, check,
// stalemate and comment flags the chess core's game gives it, so the
// searches for them and the games list's move column work on imported
// databases as on games stored one by one.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "MailboxTestUtil.h"
#include "TestUtil.h"
#include "chess/Diags.h"
#include "chess/Games.h"
#include "database/DatabaseMan.h"
#include "database/QZUtils.h"

namespace {

// A random game's text and what counting its main line gives.
struct MadeGame {
  std::string text;
  int plies = 0;
  uint8_t endState = gsNormal;
  bool commented = false;
};

MadeGame MakeGame(std::mt19937 &rng, int k) {
  static const char *const kResults[] = {"1-0", "0-1", "1/2-1/2", "*"};
  MadeGame g;
  MailboxPos p;
  p.SetStartPosition();
  MoveGen gen;
  std::string moves;
  if (k % 9 == 0) {
    moves += "{Before the first move} ";
    g.commented = true;
  }
  if (k % 11 == 0) moves += "{   } ";  // blanks make no comment
  bool number = false;
  const int length = k % 17 == 0 ? 0 : static_cast<int>(rng() % 140);
  for (int ply = 0; ply < length; ++ply) {
    const std::vector<Move2> legal = mbtest::LegalMoves(p, gen);
    if (legal.empty() || (p.SideToMove() == 1 && p.MoveNumber() == 255)) break;
    Move2 m = legal[rng() % legal.size()];
    // Leaning towards checks, so games end in check and mate often.
    if (rng() % 2 == 0)
      for (Move2 c : legal) {
        SanMoveRec info;
        p.SanInfo(gen, c, info);
        if (info.gameState == gsCheckmate || (info.gameState != gsNormal && rng() % 2 == 0)) {
          m = c;
          break;
        }
      }
    SanMoveRec info;
    p.SanInfo(gen, m, info);
    moves += MoveToSAN(p, gen, m, number) + " ";
    number = false;
    const MailboxPos before = p;
    MoveUndo undo;
    p.MakeMove(m, undo);
    ++g.plies;
    g.endState = info.gameState;
    switch (rng() % 40) {
      case 0:
        moves += "{A note} ";
        g.commented = true;
        number = true;
        break;
      case 1:
        moves += "; a line comment\r\n";
        g.commented = true;
        number = true;
        break;
      case 2:
        moves += "{ } $1 ";
        number = true;
        break;
      case 3:
      case 4:
        if (const Move2 alt = legal[rng() % legal.size()]; !(alt == m)) {
          const bool inside = rng() % 3 == 0;
          moves += "(" + MoveToSAN(before, gen, alt, true) + (inside ? " {inside}" : "") + ") ";
          g.commented = g.commented || inside;
          number = true;
        }
        break;
      default:
        break;
    }
  }
  const std::string result = kResults[rng() % 4];
  g.text = "[Event \"Corpus\"]\r\n[White \"White " + std::to_string(k % 13) + "\"]\r\n[Black \"Black " +
           std::to_string(k % 7) + "\"]\r\n[Result \"" + result + "\"]\r\n\r\n" + moves + result + "\r\n\r\n";
  return g;
}

// Random play hardly ever stalemates.
MadeGame Stalemate() {
  MadeGame g;
  g.text = "[White \"S\"]\r\n[Black \"T\"]\r\n[Result \"1/2-1/2\"]\r\n\r\n1. e3 a5 2. Qh5 Ra6 3. Qxa5 h5 "
           "4. h4 Rah6 5. Qxc7 f6 6. Qxd7+ Kf7 7. Qxb7 Qd3 8. Qxb8 Qh7 9. Qxc8 Kg6 10. Qe6 1/2-1/2\r\n\r\n";
  g.plies = 19;
  g.endState = gsStalemate;
  return g;
}

bool OpenDb(DatabaseO &db, const std::string &path) {
  bool report = false;
  return db.Open(path, nullptr, nullptr, report);
}

class ImportSummary : public ::testing::Test {
 protected:
  static constexpr int kGames = 400;

  void SetUp() override {
    std::mt19937 rng(60);
    std::string pgn;
    for (int k = 1; k <= kGames; ++k) {
      made.push_back(MakeGame(rng, k));
      if (k == kGames) made.back() = Stalemate();
      pgn += made.back().text;
    }
    dir.Write("corpus.pgn", pgn);
    ASSERT_TRUE(OpenDb(imported, dir.File("imported.qcx")));
    bool flag = false;
    ASSERT_TRUE(imported.ImportDatabase(dir.File("corpus.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(imported.GameCount(), kGames);
  }

  std::vector<int32_t> Found(const GameSearchMaskO &m) {
    const int s = imported.NewGameList();
    imported.SearchGames(&m, s, 0, nullptr);
    std::vector<int32_t> v;
    for (int32_t i = 1; i <= imported.GameListCount(s); ++i) v.push_back(imported.GameListGameNr(s, i));
    imported.FreeGameList(s);
    return v;
  }
  template <class Pred>
  std::vector<int32_t> Where(Pred pred) const {
    std::vector<int32_t> v;
    for (int32_t n = 1; n <= kGames; ++n)
      if (pred(made[static_cast<size_t>(n - 1)])) v.push_back(n);
    return v;
  }

  testutil::TempDir dir;
  testutil::AppDirGuard appDir{dir.Path()};
  std::vector<MadeGame> made;
  DatabaseO imported;
};

}  // namespace

TEST_F(ImportSummary, EachDescriptorEqualsTheOneTheStorePathGives) {
  DatabaseO stored, pasted;
  ASSERT_TRUE(OpenDb(stored, dir.File("stored.qcx")));
  ASSERT_TRUE(OpenDb(pasted, dir.File("pasted.qcx")));
  int mates = 0, checks = 0, stalemates = 0, comments = 0;
  for (int32_t n = 1; n <= kGames; ++n) {
    const MadeGame &g = made[static_cast<size_t>(n - 1)];
    GameO game;
    ParseResultT result;
    ASSERT_TRUE(game.ReadFromString(g.text, LangEnglish, result)) << g.text;
    ASSERT_EQ(stored.SaveGame(-1, game), n);
    ASSERT_EQ(pasted.SavePgnText(-1, g.text), n);
    GameDescriptor a, b, c;
    ASSERT_TRUE(imported.GameStore().ReadDescriptor(n, a));
    ASSERT_TRUE(stored.GameStore().ReadDescriptor(n, b));
    ASSERT_TRUE(pasted.GameStore().ReadDescriptor(n, c));
    EXPECT_EQ(a.moves, b.moves) << g.text;
    EXPECT_EQ(a.flags, b.flags) << g.text;
    EXPECT_EQ(c.moves, b.moves) << "pasted: " << g.text;
    EXPECT_EQ(c.flags, b.flags) << "pasted: " << g.text;
    mates += (a.flags & GameDescriptor::gfMate) != 0;
    checks += (a.flags & GameDescriptor::gfCheck) != 0;
    stalemates += (a.flags & GameDescriptor::gfStalemate) != 0;
    comments += (a.flags & GameDescriptor::gfComments) != 0;
    if (HasFailure()) return;
  }
  // The corpus reaches every flag.
  EXPECT_GT(mates, 3);
  EXPECT_GT(checks, 10);
  EXPECT_GT(comments, 10);
  EXPECT_GE(stalemates, 1);
}

TEST_F(ImportSummary, MoveRangesMatesChecksAndCommentsFindWhatTheTextHolds) {
  GameSearchMaskO range;
  range.SetSearchMoves(true);
  range.SetMovesLo(10);
  range.SetMovesHi(30);
  const auto inRange = Where([](const MadeGame &g) { return g.plies / 2 >= 10 && g.plies / 2 <= 30; });
  ASSERT_FALSE(inRange.empty());
  EXPECT_EQ(Found(range), inRange);

  GameSearchMaskO mates;
  mates.SetSearchMates(true);
  const auto mated = Where([](const MadeGame &g) { return g.plies > 0 && g.endState == gsCheckmate; });
  ASSERT_FALSE(mated.empty());
  EXPECT_EQ(Found(mates), mated);

  GameSearchMaskO checks;
  checks.SetSearchChecks(true);
  EXPECT_EQ(Found(checks), Where([](const MadeGame &g) { return g.plies > 0 && g.endState == gsCheck; }));

  GameSearchMaskO stalemates;
  stalemates.SetSearchEquals(true);
  const auto stalemated = Where([](const MadeGame &g) { return g.plies > 0 && g.endState == gsStalemate; });
  ASSERT_EQ(stalemated.back(), kGames);
  EXPECT_EQ(Found(stalemates), stalemated);

  GameSearchMaskO texts;
  texts.SetSearchTxts(true);
  EXPECT_EQ(Found(texts), Where([](const MadeGame &g) { return g.commented; }));
}

TEST_F(ImportSummary, TheGamesListShowsAndSortsByTheCount) {
  const int s = imported.NewGameList();
  for (int32_t n = 1; n <= 40; ++n) imported.AddGameToList(s, n);
  ListColumnsO cols;
  cols.AddColumnByKey("nrofmoves", 0);
  imported.GameListColumns(s).Assign(cols);
  imported.GameListChanged(s);
  for (int32_t n = 1; n <= 40; ++n)
    EXPECT_EQ(imported.GameListRowTexts(s, n)[0], std::to_string(made[static_cast<size_t>(n - 1)].plies / 2)) << n;
  imported.SetGameListSort(s, ckNrOfMoves);
  for (int32_t i = 2; i <= 40; ++i)
    EXPECT_LE(made[static_cast<size_t>(imported.GameListGameNr(s, i - 1) - 1)].plies / 2,
              made[static_cast<size_t>(imported.GameListGameNr(s, i) - 1)].plies / 2)
        << i;
}
