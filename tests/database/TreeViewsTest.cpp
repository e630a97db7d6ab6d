// Tree views and the key view of an open database: move rows that follow
// the tree's node and sort, the games a view takes in, its slots, and the
// key view's rows over the key tree's current node.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "foundation/Lists.h"
#include "foundation/comDlgAbort.h"
#include "platform/Errors.h"
#include "platform/Files.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

bool OpenDb(DatabaseO &db, const std::string &path) {
  bool importReport = false;
  return db.Open(path, nullptr, nullptr, importReport);
}

std::string Game(const std::string &white, const std::string &result, const std::string &moves,
                 const std::string &extraTags = "") {
  return "[Event \"E\"]\r\n[Site \"S\"]\r\n[Date \"2020.01.01\"]\r\n[Round \"1\"]\r\n[White \"" + white +
         "\"]\r\n[Black \"B\"]\r\n[Result \"" + result + "\"]\r\n" + extraTags + "\r\n" + moves + " " + result +
         "\r\n";
}

int32_t Store(DatabaseO &db, const std::string &text) {
  const int32_t n = db.SavePgnText(-1, text);
  EXPECT_GT(n, 0);
  return n;
}

// The SAN of each row in row order.
std::vector<std::string> RowMoves(DatabaseO &db, int v) {
  std::vector<std::string> out;
  for (int32_t r = 1; r <= db.TreeRowCount(v); ++r) out.push_back(db.TreeRowTexts(v, r)[1]);
  return out;
}

std::set<int32_t> NodeGames(DatabaseO &db, int v) {
  std::set<int32_t> out;
  const int count = db.TreeGameListCount(v);
  for (int i = 1; i <= count; ++i) out.insert(db.TreeGameListItem(v, i));
  return out;
}

int RowOfMove(DatabaseO &db, int v, const std::string &san) {
  for (int32_t r = 1; r <= db.TreeRowCount(v); ++r)
    if (db.TreeRowTexts(v, r)[1] == san) return r;
  return 0;
}

// A found list of twenty games with three first moves, and five games
// outside it. 1. d4: 3 White wins and 1 Black win of 4; 1. e4: 2 and 5 of
// 10; 1. c4: 1 and 0 of 6.
struct TwentyGames {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO db;
  int list = 0;
  std::set<int32_t> listed, e4Games;

  TwentyGames() {
    EXPECT_TRUE(OpenDb(db, dir.File("t.qcx")));
    for (int i = 0; i < 5; ++i) Store(db, Game("Out", "1-0", "1. b3 e5"));
    list = db.NewGameList();
    auto add = [&](const std::string &result, const std::string &moves) {
      const int32_t n = Store(db, Game("In", result, moves));
      db.AddGameToList(list, n);
      listed.insert(n);
      return n;
    };
    for (const char *r : {"1-0", "1-0", "0-1", "1-0"}) add(r, "1. d4 d5 2. c4");
    const char *e4[] = {"1-0", "0-1", "0-1", "1/2-1/2", "0-1", "1-0", "1/2-1/2", "0-1", "1/2-1/2", "0-1"};
    for (int i = 0; i < 10; ++i) e4Games.insert(add(e4[i], i % 2 ? "1. e4 c5 2. Nf3" : "1. e4 e5 2. Nf3 Nc6"));
    for (const char *r : {"1-0", "1/2-1/2", "1/2-1/2", "1/2-1/2", "1/2-1/2", "1/2-1/2"}) add(r, "1. c4 e5");
  }
};

}  // namespace

