// The bulk PGN scanner over in-memory text: the packed streams it writes,
// the games it refuses and those it stores after them, and single games
// packed from a string.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "PackedGameTestUtil.h"
#include "chess/GameTestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "database/QZGamePlayer.h"
#include "database/QZParser.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

struct ErrorRec {
  int64_t gameStart, gameEnd, errorStart, errorEnd;
  std::string message;
};

struct Scan {
  std::vector<std::vector<uint8_t>> games;
  std::vector<ErrorRec> errors;
  std::vector<int> progressGames;
  PGNParseResult result;
};

std::vector<uint8_t> Bytes(const GameBuffer &b) { return {b.bytes.get(), b.bytes.get() + b.length}; }

// Runs the scanner over text in blocks of the given size; cancelAfter
// games sets the cancel flag in the game callback.
Scan ScanText(const std::string &text, int encoding = encIndexed, size_t block = 7, int cancelAfter = 0) {
  Scan s;
  size_t at = 0;
  PGNCallbacks cb;
  cb.refill = [&](int64_t) {
    const size_t n = std::min(block, text.size() - at);
    std::string_view v(text.data() + at, n);
    at += n;
    return v;
  };
  cb.game = [&](const GameBuffer &g, bool &cancel) {
    s.games.push_back(Bytes(g));
    if (cancelAfter && static_cast<int>(s.games.size()) == cancelAfter) cancel = true;
  };
  cb.error = [&](int64_t gs, int64_t ge, int64_t es, int64_t ee, const std::string &m) {
    s.errors.push_back({gs, ge, es, ee, m});
  };
  cb.progress = [&](int64_t read, int64_t size, bool &, int games) {
    EXPECT_LE(read, size);
    s.progressGames.push_back(games);
  };
  bool cancel = false;
  s.result = ParsePGN(static_cast<int64_t>(text.size()), encoding, cancel, cb);
  EXPECT_EQ(s.result.games, static_cast<int>(s.games.size()));
  EXPECT_EQ(s.result.errors, static_cast<int>(s.errors.size()));
  return s;
}

// The reference block of a game in coordinate tokens.
std::vector<uint8_t> Ref(const std::string &game, const std::string &tags, int encoding = encIndexed,
                         const std::string &fen = "") {
  return Bytes(pgtest::Pack(game, encoding, tags, fen));
}

std::vector<std::string> Messages(const Scan &s) {
  std::vector<std::string> m;
  for (const ErrorRec &e : s.errors) m.push_back(e.message);
  return m;
}

const std::string kNext = "[Event \"next\"]\n1. d4 d5 *\n";
std::vector<uint8_t> NextGame() { return Ref("d2d4 d7d5", "[Event \"next\"]"); }

}  // namespace

TEST(PgnScanner, StreamTableInEveryEncoding) {
  const std::string text = "[Event \"x\"]\n[Result \"*\"]\n\n1. e4 $1 {good} (1. d4) 1... e5 *\n";
  for (int enc : {encIndexed, encFromTo, encSan}) {
    Scan s = ScanText(text, enc);
    ASSERT_EQ(s.games.size(), 1u) << enc;
    EXPECT_EQ(s.games[0], Ref("e2e4 $1 {good} ( d2d4 ) e7e5", "[Event \"x\"][Result \"*\"]", enc)) << enc;
  }
  // A variation without moves keeps its comment.
  Scan e = ScanText("[A \"1\"] 1. e4 ({none}) e5 *");
  ASSERT_EQ(e.games.size(), 1u);
  EXPECT_EQ(e.games[0], Ref("e2e4 ( {none} ) e7e5", "[A \"1\"]"));
  // The one-byte stream spelt out.
  Scan s = ScanText(text);
  GameBuffer b;
  SizeGameBuffer(b, static_cast<uint32_t>(s.games[0].size()));
  std::copy(s.games[0].begin(), s.games[0].end(), b.bytes.get());
  QZGameManagerO m;
  ASSERT_TRUE(m.Attach(b));
  std::vector<uint8_t> stream;
  for (uint8_t c; m.ReadMoveByte(c);) stream.push_back(c);
  MailboxPos p;
  p.SetStartPosition();
  MoveGen gen;
  int e4 = 0, d4 = 0, e5 = 0;
  p.MoveIndex(gen, mbtest::ParseMove("e2e4"), e4);
  p.MoveIndex(gen, mbtest::ParseMove("d2d4"), d4);
  MoveUndo u;
  p.MakeMove(mbtest::ParseMove("e2e4"), u);
  p.MoveIndex(gen, mbtest::ParseMove("e7e5"), e5);
  EXPECT_EQ(stream, (std::vector<uint8_t>{uint8_t(e4), 252, 253, 255, uint8_t(d4), 254, uint8_t(e5), 254}));
}

