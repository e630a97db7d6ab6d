#include "app/DlgEditNags.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "chess/InfoMan.h"
#include "chess/NagSymbols.h"
#include "engine/ui/DlgEditTime.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"

namespace nagdlg {

namespace {
// Move marks, the only move, equality and the position assessments, then
// the pair groups (White's number) and the novelty.
constexpr int kSimple[] = {1, 2, 3, 4, 5, 6, 8, 11, 13, 14, 15, 16, 17, 18, 19, 22, 32, 36, 40, 44, 132, 138, 200};
constexpr int kPairs[] = {32, 36, 40, 44, 132, 138};
constexpr int kZugzwang = 22;

bool IsPair(int nag) { return std::find(std::begin(kPairs), std::end(kPairs), nag) != std::end(kPairs); }

const std::string &PairName(int nag) {
  using namespace CommonText;
  switch (nag) {
    case 32: return S_SimpleNag_32;
    case 36: return S_SimpleNag_36;
    case 40: return S_SimpleNag_40;
    case 44: return S_SimpleNag_44;
    case 132: return S_SimpleNag_132;
    default: return S_SimpleNag_138;
  }
}
}  // namespace

std::vector<NagItem> AllNagItems() {
  std::vector<NagItem> items;
  for (int n = 1; n <= MaxNag; ++n)
    if (NagHasText(n)) items.push_back({n, NagText(n)});
  return items;
}

std::vector<NagItem> SimpleNagItems() {
  std::vector<NagItem> items;
  for (int n : kSimple) items.push_back({n, ini::Trim(IsPair(n) ? PairName(n) : NagSymbolText(n))});
  return items;
}

int SimpleItemOf(int nag) {
  if (std::find(std::begin(kSimple), std::end(kSimple), nag) != std::end(kSimple)) return nag;
  if (nag == kZugzwang + 1) return kZugzwang;
  if (nag % 2 == 1 && IsPair(nag - 1)) return nag - 1;
  return 0;
}

int SimpleNagFor(int item, ColorT mover) {
  // Pairs: the advantage of the side that moved. Zugzwang: the side to move.
  if (IsPair(item)) return mover == cBlack ? item + 1 : item;
  if (item == kZugzwang) return mover == cBlack ? kZugzwang : kZugzwang + 1;
  return item;
}

}  // namespace nagdlg

TEditNagsDlg::TEditNagsDlg(QWidget *parent) : TAppDialog("NagsDlg", true, parent) {
  setObjectName("EditNagsDlg");
  NagsLbl = new QLabel(this);
  NagsLbl->setObjectName("NagsLbl");
  NagsLB = new QListWidget(this);
  NagsLB->setObjectName("NagsLB");
  NagsLbl->setBuddy(NagsLB);
  QHBoxLayout *row = NewOKCancelRow(this, OKBtn, CancelBtn);
  connect(OKBtn, &QPushButton::clicked, this, &TEditNagsDlg::OKBtnClick);
  SetButtonRow(row);
  // Double click and Space tick an item, as in a check list.
  connect(NagsLB, &QListWidget::itemActivated, this, [](QListWidgetItem *item) {
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
  });
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(NagsLbl);
  layout->addWidget(NagsLB, 1);
  layout->addLayout(row);
  FormShow();
  resize(400, 440);
}

void TEditNagsDlg::FormShow() {
  setWindowTitle(ToQ(RemoveAccelerator(CommonText::S_MNags)));
  NagsLbl->setText(ToQ(CommonText::S_NagsLbl));
  OKBtn->setText(ToQ(GenText::S_OKBtnSh));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  NagsAtShow.Assign(Nags);
  Changed = false;
  FillNagList();
  NagsLB->setFocus();
}

void TEditNagsDlg::FillNagList() {
  NagsLB->clear();
  const std::vector<nagdlg::NagItem> items = AllNags ? nagdlg::AllNagItems() : nagdlg::SimpleNagItems();
  origins_.assign(items.size(), {});
  kept_.clear();
  for (const nagdlg::NagItem &it : items) {
    auto *row = new QListWidgetItem(ToQ(it.caption), NagsLB);
    row->setData(Qt::UserRole, it.nag);
    row->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    row->setCheckState(Qt::Unchecked);
  }
  for (int i = 1; i <= Nags.Count(); ++i) {
    const int nag = Nags.Get(i);
    const int item = AllNags ? nag : nagdlg::SimpleItemOf(nag);
    auto at = std::find_if(items.begin(), items.end(), [&](const nagdlg::NagItem &x) { return x.nag == item; });
    if (item == 0 || at == items.end()) {
      kept_.push_back(nag);
      continue;
    }
    const int r = static_cast<int>(at - items.begin());
    origins_[r].push_back(nag);
    NagsLB->item(r)->setCheckState(Qt::Checked);
  }
  if (NagsLB->count() > 0) NagsLB->setCurrentRow(0);
}

void TEditNagsDlg::OKBtnClick() {
  std::vector<int> result;
  for (int r = 0; r < NagsLB->count(); ++r) {
    QListWidgetItem *row = NagsLB->item(r);
    if (row->checkState() != Qt::Checked) continue;
    const int item = row->data(Qt::UserRole).toInt();
    // Ticked at show: back what it stood for, so OK alone changes nothing.
    if (!origins_[r].empty())
      result.insert(result.end(), origins_[r].begin(), origins_[r].end());
    else
      result.push_back(AllNags ? item : nagdlg::SimpleNagFor(item, Side));
  }
  result.insert(result.end(), kept_.begin(), kept_.end());
  Changed = static_cast<int>(result.size()) != NagsAtShow.Count();
  for (int i = 1; i <= NagsAtShow.Count() && !Changed; ++i)
    Changed = std::find(result.begin(), result.end(), NagsAtShow.Get(i)) == result.end();
  Nags.Clear();
  for (int n : result) Nags.Add(n);
  accept();
}

QSize TEditNagsDlg::ClientMinimum() const { return TextLinesMinimum(5, true); }
