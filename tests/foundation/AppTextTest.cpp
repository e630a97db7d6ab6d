// The application caption table against the texts it must hold, the
// interface languages found from the program directory, and the switch.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "foundation/AppText.h"
#include "foundation/CommonText.h"
#include "foundation/LangMan.h"
#include "platform/Errors.h"

namespace {

using captions::CaptionRow;

// key|English|Dutch, one row a line, in table order.
const char kGiven[] =
    "S_LanguageTS|Language|Taal\n"
    "S_ProgramLanguageLbl|Application Language|Programma taal\n"
    "S_InterfaceLanguageLbl|Interface Language|Taal voor zetweergave\n"
    "S_CopyLanguageLbl|Copy Language|Taal voor kopi\xeb" "ren\n"
    "S_PasteLanguageLbl|Paste Language|Taal voor plakken\n"
    "S_LastMoveNotationLbl|Last Move Notation|Notatie voor laatste zet\n"
    "S_MoveListNotationLbl|Move List Notation|Notatie voor zet in lijst\n"
    "S_AppFontNameLbl|Application Font|Programma lettertype\n"
    "S_UseFigurinesCB|Use Figurines|Gebruik figurines\n"
    "S_AppFontSizeLbl|Font Size|Grootte\n"
    "S_BoardTS|Board|Bord\n"
    "S_AnimationGB|Animation|Animatie\n"
    "S_ActionLbl|Action|Actie\n"
    "S_Dutch|Dutch|Nederlands\n"
    "S_English|English|Engels\n"
    "S_German|German|Duits\n"
    "S_DelayLbl|Delay|Pauze\n"
    "S_MoveLbl|Move|Zet\n"
    "S_BackLbl|Back|Terug\n"
    "S_CastlingRookMoveLbl|Castling Rook Move|Rokadetoren zet\n"
    "S_CastlingRookBackLbl|Castling Rook Back|Rokadetoren terug\n"
    "S_PieceStyleLbl|Piece Style|Stukkenstijl\n"
    "S_PieceStyleForCopyLbl|Piece Style for Copy as Bitmap|Stukkenstijl voor kopi\xeb" "ren als bitmap\n"
    "S_ShowCoordinatesCB|Show Coordinates|Toon co\xf6" "rdinaten\n"
    "S_RightClickTakesBackCB|Right Click TakeBack|Rechtermuisklik neemt terug\n"
    "S_ColorsGB|Colors|Kleuren\n"
    "S_WhiteSquaresLbl|White Squares|Witte velden\n"
    "S_BlackSquaresLbl|Black Squares|Zwarte velden\n"
    "S_UseWindowsColorsCB|Use Windows Colors|Gebruik Windows kleuren\n"
    "S_ShowMaterialDifferenceCB|Show Material Difference|Toon materiaal verschil\n"
    "S_KnightAndBishopAreEqualCB|Knight and Bishop are Equal|Paard en loper zijn gelijk\n"
    "S_MatDiffFromWhiteRB|From White|Vanuit wit\n"
    "S_MatDiffFromBlackRB|From Black|Vanuit zwart\n"
    "S_MatDiffFromColorToMoveRB|From Color to Move|Vanuit kleur aan zet\n"
    "S_MatDiffFromBoardRB|From Board|Vanuit bord\n"
    "S_AutoPlayTS|AutoPlay|AutoZet\n"
    "S_AutoPlayGB|AutoPlay|AutoZet\n"
    "S_AutoplayDelayLbl|Pause|Pauze\n"
    "S_StopAtCommentCB|Stop at Comment|Stop bij commentaar\n"
    "S_StopAtAnnotationsCB|Stop at Annotations|Stop bij annotaties\n"
    "S_StopAtAlternativesCB|Stop at Alternatives|Stop bij alternatieven\n"
    "S_StandardAlgebraic|Standard Algebraic|Standaard algebraisch\n"
    "S_LongAlgebraic|Long Algebraic|Lang algebraisch\n"
    "S_CopyTS|Copy|Kopi\xeb" "ren\n"
    "S_UseHRTInCopyCB|Use HRT in Copy|Gebruik HRT's bij kopi\xeb" "ren\n"
    "S_LineLengthLbl|Line Length|Regellengte\n"
    "S_TopLinesTS|Info Lines|Info regels\n"
    "S_ShowPlayersCB|Show Players|Toon spelers\n"
    "S_ShowEloCB|Show Elo|Toon elo\n"
    "S_ShowECOCB|Show ECO|Toon ECO\n"
    "S_ShowEventCB|Show Event|Toon evenement\n"
    "S_ShowSiteCB|Show Site|Toon plaats\n"
    "S_ShowRoundCB|Show Round|Toon ronde\n"
    "S_ShowDateCB|Show Date|Toon datum\n"
    "S_FilesTS|Databases|Databases\n"
    "S_StandardFilesLbl|Standard databases|Standaard databases\n"
    "S_AddStandardFileBtn|Add current database|Huidige database toevoegen\n"
    "S_DeleteStandardFileBtn|Delete|Verwijderen\n"
    "S_OpenTS|Open|Openen\n"
    "S_ViewOnlyOnFileOpenCB|View Only on Database Open|Partijen alleen naspelen bij database openen\n"
    "S_PositionOnLoadRG|On Game Load|Bij partij openen\n"
    "S_First|Show first position|Toon eerste stelling\n"
    "S_Last|Show last position|Toon laatste stelling\n"
    "S_ViewFromPlayersCB|View From Players|Orientatie naar spelers\n"
    "S_PlayersLbl|Players|Spelers\n"
    "S_NewPlayerBtn|New|Nieuw\n"
    "S_DeletePlayerBtn|Delete|Verwijderen\n"
    "S_NewPlayer|New Player|Nieuwe speler\n"
    "S_FontNameLbl|Font|Lettertype\n"
    "S_FontSizeLbl|Size|Grootte\n"
    "S_RTFDiagAddBorderCB|Add Border|Voeg rand toe\n"
    "S_GIFPathLbl|GIF path|GIF pad\n"
    "S_BorderWidthLbl|Borderwidth|Kaderbreedte\n"
    "S_TextGB|Game as Text|Partij als tekst\n"
    "S_RTFGB|Position as RTF|Stelling als RTF\n"
    "S_HTMLGB|Position as HTML|Stelling als HTML\n"
    "S_RTFGameGB|Game as RTF|Partij als RTF\n"
    "S_RTFGameFontNameLbl|Font|Lettertype\n"
    "S_RTFGameFontSizeLbl|Size|Grootte\n"
    "S_RTFGameUseFigurinesCB|Use Figurines|Gebruik figurines\n"
    "S_RTFGameTextFontNameLbl|Text Font|Tekst lettertype\n"
    "S_RTFGameUseTextFontCB|Use Text Font|Gebruik tekst lettertype\n"
    "S_HTMLGameGB|Game as HTML|Partij als HTML\n"
    "S_HTMLGameUseFigurinesCB|Use Figurines|Gebruik figurines\n"
    "S_MoreTS|View|Beeld\n"
    "S_ShowMoveButtonsCB|Show Move Buttons|Toon zet knoppen\n"
    "S_ShowColorToMoveCB|Show Color to Move|Toon kleur aan zet\n"
    "S_ShowLastMoveCB|Show Last Move|Toon laatste zet\n"
    "S_ShowExtraPanelCB|Show Commentpanel|Toon commentaarpaneel\n"
    "S_ExtraUnderRB|Bottom|Onder\n"
    "S_ExtraRightRB|Right|Rechts\n"
    "S_ExtraLeftRB|Left|Links\n"
    "S_ShowAlternativesCBAlternatives|Show Alternatives|Toon alternatieven\n"
    "S_ShowGameMoveCB|Show Game Move|Toon partijzet\n"
    "S_ShowToolbarCB|Show Toolbar|Toon werkbalk\n"
    "S_ShowStatusbarCB|Show Statusbar|Toon statusbalk\n"
    "S_UseSimpleNagsCB|Use Simple Nags|Gebruik eenvoudige nags\n"
    "S_CopyGameTS|Copy Game|Partij kopi\xeb" "ren\n"
    "S_ShowDiagsInCopyGameCB|Include Diagrams|Diagrammen invoegen\n"
    "S_SeparateAnnotationsInCopyGameCB|Separate Annotations|Annotaties apart\n"
    "S_UseExtraSeparationInCopyGameCB|Double Separation|Extra ruimte\n"
    "S_SeparateAlternativesInCopyGameCB|Separate Alternatives|Alternatieven apart\n"
    "S_MainLineInBoldInCopyGameCB|Main Line in Bold|Hoofdvariant vet\n"
    "S_CommentsInBracketsInCopyGameCB|Comments in Brackets|Commentaar tussen haakjes\n"
    "S_SquareBracketsForAlternativesCB|Alternatives in Square Brackets|Alternatieven tussen blokhaken\n"
    "S_CenterDiagramsCB|Center Diagrams|Diagrammen centreren\n"
    "S_JustifyMoveTextCB|Justify Move Text|Zettekst uitlijnen\n"
    "S_DiagramsWithCoordinatesInCopyGameCB|Diagrams with Coordinates|Diagrammen met co\xf6" "rdinaten\n"
    "S_ToolbarTS|Toolbar|Werkbalk\n"
    "S_ToolbarLbl|Buttons|Knoppen\n"
    "S_DiagramTS|Diagrams|Diagrammen\n"
    "S_MoveEntryTS|Move Entry|Zet invoer\n"
    "S_AskInsertTypeOnNewMoveCB|Ask for InsertType on New Move|Vragen om zetinvoegsoort\n"
    "S_AskDeleteTypeOnDeleteCB|Ask for DeleteType on Delete|Vragen om zetverwijdersoort\n"
    "S_RTFTS|RTF|RTF\n"
    "S_TextHTMLTS|Text/HTML|Text/HTML\n";

// A UTF-8 lead byte followed by a continuation byte: source text that was
// typed instead of escaped.
bool LooksLikeUtf8(const char *s) {
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s); *p; ++p)
    if (p[0] >= 0xC2 && p[0] <= 0xF4 && p[1] >= 0x80 && p[1] <= 0xBF) return true;
  return false;
}

