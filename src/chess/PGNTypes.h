#pragma once
// Column layouts of the database's list windows and the row records the
// database hands to the name-list and tree-move windows.
//
// A layout holds the vocabulary of columns its kind of list offers (key,
// option caption, header title, sort kind; 1-based, in registration order)
// and the ordered selection of those columns with their widths. The column
// keys are what the settings file stores, and the sort kinds name the tag a
// game list is sorted by.
#include <cstdint>
#include <string>

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
