#include "chess/PGNTypes.h"

#include <algorithm>
#include <span>

#include "foundation/CommonText.h"
#include "foundation/IniStringO.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

struct ColumnDefRec {
  const char *key;
  ColumnKind kind;
  const std::string *caption;  // caption variables, read when registered
  const std::string *title;
};

struct DefaultColumnRec {
  const char *key;
  int width;
};

}  // namespace

struct LayoutKindRec {
  std::span<const ColumnDefRec> columns;
  std::span<const DefaultColumnRec> defaults;
};

namespace {

const char *const kKindNames[ColumnKindCount] = {
    "None",         "Site",       "Event",    "White",          "Black",          "WhiteElo",
    "BlackElo",     "Result",     "Round",    "Date",           "NrOfMoves",      "ECO",
    "GameNr",       "PlayerName", "PlayerNr", "EventSiteName",  "EventSiteNr",    "AnnotatorName",
    "AnnotatorNr",  "MoveNr",     "Move",     "MoveTotalCount", "MoveWhiteCount", "MoveBlackCount",
    "MoveDrawCount"};

using namespace CommonText;

// The four combined player columns all sort by White, "blackandelo" too.
constexpr ColumnDefRec kGameColumns[] = {
    {"site", ckSite, &S_GILODescr_Site, &S_GILOCap_Site},
    {"event", ckEvent, &S_GILODescr_Event, &S_GILOCap_Event},
    {"date", ckDate, &S_GILODescr_Date, &S_GILOCap_Date},
    {"round", ckRound, &S_GILODescr_Round, &S_GILOCap_Round},
    {"white", ckWhite, &S_GILODescr_White, &S_GILOCap_White},
    {"black", ckBlack, &S_GILODescr_Black, &S_GILOCap_Black},
    {"result", ckResult, &S_GILODescr_Result, &S_GILOCap_Result},
    {"whiteelo", ckWhiteElo, &S_GILODescr_WhiteElo, &S_GILOCap_WhiteElo},
    {"blackelo", ckBlackElo, &S_GILODescr_BlackElo, &S_GILOCap_BlackElo},
    {"nrofmoves", ckNrOfMoves, &S_GILODescr_NrOfMoves, &S_GILOCap_NrOfMoves},
    {"gamenr", ckGameNr, &S_GILODescr_GameNr, &S_GILOCap_GameNr},
    {"eco", ckECO, &S_GILODescr_Eco, &S_GILOCap_Eco},
    {"players", ckWhite, &S_GILODescr_Players, &S_GILOCap_Players},
    {"playersandelo", ckWhite, &S_GILODescr_PlayersAndElo, &S_GILOCap_PlayersAndElo},
    {"whiteandelo", ckWhite, &S_GILODescr_WhiteAndElo, &S_GILOCap_WhiteAndElo},
    {"blackandelo", ckWhite, &S_GILODescr_BlackAndElo, &S_GILOCap_BlackAndElo},
};
constexpr DefaultColumnRec kGameDefaults[] = {
    {"gamenr", 37}, {"whiteandelo", 115}, {"blackandelo", 115}, {"result", 58},    {"date", 73},
    {"event", 77},  {"site", 95},         {"eco", 50},          {"nrofmoves", 31}, {"round", 50}};

constexpr ColumnDefRec kPlayerColumns[] = {
    {"playername", ckPlayerName, &S_GILODescr_PlayerName, &S_GILOCap_PlayerName},
    {"playernr", ckPlayerNr, &S_GILODescr_PlayerNr, &S_GILOCap_PlayerNr},
};
constexpr DefaultColumnRec kPlayerDefaults[] = {{"playernr", 50}, {"playername", 150}};

constexpr ColumnDefRec kEventSiteColumns[] = {
    {"eventsitename", ckEventSiteName, &S_GILODescr_EventSiteName, &S_GILOCap_EventSiteName},
    {"eventsitenr", ckEventSiteNr, &S_GILODescr_EventSiteNr, &S_GILOCap_EventSiteNr},
};
constexpr DefaultColumnRec kEventSiteDefaults[] = {{"eventsitenr", 50}, {"eventsitename", 150}};

constexpr ColumnDefRec kAnnotatorColumns[] = {
    {"annotatorname", ckAnnotatorName, &S_GILODescr_AnnotatorName, &S_GILOCap_AnnotatorName},
    {"annotatornr", ckAnnotatorNr, &S_GILODescr_AnnotatorNr, &S_GILOCap_AnnotatorNr},
};
constexpr DefaultColumnRec kAnnotatorDefaults[] = {{"annotatornr", 50}, {"annotatorname", 150}};

constexpr ColumnDefRec kMoveColumns[] = {
    {"movenr", ckMoveNr, &S_GILODescr_MoveNr, &S_GILOCap_MoveNr},
    {"move", ckMove, &S_GILODescr_Move, &S_GILOCap_Move},
    {"movetotalcount", ckMoveTotalCount, &S_GILODescr_MoveTotalCount, &S_GILOCap_MoveTotalCount},
    {"movewhitecount", ckMoveWhiteCount, &S_GILODescr_MoveWhiteCount, &S_GILOCap_MoveWhiteCount},
    {"movedrawcount", ckMoveDrawCount, &S_GILODescr_MoveDrawCount, &S_GILOCap_MoveDrawCount},
    {"moveblackcount", ckMoveBlackCount, &S_GILODescr_MoveBlackCount, &S_GILOCap_MoveBlackCount},
};
// No draw column by default.
constexpr DefaultColumnRec kMoveDefaults[] = {
    {"movenr", 36}, {"move", 47}, {"movetotalcount", 55}, {"movewhitecount", 55}, {"moveblackcount", 55}};

constexpr LayoutKindRec kGameLayout{kGameColumns, kGameDefaults};
constexpr LayoutKindRec kPlayerLayout{kPlayerColumns, kPlayerDefaults};
constexpr LayoutKindRec kEventSiteLayout{kEventSiteColumns, kEventSiteDefaults};
constexpr LayoutKindRec kAnnotatorLayout{kAnnotatorColumns, kAnnotatorDefaults};
constexpr LayoutKindRec kMoveLayout{kMoveColumns, kMoveDefaults};

std::string OptionKey(int n) { return "Option" + IntToStr(n); }

}  // namespace

