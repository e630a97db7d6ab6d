// The game header and the vocabulary around it: tags and their order, the
// result code, the pseudo-tags, dates, ECO codes, NAG texts and info lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestUtil.h"
#include "chess/InfoMan.h"
#include "foundation/CommonText.h"
#include "platform/Errors.h"

namespace {

std::vector<std::string> Items(const StrListO &l) {
  std::vector<std::string> v;
  for (int i = 1; i <= l.Count(); ++i) v.push_back(l.Get(i));
  return v;
}

std::vector<std::string> Names(const GameInfoO &g) {
  std::vector<std::string> v;
  for (int i = 1; i <= g.TagCount(); ++i) v.push_back(g.TagName(i));
  return v;
}

// The built-in Dutch captions (no language file can interfere), back to
// English afterwards.
class DutchCaptions {
 public:
  DutchCaptions() { CommonText::SetUILanguage(LangDutch); }
  ~DutchCaptions() { CommonText::SetUILanguage(LangEnglish); }

 private:
  testutil::TempDir dir_;
  testutil::AppDirGuard guard_{dir_.Path()};
};

TEST(GameInfo, TagsKeepOrderAndAreTrimmed) {
  GameInfoO g;
  EXPECT_EQ(g.TagCount(), 0);
  EXPECT_EQ(g.Result(), resUnknown);
  EXPECT_FALSE(g.Changed());
  g.AddTag(" Event ", "  Open  ");
  g.AddTag("Site", "Utrecht");
  g.InsertTag(1, "Source", "x");
  g.InsertTag(4, "Round", "3");  // one past the end appends
  EXPECT_EQ(Names(g), (std::vector<std::string>{"Source", "Event", "Site", "Round"}));
  EXPECT_EQ(g.TagValue(2), "Open");
  EXPECT_EQ(g.IndexOfTag("Event"), 2);
  EXPECT_EQ(g.IndexOfTag("event"), 0);  // names match exactly
  EXPECT_TRUE(g.HasTag("Site"));
  EXPECT_EQ(g.GetTag("Annotator"), "");
  g.SetTag("Site", " Delft ");
  g.SetTag("Annotator", "Bakker");
  EXPECT_EQ(g.GetTag("Site"), "Delft");
  EXPECT_EQ(g.TagCount(), 5);
  g.RemoveTag("Source");
  g.RemoveTag("NoSuchTag");
  g.DeleteTag(g.TagCount());
  EXPECT_EQ(Names(g), (std::vector<std::string>{"Event", "Site", "Round"}));
  g.Init();
  EXPECT_EQ(g.TagCount(), 0);
  EXPECT_FALSE(g.Changed());
}

TEST(GameInfo, BadIndexesAreRangeErrorsAndChangeNothing) {
  GameInfoO g;
  g.AddTag("Event", "E");
  g.SetChanged(false);
  EXPECT_THROW(g.TagName(0), ERangeError);
  EXPECT_THROW(g.TagValue(2), ERangeError);
  EXPECT_THROW(g.SetTagValue(2, "x"), ERangeError);
  EXPECT_THROW(g.DeleteTag(0), ERangeError);
  EXPECT_THROW(g.InsertTag(3, "Site", "S"), ERangeError);
  EXPECT_THROW(g.InsertTag(0, "Site", "S"), ERangeError);
  EXPECT_THROW(g.SetResult(4), ERangeError);
  EXPECT_EQ(Names(g), std::vector<std::string>{"Event"});
  EXPECT_EQ(g.Result(), resUnknown);
  EXPECT_FALSE(g.Changed());
}

TEST(GameInfo, AtMost65535Tags) {
  GameInfoO g;
  for (int i = 0; i < GameInfoO::kMaxTags; ++i) g.AddTag("T", "v");
  EXPECT_EQ(g.TagCount(), 65535);
  EXPECT_THROW(g.AddTag("One", "too many"), ERangeError);
  EXPECT_THROW(g.InsertTag(1, "One", "too many"), ERangeError);
  EXPECT_EQ(g.TagCount(), 65535);
  EXPECT_EQ(g.TagName(1), "T");
}

TEST(GameInfo, ResultTagSetsTheCode) {
  GameInfoO g;
  g.AddTag("Result", "1-0");
  EXPECT_EQ(g.Result(), resWhiteWins);
  g.SetTag("Result", "1/2-1/2");
  EXPECT_EQ(g.Result(), resDraw);
  g.SetTag("result", "0-1");  // another tag: the code stays
  EXPECT_EQ(g.Result(), resDraw);
  g.SetTagValue(1, "draw");  // not a result text: the code stays
  EXPECT_EQ(g.Result(), resDraw);
  g.InsertTag(1, "Result", " 0-1 ");
  EXPECT_EQ(g.Result(), resBlackWins);
  g.SetTagValue(1, "*");
  EXPECT_EQ(g.Result(), resUnknown);
  // The code alone does not touch the tag.
  g.SetResult(resWhiteWins);
  EXPECT_EQ(g.GetTag("Result"), "*");

  std::uint8_t code = 9;
  EXPECT_FALSE(ResultFromText("1-1", code));
  EXPECT_EQ(code, 9);
  EXPECT_TRUE(ResultFromText("1/2-1/2", code));
  EXPECT_EQ(code, resDraw);
  EXPECT_EQ(ResultText(resBlackWins), "0-1");
  EXPECT_EQ(ResultText(7), "*");
}

TEST(GameInfo, ChangedFlag) {
  GameInfoO g;
  g.AddTag("Event", "E");
  EXPECT_TRUE(g.Changed());
  g.SetChanged(false);
  g.SetTagValue(1, " E ");  // the same after trimming
  g.SetGameNr(0);
  g.SetResult(resUnknown);
  EXPECT_FALSE(g.Changed());
  g.SetGameNr(12);
  EXPECT_TRUE(g.Changed());
  g.SetChanged(false);
  g.SetResult(resDraw);
  EXPECT_TRUE(g.Changed());
  g.SetChanged(false);
  g.SetTagValue(1, "F");
  EXPECT_TRUE(g.Changed());

  GameInfoO copy;
  copy.AddTag("Old", "o");
  copy.SetChanged(false);
  copy.Assign(g);
  EXPECT_TRUE(copy.Changed());
  EXPECT_EQ(Names(copy), std::vector<std::string>{"Event"});
  EXPECT_EQ(copy.Result(), resDraw);
  EXPECT_EQ(copy.GameNr(), 12u);
  copy.Assign(copy);
  EXPECT_EQ(copy.TagCount(), 1);

  GameInfoO tagsOnly;
  tagsOnly.SetGameNr(3);
  tagsOnly.AssignTags(g);
  EXPECT_EQ(tagsOnly.GetTag("Event"), "F");
  EXPECT_EQ(tagsOnly.GameNr(), 3u);
  EXPECT_EQ(tagsOnly.Result(), resUnknown);
}

TEST(GameInfo, TidyTagsDropsEmptyAndUnknownValues) {
  GameInfoO g;
  g.AddTag("Event", "");
  g.AddTag("Round", "?");
  g.AddTag("Date", "????.??.??");
  g.AddTag("EventDate", "1999.??.??");
  g.AddTag("Site", "?x");
  g.AddTag("Board", ".");
  g.AddTag("Annotator", "???");
  g.AddTag("White", "Jansen");
  g.TidyTags();
  EXPECT_EQ(Names(g), (std::vector<std::string>{"EventDate", "Site", "Board", "White"}));
}

TEST(GameInfo, SortTagsFollowsTheStandardOrder) {
  GameInfoO g;
  g.AddTag("Mode", "OTB");
  g.AddTag("Event", "E");
  g.AddTag("Source", "s");
  g.AddTag("Result", "1-0");
  g.AddTag("White", "W");
  g.AddTag("QVFlags", "000000");
  g.AddTag("Date", "2001.01.01");
  g.AddTag("Site", "S");
  g.SortTags();
  EXPECT_EQ(Names(g), (std::vector<std::string>{"Source", "QVFlags", "Event", "Site", "Date", "White",
                                                "Result", "Mode"}));
}

TEST(GameInfo, PseudoTags) {
  GameInfoO g;
  EXPECT_EQ(g.NrOfMoves(), 0);
  g.SetTag("QVNrOfMoves", "42");
  EXPECT_EQ(g.NrOfMoves(), 42);
  g.SetTag("QVNrOfMoves", "4x");
  EXPECT_EQ(g.NrOfMoves(), 0);
  g.SetTag("QVNrOfMoves", "99999999999");
  EXPECT_EQ(g.NrOfMoves(), 0);

  EXPECT_EQ(g.GetFlags(), GameFlagSet{});
  g.SetTag("QVFlags", "101");
  EXPECT_EQ(g.GetFlags(), (GameFlagSet{true, false, true, false, false, false}));
  g.SetFlags({false, true, false, true, true, false});
  EXPECT_EQ(g.GetTag("QVFlags"), "010110");
  EXPECT_EQ(g.GetFlags(), (GameFlagSet{false, true, false, true, true, false}));
  EXPECT_EQ(g.IndexOfTag("QVFlags"), 2);
}

TEST(Dates, Parse) {
  struct Case {
    const char *text;
    bool ok;
    int y, m, d;
  } cases[] = {
      {"1999.05.12", true, 1999, 5, 12},
      {" 1999.05.?? ", true, 1999, 5, 0},
      {"1999.??.??", true, 1999, 0, 0},
      {"????.??.??", false, 0, 0, 0},
      {"????.05.12", false, 0, 5, 12},
      {"1999", true, 1999, 0, 0},
      {"????", false, 0, 0, 0},
      {"1999.05", true, 1999, 5, 0},
      {"1999.??", false, 1999, 0, 0},
      {"1999.5", false, 0, 0, 0},
      {"1999-05-12", false, 0, 0, 0},
      {"19x9.05.12", false, 0, 0, 0},
      {"1999.0?.12", false, 0, 0, 0},
      {"", false, 0, 0, 0},
      {"99", false, 0, 0, 0},
  };
  for (const Case &c : cases) {
    int y = -1, m = -1, d = -1;
    EXPECT_EQ(ParseDate(c.text, y, m, d), c.ok) << c.text;
    EXPECT_EQ(y, c.y) << c.text;
    EXPECT_EQ(m, c.m) << c.text;
    EXPECT_EQ(d, c.d) << c.text;
  }
}

TEST(Dates, FormatAndNormalise) {
  EXPECT_EQ(FormatDate(12, 5, 1999, true), "1999.05.12");
  EXPECT_EQ(FormatDate(0, 0, 0, true), "????.??.??");
  EXPECT_EQ(FormatDate(3, 0, 812, true), "0812.??.03");
  EXPECT_EQ(FormatDate(12, 5, 1999, false), "1999.05.12");
  EXPECT_EQ(FormatDate(0, 5, 1999, false), "1999.05");
  EXPECT_EQ(FormatDate(0, 0, 1999, false), "1999");
  EXPECT_EQ(FormatDate(5, 0, 1999, false), "1999.??.05");  // not read as May
  EXPECT_EQ(FormatDate(5, 5, 0, false), "?");
  EXPECT_EQ(NormaliseDate("1999.05.??"), "1999.05");
  EXPECT_EQ(NormaliseDate("????.??.??"), "?");
  EXPECT_EQ(NormaliseDate("1999.??.??"), "1999");
  EXPECT_EQ(NormaliseDate("2003.11.09"), "2003.11.09");
  EXPECT_EQ(NormaliseDate("garbage"), "?");
}

TEST(Eco, Parse) {
  char l = 'x';
  int n = -1, s = -1;
  EXPECT_TRUE(ParseEco("B12", l, n, s));
  EXPECT_EQ(l, 'B');
  EXPECT_EQ(n, 12);
  EXPECT_EQ(s, 0);
  EXPECT_TRUE(ParseEco("E97/03", l, n, s));
  EXPECT_EQ(l, 'E');
  EXPECT_EQ(n, 97);
  EXPECT_EQ(s, 3);
  for (const char *bad : {"F12", "b12", "B1x", "B123", "B12/3", "B12/0x", "B", "", "A00/001"}) {
    l = 'x';
    n = s = -1;
    EXPECT_FALSE(ParseEco(bad, l, n, s)) << bad;
    EXPECT_EQ(l, 'x') << bad;
    EXPECT_EQ(n, -1) << bad;
  }
}

TEST(Vocabulary, StandardTags) {
  EXPECT_EQ(StandardTagCount, 36);
  EXPECT_EQ(TagIdFromName("Event"), tagEvent);
  EXPECT_EQ(TagIdFromName("Mode"), tagMode);
  EXPECT_EQ(TagIdFromName("EventSponsor"), 19);
  EXPECT_EQ(TagIdFromName("event"), tagUnknown);
  EXPECT_EQ(TagIdFromName("Unknown"), tagUnknown);
  EXPECT_EQ(TagIdFromName("PlyCount"), tagUnknown);
  for (int id = 1; id <= StandardTagCount; ++id) {
    EXPECT_EQ(TagIdFromName(StandardTagName(id)), id);
    EXPECT_EQ(TagCaption(id), StandardTagName(id));  // English captions are the names
  }
  EXPECT_EQ(StandardTagName(tagUnknown), "Unknown");
  EXPECT_THROW(StandardTagName(37), ERangeError);
  EXPECT_THROW(TagCaption(-1), ERangeError);
  EXPECT_EQ(TagNameToCaption("Source", LangEnglish), "Source");
}

TEST(Vocabulary, CaptionsFollowTheLanguage) {
  DutchCaptions dutch;
  EXPECT_EQ(TagCaption(tagEvent), "Evenement");
  EXPECT_EQ(TagDisplayName(tagWhiteElo, LangDutch), "Elo wit");
  EXPECT_EQ(TagDisplayName(tagWhiteElo, LangDefault), "WhiteElo");
  EXPECT_EQ(TagNameToCaption("Site", LangDutch), "Plaats");
  EXPECT_EQ(TagNameToCaption("Site", LangDefault), "Site");
  EXPECT_EQ(TagNameToCaption("Source", LangDutch), "Source");
  EXPECT_EQ(NagText(200), "Nieuwtje");
}

TEST(Vocabulary, Nags) {
  EXPECT_EQ(MaxNag, 220);
  EXPECT_EQ(NagText(0), "Null annotation");
  EXPECT_EQ(NagText(1), "Good move (traditional \"!\")");
  EXPECT_EQ(NagText(20), "White has a crushing advantage (Black should resign)");
  EXPECT_EQ(NagText(139), "Black has severe time control pressure");
  EXPECT_EQ(NagText(206), "Aimed against");
  EXPECT_EQ(NagText(220), "Diagram");
  for (int n : {-1, 140, 199, 207, 219, 221, 1000}) {
    EXPECT_EQ(NagText(n), "") << n;
    EXPECT_FALSE(NagHasText(n)) << n;
  }
  int withText = 0;
  for (int n = 0; n <= MaxNag; ++n) withText += NagHasText(n);
  EXPECT_EQ(withText, 148);

  const char *symbols[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(NagFromSymbol(symbols[i]), i + 1);
  for (const char *other : {"", "!!!", "+-", "=", " !", "$1"}) EXPECT_EQ(NagFromSymbol(other), 0) << other;
}

TEST(GameInfo, TagLine) {
  GameInfoO g;
  g.AddTag("Event", "Open");
  g.AddTag("Source", "Archief");
  EXPECT_EQ(Items(g.TagLine(LangDefault)),
            (std::vector<std::string>{"[Event \"Open\"]", "[Source \"Archief\"]"}));
  EXPECT_EQ(Items(g.TagLine(LangSymbolic)), Items(g.TagLine(LangDefault)));
  DutchCaptions dutch;
  EXPECT_EQ(Items(g.TagLine(LangDutch)),
            (std::vector<std::string>{"[Evenement \"Open\"]", "[Source \"Archief\"]"}));
}

TEST(GameInfo, InfoLine) {
  GameInfoO g;
  g.AddTag("Event", "Open");
  g.AddTag("Site", "Delft");
  g.AddTag("Date", "1999.05.??");
  g.AddTag("White", "Jansen");
  g.AddTag("Black", "de Vries");
  g.AddTag("WhiteElo", "2210");
  g.AddTag("ECO", "B12");
  g.AddTag("PlyCount", "3");
  g.AddTag("QVNrOfMoves", "7");
  std::vector<std::string> keys = {"date",        "nrofmoves",   "players", "playersandelo",
                                   "whiteandelo", "blackandelo", "gamenr",  "nosuch",
                                   "eco",         "blackelo",    "event"};
  EXPECT_EQ(Items(g.InfoLine(keys, false)),
            (std::vector<std::string>{"1999.05", "2", "Jansen - de Vries", "Jansen (2210) - de Vries",
                                      "Jansen (2210)", "de Vries", "", "B12", "", "Open"}));
  g.SetGameNr(17);
  EXPECT_EQ(Items(g.InfoLine({"gamenr"}, false)), std::vector<std::string>{"17"});
  EXPECT_EQ(Items(g.InfoLine({"date", "nrofmoves", "gamenr", "playersandelo", "blackandelo"}, true)),
            (std::vector<std::string>{"[Date \"1999.05\"]", "[NrOfMoves \"2\"]",
                                      "[Players \"Jansen (2210) - de Vries\"]", "[Black \"de Vries\"]"}));
  // Without PlyCount the stored move count; a negative count shows nothing.
  g.RemoveTag("PlyCount");
  EXPECT_EQ(Items(g.InfoLine({"nrofmoves"}, false)), std::vector<std::string>{"7"});
  g.SetTag("PlyCount", "-4");
  EXPECT_EQ(Items(g.InfoLine({"nrofmoves"}, false)), std::vector<std::string>{""});
  g.SetTag("PlyCount", "2147483647");
  EXPECT_EQ(Items(g.InfoLine({"nrofmoves"}, false)), std::vector<std::string>{"1073741824"});
}

}  // namespace
