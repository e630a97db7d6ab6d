#pragma once
// The reader thread of an engine's output. Each chunk it reads is handed to
// the GUI thread, and the reader waits until the GUI has dispatched it: the
// output is handled strictly in order and never faster than the GUI takes
// it, which keeps a flooding engine from burying the window.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "platform/Process.h"

struct ChildProcessRec;
struct PipeReaderRec;
using PipeReaderPtr = std::shared_ptr<PipeReaderRec>;

// Carries a chunk to the GUI thread. Post is called on the reader thread; it
// arranges for ChildProcessT::HandleInputMessage(reader) to run on the GUI
// thread and returns at once (the reader then waits for that call).
class InputDispatcherI {
 public:
  virtual ~InputDispatcherI() = default;
  virtual void Post(const PipeReaderPtr &reader) = 0;
};

// The dispatcher of received text: a line with its CR (error 0, its length),
// or the end of the output (length 0) or a read error (length -1, error). A
// line longer than PipeReaderRec::kMaxLine comes cut: its first kMaxLine
// bytes, without a CR; the rest up to its line end is dropped.
using PipeReaderCallback = void (*)(PipeReaderRec &reader, void *closure, const char *text, int error,
                                    int length);

struct PipeReaderRec {
  // A line longer than this would hold the GUI for every wrapped piece of it.
  static constexpr int kMaxLine = 64 * 1024;
  // The longest line, one byte more to tell a longer one, and a zero.
  static constexpr int kBufferSize = kMaxLine + 2;

  InputDispatcherI *window = nullptr;  // receives the reader's chunks
  int readHandle = -1;
  std::thread thread;
  char buffer[kBufferSize] = {};  // received text not yet delivered, zero-terminated
  int count = 0;
  int lastRead = 0;  // bytes of the last read after line-end conversion; 0 end, -1 error
  int error = 0;     // the last read's error code
  bool lastWasCR = false;  // a CR ended the last read: an LF starting the next is its line end
  bool dropping = false;   // a cut line's rest is read up to its line end and dropped
  PipeReaderCallback callback = nullptr;
  void *closure = nullptr;

  // The handoff. A chunk is pending from Post until its dispatch has ended;
  // a released reader stops waiting and leaves its loop.
  std::mutex lock;
  std::condition_variable handled;
  bool pending = false;
  bool released = false;
  proc::Waker waker;  // interrupts a read that waits for output
  std::atomic<bool> ended{false};  // the thread has left its loop

  // Set on the GUI thread when the owner goes: dispatch then touches neither
  // the owner nor the closure, and late chunks are dropped.
  std::atomic<bool> closing{false};
};

// Starts the reader of child's output (taking its read handle) bound to the
// dispatcher. Answers 0 or the error code; on failure no thread runs and the
// read handle stays with child.
int PipeReaderCreate(InputDispatcherI &window, ChildProcessRec &child, void *closure,
                     PipeReaderCallback callback, PipeReaderPtr &out);
// The thread: read, convert line ends, hand over a chunk that holds a line
// end or fills the buffer, wait; it ends after the end of the output, a read
// error, or its release.
void PipeReaderThread(PipeReaderPtr reader);
// GUI thread: delivers every complete line of the buffer through the
// callback, or the start of a line that fills it, then the end or the error. Always ends the handoff, however the
// dispatch ends.
void PipeReaderDispatch(PipeReaderRec &reader);
// Releases the reader: it stops waiting and leaves its loop. Its owner joins it.
void PipeReaderClose(PipeReaderRec &reader);

// Turns each line end (LF, CR LF or CR) of the n bytes at text into one CR,
// in place; lastWasCR carries a CR at the end of one read over to the next.
// Answers the new length.
int ConvertLineEnds(char *text, int n, bool &lastWasCR);
