// List views: the rows of a found list, their sort keys, and the game and
// name lists of an open database.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "chess/InfoMan.h"
#include "database/DatabaseManLists.h"
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
