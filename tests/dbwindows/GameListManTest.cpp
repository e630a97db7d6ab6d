// The window manager against fake windows that record every call, with a
// real database for the slots.
#include "dbwindows/GameListMan.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "dbwindows/ListWindowFrame.h"
#include "foundation/CommonText.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

namespace {

using Log = std::vector<std::string>;

// Records every call as "<name>.<operation>" into the shared log.
class FakeWindow : public ListWindowI {
 public:
  FakeWindow(std::string name, Log &log) : name(std::move(name)), log_(log) {}

  void SetHandlers(const ListWindowHandlers &h) override {
    handlers = h;
    Rec("SetHandlers");
  }
  bool Open(DatabaseO *, int32_t slot, const std::string &title) override {
    Rec("Open " + std::to_string(slot) + " " + title);
    return openResult;
  }
  void Detach() override { Rec("Detach"); }
  void UpdateTexts() override { Rec("UpdateTexts"); }
  void SelectGame(int32_t n) override { Rec("SelectGame " + std::to_string(n)); }
  int32_t NextGame(int32_t n) override { return navigates ? n + 100 : ListWindowI::NextGame(n); }
  int32_t PrevGame(int32_t n) override { return navigates ? n + 200 : ListWindowI::PrevGame(n); }
  int32_t GameStartPly(int32_t n) override { return navigates ? n + 300 : ListWindowI::GameStartPly(n); }
  void Reload(int32_t n) override { Rec("Reload " + std::to_string(n)); }
  void RefillKeepSelection() override { Rec("Refill"); }
  void CloseWindow() override { Rec("CloseWindow"); }
  void GotoKey(int32_t key) override { Rec("GotoKey " + std::to_string(key)); }

  bool FrameVisible() const override { return visible; }
  bool FrameActive() const override { return active; }
  bool FrameMinimized() const override { return minimized; }
  bool FrameMaximized() const override { return maximized; }
  void FrameShow() override {
    visible = true;
    Rec("Show");
  }
  void FrameBringToFront() override { Rec("Front"); }
  void FrameRestore(bool toMaximized) override {
    minimized = false;
    Rec(toMaximized ? "RestoreMax" : "RestoreNormal");
  }
  void FrameFocus() override { Rec("Focus"); }
  void FrameRelease() override {
    released = true;
    Rec("Release");
  }

  std::string name;
  ListWindowHandlers handlers;
  bool openResult = true;
  bool navigates = true;  // name windows keep the interface's answers
  bool visible = false, active = false, minimized = false, maximized = false;
  bool released = false;

 private:
  void Rec(const std::string &what) { log_.push_back(name + "." + what); }
  Log &log_;
};

std::string GameText(int round) {
  return "[Event \"Club\"]\r\n[Site \"Here\"]\r\n[Round \"" + std::to_string(round) +
         "\"]\r\n[White \"White " + std::to_string(round % 5) + "\"]\r\n[Black \"Black\"]\r\n[Result \"*\"]\r\n\r\n"
         "1. e4 e5 2. Nf3 *\r\n";
}

class ManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bool importReport = false;
    ASSERT_TRUE(db.Open(dir.File("t.qcx"), nullptr, nullptr, importReport));
    for (int i = 1; i <= 12; ++i) ASSERT_EQ(db.SavePgnText(-1, GameText(i)), i);

    ui::Hooks h;
    h.beep = [this] { ++beeps; };
    h.showMessage = [this](const std::string &text) { messages.push_back(text); };
    oldHooks = ui::InstallHooks(h);

