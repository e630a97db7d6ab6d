// Search criteria: defaults of Clear and of the text reader, the text form,
// the opponent following its entry, and the copies.
#include <gtest/gtest.h>

#include <string>

#include "chess/PGNTypes.h"
#include "platform/Errors.h"

namespace {

const char *const kFull =
    "[General]\r\nNrOfPlayers=2\r\nOpponent=2\r\nIgnoreColors=0\r\nNrOfEventSites=1\r\nNrOfAnnotators=1\r\n"
    "SearchYear=1\r\nSearchYearLo=1990\r\nSearchYearHi=1999\r\nSearchEco=1\r\nSearchEcoLo=B20\r\n"
    "SearchEcoHi=B99/99\r\nSearchElo=1\r\nSearchEloLo=2400\r\nSearchEloHi=2600\r\nSearchEloType=BothPlayers\r\n"
    "SearchMoves=1\r\nSearchMovesLo=20\r\nSearchMovesHi=40\r\nSearchWins=1\r\nSearchDraws=0\r\nSearchLosses=1\r\n"
    "SearchMates=1\r\nSearchChecks=1\r\nSearchEquals=1\r\nSearchTxts=1\r\n"
    "[Player1]\r\nName=Berg\r\nColor=WHITE\r\nResultWin=1\r\nResultDraw=1\r\n"
    "[Player2]\r\nName=Vos\r\nColor=purple\r\nResultLoss=1\r\nResultAll=1\r\n"
    "[EventSite1]\r\nName=North\r\nNot=1\r\nCaseSensitive=1\r\n"
    "[Annotator1]\r\nName=Kee\r\n";

}  // namespace

TEST(SearchMaskTest, ClearAndReaderDefaultsDiffer) {
  GameSearchMaskO m;
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_TRUE(m.GetIgnoreColors());
  EXPECT_EQ(m.GetEcoLo(), "A00");
  EXPECT_EQ(m.GetEcoHi(), "E99/99");
  EXPECT_EQ(m.GetEloLo(), 2500u);
  EXPECT_EQ(m.GetEloHi(), 2875u);
  EXPECT_EQ(m.GetMovesLo(), 1u);
  EXPECT_EQ(m.GetMovesHi(), 22u);
  EXPECT_GE(m.GetYearLo(), 2024u);
  EXPECT_EQ(m.GetYearLo(), m.GetYearHi());

  m.SetOpponent(3);
  m.AddPlayer("x", scNone, 0);
  m.Clear();
  EXPECT_EQ(m.GetOpponent(), 3u) << "Clear leaves the opponent";
  EXPECT_EQ(m.PlayerCount(), 0);

  EXPECT_TRUE(m.LoadFromIni(""));
  EXPECT_EQ(m.GetOpponent(), 0u);
  EXPECT_TRUE(m.GetIgnoreColors());
  EXPECT_EQ(m.GetYearLo(), 0u);
  EXPECT_EQ(m.GetYearHi(), 0u);
  EXPECT_EQ(m.GetEcoLo(), "");
  EXPECT_EQ(m.GetEcoHi(), "");
  EXPECT_EQ(m.GetEloLo(), 0u);
  EXPECT_EQ(m.GetMovesHi(), 0u);
  EXPECT_EQ(m.GetEloType(), etNone);
  EXPECT_TRUE(m.IsEmpty());
}

