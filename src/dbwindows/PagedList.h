#pragma once
// The arithmetic every paged list window shares, without Qt: pages of 250
// rows over a view of the database, the status text, the sort menu and the
// header click. A window keeps one PagedListState.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ListColumnsO;

inline constexpr int32_t kPageRows = 250;

class PagedListState {
 public:
  // 1-based position of the page's first row: 1, 251, 501, ...
  int32_t PageStart() const { return pageStart_; }
  void Reset() { pageStart_ = 1; }

  // The page shown, and the pages of a list of count rows (an empty list
  // has one page).
  int32_t Page() const { return (pageStart_ - 1) / kPageRows + 1; }
  static int32_t Pages(int32_t count) { return count < 1 ? 1 : (count - 1) / kPageRows + 1; }
  // Rows on the page shown (0 when the list shrank below the page).
  int32_t RowsOnPage(int32_t count) const;
  static bool PageButtonsVisible(int32_t count) { return Pages(count) >= 2; }

  // Each answers whether the page moved.
  bool NextPage(int32_t count);
  bool PrevPage();
  bool FirstPage();
  bool LastPage(int32_t count);
  // The page holding the row at position (1-based); 0, a game not in the
  // list, gives page 1. Answers whether the page moved.
  bool TurnToPosition(int32_t position);

 private:
  int32_t pageStart_ = 1;
};

// The horizontal span row text j is drawn in: from the left edge of header
// section j to that edge + its width - kSpanMargin. At most kMaxRowColumns
// columns; a span narrower than nothing is empty (right == left).
inline constexpr int kMaxRowColumns = 20;
inline constexpr int kSpanMargin = 5;
struct TextSpan {
  int left = 0, right = 0;
};
std::vector<TextSpan> RowTextSpans(const std::vector<int> &sectionLefts, const std::vector<int> &sectionWidths);
// Whether row i (0-based on the page) stands for a position of the list:
// after rows went behind the window's back it draws nothing there.
inline bool RowHasPosition(const PagedListState &state, int row, int32_t count) {
  return row >= 0 && state.PageStart() + row <= count;
}

// Columns of numbers (numbers, Elo, moves, counts, the date's year): a cut
// one reads as another number, so they widen to what their rows hold.
bool IsNumberColumn(uint8_t kind);
// Digits with the date's "." and "?" and a sign; not empty.
bool IsNumberText(std::string_view text);

// "%d " + noun + " (%d/%d)": the count, the page and the pages.
std::string PagedStatusText(int32_t count, const PagedListState &state, const std::string &noun);

struct SortMenuItem {
  std::string caption;
  uint8_t kind = 0;
};
// "&0: " + fileOrder for the list's own order (kind 0), then "&n: " + the
// title of each column but the one whose key is leftOut, n counting the
// items added; each item carries the kind of the column it names.
std::vector<SortMenuItem> BuildSortMenuItems(const ListColumnsO &columns, const std::string &fileOrder,
                                             const std::string &leftOut);
// The sort kind a click on header section s (0-based) asks for: the kind
// of column s + 1, or 0 when the list is already sorted by it.
uint8_t HeaderClickSortKind(const ListColumnsO &columns, int section, uint8_t current);
// The kind a list stores: storedAsZero (the number column's kind) as 0.
inline uint8_t StoredSortKind(uint8_t kind, uint8_t storedAsZero) { return kind == storedAsZero ? 0 : kind; }
