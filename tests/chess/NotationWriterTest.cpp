// The notation writer: PGN round trips over the reader's fixture games, line
// width, golden texts of one annotated game in every format, escaping of game
// texts, variations and numbers, NAGs, illegal nodes, diagrams, display runs
// and the exporters.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "GameTestUtil.h"
#include "TestUtil.h"
#include "chess/Games.h"
#include "chess/IOMan.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "platform/Errors.h"
#include "platform/Files.h"

using gametest::ReadFixtures;
using gametest::TreeText;

namespace {

std::unique_ptr<GameO> Parse(const std::string &text) {
  auto game = std::make_unique<GameO>();
  ParseResultT r;
  EXPECT_TRUE(game->ReadFromString(text, LangEnglish, r)) << r.message << " at " << r.errorPos << "\n"
                                                          << text;
  return game;
}

std::string Pgn(GameO &game, int width = 79) { return ToText(game, PgnOptions(width), LangEnglish); }

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) {
      if (start < text.size()) lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
}

// Every line within the width unless it is one token (a tag line is one).
void ExpectWithinWidth(const std::string &pgn, std::size_t width) {
  for (const std::string &line : Lines(pgn)) {
    if (line.size() <= width || line[0] == '[') continue;
    EXPECT_EQ(line.find(' '), std::string::npos) << "line of " << line.size() << ": " << line;
  }
}

std::string Tags(const GameO &game) {
  std::string s;
  const GameInfoO &info = game.GameInfo();
  for (int i = 1; i <= info.TagCount(); ++i) s += info.TagName(i) + "=" + info.TagValue(i) + "|";
  return s;
}

std::string GoldenPath(const std::string &name) {
  const char *src = std::getenv("TV_SOURCE_DIR");
  if (src) return std::string(src) + "/tests/chess/golden/" + name;
  std::string here = __FILE__;
  return here.substr(0, here.find_last_of('/')) + "/golden/" + name;
}

// Compares with the golden file; TV_UPDATE_GOLDEN=1 rewrites it instead.
void ExpectGolden(const std::string &name, const std::string &text) {
  const std::string path = GoldenPath(name);
  if (std::getenv("TV_UPDATE_GOLDEN")) {
    ASSERT_TRUE(files::WriteAllAtomic(path, text));
    return;
  }
  std::string golden;
  ASSERT_TRUE(files::ReadAll(path, golden)) << path;
  EXPECT_EQ(text, golden) << name;
}

const char kAnnotated[] =
    "[Event \"Golden \\\"Cup\\\" <2024>\"]\n[Site \"K\xF8"
    "benhavn\"]\n[Date \"2024.03.01\"]\n"
    "[Round \"1\"]\n[White \"Smith, Al\"]\n[Black \"Doe & Co\"]\n[Result \"1-0\"]\n[WhiteElo \"2100\"]\n\n"
    "{Start here} 1. e4! e5 (1... c5 {Sicilian} 2. Nf3 (2. c3 d5) 2... d6) 2. Nf3 Nc6 3. Bb5 $14 "
    "{The Spanish game, one of the oldest openings, still popular at every level of play} a6 "
    "4. Ba4 Nf6 5. O-O $220 Be7 $13 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 10. d4 Nbd7 "
    "11. c4 c6 12. cxb5 axb5 13. Nc3 Bb7 14. Bg5 b4 15. Nb1 h6 16. Bh4 c5 17. dxe5 Nxe4 "
    "18. Bxe7 Qxe7 19. exd6 Qf6 20. Nbd2 Nxd6 21. Nc4 Nxc4 22. Bxc4 Nb6 23. Ne5 Rae8 "
    "24. Bxf7+ Rxf7 25. Nxf7 Rxe1+ 26. Qxe1 Kxf7 27. Qe3 Qg5 28. Qxg5 hxg5 29. b3 Ke6 "
    "30. a3 Kd6 31. axb4 cxb4 32. Ra5 Nd5 33. f3 Bc8 34. Kf2 Bf5 35. Ra7 g6 36. Ra6+ Kc5 "
    "37. Ke1 Nf4 38. g3 Nxh3 39. Kd2 Kb5 40. Rd6 Kc5 41. Ra6 Nf2 42. g4 Bd3 43. Re6 1-0";

