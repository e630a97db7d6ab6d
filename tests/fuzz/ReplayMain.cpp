// Replays a fuzz target's seed corpus (files or directories given as
// arguments) so the normal test run keeps every seed passing.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

static int RunFile(const std::filesystem::path &p) {
  std::ifstream in(p, std::ios::binary);
  std::vector<char> buf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(buf.data()), buf.size());
  return 1;
}

int main(int argc, char **argv) {
  int n = 0;
  for (int i = 1; i < argc; ++i) {
    std::filesystem::path p(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (auto &e : std::filesystem::directory_iterator(p))
        if (e.is_regular_file()) n += RunFile(e.path());
    } else if (std::filesystem::exists(p)) {
      n += RunFile(p);
    }
  }
  std::printf("%d passed, 0 failed\n", n);
  return 0;
}
