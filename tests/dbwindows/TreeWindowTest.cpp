// The opening-tree window on a database of twenty short known games:
// opening it from a games window, walking the tree, its move and game
// lists, the start ply of a game opened from it, a full tree, the settings
// and the middle panel's layout.
#include "dbwindows/DlgTree.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <algorithm>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "board/ui/PieceImages.h"
#include "database/DatabaseMan.h"
#include "database/QZUtils.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/DlgGames.h"
#include "dbwindows/DlgTreeLayout.h"
#include "dbwindows/GameListMan.h"
#include "dbwindows/ListWindowFrame.h"
#include "dbwindows/PagedListView.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/Lists.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

namespace {

std::string Game(int i, const std::string &result, const std::string &moves) {
  return "[Event \"E\"]\r\n[Site \"S\"]\r\n[Date \"2020.01.01\"]\r\n[Round \"" + std::to_string(i) +
         "\"]\r\n[White \"W" + std::to_string(i) + "\"]\r\n[Black \"B\"]\r\n[Result \"" + result + "\"]\r\n\r\n" +
         moves + " " + result + "\r\n";
}

// Games 1-10 open 1. e4 (four White wins, three Black wins), 11-16
// 1. d4, 17-20 1. c4. After 1. e4 e5 2. Nf3 the tree branches (Nc6, Nf6);
// after 2... Nc6 only 3. Bb5 follows.
struct KnownGame {
  const char *result, *moves;
};
const KnownGame kGames[20] = {
    {"1-0", "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6"},  {"1-0", "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6"},
    {"0-1", "1. e4 e5 2. Nf3 Nc6 3. Bb5 Nf6"}, {"1/2-1/2", "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6"},
    {"1-0", "1. e4 e5 2. Nf3 Nf6"},            {"0-1", "1. e4 e5 2. Nf3 Nf6"},
    {"1-0", "1. e4 c5 2. Nf3 d6"},             {"1/2-1/2", "1. e4 c5 2. Nf3 d6"},
    {"0-1", "1. e4 c6 2. d4 d5"},              {"1/2-1/2", "1. e4 c6 2. d4 d5"},
    {"1-0", "1. d4 d5 2. c4 e6"},              {"0-1", "1. d4 d5 2. c4 e6"},
    {"1-0", "1. d4 d5 2. c4 e6"},              {"1/2-1/2", "1. d4 Nf6 2. c4 e6"},
    {"1-0", "1. d4 Nf6 2. c4 g6"},             {"0-1", "1. d4 Nf6 2. c4 g6"},
    {"1-0", "1. c4 e5 2. Nc3 Nf6"},            {"1/2-1/2", "1. c4 e5 2. Nc3 Nf6"},
    {"0-1", "1. c4 e5 2. Nc3 Nc6"},            {"1-0", "1. c4 c5 2. Nc3 Nc6"},
};

// A legal game of `plies` random moves.
std::string RandomMoves(std::mt19937 &rng, int plies) {
  MailboxPos pos;
  pos.SetStartPosition();
  MoveGen gen;
  std::string text;
  for (int p = 0; p < plies; ++p) {
    gen.Generate(pos, GenRequest{});
    std::vector<Move2> legal;
    for (int i = 1; i <= gen.Count(); ++i)
      if (pos.IsLegalMove(gen.Entry(i))) legal.push_back(gen.Entry(i));
    if (legal.empty()) break;
    const Move2 m = legal[std::uniform_int_distribution<size_t>(0, legal.size() - 1)(rng)];
    text += (text.empty() ? "" : " ") + MoveToSAN(pos, m, pos.SideToMove() == 0);
    MoveUndo undo;
    pos.MakeMove(m, undo);
  }
  return text;
}

class TreeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    static const bool images = (InstallPieceImages(), true);
    (void)images;
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
    ui::Hooks h;
    h.beep = [this] { ++beeps; };
    h.showMessage = [this](const std::string &t) { messages.push_back(t); };
    oldHooks = ui::InstallHooks(h);
    saved = {ChessApp.MoveDelay, ChessApp.MoveBackDelay, ChessApp.CastleRookMoveDelay,
             ChessApp.CastleRookMoveBackDelay};
    ChessApp.MoveDelay = ChessApp.MoveBackDelay = 0;
    ChessApp.CastleRookMoveDelay = ChessApp.CastleRookMoveBackDelay = 0;
    bool flag = false;
    ASSERT_TRUE(db.Open(data.File("t.qcx"), nullptr, nullptr, flag));
  }
  void TearDown() override {
    man.Done();
    ChessApp.MoveDelay = saved[0];
    ChessApp.MoveBackDelay = saved[1];
    ChessApp.CastleRookMoveDelay = saved[2];
    ChessApp.CastleRookMoveBackDelay = saved[3];
    ChessApp.ShowCoordinates = false;
    ChessApp.MoveListNotation = kNotationShort;
    ChessApp.RightClickTakesBack = rightClick;
    ui::InstallHooks(oldHooks);
    uitest::FlushDeletes();
  }

  void StoreKnownGames() {
    for (int i = 0; i < 20; ++i) ASSERT_EQ(db.SavePgnText(-1, Game(i + 1, kGames[i].result, kGames[i].moves)), i + 1);
  }
  std::unique_ptr<TTreeDlg> Window(int slot) {
    auto w = std::make_unique<TTreeDlg>();
    EXPECT_TRUE(w->Open(&db, slot, "All"));
    return w;
  }
  void UseManager() {
    ListWindowFactories f;
    f.games = [] { return new TGamesDlg; };
    f.tree = [] { return new TTreeDlg; };
    f.flushReleases = [] { listframe::FlushReleases(); };
    man.SetFactories(f);
    man.Init(nullptr, [this](int32_t n) { viewed.push_back(n); }, nullptr, nullptr, nullptr, nullptr);
    man.OpenDatabase(&db, "t.qcx");
  }
  // The move list's SAN, row by row.
  static std::vector<std::string> Moves(const TTreeDlg &w) {
    std::vector<std::string> v;
    for (int r = 0; r < w.MoveList->count(); ++r) {
      const std::string t = FromQ(w.MoveList->item(r)->text());
      v.push_back(t.substr(0, t.find(' ')));
    }
    return v;
  }
  static int Row(const TTreeDlg &w, const std::string &san) {
    const std::vector<std::string> m = Moves(w);
    for (size_t i = 0; i < m.size(); ++i)
      if (m[i] == san) return static_cast<int>(i);
    return -1;
  }
  // Plays the move as a double click on its row (of a shown window).
  static void Play(TTreeDlg &w, const std::string &san) {
    const int r = Row(w, san);
    ASSERT_GE(r, 0) << san;
    if (!w.isVisible()) {
      w.show();
      QApplication::setActiveWindow(&w);
      ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    }
    // The list lays its new items out once the events are processed.
    QCoreApplication::processEvents();
    QListWidgetItem *item = w.MoveList->item(r);
    const QRect rect = w.MoveList->visualItemRect(item);
    // A double click begins as a click.
    QTest::mouseClick(w.MoveList->viewport(), Qt::LeftButton, {}, rect.center());
    QTest::mouseDClick(w.MoveList->viewport(), Qt::LeftButton, {}, rect.center());
  }
  static std::vector<int32_t> Rows(const TTreeDlg &w) {
    std::vector<int32_t> v;
    for (int r = 0; r < w.GameList->count(); ++r) v.push_back(w.GameList->item(r)->data(Qt::UserRole).toInt());
    return v;
  }
  static std::string Fen(const TTreeDlg &w) { return w.Board->GetFEN(); }

  testutil::TempDir data, appDir;
  testutil::AppDirGuard appGuard{appDir.Path()};
  DatabaseO db;
  GameListManO man;
  ui::Hooks oldHooks;
  std::vector<int32_t> saved;
  bool rightClick = ChessApp.RightClickTakesBack;
  int beeps = 0;
  std::vector<std::string> messages;
  std::vector<int32_t> viewed;
};

