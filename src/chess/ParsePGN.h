#pragma once
// PGNParserO reads one game of PGN text from an InputO into a GameO: the tag
// section into the header, an optional "FEN" set-up, and the move text with
// move numbers, moves in any notation the move interpreter reads, move
// symbols, NAGs, comments, nested variations and the result. It stops at the
// first error and reports the offending text's offset and length and a
// message (the caption texts S_CouldNotInterpreteMove, S_NagValueExpected,
// S_GameTerminationExpected, or empty when an expected character is
// missing).
//
// Reading rules worth knowing:
// - tag names are letters, digits and "_"; in a tag value a backslash
//   escapes the next character, and the value ends at an unescaped quote
//   followed (after blanks) by "]";
// - a second comment on a move is joined to the first with a blank; line
//   breaks and tabs in a comment become one blank each; a comment (or NAG)
//   before the first move of a variation goes to that move;
// - a variation returns to the move it was an alternative to;
// - "(" with no move before it, a NAG above 255, a move past move 255, an
//   invalid "FEN" set-up and text after the main line that is not a result
//   are errors.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/Moves.h"
#include "chess/Posns.h"

struct ParseResultT {
  std::uint8_t ok = 1;
  std::int32_t errorPos = 0;     // characters before the offending text
  std::int32_t errorLength = 0;  // its length (1 when no token is known)
  std::string message;
};

// The message for a "FEN" tag refused for fault: the same whichever reader
// met it.
std::string FenTagRefusal(SetupFault fault);

// Raised inside the reader at the first error; never leaves ParseGame.
class EParseError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class PGNParserO {
 public:
  static constexpr int kMaxLineNr = 65535;

  PGNParserO() { Init(); }
  PGNParserO(const PGNParserO &) = delete;
  PGNParserO &operator=(const PGNParserO &) = delete;

  void Init();
  void Done() { Init(); }
  // Language of the piece letters of the moves; "Default" at Init.
  void SetLanguage(LanguageId language) { language_ = language; }
  LanguageId Language() const { return language_; }

  // Reads one game into game (which is initialised first). The input stays
  // after the game's result token. On failure the game holds what was read
  // so far and belongs to the caller to discard.
  bool ParseGame(InputO &input, GameO &game, ParseResultT &result);
  // The tag section only.
  bool ParseHeader(InputO &input, GameInfoO &info, ParseResultT &result);
  bool ReadFEN(const std::string &text, PositionO &pos) { return pos.SetFEN(text); }
  bool ReadEPD(const std::string &text, PositionO &pos) { return pos.SetEPD(text); }

  // The text of the last error: "Parsing error ocurred in line N:\r" and
  // the message.
  const std::string &ErrorText() const { return errorText_; }

 private:
  struct VariationState;
  struct TagSpan {
    std::int64_t start = -1;
    std::int64_t length = 0;
  };

  void Begin(InputO &input, ParseResultT &result);
  void Finish(ParseResultT &result) const;
  void SkipBlanks();
  bool AtEnd();
  bool Peek(const char *s);
  bool Accept(const char *s);
  void Expect(const char *s);
  // Reads the offending character (or steps past the end) and fails with
  // the message.
  [[noreturn]] void FailHere(const std::string &message);
  // errorPos := characters read - length.
  [[noreturn]] void Fail(const std::string &message, std::int64_t length);
  [[noreturn]] void FailAt(const std::string &message, std::int64_t pos, std::int64_t length);

  void ReadTags(GameInfoO &info, TagSpan *fen);
  std::string ReadTagName();
  // length: characters of the value's text in the input.
  std::string ReadTagValue(std::int64_t &length);
  void ReadSetUp(GameO &game, const TagSpan &fen);
  void ReadMoveText(GameO &game);
  // Index in the result table of the token that follows; -1 when none.
  int ResultTokenAhead();
  std::string ReadComment(bool brace);
  int ReadNag();
  void ReadMove(GameO &game, VariationState &state);
  void SyncWithGame(const GameO &game);

  InputO *input_ = nullptr;
  PositionO position_;
  MoveListO moves_;
  std::uint8_t failed_ = 0;
  std::string message_;
  std::int64_t errorPos_ = 0;
  std::int64_t errorLength_ = 0;
  LanguageId language_ = 0;
  std::string errorText_;
};