TEST(PgnScanner, ResultsMoveNumbersCastlingAndSigns) {
  // "0-0" is castling, "0-1" a result; numbers with dots and no blank.
  Scan s = ScanText(
      "[A \"1\"]1.e4 e5 2.Nf3 Nf6 3.Bc4 Bc5 4.0-0 0-0 5.O-O-O 0-1 [B \"2\"] 1. d4 1/2-1/2 [C \"3\"] e4 1-0");
  ASSERT_EQ(s.games.size(), 2u);
  ASSERT_EQ(s.errors.size(), 1u);  // O-O-O after castling
  EXPECT_EQ(s.errors[0].message, "illegal move: O-O-O");
  EXPECT_EQ(s.games[0], Ref("d2d4", "[B \"2\"]"));
  EXPECT_EQ(s.games[1], Ref("e2e4", "[C \"3\"]"));
  s = ScanText("[A \"1\"]1.e4 e5 2.Nf3 Nf6 3.Bc4 Bc5 4.0-0 0-0 0-1");
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], Ref("e2e4 e7e5 g1f3 g8f6 f1c4 f8c5 e1g1 e8g8", "[A \"1\"]"));

  // The six annotation signs store their NAG; other runs are dropped.
  s = ScanText("[A \"1\"] 1. e4! e5!? 2. Nf3?! Nc6?? 3. Bb5!! a6? 4. Ba4!!! Nf6?!? 5. O-O+! *");
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0],
            Ref("e2e4 $1 e7e5 $5 g1f3 $6 b8c6 $4 f1b5 $3 a7a6 $2 b5a4 g8f6 e1g1 $1", "[A \"1\"]"));

  // Malformed results are refused like any unexpected text.
  s = ScanText("[A \"1\"] 1. e4 1-1 " + kNext + "[B \"2\"] 1. e4 1/2 " + kNext + "[C \"3\"] 1. e4 2-0 " +
               kNext);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"error", "error", "error"}));
  ASSERT_EQ(s.games.size(), 3u);
  for (const auto &g : s.games) EXPECT_EQ(g, NextGame());
}

