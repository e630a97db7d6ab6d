// The database object's long commands: importing PGN files, other native
// databases and lists of files; exporting the database or one game list as
// PGN; making the opening keys and classifying every game by them.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <functional>
#include <utility>

#include "database/DatabaseMan.h"
#include "database/DatabaseManText.h"
#include "foundation/CommonText.h"
#include "foundation/Reports.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

using dbtext::Fill;
using dbtext::Path;

namespace {

std::string Percent(int64_t part, int64_t whole) {
  return std::to_string(whole > 0 ? std::lround(static_cast<double>(part) * 100.0 / static_cast<double>(whole)) : 100);
}

// File names compare as the file system's names do on a case-blind
// system: ASCII letters folded, other bytes as they are.
bool NameLess(const std::string &a, const std::string &b) {
  auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  const bool less = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
    return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
  });
  const bool greater = std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [&](char x, char y) {
    return fold(static_cast<unsigned char>(x)) < fold(static_cast<unsigned char>(y));
  });
  return less || (!greater && a < b);
}

std::string Canonical(const std::string &path) {
  std::error_code ec;
  const std::filesystem::path p = std::filesystem::weakly_canonical(std::filesystem::path(path), ec);
  return ec ? path : p.string();
}

// The lines of a list: CR LF, LF or CR end a line; the last line break
// adds no empty line.
std::vector<std::string> SplitLines(const std::string &text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

const char *const kKeyExts[] = {".key", ".kls", ".gls", ".gki", ".hsh", ".pos"};

}  // namespace

// ------------------------------------------------------------------ import

bool DatabaseO::ImportDatabase(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool keepLogOpen,
                               bool appendToLog, bool &resultFlag) {
  StoreCommand command(*this);
  if (listDepth_ == 0) importStopped_ = false;
  return ImportOne(fileName, progress, report, keepLogOpen, appendToLog, resultFlag);
}

bool DatabaseO::ImportDatabase(const std::vector<std::string> &list, AbortDlgO *progress, ReportO *report,
                               bool &resultFlag) {
  StoreCommand command(*this);
  if (listDepth_ == 0) importStopped_ = false;
  resultFlag = false;
  return ImportFileList(list, progress, report, resultFlag);
}

bool DatabaseO::ImportOne(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool keepLogOpen,
                          bool appendToLog, bool &resultFlag) {
  resultFlag = false;
  if (!open_) return false;
  const std::string ext = win1252::LowerCase(files::ExtractFileExt(fileName));
  if (ext == ".qcx") return ImportFromDatabase(fileName, progress, report);
  if (ext == ".pgn") return ImportPgnFile(fileName, progress, report, keepLogOpen, appendToLog, true).opened;
  if (ext == ".imp") return ImportImpFile(fileName, progress, report, resultFlag);
  ui::Beep();
  ui::ShowMessage("DatabaseO.ImportDatabase failed: unknown file type");
  return false;
}

void DatabaseO::BeginImport(bool classify) {
  for (IndexManO *index : {&players_, &eventSites_, &annotators_}) index->BeginBulkAdd();
  if (classify) keyTree_.LoadIntoMemory();
  BeginWrites();
}

void DatabaseO::BeginWrites() {
  writes_ = std::make_unique<WriteBehind>();
  for (IndexManO *index : {&players_, &eventSites_, &annotators_}) index->EnrollWrites(*writes_);
  games_.EnrollWrites(*writes_);
  booster_.EnrollWrites(*writes_);
}

bool DatabaseO::FlushWrites() {
  if (!writes_ || writes_->Flush()) return true;
  ui::ShowMessage(writes_->FailureMessage());
  writes_->Discard();
  // No store may go on from a write the disk did not take. The keys never
  // wait: they are written once their game is on disk.
  games_.Resync();
  for (IndexManO *index : {&players_, &eventSites_, &annotators_}) index->Resync();
  if (HasSearchBooster()) BoosterRefused();
  importStopped_ = true;
  return false;
}

