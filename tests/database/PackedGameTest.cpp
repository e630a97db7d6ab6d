// The packed game block: golden bytes, the builder's order of annotations
// and its refusals, and a reader that never leaves the block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "MailboxTestUtil.h"
#include "chess/Games.h"
#include "chess/ParsePGN.h"
#include "chess/Posns.h"
#include "database/QZGamePlayer.h"
#include "database/QZUtils.h"
#include "platform/Errors.h"

namespace {

std::vector<uint8_t> Bytes(const GameBuffer &buf) { return {buf.bytes.get(), buf.bytes.get() + buf.length}; }

uint32_t U32(const GameBuffer &buf, int at) {
  return buf.bytes[at] | buf.bytes[at + 1] << 8 | buf.bytes[at + 2] << 16 |
         static_cast<uint32_t>(buf.bytes[at + 3]) << 24;
}

std::vector<uint8_t> Stream(const GameBuffer &buf) {
  const uint32_t start = (buf.bytes[4] & 1) ? 41 : 17;
  return {buf.bytes.get() + start, buf.bytes.get() + U32(buf, 5)};
}

int IndexOf(MailboxPos &p, const char *from, const char *to) {
  MoveGen gen;
  int index = 0;
  const Move2 m =
      Move2::Make(SquareNumber(from[0] - 'a' + 1, from[1] - '0'), SquareNumber(to[0] - 'a' + 1, to[1] - '0'));
  EXPECT_TRUE(p.MoveIndex(gen, m, index));
  MoveUndo u;
  p.MakeMove(m, u);
  return index;
}

// Reads everything a block offers through every reader; the counts are
// bounded by the block.
void Drain(QZGameManagerO &gm, uint32_t length) {
  uint8_t b;
  std::string text;
  Move2 m;
  SanMoveRec rec;
  uint32_t reads = 0;
  while (gm.ReadComment(text)) ASSERT_LE(++reads, length);
  while (gm.ReadNAG(b)) ASSERT_LE(++reads, 2 * length);
  while (gm.ReadSanMove(rec)) ASSERT_LE(++reads, 3 * length);
  while (gm.ReadMove2(m)) ASSERT_LE(++reads, 4 * length);
  while (gm.ReadMoveByte(b)) ASSERT_LE(++reads, 5 * length);
  EXPECT_FALSE(gm.PeekMoveByte(b));
  gm.TagCount();
  gm.GetResult();
}

std::vector<Move2> MainLine(QZGamePlayerO &pl) {
  std::vector<Move2> line;
  pl.GoToStart();
  while (pl.Forward(1)) line.push_back(pl.Entry(pl.CurrentEntry()).move);
  return line;
}

// A block the player reads: the movetext writer reads it too, and the chess
// core plays the text again, every move legal, with the player's plies and
// main line.
void ExpectReplays(QZGamePlayerO &pl, const std::string &movetext) {
  PositionO start;
  pl.StartPosition().ToPositionO(start);
  const std::string text = "[SetUp \"1\"]\n[FEN \"" + start.GetFEN() + "\"]\n" + movetext;
  GameO g;
  ParseResultT result;
  ASSERT_TRUE(g.ReadFromString(text, LangEnglish, result)) << result.message << "\n" << text;
  EXPECT_EQ(g.IllegalCount(), 0) << text;
  EXPECT_EQ(static_cast<uint32_t>(g.Nodes().Count()), pl.EntryCount()) << text;
  g.MainLineMoves();
  const std::vector<Move2> line = MainLine(pl);
  ASSERT_EQ(static_cast<size_t>(g.MainLine().Count()), line.size()) << text;
  for (size_t i = 0; i < line.size(); ++i) {
    const MoveRec &m = g.MainLine().At(static_cast<int>(i) + 1);
    EXPECT_EQ(SquareNumber(m.fromFile, m.fromRank), line[i].FromSquare()) << text;
    EXPECT_EQ(SquareNumber(m.toFile, m.toRank), line[i].ToSquare()) << text;
  }
}

}  // namespace

