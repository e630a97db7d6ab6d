#pragma once
// The PGN text of packed games, one at a time or in batches on worker
// threads.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "database/QZUtils.h"

// The reader and movetext a game's text is made with, kept from game to
// game so their storage is reused.
struct PgnScratch {
  QZGameManagerO reader;
  std::string moves;
};

// Tags, a blank line and the movetext of a packed game; option and
// lineBreaks as LineBreaksToSpaces takes them. False, with out empty, for a
// block that does not read.
bool GamePgnText(const GameBuffer &buf, uint8_t option, bool wrap, bool lineBreaks, PgnScratch &scratch,
                 std::string &out);

// One game of a batch: filled by the calling thread, its text by a worker.
struct PgnRenderSlot {
  int32_t nr = 0;  // the game's number, to name it when it fails
  GameBuffer buf;
  bool render = false;  // a game to render (not a skipped one)
  bool ok = false;      // read, and rendered when it was to be
  std::string text;
};

struct PgnRenderBatch {
  std::vector<PgnRenderSlot> games;
  size_t count = 0;  // the games in use
  bool done = false;
  std::exception_ptr error;
};

// Worker threads that render submitted batches, each with its own scratch.
// The batches are the caller's and must outlive the pool; the destructor
// drops what waits, lets a batch in work finish and joins every worker.
class PgnRenderPoolO {
 public:
  // Renders one game; false when it cannot be rendered.
  using RenderFn = std::function<bool(const GameBuffer &, PgnScratch &, std::string &)>;

  // With no worker, or none that could be started, Submit renders on the
  // calling thread.
  PgnRenderPoolO(RenderFn render, unsigned workers);
  ~PgnRenderPoolO();
  PgnRenderPoolO(const PgnRenderPoolO &) = delete;
  PgnRenderPoolO &operator=(const PgnRenderPoolO &) = delete;

  // One core for the caller, the rest for rendering (a few at most); none
  // on a single core.
  static unsigned DefaultWorkers();
  unsigned Workers() const { return static_cast<unsigned>(threads_.size()); }

  // Queues the batch (its games' ok and text are the pool's until Wait).
  void Submit(PgnRenderBatch &batch);
  // Until the batch is rendered, meanwhile rendering waiting batches;
  // rethrows what the batch's render threw.
  void Wait(PgnRenderBatch &batch);

 private:
  void Run();
  void RenderBatch(PgnRenderBatch &batch, PgnScratch &scratch);

  RenderFn render_;
  PgnScratch inline_;  // the calling thread's
  std::mutex mutex_;
  std::condition_variable work_, done_;
  std::deque<PgnRenderBatch *> queue_;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};
