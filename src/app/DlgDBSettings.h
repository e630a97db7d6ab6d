#pragma once
// The open native database's settings: its description and its search
// booster, and a report of its sizes.
#include "app/AppDialog.h"

class DatabaseO;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TDBSettingsDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TDBSettingsDlg(QWidget *parent = nullptr);

  // The database to work on, set by the caller.
  DatabaseO *Database = nullptr;

  // Captions, the description and whether the database keeps a booster.
  void FormShow() override;
  // The database takes the description and switches its booster, each
  // only when the user changed it.
  void OKBtnClick();
  // The database's sizes in a report window, which stays open on its own.
  void DBInfoBtnClick();

  QLabel *DBDescriptionLbl;
  QLineEdit *DBDescriptionEd;
  QCheckBox *UseSearchBoosterCB;
  QPushButton *DBInfoBtn;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

 private:
  // The booster box as FormShow ticked it.
  bool boosterShown_ = false;
};
