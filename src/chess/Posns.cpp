#include "chess/Posns.h"

#include "chess/IOMan.h"
#include "platform/Errors.h"

namespace {

constexpr char kFenLetters[] = "?pnbrqk";

int FenPiece(char c) {
  switch (c) {
    case 'p':
    case 'P':
      return pPawn;
    case 'n':
    case 'N':
      return pKnight;
    case 'b':
    case 'B':
      return pBishop;
    case 'r':
    case 'R':
      return pRook;
    case 'q':
    case 'Q':
      return pQueen;
    case 'k':
    case 'K':
      return pKing;
    default:
      return pNone;
  }
}

// Consumes the spaces that follow; true when there was at least one.
bool Spaces(InputO &in) {
  bool any = false;
  while (!in.Eof() && in.PeekChar(1) == ' ') {
    in.ReadChar();
    any = true;
  }
  return any;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// Pasted and tagged texts come with stray blanks and line ends around them.
std::string Trim(const std::string &text) {
  size_t a = 0, b = text.size();
  while (a < b && IsBlank(text[a])) ++a;
  while (b > a && IsBlank(text[b - 1])) --b;
  return text.substr(a, b - a);
}

}  // namespace

void PositionO::Init() {
  pos_.Init();
  rules_.Init(&pos_);
  interpreter_.Init();
  interpreter_.SetPosition(&pos_);
  observer_.reset();
  picker_.reset();
  savedCopy_.reset();
  SetLanguage(0);
  epdOpcodes_.clear();
  epdOperands_.clear();
}

void PositionO::Done() {
  if (savedCopy_) RestoreCopy(false);
  picker_.reset();
  observer_.reset();
  epdOpcodes_.clear();
  epdOperands_.clear();
}

void PositionO::Rebind() {
  rules_.SetPosition(&pos_);
  interpreter_.SetPosition(&pos_);
  if (picker_) picker_->SetPosition(&pos_);
}

void PositionO::Assign(const PositionO &source) {
  if (&source == this) return;
  pos_.Copy(source.pos_);
  Rebind();
  epdOpcodes_ = source.epdOpcodes_;
  epdOperands_ = source.epdOperands_;
}

void PositionO::Reset() {
  pos_.SetStartPosition();
  Rebind();
}

void PositionO::MakeMove(const MoveRec &move) {
  pos_.MakeMove(move);
  rules_.MoveMade(move);
  interpreter_.MoveMade(move);
  if (picker_) picker_->MoveMade(move);
  if (observer_) observer_->MoveMade(move);
}

void PositionO::UnmakeMove(const MoveRec &move) {
  pos_.UnmakeMove(move);
  rules_.MoveUnmade(move);
  interpreter_.MoveUnmade(move);
  if (picker_) picker_->MoveUnmade(move);
  if (observer_) observer_->MoveUnmade(move);
}

void PositionO::SaveCopy() { savedCopy_ = std::make_unique<BasePositionO>(pos_); }

void PositionO::RestoreCopy(bool onlyIfInvalid) {
  if (savedCopy_ && !(onlyIfInvalid && IsValid())) pos_.Copy(*savedCopy_);
  savedCopy_.reset();
  Rebind();
}

void PositionO::CompleteMove(MoveRec &move) {
  rules_.CompleteMove(move);
  interpreter_.FillSanFields(move);
}

void PositionO::BuildMove(int fromFile, int fromRank, int toFile, int toRank, int promotion, MoveRec &move) {
  move.SetMove(fromFile, fromRank, toFile, toRank, promotion);
  CompleteMove(move);
}

void PositionO::FillMove(MoveRec &move) {
  pos_.NullMove(move);
  CompleteMove(move);
}

SetupFault PositionO::Fault() {
  if (const SetupFault f = pos_.SetupFaultOf(); f != SetupFault::None) return f;
  return rules_.IsInCheck(OppositeSide(pos_.SideToMove())) ? SetupFault::Check : SetupFault::None;
}

void PositionO::EnablePicker() {
  if (!picker_) picker_ = std::make_unique<MovePickerO>();
  picker_->SetPosition(&pos_);
}

void PositionO::DisablePicker() { picker_.reset(); }

void PositionO::MovesForSquare(int file, int rank, MoveListO &list) {
  if (picker_) {
    picker_->PickMoves(file, rank, list);
  } else if (pos_.PieceAt(file, rank) != pNone && pos_.ColourAt(file, rank) == pos_.SideToMove()) {
    rules_.MovesFromSquare(file, rank, list);
  } else {
    rules_.MovesToSquare(file, rank, list);
  }
}

std::vector<MoveRec> PositionO::MovesOfSideToMove() {
  std::vector<MoveRec> moves;
  MoveListO list;
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      if (pos_.PieceAt(f, r) == pNone || pos_.ColourAt(f, r) != pos_.SideToMove()) continue;
      list.Clear();
      MovesForSquare(f, r, list);
      for (int i = 1; i <= list.Count(); ++i) moves.push_back(list.At(i));
    }
  return moves;
}