TEST(TreeView, RootRowsStatisticsAndSteps) {
  TwentyGames t;
  DatabaseO &db = t.db;
  const int v = db.NewTreeView(t.list);
  ASSERT_EQ(v, 1);
  EXPECT_EQ(db.TreeGameCount(v), 20);
  EXPECT_FALSE(db.TreeStoppedFull(v));

  // Kind 0: the tree's order, the order the moves were first added.
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"1. d4", "1. e4", "1. c4"}));
  const RowTextsT &d4 = db.TreeRowTexts(v, 1);
  EXPECT_EQ(std::vector<std::string>(d4.begin(), d4.begin() + 6),
            (std::vector<std::string>{"1", "1. d4", "4", "3", "1", ""}));
  uint32_t games, white, black;
  db.TreeMoveStats(v, 1, games, white, black);
  EXPECT_EQ(games, 4u);
  EXPECT_EQ(white, 3u);
  EXPECT_EQ(black, 1u);
  StrListO stats;
  db.TreeStatisticsText(v, stats);
  bool gameRecords = false;
  for (int i = 1; i <= stats.Count(); ++i) gameRecords = gameRecords || stats.Get(i) == "nr of game records : 20";
  EXPECT_TRUE(gameRecords);
  EXPECT_EQ(NodeGames(db, v), t.listed);

  // Into 1. e4 and back: the rows follow the node.
  const int e4 = db.TreeRowGameNr(v, RowOfMove(db, v, "1. e4"));
  EXPECT_EQ(db.TreeRowOfGame(v, e4), 2);
  db.TreeSetSelectedMove(v, e4);
  ASSERT_TRUE(db.TreeGoMove(v, e4));
  EXPECT_TRUE(db.TreeCanGoBack(v));
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"e5", "c5"}));
  EXPECT_EQ(NodeGames(db, v), t.e4Games);
  EXPECT_EQ(db.TreePathMoves(v).Count(), 1);
  ASSERT_TRUE(db.TreeGoBack(v));
  EXPECT_EQ(db.TreeRowCount(v), 3);
  EXPECT_EQ(db.TreeSelectedMove(v), e4);
  EXPECT_FALSE(db.TreeCanGoBack(v));
  EXPECT_TRUE(db.TreeHasMove(v, db.TreeGetMove(v, e4)));
  EXPECT_EQ(db.TreeIndexOfMove(v, db.TreeGetMove(v, e4)), e4);
  db.TreeGoMove(v, e4);
  db.TreeGoRoot(v);
  EXPECT_EQ(db.TreeRowCount(v), 3);
  EXPECT_EQ(db.TreePathMoves(v).Count(), 0);

  // The count kinds put larger counts first; MoveNr keeps the index order.
  db.SetTreeSort(v, ckMoveTotalCount);
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"1. e4", "1. c4", "1. d4"}));
  EXPECT_EQ(db.TreeRowTexts(v, 1)[0], "1") << "MoveNr is the row";
  db.SetTreeSort(v, ckMoveWhiteCount);
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"1. d4", "1. e4", "1. c4"}));
  db.SetTreeSort(v, ckMoveBlackCount);
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"1. e4", "1. d4", "1. c4"}));
  EXPECT_EQ(db.TreeRowOfGame(v, 1), 2);
  db.SetTreeSort(v, ckMoveDrawCount);  // as the total
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"1. e4", "1. c4", "1. d4"}));
  db.SetTreeSort(v, ckMoveNr);
  EXPECT_EQ(RowMoves(db, v), (std::vector<std::string>{"1. d4", "1. e4", "1. c4"}));

  // Out of range: rows, move indexes, sort kinds, views.
  EXPECT_THROW(db.TreeRowTexts(v, 0), ERangeError);
  EXPECT_THROW(db.TreeRowGameNr(v, 4), ERangeError);
  EXPECT_THROW(db.TreeGetMove(v, 4), ERangeError);
  EXPECT_THROW(db.TreeGoMove(v, 4), ERangeError);
  EXPECT_THROW(db.TreeMoveStats(v, 0, games, white, black), ERangeError);
  EXPECT_THROW(db.TreeSetSelectedMove(v, 4), ERangeError);
  EXPECT_THROW(db.SetTreeSort(v, ColumnKindCount), ERangeError);
  EXPECT_EQ(db.TreeRowOfGame(v, 9), 0);
  EXPECT_THROW(db.TreeRowCount(2), ERangeError);
  EXPECT_THROW(db.TreeMoveCount(0), ERangeError);
  EXPECT_THROW(db.TreeMoveCount(11), ERangeError);
  EXPECT_EQ(db.TreeRowCount(v), 3) << "a refused call changes nothing";
}

