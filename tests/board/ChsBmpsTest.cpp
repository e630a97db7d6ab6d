#include <gtest/gtest.h>

#include <sstream>

#include "TestUtil.h"
#include "board/ChsBmps.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

// Stands in for the image half: a "strip" file holds its width and height
// as text, and loading hands out a marker object.
struct FakeImages : PieceImagesBase {
  explicit FakeImages(int *alive) : alive(alive) { ++*alive; }
  ~FakeImages() override { --*alive; }
  int *alive;
};

class ChsBmpsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DonePieceSets();
    StripReader r;
    r.measure = [](const TBitmapData &set, int &w, int &h) {
      std::string text;
      if (!files::ReadAll(set.Source, text)) return false;
      std::istringstream in(text);
      return static_cast<bool>(in >> w >> h);
    };
    r.load = [this](TBitmapData &) {
      ++loads;
      return std::make_unique<FakeImages>(&alive);
    };
    old_ = InstallStripReader(r);
  }
  void TearDown() override {
    DonePieceSets();
    InstallStripReader(old_);
  }
  int Idx(const std::string &name) { return FindPieceSet(name); }

  int loads = 0;
  int alive = 0;
  StripReader old_;
};

TEST_F(ChsBmpsTest, BuiltInSetsInOrder) {
  struct Want {
    const char *name, *display, *family;
    int size;
  };
  const Want want[] = {
      {"Regular24", "Regular (24)", "Regular", 24}, {"Regular32", "Regular (32)", "Regular", 32},
      {"Regular40", "Regular (40)", "Regular", 40}, {"Hastings32", "Hastings (32)", "Hastings", 32},
      {"Linares32", "Linares (32)", "Linares", 32}, {"Linares40", "Linares (40)", "Linares", 40},
      {"Linares48", "Linares (48)", "Linares", 48}};
  ASSERT_EQ(PieceSetManO.Count(), 7);
  for (int i = 0; i < 7; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(PieceSetManO.PieceSetName(i), want[i].name);
    EXPECT_EQ(PieceSetManO.DisplayName(i), want[i].display);
    EXPECT_EQ(PieceSetManO.FamilyOf(i), want[i].family);
    EXPECT_EQ(PieceSetManO.SquareWidth(i), want[i].size);
    EXPECT_EQ(PieceSetManO.SquareHeight(i), want[i].size);
    EXPECT_EQ(PieceSetData(i).Height, want[i].size);
    EXPECT_EQ(PieceSetData(i).FromFile, 0);
    EXPECT_EQ(PieceSetManO.IndexOf(want[i].name), i);
  }
  ASSERT_EQ(PieceSetManO.FamilyCount(), 3);
  EXPECT_EQ(PieceSetManO.FamilyName(1), "Regular");
  EXPECT_EQ(PieceSetManO.FamilyName(2), "Hastings");
  EXPECT_EQ(PieceSetManO.FamilyName(3), "Linares");
  EXPECT_EQ(PieceSetManT::ToIndex(1), 0);
}

TEST_F(ChsBmpsTest, UnknownNamesFallBackToLinares32) {
  EXPECT_EQ(FindPieceSet("nope"), 4);
  EXPECT_EQ(FindPieceSet(""), 4);
  EXPECT_EQ(FindPieceSet("regular24"), 4);  // exact match only
  EXPECT_EQ(PieceSetManO.IndexOf("Removed"), 4);
}

TEST_F(ChsBmpsTest, BadIndexesRaise) {
  EXPECT_THROW(PieceSetManO.PieceSetName(7), ERangeError);
  EXPECT_THROW(PieceSetManO.DisplayName(-1), ERangeError);
  EXPECT_THROW(PieceSetManO.SquareWidth(7), ERangeError);
  EXPECT_THROW(PieceSetManO.LoadSet(7), ERangeError);
  EXPECT_THROW(PieceSetManO.FamilyName(0), ERangeError);
  EXPECT_THROW(PieceSetManO.FamilyName(4), ERangeError);
  EXPECT_THROW(PieceSetManO.Smaller(99), ERangeError);
}

TEST_F(ChsBmpsTest, FamilySteps) {
  const int r24 = Idx("Regular24"), r32 = Idx("Regular32"), r40 = Idx("Regular40");
  const int h32 = Idx("Hastings32"), l32 = Idx("Linares32"), l40 = Idx("Linares40"), l48 = Idx("Linares48");
  EXPECT_FALSE(PieceSetManO.HasSmaller(r24));
  EXPECT_EQ(PieceSetManO.Smaller(r24), r24);
  EXPECT_TRUE(PieceSetManO.HasLarger(r24));
  EXPECT_EQ(PieceSetManO.Larger(r24), r32);
  EXPECT_EQ(PieceSetManO.Larger(r32), r40);
  EXPECT_EQ(PieceSetManO.Smaller(r40), r32);
  EXPECT_FALSE(PieceSetManO.HasLarger(l48));
  EXPECT_EQ(PieceSetManO.Larger(l48), l48);
  EXPECT_EQ(PieceSetManO.Smaller(l48), l40);
  EXPECT_FALSE(PieceSetManO.HasLarger(h32));
  EXPECT_FALSE(PieceSetManO.HasSmaller(h32));
  EXPECT_EQ(PieceSetManO.Smaller(h32), h32);
  EXPECT_EQ(PieceSetManO.Smaller(l32), l32);
}

