// Classifies the games of a PGN file by the default opening keys:
//   classify FILE
// The games are packed in memory with the bulk importer; "class.txt" (the
// program's, else the build's bin/ folder beside this bench) is imported
// into a key set in a temporary folder, the positions are loaded into
// memory, and every game is classified from the end of its main line.
// Prints games per second and the ".pos" reads after loading (none are
// expected).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "PackedGames.h"
#include "database/KeyTreeMan.h"
#include "platform/Dirs.h"
#include "platform/Files.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2 || argv[1][0] == '-') {
    std::fprintf(stderr, "usage: classify FILE\n");
    return 2;
  }
  std::string text = dirs::AppFile("class.txt");
  if (!files::FileExists(text)) text = dirs::GetAppDir() + "../bin/class.txt";
  if (!files::FileExists(text)) {
    std::fprintf(stderr, "class.txt not found\n");
    return 1;
  }
  PGNImportResult r;
  const std::vector<GameBuffer> games = PackInMemory(argv[1], r);
  if (!r.opened) return 1;

  std::string dir = dirs::GetTempDir() + "classifyXXXXXX";
  if (!::mkdtemp(dir.data())) return 1;
  const std::string key = dir + "/keys.key";
  const int skipped = KeyTreeO::ImportTextFile(key, text);
  KeyTreeO keys;
  if (skipped < 0 || !keys.Open(key) || !keys.LoadIntoMemory()) return 1;
  std::printf("%zu games packed; %u keys, %u positions\n", games.size(), keys.NodeCount() - 1,
              keys.PositionStore().Count());
  keys.PositionStore().ResetIoCounts();

  size_t keyed = 0;
  uint64_t plies = 0;
  const auto start = std::chrono::steady_clock::now();
  for (const GameBuffer &g : games) {
    int ply = 0;
    if (keys.ClassifyGame(g, true, ply) != 0) {
      ++keyed;
      plies += static_cast<uint64_t>(ply);
    }
  }
  const double seconds = Seconds(start);
  std::printf("%zu games classified in %.2f s: %.0f games/s; %zu keyed (mean ply %.1f)\n", games.size(),
              seconds, seconds > 0 ? games.size() / seconds : 0.0, keyed,
              keyed ? static_cast<double>(plies) / keyed : 0.0);
  std::printf(".pos reads after loading: %llu\n",
              static_cast<unsigned long long>(keys.PositionStore().RecordIo().reads));
  keys.CloseAndDelete();
  std::filesystem::remove_all(dir);
  return 0;
}