TEST_F(TreeWindowTest, AsTreeOpensATreeOfTheGamesWindowsGamesAndHidesIt) {
  StoreKnownGames();
  UseManager();
  const int found = db.NewGameList();
  for (int32_t n : {1, 2, 11, 17}) db.AddGameToList(found, n);
  ASSERT_TRUE(man.NewGamesWindow(found, "Mine", true, false, false));
  const int count = man.GamesWindowCount();
  auto *games = dynamic_cast<TGamesDlg *>(man.GamesEntry(count).gamesWindow);
  ASSERT_TRUE(games && games->isVisible());
  ASSERT_TRUE(games->MAsTree->isEnabled());
  // With every slot taken no tree opens and the games window stays.
  std::vector<int> taken;
  for (int s; (s = db.NewGameList()) != 0;) taken.push_back(s);
  games->MAsTree->trigger();
  EXPECT_EQ(messages, std::vector<std::string>{CommonText::S_TooManyLists});
  EXPECT_TRUE(games->isVisible());
  EXPECT_EQ(man.GamesWindowCount(), count);
  EXPECT_FALSE(man.HasOpenTreeWindow());
  for (int s : taken) db.FreeGameList(s);
  messages.clear();

  games->MAsTree->trigger();
  ASSERT_EQ(man.GamesWindowCount(), count + 1);
  auto *tree = dynamic_cast<TTreeDlg *>(man.GamesEntry(count + 1).treeWindow);
  ASSERT_TRUE(tree);
  EXPECT_TRUE(tree->isVisible());
  EXPECT_FALSE(games->isVisible());
  EXPECT_EQ(tree->SourceSlot(), found);
  EXPECT_NE(tree->GameListSlot(), found);
  EXPECT_EQ(Moves(*tree), (std::vector<std::string>{"e4", "d4", "c4"}));
  EXPECT_EQ(tree->windowTitle().toStdString(), "Tree - [Mine]");
  EXPECT_TRUE(man.HasOpenTreeWindow());

  // A second tree replaces the first; the games window keeps its slot.
  games->show();
  const int firstView = tree->TreeView();
  games->SBAsTree->click();
  uitest::FlushDeletes();
  ASSERT_EQ(man.GamesWindowCount(), count + 1);
  auto *second = dynamic_cast<TTreeDlg *>(man.GamesEntry(count + 1).treeWindow);
  ASSERT_TRUE(second);
  EXPECT_EQ(second->TreeView(), firstView) << "the first tree's view was given back";
  EXPECT_EQ(games->ListSlot(), found);
  EXPECT_EQ(db.GameListCount(found), 4);
  second->hide();
  EXPECT_TRUE(man.ShowTreeWindow());
  EXPECT_TRUE(second->isVisible());
  EXPECT_TRUE(messages.empty());

}

TEST_F(TreeWindowTest, WalkingTheTreeByDoubleClickKeysAndButtons) {
  StoreKnownGames();
  auto w = Window(db.NewAllGamesList());
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  const std::string start = Fen(*w);
  Play(*w, "e4");
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e5", "c5", "c6"}));
  EXPECT_EQ(w->Board->MoveList().Count(), 1);
  EXPECT_NE(Fen(*w).find("4P3"), std::string::npos);
  EXPECT_EQ(w->LastMoveLbl->text().toStdString(), "1. e4");

  // Left goes back with the board, also from a focused game-list row.
  w->MUpdateGameList->click();
  ASSERT_GT(w->GameList->count(), 0);
  w->GameList->setFocus();
  QTest::keyClick(w->GameList, Qt::Key_Left);
  EXPECT_EQ(Fen(*w), start);
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e4", "d4", "c4"}));
  EXPECT_EQ(w->Board->MoveList().Count(), 0);

  // An open menu keeps its keys.
  Play(*w, "e4");
  w->MExtra->popup(w->mapToGlobal(QPoint(0, 0)));
  ASSERT_TRUE(QApplication::activePopupWidget());
  QTest::keyClick(w->MExtra, Qt::Key_Left);
  EXPECT_EQ(w->Board->MoveList().Count(), 1);
  w->MExtra->close();

  // Right plays the selected move; the right button on the list goes back.
  QTest::keyClick(w->GameList, Qt::Key_Right);
  EXPECT_EQ(w->Board->MoveList().Count(), 2);
  QTest::mouseClick(w->MoveList->viewport(), Qt::RightButton, {}, QPoint(5, 5));
  EXPECT_EQ(w->Board->MoveList().Count(), 1);

  // Back to branch: from 3. Bb5 to the node after 2. Nf3 (two moves).
  Play(*w, "e5");
  Play(*w, "Nf3");
  Play(*w, "Nc6");
  Play(*w, "Bb5");
  ASSERT_EQ(w->Board->MoveList().Count(), 5);
  QTest::keyClick(w->GameList, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(w->Board->MoveList().Count(), 3);
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"Nc6", "Nf6"}));
  // From there the line has one move at each node down to the root.
  w->SBBackToBranch->click();
  EXPECT_EQ(w->Board->MoveList().Count(), 1);
  w->SBBackToBranch->click();
  EXPECT_EQ(Fen(*w), start);

  // Home at the root and End beep; Home elsewhere goes to the root.
  beeps = 0;
  QTest::keyClick(w->GameList, Qt::Key_Home);
  QTest::keyClick(w->GameList, Qt::Key_End);
  w->SBPrev->click();
  EXPECT_EQ(beeps, 3);
  Play(*w, "d4");
  Play(*w, "d5");
  w->SBFirst->click();
  EXPECT_EQ(Fen(*w), start);
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e4", "d4", "c4"}));
  EXPECT_EQ(w->GameList->count(), 20) << "the game list follows Home too";
  EXPECT_TRUE(messages.empty());
}

