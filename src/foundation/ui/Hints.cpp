#include "foundation/ui/Hints.h"

#include <QAction>
#include <QWidget>

#include "foundation/ui/QtStr.h"

namespace myui {

HintParts SplitHint(const std::string &hint) {
  const size_t bar = hint.find('|');
  if (bar == std::string::npos) return {ToQ(hint), ToQ(hint)};
  return {ToQ(hint.substr(0, bar)), ToQ(hint.substr(bar + 1))};
}

void SetHint(QAction *action, const std::string &hint) {
  const HintParts p = SplitHint(hint);
  action->setToolTip(p.tip);
  action->setStatusTip(p.status);
}

void SetHint(QWidget *widget, const std::string &hint) {
  const HintParts p = SplitHint(hint);
  widget->setToolTip(p.tip);
  widget->setStatusTip(p.status);
}

}  // namespace myui
