// The opening-key tree over its six files: the bytes of new records, the
// games lists against ".gki" under random re-keying, memory mode, damaged
// links and failing file systems.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "TestUtil.h"
#include "database/KeyTreeMan.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

// A position read from FEN, passed where a PositionO is wanted.
class Board {
 public:
  explicit Board(const std::string &fen) {
    if (!p_.SetFEN(fen)) throw std::runtime_error("bad FEN " + fen);
  }
  operator const PositionO &() const { return p_; }

 private:
  PositionO p_;
};

CompactPosition Compact(const std::string &fen) {
  MailboxPos m;
  if (!m.SetFromFEN(fen)) throw std::runtime_error("bad FEN " + fen);
  CompactPosition cp;
  m.ToCompact(cp);
  return cp;
}

const char *const kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const char *const kE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
const char *const kE4C5 = "rnbqkbnr/pp1ppppp/8/2p5/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2";
const char *const kD4 = "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1";
const char *const kExd5 = "rnbqkbnr/ppp1pppp/8/3P4/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 2";

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  le::PutU32(reinterpret_cast<uint8_t *>(s.data()), v);
  return s;
}

std::string ListBucket(uint32_t next, std::vector<uint32_t> values) {
  std::string s = U32(next) + U32(static_cast<uint32_t>(values.size()));
  values.resize(10, 0);
  for (uint32_t v : values) s += U32(v);
  return s;
}

// Writes bytes into a file at an offset.
void Patch(const std::string &path, size_t at, const std::string &bytes) {
  BinFile f;
  ASSERT_TRUE(f.Open(path, BinFile::Mode::ReadWrite));
  ASSERT_TRUE(f.WriteAt(at, bytes.data(), bytes.size()));
}

// A new set in a scratch folder, opened, with one child a of the root
// current.
struct OneKey {
  TempDir dir;
  std::string key = dir.File("db.key");
  KeyTreeO t;
  uint32_t a = 0;
  OneKey() {
    EXPECT_TRUE(t.Open(key));
    a = t.AddChild();
    t.SetCurrentNode(a);
  }
};

std::vector<uint32_t> GamesOf(KeyTreeO &t, uint32_t node) {
  t.SetCurrentNode(node);
  std::vector<uint32_t> out;
  for (int i = 1; i <= t.GameCount(); ++i) out.push_back(t.GetGame(i));
  return out;
}

}  // namespace