void DatabaseO::EndWrites() {
  if (!writes_) return;
  FlushWrites();
  writes_.reset();
}

// Every import ends here, also after a cancel or a refusal.
void DatabaseO::EndImport(bool classify) {
  EndWrites();
  if (hasKeys_) {
    if (classify) {
      keyTree_.UnloadFromMemory();
      keyTree_.RecountAll();
    } else {
      // Every new game went to the root.
      keyTree_.RecountUp(KeyTreeO::kRoot);
    }
  }
  for (IndexManO *index : {&players_, &eventSites_, &annotators_}) index->EndBulkAdd();
  MarkModified();
}

PGNImportResult DatabaseO::ImportPgnFile(const std::string &fileName, AbortDlgO *progress, ReportO *report,
                                         bool keepLogOpen, bool appendToLog, bool convert) {
  const bool classify = hasKeys_ && ClassifyOnImport;
  BeginImport(classify);
  const AtExit endWrites([this] { EndWrites(); });
  bool cancel = false;
  auto game = [&](const GameBuffer &buf, bool &stop) {
    // A game the database's own stores refuse ends the import like a
    // cancel: the games after it would meet the same store.
    if (AddAndClassifyGame(buf, progress) == 0) importStopped_ = true;
    if (ImportStopped(progress)) stop = true;
  };
  auto report_progress = [&](int64_t done, int64_t size, bool &stop, int count) {
    ProgressText(size > 0 ? static_cast<double>(done) / static_cast<double>(size) : 1.0, count, progressPrefix_,
                 progress);
    if (ImportStopped(progress)) stop = true;
  };
  PGNImportResult r =
      ImportPGNFileAhead(fileName, cancel, encIndexed, report, keepLogOpen, appendToLog, game, report_progress,
                    kPGNBlockSize, convert ? std::optional(encoding_) : std::nullopt);
  if (importStopped_) r.cancelled = true;
  EndImport(classify);
  return r;
}

int32_t DatabaseO::AddAndClassifyGame(const GameBuffer &buf, AbortDlgO *progress,
                                      const GameDescriptor *counted) {
  const int32_t n = StoreGame(-1, buf, counted);
  if (n == 0) return 0;
  if (hasKeys_) {
    // The key files name the game: it reaches the disk first.
    if (!FlushWrites()) return 0;
    uint32_t node = KeyTreeO::kRoot;
    if (ClassifyOnImport) {
      int ply = 0;
      if (const uint32_t key = keyTree_.ClassifyGame(buf, true, ply); key != 0) node = key;
    }
    // The game is stored; a key store that refuses ends the import.
    if (!keyTree_.SetGameKey(node, static_cast<uint32_t>(n), false)) importStopped_ = true;
  }
  // A checkpoint between whole games.
  if (writes_ && writes_->WaitingBytes() > waitingLimit_ && !FlushWrites()) return 0;
  if (progress) ui::ProcessMessages();
  return n;
}

bool DatabaseO::IsThisDatabase(const std::string &qcx) const {
  if (!open_) return false;
  const std::string own = Base();
  // The same file by any name, or the same companions by another case of
  // the extension.
  return Canonical(qcx) == Canonical(own + ".qcx") ||
         Canonical(files::ChangeFileExt(qcx, "")) == Canonical(own);
}

