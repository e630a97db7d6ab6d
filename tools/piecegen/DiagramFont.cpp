#include "DiagramFont.h"

#include <QFile>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>
#include <cmath>
#include <functional>

#include "PieceArt.h"

namespace {

// Design units: the cell is 100 x 100, y down, as the piece designs.
const QTransform kToFont(kUnitsPerEm / 100.0, 0, 0, -kUnitsPerEm / 100.0, 0, kAscent);

// Measures in design units.
constexpr qreal kOutline = 4.0;    // piece outline and inner lines
constexpr qreal kGap = 3.0;        // clear space between a piece and the hatching
constexpr qreal kHatchStep = 10;   // hatching: one line every tenth of the cell
constexpr qreal kHatchLine = 2.6;  // its width across x
constexpr qreal kFrame = 4.0;      // frame line
constexpr qreal kPen = 4.5;        // digits and letters

qreal F(qreal designUnits) { return designUnits * kUnitsPerEm / 100.0; }

QPainterPath Cell() {
  QPainterPath p;
  p.addRect(QRectF(0, -kDescent, kUnitsPerEm, kUnitsPerEm));
  return p;
}

QPainterPath DesignRect(qreal x0, qreal y0, qreal x1, qreal y1) {
  QPainterPath p;
  p.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
  return kToFont.map(p);
}

QPainterPath Stroke(const QPainterPath &fontPath, qreal width, Qt::PenCapStyle cap, Qt::PenJoinStyle join) {
  QPainterPathStroker s;
  s.setWidth(width);
  s.setCapStyle(cap);
  s.setJoinStyle(join);
  return s.createStroke(fontPath);
}

// The dark square's diagonal lines, as the print-style diagram draws them:
// rising to the right, a tenth of the cell apart.
QPainterPath Hatching() {
  QPainterPath lines;
  for (qreal c = kHatchStep / 2; c < 200; c += kHatchStep) {
    // The band |x + y - c| <= kHatchLine / 2, y running past the cell.
    const qreal h = kHatchLine / 2;
    QPainterPath band;
    band.addPolygon(
        QPolygonF({{c - h + 10, -10}, {c + h + 10, -10}, {c + h - 110, 110}, {c - h - 110, 110}}));
    band.closeSubpath();
    lines = lines.united(kToFont.map(band));
  }
  return lines.intersected(Cell());
}

struct PieceInk {
  QPainterPath ink;   // what is printed
  QPainterPath keep;  // the piece grown by the gap: no hatching there
};

PieceInk PieceGlyph(Piece piece, bool white) {
  const PieceParts parts = DesignParts(Design::Linares, piece, kToFont, F(kOutline));
  const QPainterPath &body = parts.body;
  // The body less a band of the outline's width along its edge.
  const QPainterPath inner = body.subtracted(Stroke(body, 2 * F(kOutline), Qt::RoundCap, Qt::RoundJoin));
  PieceInk out;
  out.ink = white ? body.subtracted(inner.subtracted(parts.detail))
                  : body.subtracted(inner.intersected(parts.detail));
  out.keep = body.united(Stroke(body, 2 * F(kGap), Qt::RoundCap, Qt::RoundJoin));
  return out;
}

// ---- Digits and letters, drawn with one round pen in a 20 x 36 box (y down,
// baseline at 36, descenders to 46), then placed in the frame cell.

// An arc of the ellipse at (cx, cy), angles in degrees counter-clockwise
// from three o'clock as seen.
QPainterPath Arc(qreal cx, qreal cy, qreal rx, qreal ry, qreal start, qreal sweep) {
  QPainterPath p;
  const QRectF r(cx - rx, cy - ry, 2 * rx, 2 * ry);
  p.arcMoveTo(r, start);
  p.arcTo(r, start, sweep);
  return p;
}

QPainterPath Ring(qreal cx, qreal cy, qreal rx, qreal ry) { return Arc(cx, cy, rx, ry, 0, 360); }

std::vector<QPainterPath> CharStrokes(char ch) {
  switch (ch) {
    case '1':
      return {Line({{4, 8}, {12, 0}, {12, 36}}), Line({{5, 36}, {19, 36}})};
    case '2': {
      QPainterPath p = Arc(10, 10, 8.5, 9, 160, -200);
      p.lineTo(1.5, 36);
      p.lineTo(19, 36);
      return {p};
    }
    case '3':
      return {Arc(10, 9, 8, 8.5, 150, -240), Arc(10, 26.5, 9, 9.5, 90, -250)};
    case '4':
      return {Line({{14.5, 36}, {14.5, 0}, {1, 25}, {20, 25}})};
    case '5': {
      QPainterPath p = Line({{18, 0}, {4, 0}, {3, 16}});
      p.connectPath(Arc(10, 25, 9.5, 11, 135, -265));
      return {p};
    }
    case '6': {
      QPainterPath hook;
      hook.moveTo(16.5, 1.5);
      hook.cubicTo(7, 0, 1, 10, 1, 25);
      return {hook, Ring(10, 26, 9, 10)};
    }
    case '7':
      return {Line({{1, 0}, {19, 0}, {7, 36}})};
    case '8':
      return {Ring(10, 8.5, 7.5, 8.5), Ring(10, 26.5, 9, 9.5)};
    case 'a':
      return {Ring(9.5, 23, 8, 12.5), Line({{18, 10}, {18, 36}})};
    case 'b':
      return {Line({{2, 0}, {2, 36}}), Ring(10.5, 23, 8, 12.5)};
    case 'c':
      return {Arc(10.5, 23, 9, 12.5, 45, 270)};
    case 'd':
      return {Line({{18, 0}, {18, 36}}), Ring(9.5, 23, 8, 12.5)};
    case 'e': {
      QPainterPath p = Line({{1.5, 23}, {19, 23}});
      p.connectPath(Arc(10.25, 23, 8.75, 12.5, 0, 315));
      return {p};
    }
    case 'f': {
      QPainterPath p;
      p.moveTo(17, 2);
      p.cubicTo(12, -1, 7, 0, 7, 8);
      p.lineTo(7, 36);
      return {p, Line({{1.5, 11}, {15, 11}})};
    }
    case 'g': {
      QPainterPath p = Line({{18, 10}, {18, 38}});
      p.cubicTo(18, 47, 5, 48, 2.5, 42);
      return {Ring(9.5, 23, 8, 12.5), p};
    }
    case 'h': {
      QPainterPath p = Line({{2, 20}});
      p.cubicTo(3, 13, 7, 10, 11, 10);
      p.cubicTo(16, 10, 18, 13, 18, 20);
      p.lineTo(18, 36);
      return {Line({{2, 0}, {2, 36}}), p};
    }
  }
  return {};
}

// The character with its box's top left corner at (x, y) of the cell.
QPainterPath Character(char ch, qreal x, qreal y) {
  const QTransform place = QTransform::fromTranslate(x, y) * kToFont;
  QPainterPath ink;
  for (const QPainterPath &s : CharStrokes(ch))
    ink = ink.united(Stroke(place.map(s), F(kPen), Qt::RoundCap, Qt::RoundJoin));
  return ink;
}

// Frame lines lie on the side of the cell that faces the board.
QPainterPath FrameNorth() { return DesignRect(0, 100 - kFrame, 100, 100); }
QPainterPath FrameSouth() { return DesignRect(0, 0, 100, kFrame); }
QPainterPath FrameWest() { return DesignRect(100 - kFrame, 0, 100, 100); }
QPainterPath FrameEast() { return DesignRect(0, 0, kFrame, 100); }

}  // namespace

