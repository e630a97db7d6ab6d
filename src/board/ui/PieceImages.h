#pragma once
// The images of the piece sets: strips read with QImage (built-in sets from
// the program's resources, others from their files) and cut into twelve
// piece images and masks while a set is held (PieceSetManO.LoadSet).
#include <QImage>
#include <memory>

#include "board/ChsBmps.h"

// Plugs strip reading into the registry. Call once at start, before
// LoadPieceSets reads "ChsBmps.ini".
void InstallPieceImages();

// A set's strip as it reads now; a null image when it cannot be read.
QImage ReadPieceStrip(const TBitmapData &set);

// The cells of a loaded set, indexed [colour kBmpWhite/kBmpBlack][piece 1..6].
// An image is ARGB32 with the transparent colour turned into transparent
// black, so drawing it over a square shows the square there; a mask is
// monochrome, white (index 0) where the strip was transparent and black
// (index 1) on the piece.
struct PieceImagesT : PieceImagesBase {
  QImage image[2][7];
  QImage mask[2][7];
};

// Cuts cells 0-11 of a strip: black R N B Q K P, then white. The transparent
// colour is the strip's bottom-left pixel.
std::unique_ptr<PieceImagesT> SlicePieceStrip(const QImage &strip, int squareSize, int height);

// A piece of a held set; a null image when the set is not held. Colour and
// piece out of range raise ERangeError.
const QImage &PieceBitmap(int set, int colour, int piece);
const QImage &PieceMask(int set, int colour, int piece);
