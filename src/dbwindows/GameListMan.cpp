#include "dbwindows/GameListMan.h"

#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/comDlgAbort.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"

namespace {

const std::string kDatabaseCaption = "Database";

void CheckIndex(int32_t i, size_t count, const char *what) {
  if (i < 1 || static_cast<size_t>(i) > count)
    throw ERangeError(std::string(what) + " index out of range (" + std::to_string(i) + ")");
}

// The active index after entry i left the list: cleared when it was i,
// moved down with its entry when it was above.
int32_t ActiveAfterRemoval(int32_t active, int32_t i) {
  if (active == i) return 0;
  return active > i ? active - 1 : active;
}

}  // namespace

void ShowTooManyLists() {
  ui::Beep();
  ui::ShowMessage(CommonText::S_TooManyLists);
}

void GameListManO::Init(AbortDlgO *progress, GameEvent viewGame, GameEvent gameDeleted, IntEvent windowsChanged,
                        IntEvent navigationChanged, TextEvent statusText) {
  Clear();
  progress_ = progress;
  viewGame_ = std::move(viewGame);
  gameDeleted_ = std::move(gameDeleted);
  windowsChanged_ = std::move(windowsChanged);
  navigationChanged_ = std::move(navigationChanged);
  statusText_ = std::move(statusText);
  criteria_ = std::make_unique<GameSearchMaskO>();
}

void GameListManO::Done() {
  bool open = !games_.empty() || keysWindow_ != nullptr;
  for (const NameWindows &k : names_) open = open || !k.entries.empty();
  if (open)
    CloseAll();
  else
    FlushReleases();
  Clear();
  criteria_.reset();
}

void GameListManO::Clear() {
  database_ = nullptr;
  databaseName_.clear();
  activeKind_ = akGames;
  games_.clear();
  activeGames_ = 0;
  defaultGamesSlot_ = 0;
  for (NameWindows &k : names_) k = NameWindows();
  keysWindow_ = nullptr;
  foundGamesSlot_ = 0;
  treeWindowExists_ = false;
}

void GameListManO::FlushReleases() {
  if (factories_.flushReleases) factories_.flushReleases();
}

void GameListManO::OpenDatabase(DatabaseO *database, const std::string &name) {
  database_ = database;
  databaseName_ = name;
  activeKind_ = akGames;
  if (!database_) return;
  const int32_t slot = database_->NewAllGamesList();
  if (slot == 0) {
    ShowTooManyLists();
    return;
  }
  defaultGamesSlot_ = slot;
  NewGamesWindow(slot, kDatabaseCaption, false, false, false);
  activeKind_ = akGames;
}

ListWindowHandlers GameListManO::Handlers(bool withStatusText) {
  ListWindowHandlers h;
  h.manager = this;
  h.progress = progress_;
  h.navigationChanged = [this] { DoNavigationChanged(); };
  h.gameDeleted = [this](int32_t n) { DoGameDeleted(n); };
  h.viewGame = [this](int32_t n) { DoViewGame(n); };
  if (withStatusText) h.statusText = statusText_;
  return h;
}

void GameListManO::FreeUnusedGamesSlot(int32_t slot) {
  if (slot == 0) return;
  if (database_) database_->FreeGameList(slot);
  if (defaultGamesSlot_ == slot) defaultGamesSlot_ = 0;
  if (foundGamesSlot_ == slot) foundGamesSlot_ = 0;
}

