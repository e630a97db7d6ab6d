// The game store and its descriptor: the bytes of both files, the builder's
// tag rules, replacements that never overwrite a stored game, failed writes
// that keep every game, and the 4 GiB limit of the offsets.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/GameStoreMan.h"
#include "database/QZParser.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

GameBuffer Packed(const std::string &pgn) {
  GameBuffer b;
  EXPECT_TRUE(ParseGameTextToBlob(pgn, encIndexed, b)) << pgn;
  return b;
}

std::string Bytes(const GameBuffer &b) {
  return std::string(reinterpret_cast<const char *>(b.bytes.get()), b.length);
}

std::string U32(uint32_t v) {
  std::string s(4, '\0');
  le::PutU32(reinterpret_cast<uint8_t *>(s.data()), v);
  return s;
}

std::string DescBytes(const GameDescriptor &d) {
  std::string s(GameDescriptor::kSize, '\0');
  d.ToBytes(reinterpret_cast<uint8_t *>(s.data()));
  return s;
}

GameDescriptor Named(uint32_t white, uint32_t black, uint32_t eventSite = 0) {
  GameDescriptor d;
  d.white = white;
  d.black = black;
  d.eventSite = eventSite;
  return d;
}

// Every stored game with its descriptor, as read back.
std::vector<std::pair<std::string, GameDescriptor>> ReadAll(GameStoreO &s) {
  std::vector<std::pair<std::string, GameDescriptor>> out;
  GameBuffer buf;
  for (int32_t n = 1; n <= s.Count(); ++n) {
    GameDescriptor d;
    EXPECT_TRUE(s.GetGame(n, buf, &d));
    out.emplace_back(Bytes(buf), d);
  }
  return out;
}

}  // namespace

TEST(GameDescriptor, PinnedBytesAndRoundTrip) {
  GameDescriptor d;
  d.flags = 0xFF;
  d.white = 0x01020304;
  d.black = 5;
  d.eventSite = 0xA0B0C0D0;
  d.annotator = 7;
  d.year = -1;
  d.whiteElo = -32768;
  d.blackElo = 2850;
  d.moves = 200;
  d.eco = 38541;
  d.reserved = {1, 2, 3, 4, 5, 6, 7};
  const std::string bytes = DescBytes(d);
  EXPECT_EQ(bytes, std::string("\xFF\x04\x03\x02\x01\x05\0\0\0\xD0\xC0\xB0\xA0\x07\0\0\0"
                               "\xFF\xFF\x00\x80\x22\x0B\xC8\x8D\x96\0\0\x01\x02\x03\x04\x05\x06\x07",
                               35));
  GameDescriptor back;
  back.FromBytes(reinterpret_cast<const uint8_t *>(bytes.data()));
  EXPECT_EQ(back, d);
}

