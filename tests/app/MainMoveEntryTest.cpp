// Move entry in the main window: the board's event by mode and input
// state, the insert and delete choices checked on the PGN written
// afterwards, typed moves, the alternatives list, the modes and a new game.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "AppTestUtil.h"
#include "app/DlgDeleteMove.h"
#include "app/DlgInsertMove.h"
#include "board/ui/ChsBrds.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "foundation/CommonText.h"
#include "foundation/ui/QtStr.h"

namespace {

class MainMoveEntryTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  MainMoveEntryTest() { oldSleep_ = TChessBoard::SetSleepFunction([](int) {}); }
  ~MainMoveEntryTest() override {
    if (QWidget *p = QApplication::activePopupWidget()) p->close();
    TChessBoard::SetSleepFunction(oldSleep_);
    ChessApp.AskInsertTypeOnNewMove = false;
    ChessApp.AskDeleteTypeOnDelete = false;
    ChessApp.InterfaceLanguage = LangEnglish;
    ChessApp.ApplicationLanguage = LangEnglish;
  }

  // The game read and shown at its start.
  TMainForm &Loaded(const char *moves) {
    TMainForm &f = Form();
    ParseResultT r;
    EXPECT_TRUE(f.Game.ReadFromString(std::string("[Result \"*\"]\n\n") + moves, LangEnglish, r)) << moves;
    f.ShowLoadedGame(0, false);
    f.Board->SetRightClickTakeBack(true);
    f.Game.GoToStart();
    f.Board->SetPosition(&f.Game.StartPosition(), nullptr);
    f.ShowGame();
    return f;
  }
  // The move text as the game is written now, without the tags.
  std::string Moves() {
    std::string text = ToText(Form().Game, PgnOptions(200), LangEnglish);
    const size_t body = text.find("\r\n\r\n");
    text = body == std::string::npos ? text : text.substr(body + 4);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
  }
  QPoint At(const char *square) {
    TChessBoard *b = Form().Board;
    return b->SquareToPixel(square[0] - 'a' + 1, square[1] - '0') + QPoint(b->SquareWidth() / 2, b->SquareHeight() / 2);
  }
  void Drag(const char *from, const char *to, Qt::KeyboardModifiers m = Qt::NoModifier) {
    TChessBoard *b = Form().Board;
    QTest::mousePress(b, Qt::LeftButton, m, At(from));
    QMouseEvent move(QEvent::MouseMove, At(to), b->mapToGlobal(At(to)), Qt::NoButton, Qt::LeftButton, m);
    QApplication::sendEvent(b, &move);
    QTest::mouseRelease(b, Qt::LeftButton, m, At(to));
  }
  void Click(const char *square, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(Form().Board, button, Qt::NoModifier, At(square));
  }
  void Type(const QString &text) {
    for (QChar c : text) Form().KeyMoveEntry(FromQ(QString(c))[0]);
  }
  bool InSync() { return Form().Board->GetFEN() == Form().Game.CurrentPosition().GetFEN(); }
  std::string Last() { return FromQ(Form().LastMoveLbl->text()); }

  // Answers the insert dialog with a radio button (null: Cancel) and any
  // confirmation with the button named.
  std::unique_ptr<modal::ScopedAnswerer> Choose(const char *radio, const char *confirm = "Yes") {
    return std::make_unique<modal::ScopedAnswerer>([this, radio, confirm](QDialog &d) {
      if (d.objectName() == "InsertMoveDlg" || d.objectName() == "DeleteMoveDlg") {
        ++choiceDialogs;
        presetChecked.clear();
        for (auto *r : d.findChildren<QRadioButton *>())
          if (r->isChecked()) presetChecked = r->objectName().toStdString();
        if (!radio) return modal::ClickButton(d, "CancelBtn");
        d.findChild<QRadioButton *>(radio)->setChecked(true);
        return modal::ClickButton(d, "OKBtn");
      }
      ++dialogs;
      if (auto *l = d.findChild<QLabel *>("Message")) lastMessage = FromQ(l->text());
      return modal::ClickButton(d, confirm);
    });
  }

  int choiceDialogs = 0;
  std::string presetChecked;
  TChessBoard::SleepFunction oldSleep_;
  // No dialog runs for real: one a test does not answer fails it.
  modal::ScopedAnswerer unexpected_{[](QDialog &d) {
    ADD_FAILURE() << "unexpected dialog " << d.objectName().toStdString();
    return static_cast<int>(QDialog::Rejected);
  }};
};

