#pragma once
// File dialogs of the program: its "|" filters as Qt name filters.
#include <QStringList>
#include <string>

namespace myui {

// "Text|*.a;*.b|Other (*.c)|*.c" (Windows-1252) becomes the Qt name filters
// "Text (*.a *.b)" and "Other (*.c)": each text keeps its words, its own
// pattern list in parentheses is replaced by the pair's patterns.
QStringList NameFilters(const std::string &filter);

}  // namespace myui
