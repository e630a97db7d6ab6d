#pragma once
// General utilities shared by every window and store: paths and files,
// recent-file and history lists, small conversions and string helpers,
// dates, file-type registration, the calls that reach the user (through the
// UI hooks), and the text matching and scanning routines.
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "platform/UiHooks.h"

// Runs on every way out of a scope, an exception included.
class AtExit {
 public:
  explicit AtExit(std::function<void()> f) : f_(std::move(f)) {}
  ~AtExit() { f_(); }
  AtExit(const AtExit &) = delete;
  AtExit &operator=(const AtExit &) = delete;

 private:
  std::function<void()> f_;
};

// ---- Files, directories and the settings file ----

// The program's directory with a trailing '/'.
std::string GetAppDir();
// The settings file: the program's name with ".ini", in the program
// directory when writable, else in the user's configuration directory.
std::string GetIniFileName();
// "file://" + the program directory ("file:///opt/p/" for /opt/p/), every
// byte but A-Z, a-z, 0-9 and "-._~/" written as %XX ("my%20chess").
std::string GetAppDirURL();
// The user's font directory ($XDG_DATA_HOME/fonts/) with a trailing '/'.
std::string GetFontsDir();
// The system's temporary directory with a trailing '/'.
std::string GetTempDir();
// The absolute, normalised name of a file; a missing file keeps its name.
std::string GetLongFileName(const std::string &fileName);
// The name without the extension of its file part.
std::string RemoveFileExt(const std::string &fileName);
// Size in bytes; 0 when the file does not exist.
int64_t FileSizeOf(const std::string &fileName);
// Copies a file; fails (false) without copying when the target exists.
bool CopyFile(const std::string &from, const std::string &to);
// Appends the names (without directory) of the files matching the mask's
// file part ('*' and '?', case-insensitive) in the mask's directory.
void ListFiles(const std::string &mask, std::vector<std::string> &list);
// The name itself when it has an extension, else the name with the
// extension of the filter's index-th pattern (1-based). The extension stops
// at ';' and is not added when it holds a wildcard.
std::string AddFilterExt(const std::string &fileName, const std::string &filter, int filterIndex);

// ---- Languages (shorter names of the language registry's calls) ----

std::string LanguageDisplayName(uint32_t language, uint32_t viewer);
// The lowest id with that display name in the viewing language; English
// when none has it.
uint32_t FindLanguage(const std::string &text, uint32_t viewer);
void LoadLanguageNamesFile(const std::string &iniFileName);

// ---- Recent-file and history lists ----

// Moves (or inserts) the text to the top, compared case-insensitively, and
// keeps at most max entries.
void AddToMRU(std::vector<std::string> &list, const std::string &text, int max);
void RemoveFromList(std::vector<std::string> &list, const std::string &text);
// Reads keys "H0".."H<count-1>"; empty values are skipped.
void ReadHistory(std::vector<std::string> &list, const std::string &iniFileName, const std::string &section,
                 int count);
// Erases the section, then writes "H0", "H1", ...
void WriteHistory(const std::vector<std::string> &list, const std::string &iniFileName,
                  const std::string &section);
// A UTF-8 text as a value of the Windows-1252 settings file: as it is in
// Windows-1252 when that holds every character, else "utf8:" and its bytes
// with %XX for each byte outside printable ASCII and for "%" (so too a text
// that itself begins with "utf8:"). SettingsValueToUtf8 reads either back.
std::string Utf8ToSettingsValue(const std::string &text);
std::string SettingsValueToUtf8(const std::string &value);

// ---- File-type registration ----

// Registers the extension (without dot) for the program on the desktop: a
// shared-mime-info package for a type of the program's own (the standard PGN
// type is already known) and a desktop entry that opens the program with the
// file. The command is the program path, a blank and "%1" in double quotes.
// dataDir is the user's data directory ($XDG_DATA_HOME, default
// ~/.local/share) when empty. Rewritten at every call; false when a file
// could not be written.
bool RegisterFileType(const std::string &extension, const std::string &typeName,
                      const std::string &description, const std::string &command,
                      const std::string &dataDir = {});
// The MIME type registered for an extension and type name.
std::string FileTypeMimeType(const std::string &extension, const std::string &typeName);

// ---- Conversions and strings ----

