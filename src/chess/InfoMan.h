#pragma once
// A game's header (GameInfoO: its PGN tags in order, the result code and the
// game number) and the vocabulary around a game: the standard tag names and
// their captions, NAG texts and move symbols, the pseudo-tags that carry the
// database's summary, and the date and ECO text forms.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/LangMan.h"
#include "foundation/Lists.h"

// Result codes.
inline constexpr std::uint8_t resWhiteWins = 0;  // "1-0"
inline constexpr std::uint8_t resDraw = 1;       // "1/2-1/2"
inline constexpr std::uint8_t resBlackWins = 2;  // "0-1"
inline constexpr std::uint8_t resUnknown = 3;    // "*"

// The PGN text of a result code; "*" for a code above 3.
std::string ResultText(std::uint8_t code);
// The code of "1-0", "1/2-1/2", "0-1" or "*"; false for any other text.
bool ResultFromText(const std::string &text, std::uint8_t &code);

// Standard tags: id 0 stands for any other name, ids 1..36 are the tags
// below in this order, which SortTags follows.
enum StandardTagId : int {
  tagUnknown,
  tagEvent,
  tagSite,
  tagDate,
  tagRound,
  tagWhite,
  tagBlack,
  tagResult,
  tagWhiteTitle,
  tagBlackTitle,
  tagWhiteElo,
  tagBlackElo,
  tagWhiteUSCF,
  tagBlackUSCF,
  tagWhiteNA,
  tagBlackNA,
  tagWhiteType,
  tagBlackType,
  tagEventDate,
  tagEventSponsor,
  tagSection,
  tagStage,
  tagBoard,
  tagOpening,
  tagVariation,
  tagSubVariation,
  tagECO,
  tagNIC,
  tagTime,
  tagUTCTime,
  tagUTCDate,
  tagTimeControl,
  tagSetUp,
  tagFEN,
  tagTermination,
  tagAnnotator,
  tagMode
};
inline constexpr int StandardTagCount = 36;

// The PGN name of a standard tag ("Unknown" for 0); ERangeError outside 0..36.
const std::string &StandardTagName(int id);
// The tag's caption (CommonText S_tn<name>, in the caption language);
// ERangeError outside 0..36.
const std::string &TagCaption(int id);
// The PGN name for the Default language, else the caption.
std::string TagDisplayName(int id, LanguageId lang);
// The id of a standard tag name (exact case); 0 for any other name.
int TagIdFromName(const std::string &name);
// The caption of a standard tag, else the name itself; the name itself for
// the Default language.
std::string TagNameToCaption(const std::string &name, LanguageId lang);

// Pseudo-tags: the database's summary of a game.
inline const std::string kTagNrOfMoves = "QVNrOfMoves";
inline const std::string kTagFlags = "QVFlags";
// "QVFlags" in order: the main line ends in checkmate, ends in check, ends
// in stalemate, the game has comments, has variations, and a sixth flag.
inline constexpr int GameFlagCount = 6;
using GameFlagSet = std::array<bool, GameFlagCount>;

// NAGs.
inline constexpr int MaxNag = 220;
// The NAG's description (S_Nag_<n> for 0..139, 200..206 and 220); empty for
// every other number.
std::string NagText(int nag);
bool NagHasText(int nag);
// "!" 1, "?" 2, "!!" 3, "??" 4, "!?" 5, "?!" 6; any other symbol 0.
int NagFromSymbol(const std::string &symbol);

// Dates "YYYY.MM.DD" with "?" for unknown parts. The text is trimmed.
// "YYYY" is true when the year is non-zero, "YYYY.MM" when year and month
// are, "YYYY.MM.DD" when the year is ("??" reads as 0). Recognised forms
// fill the parts even when false; any other text gives false and zeros.
bool ParseDate(const std::string &text, int &year, int &month, int &day);
// Full: "YYYY.MM.DD" with "????"/"??" for zero parts. Short: the year, then
// the month and day when non-zero ("1999.05", "1999.05.12"); a day without a
// month is written "1999.??.12"; a zero year gives "?".
std::string FormatDate(int day, int month, int year, bool full);
// ParseDate, then the short FormatDate.
std::string NormaliseDate(const std::string &text);

