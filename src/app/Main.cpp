#include "app/Main.h"

#include "board/ui/BoardLabels.h"
#include "app/Guard.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSessionManager>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTimer>
#include <exception>

#include "app/DlgPreferences.h"
#include "app/Forms.h"
#include "appman/ChessAppMan.h"
#include "board/ChsBmps.h"
#include "board/ui/ChsBrds.h"
#include "chess/Language.h"
#include "engine/ChsClocks.h"
#include "engine/ui/DlgEditTime.h"
#include "engine/ui/DlgEditTimeControl.h"
#include "foundation/AppText.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/LangMan.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/ChessFontsUi.h"
#include "foundation/ui/Hints.h"
#include "foundation/ui/ListBoxMemoSplitPanels.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "platform/Dirs.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

const std::string kGeneral = "General";
const std::string kMainWindow = "MainWindow";
const std::string kMainToolbar = "MainToolbar";

// A main-menu entry: its component name, the menu it stands in ("" for the
// menu bar, "-" for a menu-less window action), its fixed shortcut, whether
// its caption takes "..." (it opens a dialog), and whether it is a submenu.
struct ItemDef {
  const char *name;
  const char *parent;
  const char *shortcut;
  bool dialog;
  bool submenu;
  bool checkable;
  bool separatorBefore;
};

