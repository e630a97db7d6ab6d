#include <gtest/gtest.h>

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>
#include <sys/wait.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "AppTestUtil.h"
#include "chess/ParsePGN.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/LangMan.h"
#include "foundation/ui/ListBoxMemoSplitPanels.h"
#include "foundation/ui/QtStr.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace {

// The menus of the dialogs the main window owns have their own captions.
bool InDialog(const QObject *o) {
  for (; o; o = o->parent())
    if (qobject_cast<const QDialog *>(o)) return true;
  return false;
}

class MainShellTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  QAction *Item(const char *name) { return Form().Item(name); }
  // Sends the window a close request; true when it would close.
  bool TryClose() {
    QCloseEvent e;
    QApplication::sendEvent(&Form(), &e);
    return e.isAccepted();
  }
  // The texts of the messages the run shows, each answered OK.
  std::vector<std::string> Shown(const std::function<void()> &run) {
    std::vector<std::string> texts;
    modal::ScopedAnswerer a([&](QDialog &d) {
      if (auto *l = d.findChild<QLabel *>("Message")) texts.push_back(l->text().toStdString());
      return modal::ClickButton(d, "OK");
    });
    run();
    return texts;
  }
  int Games(const std::string &name) {
    std::string text;
    files::ReadAll(dir().File(name), text);
    int n = 0;
    for (size_t at = text.find("[Event "); at != std::string::npos; at = text.find("[Event ", at + 1)) ++n;
    return n;
  }
  // Runs the event loop until the end by signal has closed the file.
  void WaitForSignalEnd() {
    for (int i = 0; i < 50 && Form().FileOpen; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
};

TEST_F(MainShellTest, FreshStart) {
  TMainForm &f = Form();
  EXPECT_EQ(f.windowTitle(), "Torvanel");
  EXPECT_EQ(QApplication::applicationName(), "Torvanel");
  EXPECT_EQ(f.DisplayMode, dmEdit);
  EXPECT_TRUE(f.SBTryOut->isHidden());
  // Section "General" defaults.
  EXPECT_EQ(f.GetCopyGameAs(), "PGN");
  EXPECT_EQ(f.GetCopyDiagramAs(), "Bitmap");
  EXPECT_EQ(f.GetPasteGameFrom(), "PGN");
  EXPECT_TRUE(f.ShowExtraPanel);
  EXPECT_FALSE(f.ShowUnder);
  EXPECT_FALSE(f.ShowLeft);
  EXPECT_TRUE(f.ShowRight);
  EXPECT_TRUE(f.ShowToolbar);
  EXPECT_TRUE(f.ShowStatusbar);
  EXPECT_EQ(f.ExtraPanelWidth, 200);
  EXPECT_EQ(f.ExtraPanelHeight, 50);
  // The default 40, or two rows above the scroll bar when that is more.
  EXPECT_GE(f.AlternativesCommentPanel->ListBoxHeight(), 40);
  EXPECT_LE(f.AlternativesCommentPanel->ListBoxHeight(), 60);
  EXPECT_EQ(f.AlternativesCommentPanel->ListBoxWidth(), 100);
  // No placement stored: the first layout centred the window, once.
  EXPECT_FALSE(f.CenterOnce);
  const QRect screen = f.screen()->availableGeometry();
  EXPECT_EQ(f.x(), screen.x() + screen.width() / 2 - f.width() / 2);
  f.move(f.x() + 7, f.y());
  f.ArrangeControls();
  EXPECT_EQ(f.x(), screen.x() + screen.width() / 2 - f.width() / 2 + 7);
  EXPECT_EQ(f.AutoPlayTimer->interval(), 1500);

  // The fixed switches and the engine setting.
  for (const char *n : {"MSave", "MSaveAs", "MPlayers", "MEventSites", "MAnnotators", "MClassifyAllGames", "MDBSettings", "MLists",
                        "MEngine"})
    EXPECT_FALSE(Item(n)->isVisible()) << n;
  for (const char *n : {"MFoundGames", "MTreeDlg", "MGames", "MFile", "MBoard"})
    EXPECT_TRUE(Item(n)->isVisible()) << n;
  // No file: the file commands are off; so is every command not built yet.
  for (const char *n : {"MSave", "MSaveAs", "MClose", "MGames", "MOpenings", "MSearchGames", "MFoundGames",
                        "MTreeDlg", "MReopenLastList", "MImportGames", "MPrevGame", "MNextGame", "MClassifyGame",
                        "MClassifyPosition", "MSaveGame", "MReopen"})
    EXPECT_FALSE(Item(n)->isEnabled()) << n;
  for (const char *n : {"MComment", "MNags", "MNags1ShortCut", "MNags2ShortCut", "MEditGameHeader", "MTryOut",
                        "MViewOnly", "MNewGame", "MNew", "MOpen", "MPreferences"})
    EXPECT_TRUE(Item(n)->isEnabled()) << n;
  EXPECT_TRUE(Item("MExit")->isEnabled());
  EXPECT_TRUE(Item("MContents")->isEnabled());
  EXPECT_TRUE(Item("MAbout")->isEnabled());
}

TEST_F(MainShellTest, SettingsRoundTrip) {
  WriteSettings(
      "[General]\r\nCopyGameAs=Weird\r\nCopyDiagramAs=HTML\r\nShowUnder=1\r\nExtraPanelHeight=77\r\n"
      "AlternativesLBWidth=55\r\n");
  TMainForm &f = Form();
  // An unknown name chooses the default.
  EXPECT_EQ(f.GetCopyGameAs(), "PGN");
  EXPECT_TRUE(f.ShowUnder);
  EXPECT_EQ(f.ExtraPanelHeight, 77);
  // Another window writes into the same file during the run.
  {
    IniFile other(Settings());
    other.WriteString("SomeDialog", "Top", "12");
  }
  FreeForm();
  IniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("General", "CopyGameAs", ""), "PGN");
  EXPECT_EQ(ini.ReadString("General", "CopyDiagramAs", ""), "HTML");
  EXPECT_EQ(ini.ReadString("General", "PasteGameFrom", ""), "PGN");
  EXPECT_EQ(ini.ReadString("General", "ShowExtraPanel", ""), "1");
  EXPECT_EQ(ini.ReadString("General", "ShowUnder", ""), "1");
  EXPECT_EQ(ini.ReadString("General", "ShowRight", ""), "1");
  EXPECT_EQ(ini.ReadString("General", "ExtraPanelHeight", ""), "77");
  EXPECT_EQ(ini.ReadString("General", "ExtraPanelWidth", ""), "200");
  EXPECT_EQ(ini.ReadString("General", "AlternativesLBWidth", ""), "55");
  EXPECT_EQ(ini.ReadString("General", "AlternativesLBHeight", ""), "40");
  EXPECT_TRUE(ini.ValueExists("MainWindow", "Top"));
  EXPECT_TRUE(ini.ValueExists("MainWindow", "State"));
  EXPECT_EQ(ini.ReadString("SomeDialog", "Top", ""), "12");
  // The options were saved too.
  EXPECT_EQ(ini.ReadString("General", "AutoPlayDelay", ""), "1500");

  // With a placement stored, the window does not centre itself.
  EXPECT_FALSE(Form().CenterOnce);
}

