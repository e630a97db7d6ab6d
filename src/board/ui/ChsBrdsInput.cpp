// TChessBoard's input: drags, clicks, the promotion choice, the right
// button, and set-up mode. After each completed action the owner's
// OnMouseDown is called last; the owner then reads GetInputState and
// GetPendingMove and may change the board or open a dialog, so the board
// does nothing after that call.
#include <QMouseEvent>

#include "board/ui/ChsBrds.h"
#include "foundation/CommonText.h"
#include "foundation/ui/Guard.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"

namespace {

// Input modes.
constexpr uint8_t kIdle = 0;
constexpr uint8_t kFromChosen = 1;
constexpr uint8_t kPromotion = 2;
constexpr uint8_t kMoveMade = 3;
constexpr uint8_t kNextAlternative = 4;
constexpr uint8_t kAlternativesDone = 5;
constexpr uint8_t kTakenBack = 6;
constexpr uint8_t kIllegal = 7;
constexpr uint8_t kConfirming = 9;
constexpr uint8_t kSetup = 10;

// Set-up sub-states.
constexpr uint8_t kSquareChanged = 5;
constexpr uint8_t kToolChanged = 6;
constexpr uint8_t kSquareAndColour = 7;

}  // namespace

uint8_t TChessBoard::GetInputState() const {
  switch (inputMode_) {
    case kMoveMade:
      return 1;
    case kNextAlternative:
      return 2;
    case kAlternativesDone:
      return 3;
    case kTakenBack:
      return 4;
    case kIllegal:
      return 8;
    case kSetup:
      return setupState_;
    default:
      return 0;
  }
}

bool TChessBoard::AtLastMove() const {
  return current_.SideToMove() == cBlack && current_.MoveNumber() >= 255;
}

void TChessBoard::ShowLastMoveRefusal() { ui::ShowMessage(CommonText::S_LastMoveNumber); }

void TChessBoard::CancelInput() {
  // A drag ends whatever the mode: the position may be about to change
  // under the lifted piece.
  if (dragging_) EndDrag();
  switch (inputMode_) {
    case kSetup:
      return;
    case kFromChosen:
      SetHighlight(moveFromFile_, moveFromRank_, false);
      break;
    case kPromotion:
      // Out of the mode first: the take-back cancels input again.
      inputMode_ = kIdle;
      SetHighlight(moveToFile_, moveToRank_, false);
      TakeBack();
      break;
    default:
      alternativesExhausted_ = false;
      break;
  }
  alternativesOn_ = false;
  inputMode_ = kIdle;
}

void TChessBoard::EnterMove(const MoveRec &move) {
  CancelInput();
  DoMove(move);
  inputMode_ = kMoveMade;
  pendingMove_ = move;
  alternativesOn_ = false;
}

void TChessBoard::Fire(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int file, int rank) {
  if (OnMouseDown) OnMouseDown(button, modifiers, file, rank);
}

// ---- Mouse events

void TChessBoard::mousePressEvent(QMouseEvent *event) {
  Guarded([&] {
    if (dragging_) return;  // other buttons wait for the drop
    const QPoint at = event->position().toPoint();
    int file = 0, rank = 0;
    if (!PixelToSquare(at.x(), at.y(), file, rank)) return;
    if (event->button() == Qt::LeftButton)
      LeftPress(file, rank, at, event->modifiers());
    else if (event->button() == Qt::RightButton && !OnRightClick)
      RightPress(file, rank, event->modifiers());
  });
}

void TChessBoard::mouseMoveEvent(QMouseEvent *event) {
  Guarded([&] {
    if (!dragging_) return;
    const QPoint at = event->position().toPoint();
    int file = 0, rank = 0;
    // Outside the board the piece stays where it was last drawn.
    if (!PixelToSquare(at.x(), at.y(), file, rank)) return;
    if (highlightOn_) SetHighlight(highlightFile_, highlightRank_, false);
    if (file != dragFile_ || rank != dragRank_) leftStartSquare_ = true;
    MoveFloating(QRect(at - grabOffset_, QSize(squareWidth_, squareHeight_)), false);
  });
}

void TChessBoard::mouseReleaseEvent(QMouseEvent *event) {
  Guarded([&] {
    const QPoint at = event->position().toPoint();
    if (OnMouseUp) OnMouseUp(event->button(), event->modifiers(), at.x(), at.y());
    if (event->button() == Qt::LeftButton) {
      LeftRelease(at, event->modifiers());
    } else if (event->button() == Qt::RightButton && OnRightClick) {
      bool handled = false;
      OnRightClick(at.x(), at.y(), handled);
    }
  });
}

