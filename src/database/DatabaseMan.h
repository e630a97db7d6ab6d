#pragma once
// The one open game database: a native file set (B.qcx and its companions)
// or a PGN file held in a temporary native set and written back on Close.
// It owns the game store, the three name indexes, the optional key tree and
// the optional search booster. Games travel between the chess core's game
// object and the store as PGN text; the stored form reads and writes SAN
// with the English letters only.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "chess/ParsePGN.h"
#include "database/DatabaseManLists.h"
#include "database/GameStoreMan.h"
#include "database/IndexMan.h"
#include "database/DatabaseManTrees.h"
#include "database/KeyTreeMan.h"
#include "database/PGNFileMan.h"
#include "database/PgnRender.h"
#include "database/QZUtils.h"
#include "database/SearchBoosterMan.h"
#include "foundation/comDlgAbort.h"
#include "platform/Files.h"

class AbortDlgO;
class GameInfoO;
class GameO;
class ReportO;

// Where one game's PGN text splits (offsets into the text, end inclusive;
// npos when the part is absent) and the last move number of its move text.
struct PgnSplit {
  static constexpr size_t npos = std::string::npos;
  size_t headerStart = npos, headerEnd = npos;
  size_t movesStart = npos, movesEnd = npos;
  int lastMoveNumber = 0;
  std::string Header(const std::string &text) const;
  std::string Moves(const std::string &text) const;
};

// One pass over the text: tags in brackets (a backslash in a tag value
// takes the next '"' or '\' with it), the move text after them, comments in
// braces. A "[" in the move text ends the game there.
PgnSplit PgnSplitGameText(const std::string &text);
// The number before the last "." that follows a digit at variation depth 0,
// scanning back and skipping comments and variations; 0 when none.
int PgnLastMoveNumber(const std::string &moves);
// The last run of digits followed by "." anywhere in the text; 0 when none.
int PgnLastNumberBeforeDot(const std::string &moves);
// CR and LF become blanks when option is not 0; otherwise the text as is.
std::string LineBreaksToSpaces(const std::string &text, uint8_t option);

class DatabaseO {
 public:
  using StatusCallback = std::function<void(const std::string &text)>;

  DatabaseO() { Init({}); }
  ~DatabaseO() { Done(); }
  DatabaseO(const DatabaseO &) = delete;
  DatabaseO &operator=(const DatabaseO &) = delete;

  // A command that stores. When the outermost one ends, however it ends,
  // what the command wrote reaches the disk: one sync of each file of the
  // set it changed, and of the folder where it made a file. Every call
  // below that stores holds one; a caller that stores more than once holds
  // one around them all, so that its command syncs once.
  class StoreCommand {
   public:
    explicit StoreCommand(DatabaseO &db) : db_(db) { ++db_.commandDepth_; }
    ~StoreCommand();
    StoreCommand(const StoreCommand &) = delete;
    StoreCommand &operator=(const StoreCommand &) = delete;

   private:
    DatabaseO &db_;
  };

