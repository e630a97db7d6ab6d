#pragma once
// The text the games window's memo shows for a game, without Qt: its tag
// lines, a blank line, and its moves as the list text, in the interface
// language (figurines by the main window's rule).
#include <cstdint>
#include <string>

class DatabaseO;

// Lines are joined by "\n". A game that does not load shows its tag lines
// and the reader's message in place of the moves.
std::string GameMemoText(DatabaseO &database, int32_t n, bool showInfo, bool showMoves);
