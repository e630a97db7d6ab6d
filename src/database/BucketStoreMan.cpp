#include "database/BucketStoreMan.h"

#include <cstring>
#include <limits>

#include "platform/Errors.h"
#include "platform/UiHooks.h"

void BucketStoreManO::Init(uint32_t bucketSize) {
  if (bucketSize == 0) throw ERangeError();
  bucketSize_ = bucketSize;
}

bool BucketStoreManO::Open(const std::string &fileName) {
  Close();
  fileName_ = fileName;
  bool existed = false;
  const int64_t size = OpenStoreFile(file_, fileName, existed);
  if (size < 0) {
    ui::ShowMessage(files::FailureText("BucketStoreManO." + std::string(existed ? "OpenFile" : "CreateFile") +
                                           " failed for data_file (" + std::to_string(file_.Error()) + ")",
                                       fileName, file_.Error()));
    return false;
  }
  count_ = RangeCast<int32_t>(static_cast<uint64_t>(size) / bucketSize_);
  return true;
}

void BucketStoreManO::Close() {
  if (cacheOn_) DoneCache();
  file_.Close();
  count_ = 0;
  fileName_.clear();
}

void BucketStoreManO::CloseAndDelete() {
  const std::string name = fileName_;
  const bool wasOpen = file_.IsOpen();
  // The file goes, so its cached buckets are dropped unwritten.
  cacheOn_ = false;
  cache_.clear();
  slots_.clear();
  free_.clear();
  slotOf_.Done();
  slotsInUse_ = 0;
  Close();
  if (wasOpen) files::Delete(name);
}

int64_t BucketStoreManO::FileSize() { return file_.IsOpen() ? file_.Size() : 0; }

bool BucketStoreManO::ReadFromFile(uint32_t n, void *buffer) {
  const bool inside = n >= 1 && n <= static_cast<uint32_t>(count_);
  if (inside) {
    ++io_.reads;
    if (file_.ReadAt(static_cast<uint64_t>(n - 1) * bucketSize_, buffer, bucketSize_)) return true;
  }
  std::memset(buffer, 0, bucketSize_);
  ReportReadFailure(inside ? file_.Error() : 0);
  return false;
}

void BucketStoreManO::ReportReadFailure(int err) {
  if (readFailureShown_ != nullptr) {
    if (*readFailureShown_) return;
    *readFailureShown_ = true;
  }
  ui::ShowMessage(files::FailureText("BucketStoreManO.GetBucket failed", fileName_, err));
}

bool BucketStoreManO::WriteToFile(uint32_t n, const void *buffer) {
  ++io_.writes;
  if (file_.WriteAt(static_cast<uint64_t>(n - 1) * bucketSize_, buffer, bucketSize_)) return true;
  ui::ShowMessage(files::FailureText("BucketStoreManO.SaveBucket failed", fileName_, file_.Error()));
  return false;
}

bool BucketStoreManO::GetBucket(uint32_t n, void *buffer) {
  if (!file_.IsOpen()) {
    std::memset(buffer, 0, bucketSize_);
    return false;
  }
  if (cacheOn_) {
    const int32_t slot = slotOf_.Get(n);
    if (slot > 0) {
      std::memcpy(buffer, SlotMemory(slot), bucketSize_);
      return true;
    }
  }
  return ReadFromFile(n, buffer);
}

bool BucketStoreManO::SaveBucket(uint32_t n, const void *buffer) {
  if (!file_.IsOpen()) return false;
  if (n < 1 || n > static_cast<uint32_t>(count_)) throw ERangeError();
  if (cacheOn_) {
    const int32_t slot = slotOf_.Get(n);
    if (slot > 0) {
      std::memcpy(SlotMemory(slot), buffer, bucketSize_);
      slots_[slot].dirty = true;
      return true;
    }
  }
  return WriteToFile(n, buffer);
}

uint32_t BucketStoreManO::AppendBucket(const void *buffer) {
  if (!file_.IsOpen()) return 0;
  if (count_ == std::numeric_limits<int32_t>::max()) throw ERangeError();
  // Written where its number says, over any torn tail.
  const uint32_t n = static_cast<uint32_t>(count_) + 1;
  if (!WriteToFile(n, buffer)) return 0;
  count_ = static_cast<int32_t>(n);
  return n;
}