// Captions and hints of every main-menu item, in both built-in languages.
TEST_F(MainShellTest, MenuCaptionsAndHints) {
  TMainForm &f = Form();
  struct Lang {
    LanguageId id;
    const char *file, *open, *newHint, *viewGamesHint, *createOpenings;
  };
  for (const Lang &l : {Lang{LangEnglish, "&Database", "&Open...", "|Create a new database",
                             "Only view games, without changing them", "Create Openin&gs..."},
                        Lang{LangDutch, "&Database", "&Openen...", "|Een nieuwe database maken",
                             "Partijen alleen naspelen, zonder ze te wijzigen", "Maak op&eningen..."}}) {
    SCOPED_TRACE(l.id);
    ChessApp.ApplicationLanguage = l.id;
    f.ApplyLanguage();
    EXPECT_EQ(Item("MFile")->text(), l.file);
    EXPECT_EQ(Item("MOpen")->text(), l.open);
    EXPECT_EQ(Item("MNew")->statusTip(), QString(l.newHint).mid(1));
    EXPECT_EQ(Item("MViewGamesOnly")->statusTip(), l.viewGamesHint);
    EXPECT_EQ(Item("MOpenings")->text(), l.createOpenings);
    EXPECT_EQ(Item("MReopenLastList")->statusTip(), ToQ(CommonText::S_MReopenLastListStatusHint));
    // Every item: the caption variable, with "..." exactly for the dialogs.
    for (QAction *a : f.findChildren<QAction *>()) {
      const std::string name = a->objectName().toStdString();
      if (InDialog(a)) continue;
      if (name.empty() || name[0] != 'M' || name == "MOpenings" || name == "MReopenLastList" ||
          name == "MNags1ShortCut" || name == "MNags2ShortCut")
        continue;
      const std::string *c =
          CommonText::FindCaption(name.rfind("MClearNags", 0) == 0 ? std::string("S_MClearNags") : "S_" + name);
      ASSERT_NE(c, nullptr) << name;
      const bool dialog = a->text().endsWith("...");
      EXPECT_EQ(a->text(), ToQ(*c) + (dialog ? "..." : "")) << name;
      static const std::set<std::string> kDialogs = {
          "MNew",         "MOpen",       "MSaveAs",         "MGames",         "MPlayers",     "MEventSites",
          "MAnnotators",  "MSearchGames", "MFoundGames",    "MTreeDlg",       "MImportGames", "MPreferences",
          "MSetupPosition", "MEditGameHeader", "MComment",  "MNags",          "MTimeControl", "MAdjustTime",
          "MAbout"};
      EXPECT_EQ(dialog, kDialogs.count(name) == 1) << name;
    }
  }
  ChessApp.ApplicationLanguage = LangEnglish;
  f.ApplyLanguage();
  EXPECT_EQ(Item("MExit")->text(), "E&xit");
  EXPECT_EQ(Item("MExit")->statusTip(), "Close the application; prompts to save changes");
  EXPECT_EQ(Item("MFlip")->statusTip(), "Turn the board");
  EXPECT_EQ(Item("MReplayLastMove")->statusTip(), "");
}

