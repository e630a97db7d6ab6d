#include "database/IntegerListStoreMan.h"

#include <limits>

#include "platform/Bytes.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"

void IntegerListStoreManO::ListBucket::ToBytes(uint8_t *p) const {
  le::PutU32(p, next);
  le::PutU32(p + 4, count);
  for (uint32_t k = 0; k < kValues; ++k) le::PutU32(p + 8 + 4 * k, values[k]);
}

bool IntegerListStoreManO::ListBucket::FromBytes(const uint8_t *p) {
  next = le::GetU32(p);
  count = le::GetU32(p + 4);
  for (uint32_t k = 0; k < kValues; ++k) values[k] = le::GetU32(p + 8 + 4 * k);
  return count <= kValues;
}

void IntegerListStoreManO::Init() {
  BucketStoreManO::Init(kBucketSize);
  cacheMode_ = false;
  listsCreated_ = 0;
}

bool IntegerListStoreManO::Open(const std::string &fileName) {
  Close();
  return BucketStoreManO::Open(fileName);
}

void IntegerListStoreManO::Close() {
  FlushCurrent();
  if (cacheMode_) DisableCache();
  lastBucket_.Init();
  BucketStoreManO::Close();
}

void IntegerListStoreManO::CloseAndDelete() {
  curList_ = 0;
  countList_ = 0;
  dirty_ = false;
  cacheMode_ = false;
  lastBucket_.Init();
  BucketStoreManO::CloseAndDelete();
}

void IntegerListStoreManO::ReadFailed() { ReportReadFailure(0); }

bool IntegerListStoreManO::ReadList(uint32_t n, ListBucket &b) {
  // The current bucket is the live copy of its bucket.
  if (curList_ != 0 && n == curBucket_) {
    b = cur_;
    return true;
  }
  uint8_t raw[kBucketSize];
  if (!GetBucket(n, raw)) return false;
  if (b.FromBytes(raw)) return true;
  ReadFailed();
  return false;
}

// A walk that takes more steps than the file has buckets is a loop.
bool IntegerListStoreManO::ChainTooLong(int64_t &steps) {
  if (++steps <= BucketStoreManO::Count()) return false;
  ReadFailed();
  return true;
}

bool IntegerListStoreManO::WriteBackCurrent() {
  bool ok = true;
  if (curList_ != 0 && dirty_) {
    uint8_t raw[kBucketSize];
    cur_.ToBytes(raw);
    ok = SaveBucket(curBucket_, raw);
  }
  dirty_ = false;
  return ok;
}

bool IntegerListStoreManO::FlushCurrent() {
  const bool ok = WriteBackCurrent();
  curList_ = 0;
  countList_ = 0;
  return ok;
}

uint32_t IntegerListStoreManO::NewList() {
  if (!IsOpen()) return 0;
  if (listsCreated_ == std::numeric_limits<int32_t>::max()) throw ERangeError();
  uint8_t raw[kBucketSize];
  ListBucket{}.ToBytes(raw);
  const uint32_t n = AppendBucket(raw);
  if (n == 0) return 0;
  ++listsCreated_;
  lastBucket_.Put(n, static_cast<int32_t>(n));
  return n;
}

int32_t IntegerListStoreManO::Count(uint32_t list) {
  if (countList_ == list && list != 0) return countLength_;
  if (!IsOpen()) return 0;
  int64_t sum = 0, steps = 0;
  for (uint32_t n = list; n != 0;) {
    ListBucket b;
    if (ChainTooLong(steps) || !ReadList(n, b)) return 0;
    sum += b.count;
    n = b.next;
  }
  countList_ = list;
  countLength_ = RangeCast<int32_t>(sum);
  return countLength_;
}

bool IntegerListStoreManO::LoadListBucket(uint32_t list, int32_t i) {
  if (curList_ == list && list != 0 && i >= firstIndex_ && i < firstIndex_ + static_cast<int32_t>(cur_.count))
    return true;
  // Further along the current list the walk goes on from the current bucket.
  uint32_t n = list;
  int64_t sum = 0;
  if (curList_ == list && list != 0 && i >= firstIndex_ + static_cast<int32_t>(cur_.count)) {
    n = cur_.next;
    sum = firstIndex_ - 1 + static_cast<int64_t>(cur_.count);
  }
  const bool written = WriteBackCurrent();
  curList_ = 0;
  if (!written) return false;
  if (i < 1) throw ERangeError();
  if (!IsOpen()) return false;
  int64_t steps = 0;
  for (;;) {
    if (n == 0) throw ERangeError();  // i is beyond the list's end
    ListBucket b;
    if (ChainTooLong(steps) || !ReadList(n, b)) return false;
    sum += b.count;
    if (i <= sum) {
      cur_ = b;
      curBucket_ = n;
      curList_ = list;
      firstIndex_ = static_cast<int32_t>(sum - b.count + 1);
      dirty_ = false;
      return true;
    }
    n = b.next;
  }
}

