// The database menu's file commands and storing and loading games, on real
// files in the scratch program directory.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QClipboard>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QToolButton>

#include "AppTestUtil.h"
#include "board/ui/ChsBrds.h"
#include "chess/PrintPGN.h"
#include "dbwindows/DlgGames.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/comDlgAbortForm.h"
#include "foundation/ui/FileDialogUi.h"
#include "app/DlgEditGIEx.h"
#include "platform/Win1252.h"
#include "platform/Files.h"

using apptest::MainFixture;

namespace {

std::string Games(int count, const std::string &extra = "") {
  std::string text;
  for (int i = 1; i <= count; ++i)
    text += "[Event \"E\"]\n[Site \"S\"]\n[Date \"2001.01.01\"]\n[Round \"" + std::to_string(i) +
            "\"]\n[White \"White" + std::to_string(i) + "\"]\n[Black \"Black" + std::to_string(i) +
            "\"]\n[Result \"*\"]\n\n1. e4 e5 2. Nf3 Nc6 *\n\n";
  return text + extra;
}

// Answers file dialogs with the file (and filter index) given.
modal::Answerer ChooseFile(const QString &file, int filterIndex = 0, int *dialogs = nullptr) {
  return [=](QDialog &d) {
    auto *fd = qobject_cast<QFileDialog *>(&d);
    if (!fd) return int(QDialog::Rejected);
    if (dialogs) ++*dialogs;
    if (filterIndex > 0) fd->selectNameFilter(fd->nameFilters()[filterIndex - 1]);
    fd->selectFile(file);
    return int(QDialog::Accepted);
  };
}

class MainFileTest : public ::testing::Test {
 protected:
  MainFixture fx;
  TMainForm &F() { return fx.Form(); }
  std::string Pgn(const std::string &name, int games, const std::string &extra = "") {
    fx.dir().Write(name, Games(games, extra));
    return fx.dir().File(name);
  }
};

TEST(FileDialogUi, FiltersBecomeNameFilters) {
  EXPECT_EQ(myui::NameFilters("PGN-file (*.pgn)|*.pgn|All chess files|*.pgn;*.qcx"),
            (QStringList{"PGN-file (*.pgn)", "All chess files (*.pgn *.qcx)"}));
  EXPECT_EQ(myui::NameFilters("Caf\xe9|*.c"), QStringList{QString::fromUtf8("Caf\xc3\xa9 (*.c)")});
}

TEST_F(MainFileTest, MainRoadOpenLoadStoreClose) {
  const std::string path = Pgn("main.pgn", 5);
  TMainForm &f = F();
  // As with the release switch off, where the settings command shows.
  f.Item("MDBSettings")->setVisible(true);
  EXPECT_FALSE(f.Item("MDBSettings")->isEnabled());
  ASSERT_TRUE(f.OpenFile(path));
  EXPECT_EQ(f.windowTitle(), "main - Torvanel");
  EXPECT_TRUE(f.Item("MClose")->isEnabled());
  EXPECT_TRUE(f.Item("MDBSettings")->isEnabled());
  EXPECT_TRUE(f.Item("MOpenings")->text().startsWith("Create"));
  f.LoadGame(3);
  EXPECT_EQ(f.CurrentGameNumber, 3);
  EXPECT_EQ(f.Game.GetTag("White"), "White3");
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);  // "ShowFirstPositionOnLoad" is on by default
  EXPECT_TRUE(f.Item("MViewOnly")->isChecked());
  EXPECT_EQ(f.DisplayMode, dmViewOnly);
  // Leave view-only, change the game and store it.
  f.Item("MViewOnly")->trigger();
  EXPECT_EQ(f.DisplayMode, dmEdit);
  f.Game.GameInfo().AddTag("Annotator", "Changed");
  f.Game.SetModified(1);
  f.UpdateSaveGameItem();
  ASSERT_TRUE(f.Item("MSaveGame")->isEnabled());
  f.Item("MSaveGame")->trigger();
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  EXPECT_FALSE(f.Item("MSaveGame")->isEnabled());
  EXPECT_EQ(f.ShownGameNumber, 3);
  // Close: the PGN file is written back whole.
  ASSERT_TRUE(f.CloseFile());
  EXPECT_FALSE(f.FileOpen);
  EXPECT_EQ(f.windowTitle(), "Torvanel");
  EXPECT_FALSE(f.Item("MClose")->isEnabled());
  EXPECT_FALSE(f.Item("MDBSettings")->isEnabled());
  const std::string text = apptest::ReadFile(path);
  EXPECT_NE(text.find("White5"), std::string::npos);
  const size_t changed = text.find("Changed");
  ASSERT_NE(changed, std::string::npos);
  EXPECT_LT(text.find("White3"), changed);
  EXPECT_GT(text.find("White4"), changed);
  EXPECT_EQ(ChessApp.Files.front(), path);
}

TEST_F(MainFileTest, LoadPositionsAndPlayers) {
  const std::string path = Pgn("load.pgn", 2);
  TMainForm &f = F();
  ChessApp.ShowFirstPositionOnLoad = false;
  ChessApp.ViewFromPlayers = true;
  ChessApp.ViewFromPlayersList = {"black1", "white2"};
  ASSERT_TRUE(f.OpenFile(path));
  f.LoadGame(1);
  EXPECT_EQ(f.Game.PathMoves().Count(), 4);      // the end of the line
  EXPECT_EQ(f.Board->GetOrientation(), cWhite);  // Black listed: white on top
  f.LoadGame(2);
  EXPECT_EQ(f.Board->GetOrientation(), cBlack);  // White listed, other case
  // The settings hold Windows-1252; a UTF-8 tag is compared in it.
  ChessApp.ViewFromPlayersList = {"j\xfcrgen"};
  f.Game.GameInfo().SetTag("Black", "J\xc3\xbcrgen");
  f.ApplyLoadModes();
  EXPECT_EQ(f.Board->GetOrientation(), cWhite);
  f.Game.GameInfo().SetTag("Black", "J\xfcrgen");
  f.Game.GameInfo().SetTag("White", "J\xfcrgen");
  f.ApplyLoadModes();
  EXPECT_EQ(f.Board->GetOrientation(), cBlack);
  // A modified game: Cancel keeps everything, No loads.
  f.Game.SetModified(1);
  {
    auto a = fx.Answer("Cancel");
    f.LoadGame(1);
    EXPECT_EQ(f.CurrentGameNumber, 2);
    EXPECT_FALSE(f.FormCloseQuery());
    EXPECT_TRUE(f.FileOpen);
  }
  {
    auto a = fx.Answer("No");
    f.LoadGame(1);
    EXPECT_EQ(f.CurrentGameNumber, 1);
  }
  ChessApp.ViewFromPlayers = false;
}

