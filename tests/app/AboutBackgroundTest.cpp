#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "AppTestUtil.h"
#include "app/DlgAbout.h"
#include "app/FrmBackground.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/QtStr.h"

namespace {

class AboutBackgroundTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  ~AboutBackgroundTest() override { apptest::SetLanguage(LangEnglish); }
  static QStringList Items(const QListWidget *lb) {
    QStringList out;
    for (int i = 0; i < lb->count(); ++i) out << lb->item(i)->text();
    return out;
  }
};

// ---- About box

TEST(AboutVersion, TheReleaseSwitchAddsTheWarningLine) {
  EXPECT_EQ(about::VersionText(true), "1.0 Beta 3\n(February 13, 1999)");
  EXPECT_EQ(about::VersionText(false), "1.0 Beta 3\n(February 13, 1999)\nNOT FOR RELEASE!");
}

TEST_F(AboutBackgroundTest, TheCommandStopsAutoplayAndFillsTheBox) {
  TMainForm &f = Form();
  f.AutoPlayTimer->start(100000);
  int shown = 0;
  modal::ScopedAnswerer a([&](QDialog &d) {
    ++shown;
    auto &box = dynamic_cast<TAboutBox &>(d);
    EXPECT_FALSE(f.AutoPlayTimer->isActive());
    EXPECT_EQ(box.windowTitle(), "About");
    EXPECT_EQ(box.ProductName->text(), "Torvanel");
    EXPECT_EQ(box.VersionLbl->text(), "Version 1.0 Beta 3\n(February 13, 1999)");
    EXPECT_EQ(box.NoticeLbl->text(), ToQ(CommonText::S_AboutNotice));
    EXPECT_EQ(box.OKBtn->text(), "OK");
    // No address is known: both labels stay hidden.
    EXPECT_TRUE(box.InternetLbl->isHidden());
    EXPECT_TRUE(box.EmailLbl->isHidden());
    EXPECT_FALSE(box.ProgramIcon->pixmap().isNull());
    return modal::ClickButton(d, "OKBtn");
  });
  ASSERT_TRUE(f.Item("MAbout")->isEnabled());
  f.Item("MAbout")->trigger();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(AboutBox->isVisible());
}

TEST_F(AboutBackgroundTest, AnAddressShowsItsLabelAndTheDutchCaptions) {
  Form();
  apptest::SetLanguage(LangDutch);
  TAboutBox &box = *AboutBox;
  box.Version = about::VersionText(false);
  box.Product = "Torvanel";
  box.HomePage = "example.org";
  box.EMail.clear();
  box.FormShow();
  EXPECT_EQ(box.windowTitle(), "Over");
  EXPECT_EQ(box.VersionLbl->text(), "Versie 1.0 Beta 3\n(February 13, 1999)\nNOT FOR RELEASE!");
  EXPECT_FALSE(box.InternetLbl->isHidden());
  EXPECT_EQ(box.InternetLbl->text(), "Internet: example.org");
  EXPECT_TRUE(box.EmailLbl->isHidden());
  box.HomePage.clear();
  box.FormShow();
  EXPECT_TRUE(box.InternetLbl->isHidden());
}

TEST_F(AboutBackgroundTest, EscapeClosesTheBox) {
  Form();
  TAboutBox &box = *AboutBox;
  box.FormShow();
  box.show();
  QApplication::processEvents();
  ASSERT_TRUE(box.isVisible());
  QTest::keyClick(&box, Qt::Key_Escape);
  EXPECT_FALSE(box.isVisible());
  EXPECT_EQ(box.result(), QDialog::Rejected);
}

// ---- Background form

const char *kEpd = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - bm e4; id \"a b\";";

TEST_F(AboutBackgroundTest, TheBackgroundFormIsCreatedHidden) {
  Form().show();
  QApplication::processEvents();
  ASSERT_NE(BackgroundFrm, nullptr);
  EXPECT_TRUE(BackgroundFrm->isHidden());
  EXPECT_EQ(BackgroundFrm->parentWidget(), MainForm);
}

