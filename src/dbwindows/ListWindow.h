#pragma once
// What every list window of the open database offers its manager: the
// window operations, and the few things the manager asks of the window's
// frame. The manager holds windows only through this interface and makes
// them through factories, so it holds no widget and runs against fakes.
#include <cstdint>
#include <functional>
#include <string>

class AbortDlgO;
class DatabaseO;
class GameListManO;

// Handed to a window by SetHandlers. The callbacks go back to the manager.
struct ListWindowHandlers {
  GameListManO *manager = nullptr;
  AbortDlgO *progress = nullptr;
  std::function<void()> navigationChanged;
  std::function<void(int32_t n)> gameDeleted;
  std::function<void(int32_t n)> viewGame;
  // The owner's status text; the keys window only.
  std::function<void(const std::string &text)> statusText;
};

class ListWindowI {
 public:
  virtual ~ListWindowI() = default;

  // ---- Window operations. What a kind lacks does nothing. ----
  virtual void SetHandlers(const ListWindowHandlers &) {}
  // Binds the window to the slot (the keys window to the database only).
  // False when the window got no slot or tree view of its own: it has then
  // released what it took and is not bound.
  virtual bool Open(DatabaseO *database, int32_t slot, const std::string &title) = 0;
  virtual void Detach() {}
  virtual void UpdateTexts() {}
  virtual void SelectGame(int32_t) {}
  virtual int32_t NextGame(int32_t) { return 0; }
  virtual int32_t PrevGame(int32_t) { return 0; }
  // The ply at which game n reaches the window's position; 0 none.
  virtual int32_t GameStartPly(int32_t) { return 0; }
  virtual void Reload(int32_t) {}
  virtual void RefillKeepSelection() {}
  // Hides the form when it is visible.
  virtual void CloseWindow() {}
  // The keys window's jump to a key node.
  virtual void GotoKey(int32_t) {}

  // ---- The frame. ----
  virtual bool FrameVisible() const = 0;
  virtual bool FrameActive() const = 0;
  virtual bool FrameMinimized() const = 0;
  // Maximised as the platform reports it (also behind a minimised state).
  virtual bool FrameMaximized() const = 0;
  virtual void FrameShow() = 0;
  virtual void FrameBringToFront() = 0;
  // Out of the minimised state, to maximised or to normal.
  virtual void FrameRestore(bool maximized) = 0;
  virtual void FrameFocus() = 0;
  // A deferred release: the window goes once the pending releases run, so
  // a window may be released from inside its own handlers.
  virtual void FrameRelease() = 0;
};

// One factory per kind; an unset factory opens nothing of its kind.
// flushReleases runs the pending releases (the end of a file or of the
// program needs every window gone before the settings are written).
struct ListWindowFactories {
  std::function<ListWindowI *()> games, tree, players, eventSites, annotators, keys;
  std::function<void()> flushReleases;
};
