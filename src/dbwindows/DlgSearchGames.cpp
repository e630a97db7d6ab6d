#include "dbwindows/DlgSearchGames.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

TSearchGamesDlg *SearchGamesDlg = nullptr;

namespace {

// The criteria a new dialog starts from; every show starts from those the
// caller hands in, so these never reach the screen.
constexpr const char *kBuiltInCriteria = "[General]\r\nNrOfPlayers=0\r\n";

QToolButton *NewToolButton(QWidget *parent, const char *name, const char *text) {
  auto *b = new QToolButton(parent);
  b->setObjectName(name);
  b->setText(text);
  b->setFocusPolicy(Qt::StrongFocus);
  return b;
}

QAction *NewItem(QMenu *menu, const char *name, bool checkable = true) {
  auto *a = menu->addAction(QString());
  a->setObjectName(name);
  a->setCheckable(checkable);
  return a;
}

QSpinBox *NewRangeEdit(QWidget *parent, const char *name, int hi) {
  auto *s = new QSpinBox(parent);
  s->setObjectName(name);
  s->setRange(0, hi);
  s->setAlignment(Qt::AlignRight);
  return s;
}

// A value kept from elsewhere that the edit's range cannot show is held at
// its nearest end; the edit's range is the one the search accepts.
void ShowNumber(QSpinBox *s, std::uint32_t v) {
  s->setValue(v > static_cast<std::uint32_t>(s->maximum()) ? s->maximum() : static_cast<int>(v));
}

QString LabelText(const std::string &caption) { return ToQ(caption + ":"); }

// A typed name as game text: UTF-8 holds any character, and the search tries
// it in Windows-1252 too.
std::string TypedName(const QString &text) { return ini::Trim(GameFromQ(text, win1252::TextEncoding::Utf8)); }

}  // namespace