// The annotated game with a comment holding every character a format must
// escape, and a non-ASCII byte.
std::unique_ptr<GameO> AnnotatedGame() {
  auto game = Parse(kAnnotated);
  PosRec *e5 = game->Root()->Child(1)->Child(1);
  game->SetCommentOf(e5, "Open game: a}b \\ {c} <i> & \"q\" caf\xE9");
  return game;
}

// A stub chess font: figurines, a few annotation symbols and diagram glyphs.
ChessFontInfoRec StubFont() {
  ChessFontInfoRec f;
  f.faceName = "Stub";
  f.hasFigurines = true;
  for (int p = 1; p <= 6; ++p) {
    f.figurines[p][0] = 0xC0 + p;
    f.figurines[p][1] = 0xD0 + p;
  }
  f.hasSymbols = true;
  f.symbols[14] = {true, '!'};   // good move
  f.symbols[26] = {true, 0xB1};  // slight advantage for White
  f.symbols[29] = {true, '~'};   // unclear
  f.blankLight = ' ';
  f.blankDark = '+';
  const char light[2][7] = {{0, 'p', 'n', 'b', 'r', 'q', 'k'}, {0, 'o', 'm', 'v', 't', 'w', 'l'}};
  for (int c = 0; c < 2; ++c)
    for (int p = 1; p <= 6; ++p) {
      f.pieces[p][c][0] = light[c][p];
      f.pieces[p][c][1] = light[c][p] - 32;  // upper case on dark squares
    }
  const char border[] = "1234578\\";
  for (int i = 0; i < 8; ++i) f.border[i] = border[i];
  for (int i = 1; i <= 8; ++i) {
    f.borderW[i] = 0xE0 + i;
    f.borderS[i] = 0xF0 + i;
  }
  f.hasCoordinates = true;
  return f;
}

// ---- PGN round trips

TEST(NotationWriterRoundTrip, EveryFixtureGameReadsBackTheSame) {
  std::vector<std::unique_ptr<GameO>> games = ReadFixtures();
  ASSERT_GE(games.size(), 20u);
  for (std::size_t i = 0; i < games.size(); ++i) {
    SCOPED_TRACE("fixture " + std::to_string(i + 1));
    GameO &first = *games[i];
    const std::string tree = TreeText(first);
    const std::string pgn = Pgn(first);
    ExpectWithinWidth(pgn, 79);
    auto second = Parse(pgn);
    EXPECT_EQ(TreeText(*second), tree) << pgn;
    EXPECT_EQ(Tags(*second), Tags(first)) << pgn;
    EXPECT_EQ(second->Result(), first.Result());
    EXPECT_EQ(second->StartPosition().GetFEN(), first.StartPosition().GetFEN());
    gametest::ExpectConsistent(*second);
    EXPECT_EQ(Pgn(*second), pgn);
    // Unwrapped, the game reads back the same too.
    auto flat = Parse(Pgn(first, 0));
    EXPECT_EQ(TreeText(*flat), tree);
  }
}

// What the reader makes of a comment or tag value the writer wrote: line
// breaks and other control characters as one blank each, trimmed; in a
// comment "}" as ")".
std::string AsReadBack(const std::string &comment, bool tag = false) {
  std::string r;
  for (std::size_t i = 0; i < comment.size(); ++i) {
    const auto c = static_cast<unsigned char>(comment[i]);
    if (c == '\r' && i + 1 < comment.size() && comment[i + 1] == '\n') continue;
    r += c < 32 ? ' ' : c == '}' && !tag ? ')' : comment[i];
  }
  const std::size_t a = r.find_first_not_of(' ');
  if (a == std::string::npos) return "";
  return r.substr(a, r.find_last_not_of(' ') - a + 1);
}

