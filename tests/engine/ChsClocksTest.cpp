#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "chess/Moves.h"
#include "chess/Posns.h"
#include "engine/ChsClocks.h"
#include "platform/Errors.h"

namespace {

// Holds at most one pending expiry, as the real timer does.
struct FakeTimer : OneShotTimer {
  int32_t pending = 0;  // 0: none
  bool refuse = false;
  bool Set(int32_t ms) override {
    if (refuse) return false;
    EXPECT_GE(ms, 1);
    pending = ms;
    return true;
  }
  void Kill() override { pending = 0; }
};

class ClockTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clock.SetTimer(&timer);
    clock.SetTickSource([this] { return now; });
    clock.SetOnChange([this](ColorT side) { changes.push_back(side); });
  }
  // A fresh game of `seconds` a side, counting White.
  void StartGame(int32_t seconds, int32_t moves = 0, int32_t increment = 0) {
    clock.SetTimeControl(moves, seconds, increment);
    clock.Reset();
    clock.Start(true);
  }
  // The pending timer expires `after` ms from its start.
  void Fire(int32_t after) {
    ASSERT_NE(timer.pending, 0);
    now += after;
    timer.pending = 0;
    clock.TimerMessage();
  }
  // Fake time runs on by ms, each timer expiring on time.
  void Run(int32_t ms) {
    const uint64_t end = now + ms;
    while (timer.pending != 0 && now + timer.pending <= end) Fire(timer.pending);
    now = end;
  }
  int32_t Ms(ColorT side) const { return clock.GetCentiseconds(side) * 10; }

  uint64_t now = 5'000'000;
  FakeTimer timer;
  ChessClockT clock;
  std::vector<ColorT> changes;
};

TEST(ClockIntervalTest, StepsToTheNextDisplayBoundary) {
  const std::pair<int32_t, int32_t> cases[] = {{1500, 500}, {1000, 100}, {1001, 1},  {999, 99},
                                               {100, 100},  {1, 1},      {0, 1000}, {-250, 750}};
  for (auto [ms, expected] : cases) EXPECT_EQ(ChessClockT::NextInterval(ms), expected) << ms;
}

TEST_F(ClockTest, AFreshClockHasNoFlagAndNoTimer) {
  EXPECT_EQ(clock.FirstFlag(), cNone);
  EXPECT_FALSE(clock.FlagFallen(cWhite));
  EXPECT_EQ(clock.MoveNumber(), 1);
  EXPECT_EQ(clock.GetTimeControlRec(), TimeControlRec{});
  EXPECT_THROW(clock.GetSeconds(cNone), ERangeError);
}

TEST_F(ClockTest, TicksKeepAnEarlyLeadAndChargeRealTime) {
  StartGame(5);
  EXPECT_EQ(timer.pending, 1000);
  Fire(980);  // 20 ms early: the lead is kept, the next tick lands on 3000
  EXPECT_EQ(Ms(cWhite), 4020);
  EXPECT_EQ(timer.pending, 1020);
  Fire(1020);
  EXPECT_EQ(Ms(cWhite), 3000);
  Fire(970);  // 30 ms early is no lead
  EXPECT_EQ(Ms(cWhite), 2030);
  EXPECT_EQ(timer.pending, 30);
  Fire(1200);  // late: the whole time is charged
  EXPECT_EQ(Ms(cWhite), 830);
  EXPECT_EQ(timer.pending, 30);
  EXPECT_EQ(clock.GetSeconds(cBlack), 5);
  EXPECT_EQ(changes, std::vector<ColorT>({cWhite, cBlack, cWhite, cBlack, cWhite, cWhite, cWhite, cWhite}));
}

TEST_F(ClockTest, TheLastTickLandsOnZero) {
  StartGame(1);
  Run(900);
  EXPECT_EQ(timer.pending, 100);
  Fire(99);  // 1 ms early with 1 ms left
  EXPECT_EQ(clock.GetCentiseconds(cWhite), 0);
  EXPECT_EQ(clock.GetSeconds(cWhite), 1);
  EXPECT_FALSE(clock.FlagFallen(cWhite));
  EXPECT_EQ(timer.pending, 1);
  Fire(1);
  EXPECT_TRUE(clock.FlagFallen(cWhite));
}

