#include "chess/Intra.h"

#include <cstdlib>

#include "chess/Language.h"

namespace {

bool IsFile(char c) { return c >= 'a' && c <= 'h'; }
bool IsRank(char c) { return c >= '1' && c <= '8'; }
bool IsCastlingLetter(char c) { return c == '0' || c == 'O' || c == 'o'; }
bool IsSkipped(char c) { return c == '#' || c == '+' || c == '-' || c == ':' || c == '=' || c == 'x'; }
bool IsFinal(std::uint8_t s) {
  switch (s) {
    case 4:
    case 6:
    case 8:
    case 11:
    case 13:
    case 14:
    case 15:
    case 17:
    case 18:
    case 20:
    case 21:
    case 23:
    case 24:
    case 26:
    case 27:
    case 29:
    case 30:
      return true;
    default:
      return false;
  }
}

}  // namespace

void InterpreterO::Init() {
  position_ = nullptr;
  generator_.Init(nullptr);
  language_ = 0;
  Reset();
}

void InterpreterO::SetPosition(BasePositionO *position) {
  position_ = position;
  generator_.SetPosition(position);
  Reset();
}

void InterpreterO::MoveMade(const MoveRec &move) {
  generator_.MoveMade(move);
  Reset();
}

void InterpreterO::MoveUnmade(const MoveRec &move) {
  generator_.MoveUnmade(move);
  Reset();
}

void InterpreterO::Reset() {
  states_.assign(1, 1);
  significant_.clear();
  typed_.clear();
  dashSeen_ = 0;
  status_ = isMoreInput;
}

int InterpreterO::PieceOf(char c) const { return PieceFromChar(std::string(1, c), language_, true); }

bool InterpreterO::IsPieceLetter(char c) const {
  int p = PieceOf(c);
  return p >= pKnight && p <= pKing;
}

void InterpreterO::Step(char c) {
  std::uint8_t next[kMaxStates];
  int count = 0;
  auto add = [&next, &count](std::uint8_t s) {
    for (int i = 0; i < count; ++i)
      if (next[i] == s) return;
    if (count < kMaxStates) next[count++] = s;
  };
  const bool piece = IsPieceLetter(c), file = IsFile(c), rank = IsRank(c);
  const bool e = c == 'E' || c == 'e', p = c == 'P' || c == 'p';
  // Each state's transitions in table order; the order of the new set
  // decides which of several found moves wins.
  for (std::uint8_t s : states_) {
    switch (s) {
      case 1:
        if (piece) add(2);
        if (file) add(12);
        if (IsCastlingLetter(c)) add(28);
        break;
      case 2:
        if (file) add(3);
        if (rank) add(9);
        break;
      case 3:
        if (rank) add(4);
        if (file) add(7);
        break;
      case 4:
        if (file) add(5);
        break;
      case 5:
        if (rank) add(6);
        break;
      case 7:
        if (rank) add(8);
        break;
      case 9:
        if (file) add(10);
        break;
      case 10:
        if (rank) add(11);
        break;
      case 12:
        if (file) add(13);
        if (rank) add(21);
        break;
      case 13:
        if (rank) add(14);
        if (piece) add(18);
        if (e) add(19);
        break;
      case 14:
        if (piece) add(15);
        if (e) add(16);
        break;
      case 16:
        if (p) add(17);
        break;
      case 19:
        if (p) add(20);
        break;
      case 21:
        if (file) add(22);
        if (piece) add(27);
        break;
      case 22:
        if (rank) add(23);
        break;
      case 23:
        if (piece) add(24);
        if (e) add(25);
        break;
      case 25:
        if (p) add(26);
        break;
      case 28:
        if (IsCastlingLetter(c)) add(29);
        break;
      case 29:
        if (IsCastlingLetter(c)) add(30);
        break;
      default:
        break;
    }
  }
  states_.assign(next, next + count);
}

std::uint8_t InterpreterO::FeedChar(char c, MoveRec &move) {
  if (c == kEscapeChar) {
    Reset();
    return status_;
  }
  if (c == kBackspaceChar) {
    if (typed_.empty()) {
      Reset();
      return status_;
    }
    std::string keep = typed_;
    keep.pop_back();
    Reset();
    MoveRec scratch;
    for (char k : keep) FeedChar(k, scratch);
    if (status_ != isRejected) status_ = isMoreInput;
    return status_;
  }
  typed_ += c;
  if (IsSkipped(c)) {
    if (c == '-') {
      dashSeen_ = 1;
      // Rejected input stays rejected.
      if (!states_.empty()) status_ = isMoreInput;
    }
    if (status_ == isRecognised) move = result_;
    return status_;
  }
  if (static_cast<int>(significant_.size()) < kMaxSignificant) significant_ += c;
  Step(c);
  if (!ResolveFinal(move)) status_ = states_.empty() ? isRejected : isMoreInput;
  return status_;
}

