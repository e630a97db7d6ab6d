// The main window's players, events/sites and annotators commands. They are
// hidden in this build, so the tests trigger them as actions.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>

#include "AppTestUtil.h"
#include "dbwindows/DlgAnnotators.h"
#include "dbwindows/DlgEventSites.h"
#include "dbwindows/DlgPlayers.h"
#include "platform/UiHooks.h"

using apptest::MainFixture;

namespace {

std::string Games() {
  std::string text;
  for (int i = 1; i <= 4; ++i)
    text += "[Event \"E" + std::to_string(i % 2) + "\"]\n[Site \"S\"]\n[White \"W" + std::to_string(i) +
            "\"]\n[Black \"B\"]\n[Result \"*\"]\n[Annotator \"Kee\"]\n\n1. e4 *\n\n";
  return text;
}

template <class T>
std::vector<T *> Windows() {
  std::vector<T *> out;
  for (QWidget *w : QApplication::topLevelWidgets())
    if (auto *t = qobject_cast<T *>(w)) out.push_back(t);
  return out;
}

TEST(NameWindowCommands, OpenShowAgainAndCloseWithTheFile) {
  MainFixture fx;
  TMainForm &f = fx.Form();
  fx.dir().Write("names.pgn", Games());
  // Without a file the commands do nothing.
  f.Item("MPlayers")->trigger();
  EXPECT_TRUE(Windows<TPlayersDlg>().empty());
  ASSERT_TRUE(f.OpenFile(fx.dir().File("names.pgn")));

  struct Kind {
    const char *command;
    std::function<size_t()> count;
    std::function<QWidget *()> first;
    const char *title;
  };
  const Kind kinds[] = {
      {"MPlayers", [] { return Windows<TPlayersDlg>().size(); }, [] { return Windows<TPlayersDlg>().front(); },
       "Players - [Database]"},
      {"MEventSites", [] { return Windows<TEventSitesDlg>().size(); },
       [] { return Windows<TEventSitesDlg>().front(); }, "Eventsites - [Database]"},
      {"MAnnotators", [] { return Windows<TAnnotatorsDlg>().size(); },
       [] { return Windows<TAnnotatorsDlg>().front(); }, "Annotators - [Database]"},
  };
  for (const Kind &k : kinds) {
    f.Item(k.command)->trigger();
    ASSERT_EQ(k.count(), 1u) << k.command;
    QWidget *w = k.first();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), k.title);
    // Closed by the user it is only hidden; the command shows the same one.
    w->close();
    EXPECT_FALSE(w->isVisible());
    f.Item(k.command)->trigger();
    EXPECT_EQ(k.count(), 1u);
    EXPECT_EQ(k.first(), w);
    EXPECT_TRUE(w->isVisible());
  }
  EXPECT_EQ(static_cast<TPlayersDlg *>(kinds[0].first())->StatusText(), "5 players (1/1)");

  // Closing the file destroys the three; the commands then do nothing.
  ASSERT_TRUE(f.CloseFile());
  uitest::FlushDeletes();
  for (const Kind &k : kinds) {
    EXPECT_EQ(k.count(), 0u) << k.command;
    f.Item(k.command)->trigger();
    EXPECT_EQ(k.count(), 0u) << k.command;
  }
}

TEST(NameWindowCommands, NoFreeSlotShowsTheMessage) {
  MainFixture fx;
  TMainForm &f = fx.Form();
  fx.dir().Write("full.pgn", Games());
  ASSERT_TRUE(f.OpenFile(fx.dir().File("full.pgn")));
  while (f.Database.NewPlayerList() != 0) {
  }
  std::vector<std::string> messages;
  int beeps = 0;
  ui::Hooks h = ui::CurrentHooks();
  h.showMessage = [&](const std::string &text) { messages.push_back(text); };
  h.beep = [&] { ++beeps; };
  const ui::Hooks old = ui::InstallHooks(h);
  f.Item("MPlayers")->trigger();
  ui::InstallHooks(old);
  EXPECT_TRUE(Windows<TPlayersDlg>().empty());
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], CommonText::S_TooManyLists);
  EXPECT_EQ(beeps, 1);
  // The other kinds still open.
  f.Item("MAnnotators")->trigger();
  EXPECT_EQ(Windows<TAnnotatorsDlg>().size(), 1u);
  ASSERT_TRUE(f.CloseFile());
}

}  // namespace
