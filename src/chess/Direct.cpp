#include "chess/Direct.h"

#include <array>

#include "platform/Errors.h"

namespace {

constexpr RayTable BuildRays() {
  RayTable t{};
  for (int sq = 0; sq < 64; ++sq)
    for (int d = 1; d <= 16; ++d) {
      RayRec r{};
      int f = sq / 8, k = sq % 8;
      const int maxSteps = d % 2 == 0 ? 1 : 7;
      for (int s = 0; s < maxSteps; ++s) {
        f += kDirSteps[d].fileStep;
        k += kDirSteps[d].rankStep;
        if (f < 0 || f > 7 || k < 0 || k > 7) break;
        r.squares[r.count++] = static_cast<std::uint8_t>(f * 8 + k);
      }
      t[sq][d] = r;
    }
  return t;
}

}  // namespace

constinit const RayTable kRays = BuildRays();

int LineDirection(int i) {
  CheckRange(i, 1, 8, "Direction index out of range");
  return 2 * i - 1;
}

int KnightDirection(int i) {
  CheckRange(i, 1, 8, "Direction index out of range");
  return 2 * i;
}

int RookDirection(int i) {
  CheckRange(i, 1, 4, "Direction index out of range");
  return 4 * i - 3;
}

int BishopDirection(int i) {
  CheckRange(i, 1, 4, "Direction index out of range");
  return 4 * i - 1;
}

int PawnPushDirection(int colour) {
  CheckRange(colour, 0, 1, "Colour out of range");
  return colour == 0 ? 1 : 9;
}

int PawnCaptureDirection(int colour, int i) {
  CheckRange(colour, 0, 1, "Colour out of range");
  CheckRange(i, 1, 2, "Direction index out of range");
  if (colour == 0) return i == 1 ? 15 : 3;
  return i == 1 ? 11 : 7;
}

bool IsPawnCaptureDirection(int direction, int colour) {
  if (colour == 0) return direction == 3 || direction == 15;
  if (colour == 1) return direction == 7 || direction == 11;
  return false;
}

bool StepSquare(int direction, std::uint8_t &file, std::uint8_t &rank) {
  CheckRange(direction, 1, 16, "Direction out of range");
  const int f = file + kDirSteps[direction].fileStep;
  const int r = rank + kDirSteps[direction].rankStep;
  if (f < 1 || f > 8 || r < 1 || r > 8) return true;
  file = static_cast<std::uint8_t>(f);
  rank = static_cast<std::uint8_t>(r);
  return false;
}
