#pragma once
// The one crossing between the program's Windows-1252 byte strings and Qt.
#include <QString>
#include <string>

QString ToQ(const std::string &s);
std::string FromQ(const QString &s, char fallback = '?');
