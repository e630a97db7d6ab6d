// The game store with its booster, timed:
//   game_store
// Packs 200,000 small generated games (5,000 players, 500 events), stores
// them with their descriptors, names and booster links, then reads every
// descriptor in order and every game into one reused buffer, and walks one
// player's games through the booster beside a scan of every descriptor.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "database/GameStoreMan.h"
#include "database/IndexMan.h"
#include "database/QZParser.h"
#include "database/SearchBoosterMan.h"
#include "platform/Dirs.h"
#include "platform/Files.h"

namespace {

const char *const kLines[] = {
    "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7",
    "1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7",
    "1. e4 c5 2. Nf3 d6 3. d4 cxd4 4. Nxd4 Nf6 5. Nc3 a6",
    "1. c4 e5 2. Nc3 Nf6 3. g3 d5 4. cxd5 Nxd5",
    "1. Nf3 d5 2. g3 Nf6 3. Bg2 e6 4. O-O Be7",
    "1. e4 e6 2. d4 d5 3. Nd2 c5 4. exd5 exd5",
    "1. d4 Nf6 2. c4 g6 3. Nc3 Bg7 4. e4 d6 5. Nf3 O-O",
    "1. e4 c6 2. d4 d5 3. e5 Bf5 4. Nf3 e6",
};
const char *const kResults[] = {"1-0", "0-1", "1/2-1/2", "*"};

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: %s\n", argv[0]);
    return 2;
  }
  constexpr int kGames = 200000, kPlayers = 5000, kEvents = 500;
  const std::string dir = dirs::MakeTempDir("game_store_bench");
  if (dir.empty()) return 1;
  const std::string base = dir + "bench.qcx";

  std::mt19937 rng(3);
  std::vector<GameBuffer> packed(kGames);
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kGames; ++i) {
    // Player 0 plays every 2000th game, about a hundred in all.
    const int white = i % 2000 == 0 ? 0 : 1 + static_cast<int>(rng() % (kPlayers - 1));
    const int black = 1 + static_cast<int>(rng() % (kPlayers - 1));
    const char *result = kResults[rng() % 4];
    const std::string text =
        "[Event \"Event " + std::to_string(rng() % kEvents) + "\"] [Site \"Town\"] [White \"Player " +
        std::to_string(white) + "\"] [Black \"Player " + std::to_string(black) + "\"] [Result \"" + result +
        "\"] [Date \"" + std::to_string(1950 + rng() % 70) + ".01.01\"] " + kLines[rng() % 8] + " " + result;
    if (!ParseGameTextToBlob(text, encIndexed, packed[static_cast<size_t>(i)])) return 1;
  }
  std::printf("packed %d games in %.3f s\n", kGames, Since(start));

  IndexManO players, events, annotators;
  GameStoreO games;
  SearchBoosterO booster;
  if (!players.Open(files::ChangeFileExt(base, ".pli")) || !events.Open(files::ChangeFileExt(base, ".esi")) ||
      !annotators.Open(files::ChangeFileExt(base, ".ani")) || !games.Open(base) || !booster.Open(base))
    return 1;
  start = std::chrono::steady_clock::now();
  players.BeginBulkAdd();
  events.BeginBulkAdd();
  for (const GameBuffer &g : packed) {
    GameDescriptor d;
    if (!BuildGameDescriptor(g, players, events, annotators, d)) return 1;
    const int32_t n = games.AddGame(g, d);
    if (n == 0 || !booster.AddGame(n, d.white, d.eventSite, d.black)) return 1;
  }
  if (!players.EndBulkAdd() || !events.EndBulkAdd()) return 1;
  double s = Since(start);
  std::printf("stored %d games (names, descriptor, record, booster) in %.3f s: %.0f games/s\n", games.Count(),
              s, games.Count() / s);

  start = std::chrono::steady_clock::now();
  GameDescriptor d;
  long checksum = 0;
  for (int32_t n = 1; n <= games.Count(); ++n) {
    if (!games.ReadDescriptor(n, d)) return 1;
    checksum += d.year;
  }
  s = Since(start);
  std::printf("read %d descriptors in order in %.3f s: %.0f descriptors/s\n", games.Count(), s,
              games.Count() / s);

  start = std::chrono::steady_clock::now();
  GameBuffer buf;
  for (int32_t n = 1; n <= games.Count(); ++n) {
    if (!games.GetGame(n, buf)) return 1;
    checksum += buf.length;
  }
  s = Since(start);
  std::printf("read %d games into one buffer in %.3f s: %.0f games/s\n", games.Count(), s, games.Count() / s);

  const uint32_t player = players.Find("Player 0");
  start = std::chrono::steady_clock::now();
  int walked = 0;
  booster.WalkPlayer(games, player, [&](int32_t, const GameDescriptor &) { return ++walked, true; });
  const double walk = Since(start);
  start = std::chrono::steady_clock::now();
  int scanned = 0;
  for (int32_t n = 1; n <= games.Count(); ++n) {
    if (!games.ReadDescriptor(n, d)) return 1;
    scanned += d.white == player || d.black == player;
  }
  const double scan = Since(start);
  std::printf("player with %d games: booster walk %.3f ms, descriptor scan %.3f ms (%d found)\n", walked,
              walk * 1000, scan * 1000, scanned);
  std::printf("(checksum %ld)\n", checksum);

  booster.CloseAndDelete();
  games.CloseAndDelete();
  players.CloseAndDelete();
  events.CloseAndDelete();
  annotators.CloseAndDelete();
  ::rmdir(dir.c_str());
  return 0;
}
