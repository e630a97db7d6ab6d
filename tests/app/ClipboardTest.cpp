#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "AppTestUtil.h"
#include "app/DlgParseError.h"
#include "board/ChsBmps.h"
#include "board/ui/ChsBrds.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"

namespace {

const char *const kGame =
    "[Event \"Club\"]\n[White \"Ann\"]\n[Black \"Bob\"]\n[Result \"1-0\"]\n\n"
    "1. e4 {king's pawn} e5 2. Nf3 (2. f4 exf4 3. Bc4) Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 "
    "8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 1-0\n";

class ClipboardTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  ClipboardTest() { QGuiApplication::clipboard()->clear(); }
  ~ClipboardTest() override {
    QGuiApplication::clipboard()->clear();
    ChessApp.ApplicationLanguage = LangEnglish;
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
  }

  static QClipboard &Clip() { return *QGuiApplication::clipboard(); }
  static std::string ClipText() { return FromQ(Clip().text()); }
  static void SetClip(const std::string &text) {
    Clip().setText(ToQ(text));
    QCoreApplication::processEvents();
  }
  QAction *Item(const char *name) { return Form().Item(name); }
  QToolButton *Button(const char *name) { return Form().findChild<QToolButton *>(name); }
  void Load(const std::string &text) {
    ParseResultT r;
    ASSERT_TRUE(Form().Game.ReadFromString(text, LangEnglish, r)) << r.message;
    Form().ShowLoadedGame(0, false);
  }
  // Answers the parse-error dialog with the script, every message dialog
  // with messageButton.
  std::unique_ptr<modal::ScopedAnswerer> AnswerParse(std::function<int(TParseErrorDlg &)> script,
                                                     const QString &messageButton = "OK") {
    return std::make_unique<modal::ScopedAnswerer>([this, script, messageButton](QDialog &d) {
      if (auto *p = qobject_cast<TParseErrorDlg *>(&d)) {
        ++parseErrors;
        return script(*p);
      }
      ++dialogs;
      return modal::ClickButton(d, messageButton);
    });
  }
  std::vector<std::string> ShortcutsOf(const char *prefix, std::initializer_list<const char *> names) {
    std::vector<std::string> v;
    for (const char *n : names)
      v.push_back(Item((std::string(prefix) + n).c_str())->shortcut().toString().toStdString());
    return v;
  }

  int parseErrors = 0;
};

// ---- The chosen items

TEST_F(ClipboardTest, ChoosingAnItemMovesShortcutAndHint) {
  TMainForm &f = Form();
  EXPECT_EQ(f.GetCopyGameAs(), "PGN");
  EXPECT_EQ(f.GetCopyDiagramAs(), "Bitmap");
  EXPECT_EQ(f.GetPasteGameFrom(), "PGN");
  EXPECT_EQ(ShortcutsOf("MGameAs", {"PGN", "Text", "RTF", "HTML"}), (std::vector<std::string>{"Ctrl+C", "", "", ""}));
  EXPECT_EQ(Button("SBCopyGame")->toolTip(), "Copy Game as PGN");
  EXPECT_EQ(Button("SBCopyPosition")->toolTip(), "Copy Position as Bitmap");
  EXPECT_EQ(Button("SBPasteGame")->toolTip(), "Paste Game from PGN");

  Item("MGameAsRTF")->trigger();
  EXPECT_EQ(f.GetCopyGameAs(), "RTF");
  EXPECT_EQ(ShortcutsOf("MGameAs", {"PGN", "Text", "RTF", "HTML"}), (std::vector<std::string>{"", "", "Ctrl+C", ""}));
  EXPECT_EQ(Button("SBCopyGame")->toolTip(), "Copy Game as RTF");
  EXPECT_EQ(FromQ(Button("SBCopyGame")->statusTip()), CommonText::S_MCopyGameAsStatusHint);
  // The button now copies RTF.
  Clip().clear();
  Button("SBCopyGame")->click();
  EXPECT_TRUE(Clip().mimeData()->hasFormat("text/rtf"));

  Item("MPositionAsEPD")->trigger();
  EXPECT_EQ(ShortcutsOf("MPositionAs", {"Bitmap", "RTF", "HTML", "FEN", "EPD"}),
            (std::vector<std::string>{"", "", "", "", "Ctrl+D"}));
  // A language change rebuilds the hints.
  ChessApp.ApplicationLanguage = LangDutch;
  f.ApplyLanguage();
  EXPECT_EQ(FromQ(Button("SBCopyGame")->toolTip()), "Partij kopi\xebren als RTF");
  EXPECT_EQ(FromQ(Button("SBCopyPosition")->toolTip()), "Stelling kopi\xebren als EPD");
  // By name, an unknown one choosing the default.
  f.SetPasteGameFrom("Text");
  EXPECT_EQ(f.GetPasteGameFrom(), "Text");
  f.SetPasteGameFrom("text");
  EXPECT_EQ(f.GetPasteGameFrom(), "PGN");
  f.SetCopyGameAs("");
  EXPECT_EQ(f.GetCopyGameAs(), "PGN");
}