TEST(AppTextTable, HoldsTheGivenRowsInOrder) {
  std::istringstream in(kGiven);
  std::span<const CaptionRow> rows = AppText::Rows();
  size_t i = 0;
  for (std::string line; std::getline(in, line); ++i) {
    const size_t a = line.find('|');
    const size_t b = line.find('|', a + 1);
    ASSERT_LT(i, rows.size());
    ASSERT_NE(rows[i].key, nullptr);
    EXPECT_EQ(rows[i].key, line.substr(0, a));
    EXPECT_EQ(rows[i].en, line.substr(a + 1, b - a - 1)) << rows[i].key;
    ASSERT_NE(rows[i].nl, nullptr) << rows[i].key;
    EXPECT_EQ(rows[i].nl, line.substr(b + 1)) << rows[i].key;
  }
  EXPECT_EQ(i, 116u);
  std::set<std::string> keys;
  for (const CaptionRow &r : rows) {
    ASSERT_NE(r.key, nullptr);
    EXPECT_TRUE(keys.insert(r.key).second) << r.key;
    EXPECT_FALSE(LooksLikeUtf8(r.en)) << r.key;
    EXPECT_FALSE(r.nl && LooksLikeUtf8(r.nl)) << r.key;
  }
}

class AppTextSwitch : public ::testing::Test {
 protected:
  void SetUp() override { ResetLanguageRegistry(); }
  void TearDown() override {
    testutil::AppDirGuard g(empty_.Path());
    ResetLanguageRegistry();
    AppText::SetAppLanguage(LangEnglish);
    CommonText::SetUILanguage(LangEnglish);
    AppText::FindAppLanguages();
  }
  std::vector<LanguageId> List() const {
    std::vector<LanguageId> ids;
    for (int i = 1; i <= AppText::AppLanguageCount(); ++i) ids.push_back(AppText::AppLanguage(i));
    return ids;
  }
  testutil::TempDir dir_;
  testutil::TempDir empty_;
  testutil::AppDirGuard guard_{dir_.Path()};
};

