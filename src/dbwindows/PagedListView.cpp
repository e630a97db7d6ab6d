#include "dbwindows/PagedListView.h"

#include <QHeaderView>
#include <algorithm>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "dbwindows/PagedList.h"
#include "foundation/ui/QtStr.h"

class PagedRowDelegate : public QStyledItemDelegate {
 public:
  explicit PagedRowDelegate(PagedListView *view) : QStyledItemDelegate(view), view_(view) {}

  QSize sizeHint(const QStyleOptionViewItem &, const QModelIndex &) const override {
    return {0, PagedListView::kItemHeight};
  }

  void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &pal = option.palette;
    p->fillRect(option.rect, selected ? pal.highlight() : pal.base());
    std::vector<std::string> texts;
    bool deleted = false;
    if (!view_->source_ || !view_->source_(index.row(), texts, deleted)) return;
    p->save();
    p->setPen(deleted ? QColor(255, 0, 0) : (selected ? pal.highlightedText().color() : pal.text().color()));
    auto spans = view_->Spans();
    if (view_->wholeRow_ && view_->wholeRow_(index.row()) && !texts.empty()) {
      const int left = spans.empty() ? 0 : spans.front().first;
      spans.assign(1, {left, std::max(left, option.rect.right() - 5)});
    }
    for (size_t j = 0; j < spans.size() && j < texts.size(); ++j) {
      const QRect r(spans[j].first, option.rect.top(), spans[j].second - spans[j].first, option.rect.height());
      if (r.width() <= 0) continue;
      p->setClipRect(r);
      // QPainter does no "&" prefix processing: the text is drawn as it stands.
      p->drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, GameToQ(texts[j]));
    }
    p->restore();
  }

 private:
  PagedListView *view_;
};

PagedListView::PagedListView(QWidget *parent) : QWidget(parent) {
  header_ = new QHeaderView(Qt::Horizontal, this);
  header_->setModel(new QStandardItemModel(header_));
  header_->setSectionsClickable(true);
  header_->setSectionsMovable(false);
  header_->setSectionResizeMode(QHeaderView::Interactive);
  header_->setStretchLastSection(false);
  // A header of an empty model hints far too tall: one line of text.
  header_->setFixedHeight(std::max(17, header_->fontMetrics().height() + 4));
  list_ = new QListWidget(this);
  list_->setItemDelegate(new PagedRowDelegate(this));
  list_->setUniformItemSizes(true);
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(header_);
  layout->addWidget(list_, 1);
  connect(header_, &QHeaderView::sectionResized, list_->viewport(), [this](int section) {
    list_->viewport()->update();
    if (headerPressed_ && userResized_) userResized_(section);
  });
  headerViewport_ = header_->viewport();
  headerViewport_->installEventFilter(this);
}

bool PagedListView::eventFilter(QObject *watched, QEvent *e) {
  if (watched == headerViewport_) {
    if (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonDblClick)
      headerPressed_ = true;
    else if (e->type() == QEvent::MouseButtonRelease)
      headerPressed_ = static_cast<QMouseEvent *>(e)->buttons() != Qt::NoButton;
  }
  return QWidget::eventFilter(watched, e);
}

void PagedListView::WidenToNumbers(const std::vector<bool> &sections) {
  if (!source_ || std::find(sections.begin(), sections.end(), true) == sections.end()) return;
  // The font the rows are drawn in.
  const QFontMetrics metrics(list_->viewport()->font());
  const size_t n = std::min(sections.size(), static_cast<size_t>(header_->count()));
  std::vector<int> widest(n, 0);
  std::vector<std::string> texts;
  for (int row = 0; row < list_->count(); ++row) {
    bool deleted = false;
    if ((wholeRow_ && wholeRow_(row)) || !source_(row, texts, deleted)) continue;
    for (size_t j = 0; j < n && j < texts.size(); ++j)
      if (sections[j] && IsNumberText(texts[j]))
        widest[j] = std::max(widest[j], metrics.horizontalAdvance(GameToQ(texts[j])));
  }
  for (size_t j = 0; j < n; ++j) {
    const int section = static_cast<int>(j);
    if (widest[j] > 0 && header_->sectionSize(section) < widest[j] + kSpanMargin)
      header_->resizeSection(section, widest[j] + kSpanMargin);
  }
}

void PagedListView::SetColumns(const std::vector<std::string> &titles, const std::vector<int> &widths) {
  auto *model = static_cast<QStandardItemModel *>(header_->model());
  model->clear();
  model->setColumnCount(static_cast<int>(titles.size()));
  for (size_t j = 0; j < titles.size(); ++j) {
    model->setHorizontalHeaderItem(static_cast<int>(j), new QStandardItem(ToQ(titles[j])));
    if (j < widths.size()) header_->resizeSection(static_cast<int>(j), widths[j]);
  }
  list_->viewport()->update();
}

void PagedListView::SetRows(const std::vector<int32_t> &numbers) {
  list_->clear();
  for (int32_t n : numbers) {
    auto *item = new QListWidgetItem(QString::number(n));
    item->setData(Qt::UserRole, n);
    list_->addItem(item);
  }
}

int32_t PagedListView::SelectedNumber() const {
  const auto items = list_->selectedItems();
  return items.isEmpty() ? 0 : items.first()->data(Qt::UserRole).toInt();
}

void PagedListView::SelectRow(int row) {
  list_->setCurrentRow(row);
  if (QListWidgetItem *item = list_->item(row)) list_->scrollToItem(item);
}

std::vector<std::pair<int, int>> PagedListView::Spans() const {
  std::vector<int> lefts, widths;
  for (int j = 0; j < header_->count(); ++j) {
    // The header sits above the list's frame: its sections map into the
    // viewport by the frame's width.
    lefts.push_back(header_->sectionViewportPosition(j) - list_->frameWidth());
    widths.push_back(header_->sectionSize(j));
  }
  std::vector<std::pair<int, int>> out;
  for (const TextSpan &s : RowTextSpans(lefts, widths)) out.emplace_back(s.left, s.right);
  return out;
}
