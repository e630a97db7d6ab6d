// The main window's steps through the game and the try-out line, autoplay,
// the board commands, the arrow keys and the display of a loaded game.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>

#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "foundation/MyUtils.h"

void TMainForm::ConnectNavigation() {
  ConnectButton("SBFirst", &TMainForm::SBFirstClick);
  ConnectButton("SBPrev", &TMainForm::SBPrevClick);
  ConnectButton("SBNext", &TMainForm::SBNextClick);
  ConnectButton("SBLast", &TMainForm::SBLastClick);
  ConnectButton("AutoPlayBtn", &TMainForm::MAutoPlayClick);
  ConnectButton("SBFlip", &TMainForm::MFlipClick);
  Connect("MFlip", &TMainForm::MFlipClick);
  Connect("MSmallerBoard", &TMainForm::MSmallerBoardClick);
  Connect("MLargerBoard", &TMainForm::MLargerBoardClick);
  Connect("MReplayLastMove", &TMainForm::MReplayLastMoveClick);
  Connect("MAutoPlay", &TMainForm::MAutoPlayClick);
  connect(AutoPlayTimer, &QTimer::timeout, this, [this] { Guarded([&] { AutoPlayTimerTimer(); }); });
  connect(Menu("MBoard"), &QMenu::aboutToShow, this, [this] { Guarded([&] { MBoardClick(); }); });
  qApp->installEventFilter(this);
}

void TMainForm::ResetMoveEntry() { Board->ResetInterpreter(); }

void TMainForm::FocusMoveControl() {
  if (ShowExtraPanel && ChessApp.ShowAlternatives)
    AlternativesLB->setFocus();
  else if (ShowToolbar)
    Toolbar->setFocus();
}

// ---- Steps

void TMainForm::SBFirstClick() {
  StopAutoPlay();
  if (DisplayMode != dmTryOut) {
    if (!Game.CanGoBack()) return Beep();
    Game.GoToStart();
    Board->SetPosition(&Game.CurrentPosition(), nullptr);
    EngineMan.SetPositionAndReset(Game.CurrentPosition());
  } else {
    Board->ResetToBasePosition();
    EngineMan.Restart();
  }
  FocusMoveControl();
  ResetMoveEntry();
  ShowGame();
}

void TMainForm::StepBack() {
  StopAutoPlay();
  if (DisplayMode != dmTryOut) {
    if (!Game.CanGoBack()) return Beep();
    Game.GoBack();
    if (Board->CanTakeBack()) {
      Board->TakeBack();
    } else {
      // The board was set without the moves that led here: show the
      // game's position instead of leaving the board behind.
      Board->SetPosition(&Game.StartPosition(), &Game.PathMoves());
    }
  } else {
    if (!Board->CanTakeBack()) return Beep();
    Board->TakeBack();
  }
  EngineMan.StopAndTakeBack();
  FocusMoveControl();
  ResetMoveEntry();
  ShowGame();
}

void TMainForm::SBNextClick() {
  StopAutoPlay();
  MoveRec move;
  if (DisplayMode != dmTryOut) {
    const int sel = Game.SelectedChild();
    if (sel == 0 || !Game.ChildIsLegal(sel)) return Beep();
    move = Game.ChildMove(sel);
    Board->DoMove(move);
    EngineMan.Stop();
    EngineMan.UserMove(move);
    Game.GoForward(sel);
  } else {
    const int made = Board->MoveList().Count();
    if (made >= TryOutMoves.Count()) return Beep();
    move = TryOutMoves.At(made + 1);
    Board->DoMove(move);
    EngineMan.Stop();
    EngineMan.UserMove(move);
  }
  FocusMoveControl();
  ResetMoveEntry();
  ShowGame();
}

