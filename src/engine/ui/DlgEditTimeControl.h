#pragma once
// The time-control dialog: edits a whole TimeControlRec. Blitz with six
// presets, a tournament control in three stages, or a fixed search depth or
// time, each section under its radio button. The caller assigns TimeControl,
// runs Execute and, after OK, reads TimeControl back.
#include <QDialog>
#include <array>
#include <cstdint>

#include "foundation/TimeControl.h"

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;

class TEditTimeControlDlg : public QDialog {
  Q_OBJECT
 public:
  static constexpr int kPresetCount = 6;

  explicit TEditTimeControlDlg(QWidget *parent = nullptr);

  TimeControlRec TimeControl;

  QRadioButton *BlitzRB;
  QLabel *Time1Lbl;
  QSpinBox *BlitzMEd;
  QLabel *Min1Lbl;
  QLabel *IncrementLbl;
  QSpinBox *IncrementEd;
  QLabel *Sec1Lbl;
  QLabel *NrOfMoves1Lbl;
  QSpinBox *BlitzNrOfMovesEd;
  std::array<QRadioButton *, kPresetCount> PresetRBs;

  QRadioButton *TournamentRB;
  QGroupBox *FirstTimeControlGB;
  QLabel *Time2Lbl;
  QSpinBox *FirstTimeControlHEd;
  QSpinBox *FirstTimeControlMEd;
  QLabel *NrOfMoves2Lbl;
  QSpinBox *FirstTimeControlNrOfMovesEd;
  QGroupBox *SecondTimeControlGB;
  QLabel *Time3Lbl;
  QSpinBox *SecondTimeControlHEd;
  QSpinBox *SecondTimeControlMEd;
  QLabel *NrOfMoves3Lbl;
  QSpinBox *SecondTimeControlNrOfMovesEd;
  QGroupBox *ThirdTimeControlGB;
  QLabel *Time4Lbl;
  QSpinBox *ThirdTimeControlHEd;
  QSpinBox *ThirdTimeControlMEd;

  QRadioButton *FixedRB;
  QRadioButton *FixedDepthRB;
  QSpinBox *FixedDepthEd;
  QLabel *PlyLbl;
  QRadioButton *FixedTimeRB;
  QSpinBox *FixedTimeEd;
  QLabel *Sec2Lbl;

  QPushButton *OKBtn;
  QPushButton *CancelBtn;

  // Preset n (1..6) as minutes and increment seconds.
  static void GetPreset(int n, int32_t &minutes, int32_t &increment);
  // The preset with these values, 0 when none.
  static int PresetIndex(int32_t minutes, int32_t increment);
  static bool IsPreset(int32_t minutes, int32_t increment) { return PresetIndex(minutes, increment) != 0; }

  // FormShow, then the modal loop (through the modal seam); the result.
  int Execute();
  void ApplyCaptions();
  void FormShow();
  // Takes the record from the controls and closes with OK; a stage whose
  // minutes no longer fit shows the range error and keeps the dialog open.
  void OKBtnClick();
  void EnableControls(TimeControlKind kind, bool on);
  void BlitzRBClick();
  void TournamentRBClick();
  void FixedRBClick();
  // Preset n (1..6) was clicked.
  void PresetBlitz1RBClick(int n);
  // Minutes or increment changed: checks the preset they equal, if any.
  void BlitzMEdChange();
  void FixedDepthRBClick();
  void FixedTimeRBClick();

 private:
  void SelectKind(TimeControlKind kind);

  QButtonGroup *kindGroup_;
  QButtonGroup *fixedGroup_;
  QButtonGroup *presetGroup_;
};