void PositionO::SetObserver(std::unique_ptr<PositionObserverO> observer) {
  observer_ = std::move(observer);
  if (observer_) observer_->SetPosition(this);
}

void PositionO::SetLanguage(LanguageId language) {
  language_ = language;
  pos_.SetLanguage(language);
  interpreter_.SetLanguage(language);
}

void PositionO::SetMoveNumber(int number) {
  CheckRange(number, 1, 255, "Move number out of range");
  pos_.SetMoveNumber(number);
  Edited();
}

// ---------------------------------------------------------------- FEN, EPD

std::string PositionO::PositionFields() const {
  std::string s;
  for (int rank = 8; rank >= 1; --rank) {
    int empty = 0;
    for (int file = 1; file <= 8; ++file) {
      const SquareRec &sq = pos_.At(SquareIndex(file, rank));
      if (sq.piece == pNone) {
        ++empty;
        continue;
      }
      if (empty) s += static_cast<char>('0' + empty);
      empty = 0;
      char c = sq.piece <= pKing ? kFenLetters[sq.piece] : '?';
      if (sq.colour == cWhite && c != '?') c = static_cast<char>(c - 'a' + 'A');
      s += c;
    }
    if (empty) s += static_cast<char>('0' + empty);
    if (rank > 1) s += '/';
  }
  s += pos_.SideToMove() == cWhite ? " w " : " b ";
  std::string rights;
  if (pos_.Castling(cWhite, csKingSide)) rights += 'K';
  if (pos_.Castling(cWhite, csQueenSide)) rights += 'Q';
  if (pos_.Castling(cBlack, csKingSide)) rights += 'k';
  if (pos_.Castling(cBlack, csQueenSide)) rights += 'q';
  s += rights.empty() ? "-" : rights;
  s += ' ';
  if (pos_.EnPassantFile() == 0) {
    s += '-';
  } else {
    s += static_cast<char>('a' + pos_.EnPassantFile() - 1);
    s += pos_.SideToMove() == cWhite ? '6' : '3';
  }
  return s;
}

std::string PositionO::GetFEN() const { return PositionFields() + " 0 " + std::to_string(pos_.MoveNumber()); }

std::string PositionO::GetEPD() const {
  std::string s = PositionFields();
  for (size_t i = 0; i < epdOpcodes_.size(); ++i) {
    s += ' ';
    s += epdOpcodes_[i];
    for (const std::string &operand : epdOperands_[i]) {
      s += ' ';
      s += operand;
    }
    s += ';';
  }
  return s;
}

