#include "dbwindows/DlgTree.h"

#include <QAction>
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "appman/ChessAppMan.h"
#include "board/ui/BoardLabels.h"
#include "board/ui/ChsBrds.h"
#include "board/ui/TypedMove.h"
#include "chess/Intra.h"
#include "chess/Language.h"
#include "chess/PGNTypes.h"
#include "chess/Posns.h"
#include "database/DatabaseMan.h"
#include "database/QZGamePlayer.h"
#include "database/QZUtils.h"
#include "dbwindows/GameListMan.h"
#include "dbwindows/GamesExport.h"
#include "dbwindows/PagedListView.h"
#include "foundation/CommonText.h"
#include "foundation/Lists.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

namespace {

const char *const kSplit = "TreeSplit";
const char *const kMoveLineOptions = "TreeMoveLineOptions";
const char *const kMoveWidths = "TreeMoveList";
// The design widths of the panels beside and holding the board, and the
// splitters' minimum size.
constexpr int kDesignLeftWidth = 30;
constexpr int kDesignMiddleWidth = 545;
constexpr int kSplitterMinSize = 30;
constexpr int kStepButtonWidth = 25, kStepButtonHeight = 22;

PagedListConfig TreeConfig() {
  PagedListConfig c;
  c.caption = &CommonText::S_Tree;
  c.noun = &CommonText::S_Games;
  c.leftOutKey = "gamenr";
  c.storedAsZero = ckGameNr;
  c.splitSection = kSplit;
  c.lineOptionsSection = "TreeLineOptions";
  c.widthsSection = "TreeGameList";
  c.placementSection = "TreeGameWindow";
  c.designWidth = 611;
  c.designHeight = 546;
  return c;
}

QAction *NewAction(QWidget *owner, const char *name, const char *text, const QKeySequence &shortcut = {}) {
  auto *a = new QAction(QString::fromLatin1(text), owner);
  a->setObjectName(QString::fromLatin1(name));
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  return a;
}

// The language moves and material are written in: figurines when chosen and
// the font has them.
LanguageId DisplayLanguage() {
  return ChessApp.UseFigurines && ChessApp.ApplicationFontHasFigurines ? LangSymbolic : ChessApp.InterfaceLanguage;
}

// The move's SAN without the number the database side writes before it.
std::string UnnumberedSAN(const MailboxPos &pos, Move2 m) {
  const std::string san = MoveToSAN(pos, m, false);
  const size_t dot = san.find_last_of('.');
  return dot == std::string::npos ? san : san.substr(san.find_first_not_of(' ', dot + 1));
}

}  // namespace