TEST(PgnScanner, TagPairsAndSetUps) {
  // Names with "_"; an escaped quote and a "]" inside a value; blanks
  // around; a comment before the first tag is not stored.
  Scan s = ScanText(
      "{before} [ Custom_Tag1  \"a\" ]\n[Annotator \"Quote\\\" ] inside\"]\n[Site \"C:\\\\x\"] 1. e4 *");
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0],
            Ref("e2e4", "[Custom_Tag1  \"a\" ][Annotator \"Quote\\\" ] inside\"][Site \"C:\\\\x\"]"));

  // Malformed pairs.
  s = ScanText("[Ev$ent \"x\"] 1. e4 *\n" + kNext + "[Event x] 1. e4 *\n" + kNext + "[ \"x\"] *\n" + kNext +
               "[Event \"x\"] [Site \"y\"");
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"error", "error", "error", "error"}));
  ASSERT_EQ(s.games.size(), 3u);
  for (const auto &g : s.games) EXPECT_EQ(g, NextGame());
  // The end of the input inside a pair: the error lies past the last byte.
  EXPECT_EQ(s.errors.back().errorStart, s.errors.back().gameEnd + 1);

  // A set-up before the first move, numbered from its own move number.
  const std::string fen = "4k3/8/8/8/8/8/4P3/4K3 b - - 0 30";
  s = ScanText("[SetUp \"1\"][FEN \"" + fen + "\"] 30... Kd7 31. e4 *");
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], Ref("e8d7 e2e4", "[SetUp \"1\"][FEN \"" + fen + "\"]", encIndexed, fen));
  s = ScanText("[SetUp \"1\"][FEN \"" + fen + "\"] 30... Kd7 31. e4 *", encSan);
  ASSERT_EQ(s.games.size(), 1u);
  GameBuffer san;
  SizeGameBuffer(san, static_cast<uint32_t>(s.games[0].size()));
  std::copy(s.games[0].begin(), s.games[0].end(), san.bytes.get());
  QZGameManagerO reader;
  ASSERT_TRUE(reader.Attach(san));
  SanMoveRec first, second;
  ASSERT_TRUE(reader.ReadSanMove(first));
  ASSERT_TRUE(reader.ReadSanMove(second));
  EXPECT_EQ(first.moveNumber, 30);
  EXPECT_EQ(first.side, 1);
  EXPECT_EQ(second.moveNumber, 31);
  // A set-up the reader refuses, or one no game reaches (the side not to
  // move in check), is an error at that tag with the game reader's reason.
  const std::string bad = "[Event \"a\"]\n[FEN \"8/8/8 w - - 0 1\"]\n1. e4 *\n";
  s = ScanText(bad + kNext + "[FEN \"4k3/4R3/8/8/8/8/8/4K3 w - - 0 1\"] 1. Ke2 *\n" + kNext);
  EXPECT_EQ(Messages(s),
            (std::vector<std::string>{FenTagRefusal(SetupFault::Kings), FenTagRefusal(SetupFault::Check)}));
  EXPECT_EQ(s.errors[0].errorStart, static_cast<int64_t>(bad.find("[FEN")));
  EXPECT_EQ(s.errors[0].errorEnd, static_cast<int64_t>(bad.find("]\n1.")));
  ASSERT_EQ(s.games.size(), 2u);
  for (const auto &g : s.games) EXPECT_EQ(g, NextGame());
  // A "FEN" tag after the first move begins the next game; the game before
  // keeps its moves from the initial position.
  s = ScanText("[A \"1\"] 1. e4 [FEN \"" + fen + "\"] 30... Kd7 *");
  ASSERT_EQ(s.games.size(), 2u);
  EXPECT_EQ(s.games[0], Ref("e2e4", "[A \"1\"]"));
  EXPECT_EQ(s.games[1], Ref("e8d7", "[FEN \"" + fen + "\"]", encIndexed, fen));
}

