// The database menu's import and classify-all commands.
#include <memory>
#include <string>
#include <vector>

#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "foundation/CommonText.h"
#include "foundation/Reports.h"
#include "foundation/ui/DlgShowReport.h"
#include "platform/Files.h"

void TMainForm::MImportGamesClick() {
  StopAutoPlay();
  if (!FileOpen) return;
  const std::string filter =
      CommonText::S_PGNFileFilter + "|" + CommonText::S_QCXFileFilter + "|" + CommonText::S_ChessFileFilter;
  int32_t index = ChessApp.ImportDirFilterIndex;
  const std::vector<std::string> names =
      RunFilesDialog(false, true, CommonText::S_ImportGamesDlg, "", filter, ChessApp.ImportDir, index);
  if (names.empty()) return;
  ChessApp.ImportDir = files::ExtractFileDir(names.front());
  ChessApp.ImportDirFilterIndex = index;
  // The preferences may have changed since the file was opened.
  Database.ClassifyOnImport = ChessApp.ClassifyOnImport;
  auto report = std::make_unique<ReportO>();
  report->Init();
  {
    AbortDlg.SetCaption(CommonText::S_Importing + "...");
    AbortShowGuard progress(AbortDlg);
    bool resultFlag = false;
    Database.ImportDatabase(names, &AbortDlg, report.get(), resultFlag);
    GameListMan.RefillGamesWindows();
    if (Database.HasKeys()) GameListMan.RefillKeys();
  }
  // An empty database left next game disabled.
  UpdateGameNavigation();
  ShowReport(std::move(report), CommonText::S_ImportReport, 0, "ImportReport", this);
}

void TMainForm::MClassifyAllGamesClick() {
  StopAutoPlay();
  if (!FileOpen || !Database.HasKeys()) return;
  {
    // No cancel dialog: the progress goes to the status bar.
    ui::HourglassGuard hourglass;
    Database.ClassifyAllGames(nullptr);
  }
  GameListMan.RefillKeys();
}
