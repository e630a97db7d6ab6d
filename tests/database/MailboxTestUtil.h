#pragma once
// Helpers for the mailbox tests: a FEN reader of its own (independent of the
// chess core, so the generator can be checked against hand-made lists),
// coordinate texts and perft.
#include <cstdint>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "database/QZUtils.h"

namespace mbtest {

// Start positions for random walks: the initial position, castling and
// pins, many men of one kind, en passant toward both files and promotions.
inline const char *const kWalkStarts[] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "1k6/8/2Q1Q3/8/2Q1Q1N1/8/1N3N2/4K1R1 w - - 0 1", "4k3/1P3ppp/8/3pP3/8/8/5PPP/4K3 w - d6 0 1"};

// Any bytes a damaged block could leave: every man code of both colours
// on a quarter to all of the squares, junk in the border, either side to
// move, move number 1.
template <class Rng>
MailboxPos AnyBoard(Rng &rng) {
  MailboxPos p;
  const int density = 1 + static_cast<int>(rng() % 4);
  for (int c = 0; c < 100; ++c) {
    const bool board = c / 10 >= 1 && c / 10 <= 8 && c % 10 >= 1 && c % 10 <= 8;
    if (!board || static_cast<int>(rng() % 4) < density) p.cells[c] = static_cast<uint8_t>(rng() % 16);
  }
  p.cells[MailboxPos::kSide] = static_cast<uint8_t>(rng() % 2);
  p.cells[MailboxPos::kMoveNumber] = 1;
  return p;
}

// Hands count boards of AnyBoard, drawn from the seed, to check(board, i)
// until it answers false.
template <class Check>
void OnAnyBoards(uint32_t seed, int count, Check &&check) {
  std::mt19937 rng(seed);
  for (int i = 0; i < count; ++i) {
    MailboxPos p = AnyBoard(rng);
    if (!check(p, i, rng)) return;
  }
}

// Seed and size of a randomised test, which the command line may change
// (--NAME-seed=N, --NAME-count=N).
struct RunArgs {
  uint32_t seed = 0;
  int count = 0;
};

inline RunArgs ArgsFrom(const std::vector<std::string> &argv, const std::string &name, uint32_t seed, int count) {
  RunArgs a{seed, count};
  const std::string seedFlag = "--" + name + "-seed=", countFlag = "--" + name + "-count=";
  for (const std::string &s : argv) {
    if (s.rfind(seedFlag, 0) == 0) a.seed = static_cast<uint32_t>(std::stoul(s.substr(seedFlag.size())));
    if (s.rfind(countFlag, 0) == 0) a.count = std::stoi(s.substr(countFlag.size()));
  }
  return a;
}

// Reads placement, side, castling, en-passant target and move number.
// Returns false on malformed text.
inline bool FromFen(const std::string &fen, MailboxPos &p) {
  std::istringstream in(fen);
  std::string place, side = "w", castling = "-", ep = "-";
  int half = 0, number = 1;
  in >> place >> side >> castling >> ep >> half >> number;
  p = MailboxPos();
  p.cells[MailboxPos::kMoveNumber] = static_cast<uint8_t>(number);
  int f = 1, r = 8;
  for (char c : place) {
    if (c == '/') {
      --r;
      f = 1;
      continue;
    }
    if (c >= '1' && c <= '8') {
      f += c - '0';
      continue;
    }
    static const std::string kLetters = "kqrbnp";
    const auto code = kLetters.find(static_cast<char>(c | 0x20));
    if (code == std::string::npos || f > 8 || r < 1) return false;
    p.Set(f++, r, static_cast<uint8_t>((code + 1) | (c >= 'a' ? mbBlack : 0)));
  }
  if (side != "w" && side != "b") return false;
  p.cells[MailboxPos::kSide] = side == "b" ? 1 : 0;
  auto corner = [&](char letter, int file, int rank, uint8_t colour) {
    if (castling.find(letter) != std::string::npos && p.At(file, rank) == (colour | mbRook))
      p.Set(file, rank, colour | mbSpecial);
  };
  corner('K', 8, 1, 0);
  corner('Q', 1, 1, 0);
  corner('k', 8, 8, mbBlack);
  corner('q', 1, 8, mbBlack);
  if (ep.size() == 2 && ep[0] >= 'a' && ep[0] <= 'h') {
    const int ef = ep[0] - 'a' + 1;
    const bool black = p.SideToMove() == 1;
    const int pawnRank = black ? 4 : 5;  // the pawn that made the double step
    const uint8_t moverPawn = black ? (mbBlack | mbPawn) : mbPawn;
    const uint8_t victim = black ? mbPawn : (mbBlack | mbPawn);
    const bool beside =
        (ef > 1 && p.At(ef - 1, pawnRank) == moverPawn) || (ef < 8 && p.At(ef + 1, pawnRank) == moverPawn);
    if (p.At(ef, pawnRank) == victim && beside) {
      p.Set(ef, pawnRank, static_cast<uint8_t>((victim & mbBlack) | mbSpecial));
      p.cells[MailboxPos::kEpCell] = static_cast<uint8_t>(SquareNumber(ef, pawnRank) + 1);
    }
  }
  return true;
}

