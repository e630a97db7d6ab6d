// The caption tables: their rows against the keys and texts the program's
// language files and code rely on, and the language switch with its files.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "foundation/CaptionTable.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/LangMan.h"

namespace {

using captions::CaptionRow;

std::vector<std::string> Words(const std::string &s) {
  std::istringstream in(s);
  std::vector<std::string> w;
  for (std::string x; in >> x;) w.push_back(x);
  return w;
}

std::vector<std::string> Keys(std::span<const CaptionRow> rows) {
  std::vector<std::string> keys;
  for (const CaptionRow &r : rows)
    if (r.key) keys.push_back(r.key);
  return keys;
}

// A UTF-8 lead byte followed by a continuation byte: source text that was
// typed instead of escaped.
bool LooksLikeUtf8(const char *s) {
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s); *p; ++p)
    if (p[0] >= 0xC2 && p[0] <= 0xF4 && p[1] >= 0x80 && p[1] <= 0xBF) return true;
  return false;
}

const CaptionRow *Row(std::span<const CaptionRow> rows, const std::string &key) {
  for (const CaptionRow &r : rows)
    if (r.key && key == r.key) return &r;
  return nullptr;
}

struct Family {
  size_t count;
  const char *name;
  const char *keys;
};

// The keys language files use, family by family, in table order.
const Family kCommonFamilies[] = {
    {94, "Menu and pop-up menu captions",
     "S_MFile S_MNew S_MOpen S_MReopen S_MSave S_MSaveAs S_MClose S_MGames S_MOpenings S_MPlayers "
     "S_MEventSites S_MAnnotators S_MSearchGames S_MFoundGames S_MTreeDlg S_MLists S_MClassifyAllGames "
     "S_MViewGamesOnly S_MImportGames S_MDBSettings S_MPreferences S_MExit S_MGame S_MNewGame "
     "S_MEditGameHeader S_MViewOnly S_MSaveGame S_MNextGame S_MPrevGame S_MCopyGameAs S_MGameAsPGN "
     "S_MGameAsText S_MGameAsRTF S_MGameAsHTML S_MPasteGameFrom S_MGameFromPGN S_MGameFromText "
     "S_MClassifyGame S_MPosition S_MSetupPosition S_MComment S_MNags S_MCopyPositionAs "
     "S_MPositionAsBitmap S_MPositionAsHTML S_MPositionAsRTF S_MPositionAsFEN S_MPositionAsEPD "
     "S_MPastePositionFrom S_MPositionFromFEN S_MPositionFromEPD S_MClassifyPosition S_MBoard S_MFlip "
     "S_MTryOut S_MSmallerBoard S_MLargerBoard S_MReplayLastMove S_MAutoPlay S_MEngine "
     "S_MContinuousAnalysis S_MPlayGame S_MMoveNow S_MResign S_MOfferDraw S_MTimeControl S_MAdjustTime "
     "S_MStopClock S_MHelp S_MContents S_MAbout S_MClearNags S_MWhite S_MBlack S_MNot S_MAll S_MOpponent "
     "S_MCaseSensitive S_MAverage S_MOnePlayer S_MBothPlayers S_MExtra S_MFind S_MView S_MDelete "
     "S_MShowGameMoves S_MShowGameInfo S_MAsTree S_MExportGames S_MSortBy S_MLineOptions S_MSortMovesBy "
     "S_MMoveLineOptions S_MParentKey "},
    {68, "Status-bar hints of menu items",
     "S_MNewStatusHint S_MOpenStatusHint S_MReopenStatusHint S_MSaveStatusHint S_MSaveAsStatusHint "
     "S_MCloseStatusHint S_MGamesStatusHint S_MOpeningsStatusHint S_MPlayersStatusHint "
     "S_MEventSitesStatusHint S_MAnnotatorsStatusHint S_MSearchGamesStatusHint S_MFoundGamesStatusHint "
     "S_MTreeDlgStatusHint S_MClassifyAllGamesStatusHint S_MListsStatusHint S_MViewStatusHint "
     "S_MImportGamesStatusHint S_MReopenLastListStatusHint S_MDBSettingsStatusHint "
     "S_MPreferencesStatusHint S_MExitStatusHint S_MNewGameStatusHint S_MSetupPositionStatusHint "
     "S_MEditGameHeaderStatusHint S_MViewOnlyStatusHint S_MSaveGameStatusHint S_MNextGameStatusHint "
     "S_MPrevGameStatusHint S_MCopyGameAsStatusHint S_MGameAsPGNStatusHint S_MGameAsTextStatusHint "
     "S_MGameAsRTFStatusHint S_MGameAsHTMLStatusHint S_MPasteGameFromStatusHint S_MGameFromPGNStatusHint "
     "S_MGameFromTextStatusHint S_MClassifyGameStatusHint S_MCommentStatusHint S_MNagsStatusHint "
     "S_MCopyPositionAsStatusHint S_MPositionAsBitmapStatusHint S_MPositionAsHTMLStatusHint "
     "S_MPositionAsRTFStatusHint S_MPositionAsFENStatusHint S_MPositionAsEPDStatusHint "
     "S_MPastePositionFromStatusHint S_MPositionFromFENStatusHint S_MPositionFromEPDStatusHint "
     "S_MClassifyPositionStatusHint S_MFlipStatusHint S_MTryOutStatusHint S_MSmallerBoardStatusHint "
     "S_MLargerBoardStatusHint S_MAutoPlayStatusHint S_MContinuousAnalysisStatusHint S_MPlayGameStatusHint "
     "S_MMoveNowStatusHint S_MResignStatusHint S_MOfferDrawStatusHint S_MTimeControlStatusHint "
     "S_MAdjustTimeStatusHint S_MStopClockStatusHint S_MContentsStatusHint S_MUsingStatusHint "
     "S_MAboutStatusHint S_MParentKeyStatusHint S_MAsTreeStatusHint "},
    {22, "Speed-button hints",
     "S_SBNew S_SBOpen S_SBSave S_SBImportGames S_SBGames SBSearchGames SBReopenLastList S_SBNewGame "
     "S_SBSetupPosition S_SBEditGameHeader S_SBSaveGame S_SBNextGame S_SBPrevGame S_SBCopyGameAs "
     "S_SBPasteGameFrom S_SBComment S_SBNags1 S_SBNags2 S_SBCopyPositionAs S_SBFlip S_SBParentKey "
     "S_SBAsTree "},
    {114, "Dialog captions, control captions and messages",
     "S_FileAlreadyExists S_Overwrite S_SaveChangesToTheGameFile S_SaveChangesToTheGame "
     "S_GameChangesWillBeLost S_CouldNotParseGame S_FileNotFound S_Of S_Importing S_Exporting "
     "S_ImportingFile S_ExportingFile S_ClassifyingGames S_SearchingGames S_DlgGameInfo S_ElementLbl "
     "S_ValueLbl S_DlgEditGilo S_AvailableLbl S_UsedLbl S_DlgEditPosition S_White S_Black S_ColorToMoveRG "
     "S_EnPassentLbl S_MoveNrLbl S_CouldNotInterpreteMove S_NagValueExpected S_GameTerminationExpected "
     "S_MaxGamesReached S_InsertMoveDlg S_InsertBeforeMoveRB S_InsertBeforAllRB S_ReplaceMoveRB "
     "S_ReplaceVariationRB S_AddAlternativeRB S_DeleteMoveDlg S_DeleteMoveRB S_DeleteVariationRB "
     "S_DeleteLine S_SearchGamesDlg S_PlayersLbl S_EventSitesLbl S_AnnotatorsLbl S_EventSiteLbl "
     "S_AnnotatorLbl S_IgnoreColorsCB S_YearCB S_EcoCB S_EloCB S_MovesCB S_SearchWinsCB S_SearchLossesCB "
     "S_SearchDrawsCB S_SearchTxtsCB S_SearchMatesCB S_SearchEqualsCB S_SearchChecksCB S_SearchBtn "
     "S_ClearBtn S_PlayerLbl S_FindBtn S_Games S_Players S_EventSites S_Annotators S_FileOrder "
     "S_DeleteGame S_GamesFound S_Tree S_Version S_Internet S_EMail S_NagsLbl S_ParseErrorDlg S_RetryBtn "
     "S_AbortBtn S_DiagramTextsDlg S_CopyDiagGB S_GameDiagGB S_UseLabelsCB S_BottomTextTypeGB "
     "S_TopTextTypeGB S_DTT_NoneRB S_DTT_ColorToMoveRB S_DTT_LastMoveRB S_DTT_CustomRB S_DTT_PlayersRB "
     "S_DBSettingsDlg S_DBDescriptionLbl S_NewDatabaseDlg S_NewDatabase S_OpenDatabaseDlg S_ImportGamesDlg "
     "S_ExportGamesDlg S_PGNFileFilterLeft S_QCXFileFilterLeft S_ChessFileFilterLeft S_EditTimeDlg "
     "S_EditTimeControlDlg S_BlitzRB S_Time S_Increment S_MinutesAbbreviation S_SecondsAbbreviation "
     "S_TournamentRB S_FirstTimeControl S_NrOfMoves S_SecondTimeControl S_ThirdTimeControl S_FixedRB "
     "S_Depth S_Ply S_ImportReport "},
    {35, "Short annotation symbols and their names",
     "S_SymAttack S_SymBetterIs S_SymBishopPair S_SymBlackIsWinning S_SymCentre S_SymClearAdvBlack "
     "S_SymClearAdvWhite S_SymCompensation S_SymCounterplay S_SymDevelopmentAdvantage S_SymDiagonal "
     "S_SymEqual S_SymGoodMove S_SymInitiative S_SymIsolani S_SymKingSide S_SymNovelty S_SymOnlyMove "
     "S_SymOppositeBishops S_SymPassedPawn S_SymPoorMove S_SymQueenSide S_SymQuestionableMove "
     "S_SymSlightAdvBlack S_SymSlightAdvWhite S_SymSpaceAdvantage S_SymSpeculativeMove S_SymUnclear "
     "S_SymVeryGoodMove S_SymVeryPoorMove S_SymWhiteIsWinning S_SymWithTheIdea S_SymWorseIs S_SymZeitnot "
     "S_SymZugzwang "},
    {6, "Short NAG names",
     "S_SimpleNag_44 S_SimpleNag_132 S_SimpleNag_36 S_SimpleNag_40 S_SimpleNag_138 S_SimpleNag_32 "},
    {37, "Tag names",
     "S_tnUnknown S_tnEvent S_tnSite S_tnDate S_tnRound S_tnWhite S_tnBlack S_tnResult S_tnWhiteTitle "
     "S_tnBlackTitle S_tnWhiteElo S_tnBlackElo S_tnWhiteUSCF S_tnBlackUSCF S_tnWhiteNA S_tnBlackNA "
     "S_tnWhiteType S_tnBlackType S_tnEventDate S_tnEventSponsor S_tnSection S_tnStage S_tnBoard "
     "S_tnOpening S_tnVariation S_tnSubVariation S_tnECO S_tnNIC S_tnTime S_tnUTCTime S_tnUTCDate "
     "S_tnTimeControl S_tnSetUp S_tnFEN S_tnTermination S_tnAnnotator S_tnMode "},
    {28, "Column descriptions of list windows",
     "S_GILODescr_Site S_GILODescr_Event S_GILODescr_Date S_GILODescr_Round S_GILODescr_White "
     "S_GILODescr_Black S_GILODescr_Result S_GILODescr_WhiteElo S_GILODescr_BlackElo S_GILODescr_NrOfMoves "
     "S_GILODescr_GameNr S_GILODescr_Eco S_GILODescr_Players S_GILODescr_PlayersAndElo "
     "S_GILODescr_WhiteAndElo S_GILODescr_BlackAndElo S_GILODescr_MoveNr S_GILODescr_Move "
     "S_GILODescr_MoveTotalCount S_GILODescr_MoveWhiteCount S_GILODescr_MoveDrawCount "
     "S_GILODescr_MoveBlackCount S_GILODescr_PlayerName S_GILODescr_PlayerNr S_GILODescr_EventSiteName "
     "S_GILODescr_EventSiteNr S_GILODescr_AnnotatorName S_GILODescr_AnnotatorNr "},
    {28, "Column captions of list windows",
     "S_GILOCap_Site S_GILOCap_Event S_GILOCap_Date S_GILOCap_Round S_GILOCap_White S_GILOCap_Black "
     "S_GILOCap_Result S_GILOCap_WhiteElo S_GILOCap_BlackElo S_GILOCap_NrOfMoves S_GILOCap_GameNr "
     "S_GILOCap_Eco S_GILOCap_Players S_GILOCap_PlayersAndElo S_GILOCap_WhiteAndElo S_GILOCap_BlackAndElo "
     "S_GILOCap_MoveNr S_GILOCap_Move S_GILOCap_MoveTotalCount S_GILOCap_MoveWhiteCount "
     "S_GILOCap_MoveDrawCount S_GILOCap_MoveBlackCount S_GILOCap_PlayerName S_GILOCap_PlayerNr "
     "S_GILOCap_EventSiteName S_GILOCap_EventSiteNr S_GILOCap_AnnotatorName S_GILOCap_AnnotatorNr "},
};

