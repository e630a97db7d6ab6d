#pragma once
// Fixed-size records of a store held in memory by pages of kPage records,
// from their first read until Clear: a store reads a page's records once
// and afterwards answers from memory. The store keeps what is held current
// on every write (Put) or forgets it (Drop); a record not held is read from
// the file again. At most the records of the pages made are held: record
// size plus a bit per record, however often they are read.
#include <bitset>
#include <cstdint>
#include <memory>
#include <vector>

class RecordPagesO {
 public:
  static constexpr int32_t kPage = 256;

  explicit RecordPagesO(uint32_t recordSize) : size_(recordSize) {}

  // Record n (>= 1) when held, else nullptr.
  const uint8_t *Find(int32_t n) const {
    const Page *p = PageOf(n);
    const auto i = static_cast<size_t>((n - 1) % kPage);
    return p && p->held.test(i) ? p->bytes.get() + i * size_ : nullptr;
  }
  // Asks the processor for record n ahead of its use (a walk's next game).
  void Prefetch(int32_t n) const {
    const Page *p = PageOf(n);
    if (!p) return;
    const uint8_t *at = p->bytes.get() + static_cast<size_t>((n - 1) % kPage) * size_;
#if defined(__x86_64__)
    // GCC 12 drops __builtin_prefetch here as dead code.
    asm volatile("prefetcht0 %0" : : "m"(*at));
#else
    __builtin_prefetch(at);
#endif
  }
  // Whether n's page was made: its records were read (or tried) once.
  bool HasPage(int32_t n) const { return PageOf(n) != nullptr; }
  // Makes n's page, holding nothing yet; answers its first record.
  int32_t MakePage(int32_t n);
  // Holds record n's bytes when its page was made.
  void Put(int32_t n, const uint8_t *bytes);
  // Forgets record n: it is read from the file again.
  void Drop(int32_t n);
  void Clear() { std::vector<std::unique_ptr<Page>>().swap(pages_); }
  // The bytes the pages take.
  size_t HeldBytes() const;

 private:
  struct Page {
    std::unique_ptr<uint8_t[]> bytes;
    std::bitset<kPage> held;
  };
  Page *PageOf(int32_t n) const {
    if (n < 1) return nullptr;
    const auto k = static_cast<size_t>((n - 1) / kPage);
    return k < pages_.size() ? pages_[k].get() : nullptr;
  }

  uint32_t size_;
  std::vector<std::unique_ptr<Page>> pages_;
};