// In menu order.
constexpr ItemDef kItems[] = {
    {"MFile", "", "", false, true, false, false},
    {"MNew", "MFile", "", true, false, false, false},
    {"MOpen", "MFile", "Ctrl+O", true, false, false, false},
    {"MReopen", "MFile", "", false, true, false, false},
    {"MSave", "MFile", "", false, false, false, false},
    {"MSaveAs", "MFile", "", true, false, false, false},
    {"MClose", "MFile", "", false, false, false, false},
    {"MGames", "MFile", "", true, false, false, true},
    {"MOpenings", "MFile", "", true, false, false, false},
    {"MPlayers", "MFile", "", true, false, false, false},
    {"MEventSites", "MFile", "", true, false, false, false},
    {"MAnnotators", "MFile", "", true, false, false, false},
    {"MSearchGames", "MFile", "Ctrl+F", true, false, false, false},
    {"MFoundGames", "MFile", "", true, false, false, false},
    {"MTreeDlg", "MFile", "", true, false, false, false},
    {"MReopenLastList", "-", "F11", false, false, false, false},
    {"MLists", "MFile", "", false, true, false, false},
    {"MClassifyAllGames", "MFile", "", false, false, false, true},
    {"MViewGamesOnly", "MFile", "", false, false, true, false},
    {"MImportGames", "MFile", "", true, false, false, false},
    {"MDBSettings", "MFile", "", false, false, false, false},
    {"MPreferences", "MFile", "F2", true, false, false, true},
    {"MExit", "MFile", "", false, false, false, true},
    {"MGame", "", "", false, true, false, false},
    {"MNewGame", "MGame", "Ctrl+N", false, false, false, false},
    {"MEditGameHeader", "MGame", "F5", true, false, false, false},
    {"MViewOnly", "MGame", "", false, false, true, false},
    {"MSaveGame", "MGame", "Ctrl+S", false, false, false, true},
    {"MNextGame", "MGame", "F8", false, false, false, false},
    {"MPrevGame", "MGame", "Shift+F8", false, false, false, false},
    {"MCopyGameAs", "MGame", "", false, true, false, true},
    {"MGameAsPGN", "MCopyGameAs", "", false, false, false, false},
    {"MGameAsText", "MCopyGameAs", "", false, false, false, false},
    {"MGameAsRTF", "MCopyGameAs", "", false, false, false, false},
    {"MGameAsHTML", "MCopyGameAs", "", false, false, false, false},
    {"MPasteGameFrom", "MGame", "", false, true, false, false},
    {"MGameFromPGN", "MPasteGameFrom", "", false, false, false, false},
    {"MGameFromText", "MPasteGameFrom", "", false, false, false, false},
    {"MClassifyGame", "MGame", "", false, false, false, true},
    {"MPosition", "", "", false, true, false, false},
    {"MSetupPosition", "MPosition", "", true, false, false, false},
    {"MComment", "MPosition", "Ctrl+E", true, false, false, true},
    {"MNags", "MPosition", "Ctrl+A", true, false, false, false},
    {"MNags1ShortCut", "-", "Ctrl+1", false, false, false, false},
    {"MNags2ShortCut", "-", "Ctrl+=", false, false, false, false},
    {"MCopyPositionAs", "MPosition", "", false, true, false, true},
    {"MPositionAsBitmap", "MCopyPositionAs", "", false, false, false, false},
    {"MPositionAsRTF", "MCopyPositionAs", "", false, false, false, false},
    {"MPositionAsHTML", "MCopyPositionAs", "", false, false, false, false},
    {"MPositionAsFEN", "MCopyPositionAs", "", false, false, false, false},
    {"MPositionAsEPD", "MCopyPositionAs", "", false, false, false, false},
    {"MPastePositionFrom", "MPosition", "", false, true, false, false},
    {"MPositionFromFEN", "MPastePositionFrom", "", false, false, false, false},
    {"MPositionFromEPD", "MPastePositionFrom", "", false, false, false, false},
    {"MClassifyPosition", "MPosition", "", false, false, false, true},
    {"MBoard", "", "", false, true, false, false},
    {"MFlip", "MBoard", "Ctrl+T", false, false, false, false},
    {"MSmallerBoard", "MBoard", "", false, false, false, false},
    {"MLargerBoard", "MBoard", "", false, false, false, false},
    {"MTryOut", "MBoard", "F7", false, false, true, true},
    {"MReplayLastMove", "MBoard", "Shift+F9", false, false, false, false},
    {"MAutoPlay", "MBoard", "F9", false, false, true, false},
    {"MEngine", "", "", false, true, false, false},
    {"MContinuousAnalysis", "MEngine", "", false, false, false, false},
    {"MPlayGame", "MEngine", "Shift+F12", false, false, true, true},
    {"MMoveNow", "MEngine", "F12", false, false, false, false},
    {"MResign", "MEngine", "", false, false, false, false},
    {"MOfferDraw", "MEngine", "", false, false, false, false},
    {"MStopClock", "MEngine", "Ctrl+F12", false, false, false, false},
    {"MTimeControl", "MEngine", "", true, false, false, true},
    {"MAdjustTime", "MEngine", "", true, false, false, false},
    {"MHelp", "", "", false, true, false, false},
    {"MContents", "MHelp", "", false, false, false, false},
    {"MAbout", "MHelp", "", true, false, false, true},
};

// Captions of the menu-less actions, which have no caption key.
const char *FixedCaption(const std::string &name) {
  if (name == "MReopenLastList") return "Reopen Last List";
  if (name == "MNags1ShortCut") return "Move Annotations";
  if (name == "MNags2ShortCut") return "Position Annotations";
  return nullptr;
}

std::string CaptionOr(std::string_view key) {
  const std::string *c = CommonText::FindCaption(key);
  return c ? *c : std::string();
}

}  // namespace

TMainForm::TMainForm(std::vector<std::string> args, QWidget *parent) : QMainWindow(parent) {
  FormCreate(std::move(args));
}

TMainForm::~TMainForm() { FormDestroy(); }

// ---- Creation

