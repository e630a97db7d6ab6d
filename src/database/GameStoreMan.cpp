#include "database/GameStoreMan.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include "chess/InfoMan.h"
#include "database/RecordStoreMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Bytes.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {
std::string WithErrno(const std::string &text, int err) { return text + " (" + std::to_string(err) + ")"; }

const char kAddGameFailed[] = "GameStoreO.SaveGameAsNewToFile failed writing games_file";
const char kAddEntryFailed[] = "GameStoreO.SaveGameAsNewToFile failed writing index_file";
}  // namespace

void GameDescriptor::ToBytes(uint8_t *p) const {
  p[kFlags] = flags;
  le::PutU32(p + kWhite, white);
  le::PutU32(p + kBlack, black);
  le::PutU32(p + kEventSite, eventSite);
  le::PutU32(p + kAnnotator, annotator);
  le::PutI16(p + kYear, year);
  le::PutI16(p + kWhiteElo, whiteElo);
  le::PutI16(p + kBlackElo, blackElo);
  p[kMoves] = moves;
  le::PutU32(p + kEco, eco);
  std::copy(reserved.begin(), reserved.end(), p + kReserved);
}

uint32_t EcoCode(const std::string &text) {
  char letter = 0;
  int number = 0, sub = 0;
  if (!ParseEco(text, letter, number, sub)) return 0;
  // Only a six-character text has a sub-code ("B45/00" differs from "B45").
  const uint32_t subCode = text.size() == 6 ? static_cast<uint32_t>(sub) + 1 : 0;
  return static_cast<uint32_t>(letter - 'A' + 1) * 16384 + static_cast<uint32_t>(number) * 128 + subCode;
}

namespace {
// A tag's number as the descriptor holds it: out of range or not a number 0.
int16_t Small(const std::string &text) {
  const int v = StrToIntDef(text, 0);
  return v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max()
             ? 0
             : static_cast<int16_t>(v);
}

std::string NotQuery(const std::string &value) { return value == "?" ? std::string() : value; }
}  // namespace

bool BuildGameDescriptor(const GameBuffer &game, IndexManO &players, IndexManO &eventSites,
                         IndexManO &annotators, GameDescriptor &d) {
  QZGameManagerO reader;
  return BuildGameDescriptor(game, reader, players, eventSites, annotators, d);
}

bool BuildGameDescriptor(const GameBuffer &game, QZGameManagerO &reader, IndexManO &players,
                         IndexManO &eventSites, IndexManO &annotators, GameDescriptor &d) {
  if (!reader.Attach(game)) return false;
  auto tag = [&](const char *name) { return ini::Trim(reader.GetTagValue(name)); };
  auto id = [](IndexManO &index, const std::string &text) {
    return text.empty() ? 0u : index.FindOrAdd(text);
  };
  d.white = id(players, tag("White"));
  d.black = id(players, tag("Black"));
  const std::string event = NotQuery(tag("Event")), site = NotQuery(tag("Site"));
  d.eventSite = id(eventSites, event + (!event.empty() && !site.empty() ? "; " : "") + site);
  d.annotator = id(annotators, NotQuery(tag("Annotator")));

  d.flags &= static_cast<uint8_t>(
      ~(GameDescriptor::gfWhiteWins | GameDescriptor::gfDraw | GameDescriptor::gfBlackWins));
  const std::string result = tag("Result");
  if (result == "1-0") d.flags |= GameDescriptor::gfWhiteWins;
  if (result == "1/2-1/2") d.flags |= GameDescriptor::gfDraw;
  if (result == "0-1") d.flags |= GameDescriptor::gfBlackWins;

  int year = 0, month = 0, day = 0;
  d.year = ParseDate(tag("Date"), year, month, day) ? Small(std::to_string(year)) : 0;
  d.whiteElo = Small(tag("WhiteElo"));
  d.blackElo = Small(tag("BlackElo"));
  d.eco = EcoCode(tag("ECO"));
  // The pseudo-tags a stored game carries win; a game packed from PGN text
  // without them brings the summary its reader counted.
  const GameSummary &sum = game.summary;
  const std::string movesTag = tag("QVNrOfMoves");
  const int moves = movesTag.empty() && sum.known ? sum.moves : StrToIntDef(movesTag, 0);
  d.moves = static_cast<uint8_t>(std::clamp(moves, 0, 255));

  d.flags &= static_cast<uint8_t>(~GameDescriptor::kMoveFlags);
  std::string qv = tag("QVFlags");
  if (qv.empty() && sum.known)
    qv = {sum.mate ? '1' : '0', sum.check ? '1' : '0', sum.stalemate ? '1' : '0', sum.comments ? '1' : '0'};
  qv.resize(std::max<size_t>(qv.size(), 6), '0');
  if (qv[0] == '1')
    d.flags |= GameDescriptor::gfMate;
  else if (qv[1] == '1')
    d.flags |= GameDescriptor::gfCheck;
  else if (qv[2] == '1')
    d.flags |= GameDescriptor::gfStalemate;
  if (qv[3] == '1') d.flags |= GameDescriptor::gfComments;
  return true;
}

