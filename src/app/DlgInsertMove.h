#pragma once
// How a new move goes into the game where the position has continuations.
#include "app/RadioChoiceDlg.h"

// The choice bytes.
inline constexpr uint8_t imInsertBeforeMove = 0;
inline constexpr uint8_t imInsertBeforeAll = 1;
inline constexpr uint8_t imReplaceMove = 2;
inline constexpr uint8_t imReplaceVariation = 3;
inline constexpr uint8_t imAddAlternative = 4;

class TInsertMoveDlg : public TRadioChoiceDlg {
  Q_OBJECT
 public:
  explicit TInsertMoveDlg(QWidget *parent = nullptr);

  QRadioButton *InsertBeforeMoveRB;
  QRadioButton *InsertBeforeAllRB;
  QRadioButton *ReplaceMoveRB;
  QRadioButton *ReplaceVariationRB;
  QRadioButton *AddAlternativeRB;

 protected:
  void ApplyCaptions() override;
};
