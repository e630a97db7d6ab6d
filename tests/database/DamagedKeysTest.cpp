// Damaged key files, compared with the undamaged copy: damage the derived
// files (".hsh", ".gki") cannot hide is built anew, once, with one message
// naming the file, and the keys then answer as the undamaged copy's; damage
// of the lists or positions opens the database without keys, with nothing
// changed; the keys can then be made again when the user says so.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "DatabaseTestUtil.h"
#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/KeyTreeMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Bytes.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

const char *const kSetExts[] = {".qcx", ".gad", ".gai", ".pld", ".pli", ".pls", ".esd",
                                ".esi", ".ess", ".and", ".ani", ".ans", ".bpl", ".bes",
                                ".bli", ".key", ".kls", ".gls", ".hsh", ".pos", ".gki"};
const char *const kKeyFiles[] = {".key", ".kls", ".gls", ".hsh", ".pos", ".gki"};
constexpr int kGames = 30;
constexpr int kKeyed = 27;  // the last games are stored unkeyed: ".gki" is short

std::string GameText(int i) {
  static const char *const lines[] = {"1. e4 e5 2. Nf3 Nc6 3. Bb5 a6",
                                      "1. d4 d5 2. c4 e6 3. Nc3 Nf6",
                                      "1. e4 c5 2. Nf3 d6 3. d4 cxd4",
                                      "1. c4 e5 2. Nc3 Nf6",
                                      "1. e4 e6 2. d4 d5 3. Nc3 Bb4",
                                      "1. d4 Nf6 2. c4 g6 3. Nc3 Bg7",
                                      "1. Nf3 d5 2. g3 Nf6"};
  return "[Event \"Cup\"]\r\n[White \"Player " + std::to_string(i % 5) +
         "\"]\r\n[Black \"Other\"]\r\n[Round \"" + std::to_string(i) + "\"]\r\n[Result \"1-0\"]\r\n\r\n" +
         lines[i % 7] + " 1-0\r\n";
}

uint32_t U32At(const std::string &s, size_t at) {
  return le::GetU32(reinterpret_cast<const uint8_t *>(s.data()) + at);
}
void PutU32At(std::string &s, size_t at, uint32_t v) {
  le::PutU32(reinterpret_cast<uint8_t *>(s.data()) + at, v);
}

// Node records of ".key": the field offsets.
constexpr size_t kNode = 152, kPositions = 132, kGamesList = 136, kChildren = 140;
constexpr size_t kBucket = 48;

class Pristine {
 public:
  static const Pristine &Get() {
    static Pristine p;
    return p;
  }
  std::map<std::string, std::string> bytes;

 private:
  Pristine() {
    testutil::AppDirGuard app(tmp_.Path());
    EXPECT_GE(KeyTreeO::ImportTextFile(dir_.File("c.key"), testutil::DataDir() + "class.txt"), 0);
    MessageRecorder rec;
    DatabaseO db;
    bool report = false;
    EXPECT_TRUE(db.Open(dir_.File("c.qcx"), nullptr, nullptr, report));
    for (int i = 1; i <= kGames; ++i) {
      EXPECT_EQ(db.SavePgnText(-1, GameText(i)), i);
      if (i > kKeyed) continue;
      int ply = 0;
      const uint32_t node = db.ClassifyGameNr(i, ply);
      EXPECT_TRUE(db.SetGameKey(node != 0 ? node : KeyTreeO::kRoot, i, true));
    }
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_TRUE(rec.messages.empty());
    for (const char *e : kSetExts) bytes[e] = dir_.Read(std::string("c") + e);
  }
  TempDir dir_, tmp_;
};

void Lay(const TempDir &dir, const std::map<std::string, std::string> &changes = {}) {
  for (const auto &[ext, bytes] : Pristine::Get().bytes) dir.Write("c" + ext, bytes);
  for (const auto &[ext, bytes] : changes) {
    if (bytes == "deleted")
      files::Delete(dir.File("c" + ext));
    else
      dir.Write("c" + ext, bytes);
  }
}

bool Open(DatabaseO &db, const TempDir &dir) {
  bool report = false;
  return db.Open(dir.File("c.qcx"), nullptr, nullptr, report);
}

// What the keys answer: each game's key and classification, each node's
// games and total.
struct KeyAnswers {
  std::vector<uint32_t> keys, classes;
  std::vector<int> games;
  std::vector<uint32_t> totals;
  bool operator==(const KeyAnswers &) const = default;
};

