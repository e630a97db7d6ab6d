#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextCursor>
#include <algorithm>
#include <set>

#include "AppTestUtil.h"
#include "app/DlgComment.h"
#include "app/DlgDiagramTexts.h"
#include "app/DlgEditGIEx.h"
#include "app/DlgEditNags.h"
#include "app/DlgParseError.h"
#include "chess/Games.h"
#include "chess/NagSymbols.h"
#include "chess/ParsePGN.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"

namespace {

class EditDialogsTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  ~EditDialogsTest() override { apptest::SetLanguage(LangEnglish); }
};

std::vector<int> Values(const KeyListO &l) {
  std::vector<int> v;
  for (int i = 1; i <= l.Count(); ++i) v.push_back(l.Get(i));
  return v;
}

void SetNags(TEditNagsDlg &d, std::initializer_list<int> nags) {
  d.Nags.Clear();
  for (int n : nags) d.Nags.Add(n);
}

// The row of the NAG list that stands for the NAG; -1 when none.
int RowOf(const TEditNagsDlg &d, int nag) {
  for (int r = 0; r < d.NagsLB->count(); ++r)
    if (d.NagsLB->item(r)->data(Qt::UserRole).toInt() == nag) return r;
  return -1;
}

void Tick(TEditNagsDlg &d, int nag, bool on) {
  const int r = RowOf(d, nag);
  ASSERT_GE(r, 0) << nag;
  d.NagsLB->item(r)->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}

// ---- Comment

TEST_F(EditDialogsTest, CommentOkAndEscape) {
  TCommentDlg d;
  d.SetCommentText("Old");
  {
    modal::ScopedAnswerer a([](QDialog &dlg) {
      auto &c = static_cast<TCommentDlg &>(dlg);
      EXPECT_EQ(c.focusWidget(), c.Memo);
      EXPECT_EQ(c.Memo->toPlainText(), "Old");
      c.Memo->setPlainText(QString::fromUtf8("  caf\xc3\xa9 au lait \n"));
      return modal::ClickButton(dlg, "OKBtn");
    });
    EXPECT_EQ(d.Execute(), QDialog::Accepted);
  }
  // Edited text is written in the file's encoding; unchanged text keeps
  // its bytes, whichever encoding they are in.
  EXPECT_EQ(d.GetCommentText(), "  caf\xc3\xa9 au lait \n");
  d.Encoding = win1252::TextEncoding::Win1252;
  EXPECT_EQ(d.GetCommentText(), "  caf\xe9 au lait \n");
  d.SetCommentText("Benk\xc5\x91");
  EXPECT_EQ(d.Memo->toPlainText(), QString::fromUtf8("Benk\xc5\x91"));
  EXPECT_EQ(d.GetCommentText(), "Benk\xc5\x91");
  d.Memo->setPlainText(QString::fromUtf8("Benk\xc5\x91 P\xc3\xa1l"));
  EXPECT_EQ(d.GetCommentText(), "Benk? P\xe1l");
  d.Encoding = win1252::TextEncoding::Utf8;
  d.SetCommentText("B\xf6hm");
  EXPECT_EQ(d.Memo->toPlainText(), QString::fromUtf8("B\xc3\xb6hm"));
  EXPECT_EQ(d.GetCommentText(), "B\xf6hm");
  EXPECT_EQ(d.windowTitle(), "Comment");
  {
    modal::ScopedAnswerer a([](QDialog &dlg) {
      dlg.show();
      QTest::keyClick(&dlg, Qt::Key_Escape);
      return dlg.result();
    });
    EXPECT_EQ(d.Execute(), QDialog::Rejected);
  }
}

// ---- NAGs

