#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <locale.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>
#include <map>
#include <random>

#include "platform/Win1252.h"

namespace {
FileFault *g_fault = nullptr;  // the innermost live seam, or none

// Whether the seam fails this call; err gets its code.
inline bool Injected(FileFault::Op op, int &err, bool *tear = nullptr) {
  if (g_fault == nullptr) return false;
  if (!g_fault->Hit(op, tear)) return false;
  err = g_fault->Err();
  return true;
}
}  // namespace

FileFault::FileFault(Op op, int nth, int err, bool shortWrite)
    : op_(op), nth_(nth), err_(err), shortWrite_(shortWrite), prev_(g_fault) {
  g_fault = this;
}

FileFault::~FileFault() { g_fault = prev_; }

namespace {
SyncRecorder *g_syncs = nullptr;

void CountSync(bool folder, const std::string &path) {
  if (g_syncs) g_syncs->Count(folder, path);
}
}  // namespace

SyncRecorder::SyncRecorder() : prev_(g_syncs) { g_syncs = this; }

SyncRecorder::~SyncRecorder() { g_syncs = prev_; }

void SyncRecorder::Count(bool folder, const std::string &path) {
  std::lock_guard<std::mutex> g(lock_);
  syncs_.emplace_back(path, folder);
}

int SyncRecorder::Counted(bool folder, const std::string *path) const {
  std::lock_guard<std::mutex> g(lock_);
  return static_cast<int>(std::count_if(syncs_.begin(), syncs_.end(), [&](const auto &s) {
    return s.second == folder && (!path || s.first == *path);
  }));
}

int SyncRecorder::FileSyncs(const std::string &path) const { return Counted(false, &path); }
int SyncRecorder::FolderSyncs(const std::string &dir) const { return Counted(true, &dir); }
int SyncRecorder::AllFileSyncs() const { return Counted(false, nullptr); }
int SyncRecorder::AllFolderSyncs() const { return Counted(true, nullptr); }

void SyncRecorder::Clear() {
  std::lock_guard<std::mutex> g(lock_);
  syncs_.clear();
}

bool FileFault::Hit(Op op, bool *tear) {
  if (op != op_) return false;
  const int k = seen_.fetch_add(1) + 1;
  if (onward_ ? k < nth_ : k != nth_) return false;
  fired_.store(true);
  if (tear) *tear = shortWrite_ && k == nth_;
  return true;
}

// The bytes an enrolled file holds back: disjoint runs by their start
// offset; only a long run's successor touches it.
struct BinFile::Waiting {
  // What a run costs beside its bytes, so many small runs count too.
  static constexpr uint64_t kRunCost = 64;
  // Past this size an append starts a run of its own (which may touch).
  static constexpr size_t kLongRun = 1 << 20;
  std::map<uint64_t, std::vector<uint8_t>> runs;
  uint64_t bytes = 0;
  uint64_t disk = 0;  // the file's size on disk, known while runs wait
};

BinFile::BinFile() = default;

BinFile::~BinFile() {
  Close();
  if (batch_) {
    auto &fs = batch_->files_;
    fs.erase(std::remove_if(fs.begin(), fs.end(), [&](const WriteBehind::Member &m) { return m.file == this; }),
             fs.end());
  }
}

BinFile::BinFile(BinFile &&o) noexcept
    : fd_(o.fd_),
      err_(o.err_),
      unsynced_(o.unsynced_),
      created_(o.created_),
      pos_(o.pos_),
      path_(std::move(o.path_)) {
  o.fd_ = -1;
  o.unsynced_ = o.created_ = false;
}

BinFile &BinFile::operator=(BinFile &&o) noexcept {
  if (this != &o) {
    Close();
    fd_ = o.fd_;
    err_ = o.err_;
    unsynced_ = o.unsynced_;
    created_ = o.created_;
    pos_ = o.pos_;
    path_ = std::move(o.path_);
    o.fd_ = -1;
    o.unsynced_ = o.created_ = false;
  }
  return *this;
}

