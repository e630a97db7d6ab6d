#include <gtest/gtest.h>

#include <stdexcept>

#include "chess/Language.h"
#include "engine/DriverTestUtil.h"
#include "engine/EngineMan.h"

namespace {

using enginetest::ChildLog;
using enginetest::FakeChild;
using Lines = std::vector<std::string>;

struct FakeTimer : OneShotTimer {
  int32_t pending = 0;  // 0: none
  bool Set(int32_t ms) override {
    pending = ms;
    return true;
  }
  void Kill() override { pending = 0; }
};

const std::string kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// Black to move at move 25.
const std::string kMove25Fen = "r1bq1rk1/pp2bppp/2n1pn2/3p4/3P4/2NBPN2/PP3PPP/R2Q1RK1 b - - 0 25";

class EngineManTest : public ::testing::Test {
 protected:
  // Each start of an engine makes a new fake child with a log of its own.
  int Init(bool enabled = true, int startError = 0) {
    enabled_ = enabled;
    return man_.Init([this] { return enabled_; }, &dispatcher_, &timer_, [this] { return now_; },
                     [this, startError] {
                       logs_.push_back(std::make_shared<ChildLog>());
                       logs_.back()->startError = startError;
                       return std::make_unique<FakeChild>(logs_.back());
                     });
  }
  void SetUp() override {
    man_.SetOnEngineMove([this](void *, const MoveRec &m) {
      ++engineMoves_;
      if (onMove_) onMove_(m);
    });
    man_.SetOnOutput([this](void *, const std::string &line) { output_.push_back(line); });
    man_.SetOnGameEnd([this](void *, int) { ++gameEnds_; });
    man_.SetOnClock([this](ColorT side) { clockSides_.push_back(side); });
    man_.SetOnPlayChange([this] { playChanges_.push_back(man_.IsPlaying()); });
    man_.SetOnBadMove([this](const std::string &line) { badMoves_.push_back(line); });
  }
  void TearDown() override {
    man_.Destroy();
    SetCurrentLang(LangEnglish);
  }

  ChildLog &Log() { return *logs_.back(); }
  // The lines the current child was sent since the last call.
  Lines Sent() {
    Lines s = std::move(Log().sent);
    Log().sent.clear();
    return s;
  }
  void Reply(const std::string &line) { Log().onLine(line + "\r"); }
  MoveRec Move(const std::string &text) const {
    PositionO p;
    p.InitCopy(man_.Engine()->CurrentPosition());
    p.SetLanguage(LangEnglish);
    MoveRec m;
    EXPECT_TRUE(enginetest::PlayText(p, text, m)) << text;
    return m;
  }
  void User(const std::string &text) { man_.UserMove(Move(text)); }
  std::string Fen() const { return man_.Engine()->CurrentPosition().GetFEN(); }
  static void FromFen(PositionO &p, const std::string &fen) {
    p.SetLanguage(LangEnglish);
    ASSERT_TRUE(p.SetFEN(fen));
  }
  // Play against the engine: the user moves e2e4 with White, the engine
  // thinks.
  void PlayAndThink() {
    ASSERT_EQ(Init(), 0);
    man_.SetPlaying(true);
    User("e2e4");
    ASSERT_TRUE(man_.Engine()->IsThinking());
  }

