#include "foundation/IniStringO.h"

#include "foundation/MyUtils.h"
#include "platform/Win1252.h"

namespace {
// The name part of a stored line: the text before its first "=".
std::string_view LineName(const std::string &line) {
  size_t eq = line.find('=');
  return std::string_view(line).substr(0, eq == std::string::npos ? line.size() : eq);
}
}  // namespace

int IniStringO::SectionIndex(const std::string &section) const {
  for (size_t i = 0; i < sections_.size(); ++i)
    if (win1252::SameAscii(sections_[i].first, section)) return static_cast<int>(i);
  return -1;
}

const std::vector<std::string> *IniStringO::Find(const std::string &section, const std::string &name,
                                                 int &line) const {
  line = -1;
  int s = SectionIndex(section);
  if (s < 0) return nullptr;
  const auto &lines = sections_[static_cast<size_t>(s)].second;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (win1252::SameAscii(LineName(lines[i]), name)) {
      line = static_cast<int>(i);
      break;
    }
  }
  return &lines;
}

std::string IniStringO::ReadValue(const std::string &section, const std::string &name,
                                  const std::string &def) const {
  int line;
  const auto *lines = Find(section, name, line);
  if (!lines || line < 0) return def;
  const std::string &l = (*lines)[static_cast<size_t>(line)];
  return l.substr(l.find('=') + 1);
}

void IniStringO::WriteString(const std::string &section, const std::string &name, const std::string &value) {
  int s = SectionIndex(section);
  if (s < 0) {
    sections_.emplace_back(section, std::vector<std::string>{});
    s = static_cast<int>(sections_.size()) - 1;
  }
  auto &lines = sections_[static_cast<size_t>(s)].second;
  std::string text = name + "=" + value;
  for (auto &l : lines) {
    if (win1252::SameAscii(LineName(l), name)) {
      l = std::move(text);
      return;
    }
  }
  lines.push_back(std::move(text));
}

void IniStringO::DeleteSection(const std::string &section) {
  int s = SectionIndex(section);
  if (s >= 0) sections_.erase(sections_.begin() + s);
}

int IniStringO::ReadInteger(const std::string &section, const std::string &name, int def) const {
  return StrToInt(ReadValue(section, name, IntToStr(def)));
}

bool IniStringO::ReadBool(const std::string &section, const std::string &name, bool def) const {
  return ReadValue(section, name, def ? "1" : "0") == "1";
}

void IniStringO::SetText(const std::string &text) {
  std::string current = "DefaultSection";
  auto process = [&](const std::string &line) {
    if (line.empty()) return;
    if (line[0] == '[') {
      // The last character is dropped whatever it is.
      current = line.size() >= 2 ? line.substr(1, line.size() - 2) : std::string();
      return;
    }
    size_t eq = line.find('=');
    if (eq != std::string::npos) WriteString(current, line.substr(0, eq), line.substr(eq + 1));
  };
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    while (i < n && (text[i] == '\r' || text[i] == '\n')) ++i;
    size_t start = i;
    while (i < n && text[i] != '\r' && text[i] != '\n') ++i;
    if (i > start) process(text.substr(start, i - start));
  }
}
