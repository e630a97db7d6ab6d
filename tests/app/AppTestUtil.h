#pragma once
// The main window's tests: a scratch program directory holding the settings
// file, the real message dialogs answered through the modal seam, and beeps
// counted.
#include <QAction>
#include <QDialog>
#include <QLabel>
#include <functional>
#include <memory>
#include <string>

#include "TestUtil.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/PieceImages.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/UiHooks.h"

namespace apptest {

class MainFixture {
 public:
  MainFixture() : guard_(dir_.Path()) {
    uitest::App();
    myui::InstallUiHooks();
    static const bool images = (InstallPieceImages(), true);
    (void)images;
    ui::Hooks h = ui::CurrentHooks();
    h.beep = [this] { ++beeps; };
    oldHooks_ = ui::InstallHooks(h);
    ChessApp.SettingsFile = Settings();
  }
  ~MainFixture() {
    FreeForm();
    ChessApp.SettingsFile.clear();
    ui::InstallHooks(oldHooks_);
  }

  std::string Settings() const { return dir_.File("app_tests.ini"); }
  void WriteSettings(const std::string &text) const { dir_.Write("app_tests.ini", text); }
  std::string ReadSettings() const { return dir_.Read("app_tests.ini"); }

  TMainForm &Form() {
    if (!MainForm) app::CreateForms();
    return *MainForm;
  }
  void FreeForm() {
    if (MainForm) app::FreeForms();
    uitest::FlushDeletes();
  }

  // Answers every message dialog with the button of that name, counting
  // the dialogs and keeping the last one's text.
  std::unique_ptr<modal::ScopedAnswerer> Answer(const QString &button) {
    return std::make_unique<modal::ScopedAnswerer>([this, button](QDialog &d) {
      ++dialogs;
      if (auto *l = d.findChild<QLabel *>("Message")) lastMessage = l->text().toStdString();
      return modal::ClickButton(d, button);
    });
  }

  int beeps = 0;
  int dialogs = 0;
  std::string lastMessage;

 private:
  testutil::TempDir dir_;
  testutil::AppDirGuard guard_;
  ui::Hooks oldHooks_;
};

}  // namespace apptest
