#include "database/DatabaseMan.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <iterator>
#include <limits>

#include "chess/Games.h"
#include "chess/InfoMan.h"
#include "chess/PrintPGN.h"
#include "database/DatabaseManText.h"
#include "database/QZGamePlayer.h"
#include "database/QZParser.h"
#include "foundation/CommonText.h"
#include "foundation/Reports.h"
#include "foundation/comDlgAbort.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

namespace {

using dbtext::Fill;
using dbtext::Path;

// Names the descriptor holds where the game has them: a name the index
// refused shows as id 0 for a name that is there.
// reader holds the game's tags.
bool NamesStored(QZGameManagerO &reader, const GameDescriptor &d) {
  auto has = [&](const char *tag, bool queryIsNone) {
    const std::string v = ini::Trim(reader.GetTagValue(tag));
    return !v.empty() && !(queryIsNone && v == "?");
  };
  return (d.white != 0 || !has("White", false)) && (d.black != 0 || !has("Black", false)) &&
         (d.eventSite != 0 || !(has("Event", true) || has("Site", true))) &&
         (d.annotator != 0 || !has("Annotator", true));
}

}  // namespace

// ------------------------------------------------------------------ text helpers

std::string PgnSplit::Header(const std::string &text) const {
  if (headerStart == npos || headerEnd == npos || headerEnd < headerStart) return {};
  return text.substr(headerStart, headerEnd - headerStart + 1);
}

std::string PgnSplit::Moves(const std::string &text) const {
  if (movesStart == npos || movesEnd == npos || movesEnd < movesStart) return {};
  return text.substr(movesStart, movesEnd - movesStart + 1);
}

PgnSplit PgnSplitGameText(const std::string &text) {
  PgnSplit r;
  bool inTag = false, inMoves = false, inComment = false;
  int quotes = 0;
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (inTag) {
      const bool inQuote = quotes % 2 == 1;
      if (inQuote && c == '\\' && i + 1 < n && (text[i + 1] == '"' || text[i + 1] == '\\')) {
        ++i;
      } else if (c == '"') {
        ++quotes;
      } else if (c == ']' && quotes >= 2 && !inQuote) {
        inTag = false;
        r.headerEnd = i;
      }
      continue;
    }
    if (inMoves) {
      if (inComment) {
        if (c == '}') inComment = false;
      } else if (c == '{') {
        inComment = true;
      } else if (c == '[') {
        // A further game's header: this game ends before it.
        r.movesEnd = i - 1;
        inMoves = false;
        break;
      }
      continue;
    }
    if (c == '[') {
      inTag = true;
      quotes = 0;
      if (r.headerStart == PgnSplit::npos) r.headerStart = i;
      r.movesStart = PgnSplit::npos;
    } else if (c == '\r' || c == '\n') {
      if (r.movesStart == PgnSplit::npos && r.headerEnd != PgnSplit::npos) r.movesStart = i;
    } else if (c != ' ') {
      if (r.movesStart == PgnSplit::npos) r.movesStart = i;
      inMoves = true;
      if (c == '{') inComment = true;
    }
  }
  if (r.movesStart != PgnSplit::npos && r.movesEnd == PgnSplit::npos) r.movesEnd = n - 1;
  r.lastMoveNumber = PgnLastMoveNumber(r.Moves(text));
  return r;
}

