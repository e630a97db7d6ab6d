// The in-memory opening tree: merging, numbering, statistics, the games of
// a node, and the limits of the arena and the path.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "PackedGameTestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "database/PDBMan.h"
#include "database/QZParser.h"
#include "foundation/Lists.h"
#include "platform/Errors.h"

namespace {

GameBuffer Game(const std::string &moves, const std::string &result = "*", int encoding = encIndexed,
                const std::string &extraTags = "") {
  GameBuffer buf;
  const std::string text = "[Result \"" + result + "\"]" + extraTags + "\n\n" + moves + " " + result + "\n";
  if (!ParseGameText(text, encoding, buf)) throw std::runtime_error("cannot pack: " + moves);
  return buf;
}

Move2 San(const PositionDatabaseO &t, const std::string &san) {
  Move2 m;
  if (!ParseSANMove(t.CurrentBoard(), san, m)) throw std::runtime_error("no move " + san);
  return m;
}

int Index(const PositionDatabaseO &t, const std::string &san) { return t.IndexOfMove(San(t, san)); }

// Plays the SAN moves of the text from the root.
void Go(PositionDatabaseO &t, const std::string &line) {
  t.GoRoot();
  std::istringstream in(line);
  std::string san;
  while (in >> san) {
    const int i = Index(t, san);
    ASSERT_NE(i, 0) << san;
    ASSERT_TRUE(t.GoMove(i)) << san;
  }
}

std::vector<uint32_t> Games(PositionDatabaseO &t) {
  std::vector<uint32_t> out;
  const int n = t.GameListCount();
  for (int i = 1; i <= n; ++i) out.push_back(t.GameListItem(i));
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<std::string> Lines(const PositionDatabaseO &t) {
  StrListO list;
  t.StatisticsText(list);
  std::vector<std::string> out;
  for (int i = 1; i <= list.Count(); ++i) out.push_back(list.Get(i));
  return out;
}

std::string Key(const MailboxPos &p) {
  CompactPosition cp;
  p.ToCompact(cp);
  return std::string(cp.bytes.begin(), cp.bytes.end());
}

using Edges = std::set<std::pair<std::string, uint16_t>>;

// Every (position, move) of the tree reachable from the current node, with
// its statistics when asked.
void TreeEdges(PositionDatabaseO &t, Edges &out, std::set<std::string> &seen,
               std::vector<std::string> *stats = nullptr) {
  const std::string k = Key(t.CurrentBoard());
  if (!seen.insert(k).second) return;
  for (int i = 1; i <= t.MoveCount(); ++i) {
    const Move2 m = t.GetMove(i);
    out.insert({k, m.Word()});
    if (stats) {
      const TreeMoveStats s = t.MoveStats(i);
      stats->push_back(std::to_string(m.Word()) + ":" + std::to_string(s.games) + "/" +
                       std::to_string(s.blackWins) + "/" + std::to_string(s.whiteWins));
    }
    ASSERT_TRUE(t.GoMove(i));
    TreeEdges(t, out, seen, stats);
    t.GoBack();
  }
}

Edges TreeEdges(PositionDatabaseO &t) {
  Edges e;
  std::set<std::string> seen;
  t.GoRoot();
  TreeEdges(t, e, seen);
  return e;
}

// The same edges as the chess core reads them from the game's text.
void CoreEdges(GameO &g, Edges &out) {
  MailboxPos p;
  p.FromPositionO(g.CurrentPosition());
  const std::string k = Key(p);
  for (int i = 1; i <= g.ChildCount(); ++i) {
    ASSERT_TRUE(g.GoForward(i));
    out.insert({k, MailboxPos::MoveFromMoveRec(g.CurrentNode()->move).Word()});
    CoreEdges(g, out);
    ASSERT_TRUE(g.GoBack());
  }
}

Edges CoreEdges(const std::string &moves) {
  GameO g;
  ParseResultT r;
  if (!g.ReadFromString("[Result \"*\"]\n\n" + moves + " *\n", LangEnglish, r))
    throw std::runtime_error("core refuses: " + r.message);
  g.GoToStart();
  Edges e;
  CoreEdges(g, e);
  return e;
}

std::vector<Move2> LegalMoves(MailboxPos &p, MoveGen &gen) {
  GenRequest req;
  const int n = gen.Generate(p, req);
  std::vector<Move2> all, out;
  for (int i = 1; i <= n; ++i) all.push_back(gen.Entry(i));
  for (Move2 m : all)
    if (p.IsLegalMove(m)) out.push_back(m);
  return out;
}

// A game of the given moves from the initial position, one-byte packed.
GameBuffer PackMoves(const std::vector<Move2> &moves, const std::string &result = "*") {
  QZGameManagerO b;
  b.Reset();
  MailboxPos p;
  p.SetStartPosition();
  MoveGen gen;
  for (Move2 m : moves) {
    int index;
    if (!p.MoveIndex(gen, m, index) || !b.AppendIndexedMove(index)) throw std::runtime_error("cannot pack");
    MoveUndo u;
    p.MakeMove(m, u);
  }
  b.SetTagText("[Result \"" + result + "\"]");
  b.EndGame();
  GameBuffer buf;
  if (!b.Pack(buf)) throw std::runtime_error("cannot pack");
  return buf;
}

std::vector<Move2> RandomLine(std::mt19937 &rng, int plies, MailboxPos p = [] {
  MailboxPos s;
  s.SetStartPosition();
  return s;
}()) {
  MoveGen gen;
  std::vector<Move2> out;
  while (static_cast<int>(out.size()) < plies && !(p.SideToMove() == 1 && p.MoveNumber() >= 255)) {
    const std::vector<Move2> legal = LegalMoves(p, gen);
    if (legal.empty()) break;
    const Move2 m = legal[rng() % legal.size()];
    MoveUndo u;
    p.MakeMove(m, u);
    out.push_back(m);
  }
  return out;
}

}  // namespace

TEST(OpeningTree, TranspositionMeetsInOneNodeAndTracesEachGameItsOwnWay) {
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. e4 Nf6 2. Nc3"), 1));
  ASSERT_TRUE(t.AddGame(Game("1. Nc3 Nf6 2. e4"), 2));
  EXPECT_EQ(t.PathLength(), 0);
  EXPECT_EQ(Lines(t)[1], "Nr of positions: 6 (0K)");
  Go(t, "e4 Nf6 Nc3");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1, 2}));
  EXPECT_EQ(t.MoveCount(), 0);
  Go(t, "Nc3 Nf6 e4");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1, 2}));
  Go(t, "e4");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1}));
  Go(t, "Nc3 Nf6");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{2}));
  Go(t, "");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1, 2}));
}

