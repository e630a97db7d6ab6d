#include "chess/ParsePGN.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsTagNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
bool IsMoveChar(char c) {
  return IsLetter(c) || (c >= '0' && c <= '8') || c == '#' || c == '+' || c == '-' || c == '=';
}

std::string Join(const std::string &a, const std::string &b) {
  if (a.empty()) return b;
  if (b.empty()) return a;
  return a + " " + b;
}

std::string FaultText(SetupFault fault) {
  switch (fault) {
    case SetupFault::Kings:
      return CommonText::S_FenKings;
    case SetupFault::TooManyMen:
      return CommonText::S_FenTooManyMen;
    case SetupFault::Castling:
      return CommonText::S_FenCastling;
    case SetupFault::Check:
      return CommonText::S_FenCheck;
    default:
      return CommonText::S_FenNotReadable;
  }
}

struct ResultToken {
  const char *text;
  std::uint8_t code;
};
constexpr ResultToken kResults[] = {
    {"1-0", resWhiteWins}, {"1/2-1/2", resDraw}, {"0-1", resBlackWins}, {"*", resUnknown}};

}  // namespace

std::string FenTagRefusal(SetupFault fault) {
  return SubstituteText(CommonText::S_FenTagImpossible, FaultText(fault));
}

// One open line of the move text: the main line, or a variation with the
// node that was current before its "(".
struct PGNParserO::VariationState {
  PosRec *returnTo = nullptr;
  int returnIndex = 0;  // its place among its parent's children
  bool movesRead = false;
  // A comment or NAGs met before the variation's first move go to that move.
  std::string pendingComment;
  std::vector<int> pendingNags;
};

void PGNParserO::Init() {
  input_ = nullptr;
  language_ = 0;
  position_.Reset();
  position_.SetLanguage(language_);
  moves_.Clear();
  failed_ = 0;
  message_.clear();
  errorPos_ = errorLength_ = 0;
  errorText_.clear();
}

void PGNParserO::Begin(InputO &input, ParseResultT &result) {
  input_ = &input;
  failed_ = 0;
  message_.clear();
  errorPos_ = errorLength_ = 0;
  errorText_.clear();
  result = ParseResultT{};
}

void PGNParserO::Finish(ParseResultT &result) const {
  constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
  result.ok = failed_ ? 0 : 1;
  if (failed_) {
    result.errorPos = static_cast<std::int32_t>(std::clamp<std::int64_t>(errorPos_, 0, kMax));
    result.errorLength = static_cast<std::int32_t>(std::clamp<std::int64_t>(errorLength_, 0, kMax));
    result.message = message_;
  }
}

// ---------------------------------------------------------------- token primitives

void PGNParserO::SkipBlanks() {
  while (!input_->Eof() && IsBlank(input_->PeekChar(1))) input_->ReadChar();
}

bool PGNParserO::AtEnd() {
  SkipBlanks();
  return input_->Eof();
}

bool PGNParserO::Peek(const char *s) {
  SkipBlanks();
  return input_->Matches(s);
}

bool PGNParserO::Accept(const char *s) {
  if (!Peek(s)) return false;
  input_->ReadChars(static_cast<int>(std::char_traits<char>::length(s)));
  return true;
}

void PGNParserO::Expect(const char *s) {
  if (!Accept(s)) FailHere(std::string());
}

void PGNParserO::FailHere(const std::string &message) {
  input_->ReadChar();
  Fail(message, 1);
}

void PGNParserO::Fail(const std::string &message, std::int64_t length) {
  FailAt(message, input_->CharNr() - length, length);
}

void PGNParserO::FailAt(const std::string &message, std::int64_t pos, std::int64_t length) {
  failed_ = 1;
  message_ = message;
  errorPos_ = std::max<std::int64_t>(pos, 0);
  errorLength_ = length;
  const std::int64_t line = std::min<std::int64_t>(input_->LineNr() + 1, kMaxLineNr);
  errorText_ = "Parsing error ocurred in line " + std::to_string(line) + ":" + "\r" + message;
  throw EParseError(errorText_);
}