void ExpectAllEnglish() {
  for (const CaptionRow &r : AppText::Rows()) EXPECT_EQ(*r.var, r.en) << r.key;
}

TEST_F(AppTextSwitch, InterfaceLanguagesFromTheProgramDirectory) {
  dir_.Write("AppGerman.ini", "[German]\n");
  dir_.Write("AppDutch.ini", "[Dutch]\n");
  dir_.Write("appFrisian.INI", "[Frisian]\n");
  dir_.Write("App.ini", "[]\n");
  dir_.Write("CommonSpanish.ini", "[Spanish]\n");
  const LanguageId next = static_cast<LanguageId>(LanguageCount());
  AppText::FindAppLanguages();
  EXPECT_EQ(List(), (std::vector<LanguageId>{LangEnglish, LangDutch, next, LangGerman}));
  EXPECT_EQ(GetLanguageName(next), "Frisian");
  EXPECT_EQ(FindRegisteredLanguage(""), LangNone);
  EXPECT_EQ(FindRegisteredLanguage("Spanish"), LangNone);
  // A second search keeps the ids and adds nothing twice.
  AppText::FindAppLanguages();
  EXPECT_EQ(List(), (std::vector<LanguageId>{LangEnglish, LangDutch, next, LangGerman}));
  EXPECT_THROW(AppText::AppLanguage(0), ERangeError);
  EXPECT_THROW(AppText::AppLanguage(5), ERangeError);
}

