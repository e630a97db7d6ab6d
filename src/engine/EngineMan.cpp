#include "engine/EngineMan.h"

// Without an engine nothing below has anything to act on: each operation
// asks first and returns.

void EngineManT::Init(EnabledTest enabled) { enabled_ = std::move(enabled); }

void EngineManT::Destroy() {}

void EngineManT::SetPlaying(bool) {
  if (!Enabled()) return;
}

bool EngineManT::IsPlaying() const {
  if (!Enabled()) return false;
  return false;
}

void EngineManT::MoveNow() {
  if (!Enabled()) return;
}

void EngineManT::UserMove(const MoveRec &) {
  if (!Enabled()) return;
}

void EngineManT::ReplaceLastMove(const MoveRec &) {
  if (!Enabled()) return;
}

void EngineManT::TakeBackInPlay() {
  if (!Enabled()) return;
}

void EngineManT::SetPosition(const PositionO &, const MoveListO *) {
  if (!Enabled()) return;
}

void EngineManT::SetPositionAndReset(const PositionO &) {
  if (!Enabled()) return;
}

void EngineManT::StopAndTakeBack() {
  if (!Enabled()) return;
}

void EngineManT::Stop() {
  if (!Enabled()) return;
}

void EngineManT::Restart() {
  if (!Enabled()) return;
}

void EngineManT::SetPendingMoves(const MoveListO &) {
  if (!Enabled()) return;
}

void EngineManT::ApplyPending() {
  if (!Enabled()) return;
}

void EngineManT::NewGame() {
  if (!Enabled()) return;
}

void EngineManT::GetTimeControl(TimeControlRec &) const {
  if (!Enabled()) return;
}

void EngineManT::SetTimeControl(const TimeControlRec &) {
  if (!Enabled()) return;
}

void EngineManT::ResetClock() {
  if (!Enabled()) return;
}

int32_t EngineManT::GetSeconds(ColorT) const {
  if (!Enabled()) return 0;
  return 0;
}

void EngineManT::SetSeconds(ColorT, int32_t) {
  if (!Enabled()) return;
}

bool EngineManT::FlagFallen(ColorT) const {
  if (!Enabled()) return false;
  return false;
}

ColorT EngineManT::FirstFlag() const {
  if (!Enabled()) return 0;
  return 0;
}
