#pragma once
// The chess clock's timer on the Qt event loop: one precise single-shot
// QTimer whose expiry goes straight to the clock's TimerMessage.
#include <QObject>
#include <QTimer>

#include "engine/ChsClocks.h"

class ClockTimerQt : public QObject, public OneShotTimer {
 public:
  // parent owns this adapter; the clock must outlive it.
  ClockTimerQt(ChessClockT &clock, QObject *parent);
  // Without a clock yet: expiries go nowhere until SetClock.
  explicit ClockTimerQt(QObject *parent);
  // clock may be null; it must outlive the adapter or be unset first.
  void SetClock(ChessClockT *clock) { clock_ = clock; }
  ChessClockT *Clock() const { return clock_; }

  bool Set(int32_t ms) override;
  void Kill() override;
  bool Pending() const { return timer_.isActive(); }

 private:
  void Expired();

  ChessClockT *clock_ = nullptr;
  QTimer timer_;
};
