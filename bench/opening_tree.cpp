// Builds the opening tree from the games of a PGN file:
//   opening_tree FILE
// The games are packed in memory with the bulk importer; the tree is built
// from the first 2000 of them and, after a Clear, from all of them. Each
// build stops when the arena is full, and prints the games added and
// refused, the arena bytes in use, the build time and the time of
// collecting the games of the root.
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "PackedGames.h"
#include "database/PDBMan.h"
#include "foundation/Lists.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Build(PositionDatabaseO &tree, const std::vector<GameBuffer> &games, size_t limit) {
  const size_t n = std::min(limit, games.size());
  size_t added = 0, refused = 0, tried = 0;
  const auto start = std::chrono::steady_clock::now();
  tree.Clear();
  for (; tried < n && !tree.Full(); ++tried) {
    if (tree.AddGame(games[tried], static_cast<uint32_t>(tried + 1)))
      ++added;
    else
      ++refused;
  }
  const double build = Seconds(start);
  const auto collectStart = std::chrono::steady_clock::now();
  const int collected = tree.GameListCount();
  const double collect = Seconds(collectStart);
  std::printf("%zu games: %zu added, %zu refused%s, %zu not tried; %u arena bytes in use\n", n, added,
              refused, tree.Full() ? " (the last for lack of room)" : "", n - tried, tree.BytesInUse());
  std::printf("  build %.1f ms (%.0f games/s); root collects %d games in %.1f ms\n", build * 1e3,
              build > 0 ? added / build : 0.0, collected, collect * 1e3);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: opening_tree FILE\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  PGNImportResult r;
  const std::vector<GameBuffer> games = PackInMemory(argv[1], r);
  if (!r.opened) return 1;
  std::printf("%d games packed in %.1f s (%d errors)\n", r.games, Seconds(start), r.errors);

  PositionDatabaseO tree;
  Build(tree, games, 2000);
  Build(tree, games, games.size());
  StrListO stats;
  tree.StatisticsText(stats);
  for (int i = 1; i <= stats.Count(); ++i) std::printf("  %s\n", stats.Get(i).c_str());
  return 0;
}
