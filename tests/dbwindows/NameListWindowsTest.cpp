// The players, events/sites and annotators windows on a generated database:
// paging, name order, the memo that stays empty, commands without action,
// header options, settings and the popup.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "dbwindows/DlgAnnotators.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/DlgEventSites.h"
#include "dbwindows/DlgPlayers.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MySplitter.h"
#include "foundation/ui/QtStr.h"
#include "foundation_ui/UiTestApp.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

// Names whose order depends on the fold: case and accents.
const char *const kOddNames[] = {"de Vries, K", "De Boer, A", "\xC9lise, M", "elise, N", "Zwart, B", "\xE9mile, C"};

std::string Player(int i) {
  if (i <= static_cast<int>(std::size(kOddNames))) return kOddNames[i - 1];
  // Stored out of name order: later numbers get earlier names.
  return "Player " + std::to_string(1000 - i);
}

class NameWindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    uitest::App();
    CommonText::SetUILanguage(LangEnglish);
    GenText::SetDialogLanguage(LangEnglish);
    oldSettings_ = ChessApp.SettingsFile;
    ChessApp.SettingsFile = dir.File("settings.ini");
    bool report = false;
    ASSERT_TRUE(db.Open(dir.File("names.qcx"), nullptr, nullptr, report));
    // 251 players in 126 games; three events/sites and two annotators.
    for (int g = 1; g <= 126; ++g) {
      const int black = g == 126 ? 1 : 2 * g;
      std::string text = "[Event \"Open " + std::to_string(g % 3) + "\"]\r\n[Site \"Town\"]\r\n[White \"" +
                         Player(2 * g - 1) + "\"]\r\n[Black \"" + Player(black) + "\"]\r\n[Result \"*\"]\r\n";
      if (g % 10 == 0) text += std::string("[Annotator \"") + (g % 20 ? "Kee, L" : "Moor, P") + "\"]\r\n";
      ASSERT_EQ(db.SavePgnText(-1, text + "\r\n1. e4 *\r\n"), g);
    }
    ASSERT_EQ(db.Players().Count(), 251);
    ASSERT_TRUE(db.Players().BuildSortedIndex());
  }
  void TearDown() override {
    windows.clear();
    uitest::FlushDeletes();
    db.Close(nullptr);
    ChessApp.SettingsFile = oldSettings_;
  }

  template <class T>
  T *Open(int slot = 0) {
    auto w = std::make_unique<T>();
    T *p = w.get();
    windows.push_back(std::move(w));
    if (slot == 0) slot = Slot<T>();
    EXPECT_TRUE(p->Open(&db, slot, "Database"));
    return p;
  }
  template <class T>
  int Slot() {
    if constexpr (std::is_same_v<T, TPlayersDlg>) return db.NewAllPlayersList();
    if constexpr (std::is_same_v<T, TEventSitesDlg>) return db.NewAllEventSitesList();
    return db.NewAllAnnotatorsList();
  }
  // The ids the shown page holds, in row order.
  static std::vector<int32_t> PageIds(PagedListWindow &w) {
    std::vector<int32_t> ids;
    for (int r = 0; r < w.List->count(); ++r) ids.push_back(w.Source()->Item(w.Paging().PageStart() + r));
    return ids;
  }

  testutil::TempDir dir;
  DatabaseO db;
  std::vector<std::unique_ptr<PagedListWindow>> windows;
  std::string oldSettings_;
};

