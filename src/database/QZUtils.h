#pragma once
// The database's own small position and its pseudo-legal move generator.
//
// A game stored with the one-byte move encoding keeps, for every move, the
// 1-based index of that move in the list MoveGen produces for the position
// before it. The order of generation is therefore part of the file format:
// any change to it changes the meaning of every stored game.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "chess/Diags.h"

class PositionO;
class MoveRec;

// Men of the mailbox: code in bits 0-2, colour in bit 3.
enum : uint8_t {
  mbEmpty = 0,
  mbKing = 1,
  mbQueen = 2,
  mbRook = 3,
  mbBishop = 4,
  mbKnight = 5,
  mbPawn = 6,
  // On a1/h1/a8/h8 a rook that keeps its castling right, elsewhere a pawn
  // that may be taken en passant.
  mbSpecial = 7,
  mbBlack = 8,
};

// Square numbers (file - 1) * 8 + (rank - 1), a1 = 0, a2 = 1, ..., h8 = 63.
constexpr int SquareNumber(int file, int rank) { return (file - 1) * 8 + (rank - 1); }
constexpr int SquareFile(int sq) { return (sq >> 3) + 1; }
constexpr int SquareRank(int sq) { return (sq & 7) + 1; }

// A 16-bit move: from-square number in the low byte; the to-square number in
// bits 0-5 of the high byte and the promotion piece (0 queen, 1 rook,
// 2 bishop, 3 knight) in bits 6-7.
struct Move2 {
  uint8_t from = 0;
  uint8_t to = 0;

  static constexpr Move2 Make(int fromSq, int toSq, int promotion = 0) {
    return Move2{static_cast<uint8_t>(fromSq), static_cast<uint8_t>(toSq | (promotion << 6))};
  }
  static constexpr Move2 FromWord(uint16_t w) {
    return Move2{static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8)};
  }
  constexpr uint16_t Word() const { return static_cast<uint16_t>(from | (to << 8)); }
  constexpr int FromSquare() const { return from & 63; }
  constexpr int ToSquare() const { return to & 63; }
  constexpr int Promotion() const { return to >> 6; }
  friend constexpr bool operator==(Move2 a, Move2 b) { return a.from == b.from && a.to == b.to; }
};
static_assert(sizeof(Move2) == 2);

// What MakeMove needs to take a move back exactly.
struct MoveUndo {
  uint8_t moved = 0;         // the moved man's byte as it stood on the from-square
  uint8_t captured = 0;      // the to-square's previous content
  uint8_t epCell = 0;        // the previous en-passant cell
  uint8_t lostCastling = 0;  // rights lost by a king move: bit 1 a-file rook, bit 0 h-file rook
};
static_assert(sizeof(MoveUndo) == 4);

// 24 bytes, stored in packed games and key-position records.
struct CompactPosition {
  std::array<uint8_t, 24> bytes{};
};
static_assert(sizeof(CompactPosition) == 24);

// The eleven-byte move of the packed format.
struct SanMoveRec {
  Move2 move;
  MoveUndo undo;
  uint8_t disambiguation = 0;  // 0 none, 1 or 2 from-file, 3 from-rank, 4 both, 5 pawn capture
  uint8_t capture = 0;         // the to-square held a man or a pawn changed file
  uint8_t gameState = 0;       // after the move: 0 normal, 1 check, 3 checkmate, 4 stalemate
  uint8_t moveNumber = 0;      // before the move
  uint8_t side = 0;            // to move before the move
};
static_assert(sizeof(SanMoveRec) == 11);

// Request kinds of MoveGen::Generate.
enum : uint8_t {
  genAllMoves = 0,  // and every value without a meaning of its own
  genAnyLegal = 1,
  genMovers = 2,
  genMoversFromFile = 3,
  genMoversFromRank = 4,
  genMoversFromSquare = 5,
  genFindIndex = 6,
  genGetByIndex = 7,
};