// Hidden items keep working shortcuts, but not while disabled.
TEST_F(MainShellTest, HiddenShortcuts) {
  TMainForm &f = Form();
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  struct Key {
    const char *name;
    int key;
    Qt::KeyboardModifiers mods;
  };
  for (const Key &k : {Key{"MReopenLastList", Qt::Key_F11, Qt::NoModifier},
                       Key{"MNags1ShortCut", Qt::Key_1, Qt::ControlModifier},
                       Key{"MNags2ShortCut", Qt::Key_Equal, Qt::ControlModifier}}) {
    SCOPED_TRACE(k.name);
    QAction *a = Item(k.name);
    EXPECT_TRUE(a->associatedObjects().contains(&f));
    int fired = 0;
    auto c = QObject::connect(a, &QAction::triggered, [&] { ++fired; });
    a->setEnabled(false);
    QTest::keyClick(&f, static_cast<Qt::Key>(k.key), k.mods);
    EXPECT_EQ(fired, 0);
    a->setEnabled(true);
    QTest::keyClick(&f, static_cast<Qt::Key>(k.key), k.mods);
    EXPECT_EQ(fired, 1);
    // The NAG shortcuts leave their menu open.
    if (QWidget *popup = QApplication::activePopupWidget()) popup->close();
    QObject::disconnect(c);
    a->setEnabled(false);
  }
}

TEST_F(MainShellTest, CloseQueryWithModifiedGame) {
  TMainForm &f = Form();
  // Unmodified: closes without a question.
  {
    auto a = Answer("Cancel");
    EXPECT_TRUE(TryClose());
    EXPECT_EQ(dialogs, 0);
  }
  f.Game.SetModified(mfEdited);
  {
    auto a = Answer("Cancel");
    EXPECT_FALSE(TryClose());
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(lastMessage, "Game has changed. Changes will be lost!");
    EXPECT_EQ(beeps, 1);
    EXPECT_NE(f.Game.ModifiedFlags(), 0);
  }
  {
    auto a = Answer("OK");
    EXPECT_TRUE(TryClose());
    EXPECT_EQ(dialogs, 2);
  }
  // A long operation runs: no question, no close.
  dialogs = 0;
  f.AbortDlg.Show();
  {
    auto a = Answer("OK");
    EXPECT_FALSE(TryClose());
    EXPECT_FALSE(f.SessionCloseQuery(true));
    EXPECT_EQ(dialogs, 0);
  }
  f.AbortDlg.Hide();
  // Nor while a nested dialog runs its own loop.
  {
    QDialog nested;
    nested.setModal(true);
    nested.show();
    auto a = Answer("OK");
    EXPECT_FALSE(TryClose());
    EXPECT_EQ(dialogs, 0);
  }
  // Autoplay stops on closing.
  f.AutoPlayTimer->start(100000);
  {
    auto a = Answer("Cancel");
    TryClose();
  }
  EXPECT_FALSE(f.AutoPlayTimer->isActive());
}

