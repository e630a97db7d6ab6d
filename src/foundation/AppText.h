#pragma once
// Captions of the preferences dialog, and the languages the program's
// interface can be shown in. Each caption is a global string named by its
// file key, read as AppText::S_LanguageTS; set them all with
// SetAppLanguage. The rows are in AppTextRows.inc: add a caption there.
// S_PlayersLbl also exists in CommonText; the two are separate captions,
// overridden from their own files.
#include <span>
#include <string>

#include "foundation/CaptionTable.h"
#include "foundation/LangMan.h"

namespace AppText {

#define CAPTION(name, en, nl) extern std::string name;
#include "foundation/AppTextRows.inc"
#undef CAPTION

// English, Dutch over it for the Dutch id, then "App<Language>.ini" from the
// program directory when present.
void SetAppLanguage(LanguageId languageId);

// Every row in table order (for the switch and for checks).
std::span<const captions::CaptionRow> Rows();

// The interface languages: English and Dutch, then every language with an
// "App<Language>.ini" in the program directory, in the order a case-blind
// file system lists them. Each such language is registered (a known name
// keeps its id).
void FindAppLanguages();
int AppLanguageCount();
// 1-based; any other index raises ERangeError.
LanguageId AppLanguage(int i);

}  // namespace AppText
