#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "engine/ui/DlgEditTime.h"
#include "engine/ui/DlgEditTimeControl.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"

namespace {

// The dialogs in a chosen language, run through the modal seam: each test
// acts on the shown dialog as a user would, then clicks a button.
class ClockDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    SetLanguage(LangEnglish);
    ui::Hooks h = ui::CurrentHooks();
    h.showMessage = [this](const std::string &text) { messages.push_back(text); };
    oldHooks_ = ui::InstallHooks(h);
  }
  void TearDown() override {
    ui::InstallHooks(oldHooks_);
    SetLanguage(LangEnglish);
  }
  static void SetLanguage(LanguageId id) {
    CommonText::SetUILanguage(id);
    GenText::SetDialogLanguage(id);
  }

  // Shows the dialog, lets act work on it, then clicks the button; the
  // dialog's result.
  template <class Dlg>
  int Run(Dlg &dlg, const std::function<void()> &act, const char *button = "OKBtn") {
    modal::ScopedAnswerer answer([&](QDialog &d) {
      d.show();
      act();
      const int r = modal::ClickButton(d, button);
      d.hide();
      return r;
    });
    return dlg.Execute();
  }

  // Replaces a box's text as typed keys.
  static void Type(QSpinBox *box, const QString &keys) {
    box->setFocus();
    box->selectAll();
    QTest::keyClick(box, Qt::Key_Backspace);
    if (!keys.isEmpty()) QTest::keyClicks(box, keys);
  }

  // A click on a button's text: a radio button as wide as its row takes no
  // click beyond its text.
  static void Click(QAbstractButton *b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(4, b->height() / 2)); }

  std::vector<std::string> messages;

 private:
  testutil::TempDir dir_;
  testutil::AppDirGuard guard_{dir_.Path()};
  ui::Hooks oldHooks_;
};

// ---- Adjust time

TEST_F(ClockDialogsTest, EditTimeShowsEverySideAsHoursMinutesSecondsAndReadsItBack) {
  TEditTimeDlg dlg;
  // Within the up-downs' limits, beyond them (more than 9 hours), and the
  // most a clock holds.
  for (int64_t s : {int64_t{0}, int64_t{59}, int64_t{3725}, int64_t{35999}, int64_t{59940}, int64_t{2147483}}) {
    dlg.WhiteSeconds = s;
    dlg.BlackSeconds = 3725;
    int h = -1, m = -1, sec = -1;
    ASSERT_EQ(Run(dlg,
                  [&] {
                    h = dlg.WhiteHEd->value();
                    m = dlg.WhiteMEd->value();
                    sec = dlg.WhiteSEd->value();
                  }),
              QDialog::Accepted);
    EXPECT_EQ(h, s / 3600) << s;
    EXPECT_EQ(m, s / 60 % 60) << s;
    EXPECT_EQ(sec, s % 60) << s;
    EXPECT_EQ(dlg.WhiteSeconds, s);
    EXPECT_EQ(dlg.BlackSeconds, 3725);
  }
  EXPECT_EQ(dlg.BlackHEd->value(), 1);
  EXPECT_EQ(dlg.BlackMEd->value(), 2);
  EXPECT_EQ(dlg.BlackSEd->value(), 5);
}