TEST_F(MainShellTest, LogoutAsksLikeTheCloseQuery) {
  TMainForm &f = Form();
  f.Game.SetModified(mfEdited);
  {
    auto a = Answer("Cancel");
    EXPECT_FALSE(f.SessionCloseQuery(true));
    EXPECT_EQ(dialogs, 1);
  }
  // Without interaction nothing can be asked: the game is kept aside.
  {
    auto a = Answer("Cancel");
    EXPECT_TRUE(f.SessionCloseQuery(false));
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  }
  f.SessionGoesOn();
  f.Game.SetModified(mfEdited);
  {
    auto a = Answer("OK");
    EXPECT_TRUE(f.SessionCloseQuery(true));
    EXPECT_EQ(dialogs, 2);
    // The session's close of the window asks nothing again.
    EXPECT_TRUE(TryClose());
    EXPECT_EQ(dialogs, 2);
  }
}

TEST_F(MainShellTest, AfterACancelledLogoutEveryCloseAsksAgain) {
  TMainForm &f = Form();
  f.Game.SetModified(mfEdited);
  {
    auto a = Answer("OK");
    EXPECT_TRUE(f.SessionCloseQuery(true));
    EXPECT_TRUE(TryClose());
  }
  // Another program cancels the logout; the user works on.
  QKeyEvent key(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
  QApplication::sendEvent(&f, &key);
  uitest::FlushDeletes();
  const std::string game = "[Event \"E\"]\r\n[White \"W\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n";
  dir().Write("s.pgn", game);
  ASSERT_TRUE(f.OpenFile(dir().File("s.pgn")));
  ASSERT_GT(f.Database.SavePgnText(-1, game), 0);
  f.Game.SetModified(mfEdited);
  const int before = dialogs;
  {
    auto a = Answer("Cancel");
    EXPECT_FALSE(TryClose());
    EXPECT_EQ(dialogs, before + 1);
  }
  {
    auto a = Answer("No");
    EXPECT_TRUE(TryClose());
  }
  std::string text;
  ASSERT_TRUE(files::ReadAll(dir().File("s.pgn"), text));
  EXPECT_EQ(text.find("[Event \"E\"]"), 0u);
  EXPECT_NE(text.find("[Event \"E\"]", 1), std::string::npos);  // the stored game reached the file
}

TEST_F(MainShellTest, ALogoutWithoutQuestionsAndSigtermKeepEveryGame) {
  TMainForm &f = Form();
  const std::string game = "[Event \"E\"]\r\n[White \"W\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n";
  // A file read whole is written back; the changed game goes aside.
  dir().Write("clean.pgn", game);
  ASSERT_TRUE(f.OpenFile(dir().File("clean.pgn")));
  ASSERT_GT(f.Database.SavePgnText(-1, game), 0);
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString("[Event \"Unsaved\"]\n1. d4 *", LangEnglish, r));
  f.Game.SetModified(mfEdited);
  const int before = dialogs;
  EXPECT_TRUE(f.SessionCloseQuery(false));
  EXPECT_EQ(dialogs, before);
  EXPECT_FALSE(f.FileOpen);
  EXPECT_EQ(Games("clean.pgn"), 2);
  EXPECT_EQ(Games("clean.recovered.pgn"), 1);
  std::string aside;
  ASSERT_TRUE(files::ReadAll(dir().File("clean.recovered.pgn"), aside));
  EXPECT_NE(aside.find("Unsaved"), std::string::npos);
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  EXPECT_TRUE(TryClose());
  // One whose import refused a game keeps its bytes: SIGTERM, through the
  // event loop.
  f.SessionGoesOn();
  const std::string faulty = game + "\r\n[Event \"Bad\"]\r\n\r\n1. e4 e4 *\r\n";
  dir().Write("bad.pgn", faulty);
  {
    auto a = Answer("OK");
    ASSERT_TRUE(f.OpenFile(dir().File("bad.pgn")));
  }
  ASSERT_GT(f.Database.SavePgnText(-1, game), 0);
  ASSERT_EQ(::raise(SIGTERM), 0);
  WaitForSignalEnd();
  EXPECT_FALSE(f.FileOpen);
  std::string text;
  ASSERT_TRUE(files::ReadAll(dir().File("bad.pgn"), text));
  EXPECT_EQ(text, faulty);
  EXPECT_EQ(Games("bad.recovered.pgn"), 2);
  // The next start says where the games are, once: the unsaved game aside
  // with the file as left, then the changes not written back.
  EXPECT_EQ(Shown([&] { f.ReportRecoveredGames(); }),
            (std::vector<std::string>{
                dir().File("clean.pgn") + " is as you left it; the game that was not stored when the program "
                                          "ended is in " + dir().File("clean.recovered.pgn") + ".",
                "The changes to " + dir().File("bad.pgn") +
                    " could not be written back: the file is unchanged; all its games with the changes are in " +
                    dir().File("bad.recovered.pgn") + "."}));
  EXPECT_TRUE(Shown([&] { f.ReportRecoveredGames(); }).empty());
}