void TMainForm::SBLastClick() {
  StopAutoPlay();
  if (DisplayMode != dmTryOut) {
    const int sel = Game.SelectedChild();
    if (sel == 0 || !Game.ChildIsLegal(sel)) return Beep();
    Game.GoToLineEnd();
    Board->SetPosition(&Game.StartPosition(), &Game.PathMoves());
    EngineMan.SetPosition(Game.StartPosition(), &Game.PathMoves());
  } else {
    if (Board->MoveList().Count() >= TryOutMoves.Count()) return Beep();
    Board->SetReplayMoves(&TryOutMoves);
    Board->GoToPly(TryOutMoves.Count() + 1);
    Board->SetReplayMoves(nullptr);
    EngineMan.SetPendingMoves(TryOutMoves);
    EngineMan.ApplyPending();
  }
  FocusMoveControl();
  ResetMoveEntry();
  ShowGame();
}

// ---- Autoplay

void TMainForm::StopAutoPlay() {
  if (!AutoPlayTimer->isActive()) return;
  AutoPlayTimer->stop();
  AutoPlayBtn->setText(">>");
  Item("MAutoPlay")->setChecked(false);
}

void TMainForm::MAutoPlayClick() {
  if (DisplayMode == dmTryOut) return LeaveTryOut();
  if (AutoPlayTimer->isActive()) {
    StopAutoPlay();
  } else if (Game.ChildCount() > 0) {
    AutoPlayTimer->start();
    AutoPlayBtn->setText("[ X ]");
    Item("MAutoPlay")->setChecked(true);
    AutoPlayTimerTimer();
  } else {
    Beep();
    Item("MAutoPlay")->setChecked(false);
  }
}

void TMainForm::AutoPlayTimerTimer() {
  if (Game.ChildCount() > 0) {
    const int sel = Game.SelectedChild();
    // An illegal continuation is not played; the timer keeps running.
    if (sel > 0 && Game.ChildIsLegal(sel)) {
      const MoveRec move = Game.ChildMove(sel);
      Board->DoMove(move);
      EngineMan.UserMove(move);
      Game.GoForward(sel);
    }
    ResetMoveEntry();
    ShowGame();
  }
  if (Game.ChildCount() == 0 || (ChessApp.StopAtComment && !Game.Comment().empty()) ||
      (ChessApp.StopAtAnnotations && Game.NagCount() > 0) || (ChessApp.StopAtAlternatives && Game.ChildCount() >= 2))
    StopAutoPlay();
}

void TMainForm::LeaveTryOut() {
  StopAutoPlay();
  SBTryOut->hide();
  ResultLbl->show();
  Board->SetPosition(&Game.StartPosition(), &Game.PathMoves());
  EngineMan.SetPosition(Game.StartPosition(), &Game.PathMoves());
  DisplayMode = Item("MViewOnly")->isChecked() ? dmViewOnly : dmEdit;
  ResetMoveEntry();
  ShowGame();
}

// ---- Board commands

void TMainForm::MFlipClick() {
  StopAutoPlay();
  Board->Flip();
  PlaceCoordinateLabels();
  ShowGame();
}

void TMainForm::MSmallerBoardClick() { ChangeBoardSize(false); }

void TMainForm::MLargerBoardClick() { ChangeBoardSize(true); }

void TMainForm::ChangeBoardSize(bool larger) {
  StopAutoPlay();
  if (!(larger ? Board->CanMakeLarger() : Board->CanMakeSmaller())) return;
  if (larger)
    Board->LargerBoard();
  else
    Board->SmallerBoard();
  ChessApp.PieceType = Board->PieceType();
  ArrangeControls();
  MBoardClick();
}

void TMainForm::MReplayLastMoveClick() {
  StopAutoPlay();
  Board->ReplayLastMove();
}

void TMainForm::PostReplayLastMove() {
  QMetaObject::invokeMethod(
      this, [this] { Guarded([&] { MReplayLastMoveClick(); }); }, Qt::QueuedConnection);
}

