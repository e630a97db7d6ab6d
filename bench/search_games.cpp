// Times the game search on a database that import_pgn --db made:
//   search_games DB.qcx [--white NAME] [--black NAME] [--moves LO-HI]
//                [--mate] [--check] [--comments] [PATTERN ...]
// For each player-name pattern (default "Bakker", "M", "Nobody" when no
// criterion is given) the whole database is searched five times with the
// booster, then five times after the booster is switched off (a scan); the
// criteria options join every search, and alone make one search. Then a
// year range with an average Elo range (always a scan); at the end the
// booster is built again and timed, so the database ends as it began. Each
// search prints one line: its criteria, the games found, the games met and
// the median time. It also prints the time the open took, and after the
// searches the memory the stores hold and the process's resident memory.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "database/DatabaseMan.h"

namespace {

const char *const kUsage =
    "search_games DB.qcx [--white NAME] [--black NAME] [--moves LO-HI] [--mate] [--check] [--comments] "
    "[PATTERN ...]";
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
  std::printf("%-40s %8d found %8lld met %10.2f ms median\n", label.c_str(), db.GameListCount(slot),
              static_cast<long long>(db.SearchGamesMet()), ms[kRuns / 2]);
}

// The process's resident memory now (VmRSS), or -1 where it cannot be read.
long ResidentKb() {
  std::FILE *f = std::fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f))
    if (std::sscanf(line, "VmRSS: %ld", &kb) == 1) break;
  std::fclose(f);
  return kb;
}

void Held(DatabaseO &db, const char *after) {
  std::printf("held after %s: %zu bytes of descriptors, %zu bytes of chains; VmRSS %ld KB\n", after,
              db.GameStore().HeldBytes(), db.SearchBooster().HeldBytes(), ResidentKb());
}

// "LO-HI", each a number of moves 0..255.
void MoveRange(const std::string &text, GameSearchMaskO &m) {
  const size_t dash = text.find('-');
  if (dash == std::string::npos) Usage(kUsage);
  const long lo = NumberArg(text.substr(0, dash).c_str(), 0, 255, kUsage);
  const long hi = NumberArg(text.substr(dash + 1).c_str(), 0, 255, kUsage);
  if (lo > hi) Usage(kUsage);
  m.SetSearchMoves(true);
  m.SetMovesLo(static_cast<uint32_t>(lo));
  m.SetMovesHi(static_cast<uint32_t>(hi));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2 || IsOption(argv[1])) Usage(kUsage);
  std::vector<std::string> patterns;
  GameSearchMaskO base;
  base.SetIgnoreColors(false);
  std::string criteria;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) Usage(kUsage);
      return argv[++i];
    };
    if (a == "--white" || a == "--black") {
      const std::string name = value();
      base.AddPlayer(name, a == "--white" ? scWhite : scBlack, 0);
      criteria += " " + a.substr(2) + " \"" + name + "\"";
    } else if (a == "--moves") {
      const std::string range = value();
      MoveRange(range, base);
      criteria += " moves " + range;
    } else if (a == "--mate") {
      base.SetSearchMates(true);
      criteria += " mate";
    } else if (a == "--check") {
      base.SetSearchChecks(true);
      criteria += " check";
    } else if (a == "--comments") {
      base.SetSearchTxts(true);
      criteria += " comments";
    } else if (IsOption(argv[i])) {
      Usage(kUsage);
    } else {
      patterns.push_back(a);
    }
  }
  const bool criteriaGiven = !criteria.empty();
  if (patterns.empty() && !criteriaGiven) patterns = {"Bakker", "M", "Nobody"};

  DatabaseO db;
  bool report = false;
  const auto opening = std::chrono::steady_clock::now();
  if (!db.Open(argv[1], nullptr, nullptr, report)) return 1;
  std::printf("opened in %.3f s; VmRSS %ld KB\n", Seconds(opening), ResidentKb());
  if (!db.HasSearchBooster()) {
    std::fprintf(stderr, "%s keeps no search booster\n", argv[1]);
    return 1;
  }
  const int slot = db.NewGameList();
  std::printf("%d games\n", db.GameCount());

  for (bool booster : {true, false}) {
    if (!booster) {
      Held(db, "the booster searches");
      db.SetSearchBooster(false);
    }
    const std::string how = booster ? "booster" : "scan   ";
    if (patterns.empty()) Time(db, slot, base, how + criteria);
    for (const std::string &p : patterns) {
      GameSearchMaskO m = base;
      m.AddPlayer(p, scNone, 0);
      Time(db, slot, m, how + " \"" + p + "\"" + criteria);
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
  Held(db, "the scans");

  const auto start = std::chrono::steady_clock::now();
  db.SetSearchBooster(true);
  std::printf("booster rebuilt in %.2f s\n", Seconds(start));
  const bool rebuilt = db.HasSearchBooster();
  db.FreeGameList(slot);
  return db.Close(nullptr) && rebuilt ? 0 : 1;
}
