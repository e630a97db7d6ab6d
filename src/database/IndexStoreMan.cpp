#include "database/IndexStoreMan.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "database/RecordStoreMan.h"
#include "foundation/CommonText.h"
#include "platform/Bytes.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {

std::string WithErrno(const std::string &text, int err) { return text + " (" + std::to_string(err) + ")"; }

const char kDataWriteFailed[] = "IndexStoreO.AppendIndexI failed writing d_file";
const char kIndexWriteFailed[] = "IndexStoreO.AppendIndexI failed writing index_file";

// A name as stored and looked up: at most kMaxText bytes, never ending
// inside a UTF-8 character.
std::string Cut(const std::string &text) {
  return text.substr(0, win1252::Utf8Cut(text, IndexStoreO::kMaxText));
}

// Sequential u32 ids through a buffer, so a run costs few system calls.
class RunReader {
 public:
  RunReader(BinFile *file, uint64_t count) : file_(file), left_(count) {}
  // False at the end, or on a read error (failed() then tells).
  bool Next(uint32_t &id) {
    if (pos_ == buf_.size()) {
      if (left_ == 0) return false;
      const uint64_t n = std::min<uint64_t>(left_, kChunk);
      buf_.resize(static_cast<size_t>(n) * 4);
      if (!file_->ReadAt(offset_, buf_.data(), buf_.size())) {
        failed_ = true;
        return false;
      }
      offset_ += buf_.size();
      left_ -= n;
      pos_ = 0;
    }
    id = le::GetU32(buf_.data() + pos_);
    pos_ += 4;
    return true;
  }
  bool failed() const { return failed_; }

 private:
  static constexpr uint64_t kChunk = 16384;
  BinFile *file_;
  uint64_t left_, offset_ = 0;
  std::vector<uint8_t> buf_;
  size_t pos_ = 0;
  bool failed_ = false;
};

class RunWriter {
 public:
  explicit RunWriter(BinFile &file) : file_(file) {}
  bool Put(uint32_t id) {
    uint8_t b[4];
    le::PutU32(b, id);
    buf_.insert(buf_.end(), b, b + 4);
    return buf_.size() < kChunk || Flush();
  }
  bool Flush() {
    if (!buf_.empty() && !file_.WriteAt(offset_, buf_.data(), buf_.size())) return false;
    offset_ += buf_.size();
    buf_.clear();
    return true;
  }

 private:
  static constexpr size_t kChunk = 65536;
  BinFile &file_;
  uint64_t offset_ = 0;
  std::vector<uint8_t> buf_;
};

// One side of a merge: ids in text order, with their texts.
class MergeSource {
 public:
  virtual ~MergeSource() = default;
  // text stays valid until the next call.
  virtual bool Next(uint32_t &id, std::string_view &text) = 0;
  bool failed = false;
};

class FnSource : public MergeSource {
 public:
  // next gets a buffer for a text it has to read.
  explicit FnSource(std::function<bool(uint32_t &, std::string &, std::string_view &, bool &)> next)
      : next_(std::move(next)) {}
  bool Next(uint32_t &id, std::string_view &text) override { return next_(id, buf_, text, failed); }

 private:
  std::function<bool(uint32_t &, std::string &, std::string_view &, bool &)> next_;
  std::string buf_;
};

class BatchSource : public MergeSource {
 public:
  explicit BatchSource(const std::vector<std::pair<uint32_t, std::string>> &batch) : batch_(batch) {}
  bool Next(uint32_t &id, std::string_view &text) override {
    if (i_ == batch_.size()) return false;
    id = batch_[i_].first;
    text = batch_[i_++].second;
    return true;
  }

 private:
  const std::vector<std::pair<uint32_t, std::string>> &batch_;
  size_t i_ = 0;
};

// A fresh run file with a unique name in the temporary directory, so no
// leftover and no other running copy meets it; removed with the object.
class ScratchRun {
 public:
  ScratchRun() : path_(dirs::MakeTempFile("tvsort")) {
    if (path_.empty())
      err_ = errno;
    else if (!file_.Open(path_, BinFile::Mode::ReadWrite))
      err_ = file_.Error();
  }
  ~ScratchRun() {
    file_.Close();
    if (!path_.empty()) files::Delete(path_);
  }
  ScratchRun(const ScratchRun &) = delete;
  ScratchRun &operator=(const ScratchRun &) = delete;
  bool Ok() const { return file_.IsOpen(); }
  int Err() const { return err_ ? err_ : file_.Error(); }
  const std::string &Path() const { return path_; }
  BinFile &File() { return file_; }

