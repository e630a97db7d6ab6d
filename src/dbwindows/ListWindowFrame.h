#pragma once
// The frame half of ListWindowI for a Qt top-level window: list windows
// forward their frame operations here.
class QWidget;

namespace listframe {

bool Visible(const QWidget *w);
bool Active(const QWidget *w);
bool Minimized(const QWidget *w);
bool Maximized(const QWidget *w);
void Show(QWidget *w);
void BringToFront(QWidget *w);
void Restore(QWidget *w, bool maximized);
void Focus(QWidget *w);
void Release(QWidget *w);
// Runs the deferred releases now, also with no event loop running (the
// manager's CloseAll and Done, at the end of a file or of the program).
void FlushReleases();

}  // namespace listframe
