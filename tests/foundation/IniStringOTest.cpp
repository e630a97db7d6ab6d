#include <gtest/gtest.h>

#include "foundation/IniStringO.h"
#include "platform/Errors.h"

TEST(IniStringO, SectionsAndNamesIgnoreCase) {
  IniStringO ini;
  ini.SetText("a=1\r\n[General]\r\nIgnoreColors=1\r\n");
  EXPECT_EQ(ini.ReadString("DefaultSection", "a", "x"), "1");
  EXPECT_TRUE(ini.ReadBool("general", "ignorecolors", false));
  EXPECT_EQ(ini.ReadString("General", "a", "none"), "none");

  ini.SetText("[Player1]\nName=A\n[player1]\nElo=2000\n");
  ASSERT_EQ(ini.Sections().size(), 3u);  // DefaultSection, General, Player1
  EXPECT_EQ(ini.ReadString("PLAYER1", "name", ""), "A");
  EXPECT_EQ(ini.ReadInteger("Player1", "Elo", 0), 2000);
}

TEST(IniStringO, ValuesAreKeptExactly) {
  IniStringO ini;
  ini.SetText("x=y=z\n k = v \nnoequals\n");
  EXPECT_EQ(ini.ReadString("DefaultSection", "x", ""), "y=z");
  EXPECT_EQ(ini.ReadString("DefaultSection", " k ", ""), " v ");
  EXPECT_EQ(ini.ReadString("DefaultSection", "k", "absent"), "absent");
  EXPECT_EQ(ini.Sections()[0].second.size(), 2u);  // the line without "=" carries nothing
}

TEST(IniStringO, BoolsAndIntegers) {
  IniStringO ini;
  ini.SetText("[S]\nt=true\none=1\nn=abc\n");
  EXPECT_FALSE(ini.ReadBool("S", "t", true));  // only "1" is true
  EXPECT_TRUE(ini.ReadBool("S", "one", false));
  EXPECT_TRUE(ini.ReadBool("S", "missing", true));
  EXPECT_EQ(ini.ReadInteger("S", "missing", -7), -7);
  EXPECT_THROW(ini.ReadInteger("S", "n", 0), EConvertError);
}

TEST(IniStringO, WriteReplacesInPlaceAndSetTextMerges) {
  IniStringO ini;
  ini.WriteString("S", "a", "1");
  ini.WriteString("S", "b", "2");
  ini.WriteString("s", "A", "3");
  ASSERT_EQ(ini.Sections().size(), 1u);
  EXPECT_EQ(ini.Sections()[0].second, (std::vector<std::string>{"A=3", "b=2"}));

  ini.SetText("[T]\nc=4\n[S]\nb=5\nb=6\n");
  EXPECT_EQ(ini.ReadString("S", "b", ""), "6");
  EXPECT_EQ(ini.ReadString("S", "a", ""), "3");
  int line;
  const auto *lines = ini.Find("t", "C", line);
  ASSERT_NE(lines, nullptr);
  EXPECT_EQ(line, 0);
  EXPECT_NE(ini.Find("T", "zz", line), nullptr);
  EXPECT_EQ(line, -1);
  EXPECT_EQ(ini.Find("U", "c", line), nullptr);

  ini.DeleteSection("Nope");
  ini.DeleteSection("s");
  EXPECT_EQ(ini.ReadString("S", "a", "gone"), "gone");
  EXPECT_EQ(ini.Sections().size(), 1u);
}

TEST(IniStringO, OddLines) {
  IniStringO ini;
  // A leading line break, runs of line breaks, a header whose last character
  // is not "]", and an unterminated last line.
  ini.SetText("\r\n\r\n[General\n\n\rk=v\r\r\n[]\nlast=1");
  EXPECT_EQ(ini.ReadString("Genera", "k", ""), "v");
  EXPECT_EQ(ini.ReadString("", "last", ""), "1");
  ini.SetText("");
  ini.SetText("[");
  EXPECT_EQ(ini.ReadString("", "last", ""), "1");
}
