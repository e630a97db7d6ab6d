// The preferences dialog on the real main window: options to controls and
// back, the inputs it refuses or bounds, the refreshes of OK, the lists and
// the remembered page.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "AppTestUtil.h"
#include "app/DlgPreferences.h"
#include "board/ui/ChsBrds.h"
#include "foundation/AppText.h"

using apptest::MainFixture;

namespace {

void SelectByData(QComboBox *box, LanguageId id) { box->setCurrentIndex(box->findData(id)); }

class PreferencesTest : public ::testing::Test {
 protected:
  MainFixture fx;
  TMainForm &F() { return fx.Form(); }
  TPreferencesDlg &Dlg() { return *PreferencesDlg; }
  // Runs the preferences command; edit works on the shown dialog, then the
  // button of that name closes it. Dialogs it opens go to other.
  void Run(const std::function<void(TPreferencesDlg &)> &edit, const QString &button = "OKBtn",
           const modal::Answerer &other = {}) {
    F();
    modal::ScopedAnswerer a([&](QDialog &d) {
      auto *p = dynamic_cast<TPreferencesDlg *>(&d);
      if (!p) return other ? other(d) : int(QDialog::Rejected);
      edit(*p);
      return modal::ClickButton(d, button);
    });
    F().Item("MPreferences")->trigger();
  }
};

// Every page in both languages: the title and the page list in the
// language, each page shown with its row chosen and no control without
// its caption; the pictures when TV_SHOT_DIR is set.
TEST_F(PreferencesTest, Snapshots) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    ChessApp.ApplicationLanguage = lang;
    F().ApplyLanguage();
    const bool dutch = lang == LangDutch;
    const std::string suffix = dutch ? "_nl" : "_en";
    int pages = 0;
    Run(
        [&](TPreferencesDlg &d) {
          EXPECT_EQ(d.windowTitle(), dutch ? "Voorkeuren" : "Preferences");
          QStringList list;
          for (int i = 0; i < d.PageList->count(); ++i) list << d.PageList->item(i)->text();
          const QStringList english{"Language", "Board", "Move Entry", "AutoPlay", "Databases", "Open",
                                    "Info Lines", "View", "Toolbar", "Copy Game", "Diagrams", "RTF", "Text/HTML"};
          const QStringList nl{"Taal", "Bord", "Zet invoer", "AutoZet", "Databases", "Openen", "Info regels",
                               "Beeld", "Werkbalk", QString::fromUtf8("Partij kopi\xc3\xabren"), "Diagrammen",
                               "RTF", "Text/HTML"};
          EXPECT_EQ(list, dutch ? nl : english);
          EXPECT_EQ(d.OKBtn->text(), "OK");
          EXPECT_EQ(d.CancelBtn->text(), dutch ? "Annuleren" : "Cancel");
          for (int i = 0; i < d.PageControl->count(); ++i) {
            ++pages;
            d.PageList->setCurrentRow(i);
            apptest::ShowUnsqueezed(d);
            QWidget *page = d.PageControl->widget(i);
            EXPECT_EQ(d.PageControl->currentWidget(), page);
            EXPECT_TRUE(page->isVisible());
            for (auto *b : page->findChildren<QAbstractButton *>()) {
              if (b->isVisible() && !qobject_cast<QToolButton *>(b)) {
                EXPECT_FALSE(b->text().isEmpty()) << page->objectName().toStdString() << "."
                                                  << b->objectName().toStdString();
              }
            }
            uitest::Snapshot(&d, ("prefs_" + page->objectName().toStdString() + suffix).c_str());
          }
        },
        "CancelBtn");
    EXPECT_EQ(pages, 13);
  }
  ChessApp.ApplicationLanguage = LangEnglish;
  F().ApplyLanguage();
}

// Unchecks every button of a group, which the buttons alone never allow.
void UncheckAll(std::initializer_list<QRadioButton *> radios) {
  for (QRadioButton *r : radios) {
    r->setAutoExclusive(false);
    r->setChecked(false);
  }
}

