#include "HtmlImages.h"

#include <map>
#include <utility>

#include "PieceArt.h"

namespace {

constexpr int kSize = 40;
constexpr QRgb kLight = 0xFFE8E4DC;  // the squares of the piece montage
constexpr QRgb kDark = 0xFF808080;

void Append16(QByteArray &out, int v) {
  out.append(static_cast<char>(v & 0xFF));
  out.append(static_cast<char>((v >> 8) & 0xFF));
}

// Variable-width codes packed from the least significant bit, as GIF wants.
class CodeWriter {
 public:
  void Put(int code, int bits) {
    acc_ |= static_cast<uint32_t>(code) << fill_;
    fill_ += bits;
    while (fill_ >= 8) {
      bytes_.append(static_cast<char>(acc_ & 0xFF));
      acc_ >>= 8;
      fill_ -= 8;
    }
  }
  QByteArray Finish() {
    if (fill_ > 0) bytes_.append(static_cast<char>(acc_ & 0xFF));
    return bytes_;
  }

 private:
  QByteArray bytes_;
  uint32_t acc_ = 0;
  int fill_ = 0;
};

QByteArray Lzw(const QImage &img, int minBits) {
  const int clear = 1 << minBits, end = clear + 1;
  CodeWriter w;
  std::map<std::pair<int, int>, int> table;
  int bits = minBits + 1, last = end, sinceClear = 0;
  auto reset = [&] {
    w.Put(clear, bits);
    table.clear();
    bits = minBits + 1;
    last = end;
    sinceClear = 0;
  };
  reset();
  int prefix = -1;
  for (int y = 0; y < img.height(); ++y) {
    const uchar *row = img.constScanLine(y);
    for (int x = 0; x < img.width(); ++x) {
      const int k = row[x];
      if (prefix < 0) {
        prefix = k;
        continue;
      }
      auto it = table.find({prefix, k});
      if (it != table.end()) {
        prefix = it->second;
        continue;
      }
      w.Put(prefix, bits);
      ++sinceClear;
      // The decoder adds an entry for every code but the first after a clear,
      // one code behind us, and widens its codes when the table fills a width.
      table[{prefix, k}] = ++last;
      if (last >= (1 << bits) && bits < 12) ++bits;
      if (last == 4095) reset();
      prefix = k;
    }
  }
  if (prefix >= 0) {
    w.Put(prefix, bits);
    if (sinceClear > 0 && last + 1 >= (1 << bits) && bits < 12) ++bits;
  }
  w.Put(end, bits);
  return w.Finish();
}

QImage OnSquare(const QImage &piece, QRgb square) {
  QImage img(kSize, kSize, QImage::Format_Indexed8);
  img.setColorTable({kLight, kDark, kPieceBlack, kPieceWhite});
  const uchar back = square == kLight ? 0 : 1;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const QRgb c = piece.isNull() ? kKeyColour : piece.pixel(x, y);
      img.setPixel(x, y, c == kPieceBlack ? 2 : c == kPieceWhite ? 3 : back);
    }
  return img;
}

}  // namespace

QByteArray EncodeGif(const QImage &indexed) {
  int bits = 1;
  while ((1 << bits) < indexed.colorCount()) ++bits;
  QByteArray out("GIF89a");
  Append16(out, indexed.width());
  Append16(out, indexed.height());
  out.append(static_cast<char>(0x80 | ((bits - 1) << 4) | (bits - 1)));  // global colour table
  out.append('\0');                                                      // background index
  out.append('\0');                                                      // square pixels
  for (int i = 0; i < (1 << bits); ++i) {
    const QRgb c = i < indexed.colorCount() ? indexed.color(i) : 0;
    out.append(static_cast<char>(qRed(c)));
    out.append(static_cast<char>(qGreen(c)));
    out.append(static_cast<char>(qBlue(c)));
  }
  out.append(',');
  Append16(out, 0);
  Append16(out, 0);
  Append16(out, indexed.width());
  Append16(out, indexed.height());
  out.append('\0');  // no local table, not interlaced
  const int minBits = std::max(2, bits);
  out.append(static_cast<char>(minBits));
  const QByteArray data = Lzw(indexed, minBits);
  for (qsizetype at = 0; at < data.size(); at += 255) {
    const qsizetype n = std::min<qsizetype>(255, data.size() - at);
    out.append(static_cast<char>(n));
    out.append(data.mid(at, n));
  }
  out.append('\0');
  out.append(';');
  return out;
}

std::vector<NamedImage> HtmlDiagramImages() {
  struct P {
    Piece piece;
    char letter;
  };
  static const P kPieces[] = {{Piece::Pawn, 'p'}, {Piece::Knight, 'n'}, {Piece::Bishop, 'b'},
                              {Piece::Rook, 'r'}, {Piece::Queen, 'q'},  {Piece::King, 'k'}};
  std::vector<NamedImage> out;
  for (const char side : {'w', 'b'})
    for (const P &p : kPieces) {
      const QImage piece = RenderPiece(Design::Linares, p.piece, side == 'w', kSize);
      for (const char square : {'w', 'b'})
        out.push_back({QString("%1%2%3.gif").arg(side).arg(p.letter).arg(square),
                       OnSquare(piece, square == 'w' ? kLight : kDark)});
    }
  for (const char square : {'w', 'b'})
    out.push_back({QString("ef%1.gif").arg(square), OnSquare(QImage(), square == 'w' ? kLight : kDark)});
  return out;
}
