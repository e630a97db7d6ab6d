#include <gtest/gtest.h>

#include "foundation/MyUtils.h"

namespace {
struct MatchCase {
  MatchMode mode;
  const char *pattern;
  const char *text;
  bool expect;
};

const MatchCase kMatchCases[] = {
    // exact: trimmed pattern against the text; a blank pattern matches all
    {mmExact, "", "Derevi", true},
    {mmExact, "   ", "Derevi", true},
    {mmExact, "derevi", "Derevi", true},
    {mmExact, "  DEREVI ", "Derevi", true},
    {mmExact, "Der", "Derevi", false},
    {mmExact, "Derevi", " Derevi", false},
    // prefix: the untrimmed pattern must fit in the text
    {mmPrefix, "VOD", "Vodovad", true},
    {mmPrefix, " ", "Vodovad", true},
    {mmPrefix, "vod ", "Vod x", true},
    {mmPrefix, "vod  ", "Vod", false},
    {mmPrefix, "vodo", "Vod", false},
    {mmPrefix, "ovad", "Vodovad", false},
    // contains: the untrimmed pattern in the trimmed text
    {mmContains, "ova", "Vodovad", true},
    {mmContains, "", "Vodovad", true},
    {mmContains, "VAD", "  Vodovad  ", true},
    {mmContains, " vad", "Vodovad", false},
    {mmContains, "xyz", "Vodovad", false},
    // positional "?": one character each, never a missing one
    {mmPositional, "D?revi", "Derevi", true},
    {mmPositional, "d?r?v?", "DERAVU", true},
    {mmPositional, "?erevi", "Derevi", true},
    {mmPositional, "Derevi?", "Derevi", false},
    {mmPositional, "19??", "19", false},
    {mmPositional, "19??", " 1985 ", true},
    {mmPositional, "D?R", "DAX", false},
    // "*" pattern: first piece at the start, the rest in order, the last
    // anywhere after
    {mmPattern, "D*V", "Derevi", true},
    {mmPattern, "D*V", "Durividu-Fan", true},
    {mmPattern, "D**V", "Derevi", true},
    {mmPattern, "D*", "Derevi", true},
    {mmPattern, "*VI", "Derevi", true},
    {mmPattern, "*", "", true},
    {mmPattern, "*ev*i", "Derevi", true},
    {mmPattern, "*vi*e", "Derevi", false},
    {mmPattern, "A*", "Derevi", false},
    {mmPattern, "D*X", "Derevi", false},
    {mmPattern, "D?r*i", "Derevi", true},
    {mmPattern, "D*?X", "DX", false},
    {mmPattern, "D?revi", "Derevi", true},  // no "*": as positional
    {mmPattern, "Derevi?", "Derevi", false},
    // comparison and range, by character codes after upper-casing
    {mmCompare, "<M", "Derevi", true},
    {mmCompare, "<M", "M", true},
    {mmCompare, "< m", "Vazu", false},
    {mmCompare, ">M", "Vazu", true},
    {mmCompare, ">M", "Derevi", false},
    {mmCompare, "A-C", "Baro", true},
    {mmCompare, "a - c", "C", true},
    {mmCompare, "A-C", "Zuvi", false},
    {mmCompare, "A-C", "Carl", false},
    {mmCompare, ">2000", "2100", true},
    {mmCompare, ">2000", "999", true},  // text comparison, kept as designed
    {mmCompare, ">2000", "10000", false},
    {mmCompare, "D*V", "Derevi", true},  // neither: as "*" pattern
    // comma lists of comparisons
    {mmList, "A-C,>2000", "Baro,2100", true},
    {mmList, "A-C,>2000", "Baro", false},
    {mmList, "A-C,>2000", "Baro,1900", false},
    {mmList, "A-C,>2000", "Zuvi,2100", false},
    {mmList, "A-C", "Baro,1900", true},
    {mmList, "<M", "Derevi", true},
    {mmList, "<M", "Vazu", false},
};
}  // namespace

TEST(MatchWildcard, Table) {
  for (const auto &c : kMatchCases)
    EXPECT_EQ(MatchWildcard(c.text, c.pattern, c.mode), c.expect)
        << "mode " << int(c.mode) << " pattern '" << c.pattern << "' text '" << c.text << "'";
}

