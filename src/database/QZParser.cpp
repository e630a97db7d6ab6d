#include "database/QZParser.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "chess/Diags.h"
#include "chess/ParsePGN.h"
#include "chess/Posns.h"
#include "database/QZGamePlayer.h"
#include "platform/Errors.h"

namespace {

constexpr int kMaxToken = 8;

bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsRank(char c) { return c >= '1' && c <= '8'; }
bool IsCastleChar(char c) { return c == 'O' || c == 'o' || c == '0'; }

int PieceCode(char c) {
  switch (c) {
    case 'K':
      return mbKing;
    case 'Q':
      return mbQueen;
    case 'R':
      return mbRook;
    case 'B':
      return mbBishop;
    case 'N':
      return mbKnight;
    default:
      return 0;
  }
}

// Promotion bits of a letter, -1 for none.
int PromotionOf(char c) {
  switch (c) {
    case 'Q':
      return 0;
    case 'R':
      return 1;
    case 'B':
      return 2;
    case 'N':
      return 3;
    default:
      return -1;
  }
}

int FileNo(char c) { return c - 'a' + 1; }
int RankNo(char c) { return c - '0'; }

// The token reduced to its squares, letters and castling characters, with
// the signs that were taken out.
struct Normalised {
  char s[kMaxToken] = {};
  int n = 0;
  bool mate = false, check = false, dash = false, cross = false, colon = false, castle = false, ep = false;
};

bool Normalise(std::string_view token, Normalised &t) {
  if (token.size() > kMaxToken) return false;
  for (char c : token) {
    if (c == '=') continue;
    if (c == '#') {
      t.mate = true;
    } else if (c == '+') {
      t.check = true;
    } else if (c == '-') {
      t.dash = true;
    } else if (c == 'x') {
      t.cross = true;
    } else if (c == ':') {
      t.colon = true;
    } else if (IsCastleChar(c)) {
      t.s[t.n++] = c;
      t.castle = true;
    } else if (c == 'p') {
      t.s[t.n++] = c;
      t.ep = true;
    } else if (IsRank(c) || (c >= 'A' && c <= 'Z') || IsFile(c)) {
      t.s[t.n++] = c;
    } else {
      return false;
    }
  }
  if (t.ep) {
    // "ep" at the end, or before one last character.
    if (t.n >= 2 && t.s[t.n - 2] == 'e' && t.s[t.n - 1] == 'p') {
      t.n -= 2;
    } else if (t.n >= 3 && t.s[t.n - 3] == 'e' && t.s[t.n - 2] == 'p') {
      t.s[t.n - 3] = t.s[t.n - 1];
      t.n -= 2;
    }
  }
  if (t.n < 2 || t.n > 5) return false;
  if (t.cross && t.colon) return false;
  if ((t.cross || t.colon) && (t.dash || t.castle)) return false;
  if (t.check && t.mate) return false;
  return true;
}

class Reader {
 public:
  Reader(MailboxPos &pos, MoveGen &gen) : pos_(pos), gen_(gen) {
    white_ = pos.SideToMove() == 0;
    own_ = white_ ? 0 : mbBlack;
    dir_ = white_ ? 1 : -1;
  }

  bool Read(const Normalised &t, Move2 &out) {
    const char *s = t.s;
    switch (t.n) {
      case 2:
        if (IsCastleChar(s[0]) && s[1] == s[0]) return Castle(true, out);
        if (IsFile(s[0]) && IsRank(s[1])) return Push(FileNo(s[0]), RankNo(s[1]), -1, out);
        return false;
      case 3:
        if (IsCastleChar(s[0]) && s[1] == s[0] && s[2] == s[0]) return Castle(false, out);
        if (IsFile(s[0]) && IsRank(s[1]) && PromotionOf(s[2]) >= 0)
          return Push(FileNo(s[0]), RankNo(s[1]), PromotionOf(s[2]), out);
        if (IsFile(s[0]) && IsFile(s[1]) && IsRank(s[2]))
          return Capture(FileNo(s[0]), FileNo(s[1]), RankNo(s[2]), -1, out);
        if (PieceCode(s[0]) && IsFile(s[1]) && IsRank(s[2]))
          return Piece(genMovers, PieceCode(s[0]), 0, 0, FileNo(s[1]), RankNo(s[2]), out);
        return false;
      case 4:
        if (IsFile(s[0]) && IsFile(s[1]) && IsRank(s[2]) && PromotionOf(s[3]) >= 0)
          return Capture(FileNo(s[0]), FileNo(s[1]), RankNo(s[2]), PromotionOf(s[3]), out);
        if (IsFile(s[0]) && IsRank(s[1]) && IsFile(s[2]) && IsRank(s[3]))
          return Coordinate(FileNo(s[0]), RankNo(s[1]), FileNo(s[2]), RankNo(s[3]), -1, out);
        if (PieceCode(s[0]) && IsFile(s[1]) && IsFile(s[2]) && IsRank(s[3]))
          return Piece(genMoversFromFile, PieceCode(s[0]), FileNo(s[1]), 0, FileNo(s[2]), RankNo(s[3]), out);
        if (PieceCode(s[0]) && IsRank(s[1]) && IsFile(s[2]) && IsRank(s[3]))
          return Piece(genMoversFromRank, PieceCode(s[0]), 0, RankNo(s[1]), FileNo(s[2]), RankNo(s[3]), out);
        return false;
      case 5:
        if (IsFile(s[0]) && IsRank(s[1]) && IsFile(s[2]) && IsRank(s[3]) && PromotionOf(s[4]) >= 0)
          return Coordinate(FileNo(s[0]), RankNo(s[1]), FileNo(s[2]), RankNo(s[3]), PromotionOf(s[4]), out);
        if (PieceCode(s[0]) && IsFile(s[1]) && IsRank(s[2]) && IsFile(s[3]) && IsRank(s[4]))
          return Piece(genMoversFromSquare, PieceCode(s[0]), FileNo(s[1]), RankNo(s[2]), FileNo(s[3]),
                       RankNo(s[4]), out);
        return false;
      default:
        return false;
    }
  }