bool BucketStoreManO::BlockRead(void *buffer) {
  if (!file_.IsOpen()) return false;
  const int64_t size = file_.Size();
  io_.reads += static_cast<uint64_t>(count_);
  if (size < 0 || !file_.ReadAt(0, buffer, static_cast<size_t>(size))) {
    ui::ShowMessage(files::FailureText("BucketStoreManO.BlockRead failed", fileName_, file_.Error()));
    return false;
  }
  // Cached buckets are newer than the file.
  if (cacheOn_) {
    for (int32_t s = 1; s <= kCacheSlots; ++s)
      if (slots_[s].bucket != 0)
        std::memcpy(static_cast<uint8_t *>(buffer) + static_cast<size_t>(slots_[s].bucket - 1) * bucketSize_,
                    SlotMemory(s), bucketSize_);
  }
  return true;
}

void BucketStoreManO::InitCache() {
  if (cacheOn_) return;
  cacheOn_ = true;
  slotOf_.Init();
  cache_.assign(static_cast<size_t>(kCacheSlots) * bucketSize_, 0);
  slots_.assign(kCacheSlots + 1, Slot{});
  free_.clear();
  for (int32_t s = kCacheSlots; s >= 1; --s) free_.push_back(s);
  slotsInUse_ = 0;
  newest_ = oldest_ = 0;
}

bool BucketStoreManO::DoneCache() {
  if (!cacheOn_) return true;
  const bool ok = FlushCache();
  cacheOn_ = false;
  cache_.clear();
  cache_.shrink_to_fit();
  slots_.clear();
  free_.clear();
  slotOf_.Done();
  slotsInUse_ = 0;
  newest_ = oldest_ = 0;
  return ok;
}

void BucketStoreManO::Unlink(int32_t slot) {
  Slot &s = slots_[slot];
  if (s.prev)
    slots_[s.prev].next = s.next;
  else
    newest_ = s.next;
  if (s.next)
    slots_[s.next].prev = s.prev;
  else
    oldest_ = s.prev;
  s.prev = s.next = 0;
}

void BucketStoreManO::PushFront(int32_t slot) {
  Slot &s = slots_[slot];
  s.prev = 0;
  s.next = newest_;
  if (newest_) slots_[newest_].prev = slot;
  newest_ = slot;
  if (!oldest_) oldest_ = slot;
}

bool BucketStoreManO::WriteBack(int32_t slot) {
  Slot &s = slots_[slot];
  if (!s.dirty) return true;
  if (!WriteToFile(s.bucket, SlotMemory(slot))) return false;
  s.dirty = false;
  return true;
}

void BucketStoreManO::FreeSlot(int32_t slot) {
  slotOf_.Remove(slots_[slot].bucket);
  Unlink(slot);
  slots_[slot] = Slot{};
  free_.push_back(slot);
  --slotsInUse_;
}

uint8_t *BucketStoreManO::GetCachedBucket(uint32_t n) {
  if (!cacheOn_ || !file_.IsOpen()) return nullptr;
  int32_t slot = slotOf_.Get(n);
  if (slot > 0) {
    Unlink(slot);
    PushFront(slot);
    return SlotMemory(slot);
  }
  if (free_.empty()) {
    // Full: the least recently used bucket makes room, written back first.
    const int32_t victim = oldest_;
    if (!WriteBack(victim)) return nullptr;
    FreeSlot(victim);
  }
  slot = free_.back();
  if (!ReadFromFile(n, SlotMemory(slot))) return nullptr;
  free_.pop_back();
  slots_[slot] = Slot{n, false, 0, 0};
  slotOf_.Put(n, slot);
  PushFront(slot);
  ++slotsInUse_;
  return SlotMemory(slot);
}

bool BucketStoreManO::ReleaseCachedBucket(uint32_t n) {
  if (!cacheOn_) return true;
  const int32_t slot = slotOf_.Get(n);
  if (slot <= 0) return true;
  // A bucket whose write-back fails stays cached, so nothing is lost yet.
  if (!WriteBack(slot)) return false;
  FreeSlot(slot);
  return true;
}

bool BucketStoreManO::FlushCache() {
  if (!cacheOn_) return true;
  bool ok = true;
  for (int32_t s = 1; s <= kCacheSlots; ++s)
    if (slots_[s].bucket != 0) ok = ReleaseCachedBucket(slots_[s].bucket) && ok;
  return ok;
}

void BucketStoreManO::SetBucketDirty(uint32_t n) {
  if (!cacheOn_) return;
  const int32_t slot = slotOf_.Get(n);
  if (slot > 0) slots_[slot].dirty = true;
}
