// The database's SAN reader: the token forms it takes, the ones it refuses,
// and the position it must leave as it found it.
#include <gtest/gtest.h>

#include "MailboxTestUtil.h"
#include "database/QZParser.h"
#include "database/QZUtils.h"

using namespace mbtest;

namespace {

struct Case {
  const char *fen;
  const char *token;
  const char *move;  // coordinates, "" when the token must fail
};

void Check(const Case &c) {
  MailboxPos p;
  ASSERT_TRUE(p.SetFromFEN(c.fen)) << c.fen;
  const MailboxPos before = p;
  MoveGen gen;
  Move2 m;
  const bool ok = ParseSANMove(p, gen, c.token, m);
  if (*c.move == '\0') {
    EXPECT_FALSE(ok) << c.token << " on " << c.fen;
  } else {
    ASSERT_TRUE(ok) << c.token << " on " << c.fen;
    EXPECT_EQ(MoveText(m, std::string(c.move).size() > 4), c.move) << c.token;
  }
  // Not a byte of the position changes, border and state cells included.
  EXPECT_EQ(p.cells, before.cells) << c.token;
  SanMoveRec rec;
  EXPECT_EQ(ParseSANMoveRec(p, gen, c.token, rec), ok) << c.token;
  EXPECT_EQ(p.cells, before.cells) << c.token;
}

constexpr const char *kStart = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
constexpr const char *kKnights = "4k3/8/8/8/8/5N2/8/1N2K3 w - - 0 1";
constexpr const char *kEnPassant = "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1";
constexpr const char *kCastle = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
constexpr const char *kPromote = "r5k1/1P2P3/8/8/8/8/8/4K3 w - - 0 1";

}  // namespace

TEST(SanReader, PieceMovesAndDisambiguation) {
  const Case cases[] = {
      {kKnights, "Nbd2", "b1d2"},
      {kKnights, "Nd2", ""},  // two knights can go there
      {kKnights, "Nfd2", "f3d2"},
      {kKnights, "Nb1d2", "b1d2"},
      {kKnights, "Nb1-d2", "b1d2"},
      {kKnights, "Nd2+", ""},
      {kKnights, "Nc3", "b1c3"},
      {kKnights, "Nxc3", "b1c3"},  // a capture sign on a quiet move is tolerated
      {kKnights, "N:c3", "b1c3"},
      {kKnights, "Ne5", "f3e5"},
      {kKnights, "Ne6", ""},
      {kKnights, "nc3", ""},  // small letters are no pieces
      {kKnights, "Pc3", ""},
      {kKnights, "Ke2", "e1e2"},
      {"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "N1d2", "b1d2"},
      {"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "N3d2", "b3d2"},
      {"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "Nbd2", ""},
      {"4k3/8/8/8/8/1N6/8/1N2K3 w - - 0 1", "Nb3d2", "b3d2"},
      // A pinned knight does not count as a second mover.
      {"4k3/4r3/8/8/8/5N2/4N3/4K3 w - - 0 1", "Nd4", "f3d4"},
      {"rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", "Qh4#", "d8h4"},
      {"rnbqkbnr/pppp1ppp/8/4p3/6P1/5P2/PPPPP2P/RNBQKBNR b KQkq - 0 2", "Qh4+#", ""},
      {kStart, "Nf3!", ""},
      {kStart, "Nf3.", ""},
  };
  for (const Case &c : cases) Check(c);
}

TEST(SanReader, PawnMoves) {
  const Case cases[] = {
      {kStart, "e4", "e2e4"},
      {kStart, "e3", "e2e3"},
      {kStart, "e5", ""},
      {kStart, "e2e4", "e2e4"},
      {kStart, "e2-e4", "e2e4"},
      {kStart, "e2e5", ""},  // no such pawn move
      {kStart, "e3e4", ""},
      {kStart, "e2e3", "e2e3"},
      {"4k3/8/8/8/8/4n3/4P3/4K3 w - - 0 1", "e4", ""},  // jumping over a man
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "exd5", "e4d5"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e:d5", "e4d5"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "ed5", "e4d5"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4d5", "e4d5"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "e4xd5", "e4d5"},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "ex-d5", ""},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "ex:d5", ""},
      {"4k3/8/8/3p4/4P3/8/8/4K3 w - - 0 1", "cxd5", ""},   // no pawn on the from-square
      {"4k3/8/8/3p4/P3P3/8/8/4K3 w - - 0 1", "axd5", ""},  // not a neighbouring file
      {"4k3/8/8/3p4/P3P3/8/8/4K3 w - - 0 1", "ad5", ""},
      {"4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1", "ee5", ""},
      {"4k3/8/8/4p3/4P3/8/8/4K3 w - - 0 1", "e5", ""},
      {"4k3/8/8/8/4P3/8/8/4K3 w - - 0 1", "exd5", ""},  // nothing to take
      {kEnPassant, "exd6ep", "e5d6"},
      {kEnPassant, "exd6", "e5d6"},
      {kEnPassant, "ed6", "e5d6"},
      {kEnPassant, "e5d6", "e5d6"},
      {kEnPassant, "ed6ep+", "e5d6"},
      {"4k3/8/8/3pP3/8/8/8/4K3 w - - 0 1", "exd6", ""},  // the right has passed
      {"rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 3", "dxe3", "d4e3"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", "d5", "d7d5"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", "d7d6", "d7d6"},
      // A pinned pawn.
      {"4k3/8/8/8/1b6/8/3P4/4K3 w - - 0 1", "d3", ""},
  };
  for (const Case &c : cases) Check(c);
}

