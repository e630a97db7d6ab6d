#include "foundation/MyUtils.h"

#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <limits>
#include <string_view>
#include <system_error>
#include <thread>
#include <type_traits>

#include "foundation/LangMan.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

extern char **environ;

// ---- Files, directories and the settings file ----

std::string GetAppDir() { return dirs::GetAppDir(); }

std::string GetIniFileName() { return dirs::GetWritableDir() + dirs::GetAppBaseName() + ".ini"; }

namespace {
// text with every byte that plain refuses written as "%XX".
template <class Plain>
std::string PercentEscaped(std::string_view text, Plain plain) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (plain(b)) {
      out += ch;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 15];
    }
  }
  return out;
}
}  // namespace

std::string GetAppDirURL() {
  // The URL reaches the clipboard as Windows-1252 text: escaping every byte
  // but the unreserved ones and "/" keeps UTF-8 names and blanks intact.
  return "file://" + PercentEscaped(GetAppDir(), [](unsigned char b) {
           return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') || (b >= '0' && b <= '9') || b == '-' ||
                  b == '.' || b == '_' || b == '~' || b == '/';
         });
}

namespace {
std::string UserDataDir() {
  if (const char *x = std::getenv("XDG_DATA_HOME"); x && *x) return files::IncludeTrailingSlash(x);
  return dirs::GetHomeDir() + ".local/share/";
}
}  // namespace

std::string GetFontsDir() { return UserDataDir() + "fonts/"; }

std::string GetTempDir() { return dirs::GetTempDir(); }

std::string GetLongFileName(const std::string &fileName) {
  if (fileName.empty()) return fileName;
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(fileName, ec);
  if (ec) return fileName;
  return p.lexically_normal().string();
}

std::string RemoveFileExt(const std::string &fileName) {
  std::string ext = files::ExtractFileExt(fileName);
  return fileName.substr(0, fileName.size() - ext.size());
}

int64_t FileSizeOf(const std::string &fileName) {
  int64_t n = files::FileSize(fileName);
  return n < 0 ? 0 : n;
}

bool CopyFile(const std::string &from, const std::string &to) {
  std::error_code ec;
  return std::filesystem::copy_file(from, to, std::filesystem::copy_options::none, ec) && !ec;
}

void ListFiles(const std::string &mask, std::vector<std::string> &list) {
  std::string dir = files::ExtractFileDir(mask);
  std::vector<std::string> names = files::ListFiles(dir, files::ExtractFileName(mask));
  // The order of a case-blind file system, which language ids depend on.
  std::stable_sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
    return win1252::CompareAscii(a, b) < 0;
  });
  list.insert(list.end(), names.begin(), names.end());
}

std::string AddFilterExt(const std::string &fileName, const std::string &filter, int filterIndex) {
  if (!files::ExtractFileExt(fileName).empty()) return fileName;
  if (filterIndex < 1) return fileName;
  size_t pos = 0;
  for (int64_t skip = 2 * static_cast<int64_t>(filterIndex) - 1; skip > 0; --skip) {
    pos = filter.find('|', pos);
    if (pos == std::string::npos) return fileName;
    ++pos;
  }
  // Skip the pattern's "*"; a list of patterns gives its first one.
  if (pos >= filter.size()) return fileName;
  ++pos;
  size_t end = filter.find_first_of("|;", pos);
  std::string ext = filter.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
  if (ext.find_first_of("*?") != std::string::npos) return fileName;
  return fileName + ext;
}

// ---- Languages ----

static_assert(std::is_same_v<LanguageId, uint32_t>);

std::string LanguageDisplayName(uint32_t language, uint32_t viewer) {
  return GetLanguageDisplayName(language, viewer);
}

uint32_t FindLanguage(const std::string &text, uint32_t viewer) {
  return FindLanguageByDisplayName(text, viewer);
}

void LoadLanguageNamesFile(const std::string &iniFileName) { LoadLanguageNames(iniFileName); }

// ---- Recent-file and history lists ----

void AddToMRU(std::vector<std::string> &list, const std::string &text, int max) {
  RemoveFromList(list, text);
  list.insert(list.begin(), text);
  size_t keep = static_cast<size_t>(std::max(max, 0));
  if (list.size() > keep) list.resize(keep);
}

