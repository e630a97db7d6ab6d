#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>
#include <string>
#include <vector>

#include "chess/PGNTypes.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/DlgSearchGames.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"

namespace uitest {
// The application exists before a fixture's widgets.
struct AppFirst {
  AppFirst() { App(); }
};
}  // namespace uitest

namespace {

void SetLanguage(LanguageId id) {
  CommonText::SetUILanguage(id);
  GenText::SetDialogLanguage(id);
}

// Every field of the criteria as one text, for comparing.
std::string Dump(const GameSearchMaskO &c) {
  std::string s;
  auto n = [&s](auto v) { s += std::to_string(v) + ","; };
  for (int i = 1; i <= c.PlayerCount(); ++i) {
    s += c.PlayerName(i);
    n(c.PlayerColour(i));
    n(c.PlayerResults(i));
  }
  for (int i = 1; i <= c.EventSiteCount(); ++i) {
    s += c.EventSiteName(i);
    n(c.EventSiteNot(i));
    n(c.EventSiteCaseSensitive(i));
  }
  for (int i = 1; i <= c.AnnotatorCount(); ++i) {
    s += c.AnnotatorName(i);
    n(c.AnnotatorNot(i));
    n(c.AnnotatorCaseSensitive(i));
  }
  s += c.GetEcoLo() + "," + c.GetEcoHi() + ",";
  for (auto v : {c.GetOpponent(), c.GetYearLo(), c.GetYearHi(), c.GetEloLo(), c.GetEloHi(), c.GetMovesLo(),
                 c.GetMovesHi(), std::uint32_t{c.GetEloType()}})
    n(v);
  for (bool b : {c.GetIgnoreColors(), c.GetSearchYear(), c.GetSearchEco(), c.GetSearchElo(), c.GetSearchMoves(),
                 c.GetSearchWins(), c.GetSearchDraws(), c.GetSearchLosses(), c.GetSearchMates(), c.GetSearchChecks(),
                 c.GetSearchEquals(), c.GetSearchTxts()})
    n(b);
  return s;
}

class SearchDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    SetLanguage(LangEnglish);
    dlg.FormShow();
  }
  void TearDown() override { SetLanguage(LangEnglish); }

  // Types the name and presses "+".
  void Add(const QString &name) {
    dlg.PlayersCMB->setEditText(name);
    dlg.AddPlayerBtn->click();
  }
  // The player menu's item as a click after the menu was prepared.
  void Click(QAction *item) {
    dlg.PrepareMenu(TSearchGamesDlg::gPlayers);
    item->trigger();
  }
  std::vector<std::string> Players() const {
    std::vector<std::string> v;
    for (int i = 1; i <= dlg.Criteria().PlayerCount(); ++i) v.push_back(dlg.Criteria().PlayerName(i));
    return v;
  }

  uitest::AppFirst app_;
  TSearchGamesDlg dlg;
};

