#pragma once
// The main window: the board with the current game, its menus, toolbar and
// panels. It owns the game, the engine manager, the toolbar manager and the
// cancel dialog of long operations. Creation and destruction run the
// program's start and end (FormCreate, FormDestroy).
#include <QMainWindow>
#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/MainLayout.h"
#include "chess/Games.h"
#include "chess/Moves.h"
#include "database/DatabaseMan.h"
#include "dbwindows/GameListMan.h"
#include "engine/EngineMan.h"
#include "engine/ui/QtInputDispatcher.h"
#include "foundation/comDlgAbort.h"
#include "foundation/ui/ToolbarMan.h"
#include "platform/UiHooks.h"

class ClockTimerQt;
class QAbstractButton;
class QAction;
class QFrame;
class QKeyEvent;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QStatusBar;
class QTimer;
class TChessBoard;
class TListBoxMemoSplitPanel;
struct ParseResultT;

// Display modes.
inline constexpr uint8_t dmViewOnly = 0;
inline constexpr uint8_t dmEdit = 1;
inline constexpr uint8_t dmTryOut = 2;

class TMainForm : public QMainWindow {
  Q_OBJECT
 public:
  // Runs FormCreate; the arguments (file names as the file system's bytes)
  // are opened once the event loop runs.
  explicit TMainForm(std::vector<std::string> args = {}, QWidget *parent = nullptr);
  // Runs FormDestroy.
  ~TMainForm() override;

  // ---- State
  uint8_t DisplayMode = dmEdit;
  MoveListO TryOutMoves;
  uint8_t LastAlternativesButton = 0;
  bool FileOpen = false;
  int32_t CurrentGameNumber = 0;
  int32_t ShownGameNumber = 0;
  QListWidget *AlternativesLB = nullptr;
  QPlainTextEdit *CommentMemo = nullptr;
  std::array<QLabel *, 8> FileLabels{};
  std::array<QLabel *, 8> RankLabels{};
  int32_t ExtraPanelWidth = 200;
  int32_t ExtraPanelHeight = 50;
  EngineManT EngineMan;
  bool Playing = false;
  // The clock labels stand under the board while playing.
  bool ClocksShown = false;
  std::string FileName;
  bool HasName = false;
  bool ShowExtraPanel = true;
  bool ShowLeft = false;
  bool ShowRight = true;
  bool ShowUnder = false;
  bool ShowToolbar = true;
  bool ShowStatusbar = true;
  GameO Game;
  // The one open database.
  DatabaseO Database;
  // What typed and pasted game text is written in: the open file's
  // encoding, UTF-8 without one.
  win1252::TextEncoding TextEncoding() const {
    return Database.IsOpen() ? Database.TextEncoding() : win1252::TextEncoding::Utf8;
  }
  // Its list windows.
  GameListManO GameListMan;
  TToolbarMan ToolbarMan;
  bool CenterOnce = false;
  AbortDlgO AbortDlg;

  // ---- Components
  QWidget *Client = nullptr;  // everything below the menu bar
  QWidget *Toolbar = nullptr;
  QWidget *TopLinePanel = nullptr;
  QWidget *BoardPanel = nullptr;
  QFrame *BoardBevel = nullptr;
  TChessBoard *Board = nullptr;
  QWidget *ControlPanel = nullptr;
  QWidget *ButtonPanel = nullptr;
  QPushButton *SBFirst = nullptr;
  QPushButton *SBPrev = nullptr;
  QPushButton *SBNext = nullptr;
  QPushButton *SBLast = nullptr;
  QPushButton *SBTryOut = nullptr;
  QPushButton *AutoPlayBtn = nullptr;
  QLabel *LastMoveLbl = nullptr;
  QLabel *ColorToMoveLbl = nullptr;
  QLabel *ResultLbl = nullptr;
  QLabel *MatDiffLbl = nullptr;
  QWidget *ExtraPanel = nullptr;
  TListBoxMemoSplitPanel *AlternativesCommentPanel = nullptr;
  QLabel *WhiteClockLbl = nullptr;
  QLabel *BlackClockLbl = nullptr;
  QStatusBar *StatusBar = nullptr;
  QTimer *AutoPlayTimer = nullptr;
  QMenu *Nags1Menu = nullptr;
  QMenu *Nags2Menu = nullptr;

