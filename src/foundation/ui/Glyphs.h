#pragma once
// The program's own toolbar glyphs, each drawn at 16 and 32 pixels
// (tools/glyphgen) and kept in the resources of this library.
#include <QIcon>
#include <string>

namespace myui {

// The glyph of that resource name ("FileOpen") at both sizes; a null icon
// when there is none.
QIcon LoadGlyph(const std::string &name);
// The program's icon at 32 and 64 pixels (tools/piecegen).
QIcon ProgramIcon();

}  // namespace myui