TEST_F(SearchDlgTest, TypedNameIsAddedOnceBySearchAndByEnter) {
  dlg.PlayersCMB->setEditText("  Karlsson ");
  EXPECT_EQ(modal::ClickButton(dlg, "SearchBtn"), QDialog::Accepted);
  EXPECT_EQ(Players(), std::vector<std::string>{"Karlsson"});
  EXPECT_EQ(dlg.PlayersCMB->count(), 1);
  // Searching again with the same text adds nothing.
  dlg.SearchBtnClick();
  EXPECT_EQ(Players().size(), 1u);

  dlg.setResult(0);
  dlg.show();
  dlg.PlayersCMB->setFocus();
  dlg.PlayersCMB->setEditText("Berg");
  QTest::keyClick(dlg.PlayersCMB->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(dlg.result(), QDialog::Accepted);
  EXPECT_EQ(Players(), (std::vector<std::string>{"Karlsson", "Berg"}));
  EXPECT_EQ(dlg.PlayersCMB->count(), 2);
  dlg.hide();
}

TEST_F(SearchDlgTest, AddIgnoresCaseAndBlanks) {
  Add("van Dijk");
  Add("VAN DIJK ");
  Add("");
  Add("   ");
  EXPECT_EQ(Players(), std::vector<std::string>{"van Dijk"});
  // Typed names are UTF-8 game text: they fold by character, as in the
  // name indexes; letters that differ stay apart.
  Add(QString::fromUtf8("\xc3\xa9mile"));
  Add(QString::fromUtf8("\xc3\xa9MILE"));
  Add(QString::fromUtf8("\xc3\x89MILE"));
  EXPECT_EQ(Players().size(), 2u);
  EXPECT_EQ(Players().back(), "\xc3\xa9mile");
  Add(QString::fromUtf8("\xc3\x88MILE"));
  EXPECT_EQ(Players().size(), 3u);
  EXPECT_EQ(Players().back(), "\xc3\x88MILE");
  EXPECT_EQ(dlg.PlayersCMB->itemText(2), QString::fromUtf8("\xc3\x88MILE"));
}

TEST_F(SearchDlgTest, ResultItemsAllAgainstSingleResults) {
  Add("Adams");
  Click(dlg.MPlayerWin);
  Click(dlg.MPlayerLoss);
  EXPECT_EQ(dlg.Criteria().PlayerResults(1), srWin | srLoss);
  Click(dlg.MPlayerAll);
  EXPECT_EQ(dlg.Criteria().PlayerResults(1), srAll);
  EXPECT_FALSE(dlg.MPlayerWin->isChecked());
  EXPECT_TRUE(dlg.MPlayerAll->isChecked());
  Click(dlg.MPlayerDraw);
  EXPECT_EQ(dlg.Criteria().PlayerResults(1), srDraw);
  EXPECT_FALSE(dlg.MPlayerAll->isChecked());
  EXPECT_TRUE(dlg.MPlayerDraw->isChecked());
  Click(dlg.MPlayerDraw);
  EXPECT_EQ(dlg.Criteria().PlayerResults(1), 0);

  // Colours exclude each other; unticking leaves none.
  Click(dlg.MPlayerWhite);
  Click(dlg.MPlayerNot);
  EXPECT_EQ(dlg.Criteria().PlayerColour(1), scNot);
  EXPECT_FALSE(dlg.MPlayerWhite->isChecked());
  Click(dlg.MPlayerNot);
  EXPECT_EQ(dlg.Criteria().PlayerColour(1), scNone);

  // A typed name's conditions wait for "+"; preparing shows the entry's own.
  dlg.PlayersCMB->setEditText("Bach");
  Click(dlg.MPlayerBlack);
  Click(dlg.MPlayerWin);
  EXPECT_EQ(dlg.Criteria().PlayerCount(), 1);
  dlg.PlayersCMB->setEditText("adams");
  dlg.PrepareMenu(TSearchGamesDlg::gPlayers);
  EXPECT_FALSE(dlg.MPlayerBlack->isChecked());
  dlg.PlayersCMB->setEditText("Bach");
  dlg.AddPlayerBtn->click();
  EXPECT_EQ(dlg.Criteria().PlayerColour(2), scBlack);
  EXPECT_EQ(dlg.Criteria().PlayerResults(2), srWin);
  // The next typed name starts without them.
  dlg.PlayersCMB->setEditText("Cage");
  dlg.PrepareMenu(TSearchGamesDlg::gPlayers);
  EXPECT_FALSE(dlg.MPlayerBlack->isChecked());
  EXPECT_FALSE(dlg.MPlayerWin->isChecked());
}

TEST_F(SearchDlgTest, OpponentFollowsItsEntry) {
  Add("Anand");
  dlg.PlayersCMB->setEditText("Carlsen");
  Click(dlg.MPlayerOpponent);
  EXPECT_EQ(dlg.Criteria().GetOpponent(), 0u);
  dlg.AddPlayerBtn->click();
  EXPECT_EQ(dlg.Criteria().GetOpponent(), 2u);
  // Deleting an entry before the opponent lowers it; deleting it clears it.
  dlg.PlayersCMB->setEditText("ANAND");
  dlg.DeletePlayerBtn->click();
  EXPECT_EQ(Players(), std::vector<std::string>{"Carlsen"});
  EXPECT_EQ(dlg.Criteria().GetOpponent(), 1u);
  EXPECT_EQ(dlg.PlayersCMB->currentText(), "Carlsen");
  dlg.DeletePlayerBtn->click();
  EXPECT_EQ(dlg.Criteria().GetOpponent(), 0u);
  EXPECT_EQ(dlg.PlayersCMB->count(), 0);
  EXPECT_EQ(dlg.PlayersCMB->currentText(), "");
  // Unticking an added player's opponent item removes the opponent.
  Add("Kramnik");
  Click(dlg.MPlayerOpponent);
  EXPECT_EQ(dlg.Criteria().GetOpponent(), 1u);
  Click(dlg.MPlayerOpponent);
  EXPECT_EQ(dlg.Criteria().GetOpponent(), 0u);
}

TEST_F(SearchDlgTest, DeleteShowsFirstRemainingAndClearsPrepared) {
  Add("A");
  Add("B");
  Add("C");
  dlg.PlayersCMB->setEditText("b");
  dlg.PrepareMenu(TSearchGamesDlg::gPlayers);
  dlg.DeletePlayerBtn->click();
  EXPECT_FALSE(dlg.MenuPrepared(TSearchGamesDlg::gPlayers));
  EXPECT_EQ(Players(), (std::vector<std::string>{"A", "C"}));
  EXPECT_EQ(dlg.PlayersCMB->currentText(), "A");
  // A name that is no item deletes nothing.
  dlg.PlayersCMB->setEditText("D");
  dlg.DeletePlayerBtn->click();
  EXPECT_EQ(Players().size(), 2u);
  // Typing clears the prepared flag too.
  dlg.PrepareMenu(TSearchGamesDlg::gPlayers);
  QTest::keyClicks(dlg.PlayersCMB->lineEdit(), "x");
  EXPECT_FALSE(dlg.MenuPrepared(TSearchGamesDlg::gPlayers));
}

TEST_F(SearchDlgTest, NameGroupsKeepTheirFlags) {
  dlg.EventSitesCMB->setEditText("Wijk");
  dlg.PrepareMenu(TSearchGamesDlg::gEventSites);
  dlg.MEventSiteNot->trigger();
  dlg.AddEventSiteBtn->click();
  dlg.AnnotatorsCMB->setEditText("Nunn");
  dlg.AddAnnotatorBtn->click();
  dlg.PrepareMenu(TSearchGamesDlg::gAnnotators);
  dlg.MAnnotatorCaseSensitive->trigger();
  const GameSearchMaskO &c = dlg.Criteria();
  ASSERT_EQ(c.EventSiteCount(), 1);
  EXPECT_TRUE(c.EventSiteNot(1));
  EXPECT_FALSE(c.EventSiteCaseSensitive(1));
  ASSERT_EQ(c.AnnotatorCount(), 1);
  EXPECT_FALSE(c.AnnotatorNot(1));
  EXPECT_TRUE(c.AnnotatorCaseSensitive(1));
}

TEST_F(SearchDlgTest, ClearEmptiesEverythingWithTheOpponent) {
  Add("A");
  Add("B");
  Click(dlg.MPlayerOpponent);
  dlg.EventSitesCMB->setEditText("Hastings");
  dlg.AddEventSiteBtn->click();
  dlg.PlayersCMB->setEditText("typed");
  Click(dlg.MPlayerWhite);
  dlg.YearCB->setChecked(true);
  dlg.SearchMatesCB->setChecked(true);
  dlg.ClearBtn->click();
  const GameSearchMaskO &c = dlg.Criteria();
  EXPECT_EQ(c.PlayerCount(), 0);
  EXPECT_EQ(c.EventSiteCount(), 0);
  EXPECT_EQ(c.GetOpponent(), 0u);
  EXPECT_EQ(dlg.PlayersCMB->count(), 0);
  EXPECT_EQ(dlg.PlayersCMB->currentText(), "");
  EXPECT_FALSE(dlg.YearCB->isChecked());
  EXPECT_FALSE(dlg.SearchMatesCB->isChecked());
  // The pending colour went too, and a new player is no opponent.
  Add("A");
  Add("B");
  EXPECT_EQ(c.PlayerColour(1), scNone);
  EXPECT_EQ(c.GetOpponent(), 0u);
}

TEST_F(SearchDlgTest, CriteriaRoundTripThroughTheControls) {
  GameSearchMaskO in;
  in.AddPlayer("Tal", scWhite, srWin);
  in.AddPlayer("Petrosian", scNone, srAll);
  in.SetOpponent(2);
  in.AddEventSite("Riga", true, false);
  in.AddAnnotator("Kasparov", false, true);
  in.SetIgnoreColors(true);
  in.SetSearchYear(true);
  in.SetYearLo(1950);
  in.SetYearHi(1960);
  in.SetSearchEco(true);
  in.SetEcoLo("B20");
  in.SetEcoHi("B99/12");
  in.SetSearchElo(true);
  in.SetEloLo(2100);
  in.SetEloHi(4900);
  in.SetEloType(etOnePlayer);
  in.SetSearchMoves(true);
  in.SetMovesLo(20);
  in.SetMovesHi(40);
  in.SetSearchDraws(true);
  in.SetSearchChecks(true);
  in.SetSearchTxts(true);
  dlg.SetCriteria(in);
  modal::ScopedAnswerer answer([](QDialog &d) { return modal::ClickButton(d, "SearchBtn"); });
  ASSERT_EQ(dlg.Execute(), QDialog::Accepted);
  EXPECT_TRUE(dlg.MEloOnePlayer->isChecked());
  GameSearchMaskO out;
  dlg.GetCriteria(out);
  GameSearchMaskO expected;
  expected.Assign(in);
  expected.SetIgnoreColors(false);
  EXPECT_EQ(out.PlayersText(), "Tal, Petrosian");
  EXPECT_EQ(out.GetOpponent(), 2u);
  EXPECT_EQ(out.GetEcoHi(), "B99/12");
  EXPECT_EQ(out.GetEloHi(), 4900u);
  EXPECT_FALSE(out.GetIgnoreColors());
  EXPECT_FALSE(out.GetSearchWins());
  EXPECT_TRUE(out.GetSearchTxts());
  EXPECT_EQ(Dump(out), Dump(expected));

  // The Elo items exclude each other and untick to no type.
  dlg.MEloAverage->trigger();
  EXPECT_EQ(dlg.Criteria().GetEloType(), etAverage);
  EXPECT_FALSE(dlg.MEloOnePlayer->isChecked());
  dlg.MEloAverage->trigger();
  EXPECT_EQ(dlg.Criteria().GetEloType(), etNone);
}

TEST_F(SearchDlgTest, CancelKeepsTheCriteria) {
  GameSearchMaskO in;
  in.AddPlayer("Euwe", scNone, 0);
  dlg.SetCriteria(in);
  modal::ScopedAnswerer answer([&](QDialog &d) {
    dlg.PlayersCMB->setEditText("Aljechin");
    dlg.YearCB->setChecked(true);
    return modal::ClickButton(d, "CancelBtn");
  });
  ASSERT_EQ(dlg.Execute(), QDialog::Rejected);
  GameSearchMaskO out;
  dlg.GetCriteria(out);
  EXPECT_EQ(out.PlayersText(), "Euwe");
  EXPECT_FALSE(out.GetSearchYear());
}

TEST_F(SearchDlgTest, CaptionsAndSnapshots) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    SetLanguage(lang);
    TSearchGamesDlg d;
    GameSearchMaskO c;
    c.AddPlayer("Nimzowitsch, Aron", scWhite, srWin);
    c.AddPlayer("Rubinstein", scNone, 0);
    c.SetSearchYear(true);
    c.SetYearLo(1900);
    c.SetYearHi(1935);
    c.SetSearchElo(true);
    d.SetCriteria(c);
    d.FormShow();
    d.PlayersCMB->setEditText("Nimzowitsch, Aron");
    EXPECT_EQ(d.windowTitle(), ToQ(CommonText::S_SearchGamesDlg));
    EXPECT_EQ(d.PlayersLbl->text(), ToQ(CommonText::S_PlayersLbl + ":"));
    EXPECT_EQ(d.PlayersLbl->buddy(), d.PlayersCMB);
    EXPECT_EQ(d.MPlayerOpponent->text(), ToQ(CommonText::S_MOpponent));
    d.show();
    d.adjustSize();
    QTest::qWait(10);
    const char *suffix = lang == LangEnglish ? "en" : "nl";
    uitest::Snapshot(&d, (std::string("search_dlg_") + suffix).c_str());
    d.OptionsBtnClick(TSearchGamesDlg::gPlayers);
    EXPECT_TRUE(d.PMPlayer->isVisible());
    EXPECT_EQ(d.PMPlayer->pos(), d.PlayerOptionsBtn->mapToGlobal(d.PlayerOptionsBtn->rect().bottomLeft()));
    EXPECT_TRUE(d.MPlayerWhite->isChecked());
    EXPECT_TRUE(d.MPlayerWin->isChecked());
    QTest::qWait(10);
    uitest::Snapshot(d.PMPlayer, (std::string("search_dlg_menu_") + suffix).c_str());
    d.PMPlayer->hide();
    // No text is cut: every label and check box gets its full width.
    for (QWidget *w : d.findChildren<QWidget *>()) {
      if (w->isVisible() && w->minimumSizeHint().isValid() && !qobject_cast<QMenu *>(w)) {
        EXPECT_GE(w->width(), w->minimumSizeHint().width()) << w->objectName().toStdString();
      }
    }
    d.hide();
  }
}

class EditGiloTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    SetLanguage(LangEnglish);
    cols.SetDefaultColumns();
    cols.SetColumnWidth(1, 120);
    dlg.Columns = &cols;
    dlg.FormShow();
  }
  std::vector<int> Used() const {
    std::vector<int> v;
    for (int r = 0; r < dlg.UsedList->count(); ++r) v.push_back(dlg.UsedList->item(r)->data(Qt::UserRole).toInt());
    return v;
  }
  std::vector<std::pair<int, int>> Layout() const {
    std::vector<std::pair<int, int>> v;
    for (int i = 1; i <= cols.Count(); ++i) v.emplace_back(cols.ColumnIndex(i), cols.ColumnWidth(i));
    return v;
  }

  uitest::AppFirst app_;
  ListColumnsO cols;
  TEditGameInfoLineOptionsDlg dlg;
};

TEST_F(EditGiloTest, ListsShowTheLayout) {
  ASSERT_GE(cols.Count(), 3);
  EXPECT_EQ(dlg.UsedList->count() + dlg.AvailableList->count(), cols.AvailableCount());
  EXPECT_EQ(dlg.UsedList->item(0)->text(), ToQ(cols.ColumnCaption(1)));
  EXPECT_EQ(dlg.AvailableLbl->text(), ToQ(CommonText::S_AvailableLbl + ":"));
  // A second show with another kind of layout rebuilds both lists.
  PlayerColumnsO players;
  players.SetDefaultColumns();
  dlg.Columns = &players;
  dlg.FormShow();
  EXPECT_EQ(dlg.UsedList->count() + dlg.AvailableList->count(), players.AvailableCount());
  EXPECT_EQ(dlg.UsedList->count(), players.Count());
}

