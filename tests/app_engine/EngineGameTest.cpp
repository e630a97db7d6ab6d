// A game against Debian's fairymax in the main window, the clock running:
// fairymax linked as "wcrafty.exe" in the scratch program directory, a
// blitz of one minute, White's moves entered on the board.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QPlainTextEdit>
#include <filesystem>

#include "app/AppTestUtil.h"
#include "board/ui/ChsBrds.h"
#include "chess/Language.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"

namespace {

constexpr const char *kFairymax = "/usr/games/fairymax";
constexpr int kReplyMs = 15000;

using apptest::WaitFor;

class EngineGameTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kFairymax))
        << kFairymax << " is missing: scripts/setup.sh installs the fairymax package";
    std::filesystem::create_symlink(kFairymax, dir().File("wcrafty.exe"));
  }
  void TearDown() override { FreeForm(); }

  TMainForm &Open(const std::string &view) {
    WriteSettings("[Engine]\r\nEnabled=1\r\n[TimeControlInfo]\r\nBlitzTime=1\r\n[General]\r\n" + view);
    TMainForm &f = Form();
    f.show();
    return f;
  }
  // A legal move for the side to move: the first of a short opening list
  // that is legal, else the first legal move found.
  static MoveRec PickMove(const PositionO &at) {
    PositionO p;
    p.InitCopy(at);
    p.SetLanguage(LangEnglish);
    MoveRec m;
    for (const char *t : {"e2e4", "d2d4", "g1f3", "b1c3", "f1c4", "c2c3", "h2h3", "a2a3"})
      if (p.InterpretMove(t, m) && p.IsLegal(m.FromFile(), m.FromRank(), m.ToFile(), m.ToRank())) {
        p.CompleteMove(m);
        return m;
      }
    for (int ff = 1; ff <= 8; ++ff)
      for (int fr = 1; fr <= 8; ++fr)
        for (int tf = 1; tf <= 8; ++tf)
          for (int tr = 1; tr <= 8; ++tr)
            if (p.IsLegal(ff, fr, tf, tr)) {
              p.BuildMove(ff, fr, tf, tr, 5, m);
              return m;
            }
    ADD_FAILURE() << "no legal move in " << p.GetFEN();
    return m;
  }
  // As the user enters it: on the board, then the board's handler.
  static void Enter(TMainForm &f, const MoveRec &m) {
    f.Board->EnterMove(m);
    f.BoardMouseDown(Qt::LeftButton, Qt::NoModifier, m.ToFile(), m.ToRank());
  }
  static int Plies(TMainForm &f) { return f.Game.PathMoves().Count(); }
  static bool PaneHas(TMainForm &f, const char *text) { return f.CommentMemo->toPlainText().contains(text); }
};

TEST_F(EngineGameTest, FiveMovesAgainstTheEngineWithTheClockRunning) {
  TMainForm &f = Open("ShowRight=1\r\n");
  ASSERT_TRUE(f.EngineMan.Active());
  f.Item("MPlayGame")->trigger();
  ASSERT_TRUE(f.EngineMan.IsPlaying());
  for (int i = 1; i <= 5; ++i) {
    Enter(f, PickMove(f.Game.CurrentPosition()));
    ASSERT_EQ(Plies(f), 2 * i - 1);
    ASSERT_TRUE(WaitFor([&] { return Plies(f) == 2 * i; }, kReplyMs))
        << "no reply to move " << i << "; the pane: " << FromQ(f.CommentMemo->toPlainText());
    if (i == 3) uitest::Snapshot(&f, "engine_game_right_en");
  }
  // The same in Dutch, the extra panel under the board.
  ChessApp.ApplicationLanguage = LangDutch;
  f.ApplyLanguage();
  f.ShowUnder = true;
  f.ArrangeControls();
  f.ShowGame();
  uitest::Snapshot(&f, "engine_game_under_nl");
  ChessApp.ApplicationLanguage = LangEnglish;
  f.ApplyLanguage();
  // Every ply legal, and the engine's game is the window's.
  PositionO replay;
  replay.InitCopy(f.Game.StartPosition());
  const MoveListO &path = f.Game.PathMoves();
  ASSERT_EQ(path.Count(), 10);
  for (int i = 1; i <= path.Count(); ++i) {
    MoveRec m = path.At(i);
    ASSERT_TRUE(replay.IsLegal(m.FromFile(), m.FromRank(), m.ToFile(), m.ToRank())) << i;
    replay.MakeMove(m);
  }
  EXPECT_TRUE(replay.SameAs(f.EngineMan.Engine()->CurrentPosition()));
  EXPECT_TRUE(f.Game.CurrentPosition().SameAs(f.EngineMan.Engine()->CurrentPosition()));
  EXPECT_GT(f.EngineMan.GetSeconds(cWhite), 55);
  EXPECT_LT(f.EngineMan.GetSeconds(cBlack), 60);
  EXPECT_FALSE(f.EngineMan.FlagFallen(cWhite));
  EXPECT_FALSE(f.EngineMan.FlagFallen(cBlack));
  EXPECT_FALSE(PaneHas(f, "Illegal move"));
  EXPECT_FALSE(PaneHas(f, "Error"));

  // A new game, and the engine moves for White.
  {
    auto answers = Answer("OK");
    f.Item("MNewGame")->trigger();
  }
  ASSERT_EQ(Plies(f), 0);
  f.Item("MMoveNow")->trigger();
  ASSERT_TRUE(WaitFor([&] { return Plies(f) == 1; }, kReplyMs)) << FromQ(f.CommentMemo->toPlainText());
  PositionO start;
  start.Reset();
  const MoveRec &first = f.Game.PathMoves().At(1);
  EXPECT_TRUE(start.IsLegal(first.FromFile(), first.FromRank(), first.ToFile(), first.ToRank()));
  const QString black = f.BlackClockLbl->text();
  EXPECT_TRUE(WaitFor([&] { return f.BlackClockLbl->text() != black; }, 3000));

  f.Item("MStopClock")->trigger();
  EXPECT_FALSE(f.EngineMan.IsPlaying());
  FreeForm();
  EXPECT_EQ(apptest::ChildProcesses(), 0);
}

}  // namespace
