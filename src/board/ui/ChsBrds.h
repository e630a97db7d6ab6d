#pragma once
// TChessBoard: the board control. It shows a position in a piece set, flips,
// changes size, highlights one square and slides pieces when moves are made
// or taken back. The owners drive it through the operations below; the
// board keeps a move list of the moves made on it since its base position.
//
// What is on the screen is held in a backing image together with a record
// of the piece on every square, so a position change redraws only the
// squares that differ. A sliding piece is drawn over the backing image.
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QWidget>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "board/ChsBmps.h"
#include "chess/Diags.h"
#include "chess/Moves.h"
#include "chess/Posns.h"

struct ChessFontInfoRec;

enum KnightMoveT : uint8_t { kmStraight, kmStraightFirst, kmDiagonalFirst };

// Counts of the drawing work, for tests and the benchmark.
struct BoardTraceRec {
  int legs = 0;              // straight slides
  int steps = 0;             // moves of a sliding piece
  int squaresDrawn = 0;      // squares drawn into the backing image
  int64_t pixelsCopied = 0;  // area handed to the screen
  int sleeps = 0;
  int64_t sleptMs = 0;
  // Filled only while recordPoints is set: each leg's start and end pixel,
  // and the sliding piece's top left after each step.
  bool recordPoints = false;
  std::vector<QPoint> legStarts, legEnds, stepPoints;
};