TSearchGamesDlg::TSearchGamesDlg(QWidget *parent) : QDialog(parent) {
  setObjectName("SearchGamesDlg");
  auto *grid = new QGridLayout;

  struct NameRow {
    QLabel *&lbl;
    QComboBox *&cmb;
    QToolButton *&add, *&del, *&opt;
    QMenu *&menu;
    const char *names[6];
  };
  NameRow rows[] = {
      {PlayersLbl, PlayersCMB, AddPlayerBtn, DeletePlayerBtn, PlayerOptionsBtn, PMPlayer,
       {"PlayersLbl", "PlayersCMB", "AddPlayerBtn", "DeletePlayerBtn", "PlayerOptionsBtn", "PMPlayer"}},
      {EventSitesLbl, EventSitesCMB, AddEventSiteBtn, DeleteEventSiteBtn, EventSiteOptionsBtn, PMEventSite,
       {"EventSitesLbl", "EventSitesCMB", "AddEventSiteBtn", "DeleteEventSiteBtn", "EventSiteOptionsBtn",
        "PMEventSite"}},
      {AnnotatorsLbl, AnnotatorsCMB, AddAnnotatorBtn, DeleteAnnotatorBtn, AnnotatorOptionsBtn, PMAnnotator,
       {"AnnotatorsLbl", "AnnotatorsCMB", "AddAnnotatorBtn", "DeleteAnnotatorBtn", "AnnotatorOptionsBtn",
        "PMAnnotator"}},
  };
  for (int r = 0; r < 3; ++r) {
    NameRow &row = rows[r];
    const Group g = static_cast<Group>(r);
    row.lbl = new QLabel(this);
    row.lbl->setObjectName(row.names[0]);
    row.cmb = new QComboBox(this);
    row.cmb->setObjectName(row.names[1]);
    row.cmb->setEditable(true);
    // Only "+" and Search make a name an item, so every item has its entry.
    row.cmb->setInsertPolicy(QComboBox::NoInsert);
    row.cmb->setMinimumContentsLength(24);
    row.lbl->setBuddy(row.cmb);
    row.add = NewToolButton(this, row.names[2], "+");
    row.del = NewToolButton(this, row.names[3], "-");
    row.opt = NewToolButton(this, row.names[4], "...");
    row.menu = new QMenu(this);
    row.menu->setObjectName(row.names[5]);
    grid->addWidget(row.lbl, r, 0);
    grid->addWidget(row.cmb, r, 1, 1, 2);
    grid->addWidget(row.add, r, 3);
    grid->addWidget(row.del, r, 4);
    grid->addWidget(row.opt, r, 5);
    connect(row.add, &QToolButton::clicked, this, [this, g] { Guarded([&] { AddBtnClick(g); }); });
    connect(row.del, &QToolButton::clicked, this, [this, g] { Guarded([&] { DeleteBtnClick(g); }); });
    connect(row.opt, &QToolButton::clicked, this, [this, g] { Guarded([&] { OptionsBtnClick(g); }); });
    connect(row.cmb, &QComboBox::editTextChanged, this, [this, g] { prepared_[g] = false; });
  }

  MPlayerWhite = NewItem(PMPlayer, "MPlayerWhite");
  MPlayerBlack = NewItem(PMPlayer, "MPlayerBlack");
  MPlayerNot = NewItem(PMPlayer, "MPlayerNot");
  PMPlayer->addSeparator();
  MPlayerWin = NewItem(PMPlayer, "MPlayerWin");
  MPlayerDraw = NewItem(PMPlayer, "MPlayerDraw");
  MPlayerLoss = NewItem(PMPlayer, "MPlayerLoss");
  MPlayerAll = NewItem(PMPlayer, "MPlayerAll");
  PMPlayer->addSeparator();
  MPlayerOpponent = NewItem(PMPlayer, "MPlayerOpponent");
  MPlayerWin->setText("1-0");
  MPlayerDraw->setText("1/2");
  MPlayerLoss->setText("0-1");
  for (QAction *a : {MPlayerWhite, MPlayerBlack, MPlayerNot})
    connect(a, &QAction::triggered, this, [this, a] { Guarded([&] { PlayerColourClick(a); }); });
  for (QAction *a : {MPlayerWin, MPlayerDraw, MPlayerLoss, MPlayerAll})
    connect(a, &QAction::triggered, this, [this, a] { Guarded([&] { PlayerResultClick(a); }); });
  connect(MPlayerOpponent, &QAction::triggered, this, [this] { Guarded([&] { PlayerOpponentClick(); }); });

  MEventSiteNot = NewItem(PMEventSite, "MEventSiteNot");
  MEventSiteCaseSensitive = NewItem(PMEventSite, "MEventSiteCaseSensitive");
  MAnnotatorNot = NewItem(PMAnnotator, "MAnnotatorNot");
  MAnnotatorCaseSensitive = NewItem(PMAnnotator, "MAnnotatorCaseSensitive");
  struct FlagItem {
    QAction *a;
    Group g;
    bool isNot;
  };
  for (FlagItem f : {FlagItem{MEventSiteNot, gEventSites, true}, FlagItem{MEventSiteCaseSensitive, gEventSites, false},
                     FlagItem{MAnnotatorNot, gAnnotators, true}, FlagItem{MAnnotatorCaseSensitive, gAnnotators, false}})
    connect(f.a, &QAction::triggered, this, [this, f](bool on) { Guarded([&] { NameFlagClick(f.g, f.isNot, on); }); });

  auto rangeRow = [&](int r, QCheckBox *&cb, const char *cbName, QWidget *lo, QWidget *hi) {
    cb = new QCheckBox(this);
    cb->setObjectName(cbName);
    grid->addWidget(cb, r, 0);
    grid->addWidget(lo, r, 1);
    grid->addWidget(hi, r, 2);
  };
  YearLoEd = NewRangeEdit(this, "YearLoEd", 2500);
  YearHiEd = NewRangeEdit(this, "YearHiEd", 2500);
  rangeRow(3, YearCB, "YearCB", YearLoEd, YearHiEd);
  EcoLoEd = new QLineEdit(this);
  EcoLoEd->setObjectName("EcoLoEd");
  EcoHiEd = new QLineEdit(this);
  EcoHiEd->setObjectName("EcoHiEd");
  rangeRow(4, EcoCB, "EcoCB", EcoLoEd, EcoHiEd);
  EloLoEd = NewRangeEdit(this, "EloLoEd", 5000);
  EloHiEd = NewRangeEdit(this, "EloHiEd", 5000);
  rangeRow(5, EloCB, "EloCB", EloLoEd, EloHiEd);
  EloOptionsBtn = NewToolButton(this, "EloOptionsBtn", "...");
  grid->addWidget(EloOptionsBtn, 5, 5);
  PMElo = new QMenu(this);
  PMElo->setObjectName("PMElo");
  MEloAverage = NewItem(PMElo, "MEloAverage");
  MEloOnePlayer = NewItem(PMElo, "MEloOnePlayer");
  MEloBothPlayers = NewItem(PMElo, "MEloBothPlayers");
  for (QAction *a : {MEloAverage, MEloOnePlayer, MEloBothPlayers})
    connect(a, &QAction::triggered, this, [this, a] { Guarded([&] { EloTypeClick(a); }); });
  connect(EloOptionsBtn, &QToolButton::clicked, this, [this] { EloOptionsBtnClick(); });
  MovesLoEd = NewRangeEdit(this, "MovesLoEd", 500);
  MovesHiEd = NewRangeEdit(this, "MovesHiEd", 500);
  rangeRow(6, MovesCB, "MovesCB", MovesLoEd, MovesHiEd);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(2, 1);

  auto *flags = new QHBoxLayout;
  auto flag = [&](QCheckBox *&cb, const char *name) {
    cb = new QCheckBox(this);
    cb->setObjectName(name);
    flags->addWidget(cb);
  };
  flag(SearchWinsCB, "SearchWinsCB");
  flag(SearchDrawsCB, "SearchDrawsCB");
  flag(SearchLossesCB, "SearchLossesCB");
  flag(SearchMatesCB, "SearchMatesCB");
  flag(SearchChecksCB, "SearchChecksCB");
  flag(SearchEqualsCB, "SearchEqualsCB");
  flag(SearchTxtsCB, "SearchTxtsCB");
  flags->addStretch(1);

  auto *buttons = new QHBoxLayout;
  ClearBtn = new QPushButton(this);
  ClearBtn->setObjectName("ClearBtn");
  ClearBtn->setAutoDefault(false);
  SearchBtn = new QPushButton(this);
  SearchBtn->setObjectName("SearchBtn");
  SearchBtn->setDefault(true);
  CancelBtn = new QPushButton(this);
  CancelBtn->setObjectName("CancelBtn");
  CancelBtn->setAutoDefault(false);
  buttons->addWidget(ClearBtn);
  buttons->addStretch(1);
  buttons->addWidget(SearchBtn);
  buttons->addWidget(CancelBtn);
  connect(ClearBtn, &QPushButton::clicked, this, [this] { Guarded([&] { ClearBtnClick(); }); });
  connect(SearchBtn, &QPushButton::clicked, this, [this] {
    bool ok = false;
    Guarded([&] {
      SearchBtnClick();
      ok = true;
    });
    if (ok) accept();
  });
  connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);

  auto *top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addSpacing(4);
  top->addLayout(flags);
  top->addSpacing(8);
  top->addLayout(buttons);

  FormCreate();
  UpdateTexts();
}

