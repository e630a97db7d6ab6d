// perft FEN DEPTH: leaf-node count of the legal-move tree (line 1) and the
// nodes per second (line 2), through the full-mode generator with all four
// promotions and make/unmake.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "../tests/chess/TestPositions.h"
#include "BenchArgs.h"
#include "chess/Posns.h"

int main(int argc, char **argv) {
  const char *const usage = "perft FEN DEPTH (DEPTH 0 to 20)";
  if (argc != 3) Usage(usage);
  const long depth = NumberArg(argv[2], 0, 20, usage);
  try {
    PositionO setup;
    if (!setup.SetFEN(argv[1])) {
      std::fprintf(stderr, "perft: not a valid FEN: %s\n", argv[1]);
      return 2;
    }
    BasePositionO pos = setup.Base();
    testchess::Perft perft(pos);
    const auto t0 = std::chrono::steady_clock::now();
    const std::uint64_t nodes = perft.Count(static_cast<int>(depth));
    const double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    std::printf("%llu\n%.0f\n", static_cast<unsigned long long>(nodes), secs > 0 ? nodes / secs : 0.0);
  } catch (const std::exception &e) {
    std::fprintf(stderr, "perft: %s\n", e.what());
    return 1;
  }
  return 0;
}
