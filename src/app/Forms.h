#pragma once
// The forms that live for the whole run, created in a fixed order (the main
// window first, so its creation runs before any dialog exists) and freed in
// the reverse order.
#include <string>
#include <vector>

class TMainForm;
class TEditPositionExDlg;
class TEditGameInfoExDlg;
class TBackgroundFrm;
class TInsertMoveDlg;
class TDeleteMoveDlg;
class TAboutBox;
class TCommentDlg;
class TEditNagsDlg;
class TDiagramTextsDlg;
class TParseErrorDlg;
class TPreferencesDlg;
class TDBSettingsDlg;
class TEditTimeDlg;
class TEditTimeControlDlg;

extern TMainForm *MainForm;
extern TEditPositionExDlg *EditPositionExDlg;
extern TEditGameInfoExDlg *EditGameInfoExDlg;
extern TBackgroundFrm *BackgroundFrm;
extern TInsertMoveDlg *InsertMoveDlg;
extern TDeleteMoveDlg *DeleteMoveDlg;
extern TAboutBox *AboutBox;
extern TCommentDlg *CommentDlg;
extern TEditNagsDlg *EditNagsDlg;
extern TDiagramTextsDlg *DiagramTextsDlg;
extern TParseErrorDlg *ParseErrorDlg;
extern TPreferencesDlg *PreferencesDlg;
extern TDBSettingsDlg *DBSettingsDlg;
extern TEditTimeDlg *EditTimeDlg;
extern TEditTimeControlDlg *EditTimeControlDlg;

namespace app {
// args: the files to open once the event loop runs (as the file system's
// bytes).
void CreateForms(std::vector<std::string> args = {});
void FreeForms();
}  // namespace app
