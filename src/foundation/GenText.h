#pragma once
// Captions of the shared dialogs and buttons (message dialogs, cancel dialog,
// list editors). Each caption is a global string named by its file key, read
// as GenText::SMsgDlgWarning; set them all with SetDialogLanguage. The rows
// are in GenTextRows.inc: add a caption there.
#include <span>
#include <string>

#include "foundation/CaptionTable.h"
#include "foundation/LangMan.h"

namespace GenText {

#define CAPTION(name, en, nl) extern std::string name;
#define CAPTION_NOKEY(name, en, nl) extern std::string name;
#include "foundation/GenTextRows.inc"
#undef CAPTION
#undef CAPTION_NOKEY

// English, Dutch over it for the Dutch id, then "Gen<Language>.ini" from the
// program directory when present.
void SetDialogLanguage(LanguageId languageId);

// Every row in table order (for the switch and for checks).
std::span<const captions::CaptionRow> Rows();

}  // namespace GenText
