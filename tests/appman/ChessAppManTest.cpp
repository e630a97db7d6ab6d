#include <gtest/gtest.h>
#include <sys/stat.h>

#include "TestUtil.h"
#include "chess/Language.h"
#include "appman/ChessAppMan.h"
#include "foundation/MyUtils.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

namespace {

// A chess-font description: "Figs" has figurines, "Diags" does not.
const char *kChsFonts =
    "[Chess Fonts]\r\nFonts=2\r\nFont1=Figs\r\nFont2=Diags\r\n"
    "[Figs]\r\nFigurines=1\r\nWhitePawn=\\p\r\nWhiteKnight=\\n\r\nWhiteBishop=\\b\r\nWhiteRook=\\r\r\n"
    "WhiteQueen=\\q\r\nWhiteKing=\\k\r\n"
    "[Diags]\r\nFigurines=0\r\n";

class ChessAppTest : public ::testing::Test {
 protected:
  ChessAppTest() : guard_(dir_.Path()) {
    ResetLanguageRegistry();
    ResetNotationLanguages();
    BoardColorsO.Init();
    SetInstalledFontFamilies({"Default", "Figs", "Diags"});
    dir_.Write("ChsFonts.ini", kChsFonts);
  }
  ~ChessAppTest() override {
    SetInstalledFontFamilies({});
    ResetNotationLanguages();
    ResetLanguageRegistry();
    BoardColorsO.Init();
  }

  std::string Settings() const { return dir_.File("test.ini"); }
  // A fresh object on the settings file, initialised and loaded.
  std::unique_ptr<ChessAppO> Loaded() const {
    auto o = std::make_unique<ChessAppO>();
    o->SettingsFile = Settings();
    o->Init();
    o->Load();
    return o;
  }

