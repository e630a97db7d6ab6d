#include "foundation/ui/ChessFontsUi.h"

#include <QFile>
#include <QFontDatabase>
#include <set>

#include "foundation/Common.h"
#include "foundation/ui/MyUtilsUi.h"
#include "platform/Dirs.h"
#include "platform/Files.h"

namespace myui {

int InstallChessFonts(const std::string &dir) {
  // Adding a file again would register its families twice.
  static std::set<std::string> added;
  const std::string folder = files::IncludeTrailingSlash(dir.empty() ? dirs::GetAppDir() : dir);
  int count = 0;
  for (const std::string &name : files::ListFiles(folder, "*.ttf")) {
    const std::string path = folder + name;
    if (added.count(path)) continue;
    // A file Qt cannot read is left out, as a failed copy was.
    if (QFontDatabase::addApplicationFont(QFile::decodeName(QByteArray(path.c_str()))) < 0) continue;
    added.insert(path);
    ++count;
  }
  EnumerateFonts();
  SetInstalledFontFamilies(InstalledFonts());
  return count;
}

}  // namespace myui