void RemoveFromList(std::vector<std::string> &list, const std::string &text) {
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const std::string &s) { return win1252::SameText(s, text); });
  if (it != list.end()) list.erase(it);
}

void ReadHistory(std::vector<std::string> &list, const std::string &iniFileName, const std::string &section,
                 int count) {
  IniFile ini(iniFileName);
  for (int i = 0; i < count; ++i) {
    std::string v = ini.ReadString(section, "H" + std::to_string(i), "");
    if (!v.empty()) list.push_back(std::move(v));
  }
}

void WriteHistory(const std::vector<std::string> &list, const std::string &iniFileName,
                  const std::string &section) {
  IniFile ini(iniFileName);
  ini.EraseSection(section);
  for (size_t i = 0; i < list.size(); ++i) ini.WriteString(section, "H" + std::to_string(i), list[i]);
}

namespace {
constexpr std::string_view kUtf8Value = "utf8:";
}

std::string Utf8ToSettingsValue(const std::string &text) {
  const std::string held = win1252::FromUtf8(text, '?');
  if (win1252::ToUtf8(held) == text && !held.starts_with(kUtf8Value)) return held;
  return std::string(kUtf8Value) +
         PercentEscaped(text, [](unsigned char b) { return b >= 0x20 && b < 0x7F && b != '%'; });
}

std::string SettingsValueToUtf8(const std::string &value) {
  if (!value.starts_with(kUtf8Value)) return win1252::ToUtf8(value);
  auto hex = [](char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
  };
  std::string text;
  for (size_t i = kUtf8Value.size(); i < value.size(); ++i) {
    // A "%" not followed by two hex digits (a hand-made value) stays as it is.
    if (value[i] == '%' && i + 2 < value.size() && hex(value[i + 1]) >= 0 && hex(value[i + 2]) >= 0) {
      text += static_cast<char>(hex(value[i + 1]) * 16 + hex(value[i + 2]));
      i += 2;
    } else {
      text += value[i];
    }
  }
  return text;
}

// ---- File-type registration ----

namespace {
constexpr const char *kPgnMime = "application/vnd.chess-pgn";
constexpr const char *kPgnMimeAlias = "application/x-chess-pgn";
constexpr const char *kDesktopName = "torvanel.desktop";

// A program path as one quoted argument of a desktop entry's Exec key.
std::string ExecQuote(const std::string &path) {
  std::string arg = "\"";
  for (char c : path) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') arg += '\\';
    if (c == '%') arg += '%';
    arg += c;
  }
  arg += '"';
  // The key's value escapes its backslashes once more.
  std::string value;
  for (char c : arg) {
    if (c == '\\') value += '\\';
    value += c;
  }
  return value;
}

std::string ExecFromCommand(const std::string &command) {
  std::string cmd = command;
  bool hasFile = false;
  if (size_t p = cmd.find("\"%1\""); p != std::string::npos) {
    cmd.erase(p);
    hasFile = true;
  } else if (size_t q = cmd.find("%1"); q != std::string::npos) {
    cmd.erase(q);
    hasFile = true;
  }
  std::string path = ini::Trim(cmd);
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  return ExecQuote(win1252::ToUtf8(path)) + (hasFile ? " %f" : "");
}

std::vector<std::string> SplitList(const std::string &s, char sep) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find(sep, start);
    if (end == std::string::npos) end = s.size();
    if (end > start) out.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

void UpdateMimeDatabase(const std::string &mimeDir) {
  const char *argv[] = {"update-mime-database", mimeDir.c_str(), nullptr};
  pid_t pid;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char *const *>(argv), environ) != 0) return;
  int status;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}
}  // namespace

std::string FileTypeMimeType(const std::string &extension, const std::string &typeName) {
  if (win1252::SameAscii(extension, "pgn")) return kPgnMime;
  std::string t = "application/x-";
  for (char c : typeName) {
    unsigned char u = static_cast<unsigned char>(c);
    t += (u < 0x80 && std::isalnum(u)) ? static_cast<char>(std::tolower(u)) : '-';
  }
  return t;
}

