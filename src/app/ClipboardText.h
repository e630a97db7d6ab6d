#pragma once
// The clipboard commands' plain texts: line ends and the toolbar hints.
#include <string>

namespace cliptext {

// CR LF and lone CR become LF.
std::string LfLines(const std::string &text);
// A chooser button's hint: the family caption, a blank, the item's caption
// without its "&", then "|" and the family's status hint.
std::string ChooserHint(const std::string &family, const std::string &itemCaption, const std::string &statusHint);

}  // namespace cliptext
