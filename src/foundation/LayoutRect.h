#pragma once
// A rectangle of the windows' layout arithmetic, in pixels, without Qt.

namespace layout {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool operator==(const Rect &) const = default;
};

}  // namespace layout
