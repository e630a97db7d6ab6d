#include "foundation/CommonText.h"

namespace CommonText {

#define CAPTION(name, en, nl) std::string name = en;
#define CAPTION_NOKEY(name, en, nl) std::string name = en;
#include "foundation/CommonTextRows.inc"
#undef CAPTION
#undef CAPTION_NOKEY

// Defined after their left parts, so they start in English like every caption.
std::string S_PGNFileFilter = S_PGNFileFilterLeft + " (*.pgn)|*.pgn";
std::string S_QCXFileFilter = S_QCXFileFilterLeft + " (*.qcx)|*.qcx";
std::string S_ChessFileFilter = S_ChessFileFilterLeft + "|*.pgn;*.qcx";

namespace {

#define CAPTION(name, en, nl) {&name, #name, en, nl},
#define CAPTION_NOKEY(name, en, nl) {&name, nullptr, en, nl},
const captions::CaptionRow kRows[] = {
#include "foundation/CommonTextRows.inc"
};
#undef CAPTION
#undef CAPTION_NOKEY

void BuildFilters() {
  S_PGNFileFilter = S_PGNFileFilterLeft + " (*.pgn)|*.pgn";
  S_QCXFileFilter = S_QCXFileFilterLeft + " (*.qcx)|*.qcx";
  S_ChessFileFilter = S_ChessFileFilterLeft + "|*.pgn;*.qcx";
}

}  // namespace

std::span<const captions::CaptionRow> Rows() { return kRows; }

std::string *FindCaption(std::string_view key) {
  for (const captions::CaptionRow &r : kRows)
    if (r.key && key == r.key) return r.var;
  return nullptr;
}

void SetUILanguage(LanguageId languageId) {
  // The table's own languages are looked up by name, so a registry started
  // in another order still finds them.
  LanguageId dutch = RegisterLanguage("Dutch");
  RegisterLanguage("English");
  captions::ApplyLanguage(kRows, languageId == dutch, "Common", GetLanguageName(languageId));
  BuildFilters();
}

}  // namespace CommonText
