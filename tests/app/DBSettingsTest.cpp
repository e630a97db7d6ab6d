#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cerrno>
#include <set>
#include <vector>

#include "AppTestUtil.h"
#include "app/DlgDBSettings.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/Reports.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/QtStr.h"
#include "platform/Files.h"

namespace {

std::string Game(const std::string &white, const std::string &black, const std::string &site) {
  return "[Event \"Club\"]\r\n[Site \"" + site + "\"]\r\n[White \"" + white + "\"]\r\n[Black \"" + black +
         "\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Qh5 Nc6 3. Bc4 Nf6 4. Qxf7# 1-0\r\n";
}

const char *const kBoosterExts[] = {".bpl", ".bes", ".bli"};

class DBSettingsTest : public ::testing::Test, public apptest::MainFixture {
 protected:
  ~DBSettingsTest() override {
    apptest::SetLanguage(LangEnglish);
    for (QWidget *w : QApplication::topLevelWidgets())
      if (qobject_cast<TShowReportDlg *>(w)) w->close();
    uitest::FlushDeletes();
  }
  std::string Path() const { return db_.File("B.qcx"); }
  // The main window with B.qcx open as the file, and games from the list.
  TMainForm &Opened(const std::vector<std::string> &games = {}) {
    TMainForm &f = Form();
    bool importReport = false;
    EXPECT_TRUE(f.Database.Open(Path(), nullptr, nullptr, importReport));
    for (const std::string &g : games) EXPECT_GT(f.Database.SavePgnText(-1, g), 0);
    f.FileOpen = true;
    return f;
  }
  void Close(TMainForm &f) {
    EXPECT_TRUE(f.Database.Close(nullptr));
    f.FileOpen = false;
  }
  bool BoosterFiles(bool present) const {
    for (const char *e : kBoosterExts)
      if (files::FileExists(db_.File(std::string("B") + e)) != present) return false;
    return true;
  }
  // Runs the command; the answerer sees the dialog and answers it.
  int RunCommand(TMainForm &f, const std::function<int(TDBSettingsDlg &)> &answer) {
    int shown = 0;
    modal::ScopedAnswerer a([&](QDialog &d) {
      ++shown;
      return answer(dynamic_cast<TDBSettingsDlg &>(d));
    });
    f.MDBSettingsClick();
    return shown;
  }
  static TShowReportDlg *ReportWindow(QWidget *parent) {
    auto list = parent->findChildren<TShowReportDlg *>(QString(), Qt::FindDirectChildrenOnly);
    return list.isEmpty() ? nullptr : list.last();
  }
  static std::vector<std::string> Lines(DatabaseO &db) {
    ReportO r;
    db.InfoText(r);
    return r.Lines();
  }