  void Init(StatusCallback status);
  // Closes every store without writing a PGN file back; a temporary set
  // is removed. A changed one that no Close wrote back goes to a recovery
  // file first (WriteRecoveryFile), never over the user's file.
  void Done();
  // The end without questions (a logout that allows none): a changed PGN
  // file is written back when its opening import read everything and left
  // nothing out, no other program changed it since and every game of the
  // set can be written, else its set goes to a recovery file and the file
  // keeps its bytes. unsavedGame (PGN text, may be empty) never goes into the
  // user's file: it goes into the recovery file. The recovery file's path,
  // empty when none was written.
  std::string CloseWithoutAsking(const std::string &unsavedGame);
  // What a recovery file holds, for the next start to say.
  enum class RecoveryKind {
    UnsavedGame,      // the game not stored; the file is as the user left it
    NotWrittenBack,   // the file is unchanged; its games with the changes
    KilledRun,        // the same, found after a run that was killed
    GameWithoutFile,  // the game being entered with no file open
    SetAside,         // the user closed without writing back; said at once
  };
  // Kept the last kind: the recovery list's names are counted to it.
  static constexpr RecoveryKind kLastRecoveryKind = RecoveryKind::SetAside;
  // The temporary set (when withSet) and the extra game text in a new file
  // beside the PGN file, "NAME.recovered.pgn" or the next free
  // "NAME.recovered-2.pgn" ... (NAME cut, on a character boundary, so that
  // the name fits in 255 bytes), in the writable directory when the file's
  // folder refuses; never over an existing file. The path, recorded in
  // RecoveryListPath() for the next start; empty when nothing was written,
  // and then *reason (when given) names each path tried and why it failed.
  std::string WriteRecoveryFile(const std::string &extraGame, bool withSet, RecoveryKind kind,
                                std::string *reason = nullptr);
  // A game typed with no file open, at an end without questions: into a
  // new "unsaved-game.pgn" (or the next free "unsaved-game-2.pgn" ...) in
  // the writable directory, recorded like a recovery file. The path;
  // empty when nothing was written.
  static std::string KeepGameWithoutFile(const std::string &game);
  // Lines "PGN file TAB recovery file TAB kind" of the recoveries not yet
  // reported (an older build wrote the first two fields alone).
  static std::string RecoveryListPath();
  struct RecoveryNote {
    std::string file, recovery;
    bool hasKind = false;  // false for a line of an older build
    RecoveryKind kind = RecoveryKind::NotWrittenBack;
  };
  // The recovery list's lines, and the list gone: each is said once.
  static std::vector<RecoveryNote> TakeRecoveryNotes();
  // A changed set of a killed run that no folder took as a recovery file:
  // it stays where it is, and every start says so until it is recovered.
  struct RecoveryFailure {
    std::string file, reason, setFolder;
  };
  // The failures of RecoverLeftovers since the last call.
  static std::vector<RecoveryFailure> TakeRecoveryFailures();
  // Where PGN files' working sets go: the state directory, which a reboot
  // keeps; the temporary directory when that cannot be made.
  static std::string WorkingSetDir();
  // The working sets in tempDir that a process no longer running left
  // (this machine's at once, one whose owner record names this boot, the
  // process id and its start time counting as running only while all
  // three match; another machine's, or one whose owner record names none,
  // when its files are unchanged for minAge seconds: a home folder may be
  // shared between machines): one that was never changed is removed, a
  // changed one goes to a recovery file beside its PGN file
  // (WriteRecoveryFile) and then goes. A folder without the owner record
  // (an earlier build's import was killed) is removed when it holds only a
  // set's own files, unchanged for minAge; any other is left alone. The
  // number of recovery files written; a set no recovery file took is kept
  // and noted for TakeRecoveryFailures.
  static int RecoverLeftovers(const std::string &tempDir, int64_t minAge = 24 * 60 * 60);
  // The same for the working set directory and the temporary directory,
  // where earlier builds made the sets.
  static int RecoverLeftovers();

  // A ".qcx" (native) or ".pgn" file, the extension in any case. False,
  // with nothing left open, when a store fails to open or the PGN file
  // cannot be read; a key set that fails only leaves the database without
  // keys. importReport is cleared (no import report is shown).
  // Never throws: a value on disk the program cannot hold closes what was
  // opened and answers false after saying the file is damaged.
  bool Open(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool &importReport);
  // Writes a changed PGN file back (asking first when another program
  // changed it since it was read, when the import that opened it left games
  // out, and before the file goes without games of the set that cannot be
  // written) and removes the temporary set. False, with
  // everything as it was, when the write was cancelled or failed and the
  // user keeps the file open. A closed database answers true.
  bool Close(AbortDlgO *progress);
  bool IsOpen() const { return open_; }

  int64_t TotalSize();
  void InfoText(ReportO &report);
  const std::string &GetDescription() const { return description_; }
  void SetDescription(const std::string &text) { description_ = text; }
  // Maintained and sound: after a refused booster write it answers false
  // until the database is opened again (which rebuilds it).
  bool HasSearchBooster() const { return hasBooster_ && !boosterBroken_; }
  void SetSearchBooster(bool on);
  bool IsModified() const { return modified_; }
  bool HasKeys() const { return hasKeys_; }
  const std::string &FileName() const { return fileName_; }
  // Whether path, by any name or link, is the open PGN file or a file of
  // the open set (a PGN file's temporary one included).
  bool IsFileOfDatabase(const std::string &path) const;
  const std::string &TempBaseName() const { return tempBase_; }
  // The import that opened a PGN file (not replaced by later imports).
  const PGNImportResult &OpeningImport() const { return openingImport_; }
  // The text encoding of the open file, decided at open: Windows-1252 when
  // its game text (a PGN file's bytes, a database's names) holds bytes that
  // are not valid UTF-8, else UTF-8. Games added or imported are converted
  // into it.
  win1252::TextEncoding TextEncoding() const { return encoding_; }