TEST_F(TreeWindowTest, TheGameListFollowsTheNodeOnlyWhileTicked) {
  StoreKnownGames();
  auto w = Window(db.NewAllGamesList());
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  EXPECT_FALSE(w->MUpdateGameList->isChecked());
  EXPECT_EQ(w->MUpdateGameList->text(), "Update_Game_List");
  EXPECT_EQ(w->GameList->count(), 0);
  EXPECT_EQ(w->StatusText(), "0 games (1/1)");
  Play(*w, "d4");
  EXPECT_EQ(w->GameList->count(), 0);
  w->MUpdateGameList->click();
  std::vector<int32_t> rows = Rows(*w);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<int32_t>{11, 12, 13, 14, 15, 16}));
  EXPECT_EQ(w->SelectedItem(), Rows(*w).front());
  EXPECT_EQ(w->StatusText(), "6 games (1/1)");
  // Unticking leaves the list until the next node.
  w->MUpdateGameList->click();
  EXPECT_EQ(w->GameList->count(), 6);
  Play(*w, "Nf6");
  EXPECT_EQ(w->GameList->count(), 0);
  EXPECT_EQ(w->StatusText(), "0 games (1/1)");
  // The list's games are its own: viewing one does not touch the source.
  w->MUpdateGameList->click();
  rows = Rows(*w);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(w->NextGame(rows[0]), rows[1]);
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<int32_t>{14, 15, 16}));
  EXPECT_EQ(db.GameListCount(w->SourceSlot()), 20);
}

TEST_F(TreeWindowTest, MoveItemsAndTheMoveColumn) {
  StoreKnownGames();
  auto w = Window(db.NewAllGamesList());
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  ASSERT_EQ(w->MoveList->count(), 3);
  EXPECT_EQ(w->MoveList->item(0)->text().toStdString(), "e4  10  +4  -3");
  EXPECT_EQ(w->MoveList->item(1)->text().toStdString(), "d4  6  +3  -2");
  EXPECT_EQ(w->MoveList->item(2)->text().toStdString(), "c4  4  +2  -1");
  const int moveColumn = w->MoveColumns().IndexOfColumn(w->MoveColumns().IndexOfKey("move"));
  ASSERT_GT(moveColumn, 0);
  std::vector<std::string> texts;
  ASSERT_TRUE(w->MoveRowTexts(0, texts));
  EXPECT_EQ(texts[static_cast<size_t>(moveColumn - 1)], "e4");
  EXPECT_FALSE(w->MoveRowTexts(3, texts));
  ChessApp.MoveListNotation = kNotationLong;
  Play(*w, "e4");
  ASSERT_TRUE(w->MoveRowTexts(0, texts));
  EXPECT_EQ(texts[static_cast<size_t>(moveColumn - 1)], "e7-e5");
  EXPECT_EQ(w->MoveList->item(0)->text().toStdString(), "e5  6  +3  -2");
  w->MoveList->viewport()->grab();  // rows draw without a fault
  EXPECT_TRUE(messages.empty());
}

TEST_F(TreeWindowTest, GameStartPlyIsTheMainWindowsPly) {
  StoreKnownGames();
  auto w = Window(db.NewAllGamesList());
  EXPECT_EQ(w->GameStartPly(1), 0) << "at the root";
  Play(*w, "e4");
  EXPECT_EQ(w->GameStartPly(1), 2) << "one ply in: go once forward";
  Play(*w, "e5");
  EXPECT_EQ(w->GameStartPly(1), 3);
  EXPECT_EQ(w->GameStartPly(5), 3);
  EXPECT_EQ(w->GameStartPly(11), 0) << "never reaches the position";
  EXPECT_EQ(w->GameStartPly(7), 0);
  EXPECT_EQ(w->GameStartPly(999), 0) << "no such game";
}

TEST_F(TreeWindowTest, AFullTreeSaysSoOnce) {
  std::mt19937 rng(47);
  for (int i = 1; i <= 60; ++i) ASSERT_EQ(db.SavePgnText(-1, Game(i, "1-0", RandomMoves(rng, 80))), i);
  db.SetTreeArenaLimitForTests(PositionDatabaseO::kHeadBytes + 20000);
  auto w = Window(db.NewAllGamesList());
  db.SetTreeArenaLimitForTests(0);
  ASSERT_TRUE(db.TreeStoppedFull(w->TreeView()));
  const int32_t held = db.TreeGameCount(w->TreeView());
  ASSERT_LT(held, 60);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find(std::to_string(held)), std::string::npos) << messages[0];
  w->show();
  Play(*w, Moves(*w).front());
  EXPECT_EQ(messages.size(), 1u);

  // Past 2000 games the tree takes the first 2000 without a word.
  w.reset();
  messages.clear();
  DatabaseO big;
  bool flag = false;
  ASSERT_TRUE(big.Open(data.File("big.qcx"), nullptr, nullptr, flag));
  for (int i = 1; i <= 2010; ++i) ASSERT_EQ(big.SavePgnText(-1, Game(i, "1-0", kGames[i % 20].moves)), i);
  auto b = std::make_unique<TTreeDlg>();
  ASSERT_TRUE(b->Open(&big, big.NewAllGamesList(), "Big"));
  EXPECT_EQ(big.TreeGameCount(b->TreeView()), 2000);
  EXPECT_TRUE(messages.empty());
  b->Detach();
}

TEST_F(TreeWindowTest, DetachGivesBackItsOwnOnly) {
  StoreKnownGames();
  const int all = db.NewAllGamesList();
  auto w = Window(all);
  const int own = w->GameListSlot();
  const int view = w->TreeView();
  w->Detach();
  EXPECT_EQ(w->TreeView(), 0);
  EXPECT_EQ(w->windowTitle().toStdString(), "Tree");
  EXPECT_EQ(db.GameListCount(all), 20) << "the source slot stays";
  EXPECT_EQ(db.NewGameList(), own) << "its own slot is free again";
  EXPECT_EQ(db.NewTreeView(all), view) << "so is its tree view";

  // Without a tree view to be had it opens nothing and keeps nothing.
  db.FreeGameList(own);
  std::vector<int> views;
  for (int v; (v = db.NewTreeView(all)) != 0;) views.push_back(v);
  auto none = std::make_unique<TTreeDlg>();
  EXPECT_FALSE(none->Open(&db, all, "None"));
  EXPECT_EQ(none->TreeView(), 0);
  EXPECT_EQ(db.NewGameList(), own) << "no slot kept";
  for (int v : views) db.FreeTreeView(v);
}