namespace {
// The digits ending just before position end (exclusive), read backwards;
// capped so that a long run cannot overflow.
int NumberEndingAt(const std::string &s, size_t end) {
  size_t b = end;
  while (b > 0 && s[b - 1] >= '0' && s[b - 1] <= '9') --b;
  int64_t v = 0;
  for (size_t i = b; i < end; ++i) v = std::min<int64_t>(v * 10 + (s[i] - '0'), std::numeric_limits<int>::max());
  return static_cast<int>(v);
}
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

int PgnLastMoveNumber(const std::string &moves) {
  int depth = 0;
  bool inComment = false;
  for (size_t i = moves.size(); i-- > 0;) {
    const char c = moves[i];
    if (inComment) {
      if (c == '{') inComment = false;
    } else if (c == '}') {
      inComment = true;
    } else if (c == ')') {
      ++depth;
    } else if (c == '(') {
      if (depth > 0) --depth;
    } else if (depth == 0 && c == '.' && i > 0 && IsDigit(moves[i - 1])) {
      return NumberEndingAt(moves, i);
    }
  }
  return 0;
}

int PgnLastNumberBeforeDot(const std::string &moves) {
  for (size_t i = moves.size(); i-- > 1;)
    if (moves[i] == '.' && IsDigit(moves[i - 1])) return NumberEndingAt(moves, i);
  return 0;
}

std::string LineBreaksToSpaces(const std::string &text, uint8_t option) {
  std::string r = text;
  if (option == 0) return r;
  for (char &c : r)
    if (c == '\r' || c == '\n') c = ' ';
  return r;
}

// ------------------------------------------------------------------ life cycle

void DatabaseO::Init(StatusCallback status) {
  if (open_) Done();
  status_ = std::move(status);
  Clear();
  ReleaseLists();
}

void DatabaseO::Clear() {
  description_.clear();
  fileName_.clear();
  tempBase_.clear();
  open_ = native_ = modified_ = false;
  hasKeys_ = hasBooster_ = boosterBroken_ = ownerRecorded_ = setFolderSynced_ = keysDamaged_ = false;
  openingImport_ = {};
  fileState_ = {};
  encoding_ = win1252::TextEncoding::Utf8;
  progressPrefix_.clear();
}

void DatabaseO::Done() {
  // A changed set no recovery file could take stays where it is: the next
  // start finds it.
  bool remove = !native_;
  if (open_ && !native_ && modified_ && WriteRecoveryFile(std::string(), true, RecoveryKind::NotWrittenBack).empty())
    remove = false;
  if (open_) CloseStores(remove);
  open_ = false;
  ReleaseLists();
}

std::string DatabaseO::Base() const {
  return tempBase_.empty() ? files::ChangeFileExt(fileName_, "") : tempBase_;
}

bool DatabaseO::OpenStores(const std::string &base, std::vector<GameStoreO::NameIds> *names) {
  // A native open checks every game's name ids against the name indexes
  // as the records are read; the ids are held only for the booster's check.
  GameStoreO::NameCounts counts;
  if (names) {
    auto count = [&](const char *ext) {
      return static_cast<uint64_t>(std::max<int64_t>(files::FileSize(base + ext), 0)) / 4;
    };
    counts = {count(".pli"), count(".esi"), count(".ani")};
  }
  if (games_.Open(base + ".gai", names && files::Exists(base + ".bli") ? names : nullptr,
                  names ? &counts : nullptr) &&
      (!names || NameFilesFit(base)) && players_.Open(base + ".pli") && eventSites_.Open(base + ".esi") &&
      annotators_.Open(base + ".ani")) {
    if (!names) return true;
    const IndexManO *damaged = nullptr;
    for (const IndexManO *index : {&players_, &eventSites_, &annotators_})
      if (!damaged && !index->DamagedFile().empty()) damaged = index;
    if (!damaged) return true;
    ui::ShowMessage(DamagedFilesText(damaged->DamagedFile(), damaged->DamagedOther()));
  }
  games_.Close();
  players_.Close();
  eventSites_.Close();
  annotators_.Close();
  return false;
}

// Before any name file is opened (which makes a missing one): a name file
// a game refers past is damaged, not a new empty one, and so is an index
// whose entries name a missing data file. A torn tail no game refers to is
// what a full disk leaves: the next name is written over it.
bool DatabaseO::NameFilesFit(const std::string &base) {
  struct Store {
    const char *index, *data;
    uint8_t past;
  };
  const Store stores[] = {
      {".pli", ".pld", GameStoreO::kPlayersPast},
      {".esi", ".esd", GameStoreO::kEventSitesPast},
      {".ani", ".and", GameStoreO::kAnnotatorsPast},
  };
  for (const Store &st : stores) {
    const std::string index = base + st.index, data = base + st.data;
    const int64_t indexSize = files::FileSize(index), dataSize = files::FileSize(data);
    std::string damaged, other;
    if (indexSize >= 4 && dataSize < 0) {
      damaged = data;
    } else if ((games_.NamesPast() & st.past) != 0) {
      damaged = index;
      // A present index too short for a game: the index or the game's record.
      if (indexSize >= 0) other = games_.GamesFileName();
    }
    if (!damaged.empty()) {
      ui::ShowMessage(DamagedFilesText(damaged, other));
      return false;
    }
  }
  return true;
}

bool DatabaseO::OpenBooster(const std::string &base, const std::vector<GameStoreO::NameIds> *names) {
  const bool missing =
      !files::Exists(base + ".bpl") || !files::Exists(base + ".bes") || !files::Exists(base + ".bli");
  if (!booster_.Open(base + ".qcx")) return false;
  hasBooster_ = true;
  if (games_.Count() == 0) return true;
  // Games the booster does not link (a crash, a lost or cut file) would
  // make searches by name find fewer: it is built anew.
  if (missing || booster_.LinkedGames() < games_.Count()) {
    BuildBooster();
  } else if (const std::string damaged =
                 names ? booster_.Verify(*names, players_.Count(), eventSites_.Count()) : std::string();
             !damaged.empty()) {
    // Nor are links and heads that differ from what the games' names make;
    // said once the new files are in place (a failure says its own).
    if (BuildBooster()) ui::ShowMessage(Fill(CommonText::S_BoosterRebuilt, {Path(damaged)}));
  }
  return true;
}

bool DatabaseO::BuildBooster() {
  int32_t damaged = 0;
  const bool built = booster_.Build(games_, players_.Count(), eventSites_.Count(), damaged);
  if (damaged == 1)
    ui::ShowMessage(Fill(CommonText::S_BoosterGameDamaged, {Path(fileName_)}));
  else if (damaged > 1)
    ui::ShowMessage(Fill(CommonText::S_BoosterGamesDamaged, {std::to_string(damaged), Path(fileName_)}));
  if (!built) BoosterRefused();
  return built;
}

// Cutting ".bli" to nothing makes the next Open rebuild the booster; until
// then nothing reads or writes it.
void DatabaseO::BoosterRefused() {
  boosterBroken_ = true;
  booster_.Close();
  BinFile bli;
  if (bli.Open(Base() + ".bli", BinFile::Mode::ReadWrite)) bli.Truncate(0);
}

void DatabaseO::CloseStores(bool remove) {
  FreeKeyView();
  if (hasKeys_) {
    if (remove)
      keyTree_.CloseAndDelete();
    else
      keyTree_.Close();
  }
  if (remove && hasBooster_) {
    booster_.Close();
    for (const char *ext : {".bli", ".bpl", ".bes"}) files::Delete(Base() + ext);
  } else {
    booster_.Close();
  }
  for (IndexManO *index : {&players_, &eventSites_, &annotators_}) {
    if (remove)
      index->CloseAndDelete();
    else
      index->Close();
  }
  if (remove)
    games_.CloseAndDelete();
  else
    games_.Close();
  if (remove && !tempBase_.empty()) {
    // The private directory MakeTempBaseName made, with whatever is left in it.
    std::error_code ec;
    std::filesystem::remove_all(files::ExtractFileDir(tempBase_), ec);
  }
  hasKeys_ = hasBooster_ = boosterBroken_ = keysDamaged_ = false;
}

namespace {

const char kOwnerFile[] = "owner.txt";

// Every file a native set of that base may hold.
std::vector<std::string> SetFileNames(const std::string &base) {
  std::vector<std::string> names;
  for (const char *ext : {".qcx", ".gad", ".gai", ".pld", ".pli", ".pls", ".esd", ".esi", ".ess", ".and", ".ani",
                          ".ans", ".key", ".pos", ".hsh", ".kls", ".gls", ".gki", ".bpl", ".bes", ".bli"})
    names.push_back(base + ext);
  return names;
}

// A folder, pipe or device where a file of the database belongs is
// refused with its name before anything is opened or made.
bool NoSpecialFile(const std::vector<std::string> &names) {
  for (const std::string &name : names)
    if (files::IsSpecial(name)) {
      ui::ShowMessage(Fill(CommonText::S_NotARegularFile, {Path(name)}));
      return false;
    }
  return true;
}

// Every file of the set is its own: one file under two names (a link, a
// hard link) would be written as two, each write losing what the other
// holds. A link to nothing is refused too: opening it would make its
// target, wherever that is.
bool DistinctFiles(const std::vector<std::string> &names) {
  std::vector<files::FileState> states;
  for (const std::string &name : names) {
    if (files::BrokenLink(name)) {
      ui::ShowMessage(Fill(CommonText::S_DatabaseFileBrokenLink, {Path(name)}));
      return false;
    }
    states.push_back(files::StateOf(name));
    const files::FileState &s = states.back();
    for (size_t i = 0; i + 1 < states.size(); ++i)
      if (files::SameFile(states[i], s)) {
        ui::ShowMessage(Fill(CommonText::S_DatabaseFilesSame, {Path(names[i]), Path(name)}));
        return false;
      }
  }
  return true;
}

// Removes, when armed, the files of a new set that were not there before.
class NewSetCleanup {
 public:
  NewSetCleanup(const std::string &base, bool armed) : names_(SetFileNames(base)), armed_(armed) {
    for (const std::string &n : names_) existed_.push_back(files::Exists(n));
  }
  ~NewSetCleanup() {
    if (!armed_) return;
    for (size_t i = 0; i < names_.size(); ++i)
      if (!existed_[i]) files::Delete(names_[i]);
  }
  void Disarm() { armed_ = false; }

