// Text matching and scanning of MyUtils.
#include <charconv>
#include <cstring>
#include <limits>

#include "foundation/MyUtils.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

using ini::Trim;  // blanks and control characters

// Byte comparison (after upper-casing), unsigned so accented letters sort
// after the ASCII ones.
int CompareBytes(const std::string &a, const std::string &b) {
  size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

std::vector<std::string> Split(const std::string &s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    size_t p = s.find(sep, start);
    if (p == std::string::npos) {
      out.push_back(s.substr(start));
      return out;
    }
    out.push_back(s.substr(start, p - start));
    start = p + 1;
  }
}

// Both texts are already upper case from here on.

// "?" stands for one character; the text must have one there.
bool MatchPositional(const std::string &text, const std::string &pattern) {
  std::string t = Trim(text), p = Trim(pattern);
  if (t.size() != p.size()) return false;
  for (size_t i = 0; i < p.size(); ++i)
    if (p[i] != '?' && p[i] != t[i]) return false;
  return true;
}

bool MatchStar(const std::string &text, const std::string &pattern) {
  if (pattern.find('*') == std::string::npos) return MatchPositional(text, pattern);
  std::string p;
  for (char c : pattern)
    if (c != '*' || p.empty() || p.back() != '*') p += c;
  std::vector<std::string> pieces = Split(p, '*');
  std::string rest = text;
  const std::string &first = pieces.front();
  if (!first.empty()) {
    if (PosWildcard(first, rest) != 1) return false;
    rest.erase(0, first.size());
  }
  for (size_t i = 1; i + 1 < pieces.size(); ++i) {
    int pos = PosWildcard(pieces[i], rest);
    if (pos == 0) return false;
    rest.erase(0, static_cast<size_t>(pos - 1) + pieces[i].size());
  }
  const std::string &last = pieces.back();
  if (pieces.size() > 1 && !last.empty() && PosWildcard(last, rest) == 0) return false;
  return true;
}

bool MatchCompare(const std::string &text, const std::string &pattern) {
  std::string p = Trim(pattern), t = Trim(text);
  if (!p.empty() && p[0] == '<') return CompareBytes(t, Trim(p.substr(1))) <= 0;
  if (!p.empty() && p[0] == '>') return CompareBytes(t, Trim(p.substr(1))) >= 0;
  if (size_t dash = p.find('-'); dash != std::string::npos) {
    std::string lo = Trim(p.substr(0, dash)), hi = Trim(p.substr(dash + 1));
    return CompareBytes(lo, t) <= 0 && CompareBytes(t, hi) <= 0;
  }
  return MatchStar(t, p);
}

bool MatchList(const std::string &text, const std::string &pattern) {
  if (text.find(',') == std::string::npos && pattern.find(',') == std::string::npos)
    return MatchCompare(text, pattern);
  std::vector<std::string> ps = Split(pattern, ','), ts = Split(text, ',');
  if (ps.size() > ts.size()) return false;
  for (size_t i = 0; i < ps.size(); ++i)
    if (!MatchCompare(ts[i], ps[i])) return false;
  return true;
}

}  // namespace

bool MatchWildcard(const std::string &text, const std::string &pattern, MatchMode mode) {
  const std::string t = win1252::FoldText(text);
  const std::string p = win1252::FoldText(pattern);
  switch (mode) {
    case mmExact: {
      std::string tp = Trim(p);
      return tp.empty() || tp == t;
    }
    case mmPrefix: {
      std::string tp = Trim(p);
      if (tp.size() > t.size()) return false;
      if (tp.empty()) return true;
      // Blanks of the pattern count; a pattern longer than the text fails.
      return p.size() <= t.size() && t.compare(0, p.size(), p) == 0;
    }
    case mmContains: {
      if (Trim(p).empty()) return true;
      return Trim(t).find(p) != std::string::npos;
    }
    case mmPositional:
      return MatchPositional(t, p);
    case mmPattern:
      return MatchStar(t, p);
    case mmCompare:
      return MatchCompare(t, p);
    case mmList:
      return MatchList(t, p);
  }
  return false;
}

