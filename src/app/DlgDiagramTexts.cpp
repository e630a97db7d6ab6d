#include "app/DlgDiagramTexts.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "appman/ChessAppMan.h"
#include "engine/ui/DlgEditTime.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/QtStr.h"

namespace {
const std::string kTopSection = "MRUTopTexts";
const std::string kBottomSection = "MRUBottomTexts";

// A group box whose controls stand below each other.
QGroupBox *Group(const char *name, QWidget *parent) {
  auto *g = new QGroupBox(parent);
  g->setObjectName(name);
  new QVBoxLayout(g);
  return g;
}

QRadioButton *Radio(const char *name, QButtonGroup *group, DiagramTextTypeT type, QGroupBox *box) {
  auto *r = new QRadioButton(box);
  r->setObjectName(name);
  group->addButton(r, static_cast<int>(type));
  box->layout()->addWidget(r);
  return r;
}

QComboBox *Combo(const char *name, QGroupBox *box) {
  auto *c = new QComboBox(box);
  c->setObjectName(name);
  c->setEditable(true);
  c->setInsertPolicy(QComboBox::NoInsert);
  c->setMinimumContentsLength(20);
  box->layout()->addWidget(c);
  return c;
}
}  // namespace

TDiagramTextsDlg::TDiagramTextsDlg(QWidget *parent) : TAppDialog("DlgDiagramTexts", false, parent) {
  setObjectName("DiagramTextsDlg");
  top_ = new QButtonGroup(this);
  bottom_ = new QButtonGroup(this);
  TopTextTypeGB = Group("TopTextTypeGB", this);
  CDTTT_NoneRB = Radio("CDTTT_NoneRB", top_, DiagramTextTypeT::None, TopTextTypeGB);
  CDTTT_PlayersRB = Radio("CDTTT_PlayersRB", top_, DiagramTextTypeT::Players, TopTextTypeGB);
  CDTTT_CustomRB = Radio("CDTTT_CustomRB", top_, DiagramTextTypeT::Custom, TopTextTypeGB);
  TopTextCmb = Combo("TopTextCmb", TopTextTypeGB);
  BottomTextTypeGB = Group("BottomTextTypeGB", this);
  CDBTT_NoneRB = Radio("CDBTT_NoneRB", bottom_, DiagramTextTypeT::None, BottomTextTypeGB);
  CDBTT_ColorToMoveRB = Radio("CDBTT_ColorToMoveRB", bottom_, DiagramTextTypeT::ColorToMove, BottomTextTypeGB);
  CDBTT_LastMoveRB = Radio("CDBTT_LastMoveRB", bottom_, DiagramTextTypeT::LastMove, BottomTextTypeGB);
  CDBTT_CustomRB = Radio("CDBTT_CustomRB", bottom_, DiagramTextTypeT::Custom, BottomTextTypeGB);
  BottomTextCmb = Combo("BottomTextCmb", BottomTextTypeGB);

  QHBoxLayout *buttons = NewOKCancelRow(this, OKBtn, CancelBtn);
  connect(OKBtn, &QPushButton::clicked, this, &TDiagramTextsDlg::OKBtnClick);
  connect(top_, &QButtonGroup::idClicked, this, &TDiagramTextsDlg::RadioButtonClick);
  connect(bottom_, &QButtonGroup::idClicked, this, &TDiagramTextsDlg::RadioButtonClick);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(TopTextTypeGB);
  layout->addWidget(BottomTextTypeGB);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // FormCreate.
  ReadTexts(TopHistory, kTopSection);
  ReadTexts(BottomHistory, kBottomSection);
  Fill(TopTextCmb, TopHistory);
  Fill(BottomTextCmb, BottomHistory);
  FormShow();
}

TDiagramTextsDlg::~TDiagramTextsDlg() {
  WriteTexts(TopHistory, kTopSection);
  WriteTexts(BottomHistory, kBottomSection);
}

void TDiagramTextsDlg::ReadTexts(std::vector<std::string> &history, const std::string &section) {
  ReadHistory(history, ChessApp.SettingsPath(), section, kHistoryCount);
  for (std::string &s : history) s = SettingsValueToUtf8(s);
}

void TDiagramTextsDlg::WriteTexts(const std::vector<std::string> &history, const std::string &section) {
  std::vector<std::string> values;
  for (const std::string &s : history) values.push_back(Utf8ToSettingsValue(s));
  WriteHistory(values, ChessApp.SettingsPath(), section);
}

void TDiagramTextsDlg::Fill(QComboBox *box, const std::vector<std::string> &history) {
  box->clear();
  for (const std::string &s : history) box->addItem(GameToQ(s));
  if (box->count() > 0) box->setCurrentIndex(0);
}

void TDiagramTextsDlg::Select(QButtonGroup *group, DiagramTextTypeT type) {
  // A kind the group does not offer leaves no button selected.
  group->setExclusive(false);
  for (QAbstractButton *b : group->buttons()) b->setChecked(group->id(b) == static_cast<int>(type));
  group->setExclusive(true);
}

void TDiagramTextsDlg::FormShow() {
  using namespace CommonText;
  setWindowTitle(ToQ(S_DiagramTextsDlg));
  TopTextTypeGB->setTitle(ToQ(S_TopTextTypeGB + ":"));
  BottomTextTypeGB->setTitle(ToQ(S_BottomTextTypeGB + ":"));
  for (QRadioButton *r : {CDTTT_NoneRB, CDBTT_NoneRB}) r->setText(ToQ(S_DTT_NoneRB));
  for (QRadioButton *r : {CDTTT_CustomRB, CDBTT_CustomRB}) r->setText(ToQ(S_DTT_CustomRB));
  CDTTT_PlayersRB->setText(ToQ(S_DTT_PlayersRB));
  CDBTT_ColorToMoveRB->setText(ToQ(S_DTT_ColorToMoveRB));
  CDBTT_LastMoveRB->setText(ToQ(S_DTT_LastMoveRB));
  OKBtn->setText(ToQ(GenText::S_OKBtnSh));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  Select(top_, TopType);
  Select(bottom_, BottomType);
  // Enabled first: a disabled box cannot take the focus.
  RadioButtonClick();
  if (BottomType == DiagramTextTypeT::Custom) BottomTextCmb->setFocus();
  if (TopType == DiagramTextTypeT::Custom) TopTextCmb->setFocus();
}

void TDiagramTextsDlg::RadioButtonClick() {
  TopTextCmb->setEnabled(CDTTT_CustomRB->isChecked());
  BottomTextCmb->setEnabled(CDBTT_CustomRB->isChecked());
}

void TDiagramTextsDlg::OKBtnClick() {
  if (top_->checkedId() >= 0) TopType = static_cast<DiagramTextTypeT>(top_->checkedId());
  if (bottom_->checkedId() >= 0) BottomType = static_cast<DiagramTextTypeT>(bottom_->checkedId());
  // The copy and the histories take the texts as typed.
  const QString top = TopTextCmb->currentText(), bottom = BottomTextCmb->currentText();
  TopText = GameFromQ(top, win1252::TextEncoding::Utf8);
  BottomText = GameFromQ(bottom, win1252::TextEncoding::Utf8);
  if (TopType == DiagramTextTypeT::Custom && !top.isEmpty()) {
    AddToMRU(TopHistory, TopText, kHistoryCount);
    Fill(TopTextCmb, TopHistory);
  }
  if (BottomType == DiagramTextTypeT::Custom && !bottom.isEmpty()) {
    AddToMRU(BottomHistory, BottomText, kHistoryCount);
    Fill(BottomTextCmb, BottomHistory);
  }
  accept();
}