 private:
  uint8_t At(int file, int rank) const { return pos_.cells[MailboxPos::Cell(file, rank)]; }
  bool OnBoard(int rank) const { return rank >= 1 && rank <= 8; }
  bool OwnPawn(int file, int rank) const {
    const uint8_t man = At(file, rank);
    if ((man & mbBlack) != own_) return false;
    return (man & 7) == mbPawn || ((man & 7) == mbSpecial && rank != 1 && rank != 8);
  }
  bool Enemy(int file, int rank) const {
    const uint8_t man = At(file, rank);
    return man != 0 && (man & mbBlack) != own_;
  }

  // Every accepted move must be one the generator makes (so that it has a
  // one-byte index) and must not leave the king in check.
  // The movers a piece request finds are legal already (knownLegal).
  bool Accept(Move2 m, Move2 &out, bool knownLegal = false) {
    int index = 0;
    if (!pos_.MoveIndex(gen_, m, index) || (!knownLegal && !pos_.IsLegalMove(gen_, m))) return false;
    out = m;
    index_ = index;
    return true;
  }

 public:
  // The generator index of the last accepted move.
  int Index() const { return index_; }

 private:
  // Promotion bits for a pawn reaching toRank: a letter only on the last
  // rank, none there means a queen.
  bool Promotion(int toRank, int letter, int &bits) const {
    const bool last = toRank == (white_ ? 8 : 1);
    if (letter >= 0 && !last) return false;
    bits = letter >= 0 ? letter : 0;
    return true;
  }

  bool Pawn(int fromFile, int fromRank, int toFile, int toRank, int letter, Move2 &out) {
    int bits = 0;
    if (!Promotion(toRank, letter, bits)) return false;
    return Accept(Move2::Make(SquareNumber(fromFile, fromRank), SquareNumber(toFile, toRank), bits), out);
  }

  bool Push(int toFile, int toRank, int letter, Move2 &out) {
    if (At(toFile, toRank) != 0) return false;
    const int behind = toRank - dir_;
    if (!OnBoard(behind)) return false;
    if (OwnPawn(toFile, behind)) return Pawn(toFile, behind, toFile, toRank, letter, out);
    // A double step from the start rank over an empty square.
    const int start = white_ ? 2 : 7;
    if (At(toFile, behind) == 0 && behind - dir_ == start && OwnPawn(toFile, start))
      return Pawn(toFile, start, toFile, toRank, letter, out);
    return false;
  }

  bool Capture(int fromFile, int toFile, int toRank, int letter, Move2 &out) {
    const int fromRank = toRank - dir_;
    if (!OnBoard(fromRank) || !OwnPawn(fromFile, fromRank)) return false;
    // An enemy man on the target, or the pawn beside that may be taken en passant.
    const bool enPassant =
        At(toFile, toRank) == 0 && At(toFile, fromRank) == static_cast<uint8_t>((own_ ^ mbBlack) | mbSpecial);
    if (!Enemy(toFile, toRank) && !enPassant) return false;
    return Pawn(fromFile, fromRank, toFile, toRank, letter, out);
  }

  bool Coordinate(int fromFile, int fromRank, int toFile, int toRank, int letter, Move2 &out) {
    if (fromFile != toFile) {
      if (toRank - dir_ != fromRank) return false;
      return Capture(fromFile, toFile, toRank, letter, out);
    }
    if (!OwnPawn(fromFile, fromRank) || At(toFile, toRank) != 0) return false;
    const int start = white_ ? 2 : 7;
    const bool single = toRank == fromRank + dir_;
    const bool twice = fromRank == start && toRank == fromRank + 2 * dir_ && At(toFile, fromRank + dir_) == 0;
    if (!single && !twice) return false;
    return Pawn(fromFile, fromRank, toFile, toRank, letter, out);
  }