bool RegisterFileType(const std::string &extension, const std::string &typeName,
                      const std::string &description, const std::string &command,
                      const std::string &dataDir) {
  const bool userDir = dataDir.empty();
  const std::string base = userDir ? UserDataDir() : files::IncludeTrailingSlash(dataDir);
  const std::string mime = FileTypeMimeType(extension, typeName);
  bool ok = true;

  std::vector<std::string> types;
  if (mime == kPgnMime) {
    types = {kPgnMime, kPgnMimeAlias};
  } else {
    // A type of the program's own needs its glob and description declared.
    types = {mime};
    std::string pkgDir = base + "mime/packages/";
    std::string pkg = pkgDir + "torvanel-" + mime.substr(mime.find('/') + 1) + ".xml";
    std::string xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
        "  <mime-type type=\"" +
        mime +
        "\">\n"
        "    <comment>" +
        XmlEscape(win1252::ToUtf8(description)) +
        "</comment>\n"
        "    <glob pattern=\"*." +
        XmlEscape(win1252::ToUtf8(win1252::LowerCase(extension))) +
        "\"/>\n"
        "  </mime-type>\n"
        "</mime-info>\n";
    std::string old;
    bool changed = !files::ReadAll(pkg, old) || old != xml;
    ok = files::MakeDirs(pkgDir.substr(0, pkgDir.size() - 1)) && files::WriteAllAtomic(pkg, xml);
    if (ok && changed && userDir) UpdateMimeDatabase(base + "mime");
  }

  // One desktop entry declares every type registered so far.
  std::string appDir = base + "applications/";
  std::string desktop = appDir + kDesktopName;
  std::string old;
  if (files::ReadAll(desktop, old)) {
    for (const std::string &line : ini::SplitLines(old)) {
      if (line.starts_with("MimeType=")) {
        for (auto &t : SplitList(line.substr(9), ';'))
          if (std::find(types.begin(), types.end(), t) == types.end()) types.push_back(t);
      }
    }
  }
  std::string entry =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Torvanel/DB\n"
      "Exec=" +
      ExecFromCommand(command) +
      "\n"
      "Terminal=false\n"
      "MimeType=";
  for (const auto &t : types) entry += t + ";";
  entry += "\n";
  ok = files::MakeDirs(appDir.substr(0, appDir.size() - 1)) && files::WriteAllAtomic(desktop, entry) && ok;
  return ok;
}

// ---- Conversions and strings ----

namespace {
// The number the text gives, or false: the readers that have a default
// (tags, ini values) meet absent texts all the time and throw nothing.
bool ParseInt(const std::string &s, int &out) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && s[i] == ' ') ++i;
  bool neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) neg = s[i++] == '-';
  int base = 10;
  if (i < n && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < n && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= n) return false;
  int64_t v = 0;
  for (; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    int d;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (base == 16 && std::isxdigit(c))
      d = std::toupper(c) - 'A' + 10;
    else
      return false;
    v = v * base + d;
    if (v > int64_t{1} << 32) return false;
  }
  if (neg) v = -v;
  if (base == 16 && !neg && v > std::numeric_limits<int32_t>::max() && v <= 0xFFFFFFFFLL)
    v -= int64_t{1} << 32;  // hexadecimal text gives the bit pattern
  if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max()) return false;
  out = static_cast<int>(v);
  return true;
}
}  // namespace

int StrToInt(const std::string &s) {
  int v = 0;
  if (!ParseInt(s, v)) throw EConvertError("'" + s + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string &s, int def) {
  int v = 0;
  return ParseInt(s, v) ? v : def;
}

std::string IntToStr(int64_t v) { return std::to_string(v); }

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  return win1252::Upper(static_cast<unsigned char>(c)) - 55;
}

int HexToInt(const std::string &s) {
  int64_t v = 0;
  for (char c : s) {
    v = v * 16 + HexDigit(c);
    if (v > std::numeric_limits<int32_t>::max() || v < std::numeric_limits<int32_t>::min())
      throw ERangeError("HexToInt: value out of range");
  }
  return static_cast<int>(v);
}

bool StartsWith(const std::string &s, const std::string &prefix) { return s.starts_with(prefix); }

std::string PadLeft(const std::string &s, int width, char fill) {
  if (width <= 0 || s.size() >= static_cast<size_t>(width)) return s;
  return std::string(static_cast<size_t>(width) - s.size(), fill) + s;
}

std::string PadRight(const std::string &s, int width, char fill) {
  if (width <= 0 || s.size() >= static_cast<size_t>(width)) return s;
  return s + std::string(static_cast<size_t>(width) - s.size(), fill);
}