TTreeDlg::TTreeDlg(QWidget *parent)
    : PagedListWindow(TreeConfig(), parent), moveColumns_(std::make_unique<MoveColumnsO>()) {
  setObjectName("TreeDlg");
  setWindowTitle("Games");
  GameListPanel = ListPanel;
  GameList = List;
  GameMemo = Memo;
  GameListPopUp = Popup;

  // Toolbar.
  SBSearchGames = AddToolButton("SBSearchGames", "Find");
  SBCopyPosition = AddToolButton("SBCopyPosition", "CopyPosition");
  SBFlip = AddToolButton("SBFlip", "FlipBoard");

  // Panel1: the board between two panels.
  Panel1 = new QSplitter(Qt::Horizontal, centralWidget());
  Panel1->setObjectName("Panel1");
  Panel1->setChildrenCollapsible(false);
  Panel1->setHandleWidth(3);
  LeftPanel = new QWidget;
  LeftPanel->setObjectName("LeftPanel");
  MiddlePanel = new QWidget;
  MiddlePanel->setObjectName("MiddlePanel");
  RightPanel = new QWidget;
  RightPanel->setObjectName("RightPanel");
  for (QWidget *p : {LeftPanel, MiddlePanel, RightPanel}) Panel1->addWidget(p);
  Panel1->setStretchFactor(0, 0);
  Panel1->setStretchFactor(1, 0);
  Panel1->setStretchFactor(2, 1);
  Panel1->handle(1)->setObjectName("Splitter1");
  Panel1->handle(2)->setObjectName("Splitter2");
  Panel1->setFixedHeight(333);
  CentralLayout()->insertWidget(1, Panel1);

  QWidget *boardPanel = nullptr;
  boardlabels::CreateBoardPanel(MiddlePanel, boardPanel, BoardBevel, Board);
  BoardPanel = boardPanel;
  boardlabels::Create(BoardPanel, FileLabels, RankLabels);
  Board->OnMouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int f, int r) {
    Guarded([&] { BoardMouseDown(b, m, f, r); });
  };

  ControlPanel = new QWidget(MiddlePanel);
  ControlPanel->setObjectName("ControlPanel");
  LastMoveLbl = new QLabel(ControlPanel);
  LastMoveLbl->setObjectName("LastMoveLbl");
  LastMoveLbl->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  ColorToMoveLbl = new QLabel(ControlPanel);
  ColorToMoveLbl->setObjectName("ColorToMoveLbl");
  MatDiffLbl = new QLabel(ControlPanel);
  MatDiffLbl->setObjectName("MatDiffLbl");
  SBTryOut = new QPushButton(QStringLiteral("End Try Out"), ControlPanel);
  SBTryOut->setObjectName("SBTryOut");
  SBTryOut->setFocusPolicy(Qt::NoFocus);
  SBTryOut->setVisible(false);
  ButtonPanel = new QWidget(ControlPanel);
  ButtonPanel->setObjectName("ButtonPanel");
  auto *bp = new QHBoxLayout(ButtonPanel);
  bp->setContentsMargins(0, 0, 0, 0);
  bp->setSpacing(0);
  const auto stepButton = [&](const char *name, const char *text) {
    auto *b = new QPushButton(QString::fromLatin1(text), ButtonPanel);
    b->setObjectName(QString::fromLatin1(name));
    b->setFixedSize(kStepButtonWidth, kStepButtonHeight);
    b->setFocusPolicy(Qt::NoFocus);
    bp->addWidget(b);
    return b;
  };
  SBFirst = stepButton("SBFirst", "|<");
  SBBackToBranch = stepButton("SBBackToBranch", "=<");
  SBPrev = stepButton("SBPrev", "<");
  SBNext = stepButton("SBNext", ">");
  SBLast = stepButton("SBLast", ">|");
  AutoPlayBtn = stepButton("AutoPlayBtn", ">>");
  ButtonPanel->setFixedSize(6 * kStepButtonWidth, kStepButtonHeight + 3);

  CommentPanel = new QWidget(MiddlePanel);
  CommentPanel->setObjectName("CommentPanel");
  auto *cp = new QVBoxLayout(CommentPanel);
  cp->setContentsMargins(0, 0, 3, 0);
  cp->setSpacing(2);
  MoveListView = new PagedListView(CommentPanel);
  MoveListView->setObjectName("MoveListView");
  MoveListHC = MoveListView->Header();
  MoveListHC->setObjectName("MoveListHC");
  MoveList = MoveListView->List();
  MoveList->setObjectName("MoveList");
  cp->addWidget(MoveListView, 1);
  MUpdateGameList = new QCheckBox(QStringLiteral("Update_Game_List"), CommentPanel);
  MUpdateGameList->setObjectName("MUpdateGameList");
  cp->addWidget(MUpdateGameList);
  // The stepping keys are taken wherever the focus is in the window.
  qApp->installEventFilter(this);
  MoveListView->SetRowSource([this](int row, std::vector<std::string> &texts, bool &deleted) {
    deleted = false;
    try {
      return MoveRowTexts(row, texts);
    } catch (const std::exception &) {
      // Drawing never reports: the next fill puts the list right.
      return false;
    }
  });
  NoteDraggedColumns(*MoveListView, *moveColumns_, draggedMoveColumns_);

  AutoPlayTimer = new QTimer(this);
  AutoPlayTimer->setObjectName("AutoPlayTimer");

  // Menus.
  MTreeInfo = AddExtraItem("MTreeInfo");
  MTreeInfo->setText("Tree Info");
  commands_ = AddGameCommands([this] { MSearchGamesClick(); }, nullptr, [this] { MExportGamesClick(); });
  MSearchGames = commands_.search;
  MExportGames = commands_.exportGames;
  MSortMovesBy = new QMenu(QStringLiteral("Sort Moves By"), MExtra);
  MSortMovesBy->setObjectName("MSortMovesBy");
  MExtra->addMenu(MSortMovesBy);
  MMoveLineOptions = NewAction(this, "MMoveLineOptions", "Move Header Options");
  MExtra->addAction(MMoveLineOptions);
  MTreeInfo->setVisible(!ChessApp.ReleaseBuild);

  MBoard = menuBar()->addMenu(QStringLiteral("Board"));
  MBoard->setObjectName("MBoard");
  MFlip = NewAction(this, "MFlip", "Flip", QKeySequence(Qt::CTRL | Qt::Key_T));
  MSmallerBoard = NewAction(this, "MSmallerBoard", "Smaller Board");
  MLargerBoard = NewAction(this, "MLargerBoard", "Larger Board");
  MTryOut = NewAction(this, "MTryOut", "Try Out", QKeySequence(Qt::Key_F7));
  MReplayLastMove = NewAction(this, "MReplayLastMove", "Replay Last Move", QKeySequence(Qt::SHIFT | Qt::Key_F9));
  MAutoPlay = NewAction(this, "MAutoPlay", "Auto Play", QKeySequence(Qt::Key_F9));
  for (QAction *a : {MTryOut, MAutoPlay}) a->setCheckable(true);
  MBoard->addActions({MFlip, MSmallerBoard, MLargerBoard, MTryOut, MReplayLastMove, MAutoPlay});

  const auto wire = [this](auto *sender, auto signal, void (TTreeDlg::*handler)()) {
    connect(sender, signal, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  wire(SBFirst, &QPushButton::clicked, &TTreeDlg::SBFirstClick);
  wire(SBBackToBranch, &QPushButton::clicked, &TTreeDlg::SBBackToBranchClick);
  wire(SBPrev, &QPushButton::clicked, &TTreeDlg::SBPrevClick);
  wire(SBNext, &QPushButton::clicked, &TTreeDlg::SBNextClick);
  wire(SBLast, &QPushButton::clicked, &TTreeDlg::SBLastClick);
  wire(SBTryOut, &QPushButton::clicked, &TTreeDlg::MTryOutClick);
  wire(AutoPlayBtn, &QPushButton::clicked, &TTreeDlg::MAutoPlayClick);
  wire(MTreeInfo, &QAction::triggered, &TTreeDlg::MTreeInfoClick);
  wire(MMoveLineOptions, &QAction::triggered, &TTreeDlg::MMoveLineOptionsClick);
  wire(MFlip, &QAction::triggered, &TTreeDlg::MFlipClick);
  wire(MSmallerBoard, &QAction::triggered, &TTreeDlg::MSmallerBoardClick);
  wire(MLargerBoard, &QAction::triggered, &TTreeDlg::MLargerBoardClick);
  wire(MTryOut, &QAction::triggered, &TTreeDlg::MTryOutClick);
  wire(MReplayLastMove, &QAction::triggered, &TTreeDlg::MReplayLastMoveClick);
  wire(MAutoPlay, &QAction::triggered, &TTreeDlg::MAutoPlayClick);
  wire(SBSearchGames, &QToolButton::clicked, &TTreeDlg::MSearchGamesClick);
  wire(SBFlip, &QToolButton::clicked, &TTreeDlg::MFlipClick);
  wire(SBCopyPosition, &QToolButton::clicked, &TTreeDlg::SBCopyPositionClick);
  wire(MUpdateGameList, &QCheckBox::clicked, &TTreeDlg::MUpdateGameListClick);
  wire(MBoard, &QMenu::aboutToShow, &TTreeDlg::MBoardClick);
  wire(AutoPlayTimer, &QTimer::timeout, &TTreeDlg::AutoPlayTimerTimer);
  connect(MoveListHC, &QHeaderView::sectionClicked, this,
          [this](int section) { Guarded([&] { MoveListHCSectionClick(section); }); });
  // The list's own commands stop autoplay too.
  for (QMenu *menu : {MExtra, Popup})
    for (QAction *a : menu->actions())
      if (a != MAutoPlay) connect(a, &QAction::triggered, this, [this] { StopAutoPlay(); });
  connect(MoveList, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem *item) { Guarded([&] { MoveListDblClick(MoveList->row(item)); }); });

  // Creation.
  LeftPanel->setMinimumWidth(kSplitterMinSize);
  RightPanel->setMinimumWidth(kSplitterMinSize);
  moveColumns_->SetDefaultColumns();
  ApplyBoardSettings();
  Board->SetLanguage(ChessApp.InterfaceLanguage);
  boardlabels::Size(FileLabels, RankLabels);
  LoadTreeSettings();
  FormCreate();
  ArrangeMiddlePanel();
  ChessApp.AddBoardListener(this, [this](void *) {
    Guarded([&] {
      ApplyBoardSettings();
      ArrangeMiddlePanel();
      ClearTypedMove();
      UpdatePositionLabels();
    });
  });
  ChessApp.AddListListener(MoveList, [this](void *) { Guarded([&] { ListSettingsChanged(); }); });
  ListSettingsChanged();
}