// ---- Left button

void TChessBoard::LeftPress(int file, int rank, QPoint at, Qt::KeyboardModifiers modifiers) {
  const int piece = current_.PieceAt(file, rank);
  if (inputMode_ != kPromotion && inputMode_ != kConfirming && piece != pNone &&
      (current_.ColourAt(file, rank) == current_.SideToMove() || inputMode_ == kSetup)) {
    StartDrag(file, rank, at);
    return;
  }
  Click(file, rank);
  Fire(Qt::LeftButton, modifiers, file, rank);
}

void TChessBoard::StartDrag(int file, int rank, QPoint at) {
  dragFile_ = static_cast<uint8_t>(file);
  dragRank_ = static_cast<uint8_t>(rank);
  dragPiece_ = current_.PieceAt(file, rank);
  dragColour_ = current_.ColourAt(file, rank);
  leftStartSquare_ = false;
  const QRect square = SquareRect(file, rank);
  grabOffset_ = at - square.topLeft();
  DrawSquare(file, rank, 0, 0);
  floating_ = {true, dragPiece_, dragColour_, square};
  dragging_ = true;
}

void TChessBoard::EndDrag() {
  dragging_ = false;
  floating_.on = false;
  Show(floating_.rect);
  DrawSquare(dragFile_, dragRank_, dragPiece_, dragColour_);
}

void TChessBoard::LeftRelease(QPoint at, Qt::KeyboardModifiers modifiers) {
  // A drag that CancelInput ended leaves nothing for its release to do.
  if (!dragging_) return;
  EndDrag();
  int file = 0, rank = 0;
  if (!PixelToSquare(at.x(), at.y(), file, rank)) return;
  if (file == dragFile_ && rank == dragRank_) {
    if (!leftStartSquare_)
      Click(file, rank);
    else if (inputMode_ != kSetup)
      CancelInput();
  } else {
    Drop(file, rank);
  }
  Fire(Qt::LeftButton, modifiers, file, rank);
}

void TChessBoard::Drop(int file, int rank) {
  const int ff = dragFile_, fr = dragRank_;
  if (inputMode_ == kSetup) {
    current_.ClearSquare(ff, fr);
    SetSquare(file, rank, dragPiece_, dragColour_);
    setupState_ = kSquareChanged;
    return;
  }
  bool promotion = false;
  // Only a move that could be played is refused with the reason.
  const bool legal = current_.IsLegalMove(ff, fr, file, rank, promotion);
  if (!legal || AtLastMove()) {
    if (legal) ShowLastMoveRefusal();
    inputMode_ = kIllegal;
    return;
  }
  moveFromFile_ = static_cast<uint8_t>(ff);
  moveFromRank_ = static_cast<uint8_t>(fr);
  moveToFile_ = static_cast<uint8_t>(file);
  moveToRank_ = static_cast<uint8_t>(rank);
  if (promotion) {
    alternatives_.Clear();
    for (int piece : {pQueen, pRook, pBishop, pKnight}) {
      MoveRec m;
      current_.BuildMove(ff, fr, file, rank, piece, m);
      alternatives_.Add(m);
    }
    pendingMove_ = alternatives_.At(1);
    MakeMoveAnimated(pendingMove_, true);
    alternativesOn_ = true;
    alternativeIndex_ = 1;
    alternativesFile_ = static_cast<uint8_t>(file);
    alternativesRank_ = static_cast<uint8_t>(rank);
  } else {
    current_.BuildMove(ff, fr, file, rank, 0, pendingMove_);
    MakeMoveAnimated(pendingMove_, true);
    alternativesOn_ = false;
  }
  inputMode_ = kMoveMade;
}

void TChessBoard::Click(int file, int rank) {
  switch (inputMode_) {
    case kIdle:
      FirstClick(file, rank);
      break;
    case kFromChosen:
      SecondClick(file, rank);
      break;
    case kPromotion:
      ConfirmPromotion();
      break;
    case kMoveMade:
    case kNextAlternative:
    case kAlternativesDone:
    case kTakenBack:
    case kIllegal:
      inputMode_ = kIdle;
      FirstClick(file, rank);
      break;
    case kSetup:
      SetupClick(file, rank);
      break;
    default:  // confirming a promotion
      break;
  }
}