TEST_F(PreferencesTest, ShowThenOKChangesNothing) {
  TMainForm &f = F();
  ChessAppO &o = ChessApp;
  o.ApplicationLanguage = LangDutch;
  f.ApplyLanguage();
  o.InterfaceLanguage = o.CopyLanguage = o.PasteLanguage = LangGerman;
  o.LastMoveNotation = kNotationLongWithNumber;
  o.MoveListNotation = kNotationLong;
  o.PieceType = 6;
  f.Board->SetPieceType(6);
  o.PieceTypeForCopy = 3;
  o.MaterialDifferencePerspective = PerspectiveT::Black;
  o.CopyDiagBottomTextType = DiagramTextTypeT::LastMove;
  o.CopyDiagTopTextType = DiagramTextTypeT::Custom;
  o.CopyGameDiagBottomTextType = DiagramTextTypeT::ColorToMove;
  o.CopyGameDiagTopTextType = DiagramTextTypeT::Players;
  o.CopyDiagUseLabels = o.CopyGameDiagUseLabels = false;
  o.MoveDelay = 1;
  o.MoveBackDelay = 2;
  o.CastleRookMoveDelay = 3;
  o.CastleRookMoveBackDelay = 4;
  f.LoadSettings();
  o.AutoPlayDelay = 2500;
  o.StandardFiles = {"/a/b.pgn", "/a/b.pgn"};
  o.ViewFromPlayersList = {"Anna", "Bert"};
  o.ShowFirstPositionOnLoad = false;
  o.WhiteSquares = 0x00112233;
  o.BlackSquares = 0x00445566;
  BoardColorsO.SetUseWindowsColors(false);
  o.CopyLineLength = 2000;  // past the box's limit
  o.HTMLBorderWidth = 0;
  o.ShowELO = true;
  o.ShowEvent = false;
  f.ShowUnder = f.ShowRight = false;
  f.ShowLeft = true;
  f.ShowStatusbar = false;
  f.ToolbarMan.SetButtonVisible(2, false);
  const ChessAppFields before = o;
  const uint16_t delays[] = {f.Board->MoveDelay(), f.Board->MoveBackDelay(), f.Board->CastleRookMoveDelay(),
                             f.Board->CastleRookMoveBackDelay()};
  std::vector<std::string> calls;
  o.AddBoardListener(this, [&](void *) { calls.push_back("board"); });
  o.AddListListener(this, [&](void *) { calls.push_back("list"); });
  int shown = 0;
  Run([&](TPreferencesDlg &) { ++shown; });
  o.RemoveBoardListener(this);
  o.RemoveListListener(this);
  ASSERT_EQ(shown, 1);
  EXPECT_TRUE(before == static_cast<const ChessAppFields &>(o));
  EXPECT_EQ(o.InterfaceLanguage, LangGerman);
  EXPECT_EQ(o.LastMoveNotation, kNotationLongWithNumber);
  EXPECT_EQ(o.MaterialDifferencePerspective, PerspectiveT::Black);
  EXPECT_EQ(o.CopyDiagTopTextType, DiagramTextTypeT::Custom);
  EXPECT_EQ(o.CopyLineLength, 2000);
  EXPECT_EQ(o.StandardFiles.size(), 2u);
  EXPECT_EQ(f.Board->PieceType(), 6);
  EXPECT_EQ(f.Board->MoveDelay(), delays[0]);
  EXPECT_EQ(f.Board->MoveBackDelay(), delays[1]);
  EXPECT_EQ(f.Board->CastleRookMoveDelay(), delays[2]);
  EXPECT_EQ(f.Board->CastleRookMoveBackDelay(), delays[3]);
  EXPECT_FALSE(BoardColorsO.UseWindowsColors());
  EXPECT_TRUE(f.ShowLeft);
  EXPECT_FALSE(f.ShowUnder || f.ShowRight || f.ShowStatusbar);
  EXPECT_FALSE(f.ToolbarMan.ButtonVisible(2));
  EXPECT_TRUE(f.ToolbarMan.ButtonVisible(1));
  EXPECT_EQ(calls, (std::vector<std::string>{"board", "list"}));
  // Cancel writes nothing back.
  Run([](TPreferencesDlg &d) { d.ShowELOCB->setChecked(false); }, "CancelBtn");
  EXPECT_TRUE(o.ShowELO);
}

