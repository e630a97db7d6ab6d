#include "database/PGNFileMan.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <map>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <memory>
#include <string_view>
#include <vector>

#include "database/QZParser.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Process.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {

// The log stays open across imports until CloseImportFile.
struct ImportLog {
  BinFile file;
  bool open = false;
};

ImportLog &Log() {
  static ImportLog log;
  return log;
}

// The file and the system's reason on a second line.
std::string ReadFailureText(const std::string &name, int err) {
  return files::FailureText(SubstituteText(CommonText::S_CouldNotReadPGNFile, win1252::PathText(name)), name, err);
}

void ReportLogFailure(const std::string &path) {
  ui::ShowMessage(SubstituteText(CommonText::S_CouldNotWriteErrorLog, path));
}

void WriteLogEntry(const std::string &entry) {
  ImportLog &log = Log();
  if (!log.open) return;
  if (!log.file.Write(entry.data(), entry.size())) {
    ReportLogFailure(log.file.Path());
    log.file.Close();
    log.open = false;
  }
}

// Where an import's messages, log entries and reads go: performed at once,
// or handed on in order with the games to the thread that stores them.
class ImportSink {
 public:
  virtual ~ImportSink() = default;
  virtual bool LogWanted() const = 0;
  virtual void Message(const std::string &text) = 0;
  virtual void LogEntry(const std::string &entry) = 0;
};

class DirectSink final : public ImportSink {
 public:
  bool LogWanted() const override { return Log().open; }
  void Message(const std::string &text) override { ui::ShowMessage(text); }
  void LogEntry(const std::string &entry) override { WriteLogEntry(entry); }
};

bool OpenLog(bool append) {
  ImportLog &log = Log();
  const std::string path = ImportLogPath();
  bool ok;
  if (append && files::Exists(path))
    ok = log.file.Open(path, BinFile::Mode::ReadWrite) && log.file.SeekEnd();
  else
    ok = log.file.Open(path, BinFile::Mode::Create);
  if (!ok) {
    log.file.Close();
    ReportLogFailure(path);
    return false;
  }
  log.open = true;
  return true;
}

// One import: the file's blocks, the text of the current game kept across
// block boundaries for the log, and the log entries.
class Importer {
 public:
  Importer(const std::string &name, size_t blockSize, std::optional<win1252::TextEncoding> textTo)
      : name_(name), block_(blockSize), textTo_(textTo) {}

  void SetSink(ImportSink *sink) { sink_ = sink; }

  bool Open() { return file_.Open(name_, BinFile::Mode::Read); }
  // Reading from a later offset, which the parser's offsets then start at.
  // Only the bytes the parse took in count for the text kind (KindUpTo).
  bool OpenAt(int64_t start) {
    if (!Open() || !file_.Seek(static_cast<uint64_t>(start))) return false;
    blockStart_ = historyStart_ = start;
    rawNext_ = rawRead_ = unfedStart_ = start;
    exact_ = true;
    return true;
  }
  // The file offset of an offset of the block in hand, which converted
  // text shifts.
  int64_t RawOffset(int64_t offset) const {
    const size_t at = static_cast<size_t>(offset - blockStart_);
    auto piece = std::upper_bound(pieces_.begin(), pieces_.end(), std::pair(at, std::numeric_limits<size_t>::max()));
    if (piece == pieces_.begin()) return rawStart_ + static_cast<int64_t>(at);
    --piece;
    return rawStart_ + static_cast<int64_t>(piece->second + (at - piece->first));
  }
  int64_t RawRead() const { return rawRead_; }
  // The kind of the file's bytes up to rawEnd, from where OpenAt started.
  win1252::TextKind KindUpTo(int64_t rawEnd) {
    FeedUpTo(rawEnd);
    return text_.Kind();
  }
  // The offset past the last byte read.
  int64_t Consumed() const { return blockStart_ + blockLen_; }
  // The log's "%File: " line is written by whoever joins the entries.
  void LeaveFileLine() { fileLineWritten_ = true; }
  static std::string FileLine(std::string name) {
    // A line break in the name would end the escape line.
    std::replace(name.begin(), name.end(), '\r', ' ');
    std::replace(name.begin(), name.end(), '\n', ' ');
    return "\r\n%File: " + name + "\r\n";
  }
  const std::string &Name() const { return name_; }
  int64_t Size() { return file_.Size(); }
  int Error() const { return file_.Error(); }
  bool ReadFailed() const { return readFailed_; }
  win1252::TextKind TextKind() const { return text_.Kind(); }

