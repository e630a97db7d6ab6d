#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <mutex>
#include <thread>

extern char **environ;

namespace proc {

namespace {

// Moves fd above the standard descriptors, so that handing the pipes to the
// child's 0, 1 and 2 never overwrites one of them.
int LiftFd(int &fd) {
  if (fd >= 3) return 0;
  int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  if (moved < 0) return errno;
  ::close(fd);
  fd = moved;
  return 0;
}

int MakePipe(int fds[2]) {
  if (::pipe2(fds, O_CLOEXEC) != 0) return errno;
  int err = LiftFd(fds[0]);
  if (err == 0) err = LiftFd(fds[1]);
  if (err != 0) {
    ::close(fds[0]);
    ::close(fds[1]);
  }
  return err;
}

// The spawn's file actions and attributes, released however the start ends.
struct SpawnSetup {
  posix_spawn_file_actions_t actions;
  posix_spawnattr_t attr;
  bool haveActions = false;
  bool haveAttr = false;
  ~SpawnSetup() {
    if (haveActions) posix_spawn_file_actions_destroy(&actions);
    if (haveAttr) posix_spawnattr_destroy(&attr);
  }
};

int Prepare(SpawnSetup &s, int stdinFd, int stdoutFd, const std::string &dir) {
  int rc = posix_spawn_file_actions_init(&s.actions);
  if (rc != 0) return rc;
  s.haveActions = true;
  if ((rc = posix_spawn_file_actions_adddup2(&s.actions, stdinFd, 0)) != 0) return rc;
  if ((rc = posix_spawn_file_actions_adddup2(&s.actions, stdoutFd, 1)) != 0) return rc;
  if ((rc = posix_spawn_file_actions_adddup2(&s.actions, stdoutFd, 2)) != 0) return rc;
  if (!dir.empty() && (rc = posix_spawn_file_actions_addchdir_np(&s.actions, dir.c_str())) != 0) return rc;
  // Every other descriptor goes, also those opened without close-on-exec:
  // a locked database file must not stay open inside the engine.
  if ((rc = posix_spawn_file_actions_addclosefrom_np(&s.actions, 3)) != 0) return rc;

  if ((rc = posix_spawnattr_init(&s.attr)) != 0) return rc;
  s.haveAttr = true;
  // Exec keeps ignored signals ignored: give the engine back its SIGPIPE.
  sigset_t def;
  sigemptyset(&def);
  sigaddset(&def, SIGPIPE);
  sigset_t none;
  sigemptyset(&none);
  if ((rc = posix_spawnattr_setsigdefault(&s.attr, &def)) != 0) return rc;
  if ((rc = posix_spawnattr_setsigmask(&s.attr, &none)) != 0) return rc;
  return posix_spawnattr_setflags(&s.attr, POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
}

}  // namespace

void IgnoreSigPipe() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction sa = {};
    sa.sa_handler = SIG_IGN;
    sigemptyset(&sa.sa_mask);
    ::sigaction(SIGPIPE, &sa, nullptr);
  });
}

int Start(const std::string &program, const std::string &dir, ChildHandles &out) {
  IgnoreSigPipe();
  int in[2];
  int outPipe[2];
  int err = MakePipe(in);
  if (err != 0) return err;
  err = MakePipe(outPipe);
  if (err != 0) {
    ::close(in[0]);
    ::close(in[1]);
    return err;
  }
  pid_t pid = -1;
  {
    SpawnSetup setup;
    err = Prepare(setup, in[0], outPipe[1], dir);
    if (err == 0) {
      std::string path = program;
      char *argv[] = {path.data(), nullptr};
      // A failed exec comes back here as the result, its child reaped.
      err = posix_spawn(&pid, path.c_str(), &setup.actions, &setup.attr, argv, environ);
    }
  }
  // The child's ends: only the child holds them now, so its exit ends our read.
  ::close(in[0]);
  ::close(outPipe[1]);
  if (err != 0) {
    ::close(in[1]);
    ::close(outPipe[0]);
    return err;
  }
  out.pid = pid;
  out.toChild = in[1];
  out.fromChild = outPipe[0];
  return 0;
}

int SetNonBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0) return errno;
  return 0;
}

Waker::Waker() {
  fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (fd_ < 0) err_ = errno;
}

Waker::~Waker() { CloseFd(fd_); }

void Waker::Wake() {
  if (fd_ < 0) return;
  uint64_t one = 1;
  // Nonblocking: a counter already high enough means it is woken anyway.
  [[maybe_unused]] ssize_t w = ::write(fd_, &one, sizeof one);
}

namespace {

// Waits until fd has the events or the waker is woken, then runs io once
// (again after EINTR or EAGAIN). Answers io's count, -1 with err, or kWoken.
template <class Io>
long WaitThen(int fd, short events, const Waker &waker, int &err, Io io) {
  err = 0;
  for (;;) {
    pollfd p[2] = {{fd, events, 0}, {waker.Fd(), POLLIN, 0}};
    int r = ::poll(p, 2, -1);
    if (r < 0) {
      if (errno == EINTR) continue;
      err = errno;
      return -1;
    }
    if (p[1].revents != 0) return kWoken;
    if (p[0].revents & POLLNVAL) {
      err = EBADF;
      return -1;
    }
    if (p[0].revents == 0) continue;
    const ssize_t done = io();
    if (done < 0) {
      if (errno == EINTR || errno == EAGAIN) continue;
      err = errno;
      return -1;
    }
    return static_cast<long>(done);
  }
}

}  // namespace

long ReadOrWake(int fd, const Waker &waker, void *buf, size_t n, int &err) {
  return WaitThen(fd, POLLIN, waker, err, [&] { return ::read(fd, buf, n); });
}

long WriteOrWake(int fd, const Waker &waker, const void *data, size_t n, int &err) {
  // POLLERR: the reader has gone, and the write says so with EPIPE. A pipe
  // that polls writable takes at least one byte of a nonblocking write.
  return WaitThen(fd, POLLOUT, waker, err, [&] { return ::write(fd, data, n); });
}

void KillGroup(pid_t pid) {
  if (pid > 0) ::kill(-pid, SIGKILL);
}

bool WaitExited(pid_t pid, int ms) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    siginfo_t info = {};
    int rc = ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT);
    if (rc == 0 && info.si_pid == pid) return true;
    if (rc < 0 && errno == ECHILD) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void Stop(pid_t &pid, int &toChild, int graceMs) {
  CloseFd(toChild);
  if (pid <= 0) return;
  // Until it is reaped the child's id cannot be reused, so signalling its
  // group here reaches nothing else.
  if (!WaitExited(pid, graceMs)) {
    ::kill(-pid, SIGTERM);
    WaitExited(pid, graceMs);
  }
  ::kill(-pid, SIGKILL);
  while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  pid = -1;
}

void CloseFd(int &fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

unsigned SpareCores(unsigned most) {
  const unsigned cores = std::thread::hardware_concurrency();
  return cores <= 1 ? 0 : std::min(cores - 1, most);
}

}  // namespace proc
