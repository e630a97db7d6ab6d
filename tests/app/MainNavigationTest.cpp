#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "AppTestUtil.h"
#include "board/ui/ChsBrds.h"
#include "chess/ParsePGN.h"
#include "foundation/ui/QtStr.h"

namespace {

// Main line 1. e4 e5 2. Nf3 {comment} Nc6 3. Bb5 $1 a6 4. Ba4; at move 3
// Black has two continuations.
const char *kGame =
    "[Event \"Nav\"]\n[Result \"*\"]\n\n"
    "1. e4 e5 2. Nf3 {a comment} Nc6 3. Bb5 $1 a6 (3... Nf6) 4. Ba4 *\n";

class MainNavigationTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  MainNavigationTest() {
    // Slides are counted, not waited for.
    oldSleep_ = TChessBoard::SetSleepFunction([](int) {});
  }
  ~MainNavigationTest() override { TChessBoard::SetSleepFunction(oldSleep_); }

  TMainForm &Loaded(const char *pgn = kGame, int ply = 1) {
    TMainForm &f = Form();
    ParseResultT r;
    EXPECT_TRUE(f.Game.ReadFromString(pgn, LangEnglish, r));
    f.ShowLoadedGame(ply, false);
    return f;
  }
  std::string Fen() { return Form().Board->GetFEN(); }
  std::string GameFen() { return Form().Game.CurrentPosition().GetFEN(); }
  int Ply() { return Form().Game.PathMoves().Count(); }
  void StartAutoPlay() {
    Form().AutoPlayTimer->start(100000);
    Form().AutoPlayBtn->setText("[ X ]");
  }
  void ExpectStopped() {
    EXPECT_FALSE(Form().AutoPlayTimer->isActive());
    EXPECT_EQ(Form().AutoPlayBtn->text(), ">>");
    EXPECT_FALSE(Form().Item("MAutoPlay")->isChecked());
  }

  TChessBoard::SleepFunction oldSleep_;
};

TEST_F(MainNavigationTest, StepsAndTheirBeeps) {
  TMainForm &f = Loaded();
  f.SBPrevClick();
  f.SBFirstClick();
  EXPECT_EQ(beeps, 2);
  f.SBNextClick();
  f.SBNextClick();
  EXPECT_EQ(Ply(), 2);
  EXPECT_EQ(Fen(), GameFen());
  EXPECT_GT(f.Board->Trace().steps, 0);  // animated
  f.SBPrevClick();
  EXPECT_EQ(Ply(), 1);
  EXPECT_EQ(Fen(), GameFen());

  // The last step replays the path without animation.
  f.Board->Trace() = {};
  f.SBLastClick();
  EXPECT_EQ(Ply(), 7);
  EXPECT_EQ(Fen(), GameFen());
  EXPECT_EQ(f.Board->Trace().steps, 0);
  EXPECT_EQ(f.Board->MoveList().Count(), 7);
  f.SBNextClick();
  f.SBLastClick();
  EXPECT_EQ(beeps, 4);
  f.SBFirstClick();
  EXPECT_EQ(Ply(), 0);
  EXPECT_EQ(Fen(), GameFen());
  // From a board set without moves, a step back still shows the game.
  f.SBLastClick();
  f.Board->SetPositionOnly(f.Game.CurrentPosition());
  f.SBPrevClick();
  EXPECT_EQ(Fen(), GameFen());
  EXPECT_EQ(beeps, 4);
}

TEST_F(MainNavigationTest, EachStepStopsAutoplay) {
  TMainForm &f = Loaded();
  for (void (TMainForm::*step)() :
       {&TMainForm::SBNextClick, &TMainForm::SBPrevClick, &TMainForm::SBLastClick, &TMainForm::SBFirstClick,
        &TMainForm::MFlipClick, &TMainForm::MReplayLastMoveClick}) {
    StartAutoPlay();
    (f.*step)();
    ExpectStopped();
  }
}

