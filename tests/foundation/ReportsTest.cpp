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

TEST(Reports, InitAndDoneEmptyTheReport) {
  ReportO r;
  r.AddLine("x");
  r.Done();
  EXPECT_TRUE(r.Commands().empty());
  r.AddLine("y");
  r.Init();
  EXPECT_TRUE(r.Lines().empty());
}
