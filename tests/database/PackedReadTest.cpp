// Reading packed games back: the movetext writer, the player and the
// two-byte re-encoding, all over the one stream walker.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "PackedGameTestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "chess/Posns.h"
#include "database/QZGamePlayer.h"
#include "platform/Errors.h"

using namespace pgtest;

namespace {

// The one-byte index of a move after the given moves from the start.
uint8_t Idx(const std::string &before, const std::string &move) {
  MailboxPos p;
  p.SetStartPosition();
  std::istringstream in(before);
  std::string t;
  while (in >> t) {
    MoveUndo u;
    p.MakeMove(mbtest::ParseMove(t), u);
  }
  MoveGen gen;
  int index = 0;
  if (!p.MoveIndex(gen, mbtest::ParseMove(move), index)) throw std::runtime_error("no index");
  return static_cast<uint8_t>(index);
}

std::string Movetext(const GameBuffer &buf, bool wrap = false) {
  std::string out;
  EXPECT_TRUE(WriteGamePGN(buf, wrap, out));
  return out;
}

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> out;
  size_t i = 0;
  for (;;) {
    const size_t j = text.find("\r\n", i);
    out.push_back(text.substr(i, j == std::string::npos ? std::string::npos : j - i));
    if (j == std::string::npos) return out;
    i = j + 2;
  }
}

const char *const kGame =
    "e2e4 $1 {good} e7e5 ( c7c5 g1f3 ( b1c3 {closed} b8c6 ) ( f2f4 ) d7d6 ) ( e7e6 ) g1f3 "
    "b8c6 $2 $14 f1b5 {Spanish} a7a6";

}  // namespace

TEST(WriteGamePGN, NumbersCommentsVariationsAndResults) {
  // After a comment and after a variation the next move carries its number.
  EXPECT_EQ(Movetext(Pack("e2e4 {a} e7e5 g1f3", encIndexed, "[Result \"1-0\"]")),
            " 1. e4 {a} 1... e5 2. Nf3 1-0");
  EXPECT_EQ(Movetext(Pack("e2e4 e7e5 ( c7c5 g1f3 ) g1f3 b8c6", encIndexed, "[Result \"0-1\"]")),
            " 1. e4 e5 (1... c5 2. Nf3) 2. Nf3 Nc6 0-1");
  EXPECT_EQ(Movetext(Pack("e2e4", encIndexed, "[Result \"1/2-1/2\"]")), " 1. e4 1/2-1/2");
  // Unknown or missing results are "*"; the empty game is the result alone.
  EXPECT_EQ(Movetext(Pack("e2e4", encIndexed, "[Result \"?\"]")), " 1. e4 *");
  EXPECT_EQ(Movetext(Pack("")), " *");
  // Leading NAGs and a leading comment of the game.
  EXPECT_EQ(Movetext(Pack("$3 {start} e2e4 $1 $7 e7e5")), " $3 {start} 1. e4 $1 $7 e5 *");
  // "}" inside a comment is written as ")", so the text reads back.
  EXPECT_EQ(Movetext(Raw({Idx("", "e2e4"), 253, 254}, {"a} b"})), " 1. e4 {a) b} *");
  // The full fixture, the same in all three encodings.
  const std::string full = Movetext(Pack(kGame));
  EXPECT_EQ(full,
            " 1. e4 $1 {good} 1... e5 (1... c5 2. Nf3 (2. Nc3 {closed} 2... Nc6) (2. f4) 2... d6) "
            "(1... e6) 2. Nf3 Nc6 $2 $14 3. Bb5 {Spanish} 3... a6 *");
  EXPECT_EQ(Movetext(Pack(kGame, encFromTo)), full);
  EXPECT_EQ(Movetext(Pack(kGame, encSan)), full);
}

