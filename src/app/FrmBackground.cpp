#include "app/FrmBackground.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Guard.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"

TBackgroundFrm::TBackgroundFrm(QWidget *parent) : QWidget(parent, Qt::Window) { FormCreate(); }

void TBackgroundFrm::FormCreate() {
  setObjectName("BackgroundFrm");
  setWindowTitle(QStringLiteral("EPD"));
  EpdEd = new QLineEdit(this);
  EpdEd->setObjectName("EpdEd");
  GetFromEPD = new QPushButton(QStringLiteral("Get from EPD"), this);
  GetFromEPD->setObjectName("GetFromEPD");
  ConvertToEPD = new QPushButton(QStringLiteral("Convert to EPD"), this);
  ConvertToEPD->setObjectName("ConvertToEPD");
  OperationsLB = new QListWidget(this);
  OperationsLB->setObjectName("OperationsLB");
  OperandsLB = new QListWidget(this);
  OperandsLB->setObjectName("OperandsLB");
  ResultEd = new QLineEdit(this);
  ResultEd->setObjectName("ResultEd");
  ResultEd->setReadOnly(true);
  connect(GetFromEPD, &QPushButton::clicked, this, [this] { Guarded([&] { GetFromEPDClick(); }); });
  connect(ConvertToEPD, &QPushButton::clicked, this, [this] { Guarded([&] { ConvertToEPDClick(); }); });
  connect(OperationsLB, &QListWidget::currentRowChanged, this, [this] { Guarded([&] { OperationsLBClick(); }); });

  auto *lists = new QGridLayout;
  lists->addWidget(new QLabel(QStringLiteral("Operations:"), this), 0, 0);
  lists->addWidget(new QLabel(QStringLiteral("Operands:"), this), 0, 1);
  lists->addWidget(OperationsLB, 1, 0);
  lists->addWidget(OperandsLB, 1, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addWidget(GetFromEPD);
  buttons->addWidget(ConvertToEPD);
  buttons->addStretch(1);
  auto *result = new QHBoxLayout;
  result->addWidget(new QLabel(QStringLiteral("Result:"), this));
  result->addWidget(ResultEd, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(EpdEd);
  layout->addLayout(buttons);
  layout->addLayout(lists, 1);
  layout->addLayout(result);
  resize(560, 320);
}

void TBackgroundFrm::GetFromEPDClick() {
  if (!position_.SetEPD(FromQ(EpdEd->text()))) {
    BeepShowMessage("Error");
    return;
  }
  {
    // Filled silently; the click below runs once.
    const QSignalBlocker block(OperationsLB);
    OperationsLB->clear();
    for (int i = 1; i <= position_.EpdOpCount(); ++i) OperationsLB->addItem(ToQ(position_.EpdOpName(i)));
    if (OperationsLB->count() > 0) OperationsLB->setCurrentRow(0);
  }
  OperationsLBClick();
}

void TBackgroundFrm::OperationsLBClick() {
  OperandsLB->clear();
  const int i = OperationsLB->currentRow() + 1;
  if (i < 1 || i > position_.EpdOpCount()) return;
  for (int j = 1; j <= position_.EpdOperandCount(i); ++j) OperandsLB->addItem(ToQ(position_.EpdOperand(i, j)));
}

void TBackgroundFrm::ConvertToEPDClick() {
  ResultEd->setText(ToQ(position_.GetEPD()));
  ResultEd->setCursorPosition(0);
}
