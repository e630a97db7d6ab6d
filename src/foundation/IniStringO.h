#pragma once
// An ini text held in memory: read strings, integers and yes/no values by
// section and name without touching the disk. Section and value names compare
// case-insensitively; values are kept exactly, untrimmed. This is not the
// settings-file class: its parsing and its boolean rule differ on purpose.
#include <string>
#include <utility>
#include <vector>

class IniStringO {
 public:
  // One section: its name and its lines "name=value" in the order first written.
  using Section = std::pair<std::string, std::vector<std::string>>;

  IniStringO() = default;

  // Stores every pair of the text; sections already present stay and names
  // met again are overwritten. Lines before the first header belong to
  // "DefaultSection"; an unterminated last line is taken too.
  void SetText(const std::string &text);

  // The lines of the section holding the name (nullptr when the section is
  // absent), with the name's line index in line (-1 when absent).
  const std::vector<std::string> *Find(const std::string &section, const std::string &name, int &line) const;

  std::string ReadValue(const std::string &section, const std::string &name, const std::string &def) const;
  // Creates the section at the end when missing; replaces the name's line in
  // place, else appends it.
  void WriteString(const std::string &section, const std::string &name, const std::string &value);
  void DeleteSection(const std::string &section);

  std::string ReadString(const std::string &section, const std::string &name, const std::string &def) const {
    return ReadValue(section, name, def);
  }
  // Raises EConvertError when the value is not a number.
  int ReadInteger(const std::string &section, const std::string &name, int def) const;
  // True exactly when the value is "1".
  bool ReadBool(const std::string &section, const std::string &name, bool def) const;

  const std::vector<Section> &Sections() const { return sections_; }

 private:
  int SectionIndex(const std::string &section) const;
  std::vector<Section> sections_;
};