TEST(WriteGamePGN, VariationShapesOfTheGrammar) {
  // A variation opening with a comment and a NAG.
  EXPECT_EQ(Movetext(Pack("e2e4 ( $5 {or} d2d4 ) e7e5")), " 1. e4 ($5 {or} 1. d4) 1... e5 *");
  // A variation whose first move has alternatives of its own.
  EXPECT_EQ(Movetext(Pack("e2e4 ( d2d4 ( c2c4 ) d7d5 ) e7e5")), " 1. e4 (1. d4 (1. c4) 1... d5) 1... e5 *");
  // An empty variation (255 254) is left out, and forces nothing.
  const uint8_t e4 = Idx("", "e2e4"), e5 = Idx("e2e4", "e7e5"), d4 = Idx("", "d2d4");
  EXPECT_EQ(Movetext(Raw({e4, 255, 254, e5, 254})), " 1. e4 e5 *");
  // One of annotations alone keeps them.
  EXPECT_EQ(Movetext(Raw({e4, 255, 253, 254, e5, 254}, {"kept"})), " 1. e4 ({kept}) 1... e5 *");
  EXPECT_EQ(Movetext(Raw({e4, 255, 252, 254, e5, 254}, {}, {5})), " 1. e4 ($5) 1... e5 *");
  // NAGs and a comment after a variation's closing 254 belong to the move
  // before the variation.
  EXPECT_EQ(Movetext(Raw({e4, 255, d4, 254, 252, 253, e5, 254}, {"x"}, {1})),
            " 1. e4 (1. d4) $1 {x} 1... e5 *");
  // Control bytes in any order and number: NAGs first, comments joined.
  EXPECT_EQ(Movetext(Raw({e4, 253, 252, 253, e5, 254}, {"a", "b"}, {4})), " 1. e4 $4 {a b} 1... e5 *");
}

TEST(WriteGamePGN, SetUpGameNumberedFromItsFen) {
  const std::string fen = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 20";
  EXPECT_EQ(Movetext(Pack("g8f6 g1f3", encIndexed, "[FEN \"" + fen + "\"]", fen)), " 20... Nf6 21. Nf3 *");
  // Without a usable number in the tag the game counts from 1.
  const std::string bare = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq -";
  EXPECT_EQ(Movetext(Pack("g8f6", encIndexed, "[FEN \"" + bare + "\"]", fen)), " 1... Nf6 *");
  EXPECT_EQ(Movetext(Pack("g8f6", encIndexed, "[FEN \"" + bare + " 0 300\"]", fen)), " 1... Nf6 *");
  // A set-up game at move 255 with Black to move cannot go on past it.
  const std::string late = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 255";
  std::string out = "stale";
  EXPECT_FALSE(WriteGamePGN(Pack("g1f3 g8f6", encIndexed, "[FEN \"" + late + "\"]", late), false, out));
  EXPECT_EQ(out, "");
}

TEST(WriteGamePGN, WrapsBefore80WithTheClosingBracketExempt) {
  // A long game: the wrapped text is the one-line text broken at blanks.
  std::string game;
  for (int i = 0; i < 20; ++i) game += "g1f3 g8f6 f3g1 f6g8 ";
  game += "e2e4 ( d2d4 {a rather long comment to move the columns about} d7d5 ) e7e5";
  const std::string one = Movetext(Pack(game));
  const std::string wrapped = Movetext(Pack(game), true);
  EXPECT_EQ(one.find('\r'), std::string::npos);
  EXPECT_GT(Lines(wrapped).size(), 3u);
  std::string joined = wrapped;
  for (size_t p; (p = joined.find("\r\n")) != std::string::npos;) joined.replace(p, 2, " ");
  EXPECT_EQ(joined, one);
  const auto lines = Lines(wrapped);
  for (size_t i = 0; i < lines.size(); ++i) {
    EXPECT_LT(lines[i].size(), 80u) << lines[i];
    // A broken token loses its blank; only the text itself begins with one.
    EXPECT_EQ(lines[i].front() == ' ', i == 0) << lines[i];
  }

  // Move the columns until a closing ")" lands on column 80: it stays on
  // its line, the only way a line reaches 80.
  bool exempted = false;
  for (int n = 1; n < 90 && !exempted; ++n) {
    const std::string text = Movetext(
        Pack("e2e4 ( d2d4 {" + std::string(n, 'x') + "} d7d5 ) e7e5 g1f3 g8f6 f1c4 f8c5 b1c3 b8c6 d2d3 d7d6"),
        true);
    for (const std::string &l : Lines(text)) {
      if (l.size() >= 80) {
        EXPECT_EQ(l.size(), 80u);
        EXPECT_EQ(l.back(), ')');
        exempted = true;
      }
    }
  }
  EXPECT_TRUE(exempted);

  // A comment too long for a line: it starts a line of its own, but never
  // an empty first line, so the text still begins with a blank.
  const std::string longText(100, 'c');
  EXPECT_EQ(Movetext(Pack("{" + longText + "} e2e4 {" + longText + "} e7e5"), true),
            " {" + longText + "}\r\n1. e4\r\n{" + longText + "}\r\n1... e5 *");
}