// Random trees with variations, NAGs and comments and tags of awkward
// bytes: what is written reads back the same, and writes the same again.
TEST(NotationWriterRoundTrip, RandomGamesReadBackTheSame) {
  std::mt19937 rng(20240301);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const std::string awkward =
      "}{\\\"();%[]$!? \t\r\n\x01\xE9\xFF"
      "ab";
  auto text = [&](int maxLen) {
    std::string s;
    for (int i = pick(maxLen + 1); i > 0; --i)
      s += pick(3) == 0 ? awkward[static_cast<std::size_t>(pick(static_cast<int>(awkward.size())))]
                        : static_cast<char>('a' + pick(26));
    return s;
  };
  for (int round = 0; round < 40; ++round) {
    SCOPED_TRACE(round);
    GameO game;
    game.AddTag("Event", text(20));
    game.AddTag("T_" + std::to_string(round), text(10));
    // Builds below the current node, depth first.
    std::function<void(int)> grow = [&](int plies) {
      const std::vector<MoveRec> moves = const_cast<PositionO &>(game.CurrentPosition()).MovesOfSideToMove();
      if (moves.empty() || plies == 0) return;
      const int children = plies > 4 && pick(4) == 0 ? 1 + pick(3) : 1;
      for (int c = 0; c < children; ++c) {
        const MoveRec move = moves[static_cast<size_t>(pick(static_cast<int>(moves.size())))];
        if (game.HasChildMove(move)) continue;
        game.AppendMove(move);
        ASSERT_TRUE(game.GoForward(game.ChildCount()));
        for (int n = pick(4) == 0 ? 1 + pick(3) : 0; n > 0; --n) game.AddNag(pick(256));
        if (pick(3) == 0) game.SetComment(text(30));
        grow(c == 0 ? plies - 1 : pick(plies));
        game.GoBack();
      }
    };
    if (pick(4) == 0) game.SetComment(text(15));
    grow(10 + pick(60));
    game.GoToStart();

    // The comments as the reader gets them back.
    std::vector<PosRec *> all{game.Root()};
    while (!all.empty()) {
      PosRec *n = all.back();
      all.pop_back();
      game.SetCommentOf(n, AsReadBack(n->Comment()));
      for (auto &c : n->children) all.push_back(c.get());
    }
    const std::string expected = TreeText(game);
    const std::string pgn = Pgn(game, 1 + pick(100));
    auto back = Parse(pgn);
    ASSERT_EQ(TreeText(*back), expected) << pgn;
    for (int i = 1; i <= game.GameInfo().TagCount(); ++i) {
      const std::string name = game.GameInfo().TagName(i);
      EXPECT_EQ(back->GetTag(name), AsReadBack(game.GameInfo().TagValue(i), true)) << name << "\n" << pgn;
    }
    EXPECT_EQ(Pgn(*back, 79), Pgn(game, 79));
  }
}

TEST(NotationWriterRoundTrip, WritingLeavesTheCurrentNode) {
  auto game = Parse("1. e4 e5 (1... c5) 2. Nf3 *");
  game->GoForward(1);
  game->GoForward(1);
  PosRec *at = game->CurrentNode();
  const std::string fen = game->CurrentPosition().GetFEN();
  Pgn(*game);
  EXPECT_EQ(game->CurrentNode(), at);
  EXPECT_EQ(game->CurrentPosition().GetFEN(), fen);
}

TEST(NotationWriterWidth, LongCommentsWrapAtBlanksAndReadBack) {
  std::string words;
  for (int i = 0; i < 60; ++i) words += "word" + std::to_string(i) + (i % 7 == 3 ? "   " : " ");
  const std::string longToken(120, 'x');
  auto game = Parse("1. e4 {" + words + "} e5 {" + longToken + "} 2. Nf3 *");
  for (int width : {20, 40, 79}) {
    SCOPED_TRACE(width);
    const std::string pgn = Pgn(*game, width);
    ExpectWithinWidth(pgn, static_cast<std::size_t>(width));
    auto back = Parse(pgn);
    EXPECT_EQ(TreeText(*back), TreeText(*game));
  }
  // The token longer than the width stands alone on its line.
  bool alone = false;
  for (const std::string &line : Lines(Pgn(*game, 40))) alone |= line == "{" + longToken + "}";
  EXPECT_TRUE(alone);
}

TEST(NotationWriterWidth, ExactlyTheWidthFitsAndNoLineStartsWithABlank) {
  auto game = Parse("1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 *");
  const std::string pgn = Pgn(*game, 11);
  const std::vector<std::string> lines = Lines(pgn);
  // Tags, an empty line, then the moves.
  auto it = std::find(lines.begin(), lines.end(), "");
  ASSERT_NE(it, lines.end());
  std::vector<std::string> moves(it + 1, lines.end());
  ASSERT_GE(moves.size(), 2u);
  EXPECT_EQ(moves[0], "1. e4 e5 2.");  // 11 characters
  for (const std::string &line : moves) {
    EXPECT_LE(line.size(), 11u);
    EXPECT_NE(line[0], ' ');
  }
}

