#include "app/DlgAbout.h"

#include <QFont>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/Glyphs.h"
#include "foundation/ui/QtStr.h"

namespace about {

std::string VersionText(bool releaseBuild) {
  std::string text = "1.0 Beta 3\n(February 13, 1999)";
  if (!releaseBuild) text += "\nNOT FOR RELEASE!";
  return text;
}

}  // namespace about

namespace {
QLabel *NewLabel(QWidget *parent, const char *name) {
  auto *l = new QLabel(parent);
  l->setObjectName(name);
  return l;
}

void SetAddress(QLabel *label, const std::string &caption, const std::string &address) {
  label->setText(ToQ(caption + ": " + address));
  label->setVisible(!address.empty());
}
}  // namespace

TAboutBox::TAboutBox(QWidget *parent) : TAppDialog("", false, parent) {
  setObjectName("AboutBox");
  ProgramIcon = NewLabel(this, "ProgramIcon");
  ProgramIcon->setPixmap(myui::ProgramIcon().pixmap(64, 64));
  ProgramIcon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
  ProductName = NewLabel(this, "ProductName");
  QFont big = ProductName->font();
  big.setBold(true);
  big.setPointSizeF(big.pointSizeF() * 1.5);
  ProductName->setFont(big);
  VersionLbl = NewLabel(this, "VersionLbl");
  NoticeLbl = NewLabel(this, "NoticeLbl");
  NoticeLbl->setWordWrap(false);
  InternetLbl = NewLabel(this, "InternetLbl");
  EmailLbl = NewLabel(this, "EmailLbl");
  for (QLabel *l : {InternetLbl, EmailLbl}) l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  OKBtn = new QPushButton(this);
  OKBtn->setObjectName("OKBtn");
  OKBtn->setDefault(true);
  connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);

  auto *texts = new QVBoxLayout;
  texts->addWidget(ProductName);
  texts->addWidget(VersionLbl);
  texts->addSpacing(8);
  texts->addWidget(NoticeLbl);
  texts->addWidget(InternetLbl);
  texts->addWidget(EmailLbl);
  texts->addStretch(1);
  auto *top = new QHBoxLayout;
  top->addWidget(ProgramIcon);
  top->addSpacing(12);
  top->addLayout(texts, 1);
  auto *row = new QHBoxLayout;
  row->addStretch(1);
  row->addWidget(OKBtn);
  row->addStretch(1);
  SetButtonRow(row);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(top);
  layout->addSpacing(8);
  layout->addLayout(row);
  // As large as the texts need, in any language.
  layout->setSizeConstraint(QLayout::SetFixedSize);
  FormShow();
}

void TAboutBox::FormShow() {
  setWindowTitle(ToQ(RemoveAccelerator(CommonText::S_MAbout)));
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  VersionLbl->setText(ToQ(CommonText::S_Version + " " + Version));
  ProductName->setText(ToQ(Product));
  NoticeLbl->setText(ToQ(CommonText::S_AboutNotice));
  SetAddress(InternetLbl, CommonText::S_Internet, HomePage);
  SetAddress(EmailLbl, CommonText::S_EMail, EMail);
  OKBtn->setFocus();
}

bool TAboutBox::FormKeyDown(QKeyEvent *e) {
  if (e->key() != Qt::Key_Escape) return false;
  reject();
  return true;
}

void TAboutBox::keyPressEvent(QKeyEvent *e) {
  if (!FormKeyDown(e)) TAppDialog::keyPressEvent(e);
}
