#pragma once
// Message helpers shared by the database object's source files.
#include <initializer_list>
#include <string>

#include "foundation/MyUtils.h"
#include "platform/Win1252.h"

namespace dbtext {

// The caption with each "%s" replaced by the next argument.
inline std::string Fill(std::string caption, std::initializer_list<std::string> args) {
  for (const std::string &a : args) caption = SubstituteText(caption, a);
  return caption;
}

// A path inside a message, a report line or a progress text.
inline std::string Path(const std::string &path) { return win1252::PathText(path); }

// A PGN text with each tag value and comment in the given encoding on its
// own: a game may carry texts of two sources.
inline std::string TextInEncoding(const std::string &pgn, win1252::TextEncoding encoding) {
  std::string out;
  out.reserve(pgn.size());
  win1252::AppendPiecesInEncoding(pgn, encoding, out);
  return out;
}

}  // namespace dbtext