// ---- Golden texts

TEST(NotationWriterGolden, AnnotatedGameInEveryFormat) {
  {
    auto game = AnnotatedGame();
    const std::string pgn = Pgn(*game);
    ExpectWithinWidth(pgn, 79);
    ExpectGolden("annotated.pgn", pgn);
    // It reads back with the comment's braces turned into brackets.
    auto back = Parse(pgn);
    EXPECT_EQ(back->Root()->Child(1)->Child(1)->Comment(), "Open game: a)b \\ {c) <i> & \"q\" caf\xE9");
    EXPECT_EQ(gametest::MainLinePlies(*back), gametest::MainLinePlies(*game));
  }
  {
    auto game = AnnotatedGame();
    PrintGameOptionsRec o;
    o.width = 60;
    o.squareBrackets = 1;
    o.variationsOnNewLine = 1;
    o.commentBraces = 1;
    ExpectGolden("annotated.txt", ExportPlainText(*game, o, LangEnglish));
  }
  {
    auto game = AnnotatedGame();
    PrintGameOptionsRec o;
    o.rtfHeader = RtfHeader("Arial", "Stub", "Stub Diagram");
    o.boldMainLine = 1;
    o.figurines = 1;
    o.font = StubFont();
    o.diagrams = 1;
    o.diagramFont = StubFont();
    o.diagramCoordinates = 1;
    o.diagramCaption = 1;
    o.captionTop = dcPlayers;
    o.captionKind = dcLastMove;
    o.justify = 1;
    ExpectGolden("annotated.rtf", ExportRtf(*game, o, LangEnglish));
  }
  {
    auto game = AnnotatedGame();
    PrintGameOptionsRec o;
    o.format = pfHTML;
    o.boldMainLine = 1;
    o.figurines = 1;
    o.imageFolder = "img/";
    o.diagrams = 1;
    o.diagramCaption = 1;
    o.captionTop = dcPlayers;
    o.captionKind = dcColorToMove;
    o.htmlBorderWidth = 2;
    ExpectGolden("annotated.html", ToText(*game, o, LangEnglish));
  }
}

// ---- Escaping

TEST(NotationWriterEscaping, GameTextsCannotBreakAnyFormat) {
  auto game = Parse("[Event \"a \\\"b\\\" \\\\ c\"]\n1. e4 *");
  game->SetCommentOf(game->Root()->Child(1), "x}y\\{z <b>&\"");

  const std::string pgn = Pgn(*game);
  EXPECT_NE(pgn.find("[Event \"a \\\"b\\\" \\\\ c\"]"), std::string::npos) << pgn;
  EXPECT_NE(pgn.find("{x)y\\{z <b>&\"}"), std::string::npos) << pgn;
  auto back = Parse(pgn);
  EXPECT_EQ(back->GetTag("Event"), "a \"b\" \\ c");
  EXPECT_EQ(back->Root()->Child(1)->Comment(), "x)y\\{z <b>&\"");

  PrintGameOptionsRec o;
  o.format = pfRTF;
  const std::string rtf = ToText(*game, o, LangEnglish);
  EXPECT_NE(rtf.find("\\'7bx)y\\\\\\{z <b>&\"\\'7d"), std::string::npos) << rtf;
  EXPECT_NE(rtf.find("[Event \"a \"b\" \\\\ c\"]\\par "), std::string::npos) << rtf;

  o.format = pfHTML;
  const std::string html = ToText(*game, o, LangEnglish);
  EXPECT_NE(html.find("{x)y\\{z &lt;b&gt;&amp;&quot;}"), std::string::npos) << html;
  EXPECT_EQ(html.find("<b>"), std::string::npos) << html;
}

TEST(NotationWriterEscaping, PgnTagNamesStayReadable) {
  auto game = Parse("1. e4 *");
  game->AddTag("Bad Name]", "v");
  const std::string pgn = Pgn(*game);
  EXPECT_NE(pgn.find("[Bad_Name_ \"v\"]"), std::string::npos) << pgn;
  EXPECT_EQ(Parse(pgn)->GetTag("Bad_Name_"), "v");
  // A name the reader took in is written as it is, even an empty one.
  game = Parse("[ \"x\"]\n[A_1 \"y\"]\n1. e4 *");
  const std::string again = Pgn(*game);
  EXPECT_NE(again.find("[ \"x\"]\r\n[A_1 \"y\"]"), std::string::npos) << again;
  EXPECT_EQ(Parse(again)->GetTag(""), "x");
}