TEST(TreeView, SlotsRunOutAndComeBack) {
  TwentyGames t;
  DatabaseO &db = t.db;
  std::vector<int> views;
  for (int k = 1; k <= 10; ++k) views.push_back(db.NewTreeView(t.list));
  EXPECT_EQ(views, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  EXPECT_EQ(db.NewTreeView(t.list), 0);
  db.TreeGoMove(3, 1);
  db.FreeTreeView(3);
  EXPECT_THROW(db.TreeRowCount(3), ERangeError);
  EXPECT_THROW(db.FreeTreeView(3), ERangeError);
  EXPECT_EQ(db.NewTreeView(t.list), 3);
  EXPECT_EQ(db.TreeRowCount(3), 3) << "a new view starts at the root";
  EXPECT_EQ(db.TreeGameCount(3), 20);
  EXPECT_THROW(db.NewTreeView(26), ERangeError);
  // The next database starts without views.
  EXPECT_TRUE(db.Close(nullptr));
  ASSERT_TRUE(OpenDb(db, t.dir.File("t.qcx")));
  EXPECT_THROW(db.TreeRowCount(1), ERangeError);
}

// The first 2000 rows of a list of 5000, a set-up game and a deleted game
// among them; then the same list with an arena that fills up.
TEST(TreeView, FirstTwoThousandGamesSetUpSkippedAndFullArena) {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("big.qcx")));
  const char *lines[] = {"1. e4 e5 2. Nf3 Nc6 3. Bb5 a6", "1. d4 d5 2. c4 e6 3. Nc3 Nf6", "1. c4 c5 2. Nc3 Nc6",
                         "1. Nf3 d5 2. g3 Nf6 3. Bg2 e6"};
  for (int n = 1; n <= 5000; ++n) {
    std::string moves = lines[n % 4];
    std::string tags;
    if (n == 3) {
      tags = "[SetUp \"1\"]\r\n[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\r\n";
      moves = "1. Kd2";
    }
    if (n == 2000) moves = "1. h4 h5";
    if (n == 2001) moves = "1. g4 g5";
    ASSERT_EQ(db.SavePgnText(-1, Game("P", "1-0", moves, tags)), n);
  }
  ASSERT_TRUE(db.DeleteGame(5));
  const int all = db.NewAllGamesList();
  const int v = db.NewTreeView(all);
  ASSERT_NE(v, 0);
  EXPECT_EQ(db.TreeGameCount(v), 1999);
  EXPECT_FALSE(db.TreeStoppedFull(v));
  const std::set<int32_t> games = NodeGames(db, v);
  EXPECT_EQ(games.size(), 1999u);
  EXPECT_FALSE(games.count(3)) << "the set-up game";
  EXPECT_TRUE(games.count(4) && games.count(5) && games.count(2000));
  EXPECT_FALSE(games.count(2001));
  EXPECT_NE(RowOfMove(db, v, "1. h4"), 0);
  EXPECT_EQ(RowOfMove(db, v, "1. g4"), 0);
  EXPECT_EQ(RowOfMove(db, v, "1. Kd2"), 0);
  db.FreeTreeView(v);

  db.SetTreeArenaLimitForTests(PositionDatabaseO::kHeadBytes + 20000);
  const int small = db.NewTreeView(all);
  ASSERT_NE(small, 0);
  EXPECT_TRUE(db.TreeStoppedFull(small));
  const int32_t held = db.TreeGameCount(small);
  EXPECT_GT(held, 0);
  EXPECT_LT(held, 1999);
  EXPECT_EQ(static_cast<int32_t>(NodeGames(db, small).size()), held);
  int32_t total = 0;
  for (int32_t r = 1; r <= db.TreeRowCount(small); ++r) total += std::stoi(db.TreeRowTexts(small, r)[2]);
  EXPECT_EQ(total, held) << "the root's moves count every game held";
  db.SetTreeArenaLimitForTests(0);
  EXPECT_TRUE(db.Close(nullptr));
}

// ---------------------------------------------------------------- key view

namespace {

const char kKeyText[] =
    "[Name=\"Open\"\r\n Code=\"C20\"\r\n"
    " Pos=(\"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2\", \"\")\r\n"
    "  [Name=\"Spanish\"\r\n   Code=\"C60\"\r\n"
    "   Pos=(\"r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 0 3\", \"\")\r\n  ]\r\n"
    "]\r\n"
    "[Name=\"Closed\"\r\n Code=\"D00\"\r\n"
    " Pos=(\"rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq - 0 2\", \"\")\r\n"
    "]\r\n";

// Games 1 Spanish; 2, 3 and 6 Open; 4 Closed; 5 the root.
struct KeyedDb {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO db;

  KeyedDb() {
    dir.Write("keys.txt", kKeyText);
    EXPECT_GE(KeyTreeO::ImportTextFile(dir.File("k.key"), dir.File("keys.txt")), 0);
    std::string pgn;
    pgn += Game("Zed", "1-0", "1. e4 e5 2. Nf3 Nc6 3. Bb5") + "\r\n";
    pgn += Game("Adam", "1-0", "1. e4 e5 2. f4") + "\r\n";
    pgn += Game("Mia", "0-1", "1. e4 e5 2. Nf3 Nf6") + "\r\n";
    pgn += Game("Lou", "0-1", "1. d4 d5") + "\r\n";
    pgn += Game("Kim", "0-1", "1. a3") + "\r\n";
    pgn += Game("Bob", "0-1", "1. e4 e5 2. Nc3") + "\r\n";
    dir.Write("g.pgn", pgn);
    EXPECT_TRUE(OpenDb(db, dir.File("k.qcx")));
    EXPECT_TRUE(db.HasKeyView());
    bool flag = false;
    EXPECT_TRUE(db.ImportDatabase(dir.File("g.pgn"), nullptr, nullptr, false, false, flag));
    EXPECT_EQ(db.GameCount(), 6);
  }

