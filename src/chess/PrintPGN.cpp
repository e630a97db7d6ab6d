#include "chess/PrintPGN.h"

#include <algorithm>
#include <vector>

#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/InfoMan.h"
#include "chess/Language.h"
#include "chess/Moves.h"
#include "chess/NagSymbols.h"
#include "chess/Posns.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"

namespace {

const char kRtfSpace[] = "\\'20";
const char kRtfOpenBrace[] = "\\'7b";
const char kRtfCloseBrace[] = "\\'7d";

bool IsMoveMark(int nag) { return nag >= 1 && nag <= 6; }

// Line breaks (CR LF as one) and other control characters become one blank,
// as the reader makes them.
std::string BlankControls(const std::string &text) {
  std::string r;
  r.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    r += c < 32 ? ' ' : text[i];
  }
  return r;
}

// Words split at single blanks; the further blanks of a run go in front of
// the next word, so that breaking a line at any split keeps the text as the
// reader (a line break reads as one blank) gets it back.
std::vector<std::string> SplitWords(const std::string &text) {
  std::vector<std::string> words;
  std::string word;
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != ' ') {
      word += text[i++];
      continue;
    }
    words.push_back(word);
    word.clear();
    ++i;
    while (i < text.size() && text[i] == ' ') word += text[i++];
  }
  words.push_back(word);
  return words;
}

// PGN tag names are letters, digits and "_"; anything else would not re-read.
std::string PgnTagName(const std::string &name) {
  std::string r;
  for (char c : name) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
    r += ok ? c : '_';
  }
  return r;
}

void PutU16(std::string &out, std::uint16_t v) {
  out += static_cast<char>(v >> 8);
  out += static_cast<char>(v & 0xFF);
}

std::uint16_t GetU16(const std::string &bytes, std::size_t &pos) {
  if (pos + 2 > bytes.size()) throw ERangeError("Packed run list is damaged");
  const auto hi = static_cast<unsigned char>(bytes[pos]);
  const auto lo = static_cast<unsigned char>(bytes[pos + 1]);
  pos += 2;
  return static_cast<std::uint16_t>(hi << 8 | lo);
}

std::uint8_t GetU8(const std::string &bytes, std::size_t &pos) {
  if (pos >= bytes.size()) throw ERangeError("Packed run list is damaged");
  return static_cast<std::uint8_t>(bytes[pos++]);
}

enum class RunLayout { Char, None, Value, Full, Text };

RunLayout LayoutOf(std::uint8_t kind) {
  switch (kind) {
    case 0:
    case 9:
      return RunLayout::Char;
    case 4:
    case 5:
    case 7:
    case 12:
      return RunLayout::Value;
    case 6:
    case 10:
    case 11:
    case 14:
    case 15:
    case 16:
      return RunLayout::Full;
    case 17:
      return RunLayout::Text;
    default:
      return RunLayout::None;
  }
}

}  // namespace

PrintGameOptionsRec PgnOptions(std::int32_t width) {
  PrintGameOptionsRec o;
  o.format = pfPGN;
  o.width = width;
  o.writeTags = 1;
  o.commentBraces = 1;
  return o;
}

// ---- Display runs

void TextRunListO::CheckRun(const TextRunRec &run) {
  CheckRange<int>(run.kind, 0, rkMaxKind, "Text run kind out of range");
  CheckRange<std::size_t>(run.text.size(), 0, kMaxText, "Text run text too long");
}

TextRunRec TextRunListO::Get(int i) const {
  CheckRange(i, 1, Count(), "Text run index out of range");
  if (!packed_) return runs_[static_cast<std::size_t>(i - 1)];
  std::size_t pos = 0;
  for (int k = 1; k < i; ++k) Decode(bytes_, pos);
  return Decode(bytes_, pos);
}

void TextRunListO::Add(const TextRunRec &run) { Insert(Count() + 1, run); }

void TextRunListO::Insert(int i, const TextRunRec &run) {
  CheckRun(run);
  CheckRange(i, 1, Count() + 1, "Text run index out of range");
  if (Count() >= kMaxCount) throw ERangeError("Text run list is full");
  Unpack();
  runs_.insert(runs_.begin() + (i - 1), run);
}

void TextRunListO::Clear() {
  runs_.clear();
  bytes_.clear();
  packedCount_ = 0;
  packed_ = false;
}

