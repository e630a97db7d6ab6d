#include "app/ClipboardText.h"

#include "foundation/MyUtils.h"

namespace cliptext {

std::string LfLines(const std::string &text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r') {
      out += text[i];
    } else {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    }
  }
  return out;
}

std::string ChooserHint(const std::string &family, const std::string &itemCaption, const std::string &statusHint) {
  return family + " " + RemoveAccelerator(itemCaption) + "|" + statusHint;
}

}  // namespace cliptext
