#pragma once
// The comment of the current move, edited in a memo.
#include <string>

#include "app/AppDialog.h"

class QPlainTextEdit;
class QPushButton;

class TCommentDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TCommentDlg(QWidget *parent = nullptr);

  void SetCommentText(const std::string &text);
  std::string GetCommentText() const;
  // Captions; the memo takes the focus.
  void FormShow() override;

  QPlainTextEdit *Memo;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

 protected:
  QSize ClientMinimum() const override;
};
