#pragma once
// The program's ini files. Section and key names compare case-insensitively,
// values are trimmed with their quotes kept, the first of duplicate keys
// wins, and lines the program does not touch are written back as they were.
// All IniFile objects on one path share one document, so the windows and the
// options object that all write the settings file never overwrite each
// other. The document is written by UpdateFile and when the last IniFile on
// it goes away; lines end with CR LF; CR LF, LF and CR are read.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

class IniFile {
 public:
  explicit IniFile(const std::string &path);
  ~IniFile();
  IniFile(const IniFile &) = delete;
  IniFile &operator=(const IniFile &) = delete;

  const std::string &FileName() const;
  // The file exists but its last reading failed; it reads as empty.
  bool LoadFailed() const;

  std::string ReadString(const std::string &section, const std::string &key, const std::string &def) const;
  // A missing key or a value that is not a number yields def.
  int ReadInteger(const std::string &section, const std::string &key, int def) const;
  bool ReadBool(const std::string &section, const std::string &key, bool def) const;
  void WriteString(const std::string &section, const std::string &key, const std::string &value);
  void WriteInteger(const std::string &section, const std::string &key, int value);
  void WriteBool(const std::string &section, const std::string &key, bool value);

  bool SectionExists(const std::string &section) const;
  bool ValueExists(const std::string &section, const std::string &key) const;
  std::vector<std::string> ReadSections() const;
  std::vector<std::string> ReadSection(const std::string &section) const;  // key names
  std::vector<std::pair<std::string, std::string>> ReadSectionValues(const std::string &section) const;
  void EraseSection(const std::string &section);
  void DeleteKey(const std::string &section, const std::string &key);

  // Writes the document now if it changed; false (errno in *err) on failure.
  bool UpdateFile(int *err = nullptr);
  // The document's text as it would be written.
  std::string Text() const;
  // Drops what was written and not yet saved: the document reads its file
  // again and is not written.
  void Discard();

  struct Doc;

 private:
  std::shared_ptr<Doc> doc_;
};

// Parses text in the same rules, for in-memory use.
namespace ini {
// Splits text into lines, accepting CR LF, LF and CR.
std::vector<std::string> SplitLines(const std::string &text);
std::string Trim(const std::string &s);  // blanks, tabs and control characters

// Section -> its keys and values in the order written.
using Values = std::map<std::string, std::vector<std::pair<std::string, std::string>>>;
// What write puts into a document that starts empty and is never saved;
// write is given that document's path.
Values Capture(const std::function<void(const std::string &path)> &write);
// Several writers of the same keys, each writing what it changed: a key
// one left as it was keeps what another put there. A section named in
// `whole` is a list (its keys mean something only together) and is written
// whole or not at all.
//
// Writes into the file what values holds and the file lacks; a whole
// section only when the file lacks all of it.
void WriteMissing(const std::string &path, const Values &values, const std::vector<std::string> &whole);
// Writes into the file the values of now that differ from those of before
// and deletes the keys before holds and now lacks; a whole section that
// differs in any way is replaced by now's. What now holds and the file
// lacks is written as by WriteMissing.
void WriteChanges(const std::string &path, const Values &before, const Values &now,
                  const std::vector<std::string> &whole);
}  // namespace ini