TEST_F(EditDialogsTest, NagListsAndCaptions) {
  const auto simple = nagdlg::SimpleNagItems();
  std::vector<int> nags;
  for (const auto &it : simple) {
    nags.push_back(it.nag);
    EXPECT_FALSE(it.caption.empty()) << it.nag;
    EXPECT_EQ(it.caption, ini::Trim(it.caption));
  }
  EXPECT_EQ(nags, (std::vector<int>{1, 2, 3, 4, 5, 6, 8, 11, 13, 14, 15, 16, 17, 18, 19, 22, 32, 36, 40, 44, 132,
                                    138, 200}));
  auto caption = [&](int nag) {
    return std::find_if(simple.begin(), simple.end(), [&](const auto &i) { return i.nag == nag; })->caption;
  };
  EXPECT_EQ(caption(1), "!");
  EXPECT_EQ(caption(13), "oo");
  EXPECT_EQ(caption(8), NagSymbolText(8));
  EXPECT_EQ(caption(32), "Development advantage");
  EXPECT_EQ(caption(132), "Counterplay");
  EXPECT_EQ(caption(22), "Zugzwang");
  // The full list: every NAG with a text, in order.
  const auto all = nagdlg::AllNagItems();
  EXPECT_EQ(all.front().nag, 1);
  EXPECT_EQ(all.back().nag, 220);
  for (const auto &it : all) EXPECT_EQ(it.caption, NagText(it.nag));
  EXPECT_TRUE(std::none_of(all.begin(), all.end(), [](const auto &i) { return i.nag > 139 && i.nag < 200; }));
}

TEST_F(EditDialogsTest, NagOkWithoutChangeChangesNothing) {
  TEditNagsDlg d;
  const std::vector<std::vector<int>> cases = {
      {}, {2, 11}, {33, 23}, {22}, {1, 33, 32, 23, 22, 139}, {7, 220, 150, 250, 0}, {14, 14, 45}};
  for (bool all : {true, false})
    for (ColorT side : {cWhite, cBlack})
      for (const auto &c : cases) {
        d.AllNags = all;
        d.Side = side;
        d.Nags.Clear();
        for (int n : c) d.Nags.Add(n);
        d.FormShow();
        d.OKBtnClick();
        EXPECT_FALSE(d.Changed) << all << " " << int(side) << " " << c.size();
        auto got = Values(d.Nags), want = c;
        std::sort(got.begin(), got.end());
        std::sort(want.begin(), want.end());
        EXPECT_EQ(got, want);
      }
  // Every single NAG, in both lists.
  for (bool all : {true, false})
    for (int n = 0; n <= 255; ++n) {
      d.AllNags = all;
      d.Nags.Clear();
      d.Nags.Add(n);
      d.FormShow();
      d.OKBtnClick();
      EXPECT_FALSE(d.Changed) << n;
      EXPECT_EQ(Values(d.Nags), std::vector<int>{n});
    }
}

TEST_F(EditDialogsTest, SimpleNagsShowAndStoreForTheMover) {
  TEditNagsDlg d;
  d.AllNags = false;
  // At show the Black forms tick their White item.
  SetNags(d, {33, 23, 139});
  d.FormShow();
  for (int item : {32, 22, 138}) EXPECT_EQ(d.NagsLB->item(RowOf(d, item))->checkState(), Qt::Checked) << item;
  EXPECT_EQ(RowOf(d, 33), -1);

  struct Case {
    ColorT mover;
    int item;
    int stored;
  };
  for (const Case &c : {Case{cWhite, 32, 32}, Case{cBlack, 32, 33}, Case{cWhite, 138, 138}, Case{cBlack, 44, 45},
                        Case{cWhite, 22, 23}, Case{cBlack, 22, 22}, Case{cBlack, 1, 1}, Case{cBlack, 200, 200}}) {
    d.Side = c.mover;
    SetNags(d, {});
    d.FormShow();
    Tick(d, c.item, true);
    d.OKBtnClick();
    EXPECT_TRUE(d.Changed);
    EXPECT_EQ(Values(d.Nags), std::vector<int>{c.stored}) << c.item << " " << int(c.mover);
  }
  // A pair ticked at show keeps its form; unticking drops it.
  d.Side = cWhite;
  SetNags(d, {33, 14});
  d.FormShow();
  Tick(d, 14, false);
  d.OKBtnClick();
  EXPECT_TRUE(d.Changed);
  EXPECT_EQ(Values(d.Nags), std::vector<int>{33});
}