void TChessBoard::FirstClick(int file, int rank) {
  const int piece = current_.PieceAt(file, rank);
  if (piece != pNone && current_.ColourAt(file, rank) == current_.SideToMove()) {
    moveFromFile_ = static_cast<uint8_t>(file);
    moveFromRank_ = static_cast<uint8_t>(rank);
    fromChosenFirst_ = true;
    SetHighlight(file, rank, true);
    inputMode_ = kFromChosen;
    return;
  }
  // The destination first: the moves that reach the square, in order.
  alternatives_.Clear();
  current_.MovesForSquare(file, rank, alternatives_);
  if (alternatives_.Count() > 0 && AtLastMove()) {
    ShowLastMoveRefusal();
    alternatives_.Clear();
  }
  if (alternatives_.Count() == 0) {
    alternativesOn_ = false;
    inputMode_ = kIllegal;
    return;
  }
  pendingMove_ = alternatives_.At(1);
  current_.CompleteMove(pendingMove_);
  DoMove(pendingMove_);
  alternativesOn_ = true;
  alternativeIndex_ = 1;
  alternativesFile_ = static_cast<uint8_t>(file);
  alternativesRank_ = static_cast<uint8_t>(rank);
  inputMode_ = kMoveMade;
}

void TChessBoard::SecondClick(int file, int rank) {
  if (file == moveFromFile_ && rank == moveFromRank_) {
    SetHighlight(file, rank, false);
    inputMode_ = kIdle;
    return;
  }
  SetHighlight(moveFromFile_, moveFromRank_, false);
  if (fromChosenFirst_) {
    moveToFile_ = static_cast<uint8_t>(file);
    moveToRank_ = static_cast<uint8_t>(rank);
  } else {
    moveToFile_ = moveFromFile_;
    moveToRank_ = moveFromRank_;
    moveFromFile_ = static_cast<uint8_t>(file);
    moveFromRank_ = static_cast<uint8_t>(rank);
  }
  alternativesOn_ = false;
  bool promotion = false;
  bool legal = current_.IsLegalMove(moveFromFile_, moveFromRank_, moveToFile_, moveToRank_, promotion);
  if (legal && AtLastMove()) {
    ShowLastMoveRefusal();
    legal = false;
  }
  const bool pawnToLastRank =
      current_.PieceAt(moveFromFile_, moveFromRank_) == pPawn && (moveToRank_ == 1 || moveToRank_ == 8);
  if (!legal) {
    inputMode_ = kIllegal;
    return;
  }
  if (pawnToLastRank) {
    // A provisional queen; right clicks choose another piece.
    promotionPiece_ = pQueen;
    current_.BuildMove(moveFromFile_, moveFromRank_, moveToFile_, moveToRank_, pQueen, pendingMove_);
    DoMove(pendingMove_);
    SetHighlight(moveToFile_, moveToRank_, true);
    inputMode_ = kPromotion;
    return;
  }
  current_.BuildMove(moveFromFile_, moveFromRank_, moveToFile_, moveToRank_, 0, pendingMove_);
  DoMove(pendingMove_);
  inputMode_ = kMoveMade;
}

void TChessBoard::ConfirmPromotion() {
  inputMode_ = kConfirming;
  SetHighlight(moveToFile_, moveToRank_, false);
  TakeBack();
  bool promotion = false;
  if (!current_.IsLegalMove(moveFromFile_, moveFromRank_, moveToFile_, moveToRank_, promotion)) {
    inputMode_ = kIllegal;
    return;
  }
  current_.BuildMove(moveFromFile_, moveFromRank_, moveToFile_, moveToRank_, promotionPiece_, pendingMove_);
  DoMove(pendingMove_);
  inputMode_ = kMoveMade;
}

// ---- Right button