TEST_F(PreferencesTest, ControlsToOptions) {
  ChessAppO &o = ChessApp;
  F();
  const uint8_t forCopy = o.PieceTypeForCopy;
  Run([](TPreferencesDlg &d) {
    d.LastMoveNotationCMB->setCurrentIndex(1);
    d.MoveListNotationCMB->setCurrentIndex(1);
    d.FirstRB->setChecked(true);
    // Two buttons checked: the first listed counts.
    UncheckAll({d.CDBTT_NoneRB, d.CDBTT_ColorToMoveRB, d.CDBTT_LastMoveRB, d.CDBTT_CustomRB});
    d.CDBTT_CustomRB->setChecked(true);
    d.CDBTT_LastMoveRB->setChecked(true);
    UncheckAll({d.CDTTT_NoneRB, d.CDTTT_PlayersRB, d.CDTTT_CustomRB});
    UncheckAll(
        {d.MatDiffFromWhiteRB, d.MatDiffFromBlackRB, d.MatDiffFromColorToMoveRB, d.MatDiffFromBoardRB});
    for (QComboBox *c :
         {d.ProgramLanguageCMB, d.InterfaceLanguageCMB, d.PieceStyleForCopyCMB, d.RTFFontNameCmb})
      c->setCurrentIndex(-1);
    d.InterfaceLanguageCMB->setCurrentIndex(-1);
  });
  EXPECT_EQ(o.LastMoveNotation, 3);
  EXPECT_EQ(o.MoveListNotation, 1);
  EXPECT_TRUE(o.ShowFirstPositionOnLoad);
  EXPECT_EQ(o.CopyDiagBottomTextType, DiagramTextTypeT::LastMove);
  EXPECT_EQ(o.CopyDiagTopTextType, DiagramTextTypeT::None);
  EXPECT_EQ(o.MaterialDifferencePerspective, PerspectiveT::Board);
  EXPECT_EQ(o.ApplicationLanguage, LangEnglish);
  EXPECT_EQ(o.InterfaceLanguage, LangEnglish);
  EXPECT_EQ(o.PieceTypeForCopy, forCopy);
  EXPECT_EQ(o.RTFDiagramFontName, "Arial");
  Run([](TPreferencesDlg &d) {
    d.LastMoveNotationCMB->setCurrentIndex(0);
    d.MoveListNotationCMB->setCurrentIndex(0);
    d.LastRB->setChecked(true);
    d.MatDiffFromColorToMoveRB->setChecked(true);
    d.GDTTT_PlayersRB->setChecked(true);
    SelectByData(d.CopyLanguageCMB, LangDutch);
    d.PieceStyleForCopyCMB->setCurrentIndex(1);
  });
  EXPECT_EQ(o.LastMoveNotation, 2);
  EXPECT_EQ(o.MoveListNotation, 0);
  EXPECT_FALSE(o.ShowFirstPositionOnLoad);
  EXPECT_EQ(o.MaterialDifferencePerspective, PerspectiveT::ColorToMove);
  EXPECT_EQ(o.CopyGameDiagTopTextType, DiagramTextTypeT::Players);
  EXPECT_EQ(o.CopyLanguage, LangDutch);
  EXPECT_EQ(o.PieceTypeForCopy, 1);
}