TEST(WriteGamePGN, AVariationsBracketWrapsWithItsFirstMoveAtEveryColumn) {
  // The "(" takes the first token's blank: a break before it drops only
  // that blank, and the bracket counts in the line's length.
  for (int n = 1; n < 76; ++n) {
    const GameBuffer buf = Pack("e2e4 {" + std::string(n, 'x') +
                                "} e7e5 ( c7c5 $1 ( e7e6 ) d2d4 ) g1f3 ( f2f4 {y} ) b8c6 f1c4 g8f6");
    const std::string one = Movetext(buf), wrapped = Movetext(buf, true);
    std::string joined = wrapped;
    for (size_t p; (p = joined.find("\r\n")) != std::string::npos;) joined.replace(p, 2, " ");
    ASSERT_EQ(joined, one) << n;
    for (const std::string &l : Lines(wrapped)) {
      EXPECT_TRUE(l.size() < 80 || (l.size() == 80 && l.back() == ')')) << n << ": " << l;
      EXPECT_NE(l.substr(0, 2), " (") << n;
    }
  }
}

TEST(WriteGamePGN, DamagedBlocksAreRefusedWhole) {
  const uint8_t e4 = Idx("", "e2e4");
  const std::vector<std::vector<uint8_t>> streams = {
      {21, 254},            // index beyond the 20 moves of the start
      {0, 254},             // index 0
      {255, e4, 254, 254},  // a variation with no move to replace
      {e4, 255, e4, 254},   // the main line never closes
      {e4, 252, 254},       // a NAG with an empty NAG area
      {e4, 253, 254},       // a comment with an empty comment area
  };
  for (const auto &s : streams) {
    std::string out = "stale";
    EXPECT_FALSE(WriteGamePGN(Raw(s), false, out)) << int(s[0]);
    EXPECT_EQ(out, "");
  }
  // Two-byte moves the generator does not make: e2-e5, and promotion bits
  // on a plain move.
  const Move2 bad[] = {mbtest::ParseMove("e2e5"), Move2::Make(SquareNumber(5, 2), SquareNumber(5, 4), 1)};
  for (Move2 m : bad) {
    std::string out;
    EXPECT_FALSE(WriteGamePGN(Raw({m.from, m.to, 254}, {}, {}, "", encFromTo), false, out));
  }
  // Pseudo-legal but illegal: after 1. e4 f5 2. Qh5+ Black may not play a6.
  const std::string before = "e2e4 f7f5 d1h5";
  std::vector<uint8_t> s = {e4, Idx("e2e4", "f7f5"), Idx("e2e4 f7f5", "d1h5"), Idx(before, "a7a6"), 254};
  std::string out;
  EXPECT_FALSE(WriteGamePGN(Raw(s), false, out));
  s[3] = Idx(before, "g7g6");
  EXPECT_TRUE(WriteGamePGN(Raw(s), false, out));
  EXPECT_EQ(out, " 1. e4 f5 2. Qh5+ g6 *");

  // A block whose header lies is refused before any stream is read.
  GameBuffer cut = Pack("e2e4 e7e5");
  cut.length -= 1;
  EXPECT_FALSE(WriteGamePGN(cut, false, out));
  GameBuffer none;
  EXPECT_FALSE(WriteGamePGN(none, false, out));
}

// ---------------------------------------------------------------------------

namespace {

// Every path of the player's tree, as move texts, with the continuations of
// its last ply; checks on the way that every position equals a fresh replay.
void Explore(QZGamePlayerO &pl, std::vector<std::string> &path, std::map<std::string, int> &seen) {
  std::string key;
  MailboxPos fresh = pl.StartPosition();
  for (const std::string &m : path) {
    key += (key.empty() ? "" : " ") + m;
    MoveUndo u;
    fresh.MakeMove(mbtest::ParseMove(m), u);
  }
  EXPECT_TRUE(mbtest::SameState(pl.CurrentPosition(), fresh)) << key;
  EXPECT_EQ(pl.PathLength(), static_cast<int>(path.size()));
  EXPECT_EQ(pl.CanGoBack(), !path.empty());
  seen[key] = pl.CurrentPly();
  for (int n = 1; n <= pl.CurrentPly(); ++n) {
    const MailboxPos before = pl.CurrentPosition();
    ASSERT_TRUE(pl.Forward(n));
    const Move2 m = pl.Entry(pl.CurrentEntry()).move;
    path.push_back(mbtest::MoveText(m, mbtest::IsPromotion(before, m)));
    Explore(pl, path, seen);
    path.pop_back();
    ASSERT_TRUE(pl.Back());
  }
  EXPECT_FALSE(pl.Forward(pl.CurrentPly() + 1));
}

}  // namespace

