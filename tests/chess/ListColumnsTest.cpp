// Column layouts of the list windows, their settings-file form, and the row
// records of the name-list and tree-move windows.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TestUtil.h"
#include "chess/InfoMan.h"
#include "chess/PGNTypes.h"
#include "foundation/CommonText.h"
#include "platform/Errors.h"

namespace {

using Strings = std::vector<std::string>;

template <class F>
auto Collect(int n, F f) {
  std::vector<decltype(f(1))> v;
  for (int i = 1; i <= n; ++i) v.push_back(f(i));
  return v;
}
Strings Items(const StrListO &l) {
  return Collect(l.Count(), [&](int i) { return l.Get(i); });
}
Strings SelectedKeys(const ListColumnsO &c) {
  return Collect(c.Count(), [&](int i) { return c.ColumnKey(i); });
}
std::vector<int> Widths(const ListColumnsO &c) {
  return Collect(c.Count(), [&](int i) { return c.ColumnWidth(i); });
}
Strings AvailableKeys(const ListColumnsO &c) {
  return Collect(c.AvailableCount(), [&](int j) { return c.AvailableKey(j); });
}

std::unique_ptr<ListColumnsO> MakeKind(int kind) {
  switch (kind) {
    case 0:
      return std::make_unique<ListColumnsO>();
    case 1:
      return std::make_unique<PlayerColumnsO>();
    case 2:
      return std::make_unique<EventSiteColumnsO>();
    case 3:
      return std::make_unique<AnnotatorColumnsO>();
    default:
      return std::make_unique<MoveColumnsO>();
  }
}

// Built-in captions only (no language file in the program directory).
class ColumnCaptions : public ::testing::Test {
 protected:
  ~ColumnCaptions() override { CommonText::SetUILanguage(LangEnglish); }
  testutil::TempDir dir_;
  testutil::AppDirGuard guard_{dir_.Path()};
};

TEST(ColumnKinds, NamesRoundTripCaseSensitively) {
  for (int k = 0; k < ColumnKindCount; ++k) EXPECT_EQ(ColumnKindFromName(ColumnKindName(k)), k);
  EXPECT_EQ(ColumnKindFromName("ECO"), ckECO);
  EXPECT_EQ(ColumnKindFromName("eco"), ckNone);
  EXPECT_EQ(ColumnKindFromName(""), ckNone);
  EXPECT_EQ(ColumnKindName(ckMoveDrawCount), "MoveDrawCount");
  for (int k : {-1, 25, 99, 255}) EXPECT_EQ(ColumnKindName(k), "None");
  const Strings tagged{"",         "Site",   "Event", "White", "Black", "WhiteElo",
                       "BlackElo", "Result", "Round", "Date",  "",      "ECO"};
  for (int k = -1; k <= 99; ++k)
    EXPECT_EQ(ColumnTagName(k), k >= 0 && k < int(tagged.size()) ? tagged[k] : "") << k;
}

// "key kind caption|title" of every available column, in index order.
Strings Vocabulary(const ListColumnsO &c) {
  return Collect(c.AvailableCount(), [&](int j) {
    return c.AvailableKey(j) + " " + std::to_string(c.AvailableKind(j)) + " " + c.AvailableCaption(j) + "|" +
           c.AvailableTitle(j);
  });
}

TEST_F(ColumnCaptions, VocabularyOfEachKind) {
  const Strings expect[] = {
      {"site 1 Site|Site", "event 2 Event|Event", "date 9 Date|Date", "round 8 Round|Rd",
       "white 3 White|White", "black 4 Black|Black", "result 7 Result|Result", "whiteelo 5 White Elo|Elo",
       "blackelo 6 Black Elo|Elo", "nrofmoves 10 Nr of Moves|M", "gamenr 12 Game Nr|Nr", "eco 11 ECO|ECO",
       "players 3 Players|Players", "playersandelo 3 Players and Elo|Players",
       "whiteandelo 3 White and Elo|White", "blackandelo 3 Black and Elo|Black"},
      {"playername 13 Player Name|Name", "playernr 14 Player Nr|Nr"},
      {"eventsitename 15 EventSite Name|EventSite", "eventsitenr 16 EventSite Nr|Nr"},
      {"annotatorname 17 Annotator Name|Annotator", "annotatornr 18 Annotator Nr|Nr"},
      {"movenr 19 Nr|Nr", "move 20 Move|Move", "movetotalcount 21 Total nr of games|#",
       "movewhitecount 22 Nr of games won by White|1-0", "movedrawcount 24 Nr of games drawn|1/2",
       "moveblackcount 23 Nr of games won by Black|0-1"},
  };
  for (int k = 0; k <= 4; ++k) {
    auto c = MakeKind(k);
    EXPECT_EQ(c->Language(), LangEnglish);
    EXPECT_EQ(c->Count(), 0);
    EXPECT_EQ(Vocabulary(*c), expect[k]);
    for (int j = 1; j <= c->AvailableCount(); ++j) {
      EXPECT_EQ(c->IndexOfKey(c->AvailableKey(j)), j);
      EXPECT_EQ(c->KindOfKey(c->AvailableKey(j)), c->AvailableKind(j));
    }
  }
  ListColumnsO games;
  EXPECT_EQ(games.IndexOfKey("GameNr"), 0);
  EXPECT_EQ(games.KindOfKey("GameNr"), ckNone);
}

TEST(ListColumns, DefaultSelections) {
  const std::pair<Strings, std::vector<int>> expect[] = {
      {{"gamenr", "whiteandelo", "blackandelo", "result", "date", "event", "site", "eco", "nrofmoves",
        "round"},
       {37, 115, 115, 58, 73, 77, 95, 50, 31, 50}},
      {{"playernr", "playername"}, {50, 150}},
      {{"eventsitenr", "eventsitename"}, {50, 150}},
      {{"annotatornr", "annotatorname"}, {50, 150}},
      {{"movenr", "move", "movetotalcount", "movewhitecount", "moveblackcount"}, {36, 47, 55, 55, 55}},
  };
  for (int k = 0; k <= 4; ++k) {
    auto c = MakeKind(k);
    c->AddColumn(1, 0);
    c->SetDefaultColumns();  // replaces what was selected
    EXPECT_EQ(SelectedKeys(*c), expect[k].first) << k;
    EXPECT_EQ(Widths(*c), expect[k].second) << k;
    for (int i = 1; i <= c->Count(); ++i) {
      EXPECT_EQ(c->IndexOfColumn(c->ColumnIndex(i)), i);
      EXPECT_EQ(c->ColumnTitle(i), c->AvailableTitle(c->ColumnIndex(i)));
    }
    c->Done();
    EXPECT_EQ(c->AvailableCount(), 0);
    EXPECT_EQ(c->Count(), 0);
  }
  MoveColumnsO moves;
  moves.SetDefaultColumns();
  EXPECT_EQ(moves.IndexOfColumn(moves.IndexOfKey("movedrawcount")), 0);
}

TEST(ListColumns, WidthsAndRangeErrors) {
  ListColumnsO c;
  c.AddColumnByKey("white", 0);
  c.AddColumn(c.IndexOfKey("eco"), 65535);
  EXPECT_EQ(c.ColumnWidth(1), 50);
  c.SetColumnWidth(1, 80);
  EXPECT_EQ(Widths(c), (std::vector<int>{80, 65535}));
  c.SetColumnWidth(1, 0);
  EXPECT_EQ(c.ColumnWidth(1), 50);

  // Refused calls change nothing.
  EXPECT_THROW(c.SetColumnWidth(1, 65536), ERangeError);
  EXPECT_THROW(c.SetColumnWidth(1, -1), ERangeError);
  EXPECT_THROW(c.AddColumn(0, 0), ERangeError);
  EXPECT_THROW(c.AddColumn(c.AvailableCount() + 1, 0), ERangeError);
  EXPECT_THROW(c.AddColumn(1, 65536), ERangeError);
  EXPECT_THROW(c.AddColumnByKey("White", 0), ERangeError);
  EXPECT_THROW(c.ColumnKey(0), ERangeError);
  EXPECT_THROW(c.ColumnWidth(65536), ERangeError);
  EXPECT_EQ(SelectedKeys(c), (Strings{"white", "eco"}));
  EXPECT_EQ(c.ColumnKey(3), "eco");  // beyond the count: the last one
  EXPECT_EQ(c.IndexOfColumn(c.IndexOfKey("site")), 0);
}

TEST_F(ColumnCaptions, LanguageFollowsTheCaptionsAndAssignCopies) {
  ListColumnsO games;
  games.SetDefaultColumns();
  games.SetColumnWidth(2, 200);
  CommonText::SetUILanguage(LangDutch);
  games.SetLanguage(LangDutch);
  EXPECT_EQ(games.Language(), LangDutch);
  EXPECT_EQ(games.AvailableCaption(1), "Plaats");
  EXPECT_EQ(games.ColumnTitle(10), "Rd");
  EXPECT_EQ(games.ColumnCaption(10), "Ronde");
  EXPECT_EQ(games.KindOfKey("site"), ckSite);
  EXPECT_EQ(games.AvailableCount(), 16);
  EXPECT_EQ(games.ColumnKey(1), "gamenr");  // the selection stays

  ListColumnsO copy;
  copy.AddColumnByKey("players", 10);
  copy.Assign(games);
  EXPECT_EQ(copy.Language(), LangDutch);
  EXPECT_EQ(copy.AvailableTitle(1), "Plaats");
  EXPECT_EQ(SelectedKeys(copy), SelectedKeys(games));
  EXPECT_EQ(Widths(copy), Widths(games));

  copy.Assign(copy);
  EXPECT_EQ(SelectedKeys(copy), SelectedKeys(games));
  EXPECT_EQ(Widths(copy), Widths(games));

  // A source selecting a column this kind lacks is refused whole.
  PlayerColumnsO players;
  players.SetDefaultColumns();
  EXPECT_THROW(players.Assign(games), ERangeError);
  EXPECT_EQ(SelectedKeys(players), (Strings{"playernr", "playername"}));
  EXPECT_EQ(players.Language(), LangEnglish);
}

class ColumnsIni : public ::testing::Test {
 protected:
  std::string Load(ListColumnsO &c, const std::string &text) {
    dir_.Write("t.ini", text);
    c.LoadFromIni(dir_.File("t.ini"), "LineOptions");
    return dir_.Read("t.ini");
  }
  testutil::TempDir dir_;
};

TEST_F(ColumnsIni, LoadTakesOfferedKeysUpToTheFirstGap) {
  ListColumnsO c;
  c.SetDefaultColumns();
  c.SetLanguage(LangDutch);
  Load(c, "[LineOptions]\r\nOption1=gamenr\r\nOption2=xyz\r\noption3=white\r\n");
  EXPECT_EQ(SelectedKeys(c), (Strings{"gamenr", "white"}));
  EXPECT_EQ(Widths(c), (std::vector<int>{50, 50}));
  EXPECT_EQ(c.Language(), LangEnglish);

  Load(c, "[lineoptions]\nOption1=black\nOption3=white\n");
  EXPECT_EQ(SelectedKeys(c), (Strings{"black"}));

  // Nothing offered, nothing there: the layout stays.
  const std::string none = "[LineOptions]\nOption1=White\nOption2=playername\nOption3=?\nOption4=eco\n";
  EXPECT_EQ(Load(c, none), none);
  EXPECT_EQ(SelectedKeys(c), (Strings{"black"}));
  Load(c, "[Other]\nOption1=eco\n");
  Load(c, "");
  EXPECT_EQ(SelectedKeys(c), (Strings{"black"}));
}

TEST_F(ColumnsIni, SaveReplacesTheSectionAndEveryKindRoundTrips) {
  dir_.Write("t.ini",
             "[A]\r\nx=1\r\n[LineOptions]\r\nOption1=site\r\nOption2=date\r\nOption3=eco\r\nW=3\r\n");
  ListColumnsO c;
  c.AddColumnByKey("playersandelo", 120);
  c.AddColumnByKey("gamenr", 0);
  c.SaveToIni(dir_.File("t.ini"), "lineoptions");
  EXPECT_EQ(dir_.Read("t.ini"),
            "[A]\r\nx=1\r\n\r\n[lineoptions]\r\nOption1=playersandelo\r\nOption2=gamenr\r\n");

  for (int k = 0; k <= 4; ++k) {
    auto saved = MakeKind(k), loaded = MakeKind(k);
    saved->SetDefaultColumns();
    saved->SetColumnWidth(1, 99);
    loaded->AddColumn(1, 5);
    const std::string section = "Kind" + std::to_string(k);
    saved->SaveToIni(dir_.File("round.ini"), section);
    loaded->LoadFromIni(dir_.File("round.ini"), section);
    EXPECT_EQ(SelectedKeys(*loaded), SelectedKeys(*saved)) << k;
    EXPECT_EQ(Widths(*loaded), std::vector<int>(saved->Count(), 50)) << k;
  }
  PlayerColumnsO one, back;
  one.AddColumnByKey("playername", 0);
  back.SetDefaultColumns();
  one.SaveToIni(dir_.File("p.ini"), "PlayerLineOptions");
  back.LoadFromIni(dir_.File("p.ini"), "PlayerLineOptions");
  EXPECT_EQ(SelectedKeys(back), (Strings{"playername"}));
}

TEST(RowRecords, TextsFollowTheSelectionAndSkipForeignKeys) {
  PlayerColumnsO players;
  players.SetDefaultColumns();
  PlayerInfoO p;
  p.SetName("Euwe, M.");
  p.SetNr(-7);
  EXPECT_EQ(Items(p.RowTexts(players)), (Strings{"-7", "Euwe, M."}));
  EventSiteInfoO e;
  e.SetName("Hoogovens");
  e.SetNr(2147483647);
  EXPECT_EQ(Items(e.RowTexts(players)), Strings{});
  EventSiteColumnsO events;
  events.AddColumnByKey("eventsitename", 0);
  events.AddColumnByKey("eventsitenr", 0);
  events.AddColumnByKey("eventsitename", 0);
  EXPECT_EQ(Items(e.RowTexts(events)), (Strings{"Hoogovens", "2147483647", "Hoogovens"}));
  AnnotatorInfoO a;
  a.SetName("Timman");
  a.SetNr(3);
  AnnotatorColumnsO annotators;
  annotators.SetDefaultColumns();
  EXPECT_EQ(Items(a.RowTexts(annotators)), (Strings{"3", "Timman"}));
  EXPECT_EQ(Items(a.RowTexts(events)), Strings{});
  a.Init();
  EXPECT_EQ(Items(a.RowTexts(annotators)), (Strings{"0", ""}));

  MoveInfoO m;
  m.SetMove("e4");
  m.SetMoveNr(1);
  m.SetTotalCount(10);
  m.SetWhiteCount(4);
  m.SetBlackCount(3);
  EXPECT_EQ(m.GetDrawCount(), 3);
  MoveColumnsO moves;
  for (int j = moves.AvailableCount(); j >= 1; --j) moves.AddColumn(j, 0);
  EXPECT_EQ(Items(m.RowTexts(moves)), (Strings{"3", "3", "4", "10", "e4", "1"}));
  EXPECT_EQ(Items(m.RowTexts(players)), Strings{});
  EXPECT_EQ(Items(p.RowTexts(moves)), Strings{});
  m.SetTotalCount(INT_MIN);
  EXPECT_THROW(m.GetDrawCount(), ERangeError);
  m.SetTotalCount(INT_MAX);
  m.SetWhiteCount(-4);
  EXPECT_THROW(m.RowTexts(moves), ERangeError);
}

TEST(RowRecords, GameKeysAgreeWithTheInfoLine) {
  GameInfoO g;
  g.AddTag("White", "Euwe");
  g.AddTag("WhiteElo", "2500");
  g.AddTag("Date", "1935.10.03");
  g.SetGameNr(12);
  ListColumnsO games;
  const Strings keys = AvailableKeys(games);
  EXPECT_EQ(g.InfoLine(keys, false).Count(), games.AvailableCount());
  games.SetDefaultColumns();
  const StrListO line = g.InfoLine(SelectedKeys(games), false);
  ASSERT_EQ(line.Count(), games.Count());
  EXPECT_EQ(line.Get(1), "12");
  EXPECT_EQ(line.Get(2), "Euwe (2500)");
  EXPECT_EQ(line.Get(5), "1935.10.03");
}

}  // namespace