TEST_F(NameWindowsTest, PagesStatusAndNouns) {
  TPlayersDlg *p = Open<TPlayersDlg>();
  EXPECT_EQ(p->StatusText(), "251 players (1/2)");
  EXPECT_EQ(p->List->count(), 250);
  EXPECT_FALSE(p->Panel4->isHidden());
  p->NextPageBtnClick();
  EXPECT_EQ(p->List->count(), 1);
  EXPECT_EQ(p->StatusText(), "251 players (2/2)");
  p->NextPageBtnClick();
  EXPECT_EQ(p->StatusText(), "251 players (2/2)");
  EXPECT_EQ(p->windowTitle(), "Players - [Database]");

  TEventSitesDlg *e = Open<TEventSitesDlg>();
  EXPECT_EQ(e->StatusText(), "3 eventsites (1/1)");
  EXPECT_TRUE(e->Panel4->isHidden());
  const int annotatorSlot = db.NewAllAnnotatorsList();
  TAnnotatorsDlg *a = Open<TAnnotatorsDlg>(annotatorSlot);
  EXPECT_EQ(a->StatusText(), "2 annotators (1/1)");
  EXPECT_EQ(a->windowTitle(), "Annotators - [Database]");
  // Rows are names, never games: the memo stays empty and nothing is red.
  a->List->setCurrentRow(1);
  EXPECT_TRUE(a->Memo->toPlainText().isEmpty());
  // Detach gives the slot back and leaves the window empty.
  a->Detach();
  EXPECT_EQ(a->List->count(), 0);
  EXPECT_EQ(a->windowTitle(), "Annotators");
  EXPECT_EQ(db.NewAllAnnotatorsList(), annotatorSlot);
}

TEST_F(NameWindowsTest, SortingByNameAndByNumber) {
  TPlayersDlg *p = Open<TPlayersDlg>();
  const int32_t chosen = 6;  // "\xE9mile, C": on page 1 in id order, last by name
  p->SelectItem(chosen);
  ASSERT_EQ(p->SelectedItem(), chosen);
  // "&0: " the file order, then the name; the number column is left out.
  const QList<QAction *> items = p->MSortBy->actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text(), ToQ("&0: " + CommonText::S_FileOrder));
  items[1]->trigger();
  EXPECT_EQ(p->SortKind(), ckPlayerName);
  EXPECT_EQ(p->SelectedItem(), chosen) << "the selected id stays selected";
  EXPECT_EQ(p->Paging().Page(), 2);
  // Name order by the shared fold, page after page.
  p->FirstPageBtnClick();
  std::vector<int32_t> ids = PageIds(*p);
  p->NextPageBtnClick();
  for (int32_t id : PageIds(*p)) ids.push_back(id);
  ASSERT_EQ(ids.size(), 251u);
  for (size_t k = 1; k < ids.size(); ++k)
    ASSERT_LE(win1252::CompareText(Player(ids[k - 1]), Player(ids[k])), 0) << k;
  // A header click on the number column goes back to the index's order and
  // stores kind 0.
  p->HeaderControlSectionClick(0);
  EXPECT_EQ(p->SortKind(), 0);
  p->FirstPageBtnClick();
  EXPECT_EQ(PageIds(*p).front(), 1);
  EXPECT_EQ(PageIds(*p)[5], 6);

  // A window made with the name kind stored shows name order at once.
  p->HeaderControlSectionClick(1);
  p->show();
  windows.clear();
  uitest::FlushDeletes();
  {
    IniFile ini(ChessApp.SettingsFile);
    EXPECT_EQ(ini.ReadString("PlayerSplit", "SortKind", ""), "PlayerName");
  }
  TPlayersDlg *again = Open<TPlayersDlg>();
  EXPECT_EQ(again->SortKind(), ckPlayerName);
  EXPECT_EQ(Player(PageIds(*again).front()), "De Boer, A");
}