    ListWindowFactories f;
    f.games = [this] { return Make("G"); };
    f.tree = [this] { return Make("T", treeOpens); };
    f.players = [this] { return Make("P", true, false); };
    f.eventSites = [this] { return Make("E", true, false); };
    f.annotators = [this] { return Make("A", true, false); };
    f.keys = [this] { return Make("K"); };
    f.flushReleases = [this] { log.push_back("flush"); };
    man.SetFactories(f);
    man.Init(
        nullptr, [this](int32_t n) { events.push_back("view " + std::to_string(n)); },
        [this](int32_t n) { log.push_back("deleted " + std::to_string(n)); },
        [this](int32_t v) { events.push_back("changed " + std::to_string(v)); },
        [this](int32_t v) { events.push_back("nav " + std::to_string(v)); },
        [this](const std::string &t) { events.push_back("status " + t); });
  }
  void TearDown() override {
    man.Done();
    ui::InstallHooks(oldHooks);
  }

  FakeWindow *Make(const std::string &kind, bool opens = true, bool navigates = true) {
    windows.push_back(std::make_unique<FakeWindow>(kind + std::to_string(++made[kind]), log));
    windows.back()->openResult = opens;
    windows.back()->navigates = navigates;
    return windows.back().get();
  }
  FakeWindow *Win(const std::string &name) {
    for (auto &w : windows)
      if (w->name == name) return w.get();
    return nullptr;
  }
  // The log entries since mark.
  Log Since(size_t mark) const { return Log(log.begin() + static_cast<long>(mark), log.end()); }
  // Takes every free game-list slot; answers how many.
  int TakeAllGameSlots() {
    int n = 0;
    while (db.NewGameList() != 0) ++n;
    return n;
  }
  // "As tree" of the games entry i, as the games window does it.
  bool AsTree(int32_t i) {
    const GamesWindowEntry &e = man.GamesEntry(i);
    return man.NewGamesWindow(e.listSlot, e.caption, true, true, false);
  }

  testutil::TempDir dir;
  DatabaseO db;
  Log log, events, messages;
  int beeps = 0;
  bool treeOpens = true;
  std::map<std::string, int> made;
  std::vector<std::unique_ptr<FakeWindow>> windows;
  ui::Hooks oldHooks;
  // Last: it goes first, while what its factories reach still exists.
  GameListManO man;
};

TEST_F(ManagerTest, OpenDatabaseMakesOneHiddenDatabaseWindowShownByTheGamesCommand) {
  man.OpenDatabase(&db, "t.qcx");
  ASSERT_EQ(man.GamesWindowCount(), 1);
  const GamesWindowEntry &e = man.GamesEntry(1);
  EXPECT_FALSE(e.IsTree);
  EXPECT_EQ(e.caption, "Database");
  EXPECT_NE(man.DefaultGamesSlot(), 0);
  EXPECT_EQ(e.listSlot, man.DefaultGamesSlot());
  EXPECT_EQ(db.GameListCount(e.listSlot), 12);  // the all-games slot
  EXPECT_EQ(man.ActiveKind(), GameListManO::akGames);
  EXPECT_EQ(man.ActiveGamesIndex(), 1);
  EXPECT_EQ(log, (Log{"G1.SetHandlers", "G1.Open " + std::to_string(e.listSlot) + " Database"}));
  EXPECT_FALSE(Win("G1")->visible);
  EXPECT_EQ(events, (Log{"changed 0"}));

  man.ShowDefaultGamesWindow();
  man.ShowDefaultGamesWindow();
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_EQ(made["G"], 1);
  EXPECT_TRUE(Win("G1")->visible);

  Win("G1")->visible = false;
  EXPECT_TRUE(man.ShowActiveWindow());
  EXPECT_TRUE(Win("G1")->visible);
  EXPECT_EQ(man.GamesWindowCount(), 1);
}

