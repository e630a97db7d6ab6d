#include "appman/ChessAppMan.h"

#include <unistd.h>

#include <algorithm>
#include <utility>

#include "chess/Language.h"
#include "foundation/MyUtils.h"
#include "platform/Dirs.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

ChessAppO ChessApp;

int32_t ClampBoardDelay(int32_t ms) { return std::clamp<int32_t>(ms, 0, kMaxBoardDelay); }

int32_t ClampAutoPlayDelay(int32_t ms) { return std::clamp<int32_t>(ms, kMinAutoPlayDelay, kMaxAutoPlayDelay); }

namespace {

const std::string kGeneral = "General";
const std::string kFiles = "Files";
const std::string kStandardFiles = "StandardFiles";
const std::string kViewFromPlayers = "ViewFromPlayers";
const std::string kEngine = "Engine";
const std::string kTimeControlInfo = "TimeControlInfo";
const std::string kDefaultPieceSet = "Linares40";

// The drive root the directories started from elsewhere: the user's home.
std::string DefaultDir() { return dirs::GetHomeDir(); }

bool FigurinesOf(const TChessFontInfoMan &fonts, const std::string &name) {
  ChessFontInfoRec info;
  return fonts.GetInfoByName(name, info) && info.hasFigurines;
}

// The "General" options in the order Save writes them. One list serves Load
// and Save, so a key is spelt once and read as it is written.
template <class V>
void VisitGeneral(ChessAppO &o, V &v) {
  v.Str("Dir", o.Dir, DefaultDir());
  v.Int("DirFilterIndex", o.DirFilterIndex, 1);
  v.Str("OpenDir", o.OpenDir, DefaultDir());
  v.Int("OpenDirFilterIndex", o.OpenDirFilterIndex, 1);
  v.Str("ImportDir", o.ImportDir, DefaultDir());
  v.Int("ImportDirFilterIndex", o.ImportDirFilterIndex, 1);
  v.Str("ExportDir", o.ExportDir, DefaultDir());
  v.Int("ExportDirFilterIndex", o.ExportDirFilterIndex, 1);
  v.UseWindowsColors("UseWindowsColors");
  v.Color("WhiteSquares", o.WhiteSquares, 10408941);
  v.Color("BlackSquares", o.BlackSquares, 4822170);
  v.PieceSet("PieceType", o.PieceType);
  v.PieceSet("PieceTypeForCopy", o.PieceTypeForCopy);
  v.Int("MoveDelay", o.MoveDelay, 10);
  v.Int("MoveBackDelay", o.MoveBackDelay, 10);
  v.Int("CastleRookMoveDelay", o.CastleRookMoveDelay, 10);
  v.Int("CastleRookMoveBackDelay", o.CastleRookMoveBackDelay, 10);
  v.Bool("ShowCoordinates", o.ShowCoordinates, false);
  v.Bool("RightClickTakesBack", o.RightClickTakesBack, false);
  v.Language("ApplicationLanguage", o.ApplicationLanguage, false);
  v.Language("InterfaceLanguage", o.InterfaceLanguage, true);
  v.Language("CopyLanguage", o.CopyLanguage, true);
  v.Language("PasteLanguage", o.PasteLanguage, true);
  v.Str("ApplicationFontName", o.ApplicationFontName, DefaultApplicationFont(o.Fonts()));
  v.Int("ApplicationFontSize", o.ApplicationFontSize, 10);
  // Its default depends on the font name, which comes before it.
  v.Bool("UseFigurines", o.UseFigurines, FigurinesOf(o.Fonts(), o.ApplicationFontName));
  v.Bool("ViewFromPlayers", o.ViewFromPlayers, false);
  v.PlayersList(o.ViewFromPlayersList);
  v.Int("AutoPlayDelay", o.AutoPlayDelay, 1500);
  v.Bool("StopAtComment", o.StopAtComment, true);
  v.Bool("StopAtAnnotations", o.StopAtAnnotations, true);
  v.Bool("StopAtAlternatives", o.StopAtAlternatives, false);
  v.Notation("LastMoveNotation", o.LastMoveNotation, kNotationShortWithNumber, kNotationLongWithNumber);
  v.Notation("MoveListNotation", o.MoveListNotation, kNotationShort, kNotationLong);
  v.Bool("UseHRTInCopy", o.UseHRTInCopy, true);
  v.Int("CopyLineLength", o.CopyLineLength, 80);
  v.Bool("ShowDiagsInCopyGame", o.ShowDiagsInCopyGame, true);
  v.Bool("SeparateAnnotationsInCopyGame", o.SeparateAnnotationsInCopyGame, true);
  v.Bool("UseExtraSeparationInCopyGame", o.UseExtraSeparationInCopyGame, true);
  v.Bool("SeparateAlternativesInCopyGame", o.SeparateAlternativesInCopyGame, true);
  v.Bool("MainLineInBoldInCopyGame", o.MainLineInBoldInCopyGame, true);
  v.Bool("CommentsInBracketsInCopyGame", o.CommentsInBracketsInCopyGame, true);
  v.Bool("SquareBracketsForAlternatives", o.SquareBracketsForAlternatives, true);
  v.Bool("CenterDiagrams", o.CenterDiagrams, true);
  v.Bool("JustifyMoveText", o.JustifyMoveText, false);
  v.Bool("DiagsWithCoordinatesInCopyGame", o.DiagsWithCoordinatesInCopyGame, false);
  v.Bool("CopyDiagUseLabels", o.CopyDiagUseLabels, true);
  v.DiagramText("CopyDiagTopTextType", o.CopyDiagTopTextType, DiagramTextTypeT::Players);
  v.DiagramText("CopyDiagBottomTextType", o.CopyDiagBottomTextType, DiagramTextTypeT::ColorToMove);
  v.Bool("CopyGameDiagUseLabels", o.CopyGameDiagUseLabels, true);
  v.DiagramText("CopyGameDiagTopTextType", o.CopyGameDiagTopTextType, DiagramTextTypeT::None);
  v.DiagramText("CopyGameDiagBottomTextType", o.CopyGameDiagBottomTextType, DiagramTextTypeT::LastMove);
  v.Bool("ShowPlayers", o.ShowPlayers, true);
  v.Bool("ShowELO", o.ShowELO, false);
  v.Bool("ShowECO", o.ShowECO, false);
  v.Bool("ShowEvent", o.ShowEvent, true);
  v.Bool("ShowSite", o.ShowSite, true);
  v.Bool("ShowRound", o.ShowRound, true);
  v.Bool("ShowDate", o.ShowDate, true);
  v.Bool("ShowColorToMove", o.ShowColorToMove, false);
  v.Bool("ShowMaterialDifference", o.ShowMaterialDifference, true);
  v.Bool("KnightAndBishopAreEqual", o.KnightAndBishopAreEqual, true);
  v.Perspective("MaterialDifferencePerspective", o.MaterialDifferencePerspective, PerspectiveT::Board);
  v.Bool("ShowLastMove", o.ShowLastMove, true);
  v.Bool("ViewOnlyOnFileOpen", o.ViewOnlyOnFileOpen, true);
  v.Bool("ShowFirstPositionOnLoad", o.ShowFirstPositionOnLoad, true);
  v.Str("RTFDiagramFontName", o.RTFDiagramFontName, DefaultDiagramFont(o.Fonts()));
  v.Int("RTFDiagramFontSize", o.RTFDiagramFontSize, 20);
  v.Bool("RTFDiagramAddBorder", o.RTFDiagramAddBorder, true);
  // Its default depends on the game font, which is written after it.
  v.Bool("UseFigurinesInRTFGame", o.UseFigurinesInRTFGame,
         FigurinesOf(o.Fonts(), v.Peek("RTFGameFontName", DefaultFigurineFont(o.Fonts()))));
  v.Str("RTFGameFontName", o.RTFGameFontName, DefaultFigurineFont(o.Fonts()));
  v.Int("RTFGameFontSize", o.RTFGameFontSize, 10);
  v.Str("RTFGameTextFontName", o.RTFGameTextFontName, "Arial");
  v.Bool("RTFGameUseTextFont", o.RTFGameUseTextFont, false);
  v.Str("GIFPath", o.GIFPath, GetAppDirURL());
  v.Int("HTMLBorderWidth", o.HTMLBorderWidth, 1);
  v.Bool("UseFigurinesInHTMLGame", o.UseFigurinesInHTMLGame, false);
  v.Bool("ShowMoveButtons", o.ShowMoveButtons, true);
  v.Bool("ShowAlternatives", o.ShowAlternatives, true);
  v.Bool("ShowGameMove", o.ShowGameMove, true);
  v.Bool("UseSimpleNags", o.UseSimpleNags, true);
  v.Bool("AskInsertTypeOnNewMove", o.AskInsertTypeOnNewMove, false);
  v.Bool("AskDeleteTypeOnDelete", o.AskDeleteTypeOnDelete, false);
  v.Bool("ClassifyOnImport", o.ClassifyOnImport, true);
  v.Bool("OpenOnKeyPosition", o.OpenOnKeyPosition, true);
}

void ReadList(const IniFile &ini, const std::string &section, std::vector<std::string> &list) {
  for (int i = 0; i < kFilesReadBack; ++i) {
    std::string path = ini.ReadString(section, "H" + std::to_string(i), "");
    if (!path.empty()) list.push_back(std::move(path));
  }
}

// A hand-edited file must not make a slide hold the window ("MoveDelay=99999"
// is kept as 100), nor start autoplay with a timer that fires continuously
// or practically never.
void ClampLoaded(ChessAppFields &o) {
  for (int32_t *d : {&o.MoveDelay, &o.MoveBackDelay, &o.CastleRookMoveDelay, &o.CastleRookMoveBackDelay})
    *d = ClampBoardDelay(*d);
  o.AutoPlayDelay = ClampAutoPlayDelay(o.AutoPlayDelay);
}

class Loader {
 public:
  explicit Loader(const IniFile &ini) : ini_(ini) {}