TEST_F(EditDialogsTest, NagsWithoutAnItemStay) {
  TEditNagsDlg d;
  d.AllNags = false;
  SetNags(d, {220, 2, 7, 150});
  d.FormShow();
  Tick(d, 2, false);
  Tick(d, 1, true);
  d.OKBtnClick();
  EXPECT_TRUE(d.Changed);
  EXPECT_EQ(Values(d.Nags), (std::vector<int>{1, 220, 7, 150}));
  d.AllNags = true;
  SetNags(d, {150, 220});
  d.FormShow();
  Tick(d, 220, false);
  Tick(d, 7, true);
  d.OKBtnClick();
  EXPECT_EQ(Values(d.Nags), (std::vector<int>{7, 150}));
  // Cancel leaves the list.
  SetNags(d, {3});
  modal::ScopedAnswerer a([](QDialog &dlg) {
    auto &n = static_cast<TEditNagsDlg &>(dlg);
    n.NagsLB->item(0)->setCheckState(Qt::Checked);
    return modal::ClickButton(dlg, "CancelBtn");
  });
  EXPECT_EQ(d.Execute(), QDialog::Rejected);
  EXPECT_EQ(Values(d.Nags), std::vector<int>{3});
}

// ---- Game info

class GameInfoTest : public EditDialogsTest {
 protected:
  GameInfoTest() {
    d.Info.AddTag("White", "Anders, Bo");
    d.Info.AddTag("Event", "Club Cup");
    d.Info.AddTag("Round", "?");
    d.Info.AddTag("Site", "Utrecht");
    d.Info.AddTag("SetUp", "1");
    d.Info.AddTag("FEN", "8/8/8/8/8/8/8/K6k w - - 0 1");
  }
  TEditGameInfoExDlg d;
};

TEST_F(GameInfoTest, ShowTidiesAndOkWithoutChange) {
  d.FormShow();
  EXPECT_EQ(d.windowTitle(), "Game Info");
  EXPECT_EQ(d.TagLB->count(), StandardTagCount);
  EXPECT_EQ(d.TagLB->currentRow(), 0);
  EXPECT_EQ(d.ValueEd->text(), "Club Cup");
  EXPECT_EQ(d.focusWidget(), d.ValueEd);
  EXPECT_FALSE(d.Info.HasTag("Round"));
  EXPECT_EQ(d.Info.TagName(1), "Event");
  d.OKBtnClick();
  EXPECT_FALSE(d.Changed);
}

TEST_F(GameInfoTest, DownStoresTheValueAndMovesOn) {
  d.FormShow();
  d.show();
  d.ValueEd->setText("Open Cup");
  QTest::keyClick(d.ValueEd, Qt::Key_Down);
  EXPECT_EQ(d.Info.GetTag("Event"), "Open Cup");
  EXPECT_EQ(d.TagLB->currentRow(), tagSite - 1);
  EXPECT_EQ(d.ValueEd->text(), "Utrecht");
  EXPECT_EQ(d.ValueEd->cursorPosition(), 7);
  // Page Down and Up pass on to the list too; an absent tag gets added.
  QTest::keyClick(d.ValueEd, Qt::Key_Down);
  QTest::keyClick(d.ValueEd, Qt::Key_Down);
  EXPECT_EQ(d.TagLB->currentRow(), tagRound - 1);
  d.ValueEd->setText("3");
  QTest::keyClick(d.ValueEd, Qt::Key_Up);
  EXPECT_EQ(d.Info.GetTag("Round"), "3");
  EXPECT_EQ(d.TagLB->currentRow(), tagDate - 1);
  QTest::keyClick(d.ValueEd, Qt::Key_PageDown);
  EXPECT_GT(d.TagLB->currentRow(), tagRound - 1);
  d.OKBtnClick();
  EXPECT_TRUE(d.Changed);
  d.hide();
}

