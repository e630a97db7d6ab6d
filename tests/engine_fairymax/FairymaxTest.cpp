// The driver against Debian's fairymax, started as the program starts it:
// "wcrafty.exe" in the engine directory, here a link in a scratch program
// directory. A clock of 10 seconds that never runs keeps each answer under a
// second; without one the engine takes its own default time, at times more
// than 15 seconds on a loaded machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "engine/ChsClocks.h"
#include "engine/ChsEngines.h"
#include "engine/DriverTestUtil.h"
#include "engine/EngineTestUtil.h"

namespace {

constexpr const char *kFairymax = "/usr/games/fairymax";
constexpr int kWaitMs = 15000;

class FairymaxTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(std::filesystem::exists(kFairymax))
        << kFairymax << " is missing: scripts/setup.sh installs the fairymax package";
    std::filesystem::create_symlink(kFairymax, dir_.File("wcrafty.exe"));
    oldDir_ = ChessApp.EngineDir;
    ChessApp.EngineDir = "";
    ASSERT_TRUE(ChessApp.EngineFileExists());
    engine_.SetOnMove([this](ChessEngineT &, const MoveRec &m) { replies_.push_back(m); });
    engine_.SetOnReceive([this](ChessEngineT &, const std::string &line) { received_.push_back(line); });
    clock_.SetTimeControl(0, 10, 0);
    clock_.Reset();
    ASSERT_EQ(engine_.Start(dispatcher_, &clock_), 0);
    own_.SetLanguage(LangEnglish);
  }
  void TearDown() override { ChessApp.EngineDir = oldDir_; }

  // Waits for the engine's next move and plays it on the test's own
  // position, where it must be legal.
  void ExpectReply() {
    const size_t before = replies_.size();
    ASSERT_TRUE(dispatcher_.PumpUntil([&] { return replies_.size() > before; }, kWaitMs))
        << "no move from the engine; last line: " << (received_.empty() ? "" : received_.back());
    const MoveRec &m = replies_.back();
    ASSERT_TRUE(own_.IsLegal(m.FromFile(), m.FromRank(), m.ToFile(), m.ToRank()));
    MoveRec made;
    own_.BuildMove(m.FromFile(), m.FromRank(), m.ToFile(), m.ToRank(), m.Promotion(), made);
    own_.MakeMove(made);
    made_.push_back(made);
    ExpectInStep();
  }
  void ExpectInStep() {
    EXPECT_TRUE(engine_.CurrentPosition().SameAs(own_))
        << engine_.CurrentPosition().GetFEN() << " / " << own_.GetFEN();
    EXPECT_TRUE(NoIllegalMove());
  }
  bool NoIllegalMove() const {
    return std::none_of(received_.begin(), received_.end(),
                        [](const std::string &l) { return l.rfind("Illegal move", 0) == 0; });
  }
  void User(const std::string &text) {
    MoveRec m;
    ASSERT_TRUE(enginetest::PlayText(own_, text, m)) << text;
    made_.push_back(m);
    engine_.UserMove(m);
  }
  void Undo(int n) {
    for (int i = 0; i < n; ++i) {
      own_.UnmakeMove(made_.back());
      made_.pop_back();
    }
    ExpectInStep();
  }
  void SetUpPosition(const std::string &fen, const std::vector<std::string> &moves) {
    ASSERT_TRUE(own_.SetFEN(fen));
    PositionO start;
    start.InitCopy(own_);
    MoveListO list;
    for (const auto &t : moves) {
      MoveRec m;
      ASSERT_TRUE(enginetest::PlayText(own_, t, m)) << t;
      made_.push_back(m);
      list.Add(m);
    }
    engine_.SetPosition(start, &list);
  }
  void NewGame() {
    engine_.NewGame();
    own_.Reset();
    made_.clear();
  }

  testutil::TempDir dir_;
  testutil::AppDirGuard appDir_{dir_.Path()};
  std::string oldDir_;
  enginetest::TestDispatcher dispatcher_;
  ChessClockT clock_;
  ChessEngineT engine_;
  PositionO own_;
  std::vector<MoveRec> made_;
  std::vector<MoveRec> replies_;
  std::vector<std::string> received_;
};

TEST_F(FairymaxTest, NewGameAndAUserMove) {
  NewGame();
  User("e2e4");
  ExpectReply();
  User("d2d4");
  ExpectReply();
}

TEST_F(FairymaxTest, SetUpPositionsWithBlackToMove) {
  // Both sides castled and no en passant: what edit mode can hand over.
  const std::string fen = "r4rk1/ppp2ppp/2n1bn2/3pp3/3PP3/2N1BN2/PPP2PPP/R4RK1 b - - 0 10";
  SetUpPosition(fen, {});
  engine_.Go();
  ExpectReply();
  User("a2a3");
  ExpectReply();

  SetUpPosition(fen, {"a7a6", "a2a3"});
  engine_.Go();
  ExpectReply();
}

TEST_F(FairymaxTest, AUserPromotionIsAccepted) {
  SetUpPosition("7k/1P6/8/8/8/8/6PP/6K1 w - - 0 1", {});
  User("b7b8q");
  engine_.Go();
  ExpectReply();
  EXPECT_EQ(engine_.CurrentPosition().PieceAt(2, 8), pQueen);
}

TEST_F(FairymaxTest, StopWhileThinkingDropsTheReply) {
  NewGame();
  User("e2e4");
  ASSERT_TRUE(engine_.IsThinking());
  engine_.Stop();
  ASSERT_TRUE(dispatcher_.PumpUntil(
      [&] {
        return std::any_of(received_.begin(), received_.end(),
                           [](const std::string &l) { return l.rfind("move ", 0) == 0; });
      },
      kWaitMs));
  EXPECT_TRUE(replies_.empty());
  ExpectInStep();

  NewGame();
  User("d2d4");
  ExpectReply();
}

TEST_F(FairymaxTest, TakeBacksKeepTheEngineInStep) {
  // Play mode: the user's move and the reply go.
  NewGame();
  User("e2e4");
  ExpectReply();
  User("g1f3");
  ExpectReply();
  ASSERT_TRUE(engine_.TakeBack());
  Undo(2);
  User("d2d4");
  ExpectReply();

  // Force mode: one move, the engine's reply, then the engine plays it again.
  engine_.Stop();
  ASSERT_TRUE(engine_.TakeBack());
  Undo(1);
  engine_.Go();
  ExpectReply();
  User("b1c3");
  ExpectReply();
}

}  // namespace
