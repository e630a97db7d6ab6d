#include "foundation/LangMan.h"

#include <utility>
#include <vector>

#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

struct Registry {
  std::vector<std::string> names;  // index = id
  // Per language: (viewing id, display name), the first pair per viewer kept.
  std::vector<std::vector<std::pair<LanguageId, std::string>>> display;

  Registry() { Reset(); }

  void Reset() {
    names.clear();
    display.clear();
    for (const char *n : {"Default", "Dutch", "English", "German", "Symbolic"}) Register(n);
    SetDisplay(LangDutch, LangEnglish, "Dutch");
    SetDisplay(LangDutch, LangDutch, "Nederlands");
    SetDisplay(LangEnglish, LangEnglish, "English");
    SetDisplay(LangEnglish, LangDutch, "Engels");
    SetDisplay(LangGerman, LangEnglish, "German");
    SetDisplay(LangGerman, LangDutch, "Duits");
  }

  bool Valid(LanguageId id) const { return id < names.size(); }

  LanguageId Find(const std::string &name) const {
    for (size_t i = 0; i < names.size(); ++i)
      if (win1252::SameText(names[i], name)) return static_cast<LanguageId>(i);
    return LangNone;
  }

  LanguageId Register(const std::string &name) {
    LanguageId id = Find(name);
    if (id != LangNone) return id;
    names.push_back(name);
    display.emplace_back();
    return static_cast<LanguageId>(names.size() - 1);
  }

  // The explicit display name, or nullptr.
  const std::string *Display(LanguageId lang, LanguageId viewer) const {
    if (!Valid(lang)) return nullptr;
    for (const auto &p : display[lang])
      if (p.first == viewer) return &p.second;
    return nullptr;
  }

  void SetDisplay(LanguageId lang, LanguageId viewer, const std::string &text) {
    if (!Valid(lang) || !Valid(viewer) || Display(lang, viewer)) return;
    display[lang].emplace_back(viewer, text);
  }
};

Registry &Reg() {
  static Registry r;
  return r;
}

}  // namespace

LanguageId RegisterLanguage(const std::string &name) { return Reg().Register(name); }

LanguageId FindRegisteredLanguage(const std::string &name) { return Reg().Find(name); }

int LanguageCount() { return static_cast<int>(Reg().names.size()); }

std::string GetLanguageName(LanguageId id) { return Reg().Valid(id) ? Reg().names[id] : std::string(); }

void SetLanguageDisplayName(LanguageId lang, LanguageId viewer, const std::string &text) {
  Reg().SetDisplay(lang, viewer, text);
}

std::string GetLanguageDisplayName(LanguageId lang, LanguageId viewer) {
  if (const std::string *d = Reg().Display(lang, viewer)) return *d;
  return GetLanguageName(lang);
}

LanguageId FindLanguageByDisplayName(const std::string &text, LanguageId viewer) {
  const Registry &r = Reg();
  for (size_t i = 0; i < r.names.size(); ++i) {
    const std::string *d = r.Display(static_cast<LanguageId>(i), viewer);
    if (d && *d == text) return static_cast<LanguageId>(i);
  }
  LanguageId id = r.Find(text);
  return id != LangNone ? id : LangEnglish;
}

LanguageId FindLanguageForSetting(const std::string &text) {
  const Registry &r = Reg();
  const auto n = static_cast<LanguageId>(r.names.size());
  // An exact match first, so two names differing only in case stay apart.
  for (LanguageId i = 0; i < n; ++i) {
    const std::string *d = r.Display(i, LangEnglish);
    if (d && *d == text) return i;
  }
  for (LanguageId i = 0; i < n; ++i) {
    const std::string *d = r.Display(i, LangEnglish);
    if (d && win1252::SameText(*d, text)) return i;
  }
  LanguageId id = r.Find(text);
  return id != LangNone ? id : LangEnglish;
}

void LoadLanguageNames(const std::string &iniFileName) {
  if (!files::FileExists(iniFileName)) return;
  IniFile ini(iniFileName);
  Registry &r = Reg();
  for (const std::string &section : ini.ReadSections()) {
    LanguageId lang = r.Register(section);
    for (const auto &[key, value] : ini.ReadSectionValues(section)) {
      if (value.empty()) continue;
      r.SetDisplay(lang, r.Register(key), value);
    }
  }
}

void ResetLanguageRegistry() { Reg().Reset(); }
