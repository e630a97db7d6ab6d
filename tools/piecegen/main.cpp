// Writes the built-in piece strips, checks committed ones against the
// designs, or draws a montage to look at them.
//   piecegen DIR                  write the seven strips into DIR
//   piecegen --check DIR          exit 1 when a strip in DIR differs
//   piecegen --montage OUT SCALE [STRIP]  the strips (or those whose file
//                                 names start with STRIP) on light and dark squares
// The data of diagrams copied as HTML and RTF:
//   piecegen --html DIR           write the 26 HTML diagram images into DIR
//   piecegen --check-html DIR     exit 1 when an image in DIR differs
//   piecegen --font-outlines OUT  the diagram font's glyphs for
//                                 make_diagram_font.py
//   piecegen --font-sheet TTF OUT every glyph of the made font, and diagrams
//                                 set in it, to look at
// The program's icon, kept with the toolbar glyphs:
//   piecegen --icon DIR           write Program32.png and Program64.png into DIR
//   piecegen --check-icon DIR     exit 1 when an icon in DIR differs
#include <QFile>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRawFont>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <vector>

#include "DiagramFont.h"
#include "HtmlImages.h"
#include "PieceArt.h"
#include "ProgramIcon.h"

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

constexpr int kIconSizes[] = {32, 64};

QString IconPath(const QString &dir, int size) { return QString("%1/Program%2.png").arg(dir).arg(size); }

int WriteIcon(const QString &dir) {
  for (int size : kIconSizes)
    if (!RenderProgramIcon(size).save(IconPath(dir, size), "PNG")) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(IconPath(dir, size)));
      return 1;
    }
  return 0;
}

int CheckIcon(const QString &dir) {
  int bad = 0;
  for (int size : kIconSizes) {
    const QImage have(IconPath(dir, size));
    if (have.isNull() || have.convertToFormat(QImage::Format_ARGB32) != RenderProgramIcon(size)) {
      std::fprintf(stderr, "%s differs from its design; run piecegen --icon %s\n", qPrintable(IconPath(dir, size)),
                   qPrintable(dir));
      ++bad;
    }
  }
  std::printf("%d passed, %d failed\n", static_cast<int>(std::size(kIconSizes)) - bad, bad);
  return bad ? 1 : 0;
}

int WriteHtml(const QString &dir) {
  for (const NamedImage &img : HtmlDiagramImages()) {
    QFile f(dir + "/" + img.file);
    const QByteArray gif = EncodeGif(img.image);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(gif) != gif.size()) {
      std::fprintf(stderr, "cannot write %s\n", qPrintable(f.fileName()));
      return 1;
    }
  }
  return 0;
}

int CheckHtml(const QString &dir) {
  int bad = 0, n = 0;
  for (const NamedImage &img : HtmlDiagramImages()) {
    ++n;
    QFile f(dir + "/" + img.file);
    if (!f.open(QIODevice::ReadOnly) || f.readAll() != EncodeGif(img.image)) {
      std::fprintf(stderr, "%s differs from its design; run piecegen --html %s\n", qPrintable(f.fileName()),
                   qPrintable(dir));
      ++bad;
    }
  }
  std::printf("%d passed, %d failed\n", n - bad, bad);
  return bad ? 1 : 0;
}