TEST(KeyTree, NewSetAndTheBytesOfNewRecords) {
  TempDir dir;
  const std::string key = dir.File("db.key");
  {
    KeyTreeO t;
    ASSERT_TRUE(t.Open(key));
    EXPECT_EQ(t.NodeCount(), 1u);
    EXPECT_EQ(t.CurrentNode(), 1u);
    EXPECT_EQ(t.GetName(), "root");
    EXPECT_FALSE(t.HasParent());
    EXPECT_EQ(t.ChildCount(), 0);
    EXPECT_EQ(t.PositionCount(), 0);
    EXPECT_EQ(t.GameCount(), 0);
    ASSERT_TRUE(t.Close());
  }
  std::string root(152, '\0');
  root.replace(0, 5, "\x04root");
  EXPECT_EQ(dir.Read("db.key"), root);
  EXPECT_EQ(dir.Read("db.gls"), ListBucket(0, {}));
  EXPECT_EQ(dir.Read("db.hsh"), std::string(262144, '\0'));
  EXPECT_EQ(dir.Read("db.pos"), "");
  EXPECT_EQ(dir.Read("db.kls"), "");
  EXPECT_FALSE(files::Exists(dir.File("db.gki")));

  {
    KeyTreeO t;
    ASSERT_TRUE(t.Open(key));
    ASSERT_EQ(t.AddChild(), 2u);
    EXPECT_EQ(t.CurrentNode(), 1u);
    ASSERT_TRUE(t.GoChild(1));
    ASSERT_TRUE(t.SetName(std::string(70, 'a') + "0123456789" + "overflow"));
    ASSERT_TRUE(t.SetCode("B90xyz"));
    ASSERT_TRUE(t.AddPosition(Board(kE4C5)));
    ASSERT_TRUE(t.SetPositionName(1, "1. e4 c5"));
    t.SetSiblingIndex(3);
    ASSERT_TRUE(t.Close());
  }
  const std::string nodes = dir.Read("db.key");
  ASSERT_EQ(nodes.size(), 304u);
  std::string n1 = root;
  n1.replace(140, 4, U32(1));  // children list: bucket 1 of ".kls"
  EXPECT_EQ(nodes.substr(0, 152), n1);
  std::string n2(152, '\0');
  n2[0] = 80;
  n2.replace(1, 80, std::string(70, 'a') + "0123456789");
  n2.replace(81, 6, "\x05" "B90xy");
  n2[128] = 3;
  n2.replace(132, 4, U32(2));  // positions list: bucket 2
  n2.replace(144, 4, U32(1));  // parent
  EXPECT_EQ(nodes.substr(152), n2);
  EXPECT_EQ(dir.Read("db.kls"), ListBucket(0, {2}) + ListBucket(0, {1}));
  std::string rec(120, '\0');
  rec[0] = static_cast<char>(0xFF);  // 16 men a side: (16 - 1) * 16 + (16 - 1)
  rec.replace(8, 4, U32(2));
  rec.replace(12, 9, "\x08" "1. e4 c5");
  const CompactPosition cp = Compact(kE4C5);
  rec.replace(93, 24, std::string(cp.bytes.begin(), cp.bytes.end()));
  EXPECT_EQ(dir.Read("db.pos"), rec);
  // The key counts men per pair of files: 8 in each of a-b, c-d, e-f, g-h.
  std::string heads(262144, '\0');
  heads.replace(4 * 0x8888, 4, U32(1));
  EXPECT_EQ(dir.Read("db.hsh"), heads);
}

