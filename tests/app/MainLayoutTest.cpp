#include <gtest/gtest.h>

#include "app/MainLayout.h"

namespace {

using namespace layout;

Input Base() {
  Input in;
  in.boardWidth = in.boardHeight = 320;
  in.fileLabelHeight = 16;
  in.rankLabelWidth = 8;
  in.stepButtonHeight = 24;
  in.buttonPanelWidth = 150;
  in.lastMoveLabelTop = 4;
  in.lastMoveLabelHeight = 18;
  in.infoLineCount = 2;
  in.textHeightX = 16;
  in.extraPanelWidth = 200;
  in.extraPanelHeight = 80;
  in.toolbarHeight = 26;
  in.statusbarHeight = 20;
  return in;
}

bool Overlap(const Rect &a, const Rect &b) {
  return a.w > 0 && b.w > 0 && a.h > 0 && b.h > 0 && a.x < b.Right() && b.x < a.Right() && a.y < b.Bottom() &&
         b.y < a.Bottom();
}

bool Inside(const Rect &inner, const Rect &outer) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.Right() <= outer.Right() &&
         inner.Bottom() <= outer.Bottom();
}

// Every combination of the view flags: the panels tile the client without
// overlapping, the board stays centred in its panel, and the client has
// the size the parts add up to.
TEST(MainLayout, AllFlagCombinations) {
  enum Extra { kUnder, kRight, kLeft, kNoneSet, kHidden };
  for (int extra = kUnder; extra <= kHidden; ++extra)
    for (int coords = 0; coords < 2; ++coords)
      for (int toolbar = 0; toolbar < 2; ++toolbar)
        for (int status = 0; status < 2; ++status)
          for (int buttons = 0; buttons < 2; ++buttons) {
            SCOPED_TRACE(testing::Message() << extra << coords << toolbar << status << buttons);
            Input in = Base();
            in.showExtraPanel = extra != kHidden;
            in.showUnder = extra == kUnder;
            in.showRight = extra == kRight;
            in.showLeft = extra == kLeft;
            in.showCoordinates = coords;
            in.showToolbar = toolbar;
            in.showStatusbar = status;
            in.showMoveButtons = buttons;
            const Result r = Arrange(in);

            const int margin = coords ? 24 : 15;  // 1.5 x 16 beats 15; 1.5 x 8 does not
            EXPECT_EQ(r.topMargin, margin);
            EXPECT_EQ(r.sideMargin, 15);
            EXPECT_EQ(r.boardPanel.w, 320 + 30);
            EXPECT_EQ(r.boardPanel.h, 320 + 10 + (coords ? 24 : 0));
            const int controlH = buttons ? 4 + 18 + 5 + 27 + 2 : 4 + 18 + 2;
            EXPECT_EQ(r.controlPanel.h, controlH);
            EXPECT_EQ(r.buttonPanelShown, bool(buttons));
            EXPECT_EQ(r.topLinePanel.h, 32);
            const bool beside = extra == kRight || extra == kLeft || extra == kNoneSet;
            EXPECT_EQ(r.clientWidth, 350 + (beside ? 200 : 0));
            EXPECT_EQ(r.clientHeight,
                      32 + r.boardPanel.h + controlH + (extra == kUnder ? 80 : 0) + (toolbar ? 26 : 0) + (status ? 20 : 0));
            EXPECT_EQ(r.sizeable, extra != kHidden);
            // Column order: info lines, board, controls, each as wide as the board panel.
            EXPECT_EQ(r.topLinePanel.y, toolbar ? 26 : 0);
            EXPECT_EQ(r.boardPanel.y, r.topLinePanel.Bottom());
            EXPECT_EQ(r.controlPanel.y, r.boardPanel.Bottom());
            EXPECT_EQ(r.topLinePanel.x, r.boardPanel.x);
            EXPECT_EQ(r.controlPanel.x, r.boardPanel.x);
            EXPECT_EQ(r.boardPanel.x, extra == kLeft ? 200 : 0);
            // The extra panel.
            switch (extra) {
              case kUnder:
                EXPECT_EQ(r.extraPanel, (Rect{0, r.controlPanel.Bottom(), 350, 80}));
                break;
              case kRight:
              case kNoneSet:  // no place set: right, as by default
                EXPECT_EQ(r.extra, ExtraPlace::Right);
                EXPECT_EQ(r.extraPanel, (Rect{350, r.boardPanel.y, 200, r.boardPanel.h + controlH}));
                break;
              case kLeft:
                EXPECT_EQ(r.extraPanel, (Rect{0, r.boardPanel.y, 200, r.boardPanel.h + controlH}));
                break;
              case kHidden:
                EXPECT_EQ(r.extra, ExtraPlace::Hidden);
                break;
            }
            const Rect client{0, 0, r.clientWidth, r.clientHeight};
            const Rect parts[] = {r.toolbar, r.topLinePanel, r.boardPanel, r.controlPanel, r.extraPanel, r.statusbar};
            for (const Rect &p : parts) {
              if (p.w == 0 || p.h == 0) continue;
              EXPECT_TRUE(Inside(p, client));
            }
            for (size_t i = 0; i < std::size(parts); ++i)
              for (size_t j = i + 1; j < std::size(parts); ++j) EXPECT_FALSE(Overlap(parts[i], parts[j])) << i << j;
            // Board centred in its panel below the coordinate margin; the bevel around it.
            EXPECT_EQ(r.board.x, 15);
            EXPECT_EQ(r.board.y, 5 + (coords ? 24 : 0));
            EXPECT_EQ(r.bevel, (Rect{r.board.x - 2, r.board.y - 2, 325, 325}));
            EXPECT_TRUE(Inside(r.bevel, Rect{0, 0, r.boardPanel.w, r.boardPanel.h}));
            EXPECT_EQ(r.buttonPanel.x, (350 - 150) / 2);
          }
}