void TextRunListO::Encode(const TextRunRec &run, std::string &out) {
  out += static_cast<char>(run.kind);
  switch (LayoutOf(run.kind)) {
    case RunLayout::Char:
      out += run.ch;
      break;
    case RunLayout::None:
      break;
    case RunLayout::Value:
      PutU16(out, run.value1);
      break;
    case RunLayout::Full:
      PutU16(out, run.value1);
      PutU16(out, run.value2);
      out += static_cast<char>(run.text.size());
      out += run.text;
      PutU16(out, run.value3);
      PutU16(out, run.value4);
      PutU16(out, run.value5);
      break;
    case RunLayout::Text:
      out += static_cast<char>(run.text.size());
      out += run.text;
      break;
  }
}

TextRunRec TextRunListO::Decode(const std::string &bytes, std::size_t &pos) {
  TextRunRec run;
  run.kind = GetU8(bytes, pos);
  auto text = [&] {
    const std::size_t n = GetU8(bytes, pos);
    if (pos + n > bytes.size()) throw ERangeError("Packed run list is damaged");
    run.text.assign(bytes, pos, n);
    pos += n;
  };
  switch (LayoutOf(run.kind)) {
    case RunLayout::Char:
      run.ch = static_cast<char>(GetU8(bytes, pos));
      break;
    case RunLayout::None:
      break;
    case RunLayout::Value:
      run.value1 = GetU16(bytes, pos);
      break;
    case RunLayout::Full:
      run.value1 = GetU16(bytes, pos);
      run.value2 = GetU16(bytes, pos);
      text();
      run.value3 = GetU16(bytes, pos);
      run.value4 = GetU16(bytes, pos);
      run.value5 = GetU16(bytes, pos);
      break;
    case RunLayout::Text:
      text();
      break;
  }
  return run;
}

void TextRunListO::Pack() {
  if (packed_) return;
  std::string bytes;
  for (const TextRunRec &run : runs_) Encode(run, bytes);
  bytes_ = std::move(bytes);
  packedCount_ = static_cast<int>(runs_.size());
  runs_.clear();
  runs_.shrink_to_fit();
  packed_ = true;
}

void TextRunListO::Unpack() {
  if (!packed_) return;
  std::vector<TextRunRec> runs;
  runs.reserve(static_cast<std::size_t>(packedCount_));
  std::size_t pos = 0;
  for (int k = 0; k < packedCount_; ++k) runs.push_back(Decode(bytes_, pos));
  runs_ = std::move(runs);
  bytes_.clear();
  packedCount_ = 0;
  packed_ = false;
}

std::string TextRunListO::PlainText() const {
  std::string s;
  // A packed list is decoded once, front to back.
  std::size_t pos = 0;
  for (int i = 1; i <= Count(); ++i) {
    const TextRunRec run = packed_ ? Decode(bytes_, pos) : runs_[static_cast<std::size_t>(i - 1)];
    if (run.kind == rkChar)
      s += run.ch;
    else if (run.kind == rkBreak)
      s += "\r\n";
    else if (run.kind == rkMove)
      s += run.text;
  }
  return s;
}

// ---- Escaping

std::string RtfText(const std::string &text) { return RtfEscapeNonAscii(RtfEscapeSpecials(text)); }

std::string HtmlText(const std::string &text) { return HtmlCharRefs(XmlEscape(text)); }

std::string PgnTagValue(const std::string &text) {
  std::string r;
  r.reserve(text.size());
  for (char c : text) {
    if (c == '"' || c == '\\') r += '\\';
    r += c;
  }
  return r;
}

// ---- Diagrams

std::string DiagramImageName(const PositionO &pos, int file, int rank) {
  static const char kLetters[] = "_pnbrqk";
  CheckBoardSquare(file, rank);
  std::string name;
  const int piece = pos.PieceAt(file, rank);
  if (piece >= pPawn && piece <= pKing) {
    name += pos.ColourAt(file, rank) == cBlack ? 'b' : 'w';
    name += kLetters[piece];
  } else {
    name = "ef";
  }
  name += (file + rank) % 2 == 1 ? 'w' : 'b';
  return name + ".gif";
}

