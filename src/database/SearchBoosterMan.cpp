#include "database/SearchBoosterMan.h"

#include <algorithm>
#include <memory>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "platform/Bytes.h"
#include "platform/Errors.h"
#include "platform/Process.h"

namespace {
constexpr int kWhite = 0, kBlack = 1, kEventSite = 2;
}  // namespace

void SearchBoosterO::Init() {
  bpl_.Init(4);
  bes_.Init(4);
  bli_.Init(12);
}

void SearchBoosterO::Done() {
  DropChains();
  bpl_.Done();
  bes_.Done();
  bli_.Done();
}

bool SearchBoosterO::Open(const std::string &name) {
  Close();
  if (bpl_.Open(files::ChangeFileExt(name, ".bpl")) && bes_.Open(files::ChangeFileExt(name, ".bes")) &&
      bli_.Open(files::ChangeFileExt(name, ".bli")))
    return true;
  Close();
  return false;
}

void SearchBoosterO::Close() {
  DropChains();
  bpl_.Close();
  bes_.Close();
  bli_.Close();
}

void SearchBoosterO::CloseAndDelete() {
  DropChains();
  bli_.CloseAndDelete();
  bpl_.CloseAndDelete();
  bes_.CloseAndDelete();
}

int64_t SearchBoosterO::TotalSize() { return bpl_.FileSize() + bes_.FileSize() + bli_.FileSize(); }

void SearchBoosterO::EnrollWrites(WriteBehind &w) {
  bpl_.EnrollWrites(w);
  bes_.EnrollWrites(w);
  bli_.EnrollWrites(w);
}

StoreIoCounts SearchBoosterO::IoCounts() const {
  StoreIoCounts c;
  for (const RecordStoreO *s : {&bpl_, &bes_, &bli_}) {
    c.reads += s->IoCounts().reads;
    c.writes += s->IoCounts().writes;
  }
  return c;
}

void SearchBoosterO::ResetIoCounts() {
  bpl_.ResetIoCounts();
  bes_.ResetIoCounts();
  bli_.ResetIoCounts();
}

bool SearchBoosterO::ReadLinks(int32_t n, Links &l) {
  uint8_t b[12];
  l = Links{};
  if (!bli_.GetRecord(n, b)) return false;
  for (int k = 0; k < 3; ++k) l.v[k] = le::GetU32(b + 4 * k);
  return true;
}

void SearchBoosterO::DropChains() {
  chains_.players = {};
  chains_.eventSites = {};
  chains_.bytes = 0;
}

bool SearchBoosterO::WriteLinks(int32_t n, const Links &l) {
  DropChains();
  uint8_t b[12];
  for (int k = 0; k < 3; ++k) le::PutU32(b + 4 * k, l.v[k]);
  return bli_.SetRecord(n, b);
}

uint32_t SearchBoosterO::Link(int32_t n, int slot) {
  Links l;
  ReadLinks(n, l);
  return l.v[slot];
}

bool SearchBoosterO::ReadHead(RecordStoreO &heads, uint32_t id, uint32_t &game) {
  // An id past the heads (a damaged descriptor's, too) has no games yet.
  game = 0;
  if (id > static_cast<uint32_t>(heads.Count())) return heads.IsOpen();
  uint8_t b[4];
  const bool ok = heads.GetRecord(static_cast<int32_t>(id), b);
  game = le::GetU32(b);
  return ok;
}

bool SearchBoosterO::WriteHead(RecordStoreO &heads, uint32_t id, uint32_t game) {
  DropChains();
  uint8_t b[4];
  le::PutU32(b, game);
  return heads.SetRecord(RangeCast<int32_t>(id), b);
}

uint32_t SearchBoosterO::LastGameOfPlayer(uint32_t player) {
  uint32_t g = 0;
  if (player != 0) ReadHead(bpl_, player, g);
  return g;
}

uint32_t SearchBoosterO::LastGameOfEventSite(uint32_t eventSite) {
  uint32_t g = 0;
  if (eventSite != 0) ReadHead(bes_, eventSite, g);
  return g;
}