TEST_F(MainFileTest, StoreNewAndUnchangedGames) {
  const std::string path = fx.dir().File("store.qcx");
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(path));  // a new database
  EXPECT_EQ(f.Database.GameCount(), 0);
  f.Game.GameInfo().AddTag("White", "New");
  f.Game.SetModified(1);
  {
    auto a = fx.Answer("Yes");  // the question of a new game
    f.MNewGameClick();
  }
  EXPECT_EQ(f.Database.GameCount(), 1);
  EXPECT_EQ(f.ShownGameNumber, 1);
  EXPECT_EQ(f.CurrentGameNumber, 0);  // the new game after it
  f.LoadGame(1);
  EXPECT_EQ(f.Game.GetTag("White"), "New");
  // Unchanged: nothing is written.
  const bool modified = f.Database.IsModified();
  EXPECT_TRUE(f.StoreGame());
  EXPECT_EQ(f.Database.IsModified(), modified);
  EXPECT_EQ(f.Database.GameCount(), 1);
  EXPECT_TRUE(f.CloseFile());
}

// With opening keys a stored game is filed under the key of its line; an
// unchanged game is not classified again.
TEST_F(MainFileTest, StoreClassifiesOnlyAChangedGame) {
  ASSERT_GE(KeyTreeO::ImportTextFile(fx.dir().File("keyed.key"), testutil::DataDir() + "class.txt"), 0);
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(fx.dir().File("keyed.qcx")));
  ASSERT_TRUE(f.Database.HasKeys());
  ParseResultT read;
  ASSERT_TRUE(f.Game.ReadFromString("[White \"K\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 *", LangEnglish, read));
  f.Game.SetModified(1);
  ASSERT_TRUE(f.StoreGame());
  ASSERT_EQ(f.CurrentGameNumber, 1);
  const uint32_t key = f.Database.GetGameKey(1);
  EXPECT_NE(key, 0u);
  EXPECT_NE(key, KeyTreeO::kRoot);
  // Filed elsewhere behind the window's back: an unchanged store leaves it.
  ASSERT_TRUE(f.Database.SetGameKey(KeyTreeO::kRoot, 1, true));
  EXPECT_TRUE(f.StoreGame());
  EXPECT_EQ(f.Database.GetGameKey(1), KeyTreeO::kRoot);
  // A changed game is classified again.
  f.Game.GameInfo().AddTag("Annotator", "A");
  f.Game.SetModified(1);
  ASSERT_TRUE(f.StoreGame());
  EXPECT_EQ(f.Database.GetGameKey(1), key);
  ASSERT_TRUE(f.CloseFile());
}

TEST_F(MainFileTest, RefusedStoreChangesNothingAndStopsTheClose) {
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(Pgn("refuse.pgn", 2)));
  f.LoadGame(2);
  f.Game.GameInfo().AddTag("Annotator", "Lost?");
  f.Game.SetModified(1);
  f.UpdateSaveGameItem();
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC);
    auto a = fx.Answer("Yes");
    EXPECT_FALSE(f.FormCloseQuery());  // Yes stores, the store fails
    EXPECT_TRUE(fault.Fired());
  }
  EXPECT_TRUE(f.FileOpen);
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  EXPECT_EQ(f.CurrentGameNumber, 2);
  EXPECT_TRUE(f.Item("MSaveGame")->isEnabled());
  // Once the disk takes it, the same question closes.
  auto a = fx.Answer("Yes");
  EXPECT_TRUE(f.FormCloseQuery());
  EXPECT_FALSE(f.FileOpen);
}

TEST_F(MainFileTest, FailedOpensLeaveNoFile) {
  TMainForm &f = F();
  fx.dir().Write("x.txt", "nothing");
  {
    auto a = fx.Answer("OK");
    EXPECT_FALSE(f.OpenFile(fx.dir().File("x.txt")));
  }
  EXPECT_FALSE(f.FileOpen);
  EXPECT_FALSE(f.Item("MClose")->isEnabled());
  EXPECT_EQ(f.windowTitle(), "Torvanel");
  // A database another object holds.
  const std::string db = fx.dir().File("held.qcx");
  DatabaseO other;
  bool report = false;
  ASSERT_TRUE(other.Open(db, nullptr, nullptr, report));
  {
    auto a = fx.Answer("OK");
    EXPECT_FALSE(f.OpenFile(db));
  }
  EXPECT_FALSE(f.FileOpen);
  other.Close(nullptr);
  EXPECT_TRUE(f.OpenFile(db));
}