struct GenRequest {
  uint8_t kind = genAllMoves;
  uint8_t piece = 0;                   // kinds 2-5: code 1..7 (colour bits are ignored)
  uint8_t fromFile = 0, fromRank = 0;  // kinds 3-5
  uint8_t toFile = 0, toRank = 0;      // kinds 2-5
  uint16_t index = 0;                  // kind 7
  Move2 move;                          // kind 6
};

struct MailboxPos;

// What the legality tests of one generation may rely on (see
// MailboxPos::LegalityOf).
struct LegalityHint {
  int kingCell = 0;      // the own king, not in check: moves off its lines need no test
  bool inCheck = false;  // the side to move is in check
};

// Board sets of a position (bit n is square number n): the men by code
// (bits 0-2 of the cell; code[0] is a cell holding only the colour bit),
// the black ones, and all men. Board cells hold 0..15.
struct BoardBits {
  static constexpr uint64_t kBackRanks = 0x8181818181818181ULL;

  uint64_t code[8] = {};
  uint64_t black = 0;
  uint64_t occ = 0;

  uint64_t Colour(bool blackSide) const { return blackSide ? black : occ & ~black; }
  // The men that attack as rooks and as pawns: a code-7 man on rank 1 or 8
  // is a castling rook, elsewhere a pawn that may be taken en passant.
  uint64_t Rooks() const { return code[mbRook] | (code[mbSpecial] & kBackRanks); }
  uint64_t Pawns() const { return code[mbPawn] | (code[mbSpecial] & ~kBackRanks); }

  void Put(int sq, uint8_t man) {
    const uint64_t bit = uint64_t{1} << sq;
    for (uint64_t &c : code) c &= ~bit;
    black &= ~bit;
    occ &= ~bit;
    if (man == 0) return;
    code[man & 7] |= bit;
    if (man & mbBlack) black |= bit;
    occ |= bit;
  }
};

// The generator and its move list. Every generation starts by emptying the
// list, so it holds only the last call's result; read it before the next
// call on any position. Generation allocates nothing.
class MoveGen {
 public:
  // No position gives more: each of the 64 squares yields at most 27 entries.
  static constexpr int kCapacity = 64 * 27;

  int Generate(MailboxPos &pos, const GenRequest &req);
  int Count() const { return count_; }
  // Entry i, 1-based; outside 1..Count raises ERangeError.
  Move2 Entry(int i) const;
  // The board sets of the position. They are kept for the board last asked
  // about, so the next request on the same squares reads no cells.
  const BoardBits &Bits(const MailboxPos &pos);

 private:
  friend struct MailboxPos;
  // preset: the hint of the position when already known.
  int Generate(MailboxPos &pos, const GenRequest &req, const LegalityHint *preset);
  void TestLast(int countBefore);
  void Forward();
  void Reverse();
  void Push(Move2 m);
  void AddReverse(int fromCell, int toCell);
  // The index requests count instead of listing. They leave the list as a
  // generation through square lastSquare of the board would, written out
  // from a copy of the board only when an entry is read.
  void SetCounted(const uint8_t *board, int lastSquare, int count);
  void Materialise() const;

  mutable std::array<Move2, kCapacity> list_{};
  int count_ = 0;
  mutable bool pending_ = false;
  uint8_t pendingLast_ = 0;
  std::array<uint8_t, 103> pendingBoard_{};
  bool found_ = false;
  bool anyLegal_ = false;  // kind 1: some entry of the list is legal
  uint8_t own_ = 0;
  GenRequest req_;
  MailboxPos *pos_ = nullptr;
  LegalityHint hint_;
  bool hintPending_ = false;
  BoardBits bits_;
  std::array<uint8_t, 80> bitsBoard_{};  // cells 10..89 that bits_ was read from
  bool bitsValid_ = false;
};

// The mailbox position: 103 bytes. Cells file * 10 + rank hold the board
// (file and rank 1..8; the rest is a border nobody relies on); cell 100 the
// side to move (0 White, 1 Black); cell 101 the en-passant cell (0, or the
// square number + 1 of the pawn that may be taken en passant); cell 102 the
// full-move number.
struct MailboxPos {
  static constexpr int kSide = 100;
  static constexpr int kEpCell = 101;
  static constexpr int kMoveNumber = 102;

