#pragma once
// Child programs talking through pipes: start without a shell, read, write,
// end and reap. The callers are the engine's child process and its reader.
#include <sys/types.h>

#include <cstddef>
#include <string>

namespace proc {

// A started child: its process id (also the id of its process group) and
// the parent's ends of its pipes.
struct ChildHandles {
  pid_t pid = -1;
  int toChild = -1;    // the child's standard input
  int fromChild = -1;  // the child's standard output and standard error
};

// Ignores SIGPIPE for the whole process, once: a write to a child that has
// gone then fails with EPIPE instead of ending the program.
void IgnoreSigPipe();

// Runs program directly (no shell, no arguments, the parent's environment)
// in dir, with standard input from one pipe and standard output and error
// into the other, in a session of its own, SIGPIPE at its default and no
// descriptor but those three. The child gets SIGKILL when the calling thread
// ends, a kill of the program included: call it from the thread that lives
// as long as the program (the GUI thread). Answers 0 or the system error
// code (a failed exec included); on failure nothing is left open or running.
int Start(const std::string &program, const std::string &dir, ChildHandles &out);

// Makes fd nonblocking; answers 0 or the error code.
int SetNonBlocking(int fd);

// Wakes a thread that waits in ReadOrWake; once woken it stays woken.
class Waker {
 public:
  Waker();
  ~Waker();
  Waker(const Waker &) = delete;
  Waker &operator=(const Waker &) = delete;
  // 0, or the error code of the failed creation.
  int Error() const { return err_; }
  void Wake();
  int Fd() const { return fd_; }

 private:
  int fd_ = -1;
  int err_ = 0;
};

constexpr long kWoken = -2;
// Waits until fd has data or the waker is woken, then reads up to n bytes.
// Answers the count, 0 at the end of the output, -1 on an error (err holds
// the code), or kWoken.
long ReadOrWake(int fd, const Waker &waker, void *buf, size_t n, int &err);
// Waits until the nonblocking fd takes more or the waker is woken, then
// writes what it takes of the n bytes. Answers the count written (> 0), -1
// on an error (err holds the code), or kWoken.
long WriteOrWake(int fd, const Waker &waker, const void *data, size_t n, int &err);

// Sends SIGKILL to the child's process group; the child stays unreaped.
void KillGroup(pid_t pid);

// Waits up to ms milliseconds for the child to exit; true when it has. The
// child is not reaped, so its id still names it and its group.
bool WaitExited(pid_t pid, int ms);

// Ends a child: closes its standard input and waits up to graceMs; then
// SIGTERM to its process group and up to graceMs more; then SIGKILL to the
// group (which also ends what the child left running in it); and reaps the
// child. Clears pid and toChild.
void Stop(pid_t &pid, int &toChild, int graceMs);

// Closes fd when open and sets it to -1.
void CloseFd(int &fd);

// The cores beside the calling thread's, at most most: the workers a bulk
// job may start. 0 on one core.
unsigned SpareCores(unsigned most);

}  // namespace proc