MoveRec MoveAt(const PositionO &at, const char *text) {
  PositionO pos;
  pos.Assign(at);
  MoveRec m;
  EXPECT_TRUE(pos.InterpretMove(text, m)) << text;
  pos.CompleteMove(m);
  return m;
}

// ---- The board's event by mode and state

TEST_F(MainMoveEntryTest, ViewOnlyMovesTryOutAndLeaveTheGameAlone) {
  TMainForm &f = Loaded("1. e4 e5 2. Nf3 *");
  f.ToggleViewOnly(true);
  ASSERT_EQ(f.DisplayMode, dmViewOnly);
  const int nodes = f.Game.NodeCounter();
  Drag("d2", "d4");
  EXPECT_EQ(f.DisplayMode, dmTryOut);
  EXPECT_TRUE(f.SBTryOut->isVisibleTo(&f));
  EXPECT_FALSE(f.ResultLbl->isVisibleTo(&f));
  EXPECT_EQ(f.TryOutMoves.Count(), 1);
  EXPECT_EQ(f.Game.NodeCounter(), nodes);
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root());
  EXPECT_EQ(Last(), "1. d4");
  // Try-out states 1 to 4: f6 is reached by the knight and the pawn.
  Click("f6");
  EXPECT_EQ(f.TryOutMoves.Count(), 2);
  const std::string first = f.TryOutMoves.At(2).ToText(mtCoordinate);
  Click("f6", Qt::RightButton);
  EXPECT_EQ(f.TryOutMoves.Count(), 2);
  EXPECT_NE(f.TryOutMoves.At(2).ToText(mtCoordinate), first);
  EXPECT_TRUE(f.TryOutMoves.At(2).Equal(f.Board->MoveList().At(2)));
  Click("f6", Qt::RightButton);
  EXPECT_EQ(f.TryOutMoves.Count(), 1);
  EXPECT_EQ(f.Board->MoveList().Count(), 1);
  Click("a8", Qt::RightButton);  // takes d4 back; the line stays for stepping
  EXPECT_EQ(f.Board->MoveList().Count(), 0);
  EXPECT_EQ(f.TryOutMoves.Count(), 1);
  ASSERT_EQ(f.AlternativesLB->count(), 1);
  EXPECT_EQ(f.AlternativesLB->item(0)->text(), "d4");
  // The list acts on the try-out line: a click changes nothing in the
  // game, a double click steps, Delete beeps.
  f.AlternativesLB->setCurrentRow(0);
  f.AlternativesLBClick();
  f.AlternativesLBDblClick();
  EXPECT_EQ(f.Board->MoveList().Count(), 1);
  EXPECT_EQ(f.Game.NodeCounter(), nodes);
  const int before = beeps;
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  f.AlternativesLBKeyDown(del);
  EXPECT_EQ(beeps, before + 1);
  EXPECT_EQ(f.Game.NodeCounter(), nodes);
  // Leaving: the game's position again, and the mode the tick says.
  f.MTryOutClick();
  EXPECT_EQ(f.DisplayMode, dmViewOnly);
  EXPECT_FALSE(f.SBTryOut->isVisibleTo(&f));
  EXPECT_TRUE(InSync());
  EXPECT_EQ(f.Board->MoveList().Count(), 0);
  f.ToggleViewOnly(true);
  EXPECT_EQ(f.DisplayMode, dmEdit);
  f.MTryOutClick();
  EXPECT_EQ(f.DisplayMode, dmTryOut);
  f.MTryOutClick();
  EXPECT_EQ(f.DisplayMode, dmEdit);
}

TEST_F(MainMoveEntryTest, ARightClickTakeBackInViewOnlyModeTriesOut) {
  TMainForm &f = Loaded("1. e4 e5 2. Nf3 *");
  f.ShowLoadedGame(3, false);
  f.ToggleViewOnly(true);
  Click("h5", Qt::RightButton);
  EXPECT_EQ(f.DisplayMode, dmTryOut);
  EXPECT_EQ(f.Board->MoveList().Count(), 1);
  EXPECT_EQ(f.TryOutMoves.Count(), 1);
  EXPECT_EQ(f.Game.PathMoves().Count(), 2);
}

