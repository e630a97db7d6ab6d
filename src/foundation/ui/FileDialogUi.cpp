#include "foundation/ui/FileDialogUi.h"

#include "foundation/ui/QtStr.h"

namespace myui {

QStringList NameFilters(const std::string &filter) {
  QStringList out;
  size_t pos = 0;
  while (pos < filter.size()) {
    const size_t bar = filter.find('|', pos);
    std::string text = filter.substr(pos, bar == std::string::npos ? std::string::npos : bar - pos);
    std::string patterns;
    if (bar != std::string::npos) {
      const size_t next = filter.find('|', bar + 1);
      patterns = filter.substr(bar + 1, next == std::string::npos ? std::string::npos : next - bar - 1);
      pos = next == std::string::npos ? filter.size() : next + 1;
    } else {
      pos = filter.size();
    }
    if (!text.empty() && text.back() == ')') {
      const size_t open = text.rfind('(');
      if (open != std::string::npos) text.erase(open);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    for (char &c : patterns)
      if (c == ';') c = ' ';
    if (patterns.empty()) patterns = "*";
    out << ToQ(text + " (" + patterns + ")");
  }
  return out;
}

}  // namespace myui
