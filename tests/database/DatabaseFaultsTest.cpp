// Refused writes, deletions and opens at the exact step each ruling is
// about: the order of the booster's deletions, a classifying import whose
// game never reached the disk, a torn index tail, a replacement whose entry
// or a deletion whose mark tore, an unreadable source game, and the key set
// CreateKeys leaves after a failed open.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseTestUtil.h"
#include "database/GameStoreMan.h"
#include "database/IndexMan.h"
#include "database/KeyTreeMan.h"
#include "foundation/Reports.h"
#include "platform/Bytes.h"
#include "platform/Files.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

std::string Game(const std::string &white, const std::string &black, int round,
                 const std::string &moves = "1. e4 e5 2. Nf3 *") {
  return "[Event \"Open\"]\r\n[Site \"Here\"]\r\n[Round \"" + std::to_string(round) + "\"]\r\n[White \"" + white +
         "\"]\r\n[Black \"" + black + "\"]\r\n[Result \"*\"]\r\n\r\n" + moves + "\r\n\r\n";
}

bool Open(DatabaseO &db, const std::string &path) {
  bool importReport = false;
  return db.Open(path, nullptr, nullptr, importReport);
}

bool Import(DatabaseO &db, const std::string &path, ReportO *report = nullptr) {
  bool flag = false;
  return db.ImportDatabase(path, nullptr, report, false, false, flag);
}

// A record of size bytes, each fill.
GameBuffer Filled(uint32_t size, char fill) {
  GameBuffer b;
  SizeGameBuffer(b, size);
  std::memset(b.bytes.get(), fill, size);
  return b;
}

std::string BytesOf(const GameBuffer &b) {
  return std::string(reinterpret_cast<const char *>(b.bytes.get()), b.length);
}

// Every game the key set files, through every node's games list.
std::vector<uint32_t> KeyedGames(KeyTreeO &t) {
  std::vector<uint32_t> games;
  for (uint32_t n = 1; n <= t.NodeCount(); ++n) {
    t.SetCurrentNode(n);
    for (int i = 1; i <= t.GameCount(); ++i) games.push_back(t.GetGame(i));
  }
  return games;
}

}  // namespace

// ".bli" goes first: a refusal of the first deletion leaves ".bli" alone,
// refusals from the second on leave all but ".bli", and such a set reopens
// without the booster.
TEST(DatabaseFaults, BoosterSwitchOffDeletesTheLinksFirst) {
  TempDir dir;
  MessageRecorder rec;
  for (bool firstRefused : {true, false}) {
    SCOPED_TRACE(firstRefused ? "first deletion refused" : "every deletion from the second on refused");
    const std::string base = firstRefused ? "a" : "b";
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir.File(base + ".qcx")));
      for (int i = 1; i <= 6; ++i) ASSERT_EQ(db.SavePgnText(-1, Game("P" + std::to_string(i % 3), "Q", i)), i);
      ASSERT_TRUE(db.HasSearchBooster());
      {
        FileFault fault(FileFault::Op::Delete, firstRefused ? 1 : 2, EACCES);
        if (!firstRefused) fault.Onward();
        db.SetSearchBooster(false);
        EXPECT_EQ(fault.Seen(), 3);
      }
      EXPECT_FALSE(db.HasSearchBooster());
      EXPECT_TRUE(db.Close(nullptr));
    }
    const bool bli = files::Exists(dir.File(base + ".bli")), bpl = files::Exists(dir.File(base + ".bpl")),
               bes = files::Exists(dir.File(base + ".bes"));
    if (firstRefused) {
      EXPECT_TRUE(bli);
      EXPECT_FALSE(bpl);
      EXPECT_FALSE(bes);
    } else {
      EXPECT_FALSE(bli);
      EXPECT_TRUE(bpl);
      EXPECT_TRUE(bes);
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir.File(base + ".qcx")));
      EXPECT_FALSE(db.HasSearchBooster());
      EXPECT_EQ(db.GameCount(), 6);
      EXPECT_TRUE(db.Close(nullptr));
    }
  }
}