  int32_t GameCount() const { return games_.Count(); }
  int32_t GameNrOf(int32_t i) const { return games_.GameNrOf(i); }
  int32_t IndexOfGame(int32_t n) const { return games_.IndexOfGame(n); }
  bool GameIsDeleted(int32_t n) { return games_.GameIsDeleted(n); }
  int32_t NextGameNr(int32_t n) const { return games_.NextGameNr(n); }
  int32_t PrevGameNr(int32_t n) const { return games_.PrevGameNr(n); }

  // Game n packed into buf; false (buf empty) when it cannot be read.
  bool GetGameBuffer(int32_t n, GameBuffer &buf);
  // Game n read with the English letters; null, with the parse result
  // telling why, when it cannot be read (its message empty when the store
  // refused the read and has said why).
  std::unique_ptr<GameO> LoadGame(int32_t n, ParseResultT &result);
  // Tags as PGN lines, an empty line, the move text; empty when game n
  // cannot be read.
  std::string GetPgnText(int32_t n, uint8_t option, bool wrap, bool lineBreaks);
  std::unique_ptr<GameInfoO> GetGameTags(int32_t n);
  // The tags list rows and sort keys read: a game with neither "PlyCount"
  // nor "QVNrOfMoves" gets its descriptor's move count as "QVNrOfMoves".
  std::unique_ptr<GameInfoO> GameListTags(int32_t n);
  // Replaces game n / appends; the game's number, or 0 when nothing was
  // stored (a message has been shown). A game replaced (game n of this
  // file) keeps the bytes of its text; a game appended (from elsewhere) has
  // its text converted into TextEncoding().
  int32_t SaveGame(int32_t n, GameO &game);
  int32_t AddGame(GameO &game);
  // n = -1 appends.
  int32_t SavePgnText(int32_t n, const std::string &text);
  bool DeleteGame(int32_t n);

  void ReportProgress(const std::string &text, AbortDlgO *progress);
  void ProgressText(double fraction, int count, const std::string &prefix, AbortDlgO *progress);

  // ---- Import, export and classification (DatabaseManImport.cpp) ----
  // One file into the open database by its extension in any case: ".pgn"
  // through the PGN importer (the two flags are its keep-log-open and
  // append-to-log), ".qcx" game by game from a second database, ".imp" a
  // list of file names. False when nothing was imported: an unknown
  // extension, a source that does not open or exist, the open database
  // itself, a list that cannot be read (each has said why). A game this
  // database refuses, like a cancel, ends the import and any list it is
  // part of; the games stored stay, names are sorted and key totals
  // recounted as after a whole run.
  bool ImportDatabase(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool keepLogOpen,
                      bool appendToLog, bool &resultFlag);
  // The files of a list, in name order (ASCII letters folded); a name that
  // is not a file gets "File not found: " in the report. The importer's
  // error log runs from the first PGN file to the end of the list.
  bool ImportDatabase(const std::vector<std::string> &list, AbortDlgO *progress, ReportO *report,
                      bool &resultFlag);
  // Refused: the check just before the rename answered false.
  enum class ExportResult { Done, Cancelled, Failed, Refused };
  // An export leaves out a game that cannot be read or turned into PGN and
  // goes on; the games left out are named in the error log (and the
  // report) once the file is written. Before the file is put in place,
  // writeWithout (when given) is asked with their lines whether the file
  // may go without them: false answers Cancelled, the file as it was.
  using SkipQuestion = std::function<bool(const std::vector<std::string> &lines)>;
  // One export: games 1..count by gameAt (a game number each), what the
  // progress dialog shows, where the error code and the lines of games left
  // out go, and the questions before the file is put in place.
  struct ExportOptions {
    std::string fileName;
    int32_t count = 0;
    std::function<int32_t(int32_t)> gameAt;
    std::function<std::string(int32_t)> progressText;
    AbortDlgO *progress = nullptr;
    int *err = nullptr;
    ReportO *report = nullptr;
    SkipQuestion writeWithout;
    // Asked once the file is written and synced, just before the rename:
    // false answers Refused, the file as it was.
    std::function<bool()> beforeRename;
  };
  ExportResult ExportDatabase(const std::string &fileName, AbortDlgO *progress, int *err = nullptr,
                              const SkipQuestion &writeWithout = {});
  // The games of list slot s in row order, deleted ones left out. A failed
  // write is shown; a cancel or a failure leaves the file as it was. The
  // open file or a file of the open set is refused with a message and not
  // touched. ERangeError for a slot not in use, before anything is written.
  ExportResult ExportGameList(const std::string &fileName, int s, AbortDlgO *progress, int *err = nullptr,
                              ReportO *report = nullptr);
  // The importer's game callback: the new game's number, or 0. counted:
  // the move count and move flags the new game's descriptor takes.
  int32_t AddAndClassifyGame(const GameBuffer &buf, AbortDlgO *progress,
                             const GameDescriptor *counted = nullptr);

