#pragma once
// The main window's tests: a scratch program directory holding the settings
// file, the real message dialogs answered through the modal seam, and beeps
// counted.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QTest>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "TestUtil.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "board/ui/PieceImages.h"
#include "chess/Language.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/UiHooks.h"

namespace apptest {

// The captions of both tables in the language.
inline void SetLanguage(LanguageId lang) {
  CommonText::SetUILanguage(lang);
  GenText::SetDialogLanguage(lang);
}

// Shows the window and checks that no visible label or control of it is
// narrower than its text needs.
inline void ShowUnsqueezed(QWidget &w) {
  w.show();
  QApplication::processEvents();
  for (QWidget *c : w.findChildren<QWidget *>()) {
    if (!c->isVisible()) continue;
    const int need = qobject_cast<QLabel *>(c) ? c->sizeHint().width() : c->minimumSizeHint().width();
    EXPECT_GE(c->width(), need) << w.objectName().toStdString() << "." << c->objectName().toStdString();
  }
}

// Runs the event loop until done() holds or ms milliseconds have passed;
// answers done().
inline bool WaitFor(const std::function<bool()> &done, int ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    QTest::qWait(10);
  }
  return true;
}

// The processes this one started that are still there, running or not yet
// reaped.
inline int ChildProcesses() {
  int n = 0;
  DIR *d = ::opendir("/proc");
  if (!d) return -1;
  while (dirent *e = ::readdir(d)) {
    if (e->d_name[0] < '0' || e->d_name[0] > '9') continue;
    std::ifstream in(std::string("/proc/") + e->d_name + "/stat");
    std::string stat;
    std::getline(in, stat);
    // pid (comm) state ppid ...: the name may hold blanks and parentheses.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    long ppid = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %ld", &state, &ppid) == 2 && ppid == ::getpid()) ++n;
  }
  ::closedir(d);
  return n;
}

inline std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The user's move, in coordinates, made on the window's board.
inline void BoardMove(TMainForm &f, const std::string &coord) {
  PositionO p;
  p.InitCopy(f.Game.CurrentPosition());
  p.SetLanguage(LangEnglish);
  MoveRec m;
  ASSERT_TRUE(p.InterpretMove(coord, m)) << coord;
  p.CompleteMove(m);
  f.Board->EnterMove(m);
  f.BoardMouseDown(Qt::LeftButton, Qt::NoModifier, m.ToFile(), m.ToRank());
}

// A games window that answers as a list of games 1..count in order.
class FakeGamesWindow : public ListWindowI {
 public:
  bool Open(DatabaseO *db, int32_t, const std::string &) override {
    db_ = db;
    return true;
  }
  int32_t NextGame(int32_t n) override { return n < db_->GameCount() ? n + 1 : 0; }
  int32_t PrevGame(int32_t n) override { return n > 1 ? n - 1 : 0; }
  int32_t GameStartPly(int32_t) override { return startPly; }
  void SelectGame(int32_t n) override { selected = n; }
  void RefillKeepSelection() override { ++refills; }
  void CloseWindow() override { visible = false; }
  bool FrameVisible() const override { return visible; }
  bool FrameActive() const override { return false; }
  bool FrameMinimized() const override { return false; }
  bool FrameMaximized() const override { return false; }
  void FrameShow() override { visible = true; }
  void FrameBringToFront() override {}
  void FrameRestore(bool) override {}
  void FrameFocus() override {}
  void FrameRelease() override {}
  DatabaseO *db_ = nullptr;
  int32_t startPly = 0;
  int32_t selected = 0;
  int refills = 0;
  bool visible = false;
};

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

  const testutil::TempDir &dir() const { return dir_; }
  std::string Settings() const { return dir_.File("app_tests.ini"); }
  void WriteSettings(const std::string &text) const { dir_.Write("app_tests.ini", text); }
  std::string ReadSettings() const { return dir_.Read("app_tests.ini"); }

#ifdef TV_FAKE_ENGINE
  // The window with the scripted fake engine as "wcrafty.exe" in the
  // program directory, "Enabled" = 1, and more settings.
  TMainForm &FormWithFakeEngine(const std::string &script, const std::string &settings = "") {
    std::filesystem::create_symlink(TV_FAKE_ENGINE, dir_.File("wcrafty.exe"));
    script_ = std::make_unique<testutil::EnvGuard>("TV_FAKE_SCRIPT", script);
    WriteSettings("[Engine]\r\nEnabled=1\r\n" + settings);
    return Form();
  }
#endif

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
  std::unique_ptr<testutil::EnvGuard> script_;
};

}  // namespace apptest
