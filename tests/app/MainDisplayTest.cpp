#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>

#include "AppTestUtil.h"
#include "board/ui/ChsBrds.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
#include "foundation/CommonText.h"
#include "foundation/ui/Glyphs.h"
#include "foundation/ui/ListBoxMemoSplitPanels.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"

namespace {

// Variations, comments and NAGs; an "&" in the header.
const char *kGame =
    "[Event \"Club & Co\"]\n[Site \"Utrecht\"]\n[Date \"2001.05.??\"]\n[Round \"3\"]\n"
    "[White \"Jansen\"]\n[Black \"de Vries\"]\n[Result \"1-0\"]\n[WhiteElo \"1850\"]\n"
    "[BlackElo \"1720\"]\n[ECO \"C20\"]\n\n"
    "1. e4 {King's pawn} (1. d4 d5 {solid}) 1... e5 $1 $14 {good} 2. Nf3 Nc6 (2... d6) 3. Bb5 a6 1-0\n";

class MainDisplayTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  TMainForm &Loaded(const char *pgn = kGame) {
    TMainForm &f = Form();
    ParseResultT r;
    EXPECT_TRUE(f.Game.ReadFromString(pgn, LangEnglish, r));
    Sync();
    f.ShowInfoLines();
    return f;
  }
  // The board follows the game, as stepping will do.
  void Sync() {
    TMainForm &f = Form();
    f.Board->SetPosition(&f.Game.StartPosition(), &f.Game.PathMoves());
    f.ShowGame();
  }
  QStringList Entries() {
    QStringList l;
    for (int i = 0; i < Form().AlternativesLB->count(); ++i) l << Form().AlternativesLB->item(i)->text();
    return l;
  }
  std::vector<std::string> InfoTexts() {
    std::vector<std::string> t;
    for (QLabel *l : Form().InfoLabels) t.push_back(FromQ(l->text()));
    return t;
  }
};

TEST_F(MainDisplayTest, AlternativesAndTheHiddenGameMove) {
  TMainForm &f = Loaded();
  EXPECT_EQ(Entries(), (QStringList{"e4 King's pawn", "d4"}));
  EXPECT_EQ(f.AlternativesLB->currentRow(), 0);
  f.Game.SetSelectedChild(2);
  f.ShowGame();
  EXPECT_EQ(f.AlternativesLB->currentRow(), 1);

  // Only viewing, without the game move: the main line's next move hides.
  f.Item("MViewOnly")->setChecked(true);
  ChessApp.ShowGameMove = false;
  f.ShowGame();
  EXPECT_EQ(Entries(), (QStringList{"...", "d4"}));
  // In a variation the move shows.
  ASSERT_TRUE(f.Game.GoForward(2));
  Sync();
  EXPECT_EQ(Entries(), (QStringList{"d5 solid"}));
  ChessApp.ShowGameMove = true;
  f.Game.GoToStart();
  Sync();
  EXPECT_EQ(Entries()[0], "e4 King's pawn");
}

TEST_F(MainDisplayTest, LabelsAndResult) {
  TMainForm &f = Loaded();
  EXPECT_EQ(f.LastMoveLbl->text(), "");
  EXPECT_EQ(f.ResultLbl->text(), "");
  f.Game.GoToLineEnd();
  Sync();
  EXPECT_EQ(f.LastMoveLbl->text(), "3. ... a6");
  EXPECT_EQ(f.ResultLbl->text(), "1-0");
  // The end of a variation is no end of the game.
  f.Game.GoToStart();
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(2));
  Sync();
  EXPECT_EQ(f.Game.ChildCount(), 0);
  EXPECT_EQ(f.ResultLbl->text(), "");
  // Never in try-out mode.
  f.Game.GoToLineEnd();
  f.Game.GoToStart();
  f.Game.GoToLineEnd();
  f.DisplayMode = dmTryOut;
  f.ShowGame();
  EXPECT_EQ(f.ResultLbl->text(), "");
  f.DisplayMode = dmEdit;

  ChessApp.ShowColorToMove = true;
  f.ShowGame();
  EXPECT_EQ(f.ColorToMoveLbl->text(), "W");
  ChessApp.InterfaceLanguage = LangDutch;
  f.ShowGame();
  EXPECT_EQ(f.ColorToMoveLbl->text(), "W");  // Dutch "wit"
  ChessApp.InterfaceLanguage = LangEnglish;
  ChessApp.ShowLastMove = false;
  f.ShowGame();
  EXPECT_EQ(f.LastMoveLbl->text(), "");
  ChessApp.ShowLastMove = true;
}

