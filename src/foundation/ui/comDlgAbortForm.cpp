#include "foundation/ui/comDlgAbortForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QWindow>

#include "foundation/GenText.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"

TAbortDlg::TAbortDlg(AbortDlgO &owner) : QDialog(nullptr), owner_(owner) {
  setObjectName("AbortDlg");
  setModal(false);
  // The designed client size, not scaled.
  setFixedSize(239, 95);
  label1_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label1_->setWordWrap(true);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label1_->setGeometry(8, 8, 225, 49);
  cancelBtn_ = new QPushButton(this);
  cancelBtn_->setObjectName("CancelBtn");
  cancelBtn_->setGeometry(82, 64, 75, 25);
  cancelBtn_->setDefault(true);
  cancelBtn_->setAutoDefault(true);
  connect(cancelBtn_, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  setWindowTitle(QString());
}

TAbortDlg::~TAbortDlg() { EnableOtherWindows(); }

void TAbortDlg::ShowForm() {
  if (QWidget *main = QApplication::activeWindow(); main && main != this && main->windowHandle()) {
    // Keep the dialog above the window that started the operation.
    create();
    windowHandle()->setTransientParent(main->windowHandle());
  }
  myui::CenterForm(this);
  show();
  raise();
  activateWindow();
  DisableOtherWindows();
}

void TAbortDlg::HideForm() {
  hide();
  setWindowTitle(QString());
  EnableOtherWindows();
}

void TAbortDlg::SetFormCaption(const std::string &text) { setWindowTitle(ToQ(text)); }

void TAbortDlg::SetFormMessage(const std::string &text) { label1_->setText(ToQ(text)); }

void TAbortDlg::reject() { CancelBtnClick(); }

void TAbortDlg::showEvent(QShowEvent *e) {
  cancelBtn_->setText(ToQ(GenText::S_CancelBtn));
  QDialog::showEvent(e);
}

void TAbortDlg::closeEvent(QCloseEvent *e) {
  e->ignore();
  CancelBtnClick();
}

void TAbortDlg::CancelBtnClick() {
  owner_.Cancel();
  setWindowTitle(ToQ(GenText::S_Canceling + "..."));
}

void TAbortDlg::DisableOtherWindows() {
  // Only windows that are enabled now, so enabling restores what was.
  for (QWidget *w : QApplication::topLevelWidgets()) {
    const Qt::WindowType type = w->windowType();
    if (w == this || w->testAttribute(Qt::WA_Disabled) || type == Qt::Popup || type == Qt::ToolTip ||
        type == Qt::Desktop || type == Qt::SplashScreen)
      continue;
    w->setEnabled(false);
    disabled_.emplace_back(w);
  }
}

void TAbortDlg::EnableOtherWindows() {
  for (const QPointer<QWidget> &w : disabled_)
    if (w) w->setEnabled(true);
  disabled_.clear();
}

void InstallAbortDlgForm() {
  AbortDlgO::InstallFormFactory(
      [](AbortDlgO &owner) -> std::unique_ptr<AbortFormI> { return std::make_unique<TAbortDlg>(owner); });
}