 private:
  std::vector<std::string> names_;
  std::vector<bool> existed_;
  bool armed_;
};

}  // namespace

bool DatabaseO::IsFileOfDatabase(const std::string &path) const {
  if (!open_) return false;
  std::vector<std::string> names = SetFileNames(Base());
  names.push_back(fileName_);
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string &own) { return files::SameFile(path, own); });
}

bool DatabaseO::Open(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool &importReport) {
  importReport = false;
  try {
    return OpenChecked(fileName, progress, report);
  } catch (const std::exception &) {
    // A value on disk past what the program can hold: the set is damaged.
    // Whatever was opened is closed (a PGN file's temporary set removed).
    const bool temporary = !native_ && !tempBase_.empty();
    FreeKeyView();
    keyTree_.Close();
    hasKeys_ = false;
    CloseStores(temporary);
    ReleaseLists();
    Clear();
    ui::ShowMessage(Fill(CommonText::S_DatabaseFileDamaged, {Path(fileName)}));
    return false;
  }
}

bool DatabaseO::OpenChecked(const std::string &fileName, AbortDlgO *progress, ReportO *report) {
  Done();
  Clear();
  fileName_ = fileName;
  const std::string ext = win1252::LowerCase(files::ExtractFileExt(fileName));
  if (ext == ".qcx") {
    native_ = true;
    const std::string base = Base(), qcx = base + ".qcx";
    if (!NoSpecialFile(SetFileNames(base)) || !DistinctFiles(SetFileNames(base))) return false;
    files::RemoveDeadTempSiblings(SetFileNames(base));
    const bool isNew = !files::FileExists(qcx);
    // A new set that fails to open leaves nothing behind.
    NewSetCleanup cleanup(base, isNew);
    if (!isNew) {
      // An unreadable B.qcx must not read as an empty description that
      // Close would then write.
      IniFile ini(qcx);
      if (ini.LoadFailed()) {
        ui::ShowMessage(Fill(CommonText::S_CouldNotReadDatabaseFile, {Path(qcx)}));
        return false;
      }
      description_ = ini.ReadString("Settings", "Description", "");
    }
    std::vector<GameStoreO::NameIds> names;
    if (!OpenStores(base, &names)) return false;
    // Links are written after the game's index entry: more linked games
    // than entries means the index lost entries.
    if (const int64_t linked = files::FileSize(base + ".bli") / 12; linked > games_.Count()) {
      ui::ShowMessage(Fill(CommonText::S_GamesFewerThanLinks,
                           {Path(games_.IndexFileName()), std::to_string(games_.Count()), Path(base + ".bli"),
                            std::to_string(linked)}));
      CloseStores(false);
      return false;
    }
    if (files::FileExists(base + ".key")) {
      // Keys never block a database: a damaged set is left as it is.
      bool keysOpened = false, keysDamaged = false;
      try {
        keysOpened = keyTree_.Open(base + ".key", static_cast<uint32_t>(games_.Count()));
        keysDamaged = keyTree_.WasDamaged();
      } catch (const std::exception &) {
        // A key file's size past any count: damage that must not refuse the games.
        keyTree_.Close();
        keysDamaged = true;
      }
      if (!keysOpened) {
        keysDamaged_ = keysDamaged;
        ui::ShowMessage(Fill(keysDamaged ? CommonText::S_KeysDamaged : CommonText::S_KeysNotOpened,
                             {Path(base + ".key")}));
      } else {
        hasKeys_ = true;
        InitKeyView();
        for (const std::string &file : keyTree_.Rebuilt())
          ui::ShowMessage(Fill(CommonText::S_KeyFileRebuilt, {Path(file)}));
      }
    }
    for (IndexManO *index : {&players_, &eventSites_, &annotators_}) index->SortAnewIfDamaged();
    if ((files::Exists(base + ".bli") || isNew) && !OpenBooster(base, &names)) {
      CloseStores(false);
      return false;
    }
    // Written at once, so a new database that never reaches Close is still
    // found and reopened as what it is.
    int err = 0;
    if (isNew && !files::WriteAllAtomic(qcx, "[Settings]\r\nDescription=\r\n", &err)) {
      ui::ShowMessage(Fill(CommonText::S_CouldNotWriteDatabaseFile, {Path(qcx), std::to_string(err)}));
      CloseStores(false);
      return false;
    }
    // The name files hold most game text; the games are not read.
    win1252::TextKind kind = win1252::TextKind::Ascii;
    for (const IndexManO *names : {&players_, &eventSites_, &annotators_})
      kind = win1252::Utf8Scan::Combine(kind, names->TextKind());
    encoding_ = win1252::EncodingOf(kind);
    cleanup.Disarm();
    open_ = true;
    return true;
  }
  if (ext == ".pgn") {
    native_ = false;
    // A file a folder on the way hides must not open as a new, empty one.
    if (const int err = files::StatError(fileName); err != 0 && err != ENOENT) {
      ui::ShowMessage(
          files::FailureText(Fill(CommonText::S_CouldNotReadPGNFile, {Path(fileName)}), fileName, err));
      return false;
    }
    if (!NoSpecialFile({fileName})) return false;
    files::RemoveDeadTempSiblings({fileName});
    const std::string setDir = WorkingSetDir();
    const std::string temp = GameStoreO::MakeTempBaseName(setDir);
    if (temp.empty()) {
      const int err = errno;
      ui::ShowMessage(
          files::FailureText(Fill(CommonText::S_NoTemporaryDatabase, {Path(fileName)}), setDir, err));
      return false;
    }
    tempBase_ = files::ChangeFileExt(temp, "");
    // Before any store file: a kill from here on leaves a set the next
    // start knows as one and removes, as it holds no change.
    WriteOwner(false);
    if (!OpenStores(tempBase_)) {
      CloseStores(true);
      return false;
    }
    open_ = true;
    openingImport_.opened = true;
    // Taken before the import reads it, so that a change made meanwhile counts.
    fileState_ = files::StateOf(fileName);
    if (files::Exists(fileName)) {
      importStopped_ = false;
      openingImport_ = ImportPgnFile(fileName, progress, report, false, false);
      // A file that cannot be read must not be written over by a set that
      // lacks its games: a failed open or read (the import said why), or a
      // temporary store that took none of them (the store said why). One
      // that stopped later is a cut set the write-back asks about.
      const bool noStore = importStopped_ && games_.Count() == 0;
      if (noStore) ui::ShowMessage(Fill(CommonText::S_NoTemporaryDatabase, {Path(fileName)}));
      if (!openingImport_.opened || openingImport_.readFailed || noStore) {
        modified_ = false;  // nothing of it is kept: no recovery file
        Done();
        return false;
      }
      encoding_ = win1252::EncodingOf(openingImport_.textKind);
    }
    // Said now rather than first at Close, after the work.
    if (files::NewFileRefused(fileName) != 0)
      ui::ShowMessage(Fill(CommonText::S_PGNFolderRefusesNewFile, {Path(fileName)}));
    else if (!files::MayWrite(fileName))
      ui::ShowMessage(Fill(CommonText::S_PGNWriteProtected, {Path(fileName)}));
    modified_ = false;
    RecordOwner();
    return true;
  }
  ui::Beep();
  ui::ShowMessage("DatabaseO.Open failed: Unknown file extension");
  return false;
}

