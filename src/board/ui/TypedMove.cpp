#include "board/ui/TypedMove.h"

#include "board/ui/ChsBrds.h"
#include "chess/Intra.h"
#include "platform/Errors.h"

namespace typedmove {

bool Echoed(char c) {
  return c == '-' || c == ':' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

Fed FeedChar(TChessBoard &board, char c, MoveRec &move) {
  switch (board.FeedMoveChar(c, move)) {
    case isRecognised:
      try {
        board.CompleteMove(move);
        board.EnterMove(move);
      } catch (const ERangeError &) {
        // Black's move at 255 has no move number left.
        return Fed::Refused;
      }
      return Fed::Entered;
    case isRejected:
      return Fed::Refused;
    default:
      return Fed::Pending;
  }
}

}  // namespace typedmove