bool InterpreterO::ResolveFinal(MoveRec &move) {
  found_.clear();
  for (std::uint8_t s : states_)
    if (IsFinal(s) && static_cast<int>(found_.size()) < kMaxFound) Resolve(s, found_);
  if (found_.empty()) return false;
  status_ = isRecognised;
  result_ = found_.back();
  move = result_;
  return true;
}

bool InterpreterO::InterpretText(const std::string &text, MoveRec &move) {
  // Only the status after the last character counts, so the recogniser
  // runs alone and the candidates are resolved once, for the states of the
  // last significant character. Any other outcome is fed again character
  // by character, which leaves move and this object exactly as FeedChar
  // would.
  Reset();
  bool fast = true;
  bool pending = false;
  for (char c : text) {
    if (c == kEscapeChar || c == kBackspaceChar) {
      fast = false;
      break;
    }
    typed_ += c;
    if (IsSkipped(c)) {
      if (c == '-') dashSeen_ = 1;
      continue;
    }
    if (static_cast<int>(significant_.size()) < kMaxSignificant) significant_ += c;
    Step(c);
    if (states_.empty()) {
      fast = false;
      break;
    }
    pending = true;
  }
  if (fast && pending) {
    // A dash after the last significant character reopens the input;
    // without one, the dash flag is as it was at that character.
    bool dashAfter = false;
    for (size_t i = text.size(); i-- > 0 && IsSkipped(text[i]);)
      if (text[i] == '-') dashAfter = true;
    if (!dashAfter && ResolveFinal(move)) return true;
  }
  Reset();
  for (char c : text) {
    if (FeedChar(c, move) == isRejected) return false;
  }
  return status_ == isRecognised;
}

void InterpreterO::MovesTo(int file, int rank, int piece, MoveListO &list) {
  // Full mode, filtered here: the one-piece mode of the rules generates
  // only queen promotions, and underpromotions must be found too.
  list.Clear();
  if (piece == pPawn) {
    generator_.PawnMovesToSquare(file, rank, list);
    return;
  }
  MoveListO &all = allScratch_;
  all.Clear();
  generator_.MovesToSquare(file, rank, all);
  for (int i = 1; i <= all.Count(); ++i)
    if (!piece || all.At(i).piece == piece) list.Add(all.At(i));
}

bool InterpreterO::FindMove(int fromFile, int fromRank, int toFile, int toRank, int promotion,
                            MoveRec &move) {
  MoveListO &list = findList_;
  MovesTo(toFile, toRank, 0, list);
  for (int i = 1; i <= list.Count(); ++i) {
    const MoveRec &m = list.At(i);
    if (m.fromFile == fromFile && m.fromRank == fromRank && m.promotion == promotion) {
      move = m;
      return true;
    }
  }
  return false;
}

bool InterpreterO::PawnCaptureByFiles(int fromFile, int toFile, int promotion, MoveRec &move) {
  if (std::abs(fromFile - toFile) != 1) return false;
  // Unique among the pawns of the file that can take on the other file,
  // promotions included, so "ed" stays open while another e-pawn could
  // take on d8.
  int fromSquare = -1;
  bool haveMove = false;
  MoveListO &list = pawnList_;
  for (int rank = 1; rank <= 8; ++rank) {
    MovesTo(toFile, rank, pPawn, list);
    for (int i = 1; i <= list.Count(); ++i) {
      const MoveRec &m = list.At(i);
      if (m.fromFile != fromFile) continue;
      int sq = SquareIndex(m.fromFile, m.fromRank);
      if (fromSquare >= 0 && fromSquare != sq) return false;
      fromSquare = sq;
      if (m.promotion == promotion) {
        move = m;
        haveMove = true;
      }
    }
  }
  return haveMove;
}