  testutil::TempDir dir_;
  testutil::AppDirGuard guard_;
};

// Every field away from its default; languages, piece sets and fonts that exist.
void SetNonDefaults(ChessAppO &o) {
  o.Dir = "/data/games & more";
  o.DirFilterIndex = 2;
  o.OpenDir = "/open";
  o.OpenDirFilterIndex = 3;
  o.ImportDir = "/import";
  o.ImportDirFilterIndex = 4;
  o.ExportDir = "/export";
  o.ExportDirFilterIndex = 5;
  o.Files = {"/a.qcx", "/b.pgn"};
  o.ApplicationLanguage = RegisterLanguage("Frisian");  // known by its registered name only
  o.InterfaceLanguage = LangDutch;
  o.CopyLanguage = LangGerman;
  o.PasteLanguage = LangDutch;
  o.ApplicationFontName = "Figs";
  o.ApplicationFontHasFigurines = true;  // follows from the font
  o.ApplicationFontSize = 13;
  o.UseFigurines = false;  // the font's default would be true
  o.LastMoveNotation = kNotationLongWithNumber;
  o.MoveListNotation = kNotationLong;
  o.UseHRTInCopy = false;
  o.CopyLineLength = 66;
  o.ShowDiagsInCopyGame = false;
  o.SeparateAnnotationsInCopyGame = false;
  o.UseExtraSeparationInCopyGame = false;
  o.SeparateAlternativesInCopyGame = false;
  o.MainLineInBoldInCopyGame = false;
  o.CommentsInBracketsInCopyGame = false;
  o.SquareBracketsForAlternatives = false;
  o.CenterDiagrams = false;
  o.JustifyMoveText = true;
  o.DiagsWithCoordinatesInCopyGame = true;
  o.CopyDiagUseLabels = false;
  o.CopyDiagTopTextType = DiagramTextTypeT::Custom;
  o.CopyDiagBottomTextType = DiagramTextTypeT::LastMove;
  o.CopyGameDiagUseLabels = false;
  o.CopyGameDiagTopTextType = DiagramTextTypeT::Players;
  o.CopyGameDiagBottomTextType = DiagramTextTypeT::Custom;
  o.PieceTypeForCopy = PieceSetManO.IndexOf("Hastings32");
  o.ShowPlayers = false;
  o.ShowELO = true;
  o.ShowECO = true;
  o.ShowEvent = false;
  o.ShowSite = false;
  o.ShowRound = false;
  o.ShowDate = false;
  o.ShowColorToMove = true;
  o.ShowMaterialDifference = false;
  o.KnightAndBishopAreEqual = false;
  o.MaterialDifferencePerspective = PerspectiveT::ColorToMove;
  o.ShowLastMove = false;
  o.AutoPlayDelay = 700;
  o.StopAtComment = false;
  o.StopAtAnnotations = false;
  o.StopAtAlternatives = true;
  o.ViewFromPlayers = true;
  o.ViewOnlyOnFileOpen = false;
  o.ShowFirstPositionOnLoad = false;
  o.ViewFromPlayersList = {"Smith, J", "", "Jansen"};
  o.StandardFiles = {"/std/one.qcx"};
  o.WhiteSquares = 0x00FFFFFF;
  o.BlackSquares = 0x00102030;
  o.ShowCoordinates = true;
  o.ShowAlternatives = false;
  o.ShowGameMove = false;
  o.RTFDiagramFontName = "Diags";
  o.RTFDiagramFontSize = 24;
  o.RTFDiagramAddBorder = false;
  o.UseFigurinesInRTFGame = true;
  o.RTFGameFontName = "Times";
  o.RTFGameFontSize = 11;
  o.RTFGameTextFontName = "Courier";
  o.RTFGameUseTextFont = true;
  o.GIFPath = "http://example.org/img/";
  o.HTMLBorderWidth = 3;
  o.UseFigurinesInHTMLGame = true;
  o.ShowMoveButtons = false;
  o.UseSimpleNags = false;
  o.PieceType = PieceSetManO.IndexOf("Regular24");
  o.MoveDelay = 1;
  o.MoveBackDelay = 2;
  o.CastleRookMoveDelay = 3;
  o.CastleRookMoveBackDelay = 4;
  o.RightClickTakesBack = true;
  o.AskInsertTypeOnNewMove = true;
  o.AskDeleteTypeOnDelete = true;
  o.ClassifyOnImport = false;
  o.OpenOnKeyPosition = false;
  o.TimeControl.SelectedTimeControl = TimeControlKind::Fixed;
  o.TimeControl.FixedTime = 9;
  o.TimeControl.BlitzIncrement = 2;
}

TEST_F(ChessAppTest, DefaultsWithoutSettingsFile) {
  auto o = Loaded();
  ChessAppFields expected;
  expected.Dir = expected.OpenDir = expected.ImportDir = expected.ExportDir = dirs::GetHomeDir();
  expected.GIFPath = GetAppDirURL();
  expected.PieceType = expected.PieceTypeForCopy = PieceSetManO.IndexOf("Linares40");
  EXPECT_TRUE(static_cast<const ChessAppFields &>(*o) == expected);
  EXPECT_EQ(o->ApplicationLanguage, LangEnglish);
  EXPECT_EQ(o->LastMoveNotation, kNotationShortWithNumber);
  EXPECT_EQ(PieceSetManO.PieceSetName(o->PieceType), "Linares40");
  EXPECT_EQ(o->ChessFonts->Count(), 2);
  EXPECT_TRUE(o->OneWindowMode);
  EXPECT_TRUE(o->ReleaseBuild);
  EXPECT_FALSE(BoardColorsO.UseWindowsColors());
  EXPECT_EQ(BoardColorsO.WhiteSquares(), 10408941u);
  EXPECT_EQ(BoardColorsO.BlackSquares(), 4822170u);
}

TEST_F(ChessAppTest, GoldenDefaultSettingsFile) {
  SetInstalledFontFamilies({});  // no chess font: every font default is the fallback
  auto o = Loaded();
  ASSERT_TRUE(o->Save());
  const std::string home = dirs::GetHomeDir();
  std::string expected =
      "[General]\r\n"
      "Dir=" +
      home +
      "\r\nDirFilterIndex=1\r\n"
      "OpenDir=" +
      home +
      "\r\nOpenDirFilterIndex=1\r\n"
      "ImportDir=" +
      home +
      "\r\nImportDirFilterIndex=1\r\n"
      "ExportDir=" +
      home +
      "\r\nExportDirFilterIndex=1\r\n"
      "UseWindowsColors=0\r\nWhiteSquares=10408941\r\nBlackSquares=4822170\r\n"
      "PieceType=Linares40\r\nPieceTypeForCopy=Linares40\r\n"
      "MoveDelay=10\r\nMoveBackDelay=10\r\nCastleRookMoveDelay=10\r\nCastleRookMoveBackDelay=10\r\n"
      "ShowCoordinates=0\r\nRightClickTakesBack=0\r\n"
      "ApplicationLanguage=English\r\nInterfaceLanguage=English\r\nCopyLanguage=English\r\n"
      "PasteLanguage=English\r\n"
      "ApplicationFontName=Arial\r\nApplicationFontSize=10\r\nUseFigurines=0\r\n"
      "ViewFromPlayers=0\r\nAutoPlayDelay=1500\r\n"
      "StopAtComment=1\r\nStopAtAnnotations=1\r\nStopAtAlternatives=0\r\n"
      "LastMoveNotation=Short\r\nMoveListNotation=Short\r\n"
      "UseHRTInCopy=1\r\nCopyLineLength=80\r\nShowDiagsInCopyGame=1\r\nSeparateAnnotationsInCopyGame=1\r\n"
      "UseExtraSeparationInCopyGame=1\r\nSeparateAlternativesInCopyGame=1\r\nMainLineInBoldInCopyGame=1\r\n"
      "CommentsInBracketsInCopyGame=1\r\nSquareBracketsForAlternatives=1\r\nCenterDiagrams=1\r\n"
      "JustifyMoveText=0\r\nDiagsWithCoordinatesInCopyGame=0\r\n"
      "CopyDiagUseLabels=1\r\nCopyDiagTopTextType=Players\r\nCopyDiagBottomTextType=ColorToMove\r\n"
      "CopyGameDiagUseLabels=1\r\nCopyGameDiagTopTextType=None\r\nCopyGameDiagBottomTextType=LastMove\r\n"
      "ShowPlayers=1\r\nShowELO=0\r\nShowECO=0\r\nShowEvent=1\r\nShowSite=1\r\nShowRound=1\r\nShowDate=1\r\n"
      "ShowColorToMove=0\r\nShowMaterialDifference=1\r\nKnightAndBishopAreEqual=1\r\n"
      "MaterialDifferencePerspective=Board\r\nShowLastMove=1\r\n"
      "ViewOnlyOnFileOpen=1\r\nShowFirstPositionOnLoad=1\r\n"
      "RTFDiagramFontName=Arial\r\nRTFDiagramFontSize=20\r\nRTFDiagramAddBorder=1\r\n"
      "UseFigurinesInRTFGame=0\r\nRTFGameFontName=Arial\r\nRTFGameFontSize=10\r\n"
      "RTFGameTextFontName=Arial\r\nRTFGameUseTextFont=0\r\n"
      "GIFPath=" +
      GetAppDirURL() +
      "\r\nHTMLBorderWidth=1\r\nUseFigurinesInHTMLGame=0\r\n"
      "ShowMoveButtons=1\r\nShowAlternatives=1\r\nShowGameMove=1\r\nUseSimpleNags=1\r\n"
      "AskInsertTypeOnNewMove=0\r\nAskDeleteTypeOnDelete=0\r\nClassifyOnImport=1\r\nOpenOnKeyPosition=1\r\n"
      "\r\n"
      "[TimeControlInfo]\r\n"
      "SelectedTimeControl=blitz\r\nBlitzTime=5\r\nBlitzIncrement=0\r\nBlitzNrOfMoves=0\r\n"
      "FirstTimeControlTime=120\r\nFirstTimeControlNrOfMoves=40\r\nSecondTimeControlTime=60\r\n"
      "SecondTimeControlNrOfMoves=20\r\nThirdTimeControlTime=15\r\nFixedDepthActive=0\r\nFixedDepth=5\r\n"
      "FixedTimeActive=1\r\nFixedTime=5\r\n";
  EXPECT_EQ(dir_.Read("test.ini"), expected);
}

TEST_F(ChessAppTest, EveryOptionSurvivesSaveAndLoad) {
  auto o = Loaded();
  SetNonDefaults(*o);
  o->OneWindowMode = o->ReleaseBuild = false;
  ASSERT_TRUE(o->Save());
  const std::string first = dir_.Read("test.ini");

  auto back = Loaded();
  ChessAppFields expected = *o;
  expected.OneWindowMode = expected.ReleaseBuild = true;  // fixed, never stored
  EXPECT_TRUE(static_cast<const ChessAppFields &>(*back) == expected);
  // Field by field where it matters most for a reader of the failure.
  EXPECT_EQ(back->Dir, o->Dir);
  EXPECT_EQ(GetLanguageName(back->ApplicationLanguage), "Frisian");
  EXPECT_EQ(back->InterfaceLanguage, LangDutch);
  EXPECT_EQ(back->CopyLanguage, LangGerman);
  EXPECT_EQ(back->CopyDiagBottomTextType, DiagramTextTypeT::LastMove);
  EXPECT_EQ(back->CopyGameDiagBottomTextType, DiagramTextTypeT::Custom);
  EXPECT_EQ(back->ViewFromPlayersList, o->ViewFromPlayersList);
  EXPECT_EQ(back->TimeControl, o->TimeControl);
  EXPECT_TRUE(back->ApplicationFontHasFigurines);
  EXPECT_EQ(BoardColorsO.WhiteSquares(), 0x00FFFFFFu);
  EXPECT_EQ(BoardColorsO.BlackSquares(), 0x00102030u);

  // Saving what was read writes the same entries; the rewritten sections
  // move behind the others once, then the file stays as it is.
  ASSERT_TRUE(back->Save());
  const std::string second = dir_.Read("test.ini");
  EXPECT_EQ(second.size(), first.size());
  EXPECT_EQ(second.substr(0, 9), "[General]");
  ASSERT_TRUE(Loaded()->Save());
  EXPECT_EQ(dir_.Read("test.ini"), second);
}

TEST_F(ChessAppTest, ForeignSectionsSurviveByteForByte) {
  const std::string foreign =
      "; kept as written\r\n"
      "[MainWindow]\r\n"
      "Left = 10\r\n"
      "  Top=20  \r\n"
      "\r\n"
      "[Engine]\r\n"
      "Enabled=1\r\n"
      "Dir=nowhere\r\n"
      "\r\n"
      "[GamesList]\r\n"
      "Option1=white\r\n";
  dir_.Write("test.ini", foreign + "[General]\r\nShowELO=1\r\n");
  auto o = Loaded();
  EXPECT_TRUE(o->ShowELO);
  EXPECT_FALSE(o->EngineEnabled);  // no engine program there
  ASSERT_TRUE(o->Save());
  const std::string after = dir_.Read("test.ini");
  EXPECT_EQ(after.substr(0, foreign.size()), foreign);
  EXPECT_NE(after.find("ShowELO=1\r\n"), std::string::npos);
  IniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("Engine", "Enabled", ""), "1");
}

