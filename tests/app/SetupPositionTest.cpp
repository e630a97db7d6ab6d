#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "AppTestUtil.h"
#include "app/DlgEditPosEx.h"
#include "board/ui/ChsBrds.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"

namespace {

using Dlg = TEditPositionExDlg;

class SetupPositionTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  ~SetupPositionTest() override {
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
  }

  // Opens the dialog from the main window and runs the script in it; the
  // script answers the dialog. A message dialog after it (the question
  // about a modified game) is answered with messageButton.
  void Setup(const std::function<int(Dlg &)> &script, const QString &messageButton = "OK") {
    modal::ScopedAnswerer a([&](QDialog &d) {
      if (auto *s = qobject_cast<Dlg *>(&d)) {
        ++setupShown;
        return script(*s);
      }
      ++dialogs;
      return modal::ClickButton(d, messageButton);
    });
    Form().MSetupPositionClick();
  }

  static QPoint Centre(TChessBoard &b, const char *sq) {
    return b.SquareToPixel(sq[0] - 'a' + 1, sq[1] - '0') + QPoint(b.SquareWidth() / 2, b.SquareHeight() / 2);
  }
  static void Click(Dlg &d, const char *sq, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mouseClick(d.Board, button, Qt::NoModifier, Centre(*d.Board, sq));
  }
  static void Send(TChessBoard &b, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(at), QPointF(b.mapToGlobal(at)), button, held, Qt::NoModifier);
    QCoreApplication::sendEvent(&b, &e);
  }
  static void Drag(Dlg &d, const char *from, const char *to) {
    TChessBoard &b = *d.Board;
    Send(b, QEvent::MouseButtonPress, Centre(b, from), Qt::LeftButton, Qt::LeftButton);
    Send(b, QEvent::MouseMove, Centre(b, from) + QPoint(3, 3), Qt::NoButton, Qt::LeftButton);
    Send(b, QEvent::MouseMove, Centre(b, to), Qt::NoButton, Qt::LeftButton);
    Send(b, QEvent::MouseButtonRelease, Centre(b, to), Qt::LeftButton, Qt::NoButton);
  }
  // The piece code of the one pressed piece button; 0 when all are up,
  // -1 when more than one is down.
  static int PressedPiece(const Dlg &d) {
    int found = 0;
    for (int p = pPawn; p <= pKing; ++p)
      if (d.PieceBtns[p]->isChecked()) found = found ? -1 : p;
    return found;
  }
  // Kings on g1 and e8, a white rook on h1: legal, no castling possible.
  static void KingsAndRook(Dlg &d) {
    d.ClearBoardBtn->click();
    Click(d, "g1");
    Click(d, "e8");
    Click(d, "e8");  // the white king there turns black
    d.RookBtn->click();
    d.WhiteBtn->click();
    Click(d, "h1");
  }

  int setupShown = 0;
};

TEST_F(SetupPositionTest, CastlingBoxesFollowThePieces) {
  Setup([](Dlg &d) {
    // The start position: every right ticked, OK enabled.
    EXPECT_TRUE(d.wks->isChecked());
    EXPECT_TRUE(d.OKBtn->isEnabled());
    // The h1 rook moved away: the box loses its tick and the right goes,
    // so the legal position stays acceptable.
    Drag(d, "h1", "h4");
    EXPECT_EQ(d.Board->PieceAt(8, 4), pRook);
    EXPECT_FALSE(d.wks->isChecked());
    EXPECT_FALSE(d.Board->Castling(cWhite, 1));
    EXPECT_TRUE(d.wqs->isChecked());
    EXPECT_TRUE(d.OKBtn->isEnabled());

    KingsAndRook(d);
    EXPECT_TRUE(d.OKBtn->isEnabled());
    for (QCheckBox *b : {d.wks, d.wqs, d.bks, d.bqs}) EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
    // Ticking king side with the king off e1 is refused at once.
    d.wks->click();
    EXPECT_FALSE(d.wks->isChecked());
    EXPECT_FALSE(d.Board->Castling(cWhite, 1));
    EXPECT_TRUE(d.OKBtn->isEnabled());
    // With king and rook in place the tick stays.
    d.KingBtn->click();
    Click(d, "g1");  // the white king there turns black
    Click(d, "g1");  // and goes
    d.WhiteBtn->click();
    Click(d, "e1");
    d.wks->click();
    EXPECT_TRUE(d.wks->isChecked());
    EXPECT_TRUE(d.Board->Castling(cWhite, 1));
    EXPECT_TRUE(d.OKBtn->isEnabled());
    return modal::ClickButton(d, "CancelBtn");
  });
  EXPECT_EQ(setupShown, 1);
}

