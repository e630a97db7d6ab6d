// Packed games from arbitrary bytes through every reader: the manager's
// Attach, reads and tags, the player, the movetext writer and the two-byte
// re-encoding. Nothing may read out of bounds or loop, and the readers must
// agree: they walk the same stream, so they accept the same blocks.
//
// Input: a first byte 0 takes the rest as a whole block; otherwise the rest
// is flags, a stream length and a tag length (one byte each), the start
// position when flagged, the stream, the tag text, and the comment and NAG
// areas split at the last NUL, with the header made to fit. So mutations of
// the stream keep a block that Attach takes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "database/QZGamePlayer.h"
#include "database/QZUtils.h"
#include "platform/Errors.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

GameBuffer Block(const uint8_t *p, size_t n) {
  GameBuffer buf;
  SizeGameBuffer(buf, static_cast<uint32_t>(n));
  std::copy(p, p + n, buf.bytes.get());
  return buf;
}

void Put(std::vector<uint8_t> &v, size_t at, size_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

GameBuffer Structured(const uint8_t *p, size_t n) {
  if (n < 3) return Block(p, n);
  const uint8_t flags = p[0];
  size_t streamLen = p[1], tagLen = p[2];
  size_t i = 3;
  std::vector<uint8_t> v(17, 0);
  v[4] = flags;
  if (flags & 1) {
    const size_t k = std::min<size_t>(24, n - i);
    v.insert(v.end(), p + i, p + i + k);
    v.resize(41, 0);
    i += k;
  }
  streamLen = std::min(streamLen, n - i);
  v.insert(v.end(), p + i, p + i + streamLen);
  i += streamLen;
  const size_t tagOff = v.size();
  tagLen = std::min(tagLen, n - i);
  v.insert(v.end(), p + i, p + i + tagLen);
  i += tagLen;
  v.push_back(0);
  const size_t commentOff = v.size();
  size_t lastNul = n;
  for (size_t k = n; k > i; --k)
    if (p[k - 1] == 0) {
      lastNul = k;
      break;
    }
  if (lastNul == n) lastNul = i;  // no comments
  v.insert(v.end(), p + i, p + lastNul);
  const size_t nagOff = v.size();
  v.insert(v.end(), p + lastNul, p + n);
  Put(v, 0, v.size());
  Put(v, 5, tagOff);
  Put(v, 9, commentOff);
  Put(v, 13, nagOff);
  return Block(v.data(), v.size());
}

// Walks the player's tree depth first for a bounded number of steps, then
// back to the start.
void Navigate(QZGamePlayerO &pl) {
  const MailboxPos start = pl.CurrentPosition();
  int steps = 0;
  std::vector<int> next = {1};
  while (!next.empty() && steps++ < 3000) {
    if (next.back() <= pl.CurrentPly() && pl.Forward(next.back())) {
      ++next.back();
      next.push_back(1);
    } else {
      next.pop_back();
      if (!next.empty()) Check(pl.Back());
    }
  }
  while (pl.CanGoBack()) Check(pl.Back());
  Check(pl.PathLength() == 0);
  Check(MailboxPos::Equal(pl.CurrentPosition(), start));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size == 0 || size > 1 << 20) return 0;
  const GameBuffer buf = data[0] == 0 ? Block(data + 1, size - 1) : Structured(data + 1, size - 1);

  QZGameManagerO man;
  const bool attached = man.Attach(buf);
  if (attached) {
    for (int i = 1; i <= man.TagCount(); ++i) {
      (void)man.TagName(i);
      (void)man.TagValue(i);
    }
    (void)man.GetResult();
    (void)man.GetTagValue("FEN");
    // The raw reads on their own: each stays in its area and ends.
    uint8_t b;
    std::string text;
    size_t reads = 0;
    while (man.ReadMoveByte(b)) ++reads;
    while (man.ReadComment(text)) ++reads;
    while (man.ReadNAG(b)) ++reads;
    Check(reads <= buf.length);
  }
  std::string tags;
  Check(WriteTagsPGN(buf, true, tags) == attached);

  QZGamePlayerO pl;
  const bool played = pl.Attach(buf);
  std::string one, wrapped;
  const bool written = WriteGamePGN(buf, false, one);
  Check(WriteGamePGN(buf, true, wrapped) == written);
  Check(played == written);
  Check(!played || attached);
  if (played) {
    Check(!one.empty() && one[0] == ' ');
    // Wrapping only turns blanks into line breaks (comments may hold line
    // breaks of their own).
    auto join = [](std::string t) {
      for (size_t at; (at = t.find("\r\n")) != std::string::npos;) t.replace(at, 2, " ");
      return t;
    };
    Check(join(wrapped) == join(one));
    Navigate(pl);
  } else {
    Check(one.empty() && pl.CurrentPly() == 0);
  }

  GameBuffer two;
  if (ReencodeGame(buf, two)) {
    Check(written);
    Check(QZGameManagerO::MoveEncoding(two) == encFromTo);
    std::string again;
    Check(WriteGamePGN(two, false, again));
    Check(again == one);
    QZGamePlayerO pl2;
    Check(pl2.Attach(two));
    Check(pl2.EntryCount() == pl.EntryCount());
  }
  return 0;
}