  // The key set from the program's defaults (the root alone without
  // defaults), opened with its key view; existing games stay unkeyed.
  // True at once when there are keys; false, with a message, while a file
  // of the set is there without keys open or when the set cannot be made.
  // When this open found the keys damaged it asks first (DeleteDamagedKeys).
  bool CreateKeys();
  // When this open found the keys damaged, asks whether to delete them and
  // make new keys, and deletes them on Yes. False when the answer was No
  // (nothing changes) or a file could not be deleted (said); true at once
  // otherwise. A set that failed to open for another reason, or key files
  // without a ".key" (which no open reads, and may not be ours), are never
  // deleted: CreateKeys refuses them.
  bool DeleteDamagedKeys();
  bool ExportKeysText(const std::string &fileName);
  // Every game keyed by its classification (the root when none). A cancel
  // keeps the games done; totals are recounted on every way out. False
  // when a store refused (it has said why) or without keys.
  bool ClassifyAllGames(AbortDlgO *progress);
  // The key of stored game n (0 without keys or when it cannot be read).
  uint32_t ClassifyGameNr(int32_t n, int &ply);
  uint32_t KeyOfBoard(const PositionO &board) { return hasKeys_ ? keyTree_.KeyOfBoard(board) : 0; }

  // ---- List views (DatabaseManLists.cpp) ----
  // Game lists, slots 1..25. Slot 0, a number past the kind's slots or a
  // free slot raises ERangeError before anything changes; so does a row
  // outside 1..count. Row texts stay valid until the slot's next request.
  // New... answers 0 when every slot of the kind is in use.
  int NewGameList();
  int NewAllGamesList();
  void FreeGameList(int s);
  void ClearGameList(int s);
  int32_t GameListCount(int s);
  int32_t GameListGameNr(int s, int32_t i);
  // The first row holding n; 0 when none does.
  int32_t GameListIndexOf(int s, int32_t n);
  bool GameListIsDeleted(int s, int32_t i);
  const RowTextsT &GameListRowTexts(int s, int32_t i);
  ListColumnsO &GameListColumns(int s);
  void GameListChanged(int s);
  // Stores the kind and sorts the rows by it (a list for all games keeps
  // the store's order).
  void SetGameListSort(int s, int kind);
  // The game after / before n in the list; 0 at the ends and for a game
  // the list does not hold.
  int32_t GameListNext(int s, int32_t n);
  int32_t GameListPrev(int s, int32_t n);
  // Bulk fills switch sorting off and append; switching it on again sorts
  // the rows once (not for kind 0, which keeps the order of adding).
  void SortGameListByNumber(int s);
  void SortGameListByColumn(int s);
  // ERangeError for n outside 1..GameCount().
  void AddGameToList(int s, int32_t n);

  // ---- Game search (DatabaseManSearch.cpp) ----
  // Replaces the target list's rows by the games that match the criteria
  // (none or empty criteria: every game untested), in the order they are
  // met, sorting off. A within slot that holds a found list is searched in
  // its row order; 0 or a list for all games searches the database, along
  // the booster's chains when it is kept and the criteria name players or
  // events/sites. A cancel keeps the rows found so far. ERangeError before
  // anything changes for a target that is 0, free or the within slot, and
  // for a within slot that is not in use.
  void SearchGames(const GameSearchMaskO *criteria, int target, int within, AbortDlgO *progress);
  // The games the last search met (tested or passed over on a chain).
  int64_t SearchGamesMet() const { return searchMet_; }