TEST(PackedGame, EmptyGameStartPositionAndEncoding) {
  QZGameManagerO gm;
  gm.Reset();
  ASSERT_TRUE(gm.EndGame());
  GameBuffer buf;
  ASSERT_TRUE(gm.Pack(buf));
  EXPECT_EQ(Bytes(buf),
            (std::vector<uint8_t>{19, 0, 0, 0, 0, 18, 0, 0, 0, 19, 0, 0, 0, 19, 0, 0, 0, 254, 0}));

  MailboxPos start;
  start.SetStartPosition();
  CompactPosition cp;
  start.ToCompact(cp);
  gm.Reset();
  gm.SetStartPosition(cp);
  ASSERT_TRUE(gm.EndGame());
  ASSERT_TRUE(gm.Pack(buf));
  ASSERT_EQ(buf.length, 43u);
  EXPECT_EQ(U32(buf, 0), 43u);
  EXPECT_EQ(buf.bytes[4], 1);
  EXPECT_EQ(U32(buf, 5), 42u);
  EXPECT_EQ(U32(buf, 9), 43u);
  EXPECT_EQ(U32(buf, 13), 43u);
  EXPECT_TRUE(std::equal(cp.bytes.begin(), cp.bytes.end(), buf.bytes.get() + 17));
  QZGameManagerO reader;
  ASSERT_TRUE(reader.Attach(buf));
  EXPECT_TRUE(reader.HasStartPosition());
  EXPECT_EQ(reader.StartPosition().bytes, cp.bytes);

  // The encoding goes into bits 1-2 beside the start-position bit; 6 reads as 0.
  for (int enc : {2, 1, 0}) {
    QZGameManagerO::SetEncoding(buf, enc);
    EXPECT_EQ(buf.bytes[4], 1 | enc << 1);
    EXPECT_EQ(QZGameManagerO::MoveEncoding(buf), enc);
  }
  buf.bytes[4] = 1 | 6;
  EXPECT_EQ(QZGameManagerO::MoveEncoding(buf), encIndexed);
  ASSERT_TRUE(reader.Attach(buf));
  EXPECT_EQ(reader.MoveEncoding(), encIndexed);
  EXPECT_THROW(QZGameManagerO::SetEncoding(buf, 3), ERangeError);
  EXPECT_EQ(buf.bytes[4], 7);
  GameBuffer none;
  EXPECT_THROW(QZGameManagerO::SetEncoding(none, 0), ERangeError);

  // A reset forgets the start position.
  gm.Reset();
  gm.EndGame();
  ASSERT_TRUE(gm.Pack(buf));
  EXPECT_EQ(buf.length, 19u);
}

TEST(PackedGame, StreamsAndAreas) {
  QZGameManagerO gm;
  gm.Reset();
  ASSERT_TRUE(gm.AppendIndexedMove(12));
  ASSERT_TRUE(gm.EndGame());
  GameBuffer buf;
  ASSERT_TRUE(gm.Pack(buf));
  EXPECT_EQ(Stream(buf), (std::vector<uint8_t>{12, 254}));

  // e4 $1 {good} (d4) e5, with a tag.
  MailboxPos p;
  p.SetStartPosition();
  const int e4 = IndexOf(p, "e2", "e4"), e5 = IndexOf(p, "e7", "e5");
  const std::string tags = "[Event \"x\"]";
  gm.Reset();
  gm.SetTagText(tags);
  ASSERT_TRUE(gm.AppendIndexedMove(e4));
  ASSERT_TRUE(gm.AppendNAG(1));
  ASSERT_TRUE(gm.AppendComment("good"));
  ASSERT_TRUE(gm.BeginVariation());
  ASSERT_TRUE(gm.AppendIndexedMove(10));
  ASSERT_TRUE(gm.EndVariation());
  ASSERT_TRUE(gm.AppendIndexedMove(e5));
  ASSERT_TRUE(gm.EndGame());
  ASSERT_TRUE(gm.Pack(buf));
  EXPECT_EQ(Stream(buf), (std::vector<uint8_t>{12, 252, 253, 255, 10, 254, static_cast<uint8_t>(e5), 254}));
  const uint32_t tagOff = 17 + 8, commentOff = tagOff + 12, nagOff = commentOff + 5;
  EXPECT_EQ(U32(buf, 5), tagOff);
  EXPECT_EQ(U32(buf, 9), commentOff);
  EXPECT_EQ(U32(buf, 13), nagOff);
  EXPECT_EQ(U32(buf, 0), nagOff + 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(buf.bytes.get() + tagOff), 12), tags + '\0');
  EXPECT_EQ(std::string(reinterpret_cast<const char *>(buf.bytes.get() + commentOff), 5),
            std::string("good\0", 5));
  EXPECT_EQ(buf.bytes[nagOff], 1);

  QZGameManagerO r;
  ASSERT_TRUE(r.Attach(buf));
  EXPECT_FALSE(r.HasStartPosition());
  EXPECT_EQ(r.TagText(), tags);
  std::vector<uint8_t> read;
  uint8_t b;
  ASSERT_TRUE(r.PeekMoveByte(b));
  EXPECT_EQ(b, 12);
  while (r.ReadMoveByte(b)) read.push_back(b);
  EXPECT_EQ(read, Stream(buf));
  std::string text;
  ASSERT_TRUE(r.ReadComment(text));
  EXPECT_EQ(text, "good");
  EXPECT_FALSE(r.ReadComment(text));
  ASSERT_TRUE(r.ReadNAG(b));
  EXPECT_EQ(b, 1);
  EXPECT_FALSE(r.ReadNAG(b));
}