TEST_F(MainMoveEntryTest, EditModeStates) {
  TMainForm &f = Loaded("1. e4 e5 *");
  // Option off: a new move at a position with a continuation goes last.
  Drag("d2", "d4");
  EXPECT_EQ(choiceDialogs, 0);
  EXPECT_EQ(Moves(), "1. e4 (1. d4) 1... e5 *");
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root()->Child(2));
  EXPECT_TRUE(InSync());
  EXPECT_EQ(f.Game.MainLine().Count(), 1);  // refreshed: the selected d4
  EXPECT_EQ(Last(), "1. d4");
  // State 4: back to the root; at the root nothing is taken back.
  Click("h5", Qt::RightButton);
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root());
  EXPECT_TRUE(InSync());
  Click("h5", Qt::RightButton);
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root());
  EXPECT_EQ(Moves(), "1. e4 (1. d4) 1... e5 *");
  // States 2 and 3: the destination first, then its alternatives.
  Click("f3");
  ASSERT_EQ(f.Game.Root()->ChildCount(), 3);
  const std::string first = f.Game.CurrentNode()->move.ToText(mtCoordinate);
  Click("f3", Qt::RightButton);
  EXPECT_EQ(f.Game.Root()->ChildCount(), 3);
  EXPECT_NE(f.Game.CurrentNode()->move.ToText(mtCoordinate), first);
  EXPECT_TRUE(InSync());
  Click("f3", Qt::RightButton);
  EXPECT_EQ(f.Game.ChildCount(), 2);
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root());
  EXPECT_TRUE(InSync());
  EXPECT_EQ(Moves(), "1. e4 (1. d4) 1... e5 *");
}

// ---- The insert dialog, on the PGN written afterwards

TEST_F(MainMoveEntryTest, ReplaceMoveKeepsEveryLegalReply) {
  TMainForm &f = Loaded("1. e4 e5 (1... c5) (1... e6) 2. Nf3 *");
  ChessApp.AskInsertTypeOnNewMove = true;
  auto a = Choose("ReplaceMoveRB");
  Drag("d2", "d4");
  EXPECT_EQ(choiceDialogs, 1);
  EXPECT_EQ(presetChecked, "ReplaceMoveRB");
  EXPECT_EQ(dialogs, 0);
  EXPECT_EQ(Moves(), "1. d4 e5 (1... c5) (1... e6) 2. Nf3 *");
  EXPECT_TRUE(InSync());

  // A replacement by a destination-first move, then its alternative, then
  // the alternatives used up: the original comes back.
  Loaded("1. e4 e5 (1... c5) (1... e6) 2. Nf3 *");
  const std::string original = Moves();
  Click("c3");
  const std::string once = Moves();
  EXPECT_NE(once, original);
  EXPECT_NE(once.find("e5 (1... c5) (1... e6) 2. Nf3 *"), std::string::npos) << once;
  Click("c3", Qt::RightButton);
  EXPECT_NE(Moves(), once);
  EXPECT_NE(Moves().find("e5 (1... c5) (1... e6) 2. Nf3 *"), std::string::npos);
  EXPECT_TRUE(InSync());
  Click("c3", Qt::RightButton);
  EXPECT_EQ(Moves(), original);
  EXPECT_TRUE(InSync());
  EXPECT_EQ(choiceDialogs, 2);

  // The replaced move that stood first stays first; inserting before the
  // first continuation puts the new move first.
  Loaded("1. e4 (1. d4 d5) 1... e5 *");
  Drag("c2", "c4");
  EXPECT_EQ(Moves(), "1. c4 (1. d4 d5) 1... e5 *");
  a.reset();
  a = Choose("InsertBeforeMoveRB");
  Loaded("1. e4 (1. d4) (1. c4) *");
  Drag("g1", "f3");
  EXPECT_EQ(f.Game.Root()->Child(1)->move.ToText(mtCoordinate), "g1f3");
  EXPECT_EQ(f.Game.Root()->Child(2)->move.ToText(mtCoordinate), "d2d4");
  // e4 cannot be Black's reply: it went, asked first.
  EXPECT_EQ(f.Game.Root()->Child(1)->ChildCount(), 0);
  EXPECT_EQ(lastMessage, "Delete line?");
  EXPECT_TRUE(InSync());
}

TEST_F(MainMoveEntryTest, AReplacementThatDropsMovesAsksFirst) {
  TMainForm &f = Loaded("1. e4 e5 2. Bc4 (2. Nf3) *");
  ChessApp.AskInsertTypeOnNewMove = true;
  {
    auto a = Choose("ReplaceMoveRB", "No");
    Drag("d2", "d4");
    EXPECT_EQ(dialogs, 1);
    EXPECT_EQ(lastMessage, "Delete line?");
    EXPECT_EQ(Moves(), "1. e4 e5 2. Bc4 (2. Nf3) *");
    EXPECT_EQ(f.Board->MoveList().Count(), 0);
    EXPECT_TRUE(InSync());
  }
  {
    auto a = Choose("ReplaceMoveRB", "Yes");
    Drag("d2", "d4");
    EXPECT_EQ(dialogs, 2);
    EXPECT_EQ(Moves(), "1. d4 e5 2. Nf3 *");
    EXPECT_TRUE(InSync());
  }
}