int DatabaseO::WriteBackRefused() const {
  // The rename over the file needs only the folder's permission; a file
  // the user write-protected is kept so all the same.
  if (!files::MayWrite(fileName_)) return EACCES;
  // The write-back makes a new file beside it.
  return files::NewFileRefused(fileName_);
}

bool DatabaseO::WriteBackLoses() const {
  const PGNImportResult &r = openingImport_;
  return !r.Complete() || r.errors > 0 || r.commentsOutside;
}

bool DatabaseO::AskBeforeWriteBack() {
  const PGNImportResult &r = openingImport_;
  std::string text;
  if (!r.Complete() || r.errors > 0) {
    text = Fill(CommonText::S_PGNGamesLeftOut, {Path(fileName_), std::to_string(r.errors)});
    if (!r.Complete()) text += "\n" + CommonText::S_PGNImportStopped;
    if (r.errors > 0) text += "\n" + Fill(CommonText::S_PGNRefusedInLog, {Path(ImportLogPath())});
  }
  if (r.commentsOutside)
    text += text.empty() ? Fill(CommonText::S_PGNCommentsLeftOut, {Path(fileName_)})
                         : "\n" + CommonText::S_PGNCommentsLeftOutToo;
  text += "\n\n" + CommonText::S_PGNWriteBackQuestion;
  const int answer = ui::MessageDlg(text, ui::MsgType::Confirmation, ui::mbYesNoCancel, ui::mrCancel);
  if (answer == ui::mrCancel) return false;
  if (answer == ui::mrYes) return true;
  if (!SetChangesAside(true)) return false;
  writeBack_ = false;
  return true;
}

bool DatabaseO::AskWhenChangedOnDisk() {
  const std::string text =
      Fill(CommonText::S_PGNChangedOnDisk, {Path(fileName_)}) + "\n\n" + CommonText::S_PGNChangedOnDiskQuestion;
  const int answer = ui::MessageDlg(text, ui::MsgType::Confirmation, ui::mbYesNoCancel, ui::mrCancel);
  if (answer == ui::mrCancel) return false;
  if (answer == ui::mrYes) return true;
  if (!SetChangesAside(false)) return false;
  writeBack_ = false;
  return true;
}

namespace {

// The write-back's question before the file goes without games that cannot
// be written (a few of them named).
bool AskWriteWithout(const std::vector<std::string> &lines) {
  constexpr size_t kNamed = 10;
  std::string text = lines.size() == 1
                         ? CommonText::S_GameCannotBeWritten
                         : Fill(CommonText::S_GamesCannotBeWritten, {std::to_string(lines.size())});
  for (size_t i = 0; i < lines.size() && i < kNamed; ++i) text += "\n" + lines[i];
  if (lines.size() > kNamed) text += "\n...";
  return ui::MessageDlg(text, ui::MsgType::Confirmation, ui::mbYesNo, ui::mrNo) == ui::mrYes;
}

// No question is possible: the file keeps its games, the set goes to a
// recovery file.
bool NeverWithout(const std::vector<std::string> &) { return false; }

}  // namespace

void DatabaseO::RecordWrittenBack() {
  WriteOwner(false);
  if (afterWriteBack_) afterWriteBack_();
}

bool DatabaseO::Close(AbortDlgO *progress) {
  if (!open_) return true;
  if (native_) {
    IniFile qcx(Base() + ".qcx");
    qcx.WriteString("Settings", "Description", description_);
    int err = 0;
    if (!qcx.UpdateFile(&err))
      ui::ShowMessage(Fill(CommonText::S_CouldNotWriteDatabaseFile, {Path(qcx.FileName()), std::to_string(err)}));
    CloseStores(false);
    open_ = false;
    return true;
  }
  if (modified_) {
    writeBack_ = true;
    // The file as the user last agreed to write over it: compared again
    // just before the rename, so that a change made during the export is
    // asked about as well.
    files::FileState expected = fileState_;
    bool lossAsked = false;
    while (writeBack_) {
      if (!(files::StateOf(fileName_) == expected)) {
        if (!AskWhenChangedOnDisk()) return false;
        if (!writeBack_) break;
        expected = files::StateOf(fileName_);
      }
      if (!lossAsked && WriteBackLoses()) {
        lossAsked = true;
        if (!AskBeforeWriteBack()) return false;
        if (!writeBack_) break;
      }
      int err = WriteBackRefused();
      ExportResult r = ExportResult::Failed;
      if (err == 0) {
        ui::HourglassGuard hourglass;
        ExportOptions o = WholeSetExport(fileName_);
        o.progress = progress;
        o.err = &err;
        o.writeWithout = AskWriteWithout;
        o.beforeRename = [&] { return FileStill(expected); };
        r = ExportGames(o);
      }
      if (r == ExportResult::Refused) continue;
      if (r == ExportResult::Cancelled) return false;
      if (r == ExportResult::Done) RecordWrittenBack();
      if (r == ExportResult::Failed) {
        const std::string text = files::FailureText(
            Fill(CommonText::S_PGNWriteFailed, {Path(fileName_), std::to_string(err)}), fileName_, err);
        if (ui::MessageDlg(text, ui::MsgType::Error, ui::mbYesNo, ui::mrNo) != ui::mrYes) return false;
        if (!SetChangesAside(true)) return false;
      }
      break;
    }
  }
  files::Delete(tempBase_ + ".qcx");
  CloseStores(true);
  open_ = false;
  return true;
}

