#pragma once
// Where the tree window puts its board, the controls under it and the move
// list beside it: sizes and options in, rectangles out, so that the window
// only applies them.
#include "foundation/LayoutRect.h"

namespace treelayout {

using layout::Rect;

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
  bool tryOutShown = false;
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
