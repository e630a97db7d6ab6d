#pragma once
// The three files of one name index: data (u32 length + text per name),
// index (u32 offset of id's record at (id - 1) x 4) and sorted (u32 ids in
// the order of their texts, covering the first ids; later ids are the
// unsorted tail). Names are compared through the one fold of names
// (win1252::CompareText).
// Once a name is looked up, the data, index and sorted ids are also held
// in memory until Close, kept in step with every write, so lookups during
// a run read no file.
// Failures show their message and answer false, 0 or an empty text.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/StrTables.h"
#include "foundation/MyUtils.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

class IndexStoreO {
 public:
  static constexpr uint32_t kMaxText = 1025;
  static constexpr uint32_t kShortText = 60;
  static constexpr int32_t kBatch = 2500;
  // Bulk runs sort the tail once it holds more names than this.
  static constexpr int32_t kSortAbove = 100;

  IndexStoreO() { Init(); }
  ~IndexStoreO() { Close(); }
  IndexStoreO(const IndexStoreO &) = delete;
  IndexStoreO &operator=(const IndexStoreO &) = delete;

  void Init();
  void Done();
  // Opens the three files named from baseName (its extension cut to three
  // characters, then "d", "i" or "s"); creates them when the index file is
  // missing. False after a message; the index then holds nothing.
  bool Open(const std::string &baseName);
  void Close();
  void CloseAndDelete();
  bool IsOpen() const { return open_; }
  int64_t TotalSize();
  int32_t Count() const { return count_; }
  // Whether the names hold text that is not valid UTF-8 (Other), else
  // multi-byte UTF-8 (Utf8): read at open, kept up to date by Add.
  win1252::TextKind TextKind() const { return textKind_; }
  // The text of id 1..Count(); empty for 0 and after a read error.
  std::string GetText(uint32_t id);
  // Appends a name (cut to kMaxText); its id, or 0 on failure.
  uint32_t Add(const std::string &text);
  // The id of a name (cut to kMaxText), or 0.
  uint32_t Find(const std::string &text);
  int32_t SortedCount();
  uint32_t GetSortedIndex(int32_t i);
  std::string GetSortedText(int32_t i);
  // The whole sorted file in one read, as stored (ids unchecked); empty
  // after a read error, which shows its message.
  std::vector<uint32_t> SortedIds();
  // A sorted position whose text matches the pattern by kind (kind 0:
  // equal up to case), found by binary search; 0 when none.
  int32_t FindSortedPosition(const std::string &pattern, MatchMode kind);
  void BeginBulkAdd() { bulkMode_ = true; }
  bool EndBulkAdd();
  bool BulkMode() const { return bulkMode_; }
  // After an open of existing files: the file whose records do not lie
  // where the index says, one after another inside the data file (the
  // index or the data file), and the other of the two when it cannot be
  // told which; empty when the records are whole.
  const std::string &DamagedFile() const { return damagedFile_; }
  const std::string &DamagedOther() const { return damagedOther_; }
  // A sorted file found at open not to be ids 1..k in name order is sorted
  // anew; a damaged one (ids other than 1..k) says so once with its path,
  // after the new file is in place. Until then, and after a failure (which
  // shows its message), it covers no name and the next open tries again.
  bool SortAnewIfDamaged();
  // Sorts every id anew / merges the unsorted tail into the sorted file.
  // Either replaces the sorted file whole or leaves it as it was.
  bool BuildSortedIndex();
  bool UpdateSortedIndex();
  // A bulk run's writes to the data and index files wait in w.
  void EnrollWrites(WriteBehind &w);
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) {
    out.insert(out.end(), {&dataFile_, &indexFile_, &sortedFile_});
  }
  // Count and sizes from the files again, after waiting writes were dropped.
  void Resync();

  const std::string &DataFileName() const { return dataName_; }
  const std::string &IndexFileName() const { return indexName_; }
  const std::string &SortedFileName() const { return sortedName_; }

 private:
  // Drops every name, id and table held in memory: read again when asked.
  void ForgetHeld();
  // With the names held, the sorted file's ids read into memory once;
  // false while they are not (a failed read).
  bool HoldSortedIds();
  void ScanNames();
  bool ReadText(uint32_t id, std::string &text);
  // The held text, or the one read into buf.
  bool TextOf(uint32_t id, std::string &buf, std::string_view &text);
  // The held text of id, when the memory copy holds it.
  bool HeldText(uint32_t id, std::string_view &text) const;
  // Reads the data and index files whole; holds nothing when any record
  // is damaged (the file reads then tell).
  void HoldInMemory();
  bool ReadSortedId(int32_t i, uint32_t &id);
  // The id among the sorted ones (always ids 1..SortedCount()) of a held
  // name equal to text by the fold, through a hash table of those ids: >0
  // when exactly one matches, 0 when none does, -1 when the table cannot
  // tell (names not held, or several folding alike: the binary search
  // finds those and FirstOfEqual picks among them).
  int64_t HashedSortedId(std::string_view text);
  // The first (lowest) id of the names at sorted positions next to pos
  // that fold as the one at pos does.
  uint32_t FirstOfEqual(int32_t pos);
  // The id of text among the unsorted ids before the recent names,
  // compared exactly, or 0.
  uint32_t TailId(const std::string &text);
  bool SortIds(int32_t first, int32_t last, BinFile &out);
  bool ReplaceSorted(files::TempSibling &sorted, const char *who);
  // Whether the held sorted ids can be merged in memory: all read and in
  // range, with every name held.
  bool HeldSortedIdsValid();
  bool UpdateHeldSortedIndex();
  bool WriteWaitingNames();
  // The message of a sorted id that could not be read (err) or is out of
  // range (0: the file is damaged).
  void SortedReadFailed(int err) const;

  bool open_ = false;
  int32_t count_ = 0;
  uint64_t dataSize_ = 0;
  std::string indexName_, dataName_, sortedName_;
  BinFile indexFile_, dataFile_, sortedFile_;
  int32_t sortedCount_ = -1;
  win1252::TextKind textKind_ = win1252::TextKind::Ascii;
  bool bulkMode_ = false;
  // The sorted file is not used (sortedUnfit_), and is damaged, not just
  // in another order (sortedDamaged_).
  bool sortedDamaged_ = false, sortedUnfit_ = false;
  std::string damagedFile_, damagedOther_;
  StringTableO recent_;
  // The memory copy: the data file's bytes, each id's record offset, and
  // the sorted ids (read again after the sorted file is replaced).
  bool held_ = false, holdFailed_ = false;
  std::vector<char> heldData_;
  std::vector<uint32_t> heldOffsets_;
  bool heldSortedValid_ = false;
  std::vector<uint32_t> heldSorted_;
  // Open addressing over ids 1..tableCount_: the hash's high half and the
  // id per slot, 0 for an empty slot. Grows with the sorted ids.
  int32_t tableCount_ = 0;
  std::vector<uint64_t> sortedTable_;
};
