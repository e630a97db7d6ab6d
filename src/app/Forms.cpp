#include "app/Forms.h"

#include "app/Main.h"

TMainForm *MainForm = nullptr;

namespace app {

void CreateForms() { MainForm = new TMainForm; }

void FreeForms() {
  delete MainForm;
  MainForm = nullptr;
}

}  // namespace app