void TMainForm::MBoardClick() {
  Item("MTryOut")->setChecked(DisplayMode == dmTryOut);
  Item("MAutoPlay")->setChecked(AutoPlayTimer->isActive());
  SetCommandEnabled("MSmallerBoard", Board->CanMakeSmaller());
  SetCommandEnabled("MLargerBoard", Board->CanMakeLarger());
  SetCommandEnabled("MReplayLastMove", Board->CanTakeBack());
}

// ---- A loaded game

void TMainForm::ShowLoadedGame(int ply, bool replayLastMove) {
  {
    Board->SetAutoRedraw(false);
    struct Redraw {
      TChessBoard *board;
      ~Redraw() { board->SetAutoRedraw(true); }
    } redraw{Board};
    Game.GoToStart();
    if (ply >= 1) {
      // A stale ply from a list window stops at the end of the line.
      for (int i = 1; i < ply && Game.ChildCount() > 0; ++i)
        if (!Game.GoForward(1)) break;
    } else if (!ChessApp.ShowFirstPositionOnLoad) {
      Game.GoToLineEnd();
    }
    Board->SetPosition(&Game.StartPosition(), &Game.PathMoves());
    EngineMan.SetPosition(Game.StartPosition(), &Game.PathMoves());
  }
  ResetMoveEntry();
  UpdateSaveGameItem();
  ShowGame();
  ShowInfoLines();
  if (replayLastMove && Board->CanTakeBack()) PostReplayLastMove();
}

// ---- Keys

void TMainForm::ConnectMenuBarKeys() {
  for (QAction *a : menuBar()->actions())
    if (QMenu *m = a->menu())
      connect(m, &QMenu::aboutToHide, this, [this] { LeaveMenuBarKeyboardMode(); }, Qt::QueuedConnection);
}

void TMainForm::LeaveMenuBarKeyboardMode() {
  // Another menu open (the arrows moved on) keeps the mode; so does a menu
  // bar without the focus, which is not in it.
  QMenuBar *bar = menuBar();
  if (QApplication::activePopupWidget() || !bar->hasFocus()) return;
  QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
  QApplication::sendEvent(bar, &escape);
  // A bar that keeps the focus gives it to the move controls.
  if (bar->hasFocus()) FocusMoveControl();
}

bool TMainForm::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && watched == AlternativesLB->viewport()) {
    bool used = false;
    Guarded([&] { used = AlternativesLBMouseDown(static_cast<QMouseEvent *>(event)->button()); });
    return used || QMainWindow::eventFilter(watched, event);
  }
  if (event->type() != QEvent::KeyPress) return QMainWindow::eventFilter(watched, event);
  const auto *keyEvent = static_cast<QKeyEvent *>(event);
  const int key = keyEvent->key();
  const bool step = key == Qt::Key_Home || key == Qt::Key_End || key == Qt::Key_Left || key == Qt::Key_Right;
  // An open pop-up menu and the menu bar in keyboard mode take their keys
  // through this filter too, while the main window stays active.
  auto *w = qobject_cast<QWidget *>(watched);
  if (QApplication::activeWindow() != this || QApplication::activePopupWidget() || !w || w->window() != this ||
      qobject_cast<QMenu *>(w) || qobject_cast<QMenuBar *>(w))
    return QMainWindow::eventFilter(watched, event);
  bool used = step;
  Guarded([&] {
    if (!step) {
      if (w == AlternativesLB && key == Qt::Key_Delete) {
        AlternativesLBKeyDown(*keyEvent);
        used = true;
      } else {
        // Typed characters go to move entry, whatever has the focus.
        used = FormKeyPress(*keyEvent);
      }
      return;
    }
    switch (key) {
      case Qt::Key_Home:
        SBFirstClick();
        break;
      case Qt::Key_End:
        SBLastClick();
        break;
      case Qt::Key_Left:
        SBPrevClick();
        break;
      default:
        SBNextClick();
        break;
    }
  });
  return used || QMainWindow::eventFilter(watched, event);
}