TEST_F(AboutBackgroundTest, OperationsOperandsAndTheWayBack) {
  Form();
  TBackgroundFrm &b = *BackgroundFrm;
  b.EpdEd->setText(kEpd);
  b.GetFromEPDClick();
  EXPECT_EQ(Items(b.OperationsLB), QStringList({"bm", "id"}));
  EXPECT_EQ(b.OperationsLB->currentRow(), 0);
  EXPECT_EQ(Items(b.OperandsLB), QStringList({"e4"}));
  // The quotes do not group: the operands split at the blank.
  b.OperationsLB->setCurrentRow(1);
  EXPECT_EQ(Items(b.OperandsLB), QStringList({"\"a", "b\""}));
  b.ConvertToEPDClick();
  EXPECT_EQ(b.ResultEd->text(), kEpd);
  // No row chosen, no operands.
  b.OperationsLB->setCurrentRow(-1);
  EXPECT_TRUE(Items(b.OperandsLB).isEmpty());
  // A text without operations empties both lists.
  b.EpdEd->setText("8/8/8/8/8/8/8/K6k b - -");
  b.GetFromEPDClick();
  EXPECT_TRUE(Items(b.OperationsLB).isEmpty());
  EXPECT_TRUE(Items(b.OperandsLB).isEmpty());
  b.ConvertToEPDClick();
  EXPECT_EQ(b.ResultEd->text(), "8/8/8/8/8/8/8/K6k b - -");
}

TEST_F(AboutBackgroundTest, ARefusedTextBeepsShowsErrorAndKeepsTheLists) {
  Form();
  TBackgroundFrm &b = *BackgroundFrm;
  b.EpdEd->setText(kEpd);
  b.GetFromEPDClick();
  b.OperationsLB->setCurrentRow(1);
  auto a = Answer("OK");
  for (const char *bad : {"not an epd", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - bm e4;",
                          "8/8/8/8/8/8/8/8 w - - bm e4;"}) {
    const int beepsBefore = beeps, dialogsBefore = dialogs;
    b.EpdEd->setText(bad);
    b.GetFromEPDClick();
    EXPECT_EQ(beeps, beepsBefore + 1) << bad;
    EXPECT_EQ(dialogs, dialogsBefore + 1) << bad;
    EXPECT_EQ(lastMessage, "Error") << bad;
    EXPECT_EQ(Items(b.OperationsLB), QStringList({"bm", "id"})) << bad;
    EXPECT_EQ(Items(b.OperandsLB), QStringList({"\"a", "b\""})) << bad;
  }
  // The position is the one read last.
  b.ConvertToEPDClick();
  EXPECT_EQ(b.ResultEd->text(), kEpd);
}

// ---- Pictures

// Both windows in both languages, with what they show checked; the
// pictures when TV_SHOT_DIR is set.
TEST_F(AboutBackgroundTest, Snapshots) {
  Form();
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    apptest::SetLanguage(lang);
    const std::string suffix = lang == LangDutch ? "_nl" : "_en";
    TAboutBox &box = *AboutBox;
    box.Version = about::VersionText(false);
    box.Product = "Torvanel";
    box.HomePage.clear();
    box.EMail.clear();
    box.FormShow();
    apptest::ShowUnsqueezed(box);
    const bool dutch = lang == LangDutch;
    EXPECT_EQ(box.windowTitle(), dutch ? "Over" : "About");
    EXPECT_EQ(box.ProductName->text(), "Torvanel");
    EXPECT_EQ(box.VersionLbl->text(),
              QString(dutch ? "Versie" : "Version") + " 1.0 Beta 3\n(February 13, 1999)\nNOT FOR RELEASE!");
    EXPECT_TRUE(box.OKBtn->isVisible() && box.OKBtn->isEnabled());
    EXPECT_TRUE(box.InternetLbl->isHidden() && box.EmailLbl->isHidden());
    uitest::Snapshot(&box, ("about" + suffix).c_str());
    box.hide();

    // The EPD text there and back: the lists show its operations, the
    // result gives it back unchanged.
    TBackgroundFrm &b = *BackgroundFrm;
    b.EpdEd->setText(kEpd);
    b.GetFromEPDClick();
    EXPECT_EQ(Items(b.OperationsLB), QStringList({"bm", "id"}));
    EXPECT_EQ(Items(b.OperandsLB), QStringList({"e4"}));
    b.ConvertToEPDClick();
    EXPECT_EQ(b.ResultEd->text(), kEpd);
    apptest::ShowUnsqueezed(b);
    EXPECT_EQ(b.windowTitle(), "EPD");
    uitest::Snapshot(&b, ("background" + suffix).c_str());
    b.hide();
  }
}

}  // namespace
