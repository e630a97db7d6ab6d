#include "database/RecordPagesMan.h"

#include <cstring>

#include "platform/Errors.h"

int32_t RecordPagesO::MakePage(int32_t n) {
  if (n < 1) throw ERangeError();
  const auto k = static_cast<size_t>((n - 1) / kPage);
  if (k >= pages_.size()) pages_.resize(k + 1);
  if (!pages_[k]) {
    pages_[k] = std::make_unique<Page>();
    pages_[k]->bytes = std::make_unique<uint8_t[]>(static_cast<size_t>(kPage) * size_);
  }
  return static_cast<int32_t>(k) * kPage + 1;
}

void RecordPagesO::Put(int32_t n, const uint8_t *bytes) {
  Page *p = PageOf(n);
  if (!p) return;
  const auto i = static_cast<size_t>((n - 1) % kPage);
  std::memcpy(p->bytes.get() + i * size_, bytes, size_);
  p->held.set(i);
}

void RecordPagesO::Drop(int32_t n) {
  if (Page *p = PageOf(n)) p->held.reset(static_cast<size_t>((n - 1) % kPage));
}

size_t RecordPagesO::HeldBytes() const {
  size_t bytes = pages_.capacity() * sizeof(pages_[0]);
  for (const auto &p : pages_)
    if (p) bytes += sizeof(Page) + static_cast<size_t>(kPage) * size_;
  return bytes;
}
