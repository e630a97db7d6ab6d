#include <gtest/gtest.h>

#include "TestUtil.h"
#include "chess/IOMan.h"
#include "platform/Errors.h"

namespace {

// Both kinds of input over the same text, so every test runs on each.
class InputKinds : public ::testing::TestWithParam<int> {
 protected:
  void Open(const std::string &text) {
    if (GetParam() == 0) {
      dir_.Write("in.txt", text);
      ASSERT_TRUE(in_.InitFile(dir_.File("in.txt")));
    } else {
      in_.InitString(text);
    }
  }
  testutil::TempDir dir_;
  InputO in_;
};

TEST_P(InputKinds, PeekThenReadGiveTheSameCharacters) {
  Open("abcd");
  EXPECT_EQ(in_.PeekChar(3), 'c');
  EXPECT_EQ(in_.PeekString(3), "abc");
  EXPECT_EQ(in_.CharNr(), 0);
  EXPECT_EQ(in_.ReadChar(), 'a');
  EXPECT_EQ(in_.ReadChar(), 'b');
  EXPECT_EQ(in_.ReadChar(), 'c');
  EXPECT_EQ(in_.CharNr(), 3);
  // Looking past the end gives the terminator and shorter strings.
  EXPECT_EQ(in_.PeekChar(2), '\0');
  EXPECT_EQ(in_.PeekString(5), "d");
  EXPECT_EQ(in_.ReadChar(), 'd');
  EXPECT_TRUE(in_.Eof());
  EXPECT_EQ(in_.ReadChar(), '\0');
  EXPECT_TRUE(in_.Eof());
}

TEST_P(InputKinds, UnreadStepsBackAndKeepsCountsInStep) {
  Open("xy\r\nz");
  char x = in_.ReadChar();
  char y = in_.ReadChar();
  in_.UnreadChar(y);
  in_.UnreadChar(x);
  EXPECT_EQ(in_.CharNr(), 0);
  EXPECT_EQ(in_.ReadChars(10), "xy\r\nz");
  EXPECT_EQ(in_.CharNr(), 5);
  EXPECT_EQ(in_.LineNr(), 1);
  // A read past the end unread again leaves the text at its end.
  char end = in_.ReadChar();
  in_.UnreadChar(end);
  EXPECT_TRUE(in_.Eof());
  in_.UnreadChar('z');
  EXPECT_FALSE(in_.Eof());
  EXPECT_EQ(in_.ReadChar(), 'z');
  // Re-reading the line end after push-back does not count it again.
  for (char c : std::string("z\n\r")) in_.UnreadChar(c);
  in_.ReadChars(3);
  EXPECT_EQ(in_.LineNr(), 1);
}

TEST_P(InputKinds, EveryKindOfLineEndCountsOnce) {
  Open("a\r\nb\nc\rd\n\r\n\ne");
  EXPECT_EQ(in_.ReadChars(100), "a\r\nb\nc\rd\n\r\n\ne");
  // CR LF, LF, CR, LF, CR LF, LF.
  EXPECT_EQ(in_.LineNr(), 6);
}

TEST_P(InputKinds, MatchesSkipBlanksAndNumbers) {
  Open("[Event \n \r\t12 345 x99999999999 7");
  EXPECT_TRUE(in_.Matches("[Ev"));
  EXPECT_FALSE(in_.Matches("[ev"));
  EXPECT_EQ(in_.ReadChars(6), "[Event");
  EXPECT_TRUE(in_.SkipBlanks());
  EXPECT_FALSE(in_.SkipBlanks());  // stops at the tab
  EXPECT_EQ(in_.ReadChar(), '\t');
  int32_t n = 0;
  ASSERT_TRUE(in_.ReadNumber(n));
  EXPECT_EQ(n, 12);
  EXPECT_EQ(in_.PeekChar(1), '3');  // the blank was consumed
  ASSERT_TRUE(in_.ReadNumber(n));
  EXPECT_EQ(n, 345);
  EXPECT_FALSE(in_.ReadNumber(n));  // no digits
  EXPECT_EQ(in_.ReadChar(), 'x');
  EXPECT_FALSE(in_.ReadNumber(n));  // too large for 32 bits: consumed, refused
  EXPECT_EQ(in_.PeekChar(1), ' ');
  in_.SkipBlanks();
  ASSERT_TRUE(in_.ReadNumber(n));
  EXPECT_EQ(n, 7);
  EXPECT_TRUE(in_.Eof());
  EXPECT_FALSE(in_.Matches(""));  // nothing matches at the end
}

TEST_P(InputKinds, PeekLimitsAreRangeErrors) {
  Open("abc");
  EXPECT_THROW(in_.PeekChar(0), ERangeError);
  EXPECT_THROW(in_.PeekChar(101), ERangeError);
  EXPECT_THROW(in_.PeekString(101), ERangeError);
  EXPECT_EQ(in_.ReadChar(), 'a');
}

INSTANTIATE_TEST_SUITE_P(FileAndText, InputKinds, ::testing::Values(0, 1));

TEST(InputO, FilePushBackHoldsAHundred) {
  testutil::TempDir dir;
  dir.Write("in.txt", "abc");
  InputO in;
  ASSERT_TRUE(in.InitFile(dir.File("in.txt")));
  for (int i = 0; i < 100; ++i) in.UnreadChar('p');
  EXPECT_THROW(in.UnreadChar('q'), ERangeError);
  EXPECT_EQ(in.CharNr(), -100);
  EXPECT_EQ(in.ReadChar(), 'p');
  EXPECT_EQ(in.PeekString(100), std::string(99, 'p') + "a");
}

// A file's one-character look-ahead is a read and an unread: the line end
// it shows is counted already, the character count is not, and a pushed
// character is the one shown. Across read chunks too.
TEST(InputO, FilePeekCountsLikeAReadAndUnread) {
  testutil::TempDir dir;
  std::string text;
  for (int i = 0; i < 40000; ++i) text += i % 3 == 0 ? "ab\r\n" : i % 3 == 1 ? "c\n" : "d\r";
  dir.Write("in.txt", text);
  InputO in;
  ASSERT_TRUE(in.InitFile(dir.File("in.txt")));
  std::int64_t lines = 0;
  char last = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || (c == '\n' && last != '\r')) ++lines;
    last = c;
    ASSERT_EQ(in.PeekChar(1), c) << i;
    ASSERT_EQ(in.PeekChar(1), c) << i;
    ASSERT_EQ(in.CharNr(), static_cast<std::int64_t>(i));
    ASSERT_EQ(in.LineNr(), lines) << i;
    ASSERT_EQ(in.ReadChar(), c);
    if (i % 1000 == 0) {
      in.UnreadChar('x');
      EXPECT_EQ(in.PeekChar(1), 'x');
      EXPECT_EQ(in.ReadChar(), 'x');
      EXPECT_EQ(in.LineNr(), lines);
    }
  }
  EXPECT_EQ(in.PeekChar(1), '\0');
  EXPECT_TRUE(in.Eof());
  EXPECT_EQ(in.CharNr(), static_cast<std::int64_t>(text.size()));
}

