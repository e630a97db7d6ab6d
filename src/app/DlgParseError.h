#pragma once
// A game that could not be read: its text with the faulty part selected and
// the message. Retry reads the edited text again; Abort gives up.
#include <cstdint>
#include <string>

#include "app/AppDialog.h"
#include "chess/ParsePGN.h"
#include "platform/Win1252.h"

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace parseerr {
// The memo position of a byte offset into the text. The memo turns a CR LF
// pair into one line break while the parser counts both bytes; every other
// byte is one character. Clamped to the text.
int MemoPosition(const std::string &text, std::int64_t offset);
}  // namespace parseerr

class TParseErrorDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TParseErrorDlg(QWidget *parent = nullptr);

  // Game text: shown decoded, an edited text written in Encoding.
  std::string Text;
  win1252::TextEncoding Encoding = win1252::TextEncoding::Utf8;
  ParseResultT Result;

  // The text with the error's span selected, and the message.
  void FormShow() override;
  // The edited text becomes the dialog's text.
  void RetryBtnClick();

  QPlainTextEdit *Memo;
  QLabel *Edit;
  QPushButton *RetryBtn;
  QPushButton *AbortBtn;

 protected:
  QSize ClientMinimum() const override;
};