bool BinFile::Open(const std::string &path, Mode mode, bool exclusive) {
  Close();
  path_ = path;
  if (Injected(FileFault::Op::Open, err_)) return false;
  // A FIFO must not block the open: it is refused below like any entry that
  // is not a regular file.
  int flags = O_CLOEXEC | O_NONBLOCK;
  switch (mode) {
    case Mode::Read:
      flags |= O_RDONLY;
      break;
    case Mode::ReadWrite:
      flags |= O_RDWR;
      break;
    case Mode::Create:
    case Mode::OpenAlways:
      flags |= O_RDWR | O_CREAT;
      break;
    case Mode::CreateNew:
      flags |= O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW;
      break;
  }
  // Whether the open makes the file: its folder then needs a sync too.
  struct stat before;
  const bool making = (flags & O_CREAT) != 0 && ::lstat(path.c_str(), &before) != 0 && errno == ENOENT;
  int fd = ::open(path.c_str(), flags, 0644);
  if (fd < 0) {
    err_ = errno;
    return false;
  }
  // st is read only when fstat filled it.
  struct stat st;
  int statErr = ::fstat(fd, &st) != 0 ? errno : 0;
  if (statErr == 0 && !S_ISREG(st.st_mode)) statErr = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
  if (statErr == 0 && ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) statErr = errno;
  if (statErr != 0) {
    err_ = statErr;
    ::close(fd);
    return false;
  }
  if (exclusive && ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    err_ = errno == EWOULDBLOCK ? EBUSY : errno;
    ::close(fd);
    return false;
  }
  // Truncate only once the lock is ours, so a refused open destroys nothing.
  if (mode == Mode::Create && ::ftruncate(fd, 0) != 0) {
    err_ = errno;
    ::close(fd);
    return false;
  }
  fd_ = fd;
  pos_ = 0;
  err_ = 0;
  created_ = making;
  unsynced_ = mode == Mode::Create;  // cut to nothing
  return true;
}

void BinFile::Close() {
  DropWaiting();
  if (fd_ >= 0) {
    ::close(fd_);  // also drops the lock
    fd_ = -1;
  }
  unsynced_ = created_ = false;
}

void BinFile::DropWaiting() {
  if (!waiting_) return;
  waiting_.reset();
}

uint64_t BinFile::WaitingBytes() const { return waiting_ ? waiting_->bytes : 0; }

bool BinFile::ReadAt(uint64_t off, void *buf, size_t n) {
  if (fd_ < 0) {
    err_ = EBADF;
    return false;
  }
  return waiting_ ? ReadThrough(off, buf, n) : RawReadAt(off, buf, n);
}

// The disk's bytes with the waiting runs laid over them; past the disk's
// end what no run covers is the zeros a write there would leave.
bool BinFile::ReadThrough(uint64_t off, void *buf, size_t n) {
  auto &runs = waiting_->runs;
  uint8_t *out = static_cast<uint8_t *>(buf);
  const uint64_t end = off + n;
  auto it = runs.upper_bound(off);
  if (it != runs.begin()) {
    const auto &prev = *std::prev(it);
    if (prev.first + prev.second.size() >= end) {
      std::memcpy(out, prev.second.data() + (off - prev.first), n);
      return true;
    }
  }
  const auto &last = *runs.rbegin();
  const uint64_t disk = waiting_->disk;
  if (end > std::max<uint64_t>(disk, last.first + last.second.size())) {
    err_ = EIO;  // a short read, as from the disk
    return false;
  }
  if (off < disk && !RawReadAt(off, out, static_cast<size_t>(std::min(end, disk) - off))) return false;
  if (end > disk) {
    const uint64_t from = std::max(off, disk);
    std::memset(out + (from - off), 0, static_cast<size_t>(end - from));
  }
  if (it != runs.begin()) --it;
  for (; it != runs.end() && it->first < end; ++it) {
    const uint64_t a = std::max(off, it->first), b = std::min(end, it->first + it->second.size());
    if (a < b) std::memcpy(out + (a - off), it->second.data() + (a - it->first), static_cast<size_t>(b - a));
  }
  return true;
}

