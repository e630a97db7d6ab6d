#pragma once
// The manager of every list window of the open database. The main window
// reaches the list windows only through it: it makes them on demand, keeps
// one list of windows per kind, remembers the window used last and sends
// the main window's game navigation there, and reports back through the
// owner's events. Windows are held through ListWindowI and made by the
// factories, so the manager holds no widget.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chess/PGNTypes.h"
#include "dbwindows/ListWindow.h"

class AbortDlgO;
class DatabaseO;

// A games or tree window.
struct GamesWindowEntry {
  bool IsTree = false;
  ListWindowI *gamesWindow = nullptr;  // IsTree false
  ListWindowI *treeWindow = nullptr;   // IsTree true
  int32_t listSlot = 0;
  std::string caption;
  // The slot is the entry's own and freed when the window closes (the keys
  // window's "As tree" slot, which no window owns).
  bool ownsSlot = false;

  ListWindowI *Window() const { return IsTree ? treeWindow : gamesWindow; }
};

// A players, events/sites or annotators window.
struct NameWindowEntry {
  ListWindowI *window = nullptr;
  int32_t listSlot = 0;
  std::string caption;
};

// The search dialog as the manager sees it: the kept criteria go in, the
// dialog runs modally, and after Search the criteria come back.
class SearchDialogI {
 public:
  virtual ~SearchDialogI() = default;
  virtual void SetCriteria(const GameSearchMaskO &criteria) = 0;
  // 1 when the user pressed Search.
  virtual int Execute() = 0;
  virtual void GetCriteria(GameSearchMaskO &criteria) const = 0;
};

class GameListManO {
 public:
  using GameEvent = std::function<void(int32_t n)>;
  using IntEvent = std::function<void(int32_t value)>;
  using TextEvent = std::function<void(const std::string &text)>;

  // Active kinds.
  enum : uint8_t { akGames = 0, akPlayers = 1, akEventSites = 2, akAnnotators = 3, akKeys = 4 };

  GameListManO() = default;
  ~GameListManO() { Done(); }
  GameListManO(const GameListManO &) = delete;
  GameListManO &operator=(const GameListManO &) = delete;

  // Kept across Init and Done.
  void SetFactories(ListWindowFactories factories) { factories_ = std::move(factories); }
  void SetSearchDialog(SearchDialogI *dialog) { searchDialog_ = dialog; }

  void Init(AbortDlgO *progress, GameEvent viewGame, GameEvent gameDeleted, IntEvent windowsChanged,
            IntEvent navigationChanged, TextEvent statusText);
  // Closes any window still open as CloseAll does; the windows are gone
  // when it returns.
  void Done();
  void OpenDatabase(DatabaseO *database, const std::string &name);
  // Every window gets Detach and its release, in list order, the keys
  // window last; the releases have run when it returns.
  void CloseAll();

  // Forwarded to the active window of the active kind.
  void SelectGame(int32_t n);
  int32_t NextGame(int32_t n);
  int32_t PrevGame(int32_t n);
  int32_t GameStartPly(int32_t n);

  void Reload(int32_t n);
  void RefillKeys();
  void RefillGamesWindows();
  void CloseActiveGamesWindow();
  bool ShowActiveWindow();

  // False when no window was opened (no free slot, a tree window that got
  // no slot or tree view, no factory). Fires windows-changed whenever the
  // window list changed. The caption is a copy: it may be an entry's own.
  bool NewGamesWindow(int32_t slot, std::string caption, bool show, bool isTree, bool ownsSlot);
  int32_t GamesWindowCount() const { return static_cast<int32_t>(games_.size()); }
  // Entry i (1-based); a tree entry gets " (" + S_Tree + ")".
  std::string GamesWindowCaption(int32_t i) const;
  bool ActivateGamesWindow(int32_t i);
  bool ShowGamesWindow();
  void ShowDefaultGamesWindow();
  void CloseGamesWindow(int32_t i);

  void ShowDefaultPlayersWindow() { ShowDefaultNameWindow(akPlayers); }
  void ShowDefaultEventSitesWindow() { ShowDefaultNameWindow(akEventSites); }
  void ShowDefaultAnnotatorsWindow() { ShowDefaultNameWindow(akAnnotators); }
  bool NewPlayersWindow(int32_t slot, const std::string &caption) { return NewNameWindow(akPlayers, slot, caption); }
  bool NewEventSitesWindow(int32_t slot, const std::string &caption) {
    return NewNameWindow(akEventSites, slot, caption);
  }
  bool NewAnnotatorsWindow(int32_t slot, const std::string &caption) {
    return NewNameWindow(akAnnotators, slot, caption);
  }
  bool ActivatePlayersWindow(int32_t i) { return ActivateNameWindow(akPlayers, i); }
  bool ActivateEventSitesWindow(int32_t i) { return ActivateNameWindow(akEventSites, i); }
  bool ActivateAnnotatorsWindow(int32_t i) { return ActivateNameWindow(akAnnotators, i); }
  bool ShowPlayersWindow() { return ShowNameWindow(akPlayers); }
  bool ShowEventSitesWindow() { return ShowNameWindow(akEventSites); }
  bool ShowAnnotatorsWindow() { return ShowNameWindow(akAnnotators); }
  void ClosePlayersWindow(int32_t i) { CloseNameWindow(akPlayers, i); }
  void CloseEventSitesWindow(int32_t i) { CloseNameWindow(akEventSites, i); }
  void CloseAnnotatorsWindow(int32_t i) { CloseNameWindow(akAnnotators, i); }
  int32_t NameWindowCount(uint8_t kind) const { return static_cast<int32_t>(Names(kind).entries.size()); }

