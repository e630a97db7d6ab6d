#include "foundation/ui/MySplitter.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QVariant>
#include <algorithm>

namespace {
constexpr char kAlignProperty[] = "tvAlign";
}

void SetControlAlign(QWidget *w, TAlign align) { w->setProperty(kAlignProperty, static_cast<int>(align)); }

TAlign ControlAlign(const QWidget *w) {
  const QVariant v = w->property(kAlignProperty);
  return v.isValid() ? static_cast<TAlign>(v.toInt()) : TAlign::None;
}

TMySplitter::TMySplitter(QWidget *parent) : QWidget(parent) {
  setObjectName("MySplitter");
  resize(3, height());
  SetAlign(TAlign::Left);
}

void TMySplitter::SetAlign(TAlign align) {
  SetControlAlign(this, align);
  setCursor(Vertical() ? Qt::SplitHCursor : Qt::SplitVCursor);
}

void TMySplitter::SetBeveled(bool on) {
  beveled_ = on;
  update();
}

bool TMySplitter::Vertical() const { return Align() == TAlign::Left || Align() == TAlign::Right; }

int TMySplitter::ControlSize(const QWidget *w) const { return Vertical() ? w->width() : w->height(); }

QWidget *TMySplitter::FindControl() const {
  QWidget *parent = parentWidget();
  if (!parent) return nullptr;
  QPoint p = pos();
  switch (Align()) {
    case TAlign::Left:
      p.rx() -= 1;
      break;
    case TAlign::Right:
      p.rx() += width();
      break;
    case TAlign::Top:
      p.ry() -= 1;
      break;
    case TAlign::Bottom:
      p.ry() += height();
      break;
    default:
      return nullptr;
  }
  const bool leadingSide = Align() == TAlign::Left || Align() == TAlign::Top;
  for (QObject *o : parent->children()) {
    auto *w = qobject_cast<QWidget *>(o);
    if (!w || w == this || w->isWindow() || w->isHidden() || !w->isEnabled() || w == line_) continue;
    QRect r = w->geometry();
    // A control squeezed to nothing can still be found and dragged open.
    if (r.width() <= 0) leadingSide ? r.setLeft(r.left() - 1) : r.setRight(r.left());
    if (r.height() <= 0) leadingSide ? r.setTop(r.top() - 1) : r.setBottom(r.top());
    if (r.contains(p)) return w;
  }
  return nullptr;
}

int TMySplitter::MaxControlSize(const QWidget *control) const {
  const QWidget *parent = parentWidget();
  if (!parent) return 0;
  const QRect client = parent->contentsRect();
  int size = (Vertical() ? client.width() : client.height()) - minSize_;
  for (QObject *o : parent->children()) {
    auto *w = qobject_cast<QWidget *>(o);
    if (!w || w->isWindow() || w->isHidden()) continue;
    const TAlign a = ControlAlign(w);
    const bool sameAxis =
        Vertical() ? (a == TAlign::Left || a == TAlign::Right) : (a == TAlign::Top || a == TAlign::Bottom);
    if (sameAxis) size -= ControlSize(w);
  }
  return size + ControlSize(control);
}

QPoint TMySplitter::MousePos(QMouseEvent *e) const {
  return parentWidget()->mapFromGlobal(e->globalPosition().toPoint());
}

void TMySplitter::mousePressEvent(QMouseEvent *e) {
  if (e->button() != Qt::LeftButton || !parentWidget()) return QWidget::mousePressEvent(e);
  QWidget *control = FindControl();
  if (!control) return;
  control_ = control;
  startSize_ = newSize_ = ControlSize(control);
  maxSize_ = MaxControlSize(control);
  start_ = MousePos(e);
  ShowLine();
}

void TMySplitter::mouseMoveEvent(QMouseEvent *e) {
  if (!control_) return QWidget::mouseMoveEvent(e);
  const QPoint p = MousePos(e);
  int delta = Vertical() ? p.x() - start_.x() : p.y() - start_.y();
  if (Align() == TAlign::Right || Align() == TAlign::Bottom) delta = -delta;
  int size = std::max(std::min(startSize_ + delta, maxSize_), minSize_);
  if (OnCanResize && !OnCanResize(size)) return;
  newSize_ = std::max(size, minSize_);
  ShowLine();
}

void TMySplitter::mouseReleaseEvent(QMouseEvent *e) {
  if (!control_ || e->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(e);
  StopDrag();
}

void TMySplitter::ShowLine() {
  if (!line_) line_ = new QRubberBand(QRubberBand::Line, parentWidget());
  const QRect c = control_->geometry();
  QRect r = geometry();
  switch (Align()) {
    case TAlign::Left:
      r.moveLeft(c.left() + newSize_);
      break;
    case TAlign::Right:
      r.moveLeft(c.right() + 1 - newSize_ - width());
      break;
    case TAlign::Top:
      r.moveTop(c.top() + newSize_);
      break;
    case TAlign::Bottom:
      r.moveTop(c.bottom() + 1 - newSize_ - height());
      break;
    default:
      break;
  }
  line_->setGeometry(r);
  line_->show();
  line_->raise();
}

void TMySplitter::StopDrag() {
  if (line_) line_->hide();
  QWidget *control = control_;
  control_ = nullptr;
  if (newSize_ == startSize_) return;
  QRect c = control->geometry();
  switch (Align()) {
    case TAlign::Left:
      c.setWidth(newSize_);
      break;
    case TAlign::Top:
      c.setHeight(newSize_);
      break;
    // The far edge stays where it is.
    case TAlign::Right:
      c.setLeft(c.right() + 1 - newSize_);
      break;
    case TAlign::Bottom:
      c.setTop(c.bottom() + 1 - newSize_);
      break;
    default:
      break;
  }
  control->setGeometry(c);
  if (OnMoved) OnMoved();
}

void TMySplitter::paintEvent(QPaintEvent *) {
  QPainter p(this);
  QRect r = rect();
  p.fillRect(r, palette().color(QPalette::Button));
  if (!beveled_) return;
  r = Vertical() ? r.adjusted(1, -2, -1, 2) : r.adjusted(-2, 1, 2, -1);
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(r.translated(1, 1).adjusted(0, 0, -1, -1));
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(r.translated(-1, -1).adjusted(0, 0, -1, -1));
}