std::vector<DiagramGlyph> DiagramGlyphs() {
  struct P {
    const char *name;
    Piece piece;
    char light, dark;  // codes of the white piece; the black one follows below
  };
  // Pieces in the order of the ini keys: king, queen, rook, bishop, knight, pawn.
  static const P kPieces[] = {{"King", Piece::King, 'K', 'k'},     {"Queen", Piece::Queen, 'Q', 'q'},
                              {"Rook", Piece::Rook, 'R', 'r'},     {"Bishop", Piece::Bishop, 'B', 'v'},
                              {"Knight", Piece::Knight, 'N', 'n'}, {"Pawn", Piece::Pawn, 'P', 'p'}};
  // Black pieces: light squares "LWTJMO", dark squares "lwtjmo" in the same order.
  static const char kBlackLight[] = "LWTJMO", kBlackDark[] = "lwtjmo";

  const QPainterPath hatching = Hatching();
  std::vector<DiagramGlyph> out;
  for (const bool dark : {true, false}) {
    const std::string suffix = dark ? "_B" : "_W";
    out.push_back({"Blank" + suffix, dark ? '#' : '+', dark ? hatching : QPainterPath()});
    for (const bool white : {false, true})
      for (int i = 0; i < 6; ++i) {
        const P &p = kPieces[i];
        const int code = white ? (dark ? p.dark : p.light) : (dark ? kBlackDark[i] : kBlackLight[i]);
        PieceInk piece = PieceGlyph(p.piece, white);
        QPainterPath ink = dark ? hatching.subtracted(piece.keep).united(piece.ink) : piece.ink;
        out.push_back({std::string(white ? "White" : "Black") + p.name + suffix, code, ink});
      }
  }
  out.push_back({"BorderNW", '[', DesignRect(100 - kFrame, 100 - kFrame, 100, 100)});
  out.push_back({"BorderN", '^', FrameNorth()});
  out.push_back({"BorderNE", ']', DesignRect(0, 100 - kFrame, kFrame, 100)});
  out.push_back({"BorderW", '(', FrameWest()});
  out.push_back({"BorderE", ')', FrameEast()});
  out.push_back({"BorderSW", '<', DesignRect(100 - kFrame, 0, 100, kFrame)});
  out.push_back({"BorderS", '_', FrameSouth()});
  out.push_back({"BorderSE", '>', DesignRect(0, 0, kFrame, kFrame)});
  for (int k = 1; k <= 8; ++k)
    out.push_back({"BorderW" + std::to_string(k), '0' + k,
                   FrameWest().united(Character(static_cast<char>('0' + k), 38, 32))});
  for (int k = 1; k <= 8; ++k)
    out.push_back({"BorderS" + std::to_string(k), 'a' + k - 1,
                   FrameSouth().united(Character(static_cast<char>('a' + k - 1), 40, 24))});
  return out;
}

