#pragma once
// Where the program finds its data and writes its files.
#include <cstdint>
#include <string>

namespace dirs {

// The program's directory with a trailing '/': the directory of the running
// executable, or $TORVANEL_APPDIR when set (tests run in a scratch folder).
std::string GetAppDir();
// The program's base name without extension ("torvanel").
std::string GetAppBaseName();
// The directory for files the program writes (the settings file, the PGN
// error log): the program directory when writable, else
// $XDG_CONFIG_HOME/torvanel/ (default ~/.config/torvanel/), created on demand.
std::string GetWritableDir();
// The directory for what must outlive a reboot but is no setting (a PGN
// file's working set): $XDG_STATE_HOME/torvanel/ (default
// ~/.local/state/torvanel/; a relative XDG_STATE_HOME is ignored), made
// with mode 0700 on demand. Empty when it cannot be made.
std::string GetStateDir();
// A data file the program ships, looked up case-insensitively in the program
// directory; the plain path when absent.
std::string AppFile(const std::string &name);
// The system temporary directory with a trailing '/'.
std::string GetTempDir();
// A new, unique, empty file in the temporary directory; empty on failure.
std::string MakeTempFile(const std::string &prefix);
// A new, unique, empty directory (mode 0700) in parent, the temporary
// directory when parent is empty; its path with a trailing '/', or empty on
// failure.
std::string MakeTempDir(const std::string &prefix, const std::string &parent = {});
// The user's home directory with a trailing '/'.
std::string GetHomeDir();

// Monotonic milliseconds since an arbitrary start.
uint64_t TickCount();

}  // namespace dirs