TEST(SearchMaskTest, FullText) {
  GameSearchMaskO m;
  m.AddPlayer("left over", scNot, 0);
  ASSERT_TRUE(m.LoadFromIni(kFull));
  ASSERT_EQ(m.PlayerCount(), 2);
  EXPECT_EQ(m.PlayerName(1), "Berg");
  EXPECT_EQ(m.PlayerColour(1), scWhite);
  EXPECT_EQ(m.PlayerResults(1), srWin | srDraw);
  EXPECT_EQ(m.PlayerColour(2), scNone) << "an unknown word";
  EXPECT_EQ(m.PlayerResults(2), srLoss | srAll);
  EXPECT_EQ(m.PlayersText(), "Berg, Vos");
  EXPECT_EQ(m.GetOpponent(), 2u);
  EXPECT_FALSE(m.GetIgnoreColors());
  ASSERT_EQ(m.EventSiteCount(), 1);
  EXPECT_EQ(m.EventSiteName(1), "North");
  EXPECT_TRUE(m.EventSiteNot(1));
  EXPECT_TRUE(m.EventSiteCaseSensitive(1));
  ASSERT_EQ(m.AnnotatorCount(), 1);
  EXPECT_EQ(m.AnnotatorName(1), "Kee");
  EXPECT_FALSE(m.AnnotatorNot(1));
  EXPECT_TRUE(m.GetSearchYear());
  EXPECT_EQ(m.GetYearLo(), 1990u);
  EXPECT_EQ(m.GetYearHi(), 1999u);
  EXPECT_TRUE(m.GetSearchEco());
  EXPECT_EQ(m.GetEcoLo(), "B20");
  EXPECT_EQ(m.GetEcoHi(), "B99/99");
  EXPECT_TRUE(m.GetSearchElo());
  EXPECT_EQ(m.GetEloLo(), 2400u);
  EXPECT_EQ(m.GetEloHi(), 2600u);
  EXPECT_EQ(m.GetEloType(), etBothPlayers);
  EXPECT_TRUE(m.GetSearchMoves());
  EXPECT_EQ(m.GetMovesLo(), 20u);
  EXPECT_EQ(m.GetMovesHi(), 40u);
  EXPECT_TRUE(m.GetSearchWins());
  EXPECT_FALSE(m.GetSearchDraws());
  EXPECT_TRUE(m.GetSearchLosses() && m.GetSearchMates() && m.GetSearchChecks() && m.GetSearchEquals() &&
              m.GetSearchTxts());
  EXPECT_TRUE(m.NeedsMoveScan());

  // A player section past the count is not read; a missing name reads "?".
  ASSERT_TRUE(m.LoadFromIni("[General]\nNrOfPlayers=1\nSearchYearLo=abc\n[Player2]\nName=X\n"));
  ASSERT_EQ(m.PlayerCount(), 1);
  EXPECT_EQ(m.PlayerName(1), "?");
  EXPECT_EQ(m.GetYearLo(), 0u) << "a value that is no number reads as absent";
}

TEST(SearchMaskTest, OptionWords) {
  EXPECT_EQ(ColourOptionText("WHITE"), scWhite);
  EXPECT_EQ(ColourOptionText("Black"), scBlack);
  EXPECT_EQ(ColourOptionText("not"), scNot);
  EXPECT_EQ(ColourOptionText("white "), scNone);
  EXPECT_EQ(EloOptionText("Average"), etAverage);
  EXPECT_EQ(EloOptionText("ONEPLAYER"), etOnePlayer);
  EXPECT_EQ(EloOptionText("both"), etNone);
}

TEST(SearchMaskTest, DeletePlayerKeepsTheOpponent) {
  GameSearchMaskO m;
  for (const char *n : {"a", "b", "c"}) m.AddPlayer(n, scNone, 0);
  m.SetOpponent(3);
  m.DeletePlayer(1);
  EXPECT_EQ(m.GetOpponent(), 2u);
  EXPECT_EQ(m.PlayersText(), "b, c");
  m.DeletePlayer(2);
  EXPECT_EQ(m.GetOpponent(), 0u) << "the opponent's own entry";
  m.SetOpponent(1);
  m.AddPlayer("d", scNone, 0);
  m.DeletePlayer(2);
  EXPECT_EQ(m.GetOpponent(), 1u) << "an entry after the opponent";
  EXPECT_THROW(m.DeletePlayer(2), ERangeError);
  EXPECT_THROW(m.PlayerName(0), ERangeError);
  EXPECT_THROW(m.AddPlayer("e", 4, 0), ERangeError);
  EXPECT_THROW(m.AddPlayer("e", scNone, 1), ERangeError);
  EXPECT_THROW(m.SetEloType(4), ERangeError);
  EXPECT_EQ(m.PlayerCount(), 1) << "refused adds leave no entry";
}

TEST(SearchMaskTest, IsEmptyAndAssign) {
  GameSearchMaskO m;
  m.SetOpponent(2);
  m.SetIgnoreColors(false);
  EXPECT_TRUE(m.IsEmpty()) << "opponent and colours do not count";
  m.SetSearchTxts(true);
  EXPECT_FALSE(m.IsEmpty());
  EXPECT_TRUE(m.NeedsMoveScan());
  m.SetSearchTxts(false);
  m.SetSearchElo(true);
  EXPECT_FALSE(m.IsEmpty());
  EXPECT_FALSE(m.NeedsMoveScan());
  m.SetSearchElo(false);
  m.AddAnnotator("Kee", true, false);
  EXPECT_FALSE(m.IsEmpty());

  GameSearchMaskO copy;
  ASSERT_TRUE(m.LoadFromIni(kFull));
  copy.Assign(m);
  m.SetPlayerColour(1, scBlack);
  m.SetEventSiteNot(1, false);
  m.DeleteAnnotator(1);
  m.SetEcoLo("C00");
  EXPECT_EQ(copy.PlayerColour(1), scWhite);
  EXPECT_TRUE(copy.EventSiteNot(1));
  EXPECT_EQ(copy.AnnotatorCount(), 1);
  EXPECT_EQ(copy.GetEcoLo(), "B20");
  EXPECT_EQ(copy.GetOpponent(), 2u);
  copy.Assign(copy);
  EXPECT_EQ(copy.PlayerCount(), 2);
}
