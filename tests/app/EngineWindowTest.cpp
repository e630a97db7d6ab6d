// The main window with an engine: the scripted fake engine linked as
// "wcrafty.exe" in the scratch program directory.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "AppTestUtil.h"
#include "app/Guard.h"
#include "app/MainLayout.h"
#include "board/ui/ChsBrds.h"
#include "chess/Language.h"
#include "engine/PipeReader.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/Dirs.h"

namespace {

using apptest::ChildProcesses;
using apptest::WaitFor;

class EngineWindowTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  void TearDown() override { FreeForm(); }
  TMainForm &Start(const std::string &script, const std::string &settings = "") {
    return FormWithFakeEngine(script, settings);
  }
  std::string LogPath() const { return dirs::GetAppDir() + "engine.log"; }
  std::string Received() const {
    return apptest::ReadFile(LogPath());
  }
  int Count(const std::string &text, const std::string &what) const {
    int n = 0;
    for (size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
    return n;
  }
  static MoveRec Move(const PositionO &p, const std::string &text) {
    PositionO q;
    q.InitCopy(p);
    q.SetLanguage(LangEnglish);
    MoveRec m;
    EXPECT_TRUE(q.InterpretMove(text, m));
    q.CompleteMove(m);
    return m;
  }
};

TEST_F(EngineWindowTest, TheEngineMenuShowsWithAnEngine) {
  TMainForm &f = Start("log:" + LogPath() + ";eof");
  EXPECT_TRUE(f.EngineEnabled());
  EXPECT_TRUE(f.EngineMan.Active());
  EXPECT_TRUE(f.Item("MEngine")->isVisible());
  EXPECT_FALSE(f.WhiteClockLbl->isVisibleTo(&f));
  for (const char *n : {"MPlayGame", "MMoveNow", "MStopClock"}) EXPECT_TRUE(f.Item(n)->isEnabled()) << n;
  ASSERT_TRUE(WaitFor([&] { return Received().find("force\n") != std::string::npos; }, 5000));
  // The settings' control reaches the engine at once: no game is played.
  EXPECT_EQ(Received(), "xboard\nnew\nlevel 10 1:0 0\nforce\nlevel 0 5:0 0\n");
}

TEST_F(EngineWindowTest, AFileThatIsNoProgramIsAMissingEngine) {
  dir().Write("wcrafty.exe", "not a program\n");
  std::filesystem::permissions(dirs::GetAppDir() + "wcrafty.exe", std::filesystem::perms::owner_all);
  WriteSettings("[Engine]\r\nEnabled=1\r\n");
  auto answers = Answer("OK");
  TMainForm &f = Form();
  EXPECT_EQ(dialogs, 0);
  EXPECT_FALSE(f.EngineEnabled());
  EXPECT_FALSE(f.EngineMan.Active());
  EXPECT_FALSE(f.Item("MEngine")->isVisible());
  EXPECT_EQ(ChildProcesses(), 0);
  // The comment pane is the game's again.
  f.Game.SetComment("A quiet move.");
  f.ShowGame();
  EXPECT_EQ(FromQ(f.CommentMemo->toPlainText()), "A quiet move.");
  FreeForm();
  // "Enabled" stays in the settings file.
  EXPECT_NE(ReadSettings().find("Enabled=1"), std::string::npos);
}

TEST_F(EngineWindowTest, AControlTheClockRefusesGivesTheDefaults) {
  TMainForm &f = Start("eof", "[TimeControlInfo]\r\nBlitzTime=-5\r\n");
  ASSERT_TRUE(f.EngineMan.Active());
  EXPECT_EQ(ChessApp.TimeControl.BlitzTime, -5);
  TimeControlRec tc;
  f.EngineMan.GetTimeControl(tc);
  EXPECT_EQ(tc, TimeControlRec{});
  EXPECT_EQ(FromQ(f.WhiteClockLbl->text()), "0:05.00");
  EXPECT_EQ(FromQ(f.BlackClockLbl->text()), "0:05.00");
}

TEST_F(EngineWindowTest, ClockLabelsWhilePlaying) {
  TMainForm &f = Start("eof");
  const layout::Result hidden = f.Layout;
  f.EngineMan.SetSeconds(cWhite, 0);
  f.Item("MPlayGame")->trigger();
  EXPECT_TRUE(f.Playing);
  EXPECT_TRUE(f.Item("MPlayGame")->isChecked());
  ASSERT_TRUE(f.WhiteClockLbl->isVisibleTo(&f));
  ASSERT_TRUE(f.BlackClockLbl->isVisibleTo(&f));
  // A row of their own at the foot of the control panel, White left.
  EXPECT_GT(f.Layout.controlPanel.h, hidden.controlPanel.h);
  const QRect white = f.WhiteClockLbl->geometry(), black = f.BlackClockLbl->geometry();
  EXPECT_LT(white.x(), black.x());
  EXPECT_FALSE(white.intersects(black));
  const QRect control(f.Layout.controlPanel.x, f.Layout.controlPanel.y, f.Layout.controlPanel.w,
                      f.Layout.controlPanel.h);
  EXPECT_TRUE(control.contains(white));
  EXPECT_TRUE(control.contains(black));
  const QFontMetrics fm(f.WhiteClockLbl->font());
  EXPECT_GE(white.width(), fm.horizontalAdvance("- 16:39.00"));

  // White without time: a White move on the board shows the flag.
  PositionO start;
  start.Reset();
  const MoveRec e4 = Move(start, "e2e4");
  f.Board->EnterMove(e4);
  f.BoardMouseDown(Qt::LeftButton, Qt::NoModifier, e4.ToFile(), e4.ToRank());
  ASSERT_EQ(f.Game.PathMoves().Count(), 1);
  EXPECT_EQ(FromQ(f.WhiteClockLbl->text()), "- 0:00.00");
  EXPECT_EQ(FromQ(f.BlackClockLbl->text()), "0:05.00");

  f.Item("MPlayGame")->trigger();
  EXPECT_FALSE(f.Playing);
  EXPECT_FALSE(f.WhiteClockLbl->isVisibleTo(&f));
  EXPECT_EQ(f.Layout.controlPanel, hidden.controlPanel);
  EXPECT_EQ(f.Layout.clientHeight, hidden.clientHeight);
}

TEST_F(EngineWindowTest, StopClockEndsPlayKeepsTheClocksAndMoveNowGoesOn) {
  TMainForm &f = Start("log:" + LogPath() + ";eof");
  f.Item("MMoveNow")->trigger();
  EXPECT_TRUE(f.Item("MPlayGame")->isChecked());
  EXPECT_TRUE(f.EngineMan.IsPlaying());
  f.Item("MStopClock")->trigger();
  EXPECT_FALSE(f.EngineMan.IsPlaying());
  EXPECT_FALSE(f.Item("MPlayGame")->isChecked());
  EXPECT_TRUE(f.WhiteClockLbl->isVisibleTo(&f));
  f.Item("MMoveNow")->trigger();
  EXPECT_TRUE(f.EngineMan.IsPlaying());
  EXPECT_TRUE(f.Item("MPlayGame")->isChecked());
  ASSERT_TRUE(WaitFor([&] { return Count(Received(), "\ngo\n") == 2; }, 5000)) << Received();
}

TEST_F(EngineWindowTest, OutputLinesReachThePaneWithoutTheirLineEnds) {
  TMainForm &f = Start("w:feature done=1\\r\\n;w:tellusererror x\\r;w:\\n# ply 3\\n;eof");
  ASSERT_TRUE(WaitFor([&] { return f.CommentMemo->toPlainText().contains("ply"); }, 5000));
  EXPECT_EQ(FromQ(f.CommentMemo->toPlainText()), "feature done=1\ntellusererror x\n# ply 3");
}

// A flood without line ends reaches the pane as its first kMaxLine bytes and
// one note that the line was cut; the next line follows.
TEST_F(EngineWindowTest, AnOverlongLineIsShownCutWithOneNote) {
  TMainForm &f = Start("big:" + std::to_string(5 * PipeReaderRec::kMaxLine) + ";w:\\n# ply 3\\n;eof");
  ASSERT_TRUE(WaitFor([&] { return f.CommentMemo->toPlainText().contains("ply"); }, 5000));
  const QStringList lines = f.CommentMemo->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0].size(), PipeReaderRec::kMaxLine);
  EXPECT_EQ(FromQ(lines[1]), SubstituteText(CommonText::S_EngineLineCut, "65536"));
  EXPECT_EQ(lines[2], "# ply 3");
}

