#include <gtest/gtest.h>

#include "foundation/Reports.h"

using Lines = std::vector<std::string>;

TEST(Reports, EachTextLineIsALineAndANewLineAnEmptyOne) {
  ReportO r;
  r.Init();
  EXPECT_EQ(r.Lines(), Lines{});
  r.AddNewLine();
  EXPECT_EQ(r.Lines(), Lines{""});
  r.Init();
  r.AddLine("a");
  r.AddNewLine();
  r.AddLine("b");
  EXPECT_EQ(r.Lines(), (Lines{"a", "", "b"}));
  r.AddLine("");
  r.AddNewLine();
  r.AddNewLine();
  EXPECT_EQ(r.Lines(), (Lines{"a", "", "b", "", "", ""}));
}

TEST(Reports, CommandsKeepTheirOrderAndBytes) {
  ReportO r;
  r.Init();
  r.AddLine("big.pgn: 1024 bytes 3 games, 0 errors.");
  r.AddNewLine();
  r.AddLine("caf\xe9");
  ASSERT_EQ(r.Commands().size(), 3u);
  EXPECT_EQ(r.Commands()[0].Command, 1);
  EXPECT_EQ(r.Commands()[1].Command, 2);
  EXPECT_EQ(r.Commands()[1].Text, "");
  EXPECT_EQ(r.Commands()[2].Text, "caf\xe9");
}

TEST(Reports, InitAndDoneEmptyTheReport) {
  ReportO r;
  r.AddLine("x");
  r.Done();
  EXPECT_TRUE(r.Commands().empty());
  r.AddLine("y");
  r.Init();
  EXPECT_TRUE(r.Lines().empty());
}
