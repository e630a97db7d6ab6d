// The PGN game reader: the fixture games, tree shapes, comments and NAGs,
// set-ups, tags, results and the error results.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "GameTestUtil.h"
#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"

using gametest::MainLinePlies;
using gametest::ReadFixtures;
using gametest::TreeText;

namespace {

struct Read {
  std::unique_ptr<GameO> game = std::make_unique<GameO>();
  ParseResultT result;
  bool ok = false;
};

Read ReadText(const std::string &text, LanguageId language = LangEnglish) {
  Read r;
  r.ok = r.game->ReadFromString(text, language, r.result);
  return r;
}

class FixtureTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { games_ = new std::vector<std::unique_ptr<GameO>>(ReadFixtures()); }
  static void TearDownTestSuite() {
    delete games_;
    games_ = nullptr;
  }
  // 1-based, as numbered in the file.
  GameO &Game(size_t n) { return *games_->at(n - 1); }
  static std::vector<std::unique_ptr<GameO>> *games_;
};
std::vector<std::unique_ptr<GameO>> *FixtureTest::games_ = nullptr;

}  // namespace

TEST_F(FixtureTest, EveryGameReadsWithItsLineAndResult) {
  ASSERT_EQ(games_->size(), 20u);
  const int plies[20] = {7, 4, 5, 4, 9, 5, 6, 2, 2, 15, 10, 4, 2, 3, 19, 3, 12, 2, 2, 0};
  const int results[20] = {0, 2, 1, 3, 3, 3, 3, 1, 3, 0, 2, 3, 3, 3, 1, 3, 0, 2, 3, 1};
  for (size_t i = 1; i <= 20; ++i) {
    SCOPED_TRACE("game " + std::to_string(i));
    EXPECT_EQ(MainLinePlies(Game(i)), plies[i - 1]);
    EXPECT_EQ(Game(i).Result(), results[i - 1]);
    EXPECT_EQ(Game(i).GetTag("Result"), ResultText(static_cast<std::uint8_t>(results[i - 1])));
    EXPECT_EQ(Game(i).IllegalCount(), 0);
    gametest::ExpectConsistent(Game(i));
  }
}

TEST_F(FixtureTest, NestedVariationsKeepTheirPlaces) {
  EXPECT_EQ(TreeText(Game(4)),
            "e2e4 (d2d4 d7d5 (g8f6 c2c4) c2c4) c7c5 (e7e5 g1f3 (f2f4 e5f4) b8c6) g1f3 d7d6");
  // Every variation of the deep nest is an alternative to the first move.
  EXPECT_EQ(TreeText(Game(13)), "e2e4 (d2d4) (c2c4) (g1f3) (g2g3) e7e5");
  EXPECT_EQ(Game(4).VariationCounter(), 4);
}

TEST_F(FixtureTest, CommentsInEveryPosition) {
  // Before the first move on the root; line breaks and tabs one blank each;
  // a second comment joined to the first.
  EXPECT_EQ(
      TreeText(Game(3)),
      "{Before the first move} d2d4 {A solid start} d7d5 {line comment} c2c4 {two lines and a tab joined} "
      "e7e6 b1c3 {last}");
  EXPECT_EQ(Game(3).CommentCount(), 5);
  // A comment at the start of a variation belongs to its first move.
  EXPECT_EQ(TreeText(Game(12)), "e2e4 e7e5 g1f3 (b1c3 {Also good is} g8f6 {and} f2f4) b8c6");
  // An empty variation's comment stays with the move it follows; a leading
  // NAG goes to the variation's first move.
  EXPECT_EQ(TreeText(Game(14)), "e2e4 {nothing here} e7e5 (c7c5 $5 g1f3) g1f3");
}

TEST_F(FixtureTest, SymbolsAndNags) {
  EXPECT_EQ(TreeText(Game(5)),
            "e2e4 $1 e7e5 $2 g1f3 $3 b8c6 $4 f1b5 $5 a7a6 $6 b5a4 $14 g8f6 $1 $18 e1g1 $220");
  EXPECT_EQ(TreeText(Game(19)), "d2d4 $10 $13 $255 $0 g8f6 $146");
}

