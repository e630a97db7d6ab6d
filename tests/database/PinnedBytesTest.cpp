// The bytes a fixed corpus of generated games leaves on disk, once after
// one import into a new database and once after three more imports into
// the same one (with a reopen between; the last import alone brings more
// new names than the table of recent names holds), pinned by checksums of
// every file of the set. Faster writing and name lookups must leave them as they are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "TestUtil.h"
#include "chess/Moves.h"
#include "chess/Posns.h"
#include "database/DatabaseMan.h"
#include "foundation/LangMan.h"

namespace {

using testutil::TempDir;

// Legal moves in an order of their own (from, to, promotion), so the corpus
// does not hang on the order the move generator lists them in.
std::vector<MoveRec> SortedMoves(PositionO &pos) {
  std::vector<MoveRec> moves = pos.MovesOfSideToMove();
  auto key = [](const MoveRec &m) {
    return std::tuple(m.fromFile, m.fromRank, m.toFile, m.toRank, m.promotion);
  };
  std::sort(moves.begin(), moves.end(), [&](const MoveRec &a, const MoveRec &b) { return key(a) < key(b); });
  return moves;
}

class Corpus {
 public:
  explicit Corpus(uint32_t seed) : rng_(seed) {}

  // count games; about one name in ten is a regular, the rest are new, so
  // the name indexes grow well past what any cache of recent names holds.
  std::string Games(int count) {
    std::string out;
    for (int g = 0; g < count; ++g) Game(out);
    return out;
  }

 private:
  int Pick(int n) { return static_cast<int>(rng_() % static_cast<uint32_t>(n)); }
  bool Chance(int percent) { return Pick(100) < percent; }

  std::string Name() {
    static const char *const kRegulars[] = {"Bakker", "de Vries, Anna", "Jansen, Piet", "Smit", "Visser, J."};
    if (Chance(10)) return kRegulars[Pick(5)];
    return "Player" + std::to_string(Pick(100000)) + ", " + static_cast<char>('A' + Pick(26)) + ".";
  }

  static void Tag(std::string &out, const char *name, const std::string &value) {
    out += std::string("[") + name + " \"" + value + "\"]\n";
  }

  void Game(std::string &out) {
    static const char *const kResults[] = {"1-0", "0-1", "1/2-1/2", "*"};
    const std::string result = kResults[Pick(4)];
    Tag(out, "Event", "Event " + std::to_string(Pick(300)));
    Tag(out, "Site", "Site " + std::to_string(Pick(40)));
    Tag(out, "Date",
        std::to_string(1950 + Pick(70)) + "." + std::to_string(10 + Pick(3)) + ".1" +
            std::to_string(Pick(10)));
    Tag(out, "Round", std::to_string(1 + Pick(9)));
    Tag(out, "White", Name());
    Tag(out, "Black", Name());
    Tag(out, "Result", result);
    if (Chance(50)) Tag(out, "WhiteElo", std::to_string(1500 + Pick(1200)));
    if (Chance(50)) Tag(out, "BlackElo", std::to_string(1500 + Pick(1200)));
    if (Chance(30))
      Tag(out, "ECO", std::string(1, static_cast<char>('A' + Pick(5))) + std::to_string(10 + Pick(90)));
    if (Chance(10)) Tag(out, "Annotator", "Annotator " + std::to_string(Pick(50)));
    out += "\n";
    PositionO pos;
    const int plies = 1 + Pick(90);
    std::string line;
    for (int ply = 0; ply < plies; ++ply) {
      std::vector<MoveRec> moves = SortedMoves(pos);
      if (moves.empty()) break;
      MoveRec m = moves[static_cast<size_t>(Pick(static_cast<int>(moves.size())))];
      pos.CompleteMove(m);
      if (pos.SideToMove() == cWhite) line += std::to_string(pos.MoveNumber()) + ". ";
      line += m.ToText(mtShort, LangEnglish) + " ";
      if (Chance(3)) line += "$" + std::to_string(1 + Pick(20)) + " ";
      if (Chance(3)) line += "{a comment " + std::to_string(Pick(1000)) + "} ";
      if (Chance(3) && moves.size() > 1) {
        MoveRec alt = moves[static_cast<size_t>(Pick(static_cast<int>(moves.size())))];
        if (!alt.Equal(m)) {
          pos.CompleteMove(alt);
          line += "(" + std::to_string(pos.MoveNumber()) + (pos.SideToMove() == cWhite ? ". " : "... ") +
                  alt.ToText(mtShort, LangEnglish) + ") ";
        }
      }
      pos.MakeMove(m);
      if (line.size() > 70) {
        out += line + "\n";
        line.clear();
      }
    }
    out += line + result + "\n\n";
  }

