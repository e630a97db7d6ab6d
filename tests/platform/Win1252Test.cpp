#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "platform/Win1252.h"

using win1252::Classify;
using win1252::TextKind;

TEST(Win1252Utf8, ClassifiesValidAndInvalidUtf8) {
  EXPECT_EQ(Classify(""), TextKind::Ascii);
  EXPECT_EQ(Classify("Kasparov, G."), TextKind::Ascii);
  EXPECT_EQ(Classify("Benk\xc5\x91 P\xc3\xa1l"), TextKind::Utf8);         // two-byte
  EXPECT_EQ(Classify("\xe2\x82\xac"), TextKind::Utf8);                    // euro sign
  EXPECT_EQ(Classify("\xf0\x9f\x98\x80"), TextKind::Utf8);                // four-byte
  EXPECT_EQ(Classify("B\xf6hm"), TextKind::Other);                        // Windows-1252 o diaeresis
  EXPECT_EQ(Classify("\xc3"), TextKind::Other);                           // cut at the end
  EXPECT_EQ(Classify("\xc3x"), TextKind::Other);                          // lead without continuation
  EXPECT_EQ(Classify("\x80"), TextKind::Other);                           // stray continuation
  EXPECT_EQ(Classify("\xc0\xaf"), TextKind::Other);                       // overlong two-byte
  EXPECT_EQ(Classify("\xe0\x80\xaf"), TextKind::Other);                   // overlong three-byte
  EXPECT_EQ(Classify("\xf0\x80\x80\xaf"), TextKind::Other);               // overlong four-byte
  EXPECT_EQ(Classify("\xed\xa0\x80"), TextKind::Other);                   // surrogate
  EXPECT_EQ(Classify("\xf4\x90\x80\x80"), TextKind::Other);               // past U+10FFFF
  EXPECT_EQ(Classify("\xf5\x80\x80\x80"), TextKind::Other);
  EXPECT_EQ(Classify("\xf4\x8f\xbf\xbf"), TextKind::Utf8);                // U+10FFFF
  EXPECT_EQ(Classify("\xc3\xa9\xe9"), TextKind::Other);                   // mixed
  EXPECT_EQ(Classify(std::string("a\0\xc3\xa9", 4)), TextKind::Utf8);
}

TEST(Win1252Utf8, EveryUtf8EncodedCodePointIsValid) {
  // All code points Windows-1252 can hold, written as UTF-8, read as valid;
  // the same text in Windows-1252 bytes reads as invalid once it holds one
  // non-ASCII letter (every Windows-1252 letter is a lone lead or
  // continuation byte).
  for (int b = 0x80; b < 0x100; ++b) {
    const std::string one(1, static_cast<char>(b));
    EXPECT_EQ(Classify(win1252::ToUtf8(one)), TextKind::Utf8) << b;
    EXPECT_EQ(Classify("x" + one + "y"), TextKind::Other) << b;
  }
}

TEST(Win1252Utf8, CutKeepsWholeSequences) {
  const std::string s = "ab\xc5\x91\xe2\x82\xac";  // a b o-double-acute euro
  EXPECT_EQ(win1252::Utf8Cut(s, 100), s.size());
  EXPECT_EQ(win1252::Utf8Cut(s, 7), 7u);
  EXPECT_EQ(win1252::Utf8Cut(s, 6), 4u);
  EXPECT_EQ(win1252::Utf8Cut(s, 5), 4u);
  EXPECT_EQ(win1252::Utf8Cut(s, 4), 4u);
  EXPECT_EQ(win1252::Utf8Cut(s, 3), 2u);
  EXPECT_EQ(win1252::Utf8Cut(s, 0), 0u);
  // Windows-1252 text is cut at the byte.
  EXPECT_EQ(win1252::Utf8Cut("ab\xf6\xe9", 3), 3u);
  // Any cut of a random valid text stays valid.
  std::mt19937 rng(7);
  const char *pieces[] = {"a", " ", "\xc3\xbc", "\xd0\x96", "\xe2\x82\xac", "\xf0\x9f\x98\x80"};
  for (int round = 0; round < 200; ++round) {
    std::string t;
    for (int k = rng() % 12; k > 0; --k) t += pieces[rng() % 6];
    for (size_t max = 0; max <= t.size(); ++max) {
      const size_t cut = win1252::Utf8Cut(t, max);
      ASSERT_LE(cut, max);
      ASSERT_GT(cut + 4, max);
      ASSERT_TRUE(win1252::IsUtf8(t.substr(0, cut))) << t << " " << max;
    }
  }
}

