#include "engine/ChsClocks.h"

#include <algorithm>
#include <limits>

#include "chess/Moves.h"
#include "chess/Posns.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"

namespace {

int32_t CheckedMs(int64_t v) { return RangeCast<int32_t>(v); }

}  // namespace

ChessClockT::ChessClockT() : tickSource_(dirs::TickCount) {}

void ChessClockT::SetTickSource(TickSource source) {
  tickSource_ = source ? std::move(source) : TickSource(dirs::TickCount);
}

int ChessClockT::Index(ColorT side) {
  if (side != cWhite && side != cBlack) throw ERangeError();
  return side;
}

// Seconds of a setting as milliseconds; a negative setting is refused too.
int32_t ChessClockT::Seconds2Ms(int64_t seconds) {
  if (seconds < 0 || seconds > std::numeric_limits<int32_t>::max() / 1000) throw ERangeError();
  return static_cast<int32_t>(seconds * 1000);
}

void ChessClockT::GetTimeControl(int32_t &moves, int32_t &seconds, int32_t &increment) const {
  moves = movesPerControl_;
  seconds = baseSeconds_;
  increment = incrementSeconds_;
}

void ChessClockT::SetTimeControl(int32_t moves, int32_t seconds, int32_t increment) {
  CheckRange(moves, 0, std::numeric_limits<int32_t>::max());
  Seconds2Ms(seconds);
  Seconds2Ms(increment);
  movesPerControl_ = moves;
  baseSeconds_ = seconds;
  incrementSeconds_ = increment;
  timeControl_.BlitzTime = seconds / 60;
  timeControl_.BlitzIncrement = increment;
  timeControl_.BlitzNrOfMoves = moves;
}

void ChessClockT::SetTimeControlRec(const TimeControlRec &rec) {
  CheckRange(rec.BlitzNrOfMoves, 0, std::numeric_limits<int32_t>::max());
  Seconds2Ms(int64_t{rec.BlitzTime} * 60);
  Seconds2Ms(rec.BlitzIncrement);
  timeControl_ = rec;
  movesPerControl_ = rec.BlitzNrOfMoves;
  baseSeconds_ = rec.BlitzTime * 60;
  incrementSeconds_ = rec.BlitzIncrement;
}

void ChessClockT::SetMoveNumber(int32_t number) {
  CheckRange(number, 1, std::numeric_limits<int32_t>::max());
  moveNumber_ = number;
}

void ChessClockT::SetSideToMove(ColorT side) { side_ = static_cast<ColorT>(Index(side)); }

void ChessClockT::SetFromPosition(const PositionO &position, const MoveListO *moves) {
  ColorT side = static_cast<ColorT>(Index(position.SideToMove()));
  int32_t number = std::max<int32_t>(position.MoveNumber(), 1);
  const int count = moves ? moves->Count() : 0;
  for (int i = 0; i < count; ++i) {
    if (side == cBlack) ++number;
    side = Other(side);
  }
  moveNumber_ = number;
  side_ = side;
  history_.clear();
  StoreHistory();
}

int32_t ChessClockT::GetSeconds(ColorT side) const {
  const int32_t ms = t_.ms[Index(side)];
  return ms / 1000 + (ms % 1000 >= 1 ? 1 : 0);
}

void ChessClockT::SetSeconds(ColorT side, int32_t seconds) {
  const int i = Index(side);
  t_.ms[i] = Seconds2Ms(seconds);
  // The running side counts down from the new time as of now, not from
  // its last tick.
  if (timerId_ != 0 && side == side_) {
    lastTick_ = Now();
    plannedInterval_ = NextInterval(t_.ms[i]);
    StartTimer(plannedInterval_);
  }
  Changed(side);
}

int32_t ChessClockT::GetCentiseconds(ColorT side) const { return t_.ms[Index(side)] / 10; }

int32_t ChessClockT::NextInterval(int32_t ms) {
  const int32_t period = ms > 0 && ms <= 1000 ? 100 : 1000;
  const int32_t result = ms % period;
  return result < 1 ? result + period : result;
}

int32_t ChessClockT::Since(uint64_t now) const { return RangeCast<int32_t>(now - lastTick_); }

void ChessClockT::StartTimer(int32_t ms) {
  running_ = true;
  timerId_ = timer_ && timer_->Set(ms) ? kTimerId : 0;
}

// Leaves the running state alone: a press that hands the move to a side
// whose flag fell arms no timer, and the clock must still count the other
// side after the next press.
bool ChessClockT::StopTimer() {
  if (timerId_ == 0) return false;
  if (timer_) timer_->Kill();
  timerId_ = 0;
  return true;
}