TEST(OpeningTree, DisambiguationCountsIncomingMovesInFirstAddedOrder) {
  // A reaches X through P1 (and ends there, when X has one incoming move);
  // B reaches it through P2, C through P1 again, and both go on.
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. e4 Nf6 2. Nc3"), 1));
  ASSERT_TRUE(t.AddGame(Game("1. Nc3 Nf6 2. e4 e5"), 2));
  ASSERT_TRUE(t.AddGame(Game("1. e4 Nf6 2. Nc3 d5"), 3));
  Go(t, "Nc3 Nf6");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{2}));
  Go(t, "e4 Nf6");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1, 3}));
  Go(t, "e4 Nf6 Nc3");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1, 2, 3}));
  EXPECT_EQ(Lines(t)[10], "nr of disambiguation records : 2");
}

TEST(OpeningTree, MovesAreNumberedInFirstAddedOrderAndOnlyMainLinesCount) {
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. e4 (1. d4) 1... e5"), 1));
  ASSERT_EQ(t.MoveCount(), 2);
  EXPECT_EQ(t.GetMove(1), San(t, "d4"));
  EXPECT_EQ(t.GetMove(2), San(t, "e4"));
  EXPECT_EQ(Index(t, "e4"), 2);
  EXPECT_FALSE(t.HasMove(San(t, "c4")));
  EXPECT_EQ(Index(t, "c4"), 0);
  ASSERT_TRUE(t.AddGame(Game("1. c4 e5 2. e4", "1-0"), 2));
  ASSERT_TRUE(t.AddGame(Game("1. e4 c5 (1... e6 2. d4) 2. Nf3", "0-1"), 3));
  ASSERT_TRUE(t.AddGame(Game("1. e4 e6", "1/2-1/2"), 4));
  ASSERT_TRUE(t.AddGame(Game("1. e4 e5", "1-0"), 5));
  EXPECT_EQ(t.GetMove(3), San(t, "c4"));
  auto stats = [&](const std::string &san) {
    const TreeMoveStats s = t.MoveStats(Index(t, san));
    return std::vector<uint32_t>{s.games, s.blackWins, s.whiteWins};
  };
  EXPECT_EQ(stats("e4"), (std::vector<uint32_t>{4, 1, 1}));
  EXPECT_EQ(stats("d4"), (std::vector<uint32_t>{0, 0, 0}));
  EXPECT_EQ(stats("c4"), (std::vector<uint32_t>{1, 0, 1}));
  Go(t, "e4");
  // e5 first (game 1), then the variation e6 before the main move c5.
  ASSERT_EQ(t.MoveCount(), 3);
  EXPECT_EQ(t.GetMove(1), San(t, "e5"));
  EXPECT_EQ(t.GetMove(2), San(t, "e6"));
  EXPECT_EQ(t.GetMove(3), San(t, "c5"));
  EXPECT_EQ(stats("e6"), (std::vector<uint32_t>{1, 0, 0}));
  EXPECT_EQ(stats("c5"), (std::vector<uint32_t>{1, 1, 0}));
  Go(t, "e4 e6");
  EXPECT_EQ(stats("d4"), (std::vector<uint32_t>{0, 0, 0}));
  // The transposition c4 e5 e4 = e4 e5 c4 is not played; the node after
  // c4 e5 e4 counts game 2's e4.
  Go(t, "c4 e5");
  EXPECT_EQ(stats("e4"), (std::vector<uint32_t>{1, 0, 1}));
}

