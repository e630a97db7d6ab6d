#pragma once
// A move typed on the keyboard for a board: one character at a time into
// the board's move interpreter, the move entered on the board once the text
// names one. The main window and the tree window type moves this way.
#include "chess/Moves.h"

class TChessBoard;

namespace typedmove {

// The characters echoed in the last-move label while a move is typed.
bool Echoed(char c);

enum class Fed { Entered, Refused, Pending };
// Entered: the move the text names, completed and entered on the board (its
// input state is then 1), is copied out. Refused: the interpreter rejected
// the character, or the board cannot take the move (Black's move at 255,
// which a message explains).
Fed FeedChar(TChessBoard &board, char c, MoveRec &move);

}  // namespace typedmove