TEST(PgnScanner, GameBoundariesAndStrayText) {
  // No result before the next tag section or the end of the input: stored
  // as if "*" had been read.
  Scan s = ScanText("[A \"1\"] 1. e4 e5\n[B \"2\"] 1. d4 d5 {last}\n");
  ASSERT_EQ(s.games.size(), 2u);
  EXPECT_TRUE(s.errors.empty());
  EXPECT_EQ(s.games[0], Ref("e2e4 e7e5", "[A \"1\"]"));
  EXPECT_EQ(s.games[1], Ref("d2d4 d7d5 {last}", "[B \"2\"]"));
  EXPECT_FALSE(s.result.commentsOutside);
  // Tag sections without moves belong to one game.
  s = ScanText("[A \"1\"]\n{c}\n[B \"2\"] 1. e4 *");
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], Ref("{c} e2e4", "[A \"1\"][B \"2\"]"));

  // Stray move text after a result is a game without tags: refused whole,
  // one error, no second, damaged game. "%" lines are nothing.
  const std::string stray = "% escape line 1. e4 *\n[A \"1\"] 1. e4 e5 1-0 1. d4 e5 * % esc\n";
  s = ScanText(stray + kNext);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"text outside a game"}));
  EXPECT_EQ(stray.substr(s.errors[0].gameStart, s.errors[0].gameEnd - s.errors[0].gameStart + 1), "1. d4 e5 *");
  ASSERT_EQ(s.games.size(), 2u);
  EXPECT_EQ(s.games[0], Ref("e2e4 e7e5", "[A \"1\"]"));
  EXPECT_EQ(s.games[1], NextGame());
  EXPECT_FALSE(s.result.commentsOutside);
  // Games without any tag section; a "[" inside a comment outside a game
  // does not begin one, and a comment there is reported as passed over.
  s = ScanText("1. e4 e5 *\n\n1. d4 {see [x]} d5 2. c4 *\n\n{see [y]} ; z\n" + kNext);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"text outside a game", "text outside a game"}));
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_TRUE(s.result.commentsOutside);
  s = ScanText("; a collection\n" + kNext);
  EXPECT_TRUE(s.errors.empty());
  EXPECT_TRUE(s.result.commentsOutside);
  // A UTF-8 byte order mark is not stray text.
  s = ScanText("\xEF\xBB\xBF" + kNext);
  EXPECT_TRUE(s.errors.empty());
  ASSERT_EQ(s.games.size(), 1u);

  // Open variations at the end of a game are closed, one 254 each.
  s = ScanText("[A \"1\"] 1. e4 (1. d4 (1. c4 *\n[B \"2\"] 1. e4 (1. d4 d5 2. c4\n" + kNext);
  ASSERT_EQ(s.games.size(), 3u);
  EXPECT_EQ(s.games[0], Ref("e2e4 ( d2d4 ( c2c4 ) )", "[A \"1\"]"));
  EXPECT_EQ(s.games[1], Ref("e2e4 ( d2d4 d7d5 c2c4 )", "[B \"2\"]"));
  EXPECT_EQ(s.games[2], NextGame());
  for (const auto &g : s.games) {
    GameBuffer b;
    SizeGameBuffer(b, static_cast<uint32_t>(g.size()));
    std::copy(g.begin(), g.end(), b.bytes.get());
    std::string movetext;
    EXPECT_TRUE(WriteGamePGN(b, false, movetext));
  }

  // Comments: line comments, empty ones, one cut off by the end, which
  // refuses its game and says the rest of the input was lost.
  const std::string cut = "[A \"1\"] 1. e4 ; a line\r\n e5 {} {b} 2. Nf3 ;\n *\n[B \"2\"] 1. e4 {cut *\n";
  s = ScanText(cut + kNext);
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], Ref("e2e4 { a line} e7e5 {b} g1f3", "[A \"1\"]"));
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"unterminated comment"}));
  EXPECT_EQ(s.errors[0].errorStart, static_cast<int64_t>(cut.find("{cut")));
  EXPECT_EQ(s.errors[0].gameEnd, static_cast<int64_t>(cut.size() + kNext.size() - 1));
  EXPECT_TRUE(s.result.unterminatedComment);
  // Outside a game too.
  s = ScanText(kNext + "{ a header [x] " + kNext);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"unterminated comment"}));
  EXPECT_EQ(s.errors[0].gameStart, static_cast<int64_t>(kNext.size()));
  EXPECT_TRUE(s.result.unterminatedComment);
  EXPECT_EQ(s.games.size(), 1u);
  s = ScanText(kNext + "{closed}");
  EXPECT_FALSE(s.result.unterminatedComment);
  EXPECT_TRUE(s.result.commentsOutside);

  // A NUL inside the data reads as a blank.
  s = ScanText(std::string("[A \"1\"]\0001.\000e4 {x\000y} *", 21));
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], Ref("e2e4 {x y}", "[A \"1\"]"));
}