TEST_F(ClipboardTest, ChosenNamesInTheSettingsFile) {
  WriteSettings("[General]\r\nCopyGameAs=HTML\r\nCopyDiagramAs=Foo\r\nPasteGameFrom=Text\r\n");
  TMainForm &f = Form();
  EXPECT_EQ(f.GetCopyGameAs(), "HTML");
  EXPECT_EQ(f.GetCopyDiagramAs(), "Bitmap");
  EXPECT_EQ(Item("MPositionAsBitmap")->shortcut().toString(), "Ctrl+D");
  EXPECT_EQ(f.GetPasteGameFrom(), "Text");
  Item("MPositionAsFEN")->trigger();
  Item("MGameAsText")->trigger();
  FreeForm();
  {
    IniFile ini(Settings());
    EXPECT_EQ(ini.ReadString("General", "CopyGameAs", ""), "Text");
    EXPECT_EQ(ini.ReadString("General", "CopyDiagramAs", ""), "FEN");
    EXPECT_EQ(ini.ReadString("General", "PasteGameFrom", ""), "Text");
  }
  TMainForm &again = Form();
  EXPECT_EQ(again.GetCopyGameAs(), "Text");
  EXPECT_EQ(again.GetCopyDiagramAs(), "FEN");
  EXPECT_EQ(again.GetPasteGameFrom(), "Text");
}

TEST_F(ClipboardTest, ShortcutsWorkWithTheAlternativesListFocused) {
  TMainForm &f = Form();
  Load(kGame);
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  f.AlternativesLB->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), f.AlternativesLB);
  Clip().clear();
  QTest::keyClick(f.AlternativesLB, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(ClipText().rfind("[Event \"Club\"]", 0), 0u) << ClipText();
  f.SetCopyDiagramAs("FEN");
  QTest::keyClick(f.AlternativesLB, Qt::Key_D, Qt::ControlModifier);
  EXPECT_EQ(ClipText(), f.Board->GetFEN());
  SetClip("1. d4 d5 *");
  f.Game.SetModifiedState(0);
  QTest::keyClick(f.AlternativesLB, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(f.Game.ChildMoveText(1, mtShort, LangEnglish), "d4");
}

// ---- Copies read back

TEST_F(ClipboardTest, GameAsPgnAndText) {
  TMainForm &f = Form();
  Load(kGame);
  f.SBNextClick();
  const int node = f.Game.CurrentNode()->nodeNumber;
  for (const bool hrt : {false, true}) {
    ChessApp.UseHRTInCopy = hrt;
    ChessApp.CopyLineLength = 40;
    Item("MGameAsPGN")->trigger();
    std::string want = ToText(f.Game, PgnOptions(hrt ? 40 : 0), LangEnglish);
    std::string lf;
    for (char c : want)
      if (c != '\r') lf += c;
    EXPECT_EQ(ClipText(), lf);
    EXPECT_EQ(ClipText().find('\r'), std::string::npos);
    int longest = 0, run = 0;
    for (char c : ClipText()) run = c == '\n' ? 0 : run + 1, longest = std::max(longest, run);
    if (hrt)
      EXPECT_LE(longest, 40);
    else
      EXPECT_GT(longest, 100);
  }
  // The game keeps its place.
  EXPECT_EQ(f.Game.CurrentNode()->nodeNumber, node);
  ChessApp.CopyLanguage = LangDutch;
  Item("MGameAsText")->trigger();
  EXPECT_NE(ClipText().find("Pf3"), std::string::npos) << ClipText();
  EXPECT_EQ(ClipText().find('\r'), std::string::npos);
  Item("MGameAsHTML")->trigger();
  EXPECT_NE(ClipText().find("<"), std::string::npos);
  // Offered as HTML too, so a word processor pastes it formatted.
  ASSERT_TRUE(Clip().mimeData()->hasHtml());
  EXPECT_EQ(Clip().mimeData()->html(), Clip().mimeData()->text());
  EXPECT_EQ(ClipText().find('\r'), std::string::npos);
}

TEST_F(ClipboardTest, GameAsRtf) {
  Load(kGame);
  ChessApp.RTFGameFontName = "Torvanel Diagram";
  ChessApp.RTFDiagramFontName = "No Such Font";
  Item("MGameAsRTF")->trigger();
  const QByteArray bytes = Clip().mimeData()->data("text/rtf");
  EXPECT_EQ(Clip().mimeData()->data("text/richtext"), bytes);
  const std::string rtf(bytes.constData(), static_cast<size_t>(bytes.size()));
  const std::string header = RtfHeader("Arial", "Torvanel Diagram", "No Such Font");
  EXPECT_EQ(rtf.rfind(header, 0), 0u) << rtf.substr(0, 200);
  ASSERT_FALSE(rtf.empty());
  EXPECT_EQ(rtf.back(), '}');
  int depth = 0;
  bool neverBelow = true;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') {
      ++i;  // an escaped brace or backslash
      continue;
    }
    if (rtf[i] == '{') ++depth;
    if (rtf[i] == '}' && --depth < 0) neverBelow = false;
  }
  EXPECT_EQ(depth, 0);
  EXPECT_TRUE(neverBelow);
  EXPECT_NE(rtf.find("Nf3"), std::string::npos);
  // The copy of a game refreshes the paste items.
  EXPECT_FALSE(Item("MPasteGameFrom")->isEnabled());
}