  std::string Peek(const std::string &key, const std::string &def) const {
    return ini_.ReadString(kGeneral, key, def);
  }
  void Str(const char *key, std::string &f, const std::string &def) { f = Peek(key, def); }
  void Int(const char *key, int32_t &f, int32_t def) { f = ini_.ReadInteger(kGeneral, key, def); }
  void Bool(const char *key, bool &f, bool def) { f = ini_.ReadBool(kGeneral, key, def); }
  void Color(const char *key, TColor &f, TColor def) {
    f = static_cast<TColor>(ini_.ReadInteger(kGeneral, key, static_cast<int32_t>(def)));
  }
  void UseWindowsColors(const char *key) {
    BoardColorsO.SetUseWindowsColors(ini_.ReadBool(kGeneral, key, false));
  }
  void PieceSet(const char *key, uint8_t &f) { f = PieceSetManO.IndexOf(Peek(key, kDefaultPieceSet)); }
  void Language(const char *key, LanguageId &f, bool notation) {
    std::string name = Peek(key, "English");
    f = notation ? LangIdFromName(name) : FindLanguageForSetting(name);
  }
  void Notation(const char *key, uint8_t &f, uint8_t shortKind, uint8_t longKind) {
    f = Peek(key, "Short") == "Long" ? longKind : shortKind;
  }
  void DiagramText(const char *key, DiagramTextTypeT &f, DiagramTextTypeT def) {
    f = StrToDiagramTextType(Peek(key, DiagramTextTypeToStr(def)));
  }
  void Perspective(const char *key, PerspectiveT &f, PerspectiveT def) {
    f = StrToPerspective(Peek(key, PerspectiveToStr(def)));
  }
  // Entry i is the value of "P" + i, for as many entries as the section has keys.
  void PlayersList(std::vector<std::string> &list) {
    const size_t n = ini_.ReadSection(kViewFromPlayers).size();
    list.clear();
    for (size_t i = 0; i < n; ++i)
      list.push_back(ini_.ReadString(kViewFromPlayers, "P" + std::to_string(i), ""));
  }