// Reads into this (fresh) position. Every field is checked before it is
// used, so bad text gives false and never a range error.
bool PositionO::ReadText(InputO &in, bool epd) {
  // 1. Placement, from a8 rank by rank.
  pos_.ClearBoard();
  int rank = 8, file = 1;
  while (!(rank == 1 && file > 8)) {
    if (in.Eof()) return false;
    char c = in.ReadChar();
    if (c == ' ') {
      in.UnreadChar(c);  // the remaining ranks stay empty
      break;
    }
    if (c == '/') {
      if (rank == 1) return false;
      --rank;
      file = 1;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 9) return false;
    } else {
      int piece = FenPiece(c);
      if (piece == pNone || file > 8) return false;
      pos_.SetSquare(file, rank, piece, c >= 'a' ? cBlack : cWhite);
      ++file;
    }
  }
  // 2. Side to move.
  if (!Spaces(in) || in.Eof()) return false;
  char side = in.ReadChar();
  if (side != 'w' && side != 'b') return false;
  pos_.SetSideToMove(side == 'w' ? cWhite : cBlack);
  if (!Spaces(in)) return false;
  // 3. Castling rights, taken in the order K, Q, k, q.
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 2; ++s) pos_.SetCastling(c, s, false);
  if (in.PeekChar(1) == '-') {
    in.ReadChar();
  } else {
    const struct {
      char letter;
      int colour, side;
    } order[] = {{'K', cWhite, csKingSide},
                 {'Q', cWhite, csQueenSide},
                 {'k', cBlack, csKingSide},
                 {'q', cBlack, csQueenSide}};
    for (const auto &o : order) {
      if (in.PeekChar(1) == o.letter) {
        in.ReadChar();
        pos_.SetCastling(o.colour, o.side, true);
      }
    }
  }
  if (!Spaces(in) || in.Eof()) return false;
  // 4. En passant: the target square or the pawn's square, either case.
  char ep = in.ReadChar();
  if (ep == '-') {
    pos_.SetEnPassantFile(0);
  } else {
    char lower = ep >= 'A' && ep <= 'H' ? static_cast<char>(ep - 'A' + 'a') : ep;
    if (lower < 'a' || lower > 'h') return false;
    char digit = in.ReadChar();
    if (digit < '1' || digit > '8') return false;
    pos_.SetEnPassantFile(lower - 'a' + 1);
  }
  if (!in.Eof() && !Spaces(in)) return false;
  if (epd) return ReadEpdOps(in);
  // 5. Counters, both optional; the half-move clock is dropped.
  pos_.SetMoveNumber(1);
  if (in.Eof()) return true;
  int32_t number = 0;
  if (in.PeekChar(1) == '-') {
    in.ReadChar();
    if (!in.Eof() && !Spaces(in)) return false;
  } else if (!in.ReadNumber(number)) {
    return false;
  }
  if (in.Eof()) return true;
  if (!in.ReadNumber(number) || !in.Eof()) return false;
  if (number > 255) return false;
  pos_.SetMoveNumber(number == 0 ? 1 : static_cast<std::uint8_t>(number));
  return true;
}

bool PositionO::ReadEpdOps(InputO &in) {
  auto item = [&in]() {
    std::string s;
    while (!in.Eof()) {
      char c = in.PeekChar(1);
      if (c == ' ' || c == ';') break;
      s += in.ReadChar();
    }
    return s;
  };
  while (true) {
    Spaces(in);
    if (in.Eof()) return true;
    std::string name = item();
    if (name.empty() || EpdOpCount() >= kMaxEpdItems) return false;
    int op = AddEpdOp(name);
    while (true) {
      Spaces(in);
      if (in.Eof()) return false;  // every operation ends with ";"
      if (in.PeekChar(1) == ';') {
        in.ReadChar();
        break;
      }
      if (EpdOperandCount(op) >= kMaxEpdItems) return false;
      AddEpdOperand(op, item());
    }
  }
}

SetupFault PositionO::SetFromText(const std::string &text, bool epd) {
  PositionO fresh;
  fresh.SetLanguage(language_);
  InputO in;
  in.InitString(Trim(text));
  if (!fresh.ReadText(in, epd)) return SetupFault::Unreadable;
  if (const SetupFault f = fresh.Fault(); f != SetupFault::None) return f;
  Assign(fresh);
  return SetupFault::None;
}

bool PositionO::SetFEN(const std::string &text) { return SetFromText(text, false) == SetupFault::None; }

SetupFault PositionO::SetFENFault(const std::string &text) { return SetFromText(text, false); }

bool PositionO::SetEPD(const std::string &text) { return SetFromText(text, true) == SetupFault::None; }

const std::string &PositionO::EpdOpName(int i) const {
  CheckRange(i, 1, EpdOpCount(), "EPD operation index out of range");
  return epdOpcodes_[i - 1];
}

int PositionO::AddEpdOp(const std::string &name) {
  if (EpdOpCount() >= kMaxEpdItems) throw ERangeError("Too many EPD operations");
  epdOpcodes_.push_back(name);
  epdOperands_.emplace_back();
  return EpdOpCount();
}

int PositionO::EpdOperandCount(int i) const {
  CheckRange(i, 1, EpdOpCount(), "EPD operation index out of range");
  return static_cast<int>(epdOperands_[i - 1].size());
}

const std::string &PositionO::EpdOperand(int i, int j) const {
  CheckRange(j, 1, EpdOperandCount(i), "EPD operand index out of range");
  return epdOperands_[i - 1][j - 1];
}

void PositionO::AddEpdOperand(int i, const std::string &text) {
  if (EpdOperandCount(i) >= kMaxEpdItems) throw ERangeError("Too many EPD operands");
  epdOperands_[i - 1].push_back(text);
}
