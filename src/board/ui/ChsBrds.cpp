#include "board/ui/ChsBrds.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "board/ui/BoardPaint.h"
#include "board/ui/PieceImages.h"
#include "chess/PrintPGN.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"

namespace {

TChessBoard::SleepFunction &SleepSlot() {
  static TChessBoard::SleepFunction f = [](int ms) { Delay(ms); };
  return f;
}

// Puts a value back when the scope ends, however it ends.
template <class T>
class Restore {
 public:
  explicit Restore(T &slot) : slot_(slot), value_(slot) {}
  ~Restore() { slot_ = value_; }
  Restore(const Restore &) = delete;
  Restore &operator=(const Restore &) = delete;

 private:
  T &slot_;
  T value_;
};

// The corner a knight's slide turns at.
void KnightCorner(KnightMoveT k, int ff, int fr, int tf, int tr, int &cf, int &cr) {
  const bool longFile = std::abs(tf - ff) == 2;
  const int midFile = (ff + tf) / 2, midRank = (fr + tr) / 2;
  if (k == kmDiagonalFirst) {
    cf = longFile ? midFile : tf;
    cr = longFile ? tr : midRank;
  } else {
    cf = longFile ? midFile : ff;
    cr = longFile ? fr : midRank;
  }
}

int64_t Area(const QRect &r) { return static_cast<int64_t>(r.width()) * r.height(); }

}  // namespace

TChessBoard::SleepFunction TChessBoard::SetSleepFunction(SleepFunction f) {
  SleepFunction old = std::move(SleepSlot());
  SleepSlot() = std::move(f);
  return old;
}

TChessBoard::TChessBoard(QWidget *parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  PieceSetManO.LoadSet(pieceType_);
  base_.Reset();
  current_.Reset();
  display_.ClearBoard();
  Resize();
  SetAutoRedraw(true);  // not created yet: paints the whole board
  created_ = true;
}

TChessBoard::~TChessBoard() { PieceSetManO.FreeSet(pieceType_); }

// ---- Properties, orientation and size

void TChessBoard::SetSmallSize(bool small) {
  if (small != SmallSize()) SetPieceType(small ? 0 : 1);
}

void TChessBoard::SetPieceType(int set) {
  if (set == pieceType_) return;
  // Acquire first: an unknown set raises before the old one is let go.
  PieceSetManO.LoadSet(set);
  PieceSetManO.FreeSet(pieceType_);
  if (dragging_) EndDrag();  // a lifted piece of the old size
  pieceType_ = static_cast<BmpSizeT>(set);
  Resize();
  Paint();
}

void TChessBoard::Resize() {
  // The first acquire may have measured the strip again.
  squareWidth_ = RangeCast<uint8_t>(PieceSetManO.SquareWidth(pieceType_));
  squareHeight_ = RangeCast<uint8_t>(PieceSetManO.SquareHeight(pieceType_));
  setFixedSize(8 * squareWidth_ + leftMargin_, 8 * squareHeight_ + topMargin_);
  screen_ = QImage(8 * squareWidth_, 8 * squareHeight_, QImage::Format_ARGB32_Premultiplied);
}

void TChessBoard::SetOrientation(ColorT colourAtTop) {
  CancelInput();
  orientation_ = colourAtTop == cWhite ? 0 : 1;
  Paint();
}

void TChessBoard::Flip() { SetOrientation(orientation_ == 1 ? cWhite : cBlack); }

void TChessBoard::SetAutoRedraw(bool on) {
  autoRedraw_ = on;
  if (on) RedrawChangedSquares();
}

bool TChessBoard::CanMakeSmaller() const { return PieceSetManO.HasSmaller(pieceType_); }
bool TChessBoard::CanMakeLarger() const { return PieceSetManO.HasLarger(pieceType_); }
void TChessBoard::SmallerBoard() { SetPieceType(PieceSetManO.Smaller(pieceType_)); }
void TChessBoard::LargerBoard() { SetPieceType(PieceSetManO.Larger(pieceType_)); }
void TChessBoard::SetPieceTypeFamily(const std::string &family) {
  SetPieceType(PieceSetManO.FindInFamily(pieceType_, family));
}
std::string TChessBoard::GetPieceTypeFamily() const { return PieceSetManO.FamilyOf(pieceType_); }

// ---- Geometry

QPoint TChessBoard::SquareToPixel(int file, int rank) const {
  if (orientation_ == 0) return QPoint((8 - file) * squareWidth_ + leftMargin_, (rank - 1) * squareHeight_);
  return QPoint((file - 1) * squareWidth_ + leftMargin_, (8 - rank) * squareHeight_);
}

QRect TChessBoard::SquareRect(int file, int rank) const {
  return QRect(SquareToPixel(file, rank), QSize(squareWidth_, squareHeight_));
}