TEST_F(TreeWindowTest, SettingsRoundTripAndStayWhenNeverShown) {
  StoreKnownGames();
  const std::string path = ChessApp.SettingsPath();
  {
    IniFile ini(path);
    ini.WriteInteger("TreeSplit", "Height", 150);
    ini.WriteBool("TreeSplit", "ShowGameMoves", false);
    ini.WriteBool("TreeSplit", "ShowGameInfo", true);
    ini.WriteInteger("TreeSplit", "GameMemoSaveHeight", 77);
    ini.WriteInteger("TreeSplit", "LeftPanelWidth", 40);
    ini.WriteInteger("TreeSplit", "MiddlePanelWidth", 520);
    ini.WriteString("TreeSplit", "GameSortKind", "White");
    ini.WriteString("TreeSplit", "MoveSortKind", "MoveTotalCount");
    ini.WriteString("TreeLineOptions", "Option1", "white");
    ini.WriteString("TreeLineOptions", "Option2", "gamenr");
    ini.WriteInteger("TreeGameList", "0", 90);
    ini.WriteString("TreeMoveLineOptions", "Option1", "move");
    ini.WriteString("TreeMoveLineOptions", "Option2", "movetotalcount");
    ini.WriteInteger("TreeMoveList", "1", 61);
    ini.WriteString("Other", "Key", "kept");
  }
  std::string fileBefore;
  files::ReadAll(path, fileBefore);
  {
    auto hidden = Window(db.NewAllGamesList());
    EXPECT_EQ(hidden->MoveColumns().Count(), 2);
    EXPECT_EQ(hidden->MoveSortKind(), ckMoveTotalCount);
    EXPECT_EQ(hidden->SortKind(), ckWhite);
    hidden->Detach();
  }
  std::string fileAfter;
  files::ReadAll(path, fileAfter);
  EXPECT_EQ(fileAfter, fileBefore) << "a window never shown writes nothing";

  {
    auto w = Window(db.NewAllGamesList());
    w->show();
    EXPECT_EQ(w->LeftPanelWidth(), 40);
    EXPECT_EQ(w->MiddlePanelWidth(), 520);
    EXPECT_EQ(w->MoveListHC->sectionSize(1), 61);
    EXPECT_EQ(w->HeaderControl->sectionSize(0), 90);
    EXPECT_TRUE(w->MShowGameInfo->isChecked());
    EXPECT_FALSE(w->MShowGameMoves->isChecked());
    EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e4", "d4", "c4"}));
    w->Panel1->setSizes({50, 500, 61});
    w->MoveListHC->resizeSection(0, 44);
    w->Detach();
  }
  IniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("TreeSplit", "Height", 0), 150);
  EXPECT_FALSE(ini.ReadBool("TreeSplit", "ShowGameMoves", true));
  EXPECT_TRUE(ini.ReadBool("TreeSplit", "ShowGameInfo", false));
  EXPECT_EQ(ini.ReadInteger("TreeSplit", "GameMemoSaveHeight", 0), 77);
  EXPECT_EQ(ini.ReadInteger("TreeSplit", "LeftPanelWidth", 0), 50);
  EXPECT_EQ(ini.ReadInteger("TreeSplit", "MiddlePanelWidth", 0), 500);
  EXPECT_EQ(ini.ReadString("TreeSplit", "GameSortKind", ""), "White");
  EXPECT_EQ(ini.ReadString("TreeSplit", "MoveSortKind", ""), "MoveTotalCount");
  EXPECT_EQ(ini.ReadString("TreeLineOptions", "Option1", ""), "white");
  EXPECT_EQ(ini.ReadInteger("TreeGameList", "0", 0), 90);
  EXPECT_EQ(ini.ReadString("TreeMoveLineOptions", "Option2", ""), "movetotalcount");
  EXPECT_EQ(ini.ReadString("TreeMoveLineOptions", "Option3", "none"), "none");
  EXPECT_EQ(ini.ReadInteger("TreeMoveList", "0", 0), 44);
  EXPECT_EQ(ini.ReadInteger("TreeMoveList", "1", 0), 61);
  EXPECT_FALSE(ini.ReadString("TreeGameWindow", "Left", "").empty() &&
               ini.ReadString("TreeGameWindow", "Width", "").empty());
  EXPECT_EQ(ini.ReadString("Other", "Key", ""), "kept");
}

// Two tree windows share the move-column list. It is written at the close
// and whole: the window that closes last leaves its own list, not one
// mixed key by key with the other's.
TEST_F(TreeWindowTest, TheMoveColumnListIsWrittenWholeWhenTheWindowCloses) {
  StoreKnownGames();
  const std::string path = ChessApp.SettingsPath();
  ASSERT_FALSE(files::FileExists(path));
  auto a = Window(db.NewAllGamesList());
  a->show();
  auto b = Window(db.NewAllGamesList());
  b->show();
  QApplication::processEvents();
  EXPECT_FALSE(files::FileExists(path)) << "written while the windows are open";
  TEditGameInfoLineOptionsDlg dlg;
  const auto removeColumn = [&dlg](TTreeDlg &w, int row) {
    w.LineOptionsDlg = &dlg;
    modal::ScopedAnswerer answer([row](QDialog &d) {
      auto &e = static_cast<TEditGameInfoLineOptionsDlg &>(d);
      e.UsedList->setCurrentRow(row < 0 ? e.UsedList->count() - 1 : row);
      e.RemoveBtnClick();
      return modal::ClickButton(d, "OKBtn");
    });
    w.MMoveLineOptions->trigger();
  };
  removeColumn(*a, 0);
  removeColumn(*b, -1);
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  a->Detach();
  a.reset();
  EXPECT_EQ(IniFile(path).ReadSectionValues("TreeMoveLineOptions"), (Pairs{{"Option1", "move"},
                                                                           {"Option2", "movetotalcount"},
                                                                           {"Option3", "movewhitecount"},
                                                                           {"Option4", "moveblackcount"}}));
  b->Detach();
  b.reset();
  EXPECT_EQ(IniFile(path).ReadSectionValues("TreeMoveLineOptions"), (Pairs{{"Option1", "movenr"},
                                                                           {"Option2", "move"},
                                                                           {"Option3", "movetotalcount"},
                                                                           {"Option4", "movewhitecount"}}));
}

