// Engine play in the main window against engines that misbehave (the shell
// scripts in tests/engine/scripts, linked as "wcrafty.exe") and the fake
// engine: the play state set in one place, an engine's end, one that never
// reads, one that floods, moves it must not make and moves that are bad.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <filesystem>

#include "AppTestUtil.h"
#include "board/ui/ChsBrds.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
#include "engine/ui/ClockTimer.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/Dirs.h"

namespace {

using apptest::ChildProcesses;
using apptest::WaitFor;

class EnginePlayTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  EnginePlayTest() {
    oldSleep_ = TChessBoard::SetSleepFunction([](int) {});
  }
  ~EnginePlayTest() override {
    FreeForm();
    TChessBoard::SetSleepFunction(oldSleep_);
  }
  // The window with the script as its engine.
  TMainForm &Scripted(const std::string &script) {
    std::filesystem::create_symlink(std::string(TV_ENGINE_SCRIPTS) + script, EngineFile());
    WriteSettings("[Engine]\r\nEnabled=1\r\n");
    return Form();
  }
  std::string EngineFile() const { return dir().File("wcrafty.exe"); }
  // The user's move, in coordinates, on the board.
  static void User(TMainForm &f, const std::string &text) { apptest::BoardMove(f, text); }
  // The engine manager, the window's flag, the tick and the labels agree.
  static void ExpectPlay(TMainForm &f, bool playing, bool clocks) {
    EXPECT_EQ(f.EngineMan.IsPlaying(), playing);
    EXPECT_EQ(f.Playing, playing);
    EXPECT_EQ(f.Item("MPlayGame")->isChecked(), playing);
    EXPECT_EQ(f.WhiteClockLbl->isVisibleTo(&f), clocks);
    EXPECT_EQ(f.BlackClockLbl->isVisibleTo(&f), clocks);
  }
  static std::string Label(TMainForm &f, ColorT side) {
    return FromQ((side == cWhite ? f.WhiteClockLbl : f.BlackClockLbl)->text());
  }

  TChessBoard::SleepFunction oldSleep_;
};

TEST_F(EnginePlayTest, TickLabelsAndEngineAgreeOnEveryPath) {
  auto answers = Answer("OK");  // the changed game goes at a new game
  TMainForm &f = FormWithFakeEngine("eof");
  f.Item("MPlayGame")->trigger();
  ExpectPlay(f, true, true);
  // New game during play: play ends; one Play Game plays again.
  f.Item("MNewGame")->trigger();
  ExpectPlay(f, false, false);
  f.Item("MPlayGame")->trigger();
  ExpectPlay(f, true, true);
  // A step during play.
  User(f, "e2e4");
  f.SBPrevClick();
  ExpectPlay(f, false, false);
  f.Item("MPlayGame")->trigger();
  ExpectPlay(f, true, true);
  // Stop Clock: play off, the stopped times stay in view until the next
  // Play Game or new game.
  User(f, "e2e4");
  f.Item("MStopClock")->trigger();
  ExpectPlay(f, false, true);
  EXPECT_EQ(Label(f, cWhite), f.ClockText(cWhite));
  f.Item("MPlayGame")->trigger();
  ExpectPlay(f, true, true);
  f.Item("MStopClock")->trigger();
  f.Item("MNewGame")->trigger();
  ExpectPlay(f, false, false);
}