TEST(PackedGame, WiderEncodingsReadBack) {
  const Move2 e4 = Move2::Make(SquareNumber(5, 2), SquareNumber(5, 4));
  SanMoveRec rec;
  rec.move = Move2::Make(SquareNumber(2, 7), SquareNumber(1, 8), 3);
  rec.undo = MoveUndo{mbPawn, mbBlack | mbSpecial, 45, 2};
  rec.disambiguation = 5;
  rec.capture = 1;
  rec.gameState = 3;
  rec.moveNumber = 200;
  rec.side = 1;
  QZGameManagerO gm;
  gm.Reset();
  ASSERT_TRUE(gm.AppendFromToMove(e4));
  ASSERT_TRUE(gm.AppendSanMove(rec));
  ASSERT_TRUE(gm.EndGame());
  GameBuffer buf;
  ASSERT_TRUE(gm.Pack(buf));
  // Byte by byte, in the record's order.
  EXPECT_EQ(Stream(buf), (std::vector<uint8_t>{e4.from, e4.to, rec.move.from, rec.move.to, mbPawn,
                                               mbBlack | mbSpecial, 45, 2, 5, 1, 3, 200, 1, 254}));
  QZGameManagerO::SetEncoding(buf, encFromTo);
  EXPECT_EQ(QZGameManagerO::MoveEncoding(buf), encFromTo);
  QZGameManagerO r;
  ASSERT_TRUE(r.Attach(buf));
  EXPECT_EQ(r.MoveEncoding(), encFromTo);
  Move2 m;
  ASSERT_TRUE(r.ReadMove2(m));
  EXPECT_EQ(m, e4);
  SanMoveRec back;
  ASSERT_TRUE(r.ReadSanMove(back));
  EXPECT_EQ(std::memcmp(&back, &rec, sizeof rec), 0);
  // Only the end byte is left: no record fits.
  EXPECT_FALSE(r.ReadSanMove(back));
  EXPECT_FALSE(r.ReadMove2(m));
  uint8_t b;
  ASSERT_TRUE(r.ReadMoveByte(b));
  EXPECT_EQ(b, 254);
}

TEST(PackedGame, RepackingReusesTheBuffer) {
  QZGameManagerO gm;
  auto pack = [&](int moves, GameBuffer &buf) {
    gm.Reset();
    for (int i = 0; i < moves; ++i) gm.AppendIndexedMove(1);
    gm.EndGame();
    return gm.Pack(buf);
  };
  GameBuffer buf;
  ASSERT_TRUE(pack(10, buf));
  const uint8_t *first = buf.bytes.get();
  EXPECT_EQ(buf.capacity, 29u);
  ASSERT_TRUE(pack(3, buf));
  EXPECT_EQ(buf.bytes.get(), first);
  EXPECT_EQ(buf.capacity, 29u);
  EXPECT_EQ(buf.length, 22u);
  EXPECT_EQ(U32(buf, 0), 22u);
  ASSERT_TRUE(pack(10, buf));
  EXPECT_EQ(buf.bytes.get(), first);
  ASSERT_TRUE(pack(11, buf));
  EXPECT_EQ(buf.capacity, 30u);
  EXPECT_EQ(buf.length, 30u);
  FreeGameBuffer(buf);
  EXPECT_EQ(buf.bytes, nullptr);
  EXPECT_EQ(buf.capacity, 0u);
  EXPECT_EQ(buf.length, 0u);
}

