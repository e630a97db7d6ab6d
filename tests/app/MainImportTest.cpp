// The database menu's import and classify-all commands on real files: the
// chosen files imported with a report line each, the windows refilled,
// next game enabled, the hidden classify command enabled exactly with keys.
#include <gtest/gtest.h>

#include <QFile>
#include <QFileDialog>
#include <QListWidget>
#include <QPlainTextEdit>

#include "AppTestUtil.h"
#include "dbwindows/DlgGames.h"
#include "foundation/CommonText.h"
#include "foundation/ui/DlgShowReport.h"
#include "platform/Files.h"

using apptest::FakeGamesWindow;
using apptest::MainFixture;

namespace {

std::string Games(const std::string &white, int count, const char *moves = "1. e4 e5 2. Nf3 Nc6 *") {
  std::string text;
  for (int i = 1; i <= count; ++i)
    text += "[Event \"E\"]\n[Site \"S\"]\n[Round \"" + std::to_string(i) + "\"]\n[White \"" + white +
            std::to_string(i) + "\"]\n[Black \"B\"]\n[Result \"*\"]\n\n" + moves + "\n\n";
  return text;
}

QString Q(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

// Chooses the files in the dialog (as typed into its name field) with the
// filter given; the dialog's title and mode are kept.
struct ChooseFiles {
  QString title;
  QFileDialog::FileMode mode = QFileDialog::AnyFile;
  int dialogs = 0;
  modal::Answerer Answerer(const std::string &dir, const QStringList &names, int filterIndex) {
    return [=, this](QDialog &d) {
      auto *fd = qobject_cast<QFileDialog *>(&d);
      if (!fd) return int(QDialog::Rejected);
      ++dialogs;
      title = fd->windowTitle();
      mode = fd->fileMode();
      fd->setDirectory(Q(dir));
      fd->selectNameFilter(fd->nameFilters()[filterIndex - 1]);
      fd->selectFile("\"" + names.join("\" \"") + "\"");
      return int(names.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    };
  }
};

TShowReportDlg *ImportReport() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *r = qobject_cast<TShowReportDlg *>(w); r && r->isVisible()) return r;
  return nullptr;
}

// Whether the action is enabled apart from being hidden.
bool EnabledWhenShown(QAction *a) {
  const bool visible = a->isVisible();
  a->setVisible(true);
  const bool enabled = a->isEnabled();
  a->setVisible(visible);
  return enabled;
}

// Fake windows of one kind made by the window manager while it lives.
class FakeWindows {
 public:
  FakeWindows(TMainForm &f, std::function<ListWindowI *()> ListWindowFactories::*kind) : f_(f) {
    ListWindowFactories factories;
    factories.*kind = [this] {
      windows_.push_back(std::make_unique<FakeGamesWindow>());
      return windows_.back().get();
    };
    f.GameListMan.SetFactories(factories);
  }
  ~FakeWindows() { f_.GameListMan.SetFactories({}); }
  size_t size() const { return windows_.size(); }
  FakeGamesWindow *operator[](size_t i) const { return windows_[i].get(); }

 private:
  TMainForm &f_;
  std::vector<std::unique_ptr<FakeGamesWindow>> windows_;
};

}  // namespace