TEST(TreeLayoutTest, BoardPanelControlsAndMoveList) {
  treelayout::Input in;
  in.boardWidth = in.boardHeight = 240;
  in.fileLabelHeight = 14;
  in.rankLabelWidth = 12;
  in.labelHeight = 14;
  in.widthOfW = 10;
  in.buttonHeight = 22;
  in.buttonPanelWidth = 150;
  in.tryOutWidth = 80;
  in.middlePanelWidth = 545;
  treelayout::Result r = treelayout::Arrange(in);
  EXPECT_EQ(r.topMargin, 15);
  EXPECT_EQ(r.boardPanel, (treelayout::Rect{0, 0, 270, 250}));
  EXPECT_EQ(r.board, (treelayout::Rect{15, 5, 240, 240}));
  EXPECT_EQ(r.bevel, (treelayout::Rect{13, 3, 245, 245}));
  EXPECT_EQ(r.controlPanel.y, 250);
  EXPECT_EQ(r.buttonPanel, (treelayout::Rect{60, 21, 150, 25}));
  EXPECT_EQ(r.controlPanel.h, 48);
  EXPECT_EQ(r.tryOut.Right(), r.bevel.Right());
  EXPECT_EQ(r.matDiffLabel.x, r.bevel.x);
  EXPECT_EQ(r.lastMoveLabel, (treelayout::Rect{13, 2, 245, 14})) << "centred on the bevel";
  in.tryOutShown = true;
  EXPECT_EQ(treelayout::Arrange(in).lastMoveLabel.Right(), r.tryOut.x - 2) << "left of the try-out button";
  in.tryOutShown = false;
  EXPECT_EQ(r.commentPanel, (treelayout::Rect{270, 0, 272, 298}));
  EXPECT_EQ(r.moveListWidth, 269);

  // Coordinates: margins of one and a half labels, the board moved down.
  in.showCoordinates = true;
  in.fileLabelHeight = 17;  // 25.5 rounds to 26
  in.showColorToMove = true;
  in.showMoveButtons = false;
  r = treelayout::Arrange(in);
  EXPECT_EQ(r.topMargin, 26);
  EXPECT_EQ(r.sideMargin, 18);
  EXPECT_EQ(r.boardPanel, (treelayout::Rect{0, 0, 276, 276}));
  EXPECT_EQ(r.board.y, 26 + (276 - 26 - 240) / 2);
  EXPECT_EQ(r.matDiffLabel.x, r.bevel.x + 20);
  EXPECT_FALSE(r.buttonPanelShown);
  EXPECT_EQ(r.controlPanel.h, 2 + 14 + 2);
  EXPECT_EQ(r.commentPanel.h, 276 + 18);
}

}  // namespace

namespace {

// Pictures of the window (written when TV_SHOT_DIR is set), with the layout
// facts a look at them checks.
TEST_F(TreeWindowTest, PicturesOfTheWindow) {
  StoreKnownGames();
  auto w = Window(db.NewAllGamesList());
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  w->MUpdateGameList->click();
  uitest::Snapshot(w.get(), "tree-root");
  const auto checkPanels = [&] {
    // The board panel, its controls and the move list meet without gaps.
    EXPECT_EQ(w->ControlPanel->y(), w->BoardPanel->geometry().bottom() + 1);
    EXPECT_EQ(w->CommentPanel->x(), w->BoardPanel->geometry().right() + 1);
    EXPECT_GE(w->MiddlePanel->height(), w->ControlPanel->geometry().bottom());
    EXPECT_LE(w->CommentPanel->geometry().right(), w->MiddlePanel->width() - 3);
    EXPECT_TRUE(w->MoveList->isVisible());
    EXPECT_GE(w->MoveList->height(), 3 * 16) << "the move list shows its rows";
    EXPECT_GE(w->HeaderControl->y(), w->Panel1->geometry().bottom()) << "the game list below the board";
    EXPECT_GE(w->GameList->height(), 3 * 16) << "the game list shows its rows";
  };
  checkPanels();
  Play(*w, "e4");
  Play(*w, "e5");
  Play(*w, "Nf3");
  uitest::Snapshot(w.get(), "tree-three-moves");
  EXPECT_EQ(w->LastMoveLbl->text().toStdString(), "2. Nf3");

  ChessApp.ShowCoordinates = true;
  w->ArrangeMiddlePanel();
  checkPanels();
  // Each file letter stands over its column, each rank digit beside its row.
  for (int i = 0; i < 8; ++i) {
    const QRect f = w->FileLabels[i]->geometry(), r = w->RankLabels[i]->geometry();
    const QPoint square = w->Board->pos() + w->Board->SquareToPixel(i + 1, 8 - i);
    EXPECT_TRUE(w->FileLabels[i]->isVisible());
    EXPECT_NEAR(f.center().x(), square.x() + w->Board->SquareWidth() / 2, 1);
    EXPECT_LE(f.bottom(), w->BoardBevel->y());
    EXPECT_GE(f.top(), 0);
    EXPECT_NEAR(r.center().y(), square.y() + w->Board->SquareHeight() / 2, 1);
    EXPECT_LE(r.right(), w->BoardBevel->x());
    EXPECT_GE(r.left(), 0);
  }
  EXPECT_EQ(w->FileLabels[0]->text(), "a");
  EXPECT_EQ(w->RankLabels[0]->text(), "8");
  uitest::Snapshot(w.get(), "tree-coordinates");

  CommonText::SetUILanguage(LangDutch);
  GenText::SetDialogLanguage(LangDutch);
  w->UpdateTexts();
  EXPECT_EQ(w->windowTitle().toStdString(), "Boom - [All]");
  EXPECT_EQ(w->MBoard->title().toStdString(), FromQ(ToQ(CommonText::S_MBoard)));
  EXPECT_EQ(w->MUpdateGameList->text(), "Update_Game_List");
  uitest::Snapshot(w.get(), "tree-dutch");
  CommonText::SetUILanguage(LangEnglish);
  GenText::SetDialogLanguage(LangEnglish);
}

}  // namespace

// ---- Moves on the board, typed moves, try-out, autoplay and the commands

