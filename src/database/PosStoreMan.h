#pragma once
// The keyed positions of a key set: ".pos", 120-byte records, and ".hsh",
// one block of 65536 chain heads indexed by the position's material key.
//   0 check byte   4 next record of the same key   8 owning key node
//   12 name (length byte + up to 80 characters)   93 compact position
// Reserved bytes are written as zeros. The heads are kept in memory and
// written at Close when changed. One record is kept loaded and written back
// lazily. In memory mode the whole ".pos" is read once and lookups read no
// file; records added or changed meanwhile go to both.
//
// A chain that loops or points past the records is damage: the walk ends,
// answers failure and shows the bucket store's read message once per open.
#include <cstdint>
#include <string>
#include <vector>

#include "database/BucketStoreMan.h"
#include "database/QZUtils.h"

class PositionO;

struct KeyPosRec {
  static constexpr uint32_t kSize = 120;
  static constexpr size_t kMaxName = 80;

  uint8_t check = 0;
  uint32_t next = 0;
  uint32_t node = 0;
  std::string name;
  CompactPosition pos;

  void ToBytes(uint8_t *p) const;
  void FromBytes(const uint8_t *p);
};

class PosStoreManO {
 public:
  static constexpr uint32_t kHeads = 65536;
  static constexpr uint32_t kHeadsBytes = kHeads * 4;

  PosStoreManO();
  ~PosStoreManO() { Close(); }
  PosStoreManO(const PosStoreManO &) = delete;
  PosStoreManO &operator=(const PosStoreManO &) = delete;

  // The ".hsh" and ".pos" beside the given name (its extension replaced).
  // A missing or empty ".hsh" beside an empty ".pos" (a new set) gets a zero
  // block; beside records it is left for CheckHeads. False after a message,
  // with nothing left open.
  bool Open(const std::string &name);

  // The heads block is derived from ".pos": a chain's head is the record no
  // other record's next names, and every record of a chain has its head's
  // material key. Sound: ".hsh" is that block. Stale: it is not (its size
  // or a head differs); RebuildHeads writes it. Damaged: ".pos" cannot say
  // (a next past the records or named twice, a loop, two chains of one key,
  // a record of another key or no position); nothing is written. Failed: a
  // read failed (its message shown).
  enum class Heads { Sound, Stale, Damaged, Failed };
  Heads CheckHeads();
  // Replaces ".hsh" whole with the block CheckHeads found.
  bool RebuildHeads();
  const std::string &HeadsFileName() const { return hsh_.FileName(); }
  // See BucketStoreManO::ShareReadFailureFlag; both files.
  void ShareReadFailureFlag(bool *shown) {
    hsh_.ShareReadFailureFlag(shown);
    pos_.ShareReadFailureFlag(shown);
  }
  // Writes the loaded record and the changed heads; false when a write failed.
  bool Close();
  void CloseAndDelete();
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) {
    hsh_.AddFiles(out);
    pos_.AddFiles(out);
  }
  bool IsOpen() const { return pos_.IsOpen(); }
  uint32_t Count() const;

  bool LoadAll();
  void UnloadAll();
  bool InMemory() const { return inMemory_; }

  // The record of the position, 0 when absent; false (record 0) when its
  // chain is damaged.
  bool Find(const CompactPosition &p, uint32_t &record);
  uint32_t Find(const CompactPosition &p);
  uint32_t FindBoard(const PositionO &board);
  uint32_t FindMailbox(const MailboxPos &pos);
  // The record, added when absent; 0 on failure or a damaged chain.
  uint32_t FindOrAdd(const CompactPosition &p);
  uint32_t FindOrAddBoard(const PositionO &board);

  // Records 1..Count(); another number is a failed read (0, "", false).
  uint32_t GetValue(uint32_t r);
  bool SetValue(uint32_t r, uint32_t node);
  std::string GetName(uint32_t r);
  // Cut to 80 characters.
  bool SetName(uint32_t r, const std::string &text);
  bool GetCompact(uint32_t r, CompactPosition &out);
  bool GetBoard(uint32_t r, PositionO &out);

  // The compact form of a board as the packed replay makes it; false for a
  // board no game reaches (more than 32 men).
  static bool CompactOf(const PositionO &board, CompactPosition &out);
  // Whether the board can be keyed at all (see CompactOf; a side with no
  // men or more than 16 has no material key).
  static bool CanKey(const PositionO &board);

  StoreIoCounts RecordIo() const { return pos_.IoCounts(); }
  StoreIoCounts HeadsIo() const { return hsh_.IoCounts(); }
  void ResetIoCounts();

 private:
  static bool KeyOf(const CompactPosition &p, uint16_t &key, uint8_t &check);
  bool FindKeyed(const CompactPosition &p, uint16_t key, uint8_t check, uint32_t &record);
  bool ReadRecord(uint32_t r, KeyPosRec &rec);
  bool Load(uint32_t r);
  bool WriteBack();
  bool Damaged();

  BucketStoreManO hsh_, pos_;
  std::vector<uint32_t> heads_;
  std::vector<uint32_t> derivedHeads_;
  bool headsChanged_ = false;
  bool inMemory_ = false;
  std::vector<uint8_t> mem_;
  uint32_t memCount_ = 0;
  uint32_t cur_ = 0;
  KeyPosRec curRec_;
  bool curDirty_ = false;
  bool damageShown_ = false;
};
