// The games window on a generated database: paging, sorting, deleting,
// viewing, the memo, the settings, the popup and the commands it reaches
// through the window manager.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolButton>
#include <cerrno>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseTestUtil.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/DlgGames.h"
#include "dbwindows/GameListMan.h"
#include "dbwindows/GameMemo.h"
#include "dbwindows/ListWindowFrame.h"
#include "dbwindows/PagedList.h"
#include "dbwindows/PagedListView.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MySplitter.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {

// Game i: White "Player <i % 7>", Black "Opponent <i % 11>", rounds and
// dates by i, a few moves.
std::string GamesPgn(int count) {
  static const char *const results[] = {"1-0", "0-1", "1/2-1/2", "*"};
  std::string s;
  for (int i = 1; i <= count; ++i) {
    const char *r = results[i % 4];
    s += "[Event \"Cup " + std::to_string(i % 3) + "\"]\n[Site \"Town\"]\n[Date \"" + std::to_string(1950 + i % 60) +
         ".01.01\"]\n[Round \"" + std::to_string(i) + "\"]\n[White \"Player " + std::to_string(i % 7) +
         "\"]\n[Black \"Opponent " + std::to_string(i % 11) + "\"]\n[Result \"" + r + "\"]\n\n1. e4 e5 2. Nf3 Nc6 " +
         r + "\n\n";
  }
  return s;
}

class GamesWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
    ui::Hooks h;
    h.beep = [this] { ++beeps; };
    h.showMessage = [this](const std::string &t) { messages.push_back(t); };
    h.messageDlg = [this](const std::string &t, ui::MsgType, unsigned, int, int) {
      questions.push_back(t);
      return answer;
    };
    oldHooks = ui::InstallHooks(h);
  }
  void TearDown() override {
    man.Done();
    ui::InstallHooks(oldHooks);
    uitest::FlushDeletes();
  }

  void OpenDb(int games) {
    std::ofstream(data.File("g.pgn"), std::ios::binary) << GamesPgn(games);
    bool flag = false;
    ASSERT_TRUE(db.Open(data.File("g.qcx"), nullptr, nullptr, flag));
    ASSERT_TRUE(db.ImportDatabase(data.File("g.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db.GameCount(), games);
  }
  // A found slot holding the games in that order.
  int FoundSlot(const std::vector<int32_t> &games) {
    const int s = db.NewGameList();
    for (int32_t n : games) db.AddGameToList(s, n);
    return s;
  }
  std::unique_ptr<TGamesDlg> Window(int slot) {
    auto w = std::make_unique<TGamesDlg>();
    ListWindowHandlers h;
    h.viewGame = [this](int32_t n) { viewed.push_back(n); };
    h.gameDeleted = [this](int32_t n) { deleted.push_back(n); };
    w->SetHandlers(h);
    EXPECT_TRUE(w->Open(&db, slot, "Test"));
    return w;
  }
  // The game numbers the page's rows hold.
  static std::vector<int32_t> Rows(const TGamesDlg &w) {
    std::vector<int32_t> v;
    for (int r = 0; r < w.GameList->count(); ++r) v.push_back(w.GameList->item(r)->data(Qt::UserRole).toInt());
    return v;
  }
  // Makes the manager's windows real games windows.
  void UseManager() {
    ListWindowFactories f;
    f.games = [] { return new TGamesDlg; };
    f.flushReleases = [] { listframe::FlushReleases(); };
    man.SetFactories(f);
    man.Init(nullptr, [this](int32_t n) { viewed.push_back(n); }, [this](int32_t n) { deleted.push_back(n); },
             nullptr, nullptr, nullptr);
  }
  // The memo's text as the memo shows it.
  QString MemoText(int32_t n, bool info, bool moves) {
    return ToQ(GameMemoText(db, n, info, moves)).replace("\r\n", "\n");
  }
  // How many game-list slots are free now.
  int FreeSlots() {
    std::vector<int> taken;
    for (int s = db.NewGameList(); s != 0; s = db.NewGameList()) taken.push_back(s);
    for (int s : taken) db.FreeGameList(s);
    return static_cast<int>(taken.size());
  }
  TGamesDlg *ManWindow(int i) { return dynamic_cast<TGamesDlg *>(man.GamesEntry(i).gamesWindow); }

  testutil::TempDir data, appDir;
  testutil::AppDirGuard appGuard{appDir.Path()};
  DatabaseO db;
  GameListManO man;
  ui::Hooks oldHooks;
  int answer = ui::mrYes;
  int beeps = 0;
  std::vector<std::string> messages, questions;
  std::vector<int32_t> viewed, deleted;
};

TEST_F(GamesWindowTest, PagesSelectGameAndTheStatusText) {
  OpenDb(600);
  auto w = Window(db.NewAllGamesList());
  EXPECT_EQ(w->StatusText(), "600 games (1/3)");
  EXPECT_FALSE(w->Panel4->isHidden());
  EXPECT_EQ(w->SelectedItem(), 1);  // row 1 selected at the start
  EXPECT_EQ(w->windowTitle().toStdString(), "Games - [Test]");

  w->SelectGame(400);
  EXPECT_EQ(w->Paging().PageStart(), 251);
  EXPECT_EQ(w->SelectedItem(), 400);
  EXPECT_EQ(w->StatusText(), "600 games (2/3)");
  EXPECT_EQ(w->GameMemo->toPlainText(), MemoText(400, false, true));

  w->LastPageBtn->click();
  EXPECT_EQ(Rows(*w).size(), 100u);
  EXPECT_EQ(w->SelectedItem(), 501);
  w->NextPageBtn->click();  // on the last page: nothing
  EXPECT_EQ(w->Paging().PageStart(), 501);
  w->FirstPageBtn->click();
  w->PrevPageBtn->click();
  EXPECT_EQ(w->Paging().PageStart(), 1);

  // A game the slot does not hold: page 1, nothing selected, no memo.
  const int found = FoundSlot({5, 9});
  auto f = Window(found);
  f->SelectGame(7);
  EXPECT_EQ(f->SelectedItem(), 0);
  EXPECT_TRUE(f->GameMemo->toPlainText().isEmpty());
  EXPECT_FALSE(f->MView->isEnabled());
  EXPECT_TRUE(f->Panel4->isHidden());

  // 250 rows are one page, 251 two with one row on the last.
  std::vector<int32_t> games;
  for (int i = 1; i <= 250; ++i) games.push_back(i);
  auto p250 = Window(FoundSlot(games));
  EXPECT_EQ(p250->StatusText(), "250 games (1/1)");
  EXPECT_TRUE(p250->Panel4->isHidden());
  games.push_back(251);
  auto p251 = Window(FoundSlot(games));
  EXPECT_FALSE(p251->Panel4->isHidden());
  p251->NextPageBtn->click();
  EXPECT_EQ(Rows(*p251), std::vector<int32_t>{251});
  EXPECT_EQ(p251->StatusText(), "251 games (2/2)");
  auto empty = Window(FoundSlot({}));
  EXPECT_EQ(empty->StatusText(), "0 games (1/1)");
  EXPECT_TRUE(empty->GameMemo->toPlainText().isEmpty());

  // Detached: the slot goes back, the window is empty.
  const int32_t slot = f->ListSlot();
  f->Detach();
  EXPECT_EQ(f->StatusText(), "");
  EXPECT_EQ(f->GameList->count(), 0);
  EXPECT_EQ(f->windowTitle().toStdString(), "Games");
  EXPECT_THROW(db.GameListCount(slot), ERangeError);
}

TEST_F(GamesWindowTest, HeaderClicksAndTheSortMenuSortAFoundSlotKeepingTheSelection) {
  OpenDb(300);
  std::vector<int32_t> games;
  for (int i = 300; i >= 1; --i) games.push_back(i);
  auto w = Window(FoundSlot(games));
  EXPECT_EQ(db.GameListGameNr(w->ListSlot(), 1), 1);  // kind 0: number order
  w->SelectGame(260);
  ASSERT_EQ(w->Paging().PageStart(), 251);

  emit w->HeaderControl->sectionClicked(4);  // date: 1970 comes early
  EXPECT_EQ(w->SortKind(), ckDate);
  EXPECT_EQ(w->SelectedItem(), 260);
  EXPECT_EQ(w->Paging().PageStart(), 1);
  EXPECT_EQ(FromQ(w->GameList->currentItem()->text()), "260");
  EXPECT_LE(db.GameListRowTexts(w->ListSlot(), 1)[4], db.GameListRowTexts(w->ListSlot(), 300)[4]);
  emit w->HeaderControl->sectionClicked(4);  // again: the list's own order
  EXPECT_EQ(w->SortKind(), 0);
  EXPECT_EQ(db.GameListGameNr(w->ListSlot(), 1), 1);
  EXPECT_EQ(w->SelectedItem(), 260);
  EXPECT_EQ(w->Paging().PageStart(), 251);

  // The sort menu leaves the number column out; an item sorts by the column
  // whose title it shows.
  const QList<QAction *> items = w->MSortBy->actions();
  ASSERT_EQ(items.size(), w->Columns().Count());
  EXPECT_EQ(items[0]->text().toStdString(), "&0: " + CommonText::S_FileOrder);
  EXPECT_EQ(items[3]->text().toStdString(), "&3: " + w->Columns().ColumnTitle(4));
  items[3]->trigger();
  EXPECT_EQ(w->SortKind(), ckResult);
  // Sorting by the number column stores kind 0.
  emit w->HeaderControl->sectionClicked(0);
  EXPECT_EQ(w->SortKind(), 0);

  // A list for all games keeps its order but stores the kind.
  auto all = Window(db.NewAllGamesList());
  emit all->HeaderControl->sectionClicked(4);
  EXPECT_EQ(all->SortKind(), ckDate);
  EXPECT_EQ(db.GameListGameNr(all->ListSlot(), 2), 2);
}

TEST_F(GamesWindowTest, DeleteOnlyOnYes) {
  OpenDb(20);
  auto all = Window(db.NewAllGamesList());
  all->SelectGame(4);
  for (int no : {int(ui::mrNo), int(ui::mrCancel), int(ui::mrNone)}) {
    answer = no;
    all->MDelete->trigger();
    EXPECT_FALSE(db.GameIsDeleted(4));
  }
  EXPECT_EQ(questions, std::vector<std::string>(3, CommonText::S_DeleteGame + "?"));
  EXPECT_EQ(beeps, 3);
  EXPECT_TRUE(deleted.empty());

  answer = ui::mrYes;
  all->MDelete->trigger();
  EXPECT_TRUE(db.GameIsDeleted(4));
  EXPECT_EQ(deleted, std::vector<int32_t>{4});
  // It stays, drawn red, and selected.
  EXPECT_EQ(Rows(*all).size(), 20u);
  EXPECT_EQ(all->SelectedItem(), 4);
  EXPECT_TRUE(db.GameListIsDeleted(all->ListSlot(), 4));

  // In a found slot the row goes.
  auto found = Window(FoundSlot({2, 5, 8}));
  found->SelectGame(5);
  found->MDelete->trigger();
  EXPECT_EQ(Rows(*found), (std::vector<int32_t>{2, 8}));
  EXPECT_EQ(found->SelectedItem(), 0);
  EXPECT_TRUE(messages.empty());
}

TEST_F(GamesWindowTest, ExportWritesTheRowsInOrderToTheNamedFileReplacingOneOnlyOnYes) {
  OpenDb(62);
  auto found = Window(FoundSlot({5, 2, 61}));
  // The window's sort by date puts game 61 (1951) first.
  db.SetGameListSort(found->ListSlot(), ckDate);
  found->RefillKeepSelection();
  ASSERT_EQ(Rows(*found), (std::vector<int32_t>{61, 2, 5}));
  const std::string dir = data.File("j\xc3\xb6rg/"), file = dir + "export.pgn";
  ASSERT_TRUE(files::MakeDirs(dir));
  ChessApp.ExportDir = data.Path();
  ChessApp.ExportDirFilterIndex = 1;
  QString chosen;  // empty: the dialog is cancelled
  int dialogs = 0;
  auto exportAs = [&](const std::string &name) {
    chosen = name.empty() ? QString() : QFile::decodeName(QByteArray::fromStdString(name));
    modal::ScopedAnswerer a([&](QDialog &d) {
      auto *fd = qobject_cast<QFileDialog *>(&d);
      if (!fd || chosen.isEmpty()) return int(QDialog::Rejected);
      ++dialogs;
      EXPECT_EQ(fd->windowTitle(), "Export Games");
      fd->selectFile(chosen);
      return int(QDialog::Accepted);
    });
    found->MExportGames->trigger();
  };
  exportAs("");
  EXPECT_EQ(ChessApp.ExportDir, data.Path());
  EXPECT_FALSE(files::Exists(file));
  // A bare name takes ".pgn".
  exportAs(dir + "export");
  EXPECT_EQ(dialogs, 1);
  std::string expected, written;
  for (int32_t n : {61, 2, 5}) expected += db.GetPgnText(n, 0, true, false) + "\r\n\r\n";
  ASSERT_TRUE(files::ReadAll(file, written));
  EXPECT_EQ(written, expected);
  EXPECT_EQ(ChessApp.ExportDir, dir);
  EXPECT_TRUE(questions.empty());
  // There now: No keeps it, Yes replaces it.
  ASSERT_TRUE(files::WriteAllAtomic(file, "kept"));
  answer = ui::mrNo;
  exportAs(file);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_NE(questions[0].find(CommonText::S_FileAlreadyExists), std::string::npos);
  ASSERT_TRUE(files::ReadAll(file, written));
  EXPECT_EQ(written, "kept");
  answer = ui::mrYes;
  exportAs(file);
  ASSERT_TRUE(files::ReadAll(file, written));
  EXPECT_EQ(written, expected);
  EXPECT_TRUE(messages.empty());
  // A file of the open database, by a link, is refused without the
  // overwrite question.
  questions.clear();
  const std::string own = dir + "own.pgn", gad = data.Read("g.gad");
  ASSERT_EQ(::symlink(data.File("g.gad").c_str(), own.c_str()), 0);
  exportAs(own);
  EXPECT_TRUE(questions.empty());
  EXPECT_EQ(messages, std::vector<std::string>{SubstituteText(
                          SubstituteText(CommonText::S_ExportOverOpenFile, win1252::PathText(own)),
                          data.File("g.qcx"))});
  EXPECT_EQ(data.Read("g.gad"), gad);
  // A game that cannot be written is left out and named in a report window.
  messages.clear();
  SpoilMoves(db, data.File("g.gad"), 2);
  exportAs(file);
  ASSERT_TRUE(files::ReadAll(file, written));
  EXPECT_EQ(written,
            db.GetPgnText(61, 0, true, false) + "\r\n\r\n" + db.GetPgnText(5, 0, true, false) + "\r\n\r\n");
  auto *report = found->findChild<TShowReportDlg *>();
  ASSERT_TRUE(report);
  EXPECT_EQ(report->windowTitle(), "Export report");
  EXPECT_TRUE(report->isVisible());
  QApplication::processEvents();
  EXPECT_NE(report->RichEdit()->toPlainText().indexOf("Game 2 (Player 2 - Opponent 2)"), -1);
  EXPECT_TRUE(messages.empty());
}

TEST_F(GamesWindowTest, DeleteInTheDatabaseWindowEmptiesTheRowInTheFoundWindow) {
  OpenDb(15);
  UseManager();
  man.OpenDatabase(&db, "g.qcx");
  const int found = FoundSlot({3, 7, 12});
  ASSERT_TRUE(man.NewGamesWindow(found, "Found", true, false, false));
  TGamesDlg *all = ManWindow(1), *f = ManWindow(2);
  all->show();
  all->SelectGame(7);
  all->MDelete->trigger();
  EXPECT_EQ(deleted, std::vector<int32_t>{7});
  EXPECT_EQ(Rows(*f), (std::vector<int32_t>{3, 12}));
  EXPECT_EQ(db.GameListRowTexts(found, 2)[0], "12");
  EXPECT_EQ(f->StatusText(), "2 games (1/1)");
  f->GameList->viewport()->grab();
  // Rows lost behind the window's back draw nothing and say nothing.
  db.DeleteGame(3);
  f->GameList->viewport()->grab();
  EXPECT_TRUE(messages.empty());
}

TEST_F(GamesWindowTest, DelWorksBeforeTheMenuOpenedAndViewHides) {
  OpenDb(10);
  auto w = Window(db.NewAllGamesList());
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  w->GameList->setFocus();
  w->SelectGame(2);
  answer = ui::mrNo;
  QTest::keyClick(w->GameList, Qt::Key_Delete);
  EXPECT_EQ(questions.size(), 1u);
  // Nothing selected: Del does nothing.
  w->SelectGame(999);
  QTest::keyClick(w->GameList, Qt::Key_Delete);
  EXPECT_EQ(questions.size(), 1u);

  w->SelectGame(3);
  QTest::keyClick(w->GameList, Qt::Key_Return);
  EXPECT_EQ(viewed, std::vector<int32_t>{3});
  EXPECT_FALSE(w->isVisible());
  w->show();
  const QRect r = w->GameList->visualItemRect(w->GameList->item(5));
  QTest::mouseClick(w->GameList->viewport(), Qt::LeftButton, {}, r.center());
  QTest::mouseDClick(w->GameList->viewport(), Qt::LeftButton, {}, r.center());
  EXPECT_EQ(viewed, (std::vector<int32_t>{3, 6}));
  EXPECT_FALSE(w->isVisible());
  w->show();
  w->MView->trigger();
  EXPECT_EQ(viewed, (std::vector<int32_t>{3, 6, 6}));
}

TEST_F(GamesWindowTest, MemoTextAndShowItems) {
  OpenDb(10);
  auto w = Window(db.NewAllGamesList());
  w->resize(522, 410);
  w->show();
  QApplication::processEvents();
  // A low window cuts the list; it gets its height back as the window grows.
  const int chosen = w->ListPanel->height();
  EXPECT_EQ(chosen, w->ListHeight());
  w->resize(522, 200);
  QApplication::processEvents();
  EXPECT_LT(w->ListPanel->height(), chosen);
  w->resize(522, 410);
  QApplication::processEvents();
  EXPECT_EQ(w->ListPanel->height(), chosen);
  w->SelectGame(5);
  w->MShowGameInfo->trigger();
  EXPECT_TRUE(w->PMShowGameInfo->isChecked());
  const std::string text = FromQ(w->GameMemo->toPlainText());
  EXPECT_EQ(ToQ(text), MemoText(5, true, true));
  EXPECT_NE(text.find("Player 5"), std::string::npos);
  EXPECT_NE(text.find("\n\n1."), std::string::npos);

  // Both off: memo and splitter go and the list fills the panel.
  w->ListPanel->resize(w->ListPanel->width(), 30);
  w->Splitter->OnMoved();
  const int memoHeight = w->GameMemo->height();
  w->PMShowGameInfo->trigger();
  w->MShowGameMoves->trigger();
  EXPECT_FALSE(w->PMShowGameMoves->isChecked());
  EXPECT_TRUE(w->GameMemo->isHidden());
  EXPECT_TRUE(w->Splitter->isHidden());
  EXPECT_EQ(w->ListPanel->height(), w->Panel2->height());
  EXPECT_EQ(w->SavedMemoHeight(), memoHeight);
  // A smaller window: turning one on leaves the list at least 30 pixels.
  w->resize(522, 300);
  QApplication::processEvents();
  w->PMShowGameMoves->trigger();
  EXPECT_FALSE(w->GameMemo->isHidden());
  EXPECT_EQ(w->ListPanel->height(), std::max(30, w->Panel2->height() - 3 - memoHeight));
  EXPECT_EQ(w->GameMemo->geometry().bottom(), w->Panel2->height() - 1);
  EXPECT_EQ(w->GameMemo->toPlainText(), MemoText(5, false, true));

  // A game that does not load shows its tags and why.
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    w->SelectGame(7);
    ASSERT_TRUE(fault.Fired());
  }
  const QString shown = w->GameMemo->toPlainText();
  EXPECT_NE(shown.indexOf("[White \"Player 0\"]"), -1) << shown.toStdString();
  EXPECT_EQ(shown.indexOf("1. e4"), -1);
  EXPECT_TRUE(shown.endsWith("\n\n" + ToQ(CommonText::S_CouldNotParseGame))) << shown.toStdString();
}

TEST_F(GamesWindowTest, SettingsAreWrittenAfterAFirstShowAndRestored) {
  OpenDb(3);
  {
    IniFile ini(ChessApp.SettingsPath());
    ini.WriteString("Other", "Key", "kept");
  }
  {
    TGamesDlg never;  // never shown: writes nothing
  }
  EXPECT_FALSE(IniFile(ChessApp.SettingsPath()).SectionExists("Split"));
  int listHeight = 0, memoHeight = 0;
  {
    auto w = Window(db.NewAllGamesList());
    w->show();
    w->MShowGameInfo->trigger();
    w->SetSortKind(ckEvent);
    w->Columns().ClearSelected();
    w->Columns().AddColumnByKey("white", 80);
    w->Columns().AddColumnByKey("event", 90);
    w->BuildHeader();
    w->HeaderControl->resizeSection(1, 123);
    w->ListPanel->resize(w->ListPanel->width(), 77);
    w->Splitter->OnMoved();
    w->MShowGameMoves->trigger();
    w->MShowGameInfo->trigger();  // both off: the memo's height is kept
    w->MShowGameInfo->trigger();
    listHeight = w->ListHeight();
    memoHeight = w->SavedMemoHeight();
  }
  IniFile ini(ChessApp.SettingsPath());
  for (const char *s : {"Split", "LineOptions", "GameList", "GameWindow"}) EXPECT_TRUE(ini.SectionExists(s)) << s;
  EXPECT_EQ(ini.ReadString("Split", "GameSortKind", ""), "Event");
  EXPECT_EQ(ini.ReadString("Other", "Key", ""), "kept");

  TGamesDlg again;
  EXPECT_EQ(again.SortKind(), ckEvent);
  EXPECT_EQ(again.ListHeight(), listHeight);
  EXPECT_EQ(again.SavedMemoHeight(), memoHeight);
  EXPECT_NE(memoHeight, 0);
  EXPECT_FALSE(again.MShowGameMoves->isChecked());
  EXPECT_TRUE(again.MShowGameInfo->isChecked());
  EXPECT_TRUE(again.PMShowGameInfo->isChecked());
  ASSERT_EQ(again.Columns().Count(), 2);
  EXPECT_EQ(again.Columns().ColumnKey(2), "event");
  EXPECT_EQ(again.HeaderControl->sectionSize(1), 123);
  EXPECT_EQ(again.Columns().ColumnWidth(2), 123);
}

// The games windows share their sections. Each writes at its end only
// what it changed since it was shown, so the change made last survives
// whichever window ends last, key by key.
TEST_F(GamesWindowTest, AWindowWritesOnlyWhatItChanged) {
  OpenDb(3);
  const std::string path = ChessApp.SettingsPath();
  {
    auto all = Window(db.NewAllGamesList());
    all->show();
    auto found = Window(FoundSlot({3, 1}));
    found->show();
    // The layout changed in the Database window, the memo in the found one.
    all->Columns().ClearSelected();
    all->Columns().AddColumnByKey("gamenr", 60);
    all->Columns().AddColumnByKey("event", 90);
    all->BuildHeader();
    all->HeaderControl->resizeSection(1, 123);
    all->SetSortKind(ckEvent);
    found->MShowGameInfo->trigger();
    all.reset();
    found.reset();
  }
  {
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("LineOptions", "Option1", ""), "gamenr");
    EXPECT_EQ(ini.ReadString("LineOptions", "Option2", ""), "event");
    EXPECT_FALSE(ini.ValueExists("LineOptions", "Option3"));
    EXPECT_EQ(ini.ReadInteger("GameList", "1", 0), 123);
    EXPECT_EQ(ini.ReadString("Split", "GameSortKind", ""), "Event");
    EXPECT_TRUE(ini.ReadBool("Split", "ShowGameInfo", false));
  }

  // A window that changes nothing leaves the file as it was, though
  // another hand wrote its sections while it was open; fewer columns
  // delete the keys of the columns gone.
  std::string before, after;
  {
    auto w = Window(db.NewAllGamesList());
    w->show();
    QApplication::processEvents();
    IniFile(path).WriteString("Split", "GameSortKind", "White");
    files::ReadAll(path, before);
  }
  files::ReadAll(path, after);
  EXPECT_EQ(after, before);
  {
    auto w = Window(db.NewAllGamesList());
    w->show();
    w->Columns().ClearSelected();
    w->Columns().AddColumnByKey("event", 90);
    w->BuildHeader();
  }
  IniFile ini(path);
  EXPECT_EQ(ini.ReadString("LineOptions", "Option1", ""), "event");
  EXPECT_FALSE(ini.ValueExists("LineOptions", "Option2"));
  EXPECT_EQ(ini.ReadString("Split", "GameSortKind", ""), "White");
}

