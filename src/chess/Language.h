#pragma once
// Notation languages: piece and colour letters, piece and colour names and
// the words written around diagrams, one record per language id of the
// language registry. "Symbolic" has no record: its piece letters are the
// figurine characters of the chess font.
//
// Piece codes: 0 none, 1 pawn, 2 knight, 3 bishop, 4 rook, 5 queen, 6 king.
// Colours: 0 white, 1 black, 2 none.
#include <array>
#include <cstdint>
#include <string>

#include "foundation/Common.h"
#include "foundation/LangMan.h"

struct TChessLangData {
  // 0 '_', 1..6 pawn..king, 7 white, 8 black, 9 '_' (no colour).
  std::array<char, 10> letters{};
  std::array<std::string, 7> pieceNames;   // 0 "_", then pawn..king
  std::array<std::string, 3> colourNames;  // white, black, "_"
  std::string versus;
  std::array<std::string, 3> toMove;  // white, black, ""
  std::string positionAfter;          // holds "%s" for the move text
  std::string startPosition;
};

// How piece texts are written (shared with the move texts).
struct DisplayOptionsRec {
  bool rtf = false;
  const ChessFontInfoRec *font = nullptr;  // may be absent
  bool html = false;
  std::string imageFolder;  // put in front of HTML image names
  bool bold = false;
  bool figurine = false;
};

constexpr LanguageId kMaxNotationLangs = 100;

// The built-in records.
const TChessLangData &EnglishLangData();
const TChessLangData &DutchLangData();
const TChessLangData &GermanLangData();

// Adds the id (1..100) to the registered list if it is not there yet (a
// 101st id is refused with ERangeError) and stores a copy of the record.
void RegisterLang(LanguageId id, const TChessLangData &rec);
void ClearLangRegistry();
int LangCount();
// The i-th registered id (1-based); English when i is outside 1..count.
LanguageId LangIdAt(int i);
LanguageId LangIdAtIndex(int i);
bool IsLangRegistered(LanguageId id);
// A copy of the id's record; false when it has none.
bool GetLangRecord(LanguageId id, TChessLangData &out);
// The language a stored name stands for (as the settings read it back);
// English when that language has no notation record. Registers nothing.
LanguageId LangIdFromName(const std::string &name);

// The current notation language, which "Default" (0) stands for.
void SetCurrentLang(LanguageId id);
LanguageId CurrentLang();

// Queries: ids 0..100; "Default" means the current language. An id outside
// 0..100 raises ERangeError; an id without a record reads the English one.
char LangPieceChar(LanguageId id, int piece);
char LangColourChar(LanguageId id, int colour);
// Without options (nullptr) the plain letter.
std::string PieceToText(int piece, int colour, LanguageId id, const DisplayOptionsRec *opt = nullptr);
std::string ColourToText(int colour, LanguageId id);
// The piece (0..6) whose letter is the text's first character; 0 when none
// is, for Symbolic and for an empty text.
int PieceFromChar(const std::string &text, LanguageId id, bool upperCase);
std::string NullMoveText();
// When the font has figurines, the Symbolic letters of pawn..king become
// its white figurine characters.
void SetFigurineChars(const ChessFontInfoRec &font);
std::string LangVersusText(LanguageId id);
std::string LangSideToMoveText(int colour, LanguageId id);
std::string LangPositionAfterText(LanguageId id);
std::string LangStartPositionText(LanguageId id);

// Reads the notation languages of an ini file: each section is a language
// starting from the English record. A missing file reads as empty. Answers
// false when a section could not be registered (more than 100 languages or
// an id above 100); the other sections are still read.
bool LoadLangsFromIni(const std::string &fileName);
// The same for "ChsLng.ini" in the program directory.
bool LoadLangsFromIni();

// Back to the start-up state: English current, the three built-ins
// registered, the Symbolic letters "_123456". For tests.
void ResetNotationLanguages();
