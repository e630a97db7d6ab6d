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
#include <cstdint>
#include <functional>
#include <string>
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

// ---------------------------------------------------------------------------
// The bulk PGN scanner
//
// ParsePGN reads PGN text in one pass, block by block, and packs every game
// directly with QZGameManagerO, reading the moves with the SAN reader above
// on a running MailboxPos. A game begins at its first tag pair and ends at a
// result token, "*", the tag section of the next game once moves were read,
// or the end of the input.
//
// What it cannot read it refuses game by game, storing nothing of it: the
// game is read on to its end (after a result token outside comments, before
// a "[" once its move text began, or before a "[" that starts a line after
// an empty line; a "[" before the move text is one of its tag pairs),
// reported once through the error callback and counted, and the next game
// is read as if nothing had happened. Outside games, blanks, "%" lines and
// comments are passed over (comments are not stored: the result says one
// was met); any other text is move text without a tag section, a game
// refused whole.
//
// Messages: "error" (an unexpected character, a malformed tag pair, a "FEN"
// tag that does not give a position, a NAG above 255, a "(" with no move to
// take back), "not in subvar" (a ")" without "("), "illegal move: " and the
// token (a token the SAN reader refuses, a one-byte index above 251), "game
// longer than 255 moves", "game too long" (a move or NAG area beyond 32768
// bytes), "unterminated comment" (a "{" the input ends in), "text outside a
// game".
//
// Move tokens keep letters, the digits 0-8 and "#+-:="; a token that ends
// in "!", "?", "!!", "??", "!?" or "?!" also stores NAG 1 to 6 after its
// move. Tag names are letters, digits and "_"; in a tag value a backslash
// escapes the next character, and the pair ends at a "]" that follows its
// closing quote. A NUL inside the data reads as a blank.

constexpr int kPGNProgressEvery = 50;

struct PGNCallbacks {
  // The next block of input; an empty one ends the input. The bytes must
  // stay valid until the next call. keepFrom is the offset of the first
  // byte the error callback may still ask for (where the game being read
  // began), -1 when none.
  std::function<std::string_view(int64_t keepFrom)> refill;
  // A finished game; the buffer is reused for the next game.
  std::function<void(const GameBuffer &game, bool &cancel)> game;
  // A refused game: the offsets of its first and last byte and of the first
  // and last byte of the offending text (one past the input's end when the
  // input ended inside it), and the message.
  std::function<void(int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                     const std::string &message)>
      error;
  // Every kPGNProgressEvery games, and once at the start and the end.
  std::function<void(int64_t bytesRead, int64_t inputSize, bool &cancel, int games)> progress;
  // Optional: set before every game and progress call (see PGNParseState).
  struct PGNParseState *state = nullptr;
  // A run over part of a larger input: the offset of the first byte refill
  // gives (a byte order mark is looked for at offset 0 only), and a test
  // made between games at the offset of the next text; true ends the run
  // there, as the end of the input would.
  int64_t start = 0;
  std::function<bool(int64_t offset)> boundary;
};

struct PGNParseResult {
  int games = 0;
  int errors = 0;
  // The cancel flag ended the run (after a game, or before it began).
  bool cancelled = false;
  // A comment ran to the end of the input: what followed its "{" is lost.
  bool unterminatedComment = false;
  // A comment outside any game was passed over.
  bool commentsOutside = false;
};

// Where a run stands at a game or progress call: the counts a cancel asked
// for in that call would end it with (cancelled left unset), the offset the
// progress call after the end would then report, and whether the call is
// that last progress call (a cancel there no longer counts).
struct PGNParseState {
  PGNParseResult sofar;
  int64_t offset = 0;
  bool last = false;
};

// encoding: encIndexed, encFromTo or encSan (ERangeError otherwise, before
// anything is read). inputSize is only passed on to the progress callback.
// Unset callbacks are skipped.
PGNParseResult ParsePGN(int64_t inputSize, int encoding, bool &cancel, const PGNCallbacks &callbacks);

// The first game of the text packed with the encoding into a new buffer of
// exactly its size. False, with out untouched, when the parser met an
// error anywhere in the text or found no game.
bool ParseGameText(const std::string &text, int encoding, GameBuffer &out);
bool ParseGameTextToBlob(const std::string &text, int encoding, GameBuffer &out);
bool ParseGameTextIndexed(const std::string &text, GameBuffer &out);
bool ParseGameTextFromTo(const std::string &text, GameBuffer &out);
bool ParseGameTextSan(const std::string &text, GameBuffer &out);