TEST_F(ManagerTest, ActivationShowsFocusesRestoresAndFollowsTheActiveWindow) {
  man.OpenDatabase(&db, "t.qcx");
  ASSERT_TRUE(AsTree(1));
  FakeWindow *g = Win("G1"), *t = Win("T1");
  EXPECT_EQ(man.ActiveGamesIndex(), 2);

  size_t mark = log.size();
  EXPECT_TRUE(man.ActivateGamesWindow(1));  // hidden: shown
  EXPECT_EQ(Since(mark), (Log{"G1.Show"}));
  EXPECT_EQ(man.ActiveGamesIndex(), 1);

  g->minimized = g->maximized = true;
  mark = log.size();
  EXPECT_TRUE(man.ActivateGamesWindow(1));  // visible, minimised, maximised behind it
  EXPECT_EQ(Since(mark), (Log{"G1.RestoreMax", "G1.Focus"}));

  t->minimized = true;
  mark = log.size();
  EXPECT_TRUE(man.ActivateGamesWindow(2));
  EXPECT_EQ(Since(mark), (Log{"T1.RestoreNormal", "T1.Focus"}));
  EXPECT_EQ(man.ActiveGamesIndex(), 2);

  t->active = true;
  mark = log.size();
  EXPECT_FALSE(man.ActivateGamesWindow(2));  // visible and active
  EXPECT_TRUE(Since(mark).empty());

  // Name windows always restore to normal.
  man.ShowDefaultPlayersWindow();
  FakeWindow *p = Win("P1");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(man.ActiveKind(), GameListManO::akPlayers);
  p->minimized = p->maximized = true;
  mark = log.size();
  EXPECT_TRUE(man.ActivateGamesWindow(1));
  EXPECT_EQ(man.ActiveKind(), GameListManO::akGames);
  EXPECT_TRUE(man.ActivatePlayersWindow(1));
  EXPECT_EQ(Since(mark).back(), "P1.Focus");
  EXPECT_EQ(Since(mark).end()[-2], "P1.RestoreNormal");
  EXPECT_EQ(man.ActiveKind(), GameListManO::akPlayers);

  EXPECT_THROW(man.ActivateGamesWindow(3), ERangeError);
  EXPECT_THROW(man.ActivateGamesWindow(0), ERangeError);
}

TEST_F(ManagerTest, AsTreeReplacesTheTreeAndKeepsTheDefaultSlotWithItsWindow) {
  man.OpenDatabase(&db, "t.qcx");
  const int32_t def = man.DefaultGamesSlot();
  events.clear();
  ASSERT_TRUE(AsTree(1));
  EXPECT_TRUE(man.HasOpenTreeWindow());
  EXPECT_EQ(man.GamesWindowCaption(2), "Database (Tree)");

  size_t mark = log.size();
  ASSERT_TRUE(AsTree(1));
  // The first tree goes before the second exists.
  Log second = Since(mark);
  ASSERT_GE(second.size(), 3u);
  EXPECT_EQ(second[0], "T1.Detach");
  EXPECT_EQ(second[1], "T1.Release");
  EXPECT_EQ(second[2], "T2.SetHandlers");
  EXPECT_EQ(made["T"], 2);
  EXPECT_TRUE(man.HasOpenTreeWindow());
  EXPECT_EQ(man.GamesWindowCount(), 2);
  EXPECT_EQ(events, (Log{"changed 0", "changed 0"}));

  // Replacing a tree built on the default slot left that slot to its window.
  EXPECT_EQ(man.DefaultGamesSlot(), def);
  Win("G1")->visible = false;
  Win("T2")->visible = false;
  mark = log.size();
  man.ShowDefaultGamesWindow();
  EXPECT_EQ(Since(mark), (Log{"G1.Show", "G1.Front"}));
  EXPECT_EQ(man.ActiveGamesIndex(), 1);
  EXPECT_EQ(made["G"], 1);

  // Closing the tree entry clears the flag and no windows-changed fires.
  events.clear();
  man.CloseGamesWindow(2);
  EXPECT_FALSE(man.HasOpenTreeWindow());
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(man.DefaultGamesSlot(), def);
}

TEST_F(ManagerTest, OnlyTheFoundGamesWindowItselfGivesUpTheFoundSlot) {
  man.OpenDatabase(&db, "t.qcx");
  const int32_t found = db.NewGameList();
  ASSERT_TRUE(man.NewGamesWindow(found, "Smith", true, false, false));
  man.SetFoundGamesSlot(found);
  ASSERT_TRUE(AsTree(2));
  ASSERT_TRUE(AsTree(2));  // replaces the tree built on the found games
  man.CloseGamesWindow(3);
  EXPECT_TRUE(man.HasFoundGamesWindow());
  Win("G2")->visible = false;
  EXPECT_TRUE(man.ShowFoundGamesWindow());
  EXPECT_TRUE(Win("G2")->visible);
  EXPECT_EQ(man.ActiveGamesIndex(), 2);
  man.CloseGamesWindow(2);
  EXPECT_FALSE(man.HasFoundGamesWindow());
  EXPECT_FALSE(man.ShowFoundGamesWindow());
  EXPECT_NE(man.DefaultGamesSlot(), 0);
}

