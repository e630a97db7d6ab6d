// Export on worker threads: the one-thread texts in order; the first failure
// in game order or a cancel keeps the old file; a worker's throw comes back.
#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseTestUtil.h"
#include "database/PgnRender.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

class PgnExport : public ::testing::Test {
 protected:
  static constexpr int kGames = 1500;  // many batches on every worker

  // Comments, NAGs, variations, long wrapped lines; every 9th game deleted.
  void SetUp() override {
    std::string pgn;
    for (int i = 1; i <= kGames; ++i)
      pgn += "[Round \"" + std::to_string(i) + "\"]\r\n[White \"W" + std::to_string(i % 13) +
             "\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 {c" + std::to_string(i) +
             "} e5 $1 2. Nf3 (2. f4 exf4 $2 {gambit} (2... d5)) Nc6 " +
             (i % 3 ? "" : "3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 ") +
             "{" + std::string(static_cast<size_t>(i % 90), 'x') + "} 1-0\r\n\r\n";
    dir_.Write("src.pgn", pgn);
    bool report = false, flag = false;
    ASSERT_TRUE(db_.Open(dir_.File("t.qcx"), nullptr, nullptr, report));
    ASSERT_TRUE(db_.ImportDatabase(dir_.File("src.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db_.GameCount(), kGames);
    for (int n = 9; n <= kGames; n += 9) ASSERT_TRUE(db_.DeleteGame(n));
  }

  void SpoilMoves(int32_t n) { ::SpoilMoves(db_, dir_.File("t.gad"), n); }

  testutil::TempDir dir_, app_;
  testutil::AppDirGuard appDir_{app_.Path()};  // the error log's folder
  testutil::MessageRecorder rec_;
  DatabaseO db_;
};

TEST_F(PgnExport, TheFileIsTheOneThreadTextsInOrder) {
  std::string expected;
  for (int32_t n = 1; n <= kGames; ++n)
    if (n % 9) expected += db_.GetPgnText(n, 0, true, false) + "\r\n\r\n";
  ASSERT_EQ(db_.ExportDatabase(dir_.File("all.pgn"), nullptr), DatabaseO::ExportResult::Done);
  EXPECT_EQ(dir_.Read("all.pgn"), expected);
}

TEST_F(PgnExport, ACancelOrAFailedWriteKeepsTheFile) {
  dir_.Write("keep.pgn", "old bytes");
  {
    AbortDlgO dlg;
    dlg.Init();
    CancelAfter cancel(dlg, 700);
    EXPECT_EQ(db_.ExportDatabase(dir_.File("keep.pgn"), &dlg), DatabaseO::ExportResult::Cancelled);
  }
  EXPECT_EQ(dir_.Read("keep.pgn"), "old bytes");
  int err = 0;
  // The first game of each batch of 64 after the one in which the first
  // 64 KiB are written does not render: the write's error, as in game order.
  int32_t n = 0;
  for (size_t bytes = 0; bytes < 65536;)
    if (++n % 9) bytes += db_.GetPgnText(n, 0, true, false).size() + 4;
  for (n = (n - 1) / 64 * 64 + 65; n <= 1200; n += 64) SpoilMoves(n);
  FileFault fault(FileFault::Op::Write, 1, ENOSPC);
  EXPECT_EQ(db_.ExportDatabase(dir_.File("keep.pgn"), nullptr, &err), DatabaseO::ExportResult::Failed);
  EXPECT_TRUE(fault.Fired());
  EXPECT_EQ(err, ENOSPC);
  EXPECT_EQ(dir_.Read("keep.pgn"), "old bytes");
}

// Games that read but do not render, or do not read, are left out of the
// file and named, by number and players, in the report and the log; the
// rest is written, and no write of the file is blamed.
TEST_F(PgnExport, AGameThatCannotBeWrittenIsLeftOutAndNamed) {
  SpoilMoves(5);
  SpoilMoves(1201);  // after several batches were written
  std::string expected;
  for (int32_t n = 1; n <= kGames; ++n)
    if (n % 9 && n != 5 && n != 1201) expected += db_.GetPgnText(n, 0, true, false) + "\r\n\r\n";
  auto line = [&](int32_t n) {
    return SubstituteText(
        SubstituteText(SubstituteText(SubstituteText(CommonText::S_GameNotWritten, std::to_string(n)),
                                      "W" + std::to_string(n % 13)),
                       "?"),
        dir_.File("all.pgn"));
  };
  ReportO report;
  const int s = db_.NewAllGamesList();
  ASSERT_EQ(db_.ExportGameList(dir_.File("all.pgn"), s, nullptr, nullptr, &report),
            DatabaseO::ExportResult::Done);
  EXPECT_EQ(dir_.Read("all.pgn"), expected);
  EXPECT_EQ(report.Lines(), (std::vector<std::string>{line(5), line(1201)}));
  EXPECT_EQ(app_.Read("prserror.txt"), "%" + line(5) + "\r\n%" + line(1201) + "\r\n");
  EXPECT_TRUE(rec_.messages.empty()) << rec_.messages.front();
  // The whole database alike, and the log grows.
  ASSERT_EQ(db_.ExportDatabase(dir_.File("all.pgn"), nullptr), DatabaseO::ExportResult::Done);
  EXPECT_EQ(dir_.Read("all.pgn"), expected);
  EXPECT_EQ(app_.Read("prserror.txt"),
            "%" + line(5) + "\r\n%" + line(1201) + "\r\n" + "%" + line(5) + "\r\n%" + line(1201) + "\r\n");
}

// Games left out do not turn a failed write into a done one: whichever
// write of the file fails, the export fails with its error, the
// file stays as it was, and no game is reported left out of a file that
// was not written. (The last writes are the log's, after the file is in
// place: those exports are done.)
TEST_F(PgnExport, AFailedWriteWithGamesLeftOutIsAFailure) {
  SpoilMoves(5);
  SpoilMoves(1201);
  const int s = db_.NewAllGamesList();
  const std::string path = dir_.File("keep.pgn");
  for (const FileFault::Op op : {FileFault::Op::Write}) {
    int failed = 0;
    for (int nth = 1;; ++nth) {
      SCOPED_TRACE("op " + std::to_string(static_cast<int>(op)) + " nth " + std::to_string(nth));
      dir_.Write("keep.pgn", "old bytes");
      files::Delete(app_.File("prserror.txt"));
      ReportO report;
      report.Init();
      int err = 0;
      DatabaseO::ExportResult r;
      bool fired = false;
      {
        FileFault fault(op, nth, ENOSPC);
        r = db_.ExportGameList(path, s, nullptr, &err, &report);
        fired = fault.Fired();
      }
      const bool kept = dir_.Read("keep.pgn") == "old bytes";
      if (r == DatabaseO::ExportResult::Done) {
        EXPECT_FALSE(kept);
        EXPECT_EQ(report.Lines().size(), 2u);
      } else {
        ++failed;
        EXPECT_EQ(r, DatabaseO::ExportResult::Failed);
        EXPECT_EQ(err, ENOSPC);
        EXPECT_TRUE(kept);
        EXPECT_TRUE(report.Lines().empty());
        EXPECT_FALSE(files::Exists(app_.File("prserror.txt")));
      }
      if (!fired) break;
    }
    EXPECT_GT(failed, 0);
  }
}

// A game's text is its buffer's length; length 2 does not render, 3 throws.
TEST(PgnRenderPool, ResultsComeBackPerGameAndAThrowReachesTheCaller) {
  for (unsigned workers : {0u, 3u}) {
    SCOPED_TRACE(workers);
    std::vector<PgnRenderBatch> batches(6);  // outlives the pool's workers
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
        s.render = k != 3;  // the last one is skipped
      }
      pool.Submit(batches[b]);
    }
    for (size_t b = 0; b < 4; ++b) {
      pool.Wait(batches[b]);
      for (const PgnRenderSlot &s : batches[b].games) {
        EXPECT_EQ(s.text, s.render ? std::to_string(s.buf.length) : "");
        EXPECT_EQ(s.ok, s.render && s.buf.length != 2);
      }
    }
    EXPECT_THROW(pool.Wait(batches[4]), ERangeError);
    // Batch 5 is left to the destructor.
  }
}

}  // namespace