TEST_F(MainDisplayTest, CommentPaneWithNagsAndColours) {
  TMainForm &f = Loaded();
  const QColor base = f.palette().color(QPalette::Base);
  const QColor button = f.palette().color(QPalette::Button);
  EXPECT_EQ(f.CommentMemo->toPlainText(), "");
  EXPECT_EQ(f.CommentMemo->palette().color(QPalette::Base), button);
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(1));
  Sync();
  EXPECT_EQ(FromQ(f.CommentMemo->toPlainText()), NagText(1) + "\n" + NagText(14) + "\ngood");
  EXPECT_EQ(f.CommentMemo->palette().color(QPalette::Base), base);
  // In try-out mode the pane keeps what it showed.
  f.Game.GoBack();
  f.DisplayMode = dmTryOut;
  f.ShowGame();
  EXPECT_EQ(FromQ(f.CommentMemo->toPlainText()), NagText(1) + "\n" + NagText(14) + "\ngood");
  f.DisplayMode = dmEdit;
  f.ShowGame();
  EXPECT_EQ(f.CommentMemo->toPlainText(), "King's pawn");
}

TEST_F(MainDisplayTest, InfoLines) {
  TMainForm &f = Loaded();
  // Event and site share the first line; the players the second.
  EXPECT_EQ(InfoTexts(), (std::vector<std::string>{"Club & Co (3)", "Utrecht 2001.05", "Jansen - de Vries"}));
  ChessApp.ShowELO = true;
  ChessApp.ShowECO = true;
  f.BuildInfoLines();
  f.ArrangeControls();
  f.ShowInfoLines();
  EXPECT_EQ(InfoTexts(), (std::vector<std::string>{"Club & Co (3)", "Utrecht 2001.05", "C20",
                                                   "Jansen (1850) - de Vries (1720)"}));
  // The "&" shows as it is.
  EXPECT_EQ(f.InfoLabels[0]->text(), "Club & Co (3)");
  // Every part within the bevel.
  for (QLabel *l : f.InfoLabels) {
    EXPECT_GE(l->x(), f.BoardBevel->x());
    EXPECT_LE(l->x() + l->width(), f.BoardBevel->x() + f.BoardBevel->width());
  }
  ChessApp.ShowELO = false;
  ChessApp.ShowECO = false;
}

TEST_F(MainDisplayTest, FigurinesWhenTheFontHasThem) {
  TMainForm &f = Loaded();
  EXPECT_EQ(f.DisplayLanguage(), LangEnglish);
  ChessApp.UseFigurines = true;
  EXPECT_EQ(f.DisplayLanguage(), LangEnglish);  // the font has none
  ChessFontInfoRec font;
  font.hasFigurines = true;
  for (int p = 1; p <= 6; ++p) font.figurines[p][0] = 'p' + p;  // q r s t u v
  SetFigurineChars(font);
  ChessApp.ApplicationFontHasFigurines = true;
  EXPECT_EQ(f.DisplayLanguage(), LangSymbolic);
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(1));
  Sync();
  EXPECT_EQ(Entries(), (QStringList{"rf3"}));  // the knight's figurine
  ChessApp.UseFigurines = false;
  ChessApp.ApplicationFontHasFigurines = false;
  f.ShowGame();
  EXPECT_EQ(Entries(), (QStringList{"Nf3"}));
}

