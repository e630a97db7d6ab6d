// The Qt handoff of engine output under an engine that floods the window.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "engine/ChildProcs.h"
#include "engine/EngineTestUtil.h"
#include "engine/ui/QtInputDispatcher.h"
#include "foundation_ui/UiTestApp.h"

namespace {

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point t) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

// Counts the queued calls that reach the context object.
class CallCounter : public QObject {
 public:
  std::atomic<int> started{0};
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() == QEvent::MetaCall) ++started;
    return false;
  }
};

// Checks at every handoff that the previous chunk has been dispatched:
// the reader is never more than one chunk ahead of the GUI.
class CheckingDispatcher : public QtInputDispatcher {
 public:
  CheckingDispatcher(QObject *ctx, CallCounter &counter) : QtInputDispatcher(ctx), counter_(counter) {}
  void Post(const PipeReaderPtr &reader) override {
    if (counter_.started < posted) ++ahead;
    ++posted;
    QtInputDispatcher::Post(reader);
  }
  std::atomic<int> posted{0};
  std::atomic<int> ahead{0};

 private:
  CallCounter &counter_;
};

bool ProcessUntil(const std::function<bool()> &done, int ms) {
  auto at = Clock::now();
  while (!done()) {
    if (MsSince(at) >= ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return true;
}

class QtDispatchTest : public ::testing::Test {
 protected:
  QtDispatchTest() : appDir_(dir_.Path()) {
    uitest::App();
    ctx.installEventFilter(&counter);
  }
  ~QtDispatchTest() override { ::unsetenv("TV_FAKE_SCRIPT"); }

  int Start(const std::string &script) {
    ::setenv("TV_FAKE_SCRIPT", script.c_str(), 1);
    child = std::make_unique<ChildProcessT>();
    child->SetOnLine([this](ChildProcessT &, const std::string &) { ++lines; });
    child->SetOnEnd([this](ChildProcessT &) { ++ends; });
    return child->Create(disp, dir_.Path(), TV_FAKE_ENGINE);
  }
  // After Destroy nothing more arrives: no line, message or end.
  void ExpectSilenceAfterDestroy() {
    int before = lines;
    auto at = Clock::now();
    child->Destroy();
    // A hang, not speed: the stop sequence itself takes about a second.
    EXPECT_LT(MsSince(at), 10000);
    ProcessUntil([] { return false; }, 200);
    EXPECT_EQ(lines, before);
    EXPECT_TRUE(rec.messages.empty());
    EXPECT_EQ(ends, 0);
    child.reset();
    QCoreApplication::processEvents();
  }

  testutil::TempDir dir_;
  testutil::AppDirGuard appDir_;
  enginetest::MessageRecorder rec;
  QObject ctx;
  CallCounter counter;
  CheckingDispatcher disp{&ctx, counter};
  std::unique_ptr<ChildProcessT> child;
  int lines = 0;
  int ends = 0;
};

TEST_F(QtDispatchTest, AFloodingEngineLeavesTheGuiResponsive) {
  ASSERT_EQ(Start("flood"), 0);
  ASSERT_TRUE(ProcessUntil([&] { return lines > 1000; }, 5000));

  // The flood never ends, so a starved event loop would never run these; the
  // generous bound only keeps a failing run from hanging on a loaded machine.
  bool queued = false;
  QMetaObject::invokeMethod(&ctx, [&] { queued = true; }, Qt::QueuedConnection);
  EXPECT_TRUE(ProcessUntil([&] { return queued; }, 30000));

  bool fired = false;
  QTimer::singleShot(50, &ctx, [&] { fired = true; });
  EXPECT_TRUE(ProcessUntil([&] { return fired; }, 30000));

  // A chunk holds up to 64 KB of lines, so how many came by now depends on
  // the machine's load; the reader must go on handing them over.
  EXPECT_TRUE(ProcessUntil([&] { return disp.posted > 10; }, 30000)) << disp.posted;
  EXPECT_EQ(disp.ahead, 0);
  ExpectSilenceAfterDestroy();
}

TEST_F(QtDispatchTest, AnIdleEngineEndingOnItsInputsEndIsSilent) {
  ASSERT_EQ(Start("w:hello\\n;eof;w:bye\\n"), 0);
  ASSERT_TRUE(ProcessUntil([&] { return lines == 1; }, 5000));
  ExpectSilenceAfterDestroy();
}

TEST_F(QtDispatchTest, TheEndOfTheOutputIsReportedOnTheGuiThread) {
  ASSERT_EQ(Start("exit:0"), 0);
  ASSERT_TRUE(ProcessUntil([&] { return ends == 1; }, 5000));
  EXPECT_EQ(rec.messages, std::vector<std::string>{"Error: chess program exited unexpectedly"});
}

}  // namespace
