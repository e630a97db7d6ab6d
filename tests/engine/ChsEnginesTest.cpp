#include <gtest/gtest.h>

#include "TestUtil.h"
#include "appman/ChessAppMan.h"
#include "chess/Language.h"
#include "engine/ChsClocks.h"
#include "engine/ChsEngines.h"
#include "engine/DriverTestUtil.h"
#include "engine/PipeReader.h"

namespace {

using enginetest::ChildLog;
using enginetest::FakeChild;
using enginetest::NoDispatcher;

using Lines = std::vector<std::string>;

class EngineDriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = std::make_unique<ChessEngineT>(std::make_unique<FakeChild>(log_));
    engine_->SetOnMove([this](ChessEngineT &, const MoveRec &m) { engineMoves_.push_back(m); });
    engine_->SetOnGameEnd([this](ChessEngineT &) {
      ++gameEnds_;
      movesAtEnd_ = engineMoves_.size();
    });
    engine_->SetOnReceive([this](ChessEngineT &, const std::string &line) { received_.push_back(line); });
  }
  void TearDown() override { SetCurrentLang(LangEnglish); }

  void Start(ChessClockT *clock = nullptr) {
    ASSERT_EQ(engine_->Start(dispatcher_, clock), 0);
    ASSERT_EQ(Sent(), Lines{"xboard"});
  }
  // The lines sent since the last call.
  Lines Sent() {
    Lines s = std::move(log_->sent);
    log_->sent.clear();
    return s;
  }
  // The engine writes a line (the child hands it over with its CR).
  void Reply(const std::string &line) { log_->onLine(line + "\r"); }
  // A user's move on the driver's current position.
  void User(const std::string &text) {
    PositionO p;
    p.InitCopy(engine_->CurrentPosition());
    p.SetLanguage(LangEnglish);
    MoveRec m;
    ASSERT_TRUE(enginetest::PlayText(p, text, m)) << text;
    engine_->UserMove(m);
  }
  // Sets the driver to a FEN with coordinate moves after it.
  void SetFen(const std::string &fen, const Lines &moves = {}) {
    PositionO p;
    p.SetLanguage(LangEnglish);
    ASSERT_TRUE(p.SetFEN(fen)) << fen;
    MoveListO list;
    PositionO walk;
    walk.InitCopy(p);
    walk.SetLanguage(LangEnglish);
    for (const auto &t : moves) {
      MoveRec m;
      ASSERT_TRUE(enginetest::PlayText(walk, t, m)) << t;
      list.Add(m);
    }
    engine_->SetPosition(p, &list);
  }
  std::string Fen() const { return engine_->CurrentPosition().GetFEN(); }

  std::shared_ptr<ChildLog> log_ = std::make_shared<ChildLog>();
  NoDispatcher dispatcher_;
  std::unique_ptr<ChessEngineT> engine_;
  std::vector<MoveRec> engineMoves_;
  Lines received_;
  int gameEnds_ = 0;
  size_t movesAtEnd_ = 0;
};

const std::string kStartFen = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

TEST_F(EngineDriverTest, StartRunsTheEngineFileInItsOwnDirectory) {
  testutil::TempDir dir;
  testutil::AppDirGuard appDir(dir.Path());
  const std::string oldDir = ChessApp.EngineDir;
  ChessApp.EngineDir = "";
  dir.Write("WCrafty.EXE", "");
  const int error = engine_->Start(dispatcher_, nullptr);
  ChessApp.EngineDir = oldDir;
  ASSERT_EQ(error, 0);
  EXPECT_EQ(Sent(), Lines{"xboard"});
  EXPECT_EQ(log_->program, dir.Path() + "WCrafty.EXE");
  EXPECT_EQ(log_->workDir, dir.Path());
  EXPECT_TRUE(engine_->IsRunning());
}

