#include "engine/ChsEngines.h"

#include <cerrno>

#include "appman/ChessAppMan.h"
#include "engine/ChildProcs.h"
#include "engine/ChsClocks.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/Files.h"

namespace {

// The protocol's piece letters, whatever the notation language.
constexpr char kEditLetters[] = "?PNBRQK";

std::string SquareName(int file, int rank) {
  return std::string(1, static_cast<char>('a' + file - 1)) + static_cast<char>('0' + rank);
}

// Completes each move on the way, so its derived fields fit the position.
void PlayMoves(PositionO &position, MoveListO &moves) {
  for (int i = 1; i <= moves.Count(); ++i) {
    MoveRec &move = moves.Unchecked(i);
    position.CompleteMove(move);
    position.MakeMove(move);
  }
}

class EngineProcess : public EngineChildI {
 public:
  int Start(InputDispatcherI &dispatcher, const std::string &workDir, const std::string &program) override {
    return child_.Create(dispatcher, workDir, program);
  }
  void SendLine(const std::string &text) override { child_.SendLine(text); }
  void SetOnLine(LineEvent e) override {
    child_.SetOnLine([e = std::move(e)](ChildProcessT &, const std::string &line) { e(line); });
  }
  void SetOnEnd(EndEvent e) override {
    child_.SetOnEnd([e = std::move(e)](ChildProcessT &) { e(); });
  }

 private:
  ChildProcessT child_;
};

}  // namespace

std::unique_ptr<EngineChildI> NewEngineProcess() { return std::make_unique<EngineProcess>(); }

ChessEngineT::ChessEngineT() : ChessEngineT(NewEngineProcess()) {}

ChessEngineT::ChessEngineT(std::unique_ptr<EngineChildI> child) : child_(std::move(child)) {
  start_.SetLanguage(LangEnglish);
  current_.SetLanguage(LangEnglish);
}

ChessEngineT::~ChessEngineT() {
  // The child goes first: nothing it delivers may reach a half-destroyed driver.
  child_.reset();
}

int ChessEngineT::Start(InputDispatcherI &dispatcher, ChessClockT *clock) {
  clock_ = clock;
  if (!child_) return EINVAL;
  // The file EngineFileExists checked, run in its own directory.
  const std::string program = ChessApp.EngineFile();
  child_->SetOnLine([this](const std::string &line) { LineReceived(line); });
  child_->SetOnEnd([this] { ChildEnded(); });
  const int error = child_->Start(dispatcher, files::ExtractFileDir(program), program);
  if (error != 0) {
    child_.reset();
    return error;
  }
  running_ = true;
  SendCommand("xboard");
  return 0;
}

void ChessEngineT::ChildEnded() {
  if (!running_) return;
  running_ = false;
  if (onEnd_) onEnd_(*this);
}

void ChessEngineT::SendCommand(const std::string &text) {
  if (!running_) return;
  if (onSend_) onSend_(*this, text);
  child_->SendLine(text);
}

std::string ChessEngineT::MoveText(const MoveRec &move) { return move.ToText(mtCoordinate, LangEnglish); }

void ChessEngineT::NewGame() {
  SetMode(kModePlay);
  start_.Init();
  start_.SetLanguage(LangEnglish);
  moves_.Clear();
  Rebuild();
  engineColour_ = cBlack;
  gameOver_ = false;
  thinking_ = false;
  dropCount_ = 0;
  goSent_ = true;  // after "new" the engine plays Black
  SendCommand("new");
  SendLevel();
}

void ChessEngineT::SendLevel() {
  if (!clock_) return;
  int32_t moves = 0, seconds = 0, increment = 0;
  clock_->GetTimeControl(moves, seconds, increment);
  SendCommand("level " + std::to_string(moves) + " " + std::to_string(seconds / 60) + ":" +
              std::to_string(seconds % 60) + " " + std::to_string(increment));
}

void ChessEngineT::SetMode(std::uint8_t mode) {
  if (mode == mode_) return;
  if (mode_ == kModeAnalyse) {
    SendCommand("exit");
    SendCommand("nopost");
  }
  mode_ = mode;
  if (mode == kModeAnalyse) {
    SendCommand("post");
    SendCommand("noise 1000");
    SendCommand("analyze");
  } else if (mode == kModeForce) {
    SendCommand("force");
    goSent_ = false;
  }
}

void ChessEngineT::MakeOnCurrent(MoveRec &move) {
  // Refused before anything changes: a full list, or a move past move 255
  // (MakeMove checks that first).
  if (moves_.Full()) throw ERangeError("Too many moves");
  current_.CompleteMove(move);
  current_.MakeMove(move);
  moves_.AddUnchecked(move);
}

void ChessEngineT::SendTimes() {
  if (!clock_) return;
  SendCommand("time " + std::to_string(clock_->GetCentiseconds(engineColour_)));
  SendCommand("otim " + std::to_string(clock_->GetCentiseconds(OppositeSide(engineColour_))));
}

void ChessEngineT::UserMove(const MoveRec &move) {
  MoveRec made = move;
  MakeOnCurrent(made);
  if (mode_ == kModePlay) SendTimes();
  thinking_ = mode_ == kModePlay && goSent_;
  SendCommand(MoveText(made));
  CheckGameEnd();
  if (mode_ == kModePlay && !goSent_) Go();
}

