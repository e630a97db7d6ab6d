#pragma once
// The header-options dialog: which columns a list window shows, and in what
// order. One dialog serves every kind of layout: the window hands it the
// layout before each show, and after OK the layout holds the new selection.
#include <QDialog>

class ListColumnsO;
class QLabel;
class QListWidget;
class QPushButton;

class TEditGameInfoLineOptionsDlg : public QDialog {
  Q_OBJECT
 public:
  explicit TEditGameInfoLineOptionsDlg(QWidget *parent = nullptr);

  // The layout to edit; not owned.
  ListColumnsO *Columns = nullptr;

  // FormShow, then the dialog modally through the modal seam; the result.
  int Execute();
  void FormShow();
  void UpdateTexts();
  void AddBtnClick();
  void RemoveBtnClick();
  void UpBtnClick();
  void DownBtnClick();
  void OKBtnClick();

  QLabel *AvailableLbl, *UsedLbl;
  QListWidget *AvailableList, *UsedList;
  QPushButton *AddBtn, *RemoveBtn, *UpBtn, *DownBtn, *OKBtn, *CancelBtn;

 private:
  void Exchange(int by);
};

// The one dialog of the run, made with the program's forms; the list
// windows use it. Null until then (tests make their own).
extern TEditGameInfoLineOptionsDlg *EditGameInfoLineOptionsDlg;
