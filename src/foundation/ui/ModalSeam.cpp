#include "foundation/ui/ModalSeam.h"

#include <QAbstractButton>
#include <QDialog>

namespace modal {

namespace {
Answerer &Current() {
  static Answerer a;
  return a;
}
}  // namespace

int Exec(QDialog &dlg) {
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
