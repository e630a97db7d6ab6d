// Writes the toolbar glyphs: each design is drawn on a 16-unit grid and
// scaled, so the 16- and 32-pixel images show the same picture.
//   glyphgen DIR     writes <Name>16.png and <Name>32.png into DIR
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const QColor kInk(40, 40, 40);
const QColor kPaper(255, 255, 255);
const QColor kFolder(232, 184, 74);
const QColor kBlue(50, 100, 170);
const QColor kGreen(40, 140, 60);
const QColor kLight(240, 217, 181);
const QColor kDark(181, 136, 99);

QPen Ink(double w = 1.0) { return QPen(kInk, w, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin); }

void Page(QPainter &p, double x, double y, double w, double h) {
  QPainterPath path;
  path.moveTo(x, y);
  path.lineTo(x + w - 3, y);
  path.lineTo(x + w, y + 3);
  path.lineTo(x + w, y + h);
  path.lineTo(x, y + h);
  path.closeSubpath();
  p.setPen(Ink());
  p.setBrush(kPaper);
  p.drawPath(path);
  p.drawLine(QPointF(x + w - 3, y), QPointF(x + w - 3, y + 3));
  p.drawLine(QPointF(x + w - 3, y + 3), QPointF(x + w, y + 3));
}

void Lines(QPainter &p, double x, double y, double w, int n, double gap = 2) {
  p.setPen(QPen(kInk, 1));
  for (int i = 0; i < n; ++i) p.drawLine(QPointF(x, y + i * gap), QPointF(x + w, y + i * gap));
}

void Board(QPainter &p, double x, double y, double size, int n) {
  const double s = size / n;
  p.setPen(Qt::NoPen);
  for (int f = 0; f < n; ++f)
    for (int r = 0; r < n; ++r) {
      p.setBrush((f + r) % 2 ? kDark : kLight);
      p.drawRect(QRectF(x + f * s, y + r * s, s, s));
    }
  p.setPen(Ink());
  p.setBrush(Qt::NoBrush);
  p.drawRect(QRectF(x, y, size, size));
}

void Arrow(QPainter &p, QPointF from, QPointF to, const QColor &c) {
  p.setPen(QPen(c, 2, Qt::SolidLine, Qt::FlatCap));
  const QPointF d = to - from;
  const double len = std::sqrt(d.x() * d.x() + d.y() * d.y());
  const QPointF u = d / len, n(-u.y(), u.x());
  p.drawLine(from, to - u * 2.5);
  p.setPen(Qt::NoPen);
  p.setBrush(c);
  p.drawPolygon(QPolygonF({to, to - u * 4 + n * 3, to - u * 4 - n * 3}));
}

void Triangle(QPainter &p, bool right, double cx, double cy) {
  p.setPen(Qt::NoPen);
  p.setBrush(kBlue);
  const double d = right ? 1 : -1;
  p.drawPolygon(QPolygonF({QPointF(cx - 2.5 * d, cy - 4), QPointF(cx + 3 * d, cy), QPointF(cx - 2.5 * d, cy + 4)}));
}

void Text(QPainter &p, const QString &t, const QColor &c) {
  QFont f("DejaVu Sans");
  f.setBold(true);
  f.setPixelSize(12);
  p.setFont(f);
  p.setPen(c);
  p.drawText(QRectF(0, 0, 16, 16), Qt::AlignCenter, t);
}

struct Glyph {
  const char *name;
  std::function<void(QPainter &)> draw;
};

