#include "dbwindows/DlgEditGilo.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>
#include <utility>
#include <vector>

#include "chess/PGNTypes.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/Hints.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"

TEditGameInfoLineOptionsDlg *EditGameInfoLineOptionsDlg = nullptr;

namespace {

QListWidgetItem *NewItem(const std::string &caption, int j) {
  auto *item = new QListWidgetItem(ToQ(caption));
  item->setData(Qt::UserRole, j);
  return item;
}

// Moves the selected item to the end of the other list; the selection stays
// at its place, or one up when the item was the last.
void MoveSelected(QListWidget *from, QListWidget *to) {
  const int row = from->currentRow();
  if (row < 0 || !from->currentItem()->isSelected()) return;
  to->addItem(from->takeItem(row));
  if (from->count() > 0) from->setCurrentRow(row < from->count() ? row : from->count() - 1);
  from->setFocus();
}

QPushButton *NewButton(QWidget *parent, const char *name, QStyle::StandardPixmap icon) {
  auto *b = new QPushButton(parent);
  b->setObjectName(name);
  if (icon != QStyle::SP_CustomBase) b->setIcon(parent->style()->standardIcon(icon));
  b->setAutoDefault(false);
  return b;
}

}  // namespace

TEditGameInfoLineOptionsDlg::TEditGameInfoLineOptionsDlg(QWidget *parent) : QDialog(parent) {
  setObjectName("EditGameInfoLineOptionsDlg");
  AvailableLbl = new QLabel(this);
  AvailableLbl->setObjectName("AvailableLbl");
  UsedLbl = new QLabel(this);
  UsedLbl->setObjectName("UsedLbl");
  AvailableList = new QListWidget(this);
  AvailableList->setObjectName("AvailableList");
  UsedList = new QListWidget(this);
  UsedList->setObjectName("UsedList");
  AvailableLbl->setBuddy(AvailableList);
  UsedLbl->setBuddy(UsedList);
  AddBtn = NewButton(this, "AddBtn", QStyle::SP_ArrowRight);
  RemoveBtn = NewButton(this, "RemoveBtn", QStyle::SP_ArrowLeft);
  UpBtn = NewButton(this, "UpBtn", QStyle::SP_ArrowUp);
  DownBtn = NewButton(this, "DownBtn", QStyle::SP_ArrowDown);
  OKBtn = NewButton(this, "OKBtn", QStyle::SP_CustomBase);
  OKBtn->setDefault(true);
  CancelBtn = NewButton(this, "CancelBtn", QStyle::SP_CustomBase);

  auto *grid = new QGridLayout;
  grid->addWidget(AvailableLbl, 0, 0);
  grid->addWidget(UsedLbl, 0, 2);
  grid->addWidget(AvailableList, 1, 0);
  auto *moveCol = new QVBoxLayout;
  moveCol->addStretch(1);
  moveCol->addWidget(AddBtn);
  moveCol->addWidget(RemoveBtn);
  moveCol->addStretch(1);
  grid->addLayout(moveCol, 1, 1);
  grid->addWidget(UsedList, 1, 2);
  auto *orderCol = new QVBoxLayout;
  orderCol->addStretch(1);
  orderCol->addWidget(UpBtn);
  orderCol->addWidget(DownBtn);
  orderCol->addStretch(1);
  grid->addLayout(orderCol, 1, 3);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OKBtn);
  buttons->addWidget(CancelBtn);
  auto *top = new QVBoxLayout(this);
  top->addLayout(grid, 1);
  top->addLayout(buttons);

  connect(AddBtn, &QPushButton::clicked, this, [this] { AddBtnClick(); });
  connect(RemoveBtn, &QPushButton::clicked, this, [this] { RemoveBtnClick(); });
  connect(AvailableList, &QListWidget::itemDoubleClicked, this, [this] { AddBtnClick(); });
  connect(UsedList, &QListWidget::itemDoubleClicked, this, [this] { RemoveBtnClick(); });
  connect(UpBtn, &QPushButton::clicked, this, [this] { UpBtnClick(); });
  connect(DownBtn, &QPushButton::clicked, this, [this] { DownBtnClick(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] {
    bool ok = false;
    Guarded([&] {
      OKBtnClick();
      ok = true;
    });
    if (ok) accept();
  });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
  UpdateTexts();
}

int TEditGameInfoLineOptionsDlg::Execute() {
  FormShow();
  return modal::Exec(*this);
}

void TEditGameInfoLineOptionsDlg::UpdateTexts() {
  setWindowTitle(ToQ(CommonText::S_DlgEditGilo));
  AvailableLbl->setText(ToQ(CommonText::S_AvailableLbl + ":"));
  UsedLbl->setText(ToQ(CommonText::S_UsedLbl + ":"));
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  myui::SetHint(RemoveBtn, GenText::S_RemoveBtnHint);
  myui::SetHint(AddBtn, GenText::S_AddBtnHint);
  myui::SetHint(UpBtn, GenText::S_UpBtnHint);
  myui::SetHint(DownBtn, GenText::S_DownBtnHint);
}

void TEditGameInfoLineOptionsDlg::FormShow() {
  UpdateTexts();
  AvailableList->clear();
  UsedList->clear();
  if (Columns) {
    for (int j = 1; j <= Columns->AvailableCount(); ++j)
      if (Columns->IndexOfColumn(j) == 0) AvailableList->addItem(NewItem(Columns->AvailableCaption(j), j));
    for (int i = 1; i <= Columns->Count(); ++i)
      UsedList->addItem(NewItem(Columns->ColumnCaption(i), Columns->ColumnIndex(i)));
  }
  AvailableList->setFocus();
}

void TEditGameInfoLineOptionsDlg::AddBtnClick() { MoveSelected(AvailableList, UsedList); }

void TEditGameInfoLineOptionsDlg::RemoveBtnClick() { MoveSelected(UsedList, AvailableList); }

void TEditGameInfoLineOptionsDlg::Exchange(int by) {
  const int row = UsedList->currentRow();
  const int to = row + by;
  if (row < 0 || to < 0 || to >= UsedList->count()) return;
  QListWidgetItem *item = UsedList->takeItem(row);
  UsedList->insertItem(to, item);
  UsedList->setCurrentRow(to);
  UsedList->setFocus();
}

void TEditGameInfoLineOptionsDlg::UpBtnClick() { Exchange(-1); }

void TEditGameInfoLineOptionsDlg::DownBtnClick() { Exchange(1); }

void TEditGameInfoLineOptionsDlg::OKBtnClick() {
  if (!Columns) return;
  // The widths of the columns selected so far, by available index: a column
  // that stays keeps its width wherever it moved, a new one gets the default.
  std::vector<std::pair<int, int>> kept;
  for (int i = 1; i <= Columns->Count(); ++i) kept.emplace_back(Columns->ColumnIndex(i), Columns->ColumnWidth(i));
  std::vector<std::pair<int, int>> used;
  for (int r = 0; r < UsedList->count(); ++r) {
    const int j = UsedList->item(r)->data(Qt::UserRole).toInt();
    int width = 0;
    for (const auto &[kj, kw] : kept)
      if (kj == j) width = kw;
    used.emplace_back(j, width);
  }
  Columns->ClearSelected();
  for (const auto &[j, width] : used) Columns->AddColumn(j, width);
}