TEST(QZGamePlayerO, EveryPathOfNestedVariationsEqualsAFreshReplay) {
  for (int enc = encIndexed; enc <= encSan; ++enc) {
    QZGamePlayerO pl;
    ASSERT_TRUE(pl.Attach(Pack(kGame, enc)));
    std::vector<std::string> path;
    std::map<std::string, int> seen;
    Explore(pl, path, seen);
    const std::map<std::string, int> expected = {
        {"", 1},
        {"e2e4", 3},  // e5, c5, e6
        {"e2e4 e7e5", 1},
        {"e2e4 e7e5 g1f3", 1},
        {"e2e4 e7e5 g1f3 b8c6", 1},
        {"e2e4 e7e5 g1f3 b8c6 f1b5", 1},
        {"e2e4 e7e5 g1f3 b8c6 f1b5 a7a6", 0},
        {"e2e4 c7c5", 3},  // Nf3, Nc3, f4
        {"e2e4 c7c5 g1f3", 1},
        {"e2e4 c7c5 g1f3 d7d6", 0},
        {"e2e4 c7c5 b1c3", 1},
        {"e2e4 c7c5 b1c3 b8c6", 0},
        {"e2e4 c7c5 f2f4", 0},
        {"e2e4 e7e6", 0},
    };
    EXPECT_EQ(seen, expected) << enc;
    EXPECT_FALSE(pl.Back());
  }
  // Set-up games with castling, en passant and promotions: every ply is
  // reached once, each by the replay of its own moves.
  const std::string kiwi = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 7";
  const std::string promo = "8/P6k/8/8/8/8/6Kp/8 w - - 0 60";
  const std::pair<std::string, std::string> games[] = {
      {"e1g1 $1 ( e1c1 h8h7 ( e8g8 ) ( e8c8 ) ) ( d5e6 f7e6 ) ( a2a4 b4a3 ) a6e2 ( e6d5 ( ) ) f3e2", kiwi},
      {"a7a8q h2h1n ( h2h1q g2h1 ( g2g3 ) ) ( h2h1r g2h1 ) a8a1 ( a8h8 )", promo}};
  for (const auto &[game, fen] : games) {
    QZGamePlayerO pl;
    ASSERT_TRUE(pl.Attach(Pack(game, encIndexed, "", fen)));
    std::vector<std::string> path;
    std::map<std::string, int> seen;
    Explore(pl, path, seen);
    EXPECT_EQ(seen.size(), pl.EntryCount()) << game;
  }
}

TEST(QZGamePlayerO, AnnotationsOfThePlies) {
  QZGamePlayerO pl;
  ASSERT_TRUE(pl.Attach(Pack(
      "{intro} $4 e2e4 $1 $2 {good} e7e5 ( $7 {or} c7c5 {sharp} ) ( e7e6 ) ( $5 {only} ) $9 {after} g1f3")));
  EXPECT_EQ(pl.Entry(1).comment, "intro");
  EXPECT_EQ(pl.Entry(1).nag, 4);
  ASSERT_TRUE(pl.Forward(1));
  const uint32_t e4 = pl.CurrentEntry();
  // The last NAG wins, and a variation's leading annotations are not the
  // ply's it branches from.
  EXPECT_EQ(pl.Entry(e4).nag, 2);
  EXPECT_EQ(pl.Entry(e4).comment, "good");
  EXPECT_EQ(pl.CurrentPly(), 3);
  // They belong to the variation's first move, before its own.
  ASSERT_TRUE(pl.Forward(2));
  EXPECT_EQ(pl.Entry(pl.CurrentEntry()).nag, 7);
  EXPECT_EQ(pl.Entry(pl.CurrentEntry()).comment, "or sharp");
  ASSERT_TRUE(pl.Back());
  // A variation of annotations alone, and those after a variation, belong
  // to the move the variations stand beside.
  ASSERT_TRUE(pl.Forward(1));
  EXPECT_EQ(pl.Entry(pl.CurrentEntry()).nag, 9);
  EXPECT_EQ(pl.Entry(pl.CurrentEntry()).comment, "only after");
  EXPECT_THROW(pl.Entry(pl.EntryCount() + 1), ERangeError);
}