bool GameListManO::NewGamesWindow(int32_t slot, std::string caption, bool show, bool isTree, bool ownsSlot) {
  // Refused before anything changes: an open tree window stays.
  if (slot == 0) {
    ShowTooManyLists();
    return false;
  }
  bool changed = false;
  const auto fireChanged = [this, &changed] {
    if (changed && windowsChanged_) windowsChanged_(0);
  };
  if (isTree && ChessApp.OneWindowMode && treeWindowExists_) {
    for (size_t i = 0; i < games_.size(); ++i)
      if (games_[i].IsTree) {
        CloseGamesWindow(static_cast<int32_t>(i + 1));
        changed = true;
        break;
      }
  }
  // A games window owns its slot, and so does a tree entry given an owned
  // one; a tree built from another window's slot leaves it to that window.
  const bool slotIsEntrys = !isTree || ownsSlot;
  const auto &factory = isTree ? factories_.tree : factories_.games;
  ListWindowI *w = factory ? factory() : nullptr;
  if (!w) {
    if (slotIsEntrys) FreeUnusedGamesSlot(slot);
    fireChanged();
    return false;
  }

  GamesWindowEntry e;
  e.IsTree = isTree;
  (isTree ? e.treeWindow : e.gamesWindow) = w;
  e.listSlot = slot;
  e.caption = caption;
  e.ownsSlot = isTree && ownsSlot;
  if (isTree) treeWindowExists_ = true;
  games_.push_back(std::move(e));
  w->SetHandlers(Handlers(false));
  if (!w->Open(database_, slot, caption)) {
    // The window released what it took; it was never bound, so no Detach.
    w->FrameRelease();
    games_.pop_back();
    if (isTree) treeWindowExists_ = false;
    if (slotIsEntrys) FreeUnusedGamesSlot(slot);
    ShowTooManyLists();
    fireChanged();
    return false;
  }
  if (show) {
    w->FrameShow();
    w->FrameBringToFront();
  }
  activeGames_ = GamesWindowCount();
  activeKind_ = akGames;
  changed = true;
  fireChanged();
  return true;
}

NameWindowEntry const &GameListManO::NameEntry(uint8_t kind, int32_t i) const {
  const NameWindows &k = Names(kind);
  CheckIndex(i, k.entries.size(), "List window");
  return k.entries[i - 1];
}

const GamesWindowEntry &GameListManO::GamesEntry(int32_t i) const {
  CheckIndex(i, games_.size(), "Games window");
  return games_[i - 1];
}

GameListManO::NameWindows &GameListManO::Names(uint8_t kind) {
  if (kind < akPlayers || kind > akAnnotators) throw ERangeError("List kind out of range");
  return names_[kind - akPlayers];
}

const GameListManO::NameWindows &GameListManO::Names(uint8_t kind) const {
  return const_cast<GameListManO *>(this)->Names(kind);
}

const std::function<ListWindowI *()> &GameListManO::NameFactory(uint8_t kind) const {
  Names(kind);
  return kind == akPlayers ? factories_.players : kind == akEventSites ? factories_.eventSites : factories_.annotators;
}

int32_t GameListManO::NewAllNamesList(uint8_t kind) {
  switch (kind) {
    case akPlayers:
      return database_->NewAllPlayersList();
    case akEventSites:
      return database_->NewAllEventSitesList();
    default:
      return database_->NewAllAnnotatorsList();
  }
}

void GameListManO::FreeNameList(uint8_t kind, int32_t slot) {
  if (slot == 0 || !database_) return;
  switch (kind) {
    case akPlayers:
      database_->FreePlayerList(slot);
      break;
    case akEventSites:
      database_->FreeEventSiteList(slot);
      break;
    default:
      database_->FreeAnnotatorList(slot);
      break;
  }
}

bool GameListManO::NewNameWindow(uint8_t kind, int32_t slot, std::string caption) {
  NameWindows &k = Names(kind);
  if (slot == 0) {
    ShowTooManyLists();
    return false;
  }
  const auto &factory = NameFactory(kind);
  ListWindowI *w = factory ? factory() : nullptr;
  const auto unused = [&] {
    FreeNameList(kind, slot);
    if (k.defaultSlot == slot) k.defaultSlot = 0;
  };
  if (!w) {
    unused();
    return false;
  }
  k.entries.push_back({w, slot, caption});
  w->SetHandlers(Handlers(false));
  if (!w->Open(database_, slot, caption)) {
    w->FrameRelease();
    k.entries.pop_back();
    unused();
    ShowTooManyLists();
    return false;
  }
  w->FrameShow();
  w->FrameBringToFront();
  k.active = static_cast<int32_t>(k.entries.size());
  activeKind_ = kind;
  return true;
}