TTreeDlg::~TTreeDlg() {
  qApp->removeEventFilter(this);
  ChessApp.RemoveBoardListener(this);
  ChessApp.RemoveListListener(MoveList);
  try {
    if (!FirstShowPending()) SaveTreeSettings();
  } catch (const std::exception &e) {
    ui::ShowMessage(e.what());
  }
}

// ---- Settings

void TTreeDlg::LoadTreeSettings() {
  const std::string path = ChessApp.SettingsPath();
  {
    IniFile ini(path);
    leftPanelWidth_ = std::max(kSplitterMinSize, ini.ReadInteger(kSplit, "LeftPanelWidth", kDesignLeftWidth));
    middlePanelWidth_ = std::max(0, ini.ReadInteger(kSplit, "MiddlePanelWidth", kDesignMiddleWidth));
    moveSortKind_ = StoredSortKind(ColumnKindFromName(ini.ReadString(kSplit, "MoveSortKind", "")), ckMoveNr);
  }
  moveColumns_->LoadFromIni(path, kMoveLineOptions);
  BuildMoveHeader();
  BuildMoveSortMenu();
  myui::LoadHeaderWidths(path, kMoveWidths, MoveListHC);
  TakeHeaderWidths(*MoveListHC, *moveColumns_);
  ApplyPanelWidths();
}

void TTreeDlg::SaveTreeSettings() {
  // As the frame's settings: only what changed since the first show.
  ini::WriteChanges(ChessApp.SettingsPath(), treeSettingsAtShow_,
                    ini::Capture([this](const std::string &path) { WriteTreeSettings(path); }), {kMoveLineOptions});
}

void TTreeDlg::WriteTreeSettings(const std::string &path) {
  {
    IniFile ini(path);
    ini.WriteInteger(kSplit, "LeftPanelWidth", LeftPanelWidth());
    ini.WriteInteger(kSplit, "MiddlePanelWidth", MiddlePanelWidth());
    ini.WriteString(kSplit, "MoveSortKind", moveSortKind_ == 0 ? std::string() : ColumnKindName(moveSortKind_));
  }
  TakeHeaderWidths(*MoveListHC, *moveColumns_);
  moveColumns_->SaveToIni(path, kMoveLineOptions);
  myui::SaveHeaderWidths(path, kMoveWidths, MoveListHC);
}

int TTreeDlg::LeftPanelWidth() const {
  return FirstShowPending() ? leftPanelWidth_ : Panel1->sizes().value(0);
}

int TTreeDlg::MiddlePanelWidth() const {
  return FirstShowPending() ? middlePanelWidth_ : Panel1->sizes().value(1);
}

void TTreeDlg::ApplyPanelWidths() {
  const int total = std::max(Panel1->width(), leftPanelWidth_ + middlePanelWidth_ + kSplitterMinSize + 6);
  Panel1->setSizes({leftPanelWidth_, middlePanelWidth_, std::max(kSplitterMinSize, total - leftPanelWidth_ -
                                                                                       middlePanelWidth_ - 6)});
}

void TTreeDlg::BuildMoveHeader() { ShowColumnsInHeader(*MoveListView, *moveColumns_); }

void TTreeDlg::ApplyBoardSettings() {
  // The board clamps its step delays itself.
  Board->SetMoveDelay(ChessApp.MoveDelay);
  Board->SetReplayMoveDelay(ChessApp.MoveDelay);
  Board->SetMoveBackDelay(ChessApp.MoveBackDelay);
  Board->SetCastleRookMoveDelay(ChessApp.CastleRookMoveDelay);
  Board->SetCastleRookMoveBackDelay(ChessApp.CastleRookMoveBackDelay);
  Board->SetPieceTypeFamily(ChessApp.GetPieceTypeFamily());
  Board->SetRightClickTakeBack(ChessApp.RightClickTakesBack);
}

