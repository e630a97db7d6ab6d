#include "chess/InfoMan.h"

#include <algorithm>
#include <charconv>

#include "foundation/CommonText.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

namespace {

const std::string kStandardTagNames[StandardTagCount + 1] = {
    "Unknown",   "Event",      "Site",       "Date",        "Round",        "White",        "Black",
    "Result",    "WhiteTitle", "BlackTitle", "WhiteElo",    "BlackElo",     "WhiteUSCF",    "BlackUSCF",
    "WhiteNA",   "BlackNA",    "WhiteType",  "BlackType",   "EventDate",    "EventSponsor", "Section",
    "Stage",     "Board",      "Opening",    "Variation",   "SubVariation", "ECO",          "NIC",
    "Time",      "UTCTime",    "UTCDate",    "TimeControl", "SetUp",        "FEN",          "Termination",
    "Annotator", "Mode"};

// The caption variables behind the tag ids and NAG numbers, found once by
// their keys in the common caption table.
const std::array<const std::string *, StandardTagCount + 1> &TagCaptions() {
  static const auto table = [] {
    std::array<const std::string *, StandardTagCount + 1> t{};
    for (int id = 0; id <= StandardTagCount; ++id) {
      const std::string *caption = CommonText::FindCaption("S_tn" + kStandardTagNames[id]);
      t[id] = caption ? caption : &kStandardTagNames[id];
    }
    return t;
  }();
  return table;
}

const std::array<const std::string *, MaxNag + 1> &NagCaptions() {
  static const auto table = [] {
    std::array<const std::string *, MaxNag + 1> t{};
    for (int n = 0; n <= MaxNag; ++n) t[n] = CommonText::FindCaption("S_Nag_" + std::to_string(n));
    return t;
  }();
  return table;
}

void CheckTagId(int id) { CheckRange(id, 0, StandardTagCount, "Tag id out of range"); }

bool IsDefaultLang(LanguageId lang) { return lang == LangDefault; }

// A field of digits, or of "?" only (read as 0); false for anything else.
bool DateField(const std::string &s, int &v) {
  if (std::all_of(s.begin(), s.end(), [](char c) { return c == '?'; })) {
    v = 0;
    return true;
  }
  if (!std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; })) return false;
  v = std::stoi(s);
  return true;
}

std::string TwoDigits(int v) {
  std::string s = std::to_string(v);
  return s.size() < 2 ? std::string(2 - s.size(), '0') + s : s;
}

std::string PgnTagLine(const std::string &name, const std::string &value) {
  return "[" + name + " \"" + value + "\"]";
}

// A decimal integer filling the whole text; false otherwise.
bool ReadInt(const std::string &text, int &v) {
  std::string s = ini::Trim(text);
  if (s.empty()) return false;
  auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  return ec == std::errc() && p == s.data() + s.size();
}

}  // namespace

// ---- results ----

std::string ResultText(std::uint8_t code) {
  switch (code) {
    case resWhiteWins:
      return "1-0";
    case resDraw:
      return "1/2-1/2";
    case resBlackWins:
      return "0-1";
    default:
      return "*";
  }
}

bool ResultFromText(const std::string &text, std::uint8_t &code) {
  for (std::uint8_t c = resWhiteWins; c <= resUnknown; ++c)
    if (text == ResultText(c)) {
      code = c;
      return true;
    }
  return false;
}

// ---- tag vocabulary ----

const std::string &StandardTagName(int id) {
  CheckTagId(id);
  return kStandardTagNames[id];
}

const std::string &TagCaption(int id) {
  CheckTagId(id);
  return *TagCaptions()[id];
}

std::string TagDisplayName(int id, LanguageId lang) {
  return IsDefaultLang(lang) ? StandardTagName(id) : TagCaption(id);
}

int TagIdFromName(const std::string &name) {
  for (int id = 1; id <= StandardTagCount; ++id)
    if (kStandardTagNames[id] == name) return id;
  return tagUnknown;
}

std::string TagNameToCaption(const std::string &name, LanguageId lang) {
  int id = TagIdFromName(name);
  return id == tagUnknown || IsDefaultLang(lang) ? name : TagCaption(id);
}

// ---- NAGs ----

std::string NagText(int nag) {
  if (nag < 0 || nag > MaxNag) return {};
  const std::string *caption = NagCaptions()[nag];
  return caption ? *caption : std::string();
}

bool NagHasText(int nag) { return !NagText(nag).empty(); }