bool TChessBoard::PixelToSquare(int x, int y, int &file, int &rank) const {
  if (x < 0 || y < 0 || x >= 8 * squareWidth_ || y >= 8 * squareHeight_) return false;
  int f = (x - leftMargin_) / squareWidth_ + 1;
  int r = 8 - y / squareHeight_;
  if (orientation_ == 0) {
    f = 9 - f;
    r = 9 - r;
  }
  if (f < 1 || f > 8 || r < 1 || r > 8) return false;
  file = f;
  rank = r;
  return true;
}

// ---- Drawing

void TChessBoard::Paint() {
  {
    QPainter p(&screen_);
    SquareStyleRec style = BoardSquareStyle(palette());
    style.hatching = hatching_;
    for (int f = 1; f <= 8; ++f)
      for (int r = 1; r <= 8; ++r) {
        const int piece = current_.PieceAt(f, r), colour = current_.ColourAt(f, r);
        PaintSquare(p, SquareRect(f, r), IsLightSquare(f, r), style,
                    piece ? PieceBitmap(pieceType_, colour, piece) : QImage());
        display_.SetSquare(f, r, piece, colour);
      }
  }
  trace_.squaresDrawn += 64;
  if (highlightOn_) DrawHighlightFrame();
  Show(screen_.rect());
}

void TChessBoard::DrawSquare(int file, int rank, int piece, int colour) {
  const QRect r = SquareRect(file, rank);
  {
    QPainter p(&screen_);
    SquareStyleRec style = BoardSquareStyle(palette());
    style.hatching = hatching_;
    PaintSquare(p, r, IsLightSquare(file, rank), style,
                piece ? PieceBitmap(pieceType_, colour, piece) : QImage());
  }
  if (piece)
    display_.SetSquare(file, rank, piece, colour);
  else
    display_.ClearSquare(file, rank);
  ++trace_.squaresDrawn;
  Show(r);
}

void TChessBoard::DrawHighlightFrame() {
  // Two nested one-pixel rectangles, both inside the square.
  const QRect r = SquareRect(highlightFile_, highlightRank_);
  QPainter p(&screen_);
  p.fillRect(QRect(r.left(), r.top(), r.width(), 2), Qt::black);
  p.fillRect(QRect(r.left(), r.bottom() - 1, r.width(), 2), Qt::black);
  p.fillRect(QRect(r.left(), r.top(), 2, r.height()), Qt::black);
  p.fillRect(QRect(r.right() - 1, r.top(), 2, r.height()), Qt::black);
  Show(r);
}

void TChessBoard::SetHighlight(int file, int rank, bool on) {
  if (on) CheckBoardSquare(file, rank);
  // Off takes the frame from the square that has it, whatever square the
  // caller names; a new square first loses the old frame.
  if (highlightOn_) {
    highlightOn_ = false;
    DrawSquare(highlightFile_, highlightRank_, display_.PieceAt(highlightFile_, highlightRank_),
               display_.ColourAt(highlightFile_, highlightRank_));
  }
  if (!on) return;
  highlightOn_ = true;
  highlightFile_ = static_cast<uint8_t>(file);
  highlightRank_ = static_cast<uint8_t>(rank);
  DrawHighlightFrame();
}

void TChessBoard::RedrawChangedSquares() {
  if (!autoRedraw_) return;
  if (!created_) {
    Paint();
    return;
  }
  for (int f = 1; f <= 8; ++f)
    for (int r = 1; r <= 8; ++r) {
      const int piece = current_.PieceAt(f, r), colour = current_.ColourAt(f, r);
      if (display_.PieceAt(f, r) == piece && display_.ColourAt(f, r) == colour) continue;
      DrawSquare(f, r, piece, colour);
      if (highlightOn_ && f == highlightFile_ && r == highlightRank_) DrawHighlightFrame();
    }
}

void TChessBoard::Show(const QRect &r) {
  if (sliding_ > 0) {
    unshown_ |= r;
    return;
  }
  trace_.pixelsCopied += Area(r);
  update(r);
}

void TChessBoard::ShowNow() {
  for (const QRect &r : unshown_) trace_.pixelsCopied += Area(r);
  repaint(unshown_);
  unshown_ = QRegion();
}

void TChessBoard::paintEvent(QPaintEvent *event) {
  QPainter p(this);
  p.drawImage(event->rect(), screen_, event->rect());
  if (floating_.on) {
    p.setClipRect(floating_.rect);
    p.drawImage(floating_.rect.topLeft(), PieceBitmap(pieceType_, floating_.colour, floating_.piece));
  }
}

void TChessBoard::changeEvent(QEvent *event) {
  // System square colours follow the palette.
  if (event->type() == QEvent::PaletteChange && created_) Paint();
  QWidget::changeEvent(event);
}

