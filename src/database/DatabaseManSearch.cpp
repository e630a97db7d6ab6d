// The game search: criteria resolved to name ids once, then one descriptor
// read per game met, over all games, a found list in its order, or the
// booster's chains of the named players or events/sites.
#include <algorithm>
#include <memory>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/comDlgAbort.h"
#include "platform/Win1252.h"

namespace {

constexpr int kProgressEvery = 2000;

// The ids one kind of names stands for. Ids named by an excluding entry
// fail a game whatever else names them; when the criteria hold a positive
// name of the kind, a game must name one of its ids.
struct NameIdsRec {
  std::vector<uint32_t> order;  // positive ids, each once, in criteria order
  std::unordered_set<uint32_t> in, out;
  bool positive = false;

  void Add(uint32_t id, bool exclude) {
    if (exclude)
      out.insert(id);
    else if (in.insert(id).second)
      order.push_back(id);
  }
  // Empty sets are not hashed into: a search tests this for every game met.
  bool Passes(uint32_t id) const {
    return (out.empty() || !out.contains(id)) && (!positive || in.contains(id));
  }
};

// A typed name is tried in both encodings of game text, so a name finds
// the games of Windows-1252 and of UTF-8 sources alike; each id once.
template <class Visit>
void ForEachMatch(IndexManO &index, const std::string &pattern, MatchMode kind, Visit visit) {
  std::vector<std::string> patterns{pattern};
  switch (win1252::Classify(pattern)) {
    case win1252::TextKind::Utf8:
      // Only when Windows-1252 holds every character; a "?" would match nothing.
      if (const std::string w = win1252::FromUtf8(pattern, '?'); win1252::ToUtf8(w) == pattern)
        patterns.push_back(w);
      break;
    case win1252::TextKind::Other:
      patterns.push_back(win1252::ToUtf8(pattern));
      break;
    case win1252::TextKind::Ascii:
      break;
  }
  std::unordered_set<uint32_t> seen;
  for (const std::string &p : patterns) {
    for (uint32_t id = index.FindFirst(p, kind); id != 0; id = index.FindNext())
      if (seen.insert(id).second) visit(id);
    index.FindClose();
  }
}

class PreparedSearch {
 public:
  PreparedSearch(const GameSearchMaskO &m, IndexManO &players, IndexManO &eventSites, IndexManO &annotators) {
    std::unordered_map<uint32_t, std::vector<size_t>> entriesById;
    for (int i = 1; i <= m.PlayerCount(); ++i) {
      const uint8_t colour = m.GetIgnoreColors() ? scNone : m.PlayerColour(i);
      const bool exclude = colour == scNot;
      const bool opponent = m.GetOpponent() == static_cast<uint32_t>(i);
      namesPlayers_ = namesPlayers_ || !exclude;
      ForEachMatch(players, m.PlayerName(i), mmPrefix, [&](uint32_t id) {
        playerIds_.Add(id, exclude);
        if (exclude) return;
        entriesById[id].push_back(entries_.size());
        entries_.push_back({colour, m.PlayerResults(i), opponent});
        anyOpponent_ = anyOpponent_ || opponent;
      });
    }
    playerIds_.positive = namesPlayers_;
    entriesOf_.assign(entriesById.begin(), entriesById.end());
    std::sort(entriesOf_.begin(), entriesOf_.end());
    for (int i = 1; i <= m.EventSiteCount(); ++i) {
      eventSites_.positive = eventSites_.positive || !m.EventSiteNot(i);
      ForEachMatch(eventSites, m.EventSiteName(i), mmContains,
                   [&](uint32_t id) { eventSites_.Add(id, m.EventSiteNot(i)); });
    }
    for (int i = 1; i <= m.AnnotatorCount(); ++i) {
      annotators_.positive = annotators_.positive || !m.AnnotatorNot(i);
      ForEachMatch(annotators, m.AnnotatorName(i), mmPrefix,
                   [&](uint32_t id) { annotators_.Add(id, m.AnnotatorNot(i)); });
    }
    year_ = m.GetSearchYear();
    yearLo_ = m.GetYearLo();
    yearHi_ = m.GetYearHi();
    eco_ = m.GetSearchEco();
    ecoLo_ = EcoCode(m.GetEcoLo());
    ecoHi_ = EcoCode(m.GetEcoHi());
    eloType_ = m.GetSearchElo() ? m.GetEloType() : etNone;
    eloLo_ = m.GetEloLo();
    eloHi_ = m.GetEloHi();
    moves_ = m.GetSearchMoves();
    movesLo_ = m.GetMovesLo();
    movesHi_ = m.GetMovesHi();
    if (m.GetSearchWins()) mask_ |= GameDescriptor::gfWhiteWins;
    if (m.GetSearchDraws()) mask_ |= GameDescriptor::gfDraw;
    if (m.GetSearchLosses()) mask_ |= GameDescriptor::gfBlackWins;
    if (m.GetSearchMates()) mask_ |= GameDescriptor::gfMate;
    if (m.GetSearchChecks()) mask_ |= GameDescriptor::gfCheck;
    if (m.GetSearchEquals()) mask_ |= GameDescriptor::gfStalemate;
    if (m.GetSearchTxts()) mask_ |= GameDescriptor::gfComments;
  }