// Settings are written when a window closes, never while it is open: on a
// fresh settings path the file appears only at the close, and a second
// window of the kind that changed nothing since its show keeps what the
// first wrote meanwhile.
TEST_F(GamesWindowTest, AWindowWritesItsSettingsWhenItCloses) {
  OpenDb(3);
  const std::string path = ChessApp.SettingsPath();
  ASSERT_FALSE(files::FileExists(path));
  auto first = Window(db.NewAllGamesList());
  first->show();
  auto second = Window(db.NewAllGamesList());
  second->show();
  QApplication::processEvents();
  EXPECT_FALSE(files::FileExists(path)) << "written while the windows are open";
  EXPECT_FALSE(IniFile(path).SectionExists("Split"));

  first->SetSortKind(ckEvent);
  first->Columns().ClearSelected();
  first->Columns().AddColumnByKey("white", 80);
  first->BuildHeader();
  first.reset();
  {
    IniFile ini(path);
    for (const char *s : {"Split", "LineOptions", "GameList", "GameWindow"})
      EXPECT_TRUE(ini.SectionExists(s)) << s;
    EXPECT_EQ(ini.ReadString("Split", "GameSortKind", ""), "Event");
  }
  second->MShowGameInfo->trigger();
  second.reset();
  IniFile ini(path);
  EXPECT_EQ(ini.ReadString("Split", "GameSortKind", ""), "Event");
  EXPECT_EQ(ini.ReadSectionValues("LineOptions"),
            (std::vector<std::pair<std::string, std::string>>{{"Option1", "white"}}));
  EXPECT_TRUE(ini.ReadBool("Split", "ShowGameInfo", false));
}