void ChessEngineT::SendGo() {
  SendCommand(engineColour_ == cWhite ? "white" : "black");
  SendTimes();
  SendCommand("go");
  thinking_ = true;
}

void ChessEngineT::Go() {
  if (mode_ != kModePlay) {
    SetMode(kModePlay);
    engineColour_ = current_.SideToMove();
    SendGo();
  } else if (current_.SideToMove() != engineColour_) {
    engineColour_ = current_.SideToMove();
    SendGo();
  } else if (thinking_) {
    SendCommand("?");
  } else {
    SendGo();
  }
  goSent_ = true;
}

bool ChessEngineT::TakeBack() {
  int count = 1;
  if (mode_ == kModePlay) {
    if (current_.SideToMove() == engineColour_) return false;
    count = 2;
  }
  // Only moves the engine has: the list may be shorter.
  if (moves_.Count() < count) return false;
  for (int i = 0; i < count; ++i) moves_.DeleteLast();
  Rebuild();
  gameOver_ = GameEnded();
  SendCommand(count == 1 ? "undo" : "remove");
  return true;
}

void ChessEngineT::Stop() {
  if (mode_ == kModeForce) return;
  if (thinking_ && !gameOver_) {
    // The engine's move will still come; it is dropped, and "undo" takes it
    // back on the engine's board.
    ++dropCount_;
    SendCommand("?");
    SendCommand("force");
    SendCommand("undo");
  } else {
    // After a mate or stalemate no move will come.
    SendCommand("force");
  }
  thinking_ = false;
  mode_ = kModeForce;
  goSent_ = false;
}

void ChessEngineT::Rebuild() {
  current_.InitCopy(start_);
  current_.SetLanguage(LangEnglish);
  PlayMoves(current_, moves_);
}

void ChessEngineT::SendMoveList() {
  if (moves_.Count() == 0) return;
  std::string text;
  for (int i = 1; i <= moves_.Count(); ++i) text += MoveText(moves_.At(i)) + "\n";
  SendCommand(text);
}

void ChessEngineT::SendEditSequence() {
  // Black to move: one move in force mode gives Black the move.
  if (start_.SideToMove() == cBlack) SendCommand("a2a3");
  SendCommand("edit");
  SendCommand("#");
  for (ColorT colour : {cWhite, cBlack}) {
    if (colour == cBlack) SendCommand("c");
    for (int file = 1; file <= 8; ++file)
      for (int rank = 1; rank <= 8; ++rank) {
        const int piece = start_.PieceAt(file, rank);
        if (piece != pNone && start_.ColourAt(file, rank) == colour)
          SendCommand(kEditLetters[piece] + SquareName(file, rank));
      }
  }
  SendCommand(".");
  SendCommand("force");
}

void ChessEngineT::SetPosition(const PositionO &position, const MoveListO *moves) {
  // Played through aside first, so a list that does not play (past move
  // 255) leaves the driver as it was.
  PositionO start;
  start.InitCopy(position);
  start.SetLanguage(LangEnglish);
  MoveListO list;
  if (moves) list.Assign(*moves);
  {
    PositionO trial;
    trial.InitCopy(start);
    PlayMoves(trial, list);
  }
  start_.InitCopy(start);
  start_.SetLanguage(LangEnglish);
  moves_.Assign(list);
  Rebuild();
  gameOver_ = GameEnded();

  PositionO standard;
  standard.Reset();
  SendCommand("new");
  SendCommand("force");
  if (!start_.SameAs(standard)) SendEditSequence();
  SendMoveList();
  goSent_ = false;
}

void ChessEngineT::Resync() {
  PositionO start;
  start.InitCopy(start_);
  SetPosition(start, nullptr);
}

bool ChessEngineT::GameEnded() {
  const std::uint8_t state = current_.GameState();
  return state == gsCheckmate || state == gsStalemate;
}

void ChessEngineT::CheckGameEnd() {
  if (gameOver_) return;
  gameOver_ = GameEnded();
  if (gameOver_ && onGameEnd_) onGameEnd_(*this);
}

bool ChessEngineT::EnginesTurn() const {
  return mode_ == kModePlay && !gameOver_ && current_.SideToMove() == engineColour_;
}

void ChessEngineT::LineReceived(const std::string &line) {
  if (onReceive_) onReceive_(*this, line);
  // The engine refused a move and will not search.
  if (StartsWith(line, "Illegal move")) thinking_ = false;
  std::string text;
  if (ScanFormatted(line, "move %s", {&text}) == 1) {
    if (dropCount_ > 0) {
      // The reply of a stopped search.
      --dropCount_;
    } else if (EnginesTurn()) {
      thinking_ = false;
      MoveRec move;
      if (current_.InterpretMove(text, move)) {
        MakeOnCurrent(move);
        if (onMove_) onMove_(*this, move);
      } else if (onBadMove_) {
        std::string said = line;
        while (!said.empty() && (said.back() == '\r' || said.back() == '\n')) said.pop_back();
        onBadMove_(*this, said);
      }
    }
    // Otherwise it is not the engine's move to make: a game loaded or
    // stepped through must not change.
  }
  CheckGameEnd();
}
