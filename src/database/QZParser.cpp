#include "database/QZParser.h"

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
  bool Accept(Move2 m, Move2 &out) {
    int index = 0;
    if (!pos_.MoveIndex(gen_, m, index) || !pos_.IsLegalMove(m)) return false;
    out = m;
    return true;
  }

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
    return Accept(gen_.Entry(1), out);
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
};

}  // namespace

bool ParseSANMove(MailboxPos &pos, MoveGen &gen, std::string_view token, Move2 &move) {
  Normalised t;
  if (!Normalise(token, t)) return false;
  return Reader(pos, gen).Read(t, move);
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