  std::string_view Refill(int64_t keepFrom) {
    const int64_t blockEnd = blockStart_ + blockLen_;
    // The history keeps the current game's text from the block it began in.
    if (keepFrom < 0 || keepFrom >= blockEnd) {
      history_.clear();
      historyStart_ = blockEnd;
    } else if (keepFrom >= blockStart_) {
      history_.assign(view_.data() + (keepFrom - blockStart_), view_.data() + blockLen_);
      historyStart_ = keepFrom;
    } else {
      if (keepFrom > historyStart_) {
        history_.erase(0, static_cast<size_t>(keepFrom - historyStart_));
        historyStart_ = keepFrom;
      }
      history_.append(view_.data(), static_cast<size_t>(blockLen_));
    }
    blockStart_ = blockEnd;
    blockLen_ = 0;
    view_ = {};
    pieces_.clear();
    // The parse took in the whole block before.
    if (exact_) FeedUpTo(rawNext_);
    rawStart_ = rawNext_;
    if (readFailed_) return {};
    // A short read means the end of the file.
    auto readBlock = [this] {
      size_t read = 0;
      while (read < block_.size()) {
        const int64_t n = file_.ReadSome(block_.data() + read, block_.size() - read);
        if (n < 0) {
          readFailed_ = true;
          sink_->Message(ReadFailureText(name_, file_.Error()));
          break;
        }
        if (n == 0) break;
        read += static_cast<size_t>(n);
      }
      if (exact_)
        unfed_.append(block_.data(), read);
      else
        text_.Feed({block_.data(), read});
      rawRead_ += static_cast<int64_t>(read);
      return read;
    };
    if (!textTo_) {
      view_ = {block_.data(), readBlock()};
      rawNext_ += static_cast<int64_t>(view_.size());
    } else {
      // Each piece converts whole: text after the last bound waits for the
      // next block, and blocks without a bound are read on. Offsets from
      // here on are those of the converted text.
      size_t cut = std::string::npos;
      for (;;) {
        const size_t read = readBlock();
        pending_.append(block_.data(), read);
        if (read < block_.size() || readFailed_) {
          cut = pending_.size();
          break;
        }
        // What waited holds no bound: one found is the new block's.
        if (const size_t bound = pending_.find_last_of(win1252::kPieceBounds); bound != std::string::npos) {
          cut = bound + 1;
          break;
        }
      }
      converted_.clear();
      win1252::AppendPiecesInEncoding(std::string_view(pending_).substr(0, cut), *textTo_, converted_, &pieces_);
      pending_.erase(0, cut);
      rawNext_ += static_cast<int64_t>(cut);
      view_ = converted_;
    }
    blockLen_ = static_cast<int64_t>(view_.size());
    return view_;
  }

  void WriteError(int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                  const std::string &message) {
    if (!sink_->LogWanted()) return;
    entry_.clear();
    if (!fileLineWritten_) {
      entry_ += FileLine(name_);
      fileLineWritten_ = true;
    }
    const int64_t split = std::min(errorStart, gameEnd + 1);
    Bytes(gameStart, split - 1);
    entry_ += "\r\n%";
    entry_ += message;
    entry_ += "\r\n%";
    Bytes(errorStart, std::min(errorEnd, gameEnd));
    entry_ += "%\r\n";
    Bytes(std::max(errorEnd + 1, gameStart), gameEnd);
    // A game refused at its result token ends there: the next entry starts
    // on a line of its own.
    if (entry_.back() != '\n') entry_ += "\r\n";
    sink_->LogEntry(entry_);
  }

 private:
  win1252::Utf8Scan text_;  // every byte read, for the file's text encoding
  // Source bytes from..to (inclusive) from the history and the block.
  void Bytes(int64_t from, int64_t to) {
    from = std::max(from, historyStart_);
    to = std::min(to, blockStart_ + blockLen_ - 1);
    for (int64_t i = from; i <= to;) {
      if (i < blockStart_) {
        const int64_t stop = std::min(to + 1, blockStart_);
        entry_.append(history_, static_cast<size_t>(i - historyStart_), static_cast<size_t>(stop - i));
        i = stop;
      } else {
        entry_.append(view_.data() + (i - blockStart_), static_cast<size_t>(to + 1 - i));
        i = to + 1;
      }
    }
  }

  void FeedUpTo(int64_t rawEnd) {
    const size_t n = static_cast<size_t>(std::clamp<int64_t>(rawEnd - unfedStart_, 0, static_cast<int64_t>(unfed_.size())));
    text_.Feed(std::string_view(unfed_).substr(0, n));
    unfed_.erase(0, n);
    unfedStart_ += static_cast<int64_t>(n);
  }