  // Name lists, slots 1..10 each; a list for all names counts the index's
  // names in id order.
  int NewPlayerList() { return playerLists_.New(false); }
  int NewAllPlayersList() { return playerLists_.New(true); }
  void FreePlayerList(int s) { playerLists_.Free(s); }
  int32_t PlayerListCount(int s) { return playerLists_.Count(s); }
  const RowTextsT &PlayerListRowTexts(int s, int32_t i) { return playerLists_.RowTexts(s, i); }
  int32_t PlayerListItem(int s, int32_t i) { return playerLists_.Item(s, i); }
  int32_t PlayerListIndexOf(int s, int32_t id) { return playerLists_.IndexOf(s, id); }
  ListColumnsO &PlayerListColumns(int s) { return playerLists_.Columns(s); }
  void PlayerListChanged(int s) { playerLists_.Changed(s); }
  void SetPlayerListSort(int s, int kind) { playerLists_.SetSort(s, kind); }

  int NewEventSiteList() { return eventSiteLists_.New(false); }
  int NewAllEventSitesList() { return eventSiteLists_.New(true); }
  void FreeEventSiteList(int s) { eventSiteLists_.Free(s); }
  int32_t EventSiteListCount(int s) { return eventSiteLists_.Count(s); }
  const RowTextsT &EventSiteListRowTexts(int s, int32_t i) { return eventSiteLists_.RowTexts(s, i); }
  int32_t EventSiteListItem(int s, int32_t i) { return eventSiteLists_.Item(s, i); }
  int32_t EventSiteListIndexOf(int s, int32_t id) { return eventSiteLists_.IndexOf(s, id); }
  ListColumnsO &EventSiteListColumns(int s) { return eventSiteLists_.Columns(s); }
  void EventSiteListChanged(int s) { eventSiteLists_.Changed(s); }
  void SetEventSiteListSort(int s, int kind) { eventSiteLists_.SetSort(s, kind); }

  int NewAnnotatorList() { return annotatorLists_.New(false); }
  int NewAllAnnotatorsList() { return annotatorLists_.New(true); }
  void FreeAnnotatorList(int s) { annotatorLists_.Free(s); }
  int32_t AnnotatorListCount(int s) { return annotatorLists_.Count(s); }
  const RowTextsT &AnnotatorListRowTexts(int s, int32_t i) { return annotatorLists_.RowTexts(s, i); }
  int32_t AnnotatorListItem(int s, int32_t i) { return annotatorLists_.Item(s, i); }
  int32_t AnnotatorListIndexOf(int s, int32_t id) { return annotatorLists_.IndexOf(s, id); }
  ListColumnsO &AnnotatorListColumns(int s) { return annotatorLists_.Columns(s); }
  void AnnotatorListChanged(int s) { annotatorLists_.Changed(s); }
  void SetAnnotatorListSort(int s, int kind) { annotatorLists_.SetSort(s, kind); }

  // The stores, for the list views, searches and key commands.
  GameStoreO &GameStore() { return games_; }
  IndexManO &Players() { return players_; }
  IndexManO &EventSites() { return eventSites_; }
  IndexManO &Annotators() { return annotators_; }
  KeyTreeO &KeyTree() { return keyTree_; }
  // The key tree's classification of one game, for the main window.
  uint32_t ClassifyLine(GameO &game, bool fromEnd, int &ply) { return keyTree_.ClassifyLine(game, fromEnd, ply); }
  uint32_t GetGameKey(int32_t n) { return keyTree_.GetGameKey(static_cast<uint32_t>(n)); }
  bool SetGameKey(uint32_t node, int32_t n, bool recount);