  testutil::TempDir db_;
};

TEST_F(DBSettingsTest, TheDescriptionReachesTheFileInWindows1252) {
  TMainForm &f = Opened();
  EXPECT_EQ(RunCommand(f,
                       [](TDBSettingsDlg &d) {
                         EXPECT_EQ(d.windowTitle(), "DB Settings");
                         EXPECT_EQ(d.DBDescriptionLbl->text(), "&Description:");
                         EXPECT_EQ(d.DBDescriptionEd->text(), "");
                         d.DBDescriptionEd->setText(QString::fromUtf8("Partijen van J\xc3\xb6rg"));
                         return modal::ClickButton(d, "OKBtn");
                       }),
            1);
  EXPECT_EQ(f.Database.GetDescription(), "Partijen van J\xF6rg");
  Close(f);
  EXPECT_NE(db_.Read("B.qcx").find("Description=Partijen van J\xF6rg\r\n"), std::string::npos);
  Opened();
  RunCommand(f, [](TDBSettingsDlg &d) {
    EXPECT_EQ(d.DBDescriptionEd->text(), QString::fromUtf8("Partijen van J\xc3\xb6rg"));
    return modal::ClickButton(d, "CancelBtn");
  });
}

TEST_F(DBSettingsTest, TheBoosterGoesAndComesBackWithEveryGameLinked) {
  TMainForm &f = Opened({Game("Anna", "Bert", "Delft"), Game("Bert", "Carl", "Gouda"),
                         Game("Carl", "Anna", "Delft"), Game("Anna", "Dirk", "Ede")});
  ASSERT_TRUE(f.Database.HasSearchBooster());
  ASSERT_TRUE(BoosterFiles(true));
  int hourglass = 0;
  ui::Hooks old = ui::CurrentHooks();
  ui::Hooks h = old;
  h.pushHourglass = [&] {
    ++hourglass;
    if (old.pushHourglass) old.pushHourglass();
  };
  ui::InstallHooks(h);

  RunCommand(f, [](TDBSettingsDlg &d) {
    EXPECT_TRUE(d.UseSearchBoosterCB->isChecked());
    d.UseSearchBoosterCB->setChecked(false);
    return modal::ClickButton(d, "OKBtn");
  });
  EXPECT_FALSE(f.Database.HasSearchBooster());
  EXPECT_TRUE(BoosterFiles(false));

  hourglass = 0;
  RunCommand(f, [](TDBSettingsDlg &d) {
    EXPECT_FALSE(d.UseSearchBoosterCB->isChecked());
    d.UseSearchBoosterCB->setChecked(true);
    return modal::ClickButton(d, "OKBtn");
  });
  ui::InstallHooks(old);
  EXPECT_GE(hourglass, 1);
  EXPECT_TRUE(f.Database.HasSearchBooster());
  EXPECT_TRUE(BoosterFiles(true));

  // Each player's walk finds exactly the games a scan of the descriptors finds.
  DatabaseO &db = f.Database;
  const uint32_t players = static_cast<uint32_t>(db.Players().Count());
  ASSERT_EQ(players, 4u);
  for (uint32_t p = 1; p <= players; ++p) {
    std::set<int32_t> walked, scanned;
    EXPECT_TRUE(db.SearchBooster().WalkPlayer(db.GameStore(), p, [&](int32_t n, const GameDescriptor &) {
      walked.insert(n);
      return true;
    }));
    for (int32_t n = 1; n <= db.GameCount(); ++n) {
      GameDescriptor d;
      ASSERT_TRUE(db.GameStore().ReadDescriptor(n, d));
      if (d.white == p || d.black == p) scanned.insert(n);
    }
    EXPECT_FALSE(scanned.empty());
    EXPECT_EQ(walked, scanned) << "player " << p;
  }
}

TEST_F(DBSettingsTest, AnUnchangedOKKeepsABoosterARefusedWriteCut) {
  TMainForm &f = Opened({Game("Anna", "Bert", "Delft"), Game("Bert", "Carl", "Gouda")});
  // A booster write refused after the game is stored.
  int32_t stored = 0;
  {
    testutil::MessageRecorder rec;
    for (int nth = 1; nth <= 20 && !stored; ++nth) {
      FileFault fault(FileFault::Op::Write, nth, ENOSPC);
      stored = f.Database.SavePgnText(-1, Game("Carl", "Dirk", "Ede"));
    }
  }
  ASSERT_EQ(stored, 3);
  ASSERT_FALSE(f.Database.HasSearchBooster());
  RunCommand(f, [](TDBSettingsDlg &d) {
    EXPECT_FALSE(d.UseSearchBoosterCB->isChecked());
    return modal::ClickButton(d, "OKBtn");
  });
  EXPECT_TRUE(files::FileExists(db_.File("B.bpl")));
  EXPECT_TRUE(files::FileExists(db_.File("B.bli")));
  Close(f);
  // The next open rebuilds it, every game linked.
  Opened();
  EXPECT_TRUE(f.Database.HasSearchBooster());
  EXPECT_EQ(f.Database.SearchBooster().LinkedGames(), 3);
  Close(f);
}

TEST_F(DBSettingsTest, CancelChangesNothing) {
  TMainForm &f = Opened({Game("Anna", "Bert", "Delft")});
  f.Database.SetDescription("Kept");
  RunCommand(f, [](TDBSettingsDlg &d) {
    d.DBDescriptionEd->setText("Changed");
    d.UseSearchBoosterCB->setChecked(false);
    return modal::ClickButton(d, "CancelBtn");
  });
  EXPECT_EQ(f.Database.GetDescription(), "Kept");
  EXPECT_TRUE(f.Database.HasSearchBooster());
  EXPECT_TRUE(BoosterFiles(true));
  Close(f);
  EXPECT_TRUE(BoosterFiles(true));
  EXPECT_NE(db_.Read("B.qcx").find("Description=Kept\r\n"), std::string::npos);
}

TEST_F(DBSettingsTest, TheInfoWindowListsTheDatabaseAndOutlivesTheDialog) {
  TMainForm &f = Opened({Game("Anna", "Bert", "Delft"), Game("Bert", "Carl", "Gouda")});
  const std::vector<std::string> lines = Lines(f.Database);
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Nr of games: 2");
  EXPECT_EQ(lines[1], "Nr of players: 3");
  EXPECT_EQ(lines[10].rfind("SearchBooster: ", 0), 0u);
  TShowReportDlg *report = nullptr;
  RunCommand(f, [&](TDBSettingsDlg &d) {
    d.DBInfoBtn->click();
    report = ReportWindow(&d);
    EXPECT_NE(report, nullptr);
    if (!report) return modal::ClickButton(d, "CancelBtn");
    QApplication::processEvents();
    EXPECT_TRUE(report->isVisible());
    EXPECT_TRUE(report->Filled());
    // A modal dialog runs: its child window still takes input.
    EXPECT_FALSE(QApplication::activeModalWidget() && QApplication::activeModalWidget() != &d);
    return modal::ClickButton(d, "OKBtn");
  });
  ASSERT_NE(report, nullptr);
  EXPECT_EQ(report->windowTitle(), "Database info");
  EXPECT_EQ(report->HelpContext(), 0);
  EXPECT_EQ(report->SettingsKey(), "");
  std::string joined;
  for (const std::string &l : lines) joined += (joined.empty() ? "" : "\n") + l;
  EXPECT_EQ(FromQ(report->RichEdit()->toPlainText()), joined);
  // The dialog is gone; the report stays open.
  EXPECT_FALSE(DBSettingsDlg->isVisible());
  EXPECT_TRUE(report->isVisible());
  report->close();
}

TEST_F(DBSettingsTest, AnEmptyDatabaseReportsNoBytesPerGame) {
  TMainForm &f = Opened();
  TShowReportDlg *report = nullptr;
  RunCommand(f, [&](TDBSettingsDlg &d) {
    d.DBInfoBtn->click();
    report = ReportWindow(&d);
    QApplication::processEvents();
    return modal::ClickButton(d, "CancelBtn");
  });
  ASSERT_NE(report, nullptr);
  const QStringList lines = report->RichEdit()->toPlainText().split('\n');
  EXPECT_EQ(lines.first(), "Nr of games: 0");
  EXPECT_TRUE(lines.last().endsWith(", 0 bytes/game")) << lines.last().toStdString();
  report->close();
}

TEST_F(DBSettingsTest, TheCommandShowsTheDialogOnlyWhileAFileIsOpen) {
  TMainForm &f = Form();
  int shown = 0;
  modal::ScopedAnswerer a([&](QDialog &d) {
    ++shown;
    return modal::ClickButton(d, "CancelBtn");
  });
  // Hidden by the release switch, and off without a file.
  EXPECT_FALSE(f.Item("MDBSettings")->isVisible());
  f.Item("MDBSettings")->trigger();
  EXPECT_EQ(shown, 0);
  // Opening a file enables it.
  Opened();
  f.SetCommandEnabled("MDBSettings", true);
  f.Item("MDBSettings")->trigger();
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(DBSettingsDlg->Database, &f.Database);
  // Closing disables it; the handler itself refuses without a file too.
  Close(f);
  f.Item("MDBSettings")->trigger();
  EXPECT_EQ(shown, 1);
  f.SetCommandEnabled("MDBSettings", false);
  f.Item("MDBSettings")->trigger();
  EXPECT_EQ(shown, 1);
}

// The dialog and its info window in both languages: captions, the
// description decoded, the booster ticked, every control enabled, and the
// database's lines in the window; the pictures when TV_SHOT_DIR is set.
TEST_F(DBSettingsTest, Snapshots) {
  TMainForm &f = Opened({Game("Anna", "Bert", "Delft")});
  f.Database.SetDescription("Partijen van J\xF6rg");
  std::string joined;
  for (const std::string &l : Lines(f.Database)) joined += (joined.empty() ? "" : "\n") + l;
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    apptest::SetLanguage(lang);
    const bool dutch = lang == LangDutch;
    const std::string suffix = dutch ? "_nl" : "_en";
    const int shown = RunCommand(f, [&](TDBSettingsDlg &d) {
      apptest::ShowUnsqueezed(d);
      EXPECT_EQ(d.windowTitle(), dutch ? "Database-instellingen" : "DB Settings");
      EXPECT_EQ(d.DBDescriptionLbl->text(), dutch ? "&Omschrijving:" : "&Description:");
      EXPECT_EQ(d.DBDescriptionEd->text(), QString::fromUtf8("Partijen van J\xc3\xb6rg"));
      EXPECT_EQ(d.UseSearchBoosterCB->text(), dutch ? "&Zoekversneller" : "&Search booster");
      EXPECT_TRUE(d.UseSearchBoosterCB->isChecked());
      EXPECT_EQ(d.CancelBtn->text(), dutch ? "Annuleren" : "Cancel");
      for (QWidget *w : std::initializer_list<QWidget *>{d.DBDescriptionEd, d.UseSearchBoosterCB, d.DBInfoBtn,
                                                         d.OKBtn, d.CancelBtn})
        EXPECT_TRUE(w->isVisible() && w->isEnabled()) << w->objectName().toStdString();
      uitest::Snapshot(&d, ("dbsettings" + suffix).c_str());
      d.DBInfoBtn->click();
      TShowReportDlg *report = ReportWindow(&d);
      QApplication::processEvents();
      EXPECT_NE(report, nullptr);
      if (report) {
        EXPECT_TRUE(report->isVisible());
        EXPECT_EQ(FromQ(report->RichEdit()->toPlainText()), joined);
        uitest::Snapshot(report, ("dbinfo" + suffix).c_str());
        report->close();
      }
      return modal::ClickButton(d, "CancelBtn");
    });
    EXPECT_EQ(shown, 1);
  }
  EXPECT_EQ(f.Database.GetDescription(), "Partijen van J\xF6rg");
}

}  // namespace
