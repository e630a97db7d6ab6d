#include "app/DlgDBSettings.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <memory>

#include "app/Guard.h"
#include "database/DatabaseMan.h"
#include "engine/ui/DlgEditTime.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/Reports.h"
#include "foundation/ui/DlgShowReport.h"
#include "foundation/ui/QtStr.h"
#include "platform/UiHooks.h"

TDBSettingsDlg::TDBSettingsDlg(QWidget *parent) : TAppDialog("", false, parent) {
  setObjectName("DBSettingsDlg");
  DBDescriptionLbl = new QLabel(this);
  DBDescriptionLbl->setObjectName("DBDescriptionLbl");
  DBDescriptionEd = new QLineEdit(this);
  DBDescriptionEd->setObjectName("DBDescriptionEd");
  DBDescriptionEd->setMinimumWidth(DBDescriptionEd->fontMetrics().averageCharWidth() * 40);
  DBDescriptionLbl->setBuddy(DBDescriptionEd);
  UseSearchBoosterCB = new QCheckBox(this);
  UseSearchBoosterCB->setObjectName("UseSearchBoosterCB");
  DBInfoBtn = new QPushButton(this);
  DBInfoBtn->setObjectName("DBInfoBtn");
  DBInfoBtn->setAutoDefault(false);
  connect(DBInfoBtn, &QPushButton::clicked, this, [this] { Guarded([&] { DBInfoBtnClick(); }); });
  QHBoxLayout *row = NewOKCancelRow(this, OKBtn, CancelBtn);
  connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded([&] { OKBtnClick(); }); });
  SetButtonRow(row);

  auto *booster = new QHBoxLayout;
  booster->addWidget(UseSearchBoosterCB);
  booster->addStretch(1);
  booster->addWidget(DBInfoBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(DBDescriptionLbl);
  layout->addWidget(DBDescriptionEd);
  layout->addSpacing(4);
  layout->addLayout(booster);
  layout->addSpacing(8);
  layout->addLayout(row);
  // As large as the captions need, in any language.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  FormShow();
}

void TDBSettingsDlg::FormShow() {
  setWindowTitle(ToQ(CommonText::S_DBSettingsDlg));
  DBDescriptionLbl->setText(ToQ(CommonText::S_DBDescriptionLbl + ":"));
  UseSearchBoosterCB->setText(ToQ(CommonText::S_UseSearchBoosterCB));
  DBInfoBtn->setText(ToQ(CommonText::S_DBInfoBtn));
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  DBDescriptionEd->setText(Database ? ToQ(Database->GetDescription()) : QString());
  boosterShown_ = Database && Database->HasSearchBooster();
  UseSearchBoosterCB->setChecked(boosterShown_);
  DBDescriptionEd->setFocus();
}

void TDBSettingsDlg::OKBtnClick() {
  if (Database) {
    Database->SetDescription(FromQ(DBDescriptionEd->text()));
    // An unticked box after a refused booster write is no wish to delete
    // the booster, which the next open rebuilds.
    if (UseSearchBoosterCB->isChecked() != boosterShown_) {
      // Switching the booster on walks every game.
      ui::HourglassGuard hourglass;
      Database->SetSearchBooster(UseSearchBoosterCB->isChecked());
    }
  }
  accept();
}

void TDBSettingsDlg::DBInfoBtnClick() {
  if (!Database) return;
  auto report = std::make_unique<ReportO>();
  report->Init();
  Database->InfoText(*report);
  // A child of this dialog, so it takes input while the dialog runs.
  ShowReport(std::move(report), "Database info", 0, "", this);
}
