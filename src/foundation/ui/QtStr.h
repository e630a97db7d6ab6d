#pragma once
// The one crossing between the program's Windows-1252 byte strings and Qt.
#include <QString>
#include <string>

#include "platform/Win1252.h"

QString ToQ(const std::string &s);
std::string FromQ(const QString &s, char fallback = '?');

// Game text (tags, comments, names) keeps the bytes of its source: it reads
// as UTF-8 when its bytes are valid UTF-8, else as Windows-1252, and is
// written in the encoding of the file it goes into ("?" for what
// Windows-1252 lacks).
QString GameToQ(const std::string &s);
std::string GameFromQ(const QString &s, win1252::TextEncoding encoding);
// A text holding several game texts (a game as PGN or text, a list row):
// each piece between the bytes that bound a tag value or a comment
// (win1252::ForEachPiece) decoded on its own.
QString GameTextsToQ(const std::string &s);
