#include "platform/Win1252.h"

#include <cstring>

namespace win1252 {

namespace {
// 0x80..0x9F; the five undefined bytes keep their C1 code points.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

struct CaseTables {
  unsigned char upper[256];
  unsigned char lower[256];
  CaseTables() {
    for (int i = 0; i < 256; ++i) upper[i] = lower[i] = static_cast<unsigned char>(i);
    for (int c = 'a'; c <= 'z'; ++c) {
      upper[c] = static_cast<unsigned char>(c - 32);
      lower[c - 32] = static_cast<unsigned char>(c);
    }
    // Latin-1 letters: 0xE0..0xFE fold to 0xC0..0xDE, except the division sign.
    for (int c = 0xE0; c <= 0xFE; ++c) {
      if (c == 0xF7) continue;
      upper[c] = static_cast<unsigned char>(c - 32);
      lower[c - 32] = static_cast<unsigned char>(c);
    }
    auto pair = [this](int lo, int up) {
      upper[lo] = static_cast<unsigned char>(up);
      lower[up] = static_cast<unsigned char>(lo);
    };
    pair(0x9A, 0x8A);  // s caron
    pair(0x9C, 0x8C);  // oe
    pair(0x9E, 0x8E);  // z caron
    pair(0xFF, 0x9F);  // y diaeresis
  }
};
const CaseTables &Tables() {
  static const CaseTables t;
  return t;
}
}  // namespace

char32_t ToUnicode(unsigned char b) { return (b >= 0x80 && b < 0xA0) ? kHigh[b - 0x80] : b; }

int FromUnicode(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHigh[i] == c) return 0x80 + i;
  return -1;
}

unsigned char Upper(unsigned char b) { return Tables().upper[b]; }
unsigned char Lower(unsigned char b) { return Tables().lower[b]; }

std::string UpperCase(std::string_view s) {
  const unsigned char *table = Tables().upper;
  std::string r(s);
  for (auto &ch : r) ch = static_cast<char>(table[static_cast<unsigned char>(ch)]);
  return r;
}

std::string LowerCase(std::string_view s) {
  const unsigned char *table = Tables().lower;
  std::string r(s);
  for (auto &ch : r) ch = static_cast<char>(table[static_cast<unsigned char>(ch)]);
  return r;
}

namespace {
// The length a lead byte announces and the range of the byte after it;
// false for a byte no sequence starts with.
bool Lead(unsigned char b, size_t &len, unsigned char &lo, unsigned char &hi) {
  lo = 0x80;
  hi = 0xBF;
  if (b >= 0xC2 && b <= 0xDF) {
    len = 2;
  } else if (b >= 0xE0 && b <= 0xEF) {
    len = 3;
    if (b == 0xE0) lo = 0xA0;       // overlong
    else if (b == 0xED) hi = 0x9F;  // surrogates
  } else if (b >= 0xF0 && b <= 0xF4) {
    len = 4;
    if (b == 0xF0) lo = 0x90;       // overlong
    else if (b == 0xF4) hi = 0x8F;  // past U+10FFFF
  } else {
    return false;
  }
  return true;
}

// How many bytes from s[i] (a byte >= 0x80) form a valid sequence or a
// valid start of one cut by the end of s; 0 when invalid. complete tells.
size_t Sequence(std::string_view s, size_t i, bool &complete) {
  size_t len;
  unsigned char lo, hi;
  complete = false;
  if (!Lead(static_cast<unsigned char>(s[i]), len, lo, hi)) return 0;
  const size_t have = s.size() - i < len ? s.size() - i : len;
  for (size_t k = 1; k < have; ++k) {
    const auto c = static_cast<unsigned char>(s[i + k]);
    if (k == 1 ? (c < lo || c > hi) : (c & 0xC0) != 0x80) return 0;
  }
  complete = have == len;
  return have;
}

size_t SequenceLength(std::string_view s, size_t i) {
  bool complete;
  const size_t n = Sequence(s, i, complete);
  return complete ? n : 0;
}
}  // namespace

TextKind Classify(std::string_view s) {
  size_t i = 0;
  const size_t n = s.size();
  bool multi = false;
  while (i < n) {
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t len = SequenceLength(s, i);
    if (len == 0) return TextKind::Other;
    multi = true;
    i += len;
  }
  return multi ? TextKind::Utf8 : TextKind::Ascii;
}

void Utf8Scan::Feed(std::string_view s) {
  if (invalid_) return;
  size_t i = 0;
  bool complete;
  if (!carry_.empty()) {
    const size_t had = carry_.size();
    carry_.append(s.substr(0, 4 - had));
    const size_t n = Sequence(carry_, 0, complete);
    if (n == 0) {
      invalid_ = true;
      return;
    }
    // A sequence still cut took all of carry_: the piece was shorter than
    // the rest.
    if (!complete) return;
    multi_ = true;
    i = n - had;
    carry_.clear();
  }
  const size_t n = s.size();
  while (i < n) {
    // Runs of ASCII, the bulk of a PGN file, eight bytes at a time.
    while (i + 8 <= n) {
      uint64_t w;
      std::memcpy(&w, s.data() + i, 8);
      if (w & 0x8080808080808080ull) break;
      i += 8;
    }
    if (i >= n) break;
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t len = Sequence(s, i, complete);
    if (len == 0) {
      invalid_ = true;
      return;
    }
    if (!complete) {
      carry_.assign(s.substr(i));
      return;
    }
    multi_ = true;
    i += len;
  }
}