TEST(QZGamePlayerO, PathLimitAndDamagedBlocks) {
  // Knight moves there and back: 127 rounds reach move 255 with White to
  // move, the longest a game can be (509 plies with the last White move).
  const uint8_t cycle[4] = {Idx("", "g1f3"), Idx("g1f3", "g8f6"), Idx("g1f3 g8f6", "f3g1"),
                            Idx("g1f3 g8f6 f3g1", "f6g8")};
  std::vector<uint8_t> stream;
  for (int i = 0; i < 127 * 4 + 1; ++i) stream.push_back(cycle[i % 4]);
  stream.push_back(254);
  QZGamePlayerO pl;
  ASSERT_TRUE(pl.Attach(Raw(stream)));
  EXPECT_EQ(pl.EntryCount(), 510u);
  for (int i = 0; i < 509; ++i) ASSERT_TRUE(pl.Forward(1)) << i;
  EXPECT_EQ(pl.CurrentPosition().MoveNumber(), 255);
  EXPECT_FALSE(pl.Forward(1));
  // One Black move more would pass move 255: the block is damaged.
  stream.back() = cycle[1];
  stream.push_back(254);
  EXPECT_FALSE(pl.Attach(Raw(stream)));
  std::string out;
  EXPECT_FALSE(WriteGamePGN(Raw(stream), false, out));

  // So a path of 512 moves is out of a game's reach; a shorter limit shows
  // the refusal.
  QZGamePlayerO shortPath(8);
  stream.resize(20);
  stream.push_back(254);
  ASSERT_TRUE(shortPath.Attach(Raw(stream)));
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(shortPath.Forward(1)) << i;
  const MailboxPos at = shortPath.CurrentPosition();
  const uint32_t entry = shortPath.CurrentEntry();
  EXPECT_EQ(shortPath.CurrentPly(), 1);
  EXPECT_FALSE(shortPath.Forward(1));
  EXPECT_TRUE(mbtest::SameState(shortPath.CurrentPosition(), at));
  EXPECT_EQ(shortPath.CurrentEntry(), entry);
  EXPECT_EQ(shortPath.PathLength(), 8);
  ASSERT_TRUE(shortPath.Back());
  EXPECT_TRUE(shortPath.Forward(1));
  shortPath.GoToStart();
  EXPECT_FALSE(shortPath.CanGoBack());
  EXPECT_EQ(shortPath.CurrentPosition().MoveNumber(), 1);

  // A damaged block leaves the player empty, not half-filled.
  const uint8_t e4 = Idx("", "e2e4");
  EXPECT_FALSE(pl.Attach(Raw({e4, 255, 40, 254, 254})));
  EXPECT_EQ(pl.EntryCount(), 1u);
  EXPECT_EQ(pl.CurrentPly(), 0);
  EXPECT_FALSE(pl.Forward(1));
  MailboxPos initial;
  initial.SetStartPosition();
  EXPECT_TRUE(mbtest::SameState(pl.CurrentPosition(), initial));
}

// ---------------------------------------------------------------------------

namespace {

// The moves of a block in stream order.
std::vector<Move2> StreamMoves(const GameBuffer &buf) {
  struct Collect : PackedStreamVisitor {
    std::vector<Move2> moves;
    bool Move(MailboxPos &, Move2 m) override {
      moves.push_back(m);
      return true;
    }
  } collect;
  QZGameManagerO man;
  MailboxPos start;
  EXPECT_TRUE(man.Attach(buf) && BlockStartPosition(man, start));
  MoveGen gen;
  ManagerStreamSource src(man);
  EXPECT_TRUE(PackedStreamWalker(gen).Walk(src, start, collect));
  return collect.moves;
}

uint32_t U32(const GameBuffer &b, int at) {
  return b.bytes[at] | (b.bytes[at + 1] << 8) | (b.bytes[at + 2] << 16) | (uint32_t(b.bytes[at + 3]) << 24);
}

}  // namespace

