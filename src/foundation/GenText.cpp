#include "foundation/GenText.h"

#include "foundation/LangMan.h"

namespace GenText {

#define CAPTION(name, en, nl) std::string name = en;
#define CAPTION_NOKEY(name, en, nl) std::string name = en;
#include "foundation/GenTextRows.inc"
#undef CAPTION
#undef CAPTION_NOKEY

namespace {

#define CAPTION(name, en, nl) {&name, #name, en, nl},
#define CAPTION_NOKEY(name, en, nl) {&name, nullptr, en, nl},
const captions::CaptionRow kRows[] = {
#include "foundation/GenTextRows.inc"
};
#undef CAPTION
#undef CAPTION_NOKEY

}  // namespace

std::span<const captions::CaptionRow> Rows() { return kRows; }

void SetDialogLanguage(LanguageId languageId) {
  // The table's own languages are looked up by name, so a registry started
  // in another order still finds them.
  LanguageId dutch = RegisterLanguage("Dutch");
  RegisterLanguage("English");
  captions::ApplyLanguage(kRows, languageId == dutch, "Gen", GetLanguageName(languageId));
}

}  // namespace GenText
