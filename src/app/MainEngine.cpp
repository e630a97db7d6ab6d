// The main window's side of engine play: the engine manager's creation and
// events, the clock labels, and the play, move-now and stop-clock commands.
#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>

#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "engine/ui/ClockTimer.h"
#include "engine/ui/QtInputDispatcher.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/Errors.h"

bool TMainForm::EngineEnabled() const { return ChessApp.EngineEnabled; }

void TMainForm::CreateEngineMan() {
  // The engine's output and the clock's ticks come through the window's
  // event loop.
  engineDispatcher_ = std::make_unique<QtInputDispatcher>(this);
  clockTimer_ = new ClockTimerQt(this);
  clockTimer_->setObjectName("ClockTimer");
  if (EngineMan.Init([] { return ChessApp.EngineEnabled; }, engineDispatcher_.get(), clockTimer_) != 0)
    EngineLost();
  clockTimer_->SetClock(EngineMan.Clock());
  try {
    EngineMan.SetTimeControl(ChessApp.TimeControl);
  } catch (const ERangeError &) {
    // A control the clock cannot hold (a hand-edited settings file): the
    // defaults, silently; the options keep theirs.
    EngineMan.SetTimeControl(TimeControlRec{});
  }
  EngineMan.SetOnClock([this](ColorT side) { Guarded([&] { ClockChanged(side); }); });
  EngineMan.ResetClock();
  EngineMan.SetOnOutput([this](void *, const std::string &line) { Guarded([&] { EngineOutput(line); }); });
  EngineMan.SetOnGameEnd([this](void *, int value) { Guarded([&] { EngineGameEnd(value); }); });
  // The clocks are read at a glance during play.
  QFont clockFont = WhiteClockLbl->font();
  clockFont.setBold(true);
  clockFont.setPointSizeF(clockFont.pointSizeF() * 1.25);
  WhiteClockLbl->setFont(clockFont);
  BlackClockLbl->setFont(clockFont);
  WhiteClockLbl->hide();
  BlackClockLbl->hide();
}

void TMainForm::FreeEngineMan() {
  // The manager ends the engine and frees the clock before the adapters
  // they use go.
  EngineMan.Destroy();
  if (clockTimer_) clockTimer_->SetClock(nullptr);
  delete clockTimer_;
  clockTimer_ = nullptr;
  engineDispatcher_.reset();
}

void TMainForm::EngineLost() {
  // As a missing engine program: the engine is off for this run (the
  // settings file keeps its "Enabled"), its menu goes and the comment pane
  // shows comments again.
  ChessApp.EngineEnabled = false;
  Playing = false;
  Item("MPlayGame")->setChecked(false);
  Item("MEngine")->setVisible(false);
  ShowClocks(false);
  ShowGame();
}

bool TMainForm::EngineStillStarted() {
  if (!EngineEnabled() || EngineMan.Active()) return true;
  EngineLost();
  return false;
}

void TMainForm::ShowClocks(bool on) {
  ClocksShown = on;
  WhiteClockLbl->setVisible(on);
  BlackClockLbl->setVisible(on);
  ArrangeControls();
}

void TMainForm::SetPlaying(bool on) {
  EngineMan.SetPlaying(on);
  // Play after the engine's end starts a new one, which may fail.
  if (!EngineStillStarted()) return;
  ShowClocks(on);
}

std::string TMainForm::ClockText(ColorT side) const {
  std::string text = FormatSeconds(EngineMan.GetSeconds(side));
  if (EngineMan.FlagFallen(side) && EngineMan.FirstFlag() == side) text = "- " + text;
  return text;
}

void TMainForm::ClockChanged(ColorT side) {
  (side == cBlack ? BlackClockLbl : WhiteClockLbl)->setText(ToQ(ClockText(side)));
}

void TMainForm::EngineOutput(const std::string &line) {
  std::string text = line;
  if (!text.empty() && text.back() == '\r') text.pop_back();
  CommentMemo->appendPlainText(ToQ(text));
}

void TMainForm::EngineGameEnd(int) {}

void TMainForm::MPlayGameClick() {
  if (!EngineEnabled()) return;
  Playing = !Playing;
  Item("MPlayGame")->setChecked(Playing);
  SetPlaying(Playing);
}

void TMainForm::MMoveNowClick() {
  if (!EngineEnabled()) return;
  if (!Playing) {
    Playing = true;
    Item("MPlayGame")->setChecked(true);
    SetPlaying(true);
  }
  EngineMan.MoveNow();
  // After Stop Clock the manager starts play itself.
  EngineStillStarted();
}

void TMainForm::MStopClockClick() {
  if (!EngineEnabled()) return;
  EngineMan.Stop();
}

void TMainForm::ConnectEngineCommands() {
  Connect("MPlayGame", &TMainForm::MPlayGameClick);
  Connect("MMoveNow", &TMainForm::MMoveNowClick);
  Connect("MStopClock", &TMainForm::MStopClockClick);
}