// With keys every game is flushed before its key is filed: a write the
// disk refuses anywhere in a game's import leaves no key naming a game the
// store does not hold.
TEST(DatabaseFaults, ClassifyingImportFilesNoKeyForAGameThatFailedToFlush) {
  TempDir dir, app;
  testutil::AppDirGuard guard(app.Path());
  dir.Write("g.pgn", Game("W1", "B1", 1, "1. e4 c5 2. Nf3 d6 *") + Game("W2", "B2", 2, "1. d4 Nf6 2. c4 g6 *"));
  ASSERT_GE(KeyTreeO::ImportTextFile(dir.File("tpl.key"), testutil::DataDir() + "class.txt"), 0);
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir.File("tpl.qcx")));
    ASSERT_TRUE(db.HasKeys());
    EXPECT_TRUE(db.Close(nullptr));
  }
  // A set of its own for each run.
  auto copy = [&](const std::string &to) {
    for (const auto &e : std::filesystem::directory_iterator(dir.Path())) {
      const std::string name = e.path().filename().string();
      if (name.rfind("tpl.", 0) == 0) {
        ASSERT_TRUE(files::Copy(e.path().string(), dir.File(to + name.substr(3))));
      }
    }
  };
  // Every write up to the one after the last game is on disk (its key's):
  // names, games, booster and keys of both games.
  int storeFaults = 0;
  for (int nth = 1;; ++nth) {
    SCOPED_TRACE("write " + std::to_string(nth));
    const std::string base = "c" + std::to_string(nth);
    copy(base);
    int32_t count = 0;
    bool keyWrite = false;
    {
      MessageRecorder rec;
      DatabaseO db;
      db.ClassifyOnImport = true;
      ASSERT_TRUE(Open(db, dir.File(base + ".qcx")));
      {
        FileFault fault(FileFault::Op::Write, nth, ENOSPC);
        Import(db, dir.File("g.pgn"));
        ASSERT_TRUE(fault.Fired());
      }
      ASSERT_FALSE(rec.messages.empty());
      // The key store's own refusals name no file of the game's stores.
      const std::string &m = rec.messages.front();
      keyWrite = m.rfind("BucketStoreManO", 0) == 0 || m.rfind("IndexListStoreO", 0) == 0;
      if (!keyWrite) ++storeFaults;
      count = db.GameCount();
      db.Close(nullptr);
    }
    {
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir.File(base + ".qcx")));
      EXPECT_EQ(db.GameCount(), count);
      // A refused write of the key store itself may leave its lists
      // damaged; that is the key store's matter, not the import's order.
      if (!keyWrite) {
        EXPECT_TRUE(db.HasKeys());
        EXPECT_TRUE(rec.messages.empty()) << rec.messages.front();
      }
      if (db.HasKeys()) {
        for (uint32_t g : KeyedGames(db.KeyTree())) EXPECT_LE(g, static_cast<uint32_t>(db.GameCount()));
      }
      for (int32_t g = 1; g <= db.GameCount(); ++g) EXPECT_TRUE(db.GetGameTags(g)) << g;
      EXPECT_TRUE(db.Close(nullptr));
    }
    if (count == 2) break;
    ASSERT_LT(nth, 100);
  }
  // Both games' names, records and booster links each met the fault.
  EXPECT_GE(storeFaults, 10);
}

