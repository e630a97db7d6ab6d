// The three piece designs, as vector paths in a 100 x 100 box (y down),
// rasterised with hard edges onto the strips' key colour.
#include "PieceArt.h"

#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <QPolygonF>
#include <QTransform>
#include <initializer_list>
#include <vector>

namespace {

struct Shape {
  std::vector<QPainterPath> body;   // filled, united
  std::vector<QPainterPath> cuts;   // taken out of the body
  std::vector<QPainterPath> lines;  // inner detail, stroked in the contrast colour
  std::vector<QPainterPath> marks;  // inner detail, filled in the contrast colour
};

QPainterPath Poly(std::initializer_list<QPointF> pts) {
  QPainterPath p;
  p.addPolygon(QPolygonF(QList<QPointF>(pts)));
  p.closeSubpath();
  return p;
}

QPainterPath Rect(qreal x0, qreal y0, qreal x1, qreal y1) {
  QPainterPath p;
  p.addRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)));
  return p;
}

QPainterPath Round(qreal x0, qreal y0, qreal x1, qreal y1, qreal r) {
  QPainterPath p;
  p.addRoundedRect(QRectF(QPointF(x0, y0), QPointF(x1, y1)), r, r);
  return p;
}

QPainterPath Disc(qreal cx, qreal cy, qreal rx, qreal ry = -1) {
  QPainterPath p;
  p.addEllipse(QPointF(cx, cy), rx, ry < 0 ? rx : ry);
  return p;
}

// Crown points: a ball of radius r at each (bx, by), carried by a wedge
// from a base centred at cx on the line y = baseY; wedges are wide enough
// to stay joined to their balls at small sizes.
std::vector<QPainterPath> Crown(std::initializer_list<qreal> bx, std::initializer_list<qreal> by,
                                std::initializer_list<qreal> cx, qreal r, qreal halfBase, qreal baseY) {
  std::vector<QPainterPath> out;
  auto x = bx.begin(), y = by.begin(), c = cx.begin();
  for (; x != bx.end(); ++x, ++y, ++c) {
    out.push_back(Disc(*x, *y, r));
    out.push_back(Poly({{*c - halfBase, baseY}, {*c + halfBase, baseY}, {*x, *y}}));
  }
  return out;
}

// --- Regular: plain, classic silhouettes.

Shape RegularPiece(Piece piece) {
  Shape s;
  switch (piece) {
    case Piece::Pawn:
      s.body = {Disc(50, 29, 15.5), Rect(44, 40, 56, 48), Round(33, 46, 67, 53, 3),
                Poly({{41, 51}, {59, 51}, {70, 80}, {30, 80}}), Round(22, 78, 78, 92, 4)};
      s.lines = {Line({{30, 80}, {70, 80}})};
      break;
    case Piece::Rook:
      s.body = {Rect(22, 12, 35, 26),
                Rect(43.5, 12, 56.5, 26),
                Rect(65, 12, 78, 26),
                Rect(22, 24, 78, 34),
                Poly({{31, 32}, {69, 32}, {70, 72}, {30, 72}}),
                Poly({{30, 70}, {70, 70}, {76, 80}, {24, 80}}),
                Round(20, 79, 80, 92, 3)};
      s.lines = {Line({{26, 33}, {74, 33}}), Line({{29, 73}, {71, 73}})};
      break;
    case Piece::Knight: {
      QPainterPath p;
      p.moveTo(26, 82);
      p.cubicTo(28, 70, 34, 64, 44, 56);
      p.lineTo(30, 60);
      p.lineTo(21, 62);
      p.cubicTo(14, 60, 12, 52, 16, 46);
      p.cubicTo(24, 36, 30, 26, 40, 18);
      p.lineTo(42, 7);
      p.lineTo(50, 15);
      p.cubicTo(68, 16, 82, 34, 80, 82);
      p.closeSubpath();
      s.body = {p, Round(20, 79, 80, 92, 3)};
      QPainterPath mane;
      mane.moveTo(54, 21);
      mane.cubicTo(66, 26, 72, 44, 72, 76);
      s.lines = {mane, Line({{22, 79}, {78, 79}})};
      s.marks = {Disc(37, 31, 3.5)};
      break;
    }
    case Piece::Bishop: {
      QPainterPath m;
      m.moveTo(50, 16);
      m.cubicTo(68, 28, 70, 46, 62, 56);
      m.lineTo(38, 56);
      m.cubicTo(30, 46, 32, 28, 50, 16);
      s.body = {Disc(50, 11, 5.5), m, Round(35, 54, 65, 61, 3),
                Poly({{42, 60}, {58, 60}, {64, 80}, {36, 80}}), Round(22, 78, 78, 92, 4)};
      s.lines = {Line({{44, 30}, {56, 42}}), Line({{38, 57.5}, {62, 57.5}}), Line({{30, 79}, {70, 79}})};
      break;
    }
    case Piece::Queen:
      s.body = Crown({16, 32, 50, 68, 84}, {26, 19, 14, 19, 26}, {27, 38, 50, 62, 73}, 6, 8, 50);
      s.body.insert(s.body.end(), {Poly({{19, 46}, {81, 46}, {72, 64}, {28, 64}}), Round(27, 61, 73, 69, 3),
                                   Poly({{31, 68}, {69, 68}, {76, 81}, {24, 81}}), Round(20, 80, 80, 92, 3)});
      s.lines = {Line({{28, 63}, {72, 63}}), Line({{30, 69}, {70, 69}}), Line({{24, 81}, {76, 81}})};
      break;
    case Piece::King: {
      QPainterPath c;
      c.moveTo(50, 32);
      c.cubicTo(40, 18, 12, 22, 20, 44);
      c.lineTo(30, 64);
      c.lineTo(70, 64);
      c.lineTo(80, 44);
      c.cubicTo(88, 22, 60, 18, 50, 32);
      s.body = {Rect(45, 4, 55, 28),
                Rect(37, 9, 63, 18),
                c,
                Round(28, 61, 72, 69, 3),
                Poly({{32, 68}, {68, 68}, {76, 81}, {24, 81}}),
                Round(20, 80, 80, 92, 3)};
      s.lines = {Line({{50, 34}, {50, 60}}), Line({{29, 62}, {71, 62}}), Line({{31, 69}, {69, 69}}),
                 Line({{24, 81}, {76, 81}})};
      break;
    }
  }
  return s;
}