TEST_F(ChessAppTest, TolerantLoad) {
  dir_.Write("test.ini",
             "[General]\r\n"
             "DirFilterIndex=abc\r\n"
             "MoveDelay=12x\r\n"
             "ShowCoordinates=2\r\n"
             "ShowPlayers=yes\r\n"
             "StopAtComment=0\r\n"
             "LastMoveNotation=long\r\n"
             "MoveListNotation=Long\r\n"
             "PieceType=NoSuchSet\r\n"
             "ApplicationLanguage=Martian\r\n"
             "InterfaceLanguage=dutch\r\n"
             "CopyLanguage=Martian\r\n"
             "CopyDiagTopTextType=players\r\n"
             "MaterialDifferencePerspective=Sideways\r\n"
             "WhiteSquares=-1\r\n"
             "UseWindowsColors=1\r\n"
             "ApplicationFontName=Figs\r\n"
             "RTFGameFontName=Figs\r\n"
             "[Files]\r\nH0=\r\nH1=/x.qcx\r\nH5=/late.qcx\r\n"
             "[ViewFromPlayers]\r\nP2=Third\r\nX=ignored\r\nP0=First\r\n"
             "[TimeControlInfo]\r\nBlitzTime=fast\r\n");
  auto o = Loaded();
  EXPECT_EQ(o->DirFilterIndex, 1);
  EXPECT_EQ(o->MoveDelay, 10);
  EXPECT_TRUE(o->ShowCoordinates);
  EXPECT_TRUE(o->ShowPlayers);
  EXPECT_FALSE(o->StopAtComment);
  EXPECT_EQ(o->LastMoveNotation, kNotationShortWithNumber);
  EXPECT_EQ(o->MoveListNotation, kNotationLong);
  EXPECT_EQ(PieceSetManO.PieceSetName(o->PieceType), "Linares32");
  EXPECT_EQ(PieceSetManO.PieceSetName(o->PieceTypeForCopy), "Linares40");  // absent key
  EXPECT_EQ(o->ApplicationLanguage, LangEnglish);
  EXPECT_EQ(o->InterfaceLanguage, LangDutch);
  EXPECT_EQ(o->CopyLanguage, LangEnglish);
  EXPECT_EQ(o->CopyDiagTopTextType, DiagramTextTypeT::None);  // stored texts are case-sensitive
  EXPECT_EQ(o->MaterialDifferencePerspective, PerspectiveT::White);
  EXPECT_EQ(o->WhiteSquares, 0xFFFFFFFFu);
  EXPECT_TRUE(BoardColorsO.UseWindowsColors());
  EXPECT_EQ(BoardColorsO.WhiteSquares(), clBtnFace);  // not handed over with system colours
  // The figurine defaults follow the fonts that were read.
  EXPECT_TRUE(o->UseFigurines);
  EXPECT_TRUE(o->UseFigurinesInRTFGame);
  EXPECT_TRUE(o->ApplicationFontHasFigurines);
  EXPECT_EQ(o->Files, std::vector<std::string>{"/x.qcx"});
  EXPECT_EQ(o->ViewFromPlayersList, (std::vector<std::string>{"First", "", "Third"}));
  EXPECT_EQ(o->TimeControl.BlitzTime, 5);
}