  std::array<uint8_t, 103> cells{};

  static constexpr int Cell(int file, int rank) { return file * 10 + rank; }

  // Range-checked access to the board (ERangeError outside 1..8).
  uint8_t At(int file, int rank) const;
  void Set(int file, int rank, uint8_t man);
  int SideToMove() const { return cells[kSide] ? 1 : 0; }
  int MoveNumber() const { return cells[kMoveNumber]; }

  // Empties the board (border too) and every state cell; move number 1.
  void Clear();
  void SetStartPosition();

  // Plays a move generated for this position. Black's move at number 255
  // raises ERangeError before anything changes.
  void MakeMove(Move2 m, MoveUndo &undo);
  void UnmakeMove(Move2 m, const MoveUndo &undo);

  // A pseudo-legal move that does not leave the mover in check; castling
  // also not out of or through check.
  bool IsLegalMove(Move2 m);
  // The same, with the board sets the generator keeps.
  bool IsLegalMove(MoveGen &gen, Move2 m);
  bool InCheck(int colour) const;
  bool SquareAttacked(int file, int rank, int attackerColour) const;
  // 0 normal, 1 check, 3 checkmate, 4 stalemate.
  uint8_t CheckState(MoveGen &gen, int colour);
  // When no move is legal the list count becomes 0.
  bool HasLegalMove(MoveGen &gen);

  // The 1-based index of the move in the generated list; false when the
  // move is not generated (index is then 0).
  bool MoveIndex(MoveGen &gen, Move2 m, int &index);
  // False when index is outside 1..count of the generation.
  bool MoveByIndex(MoveGen &gen, int index, Move2 &m);

  // The legal moves of the side to move with the given piece code (1..7;
  // a rook and a castling rook are the same piece) onto the target,
  // compacted to the front of the list. Pawns are never found.
  int FindMovers(MoveGen &gen, int toFile, int toRank, uint8_t piece);
  int FindMoversFromFile(MoveGen &gen, int toFile, int toRank, uint8_t piece, int fromFile);
  int FindMoversFromRank(MoveGen &gen, int toFile, int toRank, uint8_t piece, int fromRank);
  int FindMoversFromSquare(MoveGen &gen, int toFile, int toRank, uint8_t piece, int fromFile, int fromRank);

  // Side to move, en-passant cell and the 64 squares.
  static bool Equal(const MailboxPos &a, const MailboxPos &b);

  // More than 32 men do not fit 24 bytes: ERangeError.
  void ToCompact(CompactPosition &out) const;
  // False (a damaged block or record) when the data holds no king of the
  // side to move or runs past the 24 bytes.
  bool FromCompact(const CompactPosition &in);
  static bool Equal24(const CompactPosition &a, const CompactPosition &b);

  // The key indexes 65536 buckets. A colour with no men or more than 16
  // raises ERangeError.
  void MaterialKey(uint16_t &key, uint8_t &check) const;

  // Conversions to and from the chess core. ToPositionO: a code-7 man on
  // its own corner gives the castling right, elsewhere off the back ranks
  // the en-passant file. FromPositionO recodes the pawn that made the double
  // step only when a pawn of the side to move can take it.
  void ToPositionO(PositionO &out) const;
  void FromPositionO(const PositionO &in);
  static Move2 MoveFromMoveRec(const MoveRec &m);
  // The record holds from, to and (for a pawn reaching rank 1 or 8) the
  // promotion piece; the derived fields are empty.
  void MoveToMoveRec(Move2 m, MoveRec &out) const;
  // Reads the text with the chess core's FEN reader; false when it fails
  // (the position is then unchanged).
  bool SetFromFEN(const std::string &text);

  // Bytes 6-10 of the record for a move of this position (the position is
  // left as it was; the list is overwritten). Without findStalemate a
  // position after the move that is not check reads as normal, unsearched:
  // the move's text shows only check and mate; stored records keep all.
  void SanInfo(MoveGen &gen, Move2 m, SanMoveRec &rec, bool findStalemate = true);

