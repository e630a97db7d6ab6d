#include "database/QZUtils.h"

#include <algorithm>
#include <cstring>

#include "platform/Bytes.h"
#include "platform/Errors.h"

// ---------------------------------------------------------------------------
// Packed games

void FreeGameBuffer(GameBuffer &buf) {
  buf.bytes.reset();
  buf.capacity = 0;
  buf.length = 0;
  buf.summary = GameSummary{};
}

void SizeGameBuffer(GameBuffer &buf, uint32_t size) {
  buf.summary = GameSummary{};
  if (buf.capacity < size || !buf.bytes) {
    FreeGameBuffer(buf);
    buf.bytes = std::make_unique_for_overwrite<uint8_t[]>(size);
    buf.capacity = size;
  }
  buf.length = size;
}

namespace {

constexpr uint32_t kStartSize = 24;
constexpr uint32_t kSanSize = 11;

using le::GetU32;
using le::PutU32;

void SanToBytes(const SanMoveRec &r, uint8_t *p) {
  const uint8_t b[kSanSize] = {
      r.move.from,      r.move.to, r.undo.moved, r.undo.captured, r.undo.epCell, r.undo.lostCastling,
      r.disambiguation, r.capture, r.gameState,  r.moveNumber,    r.side};
  std::copy(b, b + kSanSize, p);
}

void SanFromBytes(const uint8_t *p, SanMoveRec &r) {
  r.move = Move2{p[0], p[1]};
  r.undo = MoveUndo{p[2], p[3], p[4], p[5]};
  r.disambiguation = p[6];
  r.capture = p[7];
  r.gameState = p[8];
  r.moveNumber = p[9];
  r.side = p[10];
}

bool HoldsNul(const std::string &s) { return s.find('\0') != std::string::npos; }

// Flags bits 1-2; the unused value 3 reads as the indexed encoding.
int EncodingOfFlags(uint8_t flags) {
  const int bits = (flags >> 1) & 3;
  return bits == 3 ? encIndexed : bits;
}

}  // namespace

void QZGameManagerO::Init() {
  Done();
  Reset();
}

void QZGameManagerO::Done() {
  tagText_.clear();
  std::vector<uint8_t>().swap(moves_);
  std::vector<uint8_t>().swap(comments_);
  std::vector<uint8_t>().swap(nags_);
  pendingNags_.clear();
  pendingComment_.clear();
  hasPendingComment_ = false;
  tagCount_ = 0;
  tagRead_.clear();
  tagsSplit_ = false;
  block_ = nullptr;
  // An empty builder again.
  lineHasMove_.assign(1, false);
  hasStart_ = ended_ = refused_ = false;
}

void QZGameManagerO::Reset() {
  tagText_.clear();
  hasStart_ = false;
  start_ = CompactPosition();
  // First capacities; the areas then keep what they grew to.
  if (moves_.capacity() == 0) moves_.reserve(1000);
  if (comments_.capacity() == 0) comments_.reserve(64000);
  if (nags_.capacity() == 0) nags_.reserve(1000);
  moves_.clear();
  comments_.clear();
  nags_.clear();
  pendingNags_.clear();
  pendingComment_.clear();
  hasPendingComment_ = false;
  lineHasMove_.assign(1, false);
  ended_ = false;
  refused_ = false;
}

bool QZGameManagerO::Refuse() {
  refused_ = true;
  return false;
}

bool QZGameManagerO::SetTagText(const std::string &text) {
  if (refused_) return false;
  if (HoldsNul(text)) return Refuse();
  tagText_ = text;
  return true;
}

void QZGameManagerO::SetStartPosition(const CompactPosition &pos) {
  start_ = pos;
  hasStart_ = true;
}

// Whether the held annotations and streamBytes more still fit both areas.
bool QZGameManagerO::Room(size_t streamBytes) {
  const size_t held = pendingNags_.size() + (hasPendingComment_ ? 1 : 0);
  return moves_.size() + held + streamBytes <= kMaxAreaBytes &&
         nags_.size() + pendingNags_.size() <= kMaxAreaBytes;
}

void QZGameManagerO::Flush() {
  for (uint8_t v : pendingNags_) {
    moves_.push_back(pkNag);
    nags_.push_back(v);
  }
  pendingNags_.clear();
  if (hasPendingComment_) {
    moves_.push_back(pkComment);
    comments_.insert(comments_.end(), pendingComment_.begin(), pendingComment_.end());
    comments_.push_back(0);
    pendingComment_.clear();
    hasPendingComment_ = false;
  }
}