TEST_F(SetupPositionTest, ClearAndInitialToggleAndOkNeedsBothKings) {
  Setup([](Dlg &d) {
    EXPECT_FALSE(d.ClearBoardBtn->isHidden());
    EXPECT_TRUE(d.InitialPositionBtn->isHidden());
    d.ClearBoardBtn->click();
    EXPECT_TRUE(d.Board->IsEmpty());
    EXPECT_TRUE(d.ClearBoardBtn->isHidden());
    EXPECT_FALSE(d.InitialPositionBtn->isHidden());
    EXPECT_FALSE(d.OKBtn->isEnabled());
    for (QCheckBox *b : {d.wks, d.wqs, d.bks, d.bqs}) EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
    d.InitialPositionBtn->click();
    for (QCheckBox *b : {d.wks, d.wqs, d.bks, d.bqs}) EXPECT_TRUE(b->isChecked()) << b->objectName().toStdString();
    EXPECT_EQ(d.Board->PieceAt(5, 8), pKing);
    EXPECT_FALSE(d.ClearBoardBtn->isHidden());
    EXPECT_TRUE(d.InitialPositionBtn->isHidden());
    EXPECT_TRUE(d.OKBtn->isEnabled());
    // The black king taken off: no valid position.
    d.PieceBtns[pKing]->click();  // up: the tool removes
    Click(d, "e8");
    EXPECT_EQ(d.Board->PieceAt(5, 8), pNone);
    EXPECT_FALSE(d.OKBtn->isEnabled());
    return modal::ClickButton(d, "CancelBtn");
  });
}

TEST_F(SetupPositionTest, ToolButtonsFollowTheBoard) {
  Setup([](Dlg &d) {
    // The king is the tool at the start, in white.
    EXPECT_EQ(PressedPiece(d), pKing);
    EXPECT_TRUE(d.WhiteBtn->isChecked());
    EXPECT_FALSE(d.BlackBtn->isChecked());
    // Right clicks step the tool down and round through "none".
    const int expected[] = {pQueen, pRook, pBishop, pKnight, pPawn, 0, pKing};
    for (int want : expected) {
      Click(d, "d4", Qt::RightButton);
      EXPECT_EQ(d.Board->GetSetupPiece(), want);
      EXPECT_EQ(PressedPiece(d), want);
    }
    // The pressed button goes up: the tool removes pieces.
    d.KingBtn->click();
    EXPECT_EQ(PressedPiece(d), 0);
    EXPECT_EQ(d.Board->GetSetupPiece(), 0);
    Click(d, "b1");
    EXPECT_EQ(d.Board->PieceAt(2, 1), pNone);
    // Another button goes down alone.
    d.KnightBtn->click();
    EXPECT_EQ(PressedPiece(d), pKnight);
    // One square cycles white piece, black piece, empty; the colour buttons
    // follow the tool colour.
    Click(d, "d4");
    EXPECT_EQ(d.Board->PieceAt(4, 4), pKnight);
    EXPECT_EQ(d.Board->ColourAt(4, 4), cWhite);
    EXPECT_TRUE(d.WhiteBtn->isChecked());
    Click(d, "d4");
    EXPECT_EQ(d.Board->ColourAt(4, 4), cBlack);
    EXPECT_TRUE(d.BlackBtn->isChecked());
    EXPECT_FALSE(d.WhiteBtn->isChecked());
    Click(d, "d4");
    EXPECT_EQ(d.Board->PieceAt(4, 4), pNone);
    Click(d, "d4");
    EXPECT_EQ(d.Board->ColourAt(4, 4), cWhite);
    EXPECT_TRUE(d.WhiteBtn->isChecked());
    return modal::ClickButton(d, "CancelBtn");
  });
}