bool SearchBoosterO::AddGame(int32_t n, uint32_t white, uint32_t eventSite, uint32_t black) {
  if (n < 1) throw ERangeError();
  Links l;
  const auto game = static_cast<uint32_t>(n);
  // White first: for White = Black the Black link is the game itself.
  if (white != 0 && !(ReadHead(bpl_, white, l.v[kWhite]) && WriteHead(bpl_, white, game))) return false;
  if (black != 0 && !(ReadHead(bpl_, black, l.v[kBlack]) && WriteHead(bpl_, black, game))) return false;
  if (eventSite != 0 && !(ReadHead(bes_, eventSite, l.v[kEventSite]) && WriteHead(bes_, eventSite, game)))
    return false;
  return WriteLinks(n, l);
}

bool SearchBoosterO::SlotIn(GameStoreO &games, int32_t m, uint32_t id, bool player, int &slot) {
  if (!player) {
    slot = kEventSite;
    return m >= 1 && m <= bli_.Count();
  }
  GameDescriptor d;
  if (m < 1 || m > std::min(games.Count(), bli_.Count()) || !games.ReadDescriptor(m, d)) return false;
  if (d.white == id)
    slot = kWhite;
  else if (d.black == id)
    slot = kBlack;
  else
    return false;  // the chain passes a game without the name: damaged
  return true;
}

// Takes n out of id's chain: the game before it (or the head) skips it.
bool SearchBoosterO::Unlink(GameStoreO &games, int32_t n, uint32_t id, bool player, int slotOfN,
                            Links &links) {
  RecordStoreO &heads = player ? bpl_ : bes_;
  const uint32_t after = links.v[slotOfN] < static_cast<uint32_t>(n) ? links.v[slotOfN] : 0;
  uint32_t cur = 0;
  if (!ReadHead(heads, id, cur)) return false;
  if (cur == static_cast<uint32_t>(n)) return WriteHead(heads, id, after);
  while (cur > static_cast<uint32_t>(n)) {
    int slot = 0;
    Links l;
    if (!SlotIn(games, static_cast<int32_t>(cur), id, player, slot) ||
        !ReadLinks(static_cast<int32_t>(cur), l))
      return true;  // not found in a damaged chain: nothing to take out
    const uint32_t next = l.v[slot];
    if (next == static_cast<uint32_t>(n)) {
      l.v[slot] = after;
      return WriteLinks(static_cast<int32_t>(cur), l);
    }
    if (next >= cur) return true;
    cur = next;
  }
  return true;
}

// Puts n into id's chain at its place in descending order.
bool SearchBoosterO::Insert(GameStoreO &games, int32_t n, uint32_t id, bool player, int slotOfN,
                            Links &links) {
  RecordStoreO &heads = player ? bpl_ : bes_;
  const auto game = static_cast<uint32_t>(n);
  uint32_t cur = 0;
  if (!ReadHead(heads, id, cur)) return false;
  if (cur < game) {
    links.v[slotOfN] = cur;
    return WriteHead(heads, id, game);
  }
  for (;;) {
    int slot = 0;
    Links l;
    // A damaged chain ends where it stops descending or leaves the name.
    const bool readable = SlotIn(games, static_cast<int32_t>(cur), id, player, slot);
    if (readable && !ReadLinks(static_cast<int32_t>(cur), l)) return false;
    uint32_t next = readable ? l.v[slot] : 0;
    if (next >= cur) next = 0;
    if (next < game) {
      links.v[slotOfN] = next;
      if (!readable) return true;
      l.v[slot] = game;
      return WriteLinks(static_cast<int32_t>(cur), l);
    }
    cur = next;
  }
}

