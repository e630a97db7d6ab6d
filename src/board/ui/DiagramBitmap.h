#pragma once
// A position drawn as a picture without a board control, for the clipboard.
#include <QImage>

#include "board/ChsBmps.h"
#include "chess/Diags.h"

// The position with White at the bottom in the piece set's square size, in
// the default square colours (not the user's). A frame adds a black
// one-pixel border on the outermost pixels. Print style draws white squares
// with the dark ones hatched and answers a monochrome image, thresholded
// rather than dithered so pieces come out clean. A set that is not
// registered raises ERangeError.
QImage DrawPositionBitmap(const BasePositionO &position, BmpSizeT set, bool frame, bool printStyle);
