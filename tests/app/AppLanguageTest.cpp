// The main window's language switch over all caption tables, the openings
// command by the open database, the open list windows, and the interface
// language known only from its file across a restart.
#include <gtest/gtest.h>

#include <QMenu>

#include "AppTestUtil.h"
#include "database/KeyTreeMan.h"
#include "dbwindows/ListWindow.h"
#include "foundation/AppText.h"
#include "foundation/LangMan.h"

using apptest::MainFixture;

namespace {

class CountingGamesWindow : public ListWindowI {
 public:
  bool Open(DatabaseO *, int32_t, const std::string &) override { return true; }
  void UpdateTexts() override { captions.push_back(CommonText::S_MGames); }
  bool FrameVisible() const override { return false; }
  bool FrameActive() const override { return false; }
  bool FrameMinimized() const override { return false; }
  bool FrameMaximized() const override { return false; }
  void FrameShow() override {}
  void FrameBringToFront() override {}
  void FrameRestore(bool) override {}
  void FrameFocus() override {}
  void FrameRelease() override {}
  std::vector<std::string> captions;  // a caption as each call found it
};

class AppLanguageTest : public ::testing::Test {
 protected:
  MainFixture fx;
  TMainForm &F() { return fx.Form(); }
  void Switch(LanguageId lang) {
    ChessApp.ApplicationLanguage = lang;
    F().ApplyLanguage();
  }
  std::string Text(const char *item) { return F().Item(item)->text().toStdString(); }
  std::string Tip(const char *item) { return F().Item(item)->statusTip().toStdString(); }
  // A new database; with keys, a key set beside it.
  std::string Database(const std::string &name, bool keys) {
    if (keys) {
      EXPECT_GE(KeyTreeO::ImportTextFile(fx.dir().File(name + ".key"), testutil::DataDir() + "class.txt"), 0);
    }
    return fx.dir().File(name + ".qcx");
  }
};

TEST_F(AppLanguageTest, SwitchReachesEveryTableAndTheOpenWindows) {
  std::vector<std::unique_ptr<CountingGamesWindow>> windows;
  TMainForm &f = F();
  ListWindowFactories factories;
  factories.games = [&windows] {
    windows.push_back(std::make_unique<CountingGamesWindow>());
    return windows.back().get();
  };
  f.GameListMan.SetFactories(factories);
  ASSERT_TRUE(f.OpenFile(Database("keyed", true)));
  ASSERT_TRUE(f.Database.HasKeys());
  ASSERT_EQ(windows.size(), 1u);
  const QString clear = f.Nags1Menu->actions().last()->text();

  Switch(LangDutch);
  EXPECT_EQ(AppText::S_LanguageTS, "Taal");
  EXPECT_EQ(GenText::S_CancelBtn, "Annuleren");
  EXPECT_EQ(Text("MFile"), "&Database");
  EXPECT_EQ(Text("MOpen"), "&Openen...");
  EXPECT_EQ(Text("MPreferences"), "&Voorkeuren...");
  EXPECT_EQ(Text("MSave"), "Op&slaan");
  EXPECT_EQ(Text("MOpenings"), "Openin&gen...");
  EXPECT_EQ(Tip("MOpenings"), CommonText::S_MOpeningsStatusHint);
  EXPECT_EQ(windows[0]->captions, std::vector<std::string>{"&Partijen"});
  EXPECT_NE(f.Nags1Menu->actions().last()->text(), clear);

  Switch(LangEnglish);
  EXPECT_EQ(AppText::S_LanguageTS, "Language");
  EXPECT_EQ(Text("MOpen"), "&Open...");
  EXPECT_EQ(Text("MOpenings"), "Openin&gs...");
  EXPECT_EQ(Tip("MOpenings"), "Show the openings that are in the database");
  EXPECT_EQ(windows[0]->captions, (std::vector<std::string>{"&Partijen", "&Games"}));
  EXPECT_EQ(f.Nags1Menu->actions().last()->text(), clear);
  ASSERT_TRUE(f.CloseFile());
  f.GameListMan.SetFactories({});
}

TEST_F(AppLanguageTest, OpeningsCommandWithoutKeys) {
  TMainForm &f = F();
  EXPECT_EQ(Text("MOpenings"), "Create Openin&gs...");
  ASSERT_TRUE(f.OpenFile(Database("plain", false)));
  Switch(LangDutch);
  EXPECT_EQ(Text("MOpenings"), "Maak op&eningen...");
  EXPECT_EQ(Tip("MOpenings"), CommonText::S_MCreateOpeningsStatusHint);
  Switch(LangEnglish);
  EXPECT_EQ(Text("MOpenings"), "Create Openin&gs...");
  EXPECT_EQ(Tip("MOpenings"), "Create an openings classification in the database");
  ASSERT_TRUE(f.CloseFile());
}

TEST_F(AppLanguageTest, LanguageKnownOnlyFromItsFileSurvivesARestart) {
  fx.dir().Write("AppFrisian.ini", "[Frisian]\r\nS_LanguageTS=Taal fan it programma\r\n");
  F();
  const LanguageId frisian = FindRegisteredLanguage("Frisian");
  ASSERT_NE(frisian, LangNone);
  Switch(frisian);
  EXPECT_EQ(AppText::S_LanguageTS, "Taal fan it programma");
  fx.FreeForm();
  // A new process: the registry knows only its fixed languages again.
  ResetLanguageRegistry();
  AppText::SetAppLanguage(LangEnglish);
  F();
  EXPECT_EQ(GetLanguageName(ChessApp.ApplicationLanguage), "Frisian");
  EXPECT_EQ(AppText::S_LanguageTS, "Taal fan it programma");
  Switch(LangEnglish);
}

}  // namespace