TEST_F(MainMoveEntryTest, InsertsAndDeleteMoveThatDropMovesAskFirst) {
  const char *game = "1. e4 (1. d4 d5) 1... e5 2. Nf3 *";
  TMainForm &f = Loaded(game);
  ChessApp.AskInsertTypeOnNewMove = true;
  const std::string original = Moves();
  for (const char *radio : {"InsertBeforeMoveRB", "InsertBeforeAllRB"}) {
    auto a = Choose(radio, "No");
    Loaded(game);
    const int asked = dialogs;
    Drag("g1", "f3");
    EXPECT_EQ(dialogs, asked + 1) << radio;
    EXPECT_EQ(lastMessage, "Delete line?");
    EXPECT_EQ(Moves(), original) << radio;
    EXPECT_EQ(f.Board->MoveList().Count(), 0);
    EXPECT_TRUE(InSync());
    EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  }
  {
    auto a = Choose("InsertBeforeAllRB", "Yes");
    Loaded(game);
    Drag("g1", "f3");
    EXPECT_EQ(Moves(), "1. Nf3 *");
    EXPECT_TRUE(InSync());
    // Destination first: the alternative is asked about again, and the
    // board's take-back puts the lines back as they were.
    Loaded(game);
    Click("f3");
    const std::string once = Moves();
    EXPECT_EQ(f.Game.Root()->ChildCount(), 1);
    const int asked = dialogs;
    Click("f3", Qt::RightButton);
    EXPECT_EQ(dialogs, asked + 1);
    EXPECT_NE(Moves(), once);
    EXPECT_EQ(f.Game.Root()->ChildCount(), 1);
    EXPECT_TRUE(InSync());
    Click("f3", Qt::RightButton);
    EXPECT_EQ(Moves(), original);
    EXPECT_TRUE(InSync());
  }
  // Delete Move keeping the continuations: No deletes nothing, Yes also
  // removes the replies that cannot stand in the move's place.
  ChessApp.AskDeleteTypeOnDelete = true;
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  {
    auto a = Choose("DeleteMoveRB", "No");
    Loaded(game);
    f.AlternativesLB->setCurrentRow(0);
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(lastMessage, "Delete line?");
    EXPECT_EQ(Moves(), original);
  }
  {
    auto a = Choose("DeleteMoveRB", "Yes");
    Loaded(game);
    f.AlternativesLB->setCurrentRow(0);
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(Moves(), "1. d4 d5 *");
    // A move without replies goes without a question.
    Loaded("1. e4 (1. d4) 1... e5 *");
    const int asked = dialogs;
    f.AlternativesLB->setCurrentRow(1);
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(dialogs, asked);
    EXPECT_EQ(Moves(), "1. e4 e5 *");
  }
}

// A click on a square several men reach makes a move; the next click
// there takes the next man instead (state 2). When that replacement drops
// replies, the window asks first, and No leaves the game as it was.
TEST_F(MainMoveEntryTest, AnAlternativeThatDropsMovesAsksFirst) {
  TMainForm &f = Loaded("1. e4 e5 2. Bc4 Nc6 3. Qh5 *");
  ASSERT_TRUE(f.Game.GoForward(1));
  ASSERT_TRUE(f.Game.GoForward(1));
  f.Board->SetPosition(&f.Game.StartPosition(), &f.Game.PathMoves());
  f.ShowGame();
  ChessApp.AskInsertTypeOnNewMove = true;
  {
    auto a = Choose("ReplaceMoveRB", "Yes");
    Click("e2");  // bishop, queen or knight to e2 in Bc4's place: 3. Qh5 goes
    ASSERT_EQ(f.Board->GetInputState(), 1);
    EXPECT_EQ(dialogs, 1);
  }
  const std::string replaced = Moves();
  {
    auto a = Choose("ReplaceMoveRB", "No");
    Click("e2", Qt::RightButton);
    EXPECT_EQ(dialogs, 2) << "the next man's move drops 3. Qh5 too: asked";
    EXPECT_EQ(lastMessage, "Delete line?");
  }
  EXPECT_EQ(Moves(), "1. e4 e5 2. Bc4 Nc6 3. Qh5 *") << "No: as if the alternatives were used up";
  EXPECT_NE(Moves(), replaced);
  EXPECT_TRUE(InSync());
}