TEST_F(ChessAppTest, RefusedOrFailedSave) {
  dir_.Write("test.ini", "[General]\r\nShowELO=1\r\n");
  {
    auto o = Loaded();
    o->ShowELO = false;
    o->PieceType = 200;  // no such set: nothing is written
    EXPECT_THROW(o->Save(), ERangeError);
  }
  EXPECT_EQ(dir_.Read("test.ini"), "[General]\r\nShowELO=1\r\n");

  ChessAppO o;
  o.SettingsFile = dir_.File("missing/dir/test.ini");
  o.Init();
  o.Load();
  int err = 0;
  EXPECT_FALSE(o.Save(&err));
  EXPECT_NE(err, 0);

  // After Done the object still saves and loads, with no chess fonts.
  o.Done();
  o.SettingsFile = Settings();
  EXPECT_TRUE(o.Save());
  o.Load();
  EXPECT_EQ(o.Fonts().Count(), 0);
}

TEST_F(ChessAppTest, RecentFilesKeepFiveWhenRead) {
  auto o = Loaded();
  o->Files = {"/1", "/2", "/3", "/4", "/5", "/6", "/7"};
  ASSERT_TRUE(o->Save());
  IniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("Files", "H6", ""), "/7");
  auto back = Loaded();
  EXPECT_EQ(back->Files, (std::vector<std::string>{"/1", "/2", "/3", "/4", "/5"}));
}

