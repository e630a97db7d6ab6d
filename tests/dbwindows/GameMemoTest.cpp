// The memo text of a game in a list window.
#include "dbwindows/GameMemo.h"

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "chess/Games.h"
#include "chess/PrintPGN.h"
#include "database/DatabaseMan.h"
#include "foundation/LangMan.h"

namespace {

TEST(GameMemo, TagLinesABlankLineAndTheMovesInTheInterfaceLanguage) {
  testutil::TempDir dir;
  DatabaseO db;
  bool importReport = false;
  ASSERT_TRUE(db.Open(dir.File("m.qcx"), nullptr, nullptr, importReport));
  ASSERT_EQ(db.SavePgnText(-1, "[Event \"Club\"]\r\n[White \"Smith\"]\r\n[Black \"Jones\"]\r\n[Result \"1-0\"]\r\n\r\n"
                               "1. e4 e5 2. Nf3 Nc6 1-0\r\n"),
            1);
  const LanguageId saved = ChessApp.InterfaceLanguage;
  for (LanguageId lang : {LangEnglish, LangDutch}) {
    ChessApp.InterfaceLanguage = lang;
    const std::string info = GameMemoText(db, 1, true, false);
    const std::string moves = GameMemoText(db, 1, false, true);
    const std::string both = GameMemoText(db, 1, true, true);
    EXPECT_NE(info.find("Smith"), std::string::npos);
    EXPECT_EQ(info.back(), '\n');
    EXPECT_EQ(info.find('\r'), std::string::npos);
    EXPECT_EQ(both, info + "\n" + moves);
    ParseResultT r;
    auto game = db.LoadGame(1, r);
    ASSERT_TRUE(game);
    EXPECT_EQ(moves, ExportListText(*game, lang, false, nullptr));
    // The knight's letter follows the language.
    EXPECT_NE(moves.find(lang == LangDutch ? "Pf3" : "Nf3"), std::string::npos) << moves;
    EXPECT_EQ(GameMemoText(db, 1, false, false), "");
  }
  ChessApp.InterfaceLanguage = saved;
}

}  // namespace