TEST(PgnScanner, RefusedGamesAndTheGameAfterEach) {
  struct Case {
    std::string game, message, offending;
  } cases[] = {
      {"[A \"1\"] 1. e4 e5 2. Ke3 *", "illegal move: Ke3", "Ke3"},
      {"[A \"1\"] 1. e4 e5 2. Nf3!? Nf6 3. Qxf7?? *", "illegal move: Qxf7", "Qxf7??"},
      {"[A \"1\"] 1. e4 ) *", "not in subvar", ")"},
      {"[A \"1\"] (1. e4) *", "error", "("},
      {"[A \"1\"] 1. e4 ((1. d4)) *", "error", "("},
      {"[A \"1\"] 1. e4 $256 *", "error", "$"},
      {"[A \"1\"] 1. e4 $99999999999999999999 *", "error", "$"},
      {"[A \"1\"] 1. e4 & *", "error", "&"},
      {"[A \"1\"] 1. e4 e5 } *", "error", "}"},
  };
  for (const Case &c : cases) {
    Scan s = ScanText(c.game + "\n" + kNext);
    ASSERT_EQ(s.errors.size(), 1u) << c.game;
    const ErrorRec &e = s.errors[0];
    EXPECT_EQ(e.message, c.message) << c.game;
    EXPECT_EQ(e.gameStart, 0);
    EXPECT_EQ(e.gameEnd, static_cast<int64_t>(c.game.size() - 1));  // its result token
    EXPECT_EQ(c.game.substr(e.errorStart, e.errorEnd - e.errorStart + 1), c.offending) << c.game;
    ASSERT_EQ(s.games.size(), 1u) << c.game;
    EXPECT_EQ(s.games[0], NextGame()) << c.game;
  }
  // A refused game is read to its end: its other tag pairs, "[" in its
  // comments and its moves are no new game, and it is one error.
  const std::string refused[] = {
      "[Event \"a\"]\n[SetUp \"1\"]\n[FEN \"8/8/8 w - - 0 1\"]\n[White \"w\"]\n\n"
      "1. d4 {[%cal Gd2d4]} d6 ; [x]\n% [y]\n2. c3 {[%csl Rc3]} (2. c4 {[%z]}) 1-0\n",
      "[Event \"a\"]\n[Black Kasparov]\n[White \"w\"]\n\n1. e4 {[%cal Ge2e4]} e5 *\n",
      "[Event \"a\"]\n[Round 1]\n[White \"w\"]\n\n1. e4 e5 0-1\n",
      "[Ev$ent \"a ] b\"]\n[White \"w\"]\n\n1. e4 e5 1/2-1/2\n",
      // No result: the next tag section after its moves ends it.
      "[Event \"a\"]\n[Black Kasparov]\n1. e4 e5 {[%cal Ge7e5]}\n",
      // Tags only: a "[" starting a line after an empty line ends it.
      "[Event \"a\"]\n[Black Kasparov]\n[White \"w\"]\n\n",
  };
  for (const std::string &r : refused) {
    Scan s = ScanText(kNext + r + kNext, encIndexed, 5);
    const std::string message =
        r.find("[FEN") != std::string::npos ? FenTagRefusal(SetupFault::Kings) : "error";
    EXPECT_EQ(Messages(s), (std::vector<std::string>{message})) << r << s.errors.back().gameEnd;
    ASSERT_EQ(s.games.size(), 2u) << r;
    EXPECT_EQ(s.games[1], NextGame()) << r;
    EXPECT_EQ(s.errors[0].gameStart, static_cast<int64_t>(kNext.size())) << r;
    EXPECT_LE(s.errors[0].gameEnd, static_cast<int64_t>(kNext.size() + r.size())) << r;
    EXPECT_GE(s.errors[0].gameEnd, static_cast<int64_t>(kNext.size() + r.find_last_not_of("\n"))) << r;
  }

  // NAG 255 is the largest.
  Scan s = ScanText("[A \"1\"] 1. e4 $255 $0 $ *");
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], Ref("e2e4 $255 $0 $0", "[A \"1\"]"));
}

