#pragma once
// The clipboard commands' plain texts: line ends, the toolbar hints and the
// parts around a copied diagram.
#include <cstdint>
#include <string>

namespace cliptext {

// CR LF and lone CR become LF.
std::string LfLines(const std::string &text);
// A chooser button's hint: the family caption, a blank, the item's caption
// without its "&", then "|" and the family's status hint.
std::string ChooserHint(const std::string &family, const std::string &itemCaption, const std::string &statusHint);


// The position copied as HTML: each text that is there followed by "<BR>",
// the top one above the diagram and the bottom one below it; centred, the
// whole between "<CENTER>" and "</CENTER>".
std::string HtmlPosition(const std::string &top, const std::string &diagram, const std::string &bottom,
                         bool center);
// The body of the position copied as RTF: the top text in the text font,
// the diagram in the diagram font, the bottom text in the text font, each
// text ended by "\par "; centred, between "\qc" and "\ql". Every font
// switch is followed by a blank, so that no text or glyph starting with a
// digit runs into its size.
std::string RtfPosition(const std::string &top, const std::string &diagram, const std::string &bottom, bool center,
                        std::int32_t textPoints, std::int32_t diagramPoints);

}  // namespace cliptext