 private:
  std::string path_;
  BinFile file_;
  int err_ = 0;
};

// Writes both sides in text order; among equal texts the newer ids first.
bool Merge(MergeSource &newer, MergeSource &older, RunWriter &out) {
  uint32_t nid = 0, oid = 0;
  std::string_view ntext, otext;
  bool haveNew = newer.Next(nid, ntext);
  for (bool haveOld = older.Next(oid, otext); haveOld; haveOld = older.Next(oid, otext)) {
    for (; haveNew && win1252::CompareText(ntext, otext) <= 0; haveNew = newer.Next(nid, ntext))
      if (!out.Put(nid)) return false;
    if (!out.Put(oid)) return false;
  }
  for (; haveNew; haveNew = newer.Next(nid, ntext))
    if (!out.Put(nid)) return false;
  return !newer.failed && !older.failed && out.Flush();
}

void SortFileFailed(int err, const std::string &path) {
  ui::ShowMessage(files::FailureText(WithErrno("IndexStoreO.Create failed for sorter_file", err), path, err));
}

}  // namespace

void IndexStoreO::Init() {
  open_ = false;
  sortedDamaged_ = sortedUnfit_ = false;
  damagedFile_.clear();
  damagedOther_.clear();
  count_ = 0;
  textKind_ = win1252::TextKind::Ascii;
  dataSize_ = 0;
  indexName_.clear();
  dataName_.clear();
  sortedName_.clear();
  sortedCount_ = -1;
  bulkMode_ = false;
  recent_.Init();
  ForgetHeld();
}

void IndexStoreO::ForgetHeld() {
  held_ = holdFailed_ = heldSortedValid_ = false;
  heldData_ = {};
  heldOffsets_ = {};
  heldSorted_ = {};
  tableCount_ = 0;
  sortedTable_ = {};
}

void IndexStoreO::Done() { recent_.Done(); }

bool IndexStoreO::Open(const std::string &baseName) {
  Close();
  const std::string ext = files::ExtractFileExt(baseName);
  const std::string stem = files::ChangeFileExt(baseName, ext.substr(0, 3));
  dataName_ = stem + "d";
  indexName_ = stem + "i";
  sortedName_ = stem + "s";
  const bool existing = files::Exists(indexName_);
  struct Role {
    BinFile &file;
    const std::string &name;
    const char *created, *opened;
  };
  const Role roles[] = {
      {dataFile_, dataName_, "IndexStoreO.CreateFile failed for data_file",
       "IndexStoreO.OpenFile failed for data_file"},
      {indexFile_, indexName_, "IndexStoreO.Create failed for index_file",
       "IndexStoreO.OpenFile failed for index_file"},
      {sortedFile_, sortedName_, "IndexStoreO.Create failed for sorter_file",
       "IndexStoreO.OpenFile failed for sorter_file"},
  };
  int64_t sizes[3] = {};
  for (int k = 0; k < 3; ++k) {
    bool existed = false;
    sizes[k] = OpenStoreFile(roles[k].file, roles[k].name, existed);
    if (sizes[k] < 0) {
      ui::ShowMessage(
          files::FailureText(WithErrno(existing ? roles[k].opened : roles[k].created, roles[k].file.Error()),
                             roles[k].name, roles[k].file.Error()));
      dataFile_.Close();
      indexFile_.Close();
      sortedFile_.Close();
      return false;
    }
  }
  dataSize_ = static_cast<uint64_t>(sizes[0]);
  count_ = RangeCast<int32_t>(static_cast<uint64_t>(sizes[1]) / 4);
  sortedCount_ = -1;
  open_ = true;
  if (existing) ScanNames();
  return true;
}

