#include <gtest/gtest.h>

#include "engine/EngineMan.h"

namespace {

// Disabled, the manager asks the enabled test on every call, changes
// nothing the caller handed it, fires no event and its getters give 0.
TEST(EngineManDisabled, EveryOperationAsksAndDoesNothing) {
  EngineManT m;
  int asked = 0;
  m.Init([&] {
    ++asked;
    return false;
  });
  int events = 0;
  m.SetOnEngineMove([&](void *, const MoveRec &) { ++events; });
  m.SetOnOutput([&](void *, const std::string &) { ++events; });
  m.SetOnGameEnd([&](void *, int) { ++events; });
  m.SetOnClock([&](ColorT) { ++events; });

  PositionO pos;
  MoveListO moves;
  MoveRec move;
  TimeControlRec tc;
  tc.BlitzTime = 17;
  const TimeControlRec before = tc;

  m.SetPlaying(true);
  m.MoveNow();
  m.UserMove(move);
  m.ReplaceLastMove(move);
  m.TakeBackInPlay();
  m.SetPosition(pos, &moves);
  m.SetPosition(pos, nullptr);
  m.SetPositionAndReset(pos);
  m.StopAndTakeBack();
  m.Stop();
  m.Restart();
  m.SetPendingMoves(moves);
  m.ApplyPending();
  m.NewGame();
  m.SetTimeControl(tc);
  m.GetTimeControl(tc);
  m.ResetClock();
  m.SetSeconds(cWhite, 300);
  EXPECT_FALSE(m.IsPlaying());
  EXPECT_EQ(m.GetSeconds(cWhite), 0);
  EXPECT_EQ(m.GetSeconds(cBlack), 0);
  EXPECT_FALSE(m.FlagFallen(cWhite));
  EXPECT_EQ(m.FirstFlag(), 0);
  EXPECT_EQ(asked, 23);
  EXPECT_EQ(events, 0);
  EXPECT_EQ(tc, before);
  m.Destroy();
}

TEST(EngineManDisabled, WithoutATestItIsDisabled) {
  EngineManT m;
  m.Init(nullptr);
  EXPECT_FALSE(m.Enabled());
  m.SetPlaying(true);
  EXPECT_FALSE(m.IsPlaying());
}

}  // namespace