TEST(MainLayout, OddSizesCentreByIntegerHalves) {
  Input in = Base();
  in.boardWidth = 201;
  in.boardHeight = 199;
  const Result r = Arrange(in);
  EXPECT_EQ(r.board.x, 231 / 2 - 201 / 2);
  EXPECT_EQ(r.board.y, 209 / 2 - 199 / 2);
}

TEST(MainLayout, ResizeTakesTheExtraPanelFromTheClient) {
  Input in = Base();
  in.showRight = true;
  Result r = Arrange(in);
  Input next = ExtraPanelFromClient(in, r, r.clientWidth + 40, r.clientHeight + 100);
  EXPECT_EQ(next.extraPanelWidth, 240);
  EXPECT_EQ(next.extraPanelHeight, 80);
  EXPECT_EQ(ExtraPanelFromClient(in, r, 300, 10).extraPanelWidth, 100);  // at least 100

  in.showUnder = true;
  r = Arrange(in);
  next = ExtraPanelFromClient(in, r, 10, r.clientHeight + 30);
  EXPECT_EQ(next.extraPanelHeight, 110);
  EXPECT_EQ(ExtraPanelFromClient(in, r, 10, 100).extraPanelHeight, 50);  // at least 50
  EXPECT_EQ(Arrange(next).clientHeight, r.clientHeight + 30);
}

// A size the window manager gives: the bars span it, the extra panel
// fills what the board column leaves, down to the status bar; a fixed
// layout keeps its own size.
TEST(MainLayout, AGivenClientSizeIsFilled) {
  for (bool under : {false, true}) {
    Input in = Base();
    in.showUnder = under;
    const Result own = Arrange(in);
    in = ExtraPanelFromClient(in, own, own.clientWidth + 300, own.clientHeight + 200);
    in.givenClientWidth = own.clientWidth + 300;
    in.givenClientHeight = own.clientHeight + 200;
    const Result r = Arrange(in);
    EXPECT_EQ(r.clientWidth, in.givenClientWidth) << under;
    EXPECT_EQ(r.clientHeight, in.givenClientHeight) << under;
    EXPECT_EQ(r.toolbar.w, r.clientWidth) << under;
    EXPECT_EQ(r.statusbar, (Rect{0, r.clientHeight - 20, r.clientWidth, 20})) << under;
    EXPECT_EQ(r.extraPanel.Right(), r.clientWidth) << under;
    EXPECT_EQ(r.extraPanel.Bottom(), r.statusbar.y) << under;
    EXPECT_EQ(r.boardPanel, own.boardPanel) << "the board keeps its place, " << under;
  }
  Input fixed = Base();
  fixed.showExtraPanel = false;
  const Result own = Arrange(fixed);
  fixed.givenClientWidth = own.clientWidth + 300;
  fixed.givenClientHeight = own.clientHeight + 200;
  EXPECT_EQ(Arrange(fixed).clientWidth, own.clientWidth);
  EXPECT_EQ(Arrange(fixed).clientHeight, own.clientHeight);
  const Result least = Arrange(SmallestExtraPanel(Base()));
  EXPECT_EQ(least.extraPanel.w, 100);
}