TEST_F(FixtureTest, SetUpGamesStartFromTheirFen) {
  EXPECT_EQ(Game(6).StartPosition().GetFEN(), "8/8/8/4k3/8/8/4P3/4K3 w - - 0 1");
  EXPECT_EQ(Game(6).GetTag("SetUp"), "1");
  // Black to move at 30: the "SetUp" tag is added.
  EXPECT_EQ(Game(7).StartPosition().GetFEN(), "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30");
  EXPECT_EQ(Game(7).GetTag("SetUp"), "1");
  EXPECT_EQ(Game(7).Root()->Child(1)->move.moveNumber, 30);
  // A "SetUp" tag without "FEN" is removed.
  EXPECT_FALSE(Game(18).HasTag("SetUp"));
  EXPECT_TRUE(Game(18).StartPosition().IsStartPosition());
}

TEST_F(FixtureTest, TagsWithEscapesDigitsAndUnderscores) {
  EXPECT_EQ(Game(8).GetTag("Event"), "The \"Big\" Open");
  EXPECT_EQ(Game(8).GetTag("Site"), "C:\\chess\\club");
  EXPECT_EQ(Game(8).GetTag("Annotator"), "Quote\" ] inside");
  EXPECT_EQ(Game(9).GetTag("Custom_Tag1"), "digits and underscore");
  EXPECT_EQ(Game(9).GetTag("Round2"), "second");
  EXPECT_EQ(Game(1).PlayersLine(), "Jansen, Piet (1850) - de Vries, Anna (1720)");
  EXPECT_EQ(Game(20).PlayersLine(), "Nobody - ");
}

TEST_F(FixtureTest, GameFlagsOfTheMainLine) {
  int moves = 0;
  EXPECT_TRUE(Game(1).GameFlags(moves)[0]);  // mate
  EXPECT_EQ(moves, 3);
  EXPECT_TRUE(Game(16).GameFlags(moves)[1]);  // check
  EXPECT_TRUE(Game(15).GameFlags(moves)[2]);  // stalemate
  EXPECT_EQ(moves, 9);
  GameFlagSet f = Game(4).GameFlags(moves);
  EXPECT_FALSE(f[3]);
  EXPECT_TRUE(f[4]);
  f = Game(3).GameFlags(moves);
  EXPECT_TRUE(f[3]);
  EXPECT_FALSE(f[4]);
}

TEST_F(FixtureTest, SpecialMovesAndNotations) {
  // Castling both ways and a promotion; en passant and an underpromotion;
  // zeros for castling, long and coordinate notation.
  EXPECT_EQ(TreeText(Game(10)),
            "e2e4 d7d5 e4d5 c7c6 d5c6 g8f6 c6b7 c8d7 b7a8Q e7e5 g1f3 f8d6 f1e2 e8g8 e1g1");
  EXPECT_EQ(TreeText(Game(11)), "e2e4 a7a6 e4e5 d7d5 e5d6 g8f6 d6c7 d8d7 c7b8N a8b8");
  EXPECT_TRUE(Game(11).Root()->Child(1)->Child(1)->Child(1)->Child(1)->Child(1)->move.IsEnPassant());
  EXPECT_EQ(TreeText(Game(17)), "e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1 f8e7 d2d4 e5d4 f3d4 e8g8");
}

TEST_F(FixtureTest, WrittenBackEveryGameReadsAsTheSameTree) {
  // Through the notation writer's PGN: moves, variations, comments, NAGs,
  // tags (escapes included) and the set-up survive.
  for (size_t i = 1; i <= games_->size(); ++i) {
    SCOPED_TRACE("game " + std::to_string(i));
    const std::string text = ToText(Game(i), PgnOptions(79), LangEnglish);
    GameO again;
    ParseResultT r;
    ASSERT_TRUE(again.ReadFromString(text, LangEnglish, r)) << r.message << " at " << r.errorPos << "\n"
                                                            << text;
    EXPECT_EQ(TreeText(again), TreeText(Game(i)));
    EXPECT_EQ(again.StartPosition().GetFEN(), Game(i).StartPosition().GetFEN());
    EXPECT_EQ(again.Result(), Game(i).Result());
    for (int t = 1; t <= Game(i).GameInfo().TagCount(); ++t)
      EXPECT_EQ(again.GetTag(Game(i).GameInfo().TagName(t)), Game(i).GameInfo().TagValue(t));
  }
}

