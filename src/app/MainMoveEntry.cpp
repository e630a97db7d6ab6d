// The main window's move entry: moves made on the board, typed or played by
// the engine go into the game by display mode; the alternatives list's own
// commands; the commands that switch the modes; the engine commands of the
// main menu that answer without an engine; a new game.
#include <QAction>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>

#include "app/DlgDeleteMove.h"
#include "app/DlgInsertMove.h"
#include "app/Forms.h"
#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "chess/Intra.h"
#include "board/ui/TypedMove.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/Errors.h"


void TMainForm::ConnectToggle(const std::string &name, void (TMainForm::*handler)()) {
  connected_.insert(name);
  QAction *a = Item(name);
  // Qt has flipped the tick before the handler runs; the handler flips it.
  connect(a, &QAction::triggered, this, [this, a, handler](bool checked) {
    a->setChecked(!checked);
    Guarded([&] { (this->*handler)(); });
  });
  a->setEnabled(true);
}

void TMainForm::ConnectMoveEntry() {
  Board->OnMouseDown = [this](Qt::MouseButton b, Qt::KeyboardModifiers m, int x, int y) {
    Guarded([&] { BoardMouseDown(b, m, x, y); });
  };
  EngineMan.SetOnEngineMove([this](void *sender, const MoveRec &move) { EngineMove(sender, move); });
  ConnectMenuBarKeys();
  // Queued: a click refills the list, which must not happen inside the
  // list's own mouse handling.
  connect(
      AlternativesLB, &QListWidget::currentRowChanged, this,
      [this](int) { Guarded([&] { AlternativesLBClick(); }); }, Qt::QueuedConnection);
  connect(AlternativesLB, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem *) { Guarded([&] { AlternativesLBDblClick(); }); });
  Connect("MTryOut", &TMainForm::MTryOutClick);
  ConnectButton("SBTryOut", &TMainForm::MTryOutClick);
  ConnectToggle("MViewOnly", &TMainForm::MViewOnlyClick);
  ConnectToggle("MViewGamesOnly", &TMainForm::MViewGamesOnlyClick);
  Connect("MContinuousAnalysis", &TMainForm::MContinuousAnalysisClick);
  Connect("MResign", &TMainForm::MResignClick);
  Connect("MOfferDraw", &TMainForm::MOfferDrawClick);
  Connect("MNewGame", &TMainForm::MNewGameClick);
  ConnectButton("SBNewGame", &TMainForm::MNewGameClick);
}

// ---- The board

void TMainForm::BoardMouseDown(Qt::MouseButton, Qt::KeyboardModifiers modifiers, int, int) {
  StopAutoPlay();
  const uint8_t state = Board->GetInputState();
  MoveRec move;
  switch (DisplayMode) {
    case dmViewOnly:
      if (state == 1) {
        Board->GetPendingMove(move);
        EngineMan.UserMove(move);
      } else if (state == 4) {
        EngineMan.StopAndTakeBack();
      } else {
        return;
      }
      EnterTryOut();
      break;
    case dmEdit:
      try {
        if (state == 1) {
          // Typed and engine moves never hold Ctrl.
          return EnterMoveInGame(!engineMove_ && (modifiers & Qt::ControlModifier));
        } else if (state == 2) {
          Board->GetPendingMove(move);
          if (!ConfirmDroppedMoves(Game.EnteredReplaceDropCount(move))) {
            // As if the alternatives were used up: the board's move goes.
            Board->TakeBack();
            EngineMan.TakeBackInPlay();
            Game.UndoEnteredMove();
          } else {
            Game.ReplaceEnteredMove(move);
            EngineMan.ReplaceLastMove(move);
          }
          Game.MainLineMoves();
        } else if (state == 3) {
          EngineMan.TakeBackInPlay();
          Game.UndoEnteredMove();
          Game.MainLineMoves();
        } else if (state == 4) {
          if (!Game.CanGoBack()) return;
          EngineMan.StopAndTakeBack();
          Game.GoBack();
        } else {
          return;
        }
      } catch (...) {
        // What the game refused must not stay on the board.
        Board->SetPosition(&Game.StartPosition(), &Game.PathMoves());
        throw;
      }
      UpdateSaveGameItem();
      break;
    default:
      if (state == 1) {
        Board->GetPendingMove(move);
        EngineMan.UserMove(move);
        TryOutMoves.Assign(Board->MoveList());
      } else if (state == 2) {
        Board->GetPendingMove(move);
        EngineMan.ReplaceLastMove(move);
        if (TryOutMoves.Count() > 0) TryOutMoves.DeleteLast();
        TryOutMoves.Add(move);
      } else if (state == 3) {
        EngineMan.TakeBackInPlay();
        if (TryOutMoves.Count() > 0) TryOutMoves.DeleteLast();
      } else if (state == 4) {
        // The try-out moves stay: steps forward replay them.
        EngineMan.StopAndTakeBack();
      } else {
        return;
      }
      break;
  }
  ResetMoveEntry();
  ShowGame();
}