TEST(KeyTree, CursorPositionsAndTheEdgeCasesOfKeys) {
  TempDir dir;
  const std::string key = dir.File("db.key");
  KeyTreeO t;
  ASSERT_TRUE(t.Open(key));
  const uint32_t a = t.AddChild(), b = t.AddChild();
  ASSERT_TRUE(t.GoChild(2));
  const uint32_t b1 = t.AddChild();
  EXPECT_EQ(t.CurrentNode(), b);
  ASSERT_TRUE(t.GoParent());
  EXPECT_EQ(t.IndexOfChild(b), 2);
  EXPECT_EQ(t.IndexOfChild(b1), 0);
  ASSERT_TRUE(t.SetChildName(1, "Open Games"));
  ASSERT_TRUE(t.SetChildCode(2, "D00"));
  EXPECT_EQ(t.GetChildName(1), "Open Games");
  EXPECT_EQ(t.GetChildCode(2), "D00");

  // A position another key owns stays with it.
  t.SetCurrentNode(a);
  ASSERT_TRUE(t.AddPosition(Board(kE4)));
  t.SetCurrentNode(b);
  ASSERT_TRUE(t.AddPosition(Board(kE4)));
  ASSERT_TRUE(t.AddPosition(Board(kD4)));
  EXPECT_EQ(t.PositionCount(), 1);
  t.SetCurrentNode(a);
  EXPECT_EQ(t.PositionCount(), 1);
  EXPECT_EQ(t.PositionStore().GetValue(t.GetPositionRecord(1)), a);
  PositionO board;
  ASSERT_TRUE(t.GetPosition(1, board));
  EXPECT_EQ(board.GetFEN().substr(0, 56), std::string(kE4).substr(0, 56));
  t.GoRoot();
  EXPECT_EQ(t.ChildPositionCount(2), 1);
  EXPECT_EQ(t.ChildGetPositionRecord(2, 1), 2u);
  ASSERT_TRUE(t.ChildGetPosition(2, 1, board));

  // Sibling indexes: each node up from b1 records the child it came from.
  t.SetCurrentNode(b1);
  ASSERT_TRUE(t.UpdateSiblingIndexes());
  EXPECT_EQ(t.CurrentNode(), b1);
  t.SetCurrentNode(b);
  EXPECT_EQ(t.GetSiblingIndex(), 1);
  t.GoRoot();
  EXPECT_EQ(t.GetSiblingIndex(), 2);

  // A child past 255 leaves its parent's byte as it is.
  t.SetCurrentNode(a);
  uint32_t last = 0;
  for (int i = 0; i < 256; ++i) last = t.AddChild();
  ASSERT_EQ(t.ChildCount(), 256);
  t.SetSiblingIndex(7);
  t.SetCurrentNode(last);
  ASSERT_TRUE(t.UpdateSiblingIndexes());
  t.SetCurrentNode(a);
  EXPECT_EQ(t.GetSiblingIndex(), 7);
  t.GoRoot();
  EXPECT_EQ(t.GetSiblingIndex(), 1);
  t.SetSiblingIndex(2);

  // Indexes and numbers out of range change nothing.
  EXPECT_THROW(t.GoChild(3), ERangeError);
  EXPECT_THROW(t.GoChild(0), ERangeError);
  EXPECT_THROW(t.SetCurrentNode(t.NodeCount() + 1), ERangeError);
  EXPECT_THROW(t.SetCurrentNode(0), ERangeError);
  EXPECT_THROW(t.GetPosition(1, board), ERangeError);
  EXPECT_THROW(t.GetGame(1), ERangeError);
  EXPECT_THROW(t.RemoveGameFromNode(1), ERangeError);
  EXPECT_THROW(t.SetSiblingIndex(256), ERangeError);
  EXPECT_THROW(t.SetGameKey(t.NodeCount() + 1, 1, true), ERangeError);
  EXPECT_THROW(t.SetGameKey(1, 0, true), ERangeError);
  EXPECT_THROW(t.ChildPositionCount(3), ERangeError);
  EXPECT_EQ(t.CurrentNode(), 1u);
  EXPECT_EQ(t.GetSiblingIndex(), 2);
  EXPECT_EQ(t.GetGameKey(123456), 0u);  // beyond ".gki"

  // SetGameKey with the key a game has changes nothing.
  ASSERT_TRUE(t.SetGameKey(b, 7, true));
  ASSERT_TRUE(t.SetGameKey(b, 9, true));
  ASSERT_TRUE(t.Close());
  const std::string gls = dir.Read("db.gls"), gki = dir.Read("db.gki");
  ASSERT_TRUE(t.Open(key));
  ASSERT_TRUE(t.SetGameKey(b, 7, true));
  ASSERT_TRUE(t.Close());
  EXPECT_EQ(dir.Read("db.gls"), gls);
  EXPECT_EQ(dir.Read("db.gki"), gki);
  EXPECT_EQ(gki.size(), 36u);  // grown with zero entries to game 9

  // A missing ".gki" is rebuilt from the games lists.
  ASSERT_TRUE(files::Delete(dir.File("db.gki")));
  ASSERT_TRUE(t.Open(key));
  EXPECT_EQ(t.GetGameKey(7), b);
  EXPECT_EQ(t.GetGameKey(9), b);
  EXPECT_EQ(t.GetGameKey(8), 0u);
  t.SetCurrentNode(b);
  EXPECT_EQ(t.TotalGameCount(), 2u);
  t.GoRoot();
  EXPECT_EQ(t.TotalGameCount(), 2u);
  ASSERT_TRUE(t.Close());
  EXPECT_EQ(dir.Read("db.gki"), gki);
}