// ---------------------------------------------------------------- games and headers

bool PGNParserO::ParseGame(InputO &input, GameO &game, ParseResultT &result) {
  Begin(input, result);
  try {
    game.Init();
    position_.Reset();
    position_.SetLanguage(language_);
    moves_.Clear();
    TagSpan fen;
    ReadTags(game.GameInfo(), &fen);
    ReadSetUp(game, fen);
    SyncWithGame(game);
    ReadMoveText(game);
  } catch (const EParseError &) {
  } catch (const ERangeError &) {
    // A limit met on the way (a full list): the game cannot be read.
    if (!failed_) {
      try {
        Fail(std::string(), 1);
      } catch (const EParseError &) {
      }
    }
  }
  Finish(result);
  return !failed_;
}

bool PGNParserO::ParseHeader(InputO &input, GameInfoO &info, ParseResultT &result) {
  Begin(input, result);
  try {
    info.Init();
    ReadTags(info, nullptr);
  } catch (const EParseError &) {
  }
  Finish(result);
  return !failed_;
}

void PGNParserO::ReadTags(GameInfoO &info, TagSpan *fen) {
  while (Accept("[")) {
    if (info.TagCount() >= GameInfoO::kMaxTags) Fail(std::string(), 1);
    const std::string name = ReadTagName();
    Expect("\"");
    const std::int64_t start = input_->CharNr();
    std::int64_t length = 0;
    const std::string value = ReadTagValue(length);
    if (fen && fen->start < 0 && ini::Trim(name) == "FEN") {
      fen->start = start;
      fen->length = std::max<std::int64_t>(length, 1);
    }
    info.AddTag(name, value);
    Expect("]");
  }
}

std::string PGNParserO::ReadTagName() {
  SkipBlanks();
  std::string name;
  while (!input_->Eof() && IsTagNameChar(input_->PeekChar(1))) name += input_->ReadChar();
  return name;
}

std::string PGNParserO::ReadTagValue(std::int64_t &length) {
  // The opening quote has been read. The value ends at an unescaped quote
  // that only blanks separate from "]"; the "]" is left for the caller.
  const std::int64_t start = input_->CharNr();
  std::string value;
  for (;;) {
    if (input_->Eof()) FailHere(std::string());
    char c = input_->ReadChar();
    if (c == '\\') {
      if (input_->Eof()) FailHere(std::string());
      c = input_->ReadChar();
      value += static_cast<unsigned char>(c) < 32 ? ' ' : c;
      continue;
    }
    if (c == '"') {
      length = input_->CharNr() - 1 - start;
      std::string blanks;
      while (!input_->Eof() && IsBlank(input_->PeekChar(1))) {
        input_->ReadChar();
        blanks += ' ';
      }
      if (!input_->Eof() && input_->PeekChar(1) == ']') return value;
      value += '"';
      value += blanks;
      continue;
    }
    value += static_cast<unsigned char>(c) < 32 ? ' ' : c;
  }
}

void PGNParserO::ReadSetUp(GameO &game, const TagSpan &fen) {
  GameInfoO &header = game.GameInfo();
  if (!header.HasTag("FEN")) {
    while (header.HasTag("SetUp")) header.RemoveTag("SetUp");
    return;
  }
  PositionO start;
  start.SetLanguage(language_);
  // The reader refuses impossible set-ups; such a game cannot be read.
  if (const SetupFault fault = start.SetFENFault(header.GetTag("FEN")); fault != SetupFault::None)
    FailAt(FenTagRefusal(fault), fen.start, fen.length);
  game.SetStartPosition(&start);
  header.SetTag("SetUp", "1");
}

void PGNParserO::SyncWithGame(const GameO &game) {
  position_.Assign(game.CurrentPosition());
  position_.SetLanguage(language_);
  moves_.Assign(game.PathMoves());
}

// ---------------------------------------------------------------- move text