std::string ColumnKindName(int kind) {
  return kind >= 0 && kind < ColumnKindCount ? kKindNames[kind] : kKindNames[ckNone];
}

ColumnKind ColumnKindFromName(const std::string &name) {
  for (int k = 0; k < ColumnKindCount; ++k)
    if (name == kKindNames[k]) return static_cast<ColumnKind>(k);
  return ckNone;
}

std::string ColumnTagName(int kind) {
  // The game kinds that sort by a tag are named after it.
  const bool tagged = kind >= ckSite && kind <= ckECO && kind != ckNrOfMoves;
  return tagged ? kKindNames[kind] : std::string();
}

// ---- ListColumnsO ----

ListColumnsO::ListColumnsO() : ListColumnsO(kGameLayout) {}
PlayerColumnsO::PlayerColumnsO() : ListColumnsO(kPlayerLayout) {}
EventSiteColumnsO::EventSiteColumnsO() : ListColumnsO(kEventSiteLayout) {}
AnnotatorColumnsO::AnnotatorColumnsO() : ListColumnsO(kAnnotatorLayout) {}
MoveColumnsO::MoveColumnsO() : ListColumnsO(kMoveLayout) {}

void ListColumnsO::Init() {
  Done();
  SetLanguage(LangEnglish);
}

void ListColumnsO::Done() {
  keys_.Clear();
  captions_.Clear();
  titles_.Clear();
  kinds_.Clear();
  ClearSelected();
}

void ListColumnsO::SetLanguage(LanguageId language) {
  keys_.Clear();
  captions_.Clear();
  titles_.Clear();
  kinds_.Clear();
  language_ = language;
  for (const ColumnDefRec &c : kind_->columns) {
    keys_.Add(c.key);
    captions_.Add(*c.caption);
    titles_.Add(*c.title);
    kinds_.Add(c.kind);
  }
}

void ListColumnsO::SetDefaultColumns() {
  ClearSelected();
  for (const DefaultColumnRec &d : kind_->defaults) AddColumnByKey(d.key, d.width);
}