TEST_F(EngineDriverTest, FailedStartKeepsNoChildAndSendsNothingEver) {
  log_->startError = 2;
  int ends = 0;
  engine_->SetOnEnd([&](ChessEngineT &) { ++ends; });
  EXPECT_EQ(engine_->Start(dispatcher_, nullptr), 2);
  EXPECT_TRUE(log_->destroyed);
  EXPECT_FALSE(engine_->IsRunning());
  engine_->NewGame();
  User("e2e4");
  engine_->Go();
  engine_->Stop();
  EXPECT_TRUE(engine_->TakeBack());
  User("d2d4");
  EXPECT_TRUE(log_->sent.empty());
  EXPECT_EQ(ends, 0);
  // The driver's game still follows, for a later restart.
  EXPECT_EQ(engine_->Moves().Count(), 1);
  EXPECT_EQ(Fen(), "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1");
}

TEST_F(EngineDriverTest, TheEngineEndsOnceAndLaterCommandsAreDropped) {
  Start();
  int ends = 0;
  engine_->SetOnEnd([&](ChessEngineT &) { ++ends; });
  engine_->NewGame();
  Sent();
  log_->onEnd();
  log_->onEnd();
  EXPECT_EQ(ends, 1);
  EXPECT_FALSE(engine_->IsRunning());
  User("e2e4");
  engine_->Stop();
  SetFen(kStartFen, {"e2e4", "e7e5", "g1f3"});
  engine_->Go();
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(engine_->Moves().Count(), 3);
  EXPECT_EQ(engine_->CurrentPosition().SideToMove(), cBlack);
}

TEST_F(EngineDriverTest, NewGameAndUserMovesWithAClock) {
  ChessClockT clock;
  clock.SetTimeControl(40, 5400, 30);
  clock.Reset();
  Start(&clock);
  std::vector<std::string> sends;
  engine_->SetOnSend([&](ChessEngineT &, const std::string &t) { sends.push_back(t); });
  engine_->NewGame();
  EXPECT_EQ(Sent(), (Lines{"new", "level 40 90:0 30"}));
  EXPECT_EQ(sends, (Lines{"new", "level 40 90:0 30"}));
  EXPECT_EQ(engine_->Mode(), ChessEngineT::kModePlay);
  EXPECT_EQ(engine_->EngineColour(), cBlack);

  clock.SetSeconds(cWhite, 299);
  User("e2e4");
  // The engine's own time first; no "go" after "new".
  EXPECT_EQ(Sent(), (Lines{"time 540000", "otim 29900", "e2e4"}));
  EXPECT_TRUE(engine_->IsThinking());
  Reply("move e7e5");
  EXPECT_FALSE(engine_->IsThinking());
  ASSERT_EQ(engineMoves_.size(), 1u);
  EXPECT_EQ(engineMoves_[0].ToText(mtCoordinate, LangEnglish), "e7e5");

  clock.SetTimeControl(0, 61, 0);
  engine_->NewGame();
  EXPECT_EQ(Sent(), (Lines{"new", "level 0 1:1 0"}));
  EXPECT_EQ(engine_->Moves().Count(), 0);
  EXPECT_EQ(Fen(), kStartFen);
}

