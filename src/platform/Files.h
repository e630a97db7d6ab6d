#pragma once
// Checked binary file I/O. Every call reports failure (a short read or write
// is a failure) and keeps errno in Error(), which the stores show as " (%d)".
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class WriteBehind;

class BinFile {
 public:
  enum class Mode {
    Read,        // existing file, read only
    ReadWrite,   // existing file, read and write
    Create,      // create or truncate, read and write
    OpenAlways,  // create when missing, never truncate; read and write
    CreateNew,   // a new file only: fails on any entry at the path, link or not
  };

  BinFile();
  ~BinFile();
  BinFile(const BinFile &) = delete;
  BinFile &operator=(const BinFile &) = delete;
  BinFile(BinFile &&o) noexcept;
  BinFile &operator=(BinFile &&o) noexcept;

  // exclusive = an advisory lock that makes a second exclusive open of the
  // same file fail, as an unshared open did. Only a regular file opens: a
  // directory fails with EISDIR, a FIFO or device with EINVAL, never
  // blocking.
  bool Open(const std::string &path, Mode mode, bool exclusive = false);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  const std::string &Path() const { return path_; }
  int Error() const { return err_; }

  bool Read(void *buf, size_t n);         // at the file position
  bool Write(const void *buf, size_t n);  // at the file position
  bool ReadAt(uint64_t off, void *buf, size_t n);
  bool WriteAt(uint64_t off, const void *buf, size_t n);
  // Reads up to n bytes; answers the count read, or -1 on error.
  int64_t ReadSome(void *buf, size_t n);
  bool Seek(uint64_t off);
  bool SeekEnd();
  uint64_t Position() const { return pos_; }
  // -1 on error.
  int64_t Size();
  bool Truncate(uint64_t size);
  // fsync: data and metadata on the disk.
  bool Flush();
  // fdatasync, when data was written or the file cut since the open or the
  // last sync (bytes waiting in a WriteBehind count once written); true at
  // once otherwise.
  bool SyncData();
  bool Unsynced() const { return unsynced_; }
  // Whether this open made the file, so that its folder's entry is new;
  // answered once.
  bool TakeCreated();
  // Counts the file as written and made by this open: what another handle
  // wrote into it goes to the disk with the next SyncData, and its folder
  // with it.
  void NeedsSync() { unsynced_ = created_ = true; }
  // Tells the system that reads and writes jump about (no read-ahead).
  void AdviseRandom();
  // While the file is enrolled in a WriteBehind, WriteAt keeps the bytes in
  // memory and ReadAt and Size see them; ReadSome and Flush see the disk
  // alone. Writes the waiting bytes now, from the highest offset down; a
  // failure keeps the bytes not written waiting.
  bool WriteWaiting();
  uint64_t WaitingBytes() const;

 private:
  friend class WriteBehind;
  struct Waiting;
  bool RawReadAt(uint64_t off, void *buf, size_t n);
  bool RawWriteAt(uint64_t off, const void *buf, size_t n);
  bool ReadThrough(uint64_t off, void *buf, size_t n);
  void DropWaiting();

  int fd_ = -1;
  int err_ = 0;
  bool unsynced_ = false;
  bool created_ = false;
  uint64_t pos_ = 0;
  std::string path_;
  WriteBehind *batch_ = nullptr;  // an enrolled file is never moved
  std::unique_ptr<Waiting> waiting_;
};

// Lets the writes to the files enrolled wait in memory during a bulk run,
// so that a run costs few system calls. Flush writes them file by file in
// the order the files were enrolled, which is the order a crash may find
// them in: each file complete before the next is touched. Files stay
// enrolled while closed and opened again; a file closed drops its waiting
// bytes (the owner flushes first). Dropped with the object, unwritten bytes
// are lost: the owner flushes first.
class WriteBehind {
 public:
  WriteBehind() = default;
  ~WriteBehind();
  WriteBehind(const WriteBehind &) = delete;
  WriteBehind &operator=(const WriteBehind &) = delete;
  // message: the text a failed write of the file shows (FailureText's).
  void Enroll(BinFile &file, std::string message);
  // The bytes waiting in all files, with a charge for every separate run.
  uint64_t WaitingBytes() const;
  // Writes every file's waiting bytes in enrolment order. On a failure the
  // files after the failed one are not touched and FailureMessage tells.
  bool Flush();
  // Drops every waiting byte unwritten (after a failed Flush).
  void Discard();
  // The failed file's message, path and reason (files::FailureText).
  std::string FailureMessage() const;