TEST(MainImport, ChosenFilesAreImportedReportedAndShown) {
  MainFixture fx;
  const testutil::TempDir &dir = fx.dir();
  dir.Write("a.pgn", Games("A", 2));
  dir.Write("b.pgn", Games("B", 3));
  TMainForm &f = fx.Form();
  ChessApp.ImportDir = "/";
  ChessApp.ImportDirFilterIndex = 1;
  ChessApp.ClassifyOnImport = false;
  EXPECT_FALSE(f.Item("MImportGames")->isEnabled());
  ASSERT_TRUE(f.OpenFile(dir.File("empty.qcx")));
  EXPECT_TRUE(f.Item("MImportGames")->isEnabled());
  QWidget *button = f.findChild<QWidget *>("SBImportGames");
  ASSERT_NE(button, nullptr);
  EXPECT_TRUE(button->isEnabled());
  EXPECT_FALSE(f.Item("MNextGame")->isEnabled());
  // The "Database" window, shown.
  f.Item("MGames")->trigger();
  auto *games = dynamic_cast<TGamesDlg *>(f.GameListMan.GamesEntry(1).gamesWindow);
  ASSERT_NE(games, nullptr);
  EXPECT_EQ(games->GameList->count(), 0);

  ChooseFiles choose;
  {  // Cancelled: nothing.
    modal::ScopedAnswerer a(choose.Answerer(dir.Path(), {}, 1));
    f.Item("MImportGames")->trigger();
  }
  EXPECT_EQ(choose.dialogs, 1);
  EXPECT_EQ(ImportReport(), nullptr);
  EXPECT_EQ(ChessApp.ImportDir, "/");
  {
    modal::ScopedAnswerer a(choose.Answerer(dir.Path(), {"b.pgn", "a.pgn"}, 3));
    f.Item("MImportGames")->trigger();
  }
  EXPECT_EQ(choose.title, "Import Games");
  EXPECT_EQ(choose.mode, QFileDialog::ExistingFiles);
  EXPECT_EQ(f.Database.GameCount(), 5);
  EXPECT_FALSE(f.Database.ClassifyOnImport);
  EXPECT_EQ(ChessApp.ImportDir, dir.Path());
  EXPECT_EQ(ChessApp.ImportDirFilterIndex, 3);
  EXPECT_EQ(games->GameList->count(), 5);
  EXPECT_TRUE(f.Item("MNextGame")->isEnabled());
  TShowReportDlg *report = ImportReport();
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->windowTitle(), "Import report");
  EXPECT_EQ(report->SettingsKey(), "ImportReport");
  QApplication::processEvents();
  const QString text = report->RichEdit()->toPlainText();
  EXPECT_TRUE(text.contains(Q(dir.File("a.pgn")) + ": ")) << text.toStdString();
  EXPECT_TRUE(text.contains(" bytes 2 games, 0 errors.")) << text.toStdString();
  EXPECT_TRUE(text.contains(" bytes 3 games, 0 errors.")) << text.toStdString();
  EXPECT_LT(text.indexOf("a.pgn"), text.indexOf("b.pgn"));
  report->close();
  ASSERT_TRUE(f.CloseFile());
  EXPECT_FALSE(f.Item("MImportGames")->isEnabled());
  EXPECT_FALSE(button->isEnabled());
  ChessApp.ClassifyOnImport = true;
}

TEST(MainImport, HiddenClassifyAllGamesIsEnabledExactlyWithKeys) {
  MainFixture fx;
  const testutil::TempDir &dir = fx.dir();
  files::Copy(testutil::DataDir() + "class.txt", dir.File("class.txt"));
  dir.Write("g.pgn", Games("W", 4, "1. d4 Nf6 2. c4 g6 3. Nc3 Bg7 *"));
  for (const char *name : {"keys.qcx", "plain.qcx"}) {
    DatabaseO db;
    bool report = false, flag = false;
    ASSERT_TRUE(db.Open(dir.File(name), nullptr, nullptr, report));
    ASSERT_TRUE(db.ImportDatabase(dir.File("g.pgn"), nullptr, nullptr, false, false, flag));
    if (std::string(name) == "keys.qcx") {
      ASSERT_TRUE(db.CreateKeys());
    }
    ASSERT_TRUE(db.Close(nullptr));
  }
  TMainForm &f = fx.Form();
  FakeWindows windows(f, &ListWindowFactories::keys);
  QAction *a = f.Item("MClassifyAllGames");
  ASSERT_FALSE(a->isVisible());
  EXPECT_FALSE(EnabledWhenShown(a));
  ASSERT_TRUE(f.OpenFile(dir.File("plain.qcx")));
  EXPECT_FALSE(EnabledWhenShown(a));
  ASSERT_TRUE(f.CloseFile());
  ASSERT_TRUE(f.OpenFile(dir.File("keys.qcx")));
  EXPECT_TRUE(EnabledWhenShown(a));
  f.GameListMan.ShowKeysWindow();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_EQ(f.Database.GetGameKey(1), 0u);
  a->trigger();
  EXPECT_GE(windows[0]->refills, 1);
  for (int32_t n = 1; n <= 4; ++n) {
    EXPECT_NE(f.Database.GetGameKey(n), 0u);
    EXPECT_NE(f.Database.GetGameKey(n), KeyTreeO::kRoot);
  }
  ASSERT_TRUE(f.CloseFile());
  EXPECT_FALSE(EnabledWhenShown(a));
  EXPECT_FALSE(a->isVisible());
}