TEST_F(ChsBmpsTest, FindInFamilyTakesTheFirstNearest) {
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Regular40"), "Linares"), Idx("Linares40"));
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Regular24"), "Linares"), Idx("Linares32"));
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Linares48"), "Regular"), Idx("Regular40"));
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Linares48"), "Hastings"), Idx("Hastings32"));
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Regular32"), "Nothing"), Idx("Regular32"));
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Regular32"), ""), Idx("Regular32"));
}

TEST_F(ChsBmpsTest, IniSetsFromTheProgramDirectory) {
  testutil::TempDir app;
  testutil::AppDirGuard guard(app.Path());
  std::filesystem::create_directories(app.File("sub/deeper"));
  testutil::TempDir other;
  app.Write("Big.BMP", "700 50");
  app.Write("sub/deeper/odd.bmp", "705 50");
  other.Write("abs.bmp", "280 20");
  app.Write("narrow.bmp", "13 13");
  app.Write("flat.bmp", "448 0");
  app.Write("huge.bmp", "3584 256");
  app.Write("widest.bmp", "3570 255");
  app.Write("garbage.bmp", "not an image");
  app.Write("ChsBmps.ini",
            "[Big]\r\nFileName=big.bmp\r\nDisplayName=Big (50)\r\nFamilyName=Mine\r\n"
            "[Odd]\nFileName=sub\\deeper\\odd.bmp\nDisplayName=Odd\nFamilyName=Mine\n"
            "[Abs]\nFileName=" +
                other.File("abs.bmp") +
                "\nDisplayName=Abs\nFamilyName=Mine\n"
                "[Missing]\nFileName=gone.bmp\nDisplayName=Gone\n"
                "[NoName]\nFileName=big.bmp\n"
                "[Narrow]\nFileName=narrow.bmp\nDisplayName=Narrow\n"
                "[Flat]\nFileName=flat.bmp\nDisplayName=Flat\n"
                "[Huge]\nFileName=huge.bmp\nDisplayName=Huge\n"
                "[Garbage]\nFileName=garbage.bmp\nDisplayName=Garbage\n"
                "[Widest]\nFileName=widest.bmp\nDisplayName=Widest\n"
                "[NoFile]\nDisplayName=No file\n");
  LoadPieceSets();

  ASSERT_EQ(PieceSetManO.Count(), 11);
  EXPECT_EQ(PieceSetManO.PieceSetName(7), "_Big");
  EXPECT_EQ(PieceSetData(7).Source, app.File("Big.BMP"));  // found whatever its case
  EXPECT_EQ(PieceSetData(7).FromFile, 1);
  EXPECT_EQ(PieceSetManO.DisplayName(7), "Big (50)");
  EXPECT_EQ(PieceSetManO.SquareWidth(7), 50);
  EXPECT_EQ(PieceSetData(7).Height, 50);
  EXPECT_EQ(PieceSetManO.PieceSetName(8), "_Odd");
  EXPECT_EQ(PieceSetData(8).Source, app.File("sub/deeper/odd.bmp"));
  EXPECT_EQ(PieceSetManO.SquareWidth(8), 50);  // 705 div 14
  EXPECT_EQ(PieceSetManO.PieceSetName(9), "_Abs");
  EXPECT_EQ(PieceSetManO.SquareWidth(9), 20);
  EXPECT_EQ(PieceSetManO.PieceSetName(10), "_Widest");
  EXPECT_EQ(PieceSetManO.SquareWidth(10), 255);
  for (const char *skipped : {"_Missing", "_NoName", "_Narrow", "_Flat", "_Huge", "_Garbage", "_NoFile"})
    EXPECT_EQ(FindPieceSet(skipped), 4) << skipped;

  // The family keeps the file's order.
  ASSERT_EQ(PieceSetManO.FamilyCount(), 4);
  EXPECT_EQ(PieceSetManO.FamilyName(4), "Mine");
  EXPECT_EQ(PieceSetManO.Smaller(7), 7);
  EXPECT_EQ(PieceSetManO.Larger(7), 8);
  EXPECT_EQ(PieceSetManO.Larger(8), 9);
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Regular24"), "Mine"), 9);
  EXPECT_EQ(PieceSetManO.FindInFamily(Idx("Linares48"), "Mine"), 7);

  // Reading the file again, or another set under a known name, changes nothing.
  LoadPieceSets();
  EXPECT_EQ(PieceSetManO.Count(), 11);
  EXPECT_EQ(AddPieceSet("_Big", "Other", "", 1, app.File("sub/deeper/odd.bmp")), 7);
  EXPECT_EQ(PieceSetManO.DisplayName(7), "Big (50)");
  EXPECT_EQ(AddPieceSet("Regular24", "Again", "Regular", 0, "regular24"), 0);
  EXPECT_EQ(PieceSetManO.Count(), 11);
}

