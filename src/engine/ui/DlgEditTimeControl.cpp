#include "engine/ui/DlgEditTimeControl.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QVBoxLayout>

#include "engine/ui/DlgEditTime.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"

namespace {

struct Preset {
  int32_t minutes;
  int32_t increment;
};
constexpr Preset kPresets[TEditTimeControlDlg::kPresetCount] = {{5, 0}, {10, 0}, {25, 0},
                                                                 {60, 0}, {4, 2},  {2, 12}};

QLabel *NewLabel(QWidget *parent, const char *name) {
  auto *l = new QLabel(parent);
  l->setObjectName(name);
  return l;
}

QRadioButton *NewRadio(QWidget *parent, const char *name) {
  auto *b = new QRadioButton(parent);
  b->setObjectName(name);
  return b;
}

// An exclusive group refuses to uncheck its checked button.
void UncheckAll(QButtonGroup *group) {
  group->setExclusive(false);
  for (QAbstractButton *b : group->buttons()) b->setChecked(false);
  group->setExclusive(true);
}

// A stage's time in minutes as hours and minutes.
void ShowStage(int32_t minutes, int maxHours, QSpinBox *h, QSpinBox *m) {
  SetUpDownEdit(h, 0, maxHours, minutes / 60);
  SetUpDownEdit(m, 0, 59, minutes % 60);
}

int32_t ReadStage(const QSpinBox *h, const QSpinBox *m) {
  return RangeCast<int32_t>(int64_t{h->value()} * 60 + m->value());
}

// One tournament stage: its time as hours : minutes, and, but for the last,
// its number of moves.
QGroupBox *NewStage(QWidget *parent, const char *name, QLabel *timeLbl, QSpinBox *h, QSpinBox *m,
                    QLabel *movesLbl, QSpinBox *moves) {
  auto *gb = new QGroupBox(parent);
  gb->setObjectName(name);
  for (QWidget *w : {static_cast<QWidget *>(timeLbl), static_cast<QWidget *>(h), static_cast<QWidget *>(m)})
    w->setParent(gb);
  auto *grid = new QGridLayout(gb);
  grid->addWidget(timeLbl, 0, 0);
  grid->addWidget(h, 0, 1);
  grid->addWidget(new QLabel(":", gb), 0, 2);
  grid->addWidget(m, 0, 3);
  if (movesLbl) {
    movesLbl->setParent(gb);
    moves->setParent(gb);
    grid->addWidget(movesLbl, 1, 0);
    grid->addWidget(moves, 1, 1);
  }
  grid->setRowStretch(2, 1);
  grid->setColumnStretch(4, 1);
  return gb;
}

}  // namespace