TEST_F(ManagerTest, ATreeOnASlotItOwnsFreesItWhenItCloses) {
  man.OpenDatabase(&db, "t.qcx");
  const int32_t owned = db.NewGameList();
  ASSERT_NE(owned, 0);
  ASSERT_TRUE(man.NewGamesWindow(owned, "Key", true, true, true));
  EXPECT_TRUE(man.GamesEntry(2).ownsSlot);
  // Still taken while the tree lives.
  const int32_t other = db.NewGameList();
  EXPECT_NE(other, owned);
  db.FreeGameList(other);

  const size_t mark = log.size();
  man.CloseGamesWindow(2);
  EXPECT_EQ(Since(mark), (Log{"T1.Detach", "T1.Release"}));
  EXPECT_EQ(db.NewGameList(), owned);
}

TEST_F(ManagerTest, ForwardingReachesTheActiveWindowAlsoAfterEarlierEntriesClose) {
  EXPECT_EQ(man.NextGame(5), 0);  // nothing active
  EXPECT_EQ(man.GameStartPly(5), 0);
  man.OpenDatabase(&db, "t.qcx");
  const int32_t found = db.NewGameList();
  ASSERT_TRUE(man.NewGamesWindow(found, "Found", true, false, false));
  ASSERT_TRUE(AsTree(2));  // tree on the found window's games: entry 3

  size_t mark = log.size();
  EXPECT_EQ(man.NextGame(5), 105);
  EXPECT_EQ(man.PrevGame(5), 205);
  EXPECT_EQ(man.GameStartPly(7), 307);
  man.SelectGame(9);
  EXPECT_EQ(Since(mark), (Log{"T1.SelectGame 9"}));

  ASSERT_TRUE(man.ActivateGamesWindow(2));
  man.CloseGamesWindow(1);  // an earlier entry goes
  EXPECT_EQ(man.ActiveGamesIndex(), 1);
  mark = log.size();
  man.SelectGame(4);
  EXPECT_EQ(Since(mark), (Log{"G2.SelectGame 4"}));
  man.ActivateGamesWindow(2);
  man.CloseGamesWindow(1);
  mark = log.size();
  man.SelectGame(3);
  EXPECT_EQ(Since(mark), (Log{"T1.SelectGame 3"}));

  // A players window: the name window answers 0, and the active index
  // follows its entry when an earlier players entry closes.
  man.ShowDefaultPlayersWindow();
  ASSERT_TRUE(man.NewPlayersWindow(db.NewAllPlayersList(), "More"));
  EXPECT_EQ(man.ActiveNameIndex(GameListManO::akPlayers), 2);
  EXPECT_EQ(man.NextGame(5), 0);
  EXPECT_EQ(man.GameStartPly(5), 0);
  man.ClosePlayersWindow(1);
  EXPECT_EQ(man.ActiveNameIndex(GameListManO::akPlayers), 1);
  EXPECT_EQ(man.DefaultNameSlot(GameListManO::akPlayers), 0);
  mark = log.size();
  man.SelectGame(2);
  EXPECT_EQ(Since(mark), (Log{"P2.SelectGame 2"}));
  EXPECT_EQ(man.NextGame(5), 0);

  // The keys window gets the status text; only it reaches navigation.
  man.ShowKeysWindowAt(17);
  FakeWindow *k = Win("K1");
  ASSERT_NE(k, nullptr);
  EXPECT_EQ(man.ActiveKind(), GameListManO::akKeys);
  EXPECT_EQ(man.NextGame(5), 105);
  ASSERT_TRUE(k->handlers.statusText);
  EXPECT_FALSE(Win("G2")->handlers.statusText);
  k->handlers.statusText("busy");
  k->handlers.navigationChanged();
  EXPECT_EQ(events.end()[-2], "status busy");
  EXPECT_EQ(events.back(), "nav 0");
  man.ShowKeysWindow();
  EXPECT_EQ(made["K"], 1);
}

