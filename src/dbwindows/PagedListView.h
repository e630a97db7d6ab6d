#pragma once
// The list part every paged list window shares: a header whose sections
// are the columns, above an owner-drawn list of one page of rows. Items hold
// game numbers (or name ids); their text is never drawn: each row asks the
// source for the texts of its position and draws text j inside header
// section j.
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QHeaderView;
class QListWidget;

class PagedListView : public QWidget {
 public:
  static constexpr int kItemHeight = 16;
  // The texts of page row `row` (0-based) and whether its game is deleted;
  // false when the row stands for no position of the list (draws nothing).
  using RowSource = std::function<bool(int row, std::vector<std::string> &texts, bool &deleted)>;

  explicit PagedListView(QWidget *parent = nullptr);
  void SetRowSource(RowSource source) { source_ = std::move(source); }
  // Rows whose first text spans the whole row (a key's sub-keys).
  void SetWholeRowTest(std::function<bool(int row)> test) { wholeRow_ = std::move(test); }
  // One section per title, with its width.
  void SetColumns(const std::vector<std::string> &titles, const std::vector<int> &widths);
  // One item per number, in order; the selection is cleared.
  void SetRows(const std::vector<int32_t> &numbers);
  // The number of the selected row; 0 when none.
  int32_t SelectedNumber() const;
  void SelectRow(int row);
  // Widens each section whose flag is set to the widest number text its
  // rows hold, so the number shows whole in its span; never narrows.
  void WidenToNumbers(const std::vector<bool> &sections);
  // Told of each section the user resizes with the mouse.
  void SetUserResized(std::function<void(int section)> f) { userResized_ = std::move(f); }

  QHeaderView *Header() const { return header_; }
  QListWidget *List() const { return list_; }
  // The row's text spans in list coordinates (for drawing and tests).
  std::vector<std::pair<int, int>> Spans() const;

 protected:
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  friend class PagedRowDelegate;
  QHeaderView *header_;
  // Compared only: the filter also sees events while the header is destroyed.
  QObject *headerViewport_ = nullptr;
  QListWidget *list_;
  RowSource source_;
  std::function<bool(int row)> wholeRow_;
  std::function<void(int section)> userResized_;
  // A mouse button is down on the header.
  bool headerPressed_ = false;
};