  DirectSink direct_;
  ImportSink *sink_ = &direct_;
  std::string name_;
  BinFile file_;
  std::vector<char> block_;
  std::optional<win1252::TextEncoding> textTo_;
  std::string pending_, converted_;  // with textTo_: text waiting for its bound, the block converted
  std::string_view view_;            // the block as the parser reads it
  int64_t blockStart_ = 0, blockLen_ = 0;
  // The file offsets where the block's bytes and the next block's begin,
  // and past the last byte read; the converted pieces of the block (their
  // ends in the block and in the file's bytes from rawStart_).
  int64_t rawStart_ = 0, rawNext_ = 0, rawRead_ = 0;
  std::vector<std::pair<size_t, size_t>> pieces_;
  // From OpenAt: bytes read from unfedStart_ on that the text kind waits for.
  bool exact_ = false;
  std::string unfed_;
  int64_t unfedStart_ = 0;
  std::string history_;  // bytes from historyStart_ up to blockStart_
  int64_t historyStart_ = 0;
  bool readFailed_ = false;
  bool fileLineWritten_ = false;
  std::string entry_;
};

// ------------------------------------------------------------ import ahead
//
// The worker thread reads, parses and packs; everything the import does
// beyond that (messages, log entries, games, progress) travels in order
// through the queue, and the calling thread performs it as the one-thread
// import would. The worker runs ahead: once the calling thread stops, what
// the worker did past that point is dropped, and the result is the one the
// parser published at the stop.

struct AheadEvent {
  enum class Kind : uint8_t { Game, Progress, Message, LogEntry, Read, Done, Failed };
  Kind kind = Kind::Game;
  GameBuffer game;
  std::string text;           // Message, LogEntry
  PGNParseState state;        // Game, Progress
  bool readFailed = false;    // Read
  win1252::TextKind textKind = win1252::TextKind::Ascii;
  PGNParseResult result;      // Done
  std::exception_ptr error;   // Failed
};

// One of the free objects, whose buffers stay allocated, or a new one.
template <class T>
std::unique_ptr<T> Reused(std::vector<std::unique_ptr<T>> &free) {
  if (free.empty()) return std::make_unique<T>();
  std::unique_ptr<T> t = std::move(free.back());
  free.pop_back();
  return t;
}

struct AheadBatch {
  std::vector<AheadEvent> events;  // kept for reuse: their buffers stay allocated
  size_t used = 0;
};

// Batches of events from the worker to the calling thread, at most depth
// of them waiting.
class AheadQueue {
 public:
  AheadQueue(size_t batchSize, size_t depth) : batchSize_(std::max<size_t>(batchSize, 1)), depth_(std::max<size_t>(depth, 1)) {}

  // Worker: the next event to fill, then Added.
  AheadEvent &Add() {
    if (!filling_) filling_ = TakeFree();
    if (filling_->used == filling_->events.size()) filling_->events.emplace_back();
    return filling_->events[filling_->used++];
  }
  void Added(bool handOver) {
    if (handOver || filling_->used >= batchSize_) Push();
  }

  // Calling thread.
  std::unique_ptr<AheadBatch> Pop() {
    std::unique_lock lock(mutex_);
    notEmpty_.wait(lock, [&] { return !full_.empty(); });
    std::unique_ptr<AheadBatch> b = std::move(full_.front());
    full_.pop_front();
    notFull_.notify_one();
    return b;
  }
  void Recycle(std::unique_ptr<AheadBatch> b) {
    b->used = 0;
    std::lock_guard lock(mutex_);
    free_.push_back(std::move(b));
  }
  // Nobody reads on: the worker's batches are dropped from now on.
  void Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    notFull_.notify_all();
  }

 private:
  std::unique_ptr<AheadBatch> TakeFree() {
    std::lock_guard lock(mutex_);
    return Reused(free_);
  }
  void Push() {
    std::unique_lock lock(mutex_);
    notFull_.wait(lock, [&] { return full_.size() < depth_ || closed_; });
    if (closed_) {
      filling_->used = 0;
      return;
    }
    full_.push_back(std::move(filling_));
    notEmpty_.notify_one();
  }

  const size_t batchSize_, depth_;
  std::unique_ptr<AheadBatch> filling_;  // the worker's own
  std::mutex mutex_;
  std::condition_variable notEmpty_, notFull_;
  std::deque<std::unique_ptr<AheadBatch>> full_;
  std::vector<std::unique_ptr<AheadBatch>> free_;
  bool closed_ = false;
};

// Where a worker's messages and log entries go: events among its games,
// into a queue or a segment. The importer's one message is a failed read.
template <class Events>
class EventSink final : public ImportSink {
 public:
  explicit EventSink(Events &events) : events_(events) {}
  bool LogWanted() const override { return true; }
  void Message(const std::string &text) override { Text(AheadEvent::Kind::Message, text); }
  void LogEntry(const std::string &entry) override { Text(AheadEvent::Kind::LogEntry, entry); }

 private:
  void Text(AheadEvent::Kind kind, const std::string &text) {
    AheadEvent &e = events_.Add();
    e.kind = kind;
    e.text = text;
    e.readFailed = kind == AheadEvent::Kind::Message;
    events_.Added(false);
  }
  Events &events_;
};

