#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFontDatabase>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStandardItemModel>
#include <QTest>
#include <algorithm>

#include "TestUtil.h"
#include "foundation/GenText.h"
#include "foundation/LangMan.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

using namespace myui;

namespace {

QApplication *App() {
  if (auto *a = qobject_cast<QApplication *>(QCoreApplication::instance())) return a;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "foundation_ui_tests";
  static char *argv[] = {name, nullptr};
  static QApplication *app = new QApplication(argc, argv);
  return app;
}

// Writes the window to $TV_SHOT_DIR when set, to look at the layout.
void Shot(QWidget *w, const char *name) {
  const QString dir = qEnvironmentVariable("TV_SHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  w->grab().save(dir + "/" + name + ".png");
}

// Object names of the dialog's buttons from left to right.
std::vector<std::string> ButtonOrder(QDialog &dlg) {
  auto buttons = dlg.findChildren<QPushButton *>();
  std::sort(buttons.begin(), buttons.end(), [](auto *a, auto *b) { return a->x() < b->x(); });
  std::vector<std::string> names;
  for (auto *b : buttons) names.push_back(b->objectName().toStdString());
  return names;
}

class MessageDlgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    App();
    QGuiApplication::setApplicationDisplayName("Torvanel/DB");
  }
};

}  // namespace

TEST_F(MessageDlgTest, ButtonsInOrderWithCaptionsAndResults) {
  std::unique_ptr<TMessageForm> all(CreateMessageDialog("All of them", ui::MsgType::Warning, 0x7FF));
  EXPECT_EQ(ButtonOrder(*all), (std::vector<std::string>{"Yes", "No", "OK", "Cancel", "Abort", "Retry",
                                                         "Ignore", "All", "NoToAll", "YesToAll", "Help"}));
  const std::pair<const char *, const char *> captions[] = {{"Yes", "&Yes"},
                                                            {"No", "&No"},
                                                            {"OK", "OK"},
                                                            {"Cancel", "Cancel"},
                                                            {"Abort", "&Abort"},
                                                            {"Retry", "&Retry"},
                                                            {"Ignore", "&Ignore"},
                                                            {"All", "&All"},
                                                            {"NoToAll", "N&o to All"},
                                                            {"YesToAll", "Y&es to All"},
                                                            {"Help", "&Help"}};
  for (auto [name, caption] : captions)
    EXPECT_EQ(all->findChild<QPushButton *>(name)->text().toStdString(), caption) << name;
  Shot(all.get(), "msgdlg_all_buttons");

  const std::pair<const char *, int> results[] = {{"Yes", ui::mrYes},         {"No", ui::mrNo},
                                                  {"OK", ui::mrOk},           {"Cancel", ui::mrCancel},
                                                  {"Abort", ui::mrAbort},     {"Retry", ui::mrRetry},
                                                  {"Ignore", ui::mrIgnore},   {"All", ui::mrAll},
                                                  {"NoToAll", ui::mrNoToAll}, {"YesToAll", ui::mrYesToAll}};
  for (auto [name, result] : results) {
    std::string clicked = name;
    modal::ScopedAnswerer a(
        [&](QDialog &d) { return modal::ClickButton(d, QString::fromStdString(clicked)); });
    EXPECT_EQ(myui::MessageDlg("Which?", ui::MsgType::Confirmation, 0x3FF), result) << name;
  }
}