TEST(ReencodeGame, KeepsEveryNonMoveByteAndTheMoves) {
  const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 7";
  const std::string tags = "[Event \"Test\"][FEN \"" + fen + "\"][Result \"1-0\"]";
  const std::string game =
      "{start} e1g1 $1 ( e1c1 {long} $3 h8h7 ( e8g8 ) ) ( d5e6 ) a6e2 {x} ( e6d5 $2 ( ) ) f3e2 $5";
  const GameBuffer one = Pack(game, encIndexed, tags, fen);
  GameBuffer two;
  ASSERT_TRUE(ReencodeGame(one, two));
  EXPECT_EQ(QZGameManagerO::MoveEncoding(two), encFromTo);
  EXPECT_EQ(two.capacity, two.length);

  // The start position, then everything from the tag text on, byte for byte.
  EXPECT_EQ(two.bytes[4] & 1, 1);
  EXPECT_TRUE(std::equal(one.bytes.get() + 17, one.bytes.get() + 41, two.bytes.get() + 17));
  const uint32_t tag1 = U32(one, 5), tag2 = U32(two, 5);
  ASSERT_EQ(one.length - tag1, two.length - tag2);
  EXPECT_TRUE(std::equal(one.bytes.get() + tag1, one.bytes.get() + one.length, two.bytes.get() + tag2));
  EXPECT_EQ(U32(two, 9) - tag2, U32(one, 9) - tag1);
  EXPECT_EQ(U32(two, 13) - tag2, U32(one, 13) - tag1);
  // The stream: the same control bytes at the same places, each move as its
  // two bytes.
  const std::vector<Move2> moves = StreamMoves(one);
  EXPECT_EQ(StreamMoves(two), moves);
  std::vector<uint8_t> s1(one.bytes.get() + 41, one.bytes.get() + tag1), s2;
  size_t k = 0;
  for (size_t i = 0; i < s1.size(); ++i) {
    if (s1[i] >= 252) {
      s2.push_back(s1[i]);
    } else {
      s2.push_back(moves[k].from);
      s2.push_back(moves[k++].to);
    }
  }
  EXPECT_EQ(k, moves.size());
  EXPECT_TRUE(std::equal(s2.begin(), s2.end(), two.bytes.get() + 41, two.bytes.get() + tag2));
  EXPECT_EQ(Movetext(one), Movetext(two));
  EXPECT_EQ(Movetext(one),
            " {start} 7. O-O $1 (7. O-O-O $3 {long} 7... Rh7 (7... O-O)) (7. dxe6) 7... Bxe2 {x} (7... exd5 "
            "$2) 8. Qxe2 $5 1-0");

  // A damaged block leaves the output as it was.
  GameBuffer keep = Pack("e2e4");
  const std::vector<uint8_t> before(keep.bytes.get(), keep.bytes.get() + keep.length);
  EXPECT_FALSE(ReencodeGame(Raw({30, 254}), keep));
  EXPECT_TRUE(std::equal(before.begin(), before.end(), keep.bytes.get()));
}

