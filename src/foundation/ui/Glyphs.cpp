#include "foundation/ui/Glyphs.h"

#include <QPixmap>
#include <initializer_list>

// Outside any namespace: the resource initialiser of a static library has to
// be pulled in by name.
static void InitGlyphResources() { Q_INIT_RESOURCE(glyphs); }

namespace myui {

namespace {
QIcon LoadSizes(const std::string &name, std::initializer_list<int> sizes) {
  static const bool once = (InitGlyphResources(), true);
  (void)once;
  QIcon icon;
  for (int size : sizes) {
    QPixmap pm(QString(":/glyphs/%1%2.png").arg(QString::fromStdString(name)).arg(size));
    if (!pm.isNull()) icon.addPixmap(pm);
  }
  return icon;
}
}  // namespace

QIcon LoadGlyph(const std::string &name) { return LoadSizes(name, {16, 32}); }

QIcon ProgramIcon() { return LoadSizes("Program", {32, 64}); }

}  // namespace myui