std::string Truncate(const std::string &s, int n) { return s.substr(0, static_cast<size_t>(std::max(n, 0))); }

std::string RtfEscapeSpecials(const std::string &s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s) {
    if (c == '\\' || c == '{' || c == '}') r += '\\';
    r += c;
  }
  return r;
}

std::string XmlEscape(const std::string &s) {
  std::string r;
  for (char c : s) {
    switch (c) {
      case '&':
        r += "&amp;";
        break;
      case '<':
        r += "&lt;";
        break;
      case '>':
        r += "&gt;";
        break;
      case '"':
        r += "&quot;";
        break;
      default:
        r += c;
    }
  }
  return r;
}

std::string SubstituteText(const std::string &caption, const std::string &text) {
  std::string s = caption;
  const size_t at = s.find("%s");
  if (at != std::string::npos) s.replace(at, 2, text);
  return s;
}

std::string HtmlCharRefs(const std::string &s) {
  if (win1252::Classify(s) != win1252::TextKind::Utf8) return s;
  std::string r;
  r.reserve(s.size() + 8);
  win1252::ForEachCodePoint(s, [&](char32_t c) {
    if (c < 0x80)
      r += static_cast<char>(c);
    else
      r += "&#" + std::to_string(static_cast<uint32_t>(c)) + ";";
  });
  return r;
}

std::string HtmlEscape(const std::string &s) {
  std::string r;
  r.reserve(s.size());
  for (char c : s) {
    if (c == '<')
      r += "&lt;";
    else if (c == '&')
      r += "&amp;";
    else
      r += c;
  }
  return r;
}

std::string RemoveAccelerator(const std::string &caption) {
  std::string r = caption;
  if (size_t p = r.find('&'); p != std::string::npos) r.erase(p, 1);
  return r;
}

std::string DoubleAmpersands(const std::string &s) {
  std::string r;
  for (char c : s) {
    r += c;
    if (c == '&') r += '&';
  }
  return r;
}

void Delay(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void GetToday(int &year, int &month, int &day) {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  year = tm.tm_year + 1900;
  month = tm.tm_mon + 1;
  day = tm.tm_mday;
}

int CurrentYear() {
  int y, m, d;
  GetToday(y, m, d);
  return y;
}

std::string FormatSeconds(int64_t seconds) {
  if (seconds < 0) throw ERangeError("FormatSeconds: negative time");
  char buf[48];
  std::snprintf(buf, sizeof buf, "%lld:%.2d.%.2d", static_cast<long long>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

// ---- Messages, beeps and the cursor ----

void ShowMessage(const std::string &text) { ui::ShowMessage(text); }

void ShowMessagePos(const std::string &text, int x, int y) {
  ui::MessageDlg(text, ui::MsgType::Custom, ui::mbOK, x, y);
}

static_assert(static_cast<int>(ui::MsgType::Custom) == mtCustom);

int MessageDlg(const std::string &text, TMsgDlgType type, unsigned buttons, int /*helpContext*/) {
  return ui::MessageDlg(text, static_cast<ui::MsgType>(type), buttons);
}

int MessageDlgPos(const std::string &text, TMsgDlgType type, unsigned buttons, int /*helpContext*/, int x,
                  int y) {
  return ui::MessageDlg(text, static_cast<ui::MsgType>(type), buttons, x, y);
}

void Beep() { ui::Beep(); }

void BeepShowMessage(const std::string &text) {
  Beep();
  ShowMessage(text);
}

int BeepConfirm(const std::string &text, unsigned buttons) {
  Beep();
  return MessageDlg(text, mtConfirmation, buttons, 0);
}

int BeepWarning(const std::string &text, unsigned buttons) {
  Beep();
  return MessageDlg(text, mtWarning, buttons, 0);
}

int BeepInformation(const std::string &text, unsigned buttons) {
  Beep();
  return MessageDlg(text, mtInformation, buttons, 0);
}

void SetHourglassCursor() {
  if (auto &h = ui::CurrentHooks(); h.pushHourglass) h.pushHourglass();
}

void PopCursor() {
  if (auto &h = ui::CurrentHooks(); h.popCursor) h.popCursor();
}

void ProcessMessages() { ui::ProcessMessages(); }