TEST_F(PreferencesTest, NumbersTypedAndHandedIn) {
  ChessAppO &o = ChessApp;
  F();
  o.MoveDelay = 11;
  o.AutoPlayDelay = 1200;
  o.HTMLBorderWidth = 7;
  F().LoadSettings();
  Run([](TPreferencesDlg &d) {
    d.MoveEd->setText("abc");
    d.BackEd->setText("99999999999");
    d.CastleRookMoveEd->setText(" -1");
    d.CastleRookBackEd->setText("+99999");
    d.AutoplayEd->setText("12x");
    // Typed as a user types: the boxes refuse what passes their limits.
    for (QSpinBox *b : {d.AppFontSizeEd, d.FontSizeEd, d.LineLengthEd}) b->selectAll();
    QTest::keyClicks(d.AppFontSizeEd, "150");
    QTest::keyClicks(d.FontSizeEd, "-5");
    QTest::keyClicks(d.LineLengthEd, "1234");
    d.BorderWidthEd->selectAll();
    QTest::keyClick(d.BorderWidthEd, Qt::Key_Backspace);  // emptied
  });
  EXPECT_EQ(o.MoveDelay, 11);
  EXPECT_EQ(o.MoveBackDelay, 10);
  EXPECT_EQ(o.CastleRookMoveDelay, 0);
  EXPECT_EQ(o.CastleRookMoveBackDelay, 100);
  EXPECT_EQ(F().Board->CastleRookMoveBackDelay(), 100);
  EXPECT_EQ(F().Board->ReplayMoveDelay(), 11);
  EXPECT_EQ(F().Board->ReplayPauseDelay(), 250);
  EXPECT_EQ(o.AutoPlayDelay, 1200);
  EXPECT_EQ(o.ApplicationFontSize, 15);
  EXPECT_EQ(o.RTFDiagramFontSize, 5);
  EXPECT_EQ(o.CopyLineLength, 123);
  EXPECT_EQ(o.HTMLBorderWidth, 7);

  // Pauses past the bounds; font sizes of 0 typed.
  for (auto [typed, want] : {std::pair{"0", 100}, std::pair{"1000000", 60000}}) {
    Run([&](TPreferencesDlg &d) {
      d.AutoplayEd->setText(typed);
      for (QSpinBox *b : {d.AppFontSizeEd, d.FontSizeEd, d.RTFGameFontSizeEd}) {
        b->selectAll();
        QTest::keyClicks(b, "0");
      }
    });
    EXPECT_EQ(o.AutoPlayDelay, want);
    EXPECT_EQ(F().AutoPlayTimer->interval(), want);
    EXPECT_EQ(o.ApplicationFontSize, 15);
    EXPECT_EQ(o.RTFDiagramFontSize, 20);
    EXPECT_EQ(o.RTFGameFontSize, 12);
  }
  // Handed in below the boxes' limits.
  o.RTFDiagramFontSize = o.RTFGameFontSize = o.HTMLBorderWidth = o.CopyLineLength = -5;
  Run([](TPreferencesDlg &) {});
  EXPECT_EQ(o.RTFDiagramFontSize, 20);
  EXPECT_EQ(o.RTFGameFontSize, 12);
  EXPECT_EQ(o.HTMLBorderWidth, 1);
  EXPECT_EQ(o.CopyLineLength, 80);
}

TEST_F(PreferencesTest, OnlyAChangedApplicationLanguageRecaptions) {
  TMainForm &f = F();
  f.Item("MOpen")->setText("marker");
  Run([](TPreferencesDlg &d) { SelectByData(d.InterfaceLanguageCMB, LangDutch); });
  EXPECT_EQ(ChessApp.InterfaceLanguage, LangDutch);
  EXPECT_EQ(f.Item("MOpen")->text(), "marker");
  Run([](TPreferencesDlg &d) { SelectByData(d.ProgramLanguageCMB, LangDutch); });
  EXPECT_EQ(f.Item("MOpen")->text(), "&Openen...");
  Run([](TPreferencesDlg &d) {
    EXPECT_EQ(d.windowTitle(), "Voorkeuren");
    EXPECT_EQ(d.PageList->item(0)->text(), "Taal");
    EXPECT_EQ(d.findChild<QLabel *>("ProgramLanguageLbl")->text(), "Programma taal:");
    EXPECT_EQ(d.ProgramLanguageCMB->currentText(), "Nederlands");
    SelectByData(d.ProgramLanguageCMB, LangEnglish);
  });
  EXPECT_EQ(f.Item("MOpen")->text(), "&Open...");
}