std::vector<std::string> ExpectedCommonKeys() {
  std::vector<std::string> all;
  for (const Family &f : kCommonFamilies) {
    std::vector<std::string> w = Words(f.keys);
    EXPECT_EQ(w.size(), f.count) << f.name;
    all.insert(all.end(), w.begin(), w.end());
  }
  for (int i = 0; i <= 139; ++i) all.push_back("S_Nag_" + std::to_string(i));
  for (int i = 200; i <= 206; ++i) all.push_back("S_Nag_" + std::to_string(i));
  all.push_back("S_Nag_220");
  for (const char *k : {"S_EngineNotResponding", "S_EngineBadMove", "S_EngineRestartFailed", "S_EngineNotFound",
                        "S_EngineLineCut"})
    all.push_back(k);
  for (const char *k : {"S_LastMoveNumber", "S_FenTagImpossible", "S_FenNotReadable", "S_FenKings",
                        "S_FenTooManyMen", "S_FenCastling", "S_FenCheck"})
    all.push_back(k);
  all.push_back("S_CouldNotReadPGNFile");
  all.push_back("S_CouldNotWriteErrorLog");
  all.push_back("S_CouldNotWriteSettings");
  for (const char *k : {"S_PGNGamesLeftOut",
                        "S_PGNImportStopped",
                        "S_PGNRefusedInLog",
                        "S_PGNWriteBackQuestion",
                        "S_PGNWriteFailed",
                        "S_PGNCommentsLeftOut",
                        "S_PGNCommentsLeftOutToo",
                        "S_PGNWriteProtected",
                        "S_PGNFolderRefusesNewFile",
                        "S_NotARegularFile",
                        "S_GamesRecovered",
                        "S_RecoveredUnsavedGame",
                        "S_RecoveredNotWrittenBack",
                        "S_RecoveredKilledRun",
                        "S_RecoveredGameWithoutFile",
                        "S_PGNChangedOnDisk",
                        "S_PGNChangedOnDiskQuestion",
                        "S_NoRecoveryFile",
                        "S_ChangesSetAside",
                        "S_NoRecoveryFileQuestion",
                        "S_SetNotRecovered",
                        "S_KeysNotOpened",
                        "S_NoTemporaryDatabase",
                        "S_CouldNotWriteDatabaseFile",
                        "S_CouldNotReadDatabaseFile",
                        "S_CannotImportOpenDatabase",
                        "S_CouldNotReadImportList",
                        "S_KeyFileExists",
                        "S_KeysNotCreated",
                        "S_CouldNotWritePGNFile",
                        "S_ExportOverOpenFile",
                        "S_GamesCannotBeWritten",
                        "S_GameLeftOut",
                        "S_ExportReport",
                        "S_DatabaseFileDamaged",
                        "S_KeysDamaged",
                        "S_DatabaseFilesDamaged",
                        "S_BoosterRebuilt",
                        "S_SortedNamesRebuilt",
                        "S_BoosterGamesDamaged"})
    all.push_back(k);
  all.push_back("S_GamesFewerThanLinks");
  for (const char *k :
       {"S_GameCannotBeWritten", "S_GameNotWritten", "S_BoosterGameDamaged", "S_ImportCancelledAfter"})
    all.push_back(k);
  all.push_back("S_TooManyLists");
  all.push_back("S_TreeFull");
  all.push_back("S_KeysWindowNoun");
  for (const char *k : {"S_DatabaseFilesSame", "S_DatabaseFileBrokenLink"}) all.push_back(k);
  for (const char *k : {"S_KeyFileRebuilt", "S_KeysDamagedMakeNew"}) all.push_back(k);
  return all;
}