  // ---- Tree views and the key view (DatabaseManTrees.cpp) ----
  // Tree views 1..10 over the first 2000 games of a game list (deleted
  // games included). 0 when all ten are in use. A view number not in use,
  // a row outside 1..count or a move index outside the node's moves raises
  // ERangeError. Every step and sort refreshes the move rows.
  int NewTreeView(int sourceList);
  void FreeTreeView(int v) { treeViews_.Free(v); }
  // The games the view's tree holds, and whether adding stopped because
  // the tree was full.
  int32_t TreeGameCount(int v) { return treeViews_.GameCount(v); }
  bool TreeStoppedFull(int v) { return treeViews_.StoppedFull(v); }
  // Tests: the arena limit of the tree views made from now on (0: none).
  void SetTreeArenaLimitForTests(uint32_t bytes) { treeViews_.SetArenaLimit(bytes); }
  // Tests: what an import lets wait in memory before a checkpoint writes it.
  void SetWaitingLimitForTests(uint64_t bytes) { waitingLimit_ = bytes; }
  // Tests: runs in the write-back just before the file is compared with
  // what was read, between the export and the rename.
  void SetWriteBackFaultForTests(std::function<void()> f) { writeBackFault_ = std::move(f); }
  // Called right after a successful write-back, before the set goes.
  void SetAfterWriteBackForTests(std::function<void()> f) { afterWriteBack_ = std::move(f); }
  void TreeStatisticsText(int v, StrListO &out) { treeViews_.Tree(v).StatisticsText(out); }
  const MailboxPos &TreeBoard(int v) { return treeViews_.Tree(v).CurrentBoard(); }
  const MoveListO &TreePathMoves(int v) { return treeViews_.Tree(v).PathMoves(); }
  int TreeMoveCount(int v) { return treeViews_.Tree(v).MoveCount(); }
  Move2 TreeGetMove(int v, int i) { return treeViews_.Tree(v).GetMove(i); }
  bool TreeGoMove(int v, int i) { return treeViews_.GoMove(v, i); }
  bool TreeCanGoBack(int v) { return treeViews_.Tree(v).CanGoBack(); }
  bool TreeGoBack(int v) { return treeViews_.GoBack(v); }
  void TreeGoRoot(int v) { treeViews_.GoRoot(v); }
  bool TreeHasMove(int v, Move2 m) { return treeViews_.Tree(v).HasMove(m); }
  int TreeIndexOfMove(int v, Move2 m) { return treeViews_.Tree(v).IndexOfMove(m); }
  void TreeMoveStats(int v, int i, uint32_t &games, uint32_t &whiteWins, uint32_t &blackWins) {
    treeViews_.MoveStats(v, i, games, whiteWins, blackWins);
  }
  int TreeGameListCount(int v) { return treeViews_.Tree(v).GameListCount(); }
  int32_t TreeGameListItem(int v, int i) { return static_cast<int32_t>(treeViews_.Tree(v).GameListItem(i)); }
  int TreeSelectedMove(int v) { return treeViews_.Tree(v).SelectedMove(); }
  void TreeSetSelectedMove(int v, int i) { treeViews_.SetSelectedMove(v, i); }
  int32_t TreeRowCount(int v) { return treeViews_.RowCount(v); }
  const RowTextsT &TreeRowTexts(int v, int32_t row) { return treeViews_.RowTexts(v, row); }
  // The move index of row i: a tree view's rows stand for moves.
  int32_t TreeRowGameNr(int v, int32_t row) { return treeViews_.RowMove(v, row); }
  // The row of move index i; 0 when absent.
  int32_t TreeRowOfGame(int v, int32_t i) { return treeViews_.RowOfMove(v, i); }
  ListColumnsO &TreeColumns(int v) { return treeViews_.Columns(v); }
  void TreeListChanged(int v) { treeViews_.Columns(v); }
  void SetTreeSort(int v, int kind) { treeViews_.SetSort(v, kind); }