// A cut number reads as another: the number columns widen to the widest
// number of the page, unless the user dragged their width.
TEST_F(GamesWindowTest, NumberColumnsShowTheirNumbersWhole) {
  OpenDb(100000);
  auto w = Window(db.NewAllGamesList());
  w->show();
  ASSERT_EQ(w->Columns().ColumnKey(1), "gamenr");
  const QFontMetrics metrics(w->GameList->viewport()->font());
  const int digits = metrics.horizontalAdvance("99751");
  const auto spanWidth = [&] {
    const auto spans = w->ListView->Spans();
    return spans.at(0).second - spans.at(0).first;
  };
  // The stored width cuts five digits in this font.
  ASSERT_LT(37 - kSpanMargin, digits);
  w->SelectGame(99751);
  EXPECT_EQ(w->SelectedItem(), 99751);
  EXPECT_GE(spanWidth(), digits);

  // The user drags it narrower: it stays so on the next page.
  QApplication::processEvents();
  QWidget *header = w->HeaderControl->viewport();
  const int edge = w->HeaderControl->sectionViewportPosition(0) + w->HeaderControl->sectionSize(0) - 1;
  const int y = w->HeaderControl->height() / 2;
  QTest::mousePress(header, Qt::LeftButton, {}, QPoint(edge, y));
  QTest::mouseMove(header, QPoint(edge - 15, y));
  QTest::mouseRelease(header, Qt::LeftButton, {}, QPoint(edge - 15, y));
  const int dragged = w->HeaderControl->sectionSize(0);
  ASSERT_LT(dragged - kSpanMargin, digits);
  w->PrevPageBtnClick();
  EXPECT_EQ(w->Paging().PageStart(), 99501);
  EXPECT_EQ(w->HeaderControl->sectionSize(0), dragged);
}

