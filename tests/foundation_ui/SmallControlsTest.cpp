#include <gtest/gtest.h>

#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QToolButton>
#include <stdexcept>

#include "TestUtil.h"
#include "UiTestApp.h"
#include "foundation/ui/ListBoxMemoSplitPanels.h"
#include "foundation/ui/MySplitter.h"
#include "foundation/ui/ToolbarMan.h"
#include "foundation/ui/frmszlmt.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

namespace {

// ---- Toolbar layout -------------------------------------------------------

TEST(ArrangeToolbar, HiddenButtonsTakeNoRoomAndEmptyGroupsMakeOneGap) {
  // A, B, separator, C, D with B hidden.
  EXPECT_EQ(ArrangeToolbarButtons({23, 23, 23, 23}, {true, false, true, true}, {2}),
            (std::vector<int>{4, -1, 31, 54}));
  // A, separator, B, separator, C with B hidden: one gap between A and C.
  EXPECT_EQ(ArrangeToolbarButtons({23, 23, 23}, {true, false, true}, {1, 2}), (std::vector<int>{4, -1, 31}));
  // Two separators in a row give one gap too.
  EXPECT_EQ(ArrangeToolbarButtons({20, 30}, {true, true}, {1, 1}), (std::vector<int>{4, 28}));
}

TEST(ArrangeToolbar, LeadingTrailingAndAllHidden) {
  EXPECT_EQ(ArrangeToolbarButtons({20, 30}, {true, true}, {0}), (std::vector<int>{4, 24}));
  EXPECT_EQ(ArrangeToolbarButtons({20, 30}, {true, true}, {2}), (std::vector<int>{4, 24}));
  EXPECT_EQ(ArrangeToolbarButtons({20, 30}, {false, false}, {1}), (std::vector<int>{-1, -1}));
  // The group before a separator is all hidden: no gap before the first shown.
  EXPECT_EQ(ArrangeToolbarButtons({20, 30, 40}, {false, true, true}, {1}), (std::vector<int>{-1, 4, 34}));
  EXPECT_TRUE(ArrangeToolbarButtons({}, {}, {}).empty());
}

class ToolbarManTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    bar_.resize(300, 26);
    const char *names[] = {"SBNew", "SBOpen", "SBSave", "SBFlip"};
    for (const char *n : names) {
      auto *b = new QToolButton(&bar_);
      b->setObjectName(n);
      b->setAutoRaise(true);
      b->setGeometry(0, 2, 23, 22);
      b->setText(QString(n).mid(2, 1));
      b->setToolTip(QString(n).mid(2) + "|Long hint of " + n);
      buttons_.push_back(b);
    }
    man_.SetToolbar(&bar_);
    man_.AddButton(buttons_[0]);
    man_.AddButton(buttons_[1]);
    man_.AddSeparator();
    man_.AddButton(buttons_[2]);
    man_.AddButton(buttons_[3]);
  }
  std::vector<int> Xs() const {
    std::vector<int> xs;
    for (QToolButton *b : buttons_) xs.push_back(b->isHidden() ? -1 : b->x());
    return xs;
  }

  QWidget bar_;  // never shown: Arrange must work before the window appears
  std::vector<QToolButton *> buttons_;
  TToolbarMan man_;
};

TEST_F(ToolbarManTest, ArrangesTheRealButtonsBeforeTheyAreShown) {
  man_.SetButtonVisible(2, false);
  man_.Arrange();
  EXPECT_EQ(Xs(), (std::vector<int>{4, -1, 31, 54}));
  EXPECT_EQ(buttons_[0]->y(), 2);
  uitest::Snapshot(&bar_, "Toolbar");
  EXPECT_EQ(man_.ButtonCount(), 4);
  EXPECT_FALSE(man_.ButtonVisible(2));
  EXPECT_TRUE(man_.ButtonVisible(3));
  EXPECT_EQ(man_.ButtonHint(1), "New");
  EXPECT_EQ(man_.Toolbar(), &bar_);
  EXPECT_THROW(man_.ButtonHint(0), ERangeError);
  EXPECT_THROW(man_.SetButtonVisible(5, true), ERangeError);
}

