#include "board/ui/PieceImages.h"

#include <QByteArray>
#include <QString>
#include <string>

#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

// Outside any namespace: the resource initialiser of a static library has to
// be pulled in by name.
static void InitPieceResources() { Q_INIT_RESOURCE(pieces); }

namespace {

// Pieces in cell order within a colour: Rook, Knight, Bishop, Queen, King, Pawn.
constexpr int kCellPiece[6] = {4, 2, 3, 5, 6, 1};

// Cells with nothing on them, for a strip that no longer reads.
std::unique_ptr<PieceImagesT> BlankImages(int squareSize, int height) {
  QImage empty(squareSize * kStripCells, height, QImage::Format_ARGB32);
  empty.fill(qRgb(0, 0, 0));  // all of it the transparent colour
  return SlicePieceStrip(empty, squareSize, height);
}

std::unique_ptr<PieceImagesBase> LoadImages(TBitmapData &set) {
  QImage strip = ReadPieceStrip(set);
  // The board already sized itself on the registered square, so a strip
  // that now reads as unusable leaves that size and shows no pieces.
  if (strip.isNull() || !ValidStripSize(strip.width(), strip.height()))
    return BlankImages(set.SquareSize, set.Height);
  set.SquareSize = strip.width() / kStripCells;
  set.Height = strip.height();
  return SlicePieceStrip(strip, set.SquareSize, set.Height);
}

// The loaded images of the set (null when not loaded), after checking the
// colour and piece.
const PieceImagesT *LoadedImages(int set, int colour, int piece) {
  if (colour < kBmpWhite || colour > kBmpBlack) throw ERangeError("Piece colour out of range");
  if (piece < 1 || piece > 6) throw ERangeError("Piece out of range");
  return dynamic_cast<const PieceImagesT *>(PieceSetData(set).Images.get());
}

// Cell k of an ARGB32 strip: the image with the key made transparent black,
// the mask white on the key and black elsewhere.
void SliceCell(const QImage &src, int k, int squareSize, int height, QRgb key, QImage &img, QImage &mask) {
  img = QImage(squareSize, height, QImage::Format_ARGB32_Premultiplied);
  mask = QImage(squareSize, height, QImage::Format_Mono);
  mask.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < height; ++y) {
    const QRgb *line = reinterpret_cast<const QRgb *>(src.constScanLine(y)) + k * squareSize;
    QRgb *dst = reinterpret_cast<QRgb *>(img.scanLine(y));
    for (int x = 0; x < squareSize; ++x) {
      const bool clear = line[x] == key;
      dst[x] = clear ? 0 : qPremultiply(line[x]);
      mask.setPixel(x, y, clear ? 0 : 1);
    }
  }
}

const QImage &NoImage() {
  static const QImage none;
  return none;
}

}  // namespace

void InstallPieceImages() {
  InitPieceResources();
  StripReader r;
  r.measure = [](const TBitmapData &set, int &width, int &height) {
    QImage strip = ReadPieceStrip(set);
    if (strip.isNull()) return false;
    width = strip.width();
    height = strip.height();
    return true;
  };
  r.load = LoadImages;
  InstallStripReader(std::move(r));
}

QImage ReadPieceStrip(const TBitmapData &set) {
  if (!set.FromFile) {
    // Resource names match whatever their case.
    return QImage(QStringLiteral(":/pieces/") + QString::fromLatin1(win1252::LowerCase(set.Source)) + ".png");
  }
  std::string bytes;
  if (!files::ReadAll(set.Source, bytes)) return QImage();
  return QImage::fromData(QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::unique_ptr<PieceImagesT> SlicePieceStrip(const QImage &strip, int squareSize, int height) {
  auto out = std::make_unique<PieceImagesT>();
  const QImage src = strip.convertToFormat(QImage::Format_ARGB32);
  if (squareSize <= 0 || height <= 0 || src.width() < squareSize * 12 || src.height() < height)
    throw ERangeError("Piece strip smaller than its cells");
  const QRgb key = src.pixel(0, height - 1);
  for (int k = 0; k < 12; ++k) {
    const int colour = k < 6 ? kBmpBlack : kBmpWhite;
    const int piece = kCellPiece[k % 6];
    SliceCell(src, k, squareSize, height, key, out->image[colour][piece], out->mask[colour][piece]);
  }
  return out;
}

const QImage &PieceBitmap(int set, int colour, int piece) {
  const PieceImagesT *images = LoadedImages(set, colour, piece);
  return images ? images->image[colour][piece] : NoImage();
}

const QImage &PieceMask(int set, int colour, int piece) {
  const PieceImagesT *images = LoadedImages(set, colour, piece);
  return images ? images->mask[colour][piece] : NoImage();
}