  EngineManT man_;
  bool enabled_ = true;
  enginetest::NoDispatcher dispatcher_;
  FakeTimer timer_;
  uint64_t now_ = 1'000'000;
  std::vector<std::shared_ptr<ChildLog>> logs_;
  int engineMoves_ = 0;
  std::function<void(const MoveRec &)> onMove_;
  Lines output_;
  int gameEnds_ = 0;
  std::vector<ColorT> clockSides_;
  std::vector<bool> playChanges_;  // IsPlaying at each play change
  Lines badMoves_;
};

TEST_F(EngineManTest, DisabledNothingStartsAndEveryOperationReturns) {
  ASSERT_EQ(Init(false), 0);
  EXPECT_TRUE(logs_.empty());
  EXPECT_FALSE(man_.Active());
  EXPECT_EQ(man_.Clock(), nullptr);
  PositionO pos;
  MoveListO moves;
  MoveRec move;
  TimeControlRec tc;
  tc.BlitzTime = 17;
  const TimeControlRec before = tc;
  man_.SetPlaying(true);
  man_.MoveNow();
  man_.UserMove(move);
  man_.ReplaceLastMove(move);
  man_.TakeBackInPlay();
  man_.SetPosition(pos, &moves);
  man_.SetPositionAndReset(pos);
  man_.StopAndTakeBack();
  man_.Restart();
  man_.SetPendingMoves(moves);
  man_.ApplyPending();
  man_.NewGame();
  man_.SetTimeControl(tc);
  man_.GetTimeControl(tc);
  man_.ResetClock();
  man_.SetSeconds(cWhite, 300);
  EXPECT_FALSE(man_.IsPlaying());
  EXPECT_EQ(man_.GetSeconds(cWhite), 0);
  EXPECT_FALSE(man_.FlagFallen(cWhite));
  EXPECT_EQ(man_.FirstFlag(), 0);
  EXPECT_EQ(tc, before);
  EXPECT_TRUE(logs_.empty());
  EXPECT_TRUE(clockSides_.empty());
  EXPECT_EQ(timer_.pending, 0);
}

TEST_F(EngineManTest, InitSendsItsFourCommandsAndAFailedStartActsAsDisabled) {
  ASSERT_EQ(Init(), 0);
  EXPECT_EQ(Sent(), (Lines{"xboard", "new", "level 10 1:0 0", "force"}));
  EXPECT_TRUE(man_.Active());
  EXPECT_EQ(man_.GetSeconds(cWhite), 60);
  EXPECT_FALSE(man_.IsPlaying());

  EXPECT_EQ(Init(true, 13), 13);
  EXPECT_TRUE(Log().destroyed);
  EXPECT_TRUE(Log().sent.empty());
  EXPECT_FALSE(man_.Active());
  man_.SetPlaying(true);
  man_.MoveNow();
  man_.NewGame();
  EXPECT_EQ(logs_.size(), 2u);  // no new start is tried
  EXPECT_TRUE(Log().sent.empty());
  EXPECT_FALSE(man_.IsPlaying());
  EXPECT_EQ(man_.GetSeconds(cBlack), 0);
}

TEST_F(EngineManTest, AnEngineMoveIsPressedOnceAndTheFlagClearsOnEveryWayOut) {
  ASSERT_EQ(Init(), 0);
  man_.SetPlaying(true);
  ASSERT_EQ(timer_.pending, 0);  // armed, not counting
  // The window enters the engine's move as a user's, which tells the
  // manager again.
  onMove_ = [this](const MoveRec &m) { man_.UserMove(m); };
  User("e2e4");
  ASSERT_EQ(man_.Clock()->SideToMove(), cBlack);
  Sent();
  now_ += 2500;
  Reply("move e7e5");
  EXPECT_EQ(engineMoves_, 1);
  EXPECT_EQ(man_.Clock()->SideToMove(), cWhite);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 2);
  EXPECT_EQ(man_.GetSeconds(cBlack), 58);
  EXPECT_TRUE(Sent().empty());  // the engine does not hear its own move

  // A handler that throws: the next user move reaches engine and clock.
  onMove_ = [](const MoveRec &) { throw std::runtime_error("board"); };
  User("g1f3");
  EXPECT_THROW(Reply("move b8c6"), std::runtime_error);
  onMove_ = nullptr;
  const int32_t number = man_.Clock()->MoveNumber();
  Sent();
  User("f1c4");
  EXPECT_EQ(man_.Clock()->MoveNumber(), number + 1);
  EXPECT_EQ(Sent().back(), "f1c4");
}

TEST_F(EngineManTest, StopAndTakeBackWithTheEngineToMove) {
  PlayAndThink();
  const ColorT clockSide = man_.Clock()->SideToMove();
  Sent();
  man_.StopAndTakeBack();
  EXPECT_EQ(Sent(), (Lines{"?", "force", "undo", "undo"}));
  EXPECT_EQ(Fen(), kStartFen);
  EXPECT_FALSE(man_.IsPlaying());
  EXPECT_EQ(man_.Clock()->SideToMove(), cWhite);
  EXPECT_NE(clockSide, man_.Clock()->SideToMove());
  EXPECT_EQ(man_.Clock()->MoveNumber(), 1);
  EXPECT_FALSE(man_.Clock()->Running());
  // The stopped search's reply is dropped.
  Reply("move e7e5");
  EXPECT_EQ(engineMoves_, 0);
  EXPECT_EQ(Fen(), kStartFen);
}