namespace {

// Random keying of games against a model of game -> key.
class KeyModel {
 public:
  KeyModel(KeyTreeO &t, int nodes, uint32_t seed) : t_(t), rng_(seed) {
    parent_.assign(2, 0);
    for (int n = 2; n <= nodes; ++n) {
      const uint32_t p = 1 + rng_() % (n - 1);
      t_.SetCurrentNode(p);
      EXPECT_EQ(t_.AddChild(), static_cast<uint32_t>(n));
      parent_.push_back(p);
    }
    t_.GoRoot();
  }

  void Run(int steps, uint32_t games, bool recount) {
    for (int s = 0; s < steps; ++s) {
      const uint32_t g = 1 + rng_() % games;
      const uint32_t k = rng_() % 8 == 0 ? 0 : 1 + rng_() % (parent_.size() - 1);
      if (rng_() % 40 == 0 && key_[g] != 0) {
        // Out of its list behind ".gki"'s back: the next move of this game
        // has nothing to remove there.
        const uint32_t old = key_[g];
        const std::vector<uint32_t> list = GamesOf(t_, old);
        const auto at = std::find(list.begin(), list.end(), g);
        ASSERT_NE(at, list.end());
        ASSERT_TRUE(t_.RemoveGameFromNode(static_cast<int>(at - list.begin()) + 1));
        missing_.insert(g);
      }
      const uint32_t current = t_.CurrentNode();
      ASSERT_TRUE(t_.SetGameKey(k, g, recount));
      ASSERT_EQ(t_.CurrentNode(), current);
      if (key_[g] != k) missing_.erase(g);
      key_[g] = k;
    }
  }

  // Every game in exactly the list ".gki" names; with totals, every node's
  // total as the model counts it.
  void Check(bool totals) {
    std::map<uint32_t, std::multiset<uint32_t>> lists;
    for (const auto &[g, k] : key_)
      if (k != 0 && !missing_.count(g)) lists[k].insert(g);
    for (uint32_t n = 1; n < parent_.size(); ++n) {
      const std::vector<uint32_t> games = GamesOf(t_, n);
      ASSERT_EQ(std::multiset<uint32_t>(games.begin(), games.end()), lists[n]) << "node " << n;
    }
    for (const auto &[g, k] : key_) ASSERT_EQ(t_.GetGameKey(g), k) << "game " << g;
    if (!totals) return;
    std::vector<uint64_t> total(parent_.size(), 0);
    for (uint32_t n = static_cast<uint32_t>(parent_.size()) - 1; n >= 1; --n) {
      total[n] += lists[n].size();
      if (parent_[n]) total[parent_[n]] += total[n];
    }
    for (uint32_t n = 1; n < parent_.size(); ++n) {
      t_.SetCurrentNode(n);
      ASSERT_EQ(t_.TotalGameCount(), total[n]) << "node " << n;
    }
    t_.GoRoot();
  }

 private:
  KeyTreeO &t_;
  std::mt19937 rng_;
  std::vector<uint32_t> parent_;  // children are numbered after their parents
  std::map<uint32_t, uint32_t> key_;
  std::set<uint32_t> missing_;
};

void ConsistencyRun(int nodes, uint32_t seed, bool memoryThroughout) {
  TempDir dir;
  const std::string key = dir.File("db.key");
  KeyTreeO t;
  ASSERT_TRUE(t.Open(key));
  KeyModel model(t, nodes, seed);
  if (memoryThroughout) {
    ASSERT_TRUE(t.LoadIntoMemory());
  }
  // As a classification run does: no recount per game, one at the end.
  model.Run(6000, 2000, false);
  ASSERT_TRUE(t.RecountAll());
  model.Check(true);
  if (!memoryThroughout) {
    ASSERT_TRUE(t.LoadIntoMemory());
  }
  model.Run(3000, 2000, true);
  model.Check(true);
  ASSERT_TRUE(t.UnloadFromMemory());
  model.Run(1500, 2000, true);
  model.Check(true);
  ASSERT_TRUE(t.RecountAll());
  model.Check(true);
  ASSERT_TRUE(t.Close());
  ASSERT_TRUE(t.Open(key));
  model.Check(true);
  // And once more from a rebuilt ".gki".
  ASSERT_TRUE(t.Close());
  ASSERT_TRUE(files::Delete(dir.File("db.gki")));
  ASSERT_TRUE(t.Open(key));
  model.Check(true);
}

}  // namespace

