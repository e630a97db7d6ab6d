// Reads every game of a PGN file through GameO::ReadFromInput:
//   pgn_parse FILE [LANGUAGE]
// LANGUAGE names the notation language of the moves (English by default).
// Each game that fails is printed with its number, the offset of the
// offending text and the message; reading goes on at the next game's first
// tag line. The last line is "N games read, M failed, R games/s".
#include <chrono>
#include <cstdio>
#include <string>

#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
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
  if (argc < 2) {
    std::fprintf(stderr, "usage: pgn_parse FILE [LANGUAGE]\n");
    return 2;
  }
  const LanguageId language = argc > 2 ? LangIdFromName(argv[2]) : LangEnglish;
  InputO in;
  if (!in.InitFile(argv[1])) {
    std::fprintf(stderr, "%s: cannot open (%d)\n", argv[1], in.Error());
    return 1;
  }
  long games = 0, failed = 0;
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
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (in.Error() != 0) std::fprintf(stderr, "%s: read error (%d)\n", argv[1], in.Error());
  std::printf("%ld games read, %ld failed, %.0f games/s\n", games, failed,
              seconds > 0 ? static_cast<double>(games) / seconds : 0.0);
  return in.Error() != 0 ? 1 : 0;
}