TSearchGamesDlg::~TSearchGamesDlg() = default;

void TSearchGamesDlg::FormCreate() {
  criteria_ = std::make_unique<GameSearchMaskO>();
  criteria_->LoadFromIni(kBuiltInCriteria);
}

void TSearchGamesDlg::SetCriteria(const GameSearchMaskO &criteria) { criteria_->Assign(criteria); }

void TSearchGamesDlg::GetCriteria(GameSearchMaskO &criteria) const { criteria.Assign(*criteria_); }

int TSearchGamesDlg::Execute() {
  FormShow();
  return modal::Exec(*this);
}

void TSearchGamesDlg::FormShow() {
  UpdateTexts();
  CriteriaToControls();
  prepared_[0] = prepared_[1] = prepared_[2] = false;
  PlayersCMB->setFocus();
}

void TSearchGamesDlg::UpdateTexts() {
  using namespace CommonText;
  setWindowTitle(ToQ(S_SearchGamesDlg));
  PlayersLbl->setText(LabelText(S_PlayersLbl));
  EventSitesLbl->setText(LabelText(S_EventSitesLbl));
  AnnotatorsLbl->setText(LabelText(S_AnnotatorsLbl));
  MPlayerWhite->setText(ToQ(S_MWhite));
  MPlayerBlack->setText(ToQ(S_MBlack));
  MPlayerNot->setText(ToQ(S_MNot));
  MPlayerAll->setText(ToQ(S_MAll));
  MPlayerOpponent->setText(ToQ(S_MOpponent));
  MEventSiteNot->setText(ToQ(S_MNot));
  MEventSiteCaseSensitive->setText(ToQ(S_MCaseSensitive));
  MAnnotatorNot->setText(ToQ(S_MNot));
  MAnnotatorCaseSensitive->setText(ToQ(S_MCaseSensitive));
  MEloAverage->setText(ToQ(S_MAverage));
  MEloOnePlayer->setText(ToQ(S_MOnePlayer));
  MEloBothPlayers->setText(ToQ(S_MBothPlayers));
  YearCB->setText(ToQ(S_YearCB));
  EcoCB->setText(ToQ(S_EcoCB));
  EloCB->setText(ToQ(S_EloCB));
  MovesCB->setText(ToQ(S_MovesCB));
  SearchWinsCB->setText(ToQ(S_SearchWinsCB));
  SearchDrawsCB->setText(ToQ(S_SearchDrawsCB));
  SearchLossesCB->setText(ToQ(S_SearchLossesCB));
  SearchMatesCB->setText(ToQ(S_SearchMatesCB));
  SearchChecksCB->setText(ToQ(S_SearchChecksCB));
  SearchEqualsCB->setText(ToQ(S_SearchEqualsCB));
  SearchTxtsCB->setText(ToQ(S_SearchTxtsCB));
  ClearBtn->setText(ToQ(S_ClearBtn));
  SearchBtn->setText(ToQ(S_SearchBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
}

void TSearchGamesDlg::CriteriaToControls() {
  const GameSearchMaskO &c = *criteria_;
  for (int g = 0; g < 3; ++g) {
    QComboBox *cmb = Combo(static_cast<Group>(g));
    const QSignalBlocker block(cmb);
    cmb->clear();
    cmb->setEditText(QString());
  }
  for (int i = 1; i <= c.PlayerCount(); ++i) PlayersCMB->addItem(GameToQ(c.PlayerName(i)));
  for (int i = 1; i <= c.EventSiteCount(); ++i) EventSitesCMB->addItem(GameToQ(c.EventSiteName(i)));
  for (int i = 1; i <= c.AnnotatorCount(); ++i) AnnotatorsCMB->addItem(GameToQ(c.AnnotatorName(i)));
  // Filling an editable combo box shows its first item; the text starts empty.
  for (int g = 0; g < 3; ++g) {
    QComboBox *cmb = Combo(static_cast<Group>(g));
    cmb->setCurrentIndex(-1);
    cmb->setEditText(QString());
  }
  YearCB->setChecked(c.GetSearchYear());
  ShowNumber(YearLoEd, c.GetYearLo());
  ShowNumber(YearHiEd, c.GetYearHi());
  EcoCB->setChecked(c.GetSearchEco());
  EcoLoEd->setText(ToQ(c.GetEcoLo()));
  EcoHiEd->setText(ToQ(c.GetEcoHi()));
  EloCB->setChecked(c.GetSearchElo());
  ShowNumber(EloLoEd, c.GetEloLo());
  ShowNumber(EloHiEd, c.GetEloHi());
  MEloAverage->setChecked(c.GetEloType() == etAverage);
  MEloOnePlayer->setChecked(c.GetEloType() == etOnePlayer);
  MEloBothPlayers->setChecked(c.GetEloType() == etBothPlayers);
  MovesCB->setChecked(c.GetSearchMoves());
  ShowNumber(MovesLoEd, c.GetMovesLo());
  ShowNumber(MovesHiEd, c.GetMovesHi());
  SearchWinsCB->setChecked(c.GetSearchWins());
  SearchDrawsCB->setChecked(c.GetSearchDraws());
  SearchLossesCB->setChecked(c.GetSearchLosses());
  SearchMatesCB->setChecked(c.GetSearchMates());
  SearchChecksCB->setChecked(c.GetSearchChecks());
  SearchEqualsCB->setChecked(c.GetSearchEquals());
  SearchTxtsCB->setChecked(c.GetSearchTxts());
}

void TSearchGamesDlg::ControlsToCriteria() {
  AddBtnClick(gPlayers);
  AddBtnClick(gEventSites);
  AddBtnClick(gAnnotators);
  GameSearchMaskO &c = *criteria_;
  c.SetIgnoreColors(false);
  c.SetSearchYear(YearCB->isChecked());
  c.SetYearLo(YearLoEd->value());
  c.SetYearHi(YearHiEd->value());
  c.SetSearchEco(EcoCB->isChecked());
  c.SetEcoLo(FromQ(EcoLoEd->text()));
  c.SetEcoHi(FromQ(EcoHiEd->text()));
  c.SetSearchElo(EloCB->isChecked());
  c.SetEloLo(EloLoEd->value());
  c.SetEloHi(EloHiEd->value());
  c.SetSearchMoves(MovesCB->isChecked());
  c.SetMovesLo(MovesLoEd->value());
  c.SetMovesHi(MovesHiEd->value());
  c.SetSearchWins(SearchWinsCB->isChecked());
  c.SetSearchDraws(SearchDrawsCB->isChecked());
  c.SetSearchLosses(SearchLossesCB->isChecked());
  c.SetSearchMates(SearchMatesCB->isChecked());
  c.SetSearchChecks(SearchChecksCB->isChecked());
  c.SetSearchEquals(SearchEqualsCB->isChecked());
  c.SetSearchTxts(SearchTxtsCB->isChecked());
}

void TSearchGamesDlg::SearchBtnClick() { ControlsToCriteria(); }

void TSearchGamesDlg::ClearBtnClick() {
  criteria_->Clear();
  // Clear keeps the opponent's index, which would make the next player added
  // there the opponent without the user asking.
  criteria_->SetOpponent(0);
  pendingColour_ = pendingResults_ = 0;
  pendingOpponent_ = false;
  for (int g = 0; g < 3; ++g) pendingNot_[g] = pendingCase_[g] = prepared_[g] = false;
  CriteriaToControls();
}

QComboBox *TSearchGamesDlg::Combo(Group g) const {
  return g == gPlayers ? PlayersCMB : g == gEventSites ? EventSitesCMB : AnnotatorsCMB;
}

int TSearchGamesDlg::IndexOfText(Group g) const {
  const QComboBox *cmb = Combo(g);
  const std::string name = TypedName(cmb->currentText());
  for (int i = 0; i < cmb->count(); ++i)
    if (win1252::SameText(TypedName(cmb->itemText(i)), name)) return i + 1;
  return 0;
}

void TSearchGamesDlg::AddBtnClick(Group g) {
  QComboBox *cmb = Combo(g);
  const std::string name = TypedName(cmb->currentText());
  if (!name.empty() && IndexOfText(g) == 0) {
    GameSearchMaskO &c = *criteria_;
    switch (g) {
      case gPlayers:
        c.AddPlayer(name, pendingColour_, pendingResults_);
        if (pendingOpponent_) c.SetOpponent(c.PlayerCount());
        pendingColour_ = pendingResults_ = 0;
        pendingOpponent_ = false;
        break;
      case gEventSites:
        c.AddEventSite(name, pendingNot_[g], pendingCase_[g]);
        break;
      case gAnnotators:
        c.AddAnnotator(name, pendingNot_[g], pendingCase_[g]);
        break;
    }
    // The conditions were the added name's; the next name starts without.
    pendingNot_[g] = pendingCase_[g] = false;
    const QSignalBlocker block(cmb);
    const QString text = cmb->currentText();
    cmb->addItem(GameToQ(name));
    cmb->setEditText(text);
  }
  cmb->setFocus();
}

void TSearchGamesDlg::DeleteBtnClick(Group g) {
  QComboBox *cmb = Combo(g);
  const int i = IndexOfText(g);
  if (i == 0) return;
  GameSearchMaskO &c = *criteria_;
  switch (g) {
    case gPlayers: c.DeletePlayer(i); break;
    case gEventSites: c.DeleteEventSite(i); break;
    case gAnnotators: c.DeleteAnnotator(i); break;
  }
  cmb->removeItem(i - 1);
  cmb->setEditText(cmb->count() > 0 ? cmb->itemText(0) : QString());
  prepared_[g] = false;
}

void TSearchGamesDlg::PrepareMenu(Group g) {
  const int i = IndexOfText(g);
  const GameSearchMaskO &c = *criteria_;
  switch (g) {
    case gPlayers: {
      const std::uint8_t colour = i ? c.PlayerColour(i) : pendingColour_;
      MPlayerWhite->setChecked(colour == scWhite);
      MPlayerBlack->setChecked(colour == scBlack);
      MPlayerNot->setChecked(colour == scNot);
      ShowPlayerResults(i ? c.PlayerResults(i) : pendingResults_);
      MPlayerOpponent->setChecked(i ? c.GetOpponent() == static_cast<std::uint32_t>(i) : pendingOpponent_);
      break;
    }
    case gEventSites:
      MEventSiteNot->setChecked(i ? c.EventSiteNot(i) : pendingNot_[g]);
      MEventSiteCaseSensitive->setChecked(i ? c.EventSiteCaseSensitive(i) : pendingCase_[g]);
      break;
    case gAnnotators:
      MAnnotatorNot->setChecked(i ? c.AnnotatorNot(i) : pendingNot_[g]);
      MAnnotatorCaseSensitive->setChecked(i ? c.AnnotatorCaseSensitive(i) : pendingCase_[g]);
      break;
  }
  prepared_[g] = true;
}

void TSearchGamesDlg::OptionsBtnClick(Group g) {
  if (!prepared_[g]) PrepareMenu(g);
  QToolButton *btn = g == gPlayers ? PlayerOptionsBtn : g == gEventSites ? EventSiteOptionsBtn : AnnotatorOptionsBtn;
  QMenu *menu = g == gPlayers ? PMPlayer : g == gEventSites ? PMEventSite : PMAnnotator;
  menu->popup(btn->mapToGlobal(btn->rect().bottomLeft()));
}

void TSearchGamesDlg::EloOptionsBtnClick() { PMElo->popup(EloOptionsBtn->mapToGlobal(EloOptionsBtn->rect().bottomLeft())); }

void TSearchGamesDlg::ShowPlayerResults(std::uint8_t results) {
  MPlayerWin->setChecked(results & srWin);
  MPlayerDraw->setChecked(results & srDraw);
  MPlayerLoss->setChecked(results & srLoss);
  MPlayerAll->setChecked(results & srAll);
}

void TSearchGamesDlg::PlayerColourClick(QAction *item) {
  for (QAction *a : {MPlayerWhite, MPlayerBlack, MPlayerNot})
    if (a != item) a->setChecked(false);
  const std::uint8_t colour = !item->isChecked() ? scNone
                              : item == MPlayerWhite ? scWhite
                              : item == MPlayerBlack ? scBlack
                                                     : scNot;
  if (const int i = IndexOfText(gPlayers))
    criteria_->SetPlayerColour(i, colour);
  else
    pendingColour_ = colour;
}

void TSearchGamesDlg::PlayerResultClick(QAction *item) {
  const int i = IndexOfText(gPlayers);
  std::uint8_t results = i ? criteria_->PlayerResults(i) : pendingResults_;
  const std::uint8_t flag = item == MPlayerWin ? srWin : item == MPlayerDraw ? srDraw : item == MPlayerLoss ? srLoss : srAll;
  const bool on = item->isChecked();
  if (on && flag == srAll)
    results = srAll;
  else if (on && (results & srAll))
    results = flag;
  else
    results = on ? results | flag : results & ~flag;
  if (i)
    criteria_->SetPlayerResults(i, results);
  else
    pendingResults_ = results;
  ShowPlayerResults(results);
}

void TSearchGamesDlg::PlayerOpponentClick() {
  const bool on = MPlayerOpponent->isChecked();
  if (const int i = IndexOfText(gPlayers))
    criteria_->SetOpponent(on ? i : 0);
  else
    pendingOpponent_ = on;
}

void TSearchGamesDlg::NameFlagClick(Group g, bool isNot, bool on) {
  const int i = IndexOfText(g);
  if (i == 0) {
    (isNot ? pendingNot_[g] : pendingCase_[g]) = on;
  } else if (g == gEventSites) {
    isNot ? criteria_->SetEventSiteNot(i, on) : criteria_->SetEventSiteCaseSensitive(i, on);
  } else {
    isNot ? criteria_->SetAnnotatorNot(i, on) : criteria_->SetAnnotatorCaseSensitive(i, on);
  }
}

void TSearchGamesDlg::EloTypeClick(QAction *item) {
  for (QAction *a : {MEloAverage, MEloOnePlayer, MEloBothPlayers})
    if (a != item) a->setChecked(false);
  criteria_->SetEloType(!item->isChecked() ? 0
                        : item == MEloAverage ? etAverage
                        : item == MEloOnePlayer ? etOnePlayer
                                                : etBothPlayers);
}
