#pragma once
// The games of a PGN file packed in memory by the bulk importer, for the
// benchmarks that build on packed games.
#include <algorithm>
#include <string>
#include <vector>

#include "database/PGNFileMan.h"

inline std::vector<GameBuffer> PackInMemory(const std::string &file, PGNImportResult &result) {
  std::vector<GameBuffer> games;
  bool cancel = false;
  result = ImportPGNFile(
      file, cancel, encIndexed, nullptr, false, false,
      [&](const GameBuffer &game, bool &) {
        GameBuffer copy;
        SizeGameBuffer(copy, game.length);
        std::copy(game.bytes.get(), game.bytes.get() + game.length, copy.bytes.get());
        games.push_back(std::move(copy));
      },
      nullptr);
  return games;
}