TEST_F(EngineDriverTest, ModesAndGo) {
  Start();
  engine_->SetMode(ChessEngineT::kModeForce);
  EXPECT_TRUE(Sent().empty());
  engine_->SetMode(ChessEngineT::kModeAnalyse);
  EXPECT_EQ(Sent(), (Lines{"post", "noise 1000", "analyze"}));
  User("e2e4");
  EXPECT_EQ(Sent(), Lines{"e2e4"});
  EXPECT_FALSE(engine_->IsThinking());
  engine_->SetMode(ChessEngineT::kModeForce);
  EXPECT_EQ(Sent(), (Lines{"exit", "nopost", "force"}));
  engine_->SetMode(ChessEngineT::kModeAnalyse);
  Sent();
  // Go from analyse: out of it, and the engine takes the side to move.
  engine_->Go();
  EXPECT_EQ(Sent(), (Lines{"exit", "nopost", "black", "go"}));
  EXPECT_EQ(engine_->EngineColour(), cBlack);
  EXPECT_TRUE(engine_->IsThinking());
  engine_->Go();
  EXPECT_EQ(Sent(), Lines{"?"});
  Reply("move e7e5");
  // Another colour to move: the engine switches.
  engine_->Go();
  EXPECT_EQ(Sent(), (Lines{"white", "go"}));
  EXPECT_EQ(engine_->EngineColour(), cWhite);
  Reply("Illegal move: e7e5");
  EXPECT_FALSE(engine_->IsThinking());
  // Same colour, not thinking: told again.
  engine_->Go();
  EXPECT_EQ(Sent(), (Lines{"white", "go"}));
  ChessClockT clock;
  clock.SetTimeControl(0, 60, 0);
  clock.Reset();
  ChessEngineT timed(std::make_unique<FakeChild>(log_));
  ASSERT_EQ(timed.Start(dispatcher_, &clock), 0);
  timed.Go();
  EXPECT_EQ(Sent(), (Lines{"xboard", "white", "time 6000", "otim 6000", "go"}));
  EXPECT_EQ(timed.EngineColour(), cWhite);
}

TEST_F(EngineDriverTest, StopDropsTheRepliesOfStoppedSearches) {
  Start();
  engine_->NewGame();
  User("e2e4");
  Sent();
  engine_->Stop();
  EXPECT_EQ(Sent(), (Lines{"?", "force", "undo"}));
  EXPECT_FALSE(engine_->IsThinking());
  engine_->Stop();
  EXPECT_TRUE(Sent().empty());
  Reply("move e7e5");
  EXPECT_TRUE(engineMoves_.empty());
  EXPECT_EQ(engine_->Moves().Count(), 1);
  engine_->Go();
  EXPECT_EQ(Sent(), (Lines{"black", "go"}));
  Reply("move e7e5");
  EXPECT_EQ(engineMoves_.size(), 1u);
  EXPECT_EQ(engine_->Moves().Count(), 2);
  EXPECT_EQ(received_, (Lines{"move e7e5\r", "move e7e5\r"}));

  // Stop, Go, Stop before either reply: both replies are dropped, and a
  // take-back undoes the user's move on both sides.
  engine_->NewGame();
  User("e2e4");
  engine_->Stop();
  engine_->Go();
  engine_->Stop();
  Sent();
  Reply("move e7e5");
  Reply("move c7c5");
  EXPECT_EQ(engine_->Moves().Count(), 1);
  EXPECT_EQ(engineMoves_.size(), 1u);
  EXPECT_TRUE(engine_->TakeBack());
  EXPECT_EQ(Sent(), Lines{"undo"});
  EXPECT_EQ(Fen(), kStartFen);

  // The stopped search's reply comes during the next search, which it
  // leaves running: a Stop then drops that one too.
  User("e2e4");
  engine_->Go();
  engine_->Stop();
  engine_->Go();
  Reply("move e7e5");
  EXPECT_TRUE(engine_->IsThinking());
  Sent();
  engine_->Stop();
  EXPECT_EQ(Sent(), (Lines{"?", "force", "undo"}));
  Reply("move c7c5");
  EXPECT_EQ(engine_->Moves().Count(), 1);
  EXPECT_TRUE(engine_->TakeBack());

  // A new game forgets the replies still owed.
  User("e2e4");
  engine_->Go();
  engine_->Stop();
  engine_->NewGame();
  User("d2d4");
  Reply("move d7d5");
  EXPECT_EQ(engine_->Moves().Count(), 2);
}

