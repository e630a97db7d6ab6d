// Damaged database files: every companion file of a small database with
// keys, booster and sorted name files is cut, bit-flipped, zeroed, deleted
// or replaced. Each open ends (a hang is CTest's timeout) with the database
// open and readable throughout, or refused with a message and nothing
// written; no exception escapes; no file grows past a bound.
//
// TORVANEL_DAMAGE_SEEDS sets the bit-flip seeds per file (default 6); a
// larger matrix is run by hand under the asan preset.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "DatabaseTestUtil.h"
#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseManText.h"
#include "database/KeyTreeMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Bytes.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

const char *const kExts[] = {".qcx", ".gad", ".gai", ".pld", ".pli", ".pls", ".esd", ".esi", ".ess", ".and", ".ani",
                             ".ans", ".bpl", ".bes", ".bli", ".key", ".kls", ".gls", ".hsh", ".pos", ".gki"};

std::string GameText(int i) {
  const std::string n = std::to_string(i);
  return "[Event \"Cup " + std::to_string(i % 5) + "\"]\r\n[Site \"Town\"]\r\n[Date \"2020.01.02\"]\r\n[Round \"" + n +
         "\"]\r\n[White \"Player " + std::to_string(i % 7) + "\"]\r\n[Black \"Other " + std::to_string(i % 4) +
         "\"]\r\n[Annotator \"Note " + std::to_string(i % 2) + "\"]\r\n[Result \"1-0\"]\r\n\r\n" +
         (i % 2 ? "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 {Ruy} 1-0" : "1. d4 d5 2. c4 e6 3. Nc3 Nf6 (3... c6) 1-0") + "\r\n";
}

// The set every case starts from, made once.
class Pristine {
 public:
  static const Pristine &Get() {
    static Pristine p;
    return p;
  }
  std::map<std::string, std::string> bytes;  // extension -> contents

 private:
  Pristine() {
    testutil::AppDirGuard app(tmp_.Path());
    const std::string key = dir_.File("c.key");
    EXPECT_GE(KeyTreeO::ImportTextFile(key, testutil::DataDir() + "class.txt"), 0);
    MessageRecorder rec;
    DatabaseO db;
    bool report = false;
    EXPECT_TRUE(db.Open(dir_.File("c.qcx"), nullptr, nullptr, report));
    EXPECT_TRUE(db.HasKeys());
    for (int i = 1; i <= 24; ++i) {
      const int32_t n = db.SavePgnText(-1, GameText(i));
      EXPECT_EQ(n, i);
      int ply = 0;
      GameBuffer buf;
      EXPECT_TRUE(db.GetGameBuffer(n, buf));
      const uint32_t node = db.KeyTree().ClassifyGame(buf, true, ply);
      EXPECT_TRUE(db.SetGameKey(node != 0 ? node : KeyTreeO::kRoot, n, true));
    }
    EXPECT_TRUE(db.Players().BuildSortedIndex());
    EXPECT_TRUE(db.HasSearchBooster());
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_TRUE(rec.messages.empty());
    for (const char *e : kExts) {
      bytes[e] = dir_.Read(std::string("c") + e);
      // Only the players' names are sorted here.
      if (std::string(e) != ".ess" && std::string(e) != ".ans") {
        EXPECT_FALSE(bytes[e].empty()) << e;
      }
    }
  }
  TempDir dir_, tmp_;
};

struct Case {
  std::string name;
  std::string ext;
  // The file's new bytes, or nullopt-like: deleted when del is true.
  std::string bytes;
  bool del = false;
  bool mustRefuse = false;
};

// Whether a damage of the file must refuse the database: the game index
// whatever is done to it but a flip, the games file cut, lost or junk, a
// name file lost, junk, zeroed or (an index) doubled or cut to half or less
// (a data file cut at all). Derived files and keys never refuse it, but for
// more links than games, which says the game index lost entries.
bool MustRefuse(const std::string &ext, const std::string &kind, size_t cut, size_t size) {
  const bool nameIndex = ext == ".pli" || ext == ".esi" || ext == ".ani";
  const bool nameData = ext == ".pld" || ext == ".esd" || ext == ".and";
  if (ext == ".gai") return kind != "flip";
  if (ext == ".gad") return kind == "cut" || kind == "deleted" || kind == "junk";
  if (nameIndex)
    return kind == "deleted" || kind == "zeroed" || kind == "junk" || kind == "doubled" ||
           (kind == "cut" && cut <= size / 2);
  if (nameData) return kind == "deleted" || kind == "zeroed" || kind == "junk" || kind == "cut";
  return ext == ".bli" && kind == "doubled";
}

std::vector<Case> Cases(int seeds) {
  std::vector<Case> cases;
  for (const auto &[ext, good] : Pristine::Get().bytes) {
    const size_t size = good.size();
    std::set<size_t> cuts{0, 1, 3, size / 2, size > 0 ? size - 1 : 0};
    for (size_t cut : cuts) {
      if (cut < size)
        cases.push_back({ext + " cut to " + std::to_string(cut), ext, good.substr(0, cut), false,
                         MustRefuse(ext, "cut", cut, size)});
    }
    for (int seed = 1; seed <= seeds && size > 0; ++seed) {
      std::mt19937 rng(static_cast<unsigned>(seed * 7919 + size));
      std::string b = good;
      // One to four bytes get a random value, or a high byte of a u32 is set.
      const int flips = 1 + static_cast<int>(rng() % 4);
      for (int k = 0; k < flips; ++k) {
        const size_t at = rng() % size;
        b[at] = static_cast<char>(seed % 3 == 0 ? 0x70 : rng() % 256);
      }
      cases.push_back({ext + " flip seed " + std::to_string(seed), ext, b, false, MustRefuse(ext, "flip", 0, size)});
    }
    cases.push_back({ext + " zeroed", ext, std::string(size, '\0'), false, MustRefuse(ext, "zeroed", 0, size)});
    cases.push_back({ext + " deleted", ext, {}, true, MustRefuse(ext, "deleted", 0, size)});
    std::mt19937 rng(static_cast<unsigned>(size));
    std::string junk(size, '\0');
    for (char &c : junk) c = static_cast<char>(rng() % 256);
    cases.push_back({ext + " replaced by junk", ext, junk, false, MustRefuse(ext, "junk", 0, size)});
    cases.push_back({ext + " doubled", ext, good + good, false, MustRefuse(ext, "doubled", 0, size)});
  }
  return cases;
}

int SeedsFromEnvironment() {
  const char *v = std::getenv("TORVANEL_DAMAGE_SEEDS");
  return v ? std::max(1, std::atoi(v)) : 6;
}

