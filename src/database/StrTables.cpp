#include "database/StrTables.h"

#include <algorithm>

#include "platform/Errors.h"
#include "platform/Win1252.h"

void StringTableO::Clear() {
  entries_.clear();
  order_.clear();
}

void StringTableO::Insert(const std::string &text, uint32_t id) {
  if (!HasRoom()) throw ERangeError();
  // After every entry that does not compare greater, so equal texts keep
  // their insertion order.
  const auto pos =
      std::upper_bound(order_.begin(), order_.end(), text, [this](const std::string &t, int32_t e) {
        return win1252::CompareText(t, entries_[static_cast<size_t>(e)].text) < 0;
      });
  order_.insert(pos, Count());
  entries_.push_back({text, id});
}

uint32_t StringTableO::Find(const std::string &text) const {
  int32_t lo = 0, hi = Count() - 1;
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    const Entry &e = entries_[static_cast<size_t>(order_[static_cast<size_t>(mid)])];
    const int c = win1252::CompareText(e.text, text);
    if (c == 0) return e.id;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return 0;
}
