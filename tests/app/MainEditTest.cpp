#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <QToolButton>

#include "AppTestUtil.h"
#include "app/DlgComment.h"
#include "app/DlgEditGIEx.h"
#include "app/DlgEditNags.h"
#include "app/DlgParseError.h"
#include "board/ui/ChsBrds.h"
#include "chess/NagSymbols.h"
#include "chess/ParsePGN.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/QtStr.h"

namespace {

const char *kGame =
    "[Event \"Club Cup\"]\n[Site \"Utrecht\"]\n[Round \"?\"]\n[White \"Jansen\"]\n[Black \"de Vries\"]\n"
    "[Result \"*\"]\n\n1. e4 e5 2. Nf3 *\n";

class MainEditTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  ~MainEditTest() override {
    if (QWidget *p = QApplication::activePopupWidget()) p->close();
    ChessApp.ApplicationLanguage = LangEnglish;
    ChessApp.UseSimpleNags = true;
  }
  // The game after its first ply (plies = 1: White moved) or its second.
  TMainForm &At(int plies) {
    TMainForm &f = Form();
    ParseResultT r;
    EXPECT_TRUE(f.Game.ReadFromString(kGame, LangEnglish, r));
    for (int i = 0; i < plies; ++i) f.Game.GoForward(1);
    f.Board->SetPosition(&f.Game.StartPosition(), &f.Game.PathMoves());
    f.ShowGame();
    f.ShowInfoLines();
    return f;
  }
  void SetNags(std::initializer_list<int> nags) {
    Form().Game.ClearNags();
    for (int n : nags) Form().Game.AddNag(n);
    Form().Game.SetModifiedState(0);
  }
  std::vector<int> Nags() {
    std::vector<int> v;
    for (int i = 1; i <= Form().Game.NagCount(); ++i) v.push_back(Form().Game.Nag(i));
    return v;
  }
  static QStringList Captions(QMenu *m) {
    QStringList l;
    for (QAction *a : m->actions()) l << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return l;
  }
  QAction *MenuItem(QMenu *m, int nag) { return m->findChild<QAction *>(QStringLiteral("Nag%1").arg(nag)); }
};

TEST_F(MainEditTest, NagMenusAndTheirLanguage) {
  TMainForm &f = At(1);
  const QString only = ToQ(NagSymbolText(8));
  EXPECT_EQ(only, "Only Move");
  EXPECT_EQ(Captions(f.Nags1Menu), (QStringList{"!", "?", "!!", "??", "!?", "?!", only, "-", "&Clear"}));
  EXPECT_EQ(Captions(f.Nags2Menu), (QStringList{"=", "oo", "+=", "=+", "+/-", "-/+", "+-", "-+", "-", "&Clear"}));
  EXPECT_EQ(MenuItem(f.Nags2Menu, 14)->statusTip(), ToQ(NagText(14)));
  ChessApp.ApplicationLanguage = LangDutch;
  f.ApplyLanguage();
  EXPECT_EQ(f.Nags1Menu->actions().size(), 9);
  EXPECT_EQ(MenuItem(f.Nags1Menu, 8)->text(), "Enige zet");
  EXPECT_EQ(f.Nags1Menu->actions().last()->text(), "&Wissen");
  ChessApp.ApplicationLanguage = LangEnglish;
  f.ApplyLanguage();
  EXPECT_EQ(MenuItem(f.Nags1Menu, 8)->text(), only);
}

TEST_F(MainEditTest, NagMenuItemsReplaceTheirGroup) {
  TMainForm &f = At(1);
  SetNags({2, 11});
  MenuItem(f.Nags1Menu, 1)->trigger();
  EXPECT_EQ(Nags(), (std::vector<int>{11, 1}));
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  EXPECT_TRUE(f.CommentMemo->toPlainText().contains(ToQ(NagText(1))));
  MenuItem(f.Nags2Menu, 16)->trigger();
  EXPECT_EQ(Nags(), (std::vector<int>{1, 16}));
  // "Clear" of the first menu takes only the move marks (with 8, 22, 23).
  SetNags({2, 8, 23, 14, 7, 36});
  f.findChild<QAction *>("MClearNags1")->trigger();
  EXPECT_EQ(Nags(), (std::vector<int>{14, 7, 36}));
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  f.findChild<QAction *>("MClearNags2")->trigger();
  EXPECT_EQ(Nags(), (std::vector<int>{7, 36}));
}

