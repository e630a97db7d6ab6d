#pragma once
// Piece strips made in the test, so board tests do not depend on the
// shipped artwork, and the scratch program folder that registers them.
#include <QColor>
#include <QImage>
#include <QString>
#include <string>

#include "TestUtil.h"
#include "board/ChsBmps.h"
#include "board/ui/PieceImages.h"

namespace striptest {

constexpr QRgb kKey = 0xFF10E020;

// A distinct colour for each cell.
inline QRgb CellColour(int k) { return qRgb(20 * k + 5, 200 - 10 * k, 7 * k); }

// A strip of 14 cells of size x height: each cell a solid block of its own
// colour inside a one-pixel key frame. The top-left pixel is not the key,
// and cell 3 has one key-coloured pixel inside its block. A solid colour,
// when given, fills every cell.
inline QImage SyntheticStrip(int size, int height, QRgb solid = 0) {
  QImage img(size * kStripCells, height, QImage::Format_RGB32);
  img.fill(kKey);
  for (int k = 0; k < kStripCells; ++k)
    for (int y = 1; y + 1 < height; ++y)
      for (int x = 1; x + 1 < size; ++x) img.setPixel(k * size + x, y, solid ? solid : CellColour(k));
  img.setPixel(0, 0, qRgb(1, 2, 3));
  img.setPixel(3 * size + 2, 2, kKey);
  return img;
}

// A fresh registry with the images installed; Register adds strips from a
// scratch program folder.
class StripRegistry {
 public:
  StripRegistry() {
    DonePieceSets();
    InstallPieceImages();
  }
  ~StripRegistry() { DonePieceSets(); }
  StripRegistry(const StripRegistry &) = delete;
  StripRegistry &operator=(const StripRegistry &) = delete;

  // Writes the ini text as the program folder's "ChsBmps.ini" and reads it.
  void LoadIni(const std::string &text) {
    dir_.Write("ChsBmps.ini", text);
    testutil::AppDirGuard guard(dir_.Path());
    LoadPieceSets();
  }
  // Saves a synthetic strip as <name>.png and registers it as "_<name>";
  // answers the set's index.
  int AddSynthetic(const std::string &name, int size, int height, QRgb solid = 0) {
    SyntheticStrip(size, height, solid).save(QString::fromStdString(dir_.File(name + ".png")), "PNG");
    LoadIni("[" + name + "]\nFileName=" + name + ".png\nDisplayName=" + name + "\n");
    return FindPieceSet("_" + name);
  }
  const testutil::TempDir &Dir() const { return dir_; }

 private:
  testutil::TempDir dir_;
};

}  // namespace striptest
