// Export on worker threads: the file is the one-thread texts in order, a
// game that does not render or a cancel keeps the old file, and what a
// worker throws reaches the calling thread.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseTestUtil.h"
#include "database/PgnRender.h"
#include "platform/Errors.h"
#include "platform/Files.h"

using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

// Comments, NAGs, variations and long wrapped lines, each game its own.
std::string GameText(int i) {
  const std::string n = std::to_string(i);
  std::string moves = "1. e4 {first " + n + "} e5 $1 2. Nf3 (2. f4 exf4 $2 {gambit} (2... d5)) Nc6 ";
  if (i % 4 == 0)
    moves += "3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 11. c4 c6 "
             "12. cxb5 axb5 13. Nc3 Bb7 14. Bg5 b4 15. Nb1 h6 16. Bh4 c5 17. dxe5 Nxe4 ";
  else if (i % 4 == 1)
    moves += "3. Bc4 Bc5 4. Qe2 {" + std::string(static_cast<size_t>(i % 90), 'x') + "} d6 ";
  return "[Event \"Cup\"]\r\n[Round \"" + n + "\"]\r\n[White \"White " + n + "\"]\r\n[Black \"Black " +
         std::to_string(i % 13) + "\"]\r\n[Result \"1-0\"]\r\n\r\n" + moves + "1-0\r\n\r\n";
}

class PgnExport : public ::testing::Test {
 protected:
  static constexpr int kGames = 1500;  // many batches on every worker