bool SearchBoosterO::ReplaceGame(GameStoreO &games, int32_t n, const Names &old, const Names &now) {
  if (n < 1) throw ERangeError();
  if (old == now) return true;
  if (n > bli_.Count()) return false;  // never linked: the booster needs building
  Links links, updated;
  if (!ReadLinks(n, links)) return false;
  auto role = [](const Names &names, uint32_t p) { return p == names.white ? kWhite : kBlack; };
  auto has = [](const Names &names, uint32_t p) { return p != 0 && (p == names.white || p == names.black); };
  auto players = [](const Names &names) {
    std::vector<uint32_t> v;
    if (names.white != 0) v.push_back(names.white);
    if (names.black != 0 && names.black != names.white) v.push_back(names.black);
    return v;
  };
  // Players who stay keep their place in the chain; a change of colour
  // moves the link to the other slot.
  for (uint32_t p : players(old))
    if (has(now, p)) updated.v[role(now, p)] = links.v[role(old, p)];
  for (uint32_t p : players(old))
    if (!has(now, p) && !Unlink(games, n, p, true, role(old, p), links)) return false;
  for (uint32_t p : players(now))
    if (!has(old, p) && !Insert(games, n, p, true, role(now, p), updated)) return false;
  // As AddGame writes it: White = Black gives the game itself as Black link.
  if (now.white != 0 && now.white == now.black) updated.v[kBlack] = static_cast<uint32_t>(n);
  if (old.eventSite == now.eventSite) {
    updated.v[kEventSite] = links.v[kEventSite];
  } else {
    if (old.eventSite != 0 && !Unlink(games, n, old.eventSite, false, kEventSite, links)) return false;
    if (now.eventSite != 0 && !Insert(games, n, now.eventSite, false, kEventSite, updated)) return false;
  }
  if (updated.v[0] == links.v[0] && updated.v[1] == links.v[1] && updated.v[2] == links.v[2]) return true;
  return WriteLinks(n, updated);
}

SearchBoosterO::Names SearchBoosterO::Within(const GameDescriptor &d, int32_t players, int32_t eventSites) {
  const auto within = [](uint32_t id, int32_t count) { return id <= static_cast<uint32_t>(std::max(count, 0)); };
  return {within(d.white, players) ? d.white : 0, within(d.black, players) ? d.black : 0,
          within(d.eventSite, eventSites) ? d.eventSite : 0};
}

bool SearchBoosterO::Build(GameStoreO &games, int32_t players, int32_t eventSites, int32_t &damaged) {
  damaged = 0;
  DropChains();
  // ".bli" first: cut short, it tells the next open to build again.
  if (!bli_.Truncate() || !bpl_.Truncate() || !bes_.Truncate()) return false;
  GameDescriptor d;
  for (int32_t n = 1; n <= games.Count(); ++n) {
    if (!games.ReadDescriptor(n, d)) return false;
    // An id past its name index is damage: heads are never grown for it.
    // The game is linked by its other names, as a scan finds it by them.
    const Names names = Within(d, players, eventSites);
    if (names != Names{d.white, d.black, d.eventSite}) ++damaged;
    if (!AddGame(n, names.white, names.eventSite, names.black)) return false;
  }
  // A head for every name, so the files' sizes are their counts'.
  return (players < 1 || bpl_.EnsureCount(players)) && (eventSites < 1 || bes_.EnsureCount(eventSites));
}

std::string SearchBoosterO::Verify(const std::vector<GameStoreO::NameIds> &names, int32_t players,
                                   int32_t eventSites) {
  const auto games = static_cast<int32_t>(names.size());
  if (bli_.FileSize() != int64_t{12} * games) return bli_.FileName();
  // Heads grow as games are linked: whole heads up to the count; those
  // past the end read 0, which headsAgree holds against the games.
  auto headsFit = [](RecordStoreO &heads, int32_t count) {
    const int64_t size = heads.FileSize();
    return size >= 0 && size % 4 == 0 && size <= int64_t{4} * std::max(count, 0);
  };
  if (!headsFit(bpl_, players)) return bpl_.FileName();
  if (!headsFit(bes_, eventSites)) return bes_.FileName();
  // The links and heads Build makes, as AddGame writes them, against the
  // files: ".bli" in one sequential read.
  std::vector<uint32_t> lastOfPlayer(static_cast<size_t>(players) + 1), lastOfEvent(static_cast<size_t>(eventSites) + 1);
  constexpr int32_t kBlock = 1 << 16;
  std::vector<uint8_t> links;
  for (int32_t first = 1; first <= games; first += kBlock) {
    const int32_t last = std::min(games, first + kBlock - 1);
    if (!bli_.GetRecords(first, last, links)) return bli_.FileName();
    for (int32_t n = first; n <= last; ++n) {
      GameDescriptor d;
      d.white = names[static_cast<size_t>(n - 1)].white;
      d.black = names[static_cast<size_t>(n - 1)].black;
      d.eventSite = names[static_cast<size_t>(n - 1)].eventSite;
      const Names g = Within(d, players, eventSites);
      const auto game = static_cast<uint32_t>(n);
      uint32_t want[3] = {0, 0, 0};
      if (g.white != 0) want[kWhite] = std::exchange(lastOfPlayer[g.white], game);
      if (g.black != 0) want[kBlack] = std::exchange(lastOfPlayer[g.black], game);
      if (g.eventSite != 0) want[kEventSite] = std::exchange(lastOfEvent[g.eventSite], game);
      const uint8_t *have = &links[static_cast<size_t>(n - first) * 12];
      for (int k = 0; k < 3; ++k)
        if (le::GetU32(have + 4 * k) != want[k]) return bli_.FileName();
    }
  }
  auto headsAgree = [](RecordStoreO &heads, const std::vector<uint32_t> &last) {
    std::vector<uint8_t> bytes;
    const auto held = static_cast<size_t>(heads.Count());
    if (held > 0 && !heads.GetRecords(1, heads.Count(), bytes)) return false;
    for (size_t id = 1; id < last.size(); ++id)
      if ((id <= held ? le::GetU32(&bytes[(id - 1) * 4]) : 0) != last[id]) return false;
    return true;
  };
  if (!headsAgree(bpl_, lastOfPlayer)) return bpl_.FileName();
  if (!headsAgree(bes_, lastOfEvent)) return bes_.FileName();
  return std::string();
}

