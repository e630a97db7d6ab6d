#include "engine/ui/ClockTimer.h"

#include <exception>

#include "platform/UiHooks.h"

ClockTimerQt::ClockTimerQt(ChessClockT &clock, QObject *parent) : ClockTimerQt(parent) { clock_ = &clock; }

ClockTimerQt::ClockTimerQt(QObject *parent) : QObject(parent), timer_(this) {
  timer_.setSingleShot(true);
  // The coarse default may fire a few percent off; the display steps are
  // planned to the millisecond.
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &ClockTimerQt::Expired);
}

bool ClockTimerQt::Set(int32_t ms) {
  if (ms < 1) return false;
  timer_.start(ms);
  return timer_.isActive();
}

void ClockTimerQt::Kill() { timer_.stop(); }

void ClockTimerQt::Expired() {
  // Nothing thrown may reach the event loop.
  if (!clock_) return;
  try {
    clock_->TimerMessage();
  } catch (const std::exception &e) {
    ui::ShowMessage(e.what());
  }
}
