#pragma once
// The process-wide registry of piece sets and the two board square colours.
//
// A piece set is one strip of 14 square cells holding the twelve pieces:
// cells 0-5 black Rook, Knight, Bishop, Queen, King, Pawn, cells 6-11 the
// white ones, cells 12-13 unused; the colour of the bottom-left pixel is
// transparent. Seven sets are built in; more come from "ChsBmps.ini".
//
// This half knows names, families, sizes and sources, and counts holders.
// The images themselves are Qt's business (board/ui/PieceImages.h), which
// plugs in through StripReader.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Cells in a strip, sets a board can address, and the largest square a
// board can hold (it keeps the square size in one byte).
constexpr int kStripCells = 14;
constexpr int kMaxPieceSets = 49;
constexpr int kMaxSquareSize = 255;

// The longest pause of one slide step (ms). A slide runs on the GUI thread
// without its event loop, so a longer pause holds the window.
constexpr int kMaxStepDelay = 100;

// A board's set index. Only the ordinal counts: it is the registry index
// (0 is "Regular24"), whatever the value's name says.
enum BmpSizeT : uint8_t {
  // clang-format off
  bsSmall, bsLarge, bsRegular24, bsRegular32, bsRegular40, bsHastings32, bsLinares32, bsLinares40,
  bsLinares48,
  bs000, bs001, bs002, bs003, bs004, bs005, bs006, bs007, bs008, bs009,
  bs010, bs011, bs012, bs013, bs014, bs015, bs016, bs017, bs018, bs019,
  bs020, bs021, bs022, bs023, bs024, bs025, bs026, bs027, bs028, bs029,
  bs030, bs031, bs032, bs033, bs034, bs035, bs036, bs037, bs038, bs039,
  // clang-format on
};
static_assert(bs039 + 1 == kMaxPieceSets);

// Colour indexes of the image tables, and the piece codes 1 Pawn .. 6 King.
constexpr int kBmpWhite = 0;
constexpr int kBmpBlack = 1;

// The sliced images of a loaded set; the Qt half derives its own.
struct PieceImagesBase {
  virtual ~PieceImagesBase() = default;
};

// One registered set.
struct TBitmapData {
  std::string Source;  // resource name, or the file's full path
  uint8_t FromFile = 0;
  std::string DisplayName;
  std::string FamilyName;  // empty: no family
  int32_t SquareSize = 0;
  int32_t Height = 0;
  int32_t LoadCount = 0;
  // 12 images and 12 masks, present only while LoadCount > 0 and a reader
  // that makes images is installed.
  std::unique_ptr<PieceImagesBase> Images;
};

struct TFamilyData {
  std::string Name;
  std::vector<TBitmapData *> Members;  // registration order
};

// How strips are read. The built-in sets always have the sizes of their
// shipped strips; without an installed reader no file can be registered.
struct StripReader {
  // Width and height of a file set's strip; false when it cannot be read.
  std::function<bool(const TBitmapData &set, int &width, int &height)> measure;
  // Slices the strip on the first acquire. May update SquareSize and Height
  // when the strip now reads with other valid sizes.
  std::function<std::unique_ptr<PieceImagesBase>(TBitmapData &set)> load;
};
// Installs a reader; answers the previous one.
StripReader InstallStripReader(StripReader reader);

// A strip a board can use: at least one pixel per cell, some height, and a
// square that fits a byte.
bool ValidStripSize(int width, int height);

// Registry procedures. The registry fills itself with the built-in sets on
// first use; DonePieceSets empties it and the next use starts afresh.
void InitPieceSets();
void DonePieceSets();
// Registers a set; answers its index, the index of an earlier set of the
// same name, or -1 when the strip is refused (unreadable, too narrow, no
// height, a square over 255 pixels) or the registry is full.
int32_t AddPieceSet(const std::string &name, const std::string &displayName, const std::string &familyName,
                    uint8_t fromFile, const std::string &source);
// Index of the name (exact match); an unknown name gives "Linares32".
int32_t FindPieceSet(const std::string &name);
// Registers the sets of an ini file (see ChsBmps.cpp); no file, no change.
void LoadPieceSets(const std::string &iniPath);
// The same for "ChsBmps.ini" in the program directory.
void LoadPieceSets();
// Reference-counted acquire and release of a set's images.
void LoadPieceSetBitmaps(int32_t index);
void FreePieceSetBitmaps(int32_t index);
// The record of a registered set; ERangeError for a bad index.
TBitmapData &PieceSetData(int32_t index);

// Access to the registry. Every index is checked (ERangeError).
class PieceSetManT {
 public:
  void LoadSet(int i) const;
  void FreeSet(int i) const;
  uint16_t SquareWidth(int i) const;
  uint16_t SquareHeight(int i) const;
  int Count() const;
  static int ToIndex(int n) { return n - 1; }
  std::string PieceSetName(int i) const;
  uint8_t IndexOf(const std::string &name) const;
  std::string DisplayName(int i) const;
  int FamilyCount() const;
  std::string FamilyName(int n) const;  // n counted from 1
  std::string FamilyOf(int i) const;
  bool HasSmaller(int i) const;
  bool HasLarger(int i) const;
  int Smaller(int i) const;
  int Larger(int i) const;
  // The member of the family nearest in size to set i (the first of equally
  // near ones); i when the family is unknown or empty.
  int FindInFamily(int i, const std::string &familyName) const;
};
extern const PieceSetManT PieceSetManO;

// Colours as stored in settings: 0x00BBGGRR, or 0x80000000 + a system
// colour number.
using TColor = uint32_t;
constexpr TColor clBtnFace = 0x8000000F;
constexpr TColor clBtnShadow = 0x80000010;

// The board square colours. Qt boards need no palette, so the palette is
// always 0 and building it does nothing.
class BoardColorsT {
 public:
  void Init();
  void Done() {}
  TColor WhiteSquares() const { return white_; }
  TColor BlackSquares() const { return black_; }
  bool UseWindowsColors() const { return useWindowsColors_; }
  void SetWhiteSquares(TColor c);
  void SetBlackSquares(TColor c);
  void SetUseWindowsColors(bool b) { useWindowsColors_ = b; }
  uintptr_t Palette() const { return 0; }

 private:
  void BuildPalette() {}
  TColor white_ = clBtnFace;
  TColor black_ = clBtnShadow;
  bool useWindowsColors_ = true;
};
extern BoardColorsT BoardColorsO;