std::string HtmlDiagram(const PositionO &pos, const std::string &imageFolder, std::int32_t borderWidth) {
  std::string s = "<TABLE BORDER=" + std::to_string(borderWidth) + " BGCOLOR=\"#C0C0C0\">\r\n";
  s += "<TR>\r\n<TD>\r\n";
  for (int rank = 8; rank >= 1; --rank) {
    for (int file = 1; file <= 8; ++file)
      s += "<IMG SRC=\"" + imageFolder + DiagramImageName(pos, file, rank) + "\">";
    s += "<BR>\r\n";
  }
  s += "</TD>\r\n</TR>\r\n</TABLE>\r\n";
  return s;
}

std::string RtfDiagram(const PositionO &pos, const ChessFontInfoRec &font, bool coordinates) {
  static const char kFen[] = "_PNBRQK";
  auto glyph = [](std::int32_t code, char fallback) -> std::string {
    if (code > 0 && code < 256) return std::string(1, static_cast<char>(code));
    return fallback ? std::string(1, fallback) : std::string();
  };
  const bool labels = coordinates && font.hasCoordinates;
  std::string s;
  auto row = [&s](const std::string &chars) {
    if (!chars.empty()) s += RtfText(chars) + "\\par ";
  };
  using B = ChessFontInfoRec::Border;
  std::string top = glyph(font.border[B::NW], 0);
  for (int file = 1; file <= 8; ++file) top += glyph(font.border[B::N], 0);
  row(top + glyph(font.border[B::NE], 0));
  for (int rank = 8; rank >= 1; --rank) {
    std::string line = glyph(labels ? font.borderW[rank] : font.border[B::W], 0);
    for (int file = 1; file <= 8; ++file) {
      const int dark = (file + rank) % 2 == 0 ? 1 : 0;
      const int piece = pos.PieceAt(file, rank);
      if (piece >= pPawn && piece <= pKing) {
        const int colour = pos.ColourAt(file, rank) == cBlack ? cBlack : cWhite;
        const char fen = colour == cBlack ? static_cast<char>(kFen[piece] + ('a' - 'A')) : kFen[piece];
        line += glyph(font.pieces[piece][colour][dark], fen);
      } else {
        line += glyph(dark ? font.blankDark : font.blankLight, '-');
      }
    }
    row(line + glyph(font.border[B::E], 0));
  }
  std::string bottom = glyph(font.border[B::SW], 0);
  for (int file = 1; file <= 8; ++file) bottom += glyph(labels ? font.borderS[file] : font.border[B::S], 0);
  row(bottom + glyph(font.border[B::SE], 0));
  return s;
}

std::string RtfFontSize(int font, std::int32_t points) {
  return "\\f" + std::to_string(font) + "\\fs" + std::to_string(2 * static_cast<std::int64_t>(points));
}

std::string DiagramBottomText(std::uint8_t kind, const PosRec &node, int sideToMove, LanguageId language,
                              const DisplayOptionsRec &display) {
  auto escape = [&](const std::string &text) {
    if (display.rtf) return RtfText(text);
    if (display.html) return HtmlText(text);
    return text;
  };
  if (kind == dcColorToMove) return escape(LangSideToMoveText(sideToMove, language));
  if (kind != dcLastMove) return std::string();
  if (node.parent == nullptr) return escape(LangStartPositionText(language));
  std::string move;
  node.move.ToText(mtShortNumbered, language, &display, move);
  return SubstituteText(escape(LangPositionAfterText(language)), move);
}

// ---- The writer

void GameTextWriter::Init(OutputO *sink, TextRunListO *runs) {
  sink_ = sink;
  runs_ = runs;
  options_ = PrintGameOptionsRec();
  column_ = 0;
  language_ = LangDefault;
}

void GameTextWriter::Done() {
  sink_ = nullptr;
  runs_ = nullptr;
}

std::int32_t GameTextWriter::EffectiveWidth() const {
  if (!IsFormat(pfPGN) && !IsFormat(pfText)) return 0;
  return options_.width > 0 ? options_.width : 0;
}

DisplayOptionsRec GameTextWriter::MoveDisplay() const {
  DisplayOptionsRec display;
  display.rtf = IsFormat(pfRTF);
  display.html = IsFormat(pfHTML);
  display.figurine = options_.figurines && (display.rtf || display.html);
  display.font = display.rtf ? &options_.font : nullptr;
  display.imageFolder = options_.imageFolder;
  return display;
}

LanguageId GameTextWriter::MoveLanguage() const {
  if (IsFormat(pfPGN)) return LangEnglish;
  if (IsFormat(pfList) && options_.listSymbolic) return LangSymbolic;
  return language_;
}