TEST_F(ManagerTest, ADeleteRefillsEveryGamesAndTreeWindowBeforeTheOwnerHears) {
  man.OpenDatabase(&db, "t.qcx");
  ASSERT_TRUE(man.NewGamesWindow(db.NewGameList(), "Found", false, false, false));
  ASSERT_TRUE(AsTree(2));
  man.ShowDefaultPlayersWindow();
  man.ShowKeysWindow();
  const size_t mark = log.size();
  Win("G1")->handlers.gameDeleted(7);
  EXPECT_EQ(Since(mark), (Log{"G1.Refill", "G2.Refill", "T1.Refill", "deleted 7"}));

  Win("G2")->handlers.viewGame(3);
  EXPECT_EQ(events.back(), "view 3");
}

TEST_F(ManagerTest, NoFreeSlotOpensNothingAndTellsOnce) {
  man.OpenDatabase(&db, "t.qcx");
  ASSERT_TRUE(AsTree(1));
  ASSERT_GT(TakeAllGameSlots(), 0);
  events.clear();

  // A games command that needs a new all-games slot.
  man.CloseGamesWindow(1);
  ASSERT_EQ(man.DefaultGamesSlot(), 0);
  size_t mark = log.size();
  man.ShowDefaultGamesWindow();
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(messages, (Log{CommonText::S_TooManyLists}));
  EXPECT_TRUE(Since(mark).empty());

  // Slot 0 from a keys window: refused before the open tree is touched.
  EXPECT_FALSE(man.NewGamesWindow(0, "Key", true, true, true));
  EXPECT_EQ(beeps, 2);
  EXPECT_EQ(messages.size(), 2u);
  EXPECT_TRUE(man.HasOpenTreeWindow());
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_FALSE(Win("T1")->released);
  EXPECT_TRUE(events.empty());
}

