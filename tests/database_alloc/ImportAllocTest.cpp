// Packing allocates nothing per game once the first games are done: the
// builder's areas, the scanner's texts and the run's buffer are reused. This
// program replaces the global allocation functions with counting ones, so
// it is a test executable of its own. Integer texts with a default are read
// without an exception (one would allocate its message).
#include <gtest/gtest.h>

#include <string>

#include "AllocCounter.h"
#include "TestUtil.h"
#include "database/PGNFileMan.h"
#include "database/QZParser.h"
#include "foundation/MyUtils.h"

namespace {

constexpr int kGames = 400;

// Games with tags, both comment kinds, NAGs, signs and nested variations.
std::string LargeText() {
  std::string text;
  for (int i = 0; i < kGames; ++i) {
    const std::string n = std::to_string(1000 + i);
    text += "[Event \"Club " + n + "\"]\n[Site \"Town\"]\n[White \"Player, " + n + "\"]\n[Black \"Other\"]\n";
    text +=
        "[Result \"1-0\"]\n\n{Game " + n + "} 1. e4! e5 2. Nf3 $14 (2. f4 exf4 (2... d5 3. exd5) 3. Nf3) ";
    text += "2... Nc6?! 3. Bb5 {Spanish " + n + "} a6 4. Ba4 Nf6 ; line " + n + "\n5. 0-0 Be7 6. Re1 b5 ";
    text += "7. Bb3 d6 8. c3 0-0 9. h3 Nb8 10. d4 Nbd7 $1 11. Nbd2 Bb7 12. Bc2 Re8 13. Nf1 Bf8 1-0\n\n";
  }
  return text;
}

}  // namespace

TEST(ImportAlloc, SecondHalfOfALargeTextPacksWithoutAllocating) {
  const std::string text = LargeText();
  size_t at = 0;
  long half = -1, end = -1;
  int games = 0;
  PGNCallbacks cb;
  cb.refill = [&](int64_t) {
    const size_t n = std::min<size_t>(10000, text.size() - at);
    std::string_view v(text.data() + at, n);
    at += n;
    return v;
  };
  cb.game = [&](const GameBuffer &, bool &) {
    if (++games == kGames / 2) half = alloccount::Allocations();
    if (games == kGames) end = alloccount::Allocations();
  };
  cb.error = [&](int64_t, int64_t, int64_t, int64_t, const std::string &) { ADD_FAILURE(); };
  bool cancel = false;
  const PGNParseResult r = ParsePGN(static_cast<int64_t>(text.size()), encIndexed, cancel, cb);
  EXPECT_EQ(r.games, kGames);
  EXPECT_GT(half, 0);
  EXPECT_EQ(end - half, 0);
  // The counter does count.
  const long before = alloccount::Allocations();
  auto probe = std::make_unique<int>(1);
  EXPECT_GT(alloccount::Allocations(), before);
}

TEST(ImportAlloc, FileImportKeepsItsBuffers) {
  testutil::TempDir dir;
  testutil::AppDirGuard guard(dir.Path());
  dir.Write("large.pgn", LargeText());
  long half = -1, end = -1;
  int games = 0;
  bool cancel = false;
  for (int enc : {encIndexed, encFromTo, encSan}) {
    games = 0;
    const PGNImportResult r = ImportPGNFile(
        dir.File("large.pgn"), cancel, enc, nullptr, false, false,
        [&](const GameBuffer &, bool &) {
          if (++games == kGames / 2) half = alloccount::Allocations();
          if (games == kGames) end = alloccount::Allocations();
        },
        nullptr, 777);
    EXPECT_EQ(r.games, kGames);
    EXPECT_EQ(r.errors, 0);
    EXPECT_EQ(end - half, 0) << enc;
  }
}

// Descriptors read absent "QVNrOfMoves" and Elo tags for most games: a
// default must come without building and throwing an exception.
TEST(ImportAlloc, IntegerDefaultsComeWithoutAnException) {
  const std::string absent, word = "abcdefghijklmnopqrstuvwxyz", huge = "99999999999999999999";
  const long before = alloccount::Allocations();
  EXPECT_EQ(StrToIntDef(absent, 7), 7);
  EXPECT_EQ(StrToIntDef(word, -1), -1);
  EXPECT_EQ(StrToIntDef(huge, 3), 3);
  EXPECT_EQ(StrToIntDef(" 2400", 0), 2400);
  EXPECT_EQ(alloccount::Allocations(), before);
}
