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

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/KeyTreeMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Bytes.h"
#include "platform/Files.h"

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

std::map<std::string, std::string> Snapshot(const TempDir &dir) {
  std::map<std::string, std::string> m;
  for (const auto &e : std::filesystem::directory_iterator(dir.Path())) {
    std::string s;
    files::ReadAll(e.path().string(), s);
    m[e.path().filename().string()] = s;
  }
  return m;
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

// One byte of ".gad" makes game 3's White id 1,879,048,193. The booster's
// rebuild once grew ".bpl" towards 7.5 GB for it; it now leaves the game
// out, says so once, and grows nothing. Game 4's Black id passes INT32_MAX.
TEST(DamagedFiles, ABoosterRebuildSkipsAGameWhoseIdsPassTheNameIndex) {
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
  const std::string bli = dir.Read("c.bli");
  dir.Write("c.bli", bli.substr(0, bli.size() - 12));  // the rebuild's trigger
  const size_t bpl = dir.Read("c.bpl").size();
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  EXPECT_EQ(rec.messages, std::vector<std::string>{SubstituteText(
                              SubstituteText(CommonText::S_BoosterGamesDamaged, "2"), dir.File("c.qcx"))});
  EXPECT_TRUE(db.HasSearchBooster());
  EXPECT_EQ(db.SearchBooster().LinkedGames(), db.GameCount());
  EXPECT_LE(dir.Read("c.bpl").size(), bpl);
  // Storing the damaged game anew takes it out of chains it was never in.
  rec.messages.clear();
  EXPECT_EQ(db.SavePgnText(3, GameText(3)), 3);
  EXPECT_EQ(db.SavePgnText(4, GameText(4)), 4);
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_TRUE(db.HasSearchBooster());
  EXPECT_LE(dir.Read("c.bpl").size(), bpl);
  std::set<int32_t> walked;
  db.SearchBooster().WalkPlayer(db.GameStore(), db.Players().Find("Player 3"), [&](int32_t g, const GameDescriptor &) {
    return walked.insert(g).second;
  });
  EXPECT_EQ(walked, (std::set<int32_t>{3, 10, 17, 24}));
  EXPECT_TRUE(db.Close(nullptr));
}

// One such game is named in the singular.
TEST(DamagedFiles, OneGameLeftOutOfTheBoosterIsSaidSo) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  Lay(dir);
  std::string gad = dir.Read("c.gad");
  gad[RecordOffset(dir, 3) + GameDescriptor::kWhite + 3] = '\x70';
  dir.Write("c.gad", gad);
  const std::string bli = dir.Read("c.bli");
  dir.Write("c.bli", bli.substr(0, bli.size() - 12));
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  EXPECT_EQ(rec.messages,
            std::vector<std::string>{SubstituteText(CommonText::S_BoosterGameDamaged, dir.File("c.qcx"))});
  EXPECT_TRUE(db.Close(nullptr));
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
      // The records an entry points at begin inside a cut or emptied ".gad".
      {"cut data", [&](const TempDir &d) { d.Write("c.gad", d.Read("c.gad").substr(0, RecordOffset(d, 20) + 7)); },
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
      {"lost entries", [&](const TempDir &d) { d.Write("c.gai", gai.substr(0, gai.size() - 8)); }, "c.gai"},
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
    EXPECT_EQ(rec.messages, std::vector<std::string>{DamagedFilesText(dir.File(dmg.names),
                                                                       dmg.other ? dir.File(dmg.other) : "")})
        << dmg.what;
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
  const std::string key = pristine.at(".key"), gls = pristine.at(".gls"), gki = pristine.at(".gki");
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
  std::string gkiPast = gki;
  gkiPast.resize(4 * 30, '\0');
  const std::pair<const char *, std::pair<const char *, std::string>> damages[] = {
      {"key of 3 bytes", {".key", key.substr(0, 3)}},
      {"empty key", {".key", ""}},
      {"key not whole nodes", {".key", key.substr(0, key.size() - 5)}},
      {"zeroed key", {".key", std::string(key.size(), '\0')}},
      {"junk key", {".key", junk}},
      {"games list past the games", {".gls", glsPast}},
      {"game index past the games", {".gki", gkiPast}},
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
      {"sorted ids out of order", ".pls", pls.substr(4, 4) + pls.substr(0, 4) + pls.substr(8)},
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
      EXPECT_EQ(rec.messages, round == 0 ? std::vector<std::string>{rebuilt} : std::vector<std::string>{})
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
