#include "platform/Win1252.h"

#include <algorithm>
#include <cstring>
#include <iterator>

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

namespace {
// Unicode's simple case folding as ranges: each code point of first..last
// (with step 2 only first, first + 2, ...) folds to itself plus delta.
struct FoldRange {
  char32_t first, last;
  int32_t delta;
  uint8_t step;
};
// clang-format off
constexpr FoldRange kFolds[] = {
    {0x00B5, 0x00B5, 0x03BC - 0x00B5, 1}, {0x00C0, 0x00D6, 32, 1}, {0x00D8, 0x00DE, 32, 1},
    {0x0100, 0x012F, 1, 2}, {0x0132, 0x0137, 1, 2}, {0x0139, 0x0148, 1, 2}, {0x014A, 0x0177, 1, 2},
    {0x0178, 0x0178, 0x00FF - 0x0178, 1}, {0x0179, 0x017E, 1, 2}, {0x017F, 0x017F, 's' - 0x017F, 1},
    {0x0181, 0x0181, 0x0253 - 0x0181, 1}, {0x0182, 0x0185, 1, 2}, {0x0186, 0x0186, 0x0254 - 0x0186, 1},
    {0x0187, 0x0187, 1, 1}, {0x0189, 0x018A, 0x0256 - 0x0189, 1}, {0x018B, 0x018B, 1, 1},
    {0x018E, 0x018E, 0x01DD - 0x018E, 1}, {0x018F, 0x018F, 0x0259 - 0x018F, 1},
    {0x0190, 0x0190, 0x025B - 0x0190, 1}, {0x0191, 0x0191, 1, 1}, {0x0193, 0x0193, 0x0260 - 0x0193, 1},
    {0x0194, 0x0194, 0x0263 - 0x0194, 1}, {0x0196, 0x0196, 0x0269 - 0x0196, 1},
    {0x0197, 0x0197, 0x0268 - 0x0197, 1}, {0x0198, 0x0198, 1, 1}, {0x019C, 0x019C, 0x026F - 0x019C, 1},
    {0x019D, 0x019D, 0x0272 - 0x019D, 1}, {0x019F, 0x019F, 0x0275 - 0x019F, 1}, {0x01A0, 0x01A5, 1, 2},
    {0x01A6, 0x01A6, 0x0280 - 0x01A6, 1}, {0x01A7, 0x01A7, 1, 1}, {0x01A9, 0x01A9, 0x0283 - 0x01A9, 1},
    {0x01AC, 0x01AC, 1, 1}, {0x01AE, 0x01AE, 0x0288 - 0x01AE, 1}, {0x01AF, 0x01AF, 1, 1},
    {0x01B1, 0x01B2, 0x028A - 0x01B1, 1}, {0x01B3, 0x01B6, 1, 2}, {0x01B7, 0x01B7, 0x0292 - 0x01B7, 1},
    {0x01B8, 0x01B8, 1, 1}, {0x01BC, 0x01BC, 1, 1}, {0x01C4, 0x01C4, 2, 1}, {0x01C5, 0x01C5, 1, 1},
    {0x01C7, 0x01C7, 2, 1}, {0x01C8, 0x01C8, 1, 1}, {0x01CA, 0x01CA, 2, 1}, {0x01CB, 0x01DC, 1, 2},
    {0x01DE, 0x01EF, 1, 2}, {0x01F1, 0x01F1, 2, 1}, {0x01F2, 0x01F4, 1, 2},
    {0x01F6, 0x01F6, 0x0195 - 0x01F6, 1}, {0x01F7, 0x01F7, 0x01BF - 0x01F7, 1}, {0x01F8, 0x021F, 1, 2},
    {0x0220, 0x0220, 0x019E - 0x0220, 1}, {0x0222, 0x0233, 1, 2}, {0x023A, 0x023A, 0x2C65 - 0x023A, 1},
    {0x023B, 0x023B, 1, 1}, {0x023D, 0x023D, 0x019A - 0x023D, 1}, {0x023E, 0x023E, 0x2C66 - 0x023E, 1},
    {0x0241, 0x0241, 1, 1}, {0x0243, 0x0243, 0x0180 - 0x0243, 1}, {0x0244, 0x0244, 0x0289 - 0x0244, 1},
    {0x0245, 0x0245, 0x028C - 0x0245, 1}, {0x0246, 0x024F, 1, 2},
    // Greek
    {0x0345, 0x0345, 0x03B9 - 0x0345, 1}, {0x0370, 0x0373, 1, 2}, {0x0376, 0x0376, 1, 1},
    {0x037F, 0x037F, 0x03F3 - 0x037F, 1}, {0x0386, 0x0386, 0x03AC - 0x0386, 1},
    {0x0388, 0x038A, 0x03AD - 0x0388, 1}, {0x038C, 0x038C, 0x03CC - 0x038C, 1},
    {0x038E, 0x038F, 0x03CD - 0x038E, 1}, {0x0391, 0x03A1, 32, 1}, {0x03A3, 0x03AB, 32, 1},
    {0x03C2, 0x03C2, 1, 1}, {0x03CF, 0x03CF, 0x03D7 - 0x03CF, 1}, {0x03D0, 0x03D0, 0x03B2 - 0x03D0, 1},
    {0x03D1, 0x03D1, 0x03B8 - 0x03D1, 1}, {0x03D5, 0x03D5, 0x03C6 - 0x03D5, 1},
    {0x03D6, 0x03D6, 0x03C0 - 0x03D6, 1}, {0x03D8, 0x03EF, 1, 2}, {0x03F0, 0x03F0, 0x03BA - 0x03F0, 1},
    {0x03F1, 0x03F1, 0x03C1 - 0x03F1, 1}, {0x03F4, 0x03F4, 0x03B8 - 0x03F4, 1},
    {0x03F5, 0x03F5, 0x03B5 - 0x03F5, 1}, {0x03F7, 0x03F7, 1, 1}, {0x03F9, 0x03F9, 0x03F2 - 0x03F9, 1},
    {0x03FA, 0x03FA, 1, 1}, {0x03FD, 0x03FF, 0x037B - 0x03FD, 1},
    // Cyrillic, Armenian, Georgian, Cherokee
    {0x0400, 0x040F, 80, 1}, {0x0410, 0x042F, 32, 1}, {0x0460, 0x0481, 1, 2}, {0x048A, 0x04BF, 1, 2},
    {0x04C0, 0x04C0, 15, 1}, {0x04C1, 0x04CE, 1, 2}, {0x04D0, 0x052F, 1, 2}, {0x0531, 0x0556, 48, 1},
    {0x10A0, 0x10C5, 0x2D00 - 0x10A0, 1}, {0x10C7, 0x10C7, 0x2D00 - 0x10A0, 1},
    {0x10CD, 0x10CD, 0x2D00 - 0x10A0, 1}, {0x13F8, 0x13FD, -8, 1}, {0x1C80, 0x1C80, 0x0432 - 0x1C80, 1},
    {0x1C81, 0x1C81, 0x0434 - 0x1C81, 1}, {0x1C82, 0x1C82, 0x043E - 0x1C82, 1},
    {0x1C83, 0x1C84, 0x0441 - 0x1C83, 1}, {0x1C85, 0x1C85, 0x0442 - 0x1C85, 1},
    {0x1C86, 0x1C86, 0x044A - 0x1C86, 1}, {0x1C87, 0x1C87, 0x0463 - 0x1C87, 1},
    {0x1C88, 0x1C88, 0xA64B - 0x1C88, 1}, {0x1C90, 0x1CBA, 0x10D0 - 0x1C90, 1},
    {0x1CBD, 0x1CBF, 0x10D0 - 0x1C90, 1},
    // Latin Extended Additional, Greek Extended
    {0x1E00, 0x1E95, 1, 2}, {0x1E9B, 0x1E9B, 0x1E61 - 0x1E9B, 1}, {0x1E9E, 0x1E9E, 0x00DF - 0x1E9E, 1},
    {0x1EA0, 0x1EFF, 1, 2}, {0x1F08, 0x1F0F, -8, 1}, {0x1F18, 0x1F1D, -8, 1}, {0x1F28, 0x1F2F, -8, 1},
    {0x1F38, 0x1F3F, -8, 1}, {0x1F48, 0x1F4D, -8, 1}, {0x1F59, 0x1F5F, -8, 2}, {0x1F68, 0x1F6F, -8, 1},
    {0x1F88, 0x1F8F, -8, 1}, {0x1F98, 0x1F9F, -8, 1}, {0x1FA8, 0x1FAF, -8, 1}, {0x1FB8, 0x1FB9, -8, 1},
    {0x1FBA, 0x1FBB, 0x1F70 - 0x1FBA, 1}, {0x1FBC, 0x1FBC, -9, 1}, {0x1FBE, 0x1FBE, 0x03B9 - 0x1FBE, 1},
    {0x1FC8, 0x1FCB, 0x1F72 - 0x1FC8, 1}, {0x1FCC, 0x1FCC, -9, 1}, {0x1FD8, 0x1FD9, -8, 1},
    {0x1FDA, 0x1FDB, 0x1F76 - 0x1FDA, 1}, {0x1FE8, 0x1FE9, -8, 1}, {0x1FEA, 0x1FEB, 0x1F7A - 0x1FEA, 1},
    {0x1FEC, 0x1FEC, -7, 1}, {0x1FF8, 0x1FF9, 0x1F78 - 0x1FF8, 1}, {0x1FFA, 0x1FFB, 0x1F7C - 0x1FFA, 1},
    {0x1FFC, 0x1FFC, -9, 1},
    // Letterlike symbols, numerals, circled letters, Glagolitic, Latin Extended-C, Coptic
    {0x2126, 0x2126, 0x03C9 - 0x2126, 1}, {0x212A, 0x212A, 'k' - 0x212A, 1},
    {0x212B, 0x212B, 0x00E5 - 0x212B, 1}, {0x2132, 0x2132, 0x214E - 0x2132, 1}, {0x2160, 0x216F, 16, 1},
    {0x2183, 0x2183, 1, 1}, {0x24B6, 0x24CF, 26, 1}, {0x2C00, 0x2C2F, 48, 1}, {0x2C60, 0x2C60, 1, 1},
    {0x2C62, 0x2C62, 0x026B - 0x2C62, 1}, {0x2C63, 0x2C63, 0x1D7D - 0x2C63, 1},
    {0x2C64, 0x2C64, 0x027D - 0x2C64, 1}, {0x2C67, 0x2C6C, 1, 2}, {0x2C6D, 0x2C6D, 0x0251 - 0x2C6D, 1},
    {0x2C6E, 0x2C6E, 0x0271 - 0x2C6E, 1}, {0x2C6F, 0x2C6F, 0x0250 - 0x2C6F, 1},
    {0x2C70, 0x2C70, 0x0252 - 0x2C70, 1}, {0x2C72, 0x2C72, 1, 1}, {0x2C75, 0x2C75, 1, 1},
    {0x2C7E, 0x2C7F, 0x023F - 0x2C7E, 1}, {0x2C80, 0x2CE3, 1, 2}, {0x2CEB, 0x2CED, 1, 2},
    {0x2CF2, 0x2CF2, 1, 1},
    // Cyrillic Extended-B, Latin Extended-D, Cherokee small letters, full-width Latin
    {0xA640, 0xA66D, 1, 2}, {0xA680, 0xA69B, 1, 2}, {0xA722, 0xA72F, 1, 2}, {0xA732, 0xA76F, 1, 2},
    {0xA779, 0xA77C, 1, 2}, {0xA77D, 0xA77D, 0x1D79 - 0xA77D, 1}, {0xA77E, 0xA787, 1, 2},
    {0xA78B, 0xA78B, 1, 1}, {0xA78D, 0xA78D, 0x0265 - 0xA78D, 1}, {0xA790, 0xA793, 1, 2},
    {0xA796, 0xA7A9, 1, 2}, {0xA7AA, 0xA7AA, 0x0266 - 0xA7AA, 1}, {0xA7AB, 0xA7AB, 0x025C - 0xA7AB, 1},
    {0xA7AC, 0xA7AC, 0x0261 - 0xA7AC, 1}, {0xA7AD, 0xA7AD, 0x026C - 0xA7AD, 1},
    {0xA7AE, 0xA7AE, 0x026A - 0xA7AE, 1}, {0xA7B0, 0xA7B0, 0x029E - 0xA7B0, 1},
    {0xA7B1, 0xA7B1, 0x0287 - 0xA7B1, 1}, {0xA7B2, 0xA7B2, 0x029D - 0xA7B2, 1},
    {0xA7B3, 0xA7B3, 0xAB53 - 0xA7B3, 1}, {0xA7B4, 0xA7C3, 1, 2}, {0xA7C4, 0xA7C4, 0xA794 - 0xA7C4, 1},
    {0xA7C5, 0xA7C5, 0x0282 - 0xA7C5, 1}, {0xA7C6, 0xA7C6, 0x1D8E - 0xA7C6, 1}, {0xA7C7, 0xA7CA, 1, 2},
    {0xA7D0, 0xA7D0, 1, 1}, {0xA7D6, 0xA7D9, 1, 2}, {0xA7F5, 0xA7F5, 1, 1},
    {0xAB70, 0xABBF, 0x13A0 - 0xAB70, 1}, {0xFF21, 0xFF3A, 32, 1},
    // Deseret, Osage, Vithkuqi, Old Hungarian, Warang Citi, Medefaidrin, Adlam
    {0x10400, 0x10427, 40, 1}, {0x104B0, 0x104D3, 40, 1}, {0x10570, 0x1057A, 39, 1},
    {0x1057C, 0x1058A, 39, 1}, {0x1058C, 0x10592, 39, 1}, {0x10594, 0x10595, 39, 1}, {0x10C80, 0x10CB2, 64, 1},
    {0x118A0, 0x118BF, 32, 1}, {0x16E40, 0x16E5F, 32, 1}, {0x1E900, 0x1E921, 34, 1},
};
// clang-format on

constexpr bool FoldsInOrder() {
  for (size_t i = 1; i < std::size(kFolds); ++i)
    if (kFolds[i].first <= kFolds[i - 1].last) return false;
  return true;
}
static_assert(FoldsInOrder(), "the binary search needs ascending, disjoint ranges");

// ASCII letters fold to upper case, as the Windows-1252 table does.
constexpr unsigned char AsciiUpper(unsigned char b) { return b >= 'a' && b <= 'z' ? b - 32 : b; }

// Writes c as UTF-8 into out; the number of bytes.
size_t PutUtf8(char32_t c, unsigned char *out) {
  if (c < 0x80) {
    out[0] = static_cast<unsigned char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<unsigned char>(0xC0 | (c >> 6));
    out[1] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<unsigned char>(0xE0 | (c >> 12));
    out[1] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<unsigned char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<unsigned char>(0xF0 | (c >> 18));
  out[1] = static_cast<unsigned char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<unsigned char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<unsigned char>(0x80 | (c & 0x3F));
  return 4;
}

// The bytes of FoldText(s) one at a time, made as they are asked for. Whether
// s is valid UTF-8 is decided at its first byte above 0x7F, so ASCII names
// never pay for the test.
class FoldStream {
 public:
  explicit FoldStream(std::string_view s) : s_(s) {}
  // Passes n bytes of s that are all ASCII (none of a character begun).
  void SkipAscii(size_t n) { i_ += n; }
  // The next byte, or -1 at the end.
  int Next() {
    if (pos_ < len_) return buf_[pos_++];
    if (i_ >= s_.size()) return -1;
    const auto b = static_cast<unsigned char>(s_[i_]);
    if (b < 0x80) {
      ++i_;
      return AsciiUpper(b);
    }
    if (!Utf8()) {
      ++i_;
      return Tables().upper[b];
    }
    // A whole character of valid UTF-8.
    const size_t n = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = b & (0x7F >> n);
    for (size_t k = 1; k < n; ++k) c = (c << 6) | (static_cast<unsigned char>(s_[i_ + k]) & 0x3F);
    i_ += n;
    len_ = PutUtf8(FoldCase(c), buf_);
    pos_ = 1;
    return buf_[0];
  }
  // Passes the next characters both streams hold byte for byte alike when
  // both read their text the same way: they fold alike, unfolded.
  static void PassSame(FoldStream &a, FoldStream &b) {
    if (a.pos_ < a.len_ || b.pos_ < b.len_) return;
    while (a.i_ < a.s_.size() && b.i_ < b.s_.size() && a.s_[a.i_] == b.s_[b.i_]) {
      const auto lead = static_cast<unsigned char>(a.s_[a.i_]);
      size_t n = 1;
      if (lead >= 0x80) {
        if (a.Utf8() != b.Utf8()) return;
        if (a.Utf8()) n = lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (a.s_.compare(a.i_, n, b.s_, b.i_, n) != 0) return;
      }
      a.i_ += n;
      b.i_ += n;
    }
  }

 private:
  bool Utf8() {
    if (utf8_ < 0) utf8_ = IsUtf8(s_);
    return utf8_ != 0;
  }
  std::string_view s_;
  size_t i_ = 0;
  int utf8_ = -1;
  unsigned char buf_[4] = {};
  size_t len_ = 0, pos_ = 0;
};

// How many leading bytes of s are ASCII.
size_t AsciiPrefix(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}
}  // namespace

char32_t FoldCase(char32_t c) {
  if (c < 0x80) return AsciiUpper(static_cast<unsigned char>(c));
  const FoldRange *end = std::end(kFolds);
  const FoldRange *r = std::upper_bound(std::begin(kFolds), end, c,
                                        [](char32_t x, const FoldRange &f) { return x < f.first; });
  if (r == std::begin(kFolds)) return c;
  --r;
  if (c > r->last || (c - r->first) % r->step != 0) return c;
  const auto folded = static_cast<char32_t>(static_cast<int32_t>(c) + r->delta);
  // Characters that fold into ASCII (long s, Kelvin sign) fold on as ASCII does.
  return folded < 0x80 ? AsciiUpper(static_cast<unsigned char>(folded)) : folded;
}

std::string FoldText(std::string_view s) {
  const size_t ascii = AsciiPrefix(s);
  std::string r;
  r.reserve(s.size());
  for (size_t i = 0; i < ascii; ++i) r += static_cast<char>(AsciiUpper(static_cast<unsigned char>(s[i])));
  if (ascii == s.size()) return r;
  FoldStream f(s);
  f.SkipAscii(ascii);
  for (int b = f.Next(); b >= 0; b = f.Next()) r += static_cast<char>(b);
  return r;
}

uint64_t FoldHash(std::string_view s) {
  const unsigned char *upper = Tables().upper;
  uint64_t h = 14695981039346656037ull;
  size_t ascii = 0;
  for (; ascii < s.size(); ++ascii) {
    const auto b = static_cast<unsigned char>(s[ascii]);
    if (b >= 0x80) break;
    h = (h ^ upper[b]) * 1099511628211ull;
  }
  if (ascii == s.size()) return h;
  FoldStream f(s);
  f.SkipAscii(ascii);
  for (int b = f.Next(); b >= 0; b = f.Next()) h = (h ^ static_cast<unsigned>(b)) * 1099511628211ull;
  return h;
}

int CompareText(std::string_view a, std::string_view b) {
  // ASCII on both sides, the bulk of the work of a sort, byte by byte
  // through the table (whose ASCII half folds as AsciiUpper).
  const unsigned char *upper = Tables().upper;
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  size_t i = 0;
  for (; i < n; ++i) {
    const auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if ((x | y) >= 0x80) break;
    if (upper[x] != upper[y]) return upper[x] - upper[y];
  }
  if (i == n) return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
  FoldStream fa(a), fb(b);
  fa.SkipAscii(i);
  fb.SkipAscii(i);
  for (;;) {
    FoldStream::PassSame(fa, fb);
    const int x = fa.Next(), y = fb.Next();
    if (x != y) return x - y;
    if (x < 0) return 0;
  }
}

int CompareAscii(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const int d = AsciiUpper(static_cast<unsigned char>(a[i])) - AsciiUpper(static_cast<unsigned char>(b[i]));
    if (d != 0) return d;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::string ToUtf8(std::string_view s) {
  std::string r;
  r.reserve(s.size());
  unsigned char bytes[4];
  for (unsigned char b : s) r.append(reinterpret_cast<const char *>(bytes), PutUtf8(ToUnicode(b), bytes));
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