TEditTimeControlDlg::TEditTimeControlDlg(QWidget *parent) : QDialog(parent) {
  setObjectName("EditTimeControlDlg");
  TimeControl.SetDefaults();

  BlitzRB = NewRadio(this, "BlitzRB");
  Time1Lbl = NewLabel(this, "Time1Lbl");
  BlitzMEd = NewUpDownEdit(this, "BlitzMEd");
  Min1Lbl = NewLabel(this, "Min1Lbl");
  IncrementLbl = NewLabel(this, "IncrementLbl");
  IncrementEd = NewUpDownEdit(this, "IncrementEd");
  Sec1Lbl = NewLabel(this, "Sec1Lbl");
  NrOfMoves1Lbl = NewLabel(this, "NrOfMoves1Lbl");
  BlitzNrOfMovesEd = NewUpDownEdit(this, "BlitzNrOfMovesEd");
  static const char *const kPresetNames[kPresetCount] = {"PresetBlitz1RB", "PresetBlitz2RB", "PresetBlitz3RB",
                                                         "PresetBlitz4RB", "PresetBlitz5RB", "PresetBlitz6RB"};
  for (int i = 0; i < kPresetCount; ++i) PresetRBs[i] = NewRadio(this, kPresetNames[i]);

  TournamentRB = NewRadio(this, "TournamentRB");
  Time2Lbl = NewLabel(this, "Time2Lbl");
  FirstTimeControlHEd = NewUpDownEdit(this, "FirstTimeControlHEd");
  FirstTimeControlMEd = NewUpDownEdit(this, "FirstTimeControlMEd");
  NrOfMoves2Lbl = NewLabel(this, "NrOfMoves2Lbl");
  FirstTimeControlNrOfMovesEd = NewUpDownEdit(this, "FirstTimeControlNrOfMovesEd");
  Time3Lbl = NewLabel(this, "Time3Lbl");
  SecondTimeControlHEd = NewUpDownEdit(this, "SecondTimeControlHEd");
  SecondTimeControlMEd = NewUpDownEdit(this, "SecondTimeControlMEd");
  NrOfMoves3Lbl = NewLabel(this, "NrOfMoves3Lbl");
  SecondTimeControlNrOfMovesEd = NewUpDownEdit(this, "SecondTimeControlNrOfMovesEd");
  Time4Lbl = NewLabel(this, "Time4Lbl");
  ThirdTimeControlHEd = NewUpDownEdit(this, "ThirdTimeControlHEd");
  ThirdTimeControlMEd = NewUpDownEdit(this, "ThirdTimeControlMEd");
  FirstTimeControlGB = NewStage(this, "FirstTimeControlGB", Time2Lbl, FirstTimeControlHEd, FirstTimeControlMEd,
                                NrOfMoves2Lbl, FirstTimeControlNrOfMovesEd);
  SecondTimeControlGB = NewStage(this, "SecondTimeControlGB", Time3Lbl, SecondTimeControlHEd,
                                 SecondTimeControlMEd, NrOfMoves3Lbl, SecondTimeControlNrOfMovesEd);
  ThirdTimeControlGB =
      NewStage(this, "ThirdTimeControlGB", Time4Lbl, ThirdTimeControlHEd, ThirdTimeControlMEd, nullptr, nullptr);

  FixedRB = NewRadio(this, "FixedRB");
  FixedDepthRB = NewRadio(this, "FixedDepthRB");
  FixedDepthEd = NewUpDownEdit(this, "FixedDepthEd");
  PlyLbl = NewLabel(this, "PlyLbl");
  FixedTimeRB = NewRadio(this, "FixedTimeRB");
  FixedTimeEd = NewUpDownEdit(this, "FixedTimeEd");
  Sec2Lbl = NewLabel(this, "Sec2Lbl");

  QHBoxLayout *buttons = NewOKCancelRow(this, OKBtn, CancelBtn);

  // Three separate groups: the kinds, the two fixed options, the presets.
  kindGroup_ = new QButtonGroup(this);
  kindGroup_->addButton(BlitzRB, static_cast<int>(TimeControlKind::Blitz));
  kindGroup_->addButton(TournamentRB, static_cast<int>(TimeControlKind::Tournament));
  kindGroup_->addButton(FixedRB, static_cast<int>(TimeControlKind::Fixed));
  fixedGroup_ = new QButtonGroup(this);
  fixedGroup_->addButton(FixedDepthRB);
  fixedGroup_->addButton(FixedTimeRB);
  presetGroup_ = new QButtonGroup(this);
  for (int i = 0; i < kPresetCount; ++i) presetGroup_->addButton(PresetRBs[i], i + 1);

  // Each section stands under its radio button, indented to the button's text.
  const int indent = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, this) +
                     style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, this);

  auto *blitzEdits = new QGridLayout;
  blitzEdits->addWidget(Time1Lbl, 0, 0);
  blitzEdits->addWidget(BlitzMEd, 0, 1);
  blitzEdits->addWidget(Min1Lbl, 0, 2);
  blitzEdits->addWidget(IncrementLbl, 1, 0);
  blitzEdits->addWidget(IncrementEd, 1, 1);
  blitzEdits->addWidget(Sec1Lbl, 1, 2);
  blitzEdits->addWidget(NrOfMoves1Lbl, 2, 0);
  blitzEdits->addWidget(BlitzNrOfMovesEd, 2, 1);
  auto *presets = new QGridLayout;
  presets->setHorizontalSpacing(16);
  for (int i = 0; i < kPresetCount; ++i) presets->addWidget(PresetRBs[i], i % 3, i / 3);
  auto *blitz = new QHBoxLayout;
  blitz->setContentsMargins(indent, 0, 0, 0);
  blitz->addLayout(blitzEdits);
  blitz->addSpacing(24);
  blitz->addLayout(presets);
  blitz->addStretch(1);

  auto *tournament = new QHBoxLayout;
  tournament->setContentsMargins(indent, 0, 0, 0);
  tournament->addWidget(FirstTimeControlGB);
  tournament->addWidget(SecondTimeControlGB);
  tournament->addWidget(ThirdTimeControlGB);

  auto *fixed = new QGridLayout;
  fixed->setContentsMargins(indent, 0, 0, 0);
  fixed->addWidget(FixedDepthRB, 0, 0);
  fixed->addWidget(FixedDepthEd, 0, 1);
  fixed->addWidget(PlyLbl, 0, 2);
  fixed->addWidget(FixedTimeRB, 1, 0);
  fixed->addWidget(FixedTimeEd, 1, 1);
  fixed->addWidget(Sec2Lbl, 1, 2);
  fixed->setColumnStretch(3, 1);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(BlitzRB);
  layout->addLayout(blitz);
  layout->addSpacing(8);
  layout->addWidget(TournamentRB);
  layout->addLayout(tournament);
  layout->addSpacing(8);
  layout->addWidget(FixedRB);
  layout->addLayout(fixed);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  // The dialog takes the size its captions need, in any language.
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(BlitzRB, &QRadioButton::clicked, this, [this] { BlitzRBClick(); });
  connect(TournamentRB, &QRadioButton::clicked, this, [this] { TournamentRBClick(); });
  connect(FixedRB, &QRadioButton::clicked, this, [this] { FixedRBClick(); });
  for (int i = 0; i < kPresetCount; ++i)
    connect(PresetRBs[i], &QRadioButton::clicked, this, [this, i] { PresetBlitz1RBClick(i + 1); });
  // The editors' own signal: a spin box tells no change to a text that is not
  // a number, such as an emptied box.
  for (QSpinBox *box : {BlitzMEd, IncrementEd})
    connect(box->findChild<QLineEdit *>(), &QLineEdit::textChanged, this, [this] { BlitzMEdChange(); });
  connect(FixedDepthRB, &QRadioButton::clicked, this, [this] { FixedDepthRBClick(); });
  connect(FixedTimeRB, &QRadioButton::clicked, this, [this] { FixedTimeRBClick(); });
  connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
}