int PGNParserO::ResultTokenAhead() {
  SkipBlanks();
  const char c = input_->PeekChar(1);
  if (c != '1' && c != '0' && c != '*') return -1;
  // The table's texts in order, from two looks ahead: one as long as the
  // first text, then one as long as the second, the longest. The input is
  // left as looking for each text in turn would leave it.
  constexpr auto length = [](int i) { return std::char_traits<char>::length(kResults[i].text); };
  static_assert(std::size(kResults) == 4 && length(1) >= length(0) && length(1) >= length(2) &&
                length(1) >= length(3));
  if (input_->PeekString(static_cast<int>(length(0))) == kResults[0].text) return 0;
  const std::string ahead = input_->PeekString(static_cast<int>(length(1)));
  for (int i = 1; i < 4; ++i)
    if (ahead.compare(0, length(i), kResults[i].text) == 0) return i;
  return -1;
}

void PGNParserO::ReadMoveText(GameO &game) {
  VariationState mainLine;
  std::vector<VariationState> open;
  auto top = [&]() -> VariationState & { return open.empty() ? mainLine : open.back(); };
  // A comment or NAG goes to the current move, or waits for the first move
  // of a variation.
  auto addComment = [&](const std::string &text) {
    VariationState &s = top();
    if (!open.empty() && !s.movesRead)
      s.pendingComment = Join(s.pendingComment, text);
    else
      game.SetCommentOf(game.current_, Join(game.current_->Comment(), text));
  };
  auto addNag = [&](PosRec *node, int value) {
    if (node->nags.Count() >= KeyListO::kMaxCount) Fail(CommonText::S_NagValueExpected, 1);
    node->nags.Add(value);
  };

  for (;;) {
    if (AtEnd() || ResultTokenAhead() >= 0) {
      if (!open.empty()) Expect(")");
      break;
    }
    const char c = input_->PeekChar(1);
    if (c >= '1' && c <= '9') {
      // A move number; it is not compared with the position.
      while (!input_->Eof() && IsDigit(input_->PeekChar(1))) input_->ReadChar();
      while (!input_->Eof() && input_->PeekChar(1) == '.') input_->ReadChar();
      continue;
    }
    if (c == '$') {
      const int value = ReadNag();
      VariationState &s = top();
      if (!open.empty() && !s.movesRead)
        s.pendingNags.push_back(value);
      else
        addNag(game.current_, value);
    } else if (c == '(') {
      input_->ReadChar();
      if (!top().movesRead) Fail(std::string(), 1);
      VariationState s;
      s.returnTo = game.current_;
      // Children are only appended while the variation is read, so the
      // place stays; the newest child is the likeliest.
      const auto &siblings = s.returnTo->parent->children;
      for (size_t k = siblings.size(); k-- > 0;)
        if (siblings[k].get() == s.returnTo) {
          s.returnIndex = static_cast<int>(k + 1);
          break;
        }
      open.push_back(std::move(s));
      game.GoBack();
      position_.UnmakeMove(moves_.At(moves_.Count()));
      moves_.DeleteLast();
    } else if (c == ')') {
      if (open.empty()) break;
      input_->ReadChar();
      VariationState s = std::move(open.back());
      open.pop_back();
      // Back to the move the variation was an alternative to.
      PosRec *parent = s.returnTo->parent;
      while (game.current_ != parent) game.GoBack();
      game.GoForward(s.returnIndex);
      SyncWithGame(game);
      if (!s.movesRead) {
        // An empty variation: what it held stays with that move.
        if (!s.pendingComment.empty())
          game.SetCommentOf(game.current_, Join(game.current_->Comment(), s.pendingComment));
        for (int v : s.pendingNags) addNag(game.current_, v);
      }
    } else if (c == '{' || c == ';') {
      addComment(ReadComment(c == '{'));
    } else {
      ReadMove(game, top());
    }
  }

  int code = resUnknown;
  const int token = ResultTokenAhead();
  if (token >= 0) {
    code = kResults[token].code;
    input_->ReadChars(static_cast<int>(std::char_traits<char>::length(kResults[token].text)));
  } else if (!AtEnd()) {
    // A ")" that closes nothing, with text after it.
    FailHere(CommonText::S_GameTerminationExpected);
  } else {
    std::uint8_t fromTag = resUnknown;
    if (ResultFromText(game.GameInfo().GetTag("Result"), fromTag)) code = fromTag;
  }
  game.GameInfo().SetTag("Result", ResultText(static_cast<std::uint8_t>(code)));
  game.GameInfo().SetResult(static_cast<std::uint8_t>(code));
}

