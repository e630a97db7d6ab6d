// List views: the rows of a found list, their sort keys, and the game and
// name lists of an open database.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "TestUtil.h"
#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseManLists.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/Win1252.h"

namespace {

// Rows in order as (key, nr) pairs.
std::vector<std::pair<std::string, int32_t>> RowsOf(const ListRowsO &rows) {
  std::vector<std::pair<std::string, int32_t>> out;
  for (int32_t i = 1; i <= rows.Count(); ++i) out.emplace_back(rows.Key(i), rows.Nr(i));
  return out;
}

bool OrderedByFold(const ListRowsO &rows) {
  for (int32_t i = 2; i <= rows.Count(); ++i)
    if (win1252::CompareText(rows.Key(i - 1), rows.Key(i)) > 0) return false;
  return true;
}

// Keys that fold together ("anna", "ANNA", accented capitals) and some that
// do not, so equal keys come often.
const char *const kKeys[] = {"anna", "ANNA", "Anna", "\xE9mile", "\xC9MILE", "zoe", "Zo\xEB", "", "b", "B"};

}  // namespace

// Rows added while sorting is on stand at their key's place; the same rows
// appended and sorted in one go give the same order of keys. Every row is
// kept, equal keys included.
TEST(ListRowsTest, SortedInsertAndBulkSortKeepEveryRow) {
  std::mt19937 rng(35);
  for (int round = 0; round < 30; ++round) {
    ListRowsO live, bulk;
    live.SetSorted(true);
    std::vector<std::pair<std::string, int32_t>> added;
    const int n = static_cast<int>(rng() % 200);
    for (int k = 0; k < n; ++k) {
      std::string key = kKeys[rng() % std::size(kKeys)];
      const auto nr = static_cast<int32_t>(rng() % 50 + 1);
      added.emplace_back(key, nr);
      live.Add(key, nr);
      bulk.Add(key, nr);
    }
    EXPECT_EQ(RowsOf(bulk), added) << "sorting off appends";
    bulk.SetSorted(true);
    ASSERT_EQ(live.Count(), n);
    ASSERT_EQ(bulk.Count(), n);
    EXPECT_TRUE(OrderedByFold(live));
    EXPECT_TRUE(OrderedByFold(bulk));
    auto a = RowsOf(live), b = RowsOf(bulk);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    std::sort(added.begin(), added.end());
    EXPECT_EQ(a, added);
    EXPECT_EQ(b, added);
  }
}

TEST(ListRowsTest, IndexOfRemoveAndRange) {
  ListRowsO rows;
  rows.Add("x", 7);
  rows.Add("y", 3);
  rows.Add("z", 7);
  EXPECT_EQ(rows.IndexOf(7), 1);
  EXPECT_EQ(rows.IndexOf(3), 2);
  EXPECT_EQ(rows.IndexOf(4), 0);
  EXPECT_THROW(rows.Nr(0), ERangeError);
  EXPECT_THROW(rows.Key(4), ERangeError);
  rows.Remove(7);
  EXPECT_EQ(RowsOf(rows), (std::vector<std::pair<std::string, int32_t>>{{"y", 3}}));
  rows.SetSorted(true);
  rows.Clear();
  EXPECT_EQ(rows.Count(), 0);
  EXPECT_TRUE(rows.Sorted()) << "emptying keeps the sorting";
}

// Kind 0 and GameNr key the number so that the key order is the number
// order, past a million games too; neither reads the tags.
TEST(ListSortKeyTest, GameNumbersSortInNumberOrder) {
  const int32_t numbers[] = {1, 2, 9, 10, 99999, 100000, 999999, 1000000, 1000001, 12345678, INT32_MAX};
  for (int kind : {int{ckNone}, int{ckGameNr}}) {
    EXPECT_FALSE(GameSortKeyReadsTags(kind));
    for (size_t k = 1; k < std::size(numbers); ++k)
      EXPECT_LT(win1252::CompareText(GameSortKey(kind, numbers[k - 1], nullptr, false),
                                     GameSortKey(kind, numbers[k], nullptr, false)),
                0)
          << kind << ": " << numbers[k - 1] << " before " << numbers[k];
  }
  EXPECT_EQ(GameSortKey(ckNone, 42, nullptr, true), "0000000042");
}

