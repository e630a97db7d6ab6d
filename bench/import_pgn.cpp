// Packs every game of a PGN file through the bulk importer:
//   import_pgn FILE [ENCODING]
// The games are packed with the one-byte encoding (or the given one, 0-2)
// and only counted; the error log goes to the program's writable directory.
// Ends with the line "N games packed, M errors, R games/s".
//
//   import_pgn --db OUT.qcx [--keys] [--export OUT.pgn] FILE
// imports the file into a new native database through the database object
// and closes it (import and close times, games per second, bytes on disk
// per game, and the share of the run's time spent in the system, from
// getrusage); with --export every game is first written back as PGN. With
// --keys the database gets its opening keys first (from the program
// folder's defaults, see TORVANEL_APPDIR) and the import classifies.
//
//   import_pgn --open FILE [--export OUT.pgn]
// opens an existing PGN file (as a temporary database) or native database
// (".qcx"), with --export writes every game to OUT.pgn, and closes it
// unchanged. A failed open ends with status 1 after its message.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchArgs.h"
#include "database/DatabaseMan.h"
#include "database/PGNFileMan.h"
#include "database/QZUtils.h"
#include "platform/Files.h"

namespace {

const char *const kUsage =
    "import_pgn FILE [ENCODING] | import_pgn --db OUT.qcx [--keys] [--export OUT.pgn] FILE | "
    "import_pgn --open FILE [--export OUT.pgn]";

double Since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

int PackOnly(const std::string &file, int encoding) {
  long games = 0;
  uint64_t bytes = 0, plies = 0;
  bool cancel = false;
  const auto start = std::chrono::steady_clock::now();
  const PGNImportResult r = ImportPGNFile(
      file, cancel, encoding, nullptr, false, false,
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
  const double seconds = Since(start);
  if (!r.opened) return 1;
  std::printf("%.3f s, %llu packed bytes, %llu moves, log %s\n", seconds,
              static_cast<unsigned long long>(bytes), static_cast<unsigned long long>(plies),
              ImportLogPath().c_str());
  std::printf("%d games packed, %d errors, %.0f games/s\n", r.games, r.errors,
              seconds > 0 ? games / seconds : 0.0);
  return r.Complete() ? 0 : 1;
}

// The process's user and system seconds so far.
struct CpuTimes {
  double user = 0, system = 0;
  static CpuTimes Now() {
    rusage u{};
    if (::getrusage(RUSAGE_SELF, &u) != 0) return {};
    auto sec = [](const timeval &t) {
      return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return {sec(u.ru_utime), sec(u.ru_stime)};
  }
};

int64_t SetSize(const std::string &base) {
  int64_t total = 0;
  for (const char *ext : {".qcx", ".gad", ".gai", ".pld", ".pli", ".pls", ".esd", ".esi", ".ess", ".and",
                          ".ani", ".ans", ".bpl", ".bes", ".bli"})
    total += std::max<int64_t>(files::FileSize(base + ext), 0);
  return total;
}

int IntoDatabase(const std::string &file, const std::string &qcx, const std::string &exportTo, bool keys) {
  const std::string base = files::ChangeFileExt(qcx, "");
  if (files::Exists(qcx) || files::Exists(base + ".gai")) {
    std::fprintf(stderr, "%s: the database exists already\n", qcx.c_str());
    return 1;
  }
  DatabaseO db;
  bool report = false;
  const CpuTimes cpu0 = CpuTimes::Now();
  auto t = std::chrono::steady_clock::now();
  if (!db.Open(qcx, nullptr, nullptr, report)) return 1;
  if (keys && !db.CreateKeys()) return 1;
  const double open = Since(t);
  t = std::chrono::steady_clock::now();
  bool flag = false;
  if (!db.ImportDatabase(file, nullptr, nullptr, false, false, flag)) return 1;
  const double import = Since(t);
  const int games = db.GameCount();
  double exported = 0;
  if (!exportTo.empty()) {
    t = std::chrono::steady_clock::now();
    if (db.ExportDatabase(exportTo, nullptr) != DatabaseO::ExportResult::Done) return 1;
    exported = Since(t);
  }
  t = std::chrono::steady_clock::now();
  if (!db.Close(nullptr)) return 1;
  const double close = Since(t);
  const CpuTimes cpu1 = CpuTimes::Now();
  const double total = open + import + close;
  const int64_t onDisk = SetSize(base);
  std::printf("open %.3f s, import %.3f s, close %.3f s: %.3f s for %d games, %.0f games/s\n", open, import,
              close, total, games, total > 0 ? games / total : 0.0);
  std::printf("%lld bytes on disk, %.1f bytes/game\n", static_cast<long long>(onDisk),
              games > 0 ? static_cast<double>(onDisk) / games : 0.0);
  const double user = cpu1.user - cpu0.user, system = cpu1.system - cpu0.system;
  std::printf("cpu %.3f s user, %.3f s system: %.1f%% of the cpu time in system calls%s\n", user, system,
              user + system > 0 ? 100.0 * system / (user + system) : 0.0,
              exportTo.empty() ? "" : " (export included)");
  if (!exportTo.empty())
    std::printf("export %.3f s, %lld bytes, %.0f games/s\n", exported,
                static_cast<long long>(files::FileSize(exportTo)), exported > 0 ? games / exported : 0.0);
  return 0;
}

int OpenAsDatabase(const std::string &file, const std::string &exportTo) {
  // Open would make a new database or PGN file of a missing name.
  if (!files::FileExists(file)) {
    std::fprintf(stderr, "%s: no such file\n", file.c_str());
    return 1;
  }
  DatabaseO db;
  bool report = false;
  auto t = std::chrono::steady_clock::now();
  if (!db.Open(file, nullptr, nullptr, report)) {
    std::fprintf(stderr, "%s: could not be opened\n", file.c_str());
    return 1;
  }
  const double open = Since(t);
  const int games = db.GameCount();
  double exported = 0;
  if (!exportTo.empty()) {
    t = std::chrono::steady_clock::now();
    if (db.ExportDatabase(exportTo, nullptr) != DatabaseO::ExportResult::Done) {
      std::fprintf(stderr, "%s: the export failed\n", exportTo.c_str());
      db.Close(nullptr);
      return 1;
    }
    exported = Since(t);
  }
  t = std::chrono::steady_clock::now();
  if (!db.Close(nullptr)) return 1;
  const double close = Since(t);
  std::printf("open %.3f s (%d games, %.0f games/s), close unchanged %.3f s\n", open, games,
              open > 0 ? games / open : 0.0, close);
  if (!exportTo.empty())
    std::printf("export %.3f s, %lld bytes, %.0f games/s\n", exported,
                static_cast<long long>(files::FileSize(exportTo)), exported > 0 ? games / exported : 0.0);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  std::string db, exportTo, file;
  bool open = false, keys = false;
  int encoding = -1;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--db" && i + 1 < argc && db.empty() && !IsOption(argv[i + 1])) {
      db = argv[++i];
    } else if (a == "--export" && i + 1 < argc && exportTo.empty() && !IsOption(argv[i + 1])) {
      exportTo = argv[++i];
    } else if (a == "--keys" && !keys) {
      keys = true;
    } else if (a == "--open" && !open) {
      open = true;
    } else if (!IsOption(argv[i]) && file.empty()) {
      file = a;
    } else if (!IsOption(argv[i]) && encoding < 0 && db.empty() && !open) {
      encoding = static_cast<int>(NumberArg(argv[i], 0, 2, kUsage));
    } else {
      Usage(kUsage);
    }
  }
  // One mode at a time; --export only with --db or --open; the encoding only alone.
  if (file.empty() || (open && !db.empty()) || (!exportTo.empty() && db.empty() && !open) ||
      (encoding >= 0 && (open || !db.empty())) || (keys && db.empty()))
    Usage(kUsage);
  if (!db.empty()) {
    if (files::ExtractFileExt(db) != ".qcx" ||
        (!exportTo.empty() && files::ExtractFileExt(exportTo) != ".pgn"))
      Usage(kUsage);
    return IntoDatabase(file, db, exportTo, keys);
  }
  if (open) {
    if (!exportTo.empty() && files::ExtractFileExt(exportTo) != ".pgn") Usage(kUsage);
    return OpenAsDatabase(file, exportTo);
  }
  return PackOnly(file, encoding < 0 ? encIndexed : encoding);
}
