#include "board/ui/TypedMove.h"

#include "board/ui/ChsBrds.h"
#include "chess/Intra.h"

namespace typedmove {

bool Echoed(char c) {
  return c == '-' || c == ':' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

Fed FeedChar(TChessBoard &board, char c, MoveRec &move) {
  switch (board.FeedMoveChar(c, move)) {
    case isRecognised:
      if (board.AtLastMove()) {
        TChessBoard::ShowLastMoveRefusal();
        return Fed::Refused;
      }
      board.CompleteMove(move);
      board.EnterMove(move);
      return Fed::Entered;
    case isRejected:
      return Fed::Refused;
    default:
      return Fed::Pending;
  }
}

}  // namespace typedmove
