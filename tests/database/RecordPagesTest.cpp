// Records held in pages: what a page holds and forgets, its bound, and the
// game store's held descriptors, which answer as the files do after every
// store, replacement, deletion and failed write, and after a failed read.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/GameStoreMan.h"
#include "database/RecordPagesMan.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"

using testutil::MessageRecorder;
using testutil::TempDir;

TEST(RecordPages, PagesHoldWhatIsPutAndForgetWhatIsDropped) {
  constexpr int32_t K = RecordPagesO::kPage;
  RecordPagesO pages(3);
  const uint8_t a[3] = {1, 2, 3}, b[3] = {7, 8, 9};
  pages.Put(5, a);  // no page yet: nothing held
  EXPECT_FALSE(pages.HasPage(5));
  EXPECT_EQ(pages.Find(5), nullptr);
  EXPECT_EQ(pages.HeldBytes(), 0u);

  EXPECT_EQ(pages.MakePage(K + 44), K + 1);
  EXPECT_TRUE(pages.HasPage(2 * K));
  EXPECT_FALSE(pages.HasPage(K));
  EXPECT_FALSE(pages.HasPage(2 * K + 1));
  pages.Put(K, a);          // the page before: not made
  pages.Put(2 * K + 1, a);  // the page after: not made
  pages.Put(K + 1, a);
  pages.Put(2 * K, b);
  EXPECT_EQ(pages.Find(K), nullptr);
  EXPECT_EQ(pages.Find(2 * K + 1), nullptr);
  EXPECT_EQ(pages.Find(K + 2), nullptr);  // made but never put
  ASSERT_NE(pages.Find(K + 1), nullptr);
  EXPECT_EQ(std::vector<uint8_t>(pages.Find(K + 1), pages.Find(K + 1) + 3), std::vector<uint8_t>(a, a + 3));
  ASSERT_NE(pages.Find(2 * K), nullptr);
  EXPECT_EQ(std::vector<uint8_t>(pages.Find(2 * K), pages.Find(2 * K) + 3), std::vector<uint8_t>(b, b + 3));
  pages.Put(K + 1, b);  // a write replaces what is held
  EXPECT_EQ(pages.Find(K + 1)[0], 7);
  pages.Drop(K + 1);
  EXPECT_EQ(pages.Find(K + 1), nullptr);
  EXPECT_NE(pages.Find(2 * K), nullptr);

  // One page of records plus little: the bound is the pages made.
  EXPECT_GE(pages.HeldBytes(), size_t{K} * 3);
  EXPECT_LE(pages.HeldBytes(), size_t{K} * 3 + 128);
  pages.Clear();
  EXPECT_EQ(pages.Find(2 * K), nullptr);
  EXPECT_EQ(pages.HeldBytes(), 0u);
  EXPECT_EQ(pages.Find(0), nullptr);
  EXPECT_THROW(pages.MakePage(0), ERangeError);
}

namespace {

GameDescriptor Numbered(uint32_t i) {
  GameDescriptor d;
  d.white = i;
  d.black = i + 1;
  d.eventSite = i % 7;
  d.year = static_cast<int16_t>(1900 + i % 100);
  d.moves = static_cast<uint8_t>(i % 200);
  d.reserved[6] = static_cast<uint8_t>(i);
  return d;
}

struct Store {
  TempDir dir;
  GameStoreO games;
  GameBuffer empty;
  Store() { EXPECT_TRUE(games.Open(dir.File("h.qcx"))); }
  // Game n's descriptor as the files hold it.
  GameDescriptor OnFile(int32_t n) const {
    const std::string index = dir.Read("h.gai"), records = dir.Read("h.gad");
    const uint32_t off = le::GetU32(reinterpret_cast<const uint8_t *>(index.data()) + 4 * (n - 1));
    GameDescriptor d;
    d.FromBytes(reinterpret_cast<const uint8_t *>(records.data()) + off);
    return d;
  }
  GameDescriptor Held(int32_t n) {
    GameDescriptor d;
    EXPECT_TRUE(games.ReadDescriptor(n, d)) << n;
    return d;
  }
};

}  // namespace