// An import whose ".gai" takes half an entry and fails: the store cuts the
// torn tail, so the set closes and opens again with the games it reported.
// One whose name index takes half an entry leaves it torn, and the set
// opens again as it is.
TEST(DatabaseFaults, TornIndexTailIsCutAndTheSetReopens) {
  TempDir dir;
  std::string pgn;
  // An odd count of entries: half of them ends inside an entry.
  for (int i = 1; i <= 5; ++i) pgn += Game("W" + std::to_string(i), "B", i);
  dir.Write("g.pgn", pgn);
  int writes = 0;
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir.File("probe.qcx")));
    FileFault probe(FileFault::Op::Write, 1 << 30, 0);
    ASSERT_TRUE(Import(db, dir.File("g.pgn")));
    writes = probe.Seen();
  }
  int tornIndex = 0, tornNames = 0;
  for (int nth = 1; nth <= writes; ++nth) {
    SCOPED_TRACE("write " + std::to_string(nth));
    const std::string path = dir.File("t" + std::to_string(nth) + ".qcx");
    int32_t count = 0;
    {
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, path));
      {
        FileFault fault(FileFault::Op::Write, nth, ENOSPC, true);
        Import(db, dir.File("g.pgn"));
        ASSERT_TRUE(fault.Fired());
      }
      ASSERT_EQ(rec.messages.size(), 1u);
      if (rec.messages[0].find(".gai: ") != std::string::npos) ++tornIndex;
      count = db.GameCount();
      EXPECT_TRUE(db.Close(nullptr));
    }
    EXPECT_EQ(files::FileSize(files::ChangeFileExt(path, ".gai")) % 4, 0);
    // A name index's torn tail no game refers to is left for the next add
    // to write over: the open neither complains nor writes.
    const char *const exts[] = {".qcx", ".gad", ".gai", ".pld", ".pli", ".esd", ".esi", ".and",
                                ".ani", ".bli", ".bpl", ".bes", ".pls", ".ess", ".ans"};
    auto setBytes = [&] {
      std::vector<std::string> bytes;
      for (const char *ext : exts) files::ReadAll(files::ChangeFileExt(path, ext), bytes.emplace_back());
      return bytes;
    };
    const std::vector<std::string> before = setBytes();
    bool torn = false;
    for (size_t k : {4, 6, 8})  // ".pli", ".esi", ".ani"
      torn = torn || before[k].size() % 4 != 0;
    tornNames += torn;
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, path));
    EXPECT_TRUE(rec.messages.empty()) << rec.messages.front();
    ASSERT_EQ(db.GameCount(), count);
    for (int32_t n = 1; n <= count; ++n) {
      auto tags = db.GetGameTags(n);
      ASSERT_TRUE(tags) << n;
      EXPECT_EQ(tags->GetTag("White"), "W" + std::to_string(n));
    }
    EXPECT_TRUE(db.Close(nullptr));
    if (torn) {
      EXPECT_EQ(setBytes(), before);
    }
  }
  EXPECT_EQ(tornIndex, 1);
  EXPECT_GE(tornNames, 1);
}

// A source game that cannot be read ends the import: the game before it
// is not stored a second time in its place.
TEST(DatabaseFaults, UnreadableSourceGameEndsAConvertingImport) {
  TempDir dir;
  MessageRecorder rec;
  {
    // Names of Windows-1252 bytes make the source a Windows-1252 set.
    IndexManO names;
    ASSERT_TRUE(names.Open(dir.File("src.pli")));
    names.FindOrAdd("M\xfcller");
  }
  std::vector<int64_t> offsets;
  {
    DatabaseO src;
    ASSERT_TRUE(Open(src, dir.File("src.qcx")));
    ASSERT_EQ(src.TextEncoding(), win1252::TextEncoding::Win1252);
    for (int i = 1; i <= 3; ++i) {
      offsets.push_back(files::FileSize(dir.File("src.gad")));
      ASSERT_EQ(src.SavePgnText(-1, Game("M\xfcller", "B" + std::to_string(i), i)), i);
    }
    ASSERT_TRUE(src.Close(nullptr));
  }
  // Game 2's moves turned to bytes no game holds; its record stays whole.
  {
    const int64_t from = std::max<int64_t>(offsets[1], 0) + GameStoreO::kRecordHead;
    BinFile gad;
    ASSERT_TRUE(gad.Open(dir.File("src.gad"), BinFile::Mode::ReadWrite));
    const std::string junk(static_cast<size_t>(offsets[2] - from), '\xff');
    ASSERT_TRUE(gad.WriteAt(static_cast<uint64_t>(from), junk.data(), junk.size()));
  }
  {
    DatabaseO src;
    ASSERT_TRUE(Open(src, dir.File("src.qcx")));
    EXPECT_FALSE(src.GetPgnText(1, 0, false, false).empty());
    EXPECT_TRUE(src.GetPgnText(2, 0, false, false).empty());
    EXPECT_FALSE(src.GetPgnText(3, 0, false, false).empty());
    ASSERT_TRUE(src.Close(nullptr));
  }
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir.File("u.qcx")));
  ASSERT_EQ(db.TextEncoding(), win1252::TextEncoding::Utf8);
  ReportO report;
  EXPECT_TRUE(Import(db, dir.File("src.qcx"), &report));
  ASSERT_EQ(db.GameCount(), 1);
  EXPECT_EQ(db.GetGameTags(1)->GetTag("White"), "M\xc3\xbcller");
  EXPECT_EQ(db.GetGameTags(1)->GetTag("Black"), "B1");
  EXPECT_EQ(report.Lines(), std::vector<std::string>{dir.File("src.qcx") + ": 1 games."});
  EXPECT_TRUE(db.Close(nullptr));
}

