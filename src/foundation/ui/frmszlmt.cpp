#include "foundation/ui/frmszlmt.h"

#include <QEvent>
#include <QWidget>
#include <algorithm>
#include <stdexcept>

#include "platform/Errors.h"

namespace {
uint16_t CheckedSize(long v) {
  CheckRange<long>(v, 0, 65535);
  return static_cast<uint16_t>(v);
}
}  // namespace

TFormSizeLimit::TFormSizeLimit(QWidget *owner) : QObject(nullptr), form_(owner) {
  if (!owner || !owner->isWindow()) throw std::invalid_argument("A Form must be the owner");
  setParent(owner);
  owner->installEventFilter(this);
  Apply();
}

QSize TFormSizeLimit::FrameExtra(const QWidget *w) {
  if (!w->isVisible()) return {0, 0};
  const QSize extra = w->frameGeometry().size() - w->geometry().size();
  return {std::max(0, extra.width()), std::max(0, extra.height())};
}

void TFormSizeLimit::SetActive(bool on) {
  active_ = on;
  Apply();
}
void TFormSizeLimit::SetMinActive(bool on) {
  minActive_ = on;
  Apply();
}
void TFormSizeLimit::SetMaxActive(bool on) {
  maxActive_ = on;
  Apply();
}
void TFormSizeLimit::SetMinWidth(long v) {
  minWidth_ = CheckedSize(v);
  Apply();
}
void TFormSizeLimit::SetMinHeight(long v) {
  minHeight_ = CheckedSize(v);
  Apply();
}
void TFormSizeLimit::SetMaxWidth(long v) {
  maxWidth_ = CheckedSize(v);
  Apply();
}
void TFormSizeLimit::SetMaxHeight(long v) {
  maxHeight_ = CheckedSize(v);
  Apply();
}

void TFormSizeLimit::Apply() {
  if (applying_) return;
  applying_ = true;
  const QSize frame = FrameExtra(form_);
  QSize minSize(0, 0);
  QSize maxSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  if (active_ && minActive_)
    minSize = QSize(std::max(0, minWidth_ - frame.width()), std::max(0, minHeight_ - frame.height()));
  // A maximum of 0 (never set) limits nothing.
  if (active_ && maxActive_ && maxWidth_ > 0) maxSize.setWidth(std::max(0, maxWidth_ - frame.width()));
  if (active_ && maxActive_ && maxHeight_ > 0) maxSize.setHeight(std::max(0, maxHeight_ - frame.height()));
  if (form_->minimumSize() != minSize) form_->setMinimumSize(minSize);
  if (form_->maximumSize() != maxSize) form_->setMaximumSize(maxSize);
  applying_ = false;
}

bool TFormSizeLimit::eventFilter(QObject *watched, QEvent *e) {
  // The frame is known only once the window is shown, and may change with it.
  if (watched == form_ && (e->type() == QEvent::Show || e->type() == QEvent::Move ||
                           e->type() == QEvent::Resize || e->type() == QEvent::WindowStateChange))
    Apply();
  return QObject::eventFilter(watched, e);
}