 private:
  const IniFile &ini_;
};

// Collects every write first, so a value that cannot be written stops the
// save before the document changes.
class Saver {
 public:
  struct Op {
    bool erase = false;
    std::string section, key, value;
  };

  std::string Peek(const std::string &, const std::string &def) const { return def; }
  void Put(const std::string &section, const std::string &key, const std::string &value) {
    ops.push_back({false, section, key, value});
  }
  void Erase(const std::string &section) { ops.push_back({true, section, {}, {}}); }
  void List(const std::string &section, const char *prefix, const std::vector<std::string> &list) {
    Erase(section);
    for (size_t i = 0; i < list.size(); ++i) Put(section, prefix + std::to_string(i), list[i]);
  }

  void Str(const char *key, const std::string &f, const std::string &) { Put(kGeneral, key, f); }
  void Int(const char *key, int32_t f, int32_t) { Put(kGeneral, key, std::to_string(f)); }
  void Bool(const char *key, bool f, bool) { Put(kGeneral, key, f ? "1" : "0"); }
  void Color(const char *key, TColor f, TColor) {
    Put(kGeneral, key, std::to_string(static_cast<int32_t>(f)));
  }
  void UseWindowsColors(const char *key) { Bool(key, BoardColorsO.UseWindowsColors(), false); }
  void PieceSet(const char *key, uint8_t f) { Put(kGeneral, key, PieceSetManO.PieceSetName(f)); }
  void Language(const char *key, LanguageId f, bool) {
    Put(kGeneral, key, GetLanguageDisplayName(f, LangEnglish));
  }
  void Notation(const char *key, uint8_t f, uint8_t shortKind, uint8_t) {
    Put(kGeneral, key, f == shortKind ? "Short" : "Long");
  }
  void DiagramText(const char *key, DiagramTextTypeT f, DiagramTextTypeT) {
    Put(kGeneral, key, DiagramTextTypeToStr(f));
  }
  void Perspective(const char *key, PerspectiveT f, PerspectiveT) { Put(kGeneral, key, PerspectiveToStr(f)); }
  void PlayersList(const std::vector<std::string> &list) { List(kViewFromPlayers, "P", list); }