std::string GameTextWriter::Bold(const std::string &text) const {
  if (IsFormat(pfRTF)) return "\\b " + text + "\\b0";
  if (IsFormat(pfHTML)) return "<b>" + text + "</b>";
  return text;
}

std::string GameTextWriter::Escape(const std::string &text) const {
  if (IsFormat(pfRTF)) return RtfText(text);
  if (IsFormat(pfHTML)) return HtmlText(text);
  return text;
}

void GameTextWriter::SinkWrite(const std::string &text) {
  if (sink_) sink_->Write(text);
}

void GameTextWriter::AddRunText(const std::string &text) {
  if (!runs_) return;
  TextRunRec run;
  for (char c : text) {
    run.ch = c;
    runs_->Add(run);
  }
}

void GameTextWriter::Write(const std::string &text) {
  SinkWrite(text);
  AddRunText(text);
}

void GameTextWriter::NewParagraph() {
  if (sink_) {
    if (IsFormat(pfRTF))
      sink_->Write("\\par ");
    else if (IsFormat(pfHTML))
      sink_->WriteLn("<BR>");
    else
      sink_->NewLine();
  }
  if (runs_) {
    TextRunRec run;
    run.kind = rkBreak;
    runs_->Add(run);
  }
  column_ = 0;
}

void GameTextWriter::WriteLn(const std::string &text) {
  Write(text);
  NewParagraph();
}

void GameTextWriter::WriteToken(const std::string &text, bool separate) { Token(text, separate, nullptr); }

void GameTextWriter::Token(const std::string &text, bool separate, const PosRec *moveNode) {
  const std::int32_t width = EffectiveWidth();
  const auto len = static_cast<std::int64_t>(text.size());
  if (width > 0 && column_ > 0 && column_ + len + (separate ? 1 : 0) > width) NewParagraph();
  if (column_ == 0) separate = false;
  if (separate) {
    SinkWrite(IsFormat(pfRTF) ? kRtfSpace : " ");
    AddRunText(" ");
  }
  if (moveNode) {
    // A move goes into the runs as one move run, not as characters.
    SinkWrite(text);
    if (runs_) {
      const MoveRec &move = moveNode->move;
      TextRunRec run;
      run.kind = rkMove;
      run.value1 = moveNode->nodeNumber;
      run.value2 =
          static_cast<std::uint16_t>(2 * (std::max<int>(move.moveNumber, 1) - 1) + (move.colour & 1) + 1);
      run.text = text.substr(0, TextRunListO::kMaxText);
      runs_->Add(run);
    }
  } else {
    Write(text);
  }
  const std::int64_t column = column_ + len + (separate ? 1 : 0);
  column_ = column > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(column);
}

void GameTextWriter::WriteTags(GameO &game) {
  const GameInfoO &info = game.GameInfo();
  for (int i = 1; i <= info.TagCount(); ++i) {
    std::string name = info.TagName(i);
    std::string value = info.TagValue(i);
    if (IsFormat(pfPGN)) {
      name = PgnTagName(name);
    } else {
      name = TagNameToCaption(name, language_);
    }
    if (IsFormat(pfPGN) || IsFormat(pfText) || IsFormat(pfList)) {
      name = BlankControls(name);
      value = PgnTagValue(BlankControls(value));
    } else {
      name = Escape(name);
      value = Escape(value);
    }
    WriteLn("[" + name + " \"" + value + "\"]");
  }
}

void GameTextWriter::WriteGame(GameO &game, const PrintGameOptionsRec &options) {
  options_ = options;
  if (IsFormat(pfPGN)) {
    // PGN has one bracket and one comment form.
    options_.commentBraces = 1;
    options_.squareBrackets = 0;
  }
  if (IsFormat(pfRTF)) {
    options_.font.rtfPrefix = "\\f1 ";
    options_.font.rtfSuffix = "\\f0 ";
  }
  column_ = 0;
  game.UpdateStandardTags();

  if (IsFormat(pfRTF)) {
    SinkWrite(options_.rtfHeader);
    SinkWrite(RtfFontSize(0, options_.gameFontSize) + " ");
  }
  if (options_.writeTags) {
    WriteTags(game);
    NewParagraph();
  }
  if (IsFormat(pfRTF)) SinkWrite(options_.justify ? "\\qj " : "\\ql ");

  PositionO pos;
  pos.Assign(game.StartPosition());
  PosRec *root = game.Root();
  WriteAnnotations(game, root, options_.boldMainLine != 0, pos);
  if (root->ChildCount() > 0) WriteLine(game, root, 1, true, true, true, true, pos);

  std::string result = ResultText(game.Result());
  if (options_.boldMainLine) {
    if (IsFormat(pfRTF))
      result = "\\b " + result + "\\b0 ";
    else if (IsFormat(pfHTML))
      result = "<b>" + result + "</b>";
  }
  WriteToken(result, true);
  NewParagraph();
  if (IsFormat(pfRTF) && !options_.rtfHeader.empty()) SinkWrite(RtfFooter());
}

