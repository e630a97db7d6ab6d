#include <gtest/gtest.h>

#include <QObject>
#include <QTest>

#include "engine/ui/ClockTimer.h"
#include "foundation_ui/UiTestApp.h"

namespace {

// A clock on the real adapter, with time it is told rather than measured.
struct QtClock {
  QtClock() : timer(clock, &parent) {
    clock.SetTimer(&timer);
    clock.SetTickSource([this] { return now; });
    clock.SetOnChange([this](ColorT) { ++changes; });
  }
  QApplication *app = uitest::App();
  QObject parent;
  ChessClockT clock;
  ClockTimerQt timer;
  uint64_t now = 1'000'000;
  int changes = 0;
};

TEST(ClockTimerQtTest, ATimerFiresOnceIntoTheClock) {
  QtClock c;
  c.clock.SetTimeControl(0, 10, 0);
  c.clock.Reset();
  c.clock.Start(true);
  ASSERT_TRUE(c.timer.Pending());
  c.now += 700;
  c.clock.TimerMessage();  // 9300 ms left: the next step is 300 ms away
  ASSERT_EQ(c.clock.GetCentiseconds(cWhite), 930);
  ASSERT_TRUE(c.timer.Pending());
  c.now += 9300;  // that tick uses up the time, so nothing is armed after it
  const int before = c.changes;
  for (int i = 0; i < 200 && !c.clock.FlagFallen(cWhite); ++i) QTest::qWait(10);
  EXPECT_TRUE(c.clock.FlagFallen(cWhite));
  EXPECT_FALSE(c.timer.Pending());
  QTest::qWait(400);
  EXPECT_EQ(c.changes, before + 1);
}

TEST(ClockTimerQtTest, AKilledTimerNeverFires) {
  QtClock c;
  c.clock.SetTimeControl(0, 1, 0);
  c.clock.Reset();
  c.clock.Start(true);  // a 100 ms step
  ASSERT_TRUE(c.timer.Pending());
  c.now += 50;
  c.clock.Stop();
  const int before = c.changes;
  EXPECT_FALSE(c.timer.Pending());
  QTest::qWait(300);
  EXPECT_EQ(c.changes, before);
  EXPECT_EQ(c.clock.GetCentiseconds(cWhite), 95);
}

}  // namespace