void TEditTimeControlDlg::GetPreset(int n, int32_t &minutes, int32_t &increment) {
  CheckRange(n, 1, kPresetCount);
  minutes = kPresets[n - 1].minutes;
  increment = kPresets[n - 1].increment;
}

int TEditTimeControlDlg::PresetIndex(int32_t minutes, int32_t increment) {
  for (int i = 0; i < kPresetCount; ++i)
    if (kPresets[i].minutes == minutes && kPresets[i].increment == increment) return i + 1;
  return 0;
}

int TEditTimeControlDlg::Execute() {
  FormShow();
  return modal::Exec(*this);
}

void TEditTimeControlDlg::ApplyCaptions() {
  using namespace CommonText;
  setWindowTitle(ToQ(S_EditTimeControlDlg));
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  BlitzRB->setText(ToQ(S_BlitzRB));
  for (QLabel *l : {Time1Lbl, Time2Lbl, Time3Lbl, Time4Lbl}) l->setText(ToQ(S_Time + ":"));
  Min1Lbl->setText(ToQ(S_MinutesAbbreviation));
  IncrementLbl->setText(ToQ(S_Increment + ":"));
  Sec1Lbl->setText(ToQ(S_SecondsAbbreviation));
  Sec2Lbl->setText(ToQ(S_SecondsAbbreviation));
  for (QLabel *l : {NrOfMoves1Lbl, NrOfMoves2Lbl, NrOfMoves3Lbl}) l->setText(ToQ(S_NrOfMoves + ":"));
  TournamentRB->setText(ToQ(S_TournamentRB));
  FirstTimeControlGB->setTitle(ToQ(S_FirstTimeControl));
  SecondTimeControlGB->setTitle(ToQ(S_SecondTimeControl));
  ThirdTimeControlGB->setTitle(ToQ(S_ThirdTimeControl));
  FixedRB->setText(ToQ(S_FixedRB));
  FixedDepthRB->setText(ToQ(S_Depth + ":"));
  PlyLbl->setText(ToQ(S_Ply));
  FixedTimeRB->setText(ToQ(S_Time + ":"));
  for (int n = 1; n <= kPresetCount; ++n) {
    int32_t minutes, increment;
    GetPreset(n, minutes, increment);
    std::string caption = IntToStr(minutes) + " " + S_MinutesAbbreviation;
    if (increment != 0) caption += " + " + IntToStr(increment) + " " + S_SecondsAbbreviation;
    PresetRBs[n - 1]->setText(ToQ(caption));
  }
}

void TEditTimeControlDlg::FormShow() {
  ApplyCaptions();
  const TimeControlRec &r = TimeControl;
  SetUpDownEdit(BlitzMEd, 0, 999, r.BlitzTime);
  SetUpDownEdit(IncrementEd, 0, 999, r.BlitzIncrement);
  SetUpDownEdit(BlitzNrOfMovesEd, 0, 999, r.BlitzNrOfMoves);
  // Setting a box to the value it holds changes no text: the record's preset
  // is checked here whatever the boxes held before.
  BlitzMEdChange();
  ShowStage(r.FirstTimeControlTime, 9, FirstTimeControlHEd, FirstTimeControlMEd);
  SetUpDownEdit(FirstTimeControlNrOfMovesEd, 0, 99, r.FirstTimeControlNrOfMoves);
  ShowStage(r.SecondTimeControlTime, 9, SecondTimeControlHEd, SecondTimeControlMEd);
  SetUpDownEdit(SecondTimeControlNrOfMovesEd, 0, 99, r.SecondTimeControlNrOfMoves);
  ShowStage(r.ThirdTimeControlTime, 100, ThirdTimeControlHEd, ThirdTimeControlMEd);
  // As one after the other: with both on, the time option ends up checked.
  UncheckAll(fixedGroup_);
  if (r.FixedDepthActive) FixedDepthRB->setChecked(true);
  if (r.FixedTimeActive) FixedTimeRB->setChecked(true);
  SetUpDownEdit(FixedDepthEd, 0, 99, r.FixedDepth);
  SetUpDownEdit(FixedTimeEd, 0, 999, r.FixedTime);
  kindGroup_->button(static_cast<int>(r.SelectedTimeControl))->setChecked(true);
  SelectKind(r.SelectedTimeControl);
}