  bool NamesPlayers() const { return namesPlayers_; }
  bool NamesEventSites() const { return eventSites_.positive; }
  const std::vector<uint32_t> &PlayerIds() const { return playerIds_.order; }
  const std::vector<uint32_t> &EventSiteIds() const { return eventSites_.order; }

  bool Matches(const GameDescriptor &d) const {
    return PlayersPass(d) && eventSites_.Passes(d.eventSite) && annotators_.Passes(d.annotator) &&
           InRange(year_, d.year, yearLo_, yearHi_) && InRange(eco_, d.eco, ecoLo_, ecoHi_) &&
           InRange(moves_, d.moves, movesLo_, movesHi_) && EloPasses(d) && (d.flags & mask_) == mask_;
  }

 private:
  struct EntryRec {
    uint8_t colour, results;
    bool opponent;
  };

  static bool InRange(bool on, int64_t v, int64_t lo, int64_t hi) { return !on || (lo <= v && v <= hi); }

  // Whether the player, as White or Black, satisfies one of his entries
  // with its colour and results; flagged when a satisfied entry carries the
  // opponent flag. A player named for the other colour does not refuse the
  // game: his opponent may still satisfy an entry.
  bool PlayerSatisfies(uint32_t id, bool white, int seen, bool &flagged) const {
    flagged = false;
    const auto it = std::lower_bound(entriesOf_.begin(), entriesOf_.end(), id,
                                     [](const auto &e, uint32_t v) { return e.first < v; });
    if (it == entriesOf_.end() || it->first != id) return false;
    static constexpr uint8_t kBit[] = {srWin, srDraw, srLoss};
    bool any = false;
    for (const size_t k : it->second) {
      const EntryRec &e = entries_[k];
      if (e.colour == (white ? scBlack : scWhite)) continue;
      // A results mask asks for games with a result: one without passes none.
      if (e.results != 0 && e.results != srAll && (seen == 3 || (e.results & kBit[seen]) == 0)) continue;
      any = true;
      flagged = flagged || e.opponent;
    }
    return any;
  }

  bool PlayersPass(const GameDescriptor &d) const {
    if (!playerIds_.out.empty() && (playerIds_.out.contains(d.white) || playerIds_.out.contains(d.black)))
      return false;
    if (!namesPlayers_) return true;
    const int fromWhite = d.flags & GameDescriptor::gfWhiteWins ? 0
                          : d.flags & GameDescriptor::gfDraw    ? 1
                          : d.flags & GameDescriptor::gfBlackWins ? 2
                                                                  : 3;
    const int fromBlack = fromWhite == 3 ? 3 : 2 - fromWhite;
    bool wFlag = false, bFlag = false;
    const bool w = PlayerSatisfies(d.white, true, fromWhite, wFlag);
    const bool b = PlayerSatisfies(d.black, false, fromBlack, bFlag);
    if (!anyOpponent_) return w || b;
    return w && b && (wFlag || bFlag);
  }

  bool EloPasses(const GameDescriptor &d) const {
    auto in = [this](int64_t v) { return eloLo_ <= v && v <= eloHi_; };
    switch (eloType_) {
      case etAverage: {
        int64_t sum = 0, n = 0;
        for (int64_t e : {int64_t{d.whiteElo}, int64_t{d.blackElo}})
          if (e != 0) sum += e, ++n;
        return n > 0 && in(sum / n);
      }
      case etOnePlayer:
        return in(d.whiteElo) || in(d.blackElo);
      case etBothPlayers:
        return in(d.whiteElo) && in(d.blackElo);
      default:
        return true;
    }
  }