TEST(ListSortKeyTest, TagKeys) {
  GameInfoO g;
  g.AddTag("Event", "Open");
  g.AddTag("Site", "Bern");
  g.AddTag("Date", "1999.05.01");
  g.AddTag("Round", "2");
  g.AddTag("White", "Berg");
  g.AddTag("WhiteElo", "900");
  g.AddTag(kTagNrOfMoves, "7");
  EXPECT_EQ(GameSortKey(ckRound, 1, &g, false), "00002");
  EXPECT_EQ(GameSortKey(ckNrOfMoves, 1, &g, false), "007");
  EXPECT_EQ(GameSortKey(ckDate, 1, &g, false), "1999.05.01");
  EXPECT_EQ(GameSortKey(ckDate, 1, &g, true), "1999.05.01OpenBern02");
  EXPECT_EQ(GameSortKey(ckWhite, 1, &g, true), "Berg");
  // Tag values sort as text: an Elo of 900 after 2500.
  EXPECT_EQ(GameSortKey(ckWhiteElo, 1, &g, false), "900");
  EXPECT_EQ(GameSortKey(ckBlack, 1, &g, false), "");
  EXPECT_EQ(GameSortKey(ckPlayerName, 1, &g, false), "") << "a kind without a tag";
  EXPECT_EQ(GameSortKey(ckRound, 1, nullptr, false), "00000") << "an unreadable game";
}

TEST(ListSortKeyTest, NameKeys) {
  EXPECT_EQ(NameSortKey(ckNone, ckPlayerName, ckPlayerNr, 12, "Berg"), "0000000012");
  EXPECT_EQ(NameSortKey(ckPlayerNr, ckPlayerName, ckPlayerNr, 12, "Berg"), "0000000012");
  EXPECT_EQ(NameSortKey(ckPlayerName, ckPlayerName, ckPlayerNr, 12, "Berg"), "Berg");
  EXPECT_EQ(NameSortKey(ckEventSiteName, ckPlayerName, ckPlayerNr, 12, "Berg"), "?");
  EXPECT_LT(win1252::CompareText(NameSortKey(ckNone, ckPlayerName, ckPlayerNr, 99999, ""),
                                 NameSortKey(ckNone, ckPlayerName, ckPlayerNr, 100000, "")),
            0);
}

// ---- Lists of an open database ----

namespace {

// Names that fold together and apart: accented, differently cased.
const char *const kNames[] = {"Berg, Anna", "berg, anna", "\xC9mile Roux", "\xE9mile Roux", "Zo\xEB Vos",
                              "Zoe Vos",    "Bakker, J",  "\xD6zt\xFCrk", "Ozturk",       "van Dijk"};
const char *const kEvents[] = {"Open", "Cup", "\xC9t\xE9 Open"};
const char *const kSites[] = {"Bern", "Basel"};
const char *const kDates[] = {"1999.05.01", "1999.05.01", "2001.??.??", "1985.12.31", "2010.07.04"};

struct Lists : ::testing::Test {
  testutil::TempDir dir;
  DatabaseO db;
  std::vector<GameInfoO> tags{1};  // tags[n] for game n
  std::vector<int32_t> deleted;