TextKind Utf8Scan::Kind() const {
  if (invalid_ || !carry_.empty()) return TextKind::Other;
  return multi_ ? TextKind::Utf8 : TextKind::Ascii;
}

namespace {
void AppendInEncoding(std::string_view s, TextEncoding encoding, std::string &out) {
  const TextKind kind = Classify(s);
  if (kind == TextKind::Ascii || (kind == TextKind::Utf8) == (encoding == TextEncoding::Utf8))
    out.append(s);
  else if (encoding == TextEncoding::Utf8)
    out += ToUtf8(s);
  else
    out += FromUtf8(s, '?');
}

// The first byte above 0x7F from i on, eight bytes at a time; s.size() when none.
size_t NextHighByte(std::string_view s, size_t i) {
  const size_t n = s.size();
  while (i + 8 <= n) {
    uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < n && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}
}  // namespace

void AppendPiecesInEncoding(std::string_view text, TextEncoding encoding, std::string &out,
                            std::vector<std::pair<size_t, size_t>> *pieces) {
  const size_t n = text.size();
  size_t done = 0;  // text before done is in out
  for (size_t high = NextHighByte(text, 0); high < n; high = NextHighByte(text, done)) {
    // The piece around the byte: after the bound before it (or what is
    // done), up to the bound after it.
    size_t start = high, end = high + 1;
    while (start > done && !IsPieceBound(text[start - 1])) --start;
    while (end < n && !IsPieceBound(text[end])) ++end;
    out.append(text.substr(done, start - done));
    AppendInEncoding(text.substr(start, end - start), encoding, out);
    if (pieces) pieces->emplace_back(out.size(), end);
    done = end;
  }
  out.append(text.substr(done));
}

std::string ToEncoding(const std::string &s, TextEncoding encoding) {
  std::string out;
  AppendInEncoding(s, encoding, out);
  return out;
}

size_t Utf8Cut(std::string_view s, size_t max) {
  if (s.size() <= max) return s.size();
  if (!IsUtf8(s)) return max;
  size_t cut = max;
  // Step back over continuation bytes to the start of the cut sequence.
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return cut;
}

std::string FoldText(std::string_view s) {
  const bool all = !IsUtf8(s);
  const unsigned char *table = Tables().upper;
  std::string r(s);
  for (auto &ch : r) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80 || all) ch = static_cast<char>(table[b]);
  }
  return r;
}

uint64_t FoldHash(std::string_view s) {
  const unsigned char *table = Tables().upper;
  int fold = -1;
  uint64_t h = 14695981039346656037ull;
  for (char ch : s) {
    unsigned b = static_cast<unsigned char>(ch);
    if (b >= 0x80 && fold < 0) fold = !IsUtf8(s);
    if (b < 0x80 || fold) b = table[b];
    h = (h ^ b) * 1099511628211ull;
  }
  return h;
}

int CompareText(std::string_view a, std::string_view b) {
  const unsigned char *table = Tables().upper;
  // Whether each side folds its high bytes, decided at its first one, so
  // ASCII names never pay for the UTF-8 test.
  int foldA = -1, foldB = -1;
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int x = static_cast<unsigned char>(a[i]);
    int y = static_cast<unsigned char>(b[i]);
    if (x >= 0x80 && foldA < 0) foldA = !IsUtf8(a);
    if (y >= 0x80 && foldB < 0) foldB = !IsUtf8(b);
    if (x < 0x80 || foldA) x = table[x];
    if (y < 0x80 || foldB) y = table[y];
    if (x != y) return x - y;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string ToUtf8(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  for (unsigned char b : s) {
    char32_t c = ToUnicode(b);
    if (c < 0x80) {
      r += static_cast<char>(c);
    } else if (c < 0x800) {
      r += static_cast<char>(0xC0 | (c >> 6));
      r += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      r += static_cast<char>(0xE0 | (c >> 12));
      r += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      r += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return r;
}

std::string FromUtf8(std::string_view s, char fallback) {
  std::string r;
  r.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    char32_t c;
    size_t len;
    if (b < 0x80) {
      c = b;
      len = 1;
    } else if ((b & 0xE0) == 0xC0) {
      c = b & 0x1F;
      len = 2;
    } else if ((b & 0xF0) == 0xE0) {
      c = b & 0x0F;
      len = 3;
    } else if ((b & 0xF8) == 0xF0) {
      c = b & 0x07;
      len = 4;
    } else {
      r += fallback;
      ++i;
      continue;
    }
    if (i + len > s.size()) {
      r += fallback;
      break;
    }
    bool ok = true;
    for (size_t k = 1; k < len; ++k) {
      unsigned char cb = static_cast<unsigned char>(s[i + k]);
      if ((cb & 0xC0) != 0x80) {
        ok = false;
        break;
      }
      c = (c << 6) | (cb & 0x3F);
    }
    if (!ok) {
      r += fallback;
      ++i;
      continue;
    }
    i += len;
    int w = FromUnicode(c);
    r += w < 0 ? fallback : static_cast<char>(w);
  }
  return r;
}

}  // namespace win1252