TEST_F(ClipboardTest, PositionAsBitmapFenAndEpd) {
  TMainForm &f = Form();
  Load(kGame);
  f.SBLastClick();
  ChessApp.PieceTypeForCopy = static_cast<uint8_t>(FindPieceSet("Linares40"));
  Item("MPositionAsBitmap")->trigger();
  const QImage image = Clip().image();
  ASSERT_EQ(image.size(), QSize(320, 320));
  for (QPoint p : {QPoint(0, 0), QPoint(319, 0), QPoint(0, 319), QPoint(319, 319), QPoint(160, 0)})
    EXPECT_EQ(image.pixelColor(p), QColor(Qt::black)) << p.x() << "," << p.y();
  EXPECT_EQ(f.GetCopyDiagramAs(), "Bitmap");

  Item("MPositionAsFEN")->trigger();
  const std::string fen = ClipText();
  EXPECT_EQ(fen, f.Board->GetFEN());
  const std::string tail = " 0 " + std::to_string(f.Board->MoveNumber());
  ASSERT_GE(fen.size(), tail.size());
  EXPECT_EQ(fen.substr(fen.size() - tail.size()), tail);
  Item("MPositionAsEPD")->trigger();
  const std::string epd = ClipText();
  EXPECT_EQ(epd.rfind(fen.substr(0, fen.size() - tail.size()), 0), 0u) << epd;
  EXPECT_EQ(epd.find(tail), std::string::npos) << epd;
  EXPECT_EQ(f.GetCopyDiagramAs(), "EPD");
  EXPECT_TRUE(Item("MPositionAsRTF")->isEnabled());
  EXPECT_TRUE(Item("MPositionAsHTML")->isEnabled());
}

// ---- Paste

