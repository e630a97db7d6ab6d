#include <gtest/gtest.h>

#include <QAction>
#include <QSpinBox>
#include <QTest>

#include "AppTestUtil.h"
#include "engine/ui/DlgEditTime.h"
#include "engine/ui/DlgEditTimeControl.h"
#include "foundation/ui/QtStr.h"

namespace {

class ClockCommandsTest : public ::testing::Test, public apptest::MainFixture {};

TEST_F(ClockCommandsTest, TheDialogsLiveAsLongAsTheMainWindow) {
  Form();
  ASSERT_NE(EditTimeDlg, nullptr);
  ASSERT_NE(EditTimeControlDlg, nullptr);
  EXPECT_EQ(EditTimeControlDlg->TimeControl, TimeControlRec{});
  FreeForm();
  EXPECT_EQ(EditTimeDlg, nullptr);
  EXPECT_EQ(EditTimeControlDlg, nullptr);
}

TEST_F(ClockCommandsTest, WithoutAnEngineNeitherCommandShowsItsDialog) {
  TMainForm &f = Form();
  ASSERT_FALSE(f.EngineEnabled());
  const TimeControlRec before = ChessApp.TimeControl;
  int shown = 0;
  modal::ScopedAnswerer answer([&](QDialog &d) {
    ++shown;
    return modal::ClickButton(d, "OKBtn");
  });
  for (const char *name : {"MTimeControl", "MAdjustTime"}) {
    ASSERT_TRUE(f.IsConnected(name)) << name;
    f.Item(name)->trigger();
  }
  f.MTimeControlClick();
  f.MAdjustTimeClick();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(ChessApp.TimeControl, before);
}

// With an engine: the dialogs act on the manager's clock.
class ClockCommandsEngineTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  // Runs the command with the dialog answered by act, then the button.
  void Run(const char *command, const std::function<void(QDialog &)> &act, const QString &button) {
    modal::ScopedAnswerer answer([&](QDialog &d) {
      if (d.objectName() != "EditTimeDlg" && d.objectName() != "EditTimeControlDlg") {
        ++messages;
        if (auto *l = d.findChild<QLabel *>("Message")) lastText = FromQ(l->text());
        return modal::ClickButton(d, "OK");
      }
      act(d);
      return modal::ClickButton(d, button);
    });
    Form().Item(command)->trigger();
  }
  // A control the clock refuses: forty million minutes of blitz.
  void RunRefusedControl() {
    Run("MTimeControl",
        [](QDialog &d) {
          auto *box = d.findChild<QSpinBox *>("BlitzMEd");
          box->setRange(0, 50'000'000);
          box->setValue(40'000'000);
        },
        "OKBtn");
  }

  // Adjust Time with these boxes typed, then OK.
  void Adjust(std::initializer_list<std::pair<const char *, QString>> boxes) {
    Run("MAdjustTime",
        [&](QDialog &d) {
          for (const auto &[name, keys] : boxes) Type(d.findChild<QSpinBox *>(name), keys);
        },
        "OKBtn");
  }
  static void Type(QSpinBox *box, const QString &keys) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    if (!keys.isEmpty()) QTest::keyClicks(box, keys);
  }
  std::string Label(ColorT side) {
    return FromQ((side == cWhite ? Form().WhiteClockLbl : Form().BlackClockLbl)->text());
  }
  int messages = 0;
  std::string lastText;
};

TEST_F(ClockCommandsEngineTest, TimeControlGoesToTheManagerAndTheOptions) {
  TMainForm &f = FormWithFakeEngine("eof");
  ASSERT_TRUE(f.EngineMan.Active());
  const TimeControlRec before = ChessApp.TimeControl;
  Run("MTimeControl", [](QDialog &d) { Type(d.findChild<QSpinBox *>("BlitzMEd"), "12"); }, "CancelBtn");
  TimeControlRec tc;
  f.EngineMan.GetTimeControl(tc);
  EXPECT_EQ(tc, before);
  EXPECT_EQ(ChessApp.TimeControl, before);

  Run("MTimeControl", [](QDialog &d) { Type(d.findChild<QSpinBox *>("BlitzMEd"), "12"); }, "OKBtn");
  f.EngineMan.GetTimeControl(tc);
  EXPECT_EQ(tc.BlitzTime, 12);
  EXPECT_EQ(ChessApp.TimeControl, tc);
  f.EngineMan.ResetClock();
  EXPECT_EQ(Label(cWhite), "0:12.00");

  // A control the clock refuses: its message, and nothing changes.
  RunRefusedControl();
  EXPECT_EQ(messages, 1);
  TimeControlRec after;
  f.EngineMan.GetTimeControl(after);
  EXPECT_EQ(after, tc);
  EXPECT_EQ(ChessApp.TimeControl, tc);
  EXPECT_EQ(dialogs, 0);
}

TEST_F(ClockCommandsEngineTest, ARefusedTimeControlIsRefusedDuringAGameToo) {
  TMainForm &f = FormWithFakeEngine("eof");
  TimeControlRec tc;
  f.EngineMan.GetTimeControl(tc);
  const TimeControlRec options = ChessApp.TimeControl;
  apptest::BoardMove(f, "e2e4");
  ASSERT_EQ(f.EngineMan.Engine()->Moves().Count(), 1);
  RunRefusedControl();
  EXPECT_EQ(messages, 1);
  TimeControlRec after;
  f.EngineMan.GetTimeControl(after);
  EXPECT_EQ(after, tc);
  EXPECT_EQ(ChessApp.TimeControl, options);
  // The next game starts with the control the manager kept; the one
  // message is the changed game's warning.
  auto answers = Answer("OK");
  f.Item("MNewGame")->trigger();
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(lastMessage, "Game has changed. Changes will be lost!");
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);
  EXPECT_EQ(f.EngineMan.Engine()->Moves().Count(), 0);
  EXPECT_EQ(f.EngineMan.Clock()->GetTimeControlRec(), tc);
}