// Reads everything a user can reach: every game, the lists, the key view
// with its children, the booster's walks; then stores a game.
void Exercise(DatabaseO &db, const std::string &what) {
  const int32_t games = db.GameCount();
  for (int32_t n = 1; n <= games; ++n) {
    db.GetPgnText(n, 0, false, false);
    db.GameIsDeleted(n);
    db.GetGameTags(n);
  }
  const int list = db.NewAllGamesList();
  ASSERT_NE(list, 0) << what;
  for (int32_t i = 1; i <= db.GameListCount(list); ++i) db.GameListRowTexts(list, i);
  db.FreeGameList(list);
  const int players = db.NewAllPlayersList();
  for (int32_t i = 1; i <= db.PlayerListCount(players); ++i) db.PlayerListRowTexts(players, i);
  db.FreePlayerList(players);
  const int sites = db.NewAllEventSitesList();
  for (int32_t i = 1; i <= db.EventSiteListCount(sites); ++i) db.EventSiteListRowTexts(sites, i);
  db.FreeEventSiteList(sites);
  if (db.HasKeys()) {
    ASSERT_TRUE(db.HasKeyView()) << what;
    for (int32_t r = 1; r <= db.KeyRowCount(); ++r) {
      db.KeyRowText(r);
      db.KeyRowIsDeletedGame(r);
    }
    const int32_t rows = db.KeyRowCount();
    for (int32_t r = 1; r <= std::min<int32_t>(rows, 4); ++r) {
      if (!db.KeyRowIsChild(r) || !db.KeyGoChild(r)) continue;
      for (int32_t c = 1; c <= db.KeyRowCount(); ++c) db.KeyRowText(c);
      db.KeyGoParent();
    }
  }
  if (db.HasSearchBooster()) {
    for (uint32_t id = 1; id <= static_cast<uint32_t>(db.Players().Count()); ++id) {
      int32_t visited = 0;
      db.SearchBooster().WalkPlayer(db.GameStore(), id, [&](int32_t, const GameDescriptor &) {
        return ++visited <= games;
      });
      EXPECT_LE(visited, games + 1) << what;
    }
  }
  db.SavePgnText(-1, GameText(99));
}

// What a search by name answers through the booster and by the scan (the
// same criteria within a list of every game).
struct Answers {
  int32_t booster = -1, scan = -1;
  bool operator==(const Answers &) const = default;
};

Answers Search(DatabaseO &db, const std::string &name, bool eventSite) {
  GameSearchMaskO m;
  if (eventSite)
    m.AddEventSite(name, false, false);
  else
    m.AddPlayer(name, scNone, 0);
  const int all = db.NewGameList(), byBooster = db.NewGameList(), byScan = db.NewGameList();
  db.SearchGames(nullptr, all, 0, nullptr);
  db.SearchGames(&m, byBooster, 0, nullptr);
  db.SearchGames(&m, byScan, all, nullptr);
  const Answers a{db.GameListCount(byBooster), db.GameListCount(byScan)};
  for (int list : {all, byBooster, byScan}) db.FreeGameList(list);
  return a;
}

// The answers for a player and an event of the set as laid out in dir.
std::vector<Answers> AnswersOf(DatabaseO &db) {
  return {Search(db, "Player 3", false), Search(db, "Other 2", false), Search(db, "Cup 1", true)};
}

void Lay(const TempDir &dir);
bool Open(DatabaseO &db, const TempDir &dir);

const std::vector<Answers> &PristineAnswers() {
  static const std::vector<Answers> answers = [] {
    TempDir dir, tmp;
    testutil::AppDirGuard app(tmp.Path());
    Lay(dir);
    DatabaseO db;
    EXPECT_TRUE(Open(db, dir));
    return AnswersOf(db);
  }();
  return answers;
}

struct Tally {
  int opened = 0, refused = 0, failures = 0;
};

int FailuresSoFar() {
  return ::testing::UnitTest::GetInstance()->current_test_info()->result()->total_part_count();
}

void RunCase(const Case &c, Tally &tally) {
  const int failuresBefore = FailuresSoFar();
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  for (const auto &[ext, bytes] : Pristine::Get().bytes) dir.Write("c" + ext, bytes);
  if (c.del)
    files::Delete(dir.File("c" + c.ext));
  else
    dir.Write("c" + c.ext, c.bytes);
  const auto before = Snapshot(dir);
  MessageRecorder rec;
  bool opened = false;
  try {
    DatabaseO db;
    bool report = false;
    opened = db.Open(dir.File("c.qcx"), nullptr, nullptr, report);
    if (c.mustRefuse) {
      EXPECT_FALSE(opened) << c.name << ": must be refused";
    }
    if (!opened) {
      EXPECT_FALSE(rec.messages.empty()) << c.name << ": refused without a message";
      EXPECT_FALSE(db.IsOpen()) << c.name;
    } else {
      // Searches by name answer through the booster as the scan does, and
      // as before the damage unless the open said what it found or a flip
      // changed the games' or names' own bytes.
      const std::vector<Answers> got = AnswersOf(db);
      for (const Answers &a : got) EXPECT_EQ(a.booster, a.scan) << c.name;
      const bool ownBytes = c.name.find("flip") != std::string::npos &&
                            (c.ext == ".gad" || c.ext == ".pld" || c.ext == ".esd" || c.ext == ".and");
      if (rec.messages.empty() && !ownBytes) {
        EXPECT_EQ(got, PristineAnswers()) << c.name;
      }
      Exercise(db, c.name);
      // Writes stay in proportion to the games: no growth towards an id.
      EXPECT_LT(db.SearchBooster().IoCounts().writes, 1000u) << c.name;
      EXPECT_LT(db.KeyTree().PositionStore().RecordIo().writes, 1000u) << c.name;
      db.Close(nullptr);
    }
  } catch (const std::exception &e) {
    ADD_FAILURE() << c.name << ": exception " << e.what();
    ++tally.failures;
    return;
  }
  const auto after = Snapshot(dir);
  if (!opened) {
    ++tally.refused;
    EXPECT_EQ(after, before) << c.name << ": a refused database was written";
  } else {
    ++tally.opened;
    for (const auto &[name, bytes] : after) {
      const auto was = before.find(name);
      const size_t old = was == before.end() ? 0 : was->second.size();
      // A lost or short ".hsh" gets its block of chain heads anew.
      const size_t floor = name == "c.hsh" ? PosStoreManO::kHeadsBytes : 4096;
      EXPECT_LE(bytes.size(), std::max(old, floor) + 65536) << c.name << ": " << name << " grew";
    }
  }
  if (FailuresSoFar() != failuresBefore) ++tally.failures;
}

}  // namespace

TEST(DamagedFiles, EveryCompanionFileCutFlippedZeroedDeletedOrReplaced) {
  const std::vector<Case> cases = Cases(SeedsFromEnvironment());
  ASSERT_GT(cases.size(), 200u);
  Tally tally;
  for (const Case &c : cases) {
    RunCase(c, tally);
    if (tally.failures > 20) break;  // enough to read
  }
  std::printf("%zu cases: %d opened, %d refused\n", cases.size(), tally.opened, tally.refused);
  EXPECT_GT(tally.opened, 0);
  EXPECT_GT(tally.refused, 0);
}

namespace {

// A fresh copy of the set in dir.
void Lay(const TempDir &dir) {
  for (const auto &[ext, bytes] : Pristine::Get().bytes) dir.Write("c" + ext, bytes);
}

bool Open(DatabaseO &db, const TempDir &dir) {
  bool report = false;
  return db.Open(dir.File("c.qcx"), nullptr, nullptr, report);
}

// Offset of game n's record, from ".gai".
uint32_t RecordOffset(const TempDir &dir, int32_t n) {
  const std::string gai = dir.Read("c.gai");
  return le::GetU32(reinterpret_cast<const uint8_t *>(gai.data()) + 4 * (n - 1));
}

}  // namespace

