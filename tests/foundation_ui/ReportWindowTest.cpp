#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPointer>
#include <QStatusBar>
#include <QTest>
#include <QTextCursor>

#include "TestUtil.h"
#include "UiTestApp.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/frmszlmt.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

namespace {

std::unique_ptr<ReportO> ABReport() {
  auto r = std::make_unique<ReportO>();
  r->Init();
  r->AddLine("a");
  r->AddNewLine();
  r->AddLine("b");
  return r;
}

class ReportWindow : public ::testing::Test {
 protected:
  void SetUp() override { uitest::App(); }
  std::string SettingsFile() const { return GetIniFileName(); }

  testutil::TempDir tmp_;
  testutil::AppDirGuard appDir_{tmp_.Path()};
};

TEST_F(ReportWindow, FillsItsTextOnlyOnceItIsShown) {
  QPointer<TShowReportDlg> w = ShowReport(ABReport(), "Import report", 0, "");
  ASSERT_TRUE(w);
  EXPECT_TRUE(w->isVisible());
  EXPECT_FALSE(w->isModal());
  EXPECT_FALSE(w->Filled());
  EXPECT_EQ(w->RichEdit()->toPlainText(), "");
  QCoreApplication::processEvents();
  ASSERT_TRUE(w->Filled());
  EXPECT_EQ(w->RichEdit()->toPlainText(), "a\n\nb");
  EXPECT_EQ(w->RichEdit()->document()->blockCount(), 3);
  EXPECT_EQ(w->RichEdit()->textCursor().position(), 0);
  EXPECT_EQ(w->windowTitle(), "Import report");
  EXPECT_TRUE(w->RichEdit()->isReadOnly());
  EXPECT_EQ(w->RichEdit()->lineWrapMode(), QPlainTextEdit::NoWrap);
  uitest::Snapshot(w, "ShowReportDlg");
  w->close();
  uitest::FlushDeletes();
  EXPECT_FALSE(w);
}

TEST_F(ReportWindow, RenderingReplacesTheTextUnderTheHourglass) {
  std::string log;
  ui::Hooks hooks;
  hooks.pushHourglass = [&] { log += "push "; };
  hooks.popCursor = [&] { log += "pop"; };
  ui::Hooks old = ui::InstallHooks(hooks);
  QPlainTextEdit edit;
  edit.setPlainText("old text");
  RenderRichEdit(*ABReport(), &edit);
  ui::InstallHooks(old);
  EXPECT_EQ(edit.toPlainText(), "a\n\nb");
  EXPECT_EQ(log, "push pop");
}

TEST_F(ReportWindow, ShowsWindows1252TextAndAnEmptyReport) {
  auto r = std::make_unique<ReportO>();
  r->AddLine("Caf\xe9 \x80");
  QPointer<TShowReportDlg> w = ShowReport(std::move(r), "Database info", 0, "");
  QPointer<TShowReportDlg> empty = ShowReport(std::make_unique<ReportO>(), "Database info", 0, "");
  QCoreApplication::processEvents();
  EXPECT_EQ(w->RichEdit()->toPlainText(), QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac"));
  EXPECT_TRUE(empty->Filled());
  EXPECT_EQ(empty->RichEdit()->toPlainText(), "");
  delete w;
  delete empty;
}

TEST_F(ReportWindow, EscapeClosesAndFreesTheWindow) {
  QPointer<TShowReportDlg> w = ShowReport(ABReport(), "Import report", 0, "");
  QCoreApplication::processEvents();
  ASSERT_TRUE(w->RichEdit()->hasFocus() || !QApplication::focusWidget());
  QTest::keyClick(w->RichEdit(), Qt::Key_Escape);
  uitest::FlushDeletes();
  EXPECT_FALSE(w);
}

TEST_F(ReportWindow, StoresAndRestoresItsPlacementOnlyWithAKey) {
  QPointer<TShowReportDlg> w = ShowReport(ABReport(), "Import report", 0, "ImportReport");
  QCoreApplication::processEvents();
  w->setGeometry(110, 120, 500, 400);
  w->close();
  uitest::FlushDeletes();
  ASSERT_FALSE(w);
  {
    IniFile ini(SettingsFile());
    EXPECT_EQ(ini.ReadInteger("ImportReport", "Left", -1), 110);
    EXPECT_EQ(ini.ReadInteger("ImportReport", "Top", -1), 120);
    EXPECT_EQ(ini.ReadInteger("ImportReport", "Right", -1), 610);
    EXPECT_EQ(ini.ReadInteger("ImportReport", "Bottom", -1), 520);
    EXPECT_EQ(ini.ReadInteger("ImportReport", "State", -1), 2);
  }
  w = ShowReport(ABReport(), "Import report", 0, "ImportReport");
  QCoreApplication::processEvents();
  EXPECT_EQ(w->geometry(), QRect(110, 120, 500, 400));
  delete w;

  // Without a key: the designed size, and nothing stored.
  w = ShowReport(ABReport(), "Database info", 0, "");
  QCoreApplication::processEvents();
  EXPECT_EQ(w->frameGeometry().size(), QSize(568, 442));  // the designed size, frame included
  w->setGeometry(10, 10, 500, 400);
  delete w;
  IniFile ini(SettingsFile());
  EXPECT_EQ(ini.ReadSections(), std::vector<std::string>{"ImportReport"});
  EXPECT_EQ(ini.ReadInteger("ImportReport", "Left", -1), 110);
}

TEST_F(ReportWindow, GoesWithItsParentAndStillStoresItsPlacement) {
  auto main = std::make_unique<QWidget>();
  main->show();
  QPointer<TShowReportDlg> w = ShowReport(ABReport(), "Import report", 0, "ImportReport", main.get());
  QCoreApplication::processEvents();
  EXPECT_TRUE(w->isWindow());
  w->setGeometry(60, 70, 450, 350);
  main.reset();  // the program ends with the report still open
  EXPECT_FALSE(w);
  IniFile ini(SettingsFile());
  EXPECT_EQ(ini.ReadInteger("ImportReport", "Left", -1), 60);
  EXPECT_EQ(ini.ReadInteger("ImportReport", "Bottom", -1), 420);
}

TEST_F(ReportWindow, CannotBeDraggedBeyondItsLimits) {
  TShowReportDlg w(ABReport(), "Import report", 0, "");
  w.show();
  const QSize frame = TFormSizeLimit::FrameExtra(&w);
  w.resize(100, 100);
  EXPECT_EQ(w.frameGeometry().size(), QSize(400, 300));
  EXPECT_EQ(w.size(), QSize(400, 300) - frame);
  w.resize(3000, 2500);
  EXPECT_EQ(w.frameGeometry().size(), QSize(2000, 2000));
  EXPECT_EQ(w.SizeLimit()->MinWidth(), 400);
}

}  // namespace