int PosWildcard(const std::string &pattern, const std::string &text) {
  if (pattern.empty() || pattern.size() > text.size()) return 0;
  if (pattern.find('?') == std::string::npos) {
    size_t p = text.find(pattern);
    return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
  }
  for (size_t i = 0; i + pattern.size() <= text.size(); ++i) {
    size_t j = 0;
    while (j < pattern.size() && (pattern[j] == '?' || pattern[j] == text[i + j])) ++j;
    if (j == pattern.size()) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool GetNthDelimited(const std::string &text, int n, char opening, std::string &field) {
  field.clear();
  char closing;
  switch (opening) {
    case '(':
      closing = ')';
      break;
    case '<':
      closing = '>';
      break;
    case '[':
      closing = ']';
      break;
    case '{':
      closing = '}';
      break;
    default:
      closing = opening;
  }
  const bool same = closing == opening;
  auto escaped = [&](size_t i) { return i > 0 && text[i - 1] == '\\'; };
  size_t pos = 0;
  for (int found = 0; found < n;) {
    size_t open = pos;
    while (open < text.size() && (text[open] != opening || (same && escaped(open)))) ++open;
    if (open >= text.size()) return false;
    size_t close = open + 1;
    while (close < text.size() && (text[close] != closing || escaped(close))) ++close;
    if (close >= text.size()) return false;
    if (++found == n) {
      for (size_t i = open + 1; i < close; ++i) {
        if (text[i] == '\\' && i + 1 < close && text[i + 1] == closing) continue;
        field += text[i];
      }
      return true;
    }
    pos = close + 1;
  }
  return false;
}

namespace {

constexpr size_t kMaxScanString = 255;

template <class T>
void StoreInt(const ScanTarget &target, T value) {
  if (auto p = std::get_if<int32_t *>(&target); p && *p) {
    if (value >= std::numeric_limits<int32_t>::min() && value <= std::numeric_limits<int32_t>::max())
      **p = static_cast<int32_t>(value);
  } else if (auto q = std::get_if<uint32_t *>(&target); q && *q) {
    if (value >= 0 && static_cast<uint64_t>(value) <= std::numeric_limits<uint32_t>::max())
      **q = static_cast<uint32_t>(value);
  }
}

void StoreString(const ScanTarget &target, const std::string &value) {
  if (auto p = std::get_if<std::string *>(&target); p && *p) **p = value.substr(0, kMaxScanString);
}

void StoreFloat(const ScanTarget &target, long double value) {
  if (auto p = std::get_if<long double *>(&target); p && *p)
    **p = value;
  else if (auto q = std::get_if<double *>(&target); q && *q)
    **q = static_cast<double>(value);
}

bool InSet(const std::string &set, bool negate, char c) {
  bool in = false;
  for (size_t i = 0; i < set.size() && !in; ++i) {
    if (set[i] == '-' && i > 0 && i + 1 < set.size()) {
      unsigned char a = static_cast<unsigned char>(set[i - 1]), b = static_cast<unsigned char>(set[i + 1]);
      if (a > b) std::swap(a, b);
      unsigned char u = static_cast<unsigned char>(c);
      in = u >= a && u <= b;
    } else {
      in = set[i] == c;
    }
  }
  return in != negate;
}

bool IsDigitIn(char c, int base) {
  if (base == 8) return c >= '0' && c <= '7';
  if (base == 10) return c >= '0' && c <= '9';
  return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

int ScanFormatted(const std::string &input, const std::string &format,
                  const std::vector<ScanTarget> &targets) {
  std::string fmt;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '\\' && i + 1 < format.size() && (format[i + 1] == 'n' || format[i + 1] == 't')) {
      fmt += format[i + 1] == 'n' ? '\r' : '\t';
      ++i;
    } else {
      fmt += format[i];
    }
  }
  std::string in = input;
  for (size_t i = 0; i < in.size(); ++i)
    if (in[i] == '\n') in[i] = (i + 1 < in.size() && in[i + 1] == '\r') ? '\r' : ' ';

  static const std::string kDirectives = "*EG[cdefginosux";
  size_t fi = 0, ii = 0, nextTarget = 0;
  int count = 0;
  auto takeTarget = [&]() -> ScanTarget {
    return nextTarget < targets.size() ? targets[nextTarget++] : ScanTarget{};
  };
  auto isBreak = [](char c) { return c == '\t' || c == '\r' || c == ' '; };

  while (fi < fmt.size() && ii < in.size()) {
    char fc = fmt[fi];
    if (fc == '%') {
      char next = fi + 1 < fmt.size() ? fmt[fi + 1] : '\0';
      bool digit = next >= '0' && next <= '9';
      if (next == '\0' || (!digit && kDirectives.find(next) == std::string::npos)) {
        if (in[ii] != '%') break;
        ++ii;
        fi += next == '\0' ? 1 : 2;
        continue;
      }
      ++fi;
      bool store = true;
      if (fmt[fi] == '*') {
        store = false;
        ++fi;
      }
      size_t width = 0;
      while (fi < fmt.size() && fmt[fi] >= '0' && fmt[fi] <= '9') {
        width = std::min<size_t>(width * 10 + static_cast<size_t>(fmt[fi] - '0'), 1u << 20);
        ++fi;
      }
      if (fi >= fmt.size()) break;
      char conv = fmt[fi++];
      size_t limit = width ? width : std::string::npos;
      auto widthMet = [&](size_t taken) { return width == 0 || taken == width; };

      if (conv == 'n') {
        if (store) StoreInt(takeTarget(), static_cast<int64_t>(ii));
        continue;
      }
      if (conv == '[') {
        bool negate = fi < fmt.size() && fmt[fi] == '^';
        if (negate) ++fi;
        size_t close = fmt.find(']', fi);
        std::string set = fmt.substr(fi, close == std::string::npos ? std::string::npos : close - fi);
        fi = close == std::string::npos ? fmt.size() : close + 1;
        size_t start = ii;
        while (ii < in.size() && ii - start < limit && InSet(set, negate, in[ii])) ++ii;
        if (!widthMet(ii - start)) break;
        if (store) {
          StoreString(takeTarget(), in.substr(start, ii - start));
          ++count;
        }
        continue;
      }
      if (conv == 's') {
        size_t start = ii;
        while (ii < in.size() && !isBreak(in[ii])) ++ii;
        if (store) {
          StoreString(takeTarget(), in.substr(start, ii - start));
          ++count;
        }
        continue;
      }
      if (conv == 'd' || conv == 'u' || conv == 'x' || conv == 'o') {
        size_t start = ii;
        auto room = [&]() { return ii < in.size() && ii - start < limit; };
        bool neg = false;
        int base = conv == 'x' ? 16 : (conv == 'o' ? 8 : 10);
        if (conv == 'd' && room() && (in[ii] == '+' || in[ii] == '-')) neg = in[ii++] == '-';
        if (conv == 'x' && room()) {
          if (in[ii] == '$') {
            ++ii;
          } else if (in[ii] == '0' && ii + 1 < in.size() && ii + 1 - start < limit &&
                     (in[ii + 1] == 'x' || in[ii + 1] == 'X')) {
            ii += 2;
          }
        }
        size_t digits = ii;
        uint64_t v = 0;
        bool overflow = false;
        while (room() && IsDigitIn(in[ii], base)) {
          char c = in[ii++];
          int d = c <= '9' ? c - '0' : (std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
          v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
          if (v > 0xFFFFFFFFull) {
            overflow = true;
            break;
          }
        }
        if (ii == digits || overflow || !widthMet(ii - start)) break;
        int64_t value = neg ? -static_cast<int64_t>(v) : static_cast<int64_t>(v);
        if (conv == 'd' &&
            (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()))
          break;
        if (store) {
          StoreInt(takeTarget(), value);
          ++count;
        }
        continue;
      }
      if (conv == 'e' || conv == 'f' || conv == 'g' || conv == 'E' || conv == 'G') {
        size_t start = ii;
        auto room = [&]() { return ii < in.size() && ii - start < limit; };
        auto mantissa = [&]() {
          size_t s = ii;
          while (room() && ((in[ii] >= '0' && in[ii] <= '9') || in[ii] == '.' ||
                            ((in[ii] == '+' || in[ii] == '-') && ii == s)))
            ++ii;
        };
        mantissa();
        if (room() && (in[ii] == 'e' || in[ii] == 'E')) {
          ++ii;
          mantissa();
        }
        if (ii == start || !widthMet(ii - start)) break;
        std::string field = in.substr(start, ii - start);
        if (field[0] == '+') field.erase(0, 1);
        long double value = 0;
        auto [ptr, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
        if (ec != std::errc() || ptr != field.data() + field.size()) break;
        if (store) {
          StoreFloat(takeTarget(), value);
          ++count;
        }
        continue;
      }
      throw EInvalidTypeSpecifier(std::string("Unknown type field character: ") + conv);
    }
    if (fc == ' ') {
      while (ii < in.size() && in[ii] == ' ') ++ii;
      ++fi;
      continue;
    }
    if (fc == '\r' || fc == '\t') {
      while (ii < in.size() && (in[ii] == ' ' || (fc == '\r' && in[ii] == '\t'))) ++ii;
      if (ii >= in.size() || in[ii] != fc) break;
      ++ii;
      ++fi;
      continue;
    }
    // A literal run up to the next break or directive.
    bool mismatch = false;
    while (fi < fmt.size() && !isBreak(fmt[fi]) && fmt[fi] != '%') {
      if (ii >= in.size() || in[ii] != fmt[fi]) {
        mismatch = true;
        break;
      }
      ++ii;
      ++fi;
    }
    if (mismatch) break;
  }
  return count;
}