TEST_F(ClipboardTest, PasteAValidGame) {
  TMainForm &f = Form();
  for (const bool first : {true, false}) {
    ChessApp.ShowFirstPositionOnLoad = first;
    f.CurrentGameNumber = 4;
    f.Game.SetModifiedState(0);
    // CR line ends read as well as LF.
    std::string text = kGame;
    for (char &c : text)
      if (c == '\n') c = '\r';
    SetClip(text);
    const int legs = f.Board->Trace().legs;
    Item("MGameFromPGN")->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(f.CurrentGameNumber, 0);
    EXPECT_NE(f.Game.ModifiedFlags(), 0);
    EXPECT_EQ(f.Game.GetTag("White"), "Ann");
    EXPECT_EQ(f.Game.CanGoBack(), !first);
    EXPECT_EQ(f.Game.ChildCount() == 0, !first);
    EXPECT_EQ(f.Board->GetFEN(), f.Game.CurrentPosition().GetFEN());
    // No replay of the last move.
    EXPECT_EQ(f.Board->Trace().legs, legs);
    EXPECT_EQ(f.DisplayMode, dmEdit);
  }
  // View games only, the game move hidden.
  ChessApp.ShowFirstPositionOnLoad = true;
  ChessApp.ShowGameMove = false;
  f.Item("MViewGamesOnly")->setChecked(true);
  f.Game.SetModifiedState(0);
  Item("MGameFromPGN")->trigger();
  EXPECT_EQ(f.DisplayMode, dmViewOnly);
  EXPECT_TRUE(Item("MViewOnly")->isChecked());
  ASSERT_GT(f.AlternativesLB->count(), 0);
  EXPECT_EQ(f.AlternativesLB->item(0)->text(), "...");
  EXPECT_FALSE(Item("MComment")->isEnabled());
  // View from the players: White listed turns the board.
  ChessApp.ViewFromPlayers = true;
  ChessApp.ViewFromPlayersList = {"Ann"};
  f.MFlipClick();
  ASSERT_EQ(f.Board->ColorAtTop(), cWhite);
  f.Game.SetModifiedState(0);
  Item("MGameFromPGN")->trigger();
  EXPECT_EQ(f.Board->ColorAtTop(), cBlack);
  EXPECT_EQ(f.RankLabels[0]->text(), "8");
  ChessApp.ViewFromPlayersList = {"Bob"};
  f.Game.SetModifiedState(0);
  Item("MGameFromPGN")->trigger();
  EXPECT_EQ(f.Board->ColorAtTop(), cWhite);
  ChessApp.ViewFromPlayers = false;
  ChessApp.ShowGameMove = true;
  f.Item("MViewGamesOnly")->setChecked(false);
}

TEST_F(ClipboardTest, PasteRetryAndAbort) {
  TMainForm &f = Form();
  // Retry with the text mended.
  SetClip("1. e4 e5 2. Ke3 *");
  {
    auto a = AnswerParse([](TParseErrorDlg &d) {
      EXPECT_EQ(d.Text, "1. e4 e5 2. Ke3 *");
      d.Memo->setPlainText("1. e4 e5 2. Ke2 *");
      return modal::ClickButton(d, "RetryBtn");
    });
    Item("MGameFromPGN")->trigger();
  }
  EXPECT_EQ(parseErrors, 1);
  f.Game.GoToStart();
  f.Game.GoForward(1);
  f.Game.GoForward(1);
  EXPECT_EQ(f.Game.ChildMoveText(1, mtShort, LangEnglish), "Ke2");

  // Abort keeps the partial game; the game that was there is not touched.
  ChessApp.ShowFirstPositionOnLoad = false;
  Load("[White \"Stored\"]\n1. d4 d5 *");
  f.CurrentGameNumber = 9;
  SetClip("[White \"New\"]\n1. e4 e5 2. Nf3 (2. f4 exf4 3. Zz) Nc6 *");
  {
    auto a = AnswerParse([](TParseErrorDlg &d) { return modal::ClickButton(d, "AbortBtn"); });
    Item("MGameFromPGN")->trigger();
  }
  EXPECT_EQ(parseErrors, 2);
  EXPECT_EQ(dialogs, 0);
  EXPECT_EQ(f.Game.GetTag("White"), "New");
  EXPECT_EQ(f.CurrentGameNumber, 0);
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  // At the end of the main line, 2. Nf3 with 2. f4 kept as its variation.
  EXPECT_EQ(f.Game.PathMoves().Count(), 3);
  EXPECT_EQ(f.Game.ChildCount(), 0);
  f.Game.GoBack();
  ASSERT_EQ(f.Game.ChildCount(), 2);
  EXPECT_TRUE(f.Game.ChildOnMainLine(1));
  EXPECT_FALSE(f.Game.ChildOnMainLine(2));
  ChessApp.ShowFirstPositionOnLoad = true;
  f.Game.SetModifiedState(0);
  {
    auto a = AnswerParse([](TParseErrorDlg &d) { return modal::ClickButton(d, "AbortBtn"); });
    Item("MGameFromPGN")->trigger();
  }
  EXPECT_FALSE(f.Game.CanGoBack());
  EXPECT_EQ(f.Board->GetFEN(), f.Game.StartPosition().GetFEN());
}