ColumnKind ListColumnsO::KindOfKey(const std::string &key) const {
  const std::uint16_t j = IndexOfKey(key);
  return j == 0 ? ckNone : AvailableKind(j);
}

int ListColumnsO::ColumnWidth(int i) const {
  const int w = widths_.Get(i);
  return w == 0 ? DefaultWidth : w;
}

void ListColumnsO::SetColumnWidth(int i, int width) { widths_.Put(i, width); }

void ListColumnsO::AddColumn(int j, int width) {
  if (j < 1 || j > AvailableCount()) throw ERangeError("Column index out of range (" + IntToStr(j) + ")");
  if (width < 0 || width > 65535) throw ERangeError("Column width out of range (" + IntToStr(width) + ")");
  if (Count() >= KeyListO::kMaxCount) throw ERangeError("Too many columns");
  selected_.Add(j);
  widths_.Add(width);
}

void ListColumnsO::AddColumnByKey(const std::string &key, int width) {
  const std::uint16_t j = IndexOfKey(key);
  if (j == 0) throw ERangeError("Unknown column \"" + key + "\"");
  AddColumn(j, width);
}

std::uint16_t ListColumnsO::IndexOfColumn(int j) const { return selected_.IndexOf(j); }

void ListColumnsO::ClearSelected() {
  selected_.Clear();
  widths_.Clear();
}

void ListColumnsO::Assign(const ListColumnsO &source) {
  if (&source == this) return;
  // Checked first: a source that selects a column this kind lacks is
  // refused whole.
  for (int i = 1; i <= source.Count(); ++i)
    if (source.ColumnIndex(i) > AvailableCount())
      throw ERangeError("Column index out of range (" + IntToStr(source.ColumnIndex(i)) + ")");
  ClearSelected();
  for (int i = 1; i <= source.Count(); ++i) {
    selected_.Add(source.selected_.Get(i));
    widths_.Add(source.widths_.Get(i));
  }
  SetLanguage(source.language_);
}

void ListColumnsO::SaveToIni(const std::string &iniFileName, const std::string &section) const {
  IniFile ini(iniFileName);
  ini.EraseSection(section);
  for (int i = 1; i <= Count(); ++i) ini.WriteString(section, OptionKey(i), ColumnKey(i));
}

void ListColumnsO::LoadFromIni(const std::string &iniFileName, const std::string &section) {
  ListColumnsO read(*kind_);
  {
    IniFile ini(iniFileName);
    for (int n = 1;; ++n) {
      const std::string key = ini.ReadString(section, OptionKey(n), "?");
      if (key == "?") break;
      const std::uint16_t j = read.IndexOfKey(key);
      if (j != 0) read.AddColumn(j, 0);
    }
  }
  if (read.Count() > 0) Assign(read);
}

// ---- Row records ----

StrListO NameInfoO::RowTexts(const ListColumnsO &layout) const {
  StrListO out;
  for (int i = 1; i <= layout.Count(); ++i) {
    const std::string key = layout.ColumnKey(i);
    if (key == nrKey_)
      out.Add(IntToStr(nr_));
    else if (key == nameKey_)
      out.Add(name_);
  }
  return out;
}

std::int32_t MoveInfoO::GetDrawCount() const {
  return RangeCast<std::int32_t>(std::int64_t{totalCount_} - whiteCount_ - blackCount_);
}

StrListO MoveInfoO::RowTexts(const ListColumnsO &layout) const {
  StrListO out;
  for (int i = 1; i <= layout.Count(); ++i) {
    const std::string key = layout.ColumnKey(i);
    if (key == "movenr")
      out.Add(IntToStr(moveNr_));
    else if (key == "move")
      out.Add(move_);
    else if (key == "movetotalcount")
      out.Add(IntToStr(totalCount_));
    else if (key == "movewhitecount")
      out.Add(IntToStr(whiteCount_));
    else if (key == "moveblackcount")
      out.Add(IntToStr(blackCount_));
    else if (key == "movedrawcount")
      out.Add(IntToStr(GetDrawCount()));
  }
  return out;
}

// ---- Search criteria ----

