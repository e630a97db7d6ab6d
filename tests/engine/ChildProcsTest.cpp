// The engine's child process against the scripted fake engine: start, line
// delivery, the end of the output, writes, and stop.
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "TestUtil.h"
#include "engine/ChildProcs.h"
#include "engine/EngineTestUtil.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Files.h"

namespace {

using Clock = std::chrono::steady_clock;
using enginetest::MessageRecorder;
using enginetest::TestDispatcher;

long MsSince(Clock::time_point t) {
  return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count());
}

int ThreadCount() {
  std::string status;
  files::ReadAll("/proc/self/status", status);
  size_t at = status.find("Threads:");
  return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 8);
}

class ChildProcessTest : public ::testing::Test {
 protected:
  ChildProcessTest() : appDir_(dir_.Path()) {}
  ~ChildProcessTest() override {
    child.reset();
    ::unsetenv("TV_FAKE_SCRIPT");
  }

  // Starts the fake engine with script in the scratch directory.
  int Start(const std::string &script, const std::string &workDir = "") {
    ::setenv("TV_FAKE_SCRIPT", script.c_str(), 1);
    child = std::make_unique<ChildProcessT>();
    child->SetOnLine([this](ChildProcessT &, const std::string &line) {
      lines.push_back(line);
      events.push_back("line");
    });
    child->SetOnEnd([this](ChildProcessT &) {
      ++ends;
      events.push_back("end");
    });
    return child->Create(disp, workDir.empty() ? dir_.Path() : workDir, TV_FAKE_ENGINE);
  }
  bool WaitLines(size_t n, int ms = 5000) {
    return disp.PumpUntil([&] { return lines.size() >= n; }, ms);
  }
  pid_t Pid() const { return child->State().child->processId; }

  testutil::TempDir dir_;
  testutil::AppDirGuard appDir_;
  TestDispatcher disp;
  MessageRecorder rec;
  std::unique_ptr<ChildProcessT> child;
  std::vector<std::string> lines;
  std::vector<std::string> events;
  int ends = 0;
};

TEST_F(ChildProcessTest, LinesArriveWholeWhateverTheWritesAndLineEnds) {
  // Pieces of a line wait for its end; a CR LF split across writes is one
  // line end, and the LF does not lead the next line.
  ASSERT_EQ(Start("w:li;p:30;w:ne1\\r;p:30;w:\\n;p:30;w:line2\\n;p:30;w:move e2e4\\r;p:30;w:\\nx\\n;eof"), 0);
  ASSERT_TRUE(WaitLines(4));
  EXPECT_EQ(lines, (std::vector<std::string>{"line1\r", "line2\r", "move e2e4\r", "x\r"}));
  std::string move;
  EXPECT_EQ(ScanFormatted(lines[2], "move %s", {&move}), 1);
  EXPECT_EQ(move, "e2e4");

  // LF only, CR only, an empty line, and bytes that are no text.
  lines.clear();
  ASSERT_EQ(Start("w:a\\nb\\n;w:c\\rd\\r;w:\\n\\n;w:n\\x00u\\x80\\xff\\xfe!\\r\\n;eof"), 0);
  ASSERT_TRUE(WaitLines(6));
  disp.PumpFor(50);
  EXPECT_EQ(lines, (std::vector<std::string>{"a\r", "b\r", "c\r", "d\r", "\r", std::string("n\0u\x80\xff\xfe!\r", 8)}));
  EXPECT_TRUE(rec.messages.empty());
}

// A long line arrives whole; one past the limit arrives once, cut, and the
// next line follows it whole.
TEST_F(ChildProcessTest, LongLinesArriveWholeAndOverlongOnesCutOnce) {
  ASSERT_EQ(Start("big:10000;w:\\n;eof"), 0);
  ASSERT_TRUE(WaitLines(1));
  disp.PumpFor(50);
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_EQ(lines[0].size(), 10001u);
  for (size_t i = 0; i < 10000; ++i) ASSERT_EQ(lines[0][i], static_cast<char>('a' + i % 26)) << i;
  EXPECT_EQ(lines[0].back(), '\r');

  lines.clear();
  const int max = PipeReaderRec::kMaxLine;
  ASSERT_EQ(Start("big:" + std::to_string(3 * max) + ";p:20;big:1000;w:\\r\\nnext\\n;eof"), 0);
  ASSERT_TRUE(WaitLines(2));
  disp.PumpFor(50);
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].size(), static_cast<size_t>(max));
  for (int i = 0; i < max; ++i) ASSERT_EQ(lines[0][static_cast<size_t>(i)], static_cast<char>('a' + i % 26)) << i;
  EXPECT_EQ(lines[1], "next\r");
}