// ------------------------------------------------------------------ store

void GameStoreO::Init() {
  open_ = failed_ = false;
  count_ = 0;
  namesPast_ = 0;
  gamesSize_ = 0;
  gamesName_.clear();
  indexName_.clear();
  held_.Clear();
  ++generation_;
}

void GameStoreO::Done() {
  games_.Close();
  index_.Close();
  open_ = false;
}

bool GameStoreO::Open(const std::string &baseName, std::vector<NameIds> *names, const NameCounts *counts) {
  if (names) names->clear();
  Close();
  gamesName_ = files::ChangeFileExt(baseName, ".gad");
  indexName_ = files::ChangeFileExt(baseName, ".gai");
  if (!files::Exists(indexName_)) {
    // Records without their index cannot be numbered: storing would orphan them.
    if (files::FileSize(gamesName_) >= kRecordHead) return Damaged(indexName_);
    return true;
  }
  // An index with entries needs the records it points at; the games file is
  // not made up for it.
  if (!files::Exists(gamesName_) && files::FileSize(indexName_) > 0) return Damaged(gamesName_);
  return OpenFiles("GameStoreO.OpenFile failed for games_file",
                   "GameStoreO.OpenFile failed for index_file") &&
         CheckIndex(names, counts);
}

std::string DamagedFilesText(const std::string &file, const std::string &other) {
  if (other.empty()) return SubstituteText(CommonText::S_DatabaseFileDamaged, win1252::PathText(file));
  return SubstituteText(SubstituteText(CommonText::S_DatabaseFilesDamaged, win1252::PathText(file)),
                        win1252::PathText(other));
}

bool GameStoreO::Damaged(const std::string &file, const std::string &other) {
  ui::ShowMessage(DamagedFilesText(file, other));
  Close();
  failed_ = true;
  return false;
}

// A record at off (the records before it whole, ending at or before off;
// the next entry at nextOff) that does not lie wholly inside ".gad": the
// last record in the file, begun where it may, meets a cut ".gad"; any
// other may be either file's damage.
bool GameStoreO::RecordOutside(uint64_t off, uint64_t nextOff) {
  if (off <= gamesSize_ && nextOff >= gamesSize_) return Damaged(gamesName_);
  return Damaged(indexName_, gamesName_);
}

