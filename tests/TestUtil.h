#pragma once
// Shared helpers for tests: scratch directories and the program directory.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/UiHooks.h"

namespace testutil {

// A fresh directory removed at the end of the test.
class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tvtestXXXXXX").string();
    char *p = ::mkdtemp(tmpl.data());
    path_ = p ? std::string(p) + "/" : std::string();
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir &) = delete;
  TempDir &operator=(const TempDir &) = delete;
  const std::string &Path() const { return path_; }
  std::string File(const std::string &name) const { return path_ + name; }
  void Write(const std::string &name, const std::string &bytes) const {
    std::ofstream(path_ + name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string &name) const {
    std::string s;
    files::ReadAll(path_ + name, s);
    return s;
  }

 private:
  std::string path_;
};

// Sets an environment variable for the guard's lifetime, then restores it.
class EnvGuard {
 public:
  EnvGuard(const char *name, const std::string &value) : name_(name) {
    const char *old = std::getenv(name);
    had_ = old != nullptr;
    if (old) old_ = old;
    ::setenv(name, value.c_str(), 1);
  }
  ~EnvGuard() {
    if (had_)
      ::setenv(name_.c_str(), old_.c_str(), 1);
    else
      ::unsetenv(name_.c_str());
  }
  EnvGuard(const EnvGuard &) = delete;
  EnvGuard &operator=(const EnvGuard &) = delete;

 private:
  std::string name_;
  bool had_ = false;
  std::string old_;
};

// Points the program directory at a scratch folder for the guard's lifetime.
class AppDirGuard : public EnvGuard {
 public:
  explicit AppDirGuard(const std::string &dir) : EnvGuard("TORVANEL_APPDIR", dir) {}
};

// Records every message shown through the UI hooks while it lives.
class MessageRecorder {
 public:
  MessageRecorder() {
    ui::Hooks h;
    h.showMessage = [this](const std::string &text) { messages.push_back(text); };
    old_ = ui::InstallHooks(h);
  }
  ~MessageRecorder() { ui::InstallHooks(old_); }
  MessageRecorder(const MessageRecorder &) = delete;
  MessageRecorder &operator=(const MessageRecorder &) = delete;
  std::vector<std::string> messages;
  // The messages without the line a storage failure adds (the file's path
  // and the reason), for tests about the store's own texts.
  std::vector<std::string> FirstLines() const {
    std::vector<std::string> v;
    for (const std::string &m : messages) v.push_back(m.substr(0, m.find('\n')));
    return v;
  }

 private:
  ui::Hooks old_;
};

// Every test program keeps what the program writes under the user's XDG
// folders (the working sets of the PGN files it opens, recovery files and
// settings it cannot put in the program directory, registrations) in a
// scratch folder of its own, never in the user's: set before any test
// runs, removed at the program's end. TMPDIR too, since each start looks
// there for sets of earlier builds. A test that looks at those files
// points the variable at its own folder.
class XdgHomeForTests {
 public:
  XdgHomeForTests()
      : state_("XDG_STATE_HOME", dir_.Path() + "state"),
        config_("XDG_CONFIG_HOME", dir_.Path() + "config"),
        data_("XDG_DATA_HOME", dir_.Path() + "data"),
        tmp_("TMPDIR", MadeDir(dir_.Path() + "tmp")) {}

 private:
  static std::string MadeDir(const std::string &path) {
    ::mkdir(path.c_str(), 0700);
    return path;
  }
  TempDir dir_;
  EnvGuard state_, config_, data_, tmp_;
};
inline const XdgHomeForTests xdgHomeForTests;

// The repository's data folder (shipped ini files).
inline std::string DataDir() {
  const char *d = std::getenv("TORVANEL_DATADIR");
#ifdef TV_SOURCE_DIR
  return d ? files::IncludeTrailingSlash(d) : std::string(TV_SOURCE_DIR "/data/");
#else
  return d ? files::IncludeTrailingSlash(d) : std::string("data/");
#endif
}

}  // namespace testutil
