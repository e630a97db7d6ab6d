#pragma once
// ChessClockT: a two-sided chess clock. It counts down the side to move in
// milliseconds, adds the increment after each move and the base time again at
// each control, records fallen flags and which fell first, and keeps the
// times of each move so that a move can be taken back with them. It runs on
// one one-shot timer at a time, armed for the moment the shown time next
// changes: each second, and each tenth in a side's last second.
#include <cstdint>
#include <functional>
#include <map>

#include "chess/Diags.h"
#include "foundation/TimeControl.h"

class MoveListO;
class PositionO;

// The timer the clock runs on. Its owner calls ChessClockT::TimerMessage
// when an expiry is due.
class OneShotTimer {
 public:
  virtual ~OneShotTimer() = default;
  // Arms one expiry ms (>= 1) from now, replacing a pending one; false when
  // no timer can be set.
  virtual bool Set(int32_t ms) = 0;
  // Cancels a pending expiry: it never arrives.
  virtual void Kill() = 0;
};

class ChessClockT {
 public:
  static constexpr uint32_t kTimerId = 51;
  // A tick may come this many ms early and keep its lead.
  static constexpr int32_t kMaxLead = 25;

  using ChangeEvent = std::function<void(ColorT side)>;
  // Monotonic milliseconds.
  using TickSource = std::function<uint64_t()>;

  ChessClockT();

  // Not owned; without one no timer can be set and the clock never ticks.
  void SetTimer(OneShotTimer *timer) { timer_ = timer; }
  // dirs::TickCount unless set.
  void SetTickSource(TickSource source);
  // A shown value of that side may have changed.
  void SetOnChange(ChangeEvent handler) { onChange_ = std::move(handler); }

  // Times are 32-bit milliseconds: a control whose milliseconds do not fit,
  // or a negative value, raises ERangeError and changes nothing.
  void GetTimeControl(int32_t &moves, int32_t &seconds, int32_t &increment) const;
  void SetTimeControl(int32_t moves, int32_t seconds, int32_t increment);
  TimeControlRec GetTimeControlRec() const { return timeControl_; }
  void SetTimeControlRec(const TimeControlRec &rec);

  // Move numbers count from 1.
  void SetMoveNumber(int32_t number);
  void SetSideToMove(ColorT side);
  // The side to move and move number after the moves (none: of the position
  // itself). A new position starts a new history.
  void SetFromPosition(const PositionO &position, const MoveListO *moves = nullptr);

  // Rounded up: 1001 ms show as 2 s.
  int32_t GetSeconds(ColorT side) const;
  // A fallen flag stays set.
  void SetSeconds(ColorT side, int32_t seconds);
  int32_t GetCentiseconds(ColorT side) const;
  bool FlagFallen(ColorT side) const { return t_.flag[Index(side)]; }
  // cNone while no flag has fallen.
  ColorT FirstFlag() const { return t_.firstFlag; }

  int32_t MoveNumber() const { return moveNumber_; }
  ColorT SideToMove() const { return side_; }
  bool Running() const { return running_; }

  // Move 1, White, full base time, stopped, a new history.
  void Reset();
  // run false arms the clock without counting: the next Press starts the
  // other side's time.
  void Start(bool run);
  void Stop();
  // The side to move has moved.
  void Press();
  void TakeBack();
  // The timer's expiry.
  void TimerMessage();

  // Time until ms next reaches a multiple of the display step: 1000, or 100
  // within the last second.
  static int32_t NextInterval(int32_t ms);
  // Seconds as the clock's milliseconds; ERangeError when they do not fit or
  // are negative. Lets a caller check a time before it changes anything.
  static int32_t Seconds2Ms(int64_t seconds);

 private:
  // What counts down, and what a take-back restores.
  struct TimesRec {
    int32_t ms[2] = {0, 0};
    bool flag[2] = {false, false};
    ColorT firstFlag = cNone;
  };

  static int Index(ColorT side);
  static ColorT Other(ColorT side) { return side == cWhite ? cBlack : cWhite; }
  static int64_t HistoryKey(int32_t move, ColorT side) { return int64_t{move} * 2 + side; }

  uint64_t Now() const { return tickSource_(); }
  // Milliseconds from the last tick to now, checked.
  int32_t Since(uint64_t now) const;
  void StartTimer(int32_t ms);
  bool StopTimer();
  // Sets the first unmarked flag of a side with no time left; true when one fell.
  static bool CheckFlags(TimesRec &t);
  // The increment of the side that has just moved, and the base time to
  // both sides after Black's last move of a control.
  void AddIncrement(TimesRec &t) const;
  void Changed(ColorT side);
  void ChangedBoth();
  void StoreHistory();
  void Tick();

  OneShotTimer *timer_ = nullptr;
  TickSource tickSource_;
  uint64_t lastTick_ = 0;
  int32_t plannedInterval_ = 0;
  uint32_t timerId_ = 0;
  ChangeEvent onChange_;
  int32_t movesPerControl_ = 0;
  int32_t baseSeconds_ = 0;
  int32_t incrementSeconds_ = 0;
  TimeControlRec timeControl_;
  int32_t moveNumber_ = 1;
  ColorT side_ = cWhite;
  TimesRec t_;
  bool paused_ = false;
  bool running_ = false;
  // Keyed by HistoryKey; an absent key is an entry never stored.
  std::map<int64_t, TimesRec> history_;
};