bool GameListManO::ShowDefaultGames() {
  if (defaultGamesSlot_ != 0) {
    bool shown = false;
    for (size_t i = 0; i < games_.size(); ++i) {
      const GamesWindowEntry &e = games_[i];
      if (e.IsTree || e.listSlot != defaultGamesSlot_) continue;
      e.gamesWindow->FrameShow();
      e.gamesWindow->FrameBringToFront();
      activeGames_ = static_cast<int32_t>(i + 1);
      activeKind_ = akGames;
      shown = true;
    }
    return shown;
  }
  if (!database_) return false;
  const int32_t slot = database_->NewAllGamesList();
  if (slot == 0) {
    ShowTooManyLists();
    return false;
  }
  defaultGamesSlot_ = slot;
  return NewGamesWindow(slot, kDatabaseCaption, true, false, false);
}

void GameListManO::ShowDefaultGamesWindow() { ShowDefaultGames(); }

void GameListManO::ShowDefaultNameWindow(uint8_t kind) {
  NameWindows &k = Names(kind);
  if (k.defaultSlot != 0) {
    for (size_t i = 0; i < k.entries.size(); ++i) {
      if (k.entries[i].listSlot != k.defaultSlot) continue;
      k.entries[i].window->FrameShow();
      k.entries[i].window->FrameBringToFront();
      k.active = static_cast<int32_t>(i + 1);
      activeKind_ = kind;
    }
    return;
  }
  if (!database_) return;
  const int32_t slot = NewAllNamesList(kind);
  if (slot == 0) {
    ShowTooManyLists();
    return;
  }
  k.defaultSlot = slot;
  NewNameWindow(kind, slot, kDatabaseCaption);
}

bool GameListManO::EnsureKeysWindow() {
  if (keysWindow_) return true;
  ListWindowI *w = factories_.keys ? factories_.keys() : nullptr;
  if (!w) return false;
  w->SetHandlers(Handlers(true));
  if (!w->Open(database_, 0, std::string())) {
    w->FrameRelease();
    ShowTooManyLists();
    return false;
  }
  keysWindow_ = w;
  return true;
}

void GameListManO::ShowKeysWindow() {
  if (!EnsureKeysWindow()) return;
  keysWindow_->FrameShow();
  keysWindow_->FrameBringToFront();
  activeKind_ = akKeys;
}

void GameListManO::ShowKeysWindowAt(int32_t key) {
  if (!EnsureKeysWindow()) return;
  keysWindow_->GotoKey(key);
  keysWindow_->FrameShow();
  keysWindow_->FrameBringToFront();
  activeKind_ = akKeys;
}

bool GameListManO::Activate(ListWindowI *w, bool restoreMaximized) {
  if (!w->FrameVisible()) {
    w->FrameShow();
    return true;
  }
  if (!w->FrameActive()) {
    if (w->FrameMinimized()) w->FrameRestore(restoreMaximized && w->FrameMaximized());
    w->FrameFocus();
    return true;
  }
  return false;
}

bool GameListManO::ActivateGamesWindow(int32_t i) {
  CheckIndex(i, games_.size(), "Games window");
  const bool result = Activate(games_[i - 1].Window(), true);
  activeGames_ = i;
  activeKind_ = akGames;
  return result;
}

bool GameListManO::ActivateNameWindow(uint8_t kind, int32_t i) {
  NameWindows &k = Names(kind);
  CheckIndex(i, k.entries.size(), "List window");
  const bool result = Activate(k.entries[i - 1].window, false);
  k.active = i;
  activeKind_ = kind;
  return result;
}

bool GameListManO::ActivateKeysWindow() {
  if (!keysWindow_) {
    ShowKeysWindow();
    return keysWindow_ != nullptr;
  }
  const bool result = Activate(keysWindow_, false);
  activeKind_ = akKeys;
  return result;
}

bool GameListManO::ShowGamesWindow() {
  if (activeGames_ != 0) return ActivateGamesWindow(activeGames_);
  if (defaultGamesSlot_ != 0) {
    bool result = false;
    for (size_t i = 0; i < games_.size(); ++i)
      if (!games_[i].IsTree && games_[i].listSlot == defaultGamesSlot_)
        result = ActivateGamesWindow(static_cast<int32_t>(i + 1));
    return result;
  }
  return ShowDefaultGames();
}

