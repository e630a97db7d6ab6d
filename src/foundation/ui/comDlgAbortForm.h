#pragma once
// The window of the cancel dialog: a message and a Cancel button, shown
// modeless while a long operation runs and every other window is disabled.
#include <QDialog>
#include <QPointer>
#include <vector>

#include "foundation/comDlgAbort.h"

class QLabel;
class QPushButton;

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
  QPushButton *CancelBtn() const { return cancelBtn_; }

  // Escape: cancels the operation; the dialog stays until it ends.
  void reject() override;

 protected:
  void showEvent(QShowEvent *e) override;
  // The close box cancels the operation instead of closing the dialog.
  void closeEvent(QCloseEvent *e) override;

 private:
  void CancelBtnClick();
  void DisableOtherWindows();
  void EnableOtherWindows();

  AbortDlgO &owner_;
  QLabel *label1_;
  QPushButton *cancelBtn_;
  std::vector<QPointer<QWidget>> disabled_;  // the windows this dialog disabled
};

// Makes every AbortDlgO that is initialised from now on use a TAbortDlg.
void InstallAbortDlgForm();
