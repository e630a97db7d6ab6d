// The tree window from the main window: opened "As tree" from the games
// window, a game viewed from it starts at the tree's position, and the
// database menu's tree command brings the window back.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>

#include "AppTestUtil.h"
#include "board/ui/ChsBrds.h"
#include "dbwindows/DlgGames.h"
#include "dbwindows/DlgTree.h"

using apptest::MainFixture;

namespace {

TEST(TreeCommandsTest, AGameViewedFromTheTreeStartsAtItsPosition) {
  MainFixture fx;
  ChessApp.MoveDelay = ChessApp.MoveBackDelay = 0;
  std::string pgn;
  const char *const lines[] = {"1. e4 e5 2. Nf3 Nc6", "1. e4 c5 2. Nf3 d6", "1. d4 d5 2. c4 e6"};
  for (int i = 0; i < 3; ++i)
    pgn += "[Event \"E\"]\n[Site \"S\"]\n[Date \"2001.01.01\"]\n[Round \"1\"]\n[White \"W" + std::to_string(i + 1) +
           "\"]\n[Black \"B\"]\n[Result \"*\"]\n\n" + lines[i] + " *\n\n";
  fx.dir().Write("tree.pgn", pgn);
  TMainForm &f = fx.Form();
  ASSERT_TRUE(f.OpenFile(fx.dir().File("tree.pgn")));
  f.GameListMan.ShowDefaultGamesWindow();
  auto *games = dynamic_cast<TGamesDlg *>(f.GameListMan.GamesEntry(1).gamesWindow);
  ASSERT_TRUE(games);
  games->MAsTree->trigger();
  ASSERT_EQ(f.GameListMan.GamesWindowCount(), 2);
  auto *tree = dynamic_cast<TTreeDlg *>(f.GameListMan.GamesEntry(2).treeWindow);
  ASSERT_TRUE(tree);
  EXPECT_FALSE(games->isVisible());
  tree->MUpdateGameList->click();
  tree->MoveListDblClick(0);  // 1. e4
  tree->MoveListDblClick(0);  // 1... e5
  ASSERT_EQ(tree->Board->MoveList().Count(), 2);
  ASSERT_EQ(tree->GameList->count(), 1);
  tree->SelectGame(1);
  tree->MView->trigger();
  EXPECT_EQ(f.CurrentGameNumber, 1);
  EXPECT_EQ(f.Game.PathMoves().Count(), 2) << "after 1... e5";
  EXPECT_EQ(f.Board->GetFEN(), tree->Board->GetFEN());
  EXPECT_FALSE(tree->isVisible());

  // At the root the main window's own option decides.
  tree->SBFirstClick();
  EXPECT_EQ(tree->GameStartPly(3), 0);
  // The database menu's command brings the tree back.
  emit f.Menu("MFile")->aboutToShow();
  ASSERT_TRUE(f.Item("MTreeDlg")->isEnabled());
  f.Item("MTreeDlg")->trigger();
  EXPECT_TRUE(tree->isVisible());
  ASSERT_TRUE(f.CloseFile());
  EXPECT_EQ(f.GameListMan.GamesWindowCount(), 0);
  ChessApp.MoveDelay = ChessApp.MoveBackDelay = 10;
}

}  // namespace