KeyAnswers AnswersOf(DatabaseO &db) {
  KeyAnswers a;
  for (int32_t g = 1; g <= db.GameCount(); ++g) {
    int ply = 0;
    a.keys.push_back(db.GetGameKey(g));
    a.classes.push_back(db.ClassifyGameNr(g, ply));
  }
  KeyTreeO &t = db.KeyTree();
  for (uint32_t n = 1; n <= t.NodeCount(); ++n) {
    t.SetCurrentNode(n);
    a.games.push_back(t.GameCount());
    a.totals.push_back(t.TotalGameCount());
  }
  t.GoRoot();
  return a;
}

const KeyAnswers &PristineAnswers() {
  static const KeyAnswers answers = [] {
    TempDir dir, tmp;
    testutil::AppDirGuard app(tmp.Path());
    Lay(dir);
    MessageRecorder rec;
    DatabaseO db;
    EXPECT_TRUE(Open(db, dir));
    EXPECT_TRUE(db.HasKeys());
    return AnswersOf(db);
  }();
  return answers;
}

// The first bucket of a node's list.
uint32_t ListOf(uint32_t node, size_t field) {
  return U32At(Pristine::Get().bytes.at(".key"), (node - 1) * kNode + field);
}

// The last bucket of the list from bucket first.
uint32_t LastBucket(const std::string &file, uint32_t first) {
  uint32_t b = first;
  while (U32At(file, (b - 1) * kBucket) != 0) b = U32At(file, (b - 1) * kBucket);
  return b;
}

// A node other than the root with games, and the first bucket of its list.
uint32_t NodeWithGames(uint32_t other = 0) {
  const std::string &key = Pristine::Get().bytes.at(".key");
  const std::string &gls = Pristine::Get().bytes.at(".gls");
  for (uint32_t n = 2; n <= key.size() / kNode; ++n) {
    const uint32_t list = ListOf(n, kGamesList);
    if (n != other && list != 0 && U32At(gls, (list - 1) * kBucket + 4) != 0) return n;
  }
  return 0;
}

// Records of ".pos": a record some other names as next, and its chain's head.
struct Chain {
  uint32_t head = 0, middle = 0, tail = 0;
};
Chain ChainOfTwoOrMore() {
  const std::string &pos = Pristine::Get().bytes.at(".pos");
  const uint32_t count = static_cast<uint32_t>(pos.size() / 120);
  std::vector<bool> named(count + 1, false);
  for (uint32_t r = 1; r <= count; ++r) named[U32At(pos, (r - 1) * 120 + 4)] = true;
  for (uint32_t r = 1; r <= count; ++r) {
    const uint32_t next = U32At(pos, (r - 1) * 120 + 4);
    if (named[r] || next == 0) continue;
    uint32_t tail = next;
    while (U32At(pos, (tail - 1) * 120 + 4) != 0) tail = U32At(pos, (tail - 1) * 120 + 4);
    return {r, next, tail};
  }
  return {};
}

}  // namespace

