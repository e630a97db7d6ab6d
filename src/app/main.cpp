// The program block: the units' start-up, the forms, the message loop.
#include <QApplication>
#include <string>
#include <vector>

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

  // QApplication has taken its own options out of argv by now.
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  app::CreateForms(std::move(args));
  MainForm->show();
  const int rc = app.exec();
  app::FreeForms();
  return rc;
}
