#pragma once
// The window of the cancel dialog: a message and a Cancel button, shown
// modeless while a long operation runs and every other window is disabled.
// The message's progress bracket ("[42%, 12345 Games]") has a line of its
// own that is always shown whole (the dialog grows for it); the text before
// it, mostly a path, is elided in its folders, keeping the file name.
#include <QDialog>
#include <QFontMetrics>
#include <QPointer>
#include <QSize>
#include <QString>
#include <vector>

#include "foundation/comDlgAbort.h"

class QLabel;
class QPushButton;
class QWindow;

class TAbortDlg : public QDialog, public AbortFormI {
  Q_OBJECT
 public:
  // No Qt parent: disabling a parent window would disable this one too.
  explicit TAbortDlg(AbortDlgO &owner);
  ~TAbortDlg() override;

  void ShowForm() override;
  void HideForm() override;
  void SetFormCaption(const std::string &text) override;
  void SetFormMessage(const std::string &text) override;

  QLabel *Label1() const { return label1_; }
  // The size the dialog starts at; it grows as its message needs.
  static constexpr QSize kStartSize{239, 95};
  QPushButton *CancelBtn() const { return cancelBtn_; }

  // Escape: cancels the operation; the dialog stays until it ends.
  void reject() override;

 protected:
  void showEvent(QShowEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;
  bool event(QEvent *e) override;
  // The close box cancels the operation instead of closing the dialog.
  void closeEvent(QCloseEvent *e) override;

 private:
  void CancelBtnClick();
  void DisableOtherWindows();
  void EnableOtherWindows();
  // Puts the message into the label for the label's width.
  void ShowMessage();
  // Activates the window active at the show and focuses its widget again.
  void GiveBackKeyboard();

  AbortDlgO &owner_;
  QLabel *label1_;
  QPushButton *cancelBtn_;
  std::vector<QPointer<QWidget>> disabled_;  // the windows this dialog disabled
  QString message_;
  // Active and focused when the dialog was shown; they get both back when it
  // hides, or no window of the program has the keyboard until a click.
  QPointer<QWidget> activeAtShow_, focusAtShow_;
  // The windows in the order they were activated, the latest last: a file
  // dialog closed just before the show leaves no window active yet, and the
  // one active before it is meant.
  std::vector<QPointer<QWindow>> activated_;
  QWidget *LastActivatedShown() const;
};

namespace abortdlg {
// text fitted to width: a path loses the middle of its folders first and
// keeps what follows the last "/" whole; that is cut in its middle only
// when it alone is too wide. Text without a "/" is cut in its middle.
QString ElidePath(const QString &text, const QFontMetrics &fm, int width);
}  // namespace abortdlg

// Makes every AbortDlgO that is initialised from now on use a TAbortDlg.
void InstallAbortDlgForm();
