#pragma once
// The mechanism behind the caption tables: rows of global strings with a
// built-in English and Dutch text, which a language file
// "<prefix><Language>.ini" in the program directory may override key by key.
#include <cstddef>
#include <span>
#include <string>

namespace captions {

struct CaptionRow {
  std::string *var;
  const char *key;  // nullptr: the row cannot be overridden from a file
  const char *en;
  const char *nl;  // nullptr: Dutch keeps the English text
};

// A language file's value as a caption: trimmed; a value of at least three
// characters that starts with a single quote loses that quote and everything
// from the last remaining quote on, so quotes can keep outer blanks. Empty
// means "keep the built-in text".
std::string CleanCaptionValue(const std::string &raw);

// The path of "<prefix><languageName>.ini" in the program directory, found
// regardless of letter case; empty when there is no such file.
std::string FindLanguageFile(const std::string &prefix, const std::string &languageName);

// Assigns every row's English text, the Dutch text over it when dutch is set,
// then the non-empty values of the language file (section = languageName),
// in table order. A missing file leaves the built-in texts.
void ApplyLanguage(std::span<const CaptionRow> rows, bool dutch, const std::string &prefix,
                   const std::string &languageName);

}  // namespace captions