TEST_F(ChessAppTest, EngineNeedsItsProgram) {
  dir_.Write("test.ini", "[Engine]\r\nEnabled=1\r\nDir=engines\r\n");
  auto off = Loaded();
  EXPECT_FALSE(off->EngineEnabled);
  EXPECT_EQ(off->EngineFile(), dir_.Path() + "engines/wcrafty.exe");

  ASSERT_TRUE(files::MakeDirs(dir_.File("engines")));
  dir_.Write("engines/WCrafty.EXE", "#!/bin/sh\n");
  EXPECT_FALSE(Loaded()->EngineEnabled);  // not executable
  ASSERT_EQ(::chmod(dir_.File("engines/WCrafty.EXE").c_str(), 0755), 0);
  auto on = Loaded();
  EXPECT_TRUE(on->EngineEnabled);
  EXPECT_EQ(on->EngineFile(), dir_.Path() + "engines/WCrafty.EXE");

  // An empty directory is the program directory; an absolute one is itself.
  on->EngineDir = "";
  EXPECT_EQ(on->EngineFile(), dir_.Path() + "wcrafty.exe");
  on->EngineDir = dir_.Path() + "engines";
  EXPECT_TRUE(on->EngineFileExists());

  // Enabled stays off without the flag, whatever is installed.
  dir_.Write("test.ini", "[Engine]\r\nEnabled=0\r\nDir=engines\r\n");
  EXPECT_FALSE(Loaded()->EngineEnabled);
}