TEST(PackedGame, AnnotationsAreWrittenNagsFirstThenOneComment) {
  QZGameManagerO gm;
  GameBuffer buf;
  auto areas = [&](std::vector<uint8_t> &stream, std::string &comments, std::vector<uint8_t> &nags) {
    ASSERT_TRUE(gm.Pack(buf));
    stream = Stream(buf);
    comments.assign(reinterpret_cast<const char *>(buf.bytes.get() + U32(buf, 9)),
                    U32(buf, 13) - U32(buf, 9));
    nags.assign(buf.bytes.get() + U32(buf, 13), buf.bytes.get() + U32(buf, 0));
  };
  std::vector<uint8_t> stream, nags;
  std::string comments;

  // e4 {a} $1 {b}
  gm.Reset();
  gm.AppendIndexedMove(12);
  gm.AppendComment("a");
  gm.AppendNAG(1);
  gm.AppendComment("b");
  gm.EndGame();
  areas(stream, comments, nags);
  EXPECT_EQ(stream, (std::vector<uint8_t>{12, 252, 253, 254}));
  EXPECT_EQ(comments, std::string("a b\0", 4));
  EXPECT_EQ(nags, (std::vector<uint8_t>{1}));

  // {start} $5 e4 (  {c} d4 {} ) {d}: annotations at a line's start stay
  // there; an empty comment adds no blank; the last ones close the game.
  gm.Reset();
  gm.AppendComment("start");
  gm.AppendNAG(5);
  gm.AppendIndexedMove(12);
  gm.BeginVariation();
  gm.AppendComment("c");
  gm.AppendIndexedMove(10);
  gm.AppendComment("");
  gm.EndVariation();
  gm.AppendComment("d");
  gm.EndGame();
  areas(stream, comments, nags);
  EXPECT_EQ(stream, (std::vector<uint8_t>{252, 253, 12, 255, 253, 10, 253, 254, 253, 254}));
  EXPECT_EQ(comments, std::string("start\0c\0\0d\0", 11));
  EXPECT_EQ(nags, (std::vector<uint8_t>{5}));

  // Held annotations go out before a variation starts; an empty variation.
  gm.Reset();
  gm.AppendIndexedMove(12);
  gm.AppendComment("x");
  gm.AppendNAG(2);
  gm.AppendNAG(3);
  gm.BeginVariation();
  gm.EndVariation();
  gm.EndGame();
  areas(stream, comments, nags);
  EXPECT_EQ(stream, (std::vector<uint8_t>{12, 252, 252, 253, 255, 254, 254}));
  EXPECT_EQ(nags, (std::vector<uint8_t>{2, 3}));
}