// A damaged database: a zeroed game index, and a name index too large for
// any count (a sparse file) that once threw out of the open and left the
// window believing a file was open.
TEST_F(MainFileTest, DamagedDatabasesLeaveNoFile) {
  TMainForm &f = F();
  const std::string db = fx.dir().File("dmg.qcx");
  {
    DatabaseO d;
    bool report = false;
    ASSERT_TRUE(d.Open(db, nullptr, nullptr, report));
    for (int i = 0; i < 2; ++i) ASSERT_GT(d.SavePgnText(-1, Games(1)), 0);
    ASSERT_TRUE(d.Close(nullptr));
  }
  const std::string gai = fx.dir().Read("dmg.gai");
  auto expectNoFile = [&](const std::string &damagedFile) {
    fx.dialogs = 0;
    {
      auto a = fx.Answer("OK");
      EXPECT_FALSE(f.OpenFile(db));
    }
    EXPECT_EQ(fx.dialogs, 1);
    EXPECT_EQ(fx.lastMessage, SubstituteText(CommonText::S_DatabaseFileDamaged, damagedFile));
    EXPECT_FALSE(f.FileOpen);
    EXPECT_TRUE(f.FileName.empty());
    EXPECT_FALSE(f.Item("MClose")->isEnabled());
    EXPECT_EQ(f.windowTitle(), "Torvanel");
  };
  fx.dir().Write("dmg.gai", std::string(gai.size(), '\0'));
  {
    // As the user sees it.
    modal::ScopedAnswerer shot([](QDialog &d) {
      uitest::Snapshot(&d, "damaged_database_message");
      return modal::ClickButton(d, "OK");
    });
    EXPECT_FALSE(f.OpenFile(db));
  }
  expectNoFile(fx.dir().File("dmg.gai"));
  EXPECT_EQ(fx.dir().Read("dmg.gai"), std::string(gai.size(), '\0'));
  fx.dir().Write("dmg.gai", gai);
  const std::string pli = fx.dir().Read("dmg.pli");
  ASSERT_EQ(::truncate(fx.dir().File("dmg.pli").c_str(), 9LL << 30), 0);
  expectNoFile(db);
  fx.dir().Write("dmg.pli", pli);
  // Sound again, it opens.
  EXPECT_TRUE(f.OpenFile(db));
  EXPECT_TRUE(f.FileOpen);
}

TEST_F(MainFileTest, RecentFilesAndReopen) {
  const std::string a = Pgn("a.pgn", 1), b = Pgn("b.pgn", 1), std1 = Pgn("std.pgn", 1);
  TMainForm &f = F();
  ChessApp.Files.clear();
  ChessApp.StandardFiles = {std1};
  ASSERT_TRUE(f.OpenFile(a));
  ASSERT_TRUE(f.CloseFile());
  ASSERT_TRUE(f.OpenFile(b));
  EXPECT_EQ(ChessApp.Files, std::vector<std::string>{a});
  ASSERT_TRUE(f.CloseFile());
  EXPECT_EQ(ChessApp.Files, (std::vector<std::string>{b, a}));
  // A standard file is never added.
  f.ReopenMenuItemClick(2);
  EXPECT_EQ(f.FileName, std1);
  ASSERT_TRUE(f.CloseFile());
  EXPECT_EQ(ChessApp.Files, (std::vector<std::string>{b, a}));
  // The reopen menu: an item opens its bytes.
  QMenu *menu = f.Menu("MReopen");
  QAction *second = nullptr;
  for (QAction *act : menu->actions())
    if (act->text().contains("a.pgn")) second = act;
  ASSERT_NE(second, nullptr);
  second->trigger();
  EXPECT_EQ(f.FileName, a);
  // A vanished recent file beeps and keeps the open file.
  std::remove(b.c_str());
  const int beeps = fx.beeps;
  {
    auto ans = fx.Answer("OK");
    f.ReopenMenuItemClick(0);
  }
  EXPECT_EQ(fx.beeps, beeps + 1);
  EXPECT_EQ(fx.lastMessage, "File not found.");
  EXPECT_EQ(f.FileName, a);
  ChessApp.StandardFiles.clear();
}

TEST_F(MainFileTest, PathsOutsideWindows1252) {
  const std::string dir = fx.dir().File("j\xc3\xb6rg/");
  ASSERT_EQ(::mkdir(dir.c_str(), 0700), 0);
  const std::string pgn = dir + "\xd0\x9f\xd0\xb0\xd1\x80\xd1\x82\xd0\xb8\xd0\xb8.pgn";  // Партии
  {
    std::ofstream out(pgn, std::ios::binary);
    out << Games(2);
  }
  TMainForm &f = F();
  ChessApp.Files.clear();
  {
    modal::ScopedAnswerer a(ChooseFile(QFile::decodeName(QByteArray::fromStdString(pgn))));
    f.MOpenClick();
  }
  ASSERT_TRUE(f.FileOpen);
  EXPECT_EQ(f.FileName, pgn);
  EXPECT_EQ(ChessApp.OpenDir, dir);
  EXPECT_EQ(f.windowTitle(),
            QString::fromUtf8("\xd0\x9f\xd0\xb0\xd1\x80\xd1\x82\xd0\xb8\xd0\xb8 - Torvanel"));
  f.LoadGame(1);
  f.Game.GameInfo().AddTag("Annotator", "X");
  f.Game.SetModified(1);
  ASSERT_TRUE(f.StoreGame());
  ASSERT_TRUE(f.CloseFile());
  EXPECT_NE(apptest::ReadFile(pgn).find("Annotator"), std::string::npos);
  QAction *item = f.Menu("MReopen")->actions().value(0);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->text().contains(QFile::decodeName(QByteArray::fromStdString(pgn))));
  item->trigger();
  EXPECT_EQ(f.FileName, pgn);
  // New: "Games" takes the chosen filter's extension; an existing name opens.
  ASSERT_TRUE(f.CloseFile());
  {
    modal::ScopedAnswerer a(ChooseFile(QFile::decodeName(QByteArray::fromStdString(dir + "Games")), 2));
    f.MNewClick();
  }
  EXPECT_EQ(f.FileName, dir + "Games.qcx");
  EXPECT_EQ(ChessApp.OpenDirFilterIndex, 2);
  {
    modal::ScopedAnswerer a(ChooseFile(QFile::decodeName(QByteArray::fromStdString(dir + "Games")), 1));
    f.MNewClick();
  }
  EXPECT_EQ(f.FileName, dir + "Games.pgn");
  // A database named in Cyrillic: a game stored in it is there when the
  // reopen menu opens it again.
  const std::string db = dir + "\xd0\x91\xd0\xb0\xd0\xb7\xd0\xb0";  // База
  {
    modal::ScopedAnswerer a(ChooseFile(QFile::decodeName(QByteArray::fromStdString(db)), 2));
    f.MNewClick();
  }
  ASSERT_EQ(f.FileName, db + ".qcx");
  EXPECT_EQ(f.windowTitle(), QString::fromUtf8("\xd0\x91\xd0\xb0\xd0\xb7\xd0\xb0 - Torvanel"));
  f.MNewGameClick();
  f.Game.GameInfo().AddTag("White", "Stored");
  f.Game.SetModified(1);
  ASSERT_TRUE(f.StoreGame());
  ASSERT_TRUE(f.CloseFile());
  item = f.Menu("MReopen")->actions().value(0);
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->text().endsWith(QFile::decodeName(QByteArray::fromStdString(db + ".qcx"))));
  item->trigger();
  ASSERT_EQ(f.FileName, db + ".qcx");
  ASSERT_EQ(f.Database.GameCount(), 1);
  f.LoadGame(1);
  EXPECT_EQ(f.Game.GetTag("White"), "Stored");
  // New with the name of an existing file opens it, asking nothing.
  ASSERT_TRUE(f.CloseFile());
  int asked = 0;
  {
    modal::ScopedAnswerer a([&](QDialog &d) {
      ++asked;
      auto *fd = qobject_cast<QFileDialog *>(&d);
      if (!fd) return int(QDialog::Rejected);
      EXPECT_TRUE(fd->testOption(QFileDialog::DontConfirmOverwrite));
      fd->selectFile(QFile::decodeName(QByteArray::fromStdString(pgn)));
      return int(QDialog::Accepted);
    });
    f.MNewClick();
  }
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(f.FileName, pgn);
  EXPECT_EQ(f.Database.GameCount(), 2);
}