TEST(OpeningTree, GamesItCannotAddLeaveTheTreeAsItWas) {
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. e4 e5 2. Nf3"), 1));
  const std::vector<std::string> before = Lines(t);
  const uint32_t bytes = t.BytesInUse();
  const std::string fen = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
  EXPECT_FALSE(t.AddGame(Game("1... e5 2. Nf3", "*", encIndexed, "[SetUp \"1\"][FEN \"" + fen + "\"]"), 2));
  EXPECT_FALSE(t.AddGame(Game("1. d4 d5", "*", encSan), 3));
  // A damaged third move: the first two must not stay behind.
  GameBuffer bad = Game("1. d4 d5 2. c4");
  bad.bytes[19] = 200;
  EXPECT_FALSE(t.AddGame(bad, 4));
  GameBuffer empty;
  EXPECT_FALSE(t.AddGame(empty, 5));
  EXPECT_EQ(Lines(t), before);
  EXPECT_EQ(t.BytesInUse(), bytes);
  EXPECT_FALSE(t.Full());
  EXPECT_FALSE(t.HasMove(San(t, "d4")));
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1}));
  // Before the first Clear there is no tree to add to.
  PositionDatabaseO fresh;
  EXPECT_FALSE(fresh.AddGame(Game("1. e4"), 1));
  EXPECT_EQ(fresh.MoveCount(), 0);
  EXPECT_EQ(fresh.GameListCount(), 0);
}

TEST(OpeningTree, StreamShapesAddExactlyTheMovesOfTheirText) {
  const char *const games[] = {
      // a variation that opens with a comment and a NAG
      "1. e4 ({or} $5 1. d4 d5 {quiet} 2. c4) 1... e5 2. Nf3 (2. f4 {gambit}) 2... Nc6",
      // an empty variation, and one of annotations alone
      "1. e4 ( ) 1... c5 ($1 {nothing}) 2. Nf3",
      // alternatives to a variation's first move, nested
      "1. e4 e5 (1... c5 (1... e6 2. d4 (2. d3) 2... d5) (1... c6) 2. Nf3) 2. Nf3 Nc6",
  };
  for (const char *text : games) {
    SCOPED_TRACE(text);
    const Edges core = CoreEdges(text);
    for (int enc : {encIndexed, encFromTo}) {
      PositionDatabaseO t;
      t.Clear();
      ASSERT_TRUE(t.AddGame(Game(text, "*", enc), 1));
      EXPECT_EQ(TreeEdges(t), core) << enc;
    }
  }
}