TEST_F(AppTextSwitch, BuiltInLanguages) {
  AppText::SetAppLanguage(LangDutch);
  EXPECT_EQ(AppText::S_LanguageTS, "Taal");
  EXPECT_EQ(AppText::S_ShowCoordinatesCB, "Toon co\xf6rdinaten");
  for (const CaptionRow &r : AppText::Rows()) EXPECT_EQ(*r.var, r.nl) << r.key;
  AppText::SetAppLanguage(LangEnglish);
  ExpectAllEnglish();
  EXPECT_EQ(AppText::S_UseWindowsColorsCB, "Use Windows Colors");
}

TEST_F(AppTextSwitch, GermanFileWithQuotesAndMissingKeys) {
  dir_.Write("AppGerman.ini",
             "[German]\r\n"
             "S_LanguageTS=Sprache\r\n"
             "S_BoardTS=  '  Brett '  \r\n"
             "S_MoveLbl='Zug\r\n"
             "S_BackLbl='x\r\n"
             "S_DelayLbl=\r\n"
             "S_PlayersLbl=Spieler\r\n");
  AppText::SetAppLanguage(LangGerman);
  EXPECT_EQ(AppText::S_LanguageTS, "Sprache");
  EXPECT_EQ(AppText::S_BoardTS, "  Brett ");
  EXPECT_EQ(AppText::S_MoveLbl, "Zug");
  EXPECT_EQ(AppText::S_BackLbl, "'x");
  EXPECT_EQ(AppText::S_DelayLbl, "Delay");
  EXPECT_EQ(AppText::S_CopyTS, "Copy");
  EXPECT_EQ(AppText::S_PlayersLbl, "Spieler");
  // The common table's caption of that name is its own.
  CommonText::SetUILanguage(LangGerman);
  EXPECT_EQ(CommonText::S_PlayersLbl, "&Players");
  // German, Dutch, English: nothing of the earlier languages stays.
  AppText::SetAppLanguage(LangDutch);
  EXPECT_EQ(AppText::S_BoardTS, "Bord");
  AppText::SetAppLanguage(LangEnglish);
  ExpectAllEnglish();
}

}  // namespace