// Every entry the offset of its own record lying wholly inside ".gad". A
// replacement leaves entries out of order and dead records between live
// ones, a killed writer torn bytes: the file is never walked from its
// start, only the records the entries name, in offset order. The writers
// append every record, so live records never overlap: an entry inside the
// record before is the index's damage.
bool GameStoreO::CheckIndex(std::vector<NameIds> *names, const NameCounts *counts) {
  const int64_t indexSize = index_.Size();
  if (indexSize < 0 || indexSize % 4 != 0 || indexSize / 4 > std::numeric_limits<int32_t>::max())
    return Damaged(indexName_);
  // Distinct offsets of whole records: no more entries than ".gad" holds
  // record heads, checked before anything is read or held. An empty ".gad"
  // lost the records; otherwise either file may be the damaged one.
  const auto entries = static_cast<size_t>(indexSize / 4);
  if (entries > gamesSize_ / kRecordHead)
    return gamesSize_ == 0 ? Damaged(gamesName_) : Damaged(indexName_, gamesName_);
  // Each entry's offset with its place in the index, in offset order; the
  // index is read in pieces so that only this is held.
  std::vector<uint64_t> order(entries);
  {
    constexpr size_t kPiece = size_t{1} << 16;
    std::vector<uint8_t> raw(std::min(entries, kPiece) * 4);
    for (size_t first = 0; first < entries; first += kPiece) {
      const size_t n = std::min(kPiece, entries - first);
      if (!index_.ReadAt(first * 4, raw.data(), n * 4)) {
        ui::ShowMessage(files::FailureText("GameStoreO.GetGameFromFile failed reading index_file", indexName_,
                                           index_.Error()));
        Close();
        failed_ = true;
        return false;
      }
      for (size_t i = 0; i < n; ++i)
        order[first + i] = uint64_t{le::GetU32(raw.data() + 4 * i)} << 32 | (first + i);
    }
  }
  std::sort(order.begin(), order.end());
  if (names) names->assign(order.size(), NameIds{});
  // The record heads through a window read in large pieces.
  constexpr uint64_t kWindow = 1 << 20;
  std::vector<uint8_t> window;
  uint64_t winStart = 0, prevEnd = 0;
  uint8_t past = 0;
  for (size_t i = 0; i < order.size(); ++i) {
    const uint64_t off = order[i] >> 32;
    const uint64_t nextOff = i + 1 < order.size() ? order[i + 1] >> 32 : std::numeric_limits<uint64_t>::max();
    if (off < prevEnd) return Damaged(indexName_);
    if (off + kRecordHead > gamesSize_) return RecordOutside(off, nextOff);
    if (window.empty() || off < winStart || off + kRecordHead > winStart + window.size()) {
      winStart = off;
      window.resize(static_cast<size_t>(std::min<uint64_t>(kWindow, gamesSize_ - off)));
      if (!games_.ReadAt(winStart, window.data(), window.size())) {
        ui::ShowMessage(files::FailureText("GameStoreO.GetGameFromFile failed reading games_file game.size",
                                           gamesName_, games_.Error()));
        Close();
        failed_ = true;
        return false;
      }
    }
    const uint8_t *head = window.data() + (off - winStart);
    const uint32_t size = le::GetU32(head + GameDescriptor::kSize);
    if (size > gamesSize_ - off - kRecordHead) return RecordOutside(off, nextOff);
    const uint32_t white = le::GetU32(head + GameDescriptor::kWhite),
                   black = le::GetU32(head + GameDescriptor::kBlack),
                   eventSite = le::GetU32(head + GameDescriptor::kEventSite);
    if (counts) {
      // Told once the records are known whole: a garbage head read through
      // a wrong entry is the index's damage, not the names'.
      if (std::max(white, black) > counts->players) past |= kPlayersPast;
      if (eventSite > counts->eventSites) past |= kEventSitesPast;
      if (le::GetU32(head + GameDescriptor::kAnnotator) > counts->annotators) past |= kAnnotatorsPast;
    }
    if (names) (*names)[order[i] & 0xFFFFFFFF] = {white, black, eventSite};
    prevEnd = off + kRecordHead + size;
  }
  namesPast_ = past;
  return true;
}

void GameStoreO::Close() {
  Done();
  Init();
}

void GameStoreO::CloseAndDelete() {
  const std::string g = gamesName_, i = indexName_;
  Close();
  if (!g.empty()) files::Delete(g);
  if (!i.empty()) files::Delete(i);
}

std::string GameStoreO::MakeTempBaseName(const std::string &dir) {
  const std::string tmp = dirs::MakeTempDir("tvdb", dir);
  return tmp.empty() ? tmp : tmp + "games.gad";
}

int64_t GameStoreO::TotalSize() {
  if (!open_) return 0;
  return std::max<int64_t>(games_.Size(), 0) + std::max<int64_t>(index_.Size(), 0);
}

// The files of a set that has none yet; an existing ".gad" keeps its bytes.
bool GameStoreO::CreateFiles() {
  if (open_) return true;
  if (failed_ || gamesName_.empty()) return false;
  return OpenFiles("GameStoreO.CreateFile failed for games_file", "GameStoreO.Create failed for index_file");
}

// Both files, open-always; the messages name what the caller was doing.
bool GameStoreO::OpenFiles(const char *gamesFailed, const char *indexFailed) {
  bool existed = false;
  const int64_t gamesSize = OpenStoreFile(games_, gamesName_, existed);
  const int64_t indexSize = gamesSize < 0 ? -1 : OpenStoreFile(index_, indexName_, existed);
  if (indexSize < 0) {
    ui::ShowMessage(
        gamesSize < 0
            ? files::FailureText(WithErrno(gamesFailed, games_.Error()), gamesName_, games_.Error())
            : files::FailureText(WithErrno(indexFailed, index_.Error()), indexName_, index_.Error()));
    games_.Close();
    failed_ = true;
    return false;
  }
  gamesSize_ = static_cast<uint64_t>(gamesSize);
  // Past the numbers a game can have the index is damaged: CheckIndex says so.
  count_ = static_cast<int32_t>(
      std::min<uint64_t>(static_cast<uint64_t>(indexSize) / 4, std::numeric_limits<int32_t>::max()));
  open_ = true;
  return true;
}