  void ShowKeysWindow();
  void ShowKeysWindowAt(int32_t key);
  bool ActivateKeysWindow();

  // The search dialog over the whole database, or over the games of a
  // slot; false when the dialog was cancelled or the search found no free
  // slot (the user is told). The found games go into the one found-games
  // window.
  bool SearchGames() { return SearchGamesInList(0); }
  bool SearchGamesInList(int32_t within);
  // Made by Init, freed by Done; null outside.
  const GameSearchMaskO *SearchCriteria() const { return criteria_.get(); }

  bool HasFoundGamesWindow() const;
  bool HasOpenTreeWindow() const;
  bool ShowFoundGamesWindow();
  bool ShowTreeWindow();

  void UpdateTexts();

  // The windows' callbacks.
  void DoViewGame(int32_t n);
  // Every games and tree window refills first: a delete removes the game's
  // row from every list that does not stand for all games.
  void DoGameDeleted(int32_t n);
  void DoNavigationChanged();

  // State, for the owner's menus and for tests.
  DatabaseO *Database() const { return database_; }
  const std::string &DatabaseName() const { return databaseName_; }
  uint8_t ActiveKind() const { return activeKind_; }
  int32_t ActiveGamesIndex() const { return activeGames_; }
  int32_t ActiveNameIndex(uint8_t kind) const { return Names(kind).active; }
  int32_t DefaultGamesSlot() const { return defaultGamesSlot_; }
  int32_t DefaultNameSlot(uint8_t kind) const { return Names(kind).defaultSlot; }
  int32_t FoundGamesSlot() const { return foundGamesSlot_; }
  // The search sets it when it opens the found-games window.
  void SetFoundGamesSlot(int32_t slot) { foundGamesSlot_ = slot; }
  const GamesWindowEntry &GamesEntry(int32_t i) const;
  const NameWindowEntry &NameEntry(uint8_t kind, int32_t i) const;
  ListWindowI *KeysWindow() const { return keysWindow_; }

 private:
  struct NameWindows {
    std::vector<NameWindowEntry> entries;
    int32_t active = 0;
    int32_t defaultSlot = 0;
  };

  NameWindows &Names(uint8_t kind);
  const NameWindows &Names(uint8_t kind) const;
  const std::function<ListWindowI *()> &NameFactory(uint8_t kind) const;
  int32_t NewAllNamesList(uint8_t kind);
  void FreeNameList(uint8_t kind, int32_t slot);
  ListWindowHandlers Handlers(bool withStatusText);
  ListWindowI *ActiveWindow() const;
  // Visible, focused or restored; false when already up and active.
  static bool Activate(ListWindowI *w, bool restoreMaximized);
  bool ShowDefaultGames();
  bool NewNameWindow(uint8_t kind, int32_t slot, std::string caption);
  bool ActivateNameWindow(uint8_t kind, int32_t i);
  bool ShowNameWindow(uint8_t kind);
  void ShowDefaultNameWindow(uint8_t kind);
  bool EnsureKeysWindow();
  void CloseNameWindow(uint8_t kind, int32_t i);
  // A slot the manager took for a window that did not open.
  void FreeUnusedGamesSlot(int32_t slot);
  void FlushReleases();
  void Clear();

  ListWindowFactories factories_;
  SearchDialogI *searchDialog_ = nullptr;
  std::unique_ptr<GameSearchMaskO> criteria_;
  DatabaseO *database_ = nullptr;
  std::string databaseName_;
  GameEvent viewGame_, gameDeleted_;
  IntEvent windowsChanged_, navigationChanged_;
  TextEvent statusText_;
  AbortDlgO *progress_ = nullptr;
  uint8_t activeKind_ = akGames;
  std::vector<GamesWindowEntry> games_;
  int32_t activeGames_ = 0;
  int32_t defaultGamesSlot_ = 0;
  std::array<NameWindows, 3> names_;
  ListWindowI *keysWindow_ = nullptr;
  int32_t foundGamesSlot_ = 0;
  bool treeWindowExists_ = false;
};

// No free slot for another list window: a beep and S_TooManyLists.
void ShowTooManyLists();
