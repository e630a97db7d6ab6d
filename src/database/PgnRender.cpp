#include "database/PgnRender.h"

#include <algorithm>
#include <system_error>
#include <utility>

#include "database/DatabaseMan.h"
#include "database/QZGamePlayer.h"
#include "platform/Process.h"

bool GamePgnText(const GameBuffer &buf, uint8_t option, bool wrap, bool lineBreaks, PgnScratch &scratch,
                 std::string &out) {
  out.clear();
  std::string &moves = scratch.moves;
  if (!scratch.reader.Attach(buf)) return false;
  AppendTagsPGN(scratch.reader, out);
  if (!WriteGamePGN(scratch.reader, wrap, moves)) {
    out.clear();
    return false;
  }
  out += "\r\n\r\n";
  const size_t first = std::min(moves.find_first_not_of(' '), moves.size());
  if (option != 0 || lineBreaks)
    out += LineBreaksToSpaces(moves.substr(first), option);
  else
    out.append(moves, first);
  return true;
}

PgnRenderPoolO::PgnRenderPoolO(RenderFn render, unsigned workers) : render_(std::move(render)) {
  threads_.reserve(workers);
  for (unsigned i = 0; i < workers; ++i) {
    try {
      threads_.emplace_back([this] { Run(); });
    } catch (const std::system_error &) {
      // Fewer workers, or the calling thread alone.
      break;
    }
  }
}

PgnRenderPoolO::~PgnRenderPoolO() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  work_.notify_all();
  for (std::thread &t : threads_) t.join();
}

// Beyond seven the calling thread's reading and writing is the limit.
unsigned PgnRenderPoolO::DefaultWorkers() { return proc::SpareCores(7); }

void PgnRenderPoolO::Submit(PgnRenderBatch &batch) {
  batch.done = false;
  batch.error = nullptr;
  if (threads_.empty()) {
    RenderBatch(batch, inline_);
    batch.done = true;
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back(&batch);
  }
  work_.notify_one();
}

void PgnRenderPoolO::Wait(PgnRenderBatch &batch) {
  if (!threads_.empty()) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!batch.done) {
      if (queue_.empty()) {
        done_.wait(lock);
        continue;
      }
      // Rather than idle, the caller renders the oldest waiting batch.
      PgnRenderBatch *next = queue_.front();
      queue_.pop_front();
      lock.unlock();
      RenderBatch(*next, inline_);
      lock.lock();
      next->done = true;
    }
  }
  if (batch.error) std::rethrow_exception(std::exchange(batch.error, nullptr));
}

void PgnRenderPoolO::Run() {
  PgnScratch scratch;
  for (;;) {
    PgnRenderBatch *batch;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      work_.wait(lock, [&] { return stop_ || !queue_.empty(); });
      if (stop_) return;
      batch = queue_.front();
      queue_.pop_front();
    }
    RenderBatch(*batch, scratch);
    {
      std::lock_guard<std::mutex> lock(mutex_);
      batch->done = true;
    }
    done_.notify_all();
  }
}

void PgnRenderPoolO::RenderBatch(PgnRenderBatch &batch, PgnScratch &scratch) {
  // A throw is kept for Wait: the games after it are not rendered.
  try {
    for (size_t i = 0; i < batch.count; ++i) {
      PgnRenderSlot &s = batch.games[i];
      if (s.render) s.ok = render_(s.buf, scratch, s.text);
    }
  } catch (...) {
    batch.error = std::current_exception();
  }
}
