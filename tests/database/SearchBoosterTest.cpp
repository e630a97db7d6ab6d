// The search booster: the chains' bytes, their cost, replacements that keep
// every chain strictly descending against a descriptor scan, damaged
// chains, and building anew.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/GameStoreMan.h"
#include "database/SearchBoosterMan.h"
#include "platform/Bytes.h"
#include "platform/Process.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

std::string U32s(const std::vector<uint32_t> &v) {
  std::string s(v.size() * 4, '\0');
  for (size_t i = 0; i < v.size(); ++i) le::PutU32(reinterpret_cast<uint8_t *>(s.data()) + 4 * i, v[i]);
  return s;
}

GameDescriptor Named(uint32_t white, uint32_t black, uint32_t eventSite) {
  GameDescriptor d;
  d.white = white;
  d.black = black;
  d.eventSite = eventSite;
  return d;
}

struct Fixture {
  TempDir dir;
  GameStoreO games;
  SearchBoosterO booster;
  GameBuffer empty;
  Fixture() {
    EXPECT_TRUE(games.Open(dir.File("b.qcx")));
    EXPECT_TRUE(booster.Open(dir.File("b.qcx")));
  }
  int32_t Store(const GameDescriptor &d) {
    const int32_t n = games.AddGame(empty, d);
    EXPECT_TRUE(booster.AddGame(n, d.white, d.eventSite, d.black));
    return n;
  }
  void Replace(int32_t n, const GameDescriptor &d) {
    GameDescriptor old;
    ASSERT_TRUE(games.ReadDescriptor(n, old));
    ASSERT_TRUE(games.SaveGame(n, empty, d));
    ASSERT_TRUE(booster.ReplaceGame(games, n, {old.white, old.black, old.eventSite},
                                    {d.white, d.black, d.eventSite}));
  }
  // The walk's games, at most limit of them.
  std::vector<int32_t> Walk(uint32_t id, bool player, size_t limit = 1000) {
    std::vector<int32_t> out;
    auto visit = [&](int32_t n, const GameDescriptor &) {
      out.push_back(n);
      return out.size() < limit;
    };
    if (player)
      booster.WalkPlayer(games, id, visit);
    else
      booster.WalkEventSite(games, id, visit);
    return out;
  }
  // Per player and per event/site id, its games newest first, by reading
  // every descriptor.
  struct Scanned {
    std::vector<std::vector<int32_t>> players, events;
  };
  Scanned ScanAll(uint32_t players, uint32_t events) {
    Scanned s{std::vector<std::vector<int32_t>>(players + 1), std::vector<std::vector<int32_t>>(events + 1)};
    GameDescriptor d;
    for (int32_t n = games.Count(); n >= 1; --n) {
      EXPECT_TRUE(games.ReadDescriptor(n, d));
      if (d.white != 0) s.players[d.white].push_back(n);
      if (d.black != 0 && d.black != d.white) s.players[d.black].push_back(n);
      if (d.eventSite != 0) s.events[d.eventSite].push_back(n);
    }
    return s;
  }
};

}  // namespace

