#pragma once
// Carries the engine reader's chunks to the GUI thread: each is queued to a
// context object, whose thread (the GUI thread) dispatches it. The reader
// waits on its own handoff, which Destroy can release, never on Qt: a
// blocking queued call would deadlock when the GUI thread joins the reader.
#include "engine/PipeReader.h"

class QObject;

class QtInputDispatcher : public InputDispatcherI {
 public:
  // context must outlive every child process bound to this dispatcher (the
  // main window owns both); calls queued to it after its end are dropped.
  explicit QtInputDispatcher(QObject *context) : context_(context) {}
  void Post(const PipeReaderPtr &reader) override;

 private:
  QObject *context_;
};