TEST_F(NameWindowsTest, MemoCommandsAndPopup) {
  TPlayersDlg *p = Open<TPlayersDlg>();
  p->resize(343, 410);
  p->show();
  // View and Delete follow the selection and change nothing.
  p->List->clearSelection();
  EXPECT_FALSE(p->MView->isEnabled());
  EXPECT_FALSE(p->MDelete->isEnabled());
  p->List->setCurrentRow(3);
  EXPECT_TRUE(p->MView->isEnabled());
  EXPECT_TRUE(p->MDelete->isEnabled());
  p->MView->trigger();
  p->MDelete->trigger();
  EXPECT_TRUE(p->isVisible());
  EXPECT_EQ(db.Players().Count(), 251);
  EXPECT_EQ(p->StatusText(), "251 players (1/2)");
  EXPECT_TRUE(p->Memo->toPlainText().isEmpty());

  // Both show items off: the memo goes and the list takes the panel.
  const int before = p->ListPanel->height();
  p->MShowGameMoves->trigger();
  if (p->MShowGameInfo->isChecked()) p->MShowGameInfo->trigger();
  EXPECT_TRUE(p->Memo->isHidden());
  EXPECT_TRUE(p->Splitter->isHidden());
  EXPECT_EQ(p->ListPanel->height(), p->Panel2->height());
  const int saved = p->SavedMemoHeight();
  EXPECT_GT(saved, 0);
  p->PMShowGameInfo->trigger();
  EXPECT_TRUE(p->MShowGameInfo->isChecked());
  EXPECT_FALSE(p->Memo->isHidden());
  EXPECT_EQ(p->Memo->height(), saved);
  EXPECT_EQ(p->ListPanel->height(), before);
  p->List->setCurrentRow(7);
  EXPECT_TRUE(p->Memo->toPlainText().isEmpty());

  // Shift+F10 and the right button open the popup.
  p->activateWindow();
  QTest::keyClick(p->List, Qt::Key_F10, Qt::ShiftModifier);
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(QApplication::activePopupWidget()->objectName(), "ListPopUp");
  QApplication::activePopupWidget()->close();
  const QRect r = p->List->visualItemRect(p->List->item(2));
  QTest::mouseClick(p->List->viewport(), Qt::RightButton, {}, r.center());
  ASSERT_NE(QApplication::activePopupWidget(), nullptr);
  EXPECT_EQ(p->List->currentRow(), 2);
  QApplication::activePopupWidget()->close();
}

TEST_F(NameWindowsTest, HeaderOptionsChangeWindowAndSlot) {
  const int slot = db.NewAllPlayersList();
  TPlayersDlg *p = Open<TPlayersDlg>(slot);
  TEditGameInfoLineOptionsDlg dlg;
  p->LineOptionsDlg = &dlg;
  const int columns = p->Columns().Count();
  {
    modal::ScopedAnswerer cancel([](QDialog &d) { return modal::ClickButton(d, "CancelBtn"); });
    p->MLineOptions->trigger();
  }
  EXPECT_EQ(p->Columns().Count(), columns);
  {
    modal::ScopedAnswerer removeFirst([&](QDialog &d) {
      dlg.UsedList->setCurrentRow(0);
      dlg.RemoveBtnClick();
      return modal::ClickButton(d, "OKBtn");
    });
    p->MLineOptions->trigger();
  }
  ASSERT_EQ(p->Columns().Count(), columns - 1);
  EXPECT_EQ(db.PlayerListColumns(slot).Count(), columns - 1);
  EXPECT_EQ(p->HeaderControl->count(), columns - 1);
  EXPECT_EQ(p->Columns().ColumnKey(1), "playername");
  // Only the file order is left to sort by besides the name.
  EXPECT_EQ(p->MSortBy->actions().size(), 2);
}

