#pragma once
// The notation writer: a GameO as PGN, plain text, RTF, HTML or the one-line
// list text, with the tag header, numbered moves, a bold main line, NAGs or
// their symbols, comments, variations in brackets, optional diagrams with
// captions and the result. Output goes to an OutputO and, for the game
// display, to a list of display runs.
//
// Every text taken from the game (tag names and values, comments, players,
// captions) is escaped for the format, so that no game text can break the
// output: PGN and text tag values get a backslash before '"' and '\', a "}"
// inside a brace comment is written as ")", RTF gets "\", "{", "}" escaped
// and non-ASCII bytes as \'hh, HTML gets "&", "<", ">" and '"' as entities.
// A line stops at its first illegal node in every format.
#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Common.h"
#include "foundation/LangMan.h"

class GameO;
class OutputO;
class PositionO;
struct DisplayOptionsRec;
struct PosRec;

// Output formats.
inline constexpr std::uint8_t pfPGN = 0;
inline constexpr std::uint8_t pfText = 1;
inline constexpr std::uint8_t pfRTF = 2;
inline constexpr std::uint8_t pfHTML = 3;
inline constexpr std::uint8_t pfList = 4;

// Diagram caption kinds (the values of the diagram text types).
inline constexpr std::uint8_t dcNone = 0;
inline constexpr std::uint8_t dcLastMove = 1;
inline constexpr std::uint8_t dcColorToMove = 2;
inline constexpr std::uint8_t dcPlayers = 4;

// The NAG that asks for a diagram after its move.
inline constexpr int kDiagramNag = 220;

struct PrintGameOptionsRec {
  std::uint8_t format = pfPGN;
  // Line width of PGN and text; 0 or less: no wrapping. RTF, HTML and the
  // list text are never wrapped.
  std::int32_t width = 0;
  std::uint8_t squareBrackets = 0;  // "[" "]" for variations (text, RTF, HTML)
  std::uint8_t writeTags = 1;
  std::uint8_t diagrams = 0;  // a diagram after a move with NAG 220 (RTF, HTML)
  std::uint8_t variationsOnNewLine = 0;
  std::uint8_t blankLineAroundVariations = 0;
  std::uint8_t commentBraces = 1;     // PGN always uses braces
  std::uint8_t diagramCaption = 0;    // captions around diagrams
  std::uint8_t captionTop = dcNone;   // dcPlayers: the players line above
  std::uint8_t captionKind = dcNone;  // dcLastMove or dcColorToMove below
  std::uint8_t figurines = 0;         // RTF through the font, HTML as images
  std::uint8_t boldMainLine = 0;      // RTF and HTML
  // Figurines and NAG symbols (RTF); NAG symbol bytes (list text).
  ChessFontInfoRec font;
  std::string rtfHeader;          // written first in RTF; the RTF footer then ends it
  std::uint8_t justify = 0;       // RTF paragraphs "\qj " instead of "\ql "
  std::string imageFolder;        // HTML: put in front of image names
  std::uint8_t listSymbolic = 0;  // list text: moves in the Symbolic language
  // Diagrams.
  std::int32_t htmlBorderWidth = 1;
  ChessFontInfoRec diagramFont;         // RTF diagram glyphs
  std::int32_t gameFontSize = 10;       // RTF points of the text and captions
  std::int32_t diagramFontSize = 20;    // RTF points of the diagram
  std::uint8_t diagramCoordinates = 0;  // RTF border with rank and file labels
};

// PGN as files and the database hold it: tags, brace comments, wrapped at
// the width.
PrintGameOptionsRec PgnOptions(std::int32_t width);

// ---- Display runs

// Run kinds written here; the others belong to the game display.
inline constexpr std::uint8_t rkChar = 0;
inline constexpr std::uint8_t rkBreak = 2;
inline constexpr std::uint8_t rkMove = 6;
inline constexpr std::uint8_t rkMaxKind = 17;

struct TextRunRec {
  std::uint8_t kind = rkChar;
  char ch = 0;
  std::uint16_t value1 = 0;  // a move: its node number
  std::uint16_t value2 = 0;  // a move: its ply (2 * (move number - 1) + colour + 1)
  std::string text;          // at most 255 characters
  std::uint16_t value3 = 0, value4 = 0, value5 = 0;

  bool operator==(const TextRunRec &) const = default;
};

// The runs a node's notation is drawn from, held either as records or packed
// into one byte string (which saves memory on every node). Indexes are
// 1-based; at most 65535 runs.
class TextRunListO {
 public:
  static constexpr int kMaxCount = 65535;
  static constexpr int kMaxText = 255;

  int Count() const { return packed_ ? packedCount_ : static_cast<int>(runs_.size()); }
  // Decodes run i in place when packed; ERangeError outside 1..Count.
  TextRunRec Get(int i) const;
  // Kind above 17, a text of more than 255 characters or a full list raise
  // ERangeError and change nothing. A packed list is unpacked first.
  void Add(const TextRunRec &run);
  void Insert(int i, const TextRunRec &run);
  void Clear();

  bool Packed() const { return packed_; }
  void Pack();
  void Unpack();
  // The packed form: per run its kind byte, then by kind the character
  // (0, 9), nothing (1, 2, 3, 8, 13), value1 (4, 5, 7, 12), value1, value2,
  // the text as a length byte and its characters, value3..5 (6, 10, 11, 14,
  // 15, 16), or the text only (17); every u16 high byte first.
  const std::string &PackedBytes() const { return bytes_; }

  // The characters of the runs with a break as "\r\n" and a move as its text.
  std::string PlainText() const;