void TMainForm::CreateComponents() {
  setObjectName("MainForm");
  Client = new QWidget(this);
  Client->setObjectName("Client");
  setCentralWidget(Client);

  Toolbar = new QWidget(Client);
  Toolbar->setObjectName("Toolbar");
  TopLinePanel = new QWidget(Client);
  TopLinePanel->setObjectName("TopLinePanel");
  boardlabels::CreateBoardPanel(Client, BoardPanel, BoardBevel, Board);

  ControlPanel = new QWidget(Client);
  ControlPanel->setObjectName("ControlPanel");
  ButtonPanel = new QWidget(ControlPanel);
  ButtonPanel->setObjectName("ButtonPanel");
  auto button = [](QWidget *parent, const char *name, const QString &text) {
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setFocusPolicy(Qt::NoFocus);
    return b;
  };
  SBFirst = button(ButtonPanel, "SBFirst", "|<");
  SBPrev = button(ButtonPanel, "SBPrev", "<");
  SBNext = button(ButtonPanel, "SBNext", ">");
  SBLast = button(ButtonPanel, "SBLast", ">|");
  AutoPlayBtn = button(ButtonPanel, "AutoPlayBtn", ">>");
  SBTryOut = button(ControlPanel, "SBTryOut", "End Try Out");
  auto label = [](QWidget *parent, const char *name) {
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    return l;
  };
  LastMoveLbl = label(ControlPanel, "LastMoveLbl");
  LastMoveLbl->setAlignment(Qt::AlignCenter);
  ColorToMoveLbl = label(ControlPanel, "ColorToMoveLbl");
  ResultLbl = label(ControlPanel, "ResultLbl");
  ResultLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  MatDiffLbl = label(ControlPanel, "MatDiffLbl");

  ExtraPanel = new QWidget(Client);
  ExtraPanel->setObjectName("ExtraPanel");
  AlternativesCommentPanel = new TListBoxMemoSplitPanel(ExtraPanel);
  AlternativesCommentPanel->setObjectName("AlternativesCommentPanel");

  WhiteClockLbl = label(Client, "WhiteClockLbl");
  BlackClockLbl = label(Client, "BlackClockLbl");
  BlackClockLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  // Shown only while playing.
  WhiteClockLbl->hide();
  BlackClockLbl->hide();

  // Placed by the layout like every other panel.
  StatusBar = new QStatusBar(Client);
  StatusBar->setObjectName("StatusBar");

  AutoPlayTimer = new QTimer(this);
  AutoPlayTimer->setObjectName("AutoPlayTimer");
  Nags1Menu = new QMenu(this);
  Nags1Menu->setObjectName("Nags1Menu");
  Nags2Menu = new QMenu(this);
  Nags2Menu->setObjectName("Nags2Menu");
}

void TMainForm::CreateMenus() {
  QMenuBar *bar = menuBar();
  bar->setObjectName("MainMenu");
  for (const ItemDef &d : kItems) {
    const std::string name = d.name;
    const std::string parent = d.parent;
    QAction *action = nullptr;
    if (d.submenu) {
      QMenu *menu = new QMenu(this);
      menu->setObjectName(d.name);
      menus_[name] = menu;
      action = menu->menuAction();
      if (parent.empty()) {
        bar->addMenu(menu);
      } else {
        if (d.separatorBefore) menus_.at(parent)->addSeparator();
        menus_.at(parent)->addMenu(menu);
      }
    } else {
      action = new QAction(this);
      if (parent == "-") {
        // Hidden throughout, yet its shortcut works: a hidden Qt action
        // fires none, so it lives on the window and in no menu.
        addAction(action);
      } else {
        if (d.separatorBefore) menus_.at(parent)->addSeparator();
        menus_.at(parent)->addAction(action);
      }
    }
    action->setObjectName(d.name);
    if (*d.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(d.shortcut)));
    action->setCheckable(d.checkable);
    // Every command starts disabled until its handler is connected; so do
    // the submenus, whose items all come later.
    if (!d.submenu || !parent.empty()) action->setEnabled(false);
    items_[name] = action;
  }
  // Hidden from the start; the database is saved when it closes.
  Item("MSave")->setVisible(false);
  Item("MSaveAs")->setVisible(false);
}

QAction *TMainForm::Item(const std::string &name) const {
  auto it = items_.find(name);
  return it == items_.end() ? nullptr : it->second;
}

QMenu *TMainForm::Menu(const std::string &name) const {
  auto it = menus_.find(name);
  return it == menus_.end() ? nullptr : it->second;
}

