#include "dbwindows/PagedList.h"

#include <algorithm>

#include "chess/PGNTypes.h"
#include "platform/Errors.h"

int32_t PagedListState::RowsOnPage(int32_t count) const {
  return std::max<int32_t>(0, std::min<int32_t>(pageStart_ + kPageRows - 1, count) - pageStart_ + 1);
}

bool PagedListState::NextPage(int32_t count) {
  if (pageStart_ + kPageRows > count) return false;
  pageStart_ += kPageRows;
  return true;
}

bool PagedListState::PrevPage() {
  if (pageStart_ - kPageRows < 1) return false;
  pageStart_ -= kPageRows;
  return true;
}

bool PagedListState::FirstPage() {
  if (pageStart_ == 1) return false;
  pageStart_ = 1;
  return true;
}

bool PagedListState::LastPage(int32_t count) {
  const int32_t last = (Pages(count) - 1) * kPageRows + 1;
  if (pageStart_ >= last) return false;
  pageStart_ = last;
  return true;
}

bool PagedListState::TurnToPosition(int32_t position) {
  const int32_t start = position < 1 ? 1 : (position - 1) / kPageRows * kPageRows + 1;
  if (start == pageStart_) return false;
  pageStart_ = start;
  return true;
}

std::vector<TextSpan> RowTextSpans(const std::vector<int> &sectionLefts, const std::vector<int> &sectionWidths) {
  const size_t n = std::min({sectionLefts.size(), sectionWidths.size(), static_cast<size_t>(kMaxRowColumns)});
  std::vector<TextSpan> spans(n);
  for (size_t j = 0; j < n; ++j) {
    spans[j].left = sectionLefts[j];
    spans[j].right = std::max(sectionLefts[j], sectionLefts[j] + sectionWidths[j] - kSpanMargin);
  }
  return spans;
}

bool IsNumberColumn(uint8_t kind) {
  switch (kind) {
    case ckGameNr:
    case ckWhiteElo:
    case ckBlackElo:
    case ckDate:
    case ckNrOfMoves:
    case ckPlayerNr:
    case ckEventSiteNr:
    case ckAnnotatorNr:
    case ckMoveNr:
    case ckMoveTotalCount:
    case ckMoveWhiteCount:
    case ckMoveBlackCount:
    case ckMoveDrawCount:
      return true;
    default:
      return false;
  }
}

bool IsNumberText(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= '0' && c <= '9') || c == '.' || c == '?' || c == '-' || c == '+';
  });
}

std::string PagedStatusText(int32_t count, const PagedListState &state, const std::string &noun) {
  return std::to_string(count) + " " + noun + " (" + std::to_string(state.Page()) + "/" +
         std::to_string(PagedListState::Pages(count)) + ")";
}

std::vector<SortMenuItem> BuildSortMenuItems(const ListColumnsO &columns, const std::string &fileOrder,
                                             const std::string &leftOut) {
  std::vector<SortMenuItem> items{{"&0: " + fileOrder, 0}};
  for (int i = 1; i <= columns.Count(); ++i) {
    const std::string key = columns.ColumnKey(i);
    if (key == leftOut) continue;
    items.push_back({"&" + std::to_string(items.size()) + ": " + columns.ColumnTitle(i), columns.KindOfKey(key)});
  }
  return items;
}

uint8_t HeaderClickSortKind(const ListColumnsO &columns, int section, uint8_t current) {
  if (section < 0 || section >= columns.Count()) throw ERangeError("Header section out of range");
  const uint8_t kind = columns.KindOfKey(columns.ColumnKey(section + 1));
  return kind == current ? 0 : kind;
}