// A refused open anywhere in CreateKeys, also the key tree's own after the
// defaults were copied, leaves no key file behind.
TEST(DatabaseFaults, CreateKeysLeavesNoKeyFileAfterAFailedOpen) {
  TempDir dir, app;
  testutil::AppDirGuard guard(app.Path());
  ASSERT_TRUE(files::Copy(testutil::DataDir() + "class.txt", app.File("class.txt")));
  MessageRecorder rec;
  int opens = 0;
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir.File("probe.qcx")));
    FileFault probe(FileFault::Op::Open, 1 << 30, 0);
    ASSERT_TRUE(db.CreateKeys());
    opens = probe.Seen();
  }
  ASSERT_GT(opens, 6);  // the defaults' files, then the tree's
  const char *const keyExts[] = {".key", ".kls", ".gls", ".gki", ".hsh", ".pos"};
  for (int nth = 1; nth <= opens; ++nth) {
    SCOPED_TRACE("open " + std::to_string(nth));
    const std::string base = "k" + std::to_string(nth);
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir.File(base + ".qcx")));
    {
      FileFault fault(FileFault::Op::Open, nth, EMFILE);
      EXPECT_FALSE(db.CreateKeys());
      ASSERT_TRUE(fault.Fired());
    }
    EXPECT_FALSE(db.HasKeys());
    for (const char *e : keyExts) EXPECT_FALSE(files::Exists(dir.File(base + e))) << e;
    // Nothing stands in the way of the next try.
    EXPECT_TRUE(db.CreateKeys());
    EXPECT_TRUE(db.Close(nullptr));
  }
}

// A replacement whose index entry is torn, and whose old entry cannot be
// put back, drops what the store held of the game: it reads what the
// files say, as a fresh open does. The torn entry here points at a dead
// record (game 2's first version), so the files stay an openable set.
TEST(DatabaseFaults, FailedReplacementReadsGameAsTheFilesHoldIt) {
  TempDir dir;
  MessageRecorder rec;
  constexpr uint32_t kHead = GameStoreO::kRecordHead;
  auto named = [](uint32_t white) {
    GameDescriptor d;
    d.white = d.black = white;
    return d;
  };
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("r.qcx")));
  ASSERT_EQ(s.AddGame(Filled(10, 'a'), named(1)), 1);  // at 0
  ASSERT_EQ(s.AddGame(Filled(10, 'b'), named(2)), 2);  // at kHead + 10, dead below
  ASSERT_TRUE(s.SaveGame(2, Filled(10, 'c'), named(3)));
  // The replacement of game 1 lands at 65536 + the dead record's offset:
  // its entry's low half alone names that record.
  const uint64_t dead = kHead + 10, end = 3 * (kHead + 10);
  ASSERT_EQ(s.AddGame(Filled(static_cast<uint32_t>(65536 + dead - end - kHead), 'f'), named(4)), 3);
  ASSERT_EQ(files::FileSize(dir.File("r.gad")), static_cast<int64_t>(65536 + dead));
  GameDescriptor d;
  ASSERT_TRUE(s.ReadDescriptor(1, d));  // held
  ASSERT_EQ(d, named(1));
  // The replacement's writes, the index entry last, counted on a store of
  // their own.
  int writes = 0;
  {
    GameStoreO probe;
    ASSERT_TRUE(probe.Open(dir.File("p.qcx")));
    ASSERT_EQ(probe.AddGame(Filled(10, 'a'), named(1)), 1);
    FileFault counter(FileFault::Op::Write, 1 << 30, 0);
    ASSERT_TRUE(probe.SaveGame(1, Filled(10, 'n'), named(5)));
    writes = counter.Seen();
  }
  ASSERT_EQ(writes, 4);  // descriptor, size, moves, entry
  rec.messages.clear();
  {
    FileFault fault(FileFault::Op::Write, writes, ENOSPC, true);
    fault.Onward();  // the put-back fails as well
    EXPECT_FALSE(s.SaveGame(1, Filled(10, 'n'), named(5)));
    EXPECT_EQ(fault.Seen(), writes + 1);
  }
  ASSERT_EQ(rec.messages.size(), 1u);
  ASSERT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(dir.Read("r.gai").data())), dead);
  GameDescriptor held;
  GameBuffer buf;
  const bool descRead = s.ReadDescriptor(1, held);
  const bool gameRead = s.GetGame(1, buf);
  const std::string game = BytesOf(buf);
  s.Close();
  GameStoreO fresh;
  ASSERT_TRUE(fresh.Open(dir.File("r.qcx")));
  GameDescriptor onDisk;
  GameBuffer diskBuf;
  ASSERT_TRUE(fresh.ReadDescriptor(1, onDisk));
  ASSERT_TRUE(fresh.GetGame(1, diskBuf));
  EXPECT_EQ(onDisk, named(2));  // game 2's first version
  EXPECT_EQ(BytesOf(diskBuf), BytesOf(Filled(10, 'b')));
  EXPECT_TRUE(descRead);
  EXPECT_EQ(held, onDisk);
  EXPECT_TRUE(gameRead);
  EXPECT_EQ(game, BytesOf(diskBuf));
}

