#include "platform/IniFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <charconv>
#include <cstdlib>
#include <map>

#include "platform/Dirs.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

namespace ini {

std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::string cur;
  size_t i = 0;
  const size_t n = text.size();
  while (i < n) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(cur);
      cur.clear();
      if (c == '\r' && i + 1 < n && text[i + 1] == '\n') ++i;
      ++i;
    } else {
      cur += c;
      ++i;
    }
  }
  if (!cur.empty()) lines.push_back(cur);
  return lines;
}

std::string Trim(const std::string &s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace ini

struct IniFile::Doc {
  struct Line {
    std::string raw;    // as read or as last written
    std::string key;    // empty for comments and blank lines
    std::string value;  // trimmed
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };
  std::string path;
  std::vector<Line> preamble;  // lines before the first section
  std::vector<Section> sections;
  bool dirty = false;
  bool loadFailed = false;  // the file is there but could not be read
  int64_t loadedSize = -1;
  int64_t loadedMtime = -1;

  void Parse(const std::string &text) {
    preamble.clear();
    sections.clear();
    for (const auto &raw : ini::SplitLines(text)) {
      std::string t = ini::Trim(raw);
      if (!t.empty() && t[0] == '[') {
        size_t close = t.find(']');
        Section s;
        s.name = ini::Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
        sections.push_back(std::move(s));
        continue;
      }
      Line l;
      l.raw = raw;
      if (!t.empty() && t[0] != ';' && t[0] != '#') {
        size_t eq = t.find('=');
        if (eq != std::string::npos) {
          l.key = ini::Trim(t.substr(0, eq));
          l.value = ini::Trim(t.substr(eq + 1));
        }
      }
      (sections.empty() ? preamble : sections.back().lines).push_back(std::move(l));
    }
  }

  Section *Find(const std::string &name) {
    for (auto &s : sections)
      if (win1252::SameAscii(s.name, name)) return &s;
    return nullptr;
  }
  const Section *Find(const std::string &name) const { return const_cast<Doc *>(this)->Find(name); }

  static Line *FindKey(Section &s, const std::string &key) {
    for (auto &l : s.lines)
      if (!l.key.empty() && win1252::SameAscii(l.key, key)) return &l;
    return nullptr;
  }

  std::string Text() const {
    std::string out;
    for (const auto &l : preamble) out += l.raw + "\r\n";
    for (const auto &s : sections) {
      out += "[" + s.name + "]\r\n";
      for (const auto &l : s.lines) out += l.raw + "\r\n";
    }
    return out;
  }

  void Stamp() {
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) {
      loadedSize = st.st_size;
      loadedMtime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    } else {
      loadedSize = loadedMtime = -1;
    }
  }

  bool ChangedOnDisk() const {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return loadedSize != -1;
    return st.st_size != loadedSize ||
           static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec != loadedMtime;
  }

  void Load() {
    std::string text;
    loadFailed = !files::ReadAll(path, text) && files::Exists(path);
    Parse(text);
    Stamp();
    dirty = false;
  }

  bool Write(int *err) {
    if (!dirty) return true;
    if (!files::WriteAllAtomic(path, Text(), err)) return false;
    dirty = false;
    Stamp();
    return true;
  }
};

namespace {
std::map<std::string, std::weak_ptr<IniFile::Doc>> &Registry() {
  static std::map<std::string, std::weak_ptr<IniFile::Doc>> r;
  return r;
}

std::string CanonicalPath(const std::string &path) {
  char *rp = ::realpath(path.c_str(), nullptr);
  if (rp) {
    std::string s(rp);
    std::free(rp);
    return s;
  }
  // A file not yet written: resolve its directory.
  std::string dir = files::ExtractFileDir(path);
  if (dir.empty()) dir = "./";
  rp = ::realpath(dir.c_str(), nullptr);
  if (!rp) return path;
  std::string s = files::IncludeTrailingSlash(rp) + files::ExtractFileName(path);
  std::free(rp);
  return s;
}
}  // namespace

