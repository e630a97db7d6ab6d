#pragma once
// The games of a native database: ".gad" holds one record per stored game
// (a 35-byte descriptor, the u32 size, the packed game), ".gai" the u32
// offset of game n's record at (n - 1) x 4. A game's number never changes;
// a replacement is a new record at the end and entry n re-pointed once it is
// whole, so the old game stays readable until then. Failures show their
// message and answer false or 0.
#include <array>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "database/IndexMan.h"
#include "database/QZUtils.h"
#include "database/RecordPagesMan.h"
#include "platform/Bytes.h"
#include "platform/Files.h"

// The summary of a game that lists and searches read, 35 bytes on file.
struct GameDescriptor {
  enum Flags : uint8_t {
    gfDeleted = 1,
    gfWhiteWins = 2,
    gfDraw = 4,
    gfBlackWins = 8,
    gfMate = 16,
    gfCheck = 32,
    gfStalemate = 64,
    gfComments = 128,
  };
  // What the moves give rather than the tags.
  static constexpr uint8_t kMoveFlags = gfMate | gfCheck | gfStalemate | gfComments;
  // Field offsets on file.
  static constexpr size_t kFlags = 0, kWhite = 1, kBlack = 5, kEventSite = 9, kAnnotator = 13, kYear = 17,
                          kWhiteElo = 19, kBlackElo = 21, kMoves = 23, kEco = 24, kReserved = 28;
  static constexpr size_t kSize = 35;
  static_assert(kReserved + 7 == kSize);

  uint8_t flags = 0;
  uint32_t white = 0, black = 0, eventSite = 0, annotator = 0;
  int16_t year = 0, whiteElo = 0, blackElo = 0;
  uint8_t moves = 0;
  uint32_t eco = 0;
  std::array<uint8_t, 7> reserved{};

  void ToBytes(uint8_t *p) const;
  // Inline: a search reads one for every game it meets.
  void FromBytes(const uint8_t *p) {
    flags = p[kFlags];
    white = le::GetU32(p + kWhite);
    black = le::GetU32(p + kBlack);
    eventSite = le::GetU32(p + kEventSite);
    annotator = le::GetU32(p + kAnnotator);
    year = le::GetI16(p + kYear);
    whiteElo = le::GetI16(p + kWhiteElo);
    blackElo = le::GetI16(p + kBlackElo);
    moves = p[kMoves];
    eco = le::GetU32(p + kEco);
    std::memcpy(reserved.data(), p + kReserved, reserved.size());
  }
  // The move count and move flags of another descriptor of the same game.
  void TakeCounts(const GameDescriptor &from) {
    moves = from.moves;
    flags = static_cast<uint8_t>((flags & ~kMoveFlags) | (from.flags & kMoveFlags));
  }
  bool operator==(const GameDescriptor &) const = default;
};

// "A00".."E99" (and a six-character text with its sub-code) to the ECO
// code of the descriptor, else 0.
uint32_t EcoCode(const std::string &text);

// Fills the descriptor from the packed game's tags (move count and flags
// from the buffer's summary when "QVNrOfMoves" or "QVFlags" is absent),
// adding names to the indexes in the order White, Black, event/site,
// annotator. It starts from
// d as given: zeros for a new game, game n's stored descriptor for a
// replacement (its deleted flag and reserved bytes stay). False when the
// game cannot be read; d is then unchanged.
bool BuildGameDescriptor(const GameBuffer &game, IndexManO &players, IndexManO &eventSites,
                         IndexManO &annotators, GameDescriptor &d);
// The same through a reader the caller keeps: it is left attached to game.
bool BuildGameDescriptor(const GameBuffer &game, QZGameManagerO &reader, IndexManO &players,
                         IndexManO &eventSites, IndexManO &annotators, GameDescriptor &d);

// The message refusing a database: file is damaged, or one of file and
// other when it cannot be told which.
std::string DamagedFilesText(const std::string &file, const std::string &other = {});

class GameStoreO {
 public:
  static constexpr uint32_t kRecordHead = GameDescriptor::kSize + 4;

  GameStoreO() { Init(); }
  ~GameStoreO() { Close(); }
  GameStoreO(const GameStoreO &) = delete;
  GameStoreO &operator=(const GameStoreO &) = delete;

  void Init();
  void Done();
  // The name ids of a game's descriptor the search booster links.
  struct NameIds {
    uint32_t white = 0, black = 0, eventSite = 0;
  };
  // How many names each name index holds.
  struct NameCounts {
    uint64_t players = 0, eventSites = 0, annotators = 0;
  };
  // The name indexes some game refers past (NamesPast).
  enum NamesPastBits : uint8_t { kPlayersPast = 1, kEventSitesPast = 2, kAnnotatorsPast = 4 };
  // Opens ".gad" and ".gai" of baseName when the index exists; otherwise the
  // files are created by the first AddGame. The index is checked against the
  // records: a missing index beside records, a torn entry, more entries than
  // ".gad" holds record heads, an entry that is not the offset of a whole
  // record, or one inside the record before refuses the open as damaged,
  // with nothing written; the message names ".gad" where it ends inside or
  // right before a record, both files where it cannot be told. False after
  // a message; the store then holds no games and refuses writes. names gets
  // every game's ids, in game order, from the same read; with counts every
  // game's ids are checked against them (NamesPast).
  bool Open(const std::string &baseName, std::vector<NameIds> *names = nullptr,
            const NameCounts *counts = nullptr);
  // After Open with counts: NamesPastBits of the indexes a game refers past.
  uint8_t NamesPast() const { return namesPast_; }
  void Close();
  void CloseAndDelete();
  bool IsOpen() const { return open_; }
  // A fresh base name (".gad") inside a new private directory under dir
  // (the temporary directory when empty); empty on failure. Whoever closes
  // the set removes the directory.
  static std::string MakeTempBaseName(const std::string &dir = {});