TEST_F(ClockCommandsEngineTest, AdjustTimeSetsBothClocksOrNeither) {
  TMainForm &f = FormWithFakeEngine("eof");
  Run("MAdjustTime",
      [](QDialog &d) {
        Type(d.findChild<QSpinBox *>("WhiteMEd"), "3");
        Type(d.findChild<QSpinBox *>("BlackHEd"), "1");
      },
      "OKBtn");
  EXPECT_EQ(f.EngineMan.GetSeconds(cWhite), 180);
  EXPECT_EQ(f.EngineMan.GetSeconds(cBlack), 3900);
  EXPECT_EQ(Label(cWhite), "0:03.00");
  EXPECT_EQ(Label(cBlack), "1:05.00");

  // The most a clock holds, raised past it: the range error, and both
  // clocks and labels as they were; an emptied box keeps its value.
  f.EngineMan.SetSeconds(cWhite, 2147483);
  Run("MAdjustTime",
      [](QDialog &d) {
        EXPECT_EQ(d.findChild<QSpinBox *>("WhiteHEd")->value(), 596);
        Type(d.findChild<QSpinBox *>("WhiteMEd"), "59");
        Type(d.findChild<QSpinBox *>("BlackHEd"), "2");
      },
      "OKBtn");
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(f.EngineMan.GetSeconds(cWhite), 2147483);
  EXPECT_EQ(f.EngineMan.GetSeconds(cBlack), 3900);
  EXPECT_EQ(Label(cWhite), "596:31.23");
  EXPECT_EQ(Label(cBlack), "1:05.00");

  f.EngineMan.SetSeconds(cWhite, 100);
  Run("MAdjustTime", [](QDialog &d) { Type(d.findChild<QSpinBox *>("BlackMEd"), ""); }, "OKBtn");
  EXPECT_EQ(messages, 1);
  EXPECT_EQ(f.EngineMan.GetSeconds(cWhite), 100);
  EXPECT_EQ(f.EngineMan.GetSeconds(cBlack), 3900);

  // Black raised past the most: White's new time is refused with it.
  f.EngineMan.SetSeconds(cBlack, 2147483);
  Adjust({{"WhiteMEd", "3"}, {"BlackMEd", "59"}});
  EXPECT_EQ(messages, 2);
  EXPECT_EQ(f.EngineMan.GetSeconds(cWhite), 100);
  EXPECT_EQ(f.EngineMan.GetSeconds(cBlack), 2147483);
}

// Chosen before Play Game, a control applies whole at once; chosen during
// a game, at the next one.
TEST_F(ClockCommandsEngineTest, ATimeControlAppliesWhole) {
  TMainForm &f = FormWithFakeEngine("eof");
  auto choose = [&](const QString &minutes, const QString &increment) {
    Run("MTimeControl",
        [&](QDialog &d) {
          Type(d.findChild<QSpinBox *>("BlitzMEd"), minutes);
          Type(d.findChild<QSpinBox *>("IncrementEd"), increment);
        },
        "OKBtn");
  };
  choose("2", "3");
  EXPECT_EQ(Label(cWhite), "0:02.00");
  f.Item("MPlayGame")->trigger();
  EXPECT_EQ(Label(cWhite), "0:02.00");
  EXPECT_EQ(f.EngineMan.Clock()->GetTimeControlRec().BlitzIncrement, 3);

  choose("4", "0");
  TimeControlRec tc;
  f.EngineMan.GetTimeControl(tc);
  EXPECT_EQ(tc.BlitzTime, 4);
  EXPECT_EQ(f.EngineMan.Clock()->GetTimeControlRec().BlitzIncrement, 3);
  EXPECT_EQ(Label(cWhite), "0:02.00");
  f.Item("MNewGame")->trigger();
  EXPECT_EQ(Label(cWhite), "0:04.00");
  EXPECT_EQ(f.EngineMan.Clock()->GetTimeControlRec().BlitzIncrement, 0);
}

// The clock runs while the dialog is open: a side left as shown keeps the
// time it has at OK; a changed side gets the typed time.
TEST_F(ClockCommandsEngineTest, AdjustTimeKeepsTheRunningSecondsOfAnUnchangedSide) {
  TMainForm &f = FormWithFakeEngine("eof");
  f.Item("MMoveNow")->trigger();  // the engine thinks for White
  ASSERT_TRUE(f.EngineMan.Clock()->Running());
  const int32_t before = f.EngineMan.GetSeconds(cWhite);
  Run("MAdjustTime",
      [](QDialog &d) {
        QTest::qWait(2100);
        Type(d.findChild<QSpinBox *>("BlackMEd"), "7");
      },
      "OKBtn");
  EXPECT_LE(f.EngineMan.GetSeconds(cWhite), before - 2);
  EXPECT_EQ(f.EngineMan.GetSeconds(cBlack), 7 * 60);
}

}  // namespace