bool ChessClockT::CheckFlags(TimesRec &t) {
  for (ColorT side : {cWhite, cBlack}) {
    if (t.ms[side] < 1 && !t.flag[side]) {
      t.ms[side] = 0;
      t.flag[side] = true;
      if (t.firstFlag == cNone) t.firstFlag = side;
      return true;
    }
  }
  return false;
}

void ChessClockT::AddIncrement(TimesRec &t) const {
  if (incrementSeconds_ > 0) t.ms[side_] = CheckedMs(int64_t{t.ms[side_]} + Seconds2Ms(incrementSeconds_));
  if (movesPerControl_ >= 1 && side_ == cBlack && moveNumber_ % movesPerControl_ == 0) {
    const int32_t base = Seconds2Ms(baseSeconds_);
    for (int32_t &ms : t.ms) ms = CheckedMs(int64_t{ms} + base);
  }
}

void ChessClockT::Changed(ColorT side) {
  if (onChange_) onChange_(side);
}

void ChessClockT::ChangedBoth() {
  Changed(cWhite);
  Changed(cBlack);
}

void ChessClockT::StoreHistory() { history_[HistoryKey(moveNumber_, side_)] = t_; }

void ChessClockT::Reset() {
  const int32_t base = Seconds2Ms(baseSeconds_);
  StopTimer();
  running_ = false;
  paused_ = false;
  moveNumber_ = 1;
  side_ = cWhite;
  t_ = TimesRec{};
  t_.ms[cWhite] = t_.ms[cBlack] = base;
  history_.clear();
  ChangedBoth();
  StoreHistory();
}

void ChessClockT::Start(bool run) {
  if (running_ && (!paused_ || !run)) return;
  StopTimer();
  running_ = true;
  paused_ = !run;
  ChangedBoth();
  const bool fell = CheckFlags(t_);
  if (fell || paused_ || t_.flag[side_]) return;
  lastTick_ = Now();
  plannedInterval_ = NextInterval(t_.ms[side_]);
  StartTimer(plannedInterval_);
}

void ChessClockT::Stop() {
  paused_ = false;
  if (!running_) return;
  const bool charge = timerId_ != 0;
  int32_t left = t_.ms[side_];
  if (charge) left = CheckedMs(int64_t{left} - Since(Now()));
  running_ = false;
  if (!StopTimer()) return;
  t_.ms[side_] = left;
  Changed(side_);
  CheckFlags(t_);
}

void ChessClockT::Press() {
  // Everything that can be refused is worked out before anything changes.
  const int32_t nextNumber = side_ == cBlack ? CheckedMs(int64_t{moveNumber_} + 1) : moveNumber_;
  if (!running_) {
    side_ = Other(side_);
    moveNumber_ = nextNumber;
    StoreHistory();
    return;
  }
  const uint64_t now = Now();
  const bool charge = timerId_ != 0;
  TimesRec t = t_;
  if (charge) {
    t.ms[side_] = CheckedMs(int64_t{t.ms[side_]} - Since(now));
    CheckFlags(t);
  }
  AddIncrement(t);

  StopTimer();
  t_ = t;
  ChangedBoth();
  side_ = Other(side_);
  moveNumber_ = nextNumber;
  if (!t_.flag[side_]) {
    lastTick_ = now;
    plannedInterval_ = NextInterval(t_.ms[side_]);
    StartTimer(plannedInterval_);
  }
  StoreHistory();
  paused_ = false;
}

void ChessClockT::TakeBack() {
  if (moveNumber_ <= 1 && side_ == cWhite) return;
  side_ = Other(side_);
  if (side_ == cBlack) --moveNumber_;
  // Only a stored entry holds times of this game.
  const auto it = history_.find(HistoryKey(moveNumber_, side_));
  if (it != history_.end()) t_ = it->second;
  ChangedBoth();
}

void ChessClockT::TimerMessage() {
  // A killed timer's expiry may still be on its way.
  if (timerId_ == 0) return;
  if (timer_) timer_->Kill();
  timerId_ = 0;
  Tick();
}

void ChessClockT::Tick() {
  const uint64_t now = Now();
  const int32_t elapsed = Since(now);
  int64_t d = int64_t{plannedInterval_} - elapsed;
  if (d < 0 || d > kMaxLead) d = 0;
  TimesRec t = t_;
  t.ms[side_] = CheckedMs(int64_t{t.ms[side_]} - elapsed);
  const int32_t r = t.ms[side_];
  CheckFlags(t);
  t_ = t;
  Changed(side_);
  if (t_.flag[side_]) return;  // a fallen side is no longer ticked
  lastTick_ = now;
  // The last step of a side lands on zero itself, not a period later.
  if (r - d < 1)
    plannedInterval_ = std::max(r, 1);
  else
    plannedInterval_ = static_cast<int32_t>(NextInterval(static_cast<int32_t>(r - d)) + d);
  StartTimer(plannedInterval_);
}