// Damage of the lists and positions: the database opens without keys,
// says so once, and no key file changes.
TEST(DamagedKeys, ListAndPositionDamageOpensWithoutKeys) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const auto &pristine = Pristine::Get().bytes;
  const std::string kls = pristine.at(".kls"), gls = pristine.at(".gls"), pos = pristine.at(".pos");
  const uint32_t rootChildren = ListOf(KeyTreeO::kRoot, kChildren);
  ASSERT_NE(rootChildren, 0u);
  const uint32_t withGames = NodeWithGames(), otherWithGames = NodeWithGames(withGames);
  ASSERT_NE(otherWithGames, 0u);
  const uint32_t games = ListOf(withGames, kGamesList), otherGames = ListOf(otherWithGames, kGamesList);
  const Chain chain = ChainOfTwoOrMore();
  ASSERT_NE(chain.head, 0u);
  uint32_t positions = 0;
  for (uint32_t n = 2; positions == 0; ++n) positions = ListOf(n, kPositions);

  auto patch = [](std::string s, size_t at, uint32_t v) {
    PutU32At(s, at, v);
    return s;
  };
  const size_t lastChild = (LastBucket(kls, rootChildren) - 1) * kBucket;
  std::string twoKeys = gls;
  PutU32At(twoKeys, (otherGames - 1) * kBucket + 8, U32At(gls, (games - 1) * kBucket + 8));
  const std::vector<std::pair<std::string, std::map<std::string, std::string>>> damages = {
      {"kls count", {{".kls", patch(kls, (rootChildren - 1) * kBucket + 4, 11)}}},
      {"kls next past the file",
       {{".kls", patch(kls, lastChild, static_cast<uint32_t>(kls.size() / kBucket + 1))}}},
      {"kls loop", {{".kls", patch(kls, lastChild, rootChildren)}}},
      {"kls lists run together", {{".kls", patch(kls, lastChild, positions)}}},
      {"kls child 0", {{".kls", patch(kls, (rootChildren - 1) * kBucket + 8, 0)}}},
      {"kls position past the records",
       {{".kls", patch(kls, (positions - 1) * kBucket + 8, static_cast<uint32_t>(pos.size() / 120 + 1))}}},
      {"gls loop", {{".gls", patch(gls, (LastBucket(gls, games) - 1) * kBucket, games)}}},
      {"gls game 0", {{".gls", patch(gls, (games - 1) * kBucket + 8, 0)}}},
      {"a game under two keys", {{".gls", twoKeys}}},
      {"pos two heads of one key", {{".pos", patch(pos, (chain.head - 1) * 120 + 4, 0)}}},
      {"pos loop", {{".pos", patch(pos, (chain.tail - 1) * 120 + 4, chain.head)}}},
      // Damage of both kinds: nothing is built anew.
      {"pos loop and hsh cut",
       {{".pos", patch(pos, (chain.tail - 1) * 120 + 4, chain.head)},
        {".hsh", pristine.at(".hsh").substr(0, pristine.at(".hsh").size() - 2)}}},
  };
  for (const auto &[what, changes] : damages) {
    TempDir dir;
    Lay(dir, changes);
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << what;
      EXPECT_FALSE(db.HasKeys()) << what;
      EXPECT_EQ(rec.messages,
                std::vector<std::string>{SubstituteText(CommonText::S_KeysDamaged, dir.File("c.key"))})
          << what;
      EXPECT_TRUE(db.Close(nullptr));
    }
    const auto after = Snapshot(dir);
    for (const char *e : kKeyFiles)
      EXPECT_EQ(after.at(std::string("c") + e), before.at(std::string("c") + e)) << what;
  }
}

// The derived files are built anew from the others: one message naming the
// file, after the write; the keys answer as the undamaged copy's; the next
// open says nothing and writes nothing.
TEST(DamagedKeys, DerivedKeyFilesAreBuiltAnewOnce) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  const auto &pristine = Pristine::Get().bytes;
  const std::string hsh = pristine.at(".hsh"), gki = pristine.at(".gki");
  ASSERT_EQ(gki.size(), 4u * kKeyed);
  std::string hshFlip = hsh, gkiFlip = gki, gkiStale = gki;
  const Chain chain = ChainOfTwoOrMore();
  bool flipped = false;
  for (size_t at = 0; at < hshFlip.size() && !flipped; at += 4)
    if (U32At(hshFlip, at) == chain.head) {
      PutU32At(hshFlip, at, chain.middle);  // a head inside its own chain
      flipped = true;
    }
  ASSERT_TRUE(flipped);
  const uint32_t withGames = NodeWithGames(), other = NodeWithGames(withGames);
  for (size_t at = 0; at < gki.size(); at += 4)
    if (U32At(gki, at) == withGames) {
      gkiFlip[at] = static_cast<char>(gkiFlip[at] ^ 0x40);
      PutU32At(gkiStale, at, other);
      break;
    }
  ASSERT_NE(gkiFlip, gki);
  const std::vector<std::pair<std::string, std::map<std::string, std::string>>> damages = {
      {"hsh cut by 2 bytes", {{".hsh", hsh.substr(0, hsh.size() - 2)}}},
      {"hsh zeroed", {{".hsh", std::string(hsh.size(), '\0')}}},
      {"hsh doubled", {{".hsh", hsh + hsh}}},
      {"hsh empty", {{".hsh", ""}}},
      {"hsh deleted", {{".hsh", "deleted"}}},
      {"hsh head inside its chain", {{".hsh", hshFlip}}},
      {"gki flipped", {{".gki", gkiFlip}}},
      {"gki stale", {{".gki", gkiStale}}},
      {"gki zeroed", {{".gki", std::string(gki.size(), '\0')}}},
      {"gki not whole entries", {{".gki", gki.substr(0, gki.size() - 2)}}},
      {"gki cut by entries of keyed games", {{".gki", gki.substr(0, gki.size() - 8)}}},
      {"gki past the games", {{".gki", gki + std::string(4 * (kGames - kKeyed + 1), '\0')}}},
  };
  for (const auto &[what, changes] : damages) {
    TempDir dir;
    Lay(dir, changes);
    const std::string file = dir.File("c" + changes.begin()->first);
    {
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << what;
      ASSERT_TRUE(db.HasKeys()) << what;
      EXPECT_EQ(rec.messages, std::vector<std::string>{SubstituteText(CommonText::S_KeyFileRebuilt, file)})
          << what;
      EXPECT_EQ(AnswersOf(db), PristineAnswers()) << what;
      EXPECT_TRUE(db.Close(nullptr)) << what;
    }
    const auto rebuilt = Snapshot(dir);
    {
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir)) << what;
      EXPECT_TRUE(rec.messages.empty()) << what;
      // A game stored now is keyed as the undamaged copy keys it.
      const int32_t n = db.SavePgnText(-1, GameText(1));
      int ply = 0;
      EXPECT_EQ(db.ClassifyGameNr(n, ply), PristineAnswers().classes[0]) << what;
      EXPECT_NE(PristineAnswers().classes[0], 0u);
      EXPECT_TRUE(db.Close(nullptr)) << what;
    }
    TempDir again;
    for (const auto &[name, bytes] : rebuilt) again.Write(name, bytes);
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, again));
      EXPECT_TRUE(db.Close(nullptr));
    }
    EXPECT_EQ(Snapshot(again), rebuilt) << what << ": the open after the rebuild wrote";
  }
}

