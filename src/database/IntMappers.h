#pragma once
// An in-memory map from a 32-bit key to a 32-bit value, used by the bucket
// cache (bucket -> slot) and by the list store (list -> last bucket).
#include <cstdint>
#include <unordered_map>

class IntMapperO {
 public:
  void Init() { map_.clear(); }
  void Done() { map_.clear(); }
  // One entry per key: putting a key again replaces its value.
  void Put(uint32_t key, int32_t value) { map_[key] = value; }
  // The value, or -1 when the key is absent.
  int32_t Get(uint32_t key) const {
    const auto it = map_.find(key);
    return it == map_.end() ? -1 : it->second;
  }
  void Remove(uint32_t key) { map_.erase(key); }
  size_t Size() const { return map_.size(); }

 private:
  std::unordered_map<uint32_t, int32_t> map_;
};