TEST_F(MessageDlgTest, LayoutTitleAndIcon) {
  std::unique_ptr<TMessageForm> dlg(
      CreateMessageDialog("Save the changes to the game?", ui::MsgType::Confirmation, ui::mbYesNoCancel));
  dlg->show();
  EXPECT_EQ(dlg->windowTitle(), "Confirm");
  auto *image = dlg->findChild<QLabel *>("Image");
  auto *message = dlg->findChild<QLabel *>("Message");
  ASSERT_TRUE(image && message);
  EXPECT_TRUE(image->isVisible());
  EXPECT_EQ(image->size(), QSize(32, 32));
  EXPECT_EQ(message->text(), "Save the changes to the game?");
  EXPECT_GT(message->x(), image->x() + image->width());
  // The buttons sit under the icon and text, centred, evenly spaced and equal.
  auto *yes = dlg->findChild<QPushButton *>("Yes");
  auto *no = dlg->findChild<QPushButton *>("No");
  auto *cancel = dlg->findChild<QPushButton *>("Cancel");
  EXPECT_GT(yes->y(), std::max(image->geometry().bottom(), message->geometry().bottom()));
  EXPECT_EQ(yes->y(), cancel->y());
  EXPECT_EQ(yes->width(), cancel->width());
  EXPECT_EQ(no->x() - yes->x(), cancel->x() - no->x());
  EXPECT_NEAR(yes->x(), dlg->width() - (cancel->x() + cancel->width()), 1);
  EXPECT_LE(cancel->geometry().bottom(), dlg->height());
  // Centred on the screen.
  const QRect s = QGuiApplication::primaryScreen()->geometry();
  EXPECT_NEAR(dlg->x() + dlg->width() / 2, s.width() / 2, 1);
  EXPECT_NEAR(dlg->y() + dlg->height() / 2, s.height() / 2, 1);
  EXPECT_TRUE(yes->isDefault());
  Shot(dlg.get(), "msgdlg_confirm");

  // A long text wraps within half the screen width.
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "word" + std::to_string(i) + " ";
  std::unique_ptr<TMessageForm> wide(CreateMessageDialog(longText, ui::MsgType::Error, ui::mbOK));
  EXPECT_EQ(wide->windowTitle(), "Error");
  EXPECT_LE(wide->findChild<QLabel *>("Message")->width(), s.width() / 2);
  EXPECT_GT(wide->findChild<QLabel *>("Message")->height(), 2 * QFontMetrics(wide->font()).height());
  Shot(wide.get(), "msgdlg_error_long");

  // The custom type: the application's title and no icon.
  std::unique_ptr<TMessageForm> custom(CreateMessageDialog("a < b & c", ui::MsgType::Custom, ui::mbOK));
  custom->show();
  EXPECT_EQ(custom->windowTitle(), "Torvanel/DB");
  EXPECT_FALSE(custom->findChild<QLabel *>("Image")->isVisible());
  EXPECT_EQ(custom->findChild<QLabel *>("Message")->text(), "a < b & c");  // plain text
  EXPECT_EQ(custom->findChild<QLabel *>("Message")->x(), custom->findChild<QLabel *>("Image")->x());
  Shot(custom.get(), "msgdlg_custom");
  EXPECT_EQ(std::unique_ptr<TMessageForm>(CreateMessageDialog("i", ui::MsgType::Information, ui::mbOK))
                ->windowTitle(),
            "Information");
  EXPECT_EQ(
      std::unique_ptr<TMessageForm>(CreateMessageDialog("w", ui::MsgType::Warning, ui::mbOK))->windowTitle(),
      "Warning");
}

TEST_F(MessageDlgTest, CaptionsFollowTheLanguage) {
  testutil::TempDir dir;
  testutil::AppDirGuard guard(dir.Path());
  GenText::SetDialogLanguage(LangDutch);
  std::unique_ptr<TMessageForm> dlg(CreateMessageDialog("?", ui::MsgType::Warning, ui::mbYesNo));
  GenText::SetDialogLanguage(LangEnglish);
  EXPECT_EQ(dlg->windowTitle(), "Waarschuwing");
  EXPECT_EQ(dlg->findChild<QPushButton *>("Yes")->text(), "&Ja");
  EXPECT_EQ(dlg->findChild<QPushButton *>("No")->text(), "&Nee");
}

TEST_F(MessageDlgTest, EnterAndEscape) {
  struct Case {
    unsigned buttons;
    int enter, escape;
  };
  const Case cases[] = {
      {ui::mbYesNoCancel, ui::mrYes, ui::mrCancel},
      {ui::mbYesNo, ui::mrYes, ui::mrNo},
      {ui::mbOKCancel | ui::mbYes, ui::mrOk, ui::mrCancel},
      {ui::mbOK, ui::mrOk, ui::mrOk},
      {ui::mbAbort | ui::mbRetry | ui::mbIgnore, ui::mrRetry, ui::mrCancel},
  };
  for (const auto &c : cases) {
    {
      modal::ScopedAnswerer a([](QDialog &d) {
        d.show();
        QTest::keyClick(&d, Qt::Key_Return);
        return d.result();
      });
      EXPECT_EQ(myui::MessageDlg("x", ui::MsgType::Warning, c.buttons), c.enter) << c.buttons;
    }
    {
      modal::ScopedAnswerer a([](QDialog &d) {
        d.show();
        QTest::keyClick(&d, Qt::Key_Escape);
        return d.result();
      });
      EXPECT_EQ(myui::MessageDlg("x", ui::MsgType::Warning, c.buttons), c.escape) << c.buttons;
    }
    {
      modal::ScopedAnswerer a([](QDialog &d) {
        d.show();
        d.close();  // the close box
        return d.result();
      });
      EXPECT_EQ(myui::MessageDlg("x", ui::MsgType::Warning, c.buttons), c.escape) << c.buttons;
    }
  }
}