  bool Piece(uint8_t kind, int code, int fromFile, int fromRank, int toFile, int toRank, Move2 &out) {
    const auto piece = static_cast<uint8_t>(code);
    int n = 0;
    switch (kind) {
      case genMovers:
        n = pos_.FindMovers(gen_, toFile, toRank, piece);
        break;
      case genMoversFromFile:
        n = pos_.FindMoversFromFile(gen_, toFile, toRank, piece, fromFile);
        break;
      case genMoversFromRank:
        n = pos_.FindMoversFromRank(gen_, toFile, toRank, piece, fromRank);
        break;
      default:
        n = pos_.FindMoversFromSquare(gen_, toFile, toRank, piece, fromFile, fromRank);
        break;
    }
    if (n != 1) return false;
    return Accept(gen_.Entry(1), out, true);
  }

  bool Castle(bool kingSide, Move2 &out) {
    const int back = white_ ? 1 : 8;
    if (At(5, back) != (own_ | mbKing)) return false;
    const int corner = kingSide ? 8 : 1;
    if (At(corner, back) != (own_ | mbSpecial)) return false;
    for (int f = kingSide ? 6 : 2; f <= (kingSide ? 7 : 4); ++f)
      if (At(f, back) != 0) return false;
    return Accept(Move2::Make(SquareNumber(5, back), SquareNumber(kingSide ? 7 : 3, back)), out);
  }

  MailboxPos &pos_;
  MoveGen &gen_;
  bool white_ = true;
  uint8_t own_ = 0;
  int dir_ = 1;
  int index_ = 0;
};

// The SAN reader with the generator index of the move it accepts.
bool ReadSANIndexed(MailboxPos &pos, MoveGen &gen, std::string_view token, Move2 &move, int &index) {
  Normalised t;
  if (!Normalise(token, t)) return false;
  Reader r(pos, gen);
  if (!r.Read(t, move)) return false;
  index = r.Index();
  return true;
}

}  // namespace

bool ParseSANMove(MailboxPos &pos, MoveGen &gen, std::string_view token, Move2 &move) {
  int index;
  return ReadSANIndexed(pos, gen, token, move, index);
}

bool ParseSANMove(const MailboxPos &pos, std::string_view token, Move2 &move) {
  MailboxPos p = pos;
  MoveGen gen;
  return ParseSANMove(p, gen, token, move);
}

bool ParseSANMoveRec(MailboxPos &pos, MoveGen &gen, std::string_view token, SanMoveRec &rec) {
  Move2 m;
  if (!ParseSANMove(pos, gen, token, m)) return false;
  SanMoveRec r;
  r.move = m;
  pos.SanInfo(gen, m, r);
  // The trial make runs on a copy: the undo record does not depend on the
  // move number, and Black's move at 255 cannot be made.
  MailboxPos trial = pos;
  trial.cells[MailboxPos::kMoveNumber] = 1;
  trial.MakeMove(m, r.undo);
  rec = r;
  return true;
}

bool ParseSANMoveRec(const MailboxPos &pos, std::string_view token, SanMoveRec &rec) {
  MailboxPos p = pos;
  MoveGen gen;
  return ParseSANMoveRec(p, gen, token, rec);
}

// ---------------------------------------------------------------------------
// The bulk PGN scanner