IniFile::IniFile(const std::string &path) {
  std::string key = CanonicalPath(path);
  auto &reg = Registry();
  auto it = reg.find(key);
  if (it != reg.end()) doc_ = it->second.lock();
  if (doc_) {
    // Someone else rewrote the file while we held an unchanged copy.
    if (!doc_->dirty && doc_->ChangedOnDisk()) doc_->Load();
    return;
  }
  doc_ = std::make_shared<Doc>();
  doc_->path = path;
  doc_->Load();
  reg[key] = doc_;
}

IniFile::~IniFile() {
  if (doc_.use_count() == 1) {
    doc_->Write(nullptr);
    for (auto it = Registry().begin(); it != Registry().end(); ++it)
      if (it->second.lock() == doc_) {
        Registry().erase(it);
        break;
      }
  }
}

const std::string &IniFile::FileName() const { return doc_->path; }

bool IniFile::LoadFailed() const { return doc_->loadFailed; }

std::string IniFile::ReadString(const std::string &section, const std::string &key,
                                const std::string &def) const {
  Doc::Section *s = doc_->Find(section);
  if (!s) return def;
  Doc::Line *l = Doc::FindKey(*s, key);
  return l ? l->value : def;
}

int IniFile::ReadInteger(const std::string &section, const std::string &key, int def) const {
  std::string v = ReadString(section, key, "");
  if (v.empty()) return def;
  const char *b = v.data();
  const char *e = v.data() + v.size();
  int base = 10;
  bool neg = false;
  if (*b == '-' || *b == '+') {
    neg = *b == '-';
    ++b;
  }
  if (b < e && *b == '$') {
    base = 16;
    ++b;
  } else if (e - b > 2 && b[0] == '0' && (b[1] == 'x' || b[1] == 'X')) {
    base = 16;
    b += 2;
  }
  if (b == e) return def;
  long long r = 0;
  auto res = std::from_chars(b, e, r, base);
  if (res.ec != std::errc() || res.ptr != e) return def;
  if (neg) r = -r;
  if (r < INT32_MIN || r > INT32_MAX) return def;
  return static_cast<int>(r);
}