// GenText: key, English, Dutch.
const char *const kGenRows[][3] = {
    {"S_OKBtn", "OK", "OK"},
    {"S_OKBtnSh", "&OK", "&OK"},
    {"S_CancelBtn", "Cancel", "Annuleren"},
    {"S_HelpBtn", "Help", "Help"},
    {"S_Canceling", "Canceling", "Bezig met annuleren"},
    {"SMsgDlgWarning", "Warning", "Waarschuwing"},
    {"SMsgDlgError", "Error", "Fout"},
    {"SMsgDlgInformation", "Information", "Informatie"},
    {"SMsgDlgConfirm", "Confirm", "Bevestigen"},
    {"SMsgDlgYes", "&Yes", "&Ja"},
    {"SMsgDlgNo", "&No", "&Nee"},
    {"SMsgDlgOK", "OK", "OK"},
    {"SMsgDlgCancel", "Cancel", "Annuleren"},
    {"SMsgDlgHelp", "&Help", "&Help"},
    {"SMsgDlgHelpNone", "No help available", "Geen help beschikbaar"},
    {"SMsgDlgHelpHelp", "Help", "Help"},
    {"SMsgDlgAbort", "&Abort", "&Afbreken"},
    {"SMsgDlgRetry", "&Retry", "&Opnieuw"},
    {"SMsgDlgIgnore", "&Ignore", "&Negeren"},
    {"SMsgDlgAll", "&All", "&Alles"},
    {"SMsgDlgNoToAll", "N&o to All", "Nee op &alles"},
    {"SMsgDlgYesToAll", "Y&es to All", "Ja op &alles"},
    {"S_AvailableLbl", "Available", "Beschikbaar"},
    {"S_UsedLbl", "Used", "Gebruikt"},
    {"S_RemoveBtnHint", "Remove from used", "Verwijderen uit beschikbaar"},
    {"S_AddBtnHint", "Add to used", "Toevoegen aan beschikbaar"},
    {"S_UpBtnHint", "Move up", "Omhoog verplaatsen"},
    {"S_DownBtnHint", "Move down", "Omlaag verplaatsen"},
};