TEST(MatchWildcard, FoldsWindows1252Letters) {
  // E acute, o e ligature and s caron fold to their capitals.
  EXPECT_TRUE(
      MatchWildcard("\xC9mile \x8C"
                    "uvre \x8A",
                    "\xE9MILE \x9C"
                    "UVRE \x9A",
                    mmExact));
  EXPECT_TRUE(MatchWildcard("Dvo\xD8\xC1k", "dvo\xF8\xE1", mmPrefix));
  // Accented capitals sort after the ASCII letters.
  EXPECT_FALSE(MatchWildcard("\xC9mile", "<Z", mmCompare));
  EXPECT_TRUE(MatchWildcard("\xE9mile", ">Z", mmCompare));
}

TEST(PosWildcard, Positions) {
  EXPECT_EQ(PosWildcard("B?C", "xxBzC"), 3);
  EXPECT_EQ(PosWildcard("B?C", "xxBzD"), 0);
  EXPECT_EQ(PosWildcard("B?C", "BzBBC"), 3);
  EXPECT_EQ(PosWildcard("zC", "xxBzC"), 4);
  EXPECT_EQ(PosWildcard("C?", "xxBzC"), 0);  // no character after C
  EXPECT_EQ(PosWildcard("?z", "xxBzC"), 3);
  EXPECT_EQ(PosWildcard("??????", "xxBzC"), 0);
  EXPECT_EQ(PosWildcard("", "xx"), 0);
}

TEST(GetNthDelimited, Fields) {
  std::string f = "stale";
  const std::string epd = "Pos \"a\" \"b\\\"c\"";
  EXPECT_TRUE(GetNthDelimited(epd, 2, '"', f));
  EXPECT_EQ(f, "b\"c");
  EXPECT_TRUE(GetNthDelimited(epd, 1, '"', f));
  EXPECT_EQ(f, "a");
  EXPECT_FALSE(GetNthDelimited(epd, 3, '"', f));
  EXPECT_EQ(f, "");
  // Fields do not nest; an escaped closing character stays in the field and
  // loses its backslash, other backslashes stay.
  EXPECT_TRUE(GetNthDelimited("(x(y)z) (w)", 1, '(', f));
  EXPECT_EQ(f, "x(y");
  EXPECT_TRUE(GetNthDelimited("(x(y)z) (w)", 2, '(', f));
  EXPECT_EQ(f, "w");  // the search goes on after the first closing one
  EXPECT_TRUE(GetNthDelimited("{a\\}b\\c}", 1, '{', f));
  EXPECT_EQ(f, "a}b\\c");
  EXPECT_TRUE(GetNthDelimited("\\(a) <1> [2]", 1, '(', f));
  EXPECT_EQ(f, "a");
  EXPECT_TRUE(GetNthDelimited("\\(a) <1> [2]", 1, '<', f));
  EXPECT_EQ(f, "1");
  EXPECT_TRUE(GetNthDelimited("\\(a) <1> [2]", 1, '[', f));
  EXPECT_EQ(f, "2");
  // With same-character delimiters an escaped opening one does not open.
  EXPECT_TRUE(GetNthDelimited("\\\"x\" \"y\"", 1, '"', f));
  EXPECT_EQ(f, " ");
  EXPECT_FALSE(GetNthDelimited("\"abc", 1, '"', f));
  EXPECT_FALSE(GetNthDelimited("", 1, '"', f));
  EXPECT_FALSE(GetNthDelimited("\"abc\\\"", 1, '"', f));
}

TEST(ScanFormatted, EngineReply) {
  std::string mv = "none";
  EXPECT_EQ(ScanFormatted("move e2e4", "move %s", {&mv}), 1);
  EXPECT_EQ(mv, "e2e4");
  mv = "none";
  EXPECT_EQ(ScanFormatted("move  g1f3\r\n", "move %s", {&mv}), 1);
  EXPECT_EQ(mv, "g1f3");
  mv = "none";
  EXPECT_EQ(ScanFormatted("Illegal move: e2e4", "move %s", {&mv}), 0);
  EXPECT_EQ(ScanFormatted("mov", "move %s", {&mv}), 0);
  EXPECT_EQ(ScanFormatted("move", "move %s", {&mv}), 0);
  EXPECT_EQ(mv, "none");
}

