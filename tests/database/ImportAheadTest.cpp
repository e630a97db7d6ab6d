// The import with the parse on a worker thread against the one-thread
// import: the same callbacks in the same order, messages, log bytes, report
// and result, wherever a callback cancels, with queues smaller than the
// file, a read failure and an exception of the parse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/PGNFileMan.h"
#include "foundation/Reports.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"

namespace {

struct Trace {
  PGNImportResult result;
  std::vector<std::string> calls;  // games, progress calls and messages in order
  std::vector<std::string> report;
  std::string log;
  bool logOpenAfter = false;
};

bool operator==(const PGNImportResult &a, const PGNImportResult &b) {
  return a.opened == b.opened && a.games == b.games && a.errors == b.errors && a.cancelled == b.cancelled &&
         a.readFailed == b.readFailed && a.unterminatedComment == b.unterminatedComment &&
         a.commentsOutside == b.commentsOutside && a.textKind == b.textKind;
}

std::string Show(const PGNImportResult &r) {
  return std::to_string(r.games) + " games " + std::to_string(r.errors) + " errors" + (r.cancelled ? " cancelled" : "") +
         (r.readFailed ? " readFailed" : "") + (r.unterminatedComment ? " unterminated" : "") +
         (r.commentsOutside ? " commentsOutside" : "");
}

PGNAheadOptions Queue(size_t batchGames, size_t batches) {
  PGNAheadOptions o;
  o.workers = 1;
  o.batchGames = batchGames;
  o.batches = batches;
  return o;
}

// Where the callbacks cancel: at the nth game or the nth progress call
// (counted from 1), or never.
struct CancelAt {
  int game = -1;
  int progress = -1;
  int throwAt = -1;  // the one-thread import's game callback throws there
};

class ImportAhead : public ::testing::Test {
 protected:
  ImportAhead() : guard_(dir_.Path()) {}
  ~ImportAhead() override { CloseImportFile(); }

  Trace Run(bool ahead, const std::string &file, CancelAt at, PGNAheadOptions options = {},
            size_t block = kPGNBlockSize) {
    Trace t;
    files::Delete(ImportLogPath());
    ui::Hooks h;
    h.showMessage = [&](const std::string &text) { t.calls.push_back("message " + text); };
    const ui::Hooks old = ui::InstallHooks(h);
    ReportO report;
    report.Init();
    bool cancel = false;
    int games = 0, progresses = 0;
    auto game = [&](const GameBuffer &g, bool &c) {
      if (games + 1 == at.throwAt) throw ERangeError("game " + std::to_string(games + 1));
      t.calls.push_back("game " + std::string(reinterpret_cast<const char *>(g.bytes.get()), g.length));
      if (++games == at.game) c = true;
    };
    auto progress = [&](int64_t done, int64_t size, bool &c, int n) {
      t.calls.push_back("progress " + std::to_string(done) + "/" + std::to_string(size) + " " + std::to_string(n) +
                        (c ? " cancelled" : ""));
      if (++progresses == at.progress) c = true;
    };
    try {
      t.result = ahead ? ImportPGNFileAhead(file, cancel, encIndexed, &report, false, false, game, progress, block,
                                            textTo_, options)
                       : ImportPGNFile(file, cancel, encIndexed, &report, false, false, game, progress, block, textTo_);
    } catch (const ERangeError &e) {
      t.calls.push_back(std::string("exception ") + e.what());
    }
    ui::InstallHooks(old);
    t.report = report.Lines();
    t.logOpenAfter = ImportLogIsOpen();
    files::ReadAll(ImportLogPath(), t.log);
    return t;
  }

