#pragma once
// The one way modal dialogs run. The program runs them with exec(); tests
// install an answerer that inspects or clicks the dialog and answers its
// result, so no test ever blocks on a modal loop.
#include <QString>
#include <functional>

class QDialog;

namespace modal {

using Answerer = std::function<int(QDialog &dlg)>;

// Runs the dialog modally, or hands it to the installed answerer.
int Exec(QDialog &dlg);
// Installs an answerer (empty = run for real); answers the previous one.
Answerer SetAnswerer(Answerer a);

// While the program ends on a signal, a dialog asked for is not run (nor
// answered): Exec answers QDialog::Rejected at once, as if it had been
// closed. A message that would follow every OK can then not hold off the
// end.
void SetEnding(bool ending);
bool Ending();

// An answerer for the guard's lifetime.
class ScopedAnswerer {
 public:
  explicit ScopedAnswerer(Answerer a) : old_(SetAnswerer(std::move(a))) {}
  ~ScopedAnswerer() { SetAnswerer(std::move(old_)); }
  ScopedAnswerer(const ScopedAnswerer &) = delete;
  ScopedAnswerer &operator=(const ScopedAnswerer &) = delete;

 private:
  Answerer old_;
};

// Clicks the dialog's button of that object name (as a user would) and
// answers the dialog's result; -1 when there is no such button.
int ClickButton(QDialog &dlg, const QString &objectName);

}  // namespace modal