TEST_F(MainFileTest, ImportReportOnlyForFaultyFiles) {
  auto reports = [] {
    int n = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<TShowReportDlg *>(w) && w->isVisible()) ++n;
    return n;
  };
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(Pgn("clean.pgn", 2)));
  EXPECT_EQ(reports(), 0);
  ASSERT_TRUE(f.CloseFile());
  ASSERT_TRUE(f.OpenFile(Pgn("faulty.pgn", 2, "[White \"Bad\"]\n\n1. e4 Ke7 Qxx9 *\n")));
  EXPECT_EQ(reports(), 1);
  EXPECT_EQ(f.Database.GameCount(), 2);
}

TEST_F(MainFileTest, GameThatDoesNotLoadKeepsTheCurrentOne) {
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(Pgn("unread.pgn", 2)));
  f.LoadGame(1);
  ASSERT_EQ(f.Game.GetTag("White"), "White1");
  fx.dialogs = 0;
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    auto a = fx.Answer("OK");
    f.LoadGame(2);
    ASSERT_TRUE(fault.Fired());
  }
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    modal::ScopedAnswerer shot([](QDialog &d) {
      uitest::Snapshot(&d, "unreadable_game_message");
      return modal::ClickButton(d, "OK");
    });
    f.LoadGame(2);
  }
  // One message: the store's, with the file's path and the reason.
  EXPECT_EQ(fx.dialogs, 1);
  // (Game 2's index entry came with game 1's: the record's read fails.)
  EXPECT_EQ(fx.lastMessage.rfind("GameStoreO.GetGameFromFile failed reading games_file game.descriptor\n", 0), 0u)
      << fx.lastMessage;
  EXPECT_NE(fx.lastMessage.find(".gad: Input/output error"), std::string::npos) << fx.lastMessage;
  EXPECT_EQ(f.CurrentGameNumber, 1);
  EXPECT_EQ(f.Game.GetTag("White"), "White1");
  f.LoadGame(2);
  EXPECT_EQ(f.Game.GetTag("White"), "White2");
}

// A stored game holds at most 32 KB of moves and variation marks: 126
// rounds of knight moves with fourteen three-move pawn lines aside at every
// ply are past it (games end at move 255).
TEST_F(MainFileTest, GameTextThatDoesNotPackIsNotStored) {
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(Pgn("pack.pgn", 2)));
  f.LoadGame(1);
  f.Item("MViewOnly")->trigger();
  std::string moves = "[White \"Long\"]\n\n";
  const auto ply = [&moves](int n, bool white, const char *move) {
    const std::string number = std::to_string(n) + (white ? ". " : "... ");
    const std::string next = std::to_string(n + 1) + ". ";
    moves += number + move + " ";
    for (const char file : std::string("abcdegh"))
      for (const int step : {1, 2}) {
        const std::string f1(1, file);
        if (white)
          moves += "(" + number + f1 + std::to_string(2 + step) + " h6 " + next + f1 +
                   std::to_string(3 + step) + ") ";
        else
          moves += "(" + number + f1 + std::to_string(7 - step) + " " + next + "a3 " + f1 +
                   std::to_string(6 - step) + ") ";
      }
  };
  for (int i = 0; i < 126; ++i) {
    ply(2 * i + 1, true, "Nf3");
    ply(2 * i + 1, false, "Nf6");
    ply(2 * i + 2, true, "Ng1");
    ply(2 * i + 2, false, "Ng8");
  }
  ParseResultT read;
  ASSERT_TRUE(f.Game.ReadFromString(moves + "*", LangEnglish, read)) << read.message;
  f.Game.SetModified(1);
  const bool dbModified = f.Database.IsModified();
  {
    auto a = fx.Answer("OK");
    EXPECT_FALSE(f.StoreGame());
  }
  EXPECT_EQ(fx.lastMessage, CommonText::S_CouldNotParseGame);
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  EXPECT_EQ(f.CurrentGameNumber, 1);
  EXPECT_EQ(f.Database.IsModified(), dbModified);
  // As a new game: nothing is added.
  f.CurrentGameNumber = 0;
  {
    auto a = fx.Answer("OK");
    EXPECT_FALSE(f.StoreGame());
  }
  EXPECT_EQ(f.Database.GameCount(), 2);
  EXPECT_EQ(f.CurrentGameNumber, 0);
  // The stored game is the one read from the file.
  ParseResultT result;
  std::unique_ptr<GameO> stored = f.Database.LoadGame(1, result);
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->GetTag("White"), "White1");
  f.Game.SetModifiedState(0);
}

