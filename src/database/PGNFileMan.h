#pragma once
// Importing a PGN file: the file is read in blocks through the bulk scanner
// (ParsePGN), every finished game goes to the caller's game callback, every
// refused game is written to the error log "prserror.txt" in the program's
// writable directory, and a summary line may be added to a report.
//
// The log holds each refused game's own bytes with the message and the
// offending text in "%" escape lines, after one "%File: " line per imported
// file, so the log can itself be imported:
//   CR LF "%File: " name CR LF                  (before the file's first entry)
//   the game's text up to the offending text
//   CR LF "%" message
//   CR LF "%" offending text "%" CR LF
//   the rest of the game's text
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "database/QZUtils.h"
#include "platform/Win1252.h"

class ReportO;

struct PGNImportResult {
  bool opened = false;      // the file could be opened; nothing else is set otherwise
  int games = 0;            // games handed to the game callback
  int errors = 0;           // games refused
  bool cancelled = false;   // the cancel flag ended the import
  bool readFailed = false;  // reading stopped at an I/O error before the end
  bool unterminatedComment = false;  // a "{" took the rest of the file
  bool commentsOutside = false;      // comments outside games were not stored
  // Whether the bytes read held invalid UTF-8 (Other) or else valid
  // multi-byte UTF-8 (Utf8): the file's text encoding.
  win1252::TextKind textKind = win1252::TextKind::Ascii;
  // Every game of the file was read.
  bool Complete() const { return opened && !cancelled && !readFailed && !unterminatedComment; }
};

using PGNGameCallback = std::function<void(const GameBuffer &game, bool &cancel)>;
using PGNProgressCallback = std::function<void(int64_t bytesRead, int64_t fileSize, bool &cancel, int games)>;

constexpr size_t kPGNBlockSize = 10000;

// The log's path: "prserror.txt" in dirs::GetWritableDir().
std::string ImportLogPath();

// Imports one file. The log is opened when it is not open yet (appended to
// with appendToLog, else made anew) and closed at the end unless
// keepLogOpen. With a report the line "<file>: <size> bytes <games> games,
// <errors> errors." is added. A file that cannot be opened (or that stops
// being readable) is reported through ui::ShowMessage; without the file
// nothing else happens. A log that cannot be opened or written is reported
// once and the import goes on without it.
// encoding outside 0..2 or a block size of 0 raise ERangeError first.
// With textTo, each tag value and comment is read converted into that
// encoding (win1252::ForEachPiece, win1252::ToEncoding); textKind tells
// the file's own bytes.
PGNImportResult ImportPGNFile(const std::string &fileName, bool &cancel, int encoding, ReportO *report,
                              bool keepLogOpen, bool appendToLog, const PGNGameCallback &game,
                              const PGNProgressCallback &progress, size_t blockSize = kPGNBlockSize,
                              std::optional<win1252::TextEncoding> textTo = std::nullopt);

// The same import with the reading, parsing and packing on a worker thread,
// a bounded queue ahead of the calling thread, which performs everything
// else in the order ImportPGNFile would: the callbacks, the messages, the
// log entries, and the result of a cancel at the same game. An exception of
// the parse is thrown here, where ImportPGNFile would throw it.
//
// With more than one worker (0: one fewer than the cores, at most 8) a file
// longer than segmentBytes is parsed in segments at once, each from a "["
// that begins a line after an empty line, and the calling thread takes
// over each segment's work only where the parse before it stopped between
// games right there: so again all is as ImportPGNFile does it, but for the
// text kind after a cancel, which is that of the segments read so far.
struct PGNAheadOptions {
  size_t workers = 0;
  int64_t segmentBytes = int64_t{1} << 20;
  size_t batchGames = 32;  // one worker: events handed over at a time
  size_t batches = 8;      // one worker: batches waiting at most
  // Test seams: called on a worker with every game packed; called with the
  // offset of each segment the calling thread takes over.
  std::function<void(const GameBuffer &)> packed;
  std::function<void(int64_t)> segmentTaken;
};
PGNImportResult ImportPGNFileAhead(const std::string &fileName, bool &cancel, int encoding, ReportO *report,
                                   bool keepLogOpen, bool appendToLog, const PGNGameCallback &game,
                                   const PGNProgressCallback &progress, size_t blockSize = kPGNBlockSize,
                                   std::optional<win1252::TextEncoding> textTo = std::nullopt,
                                   const PGNAheadOptions &options = {});

// Appends text to the log, which is opened for it (and closed again) when
// no import holds it open; a log that cannot be written is reported.
void AppendToImportLog(const std::string &text);
// Closes the log when it is open.
void CloseImportFile();
bool ImportLogIsOpen();
