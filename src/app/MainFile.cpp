// The database menu's file commands and the game commands that store and
// load games: one open file at a time, a native database or a PGN file
// held as a temporary database.
#include "app/Main.h"

#include "app/Guard.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QMenu>

#include <algorithm>
#include <filesystem>
#include <memory>

#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "chess/ParsePGN.h"
#include "dbwindows/DlgAnnotators.h"
#include "dbwindows/DlgEventSites.h"
#include "dbwindows/DlgPlayers.h"
#include "dbwindows/DlgGames.h"
#include "dbwindows/DlgKeys.h"
#include "dbwindows/DlgTree.h"
#include "dbwindows/ListWindowFrame.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/FileDialogUi.h"
#include "foundation/ui/Hints.h"
#include "foundation/ui/MenuModelUi.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "platform/Dirs.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

namespace {

constexpr int kMaxRecentFiles = 5;

// Player names compare as the program's names do; the settings hold
// Windows-1252, so a UTF-8 tag compares in that encoding.
bool InList(const std::vector<std::string> &list, const std::string &tag) {
  const std::string name =
      win1252::Classify(tag) == win1252::TextKind::Utf8 ? win1252::FromUtf8(tag, '?') : tag;
  return std::any_of(list.begin(), list.end(), [&](const std::string &s) { return win1252::SameText(s, name); });
}

// The database decides what is native: ".qcx" in any letter case.
bool IsNative(const std::string &name) {
  std::string ext = files::ExtractFileExt(name);
  for (char &c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == ".qcx";
}

QString DecodePath(const std::string &path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

}  // namespace

bool TMainForm::IsStandardFile(const std::string &name) {
  const auto &list = ChessApp.StandardFiles;
  return std::find(list.begin(), list.end(), name) != list.end();
}

void TMainForm::ConnectFileCommands() {
  Connect("MNew", &TMainForm::MNewClick);
  ConnectButton("SBNew", &TMainForm::MNewClick);
  Connect("MOpen", &TMainForm::MOpenClick);
  ConnectButton("SBOpen", &TMainForm::MOpenClick);
  Connect("MSave", &TMainForm::MSaveClick);
  Connect("MSaveAs", &TMainForm::MSaveAsClick);
  Connect("MClose", &TMainForm::MCloseClick);
  Connect("MGames", &TMainForm::MGamesClick);
  Connect("MPlayers", &TMainForm::MPlayersClick);
  Connect("MEventSites", &TMainForm::MEventSitesClick);
  Connect("MAnnotators", &TMainForm::MAnnotatorsClick);
  Connect("MSearchGames", &TMainForm::MSearchGamesClick);
  ConnectButton("SBSearchGames", &TMainForm::MSearchGamesClick);
  Connect("MFoundGames", &TMainForm::MFoundGamesClick);
  Connect("MTreeDlg", &TMainForm::MTreeDlgClick);
  Connect("MImportGames", &TMainForm::MImportGamesClick);
  ConnectButton("SBImportGames", &TMainForm::MImportGamesClick);
  // Hidden in the release build, and working all the same.
  Connect("MClassifyAllGames", &TMainForm::MClassifyAllGamesClick);
  Connect("MOpenings", &TMainForm::MOpeningsClick);
  Connect("MClassifyGame", &TMainForm::MClassifyGameClick);
  Connect("MClassifyPosition", &TMainForm::MClassifyPositionClick);
  Connect("MReopenLastList", &TMainForm::MReopenLastListClick);
  ConnectButton("SBReopenLastList", &TMainForm::MReopenLastListClick);
  Connect("MNextGame", &TMainForm::MNextGameClick);
  ConnectButton("SBNextGame", &TMainForm::MNextGameClick);
  Connect("MPrevGame", &TMainForm::MPrevGameClick);
  ConnectButton("SBPrevGame", &TMainForm::MPrevGameClick);
  // The lists menu has items of its own.
  connected_.insert("MLists");
  Connect("MSaveGame", &TMainForm::MSaveGameClick);
  connect(Menu("MFile"), &QMenu::aboutToShow, this, [this] { Guarded([&] { MFileClick(); }); });
  ConnectButton("SBSaveGame", &TMainForm::MSaveGameClick);
  DisableFileCommands();
  BuildReopenMenu();
}

void TMainForm::InitDatabase() {
  Database.Init([this](const std::string &text) { SetStatusText(text); });
}

ListWindowFactories TMainForm::ListWindowMakers() {
  ListWindowFactories f;
  f.games = [] { return new TGamesDlg; };
  f.tree = [] { return new TTreeDlg; };
  f.players = [] { return new TPlayersDlg; };
  f.eventSites = [] { return new TEventSitesDlg; };
  f.annotators = [] { return new TAnnotatorsDlg; };
  f.keys = [] { return new TKeysDlg; };
  f.flushReleases = [] { listframe::FlushReleases(); };
  return f;
}

void TMainForm::InitGameListMan() {
  GameListMan.Init(
      &AbortDlg, [this](int32_t n) { LoadGame(n); }, [this](int32_t n) { ForgetGame(n); },
      [this](int32_t) { GamesWindowsChanged(); }, [this](int32_t) { UpdateGameNavigation(); },
      [this](const std::string &text) { SetStatusText(text); });
}

void TMainForm::SetOpeningsItem(bool hasKeys) {
  QAction *a = Item("MOpenings");
  a->setText(ToQ((hasKeys ? CommonText::S_MOpenings : CommonText::S_MCreateOpenings) + "..."));
  myui::SetHint(a, hasKeys ? CommonText::S_MOpeningsStatusHint : CommonText::S_MCreateOpeningsStatusHint);
}

void TMainForm::SetFileCaption() {
  const std::string base = files::ChangeFileExt(files::ExtractFileName(FileName), "");
  const QString caption = DecodePath(base) + " - Torvanel";
  caption_ = FromQ(caption);
  setWindowTitle(caption);
  QApplication::setApplicationName(caption);
}

std::string TMainForm::RunFileDialog(bool save, const std::string &title, const std::string &proposed,
                                     const std::string &filter, const std::string &dir, int32_t &filterIndex) {
  const std::vector<std::string> chosen = RunFilesDialog(save, false, title, proposed, filter, dir, filterIndex);
  return chosen.empty() ? std::string() : chosen.front();
}

std::vector<std::string> TMainForm::RunFilesDialog(bool save, bool multiple, const std::string &title,
                                                   const std::string &proposed, const std::string &filter,
                                                   const std::string &dir, int32_t &filterIndex) {
  QFileDialog dlg(this, ToQ(title), DecodePath(dir));
  dlg.setObjectName(save ? "NewDialog" : multiple ? "ImportDialog" : "OpenDialog");
  const QStringList filters = myui::NameFilters(filter);
  dlg.setNameFilters(filters);
  if (filterIndex >= 1 && filterIndex <= filters.size()) dlg.selectNameFilter(filters[filterIndex - 1]);
  if (save) {
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    // An existing name simply opens.
    dlg.setOption(QFileDialog::DontConfirmOverwrite);
  } else {
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(multiple ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
  }
  if (!proposed.empty()) dlg.selectFile(ToQ(proposed));
  if (modal::Exec(dlg) != QDialog::Accepted) return {};
  std::vector<std::string> chosen;
  for (const QString &name : dlg.selectedFiles()) chosen.push_back(QFile::encodeName(name).toStdString());
  if (chosen.empty()) return {};
  const int index = static_cast<int>(filters.indexOf(dlg.selectedNameFilter()));
  if (index >= 0) filterIndex = index + 1;
  return chosen;
}

// ---- The menu commands

void TMainForm::MNewClick() {
  StopAutoPlay();
  const std::string filter = CommonText::S_PGNFileFilter + "|" + CommonText::S_QCXFileFilter;
  int32_t index = ChessApp.OpenDirFilterIndex;
  std::string name = RunFileDialog(true, CommonText::S_NewDatabaseDlg, CommonText::S_NewDatabase, filter,
                                   ChessApp.OpenDir, index);
  if (name.empty()) return;
  // A name without an extension takes the chosen filter's.
  name = AddFilterExt(name, filter, index);
  ChessApp.OpenDir = files::ExtractFileDir(name);
  ChessApp.OpenDirFilterIndex = index;
  if (CloseFile()) OpenFile(name);
}

void TMainForm::MOpenClick() {
  StopAutoPlay();
  const std::string filter =
      CommonText::S_PGNFileFilter + "|" + CommonText::S_QCXFileFilter + "|" + CommonText::S_ChessFileFilter;
  int32_t index = ChessApp.OpenDirFilterIndex;
  const std::string name = RunFileDialog(false, "", "", filter, ChessApp.OpenDir, index);
  if (name.empty()) return;
  ChessApp.OpenDir = files::ExtractFileDir(name);
  ChessApp.OpenDirFilterIndex = index;
  if (CloseFile()) OpenFile(name);
}

void TMainForm::MSaveClick() {
  StopAutoPlay();
  if (FileOpen) SaveFile();
}

void TMainForm::MSaveAsClick() {
  StopAutoPlay();
  if (FileOpen) SaveFileAs();
}

void TMainForm::MCloseClick() {
  StopAutoPlay();
  if (FileOpen) CloseFile();
}

// ---- Opening and closing

bool TMainForm::ImportReportWanted() const {
  const PGNImportResult &r = Database.OpeningImport();
  return r.opened && (r.errors > 0 || !r.Complete());
}

bool TMainForm::OpenFile(const std::string &name) {
  bool opened = false;
  try {
    opened = OpenFileUnguarded(name);
  } catch (const std::exception &e) {
    // Past the open itself the commands may be enabled already.
    ui::ShowMessage(e.what());
    GameListMan.Done();
    InitGameListMan();
    DisableFileCommands();
    SetOpeningsItem(false);
    SetCaption("Torvanel");
  }
  if (!opened) {
    // Whatever stopped the open has said why; the window returns to the
    // no-file state and the name stays where it was in the recent files.
    Database.Done();
    InitDatabase();
    FileName.clear();
    FileOpen = false;
    HasName = false;
    UpdateSaveGameItem();
  }
  return opened;
}

bool TMainForm::OpenFileUnguarded(const std::string &name) {
  // 1.
  if (!FileName.empty() && files::FileExists(FileName) && !IsStandardFile(FileName))
    AddToMRU(ChessApp.Files, FileName, kMaxRecentFiles);
  // 2.
  Database.Done();
  FileName = name;
  FileOpen = true;
  HasName = !name.empty();
  if (HasName) Item("MViewGamesOnly")->setChecked(ChessApp.ViewOnlyOnFileOpen);
  const std::string openName = name.empty() ? "new game file.pgn" : name;
  // 3., 4., 11.
  const bool native = IsNative(openName);
  auto report = std::make_unique<ReportO>();
  report->Init();
  bool opened = false;
  bool importReport = false;
  {
    std::unique_ptr<ui::HourglassGuard> hourglass;
    std::unique_ptr<AbortShowGuard> progress;
    if (native) {
      hourglass = std::make_unique<ui::HourglassGuard>();
    } else {
      AbortDlg.SetCaption(CommonText::S_Importing + "...");
      progress = std::make_unique<AbortShowGuard>(AbortDlg);
    }
    InitDatabase();
    Database.ClassifyOnImport = ChessApp.ClassifyOnImport;
    opened = Database.Open(openName, native ? nullptr : &AbortDlg, report.get(), importReport);
  }
  if (!opened) return false;  // OpenFile returns to the no-file state
  // 5.
  ShownGameNumber = 0;
  UpdateSaveGameItem();
  // 6. Commands whose handlers are not connected stay disabled.
  for (const char *n : {"MSave", "MSaveAs", "MClose", "MGames", "MOpenings", "MPlayers", "MEventSites",
                        "MAnnotators", "MSearchGames", "SBSearchGames", "MReopenLastList", "SBReopenLastList",
                        "MLists", "MImportGames", "SBImportGames", "MDBSettings"})
    SetCommandEnabled(n, true);
  SetCommandEnabled("MPrevGame", false);
  SetCommandEnabled("SBPrevGame", false);
  SetCommandEnabled("MNextGame", Database.GameCount() > 0);
  SetCommandEnabled("SBNextGame", Database.GameCount() > 0);
  // 7.
  SetOpeningsItem(Database.HasKeys());
  for (const char *n : {"MClassifyAllGames", "MClassifyGame", "MClassifyPosition"})
    SetCommandEnabled(n, Database.HasKeys());
  // 8.
  if (HasName) RemoveFromList(ChessApp.Files, name);
  BuildReopenMenu();
  // 9.
  SetFileCaption();
  CurrentGameNumber = 0;
  // 10. The first games window stays hidden until the games command.
  GameListMan.OpenDatabase(&Database, Database.FileName());
  // The report of an import that refused games or stopped early.
  if (!native && ImportReportWanted())
    ShowReport(std::move(report), CommonText::S_ImportReport, 0, "ImportReport", this);
  return true;
}

bool TMainForm::CloseFile() {
  if (!CloseDatabase()) return false;
  GameListMan.CloseAll();
  if (HasName && !IsStandardFile(FileName)) {
    AddToMRU(ChessApp.Files, FileName, kMaxRecentFiles);
    BuildReopenMenu();
  }
  FileName.clear();
  HasName = false;
  Database.Done();
  InitDatabase();
  FileOpen = false;
  GameListMan.Done();
  InitGameListMan();
  UpdateSaveGameItem();
  DisableFileCommands();
  SetOpeningsItem(false);
  SetCaption("Torvanel");
  return true;
}

bool TMainForm::CloseDatabase() {
  if (!FileOpen) return true;
  if (!AskSaveGame()) return false;
  if (Database.IsModified() && !SaveFile()) return false;
  if (!IsNative(Database.FileName()) && Database.IsModified()) {
    AbortDlg.SetCaption(CommonText::S_Exporting + "...");
    AbortShowGuard progress(AbortDlg);
    return Database.Close(&AbortDlg);
  }
  return Database.Close(nullptr);
}

bool TMainForm::SaveFile() {
  if (!HasName) return SaveFileAs();
  Game.SetModifiedState(0);
  UpdateSaveGameItem();
  return true;
}

bool TMainForm::SaveFileAs() {
  QFileDialog dlg(this, QString(), DecodePath(ChessApp.Dir));
  dlg.setObjectName("SaveDialog");
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  // The question below is the program's own.
  dlg.setOption(QFileDialog::DontConfirmOverwrite);
  dlg.selectFile(DecodePath(files::ExtractFileName(FileName)));
  if (modal::Exec(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  const std::string name = QFile::encodeName(dlg.selectedFiles().first()).toStdString();
  ChessApp.Dir = files::ExtractFileDir(name);
  if (files::FileExists(name) &&
      BeepConfirm(win1252::PathText(name) + "\r" + CommonText::S_FileAlreadyExists + ".\r\r" +
                      CommonText::S_Overwrite + "?",
                  ui::mbYesNo) != ui::mrYes)
    return false;
  FileName = name;
  HasName = true;
  SetFileCaption();
  return SaveFile();
}

// ---- The recent files

void TMainForm::BuildReopenMenu() {
  myui::FillMenu(
      Menu("MReopen"), ChessApp.BuildRecentFilesMenu(),
      [this](int tag) { Guarded([&] { ReopenMenuItemClick(tag); }); },
      [](const std::string &caption) { return DecodePath(caption); });
}

void TMainForm::ReopenMenuItemClick(int tag) {
  StopAutoPlay();
  const auto recent = static_cast<int>(ChessApp.Files.size());
  std::string name;
  if (tag >= 0 && tag < recent)
    name = ChessApp.Files[tag];
  else if (tag >= recent && tag - recent < static_cast<int>(ChessApp.StandardFiles.size()))
    name = ChessApp.StandardFiles[tag - recent];
  if (name.empty() || !files::FileExists(name)) {
    BeepShowMessage(CommonText::S_FileNotFound);
    return;
  }
  if (CloseFile()) OpenFile(name);
}

void TMainForm::WMStartup(const std::vector<std::string> &args) {
  // What a killed run or a reboot left of working sets is recovered first
  // (earlier builds kept them in the temporary folder).
  DatabaseO::RecoverLeftovers();
  ReportRecoveredGames();
  for (const std::string &arg : args) {
    if (!files::FileExists(arg)) continue;
    std::error_code ec;
    std::string name = std::filesystem::absolute(arg, ec).string();
    if (ec) name = arg;
    if (FileOpen && !CloseFile()) return;
    OpenFile(name);
  }
}

// ---- Storing and loading games

bool TMainForm::AskSaveGame() {
  if (Game.ModifiedFlags() == 0) return true;
  if (!FileOpen) return BeepWarning(CommonText::S_GameChangesWillBeLost, ui::mbOKCancel) == ui::mrOk;
  switch (BeepConfirm(CommonText::S_SaveChangesToTheGame + "?", ui::mbYesNoCancel)) {
    case ui::mrYes:
      return StoreGame();
    case ui::mrNo:
      return true;
    default:
      return false;
  }
}

bool TMainForm::StoreGame() {
  if (!FileOpen) return false;
  int32_t n = CurrentGameNumber;
  if (n > 0 && Game.ModifiedFlags() == 0) return true;
  // The game and its key reach the disk together, once.
  DatabaseO::StoreCommand command(Database);
  if (n > 0) {
    if (Database.SaveGame(n, Game) == 0) return false;
  } else {
    n = Database.AddGame(Game);
    if (n == 0) return false;
    CurrentGameNumber = n;
  }
  if (Database.HasKeys()) {
    int ply = 0;
    uint32_t key = Database.ClassifyLine(Game, true, ply);
    // An unclassified game is filed at the root, as the import does.
    if (key == 0) key = KeyTreeO::kRoot;
    if (Database.GetGameKey(n) != key) {
      Database.SetGameKey(key, n, true);
      GameListMan.RefillKeys();
    }
  }
  ShownGameNumber = CurrentGameNumber;
  Game.SetModifiedState(0);
  UpdateSaveGameItem();
  // The windows may load another game meanwhile; n is this one.
  GameListMan.Reload(n);
  UpdateGameNavigation();
  return true;
}

void TMainForm::ApplyLoadModes() {
  if (Item("MViewGamesOnly")->isChecked()) {
    Item("MViewOnly")->setChecked(true);
    if (DisplayMode != dmTryOut) DisplayMode = dmViewOnly;
  }
  if (!ChessApp.ViewFromPlayers) return;
  if (InList(ChessApp.ViewFromPlayersList, Game.GetTag("White")))
    Board->SetOrientation(cBlack);
  else if (InList(ChessApp.ViewFromPlayersList, Game.GetTag("Black")))
    Board->SetOrientation(cWhite);
  else
    return;
  PlaceCoordinateLabels();
}

void TMainForm::LoadGame(int32_t n) {
  StopAutoPlay();
  if (!AskSaveGame()) return;
  // Read first: a game that does not load leaves the current one as it is.
  ParseResultT result;
  std::unique_ptr<GameO> loaded = Database.LoadGame(n, result);
  if (!loaded) {
    // Empty when the store has shown why it could not read the game.
    if (!result.message.empty()) ShowMessage(result.message);
    return;
  }
  if (DisplayMode == dmTryOut) LeaveTryOut();
  if (Item("MViewOnly")->isChecked()) ToggleViewOnly(false);
  Game.Swap(*loaded);
  CurrentGameNumber = n;
  ShownGameNumber = n;
  const int32_t ply = GameListMan.GameStartPly(n);
  ApplyLoadModes();
  ShowLoadedGame(ply, true);
  GameListMan.SelectGame(n);
  GameListMan.CloseActiveGamesWindow();
  UpdateGameNavigation();
  activateWindow();
}

void TMainForm::ForgetGame(int32_t n) {
  if (CurrentGameNumber == n) CurrentGameNumber = 0;
  if (ShownGameNumber == n) ShownGameNumber = 0;
  UpdateGameNavigation();
}

// ---- The list windows and next and previous game

void TMainForm::MFileClick() {
  SetCommandEnabled("MFoundGames", GameListMan.HasFoundGamesWindow());
  SetCommandEnabled("MTreeDlg", GameListMan.HasOpenTreeWindow());
}

void TMainForm::MGamesClick() {
  StopAutoPlay();
  GameListMan.ShowDefaultGamesWindow();
}

void TMainForm::MPlayersClick() {
  StopAutoPlay();
  GameListMan.ShowDefaultPlayersWindow();
}

void TMainForm::MEventSitesClick() {
  StopAutoPlay();
  GameListMan.ShowDefaultEventSitesWindow();
}

void TMainForm::MAnnotatorsClick() {
  StopAutoPlay();
  GameListMan.ShowDefaultAnnotatorsWindow();
}

void TMainForm::MSearchGamesClick() {
  StopAutoPlay();
  GameListMan.SearchGames();
}

void TMainForm::MFoundGamesClick() {
  StopAutoPlay();
  GameListMan.ShowFoundGamesWindow();
}

void TMainForm::MTreeDlgClick() {
  StopAutoPlay();
  GameListMan.ShowTreeWindow();
}

void TMainForm::MReopenLastListClick() {
  StopAutoPlay();
  if (!GameListMan.ShowActiveWindow()) activateWindow();
}

void TMainForm::MNextGameClick() {
  StopAutoPlay();
  if (const int32_t n = GameListMan.NextGame(ShownGameNumber); n != 0) LoadGame(n);
}

void TMainForm::MPrevGameClick() {
  StopAutoPlay();
  if (const int32_t n = GameListMan.PrevGame(ShownGameNumber); n != 0) LoadGame(n);
}

void TMainForm::UpdateGameNavigation() {
  const bool prev = FileOpen && GameListMan.PrevGame(ShownGameNumber) != 0;
  const bool next = FileOpen && GameListMan.NextGame(ShownGameNumber) != 0;
  SetCommandEnabled("MPrevGame", prev);
  SetCommandEnabled("SBPrevGame", prev);
  SetCommandEnabled("MNextGame", next);
  SetCommandEnabled("SBNextGame", next);
}

void TMainForm::GamesWindowsChanged() { BuildListsMenu(); }

void TMainForm::BuildListsMenu() {
  Menu("MLists")->clear();
  for (int32_t i = 1; i <= GameListMan.GamesWindowCount(); ++i) AddListsMenuItem(i, GameListMan.GamesWindowCaption(i));
  SetCommandEnabled("MLists", FileOpen);
}

void TMainForm::AddListsMenuItem(int32_t i, const std::string &caption) {
  const std::string letter = i <= 26 ? std::string(1, static_cast<char>('A' + i - 1)) : std::to_string(i);
  QAction *a = Menu("MLists")->addAction(ToQ("&" + letter + ": ") + GameToQ(caption));
  a->setData(i);
  connect(a, &QAction::triggered, this, [this, i] { Guarded([&] { ListsMenuItemClick(i); }); });
}

void TMainForm::ListsMenuItemClick(int32_t i) {
  StopAutoPlay();
  GameListMan.ActivateGamesWindow(i);
}