PrintGameOptionsRec Bare(std::uint8_t format) {
  PrintGameOptionsRec o;
  o.format = format;
  o.writeTags = 0;
  return o;
}

// The move text of small games, option by option.
TEST(NotationWriterMoves, Layouts) {
  struct Case {
    const char *game;
    std::uint8_t format;
    LanguageId language;
    void (*set)(PrintGameOptionsRec &);
    const char *text;
  };
  auto none = [](PrintGameOptionsRec &) {};
  const Case cases[] = {
      // A variation forces the number of the move after it.
      {"1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *", pfPGN, LangEnglish, none, "1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *"},
      {"1. e4 (1. d4 d5) 1... e5 2. Nf3 *", pfPGN, LangEnglish, none, "1. e4 (1. d4 d5) 1... e5 2. Nf3 *"},
      // Square brackets and the language in text; PGN keeps "(" ")" and
      // English letters whatever it is given.
      {"1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *", pfText, LangGerman, [](auto &o) { o.squareBrackets = 1; },
       "1. e4 e5 [1... c5 2. Sf3] 2. Sf3 *"},
      {"1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *", pfPGN, LangGerman, [](auto &o) { o.squareBrackets = 1; },
       "1. e4 e5 (1... c5 2. Nf3) 2. Nf3 *"},
      {"1. e4 e5 (1... c5) (1... e6) 2. Nf3 *", pfText, LangEnglish,
       [](auto &o) { o.variationsOnNewLine = 1; }, "1. e4 e5\r\n(1... c5) (1... e6)\r\n2. Nf3 *"},
      {"1. e4 e5 (1... c5) 2. Nf3 *", pfText, LangEnglish,
       [](auto &o) { o.variationsOnNewLine = o.blankLineAroundVariations = 1; },
       "1. e4 e5\r\n\r\n(1... c5)\r\n\r\n2. Nf3 *"},
      // NAGs: numbers in PGN; in text the symbol's word, nothing without one.
      {"1. e4 $1 $13 e5 $146 *", pfPGN, LangEnglish, none, "1. e4 $1 $13 e5 $146 *"},
      {"1. e4 $1 $13 e5 $146 *", pfText, LangEnglish, none, "1. e4! oo e5 *"},
      {"1. e4 $1 $13 e5 $146 *", pfList, LangEnglish, [](auto &o) { o.font = StubFont(); }, "1. e4! ~ e5 *"},
      // Comments: PGN always in braces.
      {"{Intro} 1. e4 {best} e5 *", pfPGN, LangEnglish, [](auto &o) { o.commentBraces = 0; },
       "{Intro} 1. e4 {best} e5 *"},
      {"{Intro} 1. e4 {best} e5 *", pfText, LangEnglish, [](auto &o) { o.commentBraces = 0; },
       "Intro 1. e4 best e5 *"},
      // The main line and the result in bold, the numbers too.
      {"1. e4 e5 (1... c5) 1-0", pfHTML, LangEnglish, [](auto &o) { o.boldMainLine = 1; },
       "<b>1.</b> <b>e4</b> <b>e5</b> (1... c5) <b>1-0</b><BR>"},
      {"1. e4 e5 (1... c5) 1-0", pfRTF, LangEnglish, [](auto &o) { o.boldMainLine = 1; },
       "\\f0\\fs20 \\ql \\b 1.\\b0\\'20\\b e4\\b0\\'20\\b e5\\b0\\'20(1...\\'20c5)\\'20\\b "
       "1-0\\b0 \\par "},
      // RTF symbols in the chess font between font switches.
      {"1. e4 $1 $13 e5 *", pfRTF, LangEnglish, [](auto &o) { o.font = StubFont(); },
       "\\f0\\fs20 \\ql 1.\\'20e4\\f1 !\\f0 \\'20\\f1 \\'7E\\f0 \\'20e5\\'20*\\par "},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.text);
    auto game = Parse(c.game);
    PrintGameOptionsRec o = Bare(c.format);
    c.set(o);
    const std::string end = c.format == pfRTF ? "" : "\r\n";
    EXPECT_EQ(ToText(*game, o, c.language), c.text + end);
  }
}