bool IntegerListStoreManO::TryGet(uint32_t list, int32_t i, uint32_t &value) {
  if (!LoadListBucket(list, i)) return false;
  value = cur_.values[static_cast<size_t>(i - firstIndex_)];
  return true;
}

uint32_t IntegerListStoreManO::Get(uint32_t list, int32_t i) {
  uint32_t v = 0;
  return TryGet(list, i, v) ? v : 0;
}

int32_t IntegerListStoreManO::IndexOf(uint32_t list, uint32_t value) {
  const int32_t count = Count(list);
  for (int32_t i = 1; i <= count; ++i) {
    uint32_t v = 0;
    if (!TryGet(list, i, v)) return 0;
    if (v == value) return i;
  }
  return 0;
}

bool IntegerListStoreManO::Delete(uint32_t list, int32_t i) {
  if (!LoadListBucket(list, i)) return false;
  // The values after i move down; the freed last place keeps its old value.
  for (uint32_t k = static_cast<uint32_t>(i - firstIndex_) + 1; k < cur_.count; ++k)
    cur_.values[k - 1] = cur_.values[k];
  --cur_.count;
  dirty_ = true;
  if (countList_ == list) --countLength_;
  return true;
}

bool IntegerListStoreManO::Add(uint32_t list, uint32_t value) {
  if (!FlushCurrent() || !IsOpen()) return false;
  if (list == 0) throw ERangeError();
  // From the last bucket known (or the first) on to the one whose next is 0.
  const int32_t hint = lastBucket_.Get(list);
  uint32_t last = hint > 0 ? static_cast<uint32_t>(hint) : list;
  const bool ok = cacheMode_ ? AddCached(list, value, last) : AddDirect(list, value, last);
  if (ok) lastBucket_.Put(list, static_cast<int32_t>(last));
  return ok;
}

bool IntegerListStoreManO::AddDirect(uint32_t, uint32_t value, uint32_t &last) {
  ListBucket b;
  int64_t steps = 0;
  for (;;) {
    if (ChainTooLong(steps) || !ReadList(last, b)) return false;
    if (b.next == 0) break;
    last = b.next;
  }
  uint8_t raw[kBucketSize];
  if (b.count < kValues) {
    b.values[b.count++] = value;
    b.ToBytes(raw);
    return SaveBucket(last, raw);
  }
  // A full last bucket: the new one is written whole before it is linked,
  // so a failure leaves the list as it was.
  ListBucket fresh;
  fresh.count = 1;
  fresh.values[0] = value;
  fresh.ToBytes(raw);
  const uint32_t n = AppendBucket(raw);
  if (n == 0) return false;
  b.next = n;
  b.ToBytes(raw);
  if (!SaveBucket(last, raw)) return false;
  last = n;
  return true;
}

bool IntegerListStoreManO::AddCached(uint32_t, uint32_t value, uint32_t &last) {
  ListBucket b;
  int64_t steps = 0;
  uint8_t *p = GetCachedBucket(last);
  if (p == nullptr) return false;
  if (!b.FromBytes(p)) {
    ReadFailed();
    return false;
  }
  if (b.next != 0) {
    // The map is behind: walk on without filling the cache on the way.
    while (b.next != 0) {
      last = b.next;
      if (ChainTooLong(steps) || !ReadList(last, b)) return false;
    }
    p = GetCachedBucket(last);
    if (p == nullptr) return false;
  }
  if (b.count == kValues) {
    uint8_t raw[kBucketSize];
    ListBucket{}.ToBytes(raw);
    const uint32_t n = AppendBucket(raw);
    if (n == 0) return false;
    b.next = n;
    b.ToBytes(p);
    SetBucketDirty(last);
    if (!ReleaseCachedBucket(last)) return false;
    last = n;
    p = GetCachedBucket(last);
    if (p == nullptr) return false;
    b = ListBucket{};
  }
  b.values[b.count++] = value;
  b.ToBytes(p);
  SetBucketDirty(last);
  return true;
}

void IntegerListStoreManO::EnableCache() {
  FlushCurrent();
  cacheMode_ = true;
  InitCache();
}

bool IntegerListStoreManO::DisableCache() {
  const bool flushed = FlushCurrent();
  cacheMode_ = false;
  return DoneCache() && flushed;
}