void TMainForm::Connect(const std::string &name, void (TMainForm::*handler)()) {
  connected_.insert(name);
  QAction *a = Item(name);
  connect(a, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  a->setEnabled(true);
}

void TMainForm::SetCommandEnabled(const std::string &name, bool on) {
  if (QAction *a = Item(name)) a->setEnabled(on && IsConnected(name));
  if (QWidget *w = findChild<QWidget *>(QString::fromStdString(name))) w->setEnabled(on && IsConnected(name));
}

void TMainForm::HideSwitchedOffItems() {
  if (ChessApp.ReleaseBuild)
    for (const char *n : {"MPlayers", "MEventSites", "MAnnotators", "MClassifyAllGames", "MDBSettings"})
      Item(n)->setVisible(false);
  if (ChessApp.OneWindowMode) {
    Item("MLists")->setVisible(false);
  } else {
    Item("MFoundGames")->setVisible(false);
    Item("MTreeDlg")->setVisible(false);
  }
  Item("MEngine")->setVisible(EngineEnabled());
}

void TMainForm::DisableFileCommands() {
  UpdateSaveGameItem();
  for (const char *n :
       {"MSave", "SBSave", "MSaveAs", "MClose", "MGames", "MOpenings", "MPlayers", "MEventSites", "MAnnotators",
        "MSearchGames", "SBSearchGames", "MFoundGames", "MTreeDlg", "MReopenLastList", "SBReopenLastList", "MLists",
        "MClassifyAllGames", "MImportGames", "SBImportGames", "MDBSettings", "MPrevGame", "SBPrevGame",
        "MNextGame", "SBNextGame", "MClassifyGame", "MClassifyPosition"})
    SetCommandEnabled(n, false);
}

void TMainForm::FormCreate(std::vector<std::string> args) {
  CreateComponents();
  CreateMenus();
  // 1. (MReopenLastList is a menu-less action, hidden throughout.)
  // 2. The alternatives list and the comment pane.
  AlternativesLB = AlternativesCommentPanel->ListBox();
  CommentMemo = AlternativesCommentPanel->Memo();
  CommentMemo->setReadOnly(true);
  // 3. File types; rewritten at every start.
  const std::string exe = dirs::GetAppDir() + dirs::GetAppBaseName();
  RegisterFileType("PGN", "PgnFile", "Portable Game Notation", exe + " \"%1\"");
  RegisterFileType("QCX", "QuennicBaseFile", "Chess DataBase", exe + " \"%1\"");
  // 4. Chess fonts.
  myui::InstallChessFonts();
  // 5., 6. Languages, notation languages and piece sets.
  LoadLanguageNames(dirs::AppFile("LngNames.ini"));
  // Before the options, which read the application language back without
  // registering it.
  AppText::FindAppLanguages();
  LoadLangsFromIni();
  LoadPieceSets();
  // 7. Options, then the cancel dialog.
  ChessApp.Init();
  ChessApp.Load();
  AbortDlg.Init();
  // 8.
  HideSwitchedOffItems();
  // 9. The coordinate labels.
  boardlabels::Create(BoardPanel, FileLabels, RankLabels);
  BuildInfoLines();
  // 10.-13. The game and the database; no file is open.
  Game.Init();
  InitDatabase();
  GameListMan.SetFactories(ListWindowMakers());
  InitGameListMan();
  FileName.clear();
  FileOpen = false;
  HasName = false;
  CurrentGameNumber = 0;
  // 14.
  DisableFileCommands();
  // 15.
  SetCaption("Torvanel");
  // 16.
  DisplayMode = dmEdit;
  SBTryOut->hide();
  TryOutMoves.Init();
  // 17.
  LoadSettings();
  BuildToolbar();
  BuildNagMenus();
  ApplyLanguage();
  ApplyFonts();
  FreeTopLineObjects();
  BuildInfoLines();
  ArrangeControls();
  // 18.
  resizeConnected_ = true;
  // 19.
  Board->EnablePicker();
  CreateEngineMan();
  // 22. Status tips reach the status bar through event(); the core's
  // status texts through the hook.
  oldHooks_ = ui::CurrentHooks();
  ui::Hooks h = oldHooks_;
  h.setStatusText = [this](const std::string &text) { SetStatusText(text); };
  ui::InstallHooks(std::move(h));

  Connect("MExit", &TMainForm::MExitClick);
  Connect("MContents", &TMainForm::MContentsClick);
  Connect("MPreferences", &TMainForm::MPreferencesClick);
  Connect("MAbout", &TMainForm::MAboutClick);
  // Enabled while a file is open.
  Connect("MDBSettings", &TMainForm::MDBSettingsClick);
  SetCommandEnabled("MDBSettings", FileOpen);
  Connect("MTimeControl", &TMainForm::MTimeControlClick);
  Connect("MAdjustTime", &TMainForm::MAdjustTimeClick);
  ConnectEngineCommands();
  ConnectEditCommands();
  ConnectSetupCommands();
  ConnectClipboardCommands();
  ConnectNavigation();
  ConnectMoveEntry();
  ConnectFileCommands();
  SetCommandEnabled("MLists", false);

  connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &manager) {
    Guarded([&] {
      if (!SessionCloseQuery(manager.allowsInteraction())) manager.cancel();
    });
  });
  InstallEndSignals();
  // The files named on the command line open once the event loop runs.
  QMetaObject::invokeMethod(
      this, [this, args = std::move(args)] { Guarded([&] { WMStartup(args); }); }, Qt::QueuedConnection);
}

