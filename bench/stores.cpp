// Appends to the list store, counted and timed:
//   stores
// First 200,000 appends spread over 3,000 lists in cache mode, then one long
// list of 100,000 appends outside it; each prints appends per second and the
// buckets read and written, per list and per bucket filled.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "database/IntegerListStoreMan.h"
#include "platform/Dirs.h"
#include "platform/Files.h"

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
  files::Delete(dir);
  return 0;
}
