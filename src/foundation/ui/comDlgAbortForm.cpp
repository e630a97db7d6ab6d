#include "foundation/ui/comDlgAbortForm.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>
#include <vector>

#include "foundation/GenText.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"

namespace abortdlg {

QString ElidePath(const QString &text, const QFontMetrics &fm, int width) {
  if (fm.horizontalAdvance(text) <= width) return text;
  const qsizetype slash = text.lastIndexOf('/');
  if (slash < 0) return fm.elidedText(text, Qt::ElideMiddle, width);
  const QString name = text.mid(slash + 1);
  const int nameWidth = fm.horizontalAdvance(name);
  if (nameWidth > width) return fm.elidedText(name, Qt::ElideMiddle, width);
  const QString shown = fm.elidedText(text.left(slash + 1), Qt::ElideMiddle, width - nameWidth) + name;
  // No room for the folders: the name with what fits before it.
  if (fm.horizontalAdvance(shown) > width) return fm.elidedText(text, Qt::ElideLeft, width);
  return shown;
}

}  // namespace abortdlg

TAbortDlg::TAbortDlg(AbortDlgO &owner) : QDialog(nullptr), owner_(owner) {
  setObjectName("AbortDlg");
  setModal(false);
  label1_ = new QLabel(this);
  label1_->setObjectName("Label1");
  label1_->setTextFormat(Qt::PlainText);
  label1_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  cancelBtn_ = new QPushButton(this);
  cancelBtn_->setObjectName("CancelBtn");
  cancelBtn_->setMinimumSize(75, 25);
  cancelBtn_->setDefault(true);
  cancelBtn_->setAutoDefault(true);
  connect(cancelBtn_, &QPushButton::clicked, this, [this] { CancelBtnClick(); });
  // The designed places: the label at 8, 8, the button centred below it.
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(8, 8, 6, 6);
  layout->setSpacing(7);
  layout->addWidget(label1_, 1);
  layout->addWidget(cancelBtn_, 0, Qt::AlignHCenter);
  resize(kStartSize);
  setWindowTitle(QString());
  connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *w) {
    std::erase_if(activated_, [w](const QPointer<QWindow> &p) { return !p || p == w; });
    if (w && w != windowHandle()) activated_.emplace_back(w);
    if (activated_.size() > 16) activated_.erase(activated_.begin());
  });
}

QWidget *TAbortDlg::LastActivatedShown() const {
  for (auto it = activated_.rbegin(); it != activated_.rend(); ++it)
    if (*it && (*it)->isVisible())
      for (QWidget *w : QApplication::topLevelWidgets())
        if (w != this && w->windowHandle() == *it && w->isVisible()) return w;
  return nullptr;
}

TAbortDlg::~TAbortDlg() { EnableOtherWindows(); }

void TAbortDlg::ShowForm() {
  QWidget *main = QApplication::activeWindow();
  if (main == this) main = nullptr;
  if (!main) main = LastActivatedShown();
  activeAtShow_ = main;
  focusAtShow_ = QApplication::focusWidget();
  if (main && main->windowHandle()) {
    // Keep the dialog above the window that started the operation.
    create();
    windowHandle()->setTransientParent(main->windowHandle());
  }
  // Each operation starts at the designed size, grown as its text needs.
  ShowMessage();
  resize(kStartSize);
  myui::CenterForm(this);
  show();
  raise();
  activateWindow();
  DisableOtherWindows();
}

void TAbortDlg::HideForm() {
  // Enabled before the dialog goes, so the window can take the keyboard.
  EnableOtherWindows();
  hide();
  // A dialog hidden before the window system finished showing it can stay
  // the window the keys are sent to; without its native window it cannot.
  destroy();
  setWindowTitle(QString());
  GiveBackKeyboard();
}

void TAbortDlg::GiveBackKeyboard() {
  QWidget *main = activeAtShow_, *focus = focusAtShow_;
  if (!main || !main->isVisible() || !main->isEnabled()) return;
  main->activateWindow();
  // The window system may already give it the input focus, and then tells
  // the application nothing.
  QApplication::setActiveWindow(main);
  // Disabling the window took the focus from its widget.
  if (focus && focus->window() == main && focus->isVisible() && focus->isEnabled())
    focus->setFocus(Qt::ActiveWindowFocusReason);
}

bool TAbortDlg::event(QEvent *e) {
  // Shown and hidden before the window system mapped it, the dialog is still
  // activated afterwards: the keyboard goes back again, once that is done.
  if (e->type() == QEvent::WindowActivate && isHidden())
    QTimer::singleShot(0, this, [this] {
      if (isHidden()) GiveBackKeyboard();
    });
  return QDialog::event(e);
}

void TAbortDlg::SetFormCaption(const std::string &text) { setWindowTitle(ToQ(text)); }

void TAbortDlg::SetFormMessage(const std::string &text) {
  message_ = ToQ(text);
  ShowMessage();
}

void TAbortDlg::ShowMessage() {
  QString head = message_, progress;
  if (const qsizetype at = message_.lastIndexOf('['); at >= 0 && message_.endsWith(']')) {
    head = message_.left(at).trimmed();
    progress = message_.mid(at);
  }
  const QFontMetrics fm = label1_->fontMetrics();
  // The progress line sets the least width; the dialog grows to it at once.
  const QMargins m = label1_->contentsMargins();
  label1_->setMinimumWidth(std::max(1, fm.horizontalAdvance(progress) + m.left() + m.right() + 2 * label1_->margin()));
  layout()->activate();
  head = abortdlg::ElidePath(head, fm, label1_->contentsRect().width() - 2 * label1_->margin());
  label1_->setText(progress.isEmpty() ? head : head.isEmpty() ? progress : head + '\n' + progress);
}

void TAbortDlg::reject() { CancelBtnClick(); }

void TAbortDlg::showEvent(QShowEvent *e) {
  cancelBtn_->setText(ToQ(GenText::S_CancelBtn));
  QDialog::showEvent(e);
}

void TAbortDlg::resizeEvent(QResizeEvent *e) {
  QDialog::resizeEvent(e);
  ShowMessage();
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