// One sequential read of the small name files checks every record the
// index names and tells the kind of their texts. Records lie in ascending
// order, each wholly inside the data file after the one before and none
// empty: otherwise the files are damaged (DamagedFile). A sorted file of k
// ids stands for ids 1..k in name order: one whose ids are not exactly
// 1..k (not whole ids, more ids than names, an id out of range or given
// twice, a cut file holding the first k of the order) is damaged. Ids
// 1..k in another order (another program's or an earlier fold's, where
// binary search misses names) are not damage: ASCII and UTF-8 names are
// sorted anew without a word, Windows-1252 names keep theirs. Either is
// left to SortAnewIfDamaged; until then the file is not used.
void IndexStoreO::ScanNames() {
  if (dataSize_ > std::numeric_limits<uint32_t>::max()) return;
  std::vector<uint8_t> data(static_cast<size_t>(dataSize_));
  std::vector<uint8_t> offsets(static_cast<size_t>(count_) * 4);
  if (!dataFile_.ReadAt(0, data.data(), data.size()) || !indexFile_.ReadAt(0, offsets.data(), offsets.size()))
    return;  // left to the readers' messages
  win1252::TextKind kind = win1252::TextKind::Ascii;
  uint64_t prevEnd = 0;
  for (size_t i = 0; i < offsets.size(); i += 4) {
    const uint64_t off = le::GetU32(offsets.data() + i);
    const uint32_t len = off + 4 <= data.size() ? le::GetU32(data.data() + off) : 0;
    // No name is stored empty.
    if (off < prevEnd || off + 4 > data.size() || len == 0 || len > kMaxText || off + 4 + len > data.size()) {
      // The last record, begun where it may but running past the end,
      // meets a cut data file; otherwise either file may be the damaged
      // one (records are appended, so an earlier one past the end is an
      // entry gone wrong as much as a cut).
      const bool dataCut = i + 4 == offsets.size() && off >= prevEnd && off <= data.size() &&
                           (off + 4 > data.size() || off + 4 + len > data.size());
      damagedFile_ = dataCut ? dataName_ : indexName_;
      damagedOther_ = dataCut ? std::string() : dataName_;
      return;
    }
    kind = win1252::Utf8Scan::Combine(
        kind, win1252::Classify({reinterpret_cast<const char *>(data.data() + off + 4), len}));
    prevEnd = off + 4 + len;
  }
  textKind_ = kind;
  const int64_t sortedSize = sortedFile_.Size();
  if (sortedSize < 0) return;
  if (sortedSize % 4 != 0 || sortedSize / 4 > count_) {
    sortedDamaged_ = sortedUnfit_ = true;
    return;
  }
  const std::vector<uint32_t> ids = SortedIds();
  const auto k = static_cast<uint32_t>(ids.size());
  std::vector<bool> seen(static_cast<size_t>(k) + 1);
  auto text = [&](uint32_t id) {
    const uint64_t off = le::GetU32(offsets.data() + (id - 1) * 4);
    return std::string_view(reinterpret_cast<const char *>(data.data() + off + 4), le::GetU32(data.data() + off));
  };
  bool ordered = true;
  for (size_t i = 0; i < ids.size(); ++i) {
    if (ids[i] < 1 || ids[i] > k || seen[ids[i]]) {
      sortedDamaged_ = sortedUnfit_ = true;
      return;
    }
    seen[ids[i]] = true;
    // The comparison the sorts and lookups use, whatever fold it takes.
    if (ordered && i > 0 && win1252::CompareText(text(ids[i - 1]), text(ids[i])) > 0) ordered = false;
  }
  if (!ordered && kind != win1252::TextKind::Other) sortedUnfit_ = true;
}

bool IndexStoreO::SortAnewIfDamaged() {
  if (!sortedUnfit_) return true;
  const bool damaged = std::exchange(sortedDamaged_, false);
  // A failure has said so; the old file stays, unused, for the next open.
  if (!BuildSortedIndex()) return false;
  if (damaged)
    ui::ShowMessage(SubstituteText(CommonText::S_SortedNamesRebuilt, win1252::PathText(sortedName_)));
  return true;
}

void IndexStoreO::Close() {
  dataFile_.Close();
  indexFile_.Close();
  sortedFile_.Close();
  Done();
  Init();
}

void IndexStoreO::CloseAndDelete() {
  const bool wasOpen = open_;
  const std::string d = dataName_, i = indexName_, s = sortedName_;
  Close();
  if (wasOpen) {
    files::Delete(d);
    files::Delete(i);
    files::Delete(s);
  }
}

int64_t IndexStoreO::TotalSize() {
  if (!open_) return 0;
  int64_t total = 0;
  for (BinFile *f : {&dataFile_, &indexFile_, &sortedFile_}) total += std::max<int64_t>(f->Size(), 0);
  return total;
}

