#pragma once
// Column layouts of the database's list windows, the row records the
// database hands to the name-list and tree-move windows, and the criteria of
// a game search.
//
// A layout holds the vocabulary of columns its kind of list offers (key,
// option caption, header title, sort kind; 1-based, in registration order)
// and the ordered selection of those columns with their widths. The column
// keys are what the settings file stores, and the sort kinds name the tag a
// game list is sorted by.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/LangMan.h"
#include "foundation/Lists.h"

// Sort and column kinds; the names are the stored form of a sort kind.
enum ColumnKind : std::uint8_t {
  ckNone = 0,
  ckSite = 1,
  ckEvent = 2,
  ckWhite = 3,
  ckBlack = 4,
  ckWhiteElo = 5,
  ckBlackElo = 6,
  ckResult = 7,
  ckRound = 8,
  ckDate = 9,
  ckNrOfMoves = 10,
  ckECO = 11,
  ckGameNr = 12,
  ckPlayerName = 13,
  ckPlayerNr = 14,
  ckEventSiteName = 15,
  ckEventSiteNr = 16,
  ckAnnotatorName = 17,
  ckAnnotatorNr = 18,
  ckMoveNr = 19,
  ckMove = 20,
  ckMoveTotalCount = 21,
  ckMoveWhiteCount = 22,
  ckMoveBlackCount = 23,
  ckMoveDrawCount = 24,
};
inline constexpr int ColumnKindCount = 25;

// "Site" for 1 and so on; any value outside 0..24 gives "None".
std::string ColumnKindName(int kind);
// The kind of a name, compared case-sensitively; any other text gives ckNone.
ColumnKind ColumnKindFromName(const std::string &name);
// The PGN tag a games list sorts by for a kind; empty for kinds without one.
std::string ColumnTagName(int kind);

// A kind's column table and default selection (PGNTypes.cpp).
struct LayoutKindRec;

// The games layout, and the base of the other kinds. Indexes are 16-bit and
// follow the lists: 0 or an index above 65535 raises ERangeError, an index
// above the count addresses the last entry.
class ListColumnsO {
 public:
  static constexpr int DefaultWidth = 50;

  ListColumnsO();
  ListColumnsO(const ListColumnsO &) = delete;
  ListColumnsO &operator=(const ListColumnsO &) = delete;

  // Empties every list and takes the English captions; no selection.
  void Init();
  void Done();

  // Re-registers the kind's columns with the caption variables' current
  // texts and stores the id. Switches no language itself.
  void SetLanguage(LanguageId language);
  // Replaces the selection by the kind's default columns.
  void SetDefaultColumns();

  LanguageId Language() const { return language_; }

  std::uint16_t AvailableCount() const { return keys_.Count(); }
  std::string AvailableKey(int j) const { return keys_.Get(j); }
  std::string AvailableCaption(int j) const { return captions_.Get(j); }
  std::string AvailableTitle(int j) const { return titles_.Get(j); }
  ColumnKind AvailableKind(int j) const { return static_cast<ColumnKind>(kinds_.Get(j)); }
  // Case-sensitive; 0 when the kind does not offer the key.
  std::uint16_t IndexOfKey(const std::string &key) const { return keys_.IndexOf(key); }
  // ckNone for a key the kind does not offer.
  ColumnKind KindOfKey(const std::string &key) const;

  std::uint16_t Count() const { return selected_.Count(); }
  std::uint16_t ColumnIndex(int i) const { return selected_.Get(i); }
  std::string ColumnKey(int i) const { return AvailableKey(ColumnIndex(i)); }
  std::string ColumnCaption(int i) const { return AvailableCaption(ColumnIndex(i)); }
  std::string ColumnTitle(int i) const { return AvailableTitle(ColumnIndex(i)); }
  // The stored width, DefaultWidth when it is 0.
  int ColumnWidth(int i) const;
  // ERangeError for a width outside 0..65535.
  void SetColumnWidth(int i, int width);

  // Appends available column j; ERangeError unless 1 <= j <= AvailableCount
  // and 0 <= width <= 65535, or when the selection is full.
  void AddColumn(int j, int width);
  // The same by key; ERangeError for a key the kind does not offer.
  void AddColumnByKey(const std::string &key, int width);
  // Selection position of available column j; 0 when not selected.
  std::uint16_t IndexOfColumn(int j) const;
  void ClearSelected();

