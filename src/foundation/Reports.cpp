#include "foundation/Reports.h"

void ReportO::Init() { commands_.clear(); }

void ReportO::AddLine(const std::string &text) { commands_.push_back({T_CommandRec::kTextLine, text}); }

void ReportO::AddNewLine() { commands_.push_back({T_CommandRec::kNewLine, {}}); }

void ReportO::Done() {
  commands_.clear();
  commands_.shrink_to_fit();
}

std::vector<std::string> ReportO::Lines() const {
  std::vector<std::string> lines;
  lines.reserve(commands_.size());
  std::string current;
  for (const T_CommandRec &c : commands_) {
    if (c.Command == T_CommandRec::kTextLine) current += c.Text;
    // Every command ends the line it is on.
    lines.push_back(std::move(current));
    current.clear();
  }
  return lines;
}