TEST_F(PreferencesTest, BoardAndWindowRefreshes) {
  TMainForm &f = F();
  ChessAppO &o = ChessApp;
  o.PieceType = 6;  // Linares (48)
  f.LoadSettings();
  f.ArrangeControls();
  const int width = f.Board->width();
  const int infoLabels = static_cast<int>(f.InfoLabels.size());
  Run([](TPreferencesDlg &d) {
    d.PieceStyleCMB->setCurrentText("Regular");
    d.ToolbarButtonsLB->item(0)->setCheckState(Qt::Unchecked);
    d.ShowEventCB->setChecked(false);
    d.ShowSiteCB->setChecked(false);
    d.ShowRoundCB->setChecked(false);
    d.ShowDateCB->setChecked(false);
    d.ExtraUnderRB->setChecked(true);
  });
  EXPECT_EQ(o.PieceType, 2);  // Regular (40), the nearest in size
  EXPECT_EQ(f.Board->PieceType(), 2);
  EXPECT_LT(f.Board->width(), width);
  EXPECT_EQ(f.Layout.board.w, f.Board->width());
  EXPECT_TRUE(f.ShowUnder);
  EXPECT_FALSE(f.ToolbarMan.ButtonVisible(1));
  EXPECT_LT(static_cast<int>(f.InfoLabels.size()), infoLabels);
  Run([](TPreferencesDlg &d) { d.ToolbarButtonsLB->item(0)->setCheckState(Qt::Checked); });
  EXPECT_TRUE(f.ToolbarMan.ButtonVisible(1));

  // Colours: with the desktop's colours the edited ones do not reach the
  // board; switching them off alone is a change that brings them.
  BoardColorsO.SetUseWindowsColors(true);
  BoardColorsO.SetWhiteSquares(clBtnFace);
  BoardColorsO.SetBlackSquares(clBtnShadow);
  const TColor white = o.WhiteSquares;
  const modal::Answerer pick = [](QDialog &d) {
    auto *c = dynamic_cast<QColorDialog *>(&d);
    if (!c) return int(QDialog::Rejected);
    c->setCurrentColor(QColor(1, 2, 3));
    return int(QDialog::Accepted);
  };
  Run(
      [](TPreferencesDlg &d) {
        d.WhiteColorBtn->click();
        EXPECT_EQ(d.EditWhiteSquares, 0x030201u);
        EXPECT_EQ(d.WhiteSquaresPB->palette().color(QPalette::Window), QColor(1, 2, 3));
      },
      "OKBtn", pick);
  EXPECT_EQ(o.WhiteSquares, white);
  EXPECT_EQ(BoardColorsO.WhiteSquares(), clBtnFace);
  Run([](TPreferencesDlg &d) { d.UseWindowsColorsCB->setChecked(false); });
  EXPECT_FALSE(BoardColorsO.UseWindowsColors());
  EXPECT_EQ(BoardColorsO.WhiteSquares(), white);
  EXPECT_EQ(BoardColorsO.BlackSquares(), o.BlackSquares);
  Run([](TPreferencesDlg &d) { d.UseWindowsColorsCB->setChecked(true); });
  EXPECT_TRUE(BoardColorsO.UseWindowsColors());
  EXPECT_EQ(BoardColorsO.BlackSquares(), clBtnShadow);
}