  // Copies the source's selection and widths in order, then takes the
  // source's language. Raises ERangeError, changing nothing, when the
  // source selects a column this kind does not offer. Assigning a layout to
  // itself leaves it as it was.
  void Assign(const ListColumnsO &source);

  // Replaces the section by "Option1".."OptionN" = the selected keys.
  void SaveToIni(const std::string &iniFileName, const std::string &section) const;
  // Reads "Option1", "Option2", ... up to the first missing key, skipping
  // keys the kind does not offer; takes the columns read (default widths,
  // the English id) when there is at least one, else changes nothing.
  void LoadFromIni(const std::string &iniFileName, const std::string &section);

 protected:
  explicit ListColumnsO(const LayoutKindRec &kind) : kind_(&kind) { Init(); }

 private:
  const LayoutKindRec *kind_;
  LanguageId language_ = LangEnglish;
  StrListO keys_;
  StrListO captions_;
  StrListO titles_;
  KeyListO kinds_;
  KeyListO selected_;  // available index per selected column
  KeyListO widths_;    // 0 = DefaultWidth
};

class PlayerColumnsO : public ListColumnsO {
 public:
  PlayerColumnsO();
};

class EventSiteColumnsO : public ListColumnsO {
 public:
  EventSiteColumnsO();
};

class AnnotatorColumnsO : public ListColumnsO {
 public:
  AnnotatorColumnsO();
};

// The moves of an opening tree.
class MoveColumnsO : public ListColumnsO {
 public:
  MoveColumnsO();
};

// A row of a players, events/sites or annotators list: the name and its id.
class NameInfoO {
 public:
  void Init() {
    name_.clear();
    nr_ = 0;
  }
  void Done() { Init(); }

  const std::string &GetName() const { return name_; }
  void SetName(const std::string &name) { name_ = name; }
  std::int32_t GetNr() const { return nr_; }
  void SetNr(std::int32_t nr) { nr_ = nr; }

  // One text per selected column the record knows, in selection order.
  StrListO RowTexts(const ListColumnsO &layout) const;

 protected:
  NameInfoO(const char *nameKey, const char *nrKey) : nameKey_(nameKey), nrKey_(nrKey) {}

 private:
  const char *nameKey_;
  const char *nrKey_;
  std::string name_;
  std::int32_t nr_ = 0;
};

class PlayerInfoO : public NameInfoO {
 public:
  PlayerInfoO() : NameInfoO("playername", "playernr") {}
};

class EventSiteInfoO : public NameInfoO {
 public:
  EventSiteInfoO() : NameInfoO("eventsitename", "eventsitenr") {}
};

class AnnotatorInfoO : public NameInfoO {
 public:
  AnnotatorInfoO() : NameInfoO("annotatorname", "annotatornr") {}
};

// A move of an opening tree with the games through it.
class MoveInfoO {
 public:
  void Init() { *this = MoveInfoO(); }
  void Done() { Init(); }

  const std::string &GetMove() const { return move_; }
  void SetMove(const std::string &move) { move_ = move; }
  std::int32_t GetMoveNr() const { return moveNr_; }
  void SetMoveNr(std::int32_t nr) { moveNr_ = nr; }
  std::int32_t GetTotalCount() const { return totalCount_; }
  void SetTotalCount(std::int32_t n) { totalCount_ = n; }
  std::int32_t GetWhiteCount() const { return whiteCount_; }
  void SetWhiteCount(std::int32_t n) { whiteCount_ = n; }
  std::int32_t GetBlackCount() const { return blackCount_; }
  void SetBlackCount(std::int32_t n) { blackCount_ = n; }
  // Total - White - Black; ERangeError when that leaves 32 bits.
  std::int32_t GetDrawCount() const;

  // One text per selected column the record knows, in selection order.
  StrListO RowTexts(const ListColumnsO &layout) const;

 private:
  std::string move_;
  std::int32_t moveNr_ = 0;
  std::int32_t totalCount_ = 0;
  std::int32_t whiteCount_ = 0;
  std::int32_t blackCount_ = 0;
};

// ---- Search criteria ----