TEST_F(ClockDialogsTest, EditTimeTypingStaysWithinTheBoxAndEditsTheSeconds) {
  TEditTimeDlg dlg;
  dlg.WhiteSeconds = 3725;
  dlg.BlackSeconds = 600;
  QWidget *focus = nullptr;
  ASSERT_EQ(Run(dlg,
                [&] {
                  focus = dlg.focusWidget();
                  Type(dlg.WhiteHEd, "12");  // the "2" is refused
                  Type(dlg.WhiteSEd, "7");
                  Type(dlg.BlackMEd, "");  // emptied: keeps its value
                }),
            QDialog::Accepted);
  EXPECT_EQ(focus, dlg.WhiteHEd);
  EXPECT_EQ(dlg.WhiteSeconds, 3600 + 120 + 7);
  EXPECT_EQ(dlg.BlackSeconds, 600);

  // A range widened for one show is back to its limits at the next.
  dlg.WhiteSeconds = 59940;
  Run(dlg, [&] { EXPECT_EQ(dlg.WhiteHEd->maximum(), 16); });
  dlg.WhiteSeconds = 0;
  Run(dlg, [&] { EXPECT_EQ(dlg.WhiteHEd->maximum(), 9); });

  // Cancel leaves the handed-in values.
  dlg.WhiteSeconds = 100;
  EXPECT_EQ(Run(dlg, [&] { Type(dlg.WhiteHEd, "5"); }, "CancelBtn"), QDialog::Rejected);
  EXPECT_EQ(dlg.WhiteSeconds, 100);
}

TEST_F(ClockDialogsTest, EditTimeCaptionsFollowTheLanguageAtEachShow) {
  TEditTimeDlg dlg;
  Run(dlg, [] {});
  EXPECT_EQ(dlg.windowTitle(), "Adjust Time");
  EXPECT_EQ(dlg.WhiteTimeLbl->text(), "&White:");
  EXPECT_EQ(dlg.BlackTimeLbl->text(), "&Black:");
  // With a buddy the "&" is the mnemonic, not a shown character.
  EXPECT_EQ(dlg.WhiteTimeLbl->buddy(), dlg.WhiteHEd);
  EXPECT_EQ(dlg.BlackTimeLbl->buddy(), dlg.BlackHEd);
  SetLanguage(LangDutch);
  Run(dlg, [] {}, "CancelBtn");
  EXPECT_EQ(dlg.windowTitle(), "Tijd aanpassen");
  EXPECT_EQ(dlg.BlackTimeLbl->text(), "&Zwart:");
  EXPECT_EQ(dlg.CancelBtn->text(), "Annuleren");
}

// ---- Time control

// The checked presets, numbered 1..6.
std::vector<int> CheckedPresets(const TEditTimeControlDlg &dlg) {
  std::vector<int> n;
  for (int i = 0; i < TEditTimeControlDlg::kPresetCount; ++i)
    if (dlg.PresetRBs[i]->isChecked()) n.push_back(i + 1);
  return n;
}

TEST_F(ClockDialogsTest, PresetsFollowTheTypedValuesAndWriteTheirOwn) {
  TEditTimeControlDlg dlg;
  Run(dlg, [&] {
    EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{1});  // the defaults: 5 min
    Type(dlg.BlitzMEd, "4");
    Type(dlg.IncrementEd, "2");
    EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{5});
    Type(dlg.IncrementEd, "3");
    EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{});
    Type(dlg.BlitzMEd, "60");
    Type(dlg.IncrementEd, "0");
    EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{4});
    Type(dlg.BlitzMEd, "");  // an emptied box reads 0 here
    EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{});
    for (int n = 1; n <= TEditTimeControlDlg::kPresetCount; ++n) {
      Click(dlg.PresetRBs[n - 1]);
      int32_t minutes, increment;
      TEditTimeControlDlg::GetPreset(n, minutes, increment);
      EXPECT_EQ(dlg.BlitzMEd->value(), minutes) << n;
      EXPECT_EQ(dlg.IncrementEd->value(), increment) << n;
      EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{n});
    }
  });
  EXPECT_EQ(dlg.TimeControl.BlitzTime, 2);
  EXPECT_EQ(dlg.TimeControl.BlitzIncrement, 12);

  // The shown record's preset, whatever the last show left checked.
  dlg.TimeControl.BlitzTime = 10;
  dlg.TimeControl.BlitzIncrement = 0;
  Run(dlg, [&] { EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{2}); }, "CancelBtn");
  dlg.TimeControl.BlitzTime = 11;
  Run(dlg, [&] { EXPECT_EQ(CheckedPresets(dlg), std::vector<int>{}); }, "CancelBtn");

  EXPECT_EQ(TEditTimeControlDlg::PresetIndex(25, 0), 3);
  EXPECT_FALSE(TEditTimeControlDlg::IsPreset(12, 2));
  int32_t m, i;
  EXPECT_THROW(TEditTimeControlDlg::GetPreset(7, m, i), ERangeError);
}