// ---- Settings

void TMainForm::LoadSettings() {
  Board->SetPieceType(ChessApp.PieceType);
  SetBoardDelays();
  Board->SetRightClickTakeBack(ChessApp.RightClickTakesBack);
  Board->SetLanguage(ChessApp.InterfaceLanguage);
  AutoPlayTimer->setInterval(ChessApp.AutoPlayDelay);
  IniFile ini(ChessApp.SettingsPath());
  SetCopyGameAs(ini.ReadString(kGeneral, "CopyGameAs", "PGN"));
  SetCopyDiagramAs(ini.ReadString(kGeneral, "CopyDiagramAs", "Bitmap"));
  SetPasteGameFrom(ini.ReadString(kGeneral, "PasteGameFrom", "PGN"));
  ShowExtraPanel = ini.ReadBool(kGeneral, "ShowExtraPanel", true);
  ShowUnder = ini.ReadBool(kGeneral, "ShowUnder", false);
  ShowLeft = ini.ReadBool(kGeneral, "ShowLeft", false);
  ShowRight = ini.ReadBool(kGeneral, "ShowRight", true);
  AlternativesCommentPanel->SetListBoxHeight(ini.ReadInteger(kGeneral, "AlternativesLBHeight", 40));
  AlternativesCommentPanel->SetListBoxWidth(ini.ReadInteger(kGeneral, "AlternativesLBWidth", 100));
  ShowToolbar = ini.ReadBool(kGeneral, "ShowToolbar", true);
  ShowStatusbar = ini.ReadBool(kGeneral, "ShowStatusbar", true);
  ExtraPanelWidth = ini.ReadInteger(kGeneral, "ExtraPanelWidth", 200);
  ExtraPanelHeight = ini.ReadInteger(kGeneral, "ExtraPanelHeight", 50);
  if (!myui::RestoreFormPlacement(ChessApp.SettingsPath(), kMainWindow, this)) CenterOnce = true;
}

void TMainForm::SetBoardDelays() {
  // The board clamps its step delays itself.
  Board->SetMoveDelay(ChessApp.MoveDelay);
  Board->SetReplayMoveDelay(ChessApp.MoveDelay);
  Board->SetMoveBackDelay(ChessApp.MoveBackDelay);
  Board->SetReplayMoveBackDelay(0);
  Board->SetReplayPauseDelay(250);
  Board->SetCastleRookMoveDelay(ChessApp.CastleRookMoveDelay);
  Board->SetCastleRookMoveBackDelay(ChessApp.CastleRookMoveBackDelay);
}

