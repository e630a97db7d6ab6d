#pragma once
// The game header as a list of the standard tags, name and value, with one
// edit line for the value of the selected tag.
#include <string>

#include "app/AppDialog.h"
#include "chess/InfoMan.h"
#include "foundation/LangMan.h"
#include "platform/Win1252.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class TEditGameInfoExDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TEditGameInfoExDlg(QWidget *parent = nullptr);

  // The working header: in, and out after OK when Changed.
  GameInfoO Info;
  GameInfoO InfoAtShow;
  bool ReadOnly = false;
  bool Changed = false;
  LanguageId Language = LangEnglish;
  // What edited values are written in.
  win1252::TextEncoding Encoding = win1252::TextEncoding::Utf8;
  int NameWidth = 0;

  // Tidies and sorts the working header and lists the tags.
  void FormShow() override;
  // The selected tag's value into the edit line, which takes the focus.
  void TagLBClick();
  // The edit line's value into the working header under the tag it shows.
  void ValueEdExit();
  void OKBtnClick();
  // The standard tag of a list row (1..36).
  static int RowTag(int row) { return row + 1; }
  // The start position's tags change only through the set-up dialog.
  static bool IsFixedTag(int tag) { return tag == tagFEN || tag == tagSetUp; }

  QListWidget *TagLB;
  QLineEdit *ValueEd;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

 protected:
  QSize ClientMinimum() const override;
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  void SetEditable(bool on);
  // The row whose value the edit line holds; -1 none.
  int editRow_ = -1;
};