// The temporary set's folder tells a later start whose it is: the process,
// the PGN file, and whether the set holds changes the file does not.
void DatabaseO::RecordOwner() {
  if (tempBase_.empty()) return;
  WriteOwner(modified_);
  ownerRecorded_ = true;
}

void DatabaseO::WriteOwner(bool changed) {
  if (tempBase_.empty()) return;
  // The machine's name tells a later start whether the process can be
  // asked after: a home folder may be shared between machines. The boot
  // and the start time tell this process from a later one with its id.
  const int64_t started = files::ProcessStartTime(::getpid());
  files::WriteAllAtomic(files::ExtractFileDir(tempBase_) + kOwnerFile,
                        std::to_string(::getpid()) + "\n" + fileName_ + "\n" + (changed ? "1" : "0") + "\n" +
                            files::HostName() + "\n" + files::BootId() + "\n" +
                            (started < 0 ? std::string() : std::to_string(started)) + "\n");
}

void DatabaseO::MarkModified() {
  const bool first = !modified_;
  modified_ = true;
  if (first && ownerRecorded_) RecordOwner();
}

std::string DatabaseO::WorkingSetDir() {
  const std::string dir = dirs::GetStateDir();
  return dir.empty() ? dirs::GetTempDir() : dir;
}

int DatabaseO::RecoverLeftovers() {
  const std::string sets = WorkingSetDir(), temp = dirs::GetTempDir();
  int recovered = RecoverLeftovers(sets);
  if (!files::SameFile(sets, temp)) recovered += RecoverLeftovers(temp);
  return recovered;
}

namespace {

// Whether the folder holds nothing but files a working set makes (store
// files, the owner record, and temporary siblings of these).
bool OnlySetFiles(const std::string &dir) {
  std::vector<std::string> own = SetFileNames("games");
  own.push_back(kOwnerFile);
  std::error_code ec;
  for (const auto &e : std::filesystem::directory_iterator(dir, ec)) {
    if (!e.is_regular_file(ec) || e.is_symlink(ec)) return false;
    std::string name = e.path().filename().string();
    if (const size_t tmp = name.rfind(".tmp");
        tmp != std::string::npos && name.find_first_not_of("0123456789_", tmp + 4) == std::string::npos)
      name.resize(tmp);
    if (std::find(own.begin(), own.end(), name) == own.end()) return false;
  }
  return !ec;
}

// Whether the owner record's process still has the set. From this build on
// the record names the boot and the process's start time: a process id
// taken again by a later process, or one of an earlier boot, is not the
// owner. Without them a running process of that id counts as the owner.
bool OwnerRuns(const std::vector<std::string> &lines, int64_t pid, bool thisHost) {
  const std::string boot = files::BootId();
  if (thisHost && lines.size() > 5 && !lines[4].empty() && !lines[5].empty() && !boot.empty()) {
    if (lines[4] != boot || !files::ProcessRuns(pid)) return false;
    const int64_t started = files::ProcessStartTime(pid);
    // A process whose start cannot be read is taken as the owner.
    return started < 0 || std::to_string(started) == lines[5];
  }
  return files::ProcessRuns(pid);
}

}  // namespace

int DatabaseO::RecoverLeftovers(const std::string &tempDir, int64_t minAge) {
  int recovered = 0;
  for (const std::string &name : files::ListDirs(tempDir, "tvdb??????")) {
    const std::string dir = files::IncludeTrailingSlash(tempDir) + name + "/";
    std::string owner;
    int err = 0;
    if (!files::ReadAll(dir + kOwnerFile, owner, &err)) {
      // An earlier build wrote the record only after the opening import: a
      // set killed in it has none, and holds nothing the PGN file lacks.
      if (err == ENOENT && OnlySetFiles(dir) && files::SecondsSinceChange(dir) >= minAge) {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
      }
      continue;  // else not known as ours: left alone
    }
    // Process id, PGN file, changed flag and (from later builds on) host,
    // boot id and the process's start time.
    const std::vector<std::string> lines = ini::SplitLines(owner);
    if (lines.size() < 3) continue;
    const std::string &pid = lines[0], &pgn = lines[1];
    if (pid.empty() || pid.size() > 18 || pid.find_first_not_of("0123456789") != std::string::npos) continue;
    const bool thisHost = lines.size() > 3 && !lines[3].empty() && lines[3] == files::HostName();
    if (OwnerRuns(lines, std::stoll(pid), thisHost)) continue;
    // A set of this machine whose process is gone is ended for sure; one of
    // another machine, or of a build that named none, may still be in use
    // there and waits until nothing changed it for minAge.
    if (!thisHost && files::SecondsSinceChange(dir) < minAge) continue;
    if (lines[2] == "1") {
      DatabaseO db;
      db.fileName_ = pgn;
      db.tempBase_ = dir + "games";
      if (!db.OpenStores(db.tempBase_)) continue;
      db.open_ = true;
      db.modified_ = true;
      std::string reason;
      const bool saved = !db.WriteRecoveryFile(std::string(), true, RecoveryKind::KilledRun, &reason).empty();
      db.modified_ = false;
      // A set no recovery file could take stays for the next start, which
      // says so again.
      db.CloseStores(saved);
      db.open_ = false;
      if (!saved) {
        RecoveryFailures().push_back({pgn, reason, dir});
        continue;
      }
      ++recovered;
    } else {
      std::error_code ec;
      std::filesystem::remove_all(dir, ec);
    }
  }
  return recovered;
}

