#pragma once
// Hints in the "short|long" form: the short part is the tooltip, the long
// part the status-bar text; a hint without "|" serves as both.
#include <QString>
#include <string>

class QAction;
class QWidget;

namespace myui {

struct HintParts {
  QString tip;
  QString status;
};
HintParts SplitHint(const std::string &hint);

void SetHint(QAction *action, const std::string &hint);
void SetHint(QWidget *widget, const std::string &hint);

}  // namespace myui
