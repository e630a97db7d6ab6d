#include "app/DlgEditGIEx.h"

#include <QApplication>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/ui/DlgEditTime.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"

namespace {

// Two columns: the tag's name and the working header's value.
class TagDelegate : public QStyledItemDelegate {
 public:
  explicit TagDelegate(TEditGameInfoExDlg *dlg) : QStyledItemDelegate(dlg), dlg_(dlg) {}

  void paint(QPainter *p, const QStyleOptionViewItem &option, const QModelIndex &index) const override {
    QStyleOptionViewItem opt = option;
    initStyleOption(&opt, index);
    opt.text.clear();
    const QWidget *w = opt.widget;
    QStyle *style = w ? w->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, p, w);
    const int tag = TEditGameInfoExDlg::RowTag(index.row());
    const QString name = ToQ(TagDisplayName(tag, dlg_->Language));
    const QString value = GameToQ(dlg_->Info.GetTag(StandardTagName(tag)));
    p->save();
    p->setPen(opt.palette.color(opt.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    const QRect r = opt.rect;
    // Plain text: no "&" is taken as an accelerator.
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    p->drawText(QRect(r.left() + 5, r.top(), dlg_->NameWidth, r.height()), flags, name);
    const int valueLeft = r.left() + dlg_->NameWidth + 10;
    p->drawText(QRect(valueLeft, r.top(), std::max(0, r.right() - valueLeft), r.height()), flags,
                opt.fontMetrics.elidedText(value, Qt::ElideRight, std::max(0, r.right() - valueLeft)));
    p->restore();
  }

  QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override {
    return {dlg_->NameWidth + 100, option.fontMetrics.height() + 4};
  }

 private:
  TEditGameInfoExDlg *dlg_;
};

}  // namespace

TEditGameInfoExDlg::TEditGameInfoExDlg(QWidget *parent) : TAppDialog("GameInfoWindow", true, parent) {
  setObjectName("EditGameInfoExDlg");
  TagLB = new QListWidget(this);
  TagLB->setObjectName("TagLB");
  TagLB->setItemDelegate(new TagDelegate(this));
  TagLB->setUniformItemSizes(true);
  for (int tag = 1; tag <= StandardTagCount; ++tag) new QListWidgetItem(TagLB);
  ValueEd = new QLineEdit(this);
  ValueEd->setObjectName("ValueEd");
  ValueEd->installEventFilter(this);
  QHBoxLayout *row = NewOKCancelRow(this, OKBtn, CancelBtn);
  connect(OKBtn, &QPushButton::clicked, this, &TEditGameInfoExDlg::OKBtnClick);
  SetButtonRow(row);
  connect(TagLB, &QListWidget::currentRowChanged, this, &TEditGameInfoExDlg::TagLBClick);
  connect(TagLB, &QListWidget::itemClicked, this, &TEditGameInfoExDlg::TagLBClick);
  connect(TagLB, &QListWidget::itemDoubleClicked, this, &TEditGameInfoExDlg::TagLBClick);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(TagLB, 1);
  layout->addWidget(ValueEd);
  layout->addLayout(row);
  FormShow();
  resize(440, 520);
}

void TEditGameInfoExDlg::FormShow() {
  setWindowTitle(ToQ(CommonText::S_DlgGameInfo));
  OKBtn->setText(ToQ(GenText::S_OKBtnSh));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  // As wide as the widest name, so that no language clips one.
  const QFontMetrics fm(TagLB->font());
  NameWidth = 0;
  for (int tag = 1; tag <= StandardTagCount; ++tag) {
    const QString name = ToQ(TagDisplayName(tag, Language));
    NameWidth = std::max(NameWidth, fm.horizontalAdvance(name));
    TagLB->item(tag - 1)->setText(name);
  }
  Info.TidyTags();
  Info.SortTags();
  editRow_ = -1;
  TagLB->setCurrentRow(-1);
  TagLB->setCurrentRow(0);
  TagLB->viewport()->update();
  if (ReadOnly) TagLB->setFocus();
  Info.SetChanged(false);
  InfoAtShow.Assign(Info);
  Changed = false;
}

void TEditGameInfoExDlg::SetEditable(bool on) {
  ValueEd->setReadOnly(!on);
  QPalette pal = ValueEd->palette();
  pal.setColor(QPalette::Base, palette().color(on ? QPalette::Base : QPalette::Button));
  ValueEd->setPalette(pal);
}

void TEditGameInfoExDlg::TagLBClick() {
  const int row = TagLB->currentRow();
  if (row < 0) return;
  const int tag = RowTag(row);
  editRow_ = row;
  ValueEd->setText(GameToQ(Info.GetTag(StandardTagName(tag))));
  SetEditable(!ReadOnly && !IsFixedTag(tag));
  if (!ReadOnly) ValueEd->setFocus();
}

void TEditGameInfoExDlg::ValueEdExit() {
  if (editRow_ < 0 || ReadOnly) return;
  const int tag = RowTag(editRow_);
  if (IsFixedTag(tag)) return;
  const std::string &name = StandardTagName(tag);
  // A value the user left as it was keeps its bytes; only an edited one
  // is written in the file's encoding.
  const QString text = ValueEd->text();
  const std::string old = Info.GetTag(name);
  const std::string value = text == GameToQ(old) ? old : GameFromQ(text, Encoding);
  // An empty value for an absent tag adds nothing that tidying would not drop.
  if (Info.HasTag(name) || !ini::Trim(value).empty()) Info.SetTag(name, value);
  TagLB->viewport()->update();
}

bool TEditGameInfoExDlg::eventFilter(QObject *watched, QEvent *e) {
  if (watched == ValueEd) {
    if (e->type() == QEvent::FocusOut) {
      ValueEdExit();
    } else if (e->type() == QEvent::KeyPress) {
      auto *k = static_cast<QKeyEvent *>(e);
      const int key = k->key();
      if (key == Qt::Key_PageUp || key == Qt::Key_PageDown || key == Qt::Key_Up || key == Qt::Key_Down) {
        ValueEdExit();
        QKeyEvent copy(QEvent::KeyPress, key, k->modifiers());
        QApplication::sendEvent(TagLB, &copy);
        ValueEd->end(false);
        return true;
      }
    }
  }
  return TAppDialog::eventFilter(watched, e);
}

void TEditGameInfoExDlg::OKBtnClick() {
  ValueEdExit();
  Changed = false;
  if (!ReadOnly) {
    Info.TidyTags();
    Info.SortTags();
    Changed = Info.TagCount() != InfoAtShow.TagCount();
    for (int i = 1; i <= Info.TagCount() && !Changed; ++i)
      Changed = Info.TagName(i) != InfoAtShow.TagName(i) || Info.TagValue(i) != InfoAtShow.TagValue(i);
  }
  accept();
}

QSize TEditGameInfoExDlg::ClientMinimum() const { return TextLinesMinimum(15, false); }