TEST_F(MainNavigationTest, TryOutSteps) {
  TMainForm &f = Loaded();
  f.SBNextClick();  // 1. e4
  // Try-out state as move entry will leave it: two moves of which the
  // board made one.
  MoveRec m;
  f.Board->BuildMove(7, 8, 6, 6, 0, m);  // 1... Nf6
  f.Board->DoMove(m);
  f.TryOutMoves.Assign(f.Board->MoveList());
  f.Board->BuildMove(2, 1, 3, 3, 0, m);  // 2. Nc3
  f.TryOutMoves.Add(m);
  f.DisplayMode = dmTryOut;
  f.SBTryOut->show();
  f.ResultLbl->hide();

  f.SBNextClick();
  EXPECT_EQ(f.Board->MoveList().Count(), 3);
  f.SBNextClick();
  EXPECT_EQ(beeps, 1);  // the end of the try-out moves
  f.SBPrevClick();
  f.SBPrevClick();
  EXPECT_EQ(f.Board->MoveList().Count(), 1);
  f.SBLastClick();
  EXPECT_EQ(f.Board->MoveList().Count(), 3);
  f.SBLastClick();
  EXPECT_EQ(beeps, 2);
  f.SBFirstClick();
  EXPECT_EQ(f.Board->MoveList().Count(), 0);
  f.SBPrevClick();
  EXPECT_EQ(beeps, 3);  // nothing left to take back
  EXPECT_EQ(Ply(), 1);  // the game stayed where it was
  f.SBLastClick();
  EXPECT_NE(Fen(), GameFen());

  // The autoplay command leaves try-out mode: the game's position again.
  f.MAutoPlayClick();
  EXPECT_EQ(f.DisplayMode, dmEdit);
  EXPECT_TRUE(f.SBTryOut->isHidden());
  EXPECT_FALSE(f.ResultLbl->isHidden());
  EXPECT_EQ(Fen(), GameFen());
  EXPECT_FALSE(f.AutoPlayTimer->isActive());

  f.Item("MViewOnly")->setChecked(true);
  f.DisplayMode = dmTryOut;
  f.LeaveTryOut();
  EXPECT_EQ(f.DisplayMode, dmViewOnly);
}

TEST_F(MainNavigationTest, AutoplayStopRules) {
  struct Case {
    bool comment, nags, alternatives;
    int stopPly;  // where the ticks stop
  };
  // From the start: 2. Nf3 has the comment (ply 3), 3. Bb5 the NAG (ply 5),
  // after 3. Bb5 two continuations (ply 5), the line ends at ply 7.
  for (const Case &c : {Case{false, false, false, 7}, Case{true, false, false, 3}, Case{false, true, false, 5},
                        Case{false, false, true, 5}}) {
    SCOPED_TRACE(testing::Message() << c.comment << c.nags << c.alternatives);
    TMainForm &f = Loaded();
    ChessApp.StopAtComment = c.comment;
    ChessApp.StopAtAnnotations = c.nags;
    ChessApp.StopAtAlternatives = c.alternatives;
    f.MAutoPlayClick();  // one step at once
    EXPECT_EQ(Ply(), 1);
    EXPECT_EQ(f.AutoPlayBtn->text(), "[ X ]");
    EXPECT_TRUE(f.Item("MAutoPlay")->isChecked());
    for (int i = 0; i < 10 && f.AutoPlayTimer->isActive(); ++i) f.AutoPlayTimerTimer();
    EXPECT_EQ(Ply(), c.stopPly);
    EXPECT_EQ(Fen(), GameFen());
    ExpectStopped();
    FreeForm();
  }
  // At the end there is nothing to play.
  TMainForm &f = Loaded(kGame, 8);
  f.MAutoPlayClick();
  EXPECT_EQ(beeps, 1);
  ExpectStopped();
}