TEST_F(SetupPositionTest, EnPassantFileOfTheText) {
  struct Case {
    const char *text;
    int file;
  };
  for (const Case c : {Case{"e", 5}, Case{" E ", 5}, Case{"x", 0}, Case{"", 0}, Case{"h3", 8}}) {
    EXPECT_EQ(Dlg::EnPassantFileOf(c.text), c.file) << c.text;
    // In the start position, as OK takes it.
    Setup([&](Dlg &d) {
      d.EPFile->setText(c.text);
      return modal::ClickButton(d, "OKBtn");
    });
    EXPECT_EQ(Form().Game.StartPosition().EnPassantFile(), c.file) << c.text;
    EXPECT_EQ(Form().Board->EnPassantFile(), c.file) << c.text;
  }
}

TEST_F(SetupPositionTest, MoveNumberOneTo255OrTheDialogStaysOpen) {
  for (const char *bad : {"0", "300", "abc", "-3", "12x"}) {
    EXPECT_EQ(Dlg::MoveNumberOf(bad), -1) << bad;
    const int before = beeps;
    Setup([&](Dlg &d) {
      d.KingBtn->click();  // up: the tool removes
      Click(d, "a2");
      const std::string fen = d.Board->GetFEN();
      d.MoveNr->setText(bad);
      EXPECT_TRUE(d.OKBtn->isEnabled());
      EXPECT_NE(modal::ClickButton(d, "OKBtn"), QDialog::Accepted) << bad;
      EXPECT_TRUE(d.Board->InSetup());
      EXPECT_EQ(d.MoveNr->selectedText(), QString(bad));
      EXPECT_EQ(d.Board->GetFEN(), fen);
      return modal::ClickButton(d, "CancelBtn");
    });
    EXPECT_EQ(beeps, before + 1) << bad;
  }
  EXPECT_EQ(Dlg::MoveNumberOf(" 12 "), 12);
  EXPECT_EQ(Dlg::MoveNumberOf(""), 0);
  Setup([](Dlg &d) {
    d.MoveNr->setText("12");
    return modal::ClickButton(d, "OKBtn");
  });
  EXPECT_EQ(Form().Game.StartPosition().MoveNumber(), 12);
  // Empty keeps the position's number.
  Setup([](Dlg &d) {
    EXPECT_EQ(d.MoveNr->text(), "12");
    d.MoveNr->clear();
    return modal::ClickButton(d, "OKBtn");
  });
  EXPECT_EQ(Form().Game.StartPosition().MoveNumber(), 12);
}

TEST_F(SetupPositionTest, OkStartsANewGameFromThePosition) {
  TMainForm &f = Form();
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString("1. e4 e5 2. Nf3 *", LangEnglish, r));
  f.ShowLoadedGame(3, false);  // after 1. e4 e5
  f.CurrentGameNumber = 7;
  f.Item("MViewOnly")->setChecked(true);
  f.DisplayMode = dmViewOnly;
  Setup([](Dlg &d) {
    d.BlackToMoveRB->click();
    d.bqs->click();  // untick
    d.EPFile->setText("d");
    d.MoveNr->setText("30");
    return modal::ClickButton(d, "OKBtn");
  });
  EXPECT_EQ(dialogs, 0);  // the game read was not modified
  EXPECT_EQ(f.CurrentGameNumber, 0);
  EXPECT_EQ(f.DisplayMode, dmEdit);
  EXPECT_FALSE(f.Item("MViewOnly")->isChecked());
  EXPECT_EQ(f.Game.ChildCount(), 0);
  EXPECT_FALSE(f.Game.CanGoBack());
  const PositionO &start = f.Game.StartPosition();
  EXPECT_EQ(start.SideToMove(), cBlack);
  EXPECT_TRUE(start.Castling(cWhite, 1));
  EXPECT_TRUE(start.Castling(cWhite, 0));
  EXPECT_TRUE(start.Castling(cBlack, 1));
  EXPECT_FALSE(start.Castling(cBlack, 0));
  EXPECT_EQ(start.EnPassantFile(), 4);
  EXPECT_EQ(start.MoveNumber(), 30);
  EXPECT_EQ(start.PieceAt(5, 2), pNone);  // the game's current position, not its start
  EXPECT_EQ(start.PieceAt(5, 4), pPawn);
  EXPECT_EQ(f.Board->GetFEN(), start.GetFEN());
  EXPECT_FALSE(f.Board->CanTakeBack());
  f.Game.UpdateStandardTags();
  PositionO back;
  ASSERT_TRUE(back.SetFEN(f.Game.GetTag("FEN")));
  EXPECT_TRUE(back.SameAs(start));
}

