#pragma once
// The engine as a child process: started with its standard input and output
// on pipes, its input written by a thread of its own from a queue, its
// output read on another and delivered line by line on the GUI thread. The
// GUI thread never waits on the engine. It knows nothing of chess.
#include <sys/types.h>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/PipeReader.h"

class ChildProcessT;

struct ChildProcessRec {
  pid_t processId = -1;
  int writeHandle = -1;  // the parent's end of the child's standard input
  int readHandle = -1;   // the parent's end of its output, until the reader takes it
};

// The engine's input: text queued on the GUI thread and written by the
// writer thread whenever the pipe takes more.
struct PipeWriterRec {
  int writeHandle = -1;  // nonblocking; the child's record owns it
  pid_t processId = -1;  // its group is ended when a write is refused
  std::thread thread;
  std::mutex lock;
  std::condition_variable queued;
  std::string queue;      // not yet taken by the thread
  size_t unwritten = 0;   // the queue and what the thread has yet to write
  bool stopping = false;  // the thread leaves; nothing more is queued
  bool refused = false;   // a write failed; nothing more is queued
  proc::Waker waker;      // interrupts a wait for room in the pipe
};

struct TChessProgramState {
  std::unique_ptr<ChildProcessRec> child;  // none until started and after its end
  PipeReaderPtr reader;
  std::unique_ptr<PipeWriterRec> writer;
  ChildProcessT *owner = nullptr;
  // The input queue passed its limit: the engine was ended, and its end
  // says that it did not respond.
  bool notResponding = false;
};

class ChildProcessT {
 public:
  using LineEvent = std::function<void(ChildProcessT &sender, const std::string &line)>;
  using EndEvent = std::function<void(ChildProcessT &sender)>;

  // How long a stop waits for the engine before each harder step.
  static constexpr int kStopGraceMs = 500;
  // Input the engine has not read past this: it does not respond.
  static constexpr size_t kMaxUnwritten = size_t{1} << 20;

  ChildProcessT();
  // Destroys the child first.
  ~ChildProcessT();
  ChildProcessT(const ChildProcessT &) = delete;
  ChildProcessT &operator=(const ChildProcessT &) = delete;

  // Starts commandLine (a program's path, run directly, with no arguments)
  // in workDir (empty means the program directory, a relative one is taken
  // from it), then its reader, which hands chunks to window. Answers 0 or
  // the system error code; a failed start shows nothing and starts no reader.
  int Create(InputDispatcherI &window, const std::string &workDir, const std::string &commandLine);
  // Stops the engine: no line, message or end event follows, not even from
  // a chunk already queued. Drops the input not yet written, closes its
  // input and waits a moment, then ends its process group and reaps it;
  // then stops the reader. It sends nothing.
  void Destroy();
  // Queues text and LF and returns at once. Past kMaxUnwritten bytes not
  // yet read the engine is ended, and its end reports it as not responding.
  // Dropped after the engine's end.
  void SendLine(const std::string &text);
  // Bytes queued and not yet taken by the engine's pipe.
  size_t Unwritten();
  // Each line read, with its CR; a line the reader cut comes without one.
  void SetOnLine(LineEvent e) { onLine_ = std::move(e); }
  // Called once after the one message that the engine has ended: its output
  // ended or failed, a write to it was refused (which ends it), or it did not
  // respond. The engine is reaped by then. Never for a Destroy.
  void SetOnEnd(EndEvent e) { onEnd_ = std::move(e); }
  // GUI thread: dispatches the chunk the reader handed over. Touches nothing
  // of a destroyed owner. Always true.
  static bool HandleInputMessage(const PipeReaderPtr &reader);

  const TChessProgramState &State() const { return state_; }

 private:
  friend void ProgramInputReceived(PipeReaderRec &, void *, const char *, int, int);
  void DeliverText(const char *text, int length);
  void DeliverEnd();
  // Stops the writer, ends what is left of the engine at once and reaps it.
  void Reap();

  LineEvent onLine_;
  EndEvent onEnd_;
  TChessProgramState state_;
};

// Starts the program; answers 0 or the system error code, and the record
// only on success.
int ChildProcessStart(const std::string &commandLine, const std::string &workDir,
                      std::unique_ptr<ChildProcessRec> &out);
// The reader's callback for a ChildProcessT (closure: its state).
void ProgramInputReceived(PipeReaderRec &reader, void *closure, const char *text, int error, int length);
// Queues text for the child; past the limit ends it as not responding.
void SendToProgram(const std::string &text, TChessProgramState &state);
// Starts the writer of child's input; 0 or the error code.
int PipeWriterCreate(ChildProcessRec &child, std::unique_ptr<PipeWriterRec> &out);
// The thread: takes the queue and writes it as the pipe takes it. A refused
// write ends the child's process group, so that its output ends too.
void PipeWriterThread(PipeWriterRec &writer);
// Adds text; answers the bytes unwritten after it, 0 when writes are over.
size_t PipeWriterQueue(PipeWriterRec &writer, const std::string &text);
// Drops the queue and joins the thread.
void PipeWriterStop(PipeWriterRec &writer);
// Ends the child (graceMs before each harder step) and reaps it, and
// closes its handles.
void ChildProcessFree(std::unique_ptr<ChildProcessRec> child, int graceMs = ChildProcessT::kStopGraceMs);
