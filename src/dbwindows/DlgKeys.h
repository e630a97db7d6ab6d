#pragma once
// The keys window: the database's opening keys, one key at a time. Its rows
// are the current key's sub-keys, then the games classified under it; a
// sub-key row leads down into that key, a game row opens the game. One
// window per database, made by the manager while the database has keys.
#include <cstdint>

#include "dbwindows/PagedListWindow.h"

class QToolButton;

class TKeysDlg : public PagedListWindow {
  Q_OBJECT
 public:
  explicit TKeysDlg(QWidget *parent = nullptr);

  int32_t NextGame(int32_t n) override;
  int32_t PrevGame(int32_t n) override;
  // Where the game reaches the key's position when "OpenOnKeyPosition" is
  // on (the start counting as 1); else 0.
  int32_t GameStartPly(int32_t n) override;
  void RefillKeepSelection() override;
  // Key 0 is the root.
  void GotoKey(int32_t key) override;

  void MViewClick() override;
  void MParentKeyClick();
  void MSearchGamesClick();
  void MAsTreeClick();
  void MExportGamesClick();
  void MShowKeyPositionsClick();
  void Exprt1Click();
  // Whether the row at position is a sub-key row.
  bool IsSubKeyRow(int32_t position) const;

  QWidget *GameListPanel;
  QListWidget *GameList;
  QPlainTextEdit *GameMemo;
  QMenu *GameListPopup;
  QToolButton *SBParentKey, *SBSearchGames, *SBAsTree;
  QAction *MShowKeyPositions, *PMShowKeyPositions, *exprt1, *exprt1Separator, *MParentKey, *MSearchGames,
      *MAsTree, *MExportGames;

 protected:
  std::unique_ptr<PagedListSource> MakeSource(DatabaseO &database, int32_t slot) override;
  void UpdateOwnTexts() override;
  void UpdateStatusText() override;
  std::string WindowCaption() const override;
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  // The current key changed: page 1, its remembered sub-key (or row 1),
  // and the owner told.
  void ShowKeyChanged(bool notify);
  void NotifyNavigation();
  GameCommands commands_;
};