namespace {
// Walks of held chains ask for the descriptors this many games ahead, so
// their memory reads overlap the visits.
constexpr size_t kAhead = 16;
}  // namespace

std::shared_ptr<const std::vector<uint32_t>> SearchBoosterO::HeldChain(GameStoreO &games, uint32_t id,
                                                                       bool player) {
  if (chains_.games != &games || chains_.generation != games.Generation() || chains_.linked != bli_.Count()) {
    DropChains();
    chains_.games = &games;
    chains_.generation = games.Generation();
    chains_.linked = bli_.Count();
  }
  auto &held = player ? chains_.players : chains_.eventSites;
  const auto it = held.find(id);
  return it == held.end() ? nullptr : it->second;
}

bool SearchBoosterO::Walk(GameStoreO &games, RecordStoreO &heads, uint32_t id, bool player,
                          const Visit &visit) {
  if (id == 0) return true;
  // Shared: a visit that writes drops the held chains, not this one.
  if (const std::shared_ptr<const std::vector<uint32_t>> keep = HeldChain(games, id, player)) {
    const std::vector<uint32_t> &chain = *keep;
    GameDescriptor d;
    for (size_t i = 0; i < chain.size(); ++i) {
      if (i + kAhead < chain.size()) games.PrefetchDescriptor(static_cast<int32_t>(chain[i + kAhead]));
      if (!games.ReadDescriptor(static_cast<int32_t>(chain[i]), d)) return false;
      if (!visit(static_cast<int32_t>(chain[i]), d)) return true;
    }
    return true;
  }
  std::vector<uint32_t> chain;
  bool whole = false;
  const bool ok = WalkFiles(games, heads, id, player, visit, chain, whole);
  // Held only when nothing was written while walking.
  if (ok && whole && chains_.generation == games.Generation() && chains_.linked == bli_.Count()) {
    chain.shrink_to_fit();
    chains_.bytes += chain.capacity() * sizeof(uint32_t);
    (player ? chains_.players : chains_.eventSites)
        .emplace(id, std::make_shared<const std::vector<uint32_t>>(std::move(chain)));
  }
  return ok;
}

bool SearchBoosterO::WalkFiles(GameStoreO &games, RecordStoreO &heads, uint32_t id, bool player,
                               const Visit &visit, std::vector<uint32_t> &chain, bool &whole) {
  whole = false;
  uint32_t cur = 0;
  if (!ReadHead(heads, id, cur)) return false;
  GameDescriptor d;
  // Chains descend, so links are read in blocks ending at the game met; a
  // failed block read falls back to single reads (and the chain is not
  // held). Descriptors come from the game store's held pages.
  constexpr int32_t kBlock = 512;
  std::vector<uint8_t> links;
  int32_t linkFirst = 0, linkLast = -1;
  bool readsFailed = false;
  for (uint32_t from = UINT32_MAX; cur != 0 && cur < from;) {
    // A link past the games or past the linked games is damage.
    if (cur > static_cast<uint32_t>(std::min(games.Count(), bli_.Count()))) return false;
    const auto n = static_cast<int32_t>(cur);
    if (!games.ReadDescriptor(n, d)) return false;
    if (!visit(n, d)) return true;
    chain.push_back(cur);
    int slot = kEventSite;
    if (player && d.white == id)
      slot = kWhite;
    else if (player && d.black == id)
      slot = kBlack;
    else if (player)
      return false;  // the chain passes a game without the player: damaged
    from = cur;
    if (n < linkFirst || n > linkLast) {
      linkFirst = std::max(1, n - kBlock + 1);
      linkLast = bli_.GetRecords(linkFirst, n, links) ? n : -1;
      readsFailed = readsFailed || linkLast < 0;
    }
    if (n <= linkLast) {
      cur = le::GetU32(&links[static_cast<size_t>(n - linkFirst) * 12 + 4 * static_cast<size_t>(slot)]);
    } else {
      Links l;
      readsFailed = !ReadLinks(n, l) || readsFailed;  // a failed read ends the walk
      cur = l.v[slot];
    }
  }
  whole = !readsFailed;
  return true;
}