namespace {

class TreeBoardTest : public TreeWindowTest {
 protected:
  // The shown window over the twenty games, game list ticked.
  std::unique_ptr<TTreeDlg> Shown() {
    StoreKnownGames();
    auto w = Window(db.NewAllGamesList());
    ListWindowHandlers h;
    h.viewGame = [this](int32_t n) { viewed.push_back(n); };
    w->SetHandlers(h);
    w->show();
    QApplication::setActiveWindow(w.get());
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->MUpdateGameList->click();
    return w;
  }
  static QPoint Centre(const TTreeDlg &w, int file, int rank) {
    return w.Board->SquareToPixel(file, rank) + QPoint(w.Board->SquareWidth() / 2, w.Board->SquareHeight() / 2);
  }
  // "e2e4" as a drag.
  static void Drag(TTreeDlg &w, const char *squares) {
    const QPoint from = Centre(w, squares[0] - 'a' + 1, squares[1] - '0');
    const QPoint to = Centre(w, squares[2] - 'a' + 1, squares[3] - '0');
    QTest::mousePress(w.Board, Qt::LeftButton, {}, from);
    QTest::mouseMove(w.Board, to);
    QTest::mouseRelease(w.Board, Qt::LeftButton, {}, to);
  }
  static void Click(TTreeDlg &w, const char *square, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(w.Board, button, {}, Centre(w, square[0] - 'a' + 1, square[1] - '0'));
  }
  int PathLength(const TTreeDlg &w) { return db.TreePathMoves(w.TreeView()).Count(); }
};

TEST_F(TreeBoardTest, BoardMovesFollowTheTreeOrStartTryOut) {
  auto w = Shown();
  Drag(*w, "e2e4");
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e5", "c5", "c6"}));
  EXPECT_EQ(w->GameList->count(), 10);
  EXPECT_EQ(PathLength(*w), 1);
  // 1... a6 is no move of the node.
  Drag(*w, "a7a6");
  EXPECT_TRUE(w->TryOut());
  EXPECT_TRUE(w->SBTryOut->isVisible());
  EXPECT_EQ(w->SBTryOut->text(), "End Try Out");
  EXPECT_EQ(w->MoveList->count(), 0);
  EXPECT_EQ(PathLength(*w), 1);
  Drag(*w, "d2d4");
  EXPECT_EQ(w->TryOutMoves().Count(), 3);
  // Ending try-out puts the board back on the tree's path.
  w->SBTryOut->click();
  EXPECT_FALSE(w->TryOut());
  EXPECT_FALSE(w->SBTryOut->isVisible());
  EXPECT_EQ(w->Board->MoveList().Count(), 1);
  EXPECT_NE(Fen(*w).find("4P3/8/PPPP1PPP"), std::string::npos);
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e5", "c5", "c6"}));
}

TEST_F(TreeBoardTest, TryOutMovesNeverStepTheTree) {
  auto w = Shown();
  Drag(*w, "e2e4");
  Drag(*w, "e7e5");
  Drag(*w, "f1c4");  // the node holds only 2. Nf3
  ASSERT_TRUE(w->TryOut());
  Drag(*w, "b8c6");
  // 3. Nf3 has the squares of the node's 2. Nf3: try-out goes on.
  Drag(*w, "g1f3");
  EXPECT_TRUE(w->TryOut());
  EXPECT_EQ(PathLength(*w), 2);
  EXPECT_EQ(w->TryOutMoves().Count(), 5);
  EXPECT_EQ(w->Board->MoveList().Count(), 5);
  EXPECT_EQ(w->MoveList->count(), 0);
}

TEST_F(TreeBoardTest, ARightClickTakeBackStepsTheTreeBackWithTheBoard) {
  ChessApp.RightClickTakesBack = true;
  auto w = Shown();
  const std::string start = Fen(*w);
  Drag(*w, "e2e4");
  Click(*w, "e4", Qt::RightButton);
  EXPECT_FALSE(w->TryOut());
  EXPECT_EQ(Fen(*w), start);
  EXPECT_EQ(PathLength(*w), 0);
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"e4", "d4", "c4"}));
  EXPECT_EQ(w->LastMoveLbl->text(), "1.");
  EXPECT_EQ(w->GameList->count(), 20);
  // A move list row played afterwards is played on the right position.
  w->MoveListDblClick(1);
  EXPECT_NE(Fen(*w).find("3P4"), std::string::npos);
}

TEST_F(TreeBoardTest, AlternativesOfADestinationFirstClick) {
  ChessApp.RightClickTakesBack = true;
  // After 1. Nc3 e5 2. Nf3 e4 3. Ng5 d5 only the two knights take on e4.
  // Which one a click on e4 offers first:
  TChessBoard probe;
  for (const char *m : {"b1c3", "e7e5", "g1f3", "e5e4", "f3g5", "d7d5"}) {
    MoveRec r;
    probe.Position().BuildMove(m[0] - 'a' + 1, m[1] - '0', m[2] - 'a' + 1, m[3] - '0', 0, r);
    probe.DoMove(r);
  }
  probe.show();
  QTest::mouseClick(&probe, Qt::LeftButton, {},
                    probe.SquareToPixel(5, 4) + QPoint(probe.SquareWidth() / 2, probe.SquareHeight() / 2));
  MoveRec first;
  probe.GetPendingMove(first);
  ASSERT_EQ(probe.GetInputState(), 1);
  const bool cFirst = first.fromFile == 3;
  const std::string start = "1. Nc3 e5 2. Nf3 e4 3. Ng5 d5 4. ";
  const std::string firstLine = start + (cFirst ? "Ncxe4" : "Ngxe4");
  const std::string otherLine = start + (cFirst ? "Ngxe4" : "Ncxe4");
  const auto toNode = [&](TTreeDlg &w) {
    w.show();
    for (const char *m : {"Nc3", "e5", "Nf3", "e4", "Ng5", "d5"}) Play(w, m);
  };

  // Only the first knight's move in the tree.
  ASSERT_GT(db.SavePgnText(-1, Game(30, "1-0", firstLine)), 0);
  {
    auto w = Window(db.NewAllGamesList());
    toNode(*w);
    Click(*w, "e4");
    EXPECT_FALSE(w->TryOut());
    EXPECT_EQ(PathLength(*w), 7) << "the tree follows the first knight";
    // The other knight is not in the tree: back one step, then try-out.
    Click(*w, "e4", Qt::RightButton);
    EXPECT_TRUE(w->TryOut());
    EXPECT_EQ(PathLength(*w), 6);
    EXPECT_EQ(w->Board->MoveList().Count(), 7);
    // Exhausted: try-out ends with board and tree on the node.
    Click(*w, "e4", Qt::RightButton);
    EXPECT_FALSE(w->TryOut());
    EXPECT_EQ(PathLength(*w), 6);
    EXPECT_EQ(w->Board->MoveList().Count(), 6);
    EXPECT_EQ(Moves(*w), std::vector<std::string>{cFirst ? "Ncxe4" : "Ngxe4"});
  }
  // Both knights in the tree: the right click follows to the other's node.
  ASSERT_GT(db.SavePgnText(-1, Game(31, "1-0", otherLine)), 0);
  auto w = Window(db.NewAllGamesList());
  toNode(*w);
  Click(*w, "e4");
  Click(*w, "e4", Qt::RightButton);
  EXPECT_FALSE(w->TryOut());
  EXPECT_EQ(PathLength(*w), 7);
  MoveRec last;
  w->Board->GetLastMove(last);
  EXPECT_EQ(db.TreePathMoves(w->TreeView()).At(7).fromFile, last.fromFile);
  EXPECT_NE(last.fromFile, first.fromFile);
}