TEST(GameDescriptor, BuilderFollowsTheTagRules) {
  TempDir dir;
  IndexManO players, events, annotators;
  ASSERT_TRUE(players.Open(dir.File("d.pli")));
  ASSERT_TRUE(events.Open(dir.File("d.esi")));
  ASSERT_TRUE(annotators.Open(dir.File("d.ani")));
  auto build = [&](const std::string &tags, GameDescriptor d = {}) {
    EXPECT_TRUE(BuildGameDescriptor(Packed(tags + " 1. e4 *"), players, events, annotators, d));
    return d;
  };
  GameDescriptor d = build(
      "[Event \"?\"] [Site \"Linz\"] [White \"?\"] [Black \"Meier\"] [Result \"1/2-1/2\"] [Date "
      "\"1999.??.??\"]"
      "[WhiteElo \"-120\"] [BlackElo \"40000\"] [ECO \"B45/00\"] [QVNrOfMoves \"300\"] [QVFlags \"011100\"]"
      "[Annotator \"?\"]");
  // "?" counts as a player, not as an event, site or annotator.
  EXPECT_EQ(players.GetText(d.white), "?");
  EXPECT_EQ(d.white, 1u);
  EXPECT_EQ(d.black, 2u);
  EXPECT_EQ(events.GetText(d.eventSite), "Linz");
  EXPECT_EQ(d.annotator, 0u);
  EXPECT_EQ(d.flags, GameDescriptor::gfDraw | GameDescriptor::gfCheck | GameDescriptor::gfComments);
  EXPECT_EQ(d.year, 1999);
  EXPECT_EQ(d.whiteElo, -120);
  EXPECT_EQ(d.blackElo, 0);
  EXPECT_EQ(d.eco, 38529u);
  EXPECT_EQ(d.moves, 255);

  d = build(
      "[Event \"Open\"] [Site \"Linz\"] [White \"Kurz\"] [Black \"Kurz\"] [Annotator \"Ann\"] [Result \"*\"]"
      "[ECO \"C4\"] [QVNrOfMoves \"-3\"] [QVFlags \"0001\"] [Date \"bad\"]");
  EXPECT_EQ(events.GetText(d.eventSite), "Open; Linz");
  EXPECT_EQ(d.white, 3u);
  EXPECT_EQ(d.black, 3u);
  EXPECT_EQ(annotators.GetText(d.annotator), "Ann");
  EXPECT_EQ(d.flags, GameDescriptor::gfComments);
  EXPECT_EQ(d.eco, 0u);
  EXPECT_EQ(d.moves, 0);
  EXPECT_EQ(d.year, 0);

  // A replacement starts from the stored descriptor: deleted flag and
  // reserved bytes stay, the result and end bits are set anew.
  GameDescriptor stored;
  stored.flags = GameDescriptor::gfDeleted | GameDescriptor::gfBlackWins | GameDescriptor::gfMate;
  stored.reserved = {9, 9, 9, 9, 9, 9, 9};
  d = build("[Event \"?\"] [Site \"?\"] [Result \"1-0\"] [QVFlags \"1\"] [QVNrOfMoves \"x\"] [ECO \"A00\"]",
            stored);
  EXPECT_EQ(d.flags, GameDescriptor::gfDeleted | GameDescriptor::gfWhiteWins | GameDescriptor::gfMate);
  EXPECT_EQ(d.reserved, stored.reserved);
  EXPECT_EQ(d.eventSite, 0u);
  EXPECT_EQ(d.white, 0u);
  EXPECT_EQ(d.eco, 16384u);
  EXPECT_EQ(d.moves, 0);
  for (const auto &[text, code] : std::vector<std::pair<std::string, uint32_t>>{
           {"B45", 38528}, {"B45/12", 38541}, {"E99", 5 * 16384 + 99 * 128}, {"F00", 0}, {"", 0}})
    EXPECT_EQ(EcoCode(text), code) << text;
}

TEST(GameStore, FileBytesAndTheLifecycle) {
  TempDir dir;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("db.qcx")));
  EXPECT_EQ(s.Count(), 0);
  EXPECT_FALSE(files::Exists(dir.File("db.gad")));
  EXPECT_FALSE(files::Exists(dir.File("db.gai")));
  const GameBuffer a = Packed("[White \"A\"] 1. e4 e5 1-0"), b = Packed("[White \"B\"] 1. d4 *");
  EXPECT_EQ(s.AddGame(a, Named(1, 2)), 1);
  EXPECT_EQ(s.AddGame(b, Named(3, 4)), 2);
  const std::string recA = DescBytes(Named(1, 2)) + U32(a.length) + Bytes(a);
  EXPECT_EQ(dir.Read("db.gad"), recA + DescBytes(Named(3, 4)) + U32(b.length) + Bytes(b));
  EXPECT_EQ(dir.Read("db.gai"), U32(0) + U32(static_cast<uint32_t>(recA.size())));
  EXPECT_EQ(s.TotalSize(), static_cast<int64_t>(dir.Read("db.gad").size() + 8));
  ASSERT_TRUE(s.DeleteGame(1));
  EXPECT_TRUE(s.GameIsDeleted(1));
  EXPECT_FALSE(s.GameIsDeleted(2));
  EXPECT_EQ(s.NextGameNr(1), 2);
  EXPECT_EQ(s.NextGameNr(2), 0);
  EXPECT_EQ(s.PrevGameNr(1), 0);
  GameBuffer buf;
  EXPECT_THROW(s.GetGame(3, buf), ERangeError);
  EXPECT_THROW(s.SaveGame(0, a, {}), ERangeError);
  s.Close();

  // An existing empty index opens both files; a ".gad" without ".gai" keeps
  // its bytes through the first game.
  dir.Write("e.gai", "");
  dir.Write("e.gad", "junk");
  ASSERT_TRUE(s.Open(dir.File("e.gad")));
  EXPECT_TRUE(s.IsOpen());
  EXPECT_EQ(s.Count(), 0);
  s.Close();
  EXPECT_FALSE(s.IsOpen());
  files::Delete(dir.File("e.gai"));
  ASSERT_TRUE(s.Open(dir.File("e.qcx")));
  EXPECT_EQ(s.AddGame(a, {}), 1);
  EXPECT_EQ(dir.Read("e.gad").substr(0, 4), "junk");
  EXPECT_EQ(dir.Read("e.gai"), U32(4));
  EXPECT_EQ(ReadAll(s)[0].first, Bytes(a));
}