// One byte of ".gad" makes game 3's White id 1,879,048,193 (the booster's
// rebuild once grew ".bpl" towards 7.5 GB for it), game 4's Black id passes
// INT32_MAX: every game's ids are checked at open, so the names file or the
// game is damaged, and nothing is written.
TEST(DamagedFiles, AGameWhoseIdsPassTheNameIndexRefusesTheDatabase) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  Lay(dir);
  std::string gad = dir.Read("c.gad");
  const uint32_t at = RecordOffset(dir, 3) + GameDescriptor::kWhite + 3;
  ASSERT_EQ(gad[at], '\0');
  gad[at] = '\x70';
  const uint32_t at4 = RecordOffset(dir, 4) + GameDescriptor::kBlack + 3;
  ASSERT_EQ(gad[at4], '\0');
  gad[at4] = '\x80';
  dir.Write("c.gad", gad);
  const auto before = Snapshot(dir);
  MessageRecorder rec;
  DatabaseO db;
  EXPECT_FALSE(Open(db, dir));
  EXPECT_EQ(rec.messages, std::vector<std::string>{DamagedFilesText(dir.File("c.pli"), dir.File("c.gad"))});
  EXPECT_EQ(Snapshot(dir), before);
}

// ------------------------------------------------------------ name indexes

namespace {

// Nine games; game 5 alone names its White, its event and an annotator,
// each the last id of its index.
void LayLoneNames(const TempDir &dir) {
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  for (int i = 1; i <= 9; ++i) {
    const bool lone = i == 5;
    const std::string text = std::string("[Event \"") + (lone ? "Lone Cup" : "Cup") + "\"]\r\n[White \"" +
                             (lone ? "Lone Player" : "Player " + std::to_string(i % 3)) +
                             "\"]\r\n[Black \"Other\"]\r\n" + (lone ? "[Annotator \"Lone Note\"]\r\n" : "") +
                             "[Result \"1-0\"]\r\n\r\n1. e4 e5 1-0\r\n";
    ASSERT_EQ(db.SavePgnText(-1, text), i);
  }
  ASSERT_EQ(db.Players().Find("Lone Player"), static_cast<uint32_t>(db.Players().Count()));
  ASSERT_TRUE(db.Close(nullptr));
  ASSERT_EQ(dir.Read("c.esi").size(), 8u);
  ASSERT_EQ(dir.Read("c.ani").size(), 4u);
}

}  // namespace

// A name index cut, torn or emptied below an id only a middle game uses
// refuses the database, naming that index and the games file (never the
// names' data file or the booster), with nothing written. A record past
// the data file's end names the data file alone only when it is the last.
TEST(DamagedFiles, ANameIndexShortOfAMiddleGamesIdRefusesTheDatabase) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  TempDir made;
  LayLoneNames(made);
  const auto set = Snapshot(made);
  auto cut = [](const std::string &bytes, size_t n) { return bytes.substr(0, bytes.size() - n); };
  const std::string pli = set.at("c.pli"), esi = set.at("c.esi"), pld = set.at("c.pld");
  // The second-to-last player's record, moved to run past the data's end.
  std::string pliPast = pli;
  le::PutU32(reinterpret_cast<uint8_t *>(pliPast.data()) + pli.size() - 8,
             static_cast<uint32_t>(pld.size() - 2));
  const struct {
    const char *what, *file;
    std::string bytes;
    const char *names, *other;
  } damages[] = {
      {"players cut by one entry", "c.pli", cut(pli, 4), "c.pli", "c.gad"},
      {"events cut by one entry", "c.esi", cut(esi, 4), "c.esi", "c.gad"},
      {"events torn into the last entry", "c.esi", cut(esi, 2), "c.esi", "c.gad"},
      {"annotators emptied", "c.ani", "", "c.ani", "c.gad"},
      {"annotators torn", "c.ani", cut(set.at("c.ani"), 1), "c.ani", "c.gad"},
      {"player data cut in the last record", "c.pld", cut(pld, 2), "c.pld", ""},
      {"a player record before the last past the data", "c.pli", pliPast, "c.pli", "c.pld"},
  };
  for (const auto &d : damages) {
    TempDir dir;
    for (const auto &[name, bytes] : set) dir.Write(name, bytes);
    dir.Write(d.file, d.bytes);
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    DatabaseO db;
    EXPECT_FALSE(Open(db, dir)) << d.what;
    EXPECT_EQ(rec.messages, std::vector<std::string>{DamagedFilesText(dir.File(d.names),
                                                                      *d.other ? dir.File(d.other) : "")})
        << d.what;
    EXPECT_EQ(Snapshot(dir), before) << d.what;
  }
  // Torn tails no game uses open as they are; the next name is written
  // over them.
  TempDir dir;
  for (const auto &[name, bytes] : set) dir.Write(name, bytes);
  dir.Write("c.pli", pli + "\x07\x01");
  dir.Write("c.ani", set.at("c.ani") + "\x03");
  const auto before = Snapshot(dir);
  MessageRecorder rec;
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(Snapshot(dir), before);
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  ASSERT_EQ(
      db.SavePgnText(-1, "[White \"New\"]\r\n[Annotator \"Note\"]\r\n[Result \"*\"]\r\n\r\n1. d4 *\r\n"), 10);
  EXPECT_EQ(db.GetGameTags(10)->GetTag("White"), "New");
  EXPECT_EQ(db.GetGameTags(10)->GetTag("Annotator"), "Note");
  EXPECT_EQ(db.GetGameTags(5)->GetTag("Annotator"), "Lone Note");
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(dir.Read("c.pli").size() % 4, 0u);
  EXPECT_EQ(dir.Read("c.ani").size(), 8u);
}

