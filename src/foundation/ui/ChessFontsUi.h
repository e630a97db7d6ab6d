#pragma once
// Installs the program's own TrueType fonts for the user.
#include <string>

namespace myui {

// Every "*.ttf" of the directory (the program directory when empty) that the
// user's font folder (GetFontsDir, created when missing) lacks is copied in
// under a temporary name and moved into place only while its name is free,
// then added to the application's fonts. A font already in the folder is
// neither copied nor added: the system shows it, the user's copy as it is.
// A failed copy is silent and adds the font from the directory instead; a
// file that is no font is left alone. Then refreshes the installed-font
// list and hands it to the chess-font manager's list. Answers the number of
// fonts added now (each file at most once per run).
int InstallChessFonts(const std::string &dir = {});

}  // namespace myui