bool QZGameManagerO::AppendMove(const uint8_t *data, size_t n) {
  if (refused_ || ended_) return Refuse();
  if (!Room(n)) return Refuse();
  Flush();
  moves_.insert(moves_.end(), data, data + n);
  lineHasMove_.back() = true;
  return true;
}

bool QZGameManagerO::AppendIndexedMove(int index) {
  // Higher indexes would read as control bytes.
  if (index < 1 || index > kMaxMoveIndex) return Refuse();
  const uint8_t b = static_cast<uint8_t>(index);
  return AppendMove(&b, 1);
}

bool QZGameManagerO::AppendFromToMove(Move2 m) {
  // A from byte of 64 or more is no square and could read as a control byte.
  if (m.from >= 64) return Refuse();
  const uint8_t b[2] = {m.from, m.to};
  return AppendMove(b, 2);
}

bool QZGameManagerO::AppendSanMove(const SanMoveRec &rec) {
  if (rec.move.from >= 64) return Refuse();
  uint8_t b[kSanSize];
  SanToBytes(rec, b);
  return AppendMove(b, kSanSize);
}

bool QZGameManagerO::AppendNAG(int value) {
  if (refused_ || ended_) return Refuse();
  if (value < 0 || value > 255) return Refuse();
  pendingNags_.push_back(static_cast<uint8_t>(value));
  if (!Room(0)) return Refuse();
  return true;
}

bool QZGameManagerO::AppendComment(const std::string &text) {
  if (refused_ || ended_) return Refuse();
  if (HoldsNul(text)) return Refuse();
  if (!hasPendingComment_) {
    pendingComment_ = text;
    hasPendingComment_ = true;
  } else if (!text.empty()) {
    if (!pendingComment_.empty()) pendingComment_ += ' ';
    pendingComment_ += text;
  }
  if (!Room(0)) return Refuse();
  return true;
}

bool QZGameManagerO::BeginVariation() {
  if (refused_ || ended_) return Refuse();
  // An alternative needs a move to replace.
  if (!lineHasMove_.back() || !Room(1)) return Refuse();
  Flush();
  moves_.push_back(pkVariation);
  lineHasMove_.push_back(false);
  return true;
}

bool QZGameManagerO::EndVariation() {
  if (refused_ || ended_) return Refuse();
  if (lineHasMove_.size() < 2 || !Room(1)) return Refuse();
  Flush();
  moves_.push_back(pkEndLine);
  lineHasMove_.pop_back();
  return true;
}

bool QZGameManagerO::EndGame() {
  if (refused_ || ended_) return Refuse();
  if (lineHasMove_.size() != 1 || !Room(1)) return Refuse();
  Flush();
  moves_.push_back(pkEndLine);
  ended_ = true;
  return true;
}

bool QZGameManagerO::Pack(GameBuffer &buf) {
  if (refused_ || !ended_) return false;
  const uint64_t streamStart = kHeaderSize + (hasStart_ ? kStartSize : 0);
  const uint64_t tagOff = streamStart + moves_.size();
  const uint64_t commentOff = tagOff + tagText_.size() + 1;
  const uint64_t nagOff = commentOff + comments_.size();
  const uint64_t total = nagOff + nags_.size();
  if (total > UINT32_MAX) return Refuse();

  SizeGameBuffer(buf, static_cast<uint32_t>(total));
  uint8_t *p = buf.bytes.get();
  PutU32(p, static_cast<uint32_t>(total));
  p[4] = hasStart_ ? 1 : 0;
  PutU32(p + 5, static_cast<uint32_t>(tagOff));
  PutU32(p + 9, static_cast<uint32_t>(commentOff));
  PutU32(p + 13, static_cast<uint32_t>(nagOff));
  if (hasStart_) std::copy(start_.bytes.begin(), start_.bytes.end(), p + kHeaderSize);
  std::copy(moves_.begin(), moves_.end(), p + streamStart);
  std::copy(tagText_.begin(), tagText_.end(), p + tagOff);
  p[commentOff - 1] = 0;
  std::copy(comments_.begin(), comments_.end(), p + commentOff);
  std::copy(nags_.begin(), nags_.end(), p + nagOff);
  return true;
}

void QZGameManagerO::SetEncoding(GameBuffer &buf, int encoding) {
  CheckRange(encoding, 0, 2, "Move encoding out of range");
  if (!buf.bytes || buf.length < kHeaderSize) throw ERangeError("No packed game");
  buf.bytes[4] = static_cast<uint8_t>((buf.bytes[4] & ~6) | (encoding << 1));
}