 private:
  friend class MoveGen;
  LegalityHint LegalityOf(const BoardBits &s) const;
  bool IsLegalOn(const BoardBits &s, Move2 m) const;
  bool HasLegalMove(MoveGen &gen, const LegalityHint *preset);
  // IsLegalMove, answered without a trial for most moves.
  bool IsLegalWith(Move2 m, const LegalityHint &hint, MoveGen &gen);
  // Make and unmake without the move number, for the legality tests.
  void DoMove(Move2 m, MoveUndo &undo);
  void UndoMove(Move2 m, const MoveUndo &undo);
  bool CellAttacked(int cell, int attackerColour) const;
};
static_assert(sizeof(MailboxPos) == 103);

// ---------------------------------------------------------------------------
// Packed games
//
// One stored game is one self-contained block, all numbers little-endian:
//   0  u32 total size        5  u32 tag offset     9  u32 comment offset
//   4  u8  flags: bit 0 a start position follows, bits 1-2 the move encoding
//   13 u32 NAG offset        17 the start position (24 bytes, when flagged)
// then the move stream, the tag text with a NUL, the comments (each with a
// NUL) and the NAGs (a byte each). In the stream 252 is a NAG, 253 a
// comment, 254 ends a line (the last one the game), 255 starts a variation
// (an alternative to the move just written); every other byte is a move.

// A packed game in memory: capacity bytes allocated, length of them used.
// What the PGN reader learns of a game while packing it, counted as the
// chess core's game counts it: the main line's plies / 2, how its last move
// ends (mate, check, stalemate), and whether any comment holds text.
// Unknown for a game read back from a store.
struct GameSummary {
  bool known = false;
  int moves = 0;
  bool mate = false, check = false, stalemate = false, comments = false;
};

struct GameBuffer {
  uint32_t capacity = 0;
  uint32_t length = 0;
  std::unique_ptr<uint8_t[]> bytes;
  GameSummary summary;
};

// Releases the bytes; capacity and length become 0.
void FreeGameBuffer(GameBuffer &buf);
// Length := size; the bytes are reused when the capacity suffices, else
// exactly size bytes are allocated (their contents are then undefined).
// The summary becomes unknown: the bytes are another game's.
void SizeGameBuffer(GameBuffer &buf, uint32_t size);

// Stream control bytes.
enum : uint8_t { pkNag = 252, pkComment = 253, pkEndLine = 254, pkVariation = 255 };

// Move encodings.
enum : uint8_t {
  encIndexed = 0,  // one byte: the 1-based index in the generated list
  encFromTo = 1,   // two bytes: the Move2
  encSan = 2,      // eleven bytes: the SanMoveRec
};

// Builds packed games and reads them.
//
// Building: Reset, then the append calls in the order of the game text,
// SetTagText, EndGame and Pack. NAGs and comments are held until the next
// move, variation start, line end or game end, and then written as every
// NAG followed by at most one comment (several joined by a blank), which is
// the order the readers take. A call that cannot be stored (a move index
// above 251, a move stream or NAG area beyond 32768 bytes, a variation
// without a move before it, a NUL in a text) refuses the whole game: it and
// every later call answer false and Pack produces no block.
//
// Reading: Attach checks a block (which must outlive the reading) and sets
// the cursors; every read stays inside its area and answers false at its end.
class QZGameManagerO {
 public:
  static constexpr uint32_t kHeaderSize = 17;
  static constexpr uint32_t kMaxAreaBytes = 32768;
  static constexpr int kMaxMoveIndex = 251;

  QZGameManagerO() { Init(); }
  void Init();
  void Done();