  std::mt19937 rng_;
};

// FNV-1a over every file of the set, keyed by the file's extension.
std::map<std::string, uint64_t> Checksums(const TempDir &dir) {
  std::map<std::string, uint64_t> sums;
  for (const auto &e : std::filesystem::directory_iterator(dir.Path())) {
    const std::string name = e.path().filename().string();
    if (name.rfind("pinned.", 0) != 0) continue;
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : dir.Read(name)) h = (h ^ c) * 1099511628211ull;
    sums[e.path().extension().string()] = h;
  }
  return sums;
}

std::string Listing(const std::map<std::string, uint64_t> &sums) {
  std::string s;
  for (const auto &[ext, h] : sums)
    s += "      {\"" + ext + "\", 0x" + (std::stringstream() << std::hex << h).str() + "ull},\n";
  return s;
}

bool Import(DatabaseO &db, const std::string &file) {
  bool flag = false;
  return db.ImportDatabase(file, nullptr, nullptr, false, false, flag);
}

bool Open(DatabaseO &db, const std::string &path) {
  bool report = false;
  return db.Open(path, nullptr, nullptr, report);
}

}  // namespace

TEST(PinnedBytes, ImportsLeaveTheRecordedFiles) {
  TempDir dir;
  testutil::AppDirGuard app(dir.Path() + "app");
  std::filesystem::create_directory(dir.Path() + "app");
  Corpus corpus(20261207);
  for (int i = 0; i < 4; ++i)
    dir.Write("part" + std::to_string(i) + ".pgn", corpus.Games(i == 3 ? 2000 : 400));

  // Opens the set, imports the parts first..last, closes it.
  const std::string qcx = dir.File("pinned.qcx");
  auto importParts = [&](int first, int last, int games) {
    DatabaseO db;
    ASSERT_TRUE(Open(db, qcx));
    for (int i = first; i <= last; ++i)
      ASSERT_TRUE(Import(db, dir.File("part" + std::to_string(i) + ".pgn")));
    EXPECT_EQ(db.GameCount(), games);
    ASSERT_TRUE(db.Close(nullptr));
  };
  importParts(0, 0, 400);
  const std::map<std::string, uint64_t> once = Checksums(dir);
  EXPECT_EQ(once, (std::map<std::string, uint64_t>{{".and", 0x451d6a68644249ull},
                                                   {".ani", 0x92690369c9f1c2a9ull},
                                                   {".ans", 0x14650fb0739d0383ull},
                                                   {".bes", 0x5c5a4e9d60e90e9dull},
                                                   {".bli", 0x48ee34383558d97full},
                                                   {".bpl", 0xc4373ffdc4deffdaull},
                                                   {".esd", 0xffb85eb523be09bbull},
                                                   {".esi", 0xe14d1169bdb9ce1bull},
                                                   {".ess", 0x89f16fd13c25071full},
                                                   {".gad", 0xbb08c4727af6b23bull},
                                                   {".gai", 0xf2647e4ab88061e6ull},
                                                   {".pld", 0xa7620370d9ec569ull},
                                                   {".pli", 0x4f97dfe1ad91d899ull},
                                                   {".pls", 0x8bfb35bcddae22eull},
                                                   {".qcx", 0x81ad96963b26d91dull}}))
      << Listing(once);

  importParts(1, 3, 3200);
  const std::map<std::string, uint64_t> more = Checksums(dir);
  EXPECT_EQ(more, (std::map<std::string, uint64_t>{{".and", 0x7a90b22ca7eac4c8ull},
                                                   {".ani", 0x62a15741e9deadedull},
                                                   {".ans", 0x14650fb0739d0383ull},
                                                   {".bes", 0x906b109f0125aad3ull},
                                                   {".bli", 0x2d0bc40fdeca98ceull},
                                                   {".bpl", 0xa4e9594394440c8aull},
                                                   {".esd", 0xfc0d68958f78bff5ull},
                                                   {".esi", 0xdcd74ec98a198c15ull},
                                                   {".ess", 0x9fcab670134638cbull},
                                                   {".gad", 0x955700a3ca6bee7full},
                                                   {".gai", 0x71fd33353d3a7139ull},
                                                   {".pld", 0xa9f009fa83ed9718ull},
                                                   {".pli", 0x3ad545926300f1bbull},
                                                   {".pls", 0x294211a62c3d27f2ull},
                                                   {".qcx", 0x81ad96963b26d91dull}}))
      << Listing(more);
}
