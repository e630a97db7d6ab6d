// The keys window and the key-positions dialog on a database with a small
// key set of its own: rows, going down and up the keys, pages, games opened
// from a key, refills, "As tree", the key positions, settings and popup.
#include "dbwindows/DlgKeys.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QHeaderView>
#include <QPlainTextEdit>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "board/ui/PieceImages.h"
#include "database/DatabaseMan.h"
#include "dbwindows/DlgKeyPositions.h"
#include "dbwindows/DlgTree.h"
#include "dbwindows/GameListMan.h"
#include "dbwindows/ListWindowFrame.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

namespace {

const char kE4E5[] = "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2";
const char kRuy[] = "r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 0 3";
const char kItalian[] = "r1bqkbnr/pppp1ppp/2n5/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 0 3";
const char kGiuoco[] = "r1bqk1nr/pppp1ppp/2n5/2b1p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4";
const char kTwoKnights[] = "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4";
const char kD4D5[] = "rnbqkbnr/ppp1pppp/8/3p4/3P4/8/PPP1PPPP/RNBQKBNR w KQkq - 0 2";

std::string Key(const std::string &indent, const std::string &name, const std::string &code,
                const std::vector<const char *> &fens, const std::string &children = "") {
  std::string s = indent + "[Name=\"" + name + "\"\r\n" + indent + " Code=\"" + code + "\"\r\n";
  for (const char *fen : fens) s += indent + " Pos=(\"" + fen + "\", \"\")\r\n";
  return s + children + indent + "]\r\n";
}

// Open Games (E) with Ruy Lopez (E1), Italian Game (E2, three positions)
// and a key without positions (E3); Queen Pawn (D) with 260 sub-keys.
std::string KeyText() {
  std::string many;
  for (int i = 1; i <= 260; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "Sub %03d", i);
    many += Key("  ", name, "D" + std::to_string(i), {});
  }
  return Key("", "Open Games", "E", {kE4E5},
             Key("  ", "Ruy Lopez", "E1", {kRuy}) + Key("  ", "Italian Game", "E2", {kItalian, kGiuoco, kTwoKnights}) +
                 Key("  ", "No Positions", "E3", {})) +
         Key("", "Queen Pawn", "D", {kD4D5}, many);
}

std::string GameText(int i, const char *moves) {
  return "[Event \"E\"]\r\n[Site \"S\"]\r\n[White \"W" + std::to_string(i) + "\"]\r\n[Black \"B\"]\r\n[Result \"*\"]\r\n\r\n" +
         moves + " *\r\n";
}

// Games 1-3 reach the Ruy Lopez, 4-6 the Italian Game, 7-8 only 1. e4 e5,
// 9-11 1. d4 d5, 12-13 no key.
const char *const kMoves[] = {
    "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6", "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6", "1. e4 e5 2. Nf3 Nc6 3. Bb5 Nf6",
    "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5", "1. e4 e5 2. Nf3 Nc6 3. Bc4 Bc5", "1. e4 e5 2. Nf3 Nc6 3. Bc4 Nf6",
    "1. e4 e5 2. Nf3 d6",             "1. e4 e5 2. Bc4 d6",             "1. d4 d5 2. c4",
    "1. d4 d5 2. c4 e6",              "1. d4 d5 2. Nf3",                "1. c4 c5",
    "1. c4 e5"};

class KeysWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    static const bool images = (InstallPieceImages(), true);
    (void)images;
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
    oldSettings_ = ChessApp.SettingsFile;
    ChessApp.SettingsFile = app_.File("settings.ini");
    ChessApp.OpenOnKeyPosition = true;
    app_.Write("class.txt", KeyText());
    bool report = false;
    ASSERT_TRUE(db.Open(dir_.File("keys.qcx"), nullptr, nullptr, report));
    for (int i = 0; i < static_cast<int>(std::size(kMoves)); ++i)
      ASSERT_EQ(db.SavePgnText(-1, GameText(i + 1, kMoves[i])), i + 1);
    ASSERT_TRUE(db.CreateKeys());
    ASSERT_TRUE(db.ClassifyAllGames(nullptr));
    ASSERT_TRUE(db.HasKeyView());

    ui::Hooks h = ui::CurrentHooks();
    h.beep = [this] { ++beeps; };
    h.showMessage = [this](const std::string &text) { messages.push_back(text); };
    oldHooks_ = ui::InstallHooks(h);

    ListWindowFactories f;
    f.keys = [] { return new TKeysDlg; };
    f.tree = [] { return new TTreeDlg; };
    f.flushReleases = [] { listframe::FlushReleases(); };
    man.SetFactories(f);
    man.Init(
        nullptr, [this](int32_t n) { viewed.push_back(n); }, nullptr, nullptr, [this](int32_t) { ++navigations; },
        nullptr);
    man.OpenDatabase(&db, "Database");
  }
  void TearDown() override {
    man.Done();
    uitest::FlushDeletes();
    db.Close(nullptr);
    ui::InstallHooks(oldHooks_);
    ChessApp.SettingsFile = oldSettings_;
    ChessApp.OpenOnKeyPosition = true;
  }

  TKeysDlg &Window() {
    man.ShowKeysWindow();
    auto *w = dynamic_cast<TKeysDlg *>(man.KeysWindow());
    EXPECT_NE(w, nullptr);
    return *w;
  }
  // The first texts of the page's rows.
  std::vector<std::string> Rows(TKeysDlg &w) {
    std::vector<std::string> out;
    for (int r = 0; r < w.List->count(); ++r) out.push_back(db.KeyRowText(w.Paging().PageStart() + r)[0]);
    return out;
  }
  void Activate(TKeysDlg &w, int row) {
    w.List->setCurrentRow(row);
    w.MViewClick();
  }
  int RowOf(TKeysDlg &w, const std::string &start) {
    for (int r = 0; r < w.List->count(); ++r)
      if (db.KeyRowText(w.Paging().PageStart() + r)[0].rfind(start, 0) == 0) return r;
    ADD_FAILURE() << start;
    return -1;
  }

  testutil::TempDir dir_, app_;
  testutil::AppDirGuard appDir_{app_.Path()};
  DatabaseO db;
  GameListManO man;
  std::vector<int32_t> viewed;
  std::vector<std::string> messages;
  int beeps = 0, navigations = 0;
  ui::Hooks oldHooks_;
  std::string oldSettings_;
};

TEST_F(KeysWindowTest, SubKeysComeFirstThenGames) {
  TKeysDlg &w = Window();
  EXPECT_EQ(w.windowTitle(), "Openings");
  // The root: its two keys, then the two games no key holds.
  std::vector<std::string> rows = Rows(w);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0], "Open Games  -  [8]");
  EXPECT_EQ(rows[1], "Queen Pawn  -  [3]");
  EXPECT_TRUE(w.IsSubKeyRow(1));
  EXPECT_FALSE(w.IsSubKeyRow(3));
  EXPECT_EQ(w.StatusText(), "4  (1/1)") << "the noun is empty";
  // Down into Open Games: its three sub-keys first, then its two games.
  Activate(w, 0);
  rows = Rows(w);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "Ruy Lopez  -  [3]");
  EXPECT_EQ(rows[2], "No Positions  -  [0]");
  EXPECT_EQ(w.Source()->Item(4), 7);
  EXPECT_EQ(w.Source()->Item(1), 0) << "a sub-key row holds no game";
  // A game row opens the game and hides the window.
  w.show();
  Activate(w, 3);
  EXPECT_EQ(viewed, std::vector<int32_t>{7});
  EXPECT_FALSE(w.isVisible());
}

TEST_F(KeysWindowTest, DownAndUpThroughTheKeys) {
  TKeysDlg &w = Window();
  // At the root Parent is off and Backspace beeps.
  EXPECT_FALSE(w.MParentKey->isEnabled());
  EXPECT_FALSE(w.SBParentKey->isEnabled());
  const int before = beeps;
  QTest::keyClick(w.List, Qt::Key_Backspace);
  EXPECT_EQ(beeps, before + 1);

  // Into Open Games, then Italian Game; Parent selects Italian Game again.
  Activate(w, 0);
  EXPECT_TRUE(w.MParentKey->isEnabled());
  Activate(w, RowOf(w, "Italian"));
  EXPECT_EQ(w.List->count(), 3);  // its three games
  const int nav = navigations;
  w.MParentKey->trigger();
  EXPECT_EQ(navigations, nav + 1);
  EXPECT_EQ(w.List->currentRow(), 1) << "the remembered sub-key";
  // Ctrl+A with the list focused goes up as well: back at the root, Open
  // Games selected.
  w.show();
  w.activateWindow();
  w.List->setFocus();
  QTest::keyClick(w.List, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Rows(w)[0], "Open Games  -  [8]");
  EXPECT_EQ(w.List->currentRow(), 0);
}