// The comment and NAG commands follow the mode and the view-only item.
TEST_F(MainDisplayTest, CommentCommandRule) {
  TMainForm &f = Loaded();
  EXPECT_TRUE(f.CommentCommandsAllowed());
  f.Item("MViewOnly")->setChecked(true);
  EXPECT_FALSE(f.CommentCommandsAllowed());
  f.Item("MViewOnly")->setChecked(false);
  f.DisplayMode = dmTryOut;
  EXPECT_FALSE(f.CommentCommandsAllowed());
  for (uint8_t mode : {dmEdit, dmViewOnly, dmTryOut}) {
    for (bool viewOnly : {false, true}) {
      f.DisplayMode = mode;
      f.Item("MViewOnly")->setChecked(viewOnly);
      f.ShowGame();
      const bool on = mode != dmTryOut && !viewOnly;
      for (const char *n : {"MComment", "MNags", "MNags1ShortCut", "MNags2ShortCut"})
        EXPECT_EQ(f.Item(n)->isEnabled(), on) << n;
      for (const char *n : {"SBComment", "SBNags1", "SBNags2"})
        EXPECT_EQ(f.findChild<QWidget *>(n)->isEnabled(), on) << n;
    }
  }
  f.DisplayMode = dmEdit;
  f.Item("MViewOnly")->setChecked(false);
}

TEST_F(MainDisplayTest, CoordinatesFollowTheBoard) {
  TMainForm &f = Loaded();
  ChessApp.ShowCoordinates = true;
  f.ArrangeControls();
  auto texts = [&](const std::array<QLabel *, 8> &a) {
    std::string s;
    for (QLabel *l : a) s += FromQ(l->text());
    return s;
  };
  EXPECT_EQ(texts(f.FileLabels), "abcdefgh");
  EXPECT_EQ(texts(f.RankLabels), "87654321");
  EXPECT_TRUE(f.FileLabels[0]->isVisibleTo(&f));
  // The labels stand in the margins, outside the bevel.
  EXPECT_LE(f.FileLabels[0]->geometry().bottom(), f.BoardBevel->y());
  EXPECT_GE(f.FileLabels[0]->y(), 0);
  EXPECT_LE(f.RankLabels[0]->geometry().right(), f.BoardBevel->x());
  EXPECT_GE(f.RankLabels[0]->x(), 0);
  f.Board->Flip();
  f.PlaceCoordinateLabels();
  EXPECT_EQ(texts(f.FileLabels), "hgfedcba");
  EXPECT_EQ(texts(f.RankLabels), "12345678");
  // Each file label sits over its own column.
  const int sq = f.Board->width() / 8;
  EXPECT_EQ(f.FileLabels[3]->x() + f.FileLabels[3]->width() / 2, f.Board->x() + 3 * sq + sq / 2);
  ChessApp.ShowCoordinates = false;
}

TEST_F(MainDisplayTest, Toolbar) {
  WriteSettings("[MainToolbar]\r\nSBFlip.Visible=0\r\n");
  TMainForm &f = Form();
  auto *flip = f.findChild<QToolButton *>("SBFlip");
  ASSERT_NE(flip, nullptr);
  EXPECT_TRUE(flip->isHidden());
  EXPECT_FALSE(f.findChild<QToolButton *>("SBNew")->isHidden());
  EXPECT_EQ(f.findChild<QToolButton *>("SBSave"), nullptr);  // not in the toolbar
  EXPECT_EQ(f.findChild<QToolButton *>("SBNew")->toolTip(), "New database");
  EXPECT_EQ(f.findChild<QToolButton *>("SBSearchGames")->toolTip(), "Search games");
  ChessApp.ApplicationLanguage = LangDutch;
  f.ApplyLanguage();
  EXPECT_EQ(f.findChild<QToolButton *>("SBFlip")->toolTip(), "Bord draaien");
  ChessApp.ApplicationLanguage = LangEnglish;
  f.ApplyLanguage();
  // The glyphs come from the resources, at both sizes.
  const QIcon icon = myui::LoadGlyph("FlipBoard");
  ASSERT_FALSE(icon.isNull());
  EXPECT_EQ(icon.availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));
  EXPECT_FALSE(flip->icon().isNull());
  EXPECT_TRUE(myui::LoadGlyph("NoSuchGlyph").isNull());

  f.ToolbarMan.SetButtonVisible(f.ToolbarMan.ButtonCount(), true);
  f.ToolbarMan.SetButtonVisible(1, false);
  FreeForm();
  IniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("MainToolbar", "SBFlip.Visible", ""), "1");
  EXPECT_EQ(ini.ReadString("MainToolbar", "SBNew.Visible", ""), "0");
}

