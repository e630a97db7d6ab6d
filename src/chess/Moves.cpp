#include "chess/Moves.h"

#include "chess/Language.h"
#include "platform/Errors.h"

void MoveRec::SetMove(int fFile, int fRank, int tFile, int tRank, int promo) {
  CheckBoardSquare(fFile, fRank);
  CheckBoardSquare(tFile, tRank);
  if (promo != 0)
    CheckRange(promo, static_cast<int>(pKnight), static_cast<int>(pQueen), "Promotion out of range");
  fromFile = static_cast<std::uint8_t>(fFile);
  fromRank = static_cast<std::uint8_t>(fRank);
  toFile = static_cast<std::uint8_t>(tFile);
  toRank = static_cast<std::uint8_t>(tRank);
  promotion = static_cast<std::uint8_t>(promo);
}

void MoveRec::SetNullMove(int file, int rank) { SetMove(file, rank, file, rank, 0); }

std::uint8_t MoveRec::CastlingBefore(int index) const {
  CheckRange(index, 0, 3, "Castling index out of range");
  return castlingBefore[index];
}

std::uint8_t MoveRec::CastlingAfter(int index) const {
  CheckRange(index, 0, 3, "Castling index out of range");
  return castlingAfter[index];
}

void MoveRec::SetPiece(int p) {
  CheckRange(p, 0, 6, "Piece code out of range");
  piece = static_cast<std::uint8_t>(p);
}

void MoveRec::SetCaptured(int p) {
  CheckRange(p, 0, 5, "Captured piece out of range");
  captured = static_cast<std::uint8_t>(p);
}

void MoveRec::SetColour(int c) {
  CheckPlayerColour(c);
  colour = static_cast<std::uint8_t>(c);
}

void MoveRec::SetEpFileBefore(int file) {
  CheckRange(file, 0, 8, "En-passant file out of range");
  epFileBefore = static_cast<std::uint8_t>(file);
}

void MoveRec::SetEpFileAfter(int file) {
  CheckRange(file, 0, 8, "En-passant file out of range");
  epFileAfter = static_cast<std::uint8_t>(file);
}

void MoveRec::SetCastlingBefore(int index, bool flag) {
  CheckRange(index, 0, 3, "Castling index out of range");
  castlingBefore[index] = flag ? 1 : 0;
}

void MoveRec::SetCastlingAfter(int index, bool flag) {
  CheckRange(index, 0, 3, "Castling index out of range");
  castlingAfter[index] = flag ? 1 : 0;
}

void MoveRec::SetMoveNumber(int number) {
  CheckRange(number, 0, 255, "Move number out of range");
  moveNumber = static_cast<std::uint8_t>(number);
}

void MoveRec::SetDisambiguation(int code) {
  CheckRange(code, 0, 5, "Disambiguation code out of range");
  disambiguation = static_cast<std::uint8_t>(code);
}

void MoveRec::SetCheckCode(int code) {
  CheckRange(code, 0, 4, "Check code out of range");
  checkCode = static_cast<std::uint8_t>(code);
}

namespace {

char FileChar(int file) { return static_cast<char>('a' + file - 1); }
char RankChar(int rank) { return static_cast<char>('0' + rank); }

std::string SquareText(int file, int rank) { return {FileChar(file), RankChar(rank)}; }

}  // namespace

void MoveRec::ToText(int kind, LanguageId language, const DisplayOptionsRec *display,
                     std::string &text) const {
  CheckRange(kind, 0, 6, "Move text kind out of range");
  CheckBoardSquare(fromFile, fromRank);
  CheckBoardSquare(toFile, toRank);
  std::string s;
  if (kind == mtCoordinate) {
    s = SquareText(fromFile, fromRank) + SquareText(toFile, toRank);
    if (promotion != 0) s += PieceToText(promotion, colour, language, nullptr);
    text = s;
    return;
  }
  if (IsNullMove()) {
    s = NullMoveText();
  } else if (IsCastling()) {
    s = toFile == 7 ? "O-O" : "O-O-O";
  } else {
    if (piece != pPawn) s = PieceToText(piece, colour, language, display);
    const bool longForm = kind == mtLong || kind == mtLongNumbered;
    if (longForm) {
      s += SquareText(fromFile, fromRank);
      s += IsCapture() ? "x" : "-";
    } else if (piece != pPawn) {
      if (disambiguation == 1 || disambiguation == 2 || disambiguation == 4) s += FileChar(fromFile);
      if (disambiguation == 3 || disambiguation == 4) s += RankChar(fromRank);
      if (IsCapture()) s += "x";
    } else if (IsCapture()) {
      s += FileChar(fromFile);
      s += "x";
    }
    s += SquareText(toFile, toRank);
    if (promotion != 0) s += PieceToText(promotion, colour, language, display);
  }
  if (checkCode == gsCheck || checkCode == 2) s += "+";
  if (checkCode == gsCheckmate) s += "#";
  if (kind == mtShortNumbered || kind == mtLongNumbered) {
    if (colour == cBlack) s = "... " + s;
    s = std::to_string(moveNumber) + ". " + s;
  } else if (kind == mtShortCompact || kind == mtShortCompact2) {
    if (colour == cBlack) s = "-" + s;
    s = std::to_string(moveNumber) + "." + s;
  }
  if (display != nullptr && display->bold) {
    if (display->rtf)
      s = "\\b " + s + "\\b0";
    else if (display->html)
      s = "<b>" + s + "</b>";
  }
  text = s;
}

const MoveRec &MoveListO::At(int index) const {
  CheckRange(index, 1, static_cast<int>(moves_.size()), "Move list index out of range");
  return moves_[index - 1];
}

void MoveListO::Get(int index, MoveRec &move) const { move = At(index); }

MoveRec MoveListO::Get(int index) const { return At(index); }

void MoveListO::Insert(int index, const MoveRec &move) {
  CheckRange(index, 1, static_cast<int>(moves_.size()) + 1, "Move list index out of range");
  if (Full()) ThrowFull();
  moves_.insert(moves_.begin() + (index - 1), move);
}

void MoveListO::ThrowFull() { throw ERangeError("Move list full"); }

void MoveListO::Delete(int index) {
  CheckRange(index, 1, static_cast<int>(moves_.size()), "Move list index out of range");
  moves_.erase(moves_.begin() + (index - 1));
}