void InterpreterO::Resolve(std::uint8_t state, std::vector<MoveRec> &found) {
  if (!position_) return;
  const std::string &t = significant_;
  auto f = [&t](size_t i) { return t[i] - 'a' + 1; };
  auto r = [&t](size_t i) { return t[i] - '0'; };
  auto promo = [this, &t](size_t i) {
    int p = PieceOf(t[i]);
    return p >= pKnight && p <= pQueen ? p : -1;
  };
  MoveRec m;
  MoveListO &list = resolveList_;
  list.Clear();
  // The first move of the list the test accepts, into m.
  auto pickFirst = [&list, &m](auto accepts) {
    for (int i = 1; i <= list.Count(); ++i)
      if (accepts(list.At(i))) {
        m = list.At(i);
        return true;
      }
    return false;
  };
  bool ok = false;
  switch (state) {
    case 4:
    case 8:
    case 11: {
      // Piece to a square, optionally from a file or a rank; unique. The
      // one-kind generator gives no castling, so "Kg1" is never O-O.
      int piece = PieceOf(t[0]);
      size_t to = state == 4 ? 1 : 2;
      generator_.PieceMovesToSquare(f(to), r(to + 1), list, piece);
      int count = 0;
      for (int i = 1; i <= list.Count(); ++i) {
        const MoveRec &c = list.At(i);
        if (state == 8 && c.fromFile != f(1)) continue;
        if (state == 11 && c.fromRank != r(1)) continue;
        if (++count == 1) m = c;
      }
      ok = count == 1;
      break;
    }
    case 6:
      ok = FindMove(f(1), r(2), f(3), r(4), 0, m) && m.piece == PieceOf(t[0]);
      break;
    case 13:
    case 20:
      ok = PawnCaptureByFiles(f(0), f(1), 0, m);
      break;
    case 18:
      ok = promo(2) > 0 && PawnCaptureByFiles(f(0), f(1), promo(2), m);
      break;
    case 14:
    case 15:
    case 17: {
      // Pawn capture from a file onto a square (the from rank follows).
      int p = state == 15 ? promo(3) : 0;
      if (p < 0) break;
      MovesTo(f(1), r(2), pPawn, list);
      ok = pickFirst(
          [&](const MoveRec &c) { return c.fromFile == f(0) && c.fromFile != c.toFile && c.promotion == p; });
      break;
    }
    case 21:
    case 27: {
      int p = state == 21 ? 0 : promo(2);
      if (p < 0) break;
      MovesTo(f(0), r(1), pPawn, list);
      ok = pickFirst([p](const MoveRec &c) { return c.fromFile == c.toFile && c.promotion == p; });
      break;
    }
    case 23:
    case 26:
      ok = FindMove(f(0), r(1), f(2), r(3), 0, m);
      break;
    case 24:
      ok = promo(4) > 0 && FindMove(f(0), r(1), f(2), r(3), promo(4), m);
      break;
    case 29:
    case 30: {
      if (!dashSeen_) break;
      int back = BackRank(position_->SideToMove());
      ok = FindMove(5, back, state == 29 ? 7 : 3, back, 0, m) && m.piece == pKing;
      break;
    }
    default:
      break;
  }
  if (!ok) return;
  MoveRec done;
  done.SetMove(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
  generator_.CompleteMove(done);
  found.push_back(done);
}

std::uint8_t InterpreterO::Disambiguation(int fromFile, int fromRank, const MoveListO &candidates) const {
  if (candidates.Count() <= 1) return 0;
  int nf = 0, nr = 0;
  for (int i = 1; i <= candidates.Count(); ++i) {
    const MoveRec &c = candidates.At(i);
    if (c.fromFile == fromFile) ++nf;
    if (c.fromRank == fromRank) ++nr;
  }
  if (nf == 1 && nr == 1) return 1;
  if (nf > 1 && nr > 1) return 4;
  if (nf > 1) return 3;
  return 2;
}

bool InterpreterO::PawnCaptureUnique(int fromFile, int toFile) {
  if (!position_ || std::abs(fromFile - toFile) != 1 || fromFile < 1 || fromFile > 8 || toFile < 1 ||
      toFile > 8)
    return false;
  const int side = position_->SideToMove();
  const int dir = side == cWhite ? 1 : -1;
  int count = 0;
  for (int rank = 2; rank <= 7; ++rank) {
    if (!position_->IsPieceAt(fromFile, rank, pPawn, side)) continue;
    if (generator_.IsLegal(fromFile, rank, toFile, rank + dir)) ++count;
  }
  return count == 1;
}

void InterpreterO::FillSanFields(MoveRec &move) {
  if (!position_) return;
  std::uint8_t code = 0;
  if (move.IsNullMove()) {
    code = 0;
  } else if (move.piece != pPawn) {
    MoveListO &list = findList_;
    list.Clear();
    generator_.PieceMovesToSquare(move.toFile, move.toRank, list, move.piece);
    code = Disambiguation(move.fromFile, move.fromRank, list);
  } else if (move.fromFile != move.toFile) {
    code = PawnCaptureUnique(move.fromFile, move.toFile) ? 0 : 5;
  }
  // Played on the record with only the rules' hooks: the position object
  // would reset this interpreter and move its picker.
  position_->MakeMove(move);
  generator_.MoveMade(move);
  std::uint8_t state = generator_.GameState();
  position_->UnmakeMove(move);
  generator_.MoveUnmade(move);
  move.disambiguation = code;
  move.checkCode = state;
}