// ---------------------------------------------------------------- reading into a game

TEST(PgnReadTest, AfterReadingFirstChildrenAreSelectedAndTheMainLineIsSet) {
  Read r = ReadText("1. e4 (1. d4) e5 2. Nf3 *");
  ASSERT_TRUE(r.ok);
  GameO &g = *r.game;
  EXPECT_EQ(g.CurrentNode(), g.Root());
  EXPECT_EQ(g.PathMoves().Count(), 0);
  EXPECT_EQ(g.Root()->selectedChild, 1);
  EXPECT_EQ(g.Root()->Child(2)->selectedChild, 0);
  g.MainLineMoves();
  ASSERT_EQ(g.MainLine().Count(), 3);
  EXPECT_EQ(g.MainLine().At(3).ToText(mtCoordinate), "g1f3");
  EXPECT_TRUE(g.IsMainLineNode(g.Root()->Child(1)->Child(1)));
  EXPECT_FALSE(g.IsMainLineNode(g.Root()->Child(2)));
  EXPECT_EQ(g.ModifiedFlags(), 0);
  EXPECT_FALSE(g.GameInfo().Changed());
}

TEST(PgnReadTest, VariationReturnsToTheMoveItWasAnAlternativeTo) {
  Read r = ReadText("1. e4 (1. d4 (1. c4) 1... d5) 1... e5 *");
  ASSERT_TRUE(r.ok) << r.result.message;
  EXPECT_EQ(TreeText(*r.game), "e2e4 (d2d4 d7d5) (c2c4) e7e5");
  // Without move numbers for Black.
  r = ReadText("1. e4 (1. d4 d5) e5");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(TreeText(*r.game), "e2e4 (d2d4 d7d5) e7e5");
}

TEST(PgnReadTest, ControlCharactersBecomeBlanks) {
  // In tag values, escaped or not; a tab in a ";" comment.
  Read r = ReadText("[Event \"a\x01" "b\\\x02" "c\"]\n[Site \"x\ty\"]\n\n1. e4 ; one\ttwo\n1... e5 *");
  ASSERT_TRUE(r.ok) << r.result.message;
  EXPECT_EQ(r.game->GetTag("Event"), "a b c");
  EXPECT_EQ(r.game->GetTag("Site"), "x y");
  EXPECT_EQ(TreeText(*r.game), "e2e4 {one two} e7e5");
}

TEST(PgnReadTest, ResultFromTokenOrTag) {
  Read r = ReadText("[Result \"1-0\"]\n1. e4 e5");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.game->Result(), resWhiteWins);
  r = ReadText("[Result \"won\"]\n1. e4 e5");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.game->Result(), resUnknown);
  EXPECT_EQ(r.game->GetTag("Result"), "*");
  // The token wins over the tag.
  r = ReadText("[Result \"1-0\"]\n1. e4 e5 0-1");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.game->Result(), resBlackWins);
  EXPECT_EQ(r.game->GetTag("Result"), "0-1");
  // No tag: added.
  r = ReadText("1. e4 e5 2. Nf3 *");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(r.game->GameInfo().TagCount(), 1);
  EXPECT_EQ(MainLinePlies(*r.game), 3);
}

TEST(PgnReadTest, NotationLanguages) {
  Read r = ReadText("1. e4 e5 2. Pf3 Pc6 3. Lb5 *", LangDutch);
  ASSERT_TRUE(r.ok) << r.result.message;
  EXPECT_EQ(TreeText(*r.game), "e2e4 e7e5 g1f3 b8c6 f1b5");
  r = ReadText("1. e4 e5 2. Sf3 *", LangGerman);
  ASSERT_TRUE(r.ok);
  r = ReadText("1. e4 e5 2. Sf3 *", LangEnglish);
  EXPECT_FALSE(r.ok);
}

