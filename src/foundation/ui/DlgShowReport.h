#pragma once
// The report window: shows a ReportO, not modal, and frees itself and its
// report when closed. With a settings key it reopens where it was last.
#include <QWidget>
#include <memory>
#include <string>

#include "foundation/Reports.h"

class QPlainTextEdit;
class QStatusBar;
class TFormSizeLimit;

// Replaces the control's text by the report's lines, under the hourglass.
void RenderRichEdit(const ReportO &report, QPlainTextEdit *edit);

class TShowReportDlg : public QWidget {
  Q_OBJECT
 public:
  // helpContext 0 = none; an empty settingsKey stores no placement.
  TShowReportDlg(std::unique_ptr<ReportO> report, const std::string &caption, int helpContext,
                 const std::string &settingsKey, QWidget *parent = nullptr);
  ~TShowReportDlg() override;

  QPlainTextEdit *RichEdit() const { return richEdit_; }
  QStatusBar *StatusBar1() const { return statusBar1_; }
  TFormSizeLimit *SizeLimit() const { return sizeLimit_; }
  int HelpContext() const { return helpContext_; }
  const std::string &SettingsKey() const { return settingsKey_; }
  // The report fills the control once the window is visible.
  bool Filled() const { return filled_; }

 protected:
  void showEvent(QShowEvent *e) override;

 private:
  void FillReport();

  std::unique_ptr<ReportO> report_;
  std::string caption_;
  int helpContext_;
  std::string settingsKey_;
  QPlainTextEdit *richEdit_;
  QStatusBar *statusBar1_;
  TFormSizeLimit *sizeLimit_;
  bool filled_ = false;
};

// Hands the report to a new report window (which frees it) and shows the
// window without waiting. parent (optional) keeps the window above it and
// closes it with it.
TShowReportDlg *ShowReport(std::unique_ptr<ReportO> report, const std::string &caption, int helpContext,
                           const std::string &settingsKey, QWidget *parent = nullptr);