// The game index is checked against the game data at open: a damaged one
// refuses the database with a message naming it, and nothing is written.
TEST(DamagedFiles, ADamagedGameIndexRefusesTheDatabase) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const std::string gai = Pristine::Get().bytes.at(".gai");
  const std::string bli = Pristine::Get().bytes.at(".bli");
  struct Damage {
    const char *what;
    std::function<void(const TempDir &)> apply;
    const char *names;  // the file the message names
    const char *other = nullptr;  // and the other, when either may be damaged
    // More links than games: both files named with these counts.
    const char *games = nullptr, *links = nullptr;
  };
  const Damage damages[] = {
      {"zeroed", [&](const TempDir &d) { d.Write("c.gai", std::string(gai.size(), '\0')); }, "c.gai"},
      {"torn entry", [&](const TempDir &d) { d.Write("c.gai", gai.substr(0, gai.size() - 2)); }, "c.gai"},
      // Without the booster's count of links the index's own check refuses it.
      {"torn entry without a booster",
       [&](const TempDir &d) {
         for (const char *e : {"c.bli", "c.bpl", "c.bes"}) files::Delete(d.File(e));
         d.Write("c.gai", gai.substr(0, gai.size() - 2));
       },
       "c.gai"},
      {"missing", [&](const TempDir &d) { files::Delete(d.File("c.gai")); }, "c.gai"},
      {"missing without a booster",
       [&](const TempDir &d) {
         files::Delete(d.File("c.gai"));
         files::Delete(d.File("c.bli"));
       },
       "c.gai"},
      {"entry past the data",
       [&](const TempDir &d) {
         std::string g = gai;
         g.replace(8, 4, std::string("\xF0\xFF\x00\x00", 4));
         d.Write("c.gai", g);
       },
       "c.gai", "c.gad"},
      {"entry inside a record",
       [&](const TempDir &d) {
         std::string g = gai;
         le::PutU32(reinterpret_cast<uint8_t *>(g.data()) + 8, RecordOffset(d, 3) + 1);
         d.Write("c.gai", g);
       },
       "c.gai", "c.gad"},
      // Live records never overlap: an entry inside another live record is
      // the index's damage, wherever its garbage head points.
      {"entry into another record's moves",
       [&](const TempDir &d) {
         std::string g = gai;
         le::PutU32(reinterpret_cast<uint8_t *>(g.data()) + 8,
                    RecordOffset(d, 7) + GameStoreO::kRecordHead + 5);
         d.Write("c.gai", g);
       },
       "c.gai"},
      {"last entry into the record before",
       [&](const TempDir &d) {
         std::string g = gai;
         le::PutU32(reinterpret_cast<uint8_t *>(g.data()) + g.size() - 4, RecordOffset(d, 23) + 20);
         d.Write("c.gai", g);
       },
       "c.gai"},
      // The records an entry points at begin inside a cut or emptied ".gad".
      {"cut data",
       [&](const TempDir &d) { d.Write("c.gad", d.Read("c.gad").substr(0, RecordOffset(d, 20) + 7)); },
       "c.gad"},
      {"data cut between records",
       [&](const TempDir &d) { d.Write("c.gad", d.Read("c.gad").substr(0, RecordOffset(d, 20))); }, "c.gad"},
      {"emptied data", [&](const TempDir &d) { d.Write("c.gad", ""); }, "c.gad"},
      // A record's size past the end with records after it: the size or the entry.
      {"size past the end",
       [&](const TempDir &d) {
         std::string g = d.Read("c.gad");
         le::PutU32(reinterpret_cast<uint8_t *>(g.data()) + RecordOffset(d, 3) + GameDescriptor::kSize, 1u << 30);
         d.Write("c.gad", g);
       },
       "c.gai", "c.gad"},
      {"lost entries", [&](const TempDir &d) { d.Write("c.gai", gai.substr(0, gai.size() - 8)); }, "c.gai",
       nullptr, "22", "24"},
      {"links past the games", [&](const TempDir &d) { d.Write("c.bli", bli + bli.substr(0, 36)); }, "c.bli",
       nullptr, "24", "27"},
      // More entries than ".gad" holds record heads, told before any is read.
      {"more entries than records can be",
       [&](const TempDir &d) {
         std::string g;
         while (g.size() / 4 <= d.Read("c.gad").size() / GameStoreO::kRecordHead) g += gai;
         d.Write("c.gai", g);
       },
       "c.gai", "c.gad"},
      {"missing data", [&](const TempDir &d) { files::Delete(d.File("c.gad")); }, "c.gad"},
  };
  for (const Damage &dmg : damages) {
    TempDir dir;
    Lay(dir);
    dmg.apply(dir);
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    DatabaseO db;
    EXPECT_FALSE(Open(db, dir)) << dmg.what;
    const std::string want =
        dmg.links ? dbtext::Fill(CommonText::S_GamesFewerThanLinks,
                                 {dir.File("c.gai"), dmg.games, dir.File("c.bli"), dmg.links})
                  : DamagedFilesText(dir.File(dmg.names), dmg.other ? dir.File(dmg.other) : "");
    EXPECT_EQ(rec.messages, std::vector<std::string>{want}) << dmg.what;
    EXPECT_EQ(Snapshot(dir), before) << dmg.what;
  }
  // What a replacement leaves (entries out of order, a dead record between
  // live ones) and a torn tail after the last record open.
  TempDir dir;
  Lay(dir);
  {
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    EXPECT_EQ(db.SavePgnText(2, GameText(50)), 2);
    EXPECT_TRUE(db.Close(nullptr));
  }
  dir.Write("c.gad", dir.Read("c.gad") + std::string(20, '\x55'));
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(db.GetGameTags(2)->GetTag("Round"), "50");
  EXPECT_EQ(db.SavePgnText(-1, GameText(51)), 25);
  EXPECT_EQ(db.GetGameTags(25)->GetTag("Round"), "51");
}

// A key set that does not read as one is said to be damaged and left as it
// is; the database opens without keys.
TEST(DamagedFiles, ADamagedKeySetIsLeftAsItIs) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const auto &pristine = Pristine::Get().bytes;
  const std::string key = pristine.at(".key"), gls = pristine.at(".gls");
  std::mt19937 rng(5);
  std::string junk(key.size(), '\0');
  for (char &c : junk) c = static_cast<char>(rng() % 256);
  // The first games-list bucket that holds a game names one past the count.
  std::string glsPast = gls;
  for (size_t b = 0; b + 48 <= glsPast.size(); b += 48) {
    if (le::GetU32(reinterpret_cast<const uint8_t *>(glsPast.data()) + b + 4) == 0) continue;
    le::PutU32(reinterpret_cast<uint8_t *>(glsPast.data()) + b + 8, 25);
    break;
  }
  ASSERT_NE(glsPast, gls);
  const std::pair<const char *, std::pair<const char *, std::string>> damages[] = {
      {"key of 3 bytes", {".key", key.substr(0, 3)}},
      {"empty key", {".key", ""}},
      {"key not whole nodes", {".key", key.substr(0, key.size() - 5)}},
      {"zeroed key", {".key", std::string(key.size(), '\0')}},
      {"junk key", {".key", junk}},
      {"games list past the games", {".gls", glsPast}},
  };
  for (const auto &[what, damage] : damages) {
    TempDir dir;
    Lay(dir);
    dir.Write(std::string("c") + damage.first, damage.second);
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << what;
      EXPECT_FALSE(db.HasKeys()) << what;
      EXPECT_FALSE(db.HasKeyView()) << what;
      EXPECT_EQ(rec.messages,
                std::vector<std::string>{SubstituteText(CommonText::S_KeysDamaged, dir.File("c.key"))})
          << what;
      EXPECT_EQ(db.SavePgnText(-1, GameText(60)), 25) << what;
      EXPECT_TRUE(db.Close(nullptr));
    }
    const auto after = Snapshot(dir);
    for (const char *e : {".key", ".kls", ".gls", ".gki", ".hsh", ".pos"})
      EXPECT_EQ(after.at(std::string("c") + e), before.at(std::string("c") + e)) << what << " " << e;
  }
}

// A size on disk past what any count can hold once threw out of Open.
TEST(DamagedFiles, AnOpenNeverThrows) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  Lay(dir);
  ASSERT_EQ(::truncate(dir.File("c.pli").c_str(), 9LL << 30), 0);  // sparse
  MessageRecorder rec;
  DatabaseO db;
  bool opened = true;
  EXPECT_NO_THROW(opened = Open(db, dir));
  EXPECT_FALSE(opened);
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(rec.messages,
            std::vector<std::string>{SubstituteText(CommonText::S_DatabaseFileDamaged, dir.File("c.qcx"))});
  EXPECT_EQ(files::FileSize(dir.File("c.pli")), 9LL << 30);
  ASSERT_EQ(::truncate(dir.File("c.pli").c_str(), static_cast<off_t>(Pristine::Get().bytes.at(".pli").size())), 0);
  // A key file as large leaves the database without keys; a sorted name
  // file as large is sorted anew.
  rec.messages.clear();
  ASSERT_EQ(::truncate(dir.File("c.kls").c_str(), 120LL << 30), 0);
  ASSERT_EQ(::truncate(dir.File("c.pls").c_str(), 9LL << 30), 0);
  EXPECT_NO_THROW(opened = Open(db, dir));
  ASSERT_TRUE(opened);
  EXPECT_FALSE(db.HasKeys());
  EXPECT_EQ(rec.messages,
            (std::vector<std::string>{SubstituteText(CommonText::S_KeysDamaged, dir.File("c.key")),
                                      SubstituteText(CommonText::S_SortedNamesRebuilt, dir.File("c.pls"))}));
  EXPECT_EQ(db.GameCount(), 24);
  EXPECT_NO_THROW(EXPECT_NE(db.Players().Find("Player 3"), 0u));
}

