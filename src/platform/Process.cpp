#include "platform/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
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

// Everything the child needs, made before the fork: after it the child
// may only make async-signal-safe calls.
struct ChildPlan {
  const char *path;
  char *const *argv;
  const char *dir;  // null: stay
  int stdinFd;
  int stdoutFd;
  int reportFd;  // close-on-exec; a failed step writes its errno here
  pid_t parent;
  int fdLimit;  // for closing by hand when close_range is missing
};

[[noreturn]] void ChildFail(const ChildPlan &p, int err) {
  [[maybe_unused]] ssize_t w = ::write(p.reportFd, &err, sizeof err);
  ::_exit(127);
}

[[noreturn]] void RunChild(const ChildPlan &p) {
  // The parent's handlers must not run here, nor survive as handlers after
  // the exec; signals stay blocked (the parent blocked them) until the exec.
  for (int sig = 1; sig < NSIG; ++sig) {
    struct sigaction old = {};
    if (::sigaction(sig, nullptr, &old) != 0) continue;
    if (sig == SIGPIPE || (old.sa_handler != SIG_DFL && old.sa_handler != SIG_IGN)) ::signal(sig, SIG_DFL);
  }
  // The engine ends with the thread that started it, also when that is
  // killed; if the parent went before the request took hold, end now.
  if (::prctl(PR_SET_PDEATHSIG, SIGKILL) != 0) ChildFail(p, errno);
  if (::getppid() != p.parent) ::_exit(127);
  if (::dup2(p.stdinFd, 0) < 0 || ::dup2(p.stdoutFd, 1) < 0 || ::dup2(p.stdoutFd, 2) < 0) ChildFail(p, errno);
  if (p.dir && ::chdir(p.dir) != 0) ChildFail(p, errno);
  // Every other descriptor goes at the exec, also those opened without
  // close-on-exec: a locked database file must not stay open inside the
  // engine. The report pipe stays until then.
  if (::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC) != 0) {
    for (int fd = 3; fd < p.fdLimit; ++fd) {
      if (fd != p.reportFd) ::close(fd);
    }
  }
  if (::setsid() < 0) ChildFail(p, errno);
  sigset_t none;
  sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  ::execve(p.path, p.argv, environ);
  ChildFail(p, errno);
}

// Forks and execs the plan's program; answers its pid, or -1 with err.
pid_t ForkExec(ChildPlan &plan, int &err) {
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) {
    err = errno;
    return -1;
  }
  plan.reportFd = report[1];
  plan.parent = ::getpid();
  sigset_t all;
  sigset_t old;
  sigfillset(&all);
  ::pthread_sigmask(SIG_SETMASK, &all, &old);
  const pid_t pid = ::fork();
  if (pid == 0) RunChild(plan);
  err = pid < 0 ? errno : 0;
  ::pthread_sigmask(SIG_SETMASK, &old, nullptr);
  ::close(report[1]);
  if (pid > 0) {
    // The exec closes the pipe; a failed step sends its errno first.
    int childErr = 0;
    ssize_t n;
    while ((n = ::read(report[0], &childErr, sizeof childErr)) < 0 && errno == EINTR) {
    }
    if (n == static_cast<ssize_t>(sizeof childErr)) {
      while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
      }
      err = childErr;
    }
  }
  ::close(report[0]);
  return err == 0 ? pid : -1;
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
  std::string path = program;
  char *argv[] = {path.data(), nullptr};
  struct rlimit lim = {};
  const int fdLimit =
      ::getrlimit(RLIMIT_NOFILE, &lim) == 0 && lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < 65536
          ? static_cast<int>(lim.rlim_cur)
          : 65536;
  ChildPlan plan{path.c_str(), argv, dir.empty() ? nullptr : dir.c_str(), in[0], outPipe[1], -1, 0, fdLimit};
  const pid_t pid = ForkExec(plan, err);
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