  void SetUp() override {
    bool report = false;
    ASSERT_TRUE(db.Open(dir.File("lists.qcx"), nullptr, nullptr, report));
    std::mt19937 rng(3126);
    auto pick = [&rng](const auto &a) { return std::string(a[rng() % std::size(a)]); };
    for (int k = 1; k <= 300; ++k) {
      GameInfoO g;
      g.AddTag("Event", pick(kEvents));
      g.AddTag("Site", pick(kSites));
      g.AddTag("Date", pick(kDates));
      g.AddTag("Round", std::to_string(rng() % 12 + 1));
      g.AddTag("White", pick(kNames));
      g.AddTag("Black", pick(kNames));
      g.AddTag("Result", "*");
      g.AddTag("WhiteElo", std::to_string(rng() % 1900 + 900));
      if (k % 7 == 0) g.AddTag("Annotator", k % 2 ? "Kee, L" : "Moor, P");
      std::string text;
      for (int t = 1; t <= g.TagCount(); ++t) text += "[" + g.TagName(t) + " \"" + g.TagValue(t) + "\"]\r\n";
      text += "\r\n1. e4 e5 2. Nf3 *\r\n";
      ASSERT_EQ(db.SavePgnText(-1, text), k);
      tags.push_back(*db.GetGameTags(k));
    }
    for (int32_t n : {5, 17, 250}) {
      ASSERT_TRUE(db.DeleteGame(n));
      deleted.push_back(n);
    }
  }

