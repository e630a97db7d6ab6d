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

  bool Set(int32_t ms) override;
  void Kill() override;
  bool Pending() const { return timer_.isActive(); }

 private:
  void Expired();

  ChessClockT &clock_;
  QTimer timer_;
};
