#include "engine/ui/QtInputDispatcher.h"

#include <QMetaObject>
#include <QObject>

#include "engine/ChildProcs.h"

void QtInputDispatcher::Post(const PipeReaderPtr &reader) {
  // The call keeps the reader's record alive; once its owner is destroyed
  // the dispatch does nothing.
  QMetaObject::invokeMethod(
      context_, [reader] { ChildProcessT::HandleInputMessage(reader); }, Qt::QueuedConnection);
}