// One line from child childIndex of node: each move with its annotations,
// the alternatives of each move in brackets (when asked), then the main
// continuation. pos is the position at node and is left so.
void GameTextWriter::WriteLine(GameO &game, PosRec *node, int childIndex, bool alternatives, bool forceNumber,
                               bool separate, bool mainLine, PositionO &pos) {
  std::vector<const MoveRec *> made;
  const bool bold = options_.boldMainLine && mainLine;
  for (;;) {
    PosRec *child = node->Child(childIndex);
    if (!child->legal) break;
    WriteMove(child, bold, forceNumber, separate);
    separate = true;
    pos.MakeMove(child->move);
    made.push_back(&child->move);
    WriteAnnotations(game, child, bold, pos);

    bool variations = false;
    if (alternatives && node->ChildCount() > 1) {
      pos.UnmakeMove(child->move);
      for (int k = 1; k <= node->ChildCount(); ++k) {
        if (k == childIndex || !node->Child(k)->legal) continue;
        if (!variations && options_.variationsOnNewLine) {
          NewParagraph();
          if (options_.blankLineAroundVariations) NewParagraph();
        }
        variations = true;
        WriteToken(options_.squareBrackets ? "[" : "(", true);
        WriteLine(game, node, k, false, true, false, false, pos);
        WriteToken(options_.squareBrackets ? "]" : ")", false);
      }
      if (variations && options_.variationsOnNewLine) {
        NewParagraph();
        if (options_.blankLineAroundVariations) NewParagraph();
      }
      pos.MakeMove(child->move);
    }
    if (child->ChildCount() == 0) break;
    node = child;
    childIndex = 1;
    alternatives = true;
    forceNumber = variations;
  }
  for (auto it = made.rbegin(); it != made.rend(); ++it) pos.UnmakeMove(**it);
}

void GameTextWriter::WriteMove(const PosRec *child, bool bold, bool forceNumber, bool separate) {
  const MoveRec &move = child->move;
  const bool white = move.colour == cWhite;
  if (white || forceNumber) {
    WriteToken(Bold(std::to_string(move.moveNumber) + (white ? "." : "..."), bold), separate);
    separate = true;
  }
  DisplayOptionsRec display = MoveDisplay();
  display.bold = bold && (display.rtf || display.html);
  std::string text;
  move.ToText(mtShort, MoveLanguage(), &display, text);

  Token(text, separate, child);
}

std::string GameTextWriter::Bold(const std::string &text, bool bold) const {
  return bold ? Bold(text) : text;
}

void GameTextWriter::WriteAnnotations(GameO &game, const PosRec *node, bool bold, const PositionO &pos) {
  for (int i = 1; i <= node->nags.Count(); ++i) WriteNag(node->nags.Get(i), bold);
  if (options_.diagrams && node->nags.IndexOf(kDiagramNag) > 0) WriteDiagram(game, node, pos);
  if (!node->Comment().empty()) WriteComment(node->Comment());
}

void GameTextWriter::WriteNag(int nag, bool bold) {
  if (!sink_) {
    AddRunText(" $" + std::to_string(nag));
    return;
  }
  if (IsFormat(pfPGN)) {
    WriteToken("$" + std::to_string(nag), true);
    return;
  }
  const int slot = NagFontSymbol(nag);
  if (slot < 0) return;
  const ChessFontInfoRec &font = options_.font;
  const bool fontSymbol = font.hasSymbols && font.symbols[slot].present;
  std::string text;
  if (IsFormat(pfRTF) && fontSymbol) {
    text = "\\f1 " + NagSymbolRtf(nag, font) + "\\f0 ";
  } else if (IsFormat(pfList) && fontSymbol && font.symbols[slot].code > 0 && font.symbols[slot].code < 256) {
    text = std::string(1, static_cast<char>(font.symbols[slot].code));
  } else {
    text = Escape(NagSymbolText(nag));
  }
  WriteToken(Bold(text, bold), !IsMoveMark(nag));
}