TEST_F(MainFileTest, ViewOnlyLoadHidesTheGameMove) {
  TMainForm &f = F();
  ChessApp.ShowFirstPositionOnLoad = true;
  ChessApp.ShowGameMove = false;
  ASSERT_TRUE(f.OpenFile(Pgn("hidden.pgn", 1)));
  f.LoadGame(1);
  ASSERT_TRUE(f.Item("MViewOnly")->isChecked());
  ASSERT_GE(f.AlternativesLB->count(), 1);
  EXPECT_EQ(f.AlternativesLB->item(0)->text(), "...");
  EXPECT_FALSE(f.Item("MComment")->isEnabled());
  // Editing shows it.
  f.Item("MViewOnly")->trigger();
  EXPECT_EQ(f.AlternativesLB->item(0)->text(), "e4");
  ChessApp.ShowGameMove = true;
}

TEST_F(MainFileTest, CommandLineOpensEachExistingFile) {
  const std::string a = Pgn("one.pgn", 1), b = Pgn("two.pgn", 1);
  TMainForm &f = F();
  // The start recovers what killed runs of this machine left: none of the
  // user's working sets, nor of the system's temporary folder.
  testutil::TempDir tmp;
  testutil::EnvGuard tmpdir("TMPDIR", tmp.Path());
  testutil::EnvGuard state("XDG_STATE_HOME", tmp.Path());
  f.WMStartup({a, fx.dir().File("missing.pgn"), b});
  EXPECT_EQ(f.FileName, b);
  EXPECT_EQ(ChessApp.Files.front(), a);
}

}  // namespace

namespace {

using apptest::FakeGamesWindow;

// A list window released from its own handler is deleted later; closing
// the file must see it gone, since its settings are written then.
TEST_F(MainFileTest, ClosingAFileRunsTheReleasedWindowsDeletion) {
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(Pgn("release.pgn", 1)));
  QPointer<QObject> released = new QObject;
  released->deleteLater();
  ASSERT_TRUE(f.CloseFile());
  EXPECT_TRUE(released.isNull());
}

// The games windows the manager opens are fakes kept in windows.
void UseFakeGamesWindows(TMainForm &f, std::vector<std::unique_ptr<FakeGamesWindow>> &windows) {
  ListWindowFactories factories;
  factories.games = [&windows] {
    windows.push_back(std::make_unique<FakeGamesWindow>());
    return windows.back().get();
  };
  f.GameListMan.SetFactories(factories);
}

TEST_F(MainFileTest, ListsMenuAndNextAndPreviousGame) {
  std::vector<std::unique_ptr<FakeGamesWindow>> windows;
  TMainForm &f = F();
  UseFakeGamesWindows(f, windows);
  ChessApp.ShowFirstPositionOnLoad = true;
  ASSERT_TRUE(f.OpenFile(Pgn("lists.pgn", 3)));
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_FALSE(windows[0]->visible);  // hidden until the games command
  f.Item("MGames")->trigger();
  EXPECT_TRUE(windows[0]->visible);
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(f.GameListMan.NewGamesWindow(f.Database.NewAllGamesList(), "W" + std::to_string(i), false,
                                             false, true));
  const QList<QAction *> items = f.Menu("MLists")->actions();
  ASSERT_EQ(items.size(), 4);
  EXPECT_EQ(items[0]->text(), "&A: Database");
  EXPECT_EQ(items[3]->text(), "&D: W2");
  // Back to the first window: a load opens at its ply, selects the game
  // and hides the window.
  items[0]->trigger();
  windows[0]->startPly = 3;
  windows[0]->visible = true;
  f.LoadGame(2);
  EXPECT_EQ(f.Game.PathMoves().Count(), 2);
  EXPECT_EQ(windows[0]->selected, 2);
  EXPECT_FALSE(windows[0]->visible);
  EXPECT_TRUE(f.Item("MPrevGame")->isEnabled());
  EXPECT_TRUE(f.Item("MNextGame")->isEnabled());
  f.Item("MNextGame")->trigger();
  EXPECT_EQ(f.CurrentGameNumber, 3);
  EXPECT_FALSE(f.Item("MNextGame")->isEnabled());
  f.Item("MPrevGame")->trigger();
  f.Item("MPrevGame")->trigger();
  EXPECT_EQ(f.CurrentGameNumber, 1);
  EXPECT_FALSE(f.Item("MPrevGame")->isEnabled());
  f.ForgetGame(1);
  EXPECT_EQ(f.CurrentGameNumber, 0);
  ASSERT_TRUE(f.CloseFile());
  EXPECT_FALSE(f.Item("MNextGame")->isEnabled());
  f.GameListMan.SetFactories({});
}

// A game from a set-up position and a pasted game count next and previous
// from the shown game as the list stands now: a game added meanwhile makes
// next possible.
TEST_F(MainFileTest, SetUpAndPasteRefreshNextAndPreviousGame) {
  std::vector<std::unique_ptr<FakeGamesWindow>> windows;
  TMainForm &f = F();
  UseFakeGamesWindows(f, windows);
  ASSERT_TRUE(f.OpenFile(Pgn("refresh.pgn", 2)));
  const std::string added = Games(1);
  f.LoadGame(2);
  ASSERT_FALSE(f.Item("MNextGame")->isEnabled());
  ASSERT_EQ(f.Database.SavePgnText(-1, added), 3);
  PositionO start;
  ASSERT_TRUE(start.SetFEN("4k3/8/8/8/8/8/8/4K2R w K - 0 1"));
  f.StartNewGame(&start);  // the set-up dialog's OK
  EXPECT_TRUE(f.Item("MNextGame")->isEnabled()) << "after a set-up";

  f.Game.SetModifiedState(0);  // nothing to ask about
  f.LoadGame(3);
  ASSERT_FALSE(f.Item("MNextGame")->isEnabled());
  ASSERT_EQ(f.Database.SavePgnText(-1, added), 4);
  QGuiApplication::clipboard()->setText("[White \"P\"]\n[Black \"Q\"]\n[Result \"*\"]\n\n1. d4 *\n");
  f.Item("MGameFromPGN")->trigger();
  EXPECT_EQ(f.Game.PlayersLine(), "P - Q");
  EXPECT_TRUE(f.Item("MNextGame")->isEnabled()) << "after a paste";
  f.Game.SetModifiedState(0);
  ASSERT_TRUE(f.CloseFile());
  f.GameListMan.SetFactories({});
}