bool GameListManO::ShowNameWindow(uint8_t kind) {
  NameWindows &k = Names(kind);
  if (k.active != 0) return ActivateNameWindow(kind, k.active);
  if (k.defaultSlot != 0) {
    bool result = false;
    for (size_t i = 0; i < k.entries.size(); ++i)
      if (k.entries[i].listSlot == k.defaultSlot) result = ActivateNameWindow(kind, static_cast<int32_t>(i + 1));
    return result;
  }
  ShowDefaultNameWindow(kind);
  return k.active != 0;
}

bool GameListManO::ShowActiveWindow() {
  switch (activeKind_) {
    case akGames:
      return ShowGamesWindow();
    case akPlayers:
    case akEventSites:
    case akAnnotators:
      return ShowNameWindow(activeKind_);
    case akKeys:
      return ActivateKeysWindow();
    default:
      return false;
  }
}

bool GameListManO::SearchGamesInList(int32_t within) {
  if (!searchDialog_ || !criteria_) return false;
  searchDialog_->SetCriteria(*criteria_);
  if (searchDialog_->Execute() != 1) return false;
  // The screen under the closed dialog is drawn before the search runs.
  ui::ProcessMessages();
  searchDialog_->GetCriteria(*criteria_);
  if (criteria_->IsEmpty()) {
    ShowDefaultGamesWindow();
    return true;
  }
  if (!database_) return false;
  const int32_t slot = database_->NewGameList();
  if (slot == 0) {
    ShowTooManyLists();
    return false;
  }
  try {
    std::unique_ptr<AbortShowGuard> shown;
    if (progress_) {
      progress_->SetCaption(CommonText::S_SearchingGames);
      shown = std::make_unique<AbortShowGuard>(*progress_);
    }
    database_->SearchGames(criteria_.get(), slot, within, progress_);
  } catch (...) {
    database_->FreeGameList(slot);
    throw;
  }
  // Without one window per kind the result has no window to go to; its slot
  // would stay taken for nothing.
  if (!ChessApp.OneWindowMode) {
    database_->FreeGameList(slot);
    return true;
  }
  const std::string caption = criteria_->PlayersText();
  if (foundGamesSlot_ == 0) {
    foundGamesSlot_ = slot;
    NewGamesWindow(slot, caption, true, false, false);
    return true;
  }
  for (size_t i = 0; i < games_.size(); ++i) {
    GamesWindowEntry &e = games_[i];
    if (e.IsTree || e.listSlot != foundGamesSlot_) continue;
    foundGamesSlot_ = slot;
    e.listSlot = slot;
    // Detach releases the old slot; the entry keeps its first caption.
    e.gamesWindow->Detach();
    e.gamesWindow->Open(database_, slot, caption);
    ActivateGamesWindow(static_cast<int32_t>(i + 1));
    return true;
  }
  return true;
}

bool GameListManO::HasFoundGamesWindow() const { return ChessApp.OneWindowMode && foundGamesSlot_ != 0; }

bool GameListManO::HasOpenTreeWindow() const { return ChessApp.OneWindowMode && treeWindowExists_; }

bool GameListManO::ShowFoundGamesWindow() {
  if (!HasFoundGamesWindow()) return false;
  for (size_t i = 0; i < games_.size(); ++i)
    if (!games_[i].IsTree && games_[i].listSlot == foundGamesSlot_)
      return ActivateGamesWindow(static_cast<int32_t>(i + 1));
  return false;
}

bool GameListManO::ShowTreeWindow() {
  if (!HasOpenTreeWindow()) return false;
  for (size_t i = 0; i < games_.size(); ++i)
    if (games_[i].IsTree) return ActivateGamesWindow(static_cast<int32_t>(i + 1));
  return false;
}

ListWindowI *GameListManO::ActiveWindow() const {
  switch (activeKind_) {
    case akGames:
      return activeGames_ != 0 ? games_[activeGames_ - 1].Window() : nullptr;
    case akPlayers:
    case akEventSites:
    case akAnnotators: {
      const NameWindows &k = Names(activeKind_);
      return k.active != 0 ? k.entries[k.active - 1].window : nullptr;
    }
    case akKeys:
      return keysWindow_;
    default:
      return nullptr;
  }
}

void GameListManO::SelectGame(int32_t n) {
  if (ListWindowI *w = ActiveWindow()) w->SelectGame(n);
}