bool TMainForm::ConfirmDroppedMoves(int dropped) {
  if (dropped <= 0) return true;
  return BeepConfirm(CommonText::S_DeleteLine + "?", ui::mbYesNo) == ui::mrYes;
}

void TMainForm::EnterMoveInGame(bool ctrl) {
  MoveRec move;
  Board->GetPendingMove(move);
  const int count = Game.ChildCount();
  const bool follows = Game.IndexOfChildMove(move) > 0;
  bool replace = false;
  int kind = amInsert;
  int index = count + 1;
  if (!engineMove_ && (ctrl || (ChessApp.AskInsertTypeOnNewMove && count > 0 && !follows))) {
    InsertMoveDlg->Choice = imReplaceMove;
    bool ok = InsertMoveDlg->Execute() == QDialog::Accepted;
    // With nothing selected the first continuation counts.
    int selected = ChosenAlternative();
    if (selected < 1 || selected > count) selected = 1;
    const uint8_t choice = InsertMoveDlg->Choice;
    if (ok && count > 0) {
      switch (choice) {
        case imInsertBeforeMove:
          kind = amAboveIndex;
          index = selected;
          // The continuations moved below the new move may not be playable
          // there; No acts as Cancel.
          ok = ConfirmDroppedMoves(Game.EnterDropCount(move, kind, index));
          break;
        case imInsertBeforeAll:
          kind = amAboveAll;
          index = 0;
          ok = ConfirmDroppedMoves(Game.EnterDropCount(move, kind, index));
          break;
        case imReplaceMove:
          replace = true;
          index = selected;
          // Nothing goes unasked; No acts as Cancel.
          ok = ConfirmDroppedMoves(Game.ReplaceDropCount(selected, move));
          break;
        case imReplaceVariation:
          index = selected;
          break;
        default:
          break;
      }
    } else if (ok && choice == imInsertBeforeAll) {
      kind = amAboveAll;
      index = 0;
    }
    if (!ok) {
      Board->TakeBack();
      ResetMoveEntry();
      ShowLastMove();
      return;
    }
    if (count > 0 && choice == imReplaceVariation) Game.DeleteMove(selected, 0);
  }
  if (replace) {
    Game.ReplaceChildMove(index, move);
  } else {
    // The game steps into its selected continuation: above one child, that
    // child is the one the new move takes.
    if (kind == amAboveIndex) Game.SetSelectedChild(index);
    Game.EnterMove(move, kind, index);
  }
  // Only a move the game took reaches the engine.
  EngineMan.UserMove(move);
  Game.MainLineMoves();
  ResetMoveEntry();
  UpdateSaveGameItem();
  ShowGame();
}

void TMainForm::EngineMove(void *, const MoveRec &move) {
  Guarded([&] {
    // Only a move of the engine's turn in play goes into the game.
    if (!EngineMan.IsPlaying()) return;
    engineMove_ = true;
    struct Reset {
      bool &flag;
      ~Reset() { flag = false; }
    } reset{engineMove_};
    Board->EnterMove(move);
    BoardMouseDown(Qt::NoButton, Qt::NoModifier, move.toFile, move.toRank);
  });
}

// ---- Typed moves

bool TMainForm::FormKeyPress(const QKeyEvent &key) {
  if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
  const int k = key.key();
  // Tab moves the focus; Delete belongs to the alternatives list.
  if (k == Qt::Key_Delete || k == Qt::Key_Tab || k == Qt::Key_Backtab) return false;
  const QString text = key.text();
  if (text.size() != 1) return false;
  const std::string c = FromQ(text);
  if (c.size() != 1) return false;
  KeyMoveEntry(c[0]);
  return true;
}

void TMainForm::RefuseTypedMove() {
  ResetMoveEntry();
  ShowLastMove();
  Beep();
}

void TMainForm::KeyMoveEntry(char c) {
  if (c == kEscapeChar) {
    ResetMoveEntry();
    ShowLastMove();
    return;
  }
  if (typedmove::Echoed(c)) {
    LastMoveLbl->setText(ToQ(Board->TypedMoveText() + c));
    LastMoveLbl->repaint();
  }
  MoveRec move;
  switch (typedmove::FeedChar(*Board, c, move)) {
    case typedmove::Fed::Entered:
      BoardMouseDown(Qt::NoButton, Qt::NoModifier, move.toFile, move.toRank);
      break;
    case typedmove::Fed::Refused:
      RefuseTypedMove();
      break;
    default: {
      const std::string &typed = Board->TypedMoveText();
      if (typed.empty())
        ShowLastMove();
      else
        LastMoveLbl->setText(ToQ(typed));
      break;
    }
  }
}

// ---- The alternatives list

int TMainForm::ChosenAlternative() const {
  const QList<QListWidgetItem *> items = AlternativesLB->selectedItems();
  return items.isEmpty() ? 0 : AlternativesLB->row(items.first()) + 1;
}

