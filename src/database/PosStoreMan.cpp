#include "database/PosStoreMan.h"

#include <cstring>

#include "chess/Posns.h"
#include "database/KeyStoreMan.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

void KeyPosRec::ToBytes(uint8_t *p) const {
  std::memset(p, 0, kSize);
  p[0] = check;
  le::PutU32(p + 4, next);
  le::PutU32(p + 8, node);
  PutShortString(p + 12, name, kMaxName);
  std::memcpy(p + 93, pos.bytes.data(), pos.bytes.size());
}

void KeyPosRec::FromBytes(const uint8_t *p) {
  check = p[0];
  next = le::GetU32(p + 4);
  node = le::GetU32(p + 8);
  name = GetShortString(p + 12, kMaxName);
  std::memcpy(pos.bytes.data(), p + 93, pos.bytes.size());
}

PosStoreManO::PosStoreManO() : hsh_(kHeadsBytes), pos_(KeyPosRec::kSize), heads_(kHeads, 0) {}

bool PosStoreManO::Open(const std::string &name) {
  Close();
  damageShown_ = false;
  if (!pos_.Open(files::ChangeFileExt(name, ".pos"))) return false;
  if (!hsh_.Open(files::ChangeFileExt(name, ".hsh"))) {
    pos_.Close();
    return false;
  }
  std::vector<uint8_t> block(kHeadsBytes, 0);
  bool ok = true;
  if (hsh_.Count() == 0) {
    // Beside records a short block is not a new set: CheckHeads rebuilds it.
    if (pos_.Count() == 0) ok = hsh_.AppendBucket(block.data()) != 0;
  } else {
    ok = hsh_.GetBucket(1, block.data());
  }
  if (!ok) {
    hsh_.Close();
    pos_.Close();
    return false;
  }
  for (uint32_t k = 0; k < kHeads; ++k) heads_[k] = le::GetU32(block.data() + 4 * k);
  headsChanged_ = false;
  return true;
}

PosStoreManO::Heads PosStoreManO::CheckHeads() {
  derivedHeads_.assign(kHeads, 0);
  if (!pos_.IsOpen() || !hsh_.IsOpen()) return Heads::Failed;
  const uint32_t count = Count();
  std::vector<uint8_t> raw(static_cast<size_t>(std::max<int64_t>(pos_.FileSize(), 0)));
  if (raw.size() < size_t{count} * KeyPosRec::kSize) return Heads::Failed;
  if (!raw.empty() && !pos_.BlockRead(raw.data())) return Heads::Failed;
  auto at = [&](uint32_t r) { return raw.data() + size_t{r - 1} * KeyPosRec::kSize; };
  // Who names each record as its next: none for a head, one otherwise.
  std::vector<bool> named(size_t{count} + 1, false);
  for (uint32_t r = 1; r <= count; ++r) {
    const uint32_t next = le::GetU32(at(r) + 4);
    if (next == 0) continue;
    if (next > count || named[next]) return Heads::Damaged;
    named[next] = true;
  }
  uint32_t reached = 0;
  for (uint32_t r = 1; r <= count; ++r) {
    if (named[r]) continue;
    CompactPosition cp;
    std::memcpy(cp.bytes.data(), at(r) + 93, cp.bytes.size());
    uint16_t key;
    uint8_t check;
    if (!KeyOf(cp, key, check) || derivedHeads_[key] != 0) return Heads::Damaged;
    derivedHeads_[key] = r;
    // Each record is named once, so a chain from a head ends.
    for (uint32_t c = r; c != 0; c = le::GetU32(at(c) + 4)) {
      std::memcpy(cp.bytes.data(), at(c) + 93, cp.bytes.size());
      uint16_t k2;
      uint8_t check2;
      if (!KeyOf(cp, k2, check2) || k2 != key || check2 != at(c)[0]) return Heads::Damaged;
      ++reached;
    }
  }
  // Records no head reaches form a loop.
  if (reached != count) return Heads::Damaged;
  if (hsh_.FileSize() != kHeadsBytes) return Heads::Stale;
  return derivedHeads_ == heads_ ? Heads::Sound : Heads::Stale;
}

bool PosStoreManO::RebuildHeads() {
  if (derivedHeads_.size() != kHeads || !hsh_.IsOpen()) return false;
  std::string block(kHeadsBytes, '\0');
  for (uint32_t k = 0; k < kHeads; ++k)
    le::PutU32(reinterpret_cast<uint8_t *>(block.data()) + 4 * k, derivedHeads_[k]);
  const std::string name = hsh_.FileName();
  hsh_.Close();
  int err = 0;
  const bool written = files::WriteAllAtomic(name, block, &err);
  if (!written) ui::ShowMessage(files::FailureText("BucketStoreManO.SaveBucket failed", name, err));
  // Open again either way, so Close finds what it closes.
  if (!hsh_.Open(name) || !written) return false;
  heads_ = derivedHeads_;
  headsChanged_ = false;
  return true;
}