TEST(PgnScanner, LimitsOfThePackedForm) {
  // A move past move 255: Black's move there is refused, White's is not.
  const std::string fen = "4k3/8/8/8/8/8/8/R3K3 w - - 0 255";
  Scan s = ScanText("[FEN \"" + fen + "\"] 255. Ra2 Kd8 *\n[FEN \"" + fen + "\"] 255. Ra2 *\n" + kNext);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"game longer than 255 moves"}));
  ASSERT_EQ(s.games.size(), 2u);
  EXPECT_EQ(s.games[1], NextGame());
  // A 260-move game from the initial position names the limit.
  std::string longGame = "[Event \"long\"]\n";
  const char *const shuffle[] = {"Nf3 Nf6", "Ng1 Ng8"};
  for (int i = 1; i <= 260; ++i) longGame += std::to_string(i) + ". " + shuffle[(i - 1) % 2] + " ";
  s = ScanText(longGame + "*\n" + kNext, encIndexed, 1000);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"game longer than 255 moves"}));
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], NextGame());

  // A NAG area beyond 32768 bytes.
  std::string many = "[A \"1\"] 1. e4";
  for (int i = 0; i < 32769; ++i) many += " $1";
  s = ScanText(many + " *\n" + kNext, encIndexed, 10000);
  EXPECT_EQ(Messages(s), (std::vector<std::string>{"game too long"}));
  ASSERT_EQ(s.games.size(), 1u);
  EXPECT_EQ(s.games[0], NextGame());
}

TEST(PgnScanner, ProgressAndCancel) {
  std::string text;
  for (int i = 0; i < 120; ++i) text += "[Event \"" + std::to_string(i) + "\"] 1. e4 *\n";
  Scan s = ScanText(text, encIndexed, 10000);
  EXPECT_EQ(s.result.games, 120);
  EXPECT_FALSE(s.result.cancelled);
  EXPECT_EQ(s.progressGames, (std::vector<int>{0, 50, 100, 120}));
  // The cancel flag stops the run after the current game.
  s = ScanText(text, encIndexed, 10000, 3);
  EXPECT_EQ(s.result.games, 3);
  EXPECT_TRUE(s.result.cancelled);
  EXPECT_EQ(s.progressGames, (std::vector<int>{0, 3}));
  EXPECT_EQ(s.games.back(), Ref("e2e4", "[Event \"2\"]"));
  EXPECT_THROW(ScanText(text, 3), ERangeError);
  // A cancel asked for at the last progress call finds the input read.
  size_t at = 0;
  PGNCallbacks cb;
  cb.refill = [&](int64_t) {
    std::string_view v(text.data() + at, text.size() - at);
    at = text.size();
    return v;
  };
  cb.progress = [&](int64_t read, int64_t size, bool &cancel, int) { cancel = read == size; };
  bool cancel = false;
  const PGNParseResult r = ParsePGN(static_cast<int64_t>(text.size()), encIndexed, cancel, cb);
  EXPECT_EQ(r.games, 120);
  EXPECT_FALSE(r.cancelled);
  EXPECT_TRUE(cancel);
}

TEST(ParseGameTextToBlob, SuccessOnlyWithAGameAndNoError) {
  GameBuffer out;
  ASSERT_TRUE(ParseGameTextToBlob("[A \"1\"] 1. e4 e5 * [B \"2\"] 1. d4 *", encIndexed, out));
  EXPECT_EQ(out.capacity, out.length);
  EXPECT_EQ(Bytes(out), Ref("e2e4 e7e5", "[A \"1\"]"));
  const std::vector<uint8_t> before = Bytes(out);
  for (const char *text : {"", "1. e4 *", "[A \"1\"] 1. Ke2 *",
                           "[A \"1\"] 1. e4 * [B \"2\"] 1. Ke3 *", "[A \"1\"", "{[A \"1\"] 1. e4 *}"}) {
    EXPECT_FALSE(ParseGameTextToBlob(text, encIndexed, out)) << text;
    EXPECT_EQ(Bytes(out), before) << text;
  }
  const std::string game = "[A \"1\"] 1. e4 (1. d4 $2) e5 {x} *";
  GameBuffer a, b, c;
  ASSERT_TRUE(ParseGameTextIndexed(game, a));
  ASSERT_TRUE(ParseGameTextFromTo(game, b));
  ASSERT_TRUE(ParseGameTextSan(game, c));
  EXPECT_EQ(QZGameManagerO::MoveEncoding(a), encIndexed);
  EXPECT_EQ(QZGameManagerO::MoveEncoding(b), encFromTo);
  EXPECT_EQ(QZGameManagerO::MoveEncoding(c), encSan);
  EXPECT_EQ(Bytes(c), Ref("e2e4 ( d2d4 $2 ) e7e5 {x}", "[A \"1\"]", encSan));
  EXPECT_THROW(ParseGameTextToBlob(game, -1, a), ERangeError);
}