bool DatabaseO::ImportFromDatabase(const std::string &fileName, AbortDlgO *progress, ReportO *report) {
  // Opening a name that is not there would make a database there.
  if (!files::FileExists(fileName)) {
    if (report)
      report->AddLine("File not found: " + Path(fileName));
    else
      ui::ShowMessage("File not found: " + Path(fileName));
    return false;
  }
  // Two stores on the same files would write under each other.
  if (IsThisDatabase(fileName)) {
    ui::Beep();
    ui::ShowMessage(Fill(CommonText::S_CannotImportOpenDatabase, {Path(fileName)}));
    return false;
  }
  DatabaseO source;
  bool sourceReport = false;
  // A source that does not open has said why; this database stays as it was.
  if (!source.Open(fileName, nullptr, nullptr, sourceReport)) return false;

  const bool classify = hasKeys_ && ClassifyOnImport;
  BeginImport(classify);
  const AtExit endWrites([this] { EndWrites(); });
  const int32_t count = source.GameCount();
  const std::string name = Path(fileName);
  auto progressLine = [&](int32_t i) {
    ReportProgress(name + " [" + Percent(i, count) + "%, " + std::to_string(i) + " " + CommonText::S_Games + "]",
                   progress);
  };
  int32_t done = 0;
  int countdown = 0;
  GameBuffer buf;
  // Game text of another encoding goes through the game's PGN text and is
  // converted into this database's.
  const bool convert = source.TextEncoding() != encoding_;
  for (int32_t i = 1; i <= count; ++i) {
    if (--countdown <= 0) {
      countdown = 50;
      progressLine(i);
    }
    if (!source.GameIsDeleted(i)) {
      // A source game that cannot be read (its store has said so) or one
      // this database refuses ends the import.
      GameDescriptor counted;
      bool read = source.games_.ReadDescriptor(i, counted);
      if (read && !convert) {
        read = source.GetGameBuffer(i, buf);
      } else if (read) {
        const std::string text = source.GetPgnText(i, 0, false, false);
        read = !text.empty() && PgnTextToBuffer(dbtext::TextInEncoding(text, encoding_), buf);
      }
      // A stored game's text holds no move count or flags: the copy keeps
      // the source's, so lists and searches find it as they find the source.
      if (!read || AddAndClassifyGame(buf, nullptr, &counted) == 0) importStopped_ = true;
    }
    if (importStopped_) break;
    done = i;
    if (progress) ui::ProcessMessages();
    if (ImportStopped(progress)) break;
  }
  progressLine(done);
  if (report) report->AddLine(name + ": " + std::to_string(done) + " games.");
  EndImport(classify);
  // Closed without writing: the source keeps its files as they were.
  source.Done();
  return true;
}

bool DatabaseO::ImportImpFile(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool &resultFlag) {
  const std::string canonical = Canonical(fileName);
  // A list naming itself, directly or through another list.
  if (std::find(activeLists_.begin(), activeLists_.end(), canonical) != activeLists_.end()) {
    if (report) report->AddLine(Path(fileName) + ": skipped, already being imported.");
    return false;
  }
  std::string text;
  if (!files::ReadAll(fileName, text)) {
    ui::Beep();
    ui::ShowMessage(Fill(CommonText::S_CouldNotReadImportList, {Path(fileName)}));
    return false;
  }
  // Relative names are found beside the list.
  const std::string dir = files::ExtractFileDir(fileName);
  std::vector<std::string> list;
  for (const std::string &line : SplitLines(text)) list.push_back(!line.empty() && line[0] == '/' ? line : dir + line);
  activeLists_.push_back(canonical);
  const bool ok = ImportFileList(list, progress, report, resultFlag);
  activeLists_.pop_back();
  return ok;
}

bool DatabaseO::ImportFileList(const std::vector<std::string> &list, AbortDlgO *progress, ReportO *report,
                               bool &resultFlag) {
  std::vector<std::string> names = list;
  std::stable_sort(names.begin(), names.end(), NameLess);
  const std::string oldPrefix = progressPrefix_;
  ++listDepth_;
  const int n = static_cast<int>(names.size());
  for (int i = 1; i <= n; ++i) {
    const std::string &name = names[static_cast<size_t>(i - 1)];
    if (files::FileExists(name)) {
      progressPrefix_ = Path(name) + ", (" + std::to_string(i) + " " + CommonText::S_Of + " " + std::to_string(n) +
                        ") - ";
      ReportProgress(progressPrefix_, progress);
      bool flag = false;
      // The log made anew by the list's first PGN file stays open for the
      // rest of the list.
      ImportOne(name, progress, report, true, false, flag);
      resultFlag = resultFlag || flag;
    } else if (report) {
      report->AddLine("File not found: " + Path(name));
    }
    ReportProgress("", progress);
    if (ImportStopped(progress)) break;
  }
  progressPrefix_ = oldPrefix;
  // Only the outermost list closes the log: a nested one would lose the
  // refused games logged before it.
  if (--listDepth_ == 0) CloseImportFile();
  ReportProgress("", progress);
  return true;
}