void TMainForm::SaveSettings() {
  {
    IniFile ini(ChessApp.SettingsPath());
    ini.WriteString(kGeneral, "CopyGameAs", GetCopyGameAs());
    ini.WriteString(kGeneral, "CopyDiagramAs", GetCopyDiagramAs());
    ini.WriteString(kGeneral, "PasteGameFrom", GetPasteGameFrom());
    ini.WriteBool(kGeneral, "ShowExtraPanel", ShowExtraPanel);
    ini.WriteBool(kGeneral, "ShowUnder", ShowUnder);
    ini.WriteBool(kGeneral, "ShowLeft", ShowLeft);
    ini.WriteBool(kGeneral, "ShowRight", ShowRight);
    ini.WriteInteger(kGeneral, "AlternativesLBHeight", AlternativesCommentPanel->ListBoxHeight());
    ini.WriteInteger(kGeneral, "AlternativesLBWidth", AlternativesCommentPanel->ListBoxWidth());
    ini.WriteBool(kGeneral, "ShowToolbar", ShowToolbar);
    ini.WriteBool(kGeneral, "ShowStatusbar", ShowStatusbar);
    ini.WriteInteger(kGeneral, "ExtraPanelWidth", ExtraPanelWidth);
    ini.WriteInteger(kGeneral, "ExtraPanelHeight", ExtraPanelHeight);
  }
  myui::SaveFormPlacement(ChessApp.SettingsPath(), kMainWindow, this);
}

// ---- Captions

void TMainForm::ApplyLanguage() {
  const LanguageId lang = ChessApp.ApplicationLanguage;
  AppText::SetAppLanguage(lang);
  CommonText::SetUILanguage(lang);
  GenText::SetDialogLanguage(lang);
  for (const ItemDef &d : kItems) {
    const std::string name = d.name;
    // Its caption follows the open database.
    if (name == "MOpenings") continue;
    QAction *a = Item(name);
    std::string caption;
    std::string hint;
    if (const char *fixed = FixedCaption(name)) {
      caption = fixed;
      hint = CaptionOr("S_" + name + "StatusHint");
    } else {
      caption = CaptionOr("S_" + name);
      hint = CaptionOr(name == "MViewGamesOnly" ? "S_MViewStatusHint" : "S_" + name + "StatusHint");
    }
    if (d.dialog) caption += "...";
    if (name == "MNew") hint = "|" + hint;
    a->setText(ToQ(caption));
    myui::SetHint(a, hint);
  }
  SetOpeningsItem(FileOpen && Database.HasKeys());
  ApplyToolbarHints();
  UpdateButtonHints();
  BuildNagMenus();
  GameListMan.UpdateTexts();
}

void TMainForm::ApplyFonts() {
  QFont f(ToQ(ChessApp.ApplicationFontName), ChessApp.ApplicationFontSize);
  for (QWidget *w : {static_cast<QWidget *>(LastMoveLbl), static_cast<QWidget *>(MatDiffLbl),
                     static_cast<QWidget *>(ColorToMoveLbl), static_cast<QWidget *>(AlternativesLB)})
    w->setFont(f);
  QFont memo = CommentMemo->font();
  memo.setPointSize(ChessApp.ApplicationFontSize);
  CommentMemo->setFont(memo);
}

void TMainForm::SetCaption(const std::string &caption) {
  caption_ = caption;
  setWindowTitle(ToQ(caption));
  QApplication::setApplicationName(ToQ(caption));
}

void TMainForm::SetStatusText(const std::string &text) { StatusBar->showMessage(ToQ(text)); }

void TMainForm::AppHint(const QString &hint) { StatusBar->showMessage(hint); }