// The widest number of the page sets the width with the header's margin:
// on a page whose widest is five digits (no six-digit number to hide a
// missing margin) "10051" shows whole.
TEST_F(GamesWindowTest, AFiveDigitPageWidensWithTheMargin) {
  OpenDb(10060);
  auto w = Window(db.NewAllGamesList());
  w->show();
  ASSERT_EQ(w->Columns().ColumnKey(1), "gamenr");
  const QFontMetrics metrics(w->GameList->viewport()->font());
  int digits = 0;
  for (int n = 10001; n <= 10060; ++n)
    digits = std::max(digits, metrics.horizontalAdvance(QString::number(n)));
  ASSERT_LT(w->HeaderControl->sectionSize(0) - kSpanMargin, digits);
  w->SelectGame(10051);
  ASSERT_EQ(w->SelectedItem(), 10051);
  const auto spans = w->ListView->Spans();
  EXPECT_GE(spans.at(0).second - spans.at(0).first, digits);
  EXPECT_EQ(w->HeaderControl->sectionSize(0), digits + kSpanMargin);
}

TEST_F(GamesWindowTest, PopupPlacesAndTheStatusTextSurvivesHints) {
  OpenDb(10);
  auto w = Window(db.NewAllGamesList());
  w->show();
  QApplication::setActiveWindow(w.get());
  w->GameList->setFocus();
  w->SelectGame(3);
  QTest::keyClick(w->GameList, Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_EQ(QApplication::activePopupWidget(), w->GameListPopUp);
  const QRect row = w->GameList->visualItemRect(w->GameList->item(2));
  EXPECT_EQ(w->GameListPopUp->pos(), w->GameList->viewport()->mapToGlobal(row.bottomLeft()));
  w->GameListPopUp->close();

  const QPoint at = w->GameList->visualItemRect(w->GameList->item(6)).center();
  QTest::mousePress(w->GameList->viewport(), Qt::RightButton, {}, at);
  ASSERT_EQ(QApplication::activePopupWidget(), w->GameListPopUp);
  EXPECT_EQ(w->SelectedItem(), 7);
  EXPECT_EQ(w->GameListPopUp->pos(), w->GameList->viewport()->mapToGlobal(at));
  w->GameListPopUp->close();

  // Hovering an item shows its hint; leaving it brings the status back.
  w->UpdateTexts();
  const std::string status = w->StatusText();
  EXPECT_EQ(status, "10 games (1/1)");
  w->MSearchGames->setStatusTip("hint");
  w->MSearchGames->showStatusText(w->menuBar());
  EXPECT_EQ(w->StatusText(), "hint");
  QStatusTipEvent leave{QString()};
  QApplication::sendEvent(w->menuBar(), &leave);
  EXPECT_EQ(w->StatusText(), status);
  EXPECT_TRUE(w->statusBar()->currentMessage().isEmpty());
}

TEST_F(GamesWindowTest, F2WithOkChangesTheWindowsAndTheSlotsColumns) {
  OpenDb(5);
  auto w = Window(db.NewAllGamesList());
  TEditGameInfoLineOptionsDlg dlg;
  w->LineOptionsDlg = &dlg;
  w->show();
  QApplication::setActiveWindow(w.get());
  ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
  const int before = w->Columns().Count();
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      auto &e = static_cast<TEditGameInfoLineOptionsDlg &>(d);
      e.UsedList->setCurrentRow(1);
      e.RemoveBtnClick();  // whiteandelo
      return modal::ClickButton(d, "OKBtn");
    });
    QTest::keyClick(w.get(), Qt::Key_F2);
  }
  ASSERT_EQ(w->Columns().Count(), before - 1);
  ListColumnsO &slot = db.GameListColumns(w->ListSlot());
  ASSERT_EQ(slot.Count(), before - 1);
  EXPECT_EQ(slot.ColumnKey(2), "blackandelo");
  EXPECT_EQ(w->HeaderControl->count(), before - 1);
  EXPECT_EQ(w->MSortBy->actions().size(), before - 1);
  EXPECT_NE(db.GameListRowTexts(w->ListSlot(), 1)[1].find("Opponent"), std::string::npos);
  // Cancel leaves them.
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      static_cast<TEditGameInfoLineOptionsDlg &>(d).RemoveBtnClick();
      return modal::ClickButton(d, "CancelBtn");
    });
    w->MLineOptions->trigger();
  }
  EXPECT_EQ(w->Columns().Count(), before - 1);
  EXPECT_EQ(dlg.Columns, nullptr);
}