TEST(GameStore, ReplacementsAppendAndRepointOnlyTheirEntry) {
  TempDir dir;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("r.qcx")));
  std::vector<GameBuffer> games;
  for (const char *pgn : {"[A \"1\"] 1. e4 *", "[A \"2\"] 1. d4 d5 2. c4 *", "[A \"3\"] 1. c4 *"}) {
    games.push_back(Packed(pgn));
    ASSERT_NE(s.AddGame(games.back(), Named(1, 2)), 0);
  }
  const GameBuffer shorter = Packed("[A \"x\"] *"),
                   longer = Packed("[A \"long\"] 1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *");
  for (const GameBuffer *g : {&shorter, &longer}) {
    const std::string gai = dir.Read("r.gai"), gad = dir.Read("r.gad");
    ASSERT_TRUE(s.SaveGame(2, *g, Named(5, 6)));
    const std::string gai2 = dir.Read("r.gai"), gad2 = dir.Read("r.gad");
    EXPECT_EQ(gad2.substr(0, gad.size()), gad);  // nothing stored is overwritten
    EXPECT_EQ(gai2.substr(0, 4) + gai2.substr(8), gai.substr(0, 4) + gai.substr(8));
    EXPECT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(gai2.data()) + 4), gad.size());
    const auto all = ReadAll(s);
    EXPECT_EQ(all[0].first, Bytes(games[0]));
    EXPECT_EQ(all[1].first, Bytes(*g));
    EXPECT_EQ(all[1].second, Named(5, 6));
    EXPECT_EQ(all[2].first, Bytes(games[2]));
  }
}

// Each write of AddGame and of SaveGame fails in turn: the count, ".gai" and
// every stored game read as before, and the message is shown.
TEST(GameStore, FailedWritesKeepEveryGame) {
  TempDir dir;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("w.qcx")));
  const GameBuffer a = Packed("[A \"1\"] 1. e4 e5 2. Nf3 *"), small = Packed("[A \"2\"] *");
  ASSERT_EQ(s.AddGame(a, Named(1, 1)), 1);
  ASSERT_EQ(s.AddGame(a, Named(2, 2)), 2);
  const auto before = ReadAll(s);
  const std::string gai = dir.Read("w.gai");
  struct Case {
    const char *what;
    std::function<bool()> store;
    std::vector<std::string> messages;  // by the write that fails
  };
  const std::string add = "GameStoreO.SaveGameAsNewToFile failed writing games_file";
  const std::string save = "GameStoreO.SaveGameToFile failed writing games_file appending";
  const std::vector<Case> cases = {
      {"add",
       [&] { return s.AddGame(a, Named(3, 3)) != 0; },
       {add, add, add, "GameStoreO.SaveGameAsNewToFile failed writing index_file"}},
      {"grown",
       [&] { return s.SaveGame(2, a, Named(4, 4)); },
       {save + " gamedescriptor", save, save,
        "GameStoreO.SaveGameToFile failed writing index_file updating"}},
      {"fitting",
       [&] { return s.SaveGame(1, small, Named(4, 4)); },
       {save + " gamedescriptor", save, save,
        "GameStoreO.SaveGameToFile failed writing index_file updating"}},
  };
  for (const Case &c : cases) {
    for (int nth = 1; nth <= 4; ++nth) {
      MessageRecorder rec;
      {
        FileFault fault(FileFault::Op::Write, nth, ENOSPC, nth < 4);  // a record write tears
        EXPECT_FALSE(c.store()) << c.what << nth;
        EXPECT_TRUE(fault.Fired());
      }
      // The store's text, then the file's path and the reason in words.
      const std::string &text = c.messages[static_cast<size_t>(nth - 1)];
      const std::string file = dir.File(text.find("index_file") != std::string::npos ? "w.gai" : "w.gad");
      EXPECT_EQ(rec.messages, std::vector<std::string>{text + "\n" + file + ": No space left on device"})
          << c.what << nth;
      EXPECT_EQ(s.Count(), 2);
      EXPECT_EQ(dir.Read("w.gai"), gai);
      EXPECT_EQ(ReadAll(s), before) << c.what << nth;
    }
  }
  // The torn tails are written over: the store goes on.
  ASSERT_EQ(s.AddGame(small, Named(7, 7)), 3);
  s.Close();
  ASSERT_TRUE(s.Open(dir.File("w.qcx")));
  auto after = ReadAll(s);
  EXPECT_EQ(after.size(), 3u);
  EXPECT_EQ(after[2].first, Bytes(small));
}

