#include "foundation/ui/ChessFontsUi.h"

#include <QByteArray>
#include <QFile>
#include <QFontDatabase>
#include <QRawFont>
#include <set>

#include "foundation/Common.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/MyUtilsUi.h"
#include "platform/Dirs.h"
#include "platform/Files.h"

namespace myui {

namespace {

// Writes bytes at a free name only; on any failure nothing is left there.
bool CopyToFreeName(const std::string &bytes, const std::string &target) {
  files::TempSibling tmp;
  return tmp.Create(target) && (bytes.empty() || tmp.File().Write(bytes.data(), bytes.size())) &&
         tmp.CommitNew();
}

bool AddFont(const std::string &path) {
  // Adding a file again would register its families twice.
  static std::set<std::string> added;
  if (added.count(path)) return false;
  if (QFontDatabase::addApplicationFont(QFile::decodeName(QByteArray(path.c_str()))) < 0) return false;
  added.insert(path);
  return true;
}

}  // namespace

int InstallChessFonts(const std::string &dir) {
  const std::string folder = files::IncludeTrailingSlash(dir.empty() ? dirs::GetAppDir() : dir);
  const std::string fonts = GetFontsDir();
  if (!files::DirExists(fonts)) files::MakeDirs(fonts);  // a failure shows as failed copies
  int count = 0;
  for (const std::string &name : files::ListFiles(folder, "*.ttf")) {
    const std::string source = folder + name, target = fonts + name;
    if (files::Exists(target)) continue;
    std::string bytes;
    if (!files::ReadAll(source, bytes)) continue;
    // A file no font reader takes is not put into the user's font folder.
    if (!QRawFont(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())), 12).isValid()) continue;
    if (AddFont(CopyToFreeName(bytes, target) ? target : source)) ++count;
  }
  EnumerateFonts();
  SetInstalledFontFamilies(InstalledFonts());
  return count;
}

}  // namespace myui