TEST_F(GameInfoTest, GameTextShownDecodedAndUnchangedValuesKeepTheirBytes) {
  d.Info.SetTag("White", "Benk\xc5\x91, P\xc3\xa1l");  // UTF-8
  d.Info.SetTag("Site", "K\xf6ln");                      // Windows-1252
  d.Encoding = win1252::TextEncoding::Win1252;
  d.FormShow();
  d.show();
  d.TagLB->setCurrentRow(tagWhite - 1);
  d.TagLBClick();
  EXPECT_EQ(d.ValueEd->text(), QString::fromUtf8("Benk\xc5\x91, P\xc3\xa1l"));
  QTest::keyClick(d.ValueEd, Qt::Key_Up);  // left as it was: the UTF-8 bytes stay
  EXPECT_EQ(d.Info.GetTag("White"), "Benk\xc5\x91, P\xc3\xa1l");
  d.TagLB->setCurrentRow(tagSite - 1);
  d.TagLBClick();
  EXPECT_EQ(d.ValueEd->text(), QString::fromUtf8("K\xc3\xb6ln"));
  d.ValueEd->setText(QString::fromUtf8("K\xc3\xb6ln \xc5\x91"));  // edited: in the file's encoding
  QTest::keyClick(d.ValueEd, Qt::Key_Up);
  EXPECT_EQ(d.Info.GetTag("Site"), "K\xf6ln ?");
  d.Encoding = win1252::TextEncoding::Utf8;
  d.TagLB->setCurrentRow(tagSite - 1);
  d.TagLBClick();
  d.ValueEd->setText(QString::fromUtf8("J\xc3\xbcrgen"));
  QTest::keyClick(d.ValueEd, Qt::Key_Up);
  EXPECT_EQ(d.Info.GetTag("Site"), "J\xc3\xbcrgen");
  d.hide();
}

TEST_F(GameInfoTest, StartPositionRowsAreReadOnly) {
  d.FormShow();
  d.TagLB->setCurrentRow(tagFEN - 1);
  EXPECT_TRUE(d.ValueEd->isReadOnly());
  EXPECT_EQ(d.ValueEd->text(), "8/8/8/8/8/8/8/K6k w - - 0 1");
  d.ValueEd->setText("x");
  d.ValueEdExit();
  d.TagLB->setCurrentRow(tagSetUp - 1);
  EXPECT_TRUE(d.ValueEd->isReadOnly());
  d.ValueEd->setText("0");
  d.TagLB->setCurrentRow(tagWhite - 1);
  EXPECT_FALSE(d.ValueEd->isReadOnly());
  d.OKBtnClick();
  EXPECT_FALSE(d.Changed);
  EXPECT_EQ(d.Info.GetTag("FEN"), "8/8/8/8/8/8/8/K6k w - - 0 1");
  EXPECT_EQ(d.Info.GetTag("SetUp"), "1");
}

TEST_F(GameInfoTest, ReadOnlyWritesNothing) {
  d.ReadOnly = true;
  d.FormShow();
  EXPECT_TRUE(d.ValueEd->isReadOnly());
  EXPECT_EQ(d.focusWidget(), d.TagLB);
  d.ValueEd->setText("Changed");
  d.ValueEdExit();
  d.OKBtnClick();
  EXPECT_FALSE(d.Changed);
  EXPECT_EQ(d.Info.GetTag("Event"), "Club Cup");
}

// ---- Read error

TEST_F(EditDialogsTest, ReadErrorSelectsTheSpan) {
  EXPECT_EQ(parseerr::MemoPosition("a\r\nb\r\nc", 6), 4);
  EXPECT_EQ(parseerr::MemoPosition("a\nb\rc", 4), 4);
  EXPECT_EQ(parseerr::MemoPosition("ab", 99), 2);
  EXPECT_EQ(parseerr::MemoPosition("ab", -3), 0);
  TParseErrorDlg d;
  std::vector<std::string> texts;
  for (const std::string eol : {"\n", "\r\n", "\r"})
    texts.push_back("[Event \"T\xe9st\"]" + eol + "[White \"A\"]" + eol + eol + "1. e4 e5" + eol +
                    "2. Nf3 Kz9 3. Bb5 *" + eol);
  // UTF-8 game text reads as its characters, the span still on the error
  // (one unit per character, two past U+FFFF).
  texts.push_back("[White \"Benk\xc5\x91 \xf0\x9d\x90\x80\"]\r\n\r\n1. e4 {\xd0\x96} Kz9 *");
  for (const std::string &text : texts) {
    GameO game;
    ParseResultT result;
    ASSERT_FALSE(game.ReadFromString(text, LangEnglish, result));
    d.Text = text;
    d.Result = result;
    d.FormShow();
    ASSERT_GT(result.errorLength, 0);
    EXPECT_EQ(d.Memo->textCursor().selectedText(), GameToQ(text.substr(result.errorPos, result.errorLength)))
        << text;
    EXPECT_TRUE(d.Memo->textCursor().selectedText().startsWith("Kz"));
    EXPECT_EQ(d.Edit->text(), ToQ(result.message));
    EXPECT_EQ(d.focusWidget(), d.Memo);
  }
  EXPECT_TRUE(d.Memo->toPlainText().startsWith(QString::fromUtf8("[White \"Benk\xc5\x91 \xf0\x9d\x90\x80")));
  // Retry hands back the edited text; Escape is Abort and keeps it.
  d.Text = "1. e4 Kz9 *";
  d.Result.errorPos = 6;
  d.Result.errorLength = 3;
  {
    modal::ScopedAnswerer a([](QDialog &dlg) {
      auto &p = static_cast<TParseErrorDlg &>(dlg);
      p.Memo->textCursor().insertText("e5");
      return modal::ClickButton(dlg, "RetryBtn");
    });
    EXPECT_EQ(d.Execute(), QDialog::Accepted);
  }
  EXPECT_EQ(d.Text, "1. e4 e5 *");
  {
    modal::ScopedAnswerer a([](QDialog &dlg) {
      auto &p = static_cast<TParseErrorDlg &>(dlg);
      p.Memo->setPlainText("junk");
      dlg.show();
      QTest::keyClick(&dlg, Qt::Key_Escape);
      return dlg.result();
    });
    EXPECT_EQ(d.Execute(), QDialog::Rejected);
  }
  EXPECT_EQ(d.Text, "1. e4 e5 *");
}