  std::vector<Op> ops;
};

}  // namespace

ChessAppO::ChessAppO() = default;
ChessAppO::~ChessAppO() = default;

void ChessAppO::Init() {
  // The start values are the fields' own: both fixed switches on, the engine
  // off, English everywhere, "Arial", empty directories, filter indexes 1,
  // empty lists, the default time control.
  static_cast<ChessAppFields &>(*this) = ChessAppFields{};
  if (SettingsFile.empty()) SettingsFile = GetIniFileName();
  ChessFonts = std::make_unique<TChessFontInfoMan>(dirs::AppFile("ChsFonts.ini"));
  boardListeners_.clear();
  listListeners_.clear();
}

void ChessAppO::Done() {
  Files.clear();
  StandardFiles.clear();
  ViewFromPlayersList.clear();
  ChessFonts.reset();
  boardListeners_.clear();
  listListeners_.clear();
}

void ChessAppO::Load() {
  {
    IniFile ini(SettingsPath());
    Files.clear();
    StandardFiles.clear();
    ReadList(ini, kFiles, Files);
    ReadList(ini, kStandardFiles, StandardFiles);
    Loader loader(ini);
    VisitGeneral(*this, loader);
    ClampLoaded(*this);
    if (!BoardColorsO.UseWindowsColors()) {
      BoardColorsO.SetWhiteSquares(WhiteSquares);
      BoardColorsO.SetBlackSquares(BlackSquares);
    }
    EngineEnabled = ini.ReadBool(kEngine, "Enabled", false);
    EngineDir = ini.ReadString(kEngine, "Dir", "");
    // The program's name is fixed; only its directory can be chosen.
    EngineMissing = EngineEnabled && !EngineFileExists();
    if (EngineMissing) EngineEnabled = false;
  }
  TimeControl.Read(SettingsPath(), kTimeControlInfo);
  SetChessFont(ApplicationFontName, ApplicationFontSize);
}