TEST(NotationWriterMoves, SetUpGamesGetTheirTags) {
  auto game = Parse("[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\n30... Kd7 31. e4 *");
  game->DeleteTag(game->IndexOfTag("SetUp"));
  const std::string pgn = Pgn(*game);
  EXPECT_NE(pgn.find("[SetUp \"1\"]\r\n"), std::string::npos) << pgn;
  EXPECT_NE(pgn.find("[FEN \"4k3/8/8/8/8/8/4P3/4K3 b - - 0 30\"]\r\n"), std::string::npos) << pgn;
  EXPECT_NE(pgn.find("30... Kd7 31. e4 *"), std::string::npos) << pgn;
  // From the standard start the two tags go.
  game = Parse("1. e4 *");
  game->AddTag("SetUp", "1");
  game->AddTag("FEN", game->StartPosition().GetFEN());
  const std::string standard = Pgn(*game);
  EXPECT_EQ(standard.find("SetUp"), std::string::npos) << standard;
  EXPECT_EQ(standard.find("FEN"), std::string::npos) << standard;
}

TEST(NotationWriterMoves, ALineStopsAtItsFirstIllegalNode) {
  auto game = Parse("1. e4 e5 (1... d5 2. exd5) 2. Nf3 Nc6 3. Bb5 *");
  // A start with a rook on g1: the main line's Nf3 turns illegal, so the
  // main line stops there; the variation before it is still written.
  PositionO start;
  ASSERT_TRUE(start.SetFEN("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBR1 w Qkq - 0 1"));
  game->SetStartPosition(&start);
  ASSERT_EQ(game->IllegalCount(), 1);
  for (std::uint8_t f : {pfPGN, pfText, pfRTF, pfHTML, pfList}) {
    SCOPED_TRACE(static_cast<int>(f));
    const std::string text = ToText(*game, Bare(f), LangEnglish);
    EXPECT_EQ(text.find("Nf3"), std::string::npos) << text;
    EXPECT_EQ(text.find("Nc6"), std::string::npos) << text;
    EXPECT_NE(text.find("d5"), std::string::npos) << text;
  }
  const std::string pgn = ToText(*game, Bare(pfPGN), LangEnglish);
  EXPECT_EQ(pgn, "1. e4 e5 (1... d5 2. exd5) *\r\n");
  Parse(pgn);
}

// ---- Diagrams

TEST(NotationWriterDiagrams, ImageNamesAndHtmlTable) {
  PositionO pos;
  // The square colour follows the board: b1 is light, g1 dark.
  EXPECT_EQ(DiagramImageName(pos, 2, 1), "wnw.gif");
  EXPECT_EQ(DiagramImageName(pos, 7, 1), "wnb.gif");
  EXPECT_EQ(DiagramImageName(pos, 1, 1), "wrb.gif");
  EXPECT_EQ(DiagramImageName(pos, 4, 8), "bqb.gif");
  EXPECT_EQ(DiagramImageName(pos, 1, 3), "efb.gif");
  EXPECT_EQ(DiagramImageName(pos, 1, 4), "efw.gif");
  const std::vector<std::string> lines = Lines(HtmlDiagram(pos, "p/", 1));
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines[0], "<TABLE BORDER=1 BGCOLOR=\"#C0C0C0\">");
  EXPECT_EQ(lines[1], "<TR>");
  EXPECT_EQ(lines[2], "<TD>");
  EXPECT_EQ(
      lines[3],
      "<IMG SRC=\"p/brw.gif\"><IMG SRC=\"p/bnb.gif\"><IMG SRC=\"p/bbw.gif\"><IMG SRC=\"p/bqb.gif\">"
      "<IMG SRC=\"p/bkw.gif\"><IMG SRC=\"p/bbb.gif\"><IMG SRC=\"p/bnw.gif\"><IMG SRC=\"p/brb.gif\"><BR>");
  EXPECT_EQ(lines[10].substr(0, 21), "<IMG SRC=\"p/wrb.gif\">");
  EXPECT_EQ(lines[13], "</TABLE>");
}

