#include "engine/ChildProcs.h"

#include <system_error>

#include "foundation/CommonText.h"
#include "platform/Dirs.h"
#include "platform/UiHooks.h"

ChildProcessT::ChildProcessT() { state_.owner = this; }

ChildProcessT::~ChildProcessT() { Destroy(); }

int ChildProcessT::Create(InputDispatcherI &window, const std::string &workDir, const std::string &commandLine) {
  Destroy();
  std::unique_ptr<ChildProcessRec> child;
  int err = ChildProcessStart(commandLine, workDir, child);
  if (err != 0) return err;
  std::unique_ptr<PipeWriterRec> writer;
  err = PipeWriterCreate(*child, writer);
  if (err != 0) {
    ChildProcessFree(std::move(child));
    return err;
  }
  PipeReaderPtr reader;
  err = PipeReaderCreate(window, *child, &state_, ProgramInputReceived, reader);
  if (err != 0) {
    PipeWriterStop(*writer);
    ChildProcessFree(std::move(child));
    return err;
  }
  state_.child = std::move(child);
  state_.reader = std::move(reader);
  state_.writer = std::move(writer);
  state_.notResponding = false;
  return 0;
}

void ChildProcessT::Destroy() {
  PipeReaderPtr reader = std::move(state_.reader);
  // First, so that a chunk dispatched from here on finds the owner gone.
  if (reader) reader->closing = true;
  // The writer goes before the child is reaped: it may signal the child's
  // group, which must still be the child's.
  if (state_.writer) PipeWriterStop(*state_.writer);
  state_.writer.reset();
  if (state_.child) ChildProcessFree(std::move(state_.child));
  if (reader) {
    PipeReaderClose(*reader);
    if (reader->thread.joinable()) reader->thread.join();
  }
}

void ChildProcessT::Reap() {
  if (state_.writer) PipeWriterStop(*state_.writer);
  state_.writer.reset();
  if (state_.child) ChildProcessFree(std::move(state_.child), 0);
}

void ChildProcessT::SendLine(const std::string &text) { SendToProgram(text + "\n", state_); }

size_t ChildProcessT::Unwritten() {
  if (!state_.writer) return 0;
  std::lock_guard<std::mutex> g(state_.writer->lock);
  return state_.writer->unwritten;
}

bool ChildProcessT::HandleInputMessage(const PipeReaderPtr &reader) {
  if (reader) PipeReaderDispatch(*reader);
  return true;
}

void ChildProcessT::DeliverText(const char *text, int length) {
  if (onLine_) onLine_(*this, std::string(text, static_cast<size_t>(length)));
}

void ChildProcessT::DeliverEnd() {
  if (onEnd_) onEnd_(*this);
}

int ChildProcessStart(const std::string &commandLine, const std::string &workDir,
                      std::unique_ptr<ChildProcessRec> &out) {
  // An empty or relative working directory is taken from the program
  // directory; only the child changes directory.
  std::string dir = workDir;
  if (dir.empty() || dir[0] != '/') dir = dirs::GetAppDir() + dir;
  proc::ChildHandles h;
  int err = proc::Start(commandLine, dir, h);
  if (err != 0) return err;
  out = std::make_unique<ChildProcessRec>();
  out->processId = h.pid;
  out->writeHandle = h.toChild;
  out->readHandle = h.fromChild;
  return 0;
}

void ProgramInputReceived(PipeReaderRec &reader, void *closure, const char *text, int, int length) {
  auto &state = *static_cast<TChessProgramState *>(closure);
  if (reader.closing || state.reader.get() != &reader) return;
  if (length >= 1) {
    state.owner->DeliverText(text, length);
    return;
  }
  // Its end is seen: no zombie is left while the message shows.
  state.owner->Reap();
  ui::ShowMessage(state.notResponding ? CommonText::S_EngineNotResponding
                  : length == 0       ? "Error: chess program exited unexpectedly"
                                      : "Error reading from chess program");
  // The message's event loop may have destroyed the owner.
  if (reader.closing) return;
  PipeReaderClose(reader);
  state.owner->DeliverEnd();
}

void SendToProgram(const std::string &text, TChessProgramState &state) {
  if (!state.child || !state.writer) return;
  if (PipeWriterQueue(*state.writer, text) <= ChildProcessT::kMaxUnwritten) return;
  // It has stopped reading. Ending its group ends its output, which
  // reports it once.
  state.notResponding = true;
  PipeWriterStop(*state.writer);
  proc::KillGroup(state.child->processId);
}

int PipeWriterCreate(ChildProcessRec &child, std::unique_ptr<PipeWriterRec> &out) {
  auto writer = std::make_unique<PipeWriterRec>();
  if (writer->waker.Error() != 0) return writer->waker.Error();
  if (int err = proc::SetNonBlocking(child.writeHandle); err != 0) return err;
  writer->writeHandle = child.writeHandle;
  writer->processId = child.processId;
  try {
    writer->thread = std::thread(PipeWriterThread, std::ref(*writer));
  } catch (const std::system_error &e) {
    return e.code().value();
  }
  out = std::move(writer);
  return 0;
}

void PipeWriterThread(PipeWriterRec &w) {
  std::string chunk;
  for (;;) {
    {
      std::unique_lock<std::mutex> g(w.lock);
      w.queued.wait(g, [&] { return w.stopping || !w.queue.empty(); });
      if (w.stopping) return;
      chunk.swap(w.queue);
      w.queue.clear();
    }
    for (size_t done = 0; done < chunk.size();) {
      int err = 0;
      const long n = proc::WriteOrWake(w.writeHandle, w.waker, chunk.data() + done, chunk.size() - done, err);
      if (n == proc::kWoken) return;
      std::lock_guard<std::mutex> g(w.lock);
      if (n < 0) {
        // The engine closed its input or has gone: end it, so that its
        // output ends and its end is reported.
        w.refused = true;
        w.queue.clear();
        w.unwritten = 0;
        proc::KillGroup(w.processId);
        return;
      }
      done += static_cast<size_t>(n);
      w.unwritten -= static_cast<size_t>(n);
    }
  }
}

size_t PipeWriterQueue(PipeWriterRec &w, const std::string &text) {
  std::lock_guard<std::mutex> g(w.lock);
  if (w.stopping || w.refused) return 0;
  w.queue += text;
  w.unwritten += text.size();
  w.queued.notify_one();
  return w.unwritten;
}

void PipeWriterStop(PipeWriterRec &w) {
  {
    std::lock_guard<std::mutex> g(w.lock);
    w.stopping = true;
    w.queue.clear();
    w.unwritten = 0;
  }
  w.queued.notify_all();
  w.waker.Wake();
  if (w.thread.joinable()) w.thread.join();
}

void ChildProcessFree(std::unique_ptr<ChildProcessRec> child, int graceMs) {
  if (!child) return;
  proc::Stop(child->processId, child->writeHandle, graceMs);
  proc::CloseFd(child->readHandle);
}