TEST_F(EngineManTest, PendingMovesAreSentWhenApplied) {
  ASSERT_EQ(Init(), 0);
  Sent();
  MoveListO pending;
  PositionO walk;
  FromFen(walk, kStartFen);
  for (const char *t : {"d2d4", "g8f6", "c2c4"}) {
    MoveRec m;
    ASSERT_TRUE(enginetest::PlayText(walk, t, m));
    pending.Add(m);
  }
  man_.ApplyPending();  // nothing pending: nothing happens
  EXPECT_TRUE(Sent().empty());
  man_.SetPendingMoves(pending);
  EXPECT_TRUE(Sent().empty());
  man_.ApplyPending();
  EXPECT_EQ(Sent(), (Lines{"new", "force", "d2d4\ng8f6\nc2c4\n"}));
  EXPECT_EQ(Fen(), walk.GetFEN());
  EXPECT_EQ(man_.Clock()->SideToMove(), cBlack);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 2);
  man_.ApplyPending();
  EXPECT_TRUE(Sent().empty());
}

TEST_F(EngineManTest, TheEnginesGameEndStopsTheClockButNotPlay) {
  ASSERT_EQ(Init(), 0);
  man_.SetPlaying(true);
  onMove_ = [this](const MoveRec &m) { man_.UserMove(m); };
  User("f2f3");
  Reply("move e7e5");
  User("g2g4");
  ASSERT_TRUE(man_.Clock()->Running());
  Reply("move d8h4");
  EXPECT_EQ(gameEnds_, 1);
  EXPECT_FALSE(man_.Clock()->Running());
  EXPECT_EQ(timer_.pending, 0);
  EXPECT_TRUE(man_.IsPlaying());
}

TEST_F(EngineManTest, AfterTheEnginesEndANewOneFollowsTheGame) {
  TimeControlRec tc;
  tc.BlitzTime = 3;
  tc.BlitzIncrement = 2;
  tc.BlitzNrOfMoves = 0;
  PlayAndThink();
  man_.SetTimeControl(tc);
  now_ += 4000;
  Log().onEnd();
  EXPECT_FALSE(man_.IsPlaying());
  EXPECT_FALSE(man_.Clock()->Running());
  EXPECT_EQ(timer_.pending, 0);
  EXPECT_EQ(man_.GetSeconds(cBlack), 56);
  // Stepping through the game sends nothing, yet the driver follows it.
  Sent();
  man_.StopAndTakeBack();
  man_.UserMove(Move("d2d4"));
  man_.UserMove(Move("d7d5"));
  man_.StopAndTakeBack();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(logs_.size(), 1u);
  const std::string stepped = Fen();
  man_.SetSeconds(cWhite, 41);
  const int32_t white = man_.GetSeconds(cWhite), black = man_.GetSeconds(cBlack);

  man_.SetPlaying(true);
  ASSERT_EQ(logs_.size(), 2u);
  EXPECT_TRUE(logs_[0]->destroyed);
  // The control chosen during the game waits for the next one.
  EXPECT_EQ(Sent(), (Lines{"xboard", "new", "level 10 1:0 0", "force", "new", "force", "d2d4\n"}));
  EXPECT_EQ(Fen(), stepped);
  EXPECT_TRUE(man_.IsPlaying());
  EXPECT_EQ(man_.GetSeconds(cWhite), white);
  EXPECT_EQ(man_.GetSeconds(cBlack), black);
  User("c7c5");
  EXPECT_EQ(Sent().back(), "go");
}

TEST_F(EngineManTest, AFailedRestartLeavesTheManagerDisabled) {
  int starts = 0;
  man_.Init([] { return true; }, &dispatcher_, &timer_, nullptr, [&] {
    logs_.push_back(std::make_shared<ChildLog>());
    logs_.back()->startError = ++starts == 1 ? 0 : 2;
    return std::make_unique<FakeChild>(logs_.back());
  });
  ASSERT_TRUE(man_.Active());
  Log().onEnd();
  man_.SetPlaying(true);
  EXPECT_FALSE(man_.Active());
  EXPECT_FALSE(man_.IsPlaying());
  EXPECT_EQ(man_.GetSeconds(cWhite), 0);
  EXPECT_EQ(timer_.pending, 0);
  man_.SetPlaying(true);
  EXPECT_EQ(starts, 2);
}