TEST_F(ManagerTest, ATreeThatGetsNoSlotLeavesNoEntryNoFlagAndNoSlot) {
  man.OpenDatabase(&db, "t.qcx");
  treeOpens = false;
  events.clear();
  const int32_t owned = db.NewGameList();
  size_t mark = log.size();
  EXPECT_FALSE(man.NewGamesWindow(owned, "Key", true, true, true));
  EXPECT_EQ(Since(mark), (Log{"T1.SetHandlers", "T1.Open " + std::to_string(owned) + " Key", "T1.Release"}));
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_FALSE(man.HasOpenTreeWindow());
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(messages.size(), 1u);
  EXPECT_EQ(db.NewGameList(), owned);  // the owned slot was freed
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(man.ActiveGamesIndex(), 1);

  // An "As tree" replacing an open tree: the old one went, so the list
  // changed although nothing opened.
  treeOpens = true;
  ASSERT_TRUE(AsTree(1));
  treeOpens = false;
  events.clear();
  EXPECT_FALSE(AsTree(1));
  EXPECT_EQ(events, (Log{"changed 0"}));
  EXPECT_FALSE(man.HasOpenTreeWindow());
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_NE(man.DefaultGamesSlot(), 0);  // the games window's slot stays
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(ManagerTest, CloseAllDoneAndInitDetachAndReleaseEveryWindowInOrder) {
  for (int round = 0; round < 2; ++round) {
    man.OpenDatabase(&db, "t.qcx");
    ASSERT_TRUE(man.NewGamesWindow(db.NewGameList(), "Found", true, false, false));
    ASSERT_TRUE(AsTree(1));
    man.ShowDefaultPlayersWindow();
    man.ShowDefaultAnnotatorsWindow();
    man.ShowKeysWindow();
    const std::string g = std::to_string(round + 1);
    const std::string t = "T" + std::to_string(round + 1);
    const size_t mark = log.size();
    if (round == 0)
      man.CloseAll();
    else
      man.Done();
    EXPECT_EQ(Since(mark), (Log{"G" + std::to_string(2 * round + 1) + ".Detach",
                                "G" + std::to_string(2 * round + 1) + ".Release",
                                "G" + std::to_string(2 * round + 2) + ".Detach",
                                "G" + std::to_string(2 * round + 2) + ".Release", t + ".Detach", t + ".Release",
                                "P" + g + ".Detach", "P" + g + ".Release", "A" + g + ".Detach", "A" + g + ".Release",
                                "K" + g + ".Detach", "K" + g + ".Release", "flush"}));
    EXPECT_EQ(man.GamesWindowCount(), 0);
    EXPECT_EQ(man.NameWindowCount(GameListManO::akPlayers), 0);
    EXPECT_EQ(man.KeysWindow(), nullptr);
    EXPECT_EQ(man.Database(), nullptr);
    EXPECT_FALSE(man.HasOpenTreeWindow());
    // Every slot is free again: the windows released theirs (fakes do not,
    // so free the found and default ones here as their Detach would).
    man.Done();
    man.Init(nullptr, {}, {}, {}, {}, {});
  }
}

TEST_F(ManagerTest, UpdateTextsReachesEveryWindowInOrder) {
  man.OpenDatabase(&db, "t.qcx");
  ASSERT_TRUE(AsTree(1));
  man.ShowDefaultEventSitesWindow();
  man.ShowDefaultPlayersWindow();
  man.ShowDefaultAnnotatorsWindow();
  man.ShowKeysWindow();
  const size_t mark = log.size();
  man.UpdateTexts();
  EXPECT_EQ(Since(mark), (Log{"G1.UpdateTexts", "T1.UpdateTexts", "P1.UpdateTexts", "E1.UpdateTexts",
                              "A1.UpdateTexts", "K1.UpdateTexts"}));
}

// A real widget standing in for a list window: it writes its settings when
// it is destroyed, as the list windows do.
class SettingsWidget : public QWidget, public ListWindowI {
 public:
  SettingsWidget(std::string ini, int *alive) : ini_(std::move(ini)), alive_(alive) { ++*alive_; }
  ~SettingsWidget() override {
    IniFile f(ini_);
    f.WriteString("StandIn", "Closed", "1");
    f.UpdateFile();
    --*alive_;
  }
  bool Open(DatabaseO *, int32_t, const std::string &) override { return true; }
  bool FrameVisible() const override { return listframe::Visible(this); }
  bool FrameActive() const override { return listframe::Active(this); }
  bool FrameMinimized() const override { return listframe::Minimized(this); }
  bool FrameMaximized() const override { return listframe::Maximized(this); }
  void FrameShow() override { listframe::Show(this); }
  void FrameBringToFront() override { listframe::BringToFront(this); }
  void FrameRestore(bool m) override { listframe::Restore(this, m); }
  void FrameFocus() override { listframe::Focus(this); }
  void FrameRelease() override { listframe::Release(this); }

 private:
  std::string ini_;
  int *alive_;
};

TEST(ManagerWidgets, CloseAllDestroysRealWindowsWithNoEventLoopRunning) {
  uitest::App();
  testutil::TempDir dir;
  DatabaseO db;
  bool importReport = false;
  ASSERT_TRUE(db.Open(dir.File("w.qcx"), nullptr, nullptr, importReport));
  const std::string ini = dir.File("settings.ini");
  int alive = 0;
  GameListManO man;
  ListWindowFactories f;
  f.games = [&] { return new SettingsWidget(ini, &alive); };
  f.flushReleases = listframe::FlushReleases;
  man.SetFactories(f);
  man.Init(nullptr, {}, {}, {}, {}, {});
  man.OpenDatabase(&db, "w.qcx");
  man.ShowDefaultGamesWindow();
  ASSERT_EQ(alive, 1);
  EXPECT_FALSE(IniFile(ini).ValueExists("StandIn", "Closed"));
  man.CloseAll();
  EXPECT_EQ(alive, 0);
  EXPECT_TRUE(IniFile(ini).ValueExists("StandIn", "Closed"));

  // Done after a new database closes what is still open the same way.
  man.Done();
  man.Init(nullptr, {}, {}, {}, {}, {});
  man.OpenDatabase(&db, "w.qcx");
  ASSERT_EQ(alive, 1);
  man.Done();
  EXPECT_EQ(alive, 0);
}

}  // namespace

namespace {

// Answers the manager's search as a user would: the kept criteria come in,
// and after Search the user's criteria go back.
class FakeSearchDialog : public SearchDialogI {
 public:
  void SetCriteria(const GameSearchMaskO &c) override { handedIn.Assign(c); }
  int Execute() override {
    ++shown;
    return result;
  }
  void GetCriteria(GameSearchMaskO &c) const override { c.Assign(result == 1 ? answer : handedIn); }