// ---- Diagram labels

TEST_F(EditDialogsTest, DiagramLabelsHistoryAndEnabling) {
  WriteSettings("[MRUTopTexts]\r\nH0=One\r\nH1=Two\r\nH2=Three\r\nH3=Four\r\nH4=Five\r\n");
  {
    TDiagramTextsDlg d;
    EXPECT_EQ(d.TopTextCmb->count(), 5);
    EXPECT_EQ(d.TopTextCmb->currentText(), "One");
    d.TopType = DiagramTextTypeT::Players;
    d.BottomType = DiagramTextTypeT::LastMove;
    d.FormShow();
    EXPECT_TRUE(d.CDTTT_PlayersRB->isChecked());
    EXPECT_TRUE(d.CDBTT_LastMoveRB->isChecked());
    EXPECT_FALSE(d.TopTextCmb->isEnabled());
    EXPECT_FALSE(d.BottomTextCmb->isEnabled());
    d.CDTTT_CustomRB->click();
    EXPECT_TRUE(d.TopTextCmb->isEnabled());
    EXPECT_FALSE(d.BottomTextCmb->isEnabled());
    d.CDBTT_CustomRB->click();
    d.CDTTT_NoneRB->click();
    EXPECT_FALSE(d.TopTextCmb->isEnabled());
    EXPECT_TRUE(d.BottomTextCmb->isEnabled());
    // Both custom: the box takes the focus; "four" is "Four" again.
    d.TopType = d.BottomType = DiagramTextTypeT::Custom;
    d.FormShow();
    EXPECT_TRUE(d.focusWidget() == d.TopTextCmb || d.TopTextCmb->isAncestorOf(d.focusWidget()))
        << d.focusWidget()->objectName().toStdString();
    d.TopTextCmb->setEditText("four");
    d.BottomTextCmb->setEditText("Below");
    d.OKBtnClick();
    EXPECT_EQ(d.TopText, "four");
    EXPECT_EQ(d.BottomText, "Below");
    EXPECT_EQ(d.TopHistory, (std::vector<std::string>{"four", "One", "Two", "Three", "Five"}));
    d.TopTextCmb->setEditText("Six");
    d.OKBtnClick();
    EXPECT_EQ(d.TopHistory.size(), 5u);
    EXPECT_EQ(d.TopHistory.front(), "Six");
    EXPECT_EQ(d.TopTextCmb->itemText(0), "Six");
    EXPECT_EQ(d.TopTextCmb->count(), 5);
    // A kind that is not custom leaves its history alone.
    d.CDBTT_ColorToMoveRB->click();
    d.BottomTextCmb->setEditText("Ignored");
    d.OKBtnClick();
    EXPECT_EQ(d.BottomType, DiagramTextTypeT::ColorToMove);
    EXPECT_EQ(d.BottomHistory, std::vector<std::string>{"Below"});
  }
  IniFile ini(Settings());
  EXPECT_EQ(ini.ReadString("MRUTopTexts", "H0", ""), "Six");
  EXPECT_EQ(ini.ReadString("MRUTopTexts", "H4", ""), "Three");
  EXPECT_EQ(ini.ReadString("MRUBottomTexts", "H0", ""), "Below");
  EXPECT_EQ(ini.ReadString("MRUBottomTexts", "H1", "none"), "none");
}