TEST(SanReader, Promotions) {
  const Case cases[] = {
      {kPromote, "e8=Q", "e7e8q"},
      {kPromote, "e8Q", "e7e8q"},
      {kPromote, "e8", "e7e8q"},
      {kPromote, "e8=N", "e7e8n"},
      {kPromote, "e8R", "e7e8r"},
      {kPromote, "e8B", "e7e8b"},
      {kPromote, "e8q", ""},
      {kPromote, "e8K", ""},
      {kPromote, "bxa8=N", "b7a8n"},
      {kPromote, "ba8N", "b7a8n"},
      {kPromote, "bxa8", "b7a8q"},
      {kPromote, "b7a8R", "b7a8r"},
      {kPromote, "b7b8B", "b7b8b"},
      {kPromote, "b7b8", "b7b8q"},
      {kStart, "e4Q", ""},  // a promotion letter short of the last rank
      {kStart, "e4N", ""},
      {"4k3/8/8/8/8/8/6p1/4K2R b - - 0 1", "gxh1=R+", "g2h1r"},
      {"4k3/8/8/8/8/8/6p1/4K2R b - - 0 1", "g1", "g2g1q"},
  };
  for (const Case &c : cases) Check(c);
}

TEST(SanReader, Castling) {
  const Case cases[] = {
      {kCastle, "O-O", "e1g1"},
      {kCastle, "0-0", "e1g1"},
      {kCastle, "o-o", "e1g1"},
      {kCastle, "OO", "e1g1"},
      {kCastle, "O-O+", "e1g1"},
      {kCastle, "O-O-O", "e1c1"},
      {kCastle, "0-0-0", "e1c1"},
      {kCastle, "o-o-o", "e1c1"},
      {kCastle, "O-0", ""},
      {kCastle, "OxO", ""},
      {kCastle, "O-O-O-O", ""},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "O-O", "e8g8"},
      {"r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1", "O-O-O", "e8c8"},
      // The rook has lost its right (code 3), though it stands in the corner.
      {"r3k2r/8/8/8/8/8/8/R3K2R w Qkq - 0 1", "O-O", ""},
      {"r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1", "O-O-O", ""},
      // Out of, through and into check.
      {"r3k2r/8/8/8/4r3/8/8/R3K2R w KQkq - 0 1", "O-O", ""},
      {"r3k2r/8/8/8/5r2/8/8/R3K2R w KQkq - 0 1", "O-O", ""},
      {"r3k2r/8/8/8/6r1/8/8/R3K2R w KQkq - 0 1", "O-O", ""},
      {"r3k2r/8/8/8/3r4/8/8/R3K2R w KQkq - 0 1", "O-O-O", ""},
      // Only the b-file square may be attacked on the queen side.
      {"r3k2r/8/8/8/1r6/8/8/R3K2R w KQkq - 0 1", "O-O-O", "e1c1"},
      {"r3k2r/8/8/8/8/8/8/RN2K2R w KQkq - 0 1", "O-O-O", ""},
      {"r3k2r/8/8/8/8/8/8/R3K1NR w KQkq - 0 1", "O-O", ""},
  };
  for (const Case &c : cases) Check(c);
}

TEST(SanReader, TokenShapeAndLength) {
  const Case cases[] = {
      {kStart, "e2----e4", "e2e4"},  // eight characters
      {kStart, "e2-----e4", ""},     // nine
      {kKnights, "Nb1d2+++", "b1d2"},
      {kKnights, "Nb1d2++++", ""},
      {kStart, "", ""},
      {kStart, "e", ""},
      {kStart, "+", ""},
      {kStart, "e9", ""},
      {kStart, "i4", ""},
      {kStart, "Ng1f3", "g1f3"},
      {kStart, "g1f3", ""},  // square to square is for pawns only
      {kStart, "Xe4", ""},
  };
  for (const Case &c : cases) Check(c);
  // A NUL inside or after the token.
  MailboxPos p;
  p.SetStartPosition();
  Move2 m;
  EXPECT_TRUE(ParseSANMove(p, std::string("e4", 2), m));
  EXPECT_FALSE(ParseSANMove(p, std::string("e4\0", 3), m));
  EXPECT_FALSE(ParseSANMove(p,
                            std::string("e\0"
                                        "4",
                                        3),
                            m));
}

TEST(SanReader, RecordHoldsTheUndoAndSanInformation) {
  // Black at move 255 may still be read: the record is built without making
  // the move on the position.
  MailboxPos p;
  ASSERT_TRUE(p.SetFromFEN("4k3/8/8/8/3p4/8/4PK2/8 w - - 0 255"));
  MoveUndo u;
  p.MakeMove(ParseMove("e2e4"), u);
  const MailboxPos before = p;
  SanMoveRec rec;
  ASSERT_TRUE(ParseSANMoveRec(p, "dxe3+", rec));
  EXPECT_EQ(rec.move, ParseMove("d4e3"));
  EXPECT_EQ(rec.undo.moved, mbBlack | mbPawn);
  EXPECT_EQ(rec.undo.captured, 0);
  EXPECT_EQ(rec.undo.epCell, SquareNumber(5, 4) + 1);
  EXPECT_EQ(rec.undo.lostCastling, 0);
  EXPECT_EQ(rec.disambiguation, 5);
  EXPECT_EQ(rec.capture, 1);
  EXPECT_EQ(rec.gameState, 1);
  EXPECT_EQ(rec.moveNumber, 255);
  EXPECT_EQ(rec.side, 1);
  EXPECT_EQ(p.cells, before.cells);
  EXPECT_EQ(Move11ToSAN(rec, false), "dxe3+");
}