  std::vector<int32_t> Numbers(int s) {
    std::vector<int32_t> out;
    for (int32_t i = 1; i <= db.GameListCount(s); ++i) out.push_back(db.GameListGameNr(s, i));
    return out;
  }
  // A found list of the given games, in this order.
  int Found(const std::vector<int32_t> &games) {
    const int s = db.NewGameList();
    EXPECT_NE(s, 0);
    for (int32_t n : games) db.AddGameToList(s, n);
    return s;
  }
  std::vector<int32_t> Shuffled(int count, unsigned seed) {
    std::vector<int32_t> v;
    for (int32_t n = 1; n <= db.GameCount(); ++n) v.push_back(n);
    std::shuffle(v.begin(), v.end(), std::mt19937(seed));
    v.resize(static_cast<size_t>(count));
    return v;
  }
  static std::vector<int32_t> Sorted(std::vector<int32_t> v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  std::string Tag(int32_t n, const char *name) { return tags[static_cast<size_t>(n)].GetTag(name); }
  // Every consecutive pair of the list's games in order by less-or-equal.
  template <class Before>
  void ExpectOrdered(int s, Before notAfter) {
    const auto v = Numbers(s);
    for (size_t k = 1; k < v.size(); ++k) EXPECT_TRUE(notAfter(v[k - 1], v[k])) << v[k - 1] << " then " << v[k];
  }
};

}  // namespace

TEST_F(Lists, AllGamesListCountsEveryGameAndFollowsTheStore) {
  const int s = db.NewAllGamesList();
  ASSERT_EQ(s, 1);
  const int32_t n = db.GameCount();
  ASSERT_EQ(db.GameListCount(s), 300);
  for (int32_t i = 1; i <= n; ++i) {
    EXPECT_EQ(db.GameListGameNr(s, i), i);
    EXPECT_EQ(db.GameListIsDeleted(s, i), std::count(deleted.begin(), deleted.end(), i) == 1) << i;
  }
  EXPECT_EQ(db.GameListNext(s, 1), 2);
  EXPECT_EQ(db.GameListNext(s, n), 0);
  EXPECT_EQ(db.GameListPrev(s, n), n - 1);
  EXPECT_EQ(db.GameListPrev(s, 1), 0);
  EXPECT_EQ(db.GameListIndexOf(s, 42), 42);
  EXPECT_EQ(db.GameListIndexOf(s, n + 1), 0);
  // Sorting a list for all games changes nothing.
  db.SetGameListSort(s, ckWhite);
  db.SortGameListByColumn(s);
  EXPECT_EQ(db.GameListCount(s), n);
  EXPECT_EQ(db.GameListGameNr(s, 7), 7);
  EXPECT_EQ(db.GameListNext(s, 7), 8);
}

TEST_F(Lists, FoundListNavigation) {
  const int s = Found({40, 12, 99, 12, 7});
  EXPECT_EQ(db.GameListCount(s), 5);
  EXPECT_EQ(db.GameListIndexOf(s, 12), 2) << "the first row holding the game";
  EXPECT_EQ(db.GameListIndexOf(s, 13), 0);
  EXPECT_EQ(db.GameListNext(s, 40), 12);
  EXPECT_EQ(db.GameListNext(s, 7), 0) << "last";
  EXPECT_EQ(db.GameListNext(s, 13), 0) << "absent";
  EXPECT_EQ(db.GameListPrev(s, 99), 12);
  EXPECT_EQ(db.GameListPrev(s, 40), 0) << "first";
  EXPECT_EQ(db.GameListPrev(s, 13), 0) << "absent";
  EXPECT_FALSE(db.GameListIsDeleted(s, 1));
}

TEST_F(Lists, SortingAFoundList) {
  const auto games = Shuffled(200, 1);
  const int s = Found(games);
  auto round = [&](int32_t n) { return std::stoi(Tag(n, "Round")); };

  db.SetGameListSort(s, ckRound);
  EXPECT_EQ(Sorted(Numbers(s)), Sorted(games)) << "every row kept";
  ExpectOrdered(s, [&](int32_t a, int32_t b) { return round(a) <= round(b); });

  db.SetGameListSort(s, ckWhite);
  EXPECT_EQ(Sorted(Numbers(s)), Sorted(games));
  ExpectOrdered(s, [&](int32_t a, int32_t b) { return win1252::CompareText(Tag(a, "White"), Tag(b, "White")) <= 0; });
  // Names that differ only in case or accent case fold together.
  EXPECT_EQ(win1252::CompareText("\xC9mile Roux", "\xE9mile Roux"), 0);

  db.SetGameListSort(s, ckDate);
  ExpectOrdered(s, [&](int32_t a, int32_t b) {
    const int c = win1252::CompareText(Tag(a, "Date"), Tag(b, "Date"));
    if (c != 0) return c < 0;
    auto rest = [&](int32_t n) {
      return Tag(n, "Event") + Tag(n, "Site") + PadLeft(Tag(n, "Round"), 2, '0');
    };
    return win1252::CompareText(rest(a), rest(b)) <= 0;
  });

  for (int kind : {int{ckNone}, int{ckGameNr}}) {
    db.SetGameListSort(s, ckWhite);
    db.SetGameListSort(s, kind);
    EXPECT_EQ(Numbers(s), Sorted(games)) << kind;
  }
}

TEST_F(Lists, RowsAddedWhileSortingIsOnLandAtTheirPlace) {
  const auto games = Shuffled(150, 2);
  const int s = Found(std::vector<int32_t>(games.begin(), games.begin() + 50));
  db.SetGameListSort(s, ckRound);
  for (size_t k = 50; k < 100; ++k) db.AddGameToList(s, games[k]);
  ExpectOrdered(s, [&](int32_t a, int32_t b) { return std::stoi(Tag(a, "Round")) <= std::stoi(Tag(b, "Round")); });

  // A bulk fill appends with sorting off; switching it on sorts once.
  db.SortGameListByNumber(s);
  for (size_t k = 100; k < 150; ++k) db.AddGameToList(s, games[k]);
  const auto v = Numbers(s);
  EXPECT_EQ(std::vector<int32_t>(v.end() - 50, v.end()), std::vector<int32_t>(games.begin() + 100, games.end()));
  db.SortGameListByColumn(s);
  EXPECT_EQ(Sorted(Numbers(s)), Sorted(games));
  ExpectOrdered(s, [&](int32_t a, int32_t b) { return std::stoi(Tag(a, "Round")) <= std::stoi(Tag(b, "Round")); });

  // Kind 0 keeps the order of adding.
  const int t = Found({9, 3, 6});
  db.SortGameListByColumn(t);
  db.AddGameToList(t, 1);
  EXPECT_EQ(Numbers(t), (std::vector<int32_t>{9, 3, 6, 1}));
}

TEST_F(Lists, RowTextsComeFromTheTagsAndTheSlotsColumns) {
  auto expected = [&](int32_t n, const ListColumnsO &cols) {
    std::vector<std::string> keys;
    for (int c = 1; c <= cols.Count(); ++c) keys.push_back(cols.ColumnKey(c));
    RowTextsT out{};
    const StrListO line = tags[static_cast<size_t>(n)].InfoLine(keys, false);
    for (int k = 1; k <= line.Count() && k <= kRowTextCount; ++k) out[static_cast<size_t>(k - 1)] = line.Get(k);
    return out;
  };
  const int a = db.NewAllGamesList();
  const int b = Found({33, 34});
  const RowTextsT &ta = db.GameListRowTexts(a, 10);
  EXPECT_EQ(ta, expected(10, db.GameListColumns(a)));
  EXPECT_EQ(ta[0], "10") << "the game number column";
  const RowTextsT &tb = db.GameListRowTexts(b, 2);
  EXPECT_EQ(tb, expected(34, db.GameListColumns(b)));
  EXPECT_EQ(ta, expected(10, db.GameListColumns(a))) << "another slot's request leaves these";

  ListColumnsO cols;
  cols.AddColumnByKey("round", 0);
  cols.AddColumnByKey("white", 0);
  db.GameListColumns(b).Assign(cols);
  db.GameListChanged(b);
  const RowTextsT &t2 = db.GameListRowTexts(b, 1);
  EXPECT_EQ(t2[0], Tag(33, "Round"));
  EXPECT_EQ(t2[1], Tag(33, "White"));
  EXPECT_EQ(t2[2], "");
}

TEST_F(Lists, DeleteGameLeavesFoundListsOnly) {
  const int all = db.NewAllGamesList();
  const int found = Found({60, 61, 60, 62});
  const int other = Found({61});
  ASSERT_TRUE(db.DeleteGame(60));
  EXPECT_EQ(Numbers(found), (std::vector<int32_t>{61, 62}));
  EXPECT_EQ(Numbers(other), (std::vector<int32_t>{61}));
  EXPECT_EQ(db.GameListCount(all), 300);
  EXPECT_TRUE(db.GameListIsDeleted(all, 60));
}

TEST_F(Lists, SlotsAndRefusedOperations) {
  for (int s = 1; s <= 25; ++s) ASSERT_EQ(db.NewGameList(), s);
  EXPECT_EQ(db.NewGameList(), 0);
  EXPECT_EQ(db.NewAllGamesList(), 0);
  db.AddGameToList(7, 3);
  db.FreeGameList(7);
  EXPECT_THROW(db.GameListCount(7), ERangeError);
  EXPECT_THROW(db.AddGameToList(7, 3), ERangeError);
  EXPECT_THROW(db.FreeGameList(7), ERangeError);
  EXPECT_EQ(db.NewGameList(), 7);
  EXPECT_EQ(db.GameListCount(7), 0) << "a fresh slot";
  for (int s : {0, 26, -1}) EXPECT_THROW(db.GameListCount(s), ERangeError) << s;

  db.AddGameToList(7, 3);
  EXPECT_THROW(db.AddGameToList(7, 0), ERangeError);
  EXPECT_THROW(db.AddGameToList(7, db.GameCount() + 1), ERangeError);
  EXPECT_THROW(db.GameListGameNr(7, 2), ERangeError);
  EXPECT_THROW(db.GameListRowTexts(7, 0), ERangeError);
  EXPECT_THROW(db.SetGameListSort(7, ColumnKindCount), ERangeError);
  EXPECT_EQ(Numbers(7), (std::vector<int32_t>{3})) << "refused operations change nothing";

  for (int s = 1; s <= 10; ++s) ASSERT_EQ(db.NewPlayerList(), s);
  EXPECT_EQ(db.NewPlayerList(), 0);
  EXPECT_EQ(db.NewAllPlayersList(), 0);
  db.FreePlayerList(4);
  EXPECT_THROW(db.PlayerListCount(4), ERangeError);
  EXPECT_EQ(db.NewAllPlayersList(), 4);
}

TEST_F(Lists, NameListsForAllNames) {
  const int p = db.NewAllPlayersList();
  const int32_t count = db.Players().Count();
  ASSERT_GT(count, 3);
  EXPECT_EQ(db.PlayerListCount(p), count);
  for (int32_t id = 1; id <= count; ++id) {
    const RowTextsT &t = db.PlayerListRowTexts(p, id);
    EXPECT_EQ(t[0], std::to_string(id));
    EXPECT_EQ(t[1], db.Players().GetText(static_cast<uint32_t>(id)));
    EXPECT_EQ(t[2], "");
    EXPECT_EQ(db.PlayerListItem(p, id), id);
    EXPECT_EQ(db.PlayerListIndexOf(p, id), id);
  }
  EXPECT_EQ(db.PlayerListIndexOf(p, count + 1), 0);
  EXPECT_THROW(db.PlayerListRowTexts(p, count + 1), ERangeError);

  const int e = db.NewAllEventSitesList();
  std::set<std::string> eventSites;
  for (size_t n = 1; n < tags.size(); ++n)
    eventSites.insert(win1252::UpperCase(tags[n].GetTag("Event") + "; " + tags[n].GetTag("Site")));
  EXPECT_EQ(db.EventSiteListCount(e), static_cast<int32_t>(eventSites.size()));
  const int a = db.NewAllAnnotatorsList();
  EXPECT_EQ(db.AnnotatorListCount(a), 2);
  EXPECT_EQ(db.AnnotatorListRowTexts(a, 1)[1], db.AnnotatorListItem(a, 1) == 1 ? "Kee, L" : "Moor, P");
  const int found = db.NewAnnotatorList();
  EXPECT_EQ(db.AnnotatorListCount(found), 0);
  EXPECT_EQ(db.AnnotatorListIndexOf(found, 1), 0);
}

// A list for all names sorted by name reads the index's sorted file, then
// the names added since, in id order; by the number it is back in id order.
TEST_F(Lists, AllNamesSortedByNameFollowTheSortedFile) {
  ASSERT_TRUE(db.Players().BuildSortedIndex());
  const int32_t sorted = db.Players().Count();
  ASSERT_EQ(db.Players().SortedCount(), sorted);
  ASSERT_EQ(db.SavePgnText(-1, "[White \"zz Late\"]\r\n[Black \"Aa Late\"]\r\n\r\n1. e4 *\r\n"), 301);
  const int32_t count = db.Players().Count();
  ASSERT_EQ(count, sorted + 2);
  const int p = db.NewAllPlayersList();
  db.SetPlayerListSort(p, ckPlayerName);
  ASSERT_EQ(db.PlayerListCount(p), count);
  std::vector<int32_t> seen;
  for (int32_t i = 1; i <= count; ++i) {
    const int32_t id = db.PlayerListItem(p, i);
    seen.push_back(id);
    EXPECT_EQ(db.PlayerListIndexOf(p, id), i);
    EXPECT_EQ(db.PlayerListRowTexts(p, i)[0], std::to_string(id));
    if (i > 1 && i <= sorted) {
      EXPECT_LE(win1252::CompareText(db.Players().GetText(static_cast<uint32_t>(seen[i - 2])),
                                     db.Players().GetText(static_cast<uint32_t>(id))),
                0)
          << i;
    }
  }
  EXPECT_EQ(seen[static_cast<size_t>(sorted)], sorted + 1) << "names added since the sort come last, in id order";
  EXPECT_EQ(seen.back(), count);
  EXPECT_EQ(Sorted(seen), [&] {
    std::vector<int32_t> all(static_cast<size_t>(count));
    for (int32_t id = 1; id <= count; ++id) all[static_cast<size_t>(id - 1)] = id;
    return all;
  }()) << "every id once";
  EXPECT_NE(seen, Sorted(seen)) << "the fixture's names are not stored in name order";
  db.SetPlayerListSort(p, ckPlayerNr);
  for (int32_t i = 1; i <= count; ++i) ASSERT_EQ(db.PlayerListItem(p, i), i);
  EXPECT_EQ(db.PlayerListIndexOf(p, count), count);
}

