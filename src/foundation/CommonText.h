#pragma once
// Captions of the program's menus, hints, dialogs, messages, tag and NAG
// descriptions and list columns. Each caption is a global string named by
// its file key, read as CommonText::S_MFile; set them all with
// SetUILanguage. The rows are in CommonTextRows.inc: add a caption there.
// Some names also exist in GenText (S_AvailableLbl, S_UsedLbl); they are
// separate captions, overridden from their own files.
#include <span>
#include <string>
#include <string_view>

#include "foundation/CaptionTable.h"
#include "foundation/LangMan.h"

namespace CommonText {

#define CAPTION(name, en, nl) extern std::string name;
#define CAPTION_NOKEY(name, en, nl) extern std::string name;
#include "foundation/CommonTextRows.inc"
#undef CAPTION
#undef CAPTION_NOKEY

// File-dialog filters built from their left parts by SetUILanguage (no keys):
// "<left> (*.pgn)|*.pgn", "<left> (*.qcx)|*.qcx", "<left>|*.pgn;*.qcx".
extern std::string S_PGNFileFilter;
extern std::string S_QCXFileFilter;
extern std::string S_ChessFileFilter;

// English, Dutch over it for the Dutch id, then "Common<Language>.ini" from
// the program directory when present; then rebuilds the three filters.
void SetUILanguage(LanguageId languageId);

// Every row in table order (for the switch and for checks).
std::span<const captions::CaptionRow> Rows();

// The caption with this file key ("S_Nag_12"), or nullptr.
std::string *FindCaption(std::string_view key);

}  // namespace CommonText