// ------------------------------------------------------------------ export

std::string DatabaseO::GameLeftOutLine(int32_t n, bool read, const std::string &fileName) {
  // The names as a message holds them; "?" when the descriptor or a name
  // does not read either.
  std::string white = "?", black = "?";
  GameDescriptor d;
  if (games_.ReadDescriptor(n, d)) {
    auto name = [&](uint32_t id, std::string &out) {
      const std::string text =
          id != 0 && id <= static_cast<uint32_t>(players_.Count()) ? players_.GetText(id) : "";
      if (!text.empty()) out = win1252::ToEncoding(text, win1252::TextEncoding::Win1252);
    };
    name(d.white, white);
    name(d.black, black);
  }
  return Fill(read ? CommonText::S_GameNotWritten : CommonText::S_GameLeftOut,
              {std::to_string(n), white, black, Path(fileName)});
}

DatabaseO::ExportResult DatabaseO::ExportGames(const ExportOptions &o) {
  const std::string &fileName = o.fileName;
  const int32_t count = o.count;
  AbortDlgO *const progress = o.progress;
  int *const err = o.err;
  // Written beside the file and renamed over it only when whole: a cancel
  // or a failure leaves the file as it was.
  OutputO out;
  if (!out.InitFile(fileName)) {
    if (err) *err = out.Error();
    return ExportResult::Failed;
  }
  // The store is read, the file written and the dialog served here, in
  // game order; workers make the texts in between, a few batches ahead.
  constexpr size_t kBatchGames = 64;
  const unsigned workers = PgnRenderPoolO::DefaultWorkers();
  std::vector<PgnRenderBatch> batches(workers == 0 ? 1 : 2 * size_t{workers});
  for (PgnRenderBatch &b : batches) b.games.resize(kBatchGames);
  // Declared after the batches: stopped and joined before they go.
  PgnRenderPoolO pool(
      [](const GameBuffer &buf, PgnScratch &scratch, std::string &text) {
        return GamePgnText(buf, 0, true, false, scratch, text);
      },
      workers);
  size_t oldest = 0, queued = 0;
  // Games that could not be read or rendered: one such game must not keep
  // the others from the file.
  // Each with whether it read (and did not render).
  std::vector<std::pair<int32_t, bool>> leftOut;
  // The oldest batch into the file; false at a failed write.
  auto writeOldest = [&] {
    PgnRenderBatch &b = batches[oldest];
    oldest = (oldest + 1) % batches.size();
    --queued;
    pool.Wait(b);
    const size_t n = std::exchange(b.count, 0);
    for (size_t k = 0; k < n; ++k) {
      const PgnRenderSlot &s = b.games[k];
      if (!s.ok) {
        leftOut.emplace_back(s.nr, s.render);
      } else if (s.render) {
        out.WriteLn(s.text);
        out.NewLine();
      }
      if (out.Failed()) return false;
    }
    return true;
  };
  bool written = true;
  int countdown = 0;
  for (int32_t i = 1; i <= count && written; ++i) {
    if (--countdown <= 0) {
      countdown = 50;
      ReportProgress(o.progressText(i), progress);
    }
    const int32_t n = o.gameAt(i);
    PgnRenderBatch &b = batches[(oldest + queued) % batches.size()];
    PgnRenderSlot &s = b.games[b.count++];
    s.nr = n;
    GameDescriptor d;
    s.ok = games_.ReadDescriptor(n, d);
    s.render = s.ok && !(d.flags & GameDescriptor::gfDeleted);
    // A game that did not read is not rendered: it stays failed.
    if (s.render) s.render = s.ok = games_.GetGame(n, s.buf);
    if (b.count == kBatchGames || i == count) {
      pool.Submit(b);
      if (++queued == batches.size()) written = writeOldest();
    }
    if (progress && written) {
      ui::ProcessMessages();
      if (progress->Cancelled()) {
        out.Abandon();
        ReportProgress("", progress);
        return ExportResult::Cancelled;
      }
    }
  }
  while (written && queued > 0) written = writeOldest();
  ReportProgress("", progress);
  if (!written) {
    if (err) *err = out.Error();
    out.Abandon();
    return ExportResult::Failed;
  }
  std::vector<std::string> lines;
  for (const auto &[n, read] : leftOut) lines.push_back(GameLeftOutLine(n, read, fileName));
  if (!lines.empty() && o.writeWithout && !o.writeWithout(lines)) {
    out.Abandon();
    return ExportResult::Cancelled;
  }
  bool refused = false;
  std::function<bool()> beforeRename;
  if (o.beforeRename)
    beforeRename = [&] {
      refused = !o.beforeRename();
      return !refused;
    };
  if (!out.Done(beforeRename)) {
    if (refused) return ExportResult::Refused;
    if (err) *err = out.Error();
    return ExportResult::Failed;
  }
  if (!lines.empty()) {
    std::string entry;
    for (const std::string &line : lines) {
      entry += "%" + line + "\r\n";
      if (o.report) o.report->AddLine(line);
    }
    AppendToImportLog(entry);
  }
  return ExportResult::Done;
}

