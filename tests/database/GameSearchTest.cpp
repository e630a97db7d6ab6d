// The game search: the booster's walks find what a scan finds, each game
// once; players, opponents, exclusions, results, Elo and ECO; within lists,
// copies and cancels.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseTestUtil.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/Win1252.h"

namespace {

// Names sharing prefixes: "Berg" matches three players, "Ba" two.
const char *const kNames[] = {"Berg", "Bergman", "Bergmann, K", "Bakker", "Baker", "Mol", "Molenaar", "Vos"};
const char *const kEvents[] = {"North A", "North B", "South", "Northern Cup"};
const char *const kResults[] = {"1-0", "1/2-1/2", "0-1", "*"};

struct GameRec {
  std::string white, black, event, eco, result;
  int year = 0, whiteElo = 0, blackElo = 0;
};

using Games = std::vector<int32_t>;

class Search : public ::testing::Test {
 protected:
  static constexpr int kGames = 2500;

  static void SetUpTestSuite() {
    dir_ = new testutil::TempDir;
    db_ = new DatabaseO;
    bool report = false;
    ASSERT_TRUE(db_->Open(dir_->File("search.qcx"), nullptr, nullptr, report));
    ASSERT_TRUE(db_->HasSearchBooster());
    std::mt19937 rng(3128);
    auto pick = [&rng](const auto &a) { return std::string(a[rng() % std::size(a)]); };
    model_.assign(1, GameRec{});
    for (int k = 1; k <= kGames; ++k) {
      GameRec g;
      g.white = pick(kNames);
      g.black = rng() % 20 == 0 ? g.white : pick(kNames);
      g.event = pick(kEvents);
      g.result = pick(kResults);
      g.year = 1980 + static_cast<int>(rng() % 40);
      if (rng() % 10 < 7) g.whiteElo = 2000 + static_cast<int>(rng() % 800);
      if (rng() % 10 < 7) g.blackElo = 2000 + static_cast<int>(rng() % 800);
      if (rng() % 4 != 0) {
        g.eco = std::string(1, static_cast<char>('A' + rng() % 5)) + PadLeft(IntToStr(rng() % 100), 2, '0');
        if (rng() % 2) g.eco += "/" + PadLeft(IntToStr(rng() % 100), 2, '0');
      }
      std::string text = "[Event \"" + g.event + "\"]\r\n[Date \"" + IntToStr(g.year) + ".01.01\"]\r\n[White \"" +
                         g.white + "\"]\r\n[Black \"" + g.black + "\"]\r\n[Result \"" + g.result + "\"]\r\n";
      if (g.whiteElo) text += "[WhiteElo \"" + IntToStr(g.whiteElo) + "\"]\r\n";
      if (g.blackElo) text += "[BlackElo \"" + IntToStr(g.blackElo) + "\"]\r\n";
      if (!g.eco.empty()) text += "[ECO \"" + g.eco + "\"]\r\n";
      text += "\r\n1. e4 e5 " + g.result + "\r\n";
      ASSERT_EQ(db_->SavePgnText(-1, text), k);
      model_.push_back(g);
    }
  }
  static void TearDownTestSuite() {
    delete db_;
    delete dir_;
  }

  void SetUp() override {
    target_ = db.NewGameList();
    ASSERT_NE(target_, 0);
  }
  void TearDown() override {
    for (int s = 1; s <= kGameListSlots; ++s) try {
        db.FreeGameList(s);
      } catch (const ERangeError &) {
      }
  }

