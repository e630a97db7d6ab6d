// The program block: the units' start-up, the forms, the message loop.
#include <QApplication>

#include "app/Forms.h"
#include "app/Main.h"
#include "board/ui/PieceImages.h"
#include "foundation/ui/Glyphs.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/comDlgAbortForm.h"

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Torvanel/DB");
  QApplication::setWindowIcon(myui::ProgramIcon());
  myui::InitMyUtilsUi();
  InstallAbortDlgForm();
  InstallPieceImages();

  app::CreateForms();
  MainForm->show();
  const int rc = app.exec();
  app::FreeForms();
  return rc;
}