// Offsets on file are u32: a record that would start past them is refused
// before anything is written.
bool GameStoreO::RecordFits() {
  if (gamesSize_ <= std::numeric_limits<uint32_t>::max() && count_ < std::numeric_limits<int32_t>::max())
    return true;
  ui::ShowMessage(SubstituteText(CommonText::S_MaxGamesReached, std::to_string(count_)));
  return false;
}

bool GameStoreO::WriteRecord(uint64_t off, const GameBuffer &game, const GameDescriptor &d,
                             const char *descMessage, const char *dataMessage) {
  uint8_t head[kRecordHead];
  d.ToBytes(head);
  if (!games_.WriteAt(off, head, GameDescriptor::kSize)) {
    ui::ShowMessage(files::FailureText(descMessage, gamesName_, games_.Error()));
    return false;
  }
  le::PutU32(head + GameDescriptor::kSize, game.length);
  if (!games_.WriteAt(off + GameDescriptor::kSize, head + GameDescriptor::kSize, 4) ||
      (game.length > 0 && !games_.WriteAt(off + kRecordHead, game.bytes.get(), game.length))) {
    ui::ShowMessage(files::FailureText(dataMessage, gamesName_, games_.Error()));
    return false;
  }
  return true;
}

int32_t GameStoreO::AddGame(const GameBuffer &game, const GameDescriptor &d) {
  ++generation_;
  if (!CreateFiles() || !RecordFits()) return 0;
  // The record at the end of what is stored (over a torn tail), then its
  // index entry at its own place.
  const uint64_t off = gamesSize_;
  if (!WriteRecord(off, game, d, kAddGameFailed, kAddGameFailed)) return 0;
  uint8_t entry[4];
  le::PutU32(entry, static_cast<uint32_t>(off));
  if (!index_.WriteAt(static_cast<uint64_t>(count_) * 4, entry, 4)) {
    ui::ShowMessage(files::FailureText(kAddEntryFailed, indexName_, index_.Error()));
    return 0;
  }
  gamesSize_ = off + kRecordHead + game.length;
  Hold(++count_, &d);
  return count_;
}

bool GameStoreO::SaveGame(int32_t n, const GameBuffer &game, const GameDescriptor &d) {
  if (n < 1 || n > count_) throw ERangeError();
  ++generation_;
  if (!open_ || !RecordFits()) return false;
  // The entry as it stands, to put back if its rewrite fails.
  const uint64_t at = static_cast<uint64_t>(n - 1) * 4;
  uint8_t was[4];
  if (!index_.ReadAt(at, was, sizeof was)) {
    ui::ShowMessage(files::FailureText("GameStoreO.SaveGameToFile failed reading index_file", indexName_,
                                       index_.Error()));
    return false;
  }
  // Always a new record: game n is re-pointed only once the new one is whole.
  const uint64_t off = gamesSize_;
  if (!WriteRecord(off, game, d,
                   "GameStoreO.SaveGameToFile failed writing games_file appending gamedescriptor",
                   "GameStoreO.SaveGameToFile failed writing games_file appending"))
    return false;
  uint8_t entry[4];
  le::PutU32(entry, static_cast<uint32_t>(off));
  if (!index_.WriteAt(at, entry, sizeof entry)) {
    // A torn entry, the new offset's low half beside the old one's high
    // half, can point into another game's record: the old entry goes back
    // at once. Should that fail too, the next open refuses the index.
    index_.WriteAt(at, was, sizeof was);
    ui::ShowMessage(files::FailureText("GameStoreO.SaveGameToFile failed writing index_file updating",
                                       indexName_, index_.Error()));
    Hold(n, nullptr);  // the entry is what the file holds now
    return false;
  }
  gamesSize_ = off + kRecordHead + game.length;
  Hold(n, &d);
  return true;
}