TEST_F(ToolbarManTest, VisibilityRoundTripsThroughTheSettingsFile) {
  testutil::TempDir tmp;
  const std::string file = tmp.File("torvanel.ini");
  man_.SetButtonVisible(1, false);
  man_.SetButtonVisible(4, false);
  man_.SaveToIni(file, "MainToolbar");
  {
    IniFile ini(file);
    EXPECT_FALSE(ini.ReadBool("MainToolbar", "SBNew.Visible", true));
    EXPECT_TRUE(ini.ReadBool("MainToolbar", "SBOpen.Visible", false));
  }
  for (int i = 1; i <= 4; ++i) man_.SetButtonVisible(i, true);
  man_.LoadFromIni(file, "MainToolbar");
  EXPECT_EQ(Xs(), (std::vector<int>{-1, 4, 31, -1}));  // arranged after loading
}

TEST_F(ToolbarManTest, MissingKeysShowEveryButton) {
  testutil::TempDir tmp;
  tmp.Write("torvanel.ini", "[MainToolbar]\r\nSBSave.Visible=0\r\n[Other]\r\nSBNew.Visible=0\r\n");
  for (int i = 1; i <= 4; ++i) man_.SetButtonVisible(i, false);
  man_.LoadFromIni(tmp.File("torvanel.ini"), "MainToolbar");
  EXPECT_EQ(Xs(), (std::vector<int>{4, 27, -1, 54}));
}

// One row: the buttons past a narrow toolbar go into the overflow button,
// whose menu clicks them; showing or hiding a button arranges again.
TEST_F(ToolbarManTest, ButtonsPastTheWidthOverflow) {
  man_.Arrange();
  EXPECT_TRUE(man_.OverflowButtons().empty());
  EXPECT_TRUE(!man_.OverflowButton() || man_.OverflowButton()->isHidden());
  bar_.resize(60, 26);
  man_.Arrange();
  // New ends at 27 and fits before the overflow button at 42.
  EXPECT_EQ(man_.OverflowButtons(), (std::vector<QAbstractButton *>{buttons_[1], buttons_[2], buttons_[3]}));
  ASSERT_NE(man_.OverflowButton(), nullptr);
  EXPECT_FALSE(man_.OverflowButton()->isHidden());
  EXPECT_GT(man_.OverflowButton()->x(), buttons_[0]->geometry().right());
  for (QAbstractButton *b : man_.OverflowButtons()) EXPECT_GE(b->x(), bar_.width()) << "clipped";
  man_.SetButtonVisible(2, false);
  EXPECT_EQ(man_.OverflowButtons(), (std::vector<QAbstractButton *>{buttons_[2], buttons_[3]}));

  int clicks = 0;
  QObject::connect(buttons_[3], &QToolButton::clicked, [&] { ++clicks; });
  man_.OverflowButton()->click();
  auto *menu = man_.OverflowButton()->findChild<QMenu *>();
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[1]->text(), "Flip");
  menu->actions()[1]->trigger();
  EXPECT_EQ(clicks, 1);
  menu->close();

  bar_.resize(300, 26);
  man_.Arrange();
  EXPECT_TRUE(man_.OverflowButtons().empty());
  EXPECT_TRUE(man_.OverflowButton()->isHidden());
  EXPECT_EQ(Xs(), (std::vector<int>{4, -1, 31, 54}));
}

// ---- Splitter and list/memo panel ----------------------------------------

// Drags the splitter by (dx, dy) with real mouse events.
void Drag(TMySplitter *s, int dx, int dy) {
  const QPoint local(1, 1);
  const QPoint global = s->mapToGlobal(local);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(s, &press);
  const QPoint to = local + QPoint(dx, dy);
  QMouseEvent move(QEvent::MouseMove, to, s->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(s, &move);
  QMouseEvent release(QEvent::MouseButtonRelease, to, s->mapToGlobal(to), Qt::LeftButton, Qt::NoButton,
                      Qt::NoModifier);
  QApplication::sendEvent(s, &release);
}

class PanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    panel_ = new TListBoxMemoSplitPanel(&host_);
    host_.resize(300, 200);
    panel_->resize(300, 200);
    host_.show();
  }
  QWidget host_;
  TListBoxMemoSplitPanel *panel_ = nullptr;
};