TEST(KeyTree, GamesListsAndTotalsStayConsistentUnderRandomKeying) { ConsistencyRun(50, 5, false); }

TEST(KeyTree, ManyKeysInMemoryModeMakeTheListCacheEvict) { ConsistencyRun(1200, 6, true); }

TEST(KeyTree, PositionsAddedInMemoryModeAreFoundEverywhere) {
  OneKey k;
  KeyTreeO &t = k.t;
  const uint32_t a = k.a;
  const std::string &key = k.key;
  ASSERT_TRUE(t.AddPosition(Board(kE4)));
  ASSERT_TRUE(t.LoadIntoMemory());
  PosStoreManO &ps = t.PositionStore();
  ps.ResetIoCounts();
  ASSERT_TRUE(t.AddPosition(Board(kE4C5)));
  ASSERT_TRUE(t.AddPosition(Board(kD4)));
  ASSERT_TRUE(t.SetPositionName(2, "Sicilian"));
  EXPECT_EQ(ps.FindBoard(Board(kE4C5)), 2u);
  EXPECT_EQ(ps.FindBoard(Board(kD4)), 3u);
  EXPECT_EQ(ps.FindBoard(Board(kE4)), 1u);
  EXPECT_EQ(ps.FindBoard(Board(kStart)), 0u);
  EXPECT_EQ(ps.GetName(2), "Sicilian");
  EXPECT_EQ(ps.GetValue(3), a);
  EXPECT_EQ(ps.RecordIo().reads, 0u);  // lookups read no file
  ASSERT_TRUE(t.UnloadFromMemory());
  EXPECT_EQ(ps.FindBoard(Board(kE4C5)), 2u);
  EXPECT_EQ(ps.FindBoard(Board(kD4)), 3u);
  EXPECT_EQ(ps.GetName(2), "Sicilian");
  ASSERT_TRUE(t.Close());
  ASSERT_TRUE(t.Open(key));
  EXPECT_EQ(t.PositionStore().FindBoard(Board(kD4)), 3u);
  EXPECT_EQ(t.PositionStore().GetName(2), "Sicilian");
  t.SetCurrentNode(a);
  EXPECT_EQ(t.PositionCount(), 3);
}

TEST(KeyTree, LookupsReadTheirChainOnlyAndTheHeadsAreWrittenOnce) {
  TempDir dir;
  KeyTreeO t;
  ASSERT_TRUE(t.Open(dir.File("db.key")));
  // The key counts men per pair of files: the start, 1. e4 and 1. d4
  // share one; 1. e4 d5 2. exd5 (a pawn changed files) has its own.
  for (const char *fen : {kExd5, kStart, kE4, kD4}) ASSERT_TRUE(t.AddPosition(Board(fen)));
  PosStoreManO &ps = t.PositionStore();
  EXPECT_EQ(ps.HeadsIo().writes, 1u);  // the zero block of the new set
  ps.ResetIoCounts();
  EXPECT_EQ(ps.FindBoard(Board(kExd5)), 1u);
  EXPECT_EQ(ps.RecordIo().reads, 1u);
  ps.ResetIoCounts();
  // Newest first: d4 (the loaded record, not read again), e4, the start.
  EXPECT_EQ(ps.FindBoard(Board(kStart)), 2u);
  EXPECT_EQ(ps.RecordIo().reads, 2u);
  ps.ResetIoCounts();
  EXPECT_EQ(ps.FindBoard(Board("4k3/8/8/8/8/8/8/4K3 w - - 0 1")), 0u);
  EXPECT_EQ(ps.RecordIo().reads, 0u);  // an empty chain

  // A run of appends to one key's games list in cached mode reads each
  // bucket of its chain once (outside cache mode it is one read an append).
  ASSERT_TRUE(t.SetGameKey(1, 1, false));
  ASSERT_TRUE(t.LoadIntoMemory());
  t.GameLists().ResetIoCounts();
  for (uint32_t g = 2; g <= 500; ++g) ASSERT_TRUE(t.SetGameKey(1, g, false));
  EXPECT_LE(t.GameLists().IoCounts().reads, 50u);
  ASSERT_TRUE(t.UnloadFromMemory());
  EXPECT_EQ(t.GameCount(), 500);
  ps.ResetIoCounts();
  ASSERT_TRUE(t.Close());
  EXPECT_EQ(ps.HeadsIo().writes, 1u);
  EXPECT_EQ(ps.HeadsIo().reads, 0u);
}