// CommonText English texts that other units and stored files depend on.
const char *const kCommonEnglish[][2] = {
    {"S_MFile", "&Database"},
    {"S_MFlip", "T&urn"},
    {"S_MExitStatusHint", "Close the application; prompts to save changes"},
    {"S_FileAlreadyExists", "File already exists"},
    {"S_Overwrite", "Overwrite"},
    {"S_SaveChangesToTheGameFile", "Save changes to the database"},
    {"S_SaveChangesToTheGame", "Save changes to the game"},
    {"S_GameChangesWillBeLost", "Game has changed. Changes will be lost!"},
    {"S_CouldNotParseGame", "Could not parse game."},
    {"S_FileNotFound", "File not found."},
    {"S_CouldNotInterpreteMove", "Could not interprete %s to move"},
    {"S_NagValueExpected", "Nag value expected"},
    {"S_GameTerminationExpected", "Game termination expected"},
    {"S_MaxGamesReached", "Maximum database capacity (%s games) reached"},
    {"S_Of", "of"},
    {"S_Importing", "Importing"},
    {"S_Exporting", "Exporting"},
    {"S_ClassifyingGames", "Classifying games"},
    {"S_SearchingGames", "Searching games"},
    {"S_GamesFound", "games found"},
    {"S_Games", "games"},
    {"S_Nag_0", "Null annotation"},
    {"S_Nag_1", "Good move (traditional \"!\")"},
    {"S_Nag_20", "White has a crushing advantage (Black should resign)"},
    {"S_Nag_139", "Black has severe time control pressure"},
    {"S_Nag_200", "Novelty"},
    {"S_Nag_201", "RR"},
    {"S_Nag_202", "Better is"},
    {"S_Nag_203", "Worse is"},
    {"S_Nag_204", "Equivalent is"},
    {"S_Nag_205", "With the idea"},
    {"S_Nag_206", "Aimed against"},
    {"S_Nag_220", "Diagram"},
    {"S_tnUnknown", "Unknown"},
    {"S_PGNFileFilterLeft", "PGN-file"},
    {"S_QCXFileFilterLeft", "Torvanel database"},
    {"S_ChessFileFilterLeft", "All chess files"},
    {"S_MinutesAbbreviation", "min"},
    {"S_SecondsAbbreviation", "sec"},
    {"S_Ply", "Ply"},
    {"S_SimpleNag_44", "Compensation"},
    {"S_SimpleNag_132", "Counterplay"},
    {"S_SimpleNag_36", "Initiative"},
    {"S_SimpleNag_40", "Attack"},
    {"S_SimpleNag_138", "Zeitnot"},
    {"S_SimpleNag_32", "Development advantage"},
    {"S_AvailableLbl", "&Available"},
    {"S_UsedLbl", "&Used"},
    // Messages that name one game in the singular, and the engine's limit
    // in the unit it is counted in.
    {"S_GameCannotBeWritten", "1 game cannot be written; write the file without it?"},
    {"S_BoosterGameDamaged",
     "1 game of %s names players or events that the name files do not hold; the search booster leaves it "
     "out."},
    {"S_GameNotWritten", "Game %s (%s - %s) cannot be written; it is not in %s."},
    {"S_EngineLineCut", "The chess program sent a line longer than %s bytes; only its start is shown."},
    {"S_ImportCancelledAfter", "The import was cancelled after %s of %s bytes."},
};