TEST_F(ChildProcessTest, AnEndedEngineIsReportedOnceThenItsOwnerIsToldOnce) {
  for (const char *script : {"w:bye\\n;exit:0", "w:bye\\n;abort"}) {
    SCOPED_TRACE(script);
    rec.messages.clear();
    events.clear();
    ends = 0;
    ASSERT_EQ(Start(script), 0);
    ASSERT_TRUE(disp.PumpUntil([&] { return ends > 0; }, 5000));
    auto at = Clock::now();
    while (!child->State().reader->ended && MsSince(at) < 1000) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_TRUE(child->State().reader->ended);
    disp.PumpFor(100);
    EXPECT_EQ(rec.messages, std::vector<std::string>{"Error: chess program exited unexpectedly"});
    EXPECT_EQ(events, (std::vector<std::string>{"line", "end"}));

    // Reaped when its end was seen; later commands go nowhere, silently.
    EXPECT_EQ(child->State().child, nullptr);
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    child->SendLine("new");
    child->SendLine("go");
    child->Destroy();
    disp.PumpFor(50);
    EXPECT_EQ(rec.messages.size(), 1u);
    EXPECT_EQ(ends, 1);
  }
}

TEST_F(ChildProcessTest, AFailedStartShowsNothingAndLeavesNothingRunning) {
  dir_.Write("text", "just text\n");
  ::chmod(dir_.File("text").c_str(), 0755);
  dir_.Write("plain", "#!/bin/sh\n");
  ::chmod(dir_.File("plain").c_str(), 0644);
  int threads = ThreadCount();
  struct Case {
    std::string program, workDir;
    int err;
  } cases[] = {
      {dir_.File("missing"), "", ENOENT},
      {dir_.File("plain"), "", EACCES},
      {dir_.File("text"), "", ENOEXEC},
      {TV_FAKE_ENGINE, dir_.File("nodir"), ENOENT},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.program);
    ChildProcessT cp;
    EXPECT_EQ(cp.Create(disp, c.workDir, c.program), c.err);
    EXPECT_EQ(cp.State().child, nullptr);
    EXPECT_EQ(cp.State().reader, nullptr);
    EXPECT_EQ(ThreadCount(), threads);
    cp.SendLine("xboard");  // nothing to write to: nothing happens
  }
  EXPECT_TRUE(rec.messages.empty());
  // Every child the failed starts made is reaped.
  EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
  EXPECT_EQ(errno, ECHILD);
}

TEST_F(ChildProcessTest, DestroyEndsAnEngineThatIgnoresItsInputAndSIGTERM) {
  ASSERT_EQ(Start("w:ready\\n;hang"), 0);
  ASSERT_TRUE(WaitLines(1));
  pid_t pid = Pid();
  auto at = Clock::now();
  child->Destroy();
  EXPECT_LT(MsSince(at), 10000);  // a hang, not speed
  EXPECT_GE(MsSince(at), 900);  // it waited before each harder step
  disp.PumpFor(100);
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_EQ(::kill(-pid, 0), -1);
  EXPECT_EQ(::waitpid(pid, nullptr, WNOHANG), -1);
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(lines.size(), 1u);
}

TEST_F(ChildProcessTest, DestroyOfAnIdleEngineIsQuickAndSilent) {
  ASSERT_EQ(Start("eof;w:bye\\n"), 0);
  pid_t pid = Pid();
  auto at = Clock::now();
  child->Destroy();
  EXPECT_LT(MsSince(at), ChildProcessT::kStopGraceMs);  // no signal was needed
  // Whatever the reader handed over meanwhile is dropped.
  disp.PumpFor(100);
  EXPECT_EQ(::kill(pid, 0), -1);
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_TRUE(lines.empty());
  EXPECT_EQ(ends, 0);
}

