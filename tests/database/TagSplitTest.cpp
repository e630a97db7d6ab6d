// Tags of a packed game: the split of the stored tag text into names and
// values, the result code and the PGN tag lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "database/QZUtils.h"
#include "platform/Errors.h"

namespace {

GameBuffer Block(const std::string &tags) {
  QZGameManagerO gm;
  gm.Reset();
  EXPECT_TRUE(gm.SetTagText(tags));
  gm.EndGame();
  GameBuffer buf;
  EXPECT_TRUE(gm.Pack(buf));
  return buf;
}

using Pairs = std::vector<std::pair<std::string, std::string>>;

Pairs Split(const std::string &tags) {
  const GameBuffer buf = Block(tags);
  QZGameManagerO gm;
  EXPECT_TRUE(gm.Attach(buf));
  Pairs out;
  for (int i = 1; i <= gm.TagCount(); ++i) out.emplace_back(gm.TagName(i), gm.TagValue(i));
  return out;
}

}  // namespace

TEST(TagSplit, PairsAndBlanks) {
  EXPECT_EQ(Split("[Event \"Open\"][Site \"Town\"][Round \"3\"]"),
            (Pairs{{"Event", "Open"}, {"Site", "Town"}, {"Round", "3"}}));
  EXPECT_EQ(Split(" \t[ Event  \"a b\" ] \r\n[Site\"\"]"), (Pairs{{"Event", "a b"}, {"Site", ""}}));
  // Inner line breaks of a value stay; names take letters, digits and "_".
  EXPECT_EQ(Split("[My_Tag2 \"x\r\ny\"]"), (Pairs{{"My_Tag2", "x\r\ny"}}));
  EXPECT_EQ(Split(""), Pairs{});
}

TEST(TagSplit, EscapedQuotesAndBackslashes) {
  EXPECT_EQ(Split(R"([Event "The \"Big\" One"][Site "C:\\dir\\x"][Annotator "a\b"])"),
            (Pairs{{"Event", "The \"Big\" One"}, {"Site", "C:\\dir\\x"}, {"Annotator", "a\\b"}}));
  // A value ending in a backslash.
  EXPECT_EQ(Split(R"([Event "x\\"][Site "s"])"), (Pairs{{"Event", "x\\"}, {"Site", "s"}}));
}

TEST(TagSplit, MalformedPairsAreSkipped) {
  // Each bad pair is dropped and the pairs after it are kept.
  EXPECT_EQ(Split(R"([Event x][Site "s"])"), (Pairs{{"Site", "s"}}));
  EXPECT_EQ(Split(R"([ "no name"][Site "s"])"), (Pairs{{"Site", "s"}}));
  EXPECT_EQ(Split(R"(junk [Site "s"] more junk [Round "1"])"), (Pairs{{"Site", "s"}, {"Round", "1"}}));
  EXPECT_EQ(Split(R"([[Site "s"])"), (Pairs{{"Site", "s"}}));
  // A value that never closes ends the text.
  EXPECT_EQ(Split(R"([Site "s"][Event "open)"), (Pairs{{"Site", "s"}}));
  EXPECT_EQ(Split(R"([Site "s"][Event)"), (Pairs{{"Site", "s"}}));
}

TEST(TagSplit, PairsTheImporterAcceptsKeepTheirValues) {
  // Quotes inside a value, not escaped: the text between the first and the
  // last quote; text after the closing quote is not the value.
  EXPECT_EQ(Split(R"([White ""Mirage""][Black "a "b" c"][Event "a"b"][Site "e" x][Round "1"])"),
            (Pairs{{"White", "\"Mirage\""}, {"Black", "a \"b\" c"}, {"Event", "a\"b"}, {"Site", "e"}, {"Round", "1"}}));
  // The "]" inside a value does not end the pair.
  EXPECT_EQ(Split(R"([Event "a ] b"][Site "s"])"), (Pairs{{"Event", "a ] b"}, {"Site", "s"}}));
}