// --- Hastings: heavy, geometric blocks with bold outlines.

Shape HastingsPiece(Piece piece) {
  Shape s;
  switch (piece) {
    case Piece::Pawn:
      s.body = {Disc(50, 34, 15), Poly({{38, 46}, {62, 46}, {72, 80}, {28, 80}}), Rect(20, 78, 80, 93)};
      break;
    case Piece::Rook:
      s.body = {Rect(18, 10, 34, 26), Rect(42, 10, 58, 26), Rect(66, 10, 82, 26),
                Rect(18, 24, 82, 40), Rect(28, 38, 72, 80), Rect(18, 78, 82, 93)};
      s.lines = {Line({{30, 40}, {70, 40}})};
      break;
    case Piece::Knight:
      s.body = {Poly({{24, 80},
                      {30, 64},
                      {46, 52},
                      {24, 58},
                      {12, 50},
                      {14, 40},
                      {36, 18},
                      {40, 6},
                      {52, 14},
                      {70, 20},
                      {84, 44},
                      {82, 80}}),
                Rect(18, 78, 84, 93)};
      s.marks = {Rect(31, 29, 38, 35)};
      break;
    case Piece::Bishop:
      s.body = {Poly({{50, 6}, {68, 30}, {70, 58}, {30, 58}, {32, 30}}), Rect(38, 56, 62, 80),
                Rect(20, 78, 80, 93)};
      s.cuts = {Poly({{44, 40}, {66, 22}, {70, 27}, {48, 45}})};
      s.lines = {Line({{36, 58}, {64, 58}})};
      break;
    case Piece::Queen:
      s.body = {
          Poly({{12, 14}, {32, 40}, {34, 8}, {50, 34}, {66, 8}, {68, 40}, {88, 14}, {74, 62}, {26, 62}}),
          Rect(30, 60, 70, 80), Rect(18, 78, 82, 93)};
      s.lines = {Line({{28, 61}, {72, 61}})};
      break;
    case Piece::King:
      s.body = {Rect(42, 2, 58, 32), Rect(30, 10, 70, 24), Poly({{18, 32}, {82, 32}, {70, 62}, {30, 62}}),
                Rect(32, 60, 68, 80), Rect(18, 78, 82, 93)};
      s.lines = {Line({{30, 61}, {70, 61}})};
      break;
  }
  return s;
}

// --- Linares: slender, taller, with finer inner detail.

