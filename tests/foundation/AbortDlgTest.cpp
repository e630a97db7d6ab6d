#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "foundation/comDlgAbort.h"
#include "platform/UiHooks.h"

namespace {

// Records what the dialog object asks of its window.
struct FakeForm : AbortFormI {
  int shows = 0, hides = 0;
  int *hideLog = nullptr;  // outlives the form
  bool visible = false;
  std::string caption, message;
  void ShowForm() override {
    ++shows;
    visible = true;
  }
  void HideForm() override {
    ++hides;
    if (hideLog) ++*hideLog;
    visible = false;
    caption.clear();
  }
  void SetFormCaption(const std::string &t) override { caption = t; }
  void SetFormMessage(const std::string &t) override { message = t; }
};

class AbortDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    old_ = AbortDlgO::InstallFormFactory([this](AbortDlgO &) {
      ++made_;
      auto f = std::make_unique<FakeForm>();
      f->hideLog = &hidesSeen_;
      form_ = f.get();
      return f;
    });
  }
  void TearDown() override { AbortDlgO::InstallFormFactory(old_); }

  AbortDlgO::FormFactory old_;
  FakeForm *form_ = nullptr;
  int made_ = 0;
  int hidesSeen_ = 0;
};

TEST_F(AbortDlgTest, NestedShowsOnlyCountAndTheLastHideHides) {
  AbortDlgO dlg;
  dlg.Init();
  ASSERT_NE(form_, nullptr);
  dlg.Show();
  dlg.Show();
  EXPECT_EQ(dlg.ShowCount(), 2);
  EXPECT_EQ(form_->shows, 1);
  dlg.SetCaption("Importing");
  dlg.Hide();
  EXPECT_TRUE(form_->visible);
  EXPECT_EQ(form_->hides, 0);
  EXPECT_TRUE(dlg.IsShowing());
  dlg.Hide();
  EXPECT_FALSE(form_->visible);
  EXPECT_EQ(form_->hides, 1);
  EXPECT_FALSE(dlg.IsShowing());
}

TEST_F(AbortDlgTest, HideWithoutShowDoesNothingAndLaterPairsStillWork) {
  AbortDlgO dlg;
  dlg.Init();
  dlg.Hide();
  EXPECT_EQ(dlg.ShowCount(), 0);
  EXPECT_EQ(form_->hides, 0);
  dlg.Show();
  EXPECT_TRUE(form_->visible);
  dlg.Hide();
  EXPECT_FALSE(form_->visible);
  EXPECT_EQ(dlg.ShowCount(), 0);
}

TEST_F(AbortDlgTest, OnlyTheOutermostShowClearsTheFlag) {
  AbortDlgO dlg;
  dlg.Init();
  dlg.Cancel();
  dlg.Show();
  EXPECT_FALSE(dlg.Cancelled());
  dlg.Show();  // inner operation
  dlg.Cancel();
  dlg.Hide();
  dlg.Show();  // another inner operation keeps the cancel for the outer one
  EXPECT_TRUE(dlg.Cancelled());
  dlg.Hide();
  dlg.Hide();
  EXPECT_TRUE(dlg.Cancelled());  // readable after the operation
}

TEST_F(AbortDlgTest, SecondInitKeepsTheWindow) {
  AbortDlgO dlg;
  dlg.Init();
  FakeForm *first = form_;
  dlg.Cancel();
  dlg.Init();
  EXPECT_EQ(made_, 1);
  EXPECT_EQ(dlg.Form(), first);
  EXPECT_FALSE(dlg.Cancelled());
}

TEST_F(AbortDlgTest, InitWhileShowingDoesNotLeaveTheWindowsDisabled) {
  AbortDlgO dlg;
  dlg.Init();
  dlg.Show();
  dlg.Init();
  EXPECT_FALSE(form_->visible);
  EXPECT_EQ(dlg.ShowCount(), 0);
}

TEST_F(AbortDlgTest, GoingAwayWhileShownHidesTheWindow) {
  {
    AbortDlgO dlg;
    dlg.Init();
    dlg.Show();
    dlg.Show();
  }
  EXPECT_EQ(hidesSeen_, 1);
}

TEST(AbortDlgHeadless, WithoutAWindowTheFlagAndCountStillWork) {
  AbortDlgO::FormFactory old = AbortDlgO::InstallFormFactory({});
  AbortDlgO dlg;
  dlg.Init();
  EXPECT_EQ(dlg.Form(), nullptr);
  dlg.Show();
  dlg.SetMessage("x");
  dlg.Cancel();
  EXPECT_TRUE(dlg.Cancelled());
  dlg.Hide();
  EXPECT_EQ(dlg.ShowCount(), 0);
  AbortDlgO::InstallFormFactory(old);
}

// A long loop as the database runs it: a step, the message queue, the flag.
std::vector<int> LongLoop(AbortDlgO &dlg, int steps, int throwAt = -1) {
  std::vector<int> done;
  AbortShowGuard guard(dlg);
  for (int i = 0; i < steps; ++i) {
    if (i == throwAt) throw std::runtime_error("disk full");
    done.push_back(i);
    ui::ProcessMessages();
    if (dlg.Cancelled()) break;
  }
  return done;
}

TEST_F(AbortDlgTest, CancelStopsTheLoopAndKeepsTheWorkDone) {
  AbortDlgO dlg;
  dlg.Init();
  int pumped = 0;
  ui::Hooks hooks;
  hooks.processMessages = [&] {
    // The user presses Cancel while the fifth step waits for messages.
    if (++pumped == 5) dlg.Cancel();
  };
  ui::Hooks old = ui::InstallHooks(hooks);
  std::vector<int> done = LongLoop(dlg, 100);
  ui::InstallHooks(old);
  EXPECT_EQ(done, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_FALSE(form_->visible);
  EXPECT_EQ(dlg.ShowCount(), 0);
}

TEST_F(AbortDlgTest, AnExceptionInANestedOperationStillHides) {
  AbortDlgO dlg;
  dlg.Init();
  {
    AbortShowGuard outer(dlg);
    EXPECT_THROW(LongLoop(dlg, 10, 3), std::runtime_error);
    EXPECT_TRUE(form_->visible);  // the outer operation still runs
    EXPECT_EQ(dlg.ShowCount(), 1);
  }
  EXPECT_FALSE(form_->visible);
  EXPECT_EQ(dlg.ShowCount(), 0);
}

}  // namespace