// Kept on purpose: an illegal selected continuation does not stop the
// timer.
TEST_F(MainNavigationTest, AutoplayMeetsAnIllegalContinuation) {
  TMainForm &f = Loaded();
  ChessApp.StopAtComment = ChessApp.StopAtAnnotations = ChessApp.StopAtAlternatives = false;
  MoveRec bad;
  bad.fromFile = 5;
  bad.fromRank = 2;
  bad.toFile = 5;
  bad.toRank = 5;
  f.Game.AddMove(bad, amAboveAll, nullptr, 0);
  f.Game.SetSelectedChild(1);
  ASSERT_FALSE(f.Game.ChildIsLegal(1));
  f.MAutoPlayClick();
  f.AutoPlayTimerTimer();
  EXPECT_TRUE(f.AutoPlayTimer->isActive());
  EXPECT_EQ(Ply(), 0);
  f.StopAutoPlay();
}

TEST_F(MainNavigationTest, Keys) {
  TMainForm &f = Loaded(kGame, 3);
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.AlternativesLB->setFocus();
  QTest::keyClick(f.AlternativesLB, Qt::Key_Left);
  EXPECT_EQ(Ply(), 1);
  QTest::keyClick(f.AlternativesLB, Qt::Key_Right);
  EXPECT_EQ(Ply(), 2);
  QTest::keyClick(f.AlternativesLB, Qt::Key_End);
  EXPECT_EQ(Ply(), 7);
  QTest::keyClick(&f, Qt::Key_Home);
  EXPECT_EQ(Ply(), 0);

  // Up and Down move the list.
  f.Game.GoToLineEnd();
  f.Game.GoBack();
  f.Game.GoBack();  // after 3. Bb5: two continuations
  f.Board->SetPosition(&f.Game.StartPosition(), &f.Game.PathMoves());
  f.ShowGame();
  ASSERT_EQ(f.AlternativesLB->count(), 2);
  ASSERT_EQ(Ply(), 5);
  f.AlternativesLB->setFocus();
  f.AlternativesLB->setCurrentRow(0);
  QTest::keyClick(f.AlternativesLB, Qt::Key_Down);
  EXPECT_EQ(f.AlternativesLB->currentRow(), 1);
  EXPECT_EQ(Ply(), 5);

  // A dialog is active: no step.
  {
    QDialog d(&f);
    d.show();
    d.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&d));
    QTRY_VERIFY(QApplication::activeWindow() == &d);
    // Sent as they are, so that no window is activated on the way.
    QKeyEvent left(QEvent::KeyPress, Qt::Key_Left, Qt::NoModifier);
    QApplication::sendEvent(f.AlternativesLB, &left);
    QApplication::sendEvent(&d, &left);
    EXPECT_EQ(Ply(), 5);
  }
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));

  // A menu of the menu bar is open: Left and Right move between menus.
  QMenuBar *bar = f.menuBar();
  bar->setActiveAction(f.Item("MGame"));
  QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
  QWidget *popup = QApplication::activePopupWidget();
  QTest::keyClick(popup, Qt::Key_Right);
  EXPECT_EQ(bar->activeAction(), f.Item("MPosition"));
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Left);
  EXPECT_EQ(bar->activeAction(), f.Item("MGame"));
  EXPECT_EQ(Ply(), 5);
  QApplication::activePopupWidget()->close();
}

TEST_F(MainNavigationTest, BoardCommands) {
  TMainForm &f = Loaded();
  const int before = f.Board->PieceType();
  const int width = f.width();
  ASSERT_TRUE(f.Board->CanMakeSmaller());
  f.MSmallerBoardClick();
  EXPECT_NE(f.Board->PieceType(), before);
  EXPECT_EQ(ChessApp.PieceType, f.Board->PieceType());
  EXPECT_LT(f.width(), width);
  EXPECT_EQ(f.Board->x(), f.Layout.board.x);
  f.MLargerBoardClick();
  EXPECT_EQ(ChessApp.PieceType, before);
  EXPECT_EQ(f.width(), width);
  while (f.Board->CanMakeSmaller()) f.MSmallerBoardClick();
  f.MBoardClick();
  EXPECT_FALSE(f.Item("MSmallerBoard")->isEnabled());
  EXPECT_TRUE(f.Item("MLargerBoard")->isEnabled());

  // Ticks and the replay command's enabling.
  EXPECT_FALSE(f.Item("MReplayLastMove")->isEnabled());  // at the start
  f.MAutoPlayClick();
  f.MBoardClick();
  EXPECT_TRUE(f.Item("MAutoPlay")->isChecked());
  EXPECT_TRUE(f.Item("MReplayLastMove")->isEnabled());
  f.StopAutoPlay();
  f.DisplayMode = dmTryOut;
  f.MBoardClick();
  EXPECT_TRUE(f.Item("MTryOut")->isChecked());
  f.DisplayMode = dmEdit;

  // Flip.
  const ColorT top = f.Board->ColorAtTop();
  f.MFlipClick();
  EXPECT_NE(f.Board->ColorAtTop(), top);
  EXPECT_EQ(f.FileLabels[0]->text(), "h");
}