TEST(PackedGame, RefusedGamesProduceNoBlock) {
  QZGameManagerO gm;
  GameBuffer buf;
  gm.Reset();
  gm.AppendIndexedMove(3);
  gm.EndGame();
  ASSERT_TRUE(gm.Pack(buf));
  const std::vector<uint8_t> before = Bytes(buf);

  struct Case {
    const char *what;
    std::function<bool(QZGameManagerO &)> step;
  };
  const Case cases[] = {
      {"index 252", [](QZGameManagerO &g) { return g.AppendIndexedMove(252); }},
      {"index 0", [](QZGameManagerO &g) { return g.AppendIndexedMove(0); }},
      {"from byte 64",
       [](QZGameManagerO &g) {
         return g.AppendFromToMove(Move2{64, 0});
       }},
      {"NAG 256", [](QZGameManagerO &g) { return g.AppendNAG(256); }},
      {"NAG -1", [](QZGameManagerO &g) { return g.AppendNAG(-1); }},
      {"NUL in a comment", [](QZGameManagerO &g) { return g.AppendComment(std::string("a\0b", 3)); }},
      {"NUL in the tags", [](QZGameManagerO &g) { return g.SetTagText(std::string("[A \"\0\"]", 7)); }},
      {"variation before a move", [](QZGameManagerO &g) { return g.BeginVariation(); }},
      {"variation before its own move",
       [](QZGameManagerO &g) { return g.AppendIndexedMove(1) && g.BeginVariation() && g.BeginVariation(); }},
      {"end of no variation", [](QZGameManagerO &g) { return g.AppendIndexedMove(1) && g.EndVariation(); }},
      {"game end inside a variation",
       [](QZGameManagerO &g) { return g.AppendIndexedMove(1) && g.BeginVariation() && g.EndGame(); }},
      {"a move after the end", [](QZGameManagerO &g) { return g.EndGame() && g.AppendIndexedMove(1); }},
      {"32768 moves and the end",
       [](QZGameManagerO &g) {
         for (int i = 0; i < 32768; ++i)
           if (!g.AppendIndexedMove(1)) return false;
         return g.EndGame();
       }},
      {"a NAG that does not fit",
       [](QZGameManagerO &g) {
         if (!g.AppendIndexedMove(1)) return false;
         for (int i = 0; i < 33000; ++i)
           if (!g.AppendNAG(1)) return false;
         return true;
       }},
  };
  for (const Case &c : cases) {
    gm.Reset();
    EXPECT_FALSE(c.step(gm)) << c.what;
    EXPECT_TRUE(gm.Refused()) << c.what;
    // Everything after a refusal is refused too, and no block comes out.
    EXPECT_FALSE(gm.AppendIndexedMove(1)) << c.what;
    gm.EndGame();
    EXPECT_FALSE(gm.Pack(buf)) << c.what;
    EXPECT_EQ(Bytes(buf), before) << c.what;
  }

  // Up to the limit is fine: 32767 moves and the closing 254.
  gm.Reset();
  for (int i = 0; i < 32767; ++i) ASSERT_TRUE(gm.AppendIndexedMove(251));
  ASSERT_TRUE(gm.EndGame());
  ASSERT_TRUE(gm.Pack(buf));
  EXPECT_EQ(buf.length, 17u + 32768u + 1u);
  // A game not yet ended is not packed; Reset starts a fresh game.
  gm.Reset();
  EXPECT_FALSE(gm.Refused());
  gm.AppendIndexedMove(1);
  EXPECT_FALSE(gm.Pack(buf));
}