// A question with a safe default: Enter presses it, through the installed
// hook as well.
TEST_F(MessageDlgTest, DefaultButtonChosenByTheCaller) {
  ui::Hooks old = ui::CurrentHooks();
  InstallUiHooks();
  modal::ScopedAnswerer a([](QDialog &d) {
    d.show();
    QTest::keyClick(&d, Qt::Key_Return);
    return d.result();
  });
  EXPECT_EQ(ui::MessageDlg("x", ui::MsgType::Confirmation, ui::mbYesNoCancel, ui::mrCancel), ui::mrCancel);
  EXPECT_EQ(ui::MessageDlg("x", ui::MsgType::Error, ui::mbYesNo, ui::mrNo), ui::mrNo);
  EXPECT_EQ(ui::MessageDlg("x", ui::MsgType::Error, ui::mbYesNo), ui::mrYes);
  ui::InstallHooks(old);
  std::unique_ptr<TMessageForm> dlg(CreateMessageDialog("q", ui::MsgType::Confirmation, ui::mbYesNo, ui::mrNo));
  EXPECT_TRUE(dlg->findChild<QPushButton *>("No")->isDefault());
  EXPECT_FALSE(dlg->findChild<QPushButton *>("Yes")->isDefault());
}

TEST_F(MessageDlgTest, HelpButtonDoesNotClose) {
  std::vector<std::string> seen;
  modal::ScopedAnswerer a([&](QDialog &d) {
    seen.push_back(d.findChild<QLabel *>("Message")->text().toStdString());
    if (seen.size() == 1) {
      EXPECT_EQ(modal::ClickButton(d, "Help"), 0);
      EXPECT_EQ(d.result(), 0);
      return modal::ClickButton(d, "OK");
    }
    return modal::ClickButton(d, "OK");
  });
  EXPECT_EQ(myui::MessageDlg("With help", ui::MsgType::Information, ui::mbOK | ui::mbHelp, 12), ui::mrOk);
  EXPECT_EQ(seen, (std::vector<std::string>{"With help", "No help available"}));
}

TEST_F(MessageDlgTest, InstalledAsUiHooks) {
  ui::Hooks old = ui::CurrentHooks();
  bool status = false;
  ui::Hooks withStatus;
  withStatus.setStatusText = [&](const std::string &) { status = true; };
  ui::InstallHooks(withStatus);
  InstallUiHooks();
  std::vector<std::string> seen;
  modal::ScopedAnswerer a([&](QDialog &d) {
    seen.push_back(d.windowTitle().toStdString() + "|" +
                   d.findChild<QLabel *>("Message")->text().toStdString() + "|" + std::to_string(d.x()) +
                   "," + std::to_string(d.y()));
    return modal::ClickButton(d, d.findChild<QPushButton *>("No") ? "No" : "OK");
  });
  ui::ShowMessage("GameStoreO.OpenFile failed for games_file (2)");
  EXPECT_EQ(ui::MessageDlg("Delete?", ui::MsgType::Confirmation, ui::mbYesNo, 10, 20), ui::mrNo);
  ui::SetStatusText("s");
  {
    ui::HourglassGuard g;
    EXPECT_EQ(CursorStackDepth(), 1);
  }
  EXPECT_EQ(CursorStackDepth(), 0);
  ui::InstallHooks(old);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].substr(0, seen[0].rfind('|')),
            "Torvanel/DB|GameStoreO.OpenFile failed for games_file (2)");
  EXPECT_EQ(seen[1], "Confirm|Delete?|10,20");
  EXPECT_TRUE(status);  // the status hook already installed stays
}

