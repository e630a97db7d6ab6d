#pragma once
// The tree window's middle panel as plain arithmetic: from the board's and
// the labels' sizes and the display options to the rectangles of the board
// panel, the control panel and the move list's panel. The window applies
// the results.

namespace treelayout {

struct Rect {
  int x = 0, y = 0, w = 0, h = 0;
  int Right() const { return x + w; }
  int Bottom() const { return y + h; }
  bool operator==(const Rect &) const = default;
};

struct Input {
  int boardWidth = 0, boardHeight = 0;
  bool showCoordinates = false;
  int fileLabelHeight = 0, rankLabelWidth = 0;
  // The labels under the board are one line of text high; the material
  // label moves right by two widths of "W" when the colour label shows.
  int labelHeight = 0, widthOfW = 0;
  bool showColorToMove = false;
  bool showMoveButtons = true;
  int buttonHeight = 0, buttonPanelWidth = 0;
  int tryOutWidth = 0;
  int middlePanelWidth = 0;
};

struct Result {
  int topMargin = 0, sideMargin = 0;
  // In the middle panel.
  Rect boardPanel, controlPanel, commentPanel;
  // In the board panel.
  Rect board, bevel;
  // In the control panel.
  Rect lastMoveLabel, colorToMoveLabel, matDiffLabel, tryOut, buttonPanel;
  bool buttonPanelShown = true;
  // In the comment panel: the move list and its header.
  int moveListWidth = 0;
  // The height the middle panel's contents take.
  int Height() const { return controlPanel.Bottom(); }
};

Result Arrange(const Input &in);

}  // namespace treelayout