  NameIdsRec playerIds_, eventSites_, annotators_;
  std::vector<EntryRec> entries_;
  // The entries of each positive player id, by id (searched per game met).
  std::vector<std::pair<uint32_t, std::vector<size_t>>> entriesOf_;
  bool namesPlayers_ = false, anyOpponent_ = false;
  bool year_ = false, eco_ = false, moves_ = false;
  int64_t yearLo_ = 0, yearHi_ = 0, ecoLo_ = 0, ecoHi_ = 0, eloLo_ = 0, eloHi_ = 0, movesLo_ = 0, movesHi_ = 0;
  uint8_t eloType_ = etNone;
  uint8_t mask_ = 0;
};

}  // namespace

void DatabaseO::SearchGames(const GameSearchMaskO *criteria, int target, int within, AbortDlgO *progress) {
  GameListDataRec &t = gameLists_.Get(target);
  if (within == target) throw ERangeError("A search cannot fill the list it searches");
  const GameListDataRec *w = within != 0 ? &gameLists_.Get(within) : nullptr;
  const bool untested = !criteria || criteria->IsEmpty();
  std::unique_ptr<PreparedSearch> p;
  if (!untested) p = std::make_unique<PreparedSearch>(*criteria, players_, eventSites_, annotators_);

  t.rows.Empty();
  // However the search ends.
  const AtExit trim([&t] { t.rows.Trim(); });
  t.all = false;
  t.rows.SetSorted(false);
  searchMet_ = 0;
  const int kind = t.sortKind;
  auto add = [&](int32_t n) {
    std::unique_ptr<GameInfoO> tags;
    if (GameSortKeyReadsTags(kind)) tags = GameListTags(n);
    t.rows.Add(GameSortKey(kind, n, tags.get(), false), n);
  };
  int countdown = kProgressEvery;
  // Counts a game met; false once the user cancelled.
  auto met = [&](auto reportText) {
    ++searchMet_;
    if (--countdown == 0) {
      countdown = kProgressEvery;
      reportText();
    }
    return !(progress && progress->Cancelled());
  };

  // A scan of count games or rows, game k being number(k).
  auto scan = [&](int32_t count, auto number) {
    GameDescriptor d;
    for (int32_t k = 1; k <= count; ++k) {
      const int32_t n = number(k);
      if (!p) {
        add(n);
      } else {
        if (!games_.ReadDescriptor(n, d)) return;
        if (p->Matches(d)) add(n);
      }
      if (!met([&] { ProgressText(static_cast<double>(k) / count, k, "", progress); })) return;
    }
  };
  auto walkText = [&] { ReportProgress("[" + IntToStr(searchMet_) + " " + CommonText::S_Games + "]", progress); };

  if (w && !w->all) {
    // The within list's rows, copied: the order they are tested in.
    std::vector<int32_t> rows;
    for (int32_t i = 1; i <= w->rows.Count(); ++i) rows.push_back(w->rows.Nr(i));
    scan(static_cast<int32_t>(rows.size()), [&](int32_t k) { return rows[static_cast<size_t>(k - 1)]; });
  } else if (p && HasSearchBooster() && p->NamesPlayers()) {
    // Each id is walked once; a game between two walked players is tested
    // in the walk of the first of them.
    std::unordered_map<uint32_t, size_t> walkIndex;
    const auto &ids = p->PlayerIds();
    for (size_t k = 0; k < ids.size(); ++k) walkIndex.emplace(ids[k], k);
    auto passes = [&](size_t k, const GameDescriptor &d) {
      const uint32_t other = d.white == ids[k] ? d.black : d.white;
      const auto it = k > 0 ? walkIndex.find(other) : walkIndex.end();
      const bool testedBefore = it != walkIndex.end() && it->second < k;
      return !testedBefore && p->Matches(d);
    };
    auto visit = [&](int32_t n, bool passed) {
      if (passed) add(n);
      return met(walkText);
    };
    if (!booster_.WalkPlayersAhead(games_, ids, passes,
                                   [&](size_t, int32_t n, bool passed) { return visit(n, passed); })) {
      bool going = true;
      for (size_t k = 0; k < ids.size() && going; ++k)
        booster_.WalkPlayer(games_, ids[k],
                            [&](int32_t n, const GameDescriptor &d) { return going = visit(n, passes(k, d)); });
    }
  } else if (p && HasSearchBooster() && p->NamesEventSites()) {
    bool going = true;
    for (const uint32_t id : p->EventSiteIds()) {
      if (!going) break;
      booster_.WalkEventSite(games_, id, [&](int32_t n, const GameDescriptor &d) {
        if (p->Matches(d)) add(n);
        going = met(walkText);
        return going;
      });
    }
  } else {
    scan(GameCount(), [](int32_t k) { return k; });
  }
}
