#pragma once
// The one QApplication of the GUI tests, made on first use (offscreen unless
// the environment chooses a platform), and optional snapshots of windows.
#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>
#include <cstdlib>

namespace uitest {

inline QApplication *App() {
  if (auto *a = qobject_cast<QApplication *>(QCoreApplication::instance())) return a;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "foundation_ui_tests";
  static char *argv[] = {name, nullptr};
  static QApplication *app = new QApplication(argc, argv);
  return app;
}

// Deletes what deleteLater and WA_DeleteOnClose left pending.
inline void FlushDeletes() {
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

// Writes the image to $TV_SHOT_DIR/<name>.png when that is set.
inline void SnapshotImage(const QImage &image, const QString &name) {
  const QString dir = qEnvironmentVariable("TV_SHOT_DIR");
  if (dir.isEmpty()) return;
  QDir().mkpath(dir);
  image.save(dir + "/" + name + ".png");
}

// Writes the window as it looks to $TV_SHOT_DIR/<name>.png when that is set.
inline void Snapshot(QWidget *w, const char *name) {
  if (qEnvironmentVariableIsEmpty("TV_SHOT_DIR")) return;
  SnapshotImage(w->grab().toImage(), name);
}

}  // namespace uitest