namespace {
class PlacementTest : public ::testing::Test {
 protected:
  void SetUp() override { App(); }
  testutil::TempDir dir;
  std::string ini = dir.File("placement.ini");
  QRect Avail() const { return QGuiApplication::primaryScreen()->availableGeometry(); }
};
}  // namespace

TEST_F(PlacementTest, MaximizedRoundTrip) {
  QWidget w;
  w.setGeometry(100, 80, 300, 200);
  w.show();
  w.setWindowState(Qt::WindowMaximized);
  ASSERT_TRUE(IsMaximized(&w));
  SaveFormPlacement(ini, "Main", &w);
  {
    IniFile f(ini);
    EXPECT_EQ(f.ReadSectionValues("Main"),
              (std::vector<std::pair<std::string, std::string>>{
                  {"Top", "80"}, {"Left", "100"}, {"Right", "400"}, {"Bottom", "280"}, {"State", "3"}}));
  }
  QWidget back;
  back.resize(50, 50);
  EXPECT_TRUE(RestoreFormPlacement(ini, "Main", &back));
  EXPECT_TRUE(IsMaximized(&back));
  back.show();
  EXPECT_EQ(back.normalGeometry(), QRect(100, 80, 300, 200));
}

TEST_F(PlacementTest, MinimizedComesBackNormal) {
  QWidget w;
  w.setGeometry(40, 30, 200, 150);
  w.show();
  w.setWindowState(Qt::WindowMinimized);
  SaveFormPlacement(ini, "W", &w);
  EXPECT_EQ(IniFile(ini).ReadInteger("W", "State", 0), 1);
  QWidget back;
  EXPECT_TRUE(RestoreFormPlacement(ini, "W", &back));
  EXPECT_FALSE(back.isMinimized());
  EXPECT_FALSE(back.isMaximized());
  EXPECT_EQ(back.geometry(), QRect(40, 30, 200, 150));
}

TEST_F(PlacementTest, DialogKeepsItsSize) {
  QDialog d;
  d.setFixedSize(240, 120);
  EXPECT_EQ(GetBorderStyle(&d), BorderStyle::Dialog);
  d.move(10, 10);
  SaveFormPlacement(ini, "Dlg", &d);
  EXPECT_FALSE(IniFile(ini).ValueExists("Dlg", "Right"));
  {
    IniFile f(ini);
    f.EraseSection("Dlg");
    f.WriteInteger("Dlg", "Top", 100);
    f.WriteInteger("Dlg", "Left", 50);
    f.WriteInteger("Dlg", "Right", 700);  // ignored for a dialog
    f.WriteInteger("Dlg", "Bottom", 500);
  }
  QDialog back;
  back.setFixedSize(240, 120);
  EXPECT_TRUE(RestoreFormPlacement(ini, "Dlg", &back));
  EXPECT_EQ(back.geometry(), QRect(50, 100, 240, 120));
}

TEST_F(PlacementTest, MissingOrPartialSections) {
  QWidget w;
  w.resize(300, 200);
  EXPECT_FALSE(RestoreFormPlacement(ini, "None", &w));  // centred, designed size
  const QRect s = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(w.geometry(), QRect(s.width() / 2 - 150, s.height() / 2 - 100, 300, 200));

  {
    IniFile f(ini);
    f.WriteInteger("Part", "Top", 20);
    f.WriteInteger("Part", "Left", 30);
    f.WriteInteger("Part", "State", 99999);  // out of range: normal
  }
  QWidget p;
  p.resize(300, 200);
  SetBorderStyle(&p, BorderStyle::Sizeable);
  EXPECT_TRUE(RestoreFormPlacement(ini, "Part", &p));
  EXPECT_EQ(p.geometry(), QRect(30, 20, 300, 200));  // keeps its size
  EXPECT_FALSE(p.isMaximized());
}