TEST_F(ClipboardTest, AnImpossibleFenTagIsNamedWithItsReason) {
  // Black's long castling right without the a8 rook.
  const std::string fen = "4k2r/8/8/8/8/8/8/4K3 w kq - 0 1";
  SetClip("[White \"Study\"]\n[SetUp \"1\"]\n[FEN \"" + fen + "\"]\n\n1. Kd2 *");
  std::string shown, selected;
  {
    auto a = AnswerParse([&](TParseErrorDlg &d) {
      shown = FromQ(d.Edit->text());
      selected = FromQ(d.Memo->textCursor().selectedText());
      return modal::ClickButton(d, "AbortBtn");
    });
    Item("MGameFromPGN")->trigger();
  }
  EXPECT_EQ(parseErrors, 1);
  EXPECT_EQ(shown, SubstituteText(CommonText::S_FenTagImpossible, CommonText::S_FenCastling));
  EXPECT_EQ(selected, fen);
}

TEST_F(ClipboardTest, CancelledPastesChangeNothing) {
  TMainForm &f = Form();
  Load("[White \"Mine\"]\n1. d4 d5 2. c4 *");
  f.SBNextClick();
  f.Game.SetModified(mfEdited);
  f.CurrentGameNumber = 3;
  const std::string fen = f.Board->GetFEN();
  auto same = [&] {
    EXPECT_EQ(f.Game.GetTag("White"), "Mine");
    EXPECT_EQ(f.Game.PathMoves().Count(), 1);
    EXPECT_EQ(f.CurrentGameNumber, 3);
    EXPECT_EQ(f.Game.ModifiedFlags(), mfEdited);
    EXPECT_EQ(f.Board->GetFEN(), fen);
  };
  // Cancel at the question about the modified game.
  SetClip("1. e4 *");
  {
    auto a = Answer("Cancel");
    Item("MGameFromPGN")->trigger();
    EXPECT_EQ(dialogs, 1);
    SetClip("8/8/8/8/8/8/8/K6k w - - 0 1");
    Item("MPositionFromFEN")->trigger();
    EXPECT_EQ(dialogs, 2);
  }
  same();
  // Impossible positions beep and ask nothing.
  for (const char *text : {"8/8/8/8/8/8/8/8 w - - 0 1", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR x KQkq - 0 1",
                           "kK6/8/8/8/8/8/8/8 w - - 0 1", "no position at all"}) {
    const int before = beeps;
    SetClip(text);
    Item("MPositionFromFEN")->trigger();
    Item("MPositionFromEPD")->trigger();
    EXPECT_EQ(beeps, before + 2) << text;
  }
  EXPECT_EQ(dialogs, 2);
  same();
  // A paste that reads nothing at all, given up at the reader's error
  // (OK to the question about the changed game).
  for (const char *text : {"hello world", " \r\n "}) {
    SetClip(text);
    auto a = AnswerParse([](TParseErrorDlg &d) { return modal::ClickButton(d, "AbortBtn"); });
    const int beeped = beeps;
    Item("MGameFromPGN")->trigger();
    EXPECT_GT(beeps, beeped) << text;
    same();
  }
  // An empty clipboard: a beep.
  Clip().clear();
  const int before = beeps;
  f.PasteGameFromClipboard(LangEnglish);
  f.MPositionFromFENClick();
  EXPECT_EQ(beeps, before + 2);
  same();
  // A comment alone is something read: it replaces the game.
  SetClip("{just a note}");
  auto a = AnswerParse([](TParseErrorDlg &d) { return modal::ClickButton(d, "AbortBtn"); });
  Item("MGameFromPGN")->trigger();
  EXPECT_EQ(f.Game.GetTag("White"), "");
  EXPECT_EQ(f.CurrentGameNumber, 0);
}