TEST(SearchBooster, ChainBytesAndZeroIds) {
  Fixture f;
  constexpr uint32_t P = 2;
  for (int32_t n = 1; n <= 9; ++n) f.Store(n == 1 || n == 5 || n == 9 ? Named(P, 3, 1) : Named(0, 0, 0));
  EXPECT_EQ(f.dir.Read("b.bpl"), U32s({0, 9, 9}));
  EXPECT_EQ(f.dir.Read("b.bes"), U32s({9}));
  const std::string bli = f.dir.Read("b.bli");
  ASSERT_EQ(bli.size(), 9u * 12);
  EXPECT_EQ(bli.substr(0, 12), U32s({0, 0, 0}));
  EXPECT_EQ(bli.substr(4 * 12, 12), U32s({1, 1, 1}));
  EXPECT_EQ(bli.substr(8 * 12, 12), U32s({5, 5, 5}));
  EXPECT_EQ(bli.substr(12, 12), U32s({0, 0, 0}));  // a game without names
  EXPECT_EQ(f.Walk(P, true), (std::vector<int32_t>{9, 5, 1}));
  EXPECT_EQ(f.booster.PrevGameOfWhite(9), 5u);
  EXPECT_EQ(f.booster.PrevGameOfBlack(5), 1u);
  EXPECT_EQ(f.booster.PrevGameOfEventSite(5), 1u);
  // An id past the file reads 0 and writes nothing.
  EXPECT_EQ(f.booster.LastGameOfPlayer(6), 0u);
  EXPECT_EQ(f.dir.Read("b.bpl"), U32s({0, 9, 9}));
  EXPECT_EQ(f.booster.LastGameOfEventSite(0), 0u);

  // w = b: the Black link is the game itself; walks follow the White link.
  const int32_t n = f.Store(Named(4, 4, 0));
  EXPECT_EQ(f.dir.Read("b.bli").substr(12 * 9), U32s({0, 10, 0}));
  EXPECT_EQ(f.Walk(4, true), (std::vector<int32_t>{n}));
}

// Linking a game whose names have heads costs three reads and four writes;
// a replacement with unchanged names writes nothing.
TEST(SearchBooster, CountedCosts) {
  Fixture f;
  f.Store(Named(1, 2, 1));
  f.booster.ResetIoCounts();
  f.Store(Named(2, 1, 1));
  EXPECT_EQ(f.booster.IoCounts().reads, 3u);
  EXPECT_EQ(f.booster.IoCounts().writes, 4u);
  const std::string before = f.dir.Read("b.bpl") + f.dir.Read("b.bes") + f.dir.Read("b.bli");
  f.booster.ResetIoCounts();
  f.Replace(2, Named(2, 1, 1));
  EXPECT_EQ(f.booster.IoCounts().writes, 0u);
  EXPECT_EQ(f.dir.Read("b.bpl") + f.dir.Read("b.bes") + f.dir.Read("b.bli"), before);
}

// Random stores and replacements, with White = Black games, changes into
// and out of them and colour swaps: every walk ends, descends strictly and
// lists exactly the games a descriptor scan finds for its name.
TEST(SearchBooster, ReplacementsKeepEveryChainAgainstADescriptorScan) {
  Fixture f;
  std::mt19937 rng(25);
  constexpr uint32_t kPlayers = 12, kEvents = 5;
  auto randomNames = [&] {
    const uint32_t w = rng() % (kPlayers + 1);
    uint32_t b = rng() % (kPlayers + 1);
    if (rng() % 6 == 0) b = w;
    return Named(w, b, rng() % (kEvents + 1));
  };
  for (int i = 0; i < 300; ++i) f.Store(randomNames());
  for (int step = 0; step < 1000; ++step) {
    const auto n = static_cast<int32_t>(rng() % static_cast<uint32_t>(f.games.Count())) + 1;
    GameDescriptor d;
    ASSERT_TRUE(f.games.ReadDescriptor(n, d));
    switch (rng() % 5) {
      case 0:
        f.Store(randomNames());
        break;
      case 1:
        f.Replace(n, Named(d.black, d.white, d.eventSite));  // colours swapped
        break;
      case 2:
        f.Replace(n, Named(d.white, d.white, d.eventSite));  // into w = b
        break;
      default:
        f.Replace(n, randomNames());
    }
    const auto limit = static_cast<size_t>(f.games.Count()) + 1;
    const auto scan = f.ScanAll(kPlayers, kEvents);
    for (uint32_t id = 1; id <= kPlayers; ++id) {
      const auto walk = f.Walk(id, true, limit);
      ASSERT_LT(walk.size(), limit) << "player " << id << " step " << step;
      ASSERT_EQ(walk, scan.players[id]) << "player " << id << " step " << step;
    }
    for (uint32_t id = 1; id <= kEvents; ++id) ASSERT_EQ(f.Walk(id, false, limit), scan.events[id]) << step;
  }
  // The files are what a build makes of the names: an open rebuilds nothing.
  std::vector<GameStoreO::NameIds> names;
  GameDescriptor d;
  for (int32_t n = 1; n <= f.games.Count(); ++n) {
    ASSERT_TRUE(f.games.ReadDescriptor(n, d));
    names.push_back({d.white, d.black, d.eventSite});
  }
  EXPECT_EQ(f.booster.Verify(names, kPlayers, kEvents), "");
  names[7].white = names[7].white % kPlayers + 1;
  EXPECT_EQ(f.booster.Verify(names, kPlayers, kEvents), f.dir.File("b.bli"));
}