  // A main-menu item (or submenu, or one of the menu-less actions) by its
  // component name; null for an unknown name.
  QAction *Item(const std::string &name) const;
  QMenu *Menu(const std::string &name) const;
  // Enables a command when its handler is connected; a command whose
  // handler comes later stays disabled, so no command does nothing.
  void SetCommandEnabled(const std::string &name, bool on);
  bool IsConnected(const std::string &name) const { return connected_.count(name) != 0; }

  // ---- Lifecycle
  void LoadSettings();
  // The board's seven delays from the options.
  void SetBoardDelays();
  void SaveSettings();
  // The close query: false keeps the window open.
  bool FormCloseQuery();
  // A logout asks as the close query does; false cancels the logout. Once
  // it said yes, the window's own close asks nothing again until the
  // session goes on (SessionGoesOn). Without interaction nothing is asked:
  // EndWithoutQuestions.
  bool SessionCloseQuery(bool interactionAllowed);
  // A logout or SIGTERM/SIGHUP: an open file closes without questions, its
  // changes written back or kept in a recovery file, and a changed game not
  // stored goes to a recovery file.
  void EndWithoutQuestions();
  // The user works on after a logout was allowed: closes ask again.
  void SessionGoesOn();
  // The session's close of the window asks nothing until SessionGoesOn.
  void AllowSessionClose();
  // Tells where a run that ended without questions left games, once.
  void ReportRecoveredGames();
  // SIGTERM and SIGHUP end the program through the event loop as a logout
  // without interaction does (EndOnSignal).
  void InstallEndSignals();
  void EndOnSignal();

  // ---- Captions and status
  void ApplyLanguage();
  void ApplyFonts();
  void SetStatusText(const std::string &text);
  void AppHint(const QString &hint);
  // The window caption, which is also the application title.
  void SetCaption(const std::string &caption);
  std::string Caption() const { return caption_; }

  // ---- Display (the game, the labels, the info lines, the layout)
  // The move texts' language: Symbolic when the figurines are used and the
  // application font has them, else the interface language.
  LanguageId DisplayLanguage() const;
  void ShowGame();
  void ShowLastMove();
  void ShowInfoLines();
  // The texts of the info lines' parts from the game's header.
  std::string InfoPartText(layout::PartKind kind) const;
  void BuildInfoLines();
  void ArrangeTopLines();
  void BalanceTopLines();
  void FreeTopLineObjects();
  void PlaceCoordinateLabels();
  // Places the panels. The window takes the layout's own size unless it is
  // maximised, or preferredSize is false (a resize: the size the window
  // manager gave is the layout's input).
  void ArrangeControls(bool preferredSize = true);
  // The layout's inputs as the widgets and options stand.
  layout::Input LayoutInput() const;
  void BuildToolbar();
  void SetToolbarButtonGlyph(QAbstractButton *button, const std::string &resource);
  // Each button's tooltip is its caption in the current language.
  void ApplyToolbarHints();
  // The comment and NAG commands are usable: not view-only, not trying out.
  bool CommentCommandsAllowed() const;
  layout::InfoLines InfoLines;
  std::vector<QLabel *> InfoLabels;  // one per part, line by line
  layout::Result Layout;

  // ---- Navigation, autoplay and the board commands
  void SBFirstClick();
  void SBPrevClick() { StepBack(); }
  void StepBack();
  void SBNextClick();
  void SBLastClick();
  // After every change of the position: the board forgets a half-typed move.
  void ResetMoveEntry();
  void FocusMoveControl();
  void MAutoPlayClick();
  void AutoPlayTimerTimer();
  // Leaves try-out mode: the board shows the game's position again.
  void LeaveTryOut();
  void MFlipClick();
  void MSmallerBoardClick();
  void MLargerBoardClick();
  // The next smaller or larger piece set, kept in the options.
  void ChangeBoardSize(bool larger);
  void MReplayLastMoveClick();
  // Replays the last move once the message loop runs.
  void PostReplayLastMove();
  // The board menu's ticks and enabling (MBoardClick, when it opens, and
  // whenever the board's moves change).
  void MBoardClick();
  // Shows the current game as a load does: ply p >= 1 goes p - 1 moves
  // along the first continuations (stopping at the end of the line); ply 0
  // stays at the start with "ShowFirstPositionOnLoad", else goes to the end
  // of the selected line. The board and the engine manager follow; with
  // replayLastMove, the last move is replayed once the loop runs.
  void ShowLoadedGame(int ply, bool replayLastMove);
  // The application-wide keys: Home, End, Left and Right step through the
  // game while the main window is active and no menu has the keyboard.
  bool eventFilter(QObject *watched, QEvent *event) override;

