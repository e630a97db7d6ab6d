#pragma once
// The base of the small dialogs that ask for one choice among radio
// buttons: each button stands for a choice byte, OK stores the checked
// one, and a double click on a button chooses it and closes with OK.
#include <string>
#include <vector>

#include "app/AppDialog.h"

class QPushButton;
class QRadioButton;
class QVBoxLayout;

class TRadioChoiceDlg : public TAppDialog {
  Q_OBJECT
 public:
  TRadioChoiceDlg(const std::string &section, QWidget *parent);

  // The preset choice before Execute, the chosen one after OK.
  uint8_t Choice = 0;

  // Checks the button of the preset choice (none for a value without one).
  void FormShow() override;
  void OKBtnClick();

  QPushButton *OKBtn;
  QPushButton *CancelBtn;
  QPushButton *HelpBtn;

 protected:
  QRadioButton *AddChoice(const char *name, uint8_t choice);
  // The captions of the dialog and its buttons, as FormShow applies them.
  virtual void ApplyCaptions() = 0;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  struct Entry {
    QRadioButton *button;
    uint8_t choice;
  };
  std::vector<Entry> entries_;
  QVBoxLayout *choices_;
};
