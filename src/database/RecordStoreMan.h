#pragma once
// A file of fixed-size records numbered from 1, record n at (n - 1) x size.
// No header: the record count is the file size divided by the record size,
// and a torn tail is ignored. Reading or writing beyond the end first grows
// the file with zero records. Failures show their message and answer false.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Files.h"

// Opens a store's file for reading and writing: created when missing, never
// truncated, locked against a second open, read at random. Its size, or -1
// with the error in file.Error(); existed tells whether the file was there
// before, which picks the store's open or create message.
int64_t OpenStoreFile(BinFile &file, const std::string &path, bool &existed);

// File traffic of a store, for tests and benchmarks (cache hits not counted).
struct StoreIoCounts {
  uint64_t reads = 0;
  uint64_t writes = 0;
};

class RecordStoreO {
 public:
  RecordStoreO() = default;
  explicit RecordStoreO(uint32_t recordSize) { Init(recordSize); }

  void Init(uint32_t recordSize);
  void Done();
  // Opens the file, creating it when missing; false after a message.
  bool Open(const std::string &fileName);
  void Close();
  // Closes and deletes the file.
  void CloseAndDelete();
  bool IsOpen() const { return file_.IsOpen(); }

  uint32_t RecordSize() const { return recordSize_; }
  int32_t Count() const { return count_; }
  const std::string &FileName() const { return fileName_; }
  int64_t FileSize();
  // n >= 1 (else ERangeError). The buffer holds RecordSize() bytes and is
  // zeroed when the read fails.
  bool GetRecord(int32_t n, void *buffer);
  // Records first..last (within 1..Count()) in one read, for walks; false
  // without a message when the read fails (GetRecord then tells).
  bool GetRecords(int32_t first, int32_t last, std::vector<uint8_t> &out);
  bool SetRecord(int32_t n, const void *buffer);
  bool EnsureCount(int32_t n);
  // Cuts the file to no records.
  bool Truncate();
  void EnrollWrites(WriteBehind &w);
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) { out.push_back(&file_); }

  StoreIoCounts IoCounts() const { return io_; }
  void ResetIoCounts() { io_ = {}; }

 private:
  bool Grow(int32_t n);

  uint32_t recordSize_ = 0;
  int32_t count_ = 0;
  std::string fileName_;
  BinFile file_;
  std::vector<uint8_t> zero_;
  StoreIoCounts io_;
};
