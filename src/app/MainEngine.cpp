// The main window's side of engine play: the engine manager's creation and
// events, the clock labels, and the play, move-now and stop-clock commands.
#include <QAction>
#include <QLabel>
#include <QMetaObject>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <clocale>
#include <cstring>
#include <locale.h>

#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "engine/ui/ClockTimer.h"
#include "engine/ui/QtInputDispatcher.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "platform/Errors.h"
#include "platform/Win1252.h"

namespace {

// The system's words for an error code, in English whatever the locale.
std::string ReasonText(int error) {
  const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (!c) return std::to_string(error);
  std::string text = ::strerror_l(error, c);
  ::freelocale(c);
  return text;
}

}  // namespace

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
  EngineMan.SetOnPlayChange([this] { Guarded([&] { ShowPlayState(); }); });
  EngineMan.SetOnBadMove([this](const std::string &line) {
    // Its words, cut to what a message can show.
    Guarded([&] { ShowMessage(SubstituteText(CommonText::S_EngineBadMove, line.substr(0, 80))); });
  });
  // A flooding engine costs no more than this many lines.
  if (EngineEnabled()) CommentMemo->setMaximumBlockCount(kEnginePaneLines);
  if (ChessApp.EngineMissing) {
    // Once the window is up, before the files named on the command line.
    QMetaObject::invokeMethod(
        this,
        [this] {
          Guarded([&] {
            ShowMessage(SubstituteText(CommonText::S_EngineNotFound, win1252::PathText(ChessApp.EngineFile())));
          });
        },
        Qt::QueuedConnection);
  }
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
  EngineMan.SetOnPlayChange(nullptr);
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
  clocksKept_ = false;
  // The manager has freed its clock.
  if (clockTimer_) clockTimer_->SetClock(nullptr);
  Item("MPlayGame")->setChecked(false);
  Item("MEngine")->setVisible(false);
  ShowClocks(false);
  // A comment is shown whole.
  CommentMemo->setMaximumBlockCount(0);
  CommentMemo->clear();
  ShowGame();
}

bool TMainForm::EngineStillStarted() {
  if (!EngineEnabled() || EngineMan.Active()) return true;
  // A new engine after the last one's end did not start: said once, as
  // the engine goes for this run.
  const int error = EngineMan.LastStartError();
  EngineLost();
  ShowMessage(SubstituteText(CommonText::S_EngineRestartFailed, ReasonText(error)));
  return false;
}

void TMainForm::ShowClocks(bool on) {
  ClocksShown = on;
  WhiteClockLbl->setVisible(on);
  BlackClockLbl->setVisible(on);
  ArrangeControls();
}

void TMainForm::SetPlaying(bool on) {
  if (on) clocksKept_ = false;
  // Play after the engine's end starts a new one, which may fail.
  EngineMan.SetPlaying(on);
  ShowPlayState();
}

void TMainForm::ShowPlayState() {
  if (!EngineEnabled() || !EngineStillStarted()) return;
  Playing = EngineMan.IsPlaying();
  Item("MPlayGame")->setChecked(Playing);
  // After Stop Clock the stopped times stay in view, while there is an
  // engine to go on with.
  const ChessEngineT *engine = EngineMan.Engine();
  if (Playing || !engine || !engine->IsRunning()) clocksKept_ = false;
  const bool shown = Playing || clocksKept_;
  if (shown != ClocksShown) ShowClocks(shown);
}

void TMainForm::EngineNewGame(const PositionO *start) {
  if (start)
    EngineMan.SetPositionAndReset(*start);
  else
    EngineMan.NewGame();
  if (!EngineEnabled()) return;
  clocksKept_ = false;
  CommentMemo->clear();
  ShowPlayState();
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
  // Only a line the reader cut comes without its line end.
  const bool cut = text.empty() || text.back() != '\r';
  if (!cut) text.pop_back();
  CommentMemo->appendPlainText(ToQ(text));
  if (cut)
    CommentMemo->appendPlainText(
        ToQ(SubstituteText(CommonText::S_EngineLineCut, std::to_string(PipeReaderRec::kMaxLine))));
  QScrollBar *bar = CommentMemo->verticalScrollBar();
  bar->setValue(bar->maximum());
}

void TMainForm::EngineGameEnd(int) {}

void TMainForm::MPlayGameClick() {
  if (!EngineEnabled()) return;
  SetPlaying(!EngineMan.IsPlaying());
}

void TMainForm::MMoveNowClick() {
  if (!EngineEnabled()) return;
  clocksKept_ = false;
  // Play starts first when it is off, which may start a new engine.
  EngineMan.MoveNow();
  ShowPlayState();
}

void TMainForm::MStopClockClick() {
  if (!EngineEnabled()) return;
  if (EngineMan.IsPlaying()) clocksKept_ = true;
  EngineMan.Stop();
  ShowPlayState();
}

void TMainForm::ConnectEngineCommands() {
  Connect("MPlayGame", &TMainForm::MPlayGameClick);
  Connect("MMoveNow", &TMainForm::MMoveNowClick);
  Connect("MStopClock", &TMainForm::MStopClockClick);
}
