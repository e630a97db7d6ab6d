#pragma once
// Many lists of 32-bit values, each a chain of 48-byte buckets in one bucket
// file: next bucket (0 = last), count (0..10), ten values. A list is named
// by its first bucket. One current bucket is kept in memory and written
// back when replaced or flushed. In cache mode appends go through the
// bucket cache. Failures show their message and answer false or 0; an index
// outside 1..Count raises ERangeError before anything changes.
#include <array>
#include <cstdint>
#include <string>

#include "database/BucketStoreMan.h"
#include "database/IntMappers.h"

class IntegerListStoreManO : public BucketStoreManO {
 public:
  static constexpr uint32_t kBucketSize = 48;
  static constexpr uint32_t kValues = 10;

  struct ListBucket {
    uint32_t next = 0;
    uint32_t count = 0;
    std::array<uint32_t, kValues> values{};
    void ToBytes(uint8_t *p) const;
    // False when the count is above ten (a damaged bucket).
    bool FromBytes(const uint8_t *p);
  };

  IntegerListStoreManO() { Init(); }
  ~IntegerListStoreManO() override { IntegerListStoreManO::Close(); }

  void Init();
  bool Open(const std::string &fileName) override;
  void Close() override;
  void CloseAndDelete() override;

  // A new empty list; its id, or 0 on failure.
  uint32_t NewList();
  int32_t Count(uint32_t list);
  uint32_t Get(uint32_t list, int32_t i);
  // 1-based index of the first equal value, 0 when absent.
  int32_t IndexOf(uint32_t list, uint32_t value);
  bool Delete(uint32_t list, int32_t i);
  bool Add(uint32_t list, uint32_t value);
  void EnableCache();
  bool DisableCache();
  bool CacheMode() const { return cacheMode_; }
  int32_t ListsCreated() const { return listsCreated_; }
  // Writes back the current bucket; clears it and the count cache.
  bool FlushCurrent();

 private:
  bool WriteBackCurrent();
  bool ReadList(uint32_t n, ListBucket &b);
  bool TryGet(uint32_t list, int32_t i, uint32_t &value);
  bool LoadListBucket(uint32_t list, int32_t i);
  bool ChainTooLong(int64_t &steps);
  // The read message for damage the buckets show: a bad count, a loop.
  void ReadFailed();
  bool AddCached(uint32_t list, uint32_t value, uint32_t &last);
  bool AddDirect(uint32_t list, uint32_t value, uint32_t &last);

  bool cacheMode_ = false;
  int32_t listsCreated_ = 0;
  uint32_t countList_ = 0;
  int32_t countLength_ = 0;
  uint32_t curList_ = 0;
  uint32_t curBucket_ = 0;
  int32_t firstIndex_ = 0;
  ListBucket cur_;
  bool dirty_ = false;
  // List -> its last bucket known so far. Buckets are never unlinked, so
  // a walk to the end may start here; it spares walking the whole chain.
  IntMapperO lastBucket_;
};