void TTreeDlg::ListSettingsChanged() {
  MoveList->setFont(QFont(ToQ(ChessApp.ApplicationFontName), ChessApp.ApplicationFontSize));
  // The move column follows the notation and the figurines.
  const int row = MoveList->currentRow();
  FillMoveList();
  if (row >= 0 && row < MoveList->count()) MoveListView->SelectRow(row);
  MoveList->viewport()->update();
}

// ---- Window operations

std::unique_ptr<PagedListSource> TTreeDlg::MakeSource(DatabaseO &database, int32_t slot) {
  if (slot <= 0) return nullptr;
  const int view = database.NewTreeView(slot);
  if (view == 0) return nullptr;
  const int own = database.NewGameList();
  if (own == 0) {
    database.FreeTreeView(view);
    return nullptr;
  }
  sourceSlot_ = slot;
  treeView_ = view;
  gameListSlot_ = own;
  database.TreeColumns(view).Assign(*moveColumns_);
  database.TreeListChanged(view);
  database.SetTreeSort(view, moveSortKind_);
  return std::make_unique<GameListSource>(database, own);
}

bool TTreeDlg::Open(DatabaseO *database, int32_t slot, const std::string &title) {
  if (!PagedListWindow::Open(database, slot, title)) return false;
  if (MUpdateGameList->isChecked()) {
    BuildGameListForNode();
    RestartPaging();
  }
  SetBoardToNode();
  UpdatePositionLabels();
  FillMoveList();
  // A tree that ran out of room covers only part of the games: say so once.
  if (database->TreeStoppedFull(treeView_))
    ui::ShowMessage(SubstituteText(CommonText::S_TreeFull, std::to_string(database->TreeGameCount(treeView_))));
  return true;
}

void TTreeDlg::Detach() {
  StopAutoPlay();
  const int view = treeView_;
  DatabaseO *database = Database();
  treeView_ = 0;
  gameListSlot_ = 0;
  sourceSlot_ = 0;
  moveTexts_.clear();
  MoveList->clear();
  PagedListWindow::Detach();
  if (database && view != 0) database->FreeTreeView(view);
}

int32_t TTreeDlg::NextGame(int32_t n) { return Database() ? Database()->GameListNext(gameListSlot_, n) : 0; }

int32_t TTreeDlg::PrevGame(int32_t n) { return Database() ? Database()->GameListPrev(gameListSlot_, n) : 0; }

int32_t TTreeDlg::GameStartPly(int32_t n) {
  if (!Database() || n <= 0 || n > Database()->GameCount()) return 0;
  GameBuffer buf;
  if (!Database()->GetGameBuffer(n, buf)) return 0;
  QZGamePlayerO player;
  if (!player.Attach(buf)) return 0;
  MailboxPos target;
  target.FromPositionO(Board->Position());
  // The main window counts the start as ply 1; the start itself is left
  // to the main window's own choice.
  for (int32_t ply = 0;; ++ply) {
    if (MailboxPos::Equal(player.CurrentPosition(), target)) return ply == 0 ? 0 : ply + 1;
    if (!player.Forward()) return 0;
  }
}

void TTreeDlg::UpdateOwnTexts() {
  SetGameCommandTexts(commands_, SBSearchGames, nullptr);
  MSortMovesBy->setTitle(ToQ(CommonText::S_MSortMovesBy));
  MMoveLineOptions->setText(ToQ(CommonText::S_MMoveLineOptions + "..."));
  MBoard->setTitle(ToQ(CommonText::S_MBoard));
  MFlip->setText(ToQ(CommonText::S_MFlip));
  MTryOut->setText(ToQ(CommonText::S_MTryOut));
  MSmallerBoard->setText(ToQ(CommonText::S_MSmallerBoard));
  MLargerBoard->setText(ToQ(CommonText::S_MLargerBoard));
  MReplayLastMove->setText(ToQ(CommonText::S_MReplayLastMove));
  MAutoPlay->setText(ToQ(CommonText::S_MAutoPlay));
  SetButtonHints(SBCopyPosition, CommonText::S_SBCopyPositionAs, CommonText::S_MCopyPositionAsStatusHint);
  SetButtonHints(SBFlip, CommonText::S_SBFlip, CommonText::S_MFlipStatusHint);
  TakeHeaderWidths(*MoveListHC, *moveColumns_);
  moveColumns_->SetLanguage(ChessApp.ApplicationLanguage);
  BuildMoveHeader();
  BuildMoveSortMenu();
  UpdatePositionLabels();
}

void TTreeDlg::MSearchGamesClick() {
  StopAutoPlay();
  GameListManO *manager = Handlers().manager;
  // A search that ran shows its games in the found-games window.
  if (manager && manager->SearchGames()) close();
}

// ---- Walking the tree

void TTreeDlg::SetBoardToNode() {
  if (!Database() || treeView_ == 0) return;
  PositionO position;
  Database()->TreeBoard(treeView_).ToPositionO(position);
  Board->SetPositionOnly(position);
}

void TTreeDlg::AfterNodeChange() {
  FillMoveList();
  UpdatePositionLabels();
  BuildGameListForNode();
  RestartPaging();
}

void TTreeDlg::GotoMove(int i) {
  if (!Database() || treeView_ == 0) return;
  Database()->TreeSetSelectedMove(treeView_, i);
  Database()->TreeGoMove(treeView_, i);
  AfterNodeChange();
}

