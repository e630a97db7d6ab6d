#pragma once
// A form for looking into EPD text: it reads a text into its own position,
// lists the operations and the operands of the chosen one, and writes the
// position back as EPD. No command shows it.
#include <QWidget>

#include "chess/Posns.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class TBackgroundFrm : public QWidget {
  Q_OBJECT
 public:
  // Runs FormCreate.
  explicit TBackgroundFrm(QWidget *parent = nullptr);

  // The text of EpdEd read as EPD: the operations listed and the first
  // chosen; a refused text beeps and shows "Error", the lists unchanged.
  void GetFromEPDClick();
  // The chosen operation's operands; nothing when none is chosen.
  void OperationsLBClick();
  void ConvertToEPDClick();

  PositionO &Position() { return position_; }

  QLineEdit *EpdEd;
  QPushButton *GetFromEPD;
  QPushButton *ConvertToEPD;
  QListWidget *OperationsLB;
  QListWidget *OperandsLB;
  QLineEdit *ResultEd;

 private:
  void FormCreate();

  PositionO position_;
};
