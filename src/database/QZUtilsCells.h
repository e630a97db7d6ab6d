// Mailbox cells shared by the position code and the SAN writer.
#pragma once

#include <cstdint>

#include "database/QZUtils.h"

namespace qzcells {

inline constexpr uint8_t kColour = mbBlack;

struct Tables {
  bool onBoard[100] = {};
  uint8_t squareOf[100] = {};  // cell -> square number
  uint8_t cellOf[64] = {};     // square number -> cell
  constexpr Tables() {
    for (int f = 1; f <= 8; ++f)
      for (int r = 1; r <= 8; ++r) {
        onBoard[f * 10 + r] = true;
        squareOf[f * 10 + r] = static_cast<uint8_t>(SquareNumber(f, r));
        cellOf[SquareNumber(f, r)] = static_cast<uint8_t>(f * 10 + r);
      }
  }
};
inline constexpr Tables kT;

constexpr int Cell(int file, int rank) { return file * 10 + rank; }
constexpr int FileOf(int cell) { return cell / 10; }
constexpr int RankOf(int cell) { return cell % 10; }

// The cell an en-passant value names, or 0 when the value names no square.
inline int EpCellOf(uint8_t ep) { return ep >= 1 && ep <= 64 ? kT.cellOf[ep - 1] : 0; }

// The code of a man; a code-7 man is the rook (on a back rank) or the pawn
// (elsewhere) it stands for.
constexpr int PlainCode(uint8_t man, int rank) {
  const int code = man & 7;
  return code != mbSpecial ? code : (rank == 1 || rank == 8) ? mbRook : mbPawn;
}

inline int ToCell(Move2 m, bool to) { return kT.cellOf[to ? m.ToSquare() : m.FromSquare()]; }

// The move between two cells, with promotion bits 0..3.
inline Move2 CellMove(int fromCell, int toCell, int promotion = 0) {
  return Move2{kT.squareOf[fromCell], static_cast<uint8_t>(kT.squareOf[toCell] | (promotion << 6))};
}

}  // namespace qzcells
