#include "app/RadioChoiceDlg.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "engine/ui/DlgEditTime.h"
#include "foundation/GenText.h"
#include "foundation/ui/QtStr.h"

TRadioChoiceDlg::TRadioChoiceDlg(const std::string &section, QWidget *parent) : TAppDialog(section, false, parent) {
  QHBoxLayout *row = NewOKCancelRow(this, OKBtn, CancelBtn);
  HelpBtn = new QPushButton(this);
  HelpBtn->setObjectName("HelpBtn");
  // There is no help file to show.
  HelpBtn->hide();
  row->addWidget(HelpBtn);
  connect(OKBtn, &QPushButton::clicked, this, &TRadioChoiceDlg::OKBtnClick);
  SetButtonRow(row);
  auto *layout = new QVBoxLayout(this);
  choices_ = new QVBoxLayout;
  layout->addLayout(choices_);
  layout->addStretch(1);
  layout->addLayout(row);
}

QRadioButton *TRadioChoiceDlg::AddChoice(const char *name, uint8_t choice) {
  auto *b = new QRadioButton(this);
  b->setObjectName(name);
  b->installEventFilter(this);
  choices_->addWidget(b);
  entries_.push_back({b, choice});
  return b;
}

void TRadioChoiceDlg::FormShow() {
  ApplyCaptions();
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  HelpBtn->setText(ToQ(GenText::S_HelpBtn));
  for (const Entry &e : entries_) {
    // Exclusive buttons cannot all be unchecked one by one.
    e.button->setAutoExclusive(false);
    e.button->setChecked(e.choice == Choice);
    e.button->setAutoExclusive(true);
  }
  for (const Entry &e : entries_)
    if (e.button->isChecked()) e.button->setFocus();
  adjustSize();
}

void TRadioChoiceDlg::OKBtnClick() {
  for (const Entry &e : entries_)
    if (e.button->isChecked()) Choice = e.choice;
  accept();
}

bool TRadioChoiceDlg::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonDblClick) {
    for (const Entry &e : entries_)
      if (e.button == watched) {
        e.button->setChecked(true);
        OKBtnClick();
        return true;
      }
  }
  return TAppDialog::eventFilter(watched, event);
}