// Short annotation symbols: key, English, and whether the Dutch table keeps
// the English text.
const struct {
  const char *key, *en;
  bool plainSymbol;
} kSymbols[] = {
    {"S_SymAttack", "Attack", false},
    {"S_SymBetterIs", ">=", true},
    {"S_SymBishopPair", "Bishop Pair", false},
    {"S_SymBlackIsWinning", "-+", true},
    {"S_SymCentre", "Centre", false},
    {"S_SymClearAdvBlack", "-/+", true},
    {"S_SymClearAdvWhite", "+/-", true},
    {"S_SymCompensation", "oo/=", true},
    {"S_SymCounterplay", "<=>", true},
    {"S_SymDevelopmentAdvantage", "Development Adv.", false},
    {"S_SymDiagonal", "Diagonal", false},
    {"S_SymEqual", "=", true},
    {"S_SymGoodMove", "!", true},
    {"S_SymInitiative", "Initiative", false},
    {"S_SymIsolani", "Isolated Pawn", false},
    {"S_SymKingSide", "K-side", false},
    {"S_SymNovelty", "N", true},
    {"S_SymOnlyMove", "Only Move", false},
    {"S_SymOppositeBishops", "Opp.Bishops", false},
    {"S_SymPassedPawn", "Passed Pawn", false},
    {"S_SymPoorMove", "?", true},
    {"S_SymQueenSide", "Q-side", false},
    {"S_SymQuestionableMove", "?!", true},
    {"S_SymSlightAdvBlack", "=+", true},
    {"S_SymSlightAdvWhite", "+=", true},
    {"S_SymSpaceAdvantage", "Space Adv.", false},
    {"S_SymSpeculativeMove", "!?", true},
    {"S_SymUnclear", " oo", true},
    {"S_SymVeryGoodMove", "!!", true},
    {"S_SymVeryPoorMove", "??", true},
    {"S_SymWhiteIsWinning", "+-", true},
    {"S_SymWithTheIdea", "With the Idea", false},
    {"S_SymWorseIs", "<=", true},
    {"S_SymZeitnot", "Zeitnot", false},
    {"S_SymZugzwang", "Zugzwang", false},
};

// List columns: name, caption, description.
const char *const kColumns[][3] = {
    {"Site", "Site", "Site"},
    {"Event", "Event", "Event"},
    {"Date", "Date", "Date"},
    {"Round", "Rd", "Round"},
    {"White", "White", "White"},
    {"Black", "Black", "Black"},
    {"Result", "Result", "Result"},
    {"WhiteElo", "Elo", "White Elo"},
    {"BlackElo", "Elo", "Black Elo"},
    {"NrOfMoves", "M", "Nr of Moves"},
    {"GameNr", "Nr", "Game Nr"},
    {"Eco", "ECO", "ECO"},
    {"Players", "Players", "Players"},
    {"PlayersAndElo", "Players", "Players and Elo"},
    {"WhiteAndElo", "White", "White and Elo"},
    {"BlackAndElo", "Black", "Black and Elo"},
    {"MoveNr", "Nr", "Nr"},
    {"Move", "Move", "Move"},
    {"MoveTotalCount", "#", "Total nr of games"},
    {"MoveWhiteCount", "1-0", "Nr of games won by White"},
    {"MoveDrawCount", "1/2", "Nr of games drawn"},
    {"MoveBlackCount", "0-1", "Nr of games won by Black"},
    {"PlayerName", "Name", "Player Name"},
    {"PlayerNr", "Nr", "Player Nr"},
    {"EventSiteName", "EventSite", "EventSite Name"},
    {"EventSiteNr", "Nr", "EventSite Nr"},
    {"AnnotatorName", "Annotator", "Annotator Name"},
    {"AnnotatorNr", "Nr", "Annotator Nr"},
};

