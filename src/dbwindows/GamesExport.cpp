#include "dbwindows/GamesExport.h"

#include <QFile>
#include <QFileDialog>
#include <memory>
#include <string>

#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "foundation/comDlgAbort.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/FileDialogUi.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

bool ExportGamesToPgn(DatabaseO &database, int32_t slot, AbortDlgO *progress, QWidget *parent) {
  const std::string filter = CommonText::S_PGNFileFilter;
  QFileDialog dlg(parent, ToQ(CommonText::S_ExportGamesDlg),
                  QFile::decodeName(QByteArray::fromStdString(ChessApp.ExportDir)));
  dlg.setObjectName("ExportDialog");
  const QStringList filters = myui::NameFilters(filter);
  dlg.setNameFilters(filters);
  int32_t index = ChessApp.ExportDirFilterIndex;
  if (index >= 1 && index <= filters.size()) dlg.selectNameFilter(filters[index - 1]);
  dlg.setAcceptMode(QFileDialog::AcceptSave);
  dlg.setFileMode(QFileDialog::AnyFile);
  // Asked below, once the name has its extension.
  dlg.setOption(QFileDialog::DontConfirmOverwrite);
  if (modal::Exec(dlg) != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
  if (const int i = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())); i >= 0) index = i + 1;
  const std::string name =
      AddFilterExt(QFile::encodeName(dlg.selectedFiles().first()).toStdString(), filter, index);
  ChessApp.ExportDir = files::ExtractFileDir(name);
  ChessApp.ExportDirFilterIndex = index;
  // The open file is refused by the export itself, not asked about.
  if (files::FileExists(name) && !database.IsFileOfDatabase(name) &&
      BeepConfirm(win1252::PathText(name) + "\r" + CommonText::S_FileAlreadyExists + ".\r\r" +
                      CommonText::S_Overwrite + "?",
                  ui::mbYesNo) != ui::mrYes)
    return false;
  auto report = std::make_unique<ReportO>();
  report->Init();
  bool done = false;
  {
    std::unique_ptr<ui::HourglassGuard> hourglass;
    std::unique_ptr<AbortShowGuard> shown;
    if (progress) {
      progress->SetCaption(CommonText::S_Exporting + "...");
      shown = std::make_unique<AbortShowGuard>(*progress);
    } else {
      hourglass = std::make_unique<ui::HourglassGuard>();
    }
    done =
        database.ExportGameList(name, slot, progress, nullptr, report.get()) == DatabaseO::ExportResult::Done;
  }
  // The games left out of the file, by number and players.
  if (!report->Commands().empty()) ShowReport(std::move(report), CommonText::S_ExportReport, 0, "", parent);
  return done;
}
