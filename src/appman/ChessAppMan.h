#pragma once
// The options object: every user option of the program, loaded from and
// saved to the settings file, the recent and standard files, the chess fonts,
// the time-control settings, and the listeners told when options change.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "board/ChsBmps.h"
#include "foundation/Common.h"
#include "foundation/LangMan.h"
#include "foundation/MenuModel.h"
#include "foundation/TimeControl.h"

// Notation kinds of the move texts the options choose between.
constexpr uint8_t kNotationShort = 0;
constexpr uint8_t kNotationLong = 1;
constexpr uint8_t kNotationShortWithNumber = 2;
constexpr uint8_t kNotationLongWithNumber = 3;

// The ranges Load keeps the delays in (milliseconds): the board's step delays
// are bounded by what a slide may hold the window.
constexpr int32_t kMaxBoardDelay = kMaxStepDelay;
constexpr int32_t kMinAutoPlayDelay = 100;
constexpr int32_t kMaxAutoPlayDelay = 60000;
// A delay or autoplay pause brought into its range.
int32_t ClampBoardDelay(int32_t ms);
int32_t ClampAutoPlayDelay(int32_t ms);

// Load reads back this many recent and standard files.
constexpr int kFilesReadBack = 5;

// The engine program: this name in the engine directory.
inline const std::string kEngineFileName = "wcrafty.exe";

// The option values, plain and comparable; Init sets them back.
struct ChessAppFields {
  std::string Dir;
  int32_t DirFilterIndex = 1;
  std::string OpenDir;
  int32_t OpenDirFilterIndex = 1;
  std::string ImportDir;
  int32_t ImportDirFilterIndex = 1;
  std::string ExportDir;
  int32_t ExportDirFilterIndex = 1;
  std::vector<std::string> Files;
  LanguageId ApplicationLanguage = LangEnglish;
  LanguageId InterfaceLanguage = LangEnglish;
  LanguageId CopyLanguage = LangEnglish;
  LanguageId PasteLanguage = LangEnglish;
  std::string ApplicationFontName = "Arial";
  bool ApplicationFontHasFigurines = false;  // never stored
  int32_t ApplicationFontSize = 10;
  bool UseFigurines = false;
  uint8_t LastMoveNotation = kNotationShortWithNumber;
  uint8_t MoveListNotation = kNotationShort;
  bool UseHRTInCopy = true;
  int32_t CopyLineLength = 80;
  bool ShowDiagsInCopyGame = true;
  bool SeparateAnnotationsInCopyGame = true;
  bool UseExtraSeparationInCopyGame = true;
  bool SeparateAlternativesInCopyGame = true;
  bool MainLineInBoldInCopyGame = true;
  bool CommentsInBracketsInCopyGame = true;
  bool SquareBracketsForAlternatives = true;
  bool CenterDiagrams = true;
  bool JustifyMoveText = false;
  bool DiagsWithCoordinatesInCopyGame = false;
  bool CopyDiagUseLabels = true;
  DiagramTextTypeT CopyDiagTopTextType = DiagramTextTypeT::Players;
  DiagramTextTypeT CopyDiagBottomTextType = DiagramTextTypeT::ColorToMove;
  bool CopyGameDiagUseLabels = true;
  DiagramTextTypeT CopyGameDiagTopTextType = DiagramTextTypeT::None;
  DiagramTextTypeT CopyGameDiagBottomTextType = DiagramTextTypeT::LastMove;
  uint8_t PieceTypeForCopy = 0;
  bool ShowPlayers = true;
  bool ShowELO = false;
  bool ShowECO = false;
  bool ShowEvent = true;
  bool ShowSite = true;
  bool ShowRound = true;
  bool ShowDate = true;
  bool ShowColorToMove = false;
  bool ShowMaterialDifference = true;
  bool KnightAndBishopAreEqual = true;
  PerspectiveT MaterialDifferencePerspective = PerspectiveT::Board;
  bool ShowLastMove = true;
  int32_t AutoPlayDelay = 1500;
  bool StopAtComment = true;
  bool StopAtAnnotations = true;
  bool StopAtAlternatives = false;
  bool ViewFromPlayers = false;
  bool ViewOnlyOnFileOpen = true;
  bool ShowFirstPositionOnLoad = true;
  std::vector<std::string> ViewFromPlayersList;
  std::vector<std::string> StandardFiles;
  TColor WhiteSquares = 10408941;
  TColor BlackSquares = 4822170;
  bool ShowCoordinates = false;
  bool ShowAlternatives = true;
  bool ShowGameMove = true;
  std::string RTFDiagramFontName = "Arial";
  int32_t RTFDiagramFontSize = 20;
  bool RTFDiagramAddBorder = true;
  bool UseFigurinesInRTFGame = false;
  std::string RTFGameFontName = "Arial";
  int32_t RTFGameFontSize = 10;
  std::string RTFGameTextFontName = "Arial";
  bool RTFGameUseTextFont = false;
  std::string GIFPath;
  int32_t HTMLBorderWidth = 1;
  bool UseFigurinesInHTMLGame = false;
  bool ShowMoveButtons = true;
  bool UseSimpleNags = true;
  uint8_t PieceType = 0;
  int32_t MoveDelay = 10;
  int32_t MoveBackDelay = 10;
  int32_t CastleRookMoveDelay = 10;
  int32_t CastleRookMoveBackDelay = 10;
  bool RightClickTakesBack = false;
  bool AskInsertTypeOnNewMove = false;
  bool AskDeleteTypeOnDelete = false;
  bool ClassifyOnImport = true;
  bool OpenOnKeyPosition = true;
  bool OneWindowMode = true;  // fixed, never stored
  bool ReleaseBuild = true;   // fixed, never stored
  bool EngineEnabled = false;
  // "Enabled" is set but the engine program is not there.
  bool EngineMissing = false;
  std::string EngineDir;
  TimeControlRec TimeControl;

