#include "app/MainLayout.h"

#include <algorithm>
#include <cmath>

namespace layout {

namespace {

constexpr int kMargin = 15;
constexpr int kMinExtraHeight = 50;
constexpr int kMinExtraWidth = 100;

int Round(double v) { return static_cast<int>(std::lround(v)); }

ExtraPlace PlaceOf(const Input &in) {
  if (!in.showExtraPanel) return ExtraPlace::Hidden;
  if (in.showUnder) return ExtraPlace::Under;
  if (in.showRight) return ExtraPlace::Right;
  if (in.showLeft) return ExtraPlace::Left;
  return ExtraPlace::Right;
}

}  // namespace

Result Arrange(const Input &in) {
  Result r;
  r.extra = PlaceOf(in);
  r.sizeable = r.extra != ExtraPlace::Hidden;
  r.topMargin = in.showCoordinates ? std::max(Round(1.5 * in.fileLabelHeight), kMargin) : kMargin;
  r.sideMargin = in.showCoordinates ? std::max(Round(1.5 * in.rankLabelWidth), kMargin) : kMargin;
  const int coordTop = in.showCoordinates ? r.topMargin : 0;
  const int boardPanelW = in.boardWidth + 2 * r.sideMargin;
  const int boardPanelH = in.boardHeight + 10 + coordTop;

  const int buttonPanelH = in.stepButtonHeight + 3;
  const int labelBottom = in.lastMoveLabelTop + in.lastMoveLabelHeight;
  r.buttonPanelShown = in.showMoveButtons;
  const int clockRowH = in.showClocks ? in.clockLabelHeight + 3 : 0;
  const int controlH = (in.showMoveButtons ? labelBottom + 5 + buttonPanelH + 2 : labelBottom + 2) + clockRowH;
  const int infoH = in.textHeightX * in.infoLineCount;
  const int toolbarH = in.showToolbar ? in.toolbarHeight : 0;
  const int statusH = in.showStatusbar ? in.statusbarHeight : 0;
  const bool beside = r.extra == ExtraPlace::Right || r.extra == ExtraPlace::Left;

  r.clientWidth = boardPanelW + (beside ? in.extraPanelWidth : 0);
  r.clientHeight = infoH + boardPanelH + controlH + (r.extra == ExtraPlace::Under ? in.extraPanelHeight : 0) +
                   toolbarH + statusH;
  if (r.sizeable) {
    r.clientWidth = std::max(r.clientWidth, in.givenClientWidth);
    r.clientHeight = std::max(r.clientHeight, in.givenClientHeight);
  }
  // The extra panel reaches the status bar.
  const int extraBottom = r.clientHeight - statusH;

  r.toolbar = {0, 0, r.clientWidth, toolbarH};
  r.statusbar = {0, r.clientHeight - statusH, r.clientWidth, statusH};
  const int columnX = r.extra == ExtraPlace::Left ? in.extraPanelWidth : 0;
  r.topLinePanel = {columnX, toolbarH, boardPanelW, infoH};
  r.boardPanel = {columnX, r.topLinePanel.Bottom(), boardPanelW, boardPanelH};
  r.controlPanel = {columnX, r.boardPanel.Bottom(), boardPanelW, controlH};
  switch (r.extra) {
    case ExtraPlace::Hidden:
      break;
    case ExtraPlace::Under:
      r.extraPanel = {columnX, r.controlPanel.Bottom(), r.clientWidth, extraBottom - r.controlPanel.Bottom()};
      break;
    case ExtraPlace::Right:
      r.extraPanel = {boardPanelW, r.boardPanel.y, r.clientWidth - boardPanelW, extraBottom - r.boardPanel.y};
      break;
    case ExtraPlace::Left:
      r.extraPanel = {0, r.boardPanel.y, in.extraPanelWidth, extraBottom - r.boardPanel.y};
      break;
  }

  r.board.w = in.boardWidth;
  r.board.h = in.boardHeight;
  r.board.x = boardPanelW / 2 - in.boardWidth / 2;
  r.board.y = (boardPanelH - coordTop) / 2 - in.boardHeight / 2 + coordTop;
  r.bevel = {r.board.x - 2, r.board.y - 2, in.boardWidth + 5, in.boardHeight + 5};
  r.buttonPanel = {(boardPanelW - in.buttonPanelWidth) / 2, labelBottom + 5, in.buttonPanelWidth, buttonPanelH};
  if (in.showClocks) {
    const int half = r.bevel.w / 2;
    const int y = r.controlPanel.Bottom() - clockRowH;
    r.whiteClock = {columnX + r.bevel.x, y, half, in.clockLabelHeight};
    r.blackClock = {columnX + r.bevel.Right() - half, y, half, in.clockLabelHeight};
  }
  return r;
}

Input ExtraPanelFromClient(const Input &in, const Result &current, int clientWidth, int clientHeight) {
  Input out = in;
  switch (current.extra) {
    case ExtraPlace::Under:
      out.extraPanelHeight = std::max(clientHeight - current.topLinePanel.h - current.boardPanel.h -
                                          current.controlPanel.h - current.toolbar.h - current.statusbar.h,
                                      kMinExtraHeight);
      break;
    case ExtraPlace::Right:
    case ExtraPlace::Left:
      out.extraPanelWidth = std::max(clientWidth - current.boardPanel.w, kMinExtraWidth);
      break;
    case ExtraPlace::Hidden:
      break;
  }
  return out;
}

Input SmallestExtraPanel(const Input &in) {
  Input out = in;
  out.extraPanelWidth = kMinExtraWidth;
  out.extraPanelHeight = kMinExtraHeight;
  out.givenClientWidth = out.givenClientHeight = 0;
  return out;
}

int FitListSize(int listSize, int panelSize) {
  return listSize > 0.9 * panelSize ? Round(0.25 * panelSize) : listSize;
}

InfoLines BuildInfoLines(const InfoOptions &o) {
  InfoLines lines;
  const bool event = o.showEvent || o.showRound;
  const bool site = o.showSite || o.showDate;
  if (event) {
    InfoPart p;
    p.kind = PartKind::Event;
    p.align = Align::Left;
    p.percent = site ? 60 : 100;
    lines.push_back({p});
  }
  if (site) {
    InfoPart p;
    p.kind = PartKind::Site;
    p.align = Align::Right;
    p.percent = event ? 40 : 100;
    if (event)
      lines.back().push_back(p);
    else
      lines.push_back({p});
  }
  auto single = [&](PartKind kind, Align align) {
    InfoPart p;
    p.kind = kind;
    p.align = align;
    lines.push_back({p});
  };
  if (o.showECO) single(PartKind::ECO, Align::Right);
  if (o.showPlayers) single(PartKind::Players, Align::Center);
  return lines;
}

void ArrangeTopLines(InfoLines &lines, int bevelLeft, int bevelWidth,
                     const std::function<int(const std::string &)> &textWidth) {
  for (auto &line : lines) {
    int sum = 0;
    for (InfoPart &p : line) {
      p.baseLeft = bevelLeft + bevelWidth * sum / 100;
      p.baseWidth = p.percent * bevelWidth / 100;
      sum += p.percent;
    }
  }
  BalanceTopLines(lines, textWidth);
}

void BalanceTopLines(InfoLines &lines, const std::function<int(const std::string &)> &textWidth) {
  for (auto &line : lines) {
    for (InfoPart &p : line) {
      p.left = p.baseLeft;
      p.width = p.baseWidth;
    }
    if (line.size() != 2) continue;
    InfoPart &a = line[0];
    InfoPart &b = line[1];
    const int needA = textWidth(a.text);
    const int needB = textWidth(b.text);
    int d = 0;
    if (needA > a.width && b.width > needB)
      d = std::min(needA - a.width, b.width - needB);  // a grows, b shrinks
    else if (needB > b.width && a.width > needA)
      d = -std::min(needB - b.width, a.width - needA);  // b grows, a shrinks
    a.width += d;
    if (a.align == Align::Right) a.left -= d;
    b.width -= d;
    if (b.align == Align::Right) b.left += d;
  }
}

}  // namespace layout
