#include "chess/Language.h"

#include <algorithm>
#include <map>
#include <vector>

#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

TChessLangData MakeRecord(const char *letters, std::array<const char *, 6> pieces, const char *white,
                          const char *black, const char *versus, const char *whiteToMove,
                          const char *blackToMove, const char *positionAfter, const char *startPosition) {
  TChessLangData d;
  std::copy_n(letters, 10, d.letters.begin());
  d.pieceNames[0] = "_";
  for (int i = 0; i < 6; ++i) d.pieceNames[i + 1] = pieces[i];
  d.colourNames = {white, black, "_"};
  d.versus = versus;
  d.toMove = {whiteToMove, blackToMove, ""};
  d.positionAfter = positionAfter;
  d.startPosition = startPosition;
  return d;
}

struct LangState {
  std::vector<LanguageId> ids;                   // registration order
  std::map<LanguageId, TChessLangData> records;  // only registered ids
  std::array<char, 7> symbolic{};
  LanguageId current = LangEnglish;

  LangState() { Reset(); }

  void Reset() {
    ids.clear();
    records.clear();
    std::copy_n("_123456", 7, symbolic.begin());
    current = LangEnglish;
    RegisterLang(LangEnglish, EnglishLangData());
    RegisterLang(LangDutch, DutchLangData());
    RegisterLang(LangGerman, GermanLangData());
  }

  // Refuses before changing anything.
  void RegisterLang(LanguageId id, const TChessLangData &rec) {
    if (id < 1 || id > kMaxNotationLangs) throw ERangeError("Notation language id out of range");
    bool known = std::find(ids.begin(), ids.end(), id) != ids.end();
    if (!known && ids.size() >= kMaxNotationLangs) throw ERangeError("Too many notation languages");
    if (!known) ids.push_back(id);
    records[id] = rec;
  }

  // "Default" stands for the current language.
  LanguageId Resolve(LanguageId id) const {
    if (id > kMaxNotationLangs) throw ERangeError("Notation language id out of range");
    return id == LangDefault ? current : id;
  }

  // The record the queries read: an id without one (Symbolic, a language
  // known only by name) reads the English record.
  const TChessLangData &Record(LanguageId id) const {
    auto it = records.find(id);
    if (it != records.end()) return it->second;
    it = records.find(LangEnglish);
    return it != records.end() ? it->second : EnglishLangData();
  }
};

LangState &State() {
  static LangState s;
  return s;
}

void CheckPiece(int piece) { CheckRange(piece, 0, 6, "Piece code out of range"); }
void CheckColour(int colour) { CheckRange(colour, 0, 2, "Colour code out of range"); }

// Symbolic borrows the current language's words and colour letters.
const TChessLangData &WordRecord(LanguageId id) {
  LanguageId r = State().Resolve(id);
  if (r == LangSymbolic) r = State().current;
  return State().Record(r);
}

const char *const kImageNames[7] = {"", "wpw", "wnw", "wbw", "wrw", "wqw", "wkw"};

}  // namespace

const TChessLangData &EnglishLangData() {
  static const TChessLangData d =
      MakeRecord("_PNBRQKWB_", {"Pawn", "Knight", "Bishop", "Rook", "Queen", "King"}, "White", "Black", "vs",
                 "White to move", "Black to move", "Position after %s", "Start Position");
  return d;
}

const TChessLangData &DutchLangData() {
  static const TChessLangData d =
      MakeRecord("_pPLTDKWZ_", {"Pion", "Paard", "Loper", "Toren", "Dame", "Koning"}, "Wit", "Zwart", "vs",
                 "Wit aan zet", "Zwart aan zet", "Stelling na %s", "Beginstelling");
  return d;
}

const TChessLangData &GermanLangData() {
  static const TChessLangData d =
      MakeRecord("_BSLTDKWS_", {"Bauer", "Springer", "L\xe4ufer", "Turm", "Dame", "K\xf6nig"}, "Wei\xdf",
                 "Schwarz", "vs", "Wei\xdf am Zug", "Schwarz am Zug", "Stellung nach %s", "Anfangsstellung");
  return d;
}

void RegisterLang(LanguageId id, const TChessLangData &rec) { State().RegisterLang(id, rec); }

void ClearLangRegistry() {
  State().ids.clear();
  State().records.clear();
}

int LangCount() { return static_cast<int>(State().ids.size()); }

LanguageId LangIdAt(int i) {
  const auto &ids = State().ids;
  if (i < 1 || i > static_cast<int>(ids.size())) return LangEnglish;
  return ids[i - 1];
}

LanguageId LangIdAtIndex(int i) { return LangIdAt(i); }

bool IsLangRegistered(LanguageId id) {
  const auto &ids = State().ids;
  return std::find(ids.begin(), ids.end(), id) != ids.end();
}

bool GetLangRecord(LanguageId id, TChessLangData &out) {
  auto it = State().records.find(id);
  if (it == State().records.end()) return false;
  out = it->second;
  return true;
}

LanguageId LangIdFromName(const std::string &name) {
  LanguageId id = FindLanguageForSetting(name);
  return IsLangRegistered(id) ? id : LangEnglish;
}

