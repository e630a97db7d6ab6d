#include "database/QZUtils.h"

#include "database/QZUtilsCells.h"

using namespace qzcells;

// ---------------------------------------------------------------------------
// SAN

std::string Move11ToSAN(const SanMoveRec &rec, bool forceNumber) {
  const Move2 m = rec.move;
  const int fromFile = SquareFile(m.FromSquare()), fromRank = SquareRank(m.FromSquare());
  const int toFile = SquareFile(m.ToSquare()), toRank = SquareRank(m.ToSquare());
  const int code = PlainCode(rec.undo.moved, fromRank);
  if (code == 0) return std::string();

  std::string s;
  if (forceNumber || rec.side == 0) {
    s = std::to_string(rec.moveNumber);
    s += rec.side == 0 ? ". " : "... ";
  }
  auto square = [&](int f, int r) {
    s += static_cast<char>('a' + f - 1);
    s += static_cast<char>('0' + r);
  };
  if (code == mbKing && fromFile == 5 && (toFile == 3 || toFile == 7)) {
    s += toFile == 3 ? "O-O-O" : "O-O";
  } else if (code == mbPawn) {
    if (rec.capture) {
      s += static_cast<char>('a' + fromFile - 1);
      s += 'x';
    }
    square(toFile, toRank);
    if (toRank == 1 || toRank == 8) s += "QRBN"[m.Promotion()];
  } else {
    s += " KQRBN"[code];
    const int dis = rec.disambiguation;
    if (dis == 1 || dis == 2 || dis == 4) s += static_cast<char>('a' + fromFile - 1);
    if (dis == 3 || dis == 4) s += static_cast<char>('0' + fromRank);
    if (rec.capture) s += 'x';
    square(toFile, toRank);
  }
  if (rec.gameState == gsCheck) s += '+';
  if (rec.gameState == gsCheckmate) s += '#';
  return s;
}

std::string MoveToSAN(const MailboxPos &pos, MoveGen &gen, Move2 m, bool forceNumber) {
  MailboxPos p = pos;
  const uint8_t man = p.cells[ToCell(m, false)];
  if (man == 0 || ((man & kColour) != 0) != (p.SideToMove() == 1)) return std::string();
  SanMoveRec rec;
  rec.move = m;
  rec.undo.moved = man;
  rec.undo.captured = p.cells[ToCell(m, true)];
  p.SanInfo(gen, m, rec, false);
  return Move11ToSAN(rec, forceNumber);
}

std::string MoveToSAN(const MailboxPos &pos, Move2 m, bool forceNumber) {
  MoveGen gen;
  return MoveToSAN(pos, gen, m, forceNumber);
}
