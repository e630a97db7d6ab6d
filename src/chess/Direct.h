#pragma once
// The 16 board directions, numbered clockwise from north: odd numbers are
// one-square line steps, even numbers knight jumps. Also precomputed rays
// over the board index (file-1)*8 + (rank-1) for the rules code.
#include <array>
#include <cstdint>

struct DirStepRec {
  std::int8_t fileStep;
  std::int8_t rankStep;
};

// Index 1..16; entry 0 is unused.
inline constexpr DirStepRec kDirSteps[17] = {{0, 0},   {0, 1},  {1, 2},  {1, 1},  {2, 1},   {1, 0},
                                             {2, -1},  {1, -1}, {1, -2}, {0, -1}, {-1, -2}, {-1, -1},
                                             {-2, -1}, {-1, 0}, {-2, 1}, {-1, 1}, {-1, 2}};

constexpr bool IsRookDirection(int d) { return d == 1 || d == 5 || d == 9 || d == 13; }
constexpr bool IsBishopDirection(int d) { return d == 3 || d == 7 || d == 11 || d == 15; }
constexpr bool IsKnightDirection(int d) { return d >= 1 && d <= 16 && d % 2 == 0; }
int LineDirection(int i);    // i = 1..8: 1, 3, ..., 15
int KnightDirection(int i);  // i = 1..8: 2, 4, ..., 16
int RookDirection(int i);    // i = 1..4: 1, 5, 9, 13
int BishopDirection(int i);  // i = 1..4: 3, 7, 11, 15
int PawnPushDirection(int colour);
int PawnCaptureDirection(int colour, int i);  // white 15 then 3, black 11 then 7
bool IsPawnCaptureDirection(int direction, int colour);
// Moves (file, rank) one step in the direction. Returns true when the step
// left the board; the square is then left unchanged.
bool StepSquare(int direction, std::uint8_t &file, std::uint8_t &rank);

// Ray from a square in a direction: the board indexes met in order, up to
// the edge (one square at most for a knight direction).
struct RayRec {
  std::uint8_t count;
  std::uint8_t squares[7];
};
using RayTable = std::array<std::array<RayRec, 17>, 64>;
extern const RayTable kRays;
