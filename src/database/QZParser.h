#pragma once
// The SAN reader of the database side: move tokens of PGN text read on a
// MailboxPos, in English piece letters only, without the chess core's move
// interpreter.
//
// Accepted: piece moves with an optional from-file, from-rank or
// from-square; pawn pushes and captures ("e4", "exd5", "ed5", "e:d5"),
// coordinate pawn moves ("e2e4", "e2-e4"); promotion with or without "="
// (none on the last rank means a queen); castling with O, o or 0; capture,
// check and mate signs; an "ep" suffix. A token longer than 8 characters
// fails, and so does one that names no move, more than one move, or a move
// the generator does not make or that leaves the king in check.
#include <string_view>

#include "database/QZUtils.h"

// The Move2 of the one legal move meant. pos is used for trial moves and is
// left exactly as it was; the list of gen is overwritten.
bool ParseSANMove(MailboxPos &pos, MoveGen &gen, std::string_view token, Move2 &move);
bool ParseSANMove(const MailboxPos &pos, std::string_view token, Move2 &move);

// The same, with the whole eleven-byte record: the undo record of the move
// and its SAN information.
bool ParseSANMoveRec(MailboxPos &pos, MoveGen &gen, std::string_view token, SanMoveRec &rec);
bool ParseSANMoveRec(const MailboxPos &pos, std::string_view token, SanMoveRec &rec);