TEST_F(MainMoveEntryTest, TheOtherChoicesCancelAndCtrl) {
  TMainForm &f = Loaded("1. e4 (1. d4) 1... e5 *");
  ChessApp.AskInsertTypeOnNewMove = true;
  {
    auto a = Choose("InsertBeforeAllRB");
    Drag("g1", "f3");
    EXPECT_EQ(f.Game.Root()->ChildCount(), 1);
    EXPECT_EQ(f.Game.Root()->Child(1)->ChildCount(), 0);
    EXPECT_EQ(dialogs, 1);
    EXPECT_TRUE(InSync());
  }
  {
    auto a = Choose("ReplaceVariationRB");
    Loaded("1. e4 (1. d4) 1... e5 2. Nf3 *");
    Drag("c2", "c4");
    EXPECT_EQ(Moves(), "1. c4 (1. d4) *");
  }
  {
    auto a = Choose("AddAlternativeRB");
    Loaded("1. e4 e5 *");
    Drag("c2", "c4");
    EXPECT_EQ(Moves(), "1. e4 (1. c4) 1... e5 *");
  }
  {
    auto a = Choose(nullptr);
    Loaded("1. e4 e5 *");
    Drag("c2", "c4");
    EXPECT_EQ(Moves(), "1. e4 e5 *");
    EXPECT_EQ(f.Board->MoveList().Count(), 0);
    EXPECT_TRUE(InSync());
    EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  }
  // An equal continuation is followed without a question.
  {
    auto a = Choose(nullptr);
    const int asked = choiceDialogs;
    Loaded("1. e4 (1. d4) 1... e5 *");
    Drag("d2", "d4");
    EXPECT_EQ(choiceDialogs, asked);
    EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root()->Child(2));
    // Ctrl held asks even with the option off, and even without a
    // continuation.
    ChessApp.AskInsertTypeOnNewMove = false;
    Drag("g8", "f6", Qt::ControlModifier);
    EXPECT_EQ(choiceDialogs, asked + 1);
    EXPECT_EQ(Moves(), "1. e4 (1. d4) 1... e5 *");
  }
}

TEST_F(MainMoveEntryTest, NoSelectionCountsAsTheFirstAndEngineMovesNeverAsk) {
  // Engine moves go into the game only in play, so an engine plays.
  FormWithFakeEngine("eof");
  TMainForm &f = Loaded("1. e4 (1. d4) 1... e5 *");
  ChessApp.AskInsertTypeOnNewMove = true;
  {
    auto a = Choose("ReplaceMoveRB");
    f.AlternativesLB->clearSelection();
    ASSERT_EQ(f.ChosenAlternative(), 0);
    Drag("c2", "c4");
    EXPECT_EQ(Moves(), "1. c4 (1. d4) 1... e5 *");
    EXPECT_EQ(dialogs, 0);
  }
  auto a = Choose(nullptr);
  Loaded("1. e4 e5 *");
  f.EngineMan.SetPlaying(true);
  f.EngineMove(nullptr, MoveAt(f.Board->Position(), "d4"));
  EXPECT_EQ(choiceDialogs, 1);
  EXPECT_EQ(Moves(), "1. e4 (1. d4) 1... e5 *");
  EXPECT_TRUE(InSync());
  f.Game.GoBack();
  f.Board->SetPosition(&f.Game.StartPosition(), nullptr);
  f.EngineMove(nullptr, MoveAt(f.Board->Position(), "e4"));
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root()->Child(1));
  EXPECT_EQ(choiceDialogs, 1);
  EXPECT_TRUE(InSync());
}

// ---- Typed moves

TEST_F(MainMoveEntryTest, TypedMoves) {
  TMainForm &f = Loaded("*");
  auto a = Choose(nullptr, "OK");
  Type("e");
  EXPECT_EQ(Last(), "e");
  Type("4");
  EXPECT_EQ(Moves(), "1. e4 *");
  EXPECT_EQ(Last(), "1. e4");
  EXPECT_TRUE(InSync());
  // A character that makes no move: a beep, the last move again.
  Type("z");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(Last(), "1. e4");
  EXPECT_TRUE(f.Board->TypedMoveText().empty());
  // Escape clears a half-typed move.
  Type("N");
  EXPECT_EQ(Last(), "N");
  f.KeyMoveEntry(27);
  EXPECT_EQ(Last(), "1. e4");
  EXPECT_TRUE(f.Board->TypedMoveText().empty());
  Type("Nf6");
  EXPECT_EQ(Moves(), "1. e4 Nf6 *");
  // Dutch letters with the interface language Dutch.
  ChessApp.InterfaceLanguage = LangDutch;
  f.LoadSettings();
  Type("Pc3");
  EXPECT_EQ(Moves(), "1. e4 Nf6 2. Nc3 *");
}

