#include "app/DlgInsertMove.h"

#include <QRadioButton>

#include "foundation/CommonText.h"
#include "foundation/ui/QtStr.h"

TInsertMoveDlg::TInsertMoveDlg(QWidget *parent) : TRadioChoiceDlg("DlgInsertMove", parent) {
  setObjectName("InsertMoveDlg");
  InsertBeforeMoveRB = AddChoice("InsertBeforeMoveRB", imInsertBeforeMove);
  InsertBeforeAllRB = AddChoice("InsertBeforeAllRB", imInsertBeforeAll);
  ReplaceMoveRB = AddChoice("ReplaceMoveRB", imReplaceMove);
  ReplaceVariationRB = AddChoice("ReplaceVariationRB", imReplaceVariation);
  AddAlternativeRB = AddChoice("AddAlternativeRB", imAddAlternative);
  Choice = imReplaceMove;
  FormShow();
}

void TInsertMoveDlg::ApplyCaptions() {
  setWindowTitle(ToQ(CommonText::S_InsertMoveDlg));
  InsertBeforeMoveRB->setText(ToQ(CommonText::S_InsertBeforeMoveRB));
  InsertBeforeAllRB->setText(ToQ(CommonText::S_InsertBeforAllRB));
  ReplaceMoveRB->setText(ToQ(CommonText::S_ReplaceMoveRB));
  ReplaceVariationRB->setText(ToQ(CommonText::S_ReplaceVariationRB));
  AddAlternativeRB->setText(ToQ(CommonText::S_AddAlternativeRB));
}
