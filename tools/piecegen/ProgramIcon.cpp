#include "ProgramIcon.h"

#include <QPainter>
#include <QPainterPath>

#include "PieceArt.h"

QImage RenderProgramIcon(int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing, true);
  const qreal s = size / 64.0;  // drawn on a 64-unit grid

  // Four squares in the toolbar glyphs' board colours, in a rounded frame.
  QPainterPath frame;
  frame.addRoundedRect(QRectF(1, 1, 62, 62), 8, 8);
  frame = QTransform::fromScale(s, s).map(frame);
  p.setClipPath(frame);
  const QColor light(240, 217, 181), dark(181, 136, 99);
  for (int f = 0; f < 2; ++f)
    for (int r = 0; r < 2; ++r) p.fillRect(QRectF(f * 32 * s, r * 32 * s, 32 * s, 32 * s), (f + r) % 2 ? dark : light);
  p.setClipping(false);
  p.setPen(QPen(QColor(40, 40, 40), 2 * s));
  p.setBrush(Qt::NoBrush);
  p.drawPath(frame);

  // The knight fills most of the icon: its 100-unit design box on 56 units.
  const QTransform to = QTransform::fromScale(56 * s / 100.0, 56 * s / 100.0) * QTransform::fromTranslate(4 * s, 4 * s);
  const PieceParts parts = DesignParts(Design::Regular, Piece::Knight, to, 2.2 * s);
  p.setPen(QPen(Qt::black, 2.2 * s, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::white);
  p.drawPath(parts.body);
  p.setPen(Qt::NoPen);
  p.setBrush(Qt::black);
  p.drawPath(parts.detail);
  p.end();
  return img;
}
