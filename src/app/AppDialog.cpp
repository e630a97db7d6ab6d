#include "app/AppDialog.h"

#include <QFontMetrics>
#include <QHideEvent>
#include <QLayout>
#include <QShowEvent>
#include <algorithm>

#include "appman/ChessAppMan.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/frmszlmt.h"

TAppDialog::TAppDialog(const std::string &section, bool sizeable, QWidget *parent)
    : QDialog(parent), section_(section) {
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  myui::SetBorderStyle(this, sizeable ? myui::BorderStyle::Sizeable : myui::BorderStyle::Dialog);
  if (sizeable) sizeLimit_ = new TFormSizeLimit(this);
}

int TAppDialog::Execute() {
  FormShow();
  const int r = modal::Exec(*this);
  FormHide();
  return r;
}

int TAppDialog::TextHeightX() const { return QFontMetrics(font()).boundingRect(QStringLiteral("X")).height(); }

QSize TAppDialog::TextLinesMinimum(int lines, bool withButtons) const {
  const QMargins m = layout() ? layout()->contentsMargins() : QMargins();
  const QSize row = buttonRow_ ? buttonRow_->minimumSize() : QSize();
  int height = lines * TextHeightX() + m.top() + m.bottom();
  if (withButtons) height += row.height() + layout()->spacing();
  return {row.width() + m.left() + m.right(), height};
}

void TAppDialog::UpdateSizeLimit() {
  if (!sizeLimit_) return;
  QSize need = ClientMinimum();
  if (layout()) {
    layout()->activate();
    need = need.expandedTo(layout()->totalMinimumSize());
  }
  need += TFormSizeLimit::FrameExtra(this);
  if (sizeLimit_->MinWidth() != need.width()) sizeLimit_->SetMinWidth(std::min(need.width(), 65535));
  if (sizeLimit_->MinHeight() != need.height()) sizeLimit_->SetMinHeight(std::min(need.height(), 65535));
}

void TAppDialog::showEvent(QShowEvent *e) {
  QDialog::showEvent(e);
  if (e->spontaneous()) return;
  UpdateSizeLimit();
  if (!section_.empty()) myui::RestoreFormPlacement(ChessApp.SettingsPath(), section_, this);
}

void TAppDialog::hideEvent(QHideEvent *e) {
  QDialog::hideEvent(e);
  if (e->spontaneous()) return;
  if (!section_.empty()) myui::SaveFormPlacement(ChessApp.SettingsPath(), section_, this);
}

void TAppDialog::resizeEvent(QResizeEvent *e) {
  QDialog::resizeEvent(e);
  // The frame is known only once the window manager has placed the window.
  if (isVisible()) UpdateSizeLimit();
}
