// Times what a stored change costs on the disk, in a scratch directory on
// the file system to measure (not tmpfs, which has nothing to flush):
//   store_sync PGN DIR [RUNS]
// PGN is make_pgn's 100,000 games. Prints:
//   - the import of PGN into a new database (best and median of RUNS, 3);
//   - one game stored back in its place, and one game added, in that
//     database opened again (median of 20 of each, ms);
//   - PGN opened as a working set, then its first store (which also puts
//     the opening import's writes on the disk) and a second one (ms); its
//     working set goes where TMPDIR (or the state folder) says.
// The databases it makes in DIR are removed at the end.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "database/DatabaseMan.h"
#include "database/PGNFileMan.h"
#include "platform/Files.h"

namespace {

const char *const kUsage = "store_sync PGN DIR [RUNS]";

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

void RemoveSet(const std::string &base) {
  const std::filesystem::path b(base);
  for (const auto &e : std::filesystem::directory_iterator(b.parent_path()))
    if (e.path().stem() == b.filename()) std::filesystem::remove(e.path());
}

// The import into a new database: seconds, or -1.
double Import(const std::string &pgn, const std::string &qcx) {
  DatabaseO db;
  bool report = false, flag = false;
  if (!db.Open(qcx, nullptr, nullptr, report)) return -1;
  const auto t = std::chrono::steady_clock::now();
  if (!db.ImportDatabase(pgn, nullptr, nullptr, false, false, flag)) return -1;
  const double s = Since(t);
  db.Close(nullptr);
  return s;
}

// Milliseconds of each of runs stores of game n (back in its place when
// replace, else added); empty after a failure.
std::vector<double> Stores(DatabaseO &db, int32_t n, bool replace, int runs) {
  ParseResultT result;
  std::unique_ptr<GameO> game = db.LoadGame(n, result);
  std::vector<double> ms;
  if (!game) return ms;
  for (int i = 0; i < runs; ++i) {
    const auto t = std::chrono::steady_clock::now();
    if ((replace ? db.SaveGame(n, *game) : db.AddGame(*game)) == 0) return {};
    ms.push_back(Since(t) * 1000);
  }
  return ms;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 3 || argc > 4 || IsOption(argv[1]) || IsOption(argv[2])) Usage(kUsage);
  const std::string pgn = argv[1];
  const std::string dir = files::IncludeTrailingSlash(argv[2]);
  const int runs = argc == 4 ? static_cast<int>(NumberArg(argv[3], 1, 100, kUsage)) : 3;
  if (!files::FileExists(pgn) || !files::DirExists(dir)) {
    std::fprintf(stderr, "%s or %s not found\n", pgn.c_str(), dir.c_str());
    return 1;
  }
  const std::string base = dir + "store_sync";
  if (files::Exists(base + ".qcx")) {
    std::fprintf(stderr, "%s.qcx exists already\n", base.c_str());
    return 1;
  }

  std::vector<double> imports;
  for (int i = 0; i < runs; ++i) {
    RemoveSet(base);
    const double s = Import(pgn, base + ".qcx");
    if (s < 0) return 1;
    imports.push_back(s);
  }
  std::printf("import into a new database: best %.2f s, median %.2f s (%d runs)\n",
              *std::min_element(imports.begin(), imports.end()), Median(imports), runs);

  {
    DatabaseO db;
    bool report = false;
    if (!db.Open(base + ".qcx", nullptr, nullptr, report)) return 1;
    const int32_t count = db.GameCount();
    const std::vector<double> replaced = Stores(db, count / 2, true, 20);
    const std::vector<double> added = Stores(db, count / 3, false, 20);
    if (replaced.empty() || added.empty()) return 1;
    std::printf(
        "database of %d games: a game stored in its place %.2f ms, a game added %.2f ms (medians of 20)\n",
        count, Median(replaced), Median(added));
    db.Close(nullptr);
  }
  RemoveSet(base);

  // A copy, which the close writes back.
  const std::string copy = base + ".pgn";
  if (!files::Copy(pgn, copy)) return 1;
  {
    DatabaseO db;
    bool report = false;
    auto t = std::chrono::steady_clock::now();
    if (!db.Open(copy, nullptr, nullptr, report)) return 1;
    const double open = Since(t);
    const std::vector<double> first = Stores(db, db.GameCount() / 2, true, 1);
    const std::vector<double> second = Stores(db, db.GameCount() / 2, true, 1);
    if (first.empty() || second.empty()) return 1;
    std::printf("PGN file opened in %.2f s: first store %.2f ms, second store %.2f ms\n", open, first[0],
                second[0]);
    db.Close(nullptr);
  }
  files::Delete(copy);
  CloseImportFile();
  return 0;
}