namespace {

template <std::size_t N>
std::uint8_t OptionIndex(const std::string &text, const char *const (&words)[N]) {
  const std::string lower = win1252::LowerCase(text);
  for (std::size_t k = 0; k < N; ++k)
    if (lower == words[k]) return static_cast<std::uint8_t>(k);
  return 0;
}

template <class Rec>
void CheckRoom(const std::vector<Rec> &v, int most) {
  if (v.size() >= static_cast<std::size_t>(most)) throw ERangeError("Too many search entries");
}

}  // namespace

std::uint8_t ColourOptionText(const std::string &text) {
  static const char *const kWords[] = {"none", "white", "black", "not"};
  return OptionIndex(text, kWords);
}

std::uint8_t EloOptionText(const std::string &text) {
  static const char *const kWords[] = {"none", "average", "oneplayer", "bothplayers"};
  return OptionIndex(text, kWords);
}

void GameSearchMaskO::CheckEntry(std::size_t size, int i) {
  if (i < 1 || static_cast<std::size_t>(i) > size) throw ERangeError("Search entry out of range (" + IntToStr(i) + ")");
}

void GameSearchMaskO::Init() {
  opponent_ = 0;
  Clear();
}

void GameSearchMaskO::Clear() {
  players_.clear();
  eventSites_.clear();
  annotators_.clear();
  ignoreColors_ = true;
  searchYear_ = false;
  yearLo_ = yearHi_ = static_cast<std::uint32_t>(CurrentYear());
  searchEco_ = false;
  ecoLo_ = "A00";
  ecoHi_ = "E99/99";
  searchElo_ = false;
  eloLo_ = 2500;
  eloHi_ = 2875;
  eloType_ = etNone;
  searchMoves_ = false;
  movesLo_ = 1;
  movesHi_ = 22;
  searchWins_ = searchDraws_ = searchLosses_ = searchMates_ = searchChecks_ = searchEquals_ = searchTxts_ = false;
}

void GameSearchMaskO::Assign(const GameSearchMaskO &src) {
  if (&src != this) *this = src;
}

bool GameSearchMaskO::IsEmpty() const {
  return players_.empty() && eventSites_.empty() && annotators_.empty() && !searchYear_ && !searchEco_ &&
         !searchElo_ && !searchMoves_ && !NeedsMoveScan();
}

bool GameSearchMaskO::NeedsMoveScan() const {
  return searchWins_ || searchDraws_ || searchLosses_ || searchMates_ || searchChecks_ || searchEquals_ ||
         searchTxts_;
}

std::string GameSearchMaskO::PlayersText() const {
  std::string s;
  for (const PlayerRec &p : players_) s += (s.empty() ? "" : ", ") + p.name;
  return s;
}

void GameSearchMaskO::AddPlayer(const std::string &name, std::uint8_t colour, std::uint8_t results) {
  CheckRoom(players_, kMaxEntries);
  PlayerRec p{name, 0, 0};
  players_.push_back(p);
  try {
    SetPlayerColour(PlayerCount(), colour);
    SetPlayerResults(PlayerCount(), results);
  } catch (...) {
    players_.pop_back();
    throw;
  }
}

void GameSearchMaskO::DeletePlayer(int i) {
  Player(i);
  players_.erase(players_.begin() + (i - 1));
  if (opponent_ == static_cast<std::uint32_t>(i))
    opponent_ = 0;
  else if (opponent_ > static_cast<std::uint32_t>(i))
    --opponent_;
}

void GameSearchMaskO::SetPlayerColour(int i, std::uint8_t colour) {
  if (colour > scNot) throw ERangeError("Colour condition out of range (" + IntToStr(colour) + ")");
  Entry(players_, i).colour = colour;
}

void GameSearchMaskO::SetPlayerResults(int i, std::uint8_t results) {
  if (results & ~(srWin | srDraw | srLoss | srAll)) throw ERangeError("Result flags out of range (" + IntToStr(results) + ")");
  Entry(players_, i).results = results;
}

void GameSearchMaskO::AddEventSite(const std::string &name, bool isNot, bool caseSensitive) {
  CheckRoom(eventSites_, kMaxEntries);
  eventSites_.push_back({name, isNot, caseSensitive});
}