// The message wraps at the memo's width and shows whole, in either
// language; it can be selected, not edited.
TEST_F(EditDialogsTest, ReadErrorShowsALongMessageWhole) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    apptest::SetLanguage(lang);
    TParseErrorDlg d;
    d.Text = "[FEN \"4k3/8/8/8/8/8/8/4K3 w K - 0 1\"]\r\n\r\n1. Kd2 *\r\n";
    GameO game;
    ASSERT_FALSE(game.ReadFromString(d.Text, lang, d.Result));
    ASSERT_NE(d.Result.message.find(CommonText::S_FenCastling), std::string::npos) << d.Result.message;
    d.FormShow();
    d.show();
    QApplication::processEvents();
    EXPECT_EQ(d.Edit->text(), ToQ(d.Result.message));
    EXPECT_EQ(d.Edit->width(), d.Memo->width());
    const QRect room = d.Edit->contentsRect();
    const QRect needed = d.Edit->fontMetrics().boundingRect(QRect(0, 0, room.width(), 10000),
                                                            Qt::TextWordWrap, d.Edit->text());
    EXPECT_LE(needed.width(), room.width()) << lang;
    EXPECT_LE(needed.height(), room.height()) << lang;
    EXPECT_GT(needed.height(), d.Edit->fontMetrics().height()) << "the message takes two lines";
    EXPECT_TRUE(d.Edit->textInteractionFlags() & Qt::TextSelectableByMouse);
    EXPECT_FALSE(d.Edit->textInteractionFlags() & Qt::TextEditable);
    d.hide();
  }
}

// ---- Placement and pictures

TEST_F(EditDialogsTest, PlacementAndSnapshots) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    apptest::SetLanguage(lang);
    const char *suffix = lang == LangDutch ? "_nl" : "_en";
    auto shot = [&](TAppDialog &d, const std::string &name) {
      d.show();
      QApplication::processEvents();
      // Nothing the layout holds is squeezed below its own minimum.
      EXPECT_GE(d.width(), d.layout()->totalMinimumSize().width()) << name;
      EXPECT_GE(d.height(), d.layout()->totalMinimumSize().height()) << name;
      uitest::Snapshot(&d, (name + suffix).c_str());
      d.hide();
      IniFile ini(Settings());
      EXPECT_NE(ini.ReadInteger(d.Section(), "Left", -1), -1) << d.Section();
    };
    TCommentDlg c;
    c.SetCommentText("A strong move, preparing the break on the queen side.");
    c.FormShow();
    shot(c, "comment");
    TEditNagsDlg n;
    SetNags(n, {1, 14});
    n.AllNags = false;
    n.FormShow();
    shot(n, "nags_simple");
    n.AllNags = true;
    n.FormShow();
    shot(n, "nags_all");
    TEditGameInfoExDlg g;
    g.Language = lang;
    for (auto [k, v] : {std::pair{"Event", "Hoogovens"}, {"Site", "Wijk aan Zee"}, {"Date", "1999.01.16"},
                        {"Round", "1"}, {"White", "Anders, Bo"}, {"Black", "Berg, Carl"}, {"Result", "1-0"},
                        {"WhiteElo", "2650"}, {"ECO", "B90"}, {"Annotator", "Eriksson"}})
      g.Info.AddTag(k, v);
    g.FormShow();
    shot(g, "gameinfo");
    TParseErrorDlg p;
    p.Text = "[Event \"Club\"]\r\n[White \"A\"]\r\n\r\n1. e4 e5 2. Nf3 Kz9 3. Bb5 a6 *\r\n";
    GameO game;
    ASSERT_FALSE(game.ReadFromString(p.Text, LangEnglish, p.Result));
    p.FormShow();
    shot(p, "readerror");
    TDiagramTextsDlg t;
    t.TopType = DiagramTextTypeT::Custom;
    t.BottomType = DiagramTextTypeT::ColorToMove;
    t.FormShow();
    shot(t, "diagramlabels");
  }
}

}  // namespace
