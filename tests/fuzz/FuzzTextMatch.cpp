// Pattern matching, field extraction, the scanf-like reader and the
// in-memory ini text on arbitrary bytes: nothing may read out of bounds.
#include <cstddef>
#include <cstdint>
#include <string>

#include "foundation/IniStringO.h"
#include "foundation/MyUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  std::string in(reinterpret_cast<const char *>(data), size);
  size_t cut = in.find('\0');
  std::string a = in.substr(0, cut);
  std::string b = cut == std::string::npos ? std::string() : in.substr(cut + 1);

  for (int mode = mmExact; mode <= mmList; ++mode) MatchWildcard(a, b, static_cast<MatchMode>(mode));
  PosWildcard(b, a);
  std::string field;
  for (char open : {'"', '(', '{', '<', '['}) GetNthDelimited(a, 2, open, field);

  std::string s;
  int32_t i = 0;
  uint32_t u = 0;
  long double f = 0;
  try {
    ScanFormatted(a, b, {&s, &i, &u, &f, &s, &i});
  } catch (const EInvalidTypeSpecifier &) {
  }

  IniStringO ini;
  ini.SetText(in);
  for (const auto &sec : ini.Sections())
    for (const auto &line : sec.second) ini.ReadValue(sec.first, line.substr(0, line.find('=')), "");
  return 0;
}
