#include "platform/Dirs.h"

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "platform/Files.h"

namespace {
// The running program's path; empty when it cannot be learnt.
std::string ExePath() {
  std::vector<char> buf(4096);
  ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}
}  // namespace

namespace dirs {

std::string GetAppDir() {
  if (const char *e = std::getenv("TORVANEL_APPDIR"); e && *e) return files::IncludeTrailingSlash(e);
  const std::string exe = ExePath();
  return exe.empty() ? "./" : files::ExtractFileDir(exe);
}

std::string GetAppBaseName() {
  const std::string exe = ExePath();
  if (exe.empty()) return "torvanel";
  return files::ChangeFileExt(files::ExtractFileName(exe), "");
}

std::string GetWritableDir() {
  std::string app = GetAppDir();
  if (::access(app.c_str(), W_OK) == 0) return app;
  std::string base;
  if (const char *x = std::getenv("XDG_CONFIG_HOME"); x && *x)
    base = files::IncludeTrailingSlash(x);
  else
    base = GetHomeDir() + ".config/";
  std::string dir = base + "torvanel/";
  files::MakeDirs(dir.substr(0, dir.size() - 1));
  return dir;
}

std::string GetStateDir() {
  std::string base;
  if (const char *x = std::getenv("XDG_STATE_HOME"); x && *x == '/')
    base = files::IncludeTrailingSlash(x);
  else
    base = GetHomeDir() + ".local/state/";
  const std::string dir = base + "torvanel";
  // The working sets hold the user's games: this user's alone.
  if (!files::MakeDirs(dir, 0700) || !files::DirExists(dir)) return std::string();
  return dir + "/";
}

std::string AppFile(const std::string &name) {
  std::string dir = GetAppDir();
  std::string found = files::FindCaseInsensitive(dir, name);
  return found.empty() ? dir + name : found;
}

std::string GetTempDir() {
  const char *t = std::getenv("TMPDIR");
  return files::IncludeTrailingSlash(t && *t ? t : "/tmp");
}

std::string MakeTempFile(const std::string &prefix) {
  std::string tmpl = GetTempDir() + prefix + "XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  int fd = ::mkstemp(buf.data());
  if (fd < 0) return {};
  ::close(fd);
  return std::string(buf.data());
}

std::string MakeTempDir(const std::string &prefix, const std::string &parent) {
  std::string tmpl =
      (parent.empty() ? GetTempDir() : files::IncludeTrailingSlash(parent)) + prefix + "XXXXXX";
  std::vector<char> buf(tmpl.begin(), tmpl.end());
  buf.push_back('\0');
  if (::mkdtemp(buf.data()) == nullptr) return {};
  return std::string(buf.data()) + "/";
}

std::string GetHomeDir() {
  const char *h = std::getenv("HOME");
  return files::IncludeTrailingSlash(h && *h ? h : "/");
}

uint64_t TickCount() {
  using namespace std::chrono;
  return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace dirs