// Decimal (or "$"/"0x" hexadecimal) text to a 32-bit integer; raises
// EConvertError for anything else.
int StrToInt(const std::string &s);
int StrToIntDef(const std::string &s, int def);
std::string IntToStr(int64_t v);
inline bool StrToBool(const std::string &s) { return s == "1"; }
inline std::string BoolToStr(bool b) { return b ? "1" : "0"; }
// "0"-"9" give 0-9, any other character its upper-case code - 55.
int HexDigit(char c);
// Hexadecimal text without prefix; raises ERangeError beyond 32 bits.
int HexToInt(const std::string &s);
bool StartsWith(const std::string &s, const std::string &prefix);
std::string PadLeft(const std::string &s, int width, char fill);
std::string PadRight(const std::string &s, int width, char fill);
inline std::string PadLeftSpaces(const std::string &s, int width) { return PadLeft(s, width, ' '); }
inline std::string PadRightSpaces(const std::string &s, int width) { return PadRight(s, width, ' '); }
std::string Truncate(const std::string &s, int n);
inline int Min(int a, int b) { return a < b ? a : b; }
inline int Max(int a, int b) { return a > b ? a : b; }
inline int Sign(int64_t v) { return v < 0 ? -1 : (v > 0 ? 1 : 0); }
// A backslash before every "\", "{" and "}".
std::string RtfEscapeSpecials(const std::string &s);
// Game text in valid UTF-8 with its non-ASCII characters as "&#N;"
// references, so the page reads alike in any charset; other text as it is.
std::string HtmlCharRefs(const std::string &s);
// "<" to "&lt;" and "&" to "&amp;"; nothing else.
std::string HtmlEscape(const std::string &s);
// "&", "<", ">" and '"' as entities: safe in element text and attribute values.
std::string XmlEscape(const std::string &s);
// The caption with its first "&" removed.
std::string RemoveAccelerator(const std::string &caption);
// Every "&" doubled, so that a menu or button shows it literally.
std::string DoubleAmpersands(const std::string &s);
void Delay(int milliseconds);
void GetToday(int &year, int &month, int &day);
int CurrentYear();
// "h:mm.ss" (3725 gives "1:02.05"); raises ERangeError for a negative value.
std::string FormatSeconds(int64_t seconds);
// The caption with its first "%s" replaced by the text, as plain text: the
// text is never read as a format.
std::string SubstituteText(const std::string &caption, const std::string &text);

// ---- Messages, beeps and the cursor (through the UI hooks) ----

// Message types, in the order of ui::MsgType. Button sets are the ui::mb*
// bits and results the ui::mr* values.
enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

void ShowMessage(const std::string &text);
// x, y >= 0 replace the centred coordinate.
void ShowMessagePos(const std::string &text, int x, int y);
int MessageDlg(const std::string &text, TMsgDlgType type, unsigned buttons, int helpContext = 0);
int MessageDlgPos(const std::string &text, TMsgDlgType type, unsigned buttons, int helpContext, int x, int y);
void Beep();
void BeepShowMessage(const std::string &text);
int BeepConfirm(const std::string &text, unsigned buttons);
int BeepWarning(const std::string &text, unsigned buttons);
int BeepInformation(const std::string &text, unsigned buttons);
// Long operations call these in matched pairs (or use ui::HourglassGuard).
void SetHourglassCursor();
void PopCursor();
void ProcessMessages();

// ---- Text matching and scanning ----

enum MatchMode : uint8_t {
  mmExact = 0,
  mmPrefix = 1,
  mmContains = 2,
  mmPositional = 3,  // "?" stands for any one character
  mmPattern = 4,     // "*" pattern of "?" pieces
  mmCompare = 5,     // "<x", ">x", "low-high", else as mmPattern
  mmList = 6,        // comma list of mmCompare conditions
};

// Case-insensitive through the one fold of names (win1252::FoldText).
bool MatchWildcard(const std::string &text, const std::string &pattern, MatchMode mode);
// 1-based position of the first place where the pattern ("?" = any one
// character) matches the text, 0 if none.
int PosWildcard(const std::string &pattern, const std::string &text);
// The n-th field (1-based) enclosed by the opening character and its
// closing one ("(" ")", "<" ">", "[" "]", "{" "}", else the same character);
// a backslash escapes the closing character. False and empty when missing.
bool GetNthDelimited(const std::string &text, int n, char opening, std::string &field);

class EInvalidTypeSpecifier : public std::runtime_error {
 public:
  explicit EInvalidTypeSpecifier(const std::string &what) : std::runtime_error(what) {}
};

// A variable ScanFormatted stores a field into; monostate takes nothing.
using ScanTarget =
    std::variant<std::monostate, std::string *, int32_t *, uint32_t *, double *, long double *>;
// scanf-like reader; answers the number of fields read (not "%*", not "%n").
// Raises EInvalidTypeSpecifier for an unknown conversion character.
int ScanFormatted(const std::string &input, const std::string &format,
                  const std::vector<ScanTarget> &targets);
