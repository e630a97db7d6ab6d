// The database menu's openings command and the classify-game and
// classify-position commands, with the default key set in the program
// directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>

#include "AppTestUtil.h"
#include "dbwindows/DlgKeys.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"

using apptest::MainFixture;

namespace {

const char kKeys[] =
    "[Name=\"Open Games\"\r\n Code=\"E\"\r\n"
    " Pos=(\"rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2\", \"\")\r\n"
    "  [Name=\"Ruy Lopez\"\r\n   Code=\"E1\"\r\n"
    "   Pos=(\"r1bqkbnr/pppp1ppp/2n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R b KQkq - 0 3\", \"\")\r\n  ]\r\n]\r\n";

std::string Games() {
  const char *moves[] = {"1. e4 e5 2. Nf3 Nc6 3. Bb5 a6", "1. e4 e5 2. Nf3 Nc6 3. Bb5 Nf6", "1. e4 e5 2. Nf3 d6",
                         "1. d4 d5"};
  std::string text;
  for (int i = 0; i < 4; ++i)
    text += "[White \"W" + std::to_string(i + 1) + "\"]\n[Black \"B\"]\n[Result \"*\"]\n\n" + moves[i] + " *\n\n";
  return text;
}

TKeysDlg *KeysWindow() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *k = qobject_cast<TKeysDlg *>(w)) return k;
  return nullptr;
}

// The first texts of the keys window's rows.
std::vector<std::string> Rows(TMainForm &f, TKeysDlg &w) {
  std::vector<std::string> out;
  for (int r = 0; r < w.List->count(); ++r) out.push_back(f.Database.KeyRowText(r + 1)[0]);
  return out;
}

TEST(KeysCommands, OpeningsMakeTheKeysAndClassifyShowsTheKey) {
  MainFixture fx;
  fx.dir().Write("class.txt", kKeys);
  fx.dir().Write("games.pgn", Games());
  TMainForm &f = fx.Form();
  ASSERT_TRUE(f.OpenFile(fx.dir().File("games.pgn")));
  EXPECT_EQ(f.Item("MOpenings")->text(), "Create Openin&gs...");
  EXPECT_FALSE(f.Item("MClassifyGame")->isEnabled());
  f.Item("MOpenings")->trigger();
  ASSERT_TRUE(f.Database.HasKeys());
  EXPECT_EQ(f.Item("MOpenings")->text(), "Openin&gs...");
  EXPECT_TRUE(f.Item("MClassifyGame")->isEnabled());
  EXPECT_TRUE(f.Item("MClassifyPosition")->isEnabled());
  TKeysDlg *w = KeysWindow();
  ASSERT_NE(w, nullptr);
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(Rows(f, *w), (std::vector<std::string>{"Open Games  -  [3]", "4"}));

  // Classify game: the window at the Ruy Lopez, its two games.
  f.LoadGame(2);
  w->hide();
  f.Item("MClassifyGame")->trigger();
  EXPECT_TRUE(w->isVisible());
  EXPECT_EQ(w->List->count(), 2);
  EXPECT_TRUE(w->MParentKey->isEnabled());
  // A game opened from the key starts where it reaches the key's position
  // (3. Bb5, ply 5), or by the window's own option when that is off.
  const int32_t first = w->Source()->Item(1);
  w->show();
  w->List->setCurrentRow(0);
  w->MViewClick();
  EXPECT_EQ(f.CurrentGameNumber, first);
  EXPECT_EQ(f.Game.PathMoves().Count(), 5);
  EXPECT_FALSE(w->isVisible());
  ChessApp.OpenOnKeyPosition = false;
  ChessApp.ShowFirstPositionOnLoad = true;
  f.Item("MClassifyGame")->trigger();
  w->List->setCurrentRow(1);
  w->MViewClick();
  EXPECT_EQ(f.Game.PathMoves().Count(), 0);
  ChessApp.OpenOnKeyPosition = true;
  // Classify position of the start: no key holds it, so the root.
  f.MNewGameClick();
  f.Item("MClassifyPosition")->trigger();
  EXPECT_FALSE(w->MParentKey->isEnabled());
  EXPECT_EQ(w->List->count(), 2);
  ASSERT_TRUE(f.CloseFile());
}

// Keys the open found damaged are made again only when the user says so:
// No keeps every key file, Yes makes and classifies them as for a database
// without keys.
TEST(KeysCommands, DamagedKeysAreMadeAgainOnlyWhenTheUserSaysSo) {
  MainFixture fx;
  fx.dir().Write("class.txt", kKeys);
  fx.dir().Write("games.pgn", Games());
  const std::string db = fx.dir().File("base.qcx");
  {
    TMainForm &f = fx.Form();
    ASSERT_TRUE(f.OpenFile(db));
    f.Item("MOpenings")->trigger();
    ASSERT_TRUE(f.Database.HasKeys());
    ASSERT_TRUE(f.CloseFile());
    fx.FreeForm();
  }
  // A key file that is no whole number of nodes: the database opens
  // without keys, and its key files are kept.
  std::string key;
  ASSERT_TRUE(files::ReadAll(fx.dir().File("base.key"), key));
  key.pop_back();
  fx.dir().Write("base.key", key);
  const std::string kls = fx.dir().Read("base.kls");
  auto answers = fx.Answer("OKBtn");
  TMainForm &f = fx.Form();
  testutil::MessageRecorder messages;
  std::vector<std::string> asked;
  int answer = ui::mrNo;
  ui::Hooks h = ui::CurrentHooks();
  bool progressShown = false;
  h.messageDlgDefault = [&](const std::string &text, ui::MsgType, unsigned, int) {
    asked.push_back(text);
    progressShown = progressShown || f.AbortDlg.IsShowing();
    return answer;
  };
  ui::InstallHooks(h);
  ASSERT_TRUE(f.OpenFile(db));
  ASSERT_FALSE(f.Database.HasKeys());
  messages.messages.clear();
  f.Item("MOpenings")->trigger();
  EXPECT_EQ(asked, std::vector<std::string>{
                       "The opening keys " + fx.dir().File("base.key") +
                       " are damaged. Delete them and make new keys? The games are not changed."});
  EXPECT_TRUE(messages.messages.empty());
  EXPECT_FALSE(f.Database.HasKeys());
  EXPECT_EQ(f.Item("MOpenings")->text(), "Create Openin&gs...");
  EXPECT_FALSE(f.Item("MClassifyGame")->isEnabled());
  EXPECT_EQ(KeysWindow(), nullptr);
  EXPECT_EQ(fx.dir().Read("base.key"), key);
  EXPECT_EQ(fx.dir().Read("base.kls"), kls);
  answer = ui::mrYes;
  f.Item("MOpenings")->trigger();
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_FALSE(progressShown) << "asked before the progress shows";
  ASSERT_TRUE(f.Database.HasKeys());
  EXPECT_TRUE(f.Item("MClassifyGame")->isEnabled());
  TKeysDlg *w = KeysWindow();
  ASSERT_NE(w, nullptr);
  // The database holds no games: the keys alone.
  EXPECT_EQ(Rows(f, *w), (std::vector<std::string>{"Open Games  -  [0]"}));
  EXPECT_TRUE(messages.messages.empty());
  ASSERT_TRUE(f.CloseFile());
}

}  // namespace