DatabaseO::ExportResult DatabaseO::ExportDatabase(const std::string &fileName, AbortDlgO *progress, int *err,
                                                  const SkipQuestion &writeWithout) {
  if (err) *err = 0;
  if (win1252::LowerCase(files::ExtractFileExt(fileName)) != ".pgn") {
    ui::Beep();
    ui::ShowMessage("DatabaseO.ExportDatabase failed: unknown file type");
    return ExportResult::Failed;
  }
  ExportOptions o = WholeSetExport(fileName);
  o.progress = progress;
  o.err = err;
  o.writeWithout = writeWithout;
  return ExportGames(o);
}

DatabaseO::ExportOptions DatabaseO::WholeSetExport(const std::string &fileName) {
  ExportOptions o;
  o.fileName = fileName;
  o.count = GameCount();
  o.gameAt = [](int32_t i) { return i; };
  o.progressText = [name = Path(fileName)](int32_t i) {
    return name + " [" + std::to_string(i) + " " + CommonText::S_Games + "]";
  };
  return o;
}

DatabaseO::ExportResult DatabaseO::ExportGameList(const std::string &fileName, int s, AbortDlgO *progress,
                                                  int *err, ReportO *report) {
  if (err) *err = 0;
  const int32_t count = GameListCount(s);
  if (win1252::LowerCase(files::ExtractFileExt(fileName)) != ".pgn") {
    ui::Beep();
    ui::ShowMessage("DatabaseO.ExportGameList failed: unknown file type");
    return ExportResult::Failed;
  }
  const std::string name = Path(fileName);
  // The close would write the set back over the export, or the export
  // would take the place of every game not in the list.
  if (IsFileOfDatabase(fileName)) {
    ui::Beep();
    ui::ShowMessage(Fill(CommonText::S_ExportOverOpenFile, {name, Path(fileName_)}));
    return ExportResult::Failed;
  }
  int error = 0;
  ExportOptions o;
  o.fileName = fileName;
  o.count = count;
  o.gameAt = [&](int32_t i) { return GameListGameNr(s, i); };
  o.progressText = [&](int32_t i) {
    return name + " [" + Percent(i, count) + "%, " + std::to_string(i) + " " + CommonText::S_Games + "]";
  };
  o.progress = progress;
  o.err = &error;
  o.report = report;
  const ExportResult r = ExportGames(o);
  if (r == ExportResult::Failed)
    ui::ShowMessage(files::FailureText(
        Fill(CommonText::S_CouldNotWritePGNFile, {name, std::to_string(error)}), fileName, error));
  if (err) *err = error;
  return r;
}

