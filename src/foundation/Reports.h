#pragma once
// A report: text lines that a long operation (import, database information)
// builds and the report window shows afterwards.
#include <cstdint>
#include <string>
#include <vector>

struct T_CommandRec {
  static constexpr uint8_t kTextLine = 1;
  static constexpr uint8_t kNewLine = 2;
  uint8_t Command = kTextLine;
  std::string Text;  // empty for a new line
};

class ReportO {
 public:
  // Empty command list.
  void Init();
  void AddLine(const std::string &text);
  void AddNewLine();
  // Frees the commands.
  void Done();

  const std::vector<T_CommandRec> &Commands() const { return commands_; }
  // The lines a window shows: a text line is a line of its own, a new line
  // an empty line.
  std::vector<std::string> Lines() const;

 private:
  std::vector<T_CommandRec> commands_;
};