TEST_F(ClipboardTest, PasteAPosition) {
  TMainForm &f = Form();
  Load("1. d4 d5 *");
  f.CurrentGameNumber = 3;
  SetClip(" 8/8/8/4k3/8/8/4P3/4K3 b - - 0 40\r\n");
  Item("MPositionFromFEN")->trigger();
  EXPECT_EQ(f.CurrentGameNumber, 0);
  EXPECT_EQ(f.Game.StartPosition().GetFEN(), "8/8/8/4k3/8/8/4P3/4K3 b - - 0 40");
  EXPECT_EQ(f.Board->GetFEN(), "8/8/8/4k3/8/8/4P3/4K3 b - - 0 40");
  SetClip("8/8/8/4k3/8/8/4P3/4K3 w - - id \"x\";");
  auto a = Answer("OK");
  Item("MPositionFromEPD")->trigger();
  EXPECT_EQ(f.Game.StartPosition().SideToMove(), cWhite);
  EXPECT_EQ(f.Game.ChildCount(), 0);
  // Black to move at 255, where no move can follow, is a position still.
  SetClip("8/8/8/4k3/8/8/4P3/4K3 b - - 0 255");
  Item("MPositionFromFEN")->trigger();
  EXPECT_EQ(f.Game.StartPosition().GetFEN(), "8/8/8/4k3/8/8/4P3/4K3 b - - 0 255");
}

TEST_F(ClipboardTest, PasteItemsFollowTheClipboard) {
  TMainForm &f = Form();
  auto enabled = [&] {
    const bool a = Item("MPasteGameFrom")->isEnabled();
    EXPECT_EQ(Item("MPastePositionFrom")->isEnabled(), a);
    EXPECT_EQ(Button("SBPasteGame")->isEnabled(), a);
    return a;
  };
  EXPECT_FALSE(enabled());
  // A FEN copied from the position menu enables them at once.
  f.MPositionAsFENClick();
  QCoreApplication::processEvents();
  EXPECT_TRUE(enabled());
  Clip().clear();
  QCoreApplication::processEvents();
  EXPECT_FALSE(enabled());
  SetClip("text");
  EXPECT_TRUE(enabled());
  Clip().setImage(QImage(8, 8, QImage::Format_RGB32));
  QCoreApplication::processEvents();
  EXPECT_FALSE(enabled());
}

}  // namespace

TEST_F(ClipboardTest, GameTextCrossesTheClipboardAsItReads) {
  TMainForm &f = Form();
  // A UTF-8 name and comment, a Windows-1252 site: each reads as itself.
  Load("[Event \"Club\"]\n[Site \"K\xf6ln\"]\n[White \"Benk\xc5\x91, P\xc3\xa1l\"]\n[Black \"\xce\x91\xce\xbb\"]\n"
       "[Result \"*\"]\n\n1. e4 {caf\xc3\xa9 \xc5\x91} e5 *\n");
  // On screen: the info lines, the comment pane.
  bool shown = false;
  for (QLabel *l : f.InfoLabels) shown |= l->text().contains(QString::fromUtf8("Benk\xc5\x91, P\xc3\xa1l"));
  EXPECT_TRUE(shown);
  f.SBNextClick();
  EXPECT_EQ(f.CommentMemo->toPlainText(), QString::fromUtf8("caf\xc3\xa9 \xc5\x91"));
  Item("MGameAsPGN")->trigger();
  const QString text = Clip().text();
  EXPECT_TRUE(text.contains(QString::fromUtf8("Benk\xc5\x91, P\xc3\xa1l"))) << text.toStdString();
  EXPECT_TRUE(text.contains(QString::fromUtf8("K\xc3\xb6ln")));
  EXPECT_TRUE(text.contains(QString::fromUtf8("{caf\xc3\xa9 \xc5\x91}")));
  // Pasted back with no file open: UTF-8, "\xc5\x91" kept.
  Item("MGameFromPGN")->trigger();
  QCoreApplication::processEvents();
  EXPECT_EQ(f.Game.GetTag("White"), "Benk\xc5\x91, P\xc3\xa1l");
  EXPECT_EQ(f.Game.GetTag("Site"), "K\xc3\xb6ln");
  // RTF: Windows-1252 characters as \'xx, the rest as \uN?.
  Item("MGameAsRTF")->trigger();
  const QByteArray bytes = Clip().mimeData()->data("text/rtf");
  const std::string rtf(bytes.constData(), static_cast<size_t>(bytes.size()));
  EXPECT_NE(rtf.find("Benk\\u337?, P\\'E1l"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("\\u913?\\u955?"), std::string::npos);
  EXPECT_EQ(rtf.find("\\'C5"), std::string::npos);  // no UTF-8 byte written as a character
  // HTML: character references.
  Item("MGameAsHTML")->trigger();
  EXPECT_TRUE(Clip().text().contains("Benk&#337;, P&#225;l")) << Clip().text().toStdString();
}
