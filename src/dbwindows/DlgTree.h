#pragma once
// The opening-tree window: a tree of the games of a game-list slot, walked
// on a board. The move list shows the current node's moves with their
// statistics; the game list below, the games window's paged list on a slot
// of the window's own, holds the games through the node while
// "Update_Game_List" is ticked. The window manager makes it ("As tree") and
// destroys it when the database closes or another tree replaces it.
#include <QPoint>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chess/Moves.h"
#include "dbwindows/DlgTreeLayout.h"
#include "dbwindows/PagedListWindow.h"

class QCheckBox;
class QKeyEvent;
class QFrame;
class QSplitter;
class QTimer;
class TChessBoard;
class MoveColumnsO;

class TTreeDlg : public PagedListWindow {
  Q_OBJECT
 public:
  explicit TTreeDlg(QWidget *parent = nullptr);
  ~TTreeDlg() override;

  // ---- Window operations ----
  // Takes a tree view of the slot's games and a game-list slot of its own;
  // the source slot stays its owner's. False, with both given back, when
  // either is not to be had.
  bool Open(DatabaseO *database, int32_t slot, const std::string &title) override;
  // Gives back the tree view and the own slot, never the source slot.
  void Detach() override;
  int32_t NextGame(int32_t n) override;
  int32_t PrevGame(int32_t n) override;
  // The main window's ply (1 is the start) at which game n reaches the
  // board's position: k + 1 after k >= 1 plies; 0 at the root, for a game
  // that never reaches it and for a game that cannot be read.
  int32_t GameStartPly(int32_t n) override;

  // ---- Walking the tree ----
  void GotoMove(int i);
  void GoBack(bool withBoard);
  void SBFirstClick();
  void SBBackToBranchClick();
  void SBPrevClick();
  void SBNextClick();
  void SBLastClick();
  // Plays the move of move-list row r (0-based) on the board and follows it.
  void MoveListDblClick(int r);
  void MSearchGamesClick();

  // ---- Board input, try-out ----
  // After every action on the board (and a typed move): what it did, by
  // the board's input state, read by try-out: outside try-out the board
  // follows the tree or leaves it, in try-out it plays freely.
  void BoardMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int file, int rank);
  // A typed character of the move entry; false for keys it leaves alone.
  bool FormKeyPress(const QKeyEvent &key);
  void KeyMoveEntry(char c);
  void MTryOutClick();

  // ---- Autoplay ----
  void MAutoPlayClick();
  void AutoPlayTimerTimer();
  void StopAutoPlay();

  // ---- Commands ----
  void SetMoveSortKind(uint8_t kind);
  void MoveListHCSectionClick(int section);
  void MMoveLineOptionsClick();
  void MTreeInfoClick();
  // The node's games, in row order, to a PGN file the user names.
  void MExportGamesClick();
  void MFlipClick();
  void MSmallerBoardClick();
  void MLargerBoardClick();
  void MReplayLastMoveClick();
  // The board menu's ticks and size items, as it opens.
  void MBoardClick();
  void SBCopyPositionClick();

  // ---- Lists ----
  void BuildGameListForNode();
  void FillMoveList();
  void MUpdateGameListClick();

  // ---- Board and labels ----
  void UpdatePositionLabels();
  void PlaceCoordinateLabels();
  void ArrangeMiddlePanel();
  treelayout::Input LayoutInput() const;

  // ---- State ----
  int32_t SourceSlot() const { return sourceSlot_; }
  int TreeView() const { return treeView_; }
  int32_t GameListSlot() const { return gameListSlot_; }
  uint8_t MoveSortKind() const { return moveSortKind_; }
  MoveColumnsO &MoveColumns() { return *moveColumns_; }
  bool TryOut() const { return tryOut_; }
  const MoveListO &TryOutMoves() const { return tryOutMoves_; }
  bool LeftTreeByBoardMove() const { return leftTreeByBoardMove_; }
  int LeftPanelWidth() const;
  int MiddlePanelWidth() const;
  // The texts move-list row `row` (0-based) draws, the "move" column in the
  // move-list notation; false for a row that stands for no move.
  bool MoveRowTexts(int row, std::vector<std::string> &texts) const;
  // The move-list row of the node's move index; -1 when none.
  int RowOfMove(int i) const;

  // ---- Controls ----
  QToolButton *SBSearchGames, *SBCopyPosition, *SBFlip;
  QSplitter *Panel1;
  QWidget *LeftPanel, *MiddlePanel, *RightPanel;
  QWidget *BoardPanel, *ControlPanel, *CommentPanel, *ButtonPanel;
  QFrame *BoardBevel;
  TChessBoard *Board;
  std::array<QLabel *, 8> FileLabels{}, RankLabels{};
  QLabel *LastMoveLbl, *ColorToMoveLbl, *MatDiffLbl;
  QPushButton *SBTryOut, *SBFirst, *SBBackToBranch, *SBPrev, *SBNext, *SBLast, *AutoPlayBtn;
  PagedListView *MoveListView;
  QHeaderView *MoveListHC;
  QListWidget *MoveList;
  QCheckBox *MUpdateGameList;
  QWidget *GameListPanel;
  QListWidget *GameList;
  QPlainTextEdit *GameMemo;
  QMenu *GameListPopUp, *MSortMovesBy, *MBoard;
  QAction *MTreeInfo, *MSearchGames, *MExportGames, *MMoveLineOptions;
  QAction *MFlip, *MSmallerBoard, *MLargerBoard, *MTryOut, *MReplayLastMove, *MAutoPlay;
  QTimer *AutoPlayTimer;

 protected:
  std::unique_ptr<PagedListSource> MakeSource(DatabaseO &database, int32_t slot) override;
  void UpdateOwnTexts() override;
  void showEvent(QShowEvent *e) override;
  void hideEvent(QHideEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  void LoadTreeSettings();
  void SaveTreeSettings();
  void WriteTreeSettings(const std::string &path);
  void BuildMoveHeader();
  void ApplyBoardSettings();
  void SetBoardToNode();
  void AfterNodeChange();
  // Home, Ctrl+Left, Left, Right and End; false for other keys.
  bool NavigationKey(int key, Qt::KeyboardModifiers modifiers);
  void ApplyPanelWidths();
  void BuildMoveSortMenu();
  // Try-out from a board move the node does not hold.
  void StartTryOut();
  void ClearTypedMove();
  void ShowTryOutButton(bool on);
  void ChangeBoardSize(bool larger);
  void RefuseTypedMove();
  void PlayRow(int r);
  void ListSettingsChanged();

  int32_t sourceSlot_ = 0;
  int treeView_ = 0;
  int32_t gameListSlot_ = 0;
  uint8_t moveSortKind_ = 0;
  std::unique_ptr<MoveColumnsO> moveColumns_;
  bool tryOut_ = false;
  MoveListO tryOutMoves_;
  bool leftTreeByBoardMove_ = false;
  // The "move" column's text of each move-list row, written when the list
  // is filled.
  std::vector<std::string> moveTexts_;
  // The widths asked for until the window shows.
  int leftPanelWidth_ = 0, middlePanelWidth_ = 0;
  // The tree's own settings as they were at the first show.
  ini::Values treeSettingsAtShow_;
  std::set<std::string> draggedMoveColumns_;
  GameCommands commands_;
};
