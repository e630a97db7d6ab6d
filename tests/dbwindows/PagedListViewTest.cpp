// The owner-drawn rows of the paged lists, looked at as pixels.
#include "dbwindows/PagedListView.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QListWidget>

#include "foundation_ui/UiTestApp.h"

namespace {

bool IsRed(QRgb c) { return qRed(c) > 200 && qGreen(c) < 60 && qBlue(c) < 60; }

// Pixels of row `row` in columns [x0, x1) of the list's viewport that differ
// from the background.
int Inked(const QImage &img, int row, int x0, int x1, QRgb background, bool redOnly = false) {
  int n = 0;
  for (int y = row * PagedListView::kItemHeight; y < (row + 1) * PagedListView::kItemHeight; ++y)
    for (int x = std::max(0, x0); x < std::min(img.width(), x1); ++x) {
      const QRgb c = img.pixel(x, y);
      if (redOnly ? IsRed(c) : c != background) ++n;
    }
  return n;
}

TEST(PagedListView, RowsDrawInsideTheirSectionsDeletedRedAndNothingPastTheCount) {
  uitest::App();
  PagedListView view;
  view.resize(400, 200);
  view.SetColumns({"Nr", "White", "Result"}, {60, 115, 58});
  view.SetRows({3, 7, 12});
  view.SetRowSource([](int row, std::vector<std::string> &texts, bool &deleted) {
    if (row == 2) return false;  // the list shrank behind the window's back
    texts = {"WWWWWWWWWWWWWWWW", "A&B Smith", "1-0"};
    deleted = row == 1;
    return true;
  });
  view.show();
  view.List()->clearSelection();
  view.List()->setCurrentRow(-1);
  uitest::Snapshot(&view, "paged_list_view");

  QImage img = view.List()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRgb base = view.List()->palette().base().color().rgb();
  const auto spans = view.Spans();
  ASSERT_EQ(spans.size(), 3u);
  EXPECT_LT(view.Header()->height(), 3 * PagedListView::kItemHeight);  // the list gets the height
  EXPECT_EQ(spans[0].second - spans[0].first, 55);
  // The long first text stops 5 pixels short of its section's end.
  EXPECT_GT(Inked(img, 0, spans[0].first, spans[0].second, base), 0);
  EXPECT_EQ(Inked(img, 0, spans[0].second, spans[1].first, base), 0);
  EXPECT_EQ(Inked(img, 0, spans[2].second, img.width(), base), 0);
  // Red only on the deleted row.
  EXPECT_EQ(Inked(img, 0, 0, img.width(), base, true), 0);
  EXPECT_GT(Inked(img, 1, 0, img.width(), base, true), 0);
  // The row past the count is blank.
  EXPECT_EQ(Inked(img, 2, 0, img.width(), base), 0);

  view.SelectRow(1);
  EXPECT_EQ(view.SelectedNumber(), 7);
  view.List()->clearSelection();
  EXPECT_EQ(view.SelectedNumber(), 0);
}

}  // namespace