TEST(SearchBooster, LoopsStopAndBuildingStartsAfresh) {
  Fixture f;
  for (int i = 0; i < 4; ++i) f.Store(Named(1, 2, 1));
  // Game 2's White link points up to game 4.
  std::string bli = f.dir.Read("b.bli");
  bli.replace(12, 4, U32s({4}));
  f.booster.Close();
  f.dir.Write("b.bli", bli);
  ASSERT_TRUE(f.booster.Open(f.dir.File("b.qcx")));
  EXPECT_EQ(f.Walk(1, true), (std::vector<int32_t>{4, 3, 2}));

  // Stale heads and links are gone after a build.
  f.booster.Close();
  f.dir.Write("b.bpl", U32s({77, 77, 77}));
  f.dir.Write("b.bli", bli.substr(0, 12));
  ASSERT_TRUE(f.booster.Open(f.dir.File("b.qcx")));
  EXPECT_EQ(f.booster.LinkedGames(), 1);
  int32_t damaged = -1;
  ASSERT_TRUE(f.booster.Build(f.games, 2, 1, damaged));
  EXPECT_EQ(damaged, 0);
  EXPECT_EQ(f.booster.LinkedGames(), 4);
  EXPECT_EQ(f.dir.Read("b.bpl"), U32s({4, 4}));
  EXPECT_EQ(f.Walk(1, true), (std::vector<int32_t>{4, 3, 2, 1}));

  // A failed link stops before ".bli"[n]; switching off deletes ".bli" first.
  MessageRecorder rec;
  f.games.AddGame(f.empty, Named(1, 2, 1));
  {
    FileFault fault(FileFault::Op::Write, 2, ENOSPC);
    EXPECT_FALSE(f.booster.AddGame(5, 1, 1, 2));
  }
  EXPECT_EQ(f.booster.LinkedGames(), 4);
  EXPECT_EQ(rec.messages.size(), 1u);
  f.booster.CloseAndDelete();
  for (const char *ext : {"b.bpl", "b.bes", "b.bli"}) EXPECT_FALSE(files::Exists(f.dir.File(ext))) << ext;
}

// ".bli" is cut first when building and deleted first when switching off:
// whatever stops the work after that, the links left are fewer than the
// games, so the next open builds again.
TEST(SearchBooster, BuildingCutsAndDeletingRemovesTheLinksFirst) {
  Fixture f;
  for (int i = 0; i < 4; ++i) f.Store(Named(1, 2, 1));
  const std::string bpl = f.dir.Read("b.bpl");
  MessageRecorder rec;
  int32_t damaged = 0;
  {
    FileFault fault(FileFault::Op::Truncate, 2, EIO);
    EXPECT_FALSE(f.booster.Build(f.games, 2, 1, damaged));
    EXPECT_TRUE(fault.Fired());
  }
  EXPECT_EQ(f.booster.LinkedGames(), 0);
  EXPECT_EQ(f.dir.Read("b.bli"), "");
  EXPECT_EQ(f.dir.Read("b.bpl"), bpl);
  ASSERT_TRUE(f.booster.Build(f.games, 2, 1, damaged));
  EXPECT_EQ(f.Walk(1, true), (std::vector<int32_t>{4, 3, 2, 1}));
  {
    FileFault fault(FileFault::Op::Delete, 2, EACCES);
    f.booster.CloseAndDelete();
    EXPECT_TRUE(fault.Fired());
  }
  EXPECT_FALSE(files::Exists(f.dir.File("b.bli")));
  EXPECT_TRUE(files::Exists(f.dir.File("b.bpl")));
}