TEST(MainLayout, ListSizeRule) {
  EXPECT_EQ(FitListSize(40, 300), 40);
  EXPECT_EQ(FitListSize(270, 300), 270);  // exactly 0.9 stays
  EXPECT_EQ(FitListSize(271, 300), 75);
  EXPECT_EQ(FitListSize(95, 100), 25);
  EXPECT_EQ(FitListSize(95, 102), 26);  // round(25.5)
}

int Width(const std::string &s) { return static_cast<int>(s.size()) * 10; }

TEST(MainLayout, InfoLinesFromTheOptions) {
  InfoLines l = BuildInfoLines({});
  ASSERT_EQ(l.size(), 2u);
  ASSERT_EQ(l[0].size(), 2u);
  EXPECT_EQ(l[0][0].kind, PartKind::Event);
  EXPECT_EQ(l[0][0].percent, 60);
  EXPECT_EQ(l[0][1].kind, PartKind::Site);
  EXPECT_EQ(l[0][1].percent, 40);
  EXPECT_EQ(l[0][1].align, Align::Right);
  EXPECT_EQ(l[1][0].kind, PartKind::Players);
  EXPECT_EQ(l[1][0].align, Align::Center);

  // Site and date alone: one part at full width, right aligned.
  InfoOptions o;
  o.showEvent = o.showRound = false;
  o.showPlayers = false;
  o.showDate = false;
  l = BuildInfoLines(o);
  ASSERT_EQ(l.size(), 1u);
  ASSERT_EQ(l[0].size(), 1u);
  EXPECT_EQ(l[0][0].kind, PartKind::Site);
  EXPECT_EQ(l[0][0].percent, 100);
  ArrangeTopLines(l, 13, 325, Width);
  EXPECT_EQ(l[0][0].left, 13);
  EXPECT_EQ(l[0][0].width, 325);

  o = InfoOptions{};
  o.showECO = true;
  o.showRound = o.showEvent = false;
  l = BuildInfoLines(o);
  ASSERT_EQ(l.size(), 3u);
  EXPECT_EQ(l[1][0].kind, PartKind::ECO);
  EXPECT_EQ(l[1][0].align, Align::Right);
  EXPECT_TRUE(BuildInfoLines({false, false, false, false, false, false}).empty());
}

TEST(MainLayout, TwoPartsTradeRoomBothWays) {
  InfoLines l = BuildInfoLines({});
  // 60 and 40 percent of 300: 180 and 120.
  l[0][0].text = std::string(25, 'e');  // needs 250
  l[0][1].text = std::string(5, 's');   // needs 50
  ArrangeTopLines(l, 10, 300, Width);
  EXPECT_EQ(l[0][0].left, 10);
  EXPECT_EQ(l[0][0].width, 250);
  EXPECT_EQ(l[0][1].left, 260);  // right aligned: moved right as it shrank
  EXPECT_EQ(l[0][1].width, 50);
  EXPECT_EQ(l[0][1].left + l[0][1].width, 310);

  // The other way; balancing again starts from the arranged places.
  l[0][0].text = "e";
  l[0][1].text = std::string(20, 's');  // needs 200 of 120; the event spares 170
  BalanceTopLines(l, Width);
  EXPECT_EQ(l[0][0].width, 100);
  EXPECT_EQ(l[0][1].left, 110);
  EXPECT_EQ(l[0][1].width, 200);

  // Neither fits: nothing to trade.
  l[0][0].text = std::string(30, 'e');
  l[0][1].text = std::string(30, 's');
  BalanceTopLines(l, Width);
  EXPECT_EQ(l[0][0].width, 180);
  EXPECT_EQ(l[0][1].width, 120);

  // A right-aligned first part grows to the left.
  l[0][0].align = Align::Right;
  l[0][0].text = std::string(20, 'e');
  l[0][1].text = "s";
  BalanceTopLines(l, Width);
  EXPECT_EQ(l[0][0].width, 200);
  EXPECT_EQ(l[0][0].left, 10 - 20);
}

