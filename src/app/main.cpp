// The program block: sets up the foundation in start-up order and runs the
// main window. The main window itself is still an empty frame.
#include <QApplication>
#include <QMainWindow>

#include "board/ChsBmps.h"
#include "board/ui/PieceImages.h"
#include "chess/Language.h"
#include "appman/ChessAppMan.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/LangMan.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/ChessFontsUi.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/comDlgAbortForm.h"
#include "platform/Dirs.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Torvanel/DB");
  myui::InitMyUtilsUi();
  InstallAbortDlgForm();
  InstallPieceImages();

  // File associations are rewritten at every start.
  std::string exe = dirs::GetAppDir() + dirs::GetAppBaseName();
  RegisterFileType("PGN", "PgnFile", "Portable Game Notation", exe + " \"%1\"");
  RegisterFileType("QCX", "QuennicBaseFile", "Chess DataBase", exe + " \"%1\"");
  myui::InstallChessFonts();

  LoadLanguageNames(dirs::AppFile("LngNames.ini"));
  LoadLangsFromIni();
  LoadPieceSets();
  ChessApp.Init();
  ChessApp.Load();
  GenText::SetDialogLanguage(ChessApp.ApplicationLanguage);
  CommonText::SetUILanguage(ChessApp.ApplicationLanguage);

  QMainWindow main;
  main.setWindowTitle("Torvanel");
  main.resize(800, 600);
  main.show();
  int rc = app.exec();

  if (!ChessApp.Save())
    ui::ShowMessage(SubstituteText(CommonText::S_CouldNotWriteSettings, GetIniFileName()));
  ChessApp.Done();
  return rc;
}