// States the program's own writers leave open with no message and no
// write: a ".gki" shorter than the games (the last unkeyed), none at all
// while no game is keyed, a new set's zero heads beside an empty ".pos".
TEST(DamagedKeys, ValidKeyStatesOpenWithoutAWrite) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  {
    TempDir dir;
    Lay(dir);
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    {
      DatabaseO db;
      ASSERT_TRUE(Open(db, dir));
      EXPECT_TRUE(db.HasKeys());
      EXPECT_EQ(db.GetGameKey(kGames), 0u);
      EXPECT_TRUE(db.Close(nullptr));
    }
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(Snapshot(dir), before);
  }
  {
    // Keys made with no games, the heads block written by the first open.
    TempDir dir;
    const std::string key = dir.File("c.key");
    KeyTreeO t;
    ASSERT_TRUE(t.Open(key));
    ASSERT_TRUE(t.Close());
    EXPECT_EQ(files::FileSize(dir.File("c.hsh")), PosStoreManO::kHeadsBytes);
    EXPECT_FALSE(files::Exists(dir.File("c.gki")));
    const auto before = Snapshot(dir);
    MessageRecorder rec;
    ASSERT_TRUE(t.Open(key, 0));
    EXPECT_TRUE(t.Rebuilt().empty());
    ASSERT_TRUE(t.Close());
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(Snapshot(dir), before);
  }
}

// A ".kls" damaged under the open set (so the open's check could not see
// it): a walk of the keys view shows the read failure once, never once per
// row or per visit.
TEST(DamagedKeys, AListDamagedAfterTheOpenShowsOneMessageInTheKeysView) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  Lay(dir);
  const uint32_t rootChildren = ListOf(KeyTreeO::kRoot, kChildren);
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  ASSERT_TRUE(db.HasKeys());
  const int32_t rows = db.KeyRowCount();
  ASSERT_GT(rows, 1);
  for (uint32_t field : {4u, 0u}) {
    // The count of the root's first children bucket, then its next.
    BinFile f;
    ASSERT_TRUE(f.Open(dir.File("c.kls"), BinFile::Mode::ReadWrite));
    uint8_t raw[4];
    le::PutU32(raw, field == 4 ? 11 : 0x7FFFFFF);
    ASSERT_TRUE(f.WriteAt((rootChildren - 1) * kBucket + field, raw, 4));
    f.Close();
    for (int pass = 0; pass < 3; ++pass) {
      db.KeyListChanged();
      db.KeyGoNode(KeyTreeO::kRoot);
      for (int32_t r = 1; r <= std::max(db.KeyRowCount(), rows); ++r) {
        try {
          db.KeyRowText(r);
          if (db.KeyRowIsChild(r) && db.KeyGoChild(r)) {
            for (int32_t c = 1; c <= db.KeyRowCount(); ++c) db.KeyRowText(c);
            db.KeyGoParent();
          }
        } catch (const ERangeError &) {
          // A row past the shortened list: as a view stops at its end.
        }
      }
    }
  }
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"BucketStoreManO.GetBucket failed"});
}

