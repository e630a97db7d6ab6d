#pragma once
// The comment of the current move, edited in a memo.
#include <string>

#include "app/AppDialog.h"
#include "platform/Win1252.h"

class QPlainTextEdit;
class QPushButton;

class TCommentDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TCommentDlg(QWidget *parent = nullptr);

  // Game text: shown decoded, written back in Encoding when edited.
  void SetCommentText(const std::string &text);
  std::string GetCommentText() const;
  // Captions; the memo takes the focus.
  void FormShow() override;

  QPlainTextEdit *Memo;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;
  win1252::TextEncoding Encoding = win1252::TextEncoding::Utf8;

 protected:
  QSize ClientMinimum() const override;

 private:
  std::string original_;
};