Shape LinaresPiece(Piece piece) {
  Shape s;
  switch (piece) {
    case Piece::Pawn: {
      QPainterPath b;
      b.moveTo(44, 42);
      b.lineTo(56, 42);
      b.cubicTo(56, 60, 64, 70, 68, 78);
      b.lineTo(32, 78);
      b.cubicTo(36, 70, 44, 60, 44, 42);
      s.body = {Disc(50, 27, 11), Disc(50, 42, 14, 4), b, Round(28, 76, 72, 84, 3), Round(22, 83, 78, 93, 3)};
      s.lines = {Line({{30, 83.5}, {70, 83.5}})};
      break;
    }
    case Piece::Rook:
      s.body = {Rect(25, 6, 36, 18),
                Rect(44.5, 6, 55.5, 18),
                Rect(64, 6, 75, 18),
                Poly({{25, 16}, {75, 16}, {69, 28}, {31, 28}}),
                Poly({{34, 26}, {66, 26}, {68, 72}, {32, 72}}),
                Round(28, 70, 72, 78, 2),
                Round(24, 77, 76, 85, 2),
                Round(20, 84, 80, 93, 2)};
      s.lines = {Line({{31, 27}, {69, 27}}),    Line({{34, 49}, {66, 49}}), Line({{43, 28}, {43, 49}}),
                 Line({{57, 28}, {57, 49}}),    Line({{50, 49}, {50, 70}}), Line({{30, 77}, {70, 77}}),
                 Line({{26, 84.5}, {74, 84.5}})};
      break;
    case Piece::Knight: {
      QPainterPath p;
      p.moveTo(28, 84);
      p.cubicTo(28, 72, 36, 64, 46, 56);
      p.cubicTo(40, 56, 34, 60, 24, 62);
      p.cubicTo(16, 62, 12, 56, 14, 50);
      p.cubicTo(22, 40, 28, 30, 38, 22);
      p.lineTo(38, 6);
      p.lineTo(46, 14);
      p.lineTo(50, 6);
      p.lineTo(54, 15);
      p.cubicTo(72, 18, 84, 38, 80, 84);
      p.closeSubpath();
      s.body = {p, Round(20, 83, 80, 93, 3)};
      QPainterPath mane;
      mane.moveTo(56, 20);
      mane.cubicTo(68, 26, 74, 44, 73, 80);
      s.lines = {mane,
                 Line({{60, 30}, {66, 28}}),
                 Line({{64, 40}, {71, 38}}),
                 Line({{66, 50}, {73, 49}}),
                 Line({{67, 60}, {74, 60}}),
                 Line({{14, 55}, {26, 56}}),
                 Line({{24, 84}, {76, 84}})};
      s.marks = {Disc(36, 31, 3), Disc(19, 50, 1.5)};
      break;
    }
    case Piece::Bishop: {
      QPainterPath m;
      m.moveTo(50, 12);
      m.cubicTo(66, 24, 68, 42, 60, 54);
      m.lineTo(40, 54);
      m.cubicTo(32, 42, 34, 24, 50, 12);
      s.body = {Disc(50, 8, 4.5),         m,
                Disc(50, 56, 14, 4),      Poly({{44, 58}, {56, 58}, {64, 76}, {36, 76}}),
                Round(28, 74, 72, 82, 3), Round(22, 81, 78, 93, 3)};
      s.cuts = {Poly({{45, 27}, {48, 24}, {60, 38}, {57, 41}})};
      s.lines = {Line({{38, 50}, {62, 50}}), Line({{36, 56}, {64, 56}}), Line({{30, 81.5}, {70, 81.5}})};
      break;
    }
    case Piece::Queen:
      s.body = Crown({20, 35, 50, 65, 80}, {20, 13, 9, 13, 20}, {29, 40, 50, 60, 71}, 5, 6.5, 44);
      s.body.insert(s.body.end(), {Poly({{22, 40}, {78, 40}, {70, 54}, {30, 54}}), Disc(50, 54, 21, 5),
                                   Poly({{40, 56}, {60, 56}, {66, 76}, {34, 76}}), Round(28, 74, 72, 82, 3),
                                   Round(22, 81, 78, 93, 3)});
      s.lines = {Line({{30, 51}, {70, 51}}), Line({{32, 57}, {68, 57}}), Line({{30, 81.5}, {70, 81.5}})};
      break;
    case Piece::King: {
      QPainterPath c;
      c.moveTo(50, 28);
      c.cubicTo(40, 14, 14, 18, 22, 40);
      c.lineTo(30, 54);
      c.lineTo(70, 54);
      c.lineTo(78, 40);
      c.cubicTo(86, 18, 60, 14, 50, 28);
      s.body = {Rect(45.5, 3, 54.5, 26),
                Rect(38, 8, 62, 16.5),
                c,
                Disc(50, 54, 21, 5),
                Poly({{40, 56}, {60, 56}, {66, 76}, {34, 76}}),
                Round(28, 74, 72, 82, 3),
                Round(22, 81, 78, 93, 3)};
      s.lines = {Line({{50, 30}, {50, 50}}), Line({{30, 51}, {70, 51}}), Line({{32, 57}, {68, 57}}),
                 Line({{30, 81.5}, {70, 81.5}})};
      break;
    }
  }
  return s;
}

Shape ShapeOf(Design design, Piece piece) {
  switch (design) {
    case Design::Regular:
      return RegularPiece(piece);
    case Design::Hastings:
      return HastingsPiece(piece);
    case Design::Linares:
      break;
  }
  return LinaresPiece(piece);
}

// A 0/1 grid of the pixels a painting covers.
using Grid = std::vector<std::vector<char>>;

