// Packs every game of a PGN file through the bulk importer:
//   import_pgn FILE [ENCODING]
// The games are packed with the one-byte encoding (or the given one, 0-2)
// and only counted; the error log goes to the program's writable directory.
// Ends with the line "N games packed, M errors, R games/s".
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "database/PGNFileMan.h"
#include "database/QZUtils.h"

int main(int argc, char **argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: import_pgn FILE [ENCODING]\n");
    return 2;
  }
  const int encoding = argc == 3 ? std::atoi(argv[2]) : encIndexed;
  if (encoding < 0 || encoding > 2) {
    std::fprintf(stderr, "encoding must be 0, 1 or 2\n");
    return 2;
  }
  long games = 0;
  uint64_t bytes = 0, plies = 0;
  bool cancel = false;
  const auto start = std::chrono::steady_clock::now();
  const PGNImportResult r = ImportPGNFile(
      argv[1], cancel, encoding, nullptr, false, false,
      [&](const GameBuffer &game, bool &) {
        ++games;
        bytes += game.length;
        if (encoding == encIndexed) {
          // Moves of the stream: every byte below the control bytes.
          const uint8_t *p = game.bytes.get();
          const uint32_t tagOffset = p[5] | p[6] << 8 | p[7] << 16 | static_cast<uint32_t>(p[8]) << 24;
          for (uint32_t i = (p[4] & 1) ? 41 : 17; i < tagOffset; ++i) plies += p[i] < pkNag;
        }
      },
      nullptr);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!r.opened) return 1;
  std::printf("%.3f s, %llu packed bytes, %llu moves, log %s\n", seconds,
              static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(plies),
              ImportLogPath().c_str());
  std::printf("%d games packed, %d errors, %.0f games/s\n", r.games, r.errors,
              seconds > 0 ? games / seconds : 0.0);
  return r.Complete() ? 0 : 1;
}