int NagFromSymbol(const std::string &symbol) {
  static const char *const kSymbols[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (int i = 0; i < 6; ++i)
    if (symbol == kSymbols[i]) return i + 1;
  return 0;
}

// ---- dates and ECO ----

bool ParseDate(const std::string &text, int &year, int &month, int &day) {
  year = month = day = 0;
  std::string s = ini::Trim(text);
  int y = 0, m = 0, d = 0;
  if (s.size() == 4) {
    if (!DateField(s, y)) return false;
    year = y;
    return y != 0;
  }
  if (s.size() == 7 && s[4] == '.') {
    if (!DateField(s.substr(0, 4), y) || !DateField(s.substr(5, 2), m)) return false;
    year = y;
    month = m;
    return y != 0 && m != 0;
  }
  if (s.size() == 10 && s[4] == '.' && s[7] == '.') {
    if (!DateField(s.substr(0, 4), y) || !DateField(s.substr(5, 2), m) || !DateField(s.substr(8, 2), d))
      return false;
    year = y;
    month = m;
    day = d;
    return y != 0;
  }
  return false;
}

std::string FormatDate(int day, int month, int year, bool full) {
  if (full) {
    std::string y = std::to_string(year);
    if (year <= 0)
      y = "????";
    else if (y.size() < 4)
      y = std::string(4 - y.size(), '0') + y;
    return y + "." + (month > 0 ? TwoDigits(month) : "??") + "." + (day > 0 ? TwoDigits(day) : "??");
  }
  if (year <= 0) return "?";
  std::string s = std::to_string(year);
  // A day without a month keeps the month's place, so it is not read as a month.
  if (month > 0)
    s += "." + TwoDigits(month);
  else if (day > 0)
    s += ".??";
  if (day > 0) s += "." + TwoDigits(day);
  return s;
}

std::string NormaliseDate(const std::string &text) {
  int y, m, d;
  ParseDate(text, y, m, d);
  return FormatDate(d, m, y, false);
}

bool ParseEco(const std::string &text, char &letter, int &number, int &subNumber) {
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (text.size() != 3 && text.size() != 6) return false;
  if (text[0] < 'A' || text[0] > 'E' || !digit(text[1]) || !digit(text[2])) return false;
  int sub = 0;
  if (text.size() == 6) {
    if (!digit(text[4]) || !digit(text[5])) return false;
    sub = (text[4] - '0') * 10 + (text[5] - '0');
  }
  letter = text[0];
  number = (text[1] - '0') * 10 + (text[2] - '0');
  subNumber = sub;
  return true;
}

// ---- GameInfoO ----

void GameInfoO::Init() {
  tags_.clear();
  result_ = resUnknown;
  gameNr_ = 0;
  changed_ = false;
}

void GameInfoO::Assign(const GameInfoO &src) {
  if (&src != this) {
    result_ = src.result_;
    gameNr_ = src.gameNr_;
    tags_ = src.tags_;
  }
  changed_ = true;
}

void GameInfoO::AssignTags(const GameInfoO &src) {
  if (&src != this) tags_ = src.tags_;
  changed_ = true;
}

void GameInfoO::CheckIndex(int index) const {
  CheckRange(index, 1, static_cast<int>(tags_.size()), "Tag index out of range");
}

void GameInfoO::NoteResultTag(const TagRec &tag) {
  if (tag.name == "Result") ResultFromText(tag.value, result_);
}

void GameInfoO::AddTag(const std::string &name, const std::string &value) {
  InsertTag(static_cast<int>(tags_.size()) + 1, name, value);
}

void GameInfoO::InsertTag(int index, const std::string &name, const std::string &value) {
  if (tags_.size() >= static_cast<size_t>(kMaxTags)) throw ERangeError("Too many tags");
  CheckRange(index, 1, static_cast<int>(tags_.size()) + 1, "Tag index out of range");
  TagRec tag{ini::Trim(name), ini::Trim(value)};
  tags_.insert(tags_.begin() + (index - 1), tag);
  NoteResultTag(tag);
  changed_ = true;
}

const std::string &GameInfoO::TagName(int index) const {
  CheckIndex(index);
  return tags_[index - 1].name;
}

const std::string &GameInfoO::TagValue(int index) const {
  CheckIndex(index);
  return tags_[index - 1].value;
}

void GameInfoO::SetTagValue(int index, const std::string &value) {
  CheckIndex(index);
  TagRec &tag = tags_[index - 1];
  std::string v = ini::Trim(value);
  if (v != tag.value) {
    tag.value = v;
    changed_ = true;
  }
  NoteResultTag(tag);
}

void GameInfoO::DeleteTag(int index) {
  CheckIndex(index);
  tags_.erase(tags_.begin() + (index - 1));
  changed_ = true;
}

std::uint16_t GameInfoO::IndexOfTag(const std::string &name) const {
  for (size_t i = 0; i < tags_.size(); ++i)
    if (tags_[i].name == name) return static_cast<std::uint16_t>(i + 1);
  return 0;
}

std::string GameInfoO::GetTag(const std::string &name) const {
  std::uint16_t i = IndexOfTag(name);
  return i ? tags_[i - 1].value : std::string();
}

void GameInfoO::SetTag(const std::string &name, const std::string &value) {
  std::uint16_t i = IndexOfTag(name);
  if (i)
    SetTagValue(i, value);
  else
    AddTag(name, value);
}

void GameInfoO::RemoveTag(const std::string &name) {
  std::uint16_t i = IndexOfTag(name);
  if (i) DeleteTag(i);
}

void GameInfoO::SetResult(std::uint8_t code) {
  CheckRange<int>(code, resWhiteWins, resUnknown, "Result code out of range");
  if (code != result_) {
    result_ = code;
    changed_ = true;
  }
}

void GameInfoO::SetGameNr(std::uint32_t nr) {
  if (nr != gameNr_) {
    gameNr_ = nr;
    changed_ = true;
  }
}

void GameInfoO::TidyTags() {
  for (int i = static_cast<int>(tags_.size()); i >= 1; --i) {
    const std::string v = ini::Trim(tags_[i - 1].value);
    bool unknown = v.find('?') != std::string::npos && v.find_first_not_of("?.") == std::string::npos;
    if (v.empty() || unknown) DeleteTag(i);
  }
}

void GameInfoO::SortTags() {
  std::stable_sort(tags_.begin(), tags_.end(), [](const TagRec &a, const TagRec &b) {
    return TagIdFromName(a.name) < TagIdFromName(b.name);
  });
}

int GameInfoO::NrOfMoves() const {
  int n = 0;
  return ReadInt(GetTag(kTagNrOfMoves), n) ? n : 0;
}

GameFlagSet GameInfoO::GetFlags() const {
  GameFlagSet flags{};
  std::string s = GetTag(kTagFlags);
  for (int i = 0; i < GameFlagCount && i < static_cast<int>(s.size()); ++i) flags[i] = s[i] == '1';
  return flags;
}

void GameInfoO::SetFlags(const GameFlagSet &flags) {
  std::string s;
  for (bool f : flags) s += f ? '1' : '0';
  SetTag(kTagFlags, s);
}

StrListO GameInfoO::TagLine(LanguageId lang) const {
  StrListO lines;
  bool plain = lang == LangDefault || lang == LangSymbolic;
  for (const TagRec &t : tags_)
    lines.Add(PgnTagLine(plain ? t.name : TagNameToCaption(t.name, lang), t.value));
  return lines;
}

StrListO GameInfoO::InfoLine(const std::vector<std::string> &items, bool pgnForm) const {
  // key -> the tag shown as is, or a composed text.
  static const struct {
    const char *key, *tag;
  } kPlain[] = {{"site", "Site"},         {"event", "Event"},       {"round", "Round"},
                {"white", "White"},       {"black", "Black"},       {"result", "Result"},
                {"whiteelo", "WhiteElo"}, {"blackelo", "BlackElo"}, {"eco", "ECO"}};
  auto withElo = [this](const char *player, const char *elo) {
    std::string s = GetTag(player);
    std::string e = GetTag(elo);
    if (!e.empty()) s += " (" + e + ")";
    return s;
  };
  StrListO out;
  auto add = [&](const std::string &pgnName, const std::string &text) {
    out.Add(pgnForm ? PgnTagLine(pgnName, text) : text);
  };
  for (const std::string &key : items) {
    bool done = false;
    for (const auto &p : kPlain)
      if (key == p.key) {
        add(p.tag, GetTag(p.tag));
        done = true;
        break;
      }
    if (done) continue;
    if (key == "date") {
      add("Date", NormaliseDate(GetTag("Date")));
    } else if (key == "nrofmoves") {
      int plies = 0, moves;
      if (HasTag("PlyCount") && ReadInt(GetTag("PlyCount"), plies))
        moves = plies < 0 ? -1 : plies / 2 + plies % 2;  // (plies + 1) / 2 without overflow
      else
        moves = NrOfMoves();
      add("NrOfMoves", moves < 0 ? std::string() : std::to_string(moves));
    } else if (key == "gamenr") {
      if (!pgnForm) out.Add(gameNr_ >= 1 ? std::to_string(gameNr_) : std::string());
    } else if (key == "players") {
      add("Players", GetTag("White") + " - " + GetTag("Black"));
    } else if (key == "playersandelo") {
      add("Players", withElo("White", "WhiteElo") + " - " + withElo("Black", "BlackElo"));
    } else if (key == "whiteandelo") {
      add("White", withElo("White", "WhiteElo"));
    } else if (key == "blackandelo") {
      add("Black", withElo("Black", "BlackElo"));
    }
  }
  return out;
}
