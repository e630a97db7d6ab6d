#include "database/RecordStoreMan.h"

#include <cstring>

#include "platform/Errors.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

int64_t OpenStoreFile(BinFile &file, const std::string &path, bool &existed) {
  existed = files::Exists(path);
  if (!file.Open(path, BinFile::Mode::OpenAlways, true)) return -1;
  const int64_t size = file.Size();
  if (size < 0) {
    file.Close();  // Error() still tells why
    return -1;
  }
  file.AdviseRandom();
  return size;
}

void RecordStoreO::Init(uint32_t recordSize) {
  if (recordSize == 0) throw ERangeError();
  recordSize_ = recordSize;
  count_ = 0;
  fileName_.clear();
  file_.Close();
  zero_.assign(recordSize, 0);
}

void RecordStoreO::Done() { zero_.clear(); }

bool RecordStoreO::Open(const std::string &fileName) {
  Close();
  fileName_ = fileName;
  bool existed = false;
  const int64_t size = OpenStoreFile(file_, fileName, existed);
  if (size < 0) {
    ui::ShowMessage(files::FailureText("RecordStoreO." + std::string(existed ? "OpenFile" : "CreateFile") +
                                           " failed for " + win1252::PathText(fileName) + ": (" +
                                           std::to_string(file_.Error()) + ")",
                                       fileName, file_.Error()));
    return false;
  }
  count_ = RangeCast<int32_t>(static_cast<uint64_t>(size) / recordSize_);
  return true;
}

void RecordStoreO::Close() {
  file_.Close();
  count_ = 0;
  fileName_.clear();
}

void RecordStoreO::CloseAndDelete() {
  const std::string name = fileName_;
  const bool wasOpen = file_.IsOpen();
  Close();
  if (wasOpen) files::Delete(name);
}

int64_t RecordStoreO::FileSize() { return file_.IsOpen() ? file_.Size() : 0; }

bool RecordStoreO::EnsureCount(int32_t n) {
  if (n < 1) throw ERangeError();
  return Grow(n);
}

bool RecordStoreO::Grow(int32_t n) {
  if (!file_.IsOpen()) return false;
  // Each new record goes where its number says, over any torn tail, so a
  // partial record left by a full disk never shifts the records after it.
  while (count_ < n) {
    const uint64_t off = static_cast<uint64_t>(count_) * recordSize_;
    ++io_.writes;
    if (!file_.WriteAt(off, zero_.data(), recordSize_)) {
      ui::ShowMessage(
          files::FailureText("RecordStoreO.AppendIndexI failed writing file " + win1252::PathText(fileName_),
                             fileName_, file_.Error()));
      return false;
    }
    ++count_;
  }
  return true;
}

bool RecordStoreO::GetRecords(int32_t first, int32_t last, std::vector<uint8_t> &out) {
  if (first < 1 || last < first || last > count_ || !file_.IsOpen()) return false;
  out.resize(static_cast<size_t>(last - first + 1) * recordSize_);
  ++io_.reads;
  return file_.ReadAt(static_cast<uint64_t>(first - 1) * recordSize_, out.data(), out.size());
}

bool RecordStoreO::GetRecord(int32_t n, void *buffer) {
  if (n < 1) throw ERangeError();
  std::memset(buffer, 0, recordSize_);
  if (!file_.IsOpen()) return false;
  // A record past the end reads as zeros and writes nothing: a number read
  // from a damaged file must never grow one.
  if (n > count_) return true;
  ++io_.reads;
  if (!file_.ReadAt(static_cast<uint64_t>(n - 1) * recordSize_, buffer, recordSize_)) {
    std::memset(buffer, 0, recordSize_);
    ui::ShowMessage(
        files::FailureText("RecordStoreO.GetRecord failed reading file " + win1252::PathText(fileName_),
                           fileName_, file_.Error()));
    return false;
  }
  return true;
}

bool RecordStoreO::SetRecord(int32_t n, const void *buffer) {
  if (n < 1) throw ERangeError();
  // Record n itself is written once, with its data, not first as zeros.
  if (!Grow(n - 1)) return false;
  ++io_.writes;
  if (!file_.WriteAt(static_cast<uint64_t>(n - 1) * recordSize_, buffer, recordSize_)) {
    ui::ShowMessage(
        files::FailureText("RecordStoreO.SetRecord failed writing file " + win1252::PathText(fileName_),
                           fileName_, file_.Error()));
    return false;
  }
  if (count_ < n) count_ = n;
  return true;
}

void RecordStoreO::EnrollWrites(WriteBehind &w) {
  w.Enroll(file_, "RecordStoreO.SetRecord failed writing file " + win1252::PathText(fileName_));
}

bool RecordStoreO::Truncate() {
  if (!file_.IsOpen()) return false;
  ++io_.writes;
  if (!file_.Truncate(0)) {
    ui::ShowMessage(
        files::FailureText("RecordStoreO.SetRecord failed writing file " + win1252::PathText(fileName_),
                           fileName_, file_.Error()));
    return false;
  }
  count_ = 0;
  return true;
}
