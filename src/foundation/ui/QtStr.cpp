#include "foundation/ui/QtStr.h"

#include "platform/Win1252.h"

QString ToQ(const std::string &s) {
  QString r;
  r.reserve(static_cast<qsizetype>(s.size()));
  for (unsigned char b : s) r.append(QChar(static_cast<char16_t>(win1252::ToUnicode(b))));
  return r;
}

std::string FromQ(const QString &s, char fallback) {
  std::string r;
  r.reserve(static_cast<size_t>(s.size()));
  for (qsizetype i = 0; i < s.size(); ++i) {
    const QChar c = s.at(i);
    // A character past U+FFFF is one character, not two.
    if (c.isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate()) ++i;
    int b = win1252::FromUnicode(c.unicode());
    r += b < 0 ? fallback : static_cast<char>(b);
  }
  return r;
}

QString GameToQ(const std::string &s) {
  if (win1252::IsUtf8(s)) return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
  return ToQ(s);
}

std::string GameFromQ(const QString &s, win1252::TextEncoding encoding) {
  if (encoding == win1252::TextEncoding::Win1252) return FromQ(s, '?');
  const QByteArray bytes = s.toUtf8();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

QString GameTextsToQ(const std::string &s) {
  QString r;
  r.reserve(static_cast<qsizetype>(s.size()));
  win1252::ForEachPiece(s, [&](std::string_view piece) { r += GameToQ(std::string(piece)); });
  return r;
}
