#pragma once
// The images of HTML diagrams: every piece and the empty square on a light
// and on a dark square, 40 x 40, stored as GIF.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <vector>

struct NamedImage {
  QString file;  // "wnw.gif", "efb.gif", ...
  QImage image;  // indexed, four colours
};

// The 26 images in a fixed order.
std::vector<NamedImage> HtmlDiagramImages();
// A GIF89a file of an indexed image (at most 256 colours), one frame, no
// transparency. The same image always gives the same bytes.
QByteArray EncodeGif(const QImage &indexed);