  // The key view over the key tree's current node: child rows, then game
  // rows. It exists while the database has keys; without it every Key...
  // operation raises ERangeError.
  void InitKeyView();
  void FreeKeyView() { keyView_.Free(); }
  bool HasKeyView() const { return keyView_.Exists(); }
  int32_t KeyRowCount() { return keyView_.RowCount(); }
  const RowTextsT &KeyRowText(int32_t row) { return keyView_.RowText(row); }
  bool KeyRowIsDeletedGame(int32_t row) { return keyView_.RowIsDeletedGame(row); }
  bool KeyRowIsChild(int32_t row) { return keyView_.RowIsChild(row); }
  int32_t KeyRowGameNr(int32_t row) { return keyView_.RowGameNr(row); }
  int32_t KeyRowOfGame(int32_t n) { return keyView_.RowOfGame(n); }
  ListColumnsO &KeyColumns() { return keyView_.Columns(); }
  void KeyListChanged() { keyView_.Changed(); }
  void SetKeySort(int kind) { keyView_.SetSort(kind); }
  int32_t KeyNextGame(int32_t n) { return keyView_.NextGame(n); }
  int32_t KeyPrevGame(int32_t n) { return keyView_.PrevGame(n); }
  // A new game list holding the key's games in row order; 0 when no game
  // list is free.
  int KeyGamesToList();
  bool KeyHasParent() { return keyView_.HasParent(); }
  bool KeyGoParent() { return keyView_.GoParent(); }
  bool KeyGoChild(int32_t row) { return keyView_.GoChild(row); }
  void KeyGoNode(uint32_t node) { keyView_.GoNode(node); }
  int KeyGetSiblingIndex() { return keyView_.GetSiblingIndex(); }
  void KeySetSiblingIndex(int32_t row) { keyView_.SetSiblingIndex(row); }
  bool KeyUpdateSiblingIndexes() { return keyView_.UpdateSiblingIndexes(); }
  int KeyChildPositionCount(int32_t row) { return keyView_.ChildPositionCount(row); }
  bool KeyChildGetPosition(int32_t row, int j, PositionO &board) { return keyView_.ChildGetPosition(row, j, board); }
  uint32_t KeyChildGetPositionRecord(int32_t row, int j) { return keyView_.ChildGetPositionRecord(row, j); }
  SearchBoosterO &SearchBooster() { return booster_; }

  // Set by the owner from the options.
  bool ClassifyOnImport = true;

 private:
  void Clear();
  void CloseStores(bool remove);
  // With names, a native set's open: the game store checks every game's
  // name ids (and gives them in names for the booster's check), and
  // damaged name files refuse it after a message.
  bool OpenStores(const std::string &base, std::vector<GameStoreO::NameIds> *names = nullptr);
  bool NameFilesFit(const std::string &base);
  // With names, links and heads that differ from what they make are
  // damage: the booster is built anew, saying so.
  bool OpenBooster(const std::string &base, const std::vector<GameStoreO::NameIds> *names);
  // Builds the booster, says once how many games it had to leave out;
  // false after a failure, the booster then refused (BoosterRefused).
  bool BuildBooster();
  bool OpenChecked(const std::string &fileName, AbortDlgO *progress, ReportO *report);
  int32_t StoreGame(int32_t n, const GameBuffer &buf, const GameDescriptor *counted = nullptr);
  void BoosterRefused();
  bool ReadPgnText(int32_t n, uint8_t option, bool wrap, bool lineBreaks, std::string &out);
  bool ImportOne(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool keepLogOpen,
                 bool appendToLog, bool &resultFlag);
  // The text of the game in buffer_.
  bool BufferPgnText(uint8_t option, bool wrap, bool lineBreaks, std::string &out);
  // A game's PGN text packed as it is (a caller that brings a game from
  // elsewhere converts it first); false after a message when it does not
  // parse.
  bool PgnTextToBuffer(const std::string &text, GameBuffer &buf);
  // convert: game text into the database's encoding (an import into it,
  // not the reading of the PGN file opened).
  PGNImportResult ImportPgnFile(const std::string &fileName, AbortDlgO *progress, ReportO *report,
                                bool keepLogOpen, bool appendToLog, bool convert = false);
  bool ImportFromDatabase(const std::string &fileName, AbortDlgO *progress, ReportO *report);
  bool ImportImpFile(const std::string &fileName, AbortDlgO *progress, ReportO *report, bool &resultFlag);
  bool ImportFileList(const std::vector<std::string> &list, AbortDlgO *progress, ReportO *report,
                      bool &resultFlag);
  void BeginImport(bool classify);
  void EndImport(bool classify);
  // A bulk import's store writes wait in memory: names, then games, then
  // the booster reach the files in that order, at a checkpoint when too
  // much waits, before a game's key is written and at the import's end.
  void BeginWrites();
  // Writes what waits. A failure is shown, drops what still waits, takes
  // every store's state from its files again and stops the import: false.
  bool FlushWrites();
  void EndWrites();
  bool ImportStopped(AbortDlgO *progress) const { return importStopped_ || (progress && progress->Cancelled()); }
  bool IsThisDatabase(const std::string &qcx) const;
  ExportResult ExportGames(const ExportOptions &o);
  // Every game of the set into fileName, in store order.
  ExportOptions WholeSetExport(const std::string &fileName);
  // The line naming game n (number, players) left out of fileName: one
  // that did not read, or (read) one that read and did not render.
  std::string GameLeftOutLine(int32_t n, bool read, const std::string &fileName);
  // False for Cancel; otherwise writeBack_ holds the answer.
  // The temporary set's owner record; every change marks it.
  void RecordOwner();
  // The end of a command that stores (StoreCommand); false after a message
  // when a file could not be synced.
  bool SyncStores();
  // The record itself, changed or not: written before the opening import,
  // so that a kill during it leaves a set the next start removes.
  void WriteOwner(bool changed);
  // After a write-back the set holds nothing the file lacks: a kill before
  // it is removed must not make a recovery file.
  void RecordWrittenBack();
  void MarkModified();
  // 0 when the PGN file may be written back, else the reason: the file is
  // write-protected (EACCES), or its folder allows no new file.
  int WriteBackRefused() const;
  // The opening import left out something a write-back would lose.
  bool WriteBackLoses() const;
  // The PGN file is not what was read at open: another program, or a
  // second copy of this one, wrote or replaced it since.
  bool ChangedOnDisk() const { return !(files::StateOf(fileName_) == fileState_); }
  // Asks before a write-back over such a file. False for Cancel, and when
  // No's recovery file could not be written (said so); after No the
  // changed set is in a recovery file and writeBack_ is false.
  bool AskWhenChangedOnDisk();
  // False for Cancel, and when No's set aside failed and the user keeps
  // the file open; after No writeBack_ is false.
  bool AskBeforeWriteBack();
  // For an answer that closes without writing back: the changed set into
  // a recovery file, named in one message. Without one, mayDiscard asks
  // whether to close all the same; otherwise S_NoRecoveryFile is said.
  // False keeps the file open.
  bool SetChangesAside(bool mayDiscard);
  // The write-back's check just before the rename: the file is still as
  // expected.
  bool FileStill(const files::FileState &expected);
  static std::vector<RecoveryFailure> &RecoveryFailures();
  std::string Base() const;