// ---- table integrity ----

TEST(CaptionTables, GenTextKeysAndTexts) {
  auto rows = GenText::Rows();
  ASSERT_EQ(rows.size(), 29u);
  std::vector<std::string> keys = Keys(rows);
  ASSERT_EQ(keys.size(), std::size(kGenRows));
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i], kGenRows[i][0]);
    const CaptionRow *r = Row(rows, kGenRows[i][0]);
    ASSERT_NE(r, nullptr) << kGenRows[i][0];
    EXPECT_STREQ(r->en, kGenRows[i][1]) << r->key;
    ASSERT_NE(r->nl, nullptr) << r->key;
    EXPECT_STREQ(r->nl, kGenRows[i][2]) << r->key;
  }
  const CaptionRow &last = rows.back();
  EXPECT_EQ(last.var, &GenText::S_ConfigureToolbarDlg);
  EXPECT_EQ(last.key, nullptr);
  EXPECT_STREQ(last.en, "Configure Toolbar");
  EXPECT_STREQ(last.nl, "Werkbalk instellingen");
}

TEST(CaptionTables, CommonTextHasEveryKeyInOrderOnce) {
  auto rows = CommonText::Rows();
  EXPECT_EQ(rows.size(), 655u);
  std::vector<std::string> keys = Keys(rows);
  std::vector<std::string> expected = ExpectedCommonKeys();
  ASSERT_EQ(expected.size(), 647u);
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(std::set<std::string>(keys.begin(), keys.end()).size(), keys.size());
  // The rows no language file can change, with their texts.
  struct NoKeyRow {
    const std::string *var;
    const char *en, *nl;
  };
  const NoKeyRow noKeyRows[] = {
      {&CommonText::S_MCreateOpenings, "Create Openin&gs", "Maak op&eningen"},
      {&CommonText::S_CopyGameAsFamily, "Copy Game as", "Partij kopi\xebren als"},
      {&CommonText::S_CopyPositionAsFamily, "Copy Position as", "Stelling kopi\xebren als"},
      {&CommonText::S_PasteGameFromFamily, "Paste Game from", "Partij plakken van"},
      {&CommonText::S_MCreateOpeningsStatusHint, "Create an openings classification in the database",
       "Maak een openingsklassificatie in de database"},
      {&CommonText::S_UseSearchBoosterCB, "&Search booster", "&Zoekversneller"},
      {&CommonText::S_DBInfoBtn, "&Info...", "&Info..."},
      {&CommonText::S_AboutNotice, "A program for keeping and studying chess games.",
       "Een programma voor het bewaren en bestuderen van schaakpartijen."},
  };
  size_t noKey = 0;
  for (const CaptionRow &r : rows) {
    if (r.key) continue;
    ASSERT_LT(noKey, std::size(noKeyRows));
    const NoKeyRow &want = noKeyRows[noKey++];
    EXPECT_EQ(r.var, want.var) << want.en;
    EXPECT_STREQ(r.en, want.en);
    EXPECT_STREQ(r.nl, want.nl);
  }
  EXPECT_EQ(noKey, std::size(noKeyRows));
}

TEST(CaptionTables, EveryRowOwnsItsVariableAndHasTexts) {
  for (auto rows : {GenText::Rows(), CommonText::Rows()}) {
    std::set<const std::string *> vars;
    for (const CaptionRow &r : rows) {
      const char *name = r.key ? r.key : r.en;
      EXPECT_TRUE(vars.insert(r.var).second) << name;
      ASSERT_NE(r.en, nullptr);
      if (r.var == &CommonText::S_KeysWindowNoun) {
        EXPECT_STREQ(r.en, "");
        EXPECT_STREQ(r.nl, "");
        continue;
      }
      EXPECT_NE(r.en[0], '\0') << name;  // every hint has an English text
      EXPECT_FALSE(LooksLikeUtf8(r.en)) << name;
      if (r.nl) {
        EXPECT_NE(r.nl[0], '\0') << name;
        EXPECT_FALSE(LooksLikeUtf8(r.nl)) << name;
      }
    }
  }
}

TEST(CaptionTables, DutchMissingOnlyForPlainSymbols) {
  std::set<std::string> plain;
  for (const auto &s : kSymbols)
    if (s.plainSymbol) plain.insert(s.key);
  ASSERT_EQ(plain.size(), 19u);
  std::set<std::string> withoutDutch;
  for (const CaptionRow &r : CommonText::Rows())
    if (!r.nl) withoutDutch.insert(r.key ? r.key : "");
  EXPECT_EQ(withoutDutch, plain);
}

