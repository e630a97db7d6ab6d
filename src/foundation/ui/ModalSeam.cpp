#include "foundation/ui/ModalSeam.h"

#include <QAbstractButton>
#include <QDialog>

namespace modal {

namespace {
Answerer &Current() {
  static Answerer a;
  return a;
}
bool g_ending = false;
}  // namespace

void SetEnding(bool ending) { g_ending = ending; }
bool Ending() { return g_ending; }

int Exec(QDialog &dlg) {
  if (g_ending) return QDialog::Rejected;
  if (Current()) return Current()(dlg);
  return dlg.exec();
}

Answerer SetAnswerer(Answerer a) {
  Answerer old = std::move(Current());
  Current() = std::move(a);
  return old;
}

int ClickButton(QDialog &dlg, const QString &objectName) {
  auto *b = dlg.findChild<QAbstractButton *>(objectName);
  if (!b) return -1;
  dlg.setResult(0);
  b->click();
  return dlg.result();
}

}  // namespace modal
