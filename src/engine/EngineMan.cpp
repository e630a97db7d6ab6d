#include "engine/EngineMan.h"

int EngineManT::Init(EnabledTest enabled, InputDispatcherI *dispatcher, OneShotTimer *timer,
                     ChessClockT::TickSource tick, ChildMaker maker) {
  Destroy();
  enabled_ = std::move(enabled);
  dispatcher_ = dispatcher;
  maker_ = std::move(maker);
  playing_ = false;
  applying_ = false;
  pending_ = false;
  badMoveSaid_ = false;
  hasNextControl_ = false;
  if (!Enabled() || !dispatcher_) return 0;
  auto clock = std::make_unique<ChessClockT>();
  clock->SetTimer(timer);
  clock->SetTickSource(std::move(tick));
  clock->SetTimeControl(10, 60, 0);
  clock->SetOnChange([this](ColorT side) { ClockChanged(side); });
  clock->Reset();
  clock_ = std::move(clock);
  int error = 0;
  engine_ = StartEngine(error);
  if (!engine_) {
    clock_->SetTimer(nullptr);
    clock_.reset();
  }
  return error;
}

std::unique_ptr<ChessEngineT> EngineManT::StartEngine(int &error) {
  auto engine = maker_ ? std::make_unique<ChessEngineT>(maker_()) : std::make_unique<ChessEngineT>();
  engine->SetOnReceive([this](ChessEngineT &, const std::string &line) { EngineReceived(line); });
  engine->SetOnMove([this](ChessEngineT &, const MoveRec &move) { EngineMoved(move); });
  engine->SetOnGameEnd([this](ChessEngineT &) { EngineGameEnd(); });
  engine->SetOnBadMove([this](ChessEngineT &, const std::string &line) { EngineBadMove(line); });
  engine->SetOnEnd([this](ChessEngineT &) { EngineEnded(); });
  error = engine->Start(*dispatcher_, clock_.get());
  lastStartError_ = error;
  if (error != 0) return nullptr;
  engine->NewGame();
  engine->SetMode(ChessEngineT::kModeForce);
  return engine;
}

void EngineManT::Destroy() {
  // The driver ends the engine: nothing it delivers may find the clock gone.
  engine_.reset();
  if (clock_) {
    clock_->SetOnChange(nullptr);
    clock_->Stop();
    clock_->SetTimer(nullptr);
  }
  clock_.reset();
  playing_ = false;
  applying_ = false;
  pending_ = false;
  pendingMoves_ = nullptr;
}

bool EngineManT::Respawn() {
  int error = 0;
  std::unique_ptr<ChessEngineT> fresh = StartEngine(error);
  if (!fresh) {
    // As a failed start at the beginning: from here on the manager is
    // disabled.
    Destroy();
    PlayChanged();
    return false;
  }
  PositionO start;
  start.InitCopy(engine_->GetStartPosition());
  fresh->SetPosition(start, &engine_->Moves());
  engine_ = std::move(fresh);
  return true;
}

void EngineManT::SetPlaying(bool on) {
  if (!Active() || on == playing_) return;
  if (!on) {
    Stop();
    return;
  }
  if (!engine_->IsRunning() && !Respawn()) return;
  playing_ = true;
  engine_->SetMode(ChessEngineT::kModePlay);
  clock_->Start(false);
  PlayChanged();
}

bool EngineManT::IsPlaying() const { return Active() && playing_; }

void EngineManT::MoveNow() {
  if (!Active()) return;
  if (!playing_) SetPlaying(true);
  if (!Active() || !playing_) return;
  clock_->Start(true);
  engine_->Go();
}

void EngineManT::UserMove(const MoveRec &move) {
  if (!Active() || applying_) return;
  clock_->Press();
  engine_->UserMove(move);
}

bool EngineManT::TakeBackStopping() {
  if (engine_->TakeBack()) return true;
  if (engine_->Mode() != ChessEngineT::kModePlay) return false;
  // The engine is to move: stop its search, take the user's move back in
  // force mode, and let the next move start it again.
  engine_->Stop();
  const bool took = engine_->TakeBack();
  engine_->SetMode(ChessEngineT::kModePlay);
  return took;
}

void EngineManT::ReplaceLastMove(const MoveRec &move) {
  if (!Active()) return;
  TakeBackStopping();
  engine_->UserMove(move);
}

void EngineManT::TakeBackInPlay() {
  if (!Active()) return;
  if (TakeBackStopping()) clock_->TakeBack();
}

void EngineManT::SetPosition(const PositionO &position, const MoveListO *moves) {
  if (!Active()) return;
  Stop();
  engine_->SetPosition(position, moves);
  clock_->SetFromPosition(position, moves);
}