void CopyGame(const GameBuffer &from, GameBuffer &to) {
  SizeGameBuffer(to, from.length);
  if (from.length) std::memcpy(to.bytes.get(), from.bytes.get(), from.length);
  to.summary = from.summary;
}

// The worker: the parse with every effect queued. The progress call at the
// start was the calling thread's own.
void ParseAhead(Importer &im, AheadQueue &q, const std::atomic<bool> &stop, int64_t size, int encoding,
                const std::function<void(const GameBuffer &)> &packed) {
  EventSink<AheadQueue> sink(q);
  im.SetSink(&sink);
  PGNParseState state;
  bool started = false;
  PGNCallbacks cb;
  cb.state = &state;
  cb.refill = [&](int64_t keepFrom) {
    // Past a stop nothing read counts: a file of refused games would
    // otherwise be read to its end before the worker met a game.
    if (stop.load(std::memory_order_relaxed)) return std::string_view();
    const std::string_view v = im.Refill(keepFrom);
    AheadEvent &e = q.Add();
    e.kind = AheadEvent::Kind::Read;
    e.readFailed = im.ReadFailed();
    e.textKind = im.TextKind();
    q.Added(false);
    return v;
  };
  cb.error = [&](int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                 const std::string &message) { im.WriteError(gameStart, gameEnd, errorStart, errorEnd, message); };
  cb.game = [&](const GameBuffer &game, bool &cancel) {
    if (packed) packed(game);
    AheadEvent &e = q.Add();
    e.kind = AheadEvent::Kind::Game;
    CopyGame(game, e.game);
    e.state = state;
    q.Added(false);
    if (stop.load(std::memory_order_relaxed)) cancel = true;
  };
  cb.progress = [&](int64_t, int64_t, bool &cancel, int) {
    if (!std::exchange(started, true)) return;
    AheadEvent &e = q.Add();
    e.kind = AheadEvent::Kind::Progress;
    e.state = state;
    q.Added(false);
    if (stop.load(std::memory_order_relaxed)) cancel = true;
  };
  bool cancel = false;
  try {
    const PGNParseResult r = ParsePGN(size, encoding, cancel, cb);
    AheadEvent &e = q.Add();
    e.kind = AheadEvent::Kind::Done;
    e.result = r;
  } catch (...) {
    AheadEvent &e = q.Add();
    e.kind = AheadEvent::Kind::Failed;
    e.error = std::current_exception();
  }
  q.Added(true);
}

struct AheadRun {
  PGNParseResult result;
  bool readFailed = false;
  win1252::TextKind textKind = win1252::TextKind::Ascii;
};

// The calling thread: the worker's events performed in order until the
// parse ends or a callback cancels.
AheadRun PerformAhead(AheadQueue &q, std::atomic<bool> &stop, int64_t size, bool &cancel, const PGNGameCallback &game,
                      const PGNProgressCallback &progress) {
  AheadRun run;
  std::optional<PGNParseState> stoppedAt;
  bool stoppedAtGame = false;
  auto finish = [&] {
    // The parse would end here: one last progress call, the counts as they were.
    if (progress) progress(stoppedAt->offset, size, cancel, stoppedAt->sofar.games);
    run.result = stoppedAt->sofar;
    run.result.cancelled = true;
  };
  for (;;) {
    std::unique_ptr<AheadBatch> batch = q.Pop();
    for (size_t i = 0; i < batch->used; ++i) {
      AheadEvent &e = batch->events[i];
      if (stoppedAt) {
        // A game's cancel still lets its own progress call come.
        if (e.kind == AheadEvent::Kind::Progress && !e.state.last && progress)
          progress(e.state.offset, size, cancel, e.state.sofar.games);
        finish();
        return run;
      }
      switch (e.kind) {
        case AheadEvent::Kind::Game:
          if (game) game(e.game, cancel);
          stoppedAtGame = true;
          break;
        case AheadEvent::Kind::Progress:
          if (progress) progress(e.state.offset, size, cancel, e.state.sofar.games);
          stoppedAtGame = false;
          // A cancel in the last call comes after the end.
          if (e.state.last) continue;
          break;
        case AheadEvent::Kind::Message:
          ui::ShowMessage(e.text);
          continue;
        case AheadEvent::Kind::LogEntry:
          WriteLogEntry(e.text);
          continue;
        case AheadEvent::Kind::Read:
          run.readFailed = e.readFailed;
          run.textKind = e.textKind;
          continue;
        case AheadEvent::Kind::Done:
          run.result = e.result;
          return run;
        case AheadEvent::Kind::Failed:
          std::rethrow_exception(e.error);
      }
      if (cancel) {
        stoppedAt = e.state;
        stop.store(true, std::memory_order_relaxed);
        if (!stoppedAtGame) {
          finish();
          return run;
        }
      }
    }
    q.Recycle(std::move(batch));
  }
}