  // List views.
  void SortGameList(GameListDataRec &g);
  void RemoveGameFromLists(int32_t n);
  void ReleaseLists();
  ListSlotsO<GameListDataRec, kGameListSlots> gameLists_;
  int64_t searchMet_ = 0;
  NameListsO<PlayerInfoO, PlayerColumnsO> playerLists_{ckPlayerName, ckPlayerNr};
  NameListsO<EventSiteInfoO, EventSiteColumnsO> eventSiteLists_{ckEventSiteName, ckEventSiteNr};
  NameListsO<AnnotatorInfoO, AnnotatorColumnsO> annotatorLists_{ckAnnotatorName, ckAnnotatorNr};

  StatusCallback status_;
  std::string description_;
  GameStoreO games_;
  std::string fileName_, tempBase_;
  bool open_ = false;
  bool native_ = false;
  bool modified_ = false;
  bool hasKeys_ = false;
  // This open found the keys damaged (and left them as they are).
  bool keysDamaged_ = false;
  bool hasBooster_ = false;
  bool boosterBroken_ = false;
  bool writeBack_ = true;
  bool ownerRecorded_ = false;  // the temporary set's owner record is written
  std::function<void()> afterWriteBack_;
  IndexManO players_, eventSites_, annotators_;
  KeyTreeO keyTree_;
  SearchBoosterO booster_;
  PGNImportResult openingImport_;
  files::FileState fileState_;  // the PGN file as the opening import found it
  win1252::TextEncoding encoding_ = win1252::TextEncoding::Utf8;
  std::string progressPrefix_;
  // The import in progress: a refusal that ends it, the lists being read
  // (canonical paths, outermost first).
  bool importStopped_ = false;
  std::unique_ptr<WriteBehind> writes_;
  uint64_t waitingLimit_ = 4u << 20;
  std::function<void()> writeBackFault_;
  std::vector<std::string> activeLists_;
  int listDepth_ = 0;
  int commandDepth_ = 0;  // StoreCommands open
  // The temporary set's folder is new in its parent until a sync says so.
  bool setFolderSynced_ = false;
  GameBuffer buffer_;
  // The tag reader of StoreGame and BufferPgnText and the movetext of the
  // latter, kept from game to game.
  PgnScratch text_;
  TreeViewsO treeViews_;
  KeyViewO keyView_;
};