// The search dialog as the manager sees it, answering with one player.
class OnePlayerSearch : public SearchDialogI {
 public:
  void SetCriteria(const GameSearchMaskO &) override {}
  int Execute() override { return 1; }
  void GetCriteria(GameSearchMaskO &c) const override {
    c.Clear();
    c.AddPlayer("Player 3", 0, 0);
  }
};

TEST_F(GamesWindowTest, CtrlFSearchesTheWindowsOwnGames) {
  OpenDb(30);
  UseManager();
  OnePlayerSearch search;
  man.SetSearchDialog(&search);
  man.OpenDatabase(&db, "g.qcx");
  const int found = FoundSlot({3, 10, 11, 17});
  ASSERT_TRUE(man.NewGamesWindow(found, "Mine", true, false, false));
  TGamesDlg *w = ManWindow(2);
  QApplication::setActiveWindow(w);
  ASSERT_TRUE(QTest::qWaitForWindowActive(w));
  QTest::keyClick(w, Qt::Key_F, Qt::ControlModifier);
  ASSERT_EQ(man.GamesWindowCount(), 3);
  TGamesDlg *result = ManWindow(3);
  EXPECT_EQ(Rows(*result), (std::vector<int32_t>{3, 10, 17}));  // White "Player 3" among them
  EXPECT_EQ(result->windowTitle().toStdString(), "Games - [Player 3]");
  // The button does the same; the found-games window is reused on a new
  // slot, and the old one is free again.
  const int32_t oldSlot = result->ListSlot();
  const int free = FreeSlots();
  w->SBSearchGames->click();
  EXPECT_EQ(man.GamesWindowCount(), 3);
  EXPECT_EQ(ManWindow(3), result);
  EXPECT_NE(result->ListSlot(), oldSlot);
  EXPECT_EQ(result->ListSlot(), man.FoundGamesSlot());
  EXPECT_EQ(FreeSlots(), free);
  EXPECT_EQ(Rows(*result), (std::vector<int32_t>{3, 10, 17}));
  man.SetSearchDialog(nullptr);
}