namespace {

qreal SignedArea(const QPolygonF &poly) {
  qreal a = 0;
  for (qsizetype i = 0; i < poly.size(); ++i) {
    const QPointF &p = poly[i], &q = poly[(i + 1) % poly.size()];
    a += p.x() * q.y() - q.x() * p.y();
  }
  return a / 2;
}

// Whole units, no repeated or collinear points, no closing duplicate.
QPolygonF Clean(const QPolygonF &in) {
  QPolygonF pts;
  for (const QPointF &p : in) {
    const QPointF r(std::round(p.x()), std::round(p.y()));
    if (pts.isEmpty() || pts.back() != r) pts.push_back(r);
  }
  while (pts.size() > 1 && pts.front() == pts.back()) pts.pop_back();
  bool changed = true;
  while (changed && pts.size() >= 3) {
    changed = false;
    for (qsizetype i = 0; i < pts.size() && pts.size() >= 3; ++i) {
      const QPointF &a = pts[(i + pts.size() - 1) % pts.size()], &b = pts[i], &c = pts[(i + 1) % pts.size()];
      const qreal cross = (b.x() - a.x()) * (c.y() - a.y()) - (b.y() - a.y()) * (c.x() - a.x());
      if (cross == 0) {
        pts.remove(i);
        changed = true;
      }
    }
  }
  return pts.size() >= 3 ? pts : QPolygonF();
}

}  // namespace

bool WriteFontOutlines(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  QByteArray text;
  text += "# Outlines of the diagram font, written by piecegen --font-outlines.\n";
  text += "unitsPerEm " + QByteArray::number(kUnitsPerEm) + "\n";
  text += "ascent " + QByteArray::number(kAscent) + "\n";
  text += "descent " + QByteArray::number(kDescent) + "\n";
  for (const DiagramGlyph &g : DiagramGlyphs()) {
    text += "glyph " + QByteArray::fromStdString(g.key) + " " + QByteArray::number(g.code) + "\n";
    std::vector<QPolygonF> contours;
    for (const QPolygonF &poly : g.ink.simplified().toSubpathPolygons()) {
      QPolygonF c = Clean(poly);
      if (!c.isEmpty() && SignedArea(c) != 0) contours.push_back(c);
    }
    for (size_t i = 0; i < contours.size(); ++i) {
      // Nesting depth: even for an area, odd for a hole.
      int depth = 0;
      const QPointF probe = (contours[i][0] + contours[i][1]) / 2;
      for (size_t j = 0; j < contours.size(); ++j)
        if (j != i && contours[j].containsPoint(probe, Qt::OddEvenFill)) ++depth;
      // y runs up: clockwise has a negative signed area.
      const bool clockwise = SignedArea(contours[i]) < 0;
      QPolygonF c = contours[i];
      if (clockwise != (depth % 2 == 0)) std::reverse(c.begin(), c.end());
      text += "contour";
      for (const QPointF &p : c)
        text += " " + QByteArray::number(int(p.x())) + " " + QByteArray::number(int(p.y()));
      text += "\n";
    }
  }
  return f.write(text) == text.size();
}
