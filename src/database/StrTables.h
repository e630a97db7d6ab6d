#pragma once
// A sorted in-memory table of up to 3000 recently added (text, id) pairs,
// compared without regard to letter case through the Windows-1252 table.
#include <cstdint>
#include <string>
#include <vector>

class StringTableO {
 public:
  static constexpr int32_t kCapacity = 3000;

  void Init() { Clear(); }
  void Done() { Clear(); }
  void Clear();
  bool HasRoom() const { return Count() < kCapacity; }
  int32_t Count() const { return static_cast<int32_t>(entries_.size()); }
  // The caller checks HasRoom first.
  void Insert(const std::string &text, uint32_t id);
  // The id of an entry equal to text up to case, or 0.
  uint32_t Find(const std::string &text) const;

 private:
  struct Entry {
    std::string text;
    uint32_t id;
  };
  std::vector<Entry> entries_;  // insertion order
  std::vector<int32_t> order_;  // entry indexes by text
};
