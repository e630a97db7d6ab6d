#pragma once
// ".gki" of a key set: one u32 per game number, the key node of the game
// (0 = none). Entries beyond the end read as 0; the file is created on the
// first write and grows with zero entries. Failures show their message and
// answer false (or 0); a store whose file failed holds nothing, refuses
// writes and shows nothing more.
#include <cstdint>
#include <string>

#include "platform/Files.h"

class IndexListStoreO {
 public:
  static constexpr uint32_t kElementSize = 4;

  IndexListStoreO() { Init(); }
  void Init();
  void Done() {}
  // Opens the file when it exists (nothing is created here); false after a
  // message when an existing file cannot be opened.
  bool Open(const std::string &fileName);
  void Close();
  void CloseAndDelete();
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) { out.push_back(&file_); }
  bool IsOpen() const { return file_.IsOpen(); }
  uint32_t Count() const { return count_; }
  const std::string &FileName() const { return fileName_; }

  // i >= 1 (else ERangeError); 0 beyond the end.
  uint32_t GetIndex(uint32_t i);
  // i >= 1 (else ERangeError); creates and grows the file as needed.
  bool SetIndex(uint32_t i, uint32_t value);

 private:
  std::string fileName_;
  BinFile file_;
  uint32_t count_ = 0;
  bool failed_ = false;
};