TEST_F(EngineManTest, ResetsLeaveTheClockOnThePositionsSide) {
  ASSERT_EQ(Init(), 0);
  PositionO pos;
  FromFen(pos, kMove25Fen);
  man_.SetSeconds(cWhite, 5);
  man_.SetPositionAndReset(pos);
  EXPECT_EQ(man_.Clock()->SideToMove(), cBlack);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 25);
  EXPECT_EQ(man_.GetSeconds(cWhite), 60);

  man_.UserMove(Move("a7a6"));
  man_.UserMove(Move("a2a3"));
  ASSERT_EQ(man_.Clock()->MoveNumber(), 26);
  Sent();
  man_.Restart();
  EXPECT_EQ(Fen(), pos.GetFEN());
  EXPECT_EQ(man_.Clock()->SideToMove(), cBlack);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 25);
  // Play from there counts Black.
  man_.MoveNow();
  EXPECT_TRUE(man_.Clock()->Running());
  EXPECT_NE(timer_.pending, 0);
  now_ += 1000;
  man_.Stop();
  EXPECT_EQ(man_.GetSeconds(cBlack), 59);
  EXPECT_EQ(man_.GetSeconds(cWhite), 60);
}

TEST_F(EngineManTest, ReplacingOrTakingBackWhileTheEngineThinks) {
  TimeControlRec tc;
  tc.BlitzTime = 5;
  ASSERT_EQ(Init(), 0);
  man_.SetTimeControl(tc);
  man_.NewGame();
  man_.SetPlaying(true);
  User("e2e4");
  const int32_t number = man_.Clock()->MoveNumber();
  const ColorT side = man_.Clock()->SideToMove();
  PositionO expected;
  FromFen(expected, kStartFen);
  MoveRec d4;
  ASSERT_TRUE(enginetest::PlayText(expected, "d2d4", d4));
  Sent();
  man_.ReplaceLastMove(d4);
  EXPECT_EQ(Sent(), (Lines{"?", "force", "undo", "undo", "time 30000", "otim 30000", "d2d4", "black", "time 30000",
                           "otim 30000", "go"}));
  EXPECT_EQ(Fen(), expected.GetFEN());
  EXPECT_EQ(man_.Clock()->MoveNumber(), number);
  EXPECT_EQ(man_.Clock()->SideToMove(), side);
  EXPECT_TRUE(man_.IsPlaying());
  Reply("move e7e5");  // the stopped search's reply
  EXPECT_EQ(engineMoves_, 0);

  // Taking back while it thinks: the clock goes back once, and the user's
  // next move starts the engine again.
  man_.TakeBackInPlay();
  EXPECT_EQ(Sent(), (Lines{"?", "force", "undo", "undo"}));
  EXPECT_EQ(Fen(), kStartFen);
  EXPECT_EQ(man_.Clock()->SideToMove(), cWhite);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 1);
  User("c2c4");
  const Lines after = Sent();
  ASSERT_FALSE(after.empty());
  EXPECT_EQ(after.back(), "go");
  EXPECT_EQ(man_.Clock()->SideToMove(), cBlack);
}

}  // namespace

