#pragma once
// Moves for the engine-driver tests, written as the engine writes them.
#include <string>

#include "chess/Posns.h"

namespace enginetest {

// Plays the move text on the position; false when it does not read there.
inline bool PlayText(PositionO &position, const std::string &text, MoveRec &move) {
  if (!position.InterpretMove(text, move)) return false;
  position.CompleteMove(move);
  position.MakeMove(move);
  return true;
}

}  // namespace enginetest
