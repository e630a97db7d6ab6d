// Times the games window's paging on a database of a million games:
//   games_window DIR
// DIR/bench.qcx is built first unless it exists: 1,000,000 small generated
// games (names drawn from 20,000 players and 2,000 events, dates, Elo
// values, results). A games window then runs under the offscreen platform,
// once on the slot of all games and once on a found slot holding the same
// games (filled with AddGameToList). For each it prints the time of Open,
// of the first, next, last and previous page, of SelectGame on a far page,
// of one page of row texts (250 GameListRowTexts), and, for information,
// of one header click that sorts the found slot.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchArgs.h"
#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "dbwindows/DlgGames.h"

namespace {

const char *const kUsage = "games_window DIR";
constexpr int32_t kGames = 1000000;
constexpr int32_t kChunk = 100000;
constexpr int kPlayers = 20000;
constexpr int kEvents = 2000;

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) { return std::chrono::duration<double, std::milli>(Clock::now() - since).count(); }

// A cheap, repeatable stream of numbers.
struct Lcg {
  uint64_t s = 0x2545F4914F6CDD1DULL;
  uint32_t Next(uint32_t below) {
    s = s * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>((s >> 33) % below);
  }
};

void WriteChunk(const std::string &file, int32_t first, int32_t count, Lcg &rnd) {
  static const char *const results[] = {"1-0", "0-1", "1/2-1/2", "*"};
  static const char *const openings[] = {"1. e4 e5 2. Nf3 Nc6", "1. d4 d5 2. c4 e6", "1. c4 Nf6 2. Nc3 g6",
                                         "1. e4 c5 2. Nf3 d6", "1. Nf3 d5 2. g3 Nf6"};
  std::string s;
  s.reserve(static_cast<size_t>(count) * 200);
  for (int32_t i = first; i < first + count; ++i) {
    const char *r = results[rnd.Next(4)];
    const int white = static_cast<int>(rnd.Next(kPlayers)), black = static_cast<int>(rnd.Next(kPlayers));
    s += "[Event \"Event " + std::to_string(rnd.Next(kEvents)) + "\"]\n[Site \"Site " +
         std::to_string(rnd.Next(kEvents)) + "\"]\n[Date \"" + std::to_string(1950 + rnd.Next(75)) + "." +
         std::to_string(10 + rnd.Next(3)) + "." + std::to_string(10 + rnd.Next(19)) + "\"]\n[Round \"" +
         std::to_string(1 + rnd.Next(11)) + "\"]\n[White \"Player " + std::to_string(white) +
         "\"]\n[Black \"Player " + std::to_string(black) + "\"]\n[Result \"" + r + "\"]\n[WhiteElo \"" +
         std::to_string(1800 + rnd.Next(900)) + "\"]\n[BlackElo \"" + std::to_string(1800 + rnd.Next(900)) +
         "\"]\n\n" + openings[rnd.Next(5)] + " " + r + "\n\n";
  }
  std::ofstream(file, std::ios::binary) << s;
}

bool Build(const std::string &dir, const std::string &base) {
  const auto start = Clock::now();
  DatabaseO db;
  bool report = false;
  if (!db.Open(base, nullptr, nullptr, report)) return false;
  db.ClassifyOnImport = false;
  const std::string pgn = dir + "/bench-chunk.pgn";
  Lcg rnd;
  for (int32_t first = 1; first <= kGames; first += kChunk) {
    WriteChunk(pgn, first, kChunk, rnd);
    bool flag = false;
    if (!db.ImportDatabase(pgn, nullptr, nullptr, false, false, flag)) return false;
    std::fprintf(stderr, "\r%d games", db.GameCount());
  }
  std::filesystem::remove(pgn);
  std::fprintf(stderr, "\n");
  std::printf("built %d games in %.1f s\n", db.GameCount(), Ms(start) / 1000.0);
  return db.Close(nullptr);
}

template <class F>
void Time(const char *label, F &&f) {
  const auto start = Clock::now();
  f();
  std::printf("  %-36s %10.3f ms\n", label, Ms(start));
}

void Run(DatabaseO &db, int slot, const char *what, bool sortByHeader) {
  std::printf("%s (%d rows)\n", what, db.GameListCount(slot));
  TGamesDlg w;
  Time("Open", [&] { w.Open(&db, slot, what); });
  Time("next page", [&] { w.NextPageBtnClick(); });
  Time("last page", [&] { w.LastPageBtnClick(); });
  Time("previous page", [&] { w.PrevPageBtnClick(); });
  Time("first page", [&] { w.FirstPageBtnClick(); });
  const int32_t far = db.GameListGameNr(slot, std::max<int32_t>(1, db.GameListCount(slot) * 7 / 9));
  Time("SelectGame on a far page", [&] { w.SelectGame(far); });
  size_t bytes = 0;
  const int32_t start = w.Paging().PageStart();
  Time("one page of row texts (250)", [&] {
    for (int32_t p = start; p < start + kPageRows && p <= db.GameListCount(slot); ++p)
      bytes += db.GameListRowTexts(slot, p)[1].size();
  });
  if (sortByHeader) Time("header click: sort by White", [&] { w.HeaderControlSectionClick(1); });
  w.Detach();
  if (bytes == 0) std::printf("  (no row texts)\n");
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 2 || IsOption(argv[1])) Usage(kUsage);
  const std::string dir = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::string base = dir + "/bench.qcx";
  // Settings of the run stay in DIR.
  ::setenv("TORVANEL_APPDIR", dir.c_str(), 1);
  if (!std::filesystem::exists(base) && !Build(dir, base)) {
    std::fprintf(stderr, "could not build %s\n", base.c_str());
    return 1;
  }

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ChessApp.Init();

  DatabaseO db;
  bool report = false;
  const auto openStart = Clock::now();
  if (!db.Open(base, nullptr, nullptr, report)) return 1;
  std::printf("database opened in %.1f ms, %d games\n", Ms(openStart), db.GameCount());

  Run(db, db.NewAllGamesList(), "Database", true);

  const int found = db.NewGameList();
  const auto fillStart = Clock::now();
  for (int32_t n = 1; n <= db.GameCount(); ++n) db.AddGameToList(found, n);
  std::printf("found slot filled in %.1f ms\n", Ms(fillStart));
  Run(db, found, "Found", true);
  ChessApp.Done();
  return 0;
}