void GameSearchMaskO::DeleteEventSite(int i) {
  Entry(eventSites_, i);
  eventSites_.erase(eventSites_.begin() + (i - 1));
}

void GameSearchMaskO::AddAnnotator(const std::string &name, bool isNot, bool caseSensitive) {
  CheckRoom(annotators_, kMaxEntries);
  annotators_.push_back({name, isNot, caseSensitive});
}

void GameSearchMaskO::DeleteAnnotator(int i) {
  Entry(annotators_, i);
  annotators_.erase(annotators_.begin() + (i - 1));
}

void GameSearchMaskO::SetEloType(std::uint8_t v) {
  if (v > etBothPlayers) throw ERangeError("Elo type out of range (" + IntToStr(v) + ")");
  eloType_ = v;
}

bool GameSearchMaskO::LoadFromIni(const std::string &text) {
  IniStringO ini;
  ini.SetText(text);
  // A value that is no non-negative number reads as absent.
  auto number = [&ini](const std::string &section, const char *key) -> std::uint32_t {
    const int v = StrToIntDef(ini.ReadString(section, key, "0"), 0);
    return v < 0 ? 0 : static_cast<std::uint32_t>(v);
  };
  auto flag = [&ini](const std::string &section, const char *key, bool def = false) {
    return ini.ReadBool(section, key, def);
  };
  auto count = [&](const char *key) { return static_cast<int>(std::min<std::uint32_t>(number("General", key), kMaxEntries)); };

  GameSearchMaskO m;
  m.Clear();
  for (int i = 1, n = count("NrOfPlayers"); i <= n; ++i) {
    const std::string s = "Player" + IntToStr(i);
    std::uint8_t results = 0;
    if (flag(s, "ResultWin")) results |= srWin;
    if (flag(s, "ResultDraw")) results |= srDraw;
    if (flag(s, "ResultLoss")) results |= srLoss;
    if (flag(s, "ResultAll")) results |= srAll;
    m.AddPlayer(ini.ReadString(s, "Name", "?"), ColourOptionText(ini.ReadString(s, "Color", "")), results);
  }
  m.opponent_ = number("General", "Opponent");
  m.ignoreColors_ = flag("General", "IgnoreColors", true);
  for (int i = 1, n = count("NrOfEventSites"); i <= n; ++i) {
    const std::string s = "EventSite" + IntToStr(i);
    m.AddEventSite(ini.ReadString(s, "Name", "?"), flag(s, "Not"), flag(s, "CaseSensitive"));
  }
  for (int i = 1, n = count("NrOfAnnotators"); i <= n; ++i) {
    const std::string s = "Annotator" + IntToStr(i);
    m.AddAnnotator(ini.ReadString(s, "Name", "?"), flag(s, "Not"), flag(s, "CaseSensitive"));
  }
  m.searchYear_ = flag("General", "SearchYear");
  m.yearLo_ = number("General", "SearchYearLo");
  m.yearHi_ = number("General", "SearchYearHi");
  m.searchEco_ = flag("General", "SearchEco");
  m.ecoLo_ = ini.ReadString("General", "SearchEcoLo", "");
  m.ecoHi_ = ini.ReadString("General", "SearchEcoHi", "");
  m.searchElo_ = flag("General", "SearchElo");
  m.eloLo_ = number("General", "SearchEloLo");
  m.eloHi_ = number("General", "SearchEloHi");
  m.eloType_ = EloOptionText(ini.ReadString("General", "SearchEloType", ""));
  m.searchMoves_ = flag("General", "SearchMoves");
  m.movesLo_ = number("General", "SearchMovesLo");
  m.movesHi_ = number("General", "SearchMovesHi");
  m.searchWins_ = flag("General", "SearchWins");
  m.searchDraws_ = flag("General", "SearchDraws");
  m.searchLosses_ = flag("General", "SearchLosses");
  m.searchMates_ = flag("General", "SearchMates");
  m.searchChecks_ = flag("General", "SearchChecks");
  m.searchEquals_ = flag("General", "SearchEquals");
  m.searchTxts_ = flag("General", "SearchTxts");
  *this = std::move(m);
  return true;
}