TEST(TagSplit, ValuesAndResults) {
  struct Case {
    const char *tags;
    int result;
  };
  const Case cases[] = {
      {"[Result \"1-0\"]", 0},
      {"[Result \"1/2-1/2\"]", 1},
      {"[Result \"0-1\"]", 2},
      {"[Result \"*\"]", 3},
      {"[Result \"1-0 \"]", 3},
      {"[Result \"\"]", 3},
      {"[result \"1-0\"]", 3},  // names are compared exactly
      {"[Event \"e\"]", 3},
      {"", 3},
      {"[Event \"e\"][Result \"0-1\"][Result \"1-0\"]", 2},  // the first one counts
  };
  for (const Case &c : cases) {
    const GameBuffer buf = Block(c.tags);
    QZGameManagerO gm;
    ASSERT_TRUE(gm.Attach(buf));
    EXPECT_EQ(gm.GetResult(), c.result) << c.tags;
  }
  const GameBuffer buf = Block("[White \"Ann\"][Black \"Bo\"]");
  QZGameManagerO gm;
  ASSERT_TRUE(gm.Attach(buf));
  EXPECT_EQ(gm.GetTagValue("Black"), "Bo");
  EXPECT_EQ(gm.GetTagValue("black"), "");
  EXPECT_EQ(gm.GetTagValue("Event"), "");
  EXPECT_THROW(gm.TagName(3), ERangeError);
  EXPECT_THROW(gm.TagValue(0), ERangeError);
  // Attaching another block splits its tags afresh.
  const GameBuffer other = Block("[Result \"1-0\"]");
  ASSERT_TRUE(gm.Attach(other));
  EXPECT_EQ(gm.TagCount(), 1);
  EXPECT_EQ(gm.GetTagValue("White"), "");
}

TEST(TagSplit, TagLines) {
  const std::string stored = R"([Event "The \"Big\" One"] [Site "C:\\x"][Bad x][Round "2"])";
  const GameBuffer buf = Block(stored);
  std::string out;
  ASSERT_TRUE(WriteTagsPGN(buf, true, out));
  EXPECT_EQ(out, "[Event \"The \\\"Big\\\" One\"]\r\n[Site \"C:\\\\x\"]\r\n[Round \"2\"]");
  ASSERT_TRUE(WriteTagsPGN(buf, false, out));
  EXPECT_EQ(out, stored);
  // The written lines, stored again, give the same lines.
  ASSERT_TRUE(WriteTagsPGN(buf, true, out));
  const GameBuffer again = Block(out);
  std::string twice;
  ASSERT_TRUE(WriteTagsPGN(again, true, twice));
  EXPECT_EQ(twice, out);
  // No tags: no line.
  ASSERT_TRUE(WriteTagsPGN(Block(""), true, out));
  EXPECT_EQ(out, "");
  // A block Attach refuses gives nothing.
  GameBuffer bad = Block("[Event \"e\"]");
  bad.bytes[0] = 0xFF;
  out = "x";
  EXPECT_FALSE(WriteTagsPGN(bad, true, out));
  EXPECT_EQ(out, "");
}

TEST(TagSplit, CoreParserReadsTheTagLinesBack) {
  const GameBuffer buf =
      Block(R"([Event "The \"Big\" One"][Bad "x" y][Site "C:\\dir\\"][White "A \\\"B\\\""][Result "1-0"])");
  std::string tags;
  ASSERT_TRUE(WriteTagsPGN(buf, true, tags));
  GameO game;
  ParseResultT result;
  ASSERT_TRUE(game.ReadFromString(tags + "\r\n\r\n1. e4 1-0\r\n", LangEnglish, result)) << result.message;
  QZGameManagerO gm;
  ASSERT_TRUE(gm.Attach(buf));
  for (const char *name : {"Event", "Site", "White", "Bad"}) {
    EXPECT_EQ(game.GameInfo().GetTag(name), gm.GetTagValue(name)) << name;
  }
  EXPECT_EQ(game.GameInfo().GetTag("Event"), "The \"Big\" One");
  EXPECT_EQ(game.GameInfo().GetTag("Site"), "C:\\dir\\");
  EXPECT_EQ(game.GameInfo().GetTag("White"), "A \\\"B\\\"");
  EXPECT_EQ(game.GameInfo().GetTag("Bad"), "x");
}

TEST(TagSplit, OneReaderOverManyBlocksSplitsEachAsAFreshOneDoes) {
  // The reader keeps its strings from block to block: fewer tags after
  // more, a short value after a long or escaped one.
  const char *blocks[] = {
      R"([Event "A long event name past the short string size"][Site "C:\\dir\\"][White "x \"y\" z"])",
      R"([Event "e"])",
      "",
      R"([Black "b"][White "w"][Round "1"][Date "2001.01.01"])",
      R"([Event "\\"][Site "\"\""])",
  };
  QZGameManagerO reused;
  for (int round = 0; round < 2; ++round) {
    for (const char *tags : blocks) {
      const GameBuffer buf = Block(tags);
      ASSERT_TRUE(reused.Attach(buf));
      Pairs got;
      for (int i = 1; i <= reused.TagCount(); ++i) got.emplace_back(reused.TagName(i), reused.TagValue(i));
      EXPECT_EQ(got, Split(tags)) << tags;
      std::string lines, fresh;
      AppendTagsPGN(reused, lines);
      ASSERT_TRUE(WriteTagsPGN(buf, true, fresh));
      EXPECT_EQ(lines, fresh) << tags;
    }
  }
}