TEST_F(NameWindowsTest, EachKindKeepsItsOwnSettings) {
  {
    IniFile ini(ChessApp.SettingsFile);
    ini.WriteString("Other", "Key", "kept");
  }
  TPlayersDlg *p = Open<TPlayersDlg>();
  TEventSitesDlg *e = Open<TEventSitesDlg>();
  TAnnotatorsDlg *never = Open<TAnnotatorsDlg>();
  (void)never;
  p->show();
  e->show();
  p->HeaderControlSectionClick(1);
  p->MShowGameMoves->trigger();  // both off now
  p->HeaderControl->resizeSection(1, 190);
  windows.clear();
  uitest::FlushDeletes();
  IniFile ini(ChessApp.SettingsFile);
  EXPECT_EQ(ini.ReadString("Other", "Key", ""), "kept");
  EXPECT_EQ(ini.ReadString("PlayerSplit", "SortKind", ""), "PlayerName");
  EXPECT_EQ(ini.ReadString("PlayerSplit", "ShowGameMoves", ""), "0");
  EXPECT_NE(ini.ReadString("PlayerSplit", "MemoSaveHeight", ""), "");
  EXPECT_EQ(ini.ReadString("PlayerList", "1", ""), "190");
  EXPECT_NE(ini.ReadString("PlayerLineOptions", "Option1", ""), "");
  EXPECT_NE(ini.ReadString("PlayerWindow", "Top", ""), "");
  EXPECT_EQ(ini.ReadString("EventSplit", "SortKind", "x"), "");
  EXPECT_NE(ini.ReadString("EventSiteLineOptions", "Option1", ""), "");
  EXPECT_NE(ini.ReadString("EventSiteWindow", "Top", ""), "");
  for (const char *s : {"AnnotatorSplit", "AnnotatorLineOptions", "AnnotatorList", "AnnotatorWindow"})
    EXPECT_FALSE(ini.SectionExists(s)) << s << ": a window never shown writes nothing";

  TPlayersDlg *back = Open<TPlayersDlg>();
  EXPECT_EQ(back->SortKind(), ckPlayerName);
  EXPECT_FALSE(back->MShowGameMoves->isChecked());
  EXPECT_TRUE(back->Memo->isHidden());
  EXPECT_EQ(back->HeaderControl->sectionSize(1), 190);
}

TEST_F(NameWindowsTest, Snapshots) {
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    CommonText::SetUILanguage(lang);
    TPlayersDlg *p = Open<TPlayersDlg>();
    TEventSitesDlg *e = Open<TEventSitesDlg>();
    TAnnotatorsDlg *a = Open<TAnnotatorsDlg>();
    for (PagedListWindow *w : std::initializer_list<PagedListWindow *>{p, e, a}) {
      w->show();
      w->UpdateTexts();
      QApplication::processEvents();
    }
    p->List->setCurrentRow(2);
    const QString suffix = lang == LangDutch ? "-nl" : "-en";
    uitest::Snapshot(p, ("players" + suffix).toLatin1().constData());
    uitest::Snapshot(e, ("eventsites" + suffix).toLatin1().constData());
    uitest::Snapshot(a, ("annotators" + suffix).toLatin1().constData());
    if (lang == LangDutch) {
      EXPECT_EQ(p->windowTitle(), "Spelers - [Database]");
    }
    windows.clear();
    uitest::FlushDeletes();
  }
  CommonText::SetUILanguage(LangEnglish);
}

}  // namespace

TEST_F(NameWindowsTest, Utf8NamesAndTitlesReadAsTheyAre) {
  ASSERT_EQ(db.SavePgnText(-1, "[White \"Benk\xc5\x91, P\xc3\xa1l\"]\r\n[Black \"\xd0\x96\xd1\x83\xd0\xba\"]\r\n"
                               "[Result \"*\"]\r\n\r\n1. e4 *\r\n"),
            127);
  ASSERT_TRUE(db.Players().BuildSortedIndex());
  auto w = std::make_unique<TPlayersDlg>();
  ASSERT_TRUE(w->Open(&db, db.NewAllPlayersList(), "K\xc3\xb6ln"));
  EXPECT_EQ(w->windowTitle(), QString::fromUtf8("Players - [K\xc3\xb6ln]"));
  w->resize(500, 300);
  w->show();
  w->LastPageBtnClick();
  uitest::Snapshot(w.get(), "h61-players-utf8");
  w->hide();
  windows.push_back(std::move(w));
}
