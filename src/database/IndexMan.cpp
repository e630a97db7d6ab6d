#include "database/IndexMan.h"

uint32_t IndexManO::FindOrAdd(const std::string &text) {
  const uint32_t id = Find(text);
  return id != 0 ? id : Add(text);
}

uint32_t IndexManO::FindFirst(const std::string &pattern, MatchMode kind) {
  pattern_ = pattern;
  kind_ = kind;
  position_ = 0;
  byId_ = kind != mmPrefix;
  if (!byId_ && SortedCount() < Count()) UpdateSortedIndex();
  // Names the sorted file does not cover (it could not be written, or is
  // left for the next open) are read by id.
  if (SortedCount() < Count()) byId_ = true;
  if (byId_) return FindNext();
  position_ = FindSortedPosition(pattern, kind);
  if (position_ == 0) return 0;
  // The matching names lie together in sorted order: go to the first.
  while (position_ > 1 && MatchWildcard(GetSortedText(position_ - 1), pattern, kind)) --position_;
  return GetSortedIndex(position_);
}

uint32_t IndexManO::FindNext() {
  if (!byId_) {
    if (position_ == 0 || position_ >= SortedCount()) return 0;
    ++position_;
    return MatchWildcard(GetSortedText(position_), pattern_, kind_) ? GetSortedIndex(position_) : 0;
  }
  while (position_ < Count()) {
    ++position_;
    if (MatchWildcard(GetText(static_cast<uint32_t>(position_)), pattern_, kind_))
      return static_cast<uint32_t>(position_);
  }
  return 0;
}