void GameTextWriter::WriteComment(const std::string &comment) {
  if (!sink_) {
    AddRunText(" {" + comment + "}");
    return;
  }
  const bool braces = options_.commentBraces != 0;
  std::string text = BlankControls(comment);
  if (braces) {
    // A "}" would end the comment early when the text is read back.
    for (char &c : text)
      if (c == '}') c = ')';
  }
  text = Escape(text);
  const std::string open = braces ? (IsFormat(pfRTF) ? kRtfOpenBrace : "{") : "";
  const std::string close = braces ? (IsFormat(pfRTF) ? kRtfCloseBrace : "}") : "";
  if (EffectiveWidth() <= 0) {
    WriteToken(open + text + close, true);
    return;
  }
  std::vector<std::string> words = SplitWords(text);
  words.front() = open + words.front();
  words.back() += close;
  for (const std::string &word : words) WriteToken(word, true);
}

void GameTextWriter::DiagramCaption(GameO &game, const PosRec *node, const PositionO &pos, std::string &top,
                                    std::string &bottom) const {
  top.clear();
  bottom.clear();
  if (!options_.diagramCaption) return;
  if (options_.captionTop == dcPlayers) top = Escape(game.PlayersLine());
  bottom = DiagramBottomText(options_.captionKind, *node, pos.SideToMove(), language_, MoveDisplay());
}

void GameTextWriter::WriteDiagram(GameO &game, const PosRec *node, const PositionO &pos) {
  if (!sink_) {
    AddRunText(" <Diagram>");
    return;
  }
  if (!IsFormat(pfRTF) && !IsFormat(pfHTML)) return;
  std::string top, bottom;
  DiagramCaption(game, node, pos, top, bottom);
  std::string s;
  if (IsFormat(pfRTF)) {
    const std::string text = RtfFontSize(0, options_.gameFontSize);
    const std::string diagram = RtfFontSize(2, options_.diagramFontSize);
    s = "\\par\\qc ";
    if (!top.empty()) s += text + " " + top + "\\par ";
    s += diagram + " " + RtfDiagram(pos, options_.diagramFont, options_.diagramCoordinates != 0);
    if (!bottom.empty()) s += text + " " + bottom + "\\par ";
    s += text + (options_.justify ? "\\qj " : "\\ql ");
  } else {
    s = "\r\n<CENTER>\r\n";
    if (!top.empty()) s += top + "<BR>\r\n";
    s += HtmlDiagram(pos, options_.imageFolder, options_.htmlBorderWidth);
    if (!bottom.empty()) s += bottom + "<BR>\r\n";
    s += "</CENTER>\r\n";
  }
  Write(s);
  column_ = 0;
}

// ---- Exporters

void WriteText(GameO &game, OutputO &sink, const PrintGameOptionsRec &options, LanguageId language,
               TextRunListO *runs) {
  GameTextWriter writer;
  writer.Init(&sink, runs);
  writer.SetOptions(language);
  writer.WriteGame(game, options);
  writer.Done();
}

std::string ToText(GameO &game, const PrintGameOptionsRec &options, LanguageId language) {
  OutputO out;
  out.InitString();
  WriteText(game, out, options, language);
  return out.GetString();
}

std::string ExportListText(GameO &game, LanguageId language, bool symbolic, const ChessFontInfoRec *font) {
  PrintGameOptionsRec o;
  o.format = pfList;
  o.width = 0;
  o.writeTags = 0;
  o.commentBraces = 1;
  o.listSymbolic = symbolic ? 1 : 0;
  if (font) o.font = *font;
  return ToText(game, o, language);
}

std::string ExportPlainText(GameO &game, const PrintGameOptionsRec &options, LanguageId language) {
  PrintGameOptionsRec o = options;
  o.format = pfText;
  return ToText(game, o, language);
}

std::string ExportRtf(GameO &game, const PrintGameOptionsRec &options, LanguageId language) {
  PrintGameOptionsRec o = options;
  o.format = pfRTF;
  return ToText(game, o, language);
}

bool ExportToFile(GameO &game, const std::string &path, const PrintGameOptionsRec &options,
                  LanguageId language) {
  OutputO out;
  if (!out.InitFile(path)) return false;
  WriteText(game, out, options, language);
  return out.Done();
}