TEST_F(TreeBoardTest, ExhaustingASecondTryOutMovesAlternativesDropsOnlyIt) {
  ChessApp.RightClickTakesBack = true;
  auto w = Shown();
  Drag(*w, "a2a3");
  ASSERT_TRUE(w->TryOut());
  ASSERT_TRUE(w->LeftTreeByBoardMove());
  Click(*w, "c6");  // the knight or the pawn
  EXPECT_FALSE(w->LeftTreeByBoardMove());
  EXPECT_EQ(w->TryOutMoves().Count(), 2);
  Click(*w, "c6", Qt::RightButton);
  EXPECT_EQ(w->TryOutMoves().Count(), 2) << "the other man replaces it";
  Click(*w, "c6", Qt::RightButton);
  EXPECT_TRUE(w->TryOut());
  EXPECT_EQ(w->TryOutMoves().Count(), 1);
  EXPECT_EQ(w->Board->MoveList().Count(), 1);
}

TEST_F(TreeBoardTest, TypedMoves) {
  auto w = Shown();
  Play(*w, "e4");
  Play(*w, "e5");
  w->GameList->setFocus();
  QTest::keyClicks(w->GameList, "Nf3");
  EXPECT_FALSE(w->TryOut());
  EXPECT_EQ(Moves(*w), (std::vector<std::string>{"Nc6", "Nf6"}));
  EXPECT_EQ(w->GameList->count(), 6);
  QTest::keyClicks(w->GameList, "a6");
  ASSERT_TRUE(w->TryOut());
  QTest::keyClicks(w->GameList, "Bc4");
  EXPECT_EQ(w->TryOutMoves().Count(), 5) << "typing extends the try-out";
  // Esc clears what was typed; a refused character beeps.
  const QString last = w->LastMoveLbl->text();
  QTest::keyClicks(w->GameList, "N");
  EXPECT_EQ(w->LastMoveLbl->text(), "N");
  QTest::keyClick(w->GameList, Qt::Key_Escape);
  EXPECT_EQ(w->LastMoveLbl->text(), last);
  beeps = 0;
  QTest::keyClicks(w->GameList, "Z");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(w->LastMoveLbl->text(), last);
  EXPECT_EQ(w->Board->TypedMoveText(), "");
  // Tab moves the focus; Enter in the game list views the game.
  QTest::keyClick(w->GameList, Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), w->GameList);
  w->GameList->setFocus();
  QTest::keyClick(w->GameList, Qt::Key_Return);
  EXPECT_EQ(viewed.size(), 1u);
  // With the menu open a letter enters nothing.
  w->show();
  w->MTryOutClick();
  w->MExtra->popup(w->mapToGlobal(QPoint(0, 0)));
  QTest::keyClicks(w->MExtra, "h");
  EXPECT_EQ(w->Board->TypedMoveText(), "");
  w->MExtra->close();
  EXPECT_EQ(w->Board->MoveList().Count(), 3);
}

TEST_F(TreeBoardTest, SteppingInTryOut) {
  auto w = Shown();
  for (const char *m : {"e4", "e5", "Nf3"}) Play(*w, m);
  w->MTryOut->trigger();
  ASSERT_TRUE(w->TryOut());
  EXPECT_FALSE(w->LeftTreeByBoardMove());
  QTest::keyClick(w->GameList, Qt::Key_Left);
  EXPECT_EQ(w->Board->MoveList().Count(), 2);
  EXPECT_EQ(PathLength(*w), 3) << "the tree stays";
  beeps = 0;
  QTest::keyClick(w->GameList, Qt::Key_Right);
  EXPECT_EQ(w->Board->MoveList().Count(), 3);
  QTest::keyClick(w->GameList, Qt::Key_Right);
  EXPECT_EQ(beeps, 1);
  QTest::keyClick(w->GameList, Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(beeps, 2) << "no branches in try-out";
  QTest::keyClick(w->GameList, Qt::Key_Home);
  EXPECT_EQ(w->Board->MoveList().Count(), 0);
  w->MTryOut->trigger();
  EXPECT_EQ(w->Board->MoveList().Count(), 3);
}

TEST_F(TreeBoardTest, AutoplayWalksTheSelectedMovesToALeaf) {
  ChessApp.AutoPlayDelay = 700;
  auto w = Shown();
  w->MAutoPlay->trigger();
  EXPECT_TRUE(w->AutoPlayTimer->isActive());
  EXPECT_EQ(w->AutoPlayTimer->interval(), 700);
  EXPECT_EQ(w->AutoPlayBtn->text(), "[ X ]");
  EXPECT_TRUE(w->MAutoPlay->isChecked());
  EXPECT_EQ(PathLength(*w), 1) << "one tick at once";
  for (int i = 0; i < 20 && w->AutoPlayTimer->isActive(); ++i) w->AutoPlayTimerTimer();
  EXPECT_FALSE(w->AutoPlayTimer->isActive());
  EXPECT_EQ(db.TreeMoveCount(w->TreeView()), 0);
  EXPECT_EQ(w->AutoPlayBtn->text(), ">>");
  EXPECT_FALSE(w->MAutoPlay->isChecked());
  EXPECT_EQ(w->Board->MoveList().Count(), PathLength(*w));
  beeps = 0;
  w->AutoPlayBtn->click();
  EXPECT_EQ(beeps, 1) << "at a leaf";
  // A navigation command, a hide and Detach each stop it.
  w->SBFirst->click();
  w->AutoPlayBtn->click();
  ASSERT_TRUE(w->AutoPlayTimer->isActive());
  w->SBPrev->click();
  EXPECT_FALSE(w->AutoPlayTimer->isActive());
  w->AutoPlayBtn->click();
  w->hide();
  EXPECT_FALSE(w->AutoPlayTimer->isActive());
  w->show();
  w->AutoPlayBtn->click();
  ASSERT_TRUE(w->AutoPlayTimer->isActive());
  w->Detach();
  EXPECT_FALSE(w->AutoPlayTimer->isActive());
  ChessApp.AutoPlayDelay = 1500;
}

TEST_F(TreeBoardTest, AutoplayInTryOutEndsTryOut) {
  auto w = Shown();
  Drag(*w, "a2a3");
  ASSERT_TRUE(w->TryOut());
  w->MAutoPlay->trigger();
  EXPECT_FALSE(w->TryOut());
  EXPECT_FALSE(w->AutoPlayTimer->isActive());
  EXPECT_EQ(w->Board->MoveList().Count(), 0);
}

TEST_F(TreeBoardTest, MoveSortAndColumns) {
  auto w = Shown();
  Play(*w, "e4");
  w->MoveListView->SelectRow(2);  // c6
  const int total = w->MoveColumns().IndexOfColumn(w->MoveColumns().IndexOfKey("movetotalcount"));
  const int nr = w->MoveColumns().IndexOfColumn(w->MoveColumns().IndexOfKey("movenr"));
  ASSERT_GT(total, 0);
  ASSERT_GT(nr, 0);
  QTest::mouseClick(w->MoveListHC->viewport(), Qt::LeftButton, {},
                    QPoint(w->MoveListHC->sectionViewportPosition(total - 1) + 5, 5));
  EXPECT_EQ(w->MoveSortKind(), ckMoveTotalCount);
  EXPECT_EQ(Moves(*w)[static_cast<size_t>(w->MoveList->currentRow())], "c6") << "the selected move stays";
  EXPECT_TRUE(w->MoveList->currentItem()->isSelected());
  w->MoveListHCSectionClick(total - 1);
  EXPECT_EQ(w->MoveSortKind(), 0);
  w->MoveListHCSectionClick(total - 1);
  w->MoveListHCSectionClick(nr - 1);
  EXPECT_EQ(w->MoveSortKind(), 0) << "movenr is the tree's own order";
  // The sort menu leaves the number column out.
  for (QAction *a : w->MSortMovesBy->actions())
    EXPECT_EQ(a->text().indexOf(ToQ(w->MoveColumns().ColumnTitle(nr))), -1) << a->text().toStdString();
  EXPECT_EQ(w->MSortMovesBy->actions().front()->text().toStdString(), "&0: " + CommonText::S_FileOrder);

  // Move columns through the header-options dialog.
  TEditGameInfoLineOptionsDlg dlg;
  w->LineOptionsDlg = &dlg;
  const int before = w->MoveColumns().Count();
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      auto &e = static_cast<TEditGameInfoLineOptionsDlg &>(d);
      e.UsedList->setCurrentRow(0);
      e.RemoveBtnClick();  // movenr
      return modal::ClickButton(d, "OKBtn");
    });
    w->MMoveLineOptions->trigger();
  }
  EXPECT_EQ(w->MoveColumns().Count(), before - 1);
  EXPECT_EQ(w->MoveListHC->count(), before - 1);
  EXPECT_EQ(db.TreeColumns(w->TreeView()).Count(), before - 1);
  std::vector<std::string> texts;
  ASSERT_TRUE(w->MoveRowTexts(0, texts));
  EXPECT_EQ(texts[0], "e5");
  uitest::Snapshot(w.get(), "tree-move-columns");
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      static_cast<TEditGameInfoLineOptionsDlg &>(d).RemoveBtnClick();
      return modal::ClickButton(d, "CancelBtn");
    });
    w->MMoveLineOptions->trigger();
  }
  EXPECT_EQ(w->MoveColumns().Count(), before - 1);
}