void GameStoreO::Resync() {
  if (!open_) return;
  gamesSize_ = static_cast<uint64_t>(std::max<int64_t>(games_.Size(), 0));
  const int64_t indexSize = std::max<int64_t>(index_.Size(), 0);
  count_ = static_cast<int32_t>(
      std::min<uint64_t>(static_cast<uint64_t>(indexSize) / 4, std::numeric_limits<int32_t>::max()));
  // A torn entry would read as damage at the next open: cut, as far as
  // the disk lets.
  if (indexSize % 4 != 0) index_.Truncate(static_cast<uint64_t>(count_) * 4);
  held_.Clear();
  ++generation_;
}

void GameStoreO::EnrollWrites(WriteBehind &w) {
  w.Enroll(games_, kAddGameFailed);
  w.Enroll(index_, kAddEntryFailed);
}

bool GameStoreO::ReadOffset(int32_t n, uint64_t &off, const char *message) {
  // Games are mostly read in a row (export, search): index entries come a
  // block at a time, held while nothing is written.
  if (offGeneration_ != generation_ || n < offFirst_ || n >= offFirst_ + static_cast<int32_t>(offBlock_.size())) {
    constexpr int32_t kBlock = 256;
    offGeneration_ = generation_;
    offFirst_ = n;
    if (!ReadOffsets(n, std::min(count_, n + kBlock - 1), offBlock_)) {
      offBlock_.clear();
      if (open_) ui::ShowMessage(files::FailureText(message, indexName_, index_.Error()));
      return false;
    }
  }
  off = offBlock_[static_cast<size_t>(n - offFirst_)];
  return true;
}

bool GameStoreO::GetGame(int32_t n, GameBuffer &buf, GameDescriptor *d) {
  if (n < 1 || n > count_) throw ERangeError();
  SizeGameBuffer(buf, 0);
  if (d) *d = GameDescriptor{};
  uint64_t off = 0;
  if (!ReadOffset(n, off, "GameStoreO.GetGameFromFile failed reading index_file")) return false;
  // One read takes the head and, for most games, all their moves.
  uint8_t first[kRecordHead + 2048];
  const uint64_t avail = off < gamesSize_ ? gamesSize_ - off : 0;
  const size_t got = static_cast<size_t>(std::min<uint64_t>(avail, sizeof first));
  if (off + GameDescriptor::kSize > gamesSize_ || !games_.ReadAt(off, first, got))
    return GamesFailed("GameStoreO.GetGameFromFile failed reading games_file game.descriptor",
                       off + GameDescriptor::kSize > gamesSize_);
  // The stored size is believed only as far as the file reaches.
  if (off + kRecordHead > gamesSize_)
    return GamesFailed("GameStoreO.GetGameFromFile failed reading games_file game.size", true);
  const uint32_t size = le::GetU32(first + GameDescriptor::kSize);
  if (size > gamesSize_ - off - kRecordHead)
    return GamesFailed("GameStoreO.GetGameFromFile failed reading games_file game.size", true);
  SizeGameBuffer(buf, size);
  const size_t inFirst = std::min<size_t>(size, got - kRecordHead);
  if (inFirst > 0) std::memcpy(buf.bytes.get(), first + kRecordHead, inFirst);
  if (size > inFirst && !games_.ReadAt(off + kRecordHead + inFirst, buf.bytes.get() + inFirst, size - inFirst)) {
    SizeGameBuffer(buf, 0);
    return GamesFailed("GameStoreO.GetGameFromFile failed reading games_file game.data", false);
  }
  if (d) d->FromBytes(first);
  return true;
}

bool GameStoreO::GamesFailed(const char *message, bool outside) {
  ui::ShowMessage(files::FailureText(message, gamesName_, outside ? 0 : games_.Error()));
  return false;
}

bool GameStoreO::ReadDescriptorNotHeld(int32_t n, GameDescriptor &d) {
  if (n < 1 || n > count_) throw ERangeError();
  if (open_ && !held_.HasPage(n)) HoldPage(n);
  if (const uint8_t *bytes = held_.Find(n)) {
    d.FromBytes(bytes);
    return true;
  }
  d = GameDescriptor{};
  uint64_t off = 0;
  if (!ReadOffset(n, off, "GameStoreO.GetGameFromFile failed reading index_file") || !ReadDescriptorAt(off, d))
    return false;
  Hold(n, &d);
  return true;
}

