#include "engine/ui/QtInputDispatcher.h"

#include <QMetaObject>
#include <QObject>

#include <exception>

#include "engine/ChildProcs.h"
#include "platform/UiHooks.h"

void QtInputDispatcher::Post(const PipeReaderPtr &reader) {
  // The call keeps the reader's record alive; once its owner is destroyed
  // the dispatch does nothing. What the line handlers raise must not reach
  // the event loop.
  QMetaObject::invokeMethod(
      context_,
      [reader] {
        try {
          ChildProcessT::HandleInputMessage(reader);
        } catch (const std::exception &e) {
          ui::ShowMessage(e.what());
        }
      },
      Qt::QueuedConnection);
}
