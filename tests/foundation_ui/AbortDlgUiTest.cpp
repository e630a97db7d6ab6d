#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "UiTestApp.h"
#include "foundation/comDlgAbort.h"
#include "foundation/ui/comDlgAbortForm.h"
#include "platform/UiHooks.h"

namespace {

// The widest line of the text word-wrapped to the width.
qreal WidestWrappedLine(const QString &text, const QFont &font, int width) {
  QTextLayout layout(text, font);
  QTextOption opt;
  opt.setWrapMode(QTextOption::WordWrap);
  layout.setTextOption(opt);
  layout.beginLayout();
  qreal widest = 0;
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
    line.setLineWidth(width);
    widest = std::max(widest, line.naturalTextWidth());
  }
  layout.endLayout();
  return widest;
}

class AbortDlgUi : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    old_ = AbortDlgO::InstallFormFactory({});
    InstallAbortDlgForm();
    main_ = std::make_unique<QWidget>();
    other_ = std::make_unique<QWidget>();
    off_ = std::make_unique<QWidget>();
    main_->show();
    other_->show();
    off_->setEnabled(false);  // disabled for reasons of its own
    dlg_.Init();
    form_ = dynamic_cast<TAbortDlg *>(dlg_.Form());
    ASSERT_NE(form_, nullptr);
  }
  void TearDown() override { AbortDlgO::InstallFormFactory(old_); }

  void ExpectOthersDisabled() {
    EXPECT_TRUE(form_->isVisible());
    EXPECT_TRUE(form_->isEnabled());
    EXPECT_TRUE(form_->CancelBtn()->isEnabled());
    EXPECT_FALSE(main_->isEnabled());
    EXPECT_FALSE(other_->isEnabled());
  }
  void ExpectRestored() {
    EXPECT_FALSE(form_->isVisible());
    EXPECT_TRUE(main_->isEnabled());
    EXPECT_TRUE(other_->isEnabled());
    EXPECT_FALSE(off_->isEnabled());
    EXPECT_EQ(form_->windowTitle(), "");
  }

  AbortDlgO::FormFactory old_;
  std::unique_ptr<QWidget> main_, other_, off_;
  AbortDlgO dlg_;  // after the windows: goes first
  TAbortDlg *form_ = nullptr;
};

TEST_F(AbortDlgUi, NestedShowsDisableTheOthersUntilTheLastHide) {
  dlg_.Show();
  dlg_.SetCaption("Importing...");
  dlg_.Show();
  ExpectOthersDisabled();
  dlg_.Hide();
  ExpectOthersDisabled();
  EXPECT_EQ(form_->windowTitle(), "Importing...");
  dlg_.Hide();
  ExpectRestored();
  // A window made during the operation and the pre-disabled one are left alone.
  dlg_.Show();
  auto late = std::make_unique<QWidget>();
  late->show();
  dlg_.Hide();
  EXPECT_TRUE(late->isEnabled());
  ExpectRestored();
}

TEST_F(AbortDlgUi, AThrowingOperationStillRestoresEveryWindow) {
  auto run = [&] {
    AbortShowGuard outer(dlg_);
    AbortShowGuard inner(dlg_);
    ExpectOthersDisabled();
    throw std::runtime_error("write failed");
  };
  EXPECT_THROW(run(), std::runtime_error);
  ExpectRestored();
}

TEST_F(AbortDlgUi, CancelButtonSetsTheFlagAndTheCaptionButTheDialogStays) {
  dlg_.Show();
  EXPECT_EQ(form_->CancelBtn()->text(), "Cancel");
  EXPECT_FALSE(dlg_.Cancelled());
  QTest::mouseClick(form_->CancelBtn(), Qt::LeftButton);
  EXPECT_TRUE(dlg_.Cancelled());
  EXPECT_EQ(form_->windowTitle(), "Canceling...");
  EXPECT_TRUE(form_->isVisible());
  dlg_.Hide();
  ExpectRestored();
}

TEST_F(AbortDlgUi, CloseBoxAndEscapeCancelInsteadOfClosing) {
  dlg_.Show();
  EXPECT_FALSE(form_->close());
  EXPECT_TRUE(dlg_.Cancelled());
  EXPECT_TRUE(form_->isVisible());
  EXPECT_EQ(form_->windowTitle(), "Canceling...");

  dlg_.Hide();
  dlg_.Show();
  EXPECT_FALSE(dlg_.Cancelled());
  QTest::keyClick(form_, Qt::Key_Escape);
  EXPECT_TRUE(dlg_.Cancelled());
  EXPECT_TRUE(form_->isVisible());
  dlg_.Hide();
}

TEST_F(AbortDlgUi, AClickWhileTheLoopRunsStopsItAndKeepsTheWorkDone) {
  ui::Hooks hooks;
  hooks.processMessages = [] { QCoreApplication::processEvents(); };
  ui::Hooks oldHooks = ui::InstallHooks(hooks);
  dlg_.Show();
  dlg_.SetMessage("big.pgn");
  // The click arrives only when the loop lets the messages through.
  QTimer::singleShot(0, form_->CancelBtn(), [this] { form_->CancelBtn()->click(); });
  std::vector<int> done;
  for (int i = 0; i < 100000 && !dlg_.Cancelled(); ++i) {
    done.push_back(i);
    ui::ProcessMessages();
  }
  dlg_.Hide();
  ui::InstallHooks(oldHooks);
  EXPECT_TRUE(dlg_.Cancelled());
  ASSERT_FALSE(done.empty());
  EXPECT_LT(done.size(), 100000u);
  EXPECT_EQ(done.back(), static_cast<int>(done.size()) - 1);
  ExpectRestored();
}

TEST_F(AbortDlgUi, KeepsItsDesignedSize) {
  dlg_.Show();
  dlg_.SetCaption("Importing...");
  dlg_.SetMessage("/home/user/Schaak/Toernooien/wijk aan zee 1999 alle ronden met commentaar.pgn");
  EXPECT_EQ(form_->size(), QSize(239, 95));
  EXPECT_EQ(form_->Label1()->geometry(), QRect(8, 8, 225, 49));
  EXPECT_EQ(form_->CancelBtn()->geometry(), QRect(82, 64, 75, 25));
  EXPECT_TRUE(form_->CancelBtn()->isDefault());
  uitest::Snapshot(form_, "AbortDlg");
  // A path without blanks still wraps inside the label instead of running off.
  const std::string path = "/home/user/Schaak/Toernooien/wijk_aan_zee_1999_alle_ronden.pgn";
  dlg_.SetMessage(path);
  EXPECT_EQ(form_->Label1()->text().toStdString(), path);
  EXPECT_TRUE(form_->Label1()->wordWrap());
  EXPECT_LE(WidestWrappedLine(form_->Label1()->text(), form_->Label1()->font(), 225), 225);
  uitest::Snapshot(form_, "AbortDlgPath");
  dlg_.Hide();
}

}  // namespace
