#pragma once
// The engine as a child process: started with its standard input and output
// on pipes, written to line by line, its output read on a thread of its own
// and delivered line by line on the GUI thread. It knows nothing of chess.
#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>

#include "engine/PipeReader.h"

class ChildProcessT;

struct ChildProcessRec {
  pid_t processId = -1;
  int writeHandle = -1;  // the parent's end of the child's standard input
  int readHandle = -1;   // the parent's end of its output, until the reader takes it
};

struct TChessProgramState {
  std::unique_ptr<ChildProcessRec> child;  // none until started
  PipeReaderPtr reader;
  ChildProcessT *owner = nullptr;
  // A write failed: the engine has gone, and its end is on the way. Later
  // failures say nothing more.
  bool sendFailed = false;
};

class ChildProcessT {
 public:
  using LineEvent = std::function<void(ChildProcessT &sender, const std::string &line)>;
  using EndEvent = std::function<void(ChildProcessT &sender)>;

  // How long a stop waits for the engine before each harder step.
  static constexpr int kStopGraceMs = 500;

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
  // a chunk already queued. Closes its input and waits a moment, then ends
  // its process group and reaps it; then stops the reader. It sends nothing.
  void Destroy();
  // Writes text and LF; blocks while the engine's input pipe is full.
  void SendLine(const std::string &text);
  // Each line read, with its CR.
  void SetOnLine(LineEvent e) { onLine_ = std::move(e); }
  // Called once after the message that the engine's output ended or failed;
  // never for a Destroy.
  void SetOnEnd(EndEvent e) { onEnd_ = std::move(e); }
  // GUI thread: dispatches the chunk the reader handed over. Touches nothing
  // of a destroyed owner. Always true.
  static bool HandleInputMessage(const PipeReaderPtr &reader);

  const TChessProgramState &State() const { return state_; }

 private:
  friend void ProgramInputReceived(PipeReaderRec &, void *, const char *, int, int);
  void DeliverText(const char *text, int length);
  void DeliverEnd();

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
// Writes text; "SendToProgram failed!" unless all of it went, once per child.
void SendToProgram(const std::string &text, TChessProgramState &state);
// Writes all length bytes; answers them, or -1 with the error code.
long PipeWrite(ChildProcessRec &child, const char *text, size_t length, int &error);
// Ends the child and reaps it, and closes its handles.
void ChildProcessFree(std::unique_ptr<ChildProcessRec> child);