// Shift+F9 works after a move although the menu was last opened before it.
TEST_F(MainNavigationTest, ReplayShortcutFollowsTheMoves) {
  TMainForm &f = Loaded();
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.MBoardClick();  // the menu opened at the start
  EXPECT_FALSE(f.Item("MReplayLastMove")->isEnabled());
  f.SBNextClick();
  f.Board->Trace() = {};
  QTest::keyClick(&f, Qt::Key_F9, Qt::ShiftModifier);
  EXPECT_EQ(f.Board->Trace().legs, 2);  // back and again
  EXPECT_EQ(Fen(), GameFen());
}

TEST_F(MainNavigationTest, LoadedGameAtAPly) {
  TMainForm &f = Form();
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString(kGame, LangEnglish, r));
  f.ShowLoadedGame(3, true);
  EXPECT_EQ(Ply(), 2);
  EXPECT_EQ(Fen(), GameFen());
  EXPECT_TRUE(f.Board->GetAutoRedraw());
  // The replay is posted, and runs only once the loop runs.
  f.Board->Trace() = {};
  EXPECT_EQ(f.Board->Trace().legs, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Board->Trace().legs, 2);

  // A ply beyond the game: the end of the line, and the board draws again.
  f.ShowLoadedGame(40, false);
  EXPECT_EQ(Ply(), 7);
  EXPECT_EQ(Fen(), GameFen());
  EXPECT_TRUE(f.Board->GetAutoRedraw());

  // Ply 0 by the option.
  ChessApp.ShowFirstPositionOnLoad = true;
  f.ShowLoadedGame(0, true);
  EXPECT_EQ(Ply(), 0);
  f.Board->Trace() = {};
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Board->Trace().legs, 0);  // nothing to replay at the start
  ChessApp.ShowFirstPositionOnLoad = false;
  f.ShowLoadedGame(0, true);
  EXPECT_EQ(Ply(), 7);
  EXPECT_EQ(Fen(), GameFen());
  QCoreApplication::processEvents();

  // The paste's form posts no replay.
  f.ShowLoadedGame(3, false);
  f.Board->Trace() = {};
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Board->Trace().legs, 0);
  EXPECT_EQ(f.LastMoveLbl->text(), "1. ... e5");
}

}  // namespace

namespace {

// Steps through the game as a user would, for $TV_SHOT_DIR.
TEST_F(MainNavigationTest, SnapshotsWhileStepping) {
  TMainForm &f = Loaded();
  ChessApp.ShowCoordinates = true;
  f.ArrangeControls();
  f.show();
  const char *names[] = {"nav-1", "nav-2", "nav-3", "nav-4", "nav-5"};
  for (const char *name : names) {
    f.SBNextClick();
    QCoreApplication::processEvents();
    uitest::Snapshot(&f, name);
  }
  f.Game.SetSelectedChild(2);  // into the variation 3... Nf6
  f.SBNextClick();
  f.ShowGame();
  uitest::Snapshot(&f, "nav-variation");
  EXPECT_EQ(f.LastMoveLbl->text(), "3. ... Nf6");
  f.SBFirstClick();
  uitest::Snapshot(&f, "nav-first");
  EXPECT_EQ(Ply(), 0);
}

}  // namespace