namespace {

// Answers questions with answer and records them.
class Questions {
 public:
  explicit Questions(int answer) {
    ui::Hooks h = ui::CurrentHooks();
    h.messageDlgDefault = [this, answer](const std::string &text, ui::MsgType, unsigned, int) {
      asked.push_back(text);
      return answer;
    };
    old_ = ui::InstallHooks(h);
  }
  ~Questions() { ui::InstallHooks(old_); }
  std::vector<std::string> asked;

 private:
  ui::Hooks old_;
};

}  // namespace

// Keys this open found damaged are made again when the user says so; No
// leaves every file. (Key files without a ".key", and keys that failed to
// open for another reason, are refused as before: ImportCommands.)
TEST(DamagedKeys, DamagedKeysAreMadeAgainWhenTheUserSaysSo) {
  TempDir tmp;
  testutil::AppDirGuard app(tmp.Path());
  std::string classes;
  ASSERT_TRUE(files::ReadAll(testutil::DataDir() + "class.txt", classes));
  tmp.Write("class.txt", classes);
  std::string kls = Pristine::Get().bytes.at(".kls");
  PutU32At(kls, (ListOf(KeyTreeO::kRoot, kChildren) - 1) * kBucket + 4, 11);
  TempDir dir;
  Lay(dir, {{".kls", kls}});
  const auto before = Snapshot(dir);
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  EXPECT_FALSE(db.HasKeys());
  const std::string question = SubstituteText(CommonText::S_KeysDamagedMakeNew, dir.File("c.key"));
  {
    Questions no(ui::mrNo);
    EXPECT_FALSE(db.CreateKeys());
    EXPECT_EQ(no.asked, std::vector<std::string>{question});
    EXPECT_EQ(Snapshot(dir), before);
  }
  {
    Questions yes(ui::mrYes);
    ASSERT_TRUE(db.CreateKeys());
    EXPECT_EQ(yes.asked, std::vector<std::string>{question});
  }
  EXPECT_TRUE(db.HasKeys());
  EXPECT_EQ(db.GetGameKey(1), 0u);
  ASSERT_TRUE(db.ClassifyAllGames(nullptr));
  for (int32_t g = 1; g <= kKeyed; ++g) EXPECT_EQ(db.GetGameKey(g), PristineAnswers().keys[g - 1]) << g;
  EXPECT_TRUE(db.Close(nullptr));
  EXPECT_EQ(rec.messages,
            std::vector<std::string>{SubstituteText(CommonText::S_KeysDamaged, dir.File("c.key"))});
  // Made again, they open as keys do.
  rec.messages.clear();
  ASSERT_TRUE(Open(db, dir));
  EXPECT_TRUE(db.HasKeys());
  EXPECT_TRUE(rec.messages.empty());
}

// A read that fails while the keys view lists a key's games ends the list
// there: no row for a game 0 (a blank row whose text cannot be made).
TEST(DamagedKeys, AFailedReadEndsTheKeysViewsListOfGames) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  Lay(dir);
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir));
  uint32_t node = 0;
  for (uint32_t n = 1; n <= db.KeyTree().NodeCount() && node == 0; ++n)
    if (PristineAnswers().games[n - 1] >= 2) node = n;
  ASSERT_NE(node, 0u);
  db.KeyGoNode(node);
  const int32_t children = db.KeyTree().ChildCount();
  ASSERT_GE(db.KeyRowCount(), children + 2);
  // Listing the games reads the list's count, then its first bucket.
  {
    FileFault probe(FileFault::Op::Read, 1 << 30, 0);
    ASSERT_TRUE(db.KeyTree().GameLists().FlushCurrent());
    db.SetKeySort(0);
    ASSERT_EQ(probe.Seen(), 2);
  }
  {
    FileFault fault(FileFault::Op::Read, 2, EIO);
    ASSERT_TRUE(db.KeyTree().GameLists().FlushCurrent());
    db.SetKeySort(0);
    EXPECT_TRUE(fault.Fired());
  }
  EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"BucketStoreManO.GetBucket failed"});
  for (int32_t r = children + 1; r <= db.KeyRowCount(); ++r) EXPECT_NE(db.KeyRowGameNr(r), 0) << r;
}
