// The list windows' export command: the save dialog through the modal
// seam, a bare name taking ".pgn", the slot's games in row order, the
// directory remembered, and an existing file replaced only on Yes.
#include "dbwindows/GamesExport.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <string>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/comDlgAbort.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation_ui/UiTestApp.h"

namespace {

std::string Game(const std::string &white) {
  return "[Event \"E\"]\r\n[Site \"S\"]\r\n[White \"" + white + "\"]\r\n[Black \"B\"]\r\n[Result \"*\"]\r\n\r\n"
         "1. d4 d5 *\r\n";
}

// Answers the file dialog with a name and a message dialog with a button.
struct Script {
  QString file;
  QString button = "No";
  QString title;
  int fileDialogs = 0;
  std::string question;
  modal::Answerer Answerer() {
    return [this](QDialog &d) {
      if (auto *fd = qobject_cast<QFileDialog *>(&d)) {
        ++fileDialogs;
        title = fd->windowTitle();
        if (file.isEmpty()) return int(QDialog::Rejected);
        fd->selectFile(file);
        return int(QDialog::Accepted);
      }
      if (auto *l = d.findChild<QLabel *>("Message")) question = l->text().toStdString();
      return modal::ClickButton(d, button);
    };
  }
};

}  // namespace

TEST(GamesExport, SlotsGamesGoToTheChosenFileInRowOrder) {
  uitest::App();
  const ui::Hooks old = ui::CurrentHooks();
  myui::InstallUiHooks();
  testutil::TempDir dir;
  const std::string sub = dir.File("j\xc3\xb6rg/");
  ASSERT_EQ(::mkdir(sub.c_str(), 0700), 0);
  DatabaseO db;
  bool report = false;
  ASSERT_TRUE(db.Open(dir.File("d.qcx"), nullptr, nullptr, report));
  for (const char *w : {"One", "Two", "Three"}) ASSERT_GT(db.SavePgnText(-1, Game(w)), 0);
  const int s = db.NewGameList();
  db.AddGameToList(s, 3);
  db.AddGameToList(s, 1);
  const std::string expected =
      db.GetPgnText(3, 0, true, false) + "\r\n\r\n" + db.GetPgnText(1, 0, true, false) + "\r\n\r\n";
  ChessApp.ExportDir = dir.Path();
  ChessApp.ExportDirFilterIndex = 1;
  AbortDlgO progress;
  progress.Init();

  Script script;
  {  // Cancelled: nothing remembered or written.
    modal::ScopedAnswerer a(script.Answerer());
    EXPECT_FALSE(ExportGamesToPgn(db, s, &progress, nullptr));
  }
  EXPECT_EQ(script.fileDialogs, 1);
  EXPECT_EQ(script.title, "Export Games");
  script.file = QFile::decodeName(QByteArray::fromStdString(sub + "Partien"));
  {
    modal::ScopedAnswerer a(script.Answerer());
    EXPECT_TRUE(ExportGamesToPgn(db, s, &progress, nullptr));
  }
  EXPECT_EQ(progress.ShowCount(), 0);
  EXPECT_EQ(ChessApp.ExportDir, sub);
  EXPECT_EQ(ChessApp.ExportDirFilterIndex, 1);
  std::string written;
  ASSERT_TRUE(files::ReadAll(sub + "Partien.pgn", written));
  EXPECT_EQ(written, expected);

  // The file is there now: No keeps it, Yes replaces it.
  files::WriteAllAtomic(sub + "Partien.pgn", "kept");
  {
    modal::ScopedAnswerer a(script.Answerer());
    EXPECT_FALSE(ExportGamesToPgn(db, s, nullptr, nullptr));
  }
  EXPECT_NE(script.question.find(CommonText::S_FileAlreadyExists), std::string::npos);
  ASSERT_TRUE(files::ReadAll(sub + "Partien.pgn", written));
  EXPECT_EQ(written, "kept");
  script.button = "Yes";
  {
    modal::ScopedAnswerer a(script.Answerer());
    EXPECT_TRUE(ExportGamesToPgn(db, s, nullptr, nullptr));
  }
  ASSERT_TRUE(files::ReadAll(sub + "Partien.pgn", written));
  EXPECT_EQ(written, expected);
  ui::InstallHooks(old);
}