TEST_F(MainFileTest, DatabaseMenuFollowsFoundGamesAndTreeWindows) {
  std::vector<std::unique_ptr<FakeGamesWindow>> windows;
  TMainForm &f = F();
  ListWindowFactories factories;
  factories.games = factories.tree = [&windows] {
    windows.push_back(std::make_unique<FakeGamesWindow>());
    return windows.back().get();
  };
  f.GameListMan.SetFactories(factories);
  ASSERT_TRUE(f.OpenFile(Pgn("menu.pgn", 2)));
  const auto opened = [&] {
    f.Item("MFoundGames")->setEnabled(true);
    f.Item("MTreeDlg")->setEnabled(true);
    emit f.Menu("MFile")->aboutToShow();
  };
  // No such windows: the menu's opening disables both.
  opened();
  EXPECT_FALSE(f.Item("MFoundGames")->isEnabled());
  EXPECT_FALSE(f.Item("MTreeDlg")->isEnabled());
  // A tree window: only the tree command follows (while its handler is
  // connected).
  ASSERT_TRUE(f.GameListMan.NewGamesWindow(f.Database.NewAllGamesList(), "Tree", false, true, true));
  opened();
  EXPECT_FALSE(f.Item("MFoundGames")->isEnabled());
  EXPECT_EQ(f.Item("MTreeDlg")->isEnabled(), f.IsConnected("MTreeDlg"));
  // And a found-games window.
  const int found = f.Database.NewAllGamesList();
  ASSERT_TRUE(f.GameListMan.NewGamesWindow(found, "Found", false, false, true));
  f.GameListMan.SetFoundGamesSlot(found);
  opened();
  EXPECT_EQ(f.Item("MFoundGames")->isEnabled(), f.IsConnected("MFoundGames"));
  EXPECT_EQ(f.Item("MTreeDlg")->isEnabled(), f.IsConnected("MTreeDlg"));
  // Closing the database destroys them.
  ASSERT_TRUE(f.CloseFile());
  opened();
  EXPECT_FALSE(f.Item("MFoundGames")->isEnabled());
  EXPECT_FALSE(f.Item("MTreeDlg")->isEnabled());
  f.GameListMan.SetFactories({});
}

// Answers the search with one player.
class FakeSearchDialog : public SearchDialogI {
 public:
  void SetCriteria(const GameSearchMaskO &c) override { criteria.Assign(c); }
  int Execute() override {
    ++runs;
    criteria.AddPlayer(player, 3, 0);
    return 1;
  }
  void GetCriteria(GameSearchMaskO &c) const override { c.Assign(criteria); }
  std::string player;
  GameSearchMaskO criteria;
  int runs = 0;
};

TEST_F(MainFileTest, SearchFromTheMainWindowOpensTheFoundGamesWindow) {
  std::vector<std::unique_ptr<FakeGamesWindow>> windows;
  TMainForm &f = F();
  UseFakeGamesWindows(f, windows);
  FakeSearchDialog dialog;
  dialog.player = "White2";
  f.GameListMan.SetSearchDialog(&dialog);
  // No file: the commands do nothing.
  f.Item("MSearchGames")->trigger();
  EXPECT_EQ(dialog.runs, 0);
  ASSERT_TRUE(f.OpenFile(Pgn("search.pgn", 4)));
  EXPECT_TRUE(f.Item("MSearchGames")->isEnabled());
  EXPECT_EQ(f.Item("MSearchGames")->shortcut(), QKeySequence("Ctrl+F"));
  f.Item("MSearchGames")->trigger();
  EXPECT_EQ(dialog.runs, 1);
  ASSERT_EQ(windows.size(), 2u);
  const int32_t found = f.GameListMan.FoundGamesSlot();
  ASSERT_NE(found, 0);
  EXPECT_NE(found, f.GameListMan.DefaultGamesSlot());
  EXPECT_EQ(f.Database.GameListCount(found), 1);
  EXPECT_EQ(f.Database.GameListGameNr(found, 1), 2);
  EXPECT_EQ(f.GameListMan.GamesWindowCaption(2), "White2");
  // The database menu now offers the found games; the command shows them.
  windows[1]->visible = false;
  emit f.Menu("MFile")->aboutToShow();
  ASSERT_TRUE(f.Item("MFoundGames")->isEnabled());
  f.Item("MFoundGames")->trigger();
  EXPECT_TRUE(windows[1]->visible);
  ASSERT_TRUE(f.CloseFile());
  EXPECT_FALSE(f.Item("MSearchGames")->isEnabled());
  EXPECT_FALSE(f.findChild<QToolButton *>("SBSearchGames")->isEnabled());
  f.GameListMan.SetSearchDialog(nullptr);
  f.GameListMan.SetFactories({});
}

// Keeps the window's title at every show.
class ShowSpy : public QObject {
 public:
  explicit ShowSpy(QWidget *w) : w_(w) { w->installEventFilter(this); }
  ~ShowSpy() override { w_->removeEventFilter(this); }
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() == QEvent::Show) titles << w_->windowTitle();
    return false;
  }
  QStringList titles;

 private:
  QWidget *w_;
};

// The games windows the application has.
std::vector<TGamesDlg *> GamesWindows() {
  std::vector<TGamesDlg *> v;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *g = qobject_cast<TGamesDlg *>(w)) v.push_back(g);
  return v;
}

TEST_F(MainFileTest, TheGamesCommandShowsTheGamesWindowWhichOpensAGame) {
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(Pgn("games.pgn", 3)));
  ASSERT_EQ(GamesWindows().size(), 1u);
  TGamesDlg *w = GamesWindows()[0];
  EXPECT_FALSE(w->isVisible());  // made hidden with the file
  f.Item("MGames")->trigger();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->StatusText(), "3 games (1/1)");
  EXPECT_EQ(w->windowTitle().toStdString(), "Games - [Database]");
  w->SelectGame(2);
  w->MView->trigger();
  EXPECT_EQ(f.CurrentGameNumber, 2);
  EXPECT_FALSE(w->isVisible());
  // Closing the file destroys it, and it keeps its settings.
  ASSERT_TRUE(f.CloseFile());
  EXPECT_TRUE(GamesWindows().empty());
  EXPECT_NE(fx.ReadSettings().find("[GameWindow]"), std::string::npos);
}