TEST_F(ChessAppTest, ReopenMenuModel) {
  ChessAppO o;
  o.SettingsFile = Settings();
  o.Init();
  EXPECT_TRUE(o.BuildRecentFilesMenu().empty());

  o.StandardFiles = {"/s/one", "/s/R&D"};
  o.Files = {"/r/a", "/r/b", "/r/c"};
  auto items = o.BuildRecentFilesMenu();
  ASSERT_EQ(items.size(), 6u);
  const char *captions[] = {"&A: /s/one", "&B: /s/R&&D", "-", "&1: /r/a", "&2: /r/b", "&3: /r/c"};
  const int tags[] = {3, 4, 0, 0, 1, 2};
  for (size_t i = 0; i < 6; ++i) {
    EXPECT_EQ(items[i].caption, captions[i]) << i;
    EXPECT_EQ(items[i].tag, tags[i]) << i;
    EXPECT_EQ(items[i].separator, i == 2) << i;
  }

  o.Files = {"/1", "/2", "/3", "/4", "/5", "/6", "/7"};
  items = o.BuildRecentFilesMenu();
  ASSERT_EQ(items.size(), 2u + 1 + 5);
  EXPECT_EQ(items[0].tag, 7);
  EXPECT_EQ(items.back().caption, "&5: /5");

  o.Files.clear();
  items = o.BuildRecentFilesMenu();
  ASSERT_EQ(items.size(), 2u);  // no separator without recent files
}