  void ExpectSame(const Trace &one, const Trace &ahead, const std::string &what) {
    EXPECT_TRUE(one.result == ahead.result) << what << ": " << Show(one.result) << " / " << Show(ahead.result);
    EXPECT_EQ(one.calls.size(), ahead.calls.size()) << what;
    for (size_t i = 0; i < std::min(one.calls.size(), ahead.calls.size()); ++i)
      if (one.calls[i] != ahead.calls[i]) {
        ADD_FAILURE() << what << ": call " << i << ": " << one.calls[i] << " / " << ahead.calls[i];
        break;
      }
    EXPECT_EQ(one.report, ahead.report) << what;
    EXPECT_EQ(one.log, ahead.log) << what;
    EXPECT_EQ(one.logOpenAfter, ahead.logOpenAfter) << what;
  }

  std::string Write(const std::string &name, const std::string &text) {
    const std::string path = dir_.File(name);
    EXPECT_TRUE(files::WriteAllAtomic(path, text));
    return path;
  }

  testutil::TempDir dir_;
  testutil::AppDirGuard guard_;
  std::optional<win1252::TextEncoding> textTo_;
};

// n games; every seventh refused, comments outside games now and then.
std::string Corpus(int n) {
  std::string s;
  for (int i = 1; i <= n; ++i) {
    if (i % 11 == 0) s += "{between games}\r\n";
    // UTF-8 first met in game 100: the text kind changes on the way.
    s += "[Event \"G" + std::to_string(i) + (i == 100 ? " \xC3\xA9t\xC3\xA9" : "") + "\"]\r\n[Result \"*\"]\r\n\r\n";
    s += i % 7 == 0 ? "1. e4 e5 2. Ke3 Nc6 *\r\n\r\n" : "1. e4 e5 2. Nf3 Nc" + std::string(i % 2 ? "6" : "6 3. Bb5") + " *\r\n\r\n";
  }
  return s;
}

TEST_F(ImportAhead, CancelAnywhereEndsAsTheOneThreadImport) {
  const std::string file = Write("c.pgn", Corpus(230));
  // Small queues make the worker wait on the calling thread; large ones let
  // it run ahead past the cancel.
  const PGNAheadOptions queues[] = {Queue(1, 1), Queue(3, 2), Queue(32, 8)};
  std::vector<CancelAt> cancels = {{}, {1, -1}, {-1, 1}, {-1, 2}, {-1, 3}, {-1, 5}};
  for (int g : {2, 6, 7, 49, 50, 51, 100, 150, 196, 197}) cancels.push_back({g, -1});
  for (const CancelAt &at : cancels) {
    const Trace one = Run(false, file, at, {}, 512);
    // 198 games: the last progress call (the fifth) comes after the end.
    EXPECT_EQ(one.result.cancelled, at.game > 0 || (at.progress >= 1 && at.progress < 5)) << at.progress;
    EXPECT_EQ(one.result.textKind == win1252::TextKind::Utf8, at.game > 90 || (at.game < 0 && (at.progress < 0 || at.progress >= 3)))
        << at.game << " " << at.progress;
    for (const PGNAheadOptions &q : queues)
      ExpectSame(one, Run(true, file, at, q, 512),
                 "game " + std::to_string(at.game) + " progress " + std::to_string(at.progress) + " queue " +
                     std::to_string(q.batchGames) + "x" + std::to_string(q.batches));
  }
}

TEST_F(ImportAhead, CancelKeepsLaterErrorsOutOfTheLog) {
  const std::string file = Write("c.pgn", Corpus(120));
  const Trace t = Run(true, file, {10, -1}, Queue(64, 8));
  EXPECT_EQ(t.result.games, 10);
  EXPECT_EQ(t.result.errors, 1);  // game 7 only
  EXPECT_NE(t.log.find("[Event \"G7\"]"), std::string::npos);
  EXPECT_EQ(t.log.find("[Event \"G14\"]"), std::string::npos);
}

TEST_F(ImportAhead, StopReachesTheWorkerBetweenRefusedGames) {
  std::string text = Corpus(1);
  for (int i = 0; i < 2000; ++i) text += "[Event \"R\"]\r\n\r\n1. e4 e5 2. Ke3 *\r\n\r\n";
  const std::string file = Write("s.pgn", text);
  FileFault count(FileFault::Op::Read, -1, EIO);
  const Trace t = Run(true, file, {1, -1}, Queue(1, 1), 512);
  EXPECT_EQ(t.result.games, 1);
  // The file takes over 150 reads; the worker is a few events ahead at most.
  EXPECT_LT(count.Seen(), 20);
}

TEST_F(ImportAhead, ReadFailureMidFileAsTheOneThreadImport) {
  const std::string file = Write("r.pgn", Corpus(60));
  for (int nth : {1, 2, 3}) {
    Trace one, ahead;
    {
      FileFault fault(FileFault::Op::Read, nth, EIO);
      one = Run(false, file, {}, {}, 512);
    }
    {
      FileFault fault(FileFault::Op::Read, nth, EIO);
      ahead = Run(true, file, {}, Queue(2, 1), 512);
      EXPECT_TRUE(fault.Fired());
    }
    EXPECT_TRUE(one.result.readFailed);
    ExpectSame(one, ahead, "read " + std::to_string(nth));
  }
}

TEST_F(ImportAhead, ExceptionOfThePackerEndsTheImportWhereItWouldEnd) {
  const std::string file = Write("x.pgn", Corpus(120));
  PGNAheadOptions options = Queue(1, 1);
  int packed = 0;
  options.packed = [&](const GameBuffer &) {
    if (++packed == 41) throw ERangeError("game 41");
  };
  for (const size_t batch : {size_t{1}, size_t{64}}) {
    packed = 0;
    options.batchGames = batch;
    const Trace one = Run(false, file, {-1, -1, 41});
    ASSERT_EQ(one.calls.back(), "exception game 41");
    ExpectSame(one, Run(true, file, {}, options), "batch " + std::to_string(batch));
    // A cancel before the failing game: no exception, as with one thread.
    packed = 0;
    ExpectSame(Run(false, file, {30, -1}), Run(true, file, {30, -1}, options), "cancel before the throw");
  }
}

// Segments: several workers, small segments, and text that looks like a
// game's start where it is none: a "[" after an empty line inside a
// comment, and a game of tags alone whose next tag section follows an
// empty line (the one-thread parse reads those tags as the same game's).
std::string Tricky(int n, bool high) {
  std::string s;
  for (int i = 1; i <= n; ++i) {
    const std::string e = high && i % 3 == 0 ? " \xE9\xE8" : "";
    s += "[Event \"T" + std::to_string(i) + e + "\"]\r\n[Result \"*\"]\r\n\r\n";
    if (i % 17 == 0) continue;  // tags alone
    if (i % 13 == 0) s += "{a comment" + e + "\r\n\r\n[Event \"not a game\"]\r\n\r\n} ";
    s += i % 7 == 0 ? "1. e4 e5 2. Ke3" + e + " *\r\n\r\n" : "1. d4 d5 2. c4 {x" + e + "} e6 *\r\n\r\n";
    if (i % 29 == 0) s += "; [Event \"a line comment\"]\r\n\r\n";
  }
  return s;
}

PGNAheadOptions Segments(size_t workers, int64_t bytes, std::vector<int64_t> *taken = nullptr) {
  PGNAheadOptions o;
  o.workers = workers;
  o.segmentBytes = bytes;
  if (taken) o.segmentTaken = [taken](int64_t at) { taken->push_back(at); };
  return o;
}

// A cancel's text kind is that of the segments read: the rest must agree.
void SameButKind(Trace &ahead, const Trace &one) {
  if (ahead.result.cancelled) ahead.result.textKind = one.result.textKind;
}

TEST_F(ImportAhead, SegmentsPerformAsTheOneThreadImport) {
  const std::string text = Tricky(150, false);
  const std::string file = Write("t.pgn", text);
  std::vector<CancelAt> cancels = {{}, {1, -1}, {-1, 2}};
  for (int g : {16, 17, 49, 50, 51, 99, 120}) cancels.push_back({g, -1});
  for (const CancelAt &at : cancels) {
    const Trace one = Run(false, file, at, {}, 512);
    for (const size_t workers : {size_t{2}, size_t{5}}) {
      for (const int64_t bytes : {int64_t{97}, int64_t{700}}) {
        std::vector<int64_t> taken;
        Trace ahead = Run(true, file, at, Segments(workers, bytes, &taken), 512);
        SameButKind(ahead, one);
        const std::string what = "game " + std::to_string(at.game) + " progress " + std::to_string(at.progress) +
                                 " workers " + std::to_string(workers) + " bytes " + std::to_string(bytes);
        ExpectSame(one, ahead, what);
        if (at.game < 0 && at.progress < 0) {
          // Work was shared, and never from a false start.
          EXPECT_GT(taken.size(), 10u) << what;
          for (const int64_t t : taken) {
            EXPECT_EQ(text.compare(static_cast<size_t>(t), 8, "[Event \""), 0) << what << " at " << t;
            EXPECT_NE(text.compare(static_cast<size_t>(t), 12, "[Event \"not "), 0) << what << " at " << t;
          }
        }
      }
    }
  }
}

TEST_F(ImportAhead, SegmentsOfConvertedText) {
  // Windows-1252 text read into UTF-8 grows: offsets and the log shift.
  textTo_ = win1252::TextEncoding::Utf8;
  const std::string file = Write("w.pgn", Tricky(120, true));
  for (const CancelAt &at : {CancelAt{}, CancelAt{60, -1}}) {
    const Trace one = Run(false, file, at, {}, 300);
    std::vector<int64_t> taken;
    Trace ahead = Run(true, file, at, Segments(3, 400, &taken), 300);
    SameButKind(ahead, one);
    ExpectSame(one, ahead, "cancel " + std::to_string(at.game));
    EXPECT_EQ(one.result.textKind, win1252::TextKind::Other);
    EXPECT_GT(taken.size(), 5u);
  }
}

TEST_F(ImportAhead, SegmentsStopAtThePackerException) {
  const std::string file = Write("x.pgn", Tricky(150, false));
  PGNAheadOptions options = Segments(4, 300);
  // Thrown by whichever worker packs the game, also by one whose work is dropped.
  options.packed = [](const GameBuffer &g) {
    if (std::string(reinterpret_cast<const char *>(g.bytes.get()), g.length).find("\"T41\"") != std::string::npos)
      throw ERangeError("game 41");
  };
  // The one-thread import throwing in the callback of the same game.
  int at = 0;
  for (const std::string &c : Run(false, file, {}).calls) {
    if (c.rfind("game ", 0) == 0) ++at;
    if (c.find("\"T41\"") != std::string::npos) break;
  }
  const Trace one = Run(false, file, {-1, -1, at});
  ASSERT_EQ(one.calls.back(), "exception game " + std::to_string(at));
  Trace ahead = Run(true, file, {}, options);
  ASSERT_EQ(ahead.calls.back(), "exception game 41");
  ahead.calls.back() = one.calls.back();
  ExpectSame(one, ahead, "segments");
}

TEST_F(ImportAhead, SegmentsAfterAFailedRead) {
  const std::string file = Write("r.pgn", Tricky(150, false));
  const Trace whole = Run(false, file, {});
  for (int nth = 1; nth <= 12; ++nth) {
    FileFault fault(FileFault::Op::Read, nth, EIO);
    const Trace t = Run(true, file, {}, Segments(3, 400));
    // A read for work that was dropped changes nothing; else the import ends
    // where the failure met it, and says so once.
    if (!t.result.readFailed) {
      ExpectSame(whole, t, "read " + std::to_string(nth));
      continue;
    }
    EXPECT_LT(t.result.games, whole.result.games) << nth;
    EXPECT_EQ(std::count_if(t.calls.begin(), t.calls.end(),
                            [](const std::string &c) { return c.rfind("message ", 0) == 0; }),
              1)
        << nth;
  }
}

}  // namespace