  Games Run(const GameSearchMaskO *m, int within = 0, AbortDlgO *progress = nullptr) {
    db.SearchGames(m, target_, within, progress);
    Games v;
    for (int32_t i = 1; i <= db.GameListCount(target_); ++i) v.push_back(db.GameListGameNr(target_, i));
    return v;
  }
  static Games Where(const std::function<bool(const GameRec &)> &pred) {
    Games v;
    for (int32_t n = 1; n <= kGames; ++n)
      if (pred(model_[static_cast<size_t>(n)])) v.push_back(n);
    return v;
  }
  static Games Sorted(Games v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  static bool Starts(const std::string &name, const char *prefix) {
    return win1252::SameText(name.substr(0, std::string(prefix).size()), prefix);
  }
  static bool Has(const std::string &text, const char *part) {
    return win1252::UpperCase(text).find(win1252::UpperCase(part)) != std::string::npos;
  }

  static inline testutil::TempDir *dir_ = nullptr;
  static inline DatabaseO *db_ = nullptr;
  static inline std::vector<GameRec> model_;
  DatabaseO &db = *db_;
  int target_ = 0;
};

GameSearchMaskO Criteria() {
  GameSearchMaskO m;
  m.SetIgnoreColors(false);
  return m;
}

GameSearchMaskO RandomCriteria(std::mt19937 &rng) {
  static const char *const kPatterns[] = {"Berg", "Bergman", "Ba", "Bakker", "Mol", "Vos", "Nobody", "M"};
  static const char *const kEventPatterns[] = {"North", "North B", "South", "Nowhere", "Cup"};
  static const uint8_t kResultMasks[] = {0, srWin, srDraw, srLoss, srAll, srWin | srDraw, srWin | srLoss};
  GameSearchMaskO m;
  m.SetIgnoreColors(rng() % 3 == 0);
  const int players = static_cast<int>(rng() % 4);
  for (int i = 0; i < players; ++i)
    m.AddPlayer(kPatterns[rng() % std::size(kPatterns)], static_cast<uint8_t>(rng() % 4),
                kResultMasks[rng() % std::size(kResultMasks)]);
  m.SetOpponent(static_cast<uint32_t>(rng() % (players + 1)));
  for (int i = static_cast<int>(rng() % 3); i > 0; --i)
    m.AddEventSite(kEventPatterns[rng() % std::size(kEventPatterns)], rng() % 3 == 0, false);
  if (rng() % 4 == 0) {
    m.SetSearchYear(true);
    m.SetYearLo(1985 + rng() % 20);
    m.SetYearHi(m.GetYearLo() + rng() % 15);
  }
  if (rng() % 5 == 0) {
    m.SetSearchElo(true);
    m.SetEloType(static_cast<uint8_t>(rng() % 4));
    m.SetEloLo(2200);
    m.SetEloHi(2600);
  }
  return m;
}

}  // namespace

// The strongest test: the booster's walks and a scan of every game find
// the same games for the same criteria, and neither finds one twice.
TEST_F(Search, BoosterFindsWhatAScanFinds) {
  std::mt19937 rng(45);
  std::vector<GameSearchMaskO> criteria;
  std::vector<Games> boosted;
  for (int k = 0; k < 200; ++k) {
    criteria.push_back(RandomCriteria(rng));
    Games v = Run(&criteria.back());
    const Games s = Sorted(v);
    EXPECT_EQ(std::adjacent_find(s.begin(), s.end()), s.end()) << "a game found twice, criteria " << k;
    boosted.push_back(s);
  }
  db.SetSearchBooster(false);
  for (size_t k = 0; k < criteria.size(); ++k) {
    EXPECT_EQ(Run(&criteria[k]), boosted[k]) << "criteria " << k << ": " << criteria[k].PlayersText();
  }
  db.SetSearchBooster(true);
  ASSERT_TRUE(db.HasSearchBooster());
}

TEST_F(Search, OnePlayerThroughTheBoosterMeetsOnlyHisGames) {
  GameSearchMaskO m = Criteria();
  m.AddPlayer("Vos", scNone, 0);
  const Games vos = Where([](const GameRec &g) { return g.white == "Vos" || g.black == "Vos"; });
  EXPECT_EQ(Sorted(Run(&m)), vos);
  EXPECT_EQ(db.SearchGamesMet(), static_cast<int64_t>(vos.size()));
}

TEST_F(Search, TwoPlayersWithTheOpponentFlag) {
  GameSearchMaskO m = Criteria();
  m.AddPlayer("Vos", scNone, 0);
  m.AddPlayer("Bakker", scNone, 0);
  m.SetOpponent(2);
  // Both players named, one of them the opponent: their games against each
  // other, and the opponent's games with himself.
  const Games expected = Where([](const GameRec &g) {
    const std::set<std::string> pair{g.white, g.black};
    return pair == std::set<std::string>{"Vos", "Bakker"} || pair == std::set<std::string>{"Bakker"};
  });
  ASSERT_FALSE(expected.empty());
  EXPECT_EQ(Sorted(Run(&m)), expected) << "booster";
  db.SetSearchBooster(false);
  EXPECT_EQ(Run(&m), expected) << "scan";
  db.SetSearchBooster(true);
}

TEST_F(Search, NamesThatMatchNobody) {
  GameSearchMaskO m = Criteria();
  m.AddPlayer("Nobody", scNone, 0);
  EXPECT_TRUE(Run(&m).empty());
  EXPECT_EQ(db.SearchGamesMet(), 0);
  m.SetPlayerColour(1, scNot);
  EXPECT_EQ(Run(&m).size(), static_cast<size_t>(kGames)) << "a \"not\" name of nobody excludes nothing";
  GameSearchMaskO e = Criteria();
  e.AddEventSite("Nowhere", false, false);
  EXPECT_TRUE(Run(&e).empty());
}

TEST_F(Search, ResultMasks) {
  GameSearchMaskO m = Criteria();
  m.AddPlayer("Vos", scBlack, srWin);
  EXPECT_EQ(Sorted(Run(&m)),
            Where([](const GameRec &g) {
              return g.black == "Vos" && g.result == "0-1";
            }))
      << "his wins as Black; a game without a result is no win, and Vos as White does not refuse it";
  GameSearchMaskO both = Criteria();
  both.SetSearchWins(true);
  both.SetSearchDraws(true);
  EXPECT_TRUE(Run(&both).empty());
  GameSearchMaskO wins = Criteria();
  wins.SetSearchWins(true);
  EXPECT_EQ(Run(&wins), Where([](const GameRec &g) { return g.result == "1-0"; }));
}

// The players' rule written out plainly: a game passes when one of its
// players satisfies an entry with the entry's colour and results (both of
// them, one entry flagged, with an opponent); a "not" name refuses it.
bool PlayersModel(const GameRec &g, const GameSearchMaskO &m) {
  auto starts = [](const std::string &name, const std::string &p) {
    return win1252::SameText(name.substr(0, p.size()), p);
  };
  const int fromWhite = g.result == "1-0" ? 0 : g.result == "1/2-1/2" ? 1 : g.result == "0-1" ? 2 : 3;
  const int fromBlack = fromWhite == 3 ? 3 : 2 - fromWhite;
  static constexpr uint8_t kBit[] = {srWin, srDraw, srLoss};
  bool named = false, anyOpponent = false, w = false, b = false, flagged = false;
  for (int i = 1; i <= m.PlayerCount(); ++i) {
    const uint8_t colour = m.GetIgnoreColors() ? scNone : m.PlayerColour(i);
    const std::string &p = m.PlayerName(i);
    if (colour == scNot) {
      if (starts(g.white, p) || starts(g.black, p)) return false;
      continue;
    }
    named = true;
    const bool opponent = m.GetOpponent() == static_cast<uint32_t>(i);
    anyOpponent = anyOpponent || (opponent && std::any_of(std::begin(kNames), std::end(kNames),
                                                          [&](const char *n) { return starts(n, p); }));
    const uint8_t r = m.PlayerResults(i);
    auto satisfies = [&](const std::string &name, uint8_t refused, int seen) {
      return starts(name, p) && colour != refused && (r == 0 || r == srAll || (seen != 3 && (r & kBit[seen])));
    };
    const bool sw = satisfies(g.white, scBlack, fromWhite), sb = satisfies(g.black, scWhite, fromBlack);
    w = w || sw;
    b = b || sb;
    flagged = flagged || ((sw || sb) && opponent);
  }
  if (!named) return true;
  return anyOpponent ? w && b && flagged : w || b;
}

TEST_F(Search, PlayersColoursResultsAndOpponentsFollowTheRule) {
  std::mt19937 rng(60);
  static const char *const kPatterns[] = {"Berg", "Bergman", "Ba", "Bakker", "Mol", "Vos", "M"};
  static const uint8_t kResultMasks[] = {0, srWin, srDraw, srLoss, srAll, srWin | srDraw, srDraw | srLoss};
  for (int k = 0; k < 150; ++k) {
    GameSearchMaskO m;
    m.SetIgnoreColors(rng() % 4 == 0);
    const int players = 1 + static_cast<int>(rng() % 3);
    for (int i = 0; i < players; ++i)
      m.AddPlayer(kPatterns[rng() % std::size(kPatterns)], static_cast<uint8_t>(rng() % 4),
                  kResultMasks[rng() % std::size(kResultMasks)]);
    m.SetOpponent(static_cast<uint32_t>(rng() % (players + 1)));
    EXPECT_EQ(Sorted(Run(&m)), Where([&](const GameRec &g) { return PlayersModel(g, m); }))
        << "criteria " << k << ": " << m.PlayersText() << " opponent " << m.GetOpponent();
  }
}

// A player named for one colour finds his games on it, whoever the
// opponent is, even one who matches the same name.
TEST(SearchColours, AnOpponentMatchingTheNameDoesNotRefuseTheGame) {
  testutil::TempDir dir;
  DatabaseO db;
  bool report = false;
  ASSERT_TRUE(db.Open(dir.File("colours.qcx"), nullptr, nullptr, report));
  auto game = [](const char *w, const char *b, const char *r) {
    return std::string("[White \"") + w + "\"]\r\n[Black \"" + b + "\"]\r\n[Result \"" + r + "\"]\r\n\r\n1. e4 e5 " + r +
           "\r\n";
  };
  ASSERT_EQ(db.SavePgnText(-1, game("Meijer, Hans", "Meijer, Lotte", "0-1")), 1);
  ASSERT_EQ(db.SavePgnText(-1, game("Meijer, Ines", "Bos, Jan", "1-0")), 2);
  ASSERT_EQ(db.SavePgnText(-1, game("Bos, Jan", "Meijer, Hans", "*")), 3);
  const int target = db.NewGameList();
  auto run = [&](const GameSearchMaskO &m) {
    Games v;
    for (bool booster : {true, false}) {
      db.SetSearchBooster(booster);
      db.SearchGames(&m, target, 0, nullptr);
      Games found;
      for (int32_t i = 1; i <= db.GameListCount(target); ++i) found.push_back(db.GameListGameNr(target, i));
      std::sort(found.begin(), found.end());
      if (booster) v = found;
      EXPECT_EQ(found, v) << "the scan finds what the booster finds";
    }
    return v;
  };
  auto one = [](const char *name, uint8_t colour, uint8_t results) {
    GameSearchMaskO m = Criteria();
    m.AddPlayer(name, colour, results);
    return m;
  };
  EXPECT_EQ(run(one("Meijer", scWhite, 0)), (Games{1, 2}));
  EXPECT_EQ(run(one("Meijer", scBlack, 0)), (Games{1, 3}));
  EXPECT_EQ(run(one("Meijer", scWhite, srWin)), (Games{2}));
  EXPECT_EQ(run(one("Meijer", scBlack, srWin)), (Games{1})) << "a game without a result is no win";
  EXPECT_EQ(run(one("Meijer", scNone, srAll)), (Games{1, 2, 3}));

  // One name matching a player for two entries: either entry may take him.
  GameSearchMaskO pair = one("Meijer", scWhite, 0);
  pair.AddPlayer("Meijer, Lotte", scBlack, srWin);
  pair.SetOpponent(2);
  EXPECT_EQ(run(pair), (Games{1}));
  pair.SetPlayerResults(2, srLoss);
  EXPECT_TRUE(run(pair).empty()) << "the flagged entry's results hold";
  GameSearchMaskO bos = one("Meijer", scWhite, 0);
  bos.AddPlayer("Bos", scBlack, 0);
  bos.SetOpponent(2);
  EXPECT_EQ(run(bos), (Games{2})) << "both players must satisfy an entry";
}

TEST_F(Search, EloTypesAndEcoRange) {
  GameSearchMaskO m = Criteria();
  m.SetSearchElo(true);
  m.SetEloLo(2300);
  m.SetEloHi(2500);
  auto in = [](int e) { return e >= 2300 && e <= 2500; };
  m.SetEloType(etNone);
  EXPECT_EQ(Run(&m).size(), static_cast<size_t>(kGames));
  m.SetEloType(etAverage);
  EXPECT_EQ(Run(&m), Where([&](const GameRec &g) {
              const int n = (g.whiteElo != 0) + (g.blackElo != 0);
              return n > 0 && in((g.whiteElo + g.blackElo) / n);
            }));
  m.SetEloType(etOnePlayer);
  EXPECT_EQ(Run(&m), Where([&](const GameRec &g) { return in(g.whiteElo) || in(g.blackElo); }));
  m.SetEloType(etBothPlayers);
  EXPECT_EQ(Run(&m), Where([&](const GameRec &g) { return in(g.whiteElo) && in(g.blackElo); }));

  GameSearchMaskO eco = Criteria();
  eco.SetSearchEco(true);
  eco.SetEcoLo("B20");
  eco.SetEcoHi("B99/99");
  const Games b = Where([](const GameRec &g) { return !g.eco.empty() && g.eco.substr(0, 3) >= "B20" && g.eco[0] == 'B'; });
  ASSERT_TRUE(std::any_of(b.begin(), b.end(), [](int32_t n) { return model_[static_cast<size_t>(n)].eco.size() == 6; }));
  EXPECT_EQ(Run(&eco), b);
}

TEST_F(Search, Exclusions) {
  GameSearchMaskO notNorthB = Criteria();
  notNorthB.AddEventSite("North B", true, false);
  EXPECT_EQ(Run(&notNorthB), Where([](const GameRec &g) { return g.event != "North B"; }));

  const Games northButB = Where([](const GameRec &g) { return Has(g.event, "North") && g.event != "North B"; });
  for (bool notFirst : {false, true}) {
    GameSearchMaskO m = Criteria();
    if (notFirst) m.AddEventSite("North B", true, false);
    m.AddEventSite("North", false, false);
    if (!notFirst) m.AddEventSite("North B", true, false);
    EXPECT_EQ(Sorted(Run(&m)), northButB) << notFirst;
  }

  GameSearchMaskO notVos = Criteria();
  notVos.AddPlayer("Vos", scNot, 0);
  EXPECT_EQ(Run(&notVos), Where([](const GameRec &g) { return g.white != "Vos" && g.black != "Vos"; }));

  GameSearchMaskO besideNamed = Criteria();
  besideNamed.AddPlayer("Vos", scNone, 0);
  besideNamed.AddPlayer("Bakker", scNot, 0);
  EXPECT_EQ(Sorted(Run(&besideNamed)), Where([](const GameRec &g) {
              return (g.white == "Vos" || g.black == "Vos") && g.white != "Bakker" && g.black != "Bakker";
            }));
  // Colours ignored: "not" is not told apart and names the player.
  besideNamed.SetIgnoreColors(true);
  EXPECT_EQ(Sorted(Run(&besideNamed)), Where([](const GameRec &g) {
              return g.white == "Vos" || g.black == "Vos" || g.white == "Bakker" || g.black == "Bakker";
            }));
}

TEST_F(Search, WithinListsCopiesAndRefusals) {
  const int within = db.NewGameList();
  std::vector<int32_t> rows;
  std::mt19937 rng(7);
  for (int k = 0; k < 300; ++k) rows.push_back(static_cast<int32_t>(rng() % kGames + 1));
  for (int32_t n : rows) db.AddGameToList(within, n);
  GameSearchMaskO m = Criteria();
  m.AddEventSite("North", false, false);
  Games expected;
  for (int32_t n : rows)
    if (Has(model_[static_cast<size_t>(n)].event, "North")) expected.push_back(n);
  EXPECT_EQ(Run(&m, within), expected) << "tested in row order";

  Games all(kGames);
  std::iota(all.begin(), all.end(), 1);
  EXPECT_EQ(Run(nullptr), all);
  GameSearchMaskO empty;
  EXPECT_EQ(Run(&empty, db.NewAllGamesList()), all);

  const Games before = Run(&m);
  EXPECT_THROW(db.SearchGames(&m, target_, target_, nullptr), ERangeError);
  EXPECT_THROW(db.SearchGames(&m, 0, 0, nullptr), ERangeError);
  EXPECT_THROW(db.SearchGames(&m, target_, 25, nullptr), ERangeError) << "a free within slot";
  EXPECT_EQ(db.GameListCount(target_), static_cast<int32_t>(before.size()));
  EXPECT_EQ(db.GameListGameNr(target_, 1), before[0]);
}

TEST_F(Search, ProgressEvery2000GamesAndACancelKeepsTheRowsFoundSoFar) {
  RecordingProgress progress;
  GameSearchMaskO b;
  b.AddPlayer("B", scNone, 0);  // five players
  Run(&b, 0, &progress.dlg);
  ASSERT_GT(db.SearchGamesMet(), 2000);
  ASSERT_LT(db.SearchGamesMet(), 4000);
  EXPECT_EQ(progress.messages, std::vector<std::string>{"[2000 games]"}) << "a walk counts the games met";

  progress.messages.clear();
  CancelAfter cancel(progress.dlg, 1);  // at the first report
  const Games v = Run(nullptr, 0, &progress.dlg);
  EXPECT_EQ(progress.messages, std::vector<std::string>{"[80%, 2000 games]"});
  ASSERT_EQ(v.size(), 2000u);
  EXPECT_EQ(v.back(), 2000);
  EXPECT_EQ(db.SearchGamesMet(), 2000);
}

// Names of both encodings in one file: a typed name (UTF-8) is tried in
// Windows-1252 too; UTF-8 names differing in a second byte stay apart.
TEST(SearchEncodings, TypedNamesFindBothEncodingsAndUtf8NamesStayApart) {
  testutil::TempDir dir;
  const char *const names[] = {"M\xfcller", "M\xc3\xbcller", "\xc3\x9arsula", "\xc3\x8arsula", "Benk\xc5\x91"};
  std::string pgn;
  for (const char *n : names)
    pgn += std::string("[White \"") + n + "\"]\r\n[Black \"X\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n\r\n";
  dir.Write("mixed.pgn", pgn);
  for (const bool booster : {true, false}) {
    DatabaseO db;
    bool report = false;
    ASSERT_TRUE(db.Open(dir.File("mixed.pgn"), nullptr, nullptr, report));
    ASSERT_EQ(db.GameCount(), 5);
    db.SetSearchBooster(booster);
    auto run = [&](const std::string &name) {
      GameSearchMaskO m;
      m.AddPlayer(name, scNone, 0);
      const int list = db.NewGameList();
      db.SearchGames(&m, list, 0, nullptr);
      Games v;
      for (int32_t i = 1; i <= db.GameListCount(list); ++i) v.push_back(db.GameListGameNr(list, i));
      db.FreeGameList(list);
      std::sort(v.begin(), v.end());
      return v;
    };
    EXPECT_EQ(run("m\xc3\xbcller"), (Games{1, 2})) << booster;
    EXPECT_EQ(run("m\xfcller"), (Games{1, 2})) << booster;
    EXPECT_EQ(run("\xc3\x9arsula"), (Games{3})) << booster;
    EXPECT_EQ(run("\xc3\x8a"), (Games{4})) << booster;
    EXPECT_EQ(run("benk\xc5\x91"), (Games{5})) << booster;
    EXPECT_TRUE(db.Close(nullptr));
  }
}

// Searches repeated through the held descriptors and chains see every
// store, replacement and deletion made through the database at once, also
// a replacement that keeps the names (the booster then writes nothing).
TEST(SearchHeld, RepeatedSearchesSeeStoresReplacementsAndDeletions) {
  testutil::TempDir dir;
  DatabaseO db;
  bool report = false;
  ASSERT_TRUE(db.Open(dir.File("held.qcx"), nullptr, nullptr, report));
  ASSERT_TRUE(db.HasSearchBooster());
  auto text = [](const std::string &white, const std::string &black, const std::string &result) {
    return "[White \"" + white + "\"]\r\n[Black \"" + black + "\"]\r\n[Result \"" + result + "\"]\r\n\r\n1. e4 " +
           result + "\r\n";
  };
  for (int k = 1; k <= 600; ++k)
    ASSERT_EQ(db.SavePgnText(-1, text(k % 3 == 0 ? "Bakker" : "Vos", "Mol", k % 2 ? "1-0" : "0-1")), k);
  const int slot = db.NewGameList();
  GameSearchMaskO wins = Criteria();
  wins.AddPlayer("Bakker", scWhite, 0);
  wins.SetSearchWins(true);
  auto run = [&] {
    std::set<int32_t> found;
    for (int rep = 0; rep < 2; ++rep) {  // the second from what the first held
      db.SearchGames(&wins, slot, 0, nullptr);
      std::set<int32_t> now;
      for (int32_t i = 1; i <= db.GameListCount(slot); ++i) now.insert(db.GameListGameNr(slot, i));
      if (rep == 1) {
        EXPECT_EQ(now, found);
      }
      found = now;
    }
    return found;
  };
  const std::set<int32_t> before = run();
  EXPECT_EQ(before.size(), 100u);  // k = 3, 9, 15, ...
  EXPECT_TRUE(before.contains(3) && !before.contains(6));

  ASSERT_EQ(db.SavePgnText(-1, text("Bakker", "Vos", "1-0")), 601);
  EXPECT_TRUE(run().contains(601));
  ASSERT_EQ(db.SavePgnText(3, text("Bakker", "Mol", "0-1")), 3);  // same names, another result
  EXPECT_FALSE(run().contains(3));
  ASSERT_EQ(db.SavePgnText(6, text("Bakker", "Mol", "1-0")), 6);  // a new player, a new result
  EXPECT_TRUE(run().contains(6));
  ASSERT_EQ(db.SavePgnText(9, text("Vos", "Bakker", "1-0")), 9);  // Bakker now Black
  const std::set<int32_t> after = run();
  EXPECT_FALSE(after.contains(9));
  EXPECT_EQ(after.size(), before.size());  // 601 and 6 in, 3 and 9 out

  EXPECT_FALSE(db.GameIsDeleted(15));
  ASSERT_TRUE(db.DeleteGame(15));
  EXPECT_TRUE(db.GameIsDeleted(15));
  db.FreeGameList(slot);
  ASSERT_TRUE(db.Close(nullptr));
}

// Every case variant of a name finds the same games in a UTF-8 file and in
// its Windows-1252 copy, through the booster and by a scan, and that is
// the count of the games that name the player in any case.
TEST(SearchEncodings, CaseVariantsFindTheSameGamesInUtf8AndWindows1252) {
  struct Player {
    std::vector<std::string> variants;  // UTF-8, the first as stored most
    bool inWindows1252;
  };
  const std::vector<Player> players = {
      {{"\xc3\x85ngstr\xc3\xb6m", "\xc3\x85NGSTR\xc3\x96M", "\xc3\xa5ngstr\xc3\xb6m"}, true},
      {{"M\xc3\xbcller", "M\xc3\x9cLLER", "m\xc3\xbcller"}, true},
      {{"\xc5\xa0imek", "\xc5\xa0IMEK", "\xc5\xa1imek"}, true},
      {{"\xc3\x9arsula", "\xc3\xbarsula", "\xc3\x9aRSULA"}, true},
      {{"\xc3\x8arsula", "\xc3\xaarsula"}, true},
      {{"Ursula", "ursula"}, true},
      {{"\xd0\x9f\xd0\xb5\xd1\x82\xd1\x80\xd0\xbe\xd0\xb2",
        "\xd0\x9f\xd0\x95\xd0\xa2\xd0\xa0\xd0\x9e\xd0\x92",
        "\xd0\xbf\xd0\xb5\xd1\x82\xd1\x80\xd0\xbe\xd0\xb2"},
       false},
      {{"Benk\xc5\x91", "BENK\xc5\x90", "benk\xc5\x91"}, false},
      {{"\xce\xa0\xce\xb1\xcf\x80\xce\xb1\xcf\x82", "\xce\xa0\xce\x91\xce\xa0\xce\x91\xce\xa3",
        "\xcf\x80\xce\xb1\xcf\x80\xce\xb1\xcf\x83"},
       false},
  };
  std::mt19937 rng(75);
  std::string pgn;
  std::vector<int> games(players.size());  // independent count per player
  for (int g = 0; g < 400; ++g) {
    const size_t w = rng() % players.size(), b = rng() % players.size();
    auto name = [&](size_t p) { return players[p].variants[rng() % players[p].variants.size()]; };
    pgn +=
        "[White \"" + name(w) + "\"]\r\n[Black \"" + name(b) + "\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n\r\n";
    ++games[w];
    if (b != w) ++games[b];
  }
  testutil::TempDir dir;
  dir.Write("utf8.pgn", pgn);
  dir.Write("cp1252.pgn", win1252::FromUtf8(pgn, '?'));
  for (const char *file : {"utf8.pgn", "cp1252.pgn"}) {
    const bool utf8 = std::string(file) == "utf8.pgn";
    DatabaseO db;
    bool report = false;
    ASSERT_TRUE(db.Open(dir.File(file), nullptr, nullptr, report));
    ASSERT_EQ(db.GameCount(), 400);
    for (const bool booster : {true, false}) {
      db.SetSearchBooster(booster);
      for (size_t p = 0; p < players.size(); ++p) {
        if (!utf8 && !players[p].inWindows1252) continue;
        std::vector<std::string> typed = players[p].variants;
        if (players[p].inWindows1252)
          for (const std::string &v : players[p].variants) typed.push_back(win1252::FromUtf8(v));
        for (const std::string &name : typed) {
          GameSearchMaskO m;
          m.AddPlayer(name, scNone, 0);
          const int list = db.NewGameList();
          db.SearchGames(&m, list, 0, nullptr);
          EXPECT_EQ(db.GameListCount(list), games[p]) << file << " " << name << " booster " << booster;
          db.FreeGameList(list);
        }
      }
    }
    EXPECT_TRUE(db.Close(nullptr));
  }
}
