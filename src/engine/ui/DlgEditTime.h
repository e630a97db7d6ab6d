#pragma once
// The adjust-time dialog: the remaining time of both sides as hours, minutes
// and seconds. The caller hands in both sides' seconds, runs Execute and,
// after OK, reads the edited seconds back.
#include <QDialog>
#include <cstdint>

class QHBoxLayout;
class QLabel;
class QPushButton;
class QSpinBox;

// An edit with its up-down is one spin box. Its range is the up-down's
// limits, widened just enough to hold the value shown, so every value handed
// in shows and comes back unchanged; typing stays within that range.
QSpinBox *NewUpDownEdit(QWidget *parent, const char *name);
void SetUpDownEdit(QSpinBox *box, int lo, int hi, int value);
// The clock dialogs' OK (the default button) and Cancel (which rejects),
// right-aligned in one row.
QHBoxLayout *NewOKCancelRow(QDialog *dlg, QPushButton *&ok, QPushButton *&cancel);

class TEditTimeDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TEditTimeDlg(QWidget *parent = nullptr);

  // Handed in as a clock's seconds. After OK they hold what was typed, which
  // can pass what a clock holds: the caller checks them before using them.
  int64_t WhiteSeconds = 0;
  int64_t BlackSeconds = 0;

  QLabel *WhiteTimeLbl;
  QSpinBox *WhiteHEd;
  QSpinBox *WhiteMEd;
  QSpinBox *WhiteSEd;
  QLabel *BlackTimeLbl;
  QSpinBox *BlackHEd;
  QSpinBox *BlackMEd;
  QSpinBox *BlackSEd;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

  // FormShow, then the modal loop (through the modal seam); the result.
  int Execute();
  void ApplyCaptions();
  void FormShow();
  void OKBtnClick();
};
