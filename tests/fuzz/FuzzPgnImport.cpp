// The bulk PGN scanner over arbitrary bytes fed in small blocks. Nothing may
// read out of bounds or loop; every stored game must be a block the readers
// take; the offsets of a refused game must lie in the text the scanner
// promised to keep, and it must end where a refused game ends; and the
// blocks must not matter: the whole input as one
// block gives the same games and the same errors.
//
// Input: byte 0 picks the block size (1 to 16), byte 1 the encoding; the
// rest is the text.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/QZGamePlayer.h"
#include "database/QZParser.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

struct Outcome {
  std::vector<std::vector<uint8_t>> games;
  std::vector<std::vector<int64_t>> errors;
  std::vector<std::string> messages;
  PGNParseResult result;
};

Outcome Scan(std::string_view text, size_t block, int encoding) {
  Outcome o;
  const auto size = static_cast<int64_t>(text.size());
  int64_t delivered = 0;  // bytes handed out so far
  int64_t keptFrom = 0;   // the first byte the error callback may ask for
  PGNCallbacks cb;
  cb.refill = [&](int64_t keepFrom) {
    Check(keepFrom >= -1 && keepFrom < delivered + 1);
    const int64_t n = std::min<int64_t>(static_cast<int64_t>(block), size - delivered);
    keptFrom = keepFrom >= 0 ? std::min(keepFrom, delivered) : delivered;
    std::string_view v = text.substr(static_cast<size_t>(delivered), static_cast<size_t>(n));
    delivered += n;
    return v;
  };
  cb.game = [&](const GameBuffer &g, bool &) {
    Check(g.length <= g.capacity);
    QZGamePlayerO player;
    Check(player.Attach(g));
    std::string movetext;
    Check(WriteGamePGN(g, true, movetext));
    o.games.emplace_back(g.bytes.get(), g.bytes.get() + g.length);
  };
  cb.error = [&](int64_t gs, int64_t ge, int64_t es, int64_t ee, const std::string &message) {
    Check(gs >= keptFrom && gs <= ge && ge < delivered && ge < size);
    Check(es >= gs && es <= ee + 1 && es <= size && ee <= size);
    // A refused game starts at its text (a tag, a comment, stray moves)
    // and ends at the end, before a "[", or after a result token.
    const char first = text[static_cast<size_t>(gs)];
    Check(first != ' ' && first != '\t' && first != '\r' && first != '\n');
    const std::string_view read = text.substr(0, static_cast<size_t>(ge + 1));
    auto endsWith = [&](std::string_view r) { return read.size() >= r.size() && read.substr(read.size() - r.size()) == r; };
    Check(ge + 1 == size || text[static_cast<size_t>(ge + 1)] == '[' || endsWith("*") || endsWith("1-0") ||
          endsWith("0-1") || endsWith("1/2-1/2"));
    o.errors.push_back({gs, ge, es, ee});
    o.messages.push_back(message);
  };
  int64_t lastRead = 0;
  cb.progress = [&](int64_t read, int64_t total, bool &, int) {
    Check(read >= lastRead && read <= total && total == size);
    lastRead = read;
  };
  bool cancel = false;
  o.result = ParsePGN(size, encoding, cancel, cb);
  Check(o.result.games == static_cast<int>(o.games.size()));
  Check(o.result.errors == static_cast<int>(o.errors.size()));
  return o;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2) return 0;
  const size_t block = 1 + data[0] % 16;
  const int encoding = data[1] % 3;
  const std::string_view text(reinterpret_cast<const char *>(data + 2), size - 2);
  const Outcome small = Scan(text, block, encoding);
  const Outcome whole = Scan(text, text.size() + 1, encoding);
  Check(small.games == whole.games);
  Check(small.errors == whole.errors);
  Check(small.messages == whole.messages);
  // The string road agrees with the first game.
  GameBuffer single;
  if (ParseGameText(std::string(text), encoding, single)) {
    Check(whole.errors.empty() && !whole.games.empty());
    Check(std::vector<uint8_t>(single.bytes.get(), single.bytes.get() + single.length) == whole.games[0]);
    Check(single.capacity == single.length);
  } else {
    Check(!whole.errors.empty() || whole.games.empty());
  }
  return 0;
}