// A lost name file is a damaged database, not a new empty one: the open is
// refused naming it, and nothing is made. An index shorter than the last
// game's names refuses it too.
TEST(DamagedFiles, ALostNameFileRefusesTheDatabase) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  for (const char *ext : {".pli", ".pld", ".esi", ".esd", ".ani", ".and"}) {
    TempDir dir;
    Lay(dir);
    files::Delete(dir.File(std::string("c") + ext));
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    DatabaseO db;
    EXPECT_FALSE(Open(db, dir)) << ext;
    EXPECT_EQ(rec.messages, std::vector<std::string>{DamagedFilesText(dir.File(std::string("c") + ext))}) << ext;
    EXPECT_EQ(Snapshot(dir), before) << ext;
  }
  TempDir dir;
  Lay(dir);
  const std::string pli = dir.Read("c.pli");
  dir.Write("c.pli", pli.substr(0, pli.size() / 2));
  const auto before = Snapshot(dir);
  MessageRecorder rec;
  DatabaseO db;
  EXPECT_FALSE(Open(db, dir));
  EXPECT_EQ(rec.messages, std::vector<std::string>{DamagedFilesText(dir.File("c.pli"), dir.File("c.gad"))});
  EXPECT_EQ(Snapshot(dir), before);
}

// Name files no game refers to, empty or missing, are a database without
// such names: 50 games without annotators and one without any name open as
// before, with no message and no write.
TEST(DamagedFiles, NameFilesNoGameRefersToOpenAsBefore) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    for (int i = 1; i <= 50; ++i) {
      std::string text = GameText(i);
      text.erase(text.find("[Annotator"), text.find("[Result") - text.find("[Annotator"));
      if (i == 50) text = "[Result \"*\"]\r\n\r\n1. e4 *\r\n";
      ASSERT_EQ(db.SavePgnText(-1, text), i);
    }
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_EQ(dir.Read("c.ani"), "");
  for (const char *ext : {"c.ani", "c.and", "c.ans"}) files::Delete(dir.File(ext));
  for (int round = 0; round < 2; ++round) {
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir)) << round;
    EXPECT_EQ(db.GameCount(), 50);
    EXPECT_EQ(db.GetGameTags(50)->GetTag("White"), "");
    EXPECT_EQ(Search(db, "Player 3", false), (Answers{7, 7}));
    const auto before = Snapshot(dir);
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(Snapshot(dir), before);
    EXPECT_TRUE(rec.messages.empty()) << round;
  }
  // The one game names nobody: its lost player and event files are made anew.
  TempDir one;
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, one));
    ASSERT_EQ(db.SavePgnText(-1, "[Result \"*\"]\r\n\r\n1. d4 *\r\n"), 1);
    EXPECT_TRUE(db.Close(nullptr));
  }
  for (const char *ext : {"c.pli", "c.pld", "c.esi", "c.esd"}) files::Delete(one.File(ext));
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, one));
  EXPECT_EQ(db.GameCount(), 1);
  EXPECT_EQ(db.SavePgnText(-1, GameText(3)), 2);
  EXPECT_EQ(db.Players().Count(), 2);
  EXPECT_TRUE(rec.messages.empty());
}

// The booster and the sorted name files are derived: a damaged one is built
// anew, saying so once with its path, and searches by name answer as the
// scan does, as they did before the damage. A zeroed link or head is seen
// too: the links are compared with what the games' names make.
TEST(DamagedFiles, DamagedDerivedFilesAreBuiltAnewAndAnswerAsTheScan) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const auto &pristine = Pristine::Get().bytes;
  auto with = [](std::string bytes, size_t at, uint32_t v) {
    le::PutU32(reinterpret_cast<uint8_t *>(bytes.data()) + at, v);
    return bytes;
  };
  const std::string bli = pristine.at(".bli"), bpl = pristine.at(".bpl"), bes = pristine.at(".bes"),
                    pls = pristine.at(".pls");
  // White links of games 10 and 17 (Player 3's games 3, 10, 17, 24) and
  // game 10's Black link, as stored.
  const size_t white10 = 9 * 12, black10 = 9 * 12 + 4, white17 = 16 * 12;
  ASSERT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(bli.data()) + white10), 3u);
  ASSERT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(bli.data()) + white17), 10u);
  const struct {
    const char *what, *ext;
    std::string bytes;
    bool silent = false;  // not damage: sorted anew without a word
  } damages[] = {
      {"emptied player heads", ".bpl", ""},
      {"player heads cut", ".bpl", bpl.substr(0, bpl.size() - 4)},
      {"player heads doubled", ".bpl", bpl + bpl},
      {"zeroed player head", ".bpl", with(bpl, 4 * 4, 0)},
      {"emptied event heads", ".bes", ""},
      {"event head past the games", ".bes", with(bes, 0, 99)},
      {"link not below its game", ".bli", with(bli, white10, 10)},
      {"link above its game", ".bli", with(bli, black10, 20)},
      {"zeroed link", ".bli", with(bli, white10, 0)},
      {"link past a game of the player", ".bli", with(bli, white17, 3)},
      {"sorted ids not whole", ".pls", pls.substr(0, pls.size() - 1)},
      {"sorted ids past the names", ".pls", pls + pls.substr(0, 4)},
      {"sorted id 0", ".pls", with(pls, 8, 0)},
      {"sorted id past the count", ".pls", with(pls, 8, 12)},
      {"sorted id twice", ".pls", with(pls, 8, le::GetU32(reinterpret_cast<const uint8_t *>(pls.data())))},
      // Ids 1..k in another order than this program's are not damage.
      {"sorted ids out of order", ".pls", pls.substr(4, 4) + pls.substr(0, 4) + pls.substr(8), true},
  };
  for (const auto &d : damages) {
    TempDir dir;
    Lay(dir);
    dir.Write(std::string("c") + d.ext, d.bytes);
    const std::string rebuilt = SubstituteText(
        d.ext == std::string(".pls") ? CommonText::S_SortedNamesRebuilt : CommonText::S_BoosterRebuilt,
        dir.File(std::string("c") + d.ext));
    for (int round = 0; round < 2; ++round) {
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << d.what;
      EXPECT_EQ(rec.messages,
                round == 0 && !d.silent ? std::vector<std::string>{rebuilt} : std::vector<std::string>{})
          << d.what;
      EXPECT_EQ(AnswersOf(db), PristineAnswers()) << d.what;
      EXPECT_TRUE(db.Close(nullptr));
    }
    EXPECT_EQ(dir.Read(std::string("c") + d.ext), pristine.at(d.ext)) << d.what;
  }
  for (const Answers &a : PristineAnswers()) EXPECT_EQ(a.booster, a.scan);
  EXPECT_EQ(PristineAnswers(), (std::vector<Answers>{{4, 4}, {6, 6}, {5, 5}}));
}

