// A scripted stand-in for a chess engine. Its script comes from the
// environment variable TV_FAKE_SCRIPT: operations separated by ';', texts
// with the escapes \r \n \\ \; and \xHH. What it receives goes to the log
// file its script names, never to stdout or stderr: those share the pipe the
// test reads, and nothing drains it while the test is writing.
//   log:PATH   log what arrives on stdin to PATH
//   w:TEXT     one write of TEXT
//   p:MS       pause
//   big:N      one write of N bytes 'a'..'z' without a line end
//   echo       read lines until EOF, answering "got LINE\n" to each
//   eof        read everything until EOF
//   slow:MS    read until EOF, 4096 bytes at a time with a pause between
//   flood      write numbered lines without end
//   fds        write "fd N" per open descriptor, "cwd PATH", and "sigpipe
//              default" or "sigpipe changed"
//   hang       ignore SIGTERM, read nothing, sleep for ever
//   noterm     ignore SIGTERM from here on
//   exit:N     exit with code N
//   abort      crash
// The end of the script exits with code 0.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

int g_log = -1;

void WriteOut(const std::string &s) {
  size_t done = 0;
  while (done < s.size()) {
    ssize_t w = ::write(1, s.data() + done, s.size() - done);
    if (w <= 0) ::_exit(3);
    done += static_cast<size_t>(w);
  }
}

void Log(const char *p, size_t n) {
  if (g_log >= 0 && ::write(g_log, p, n) < 0) ::_exit(4);
}

void Pause(long ms) { ::usleep(static_cast<useconds_t>(ms) * 1000); }

std::string Unescape(const std::string &s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    if (c == 'r') out += '\r';
    else if (c == 'n') out += '\n';
    else if (c == 'x' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else out += c;
  }
  return out;
}

// Splits at ';' not escaped by a backslash.
std::vector<std::string> SplitOps(const std::string &script) {
  std::vector<std::string> ops(1);
  for (size_t i = 0; i < script.size(); ++i) {
    if (script[i] == '\\' && i + 1 < script.size()) {
      ops.back() += script[i];
      ops.back() += script[++i];
    } else if (script[i] == ';') {
      ops.emplace_back();
    } else {
      ops.back() += script[i];
    }
  }
  return ops;
}

void ReadToEof(long pauseMs, size_t chunk) {
  std::vector<char> buf(chunk);
  for (;;) {
    ssize_t n = ::read(0, buf.data(), buf.size());
    if (n <= 0) return;
    Log(buf.data(), static_cast<size_t>(n));
    if (pauseMs > 0) Pause(pauseMs);
  }
}

void Echo() {
  std::string line;
  char c;
  while (::read(0, &c, 1) == 1) {
    Log(&c, 1);
    if (c != '\n') {
      line += c;
      continue;
    }
    WriteOut("got " + line + "\n");
    line.clear();
  }
}

void ListFds() {
  DIR *d = ::opendir("/proc/self/fd");
  if (!d) ::_exit(5);
  std::string out;
  while (dirent *e = ::readdir(d)) {
    if (e->d_name[0] == '.') continue;
    int fd = std::atoi(e->d_name);
    if (fd == ::dirfd(d)) continue;  // the listing's own
    out += "fd " + std::to_string(fd) + "\n";
  }
  ::closedir(d);
  char cwd[4096];
  if (!::getcwd(cwd, sizeof cwd)) ::_exit(6);
  struct sigaction sa = {};
  ::sigaction(SIGPIPE, nullptr, &sa);
  WriteOut(out + "cwd " + cwd + "\nsigpipe " + (sa.sa_handler == SIG_DFL ? "default" : "changed") + "\n");
}

}  // namespace

int main() {
  const char *script = std::getenv("TV_FAKE_SCRIPT");
  if (!script) return 2;
  for (const std::string &op : SplitOps(script)) {
    std::string arg;
    size_t colon = op.find(':');
    std::string name = op.substr(0, colon);
    if (colon != std::string::npos) arg = op.substr(colon + 1);
    if (name == "log") {
      g_log = ::open(arg.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
      if (g_log < 0) return 7;
    } else if (name == "w") {
      WriteOut(Unescape(arg));
    } else if (name == "p") {
      Pause(std::atol(arg.c_str()));
    } else if (name == "big") {
      std::string s;
      for (long i = 0, n = std::atol(arg.c_str()); i < n; ++i) s += static_cast<char>('a' + i % 26);
      WriteOut(s);
    } else if (name == "echo") {
      Echo();
    } else if (name == "eof") {
      ReadToEof(0, 65536);
    } else if (name == "slow") {
      ReadToEof(std::atol(arg.c_str()), 4096);
    } else if (name == "flood") {
      for (long i = 0;; ++i) WriteOut("flood " + std::to_string(i) + "\n");
    } else if (name == "fds") {
      ListFds();
    } else if (name == "noterm") {
      ::signal(SIGTERM, SIG_IGN);
    } else if (name == "hang") {
      ::signal(SIGTERM, SIG_IGN);
      for (;;) ::pause();
    } else if (name == "exit") {
      ::_exit(std::atoi(arg.c_str()));
    } else if (name == "abort") {
      rlimit none = {0, 0};
      ::setrlimit(RLIMIT_CORE, &none);
      std::abort();
    } else if (!name.empty()) {
      return 8;
    }
  }
  return 0;
}