  bool operator==(const ChessAppFields &) const = default;
};

class ChessAppO : public ChessAppFields {
 public:
  // Called with the sender (always null when the options notify).
  using Handler = std::function<void(void *sender)>;

  ChessAppO();
  ~ChessAppO();
  ChessAppO(const ChessAppO &) = delete;
  ChessAppO &operator=(const ChessAppO &) = delete;

  // Start values, a new chess-font manager from "ChsFonts.ini" in the
  // program directory, empty lists and listener lists. The settings file is
  // GetIniFileName() unless SettingsFile was set before.
  void Init();
  void Done();
  // Reads the settings file; missing keys and values that do not read give
  // the defaults. The board delays are kept in 0..kMaxBoardDelay and
  // "AutoPlayDelay" in kMinAutoPlayDelay..kMaxAutoPlayDelay.
  void Load();
  // Writes the sections the options own into the settings file's shared
  // document and writes the file. The other sections stay as they are.
  // False (errno in *err) when the file could not be written. Every value is
  // worked out before the document changes: an invalid piece-set index
  // raises ERangeError and leaves the file as it was.
  bool Save(int *err = nullptr);

  // The application font and whether it is a known chess font with
  // figurines; such a font's figurines become the notation's figurines.
  void SetChessFont(const std::string &name, int32_t size);
  // The reopen menu: the standard files lettered A, B, ... (tags from the
  // number of recent files on), a separator when both lists have entries,
  // then at most five recent files numbered 1..5 (tags 0..4). An "&" in a
  // path is doubled so that the caption shows it. The menu is enabled
  // exactly when it has items.
  std::vector<MenuItemRec> BuildRecentFilesMenu() const;
  std::string GetPieceTypeFamily() const;

  // Listeners. An owner removes only its own entries; removed entries are
  // blanked, not deleted. Notifying calls every live entry in order, sender
  // null; handlers may add or remove listeners meanwhile.
  void AddBoardListener(const void *owner, Handler handler);
  void AddListListener(const void *owner, Handler handler);
  void RemoveBoardListener(const void *owner);
  void RemoveListListener(const void *owner);
  void NotifyBoardListeners();
  void NotifyListListeners();
  // Lets the user interface run its message queue once.
  void ProcessMessages();

  // The engine program's path: "wcrafty.exe" (found without regard to case)
  // in EngineDir, where an empty or relative directory is taken from the
  // program directory.
  std::string EngineFile() const;
  // The engine program exists and may be run.
  bool EngineFileExists() const;

  std::string SettingsFile;  // the settings file's path
  std::unique_ptr<TChessFontInfoMan> ChessFonts;

  // The settings file (GetIniFileName() while SettingsFile is empty), and the
  // chess fonts (none before Init and after Done).
  std::string SettingsPath() const;
  const TChessFontInfoMan &Fonts() const;

 private:
  struct Listener {
    const void *owner = nullptr;
    Handler code;
  };
  static void Remove(std::vector<Listener> &list, const void *owner);
  static void Notify(const std::vector<Listener> &list);

  std::vector<Listener> boardListeners_;
  std::vector<Listener> listListeners_;
};

// The program's one options object.
extern ChessAppO ChessApp;
