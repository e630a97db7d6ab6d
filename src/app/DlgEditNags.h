#pragma once
// The NAGs of the current move as a check list: every NAG with a text, or
// the simple list of the NAGs written as symbols. NAGs the list shown has no
// item for stay on the move.
#include <cstdint>
#include <string>
#include <vector>

#include "app/AppDialog.h"
#include "chess/Diags.h"
#include "foundation/LangMan.h"
#include "foundation/Lists.h"

class QLabel;
class QListWidget;
class QPushButton;

namespace nagdlg {

struct NagItem {
  int nag;
  std::string caption;
};

// One item for each NAG 1..MaxNag that has a text, captioned with it.
std::vector<NagItem> AllNagItems();
// The NAGs with a symbol of their own, in their White form; the pair groups
// take their short names, the others their symbol texts.
std::vector<NagItem> SimpleNagItems();
// The simple item that stands for the NAG (its White form); 0 when none.
int SimpleItemOf(int nag);
// The NAG a newly ticked simple item stores for the side that made the move.
int SimpleNagFor(int item, ColorT mover);

}  // namespace nagdlg

class TEditNagsDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TEditNagsDlg(QWidget *parent = nullptr);

  // In: the move's NAGs; out after OK: the new ones.
  KeyListO Nags;
  KeyListO NagsAtShow;
  LanguageId Language = LangEnglish;
  // The side that made the move.
  ColorT Side = cWhite;
  bool AllNags = true;
  bool Changed = false;

  // Captions, the list for the flag, its ticks.
  void FormShow() override;
  void FillNagList();
  // The result from the ticks, Changed, then accept.
  void OKBtnClick();

  QLabel *NagsLbl;
  QListWidget *NagsLB;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;

 protected:
  QSize ClientMinimum() const override;

 private:
  // Per list row: the NAGs of the move it was ticked for at show.
  std::vector<std::vector<int>> origins_;
  // The move's NAGs that no row stands for, in their order.
  std::vector<int> kept_;
};