Grid Coverage(const QImage &img) {
  Grid g(img.height(), std::vector<char>(img.width(), 0));
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) g[y][x] = qRed(img.pixel(x, y)) > 127;
  return g;
}

// Pixels of g whose four neighbours are all in g.
Grid Erode(const Grid &g) {
  const int h = static_cast<int>(g.size()), w = h ? static_cast<int>(g[0].size()) : 0;
  Grid out(h, std::vector<char>(w, 0));
  for (int y = 1; y + 1 < h; ++y)
    for (int x = 1; x + 1 < w; ++x)
      out[y][x] = g[y][x] && g[y - 1][x] && g[y + 1][x] && g[y][x - 1] && g[y][x + 1];
  return out;
}

}  // namespace

QPainterPath Line(std::initializer_list<QPointF> pts) {
  QPainterPath p;
  bool first = true;
  for (const QPointF &q : pts) {
    if (first)
      p.moveTo(q);
    else
      p.lineTo(q);
    first = false;
  }
  return p;
}

int OutlineWidth(Design design, int size) {
  if (design == Design::Hastings) return size >= 24 ? 2 : 1;
  return size >= 40 ? 2 : 1;
}

QImage RenderPiece(Design design, Piece piece, bool white, int size) {
  const Shape shape = ShapeOf(design, piece);
  const QTransform toCell = QTransform::fromScale(size / 100.0, size / 100.0);

  // The body is sampled 8 times finer and each pixel taken when at least
  // half of it is covered, which keeps small shapes even without blending.
  const int fine = 8;
  QImage hi(size * fine, size * fine, QImage::Format_RGB32);
  hi.fill(Qt::black);
  {
    QPainter p(&hi);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setTransform(QTransform::fromScale(size * fine / 100.0, size * fine / 100.0));
    p.setBrush(Qt::white);
    for (const QPainterPath &b : shape.body) p.drawPath(b);
    p.setBrush(Qt::black);
    for (const QPainterPath &c : shape.cuts) p.drawPath(c);
  }
  QImage lo(size, size, QImage::Format_RGB32);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      int n = 0;
      for (int dy = 0; dy < fine; ++dy)
        for (int dx = 0; dx < fine; ++dx) n += qRed(hi.pixel(x * fine + dx, y * fine + dy)) > 127;
      lo.setPixel(x, y, n * 2 >= fine * fine ? 0xFFFFFFFF : 0xFF000000);
    }
  const Grid body = Coverage(lo);
  const int outline = OutlineWidth(design, size);
  Grid inner = body;
  for (int k = 0; k < outline; ++k) inner = Erode(inner);

  // Inner detail at the cell's own size, in lines as wide as the outline.
  QImage det(size, size, QImage::Format_RGB32);
  det.fill(Qt::black);
  {
    QPainter p(&det);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setTransform(toCell);
    QPen pen(Qt::white, outline, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    for (const QPainterPath &l : shape.lines) p.drawPath(l);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    for (const QPainterPath &m : shape.marks) p.drawPath(m);
  }
  const Grid detail = Coverage(det);

  const QRgb fill = white ? kPieceWhite : kPieceBlack;
  const QRgb edge = kPieceBlack;
  const QRgb contrast = white ? kPieceBlack : kPieceWhite;
  QImage cell(size, size, QImage::Format_RGB32);
  cell.fill(kKeyColour);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      if (!body[y][x]) continue;
      if (!inner[y][x])
        cell.setPixel(x, y, edge);
      else
        cell.setPixel(x, y, detail[y][x] ? contrast : fill);
    }
  return cell;
}

QImage RenderStrip(Design design, int size) {
  static const Piece kOrder[] = {Piece::Rook,  Piece::Knight, Piece::Bishop,
                                 Piece::Queen, Piece::King,   Piece::Pawn};
  QImage strip(size * 14, size, QImage::Format_RGB32);
  strip.fill(kKeyColour);
  QPainter p(&strip);
  for (int k = 0; k < 12; ++k) {
    const bool white = k >= 6;
    p.drawImage(k * size, 0, RenderPiece(design, kOrder[k % 6], white, size));
  }
  return strip;
}

PieceParts DesignParts(Design design, Piece piece, const QTransform &to, qreal lineWidth) {
  const Shape shape = ShapeOf(design, piece);
  PieceParts out;
  for (const QPainterPath &b : shape.body) out.body = out.body.united(to.map(b));
  for (const QPainterPath &c : shape.cuts) out.body = out.body.subtracted(to.map(c));
  QPainterPathStroker pen;
  pen.setWidth(lineWidth);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  for (const QPainterPath &l : shape.lines) out.detail = out.detail.united(pen.createStroke(to.map(l)));
  for (const QPainterPath &m : shape.marks) out.detail = out.detail.united(to.map(m));
  return out;
}