// The main road as a user takes it: the games command, a double click in
// the games window, F8, a move added at the end, Ctrl+S and the close that
// writes the PGN file back.
TEST_F(MainFileTest, MainRoadThroughTheGamesWindow) {
  const std::string path = Pgn("road.pgn", 6);
  // No waits between the board's steps, and the program's own cancel
  // window, as the program installs it at start.
  struct Setup {
    Setup() : sleep(TChessBoard::SetSleepFunction([](int) {})), form(AbortDlgO::InstallFormFactory({})) {
      InstallAbortDlgForm();
    }
    ~Setup() {
      TChessBoard::SetSleepFunction(sleep);
      AbortDlgO::InstallFormFactory(form);
    }
    TChessBoard::SleepFunction sleep;
    AbortDlgO::FormFactory form;
  } setup;
  TMainForm &f = F();
  f.show();
  ASSERT_TRUE(f.OpenFile(path));
  // A window manager gives the focus back when the import's cancel window
  // goes; here there is none.
  f.activateWindow();
  ASSERT_TRUE(apptest::WaitFor([&] { return f.isActiveWindow(); }, 5000));
  const int32_t count = f.Database.GameCount();
  ASSERT_EQ(count, 6);
  ASSERT_EQ(GamesWindows().size(), 1u);
  TGamesDlg *w = GamesWindows()[0];
  EXPECT_FALSE(w->isVisible());
  f.Item("MGames")->trigger();
  EXPECT_EQ(GamesWindows().size(), 1u);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(f.GameListMan.GamesWindowCount(), 1);
  EXPECT_EQ(w->windowTitle().toStdString(), "Games - [Database]");

  // A double click on row 3: game 3 at its start, view-only, window hidden.
  const QRect row = w->GameList->visualItemRect(w->GameList->item(2));
  QTest::mouseClick(w->GameList->viewport(), Qt::LeftButton, {}, row.center());
  QTest::mouseDClick(w->GameList->viewport(), Qt::LeftButton, {}, row.center());
  EXPECT_EQ(f.CurrentGameNumber, 3);
  EXPECT_EQ(f.Game.GetTag("White"), "White3");
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);
  EXPECT_TRUE(f.Item("MViewOnly")->isChecked());
  EXPECT_EQ(f.DisplayMode, dmViewOnly);
  EXPECT_FALSE(w->isVisible());

  // F8: game 4. The load gave the main window the focus.
  ASSERT_TRUE(apptest::WaitFor([&] { return f.isActiveWindow(); }, 5000));
  QTest::keyClick(&f, Qt::Key_F8);
  ASSERT_EQ(f.CurrentGameNumber, 4);
  EXPECT_EQ(f.Game.GetTag("White"), "White4");
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);

  // Leave view-only, End, a move, Ctrl+S.
  f.Item("MViewOnly")->trigger();
  ASSERT_EQ(f.DisplayMode, dmEdit);
  QTest::keyClick(f.AlternativesLB, Qt::Key_End);
  EXPECT_EQ(f.Game.PathMoves().Count(), 4);
  TChessBoard *b = f.Board;
  const auto at = [b](int file, int rank) {
    return b->SquareToPixel(file, rank) + QPoint(b->SquareWidth() / 2, b->SquareHeight() / 2);
  };
  QTest::mouseClick(b, Qt::LeftButton, {}, at(4, 2));
  QTest::mouseClick(b, Qt::LeftButton, {}, at(4, 4));
  ASSERT_EQ(f.Game.PathMoves().Count(), 5);
  ASSERT_NE(f.Game.ModifiedFlags(), 0);
  ASSERT_TRUE(f.Item("MSaveGame")->isEnabled());
  QTest::keyClick(&f, Qt::Key_S, Qt::ControlModifier);
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  EXPECT_FALSE(f.Item("MSaveGame")->isEnabled());

  // Close: the cancel window shows "Exporting..." while the file is written.
  auto *progress = dynamic_cast<QWidget *>(f.AbortDlg.Form());
  ASSERT_NE(progress, nullptr);
  ShowSpy spy(progress);
  ASSERT_TRUE(f.CloseFile());
  EXPECT_EQ(spy.titles, QStringList{"Exporting..."});
  EXPECT_FALSE(progress->isVisible());

  // Every game is there, game 4 with its new move, the others as they were.
  fx.dir().Write("orig.pgn", Games(6));
  DatabaseO orig, back;
  bool report = false;
  ASSERT_TRUE(orig.Open(fx.dir().File("orig.pgn"), nullptr, nullptr, report));
  ASSERT_TRUE(back.Open(path, nullptr, nullptr, report));
  ASSERT_EQ(back.GameCount(), count);
  const auto text = [](DatabaseO &db, int32_t n) {
    ParseResultT result;
    std::unique_ptr<GameO> g = db.LoadGame(n, result);
    return g ? ToText(*g, PgnOptions(200), LangEnglish) : "unread: " + result.message;
  };
  for (int32_t n = 1; n <= count; ++n)
    if (n != 4) {
      EXPECT_EQ(text(back, n), text(orig, n)) << n;
    }
  const std::string g4 = text(back, 4);
  EXPECT_NE(g4.find("White4"), std::string::npos);
  EXPECT_NE(g4.find("2. Nf3 Nc6 3. d4"), std::string::npos) << g4;
  EXPECT_EQ(text(orig, 4).find("3. d4"), std::string::npos);
  orig.Close(nullptr);
  back.Close(nullptr);
}

}  // namespace

