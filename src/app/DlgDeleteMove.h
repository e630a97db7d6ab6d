#pragma once
// Whether Delete on the alternatives list removes one move or its line.
#include "app/RadioChoiceDlg.h"

// The choice bytes: the modes of GameO::DeleteMove.
inline constexpr uint8_t dcDeleteVariation = 0;
inline constexpr uint8_t dcDeleteOneMove = 1;

class TDeleteMoveDlg : public TRadioChoiceDlg {
  Q_OBJECT
 public:
  explicit TDeleteMoveDlg(QWidget *parent = nullptr);

  QRadioButton *DeleteMoveRB;
  QRadioButton *DeleteVariationRB;

 protected:
  void ApplyCaptions() override;
};