// Damaged links are found by the open, which leaves the set as it is. The
// same damage met later (the file changed under the open set) ends the walk
// that meets it with failure and one message for the open, however often
// it is met.
TEST(KeyTree, DamagedLinksEndTheWalkWithFailure) {
  OneKey k;
  KeyTreeO &t = k.t;
  const TempDir &dir = k.dir;
  const std::string &key = k.key;
  const uint32_t a = k.a;
  const uint32_t b = t.AddChild();
  t.SetCurrentNode(b);
  const uint32_t c = t.AddChild();
  ASSERT_TRUE(t.SetGameKey(c, 1, true));
  ASSERT_TRUE(t.AddPosition(Board(kStart)));
  ASSERT_TRUE(t.AddPosition(Board(kE4)));
  ASSERT_TRUE(t.Close());
  const std::string kls = dir.Read("db.kls"), keyBytes = dir.Read("db.key");
  const std::string pos = dir.Read("db.pos");
  const auto damagedAtOpen = [&](const std::string &what) {
    std::vector<std::string> before;
    for (const char *e : {"db.key", "db.kls", "db.gls", "db.gki", "db.hsh", "db.pos"})
      before.push_back(dir.Read(e));
    MessageRecorder rec;
    EXPECT_FALSE(t.Open(key)) << what;
    EXPECT_TRUE(t.WasDamaged()) << what;
    EXPECT_FALSE(t.IsOpen()) << what;
    EXPECT_TRUE(rec.messages.empty()) << what;
    std::vector<std::string> after;
    for (const char *e : {"db.key", "db.kls", "db.gls", "db.gki", "db.hsh", "db.pos"})
      after.push_back(dir.Read(e));
    EXPECT_EQ(after, before) << what;
  };
  const auto once = [&](const char *file) {
    return std::vector<std::string>{"BucketStoreManO.GetBucket failed\n" + dir.File(file) +
                                    ": the file is damaged"};
  };
  // b's children list (the third list of ".kls") names its grandparent a,
  // then a node past the file.
  ASSERT_EQ(kls.substr(96, 48), ListBucket(0, {c}));
  for (uint32_t child : {a, 77u}) {
    Patch(dir.File("db.kls"), 96, ListBucket(0, {child}));
    damagedAtOpen("child " + std::to_string(child));
  }
  for (uint32_t child : {a, 77u}) {
    Patch(dir.File("db.kls"), 96, kls.substr(96, 48));
    MessageRecorder rec;
    ASSERT_TRUE(t.Open(key));
    Patch(dir.File("db.kls"), 96, ListBucket(0, {child}));
    EXPECT_FALSE(t.RecountAll());
    EXPECT_FALSE(t.RecountAll());
    ASSERT_TRUE(t.Close());
    EXPECT_EQ(rec.messages, once("db.kls")) << child;
  }
  Patch(dir.File("db.kls"), 96, kls.substr(96, 48));
  ASSERT_TRUE(t.Open(key));
  EXPECT_EQ(t.GetGameKey(1), c);
  ASSERT_TRUE(t.RecountAll());
  ASSERT_TRUE(t.Close());

  // A parent link that loops: b's parent is c.
  Patch(dir.File("db.key"), 152 * (b - 1) + 144, U32(c));
  damagedAtOpen("parent loop");
  Patch(dir.File("db.key"), 0, keyBytes);
  {
    MessageRecorder rec;
    ASSERT_TRUE(t.Open(key));
    Patch(dir.File("db.key"), 152 * (b - 1) + 144, U32(c));
    t.SetCurrentNode(c);
    EXPECT_FALSE(t.UpdateSiblingIndexes());
    EXPECT_FALSE(t.RecountUp(c));
    ASSERT_TRUE(t.Close());
    EXPECT_EQ(rec.messages, once("db.key"));
  }
  Patch(dir.File("db.key"), 0, keyBytes);

  // ".pos" chains: record 2 (1. e4) heads the start's chain; it points to
  // itself, then past the file.
  for (uint32_t next : {2u, 9u}) {
    Patch(dir.File("db.pos"), 120 + 4, U32(next));
    damagedAtOpen("next " + std::to_string(next));
    Patch(dir.File("db.pos"), 0, pos);
    for (bool memory : {false, true}) {
      MessageRecorder rec;
      ASSERT_TRUE(t.Open(key));
      Patch(dir.File("db.pos"), 120 + 4, U32(next));
      if (memory) {
        ASSERT_TRUE(t.LoadIntoMemory());
      }
      uint32_t r = 99;
      EXPECT_FALSE(t.PositionStore().Find(Compact(kD4), r)) << next;
      EXPECT_EQ(r, 0u);
      EXPECT_EQ(t.PositionStore().FindBoard(Board(kE4)), 2u);
      EXPECT_EQ(t.PositionStore().FindBoard(Board(kStart)), 0u);
      t.SetCurrentNode(a);
      EXPECT_FALSE(t.AddPosition(Board(kD4)));
      EXPECT_EQ(rec.messages, once("db.pos"));
      ASSERT_TRUE(t.Close());
      Patch(dir.File("db.pos"), 0, pos);
    }
  }
  EXPECT_EQ(dir.Read("db.pos").substr(0, 120), pos.substr(0, 120));
  // A record that names a node beyond the file keys nothing.
  Patch(dir.File("db.pos"), 120 + 4, pos.substr(124, 4));
  Patch(dir.File("db.pos"), 120 + 8, U32(99));
  ASSERT_TRUE(t.Open(key));
  EXPECT_EQ(t.PositionStore().FindBoard(Board(kE4)), 2u);
  EXPECT_EQ(t.KeyOfBoard(Board(kE4)), 0u);
  EXPECT_EQ(t.KeyOfBoard(Board(kStart)), b);
}

