#pragma once
// The position set-up dialog: a board of its own in set-up mode, the side
// to move, the castling rights, the en-passant file and the move number.
// The caller puts a position in, and after OK takes the set-up one out.
#include <QPoint>
#include <array>
#include <cstdint>
#include <string>

#include "app/AppDialog.h"
#include "chess/Posns.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QToolButton;
class TChessBoard;

class TEditPositionExDlg : public TAppDialog {
  Q_OBJECT
 public:
  explicit TEditPositionExDlg(QWidget *parent = nullptr);
  ~TEditPositionExDlg() override;

  // ---- Set by the caller before showing
  // In: the position to start from. After OK: the set-up position.
  PositionO Position;
  uint8_t ColorAtTop = cBlack;
  uint8_t PieceType = 2;
  bool Coordinates = false;
  // The starting width (0: as the layout asks), and the middle of the top
  // edge the dialog is placed under (unset: where it stands).
  int StartWidth = 0;
  QPoint TopCenter{-1, -1};

  // ---- Handlers
  void FormShow() override;
  // The board, its bevel and its labels, by the colour at the top.
  void FormResize();
  void BoardMouseDown();
  // The castling boxes: the right to the box's state.
  void CastlingClick(QCheckBox *box, int colour, int side);
  void wksClick() { CastlingClick(wks, cWhite, 1); }
  void wqsClick() { CastlingClick(wqs, cWhite, 0); }
  void bksClick() { CastlingClick(bks, cBlack, 1); }
  void bqsClick() { CastlingClick(bqs, cBlack, 0); }
  void ColorToMoveRGClick(int item);
  // Pressed: the tool becomes the piece; released: the tool removes.
  void PieceBtnClick(int piece);
  void PawnBtnClick() { PieceBtnClick(pPawn); }
  void KnightBtnClick() { PieceBtnClick(pKnight); }
  void BishopBtnClick() { PieceBtnClick(pBishop); }
  void RookBtnClick() { PieceBtnClick(pRook); }
  void QueenBtnClick() { PieceBtnClick(pQueen); }
  void KingBtnClick() { PieceBtnClick(pKing); }
  void WhiteBtnClick();
  void BlackBtnClick();
  void ClearBoardBtnClick();
  void InitialPositionBtnClick();
  // Accepts only a move number 1..255 (or none); otherwise beeps, selects
  // the number and stays in set-up mode.
  void OKBtnClick();
  void CancelBtnClick();
  void reject() override;

  // ---- Operations
  void ApplyCaptions();
  void PlaceLabels();
  void ShowBoardState();
  void ShowPieceButtons();
  void UpdateCastlingBoxes();
  void UpdateOKButton();

  // The en-passant file of a text: the first letter A-H of the trimmed
  // text in either case gives 1-8, anything else 0.
  static int EnPassantFileOf(const std::string &text);
  // The move number of a text: 0 for an empty text, -1 for anything but
  // an integer 1..255.
  static int MoveNumberOf(const std::string &text);

  // ---- Components
  QWidget *TopPanel;
  QWidget *BoardPanel;
  QWidget *MiddlePanel;
  QWidget *ButtonPanel;
  QFrame *BoardBevel;
  TChessBoard *Board;
  std::array<QLabel *, 8> FileLabels{};
  std::array<QLabel *, 8> RankLabels{};
  QGroupBox *WhiteCastlingGB;
  QCheckBox *wks;
  QCheckBox *wqs;
  QGroupBox *BlackCastlingGB;
  QCheckBox *bks;
  QCheckBox *bqs;
  QGroupBox *ColorToMoveRG;
  QRadioButton *WhiteToMoveRB;
  QRadioButton *BlackToMoveRB;
  QButtonGroup *ColorToMoveGroup;
  QToolButton *PawnBtn;
  QToolButton *KnightBtn;
  QToolButton *BishopBtn;
  QToolButton *RookBtn;
  QToolButton *QueenBtn;
  QToolButton *KingBtn;
  // The six above by piece code 1..6; entry 0 is unused.
  std::array<QToolButton *, 7> PieceBtns{};
  QToolButton *WhiteBtn;
  QToolButton *BlackBtn;
  QLabel *EnPassentLbl;
  QLineEdit *EPFile;
  QLabel *MoveNrLbl;
  QLineEdit *MoveNr;
  QPushButton *ClearBoardBtn;
  QPushButton *InitialPositionBtn;
  QPushButton *OKBtn;
  QPushButton *CancelBtn;
  QPushButton *HelpBtn;
};