std::string DatabaseO::RecoveryListPath() { return dirs::GetWritableDir() + "recovered.txt"; }

namespace {

const char *const kRecoveryKindNames[] = {"game", "set", "killed", "nofile", "aside"};
static_assert(std::size(kRecoveryKindNames) == static_cast<size_t>(DatabaseO::kLastRecoveryKind) + 1,
              "one name for each recovery kind, in their order");

// "BASE SUFFIX.pgn" or the next free "BASE SUFFIX-2.pgn" ... in dir (with
// its trailing '/'), taken with an exclusive create so that no file is
// replaced. BASE alone is cut, never inside a character, so that the name
// fits in 255 bytes. The path; empty when the folder takes none, and then
// *tried is the last path tried and *err why it failed.
std::string ReserveNewPgnFile(const std::string &dir, const std::string &base, const std::string &suffix,
                              std::string *tried = nullptr, int *err = nullptr) {
  constexpr size_t kNameMax = 255;
  for (int n = 1; n <= 999; ++n) {
    const std::string tail = suffix + (n == 1 ? "" : "-" + std::to_string(n)) + ".pgn";
    const std::string name = dir + base.substr(0, win1252::Utf8Cut(base, kNameMax - tail.size())) + tail;
    BinFile reserve;
    if (reserve.Open(name, BinFile::Mode::CreateNew)) return name;
    if (tried) *tried = name;
    if (err) *err = reserve.Error();
    if (reserve.Error() != EEXIST) break;
  }
  return std::string();
}

bool AppendGameText(const std::string &path, const std::string &game, int *err = nullptr) {
  BinFile f;
  const std::string text = game + "\r\n";
  const bool ok =
      f.Open(path, BinFile::Mode::ReadWrite) && f.SeekEnd() && f.Write(text.data(), text.size()) && f.Flush();
  if (!ok && err) *err = f.Error();
  return ok;
}

// The recovery list without the lines of one recovery file.
void ForgetRecovery(const std::string &path) {
  const std::string list = DatabaseO::RecoveryListPath();
  std::string text, kept;
  if (!files::ReadAll(list, text)) return;
  for (const std::string &line : ini::SplitLines(text)) {
    const size_t tab = line.find('\t');
    const size_t tab2 = tab == std::string::npos ? tab : line.find('\t', tab + 1);
    if (tab != std::string::npos &&
        line.substr(tab + 1, tab2 == std::string::npos ? tab2 : tab2 - tab - 1) == path)
      continue;
    if (!line.empty()) kept += line + "\n";
  }
  if (kept.empty())
    files::Delete(list);
  else
    files::WriteAllAtomic(list, kept);
}

void RecordRecovery(const std::string &file, const std::string &path, DatabaseO::RecoveryKind kind) {
  BinFile list;
  const std::string line = file + "\t" + path + "\t" + kRecoveryKindNames[static_cast<int>(kind)] + "\n";
  if (list.Open(DatabaseO::RecoveryListPath(), BinFile::Mode::OpenAlways) && list.SeekEnd())
    list.Write(line.data(), line.size());
}

}  // namespace

std::string DatabaseO::WriteRecoveryFile(const std::string &extraGame, bool withSet, RecoveryKind kind,
                                         std::string *reason) {
  const std::string base = files::ExtractFileName(files::ChangeFileExt(fileName_, ""));
  std::string dirs[] = {files::ExtractFileDir(fileName_), dirs::GetWritableDir()};
  std::string why;
  for (std::string &dir : dirs) {
    if (dir.empty()) dir = ".";
    if (dir.back() != '/') dir += '/';
    std::string tried = dir;
    int err = 0;
    const std::string path = ReserveNewPgnFile(dir, base, ".recovered", &tried, &err);
    if (!path.empty()) {
      bool ok = !withSet || ExportDatabase(path, nullptr, &err) == ExportResult::Done;
      if (ok && !extraGame.empty()) ok = AppendGameText(path, extraGame, &err);
      if (ok) {
        RecordRecovery(fileName_, path, kind);
        return path;
      }
      files::Delete(path);
      tried = path;
    }
    why += (why.empty() ? "" : "; ") + Path(tried) + ": " +
           (err == 0 ? std::string("not written") : files::ErrorReason(err));
  }
  if (reason) *reason = why;
  return std::string();
}

std::vector<DatabaseO::RecoveryFailure> &DatabaseO::RecoveryFailures() {
  static std::vector<RecoveryFailure> failures;
  return failures;
}

std::vector<DatabaseO::RecoveryFailure> DatabaseO::TakeRecoveryFailures() {
  return std::exchange(RecoveryFailures(), {});
}

std::string DatabaseO::KeepGameWithoutFile(const std::string &game) {
  const std::string path = ReserveNewPgnFile(dirs::GetWritableDir(), "unsaved-game", "");
  if (path.empty()) return std::string();
  if (!AppendGameText(path, game)) {
    files::Delete(path);
    return std::string();
  }
  RecordRecovery(std::string(), path, RecoveryKind::GameWithoutFile);
  return path;
}

std::vector<DatabaseO::RecoveryNote> DatabaseO::TakeRecoveryNotes() {
  const std::string list = RecoveryListPath();
  std::vector<RecoveryNote> notes;
  std::string text;
  if (!files::ReadAll(list, text)) return notes;
  for (const std::string &line : ini::SplitLines(text)) {
    const size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    const size_t tab2 = line.find('\t', tab + 1);
    RecoveryNote note;
    note.file = line.substr(0, tab);
    note.recovery = line.substr(tab + 1, tab2 == std::string::npos ? std::string::npos : tab2 - tab - 1);
    if (tab2 != std::string::npos) {
      const std::string kind = line.substr(tab2 + 1);
      for (size_t k = 0; k < std::size(kRecoveryKindNames); ++k)
        if (kind == kRecoveryKindNames[k]) {
          note.hasKind = true;
          note.kind = static_cast<RecoveryKind>(k);
        }
    }
    notes.push_back(note);
  }
  files::Delete(list);
  return notes;
}