TEST_F(EngineDriverTest, TakeBack) {
  Start();
  // Force mode: one move, and only one the driver has.
  EXPECT_FALSE(engine_->TakeBack());
  User("e2e4");
  User("e7e5");
  Sent();
  EXPECT_TRUE(engine_->TakeBack());
  EXPECT_EQ(Sent(), Lines{"undo"});
  EXPECT_EQ(engine_->Moves().Count(), 1);

  // Play mode with the user to move: two.
  engine_->NewGame();
  User("e2e4");
  EXPECT_FALSE(engine_->TakeBack());  // the engine is to move
  Reply("move e7e5");
  Sent();
  EXPECT_TRUE(engine_->TakeBack());
  EXPECT_EQ(Sent(), Lines{"remove"});
  EXPECT_EQ(Fen(), kStartFen);

  // Play mode with one move, the engine's: nothing to remove a pair of.
  engine_->NewGame();
  engine_->Go();
  Reply("move e2e4");
  Sent();
  EXPECT_FALSE(engine_->TakeBack());
  EXPECT_TRUE(Sent().empty());
  EXPECT_EQ(engine_->Moves().Count(), 1);
}

TEST_F(EngineDriverTest, SetPositionSequences) {
  Start();
  engine_->NewGame();
  Sent();
  SetFen(kStartFen);
  EXPECT_EQ(Sent(), (Lines{"new", "force"}));
  SetFen(kStartFen, {"e2e4", "e7e5"});
  // One command: a move per line, then an empty line.
  EXPECT_EQ(Sent(), (Lines{"new", "force", "e2e4\ne7e5\n"}));
  EXPECT_EQ(engine_->CurrentPosition().SideToMove(), cWhite);
  // After a set-up the next user move asks the engine to play.
  User("g1f3");
  EXPECT_EQ(Sent(), (Lines{"g1f3", "black", "go"}));

  SetFen("4k2r/6P1/8/8/8/8/1p6/R3K3 w Q - 0 30");
  EXPECT_EQ(Sent(), (Lines{"new", "force", "edit", "#", "Ra1", "Ke1", "Pg7", "c", "Pb2", "Ke8", "Rh8", ".",
                           "force"}));
  // Black to move, then two moves: the start's side decides, moves follow.
  SetFen("4k2r/6P1/8/8/8/8/1p6/R3K3 b k - 0 30", {"b2b1q", "a1b1"});
  EXPECT_EQ(Sent(), (Lines{"new", "force", "a2a3", "edit", "#", "Ra1", "Ke1", "Pg7", "c", "Pb2", "Ke8", "Rh8",
                           ".", "force", "b2b1Q\na1b1\n"}));
  EXPECT_EQ(Fen(), "4k2r/6P1/8/8/8/8/8/1R2K3 b k - 0 31");

  // Only the whole start is the standard start.
  for (const char *fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1",
                          "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w Kkq - 0 1",
                          "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 7"}) {
    SetFen(fen);
    Lines s = Sent();
    ASSERT_GE(s.size(), 3u) << fen;
    EXPECT_NE(std::find(s.begin(), s.end(), "edit"), s.end()) << fen;
  }
  // Resync drops the moves.
  SetFen(kStartFen, {"d2d4"});
  Sent();
  engine_->Resync();
  EXPECT_EQ(Sent(), (Lines{"new", "force"}));
  EXPECT_EQ(engine_->Moves().Count(), 0);
}

TEST_F(EngineDriverTest, GameEndFiresOncePerGameReached) {
  Start();
  engine_->NewGame();
  User("f2f3");
  Reply("move e7e5");
  User("g2g4");
  Reply("move d8h4");
  EXPECT_EQ(gameEnds_, 1);
  EXPECT_EQ(movesAtEnd_, 2u);  // after OnMove
  EXPECT_TRUE(engine_->GameOver());
  Reply("move a7a6");
  EXPECT_EQ(gameEnds_, 1);
  // Taken back, the game goes on, and the mate comes again.
  EXPECT_TRUE(engine_->TakeBack());
  EXPECT_FALSE(engine_->GameOver());
  User("g2g4");
  Reply("move d8h4");
  EXPECT_EQ(gameEnds_, 2);
  // A set-up position recomputes it too, without firing.
  SetFen("7k/8/8/8/8/8/5PPP/r5K1 w - - 0 1");
  EXPECT_TRUE(engine_->GameOver());
  SetFen(kStartFen);
  EXPECT_FALSE(engine_->GameOver());
  EXPECT_EQ(gameEnds_, 2);
}