void IndexStoreO::HoldInMemory() {
  if (held_ || holdFailed_ || !open_) return;
  holdFailed_ = true;
  std::vector<char> data(static_cast<size_t>(dataSize_));
  std::vector<uint8_t> index(static_cast<size_t>(count_) * 4);
  if (!dataFile_.ReadAt(0, data.data(), data.size()) || !indexFile_.ReadAt(0, index.data(), index.size()))
    return;
  std::vector<uint32_t> offsets(static_cast<size_t>(count_));
  for (size_t i = 0; i < offsets.size(); ++i) {
    const uint64_t off = le::GetU32(&index[i * 4]);
    if (off + 4 > dataSize_) return;
    const uint32_t len = le::GetU32(reinterpret_cast<const uint8_t *>(&data[static_cast<size_t>(off)]));
    if (len > kMaxText || off + 4 + len > dataSize_) return;
    offsets[i] = static_cast<uint32_t>(off);
  }
  heldData_ = std::move(data);
  heldOffsets_ = std::move(offsets);
  heldSortedValid_ = false;
  held_ = true;
  holdFailed_ = false;
}

bool IndexStoreO::HeldText(uint32_t id, std::string_view &text) const {
  if (!held_ || id < 1 || id > heldOffsets_.size()) return false;
  const char *p = heldData_.data() + heldOffsets_[id - 1];
  text = std::string_view(p + 4, le::GetU32(reinterpret_cast<const uint8_t *>(p)));
  return true;
}

bool IndexStoreO::ReadText(uint32_t id, std::string &text) {
  text.clear();
  if (!open_) return false;
  std::string_view held;
  if (HeldText(id, held)) {
    text.assign(held);
    return true;
  }
  uint8_t b[4];
  if (id < 1 || id > static_cast<uint32_t>(count_) ||
      !indexFile_.ReadAt(static_cast<uint64_t>(id - 1) * 4, b, 4)) {
    const bool inside = id >= 1 && id <= static_cast<uint32_t>(count_);
    ui::ShowMessage(files::FailureText("IndexStoreO.GetText failed reading index_file", indexName_,
                                       inside ? indexFile_.Error() : 0));
    return false;
  }
  // Stored offsets and lengths are checked against the file before any
  // allocation, so a damaged record cannot ask for gigabytes. Most names
  // are short: one read takes the length and the first bytes of the text.
  const uint64_t off = le::GetU32(b);
  uint8_t head[4 + kShortText];
  const uint64_t headSize = off + 4 <= dataSize_ ? std::min<uint64_t>(sizeof head, dataSize_ - off) : 0;
  uint32_t len = 0;
  const bool readFailed = headSize != 0 && !dataFile_.ReadAt(off, head, static_cast<size_t>(headSize));
  if (headSize == 0 || readFailed || (len = le::GetU32(head)) > kMaxText || off + 4 + len > dataSize_) {
    ui::ShowMessage(files::FailureText("IndexStoreO.GetText failed reading data_file data.size", dataName_,
                                       readFailed ? dataFile_.Error() : 0));
    return false;
  }
  const uint32_t inHead = std::min<uint32_t>(len, kShortText);
  text.assign(reinterpret_cast<const char *>(head) + 4, inHead);
  if (len > inHead) {
    text.resize(len);
    if (!dataFile_.ReadAt(off + 4 + inHead, text.data() + inHead, len - inHead)) {
      text.clear();
      ui::ShowMessage(files::FailureText("IndexStoreO.GetText failed reading games_file data", dataName_,
                                         dataFile_.Error()));
      return false;
    }
  }
  return true;
}

bool IndexStoreO::TextOf(uint32_t id, std::string &buf, std::string_view &text) {
  if (HeldText(id, text)) return true;
  if (!ReadText(id, buf)) return false;
  text = buf;
  return true;
}

std::string IndexStoreO::GetText(uint32_t id) {
  std::string text;
  if (id != 0) ReadText(id, text);
  return text;
}

uint32_t IndexStoreO::Add(const std::string &name) {
  if (!open_) return 0;
  if (count_ == std::numeric_limits<int32_t>::max()) throw ERangeError();
  const std::string text = Cut(name);
  // The data record goes at the data file's end (the index holds its
  // offset); the index entry at its own place, over any torn tail.
  std::vector<uint8_t> rec(4 + text.size());
  le::PutU32(rec.data(), static_cast<uint32_t>(text.size()));
  std::copy(text.begin(), text.end(), rec.begin() + 4);
  if (dataSize_ > std::numeric_limits<uint32_t>::max() ||
      !dataFile_.WriteAt(dataSize_, rec.data(), rec.size())) {
    ui::ShowMessage(files::FailureText(kDataWriteFailed, dataName_, dataFile_.Error()));
    return 0;
  }
  uint8_t b[4];
  le::PutU32(b, static_cast<uint32_t>(dataSize_));
  dataSize_ += rec.size();
  if (held_) heldData_.insert(heldData_.end(), rec.begin(), rec.end());
  if (!indexFile_.WriteAt(static_cast<uint64_t>(count_) * 4, b, 4)) {
    ui::ShowMessage(files::FailureText(kIndexWriteFailed, indexName_, indexFile_.Error()));
    return 0;
  }
  const uint32_t id = static_cast<uint32_t>(++count_);
  if (held_) heldOffsets_.push_back(le::GetU32(b));
  textKind_ = win1252::Utf8Scan::Combine(textKind_, win1252::Classify(text));
  if (bulkMode_) {
    if (recent_.HasRoom()) {
      recent_.Insert(text, id);
    } else {
      recent_.Clear();
      if (count_ - SortedCount() > kSortAbove) UpdateSortedIndex();
    }
  }
  return id;
}

