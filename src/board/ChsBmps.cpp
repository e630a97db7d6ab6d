#include "board/ChsBmps.h"

#include <algorithm>
#include <cstdlib>

#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

struct BuiltInSet {
  const char *name;
  const char *displayName;
  const char *family;
  const char *resource;
  int width;
  int height;
};

// The shipped strips' sizes are known, so the registry is complete even
// where no image reader is installed (the options object works on names).
constexpr BuiltInSet kBuiltIn[] = {
    {"Regular24", "Regular (24)", "Regular", "regular24", 336, 24},
    {"Regular32", "Regular (32)", "Regular", "regular32", 448, 32},
    {"Regular40", "Regular (40)", "Regular", "regular40", 560, 40},
    {"Hastings32", "Hastings (32)", "Hastings", "hastings32", 448, 32},
    {"Linares32", "Linares (32)", "Linares", "linares32", 448, 32},
    {"Linares40", "Linares (40)", "Linares", "linares40", 560, 40},
    {"Linares48", "Linares (48)", "Linares", "linares48", 672, 48},
};
constexpr const char *kFallbackSet = "Linares32";

struct Registry {
  bool created = false;
  std::vector<std::string> names;
  std::vector<std::unique_ptr<TBitmapData>> sets;  // parallel to names
  std::vector<std::unique_ptr<TFamilyData>> families;
};

Registry &Reg() {
  static Registry r;
  return r;
}

StripReader &Reader() {
  static StripReader r;
  return r;
}

bool BuiltInSize(const TBitmapData &set, int &width, int &height) {
  for (const auto &b : kBuiltIn) {
    if (win1252::SameText(b.resource, set.Source)) {
      width = b.width;
      height = b.height;
      return true;
    }
  }
  return false;
}

// Built-in sets keep their fixed sizes, so their indexes never depend on
// how the resources read; files need an installed reader.
bool Measure(const TBitmapData &set, int &width, int &height) {
  if (!set.FromFile) return BuiltInSize(set, width, height);
  const StripReader &r = Reader();
  return r.measure && r.measure(set, width, height);
}

int IndexOfName(const Registry &r, const std::string &name) {
  auto it = std::find(r.names.begin(), r.names.end(), name);
  return it == r.names.end() ? -1 : static_cast<int>(it - r.names.begin());
}

TFamilyData *FindFamily(const Registry &r, const std::string &name) {
  if (name.empty()) return nullptr;
  for (const auto &f : r.families)
    if (f->Name == name) return f.get();
  return nullptr;
}

int32_t Add(Registry &r, const std::string &name, const std::string &displayName,
            const std::string &familyName, uint8_t fromFile, const std::string &source) {
  int old = IndexOfName(r, name);
  if (old >= 0) return old;
  if (static_cast<int>(r.names.size()) >= kMaxPieceSets) return -1;

  auto set = std::make_unique<TBitmapData>();
  set->Source = source;
  set->FromFile = fromFile;
  set->DisplayName = displayName;
  set->FamilyName = familyName;
  int w = 0, h = 0;
  // A set whose strip would give an empty or oversized square is refused
  // here, before the board divides by its square size.
  if (!Measure(*set, w, h) || !ValidStripSize(w, h)) return -1;
  set->SquareSize = w / kStripCells;
  set->Height = h;

  TFamilyData *fam = nullptr;
  if (!familyName.empty()) {
    fam = FindFamily(r, familyName);
    if (!fam) {
      r.families.push_back(std::make_unique<TFamilyData>());
      fam = r.families.back().get();
      fam->Name = familyName;
    }
  }
  r.names.push_back(name);
  r.sets.push_back(std::move(set));
  if (fam) fam->Members.push_back(r.sets.back().get());
  return static_cast<int32_t>(r.names.size()) - 1;
}

// The registry, filled with the built-in sets on first use.
Registry &Unit() {
  Registry &r = Reg();
  if (!r.created) InitPieceSets();
  return r;
}

TBitmapData &SetAt(int i) {
  Registry &r = Unit();
  if (i < 0 || i >= static_cast<int>(r.sets.size())) throw ERangeError("Piece set index out of range");
  return *r.sets[static_cast<size_t>(i)];
}

// Set i's family and its position there; null when it has none.
TFamilyData *FamilyPos(int i, int &pos) {
  TBitmapData &set = SetAt(i);
  TFamilyData *fam = FindFamily(Reg(), set.FamilyName);
  if (!fam) return nullptr;
  auto it = std::find(fam->Members.begin(), fam->Members.end(), &set);
  if (it == fam->Members.end()) return nullptr;
  pos = static_cast<int>(it - fam->Members.begin());
  return fam;
}

int IndexOfSet(const TBitmapData *set) {
  const Registry &r = Reg();
  for (size_t k = 0; k < r.sets.size(); ++k)
    if (r.sets[k].get() == set) return static_cast<int>(k);
  return -1;
}

}  // namespace

StripReader InstallStripReader(StripReader reader) {
  StripReader old = std::move(Reader());
  Reader() = std::move(reader);
  return old;
}

bool ValidStripSize(int width, int height) {
  return width >= kStripCells && height > 0 && width / kStripCells <= kMaxSquareSize;
}

void InitPieceSets() {
  Registry &r = Reg();
  if (r.created) return;
  r.created = true;
  for (const auto &b : kBuiltIn) Add(r, b.name, b.displayName, b.family, 0, b.resource);
}

void DonePieceSets() {
  Registry &r = Reg();
  r.names.clear();
  r.families.clear();
  r.sets.clear();
  r.created = false;
}

