#pragma once
// NAGs written as symbols: their short text forms and the characters of a
// chess font's annotation symbols.
#include <string>

#include "foundation/Common.h"

// The chess-font symbol slot (an index of ChessFontInfoRec::symbols) that
// stands for the NAG; -1 when none does.
int NagFontSymbol(int nag);

// The NAG as text: the word of its chess-font symbol (the annotation-symbol
// captions: "!" .. "?!" for 1..6, "+=" for 14, "Zeitnot" for 138, ...), else
// its description (empty for a NAG without one); "<Unknown symbol>" outside
// 0..MaxNag. The word comes without outer blanks (" oo" gives "oo").
std::string NagSymbolText(int nag);

// The NAG as RTF text in the chess font: the font's symbol character as \'hh,
// except the plain move marks (good, poor, very good, very poor, speculative,
// questionable moves), which are written as they are. A NAG without a symbol
// in the font (or a font without symbols) gives its description, escaped for
// RTF; a symbol code that is
// not one byte, or a NAG outside 0..MaxNag, gives "<Unknown symbol>".
std::string NagSymbolRtf(int nag, const ChessFontInfoRec &font);
