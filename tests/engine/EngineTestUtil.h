#pragma once
// The GUI side of engine child processes for plain tests: the dispatcher
// runs each handed-over chunk on the test thread when the test pumps it,
// and a recorder keeps what went through the message hook.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/ChildProcs.h"
#include "platform/UiHooks.h"

namespace enginetest {

class TestDispatcher : public InputDispatcherI {
 public:
  void Post(const PipeReaderPtr &reader) override {
    {
      std::lock_guard<std::mutex> g(lock_);
      queue_.push_back(reader);
    }
    wake_.notify_all();
  }

  // Dispatches handed-over chunks until done() holds or ms milliseconds
  // have passed; answers done().
  bool PumpUntil(const std::function<bool()> &done, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
      if (std::chrono::steady_clock::now() >= deadline) return false;
      PumpOne(10);
    }
    return true;
  }
  // Dispatches for ms milliseconds.
  void PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
  }
  size_t Queued() {
    std::lock_guard<std::mutex> g(lock_);
    return queue_.size();
  }

 private:
  void PumpOne(int waitMs) {
    PipeReaderPtr r;
    {
      std::unique_lock<std::mutex> g(lock_);
      wake_.wait_for(g, std::chrono::milliseconds(waitMs), [&] { return !queue_.empty(); });
      if (queue_.empty()) return;
      r = std::move(queue_.front());
      queue_.pop_front();
    }
    ChildProcessT::HandleInputMessage(r);
  }

  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<PipeReaderPtr> queue_;
};

// Records every ShowMessage for its lifetime; onMessage runs after recording.
class MessageRecorder {
 public:
  MessageRecorder() {
    ui::Hooks h;
    h.showMessage = [this](const std::string &text) {
      messages.push_back(text);
      if (onMessage) onMessage(text);
    };
    old_ = ui::InstallHooks(h);
  }
  ~MessageRecorder() { ui::InstallHooks(std::move(old_)); }
  MessageRecorder(const MessageRecorder &) = delete;
  MessageRecorder &operator=(const MessageRecorder &) = delete;

  std::vector<std::string> messages;
  std::function<void(const std::string &)> onMessage;

 private:
  ui::Hooks old_;
};

}  // namespace enginetest