void TTreeDlg::GoBack(bool withBoard) {
  if (!Database() || treeView_ == 0) return;
  if (tryOut_) {
    if (Board->CanTakeBack())
      Board->TakeBack();
    else
      ui::Beep();
    ClearTypedMove();
    UpdatePositionLabels();
    FillMoveList();
    return;
  }
  if (!Database()->TreeCanGoBack(treeView_)) {
    ui::Beep();
    return;
  }
  if (withBoard && Board->CanTakeBack()) Board->TakeBack();
  Database()->TreeGoBack(treeView_);
  AfterNodeChange();
}

void TTreeDlg::SBFirstClick() {
  StopAutoPlay();
  if (!Database() || treeView_ == 0) return;
  if (tryOut_) {
    Board->ResetToBasePosition();
  } else if (!Database()->TreeCanGoBack(treeView_)) {
    ui::Beep();
    return;
  } else {
    Database()->TreeGoRoot(treeView_);
    SetBoardToNode();
    // The game list follows the node here too, as after every other step.
    BuildGameListForNode();
    RestartPaging();
  }
  ClearTypedMove();
  UpdatePositionLabels();
  FillMoveList();
}

void TTreeDlg::SBBackToBranchClick() {
  StopAutoPlay();
  if (!Database() || treeView_ == 0) return;
  if (tryOut_) {
    ui::Beep();
    return;
  }
  GoBack(true);
  while (Database()->TreeCanGoBack(treeView_) && Database()->TreeMoveCount(treeView_) == 1) GoBack(true);
}

void TTreeDlg::SBPrevClick() {
  StopAutoPlay();
  GoBack(true);
}

void TTreeDlg::SBNextClick() {
  StopAutoPlay();
  if (!Database() || treeView_ == 0) return;
  if (tryOut_) {
    const int made = Board->MoveList().Count();
    if (made < tryOutMoves_.Count()) {
      Board->DoMove(tryOutMoves_.At(made + 1));
      UpdatePositionLabels();
    } else {
      ui::Beep();
    }
    return;
  }
  if (MoveList->count() == 0) {
    ui::Beep();
    return;
  }
  int row = MoveList->currentRow();
  if (row < 0 || !MoveList->item(row)->isSelected()) {
    row = RowOfMove(Database()->TreeSelectedMove(treeView_));
    if (row < 0) row = 0;
    MoveList->setCurrentRow(row);
  }
  PlayRow(row);
}

void TTreeDlg::SBLastClick() {
  StopAutoPlay();
  ui::Beep();
}

void TTreeDlg::MoveListDblClick(int r) {
  StopAutoPlay();
  PlayRow(r);
}

void TTreeDlg::PlayRow(int r) {
  if (!Database() || treeView_ == 0 || tryOut_ || r < 0 || r >= MoveList->count()) return;
  const int index = Database()->TreeRowGameNr(treeView_, r + 1);
  const Move2 m = Database()->TreeGetMove(treeView_, index);
  MoveRec move;
  Database()->TreeBoard(treeView_).MoveToMoveRec(m, move);
  Board->CompleteMove(move);
  Board->DoMove(move);
  GotoMove(index);
}

bool TTreeDlg::NavigationKey(int key, Qt::KeyboardModifiers modifiers) {
  switch (key) {
    case Qt::Key_Home:
      SBFirstClick();
      return true;
    case Qt::Key_End:
      SBLastClick();
      return true;
    case Qt::Key_Left:
      if (modifiers & Qt::ControlModifier)
        SBBackToBranchClick();
      else
        SBPrevClick();
      return true;
    case Qt::Key_Right:
      SBNextClick();
      return true;
    default:
      return false;
  }
}

// ---- Board input and try-out

void TTreeDlg::ClearTypedMove() { Board->ResetInterpreter(); }

void TTreeDlg::ShowTryOutButton(bool on) {
  SBTryOut->setVisible(on);
  // The last move makes room for the button.
  ArrangeMiddlePanel();
}

void TTreeDlg::StartTryOut() {
  ShowTryOutButton(true);
  tryOut_ = true;
  tryOutMoves_.Assign(Board->MoveList());
  ClearTypedMove();
  UpdatePositionLabels();
  FillMoveList();
  leftTreeByBoardMove_ = true;
}

void TTreeDlg::BoardMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int, int) {
  StopAutoPlay();
  if (!Database() || treeView_ == 0) return;
  DatabaseO &db = *Database();
  const uint8_t state = Board->GetInputState();
  MoveRec move;
  if (!tryOut_) {
    // The board follows the tree: a move steps into the node's child or
    // leaves the tree, a take-back steps back with the board.
    switch (state) {
      case 1:
      case 2: {
        // A replacement stands where the move it replaces stood: the tree
        // steps back from that move's node first.
        if (state == 2 && db.TreeCanGoBack(treeView_)) {
          db.TreeGoBack(treeView_);
          BuildGameListForNode();
          RestartPaging();
        }
        Board->GetPendingMove(move);
        const Move2 m = MailboxPos::MoveFromMoveRec(move);
        if (db.TreeHasMove(treeView_, m)) {
          ClearTypedMove();
          GotoMove(db.TreeIndexOfMove(treeView_, m));
        } else {
          StartTryOut();
        }
        break;
      }
      case 3:
      case 4:
        GoBack(false);
        break;
      default:
        break;
    }
    return;
  }
  // In try-out the board plays freely; an alternative of the move that
  // left the tree may lead back into it. The try-out moves follow the board
  // except after a take-back, which the next step forward may replay.
  switch (state) {
    case 1:
      leftTreeByBoardMove_ = false;
      break;
    case 2: {
      Board->GetPendingMove(move);
      const Move2 m = MailboxPos::MoveFromMoveRec(move);
      if (leftTreeByBoardMove_ && db.TreeHasMove(treeView_, m)) {
        ShowTryOutButton(false);
        tryOut_ = false;
        ClearTypedMove();
        GotoMove(db.TreeIndexOfMove(treeView_, m));
        return;
      }
      break;
    }
    case 3:
      if (leftTreeByBoardMove_) {
        MTryOutClick();
        return;
      }
      break;
    case 4:
      break;
    default:
      return;
  }
  if (state != 4) tryOutMoves_.Assign(Board->MoveList());
  ClearTypedMove();
  UpdatePositionLabels();
  FillMoveList();
}