// A replacement's entry that tears would point inside another game's live
// record: the old entry is put back at once, so the set reopens as it was,
// with no message and no write. Only when the put-back fails too does the
// next open refuse the set, naming the index, rather than read a game out
// of another's bytes.
TEST(DatabaseFaults, ReplacementEntryTornIntoALiveRecordIsPutBack) {
  constexpr uint32_t kHead = GameStoreO::kRecordHead;
  GameDescriptor first;
  first.white = 7;
  for (bool putBackFails : {false, true}) {
    SCOPED_TRACE(putBackFails);
    TempDir dir;
    MessageRecorder rec;
    GameStoreO s;
    ASSERT_TRUE(s.Open(dir.File("r.qcx")));
    ASSERT_EQ(s.AddGame(Filled(10, 'a'), first), 1);  // at 0
    ASSERT_EQ(s.AddGame(Filled(10, 'b'), {}), 2);     // at kHead + 10
    // Game 1's replacement lands at 65536 + 5 bytes into game 2's record.
    const uint64_t inside = kHead + 10 + 5, end = 2 * (kHead + 10);
    ASSERT_EQ(s.AddGame(Filled(static_cast<uint32_t>(65536 + inside - end - kHead), 'c'), {}), 3);
    {
      FileFault fault(FileFault::Op::Write, 4, ENOSPC, true);  // descriptor, size, moves, entry
      if (putBackFails) fault.Onward();
      EXPECT_FALSE(s.SaveGame(1, Filled(10, 'n'), {}));
      EXPECT_EQ(fault.Seen(), 5);  // the entry and its put-back
    }
    EXPECT_EQ(rec.messages.size(), 1u);
    GameBuffer buf;
    GameDescriptor d;
    if (!putBackFails) {
      EXPECT_TRUE(s.GetGame(1, buf, &d));
      EXPECT_EQ(BytesOf(buf), "aaaaaaaaaa");
      EXPECT_EQ(d, first);
    }
    s.Close();
    const std::string gai = dir.Read("r.gai"), gad = dir.Read("r.gad");
    ASSERT_EQ(gai.size(), 12u);
    EXPECT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(gai.data())), putBackFails ? inside : 0);
    rec.messages.clear();
    GameStoreO fresh;
    if (putBackFails) {
      EXPECT_FALSE(fresh.Open(dir.File("r.qcx")));
      EXPECT_EQ(rec.messages, std::vector<std::string>{DamagedFilesText(dir.File("r.gai"))});
    } else {
      ASSERT_TRUE(fresh.Open(dir.File("r.qcx")));
      EXPECT_TRUE(rec.messages.empty());
      ASSERT_TRUE(fresh.GetGame(1, buf, &d));
      EXPECT_EQ(BytesOf(buf), "aaaaaaaaaa");
      EXPECT_EQ(d, first);
      fresh.Close();
    }
    EXPECT_EQ(dir.Read("r.gai"), gai);
    EXPECT_EQ(dir.Read("r.gad"), gad);
  }
}