TEST_F(MainEditTest, NagMenusPopUpUnderTheirButtons) {
  TMainForm &f = At(1);
  f.show();
  f.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&f));
  SetNags({});
  struct Way {
    const char *name;
    QMenu *menu;
    int nag;
  };
  for (const Way &w : {Way{"SBNags1", f.Nags1Menu, 3}, Way{"SBNags2", f.Nags2Menu, 13},
                       Way{"MNags1ShortCut", f.Nags1Menu, 5}, Way{"MNags2ShortCut", f.Nags2Menu, 18}}) {
    if (QAction *a = f.Item(w.name)) {
      EXPECT_FALSE(a->isVisible() && a->associatedObjects().size() > 1) << w.name;
      a->trigger();
    } else {
      f.findChild<QToolButton *>(w.name)->click();
    }
    EXPECT_EQ(QApplication::activePopupWidget(), w.menu) << w.name;
    MenuItem(w.menu, w.nag)->trigger();
    w.menu->close();
    EXPECT_TRUE(f.Game.HasNag(w.nag)) << w.name;
  }
  // The real keys reach the menu-less actions.
  QTest::keyClick(&f, Qt::Key_1, Qt::ControlModifier);
  EXPECT_EQ(QApplication::activePopupWidget(), f.Nags1Menu);
  f.Nags1Menu->close();

  // View-only: nothing pops up and nothing changes.
  f.Item("MViewOnly")->setChecked(true);
  f.ShowGame();
  SetNags({1});
  f.findChild<QToolButton *>("SBNags1")->click();
  f.Item("MNags2ShortCut")->trigger();
  f.MNags1ShortCutClick();
  EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
  f.NagMenuItemClick(2);
  f.MClearNags1Click();
  EXPECT_EQ(Nags(), std::vector<int>{1});
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  f.hide();
}

TEST_F(MainEditTest, NagDialogOkWithoutChange) {
  for (bool simple : {true, false})
    for (int plies : {1, 2}) {
      TMainForm &f = At(plies);
      ChessApp.UseSimpleNags = simple;
      SetNags({33, 23, 22, 220, 2});
      int shown = 0;
      modal::ScopedAnswerer a([&](QDialog &d) {
        auto &n = static_cast<TEditNagsDlg &>(d);
        ++shown;
        EXPECT_EQ(n.AllNags, !simple);
        EXPECT_EQ(n.Side, plies == 1 ? cWhite : cBlack);
        return modal::ClickButton(d, "OKBtn");
      });
      f.Item("MNags")->trigger();
      EXPECT_EQ(shown, 1);
      EXPECT_EQ(Nags(), (std::vector<int>{33, 23, 22, 220, 2})) << simple << plies;
      EXPECT_EQ(f.Game.ModifiedFlags(), 0) << simple << plies;
    }
}

TEST_F(MainEditTest, NagDialogStoresForTheMover) {
  TMainForm &f = At(2);  // after Black's move
  ChessApp.UseSimpleNags = true;
  SetNags({220, 1});
  MoveRec move;
  f.Board->Position().FeedMoveChar('N', move);
  modal::ScopedAnswerer a([](QDialog &d) {
    auto &n = static_cast<TEditNagsDlg &>(d);
    for (int r = 0; r < n.NagsLB->count(); ++r) {
      const int nag = n.NagsLB->item(r)->data(Qt::UserRole).toInt();
      if (nag == 32 || nag == 22) n.NagsLB->item(r)->setCheckState(Qt::Checked);
      if (nag == 1) n.NagsLB->item(r)->setCheckState(Qt::Unchecked);
    }
    return modal::ClickButton(d, "OKBtn");
  });
  f.Item("MNags")->trigger();
  EXPECT_EQ(Nags(), (std::vector<int>{22, 33, 220}));
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  EXPECT_EQ(f.Board->Position().TypedMoveText(), "");
}

TEST_F(MainEditTest, CommentOkAndEscape) {
  TMainForm &f = At(1);
  f.Game.SetModifiedState(0);
  MoveRec move;
  f.Board->Position().FeedMoveChar('N', move);
  ASSERT_EQ(f.Board->Position().TypedMoveText(), "N");
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      auto &c = static_cast<TCommentDlg &>(d);
      EXPECT_EQ(c.Memo->toPlainText(), "");
      c.Memo->setPlainText("  The main line  \n");
      return modal::ClickButton(d, "OKBtn");
    });
    f.findChild<QToolButton *>("SBComment")->click();
  }
  EXPECT_EQ(f.Game.Comment(), "The main line");
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  EXPECT_EQ(f.Board->Position().TypedMoveText(), "");  // typed-move entry starts again
  EXPECT_EQ(f.CommentMemo->toPlainText(), "The main line");
  f.Game.SetModifiedState(0);
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      auto &c = static_cast<TCommentDlg &>(d);
      EXPECT_EQ(c.Memo->toPlainText(), "The main line");
      c.Memo->setPlainText("gone");
      d.show();
      QTest::keyClick(c.Memo, Qt::Key_Escape);
      return d.result();
    });
    f.Item("MComment")->trigger();
  }
  EXPECT_EQ(f.Game.Comment(), "The main line");
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
}

