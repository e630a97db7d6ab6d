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
  for (QChar c : s) {
    int b = win1252::FromUnicode(c.unicode());
    r += b < 0 ? fallback : static_cast<char>(b);
  }
  return r;
}