// "B12" or "B12/03" (any fourth character): letter A-E, a two-digit number
// and, in six characters, a two-digit sub-number (else 0). False for any
// other text; the parts are only changed on success.
bool ParseEco(const std::string &text, char &letter, int &number, int &subNumber);

// One tag; name and value are trimmed when stored.
struct TagRec {
  std::string name;
  std::string value;
};

class GameInfoO {
 public:
  static constexpr int kMaxTags = 65535;

  GameInfoO() = default;

  // Empty tag list, result "*", no game number, unchanged.
  void Init();
  void Done() { Init(); }

  // Copies the result, game number and tags; sets changed.
  void Assign(const GameInfoO &src);
  // Replaces the tags by copies of another header's; sets changed.
  void AssignTags(const GameInfoO &src);

  // Appends a tag, as InsertTag at TagCount() + 1.
  void AddTag(const std::string &name, const std::string &value);
  // Inserts at 1..TagCount()+1: trims both, sets changed; a tag named
  // exactly "Result" with a result text also sets the result code.
  // ERangeError for another index or when 65535 tags are present.
  void InsertTag(int index, const std::string &name, const std::string &value);

  std::uint16_t TagCount() const { return static_cast<std::uint16_t>(tags_.size()); }
  // Index 1..TagCount(), else ERangeError.
  const std::string &TagName(int index) const;
  const std::string &TagValue(int index) const;
  // Trims; sets changed when the value differs; a "Result" tag also sets the
  // result code.
  void SetTagValue(int index, const std::string &value);
  void DeleteTag(int index);

  // The first tag of exactly this name; 0 when none.
  std::uint16_t IndexOfTag(const std::string &name) const;
  bool HasTag(const std::string &name) const { return IndexOfTag(name) > 0; }
  // The value, empty when absent.
  std::string GetTag(const std::string &name) const;
  // SetTagValue on the existing tag, else AddTag.
  void SetTag(const std::string &name, const std::string &value);
  // Removes the first tag of this name, if any.
  void RemoveTag(const std::string &name);

  std::uint8_t Result() const { return result_; }
  // ERangeError for a code above 3.
  void SetResult(std::uint8_t code);
  std::uint32_t GameNr() const { return gameNr_; }
  void SetGameNr(std::uint32_t nr);
  bool Changed() const { return changed_; }
  void SetChanged(bool changed) { changed_ = changed; }

  // Removes, from the last tag to the first, every tag whose value is empty
  // or made only of "?" and "." with at least one "?" ("?", "????.??.??").
  void TidyTags();
  // Stable order by standard tag id: other names first, then the standard
  // tags in their table order.
  void SortTags();

  // "QVNrOfMoves" as a number; 0 when absent or not a number.
  int NrOfMoves() const;
  // The six flags of "QVFlags" ("1" set; missing characters read as "0").
  GameFlagSet GetFlags() const;
  void SetFlags(const GameFlagSet &flags);

  // One line per tag: [Name "value"]; the name is the tag's caption unless
  // the language is Default or Symbolic.
  StrListO TagLine(LanguageId lang) const;
  // One text per recognised item key, in the order of the keys (see the
  // table in InfoMan.cpp); in PGN form each as a tag line under its tag name.
  StrListO InfoLine(const std::vector<std::string> &items, bool pgnForm) const;

 private:
  void CheckIndex(int index) const;
  void NoteResultTag(const TagRec &tag);

  std::vector<TagRec> tags_;
  std::uint8_t result_ = resUnknown;
  std::uint32_t gameNr_ = 0;
  bool changed_ = false;
};
