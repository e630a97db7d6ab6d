#include "app/DlgDeleteMove.h"

#include <QRadioButton>

#include "foundation/CommonText.h"
#include "foundation/ui/QtStr.h"

TDeleteMoveDlg::TDeleteMoveDlg(QWidget *parent) : TRadioChoiceDlg("DlgDeleteMove", parent) {
  setObjectName("DeleteMoveDlg");
  DeleteMoveRB = AddChoice("DeleteMoveRB", dcDeleteOneMove);
  DeleteVariationRB = AddChoice("DeleteVariationRB", dcDeleteVariation);
  Choice = dcDeleteOneMove;
  FormShow();
}

void TDeleteMoveDlg::ApplyCaptions() {
  setWindowTitle(ToQ(CommonText::S_DeleteMoveDlg));
  DeleteMoveRB->setText(ToQ(CommonText::S_DeleteMoveRB));
  DeleteVariationRB->setText(ToQ(CommonText::S_DeleteVariationRB));
}
