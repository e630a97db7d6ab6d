#pragma once
// The main window's layout as plain arithmetic: from the sizes of the board
// and the labels and the view flags to the rectangles of the panels, and
// the info lines above the board. The window applies the results.
#include <functional>
#include <string>
#include <vector>

#include "board/ui/BoardLabels.h"
#include "foundation/LayoutRect.h"

namespace layout {

struct Input {
  int boardWidth = 0, boardHeight = 0;
  bool showCoordinates = false;
  int fileLabelHeight = 0, rankLabelWidth = 0;
  bool showMoveButtons = true;
  int stepButtonHeight = 0, buttonPanelWidth = 0;
  int lastMoveLabelTop = 0, lastMoveLabelHeight = 0;
  int infoLineCount = 0, textHeightX = 0;
  bool showExtraPanel = true, showUnder = false, showRight = true, showLeft = false;
  int extraPanelWidth = 200, extraPanelHeight = 50;
  bool showToolbar = true;
  int toolbarHeight = 0;
  bool showStatusbar = true;
  int statusbarHeight = 0;
  // The clock labels, in a row of their own at the foot of the control
  // panel while shown.
  bool showClocks = false;
  int clockLabelHeight = 0;
  // The client size the window manager gave (a resize, a maximised
  // window); 0 for the layout's own size. A sizeable layout then reaches
  // its right edge and its foot: the bars span its width, the extra panel
  // fills what the board column leaves.
  int givenClientWidth = 0, givenClientHeight = 0;
};

enum class ExtraPlace { Hidden, Under, Right, Left };

struct Result {
  int topMargin = 0, sideMargin = 0;
  int clientWidth = 0, clientHeight = 0;
  bool sizeable = false;  // the window's border, and the status bar's grip
  ExtraPlace extra = ExtraPlace::Hidden;
  bool buttonPanelShown = true;
  Rect toolbar, statusbar, topLinePanel, boardPanel, controlPanel, buttonPanel, extraPanel;
  Rect board, bevel;  // in the board panel
  // In the client, under the board's left and right halves; empty while
  // the clocks are hidden.
  Rect whiteClock, blackClock;
};

// The whole layout. An extra panel that is shown with none of under, right
// and left set stands right of the board, as by default.
Result Arrange(const Input &in);

// The extra panel's size from the window's new client size (FormResize):
// under the board the height that is left, at least 50; beside it the width
// that is left, at least 100. Answers the input with the size changed.
Input ExtraPanelFromClient(const Input &in, const Result &current, int clientWidth, int clientHeight);

// The input with the smallest extra panel ExtraPanelFromClient allows: the
// window's minimum size.
Input SmallestExtraPanel(const Input &in);

// The alternatives list's size within its panel: above the comment (beside
// the board) a list higher than 0.9 of the panel becomes a quarter of it;
// side by side (under the board) the same for its width.
int FitListSize(int listSize, int panelSize);

// ---- Info lines

enum class Align { Left, Right, Center };
enum class PartKind { Event, Site, ECO, Players };

struct InfoPart {
  PartKind kind = PartKind::Event;
  int percent = 100;
  Align align = Align::Left;
  std::string text;
  // Placed by ArrangeTopLines (the base) and by BalanceTopLines.
  int baseLeft = 0, baseWidth = 0;
  int left = 0, width = 0;
};
using InfoLines = std::vector<std::vector<InfoPart>>;

struct InfoOptions {
  bool showEvent = true, showRound = true, showSite = true, showDate = true;
  bool showECO = false, showPlayers = true;
};

InfoLines BuildInfoLines(const InfoOptions &o);
// Line n's top is (n - 1) * text height; parts share the bevel's width by
// their percents. Then BalanceTopLines.
void ArrangeTopLines(InfoLines &lines, int bevelLeft, int bevelWidth, const std::function<int(const std::string &)> &textWidth);
// In every line of two parts, a part whose text does not fit takes room the
// other part can spare; right-aligned parts move so that their right edge
// stays. Starts from the arranged places each time.
void BalanceTopLines(InfoLines &lines, const std::function<int(const std::string &)> &textWidth);

// The coordinate labels' texts (shared with the other boards' labels).
using boardlabels::FileLabelText;
using boardlabels::RankLabelText;

}  // namespace layout
