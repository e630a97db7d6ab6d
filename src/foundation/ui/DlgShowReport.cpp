#include "foundation/ui/DlgShowReport.h"

#include <QPlainTextEdit>
#include <QShortcut>
#include <QStatusBar>
#include <QTextCursor>
#include <QVBoxLayout>

#include "foundation/MyUtils.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "foundation/ui/frmszlmt.h"
#include "platform/UiHooks.h"

namespace {
constexpr int kDesignedWidth = 568;
constexpr int kDesignedHeight = 442;
}  // namespace

void RenderRichEdit(const ReportO &report, QPlainTextEdit *edit) {
  ui::HourglassGuard hourglass;
  QString text;
  const std::vector<std::string> lines = report.Lines();
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += QChar('\n');
    text += ToQ(lines[i]);
  }
  edit->setPlainText(text);
}

TShowReportDlg::TShowReportDlg(std::unique_ptr<ReportO> report, const std::string &caption, int helpContext,
                               const std::string &settingsKey, QWidget *parent)
    : QWidget(parent, Qt::Window),
      report_(std::move(report)),
      caption_(caption),
      helpContext_(helpContext),
      settingsKey_(settingsKey) {
  setObjectName("ShowReportDlg");
  setAttribute(Qt::WA_DeleteOnClose);
  if (!report_) report_ = std::make_unique<ReportO>();
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  richEdit_ = new QPlainTextEdit(this);
  richEdit_->setObjectName("RichEdit");
  richEdit_->setReadOnly(true);
  richEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  richEdit_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  richEdit_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // A read-only text still shows its caret, so the keys move through it.
  richEdit_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  layout->addWidget(richEdit_, 1);
  statusBar1_ = new QStatusBar(this);
  statusBar1_->setObjectName("StatusBar1");
  layout->addWidget(statusBar1_);
  sizeLimit_ = new TFormSizeLimit(this);
  sizeLimit_->SetMinWidth(400);
  sizeLimit_->SetMinHeight(300);
  sizeLimit_->SetMaxWidth(2000);
  sizeLimit_->SetMaxHeight(2000);
  resize(kDesignedWidth, kDesignedHeight);
  // Esc closes the window wherever the focus is.
  auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  esc->setContext(Qt::WindowShortcut);
  connect(esc, &QShortcut::activated, this, &QWidget::close);
}

TShowReportDlg::~TShowReportDlg() {
  if (!settingsKey_.empty()) myui::SaveFormPlacement(GetIniFileName(), settingsKey_, this);
  report_->Done();
}

void TShowReportDlg::showEvent(QShowEvent *e) {
  QWidget::showEvent(e);
  if (e->spontaneous()) return;  // the window manager restoring it, not a new show
  setWindowTitle(ToQ(caption_));
  // The designed size is that of the whole window, frame included.
  resize(QSize(kDesignedWidth, kDesignedHeight) - TFormSizeLimit::FrameExtra(this));
  if (!settingsKey_.empty()) myui::RestoreFormPlacement(GetIniFileName(), settingsKey_, this);
  richEdit_->clear();
  filled_ = false;
  // Fill once the window is on screen, so a long report does not hold it back.
  QMetaObject::invokeMethod(this, &TShowReportDlg::FillReport, Qt::QueuedConnection);
}

void TShowReportDlg::FillReport() {
  RenderRichEdit(*report_, richEdit_);
  richEdit_->moveCursor(QTextCursor::Start);
  richEdit_->setFocus();
  filled_ = true;
}

TShowReportDlg *ShowReport(std::unique_ptr<ReportO> report, const std::string &caption, int helpContext,
                           const std::string &settingsKey, QWidget *parent) {
  auto *dlg = new TShowReportDlg(std::move(report), caption, helpContext, settingsKey, parent);
  dlg->show();
  return dlg;
}
