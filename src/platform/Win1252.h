#pragma once
// Windows-1252 bytes: the character set of every file and text the program
// keeps. Case folding uses fixed tables, the same for sorting and for
// pattern matching, never the C locale.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace win1252 {

// Unicode code point of a byte (undefined bytes map to their C1 control).
char32_t ToUnicode(unsigned char b);
// Byte of a code point, or -1 when the character set has none.
int FromUnicode(char32_t c);

unsigned char Upper(unsigned char b);
unsigned char Lower(unsigned char b);
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
// The one fold of names and other texts compared without case. ASCII
// letters fold to upper case in every text; a text that is valid UTF-8
// folds its other characters one by one with Unicode's simple case folding
// (never a byte of a multi-byte character alone), any other text through
// the Windows-1252 table.
std::string FoldText(std::string_view s);
// Comparison of the folded texts: <0, 0, >0.
int CompareText(std::string_view a, std::string_view b);
inline bool SameText(std::string_view a, std::string_view b) { return CompareText(a, b) == 0; }
// A hash of FoldText(s) made without building it: texts that compare equal
// hash alike.
uint64_t FoldHash(std::string_view s);
// The fold of one code point of UTF-8 text (ASCII letters to upper case).
char32_t FoldCase(char32_t c);
// File names and ini keys compare folding ASCII letters only, whatever
// their bytes are.
int CompareAscii(std::string_view a, std::string_view b);
inline bool SameAscii(std::string_view a, std::string_view b) { return CompareAscii(a, b) == 0; }

// Game text keeps the bytes of its source: UTF-8 or Windows-1252.
enum class TextEncoding : uint8_t { Utf8, Win1252 };

// What a text's bytes are: all ASCII, valid UTF-8 holding a multi-byte
// sequence, or not valid UTF-8 (overlong forms, surrogates, code points past
// U+10FFFF and cut sequences count as invalid).
enum class TextKind : uint8_t { Ascii, Utf8, Other };
TextKind Classify(std::string_view s);
inline bool IsUtf8(std::string_view s) { return Classify(s) != TextKind::Other; }
// Classify over a text that arrives in pieces (a file read in blocks); a
// sequence may span two pieces.
class Utf8Scan {
 public:
  void Feed(std::string_view piece);
  // The kind of all pieces fed; a sequence cut at the end is invalid.
  TextKind Kind() const;
  // What a set of texts is as one: Other when one is, else Utf8 when one is.
  static TextKind Combine(TextKind a, TextKind b) { return a > b ? a : b; }

 private:
  std::string carry_;  // the start of a sequence the next piece completes
  bool multi_ = false, invalid_ = false;
};
// The encoding text of that kind is written in: Windows-1252 for text that
// is not valid UTF-8, else (all ASCII too) UTF-8.
inline TextEncoding EncodingOf(TextKind k) {
  return k == TextKind::Other ? TextEncoding::Win1252 : TextEncoding::Utf8;
}
// Text of either encoding in the given one ("?" for what Windows-1252
// lacks); text already in it keeps its bytes.
std::string ToEncoding(const std::string &s, TextEncoding encoding);

// The bytes that bound a tag value or a comment in a PGN-like text: quote,
// braces, brackets, semicolon, CR, LF.
inline constexpr std::string_view kPieceBounds = "\"{}[];\r\n";
inline bool IsPieceBound(char c) { return kPieceBounds.find(c) != std::string_view::npos; }

// Calls f(piece) for each run of a PGN-like text between piece bounds and
// for each bound alone, in order: one piece is one text of one source, so a
// game from one file with a comment typed elsewhere converts piece by piece.
template <class F>
void ForEachPiece(std::string_view text, F f) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!IsPieceBound(text[i])) continue;
    if (i > start) f(text.substr(start, i - start));
    f(text.substr(i, 1));
    start = i + 1;
  }
  if (start < text.size()) f(text.substr(start));
}

// Appends to out what ForEachPiece with ToEncoding on each piece gives,
// looking only at the pieces that hold a byte above 0x7F: the rest of a
// PGN text is ASCII and stays as it is. With pieces, for each piece
// converted, out's size after it and its end in text are added there.
void AppendPiecesInEncoding(std::string_view text, TextEncoding encoding, std::string &out,
                            std::vector<std::pair<size_t, size_t>> *pieces = nullptr);

// Code point of each character of a valid UTF-8 text.
template <class F>
void ForEachCodePoint(std::string_view s, F f) {
  for (size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const size_t len = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    char32_t c = len == 1 ? b : b & (0x7F >> len);
    for (size_t k = 1; k < len && i + k < s.size(); ++k) c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    f(c);
    i += len;
  }
}

// Length of the longest prefix of at most max bytes that ends on a character
// boundary of a valid UTF-8 text (any byte is a boundary in other text).
size_t Utf8Cut(std::string_view s, size_t max);

// UTF-8 conversions for places that meet UTF-8 outside Qt (paths, tests).
std::string ToUtf8(std::string_view s);
std::string FromUtf8(std::string_view s, char fallback = '?');

// A path (the file system's bytes, UTF-8 here) as it stands inside a
// Windows-1252 text: a message, a report line, a caption built in the core.
inline std::string PathText(std::string_view path) { return FromUtf8(path, '?'); }

}  // namespace win1252