// ------------------------------------------------------- import in segments
//
// With cores to spare the file is parsed in segments at once. Segment k
// starts at its boundary, the first "[" at or past k * segmentBytes that
// begins a line after an empty line; its worker parses on until the parse
// stands between games at a later boundary, or the input ends. The calling
// thread performs segment after segment, each from the boundary the one
// before stopped at. Between games a parse carries nothing on but its
// counts, so this is what one parse of the whole file does; a segment no
// parse stopped at the start of (a "[" inside a comment) is dropped.

constexpr int64_t kNoBoundary = std::numeric_limits<int64_t>::max();

class Boundaries {
 public:
  Boundaries(const std::string &name, int64_t size, int64_t segmentBytes)
      : size_(size), segment_(segmentBytes), known_(static_cast<size_t>((size + segmentBytes - 1) / segmentBytes), -1) {
    if (!known_.empty()) known_[0] = 0;
    file_.Open(name, BinFile::Mode::Read);
  }
  size_t Count() const { return known_.size(); }
  // Found when first asked for; kNoBoundary past the last one.
  int64_t At(size_t k) {
    if (k >= known_.size()) return kNoBoundary;
    std::lock_guard lock(mutex_);
    if (known_[k] < 0) known_[k] = Find(static_cast<int64_t>(k) * segment_);
    return known_[k];
  }

 private:
  int64_t Find(int64_t from) {
    if (!file_.IsOpen()) return kNoBoundary;
    // Chunks overlap by three bytes: what comes before a "[" at a chunk's start.
    constexpr size_t kBefore = 3;
    int64_t pos = std::max<int64_t>(0, from - static_cast<int64_t>(kBefore));
    while (pos < size_) {
      const size_t n = static_cast<size_t>(std::min<int64_t>(sizeof buf_, size_ - pos));
      // A file that stopped being readable has no more: the segment
      // before reads on and meets the failure itself.
      if (!file_.ReadAt(static_cast<uint64_t>(pos), buf_, n)) return kNoBoundary;
      for (size_t i = 2; i < n; ++i) {
        if (buf_[i] != '[' || buf_[i - 1] != '\n' || pos + static_cast<int64_t>(i) < from) continue;
        if (buf_[i - 2] == '\n' || (buf_[i - 2] == '\r' && i >= 3 && buf_[i - 3] == '\n'))
          return pos + static_cast<int64_t>(i);
      }
      if (pos + static_cast<int64_t>(n) >= size_) break;
      pos += static_cast<int64_t>(n - kBefore);
    }
    return kNoBoundary;
  }

  const int64_t size_, segment_;
  std::mutex mutex_;
  std::vector<int64_t> known_;  // -1: not looked for yet
  BinFile file_;
  char buf_[16384];
};

struct Segment {
  size_t index = 0;
  std::vector<AheadEvent> events;  // kept for reuse: their buffers stay allocated
  size_t used = 0;
  size_t next = 0;          // the boundary it stopped at; past the last one at the end of the input
  // The offset it stopped at, that of the text as parsed: converted text
  // may be longer than the file's, by growth up to there.
  int64_t end = 0;
  int64_t growth = 0;
  PGNParseResult result;    // its own counts
  bool readFailed = false;
  win1252::TextKind textKind = win1252::TextKind::Ascii;

  AheadEvent &Add() {
    if (used == events.size()) events.emplace_back();
    return events[used++];
  }
  void Added(bool) {}  // a segment is handed over whole
};

// The segments between the workers and the calling thread: a worker takes
// the next one within the window past the one the calling thread waits
// for; finished ones wait until wanted or dropped.
class SegmentWork {
 public:
  SegmentWork(size_t count, size_t window) : count_(count), window_(window) {}

  // Worker.
  bool Claim(size_t &k) {
    std::unique_lock lock(mutex_);
    for (;;) {
      if (stop_ || error_) return false;
      claim_ = std::max(claim_, wanted_.load());
      if (claim_ >= count_) return false;
      if (claim_ < wanted_ + window_) break;
      changed_.wait(lock);
    }
    k = claim_++;
    return true;
  }
  std::unique_ptr<Segment> Fresh() {
    std::lock_guard lock(mutex_);
    return Reused(free_);
  }
  void Finished(std::unique_ptr<Segment> s) {
    std::lock_guard lock(mutex_);
    if (s->index >= wanted_)
      done_[s->index] = std::move(s);
    else
      free_.push_back(std::move(s));
    changed_.notify_all();
  }
  // Not parsed any further: dropped, or the import is over.
  bool Dropped(size_t k) const { return stop_ || k < wanted_; }
  void Fail(std::exception_ptr e) {
    std::lock_guard lock(mutex_);
    if (!error_) error_ = e;
    changed_.notify_all();
  }

