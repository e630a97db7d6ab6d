// Reads every game of a PGN file through GameO::ReadFromInput:
//   pgn_parse [--write OUT] FILE [LANGUAGE]
// LANGUAGE names the notation language of the moves (English by default).
// With --write every game read is written back to OUT as PGN (wrapped at 79
// columns, an empty line after each game), so that a collection can be
// round-tripped: writing OUT's games again gives the same bytes.
// Each game that fails is printed with its number, the offset of the
// offending text and the message; reading goes on at the next game's first
// tag line. The last line is "N games read, M failed, R games/s".
#include <cctype>
#include <chrono>
#include <cstdio>
#include <string>

#include "BenchArgs.h"
#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "foundation/LangMan.h"

namespace {

void SkipBlankText(InputO &in) {
  for (;;) {
    const char c = in.PeekChar(1);
    if (in.Eof() || (c != ' ' && c != '\t' && c != '\r' && c != '\n')) return;
    in.ReadChar();
  }
}

// The rest of the current line, with its line end.
void SkipLine(InputO &in) {
  while (!in.Eof()) {
    const char c = in.ReadChar();
    if (c == '\n') return;
    if (c == '\r') {
      if (!in.Eof() && in.PeekChar(1) == '\n') in.ReadChar();
      return;
    }
  }
}

// After a failure: the rest of the line, the failed game's remaining tag
// lines, then everything up to the next line that starts with "[".
void SkipToNextGame(InputO &in) {
  SkipLine(in);
  while (!in.Eof() && in.PeekChar(1) == '[') SkipLine(in);
  while (!in.Eof() && in.PeekChar(1) != '[') SkipLine(in);
}

}  // namespace

int main(int argc, char **argv) {
  const char *const usage = "pgn_parse [--write OUT] FILE [LANGUAGE]";
  std::string outPath;
  int arg = 1;
  if (argc > 1 && std::string(argv[1]) == "--write") {
    if (argc < 3 || IsOption(argv[2])) Usage(usage);
    outPath = argv[2];
    arg = 3;
  }
  // FILE and an optional language name, nothing else and no options.
  if (argc <= arg || argc > arg + 2) Usage(usage);
  for (int i = arg; i < argc; ++i)
    if (IsOption(argv[i])) Usage(usage);
  const char *inPath = argv[arg];
  LanguageId language = LangEnglish;
  if (argc > arg + 1) {
    // A name that stands for no language reads as English: only English
    // itself may do so.
    language = LangIdFromName(argv[arg + 1]);
    std::string name = argv[arg + 1];
    for (char &c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (language == LangEnglish && name != "english") Usage(usage);
  }
  InputO in;
  if (!in.InitFile(inPath)) {
    std::fprintf(stderr, "%s: cannot open (%d)\n", inPath, in.Error());
    return 1;
  }
  OutputO out;
  if (!outPath.empty() && !out.InitFile(outPath)) {
    std::fprintf(stderr, "%s: cannot create (%d)\n", outPath.c_str(), out.Error());
    return 1;
  }
  const PrintGameOptionsRec pgn = PgnOptions(79);
  long games = 0, failed = 0;
  double writing = 0;
  GameO game;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    SkipBlankText(in);
    if (in.Eof()) break;
    ++games;
    ParseResultT result;
    if (!game.ReadFromInput(in, language, result)) {
      ++failed;
      std::printf("game %ld: offset %d: %s\n", games, result.errorPos,
                  result.message.empty() ? "expected character missing" : result.message.c_str());
      SkipToNextGame(in);
    } else if (!outPath.empty()) {
      const auto before = std::chrono::steady_clock::now();
      WriteText(game, out, pgn, LangEnglish);
      out.NewLine();
      writing += std::chrono::duration<double>(std::chrono::steady_clock::now() - before).count();
    }
  }
  // Reading speed without the time spent writing.
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() - writing;
  if (in.Error() != 0) std::fprintf(stderr, "%s: read error (%d)\n", inPath, in.Error());
  bool ok = in.Error() == 0;
  if (!outPath.empty()) {
    if (!out.Done()) {
      std::fprintf(stderr, "%s: write error (%d)\n", outPath.c_str(), out.Error());
      ok = false;
    } else {
      std::printf("%ld games written, %.0f games/s\n", games - failed,
                  writing > 0 ? static_cast<double>(games - failed) / writing : 0.0);
    }
  }
  std::printf("%ld games read, %ld failed, %.0f games/s\n", games, failed,
              seconds > 0 ? static_cast<double>(games) / seconds : 0.0);
  return ok ? 0 : 1;
}