// 700 games over three pages, every one read once: then all come from
// memory (a failing file is not touched), and every write is seen at once.
TEST(HeldDescriptors, EveryWriteIsSeenAndFailedWritesAnswerAsTheFile) {
  Store s;
  constexpr int32_t kGames = 700;
  for (uint32_t i = 1; i <= kGames; ++i) ASSERT_EQ(s.games.AddGame(s.empty, Numbered(i)), static_cast<int32_t>(i));
  for (int32_t n = 1; n <= kGames; ++n) ASSERT_EQ(s.Held(n), Numbered(static_cast<uint32_t>(n)));
  // 35 bytes a game, three pages made.
  EXPECT_GE(s.games.HeldBytes(), size_t{kGames} * GameDescriptor::kSize);
  EXPECT_LE(s.games.HeldBytes(), size_t{3} * (RecordPagesO::kPage * GameDescriptor::kSize + 128));
  {
    MessageRecorder rec;
    FileFault fault(FileFault::Op::Read, 1, EIO);
    for (int32_t n = 1; n <= kGames; ++n) ASSERT_EQ(s.Held(n), Numbered(static_cast<uint32_t>(n)));
    EXPECT_FALSE(fault.Fired());
  }

  // Stored, replaced, deleted, rewritten: each read answers the file.
  ASSERT_EQ(s.games.AddGame(s.empty, Numbered(9001)), kGames + 1);
  ASSERT_TRUE(s.games.SaveGame(5, s.empty, Numbered(9005)));
  ASSERT_TRUE(s.games.DeleteGame(7));
  ASSERT_TRUE(s.games.WriteDescriptor(300, Numbered(9300)));
  for (int32_t n : {kGames + 1, 5, 7, 300}) EXPECT_EQ(s.Held(n), s.OnFile(n)) << n;
  EXPECT_EQ(s.Held(kGames + 1), Numbered(9001));
  EXPECT_EQ(s.Held(5), Numbered(9005));
  EXPECT_TRUE(s.games.GameIsDeleted(7));
  EXPECT_EQ(s.Held(300), Numbered(9300));

  // Writes that fail leave game n as the file has it.
  MessageRecorder rec;
  {
    FileFault fault(FileFault::Op::Write, 1, EIO);
    EXPECT_FALSE(s.games.WriteDescriptor(10, Numbered(9010)));
  }
  {
    FileFault fault(FileFault::Op::Write, 3, EIO);  // the index entry, after the record
    EXPECT_FALSE(s.games.SaveGame(11, s.empty, Numbered(9011)));
  }
  {
    FileFault fault(FileFault::Op::Write, 1, EIO);
    EXPECT_EQ(s.games.AddGame(s.empty, Numbered(9002)), 0);
  }
  EXPECT_EQ(s.games.Count(), kGames + 1);
  for (int32_t n : {10, 11}) EXPECT_EQ(s.Held(n), s.OnFile(n)) << n;
  EXPECT_EQ(s.Held(10), Numbered(10));
  EXPECT_EQ(s.Held(11), Numbered(11));
  EXPECT_EQ(rec.messages.size(), 3u);

  s.games.Close();
  EXPECT_EQ(s.games.HeldBytes(), 0u);
}

// A page read that fails leaves its games to single reads; a reopened
// store reads afresh.
TEST(HeldDescriptors, AFailedPageReadFallsBackToSingleReads) {
  Store s;
  for (uint32_t i = 1; i <= 300; ++i) ASSERT_GT(s.games.AddGame(s.empty, Numbered(i)), 0);
  ASSERT_TRUE(s.games.Open(s.dir.File("h.qcx")));
  MessageRecorder rec;
  {
    FileFault fault(FileFault::Op::Read, 2, EIO);  // the page's records after its index entries
    EXPECT_EQ(s.Held(3), Numbered(3));
    EXPECT_TRUE(fault.Fired());
  }
  for (int32_t n = 1; n <= 300; ++n) ASSERT_EQ(s.Held(n), Numbered(static_cast<uint32_t>(n)));
  EXPECT_TRUE(rec.messages.empty());
}