int32_t IndexStoreO::SortedCount() {
  // A sorted file not yet replaced covers nothing: every name is in the tail.
  if (sortedUnfit_) return 0;
  if (sortedCount_ < 0) {
    const int64_t size = open_ ? sortedFile_.Size() : 0;
    // The sorted ids cover at most the ids there are.
    sortedCount_ = size < 0 ? 0 : static_cast<int32_t>(std::min<int64_t>(size / 4, count_));
  }
  return sortedCount_;
}

bool IndexStoreO::HoldSortedIds() {
  if (held_ && !heldSortedValid_) {
    std::vector<uint8_t> bytes(static_cast<size_t>(SortedCount()) * 4);
    heldSortedValid_ = sortedFile_.ReadAt(0, bytes.data(), bytes.size());
    heldSorted_.resize(heldSortedValid_ ? bytes.size() / 4 : 0);
    for (size_t k = 0; k < heldSorted_.size(); ++k) heldSorted_[k] = le::GetU32(&bytes[k * 4]);
  }
  return held_ && heldSortedValid_;
}

void IndexStoreO::SortedReadFailed(int err) const {
  ui::ShowMessage(
      files::FailureText("IndexStoreO.GetSortedIndex failed reading sorted_file", sortedName_, err));
}

bool IndexStoreO::ReadSortedId(int32_t i, uint32_t &id) {
  uint8_t b[4];
  id = 0;
  if (!open_) return false;
  // A failed read leaves the copy invalid; the file reads below then tell.
  if (HoldSortedIds() && i >= 1 && i <= SortedCount()) {
    id = heldSorted_[static_cast<size_t>(i - 1)];
    if (id >= 1 && id <= static_cast<uint32_t>(count_)) return true;
    id = 0;
    SortedReadFailed(0);
    return false;
  }
  const bool inside = i >= 1 && i <= SortedCount();
  if (!inside || !sortedFile_.ReadAt(static_cast<uint64_t>(i - 1) * 4, b, 4)) {
    SortedReadFailed(inside ? sortedFile_.Error() : 0);
    return false;
  }
  if ((id = le::GetU32(b)) < 1 || id > static_cast<uint32_t>(count_)) {
    id = 0;
    SortedReadFailed(0);
    return false;
  }
  return true;
}

uint32_t IndexStoreO::GetSortedIndex(int32_t i) {
  uint32_t id = 0;
  ReadSortedId(i, id);
  return id;
}

std::vector<uint32_t> IndexStoreO::SortedIds() {
  std::vector<uint32_t> ids;
  const int32_t n = open_ ? SortedCount() : 0;
  if (n <= 0) return ids;
  std::vector<uint8_t> bytes(static_cast<size_t>(n) * 4);
  if (!sortedFile_.ReadAt(0, bytes.data(), bytes.size())) {
    SortedReadFailed(sortedFile_.Error());
    return ids;
  }
  ids.resize(static_cast<size_t>(n));
  for (size_t i = 0; i < ids.size(); ++i) ids[i] = le::GetU32(&bytes[i * 4]);
  return ids;
}

std::string IndexStoreO::GetSortedText(int32_t i) {
  uint32_t id = 0;
  std::string text;
  if (ReadSortedId(i, id)) ReadText(id, text);
  return text;
}