TEST(OpeningTree, OneAndTwoBytePackingBuildTheSameTree) {
  std::mt19937 rng(7);
  PositionDatabaseO one, two;
  one.Clear();
  two.Clear();
  const char *const results[] = {"1-0", "0-1", "1/2-1/2", "*"};
  for (uint32_t g = 1; g <= 60; ++g) {
    // A random game with a variation replacing one of its first moves.
    const std::vector<Move2> line = RandomLine(rng, 10 + static_cast<int>(rng() % 30));
    MailboxPos p;
    p.SetStartPosition();
    std::string text;
    const size_t branch = rng() % 4;
    MoveGen gen;
    for (size_t i = 0; i < line.size(); ++i) {
      text += MoveToSAN(p, line[i], true) + " ";
      if (i == branch) {
        MailboxPos before = p;
        const std::vector<Move2> alt = LegalMoves(before, gen);
        Move2 other = alt[rng() % alt.size()];
        if (!(other == line[i])) text += "(" + MoveToSAN(before, other, true) + ") ";
      }
      MoveUndo u;
      p.MakeMove(line[i], u);
    }
    const std::string result = results[rng() % 4];
    ASSERT_TRUE(one.AddGame(Game(text, result, encIndexed), g));
    ASSERT_TRUE(two.AddGame(Game(text, result, encFromTo), g));
  }
  EXPECT_EQ(Lines(one), Lines(two));
  Edges e1, e2;
  std::set<std::string> s1, s2;
  std::vector<std::string> st1, st2;
  TreeEdges(one, e1, s1, &st1);
  TreeEdges(two, e2, s2, &st2);
  EXPECT_EQ(e1, e2);
  EXPECT_EQ(st1, st2);
  EXPECT_EQ(Games(one), Games(two));
}

TEST(OpeningTree, NavigationPathAndSelectedMove) {
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. e4 e5 2. Nf3 Nc6 3. Bc4 Nf6 4. O-O"), 1));
  Go(t, "e4 e5 Nf3 Nc6 Bc4 Nf6 O-O");
  const MoveListO &moves = t.PathMoves();
  ASSERT_EQ(moves.Count(), 7);
  EXPECT_EQ(moves.At(1).ToText(mtShort, LangEnglish), "e4");
  EXPECT_EQ(moves.At(5).ToText(mtShort, LangEnglish), "Bc4");
  EXPECT_EQ(moves.At(7).ToText(mtShort, LangEnglish), "O-O");
  EXPECT_TRUE(t.CanGoBack());
  ASSERT_TRUE(t.GoBack());
  EXPECT_EQ(t.PathLength(), 6);
  EXPECT_EQ(t.PathMoves().Count(), 6);
  t.GoRoot();
  EXPECT_FALSE(t.CanGoBack());
  EXPECT_FALSE(t.GoBack());
  MailboxPos start;
  start.SetStartPosition();
  EXPECT_TRUE(MailboxPos::Equal(t.CurrentBoard(), start));

  // The selection of a node.
  EXPECT_FALSE(t.HasSelectedMove());
  EXPECT_EQ(t.SelectedMove(), 1);  // none stored: becomes 1
  EXPECT_TRUE(t.HasSelectedMove());
  ASSERT_TRUE(t.AddMove(San(t, "d4")));
  t.SetSelectedMove(2);
  EXPECT_EQ(t.SelectedMove(), 2);
  t.SetSelectedMove(7);  // beyond the moves
  EXPECT_FALSE(t.HasSelectedMove());
  EXPECT_EQ(t.SelectedMove(), 1);
  EXPECT_THROW(t.SetSelectedMove(256), ERangeError);
  EXPECT_THROW(t.SetSelectedMove(-1), ERangeError);
  EXPECT_EQ(t.SelectedMove(), 1);
  Go(t, "e4 e5 Nf3 Nc6 Bc4 Nf6 O-O");
  EXPECT_EQ(t.SelectedMove(), 0);  // no moves here

  // AddMove: present, added (statistics 0), refused when not legal.
  Go(t, "e4 e5");
  ASSERT_TRUE(t.AddMove(San(t, "Nf3")));
  EXPECT_EQ(t.MoveCount(), 1);
  ASSERT_TRUE(t.AddMove(San(t, "f4")));
  EXPECT_EQ(t.MoveCount(), 2);
  EXPECT_EQ(t.MoveStats(2).games, 0u);
  EXPECT_FALSE(t.AddMove(Move2::Make(SquareNumber(5, 4), SquareNumber(5, 6))));  // e4-e6
  EXPECT_FALSE(t.AddMove(Move2::Make(SquareNumber(5, 5), SquareNumber(5, 4))));  // a black pawn
  EXPECT_EQ(t.MoveCount(), 2);

  // Indexes out of range change nothing.
  EXPECT_THROW(t.GetMove(0), ERangeError);
  EXPECT_THROW(t.GetMove(3), ERangeError);
  EXPECT_THROW(t.MoveStats(3), ERangeError);
  EXPECT_THROW(t.GoMove(3), ERangeError);
  EXPECT_THROW(t.GoMove(-1), ERangeError);
  EXPECT_EQ(t.PathLength(), 2);
  ASSERT_EQ(t.GameListCount(), 1);
  EXPECT_EQ(t.GameListItem(1), 1u);
  EXPECT_THROW(t.GameListItem(0), ERangeError);
  EXPECT_THROW(t.GameListItem(2), ERangeError);
}