// Long event and site texts end in an ellipsis and keep a gap between
// them; the alternatives list shows two rows above its scroll bar.
TEST_F(MainDisplayTest, LongInfoTextsElideAndTheListKeepsTwoRows) {
  const std::string event(80, 'E'), site(80, 'S');
  TMainForm &f = Loaded(("[Event \"" + event + "\"]\n[Site \"" + site + "\"]\n[Result \"*\"]\n\n1. e4 *\n").c_str());
  ASSERT_GE(f.InfoLabels.size(), 2u);
  QLabel *left = f.InfoLabels[0], *right = f.InfoLabels[1];
  const QChar ellipsis(0x2026);
  EXPECT_TRUE(left->text().endsWith(ellipsis)) << FromQ(left->text());
  EXPECT_TRUE(right->text().endsWith(ellipsis)) << FromQ(right->text());
  const QFontMetrics fm(f.TopLinePanel->font());
  const int leftEnd = left->x() + fm.horizontalAdvance(left->text());
  const int rightStart = right->geometry().right() + 1 - fm.horizontalAdvance(right->text());
  EXPECT_GE(rightStart - leftEnd, fm.horizontalAdvance(' ')) << "a gap between the texts";

  f.AlternativesCommentPanel->SetListBoxHeight(10);
  f.ArrangeControls();
  const int row = QFontMetrics(f.AlternativesLB->font()).height();
  EXPECT_GE(f.AlternativesCommentPanel->ListBoxHeight(),
            2 * row + f.AlternativesLB->horizontalScrollBar()->sizeHint().height());
}

// The window manager's size is kept: a resize and a maximise stay, the
// panels fill the window, and a new board size while maximised keeps the
// state. Without the extra panel the size is the layout's own.
TEST_F(MainDisplayTest, ResizeAndMaximiseKeepTheSizeAndTheState) {
  TMainForm &f = Loaded();
  f.show();
  QCoreApplication::processEvents();
  const QSize own = f.size();
  const QSize bigger(own.width() + 120, own.height() + 90);
  f.resize(bigger);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.size(), bigger);
  EXPECT_EQ(f.StatusBar->geometry().bottom() + 1, f.Client->height());
  EXPECT_EQ(f.ExtraPanel->geometry().right() + 1, f.width());
  EXPECT_EQ(f.Toolbar->width(), f.width());

  f.setWindowState(Qt::WindowMaximized);
  QCoreApplication::processEvents();
  const QSize maximised = f.size();
  EXPECT_TRUE(f.isMaximized());
  f.ArrangeControls();  // as a new board size or view flag does
  QCoreApplication::processEvents();
  EXPECT_TRUE(f.isMaximized());
  EXPECT_EQ(f.size(), maximised);
  EXPECT_EQ(f.ExtraPanel->geometry().right() + 1, f.width());

  f.setWindowState(Qt::WindowNoState);
  f.ShowExtraPanel = false;
  f.ArrangeControls();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.minimumSize(), f.maximumSize()) << "a fixed size, which cannot be maximised";
  f.ShowExtraPanel = true;
  f.ArrangeControls();
}