bool TTreeDlg::FormKeyPress(const QKeyEvent &key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  const int k = key.key();
  // Tab moves the focus, Delete deletes, Enter views the selected game.
  if (k == Qt::Key_Delete || k == Qt::Key_Tab || k == Qt::Key_Backtab || k == Qt::Key_Return || k == Qt::Key_Enter)
    return false;
  const QString text = key.text();
  if (text.size() != 1) return false;
  const std::string c = FromQ(text);
  if (c.size() != 1) return false;
  // Space presses a focused button or ticks a focused box.
  if (c[0] == ' ' && qobject_cast<QAbstractButton *>(QApplication::focusWidget())) return false;
  KeyMoveEntry(c[0]);
  return true;
}

void TTreeDlg::RefuseTypedMove() {
  ClearTypedMove();
  UpdatePositionLabels();
  ui::Beep();
}

void TTreeDlg::KeyMoveEntry(char c) {
  StopAutoPlay();
  if (c == kEscapeChar) {
    ClearTypedMove();
    UpdatePositionLabels();
    return;
  }
  if (typedmove::Echoed(c)) LastMoveLbl->setText(ToQ(Board->TypedMoveText() + c));
  MoveRec move;
  switch (typedmove::FeedChar(*Board, c, move)) {
    case typedmove::Fed::Entered:
      BoardMouseDown(Qt::NoButton, Qt::NoModifier, move.toFile, move.toRank);
      break;
    case typedmove::Fed::Refused:
      RefuseTypedMove();
      break;
    default:
      if (Board->TypedMoveText().empty())
        UpdatePositionLabels();
      else
        LastMoveLbl->setText(ToQ(Board->TypedMoveText()));
      break;
  }
}

void TTreeDlg::MTryOutClick() {
  StopAutoPlay();
  if (!tryOut_) {
    leftTreeByBoardMove_ = false;
    ShowTryOutButton(true);
    tryOut_ = true;
    tryOutMoves_.Assign(Board->MoveList());
  } else {
    ShowTryOutButton(false);
    if (Database() && treeView_ != 0) Board->SetPosition(nullptr, &Database()->TreePathMoves(treeView_));
    tryOut_ = false;
  }
  ClearTypedMove();
  UpdatePositionLabels();
  FillMoveList();
}

// ---- Autoplay

void TTreeDlg::MAutoPlayClick() {
  if (tryOut_) {
    MTryOutClick();
    return;
  }
  if (AutoPlayTimer->isActive()) {
    StopAutoPlay();
    return;
  }
  if (!Database() || treeView_ == 0 || Database()->TreeMoveCount(treeView_) == 0) {
    ui::Beep();
    return;
  }
  AutoPlayTimer->setInterval(ChessApp.AutoPlayDelay);
  AutoPlayTimer->start();
  AutoPlayBtn->setText(QStringLiteral("[ X ]"));
  MAutoPlay->setChecked(true);
  AutoPlayTimerTimer();
}

void TTreeDlg::AutoPlayTimerTimer() {
  if (!Database() || treeView_ == 0) {
    StopAutoPlay();
    return;
  }
  const int selected = Database()->TreeSelectedMove(treeView_);
  if (selected < 1) {
    StopAutoPlay();
    return;
  }
  int row = MoveList->currentRow();
  if (row < 0 || !MoveList->item(row)->isSelected()) {
    row = RowOfMove(selected);
    if (row < 0) {
      StopAutoPlay();
      return;
    }
    MoveListView->SelectRow(row);
  }
  PlayRow(row);
  if (Database()->TreeMoveCount(treeView_) == 0) StopAutoPlay();
}

void TTreeDlg::StopAutoPlay() {
  if (!AutoPlayTimer->isActive()) return;
  AutoPlayTimer->stop();
  AutoPlayBtn->setText(QStringLiteral(">>"));
  MAutoPlay->setChecked(false);
}

// ---- Commands

void TTreeDlg::BuildMoveSortMenu() {
  MSortMovesBy->clear();
  const std::vector<SortMenuItem> items = BuildSortMenuItems(*moveColumns_, CommonText::S_FileOrder, "movenr");
  for (const SortMenuItem &item : items) {
    QAction *a = MSortMovesBy->addAction(ToQ(item.caption));
    const uint8_t kind = item.kind;
    a->setData(kind);
    connect(a, &QAction::triggered, this, [this, kind] { Guarded([&] { SetMoveSortKind(kind); }); });
  }
  MSortMovesBy->menuAction()->setEnabled(!items.empty());
}

void TTreeDlg::SetMoveSortKind(uint8_t kind) {
  ui::HourglassGuard hourglass;
  const int row = MoveList->currentRow();
  const bool rowSelected = row >= 0 && MoveList->item(row)->isSelected();
  moveSortKind_ = StoredSortKind(kind, ckMoveNr);
  if (!Database() || treeView_ == 0) return;
  // The selected move keeps its selection wherever the sort puts it.
  const int index = rowSelected ? Database()->TreeRowGameNr(treeView_, row + 1) : 0;
  Database()->SetTreeSort(treeView_, moveSortKind_);
  FillMoveList();
  if (index > 0 && RowOfMove(index) >= 0) MoveListView->SelectRow(RowOfMove(index));
  StopAutoPlay();
}

