#pragma once
// Painting shared by the board control and the diagram renderer: stored
// colours turned into Qt colours, and one square with its piece.
#include <QColor>
#include <QImage>
#include <QPalette>
#include <QRect>

#include "board/ChsBmps.h"

class QPainter;

// A stored colour as Qt draws it: 0x00BBGGRR (red in the low byte), or a
// system colour (0x80000000 + number) read from the palette: button face as
// QPalette::Button, button shadow as QPalette::Dark.
QColor TColorToQColor(TColor c, const QPalette &palette);

// How squares look.
struct SquareStyleRec {
  QColor light;
  QColor dark;
  bool hatching = false;  // black diagonal lines on the dark squares
};

// The light and dark colours of BoardColorsO as the palette shows them.
SquareStyleRec BoardSquareStyle(const QPalette &palette);

// Light when file + rank is odd.
constexpr bool IsLightSquare(int file, int rank) { return (file + rank) % 2 == 1; }

// Fills the square, hatches a dark one, and draws the piece (a null image
// for none) at its top left. Nothing reaches outside the square: a strip
// may be taller than its square.
void PaintSquare(QPainter &p, const QRect &square, bool light, const SquareStyleRec &style,
                 const QImage &piece);