TEST_F(EditGiloTest, KeptColumnsKeepTheirWidthNewOnesGetTheDefault) {
  const int first = cols.ColumnIndex(1);
  const int added = dlg.AvailableList->item(0)->data(Qt::UserRole).toInt();
  modal::ScopedAnswerer act([&](QDialog &d) {
    dlg.UsedList->setCurrentRow(0);
    dlg.DownBtnClick();
    dlg.DownBtnClick();
    EXPECT_EQ(dlg.UsedList->currentRow(), 2);
    // A double click adds as the button does.
    dlg.AvailableList->setCurrentRow(0);
    dlg.AvailableList->itemDoubleClicked(dlg.AvailableList->currentItem());
    return modal::ClickButton(d, "OKBtn");
  });
  ASSERT_EQ(dlg.Execute(), QDialog::Accepted);
  const auto layout = Layout();
  ASSERT_EQ(layout[2], std::make_pair(first, 120));
  EXPECT_EQ(layout.back(), std::make_pair(added, ListColumnsO::DefaultWidth));
}

TEST_F(EditGiloTest, RemovingAndOrderingRules) {
  const int n = dlg.UsedList->count();
  const int avail = dlg.AvailableList->count();
  const int second = Used()[1];
  dlg.UsedList->setCurrentRow(1);
  dlg.RemoveBtnClick();
  EXPECT_EQ(dlg.AvailableList->item(avail)->data(Qt::UserRole).toInt(), second);
  EXPECT_EQ(dlg.UsedList->currentRow(), 1);
  dlg.UsedList->setCurrentRow(n - 2);
  dlg.RemoveBtnClick();
  EXPECT_EQ(dlg.UsedList->currentRow(), n - 3);
  // Up on the first and Down on the last change nothing.
  const auto before = Used();
  dlg.UsedList->setCurrentRow(0);
  dlg.UpBtnClick();
  dlg.UsedList->setCurrentRow(dlg.UsedList->count() - 1);
  dlg.DownBtnClick();
  EXPECT_EQ(Used(), before);
  dlg.UpBtnClick();
  EXPECT_EQ(dlg.UsedList->currentRow(), dlg.UsedList->count() - 2);
  EXPECT_EQ(Used()[dlg.UsedList->count() - 2], before.back());
  // No selection moves nothing.
  dlg.UsedList->clearSelection();
  dlg.UsedList->setCurrentRow(-1);
  dlg.RemoveBtnClick();
  EXPECT_EQ(dlg.UsedList->count(), n - 2);
}

