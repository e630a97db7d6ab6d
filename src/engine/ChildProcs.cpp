#include "engine/ChildProcs.h"

#include "platform/Dirs.h"
#include "platform/UiHooks.h"

ChildProcessT::ChildProcessT() { state_.owner = this; }

ChildProcessT::~ChildProcessT() { Destroy(); }

int ChildProcessT::Create(InputDispatcherI &window, const std::string &workDir, const std::string &commandLine) {
  Destroy();
  std::unique_ptr<ChildProcessRec> child;
  int err = ChildProcessStart(commandLine, workDir, child);
  if (err != 0) return err;
  PipeReaderPtr reader;
  err = PipeReaderCreate(window, *child, &state_, ProgramInputReceived, reader);
  if (err != 0) {
    ChildProcessFree(std::move(child));
    return err;
  }
  state_.child = std::move(child);
  state_.reader = std::move(reader);
  state_.sendFailed = false;
  return 0;
}

void ChildProcessT::Destroy() {
  PipeReaderPtr reader = std::move(state_.reader);
  // First, so that a chunk dispatched from here on finds the owner gone.
  if (reader) reader->closing = true;
  if (state_.child) ChildProcessFree(std::move(state_.child));
  if (reader) {
    PipeReaderClose(*reader);
    if (reader->thread.joinable()) reader->thread.join();
  }
}

void ChildProcessT::SendLine(const std::string &text) { SendToProgram(text + "\n", state_); }

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
  ui::ShowMessage(length == 0 ? "Error: chess program exited unexpectedly" : "Error reading from chess program");
  // The message's event loop may have destroyed the owner.
  if (reader.closing) return;
  PipeReaderClose(reader);
  state.owner->DeliverEnd();
}

void SendToProgram(const std::string &text, TChessProgramState &state) {
  if (!state.child) return;
  int err = 0;
  long written = PipeWrite(*state.child, text.data(), text.size(), err);
  if (written >= static_cast<long>(text.size()) || state.sendFailed) return;
  state.sendFailed = true;
  ui::ShowMessage("SendToProgram failed!");
}

long PipeWrite(ChildProcessRec &child, const char *text, size_t length, int &error) {
  size_t done = proc::WriteAll(child.writeHandle, text, length, error);
  return error != 0 ? -1 : static_cast<long>(done);
}

void ChildProcessFree(std::unique_ptr<ChildProcessRec> child) {
  if (!child) return;
  proc::Stop(child->processId, child->writeHandle, ChildProcessT::kStopGraceMs);
  proc::CloseFd(child->readHandle);
}