bool ChessAppO::Save(int *err) {
  Saver saver;
  saver.List(kFiles, "H", Files);
  saver.List(kStandardFiles, "H", StandardFiles);
  VisitGeneral(*this, saver);

  IniFile ini(SettingsPath());
  for (const Saver::Op &op : saver.ops) {
    if (op.erase)
      ini.EraseSection(op.section);
    else
      ini.WriteString(op.section, op.key, op.value);
  }
  TimeControl.Write(SettingsPath(), kTimeControlInfo);
  return ini.UpdateFile(err);
}

void ChessAppO::SetChessFont(const std::string &name, int32_t size) {
  ApplicationFontName = name;
  ApplicationFontSize = size;
  ApplicationFontHasFigurines = false;
  ChessFontInfoRec info;
  if (Fonts().GetInfoByName(name, info)) {
    ApplicationFontHasFigurines = info.hasFigurines;
    if (info.hasFigurines) SetFigurineChars(info);
  }
}

std::vector<MenuItemRec> ChessAppO::BuildRecentFilesMenu() const {
  std::vector<MenuItemRec> items;
  const int recent = static_cast<int>(Files.size());
  for (size_t i = 0; i < StandardFiles.size(); ++i) {
    // Letters run out after Z; later entries go without an accelerator.
    std::string caption =
        i < 26 ? std::string("&") + static_cast<char>('A' + i) + ": " + DoubleAmpersands(StandardFiles[i])
               : DoubleAmpersands(StandardFiles[i]);
    items.push_back({std::move(caption), recent + static_cast<int>(i), false});
  }
  if (!Files.empty()) {
    if (!StandardFiles.empty()) items.push_back({"-", 0, true});
    for (int i = 0; i < std::min(recent, kFilesReadBack); ++i)
      items.push_back(
          {"&" + std::to_string(i + 1) + ": " + DoubleAmpersands(Files[static_cast<size_t>(i)]), i, false});
  }
  return items;
}

std::string ChessAppO::SettingsPath() const { return SettingsFile.empty() ? GetIniFileName() : SettingsFile; }

const TChessFontInfoMan &ChessAppO::Fonts() const {
  static const TChessFontInfoMan none;
  return ChessFonts ? *ChessFonts : none;
}

std::string ChessAppO::GetPieceTypeFamily() const { return PieceSetManO.FamilyOf(PieceType); }

void ChessAppO::AddBoardListener(const void *owner, Handler handler) {
  boardListeners_.push_back({owner, std::move(handler)});
}

void ChessAppO::AddListListener(const void *owner, Handler handler) {
  listListeners_.push_back({owner, std::move(handler)});
}

void ChessAppO::RemoveBoardListener(const void *owner) { Remove(boardListeners_, owner); }
void ChessAppO::RemoveListListener(const void *owner) { Remove(listListeners_, owner); }
void ChessAppO::NotifyBoardListeners() { Notify(boardListeners_); }
void ChessAppO::NotifyListListeners() { Notify(listListeners_); }

void ChessAppO::Remove(std::vector<Listener> &list, const void *owner) {
  for (Listener &l : list)
    if (l.owner == owner && l.code) l = Listener{};
}

void ChessAppO::Notify(const std::vector<Listener> &list) {
  // By index and through a copy: a handler may add entries (the vector grows)
  // or remove its own (the entry is blanked while it runs).
  for (size_t i = 0; i < list.size(); ++i) {
    Handler h = list[i].code;
    if (h) h(nullptr);
  }
}

void ChessAppO::ProcessMessages() { ui::ProcessMessages(); }

std::string ChessAppO::EngineFile() const {
  std::string dir = EngineDir;
  std::replace(dir.begin(), dir.end(), '\\', '/');
  if (dir.empty() || dir[0] != '/') dir = dirs::GetAppDir() + dir;
  dir = files::IncludeTrailingSlash(dir);
  std::string found = files::FindCaseInsensitive(dir, kEngineFileName);
  return found.empty() ? dir + kEngineFileName : found;
}

bool ChessAppO::EngineFileExists() const {
  std::string file = EngineFile();
  return files::FileExists(file) && ::access(file.c_str(), X_OK) == 0;
}