TEST_F(MainMoveEntryTest, BlacksMoveAt255IsRefusedWithTheReason) {
  TMainForm &f = Form();
  // No dialog may run for real.
  auto a = Choose(nullptr, "OK");
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/4P3/4K3 b - - 0 255"));
  f.Game.SetStartPosition(&pos);
  f.Board->SetPosition(&f.Game.StartPosition(), nullptr);
  f.ShowGame();
  Type("Kd7");
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(f.Game.ChildCount(), 0);
  EXPECT_TRUE(InSync());
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(lastMessage, CommonText::S_LastMoveNumber);
  const std::string fen = f.Board->GetFEN();
  // A drag, a click on the piece then its square, a click on the square alone.
  Drag("e8", "d7");
  Click("e8");
  Click("d8");
  Click("f7");
  EXPECT_EQ(dialogs, 4);
  EXPECT_EQ(lastMessage, CommonText::S_LastMoveNumber);
  EXPECT_EQ(f.Game.ChildCount(), 0);
  EXPECT_EQ(f.Board->GetFEN(), fen);
  EXPECT_TRUE(InSync());
  // A move no position allows stays silent; so does a square no move reaches.
  Drag("e8", "e5");
  Click("a1");
  EXPECT_EQ(dialogs, 4);
  // White's 255th move is still taken.
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/4P3/4K3 w - - 0 255"));
  f.Game.SetStartPosition(&pos);
  f.Board->SetPosition(&f.Game.StartPosition(), nullptr);
  f.ShowGame();
  Drag("e2", "e4");
  EXPECT_EQ(f.Game.ChildCount(), 0);
  EXPECT_EQ(Moves(), "255. e4 *");
  EXPECT_EQ(dialogs, 4);
}

TEST_F(MainMoveEntryTest, TypedCharactersThroughTheWindow) {
  TMainForm &f = Loaded("1. e4 (1. d4) *");
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.AlternativesLB->setFocus();
  const int row = f.AlternativesLB->currentRow();
  // The list's own search by letter never sees them.
  QTest::keyClicks(f.AlternativesLB, "d");
  EXPECT_EQ(f.AlternativesLB->currentRow(), row);
  EXPECT_EQ(Last(), "d");
  QTest::keyClicks(f.AlternativesLB, "4");
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root()->Child(2));
  // Ctrl and Alt do not count; Tab moves the focus.
  QTest::keyClick(f.AlternativesLB, Qt::Key_G, Qt::ControlModifier);
  QTest::keyClick(f.AlternativesLB, Qt::Key_G, Qt::AltModifier);
  EXPECT_TRUE(f.Board->TypedMoveText().empty());
  f.AlternativesLB->setFocus();
  QTest::keyClick(f.AlternativesLB, Qt::Key_Tab);
  EXPECT_NE(QApplication::focusWidget(), f.AlternativesLB);
  EXPECT_TRUE(f.Board->TypedMoveText().empty());
  // A menu open: its letter picks the item and enters nothing.
  QMenuBar *bar = f.menuBar();
  bar->setActiveAction(f.Item("MBoard"));
  QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
  QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_E);
  EXPECT_TRUE(f.Board->TypedMoveText().empty());
  EXPECT_EQ(Last(), "1. d4");
  if (QWidget *p = QApplication::activePopupWidget()) p->close();
  // The menu bar in keyboard mode: its letter opens the menu.
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  QTest::keyClick(&f, Qt::Key_Alt);
  if (QApplication::focusWidget() == bar) {
    QTest::keyClick(bar, Qt::Key_B);
    EXPECT_TRUE(QApplication::activePopupWidget() != nullptr);
    EXPECT_TRUE(f.Board->TypedMoveText().empty());
    EXPECT_EQ(Last(), "1. d4");
  }
}

// ---- The alternatives list