// With random lateness, every tick aims at a display boundary, the time
// charged is the time that passed, and the flag never falls early.
TEST_F(ClockTest, RandomTicksNeverDrift) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> jitter(-25, 60);
  for (int round = 0; round < 50; ++round) {
    StartGame(12);
    const uint64_t start = now;
    int ticks = 0;
    while (timer.pending != 0) {
      Fire(std::max(1, timer.pending + jitter(rng)));
      ++ticks;
      const int32_t left = std::max(0, 12000 - static_cast<int32_t>(now - start));
      ASSERT_EQ(clock.GetCentiseconds(cWhite), left / 10);
      if (timer.pending == 0) break;
      const int32_t target = left - timer.pending;
      // Within the last second the target is a tenth, else a whole second.
      EXPECT_TRUE(target >= 0 && target % 100 == 0 && (target < 1000 || target % 1000 == 0)) << target;
    }
    EXPECT_TRUE(clock.FlagFallen(cWhite));
    EXPECT_GE(now - start, 12000u);
    EXPECT_LE(now - start, 12060u);
    EXPECT_GE(ticks, 20);
    EXPECT_LE(ticks, 40);
  }
}

TEST_F(ClockTest, SecondsRoundUp) {
  StartGame(2);
  Fire(999);
  EXPECT_EQ(Ms(cWhite), 1000);  // 1001 ms, in centiseconds
  EXPECT_EQ(clock.GetSeconds(cWhite), 2);
  Fire(1);
  EXPECT_EQ(clock.GetSeconds(cWhite), 1);
  Run(1000);
  EXPECT_EQ(clock.GetSeconds(cWhite), 0);
}