// Colour conditions of a player criterion.
inline constexpr std::uint8_t scNone = 0, scWhite = 1, scBlack = 2, scNot = 3;
// Result flags of a player criterion (bit 0 is never set).
inline constexpr std::uint8_t srWin = 2, srDraw = 4, srLoss = 8, srAll = 16;
// Elo types: no test, the average, one player, both players.
inline constexpr std::uint8_t etNone = 0, etAverage = 1, etOnePlayer = 2, etBothPlayers = 3;

// "none" 0, "white" 1, "black" 2, "not" 3 in any case; any other text 0.
std::uint8_t ColourOptionText(const std::string &text);
// "none" 0, "average" 1, "oneplayer" 2, "bothplayers" 3 in any case; any
// other text 0.
std::uint8_t EloOptionText(const std::string &text);

// The criteria of a game search: players with colour and result conditions,
// an opponent, events/sites and annotators that may exclude, ranges and
// result and content flags. Entries are 1-based; an index outside the
// entries, a colour above 3, result flags with other bits than 2/4/8/16 and
// an Elo type above 3 raise ERangeError.
class GameSearchMaskO {
 public:
  struct PlayerRec {
    std::string name;
    std::uint8_t colour = scNone;
    std::uint8_t results = 0;
    bool operator==(const PlayerRec &) const = default;
  };
  struct NameRec {
    std::string name;
    bool isNot = false;
    bool caseSensitive = false;
    bool operator==(const NameRec &) const = default;
  };

  GameSearchMaskO() { Init(); }

  void Init();
  void Done() { Clear(); }
  // Empties the entries and sets the defaults; Opponent stays.
  void Clear();
  // A deep copy of every entry and field.
  void Assign(const GameSearchMaskO &src);
  // No entries, no range and no flag; Opponent and IgnoreColors do not count.
  bool IsEmpty() const;
  // Any of the seven result and content flags.
  bool NeedsMoveScan() const;
  // The player names joined by ", ".
  std::string PlayersText() const;

  void AddPlayer(const std::string &name, std::uint8_t colour, std::uint8_t results);
  // Opponent follows its entry: 0 when it was entry i, one less above i.
  void DeletePlayer(int i);
  int PlayerCount() const { return static_cast<int>(players_.size()); }
  const std::string &PlayerName(int i) const { return Player(i).name; }
  std::uint8_t PlayerColour(int i) const { return Player(i).colour; }
  void SetPlayerColour(int i, std::uint8_t colour);
  std::uint8_t PlayerResults(int i) const { return Player(i).results; }
  void SetPlayerResults(int i, std::uint8_t results);

  void AddEventSite(const std::string &name, bool isNot, bool caseSensitive);
  void DeleteEventSite(int i);
  int EventSiteCount() const { return static_cast<int>(eventSites_.size()); }
  const std::string &EventSiteName(int i) const { return Entry(eventSites_, i).name; }
  bool EventSiteNot(int i) const { return Entry(eventSites_, i).isNot; }
  void SetEventSiteNot(int i, bool on) { Entry(eventSites_, i).isNot = on; }
  bool EventSiteCaseSensitive(int i) const { return Entry(eventSites_, i).caseSensitive; }
  void SetEventSiteCaseSensitive(int i, bool on) { Entry(eventSites_, i).caseSensitive = on; }

  void AddAnnotator(const std::string &name, bool isNot, bool caseSensitive);
  void DeleteAnnotator(int i);
  int AnnotatorCount() const { return static_cast<int>(annotators_.size()); }
  const std::string &AnnotatorName(int i) const { return Entry(annotators_, i).name; }
  bool AnnotatorNot(int i) const { return Entry(annotators_, i).isNot; }
  void SetAnnotatorNot(int i, bool on) { Entry(annotators_, i).isNot = on; }
  bool AnnotatorCaseSensitive(int i) const { return Entry(annotators_, i).caseSensitive; }
  void SetAnnotatorCaseSensitive(int i, bool on) { Entry(annotators_, i).caseSensitive = on; }