void TChessBoard::RightPress(int file, int rank, Qt::KeyboardModifiers modifiers) {
  if (inputMode_ == kPromotion) {
    // Queen, rook, bishop, knight, queen ...: shown only, the position
    // keeps the queen until the choice is confirmed.
    promotionPiece_ = promotionPiece_ <= pKnight ? pQueen : promotionPiece_ - 1;
    DrawSquare(moveToFile_, moveToRank_, promotionPiece_, current_.ColourAt(moveToFile_, moveToRank_));
    SetHighlight(moveToFile_, moveToRank_, true);
    return;
  }
  if (inputMode_ == kSetup) {
    setupPiece_ = setupPiece_ == 0 ? pKing : setupPiece_ - 1;
    setupClicks_ = 0;
    setupState_ = kToolChanged;
    Fire(Qt::RightButton, modifiers, file, rank);
    return;
  }
  const bool onAlternativesSquare = file == alternativesFile_ && rank == alternativesRank_;
  if (alternativesOn_ && (!rightClickTakeBack_ || onAlternativesSquare)) {
    const int index = alternativeIndex_;
    if (index >= alternatives_.Count()) {
      TakeBack();
      alternativesOn_ = false;
      alternativesExhausted_ = true;
      inputMode_ = kAlternativesDone;
    } else {
      TakeBack();
      pendingMove_ = alternatives_.At(index + 1);
      current_.CompleteMove(pendingMove_);
      DoMove(pendingMove_);
      alternativesOn_ = true;
      alternativeIndex_ = index + 1;
      inputMode_ = kNextAlternative;
    }
    Fire(Qt::RightButton, modifiers, file, rank);
    return;
  }
  if (rightClickTakeBack_ && CanTakeBack() && (!alternativesExhausted_ || !onAlternativesSquare)) {
    moveList_.GetLast(pendingMove_);
    TakeBack();
    inputMode_ = kTakenBack;
    Fire(Qt::RightButton, modifiers, file, rank);
  }
}

// ---- Set-up

void TChessBoard::BeginSetup() {
  CancelInput();
  current_.SaveCopy();
  setupPiece_ = pPawn;
  setupColour_ = cWhite;
  setupFile_ = setupRank_ = 0;
  setupState_ = 0;
  inputMode_ = kSetup;
}

void TChessBoard::EndSetup(bool accept) {
  if (dragging_) EndDrag();
  inputMode_ = kIdle;
  if (accept && current_.IsValid()) {
    current_.RestoreCopy(true);  // only lets the saved copy go
    PositionO edited;
    edited.Assign(current_);
    AssignPosition(edited);
  } else {
    current_.RestoreCopy(false);
    RedrawChangedSquares();
  }
}

void TChessBoard::SetSetupPiece(int kind) {
  CheckRange(kind, 0, static_cast<int>(pKing), "Set-up piece out of range");
  if (kind != setupPiece_) setupFile_ = setupRank_ = 0;
  setupPiece_ = static_cast<uint8_t>(kind);
}

void TChessBoard::SetSetupColor(int colour) {
  CheckPlayerColour(colour);
  if (colour != setupColour_) setupFile_ = setupRank_ = 0;
  setupColour_ = static_cast<uint8_t>(colour);
}

void TChessBoard::SetSquare(int file, int rank, int piece, int colour) {
  current_.SetSquare(file, rank, piece, colour);
  RedrawChangedSquares();
}

void TChessBoard::ClearSquare(int file, int rank) {
  current_.ClearSquare(file, rank);
  RedrawChangedSquares();
}

void TChessBoard::ClearBoard() {
  current_.ClearBoard();
  RedrawChangedSquares();
}

void TChessBoard::SetupClick(int file, int rank) {
  if (file != setupFile_ || rank != setupRank_) {
    setupFile_ = static_cast<uint8_t>(file);
    setupRank_ = static_cast<uint8_t>(rank);
    setupClicks_ = 0;
  }
  const int kind = setupPiece_;
  if (kind == pNone) {
    ClearSquare(file, rank);
    setupState_ = kSquareChanged;
    return;
  }
  // One square cycles: the piece in one colour, in the other, empty.
  switch (setupClicks_) {
    case 0:
      if (current_.PieceAt(file, rank) == kind) {
        setupColour_ = OppositeSide(current_.ColourAt(file, rank));
        SetSquare(file, rank, kind, setupColour_);
        setupClicks_ = 2;
        setupState_ = kSquareAndColour;
      } else {
        SetSquare(file, rank, kind, setupColour_);
        setupClicks_ = 1;
        setupState_ = kSquareChanged;
      }
      break;
    case 1:
    case 3:
      setupColour_ = OppositeSide(setupColour_);
      SetSquare(file, rank, kind, setupColour_);
      setupClicks_ = setupClicks_ == 1 ? 2 : 1;
      setupState_ = kSquareAndColour;
      break;
    default:
      ClearSquare(file, rank);
      setupClicks_ = 3;
      setupState_ = kSquareChanged;
      break;
  }
}