TEST_F(PreferencesTest, PlayersAndStandardFiles) {
  TMainForm &f = F();
  QString typed;
  bool cancel = false;
  modal::ScopedAnswerer a([&](QDialog &d) {
    if (auto *input = dynamic_cast<QInputDialog *>(&d)) {
      EXPECT_EQ(input->windowTitle(), "New Player");
      input->setTextValue(typed);
      return int(cancel ? QDialog::Rejected : QDialog::Accepted);
    }
    auto &p = dynamic_cast<TPreferencesDlg &>(d);
    EXPECT_FALSE(p.DeletePlayerBtn->isEnabled());
    for (const char *name : {"  Jos\xc3\xa9  ", "JOS\xc3\x89", "", "Anna", "anna"}) {
      typed = QString::fromUtf8(name);
      p.NewPlayerBtn->click();
    }
    cancel = true;
    typed = "Cees";
    p.NewPlayerBtn->click();
    EXPECT_TRUE(p.DeletePlayerBtn->isEnabled());
    for (int i = 0; i < 7; ++i) p.AddStandardFileBtn->click();
    return modal::ClickButton(d, "OKBtn");
  });
  // A file in a folder "jörg" with a Cyrillic name, as the file system has it.
  const std::string dir = fx.dir().File("j\xc3\xb6rg/");
  std::filesystem::create_directory(dir);
  const std::string name = dir + "\xd0\x91\xd0\xb0\xd0\xb7\xd0\xb0.qcx";
  ASSERT_TRUE(f.OpenFile(name));
  fx.beeps = 0;
  f.Item("MPreferences")->trigger();
  EXPECT_EQ(ChessApp.ViewFromPlayersList, (std::vector<std::string>{"Jos\xe9", "Anna"}));
  EXPECT_EQ(ChessApp.StandardFiles, std::vector<std::string>(5, name));
  EXPECT_EQ(fx.beeps, 2);
  EXPECT_EQ(Dlg().StandardFilesLB->item(0)->text(), QFile::decodeName(QByteArray::fromStdString(name)));
  // Deleting.
  {
    modal::ScopedAnswerer b([](QDialog &d) {
      auto &p = dynamic_cast<TPreferencesDlg &>(d);
      p.ViewFromPlayersLB->setCurrentRow(0);
      p.DeletePlayerBtn->click();
      p.ViewFromPlayersLB->setCurrentRow(0);
      p.DeletePlayerBtn->click();
      EXPECT_FALSE(p.DeletePlayerBtn->isEnabled());
      p.StandardFilesLB->setCurrentRow(1);
      p.DeleteStandardFileBtn->click();
      return modal::ClickButton(d, "OKBtn");
    });
    f.Item("MPreferences")->trigger();
  }
  EXPECT_TRUE(ChessApp.ViewFromPlayersList.empty());
  EXPECT_EQ(ChessApp.StandardFiles.size(), 4u);
  ASSERT_TRUE(f.CloseFile());
}

TEST_F(PreferencesTest, ActivePageAndHelp) {
  F().AutoPlayTimer->start(100000);
  Run([](TPreferencesDlg &d) { d.PageList->setCurrentRow(11); }, "CancelBtn");
  EXPECT_FALSE(F().AutoPlayTimer->isActive());
  EXPECT_EQ(Dlg().PageControl->currentWidget()->objectName(), "RTFTS");
  fx.FreeForm();
  EXPECT_NE(fx.ReadSettings().find("[PreferencesDlg]\r\nActivePage=RTFTS\r\n"), std::string::npos);
  F();
  EXPECT_EQ(Dlg().PageControl->currentWidget()->objectName(), "RTFTS");
  EXPECT_EQ(Dlg().PageList->currentRow(), 11);
  fx.FreeForm();
  fx.WriteSettings("[PreferencesDlg]\r\nActivePage=CopyTS\r\n");
  F();
  EXPECT_EQ(Dlg().PageControl->currentWidget()->objectName(), "LanguageTS");
  auto a = fx.Answer("OK");
  Dlg().Main = &F();
  Dlg().HelpBtn->click();
  EXPECT_EQ(fx.lastMessage, "Sorry, help not yet available.");
}

}  // namespace