TEST(MainLayout, CoordinateTexts) {
  std::string files, ranks;
  for (int i = 1; i <= 8; ++i) {
    files += FileLabelText(i, false);
    ranks += RankLabelText(i, false);
  }
  EXPECT_EQ(files, "abcdefgh");
  EXPECT_EQ(ranks, "87654321");
  files.clear();
  ranks.clear();
  for (int i = 1; i <= 8; ++i) {
    files += FileLabelText(i, true);
    ranks += RankLabelText(i, true);
  }
  EXPECT_EQ(files, "hgfedcba");
  EXPECT_EQ(ranks, "12345678");
}

// The clock labels take a row of their own at the foot of the control
// panel, under the board's halves, White left; hidden, nothing moves.
TEST(MainLayout, ClockLabelsRow) {
  for (int extra = 0; extra < 4; ++extra)
    for (int coords = 0; coords < 2; ++coords)
      for (int buttons = 0; buttons < 2; ++buttons) {
        SCOPED_TRACE(testing::Message() << extra << coords << buttons);
        Input in = Base();
        in.showExtraPanel = extra != 3;
        in.showUnder = extra == 0;
        in.showRight = extra == 1;
        in.showLeft = extra == 2;
        in.showCoordinates = coords;
        in.showMoveButtons = buttons;
        in.clockLabelHeight = 17;
        const Result hidden = Arrange(in);
        EXPECT_EQ(hidden.whiteClock, Rect{});
        EXPECT_EQ(hidden.blackClock, Rect{});
        in.showClocks = true;
        Result r = Arrange(in);
        EXPECT_EQ(r.controlPanel.h, hidden.controlPanel.h + 20);
        EXPECT_EQ(r.clientHeight, hidden.clientHeight + 20);
        // The rest of the control panel stays where it was.
        EXPECT_EQ(r.buttonPanel, hidden.buttonPanel);
        EXPECT_EQ(r.boardPanel, hidden.boardPanel);
        const Rect buttonRect{r.controlPanel.x + r.buttonPanel.x, r.controlPanel.y + r.buttonPanel.y, r.buttonPanel.w,
                           r.buttonPanel.h};
        const Rect labels{r.controlPanel.x, r.controlPanel.y, r.controlPanel.w, 4 + 18};
        for (const Rect &c : {r.whiteClock, r.blackClock}) {
          EXPECT_EQ(c.h, 17);
          EXPECT_GE(c.w, 150);  // "- 16:39.00" in a 12-point font
          EXPECT_TRUE(Inside(c, r.controlPanel));
          for (const Rect &p : {r.toolbar, r.topLinePanel, r.boardPanel, r.extraPanel, r.statusbar, labels})
            EXPECT_FALSE(Overlap(c, p));
          if (r.buttonPanelShown) {
            EXPECT_FALSE(Overlap(c, buttonRect));
          }
        }
        EXPECT_FALSE(Overlap(r.whiteClock, r.blackClock));
        EXPECT_LT(r.whiteClock.x, r.blackClock.x);
        EXPECT_EQ(r.whiteClock.x, r.controlPanel.x + r.bevel.x);
        EXPECT_EQ(r.blackClock.Right(), r.controlPanel.x + r.bevel.Right());
      }
}

}  // namespace