// Fewer than 100 names leave the sorted files empty: such a database opens
// twice with no write and no message.
TEST(DamagedFiles, EmptySortedFilesOpenWithoutAWrite) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    for (int i = 1; i <= 30; ++i) ASSERT_EQ(db.SavePgnText(-1, GameText(i)), i);
    EXPECT_TRUE(db.Close(nullptr));
  }
  for (const char *ext : {"c.pls", "c.ess", "c.ans"}) EXPECT_EQ(dir.Read(ext), "") << ext;
  const auto before = Snapshot(dir);
  MessageRecorder rec;
  for (int round = 0; round < 2; ++round) {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    EXPECT_EQ(db.GameCount(), 30);
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(Snapshot(dir), before);
  }
  EXPECT_TRUE(rec.messages.empty());
}

// ------------------------------------------------------------ distinct files

// Every file of the set is its own: a ".qcx" linked to ".gai" was read as
// the settings and written over the games at close, and empty files merged
// into one by hard links would take each other's writes. A link to nothing
// would have its target made. Each refuses the open with nothing written;
// links to distinct files elsewhere open as the files they reach.
TEST(DamagedFiles, SetFilesThatAreOneFileOrLinksToNothingRefuseTheDatabase) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const struct {
    const char *what;
    std::function<void(const TempDir &)> apply;
    const char *first, *second;  // the files named; a link to nothing names one
  } damages[] = {
      {"settings linked to the game index",
       [](const TempDir &d) {
         files::Delete(d.File("c.qcx"));
         ASSERT_EQ(::symlink(d.File("c.gai").c_str(), d.File("c.qcx").c_str()), 0);
       },
       "c.qcx", "c.gai"},
      {"sorted files hard-linked",
       [](const TempDir &d) {
         files::Delete(d.File("c.ans"));
         ASSERT_EQ(::link(d.File("c.ess").c_str(), d.File("c.ans").c_str()), 0);
       },
       "c.ess", "c.ans"},
      {"sorted file a link to nothing",
       [](const TempDir &d) {
         files::Delete(d.File("c.ans"));
         ASSERT_EQ(::symlink(d.File("target.ans").c_str(), d.File("c.ans").c_str()), 0);
       },
       "c.ans", nullptr},
  };
  for (const auto &d : damages) {
    TempDir dir;
    Lay(dir);
    d.apply(dir);
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    {
      DatabaseO db;
      EXPECT_FALSE(Open(db, dir)) << d.what;
    }
    const std::string expected =
        d.second ? SubstituteText(SubstituteText(CommonText::S_DatabaseFilesSame, dir.File(d.first)),
                                  dir.File(d.second))
                 : SubstituteText(CommonText::S_DatabaseFileBrokenLink, dir.File(d.first));
    EXPECT_EQ(rec.messages, std::vector<std::string>{expected}) << d.what;
    EXPECT_EQ(Snapshot(dir), before) << d.what;
    EXPECT_FALSE(files::Exists(dir.File("target.ans"))) << d.what;
  }
  // The games and the settings through links to files of their own.
  TempDir dir, elsewhere;
  Lay(dir);
  for (const char *ext : {"c.gad", "c.qcx"}) {
    elsewhere.Write(ext, dir.Read(ext));
    files::Delete(dir.File(ext));
    ASSERT_EQ(::symlink(elsewhere.File(ext).c_str(), dir.File(ext).c_str()), 0);
  }
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(AnswersOf(db), PristineAnswers());
}

// ---------------------------------- sorted files of k ids, heads that grow, messages after rebuilds
namespace {

// The names of the files that differ between two snapshots.
std::vector<std::string> Changed(const std::map<std::string, std::string> &a,
                                 const std::map<std::string, std::string> &b) {
  std::vector<std::string> names;
  for (const auto &[name, bytes] : a)
    if (!b.contains(name) || b.at(name) != bytes) names.push_back(name);
  for (const auto &[name, bytes] : b)
    if (!a.contains(name)) names.push_back(name);
  return names;
}

std::string NamedGame(int round, const std::string &white, const std::string &black, const std::string &event,
                      const std::string &annotator) {
  return "[Event \"" + event + "\"]\r\n[Site \"Town\"]\r\n[Date \"2021.03.04\"]\r\n[Round \"" +
         std::to_string(round) + "\"]\r\n[White \"" + white + "\"]\r\n[Black \"" + black +
         "\"]\r\n[Annotator \"" + annotator +
         "\"]\r\n[Result \"1/2-1/2\"]\r\n\r\n1. e4 c5 2. Nf3 d6 1/2-1/2\r\n";
}

// 300 games with 170 players, 110 events and 105 annotators.
std::string ManyNamesGame(int i) {
  return NamedGame(i, "Player " + std::to_string(i % 120), "Rival " + std::to_string(i % 50),
                   "Cup " + std::to_string(i % 110), "Note " + std::to_string(i % 105));
}
constexpr int kManyNamesGames = 300;

// Makes a set in dir from games 1..count, every sorted file sorted whole.
// A Windows-1252 name given first makes it a Windows-1252 set.
void MakeSet(const TempDir &dir, int count, const std::function<std::string(int)> &game,
             const std::string &firstName = {}) {
  if (!firstName.empty()) {
    IndexManO names;
    ASSERT_TRUE(names.Open(dir.File("c.pli")));
    names.FindOrAdd(firstName);
  }
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  ASSERT_EQ(db.TextEncoding(),
            firstName.empty() ? win1252::TextEncoding::Utf8 : win1252::TextEncoding::Win1252);
  for (int i = 1; i <= count; ++i) ASSERT_EQ(db.SavePgnText(-1, game(i)), i);
  for (IndexManO *index : {&db.Players(), &db.EventSites(), &db.Annotators()})
    ASSERT_TRUE(index->BuildSortedIndex());
  EXPECT_TRUE(db.Close(nullptr));
  EXPECT_TRUE(rec.messages.empty());
}

const std::map<std::string, std::string> &ManyNamesSet() {
  static const std::map<std::string, std::string> set = [] {
    TempDir dir, tmp;
    testutil::AppDirGuard app(tmp.Path());
    MakeSet(dir, kManyNamesGames, ManyNamesGame);
    return Snapshot(dir);
  }();
  return set;
}

void LaySet(const TempDir &dir, const std::map<std::string, std::string> &set) {
  for (const auto &[name, bytes] : set) dir.Write(name, bytes);
}

Answers SearchAnnotator(DatabaseO &db, const std::string &name) {
  GameSearchMaskO m;
  m.AddAnnotator(name, false, false);
  const int all = db.NewGameList(), byAll = db.NewGameList(), byScan = db.NewGameList();
  db.SearchGames(nullptr, all, 0, nullptr);
  db.SearchGames(&m, byAll, 0, nullptr);
  db.SearchGames(&m, byScan, all, nullptr);
  const Answers a{db.GameListCount(byAll), db.GameListCount(byScan)};
  for (int list : {all, byAll, byScan}) db.FreeGameList(list);
  return a;
}

std::vector<Answers> ManyNamesAnswers(DatabaseO &db) {
  return {Search(db, "Player 19", false), Search(db, "Player 1", false),  Search(db, "Rival 7", false),
          Search(db, "Cup 19", true),     SearchAnnotator(db, "Note 19"), SearchAnnotator(db, "Note 1")};
}

// The same counts from the games as made: a name matches by prefix
// (players, annotators) or anywhere (events).
std::vector<Answers> ManyNamesCounted() {
  auto count = [](const std::function<bool(int)> &has) {
    int32_t n = 0;
    for (int i = 1; i <= kManyNamesGames; ++i) n += has(i) ? 1 : 0;
    return Answers{n, n};
  };
  auto prefix = [](const std::string &name, const std::string &p) {
    return name.compare(0, p.size(), p) == 0;
  };
  return {count([](int i) { return i % 120 == 19; }),
          count([&](int i) { return prefix(std::to_string(i % 120), "1"); }),
          count([](int i) { return i % 50 == 7; }),
          count([](int i) { return std::to_string(i % 110).find("19") != std::string::npos; }),
          count([](int i) { return i % 105 == 19; }),
          count([&](int i) { return prefix(std::to_string(i % 105), "1"); })};
}

}  // namespace

