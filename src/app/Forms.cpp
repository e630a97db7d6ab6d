#include "app/Forms.h"

#include "app/DlgAbout.h"
#include "app/DlgComment.h"
#include "app/DlgDBSettings.h"
#include "app/DlgDeleteMove.h"
#include "app/DlgDiagramTexts.h"
#include "app/DlgEditGIEx.h"
#include "app/DlgEditPosEx.h"
#include "app/DlgEditNags.h"
#include "app/DlgInsertMove.h"
#include "app/DlgParseError.h"
#include "app/DlgPreferences.h"
#include "app/FrmBackground.h"
#include "app/Main.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/DlgSearchGames.h"
#include "engine/ui/DlgEditTime.h"
#include "engine/ui/DlgEditTimeControl.h"

TMainForm *MainForm = nullptr;
TEditPositionExDlg *EditPositionExDlg = nullptr;
TEditGameInfoExDlg *EditGameInfoExDlg = nullptr;
TBackgroundFrm *BackgroundFrm = nullptr;
TInsertMoveDlg *InsertMoveDlg = nullptr;
TDeleteMoveDlg *DeleteMoveDlg = nullptr;
TAboutBox *AboutBox = nullptr;
TCommentDlg *CommentDlg = nullptr;
TEditNagsDlg *EditNagsDlg = nullptr;
TDiagramTextsDlg *DiagramTextsDlg = nullptr;
TParseErrorDlg *ParseErrorDlg = nullptr;
TPreferencesDlg *PreferencesDlg = nullptr;
TDBSettingsDlg *DBSettingsDlg = nullptr;
TEditTimeDlg *EditTimeDlg = nullptr;
TEditTimeControlDlg *EditTimeControlDlg = nullptr;

namespace {
template <class T>
void Free(T *&form) {
  delete form;
  form = nullptr;
}
}  // namespace

namespace app {

void CreateForms(std::vector<std::string> args) {
  MainForm = new TMainForm(std::move(args));
  EditPositionExDlg = new TEditPositionExDlg(MainForm);
  // The list windows' one header-options dialog.
  EditGameInfoLineOptionsDlg = new TEditGameInfoLineOptionsDlg(MainForm);
  EditGameInfoExDlg = new TEditGameInfoExDlg(MainForm);
  BackgroundFrm = new TBackgroundFrm(MainForm);
  InsertMoveDlg = new TInsertMoveDlg(MainForm);
  DeleteMoveDlg = new TDeleteMoveDlg(MainForm);
  AboutBox = new TAboutBox(MainForm);
  CommentDlg = new TCommentDlg(MainForm);
  EditNagsDlg = new TEditNagsDlg(MainForm);
  DiagramTextsDlg = new TDiagramTextsDlg(MainForm);
  ParseErrorDlg = new TParseErrorDlg(MainForm);
  PreferencesDlg = new TPreferencesDlg(MainForm);
  DBSettingsDlg = new TDBSettingsDlg(MainForm);
  // Before the search dialog.
  EditTimeDlg = new TEditTimeDlg(MainForm);
  EditTimeControlDlg = new TEditTimeControlDlg(MainForm);
  // The window manager's search dialog.
  SearchGamesDlg = new TSearchGamesDlg(MainForm);
  MainForm->GameListMan.SetSearchDialog(SearchGamesDlg);
}

void FreeForms() {
  if (MainForm) MainForm->GameListMan.SetSearchDialog(nullptr);
  Free(SearchGamesDlg);
  Free(EditTimeControlDlg);
  Free(EditTimeDlg);
  Free(DBSettingsDlg);
  Free(PreferencesDlg);
  Free(ParseErrorDlg);
  Free(DiagramTextsDlg);
  Free(EditNagsDlg);
  Free(CommentDlg);
  Free(AboutBox);
  Free(DeleteMoveDlg);
  Free(InsertMoveDlg);
  Free(BackgroundFrm);
  Free(EditGameInfoExDlg);
  Free(EditGameInfoLineOptionsDlg);
  Free(EditPositionExDlg);
  Free(MainForm);
}

}  // namespace app