TEST_F(ClockDialogsTest, TimeControlCaptionsAndPresetTexts) {
  TEditTimeControlDlg dlg;
  Run(dlg, [] {}, "CancelBtn");
  EXPECT_EQ(dlg.windowTitle(), "Time Control");
  EXPECT_EQ(dlg.PresetRBs[0]->text(), "5 min");
  EXPECT_EQ(dlg.PresetRBs[4]->text(), "4 min + 2 sec");
  EXPECT_EQ(dlg.PresetRBs[5]->text(), "2 min + 12 sec");
  EXPECT_EQ(dlg.Time4Lbl->text(), "Time:");
  EXPECT_EQ(dlg.FixedDepthRB->text(), "Depth:");
  EXPECT_EQ(dlg.ThirdTimeControlGB->title(), "Third Time Control");
  SetLanguage(LangDutch);
  Run(dlg, [] {}, "CancelBtn");
  EXPECT_EQ(dlg.windowTitle(), "Bedenktijd");
  EXPECT_EQ(dlg.BlitzRB->text(), "&Snelschaak");
  EXPECT_EQ(dlg.NrOfMoves3Lbl->text(), "Aantal zetten:");
  EXPECT_EQ(dlg.PlyLbl->text(), "Halve zetten");
}

TEST_F(ClockDialogsTest, StagesShowAsHoursAndMinutes) {
  TEditTimeControlDlg dlg;
  dlg.TimeControl.FirstTimeControlTime = 90;
  dlg.TimeControl.ThirdTimeControlTime = 6059;  // the last stage's hours go to 100
  Run(dlg, [&] {
    EXPECT_EQ(dlg.FirstTimeControlHEd->value(), 1);
    EXPECT_EQ(dlg.FirstTimeControlMEd->value(), 30);
    EXPECT_EQ(dlg.ThirdTimeControlHEd->value(), 100);
    EXPECT_EQ(dlg.ThirdTimeControlHEd->maximum(), 100);
    EXPECT_EQ(dlg.ThirdTimeControlMEd->value(), 59);
  });
  EXPECT_EQ(dlg.TimeControl.FirstTimeControlTime, 90);
  EXPECT_EQ(dlg.TimeControl.ThirdTimeControlTime, 6059);
}

// Every field differs from the defaults; values beyond the up-downs' limits
// and below them come back too.
TimeControlRec Changed() {
  TimeControlRec r;
  r.SelectedTimeControl = TimeControlKind::Fixed;
  r.BlitzTime = 999;
  r.BlitzIncrement = 7;
  r.BlitzNrOfMoves = 30;
  r.FirstTimeControlTime = 600;
  r.FirstTimeControlNrOfMoves = 35;
  r.SecondTimeControlTime = 90;
  r.SecondTimeControlNrOfMoves = 15;
  r.ThirdTimeControlTime = 45;
  r.FixedDepthActive = true;
  r.FixedDepth = 12;
  r.FixedTimeActive = false;
  r.FixedTime = 30;
  return r;
}

