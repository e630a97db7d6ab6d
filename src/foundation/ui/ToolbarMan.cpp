#include "foundation/ui/ToolbarMan.h"

#include <algorithm>

#include <QAbstractButton>
#include <QMenu>
#include <QToolButton>

#include "foundation/ui/QtStr.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

namespace {
constexpr int kStartX = 4;
constexpr int kGap = 4;
constexpr int kOverflowWidth = 16;

std::string VisibleKey(const QAbstractButton *b) { return FromQ(b->objectName()) + ".Visible"; }
}  // namespace

std::vector<int> ArrangeToolbarButtons(const std::vector<int> &widths, const std::vector<bool> &visible,
                                       const std::vector<int> &separators) {
  std::vector<int> xs(widths.size(), -1);
  int x = kStartX;
  bool standing = false;  // a visible button since the last gap
  for (size_t i = 0; i < widths.size(); ++i) {
    if (i < visible.size() && visible[i]) {
      xs[i] = x;
      x += widths[i];
      standing = true;
    }
    const int number = static_cast<int>(i) + 1;
    for (int s : separators)
      if (s == number && standing) {
        x += kGap;
        standing = false;
      }
  }
  return xs;
}

void TToolbarMan::AddButton(QAbstractButton *button) { buttons_.emplace_back(button); }

void TToolbarMan::AddSeparator() { separators_.push_back(ButtonCount()); }

void TToolbarMan::Arrange() {
  std::vector<int> widths;
  std::vector<bool> visible;
  for (const QPointer<QAbstractButton> &b : buttons_) {
    widths.push_back(b ? b->width() : 0);
    // isVisible() is false while the toolbar itself is hidden.
    visible.push_back(b && !b->isHidden());
  }
  const std::vector<int> xs = ArrangeToolbarButtons(widths, visible, separators_);
  const int width = toolbar_ ? toolbar_->width() : 0;
  int right = 0;
  for (size_t i = 0; i < xs.size(); ++i)
    if (xs[i] >= 0) right = std::max(right, xs[i] + widths[i]);
  const bool overflow = toolbar_ && right > width;
  // With the overflow button, a button fits when it ends before it.
  const int limit = overflow ? width - kOverflowWidth - kGap : width;
  overflowed_.clear();
  for (size_t i = 0; i < buttons_.size(); ++i) {
    if (!buttons_[i] || xs[i] < 0) continue;
    if (overflow && xs[i] + widths[i] > limit) {
      // Past the toolbar's edge, where the toolbar clips it.
      buttons_[i]->move(width, buttons_[i]->y());
      overflowed_.push_back(buttons_[i]);
    } else {
      buttons_[i]->move(xs[i], buttons_[i]->y());
    }
  }
  if (!toolbar_) return;
  if (overflow && !overflow_) {
    overflow_ = new QToolButton(toolbar_);
    overflow_->setObjectName("SBOverflow");
    overflow_->setAutoRaise(true);
    overflow_->setFocusPolicy(Qt::NoFocus);
    overflow_->setText(QString(QChar(0x00BB)));
    QObject::connect(overflow_, &QToolButton::clicked, overflow_, [this] { ShowOverflowMenu(); });
  }
  if (overflow_) {
    const int h = buttons_.empty() || !buttons_.front() ? toolbar_->height() : buttons_.front()->height();
    const int y = buttons_.empty() || !buttons_.front() ? 0 : buttons_.front()->y();
    overflow_->setGeometry(width - kOverflowWidth - 2, y, kOverflowWidth, h);
    overflow_->setVisible(overflow);
    overflow_->raise();
  }
}

std::vector<QAbstractButton *> TToolbarMan::OverflowButtons() const {
  std::vector<QAbstractButton *> v;
  for (const QPointer<QAbstractButton> &b : overflowed_)
    if (b) v.push_back(b);
  return v;
}

void TToolbarMan::ShowOverflowMenu() {
  auto *menu = new QMenu(overflow_);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  for (QAbstractButton *b : OverflowButtons()) {
    QAction *a = menu->addAction(b->icon(), b->toolTip().section(QChar('|'), 0, 0));
    a->setEnabled(b->isEnabled());
    QPointer<QAbstractButton> target(b);
    QObject::connect(a, &QAction::triggered, menu, [target] {
      if (target) target->click();
    });
  }
  menu->popup(overflow_->mapToGlobal(QPoint(0, overflow_->height())));
}

void TToolbarMan::SaveToIni(const std::string &iniFileName, const std::string &section) const {
  IniFile ini(iniFileName);
  for (const QPointer<QAbstractButton> &b : buttons_)
    if (b) ini.WriteBool(section, VisibleKey(b), !b->isHidden());
}

void TToolbarMan::LoadFromIni(const std::string &iniFileName, const std::string &section) {
  {
    IniFile ini(iniFileName);
    for (const QPointer<QAbstractButton> &b : buttons_)
      if (b) b->setVisible(ini.ReadBool(section, VisibleKey(b), true));
  }
  Arrange();
}

QAbstractButton *TToolbarMan::Button(int i) const {
  CheckRange(i, 1, ButtonCount());
  return buttons_[static_cast<size_t>(i - 1)];
}

QIcon TToolbarMan::ButtonGlyph(int i) const {
  QAbstractButton *b = Button(i);
  return b ? b->icon() : QIcon();
}

std::string TToolbarMan::ButtonHint(int i) const {
  QAbstractButton *b = Button(i);
  return b ? FromQ(b->toolTip().section(QChar('|'), 0, 0)) : std::string();
}

bool TToolbarMan::ButtonVisible(int i) const {
  QAbstractButton *b = Button(i);
  return b && !b->isHidden();
}

void TToolbarMan::SetButtonVisible(int i, bool visible) {
  if (QAbstractButton *b = Button(i)) b->setVisible(visible);
  Arrange();
}