bool DatabaseO::SetChangesAside(bool mayDiscard) {
  std::string reason;
  const std::string path = WriteRecoveryFile(std::string(), true, RecoveryKind::SetAside, &reason);
  if (path.empty()) {
    if (!mayDiscard) {
      ui::ShowMessage(Fill(CommonText::S_NoRecoveryFile, {Path(fileName_)}));
      return false;
    }
    return ui::MessageDlg(Fill(CommonText::S_NoRecoveryFileQuestion, {reason}), ui::MsgType::Confirmation,
                          ui::mbYesNo, ui::mrNo) == ui::mrYes;
  }
  // Kept: a kill from here on leaves a set with nothing more to recover.
  modified_ = false;
  RecordOwner();
  ui::ShowMessage(Fill(CommonText::S_ChangesSetAside, {Path(fileName_), Path(path)}));
  // Said now; the list keeps it only for a run that ended during the message.
  ForgetRecovery(path);
  return true;
}

bool DatabaseO::FileStill(const files::FileState &expected) {
  if (writeBackFault_) writeBackFault_();
  return files::StateOf(fileName_) == expected;
}

std::string DatabaseO::CloseWithoutAsking(const std::string &unsavedGame) {
  if (!open_) return std::string();
  if (native_) {
    // Stored games are in place; only a game not stored is kept aside.
    const std::string recovered =
        unsavedGame.empty() ? std::string() : WriteRecoveryFile(unsavedGame, false, RecoveryKind::UnsavedGame);
    Close(nullptr);
    return recovered;
  }
  // A file another program changed since it was read is never written over.
  if (modified_ && !WriteBackLoses() && WriteBackRefused() == 0 && !ChangedOnDisk()) {
    int err = 0;
    ExportOptions o = WholeSetExport(fileName_);
    o.err = &err;
    o.writeWithout = NeverWithout;
    o.beforeRename = [this] { return FileStill(fileState_); };
    if (ExportGames(o) == ExportResult::Done) {
      modified_ = false;
      RecordWrittenBack();
    }
  }
  std::string recovered;
  if (modified_ || !unsavedGame.empty())
    recovered = WriteRecoveryFile(unsavedGame, modified_,
                                  modified_ ? RecoveryKind::NotWrittenBack : RecoveryKind::UnsavedGame);
  if (!recovered.empty()) modified_ = false;
  // A set still changed is kept by Done for a later recovery.
  Done();
  return recovered;
}

// ------------------------------------------------------------------ facts

int64_t DatabaseO::TotalSize() {
  int64_t total = games_.TotalSize() + players_.TotalSize() + eventSites_.TotalSize() + annotators_.TotalSize();
  if (HasSearchBooster()) total += booster_.TotalSize();
  return total;
}

void DatabaseO::InfoText(ReportO &report) {
  report.AddLine("Nr of games: " + std::to_string(GameCount()));
  report.AddLine("Nr of players: " + std::to_string(players_.Count()));
  report.AddLine("Nr of eventsites: " + std::to_string(eventSites_.Count()));
  report.AddLine("Nr of annotators: " + std::to_string(annotators_.Count()));
  report.AddNewLine();
  report.AddLine("Files:");
  report.AddLine("Games: " + std::to_string(games_.TotalSize()));
  report.AddLine("Players: " + std::to_string(players_.TotalSize()));
  report.AddLine("EventSites: " + std::to_string(eventSites_.TotalSize()));
  report.AddLine("Annotators: " + std::to_string(annotators_.TotalSize()));
  if (HasSearchBooster()) report.AddLine("SearchBooster: " + std::to_string(booster_.TotalSize()));
  const int64_t total = TotalSize();
  report.AddLine("Total size: " + std::to_string(total) + ", " +
                 std::to_string(GameCount() > 0 ? total / GameCount() : 0) + " bytes/game");
}

void DatabaseO::SetSearchBooster(bool on) {
  if (!open_) return;
  const std::string base = Base();
  if (on) {
    if (HasSearchBooster()) return;
    StoreCommand command(*this);
    booster_.Close();
    if (!booster_.Open(base + ".qcx")) return;
    hasBooster_ = true;
    boosterBroken_ = false;
    BuildBooster();
  } else {
    if (!hasBooster_) return;
    booster_.Close();
    for (const char *ext : {".bli", ".bpl", ".bes"}) files::Delete(base + ext);
    hasBooster_ = boosterBroken_ = false;
  }
}

// ------------------------------------------------------------------ games

bool DatabaseO::GetGameBuffer(int32_t n, GameBuffer &buf) { return games_.GetGame(n, buf); }

bool DatabaseO::ReadPgnText(int32_t n, uint8_t option, bool wrap, bool lineBreaks, std::string &out) {
  out.clear();
  return games_.GetGame(n, buffer_) && BufferPgnText(option, wrap, lineBreaks, out);
}

bool DatabaseO::BufferPgnText(uint8_t option, bool wrap, bool lineBreaks, std::string &out) {
  return GamePgnText(buffer_, option, wrap, lineBreaks, text_, out);
}

std::string DatabaseO::GetPgnText(int32_t n, uint8_t option, bool wrap, bool lineBreaks) {
  std::string text;
  ReadPgnText(n, option, wrap, lineBreaks, text);
  return text;
}

std::unique_ptr<GameO> DatabaseO::LoadGame(int32_t n, ParseResultT &result) {
  std::string text;
  const bool read = games_.GetGame(n, buffer_);
  if (!read || !BufferPgnText(0, false, false, text)) {
    result = ParseResultT{};
    result.ok = 0;
    result.errorLength = 1;
    // A read the store refused has said so, with the file and the reason:
    // one message per game.
    if (read) result.message = CommonText::S_CouldNotParseGame;
    return nullptr;
  }
  auto game = std::make_unique<GameO>();
  // Stored games hold English SAN whatever the notation language.
  if (!game->ReadFromString(text, LangEnglish, result)) return nullptr;
  game->TidyTags();
  game->SetModifiedState(0);
  return game;
}

std::unique_ptr<GameInfoO> DatabaseO::GetGameTags(int32_t n) {
  std::string tags;
  if (!games_.GetGame(n, buffer_) || !WriteTagsPGN(buffer_, true, tags)) return nullptr;
  auto info = std::make_unique<GameInfoO>();
  ReadHeaderFromString(*info, tags);
  info->SetGameNr(static_cast<uint32_t>(n));
  return info;
}