// Pictures of the window (written when TV_SHOT_DIR is set), with the layout
// facts a look at them checks.
TEST_F(GamesWindowTest, PicturesOfTheWindow) {
  bool flag = false;
  ASSERT_TRUE(db.Open(data.File("f.qcx"), nullptr, nullptr, flag));
  ASSERT_TRUE(db.ImportDatabase(TV_SOURCE_DIR "/tests/chess/fixtures/games.pgn", nullptr, nullptr, false, false, flag));
  ASSERT_TRUE(db.DeleteGame(2));
  CommonText::SetUILanguage(LangDutch);
  GenText::SetDialogLanguage(LangDutch);
  const LanguageId interfaceLanguage = ChessApp.InterfaceLanguage, appLanguage = ChessApp.ApplicationLanguage;
  ChessApp.InterfaceLanguage = ChessApp.ApplicationLanguage = LangDutch;
  {
    auto w = Window(db.NewAllGamesList());
    w->show();
    w->MShowGameInfo->trigger();
    w->SelectGame(1);
    QApplication::processEvents();
    uitest::Snapshot(w.get(), "games_window_nl");
    w->MExtra->popup(w->mapToGlobal(QPoint(0, 20)));
    QApplication::processEvents();
    uitest::Snapshot(w->MExtra, "games_window_menu_nl");
    w->MExtra->close();
    EXPECT_EQ(w->windowTitle().toStdString(), "Partijen - [Test]");
    EXPECT_NE(w->GameMemo->toPlainText().indexOf("Jansen, Piet"), -1);
    EXPECT_NE(w->GameMemo->toPlainText().indexOf("Dxf7#"), -1);  // Dutch letters
    EXPECT_EQ(w->StatusText(), "19 partijen (1/1)");
    // Every row text starts at its header section.
    const auto spans = w->ListView->Spans();
    ASSERT_GE(spans.size(), 2u);
    EXPECT_EQ(w->HeaderControl->mapTo(w.get(), QPoint(w->HeaderControl->sectionViewportPosition(1), 0)).x(),
              w->GameList->viewport()->mapTo(w.get(), QPoint(spans[1].first, 0)).x());
  }
  {
    std::vector<int32_t> games;
    for (int i = 0; i < 251; ++i) games.push_back(1 + i % 19);
    auto narrow = Window(FoundSlot(games));
    narrow->show();
    narrow->resize(300, 380);
    QApplication::processEvents();
    uitest::Snapshot(narrow.get(), "games_window_narrow");
    EXPECT_TRUE(narrow->Panel5->isVisible());
    const int left = narrow->Panel5->x(), right = narrow->Panel4->width() - narrow->Panel5->geometry().right() - 1;
    EXPECT_LE(std::abs(left - right), 1);  // centred under the list
    EXPECT_EQ(narrow->StatusText(), "251 partijen (1/2)");
    EXPECT_GE(narrow->StatusLbl->width(), narrow->StatusLbl->sizeHint().width());
  }
  ChessApp.InterfaceLanguage = interfaceLanguage;
  ChessApp.ApplicationLanguage = appLanguage;
  CommonText::SetUILanguage(LangEnglish);
  GenText::SetDialogLanguage(LangEnglish);
}

}  // namespace