TEST_F(PanelTest, StartsStackedWithTheListOnTop) {
  EXPECT_TRUE(panel_->ShowListBox());
  EXPECT_TRUE(panel_->AboveEachOther());
  const int h = panel_->ListBox()->height();
  EXPECT_EQ(panel_->ListBoxHeight(), h);
  EXPECT_EQ(panel_->ListBox()->geometry(), QRect(0, 0, 300, h));
  EXPECT_EQ(panel_->Splitter()->geometry(), QRect(0, h, 300, 3));
  EXPECT_EQ(panel_->Memo()->geometry(), QRect(0, h + 3, 300, 200 - h - 3));
  EXPECT_EQ(panel_->Splitter()->cursor().shape(), Qt::SplitVCursor);
  EXPECT_EQ(panel_->Splitter()->MinSize(), 30);
  EXPECT_EQ(panel_->Splitter()->FindControl(), panel_->ListBox());
  panel_->ListBox()->addItems({"1. e4", "1. d4", "1. c4"});
  panel_->Memo()->setPlainText("A quiet opening move.");
  uitest::Snapshot(panel_, "ListBoxMemoSplitPanel");
}

TEST_F(PanelTest, DraggingResizesTheListWithinTheMinimumSizes) {
  panel_->SetListBoxHeight(60);
  int moved = 0;
  panel_->Splitter()->OnMoved = [&] { ++moved; };
  Drag(panel_->Splitter(), 0, 40);
  EXPECT_EQ(panel_->ListBox()->height(), 100);
  EXPECT_EQ(moved, 1);
  // Down to the memo's minimum: 200 - 30 - 3.
  Drag(panel_->Splitter(), 0, 500);
  EXPECT_EQ(panel_->ListBox()->height(), 167);
  Drag(panel_->Splitter(), 0, -500);
  EXPECT_EQ(panel_->ListBox()->height(), 30);
  Drag(panel_->Splitter(), 0, 0);
  EXPECT_EQ(moved, 3);  // no change, no notification
}

TEST_F(PanelTest, CanResizeMayChangeOrVetoTheSize) {
  panel_->SetListBoxHeight(60);
  panel_->Splitter()->OnCanResize = [](int &size) {
    if (size > 150) return false;
    size = size / 10 * 10;
    return true;
  };
  Drag(panel_->Splitter(), 0, 37);
  EXPECT_EQ(panel_->ListBox()->height(), 90);
  Drag(panel_->Splitter(), 0, 100);  // vetoed: stays
  EXPECT_EQ(panel_->ListBox()->height(), 90);
  panel_->Splitter()->OnCanResize = [](int &size) {
    size = 5;  // below the minimum: raised to it
    return true;
  };
  Drag(panel_->Splitter(), 0, -20);
  EXPECT_EQ(panel_->ListBox()->height(), 30);
}

TEST_F(PanelTest, SideBySideKeepsTheListOnTheRightAndItsFarEdge) {
  panel_->SetListBoxWidth(80);
  panel_->SetAboveEachOther(false);
  EXPECT_EQ(panel_->ListBox()->geometry(), QRect(220, 0, 80, 200));
  EXPECT_EQ(panel_->Splitter()->geometry(), QRect(217, 0, 3, 200));
  EXPECT_EQ(panel_->Memo()->geometry(), QRect(0, 0, 217, 200));
  EXPECT_EQ(panel_->Splitter()->cursor().shape(), Qt::SplitHCursor);
  Drag(panel_->Splitter(), -20, 0);
  EXPECT_EQ(panel_->ListBox()->geometry(), QRect(200, 0, 100, 200));
  EXPECT_EQ(panel_->ListBoxWidth(), 100);
  Drag(panel_->Splitter(), -1000, 0);
  EXPECT_EQ(panel_->ListBox()->width(), 300 - 30 - 3);
}

TEST_F(PanelTest, SwitchingArrangementsRemembersEachSize) {
  panel_->SetListBoxHeight(70);
  panel_->SetAboveEachOther(false);
  EXPECT_EQ(panel_->ListBox()->width(), 30);  // remembered width starts tiny
  EXPECT_EQ(panel_->ListBoxHeight(), 70);
  panel_->SetListBoxWidth(90);
  panel_->SetAboveEachOther(true);
  EXPECT_EQ(panel_->ListBox()->height(), 70);
  EXPECT_EQ(panel_->ListBoxWidth(), 90);
  panel_->SetAboveEachOther(true);  // no change
  EXPECT_EQ(panel_->ListBox()->height(), 70);
  panel_->SetAboveEachOther(false);
  EXPECT_EQ(panel_->ListBox()->width(), 90);
}

