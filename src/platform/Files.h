#pragma once
// Checked binary file I/O. Every call reports failure (a short read or write
// is a failure) and keeps errno in Error(), which the stores show as " (%d)".
#include <cstdint>
#include <string>
#include <vector>

class BinFile {
 public:
  enum class Mode {
    Read,       // existing file, read only
    ReadWrite,  // existing file, read and write
    Create,     // create or truncate, read and write
  };

  BinFile() = default;
  ~BinFile();
  BinFile(const BinFile &) = delete;
  BinFile &operator=(const BinFile &) = delete;
  BinFile(BinFile &&o) noexcept;
  BinFile &operator=(BinFile &&o) noexcept;

  // exclusive = an advisory lock that makes a second exclusive open of the
  // same file fail, as an unshared open did.
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
  bool Flush();

 private:
  int fd_ = -1;
  int err_ = 0;
  uint64_t pos_ = 0;
  std::string path_;
};

namespace files {

bool Exists(const std::string &path);      // any kind of entry
bool FileExists(const std::string &path);  // a regular file
bool DirExists(const std::string &path);
bool Delete(const std::string &path);
bool Rename(const std::string &from, const std::string &to);
bool Copy(const std::string &from, const std::string &to);
bool MakeDirs(const std::string &path);
int64_t FileSize(const std::string &path);  // -1 when missing

// Whole-file helpers; errno is kept in *err when given.
bool ReadAll(const std::string &path, std::string &out, int *err = nullptr);
// Writes a temporary file beside path and renames it over path only when
// the whole write succeeded, so a failure leaves the original intact.
bool WriteAllAtomic(const std::string &path, const std::string &data, int *err = nullptr);
// A fresh name beside path for a temporary file that is later renamed
// over it (same directory, so the rename stays on one file system).
std::string TempSiblingPath(const std::string &path);

// The entry of dir whose name equals name ignoring letter case (an exact
// match wins); the full path, or empty when there is none. Data files the
// program names are found this way, as they were on a case-blind system.
std::string FindCaseInsensitive(const std::string &dir, const std::string &name);
// Names (not paths) of the regular files in dir matching a pattern with
// '*' and '?', case-insensitively, sorted.
std::vector<std::string> ListFiles(const std::string &dir, const std::string &pattern);

std::string ExtractFileName(const std::string &path);
std::string ExtractFileDir(const std::string &path);  // with trailing '/'
std::string ExtractFileExt(const std::string &path);  // with the '.', or empty
std::string ChangeFileExt(const std::string &path, const std::string &ext);
std::string IncludeTrailingSlash(const std::string &dir);

}  // namespace files
