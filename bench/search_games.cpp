// Times the game search on a database that import_pgn --db made:
//   search_games DB.qcx [PATTERN ...]
// For each player-name pattern (default "Bakker", "M", "Nobody") the whole
// database is searched five times with the booster, then five times after
// the booster is switched off (a scan); then a year range with an average
// Elo range (always a scan); at the end the booster is built again and
// timed, so the database ends as it began. Each search prints the games
// found, the games met and the median time.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "database/DatabaseMan.h"

namespace {

const char *const kUsage = "search_games DB.qcx [PATTERN ...]";
constexpr int kRuns = 5;

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

void Time(DatabaseO &db, int slot, const GameSearchMaskO &m, const std::string &label) {
  std::vector<double> ms;
  for (int r = 0; r < kRuns; ++r) {
    const auto start = std::chrono::steady_clock::now();
    db.SearchGames(&m, slot, 0, nullptr);
    ms.push_back(Seconds(start) * 1000.0);
  }
  std::sort(ms.begin(), ms.end());
  std::printf("%-28s %8d found %8lld met %10.2f ms median\n", label.c_str(), db.GameListCount(slot),
              static_cast<long long>(db.SearchGamesMet()), ms[kRuns / 2]);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || IsOption(argv[1])) Usage(kUsage);
  std::vector<std::string> patterns;
  for (int i = 2; i < argc; ++i) {
    if (IsOption(argv[i])) Usage(kUsage);
    patterns.push_back(argv[i]);
  }
  if (patterns.empty()) patterns = {"Bakker", "M", "Nobody"};

  DatabaseO db;
  bool report = false;
  if (!db.Open(argv[1], nullptr, nullptr, report)) return 1;
  if (!db.HasSearchBooster()) {
    std::fprintf(stderr, "%s keeps no search booster\n", argv[1]);
    return 1;
  }
  const int slot = db.NewGameList();
  std::printf("%d games\n", db.GameCount());

  for (bool booster : {true, false}) {
    if (!booster) db.SetSearchBooster(false);
    for (const std::string &p : patterns) {
      GameSearchMaskO m;
      m.AddPlayer(p, scNone, 0);
      Time(db, slot, m, std::string(booster ? "booster " : "scan    ") + "\"" + p + "\"");
    }
  }
  GameSearchMaskO range;
  range.SetSearchYear(true);
  range.SetYearLo(1990);
  range.SetYearHi(2005);
  range.SetSearchElo(true);
  range.SetEloType(etAverage);
  range.SetEloLo(2300);
  range.SetEloHi(2600);
  Time(db, slot, range, "scan    years and Elo");

  const auto start = std::chrono::steady_clock::now();
  db.SetSearchBooster(true);
  std::printf("booster rebuilt in %.2f s\n", Seconds(start));
  const bool rebuilt = db.HasSearchBooster();
  db.FreeGameList(slot);
  return db.Close(nullptr) && rebuilt ? 0 : 1;
}