TEST(InputO, TextStopsAtZeroAndUnreadAtStartIsIgnored) {
  InputO in;
  in.InitString(std::string("ab\0cd", 5));
  in.UnreadChar('a');
  EXPECT_EQ(in.CharNr(), 0);
  EXPECT_EQ(in.ReadChars(10), "ab");
  in.InitPChar(nullptr);
  EXPECT_TRUE(in.Eof());
}

TEST(InputO, MissingFileFails) {
  testutil::TempDir dir;
  InputO in;
  EXPECT_FALSE(in.InitFile(dir.File("none.txt")));
  EXPECT_NE(in.Error(), 0);
  EXPECT_TRUE(in.Eof());
  EXPECT_EQ(in.ReadChar(), '\0');
}

TEST(InputO, LargeFileCrossesReadChunks) {
  testutil::TempDir dir;
  std::string text;
  for (int i = 0; i < 30000; ++i) text += "line\n";
  dir.Write("big.txt", text);
  InputO in;
  ASSERT_TRUE(in.InitFile(dir.File("big.txt")));
  std::string got;
  while (!in.Eof()) got += in.ReadChar();
  EXPECT_EQ(got, text);
  EXPECT_EQ(in.LineNr(), 30000);
}

TEST(OutputO, WrapsByWholeTokens) {
  OutputO out;
  out.InitBuffer(10);
  out.AppendWrapped("abcde");
  out.AppendWrapped("fghij");
  out.AppendWrapped("klm");
  EXPECT_EQ(out.GetString(), "abcdefghij\r\nklm");
  // A token longer than the width stands alone, with no empty line before.
  out.InitBuffer(4);
  out.AppendWrapped("abcdefg");
  out.AppendWrapped("h");
  out.Write("ij");
  out.NewLine();
  out.Write("k");
  EXPECT_EQ(out.GetString(), "abcdefg\r\nhij\r\nk");
  EXPECT_EQ(out.Column(), 1);
}

TEST(OutputO, FullBufferTakesWhatFits) {
  OutputO out;
  out.InitBuffer(1000000);
  out.Append(std::string(9998, 'a'));
  EXPECT_FALSE(out.Truncated());
  out.Append("bcd");
  EXPECT_TRUE(out.Truncated());
  EXPECT_EQ(out.Length(), 10000);
  EXPECT_EQ(out.GetString().substr(9996), "aabc");
  out.Append("e");
  EXPECT_EQ(out.Length(), 10000);
}

TEST(OutputO, StringSink) {
  OutputO out;
  out.InitString();
  out.Write("1. e4");
  out.WriteLn(" e5");
  out.Write("*");
  EXPECT_EQ(out.GetString(), "1. e4 e5\r\n*");
}

TEST(OutputO, FileIsReplacedOnlyAfterAGoodWrite) {
  testutil::TempDir dir;
  dir.Write("out.pgn", "old");
  {
    OutputO out;
    ASSERT_TRUE(out.InitFile(dir.File("out.pgn")));
    out.WriteLn("[Event \"x\"]");
    std::string big(200000, 'm');
    out.Write(big);
    // Nothing replaces the original before Done.
    EXPECT_EQ(dir.Read("out.pgn"), "old");
    EXPECT_TRUE(out.Done());
  }
  std::string got = dir.Read("out.pgn");
  EXPECT_EQ(got.size(), 13u + 200000u);
  EXPECT_EQ(got.substr(0, 13), "[Event \"x\"]\r\n");
  EXPECT_EQ(files::ListFiles(dir.Path(), "*").size(), 1u);

  // Left without Done (an error unwound the writer): the original stays.
  {
    OutputO out;
    ASSERT_TRUE(out.InitFile(dir.File("out.pgn")));
    out.Write("partial");
  }
  EXPECT_EQ(dir.Read("out.pgn"), got);
  EXPECT_EQ(files::ListFiles(dir.Path(), "*").size(), 1u);

  OutputO bad;
  EXPECT_FALSE(bad.InitFile(dir.File("no/such/dir/out.pgn")));
  bad.Write("x");
  EXPECT_FALSE(bad.Done());
}

}  // namespace
