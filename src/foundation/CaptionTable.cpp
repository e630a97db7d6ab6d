#include "foundation/CaptionTable.h"

#include "platform/Dirs.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

namespace captions {

std::string CleanCaptionValue(const std::string &raw) {
  std::string s = ini::Trim(raw);
  if (s.size() >= 3 && s[0] == '\'') {
    s.erase(0, 1);
    size_t last = s.rfind('\'');
    if (last != std::string::npos) s.erase(last);
  }
  return s;
}

std::string FindLanguageFile(const std::string &prefix, const std::string &languageName) {
  if (languageName.empty() || languageName.find('/') != std::string::npos) return {};
  std::string path = files::FindCaseInsensitive(dirs::GetAppDir(), prefix + languageName + ".ini");
  if (path.empty() || !files::FileExists(path)) return {};
  return path;
}

void ApplyLanguage(std::span<const CaptionRow> rows, bool dutch, const std::string &prefix,
                   const std::string &languageName) {
  for (const CaptionRow &r : rows) *r.var = r.en;
  if (dutch)
    for (const CaptionRow &r : rows)
      if (r.nl) *r.var = r.nl;
  std::string path = FindLanguageFile(prefix, languageName);
  if (path.empty()) return;
  IniFile ini(path);
  for (const CaptionRow &r : rows) {
    if (!r.key) continue;
    std::string v = CleanCaptionValue(ini.ReadString(languageName, r.key, ""));
    if (!v.empty()) *r.var = v;
  }
}

}  // namespace captions
