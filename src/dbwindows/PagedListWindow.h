#pragma once
// The frame every paged list window of the database shares: one page of at
// most 250 rows drawn from the row texts of a view of the database, page
// buttons, a header whose clicks sort, the sort menu, a memo below the list
// that two show items hide, the header-options command, the popup and the
// keys, and the settings a window keeps. The games, tree, keys and name-list
// windows differ in their noun, the number column left out of the sort menu,
// their settings sections, their data source and a few commands.
#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>

#include "database/DatabaseManLists.h"
#include "dbwindows/ListWindow.h"
#include "dbwindows/PagedList.h"
#include "chess/PGNTypes.h"
#include "foundation/ui/ToolbarMan.h"
#include "platform/IniFile.h"

class DatabaseO;
class PagedListView;
class QAction;
class QHeaderView;
class QLabel;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;
class TEditGameInfoLineOptionsDlg;
class TFormSizeLimit;
class TMySplitter;

// One view of the database as a window pages through it. Positions are
// 1-based; an item is what a row holds (a game number, a name id).
class PagedListSource {
 public:
  virtual ~PagedListSource() = default;
  virtual int32_t Count() = 0;
  virtual int32_t Item(int32_t position) = 0;
  // The first position holding the item; 0 when none does.
  virtual int32_t IndexOf(int32_t item) = 0;
  // Valid until the view's next request.
  virtual const RowTextsT &RowTexts(int32_t position) = 0;
  virtual bool IsDeleted(int32_t) { return false; }
  virtual ListColumnsO &Columns() = 0;
  virtual void Changed() = 0;
  virtual void SetSort(int kind) = 0;
  // Gives the view back to the database (the window lets it go).
  virtual void Free() {}
};

// A game-list slot; Free releases the slot.
class GameListSource : public PagedListSource {
 public:
  GameListSource(DatabaseO &database, int slot) : db_(database), slot_(slot) {}
  int32_t Count() override;
  int32_t Item(int32_t position) override;
  int32_t IndexOf(int32_t item) override;
  const RowTextsT &RowTexts(int32_t position) override;
  bool IsDeleted(int32_t position) override;
  ListColumnsO &Columns() override;
  void Changed() override;
  void SetSort(int kind) override;
  void Free() override;
  int Slot() const { return slot_; }

 private:
  DatabaseO &db_;
  int slot_;
};

// A header's sections from the columns' titles and widths, and back: the
// widths the user gave the sections into the columns.
void ShowColumnsInHeader(PagedListView &view, const ListColumnsO &columns);
void TakeHeaderWidths(const QHeaderView &header, ListColumnsO &columns);
// The columns the user dragged to a width of his own, by key: the view
// adds the key of each one dragged; the columns must outlive the view.
void NoteDraggedColumns(PagedListView &view, const ListColumnsO &columns, std::set<std::string> &dragged);
// Widens the number columns of the page's rows but those dragged.
void WidenNumberColumns(PagedListView &view, const ListColumnsO &columns, const std::set<std::string> &dragged);

// What tells the windows apart.
struct PagedListConfig {
  // Caption variables, read whenever the texts are applied: the window's
  // caption (its "&" removed) and the status text's noun.
  const std::string *caption = nullptr;
  const std::string *noun = nullptr;
  // The number column: left out of the sort menu, its kind stored as 0.
  std::string leftOutKey = "gamenr";
  uint8_t storedAsZero = 12;  // ckGameNr
  // Rows stand for games: the memo shows them, view and delete act on them.
  bool gameRows = true;
  // A sort shows the hourglass (the name lists sort in memory).
  bool sortHourglass = true;
  // The settings file's sections, and the two keys that differ by window.
  std::string splitSection = "Split", lineOptionsSection = "LineOptions", widthsSection = "GameList",
              placementSection = "GameWindow";
  std::string memoHeightKey = "GameMemoSaveHeight", sortKindKey = "GameSortKind";
  // Object names of the list panel, list, memo and popup.
  std::string listPanelName = "GameListPanel", listName = "GameList", memoName = "GameMemo",
              popupName = "GameListPopUp";
  int designWidth = 522, designHeight = 410;
  // A fresh layout of the window's kind (before its defaults).
  std::function<std::unique_ptr<ListColumnsO>()> makeColumns = [] { return std::make_unique<ListColumnsO>(); };
};