  std::vector<int32_t> GameRows() {
    std::vector<int32_t> out;
    for (int32_t r = 1; r <= db.KeyRowCount(); ++r)
      if (!db.KeyRowIsChild(r)) out.push_back(db.KeyRowGameNr(r));
    return out;
  }
};

}  // namespace

TEST(KeyView, ChildRowsFirstNavigationAndSort) {
  KeyedDb k;
  DatabaseO &db = k.db;
  ASSERT_EQ(db.KeyRowCount(), 3);
  EXPECT_TRUE(db.KeyRowIsChild(1) && db.KeyRowIsChild(2));
  EXPECT_FALSE(db.KeyRowIsChild(3));
  EXPECT_EQ(db.KeyRowText(1)[0], "Open  -  [4]");
  EXPECT_EQ(db.KeyRowText(1)[1], "");
  EXPECT_EQ(db.KeyRowText(2)[0], "Closed  -  [1]");
  EXPECT_EQ(db.KeyRowGameNr(1), 0);
  EXPECT_EQ(db.KeyRowGameNr(3), 5);
  EXPECT_EQ(db.KeyRowText(3)[0], "5") << "a game row's texts as a game list's";
  EXPECT_EQ(db.KeyRowOfGame(5), 3);
  EXPECT_EQ(db.KeyRowOfGame(2), 0);
  EXPECT_FALSE(db.KeyHasParent());
  EXPECT_EQ(db.KeyChildPositionCount(1), 1);
  EXPECT_NE(db.KeyChildGetPositionRecord(2, 1), 0u);
  EXPECT_THROW(db.KeyChildPositionCount(3), ERangeError) << "a game row";
  EXPECT_THROW(db.KeyRowText(4), ERangeError);
  EXPECT_THROW(db.KeyGoChild(3), ERangeError);

  ASSERT_TRUE(db.KeyGoChild(1));
  const uint32_t open = db.KeyTree().CurrentNode();
  EXPECT_TRUE(db.KeyHasParent());
  EXPECT_EQ(db.KeyRowText(1)[0], "Spanish  -  [1]");
  EXPECT_EQ(k.GameRows(), (std::vector<int32_t>{2, 3, 6}));
  EXPECT_EQ(db.KeyNextGame(2), 3);
  EXPECT_EQ(db.KeyNextGame(6), 0);
  EXPECT_EQ(db.KeyPrevGame(2), 0);
  EXPECT_EQ(db.KeyPrevGame(6), 3);
  EXPECT_EQ(db.KeyNextGame(5), 0) << "not the key's";
  EXPECT_EQ(db.KeyPrevGame(5), 0);

  // A sort by White orders the game rows only.
  db.SetKeySort(ckWhite);
  EXPECT_TRUE(db.KeyRowIsChild(1));
  EXPECT_EQ(k.GameRows(), (std::vector<int32_t>{2, 6, 3}));  // Adam, Bob, Mia
  EXPECT_EQ(db.KeyRowOfGame(6), 3);
  EXPECT_EQ(db.KeyNextGame(6), 3);
  EXPECT_EQ(db.KeyRowText(2)[1], "Adam");

  // Down to Spanish and back: the sibling indexes remember the way.
  ASSERT_TRUE(db.KeyGoChild(1));
  EXPECT_EQ(k.GameRows(), (std::vector<int32_t>{1}));
  EXPECT_TRUE(db.KeyUpdateSiblingIndexes());
  ASSERT_TRUE(db.KeyGoParent());
  EXPECT_EQ(db.KeyTree().CurrentNode(), open);
  EXPECT_EQ(db.KeyGetSiblingIndex(), 1);
  ASSERT_TRUE(db.KeyGoParent());
  EXPECT_EQ(db.KeyGetSiblingIndex(), 1);
  db.KeySetSiblingIndex(2);
  EXPECT_EQ(db.KeyGetSiblingIndex(), 2);
  EXPECT_THROW(db.KeySetSiblingIndex(256), ERangeError);
  db.KeyGoNode(open);
  EXPECT_EQ(db.KeyRowCount(), 4);
  EXPECT_THROW(db.KeyGoNode(99), ERangeError);
  EXPECT_EQ(db.KeyTree().CurrentNode(), open);
}