  // Calling thread.
  std::unique_ptr<Segment> Wait(size_t k) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return done_.count(k) || error_; });
    if (!done_.count(k)) std::rethrow_exception(error_);
    std::unique_ptr<Segment> s = std::move(done_[k]);
    done_.erase(k);
    return s;
  }
  // From now on segment k is the one waited for; those before it are dropped.
  void Want(size_t k, std::unique_ptr<Segment> performed) {
    std::lock_guard lock(mutex_);
    wanted_ = k;
    free_.push_back(std::move(performed));
    for (auto it = done_.begin(); it != done_.end() && it->first < k;) {
      free_.push_back(std::move(it->second));
      it = done_.erase(it);
    }
    changed_.notify_all();
  }
  void Stop() {
    std::lock_guard lock(mutex_);
    stop_ = true;
    changed_.notify_all();
  }

 private:
  const size_t count_, window_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::atomic<size_t> wanted_{0};
  std::atomic<bool> stop_{false};
  size_t claim_ = 0;
  std::map<size_t, std::unique_ptr<Segment>> done_;
  std::vector<std::unique_ptr<Segment>> free_;
  std::exception_ptr error_;
};

struct SegmentJob {
  SegmentWork &work;
  Boundaries &bounds;
  const std::string &name;
  size_t blockSize;
  int encoding;
  std::optional<win1252::TextEncoding> textTo;
  const std::function<void(const GameBuffer &)> &packed;
};

void ParseSegment(const SegmentJob &job, Segment &seg) {
  seg.used = 0;
  seg.result = {};
  seg.readFailed = false;
  seg.growth = 0;
  seg.next = job.bounds.Count();
  const int64_t start = job.bounds.At(seg.index);
  seg.end = start;
  seg.textKind = win1252::TextKind::Ascii;
  // No boundary: the segment before reads to the end.
  if (start == kNoBoundary) return;
  Importer im(job.name, job.blockSize, job.textTo);
  EventSink<Segment> sink(seg);
  im.SetSink(&sink);
  im.LeaveFileLine();
  if (!im.OpenAt(start)) {
    seg.readFailed = true;
    sink.Message(ReadFailureText(job.name, im.Error()));
    return;
  }
  size_t next = seg.index + 1;
  bool atBoundary = false;
  int64_t rawEnd = 0;
  PGNParseState state;
  PGNCallbacks cb;
  cb.state = &state;
  cb.start = start;
  cb.refill = [&](int64_t keepFrom) {
    return job.work.Dropped(seg.index) ? std::string_view() : im.Refill(keepFrom);
  };
  cb.error = [&](int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                 const std::string &message) { im.WriteError(gameStart, gameEnd, errorStart, errorEnd, message); };
  cb.game = [&](const GameBuffer &game, bool &cancel) {
    if (job.packed) job.packed(game);
    AheadEvent &e = seg.Add();
    e.kind = AheadEvent::Kind::Game;
    CopyGame(game, e.game);
    e.state = state;
    if (job.work.Dropped(seg.index)) cancel = true;
  };
  cb.boundary = [&](int64_t offset) {
    const int64_t raw = im.RawOffset(offset);
    int64_t b;
    while ((b = job.bounds.At(next)) < raw) ++next;
    atBoundary = b == raw;
    if (atBoundary) {
      seg.end = offset;
      rawEnd = raw;
    }
    return atBoundary;
  };
  bool cancel = false;
  try {
    seg.result = ParsePGN(0, job.encoding, cancel, cb);
  } catch (...) {
    AheadEvent &e = seg.Add();
    e.kind = AheadEvent::Kind::Failed;
    e.error = std::current_exception();
    return;
  }
  seg.readFailed = im.ReadFailed();
  if (atBoundary) {
    seg.next = next;
    seg.growth = seg.end - rawEnd;
  } else {
    seg.end = im.Consumed();
    rawEnd = im.RawRead();
  }
  seg.textKind = im.KindUpTo(rawEnd);
}

void SegmentWorker(const SegmentJob &job) {
  try {
    size_t k;
    while (job.work.Claim(k)) {
      std::unique_ptr<Segment> seg = job.work.Fresh();
      seg->index = k;
      ParseSegment(job, *seg);
      job.work.Finished(std::move(seg));
    }
  } catch (...) {
    job.work.Fail(std::current_exception());
  }
}

PGNParseResult Plus(PGNParseResult a, const PGNParseResult &b) {
  a.games += b.games;
  a.errors += b.errors;
  a.unterminatedComment = a.unterminatedComment || b.unterminatedComment;
  a.commentsOutside = a.commentsOutside || b.commentsOutside;
  return a;
}