TEST_F(MainEditTest, HeaderEditAndViewOnly) {
  TMainForm &f = At(0);
  f.Game.SetModifiedState(0);
  auto edit = [](QDialog &d) {
    auto &g = static_cast<TEditGameInfoExDlg &>(d);
    EXPECT_EQ(g.Info.GetTag("Event"), "Club Cup");
    EXPECT_FALSE(g.Info.HasTag("Round"));  // "?" tidied away
    g.TagLB->setCurrentRow(0);
    g.ValueEd->setText("Spring Open");
    return modal::ClickButton(d, "OKBtn");
  };
  f.Item("MViewOnly")->setChecked(true);
  {
    modal::ScopedAnswerer a(edit);
    f.Item("MEditGameHeader")->trigger();
  }
  EXPECT_EQ(f.Game.GetTag("Event"), "Club Cup");
  EXPECT_EQ(f.Game.GetTag("Round"), "?");
  EXPECT_EQ(f.Game.ModifiedFlags(), 0);
  f.Item("MViewOnly")->setChecked(false);
  {
    modal::ScopedAnswerer a(edit);
    f.findChild<QToolButton *>("SBEditGameHeader")->click();
  }
  EXPECT_EQ(f.Game.GetTag("Event"), "Spring Open");
  EXPECT_FALSE(f.Game.HasTag("Round"));
  EXPECT_NE(f.Game.ModifiedFlags(), 0);
  bool shown = false;
  for (QLabel *l : f.InfoLabels) shown = shown || l->text().contains("Spring Open");
  EXPECT_TRUE(shown);
}

TEST_F(MainEditTest, ParseErrorCallback) {
  TMainForm &f = Form();
  ParseResultT r;
  r.ok = 0;
  r.errorPos = 6;
  r.errorLength = 3;
  r.message = "Could not interprete Kz9 to move";
  bool retry = false;
  {
    modal::ScopedAnswerer a([](QDialog &d) {
      auto &p = static_cast<TParseErrorDlg &>(d);
      EXPECT_EQ(p.Memo->textCursor().selectedText(), "Kz9");
      p.Memo->textCursor().insertText("Nf6");
      return modal::ClickButton(d, "RetryBtn");
    });
    EXPECT_EQ(f.ParseErrorCallback("1. e4 Kz9 *", r, retry), "1. e4 Nf6 *");
  }
  EXPECT_TRUE(retry);
  EXPECT_EQ(beeps, 1);
  {
    modal::ScopedAnswerer a([](QDialog &d) { return modal::ClickButton(d, "AbortBtn"); });
    EXPECT_EQ(f.ParseErrorCallback("1. e4 Kz9 *", r, retry), "1. e4 Kz9 *");
  }
  EXPECT_FALSE(retry);
}

// Both menus popped up in both languages: their items in the language,
// every one enabled; the pictures when TV_SHOT_DIR is set.
TEST_F(MainEditTest, NagMenuSnapshots) {
  TMainForm &f = At(1);
  f.show();
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    ChessApp.ApplicationLanguage = lang;
    f.ApplyLanguage();
    const bool dutch = lang == LangDutch;
    const std::string suffix = dutch ? "_nl" : "_en";
    const QString clear = dutch ? "&Wissen" : "&Clear";
    auto shown = [&](QMenu *menu, const QStringList &items) {
      QApplication::processEvents();
      EXPECT_EQ(QApplication::activePopupWidget(), menu);
      EXPECT_EQ(Captions(menu), items);
      for (QAction *a : menu->actions()) EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
    };
    f.SBNags1Click();
    shown(f.Nags1Menu, {"!", "?", "!!", "??", "!?", "?!", dutch ? "Enige zet" : "Only Move", "-", clear});
    uitest::Snapshot(f.Nags1Menu, ("nags1menu" + suffix).c_str());
    f.Nags1Menu->close();
    f.SBNags2Click();
    shown(f.Nags2Menu, {"=", "oo", "+=", "=+", "+/-", "-/+", "+-", "-+", "-", clear});
    uitest::Snapshot(f.Nags2Menu, ("nags2menu" + suffix).c_str());
    f.Nags2Menu->close();
  }
  f.hide();
}

}  // namespace
