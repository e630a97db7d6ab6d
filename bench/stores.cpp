// The stores, counted and timed:
//   stores
// First 200,000 appends spread over 3,000 lists in cache mode, then one long
// list of 100,000 appends outside it; each prints appends per second and the
// buckets read and written, per list and per bucket filled. Then a name
// index: 100,000 FindOrAdd in bulk mode (30 % repeats, some of them in
// another letter case) and the closing sort, then 100,000 Find.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "database/IndexMan.h"
#include "database/IntegerListStoreMan.h"
#include "platform/Dirs.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

namespace {

void Report(const char *what, const IntegerListStoreManO &ls, long adds, double seconds, long lists,
            long bucketsFilled) {
  const StoreIoCounts io = ls.IoCounts();
  std::printf("%s: %ld appends in %.3f s, %.0f appends/s\n", what, adds, seconds,
              seconds > 0 ? adds / seconds : 0.0);
  std::printf("  bucket reads %llu (%.2f per list, %.2f per bucket filled)\n",
              static_cast<unsigned long long>(io.reads), static_cast<double>(io.reads) / lists,
              static_cast<double>(io.reads) / static_cast<double>(bucketsFilled));
  std::printf("  bucket writes %llu (%.2f per list, %.2f per bucket filled)\n",
              static_cast<unsigned long long>(io.writes), static_cast<double>(io.writes) / lists,
              static_cast<double>(io.writes) / static_cast<double>(bucketsFilled));
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 1) {
    std::fprintf(stderr, "usage: %s\n", argv[0]);
    return 2;
  }
  const std::string dir = dirs::MakeTempFile("stores_bench");
  if (dir.empty()) return 1;
  const std::string path = dir + ".gls";
  IntegerListStoreManO ls;
  if (!ls.Open(path)) return 1;

  constexpr long kLists = 3000, kSpread = 200000, kLong = 100000;
  std::vector<uint32_t> ids;
  for (long i = 0; i < kLists; ++i) ids.push_back(ls.NewList());
  std::mt19937 rng(1);
  ls.ResetIoCounts();
  auto start = std::chrono::steady_clock::now();
  ls.EnableCache();
  for (long i = 0; i < kSpread; ++i) ls.Add(ids[rng() % kLists], static_cast<uint32_t>(i));
  if (!ls.DisableCache()) return 1;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Report("cache mode, 3000 lists", ls, kSpread, seconds, kLists, kSpread / 10);

  const uint32_t one = ls.NewList();
  ls.ResetIoCounts();
  start = std::chrono::steady_clock::now();
  for (long i = 0; i < kLong; ++i) ls.Add(one, static_cast<uint32_t>(i));
  seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  Report("one list, no cache", ls, kLong, seconds, 1, kLong / 10);

  ls.CloseAndDelete();

  IndexManO idx;
  if (!idx.Open(dir + ".pli")) return 1;
  constexpr long kNames = 100000;
  std::vector<std::string> names;
  auto seconds_since = [](auto t) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
  };
  start = std::chrono::steady_clock::now();
  idx.BeginBulkAdd();
  for (long i = 0; i < kNames; ++i) {
    std::string name;
    if (!names.empty() && rng() % 10 < 3) {
      name = names[rng() % names.size()];
      if (rng() % 3 == 0) name = win1252::UpperCase(name);
    } else {
      name = "Player " + std::to_string(rng() % 100000000) + ", " + static_cast<char>('A' + rng() % 26) + ".";
      names.push_back(name);
    }
    idx.FindOrAdd(name);
  }
  seconds = seconds_since(start);
  const auto sortStart = std::chrono::steady_clock::now();
  if (!idx.EndBulkAdd()) return 1;
  const double sortSeconds = seconds_since(sortStart);
  std::printf("names: %ld FindOrAdd in bulk mode in %.3f s, %.0f names/s, %d ids; closing sort %.3f s\n",
              kNames, seconds, kNames / seconds, idx.Count(), sortSeconds);
  start = std::chrono::steady_clock::now();
  long found = 0;
  for (long i = 0; i < kNames; ++i) found += idx.Find(names[rng() % names.size()]) != 0;
  seconds = seconds_since(start);
  std::printf("names: %ld Find in %.3f s, %.0f finds/s (%ld found)\n", kNames, seconds, kNames / seconds,
              found);
  idx.CloseAndDelete();
  files::Delete(dir);
  return 0;
}