TEST_F(ClockDialogsTest, ShowThenOKKeepsEveryField) {
  TEditTimeControlDlg dlg;
  EXPECT_EQ(dlg.TimeControl, TimeControlRec{});
  std::vector<TimeControlRec> records = {TimeControlRec{}, Changed()};
  std::mt19937 rng(52);
  auto any = [&](int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); };
  for (int i = 0; i < 40; ++i) {
    TimeControlRec r;
    r.SelectedTimeControl = static_cast<TimeControlKind>(any(0, 2));
    r.BlitzTime = any(-5, 100000);
    r.BlitzIncrement = any(0, 5000);
    r.BlitzNrOfMoves = any(0, 2000);
    r.FirstTimeControlTime = any(-100, 2147483647);
    r.FirstTimeControlNrOfMoves = any(0, 500);
    r.SecondTimeControlTime = any(0, 100000);
    r.SecondTimeControlNrOfMoves = any(-3, 99);
    r.ThirdTimeControlTime = any(0, 100000);
    // At most one fixed option is on: the dialog's pair is exclusive.
    const int fixed = any(0, 2);
    r.FixedDepthActive = fixed == 1;
    r.FixedTimeActive = fixed == 2;
    r.FixedDepth = any(0, 300);
    r.FixedTime = any(0, 3000);
    records.push_back(r);
  }
  for (const TimeControlRec &r : records) {
    dlg.TimeControl = r;
    ASSERT_EQ(Run(dlg, [] {}), QDialog::Accepted);
    EXPECT_EQ(dlg.TimeControl, r) << r.FirstTimeControlTime << " " << r.BlitzTime;
  }
  EXPECT_TRUE(messages.empty());
}

TEST_F(ClockDialogsTest, EditsRadioButtonsAndEnabling) {
  TEditTimeControlDlg dlg;
  const TimeControlRec before = Changed();
  dlg.TimeControl = before;
  auto enabled = [](std::initializer_list<QWidget *> ws) {
    for (QWidget *w : ws)
      if (!w->isEnabled()) return false;
    return true;
  };
  auto disabled = [](std::initializer_list<QWidget *> ws) {
    for (QWidget *w : ws)
      if (w->isEnabled()) return false;
    return true;
  };
  ASSERT_EQ(Run(dlg,
                [&] {
                  // Fixed, with depth: only the depth box of the section.
                  EXPECT_TRUE(enabled({dlg.FixedDepthRB, dlg.FixedTimeRB, dlg.FixedDepthEd}));
                  EXPECT_TRUE(disabled({dlg.FixedTimeEd, dlg.BlitzMEd, dlg.PresetRBs[0], dlg.ThirdTimeControlMEd}));
                  Click(dlg.FixedTimeRB);
                  EXPECT_TRUE(enabled({dlg.FixedTimeEd}));
                  EXPECT_TRUE(disabled({dlg.FixedDepthEd}));
                  Click(dlg.TournamentRB);
                  EXPECT_TRUE(enabled({dlg.FirstTimeControlHEd, dlg.FirstTimeControlMEd,
                                       dlg.FirstTimeControlNrOfMovesEd, dlg.SecondTimeControlHEd,
                                       dlg.SecondTimeControlMEd, dlg.SecondTimeControlNrOfMovesEd,
                                       dlg.ThirdTimeControlHEd, dlg.ThirdTimeControlMEd}));
                  EXPECT_TRUE(disabled({dlg.FixedDepthRB, dlg.FixedTimeRB, dlg.FixedDepthEd, dlg.FixedTimeEd,
                                        dlg.BlitzMEd, dlg.IncrementEd, dlg.BlitzNrOfMovesEd, dlg.PresetRBs[5]}));
                  // Emptied boxes keep the record's values; typing beyond a
                  // widened range is refused.
                  Type(dlg.FirstTimeControlHEd, "");
                  Type(dlg.SecondTimeControlMEd, "");
                  Type(dlg.FirstTimeControlMEd, "15");
                  Type(dlg.ThirdTimeControlHEd, "1000");
                  Click(dlg.BlitzRB);
                  EXPECT_TRUE(enabled({dlg.BlitzMEd, dlg.IncrementEd, dlg.BlitzNrOfMovesEd, dlg.PresetRBs[0],
                                       dlg.PresetRBs[5]}));
                  EXPECT_TRUE(disabled({dlg.FirstTimeControlHEd, dlg.FixedTimeRB, dlg.FixedTimeEd}));
                  Type(dlg.BlitzNrOfMovesEd, "");
                  Click(dlg.TournamentRB);
                }),
            QDialog::Accepted);
  TimeControlRec want = before;
  want.SelectedTimeControl = TimeControlKind::Tournament;
  want.FixedDepthActive = false;
  want.FixedTimeActive = true;
  want.FirstTimeControlTime = 10 * 60 + 15;
  want.ThirdTimeControlTime = 100 * 60 + 45;
  EXPECT_EQ(dlg.TimeControl, want);

  // Cancel keeps the record as it was.
  EXPECT_EQ(Run(dlg, [&] { Click(dlg.BlitzRB); }, "CancelBtn"), QDialog::Rejected);
  EXPECT_EQ(dlg.TimeControl, want);
}