bool TMainForm::AlternativesLBMouseDown(Qt::MouseButton button) {
  LastAlternativesButton = button == Qt::RightButton ? 1 : button == Qt::MiddleButton ? 2 : 0;
  if (button != Qt::RightButton) return false;
  StepBack();
  return true;
}

void TMainForm::AlternativesLBClick() {
  // The list shows the try-out line there, not the game's continuations.
  if (DisplayMode == dmTryOut) return;
  const int chosen = ChosenAlternative();
  if (chosen < 1 || chosen > Game.ChildCount() || chosen == Game.SelectedChild()) return;
  Game.SetSelectedChild(chosen);
  Game.MainLineMoves();
  ShowGame();
}

void TMainForm::AlternativesLBDblClick() {
  if (DisplayMode == dmTryOut) return SBNextClick();
  int chosen = ChosenAlternative();
  if (chosen == 0) chosen = Game.SelectedChild();
  if (chosen < 1 || chosen > Game.ChildCount() || !Game.ChildIsLegal(chosen)) return;
  StopAutoPlay();
  const MoveRec move = Game.ChildMove(chosen);
  Board->DoMove(move);
  EngineMan.UserMove(move);
  Game.GoForward(chosen);
  ResetMoveEntry();
  ShowGame();
}

void TMainForm::AlternativesLBKeyDown(const QKeyEvent &key) {
  if (key.key() != Qt::Key_Delete) return;
  if (DisplayMode == dmTryOut) return Beep();
  const int chosen = ChosenAlternative();
  if (chosen < 1 || chosen > Game.ChildCount()) return;
  StopAutoPlay();
  if ((key.modifiers() & Qt::ControlModifier) || ChessApp.AskDeleteTypeOnDelete) {
    DeleteMoveDlg->Choice = dcDeleteOneMove;
    if (DeleteMoveDlg->Execute() != QDialog::Accepted) return;
    // Replies re-hung where they cannot be played go: asked first, and No
    // deletes nothing.
    if (!ConfirmDroppedMoves(Game.DeleteDropCount(chosen, DeleteMoveDlg->Choice))) return;
    Game.DeleteMove(chosen, DeleteMoveDlg->Choice);
  } else {
    if (BeepConfirm(CommonText::S_DeleteLine + "?", ui::mbYesNo) != ui::mrYes) return;
    Game.DeleteMove(chosen, dcDeleteVariation);
  }
  Game.MainLineMoves();
  UpdateSaveGameItem();
  ShowGame();
}

// ---- The modes

void TMainForm::EnterTryOut() {
  SBTryOut->show();
  ResultLbl->hide();
  DisplayMode = dmTryOut;
  TryOutMoves.Assign(Board->MoveList());
}

void TMainForm::MTryOutClick() {
  StopAutoPlay();
  if (DisplayMode == dmTryOut) {
    LeaveTryOut();
  } else {
    EnterTryOut();
    ResetMoveEntry();
    ShowGame();
  }
  Item("MTryOut")->setChecked(DisplayMode == dmTryOut);
}

void TMainForm::ToggleViewOnly(bool refresh) {
  StopAutoPlay();
  QAction *a = Item("MViewOnly");
  a->setChecked(!a->isChecked());
  if (DisplayMode != dmTryOut) DisplayMode = a->isChecked() ? dmViewOnly : dmEdit;
  if (refresh) ShowGame();
}

void TMainForm::MViewGamesOnlyClick() {
  StopAutoPlay();
  QAction *a = Item("MViewGamesOnly");
  a->setChecked(!a->isChecked());
}

// ---- Engine commands

void TMainForm::MContinuousAnalysisClick() { ShowMessage("not yet implemented"); }

void TMainForm::MResignClick() {
  if (EngineEnabled()) ShowMessage("not yet implemented");
}

void TMainForm::MOfferDrawClick() {
  if (EngineEnabled()) ShowMessage("not yet implemented");
}

// ---- A new game

void TMainForm::MNewGameClick() {
  StopAutoPlay();
  StartNewGame(nullptr);
}

// A new game from the standard start or from a set-up position: edit mode,
// no stored game number.
void TMainForm::StartNewGame(const PositionO *start) {
  if (!AskSaveGame()) return;
  if (DisplayMode == dmTryOut) LeaveTryOut();
  Item("MViewOnly")->setChecked(false);
  DisplayMode = dmEdit;
  Game.Init();
  CurrentGameNumber = 0;
  if (start) Game.SetStartPosition(start);
  Board->SetPosition(&Game.StartPosition(), nullptr);
  EngineNewGame(start ? &Game.StartPosition() : nullptr);
  ResetMoveEntry();
  UpdateSaveGameItem();
  ShowGame();
  ShowInfoLines();
  // Next and previous count from the shown game.
  if (FileOpen) UpdateGameNavigation();
}
