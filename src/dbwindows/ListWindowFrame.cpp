#include "dbwindows/ListWindowFrame.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include "foundation/ui/MyUtilsUi.h"

namespace listframe {

bool Visible(const QWidget *w) { return w->isVisible(); }
bool Active(const QWidget *w) { return w->isActiveWindow(); }
bool Minimized(const QWidget *w) { return w->isMinimized(); }
bool Maximized(const QWidget *w) { return myui::IsMaximized(w); }

void Show(QWidget *w) { w->show(); }

void BringToFront(QWidget *w) {
  w->raise();
  w->activateWindow();
}

void Restore(QWidget *w, bool maximized) {
  if (maximized)
    w->showMaximized();
  else
    w->showNormal();
}

void Focus(QWidget *w) {
  w->activateWindow();
  w->setFocus();
}

void Release(QWidget *w) { w->deleteLater(); }

// ui::ProcessMessages skips deferred deletes posted at the current loop
// level, so they are sent explicitly.
void FlushReleases() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

}  // namespace listframe