TEST(OpeningTree, RepetitionCyclesAndTheLimitsOfThePath) {
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 5. e4 e5"), 1));
  EXPECT_EQ(Lines(t)[1], "Nr of positions: 6 (0K)");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1}));
  Go(t, "Nf3 Nf6 Ng1 Ng8 e4");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1}));
  // A game ending at the current node belongs to it.
  Go(t, "e4 e5");
  EXPECT_EQ(Games(t), (std::vector<uint32_t>{1}));

  // Round the cycle up to Black's move at number 255, which cannot be made.
  t.GoRoot();
  const int nf3 = Index(t, "Nf3");
  int plies = 0;
  while (true) {
    const int i = t.CurrentBoard().SideToMove() == 0 && plies % 4 == 0 ? nf3 : 1;
    if (!t.GoMove(i)) break;
    ++plies;
  }
  EXPECT_EQ(plies, 509);
  EXPECT_EQ(t.CurrentBoard().MoveNumber(), 255);
  EXPECT_EQ(t.CurrentBoard().SideToMove(), 1);
  EXPECT_EQ(t.PathLength(), 509);
  EXPECT_EQ(t.PathMoves().Count(), 509);
  t.GoRoot();
  EXPECT_EQ(t.CurrentBoard().MoveNumber(), 1);

  // A smaller path limit.
  PositionDatabaseO small(4);
  small.Clear();
  ASSERT_TRUE(small.AddGame(Game("1. e4 e5 2. Nf3 Nc6 3. Bb5 a6"), 1));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(small.GoMove(1));
  const MailboxPos board = small.CurrentBoard();
  EXPECT_FALSE(small.GoMove(1));
  EXPECT_EQ(small.PathLength(), 4);
  EXPECT_TRUE(MailboxPos::Equal(small.CurrentBoard(), board));
  // Adding still works at the limit and ends at the root.
  ASSERT_TRUE(small.AddGame(Game("1. d4 d5 2. c4 e6 3. Nc3 Nf6"), 2));
  EXPECT_EQ(small.PathLength(), 0);
}

TEST(OpeningTree, ManyWidelyBranchingGamesAreCollectedCompletely) {
  // Game 1 is a long line M; every other game follows M for some plies,
  // leaves it with a move of M's position not yet taken there, and goes on
  // a little. So each node of M has many children, all pending in a walk
  // that goes down M first.
  std::mt19937 rng(11);
  const std::vector<Move2> main = RandomLine(rng, 48);
  ASSERT_EQ(main.size(), 48u);
  PositionDatabaseO t;
  t.Clear();
  // The positions each game's main line passes: it is collected wherever
  // one of them is current.
  std::vector<std::set<std::string>> passes;
  auto add = [&](const std::vector<Move2> &moves) {
    MailboxPos p;
    p.SetStartPosition();
    std::set<std::string> keys{Key(p)};
    for (Move2 m : moves) {
      MoveUndo u;
      p.MakeMove(m, u);
      keys.insert(Key(p));
    }
    passes.push_back(std::move(keys));
    return t.AddGame(PackMoves(moves), static_cast<uint32_t>(passes.size()));
  };
  ASSERT_TRUE(add(main));
  std::vector<size_t> taken(main.size(), 0);
  MoveGen gen;
  for (int g = 2; g <= 2000; ++g) {
    const size_t at = static_cast<size_t>(g) % main.size();
    MailboxPos p;
    p.SetStartPosition();
    std::vector<Move2> moves(main.begin(), main.begin() + static_cast<long>(at));
    for (Move2 m : moves) {
      MoveUndo u;
      p.MakeMove(m, u);
    }
    std::vector<Move2> legal = LegalMoves(p, gen);
    std::erase(legal, main[at]);
    if (!legal.empty()) {
      const Move2 leave = legal[taken[at]++ % legal.size()];
      moves.push_back(leave);
      MoveUndo u;
      p.MakeMove(leave, u);
      const std::vector<Move2> tail = RandomLine(rng, 3, p);
      moves.insert(moves.end(), tail.begin(), tail.end());
    }
    ASSERT_TRUE(add(moves));
  }
  EXPECT_EQ(t.GameListCount(), 2000);
  int pending = 0;
  for (size_t d = 0; d <= main.size(); ++d) {
    if (d < main.size()) pending += t.MoveCount() - 1;
    const std::string here = Key(t.CurrentBoard());
    int expected = 0;
    for (const auto &keys : passes) expected += keys.count(here) ? 1 : 0;
    ASSERT_EQ(t.GameListCount(), expected) << d;
    if (d < main.size()) {
      ASSERT_TRUE(t.GoMove(t.IndexOfMove(main[d])));
    }
  }
  EXPECT_GT(pending, 1000);
}