void TTreeDlg::MoveListHCSectionClick(int section) {
  StopAutoPlay();
  if (section < 0 || section >= moveColumns_->Count()) return;
  SetMoveSortKind(HeaderClickSortKind(*moveColumns_, section, moveSortKind_));
}

void TTreeDlg::MMoveLineOptionsClick() {
  StopAutoPlay();
  TakeHeaderWidths(*MoveListHC, *moveColumns_);
  if (!EditColumns(*moveColumns_, [] { return std::make_unique<MoveColumnsO>(); })) return;
  if (Database() && treeView_ != 0) {
    Database()->TreeColumns(treeView_).Assign(*moveColumns_);
    Database()->TreeListChanged(treeView_);
  }
  BuildMoveHeader();
  BuildMoveSortMenu();
  FillMoveList();
  MoveList->viewport()->update();
}

void TTreeDlg::MExportGamesClick() {
  StopAutoPlay();
  if (Database() && gameListSlot_ != 0)
    ExportGamesToPgn(*Database(), gameListSlot_, Handlers().progress, this);
}

void TTreeDlg::MTreeInfoClick() {
  StopAutoPlay();
  if (!Database() || treeView_ == 0) return;
  StrListO lines;
  Database()->TreeStatisticsText(treeView_, lines);
  std::string text;
  for (int i = 1; i <= lines.Count(); ++i) text += (i > 1 ? "\n" : "") + lines.Get(i);
  ui::ShowMessage(text);
}

void TTreeDlg::MFlipClick() {
  StopAutoPlay();
  Board->Flip();
  PlaceCoordinateLabels();
  UpdatePositionLabels();
}

void TTreeDlg::MSmallerBoardClick() { ChangeBoardSize(false); }

void TTreeDlg::MLargerBoardClick() { ChangeBoardSize(true); }

void TTreeDlg::ChangeBoardSize(bool larger) {
  StopAutoPlay();
  if (!(larger ? Board->CanMakeLarger() : Board->CanMakeSmaller())) return;
  const int before = Panel1->height();
  if (larger)
    Board->LargerBoard();
  else
    Board->SmallerBoard();
  ArrangeMiddlePanel();
  // The window grows or shrinks with the board; the game list keeps its height.
  resize(width(), height() + Panel1->height() - before);
}

void TTreeDlg::MReplayLastMoveClick() {
  StopAutoPlay();
  Board->ReplayLastMove();
}

void TTreeDlg::MBoardClick() {
  MTryOut->setChecked(tryOut_);
  MAutoPlay->setChecked(AutoPlayTimer->isActive());
  MSmallerBoard->setEnabled(Board->CanMakeSmaller());
  MLargerBoard->setEnabled(Board->CanMakeLarger());
}

void TTreeDlg::SBCopyPositionClick() {
  StopAutoPlay();
  myui::CopyTextToClipboard(Board->GetFEN());
}

// ---- Lists

void TTreeDlg::BuildGameListForNode() {
  DatabaseO *database = Database();
  if (!database || gameListSlot_ == 0) return;
  database->ClearGameList(gameListSlot_);
  if (!MUpdateGameList->isChecked()) return;
  ui::HourglassGuard hourglass;
  database->SortGameListByNumber(gameListSlot_);
  const int count = database->TreeGameListCount(treeView_);
  for (int i = 1; i <= count; ++i) database->AddGameToList(gameListSlot_, database->TreeGameListItem(treeView_, i));
  database->SortGameListByColumn(gameListSlot_);
}

void TTreeDlg::MUpdateGameListClick() {
  // Unticking leaves the list as it is until the next node.
  if (!MUpdateGameList->isChecked() || !Database()) return;
  BuildGameListForNode();
  RestartPaging();
}

bool TTreeDlg::MoveRowTexts(int row, std::vector<std::string> &texts) const {
  if (!Database() || treeView_ == 0 || row < 0 || row >= MoveList->count()) return false;
  const RowTextsT &t = Database()->TreeRowTexts(treeView_, row + 1);
  texts.assign(t.begin(), t.end());
  ListColumnsO &columns = Database()->TreeColumns(treeView_);
  for (int j = 1; j <= columns.Count() && j <= static_cast<int>(texts.size()); ++j)
    if (columns.ColumnKey(j) == "move" && row < static_cast<int>(moveTexts_.size()))
      texts[static_cast<size_t>(j - 1)] = moveTexts_[static_cast<size_t>(row)];
  return true;
}

int TTreeDlg::RowOfMove(int i) const {
  if (!Database() || treeView_ == 0 || i <= 0) return -1;
  return Database()->TreeRowOfGame(treeView_, i) - 1;
}

void TTreeDlg::FillMoveList() {
  moveTexts_.clear();
  MoveListView->SetRows({});
  if (tryOut_ || !Database() || treeView_ == 0) return;
  DatabaseO &db = *Database();
  const MailboxPos &node = db.TreeBoard(treeView_);
  PositionO position;
  node.ToPositionO(position);
  const int32_t rows = db.TreeRowCount(treeView_);
  std::vector<int32_t> numbers;
  std::vector<std::string> items;
  for (int32_t r = 1; r <= rows; ++r) {
    const int index = db.TreeRowGameNr(treeView_, r);
    const Move2 m = db.TreeGetMove(treeView_, index);
    uint32_t games = 0, whiteWins = 0, blackWins = 0;
    db.TreeMoveStats(treeView_, index, games, whiteWins, blackWins);
    items.push_back(UnnumberedSAN(node, m) + "  " + std::to_string(games) + "  +" + std::to_string(whiteWins) +
                    "  -" + std::to_string(blackWins));
    MoveRec move;
    node.MoveToMoveRec(m, move);
    position.CompleteMove(move);
    moveTexts_.push_back(move.ToText(ChessApp.MoveListNotation, DisplayLanguage()));
    numbers.push_back(r);
  }
  MoveListView->SetRows(numbers);
  WidenNumberColumns(*MoveListView, *moveColumns_, draggedMoveColumns_);
  for (int r = 0; r < MoveList->count(); ++r) MoveList->item(r)->setText(ToQ(items[static_cast<size_t>(r)]));
  if (MoveList->count() > 0) {
    const int row = RowOfMove(db.TreeSelectedMove(treeView_));
    if (row >= 0) MoveListView->SelectRow(row);
  }
}

