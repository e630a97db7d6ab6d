#pragma once
// A name index as the database uses it: find-or-add, bulk runs, and the
// pattern search over the names.
#include <cstdint>
#include <string>

#include "database/IndexStoreMan.h"
#include "foundation/MyUtils.h"

class IndexManO : public IndexStoreO {
 public:
  // The id of the name, added when it is not there yet; 0 on failure.
  uint32_t FindOrAdd(const std::string &text);
  // The first name matching pattern by kind (by sorted order for a prefix
  // the sorted file covers, else by id), then the next ones; 0 when there
  // is none.
  uint32_t FindFirst(const std::string &pattern, MatchMode kind);
  uint32_t FindNext();
  void FindClose() {}

 private:
  std::string pattern_;
  MatchMode kind_ = mmExact;
  int32_t position_ = 0;
  bool byId_ = true;
};