TEST(Win1252Fold, NamesFoldAsciiAlwaysAndWindows1252LettersOnlyOutsideUtf8) {
  using win1252::CompareText;
  // ASCII folding is unchanged.
  EXPECT_EQ(CompareText("kasparov", "KASPAROV"), 0);
  EXPECT_LT(CompareText("Anand", "carlsen"), 0);
  EXPECT_LT(CompareText("Tal", "tall"), 0);
  // Windows-1252 names fold through the table.
  EXPECT_EQ(CompareText("m\xfcller", "M\xdcLLER"), 0);
  EXPECT_EQ(CompareText("\x9a", "\x8a"), 0);  // s caron
  // UTF-8 "\xc3\x9a" (U with acute) and "\xc3\x8a" (E with circumflex) stay
  // apart; their ASCII letters still fold.
  EXPECT_NE(CompareText("\xc3\x9arsula", "\xc3\x8arsula"), 0);
  EXPECT_EQ(CompareText("\xc3\x9arsula", "\xc3\x9aRSULA"), 0);
  EXPECT_EQ(win1252::FoldText("\xc3\xbcmit \xe9"), "\xc3\xbcMIT \xc9");  // invalid: all letters
  EXPECT_EQ(win1252::FoldText("\xc3\xbcmit \xc3\xa9"), "\xc3\xbcMIT \xc3\xa9");
  // The comparison orders as the folded texts do: a total order for sorting.
  std::mt19937 rng(3);
  const char *pieces[] = {"a", "A", "z", "\xc3\x9a", "\xc3\x8a", "\xc3\xba", "\xfa", "\xda", "\x9a", "\x8a"};
  for (int round = 0; round < 2000; ++round) {
    std::string x, y;
    for (int k = rng() % 4; k > 0; --k) x += pieces[rng() % 10];
    for (int k = rng() % 4; k > 0; --k) y += pieces[rng() % 10];
    const int want = win1252::FoldText(x).compare(win1252::FoldText(y));
    const int got = CompareText(x, y);
    ASSERT_EQ(want < 0, got < 0) << x << " " << y;
    ASSERT_EQ(want == 0, got == 0) << x << " " << y;
  }
}

TEST(Win1252Utf8, ScanInPiecesAgreesWithTheWholeText) {
  // Property: any split of a text into pieces classifies as the whole does,
  // with sequences spanning the cuts, valid or not.
  std::mt19937 rng(11);
  const char *pieces[] = {"abcdefghij", " ", "\xc3\xbc", "\xe2\x82\xac", "\xf0\x9f\x98\x80",
                          "\xe9", "\xc3", "\x80", "\xed\xa0\x80", "\xe0\x80\xaf"};
  for (int round = 0; round < 3000; ++round) {
    std::string t;
    const int kinds = round % 3 == 0 ? 10 : 5;  // two thirds without invalid pieces
    for (int k = rng() % 10; k > 0; --k) t += pieces[rng() % kinds];
    win1252::Utf8Scan scan;
    for (size_t at = 0; at < t.size();) {
      const size_t len = std::min<size_t>(t.size() - at, rng() % 5);
      scan.Feed(std::string_view(t).substr(at, len));
      at += len;
    }
    ASSERT_EQ(scan.Kind(), Classify(t)) << t;
  }
  win1252::Utf8Scan cut;
  cut.Feed("ok \xe2\x82");
  EXPECT_EQ(cut.Kind(), TextKind::Other);  // ends inside a sequence
  cut.Feed("\xac");
  EXPECT_EQ(cut.Kind(), TextKind::Utf8);
  EXPECT_EQ(win1252::ToEncoding("J\xc3\xbcrgen Benk\xc5\x91", win1252::TextEncoding::Win1252), "J\xfcrgen Benk?");
  EXPECT_EQ(win1252::ToEncoding("J\xfcrgen", win1252::TextEncoding::Utf8), "J\xc3\xbcrgen");
  EXPECT_EQ(win1252::ToEncoding("J\xfcrgen", win1252::TextEncoding::Win1252), "J\xfcrgen");
  EXPECT_EQ(win1252::ToEncoding("Benk\xc5\x91", win1252::TextEncoding::Utf8), "Benk\xc5\x91");
}

TEST(Win1252Utf8, PiecesConvertAsEachPieceAloneWould) {
  // Property: the converter that skips ASCII runs gives what converting
  // every piece on its own gives, with bounds at the ends, side by side,
  // and high bytes next to them or eight-byte words apart.
  std::mt19937 rng(5);
  const char *parts[] = {"[", "]", "\"", "{", "}", ";", "\r\n", "\n", "abcdefgh", "Nf3 ", "x",
                         "\xc3\xbc", "\xe9", "\xe2\x82\xac", "\xc3", "\x80", "\xf0\x9f\x98\x80"};
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int k = static_cast<int>(rng() % 24); k > 0; --k) text += parts[rng() % 17];
    for (const auto to : {win1252::TextEncoding::Utf8, win1252::TextEncoding::Win1252}) {
      std::string want = "<";
      win1252::ForEachPiece(text, [&](std::string_view p) { want += win1252::ToEncoding(std::string(p), to); });
      std::string got = "<";  // appends to what is there
      win1252::AppendPiecesInEncoding(text, to, got);
      ASSERT_EQ(got, want) << text;
    }
  }
}