TEST_F(PanelTest, HidingTheListHidesTheSplitterAndTheMemoFills) {
  panel_->SetShowListBox(false);
  EXPECT_TRUE(panel_->ListBox()->isHidden());
  EXPECT_TRUE(panel_->Splitter()->isHidden());
  EXPECT_EQ(panel_->Memo()->geometry(), QRect(0, 0, 300, 200));
  panel_->SetShowListBox(true);
  EXPECT_FALSE(panel_->Splitter()->isHidden());
  EXPECT_EQ(panel_->Memo()->y(), panel_->ListBox()->height() + 3);
}

TEST(MySplitter, WithoutANeighbourNothingHappens) {
  uitest::App();
  QWidget parent;
  parent.resize(200, 100);
  auto *s = new TMySplitter(&parent);
  s->SetAlign(TAlign::Left);
  s->setGeometry(50, 0, 3, 100);
  EXPECT_EQ(s->FindControl(), nullptr);
  Drag(s, 20, 0);
  EXPECT_FALSE(s->Dragging());
  EXPECT_EQ(s->geometry(), QRect(50, 0, 3, 100));
}

// ---- Form size limit -------------------------------------------------------

TEST(FormSizeLimit, OwnerMustBeAWindow) {
  uitest::App();
  QWidget form;
  QWidget child(&form);
  try {
    TFormSizeLimit bad(&child);
    FAIL();
  } catch (const std::invalid_argument &e) {
    EXPECT_STREQ(e.what(), "A Form must be the owner");
  }
  EXPECT_THROW(TFormSizeLimit(nullptr), std::invalid_argument);
}

TEST(FormSizeLimit, LimitsTheSizeWhileActive) {
  uitest::App();
  QWidget form;
  auto *limit = new TFormSizeLimit(&form);
  limit->SetMinWidth(400);
  limit->SetMinHeight(300);
  form.show();
  // The limits are those of the whole window, frame included.
  const QSize frame = TFormSizeLimit::FrameExtra(&form);
  form.resize(100, 100);
  EXPECT_EQ(form.size(), QSize(400, 300) - frame);
  form.resize(5000, 5000);  // no maximum set: free
  EXPECT_EQ(form.size(), QSize(5000, 5000));
  limit->SetMaxWidth(800);
  limit->SetMaxHeight(600);
  EXPECT_EQ(form.size(), QSize(800, 600) - frame);
  limit->SetMinActive(false);
  form.resize(100, 100);
  EXPECT_EQ(form.size(), QSize(100, 100));
  limit->SetMinActive(true);
  limit->SetMaxActive(false);
  form.resize(1000, 1000);
  EXPECT_EQ(form.size(), QSize(1000, 1000));
  limit->SetActive(false);
  form.resize(50, 50);
  EXPECT_EQ(form.size(), QSize(50, 50));
}

TEST(FormSizeLimit, SizesAreSixteenBitAndARefusedValueChangesNothing) {
  uitest::App();
  QWidget form;
  auto *limit = new TFormSizeLimit(&form);
  limit->SetMinWidth(65535);
  EXPECT_EQ(limit->MinWidth(), 65535);
  limit->SetMinWidth(400);
  EXPECT_THROW(limit->SetMinWidth(65536), ERangeError);
  EXPECT_THROW(limit->SetMaxHeight(-1), ERangeError);
  EXPECT_EQ(limit->MinWidth(), 400);
  EXPECT_EQ(limit->MaxHeight(), 0);
  EXPECT_EQ(form.minimumWidth(), 400);
}

TEST(FormSizeLimit, CountsTheWindowFrame) {
  uitest::App();
  QWidget form;
  EXPECT_EQ(TFormSizeLimit::FrameExtra(&form), QSize(0, 0));  // not shown yet
  auto *limit = new TFormSizeLimit(&form);
  limit->SetMinWidth(400);
  limit->SetMinHeight(300);
  form.show();
  const QSize frame = TFormSizeLimit::FrameExtra(&form);
  form.resize(10, 10);
  EXPECT_EQ(form.frameGeometry().size(), QSize(400, 300));
  EXPECT_EQ(form.size(), QSize(400, 300) - frame);
}

}  // namespace