TEST_F(KeysWindowTest, PagesOfManySubKeys) {
  TKeysDlg &w = Window();
  w.show();
  Activate(w, 1);  // Queen Pawn: 260 sub-keys, then 3 games
  EXPECT_EQ(w.StatusText(), "263  (1/2)");
  // Ctrl+Page Down turns the page wherever the focus is.
  w.activateWindow();
  QTest::keyClick(w.Memo, Qt::Key_PageDown, Qt::ControlModifier);
  EXPECT_EQ(w.StatusText(), "263  (2/2)");
  // A sub-key from page 2: its own first page, and navigation changed.
  const int nav = navigations;
  Activate(w, 4);  // Sub 255
  EXPECT_EQ(navigations, nav + 1);
  EXPECT_EQ(w.Paging().Page(), 1);
  EXPECT_EQ(w.List->count(), 0);
  // Parent: the remembered row lies past page 1, so no row is selected,
  // and nothing is raised; likewise for a sub-key past 255.
  messages.clear();
  w.MParentKeyClick();
  EXPECT_EQ(w.Paging().Page(), 1);
  EXPECT_EQ(w.List->currentRow(), -1);
  w.LastPageBtnClick();
  Activate(w, 5);  // Sub 256
  w.MParentKeyClick();
  EXPECT_EQ(w.List->currentRow(), -1);
  EXPECT_TRUE(messages.empty());
  // A child from page 1 is remembered.
  Activate(w, 9);  // Sub 010
  w.MParentKeyClick();
  EXPECT_EQ(w.List->currentRow(), 9);
}

TEST_F(KeysWindowTest, StartPlyRefillsAndPositions) {
  TKeysDlg &w = Window();
  // Game 4 reaches the Italian Game's second position after 3... Bc5.
  EXPECT_EQ(w.GameStartPly(4), 7);
  EXPECT_EQ(w.GameStartPly(12), 0) << "a game no key holds";
  ChessApp.OpenOnKeyPosition = false;
  EXPECT_EQ(w.GameStartPly(4), 0);
  ChessApp.OpenOnKeyPosition = true;

  // Games that leave the key before a refill draw nothing past the rows
  // and show no message; the refill reselects the game or row 1.
  Activate(w, 0);
  Activate(w, RowOf(w, "Ruy"));
  ASSERT_EQ(w.List->count(), 3);
  w.List->setCurrentRow(2);
  const int32_t kept = w.SelectedItem();
  messages.clear();
  ASSERT_TRUE(db.SetGameKey(KeyTreeO::kRoot, w.Source()->Item(1), true));
  w.List->viewport()->repaint();
  EXPECT_TRUE(messages.empty());
  w.RefillKeepSelection();
  EXPECT_EQ(w.SelectedItem(), kept);
  ASSERT_TRUE(db.SetGameKey(KeyTreeO::kRoot, kept, true));
  w.RefillKeepSelection();
  EXPECT_EQ(w.List->currentRow(), 0);

  // Key positions: three for the Italian Game, none for the last key.
  w.MParentKeyClick();
  {
    TKeyPositionsDlg dlg(db, RowOf(w, "Italian") + 1);
    dlg.FormShow();
    EXPECT_EQ(dlg.PosNrLbl->text(), "Position: 1/3");
    for (int i = 0; i < 3; ++i) dlg.NextBtn->click();
    EXPECT_EQ(dlg.PosNrLbl->text(), "Position: 3/3");
    EXPECT_TRUE(dlg.PosIdLbl->text().startsWith("Pos id: "));
    dlg.show();
    QApplication::processEvents();
    uitest::Snapshot(&dlg, "key-positions");
    dlg.PrevBtn->click();
    EXPECT_EQ(dlg.PosNrLbl->text(), "Position: 2/3");
  }
  {
    TKeyPositionsDlg dlg(db, RowOf(w, "No Positions") + 1);
    dlg.FormShow();
    EXPECT_EQ(dlg.PosNrLbl->text(), "PosNrLbl");
    dlg.NextBtn->click();
    EXPECT_EQ(dlg.PosIdLbl->text(), "PosIdLbl");
  }
  // The popup's item runs the dialog on the selected sub-key.
  int shown = 0;
  modal::ScopedAnswerer count([&](QDialog &d) {
    ++shown;
    EXPECT_EQ(d.findChild<QLabel *>("PosNrLbl")->text(), "Position: 1/1");
    return int(QDialog::Rejected);
  });
  w.List->setCurrentRow(RowOf(w, "Ruy"));
  w.PMShowKeyPositions->trigger();
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(w.MShowKeyPositions->isVisible()) << "hidden in this build";
}

