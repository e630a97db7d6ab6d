#include "dbwindows/GameMemo.h"

#include "appman/ChessAppMan.h"
#include "chess/Games.h"
#include "chess/InfoMan.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"

namespace {

std::string TagLines(DatabaseO &database, int32_t n) {
  std::string text;
  if (std::unique_ptr<GameInfoO> tags = database.GetGameTags(n)) {
    const StrListO lines = tags->TagLine(ChessApp.InterfaceLanguage);
    for (int i = 1; i <= lines.Count(); ++i) text += lines.Get(i) + "\n";
  }
  return text;
}

}  // namespace

std::string GameMemoText(DatabaseO &database, int32_t n, bool showInfo, bool showMoves) {
  std::string text;
  if (showInfo) {
    text = TagLines(database, n);
    if (showMoves) text += "\n";
  }
  if (!showMoves) return text;
  ParseResultT result;
  std::unique_ptr<GameO> game = database.LoadGame(n, result);
  if (!game) {
    if (!showInfo) text = TagLines(database, n) + "\n";
    // A read the store refused has shown its message; the memo still says
    // the game is not there.
    return text + (result.message.empty() ? CommonText::S_CouldNotParseGame : result.message);
  }
  const bool symbolic = ChessApp.UseFigurines && ChessApp.ApplicationFontHasFigurines;
  ChessFontInfoRec font;
  const bool hasFont = symbolic && ChessApp.Fonts().GetInfoByName(ChessApp.ApplicationFontName, font);
  return text + ExportListText(*game, ChessApp.InterfaceLanguage, symbolic, hasFont ? &font : nullptr);
}
