#pragma once
// The about box: the program's icon, name, version and notice, and the
// home-page and e-mail addresses when the caller has them.
#include <string>

#include "app/AppDialog.h"

class QKeyEvent;
class QLabel;
class QPushButton;

namespace about {
// "1.0 Beta 3" and the date on two lines; a third line warns when the
// release switch is off.
std::string VersionText(bool releaseBuild);
}  // namespace about

class TAboutBox : public TAppDialog {
  Q_OBJECT
 public:
  explicit TAboutBox(QWidget *parent = nullptr);

  // Set by the caller before showing.
  std::string Version;
  std::string Product;
  std::string HomePage;
  std::string EMail;

  // Captions and the four fields; a label whose address is empty is hidden.
  void FormShow() override;
  // Escape closes the box; true when the key was taken.
  bool FormKeyDown(QKeyEvent *e);

  QLabel *ProgramIcon;
  QLabel *ProductName;
  QLabel *VersionLbl;
  QLabel *NoticeLbl;
  QLabel *InternetLbl;
  QLabel *EmailLbl;
  QPushButton *OKBtn;

 protected:
  void keyPressEvent(QKeyEvent *e) override;
};