// The calling thread: the segments' events in order, the counts running on
// from segment to segment, a progress call every kPGNProgressEvery games
// as the parse makes them.
AheadRun PerformSegments(SegmentWork &work, Boundaries &bounds, int64_t size, const std::string &fileLine,
                         bool &cancel, const PGNGameCallback &game, const PGNProgressCallback &progress,
                         const std::function<void(int64_t)> &taken) {
  AheadRun run;
  PGNParseResult sofar;
  bool fileLineWritten = false;
  int64_t growth = 0;  // of the text before the segment
  for (size_t k = 0;;) {
    std::unique_ptr<Segment> seg = work.Wait(k);
    if (taken) taken(bounds.At(k));
    run.textKind = win1252::Utf8Scan::Combine(run.textKind, seg->textKind);
    for (size_t i = 0; i < seg->used; ++i) {
      AheadEvent &e = seg->events[i];
      switch (e.kind) {
        case AheadEvent::Kind::Game: {
          const PGNParseResult at = Plus(sofar, e.state.sofar);
          const int64_t offset = e.state.offset + growth;
          if (game) game(e.game, cancel);
          if (progress && at.games % kPGNProgressEvery == 0) progress(offset, size, cancel, at.games);
          if (cancel) {
            // The parse would end here: one last progress call, the counts as they were.
            if (progress) progress(offset, size, cancel, at.games);
            run.result = at;
            run.result.cancelled = true;
            return run;
          }
          break;
        }
        case AheadEvent::Kind::Message:
          ui::ShowMessage(e.text);
          run.readFailed = run.readFailed || e.readFailed;
          break;
        case AheadEvent::Kind::LogEntry:
          WriteLogEntry(std::exchange(fileLineWritten, true) ? e.text : fileLine + e.text);
          break;
        case AheadEvent::Kind::Failed:
          std::rethrow_exception(e.error);
        default:
          break;
      }
    }
    sofar = Plus(sofar, seg->result);
    if (seg->readFailed || seg->next >= bounds.Count()) {
      run.result = sofar;
      run.readFailed = seg->readFailed;
      // A cancel in the last call comes after the end.
      if (progress) progress(seg->end + growth, size, cancel, sofar.games);
      return run;
    }
    growth += seg->growth;
    k = seg->next;
    work.Want(k, std::move(seg));
  }
}

size_t DefaultWorkers() { return std::max(1u, proc::SpareCores(8)); }

}  // namespace

std::string ImportLogPath() { return dirs::GetWritableDir() + "prserror.txt"; }

namespace {

// The two imports' common frame: checks, the file, the log, the report.
template <class Parse>
PGNImportResult ImportFrame(const std::string &fileName, int encoding, ReportO *report, bool keepLogOpen,
                            bool appendToLog, size_t blockSize, std::optional<win1252::TextEncoding> textTo,
                            const PGNProgressCallback &progress, const Parse &parse) {
  CheckRange(encoding, 0, 2, "Move encoding out of range");
  if (blockSize == 0) throw ERangeError("Block size out of range");
  PGNImportResult result;
  auto im = std::make_unique<Importer>(fileName, blockSize, textTo);
  const int64_t size = im->Open() ? im->Size() : -1;
  if (size < 0) {
    ui::ShowMessage(ReadFailureText(fileName, im->Error()));
    return result;
  }
  result.opened = true;
  if (!Log().open) OpenLog(appendToLog);
  AheadRun r;
  // How far the import had come, for the report of a cancel.
  int64_t bytesRead = 0;
  const PGNProgressCallback counted = [&](int64_t done, int64_t total, bool &cancel, int games) {
    bytesRead = done;
    if (progress) progress(done, total, cancel, games);
  };
  {
    // The log is closed on every way out, a callback's exception too.
    struct LogCloser {
      bool keep;
      ~LogCloser() {
        if (!keep) CloseImportFile();
      }
    } closer{keepLogOpen};
    r = parse(*im, size, counted);
  }
  result.games = r.result.games;
  result.errors = r.result.errors;
  result.cancelled = r.result.cancelled;
  result.unterminatedComment = r.result.unterminatedComment;
  result.commentsOutside = r.result.commentsOutside;
  result.readFailed = r.readFailed;
  result.textKind = r.textKind;

  if (report) {
    report->AddLine(win1252::PathText(fileName) + ": " + std::to_string(size) + " bytes " +
                    std::to_string(r.result.games) + " games, " + std::to_string(r.result.errors) + " errors.");
    if (r.result.cancelled)
      report->AddLine(
          SubstituteText(SubstituteText(CommonText::S_ImportCancelledAfter, std::to_string(bytesRead)),
                         std::to_string(size)));
  }
  return result;
}

// The parse on the calling thread; skipFirst when the progress call at the
// start was made already.
AheadRun ParseHere(Importer &im, int64_t size, int encoding, bool &cancel, const PGNGameCallback &game,
                   const PGNProgressCallback &progress, bool skipFirst) {
  PGNCallbacks cb;
  cb.refill = [&](int64_t keepFrom) { return im.Refill(keepFrom); };
  cb.error = [&](int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                 const std::string &message) { im.WriteError(gameStart, gameEnd, errorStart, errorEnd, message); };
  cb.game = game;
  cb.progress = progress;
  if (skipFirst && progress)
    cb.progress = [&, first = true](int64_t done, int64_t total, bool &stop, int games) mutable {
      if (!std::exchange(first, false)) progress(done, total, stop, games);
    };
  AheadRun r;
  r.result = ParsePGN(size, encoding, cancel, cb);
  r.readFailed = im.ReadFailed();
  r.textKind = im.TextKind();
  return r;
}

}  // namespace

