#include "app/DlgComment.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "engine/ui/DlgEditTime.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"

TCommentDlg::TCommentDlg(QWidget *parent) : TAppDialog("CommentWindow", true, parent) {
  setObjectName("CommentDlg");
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  // Tab moves to the buttons; a comment is one text, not a table.
  Memo->setTabChangesFocus(true);
  QHBoxLayout *row = NewOKCancelRow(this, OKBtn, CancelBtn);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  SetButtonRow(row);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Memo, 1);
  layout->addLayout(row);
  FormShow();
  resize(360, 220);
}

void TCommentDlg::SetCommentText(const std::string &text) {
  original_ = text;
  Memo->setPlainText(GameToQ(text));
}

std::string TCommentDlg::GetCommentText() const {
  const QString text = Memo->toPlainText();
  // An unchanged comment keeps its bytes.
  return text == GameToQ(original_) ? original_ : GameFromQ(text, Encoding);
}

void TCommentDlg::FormShow() {
  setWindowTitle(ToQ(RemoveAccelerator(CommonText::S_MComment)));
  OKBtn->setText(ToQ(GenText::S_OKBtnSh));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  Memo->moveCursor(QTextCursor::End);
  Memo->setFocus();
}

QSize TCommentDlg::ClientMinimum() const { return TextLinesMinimum(5, true); }
