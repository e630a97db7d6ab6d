#pragma once
// Test and benchmark helpers: a small FEN reader for setting positions up,
// and perft (the number of leaf nodes of the legal-move tree).
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "chess/Diags.h"
#include "chess/MoveGen.h"
#include "chess/Moves.h"

namespace testchess {

// Reads placement, side, castling and en-passant fields, and the move number
// when present. Answers false on a malformed text (the position is then
// undefined).
inline bool SetupFromFen(BasePositionO &pos, const std::string &fen) {
  std::istringstream in(fen);
  std::string placement, side, castling = "-", ep = "-", half, full;
  if (!(in >> placement >> side)) return false;
  in >> castling >> ep >> half >> full;
  pos.ClearBoard();
  int file = 1, rank = 8;
  for (char c : placement) {
    if (c == '/') {
      if (file != 9 || rank == 1) return false;
      --rank;
      file = 1;
    } else if (c >= '1' && c <= '8') {
      file += c - '0';
      if (file > 9) return false;
    } else {
      static const std::string kLetters = "PNBRQK";
      const auto at = kLetters.find(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
      if (at == std::string::npos || file > 8) return false;
      pos.SetSquare(file, rank, static_cast<int>(at) + 1,
                    std::isupper(static_cast<unsigned char>(c)) ? cWhite : cBlack);
      ++file;
    }
  }
  if (file != 9 || rank != 1) return false;
  if (side != "w" && side != "b") return false;
  pos.SetSideToMove(side == "w" ? cWhite : cBlack);
  for (int c = 0; c < 2; ++c)
    for (int s = 0; s < 2; ++s) pos.SetCastling(c, s, false);
  if (castling != "-")
    for (char c : castling) {
      switch (c) {
        case 'K':
          pos.SetCastling(cWhite, csKingSide, true);
          break;
        case 'Q':
          pos.SetCastling(cWhite, csQueenSide, true);
          break;
        case 'k':
          pos.SetCastling(cBlack, csKingSide, true);
          break;
        case 'q':
          pos.SetCastling(cBlack, csQueenSide, true);
          break;
        default:
          return false;
      }
    }
  if (ep == "-") {
    pos.SetEnPassantFile(0);
  } else {
    if (ep.size() != 2 || ep[0] < 'a' || ep[0] > 'h') return false;
    pos.SetEnPassantFile(ep[0] - 'a' + 1);
  }
  int number = 1;
  if (!full.empty()) {
    if (!std::all_of(full.begin(), full.end(), [](char c) { return c >= '0' && c <= '9'; }) ||
        full.size() > 3)
      return false;
    number = std::clamp(std::stoi(full), 1, 255);
  }
  pos.SetMoveNumber(static_cast<std::uint8_t>(number));
  return true;
}

// A move in coordinate form ("e2e4", "e7e8q"); from, to and promotion only.
inline MoveRec CoordMove(const std::string &text) {
  if (text.size() < 4 || text.size() > 5) throw std::invalid_argument("bad move text " + text);
  MoveRec m;
  int promotion = 0;
  if (text.size() == 5) {
    static const std::string kLetters = "pnbrqk";
    const auto at = kLetters.find(static_cast<char>(std::tolower(static_cast<unsigned char>(text[4]))));
    if (at == std::string::npos) throw std::invalid_argument("bad move text " + text);
    promotion = static_cast<int>(at) + 1;
  }
  m.SetMove(text[0] - 'a' + 1, text[1] - '0', text[2] - 'a' + 1, text[3] - '0', promotion);
  return m;
}

// Plays a legal move given in coordinate form and returns it completed.
inline MoveRec Play(BasePositionO &pos, const std::string &text) {
  MoveGenO gen(&pos);
  MoveRec m = CoordMove(text);
  MoveListO list;
  gen.MovesToSquare(m.toFile, m.toRank, list);
  bool found = m.IsNullMove() && gen.IsLegal(m.fromFile, m.fromRank, m.toFile, m.toRank);
  for (int i = 1; i <= list.Count(); ++i) found = found || list.At(i).Equal(m);
  if (!found) throw std::invalid_argument("illegal move " + text);
  gen.CompleteMove(m);
  pos.MakeMove(m);
  return m;
}

// A legal move of the position picked by the generator, completed; false
// when there is none.
template <class Rng>
bool RandomMove(const BasePositionO &pos, Rng &rng, MoveRec &move) {
  BasePositionO copy = pos;
  MoveGenO gen(&copy);
  MoveListO moves;
  gen.AllMoves(moves);
  if (moves.Count() == 0) return false;
  move = moves.Get(1 + static_cast<int>(rng() % moves.Count()));
  gen.CompleteMove(move);
  return true;
}

// Perft through the full-mode generator (all four promotions) and
// make/unmake; the last ply is counted from the legal-move list.
class Perft {
 public:
  explicit Perft(BasePositionO &pos) : pos_(pos), gen_(&pos) {}

  std::uint64_t Count(int depth) {
    if (depth <= 0) return 1;
    if (lists_.size() < static_cast<std::size_t>(depth)) lists_.resize(depth);
    return Walk(depth, 0);
  }

 private:
  std::uint64_t Walk(int depth, int ply) {
    MoveListO &list = lists_[ply];
    list.Clear();
    gen_.AllMoves(list);
    if (depth == 1) return list.Count();
    std::uint64_t nodes = 0;
    for (int i = 1; i <= list.Count(); ++i) {
      MoveRec m = list.Unchecked(i);
      gen_.CompleteMove(m);
      pos_.MakeMove(m);
      nodes += Walk(depth - 1, ply + 1);
      pos_.UnmakeMove(m);
    }
    return nodes;
  }

  BasePositionO &pos_;
  MoveGenO gen_;
  std::vector<MoveListO> lists_;
};

}  // namespace testchess
