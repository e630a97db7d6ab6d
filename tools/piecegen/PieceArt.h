#pragma once
// The program's own piece designs, drawn as vector paths.
#include <QImage>
#include <QPainterPath>
#include <QTransform>
#include <initializer_list>

enum class Design { Regular, Hastings, Linares };
enum class Piece { Pawn, Knight, Bishop, Rook, Queen, King };

// The strips' only colours: the key (transparent) colour, black and white.
constexpr QRgb kKeyColour = 0xFF008080;
constexpr QRgb kPieceBlack = 0xFF000000;
constexpr QRgb kPieceWhite = 0xFFFFFFFF;

// An open path through the points.
QPainterPath Line(std::initializer_list<QPointF> pts);
// Outline width in pixels of a design at a square size.
int OutlineWidth(Design design, int size);
// One piece in a size x size cell on the key colour.
QImage RenderPiece(Design design, Piece piece, bool white, int size);
// A strip of 14 cells: black R N B Q K P, white R N B Q K P, two empty.
QImage RenderStrip(Design design, int size);

// A design as areas, for vector output: the body (cuts taken out) and the
// inner detail (lines stroked lineWidth wide, and marks). The design box is
// mapped through `to` before anything is combined or stroked, so curves are
// flattened at the target's scale and lineWidth is in target units.
struct PieceParts {
  QPainterPath body;
  QPainterPath detail;
};
PieceParts DesignParts(Design design, Piece piece, const QTransform &to, qreal lineWidth);
