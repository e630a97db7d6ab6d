// The notation writer on every game the reader accepts. The first byte picks
// the PGN line width (0: none); the rest is read as one game. Its PGN must
// keep within the width unless a line is one token, read back as the same
// tree, tags, start and result, and write again to the same bytes. The other
// formats are written with every option on and must not fail.
#include <cstddef>
#include <cstdint>
#include <string>

#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "foundation/LangMan.h"

namespace {

void Check(bool ok) {
  if (!ok) __builtin_trap();
}

// A comment as it reads back: control characters as blanks (CR LF as one),
// "}" as ")", trimmed.
std::string ReadBack(const std::string &comment) {
  std::string r;
  for (std::size_t i = 0; i < comment.size(); ++i) {
    const auto c = static_cast<unsigned char>(comment[i]);
    if (c == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') continue;
    r += c < 32 ? ' ' : c == '}' ? ')' : comment[i];
  }
  const std::size_t a = r.find_first_not_of(' ');
  return a == std::string::npos ? std::string() : r.substr(a, r.find_last_not_of(' ') - a + 1);
}

std::string Text(const PosRec *n) {
  std::string s = n->parent ? n->move.ToText(mtCoordinate) : std::string();
  for (int i = 1; i <= n->nags.Count(); ++i) s += "$" + std::to_string(n->nags.Get(i));
  s += "{" + ReadBack(n->Comment()) + "}(";
  for (auto &c : n->children) s += Text(c.get());
  return s + ")";
}

std::string Snapshot(const GameO &g) {
  std::string s = Text(g.Root()) + g.StartPosition().GetFEN() + std::to_string(g.Result());
  for (int i = 1; i <= g.GameInfo().TagCount(); ++i)
    s += g.GameInfo().TagName(i) + "=" + g.GameInfo().TagValue(i) + ";";
  return s;
}

void CheckWidth(const std::string &pgn, int width) {
  if (width <= 0) return;
  std::size_t start = 0;
  while (start < pgn.size()) {
    std::size_t end = pgn.find("\r\n", start);
    if (end == std::string::npos) end = pgn.size();
    const std::string line = pgn.substr(start, end - start);
    // One token: a word, after the further blanks of a run in a comment.
    Check(line.size() <= static_cast<std::size_t>(width) || line[0] == '[' ||
          line.find(' ', line.find_first_not_of(' ')) == std::string::npos);
    start = end + 2;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1 || size > 8192) return 0;
  const int width = data[0] % 101;
  const std::string text(reinterpret_cast<const char *>(data + 1), size - 1);
  GameO game;
  ParseResultT result;
  if (!game.ReadFromString(text, LangEnglish, result)) return 0;

  const std::string pgn = ToText(game, PgnOptions(width), LangEnglish);
  CheckWidth(pgn, width);
  GameO back;
  Check(back.ReadFromString(pgn, LangEnglish, result));
  Check(Snapshot(back) == Snapshot(game));
  Check(ToText(back, PgnOptions(width), LangEnglish) == pgn);

  PrintGameOptionsRec o;
  o.width = width;
  o.diagrams = o.diagramCaption = o.figurines = o.boldMainLine = 1;
  o.variationsOnNewLine = o.blankLineAroundVariations = o.squareBrackets = 1;
  o.captionTop = dcPlayers;
  o.captionKind = static_cast<std::uint8_t>(1 + width % 2);
  o.rtfHeader = RtfHeader("Arial", "Arial", "Arial");
  for (std::uint8_t format : {pfText, pfRTF, pfHTML, pfList}) {
    o.format = format;
    // Display runs for the plain formats (a run per character would pass
    // the list's limit on a long RTF or HTML text).
    const bool plain = format == pfText || format == pfList;
    TextRunListO runs;
    OutputO out;
    out.InitString();
    WriteText(game, out, o, LangDutch, plain ? &runs : nullptr);
    if (plain) {
      runs.Pack();
      Check(runs.PlainText() == out.GetString());
    }
  }
  return 0;
}