int QZGameManagerO::MoveEncoding(const GameBuffer &buf) {
  if (!buf.bytes || buf.length < kHeaderSize) throw ERangeError("No packed game");
  return EncodingOfFlags(buf.bytes[4]);
}

bool QZGameManagerO::Attach(const GameBuffer &buf) {
  return Attach(buf.bytes.get(), buf.bytes ? buf.length : 0);
}

bool QZGameManagerO::Attach(const uint8_t *p, uint32_t length) {
  block_ = nullptr;
  tagRead_.clear();
  tagCount_ = 0;
  tagsSplit_ = false;
  hasStartRead_ = false;
  streamPos_ = streamEnd_ = commentPos_ = commentEnd_ = nagPos_ = nagEnd_ = 0;
  if (p == nullptr || length < kHeaderSize) return false;

  const uint32_t total = GetU32(p);
  const bool hasStart = (p[4] & 1) != 0;
  const uint32_t tagOff = GetU32(p + 5), commentOff = GetU32(p + 9), nagOff = GetU32(p + 13);
  const uint32_t streamStart = kHeaderSize + (hasStart ? kStartSize : 0);
  if (!(streamStart <= tagOff && tagOff <= commentOff && commentOff <= nagOff && nagOff <= total &&
        total <= length))
    return false;
  // Every stream ends with the main line's 254; the tag text and the last
  // comment end with a NUL inside their areas.
  if (tagOff == streamStart || p[tagOff - 1] != pkEndLine) return false;
  if (commentOff == tagOff || p[commentOff - 1] != 0) return false;
  if (nagOff > commentOff && p[nagOff - 1] != 0) return false;
  CompactPosition start;
  if (hasStart) {
    std::copy(p + kHeaderSize, p + kHeaderSize + kStartSize, start.bytes.begin());
    MailboxPos check;
    if (!check.FromCompact(start)) return false;
  }

  block_ = p;
  encoding_ = EncodingOfFlags(p[4]);
  hasStartRead_ = hasStart;
  startRead_ = start;
  streamPos_ = streamStart;
  streamEnd_ = tagOff;
  commentPos_ = commentOff;
  commentEnd_ = nagOff;
  nagPos_ = nagOff;
  nagEnd_ = total;
  tagRead_.assign(reinterpret_cast<const char *>(p + tagOff));
  return true;
}

bool QZGameManagerO::PeekMoveByte(uint8_t &b) const {
  if (block_ == nullptr || streamPos_ >= streamEnd_) return false;
  b = block_[streamPos_];
  return true;
}

bool QZGameManagerO::ReadMoveByte(uint8_t &b) {
  if (!PeekMoveByte(b)) return false;
  ++streamPos_;
  return true;
}

bool QZGameManagerO::ReadMove2(Move2 &m) {
  if (block_ == nullptr || streamEnd_ - streamPos_ < 2) return false;
  m = Move2{block_[streamPos_], block_[streamPos_ + 1]};
  streamPos_ += 2;
  return true;
}

bool QZGameManagerO::ReadSanMove(SanMoveRec &rec) {
  if (block_ == nullptr || streamEnd_ - streamPos_ < kSanSize) return false;
  SanFromBytes(block_ + streamPos_, rec);
  streamPos_ += kSanSize;
  return true;
}

bool QZGameManagerO::ReadComment(std::string &text) {
  if (block_ == nullptr || commentPos_ >= commentEnd_) return false;
  const uint8_t *begin = block_ + commentPos_;
  const void *nul = std::memchr(begin, 0, commentEnd_ - commentPos_);
  if (nul == nullptr) return false;  // Attach makes sure there is one
  const uint8_t *end = static_cast<const uint8_t *>(nul);
  text.assign(reinterpret_cast<const char *>(begin), static_cast<size_t>(end - begin));
  commentPos_ += static_cast<uint32_t>(end - begin) + 1;
  return true;
}

bool QZGameManagerO::ReadNAG(uint8_t &value) {
  if (block_ == nullptr || nagPos_ >= nagEnd_) return false;
  value = block_[nagPos_++];
  return true;
}

// ---------------------------------------------------------------------------
// Tags of the attached block

namespace {
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool IsNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
}  // namespace

