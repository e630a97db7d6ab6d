#include "app/ClipboardText.h"

#include "chess/PrintPGN.h"
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

std::string HtmlPosition(const std::string &top, const std::string &diagram, const std::string &bottom,
                         bool center) {
  std::string s = center ? "<CENTER>" : "";
  if (!top.empty()) s += top + "<BR>";
  s += diagram;
  if (!bottom.empty()) s += bottom + "<BR>";
  if (center) s += "</CENTER>";
  return s;
}

std::string RtfPosition(const std::string &top, const std::string &diagram, const std::string &bottom, bool center,
                        std::int32_t textPoints, std::int32_t diagramPoints) {
  const std::string text = RtfFontSize(0, textPoints) + " ";
  std::string s = center ? "\\qc" : "";
  if (!top.empty()) s += text + top + "\\par ";
  s += RtfFontSize(2, diagramPoints) + " " + diagram + text;
  if (!bottom.empty()) s += bottom + "\\par ";
  if (center) s += "\\ql";
  return s;
}

}  // namespace cliptext