TEST(GameStore, DamagedRecordsAndFailedOpens) {
  TempDir dir;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("d.qcx")));
  const GameBuffer a = Packed("[A \"1\"] 1. e4 *");
  ASSERT_EQ(s.AddGame(a, Named(1, 2)), 1);
  s.Close();
  const std::string good = dir.Read("d.gad");
  std::string gad = good;
  gad.replace(35, 4, U32(0xFFFFFF00));  // a size far past the end
  MessageRecorder rec;
  {
    // The open checks every record's size: the games file, shorter than
    // the record its one entry points at, is refused as damaged.
    dir.Write("d.gad", gad);
    EXPECT_FALSE(s.Open(dir.File("d.qcx")));
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(rec.messages, std::vector<std::string>{SubstituteText(CommonText::S_DatabaseFileDamaged,
                                                                     dir.File("d.gad"))});
    EXPECT_EQ(dir.Read("d.gad"), gad);
  }
  {
    // Damaged after the open: the read refuses the size, allocates nothing
    // and says where.
    dir.Write("d.gad", good);
    ASSERT_TRUE(s.Open(dir.File("d.qcx")));
    dir.Write("d.gad", gad);
    rec.messages.clear();
    GameBuffer buf;
    SizeGameBuffer(buf, 10);
    GameDescriptor d = Named(9, 9);
    EXPECT_FALSE(s.GetGame(1, buf, &d));
    EXPECT_EQ(buf.length, 0u);
    EXPECT_LT(buf.capacity, 1000u);
    EXPECT_EQ(d, GameDescriptor{});
    EXPECT_EQ(rec.messages, std::vector<std::string>{"GameStoreO.GetGameFromFile failed reading games_file "
                                                     "game.size\n" +
                                                     dir.File("d.gad") + ": the file is damaged"});
    s.Close();
    dir.Write("d.gad", good);
  }

  rec.messages.clear();
  dir.Write("plain", "x");
  EXPECT_TRUE(s.Open(dir.File("plain/x.qcx")));  // no index: nothing to open yet
  EXPECT_EQ(s.AddGame(a, {}), 0);
  EXPECT_EQ(s.AddGame(a, {}), 0);  // refused without another message
  {
    FileFault fault(FileFault::Op::Open, 2, EMFILE);
    EXPECT_FALSE(s.Open(dir.File("d.qcx")));
  }
  EXPECT_EQ(s.Count(), 0);
  EXPECT_EQ(s.AddGame(a, {}), 0);
  GameStoreO first, second;
  ASSERT_TRUE(first.Open(dir.File("d.qcx")));
  EXPECT_FALSE(second.Open(dir.File("d.qcx")));
  EXPECT_EQ(rec.messages,
            (std::vector<std::string>{
                "GameStoreO.CreateFile failed for games_file (20)\n" + dir.File("plain/x.gad") + ": Not a directory",
                "GameStoreO.OpenFile failed for index_file (24)\n" + dir.File("d.gai") + ": Too many open files",
                "GameStoreO.OpenFile failed for games_file (16)\n" + dir.File("d.gad") +
                    ": Device or resource busy"}));
  EXPECT_EQ(first.Count(), 1);
}