  // ---- Move entry and the modes
  // The board's mouse event, after every completed action on the board;
  // typed and engine moves come here too. Ctrl comes from the modifiers.
  void BoardMouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int file, int rank);
  // The engine manager's move event: the move is made on the board as if
  // entered there, then BoardMouseDown. An engine move never asks how it
  // goes into the game.
  void EngineMove(void *sender, const MoveRec &move);
  // A character typed on the main window goes to move entry; false for a
  // key that is not such a character.
  bool FormKeyPress(const QKeyEvent &key);
  void KeyMoveEntry(char c);
  // The alternatives list: 0 when no entry is selected.
  int ChosenAlternative() const;
  void AlternativesLBClick();
  void AlternativesLBDblClick();
  // True when the press is used up (the right button steps back).
  bool AlternativesLBMouseDown(Qt::MouseButton button);
  void AlternativesLBKeyDown(const QKeyEvent &key);
  void MTryOutClick();
  void EnterTryOut();
  void ToggleViewOnly(bool refresh);
  void MViewOnlyClick() { ToggleViewOnly(true); }
  void MViewGamesOnlyClick();
  void MContinuousAnalysisClick();
  void MResignClick();
  void MOfferDrawClick();
  void MNewGameClick();

  // ---- Game and commands
  void UpdateSaveGameItem();
  // False means cancel (or a store that failed).
  bool AskSaveGame();

  // ---- File commands (MainFile.cpp)
  void MNewClick();
  void MOpenClick();
  void MSaveClick();
  void MSaveAsClick();
  void MCloseClick();
  void MSaveGameClick() { StoreGame(); }
  // Opens the file (a name that does not exist makes a new database);
  // false, in the no-file state, when the database refused it.
  bool OpenFile(const std::string &name);
  bool OpenFileUnguarded(const std::string &name);
  // False when the user cancelled or the database stays open; nothing
  // changed then.
  bool CloseFile();
  bool CloseDatabase();
  bool SaveFile();
  bool SaveFileAs();
  // False, with the game still modified and its numbers as they were,
  // when the database refused it.
  bool StoreGame();
  void LoadGame(int32_t n);
  void ForgetGame(int32_t n);
  void MGamesClick();
  void MPlayersClick();
  void MEventSitesClick();
  void MAnnotatorsClick();
  // A search of the whole database with the kept criteria.
  void MSearchGamesClick();
  void MFoundGamesClick();
  void MTreeDlgClick();
  // ---- Import and classification (MainImport.cpp)
  // Chosen files imported into the open database, then the import report.
  void MImportGamesClick();
  // Every game keyed anew, progress in the status bar.
  void MClassifyAllGamesClick();
  // Without keys the openings command makes them and classifies every game
  // first; the keys window shows in both cases.
  void MOpeningsClick();
  void MClassifyGameClick();
  void MClassifyPositionClick();
  void MReopenLastListClick();
  void MNextGameClick();
  void MPrevGameClick();
  // The manager's events.
  void GamesWindowsChanged();
  void UpdateGameNavigation();
  // The database menu opens: the found-games and tree commands follow
  // whether such windows exist.
  void MFileClick();
  void BuildListsMenu();
  void AddListsMenuItem(int32_t i, const std::string &caption);
  void ListsMenuItemClick(int32_t i);
  void BuildReopenMenu();
  // tag: the recent file's index, then the standard files'.
  void ReopenMenuItemClick(int tag);
  // The deferred start: opens each existing file in turn.
  void WMStartup(const std::vector<std::string> &args);
  // A loaded or pasted game: view-only by MViewGamesOnly, the board turned
  // by "ViewFromPlayers".
  void ApplyLoadModes();
  // The import report of the last open is worth showing.
  bool ImportReportWanted() const;
  void StopAutoPlay();
  // The one answer to whether the engine is enabled.
  bool EngineEnabled() const;
  void MExitClick();
  void MContentsClick();
  // Stops autoplay and shows the preferences for the board and this window.
  void MPreferencesClick();
  // ---- About box and database settings
  void MAboutClick();
  // The settings of the open database; nothing without one.
  void MDBSettingsClick();
  // ---- Engine play
  // The manager's playing state, and the clock labels with it.
  void SetPlaying(bool on);
  // The one place that sets Playing, the MPlayGame tick and the clock
  // labels, from the manager's state; loses the engine when it has none.
  void ShowPlayState();
  // The engine's side of a new game (start: a set-up position or null);
  // the pane loses the last game's output and the kept clocks go.
  void EngineNewGame(const PositionO *start);
  // The comment pane while it shows the engine's output: at most this many
  // lines, the newest in view.
  static constexpr int kEnginePaneLines = 1000;
  void EngineOutput(const std::string &line);
  void EngineGameEnd(int value);
  void ClockChanged(ColorT side);
  // A side's clock label text: "- " before the first flag that fell.
  std::string ClockText(ColorT side) const;
  void MPlayGameClick();
  void MMoveNowClick();
  void MStopClockClick();
  // The clock dialogs; both do nothing while the engine is not enabled.
  void MTimeControlClick();
  void MAdjustTimeClick();

  // ---- Game-editing dialogs and the NAG menus
  void MCommentClick();
  void MNagsClick();
  void MEditGameHeaderClick();
  // A pasted game that could not be read: shows its text and the error;
  // answers the text, edited, with retry set when the user asks to read it
  // again, else the text as it was.
  std::string ParseErrorCallback(const std::string &text, const ParseResultT &result, bool &retry);
  // ---- Clipboard (MainClipboard.cpp)
  void MGameAsPGNClick();
  void MGameAsTextClick();
  void MGameAsRTFClick();
  void MGameAsHTMLClick();
  // The toolbar buttons click the chosen item of their family.
  void CopyGame();
  void MPositionAsBitmapClick();
  // The board's position with the texts the user asks for above and below
  // it; nothing is copied when the user cancels.
  void MPositionAsHTMLClick();
  void MPositionAsRTFClick();
  void MPositionAsFENClick();
  void MPositionAsEPDClick();
  void CopyPosition();
  // The texts above and below a copied diagram, in the format (pfRTF or
  // pfHTML), from the diagram-texts dialog when "CopyDiagUseLabels" is on
  // (the chosen kinds are kept in the options), else empty. False when the
  // user cancels.
  bool GetDiagramTexts(std::uint8_t format, std::string &top, std::string &bottom);
  void MGameFromPGNClick();
  void MGameFromTextClick();
  // Reads the clipboard's text as a new game; a text that does not read
  // goes through the parse-error dialog until it reads or the user gives
  // up, which keeps what was read before the error.
  void PasteGameFromClipboard(LanguageId language);
  void PasteGame();
  void MPositionFromFENClick();
  void MPositionFromEPDClick();
  // The chosen item of a family takes its shortcut and the button's hint.
  void SetCopyGameItem(QAction *item);
  void SetCopyDiagramItem(QAction *item);
  void SetPasteGameItem(QAction *item);
  // The chosen item's name ("PGN", "Bitmap", ...); empty when none is.
  std::string GetCopyGameAs() const;
  std::string GetCopyDiagramAs() const;
  std::string GetPasteGameFrom() const;
  // By name; an unknown name chooses the family's default.
  void SetCopyGameAs(const std::string &name);
  void SetCopyDiagramAs(const std::string &name);
  void SetPasteGameFrom(const std::string &name);
  // The paste commands are enabled exactly when the clipboard holds text.
  void UpdatePasteItems();
  void UpdateButtonHints();
  void AppActivate();
  void MGameClick();

  // ---- Position set-up
  void MSetupPositionClick();
  // A new game, in edit mode, that starts from the position; nothing when
  // the question about the modified game is cancelled.
  void NewGameFromPosition(const PositionO &position);
  void StartNewGame(const PositionO *start);

  // Each NAG menu keeps its separator and "Clear"; the NAG items before
  // them are made anew in the current language.
  void BuildNagMenus();
  void ClearNagMenu(QMenu *menu);
  void AddNagMenuItem(QMenu *menu, const std::string &caption, const std::string &hint, int nag);
  // The NAG replaces the NAGs of its group on the current move.
  void NagMenuItemClick(int nag);
  void MClearNags1Click();
  void MClearNags2Click();
  // The menus pop up under their toolbar buttons, without waiting.
  void SBNags1Click();
  void SBNags2Click();
  void MNags1ShortCutClick();
  void MNags2ShortCutClick();
  // The comment and NAG commands follow CommentCommandsAllowed.
  void UpdateCommentCommands();

 protected:
  void closeEvent(QCloseEvent *e) override;
  void showEvent(QShowEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
  bool event(QEvent *e) override;

 private:
  void FormCreate(std::vector<std::string> args);
  void FormDestroy();
  void CreateComponents();
  void CreateMenus();
  // Runs the handler for the item's action and marks it connected.
  void Connect(const std::string &name, void (TMainForm::*handler)());
  // The same for a toolbar button.
  void ConnectButton(const std::string &name, void (TMainForm::*handler)());
  void ConnectEditCommands();
  void ConnectSetupCommands();
  void ConnectClipboardCommands();
  void PopUpNagMenu(QMenu *menu, const char *button);
  // After a change of the current move's NAGs or comment.
  void AfterAnnotationChange();
  // The step buttons, autoplay and the board commands.
  void ConnectNavigation();
  // The board's event, the alternatives list, the modes, a new game.
  void ConnectMoveEntry();
  // A menu closed with Escape leaves the menu bar in keyboard mode, where
  // it would take typed moves: it leaves that mode as a second Escape does.
  void ConnectMenuBarKeys();
  void LeaveMenuBarKeyboardMode();
  // Checkable items whose handler keeps the tick itself.
  void ConnectToggle(const std::string &name, void (TMainForm::*handler)());
  // Step 2 of the board's event: a move entered in edit mode.
  void EnterMoveInGame(bool ctrl);
  // Asks before a replacement drops moves; true to go on.
  bool ConfirmDroppedMoves(int dropped);
  // A typed character or move that cannot be taken.
  void RefuseTypedMove();
  void HideSwitchedOffItems();
  void DisableFileCommands();
  void ConnectFileCommands();
  // Standard files never go into the recent files.
  static bool IsStandardFile(const std::string &name);
  // The database object in its no-file state.
  void InitDatabase();
  // The window manager with its events.
  void InitGameListMan();
  // The list windows the manager makes (those built so far).
  static ListWindowFactories ListWindowMakers();
  // "Openin&gs..." with keys, else "Create Openin&gs...".
  void SetOpeningsItem(bool hasKeys);
  // The name without directory and extension, " - " and the program name.
  void SetFileCaption();
  // Runs a file dialog of the database menu; the chosen file as bytes, or
  // empty. filterIndex goes in and out (1-based).
  std::string RunFileDialog(bool save, const std::string &title, const std::string &proposed,
                            const std::string &filter, const std::string &dir, int32_t &filterIndex);
  // The same with the open dialog's multiple selection when asked; every
  // chosen file.
  std::vector<std::string> RunFilesDialog(bool save, bool multiple, const std::string &title,
                                          const std::string &proposed, const std::string &filter,
                                          const std::string &dir, int32_t &filterIndex);
  void CreateEngineMan();
  void FreeEngineMan();
  void ConnectEngineCommands();
  void ShowClocks(bool on);
  // The engine did not start: off for this run, as a missing program.
  void EngineLost();
  // False (and the engine lost) when the manager has no engine any more.
  bool EngineStillStarted();

  std::unique_ptr<QtInputDispatcher> engineDispatcher_;
  ClockTimerQt *clockTimer_ = nullptr;
  std::map<std::string, QAction *> items_;
  std::map<std::string, QMenu *> menus_;
  std::set<std::string> connected_;
  // The chosen item of each clipboard family: copy game, copy position,
  // paste game.
  std::array<QAction *, 3> chosen_{};
  std::string caption_;
  ui::Hooks oldHooks_;
  bool sessionAllowedClose_ = false;
  std::unique_ptr<QObject> sessionWatch_;  // ends sessionAllowedClose_ on the user's next input
  bool resizeConnected_ = false;  // FormResize runs only after creation
  bool arranging_ = false;        // ArrangeControls' own resizing
  bool engineMove_ = false;       // inside EngineMove
  bool clocksKept_ = false;       // Stop Clock ended play: the labels stay
};