TEST(PgnReadTest, SymbolRunsThatAreNoSymbolGiveNagZero) {
  Read r = ReadText("1. e4!!! e5?? *");
  ASSERT_TRUE(r.ok);
  EXPECT_EQ(TreeText(*r.game), "e2e4 $0 e7e5 $4");
}

TEST(PgnReadTest, GamesFollowEachOtherInOneInput) {
  InputO in;
  in.InitString("[White \"a\"]\n1. e4 1-0\n\n[White \"b\"]\n1. d4 d5 0-1\n");
  PGNParserO parser;
  GameO one, two;
  ParseResultT r;
  ASSERT_TRUE(parser.ParseGame(in, one, r));
  ASSERT_TRUE(parser.ParseGame(in, two, r));
  EXPECT_EQ(one.GetTag("White"), "a");
  EXPECT_EQ(two.GetTag("White"), "b");
  EXPECT_EQ(two.Result(), resBlackWins);
}

TEST(PgnReadTest, FailedReadLeavesTheGameAsItWas) {
  Read r = ReadText("[White \"kept\"]\n1. e4 {c} (1. d4) e5 *");
  ASSERT_TRUE(r.ok);
  r.game->GoForward(1);
  const std::string before = TreeText(*r.game);
  ParseResultT result;
  EXPECT_FALSE(r.game->ReadFromString("[White \"new\"]\n1. e4 e5 2. Ke3 *", LangEnglish, result));
  EXPECT_EQ(TreeText(*r.game), before);
  EXPECT_EQ(r.game->GetTag("White"), "kept");
  EXPECT_EQ(r.game->PathMoves().Count(), 1);
  gametest::ExpectConsistent(*r.game);
}

TEST(PgnReadTest, KeepingThePartialGame) {
  // An error inside a variation: the game up to it, finished as a read
  // game is, the variation still a variation, first children selected.
  struct Case {
    const char *text;
    int mainPlies;
  };
  for (const Case c : {Case{"[White \"w\"]\n1. e4 e5 2. Nf3 (2. f4 exf4 3. Zz) Nc6 *", 3},
                       Case{"1. d4 d5 2. c4 Qxq7 *", 3}, Case{"1. e4 {open} e5 {", 2}}) {
    Read r = ReadText("1. a4 *");
    ASSERT_TRUE(r.ok);
    r.game->SetModified(mfEdited);
    ParseResultT result;
    EXPECT_FALSE(r.game->ReadFromString(c.text, LangEnglish, result, true)) << c.text;
    EXPECT_EQ(result.ok, 0) << c.text;
    EXPECT_EQ(gametest::MainLinePlies(*r.game), c.mainPlies) << c.text;
    EXPECT_FALSE(r.game->CanGoBack()) << c.text;
    EXPECT_EQ(r.game->ModifiedFlags(), 0) << c.text;
    gametest::ExpectConsistent(*r.game);
    // The same text read without keeping: the game stays.
    Read kept = ReadText("1. a4 *");
    EXPECT_FALSE(kept.game->ReadFromString(c.text, LangEnglish, result));
    EXPECT_EQ(gametest::TreeText(*kept.game), gametest::TreeText(*ReadText("1. a4 *").game));
  }
  Read r = ReadText("1. a4 *");
  ParseResultT result;
  EXPECT_FALSE(r.game->ReadFromString("[White \"w\"]\n1. e4 e5 2. Nf3 (2. f4 exf4 3. Zz) Nc6 *", LangEnglish, result, true));
  EXPECT_EQ(r.game->GetTag("White"), "w");
  GameO &g = *r.game;
  ASSERT_EQ(g.ChildCount(), 1);
  g.GoForward(1);
  g.GoForward(1);
  ASSERT_EQ(g.ChildCount(), 2);  // 2. Nf3, and 2. f4 as its variation
  EXPECT_EQ(g.SelectedChild(), 1);
  EXPECT_EQ(g.ChildMoveText(1, mtShort, LangEnglish), "Nf3");
  EXPECT_TRUE(g.ChildOnMainLine(1));
  EXPECT_FALSE(g.ChildOnMainLine(2));
  EXPECT_TRUE(g.ChildHasContinuation(2));
  // A text that reads is read as before.
  EXPECT_TRUE(g.ReadFromString("1. c4 *", LangEnglish, result, true));
  EXPECT_EQ(gametest::MainLinePlies(g), 1);
}