// ---- Slides

void TChessBoard::Sleep(int ms) {
  ++trace_.sleeps;
  trace_.sleptMs += ms;
  if (SleepSlot()) SleepSlot()(ms);
}

void TChessBoard::MoveFloating(const QRect &to, bool now) {
  unshown_ |= floating_.rect;
  floating_.rect = to;
  unshown_ |= to;
  if (now) {
    ShowNow();
    return;
  }
  for (const QRect &r : unshown_) trace_.pixelsCopied += Area(r);
  update(unshown_);
  unshown_ = QRegion();
}

void TChessBoard::SlideLeg(int piece, int colour, int af, int ar, int bf, int br, int delay, bool lift,
                           bool drop) {
  ++trace_.legs;
  const QPoint a = SquareToPixel(af, ar), b = SquareToPixel(bf, br);
  double x = a.x() + 1, y = a.y() + 1;
  if (trace_.recordPoints) {
    trace_.legStarts.push_back(QPoint(a.x() + 1, a.y() + 1));
    trace_.legEnds.push_back(b);
  }
  if (delay == 0) {
    // No animation: the leg only lifts from A or drops on B.
    if (lift) DrawSquare(af, ar, 0, 0);
    if (drop) DrawSquare(bf, br, piece, colour);
    return;
  }
  ++sliding_;
  struct Leave {
    int &n;
    ~Leave() { --n; }
  } leave{sliding_};
  if (lift) {
    DrawSquare(af, ar, 0, 0);
    floating_ = {true, piece, colour, SquareRect(af, ar)};
  }
  const double dx = b.x() - x, dy = b.y() - y;
  const double d = std::sqrt(dx * dx + dy * dy);
  const double n = d / step_;
  const int steps = static_cast<int>(std::trunc(n));
  for (int i = 1; i <= steps; ++i) {
    Sleep(delay);
    x += dx / n;
    y += dy / n;
    const QPoint at(static_cast<int>(std::lround(x)), static_cast<int>(std::lround(y)));
    ++trace_.steps;
    if (trace_.recordPoints) trace_.stepPoints.push_back(at);
    MoveFloating(QRect(at, QSize(squareWidth_, squareHeight_)));
  }
  if (drop) {
    unshown_ |= floating_.rect;
    floating_.on = false;
    DrawSquare(bf, br, piece, colour);
    ShowNow();
  }
}

void TChessBoard::SlidePiece(int piece, int colour, int ff, int fr, int tf, int tr, int delay) {
  if (piece == pKnight && knightMoves_ != kmStraight) {
    int cf = 0, cr = 0;
    KnightCorner(knightMoves_, ff, fr, tf, tr, cf, cr);
    SlideLeg(piece, colour, ff, fr, cf, cr, delay, true, false);
    SlideLeg(piece, colour, cf, cr, tf, tr, delay, false, true);
  } else {
    SlideLeg(piece, colour, ff, fr, tf, tr, delay, true, true);
  }
}

// ---- Moves

void TChessBoard::MakeMoveAnimated(const MoveRec &m, bool withoutSlide) {
  // The move is tried on a copy first, so a move past move 255 (or any move
  // the record refuses) changes neither list, nor screen, nor position.
  {
    BasePositionO trial = current_.Base();
    trial.MakeMove(m);
  }
  if (moveList_.Full()) throw ERangeError("Move list full");
  CancelInput();
  moveList_.Add(m);
  if (autoRedraw_ && !m.IsNullMove()) {
    const int colour = m.colour;
    if (withoutSlide) {
      DrawSquare(m.fromFile, m.fromRank, 0, 0);
      DrawSquare(m.toFile, m.toRank, m.piece, colour);
    } else {
      SlidePiece(m.piece, colour, m.fromFile, m.fromRank, m.toFile, m.toRank, moveDelay_);
    }
    if (m.IsPromotion()) {
      DrawSquare(m.toFile, m.toRank, m.promotion, colour);
    } else if (m.IsCastling()) {
      SlideLeg(pRook, colour, m.CastlingRookFrom(), m.fromRank, m.CastlingRookTo(), m.fromRank,
               castleRookMoveDelay_, true, true);
    } else if (m.IsEnPassant()) {
      DrawSquare(m.toFile, m.fromRank, 0, 0);
    }
    // A capture needs no second drawing: the drop draws the whole square.
  }
  current_.MakeMove(m);
}