namespace {

AheadRun ImportInSegments(Importer &im, int64_t size, int encoding, size_t blockSize,
                          std::optional<win1252::TextEncoding> textTo, bool &cancel,
                          const PGNGameCallback &game, const PGNProgressCallback &progress, size_t workers,
                          const PGNAheadOptions &options) {
  Boundaries bounds(im.Name(), size, std::max<int64_t>(options.segmentBytes, 1));
  SegmentWork work(bounds.Count(), 2 * workers);
  const SegmentJob job{work, bounds, im.Name(), blockSize, encoding, textTo, options.packed};
  std::vector<std::thread> threads;
  // The workers are stopped and joined on every way out.
  struct Joiner {
    SegmentWork &work;
    std::vector<std::thread> &threads;
    ~Joiner() {
      work.Stop();
      for (std::thread &t : threads) t.join();
    }
  } joiner{work, threads};
  try {
    for (size_t i = 0; i < workers; ++i) threads.emplace_back(SegmentWorker, std::cref(job));
  } catch (const std::system_error &) {
    // Fewer threads than asked for do the same work; none, and it runs here.
    if (threads.empty()) return ParseHere(im, size, encoding, cancel, game, progress, true);
  }
  return PerformSegments(work, bounds, size, Importer::FileLine(im.Name()), cancel, game, progress,
                         options.segmentTaken);
}

}  // namespace

PGNImportResult ImportPGNFile(const std::string &fileName, bool &cancel, int encoding, ReportO *report,
                              bool keepLogOpen, bool appendToLog, const PGNGameCallback &game,
                              const PGNProgressCallback &progress, size_t blockSize,
                              std::optional<win1252::TextEncoding> textTo) {
  return ImportFrame(fileName, encoding, report, keepLogOpen, appendToLog, blockSize, textTo, progress,
                     [&](Importer &im, int64_t size, const PGNProgressCallback &counted) {
                       return ParseHere(im, size, encoding, cancel, game, counted, false);
                     });
}

PGNImportResult ImportPGNFileAhead(const std::string &fileName, bool &cancel, int encoding, ReportO *report,
                                   bool keepLogOpen, bool appendToLog, const PGNGameCallback &game,
                                   const PGNProgressCallback &progress, size_t blockSize,
                                   std::optional<win1252::TextEncoding> textTo, const PGNAheadOptions &options) {
  return ImportFrame(fileName, encoding, report, keepLogOpen, appendToLog, blockSize, textTo, progress,
                     [&](Importer &im, int64_t size, const PGNProgressCallback &counted) {
                       // A cancel at the start reads no game: no worker for that.
                       counted(0, size, cancel, 0);
                       if (cancel) return ParseHere(im, size, encoding, cancel, game, counted, true);
                       const size_t workers = options.workers ? options.workers : DefaultWorkers();
                       if (workers > 1 && size > options.segmentBytes)
                         return ImportInSegments(im, size, encoding, blockSize, textTo, cancel, game, counted,
                                                 workers, options);
                       AheadQueue q(options.batchGames, options.batches);
                       std::atomic<bool> stop{false};
                       std::thread worker;
                       // The worker is stopped and joined on every way out.
                       struct Joiner {
                         AheadQueue &q;
                         std::atomic<bool> &stop;
                         std::thread &worker;
                         ~Joiner() {
                           stop.store(true, std::memory_order_relaxed);
                           q.Close();
                           if (worker.joinable()) worker.join();
                         }
                       } joiner{q, stop, worker};
                       try {
                         worker = std::thread(ParseAhead, std::ref(im), std::ref(q), std::cref(stop), size,
                                              encoding, std::cref(options.packed));
                       } catch (const std::system_error &) {
                         // No thread to be had: the import runs here, as it would on one core.
                         return ParseHere(im, size, encoding, cancel, game, counted, true);
                       }
                       return PerformAhead(q, stop, size, cancel, game, counted);
                     });
}

void AppendToImportLog(const std::string &text) {
  const bool wasOpen = Log().open;
  if (!wasOpen && !OpenLog(true)) return;
  WriteLogEntry(text);
  if (!wasOpen) CloseImportFile();
}

void CloseImportFile() {
  ImportLog &log = Log();
  log.file.Close();
  log.open = false;
}

bool ImportLogIsOpen() { return Log().open; }