 private:
  friend class BinFile;
  struct Member {
    BinFile *file;
    std::string message;
  };
  std::vector<Member> files_;
  int failed_ = -1;
};

// Test seam: while an object lives, the nth open, read, write, flush or
// truncation of any BinFile, or the nth files::Delete, from its creation on
// fails with err; a short write puts the first half of its bytes in place
// before failing, as a full disk does. With Onward the calls after the nth
// fail too, whole: a write that mends a torn one can be refused. Unset, it
// costs one pointer test per call.
class FileFault {
 public:
  enum class Op { Open, Read, Write, Flush, Truncate, Delete };
  FileFault(Op op, int nth, int err, bool shortWrite = false);
  ~FileFault();
  FileFault(const FileFault &) = delete;
  FileFault &operator=(const FileFault &) = delete;
  bool Fired() const { return fired_.load(); }
  int Seen() const { return seen_.load(); }  // operations of that kind so far
  // Whether this call fails; tear says whether a failing write puts half
  // its bytes in place first (the nth alone).
  bool Hit(Op op, bool *tear = nullptr);
  int Err() const { return err_; }
  // Every call of the kind from the nth on fails, not the nth alone.
  void Onward() { onward_ = true; }

 private:
  Op op_;
  int nth_, err_;
  bool shortWrite_;
  bool onward_ = false;
  // Counted from any thread: imports read on workers.
  std::atomic<int> seen_{0};
  std::atomic<bool> fired_{false};
  FileFault *prev_;
};

// Test seam: while an object lives, every sync of a file (SyncData, Flush)
// and of a folder is counted by its path.
class SyncRecorder {
 public:
  SyncRecorder();
  ~SyncRecorder();
  SyncRecorder(const SyncRecorder &) = delete;
  SyncRecorder &operator=(const SyncRecorder &) = delete;
  int FileSyncs(const std::string &path) const;
  int FolderSyncs(const std::string &dir) const;  // dir with its trailing '/'
  int AllFileSyncs() const;
  int AllFolderSyncs() const;
  void Clear();
  void Count(bool folder, const std::string &path);

 private:
  // The syncs of folders (folder true) or files, of path only when given.
  int Counted(bool folder, const std::string *path) const;
  mutable std::mutex lock_;
  std::vector<std::pair<std::string, bool>> syncs_;
  SyncRecorder *prev_;
};

namespace files {

bool Exists(const std::string &path);      // any kind of entry
bool FileExists(const std::string &path);  // a regular file
bool DirExists(const std::string &path);
// An entry that is (or links to) anything but a regular file: a directory,
// a FIFO, a device. False when there is none.
bool IsSpecial(const std::string &path);
// Both names reach one existing file (device and inode), through links or
// other spellings; false when either is missing.
bool SameFile(const std::string &a, const std::string &b);
// A symbolic link whose target cannot be reached (missing, or a loop of links).
bool BrokenLink(const std::string &path);
// A missing file may be made; an existing one only with the write bit for
// its owner and write access for this user (root passes the second only).
bool MayWrite(const std::string &path);
// 0 when path names an entry (through a link, the entry it names), else
// the reason: ENOENT when there is none, EACCES when a folder on the way
// refuses the search, ...
int StatError(const std::string &path);
// 0 when the folder holding path lets this process make a file in it
// (write and search permission, mounted for writing), else the reason
// (EACCES, EROFS, ...).
int NewFileRefused(const std::string &path);
bool Delete(const std::string &path);
bool Rename(const std::string &from, const std::string &to);
bool Copy(const std::string &from, const std::string &to);
bool MakeDirs(const std::string &path, unsigned mode = 0755);
int64_t FileSize(const std::string &path);  // -1 when missing
// What tells a file changed or replaced since it was looked at: device,
// inode, size and modification time to the nanosecond (through a link, of
// the file it names). A missing file is one state of its own.
struct FileState {
  bool exists = false;
  uint64_t dev = 0, ino = 0;
  int64_t size = 0, mtimeSec = 0, mtimeNsec = 0;
  bool operator==(const FileState &) const = default;
};
FileState StateOf(const std::string &path);
// Two states of one existing file: the same device and inode.
bool SameFile(const FileState &a, const FileState &b);

// fsync of the folder (with or without its trailing '/'), so that entries
// made or renamed in it last; errno in *err.
bool SyncFolder(const std::string &dir, int *err = nullptr);

// Whole-file helpers; errno is kept in *err when given.
bool ReadAll(const std::string &path, std::string &out, int *err = nullptr);
// Writes a temporary file beside path and renames it over path only when
// the whole write succeeded, so a failure leaves the original intact.
bool WriteAllAtomic(const std::string &path, const std::string &data, int *err = nullptr);

// A new file beside a target that replaces the target on Commit (same
// directory, so the rename stays on one file system). Its name is fresh and
// opened with O_EXCL|O_NOFOLLOW, another name on a clash, so a file or link
// standing there is never followed or truncated; a name that would pass 255
// bytes is cut in the target's part. Commit syncs the data before the
// rename and the directory after it, and replaces only a regular file;
// beforeRename, when given, is asked once the data is on disk, just before
// the rename: false drops the file, the target as it was, with ECANCELED.
// Dropped unless committed.
class TempSibling {
 public:
  TempSibling() = default;
  ~TempSibling() { Abandon(); }
  TempSibling(const TempSibling &) = delete;
  TempSibling &operator=(const TempSibling &) = delete;
  bool Create(const std::string &target);
  BinFile &File() { return file_; }
  const std::string &Path() const { return tmp_; }
  bool IsOpen() const { return file_.IsOpen(); }
  bool Commit(const std::function<bool()> &beforeRename = {});
  // Puts the file in place only while the target's name is free (a hard
  // link, then the temporary name dropped): an entry already there, file or
  // link, is never replaced, and the call fails with EEXIST.
  bool CommitNew();
  void Abandon();
  int Error() const { return err_; }