bool PosStoreManO::Close() {
  bool ok = true;
  if (pos_.IsOpen()) {
    ok = WriteBack();
    if (headsChanged_ && hsh_.IsOpen()) {
      std::vector<uint8_t> block(kHeadsBytes);
      for (uint32_t k = 0; k < kHeads; ++k) le::PutU32(block.data() + 4 * k, heads_[k]);
      ok = hsh_.SaveBucket(1, block.data()) && ok;
    }
  }
  UnloadAll();
  hsh_.Close();
  pos_.Close();
  std::fill(heads_.begin(), heads_.end(), 0u);
  headsChanged_ = false;
  cur_ = 0;
  curDirty_ = false;
  return ok;
}

void PosStoreManO::CloseAndDelete() {
  UnloadAll();
  cur_ = 0;
  curDirty_ = false;
  headsChanged_ = false;
  hsh_.CloseAndDelete();
  pos_.CloseAndDelete();
}

uint32_t PosStoreManO::Count() const {
  return inMemory_ ? memCount_ : static_cast<uint32_t>(std::max<int32_t>(pos_.Count(), 0));
}

void PosStoreManO::ResetIoCounts() {
  hsh_.ResetIoCounts();
  pos_.ResetIoCounts();
}

bool PosStoreManO::LoadAll() {
  if (!pos_.IsOpen()) return false;
  if (!WriteBack()) return false;
  const int64_t size = pos_.FileSize();
  if (size < 0) return false;
  mem_.assign(static_cast<size_t>(size), 0);
  if (size > 0 && !pos_.BlockRead(mem_.data())) {
    UnloadAll();
    return false;
  }
  memCount_ = static_cast<uint32_t>(pos_.Count());
  inMemory_ = true;
  return true;
}

void PosStoreManO::UnloadAll() {
  inMemory_ = false;
  mem_.clear();
  mem_.shrink_to_fit();
  memCount_ = 0;
}

bool PosStoreManO::Damaged() {
  // The links run through the records' file.
  if (!damageShown_) pos_.ReportReadFailure(0);
  damageShown_ = true;
  return false;
}

bool PosStoreManO::ReadRecord(uint32_t r, KeyPosRec &rec) {
  if (r == cur_ && cur_ != 0) {
    rec = curRec_;
    return true;
  }
  if (inMemory_) {
    if (r < 1 || r > memCount_) {
      rec = KeyPosRec();
      return Damaged();
    }
    rec.FromBytes(mem_.data() + size_t{r - 1} * KeyPosRec::kSize);
    return true;
  }
  uint8_t raw[KeyPosRec::kSize];
  const bool ok = pos_.GetBucket(r, raw);
  rec.FromBytes(raw);
  return ok;
}

bool PosStoreManO::Load(uint32_t r) {
  if (r == cur_ && cur_ != 0) return true;
  if (!WriteBack()) return false;
  KeyPosRec rec;
  if (!ReadRecord(r, rec)) return false;
  cur_ = r;
  curRec_ = rec;
  return true;
}

bool PosStoreManO::WriteBack() {
  if (cur_ == 0 || !curDirty_) return true;
  curDirty_ = false;
  uint8_t raw[KeyPosRec::kSize];
  curRec_.ToBytes(raw);
  return pos_.SaveBucket(cur_, raw);
}

bool PosStoreManO::Find(const CompactPosition &p, uint32_t &record) {
  record = 0;
  uint16_t key;
  uint8_t check;
  return !KeyOf(p, key, check) || FindKeyed(p, key, check, record);
}

uint32_t PosStoreManO::FindMailbox(const MailboxPos &pos) {
  CompactPosition cp;
  uint16_t key;
  uint8_t check;
  uint32_t record = 0;
  try {
    pos.MaterialKey(key, check);
    // Most positions of a game have an empty chain: no compact form needed.
    if (heads_[key] == 0) return 0;
    pos.ToCompact(cp);
  } catch (const ERangeError &) {
    return 0;
  }
  FindKeyed(cp, key, check, record);
  return record;
}