// Deleting marks the descriptor in place: a torn mark is put back, so the
// game stays undeleted on file, as the failure says.
TEST(DatabaseFaults, TornDeletionMarkIsPutBack) {
  TempDir dir;
  MessageRecorder rec;
  GameBuffer empty;
  GameDescriptor d;
  d.white = 3;
  d.year = 1999;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("r.qcx")));
  ASSERT_EQ(s.AddGame(empty, d), 1);
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC, true);
    EXPECT_FALSE(s.DeleteGame(1));
    EXPECT_EQ(fault.Seen(), 2);
  }
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_FALSE(s.GameIsDeleted(1));
  s.Close();
  GameStoreO fresh;
  ASSERT_TRUE(fresh.Open(dir.File("r.qcx")));
  GameDescriptor onDisk;
  ASSERT_TRUE(fresh.ReadDescriptor(1, onDisk));
  EXPECT_EQ(onDisk, d);
}

// The same through a whole database: once the entry is put back the set
// opens with no message and no write, and game 1 reads as before the
// failed store; with the put-back refused the open names the index.
TEST(DatabaseFaults, FailedReplacementLeavesTheDatabaseAsBefore) {
  std::string pgn;
  for (int i = 1; i <= 800; ++i) pgn += Game("W" + std::to_string(i), "B", i);
  const char *const exts[] = {".qcx", ".gad", ".gai", ".pld", ".pli", ".esd", ".esi", ".and",
                              ".ani", ".bli", ".bpl", ".bes", ".pls", ".ess", ".ans"};
  for (bool putBackFails : {false, true}) {
    SCOPED_TRACE(putBackFails);
    TempDir dir;
    dir.Write("g.pgn", pgn);
    const std::string path = dir.File("d.qcx");
    auto setBytes = [&] {
      std::vector<std::string> bytes;
      for (const char *ext : exts) files::ReadAll(files::ChangeFileExt(path, ext), bytes.emplace_back());
      return bytes;
    };
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, path));
      ASSERT_TRUE(Import(db, dir.File("g.pgn")));
      ASSERT_TRUE(db.HasSearchBooster());
      EXPECT_TRUE(db.Close(nullptr));
    }
    // Game 1 is at 0: its replacement's torn entry is the records' size
    // below 64 KB, inside one of the live records there.
    const std::string gai = dir.Read("d.gai");
    const uint64_t size = dir.Read("d.gad").size(), torn = size & 0xFFFF;
    ASSERT_GT(size, 65536u);
    ASSERT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(gai.data())), 0u);
    for (size_t k = 0; k < gai.size(); k += 4)
      ASSERT_NE(le::GetU32(reinterpret_cast<const uint8_t *>(gai.data() + k)), torn);
    MessageRecorder rec;
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, path));
      {
        FileFault fault(FileFault::Op::Write, 4, ENOSPC, true);  // same names: descriptor, size, moves, entry
        if (putBackFails) fault.Onward();
        EXPECT_EQ(db.SavePgnText(1, Game("W1", "B", 1, "1. d4 d5 *")), 0);
      }
      ASSERT_EQ(rec.messages.size(), 1u);
      EXPECT_NE(rec.messages[0].find(".gai: "), std::string::npos) << rec.messages[0];
      if (!putBackFails) {
        auto tags = db.GetGameTags(1);
        EXPECT_TRUE(tags);
        if (tags) {
          EXPECT_EQ(tags->GetTag("Round"), "1");
        }
      }
      db.Close(nullptr);
    }
    EXPECT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(dir.Read("d.gai").data())),
              putBackFails ? torn : 0);
    const std::vector<std::string> before = setBytes();
    rec.messages.clear();
    DatabaseO db;
    if (putBackFails) {
      EXPECT_FALSE(Open(db, path));
      ASSERT_EQ(rec.messages.size(), 1u);
      EXPECT_NE(rec.messages[0].find("d.gai"), std::string::npos) << rec.messages[0];
    } else {
      ASSERT_TRUE(Open(db, path));
      EXPECT_TRUE(rec.messages.empty()) << rec.messages.front();
      const std::string game = db.GetPgnText(1, 0, false, false);
      EXPECT_NE(game.find("1. e4 e5 2. Nf3"), std::string::npos) << game;
      EXPECT_TRUE(db.Close(nullptr));
    }
    EXPECT_EQ(setBytes(), before);
  }
}