// ---- Board and labels

void TTreeDlg::UpdatePositionLabels() {
  const LanguageId lang = DisplayLanguage();
  LastMoveLbl->setText(ChessApp.ShowLastMove ? ToQ(Board->GetLastMoveText(ChessApp.LastMoveNotation, lang))
                                             : QString());
  ColorToMoveLbl->setText(
      ChessApp.ShowColorToMove ? ToQ(std::string(1, LangColourChar(ChessApp.InterfaceLanguage, Board->SideToMove())))
                               : QString());
  MatDiffLbl->setText(ChessApp.ShowMaterialDifference
                          ? ToQ(boardlabels::MaterialLabelText(*Board, lang, ChessApp.MaterialDifferencePerspective,
                                                               ChessApp.KnightAndBishopAreEqual))
                          : QString());
}

void TTreeDlg::PlaceCoordinateLabels() {
  boardlabels::Place(*Board, *BoardBevel, FileLabels, RankLabels, ChessApp.ShowCoordinates);
}

treelayout::Input TTreeDlg::LayoutInput() const {
  treelayout::Input in;
  in.boardWidth = Board->width();
  in.boardHeight = Board->height();
  in.showCoordinates = ChessApp.ShowCoordinates;
  in.fileLabelHeight = FileLabels[0]->height();
  in.rankLabelWidth = RankLabels[0]->width();
  const QFontMetrics fm(LastMoveLbl->font());
  in.labelHeight = fm.height();
  in.widthOfW = fm.horizontalAdvance(QLatin1Char('W'));
  in.showColorToMove = ChessApp.ShowColorToMove;
  in.showMoveButtons = ChessApp.ShowMoveButtons;
  in.buttonHeight = kStepButtonHeight;
  in.buttonPanelWidth = ButtonPanel->width();
  // As narrow as its caption allows: it shares the row with the last move.
  in.tryOutWidth = QFontMetrics(SBTryOut->font()).horizontalAdvance(SBTryOut->text()) + 12;
  in.middlePanelWidth = MiddlePanel->width();
  in.tryOutShown = !SBTryOut->isHidden();
  return in;
}

void TTreeDlg::ArrangeMiddlePanel() {
  const treelayout::Result r = treelayout::Arrange(LayoutInput());
  const auto qrect = [](const treelayout::Rect &x) { return QRect(x.x, x.y, x.w, x.h); };
  BoardPanel->setGeometry(qrect(r.boardPanel));
  Board->move(r.board.x, r.board.y);
  BoardBevel->setGeometry(qrect(r.bevel));
  ControlPanel->setGeometry(qrect(r.controlPanel));
  LastMoveLbl->setGeometry(qrect(r.lastMoveLabel));
  ColorToMoveLbl->setGeometry(qrect(r.colorToMoveLabel));
  MatDiffLbl->setGeometry(qrect(r.matDiffLabel));
  SBTryOut->setGeometry(qrect(r.tryOut));
  ButtonPanel->move(r.buttonPanel.x, r.buttonPanel.y);
  ButtonPanel->setVisible(r.buttonPanelShown);
  CommentPanel->setGeometry(qrect(r.commentPanel));
  if (Panel1->height() != r.Height()) {
    Panel1->setFixedHeight(r.Height());
    // The game list moves at once, not with the next events.
    CentralLayout()->activate();
  }
  PlaceCoordinateLabels();
}

// ---- Events

void TTreeDlg::showEvent(QShowEvent *e) {
  const bool first = FirstShowPending();
  PagedListWindow::showEvent(e);
  if (first) {
    ApplyPanelWidths();
    ArrangeMiddlePanel();
    Guarded([&] {
      treeSettingsAtShow_ = ini::Capture([this](const std::string &path) { WriteTreeSettings(path); });
    });
  }
}

void TTreeDlg::hideEvent(QHideEvent *e) {
  // No tick runs on a hidden window.
  StopAutoPlay();
  PagedListWindow::hideEvent(e);
}

bool TTreeDlg::eventFilter(QObject *watched, QEvent *e) {
  if (watched == MiddlePanel && e->type() == QEvent::Resize) {
    Guarded([&] { ArrangeMiddlePanel(); });
    return false;
  }
  if (watched == MoveList->viewport() && e->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent *>(e)->button() == Qt::RightButton) {
    Guarded([&] {
      StopAutoPlay();
      GoBack(true);
    });
    return true;
  }
  if (e->type() == QEvent::KeyPress) {
    // The stepping keys are the window's wherever the focus is in it, but
    // an open menu keeps its keys.
    auto *w = qobject_cast<QWidget *>(watched);
    const auto *k = static_cast<QKeyEvent *>(e);
    if (w && w->window() == this && !QApplication::activePopupWidget() && !qobject_cast<QMenu *>(w) &&
        !qobject_cast<QMenuBar *>(w)) {
      bool used = false;
      Guarded([&] { used = NavigationKey(k->key(), k->modifiers()) || FormKeyPress(*k); });
      if (used) return true;
    }
  }
  return PagedListWindow::eventFilter(watched, e);
}
