#pragma once
// A file of fixed-size buckets numbered from 1, bucket n at (n - 1) x size,
// with an optional write-back cache of 1000 buckets. While the cache is on,
// GetBucket and SaveBucket see a cached bucket's slot, so each bucket has one
// live copy; a full cache writes back and reuses its least recently used
// slot. Failures show their message and answer false (or 0, or nullptr).
#include <cstdint>
#include <string>
#include <vector>

#include "database/IntMappers.h"
#include "database/RecordStoreMan.h"
#include "platform/Files.h"

class BucketStoreManO {
 public:
  static constexpr int32_t kCacheSlots = 1000;

  BucketStoreManO() = default;
  explicit BucketStoreManO(uint32_t bucketSize) { Init(bucketSize); }
  virtual ~BucketStoreManO() { BucketStoreManO::Close(); }
  BucketStoreManO(const BucketStoreManO &) = delete;
  BucketStoreManO &operator=(const BucketStoreManO &) = delete;

  void Init(uint32_t bucketSize);
  void Done() {}
  // Opens the file, creating it when missing; false after a message.
  virtual bool Open(const std::string &fileName);
  // Writes back the cache, then closes.
  virtual void Close();
  virtual void CloseAndDelete();
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) { out.push_back(&file_); }
  bool IsOpen() const { return file_.IsOpen(); }

  uint32_t BucketSize() const { return bucketSize_; }
  int32_t Count() const { return count_; }
  const std::string &FileName() const { return fileName_; }
  int64_t FileSize();

  // A bucket outside 1..Count() is a failed read; the buffer is zeroed
  // whenever the read fails.
  bool GetBucket(uint32_t n, void *buffer);
  // n in 1..Count() (else ERangeError).
  bool SaveBucket(uint32_t n, const void *buffer);
  // Writes a new bucket after the last; its number, or 0 on failure.
  uint32_t AppendBucket(const void *buffer);
  // Reads the whole file into buffer (FileSize() bytes).
  bool BlockRead(void *buffer);

  void InitCache();
  // Writes back every dirty bucket and switches the cache off.
  bool DoneCache();
  bool CacheOn() const { return cacheOn_; }
  // Bucket n's slot (read on a miss), valid until the next miss; nullptr
  // when the cache is off, n is not a bucket, or a read or write-back fails.
  uint8_t *GetCachedBucket(uint32_t n);
  bool ReleaseCachedBucket(uint32_t n);
  bool FlushCache();
  void SetBucketDirty(uint32_t n);
  int32_t SlotsInUse() const { return slotsInUse_; }

  // Read failures (a damaged link, a bucket past the end) show their
  // message once while *shown is set: a view that reads a damaged list row
  // by row must not stack one message per row. The owner resets it.
  void ShareReadFailureFlag(bool *shown) { readFailureShown_ = shown; }
  // The read failure message naming this file (err 0: damage), once as above.
  void ReportReadFailure(int err);

  StoreIoCounts IoCounts() const { return io_; }
  void ResetIoCounts() { io_ = {}; }

 private:
  struct Slot {
    uint32_t bucket = 0;  // 0 = free
    bool dirty = false;
    int32_t prev = 0, next = 0;  // recency list, 1-based, 0 = end
  };
  uint8_t *SlotMemory(int32_t slot) { return cache_.data() + static_cast<size_t>(slot - 1) * bucketSize_; }
  bool ReadFromFile(uint32_t n, void *buffer);
  bool WriteToFile(uint32_t n, const void *buffer);
  bool WriteBack(int32_t slot);
  void Unlink(int32_t slot);
  void PushFront(int32_t slot);
  void FreeSlot(int32_t slot);

  uint32_t bucketSize_ = 0;
  int32_t count_ = 0;
  std::string fileName_;
  BinFile file_;
  bool cacheOn_ = false;
  IntMapperO slotOf_;
  int32_t slotsInUse_ = 0;
  std::vector<uint8_t> cache_;
  std::vector<Slot> slots_;    // index 0 unused
  std::vector<int32_t> free_;  // free slots, the lowest on top
  int32_t newest_ = 0, oldest_ = 0;
  StoreIoCounts io_;
  bool *readFailureShown_ = nullptr;
};