  // --- building
  void Reset();
  bool SetTagText(const std::string &text);
  void SetStartPosition(const CompactPosition &pos);
  bool AppendIndexedMove(int index);
  bool AppendFromToMove(Move2 m);
  bool AppendSanMove(const SanMoveRec &rec);
  // Value 0..255; the stream's 252 is written with it.
  bool AppendNAG(int value);
  bool AppendComment(const std::string &text);
  bool BeginVariation();
  bool EndVariation();
  // Closes the main line; refused while a variation is open.
  bool EndGame();
  bool Refused() const { return refused_; }
  // The block into buf (its bytes reused when large enough); false, with buf
  // untouched, when the game was refused or not ended.
  bool Pack(GameBuffer &buf);
  // Flags bits 1-2 of a packed block: encoding 0, 1, 2 is written as 0, 2, 4;
  // ERangeError for another encoding or a buffer without a header.
  static void SetEncoding(GameBuffer &buf, int encoding);
  // 0, 2, 4 (and 6) read back as 0, 1, 2 (and 0); ERangeError without a header.
  static int MoveEncoding(const GameBuffer &buf);

  // --- reading
  bool Attach(const GameBuffer &buf);
  bool Attach(const uint8_t *bytes, uint32_t length);
  bool Attached() const { return block_ != nullptr; }
  int MoveEncoding() const { return encoding_; }
  bool HasStartPosition() const { return hasStartRead_; }
  const CompactPosition &StartPosition() const { return startRead_; }
  bool PeekMoveByte(uint8_t &b) const;
  bool ReadMoveByte(uint8_t &b);
  bool ReadMove2(Move2 &m);
  bool ReadSanMove(SanMoveRec &rec);
  bool ReadComment(std::string &text);
  bool ReadNAG(uint8_t &value);

  // --- tags of the attached block
  const std::string &TagText() const { return tagRead_; }
  int TagCount();
  // 1-based; ERangeError outside 1..TagCount.
  const std::string &TagName(int i);
  const std::string &TagValue(int i);
  // The first value of that name (compared exactly), "" when absent.
  std::string GetTagValue(const std::string &name);
  // 0 "1-0", 1 "1/2-1/2", 2 "0-1", 3 any other value or none.
  int GetResult();

 private:
  bool Refuse();
  bool Room(size_t streamBytes);
  void Flush();
  bool AppendMove(const uint8_t *data, size_t n);
  void SplitTags();

  // builder
  std::string tagText_;
  bool hasStart_ = false;
  CompactPosition start_;
  std::vector<uint8_t> moves_, comments_, nags_;
  std::vector<uint8_t> pendingNags_;
  std::string pendingComment_;
  bool hasPendingComment_ = false;
  std::vector<bool> lineHasMove_;  // per open line, the main line first
  bool ended_ = false;
  bool refused_ = false;

  // reader
  const uint8_t *block_ = nullptr;
  int encoding_ = encIndexed;
  bool hasStartRead_ = false;
  CompactPosition startRead_;
  uint32_t streamPos_ = 0, streamEnd_ = 0;
  uint32_t commentPos_ = 0, commentEnd_ = 0;
  uint32_t nagPos_ = 0, nagEnd_ = 0;
  std::string tagRead_;
  bool tagsSplit_ = false;
  // The first tagCount_ entries are the attached block's tags.
  std::vector<std::string> tagNames_, tagValues_;
  size_t tagCount_ = 0;
};

// ---------------------------------------------------------------------------
// SAN of the database side: English letters K, Q, R, B, N whatever the
// notation language; promotion without "="; the move number ("12. " or
// "12... ") when forced or for White.

// The position is not changed. Empty text when the from-square holds no man
// of the side to move.
std::string MoveToSAN(const MailboxPos &pos, Move2 m, bool forceNumber);
std::string MoveToSAN(const MailboxPos &pos, MoveGen &gen, Move2 m, bool forceNumber);
// The same text from the record alone (empty when it names no moved man).
std::string Move11ToSAN(const SanMoveRec &rec, bool forceNumber);

// The tags of a packed game: as PGN, one line '[Name "value"]' per tag
// (quote and backslash escaped) joined by CR LF; otherwise the stored tag
// text. False, with out empty, for a block that Attach refuses.
bool WriteTagsPGN(const GameBuffer &buf, bool asPgn, std::string &out);
// The PGN form of the tags of an attached block, appended to out.
void AppendTagsPGN(QZGameManagerO &attached, std::string &out);