// A sorted file of k ids stands for ids 1..k: one cut by whole ids holds the
// first k of the order instead and once answered "Player 19" with fewer
// games. Sorted anew with one message after the new file is in place, it
// answers as the undamaged copy, booster and scan alike; the next open
// writes nothing.
TEST(DamagedFiles, SortedFilesCutByWholeIdsAreSortedAnew) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const auto &set = ManyNamesSet();
  std::vector<Answers> undamaged;
  {
    TempDir dir;
    LaySet(dir, set);
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    undamaged = ManyNamesAnswers(db);
    EXPECT_TRUE(rec.messages.empty());
  }
  ASSERT_EQ(undamaged, ManyNamesCounted());
  for (const char *ext : {"c.pls", "c.ess", "c.ans"}) {
    ASSERT_GT(set.at(ext).size(), 400u) << ext;
    for (size_t cut : {4, 40, 400}) {
      const std::string what = std::string(ext) + " cut by " + std::to_string(cut);
      TempDir dir;
      LaySet(dir, set);
      dir.Write(ext, set.at(ext).substr(0, set.at(ext).size() - cut));
      for (int round = 0; round < 2; ++round) {
        MessageRecorder rec;
        DatabaseO db;
        ASSERT_TRUE(Open(db, dir)) << what;
        EXPECT_EQ(rec.messages, round == 0 ? std::vector<std::string>{SubstituteText(
                                                 CommonText::S_SortedNamesRebuilt, dir.File(ext))}
                                           : std::vector<std::string>{})
            << what;
        EXPECT_EQ(ManyNamesAnswers(db), undamaged) << what;
        const auto before = Snapshot(dir);
        EXPECT_TRUE(db.Close(nullptr));
        if (round == 1) {
          EXPECT_EQ(Changed(Snapshot(dir), before), std::vector<std::string>{}) << what;
        }
      }
      EXPECT_EQ(dir.Read(ext), set.at(ext)) << what;
    }
  }
}

// Ids 1..k with one doubled beside itself keep the order a check of order
// sees, so only the count of each id tells: the id pushed out must not be
// trusted away (his games found 0). In UTF-8 names and in Windows-1252
// names, whose order is not checked.
TEST(DamagedFiles, ASortedIdDoubledBesideItselfIsDamage) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const struct { const char *what, *letter; } kinds[] = {{"UTF-8", "\xc3\xb6"}, {"Windows-1252", "\xf6"}};
  for (const auto &kind : kinds) {
    auto game = [&](int i) {
      return NamedGame(i, std::string("J") + kind.letter + "rg " + std::to_string(i % 7),
                       "Other " + std::to_string(i % 4), "Cup " + std::to_string(i % 5), "Note");
    };
    TempDir made;
    MakeSet(made, 42, game, kind.letter[1] == '\0' ? "J\xf6rg 1" : "");
    const auto set = Snapshot(made);
    const std::string pls = set.at("c.pls");
    const auto id = [&](size_t k) {
      return le::GetU32(reinterpret_cast<const uint8_t *>(pls.data()) + 4 * k);
    };
    // Every place where a player of 6 games would be pushed out by his neighbour.
    for (size_t k = 0; k + 1 < pls.size() / 4; ++k) {
      TempDir dir;
      LaySet(dir, set);
      std::string doubled = pls;
      le::PutU32(reinterpret_cast<uint8_t *>(doubled.data()) + 4 * (k + 1), id(k));
      dir.Write("c.pls", doubled);
      std::string lost;
      std::vector<Answers> want;
      {
        TempDir clean;
        LaySet(clean, set);
        DatabaseO db;
        ASSERT_TRUE(Open(db, clean));
        lost = db.Players().GetText(id(k + 1));
        want = {Search(db, lost, false), Search(db, db.Players().GetText(id(k)), false)};
      }
      const std::string what = std::string(kind.what) + ": " + lost + " pushed out";
      ASSERT_GE(want[0].scan, 6) << what;
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << what;
      EXPECT_EQ(rec.messages,
                std::vector<std::string>{SubstituteText(CommonText::S_SortedNamesRebuilt, dir.File("c.pls"))})
          << what;
      EXPECT_EQ(
          (std::vector<Answers>{Search(db, lost, false), Search(db, db.Players().GetText(id(k)), false)}),
          want)
          << what;
      EXPECT_TRUE(db.Close(nullptr));
      EXPECT_EQ(dir.Read("c.pls"), pls) << what;
    }
  }
}

// Ids 1..k in another order (here a locale's, which passes over the
// apostrophe and the hyphen) are not damage: ASCII names are sorted anew
// without a word and found as before; Windows-1252 names keep that order.
// Sorted files of this program with an unsorted tail open with no write.
TEST(DamagedFiles, SortedFilesInAnotherOrderAndWithATail) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const std::vector<std::string> names{"Smith-Jones", "Okafor", "O'Kelly", "Smithers", "Oakes",
                                       "Smith, A",    "Ojo",    "Smit",    "O'Neil",   "Smithson"};
  for (const char *suffix : {"", " \xe9"}) {  // ASCII, then Windows-1252
    const bool ascii = *suffix == '\0';
    auto game = [&](int i) {
      return NamedGame(i, names[static_cast<size_t>(i) % names.size()] + suffix, "Other", "Cup", "Note");
    };
    TempDir dir;
    MakeSet(dir, 30, game, ascii ? "" : names[1] + suffix);
    const std::string ours = dir.Read("c.pls");
    std::vector<uint32_t> ids;
    std::vector<std::string> texts;
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir));
      for (uint32_t id = 1; id <= static_cast<uint32_t>(db.Players().Count()); ++id) {
        ids.push_back(id);
        texts.push_back(db.Players().GetText(id));
      }
    }
    auto letters = [](std::string s) {
      std::erase_if(s, [](char c) { return c == '\'' || c == '-' || c == ',' || c == ' '; });
      for (char &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return s;
    };
    std::stable_sort(ids.begin(), ids.end(),
                     [&](uint32_t a, uint32_t b) { return letters(texts[a - 1]) < letters(texts[b - 1]); });
    std::string locale(ids.size() * 4, '\0');
    for (size_t k = 0; k < ids.size(); ++k)
      le::PutU32(reinterpret_cast<uint8_t *>(locale.data()) + 4 * k, ids[k]);
    ASSERT_EQ(locale.size(), ours.size());
    ASSERT_NE(locale, ours);
    dir.Write("c.pls", locale);
    for (int round = 0; round < 2; ++round) {
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << suffix;
      EXPECT_TRUE(rec.messages.empty()) << suffix;
      EXPECT_EQ(dir.Read("c.pls"), ascii ? ours : locale) << suffix;
      if (ascii) {
        EXPECT_EQ(Search(db, "O'Kelly", false), (Answers{3, 3}));
        EXPECT_EQ(Search(db, "Smith", false), (Answers{12, 12}));
      }
      EXPECT_TRUE(db.Close(nullptr));
    }
  }
  // Sorted whole, then names added since: ids 1..k sorted and a tail.
  TempDir dir;
  LaySet(dir, ManyNamesSet());
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    for (int i = 1; i <= 5; ++i)
      ASSERT_EQ(db.SavePgnText(-1, NamedGame(i, "Newcomer " + std::to_string(i), "Rival 7",
                                             "Open " + std::to_string(i), "Late " + std::to_string(i))),
                kManyNamesGames + i);
    EXPECT_TRUE(db.Close(nullptr));
  }
  const auto before = Snapshot(dir);
  EXPECT_EQ(before.at("c.pls"), ManyNamesSet().at("c.pls"));
  MessageRecorder rec;
  for (int round = 0; round < 2; ++round) {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    EXPECT_EQ(db.Players().Find("Newcomer 3"), 173u);
    EXPECT_EQ(db.Players().Find("PLAYER 19"), db.Players().Find("Player 19"));
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(Changed(Snapshot(dir), before), std::vector<std::string>{});
  }
  EXPECT_TRUE(rec.messages.empty());
  // A search merges the tail into the sorted file.
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  EXPECT_EQ(Search(db, "Player 19", false), (Answers{3, 3}));
  EXPECT_EQ(Search(db, "Newcomer", false), (Answers{5, 5}));
}