namespace {

// Random annotated games written with the database's SAN writer.
std::string RandomLine(MailboxPos pos, std::mt19937 &rng, int plies, int depth) {
  std::string s;
  MoveGen gen;
  bool force = true;
  static const char *const kSigns[] = {"!", "?", "!!", "??", "!?", "?!"};
  for (int i = 0; i < plies; ++i) {
    std::vector<Move2> moves = mbtest::LegalMoves(pos, gen);
    if (moves.empty()) break;
    const Move2 m = moves[rng() % moves.size()];
    s += " " + MoveToSAN(pos, m, force);
    force = false;
    if (rng() % 8 == 0) s += kSigns[rng() % 6];
    if (rng() % 6 == 0) s += " $" + std::to_string(rng() % 256);
    if (rng() % 6 == 0) {
      s += " {c" + std::to_string(rng() % 100) + "}";
      force = true;
    }
    if (depth < 3 && moves.size() > 1 && rng() % 5 == 0) {
      Move2 alt = moves[rng() % moves.size()];
      if (alt == m)
        alt = moves[(std::find(moves.begin(), moves.end(), m) - moves.begin() + 1) % moves.size()];
      MailboxPos after = pos;
      MoveUndo u;
      std::string first = MoveToSAN(pos, alt, true);
      after.MakeMove(alt, u);
      s += " (" + std::string(rng() % 4 == 0 ? "{v} " : "") + first +
           RandomLine(after, rng, rng() % 6, depth + 1) + ")";
      force = true;
    }
    MoveUndo u;
    pos.MakeMove(m, u);
  }
  return s;
}

std::vector<std::string> FixtureGames() {
  std::string text;
  EXPECT_TRUE(files::ReadAll(gametest::FixturePath("games.pgn"), text));
  std::vector<std::string> games;
  size_t start = 0;
  for (size_t i = 1; i < text.size(); ++i) {
    if (text[i - 1] != '\n' ||
        (text.compare(i, 7, "[Event ") != 0 && text.compare(i, 13, "[Custom_Tag1 ") != 0))
      continue;
    games.push_back(text.substr(start, i - start));
    start = i;
  }
  games.push_back(text.substr(start));
  return games;
}

std::unique_ptr<GameO> CoreRead(const std::string &text) {
  auto game = std::make_unique<GameO>();
  ParseResultT r;
  EXPECT_TRUE(game->ReadFromString(text, LangEnglish, r)) << r.message << " at " << r.errorPos << "\n"
                                                          << text;
  return game;
}

std::vector<std::pair<std::string, std::string>> Tags(const GameO &g) {
  std::vector<std::pair<std::string, std::string>> t;
  for (int i = 1; i <= g.GameInfo().TagCount(); ++i)
    t.emplace_back(g.GameInfo().TagName(i), g.GameInfo().TagValue(i));
  return t;
}

}  // namespace

