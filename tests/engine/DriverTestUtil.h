#pragma once
// The engine-driver tests' fake engine child, and moves written as the
// engine writes them.
#include <memory>
#include <string>
#include <vector>

#include "chess/Posns.h"
#include "engine/ChsEngines.h"
#include "engine/PipeReader.h"

namespace enginetest {

// What the fake child saw, kept by the test after the driver drops the child.
struct ChildLog {
  std::vector<std::string> sent;
  EngineChildI::LineEvent onLine;
  EngineChildI::EndEvent onEnd;
  int startError = 0;
  std::string workDir, program;
  bool destroyed = false;
};

class FakeChild : public EngineChildI {
 public:
  explicit FakeChild(std::shared_ptr<ChildLog> log) : log_(std::move(log)) {}
  ~FakeChild() override { log_->destroyed = true; }
  int Start(InputDispatcherI &, const std::string &workDir, const std::string &program) override {
    log_->workDir = workDir;
    log_->program = program;
    return log_->startError;
  }
  void SendLine(const std::string &text) override { log_->sent.push_back(text); }
  void SetOnLine(LineEvent e) override { log_->onLine = std::move(e); }
  void SetOnEnd(EndEvent e) override { log_->onEnd = std::move(e); }

 private:
  std::shared_ptr<ChildLog> log_;
};

class NoDispatcher : public InputDispatcherI {
 public:
  void Post(const PipeReaderPtr &) override {}
};

// Plays the move text on the position; false when it does not read there.
inline bool PlayText(PositionO &position, const std::string &text, MoveRec &move) {
  if (!position.InterpretMove(text, move)) return false;
  position.CompleteMove(move);
  position.MakeMove(move);
  return true;
}

}  // namespace enginetest