// Heads grow as games are linked: a name whose game was not stored (a full
// disk) leaves ".bpl" a head short, which is valid; a torn head, or a short
// file whose missing ids have games, is damage.
TEST(DamagedFiles, ShortBoosterHeadsOfUnusedNamesAreValid) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const std::string game = NamedGame(50, "Newcomer", "Other 1", "Cup 1", "Note 1");
  TempDir dir;
  for (int nth = 1;; ++nth) {
    ASSERT_LT(nth, 10) << "no write stores the name without the game";
    Lay(dir);
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    int32_t stored = 0;
    {
      FileFault fault(FileFault::Op::Write, nth, ENOSPC);
      stored = db.SavePgnText(-1, game);
    }
    const int32_t players = db.Players().Count();
    db.Close(nullptr);
    if (stored == 0 && players == 12) break;
  }
  const std::string bpl = dir.Read("c.bpl");
  ASSERT_EQ(bpl.size(), 11u * 4);
  ASSERT_EQ(dir.Read("c.pli").size(), 12u * 4);
  const auto before = Snapshot(dir);
  {
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_TRUE(db.HasSearchBooster());
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(Changed(Snapshot(dir), before), std::vector<std::string>{});
    // Stored now, the game grows the heads by its own.
    ASSERT_TRUE(Open(db, dir));
    EXPECT_EQ(AnswersOf(db), PristineAnswers());
    EXPECT_EQ(db.SavePgnText(-1, game), 25);
    EXPECT_EQ(Search(db, "Newcomer", false), (Answers{1, 1}));
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_TRUE(rec.messages.empty());
  }
  for (const auto &[what, bytes] : {std::pair<const char *, std::string>{"torn head", bpl + "\x07\x00"},
                                    {"a head past the names", bpl + std::string(8, '\0')},
                                    {"short of a used name", bpl.substr(0, bpl.size() - 4)}}) {
    LaySet(dir, before);
    dir.Write("c.bpl", bytes);
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir)) << what;
    EXPECT_EQ(rec.messages,
              std::vector<std::string>{dbtext::Fill(CommonText::S_BoosterRebuilt, {dir.File("c.bpl")})})
        << what;
    EXPECT_EQ(AnswersOf(db), PristineAnswers()) << what;
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(dir.Read("c.bpl"), bpl + std::string(4, '\0')) << what;
  }
}

// A rebuild that cannot write shows its failure, not "built anew" or
// "sorted anew"; the open goes on and answers by the scan, the sorted file
// stays as it was, and the next open tries again.
TEST(DamagedFiles, AFailedRebuildSaysSoOnceAndTheNextOpenTriesAgain) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const auto &pristine = Pristine::Get().bytes;
  std::string bli = pristine.at(".bli");
  le::PutU32(reinterpret_cast<uint8_t *>(bli.data()) + 9 * 12, 0);  // a zeroed link
  const std::string pls = pristine.at(".pls");
  // "Player 3" pushed out by his neighbour: a file as long as the names.
  std::string doubled = pls;
  {
    TempDir dir;
    Lay(dir);
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir));
    const uint32_t id = db.Players().Find("Player 3");
    auto *ids = reinterpret_cast<uint8_t *>(doubled.data());
    for (size_t k = 1; k < doubled.size() / 4; ++k)
      if (le::GetU32(ids + 4 * k) == id) le::PutU32(ids + 4 * k, le::GetU32(ids + 4 * (k - 1)));
    ASSERT_NE(doubled, pls);
  }
  const struct {
    const char *ext;
    std::string bytes;
  } damages[] = {{".bli", bli}, {".pls", pls.substr(0, pls.size() - 4)}, {".pls", doubled}};
  for (const auto &d : damages) {
    TempDir dir;
    Lay(dir);
    const std::string file = std::string("c") + d.ext;
    dir.Write(file, d.bytes);
    const bool booster = d.ext == std::string(".bli");
    {
      const auto before = Snapshot(dir);
      MessageRecorder rec;
      DatabaseO db;
      {
        FileFault fault(FileFault::Op::Write, 1, ENOSPC);
        fault.Onward();
        ASSERT_TRUE(Open(db, dir)) << d.ext;
      }
      ASSERT_EQ(rec.messages.size(), 1u) << d.ext;
      EXPECT_NE(rec.messages[0].find(std::strerror(ENOSPC)), std::string::npos) << rec.messages[0];
      EXPECT_EQ(db.HasSearchBooster(), !booster);
      EXPECT_EQ(AnswersOf(db), PristineAnswers()) << d.ext;
      EXPECT_EQ(rec.messages.size(), 1u) << d.ext;
      EXPECT_TRUE(db.Close(nullptr));
      auto after = Snapshot(dir);
      // A refused booster leaves its links cut, for the next open to build.
      if (booster) {
        EXPECT_EQ(after.at("c.bli"), "");
        for (const char *f : {"c.bli", "c.bpl", "c.bes"}) after[f] = before.at(f);
      }
      EXPECT_EQ(Changed(after, before), std::vector<std::string>{}) << d.ext;
    }
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir)) << d.ext;
    // The cut links are the program's own sign to build: no damage to tell.
    EXPECT_EQ(rec.messages, booster ? std::vector<std::string>{}
                                    : std::vector<std::string>{
                                          SubstituteText(CommonText::S_SortedNamesRebuilt, dir.File(file))});
    EXPECT_TRUE(db.HasSearchBooster());
    EXPECT_EQ(AnswersOf(db), PristineAnswers()) << d.ext;
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(dir.Read(file), pristine.at(d.ext)) << d.ext;
  }
}