bool TMainForm::event(QEvent *e) {
  if (e->type() == QEvent::StatusTip) {
    AppHint(static_cast<QStatusTipEvent *>(e)->tip());
    return true;
  }
  return QMainWindow::event(e);
}

// ---- Game

void TMainForm::UpdateSaveGameItem() {
  const bool on = FileOpen && Game.ModifiedFlags() != 0;
  SetCommandEnabled("MSaveGame", on);
  SetCommandEnabled("SBSaveGame", on);
}


// ---- Commands

void TMainForm::MExitClick() { close(); }

void TMainForm::MContentsClick() {
  StopAutoPlay();
  BeepInformation("Sorry, help not yet available.", ui::mbOK);
}

void TMainForm::MPreferencesClick() {
  StopAutoPlay();
  PreferencesDlg->Board = Board;
  PreferencesDlg->Main = this;
  PreferencesDlg->Execute();
}

void TMainForm::MTimeControlClick() {
  if (!EngineEnabled()) return;
  EngineMan.GetTimeControl(EditTimeControlDlg->TimeControl);
  if (EditTimeControlDlg->Execute() != QDialog::Accepted) return;
  // A record the clock refuses raises here, and the options keep theirs.
  EngineMan.SetTimeControl(EditTimeControlDlg->TimeControl);
  ChessApp.TimeControl = EditTimeControlDlg->TimeControl;
}

void TMainForm::MAdjustTimeClick() {
  if (!EngineEnabled()) return;
  const int64_t white = EngineMan.GetSeconds(cWhite), black = EngineMan.GetSeconds(cBlack);
  EditTimeDlg->WhiteSeconds = white;
  EditTimeDlg->BlackSeconds = black;
  if (EditTimeDlg->Execute() != QDialog::Accepted) return;
  // Both sides are checked before either clock changes.
  ChessClockT::Seconds2Ms(EditTimeDlg->WhiteSeconds);
  ChessClockT::Seconds2Ms(EditTimeDlg->BlackSeconds);
  // The clock ran while the dialog was open: a side left as it was shown
  // keeps that time.
  if (EditTimeDlg->WhiteSeconds != white)
    EngineMan.SetSeconds(cWhite, static_cast<int32_t>(EditTimeDlg->WhiteSeconds));
  if (EditTimeDlg->BlackSeconds != black)
    EngineMan.SetSeconds(cBlack, static_cast<int32_t>(EditTimeDlg->BlackSeconds));
}

// ---- The end

bool TMainForm::FormCloseQuery() {
  // Closing inside a long operation or a nested dialog's loop would free
  // what they work on.
  if (AbortDlg.IsShowing() || QApplication::activeModalWidget()) return false;
  StopAutoPlay();
  return FileOpen ? CloseFile() : AskSaveGame();
}

bool TMainForm::SessionCloseQuery(bool interactionAllowed) {
  if (!interactionAllowed)
    EndWithoutQuestions();
  else if (!FormCloseQuery())
    return false;
  AllowSessionClose();
  return true;
}

void TMainForm::closeEvent(QCloseEvent *e) {
  bool ok = sessionAllowedClose_;
  if (!ok) Guarded([&] { ok = FormCloseQuery(); });
  if (ok)
    e->accept();
  else
    e->ignore();
}

void TMainForm::FormDestroy() {
  ui::InstallHooks(oldHooks_);
  // 1.
  if (HasName && !IsStandardFile(FileName)) AddToMRU(ChessApp.Files, FileName, 5);
  // 2.
  SaveSettings();
  int err = 0;
  if (!ChessApp.Save(&err))
    ui::ShowMessage(SubstituteText(CommonText::S_CouldNotWriteSettings, win1252::PathText(ChessApp.SettingsPath())));
  // 3.
  TryOutMoves.Clear();
  Game.Done();
  GameListMan.Done();
  Database.Done();
  FreeEngineMan();
  // 4.
  ToolbarMan.SaveToIni(ChessApp.SettingsPath(), kMainToolbar);
  // 5.
  ChessApp.Done();
}
