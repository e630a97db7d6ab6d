#include "foundation/ui/Glyphs.h"

#include <QPixmap>

// Outside any namespace: the resource initialiser of a static library has to
// be pulled in by name.
static void InitGlyphResources() { Q_INIT_RESOURCE(glyphs); }

namespace myui {

QIcon LoadGlyph(const std::string &name) {
  static const bool once = (InitGlyphResources(), true);
  (void)once;
  QIcon icon;
  for (int size : {16, 32}) {
    QPixmap pm(QString(":/glyphs/%1%2.png").arg(QString::fromStdString(name)).arg(size));
    if (!pm.isNull()) icon.addPixmap(pm);
  }
  return icon;
}

}  // namespace myui