class PagedListWindow : public QMainWindow, public ListWindowI {
  Q_OBJECT
 public:
  ~PagedListWindow() override;

  // ---- Window operations ----
  void SetHandlers(const ListWindowHandlers &h) override { handlers_ = h; }
  // Binds the window to the view MakeSource makes of the slot; false when
  // it makes none.
  bool Open(DatabaseO *database, int32_t slot, const std::string &title) override;
  void Detach() override;
  void UpdateTexts() override;
  void SelectGame(int32_t n) override { SelectItem(n); }
  void Reload(int32_t) override { RefillKeepSelection(); }
  void RefillKeepSelection() override;
  void CloseWindow() override;

  bool FrameVisible() const override;
  bool FrameActive() const override;
  bool FrameMinimized() const override;
  bool FrameMaximized() const override;
  void FrameShow() override;
  void FrameBringToFront() override;
  void FrameRestore(bool maximized) override;
  void FrameFocus() override;
  void FrameRelease() override;

  // ---- Paging ----
  void FillPage();
  void NextPageBtnClick();
  void PrevPageBtnClick();
  void FirstPageBtnClick();
  void LastPageBtnClick();
  // Turns to the item's page and selects its row; an item not in the view
  // gives page 1, no selection and an empty memo.
  void SelectItem(int32_t item);
  // "%d " + noun + " (%d/%d)", empty while detached; a window may add what
  // follows the status (the keys window's parent command).
  virtual void UpdateStatusText();
  // After the view's rows changed: page 1, row 1 selected, memo and status.
  void RestartPaging();

  // ---- Header and sorting ----
  void BuildHeader();
  void BuildSortMenu();
  void StoreHeaderWidths();
  void SetSortKind(uint8_t kind);
  void HeaderControlSectionClick(int section);
  // The header-options dialog on a copy of the columns; OK takes it.
  void MLineOptionsClick();
  // The same dialog on other columns (make gives a fresh set of their
  // kind); true when OK took the edited copy.
  bool EditColumns(ListColumnsO &columns, const std::function<std::unique_ptr<ListColumnsO>()> &make);

  // ---- Memo and commands ----
  void ShowSelectedGame();
  // Double click, Enter, the view items: the selected row's View.
  virtual void MViewClick();
  void MDeleteClick();
  // Lays Panel2 out: the list panel, the splitter and the memo.
  void FormResize();
  // The popup at a point of the list's viewport.
  void PopupAt(const QPoint &viewportPos);

  // ---- State ----
  DatabaseO *Database() const { return database_; }
  PagedListSource *Source() const { return source_.get(); }
  const std::string &Title() const { return title_; }
  const PagedListState &Paging() const { return state_; }
  uint8_t SortKind() const { return sortKind_; }
  ListColumnsO &Columns() { return *columns_; }
  int32_t SavedMemoHeight() const { return savedMemoHeight_; }
  int ListHeight() const { return listHeight_; }
  // The item of the selected row; 0 when none.
  int32_t SelectedItem() const;
  bool RowSelected() const;
  std::string StatusText() const;
  bool FirstShowPending() const { return firstShowPending_; }
  const PagedListConfig &Config() const { return config_; }

  // The header-options dialog the window uses: the program's one, unless a
  // test gives its own.
  TEditGameInfoLineOptionsDlg *LineOptionsDlg = nullptr;

  // ---- Controls (their object names follow the config) ----
  QWidget *Toolbar;
  QHeaderView *HeaderControl;
  QWidget *Panel2, *ListPanel;
  PagedListView *ListView;
  QListWidget *List;
  QWidget *Panel4, *Panel5;
  QPushButton *FirstPageBtn, *PrevPageBtn, *NextPageBtn, *LastPageBtn;
  TMySplitter *Splitter;
  QPlainTextEdit *Memo;
  QLabel *StatusLbl;
  TFormSizeLimit *FormSizeLimit;
  TToolbarMan ToolbarMan;
  QMenu *MExtra, *MSortBy, *Popup;
  // The show items flip their own tick when triggered; the twin follows.
  QAction *MView, *MDelete, *MShowGameInfo, *MShowGameMoves, *MLineOptions;
  QAction *PMView, *PMDelete, *PMShowGameInfo, *PMShowGameMoves;

