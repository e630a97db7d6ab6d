#pragma once
// The games window: one game-list slot of the open database (all games, a
// search result, or a list another window handed over), a memo with the
// selected game's header and moves, and the commands on the list's games.
// The window manager makes it, keeps it through hides and releases it.
#include <cstdint>

#include "dbwindows/PagedListWindow.h"

class QToolButton;

class TGamesDlg : public PagedListWindow {
  Q_OBJECT
 public:
  explicit TGamesDlg(QWidget *parent = nullptr);

  void Detach() override;
  int32_t NextGame(int32_t n) override;
  int32_t PrevGame(int32_t n) override;
  // The main window opens the game by its own option.
  int32_t GameStartPly(int32_t) override { return 0; }

  // The slot shown; 0 while detached.
  int32_t ListSlot() const { return listSlot_; }
  // The search dialog over this window's games (the manager's search).
  void MSearchGamesClick();
  // A tree window of this window's games.
  void MAsTreeClick();
  // The window's games, in row order, to a PGN file the user names.
  void MExportGamesClick();

  // The form's own names for the shared controls.
  QWidget *GameListPanel;
  QListWidget *GameList;
  QPlainTextEdit *GameMemo;
  QMenu *GameListPopUp;
  QToolButton *SBSearchGames, *SBAsTree;
  QAction *MSearchGames, *MAsTree, *MExportGames;

 protected:
  std::unique_ptr<PagedListSource> MakeSource(DatabaseO &database, int32_t slot) override;
  void UpdateOwnTexts() override;

 private:
  int32_t listSlot_ = 0;
  GameCommands commands_;
};
