#include <gtest/gtest.h>

#include <random>

#include "foundation/ui/QtStr.h"
#include "platform/Win1252.h"

TEST(QtStr, AllBytesRoundTripThroughQString) {
  std::string all;
  for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
  QString q = ToQ(all);
  ASSERT_EQ(q.size(), 256);
  EXPECT_EQ(q.at(0x80), QChar(0x20AC));
  EXPECT_EQ(q.at(0xE9), QChar(0xE9));
  EXPECT_EQ(FromQ(q), all);
  EXPECT_EQ(FromQ(QString::fromUtf8("\xe4\xb8\xad")), "?");
}

TEST(QtStr, GameTextDecodesUtf8ElseWindows1252) {
  EXPECT_EQ(GameToQ("Benk\xc5\x91 P\xc3\xa1l"), QString::fromUtf8("Benk\xc5\x91 P\xc3\xa1l"));
  EXPECT_EQ(GameToQ("B\xf6hm \x80"), QString::fromUtf8("B\xc3\xb6hm \xe2\x82\xac"));
  // A text with one invalid byte reads whole as Windows-1252.
  EXPECT_EQ(GameToQ("\xc3\xa9\xe9"), QString::fromUtf8("\xc3\x83\xc2\xa9\xc3\xa9"));
  using win1252::TextEncoding;
  const QString benko = QString::fromUtf8("Benk\xc5\x91 J\xc3\xbcrgen \xd0\x96");
  EXPECT_EQ(GameFromQ(benko, TextEncoding::Utf8), "Benk\xc5\x91 J\xc3\xbcrgen \xd0\x96");
  EXPECT_EQ(GameFromQ(benko, TextEncoding::Win1252), "Benk? J\xfcrgen ?");
}

TEST(QtStr, GameTextRoundTripsThroughQt) {
  // Property: a text of Windows-1252 or UTF-8 letters and spaces keeps its
  // bytes through the crossing and back in its own encoding.
  using win1252::TextEncoding;
  std::mt19937 rng(61);
  const char *utf8[] = {"a", "Z", " ", "\xc3\xbc", "\xc5\x91", "\xd0\x96", "\xce\xa9", "\xe2\x82\xac",
                        "\xf0\x9d\x90\x80"};
  const char cp[] = {'a', 'Z', ' ', '\xfc', '\xe9', '\x8a', '\x9f', '\xdf', '\xc0'};
  for (int round = 0; round < 500; ++round) {
    std::string u, w;
    for (int k = rng() % 16; k > 0; --k) {
      u += utf8[rng() % 9];
      w += cp[rng() % 9];
    }
    EXPECT_EQ(GameFromQ(GameToQ(u), TextEncoding::Utf8), u);
    // Any valid UTF-8 text stored into a Windows-1252 file reads the same as
    // far as Windows-1252 reaches.
    EXPECT_EQ(GameFromQ(GameToQ(u), TextEncoding::Win1252), win1252::FromUtf8(u, '?'));
    if (win1252::IsUtf8(w)) continue;  // all ASCII
    EXPECT_EQ(GameFromQ(GameToQ(w), TextEncoding::Win1252), w);
    EXPECT_EQ(GameFromQ(GameToQ(w), TextEncoding::Utf8), win1252::ToUtf8(w));
  }
}

// The name fold's own table against Qt's simple case folding, for every
// code point (Qt is only the judge here: the core carries its own table).
TEST(QtStr, NameFoldAgreesWithQtsCaseFolding) {
  int differ = 0;
  for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
    if (c >= 0xD800 && c < 0xE000) continue;
    char32_t want = QChar::toCaseFolded(c);
    if (want >= 'a' && want <= 'z') want -= 32;
    if (win1252::FoldCase(c) != want && ++differ <= 20)
      ADD_FAILURE() << std::hex << "U+" << static_cast<uint32_t>(c) << ": "
                    << static_cast<uint32_t>(win1252::FoldCase(c)) << ", Qt " << static_cast<uint32_t>(want);
  }
  EXPECT_EQ(differ, 0);
}