int32_t GameListManO::NextGame(int32_t n) {
  ListWindowI *w = ActiveWindow();
  return w ? w->NextGame(n) : 0;
}

int32_t GameListManO::PrevGame(int32_t n) {
  ListWindowI *w = ActiveWindow();
  return w ? w->PrevGame(n) : 0;
}

int32_t GameListManO::GameStartPly(int32_t n) {
  ListWindowI *w = ActiveWindow();
  return w ? w->GameStartPly(n) : 0;
}

void GameListManO::Reload(int32_t n) {
  for (const GamesWindowEntry &e : games_) e.Window()->Reload(n);
  if (keysWindow_) keysWindow_->Reload(n);
}

void GameListManO::RefillGamesWindows() {
  for (const GamesWindowEntry &e : games_) e.Window()->RefillKeepSelection();
}

void GameListManO::RefillKeys() {
  if (keysWindow_) keysWindow_->RefillKeepSelection();
}

void GameListManO::CloseActiveGamesWindow() {
  if (activeGames_ != 0) games_[activeGames_ - 1].Window()->CloseWindow();
}

std::string GameListManO::GamesWindowCaption(int32_t i) const {
  const GamesWindowEntry &e = GamesEntry(i);
  return e.IsTree ? e.caption + " (" + CommonText::S_Tree + ")" : e.caption;
}

void GameListManO::UpdateTexts() {
  for (const GamesWindowEntry &e : games_) e.Window()->UpdateTexts();
  for (const NameWindows &k : names_)
    for (const NameWindowEntry &e : k.entries) e.window->UpdateTexts();
  if (keysWindow_) keysWindow_->UpdateTexts();
}

void GameListManO::CloseGamesWindow(int32_t i) {
  CheckIndex(i, games_.size(), "Games window");
  activeGames_ = ActiveAfterRemoval(activeGames_, i);
  const GamesWindowEntry e = games_[i - 1];
  // Only a games entry holds the default and found-games slots as its own;
  // a tree entry built on them leaves them to their window.
  if (ChessApp.OneWindowMode) {
    if (!e.IsTree && foundGamesSlot_ == e.listSlot) foundGamesSlot_ = 0;
    if (e.IsTree) treeWindowExists_ = false;
  }
  if (!e.IsTree && defaultGamesSlot_ == e.listSlot) defaultGamesSlot_ = 0;
  games_.erase(games_.begin() + (i - 1));
  ListWindowI *w = e.Window();
  w->Detach();
  w->FrameRelease();
  if (e.ownsSlot && e.listSlot != 0 && database_) database_->FreeGameList(e.listSlot);
}

void GameListManO::CloseNameWindow(uint8_t kind, int32_t i) {
  NameWindows &k = Names(kind);
  CheckIndex(i, k.entries.size(), "List window");
  k.active = ActiveAfterRemoval(k.active, i);
  const NameWindowEntry e = k.entries[i - 1];
  if (k.defaultSlot == e.listSlot) k.defaultSlot = 0;
  k.entries.erase(k.entries.begin() + (i - 1));
  e.window->Detach();
  e.window->FrameRelease();
}

void GameListManO::CloseAll() {
  while (!games_.empty()) CloseGamesWindow(1);
  for (uint8_t kind = akPlayers; kind <= akAnnotators; ++kind)
    while (!Names(kind).entries.empty()) CloseNameWindow(kind, 1);
  if (keysWindow_) {
    ListWindowI *w = keysWindow_;
    keysWindow_ = nullptr;
    w->Detach();
    w->FrameRelease();
  }
  database_ = nullptr;
  databaseName_.clear();
  FlushReleases();
}

void GameListManO::DoViewGame(int32_t n) {
  if (viewGame_) viewGame_(n);
}

void GameListManO::DoGameDeleted(int32_t n) {
  // A copy: a refill may reach the manager again.
  std::vector<ListWindowI *> windows;
  for (const GamesWindowEntry &e : games_) windows.push_back(e.Window());
  for (ListWindowI *w : windows) w->RefillKeepSelection();
  if (gameDeleted_) gameDeleted_(n);
}

void GameListManO::DoNavigationChanged() {
  if (navigationChanged_) navigationChanged_(0);
}