inline MailboxPos Fen(const std::string &fen) {
  MailboxPos p;
  if (!FromFen(fen, p)) throw std::runtime_error("bad test FEN: " + fen);
  return p;
}

inline std::string SquareText(int sq) {
  return std::string{static_cast<char>('a' + SquareFile(sq) - 1), static_cast<char>('0' + SquareRank(sq))};
}

// "e2e4", "b7a8q" (promotion letters q, r, b, n; only where the generator
// gives a promotion).
inline std::string MoveText(Move2 m, bool promotion) {
  std::string s = SquareText(m.FromSquare()) + SquareText(m.ToSquare());
  if (promotion) s += "qrbn"[m.Promotion()];
  return s;
}

inline bool IsPromotion(const MailboxPos &p, Move2 m) {
  const uint8_t man = p.cells[MailboxPos::Cell(SquareFile(m.FromSquare()), SquareRank(m.FromSquare()))];
  const int toRank = SquareRank(m.ToSquare());
  return (man & 7) == mbPawn && (toRank == 1 || toRank == 8);
}

inline Move2 ParseMove(const std::string &s) {
  const int from = SquareNumber(s[0] - 'a' + 1, s[1] - '0');
  const int to = SquareNumber(s[2] - 'a' + 1, s[3] - '0');
  int promo = 0;
  if (s.size() > 4) promo = static_cast<int>(std::string("qrbn").find(s[4]));
  return Move2::Make(from, to, promo);
}

// The generated list (all moves) as one text.
inline std::string ListText(MailboxPos &p, MoveGen &gen, uint8_t kind = genAllMoves) {
  GenRequest req;
  req.kind = kind;
  const int n = gen.Generate(p, req);
  std::string s;
  for (int i = 1; i <= n; ++i) {
    if (i > 1) s += ' ';
    s += MoveText(gen.Entry(i), IsPromotion(p, gen.Entry(i)));
  }
  return s;
}

// The legal moves, in generation order.
inline std::vector<Move2> LegalMoves(MailboxPos &p, MoveGen &gen) {
  const int n = gen.Generate(p, GenRequest{});
  std::vector<Move2> all;
  for (int i = 1; i <= n; ++i) all.push_back(gen.Entry(i));
  std::vector<Move2> legal;
  for (Move2 m : all)
    if (p.IsLegalMove(m)) legal.push_back(m);
  return legal;
}

// Board, side, en-passant cell and move number.
inline bool SameState(const MailboxPos &a, const MailboxPos &b) {
  return MailboxPos::Equal(a, b) && a.MoveNumber() == b.MoveNumber();
}

inline uint64_t Perft(MailboxPos &p, MoveGen &gen, int depth) {
  Move2 moves[MoveGen::kCapacity];
  const int n = gen.Generate(p, GenRequest{});
  for (int i = 0; i < n; ++i) moves[i] = gen.Entry(i + 1);
  uint64_t nodes = 0;
  for (int i = 0; i < n; ++i) {
    if (!p.IsLegalMove(moves[i])) continue;
    if (depth == 1) {
      ++nodes;
      continue;
    }
    MoveUndo u;
    p.MakeMove(moves[i], u);
    nodes += Perft(p, gen, depth - 1);
    p.UnmakeMove(moves[i], u);
  }
  return nodes;
}

}  // namespace mbtest
