#include "app/DlgParseError.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>

#include "foundation/CommonText.h"
#include "foundation/ui/QtStr.h"

namespace parseerr {

int MemoPosition(const std::string &text, std::int64_t offset) {
  const int end = static_cast<int>(std::clamp<std::int64_t>(offset, 0, static_cast<std::int64_t>(text.size())));
  int pos = end;
  for (int i = 1; i < end; ++i)
    if (text[i] == '\n' && text[i - 1] == '\r') --pos;
  // UTF-8 game text: a character is one unit, or two past U+FFFF.
  if (win1252::Classify(text) == win1252::TextKind::Utf8)
    for (int i = 0; i < end; ++i) {
      const auto b = static_cast<unsigned char>(text[i]);
      if ((b & 0xC0) == 0x80) --pos;
      if (b >= 0xF0) ++pos;
    }
  return pos;
}

}  // namespace parseerr

TParseErrorDlg::TParseErrorDlg(QWidget *parent) : TAppDialog("ParseErrorWindow", true, parent) {
  setObjectName("ParseErrorDlg");
  Memo = new QPlainTextEdit(this);
  Memo->setObjectName("Memo");
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  Memo->setTabChangesFocus(true);
  // The message is read whole: it wraps at the memo's width and can be
  // selected and copied, but not edited.
  Edit = new QLabel(this);
  Edit->setObjectName("Edit");
  Edit->setWordWrap(true);
  Edit->setTextFormat(Qt::PlainText);
  Edit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  Edit->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
  Edit->setMargin(2);
  Edit->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
  RetryBtn = new QPushButton(this);
  RetryBtn->setObjectName("RetryBtn");
  RetryBtn->setAutoDefault(false);
  AbortBtn = new QPushButton(this);
  AbortBtn->setObjectName("AbortBtn");
  AbortBtn->setAutoDefault(false);
  connect(RetryBtn, &QPushButton::clicked, this, &TParseErrorDlg::RetryBtnClick);
  connect(AbortBtn, &QPushButton::clicked, this, &QDialog::reject);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(Memo, 1);
  layout->addWidget(Edit);
  auto *row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(RetryBtn);
  row->addWidget(AbortBtn);
  SetButtonRow(row);
  layout->addLayout(row);
  FormShow();
  resize(520, 380);
}

void TParseErrorDlg::FormShow() {
  setWindowTitle(ToQ(CommonText::S_ParseErrorDlg));
  RetryBtn->setText(ToQ(CommonText::S_RetryBtn));
  AbortBtn->setText(ToQ(CommonText::S_AbortBtn));
  Memo->setPlainText(GameToQ(Text));
  const int start = parseerr::MemoPosition(Text, Result.errorPos);
  const int end = parseerr::MemoPosition(Text, std::int64_t{Result.errorPos} + std::max(0, Result.errorLength));
  QTextCursor c(Memo->document());
  c.setPosition(start);
  c.setPosition(end, QTextCursor::KeepAnchor);
  Memo->setTextCursor(c);
  Memo->ensureCursorVisible();
  Memo->setFocus();
  Edit->setText(ToQ(Result.message));
}

void TParseErrorDlg::RetryBtnClick() {
  Text = GameFromQ(Memo->toPlainText(), Encoding);
  accept();
}

QSize TParseErrorDlg::ClientMinimum() const { return TextLinesMinimum(15, false); }