void TEditTimeControlDlg::OKBtnClick() {
  TimeControlRec r = TimeControl;
  if (BlitzRB->isChecked())
    r.SelectedTimeControl = TimeControlKind::Blitz;
  else if (TournamentRB->isChecked())
    r.SelectedTimeControl = TimeControlKind::Tournament;
  else if (FixedRB->isChecked())
    r.SelectedTimeControl = TimeControlKind::Fixed;
  // An emptied box still holds its last value, which is the record's unless
  // a number was typed.
  r.BlitzTime = BlitzMEd->value();
  r.BlitzIncrement = IncrementEd->value();
  r.BlitzNrOfMoves = BlitzNrOfMovesEd->value();
  try {
    r.FirstTimeControlTime = ReadStage(FirstTimeControlHEd, FirstTimeControlMEd);
    r.SecondTimeControlTime = ReadStage(SecondTimeControlHEd, SecondTimeControlMEd);
    r.ThirdTimeControlTime = ReadStage(ThirdTimeControlHEd, ThirdTimeControlMEd);
  } catch (const ERangeError &e) {
    ui::ShowMessage(e.what());
    return;
  }
  r.FirstTimeControlNrOfMoves = FirstTimeControlNrOfMovesEd->value();
  r.SecondTimeControlNrOfMoves = SecondTimeControlNrOfMovesEd->value();
  r.FixedTimeActive = FixedTimeRB->isChecked();
  r.FixedTime = FixedTimeEd->value();
  r.FixedDepthActive = FixedDepthRB->isChecked();
  r.FixedDepth = FixedDepthEd->value();
  TimeControl = r;
  accept();
}

void TEditTimeControlDlg::EnableControls(TimeControlKind kind, bool on) {
  switch (kind) {
    case TimeControlKind::Blitz:
      for (QWidget *w : {BlitzMEd, IncrementEd, BlitzNrOfMovesEd}) w->setEnabled(on);
      for (QRadioButton *b : PresetRBs) b->setEnabled(on);
      break;
    case TimeControlKind::Tournament:
      for (QWidget *w : {FirstTimeControlHEd, FirstTimeControlMEd, FirstTimeControlNrOfMovesEd,
                         SecondTimeControlHEd, SecondTimeControlMEd, SecondTimeControlNrOfMovesEd,
                         ThirdTimeControlHEd, ThirdTimeControlMEd})
        w->setEnabled(on);
      break;
    case TimeControlKind::Fixed:
      FixedDepthRB->setEnabled(on);
      FixedTimeRB->setEnabled(on);
      FixedDepthEd->setEnabled(on && FixedDepthRB->isChecked());
      FixedTimeEd->setEnabled(on && FixedTimeRB->isChecked());
      break;
  }
}

void TEditTimeControlDlg::SelectKind(TimeControlKind kind) {
  for (TimeControlKind k : {TimeControlKind::Blitz, TimeControlKind::Tournament, TimeControlKind::Fixed})
    EnableControls(k, false);
  EnableControls(kind, true);
}

void TEditTimeControlDlg::BlitzRBClick() { SelectKind(TimeControlKind::Blitz); }

void TEditTimeControlDlg::TournamentRBClick() { SelectKind(TimeControlKind::Tournament); }

void TEditTimeControlDlg::FixedRBClick() { SelectKind(TimeControlKind::Fixed); }

void TEditTimeControlDlg::PresetBlitz1RBClick(int n) {
  int32_t minutes, increment;
  GetPreset(n, minutes, increment);
  BlitzMEd->setValue(minutes);
  IncrementEd->setValue(increment);
}

void TEditTimeControlDlg::BlitzMEdChange() {
  // The texts as typed: a box that is empty or not a number reads 0.
  const int n = PresetIndex(BlitzMEd->cleanText().toInt(), IncrementEd->cleanText().toInt());
  if (n != 0)
    PresetRBs[n - 1]->setChecked(true);
  else
    UncheckAll(presetGroup_);
}

void TEditTimeControlDlg::FixedDepthRBClick() {
  FixedDepthEd->setEnabled(true);
  FixedTimeEd->setEnabled(false);
}

void TEditTimeControlDlg::FixedTimeRBClick() {
  FixedTimeEd->setEnabled(true);
  FixedDepthEd->setEnabled(false);
}