bool IniFile::ReadBool(const std::string &section, const std::string &key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void IniFile::WriteString(const std::string &section, const std::string &key, const std::string &value) {
  // A line break in a value would start a new line, a key or a section of
  // its own on the next read.
  std::string v = value;
  for (char &c : v)
    if (c == '\r' || c == '\n') c = ' ';
  v = ini::Trim(v);
  Doc::Section *s = doc_->Find(section);
  if (!s) {
    if (!doc_->sections.empty() || !doc_->preamble.empty()) {
      auto &last = doc_->sections.empty() ? doc_->preamble : doc_->sections.back().lines;
      if (last.empty() || !ini::Trim(last.back().raw).empty()) last.push_back(Doc::Line{});
    }
    doc_->sections.push_back(Doc::Section{section, {}});
    s = &doc_->sections.back();
  }
  Doc::Line *l = Doc::FindKey(*s, key);
  if (l) {
    if (l->value == v && l->raw == l->key + "=" + v) return;
    l->value = v;
    l->raw = l->key + "=" + v;
  } else {
    Doc::Line nl{key + "=" + v, key, v};
    // Keep the blank separator lines at the end of the section.
    auto pos = s->lines.end();
    while (pos != s->lines.begin() && ini::Trim((pos - 1)->raw).empty()) --pos;
    s->lines.insert(pos, std::move(nl));
  }
  doc_->dirty = true;
}

void IniFile::WriteInteger(const std::string &section, const std::string &key, int value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string &section, const std::string &key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

bool IniFile::SectionExists(const std::string &section) const { return doc_->Find(section) != nullptr; }

bool IniFile::ValueExists(const std::string &section, const std::string &key) const {
  Doc::Section *s = doc_->Find(section);
  return s && Doc::FindKey(*s, key);
}

std::vector<std::string> IniFile::ReadSections() const {
  std::vector<std::string> out;
  for (const auto &s : doc_->sections) {
    bool dup = false;
    for (const auto &o : out)
      if (win1252::SameAscii(o, s.name)) dup = true;
    if (!dup) out.push_back(s.name);
  }
  return out;
}

std::vector<std::string> IniFile::ReadSection(const std::string &section) const {
  std::vector<std::string> out;
  for (const auto &kv : ReadSectionValues(section)) out.push_back(kv.first);
  return out;
}

std::vector<std::pair<std::string, std::string>> IniFile::ReadSectionValues(
    const std::string &section) const {
  std::vector<std::pair<std::string, std::string>> out;
  Doc::Section *s = doc_->Find(section);
  if (!s) return out;
  for (const auto &l : s->lines) {
    if (l.key.empty()) continue;
    bool dup = false;
    for (const auto &o : out)
      if (win1252::SameAscii(o.first, l.key)) dup = true;
    if (!dup) out.emplace_back(l.key, l.value);
  }
  return out;
}

void IniFile::EraseSection(const std::string &section) {
  for (auto it = doc_->sections.begin(); it != doc_->sections.end();) {
    if (win1252::SameAscii(it->name, section)) {
      it = doc_->sections.erase(it);
      doc_->dirty = true;
    } else {
      ++it;
    }
  }
}

void IniFile::DeleteKey(const std::string &section, const std::string &key) {
  Doc::Section *s = doc_->Find(section);
  if (!s) return;
  for (auto it = s->lines.begin(); it != s->lines.end(); ++it) {
    if (!it->key.empty() && win1252::SameAscii(it->key, key)) {
      s->lines.erase(it);
      doc_->dirty = true;
      return;
    }
  }
}

bool IniFile::UpdateFile(int *err) { return doc_->Write(err); }

std::string IniFile::Text() const { return doc_->Text(); }

void IniFile::Discard() { doc_->Load(); }

namespace ini {

Values Capture(const std::function<void(const std::string &path)> &write) {
  // A name no file has: the document stays in memory.
  static std::atomic<unsigned> serial{0};
  const std::string path =
      dirs::GetTempDir() + "torvanel-capture-" + std::to_string(::getpid()) + "-" + std::to_string(++serial) + ".ini";
  IniFile scratch(path);
  struct DiscardGuard {
    IniFile &f;
    ~DiscardGuard() { f.Discard(); }
  } guard{scratch};
  write(path);
  Values values;
  for (const std::string &section : scratch.ReadSections()) values[section] = scratch.ReadSectionValues(section);
  return values;
}

namespace {
using Pairs = std::vector<std::pair<std::string, std::string>>;

bool IsWhole(const std::vector<std::string> &whole, const std::string &section) {
  return std::any_of(whole.begin(), whole.end(),
                     [&](const std::string &w) { return win1252::SameAscii(w, section); });
}

const Pairs &SectionIn(const Values &values, const std::string &section) {
  static const Pairs kNone;
  const auto s = values.find(section);
  return s == values.end() ? kNone : s->second;
}

const std::string *ValueIn(const Pairs &pairs, const std::string &key) {
  const auto k = std::find_if(pairs.begin(), pairs.end(), [&](const auto &p) { return p.first == key; });
  return k == pairs.end() ? nullptr : &k->second;
}
}  // namespace

void WriteMissing(const std::string &path, const Values &values, const std::vector<std::string> &whole) {
  IniFile ini(path);
  for (const auto &[section, keys] : values) {
    if (IsWhole(whole, section) && ini.SectionExists(section)) continue;
    for (const auto &[key, value] : keys)
      if (!ini.ValueExists(section, key)) ini.WriteString(section, key, value);
  }
}

void WriteChanges(const std::string &path, const Values &before, const Values &now,
                  const std::vector<std::string> &whole) {
  IniFile ini(path);
  for (const auto &[section, keys] : now) {
    const Pairs &was = SectionIn(before, section);
    if (IsWhole(whole, section)) {
      if (keys == was) continue;
      ini.EraseSection(section);
      for (const auto &[key, value] : keys) ini.WriteString(section, key, value);
      continue;
    }
    for (const auto &[key, value] : keys)
      if (const std::string *old = ValueIn(was, key); !old || *old != value) ini.WriteString(section, key, value);
  }
  for (const auto &[section, keys] : before) {
    const Pairs &is = SectionIn(now, section);
    if (IsWhole(whole, section)) {
      if (is.empty() && !keys.empty()) ini.EraseSection(section);
      continue;
    }
    for (const auto &[key, value] : keys)
      if (!ValueIn(is, key)) ini.DeleteKey(section, key);
  }
  WriteMissing(path, now, whole);
}

}  // namespace ini