TEST(CaptionTables, GivenCommonTexts) {
  auto rows = CommonText::Rows();
  for (const auto &g : kCommonEnglish) {
    const CaptionRow *r = Row(rows, g[0]);
    ASSERT_NE(r, nullptr) << g[0];
    EXPECT_STREQ(r->en, g[1]) << g[0];
  }
  for (const auto &s : kSymbols) {
    const CaptionRow *r = Row(rows, s.key);
    ASSERT_NE(r, nullptr) << s.key;
    EXPECT_STREQ(r->en, s.en) << s.key;
  }
  for (const auto &c : kColumns) {
    const CaptionRow *cap = Row(rows, std::string("S_GILOCap_") + c[0]);
    const CaptionRow *descr = Row(rows, std::string("S_GILODescr_") + c[0]);
    ASSERT_TRUE(cap && descr) << c[0];
    EXPECT_STREQ(cap->en, c[1]) << c[0];
    EXPECT_STREQ(descr->en, c[2]) << c[0];
  }
  // A tag name's caption is the tag name itself.
  for (const std::string &key : Words(kCommonFamilies[6].keys)) {
    if (key == "S_tnUnknown") continue;
    const CaptionRow *r = Row(rows, key);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(std::string(r->en), key.substr(4));
  }
  EXPECT_STREQ(Row(rows, "S_White")->nl, "Wit");
  EXPECT_STREQ(Row(rows, "S_MFile")->nl, "&Database");
}

TEST(CaptionTables, NagDescriptionsStartWithACapital) {
  for (int i = 0; i <= 139; ++i) {
    const CaptionRow *r = Row(CommonText::Rows(), "S_Nag_" + std::to_string(i));
    ASSERT_NE(r, nullptr);
    EXPECT_TRUE(r->en[0] >= 'A' && r->en[0] <= 'Z') << i;
    EXPECT_TRUE(r->nl[0] >= 'A' && r->nl[0] <= 'Z') << i;
  }
}

TEST(CaptionTables, FindCaption) {
  EXPECT_EQ(CommonText::FindCaption("S_Nag_12"), &CommonText::S_Nag_12);
  EXPECT_EQ(CommonText::FindCaption("SBSearchGames"), &CommonText::SBSearchGames);
  EXPECT_EQ(CommonText::FindCaption("S_MCreateOpenings"), nullptr);
  EXPECT_EQ(CommonText::FindCaption("S_Nag_207"), nullptr);
}

// ---- the value rule of language files ----

TEST(CaptionValue, TrimAndQuotes) {
  using captions::CleanCaptionValue;
  EXPECT_EQ(CleanCaptionValue("  '&Data '  "), "&Data ");
  EXPECT_EQ(CleanCaptionValue("' oo'"), " oo");
  EXPECT_EQ(CleanCaptionValue("''"), "''");       // too short for the rule
  EXPECT_EQ(CleanCaptionValue("'x"), "'x");       // likewise
  EXPECT_EQ(CleanCaptionValue("'abc"), "abc");    // no closing quote: only the first goes
  EXPECT_EQ(CleanCaptionValue("'a'b'c"), "a'b");  // cut at the last quote
  EXPECT_EQ(CleanCaptionValue("'''"), "'");
  EXPECT_EQ(CleanCaptionValue("'x'"), "x");
  EXPECT_EQ(CleanCaptionValue("\t Text \r"), "Text");
  EXPECT_EQ(CleanCaptionValue("a 'b' c"), "a 'b' c");
  EXPECT_EQ(CleanCaptionValue("caf\xe9 \xa0"), "caf\xe9 \xa0");  // high bytes are text
  EXPECT_EQ(CleanCaptionValue(""), "");
}

// ---- switching ----

class CaptionSwitch : public ::testing::Test {
 protected:
  void TearDown() override {
    testutil::AppDirGuard g(empty_.Path());
    ResetLanguageRegistry();
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
  }
  testutil::TempDir dir_;
  testutil::TempDir empty_;
  testutil::AppDirGuard guard_{dir_.Path()};
};

void ExpectAllEnglish(std::span<const CaptionRow> rows) {
  for (const CaptionRow &r : rows) EXPECT_EQ(*r.var, r.en) << (r.key ? r.key : r.en);
}

TEST_F(CaptionSwitch, DutchWithoutFile) {
  CommonText::SetUILanguage(LangDutch);
  GenText::SetDialogLanguage(LangDutch);
  EXPECT_EQ(CommonText::S_MFile, "&Database");
  EXPECT_EQ(CommonText::S_White, "Wit");
  EXPECT_EQ(CommonText::S_SymUnclear, " oo");  // no Dutch text: stays English
  EXPECT_EQ(CommonText::S_MCreateOpenings, "Maak op&eningen");
  EXPECT_EQ(GenText::SMsgDlgYes, "&Ja");
  EXPECT_EQ(GenText::S_ConfigureToolbarDlg, "Werkbalk instellingen");
  for (const CaptionRow &r : CommonText::Rows()) EXPECT_EQ(*r.var, r.nl ? r.nl : r.en);
}

TEST_F(CaptionSwitch, GermanWithoutFileIsEnglish) {
  CommonText::SetUILanguage(LangDutch);
  GenText::SetDialogLanguage(LangDutch);
  CommonText::SetUILanguage(LangGerman);
  GenText::SetDialogLanguage(LangGerman);
  ExpectAllEnglish(CommonText::Rows());
  ExpectAllEnglish(GenText::Rows());
}