namespace {

constexpr int kEof = -1;
// A longer token fails anyway; its message shows this much of it.
constexpr size_t kMaxTokenText = 255;

const char kError[] = "error";
const char kNotInSubvar[] = "not in subvar";
const char kIllegalMove[] = "illegal move: ";
const char kTooLong[] = "game too long";
const char kTooManyMoves[] = "game longer than 255 moves";
const char kUnterminated[] = "unterminated comment";
const char kOutside[] = "text outside a game";

constexpr bool IsLetter(int c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
constexpr bool IsDigit(int c) { return c >= '0' && c <= '9'; }
constexpr bool IsBlank(int c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
constexpr bool IsNameChar(int c) { return IsLetter(c) || IsDigit(c) || c == '_'; }
constexpr bool EndsToken(int c) {
  return c == kEof || IsBlank(c) || c == '$' || c == '(' || c == ')' || c == ';' || c == '{';
}
constexpr bool KeptInToken(int c) {
  return IsLetter(c) || (c >= '0' && c <= '8') || c == '#' || c == '+' || c == '-' || c == ':' || c == '=';
}

// What a byte is to move text, one lookup per byte: the end of a move
// token (a NUL of the data too), a character a token keeps, an annotation
// sign; a digit; what follows a move number (dots and blanks, NUL read as
// a blank).
enum : uint8_t { kTokenEnd = 1, kTokenKept = 2, kTokenSign = 4, kDigit = 8, kAfterNumber = 16 };
struct ByteClasses {
  uint8_t of[256] = {};
  constexpr ByteClasses() {
    for (int c = 0; c < 256; ++c)
      of[c] = static_cast<uint8_t>((c == 0 || EndsToken(c) ? kTokenEnd : 0) | (KeptInToken(c) ? kTokenKept : 0) |
                                   (c == '!' || c == '?' ? kTokenSign : 0) | (IsDigit(c) ? kDigit : 0) |
                                   (c == 0 || c == '.' || IsBlank(c) ? kAfterNumber : 0));
  }
};
constexpr ByteClasses kByteClasses;

// NAG 1 to 6 of an annotation sign, 0 for any other run of "!" and "?".
int SignNag(const char *s, size_t n) {
  static const char *const kSigns[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (int i = 0; i < 6; ++i)
    if (std::string_view(kSigns[i]) == std::string_view(s, n)) return i + 1;
  return 0;
}

class PgnScanner {
 public:
  PgnScanner(int64_t size, int encoding, bool &cancel, const PGNCallbacks &cb)
      : size_(size), encoding_(encoding), cancel_(cancel), cb_(cb), blockStart_(cb.start) {}

  PGNParseResult Run() {
    builder_.Reset();
    Progress();
    if (cb_.start == 0) SkipByteOrderMark();
    while (!cancel_) {
      int c = SkipBlanks();
      if (c == kEof) {
        // The end of the input ends a game as the next tag section would.
        if (inGame_) EndGame(Offset(), Offset(), false);
        break;
      }
      // Between games nothing of the text before counts any more.
      if (!inGame_ && cb_.boundary && cb_.boundary(Offset())) break;
      if (inGame_)
        InGame(c);
      else
        OutsideGame(c);
    }
    PGNParseResult r = Sofar();
    // A cancel asked for by the last progress call comes after the end.
    r.cancelled = cancel_;
    Progress(true);
    return r;
  }

 private:
  struct Saved {
    MailboxPos pos;
    Move2 last;
    MoveUndo undo;
  };

  PGNParseResult Sofar() const {
    PGNParseResult r;
    r.games = games_;
    r.errors = errors_;
    r.unterminatedComment = unterminated_;
    r.commentsOutside = commentsOutside_;
    return r;
  }

  void Publish(bool last) {
    if (cb_.state) *cb_.state = {Sofar(), Offset(), last};
  }

  // --- input

  int64_t Offset() const { return blockStart_ + (p_ - begin_); }

  bool Fill() {
    if (eof_) return false;
    blockStart_ += end_ - begin_;
    std::string_view v;
    if (cb_.refill) v = cb_.refill(inGame_ ? gameStart_ : -1);
    if (v.empty()) {
      eof_ = true;
      begin_ = p_ = end_ = nullptr;
      return false;
    }
    begin_ = p_ = v.data();
    end_ = begin_ + v.size();
    return true;
  }

  // The current character, a NUL of the data as a blank; kEof at the end.
  int Peek() {
    if (p_ == end_ && !Fill()) return kEof;
    const auto c = static_cast<unsigned char>(*p_);
    return c ? c : ' ';
  }
  void Next() { ++p_; }

  int SkipBlanks() {
    for (;;) {
      if (p_ == end_ && !Fill()) return kEof;
      const auto c = static_cast<unsigned char>(*p_);
      if (c != 0 && !IsBlank(c)) return c;
      ++p_;
    }
  }

  // Up to the end of the line (the line break stays).
  void SkipLine() {
    for (;;) {
      if (p_ == end_ && !Fill()) return;
      while (p_ < end_ && *p_ != '\r' && *p_ != '\n') ++p_;
      if (p_ < end_) return;
    }
  }

  // Past every byte of the class.
  void SkipClass(uint8_t kind) {
    for (;;) {
      if (p_ == end_ && !Fill()) return;
      while (p_ < end_ && (kByteClasses.of[static_cast<unsigned char>(*p_)] & kind)) ++p_;
      if (p_ < end_) return;
    }
  }

  // Past the next stop character; false when the input ends first.
  bool SkipPast(char stop) {
    for (;;) {
      if (p_ == end_ && !Fill()) return false;
      const void *q = std::memchr(p_, stop, static_cast<size_t>(end_ - p_));
      if (q) {
        p_ = static_cast<const char *>(q) + 1;
        return true;
      }
      p_ = end_;
    }
  }

  // A UTF-8 byte order mark before the first game is no text of a game.
  // Read byte by byte: it may straddle blocks.
  void SkipByteOrderMark() {
    for (const int c : {0xEF, 0xBB, 0xBF}) {
      if (Peek() != c) return;
      Next();
    }
  }

  // The rest of a tag pair after its "[": up to a "]" outside the value,
  // or the end of the line for a pair that never closes.
  void SkipRestOfTagPair() {
    bool inString = false, escaped = false;
    for (;;) {
      const int c = Peek();
      if (c == kEof || c == '\r' || c == '\n') return;
      Next();
      if (escaped) {
        escaped = false;
      } else if (inString && c == '\\') {
        escaped = true;
      } else if (c == '"') {
        inString = !inString;
      } else if (c == ']' && !inString) {
        return;
      }
    }
  }

  // Reads on, storing nothing, to the end of a refused game: after a result
  // token outside comments, before a "[" once move text began, or before a
  // "[" that starts a line after an empty line. A "[" before the move text
  // is one of the game's tag pairs, and a "[" inside a comment is nothing.
  void SkipRefusedGame() {
    int lineBreaks = 0;
    bool afterCR = false;
    for (;;) {
      const int c = Peek();
      if (c == kEof) return;
      if (c == '\r' || c == '\n') {
        if (c == '\r' || !afterCR) ++lineBreaks;
        afterCR = c == '\r';
        Next();
        continue;
      }
      afterCR = false;
      if (IsBlank(c)) {
        Next();
        continue;
      }
      const bool afterEmptyLine = lineBreaks >= 2;
      lineBreaks = 0;
      switch (c) {
        case '[':
          if (movesStarted_ || afterEmptyLine) return;
          Next();
          SkipRestOfTagPair();
          continue;
        case '{':
          Next();
          if (!SkipPast('}')) unterminated_ = true;
          continue;
        case ';':
        case '%':
          SkipLine();
          continue;
        default:
          break;
      }
      movesStarted_ = true;
      if (SkipToken()) return;
    }
  }

  // A run of text up to a blank, "{", ";" or "["; true when it was a
  // result token.
  bool SkipToken() {
    char token[8];
    size_t n = 0;
    for (int t = Peek(); t != kEof && !IsBlank(t) && t != '{' && t != ';' && t != '['; t = Peek()) {
      if (n < sizeof token) token[n] = static_cast<char>(t);
      ++n;
      Next();
    }
    const std::string_view v(token, std::min(n, sizeof token));
    return n <= sizeof token && (v == "1-0" || v == "0-1" || v == "1/2-1/2" || v == "*");
  }

  // The text up to the stop character into text (the stop character is
  // taken when takeStop); false when the input ends first.
  bool ReadUntil(char stop1, char stop2, bool takeStop, std::string &text) {
    text.clear();
    for (;;) {
      if (p_ == end_ && !Fill()) return false;
      const char *q = p_;
      while (q < end_ && *q != stop1 && *q != stop2) ++q;
      const size_t from = text.size();
      text.append(p_, q);
      for (size_t i = from; i < text.size(); ++i)
        if (text[i] == '\0') text[i] = ' ';
      p_ = q;
      if (q < end_) {
        if (takeStop) ++p_;
        return true;
      }
    }
  }

  // --- text outside a game

  void OutsideGame(int c) {
    switch (c) {
      case '[':
        BeginGame();
        ReadTagPair();
        return;
      case '%':
        SkipLine();
        return;
      case ';':
        // Comments outside games are not stored: a write-back loses them.
        commentsOutside_ = true;
        SkipLine();
        return;
      case '{':
        commentsOutside_ = true;
        // Begun as a game, so that the text stays for the log if it never ends.
        BeginGame();
        Next();
        if (SkipPast('}'))
          inGame_ = false;
        else
          Unterminated(gameStart_);
        return;
      default:
        // Move text with no tag section: a game refused whole.
        BeginGame();
        movesStarted_ = true;
        const bool result = SkipToken();
        Error(kOutside, gameStart_, Offset() - 1, !result);
        return;
    }
  }

  // A comment cut off by the end of the input took the rest of the input.
  void Unterminated(int64_t at) {
    unterminated_ = true;
    Error(kUnterminated, at, at, false);
  }

  void BeginGame() {
    gameStart_ = Offset();
    tags_.clear();
    builder_.Reset();
    pos_.SetStartPosition();
    inGame_ = true;
    movesStarted_ = false;
    lastValid_ = false;
    saved_.clear();
    mainPlies_ = 0;
    commented_ = false;
  }

  // --- text of a game

  void InGame(int c) {
    const int64_t at = Offset();
    switch (c) {
      case '%':
        SkipLine();
        return;
      case '[':
        if (movesStarted_)
          EndGame(at, at);  // the next game begins here
        else
          ReadTagPair();
        return;
      case '{':
        Next();
        if (!ReadUntil('}', '}', true, text_))
          Unterminated(at);
        else
          Comment(at);
        return;
      case ';':
        Next();
        ReadUntil('\r', '\n', false, text_);
        if (!text_.empty()) Comment(at);
        return;
      case '$':
        ReadNag(at);
        return;
      case '(':
        Next();
        BeginVariation(at);
        return;
      case ')':
        Next();
        EndVariation(at);
        return;
      case '*':
        Next();
        EndGame(at, at);
        return;
      default:
        break;
    }
    if (IsDigit(c)) {
      Digit(c, at);
    } else if (IsLetter(c)) {
      tokenLen_ = 0;
      MoveToken(at);
    } else {
      Error(kError, at, at);
    }
  }

  // Tag pair: blanks, a name, blanks, then a value part from the first
  // quote on; a "]" ends it after the closing quote of the value.
  void ReadTagPair() {
    const int64_t open = Offset();
    Next();
    pair_.clear();
    enum { kBefore, kName, kAfterName, kValue } phase = kBefore;
    size_t nameEnd = 0, valueStart = 0, valueEnd = 0;
    int quotes = 0;
    bool inString = false, escaped = false, afterQuote = false;
    for (;;) {
      const int c = Peek();
      const int64_t at = Offset();
      if (c == kEof) {
        Error(kError, at, at, false);
        return;
      }
      if (phase == kValue && inString && !escaped) {
        // Inside the quotes a run without quote, backslash, "]" or NUL goes
        // whole; blanks alone leave a quote just read the last one.
        const char *q = p_;
        bool blanks = true;
        for (; q < end_; ++q) {
          const char b = *q;
          if (b == '"' || b == '\\' || b == ']' || b == '\0') break;
          blanks = blanks && IsBlank(static_cast<unsigned char>(b));
        }
        if (q > p_) {
          pair_.append(p_, q);
          afterQuote = afterQuote && blanks;
          p_ = q;
          continue;
        }
      }
      if (phase != kValue) {
        if (IsBlank(c)) {
          if (phase == kName) phase = kAfterName;
          if (phase != kBefore) pair_ += static_cast<char>(c);
        } else if (IsNameChar(c) && phase != kAfterName) {
          phase = kName;
          pair_ += static_cast<char>(c);
          nameEnd = pair_.size();
        } else if (c == '"' && phase != kBefore) {
          phase = kValue;
          quotes = 1;
          inString = true;
          afterQuote = true;
          pair_ += '"';
          valueStart = pair_.size();
        } else {
          // The rest of the pair goes with the refused game.
          SkipRestOfTagPair();
          Error(kError, at, at);
          return;
        }
        Next();
        continue;
      }
      Next();
      pair_ += static_cast<char>(c);
      // A "]" right after a quote ends the pair even when the quotes do not
      // pair up ('[Event "a"b"]').
      if (c == ']' && quotes >= 2 && (!inString || afterQuote)) break;
      if (inString && escaped) {
        escaped = false;
        afterQuote = false;
      } else if (inString && c == '\\') {
        escaped = true;
        afterQuote = false;
      } else if (c == '"') {
        if (++quotes == 2) valueEnd = pair_.size() - 1;
        inString = !inString;
        afterQuote = true;
      } else if (!IsBlank(c)) {
        afterQuote = false;
      }
    }
    const std::string_view name(pair_.data(), nameEnd);
    // Only read before the first move: a "[" after it begins the next game.
    if (name == "FEN") {
      if (const std::string refused =
              SetUp(std::string_view(pair_).substr(valueStart, valueEnd - valueStart));
          !refused.empty()) {
        Error(refused, open, Offset() - 1);
        return;
      }
    }
    tags_ += '[';
    tags_ += pair_;
  }

  // The position of a "FEN" tag, as the readers of the stored game will
  // take it: the same soundness checks, numbered from the game's first
  // "FEN" tag. Empty, or why the tag is refused (for the log, as the game
  // reader gives it).
  std::string SetUp(std::string_view fen) {
    MailboxPos p;
    CompactPosition cp;
    try {
      PositionO read;
      if (const SetupFault fault = read.SetFENFault(std::string(fen)); fault != SetupFault::None)
        return FenTagRefusal(fault);
      p.FromPositionO(read);
      p.ToCompact(cp);
    } catch (const ERangeError &) {
      return kError;
    } catch (const EConvertError &) {
      return kError;
    }
    if (!scratch_) scratch_ = std::make_unique<QZGameManagerO>();
    QZGameManagerO &s = *scratch_;
    s.Reset();
    s.SetStartPosition(cp);
    text_ = tags_;
    text_ += '[';
    text_ += pair_;
    MailboxPos start;
    if (!s.SetTagText(text_) || !s.EndGame() || !s.Pack(scratchBuf_) || !s.Attach(scratchBuf_) ||
        !BlockStartPosition(s, start))
      return kError;
    pos_ = start;
    builder_.SetStartPosition(cp);
    return {};
  }

  void Comment(int64_t at) {
    if (!builder_.AppendComment(text_)) {
      Error(kTooLong, at, at);
      return;
    }
    // Blanks alone make no comment for the game's flags.
    commented_ = commented_ || std::any_of(text_.begin(), text_.end(),
                                           [](char c) { return static_cast<unsigned char>(c) > ' '; });
  }

  // "$" and its digits; none give 0.
  void ReadNag(int64_t at) {
    Next();
    int value = 0;
    for (int c = Peek(); IsDigit(c); c = Peek()) {
      if (value <= 255) value = value * 10 + (c - '0');
      Next();
    }
    if (value > 255) {
      Error(kError, at, at);
      return;
    }
    if (!builder_.AppendNAG(value)) Error(kTooLong, at, Offset() - 1);
  }

  void BeginVariation(int64_t at) {
    // An alternative needs a move of its own line to take back.
    if (!lastValid_) {
      Error(kError, at, at);
      return;
    }
    if (!builder_.BeginVariation()) {
      Error(kTooLong, at, at);
      return;
    }
    saved_.push_back(Saved{pos_, last_, undo_});
    pos_.UnmakeMove(last_, undo_);
    lastValid_ = false;
  }

  void EndVariation(int64_t at) {
    if (saved_.empty()) {
      Error(kNotInSubvar, at, at);
      return;
    }
    if (!builder_.EndVariation()) {
      Error(kTooLong, at, at);
      return;
    }
    const Saved &s = saved_.back();
    pos_ = s.pos;
    last_ = s.last;
    undo_ = s.undo;
    // A variation opens only after a move that can be taken back.
    lastValid_ = true;
    saved_.pop_back();
  }

  // A digit: a result token when "-" or "/" follows, else a move number
  // with the dots and blanks after it.
  void Digit(int c, int64_t at) {
    Next();
    const int c2 = Peek();
    if (c2 != '-' && c2 != '/') {
      SkipClass(kDigit);
      SkipClass(kAfterNumber);
      return;
    }
    Next();
    if (c == '1' && c2 == '-') {
      if (Expect("0")) EndGame(at, Offset() - 1);
    } else if (c == '0' && c2 == '-') {
      if (Peek() == '0') {
        // Castling written with zeros.
        token_[0] = '0';
        token_[1] = '-';
        tokenLen_ = 2;
        MoveToken(at);
      } else if (Expect("1")) {
        EndGame(at, Offset() - 1);
      }
    } else if (c == '1' && c2 == '/') {
      if (Expect("2-1/2")) EndGame(at, Offset() - 1);
    } else {
      Error(kError, at, at + 1);
    }
  }

  // The rest of a result token; "error" at the first character that differs.
  bool Expect(const char *s) {
    for (; *s; ++s) {
      if (Peek() != *s) {
        Error(kError, Offset(), Offset());
        return false;
      }
      Next();
    }
    return true;
  }

  // A move token from start; token_ holds what was taken of it already.
  void MoveToken(int64_t start) {
    int64_t last = Offset() - 1;
    char sign[2] = {};
    int signs = 0;  // the run of "!" and "?" at the token's end
    for (;;) {
      if (p_ == end_ && !Fill()) break;
      const char *q = p_;
      for (; q < end_; ++q) {
        const uint8_t kind = kByteClasses.of[static_cast<unsigned char>(*q)];
        if (kind & kTokenEnd) break;
        if (kind & kTokenSign) {
          if (signs < 2) sign[signs] = *q;
          ++signs;
          continue;
        }
        signs = 0;
        if ((kind & kTokenKept) && tokenLen_ < kMaxTokenText) token_[tokenLen_++] = *q;
      }
      if (q > p_) last = blockStart_ + (q - begin_) - 1;
      p_ = q;
      if (q < end_) break;
    }
    const int nag = signs >= 1 && signs <= 2 ? SignNag(sign, static_cast<size_t>(signs)) : 0;
    PlayMove(start, last, nag);
  }

  void PlayMove(int64_t start, int64_t last, int nag) {
    Move2 m;
    bool ok = false, stored = false;
    // Black's move at 255 would need move number 256.
    if (pos_.SideToMove() != 0 && pos_.MoveNumber() >= 255) {
      Error(kTooManyMoves, start, last);
      return;
    }
    {
      if (encoding_ == encSan) {
        SanMoveRec rec;
        ok = ParseSANMoveRec(pos_, gen_, Token(), rec);
        if (ok) {
          m = rec.move;
          stored = builder_.AppendSanMove(rec);
        }
      } else {
        int index = 0;
        ok = ReadSANIndexed(pos_, gen_, Token(), m, index);
        if (encoding_ == encIndexed) {
          ok = ok && index <= QZGameManagerO::kMaxMoveIndex;
          stored = ok && builder_.AppendIndexedMove(index);
        } else {
          stored = ok && builder_.AppendFromToMove(m);
        }
      }
    }
    if (!ok) {
      Error(std::string(kIllegalMove).append(Token()), start, last);
      return;
    }
    if (!stored || (nag != 0 && !builder_.AppendNAG(nag))) {
      Error(kTooLong, start, last);
      return;
    }
    pos_.MakeMove(m, undo_);
    last_ = m;
    lastValid_ = true;
    movesStarted_ = true;
    if (saved_.empty()) ++mainPlies_;
  }

  // The main line's summary; its end is where the first open variation
  // left it.
  GameSummary Summary() {
    GameSummary s;
    s.known = true;
    s.moves = mainPlies_ / 2;
    s.comments = commented_;
    if (mainPlies_ > 0) {
      MailboxPos end = saved_.empty() ? pos_ : saved_.front().pos;
      const uint8_t state = end.CheckState(gen_, end.SideToMove());
      s.mate = state == gsCheckmate;
      s.check = state == gsCheck;
      s.stalemate = state == gsStalemate;
    }
    return s;
  }

  // The game ends at errFrom..errTo: a result token that was read, the
  // "[" of the next game, or the end of the input. Open variations are
  // closed first.
  void EndGame(int64_t errFrom, int64_t errTo, bool resultRead = true) {
    const GameSummary summary = Summary();
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (!builder_.EndVariation()) {
        Error(kTooLong, errFrom, errTo, !resultRead);
        return;
      }
    }
    saved_.clear();
    if (!builder_.SetTagText(tags_) || !builder_.EndGame() || !builder_.Pack(buffer_)) {
      Error(kTooLong, errFrom, errTo, !resultRead);
      return;
    }
    QZGameManagerO::SetEncoding(buffer_, encoding_);
    buffer_.summary = summary;
    ++games_;
    inGame_ = movesStarted_ = false;
    if (cb_.game) {
      Publish(false);
      cb_.game(buffer_, cancel_);
    }
    if (--countdown_ == 0) {
      countdown_ = kPGNProgressEvery;
      Progress();
    }
  }

  // The game is refused: read on to its end (unless it has ended) and
  // reported once.
  void Error(const std::string &message, int64_t from, int64_t to, bool skip = true) {
    if (skip) SkipRefusedGame();
    const int64_t gameEnd = Offset() - 1;
    if (inGame_) {
      ++errors_;
      if (cb_.error) cb_.error(gameStart_, gameEnd, from, to, message);
    }
    inGame_ = movesStarted_ = false;
  }

  void Progress(bool last = false) {
    if (!cb_.progress) return;
    Publish(last);
    cb_.progress(Offset(), size_, cancel_, games_);
  }

  const int64_t size_;
  const int encoding_;
  bool &cancel_;
  const PGNCallbacks &cb_;

  // input: the block [begin_, end_) begins at offset blockStart_
  const char *begin_ = nullptr, *p_ = nullptr, *end_ = nullptr;
  int64_t blockStart_ = 0;
  bool eof_ = false;

  QZGameManagerO builder_;
  GameBuffer buffer_;
  std::unique_ptr<QZGameManagerO> scratch_;
  GameBuffer scratchBuf_;
  MoveGen gen_;
  MailboxPos pos_;
  Move2 last_;
  MoveUndo undo_;
  bool lastValid_ = false;  // a move of the current line may be taken back
  int mainPlies_ = 0;
  bool commented_ = false;
  std::vector<Saved> saved_;
  std::string tags_, pair_, text_;
  // The move token read: its kept characters, as many as a message shows.
  char token_[kMaxTokenText] = {};
  size_t tokenLen_ = 0;
  std::string_view Token() const { return {token_, tokenLen_}; }

  int64_t gameStart_ = 0;
  bool inGame_ = false, movesStarted_ = false;
  bool unterminated_ = false, commentsOutside_ = false;
  int games_ = 0, errors_ = 0, countdown_ = kPGNProgressEvery;
};

}  // namespace

PGNParseResult ParsePGN(int64_t inputSize, int encoding, bool &cancel, const PGNCallbacks &callbacks) {
  CheckRange(encoding, 0, 2, "Move encoding out of range");
  auto scanner = std::make_unique<PgnScanner>(inputSize, encoding, cancel, callbacks);
  return scanner->Run();
}

bool ParseGameText(const std::string &text, int encoding, GameBuffer &out) {
  bool delivered = false, failed = false, cancel = false;
  GameBuffer first;
  PGNCallbacks cb;
  cb.refill = [&](int64_t) {
    if (delivered) return std::string_view();
    delivered = true;
    return std::string_view(text);
  };
  cb.error = [&](int64_t, int64_t, int64_t, int64_t, const std::string &) { failed = true; };
  cb.game = [&](const GameBuffer &game, bool &) {
    if (first.bytes) return;
    SizeGameBuffer(first, game.length);
    std::copy(game.bytes.get(), game.bytes.get() + game.length, first.bytes.get());
    first.summary = game.summary;
  };
  ParsePGN(static_cast<int64_t>(text.size()), encoding, cancel, cb);
  if (failed || !first.bytes) return false;
  out = std::move(first);
  return true;
}

bool ParseGameTextToBlob(const std::string &text, int encoding, GameBuffer &out) {
  return ParseGameText(text, encoding, out);
}
bool ParseGameTextIndexed(const std::string &text, GameBuffer &out) {
  return ParseGameText(text, encIndexed, out);
}
bool ParseGameTextFromTo(const std::string &text, GameBuffer &out) {
  return ParseGameText(text, encFromTo, out);
}
bool ParseGameTextSan(const std::string &text, GameBuffer &out) { return ParseGameText(text, encSan, out); }
