#pragma once
// ChessEngineT drives one chess engine over the xboard text protocol. It keeps
// its own copy of the game (a start position and the moves since), puts the
// engine into force, play or analyse mode, passes on the user's moves and the
// clock times, asks it to move, takes moves back, and turns the engine's
// "move" replies into moves on its position.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "chess/Moves.h"
#include "chess/Posns.h"

class ChessClockT;
class InputDispatcherI;

// The engine process as the driver sees it.
class EngineChildI {
 public:
  using LineEvent = std::function<void(const std::string &line)>;
  using EndEvent = std::function<void()>;

  virtual ~EngineChildI() = default;
  // Runs program in workDir, its output handed to dispatcher; 0 or the
  // system error code.
  virtual int Start(InputDispatcherI &dispatcher, const std::string &workDir, const std::string &program) = 0;
  // Writes text and a line end.
  virtual void SendLine(const std::string &text) = 0;
  // Each line the engine writes, with its line end.
  virtual void SetOnLine(LineEvent e) = 0;
  // Once, when the engine's output has ended or failed.
  virtual void SetOnEnd(EndEvent e) = 0;
};

// The real engine process.
std::unique_ptr<EngineChildI> NewEngineProcess();

class ChessEngineT {
 public:
  static constexpr std::uint8_t kModeForce = 0;
  static constexpr std::uint8_t kModePlay = 1;
  static constexpr std::uint8_t kModeAnalyse = 2;

  using MoveEvent = std::function<void(ChessEngineT &engine, const MoveRec &move)>;
  using TextEvent = std::function<void(ChessEngineT &engine, const std::string &text)>;
  using NotifyEvent = std::function<void(ChessEngineT &engine)>;

  // The real engine process.
  ChessEngineT();
  // Another process (tests).
  explicit ChessEngineT(std::unique_ptr<EngineChildI> child);
  ~ChessEngineT();
  ChessEngineT(const ChessEngineT &) = delete;
  ChessEngineT &operator=(const ChessEngineT &) = delete;

  // Runs the options' engine file in its own directory and says "xboard".
  // Answers 0 or the system error code; after a failure no child is kept and
  // every later command is dropped. clock may be null (no clock); not owned.
  int Start(InputDispatcherI &dispatcher, ChessClockT *clock);

  void SetOnMove(MoveEvent e) { onMove_ = std::move(e); }
  void SetOnReceive(TextEvent e) { onReceive_ = std::move(e); }
  void SetOnSend(TextEvent e) { onSend_ = std::move(e); }
  void SetOnGameEnd(NotifyEvent e) { onGameEnd_ = std::move(e); }
  // A move line on its turn in play that is no legal move here: the line
  // without its line end. The move is not made.
  void SetOnBadMove(TextEvent e) { onBadMove_ = std::move(e); }
  // Once, when the engine's output ends; no command is sent after it.
  void SetOnEnd(NotifyEvent e) { onEnd_ = std::move(e); }

  bool IsThinking() const { return thinking_; }
  // A child started and not ended: commands reach an engine.
  bool IsRunning() const { return running_; }
  std::uint8_t Mode() const { return mode_; }
  ColorT EngineColour() const { return engineColour_; }
  bool GameOver() const { return gameOver_; }

  void NewGame();
  // "level" with the clock's time control.
  void SendLevel();
  void SetMode(std::uint8_t mode);
  void UserMove(const MoveRec &move);
  void Go();
  // False when nothing was taken back.
  bool TakeBack();
  void Stop();
  // moves may be null: the position without moves.
  void SetPosition(const PositionO &position, const MoveListO *moves);
  const PositionO &GetStartPosition() const { return start_; }
  const PositionO &CurrentPosition() const { return current_; }
  const MoveListO &Moves() const { return moves_; }
  // Sets the engine to its own start position again; the moves are dropped.
  void Resync();

  // A line the engine wrote. A move is taken only in play with the engine
  // to move; any other is dropped.
  void LineReceived(const std::string &line);
  // In play, the engine to move, the game not over.
  bool EnginesTurn() const;

 private:
  void SendCommand(const std::string &text);
  void ChildEnded();
  // "white" or "black", the times, "go".
  void SendGo();
  void SendTimes();
  // Mate or stalemate on the current position.
  bool GameEnded();
  // Fires OnGameEnd when the game has just ended.
  void CheckGameEnd();
  // current := start + moves, in English.
  void Rebuild();
  void MakeOnCurrent(MoveRec &move);
  static std::string MoveText(const MoveRec &move);
  // Every move of the list, one per line, as one command.
  void SendMoveList();
  void SendEditSequence();

  ChessClockT *clock_ = nullptr;
  std::unique_ptr<EngineChildI> child_;
  // Started and not ended: commands reach the engine.
  bool running_ = false;
  MoveEvent onMove_;
  TextEvent onReceive_;
  TextEvent onSend_;
  NotifyEvent onGameEnd_;
  TextEvent onBadMove_;
  NotifyEvent onEnd_;
  PositionO start_;
  PositionO current_;
  MoveListO moves_;
  ColorT engineColour_ = cBlack;
  std::uint8_t mode_ = kModeForce;
  bool gameOver_ = false;
  bool thinking_ = false;
  // Replies still to come from stopped searches, dropped when they arrive.
  int dropCount_ = 0;
  bool goSent_ = false;
};
