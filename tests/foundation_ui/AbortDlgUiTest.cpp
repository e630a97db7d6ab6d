#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "UiTestApp.h"
#include "foundation/comDlgAbort.h"
#include "foundation/ui/comDlgAbortForm.h"
#include "platform/UiHooks.h"

namespace {

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

// The designed size is where the dialog starts. The progress bracket has a
// line of its own that shows whole, also when the dialog must grow for it;
// the path before it is cut in the middle, keeping its start and its name.
TEST_F(AbortDlgUi, ShowsTheProgressWholeAndElidesThePath) {
  dlg_.Show();
  dlg_.SetCaption("Importing...");
  EXPECT_EQ(form_->size(), TAbortDlg::kStartSize);
  EXPECT_TRUE(form_->CancelBtn()->isDefault());
  const QString progress = "[42%, 12345 Games]";
  const std::string path = "/home/user/Schaak/Toernooien/wijk aan zee 1999/alle ronden met commentaar.pgn";
  const QString head = QString::fromStdString(path + ", (3 of 12) -");
  auto expectShown = [&](const char *shot) {
    SCOPED_TRACE(shot);
    const QLabel *l = form_->Label1();
    const QStringList lines = l->text().split('\n');
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], progress);
    // Cut in the middle: a start and an end of the text before the bracket;
    // of the text after the last "/" when that alone is too wide.
    const QStringList parts = lines[0].split(QChar(0x2026));
    ASSERT_EQ(parts.size(), 2) << lines[0].toStdString();
    const QString name = head.mid(head.lastIndexOf('/') + 1);
    const bool nameWhole = l->fontMetrics().horizontalAdvance(name) <= l->contentsRect().width();
    EXPECT_TRUE(parts[0].size() > 3 && (nameWhole ? head : name).startsWith(parts[0]))
        << lines[0].toStdString();
    EXPECT_TRUE(parts[1].size() > 3 && head.endsWith(parts[1])) << lines[0].toStdString();
    EXPECT_TRUE(!nameWhole || parts[1].endsWith('/' + name)) << lines[0].toStdString();
    // Every line fits the label, and the label and the button the dialog.
    for (const QString &line : lines) EXPECT_LE(l->fontMetrics().horizontalAdvance(line), l->contentsRect().width());
    EXPECT_GE(l->height(), l->sizeHint().height());
    EXPECT_TRUE(form_->rect().contains(l->geometry()));
    EXPECT_TRUE(form_->rect().contains(form_->CancelBtn()->geometry()));
    EXPECT_FALSE(l->geometry().intersects(form_->CancelBtn()->geometry()));
    uitest::Snapshot(form_, shot);
  };
  dlg_.SetMessage(path + ", (3 of 12) - " + progress.toStdString());
  EXPECT_EQ(form_->size(), TAbortDlg::kStartSize);
  expectShown("AbortDlgPath");
  // A font twice as large: the dialog widens to the progress line.
  QFont big = form_->font();
  big.setPointSizeF(big.pointSizeF() * 2.5);
  form_->setFont(big);
  dlg_.SetMessage(path + ", (3 of 12) - " + progress.toStdString());
  EXPECT_GT(form_->width(), TAbortDlg::kStartSize.width());
  expectShown("AbortDlgLargeFont");
  form_->setFont(QFont());
  dlg_.Hide();
  // The next operation starts at the designed size again.
  dlg_.Show();
  dlg_.SetMessage("[7 Games]");
  EXPECT_EQ(form_->size(), TAbortDlg::kStartSize);
  EXPECT_EQ(form_->Label1()->text(), "[7 Games]");
  dlg_.Hide();
}