int32_t DatabaseO::SaveGame(int32_t n, GameO &game) {
  return SavePgnText(n, ToText(game, PgnOptions(80), LangEnglish));
}

int32_t DatabaseO::AddGame(GameO &game) { return SaveGame(-1, game); }

int32_t DatabaseO::SavePgnText(int32_t n, const std::string &game) {
  if (!open_) return 0;
  StoreCommand command(*this);
  if (n != -1 && (n < 1 || n > GameCount())) throw ERangeError();
  GameBuffer buf;
  // A game stored back in its place came from this file: its text keeps
  // its bytes (what was typed into it is in this encoding already). Only a
  // game from elsewhere is converted.
  const bool parsed =
      n == -1 ? PgnTextToBuffer(dbtext::TextInEncoding(game, encoding_), buf) : PgnTextToBuffer(game, buf);
  return parsed ? StoreGame(n, buf) : 0;
}

bool DatabaseO::PgnTextToBuffer(const std::string &text, GameBuffer &buf) {
  const PgnSplit split = PgnSplitGameText(text);
  std::string header = split.Header(text);
  const std::string moves = split.Moves(text);
  bool parsed = ParseGameTextIndexed(header + "\r\n" + moves, buf);
  // The stored text carries the count the reader took from the main line.
  if (parsed && header.find("QVNrOfMoves") == std::string::npos) {
    header += "\r\n[QVNrOfMoves \"" + std::to_string(buf.summary.moves) + "\"]\r\n";
    parsed = ParseGameTextIndexed(header + "\r\n" + moves, buf);
  }
  if (!parsed) ui::ShowMessage(CommonText::S_CouldNotParseGame);
  return parsed;
}

// Names first, then the record with its descriptor and its index entry
// (the store's order), the booster last: a refusal before the record leaves
// the count and every game as they were.
int32_t DatabaseO::StoreGame(int32_t n, const GameBuffer &buf, const GameDescriptor *counted) {
  GameDescriptor d;
  SearchBoosterO::Names old;
  if (n > 0) {
    if (!games_.ReadDescriptor(n, d)) return 0;
    old = {d.white, d.black, d.eventSite};
  }
  if (!BuildGameDescriptor(buf, text_.reader, players_, eventSites_, annotators_, d)) {
    ui::ShowMessage(CommonText::S_CouldNotParseGame);
    return 0;
  }
  if (counted) d.TakeCounts(*counted);
  if (!NamesStored(text_.reader, d)) return 0;
  int32_t nr = n;
  if (n > 0) {
    if (!games_.SaveGame(n, buf, d)) return 0;
  } else if ((nr = games_.AddGame(buf, d)) == 0) {
    return 0;
  }
  MarkModified();
  if (HasSearchBooster()) {
    const bool linked = n > 0 ? booster_.ReplaceGame(games_, n, old, {d.white, d.black, d.eventSite})
                              : booster_.AddGame(nr, d.white, d.eventSite, d.black);
    // The game is stored: its number is the answer, or a retry would store
    // it twice.
    if (!linked) BoosterRefused();
  }
  return nr;
}

bool DatabaseO::DeleteGame(int32_t n) {
  StoreCommand command(*this);
  if (!games_.DeleteGame(n)) return false;
  MarkModified();
  RemoveGameFromLists(n);
  return true;
}

bool DatabaseO::SetGameKey(uint32_t node, int32_t n, bool recount) {
  StoreCommand command(*this);
  return keyTree_.SetGameKey(node, static_cast<uint32_t>(n), recount);
}

// ------------------------------------------------------------------ syncing

DatabaseO::StoreCommand::~StoreCommand() {
  if (--db_.commandDepth_ == 0) db_.SyncStores();
}

bool DatabaseO::SyncStores() {
  if (!open_) return true;
  std::vector<BinFile *> set;
  games_.AddFiles(set);
  for (IndexManO *index : {&players_, &eventSites_, &annotators_}) index->AddFiles(set);
  booster_.AddFiles(set);
  // The keys hold their last changes in memory: they go out first.
  bool ok = !hasKeys_ || keyTree_.WriteHeld();
  if (hasKeys_) keyTree_.AddFiles(set);
  // Each folder where a file was made, with those files.
  std::vector<std::pair<std::string, std::vector<BinFile *>>> folders;
  bool said = false;
  auto failed = [&](const std::string &path, int err) {
    ok = false;
    // One message is enough to tell that the disk refuses.
    if (!said)
      ui::ShowMessage(
          files::FailureText("DatabaseO.SyncStores failed (" + std::to_string(err) + ")", path, err));
    said = true;
  };
  for (BinFile *f : set) {
    if (!f->IsOpen()) continue;
    if (!f->SyncData()) {
      failed(f->Path(), f->Error());
      continue;
    }
    if (f->TakeCreated()) {
      const std::string dir = files::ExtractFileDir(f->Path());
      auto at = std::find_if(folders.begin(), folders.end(), [&](const auto &e) { return e.first == dir; });
      if (at == folders.end()) at = folders.insert(folders.end(), {dir, {}});
      at->second.push_back(f);
    }
  }
  for (const auto &[dir, made] : folders) {
    int err = 0;
    if (files::SyncFolder(dir, &err)) continue;
    failed(dir, err);
    // The next command tries again.
    for (BinFile *f : made) f->NeedsSync();
  }
  // A PGN file's set lives in a folder of its own, new in its parent.
  if (!tempBase_.empty() && !setFolderSynced_) {
    std::string setFolder = files::ExtractFileDir(tempBase_);
    if (!setFolder.empty()) setFolder.pop_back();
    const std::string parent = files::ExtractFileDir(setFolder);
    int err = 0;
    if (files::SyncFolder(parent, &err))
      setFolderSynced_ = true;
    else
      failed(parent, err);
  }
  return ok;
}

// ------------------------------------------------------------------ progress

void DatabaseO::ReportProgress(const std::string &text, AbortDlgO *progress) {
  if (progress) {
    progress->SetMessage(text);
    ui::ProcessMessages();
  } else if (status_) {
    status_(text);
  }
}

void DatabaseO::ProgressText(double fraction, int count, const std::string &prefix, AbortDlgO *progress) {
  const long percent = std::lround(fraction * 100.0);
  ReportProgress(prefix + "[" + std::to_string(percent) + "%, " + std::to_string(count) + " " +
                     CommonText::S_Games + "]",
                 progress);
}