bool PosStoreManO::FindKeyed(const CompactPosition &p, uint16_t key, uint8_t check, uint32_t &record) {
  record = 0;
  if (!pos_.IsOpen()) return true;
  const uint32_t count = Count();
  uint32_t steps = 0;
  for (uint32_t r = heads_[key]; r != 0;) {
    // A link past the records, or more steps than there are records.
    if (r > count || ++steps > count) return Damaged();
    uint8_t c;
    uint32_t next;
    const uint8_t *bytes;
    uint8_t raw[KeyPosRec::kSize];
    if (r == cur_) {
      curRec_.ToBytes(raw);
      bytes = raw;
    } else if (inMemory_) {
      bytes = mem_.data() + size_t{r - 1} * KeyPosRec::kSize;
    } else {
      if (!pos_.GetBucket(r, raw)) return false;
      bytes = raw;
    }
    c = bytes[0];
    next = le::GetU32(bytes + 4);
    if (c == check && std::memcmp(bytes + 93, p.bytes.data(), p.bytes.size()) == 0) {
      record = r;
      return true;
    }
    r = next;
  }
  return true;
}

uint32_t PosStoreManO::Find(const CompactPosition &p) {
  uint32_t r;
  Find(p, r);
  return r;
}

bool PosStoreManO::KeyOf(const CompactPosition &p, uint16_t &key, uint8_t &check) {
  MailboxPos board;
  if (!board.FromCompact(p)) return false;
  // No position of a game has a side without men or with more than 16.
  try {
    board.MaterialKey(key, check);
  } catch (const ERangeError &) {
    return false;
  }
  return true;
}

bool PosStoreManO::CompactOf(const PositionO &board, CompactPosition &out) {
  MailboxPos p;
  p.FromPositionO(board);
  try {
    p.ToCompact(out);
  } catch (const ERangeError &) {
    return false;
  }
  return true;
}

bool PosStoreManO::CanKey(const PositionO &board) {
  CompactPosition cp;
  uint16_t key;
  uint8_t check;
  return CompactOf(board, cp) && KeyOf(cp, key, check);
}

uint32_t PosStoreManO::FindBoard(const PositionO &board) {
  MailboxPos p;
  p.FromPositionO(board);
  return FindMailbox(p);
}

uint32_t PosStoreManO::FindOrAdd(const CompactPosition &p) {
  uint32_t r;
  if (!Find(p, r)) return 0;
  if (r != 0) return r;
  uint16_t key;
  KeyPosRec rec;
  if (!pos_.IsOpen() || !KeyOf(p, key, rec.check)) return 0;
  if (!WriteBack()) return 0;
  rec.next = heads_[key];
  rec.pos = p;
  uint8_t raw[KeyPosRec::kSize];
  rec.ToBytes(raw);
  r = pos_.AppendBucket(raw);
  if (r == 0) return 0;
  heads_[key] = r;
  headsChanged_ = true;
  if (inMemory_) {
    // The copy follows the file record for record.
    mem_.resize(size_t{r} * KeyPosRec::kSize, 0);
    std::memcpy(mem_.data() + size_t{r - 1} * KeyPosRec::kSize, raw, KeyPosRec::kSize);
    memCount_ = r;
  }
  return r;
}

uint32_t PosStoreManO::FindOrAddBoard(const PositionO &board) {
  CompactPosition cp;
  return CompactOf(board, cp) ? FindOrAdd(cp) : 0;
}

uint32_t PosStoreManO::GetValue(uint32_t r) {
  KeyPosRec rec;
  return ReadRecord(r, rec) ? rec.node : 0;
}

std::string PosStoreManO::GetName(uint32_t r) {
  KeyPosRec rec;
  return ReadRecord(r, rec) ? rec.name : std::string();
}

bool PosStoreManO::GetCompact(uint32_t r, CompactPosition &out) {
  KeyPosRec rec;
  if (!ReadRecord(r, rec)) return false;
  out = rec.pos;
  return true;
}

bool PosStoreManO::GetBoard(uint32_t r, PositionO &out) {
  CompactPosition cp;
  MailboxPos p;
  if (!GetCompact(r, cp) || !p.FromCompact(cp)) return false;
  p.ToPositionO(out);
  return true;
}

bool PosStoreManO::SetValue(uint32_t r, uint32_t node) {
  if (!pos_.IsOpen() || !Load(r)) return false;
  curRec_.node = node;
  curDirty_ = true;
  if (inMemory_) le::PutU32(mem_.data() + size_t{r - 1} * KeyPosRec::kSize + 8, node);
  return true;
}

bool PosStoreManO::SetName(uint32_t r, const std::string &text) {
  if (!pos_.IsOpen() || !Load(r)) return false;
  curRec_.name = text.substr(0, win1252::Utf8Cut(text, KeyPosRec::kMaxName));
  curDirty_ = true;
  if (inMemory_) PutShortString(mem_.data() + size_t{r - 1} * KeyPosRec::kSize + 12, curRec_.name, KeyPosRec::kMaxName);
  return true;
}