// Pairs '[Name "value"]', ending where the importer ends them: at a "]"
// after the value's closing quote, or right after any later quote. The value
// is the text between the first and the last quote ('[White ""Mirage""]'
// keeps its quotes); in it \" and \\ stand for " and \ (the PGN writers
// escape them). A malformed pair is skipped to the next "[", so the pairs
// after it survive.
void QZGameManagerO::SplitTags() {
  // The strings of the last game are reused: no allocation per tag.
  tagCount_ = 0;
  tagsSplit_ = true;
  const std::string &t = tagRead_;
  const size_t n = t.size();
  size_t i = 0;
  auto skipBlanks = [&] {
    while (i < n && IsBlank(t[i])) ++i;
  };
  while (true) {
    skipBlanks();
    if (i >= n) break;
    if (t[i] != '[') {
      i = t.find('[', i);
      if (i == std::string::npos) break;
    }
    ++i;
    skipBlanks();
    const size_t nameStart = i;
    while (i < n && IsNameChar(t[i])) ++i;
    const size_t nameEnd = i;
    skipBlanks();
    if (nameEnd == nameStart || i >= n || t[i] != '"') continue;  // malformed: on to the next "["
    const size_t first = i++;
    size_t last = first;
    int quotes = 1;
    bool inString = true, escaped = false, afterQuote = true, closed = false;
    for (; i < n; ++i) {
      const char c = t[i];
      if (c == ']' && quotes >= 2 && (!inString || afterQuote)) {
        closed = true;
        break;
      }
      if (inString && escaped) {
        escaped = afterQuote = false;
      } else if (inString && c == '\\') {
        escaped = true;
        afterQuote = false;
      } else if (c == '"') {
        ++quotes;
        last = i;
        inString = !inString;
        afterQuote = true;
      } else if (!IsBlank(c)) {
        afterQuote = false;
      }
    }
    if (!closed) break;
    ++i;
    if (tagCount_ == tagNames_.size()) {
      tagNames_.emplace_back();
      tagValues_.emplace_back();
    }
    tagNames_[tagCount_].assign(t, nameStart, nameEnd - nameStart);
    std::string &value = tagValues_[tagCount_++];
    value.clear();
    // Runs without a backslash go whole.
    for (size_t k = first + 1; k < last;) {
      const void *q = std::memchr(t.data() + k, '\\', last - k);
      const size_t slash = q ? static_cast<size_t>(static_cast<const char *>(q) - t.data()) : last;
      value.append(t, k, slash - k);
      k = slash;
      if (k >= last) break;
      if (k + 1 < last && (t[k + 1] == '"' || t[k + 1] == '\\')) ++k;
      value += t[k++];
    }
  }
}

int QZGameManagerO::TagCount() {
  if (!tagsSplit_) SplitTags();
  return static_cast<int>(tagCount_);
}

const std::string &QZGameManagerO::TagName(int i) {
  CheckRange(i, 1, TagCount(), "Tag index out of range");
  return tagNames_[i - 1];
}

const std::string &QZGameManagerO::TagValue(int i) {
  CheckRange(i, 1, TagCount(), "Tag index out of range");
  return tagValues_[i - 1];
}

std::string QZGameManagerO::GetTagValue(const std::string &name) {
  const int n = TagCount();
  for (int i = 0; i < n; ++i)
    if (tagNames_[i] == name) return tagValues_[i];
  return std::string();
}

int QZGameManagerO::GetResult() {
  const std::string r = GetTagValue("Result");
  if (r == "1-0") return 0;
  if (r == "1/2-1/2") return 1;
  if (r == "0-1") return 2;
  return 3;
}

bool WriteTagsPGN(const GameBuffer &buf, bool asPgn, std::string &out) {
  out.clear();
  QZGameManagerO gm;
  if (!gm.Attach(buf)) return false;
  if (!asPgn)
    out = gm.TagText();
  else
    AppendTagsPGN(gm, out);
  return true;
}

void AppendTagsPGN(QZGameManagerO &attached, std::string &out) {
  const int n = attached.TagCount();
  for (int i = 1; i <= n; ++i) {
    if (i > 1) out += "\r\n";
    out += '[';
    out += attached.TagName(i);
    out += " \"";
    const std::string &value = attached.TagValue(i);
    // Runs without a quote or backslash go whole.
    for (size_t k = 0; k < value.size();) {
      const size_t stop = std::min(value.find_first_of("\"\\", k), value.size());
      out.append(value, k, stop - k);
      if (stop == value.size()) break;
      out += '\\';
      out += value[stop];
      k = stop + 1;
    }
    out += "\"]";
  }
}
