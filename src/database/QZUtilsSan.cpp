#include "database/QZUtils.h"

#include <charconv>

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

  // "255... " and the longest move, "Qa1xb2+", fit easily.
  char s[32];
  int n = 0;
  auto put = [&](char c) { s[n++] = c; };
  auto text = [&](const char *t) {
    while (*t) put(*t++);
  };
  if (forceNumber || rec.side == 0) {
    n = static_cast<int>(std::to_chars(s, s + 4, rec.moveNumber).ptr - s);
    text(rec.side == 0 ? ". " : "... ");
  }
  auto square = [&](int f, int r) {
    put(static_cast<char>('a' + f - 1));
    put(static_cast<char>('0' + r));
  };
  if (code == mbKing && fromFile == 5 && (toFile == 3 || toFile == 7)) {
    text(toFile == 3 ? "O-O-O" : "O-O");
  } else if (code == mbPawn) {
    if (rec.capture) {
      put(static_cast<char>('a' + fromFile - 1));
      put('x');
    }
    square(toFile, toRank);
    if (toRank == 1 || toRank == 8) put("QRBN"[m.Promotion()]);
  } else {
    put(" KQRBN"[code]);
    const int dis = rec.disambiguation;
    if (dis == 1 || dis == 2 || dis == 4) put(static_cast<char>('a' + fromFile - 1));
    if (dis == 3 || dis == 4) put(static_cast<char>('0' + fromRank));
    if (rec.capture) put('x');
    square(toFile, toRank);
  }
  if (rec.gameState == gsCheck) put('+');
  if (rec.gameState == gsCheckmate) put('#');
  return std::string(s, static_cast<size_t>(n));
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