// A path loses the middle of its folders before any of its file name; the
// name is cut in its middle only when it alone is too wide.
TEST_F(AbortDlgUi, APathKeepsItsFileNameWhole) {
  const QFontMetrics fm(QApplication::font());
  const QString ellipsis(QChar(0x2026));
  const auto fits = [&](const QString &s, int width) { return fm.horizontalAdvance(s) <= width; };
  const QString path = "/home/user/Schaak/Databases/Toernooien/Hoogovens 1999/twic_g150k.pgn";
  const QString name = "twic_g150k.pgn";
  EXPECT_EQ(abortdlg::ElidePath(path, fm, fm.horizontalAdvance(path)), path);
  for (int extra : {fm.horizontalAdvance("/home/us"), fm.horizontalAdvance("/h"), 0}) {
    const int width = fm.horizontalAdvance(ellipsis + "/" + name) + extra;
    const QString shown = abortdlg::ElidePath(path, fm, width);
    EXPECT_TRUE(fits(shown, width)) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith((extra > 0 ? "/" : "") + name)) << shown.toStdString();
    EXPECT_EQ(shown.count(ellipsis), 1) << shown.toStdString();
    EXPECT_TRUE(extra <= fm.horizontalAdvance("/h") || shown.startsWith("/h")) << shown.toStdString();
  }
  // The name alone too wide: its start and its end.
  const int narrow = fm.horizontalAdvance(name) - 1;
  const QString cut = abortdlg::ElidePath(path, fm, narrow);
  const QStringList parts = cut.split(ellipsis);
  ASSERT_EQ(parts.size(), 2) << cut.toStdString();
  EXPECT_TRUE(fits(cut, narrow));
  EXPECT_TRUE(!parts[0].isEmpty() && name.startsWith(parts[0])) << cut.toStdString();
  EXPECT_TRUE(!parts[1].isEmpty() && name.endsWith(parts[1])) << cut.toStdString();
  // Text without a path is cut in its middle.
  const QString plain = "Sorting the names of the players and the events";
  const QString shown = abortdlg::ElidePath(plain, fm, fm.horizontalAdvance(plain) / 2);
  ASSERT_EQ(shown.split(ellipsis).size(), 2);
  EXPECT_TRUE(plain.startsWith(shown.split(ellipsis)[0]) && plain.endsWith(shown.split(ellipsis)[1]));

  // In the dialog, at its designed width.
  dlg_.Show();
  dlg_.SetMessage(path.toStdString() + " [42%, 12345 Games]");
  const QStringList lines = form_->Label1()->text().split('\n');
  ASSERT_EQ(lines.size(), 2);
  EXPECT_TRUE(lines[0].startsWith("/home") && lines[0].endsWith("/" + name)) << lines[0].toStdString();
  uitest::Snapshot(form_, "AbortDlgFileName");
  dlg_.Hide();
}

// The window that was active when the dialog showed is active again when it
// hides, and its focused widget has the keyboard again.
TEST_F(AbortDlgUi, HidingGivesTheKeyboardBackToTheWindowActiveAtTheShow) {
  auto *edit = new QLineEdit(main_.get());
  edit->show();
  main_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  edit->setFocus();
  ASSERT_TRUE(edit->hasFocus());
  dlg_.Show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(form_));
  EXPECT_FALSE(edit->hasFocus());
  dlg_.Hide();
  EXPECT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  EXPECT_EQ(QApplication::activeWindow(), main_.get());
  EXPECT_EQ(QApplication::focusWidget(), edit);
  // Under X the window system may still route keys to a dialog it finished
  // showing after the hide; with no native window left it has none to route.
  EXPECT_EQ(form_->windowHandle(), nullptr);

  // A window the system activates the hidden dialog after all (shown and
  // hidden before it was mapped): the keyboard goes back again.
  QApplication::setActiveWindow(form_);
  ASSERT_EQ(QApplication::activeWindow(), form_);
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::activeWindow(), main_.get());
  EXPECT_EQ(QApplication::focusWidget(), edit);
}

// A file dialog closed just before the show leaves no window active yet: the
// one active before it is meant.
TEST_F(AbortDlgUi, AWindowClosedJustBeforeTheShowCountsAsTheOneBeforeIt) {
  main_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  auto fileDialog = std::make_unique<QWidget>();
  fileDialog->show();
  fileDialog->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(fileDialog.get()));
  fileDialog->hide();
  QApplication::setActiveWindow(nullptr);
  QCoreApplication::processEvents();
  ASSERT_EQ(QApplication::activeWindow(), nullptr);
  dlg_.Show();
  dlg_.Hide();
  EXPECT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  EXPECT_EQ(QApplication::activeWindow(), main_.get());
}

}  // namespace