TEST_F(ClockDialogsTest, BothOrNeitherFixedOption) {
  TEditTimeControlDlg dlg;
  dlg.TimeControl.SelectedTimeControl = TimeControlKind::Fixed;
  dlg.TimeControl.FixedDepthActive = false;
  dlg.TimeControl.FixedTimeActive = false;
  Run(dlg, [&] {
    EXPECT_FALSE(dlg.FixedDepthEd->isEnabled());
    EXPECT_FALSE(dlg.FixedTimeEd->isEnabled());
  });
  EXPECT_FALSE(dlg.TimeControl.FixedDepthActive);
  EXPECT_FALSE(dlg.TimeControl.FixedTimeActive);
  // Both on: set one after the other, the time option stays checked.
  dlg.TimeControl.FixedDepthActive = true;
  dlg.TimeControl.FixedTimeActive = true;
  Run(dlg, [] {});
  EXPECT_FALSE(dlg.TimeControl.FixedDepthActive);
  EXPECT_TRUE(dlg.TimeControl.FixedTimeActive);
}

TEST_F(ClockDialogsTest, AStageBeyondTheRecordsRangeKeepsTheDialogOpen) {
  TEditTimeControlDlg dlg;
  dlg.TimeControl.SelectedTimeControl = TimeControlKind::Tournament;
  dlg.TimeControl.FirstTimeControlTime = 2147483647;  // 35791394 h 7 min
  const TimeControlRec before = dlg.TimeControl;
  int open = 0;
  EXPECT_EQ(Run(
                dlg,
                [&] {
                  Type(dlg.FirstTimeControlMEd, "59");
                  dlg.OKBtn->click();
                  open = dlg.isVisible();
                },
                "CancelBtn"),
            QDialog::Rejected);
  EXPECT_TRUE(open);
  EXPECT_EQ(messages, std::vector<std::string>{"Range check error"});
  EXPECT_EQ(dlg.TimeControl, before);
}

TEST_F(ClockDialogsTest, Snapshots) {
  TEditTimeDlg time;
  time.WhiteSeconds = 59940;
  time.BlackSeconds = 3725;
  TEditTimeControlDlg control;
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    SetLanguage(lang);
    const std::string suffix = lang == LangDutch ? "_nl" : "_en";
    // Nothing is clipped: every text fits its widget.
    auto look = [&](QDialog &d, const std::string &name) {
      uitest::Snapshot(&d, name.c_str());
      for (QAbstractButton *b : d.findChildren<QAbstractButton *>())
        EXPECT_GE(b->width(), b->sizeHint().width()) << name << " " << b->objectName().toStdString();
      for (QLabel *l : d.findChildren<QLabel *>())
        EXPECT_GE(l->width(), l->sizeHint().width()) << name << " " << l->objectName().toStdString();
      for (QGroupBox *g : d.findChildren<QGroupBox *>())
        EXPECT_GE(g->width(), g->sizeHint().width()) << name << " " << g->objectName().toStdString();
    };
    Run(time, [&] { look(time, "EditTimeDlg" + suffix); }, "CancelBtn");
    Run(control, [&] { look(control, "EditTimeControlDlg" + suffix); }, "CancelBtn");
  }
}

}  // namespace