const std::vector<Glyph> &Glyphs() {
  static const std::vector<Glyph> g = {
      {"FileNew",
       [](QPainter &p) {
         Page(p, 2.5, 1.5, 10, 13);
         p.setPen(QPen(kGreen, 2));
         p.drawLine(QPointF(11.5, 9), QPointF(11.5, 15));
         p.drawLine(QPointF(8.5, 12), QPointF(14.5, 12));
       }},
      {"FileOpen",
       [](QPainter &p) {
         p.setPen(Ink());
         p.setBrush(kFolder.darker(115));
         p.drawPolygon(QPolygonF({QPointF(1.5, 3.5), QPointF(6, 3.5), QPointF(7.5, 5), QPointF(13.5, 5),
                                  QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
         p.setBrush(kFolder);
         p.drawPolygon(QPolygonF({QPointF(1.5, 13.5), QPointF(4, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5)}));
       }},
      {"Import",
       [](QPainter &p) {
         Page(p, 5.5, 1.5, 9, 13);
         Arrow(p, QPointF(0.5, 8), QPointF(10, 8), kGreen);
       }},
      {"GameList",
       [](QPainter &p) {
         Page(p, 2.5, 1.5, 11, 13);
         Lines(p, 4.5, 5.5, 7, 4, 2.5);
       }},
      {"Find",
       [](QPainter &p) {
         p.setPen(QPen(kInk, 1.5));
         p.setBrush(QColor(200, 225, 250));
         p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
         p.setPen(QPen(kInk, 3, Qt::SolidLine, Qt::RoundCap));
         p.drawLine(QPointF(10, 10), QPointF(14, 14));
       }},
      {"NewGame",
       [](QPainter &p) {
         Board(p, 1.5, 3.5, 11, 4);
         p.setPen(QPen(kGreen, 2));
         p.drawLine(QPointF(12.5, 0.5), QPointF(12.5, 6.5));
         p.drawLine(QPointF(9.5, 3.5), QPointF(15.5, 3.5));
       }},
      {"SetupPosition",
       [](QPainter &p) {
         Board(p, 1.5, 1.5, 13, 4);
         p.setPen(Ink());
         p.setBrush(kPaper);
         p.drawEllipse(QPointF(8, 5.5), 2.2, 2.2);
         p.drawPolygon(QPolygonF({QPointF(6.5, 7.5), QPointF(9.5, 7.5), QPointF(11, 12.5), QPointF(5, 12.5)}));
       }},
      {"GameInfo",
       [](QPainter &p) {
         p.setPen(Qt::NoPen);
         p.setBrush(kBlue);
         p.drawEllipse(QPointF(8, 8), 7, 7);
         p.setBrush(kPaper);
         p.drawEllipse(QPointF(8, 4.5), 1.3, 1.3);
         p.drawRect(QRectF(6.8, 6.8, 2.4, 6));
       }},
      {"FileSave",
       [](QPainter &p) {
         p.setPen(Ink());
         p.setBrush(kBlue);
         p.drawPolygon(QPolygonF({QPointF(1.5, 1.5), QPointF(12.5, 1.5), QPointF(14.5, 3.5), QPointF(14.5, 14.5),
                                  QPointF(1.5, 14.5)}));
         p.setBrush(kPaper);
         p.drawRect(QRectF(3.5, 1.5, 9, 5));
         p.setBrush(QColor(200, 200, 200));
         p.drawRect(QRectF(4.5, 9.5, 7, 5));
       }},
      {"PrevGame",
       [](QPainter &p) {
         Page(p, 4.5, 1.5, 10, 13);
         Triangle(p, false, 4.5, 8);
         p.setPen(QPen(kBlue, 1.5));
         p.drawLine(QPointF(1, 4), QPointF(1, 12));
       }},
      {"NextGame",
       [](QPainter &p) {
         Page(p, 1.5, 1.5, 10, 13);
         Triangle(p, true, 11.5, 8);
         p.setPen(QPen(kBlue, 1.5));
         p.drawLine(QPointF(15, 4), QPointF(15, 12));
       }},
      {"Copy",
       [](QPainter &p) {
         Page(p, 1.5, 1.5, 8, 10);
         Page(p, 6.5, 4.5, 8, 10);
         Lines(p, 8.5, 8.5, 4, 3, 2);
       }},
      {"Paste",
       [](QPainter &p) {
         p.setPen(Ink());
         p.setBrush(kDark);
         p.drawRect(QRectF(1.5, 2.5, 10, 12));
         p.setBrush(QColor(190, 190, 190));
         p.drawRect(QRectF(4.5, 1.5, 4, 3));
         Page(p, 6.5, 6.5, 8, 8);
       }},
      {"Comment",
       [](QPainter &p) {
         p.setPen(Ink());
         p.setBrush(kPaper);
         QPainterPath path;
         path.addRoundedRect(QRectF(1.5, 2.5, 13, 9), 2, 2);
         path.moveTo(4, 11.5);
         path.lineTo(3.5, 14.5);
         path.lineTo(7.5, 11.5);
         p.drawPath(path.simplified());
         Lines(p, 4, 5.5, 8, 3, 2);
       }},
      {"Nags1", [](QPainter &p) { Text(p, "!?", kBlue); }},
      {"Nags2", [](QPainter &p) { Text(p, QString::fromUtf8("\xc2\xb1"), kBlue); }},
      {"CopyPosition",
       [](QPainter &p) {
         Board(p, 1.5, 1.5, 9, 3);
         Board(p, 5.5, 5.5, 9, 3);
       }},
      {"FlipBoard",
       [](QPainter &p) {
         p.setPen(QPen(kBlue, 1.8, Qt::SolidLine, Qt::FlatCap));
         p.setBrush(Qt::NoBrush);
         p.drawArc(QRectF(2, 2, 12, 12), 30 * 16, 150 * 16);
         p.drawArc(QRectF(2, 2, 12, 12), 210 * 16, 150 * 16);
         p.setPen(Qt::NoPen);
         p.setBrush(kBlue);
         p.drawPolygon(QPolygonF({QPointF(15.5, 6), QPointF(10.5, 6), QPointF(13.5, 1.5)}));
         p.drawPolygon(QPolygonF({QPointF(0.5, 10), QPointF(5.5, 10), QPointF(2.5, 14.5)}));
       }},
      // An opening tree: one position branching into three moves.
      {"Tree",
       [](QPainter &p) {
         p.setPen(QPen(kInk, 1.2));
         for (double x : {3.0, 8.0, 13.0}) p.drawLine(QPointF(8, 3.5), QPointF(x, 12));
         p.setPen(Ink());
         p.setBrush(kGreen);
         p.drawEllipse(QPointF(8, 3.5), 2.5, 2.5);
         p.setBrush(kLight);
         for (double x : {3.0, 8.0, 13.0}) p.drawEllipse(QPointF(x, 12.5), 2.2, 2.2);
       }},
      // The parent key: an arrow up to the key above.
      {"ParentKey",
       [](QPainter &p) {
         p.setPen(Ink());
         p.setBrush(kGreen);
         p.drawRect(QRectF(3, 1.5, 10, 3));
         p.setBrush(kLight);
         p.drawPolygon(QPolygonF({QPointF(8, 5.5), QPointF(12.5, 10), QPointF(10, 10), QPointF(10, 14.5),
                                  QPointF(6, 14.5), QPointF(6, 10), QPointF(3.5, 10)}));
       }},
  };
  return g;
}

QImage Draw(const Glyph &g, int size) {
  QImage img(size, size, QImage::Format_ARGB32);
  img.fill(Qt::transparent);
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  p.setRenderHint(QPainter::TextAntialiasing);
  p.scale(size / 16.0, size / 16.0);
  g.draw(p);
  return img;
}

}  // namespace

int main(int argc, char **argv) {
  QGuiApplication app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: glyphgen DIR\n");
    return 2;
  }
  const QString dir = QString::fromLocal8Bit(argv[1]);
  for (const Glyph &g : Glyphs())
    for (int size : {16, 32}) {
      const QString file = dir + "/" + g.name + QString::number(size) + ".png";
      if (!Draw(g, size).save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
  return 0;
}
