// Times the database's long commands on a PGN file (make_pgn's 100,000
// games) in a scratch directory:
//   db_commands PGN DIR
// Run with TORVANEL_APPDIR at a folder holding "class.txt" (the build's
// bin/). Prints games per second for:
//   - the import into a new database with keys, classifying, then not;
//   - the first 10,000 games beside all of them, keys on (ratio near 10);
//   - a native database imported into a new one;
//   - keys made and every game classified in a database without keys.
// The databases it makes in DIR are removed at the end.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchArgs.h"
#include "database/DatabaseMan.h"
#include "database/PGNFileMan.h"
#include "foundation/comDlgAbort.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"

namespace {

const char *const kUsage = "db_commands PGN DIR";

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

// Cancels the import once it has stored limit games.
class CancelAfterGames {
 public:
  CancelAfterGames(AbortDlgO &dlg, DatabaseO &db, int32_t limit) {
    ui::Hooks h = ui::CurrentHooks();
    h.processMessages = [&dlg, &db, limit] {
      if (db.GameCount() >= limit) dlg.Cancel();
    };
    old_ = ui::InstallHooks(h);
  }
  ~CancelAfterGames() { ui::InstallHooks(old_); }

 private:
  ui::Hooks old_;
};

struct Scratch {
  std::string dir;
  int next = 0;
  std::string NewName() { return dir + "bench" + std::to_string(++next) + ".qcx"; }
  ~Scratch() {
    std::vector<std::filesystem::path> made;
    for (const auto &e : std::filesystem::directory_iterator(dir))
      for (int i = 1; i <= next; ++i)
        if (e.path().filename().string().rfind("bench" + std::to_string(i) + ".", 0) == 0) made.push_back(e.path());
    for (const auto &p : made) std::filesystem::remove(p);
  }
};

bool OpenNew(DatabaseO &db, const std::string &name) {
  bool report = false;
  if (files::Exists(name)) {
    std::fprintf(stderr, "%s exists already\n", name.c_str());
    return false;
  }
  return db.Open(name, nullptr, nullptr, report);
}

void Line(const char *what, int32_t games, double seconds) {
  std::printf("%-44s %7d games %8.2f s %9.0f games/s\n", what, games, seconds, seconds > 0 ? games / seconds : 0.0);
}

// Imports the PGN file into a new database with keys; limit > 0 cancels
// after that many games. Answers the games per second, or -1.
double ImportWithKeys(Scratch &scratch, const std::string &pgn, bool classify, int32_t limit, const char *what) {
  DatabaseO db;
  if (!OpenNew(db, scratch.NewName()) || !db.CreateKeys()) return -1;
  db.ClassifyOnImport = classify;
  AbortDlgO dlg;
  dlg.Init();
  bool flag = false;
  const auto t = std::chrono::steady_clock::now();
  {
    CancelAfterGames cancel(dlg, db, limit > 0 ? limit : INT32_MAX);
    if (!db.ImportDatabase(pgn, &dlg, nullptr, false, false, flag)) return -1;
  }
  const double s = Since(t);
  Line(what, db.GameCount(), s);
  const double rate = s > 0 ? db.GameCount() / s : 0;
  db.Close(nullptr);
  return rate;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 3 || IsOption(argv[1]) || IsOption(argv[2])) Usage(kUsage);
  const std::string pgn = argv[1];
  Scratch scratch{files::IncludeTrailingSlash(argv[2])};
  if (!files::FileExists(pgn) || !files::DirExists(scratch.dir)) {
    std::fprintf(stderr, "%s or %s not found\n", pgn.c_str(), scratch.dir.c_str());
    return 1;
  }
  if (!KeyTreeO::HasDefaults()) {
    std::fprintf(stderr, "no class.txt in the program directory (TORVANEL_APPDIR)\n");
    return 1;
  }

  if (ImportWithKeys(scratch, pgn, true, 0, "import, keys, classifying") < 0) return 1;
  if (ImportWithKeys(scratch, pgn, false, 0, "import, keys, not classifying") < 0) return 1;
  const double first = ImportWithKeys(scratch, pgn, true, 10000, "first 10,000 games, keys, classifying");
  const double all = ImportWithKeys(scratch, pgn, true, 0, "all games, keys, classifying");
  if (first < 0 || all < 0) return 1;
  std::printf("time ratio all / first 10,000 for 10 times the games: %.2f\n", 10.0 * first / all);

  // A database without keys: the source of the native import, then keys
  // made and every game classified.
  const std::string plain = scratch.NewName();
  {
    DatabaseO db;
    bool flag = false;
    if (!OpenNew(db, plain) || !db.ImportDatabase(pgn, nullptr, nullptr, false, false, flag)) return 1;
    db.Close(nullptr);
  }
  {
    DatabaseO db;
    bool flag = false;
    if (!OpenNew(db, scratch.NewName())) return 1;
    const auto t = std::chrono::steady_clock::now();
    if (!db.ImportDatabase(plain, nullptr, nullptr, false, false, flag)) return 1;
    Line("native database imported", db.GameCount(), Since(t));
    db.Close(nullptr);
  }
  {
    DatabaseO db;
    bool report = false;
    if (!db.Open(plain, nullptr, nullptr, report)) return 1;
    auto t = std::chrono::steady_clock::now();
    if (!db.CreateKeys()) return 1;
    const double create = Since(t);
    t = std::chrono::steady_clock::now();
    if (!db.ClassifyAllGames(nullptr)) return 1;
    const double classify = Since(t);
    std::printf("CreateKeys %.2f s\n", create);
    Line("ClassifyAllGames", db.GameCount(), classify);
    Line("CreateKeys and ClassifyAllGames", db.GameCount(), create + classify);
    db.Close(nullptr);
  }
  CloseImportFile();
  return 0;
}
