#include "foundation/AppText.h"

#include <algorithm>
#include <vector>

#include "foundation/MyUtils.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"

namespace AppText {

#define CAPTION(name, en, nl) std::string name = en;
#include "foundation/AppTextRows.inc"
#undef CAPTION

namespace {

#define CAPTION(name, en, nl) {&name, #name, en, nl},
const captions::CaptionRow kRows[] = {
#include "foundation/AppTextRows.inc"
};
#undef CAPTION

std::vector<LanguageId> &Languages() {
  static std::vector<LanguageId> list{RegisterLanguage("English"), RegisterLanguage("Dutch")};
  return list;
}

}  // namespace

std::span<const captions::CaptionRow> Rows() { return kRows; }

void SetAppLanguage(LanguageId languageId) {
  // The table's own languages are looked up by name, so a registry started
  // in another order still finds them.
  LanguageId dutch = RegisterLanguage("Dutch");
  RegisterLanguage("English");
  captions::ApplyLanguage(kRows, languageId == dutch, "App", GetLanguageName(languageId));
}

void FindAppLanguages() {
  std::vector<LanguageId> &list = Languages();
  list.clear();
  list.push_back(RegisterLanguage("English"));
  list.push_back(RegisterLanguage("Dutch"));
  std::vector<std::string> names;
  ListFiles(dirs::AppFile("App*.ini"), names);
  for (const std::string &file : names) {
    // "App" + name + ".ini"; "App.ini" names no language.
    if (file.size() <= 7) continue;
    const LanguageId id = RegisterLanguage(file.substr(3, file.size() - 7));
    if (std::find(list.begin(), list.end(), id) == list.end()) list.push_back(id);
  }
}

int AppLanguageCount() { return static_cast<int>(Languages().size()); }

LanguageId AppLanguage(int i) {
  if (i < 1 || i > AppLanguageCount()) throw ERangeError("Interface language index out of range");
  return Languages()[static_cast<size_t>(i - 1)];
}

}  // namespace AppText
