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

TEST(Win1252Fold, NamesFoldByCharacterInUtf8AndThroughTheTableElsewhere) {
  using win1252::CompareText;
  // ASCII folding is unchanged.
  EXPECT_EQ(CompareText("kasparov", "KASPAROV"), 0);
  EXPECT_LT(CompareText("Anand", "carlsen"), 0);
  EXPECT_LT(CompareText("Tal", "tall"), 0);
  EXPECT_EQ(win1252::FoldText("Ba_z{"), "BA_Z{");
  // Windows-1252 names fold through the table.
  EXPECT_EQ(CompareText("m\xfcller", "M\xdcLLER"), 0);
  EXPECT_EQ(CompareText("\x9a", "\x8a"), 0);  // s caron
  EXPECT_EQ(win1252::FoldText("\xc3\xbcmit \xe9"), "\xc3\xbcMIT \xc9");  // invalid UTF-8: the table
  // UTF-8 folds by character: Latin-1, Latin Extended-A, Greek, Cyrillic.
  EXPECT_EQ(CompareText("\xc3\xa5ngstr\xc3\xb6m", "\xc3\x85NGSTR\xc3\x96M"), 0);  // angstrom
  EXPECT_EQ(CompareText("\xc3\xa5ngstr\xc3\xb6m", "\xc3\x85ngstr\xc3\xb6m"), 0);
  EXPECT_EQ(CompareText("benk\xc5\x91", "BENK\xc5\x90"), 0);                 // o double acute
  EXPECT_EQ(CompareText("\xd0\xbf\xd0\xb5\xd1\x82\xd1\x80\xd0\xbe\xd0\xb2",  // petrov
                        "\xd0\x9f\xd0\x95\xd0\xa2\xd0\xa0\xd0\x9e\xd0\x92"),
            0);
  EXPECT_EQ(CompareText("\xd1\x91\xd0\xb6", "\xd0\x81\xd0\x96"), 0);                  // yo, zhe
  EXPECT_EQ(CompareText("\xce\xb1\xce\xbb\xcf\x82", "\xce\x91\xce\x9b\xce\xa3"), 0);  // final sigma
  EXPECT_EQ(CompareText("\xc8\x99tefan", "\xc8\x98TEFAN"), 0);                        // s comma below
  // Never on the bytes of a character: U acute and E circumflex share their
  // first byte and stay apart, as do the Windows-1252 bytes a UTF-8 byte
  // would be.
  EXPECT_NE(CompareText("\xc3\x9arsula", "\xc3\x8arsula"), 0);
  EXPECT_EQ(CompareText("\xc3\x9arsula", "\xc3\xbaRSULA"), 0);
  EXPECT_NE(CompareText("\xd0\x9a", "\xd0\x8a"), 0);  // Ka and Nje: 0x9A and 0x8A in the table
  EXPECT_NE(CompareText("\xc3\xbc", "\xfc"), 0);      // the same letter in the two encodings
  // Characters without a simple fold stay as they are; those that fold into
  // ASCII fold on to upper case.
  EXPECT_EQ(win1252::FoldText("gro\xc3\x9f \xe2\x82\xac \xe6\xbc\xa2"),
            "GRO\xc3\x9f \xe2\x82\xac \xe6\xbc\xa2");
  EXPECT_EQ(CompareText("\xe2\x84\xaa", "k"), 0);  // Kelvin sign
  EXPECT_EQ(CompareText("\xc5\xbf", "S"), 0);      // long s
  EXPECT_EQ(win1252::FoldCase(0x130), 0x130u);     // I with dot: Turkish only
  EXPECT_EQ(win1252::FoldCase(0x10400), 0x10428u);
  // The comparison and the hash agree with the folded texts: a total order
  // for sorting, and equal texts hash alike.
  std::mt19937 rng(3);
  const char *pieces[] = {
      "a",    "A",       "z",        "\xc3\x9a", "\xc3\x8a", "\xc3\xba", "\xfa",         "\xda",
      "\x9a", "\x8a",    "\xc5\x91", "\xc5\x90", "\xd0\x96", "\xd0\xb6", "\xe2\x84\xaa", "\xf0\x90\x90\x80",
      "k",    "\xce\xa3"};
  constexpr size_t kPieces = std::size(pieces);
  for (int round = 0; round < 4000; ++round) {
    std::string x, y;
    for (int k = rng() % 5; k > 0; --k) x += pieces[rng() % kPieces];
    for (int k = rng() % 5; k > 0; --k) y += pieces[rng() % kPieces];
    const int want = win1252::FoldText(x).compare(win1252::FoldText(y));
    const int got = CompareText(x, y);
    ASSERT_EQ(want < 0, got < 0) << x << " " << y;
    ASSERT_EQ(want == 0, got == 0) << x << " " << y;
    if (got == 0) {
      ASSERT_EQ(win1252::FoldHash(x), win1252::FoldHash(y)) << x << " " << y;
    }
  }
}

TEST(Win1252Fold, FileNamesAndKeysFoldAsciiOnly) {
  EXPECT_TRUE(win1252::SameAscii("LngNames.INI", "lngnames.ini"));
  EXPECT_FALSE(win1252::SameAscii("\xc3\xa5.ini", "\xc3\x85.ini"));
  EXPECT_FALSE(win1252::SameAscii("\xe9", "\xc9"));
  EXPECT_LT(win1252::CompareAscii("ab", "ABC"), 0);
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
