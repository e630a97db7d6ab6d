// Speed of the mailbox generator: perft 5 from the start position, the
// replay of 10,000 random games stored as one-byte move indexes (the path
// every loaded game takes), and the PGN movetext of the same games packed
// as blocks (what loading or exporting a game costs).
//
// mailbox [games] [seed]
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "BenchArgs.h"
#include "../tests/database/MailboxTestUtil.h"
#include "database/QZGamePlayer.h"
#include "database/QZUtils.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

// One random legal game as its move indexes.
std::vector<uint8_t> RandomGame(MoveGen &gen, std::mt19937 &rng) {
  MailboxPos p;
  p.SetStartPosition();
  std::vector<uint8_t> game;
  std::vector<int> legal;
  for (int ply = 0; ply < 200; ++ply) {
    if (p.SideToMove() == 1 && p.MoveNumber() == 255) break;
    const int n = gen.Generate(p, GenRequest{});
    Move2 moves[MoveGen::kCapacity];
    for (int i = 0; i < n; ++i) moves[i] = gen.Entry(i + 1);
    legal.clear();
    for (int i = 0; i < n; ++i)
      if (p.IsLegalMove(moves[i])) legal.push_back(i + 1);
    if (legal.empty()) break;
    const int index = legal[rng() % legal.size()];
    if (index > 251) break;  // not storable as one byte
    game.push_back(static_cast<uint8_t>(index));
    MoveUndo u;
    p.MakeMove(moves[index - 1], u);
  }
  return game;
}

}  // namespace

int main(int argc, char **argv) {
  const char *const usage = "mailbox [COUNT [SEED]]";
  if (argc > 3) Usage(usage);
  const int count = argc > 1 ? static_cast<int>(NumberArg(argv[1], 1, 10000000, usage)) : 10000;
  std::mt19937 rng(argc > 2 ? static_cast<uint32_t>(NumberArg(argv[2], 0, 4294967295L, usage)) : 2026);
  MoveGen gen;

  auto t0 = std::chrono::steady_clock::now();
  MailboxPos start;
  start.SetStartPosition();
  const uint64_t nodes = mbtest::Perft(start, gen, 5);
  const double perftSecs = Seconds(t0);
  std::printf("perft 5: %llu nodes (%s), %.3f s, %.0f nodes/s\n", static_cast<unsigned long long>(nodes),
              nodes == 4865609 ? "right" : "WRONG", perftSecs, nodes / perftSecs);

  t0 = std::chrono::steady_clock::now();
  std::vector<std::vector<uint8_t>> games;
  games.reserve(count);
  uint64_t plies = 0;
  for (int i = 0; i < count; ++i) {
    games.push_back(RandomGame(gen, rng));
    plies += games.back().size();
  }
  std::printf("generated %d random games, %llu plies, %.3f s\n", count,
              static_cast<unsigned long long>(plies), Seconds(t0));

  t0 = std::chrono::steady_clock::now();
  uint64_t replayed = 0, failed = 0;
  for (const auto &game : games) {
    MailboxPos p;
    p.SetStartPosition();
    for (uint8_t index : game) {
      Move2 m;
      if (!p.MoveByIndex(gen, index, m)) {
        ++failed;
        break;
      }
      MoveUndo u;
      p.MakeMove(m, u);
      ++replayed;
    }
  }
  const double replaySecs = Seconds(t0);
  std::printf("replay by index: %llu plies, %llu failures, %.3f s, %.0f plies/s\n",
              static_cast<unsigned long long>(replayed), static_cast<unsigned long long>(failed), replaySecs,
              replayed / replaySecs);

  // The games as blocks of the one-byte encoding, then their movetext.
  std::vector<GameBuffer> blocks(games.size());
  QZGameManagerO builder;
  uint64_t refused = 0;
  for (size_t i = 0; i < games.size(); ++i) {
    builder.Reset();
    bool ok = true;
    for (uint8_t index : games[i]) ok = ok && builder.AppendIndexedMove(index);
    ok = ok && builder.SetTagText("[Event \"Bench\"][Result \"*\"]") && builder.EndGame() &&
         builder.Pack(blocks[i]);
    if (!ok) {
      ++refused;
      continue;
    }
    QZGameManagerO::SetEncoding(blocks[i], encIndexed);
  }
  t0 = std::chrono::steady_clock::now();
  uint64_t written = 0, chars = 0;
  std::string text;
  for (const GameBuffer &b : blocks) {
    if (!WriteGamePGN(b, true, text)) {
      ++failed;
      continue;
    }
    ++written;
    chars += text.size();
  }
  const double writeSecs = Seconds(t0);
  std::printf("movetext of packed games: %llu games, %llu characters, %llu failures, %.3f s, %.0f games/s\n",
              static_cast<unsigned long long>(written), static_cast<unsigned long long>(chars),
              static_cast<unsigned long long>(failed + refused), writeSecs, written / writeSecs);
  return nodes == 4865609 && failed == 0 && refused == 0 ? 0 : 1;
}
