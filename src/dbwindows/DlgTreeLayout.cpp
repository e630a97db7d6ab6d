#include "dbwindows/DlgTreeLayout.h"

#include <algorithm>
#include <cmath>

namespace treelayout {

namespace {

constexpr int kMargin = 15;

// With coordinates, room for one and a half labels, at least the margin.
int Margin(bool coordinates, int labelSize) {
  if (!coordinates) return kMargin;
  return std::max(kMargin, static_cast<int>(std::lround(1.5 * labelSize)));
}

}  // namespace

Result Arrange(const Input &in) {
  Result r;
  r.topMargin = Margin(in.showCoordinates, in.fileLabelHeight);
  r.sideMargin = Margin(in.showCoordinates, in.rankLabelWidth);

  const int panelWidth = in.boardWidth + 2 * r.sideMargin;
  const int panelHeight = in.boardHeight + 10 + (in.showCoordinates ? r.topMargin : 0);
  r.boardPanel = {0, 0, panelWidth, panelHeight};
  r.board.w = in.boardWidth;
  r.board.h = in.boardHeight;
  r.board.x = (panelWidth - in.boardWidth) / 2;
  r.board.y = in.showCoordinates ? (panelHeight - r.topMargin - in.boardHeight) / 2 + r.topMargin
                                 : (panelHeight - in.boardHeight) / 2;
  r.bevel = {r.board.x - 2, r.board.y - 2, in.boardWidth + 5, in.boardHeight + 5};

  // The labels' row: the last move centred on the bevel, the colour and the
  // material from its left edge, the try-out button up to its right edge.
  r.lastMoveLabel = {r.bevel.x, 2, r.bevel.w, in.labelHeight};
  r.colorToMoveLabel = {r.bevel.x, 2, 2 * in.widthOfW, in.labelHeight};
  const int matLeft = r.bevel.x + (in.showColorToMove ? 2 * in.widthOfW : 0);
  r.matDiffLabel = {matLeft, 2, std::max(0, r.bevel.w / 3), in.labelHeight};
  r.tryOut = {r.bevel.Right() - in.tryOutWidth, 0, in.tryOutWidth, in.labelHeight + 4};
  // While the try-out button shows, the last move is centred left of it.
  if (in.tryOutShown) r.lastMoveLabel.w = std::max(0, r.tryOut.x - 2 - r.bevel.x);
  r.buttonPanelShown = in.showMoveButtons;
  r.buttonPanel = {(panelWidth - in.buttonPanelWidth) / 2, r.lastMoveLabel.Bottom() + 5, in.buttonPanelWidth,
                   in.buttonHeight + 3};
  const int controlHeight = (r.buttonPanelShown ? r.buttonPanel.Bottom() : r.lastMoveLabel.Bottom()) + 2;
  r.controlPanel = {0, r.boardPanel.Bottom(), panelWidth, controlHeight};

  r.commentPanel = {r.boardPanel.Right(), 0, std::max(0, in.middlePanelWidth - 3 - r.boardPanel.Right()),
                    r.boardPanel.h + r.controlPanel.h};
  r.moveListWidth = std::max(0, r.commentPanel.w - 3);
  return r;
}

}  // namespace treelayout
