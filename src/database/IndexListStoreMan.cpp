#include "database/IndexListStoreMan.h"

#include <cstring>
#include <vector>

#include "database/RecordStoreMan.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"

void IndexListStoreO::Init() {
  file_.Close();
  fileName_.clear();
  count_ = 0;
  failed_ = false;
}

bool IndexListStoreO::Open(const std::string &fileName) {
  Close();
  fileName_ = fileName;
  if (!files::Exists(fileName)) return true;
  bool existed = false;
  const int64_t size = OpenStoreFile(file_, fileName, existed);
  if (size < 0) {
    ui::ShowMessage(files::FailureText("IndexListStoreO.OpenFile failed (" + std::to_string(file_.Error()) + ")",
                                       fileName, file_.Error()));
    failed_ = true;
    return false;
  }
  count_ = RangeCast<uint32_t>(static_cast<uint64_t>(size) / kElementSize);
  return true;
}

void IndexListStoreO::Close() { Init(); }

void IndexListStoreO::CloseAndDelete() {
  const std::string name = fileName_;
  const bool wasOpen = file_.IsOpen();
  Close();
  if (wasOpen) files::Delete(name);
}

uint32_t IndexListStoreO::GetIndex(uint32_t i) {
  if (i < 1) throw ERangeError("Game number out of range");
  if (!file_.IsOpen() || i > count_) return 0;
  uint8_t raw[kElementSize];
  if (!file_.ReadAt(uint64_t{i - 1} * kElementSize, raw, kElementSize)) {
    ui::ShowMessage(files::FailureText("IndexListStoreO.GetIndex failed", fileName_, file_.Error()));
    return 0;
  }
  return le::GetU32(raw);
}

bool IndexListStoreO::SetIndex(uint32_t i, uint32_t value) {
  if (i < 1) throw ERangeError("Game number out of range");
  if (failed_ || fileName_.empty()) return false;
  if (!file_.IsOpen()) {
    bool existed = false;
    if (OpenStoreFile(file_, fileName_, existed) < 0) {
      ui::ShowMessage(files::FailureText("IndexListStoreO.Create failed  (" + std::to_string(file_.Error()) + ")",
                                         fileName_, file_.Error()));
      failed_ = true;
      return false;
    }
    count_ = 0;
  }
  if (i > count_ + 1) {
    // Zero entries up to i, written over any torn tail.
    static const std::vector<uint8_t> zeros(64 * 1024, 0);
    uint64_t at = uint64_t{count_} * kElementSize;
    const uint64_t end = uint64_t{i - 1} * kElementSize;
    while (at < end) {
      const size_t n = static_cast<size_t>(std::min<uint64_t>(zeros.size(), end - at));
      if (!file_.WriteAt(at, zeros.data(), n)) {
        ui::ShowMessage(files::FailureText("IndexListStoreO.SetIndex failed", fileName_, file_.Error()));
        return false;
      }
      at += n;
    }
    count_ = i - 1;
  }
  uint8_t raw[kElementSize];
  le::PutU32(raw, value);
  if (!file_.WriteAt(uint64_t{i - 1} * kElementSize, raw, kElementSize)) {
    ui::ShowMessage(files::FailureText("IndexListStoreO.SetIndex failed", fileName_, file_.Error()));
    return false;
  }
  if (i > count_) count_ = i;
  return true;
}