TEST_F(ChessAppTest, ListenersBelongToTheirOwners) {
  ChessAppO o;
  o.SettingsFile = Settings();
  o.Init();
  std::vector<std::string> calls;
  struct Window {
    std::vector<std::string> *calls;
    std::string name;
    void SettingsChanged(void *sender) { calls->push_back(name + (sender ? "!" : "")); }
  };
  Window oldTree{&calls, "old"}, newTree{&calls, "new"};
  auto handler = [](Window &w) { return [&w](void *s) { w.SettingsChanged(s); }; };
  o.AddBoardListener(&oldTree, handler(oldTree));
  o.AddListListener(&oldTree, handler(oldTree));
  o.AddBoardListener(&newTree, handler(newTree));
  o.AddListListener(&newTree, handler(newTree));

  // The old window goes away after the new one registered the same method.
  o.RemoveBoardListener(&oldTree);
  o.RemoveListListener(&oldTree);
  o.NotifyBoardListeners();
  o.NotifyListListeners();
  EXPECT_EQ(calls, (std::vector<std::string>{"new", "new"}));

  // A handler that removes itself and adds another while being notified.
  calls.clear();
  Window extra{&calls, "extra"};
  o.AddListListener(&extra, [&](void *) {
    o.RemoveListListener(&extra);
    calls.push_back("self");
    for (int i = 0; i < 20; ++i) o.AddListListener(&newTree, [&](void *) { calls.push_back("late"); });
  });
  o.NotifyListListeners();
  ASSERT_EQ(calls.size(), 22u);
  EXPECT_EQ(calls[0], "new");
  EXPECT_EQ(calls[1], "self");
  EXPECT_EQ(calls[21], "late");
  calls.clear();
  o.NotifyListListeners();
  EXPECT_EQ(calls.size(), 21u);  // "extra" is gone
}

TEST_F(ChessAppTest, ChessFontSetsFigurines) {
  ChessAppO o;
  o.SettingsFile = Settings();
  o.Init();
  o.SetChessFont("Diags", 12);
  EXPECT_EQ(o.ApplicationFontName, "Diags");
  EXPECT_EQ(o.ApplicationFontSize, 12);
  EXPECT_FALSE(o.ApplicationFontHasFigurines);
  EXPECT_EQ(LangPieceChar(LangSymbolic, 6), '6');
  o.SetChessFont("Figs", 10);
  EXPECT_TRUE(o.ApplicationFontHasFigurines);
  EXPECT_EQ(LangPieceChar(LangSymbolic, 6), 'k');
  EXPECT_EQ(LangPieceChar(LangSymbolic, 1), 'p');
  o.SetChessFont("figs", 10);  // font names are exact
  EXPECT_FALSE(o.ApplicationFontHasFigurines);
}

TEST_F(ChessAppTest, DefaultFontsComeFromTheChessFonts) {
  dir_.Write("ChsFonts.ini",
             "[Chess Fonts]\r\nFonts=2\r\nFont1=Chess Alpha\r\nFont2=CA Chess\r\n"
             "[CA Chess]\r\nFigurines=1\r\n");
  SetInstalledFontFamilies({"Chess Alpha", "CA Chess"});
  auto o = Loaded();
  EXPECT_EQ(o->RTFDiagramFontName, "Chess Alpha");
  EXPECT_EQ(o->RTFGameFontName, "CA Chess");
  EXPECT_EQ(o->ApplicationFontName, "CA Chess");
  EXPECT_TRUE(o->UseFigurines);
  EXPECT_TRUE(o->UseFigurinesInRTFGame);
}

}  // namespace

// Hand-edited delays stay in the ranges the board and the autoplay timer take:
// a slide step pauses at most 100 ms.
TEST_F(ChessAppTest, LoadClampsDelays) {
  struct Case {
    const char *value;
    int32_t board, autoplay;
  };
  for (const Case &c : {Case{"-1", 0, 100}, Case{"0", 0, 100}, Case{"55", 55, 100}, Case{"250", 100, 250},
                        Case{"99999", 100, 60000}, Case{"2147483647", 100, 60000}}) {
    SCOPED_TRACE(c.value);
    const std::string v = c.value;
    dir_.Write("test.ini", "[General]\r\nMoveDelay=" + v + "\r\nMoveBackDelay=" + v +
                               "\r\nCastleRookMoveDelay=" + v + "\r\nCastleRookMoveBackDelay=" + v +
                               "\r\nAutoPlayDelay=" + v + "\r\n");
    auto o = Loaded();
    EXPECT_EQ(o->MoveDelay, c.board);
    EXPECT_EQ(o->MoveBackDelay, c.board);
    EXPECT_EQ(o->CastleRookMoveDelay, c.board);
    EXPECT_EQ(o->CastleRookMoveBackDelay, c.board);
    EXPECT_EQ(o->AutoPlayDelay, c.autoplay);
  }
}