TEST(KeyTree, FailuresReachTheCallerAndLeaveNothingOpen) {
  TempDir dir;
  dir.Write("plain", "x");
  KeyTreeO t;
  {
    MessageRecorder rec;
    EXPECT_FALSE(t.Open(dir.File("plain/db.key")));
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"BucketStoreManO.CreateFile failed for data_file (20)"});
    EXPECT_FALSE(t.IsOpen());
    // Later calls neither crash nor write.
    EXPECT_EQ(t.AddChild(), 0u);
    EXPECT_FALSE(t.SetName("x"));
    EXPECT_EQ(t.GetName(), "");
    EXPECT_EQ(t.NodeCount(), 0u);
    EXPECT_EQ(t.ChildCount(), 0);
    EXPECT_FALSE(t.AddPosition(Board(kE4)));
    EXPECT_FALSE(t.SetGameKey(0, 3, true));
    EXPECT_EQ(t.GetGameKey(3), 0u);
    EXPECT_FALSE(t.RecountAll());
    EXPECT_FALSE(t.LoadIntoMemory());
    EXPECT_TRUE(t.Close());
    EXPECT_EQ(rec.messages.size(), 1u);
  }
  EXPECT_EQ(files::ListFiles(dir.Path(), "*").size(), 1u);

  // Each of the five bucket files failing to open: the files opened before
  // it are closed again (a second open would otherwise meet their locks).
  const std::string key = dir.File("db.key");
  ASSERT_TRUE(t.Open(key));
  ASSERT_TRUE(t.SetGameKey(1, 4, false));
  ASSERT_TRUE(t.Close());
  for (int nth = 1; nth <= 6; ++nth) {
    MessageRecorder rec;
    {
      FileFault fault(FileFault::Op::Open, nth, EACCES);
      EXPECT_FALSE(t.Open(key)) << nth;
    }
    EXPECT_FALSE(t.IsOpen());
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{nth == 6 ? "IndexListStoreO.OpenFile failed (13)"
                                                              : "BucketStoreManO.OpenFile failed for data_file (13)"})
        << nth;
    ASSERT_TRUE(t.Open(key)) << nth;
    ASSERT_TRUE(t.Close());
  }

  // ".gki": made on the first write, and read and written with messages.
  const std::string fresh = dir.File("fresh.key");
  ASSERT_TRUE(t.Open(fresh));
  {
    MessageRecorder rec;
    {
      FileFault fault(FileFault::Op::Open, 1, ENOSPC);
      EXPECT_FALSE(t.SetGameKey(1, 5, false));
    }
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"IndexListStoreO.Create failed  (28)"});
    // The store that failed refuses later writes without a word.
    EXPECT_FALSE(t.SetGameKey(1, 6, false));
    EXPECT_EQ(rec.messages.size(), 1u);
  }
  ASSERT_TRUE(t.Close());
  EXPECT_FALSE(files::Exists(dir.File("fresh.gki")));
  ASSERT_TRUE(t.Open(fresh));  // rebuilt from the games list
  EXPECT_EQ(t.GetGameKey(6), 1u);
  {
    MessageRecorder rec;
    {
      // The games list's bucket is the first write, ".gki" the second.
      FileFault fault(FileFault::Op::Write, 2, ENOSPC);
      EXPECT_FALSE(t.SetGameKey(1, 7, false));
    }
    {
      FileFault fault(FileFault::Op::Read, 1, EIO);
      EXPECT_EQ(t.GetGameKey(5), 0u);
    }
    EXPECT_EQ(rec.FirstLines(),
              (std::vector<std::string>{"IndexListStoreO.SetIndex failed", "IndexListStoreO.GetIndex failed"}));
  }
  EXPECT_EQ(t.GetGameKey(5), 1u);
  // A node write refused: the operation that writes it answers false, and
  // the node keeps its change for a later write.
  ASSERT_TRUE(t.SetName("kept"));
  {
    MessageRecorder rec;
    {
      FileFault fault(FileFault::Op::Write, 1, ENOSPC);
      EXPECT_EQ(t.AddChild(), 0u);
    }
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"BucketStoreManO.SaveBucket failed"});
  }
  ASSERT_TRUE(t.Close());
  ASSERT_TRUE(t.Open(fresh));
  EXPECT_EQ(t.GetName(), "kept");
  EXPECT_EQ(t.NodeCount(), 1u);
  ASSERT_TRUE(t.Close());
}

TEST(KeyTree, NamesAreCutBeforeAUtf8Character) {
  TempDir dir;
  KeyTreeO t;
  ASSERT_TRUE(t.Open(dir.File("u.key")));
  // 79 bytes, then a three-byte character across the 80-byte limit.
  ASSERT_TRUE(t.SetName(std::string(79, 'k') + "\xe2\x82\xac"));
  EXPECT_EQ(t.GetName(), std::string(79, 'k'));
  ASSERT_TRUE(t.AddPosition(Board(kE4C5)));
  ASSERT_TRUE(t.SetPositionName(1, std::string(78, 'p') + "\xc3\xa9\xc3\xa9"));
  EXPECT_EQ(t.GetPositionName(1), std::string(78, 'p') + "\xc3\xa9");
  ASSERT_TRUE(t.Close());
}
