#include <gtest/gtest.h>

#include "TestUtil.h"
#include "foundation/TimeControl.h"
#include "platform/IniFile.h"

TEST(TimeControlRec, Defaults) {
  TimeControlRec r;
  r.BlitzTime = 99;
  r.FixedTimeActive = false;
  r.SetDefaults();
  EXPECT_EQ(r.SelectedTimeControl, TimeControlKind::Blitz);
  EXPECT_EQ(r.BlitzTime, 5);
  EXPECT_EQ(r.BlitzIncrement, 0);
  EXPECT_EQ(r.BlitzNrOfMoves, 0);
  EXPECT_EQ(r.FirstTimeControlTime, 120);
  EXPECT_EQ(r.FirstTimeControlNrOfMoves, 40);
  EXPECT_EQ(r.SecondTimeControlTime, 60);
  EXPECT_EQ(r.SecondTimeControlNrOfMoves, 20);
  EXPECT_EQ(r.ThirdTimeControlTime, 15);
  EXPECT_FALSE(r.FixedDepthActive);
  EXPECT_EQ(r.FixedDepth, 5);
  EXPECT_TRUE(r.FixedTimeActive);
  EXPECT_EQ(r.FixedTime, 5);
}

TEST(TimeControlRec, ReadAndWrite) {
  testutil::TempDir dir;
  std::string file = dir.File("t.ini");
  TimeControlRec r;
  r.BlitzTime = 1;
  r.Read(file, "TimeControlInfo");  // no file: exactly the defaults
  EXPECT_EQ(r, TimeControlRec{});

  dir.Write("t.ini", "[TimeControlInfo]\r\nSelectedTimeControl=fixed\r\nBlitzTime=abc\r\n");
  r.Read(file, "TimeControlInfo");
  TimeControlRec expect;
  expect.SelectedTimeControl = TimeControlKind::Fixed;
  EXPECT_EQ(r, expect);

  TimeControlRec w;
  w.SelectedTimeControl = TimeControlKind::Tournament;
  w.BlitzTime = 3;
  w.BlitzIncrement = 2;
  w.BlitzNrOfMoves = 30;
  w.FirstTimeControlTime = 100;
  w.FirstTimeControlNrOfMoves = 35;
  w.SecondTimeControlTime = 50;
  w.SecondTimeControlNrOfMoves = 15;
  w.ThirdTimeControlTime = 10;
  w.FixedDepthActive = true;
  w.FixedDepth = 9;
  w.FixedTimeActive = false;
  w.FixedTime = 30;
  dir.Write("t.ini", "[TimeControlInfo]\r\nStray=1\r\n[Other]\r\nKeep=1\r\n");
  w.Write(file, "TimeControlInfo");
  {
    IniFile ini(file);
    EXPECT_EQ(
        ini.ReadSection("TimeControlInfo"),
        (std::vector<std::string>{
            "SelectedTimeControl", "BlitzTime", "BlitzIncrement", "BlitzNrOfMoves", "FirstTimeControlTime",
            "FirstTimeControlNrOfMoves", "SecondTimeControlTime", "SecondTimeControlNrOfMoves",
            "ThirdTimeControlTime", "FixedDepthActive", "FixedDepth", "FixedTimeActive", "FixedTime"}));
    EXPECT_EQ(ini.ReadString("TimeControlInfo", "SelectedTimeControl", ""), "tournament");
    EXPECT_EQ(ini.ReadString("TimeControlInfo", "FixedDepthActive", ""), "1");
    EXPECT_EQ(ini.ReadString("TimeControlInfo", "FixedTimeActive", ""), "0");
    EXPECT_EQ(ini.ReadString("Other", "Keep", ""), "1");
  }
  TimeControlRec back;
  back.Read(file, "TimeControlInfo");
  EXPECT_EQ(back, w);
}

TEST(TimeControlRec, KindIsCaseSensitive) {
  testutil::TempDir dir;
  dir.Write("t.ini", "[S]\nSelectedTimeControl=Tournament\nFixedDepthActive=2\n");
  TimeControlRec r;
  r.Read(dir.File("t.ini"), "S");
  EXPECT_EQ(r.SelectedTimeControl, TimeControlKind::Blitz);
  EXPECT_TRUE(r.FixedDepthActive);  // nonzero reads as true
}

TEST(OptionTexts, RoundTripAndFallbacks) {
  for (auto k : {TimeControlKind::Blitz, TimeControlKind::Tournament, TimeControlKind::Fixed})
    EXPECT_EQ(StrToTimeControlKind(TimeControlKindToStr(k)), k);
  EXPECT_EQ(TimeControlKindToStr(TimeControlKind::Tournament), "tournament");
  EXPECT_EQ(TimeControlKindToStr(static_cast<TimeControlKind>(7)), "blitz");
  EXPECT_EQ(StrToTimeControlKind("FIXED"), TimeControlKind::Blitz);

  const char *persp[] = {"White", "Black", "ColorToMove", "Board"};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(PerspectiveToStr(static_cast<PerspectiveT>(i)), persp[i]);
    EXPECT_EQ(StrToPerspective(persp[i]), static_cast<PerspectiveT>(i));
  }
  EXPECT_EQ(PerspectiveToStr(static_cast<PerspectiveT>(4)), "");
  EXPECT_EQ(StrToPerspective("board"), PerspectiveT::White);

  const char *diag[] = {"None", "LastMove", "ColorToMove", "Custom", "Players"};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(DiagramTextTypeToStr(static_cast<DiagramTextTypeT>(i)), diag[i]);
    EXPECT_EQ(StrToDiagramTextType(diag[i]), static_cast<DiagramTextTypeT>(i));
  }
  EXPECT_EQ(DiagramTextTypeToStr(static_cast<DiagramTextTypeT>(5)), "");
  EXPECT_EQ(StrToDiagramTextType("players"), DiagramTextTypeT::None);
  EXPECT_EQ(StrToDiagramTextType(""), DiagramTextTypeT::None);
}
