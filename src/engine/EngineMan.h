#pragma once
// The one object through which the main window plays against the engine.
// This is its disabled form: every operation first asks whether the engine
// is enabled and, while it is not, returns at once (getters give 0 or
// false). No engine process and no clock exist then. The driver and the
// clock join it when engine play is built.
#include <cstdint>
#include <functional>
#include <string>

#include "chess/Diags.h"
#include "chess/Moves.h"
#include "chess/Posns.h"
#include "foundation/TimeControl.h"

class EngineManT {
 public:
  using EnabledTest = std::function<bool()>;
  using MoveEvent = std::function<void(void *sender, const MoveRec &move)>;
  using OutputEvent = std::function<void(void *sender, const std::string &line)>;
  using GameEndEvent = std::function<void(void *sender, int value)>;
  using ClockEvent = std::function<void(ColorT side)>;

  // The test answers whether the engine is enabled; an unset one says no.
  void Init(EnabledTest enabled);
  void Destroy();

  void SetOnEngineMove(MoveEvent e) { onEngineMove_ = std::move(e); }
  void SetOnOutput(OutputEvent e) { onOutput_ = std::move(e); }
  void SetOnGameEnd(GameEndEvent e) { onGameEnd_ = std::move(e); }
  void SetOnClock(ClockEvent e) { onClock_ = std::move(e); }

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
  // The list stays the caller's.
  void SetPendingMoves(const MoveListO &moves);
  void ApplyPending();
  void NewGame();
  void GetTimeControl(TimeControlRec &rec) const;
  void SetTimeControl(const TimeControlRec &rec);
  void ResetClock();
  int32_t GetSeconds(ColorT side) const;
  void SetSeconds(ColorT side, int32_t seconds);
  bool FlagFallen(ColorT side) const;
  ColorT FirstFlag() const;

  bool Enabled() const { return enabled_ && enabled_(); }

 private:
  EnabledTest enabled_;
  MoveEvent onEngineMove_;
  OutputEvent onOutput_;
  GameEndEvent onGameEnd_;
  ClockEvent onClock_;
};
