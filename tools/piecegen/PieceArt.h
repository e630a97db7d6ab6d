#pragma once
// The program's own piece designs, drawn as vector paths.
#include <QImage>

enum class Design { Regular, Hastings, Linares };
enum class Piece { Pawn, Knight, Bishop, Rook, Queen, King };

// The strips' only colours: the key (transparent) colour, black and white.
constexpr QRgb kKeyColour = 0xFF008080;
constexpr QRgb kPieceBlack = 0xFF000000;
constexpr QRgb kPieceWhite = 0xFFFFFFFF;

// Outline width in pixels of a design at a square size.
int OutlineWidth(Design design, int size);
// One piece in a size x size cell on the key colour.
QImage RenderPiece(Design design, Piece piece, bool white, int size);
// A strip of 14 cells: black R N B Q K P, white R N B Q K P, two empty.
QImage RenderStrip(Design design, int size);