// ------------------------------------------------------------------ keys

bool DatabaseO::DeleteDamagedKeys() {
  if (!open_ || !keysDamaged_) return true;
  const std::string base = Base();
  if (ui::MessageDlg(Fill(CommonText::S_KeysDamagedMakeNew, {Path(base + ".key")}), ui::MsgType::Confirmation,
                     ui::mbYesNo, ui::mrNo) != ui::mrYes)
    return false;
  for (const char *ext : kKeyExts) {
    if (files::Exists(base + ext) && !files::Delete(base + ext)) {
      ui::ShowMessage(Fill(CommonText::S_KeysNotCreated, {Path(base + ".key")}));
      return false;
    }
  }
  keysDamaged_ = false;
  return true;
}

bool DatabaseO::CreateKeys() {
  if (!open_) return false;
  if (hasKeys_) return true;
  StoreCommand command(*this);
  const std::string base = Base();
  if (!DeleteDamagedKeys()) return false;
  // A set that is there but not open (it failed to open) is not replaced.
  for (const char *ext : kKeyExts) {
    if (files::Exists(base + ext)) {
      ui::Beep();
      ui::ShowMessage(Fill(CommonText::S_KeyFileExists, {Path(base + ext)}));
      return false;
    }
  }
  // Without defaults Open makes the root alone.
  if (KeyTreeO::HasDefaults() && !KeyTreeO::CreateFromDefaults(base)) {
    ui::ShowMessage(Fill(CommonText::S_KeysNotCreated, {Path(base + ".key")}));
    return false;
  }
  if (!keyTree_.Open(base + ".key", static_cast<uint32_t>(games_.Count()))) {
    // The files are this call's own: none was there before.
    for (const char *ext : kKeyExts) files::Delete(base + ext);
    ui::ShowMessage(Fill(CommonText::S_KeysNotCreated, {Path(base + ".key")}));
    return false;
  }
  // The defaults were written through other handles: all of it goes to
  // the disk with this command.
  std::vector<BinFile *> keyFiles;
  keyTree_.AddFiles(keyFiles);
  for (BinFile *f : keyFiles) f->NeedsSync();
  hasKeys_ = true;
  InitKeyView();
  return true;
}

bool DatabaseO::ExportKeysText(const std::string &fileName) { return hasKeys_ && keyTree_.ExportText(fileName); }

bool DatabaseO::ClassifyAllGames(AbortDlgO *progress) {
  if (!hasKeys_) return false;
  StoreCommand command(*this);
  keyTree_.LoadIntoMemory();
  const int32_t count = GameCount();
  auto progressLine = [&](int32_t i) {
    ReportProgress("[" + Percent(i, count) + "%, " + std::to_string(i) + " " + CommonText::S_Games + "]",
                   progress);
  };
  bool ok = true;
  int countdown = 0;
  GameBuffer buf;
  for (int32_t i = 1; i <= count; ++i) {
    if (--countdown <= 0) {
      countdown = 100;
      progressLine(i);
    }
    // A game that cannot be read, or a refused key write (the store has
    // said why), ends the run.
    if (!games_.GetGame(i, buf)) {
      ok = false;
      break;
    }
    int ply = 0;
    uint32_t node = keyTree_.ClassifyGame(buf, true, ply);
    if (node == 0) node = KeyTreeO::kRoot;
    if (!keyTree_.SetGameKey(node, static_cast<uint32_t>(i), false)) {
      ok = false;
      break;
    }
    if (progress) {
      ui::ProcessMessages();
      if (progress->Cancelled()) break;
    }
  }
  progressLine(count);
  keyTree_.UnloadFromMemory();
  if (!keyTree_.RecountAll()) ok = false;
  ReportProgress("", progress);
  return ok;
}

uint32_t DatabaseO::ClassifyGameNr(int32_t n, int &ply) {
  ply = 0;
  GameBuffer buf;
  if (!hasKeys_ || !games_.GetGame(n, buf)) return 0;
  return keyTree_.ClassifyGame(buf, true, ply);
}
