#include "foundation/Common.h"

std::string RtfEscapeNonAscii(const std::string &text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    auto b = static_cast<unsigned char>(ch);
    if (b < 128) {
      out += ch;
    } else {
      out += "\\'";
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}