class TChessBoard : public QWidget {
 public:
  // Button, modifiers, and file and rank 1..8 of the square acted on.
  using TMouseEvent = std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, int x, int y)>;
  // Pixel position of a right-button release; the board ignores Handled.
  using TRightClickEvent = std::function<void(int x, int y, bool &handled)>;

  explicit TChessBoard(QWidget *parent = nullptr);
  ~TChessBoard() override;

  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TRightClickEvent OnRightClick;

  // ---- Properties
  bool SmallSize() const { return pieceType_ == 0; }
  void SetSmallSize(bool small);
  ColorT ColorAtTop() const { return GetOrientation(); }
  void SetColorAtTop(ColorT colour) { SetOrientation(colour); }
  KnightMoveT KnightMoves() const { return knightMoves_; }
  void SetKnightMoves(KnightMoveT k) { knightMoves_ = k; }
  // The pauses of a slide step, clamped to 0..kMaxStepDelay. The replay
  // pause is one pause between two slides.
  uint16_t MoveDelay() const { return moveDelay_; }
  void SetMoveDelay(int ms) { moveDelay_ = StepDelay(ms); }
  uint16_t MoveBackDelay() const { return moveBackDelay_; }
  void SetMoveBackDelay(int ms) { moveBackDelay_ = StepDelay(ms); }
  uint16_t ReplayMoveBackDelay() const { return replayMoveBackDelay_; }
  void SetReplayMoveBackDelay(int ms) { replayMoveBackDelay_ = StepDelay(ms); }
  uint16_t ReplayPauseDelay() const { return replayPauseDelay_; }
  void SetReplayPauseDelay(uint16_t ms) { replayPauseDelay_ = ms; }
  uint16_t ReplayMoveDelay() const { return replayMoveDelay_; }
  void SetReplayMoveDelay(int ms) { replayMoveDelay_ = StepDelay(ms); }
  uint16_t CastleRookMoveDelay() const { return castleRookMoveDelay_; }
  void SetCastleRookMoveDelay(int ms) { castleRookMoveDelay_ = StepDelay(ms); }
  uint16_t CastleRookMoveBackDelay() const { return castleRookMoveBackDelay_; }
  void SetCastleRookMoveBackDelay(int ms) { castleRookMoveBackDelay_ = StepDelay(ms); }
  BmpSizeT PieceType() const { return pieceType_; }
  // A set that is not registered raises ERangeError and changes nothing.
  void SetPieceType(int set);

  // ---- Orientation, redrawing, size
  // The colour shown at the top: cWhite, anything else means Black.
  void SetOrientation(ColorT colourAtTop);
  ColorT GetOrientation() const { return orientation_ == 0 ? cWhite : cBlack; }
  void Flip();
  void SetAutoRedraw(bool on);
  bool GetAutoRedraw() const { return autoRedraw_; }
  bool CanMakeSmaller() const;
  bool CanMakeLarger() const;
  void SmallerBoard();
  void LargerBoard();
  void SetPieceTypeFamily(const std::string &family);
  std::string GetPieceTypeFamily() const;
  // Draws all 64 squares again, e.g. after the square colours changed.
  void Paint();

  // ---- Positions and moves
  // The position (the start position for none), then the moves (if any),
  // drawn once at the end.
  void SetPosition(const PositionO *position, const MoveListO *moves);
  void SetPositionOnly(const PositionO &position) { SetPosition(&position, nullptr); }
  void AssignPosition(const PositionO &position);
  void SetInitialPosition();
  void ResetToBasePosition();
  // A move the position cannot take (past move 255) raises ERangeError
  // and changes nothing.
  void DoMove(const MoveRec &move) { MakeMoveAnimated(move, false); }
  void TakeBack() { TakeBackAnimated(); }
  // Unmakes the move without a slide and forgets the move list.
  void UndoMove(const MoveRec &move);
  bool CanTakeBack() const { return moveList_.Count() > 0; }
  void ReplayLastMove();
  // False when the move list is empty.
  bool GetLastMove(MoveRec &move) const;
  std::string GetLastMoveText(int kind, LanguageId language) const;
  const MoveListO &MoveList() const { return moveList_; }
  // GoToPly(n) walks to ply n of the list (1 is before its first move).
  // The list must outlive its use.
  void SetReplayMoves(const MoveListO *list);
  void GoToPly(int n);
  void ReplayDone() {}
  int ReplayPly() const { return replayPly_; }

  PositionO &Position() { return current_; }
  const PositionO &Position() const { return current_; }
  void CopyPositionTo(PositionO &target) const { target.Assign(current_); }
  std::string GetFEN() const { return current_.GetFEN(); }
  std::string GetPositionAsHTML(const std::string &imageFolder, int32_t borderWidth) const;
  std::string GetPositionAsRTF(const ChessFontInfoRec &font, bool coordinates) const;
  // One square at a time; off removes the frame wherever it is.
  void SetHighlight(int file, int rank, bool on);
  bool HighlightOn() const { return highlightOn_; }

  // ---- Input (ChsBrdsInput.cpp)
  // Every change of the position starts here: it ends a drag and what a
  // first click, a promotion choice or the alternatives began.
  void CancelInput();
  void SetRightClickTakeBack(bool on) { rightClickTakeBack_ = on; }
  bool RightClickTakeBack() const { return rightClickTakeBack_; }
  // What the last action did: 0 nothing yet, 1 a move was made, 2 it was
  // replaced by the next alternative, 3 the alternatives are used up and
  // the move was taken back, 4 the last move was taken back, 8 an illegal
  // move; in set-up mode 0, 5 a square changed, 6 the tool piece changed,
  // 7 a square and the tool colour changed.
  uint8_t GetInputState() const;
  void GetPendingMove(MoveRec &move) const { move = pendingMove_; }
  // A move from outside (the engine) made as if entered: state 1.
  void EnterMove(const MoveRec &move);
  // Black to move at move 255, where no move can follow. The callers that
  // refuse a move for it say so with ShowLastMoveRefusal.
  bool AtLastMove() const;
  static void ShowLastMoveRefusal();
  bool Dragging() const { return dragging_; }

  // Set-up mode: clicks and drags edit the position.
  void BeginSetup();
  // Accepting a valid position makes it the base; otherwise the position
  // of BeginSetup comes back.
  void EndSetup(bool accept);
  bool InSetup() const { return inputMode_ == 10; }
  void SetSetupPiece(int kind);  // 0 none, pawn .. king
  int GetSetupPiece() const { return setupPiece_; }
  void SetSetupColor(int colour);
  int GetSetupColor() const { return setupColour_; }
  void SetSquare(int file, int rank, int piece, int colour);
  void ClearSquare(int file, int rank);
  void ClearBoard();

  // ---- Forwards to the current position (they never redraw)
  void SetSideToMove(int colour) { current_.SetSideToMove(colour); }
  void SetMoveNumber(int number) { current_.SetMoveNumber(number); }
  void SetCastling(int colour, int side, bool flag) { current_.SetCastling(colour, side, flag); }
  void SetEnPassantFile(int file) { current_.SetEnPassantFile(file); }
  uint8_t SideToMove() const { return current_.SideToMove(); }
  uint8_t MoveNumber() const { return current_.MoveNumber(); }
  bool IsEmpty() const { return current_.IsEmpty(); }
  uint8_t EnPassantFile() const { return current_.EnPassantFile(); }
  std::string MoveNumberText() const;
  // The material label: Black's side first when viewFromBlack.
  std::string MaterialText(LanguageId language, bool viewFromBlack, bool cancelMinors) const;
  uint8_t PieceAt(int file, int rank) const { return current_.PieceAt(file, rank); }
  uint8_t ColourAt(int file, int rank) const { return current_.ColourAt(file, rank); }
  bool Castling(int colour, int side) const { return current_.Castling(colour, side); }
  bool CastlingPiecesInPlace(int colour, int side) const {
    return current_.CastlingPiecesInPlace(colour, side);
  }
  bool IsValid() { return current_.IsValid(); }
  bool IsLegalMove(int fromFile, int fromRank, int toFile, int toRank, bool &promotionNeeded) {
    return current_.IsLegalMove(fromFile, fromRank, toFile, toRank, promotionNeeded);
  }
  void EnablePicker() { current_.EnablePicker(); }
  void ResetInterpreter() { current_.ResetInterpreter(); }
  uint8_t FeedMoveChar(char c, MoveRec &move) { return current_.FeedMoveChar(c, move); }
  const std::string &TypedMoveText() const { return current_.TypedMoveText(); }
  void CompleteMove(MoveRec &move) { current_.CompleteMove(move); }
  void BuildMove(int fromFile, int fromRank, int toFile, int toRank, int promotion, MoveRec &move) {
    current_.BuildMove(fromFile, fromRank, toFile, toRank, promotion, move);
  }
  void SetLanguage(LanguageId language) { current_.SetLanguage(language); }

  // ---- Geometry
  int SquareWidth() const { return squareWidth_; }
  int SquareHeight() const { return squareHeight_; }
  // Top-left pixel of a square (file and rank 1..8).
  QPoint SquareToPixel(int file, int rank) const;
  // The square under a pixel; false off the board.
  bool PixelToSquare(int x, int y, int &file, int &rank) const;
  // The piece record of what is drawn on a square.
  const BasePositionO &DisplayRecord() const { return display_; }

  // ---- Tests and benchmarks
  BoardTraceRec &Trace() { return trace_; }
  // The pause of a slide step; Delay unless replaced. Answers the previous.
  using SleepFunction = std::function<void(int ms)>;
  static SleepFunction SetSleepFunction(SleepFunction f);

 protected:
  void paintEvent(QPaintEvent *event) override;
  void changeEvent(QEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;

 private:
  struct FloatingPiece {
    bool on = false;
    int piece = 0, colour = 0;
    QRect rect;
  };

  void MakeMoveAnimated(const MoveRec &move, bool withoutSlide);
  void TakeBackAnimated();
  void Resize();
  // Draws a square into the backing image (piece 0: empty) and records it.
  void DrawSquare(int file, int rank, int piece, int colour);
  void DrawHighlightFrame();
  void RedrawChangedSquares();
  QRect SquareRect(int file, int rank) const;
  // A piece's slide from square a to square b (knights by KnightMoves).
  void SlidePiece(int piece, int colour, int fromFile, int fromRank, int toFile, int toRank, int delay);
  void SlideLeg(int piece, int colour, int af, int ar, int bf, int br, int delay, bool lift, bool drop);
  // Moves the floating piece and shows its old and new place, at once
  // (slides) or with the next paint (drags).
  void MoveFloating(const QRect &to, bool now = true);
  // Hands drawn areas to the screen: at once inside a slide, else later.
  void Show(const QRect &r);
  void ShowNow();
  void Sleep(int ms);
  static uint16_t StepDelay(int ms) { return static_cast<uint16_t>(std::clamp(ms, 0, kMaxStepDelay)); }

  // Input.
  void Fire(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int file, int rank);
  void LeftPress(int file, int rank, QPoint at, Qt::KeyboardModifiers modifiers);
  void LeftRelease(QPoint at, Qt::KeyboardModifiers modifiers);
  void RightPress(int file, int rank, Qt::KeyboardModifiers modifiers);
  void Click(int file, int rank);
  void FirstClick(int file, int rank);
  void SecondClick(int file, int rank);
  void ConfirmPromotion();
  void SetupClick(int file, int rank);
  void Drop(int file, int rank);
  void StartDrag(int file, int rank, QPoint at);
  // Puts the dragged piece back on its square.
  void EndDrag();

  // What is drawn, and the positions.
  BasePositionO display_;
  PositionO base_;
  PositionO current_;
  MoveListO moveList_;
  MoveListO alternatives_;

  // Input.
  uint8_t inputMode_ = 0;
  uint8_t orientation_ = 1;  // 1: White at the bottom
  bool rightClickTakeBack_ = true;
  bool autoRedraw_ = false;
  MoveRec pendingMove_;
  uint8_t promotionPiece_ = pQueen;
  uint8_t moveFromFile_ = 0, moveFromRank_ = 0, moveToFile_ = 0, moveToRank_ = 0;
  bool fromChosenFirst_ = false;
  bool alternativesOn_ = false;
  bool alternativesExhausted_ = false;
  int alternativeIndex_ = 0;
  uint8_t alternativesFile_ = 0, alternativesRank_ = 0;
  // Set-up: the tool, the square clicked last and its click count.
  uint8_t setupPiece_ = 2;
  uint8_t setupColour_ = cWhite;
  uint8_t setupFile_ = 0, setupRank_ = 0;
  uint8_t setupClicks_ = 0;
  uint8_t setupState_ = 0;
  // Drag.
  bool dragging_ = false;
  bool leftStartSquare_ = false;
  uint8_t dragFile_ = 0, dragRank_ = 0, dragPiece_ = 0, dragColour_ = 0;
  QPoint grabOffset_;

  // Drawing.
  bool hatching_ = false;
  uint8_t squareWidth_ = 0, squareHeight_ = 0;
  bool highlightOn_ = false;
  uint8_t highlightFile_ = 0, highlightRank_ = 0;
  BmpSizeT pieceType_ = BmpSizeT(0);
  const uint16_t leftMargin_ = 0, topMargin_ = 0;
  const MoveListO *replayMoves_ = nullptr;
  int replayPly_ = 1;
  bool created_ = false;
  KnightMoveT knightMoves_ = kmStraightFirst;
  const int step_ = 8;
  QImage screen_;
  FloatingPiece floating_;
  int sliding_ = 0;  // inside an animated leg
  QRegion unshown_;  // drawn into the backing image, not yet on screen

  uint16_t moveDelay_ = 10;
  uint16_t moveBackDelay_ = 10;
  uint16_t replayMoveBackDelay_ = 10;
  uint16_t replayPauseDelay_ = 10;
  uint16_t replayMoveDelay_ = 20;
  uint16_t castleRookMoveDelay_ = 20;
  uint16_t castleRookMoveBackDelay_ = 10;

  BoardTraceRec trace_;
};
