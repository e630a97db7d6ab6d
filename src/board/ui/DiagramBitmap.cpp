#include "board/ui/DiagramBitmap.h"

#include <QGuiApplication>
#include <QPainter>

#include "board/ui/BoardPaint.h"
#include "board/ui/PieceImages.h"

namespace {

// Holds a piece set for the length of a scope.
class HeldSet {
 public:
  explicit HeldSet(int set) : set_(set) { PieceSetManO.LoadSet(set_); }
  ~HeldSet() { PieceSetManO.FreeSet(set_); }
  HeldSet(const HeldSet &) = delete;
  HeldSet &operator=(const HeldSet &) = delete;

 private:
  int set_;
};

}  // namespace

QImage DrawPositionBitmap(const BasePositionO &position, BmpSizeT set, bool frame, bool printStyle) {
  HeldSet held(set);
  const QPalette palette = QGuiApplication::palette();
  SquareStyleRec style{TColorToQColor(clBtnFace, palette), TColorToQColor(clBtnShadow, palette), false};
  if (printStyle) style = {Qt::white, Qt::white, true};
  // Read after acquiring: the first acquire may measure the strip again.
  const int w = PieceSetManO.SquareWidth(set), h = PieceSetManO.SquareHeight(set);
  QImage image(8 * w, 8 * h, QImage::Format_RGB32);
  {
    QPainter p(&image);
    for (int f = 1; f <= 8; ++f)
      for (int r = 1; r <= 8; ++r) {
        const int piece = position.PieceAt(f, r);
        PaintSquare(p, QRect((f - 1) * w, (8 - r) * h, w, h), IsLightSquare(f, r), style,
                    piece ? PieceBitmap(set, position.ColourAt(f, r), piece) : QImage());
      }
    if (frame) {
      const int W = 8 * w, H = 8 * h;
      p.fillRect(0, 0, W, 1, Qt::black);
      p.fillRect(0, H - 1, W, 1, Qt::black);
      p.fillRect(0, 0, 1, H, Qt::black);
      p.fillRect(W - 1, 0, 1, H, Qt::black);
    }
  }
  if (printStyle) return image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
  return image;
}