int64_t IndexStoreO::HashedSortedId(std::string_view text) {
  if (!held_) return -1;
  const int32_t sorted = SortedCount();
  if (tableCount_ < sorted) {
    size_t size = std::max<size_t>(sortedTable_.size(), 16);
    while (size < 2 * static_cast<size_t>(sorted)) size *= 2;
    if (size != sortedTable_.size()) {
      sortedTable_.assign(size, 0);
      tableCount_ = 0;
    }
    for (int32_t id = tableCount_ + 1; id <= sorted; ++id) {
      std::string_view name;
      if (!HeldText(static_cast<uint32_t>(id), name)) return -1;
      const uint64_t h = win1252::FoldHash(name);
      size_t slot = static_cast<size_t>(h) & (size - 1);
      while (sortedTable_[slot] != 0) slot = (slot + 1) & (size - 1);
      sortedTable_[slot] = (h & 0xFFFFFFFF00000000ull) | static_cast<uint32_t>(id);
      tableCount_ = id;
    }
  }
  const uint64_t h = win1252::FoldHash(text);
  const size_t mask = sortedTable_.size() - 1;
  int64_t found = 0;
  for (size_t slot = static_cast<size_t>(h) & mask; sortedTable_[slot] != 0; slot = (slot + 1) & mask) {
    const uint64_t e = sortedTable_[slot];
    const auto id = static_cast<uint32_t>(e & 0xFFFFFFFF);
    // Ids past the sorted ones (a sorted file replaced by a shorter one)
    // are not looked at.
    std::string_view held;
    if ((e ^ h) >> 32 != 0 || id > static_cast<uint32_t>(sorted) || !HeldText(id, held) ||
        win1252::CompareText(held, text) != 0)
      continue;
    if (found != 0) return -1;
    found = id;
  }
  return found;
}

int32_t IndexStoreO::FindSortedPosition(const std::string &pattern, MatchMode kind) {
  int32_t lo = 1, hi = SortedCount();
  std::string stored;
  while (lo <= hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    uint32_t id = 0;
    if (!ReadSortedId(mid, id)) return 0;
    std::string_view text;
    if (!HeldText(id, text)) {
      if (!ReadText(id, stored)) return 0;
      text = stored;
    }
    const int c = kind != mmExact && MatchWildcard(std::string(text), pattern, kind)
                      ? 0
                      : win1252::CompareText(text, pattern);
    if (c == 0) return mid;
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  return 0;
}

uint32_t IndexStoreO::Find(const std::string &name) {
  if (!open_) return 0;
  const std::string text = Cut(name);
  HoldInMemory();
  if (bulkMode_) {
    if (const uint32_t id = recent_.Find(text)) return id;
  }
  if (SortedCount() > 0) {
    const int64_t id = HashedSortedId(text);
    if (id > 0) return static_cast<uint32_t>(id);
    if (id == 0) return TailId(text);
    const int32_t pos = FindSortedPosition(text, mmExact);
    if (pos > 0) return FirstOfEqual(pos);
  }
  return TailId(text);
}

// Names a build with another fold stored apart may fold alike now: they
// lie side by side in sorted order, and the first stored of them is taken.
uint32_t IndexStoreO::FirstOfEqual(int32_t pos) {
  const std::string text = GetSortedText(pos);
  uint32_t first = GetSortedIndex(pos);
  for (const int32_t step : {-1, 1}) {
    for (int32_t p = pos + step; p >= 1 && p <= SortedCount(); p += step) {
      uint32_t id = 0;
      std::string other;
      if (!ReadSortedId(p, id) || !ReadText(id, other) || win1252::CompareText(other, text) != 0) break;
      first = std::min(first, id);
    }
  }
  return first;
}

uint32_t IndexStoreO::TailId(const std::string &text) {
  // The unsorted tail before the recent names, compared exactly.
  std::string stored;
  for (int32_t id = SortedCount() + 1; id <= count_ - recent_.Count(); ++id) {
    std::string_view held;
    if (HeldText(static_cast<uint32_t>(id), held)) {
      if (held == text) return static_cast<uint32_t>(id);
      continue;
    }
    if (!ReadText(static_cast<uint32_t>(id), stored)) return 0;
    if (stored == text) return static_cast<uint32_t>(id);
  }
  return 0;
}

bool IndexStoreO::EndBulkAdd() {
  bulkMode_ = false;
  recent_.Clear();
  if (open_ && count_ - SortedCount() > kSortAbove) return UpdateSortedIndex();
  return true;
}

// Sorts ids first..last in batches of kBatch, each ordered stably by text
// and merged with the run of the batches before it; the last merge writes
// to out, the others to fresh scratch runs.
bool IndexStoreO::SortIds(int32_t first, int32_t last, BinFile &out) {
  ScratchRun runs[2];
  BinFile *in = nullptr;
  uint64_t inCount = 0;
  std::vector<std::pair<uint32_t, std::string>> batch;
  for (int32_t f = first, k = 0; f <= last; f += kBatch, ++k) {
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(f) + kBatch - 1, last));
    batch.clear();
    for (int32_t id = f; id <= end; ++id) {
      batch.emplace_back(static_cast<uint32_t>(id), std::string());
      if (!ReadText(static_cast<uint32_t>(id), batch.back().second)) return false;
    }
    std::stable_sort(batch.begin(), batch.end(), [](const auto &a, const auto &b) {
      return win1252::CompareText(a.second, b.second) < 0;
    });
    BinFile *target = &out;
    if (end < last) {
      ScratchRun &run = runs[k % 2];
      if (!run.Ok() || !run.File().Truncate(0)) {
        SortFileFailed(run.Err(), run.Path());
        return false;
      }
      target = &run.File();
    }
    RunReader reader(in, inCount);
    FnSource older([&](uint32_t &id, std::string &buf, std::string_view &text, bool &failed) {
      if (reader.Next(id)) return TextOf(id, buf, text) || (failed = true, false);
      if (reader.failed()) {
        failed = true;
        SortFileFailed(in->Error(), in->Path());
      }
      return false;
    });
    BatchSource newer(batch);
    RunWriter writer(*target);
    if (!Merge(newer, older, writer)) {
      if (!older.failed) SortFileFailed(target->Error(), target->Path());
      return false;
    }
    in = target;
    inCount += batch.size();
  }
  return true;
}