TEST(PgnReadTest, HeaderAlone) {
  GameInfoO info;
  info.SetGameNr(12);
  EXPECT_TRUE(ReadHeaderFromString(info, "[Event \"E\"]\n[Result \"1/2-1/2\"]\n1. e4"));
  EXPECT_EQ(info.TagCount(), 2);
  EXPECT_EQ(info.Result(), resDraw);
  EXPECT_EQ(info.GameNr(), 12u);
  EXPECT_FALSE(ReadHeaderFromString(info, "[Event \"E\""));
  EXPECT_EQ(info.GetTag("Event"), "E");
}

// ---------------------------------------------------------------- errors

namespace {

struct Failure {
  std::string text;
  int pos;
  int length;
  std::string message;
};

void ExpectFailure(const Failure &f) {
  SCOPED_TRACE(f.text);
  Read r = ReadText(f.text);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.result.ok, 0);
  EXPECT_EQ(r.result.errorPos, f.pos);
  EXPECT_EQ(r.result.errorLength, f.length);
  EXPECT_EQ(r.result.message, f.message);
}

const std::string kBadMove = "Could not interprete ";

}  // namespace

TEST(PgnErrorTest, MovesThatDoNotRead) {
  ExpectFailure({"1. Nf6 *", 3, 3, kBadMove + "Nf6 to move"});
  ExpectFailure({"1. e4 e5 2. Qxf7 *", 12, 4, kBadMove + "Qxf7 to move"});
  // A character that starts no element is the offending text itself, and
  // a "%" in it is plain text.
  ExpectFailure({"1. e4 %s *", 6, 1, kBadMove + "% to move"});
  ExpectFailure({"1. e4 ... e5", 6, 1, kBadMove + ". to move"});
}

TEST(PgnErrorTest, Nags) {
  ExpectFailure({"1. e4 $ e5 *", 6, 1, "Nag value expected"});
  ExpectFailure({"1. e4 $256 *", 6, 4, "Nag value expected"});
  ExpectFailure({"1. e4 $99999999999999999999 *", 6, 21, "Nag value expected"});
}

TEST(PgnErrorTest, MissingCharacters) {
  // "]", a closing quote, "}", ")".
  ExpectFailure({"[White \"x\" [Black \"y\" 1. e4", 27, 1, ""});
  ExpectFailure({"[White \"x", 9, 1, ""});
  ExpectFailure({"[Foo-Bar \"x\"]", 4, 1, ""});
  ExpectFailure({"1. e4 {open", 11, 1, ""});
  ExpectFailure({"1. e4 (1. d4 *", 13, 1, ""});
  ExpectFailure({"1. e4 (1. d4", 12, 1, ""});
}

TEST(PgnErrorTest, VariationWithoutAMoveBeforeIt) {
  ExpectFailure({"( 1. e4 ) *", 0, 1, ""});
  ExpectFailure({"1. e4 ((1. d4) ) *", 7, 1, ""});
  ExpectFailure({"{c} (1. e4) *", 4, 1, ""});
}

TEST(PgnErrorTest, TextAfterTheMainLine) {
  ExpectFailure({"1. e4 ) e5 *", 6, 1, "Game termination expected"});
  ExpectFailure({"1. e4 (1. d4) ) *", 14, 1, "Game termination expected"});
}

TEST(PgnErrorTest, MovesPastMove255) {
  const std::string fen = "[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 255\"]\n";
  // White's 255th move is the last one a game can hold.
  Read r = ReadText(fen + "255. Kd2 *");
  EXPECT_TRUE(r.ok) << r.result.message;
  // Black's would need move 256: the reason, not an unreadable move.
  ExpectFailure({fen + "255. Kd2 Kd7 *", static_cast<int>(fen.size()) + 9, 3, CommonText::S_LastMoveNumber});
}