  std::uint32_t GetOpponent() const { return opponent_; }
  void SetOpponent(std::uint32_t v) { opponent_ = v; }
  bool GetIgnoreColors() const { return ignoreColors_; }
  void SetIgnoreColors(bool on) { ignoreColors_ = on; }
  bool GetSearchYear() const { return searchYear_; }
  void SetSearchYear(bool on) { searchYear_ = on; }
  std::uint32_t GetYearLo() const { return yearLo_; }
  void SetYearLo(std::uint32_t v) { yearLo_ = v; }
  std::uint32_t GetYearHi() const { return yearHi_; }
  void SetYearHi(std::uint32_t v) { yearHi_ = v; }
  bool GetSearchEco() const { return searchEco_; }
  void SetSearchEco(bool on) { searchEco_ = on; }
  const std::string &GetEcoLo() const { return ecoLo_; }
  void SetEcoLo(const std::string &v) { ecoLo_ = v; }
  const std::string &GetEcoHi() const { return ecoHi_; }
  void SetEcoHi(const std::string &v) { ecoHi_ = v; }
  bool GetSearchElo() const { return searchElo_; }
  void SetSearchElo(bool on) { searchElo_ = on; }
  std::uint32_t GetEloLo() const { return eloLo_; }
  void SetEloLo(std::uint32_t v) { eloLo_ = v; }
  std::uint32_t GetEloHi() const { return eloHi_; }
  void SetEloHi(std::uint32_t v) { eloHi_ = v; }
  std::uint8_t GetEloType() const { return eloType_; }
  void SetEloType(std::uint8_t v);
  bool GetSearchMoves() const { return searchMoves_; }
  void SetSearchMoves(bool on) { searchMoves_ = on; }
  std::uint32_t GetMovesLo() const { return movesLo_; }
  void SetMovesLo(std::uint32_t v) { movesLo_ = v; }
  std::uint32_t GetMovesHi() const { return movesHi_; }
  void SetMovesHi(std::uint32_t v) { movesHi_ = v; }
  bool GetSearchWins() const { return searchWins_; }
  void SetSearchWins(bool on) { searchWins_ = on; }
  bool GetSearchDraws() const { return searchDraws_; }
  void SetSearchDraws(bool on) { searchDraws_ = on; }
  bool GetSearchLosses() const { return searchLosses_; }
  void SetSearchLosses(bool on) { searchLosses_ = on; }
  bool GetSearchMates() const { return searchMates_; }
  void SetSearchMates(bool on) { searchMates_ = on; }
  bool GetSearchChecks() const { return searchChecks_; }
  void SetSearchChecks(bool on) { searchChecks_ = on; }
  bool GetSearchEquals() const { return searchEquals_; }
  void SetSearchEquals(bool on) { searchEquals_ = on; }
  bool GetSearchTxts() const { return searchTxts_; }
  void SetSearchTxts(bool on) { searchTxts_ = on; }

  // Clear, then every field from the ini-style text; an absent key gives
  // the reader's default (not Clear's), a number that does not read as a
  // non-negative integer counts as absent.
  bool LoadFromIni(const std::string &text);

 private:
  static constexpr int kMaxEntries = 65535;
  // ERangeError unless 1 <= i <= size.
  static void CheckEntry(std::size_t size, int i);
  template <class Rec>
  static Rec &Entry(std::vector<Rec> &v, int i) {
    CheckEntry(v.size(), i);
    return v[static_cast<std::size_t>(i - 1)];
  }
  template <class Rec>
  static const Rec &Entry(const std::vector<Rec> &v, int i) {
    CheckEntry(v.size(), i);
    return v[static_cast<std::size_t>(i - 1)];
  }
  const PlayerRec &Player(int i) const { return Entry(players_, i); }

  std::vector<PlayerRec> players_;
  std::uint32_t opponent_ = 0;
  bool ignoreColors_ = true;
  std::vector<NameRec> eventSites_;
  std::vector<NameRec> annotators_;
  bool searchYear_ = false;
  std::uint32_t yearLo_ = 0, yearHi_ = 0;
  bool searchEco_ = false;
  std::string ecoLo_, ecoHi_;
  bool searchElo_ = false;
  std::uint32_t eloLo_ = 0, eloHi_ = 0;
  std::uint8_t eloType_ = etNone;
  bool searchMoves_ = false;
  std::uint32_t movesLo_ = 0, movesHi_ = 0;
  bool searchWins_ = false, searchDraws_ = false, searchLosses_ = false, searchMates_ = false,
       searchChecks_ = false, searchEquals_ = false, searchTxts_ = false;
};