TEST_F(PlacementTest, KeptOnTheVisibleScreen) {
  {
    IniFile f(ini);
    f.WriteInteger("Far", "Top", 3000);
    f.WriteInteger("Far", "Left", 5000);
    f.WriteInteger("Far", "Right", 5200);
    f.WriteInteger("Far", "Bottom", 3100);
    f.WriteInteger("Huge", "Top", -50);
    f.WriteInteger("Huge", "Left", -80);
    f.WriteInteger("Huge", "Right", 9000);
    f.WriteInteger("Huge", "Bottom", 9000);
    f.WriteInteger("Bad", "Top", 10);
    f.WriteInteger("Bad", "Left", 10);
    f.WriteInteger("Bad", "Right", 5);
    f.WriteInteger("Bad", "Bottom", 2);
  }
  QWidget far;
  RestoreFormPlacement(ini, "Far", &far);
  EXPECT_TRUE(Avail().contains(far.geometry())) << far.geometry().x() << "," << far.geometry().y();
  EXPECT_EQ(far.size(), QSize(200, 100));
  QWidget huge;
  RestoreFormPlacement(ini, "Huge", &huge);
  EXPECT_EQ(huge.geometry(), Avail());
  QWidget bad;
  bad.resize(120, 90);
  RestoreFormPlacement(ini, "Bad", &bad);
  EXPECT_EQ(bad.geometry(), QRect(10, 10, 120, 90));
}

TEST_F(PlacementTest, CenterAndHeaderWidths) {
  QWidget w;
  w.resize(200, 100);
  CenterForm(&w);
  const QRect s = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(w.pos(), QPoint(s.width() / 2 - 100, s.height() / 2 - 50));

  QStandardItemModel model(1, 3);
  QHeaderView h(Qt::Horizontal);
  h.setModel(&model);
  h.resizeSection(0, 40);
  h.resizeSection(1, 90);
  h.resizeSection(2, 35);
  SaveHeaderWidths(ini, "Cols", &h);
  {
    IniFile f(ini);
    EXPECT_EQ(f.ReadSectionValues("Cols"),
              (std::vector<std::pair<std::string, std::string>>{{"0", "40"}, {"1", "90"}, {"2", "35"}}));
    f.WriteString("Cols", "1", "wide");  // not a number: the current width stays
    f.WriteInteger("Cols", "2", -5);
  }
  QHeaderView h2(Qt::Horizontal);
  h2.setModel(&model);
  h2.resizeSection(1, 77);
  h2.resizeSection(2, 45);
  LoadHeaderWidths(ini, "Cols", &h2);
  EXPECT_EQ(h2.sectionSize(0), 40);
  EXPECT_EQ(h2.sectionSize(1), 77);
  EXPECT_EQ(h2.sectionSize(2), 45);
}

TEST(CursorStack, NestingRestores) {
  App();
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  PopCursor();  // empty: nothing
  SetHourglassCursor();
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  PushCursor();
  SetHourglassCursor();
  EXPECT_EQ(CursorStackDepth(), 3);
  PopCursor();
  PopCursor();
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  PopCursor();
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
  PopCursor();
  EXPECT_EQ(CursorStackDepth(), 0);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(AllForms, DisableAndEnable) {
  App();
  QWidget a, b, keep;
  a.show();
  b.show();
  keep.show();
  QWidget child(&a);
  DisableAllForms(&keep);
  EXPECT_FALSE(a.isEnabled());
  EXPECT_FALSE(b.isEnabled());
  EXPECT_TRUE(keep.isEnabled());
  EnableAllForms();
  EXPECT_TRUE(a.isEnabled() && b.isEnabled() && keep.isEnabled() && child.isEnabled());
}

TEST(Fonts, DefaultFirstSortedWithoutRepeats) {
  App();
  EnumerateFonts();
  const auto &fonts = InstalledFonts();
  ASSERT_FALSE(fonts.empty());
  EXPECT_NE(std::find(fonts.begin(), fonts.end(), "Default"), fonts.end());
  for (size_t i = 1; i < fonts.size(); ++i) {
    EXPECT_LE(win1252::CompareText(fonts[i - 1], fonts[i]), 0);
  }
  EXPECT_EQ(fonts.size(), QFontDatabase::families().size() + 1);
}

TEST(Clipboard, TextAndRtf) {
  App();
  CopyTextToClipboard("Caf\xE9 \x80");
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("Caf\xC3\xA9 \xE2\x82\xAC"));
  const std::string rtf = "{\\rtf1\\ansi Caf\\'e9}";
  CopyToClipboardAsRTF(rtf);
  const QMimeData *m = QGuiApplication::clipboard()->mimeData();
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(m->data("text/rtf").toStdString(), rtf);  // no terminating zero
  EXPECT_EQ(m->data("text/richtext").toStdString(), rtf);
}