namespace {

TEST_F(EngineManTest, MovesOutsideTheEnginesTurnInPlayAreDropped) {
  ASSERT_EQ(Init(), 0);
  // Force mode after the start: a move changes nothing.
  Reply("move e2e4");
  EXPECT_EQ(engineMoves_, 0);
  EXPECT_EQ(Fen(), kStartFen);
  // In play, the user to move: dropped too.
  man_.SetPlaying(true);
  Reply("move e2e4");
  EXPECT_EQ(engineMoves_, 0);
  EXPECT_EQ(Fen(), kStartFen);
  EXPECT_TRUE(badMoves_.empty());
  // A stopped search's reply is still counted off: after it, the engine's
  // next move of its turn is taken.
  User("e2e4");
  man_.Stop();
  Reply("move e7e5");
  man_.SetPlaying(true);
  man_.MoveNow();
  Reply("move c7c5");
  EXPECT_EQ(engineMoves_, 1);
  EXPECT_EQ(man_.Engine()->Moves().Count(), 2);
}

TEST_F(EngineManTest, ABadMoveStopsPlayAndIsReportedOncePerGame) {
  for (const char *bad : {"move e7e4", "move E7E5", "move e7e5e5", "move castle"}) {
    SCOPED_TRACE(bad);
    PlayAndThink();
    badMoves_.clear();
    playChanges_.clear();
    Sent();
    now_ += 1000;
    Reply(bad);
    EXPECT_EQ(badMoves_, Lines{bad});
    EXPECT_EQ(engineMoves_, 0);
    EXPECT_FALSE(man_.IsPlaying());
    EXPECT_EQ(playChanges_, std::vector<bool>{false});
    EXPECT_FALSE(man_.Clock()->Running());
    EXPECT_EQ(timer_.pending, 0);
    EXPECT_EQ(man_.GetSeconds(cBlack), 59);
    // The engine's board is the game's again.
    EXPECT_EQ(Sent(), (Lines{"force", "new", "force", "e2e4\n"}));
    EXPECT_EQ(man_.Engine()->Moves().Count(), 1);

    // Again in the same game: play stops, without a second report.
    man_.MoveNow();
    Reply(bad);
    EXPECT_EQ(badMoves_.size(), 1u);
    EXPECT_FALSE(man_.IsPlaying());
    // A new game reports again.
    man_.NewGame();
    man_.SetPlaying(true);
    User("d2d4");
    Reply(bad);
    EXPECT_EQ(badMoves_.size(), 2u);
  }
}

TEST_F(EngineManTest, ATimeControlAppliesWholeAtOnceOrAtTheNextGame) {
  TimeControlRec tc;
  tc.BlitzTime = 3;
  tc.BlitzIncrement = 2;
  tc.BlitzNrOfMoves = 0;
  ASSERT_EQ(Init(), 0);
  Sent();
  // No game played: the clocks and the engine take it at once.
  man_.SetTimeControl(tc);
  EXPECT_EQ(Sent(), Lines{"level 0 3:0 2"});
  EXPECT_EQ(man_.GetSeconds(cWhite), 180);
  EXPECT_EQ(man_.Clock()->GetTimeControlRec(), tc);

  // Chosen after a move: neither the base nor the increment yet.
  User("e2e4");
  TimeControlRec later;
  later.BlitzTime = 7;
  later.BlitzIncrement = 9;
  later.BlitzNrOfMoves = 0;
  man_.SetTimeControl(later);
  TimeControlRec shown;
  man_.GetTimeControl(shown);
  EXPECT_EQ(shown, later);
  EXPECT_EQ(man_.Clock()->GetTimeControlRec(), tc);
  EXPECT_EQ(man_.GetSeconds(cWhite), 180);
  man_.SetPlaying(true);
  now_ += 1000;
  User("e7e5");  // Black's press adds the old increment
  EXPECT_EQ(man_.GetSeconds(cBlack), 180 + 2);
  // The next game has it whole, and the engine hears it.
  Sent();
  man_.NewGame();
  const Lines sent = Sent();
  ASSERT_GE(sent.size(), 3u);
  EXPECT_EQ(Lines(sent.end() - 3, sent.end()), (Lines{"new", "level 0 7:0 9", "force"}));
  EXPECT_EQ(man_.GetSeconds(cWhite), 420);
  EXPECT_EQ(man_.Clock()->GetTimeControlRec(), later);
  // Play on with nothing made: at once again.
  man_.SetPlaying(true);
  man_.SetTimeControl(tc);
  EXPECT_EQ(man_.GetSeconds(cWhite), 420);
}

TEST_F(EngineManTest, TheClockTakesBackOnlyWhatTheEngineTookBack) {
  ASSERT_EQ(Init(), 0);
  PositionO pos;
  FromFen(pos, kMove25Fen);
  man_.SetPositionAndReset(pos);
  // The engine has no move to take back: neither has the clock.
  man_.StopAndTakeBack();
  EXPECT_EQ(man_.Clock()->SideToMove(), cBlack);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 25);
  man_.TakeBackInPlay();
  EXPECT_EQ(man_.Clock()->SideToMove(), cBlack);
  EXPECT_EQ(man_.Clock()->MoveNumber(), 25);
}

TEST_F(EngineManTest, EveryChangeOfPlayIsReported) {
  ASSERT_EQ(Init(), 0);
  man_.SetPlaying(true);
  man_.SetPlaying(true);  // no change
  man_.Stop();
  man_.MoveNow();
  man_.NewGame();
  EXPECT_EQ(playChanges_, (std::vector<bool>{true, false, true, false}));
  // The engine's end, playing or not.
  playChanges_.clear();
  Log().onEnd();
  EXPECT_EQ(playChanges_, std::vector<bool>{false});
}

}  // namespace
