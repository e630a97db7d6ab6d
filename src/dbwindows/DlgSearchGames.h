#pragma once
// The search dialog: the criteria of a game search. It edits its own
// criteria, which live as long as the dialog; the caller hands its kept
// criteria in with SetCriteria, runs Execute and, after Search, takes them
// back with GetCriteria.
#include <QDialog>
#include <cstdint>
#include <memory>

#include "chess/PGNTypes.h"
#include "dbwindows/GameListMan.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QToolButton;

class TSearchGamesDlg : public QDialog, public SearchDialogI {
  Q_OBJECT
 public:
  explicit TSearchGamesDlg(QWidget *parent = nullptr);
  ~TSearchGamesDlg() override;

  void SetCriteria(const GameSearchMaskO &criteria) override;
  void GetCriteria(GameSearchMaskO &criteria) const override;
  // FormShow, then the dialog modally through the modal seam; the result.
  int Execute() override;

  void FormShow();
  void UpdateTexts();
  void CriteriaToControls();
  void ControlsToCriteria();
  void SearchBtnClick();
  void ClearBtnClick();

  // The three name groups' "+", "-" and "..." (and the Elo "...").
  enum Group { gPlayers, gEventSites, gAnnotators };
  void AddBtnClick(Group g);
  void DeleteBtnClick(Group g);
  // Sets the popup's ticks from the name in the combo box; the "..." button
  // does this (when not yet done for the current text) before it pops up.
  void PrepareMenu(Group g);
  void OptionsBtnClick(Group g);
  void EloOptionsBtnClick();
  bool MenuPrepared(Group g) const { return prepared_[g]; }

  const GameSearchMaskO &Criteria() const { return *criteria_; }

  QLabel *PlayersLbl, *EventSitesLbl, *AnnotatorsLbl;
  QComboBox *PlayersCMB, *EventSitesCMB, *AnnotatorsCMB;
  QToolButton *AddPlayerBtn, *DeletePlayerBtn, *PlayerOptionsBtn;
  QToolButton *AddEventSiteBtn, *DeleteEventSiteBtn, *EventSiteOptionsBtn;
  QToolButton *AddAnnotatorBtn, *DeleteAnnotatorBtn, *AnnotatorOptionsBtn;
  QMenu *PMPlayer, *PMEventSite, *PMAnnotator, *PMElo;
  QAction *MPlayerWhite, *MPlayerBlack, *MPlayerNot, *MPlayerWin, *MPlayerDraw, *MPlayerLoss, *MPlayerAll,
      *MPlayerOpponent;
  QAction *MEventSiteNot, *MEventSiteCaseSensitive, *MAnnotatorNot, *MAnnotatorCaseSensitive;
  QAction *MEloAverage, *MEloOnePlayer, *MEloBothPlayers;
  QCheckBox *YearCB, *EcoCB, *EloCB, *MovesCB;
  QSpinBox *YearLoEd, *YearHiEd, *EloLoEd, *EloHiEd, *MovesLoEd, *MovesHiEd;
  QLineEdit *EcoLoEd, *EcoHiEd;
  QToolButton *EloOptionsBtn;
  QCheckBox *SearchWinsCB, *SearchDrawsCB, *SearchLossesCB, *SearchMatesCB, *SearchChecksCB, *SearchEqualsCB,
      *SearchTxtsCB;
  QPushButton *ClearBtn, *SearchBtn, *CancelBtn;

 private:
  void FormCreate();
  QComboBox *Combo(Group g) const;
  // 1-based index of the combo's trimmed text among its items, 0 if none.
  int IndexOfText(Group g) const;
  void PlayerColourClick(QAction *item);
  void PlayerResultClick(QAction *item);
  void PlayerOpponentClick();
  void NameFlagClick(Group g, bool isNot, bool on);
  void EloTypeClick(QAction *item);
  void ShowPlayerResults(std::uint8_t results);

  std::unique_ptr<GameSearchMaskO> criteria_;
  // Conditions of a name typed but not yet added; adding it takes them.
  std::uint8_t pendingColour_ = 0;
  std::uint8_t pendingResults_ = 0;
  bool pendingOpponent_ = false;
  bool pendingNot_[3] = {};
  bool pendingCase_[3] = {};
  bool prepared_[3] = {};
};

// The one dialog of the run, made with the program's forms, whose criteria
// persist between searches; the window manager uses it. Null until then.
extern TSearchGamesDlg *SearchGamesDlg;