void TChessBoard::TakeBackAnimated() {
  CancelInput();
  if (moveList_.Count() == 0) return;
  const MoveRec m = moveList_.Get(moveList_.Count());
  moveList_.DeleteLast();
  if (autoRedraw_ && !m.IsNullMove()) {
    const int colour = m.colour, opponent = OppositeSide(m.colour);
    // A promotion slides back as the pawn it was (the move's piece).
    SlidePiece(m.piece, colour, m.toFile, m.toRank, m.fromFile, m.fromRank, moveBackDelay_);
    if (m.IsEnPassant()) {
      DrawSquare(m.toFile, m.fromRank, pPawn, opponent);
    } else if (m.IsCastling()) {
      SlideLeg(pRook, colour, m.CastlingRookTo(), m.fromRank, m.CastlingRookFrom(), m.fromRank,
               castleRookMoveBackDelay_, true, true);
    }
    if (m.IsCapture() && !m.IsEnPassant()) DrawSquare(m.toFile, m.toRank, m.captured, opponent);
  }
  current_.UnmakeMove(m);
}

void TChessBoard::ReplayLastMove() {
  if (!CanTakeBack()) return;
  const MoveRec m = moveList_.Get(moveList_.Count());
  Restore<uint16_t> keepBack(moveBackDelay_), keepMove(moveDelay_);
  moveBackDelay_ = replayMoveBackDelay_;
  TakeBackAnimated();
  Sleep(replayPauseDelay_);
  moveDelay_ = replayMoveDelay_;
  MakeMoveAnimated(m, false);
}

void TChessBoard::SetReplayMoves(const MoveListO *list) {
  replayMoves_ = list;
  replayPly_ = moveList_.Count() + 1;
}

void TChessBoard::GoToPly(int n) {
  if (!replayMoves_) return;
  // Ply n is before move n of the list; there is nothing past its end.
  n = std::clamp(n, 1, replayMoves_->Count() + 1);
  if (n < replayPly_) {
    Restore<uint16_t> keepBack(moveBackDelay_), keepRook(castleRookMoveBackDelay_);
    moveBackDelay_ = 0;
    castleRookMoveBackDelay_ = 0;
    while (replayPly_ > n) {
      TakeBack();
      --replayPly_;
    }
  } else if (n > replayPly_) {
    Restore<uint16_t> keepMove(moveDelay_), keepRook(castleRookMoveDelay_);
    moveDelay_ = 0;
    castleRookMoveDelay_ = 0;
    while (replayPly_ < n) {
      DoMove(replayMoves_->At(replayPly_));
      ++replayPly_;
    }
  }
}

// ---- Positions

void TChessBoard::SetPosition(const PositionO *position, const MoveListO *moves) {
  const bool was = autoRedraw_;
  struct Back {
    TChessBoard *board;
    bool on;
    ~Back() {
      if (on) board->SetAutoRedraw(true);
    }
  } back{this, was};
  autoRedraw_ = false;
  if (position)
    AssignPosition(*position);
  else
    SetInitialPosition();
  if (moves)
    for (int i = 1; i <= moves->Count(); ++i) DoMove(moves->At(i));
}

void TChessBoard::AssignPosition(const PositionO &position) {
  CancelInput();
  moveList_.Clear();
  base_.Assign(position);
  current_.Assign(position);
  RedrawChangedSquares();
}

void TChessBoard::SetInitialPosition() {
  // In set-up mode only the position being edited changes.
  if (inputMode_ == 10) {
    current_.Reset();
    RedrawChangedSquares();
    return;
  }
  CancelInput();
  moveList_.Clear();
  base_.Reset();
  current_.Reset();
  RedrawChangedSquares();
}

void TChessBoard::ResetToBasePosition() {
  CancelInput();
  moveList_.Clear();
  current_.Assign(base_);
  RedrawChangedSquares();
}

void TChessBoard::UndoMove(const MoveRec &move) {
  CancelInput();
  moveList_.Clear();
  current_.UnmakeMove(move);
  RedrawChangedSquares();
}

bool TChessBoard::GetLastMove(MoveRec &move) const {
  if (moveList_.Count() == 0) return false;
  moveList_.GetLast(move);
  return true;
}

std::string TChessBoard::GetLastMoveText(int kind, LanguageId language) const {
  std::string text;
  if (moveList_.Count() == 0)
    current_.MoveNumberText(text);
  else
    moveList_.At(moveList_.Count()).ToText(kind, language, nullptr, text);
  return text;
}

std::string TChessBoard::GetPositionAsHTML(const std::string &imageFolder, int32_t borderWidth) const {
  return HtmlDiagram(current_, imageFolder, borderWidth);
}

std::string TChessBoard::GetPositionAsRTF(const ChessFontInfoRec &font, bool coordinates) const {
  return RtfDiagram(current_, font, coordinates);
}

std::string TChessBoard::MoveNumberText() const {
  std::string text;
  current_.MoveNumberText(text);
  return text;
}

std::string TChessBoard::MaterialText(LanguageId language, bool viewFromBlack, bool cancelMinors) const {
  std::string text;
  current_.MaterialText(language, viewFromBlack, text, cancelMinors);
  return text;
}