void EngineManT::SetPositionAndReset(const PositionO &position) {
  if (!Active()) return;
  SetPosition(position, nullptr);
  // Reset starts at move 1 with White; the position says who moves.
  ResetToControl();
  clock_->SetFromPosition(position);
  badMoveSaid_ = false;
}

void EngineManT::StopAndTakeBack() {
  if (!Active()) return;
  Stop();
  if (engine_->TakeBack()) clock_->TakeBack();
}

void EngineManT::Stop() {
  if (!Active() || !playing_) return;
  engine_->Stop();
  clock_->Stop();
  playing_ = false;
  PlayChanged();
}

void EngineManT::Restart() {
  if (!Active()) return;
  Stop();
  engine_->Resync();
  ResetToControl();
  clock_->SetFromPosition(engine_->GetStartPosition());
}

void EngineManT::SetPendingMoves(const MoveListO &moves) {
  if (!Active()) return;
  Stop();
  pendingMoves_ = &moves;
  pending_ = true;
}

void EngineManT::ApplyPending() {
  if (!Active() || !pending_) return;
  pending_ = false;
  PositionO start;
  start.InitCopy(engine_->GetStartPosition());
  SetPosition(start, pendingMoves_);
}

void EngineManT::NewGame() {
  if (!Active()) return;
  Stop();
  // Before "new", which sends the level.
  if (hasNextControl_) {
    hasNextControl_ = false;
    clock_->SetTimeControlRec(nextControl_);
  }
  engine_->NewGame();
  engine_->SetMode(ChessEngineT::kModeForce);
  clock_->Reset();
  badMoveSaid_ = false;
}

void EngineManT::GetTimeControl(TimeControlRec &rec) const {
  if (!Active()) return;
  rec = hasNextControl_ ? nextControl_ : clock_->GetTimeControlRec();
}

void EngineManT::SetTimeControl(const TimeControlRec &rec) {
  if (!Active()) return;
  // Refused before anything changes.
  ChessClockT trial;
  trial.SetTimeControlRec(rec);
  nextControl_ = rec;
  hasNextControl_ = true;
  // A game is being played: the whole control waits for the next one.
  if (playing_ || engine_->Moves().Count() > 0) return;
  ResetToControl();
  clock_->SetFromPosition(engine_->GetStartPosition());
}

void EngineManT::ResetToControl() {
  if (hasNextControl_) {
    hasNextControl_ = false;
    clock_->SetTimeControlRec(nextControl_);
    engine_->SendLevel();
  }
  clock_->Reset();
}

void EngineManT::ResetClock() {
  if (!Active()) return;
  ResetToControl();
}

int32_t EngineManT::GetSeconds(ColorT side) const { return Active() ? clock_->GetSeconds(side) : 0; }

void EngineManT::SetSeconds(ColorT side, int32_t seconds) {
  if (!Active()) return;
  clock_->SetSeconds(side, seconds);
}

bool EngineManT::FlagFallen(ColorT side) const { return Active() && clock_->FlagFallen(side); }

ColorT EngineManT::FirstFlag() const { return Active() ? clock_->FirstFlag() : 0; }

// ---- Events

void EngineManT::EngineReceived(const std::string &line) {
  if (onOutput_) onOutput_(this, line);
}

void EngineManT::EngineMoved(const MoveRec &move) {
  // The window enters the move as the user's, which calls UserMove: the
  // flag keeps the engine from hearing its own move and the clock from
  // being pressed twice.
  struct Applying {
    bool &flag;
    explicit Applying(bool &f) : flag(f) { flag = true; }
    ~Applying() { flag = false; }
  } applying(applying_);
  if (onEngineMove_) onEngineMove_(this, move);
  if (clock_) clock_->Press();
}

void EngineManT::EngineGameEnd() {
  clock_->Stop();
  if (onGameEnd_) onGameEnd_(this, 0);
}

void EngineManT::EngineEnded() {
  // The driver keeps following the game; the next SetPlaying (true) starts
  // a new engine on it.
  const bool wasPlaying = playing_;
  Stop();
  if (!wasPlaying) PlayChanged();
}

void EngineManT::EngineBadMove(const std::string &line) {
  Stop();
  // Its board holds the move it claimed: it gets the game's position again.
  PositionO start;
  start.InitCopy(engine_->GetStartPosition());
  engine_->SetPosition(start, &engine_->Moves());
  if (badMoveSaid_) return;
  badMoveSaid_ = true;
  if (onBadMove_) onBadMove_(line);
}

void EngineManT::PlayChanged() {
  if (onPlayChange_) onPlayChange_();
}

void EngineManT::ClockChanged(ColorT side) {
  if (onClock_) onClock_(side);
}