  int64_t TotalSize();
  int32_t Count() const { return count_; }
  const std::string &GamesFileName() const { return gamesName_; }
  const std::string &IndexFileName() const { return indexName_; }

  // The new game's number, or 0.
  int32_t AddGame(const GameBuffer &game, const GameDescriptor &d);
  // Stores game n anew with its descriptor.
  bool SaveGame(int32_t n, const GameBuffer &game, const GameDescriptor &d);
  // Game n into buf (reused, grown when needed) and its descriptor; on a
  // failure buf is empty and the descriptor zeroed. n outside 1..Count()
  // raises ERangeError (so do the calls below).
  bool GetGame(int32_t n, GameBuffer &buf, GameDescriptor *d = nullptr);
  // Descriptors are held in memory from their first read until close, read
  // a page of games at a time (RecordPagesO), and kept in step by every
  // write of this store: 35 bytes per game at most.
  bool ReadDescriptor(int32_t n, GameDescriptor &d) {
    // Held records answer here; the rest read their page first.
    if (n >= 1 && n <= count_) {
      if (const uint8_t *bytes = held_.Find(n)) {
        d.FromBytes(bytes);
        return true;
      }
    }
    return ReadDescriptorNotHeld(n, d);
  }
  void PrefetchDescriptor(int32_t n) const { held_.Prefetch(n); }
  // Game n's descriptor bytes when held, else nullptr; reads nothing, so
  // several threads may ask while nothing is read or written.
  const uint8_t *HeldDescriptor(int32_t n) const { return n >= 1 && n <= count_ ? held_.Find(n) : nullptr; }
  // Changes with every write and every open or close: what was read from
  // the store before holds while it stays the same.
  uint64_t Generation() const { return generation_; }
  // The memory the held descriptors take.
  size_t HeldBytes() const { return held_.HeldBytes(); }
  // Index entries first..last (within 1..Count()) in one read, for reading
  // many games' records; false without a message when the read fails.
  bool ReadOffsets(int32_t first, int32_t last, std::vector<uint32_t> &out);
  // Game n's descriptor at the record offset its index entry holds.
  bool ReadDescriptorAt(uint64_t off, GameDescriptor &d);
  bool WriteDescriptor(int32_t n, const GameDescriptor &d);
  bool DeleteGame(int32_t n);
  bool GameIsDeleted(int32_t n);
  int32_t NextGameNr(int32_t n) const { return n + 1 > count_ ? 0 : n + 1; }
  int32_t PrevGameNr(int32_t n) const { return n - 1; }
  int32_t GameNrOf(int32_t i) const { return i; }
  int32_t IndexOfGame(int32_t n) const { return n; }
  // A bulk run's writes wait in w: records before their index entries.
  void EnrollWrites(WriteBehind &w);
  // Its files, for the sync that ends a command that stores.
  void AddFiles(std::vector<BinFile *> &out) { out.insert(out.end(), {&games_, &index_}); }
  // Count and size from the files again, after waiting writes were
  // dropped; a torn entry past the whole ones is cut.
  void Resync();

 private:
  bool ReadDescriptorNotHeld(int32_t n, GameDescriptor &d);
  bool CreateFiles();
  // Shows that file (or one of file and other) is damaged, closes,
  // refuses writes; false.
  bool Damaged(const std::string &file, const std::string &other = {});
  bool RecordOutside(uint64_t off, uint64_t nextOff);
  bool CheckIndex(std::vector<NameIds> *names, const NameCounts *counts);
  bool OpenFiles(const char *gamesFailed, const char *indexFailed);
  bool RecordFits();
  // Shows the message with the games file's path and reason (outside: the
  // record lies past the file); answers false.
  bool GamesFailed(const char *message, bool outside);
  bool ReadOffset(int32_t n, uint64_t &off, const char *message);
  // Reads the descriptors of n's page, records close together in one read;
  // a game left out (outside the file, a failed read) is read alone later.
  void HoldPage(int32_t n);
  // Game n's descriptor as now stored, or forgotten (nullptr) when a failed
  // write leaves it unknown.
  void Hold(int32_t n, const GameDescriptor *d);
  bool WriteRecord(uint64_t off, const GameBuffer &game, const GameDescriptor &d, const char *descMessage,
                   const char *dataMessage);

  bool open_ = false;
  bool failed_ = false;
  uint64_t generation_ = 0;
  int32_t count_ = 0;
  uint8_t namesPast_ = 0;
  uint64_t gamesSize_ = 0;
  std::string gamesName_, indexName_;
  BinFile games_, index_;
  RecordPagesO held_{GameDescriptor::kSize};
  // ReadOffset's block of index entries from offFirst_, read at offGeneration_.
  std::vector<uint32_t> offBlock_;
  int32_t offFirst_ = 0;
  uint64_t offGeneration_ = ~uint64_t{0};
};
