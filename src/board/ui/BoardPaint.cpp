#include "board/ui/BoardPaint.h"

#include <QPainter>

namespace {
constexpr TColor kSystemColour = 0x80000000;
constexpr TColor kColorBtnFace = 15;
constexpr TColor kColorBtnShadow = 16;
}  // namespace

QColor TColorToQColor(TColor c, const QPalette &palette) {
  if (c & kSystemColour) {
    // Only the two square defaults are system colours; anything else reads
    // as the button face too.
    return (c & 0xFF) == kColorBtnShadow ? palette.color(QPalette::Dark) : palette.color(QPalette::Button);
  }
  // The high byte (palette-relative flags) means nothing without palettes.
  return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

SquareStyleRec BoardSquareStyle(const QPalette &palette) {
  return {TColorToQColor(BoardColorsO.WhiteSquares(), palette),
          TColorToQColor(BoardColorsO.BlackSquares(), palette), false};
}

void PaintSquare(QPainter &p, const QRect &square, bool light, const SquareStyleRec &style,
                 const QImage &piece) {
  p.save();
  p.setClipRect(square);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.fillRect(square, light ? style.light : style.dark);
  if (!light && style.hatching) {
    // Pairs of lines 4 pixels apart from the left and bottom edges. Qt draws
    // a line's end pixel, which lies just outside the square: the clip
    // keeps it out of the neighbours.
    p.setPen(QPen(Qt::black, 0));
    const int x = square.x(), y = square.y(), w = square.width(), h = square.height();
    for (int i = 0; i <= w / 4; ++i) {
      p.drawLine(x, y + 4 * i - 1, x + 4 * i, y - 1);
      p.drawLine(x + 4 * i, y + h - 1, x + w, y + 4 * i - 1);
    }
  }
  if (!piece.isNull()) p.drawImage(square.topLeft(), piece);
  p.restore();
}