TEST(WriteGamePGN, StartPositionsNoGameReachesAreRefused) {
  auto block = [](const MailboxPos &p) {
    CompactPosition cp;
    p.ToCompact(cp);
    return Raw({254}, {}, {}, "", encIndexed, &cp);
  };
  auto accepted = [](const GameBuffer &b) {
    std::string out;
    QZGamePlayerO pl;
    GameBuffer two;
    const bool w = WriteGamePGN(b, false, out);
    EXPECT_EQ(pl.Attach(b), w);
    EXPECT_EQ(ReencodeGame(b, two), w);
    return w;
  };
  EXPECT_TRUE(accepted(block(mbtest::Fen("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1"))));
  EXPECT_TRUE(accepted(block(mbtest::Fen("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"))));
  EXPECT_FALSE(accepted(block(mbtest::Fen("4k3/8/8/8/8/8/8/K3K3 w - - 0 1"))));  // two white kings
  EXPECT_FALSE(
      accepted(block(mbtest::Fen("4k3/8/8/8/8/8/8/r3K3 b - - 0 1"))));  // White in check, Black to move
  EXPECT_FALSE(accepted(block(mbtest::Fen("P3k3/8/8/8/8/8/8/4K3 w - - 0 1"))));  // a pawn on rank 8
  MailboxPos p = mbtest::Fen("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
  p.Set(1, 8, mbSpecial);  // a white castling rook on a Black corner
  EXPECT_FALSE(accepted(block(p)));
  p = mbtest::Fen("4k3/8/8/8/8/3P4/8/4K3 w - - 0 1");
  p.Set(4, 3, mbSpecial);  // an en-passant pawn of the side to move, off its square
  EXPECT_FALSE(accepted(block(p)));
}

// ---------------------------------------------------------------------------
// The load path: tag lines and movetext read back by the chess core's PGN
// reader give the tree the player sees.

namespace {

void SameTree(GameO &g, QZGamePlayerO &pl, bool comments) {
  ASSERT_EQ(g.ChildCount(), pl.CurrentPly());
  for (int i = 1; i <= g.ChildCount(); ++i) {
    ASSERT_TRUE(g.GoForward(i));
    ASSERT_TRUE(pl.Forward(i));
    const PlyEntry &e = pl.Entry(pl.CurrentEntry());
    EXPECT_EQ(MailboxPos::MoveFromMoveRec(g.CurrentNode()->move), e.move);
    if (comments) {
      EXPECT_EQ(g.CurrentNode()->Comment(), e.comment);
    }
    EXPECT_EQ(g.NagCount() ? g.Nag(g.NagCount()) : 0, e.nag);
    SameTree(g, pl, comments);
    ASSERT_TRUE(g.GoBack());
    ASSERT_TRUE(pl.Back());
  }
}

void ReadBack(const GameBuffer &buf, bool comments, bool wrap) {
  std::string tags, moves;
  ASSERT_TRUE(WriteTagsPGN(buf, true, tags));
  ASSERT_TRUE(WriteGamePGN(buf, wrap, moves));
  GameO g;
  ParseResultT r;
  ASSERT_TRUE(g.ReadFromString(tags + "\r\n\r\n" + moves, LangEnglish, r)) << r.message << "\n" << moves;
  QZGamePlayerO pl;
  ASSERT_TRUE(pl.Attach(buf));
  EXPECT_TRUE(MailboxPos::Equal(pl.StartPosition(), [&] {
    MailboxPos p;
    p.FromPositionO(g.StartPosition());
    return p;
  }()));
  SameTree(g, pl, comments);
}

}  // namespace

TEST(WriteGamePGN, ReadsBackThroughTheChessCore) {
  ReadBack(Pack(kGame, encIndexed, "[Event \"A \\\"quoted\\\" name\"][Result \"1-0\"]"), true, false);
  ReadBack(Pack(kGame, encSan), true, true);
  const std::string fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 7";
  std::string game;
  for (int i = 0; i < 6; ++i) game += "f3g3 f6g4 ( e7d8 ) g3f3 g4f6 ";
  game += "e1g1 $1 ( e1c1 {long} $3 h8h7 ( e8g8 ) ) ( d5e6 ) a6e2 {x} ( e6d5 $2 ( ) ) f3e2 $5";
  ReadBack(Pack(game, encIndexed, "[SetUp \"1\"][FEN \"" + fen + "\"]", fen), true, true);
  // Variations that open with annotations, and one of annotations alone.
  ReadBack(
      Pack("e2e4 $1 {good} e7e5 ( $7 {or} c7c5 {sharp} g1f3 ) ( $5 {only} ) $9 g1f3 ( {quiet} $3 b1c3 )"),
      true, true);
  // A comment holding "}" and a variation that opens with a comment: the
  // moves come back whole (where such a comment lands is the reader's
  // business).
  ReadBack(
      Raw({Idx("", "e2e4"), 253, 255, 253, Idx("", "d2d4"), 254, Idx("e2e4", "e7e5"), 254}, {"a}b", "or"}),
      false, false);
  // A variation of annotations alone: the chess core gives them to the move
  // before it, so nothing of them is lost on the way.
  GameO g;
  ParseResultT r;
  std::string moves;
  ASSERT_TRUE(WriteGamePGN(
      Raw({Idx("", "e2e4"), 255, 252, 253, 254, Idx("e2e4", "e7e5"), 254}, {"kept"}, {5}), true, moves));
  ASSERT_TRUE(g.ReadFromString("[Result \"*\"]\r\n\r\n" + moves, LangEnglish, r)) << r.message;
  ASSERT_TRUE(g.GoForward(1));
  EXPECT_EQ(g.CurrentNode()->Comment(), "kept");
  ASSERT_EQ(g.NagCount(), 1);
  EXPECT_EQ(g.Nag(1), 5);
  EXPECT_EQ(g.ChildCount(), 1);
}
