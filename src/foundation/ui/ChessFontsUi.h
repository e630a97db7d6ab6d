#pragma once
// Makes the program's own TrueType fonts available to the application.
#include <string>

namespace myui {

// Adds every "*.ttf" file of the directory (the program directory when empty)
// to the application's fonts, each file once per run; nothing is copied into
// system folders. Then refreshes the installed-font list and hands it to the
// chess-font manager's list. Answers the number of files added now.
int InstallChessFonts(const std::string &dir = {});

}  // namespace myui