// An engine that ends at once: one message; Play Game tries one restart,
// whose end is said once more; play stays off and nothing is left running.
TEST_F(EnginePlayTest, AnEngineThatEndsAtOnceNeverPlays) {
  auto answers = Answer("OK");
  TMainForm &f = Scripted("exits.sh");
  ASSERT_TRUE(WaitFor([&] { return dialogs > 0; }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(lastMessage, "Error: chess program exited unexpectedly");
  EXPECT_EQ(ChildProcesses(), 0);
  f.Item("MPlayGame")->trigger();
  ASSERT_TRUE(WaitFor([&] { return dialogs > 1; }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(dialogs, 2);
  ExpectPlay(f, false, false);
  User(f, "e2e4");
  EXPECT_FALSE(f.EngineMan.Clock()->Running());
  EXPECT_EQ(ChildProcesses(), 0);
}

// The engine's program is gone when play starts again: said once, the
// engine is off, the clock adapter holds no freed clock, and the pane shows
// a long comment whole.
TEST_F(EnginePlayTest, AFailedRestartLosesTheEngine) {
  auto answers = Answer("OK");
  TMainForm &f = FormWithFakeEngine("exit:0");
  ASSERT_TRUE(WaitFor([&] { return dialogs > 0; }, 5000));
  auto *timer = dynamic_cast<ClockTimerQt *>(f.findChild<QObject *>("ClockTimer"));
  ASSERT_NE(timer, nullptr);
  ASSERT_EQ(timer->Clock(), f.EngineMan.Clock());
  ASSERT_NE(timer->Clock(), nullptr);
  ASSERT_TRUE(std::filesystem::remove(EngineFile()));
  f.Item("MPlayGame")->trigger();
  EXPECT_EQ(dialogs, 2);
  EXPECT_EQ(lastMessage, SubstituteText(CommonText::S_EngineRestartFailed, "No such file or directory"));
  EXPECT_FALSE(f.EngineEnabled());
  EXPECT_FALSE(f.Item("MEngine")->isVisible());
  ExpectPlay(f, false, false);
  EXPECT_EQ(timer->Clock(), nullptr);
  std::string comment;
  for (int i = 1; i <= 1500; ++i) comment += "line " + std::to_string(i) + "\n";
  f.Game.SetComment(comment + "end");
  f.ShowGame();
  EXPECT_EQ(f.CommentMemo->blockCount(), 1501);
  EXPECT_EQ(f.CommentMemo->document()->firstBlock().text(), "line 1");
}

// A long game of knight moves.
std::string LongGame(int moves) {
  std::string pgn = "[Event \"Long\"]\n[Result \"*\"]\n\n";
  for (int i = 1; i <= moves; ++i) pgn += std::to_string(i) + (i % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
  return pgn + "*\n";
}

// An engine that never reads: the window goes on through many steps, each
// sending the whole game, until the engine is said once not to respond.
TEST_F(EnginePlayTest, AnEngineThatNeverReadsNeverHoldsTheWindow) {
  auto answers = Answer("OK");
  TMainForm &f = Scripted("never_reads.sh");
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString(LongGame(120), LangEnglish, r));
  f.ShowLoadedGame(1, false);
  for (int i = 0; i < 150; ++i) {
    f.SBFirstClick();
    f.SBLastClick();
  }
  EXPECT_EQ(f.Game.PathMoves().Count(), 240);
  QTest::qWait(50);
  EXPECT_EQ(dialogs, 0);
  // On until the queue passes its limit.
  for (int i = 0; i < 3000 && dialogs == 0; ++i) {
    f.SBFirstClick();
    f.SBLastClick();
    if (i % 100 == 0) QTest::qWait(1);
  }
  ASSERT_TRUE(WaitFor([&] { return dialogs > 0; }, 5000));
  QTest::qWait(100);
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(lastMessage, CommonText::S_EngineNotResponding);
  EXPECT_EQ(ChildProcesses(), 0);
  ExpectPlay(f, false, false);
}

// An engine that floods: the pane keeps its newest lines in view, no more
// than its cap; a new game clears it.
TEST_F(EnginePlayTest, AFloodingEngineCostsTheCappedPane) {
  TMainForm &f = Scripted("floods.sh");
  ASSERT_TRUE(WaitFor([&] { return f.CommentMemo->blockCount() >= TMainForm::kEnginePaneLines; }, 5000));
  QTest::qWait(300);
  EXPECT_LE(f.CommentMemo->blockCount(), TMainForm::kEnginePaneLines);
  EXPECT_EQ(f.CommentMemo->document()->lastBlock().text(), "# flooding the output with the same line");
  QScrollBar *bar = f.CommentMemo->verticalScrollBar();
  EXPECT_EQ(bar->value(), bar->maximum());
  f.Item("MNewGame")->trigger();
  EXPECT_TRUE(f.CommentMemo->toPlainText().isEmpty());
}

// Moves the engine sends in force mode, or with play off, change no game.
TEST_F(EnginePlayTest, MovesOutOfTurnChangeNoGame) {
  TMainForm &f = Scripted("force_mover.sh");
  ASSERT_TRUE(WaitFor([&] { return f.CommentMemo->toPlainText().contains("move e2e4"); }, 5000));
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString(LongGame(3), LangEnglish, r));
  f.ShowLoadedGame(1, false);
  QTest::qWait(200);
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  // The window's own check: play off, no move goes in.
  PositionO start;
  start.Reset();
  MoveRec e4;
  ASSERT_TRUE(start.InterpretMove("e2e4", e4));
  start.CompleteMove(e4);
  f.EngineMove(nullptr, e4);
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
}

// Illegal and malformed moves: one message a game naming them; play and
// the clock stop.
TEST_F(EnginePlayTest, BadMovesAreSaidOnceAGame) {
  for (const char *bad : {"e7e4", "E7E5", "e7e5e5"}) {
    SCOPED_TRACE(bad);
    testutil::EnvGuard move("TV_BAD_MOVE", bad);
    dialogs = 0;
    auto answers = Answer("OK");
    TMainForm &f = Scripted("bad_moves.sh");
    f.Item("MPlayGame")->trigger();
    User(f, "e2e4");
    ASSERT_TRUE(WaitFor([&] { return dialogs > 0; }, 5000));
    EXPECT_EQ(lastMessage, SubstituteText(CommonText::S_EngineBadMove, std::string("move ") + bad));
    ExpectPlay(f, false, false);
    EXPECT_FALSE(f.EngineMan.Clock()->Running());
    EXPECT_EQ(f.Game.PathMoves().Count(), 1);
    // Again in this game: play stops, nothing more is said.
    f.Item("MMoveNow")->trigger();
    ASSERT_TRUE(f.EngineMan.IsPlaying());
    ASSERT_TRUE(WaitFor([&] { return !f.EngineMan.IsPlaying(); }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(dialogs, 1);
    ExpectPlay(f, false, false);
    // A new game says it again.
    f.Item("MNewGame")->trigger();
    lastMessage.clear();
    f.Item("MPlayGame")->trigger();
    User(f, "d2d4");
    ASSERT_TRUE(WaitFor([&] { return !lastMessage.empty(); }, 5000));
    EXPECT_EQ(lastMessage, SubstituteText(CommonText::S_EngineBadMove, std::string("move ") + bad));
    FreeForm();
    std::filesystem::remove(EngineFile());
  }
}

// "Enabled" with no engine program: said at start, naming the file.
TEST_F(EnginePlayTest, AMissingEngineIsSaidAtStart) {
  WriteSettings("[Engine]\r\nEnabled=1\r\n");
  auto answers = Answer("OK");
  TMainForm &f = Form();
  ASSERT_TRUE(WaitFor([&] { return dialogs > 0; }, 5000));
  QTest::qWait(50);
  EXPECT_EQ(dialogs, 1);
  EXPECT_NE(lastMessage.find(dirs::GetAppDir() + "wcrafty.exe"), std::string::npos) << lastMessage;
  EXPECT_FALSE(f.Item("MEngine")->isVisible());
}

}  // namespace