void SetCurrentLang(LanguageId id) {
  LanguageId r = State().Resolve(id);
  State().current = IsLangRegistered(r) ? r : LangEnglish;
}

LanguageId CurrentLang() { return State().current; }

namespace {
// The piece letter of an already resolved language id and a checked piece.
char ResolvedPieceChar(LanguageId r, int piece) {
  if (r == LangSymbolic) return State().symbolic[piece];
  return State().Record(r).letters[piece];
}
}  // namespace

char LangPieceChar(LanguageId id, int piece) {
  CheckPiece(piece);
  return ResolvedPieceChar(State().Resolve(id), piece);
}

char LangColourChar(LanguageId id, int colour) {
  CheckColour(colour);
  return WordRecord(id).letters[7 + colour];
}

std::string PieceToText(int piece, int colour, LanguageId id, const DisplayOptionsRec *popt) {
  static const DisplayOptionsRec kPlain;
  const DisplayOptionsRec &opt = popt ? *popt : kPlain;
  CheckPiece(piece);
  CheckColour(colour);
  LanguageId r = State().Resolve(id);
  if (opt.font && opt.font->hasFigurines && opt.figurine) {
    int32_t code = opt.font->figurines[piece][colour];
    // A code that is not one byte cannot be written; the letter stands in.
    if (code > 0 && code < 256) {
      std::string s = opt.font->rtfPrefix + RtfEscapeNonAscii(std::string(1, static_cast<char>(code))) +
                      opt.font->rtfSuffix;
      return opt.bold ? "\\b0" + s + "\\b " : s;
    }
  }
  if (opt.html && opt.figurine && piece >= 1)
    return "<IMG SRC=\"" + opt.imageFolder + kImageNames[piece] + ".gif\">";
  return std::string(1, ResolvedPieceChar(r, piece));
}

std::string ColourToText(int colour, LanguageId id) { return std::string(1, LangColourChar(id, colour)); }

int PieceFromChar(const std::string &text, LanguageId id, bool upperCase) {
  LanguageId r = State().Resolve(id);
  if (r == LangSymbolic || text.empty()) return 0;
  char c = text[0];
  if (upperCase && text.size() == 1) c = static_cast<char>(win1252::Upper(static_cast<unsigned char>(c)));
  const TChessLangData &d = State().Record(r);
  for (int i = 0; i <= 6; ++i)
    if (d.letters[i] == c) return i;
  return 0;
}

std::string NullMoveText() { return "pass"; }

void SetFigurineChars(const ChessFontInfoRec &font) {
  if (!font.hasFigurines) return;
  // All six or none: a glyph that is missing or wider than a byte would
  // leave a mixed or unprintable set.
  for (int p = 1; p <= 6; ++p)
    if (font.figurines[p][0] <= 0 || font.figurines[p][0] > 255) return;
  for (int p = 1; p <= 6; ++p) State().symbolic[p] = static_cast<char>(font.figurines[p][0]);
}

std::string LangVersusText(LanguageId id) { return WordRecord(id).versus; }

std::string LangSideToMoveText(int colour, LanguageId id) {
  CheckColour(colour);
  return WordRecord(id).toMove[colour];
}

std::string LangPositionAfterText(LanguageId id) { return WordRecord(id).positionAfter; }

std::string LangStartPositionText(LanguageId id) { return WordRecord(id).startPosition; }

bool LoadLangsFromIni(const std::string &fileName) {
  if (!files::FileExists(fileName)) return true;
  IniFile ini(fileName);
  bool allRegistered = true;
  static const char *const kPieceKeys[6] = {"Pawn", "Knight", "Bishop", "Rook", "Queen", "King"};
  for (const std::string &section : ini.ReadSections()) {
    LanguageId id = RegisterLanguage(section);
    TChessLangData d = EnglishLangData();
    std::string chars = ini.ReadString(section, "PieceChars", "");
    if (chars.size() == 6) std::copy_n(chars.begin(), 6, d.letters.begin() + 1);
    chars = ini.ReadString(section, "ColorChars", "");
    if (chars.size() == 2) std::copy_n(chars.begin(), 2, d.letters.begin() + 7);
    auto read = [&](const char *key, std::string &field) {
      std::string v = ini.ReadString(section, key, field);
      if (!v.empty()) field = v;
    };
    for (int p = 0; p < 6; ++p) read(kPieceKeys[p], d.pieceNames[p + 1]);
    read("White", d.colourNames[0]);
    read("Black", d.colourNames[1]);
    read("Versus", d.versus);
    read("WhiteToMove", d.toMove[0]);
    read("BlackToMove", d.toMove[1]);
    read("PositionAfter", d.positionAfter);
    read("StartPosition", d.startPosition);
    try {
      RegisterLang(id, d);
    } catch (const ERangeError &) {
      allRegistered = false;
    }
  }
  return allRegistered;
}

bool LoadLangsFromIni() { return LoadLangsFromIni(dirs::AppFile("ChsLng.ini")); }

void ResetNotationLanguages() { State().Reset(); }