TEST(PackedGame, AttachRefusesDamagedBlocks) {
  QZGameManagerO gm;
  gm.Reset();
  gm.SetTagText("[Event \"e\"]");
  gm.AppendIndexedMove(12);
  gm.AppendComment("c");
  gm.AppendNAG(4);
  gm.EndGame();
  GameBuffer good;
  ASSERT_TRUE(gm.Pack(good));
  const uint32_t tagOff = U32(good, 5), commentOff = U32(good, 9), nagOff = U32(good, 13);

  auto copy = [&] {
    GameBuffer b;
    SizeGameBuffer(b, good.length);
    std::copy(good.bytes.get(), good.bytes.get() + good.length, b.bytes.get());
    return b;
  };
  auto put = [](GameBuffer &b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  QZGameManagerO r;
  ASSERT_TRUE(r.Attach(good));

  struct Case {
    const char *what;
    std::function<void(GameBuffer &)> damage;
  };
  const Case cases[] = {
      {"total beyond the buffer", [&](GameBuffer &b) { put(b, 0, b.length + 1); }},
      {"buffer shorter than its total", [&](GameBuffer &b) { b.length -= 1; }},
      {"header cut", [&](GameBuffer &b) { b.length = 16; }},
      {"tag offset after the comments", [&](GameBuffer &b) { put(b, 5, commentOff + 1); }},
      {"comments after the NAGs", [&](GameBuffer &b) { put(b, 9, nagOff + 1); }},
      {"NAGs after the end", [&](GameBuffer &b) { put(b, 13, b.length + 1); }},
      {"tag offset inside the header", [&](GameBuffer &b) { put(b, 5, 10); }},
      {"start position flagged but absent", [&](GameBuffer &b) { b.bytes[4] |= 1; }},
      {"no end of the stream", [&](GameBuffer &b) { b.bytes[tagOff - 1] = 12; }},
      {"tag text without its NUL", [&](GameBuffer &b) { b.bytes[commentOff - 1] = 'x'; }},
      {"comment without its NUL", [&](GameBuffer &b) { b.bytes[nagOff - 1] = 'x'; }},
      {"huge offsets",
       [&](GameBuffer &b) {
         put(b, 0, 0xFFFFFFFF);
         put(b, 13, 0xFFFFFFF0);
       }},
  };
  for (const Case &c : cases) {
    GameBuffer b = copy();
    c.damage(b);
    EXPECT_FALSE(r.Attach(b)) << c.what;
    EXPECT_FALSE(r.Attached()) << c.what;
    uint8_t x;
    EXPECT_FALSE(r.ReadMoveByte(x)) << c.what;
    EXPECT_EQ(r.TagCount(), 0) << c.what;
  }
  GameBuffer empty;
  EXPECT_FALSE(r.Attach(empty));

  // A start position without the king of the side to move.
  gm.Reset();
  gm.SetStartPosition(CompactPosition());
  gm.EndGame();
  GameBuffer noKing;
  ASSERT_TRUE(gm.Pack(noKing));
  EXPECT_FALSE(r.Attach(noKing));
}

TEST(PackedGame, RandomDamageNeverReadsOutside) {
  // A set-up where many moves the generator offers are not legal (White's
  // bishop and knight, Black's knight pinned), so that a damaged index often
  // names one.
  const std::string fen = "7k/6np/4r1p1/8/1b6/8/3BNPP1/Q3K3 w - - 0 30";
  MailboxPos pos = mbtest::Fen(fen);
  CompactPosition cp;
  pos.ToCompact(cp);
  QZGameManagerO gm;
  gm.Reset();
  gm.SetTagText("[Event \"e\"][Result \"1-0\"][SetUp \"1\"][FEN \"" + fen + "\"]");
  gm.SetStartPosition(cp);
  const char *const moves[][2] = {{"g2", "g4"}, {"h7", "h6"}, {"f2", "f3"},
                                  {"g6", "g5"}, {"a1", "b2"}, {"h6", "h5"}};
  for (int i = 0; i < 6; ++i) {
    gm.AppendIndexedMove(IndexOf(pos, moves[i][0], moves[i][1]));
    gm.AppendComment("comment " + std::to_string(i));
    gm.AppendNAG(i);
  }
  gm.EndGame();
  GameBuffer good;
  ASSERT_TRUE(gm.Pack(good));
  QZGamePlayerO whole;
  ASSERT_TRUE(whole.Attach(good));
  const std::vector<Move2> goodLine = MainLine(whole);
  ASSERT_EQ(goodLine.size(), 6u);
  const uint32_t streamEnd = U32(good, 5);
  std::mt19937 rng(102);
  QZGameManagerO r;
  int attached = 0, replayed = 0, sameMoves = 0;
  for (int round = 0; round < 3000; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    // A copy of exactly the block's length, so that a sanitizer sees any
    // read beyond it.
    const uint32_t length = round % 7 == 0 ? rng() % good.length : good.length;
    GameBuffer b;
    SizeGameBuffer(b, length);
    std::copy(good.bytes.get(), good.bytes.get() + length, b.bytes.get());
    uint32_t firstDamaged = length;
    for (int k = 1 + rng() % 3; k > 0 && length > 0; --k) {
      const uint32_t at = rng() % length;
      b.bytes[at] = static_cast<uint8_t>(rng());
      firstDamaged = std::min(firstDamaged, at);
    }
    // Refused, or every reader takes the same game.
    const bool taken = r.Attach(b);
    if (taken) {
      ++attached;
      Drain(r, length);
    }
    QZGamePlayerO pl;
    const bool read = pl.Attach(b);
    std::string text;
    ASSERT_EQ(WriteGamePGN(b, false, text), read);
    if (!read) {
      ASSERT_TRUE(text.empty());
      continue;
    }
    ASSERT_TRUE(taken);
    ++replayed;
    ExpectReplays(pl, text);
    // Damage past the move stream leaves the moves as they were.
    if (length == good.length && firstDamaged >= streamEnd) {
      ++sameMoves;
      EXPECT_EQ(MainLine(pl), goodLine);
    }
    if (HasFailure()) return;
  }
  EXPECT_GT(attached, 1000);
  EXPECT_GT(sameMoves, 500);
  // Blocks whose header or moves were hit and that still read.
  EXPECT_GT(replayed - sameMoves, 100);
}
