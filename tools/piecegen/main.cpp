// Writes the built-in piece strips, checks committed ones against the
// designs, or draws a montage to look at them.
//   piecegen DIR                  write the seven strips into DIR
//   piecegen --check DIR          exit 1 when a strip in DIR differs
//   piecegen --montage OUT SCALE [STRIP]  the strips (or those whose file
//                                 names start with STRIP) on light and dark squares
#include <QImage>
#include <QPainter>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "PieceArt.h"

namespace {

struct StripDef {
  const char *file;
  Design design;
  int size;
};

const StripDef kStrips[] = {
    {"regular24.png", Design::Regular, 24}, {"regular32.png", Design::Regular, 32},
    {"regular40.png", Design::Regular, 40}, {"hastings32.png", Design::Hastings, 32},
    {"linares32.png", Design::Linares, 32}, {"linares40.png", Design::Linares, 40},
    {"linares48.png", Design::Linares, 48},
};

// Stored with a three-colour table: nothing else can slip in.
QImage Indexed(const QImage &strip) {
  return strip.convertToFormat(QImage::Format_Indexed8, {kKeyColour, kPieceBlack, kPieceWhite},
                               Qt::ThresholdDither | Qt::AvoidDither);
}

int Write(const QString &dir) {
  for (const StripDef &s : kStrips) {
    QString path = dir + "/" + s.file;
    if (!Indexed(RenderStrip(s.design, s.size)).save(path, "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
      return 1;
    }
  }
  return 0;
}

int Check(const QString &dir) {
  int bad = 0;
  for (const StripDef &s : kStrips) {
    QString path = dir + "/" + s.file;
    QImage have(path);
    QImage want = RenderStrip(s.design, s.size);
    if (have.isNull() || have.convertToFormat(QImage::Format_RGB32) != want) {
      std::fprintf(stderr, "%s differs from its design; run piecegen %s\n", qPrintable(path),
                   qPrintable(dir));
      ++bad;
    }
  }
  std::printf("%d passed, %d failed\n", static_cast<int>(std::size(kStrips)) - bad, bad);
  return bad ? 1 : 0;
}

// Each strip twice, its pieces on alternating light and dark squares, so
// every piece is seen on both; real size and enlarged.
int Montage(const QString &out, int scale, const QString &only) {
  const QColor light(0xE8, 0xE4, 0xDC), dark(0x80, 0x80, 0x80);
  std::vector<StripDef> strips;
  for (const StripDef &s : kStrips)
    if (only.isEmpty() || QString(s.file).startsWith(only)) strips.push_back(s);
  int width = 0, height = 0;
  for (const StripDef &s : strips) {
    width = std::max(width, 12 * s.size * scale);
    height += 2 * s.size * scale + 8;
  }
  QImage img(width + 16, height + 8, QImage::Format_RGB32);
  img.fill(QColor(0x40, 0x60, 0x90));
  QPainter p(&img);
  int y = 8;
  for (const StripDef &s : strips) {
    QImage strip = RenderStrip(s.design, s.size);
    const QRgb key = strip.pixel(0, s.size - 1);
    for (int row = 0; row < 2; ++row) {
      for (int k = 0; k < 12; ++k) {
        QImage cell = strip.copy(k * s.size, 0, s.size, s.size).convertToFormat(QImage::Format_ARGB32);
        for (int cy = 0; cy < s.size; ++cy)
          for (int cx = 0; cx < s.size; ++cx)
            if (cell.pixel(cx, cy) == key) cell.setPixel(cx, cy, 0);
        QRect r(8 + k * s.size * scale, y, s.size * scale, s.size * scale);
        p.fillRect(r, (k + row) % 2 ? dark : light);
        p.drawImage(r, cell);
      }
      y += s.size * scale;
    }
    y += 8;
  }
  p.end();
  return img.save(out, "PNG") ? 0 : 1;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc == 2) return Write(QString::fromLocal8Bit(argv[1]));
  if (argc == 3 && QString(argv[1]) == "--check") return Check(QString::fromLocal8Bit(argv[2]));
  if ((argc == 4 || argc == 5) && QString(argv[1]) == "--montage")
    return Montage(QString::fromLocal8Bit(argv[2]), std::max(1, std::atoi(argv[3])),
                   argc == 5 ? argv[4] : "");
  std::fprintf(stderr, "usage: piecegen DIR | --check DIR | --montage OUT SCALE [STRIP]\n");
  return 2;
}