TEST_F(EngineDriverTest, NoReplyComesAfterMateOrAnIllegalMove) {
  Start();
  engine_->NewGame();
  for (const char *m : {"e2e4", "e7e5", "f1c4", "b8c6", "d1h5", "g8f6"}) {
    if (engine_->CurrentPosition().SideToMove() == cWhite)
      User(m);
    else
      Reply(std::string("move ") + m);
  }
  User("h5f7");
  EXPECT_EQ(gameEnds_, 1);
  EXPECT_TRUE(engine_->IsThinking());
  Reply("1-0 {White mates}");
  Sent();
  engine_->Stop();
  EXPECT_EQ(Sent(), Lines{"force"});
  engine_->NewGame();
  User("e2e4");
  Reply("move e7e5");
  EXPECT_EQ(engine_->Moves().Count(), 2);

  // The engine refuses the user's move and does not search.
  engine_->NewGame();
  engineMoves_.clear();
  MoveRec null;
  PositionO p;
  p.InitCopy(engine_->CurrentPosition());
  p.FillMove(null);
  engine_->UserMove(null);
  EXPECT_EQ(Sent().back(), "e1e1");
  Reply("Illegal move:e1e1");
  EXPECT_FALSE(engine_->IsThinking());
  engine_->Stop();
  EXPECT_EQ(Sent(), Lines{"force"});
  engine_->NewGame();
  User("e2e4");
  Reply("move e7e5");
  EXPECT_EQ(engineMoves_.size(), 1u);
}

TEST_F(EngineDriverTest, PromotionsAndJunkRepliesInEveryNotationLanguage) {
  Start();
  for (LanguageId lang : {LangEnglish, LangGerman, LangDutch}) {
    SetCurrentLang(lang);
    SCOPED_TRACE(lang);
    const std::pair<const char *, std::uint8_t> kinds[] = {
        {"q", pQueen}, {"r", pRook}, {"b", pBishop}, {"n", pKnight}};
    for (auto [letter, piece] : kinds) {
      SetFen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
      EXPECT_EQ(Sent()[4], "Pb7");  // the protocol's letters
      engine_->Go();
      Sent();
      engineMoves_.clear();
      Reply(std::string("move b7b8") + letter);
      ASSERT_EQ(engineMoves_.size(), 1u) << letter;
      EXPECT_EQ(engineMoves_[0].Promotion(), piece);
      EXPECT_EQ(engine_->CurrentPosition().PieceAt(2, 8), piece);
    }
    // A user's promotion goes out as the coordinate text writes it.
    SetFen("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
    Sent();
    MoveRec m;
    PositionO p;
    p.InitCopy(engine_->CurrentPosition());
    p.BuildMove(2, 7, 2, 8, pQueen, m);
    engine_->UserMove(m);
    EXPECT_EQ(Sent()[0], "b7b8Q");

    // Dropped without harm: each leaves the position as it was.
    SetFen("r3k3/8/8/8/8/8/4P3/4K2R w q - 0 1");
    engine_->Go();
    Sent();
    const std::string before = Fen();
    const size_t made = engineMoves_.size();
    for (const std::string &junk :
         {std::string("move e1g1"), std::string("move"), std::string("move zz99"), std::string("move e2e5"),
          "move " + std::string(300, 'e'), std::string(300, 'x'), std::string("move e\x80\xff\xe4"),
          std::string("\x80\xff move e2e4")}) {
      Reply(junk);
      EXPECT_EQ(Fen(), before) << junk;
    }
    EXPECT_EQ(engineMoves_.size(), made);
    EXPECT_EQ(engine_->Moves().Count(), 0);
    EXPECT_TRUE(Sent().empty());
  }
}

}  // namespace