TEST_F(KeysWindowTest, GotoKeyAndAsTree) {
  TKeysDlg &w = Window();
  // Key 0 is the root, not an error.
  messages.clear();
  w.GotoKey(0);
  EXPECT_TRUE(messages.empty());
  EXPECT_FALSE(w.MParentKey->isEnabled());
  int ply = 0;
  const auto ruy = static_cast<int32_t>(db.ClassifyGameNr(1, ply));
  ASSERT_NE(ruy, 0);
  w.GotoKey(ruy);
  EXPECT_EQ(w.List->count(), 3);

  // "As tree": a tree window on the key's games, its slot freed with it.
  w.show();
  ASSERT_EQ(man.GamesWindowCount(), 0);
  w.MAsTreeClick();
  ASSERT_EQ(man.GamesWindowCount(), 1);
  EXPECT_TRUE(man.GamesEntry(1).IsTree);
  EXPECT_FALSE(w.isVisible());
  const int32_t slot = man.GamesEntry(1).listSlot;
  man.CloseGamesWindow(1);
  uitest::FlushDeletes();
  EXPECT_EQ(db.NewGameList(), slot) << "the slot came back";
  db.FreeGameList(slot);
  // No slot free: the message, no window, the keys window stays.
  while (db.NewGameList() != 0) {
  }
  w.show();
  messages.clear();
  w.MAsTreeClick();
  EXPECT_EQ(man.GamesWindowCount(), 0);
  EXPECT_EQ(messages, std::vector<std::string>{CommonText::S_TooManyLists});
  EXPECT_TRUE(w.isVisible());
}

TEST_F(KeysWindowTest, SettingsPopupAndPictures) {
  {
    TKeysDlg never;
    (void)never;
  }
  EXPECT_FALSE(IniFile(ChessApp.SettingsFile).SectionExists("KeySplit")) << "never shown: nothing written";
  TKeysDlg &w = Window();
  w.show();
  Activate(w, 0);
  w.List->setCurrentRow(3);
  QApplication::processEvents();
  uitest::Snapshot(&w, "keys-open-games-en");
  // Shift+F10 and the right button open the popup.
  w.activateWindow();
  QTest::keyClick(w.List, Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(QApplication::activePopupWidget()->objectName(), "GameListPopup");
  QApplication::activePopupWidget()->close();
  QTest::mouseClick(w.List->viewport(), Qt::RightButton, {}, w.List->visualItemRect(w.List->item(1)).center());
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(w.List->currentRow(), 1);
  QApplication::activePopupWidget()->close();

  CommonText::SetUILanguage(LangDutch);
  w.UpdateTexts();
  w.MParentKeyClick();
  QApplication::processEvents();
  uitest::Snapshot(&w, "keys-root-nl");
  EXPECT_EQ(w.windowTitle(), "Openingen");
  CommonText::SetUILanguage(LangEnglish);
  w.HeaderControl->resizeSection(1, 133);
  man.CloseAll();
  uitest::FlushDeletes();
  {
    IniFile ini(ChessApp.SettingsFile);
    for (const char *s : {"KeySplit", "KeyLineOptions", "KeyList", "KeyWindow"})
      EXPECT_TRUE(ini.SectionExists(s)) << s;
    EXPECT_EQ(ini.ReadString("KeyList", "1", ""), "133");
  }
  // A new window reads them back.
  TKeysDlg again;
  EXPECT_EQ(again.HeaderControl->sectionSize(1), 133);
}

}  // namespace