 private:
  bool Finish(bool keepExisting, const std::function<bool()> &beforeRename);
  BinFile file_;
  std::string target_, tmp_;
  int err_ = 0;
};
// Removes what killed writers left beside the targets (all in one folder):
// temporary siblings "NAME.tmpPID_N" (NAME cut as TempSibling cuts it) of a
// process that no longer runs, last changed at least minAge seconds ago (a
// folder may be shared between machines). Nothing else is touched.
void RemoveDeadTempSiblings(const std::vector<std::string> &targets, int64_t minAge = 24 * 60 * 60);
// Whether a process with the id runs on this machine (one that ended and
// waits to be reaped does not).
bool ProcessRuns(int64_t pid);
// This machine's name; empty when the system gives none.
std::string HostName();
// The id of this boot of the machine; empty when the system gives none.
std::string BootId();
// When the process with the id started, in clock ticks since the boot; -1
// when no such process runs or it cannot be learnt. With the boot id it
// tells a process from a later one that got the same id.
int64_t ProcessStartTime(int64_t pid);
// Seconds since the newest change of the entry or, for a folder, of the
// entries in it ("." and ".." never count: the folder's own time changes
// with every entry made or removed, its parent's all the time); a folder
// with no entries counts its own. -1 when there is none.
int64_t SecondsSinceChange(const std::string &path);

// Test seam: the names TempSibling tries for a target, attempt 0, 1, ...;
// an empty function restores the default (pid and a random number).
void SetTempNameGenerator(std::function<std::string(const std::string &target, int attempt)> gen);

// The entry of dir whose name equals name ignoring letter case (an exact
// match wins); the full path, or empty when there is none. Data files the
// program names are found this way, as they were on a case-blind system.
std::string FindCaseInsensitive(const std::string &dir, const std::string &name);
// Names (not paths) of the regular files in dir matching a pattern with
// '*' and '?', case-insensitively, sorted.
std::vector<std::string> ListFiles(const std::string &dir, const std::string &pattern);
// The same for the folders in dir.
std::vector<std::string> ListDirs(const std::string &dir, const std::string &pattern);

std::string ExtractFileName(const std::string &path);
std::string ExtractFileDir(const std::string &path);  // with trailing '/'
std::string ExtractFileExt(const std::string &path);  // with the '.', or empty
std::string ChangeFileExt(const std::string &path, const std::string &ext);
std::string IncludeTrailingSlash(const std::string &dir);

// A storage failure as the user reads it: the store's own text, then a
// line naming the file by its path and the system's reason in words, in
// English whatever the desktop's locale. err 0 stands for data the file's
// own bounds refuse: the reason says the file is damaged.
std::string FailureText(const std::string &text, const std::string &path, int err);
// The system's reason for err in the C locale.
std::string ErrorReason(int err);

}  // namespace files
