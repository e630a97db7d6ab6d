#include "engine/PipeReader.h"

#include <cstring>
#include <exception>
#include <system_error>

#include "engine/ChildProcs.h"
#include "platform/UiHooks.h"

namespace {

// Hands the chunk in the buffer to the GUI thread and waits until it has
// been dispatched. False when the reader was released meanwhile.
bool HandOver(const PipeReaderPtr &reader) {
  {
    std::lock_guard<std::mutex> g(reader->lock);
    if (reader->released) return false;
    reader->pending = true;
  }
  reader->window->Post(reader);
  std::unique_lock<std::mutex> g(reader->lock);
  reader->handled.wait(g, [&] { return !reader->pending || reader->released; });
  return !reader->released;
}

// Ends the handoff of the chunk being dispatched, however the dispatch ends.
struct HandoffEnd {
  PipeReaderRec &reader;
  ~HandoffEnd() {
    {
      std::lock_guard<std::mutex> g(reader.lock);
      reader.pending = false;
    }
    reader.handled.notify_all();
  }
};

// Runs one callback; an exception it raises is shown, and dispatch goes on.
void Deliver(PipeReaderRec &reader, const char *text, int error, int length) {
  try {
    reader.callback(reader, reader.closure, text, error, length);
  } catch (const std::exception &e) {
    ui::ShowMessage(e.what());
  } catch (...) {
    ui::ShowMessage("Unknown exception");
  }
}

}  // namespace

int ConvertLineEnds(char *text, int n, bool &lastWasCR) {
  int out = 0;
  for (int i = 0; i < n; ++i) {
    char c = text[i];
    if (c == '\n') {
      bool ended = lastWasCR;
      lastWasCR = false;
      if (ended) continue;  // the LF of a CR LF
      c = '\r';
    } else {
      lastWasCR = c == '\r';
    }
    text[out++] = c;
  }
  return out;
}

int PipeReaderCreate(InputDispatcherI &window, ChildProcessRec &child, void *closure,
                     PipeReaderCallback callback, PipeReaderPtr &out) {
  auto reader = std::make_shared<PipeReaderRec>();
  if (reader->waker.Error() != 0) return reader->waker.Error();
  reader->window = &window;
  reader->callback = callback;
  reader->closure = closure;
  reader->readHandle = child.readHandle;
  try {
    reader->thread = std::thread(PipeReaderThread, reader);
  } catch (const std::system_error &e) {
    reader->readHandle = -1;
    return e.code().value();
  }
  child.readHandle = -1;
  out = std::move(reader);
  return 0;
}

void PipeReaderThread(PipeReaderPtr reader) {
  PipeReaderRec &r = *reader;
  for (;;) {
    // Dispatch never leaves the buffer full, so there is always room.
    int room = PipeReaderRec::kBufferSize - 1 - r.count;
    if (room <= 0) break;
    int err = 0;
    long got = proc::ReadOrWake(r.readHandle, r.waker, r.buffer + r.count, static_cast<size_t>(room), err);
    if (got == proc::kWoken) break;
    if (got > 0) {
      char *fresh = r.buffer + r.count;
      int added = ConvertLineEnds(fresh, static_cast<int>(got), r.lastWasCR);
      if (r.dropping) {
        // The rest of a cut line ends at its CR; what follows is kept.
        const char *end = static_cast<const char *>(std::memchr(fresh, '\r', static_cast<size_t>(added)));
        if (!end) continue;
        const int kept = added - static_cast<int>(end + 1 - fresh);
        std::memmove(fresh, end + 1, static_cast<size_t>(kept));
        added = kept;
        r.dropping = false;
      }
      if (added == 0) continue;  // only the LF of a CR LF, or a dropped rest: nothing new
      const bool lineEnd = std::memchr(fresh, '\r', static_cast<size_t>(added)) != nullptr;
      r.count += added;
      r.lastRead = added;
      r.error = 0;
      // A piece of a line gives the GUI nothing to do until its end comes.
      if (!lineEnd && r.count < PipeReaderRec::kBufferSize - 1) continue;
    } else if (got == 0) {
      r.lastRead = 0;
      r.error = 0;
    } else {
      r.lastRead = -1;
      r.error = err;
    }
    r.buffer[r.count] = 0;
    if (!HandOver(reader)) break;
    if (r.lastRead <= 0) break;
  }
  proc::CloseFd(r.readHandle);
  r.ended = true;
}

void PipeReaderDispatch(PipeReaderRec &reader) {
  HandoffEnd end{reader};
  if (reader.closing) return;
  char *buf = reader.buffer;
  int start = 0;
  for (int j = 0; j < reader.count; ++j) {
    if (buf[j] != '\r') continue;
    Deliver(reader, buf + start, 0, j - start + 1);
    // A callback may have destroyed the owner: touch nothing of it then.
    if (reader.closing) return;
    start = j + 1;
  }
  int rest = reader.count - start;
  if (rest == PipeReaderRec::kBufferSize - 1) {
    // A full buffer without a line end holds a line too long to show: its
    // start goes once, and the thread drops the rest up to its line end.
    Deliver(reader, buf, 0, PipeReaderRec::kMaxLine);
    if (reader.closing) return;
    rest = 0;
    reader.dropping = true;
  } else if (start > 0) {
    std::memmove(buf, buf + start, static_cast<size_t>(rest));
  }
  reader.count = rest;
  buf[rest] = 0;
  if (reader.error == 0 && reader.lastRead != 0) return;
  Deliver(reader, buf, reader.error, reader.lastRead);
}

void PipeReaderClose(PipeReaderRec &reader) {
  {
    std::lock_guard<std::mutex> g(reader.lock);
    reader.released = true;
  }
  reader.handled.notify_all();
  reader.waker.Wake();
}