TEST(KeyView, RowsFollowGameKeysDeletedGamesAndLists) {
  KeyedDb k;
  DatabaseO &db = k.db;
  ASSERT_TRUE(db.KeyGoChild(1));
  const uint32_t open = db.KeyTree().CurrentNode();
  EXPECT_EQ(db.KeyRowCount(), 4);
  // Filed into the current key and out of it, without choosing a key again.
  ASSERT_TRUE(db.KeyTree().SetGameKey(open, 5, true));
  EXPECT_EQ(k.GameRows(), (std::vector<int32_t>{2, 3, 6, 5}));
  ASSERT_TRUE(db.KeyTree().SetGameKey(KeyTreeO::kRoot, 3, true));
  EXPECT_EQ(k.GameRows(), (std::vector<int32_t>{2, 6, 5}));
  EXPECT_EQ(db.KeyRowOfGame(3), 0);
  db.KeyGoParent();
  EXPECT_EQ(db.KeyRowText(1)[0], "Open  -  [4]");
  EXPECT_EQ(k.GameRows(), (std::vector<int32_t>{3}));
  db.KeyGoChild(1);

  // A deleted game keeps its row.
  ASSERT_TRUE(db.DeleteGame(6));
  EXPECT_EQ(db.KeyRowOfGame(6), 3);
  EXPECT_TRUE(db.KeyRowIsDeletedGame(3));
  EXPECT_FALSE(db.KeyRowIsDeletedGame(2));
  EXPECT_FALSE(db.KeyRowIsDeletedGame(1));

  // The key's games as a game list, in row order; none when no list is free.
  db.SetKeySort(ckWhite);  // Adam 2, Bob 6, Kim 5
  const int s = db.KeyGamesToList();
  ASSERT_NE(s, 0);
  ASSERT_EQ(db.GameListCount(s), 3);
  EXPECT_EQ(db.GameListGameNr(s, 1), 2);
  EXPECT_EQ(db.GameListGameNr(s, 2), 6);
  EXPECT_EQ(db.GameListGameNr(s, 3), 5);
  while (db.NewGameList() != 0) {
  }
  EXPECT_EQ(db.KeyGamesToList(), 0);
  db.FreeGameList(s);
  EXPECT_EQ(db.KeyGamesToList(), s);
}

TEST(KeyView, ExistsOnlyWhileTheDatabaseHasKeys) {
  TempDir dir;
  MessageRecorder rec;
  dir.Write("keys.txt", kKeyText);
  ASSERT_GE(KeyTreeO::ImportTextFile(dir.File("k.key"), dir.File("keys.txt")), 0);
  DatabaseO db;
  for (int round = 0; round < 2; ++round) {
    ASSERT_TRUE(OpenDb(db, dir.File("k.qcx")));
    ASSERT_TRUE(db.HasKeyView());
    EXPECT_EQ(db.KeyRowCount(), 2);
    ASSERT_TRUE(db.KeyGoChild(1));
    EXPECT_EQ(db.KeyRowCount(), 1);
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_FALSE(db.HasKeyView());
    EXPECT_THROW(db.KeyRowCount(), ERangeError);
  }

  auto expectNoKeyView = [&]() {
    EXPECT_FALSE(db.HasKeyView());
    EXPECT_THROW(db.KeyRowCount(), ERangeError);
    EXPECT_THROW(db.KeyGoChild(1), ERangeError);
    EXPECT_THROW(db.KeyGoNode(1), ERangeError);
    EXPECT_THROW(db.SetKeySort(ckWhite), ERangeError);
    EXPECT_THROW(db.KeyColumns(), ERangeError);
    EXPECT_THROW(db.KeyGamesToList(), ERangeError);
    EXPECT_EQ(db.NewGameList(), 1) << "the refused call took no list";
  };
  ASSERT_TRUE(OpenDb(db, dir.File("plain.qcx")));
  expectNoKeyView();
  EXPECT_TRUE(db.Close(nullptr));

  // A key set that fails to open leaves the database without keys.
  int withoutKeys = 0;
  for (int nth = 1; nth <= 40; ++nth) {
    bool opened;
    {
      FileFault fault(FileFault::Op::Open, nth, EACCES);
      opened = OpenDb(db, dir.File("k.qcx"));
      if (!fault.Fired()) break;
    }
    if (opened && !db.HasKeys()) {
      ++withoutKeys;
      expectNoKeyView();
    }
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_GT(withoutKeys, 0);
}