// Long chains are walked in blocks of links and index entries: the walk
// across block ends lists what a descriptor scan finds, with few reads, and
// a failed block read falls back to reading game by game.
TEST(SearchBooster, BlockWalksCrossBlocksAndSurviveAFailedRead) {
  Fixture f;
  std::mt19937 rng(7);
  for (int i = 0; i < 2000; ++i)
    f.Store(Named(1 + rng() % 3, 1 + rng() % 40, i % 1000 < 3 ? 1 : 2 + rng() % 5));
  const Fixture::Scanned s = f.ScanAll(40, 6);
  f.booster.ResetIoCounts();
  EXPECT_EQ(f.Walk(2, true, 5000), s.players[2]);
  EXPECT_LE(f.booster.IoCounts().reads, 1u + 2000 / 512 + 1);  // the head, then a block per 512 games
  EXPECT_EQ(f.Walk(1, false), s.events[1]);  // sparse: a block for each game
  EXPECT_EQ(f.Walk(17, true), s.players[17]);
  MessageRecorder rec;
  {
    FileFault fault(FileFault::Op::Read, 2, EIO);  // the first block of index entries
    EXPECT_EQ(f.Walk(3, true, 5000), s.players[3]);
  }
  {
    FileFault fault(FileFault::Op::Read, 4, EIO);  // the first block of links
    EXPECT_EQ(f.Walk(3, true, 5000), s.players[3]);
  }
  EXPECT_TRUE(rec.messages.empty());
}

// A chain walked to its end is replayed from memory, within 12 bytes a
// game, until the booster or the game store is written; a walk stopped
// early, cut by a failed read or ended by damage is not held.
TEST(SearchBooster, HeldChainsAreReplayedUntilAWriteAndNeverServeStaleGames) {
  Fixture f;
  std::mt19937 rng(11);
  for (int i = 0; i < 600; ++i) f.Store(Named(1 + rng() % 5, 1 + rng() % 5, 1 + rng() % 3));
  auto s = f.ScanAll(5, 3);
  auto readsOf = [&](uint32_t id, const std::vector<int32_t> &expected) {
    f.booster.ResetIoCounts();
    EXPECT_EQ(f.Walk(id, true, 5000), expected) << id;
    return f.booster.IoCounts().reads;
  };
  EXPECT_GT(readsOf(2, s.players[2]), 0u);
  EXPECT_EQ(readsOf(2, s.players[2]), 0u);
  EXPECT_EQ(f.Walk(3, true, 2).size(), 2u);  // stopped early
  EXPECT_GT(readsOf(3, s.players[3]), 0u);
  EXPECT_EQ(readsOf(3, s.players[3]), 0u);
  for (uint32_t id = 1; id <= 5; ++id) EXPECT_EQ(f.Walk(id, true, 5000), s.players[id]);
  for (uint32_t id = 1; id <= 3; ++id) EXPECT_EQ(f.Walk(id, false, 5000), s.events[id]);
  EXPECT_GT(f.booster.HeldBytes(), 0u);
  EXPECT_LE(f.booster.HeldBytes(), 12u * static_cast<size_t>(f.games.Count()));

  // Writes of the game store alone: a deletion shows in the descriptor
  // visited, a game that no longer names the player ends the walk as damage.
  const int32_t deleted = s.players[2][3], renamed = s.players[2][10];
  ASSERT_TRUE(f.games.DeleteGame(deleted));
  uint8_t flags = 0;
  f.booster.WalkPlayer(f.games, 2, [&](int32_t n, const GameDescriptor &d) {
    if (n == deleted) flags = d.flags;
    return true;
  });
  EXPECT_TRUE(flags & GameDescriptor::gfDeleted);
  ASSERT_TRUE(f.games.WriteDescriptor(renamed, Named(99, 99, 1)));
  for (int k = 0; k < 2; ++k) {
    std::vector<int32_t> met;
    EXPECT_FALSE(f.booster.WalkPlayer(f.games, 2, [&](int32_t n, const GameDescriptor &) {
      met.push_back(n);
      return true;
    }));
    EXPECT_EQ(met.back(), renamed);
  }
  ASSERT_TRUE(f.games.WriteDescriptor(renamed, Named(2, 2, 1)));

  // Writes through the booster: a stored game leads its chains.
  const int32_t n = f.Store(Named(4, 1, 2));
  EXPECT_EQ(f.Walk(4, true, 5000).front(), n);
  EXPECT_EQ(f.Walk(1, true, 5000).front(), n);
  EXPECT_EQ(f.Walk(2, false, 5000).front(), n);
  s = f.ScanAll(5, 3);

  // A failed block read: the walk is whole, but read again next time.
  MessageRecorder rec;
  f.booster.Close();
  ASSERT_TRUE(f.booster.Open(f.dir.File("b.qcx")));
  EXPECT_EQ(f.booster.HeldBytes(), 0u);
  {
    FileFault fault(FileFault::Op::Read, 2, EIO);
    EXPECT_EQ(f.Walk(1, true, 5000), s.players[1]);
    EXPECT_TRUE(fault.Fired());
  }
  EXPECT_GT(readsOf(1, s.players[1]), 0u);
  EXPECT_EQ(readsOf(1, s.players[1]), 0u);
  EXPECT_TRUE(rec.messages.empty());

  // A head past the games: the walk fails every time.
  std::string bpl = f.dir.Read("b.bpl");
  f.booster.Close();
  bpl.replace(4 * 4, 4, U32s({static_cast<uint32_t>(f.games.Count()) + 5}));
  f.dir.Write("b.bpl", bpl);
  ASSERT_TRUE(f.booster.Open(f.dir.File("b.qcx")));
  for (int k = 0; k < 2; ++k)
    EXPECT_FALSE(f.booster.WalkPlayer(f.games, 5, [](int32_t, const GameDescriptor &) { return true; })) << k;
}