 protected:
  PagedListWindow(const PagedListConfig &config, QWidget *parent);

  // The view of the slot; null when there is none to show.
  virtual std::unique_ptr<PagedListSource> MakeSource(DatabaseO &database, int32_t slot) = 0;
  // The window's own captions and hints, applied after the shared ones.
  virtual void UpdateOwnTexts() {}
  // A game row's View: the view callback, then the window hides.
  virtual void ViewItem(int32_t item);

  // Binds to a view made elsewhere (a window with an Open of its own).
  bool Bind(DatabaseO *database, std::unique_ptr<PagedListSource> source, const std::string &title);
  // The derived window calls it at the end of its constructor: the
  // settings, the header, the memo's visibility, the sizes, the listener.
  void FormCreate();
  // An item of MExtra, before the sort menu.
  QAction *AddExtraItem(const char *name, const QKeySequence &shortcut = {});
  void AddExtraSeparator();
  // The commands on a window's games: Search Games (Ctrl+F), As Tree (left
  // out without a handler) and Export Games, items of MExtra running the
  // handlers guarded.
  struct GameCommands {
    QAction *search = nullptr, *asTree = nullptr, *exportGames = nullptr;
  };
  GameCommands AddGameCommands(std::function<void()> search, std::function<void()> asTree,
                               std::function<void()> exportGames);
  // Their captions, and the hints of the buttons for them (either may be
  // missing).
  static void SetGameCommandTexts(const GameCommands &c, QToolButton *searchButton, QToolButton *treeButton);
  // A toolbar button with a glyph of the program's resources.
  QToolButton *AddToolButton(const char *name, const char *glyph);
  // The caption as tooltip and the status hint as status tip, as on the
  // main toolbar.
  static void SetButtonHints(QToolButton *b, const std::string &caption, const std::string &statusHint);
  // The column of the central widget: toolbar, header, Panel2; a window may
  // insert panels of its own.
  QVBoxLayout *CentralLayout() const { return central_; }
  const ListWindowHandlers &Handlers() const { return handlers_; }
  // The window's caption: the caption variable without its "&", with the
  // title in brackets while bound.
  virtual std::string WindowCaption() const;
  // Page 1 anew with the row at position selected (none for 0 or a
  // position past the page), its memo and the status text.
  void ShowFirstPage(int32_t position);
  // Position (1-based) of the selected row in the view; 0 when none.
  int32_t SelectedPosition() const;

  bool event(QEvent *e) override;
  void showEvent(QShowEvent *e) override;
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  // At the close: writes what changed since the first show, and what the
  // file lacks.
  void SaveSettings();
  void TakeSettingsAtShow();
  void LoadSettings();
  void WriteSettings(const std::string &path);
  ini::Values CaptureSettings();
  void ApplyFont();
  void ShowMemo(bool on);
  void ToggleShowItem(QAction *item, QAction *twin);
  // Selects a row without the selection's own show.
  void SelectRowQuietly(int row);
  struct QuietGuard {
    explicit QuietGuard(bool &flag) : flag_(flag), old_(flag) { flag = true; }
    ~QuietGuard() { flag_ = old_; }
    bool &flag_;
    bool old_;
  };
  void AfterPageMove(bool moved);
  void UpdateCommandStates();

  PagedListConfig config_;
  std::unique_ptr<ListColumnsO> columns_;
  std::unique_ptr<PagedListSource> source_;
  DatabaseO *database_ = nullptr;
  std::string title_;
  PagedListState state_;
  uint8_t sortKind_ = 0;
  int32_t savedMemoHeight_ = 0;
  // The list panel's height while the memo shows, as chosen (Panel2 may
  // show less of it).
  int listHeight_ = 0;
  bool firstShowPending_ = true;
  bool created_ = false;
  // Set while the window changes the selection itself.
  bool quiet_ = false;
  std::string statusText_;
  std::set<std::string> draggedColumns_;
  // The settings as the window would have written them at its first show.
  ini::Values settingsAtShow_;
  ListWindowHandlers handlers_;
  QVBoxLayout *central_;
};