// Puts a complete new sorted file in place of the old one and reopens it.
bool IndexStoreO::ReplaceSorted(files::TempSibling &sorted, const char *who) {
  if (!sorted.Commit()) {
    SortFileFailed(sorted.Error(), sortedName_);
    return false;
  }
  sortedCount_ = -1;
  sortedUnfit_ = false;
  heldSortedValid_ = false;
  bool existed = false;
  if (OpenStoreFile(sortedFile_, sortedName_, existed) < 0) {
    ui::ShowMessage(files::FailureText(
        WithErrno(std::string(who) + ".OpenFile failed for sorter_file", sortedFile_.Error()), sortedName_,
        sortedFile_.Error()));
    return false;
  }
  return true;
}

void IndexStoreO::EnrollWrites(WriteBehind &w) {
  w.Enroll(dataFile_, kDataWriteFailed);
  w.Enroll(indexFile_, kIndexWriteFailed);
}

void IndexStoreO::Resync() {
  if (!open_) return;
  dataSize_ = static_cast<uint64_t>(std::max<int64_t>(dataFile_.Size(), 0));
  count_ = RangeCast<int32_t>(static_cast<uint64_t>(std::max<int64_t>(indexFile_.Size(), 0)) / 4);
  sortedCount_ = -1;
  recent_.Clear();
  ForgetHeld();
}

// The sorted file lists only names the disk holds: names still waiting
// are written first.
bool IndexStoreO::WriteWaitingNames() {
  for (BinFile *f : {&dataFile_, &indexFile_}) {
    if (!f->WriteWaiting()) {
      ui::ShowMessage(
          files::FailureText(f == &dataFile_ ? kDataWriteFailed : kIndexWriteFailed, f->Path(), f->Error()));
      return false;
    }
  }
  return true;
}

bool IndexStoreO::BuildSortedIndex() {
  if (!open_ || !WriteWaitingNames()) return false;
  files::TempSibling sorted;
  if (!sorted.Create(sortedName_)) {
    SortFileFailed(sorted.Error(), sortedName_);
    return false;
  }
  return SortIds(1, count_, sorted.File()) && ReplaceSorted(sorted, "BuildSortedIndex");
}

bool IndexStoreO::HeldSortedIdsValid() {
  if (!held_ || heldOffsets_.size() != static_cast<size_t>(count_) || SortedCount() == 0 || !HoldSortedIds())
    return false;
  for (uint32_t id : heldSorted_)
    if (id < 1 || id > static_cast<uint32_t>(count_)) return false;
  return true;
}