// In every panel layout each shown toolbar button can be reached: it
// stands whole before the overflow button, or the overflow holds it.
TEST_F(MainDisplayTest, EveryToolbarButtonCanBeReached) {
  TMainForm &f = Loaded();
  struct Case {
    bool extra, under, right, left;
  };
  bool overflowSeen = false;
  for (const Case c : {Case{true, false, true, false}, Case{true, true, false, false},
                       Case{true, false, false, true}, Case{false, false, true, false}}) {
    f.ShowExtraPanel = c.extra;
    f.ShowUnder = c.under;
    f.ShowRight = c.right;
    f.ShowLeft = c.left;
    f.ArrangeControls();
    const std::vector<QAbstractButton *> over = f.ToolbarMan.OverflowButtons();
    QToolButton *more = f.ToolbarMan.OverflowButton();
    const bool overflowShown = more && !more->isHidden();
    EXPECT_EQ(overflowShown, !over.empty());
    const int edge = overflowShown ? more->x() : f.Toolbar->width();
    int shown = 0;
    for (int i = 1; i <= f.ToolbarMan.ButtonCount(); ++i) shown += f.ToolbarMan.ButtonVisible(i);
    int whole = 0;
    for (QToolButton *b : f.Toolbar->findChildren<QToolButton *>()) {
      if (b == more || b->isHidden()) continue;
      const bool held = std::find(over.begin(), over.end(), b) != over.end();
      if (!held) {
        EXPECT_LE(b->geometry().right(), edge) << FromQ(b->objectName());
        ++whole;
      } else {
        EXPECT_GE(b->x(), f.Toolbar->width()) << FromQ(b->objectName());
      }
    }
    EXPECT_EQ(whole + static_cast<int>(over.size()), shown);
    if (!c.extra) {
      overflowSeen = true;
      const std::vector<std::string> names = [&] {
        std::vector<std::string> v;
        for (QAbstractButton *b : over) v.push_back(FromQ(b->objectName()));
        return v;
      }();
      EXPECT_NE(std::find(names.begin(), names.end(), "SBFlip"), names.end()) << "the board panel is too narrow";
    }
  }
  EXPECT_TRUE(overflowSeen);
  f.ShowExtraPanel = true;
  f.ShowUnder = f.ShowLeft = false;
  f.ShowRight = true;
  f.ArrangeControls();
}

// The windows as a user sees them, for $TV_SHOT_DIR.
TEST_F(MainDisplayTest, Snapshots) {
  TMainForm &f = Loaded();
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(1));
  Sync();
  f.show();
  uitest::Snapshot(&f, "main-default");
  EXPECT_GT(f.Layout.extraPanel.w, 0);

  f.ShowUnder = true;
  f.ArrangeControls();
  uitest::Snapshot(&f, "main-under");
  EXPECT_EQ(f.ExtraPanel->y(), f.ControlPanel->y() + f.ControlPanel->height());
  f.ShowUnder = false;
  f.ShowRight = false;
  f.ShowLeft = true;
  f.ArrangeControls();
  uitest::Snapshot(&f, "main-left");
  EXPECT_EQ(f.BoardPanel->x(), f.ExtraPanelWidth);

  f.ShowLeft = false;
  f.ShowRight = true;
  ChessApp.ShowCoordinates = true;
  f.Board->Flip();
  f.ArrangeControls();
  uitest::Snapshot(&f, "main-coordinates-flipped");
  ChessApp.ShowCoordinates = false;
  f.Board->Flip();

  // A try-out line of two moves after the game's, of which the board
  // made one: the try-out list is the board's whole move list.
  MoveRec m;
  f.Board->BuildMove(7, 1, 6, 3, 0, m);
  f.Board->DoMove(m);
  MoveListO tryout;
  tryout.Assign(f.Board->MoveList());
  f.Board->BuildMove(2, 8, 3, 6, 0, m);
  tryout.Add(m);
  f.TryOutMoves.Assign(tryout);
  f.DisplayMode = dmTryOut;
  f.SBTryOut->show();
  f.ResultLbl->hide();
  f.ShowGame();
  EXPECT_EQ(Entries(), (QStringList{"Nc6"}));
  EXPECT_EQ(f.LastMoveLbl->text(), "2. Nf3");
  uitest::Snapshot(&f, "main-tryout");
  f.DisplayMode = dmEdit;

  ChessApp.ApplicationLanguage = LangDutch;
  ChessApp.InterfaceLanguage = LangDutch;
  f.ApplyLanguage();
  f.Board->SetLanguage(LangDutch);
  Sync();
  EXPECT_EQ(Entries(), (QStringList{"Pf3"}));
  uitest::Snapshot(&f, "main-dutch");
  ChessApp.ApplicationLanguage = LangEnglish;
  ChessApp.InterfaceLanguage = LangEnglish;
}

}  // namespace
