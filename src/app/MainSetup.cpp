// The main window's position set-up: the dialog, and a new game from a
// position, which the pasted FEN and EPD texts start too.
#include <QAction>

#include "app/DlgEditPosEx.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"

void TMainForm::ConnectSetupCommands() {
  Connect("MSetupPosition", &TMainForm::MSetupPositionClick);
  ConnectButton("SBSetupPosition", &TMainForm::MSetupPositionClick);
}

void TMainForm::MSetupPositionClick() {
  StopAutoPlay();
  TEditPositionExDlg &d = *EditPositionExDlg;
  d.StartWidth = BoardPanel->width();
  const QRect frame = frameGeometry();
  d.TopCenter = QPoint(frame.center().x(), frame.top());
  d.Position.Assign(Game.CurrentPosition());
  d.ColorAtTop = Board->ColorAtTop();
  d.PieceType = Board->PieceType();
  d.Coordinates = ChessApp.ShowCoordinates;
  if (d.Execute() != QDialog::Accepted) return;
  NewGameFromPosition(d.Position);
}

void TMainForm::NewGameFromPosition(const PositionO &position) { StartNewGame(&position); }