  GameSearchMaskO handedIn, answer;
  int result = 1;
  int shown = 0;
};

class SearchManagerTest : public ManagerTest {
 protected:
  void SetUp() override {
    ManagerTest::SetUp();
    man.SetSearchDialog(&dialog);
    man.OpenDatabase(&db, "t");
  }
  // The user searches for that player.
  bool Search(const std::string &player, int32_t within = 0) {
    dialog.answer.Clear();
    dialog.answer.AddPlayer(player, scNone, 0);
    return man.SearchGamesInList(within);
  }
  std::vector<int32_t> Games(int32_t slot) {
    std::vector<int32_t> v;
    for (int32_t i = 1; i <= db.GameListCount(slot); ++i) v.push_back(db.GameListGameNr(slot, i));
    std::sort(v.begin(), v.end());
    return v;
  }

  FakeSearchDialog dialog;
};

TEST_F(SearchManagerTest, TheFirstSearchOpensTheFoundWindowLaterOnesReuseIt) {
  EXPECT_FALSE(man.HasFoundGamesWindow());
  ASSERT_TRUE(Search("White 1"));
  ASSERT_EQ(man.GamesWindowCount(), 2);
  const int32_t first = man.FoundGamesSlot();
  ASSERT_NE(first, 0);
  EXPECT_EQ(man.GamesEntry(2).caption, "White 1");
  EXPECT_EQ(man.GamesEntry(2).listSlot, first);
  EXPECT_EQ(Games(first), (std::vector<int32_t>{1, 6, 11}));
  EXPECT_TRUE(Win("G2")->visible);
  EXPECT_TRUE(man.HasFoundGamesWindow());

  // The kept criteria go into the dialog the next time.
  const size_t mark = log.size();
  ASSERT_TRUE(Search("White 2"));
  EXPECT_EQ(dialog.handedIn.PlayersText(), "White 1");
  EXPECT_EQ(man.GamesWindowCount(), 2);
  const int32_t second = man.FoundGamesSlot();
  EXPECT_NE(second, first);
  EXPECT_EQ(man.GamesEntry(2).listSlot, second);
  EXPECT_EQ(man.GamesEntry(2).caption, "White 1");
  const Log since = Since(mark);
  ASSERT_GE(since.size(), 2u);
  EXPECT_EQ(since[0], "G2.Detach");
  EXPECT_EQ(since[1], "G2.Open " + std::to_string(second) + " White 2");
  EXPECT_EQ(Games(second), (std::vector<int32_t>{2, 7, 12}));
  EXPECT_EQ(man.ActiveGamesIndex(), 2);

  // Within a list only its games are searched.
  db.FreeGameList(first);
  ASSERT_TRUE(Search("Black", second));
  EXPECT_EQ(Games(man.FoundGamesSlot()), (std::vector<int32_t>{2, 7, 12}));
  EXPECT_TRUE(man.ShowFoundGamesWindow());
}

TEST_F(SearchManagerTest, EmptyCriteriaShowTheDatabaseWindowAndTakeNoSlot) {
  dialog.answer.Clear();
  const size_t mark = log.size();
  ASSERT_TRUE(man.SearchGames());
  EXPECT_EQ(man.FoundGamesSlot(), 0);
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_EQ(Since(mark), (Log{"G1.Show", "G1.Front"}));
  EXPECT_EQ(TakeAllGameSlots(), 24);
}

TEST_F(SearchManagerTest, CancelKeepsTheCriteriaAndOpensNothing) {
  ASSERT_TRUE(Search("White 3"));
  dialog.result = 0;
  dialog.answer.Clear();
  dialog.answer.AddPlayer("Someone else", scNone, 0);
  const size_t mark = log.size();
  EXPECT_FALSE(man.SearchGames());
  EXPECT_EQ(man.SearchCriteria()->PlayersText(), "White 3");
  EXPECT_TRUE(Since(mark).empty());
}

TEST_F(SearchManagerTest, WithEverySlotTakenASearchTellsAndOpensNothing) {
  TakeAllGameSlots();
  const size_t mark = log.size();
  EXPECT_FALSE(Search("White 1"));
  EXPECT_EQ(messages, Log{CommonText::S_TooManyLists});
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(man.GamesWindowCount(), 1);
  EXPECT_EQ(man.FoundGamesSlot(), 0);
  EXPECT_TRUE(Since(mark).empty());
}

}  // namespace
