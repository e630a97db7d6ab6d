#pragma once
// The one object through which the main window plays against the engine: it
// owns the engine driver and the chess clock, keeps the playing state,
// presses the clock as moves are made, and hands the engine's moves, output
// and game end and the clock's changes to the window.
// Every operation first asks whether the engine is enabled; while it is not,
// or after a failed start, no engine process and no clock exist and each
// operation returns at once (getters give 0 or false).
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "chess/Diags.h"
#include "chess/Moves.h"
#include "chess/Posns.h"
#include "engine/ChsClocks.h"
#include "engine/ChsEngines.h"
#include "foundation/TimeControl.h"

class InputDispatcherI;

class EngineManT {
 public:
  using EnabledTest = std::function<bool()>;
  // A new engine child for each start; unset, the real process.
  using ChildMaker = std::function<std::unique_ptr<EngineChildI>()>;
  using MoveEvent = std::function<void(void *sender, const MoveRec &move)>;
  using OutputEvent = std::function<void(void *sender, const std::string &line)>;
  using GameEndEvent = std::function<void(void *sender, int value)>;
  using ClockEvent = std::function<void(ColorT side)>;
  using NotifyEvent = std::function<void()>;
  using TextEvent = std::function<void(const std::string &text)>;

  EngineManT() = default;
  ~EngineManT() { Destroy(); }
  EngineManT(const EngineManT &) = delete;
  EngineManT &operator=(const EngineManT &) = delete;

  // When the test says the engine is enabled: makes the clock (10 moves in
  // 60 seconds) on timer and tick, starts the engine with its output handed
  // to dispatcher, and sends "new", the level and "force". Answers 0, or the
  // start's error code, after which the manager acts as disabled. dispatcher
  // and timer are not owned and must outlive the manager's engine and clock.
  int Init(EnabledTest enabled, InputDispatcherI *dispatcher, OneShotTimer *timer,
           ChessClockT::TickSource tick = nullptr, ChildMaker maker = nullptr);
  // Frees the driver, which ends the engine, then the clock.
  void Destroy();

  void SetOnEngineMove(MoveEvent e) { onEngineMove_ = std::move(e); }
  void SetOnOutput(OutputEvent e) { onOutput_ = std::move(e); }
  void SetOnGameEnd(GameEndEvent e) { onGameEnd_ = std::move(e); }
  void SetOnClock(ClockEvent e) { onClock_ = std::move(e); }
  // Play went on or off, or a failed restart left the manager inactive:
  // whatever changed IsPlaying or Active, after the change.
  void SetOnPlayChange(NotifyEvent e) { onPlayChange_ = std::move(e); }
  // The engine's first bad move of a game (its line), after play has
  // stopped; later ones of the game stop play without it.
  void SetOnBadMove(TextEvent e) { onBadMove_ = std::move(e); }

  // On: after the engine's end, first a new engine on the same game; when
  // that fails to start the manager acts as disabled (see Active).
  void SetPlaying(bool on);
  bool IsPlaying() const;
  void MoveNow();
  void UserMove(const MoveRec &move);
  void ReplaceLastMove(const MoveRec &move);
  void TakeBackInPlay();
  // moves may be null.
  void SetPosition(const PositionO &position, const MoveListO *moves);
  void SetPositionAndReset(const PositionO &position);
  void StopAndTakeBack();
  void Stop();
  void Restart();
  // The list stays the caller's and must live until ApplyPending.
  void SetPendingMoves(const MoveListO &moves);
  void ApplyPending();
  void NewGame();
  // The control chosen last, whether it applies yet or not.
  void GetTimeControl(TimeControlRec &rec) const;
  // A record the clock refuses raises ERangeError and changes nothing.
  // Base time and increment apply together: at once while no game is
  // played (play off, no move made: the clock resets and the engine hears
  // the level), else at the next reset of the clock for a new game.
  void SetTimeControl(const TimeControlRec &rec);
  void ResetClock();
  int32_t GetSeconds(ColorT side) const;
  void SetSeconds(ColorT side, int32_t seconds);
  bool FlagFallen(ColorT side) const;
  ColorT FirstFlag() const;

  bool Enabled() const { return enabled_ && enabled_(); }
  // Enabled, with an engine driver and a clock: false after a failed start.
  bool Active() const { return clock_ && engine_ && Enabled(); }
  // The clock, for its timer's adapter; null while not active.
  ChessClockT *Clock() const { return Active() ? clock_.get() : nullptr; }
  // The error code of the last failed start of an engine, else 0.
  int LastStartError() const { return lastStartError_; }
  // The driver, for tests; null while not active.
  const ChessEngineT *Engine() const { return Active() ? engine_.get() : nullptr; }

 private:
  // A driver started with "xboard", "new", the level and "force"; null
  // and the error code when it does not start.
  std::unique_ptr<ChessEngineT> StartEngine(int &error);
  // A new engine on the game of the one whose process ended.
  bool Respawn();
  void EngineReceived(const std::string &line);
  void EngineMoved(const MoveRec &move);
  void EngineGameEnd();
  void EngineEnded();
  void EngineBadMove(const std::string &line);
  void ClockChanged(ColorT side);
  void PlayChanged();
  // The clock back to its base: a chosen control applies first, and the
  // engine hears it.
  void ResetToControl();
  // The driver's TakeBack; when the engine is to move in play it is
  // stopped first, and play goes on after the take-back.
  bool TakeBackStopping();

  EnabledTest enabled_;
  InputDispatcherI *dispatcher_ = nullptr;
  ChildMaker maker_;
  std::unique_ptr<ChessEngineT> engine_;
  std::unique_ptr<ChessClockT> clock_;
  MoveEvent onEngineMove_;
  OutputEvent onOutput_;
  GameEndEvent onGameEnd_;
  ClockEvent onClock_;
  NotifyEvent onPlayChange_;
  TextEvent onBadMove_;
  bool playing_ = false;
  bool badMoveSaid_ = false;
  int lastStartError_ = 0;  // this game's bad move was reported
  bool hasNextControl_ = false;
  TimeControlRec nextControl_;
  bool applying_ = false;
  bool pending_ = false;
  const MoveListO *pendingMoves_ = nullptr;
};