TEST(NotationWriterDiagrams, RtfRowsFromTheGlyphMap) {
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/R3K3 w Q - 0 1"));
  const ChessFontInfoRec font = StubFont();
  const std::vector<std::string> rows = Lines([&] {
    std::string s = RtfDiagram(pos, font, false);
    // One row per line, for reading.
    std::string r;
    for (std::size_t p = 0; (p = s.find("\\par ")) != std::string::npos; s.erase(0, p + 5))
      r += s.substr(0, p) + "\r\n";
    return r;
  }());
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0], "1222222223");
  EXPECT_EQ(rows[1], "4 + +l+ +5");  // a8 and e8 light
  EXPECT_EQ(rows[8], "4R + K + 5");  // a1 and e1 dark
  EXPECT_EQ(rows[9], "788888888\\\\");
  // With coordinates the labels replace the left and bottom edges.
  const std::string labelled = RtfDiagram(pos, font, true);
  EXPECT_NE(labelled.find("\\'E8 + +l+ +5\\par "), std::string::npos);
  EXPECT_NE(labelled.find("7\\'F1\\'F2\\'F3\\'F4\\'F5\\'F6\\'F7\\'F8\\\\\\par "), std::string::npos);
  // Without a glyph map: FEN letters, "-" for empty squares, no borders.
  const std::string plain = RtfDiagram(pos, ChessFontInfoRec(), false);
  EXPECT_EQ(plain.substr(0, 14), "----k---\\par -");
  EXPECT_NE(plain.find("R---K---\\par "), std::string::npos);
}

TEST(NotationWriterDiagrams, CaptionsByKind) {
  auto game = Parse("[White \"W\"]\n[Black \"B\"]\n[WhiteElo \"2000\"]\n1. e4 $220 *");
  PrintGameOptionsRec o = Bare(pfHTML);
  o.diagrams = 1;
  o.diagramCaption = 1;
  o.captionTop = dcPlayers;
  o.captionKind = dcLastMove;
  std::string html = ToText(*game, o, LangEnglish);
  EXPECT_NE(html.find("<CENTER>\r\nW (2000) - B<BR>\r\n<TABLE"), std::string::npos) << html;
  EXPECT_NE(html.find("</TABLE>\r\nPosition after 1. e4<BR>\r\n</CENTER>"), std::string::npos) << html;
  o.captionKind = dcColorToMove;
  html = ToText(*game, o, LangDutch);
  EXPECT_NE(html.find("Zwart aan zet<BR>"), std::string::npos) << html;
  // Without the caption flag, no captions; PGN and text write no diagram.
  o.diagramCaption = 0;
  html = ToText(*game, o, LangEnglish);
  EXPECT_NE(html.find("<CENTER>\r\n<TABLE"), std::string::npos);
  o.format = pfText;
  EXPECT_EQ(ToText(*game, o, LangEnglish), "1. e4 *\r\n");
  // A diagram at the start of the game.
  game = Parse("{$220 at the root} *");
  game->Root()->nags.Add(kDiagramNag);
  o.format = pfHTML;
  o.diagramCaption = 1;
  o.captionTop = dcNone;
  o.captionKind = dcLastMove;
  html = ToText(*game, o, LangEnglish);
  EXPECT_NE(html.find("</TABLE>\r\nStart Position<BR>"), std::string::npos) << html;
}

// ---- Display runs

TEST(NotationWriterRuns, PackedListDecodesEveryKind) {
  TextRunListO list;
  for (int kind = 0; kind <= rkMaxKind; ++kind) {
    TextRunRec run;
    run.kind = static_cast<std::uint8_t>(kind);
    const auto layoutKeeps = [&](int k) { return k == 0 || k == 9; };
    if (layoutKeeps(kind)) run.ch = static_cast<char>('a' + kind);
    if (kind == 4 || kind == 5 || kind == 7 || kind == 12)
      run.value1 = static_cast<std::uint16_t>(0x1234 + kind);
    if (kind == 6 || kind == 10 || kind == 11 || kind >= 14) {
      run.text = std::string(kind == 6 ? 255 : 3, static_cast<char>('A' + kind));
      if (kind != 17) {
        run.value1 = 0xFF01;
        run.value2 = 2;
        run.value3 = 3;
        run.value4 = 0x0400;
        run.value5 = 65535;
      }
    }
    list.Add(run);
  }
  std::vector<TextRunRec> before;
  for (int i = 1; i <= list.Count(); ++i) before.push_back(list.Get(i));
  list.Pack();
  ASSERT_TRUE(list.Packed());
  EXPECT_EQ(list.Count(), 18);
  EXPECT_EQ(static_cast<unsigned char>(list.PackedBytes()[0]), 0u);
  EXPECT_EQ(list.PackedBytes()[1], 'a');
  for (int i = 1; i <= list.Count(); ++i)
    EXPECT_EQ(list.Get(i), before[static_cast<std::size_t>(i - 1)]) << i;
  // Kind 4 holds its value high byte first.
  EXPECT_NE(list.PackedBytes().find(std::string("\x04\x12\x38", 3)), std::string::npos);
  // Inserting unpacks.
  TextRunRec x;
  x.ch = 'x';
  list.Insert(1, x);
  EXPECT_FALSE(list.Packed());
  EXPECT_EQ(list.Get(1).ch, 'x');
  EXPECT_EQ(list.Get(19), before.back());
}

