// The preferences dialog on the real main window: options to controls and
// back, the inputs it refuses or bounds, the refreshes of OK, the lists and
// the remembered page.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <functional>

#include "AppTestUtil.h"
#include "app/DlgPreferences.h"
#include "board/ui/ChsBrds.h"
#include "foundation/AppText.h"

using apptest::MainFixture;

namespace {

class PreferencesTest : public ::testing::Test {
 protected:
  MainFixture fx;
  TMainForm &F() { return fx.Form(); }
  TPreferencesDlg &Dlg() { return *PreferencesDlg; }
  // Runs the preferences command; edit works on the shown dialog, then the
  // button of that name closes it.
  void Run(const std::function<void(TPreferencesDlg &)> &edit, const QString &button = "OKBtn") {
    F();
    modal::ScopedAnswerer a([&](QDialog &d) {
      auto &p = dynamic_cast<TPreferencesDlg &>(d);
      edit(p);
      return modal::ClickButton(d, button);
    });
    F().Item("MPreferences")->trigger();
  }
};

TEST_F(PreferencesTest, Snapshots) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    ChessApp.ApplicationLanguage = lang;
    F().ApplyLanguage();
    const std::string suffix = lang == LangDutch ? "_nl" : "_en";
    Run([&](TPreferencesDlg &d) {
      for (int i = 0; i < d.PageControl->count(); ++i) {
        d.PageControl->setCurrentIndex(i);
        apptest::ShowUnsqueezed(d);
        uitest::Snapshot(&d, ("prefs_" + d.PageControl->widget(i)->objectName().toStdString() + suffix).c_str());
      }
    }, "CancelBtn");
  }
  ChessApp.ApplicationLanguage = LangEnglish;
  F().ApplyLanguage();
}

}  // namespace