  void SetUp() override {
    std::string pgn;
    for (int i = 1; i <= kGames; ++i) pgn += GameText(i);
    dir_.Write("src.pgn", pgn);
    bool report = false, flag = false;
    ASSERT_TRUE(db_.Open(dir_.File("t.qcx"), nullptr, nullptr, report));
    ASSERT_TRUE(db_.ImportDatabase(dir_.File("src.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db_.GameCount(), kGames);
    for (int n = 9; n <= kGames; n += 9) ASSERT_TRUE(db_.DeleteGame(n));
  }

  // What the one-thread text of each game gives, games not deleted.
  std::string Expected(const std::vector<int32_t> &order) {
    std::string s;
    for (int32_t n : order) {
      GameDescriptor d;
      EXPECT_TRUE(db_.GameStore().ReadDescriptor(n, d));
      if (d.flags & GameDescriptor::gfDeleted) continue;
      const std::string text = db_.GetPgnText(n, 0, true, false);
      EXPECT_FALSE(text.empty()) << n;
      s += text + "\r\n\r\n";
    }
    return s;
  }

  // The first move byte of game n's block in the games file becomes an
  // index no position has.
  void SpoilMoves(int32_t n) {
    GameBuffer buf;
    ASSERT_TRUE(db_.GetGameBuffer(n, buf));
    const std::string block(reinterpret_cast<const char *>(buf.bytes.get()), buf.length);
    const std::string gad = dir_.File("t.gad");
    const std::string bytes = dir_.Read("t.gad");
    const size_t at = bytes.find(block);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(bytes.find(block, at + 1), std::string::npos);
    std::fstream f(gad, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(static_cast<std::streamoff>(at + QZGameManagerO::kHeaderSize));
    f.put(static_cast<char>(250));
    f.close();
    ASSERT_TRUE(db_.GetGameBuffer(n, buf));
    ASSERT_EQ(db_.GetPgnText(n, 0, true, false), "");
  }

  size_t FilesInDir() const {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}));
  }

  TempDir dir_;
  MessageRecorder rec_;
  DatabaseO db_;
};

TEST_F(PgnExport, TheFileIsTheOneThreadTextsInOrder) {
  std::vector<int32_t> all;
  for (int32_t n = 1; n <= kGames; ++n) all.push_back(n);
  ASSERT_EQ(db_.ExportDatabase(dir_.File("all.pgn"), nullptr), DatabaseO::ExportResult::Done);
  EXPECT_EQ(dir_.Read("all.pgn"), Expected(all));

  // A list backwards: the rows' order, not the store's.
  const int s = db_.NewGameList();
  std::vector<int32_t> back(all.rbegin(), all.rend());
  for (int32_t n : back) db_.AddGameToList(s, n);
  ASSERT_EQ(db_.ExportGameList(dir_.File("back.pgn"), s, nullptr), DatabaseO::ExportResult::Done);
  EXPECT_EQ(dir_.Read("back.pgn"), Expected(back));
}

TEST_F(PgnExport, AGameThatDoesNotRenderOrACancelKeepsTheFile) {
  dir_.Write("keep.pgn", "old bytes");
  const size_t files = FilesInDir();
  {
    AbortDlgO dlg;
    dlg.Init();
    CancelAfter cancel(dlg, 700);
    EXPECT_EQ(db_.ExportDatabase(dir_.File("keep.pgn"), &dlg), DatabaseO::ExportResult::Cancelled);
  }
  EXPECT_EQ(dir_.Read("keep.pgn"), "old bytes");
  // Late in the database, after several batches were written.
  SpoilMoves(1201);
  int err = 0;
  EXPECT_EQ(db_.ExportDatabase(dir_.File("keep.pgn"), nullptr, &err), DatabaseO::ExportResult::Failed);
  EXPECT_EQ(err, EIO);
  EXPECT_EQ(dir_.Read("keep.pgn"), "old bytes");
  EXPECT_EQ(FilesInDir(), files);
  // The first games of the batches after the one whose write fails (the
  // first 64 KiB reach past game 300).
  const int32_t batchStarts[] = {321, 385, 449, 513};
  {  // A write that fails first, in game order, gives its own error.
    for (int32_t n : batchStarts) SpoilMoves(n);
    FileFault fault(FileFault::Op::Write, 1, ENOSPC);
    EXPECT_EQ(db_.ExportDatabase(dir_.File("keep.pgn"), nullptr, &err), DatabaseO::ExportResult::Failed);
    EXPECT_TRUE(fault.Fired());
    EXPECT_EQ(err, ENOSPC);
  }
  EXPECT_EQ(dir_.Read("keep.pgn"), "old bytes");
  // Deleted, they are left out and the rest is written.
  for (int32_t n : batchStarts) ASSERT_TRUE(db_.DeleteGame(n));
  ASSERT_TRUE(db_.DeleteGame(1201));
  EXPECT_EQ(db_.ExportDatabase(dir_.File("keep.pgn"), nullptr, &err), DatabaseO::ExportResult::Done);
  EXPECT_NE(dir_.Read("keep.pgn").find("[Round \"1200\"]"), std::string::npos);
  EXPECT_EQ(dir_.Read("keep.pgn").find("[Round \"1201\"]"), std::string::npos);
}

// Each slot's text is its buffer's length; a length of 3 throws.
TEST(PgnRenderPool, ResultsComeBackPerSlotAndAThrowReachesTheCaller) {
  for (unsigned workers : {0u, 3u}) {
    SCOPED_TRACE(workers);
    // Made before the pool: they outlive its workers.
    std::vector<PgnRenderBatch> batches(6);
    PgnRenderPoolO pool(
        [](const GameBuffer &buf, PgnScratch &, std::string &text) {
          if (buf.length == 3) throw ERangeError("three");
          text = std::to_string(buf.length);
          return buf.length != 2;
        },
        workers);
    EXPECT_EQ(pool.Workers(), workers);
    for (size_t b = 0; b < batches.size(); ++b) {
      batches[b].games.resize(4);
      batches[b].count = 4;
      for (size_t k = 0; k < 4; ++k) {
        PgnRenderSlot &s = batches[b].games[k];
        SizeGameBuffer(s.buf, static_cast<uint32_t>(b == 4 && k == 1 ? 3 : b == 2 && k == 2 ? 2 : 10 + k));
        s.render = k != 3;
        s.ok = !s.render;
      }
      pool.Submit(batches[b]);
    }
    for (size_t b = 0; b < 4; ++b) {
      pool.Wait(batches[b]);
      for (size_t k = 0; k < 3; ++k) {
        const PgnRenderSlot &s = batches[b].games[k];
        EXPECT_EQ(s.ok, !(b == 2 && k == 2));
        EXPECT_EQ(s.text, std::to_string(s.buf.length));
      }
      EXPECT_TRUE(batches[b].games[3].text.empty());
    }
    EXPECT_THROW(pool.Wait(batches[4]), ERangeError);
    // The last batch is left to the destructor.
  }
}

}  // namespace
