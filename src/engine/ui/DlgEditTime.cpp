#include "engine/ui/DlgEditTime.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "platform/Errors.h"

QSpinBox *NewUpDownEdit(QWidget *parent, const char *name) {
  auto *box = new QSpinBox(parent);
  box->setObjectName(name);
  box->setAlignment(Qt::AlignRight);
  return box;
}

void SetUpDownEdit(QSpinBox *box, int lo, int hi, int value) {
  box->setRange(std::min(lo, value), std::max(hi, value));
  box->setValue(value);
}

QHBoxLayout *NewOKCancelRow(QDialog *dlg, QPushButton *&ok, QPushButton *&cancel) {
  ok = new QPushButton(dlg);
  ok->setObjectName("OKBtn");
  ok->setDefault(true);
  cancel = new QPushButton(dlg);
  cancel->setObjectName("CancelBtn");
  QObject::connect(cancel, &QPushButton::clicked, dlg, &QDialog::reject);
  auto *row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

namespace {

// One side's time: the label, then hours : minutes : seconds.
void AddSideRow(QGridLayout *grid, int row, QLabel *label, QSpinBox *h, QSpinBox *m, QSpinBox *s) {
  label->setBuddy(h);
  grid->addWidget(label, row, 0);
  grid->addWidget(h, row, 1);
  grid->addWidget(new QLabel(":", label->parentWidget()), row, 2);
  grid->addWidget(m, row, 3);
  grid->addWidget(new QLabel(":", label->parentWidget()), row, 4);
  grid->addWidget(s, row, 5);
}

void ShowSeconds(int64_t seconds, QSpinBox *h, QSpinBox *m, QSpinBox *s) {
  SetUpDownEdit(h, 0, 9, RangeCast<int>(seconds / 3600));
  SetUpDownEdit(m, 0, 59, static_cast<int>(seconds / 60 % 60));
  SetUpDownEdit(s, 0, 59, static_cast<int>(seconds % 60));
}

int64_t ReadSeconds(const QSpinBox *h, const QSpinBox *m, const QSpinBox *s) {
  return int64_t{h->value()} * 3600 + int64_t{m->value()} * 60 + s->value();
}

}  // namespace

TEditTimeDlg::TEditTimeDlg(QWidget *parent) : QDialog(parent) {
  setObjectName("EditTimeDlg");
  WhiteTimeLbl = new QLabel(this);
  WhiteTimeLbl->setObjectName("WhiteTimeLbl");
  WhiteHEd = NewUpDownEdit(this, "WhiteHEd");
  WhiteMEd = NewUpDownEdit(this, "WhiteMEd");
  WhiteSEd = NewUpDownEdit(this, "WhiteSEd");
  BlackTimeLbl = new QLabel(this);
  BlackTimeLbl->setObjectName("BlackTimeLbl");
  BlackHEd = NewUpDownEdit(this, "BlackHEd");
  BlackMEd = NewUpDownEdit(this, "BlackMEd");
  BlackSEd = NewUpDownEdit(this, "BlackSEd");
  QHBoxLayout *buttons = NewOKCancelRow(this, OKBtn, CancelBtn);

  auto *grid = new QGridLayout;
  AddSideRow(grid, 0, WhiteTimeLbl, WhiteHEd, WhiteMEd, WhiteSEd);
  AddSideRow(grid, 1, BlackTimeLbl, BlackHEd, BlackMEd, BlackSEd);
  grid->setColumnStretch(6, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  // The dialog takes the size its captions need, in any language.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
}

int TEditTimeDlg::Execute() {
  FormShow();
  return modal::Exec(*this);
}

void TEditTimeDlg::ApplyCaptions() {
  setWindowTitle(ToQ(CommonText::S_EditTimeDlg));
  WhiteTimeLbl->setText(ToQ(CommonText::S_MWhite + ":"));
  BlackTimeLbl->setText(ToQ(CommonText::S_MBlack + ":"));
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
}

void TEditTimeDlg::FormShow() {
  ApplyCaptions();
  ShowSeconds(WhiteSeconds, WhiteHEd, WhiteMEd, WhiteSEd);
  ShowSeconds(BlackSeconds, BlackHEd, BlackMEd, BlackSEd);
  WhiteHEd->setFocus();
  WhiteHEd->selectAll();
}

void TEditTimeDlg::OKBtnClick() {
  // An emptied box still holds its last value.
  WhiteSeconds = ReadSeconds(WhiteHEd, WhiteMEd, WhiteSEd);
  BlackSeconds = ReadSeconds(BlackHEd, BlackMEd, BlackSEd);
  accept();
}
