#include "database/PGNFileMan.h"

#include <algorithm>
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

void ReportLogFailure(const std::string &path) {
  ui::ShowMessage(SubstituteText(CommonText::S_CouldNotWriteErrorLog, path));
}

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

  bool Open() { return file_.Open(name_, BinFile::Mode::Read); }
  int64_t Size() { return file_.Size(); }
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
    if (readFailed_) return {};
    // A short read means the end of the file.
    auto readBlock = [this] {
      size_t read = 0;
      while (read < block_.size()) {
        const int64_t n = file_.ReadSome(block_.data() + read, block_.size() - read);
        if (n < 0) {
          readFailed_ = true;
          ui::ShowMessage(SubstituteText(CommonText::S_CouldNotReadPGNFile, win1252::PathText(name_)));
          break;
        }
        if (n == 0) break;
        read += static_cast<size_t>(n);
      }
      text_.Feed({block_.data(), read});
      return read;
    };
    static constexpr char kBounds[] = "\"{}[];\r\n";
    if (!textTo_) {
      view_ = {block_.data(), readBlock()};
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
        if (const size_t bound = pending_.find_last_of(kBounds); bound != std::string::npos) {
          cut = bound + 1;
          break;
        }
      }
      converted_.clear();
      win1252::AppendPiecesInEncoding(std::string_view(pending_).substr(0, cut), *textTo_, converted_);
      pending_.erase(0, cut);
      view_ = converted_;
    }
    blockLen_ = static_cast<int64_t>(view_.size());
    return view_;
  }

  void WriteError(int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                  const std::string &message) {
    ImportLog &log = Log();
    if (!log.open) return;
    entry_.clear();
    if (!fileLineWritten_) {
      // A line break in the name would end the escape line.
      std::string name = name_;
      std::replace(name.begin(), name.end(), '\r', ' ');
      std::replace(name.begin(), name.end(), '\n', ' ');
      entry_ += "\r\n%File: " + name + "\r\n";
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
    if (!log.file.Write(entry_.data(), entry_.size())) {
      ReportLogFailure(log.file.Path());
      log.file.Close();
      log.open = false;
    }
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

  std::string name_;
  BinFile file_;
  std::vector<char> block_;
  std::optional<win1252::TextEncoding> textTo_;
  std::string pending_, converted_;  // with textTo_: text waiting for its bound, the block converted
  std::string_view view_;            // the block as the parser reads it
  int64_t blockStart_ = 0, blockLen_ = 0;
  std::string history_;  // bytes from historyStart_ up to blockStart_
  int64_t historyStart_ = 0;
  bool readFailed_ = false;
  bool fileLineWritten_ = false;
  std::string entry_;
};

}  // namespace

std::string ImportLogPath() { return dirs::GetWritableDir() + "prserror.txt"; }

PGNImportResult ImportPGNFile(const std::string &fileName, bool &cancel, int encoding, ReportO *report,
                              bool keepLogOpen, bool appendToLog, const PGNGameCallback &game,
                              const PGNProgressCallback &progress, size_t blockSize,
                              std::optional<win1252::TextEncoding> textTo) {
  CheckRange(encoding, 0, 2, "Move encoding out of range");
  if (blockSize == 0) throw ERangeError("Block size out of range");
  PGNImportResult result;
  auto im = std::make_unique<Importer>(fileName, blockSize, textTo);
  const int64_t size = im->Open() ? im->Size() : -1;
  if (size < 0) {
    ui::ShowMessage(SubstituteText(CommonText::S_CouldNotReadPGNFile, win1252::PathText(fileName)));
    return result;
  }
  result.opened = true;
  if (!Log().open) OpenLog(appendToLog);

  PGNCallbacks cb;
  cb.refill = [&](int64_t keepFrom) { return im->Refill(keepFrom); };
  cb.error = [&](int64_t gameStart, int64_t gameEnd, int64_t errorStart, int64_t errorEnd,
                 const std::string &message) {
    im->WriteError(gameStart, gameEnd, errorStart, errorEnd, message);
  };
  cb.game = game;
  cb.progress = progress;
  PGNParseResult r;
  {
    // The log is closed on every way out, a callback's exception too.
    struct LogCloser {
      bool keep;
      ~LogCloser() {
        if (!keep) CloseImportFile();
      }
    } closer{keepLogOpen};
    r = ParsePGN(size, encoding, cancel, cb);
  }
  result.games = r.games;
  result.errors = r.errors;
  result.cancelled = r.cancelled;
  result.unterminatedComment = r.unterminatedComment;
  result.commentsOutside = r.commentsOutside;
  result.readFailed = im->ReadFailed();
  result.textKind = im->TextKind();

  if (report)
    report->AddLine(win1252::PathText(fileName) + ": " + std::to_string(size) + " bytes " + std::to_string(r.games) +
                    " games, " + std::to_string(r.errors) + " errors.");
  return result;
}

void CloseImportFile() {
  ImportLog &log = Log();
  log.file.Close();
  log.open = false;
}

bool ImportLogIsOpen() { return Log().open; }