TEST_F(ChildProcessTest, CommandsArriveWholeAndInOrder) {
  std::string log = dir_.File("log");
  ASSERT_EQ(Start("log:" + log + ";echo"), 0);
  child->SendLine("xboard");
  child->SendLine("new");
  ASSERT_TRUE(WaitLines(2));
  EXPECT_EQ(lines, (std::vector<std::string>{"got xboard\r", "got new\r"}));

  // 100 KB to an engine that reads slowly: the write waits for it.
  ASSERT_EQ(Start("log:" + log + "2;slow:5"), 0);
  std::string big;
  for (int i = 0; big.size() < 100000; ++i) big += "cmd" + std::to_string(i) + " ";
  child->SendLine(big);
  EXPECT_GT(child->Unwritten(), 0u);  // it returned before the engine read it
  ASSERT_TRUE(disp.PumpUntil([&] { return child->Unwritten() == 0; }, 20000));
  child->Destroy();
  EXPECT_EQ(dir_.Read("log"), "xboard\nnew\n");
  EXPECT_EQ(dir_.Read("log2"), big + "\n");
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(ChildProcessTest, TheEngineInheritsOnlyItsPipesAndGetsItsOwnDirectory) {
  ASSERT_TRUE(files::MakeDirs(dir_.File("work")));
  BinFile locked;
  ASSERT_TRUE(locked.Open(dir_.File("db"), BinFile::Mode::Create, true));
  int open = ::open(dir_.File("plainfd").c_str(), O_CREAT | O_RDWR, 0644);  // no close-on-exec
  ASSERT_GE(open, 0);
  std::string cwd = std::filesystem::current_path().string();

  ASSERT_EQ(Start("fds;eof", "work"), 0);  // relative: taken from the program directory
  ASSERT_TRUE(WaitLines(5));
  std::string workDir = std::filesystem::canonical(dir_.File("work")).string();
  EXPECT_EQ(lines, (std::vector<std::string>{"fd 0\r", "fd 1\r", "fd 2\r", "cwd " + workDir + "\r",
                                             "sigpipe default\r"}));
  EXPECT_EQ(std::filesystem::current_path().string(), cwd);
  // A session and process group of its own, away from the test's terminal.
  EXPECT_EQ(::getsid(Pid()), Pid());
  EXPECT_EQ(::getpgid(Pid()), Pid());
  ::close(open);
}

TEST_F(ChildProcessTest, ACallbackOrTheMessageMayDestroyTheObject) {
  // A line callback that destroys it: no later line, message or end.
  ASSERT_EQ(Start("w:a\\rb\\rc\\r;eof"), 0);
  child->SetOnLine([this](ChildProcessT &, const std::string &line) {
    lines.push_back(line);
    child.reset();
  });
  ASSERT_TRUE(WaitLines(1));
  disp.PumpFor(100);
  EXPECT_EQ(lines, std::vector<std::string>{"a\r"});
  EXPECT_TRUE(rec.messages.empty());

  // The user closes the window while "exited unexpectedly" is shown.
  lines.clear();
  ASSERT_EQ(Start("exit:0"), 0);
  rec.onMessage = [this](const std::string &) { child.reset(); };
  ASSERT_TRUE(disp.PumpUntil([&] { return !rec.messages.empty(); }, 5000));
  disp.PumpFor(100);
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_EQ(ends, 0);
  EXPECT_EQ(child, nullptr);
}

class ScriptedEngineTest : public ChildProcessTest {
 protected:
  int StartScript(const std::string &name) {
    child = std::make_unique<ChildProcessT>();
    child->SetOnLine([this](ChildProcessT &, const std::string &line) { lines.push_back(line); });
    child->SetOnEnd([this](ChildProcessT &) { ++ends; });
    return child->Create(disp, dir_.Path(), std::string(TV_ENGINE_SCRIPTS) + name);
  }
  // No child of the test is left, running or unreaped.
  static bool NoChildLeft() { return ::waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD; }
};

// An engine that never reads: sending never waits on it; past the limit it
// is said once not to respond, and ended and reaped.
TEST_F(ScriptedEngineTest, AnEngineThatNeverReadsIsEndedPastTheLimit) {
  ASSERT_EQ(StartScript("never_reads.sh"), 0);
  ASSERT_TRUE(WaitLines(1));
  const std::string block(64 * 1024, 'x');
  // Twice the limit: the pipe itself holds some.
  for (size_t sent = 0; sent <= 2 * ChildProcessT::kMaxUnwritten; sent += block.size() + 1) child->SendLine(block);
  ASSERT_TRUE(disp.PumpUntil([&] { return ends > 0; }, 5000));
  disp.PumpFor(50);
  EXPECT_EQ(rec.messages, std::vector<std::string>{CommonText::S_EngineNotResponding});
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(NoChildLeft());
  child->SendLine(block);
  EXPECT_EQ(child->Unwritten(), 0u);
  disp.PumpFor(50);
  EXPECT_EQ(rec.messages.size(), 1u);
}

// Input still queued at close is dropped: the close does not wait for an
// engine that will never read it.
TEST_F(ScriptedEngineTest, CloseDropsTheQueue) {
  ASSERT_EQ(StartScript("never_reads.sh"), 0);
  ASSERT_TRUE(WaitLines(1));
  child->SendLine(std::string(ChildProcessT::kMaxUnwritten / 2, 'x'));
  EXPECT_GT(child->Unwritten(), 0u);
  const auto at = Clock::now();
  child->Destroy();
  EXPECT_LT(MsSince(at), 10000);  // a hang, not speed
  EXPECT_EQ(child->Unwritten(), 0u);
  EXPECT_TRUE(NoChildLeft());
  disp.PumpFor(50);
  EXPECT_TRUE(rec.messages.empty());
  EXPECT_EQ(ends, 0);
}

// A refused write is the engine's end: it is ended, its end said once.
TEST_F(ScriptedEngineTest, AnEngineThatClosesItsInputEndsAtTheFirstWrite) {
  ASSERT_EQ(StartScript("closes_input.sh"), 0);
  ASSERT_TRUE(WaitLines(1));
  child->SendLine("xboard");
  ASSERT_TRUE(disp.PumpUntil([&] { return ends > 0; }, 5000));
  disp.PumpFor(50);
  EXPECT_EQ(rec.messages, std::vector<std::string>{"Error: chess program exited unexpectedly"});
  EXPECT_TRUE(NoChildLeft());
}

// Ended at once, while commands are sent: one message, one end, no zombie.
TEST_F(ScriptedEngineTest, AnEngineThatExitsAtOnceIsSaidOnceAndReaped) {
  ASSERT_EQ(StartScript("exits.sh"), 0);
  for (int i = 0; i < 100; ++i) child->SendLine("xboard");
  ASSERT_TRUE(disp.PumpUntil([&] { return ends > 0; }, 5000));
  for (int i = 0; i < 100; ++i) child->SendLine("new");
  disp.PumpFor(100);
  EXPECT_EQ(rec.messages, std::vector<std::string>{"Error: chess program exited unexpectedly"});
  EXPECT_EQ(ends, 1);
  EXPECT_TRUE(NoChildLeft());
}

// A real engine: Debian's fairymax.
TEST_F(ChildProcessTest, Fairymax) {
  const std::string engine = "/usr/games/fairymax";
  if (::access(engine.c_str(), X_OK) != 0) GTEST_SKIP() << "fairymax is not installed";
  child = std::make_unique<ChildProcessT>();
  child->SetOnLine([this](ChildProcessT &, const std::string &line) { lines.push_back(line); });
  ASSERT_EQ(child->Create(disp, dir_.Path(), engine), 0);
  child->SendLine("xboard");
  child->SendLine("protover 2");
  auto has = [&](const std::string &prefix) {
    for (const auto &l : lines)
      if (l.rfind(prefix, 0) == 0) return true;
    return false;
  };
  ASSERT_TRUE(disp.PumpUntil([&] { return has("feature "); }, 10000));
  for (const auto &l : lines) EXPECT_EQ(l.find('\n'), std::string::npos);
  child->SendLine("new");
  child->SendLine("st 1");
  child->SendLine("go");
  ASSERT_TRUE(disp.PumpUntil([&] { return has("move "); }, 15000));

  // Searching it reads nothing; Destroy still ends it.
  child->SendLine("st 60");
  child->SendLine("go");
  disp.PumpFor(200);
  pid_t pid = Pid();
  auto at = Clock::now();
  child->Destroy();
  EXPECT_LT(MsSince(at), 10000);  // a hang, not speed
  EXPECT_EQ(::kill(pid, 0), -1);
  disp.PumpFor(50);
  EXPECT_TRUE(rec.messages.empty());
}

// The program killed with SIGKILL, its engine ignoring SIGTERM and the end
// of its input: the engine goes with it. The test stands in for init, so
// that it sees (and reaps) the orphaned engine's end.
TEST(EngineLifetimeTest, TheEngineDiesWithAKilledProgram) {
  testutil::TempDir dir;
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  ::setenv("TV_FAKE_SCRIPT", "noterm;w:ready\\n;hang", 1);
  const pid_t program = ::fork();
  ASSERT_GE(program, 0);
  if (program == 0) {
    ::close(report[0]);
    std::unique_ptr<ChildProcessRec> child;
    if (ChildProcessStart(TV_FAKE_ENGINE, dir.Path(), child) != 0) ::_exit(1);
    // Its "ready": it ignores SIGTERM by now.
    char c = 0;
    while (::read(child->readHandle, &c, 1) == 1 && c != '\n') {
    }
    if (::write(report[1], &child->processId, sizeof(pid_t)) != sizeof(pid_t)) ::_exit(1);
    for (;;) ::pause();
  }
  ::unsetenv("TV_FAKE_SCRIPT");
  ::close(report[1]);
  pid_t engine = -1;
  const bool started = ::read(report[0], &engine, sizeof engine) == sizeof engine;
  ::close(report[0]);
  if (started) ::kill(engine, SIGTERM);
  ::kill(program, SIGKILL);
  ASSERT_EQ(::waitpid(program, nullptr, 0), program);
  ASSERT_TRUE(started);

  int status = 0;
  const auto at = Clock::now();
  pid_t gone = 0;
  // ECHILD: not yet handed over to the test.
  while ((gone = ::waitpid(engine, &status, WNOHANG)) != engine && MsSince(at) < 1000)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  if (gone != engine) {
    ::kill(engine, SIGKILL);
    ::waitpid(engine, nullptr, 0);
  }
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
  ASSERT_EQ(gone, engine) << "the engine outlived the program";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

}  // namespace