TEST(ScanFormatted, Conversions) {
  int32_t d = 0, x = 0, o = 0, n = -1, skipped = 0;
  uint32_t u = 0;
  std::string set, neg;
  long double f = 0;
  double g = 0;
  EXPECT_EQ(ScanFormatted("-12 0x1F abcx", "%d %x %[a-c]", {&d, &x, &set}), 3);
  EXPECT_EQ(d, -12);
  EXPECT_EQ(x, 31);
  EXPECT_EQ(set, "abc");
  EXPECT_EQ(ScanFormatted("$ff 17 8 zyx!", "%x %o %u %[^!]%n", {&x, &o, &u, &neg, &n}), 4);
  EXPECT_EQ(x, 255);
  EXPECT_EQ(o, 15);
  EXPECT_EQ(u, 8u);
  EXPECT_EQ(neg, "zyx");
  EXPECT_EQ(n, 12);
  EXPECT_EQ(ScanFormatted("3 +8", "%d %u", {&d, &u}), 1);  // no sign for %u
  EXPECT_EQ(u, 8u);
  EXPECT_EQ(ScanFormatted("7 9", "%*d %d", {&skipped}), 1);
  EXPECT_EQ(skipped, 9);
  EXPECT_EQ(ScanFormatted("-1.5e3 .25", "%f %g", {&f, &g}), 2);
  EXPECT_DOUBLE_EQ(static_cast<double>(f), -1500.0);
  EXPECT_DOUBLE_EQ(g, 0.25);
  EXPECT_EQ(ScanFormatted(". 1", "%f %d", {&f, &d}), 0);  // not a number: stops
  EXPECT_EQ(ScanFormatted("z-a", "%[z-a]", {&set}), 1);   // range bounds in either order
  EXPECT_EQ(set, "z");
}

TEST(ScanFormatted, LiteralsWidthsAndCounts) {
  int32_t a = 0, b = 0;
  std::string s;
  EXPECT_EQ(ScanFormatted("100% 5", "100%% %d", {&a}), 1);
  EXPECT_EQ(a, 5);
  EXPECT_EQ(ScanFormatted("12345", "%2d%3d", {&a, &b}), 2);
  EXPECT_EQ(a, 12);
  EXPECT_EQ(b, 345);
  EXPECT_EQ(ScanFormatted("12", "%3d", {&a}), 0);  // width not met
  EXPECT_EQ(ScanFormatted("a\tb", "%s\\t%s", {&s, &s}), 2);
  EXPECT_EQ(s, "b");
  EXPECT_EQ(ScanFormatted("a  \t\r\nb", "%s\\n%s", {&s, &s}), 2);
  EXPECT_EQ(ScanFormatted("a\nb", "%s %s", {&s, &s}), 2);  // a line feed reads as a blank
  EXPECT_EQ(ScanFormatted("1 2", "%d %d", {}), 2);         // counted without targets
  EXPECT_EQ(ScanFormatted("x 2", "%d %d", {&a, &b}), 0);
  EXPECT_EQ(ScanFormatted("99999999999", "%d", {&a}), 0);  // overflow stops, no wrap
  std::string longText(300, 'q');
  EXPECT_EQ(ScanFormatted(longText, "%s", {&s}), 1);
  EXPECT_EQ(s.size(), 255u);
  try {
    ScanFormatted("x", "%c", {&s});
    FAIL() << "no exception";
  } catch (const EInvalidTypeSpecifier &e) {
    EXPECT_STREQ(e.what(), "Unknown type field character: c");
  }
  EXPECT_THROW(ScanFormatted("1", "%i", {&a}), EInvalidTypeSpecifier);
  EXPECT_THROW(ScanFormatted("1", "%5q", {&a}), EInvalidTypeSpecifier);
}

TEST(MatchWildcard, FoldsNamesAsTheIndexesDo) {
  // Windows-1252: "m\xfcller" finds "M\xfcller" in every mode.
  for (MatchMode m : {mmExact, mmPrefix, mmContains, mmPattern, mmCompare, mmList})
    EXPECT_TRUE(MatchWildcard("M\xfcller", "m\xfcller", m)) << int(m);
  // UTF-8: U with acute and E with circumflex differ in their second byte
  // only, which the Windows-1252 table would fold alike.
  EXPECT_TRUE(MatchWildcard("\xc3\x9arsula", "\xc3\x9aRSULA", mmExact));
  EXPECT_FALSE(MatchWildcard("\xc3\x8arsula", "\xc3\x9arsula", mmExact));
  EXPECT_FALSE(MatchWildcard("\xc3\x8arsula", "\xc3\x9a", mmPrefix));
  EXPECT_FALSE(MatchWildcard("\xc3\x8arsula", "*\xc3\x9a*", mmPattern));
  EXPECT_TRUE(MatchWildcard("Bj\xc3\xb6rn", "bj?*", mmPattern));
  EXPECT_TRUE(MatchWildcard("Bj\xc3\xb6rn", "a-c", mmCompare));
}