TEST_F(ChsBmpsTest, NoIniFileNoSets) {
  testutil::TempDir app;
  testutil::AppDirGuard guard(app.Path());
  LoadPieceSets();
  LoadPieceSets(app.File("nothing.ini"));
  EXPECT_EQ(PieceSetManO.Count(), 7);
  EXPECT_EQ(PieceSetManO.FamilyCount(), 3);
}

TEST_F(ChsBmpsTest, FilesNeedAReader) {
  testutil::TempDir app;
  app.Write("a.bmp", "448 32");
  InstallStripReader({});
  EXPECT_EQ(AddPieceSet("_A", "A", "", 1, app.File("a.bmp")), -1);
  EXPECT_EQ(PieceSetManO.Count(), 7);
  // Built-in sets have their sizes anyway; acquiring them counts holders.
  PieceSetManO.LoadSet(0);
  EXPECT_EQ(PieceSetData(0).LoadCount, 1);
  EXPECT_EQ(PieceSetData(0).Images, nullptr);
  PieceSetManO.FreeSet(0);
}

TEST_F(ChsBmpsTest, RegistryHoldsAtMost49Sets) {
  testutil::TempDir app;
  app.Write("s.bmp", "448 32");
  for (int k = 7; k < kMaxPieceSets; ++k)
    ASSERT_EQ(AddPieceSet("_S" + std::to_string(k), "S", "Many", 1, app.File("s.bmp")), k);
  EXPECT_EQ(AddPieceSet("_One too many", "S", "Many", 1, app.File("s.bmp")), -1);
  EXPECT_EQ(PieceSetManO.Count(), kMaxPieceSets);
  EXPECT_EQ(PieceSetManO.IndexOf("_S48"), 48);
  EXPECT_EQ(AddPieceSet("_S48", "S", "Many", 1, app.File("s.bmp")), 48);
}

TEST_F(ChsBmpsTest, BitmapsAreReferenceCounted) {
  const int i = Idx("Hastings32");
  PieceSetManO.LoadSet(i);
  EXPECT_EQ(loads, 1);
  ASSERT_NE(PieceSetData(i).Images, nullptr);
  PieceSetManO.LoadSet(i);
  EXPECT_EQ(loads, 1);  // shared, not loaded again
  EXPECT_EQ(PieceSetData(i).LoadCount, 2);
  PieceSetManO.FreeSet(i);
  EXPECT_NE(PieceSetData(i).Images, nullptr);
  EXPECT_EQ(alive, 1);
  PieceSetManO.FreeSet(i);
  EXPECT_EQ(PieceSetData(i).Images, nullptr);
  EXPECT_EQ(alive, 0);

  // An unmatched release does not drive the count below zero.
  PieceSetManO.FreeSet(i);
  EXPECT_EQ(PieceSetData(i).LoadCount, 0);
  PieceSetManO.LoadSet(i);
  EXPECT_EQ(loads, 2);
  EXPECT_EQ(alive, 1);
  DonePieceSets();  // frees what is still held
  EXPECT_EQ(alive, 0);
}

TEST_F(ChsBmpsTest, FailedLoadLeavesNoHolder) {
  InstallStripReader(
      {nullptr, [](TBitmapData &) -> std::unique_ptr<PieceImagesBase> { throw std::bad_alloc(); }});
  EXPECT_THROW(PieceSetManO.LoadSet(0), std::bad_alloc);
  EXPECT_EQ(PieceSetData(0).LoadCount, 0);
}

TEST(BoardColors, DefaultsAndSetters) {
  BoardColorsT c;
  c.SetWhiteSquares(0x00FFFFFF);
  c.SetBlackSquares(0x00336699);
  c.SetUseWindowsColors(false);
  EXPECT_EQ(c.WhiteSquares(), 0x00FFFFFFu);
  EXPECT_EQ(c.BlackSquares(), 0x00336699u);
  EXPECT_FALSE(c.UseWindowsColors());
  EXPECT_EQ(c.Palette(), 0u);
  c.Init();
  EXPECT_EQ(c.WhiteSquares(), clBtnFace);
  EXPECT_EQ(c.BlackSquares(), clBtnShadow);
  EXPECT_TRUE(c.UseWindowsColors());
  EXPECT_EQ(BoardColorsO.WhiteSquares(), 0x8000000Fu);
  EXPECT_EQ(BoardColorsO.BlackSquares(), 0x80000010u);
}

}  // namespace