TEST(OpeningTree, AFullArenaRefusesTheNextGameAndKeepsWorking) {
  std::mt19937 rng(3);
  PositionDatabaseO t;
  t.Clear();
  uint32_t added = 0;
  GameBuffer refused;
  for (;;) {
    GameBuffer g = PackMoves(RandomLine(rng, 400), "1-0");
    if (!t.AddGame(g, added + 1)) {
      refused = std::move(g);
      break;
    }
    ++added;
    ASSERT_LE(t.BytesInUse(), PositionDatabaseO::kArenaBytes);
  }
  EXPECT_TRUE(t.Full());
  EXPECT_GT(added, 200u);
  const std::vector<std::string> before = Lines(t);
  const uint32_t bytes = t.BytesInUse();
  EXPECT_FALSE(t.AddGame(refused, 9999));
  EXPECT_EQ(Lines(t), before);
  EXPECT_EQ(t.BytesInUse(), bytes);
  EXPECT_EQ(before[8], "nr of game records : " + std::to_string(added));
  // Navigating and collecting as before.
  EXPECT_EQ(t.GameListCount(), static_cast<int>(added));
  ASSERT_TRUE(t.GoMove(1));
  EXPECT_GT(t.GameListCount(), 0);
  t.GoRoot();
  // Short games fill what is left; then moves are refused too.
  uint32_t n = 10000;
  while (t.AddGame(Game("1. a3"), n)) ++n;
  bool refusedMove = false;
  for (int tries = 0; tries < 400 && !refusedMove; ++tries) {
    std::vector<Move2> legal;
    MailboxPos p = t.CurrentBoard();
    MoveGen gen;
    legal = LegalMoves(p, gen);
    bool any = false;
    for (Move2 m : legal) {
      if (t.HasMove(m)) continue;
      const uint32_t b = t.BytesInUse();
      if (!t.AddMove(m)) {
        EXPECT_EQ(t.BytesInUse(), b);
        EXPECT_FALSE(t.HasMove(m));
        refusedMove = true;
        break;
      }
      any = true;
    }
    if (!any && !refusedMove) {
      ASSERT_TRUE(t.GoMove(1));
    }
  }
  EXPECT_TRUE(refusedMove);
  EXPECT_GT(t.BytesInUse() + PositionDatabaseO::kNodeBytes + PositionDatabaseO::kMoveBytes,
            PositionDatabaseO::kArenaBytes);
  // Clear starts over.
  t.Clear();
  EXPECT_FALSE(t.Full());
  EXPECT_TRUE(t.AddGame(refused, 1));
}

TEST(OpeningTree, StatisticsTextLineByLine) {
  PositionDatabaseO t;
  t.Clear();
  ASSERT_TRUE(t.AddGame(Game("1. e4 Nf6 2. Nc3", "1-0"), 1));
  ASSERT_TRUE(t.AddGame(Game("1. Nc3 Nf6 2. e4", "0-1"), 2));
  // 6 nodes in 4 chains: e4 keeps the start's key, and the two orders of
  // the knight moves share one; 6 moves, 2 games, 2 lines, 1 entry.
  // 262148 + 6 * 59 + 6 * 32 + 2 * 20 + 2 * 32 + 8 = 262806 bytes.
  EXPECT_EQ(t.BytesInUse(), 262806u);
  const std::vector<std::string> expected = {
      "Database size: 256K",
      "Nr of positions: 6 (0K)",
      "Nr of used entries: 4",
      "Avg nr of positions per used entry: 1.500",
      "Max. nr of positions in an entry: 2",
      "Nr of different hash codes: 4",
      "Avg nr of positions per hash code: 1.500",
      "Max. nr of positions in a hash code: 2",
      "nr of game records : 2",
      "nr of variation records : 2",
      "nr of disambiguation records : 1",
  };
  EXPECT_EQ(Lines(t), expected);
  PositionDatabaseO empty;
  EXPECT_EQ(Lines(empty)[3], "Avg nr of positions per used entry: 0.000");
}