bool BinFile::RawReadAt(uint64_t off, void *buf, size_t n) {
  if (Injected(FileFault::Op::Read, err_)) return false;
  char *p = static_cast<char *>(buf);
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pread(fd_, p + done, n - done, static_cast<off_t>(off + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      err_ = errno;
      return false;
    }
    if (r == 0) {
      err_ = EIO;  // short read
      return false;
    }
    done += static_cast<size_t>(r);
  }
  return true;
}

bool BinFile::WriteAt(uint64_t off, const void *buf, size_t n) {
  if (fd_ < 0) {
    err_ = EBADF;
    return false;
  }
  if (!batch_ || n == 0) return RawWriteAt(off, buf, n);
  if (!waiting_) {
    const int64_t disk = Size();
    if (disk < 0) return false;
    waiting_ = std::make_unique<Waiting>();
    waiting_->disk = static_cast<uint64_t>(disk);
  }
  const uint8_t *p = static_cast<const uint8_t *>(buf);
  const uint64_t end = off + n;
  auto &runs = waiting_->runs;
  auto it = runs.upper_bound(off);
  if (it != runs.begin()) {
    auto prev = std::prev(it);
    std::vector<uint8_t> &v = prev->second;
    const uint64_t prevEnd = prev->first + v.size();
    if (prevEnd >= end) {
      // Inside a run: in place.
      std::memcpy(v.data() + (off - prev->first), p, n);
      return true;
    }
    if (off == prevEnd && v.size() >= Waiting::kLongRun && v.size() + n > v.capacity() &&
        (it == runs.end() || it->first > end)) {
      // A long run is never copied to grow: a run of its own follows it.
      runs.emplace_hint(it, off, std::vector<uint8_t>(p, p + n));
      waiting_->bytes += n + Waiting::kRunCost;
      return true;
    }
    if (prevEnd >= off && (it == runs.end() || it->first > end)) {
      // Extends a run (an append): no other run is met.
      v.resize(static_cast<size_t>(off - prev->first));
      v.insert(v.end(), p, p + n);
      waiting_->bytes += end - prevEnd;
      return true;
    }
    if (prevEnd >= off) it = prev;
  }
  // A new run, merged with every run it overlaps or touches.
  uint64_t start = off, stop = end;
  auto first = it;
  for (; it != runs.end() && it->first <= end; ++it) {
    start = std::min(start, it->first);
    stop = std::max<uint64_t>(stop, it->first + it->second.size());
  }
  std::vector<uint8_t> merged(static_cast<size_t>(stop - start));
  for (auto k = first; k != it; ++k) {
    std::memcpy(merged.data() + (k->first - start), k->second.data(), k->second.size());
    waiting_->bytes -= k->second.size() + Waiting::kRunCost;
  }
  std::memcpy(merged.data() + (off - start), p, n);
  runs.erase(first, it);
  waiting_->bytes += merged.size() + Waiting::kRunCost;
  runs.emplace(start, std::move(merged));
  return true;
}

bool BinFile::WriteWaiting() {
  if (!waiting_) return true;
  auto &runs = waiting_->runs;
  // From the end down: bytes appended reach the disk before what links to them.
  while (!runs.empty()) {
    auto last = std::prev(runs.end());
    if (!RawWriteAt(last->first, last->second.data(), last->second.size())) return false;
    waiting_->disk = std::max<uint64_t>(waiting_->disk, last->first + last->second.size());
    waiting_->bytes -= last->second.size() + Waiting::kRunCost;
    runs.erase(last);
  }
  waiting_.reset();
  return true;
}