TEST_F(ClockTest, ControlsAndIncrements) {
  StartGame(90 * 60, 40);
  for (int press = 1; press <= 80; ++press) {
    clock.Press();
    const int32_t expected = press == 80 ? 2 * 5'400'000 : 5'400'000;
    ASSERT_EQ(Ms(cWhite), expected) << press;
    ASSERT_EQ(Ms(cBlack), expected) << press;
  }
  EXPECT_EQ(clock.MoveNumber(), 41);

  StartGame(300, 0, 12);
  Run(5000);
  clock.Press();
  EXPECT_EQ(Ms(cWhite), 300'000 - 5000 + 12'000);
  EXPECT_EQ(Ms(cBlack), 300'000);
  EXPECT_EQ(clock.SideToMove(), cBlack);
  for (int press = 0; press < 400; ++press) clock.Press();  // no base time without a move count
  EXPECT_EQ(Ms(cBlack), 300'000 + 200 * 12'000);
}

TEST_F(ClockTest, RefusedValuesChangeNothing) {
  StartGame(60, 40, 5);
  Run(1000);
  const TimeControlRec before = clock.GetTimeControlRec();
  EXPECT_THROW(clock.SetTimeControl(40, 2'147'484, 0), ERangeError);
  EXPECT_THROW(clock.SetTimeControl(40, 60, 2'147'484), ERangeError);
  EXPECT_THROW(clock.SetTimeControl(-1, 60, 0), ERangeError);
  EXPECT_THROW(clock.SetTimeControl(40, -5, 0), ERangeError);
  EXPECT_THROW(clock.SetTimeControl(40, 60, -1), ERangeError);
  TimeControlRec rec;
  rec.BlitzTime = 35'792;  // 2,147,520,000 ms
  EXPECT_THROW(clock.SetTimeControlRec(rec), ERangeError);
  rec.BlitzTime = -5;
  EXPECT_THROW(clock.SetTimeControlRec(rec), ERangeError);
  EXPECT_THROW(clock.SetSeconds(cBlack, -1), ERangeError);
  EXPECT_THROW(clock.SetSeconds(cBlack, 2'147'484), ERangeError);
  EXPECT_THROW(clock.SetMoveNumber(0), ERangeError);
  int32_t moves, seconds, increment;
  clock.GetTimeControl(moves, seconds, increment);
  EXPECT_EQ(std::tie(moves, seconds, increment), std::make_tuple(40, 60, 5));
  EXPECT_EQ(clock.GetTimeControlRec(), before);
  EXPECT_EQ(Ms(cWhite), 59'000);
  EXPECT_EQ(Ms(cBlack), 60'000);

  rec.BlitzTime = 35'791;
  rec.BlitzNrOfMoves = 1;
  rec.BlitzIncrement = 3;
  clock.SetTimeControlRec(rec);
  clock.GetTimeControl(moves, seconds, increment);
  EXPECT_EQ(std::tie(moves, seconds, increment), std::make_tuple(1, 35'791 * 60, 3));
  clock.SetTimeControl(10, 150, 2);
  EXPECT_EQ(clock.GetTimeControlRec().BlitzTime, 2);
  EXPECT_EQ(clock.GetTimeControlRec().FixedTime, rec.FixedTime);
}

TEST_F(ClockTest, APressThatWouldOverflowChangesNothing) {
  StartGame(2'000'000, 1);
  clock.Press();  // White's move: no control yet
  Run(250);
  EXPECT_THROW(clock.Press(), ERangeError);  // both would pass 2^31 ms
  EXPECT_EQ(clock.SideToMove(), cBlack);
  EXPECT_EQ(clock.MoveNumber(), 1);
  EXPECT_EQ(Ms(cBlack), 2'000'000'000);
  EXPECT_EQ(timer.pending, 1000);
  clock.Stop();
  EXPECT_EQ(Ms(cBlack), 2'000'000'000 - 250);
}

TEST_F(ClockTest, FallenFlags) {
  StartGame(1);
  Run(1000);
  EXPECT_TRUE(clock.FlagFallen(cWhite));
  EXPECT_EQ(clock.FirstFlag(), cWhite);
  EXPECT_EQ(timer.pending, 0);  // no longer ticked
  EXPECT_TRUE(clock.Running());
  clock.Press();
  EXPECT_EQ(timer.pending, 100);
  clock.Press();  // back to the fallen side: no timer, still running
  EXPECT_EQ(timer.pending, 0);
  EXPECT_TRUE(clock.Running());
  clock.Press();
  EXPECT_EQ(timer.pending, 100);
  Run(1000);
  EXPECT_TRUE(clock.FlagFallen(cBlack));
  EXPECT_EQ(clock.FirstFlag(), cWhite);
  clock.SetSeconds(cWhite, 30);
  EXPECT_TRUE(clock.FlagFallen(cWhite));
  EXPECT_EQ(clock.GetSeconds(cWhite), 30);
}

// White set to 0 while Black runs out: White's flag is marked first, and
// Black's tick still arms a timer of at least 1 ms, not one of 0.
TEST_F(ClockTest, BothSidesOutAtOnce) {
  StartGame(1);
  clock.Press();
  Run(900);
  clock.SetSeconds(cWhite, 0);
  Fire(100);
  EXPECT_EQ(clock.FirstFlag(), cWhite);
  EXPECT_FALSE(clock.FlagFallen(cBlack));
  EXPECT_EQ(timer.pending, 1);
  Fire(1);
  EXPECT_TRUE(clock.FlagFallen(cBlack));
  EXPECT_EQ(clock.FirstFlag(), cWhite);
}

TEST_F(ClockTest, ArmedStartStopAndAMissingTimer) {
  clock.SetTimeControl(0, 60, 0);
  clock.Reset();
  clock.Start(false);
  EXPECT_TRUE(clock.Running());
  EXPECT_EQ(timer.pending, 0);
  changes.clear();
  clock.Start(false);  // already armed
  EXPECT_TRUE(changes.empty());
  Run(5000);
  clock.Press();  // the other side's time starts
  EXPECT_EQ(Ms(cWhite), 60'000);
  EXPECT_EQ(timer.pending, 1000);
  Run(1300);
  clock.Stop();
  EXPECT_EQ(Ms(cBlack), 58'700);
  EXPECT_EQ(timer.pending, 0);
  EXPECT_FALSE(clock.Running());
  clock.TimerMessage();  // an expiry after the kill is ignored
  EXPECT_EQ(Ms(cBlack), 58'700);

  timer.refuse = true;
  clock.Start(true);
  EXPECT_TRUE(clock.Running());
  now += 4000;
  clock.Stop();  // no timer was set: nothing is charged
  EXPECT_EQ(Ms(cBlack), 58'700);
}

TEST_F(ClockTest, TakeBackRestoresThePressedState) {
  StartGame(2);
  Run(1500);
  clock.Press();
  Run(2000);  // Black's flag falls
  ASSERT_TRUE(clock.FlagFallen(cBlack));
  clock.Press();
  EXPECT_EQ(clock.MoveNumber(), 2);
  clock.TakeBack();
  EXPECT_EQ(clock.MoveNumber(), 1);
  EXPECT_EQ(clock.SideToMove(), cBlack);
  EXPECT_EQ(Ms(cWhite), 500);
  EXPECT_EQ(Ms(cBlack), 2000);
  EXPECT_FALSE(clock.FlagFallen(cBlack));
  EXPECT_EQ(clock.FirstFlag(), cNone);
  clock.TakeBack();
  EXPECT_EQ(Ms(cWhite), 2000);
  changes.clear();
  clock.TakeBack();  // move 1, White: nothing before it
  EXPECT_EQ(clock.MoveNumber(), 1);
  EXPECT_EQ(clock.SideToMove(), cWhite);
  EXPECT_TRUE(changes.empty());
}

TEST_F(ClockTest, TakeBackKeepsTimesWithoutAStoredEntry) {
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K3 b - - 0 25"));
  clock.SetTimeControl(0, 60, 0);
  clock.Reset();
  clock.SetFromPosition(pos);
  EXPECT_EQ(clock.MoveNumber(), 25);
  clock.Start(true);
  Run(700);
  clock.Press();
  Run(400);
  clock.TakeBack();
  EXPECT_EQ(Ms(cBlack), 60'000);
  EXPECT_EQ(Ms(cWhite), 60'000);
  clock.TakeBack();  // never stored: the times stay
  EXPECT_EQ(clock.SideToMove(), cWhite);
  EXPECT_EQ(Ms(cWhite), 60'000);

  // A game pressed to move 40, then a new position: the old entries are gone.
  StartGame(60);
  for (int press = 0; press < 78; ++press) {
    Run(100);
    clock.Press();
  }
  clock.Stop();
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K3 w - - 0 41"));
  clock.SetFromPosition(pos);
  const int32_t white = Ms(cWhite), black = Ms(cBlack);
  clock.TakeBack();
  EXPECT_EQ(std::make_pair(Ms(cWhite), Ms(cBlack)), std::make_pair(white, black));

  // So does a Reset.
  StartGame(60);
  for (int press = 0; press < 10; ++press) {
    Run(100);
    clock.Press();
  }
  clock.Reset();
  clock.SetMoveNumber(5);
  clock.SetSideToMove(cBlack);
  clock.TakeBack();
  EXPECT_EQ(Ms(cWhite), 60'000);
}

TEST_F(ClockTest, PressesWhileStoppedAreStored) {
  clock.SetTimeControl(0, 60, 0);
  clock.Reset();
  clock.Press();
  clock.Press();
  clock.TakeBack();
  EXPECT_EQ(Ms(cBlack), 60'000);
  clock.Start(true);
  EXPECT_FALSE(clock.FlagFallen(cWhite));
  EXPECT_FALSE(clock.FlagFallen(cBlack));
  EXPECT_EQ(timer.pending, 1000);
}

// The stopped presses keep their times: taking back over them after a
// run gives back the times they were made with.
TEST_F(ClockTest, TakeBackOverPressesMadeWhileStopped) {
  clock.SetTimeControl(0, 60, 0);
  clock.Reset();
  clock.Press();
  clock.Press();
  clock.Start(true);
  Run(5000);
  clock.Press();
  ASSERT_EQ(Ms(cWhite), 55'000);
  clock.TakeBack();
  clock.TakeBack();
  EXPECT_EQ(clock.MoveNumber(), 1);
  EXPECT_EQ(clock.SideToMove(), cBlack);
  EXPECT_EQ(Ms(cWhite), 60'000);
}

// A time set for the side that runs counts down from the moment it is set.
TEST_F(ClockTest, TheRunningSideCountsFromItsNewTime) {
  StartGame(60);
  Run(1500);  // 500 ms since the last tick
  clock.SetSeconds(cWhite, 30);
  EXPECT_EQ(timer.pending, 1000);
  Run(1000);
  EXPECT_EQ(Ms(cWhite), 29'000);
  // The other side's new time waits for its turn.
  clock.SetSeconds(cBlack, 20);
  Run(300);
  EXPECT_EQ(Ms(cBlack), 20'000);
  clock.Press();
  Run(1000);
  EXPECT_EQ(Ms(cBlack), 19'000);
}

TEST_F(ClockTest, MovesBeyondTwoHundred) {
  PositionO pos;
  ASSERT_TRUE(pos.SetFEN("4k3/8/8/8/8/8/8/4K3 w - - 0 230"));
  MoveListO moves;
  for (int i = 0; i < 3; ++i) moves.AddNew();
  clock.SetTimeControl(0, 60, 0);
  clock.Reset();
  clock.SetFromPosition(pos, &moves);
  EXPECT_EQ(clock.MoveNumber(), 231);
  EXPECT_EQ(clock.SideToMove(), cBlack);
  clock.Start(true);
  std::vector<std::pair<int32_t, int32_t>> seen;
  for (int press = 0; press < 60; ++press) {
    seen.emplace_back(Ms(cWhite), Ms(cBlack));
    Run(250);
    clock.Press();
  }
  EXPECT_EQ(clock.MoveNumber(), 261);
  for (int press = 59; press >= 0; --press) {
    clock.TakeBack();
    ASSERT_EQ(std::make_pair(Ms(cWhite), Ms(cBlack)), seen[press]) << press;
  }
  EXPECT_EQ(clock.MoveNumber(), 231);
}

}  // namespace