TEST_F(SetupPositionTest, CancelLeavesTheGameAndTheBoard) {
  TMainForm &f = Form();
  ParseResultT r;
  ASSERT_TRUE(f.Game.ReadFromString("1. e4 e5 2. Nf3 *", LangEnglish, r));
  f.ShowLoadedGame(2, false);
  f.Game.SetModified(mfEdited);
  f.CurrentGameNumber = 7;
  const std::string fen = f.Board->GetFEN();
  // Cancel in the dialog: the dialog's own board comes back too.
  Setup([](Dlg &d) {
    d.ClearBoardBtn->click();
    return modal::ClickButton(d, "CancelBtn");
  });
  EXPECT_EQ(dialogs, 0);
  EXPECT_FALSE(EditPositionExDlg->Board->InSetup());
  EXPECT_FALSE(EditPositionExDlg->Board->IsEmpty());
  // OK, then Cancel at the question about the modified game.
  Setup(
      [](Dlg &d) {
        d.ClearBoardBtn->click();
        d.InitialPositionBtn->click();
        return modal::ClickButton(d, "OKBtn");
      },
      "Cancel");
  EXPECT_EQ(dialogs, 1);
  EXPECT_EQ(f.CurrentGameNumber, 7);
  EXPECT_EQ(f.Game.ModifiedFlags(), mfEdited);
  EXPECT_EQ(f.Game.PathMoves().Count(), 1);
  EXPECT_EQ(f.Board->GetFEN(), fen);
}

// The dialog as the user sees it, in English and Dutch.
TEST_F(SetupPositionTest, Pictures) {
  Form();
  Dlg &d = *EditPositionExDlg;
  d.Position.Reset();
  d.PieceType = 2;
  struct Shot {
    const char *name;
    LanguageId lang;
    bool coordinates;
    bool empty;
  };
  for (const Shot s : {Shot{"setup_en_start", LangEnglish, false, false}, Shot{"setup_nl_empty", LangDutch, false, true},
                       Shot{"setup_en_coords", LangEnglish, true, false}, Shot{"setup_nl_coords", LangDutch, true, false}}) {
    CommonText::SetUILanguage(s.lang);
    GenText::SetDialogLanguage(s.lang);
    d.Coordinates = s.coordinates;
    modal::ScopedAnswerer a([&](QDialog &) {
      if (s.empty) d.ClearBoardBtn->click();
      d.show();
      QCoreApplication::processEvents();
      // Nothing clipped: the layout gets at least what it asks for.
      EXPECT_GE(d.width(), d.minimumSizeHint().width()) << s.name;
      EXPECT_GE(d.height(), d.minimumSizeHint().height()) << s.name;
      for (QLabel *l : d.FileLabels) EXPECT_EQ(l->isVisible(), s.coordinates);
      if (s.coordinates) {
        // a..h centred over their squares, White at the bottom.
        const QPoint a1 = d.Board->mapTo(d.BoardPanel, d.Board->SquareToPixel(1, 1));
        EXPECT_EQ(d.FileLabels[0]->text(), "a");
        EXPECT_NEAR(d.FileLabels[0]->geometry().center().x(), a1.x() + d.Board->SquareWidth() / 2, 2);
        EXPECT_LT(d.FileLabels[0]->geometry().bottom(), d.Board->y());
        EXPECT_EQ(d.RankLabels[7]->text(), "1");
        EXPECT_NEAR(d.RankLabels[7]->geometry().center().y(), a1.y() + d.Board->SquareHeight() / 2, 2);
        EXPECT_LT(d.RankLabels[7]->geometry().right(), d.Board->x());
      }
      uitest::Snapshot(&d, s.name);
      d.hide();
      return modal::ClickButton(d, "CancelBtn");
    });
    d.Execute();
  }
}

}  // namespace
