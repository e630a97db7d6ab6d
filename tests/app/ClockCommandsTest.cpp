#include <gtest/gtest.h>

#include <QAction>

#include "AppTestUtil.h"
#include "engine/ui/DlgEditTime.h"
#include "engine/ui/DlgEditTimeControl.h"

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

}  // namespace
