// The paged lists' arithmetic, alone.
#include "dbwindows/PagedList.h"

#include <gtest/gtest.h>

#include "chess/PGNTypes.h"
#include "foundation/CommonText.h"
#include "platform/Errors.h"

namespace {

TEST(PagedList, PagesStatusAndButtons) {
  PagedListState s;
  EXPECT_EQ(PagedStatusText(250, s, "games"), "250 games (1/1)");
  EXPECT_FALSE(PagedListState::PageButtonsVisible(250));
  EXPECT_EQ(s.RowsOnPage(250), 250);
  EXPECT_EQ(PagedStatusText(0, s, "games"), "0 games (1/1)");
  EXPECT_EQ(s.RowsOnPage(0), 0);
  EXPECT_FALSE(PagedListState::PageButtonsVisible(0));

  EXPECT_TRUE(PagedListState::PageButtonsVisible(251));
  EXPECT_EQ(PagedListState::Pages(251), 2);
  EXPECT_TRUE(s.LastPage(251));
  EXPECT_EQ(s.PageStart(), 251);
  EXPECT_EQ(s.RowsOnPage(251), 1);
  EXPECT_EQ(PagedStatusText(251, s, "games"), "251 games (2/2)");
  // A list that shrank behind the window's back: nothing left on the page.
  EXPECT_EQ(s.RowsOnPage(250), 0);

  s.Reset();
  EXPECT_TRUE(s.NextPage(1234));
  EXPECT_EQ(PagedStatusText(1234, s, "games"), "1234 games (2/5)");
  EXPECT_EQ(PagedStatusText(12, s, ""), "12  (2/1)");
}

TEST(PagedList, StepsStopAtTheEnds) {
  for (int32_t count : {0, 1, 250, 251, 500, 501, 1234}) {
    PagedListState s;
    EXPECT_FALSE(s.PrevPage()) << count;
    EXPECT_FALSE(s.FirstPage()) << count;
    int32_t pages = 1;
    while (s.NextPage(count)) {
      ++pages;
      EXPECT_GE(s.RowsOnPage(count), 1) << count;
    }
    EXPECT_EQ(pages, PagedListState::Pages(count)) << count;
    EXPECT_EQ(s.Page(), pages) << count;
    EXPECT_FALSE(s.NextPage(count)) << count;
    EXPECT_FALSE(s.LastPage(count)) << count;
    const bool several = pages > 1;
    PagedListState t;
    EXPECT_EQ(t.LastPage(count), several) << count;
    EXPECT_EQ(t.PageStart(), s.PageStart()) << count;
    while (s.PrevPage()) --pages;
    EXPECT_EQ(pages, 1) << count;
    EXPECT_EQ(t.FirstPage(), several) << count;
    EXPECT_EQ(t.PageStart(), 1);
  }
}

TEST(PagedList, ThePageOfAPosition) {
  PagedListState s;
  EXPECT_FALSE(s.TurnToPosition(250));
  EXPECT_TRUE(s.TurnToPosition(251));
  EXPECT_EQ(s.PageStart(), 251);
  EXPECT_TRUE(s.TurnToPosition(1000));
  EXPECT_EQ(s.PageStart(), 751);
  EXPECT_TRUE(s.TurnToPosition(0));  // a game not in the list
  EXPECT_EQ(s.PageStart(), 1);
  // Every position lands on the page that holds it.
  for (int32_t p = 1; p <= 2000; p += 37) {
    s.TurnToPosition(p);
    EXPECT_LE(s.PageStart(), p);
    EXPECT_GT(s.PageStart() + kPageRows, p);
    EXPECT_EQ((s.PageStart() - 1) % kPageRows, 0);
  }
}

TEST(PagedList, SortMenuLeavesOutTheNumberColumnAndSortsByTheTitleShown) {
  ListColumnsO cols;
  cols.Init();
  cols.SetDefaultColumns();
  ASSERT_EQ(cols.ColumnKey(1), "gamenr");
  const auto items = BuildSortMenuItems(cols, CommonText::S_FileOrder, "gamenr");
  ASSERT_EQ(items.size(), static_cast<size_t>(cols.Count()));
  EXPECT_EQ(items[0].caption, "&0: " + CommonText::S_FileOrder);
  EXPECT_EQ(items[0].kind, 0);
  for (size_t n = 1; n < items.size(); ++n) {
    // Item n names column n + 1 (the number column is first and left out).
    EXPECT_EQ(items[n].caption, "&" + std::to_string(n) + ": " + cols.ColumnTitle(static_cast<int>(n + 1)));
    EXPECT_EQ(items[n].kind, cols.KindOfKey(cols.ColumnKey(static_cast<int>(n + 1))));
  }
  EXPECT_EQ(items[1].kind, ckWhite);

  // Nothing left out: one item per column.
  EXPECT_EQ(BuildSortMenuItems(cols, "x", "").size(), static_cast<size_t>(cols.Count()) + 1);
}

TEST(PagedList, HeaderClicksToggleBackToTheListsOwnOrder) {
  ListColumnsO cols;
  cols.Init();
  cols.SetDefaultColumns();
  // Section 3 is column 4, "result".
  EXPECT_EQ(HeaderClickSortKind(cols, 3, 0), ckResult);
  EXPECT_EQ(HeaderClickSortKind(cols, 3, ckResult), 0);
  EXPECT_EQ(HeaderClickSortKind(cols, 1, ckResult), ckWhite);
  EXPECT_THROW(HeaderClickSortKind(cols, cols.Count(), 0), ERangeError);
  EXPECT_THROW(HeaderClickSortKind(cols, -1, 0), ERangeError);
  // The number column is stored as 0, so clicking it twice stays there.
  const uint8_t first = StoredSortKind(HeaderClickSortKind(cols, 0, 0), ckGameNr);
  EXPECT_EQ(first, 0);
  EXPECT_EQ(StoredSortKind(HeaderClickSortKind(cols, 0, first), ckGameNr), 0);
  EXPECT_EQ(StoredSortKind(ckDate, ckGameNr), ckDate);
}

TEST(PagedList, RowTextsStayInsideTheirSectionsAndPastTheCountNothingIsDrawn) {
  // Scrolled: the first section starts left of the view.
  const auto spans = RowTextSpans({-30, 7, 122, 237}, {37, 115, 115, 3});
  ASSERT_EQ(spans.size(), 4u);
  EXPECT_EQ(spans[0].left, -30);
  EXPECT_EQ(spans[0].right, 2);
  EXPECT_EQ(spans[1].right, 117);
  EXPECT_EQ(spans[2].left, 122);
  EXPECT_EQ(spans[3].right, 237);  // narrower than the margin: empty
  for (size_t j = 0; j + 1 < spans.size(); ++j) EXPECT_LT(spans[j].right, spans[j + 1].left);

  std::vector<int> lefts(25), widths(25, 40);
  for (int j = 0; j < 25; ++j) lefts[j] = 40 * j;
  EXPECT_EQ(RowTextSpans(lefts, widths).size(), static_cast<size_t>(kMaxRowColumns));

  PagedListState s;
  s.LastPage(501);  // page 3 holds row 501 alone
  EXPECT_TRUE(RowHasPosition(s, 0, 501));
  EXPECT_FALSE(RowHasPosition(s, 1, 501));
  EXPECT_FALSE(RowHasPosition(s, 0, 500));  // a row went behind its back
  EXPECT_FALSE(RowHasPosition(s, -1, 501));
}

}  // namespace
