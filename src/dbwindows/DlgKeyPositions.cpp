#include "dbwindows/DlgKeyPositions.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "board/ChsBmps.h"
#include "board/ui/ChsBrds.h"
#include "chess/Posns.h"
#include "database/DatabaseMan.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/ModalSeam.h"

TKeyPositionsDlg::TKeyPositionsDlg(DatabaseO &database, int32_t row, QWidget *parent)
    : QDialog(parent), database_(database), row_(row) {
  setObjectName("KeyPositionsDlg");
  setWindowTitle("KeyPositionsDlg");
  resize(223, 260);
  auto *layout = new QVBoxLayout(this);
  Board = new TChessBoard(this);
  Board->setObjectName("Board");
  // The smallest set there is.
  if (const int32_t small = FindPieceSet("Regular24"); small > 0) Board->SetPieceType(small);
  layout->addWidget(Board, 0, Qt::AlignHCenter);
  auto *labels = new QHBoxLayout;
  PosNrLbl = new QLabel("PosNrLbl", this);
  PosNrLbl->setObjectName("PosNrLbl");
  PosIdLbl = new QLabel("PosIdLbl", this);
  PosIdLbl->setObjectName("PosIdLbl");
  PosIdLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  labels->addWidget(PosNrLbl);
  labels->addStretch(1);
  labels->addWidget(PosIdLbl);
  layout->addLayout(labels);
  auto *buttons = new QHBoxLayout;
  PrevBtn = new QPushButton("<", this);
  PrevBtn->setObjectName("PrevBtn");
  NextBtn = new QPushButton(">", this);
  NextBtn->setObjectName("NextBtn");
  buttons->addStretch(1);
  buttons->addWidget(PrevBtn);
  buttons->addWidget(NextBtn);
  buttons->addStretch(1);
  layout->addLayout(buttons);
  connect(PrevBtn, &QPushButton::clicked, this, [this] { Guarded([&] { PrevBtnClick(); }); });
  connect(NextBtn, &QPushButton::clicked, this, [this] { Guarded([&] { NextBtnClick(); }); });
}

int TKeyPositionsDlg::Execute() {
  FormShow();
  return modal::Exec(*this);
}

void TKeyPositionsDlg::FormShow() {
  index_ = 1;
  count_ = database_.KeyChildPositionCount(row_);
  ShowPosition(1);
}

void TKeyPositionsDlg::ShowPosition(int i) {
  // A key without positions keeps the labels' design texts.
  if (i > count_) return;
  PositionO position;
  if (database_.KeyChildGetPosition(row_, i, position)) Board->SetPositionOnly(position);
  PosIdLbl->setText(QStringLiteral("Pos id: %1").arg(database_.KeyChildGetPositionRecord(row_, i)));
  PosNrLbl->setText(QStringLiteral("Position: %1/%2").arg(i).arg(count_));
}

void TKeyPositionsDlg::NextBtnClick() {
  if (index_ >= count_) return;
  ++index_;
  ShowPosition(index_);
}

void TKeyPositionsDlg::PrevBtnClick() {
  if (index_ == 1) return;
  --index_;
  ShowPosition(index_);
}