void GameStoreO::HoldPage(int32_t n) {
  const int32_t first = held_.MakePage(n);
  const int32_t last = std::min(count_, first + RecordPagesO::kPage - 1);
  std::vector<uint32_t> offsets;
  if (!ReadOffsets(first, last, offsets)) return;
  // Records in file order; a run is read whole while its gaps stay small
  // (an appended page lies in one run) and it stays within kSpan.
  constexpr uint64_t kGap = 4096, kSpan = 1 << 20;
  std::vector<std::pair<uint64_t, int32_t>> order;
  for (size_t i = 0; i < offsets.size(); ++i)
    if (offsets[i] + uint64_t{GameDescriptor::kSize} <= gamesSize_)
      order.emplace_back(offsets[i], first + static_cast<int32_t>(i));
  std::sort(order.begin(), order.end());
  std::vector<uint8_t> span;
  for (size_t a = 0, b = 0; a < order.size(); a = b) {
    const uint64_t start = order[a].first;
    for (b = a + 1; b < order.size() && order[b].first - order[b - 1].first <= kGap &&
                    order[b].first + GameDescriptor::kSize - start <= kSpan;
         ++b) {
    }
    span.resize(static_cast<size_t>(order[b - 1].first + GameDescriptor::kSize - start));
    if (!games_.ReadAt(start, span.data(), span.size())) continue;
    for (size_t k = a; k < b; ++k) held_.Put(order[k].second, span.data() + (order[k].first - start));
  }
}

void GameStoreO::Hold(int32_t n, const GameDescriptor *d) {
  if (!d) {
    held_.Drop(n);
    return;
  }
  uint8_t bytes[GameDescriptor::kSize];
  d->ToBytes(bytes);
  held_.Put(n, bytes);
}

bool GameStoreO::ReadDescriptorAt(uint64_t off, GameDescriptor &d) {
  d = GameDescriptor{};
  uint8_t bytes[GameDescriptor::kSize];
  const bool outside = off + GameDescriptor::kSize > gamesSize_;
  if (outside || !games_.ReadAt(off, bytes, sizeof bytes))
    return GamesFailed("GameStoreO.GetGameFromFile failed reading games_file game.descriptor", outside);
  d.FromBytes(bytes);
  return true;
}

bool GameStoreO::ReadOffsets(int32_t first, int32_t last, std::vector<uint32_t> &out) {
  if (!open_ || first < 1 || last < first || last > count_) return false;
  std::vector<uint8_t> raw(static_cast<size_t>(last - first + 1) * 4);
  if (!index_.ReadAt(static_cast<uint64_t>(first - 1) * 4, raw.data(), raw.size())) return false;
  out.resize(raw.size() / 4);
  for (size_t i = 0; i < out.size(); ++i) out[i] = le::GetU32(&raw[i * 4]);
  return true;
}

bool GameStoreO::WriteDescriptor(int32_t n, const GameDescriptor &d) {
  if (n < 1 || n > count_) throw ERangeError();
  ++generation_;
  uint64_t off = 0;
  if (!ReadOffset(n, off, "GameStoreO.SetGameDescriptorInFile failed reading index_file")) return false;
  uint8_t bytes[GameDescriptor::kSize], was[GameDescriptor::kSize];
  d.ToBytes(bytes);
  const bool outside = off + GameDescriptor::kSize > gamesSize_;
  if (outside) {
    Hold(n, nullptr);
    return GamesFailed("GameStoreO.SetGameDescriptorInFile failed writing gamedescriptor", true);
  }
  // The descriptor as it stands, to put back over a torn one.
  if (!games_.ReadAt(off, was, sizeof was))
    return GamesFailed("GameStoreO.SetGameDescriptorInFile failed reading gamedescriptor", false);
  if (!games_.WriteAt(off, bytes, sizeof bytes)) {
    games_.WriteAt(off, was, sizeof was);
    Hold(n, nullptr);
    return GamesFailed("GameStoreO.SetGameDescriptorInFile failed writing gamedescriptor", false);
  }
  Hold(n, &d);
  return true;
}

bool GameStoreO::DeleteGame(int32_t n) {
  GameDescriptor d;
  if (!ReadDescriptor(n, d)) return false;
  d.flags |= GameDescriptor::gfDeleted;
  return WriteDescriptor(n, d);
}

bool GameStoreO::GameIsDeleted(int32_t n) {
  GameDescriptor d;
  return ReadDescriptor(n, d) && (d.flags & GameDescriptor::gfDeleted) != 0;
}