int32_t AddPieceSet(const std::string &name, const std::string &displayName, const std::string &familyName,
                    uint8_t fromFile, const std::string &source) {
  return Add(Unit(), name, displayName, familyName, fromFile, source);
}

int32_t FindPieceSet(const std::string &name) {
  Registry &r = Unit();
  int i = IndexOfName(r, name);
  if (i < 0) i = IndexOfName(r, kFallbackSet);
  return i < 0 ? 0 : i;
}

// Each section names one set: "FileName" (a bare name is looked up in the
// program directory, a relative directory is taken from there too, and '\'
// separators are accepted), "DisplayName" (required) and "FamilyName". The
// set is named "_" + the section name. Sections whose file is missing or
// cannot be used are skipped: this runs while the program starts.
void LoadPieceSets(const std::string &iniPath) {
  if (!files::FileExists(iniPath)) return;
  Registry &r = Unit();
  IniFile ini(iniPath);
  for (const std::string &section : ini.ReadSections()) {
    std::string fileName = ini.ReadString(section, "FileName", "");
    std::replace(fileName.begin(), fileName.end(), '\\', '/');
    std::string dir = files::ExtractFileDir(fileName);
    std::string base = files::ExtractFileName(fileName);
    if (dir.empty() || dir[0] != '/') dir = dirs::GetAppDir() + dir;
    std::string displayName = ini.ReadString(section, "DisplayName", "");
    std::string familyName = ini.ReadString(section, "FamilyName", "");
    if (base.empty() || displayName.empty()) continue;
    std::string path = files::FindCaseInsensitive(dir, base);
    if (path.empty() || !files::FileExists(path)) continue;
    Add(r, "_" + section, displayName, familyName, 1, path);
  }
}

void LoadPieceSets() { LoadPieceSets(dirs::AppFile("ChsBmps.ini")); }

void LoadPieceSetBitmaps(int32_t index) {
  TBitmapData &set = SetAt(index);
  // Counted only once loading succeeded, so a failure leaves no half holder.
  if (set.LoadCount == 0 && Reader().load) set.Images = Reader().load(set);
  ++set.LoadCount;
}

void FreePieceSetBitmaps(int32_t index) {
  TBitmapData &set = SetAt(index);
  // A release without an acquire is ignored: counting below zero would
  // leave the next holder without images.
  if (set.LoadCount == 0) return;
  if (--set.LoadCount == 0) set.Images.reset();
}

TBitmapData &PieceSetData(int32_t index) { return SetAt(index); }

// --- PieceSetManO

const PieceSetManT PieceSetManO;

void PieceSetManT::LoadSet(int i) const { LoadPieceSetBitmaps(i); }
void PieceSetManT::FreeSet(int i) const { FreePieceSetBitmaps(i); }
uint16_t PieceSetManT::SquareWidth(int i) const { return RangeCast<uint16_t>(SetAt(i).SquareSize); }
uint16_t PieceSetManT::SquareHeight(int i) const { return RangeCast<uint16_t>(SetAt(i).SquareSize); }
int PieceSetManT::Count() const { return static_cast<int>(Unit().names.size()); }

std::string PieceSetManT::PieceSetName(int i) const {
  SetAt(i);
  return Reg().names[static_cast<size_t>(i)];
}

uint8_t PieceSetManT::IndexOf(const std::string &name) const {
  return RangeCast<uint8_t>(FindPieceSet(name));
}
std::string PieceSetManT::DisplayName(int i) const { return SetAt(i).DisplayName; }
int PieceSetManT::FamilyCount() const { return static_cast<int>(Unit().families.size()); }

std::string PieceSetManT::FamilyName(int n) const {
  Registry &r = Unit();
  if (n < 1 || n > static_cast<int>(r.families.size())) throw ERangeError("Piece set family out of range");
  return r.families[static_cast<size_t>(n - 1)]->Name;
}

std::string PieceSetManT::FamilyOf(int i) const { return SetAt(i).FamilyName; }

bool PieceSetManT::HasSmaller(int i) const { return Smaller(i) != i; }
bool PieceSetManT::HasLarger(int i) const { return Larger(i) != i; }

int PieceSetManT::Smaller(int i) const {
  int p = 0;
  TFamilyData *fam = FamilyPos(i, p);
  if (!fam || p == 0) return i;
  return IndexOfSet(fam->Members[static_cast<size_t>(p - 1)]);
}

int PieceSetManT::Larger(int i) const {
  int p = 0;
  TFamilyData *fam = FamilyPos(i, p);
  if (!fam || p + 1 >= static_cast<int>(fam->Members.size())) return i;
  return IndexOfSet(fam->Members[static_cast<size_t>(p + 1)]);
}

int PieceSetManT::FindInFamily(int i, const std::string &familyName) const {
  const int size = SetAt(i).SquareSize;
  TFamilyData *fam = FindFamily(Reg(), familyName);
  if (!fam) return i;
  const TBitmapData *best = nullptr;
  int bestDist = 9999;
  for (const TBitmapData *m : fam->Members) {
    int d = std::abs(m->SquareSize - size);
    if (d < bestDist) {
      bestDist = d;
      best = m;
    }
  }
  return best ? IndexOfSet(best) : i;
}

// --- BoardColorsO

BoardColorsT BoardColorsO;

void BoardColorsT::Init() {
  white_ = clBtnFace;
  black_ = clBtnShadow;
  useWindowsColors_ = true;
  BuildPalette();
}

void BoardColorsT::SetWhiteSquares(TColor c) {
  white_ = c;
  BuildPalette();
}

void BoardColorsT::SetBlackSquares(TColor c) {
  black_ = c;
  BuildPalette();
}