// A menu closed with one Escape while the menu bar holds the keyboard: the
// bar lets go, so the letters typed next enter a move instead of opening
// the menu they name.
TEST_F(MainMoveEntryTest, TypedMovesAfterAMenuClosedWithEscape) {
  TMainForm &f = Loaded("1. e4 (1. d4) *");
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  QMenuBar *bar = f.menuBar();
  // The menu bar holds the keyboard as its keyboard mode does (offscreen
  // gives it no such mode) when the menu closes.
  bar->setFocus(Qt::MenuBarFocusReason);
  ASSERT_TRUE(bar->hasFocus());
  emit f.Menu("MGame")->aboutToHide();
  QCoreApplication::processEvents();
  EXPECT_FALSE(bar->hasFocus()) << "out of keyboard mode, as a second Escape leaves it";
  // While another menu is open the mode stays: the arrows moved on.
  bar->setActiveAction(f.Item("MBoard"));
  QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
  QWidget *open = QApplication::activePopupWidget();
  emit f.Menu("MGame")->aboutToHide();
  QCoreApplication::processEvents();
  EXPECT_EQ(QApplication::activePopupWidget(), open);
  open->close();
}

TEST_F(MainMoveEntryTest, AlternativesList) {
  TMainForm &f = Loaded("1. e4 (1. d4 d5) (1. c4) 1... e5 *");
  f.AlternativesLB->setCurrentRow(1);
  f.AlternativesLBClick();
  EXPECT_EQ(f.Game.SelectedChild(), 2);
  EXPECT_EQ(f.Game.MainLine().Count(), 2);  // d4 d5
  // The keyboard moves the selection as a click does.
  QTest::keyClick(f.AlternativesLB, Qt::Key_Down);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Game.SelectedChild(), 3);
  f.AlternativesLB->setCurrentRow(1);
  f.AlternativesLBDblClick();
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root()->Child(2));
  EXPECT_TRUE(InSync());
  // A right-button press steps back.
  f.AlternativesLBMouseDown(Qt::RightButton);
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root());
  EXPECT_TRUE(InSync());

  // Delete: the confirmation deletes the whole line.
  QKeyEvent del(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier);
  f.AlternativesLB->setCurrentRow(1);
  {
    auto a = Choose(nullptr, "No");
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(lastMessage, "Delete line?");
    EXPECT_EQ(f.Game.ChildCount(), 3);
  }
  {
    auto a = Choose(nullptr, "Yes");
    f.AlternativesLB->setCurrentRow(1);
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(Moves(), "1. e4 (1. c4) 1... e5 *");
    EXPECT_FALSE(f.Game.MainLineNodes().Count() > 0 && f.Game.MainLine().Count() == 0);
  }
  // With the option the dialog asks, one move preset.
  ChessApp.AskDeleteTypeOnDelete = true;
  Loaded("1. e4 (1. d4 d5) 1... e5 *");
  {
    auto a = Choose("DeleteMoveRB");
    f.AlternativesLB->setCurrentRow(1);
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(presetChecked, "DeleteMoveRB");
    EXPECT_EQ(f.Game.ChildCount(), 1);  // d5 cannot hang in d4's place: asked, then gone
    EXPECT_EQ(lastMessage, "Delete line?");
  }
  // In view-only mode too.
  Loaded("1. e4 (1. d4 d5) 1... e5 *");
  f.ToggleViewOnly(true);
  {
    auto a = Choose("DeleteVariationRB");
    f.AlternativesLB->setCurrentRow(1);
    f.AlternativesLBKeyDown(del);
    EXPECT_EQ(Moves(), "1. e4 e5 *");
  }
}

// A click on another row and then a double click on it, as a user does:
// the click's refill must not swallow the double click.
TEST_F(MainMoveEntryTest, ADoubleClickOnAnAlternativePlaysItTheFirstTime) {
  TMainForm &f = Loaded("1. e4 (1. d4 d5) (1. c4) 1... e5 *");
  f.show();
  QWidget *view = f.AlternativesLB->viewport();
  const QPoint at = f.AlternativesLB->visualItemRect(f.AlternativesLB->item(2)).center();
  QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, at);
  QCoreApplication::processEvents();  // the queued click
  EXPECT_EQ(f.Game.SelectedChild(), 3);
  QTest::mouseDClick(view, Qt::LeftButton, Qt::NoModifier, at);
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Game.CurrentNode(), f.Game.Root()->Child(3));
  EXPECT_TRUE(InSync());
}

// In try-out mode the list holds the try-out line: a click on a row that
// is not the game's selected continuation leaves the game's choice alone.
TEST_F(MainMoveEntryTest, ATryOutClickLeavesTheGamesSelection) {
  TMainForm &f = Loaded("1. e4 (1. d4) *");
  f.Game.SetSelectedChild(2);
  f.ToggleViewOnly(true);
  Drag("c2", "c4");
  ASSERT_EQ(f.DisplayMode, dmTryOut);
  Click("a8", Qt::RightButton);  // c4 back; the try-out line stays
  ASSERT_EQ(f.AlternativesLB->count(), 1);
  f.AlternativesLB->setCurrentRow(0);
  QCoreApplication::processEvents();
  f.AlternativesLBClick();
  EXPECT_EQ(f.Game.SelectedChild(), 2);
  f.ToggleViewOnly(false);
}

