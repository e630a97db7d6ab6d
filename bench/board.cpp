// board [PLIES]: the drawing work of the board control, counted offscreen.
// For each kind of move (slid with the default delays, the pauses skipped)
// the straight legs, the slide steps, the squares drawn and the pixels
// handed to the screen; then the same for Ra1-a8 on 32-pixel squares; then
// the time of GoToPly over a game of PLIES plies (default 200) forward and
// back with delays 0.
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "../tests/chess/TestPositions.h"
#include "board/ui/ChsBrds.h"
#include "board/ui/PieceImages.h"

namespace {

MoveRec Coord(PositionO &pos, const char *text) {
  const MoveRec c = testchess::CoordMove(text);
  MoveRec m;
  pos.BuildMove(c.fromFile, c.fromRank, c.toFile, c.toRank, c.promotion, m);
  return m;
}

void Report(const char *what, const BoardTraceRec &t) {
  std::printf("%-22s legs %2d  steps %3d  squares %3d  pixels %8lld\n", what, t.legs, t.steps, t.squaresDrawn,
              static_cast<long long>(t.pixelsCopied));
}

// Makes the move on a board showing the position, then takes it back.
void CountMove(TChessBoard &b, const char *fen, const char *move, const char *label, bool takeBack) {
  PositionO pos;
  if (!pos.SetFEN(fen)) {
    std::fprintf(stderr, "board: bad FEN %s\n", fen);
    std::exit(2);
  }
  b.AssignPosition(pos);
  b.Trace() = BoardTraceRec{};
  b.DoMove(Coord(pos, move));
  Report(label, b.Trace());
  if (takeBack) {
    b.Trace() = BoardTraceRec{};
    b.TakeBack();
    Report((std::string(label) + " back").c_str(), b.Trace());
  }
}

// A game of random legal moves that lasts the given number of plies.
MoveListO RandomGame(int plies) {
  for (unsigned seed = 1;; ++seed) {
    std::mt19937 rng(seed);
    PositionO pos;
    pos.Reset();
    MoveListO game;
    MoveRec m;
    while (game.Count() < plies && testchess::RandomMove(pos.Base(), rng, m)) {
      pos.MakeMove(m);
      game.Add(m);
    }
    if (game.Count() == plies) return game;
  }
}

}  // namespace

int main(int argc, char **argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int plies = argc > 1 ? std::atoi(argv[1]) : 200;
  if (plies < 1 || plies > 500) {
    std::fprintf(stderr, "usage: board [PLIES 1..500]\n");
    return 2;
  }
  InstallPieceImages();
  TChessBoard::SetSleepFunction([](int) {});
  TChessBoard b;
  b.SetPieceType(FindPieceSet("Regular32"));
  b.show();
  std::printf("Regular32, delays %d/%d, rook %d/%d\n", b.MoveDelay(), b.MoveBackDelay(),
              b.CastleRookMoveDelay(), b.CastleRookMoveBackDelay());

  CountMove(b, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", "quiet e2-e4", true);
  CountMove(b, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "g1f3", "knight g1-f3", true);
  CountMove(b, "4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "capture e4xd5", true);
  CountMove(b, "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6", "en passant e5xd6", true);
  CountMove(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "castling O-O", true);
  CountMove(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1c1", "castling O-O-O", true);
  CountMove(b, "4k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7a8q", "promotion a8=Q", true);
  CountMove(b, "4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", "rook a1-a8", false);
  b.SetMoveDelay(0);
  b.SetMoveBackDelay(0);
  b.SetCastleRookMoveDelay(0);
  b.SetCastleRookMoveBackDelay(0);
  CountMove(b, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", "e2e4", "quiet, delay 0", true);
  CountMove(b, "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", "e1g1", "O-O, delay 0", true);

  const MoveListO game = RandomGame(plies);
  b.SetInitialPosition();
  b.SetReplayMoves(&game);
  QCoreApplication::processEvents();
  const int rounds = 50;
  b.Trace() = BoardTraceRec{};
  const auto t0 = std::chrono::steady_clock::now();
  for (int i = 0; i < rounds; ++i) {
    b.GoToPly(plies + 1);
    b.GoToPly(1);
    QCoreApplication::processEvents();  // the paint of what changed
  }
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::printf(
      "GoToPly 1 -> %d -> 1, delays 0: %.3f ms per round trip (%d rounds); squares %d per round trip\n",
      plies + 1, ms / rounds, rounds, b.Trace().squaresDrawn / rounds);
  return 0;
}