bool SearchBoosterO::WalkPlayer(GameStoreO &games, uint32_t player, const Visit &visit) {
  return Walk(games, bpl_, player, true, visit);
}

bool SearchBoosterO::WalkPlayersAhead(GameStoreO &games, const std::vector<uint32_t> &players, const Test &test,
                                      const TestedVisit &visit, size_t fewest) {
  const unsigned spare = proc::SpareCores(7);
  std::vector<std::shared_ptr<const std::vector<uint32_t>>> chains(players.size());
  std::vector<size_t> start(players.size() + 1, 0);  // of each chain among all
  bool held = spare > 0;
  for (size_t k = 0; k < players.size() && held; ++k) {
    if (players[k] != 0) chains[k] = HeldChain(games, players[k], true);
    held = players[k] == 0 || chains[k];
    start[k + 1] = start[k] + (chains[k] ? chains[k]->size() : 0);
  }
  if (!held || start.back() < fewest) return false;
  // Per game: passed, failed, or not held (tested here, in turn).
  enum : uint8_t { kFailed, kPassed, kNotHeld };
  std::vector<uint8_t> verdict(start.back());
  auto testPart = [&](size_t from, size_t to) {
    GameDescriptor d;
    size_t k = static_cast<size_t>(std::upper_bound(start.begin(), start.end(), from) - start.begin()) - 1;
    for (size_t f = from; f < to; ++f) {
      while (f >= start[k + 1]) ++k;
      const std::vector<uint32_t> &chain = *chains[k];
      const size_t i = f - start[k];
      if (i + kAhead < chain.size()) games.PrefetchDescriptor(static_cast<int32_t>(chain[i + kAhead]));
      const uint8_t *bytes = games.HeldDescriptor(static_cast<int32_t>(chain[i]));
      if (!bytes) {
        verdict[f] = kNotHeld;
        continue;
      }
      d.FromBytes(bytes);
      verdict[f] = test(k, d) ? kPassed : kFailed;
    }
  };
  const size_t all = start.back(), parts = spare + 1, per = (all + parts - 1) / parts;
  std::vector<std::thread> threads;
  size_t mine = 0;  // from this part on, no thread took them: tested here
  for (size_t p = 1; p < parts; ++p) {
    try {
      threads.emplace_back(testPart, p * per, std::min(all, (p + 1) * per));
    } catch (const std::system_error &) {
      mine = p;
      break;
    }
  }
  testPart(0, std::min(all, per));
  if (mine != 0) testPart(mine * per, all);
  for (std::thread &t : threads) t.join();
  GameDescriptor d;
  for (size_t k = 0; k < players.size(); ++k) {
    if (!chains[k]) continue;
    const std::vector<uint32_t> &chain = *chains[k];
    for (size_t i = 0; i < chain.size(); ++i) {
      const auto n = static_cast<int32_t>(chain[i]);
      const uint8_t v = verdict[start[k] + i];
      bool passed = v == kPassed;
      if (v == kNotHeld) {
        if (!games.ReadDescriptor(n, d)) break;
        passed = test(k, d);
      }
      if (!visit(k, n, passed)) return true;
    }
  }
  return true;
}

bool SearchBoosterO::WalkEventSite(GameStoreO &games, uint32_t eventSite, const Visit &visit) {
  return Walk(games, bes_, eventSite, false, visit);
}