// ---- A new game and the engine commands

TEST_F(MainMoveEntryTest, NewGame) {
  TMainForm &f = Loaded("1. e4 e5 *");
  Drag("g1", "f3");
  ASSERT_NE(f.Game.ModifiedFlags(), 0);
  {
    auto a = Answer("Cancel");
    f.MNewGameClick();
    EXPECT_EQ(Moves(), "1. e4 (1. Nf3) 1... e5 *");
  }
  f.MTryOutClick();
  f.ToggleViewOnly(false);
  {
    auto a = Answer("OK");
    f.MNewGameClick();
  }
  EXPECT_EQ(Moves(), "*");
  EXPECT_EQ(f.DisplayMode, dmEdit);
  EXPECT_FALSE(f.Item("MViewOnly")->isChecked());
  EXPECT_FALSE(f.SBTryOut->isVisibleTo(&f));
  EXPECT_EQ(f.Board->MoveList().Count(), 0);
  EXPECT_TRUE(InSync());
  EXPECT_EQ(f.CurrentGameNumber, 0);
}

TEST_F(MainMoveEntryTest, EngineCommandsWithoutAnEngine) {
  TMainForm &f = Form();
  auto a = Answer("OK");
  f.MResignClick();
  f.MOfferDrawClick();
  EXPECT_EQ(dialogs, 0);
  f.MContinuousAnalysisClick();
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(lastMessage, "not yet implemented");
}

// ---- Pictures

TEST_F(MainMoveEntryTest, DialogsAndTryOutAsTheUserSeesThem) {
  TMainForm &f = Loaded("1. e4 e5 (1... c5) 2. Nf3 *");
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    ChessApp.ApplicationLanguage = lang;
    f.ApplyLanguage();
    const std::string suffix = lang == LangDutch ? "-nl" : "-en";
    for (TRadioChoiceDlg *d : {static_cast<TRadioChoiceDlg *>(InsertMoveDlg), static_cast<TRadioChoiceDlg *>(DeleteMoveDlg)}) {
      modal::ScopedAnswerer shot([&](QDialog &dlg) {
        dlg.show();
        QCoreApplication::processEvents();
        // Every caption fits: no radio button is narrower than its text.
        for (auto *r : dlg.findChildren<QRadioButton *>()) EXPECT_GE(r->width(), r->sizeHint().width()) << FromQ(r->text());
        EXPECT_FALSE(dlg.findChild<QPushButton *>("HelpBtn")->isVisibleTo(&dlg));
        uitest::Snapshot(&dlg, (dlg.objectName().toStdString() + suffix).c_str());
        return modal::ClickButton(dlg, "CancelBtn");
      });
      d->Execute();
    }
  }
  // Each keeps its placement in its own section.
  EXPECT_NE(ReadSettings().find("[DlgInsertMove]"), std::string::npos);
  EXPECT_NE(ReadSettings().find("[DlgDeleteMove]"), std::string::npos);
  EXPECT_EQ(InsertMoveDlg->windowTitle(), "Zet invoegen");
  EXPECT_EQ(InsertMoveDlg->InsertBeforeAllRB->text(), "Invoegen voor alle zetten");
  EXPECT_EQ(DeleteMoveDlg->DeleteMoveRB->text(), ToQ("E\xe9n zet verwijderen"));
  ChessApp.ApplicationLanguage = LangEnglish;
  f.ApplyLanguage();
  // A double click on a choice is OK with that choice.
  {
    modal::ScopedAnswerer dbl([](QDialog &dlg) {
      dlg.show();
      QTest::mouseDClick(dlg.findChild<QRadioButton *>("AddAlternativeRB"), Qt::LeftButton);
      return dlg.result();
    });
    InsertMoveDlg->Choice = imReplaceMove;
    EXPECT_EQ(InsertMoveDlg->Execute(), QDialog::Accepted);
    EXPECT_EQ(InsertMoveDlg->Choice, imAddAlternative);
  }
  f.show();
  f.MTryOutClick();
  Drag("g1", "f3");
  QCoreApplication::processEvents();
  EXPECT_EQ(f.SBTryOut->text(), "End Try Out");
  EXPECT_TRUE(f.SBTryOut->isVisible());
  uitest::Snapshot(&f, "tryout");
}

}  // namespace
