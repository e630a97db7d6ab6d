#pragma once
// The language registry: one small id per language, shared by the caption
// languages and the notation languages, and the name of each language as
// seen in each other language. One process-wide registry.
#include <cstdint>
#include <string>

// 32 bits unsigned, as stored in positions and options.
using LanguageId = std::uint32_t;

// Fixed ids, registered in this order at start.
constexpr LanguageId LangDefault = 0;  // means "the current language"
constexpr LanguageId LangDutch = 1;
constexpr LanguageId LangEnglish = 2;
constexpr LanguageId LangGerman = 3;
constexpr LanguageId LangSymbolic = 4;
// "No such language" from FindRegisteredLanguage.
constexpr LanguageId LangNone = UINT32_MAX;

// The id of the name (compared case-insensitively); a new name is appended
// and gets the next id.
LanguageId RegisterLanguage(const std::string &name);
// The id of a registered name (case-insensitive), or LangNone; registers
// nothing.
LanguageId FindRegisteredLanguage(const std::string &name);
// Number of registered languages.
int LanguageCount();
// The name as first registered; empty for an unknown id.
std::string GetLanguageName(LanguageId id);
// Adds the pair (viewer, text) to the language's display names unless it
// already has one for that viewer: the first text stays. Unknown ids are
// ignored.
void SetLanguageDisplayName(LanguageId lang, LanguageId viewer, const std::string &text);
// The display name in the viewing language, else the registered name.
std::string GetLanguageDisplayName(LanguageId lang, LanguageId viewer);
// The lowest id whose display name in the viewing language equals the text
// exactly; else the language registered under that name (case-insensitive),
// so a language without display names still reads back; else English.
LanguageId FindLanguageByDisplayName(const std::string &text, LanguageId viewer);
// Reads back a language the program stored in its settings (as its English
// display name, or its registered name when it has none): the English
// display names first, then the registered names, case-insensitively;
// English when nothing matches. Never registers a language.
LanguageId FindLanguageForSetting(const std::string &text);
// Reads a display-name file ("LngNames.ini"): each section names a
// language, each key a viewing language, each non-empty value a display
// name. A missing file changes nothing.
void LoadLanguageNames(const std::string &iniFileName);

// Puts the registry back into its start-up state (the five fixed languages
// and the built-in display names). For tests.
void ResetLanguageRegistry();