TEST(NotationWriterRuns, RefusedRunsLeaveTheList) {
  TextRunListO list;
  TextRunRec run;
  run.kind = 18;
  EXPECT_THROW(list.Add(run), ERangeError);
  run.kind = rkMove;
  run.text = std::string(256, 'a');
  EXPECT_THROW(list.Add(run), ERangeError);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_THROW(list.Get(1), ERangeError);
  run.text = "ok";
  list.Add(run);
  list.Pack();
  EXPECT_THROW(list.Insert(3, run), ERangeError);
  EXPECT_TRUE(list.Packed());
}

TEST(NotationWriterRuns, WriterMakesMoveRunsWithNodeNumbers) {
  auto game = Parse("1. e4 $1 {good} e5 $220 (1... c5) *");
  TextRunListO runs;
  GameTextWriter writer;
  writer.Init(nullptr, &runs);
  PrintGameOptionsRec o = Bare(pfText);
  o.diagrams = 1;
  writer.WriteGame(*game, o);
  EXPECT_EQ(runs.PlainText(), "1. e4 $1 {good} e5 $220 <Diagram> (1... c5) *\r\n");
  TextRunListO packed = runs;
  packed.Pack();
  EXPECT_EQ(packed.PlainText(), runs.PlainText());
  std::vector<TextRunRec> moves;
  for (int i = 1; i <= runs.Count(); ++i)
    if (runs.Get(i).kind == rkMove) moves.push_back(runs.Get(i));
  ASSERT_EQ(moves.size(), 3u);
  EXPECT_EQ(moves[0].text, "e4");
  EXPECT_EQ(moves[0].value1, game->Root()->Child(1)->nodeNumber);
  EXPECT_EQ(moves[0].value2, 1);
  EXPECT_EQ(moves[1].value1, game->Root()->Child(1)->Child(1)->nodeNumber);
  EXPECT_EQ(moves[1].value2, 2);
  EXPECT_EQ(moves[2].value1, game->Root()->Child(1)->Child(2)->nodeNumber);

  // With a sink the runs follow the sink's text.
  OutputO out;
  out.InitString();
  runs.Clear();
  writer.Init(&out, &runs);
  writer.WriteGame(*game, Bare(pfPGN));
  EXPECT_EQ(runs.PlainText(), out.GetString());
}

// ---- Exporters

TEST(NotationWriterExporters, ListTextAndFiles) {
  auto game = Parse("[Event \"E\"]\n1. e4 $14 Nf6 2. Nc3 *");
  EXPECT_EQ(ExportListText(*game, LangEnglish, false, nullptr), "1. e4 += Nf6 2. Nc3 *\r\n");
  const ChessFontInfoRec font = StubFont();
  SetFigurineChars(font);
  EXPECT_EQ(ExportListText(*game, LangEnglish, true, &font),
            "1. e4 \xB1 \xC2"
            "f6 2. \xC2"
            "c3 *\r\n");
  ResetNotationLanguages();

  testutil::TempDir dir;
  ASSERT_TRUE(ExportToFile(*game, dir.File("g.pgn"), PgnOptions(79), LangEnglish));
  EXPECT_EQ(dir.Read("g.pgn"), Pgn(*game));
  EXPECT_FALSE(ExportToFile(*game, dir.File("missing/g.pgn"), PgnOptions(79), LangEnglish));
}

}  // namespace