TEST_F(MainShellTest, SigtermNeverWritesOverAFileAnotherWriterChanged) {
  TMainForm &f = Form();
  const std::string game = "[Event \"E\"]\r\n[White \"W\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n";
  dir().Write("w.pgn", game);
  ASSERT_TRUE(f.OpenFile(dir().File("w.pgn")));
  ASSERT_GT(f.Database.SavePgnText(-1, game), 0);
  const std::string appended = game + "\r\n[Event \"Other\"]\r\n\r\n1. d4 *\r\n";
  dir().Write("w.pgn", appended);
  ASSERT_EQ(::raise(SIGTERM), 0);
  WaitForSignalEnd();
  EXPECT_FALSE(f.FileOpen);
  EXPECT_EQ(dir().Read("w.pgn"), appended);
  EXPECT_EQ(Games("w.recovered.pgn"), 2);
  EXPECT_EQ(Shown([&] { f.ReportRecoveredGames(); }),
            std::vector<std::string>{"The changes to " + dir().File("w.pgn") +
                                     " could not be written back: the file is unchanged; all its games with the "
                                     "changes are in " + dir().File("w.recovered.pgn") + "."});
}

// A message that follows every OK (as a damaged key list once showed one
// per row) cannot hold SIGTERM off: the one up is closed, no other opens,
// and the end runs.
TEST_F(MainShellTest, SigtermEndsWhileAMessageFollowsEveryOk) {
  TMainForm &f = Form();
  dir().Write("m.pgn", "[Event \"E\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n");
  ASSERT_TRUE(f.OpenFile(dir().File("m.pgn")));
  int shown = 0;
  {
    modal::ScopedAnswerer a([&](QDialog &d) {
      if (++shown > 1) return modal::ClickButton(d, "OK");
      // The first runs for real, and the signal comes while it is up.
      QTimer::singleShot(0, [] { ::raise(SIGTERM); });
      QTimer::singleShot(5000, &d, [&d] { d.reject(); });  // should the end never close it
      return d.exec();
    });
    for (int i = 0; i < 100; ++i) ui::ShowMessage("BucketStoreManO.GetBucket failed");
  }
  // The end waits out the closed dialog on a timer.
  for (int i = 0; i < 100 && f.FileOpen; ++i) QTest::qWait(20);
  EXPECT_EQ(shown, 1);
  EXPECT_FALSE(f.FileOpen);
}