// A UTF-8 study file as a user meets it: names and comments shown, a name
// typed into Game Info stored in UTF-8, the other game's bytes kept; a
// Windows-1252 file takes a typed name in Windows-1252.
TEST_F(MainFileTest, GameTextOfUtf8AndWindows1252Files) {
  TMainForm &f = F();
  const std::string study =
      "[Event \"Studie\"]\n[Site \"K\xc3\xb6ln\"]\n[White \"Benk\xc5\x91, P\xc3\xa1l\"]\n"
      "[Black \"\xc3\x93lafsson, Fri\xc3\xb0rik\"]\n[Result \"1-0\"]\n\n"
      "1. e4 {sch\xc3\xb6n: \xd0\x96\xd1\x83\xd0\xba \xce\x91\xce\xbb\xcf\x86\xce\xb1} e5 1-0\n\n"
      "[Event \"Zweite\"]\n[White \"B\xc3\xb6hm\"]\n[Black \"\xd0\x9a\xd0\xb0\xd1\x81\"]\n[Result \"*\"]\n\n1. d4 *\n";
  fx.dir().Write("study.pgn", study);
  ASSERT_TRUE(f.OpenFile(fx.dir().File("study.pgn")));
  EXPECT_EQ(f.TextEncoding(), win1252::TextEncoding::Utf8);
  f.LoadGame(1);
  f.SBNextClick();
  QStringList info;
  for (QLabel *l : f.InfoLabels) info << l->text();
  EXPECT_TRUE(info.join("|").contains(QString::fromUtf8("Benk\xc5\x91, P\xc3\xa1l"))) << info.join("|").toStdString();
  EXPECT_EQ(f.CommentMemo->toPlainText(), QString::fromUtf8("sch\xc3\xb6n: \xd0\x96\xd1\x83\xd0\xba \xce\x91\xce\xbb\xcf\x86\xce\xb1"));
  uitest::Snapshot(&f, "h61-utf8-study");
  auto typeWhite = [](const char *utf8) {
    return [utf8](QDialog &d) {
      auto &g = static_cast<TEditGameInfoExDlg &>(d);
      g.TagLB->setCurrentRow(tagWhite - 1);
      g.TagLBClick();
      g.ValueEd->setText(QString::fromUtf8(utf8));
      uitest::Snapshot(&g, "h61-game-info");
      return modal::ClickButton(d, "OKBtn");
    };
  };
  f.Item("MViewOnly")->setChecked(false);
  {
    modal::ScopedAnswerer a(typeWhite("J\xc3\xbcrgen Benk\xc5\x91"));
    f.Item("MEditGameHeader")->trigger();
  }
  EXPECT_EQ(f.Game.GetTag("White"), "J\xc3\xbcrgen Benk\xc5\x91");
  ASSERT_TRUE(f.StoreGame());
  ASSERT_TRUE(f.CloseFile());
  const std::string back = apptest::ReadFile(fx.dir().File("study.pgn"));
  EXPECT_TRUE(win1252::IsUtf8(back));
  EXPECT_NE(back.find("[White \"J\xc3\xbcrgen Benk\xc5\x91\"]"), std::string::npos);
  EXPECT_NE(back.find("[Black \"\xc3\x93lafsson, Fri\xc3\xb0rik\"]"), std::string::npos);
  EXPECT_NE(back.find("[Black \"\xd0\x9a\xd0\xb0\xd1\x81\"]"), std::string::npos);

  fx.dir().Write("w.pgn", "[White \"M\xfcller\"]\n[Black \"B\xf6hm\"]\n[Result \"*\"]\n\n1. e4 *\n");
  ASSERT_TRUE(f.OpenFile(fx.dir().File("w.pgn")));
  EXPECT_EQ(f.TextEncoding(), win1252::TextEncoding::Win1252);
  f.LoadGame(1);
  info.clear();
  for (QLabel *l : f.InfoLabels) info << l->text();
  EXPECT_TRUE(info.join("|").contains(QString::fromUtf8("M\xc3\xbcller"))) << info.join("|").toStdString();
  f.Item("MViewOnly")->setChecked(false);
  {
    modal::ScopedAnswerer a(typeWhite("J\xc3\xbcrgen Benk\xc5\x91"));
    f.Item("MEditGameHeader")->trigger();
  }
  ASSERT_TRUE(f.StoreGame());
  ASSERT_TRUE(f.CloseFile());
  const std::string w = apptest::ReadFile(fx.dir().File("w.pgn"));
  EXPECT_NE(w.find("[White \"J\xfcrgen Benk?\"]"), std::string::npos) << w;
  EXPECT_NE(w.find("[Black \"B\xf6hm\"]"), std::string::npos);
  EXPECT_EQ(w.find('\xc3'), std::string::npos);
  EXPECT_EQ(f.TextEncoding(), win1252::TextEncoding::Utf8);  // no file open
}

// Save As never takes the name of a file that is there unasked: No keeps
// the window's name, Yes takes the new one. Either way one question.
TEST_F(MainFileTest, SaveAsAsksBeforeTakingAnExistingName) {
  const std::string mine = Pgn("mine.pgn", 1), other = Pgn("other.pgn", 2);
  TMainForm &f = F();
  ASSERT_TRUE(f.OpenFile(mine));
  for (const QString &answer : {QStringLiteral("No"), QStringLiteral("Yes")}) {
    SCOPED_TRACE(answer.toStdString());
    int files = 0, questions = 0;
    QString asked;
    {
      modal::ScopedAnswerer a([&](QDialog &d) {
        if (auto *fd = qobject_cast<QFileDialog *>(&d)) {
          ++files;
          fd->selectFile(QFile::decodeName(QByteArray::fromStdString(other)));
          return int(QDialog::Accepted);
        }
        ++questions;
        if (auto *l = d.findChild<QLabel *>("Message")) asked = l->text();
        return modal::ClickButton(d, answer);
      });
      f.MSaveAsClick();
    }
    EXPECT_EQ(files, 1);
    EXPECT_EQ(questions, 1);
    EXPECT_TRUE(asked.contains(QFile::decodeName(QByteArray::fromStdString(other)))) << asked.toStdString();
    EXPECT_TRUE(asked.contains("File already exists")) << asked.toStdString();
    if (answer == "No") {
      EXPECT_EQ(f.FileName, mine);
      EXPECT_EQ(f.windowTitle(), "mine - Torvanel");
    } else {
      EXPECT_EQ(f.FileName, other);
      EXPECT_EQ(f.windowTitle(), "other - Torvanel");
    }
  }
}