 private:
  static void CheckRun(const TextRunRec &run);
  static void Encode(const TextRunRec &run, std::string &out);
  // Decodes the run at pos and moves pos past it.
  static TextRunRec Decode(const std::string &bytes, std::size_t &pos);

  std::vector<TextRunRec> runs_;
  std::string bytes_;
  int packedCount_ = 0;
  bool packed_ = false;
};

// ---- Diagrams

// The image file of a square in an HTML diagram: "w"/"b" and the piece letter
// ("p", "n", "b", "r", "q", "k") or "ef" for an empty square, then the
// square's colour ("w" when file + rank is odd) and ".gif".
std::string DiagramImageName(const PositionO &pos, int file, int rank);
// The position as an HTML table of square images, one line per element and
// per rank, each line ended by "\r\n".
std::string HtmlDiagram(const PositionO &pos, const std::string &imageFolder, std::int32_t borderWidth);
// Ten rows of the font's glyphs (border, ranks 8..1, border), each escaped
// for RTF and ended by "\par ". A glyph the font lacks is written as the
// piece's FEN letter or, for an empty square, "-"; a border without glyphs
// is left out.
std::string RtfDiagram(const PositionO &pos, const ChessFontInfoRec &font, bool coordinates);

// The RTF control words that select font n of the header's table and the
// size of the points ("\\fs" counts half points); no delimiter follows.
std::string RtfFontSize(int font, std::int32_t points);
// The text below a diagram of the kind. dcLastMove: the language's "position
// after" text holding the numbered move that led to the node, drawn as the
// display asks (figurines in RTF or HTML), or at the root the start-position
// text. dcColorToMove: the side-to-move text. The language's texts are
// escaped for the display's format (RTF or HTML), the move text is not.
// Empty for any other kind.
std::string DiagramBottomText(std::uint8_t kind, const PosRec &node, int sideToMove, LanguageId language,
                              const DisplayOptionsRec &display);

// ---- Escaping of game texts

// RTF: "\", "{" and "}" escaped, bytes from 128 as \'hh.
std::string RtfText(const std::string &text);
// HTML: "&", "<", ">" and '"' as entities.
std::string HtmlText(const std::string &text);
// A PGN tag value: a backslash before '"' and '\'.
std::string PgnTagValue(const std::string &text);

// ---- The writer

class GameTextWriter {
 public:
  // Writes to the sink and, when given, into the run list; without a sink
  // only runs are made.
  void Init(OutputO *sink, TextRunListO *runs = nullptr);
  void Done();
  // The notation language (Default at Init); PGN always writes English.
  void SetOptions(LanguageId language) { language_ = language; }

  void WriteGame(GameO &game, const PrintGameOptionsRec &options);

  void WriteToken(const std::string &text, bool separate);
  void Write(const std::string &text);
  void WriteLn(const std::string &text);
  void NewParagraph();
  void WriteTags(GameO &game);
  // The caption texts of a diagram at the node (empty when none).
  void DiagramCaption(GameO &game, const PosRec *node, const PositionO &pos, std::string &top,
                      std::string &bottom) const;

  std::int32_t Column() const { return column_; }

 private:
  bool IsFormat(std::uint8_t f) const { return options_.format == f; }
  std::int32_t EffectiveWidth() const;
  LanguageId MoveLanguage() const;
  // How moves are drawn in the current format (bold off).
  DisplayOptionsRec MoveDisplay() const;
  std::string Bold(const std::string &text) const;
  std::string Bold(const std::string &text, bool bold) const;
  std::string Escape(const std::string &text) const;
  // Text to the sink only (no runs), column unchanged.
  void SinkWrite(const std::string &text);
  void AddRunText(const std::string &text);
  // WriteToken; a move node's text goes into the runs as one move run.
  void Token(const std::string &text, bool separate, const PosRec *moveNode);

  void WriteLine(GameO &game, PosRec *node, int childIndex, bool alternatives, bool forceNumber,
                 bool separate, bool mainLine, PositionO &pos);
  void WriteMove(const PosRec *child, bool bold, bool forceNumber, bool separate);
  void WriteAnnotations(GameO &game, const PosRec *node, bool bold, const PositionO &pos);
  void WriteNag(int nag, bool bold);
  void WriteComment(const std::string &comment);
  void WriteDiagram(GameO &game, const PosRec *node, const PositionO &pos);

  OutputO *sink_ = nullptr;
  TextRunListO *runs_ = nullptr;
  PrintGameOptionsRec options_;
  std::int32_t column_ = 0;
  LanguageId language_ = LangDefault;
};

// ---- The game's exporters

// The game as text in the options' format and the language.
std::string ToText(GameO &game, const PrintGameOptionsRec &options, LanguageId language);
// The same into a sink, and into a run list when one is given.
void WriteText(GameO &game, OutputO &sink, const PrintGameOptionsRec &options, LanguageId language,
               TextRunListO *runs = nullptr);
// The one-line list text of the list windows: no tags, no wrapping; moves in
// the Symbolic language when symbolic is set; NAG symbols as the font's
// bytes when a font with symbols is given.
std::string ExportListText(GameO &game, LanguageId language, bool symbolic, const ChessFontInfoRec *font);
// The options with the format set to text or RTF.
std::string ExportPlainText(GameO &game, const PrintGameOptionsRec &options, LanguageId language);
std::string ExportRtf(GameO &game, const PrintGameOptionsRec &options, LanguageId language);
// Writes the game into a named file, replacing it only when every write
// succeeded; false otherwise.
bool ExportToFile(GameO &game, const std::string &path, const PrintGameOptionsRec &options,
                  LanguageId language);