// PGN -> packed game -> PGN again reads through the chess core's parser as
// the original text does.
TEST(ParseGameTextToBlob, MainLoadRoadThroughTheChessCore) {
  std::vector<std::string> texts = FixtureGames();
  ASSERT_EQ(texts.size(), 20u);
  std::mt19937 rng(14);
  for (int i = 0; i < 60; ++i) {
    MailboxPos start;
    start.SetStartPosition();
    texts.push_back("[Event \"Random " + std::to_string(i) +
                    "\"]\n[Site \"a \\\"b\\\" ] c\"]\n[Result \"*\"]\n\n" + (i % 3 == 0 ? "{opening} " : "") +
                    RandomLine(start, rng, 20 + rng() % 80, 0) + " *\n");
  }
  for (const std::string &text : texts) {
    // The database's SAN reader takes square-to-square moves of pawns only
    // ("g8f6" is refused), which the chess core reads.
    if (text.find("Odd spacing") != std::string::npos) {
      GameBuffer buf;
      EXPECT_FALSE(ParseGameTextToBlob(text, encIndexed, buf));
      continue;
    }
    auto original = CoreRead(text);
    for (int enc : {encIndexed, encFromTo, encSan}) {
      GameBuffer buf;
      ASSERT_TRUE(ParseGameTextToBlob(text, enc, buf)) << text;
      EXPECT_EQ(buf.capacity, buf.length);
      std::string tags, moves;
      ASSERT_TRUE(WriteTagsPGN(buf, true, tags));
      ASSERT_TRUE(WriteGamePGN(buf, true, moves));
      auto back = CoreRead(tags + "\r\n\r\n" + moves);
      EXPECT_EQ(gametest::TreeText(*back), gametest::TreeText(*original)) << text << "\n----\n"
                                                                          << tags << moves;
      EXPECT_EQ(Tags(*back), Tags(*original)) << text;
      EXPECT_EQ(back->StartPosition().GetFEN(), original->StartPosition().GetFEN()) << text;
    }
  }
}

TEST(PgnScanner, BlockBoundsAnywhereInTokensGiveWhatTheWholeTextGives) {
  // Tokens with signs, NULs, dropped characters, a token past the length a
  // message shows, castling with zeros and an illegal move, tag values with
  // escapes, brackets, stray quotes and NULs, cut by blocks of every size
  // from 1 on.
  using namespace std::string_literals;
  const std::string text = "[Event \"a\"]\r\n\r\n1. e4!? e5?? 2. Nf3\x00Nc6 3. Bb5!!! a6 4. Ba4 Nf6 5. 0-0 Be7 "s
                           "6. Re1!x? b5 7. Bb3 d6 8. c3 O-O 9. h3 Na5 *\r\n"
                           "[Event \"b\"]\r\n1. e4 e5 2. Qh5" + std::string(300, 'x') + " Nc6 *\r\n"
                           "[Event \"c\"]\r\n1. d4 d5 2. Ke3?! *\r\n"
                           "[Event \"a \\\"b\\\" ] c\"][White \"x\"y\"][Site \"e\" x][Black \"a\"  ]"
                           "[Round \"1\x00 2\"][Date \"\\\\\"][Annotator \"p\"q\" r] s\"]\r\n1. c4 *\r\n"
                           "[Event \"d\"][Site \"s\" junk][Bad x]\r\n1. c4 *\r\n"s +
                           kNext;
  const Scan whole = ScanText(text, encIndexed, text.size());
  ASSERT_EQ(whole.games.size(), 3u);
  ASSERT_EQ(whole.errors.size(), 3u);
  EXPECT_EQ(whole.games[1], Ref("c2c4", R"([Event "a \"b\" ] c"][White "x"y"][Site "e" x][Black "a"  ][Round "1  2"])"
                                        R"([Date "\\"][Annotator "p"q" r] s"])"));
  EXPECT_EQ(whole.errors[0].message, "illegal move: Qh5" + std::string(252, 'x'));
  EXPECT_EQ(whole.errors[1].message, "illegal move: Ke3");
  EXPECT_EQ(whole.errors[1].errorEnd - whole.errors[1].errorStart, 4);  // the signs belong to the token
  for (size_t block = 1; block < 48; ++block) {
    const Scan s = ScanText(text, encIndexed, block);
    ASSERT_EQ(s.games, whole.games) << block;
    ASSERT_EQ(s.errors.size(), whole.errors.size()) << block;
    for (size_t i = 0; i < s.errors.size(); ++i) {
      EXPECT_EQ(s.errors[i].message, whole.errors[i].message) << block;
      EXPECT_EQ(std::tie(s.errors[i].gameStart, s.errors[i].gameEnd, s.errors[i].errorStart, s.errors[i].errorEnd),
                std::tie(whole.errors[i].gameStart, whole.errors[i].gameEnd, whole.errors[i].errorStart,
                         whole.errors[i].errorEnd))
          << block;
    }
  }
}