TEST_F(MainShellTest, AKilledRunsGamesAreRecoveredAndSaidAtTheNextStart) {
  testutil::TempDir tmp;
  testutil::EnvGuard tmpdir("TMPDIR", tmp.Path());
  testutil::EnvGuard state("XDG_STATE_HOME", tmp.Path());
  const std::string game = "[Event \"E\"]\r\n[White \"W\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n";
  dir().Write("k.pgn", game);
  // A run killed after storing a game: nothing was closed.
  const pid_t child = ::fork();
  if (child == 0) {
    auto *db = new DatabaseO;
    bool report = false;
    if (!db->Open(dir().File("k.pgn"), nullptr, nullptr, report) || db->SavePgnText(-1, game) == 0) ::_exit(1);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  TMainForm &f = Form();
  EXPECT_EQ(Shown([&] { f.WMStartup({}); }),
            std::vector<std::string>{"The program was ended before it could write back the changes to " +
                                     dir().File("k.pgn") +
                                     ": the file is unchanged; all its games with the changes are in " +
                                     dir().File("k.recovered.pgn") + "."});
  EXPECT_EQ(dir().Read("k.pgn"), game);
  EXPECT_EQ(Games("k.recovered.pgn"), 2);
}

TEST_F(MainShellTest, AKilledRunsSetNoFolderTakesIsSaidAtEachStart) {
  testutil::TempDir tmp, nowhere;
  testutil::EnvGuard tmpdir("TMPDIR", tmp.Path());
  testutil::EnvGuard state("XDG_STATE_HOME", tmp.Path());
  const std::string game = "[Event \"E\"]\r\n[White \"W\"]\r\n[Result \"*\"]\r\n\r\n1. e4 *\r\n";
  ASSERT_EQ(::mkdir(dir().File("sub").c_str(), 0755), 0);
  const std::string pgn = dir().File("sub/n.pgn");
  dir().Write("sub/n.pgn", game);
  const pid_t child = ::fork();
  if (child == 0) {
    auto *db = new DatabaseO;
    bool report = false;
    if (!db->Open(pgn, nullptr, nullptr, report) || db->SavePgnText(-1, game) == 0) ::_exit(1);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const std::vector<std::string> sets = files::ListDirs(tmp.Path() + "torvanel/", "tvdb*");
  ASSERT_EQ(sets.size(), 1u);
  TMainForm &f = Form();
  // The file's folder is gone, and no writable directory can be made.
  std::filesystem::remove_all(dir().File("sub"));
  nowhere.Write("plain", "");
  {
    testutil::EnvGuard app("TORVANEL_APPDIR", nowhere.File("plain/app"));
    testutil::EnvGuard config("XDG_CONFIG_HOME", nowhere.File("plain/config"));
    for (int start = 0; start < 2; ++start) {
      const std::vector<std::string> shown = Shown([&] { f.WMStartup({}); });
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].find("No recovery file could be written for the changes to " + pgn + " (" +
                              pgn.substr(0, pgn.size() - 4) + ".recovered.pgn: No such file or directory; "),
                0u)
          << shown[0];
      // And it says where the set stays.
      EXPECT_NE(shown[0].find("). They stay in " + tmp.File("torvanel/" + sets[0]) + "/; "),
                std::string::npos)
          << shown[0];
    }
  }
  ASSERT_EQ(::mkdir(dir().File("sub").c_str(), 0755), 0);
  EXPECT_EQ(Shown([&] { f.WMStartup({}); }),
            std::vector<std::string>{"The program was ended before it could write back the changes to " +
                                     pgn + ": the file is unchanged; all its games with the changes are in " +
                                     dir().File("sub/n.recovered.pgn") + "."});
  EXPECT_TRUE(Shown([&] { f.WMStartup({}); }).empty());
}

TEST_F(MainShellTest, ALogoutWithNoFileOpenKeepsTheGameBeingEntered) {
  TMainForm &f = Form();
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString("[Event \"Typed\"]\n1. d4 *", LangEnglish, r));
  f.Game.SetModified(mfEdited);
  // A file of that name is never replaced.
  dir().Write("unsaved-game.pgn", "mine");
  EXPECT_TRUE(Shown([&] { EXPECT_TRUE(f.SessionCloseQuery(false)); }).empty());
  EXPECT_EQ(dir().Read("unsaved-game.pgn"), "mine");
  EXPECT_NE(dir().Read("unsaved-game-2.pgn").find("[Event \"Typed\"]"), std::string::npos);
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  EXPECT_TRUE(TryClose());
  // An unchanged game leaves nothing.
  f.SessionGoesOn();
  EXPECT_TRUE(f.SessionCloseQuery(false));
  EXPECT_FALSE(files::Exists(dir().File("unsaved-game-3.pgn")));
  // A line an older build wrote (two fields) keeps its text.
  {
    std::ofstream list(DatabaseO::RecoveryListPath(), std::ios::binary | std::ios::app);
    list << "/d/old.pgn\t/d/old.recovered.pgn\n";
  }
  EXPECT_EQ(Shown([&] { f.ReportRecoveredGames(); }),
            (std::vector<std::string>{"The game being entered with no file open when the program ended is in " +
                                          dir().File("unsaved-game-2.pgn") + ".",
                                      "The changes to /d/old.pgn could not be written back when the program ended: "
                                      "its games are in /d/old.recovered.pgn."}));
}

TEST_F(MainShellTest, StatusTextAndHelp) {
  TMainForm &f = Form();
  ui::SetStatusText("Importing 12 games");
  EXPECT_EQ(f.StatusBar->currentMessage(), "Importing 12 games");
  {
    auto a = Answer("OK");
    Item("MContents")->trigger();
    EXPECT_EQ(lastMessage, "Sorry, help not yet available.");
    EXPECT_EQ(beeps, 1);
  }
  // The hook goes with the window.
  FreeForm();
  ui::SetStatusText("after");
}

}  // namespace