TEST_F(CaptionSwitch, EnglishRestoresEveryTextAfterAFile) {
  dir_.Write("CommonDutch.ini", "[Dutch]\nS_MFile=Bestand\nS_Nag_12=Twaalf\n");
  dir_.Write("GenDutch.ini", "[Dutch]\nSMsgDlgYes=Jawel\n");
  CommonText::SetUILanguage(LangDutch);
  GenText::SetDialogLanguage(LangDutch);
  EXPECT_EQ(CommonText::S_MFile, "Bestand");
  EXPECT_EQ(CommonText::S_Nag_12, "Twaalf");
  EXPECT_EQ(GenText::SMsgDlgYes, "Jawel");
  CommonText::SetUILanguage(LangEnglish);
  GenText::SetDialogLanguage(LangEnglish);
  ExpectAllEnglish(CommonText::Rows());
  ExpectAllEnglish(GenText::Rows());
}

TEST_F(CaptionSwitch, FiltersFollowTheirLeftParts) {
  EXPECT_EQ(CommonText::S_PGNFileFilter, "PGN-file (*.pgn)|*.pgn");
  EXPECT_EQ(CommonText::S_QCXFileFilter, "Torvanel database (*.qcx)|*.qcx");
  EXPECT_EQ(CommonText::S_ChessFileFilter, "All chess files|*.pgn;*.qcx");
  CommonText::SetUILanguage(LangDutch);
  EXPECT_EQ(CommonText::S_PGNFileFilter, "PGN-bestand (*.pgn)|*.pgn");
  EXPECT_EQ(CommonText::S_ChessFileFilter, "Alle schaakbestanden|*.pgn;*.qcx");
  dir_.Write("CommonGerman.ini", "[German]\nS_QCXFileFilterLeft=Datenbank\n");
  CommonText::SetUILanguage(LangGerman);
  EXPECT_EQ(CommonText::S_PGNFileFilter, "PGN-file (*.pgn)|*.pgn");
  EXPECT_EQ(CommonText::S_QCXFileFilter, "Datenbank (*.qcx)|*.qcx");
}

TEST_F(CaptionSwitch, LanguageFileRules) {
  // CR LF lines, a file name in other letter case, quotes, empty and short
  // values, a keyless row, a key of another section.
  dir_.Write("commongerman.INI",
             "[German]\r\n"
             "S_MFile=  '&Data '  \r\n"
             "S_MNew=\r\n"
             "S_MOpen=''\r\n"
             "S_MSave='x\r\n"
             "S_SymUnclear=' oo'\r\n"
             "S_MClose=  Schlie\xdf"
             "en \r\n"
             "S_MCreateOpenings=Er\xf6"
             "ffnungen\r\n"
             "[Dutch]\r\n"
             "S_MExit=Weg\r\n");
  CommonText::SetUILanguage(LangGerman);
  EXPECT_EQ(CommonText::S_MFile, "&Data ");
  EXPECT_EQ(CommonText::S_MNew, "&New");
  EXPECT_EQ(CommonText::S_MOpen, "''");
  EXPECT_EQ(CommonText::S_MSave, "'x");
  EXPECT_EQ(CommonText::S_SymUnclear, " oo");
  EXPECT_EQ(CommonText::S_MClose,
            "Schlie\xdf"
            "en");
  EXPECT_EQ(CommonText::S_MCreateOpenings, "Create Openin&gs");
  EXPECT_EQ(CommonText::S_MExit, "E&xit");
}

TEST_F(CaptionSwitch, EmptyValueKeepsTheDutchText) {
  dir_.Write("CommonDutch.ini", "[Dutch]\nS_White=\nS_Black=   \n");
  CommonText::SetUILanguage(LangDutch);
  EXPECT_EQ(CommonText::S_White, "Wit");
  EXPECT_EQ(CommonText::S_Black, "Zwart");
}

TEST_F(CaptionSwitch, SameNamesInBothTablesAreSeparate) {
  dir_.Write("GenDutch.ini", "[Dutch]\nS_AvailableLbl=Gen\nS_ConfigureToolbarDlg=Nee\n");
  dir_.Write("CommonDutch.ini", "[Dutch]\nS_UsedLbl=Common\n");
  GenText::SetDialogLanguage(LangDutch);
  CommonText::SetUILanguage(LangDutch);
  EXPECT_EQ(GenText::S_AvailableLbl, "Gen");
  EXPECT_EQ(CommonText::S_AvailableLbl, "&Beschikbaar");
  EXPECT_EQ(GenText::S_UsedLbl, "Gebruikt");
  EXPECT_EQ(CommonText::S_UsedLbl, "Common");
  EXPECT_EQ(GenText::S_ConfigureToolbarDlg, "Werkbalk instellingen");  // no key
}

TEST_F(CaptionSwitch, AnAddedLanguageReadsItsOwnFile) {
  LanguageId french = RegisterLanguage("French");
  dir_.Write("CommonFrench.ini", "[French]\nS_White=Blancs\n");
  dir_.Write("GenFrench.ini", "[French]\nSMsgDlgYes=&Oui\n");
  CommonText::SetUILanguage(french);
  GenText::SetDialogLanguage(french);
  EXPECT_EQ(CommonText::S_White, "Blancs");
  EXPECT_EQ(CommonText::S_Black, "Black");
  EXPECT_EQ(GenText::SMsgDlgYes, "&Oui");
  EXPECT_EQ(GenText::SMsgDlgNo, "&No");
}

TEST_F(CaptionSwitch, UnknownIdGivesEnglish) {
  CommonText::SetUILanguage(LangDutch);
  CommonText::SetUILanguage(12345);
  ExpectAllEnglish(CommonText::Rows());
}

}  // namespace