TEST_F(EditGiloTest, RemoveAllAndOKLeavesNoColumnsCancelChangesNothing) {
  const auto before = Layout();
  {
    modal::ScopedAnswerer act([&](QDialog &d) {
      while (dlg.UsedList->count() > 0) {
        dlg.UsedList->setCurrentRow(0);
        dlg.RemoveBtnClick();
      }
      return modal::ClickButton(d, "CancelBtn");
    });
    EXPECT_EQ(dlg.Execute(), QDialog::Rejected);
  }
  EXPECT_EQ(Layout(), before);
  modal::ScopedAnswerer act([&](QDialog &d) {
    while (dlg.UsedList->count() > 0) {
      dlg.UsedList->setCurrentRow(dlg.UsedList->count() - 1);
      dlg.UsedList->itemDoubleClicked(dlg.UsedList->currentItem());
    }
    return modal::ClickButton(d, "OKBtn");
  });
  EXPECT_EQ(dlg.Execute(), QDialog::Accepted);
  EXPECT_EQ(cols.Count(), 0);
  EXPECT_EQ(dlg.AvailableList->count(), cols.AvailableCount());
}

TEST_F(EditGiloTest, Snapshots) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    SetLanguage(lang);
    cols.SetLanguage(lang);
    TEditGameInfoLineOptionsDlg d;
    d.Columns = &cols;
    d.FormShow();
    EXPECT_EQ(d.windowTitle(), ToQ(CommonText::S_DlgEditGilo));
    EXPECT_EQ(d.UsedLbl->buddy(), d.UsedList);
    EXPECT_EQ(d.AddBtn->toolTip(), ToQ(GenText::S_AddBtnHint));
    d.show();
    d.adjustSize();
    QTest::qWait(10);
    uitest::Snapshot(&d, lang == LangEnglish ? "header_options_en" : "header_options_nl");
    d.hide();
  }
  cols.SetLanguage(LangEnglish);
  SetLanguage(LangEnglish);
}

}  // namespace
