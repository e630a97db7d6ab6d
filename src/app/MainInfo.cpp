// The main window's about box and database-settings commands.
#include "app/DlgAbout.h"
#include "app/DlgDBSettings.h"
#include "app/Forms.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"

void TMainForm::MAboutClick() {
  StopAutoPlay();
  TAboutBox &d = *AboutBox;
  d.Version = about::VersionText(ChessApp.ReleaseBuild);
  d.Product = "Torvanel";
  // The project has no home page or e-mail address; their labels stay hidden.
  d.HomePage.clear();
  d.EMail.clear();
  d.Execute();
}

void TMainForm::MDBSettingsClick() {
  if (!FileOpen || !Database.IsOpen()) return;
  DBSettingsDlg->Database = &Database;
  DBSettingsDlg->Execute();
}