TEST(PgnErrorTest, InvalidFenTagFailsWithTheReason) {
  auto refused = [](const std::string &reason) {
    return SubstituteText(CommonText::S_FenTagImpossible, reason);
  };
  const std::string fen = "8/8/8/8/8/8/8/8 w - - 0 1";
  ExpectFailure({"[Event \"x\"]\n[FEN \"" + fen + "\"]\n1. e4 *", 18, static_cast<int>(fen.size()),
                 refused(CommonText::S_FenKings)});
  ExpectFailure({"[FEN \"\"]\n*", 6, 1, refused(CommonText::S_FenNotReadable)});
  ExpectFailure({"[FEN \"4k3/8/8/8/8/8/8/4K3 x - - 0 1\"]\n*", 6, 29, refused(CommonText::S_FenNotReadable)});
  // Two white kings.
  ExpectFailure({"[FEN \"4k3/8/8/8/8/8/8/3KK3 w - - 0 1\"]\n*", 6, 30, refused(CommonText::S_FenKings)});
  // Nine black pawns; two extra white queens with eight pawns.
  ExpectFailure(
      {"[FEN \"4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1\"]\n*", 6, 37, refused(CommonText::S_FenTooManyMen)});
  ExpectFailure(
      {"[FEN \"QQ2k3/8/8/8/8/8/PPPPPPPP/4K3 w - - 0 1\"]\n*", 6, 38, refused(CommonText::S_FenTooManyMen)});
  // A long castling right for Black without the a8 rook, as in real studies.
  ExpectFailure({"[FEN \"4k2r/8/8/8/8/8/8/4K3 w kq - 0 1\"]\n*", 6, 31, refused(CommonText::S_FenCastling)});
  // White to move with Black in check.
  ExpectFailure({"[FEN \"4k3/8/8/8/8/8/8/K3R3 w - - 0 1\"]\n*", 6, 30, refused(CommonText::S_FenCheck)});
  // Black to move at 255 is a position a game can start from.
  Read r = ReadText("[FEN \"4k3/8/8/8/8/8/8/4K3 b - - 0 255\"]\n*");
  EXPECT_TRUE(r.ok) << r.result.message;
}

TEST(PgnErrorTest, ErrorTextNamesTheLine) {
  InputO in;
  in.InitString("[Event \"x\"]\n\n1. e4 e5\r\n2. Nf6 *");
  PGNParserO parser;
  GameO game;
  ParseResultT r;
  EXPECT_FALSE(parser.ParseGame(in, game, r));
  EXPECT_EQ(parser.ErrorText(), "Parsing error ocurred in line 4:\rCould not interprete Nf6 to move");
  EXPECT_EQ(r.errorPos, 26);
}

TEST(PgnReadTest, DeepNestingAndLongLines) {
  // Twenty thousand nested variations: read without recursion.
  std::string text = "1. e4";
  for (int i = 0; i < 20000; ++i) text += " (1. d4";
  text += std::string(20000, ')') + " *";
  Read r = ReadText(text);
  ASSERT_TRUE(r.ok) << r.result.message;
  EXPECT_EQ(r.game->Root()->ChildCount(), 20001);
  // The longest line a game can hold ends with White's 255th move.
  text.clear();
  for (int n = 1; n <= 254; ++n) text += std::to_string(n) + (n % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
  r = ReadText(text + "255. Nf3 *");
  ASSERT_TRUE(r.ok) << r.result.message;
  EXPECT_EQ(MainLinePlies(*r.game), 509);
  r.game->GoToLineEnd();
  EXPECT_EQ(r.game->MoveNumber(), 255);
  gametest::ExpectConsistent(*r.game);
  r = ReadText(text + "255. Nf3 Nf6 *");
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.result.errorPos, static_cast<int>(text.size()) + 9);
  EXPECT_EQ(r.result.message, CommonText::S_LastMoveNumber);
}