// Long held chains are tested ahead on other threads: the visits, their
// order, the answers and where a visit stops stay those of plain walks.
TEST(SearchBooster, TestedWalksOfHeldChainsAnswerAsPlainWalks) {
  if (proc::SpareCores(1) == 0) GTEST_SKIP() << "one core: no walk ahead";
  Fixture f;
  std::mt19937 rng(5);
  for (int i = 0; i < 12000; ++i) f.Store(Named(1 + rng() % 4, 1 + rng() % 6, 1 + rng() % 9));
  const std::vector<uint32_t> ids = {3, 0, 1, 5};
  // The answer hangs on the player's place: a game with an earlier one is
  // passed over, as a search does.
  auto test = [&](size_t k, const GameDescriptor &d) {
    const uint32_t other = d.white == ids[k] ? d.black : d.white;
    const auto at = std::find(ids.begin(), ids.end(), other);
    return (at == ids.end() || static_cast<size_t>(at - ids.begin()) >= k) && d.eventSite % 3 != k % 3;
  };
  std::vector<std::string> plain;
  for (size_t k = 0; k < ids.size(); ++k)
    f.booster.WalkPlayer(f.games, ids[k], [&](int32_t n, const GameDescriptor &d) {
      plain.push_back(std::to_string(k) + " " + std::to_string(n) + (test(k, d) ? " +" : " -"));
      return true;
    });
  ASSERT_GT(plain.size(), 9000u);
  // The plain walks left the chains held.
  for (const size_t stop : {plain.size(), size_t{7000}}) {
    std::vector<std::string> tested;
    EXPECT_TRUE(f.booster.WalkPlayersAhead(f.games, ids, test, [&](size_t k, int32_t n, bool passed) {
      tested.push_back(std::to_string(k) + " " + std::to_string(n) + (passed ? " +" : " -"));
      return tested.size() < stop;
    }, 1000));
    EXPECT_EQ(tested, std::vector<std::string>(plain.begin(), plain.begin() + static_cast<std::ptrdiff_t>(stop)))
        << stop;
  }
}