TEST_F(TreeBoardTest, ListenersBoardCommandsInfoAndCopy) {
  auto w = Shown();
  Play(*w, "e4");
  ChessApp.MoveDelay = 7;
  ChessApp.NotifyBoardListeners();
  EXPECT_EQ(w->Board->MoveDelay(), 7);
  ChessApp.MoveDelay = 0;
  ChessApp.NotifyBoardListeners();
  ChessApp.MoveListNotation = kNotationLong;
  ChessApp.NotifyListListeners();
  std::vector<std::string> texts;
  ASSERT_TRUE(w->MoveRowTexts(0, texts));
  EXPECT_NE(std::find(texts.begin(), texts.end(), "e7-e5"), texts.end());

  // Flip with the coordinate labels; the board menu's ticks.
  ChessApp.ShowCoordinates = true;
  w->MFlip->trigger();
  EXPECT_EQ(w->Board->ColorAtTop(), cWhite);
  EXPECT_EQ(w->FileLabels[0]->text(), "h");
  emit w->MBoard->aboutToShow();
  EXPECT_EQ(w->MSmallerBoard->isEnabled(), w->Board->CanMakeSmaller());
  EXPECT_EQ(w->MLargerBoard->isEnabled(), w->Board->CanMakeLarger());
  EXPECT_FALSE(w->MTryOut->isChecked());
  if (w->Board->CanMakeLarger()) {
    const int boardWidth = w->Board->width();
    w->MLargerBoard->trigger();
    EXPECT_GT(w->Board->width(), boardWidth);
    EXPECT_EQ(w->ControlPanel->y(), w->BoardPanel->geometry().bottom() + 1);
  }
  uitest::Snapshot(w.get(), "tree-flipped");

  // Tree information, one message.
  messages.clear();
  w->MTreeInfoClick();
  ASSERT_EQ(messages.size(), 1u);
  StrListO lines;
  db.TreeStatisticsText(w->TreeView(), lines);
  EXPECT_EQ(static_cast<int>(std::count(messages[0].begin(), messages[0].end(), '\n')) + 1, lines.Count());
  EXPECT_FALSE(w->MTreeInfo->isVisible());

  w->SBCopyPosition->click();
  EXPECT_EQ(QApplication::clipboard()->text().toStdString(), Fen(*w));

  // Gone: notifying reaches nothing of it.
  w.reset();
  ChessApp.NotifyBoardListeners();
  ChessApp.NotifyListListeners();
}

TEST_F(TreeBoardTest, PicturesOfTryOutAndAutoplay) {
  auto w = Shown();
  Play(*w, "e4");
  Drag(*w, "a7a6");
  ASSERT_TRUE(w->SBTryOut->isVisible());
  EXPECT_LE(w->SBTryOut->geometry().right(), w->ControlPanel->width());
  EXPECT_EQ(w->SBTryOut->geometry().right() + 1, w->BoardBevel->geometry().right() + 1);
  EXPECT_LT(w->LastMoveLbl->geometry().right(), w->SBTryOut->x());
  EXPECT_LE(w->LastMoveLbl->fontMetrics().horizontalAdvance(w->LastMoveLbl->text()), w->LastMoveLbl->width());
  uitest::Snapshot(w.get(), "tree-try-out");
  w->SBTryOut->click();
  w->MAutoPlay->trigger();
  uitest::Snapshot(w.get(), "tree-autoplay");
  w->StopAutoPlay();
}

}  // namespace

namespace {

TEST_F(TreeBoardTest, ExportWritesTheNodesGames) {
  auto w = Shown();
  Play(*w, "d4");
  ASSERT_EQ(w->GameList->count(), 6);
  ChessApp.ExportDir = data.Path();
  const std::string file = data.File("node.pgn");
  modal::ScopedAnswerer a([&](QDialog &d) {
    auto *fd = qobject_cast<QFileDialog *>(&d);
    if (!fd) return int(QDialog::Rejected);
    fd->selectFile(QFile::decodeName(QByteArray::fromStdString(file)));
    return int(QDialog::Accepted);
  });
  w->MExportGames->trigger();
  std::string written, expected;
  ASSERT_TRUE(files::ReadAll(file, written));
  for (int32_t n : Rows(*w)) expected += db.GetPgnText(n, 0, true, false) + "\r\n\r\n";
  EXPECT_EQ(written, expected);
}

}  // namespace