// Moves entered on the board, then stepping through them: each step tells
// the manager, and nothing may reach a dead engine.
void Step(TMainForm &f) {
  for (const char *t : {"e2e4", "e7e5", "g1f3"}) apptest::BoardMove(f, t);
  ASSERT_EQ(f.Game.PathMoves().Count(), 3);
  f.SBPrevClick();
  f.SBFirstClick();
  f.SBNextClick();
  f.SBLastClick();
  ASSERT_EQ(f.Game.PathMoves().Count(), 3);
  f.Item("MStopClock")->trigger();
}

TEST_F(EngineWindowTest, ACrashingEngineGivesOneMessageThenSilence) {
  auto answers = Answer("OK");
  TMainForm &f = Start("p:300;abort");
  ASSERT_TRUE(WaitFor([&] { return dialogs > 0; }, 5000));
  EXPECT_EQ(lastMessage, "Error: chess program exited unexpectedly");
  EXPECT_TRUE(f.EngineEnabled());
  EXPECT_TRUE(f.Item("MEngine")->isVisible());
  Step(f);
  QTest::qWait(100);
  EXPECT_EQ(dialogs, 1);
  f.ShowGame();
  FreeForm();
  EXPECT_EQ(ChildProcesses(), 0);
}

// Dead before it reads its first command: its end is said once, however
// the end is seen, and nothing after.
TEST_F(EngineWindowTest, AnEngineDeadAtOnceGivesOneMessage) {
  auto answers = Answer("OK");
  TMainForm &f = Start("abort");
  ASSERT_TRUE(WaitFor([&] { return lastMessage == "Error: chess program exited unexpectedly"; }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(dialogs, 1);
  const int shown = dialogs;
  Step(f);
  QTest::qWait(100);
  EXPECT_EQ(dialogs, shown);
}

TEST_F(EngineWindowTest, AFloodingEngineLetsQueuedCallsRun) {
  Start("flood");
  bool ran = false;
  QTimer::singleShot(0, [&] { ran = true; });
  EXPECT_TRUE(WaitFor([&] { return ran; }, 2000));
}

TEST_F(EngineWindowTest, AHungEngineEndsWithTheWindow) {
  Start("hang");
  ASSERT_EQ(ChildProcesses(), 1);
  std::mutex lock;
  std::condition_variable done;
  bool closed = false, late = false;
  std::thread watchdog([&] {
    std::unique_lock<std::mutex> g(lock);
    late = !done.wait_for(g, std::chrono::seconds(3), [&] { return closed; });
  });
  FreeForm();
  {
    std::lock_guard<std::mutex> g(lock);
    closed = true;
  }
  done.notify_all();
  watchdog.join();
  EXPECT_FALSE(late);
  EXPECT_EQ(ChildProcesses(), 0);
}

}  // namespace

namespace {

// A game of exactly `moves` moves: a knight shuffle on the main line and,
// at each of its plies, a shuffle of the other knights as a variation,
// every line ending before Black's move 255.
std::string GameOfMoves(int moves) {
  static const char *const kMain[] = {"Nf3", "Nf6", "Ng1", "Ng8"};
  static const char *const kSide[] = {"Nc3", "Nc6", "Nb1", "Nb8"};
  const int mainPlies = 400;
  int left = moves - mainPlies;
  std::string text = "[Result \"*\"]\n\n";
  for (int p = 0; p < mainPlies; ++p) {
    const std::string number = std::to_string(p / 2 + 1) + (p % 2 ? "... " : ". ");
    text += number + kMain[p % 4] + " ";
    const int length = std::min({left, 200, 506 - p});
    if (length <= 0) continue;
    text += "(" + number;
    for (int k = 0; k < length; ++k) {
      const bool white = (p + k) % 2 == 0;
      text += std::string(kSide[(white ? 0 : 1) + ((k / 2) % 2 ? 2 : 0)]) + " ";
    }
    text += ") ";
    left -= length;
  }
  return text + "*\n";
}

}  // namespace

// At the game's node limit a move is refused: the board goes back to the
// game, and the engine is told nothing of a move the game lacks.
TEST_F(EngineWindowTest, AMoveTheGameRefusesReachesNeitherBoardNorEngine) {
  TMainForm &f = Start("eof");
  ASSERT_TRUE(f.EngineMan.Active());
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString(GameOfMoves(65534), LangEnglish, r));
  ASSERT_EQ(f.Game.NodeCounter(), 65535);
  f.ShowLoadedGame(0, false);
  f.Game.GoToStart();
  f.Board->SetPosition(&f.Game.StartPosition(), nullptr);
  f.EngineMan.SetPosition(f.Game.StartPosition(), nullptr);
  const std::string fen = f.Board->GetFEN();
  auto answers = Answer("OK");
  // As the key filter runs it: a refusal is shown, not thrown.
  for (char c : std::string("h4")) Guarded([&] { f.KeyMoveEntry(c); });
  EXPECT_EQ(dialogs, 1) << "the refusal is shown";
  EXPECT_EQ(f.Board->GetFEN(), fen);
  EXPECT_EQ(f.Game.NodeCounter(), 65535);
  ASSERT_NE(f.EngineMan.Engine(), nullptr);
  EXPECT_EQ(f.EngineMan.Engine()->Moves().Count(), 0);
}