// Offsets are u32: a record starting below 4 GiB is stored and read back,
// the next is refused with both files unchanged. The file is sparse.
// Index entries come a block at a time: a failed block read says so once,
// with the index's path, and the next read tries again.
TEST(GameStore, AFailedIndexReadIsShownAndReadAgain) {
  TempDir dir;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("i.qcx")));
  const GameBuffer a = Packed("[A \"1\"] 1. e4 *");
  for (int i = 0; i < 3; ++i) ASSERT_EQ(s.AddGame(a, Named(1, 2)), i + 1);
  s.Close();
  ASSERT_TRUE(s.Open(dir.File("i.qcx")));
  MessageRecorder rec;
  GameBuffer buf;
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    EXPECT_FALSE(s.GetGame(2, buf));
    EXPECT_TRUE(fault.Fired());
  }
  EXPECT_EQ(rec.messages, std::vector<std::string>{"GameStoreO.GetGameFromFile failed reading index_file\n" +
                                                   dir.File("i.gai") + ": Input/output error"});
  ASSERT_TRUE(s.GetGame(2, buf));
  EXPECT_EQ(Bytes(buf), Bytes(a));
  EXPECT_EQ(rec.messages.size(), 1u);
}

TEST(GameStore, RefusesRecordsPastFourGiB) {
  TempDir dir;
  GameStoreO s;
  ASSERT_TRUE(s.Open(dir.File("big.qcx")));
  const GameBuffer a = Packed("[A \"1\"] 1. e4 *");
  ASSERT_EQ(s.AddGame(a, Named(1, 2)), 1);
  s.Close();
  {
    BinFile f;
    ASSERT_TRUE(f.Open(dir.File("big.gad"), BinFile::Mode::ReadWrite));
    ASSERT_TRUE(f.Truncate(0xFFFFFFFFull - 10));
  }
  ASSERT_TRUE(s.Open(dir.File("big.qcx")));
  ASSERT_EQ(s.AddGame(a, Named(3, 4)), 2);
  GameBuffer buf;
  GameDescriptor d;
  ASSERT_TRUE(s.GetGame(2, buf, &d));
  EXPECT_EQ(Bytes(buf), Bytes(a));
  EXPECT_EQ(d, Named(3, 4));
  const int64_t gadSize = files::FileSize(dir.File("big.gad"));
  const std::string gai = dir.Read("big.gai");
  EXPECT_EQ(le::GetU32(reinterpret_cast<const uint8_t *>(gai.data()) + 4), 0xFFFFFFFFu - 10);
  MessageRecorder rec;
  EXPECT_EQ(s.AddGame(a, {}), 0);
  EXPECT_FALSE(s.SaveGame(1, a, {}));
  EXPECT_EQ(files::FileSize(dir.File("big.gad")), gadSize);
  EXPECT_EQ(dir.Read("big.gai"), gai);
  std::string expected = CommonText::S_MaxGamesReached;
  expected.replace(expected.find("%s"), 2, "2");
  EXPECT_EQ(rec.messages, std::vector<std::string>(2, expected));
  EXPECT_EQ(s.TotalSize(), gadSize + 8);
}

TEST(GameStore, TemporaryBaseNameLiesInAPrivateDirectory) {
  TempDir dir;
  const std::string a = GameStoreO::MakeTempBaseName(dir.Path()),
                    b = GameStoreO::MakeTempBaseName(dir.Path());
  EXPECT_NE(files::ExtractFileDir(a), files::ExtractFileDir(b));
  EXPECT_EQ(files::ExtractFileExt(a), ".gad");
  EXPECT_TRUE(files::DirExists(files::ExtractFileDir(a)));
  EXPECT_FALSE(files::Exists(a));
}