int PGNParserO::ReadNag() {
  input_->ReadChar();  // "$"
  int digits = 0, value = 0;
  while (!input_->Eof() && IsDigit(input_->PeekChar(1))) {
    const int d = input_->ReadChar() - '0';
    if (value <= GameO::kMaxNag) value = value * 10 + d;
    ++digits;
  }
  if (digits == 0 || value > GameO::kMaxNag) Fail(CommonText::S_NagValueExpected, 1 + digits);
  return value;
}

std::string PGNParserO::ReadComment(bool brace) {
  input_->ReadChar();  // "{" or ";"
  std::string text;
  if (brace) {
    for (;;) {
      if (input_->Eof()) FailHere(std::string());
      const char c = input_->ReadChar();
      if (c == '}') break;
      if (c == '\r') {
        if (!input_->Eof() && input_->PeekChar(1) == '\n') input_->ReadChar();
        text += ' ';
      } else if (c == '\n' || c == '\t') {
        text += ' ';
      } else if (static_cast<unsigned char>(c) >= 32) {
        text += c;
      }
    }
  } else {
    while (!input_->Eof()) {
      const char c = input_->PeekChar(1);
      if (c == '\r' || c == '\n') break;
      input_->ReadChar();
      if (c == '\t')
        text += ' ';
      else if (static_cast<unsigned char>(c) >= 32)
        text += c;
    }
  }
  return ini::Trim(text);
}

void PGNParserO::ReadMove(GameO &game, VariationState &state) {
  std::string token;
  while (!input_->Eof() && IsMoveChar(input_->PeekChar(1))) token += input_->ReadChar();
  if (token.empty()) {
    // Not a move character: the character itself is the offending text.
    token = std::string(1, input_->ReadChar());
    Fail(SubstituteText(CommonText::S_CouldNotInterpreteMove, token), 1);
  }
  const std::int64_t length = static_cast<std::int64_t>(token.size());
  MoveRec move;
  if (!position_.InterpretMove(token, move))
    Fail(SubstituteText(CommonText::S_CouldNotInterpreteMove, token), length);
  // A game ends at move 255, and at the node limit.
  if (position_.SideToMove() == cBlack && position_.MoveNumber() == 255)
    Fail(CommonText::S_LastMoveNumber, length);
  if (game.NodeCounter() >= GameO::kMaxNodeNumber)
    Fail(SubstituteText(CommonText::S_CouldNotInterpreteMove, token), length);
  position_.CompleteMove(move);
  position_.MakeMove(move);
  moves_.Add(move);
  PosRec *node = game.AppendReadMove(move);
  if (!state.movesRead) {
    state.movesRead = true;
    if (!state.pendingComment.empty()) game.SetCommentOf(node, state.pendingComment);
    for (int v : state.pendingNags) node->nags.Add(v);
    state.pendingComment.clear();
    state.pendingNags.clear();
  }
  std::string symbol;
  while (!input_->Eof() && (input_->PeekChar(1) == '!' || input_->PeekChar(1) == '?'))
    symbol += input_->ReadChar();
  if (!symbol.empty()) {
    if (node->nags.Count() >= KeyListO::kMaxCount)
      Fail(std::string(), static_cast<std::int64_t>(symbol.size()));
    node->nags.Add(NagFromSymbol(symbol));
  }
}