namespace {
// The ids of both runs in text order, newer first among equal texts: what
// Merge writes, with a binary search for each newer id's place.
std::vector<uint32_t> MergeHeld(const std::vector<uint32_t> &newer, const std::vector<uint32_t> &older,
                                const std::function<std::string_view(uint32_t)> &text) {
  std::vector<uint32_t> out;
  out.reserve(newer.size() + older.size());
  auto from = older.begin();
  for (uint32_t n : newer) {
    const std::string_view nt = text(n);
    const auto to = std::lower_bound(from, older.end(), nt, [&](uint32_t o, std::string_view t) {
      return win1252::CompareText(text(o), t) < 0;
    });
    out.insert(out.end(), from, to);
    out.push_back(n);
    from = to;
  }
  out.insert(out.end(), from, older.end());
  return out;
}
}  // namespace

// The merge of UpdateSortedIndex done on the held names and sorted ids:
// the tail sorted in batches as SortIds does, then put in its places.
bool IndexStoreO::UpdateHeldSortedIndex() {
  files::TempSibling sorted;
  if (!sorted.Create(sortedName_)) {
    SortFileFailed(sorted.Error(), sortedName_);
    return false;
  }
  auto text = [this](uint32_t id) {
    std::string_view t;
    HeldText(id, t);
    return t;
  };
  std::vector<uint32_t> run, batch;
  for (int32_t f = SortedCount() + 1; f <= count_; f += kBatch) {
    const int32_t end = static_cast<int32_t>(std::min<int64_t>(static_cast<int64_t>(f) + kBatch - 1, count_));
    batch.clear();
    for (int32_t id = f; id <= end; ++id) batch.push_back(static_cast<uint32_t>(id));
    std::stable_sort(batch.begin(), batch.end(),
                     [&](uint32_t a, uint32_t b) { return win1252::CompareText(text(a), text(b)) < 0; });
    run = MergeHeld(batch, run, text);
  }
  std::vector<uint32_t> merged = MergeHeld(run, heldSorted_, text);
  RunWriter writer(sorted.File());
  for (uint32_t id : merged)
    if (!writer.Put(id)) {
      SortFileFailed(sorted.File().Error(), sortedName_);
      return false;
    }
  if (!writer.Flush()) {
    SortFileFailed(sorted.File().Error(), sortedName_);
    return false;
  }
  if (!ReplaceSorted(sorted, "UpdateSortedIndex")) return false;
  // The file now holds exactly these ids.
  if (SortedCount() == static_cast<int32_t>(merged.size())) {
    heldSorted_ = std::move(merged);
    heldSortedValid_ = true;
  }
  return true;
}

bool IndexStoreO::UpdateSortedIndex() {
  if (!open_) return false;
  // Nothing to merge into: SortAnewIfDamaged sorts it whole, or the next
  // open tries again after its failure was shown.
  if (sortedUnfit_) return true;
  const int32_t sortedCount = SortedCount();
  if (sortedCount == 0) return BuildSortedIndex();
  if (sortedCount >= count_) return true;
  if (!WriteWaitingNames()) return false;
  if (HeldSortedIdsValid()) return UpdateHeldSortedIndex();
  ScratchRun tail;
  files::TempSibling sorted;
  if (!tail.Ok()) {
    SortFileFailed(tail.Err(), tail.Path());
    return false;
  }
  if (!sorted.Create(sortedName_)) {
    SortFileFailed(sorted.Error(), sortedName_);
    return false;
  }
  if (!SortIds(sortedCount + 1, count_, tail.File())) return false;
  RunReader tailReader(&tail.File(), static_cast<uint64_t>(count_ - sortedCount));
  FnSource newer([&](uint32_t &id, std::string &buf, std::string_view &text, bool &failed) {
    if (tailReader.Next(id)) return TextOf(id, buf, text) || (failed = true, false);
    if (tailReader.failed()) {
      failed = true;
      SortFileFailed(tail.File().Error(), tail.Path());
    }
    return false;
  });
  RunReader sortedReader(&sortedFile_, static_cast<uint64_t>(sortedCount));
  FnSource older([&](uint32_t &id, std::string &buf, std::string_view &text, bool &failed) {
    if (!sortedReader.Next(id)) {
      if (!sortedReader.failed()) return false;  // the end
    } else if (id >= 1 && id <= static_cast<uint32_t>(count_)) {
      if (TextOf(id, buf, text)) return true;
      failed = true;
      return false;
    }
    failed = true;
    SortedReadFailed(sortedReader.failed() ? sortedFile_.Error() : 0);
    return false;
  });
  RunWriter writer(sorted.File());
  if (!Merge(newer, older, writer)) {
    if (!newer.failed && !older.failed) SortFileFailed(sorted.File().Error(), sortedName_);
    return false;
  }
  return ReplaceSorted(sorted, "UpdateSortedIndex");
}