bool BinFile::RawWriteAt(uint64_t off, const void *buf, size_t n) {
  const char *p = static_cast<const char *>(buf);
  // Also when it fails: some of the bytes may be in place.
  unsynced_ = true;
  bool tear = false;
  if (Injected(FileFault::Op::Write, err_, &tear)) {
    if (tear && n / 2 > 0 && ::pwrite(fd_, p, n / 2, static_cast<off_t>(off)) < 0) {
      // the torn half is best effort; the failure is what counts
    }
    return false;
  }
  size_t done = 0;
  while (done < n) {
    ssize_t r = ::pwrite(fd_, p + done, n - done, static_cast<off_t>(off + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      err_ = errno;
      return false;
    }
    if (r == 0) {
      err_ = EIO;
      return false;
    }
    done += static_cast<size_t>(r);
  }
  return true;
}

bool BinFile::Read(void *buf, size_t n) {
  if (!ReadAt(pos_, buf, n)) return false;
  pos_ += n;
  return true;
}

bool BinFile::Write(const void *buf, size_t n) {
  if (!WriteAt(pos_, buf, n)) return false;
  pos_ += n;
  return true;
}

int64_t BinFile::ReadSome(void *buf, size_t n) {
  if (fd_ < 0) {
    err_ = EBADF;
    return -1;
  }
  if (Injected(FileFault::Op::Read, err_)) return -1;
  for (;;) {
    ssize_t r = ::pread(fd_, buf, n, static_cast<off_t>(pos_));
    if (r < 0) {
      if (errno == EINTR) continue;
      err_ = errno;
      return -1;
    }
    pos_ += static_cast<uint64_t>(r);
    return r;
  }
}

bool BinFile::Seek(uint64_t off) {
  if (fd_ < 0) {
    err_ = EBADF;
    return false;
  }
  pos_ = off;
  return true;
}

bool BinFile::SeekEnd() {
  int64_t s = Size();
  if (s < 0) return false;
  pos_ = static_cast<uint64_t>(s);
  return true;
}

int64_t BinFile::Size() {
  if (fd_ < 0) {
    err_ = EBADF;
    return -1;
  }
  if (waiting_) {
    const auto &last = *waiting_->runs.rbegin();
    return static_cast<int64_t>(std::max<uint64_t>(waiting_->disk, last.first + last.second.size()));
  }
  struct stat st;
  if (::fstat(fd_, &st) != 0) {
    err_ = errno;
    return -1;
  }
  return st.st_size;
}

bool BinFile::Truncate(uint64_t size) {
  if (fd_ < 0) {
    err_ = EBADF;
    return false;
  }
  // Never under waiting bytes: they are written first.
  if (!WriteWaiting()) return false;
  if (Injected(FileFault::Op::Truncate, err_)) return false;
  unsynced_ = true;
  if (::ftruncate(fd_, static_cast<off_t>(size)) != 0) {
    err_ = errno;
    return false;
  }
  return true;
}

bool BinFile::Flush() {
  if (fd_ < 0) {
    err_ = EBADF;
    return false;
  }
  if (Injected(FileFault::Op::Flush, err_)) return false;
  CountSync(false, path_);
  if (::fsync(fd_) != 0 && errno != EINVAL) {
    err_ = errno;
    return false;
  }
  unsynced_ = false;
  return true;
}

bool BinFile::SyncData() {
  if (!unsynced_) return true;
  if (fd_ < 0) {
    err_ = EBADF;
    return false;
  }
  if (Injected(FileFault::Op::Flush, err_)) return false;
  CountSync(false, path_);
  // EINVAL: a file system that has nothing to flush.
  if (::fdatasync(fd_) != 0 && errno != EINVAL) {
    err_ = errno;
    return false;
  }
  unsynced_ = false;
  return true;
}

bool BinFile::TakeCreated() {
  const bool made = created_;
  created_ = false;
  return made;
}

void BinFile::AdviseRandom() {
  if (fd_ >= 0) ::posix_fadvise(fd_, 0, 0, POSIX_FADV_RANDOM);
}

WriteBehind::~WriteBehind() {
  for (Member &m : files_) {
    m.file->DropWaiting();
    m.file->batch_ = nullptr;
  }
}

void WriteBehind::Enroll(BinFile &file, std::string message) {
  if (file.batch_ == this) return;
  file.batch_ = this;
  files_.push_back({&file, std::move(message)});
}

uint64_t WriteBehind::WaitingBytes() const {
  uint64_t bytes = 0;
  for (const Member &m : files_) bytes += m.file->WaitingBytes();
  return bytes;
}

bool WriteBehind::Flush() {
  failed_ = -1;
  for (size_t i = 0; i < files_.size(); ++i) {
    if (!files_[i].file->WriteWaiting()) {
      failed_ = static_cast<int>(i);
      return false;
    }
  }
  return true;
}

void WriteBehind::Discard() {
  for (Member &m : files_) m.file->DropWaiting();
}

std::string WriteBehind::FailureMessage() const {
  if (failed_ < 0) return {};
  const Member &m = files_[static_cast<size_t>(failed_)];
  return files::FailureText(m.message, m.file->Path(), m.file->Error());
}

namespace files {

bool Exists(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool FileExists(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsSpecial(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

bool SameFile(const FileState &a, const FileState &b) {
  return a.exists && b.exists && a.dev == b.dev && a.ino == b.ino;
}

bool SameFile(const std::string &a, const std::string &b) { return SameFile(StateOf(a), StateOf(b)); }

bool BrokenLink(const std::string &path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0;
}

bool MayWrite(const std::string &path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return true;
  return (st.st_mode & S_IWUSR) != 0 && ::access(path.c_str(), W_OK) == 0;
}

bool DirExists(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int StatError(const std::string &path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 ? 0 : errno;
}

int NewFileRefused(const std::string &path) {
  const std::string dir = ExtractFileDir(path);
  // The effective ids, which the making of the file uses.
  return ::faccessat(AT_FDCWD, dir.empty() ? "." : dir.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

bool Delete(const std::string &path) {
  int err = 0;
  if (Injected(FileFault::Op::Delete, err)) {
    errno = err;
    return false;
  }
  return ::unlink(path.c_str()) == 0;
}

bool Rename(const std::string &from, const std::string &to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool Copy(const std::string &from, const std::string &to) {
  std::string data;
  if (!ReadAll(from, data)) return false;
  return WriteAllAtomic(to, data);
}

bool MakeDirs(const std::string &path, unsigned mode) {
  if (path.empty()) return false;
  std::string cur;
  size_t i = 0;
  while (i <= path.size()) {
    size_t j = path.find('/', i);
    if (j == std::string::npos) j = path.size();
    cur = path.substr(0, j);
    if (!cur.empty() && !DirExists(cur)) {
      if (::mkdir(cur.c_str(), static_cast<mode_t>(mode)) != 0 && errno != EEXIST) return false;
    }
    i = j + 1;
  }
  return DirExists(path);
}

int64_t FileSize(const std::string &path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  return st.st_size;
}

FileState StateOf(const std::string &path) {
  FileState s;
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return s;
  s.exists = true;
  s.dev = st.st_dev;
  s.ino = st.st_ino;
  s.size = st.st_size;
  s.mtimeSec = st.st_mtim.tv_sec;
  s.mtimeNsec = st.st_mtim.tv_nsec;
  return s;
}

bool ReadAll(const std::string &path, std::string &out, int *err) {
  BinFile f;
  out.clear();
  if (!f.Open(path, BinFile::Mode::Read)) {
    if (err) *err = f.Error();
    return false;
  }
  int64_t size = f.Size();
  if (size < 0) {
    if (err) *err = f.Error();
    return false;
  }
  out.resize(static_cast<size_t>(size));
  if (size > 0 && !f.Read(out.data(), out.size())) {
    if (err) *err = f.Error();
    out.clear();
    return false;
  }
  return true;
}

namespace {
std::function<std::string(const std::string &, int)> g_tempName;

std::string DefaultTempName(const std::string &target) {
  static std::mt19937_64 rng{std::random_device{}()};
  const std::string tail = ".tmp" + std::to_string(::getpid()) + "_" + std::to_string(rng() % 1000000);
  // A name may hold 255 bytes: the target's name is cut, never the tail
  // that tells a leftover for what it is.
  constexpr size_t kMaxName = 255;
  const size_t slash = target.rfind('/');
  const size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const size_t room = kMaxName - tail.size();
  if (target.size() - nameStart > room) return target.substr(0, nameStart + room) + tail;
  return target + tail;
}

// Syncs the directory holding path, so a rename into it lasts.
bool SyncDir(const std::string &path, int &err) { return SyncFolder(ExtractFileDir(path), &err); }
}  // namespace

bool SyncFolder(const std::string &dir, int *err) {
  int e = 0;
  if (Injected(FileFault::Op::Flush, e)) {
    if (err) *err = e;
    return false;
  }
  CountSync(true, dir);
  const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  bool ok = fd >= 0 && (::fsync(fd) == 0 || errno == EINVAL);
  if (!ok && err) *err = errno;
  if (fd >= 0) ::close(fd);
  return ok;
}

void SetTempNameGenerator(std::function<std::string(const std::string &target, int attempt)> gen) {
  g_tempName = std::move(gen);
}

std::string HostName() {
  char name[256] = {};
  if (::gethostname(name, sizeof name - 1) != 0) return std::string();
  return name;
}

namespace {
// A file of /proc, whose size reads as 0: read to its end. Past the file
// seam, which counts the program's own files.
bool ReadProcFile(const std::string &path, std::string &out) {
  out.clear();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  char buf[1024];
  ssize_t n = 0;
  while ((n = ::read(fd, buf, sizeof buf)) > 0 || (n < 0 && errno == EINTR))
    if (n > 0) out.append(buf, static_cast<size_t>(n));
  ::close(fd);
  return n == 0;
}

// The fields of /proc/PID/stat from the third (the state) on. The name
// before them may hold spaces and parentheses, so they start after the
// last ')'. Empty when the process is not there.
std::string StatAfterName(int64_t pid) {
  std::string stat;
  if (!ReadProcFile("/proc/" + std::to_string(pid) + "/stat", stat)) return std::string();
  const size_t close = stat.rfind(')');
  return close == std::string::npos ? std::string() : stat.substr(close + 1);
}
}  // namespace

std::string BootId() {
  std::string id;
  if (!ReadProcFile("/proc/sys/kernel/random/boot_id", id)) return std::string();
  while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
  return id;
}

int64_t ProcessStartTime(int64_t pid) {
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return -1;
  // The start time is the 22nd field.
  const std::string stat = StatAfterName(pid);
  size_t at = 0;
  for (int field = 3; field <= 22; ++field) {
    at = stat.find_first_not_of(' ', at);
    if (at == std::string::npos) return -1;
    const size_t end = std::min(stat.find(' ', at), stat.size());
    if (field == 22) {
      int64_t ticks = 0;
      const auto [ptr, ec] = std::from_chars(stat.data() + at, stat.data() + end, ticks);
      return ec == std::errc() && ptr == stat.data() + end ? ticks : -1;
    }
    at = end;
  }
  return -1;
}

bool ProcessRuns(int64_t pid) {
  if (pid <= 0 || pid > std::numeric_limits<pid_t>::max()) return false;
  if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno != EPERM) return false;
  // A killed program whose parent has not reaped it yet holds nothing.
  const std::string stat = StatAfterName(pid);
  if (stat.empty()) return true;
  const size_t at = stat.find_first_not_of(' ');
  const char state = at == std::string::npos ? '?' : stat[at];
  return state != 'Z' && state != 'X';
}

int64_t SecondsSinceChange(const std::string &path) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return -1;
  time_t newest = st.st_mtime;
  if (S_ISDIR(st.st_mode)) {
    if (DIR *d = ::opendir(path.c_str())) {
      bool any = false;
      while (dirent *e = ::readdir(d)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        struct stat est;
        if (::fstatat(::dirfd(d), e->d_name, &est, AT_SYMLINK_NOFOLLOW) != 0) continue;
        newest = any ? std::max(newest, est.st_mtime) : est.st_mtime;
        any = true;
      }
      ::closedir(d);
    }
  }
  return static_cast<int64_t>(::time(nullptr) - newest);
}

void RemoveDeadTempSiblings(const std::vector<std::string> &targets, int64_t minAge) {
  if (targets.empty()) return;
  const std::string dir = ExtractFileDir(targets.front());
  DIR *d = ::opendir(dir.empty() ? "." : dir.c_str());
  if (!d) return;
  std::vector<std::string> dead;
  while (dirent *e = ::readdir(d)) {
    const std::string name = e->d_name;
    // ".tmp" digits "_" digits at the end.
    const size_t under = name.rfind('_');
    const size_t tmp = name.rfind(".tmp", under);
    if (under == std::string::npos || tmp == std::string::npos || under == tmp + 4 || under + 1 == name.size())
      continue;
    auto digits = [&](size_t from, size_t to) {
      for (size_t i = from; i < to; ++i)
        if (name[i] < '0' || name[i] > '9') return false;
      return to - from <= 18;
    };
    if (!digits(tmp + 4, under) || !digits(under + 1, name.size())) continue;
    const std::string stem = name.substr(0, tmp);
    const size_t tailSize = name.size() - tmp;
    bool ours = false;
    for (const std::string &t : targets) {
      const std::string target = ExtractFileName(t);
      if (stem == target || (stem.size() == 255 - tailSize && target.compare(0, stem.size(), stem) == 0)) ours = true;
    }
    if (!ours) continue;
    const std::string path = dir + name;
    if (ProcessRuns(std::stoll(name.substr(tmp + 4, under - tmp - 4)))) continue;
    const int64_t age = SecondsSinceChange(path);
    if (age >= minAge) dead.push_back(path);
  }
  ::closedir(d);
  for (const std::string &path : dead) ::unlink(path.c_str());
}

bool TempSibling::Create(const std::string &target) {
  Abandon();
  // Through a symbolic link the file it names is replaced, not the link; the
  // replacement keeps the permission bits of what it replaces.
  target_ = target;
  struct stat st{};
  if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char *real = ::realpath(target.c_str(), nullptr)) {
      target_ = real;
      std::free(real);
    }
  }
  const bool keepMode = ::stat(target_.c_str(), &st) == 0 && S_ISREG(st.st_mode);
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    const std::string name = g_tempName ? g_tempName(target_, attempt) : DefaultTempName(target_);
    if (file_.Open(name, BinFile::Mode::CreateNew)) {
      tmp_ = name;
      err_ = 0;
      if (keepMode) ::chmod(name.c_str(), st.st_mode & 07777);
      return true;
    }
    err_ = file_.Error();
    if (err_ != EEXIST) break;
  }
  return false;
}

bool TempSibling::Commit(const std::function<bool()> &beforeRename) { return Finish(false, beforeRename); }

bool TempSibling::CommitNew() { return Finish(true, {}); }

bool TempSibling::Finish(bool keepExisting, const std::function<bool()> &beforeRename) {
  if (!file_.IsOpen()) {
    if (err_ == 0) err_ = EBADF;
    return false;
  }
  if (!file_.Flush()) {
    err_ = file_.Error();
    Abandon();
    return false;
  }
  file_.Close();
  // Only a regular file is replaced: a FIFO, a device or a directory at the
  // target stays as it is.
  if (!keepExisting && IsSpecial(target_)) {
    err_ = EINVAL;
    Abandon();
    return false;
  }
  // Asked after the sync, which may take long, so that little time is left
  // between the answer and the rename.
  if (beforeRename && !beforeRename()) {
    err_ = ECANCELED;
    Abandon();
    return false;
  }
  // link fails with EEXIST where rename would replace.
  const bool placed = keepExisting ? ::link(tmp_.c_str(), target_.c_str()) == 0
                                   : ::rename(tmp_.c_str(), target_.c_str()) == 0;
  if (!placed) err_ = errno;
  if (!placed || keepExisting) ::unlink(tmp_.c_str());
  tmp_.clear();
  if (!placed) return false;
  // The new contents are in place; a failed directory sync still counts as
  // a failure, since it may not survive a crash.
  return SyncDir(target_, err_);
}

void TempSibling::Abandon() {
  if (file_.IsOpen()) file_.Close();
  if (!tmp_.empty()) ::unlink(tmp_.c_str());
  tmp_.clear();
}

bool WriteAllAtomic(const std::string &path, const std::string &data, int *err) {
  TempSibling tmp;
  bool ok = tmp.Create(path) && (data.empty() || tmp.File().Write(data.data(), data.size()));
  if (!ok && tmp.IsOpen()) {
    if (err) *err = tmp.File().Error();
    return false;
  }
  ok = ok && tmp.Commit();
  if (!ok && err) *err = tmp.Error();
  return ok;
}

namespace {
bool WildMatch(const char *p, const char *s) {
  // Iterative '*' / '?' matcher, blind to the case of ASCII letters only:
  // the other bytes of a file name may be parts of UTF-8 characters.
  const char *star = nullptr, *ss = nullptr;
  while (*s) {
    if (*p == '?' || (*p && *p != '*' && win1252::SameAscii({p, 1}, {s, 1}))) {
      ++p;
      ++s;
    } else if (*p == '*') {
      star = p++;
      ss = s;
    } else if (star) {
      p = star + 1;
      s = ++ss;
    } else {
      return false;
    }
  }
  while (*p == '*') ++p;
  return *p == 0;
}
}  // namespace

std::string FindCaseInsensitive(const std::string &dir, const std::string &name) {
  std::string d = IncludeTrailingSlash(dir.empty() ? std::string(".") : dir);
  if (Exists(d + name)) return d + name;
  DIR *dp = ::opendir(d.c_str());
  if (!dp) return {};
  std::string found;
  while (dirent *e = ::readdir(dp)) {
    if (win1252::SameAscii(e->d_name, name)) {
      found = d + e->d_name;
      break;
    }
  }
  ::closedir(dp);
  return found;
}

namespace {
std::vector<std::string> ListEntries(const std::string &dir, const std::string &pattern, bool dirs) {
  std::vector<std::string> out;
  std::string d = IncludeTrailingSlash(dir.empty() ? std::string(".") : dir);
  DIR *dp = ::opendir(d.c_str());
  if (!dp) return out;
  while (dirent *e = ::readdir(dp)) {
    std::string n = e->d_name;
    if (n == "." || n == "..") continue;
    if (WildMatch(pattern.c_str(), n.c_str()) && (dirs ? DirExists(d + n) : FileExists(d + n))) out.push_back(n);
  }
  ::closedir(dp);
  std::sort(out.begin(), out.end());
  return out;
}
}  // namespace

std::vector<std::string> ListFiles(const std::string &dir, const std::string &pattern) {
  return ListEntries(dir, pattern, false);
}

std::vector<std::string> ListDirs(const std::string &dir, const std::string &pattern) {
  return ListEntries(dir, pattern, true);
}

std::string ExtractFileName(const std::string &path) {
  size_t p = path.rfind('/');
  return p == std::string::npos ? path : path.substr(p + 1);
}

std::string ExtractFileDir(const std::string &path) {
  size_t p = path.rfind('/');
  return p == std::string::npos ? std::string() : path.substr(0, p + 1);
}

std::string ExtractFileExt(const std::string &path) {
  size_t slash = path.rfind('/');
  size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

std::string ChangeFileExt(const std::string &path, const std::string &ext) {
  std::string e = ExtractFileExt(path);
  return path.substr(0, path.size() - e.size()) + ext;
}

std::string IncludeTrailingSlash(const std::string &dir) {
  if (!dir.empty() && dir.back() == '/') return dir;
  return dir + "/";
}

}  // namespace files

namespace files {

std::string ErrorReason(int err) {
  // One C locale for the program's life: strerror_l needs it to outlive the text.
  static const locale_t c = ::newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  if (c == static_cast<locale_t>(nullptr)) return "error " + std::to_string(err);
  return ::strerror_l(err, c);
}

std::string FailureText(const std::string &text, const std::string &path, int err) {
  return text + "\n" + win1252::PathText(path) + ": " + (err == 0 ? std::string("the file is damaged") : ErrorReason(err));
}

}  // namespace files