// The font's glyphs enlarged on a grid of cell outlines, then diagrams set
// line by line at the font's own line spacing at a few sizes.
int FontSheet(const QString &ttf, const QString &out) {
  static int argc = 1;
  static char name[] = "piecegen";
  static char *argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  const int id = QFontDatabase::addApplicationFont(ttf);
  if (id < 0) {
    std::fprintf(stderr, "cannot load %s\n", qPrintable(ttf));
    return 1;
  }
  const QString family = QFontDatabase::applicationFontFamilies(id).value(0);
  const std::vector<DiagramGlyph> glyphs = DiagramGlyphs();
  auto code = [&](const std::string &key) {
    for (const DiagramGlyph &g : glyphs)
      if (g.key == key) return QChar(g.code);
    return QChar('?');
  };

  const int big = 96, cols = 10;
  const int rows = (static_cast<int>(glyphs.size()) + cols - 1) / cols;
  QImage img(cols * (big + 8) + 16 + 3 * 10 * 48,
             std::max(rows * (big + 22) + 16, 10 * 48 + 2 * 10 * 24 + 40), QImage::Format_RGB32);
  img.fill(Qt::white);
  QPainter p(&img);
  QFont label("DejaVu Sans");
  label.setPixelSize(11);
  QFont chess(family);
  chess.setPixelSize(big);
  for (size_t i = 0; i < glyphs.size(); ++i) {
    const int x = 8 + static_cast<int>(i % cols) * (big + 8), y = 8 + static_cast<int>(i / cols) * (big + 22);
    p.setPen(QColor(0xC0, 0x40, 0x40));
    p.drawRect(x - 1, y - 1, big + 1, big + 1);
    p.setFont(chess);
    p.setPen(Qt::black);
    const QFontMetricsF fm(chess);
    p.drawText(QPointF(x, y + fm.ascent()), QString(QChar(glyphs[i].code)));
    p.setFont(label);
    p.drawText(x, y + big + 14, QString::fromStdString(glyphs[i].key));
  }

  // The start position, framed with coordinates, and a middle-game with the
  // plain frame, at three sizes.
  auto diagram = [&](const char *const *ranks, bool coords) {
    QStringList lines;
    QString top = code("BorderNW"), bottom = code("BorderSW");
    for (int f = 1; f <= 8; ++f) {
      top += code("BorderN");
      bottom += coords ? code("BorderS" + std::to_string(f)) : code("BorderS");
    }
    lines << top + code("BorderNE");
    for (int r = 0; r < 8; ++r) {
      QString line = coords ? code("BorderW" + std::to_string(8 - r)) : code("BorderW");
      for (int f = 0; f < 8; ++f) {
        const char c = ranks[r][f];
        const bool dark = (f + (8 - r)) % 2 == 1;  // a1 (file 0, rank 1) is dark
        const char *side = c >= 'a' ? "Black" : "White";
        static const std::map<char, std::string> kPieces = {{'k', "King"},   {'q', "Queen"},  {'r', "Rook"},
                                                            {'b', "Bishop"}, {'n', "Knight"}, {'p', "Pawn"}};
        const std::string piece = c == '.' ? "" : kPieces.at(static_cast<char>(c | 0x20));
        const std::string suffix = dark ? "_B" : "_W";
        line += c == '.' ? code("Blank" + suffix) : code(side + piece + suffix);
      }
      lines << line + code("BorderE");
    }
    lines << bottom + code("BorderSE");
    return lines;
  };
  static const char *const kStart[] = {"rnbqkbnr", "pppppppp", "........", "........",
                                       "........", "........", "PPPPPPPP", "RNBQKBNR"};
  static const char *const kMiddle[] = {"r..q.rk.", "pp..bppp", "..n.pn..", "..pp....",
                                        "...P.B..", "..PBPN..", "PP.N.PPP", "R..QK..R"};
  int x = cols * (big + 8) + 16, y = 8;
  for (int size : {48, 24, 17}) {
    QFont f(family);
    f.setPixelSize(size);
    p.setFont(f);
    const QFontMetricsF fm(f);
    int yy = y;
    for (const QString &line : diagram(kStart, true)) {
      p.drawText(QPointF(x, yy + fm.ascent()), line);
      yy += qRound(fm.lineSpacing());
    }
    yy = y;
    for (const QString &line : diagram(kMiddle, false)) {
      p.drawText(QPointF(x + 10 * size + 16, yy + fm.ascent()), line);
      yy += qRound(fm.lineSpacing());
    }
    y += 10 * size + 16;
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
  if (argc == 3 && QString(argv[1]) == "--html") return WriteHtml(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && QString(argv[1]) == "--check-html") return CheckHtml(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && QString(argv[1]) == "--icon") return WriteIcon(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && QString(argv[1]) == "--check-icon") return CheckIcon(QString::fromLocal8Bit(argv[2]));
  if (argc == 3 && QString(argv[1]) == "--font-outlines")
    return WriteFontOutlines(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  if (argc == 4 && QString(argv[1]) == "--font-sheet")
    return FontSheet(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  std::fprintf(stderr,
               "usage: piecegen DIR | --check DIR | --montage OUT SCALE [STRIP] | --html DIR |\n"
               "       --check-html DIR | --icon DIR | --check-icon DIR | --font-outlines OUT |\n"
               "       --font-sheet TTF OUT\n");
  return 2;
}
