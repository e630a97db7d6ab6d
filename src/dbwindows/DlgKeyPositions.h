#pragma once
// Steps through the positions that define a sub-key of the current key.
// Made for each use and shown modally.
#include <QDialog>
#include <cstdint>

class DatabaseO;
class QLabel;
class QPushButton;
class TChessBoard;

class TKeyPositionsDlg : public QDialog {
  Q_OBJECT
 public:
  // row: the sub-key's row among the current key's rows.
  TKeyPositionsDlg(DatabaseO &database, int32_t row, QWidget *parent = nullptr);
  int Execute();

  void FormShow();
  void NextBtnClick();
  void PrevBtnClick();
  int Index() const { return index_; }
  int Count() const { return count_; }

  TChessBoard *Board;
  QLabel *PosNrLbl, *PosIdLbl;
  QPushButton *PrevBtn, *NextBtn;

 private:
  void ShowPosition(int i);

  DatabaseO &database_;
  int32_t row_;
  int index_ = 1;
  int count_ = 0;
};
