// The long database commands: lists of files and lists naming lists,
// native sources (deleted games, the open database, a held or missing
// source), cancels and refusals that keep names sorted and key totals
// recounted, a game list exported byte for byte, the keys made from the
// defaults and every game classified.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "chess/InfoMan.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseTestUtil.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "foundation/comDlgAbort.h"
#include "platform/Bytes.h"
#include "platform/Errors.h"
#include "platform/Win1252.h"

using testutil::AppDirGuard;
using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

const char *const kOpenings[] = {"1. e4 c5 2. Nf3 d6 *", "1. d4 Nf6 2. c4 g6 *", "1. e4 e5 2. Nf3 Nc6 3. Bb5 *",
                                 "1. c4 e5 *", "1. a3 *"};

std::string Game(const std::string &white, int round, const std::string &moves = "1. e4 e5 *",
                 const std::string &black = "Zed") {
  return "[Event \"Open\"]\r\n[Site \"Here\"]\r\n[Round \"" + std::to_string(round) + "\"]\r\n[White \"" + white +
         "\"]\r\n[Black \"" + black + "\"]\r\n[Result \"*\"]\r\n\r\n" + moves + "\r\n\r\n";
}

std::string Games(const std::string &prefix, int n) {
  std::string s;
  for (int i = 1; i <= n; ++i)
    s += Game(prefix + std::to_string(i), i, kOpenings[i % 5], prefix + "b" + std::to_string(i));
  return s;
}

const std::string kBad = "[Event \"Bad\"]\r\n[Result \"1-0\"]\r\n\r\n1. e4 e5 2. Ke3 Nf6 1-0\r\n\r\n";

std::vector<std::string> Whites(DatabaseO &db) {
  std::vector<std::string> v;
  for (int32_t n = 1; n <= db.GameCount(); ++n) {
    auto info = db.GetGameTags(n);
    v.push_back(info ? info->GetTag("White") : "?");
  }
  return v;
}

bool Open(DatabaseO &db, const std::string &path) {
  bool importReport = false;
  return db.Open(path, nullptr, nullptr, importReport);
}

// Bytes and modification times of every file of a base name.
std::map<std::string, std::pair<std::string, int64_t>> Snapshot(const TempDir &dir, const std::string &base) {
  std::map<std::string, std::pair<std::string, int64_t>> m;
  for (const auto &e : std::filesystem::directory_iterator(dir.Path())) {
    const std::string name = e.path().filename().string();
    if (name.rfind(base + ".", 0) != 0) continue;
    struct stat st{};
    ::stat(e.path().c_str(), &st);
    m[name] = {dir.Read(name), int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
  }
  return m;
}

// Names sorted, key totals as a recount gives them, every new game at the
// root when the import does not classify.
// A refused key write may leave the one game it was for without a key.
void ExpectConsistent(DatabaseO &db, bool classified, bool refused = false) {
  // The index leaves a short unsorted tail by design.
  EXPECT_FALSE(db.Players().BulkMode());
  if (db.Players().Count() > IndexStoreO::kSortAbove) {
    EXPECT_EQ(db.Players().SortedCount(), db.Players().Count());
  }
  if (!db.HasKeys()) return;
  const auto [stored, recount] = Totals(db.KeyTree());
  EXPECT_EQ(stored, recount);
  const auto games = static_cast<uint32_t>(db.GameCount());
  EXPECT_LE(stored[0], games);
  EXPECT_GE(stored[0] + (refused ? 1u : 0u), games);
  if (!classified) {
    db.KeyTree().GoRoot();
    EXPECT_EQ(static_cast<uint32_t>(db.KeyTree().GameCount()), stored[0]);
  }
}

class ImportCommands : public ::testing::Test {
 protected:
  ImportCommands() : app_guard_(app_.Path()) {}
  ~ImportCommands() override { CloseImportFile(); }
  void WithDefaults() const { files::Copy(testutil::DataDir() + "class.txt", app_.File("class.txt")); }
  TempDir dir_, app_;
  AppDirGuard app_guard_;
};

}  // namespace

TEST_F(ImportCommands, ListImportsAlphabeticallyWithBlankAndMissingNamesReported) {
  dir_.Write("b.pgn", Game("Bee", 1));
  dir_.Write("A.pgn", Game("Ay", 1));
  dir_.Write("c.pgn", Game("Cee", 1));
  int run = 0;
  for (const std::string sep : {"\r\n", "\n", "\r"}) {
    SCOPED_TRACE(run);
    // A blank line, a missing name, an absolute name, a final line break.
    dir_.Write("l.imp", "c.pgn" + sep + "missing.pgn" + sep + sep + "b.pgn" + sep + dir_.File("A.pgn") + sep);
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir_.File("t" + std::to_string(run++) + ".qcx")));
    ReportO r;
    bool flag = true;
    EXPECT_TRUE(db.ImportDatabase(dir_.File("l.imp"), nullptr, &r, false, false, flag));
    EXPECT_FALSE(flag);
    EXPECT_EQ(Whites(db), (std::vector<std::string>{"Ay", "Bee", "Cee"}));
    auto line = [&](const std::string &f) {
      return dir_.File(f) + ": " + std::to_string(files::FileSize(dir_.File(f))) + " bytes 1 games, 0 errors.";
    };
    EXPECT_EQ(r.Lines(), (std::vector<std::string>{"File not found: " + dir_.Path(), line("A.pgn"), line("b.pgn"),
                                                   line("c.pgn"), "File not found: " + dir_.File("missing.pgn")}));
    ExpectConsistent(db, false);
  }
}

TEST_F(ImportCommands, ListsNamingListsAreSkippedAndTheLogRunsToTheEndOfTheOuterList) {
  dir_.Write("A.pgn", Game("Ay", 1));
  dir_.Write("b.pgn", Game("Bee", 1));
  dir_.Write("c.pgn", Game("Cee", 1));
  dir_.Write("self.imp", "self.imp\nA.pgn\n");
  dir_.Write("one.imp", "two.imp\nb.pgn\n");
  dir_.Write("two.imp", "one.imp\nc.pgn\n");
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("t.qcx")));
  ReportO r;
  bool flag;
  db.ImportDatabase(dir_.File("self.imp"), nullptr, &r, false, false, flag);
  db.ImportDatabase(std::vector<std::string>{dir_.File("one.imp")}, nullptr, &r, flag);
  EXPECT_EQ(Whites(db), (std::vector<std::string>{"Ay", "Bee", "Cee"}));
  const std::vector<std::string> lines = r.Lines();
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[1], dir_.File("self.imp") + ": skipped, already being imported.");
  EXPECT_EQ(lines[4], dir_.File("one.imp") + ": skipped, already being imported.");

  // The refused games of both files stay in the log, a nested list between
  // them; a log left from before is started anew.
  app_.Write("prserror.txt", "old entry");
  dir_.Write("bad1.pgn", Game("G1", 1) + kBad);
  dir_.Write("zbad2.pgn", kBad + Game("G2", 1));
  dir_.Write("inner.imp", "A.pgn");
  dir_.Write("outer.imp", "zbad2.pgn\ninner.imp\nbad1.pgn\n");
  db.ImportDatabase(dir_.File("outer.imp"), nullptr, nullptr, false, false, flag);
  EXPECT_FALSE(ImportLogIsOpen());
  const std::string log = app_.Read("prserror.txt");
  EXPECT_EQ(log.find("old entry"), std::string::npos);
  EXPECT_NE(log.find("%File: " + dir_.File("bad1.pgn")), std::string::npos);
  EXPECT_NE(log.find("%File: " + dir_.File("zbad2.pgn")), std::string::npos);
  EXPECT_EQ(db.GameCount(), 6);
}

TEST_F(ImportCommands, NativeSourceSkipsDeletedGamesAndNeverTouchesTheOpenOrAHeldDatabase) {
  MessageRecorder rec;
  std::vector<std::string> texts;
  {
    DatabaseO src;
    ASSERT_TRUE(Open(src, dir_.File("s.qcx")));
    for (int i = 1; i <= 3; ++i) ASSERT_EQ(src.SavePgnText(-1, Game("S" + std::to_string(i), i)), i);
    ASSERT_TRUE(src.DeleteGame(2));
    texts = {src.GetPgnText(1, 0, false, false), src.GetPgnText(3, 0, false, false)};
    ASSERT_TRUE(src.Close(nullptr));
  }
  const auto source = Snapshot(dir_, "s");
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("t.qcx")));
  ReportO r;
  bool flag;
  EXPECT_TRUE(db.ImportDatabase(dir_.File("s.qcx"), nullptr, &r, false, false, flag));
  EXPECT_EQ(r.Lines(), std::vector<std::string>{dir_.File("s.qcx") + ": 3 games."});
  ASSERT_EQ(db.GameCount(), 2);
  EXPECT_EQ(db.GetPgnText(1, 0, false, false), texts[0]);
  EXPECT_EQ(db.GetPgnText(2, 0, false, false), texts[1]);
  EXPECT_EQ(Snapshot(dir_, "s"), source);
  EXPECT_TRUE(rec.messages.empty());

  // The open database itself, alone or through a list.
  const auto own = Snapshot(dir_, "t");
  EXPECT_FALSE(db.ImportDatabase(dir_.File("t.qcx"), nullptr, &r, false, false, flag));
  EXPECT_EQ(Snapshot(dir_, "t"), own);
  dir_.Write("own.imp", "t.qcx\ns.qcx\n");
  db.ImportDatabase(dir_.File("own.imp"), nullptr, &r, false, false, flag);
  const std::string refusal =
      SubstituteText(CommonText::S_CannotImportOpenDatabase, dir_.File("t.qcx"));
  EXPECT_EQ(rec.messages, (std::vector<std::string>{refusal, refusal}));
  EXPECT_EQ(db.GameCount(), 4);
  ASSERT_TRUE(db.Close(nullptr));

  // A source another object holds: its store's message, no games line,
  // this database unchanged, the source's files as they were.
  DatabaseO holder, fresh;
  ASSERT_TRUE(Open(holder, dir_.File("s.qcx")));
  ASSERT_TRUE(Open(fresh, dir_.File("f.qcx")));
  const auto held = Snapshot(dir_, "s");
  rec.messages.clear();
  ReportO none;
  EXPECT_FALSE(fresh.ImportDatabase(dir_.File("s.qcx"), nullptr, &none, false, false, flag));
  EXPECT_FALSE(rec.messages.empty());
  EXPECT_TRUE(none.Lines().empty());
  EXPECT_FALSE(fresh.IsModified());
  EXPECT_EQ(fresh.GameCount(), 0);
  EXPECT_EQ(Snapshot(dir_, "s"), held);

  // A missing source is reported and nothing is made in its place.
  EXPECT_FALSE(fresh.ImportDatabase(dir_.File("none.qcx"), nullptr, &none, false, false, flag));
  EXPECT_EQ(none.Lines(), std::vector<std::string>{"File not found: " + dir_.File("none.qcx")});
  EXPECT_TRUE(Snapshot(dir_, "none").empty());
  EXPECT_FALSE(fresh.IsModified());
}

namespace {

// Game n's numbers in the answer of a search with the mask.
std::vector<int32_t> Found(DatabaseO &db, const GameSearchMaskO &mask) {
  const int list = db.NewGameList();
  db.SearchGames(&mask, list, 0, nullptr);
  std::vector<int32_t> v;
  for (int32_t i = 1; i <= db.GameListCount(list); ++i) v.push_back(db.GameListGameNr(list, i));
  db.FreeGameList(list);
  return v;
}

// A game's descriptor without what each database gives it: its name ids.
GameDescriptor Unnamed(DatabaseO &db, int32_t n) {
  GameDescriptor d;
  EXPECT_TRUE(db.GameStore().ReadDescriptor(n, d));
  d.white = d.black = d.eventSite = d.annotator = 0;
  return d;
}

}  // namespace

TEST_F(ImportCommands, CopiedGamesKeepTheSourcesMoveCountsAndFlagsInEitherEncoding) {
  MessageRecorder rec;
  // A mate, a check, a stalemate, a comment, a long game; one non-ASCII
  // name. Imported from PGN, the source's games carry no count in their text.
  auto pgn = [](const std::string &white) {
    std::string longGame;
    for (int n = 1; n <= 60; ++n) longGame += std::to_string(n) + (n % 2 ? ". Nf3 Nf6 " : ". Ng1 Ng8 ");
    return Game(white, 1, "1. f3 e5 2. g4 Qh4# 0-1") + Game("Check", 2, "1. e4 e5 2. Bc4 Nc6 3. Bxf7+ *") +
           "[White \"Stale\"]\r\n[Black \"Mate\"]\r\n[Result \"1/2-1/2\"]\r\n[SetUp \"1\"]\r\n"
           "[FEN \"7k/8/6K1/5Q2/8/8/8/8 w - - 0 1\"]\r\n\r\n1. Qf7 1/2-1/2\r\n\r\n" +
           Game("Comment", 4, "1. d4 {a plan} d5 *") + Game("Long", 5, longGame + "*");
  };
  dir_.Write("utf8.pgn", pgn("M\xc3\xbcller"));
  dir_.Write("w1252.pgn", pgn("M\xfcller"));
  {
    // A set whose names hold Windows-1252 bytes opens as Windows-1252.
    IndexManO names;
    ASSERT_TRUE(names.Open(dir_.File("w1252.pli")));
    names.FindOrAdd("M\xfcller");
  }
  for (const char *source : {"utf8", "w1252"}) {
    SCOPED_TRACE(source);
    DatabaseO src, db;
    bool flag = false;
    ASSERT_TRUE(Open(src, dir_.File(std::string(source) + ".qcx")));
    ASSERT_TRUE(src.ImportDatabase(dir_.File(std::string(source) + ".pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(src.GameCount(), 5);
    EXPECT_NE(src.TextEncoding() == win1252::TextEncoding::Utf8, std::string(source) == "w1252");
    ASSERT_TRUE(src.Close(nullptr));
    // Game 4 as counted by another program: the copy keeps the count and
    // the flags the source lists (a check, no comment), not ones made
    // again from the moves, nor both together.
    const std::string base = std::string(source);
    const std::string gai = dir_.Read(base + ".gai");
    std::string gad = dir_.Read(base + ".gad");
    const size_t at = le::GetU32(reinterpret_cast<const uint8_t *>(gai.data()) + 12);
    ASSERT_EQ(gad[at + GameDescriptor::kMoves], 1);
    gad[at + GameDescriptor::kMoves] = 9;
    auto &flags = reinterpret_cast<uint8_t &>(gad[at + GameDescriptor::kFlags]);
    ASSERT_EQ(flags & GameDescriptor::kMoveFlags, GameDescriptor::gfComments);
    flags = static_cast<uint8_t>((flags & ~GameDescriptor::kMoveFlags) | GameDescriptor::gfCheck);
    dir_.Write(base + ".gad", gad);
    ASSERT_TRUE(Open(db, dir_.File(std::string("copy-") + source + ".qcx")));
    ASSERT_TRUE(db.ImportDatabase(dir_.File(std::string(source) + ".qcx"), nullptr, nullptr, false, false, flag));
    ASSERT_TRUE(Open(src, dir_.File(std::string(source) + ".qcx")));
    ASSERT_EQ(db.GameCount(), 5);
    EXPECT_EQ(db.TextEncoding(), win1252::TextEncoding::Utf8);
    EXPECT_EQ(Whites(db)[0], "M\xc3\xbcller");
    for (int32_t n = 1; n <= 5; ++n) EXPECT_EQ(Unnamed(db, n), Unnamed(src, n)) << "game " << n;
    EXPECT_EQ(Unnamed(db, 4).moves, 9);
    EXPECT_EQ(Unnamed(db, 5).moves, 60);

    GameSearchMaskO mates, checks, stalemates, comments, moves;
    mates.SetSearchMates(true);
    checks.SetSearchChecks(true);
    stalemates.SetSearchEquals(true);
    comments.SetSearchTxts(true);
    moves.SetSearchMoves(true);
    moves.SetMovesLo(1);
    moves.SetMovesHi(500);
    EXPECT_EQ(Found(db, mates), std::vector<int32_t>{1});
    EXPECT_EQ(Found(db, checks), (std::vector<int32_t>{2, 4}));
    EXPECT_EQ(Found(db, stalemates), std::vector<int32_t>{3});
    EXPECT_TRUE(Found(db, comments).empty());
    for (const GameSearchMaskO *m : {&mates, &checks, &stalemates, &comments, &moves})
      EXPECT_EQ(Found(db, *m), Found(src, *m));
    moves.SetMovesLo(50);
    EXPECT_EQ(Found(db, moves), std::vector<int32_t>{5});
  }
  EXPECT_TRUE(rec.messages.empty()) << rec.messages.front();
}

TEST_F(ImportCommands, CancelsAndRefusalsKeepTheGamesStoredSortedAndCounted) {
  WithDefaults();
  {
    DatabaseO src;
    ASSERT_TRUE(Open(src, dir_.File("src.qcx")));
    bool flag;
    dir_.Write("many.pgn", Games("N", 300));
    ASSERT_TRUE(src.ImportDatabase(dir_.File("many.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_TRUE(src.Close(nullptr));
  }
  dir_.Write("a.pgn", Games("A", 150));
  dir_.Write("b.pgn", Games("B", 150));
  dir_.Write("ab.imp", "b.pgn\na.pgn\n");
  int run = 0;
  for (bool classify : {true, false}) {
    for (const char *source : {"src.qcx", "ab.imp"}) {
      for (int stop : {0, 1}) {  // a cancel, a refused store write
        SCOPED_TRACE(std::string(source) + (classify ? " classified" : " root") + (stop ? " refused" : " cancelled"));
        MessageRecorder rec;
        DatabaseO db;
        db.ClassifyOnImport = classify;
        ASSERT_TRUE(Open(db, dir_.File("t" + std::to_string(run++) + ".qcx")));
        ASSERT_TRUE(db.CreateKeys());
        AbortDlgO dlg;
        dlg.Init();
        bool flag;
        if (stop == 0) {
          CancelAfter cancel(dlg, 80);
          db.ImportDatabase(dir_.File(source), &dlg, nullptr, false, false, flag);
        } else {
          FileFault fault(FileFault::Op::Write, 1200, ENOSPC);
          db.ImportDatabase(dir_.File(source), &dlg, nullptr, false, false, flag);
          EXPECT_TRUE(fault.Fired());
        }
        // Enough names for the index to sort them all at the end.
        EXPECT_GT(db.GameCount(), 55);
        EXPECT_LT(db.GameCount(), 150);
        // The list stopped in its first file.
        for (const std::string &w : Whites(db)) EXPECT_NE(w[0], 'B');
        ExpectConsistent(db, classify, stop == 1);
        EXPECT_TRUE(db.Close(nullptr));
      }
    }
  }
}

// What an export killed before its rename left beside the target goes at
// the next export to it, by the rule the open uses for its own file: the
// writer no longer runs here and the file is a day old (a folder may be
// shared between machines).
TEST_F(ImportCommands, AnExportRemovesWhatAKilledExportLeftBesideItsTarget) {
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("t.qcx")));
  ASSERT_EQ(db.SavePgnText(-1, Game("One", 1)), 1);
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  const std::string dead = std::to_string(child), alive = std::to_string(::getpid());
  const std::string oldDead = "out.pgn.tmp" + dead + "_1", newDead = "out.pgn.tmp" + dead + "_2",
                    oldAlive = "out.pgn.tmp" + alive + "_3", otherTarget = "other.pgn.tmp" + dead + "_4";
  const time_t twoDaysAgo = ::time(nullptr) - 2 * 24 * 60 * 60;
  const struct timespec old[2] = {{twoDaysAgo, 0}, {twoDaysAgo, 0}};
  for (const std::string &n : {oldDead, newDead, oldAlive, otherTarget}) {
    dir_.Write(n, "partial");
    if (n != newDead) {
      ASSERT_EQ(::utimensat(AT_FDCWD, dir_.File(n).c_str(), old, 0), 0);
    }
  }
  const int s = db.NewAllGamesList();
  ASSERT_EQ(db.ExportGameList(dir_.File("out.pgn"), s, nullptr), DatabaseO::ExportResult::Done);
  EXPECT_FALSE(files::Exists(dir_.File(oldDead)));
  for (const std::string &n : {newDead, oldAlive, otherTarget}) EXPECT_TRUE(files::Exists(dir_.File(n))) << n;
  EXPECT_NE(dir_.Read("out.pgn").find("[White \"One\"]"), std::string::npos);
  EXPECT_TRUE(rec.messages.empty());
}

TEST_F(ImportCommands, GameListExportsInRowOrderByteForByteAndKeepsTheFileOnCancelOrFailure) {
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("t.qcx")));
  const std::string longGame =
      "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 {the main road} 4. Ba4 (4. Bxc6 dxc6 5. O-O f6 $5 {solid} (5... Bg4 6. h3 h5) "
      "6. d4) 4... Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O 9. h3 Nb8 $1 {Breyer's move} 10. d4 Nbd7 "
      "11. c4 c6 12. cxb5 axb5 13. Nc3 Bb7 14. Bg5 b4 15. Nb1 h6 16. Bh4 c5 17. dxe5 Nxe4 *";
  ASSERT_EQ(db.SavePgnText(-1, Game("One", 1, longGame)), 1);
  ASSERT_EQ(db.SavePgnText(-1, Game("Two", 2)), 2);
  ASSERT_EQ(db.SavePgnText(-1, Game("Three", 3)), 3);
  ASSERT_TRUE(db.DeleteGame(2));
  const int s = db.NewGameList();
  for (int n : {3, 2, 1}) db.AddGameToList(s, n);
  ASSERT_EQ(db.ExportGameList(dir_.File("out.pgn"), s, nullptr), DatabaseO::ExportResult::Done);
  const std::string out = dir_.Read("out.pgn");
  EXPECT_EQ(out, db.GetPgnText(3, 0, true, false) + "\r\n\r\n" + db.GetPgnText(1, 0, true, false) + "\r\n\r\n");
  EXPECT_EQ(out.substr(0, out.find("\r\n\r\n") + 4),
            "[Event \"Open\"]\r\n[Site \"Here\"]\r\n[Round \"3\"]\r\n[White \"Three\"]\r\n"
            "[Black \"Zed\"]\r\n[Result \"*\"]\r\n[QVNrOfMoves \"1\"]\r\n\r\n");
  // Wrapped moves: no line past 79 characters; the long game's move text,
  // with its variations, comments and glyphs, pinned.
  for (size_t start = 0, end; (end = out.find("\r\n", start)) != std::string::npos; start = end + 2)
    EXPECT_LE(end - start, 79u);
  const size_t moves = out.find("1. e4 e5 2. Nf3 Nc6");
  ASSERT_NE(moves, std::string::npos);
  EXPECT_EQ(out.substr(moves),
            "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 {the main road} 4. Ba4 (4. Bxc6 dxc6 5. O-O f6\r\n"
            "$5 {solid} (5... Bg4 6. h3 h5) 6. d4) 4... Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6\r\n"
            "8. c3 O-O 9. h3 Nb8 $1 {Breyer's move} 10. d4 Nbd7 11. c4 c6 12. cxb5 axb5\r\n"
            "13. Nc3 Bb7 14. Bg5 b4 15. Nb1 h6 16. Bh4 c5 17. dxe5 Nxe4 *\r\n\r\n");
  DatabaseO back;
  ASSERT_TRUE(Open(back, dir_.File("back.qcx")));
  bool flag;
  ASSERT_TRUE(back.ImportDatabase(dir_.File("out.pgn"), nullptr, nullptr, false, false, flag));
  ASSERT_EQ(back.GameCount(), 2);
  EXPECT_EQ(back.GetPgnText(1, 0, false, false), db.GetPgnText(3, 0, false, false));
  EXPECT_EQ(back.GetPgnText(2, 0, false, false), db.GetPgnText(1, 0, false, false));

  dir_.Write("keep.pgn", "old bytes");
  AbortDlgO dlg;
  dlg.Init();
  {
    CancelAfter cancel(dlg, 1);
    EXPECT_EQ(db.ExportGameList(dir_.File("keep.pgn"), s, &dlg), DatabaseO::ExportResult::Cancelled);
  }
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC);
    int err = 0;
    EXPECT_EQ(db.ExportGameList(dir_.File("keep.pgn"), s, nullptr, &err), DatabaseO::ExportResult::Failed);
    EXPECT_EQ(err, ENOSPC);
  }
  EXPECT_EQ(dir_.Read("keep.pgn"), "old bytes");
  EXPECT_EQ(rec.messages,
            std::vector<std::string>{
                SubstituteText(SubstituteText(CommonText::S_CouldNotWritePGNFile, dir_.File("keep.pgn")),
                               std::to_string(ENOSPC)) +
                "\n" + dir_.File("keep.pgn") + ": No space left on device"});
  EXPECT_THROW(db.ExportGameList(dir_.File("x.pgn"), 25, nullptr), ERangeError);
  EXPECT_FALSE(files::Exists(dir_.File("x.pgn")));
}

// Whatever the name, a link or another spelling, the open PGN file or a file
// of the open set is no export's target: the close would write over the
// export, or the export would take every other game's place.
TEST_F(ImportCommands, AGameListIsNeverExportedOverTheOpenFile) {
  MessageRecorder rec;
  TempDir tmp;
  testutil::EnvGuard tmpdir("TMPDIR", tmp.Path());
  const std::string pgn = Game("One", 1) + Game("Two", 2);
  dir_.Write("open.pgn", pgn);
  ASSERT_EQ(::symlink(dir_.File("open.pgn").c_str(), dir_.File("link.pgn").c_str()), 0);
  ASSERT_TRUE(files::MakeDirs(dir_.File("sub")));
  auto refused = [&](DatabaseO &db, int s, const std::string &target, const std::string &open) {
    rec.messages.clear();
    EXPECT_EQ(db.ExportGameList(target, s, nullptr), DatabaseO::ExportResult::Failed) << target;
    EXPECT_EQ(rec.messages, std::vector<std::string>{SubstituteText(
                                SubstituteText(CommonText::S_ExportOverOpenFile, target), open)});
  };
  {
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir_.File("open.pgn")));
    ASSERT_EQ(db.SavePgnText(-1, Game("Three", 3)), 3);
    const int s = db.NewGameList();
    db.AddGameToList(s, 3);
    for (const std::string &target : {dir_.File("open.pgn"), dir_.File("link.pgn"),
                                      dir_.File("sub/../open.pgn"), dir_.Path() + "./open.pgn"}) {
      refused(db, s, target, dir_.File("open.pgn"));
      EXPECT_EQ(dir_.Read("open.pgn"), pgn);
    }
    EXPECT_FALSE(db.IsFileOfDatabase(dir_.File("other.pgn")));
    EXPECT_EQ(db.ExportGameList(dir_.File("other.pgn"), s, nullptr), DatabaseO::ExportResult::Done);
    EXPECT_TRUE(db.Close(nullptr));
  }
  // The close wrote all three games back.
  DatabaseO back;
  ASSERT_TRUE(Open(back, dir_.File("open.pgn")));
  EXPECT_EQ(Whites(back), (std::vector<std::string>{"One", "Two", "Three"}));
  back.Done();
  // A native set: a link with the export's extension to one of its files.
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("n.qcx")));
  ASSERT_EQ(db.SavePgnText(-1, Game("Four", 4)), 1);
  const int s = db.NewAllGamesList();
  ASSERT_EQ(::symlink(dir_.File("n.gad").c_str(), dir_.File("gad.pgn").c_str()), 0);
  const std::string gad = dir_.Read("n.gad");
  refused(db, s, dir_.File("gad.pgn"), dir_.File("n.qcx"));
  EXPECT_EQ(dir_.Read("n.gad"), gad);
  EXPECT_TRUE(db.Close(nullptr));
}

TEST_F(ImportCommands, KeysAreMadeFromTheDefaultsOnlyWhereNoKeyFileIsThere) {
  MessageRecorder rec;
  {  // No defaults: the root alone.
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir_.File("r.qcx")));
    ASSERT_TRUE(db.CreateKeys());
    EXPECT_EQ(db.KeyTree().NodeCount(), 1u);
    EXPECT_TRUE(db.HasKeyView());
  }
  WithDefaults();
  {  // A write refused while the set is made: shown, and no set is left.
    DatabaseO db;
    ASSERT_TRUE(Open(db, dir_.File("f.qcx")));
    {
      FileFault fault(FileFault::Op::Write, 3, ENOSPC);
      EXPECT_FALSE(db.CreateKeys());
    }
    ASSERT_FALSE(rec.messages.empty());
    EXPECT_EQ(rec.messages.back(), SubstituteText(CommonText::S_KeysNotCreated, dir_.File("f.key")));
    EXPECT_FALSE(db.HasKeys());
    EXPECT_TRUE(Snapshot(dir_, "f").count("f.key") == 0 && Snapshot(dir_, "f").count("f.pos") == 0);
  }
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("d.qcx")));
  ASSERT_TRUE(db.CreateKeys());
  EXPECT_GT(db.KeyTree().NodeCount(), 50u);
  EXPECT_TRUE(db.HasKeyView());
  const auto keys = Snapshot(dir_, "d");
  EXPECT_TRUE(db.CreateKeys());
  EXPECT_EQ(Snapshot(dir_, "d"), keys);

  // A key file without keys open is never replaced.
  rec.messages.clear();
  DatabaseO other;
  ASSERT_TRUE(Open(other, dir_.File("e.qcx")));
  dir_.Write("e.gls", "someone's bytes");
  EXPECT_FALSE(other.CreateKeys());
  EXPECT_EQ(rec.messages, std::vector<std::string>{SubstituteText(CommonText::S_KeyFileExists, dir_.File("e.gls"))});
  EXPECT_EQ(dir_.Read("e.gls"), "someone's bytes");
  EXPECT_FALSE(other.HasKeys());
}

TEST_F(ImportCommands, ClassifyAllGamesKeysEveryGameAndACancelKeepsTotalsRecounted) {
  WithDefaults();
  dir_.Write("g.pgn", Games("W", 150));
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("t.qcx")));
  bool flag;
  ASSERT_TRUE(db.ImportDatabase(dir_.File("g.pgn"), nullptr, nullptr, false, false, flag));
  ASSERT_TRUE(db.CreateKeys());
  auto keyed = [&] {
    int32_t k = 0;
    while (k < db.GameCount() && db.GetGameKey(k + 1) != 0) ++k;
    for (int32_t n = k + 1; n <= db.GameCount(); ++n) EXPECT_EQ(db.GetGameKey(n), 0u) << n;
    return k;
  };
  EXPECT_EQ(keyed(), 0);
  AbortDlgO dlg;
  dlg.Init();
  {
    CancelAfter cancel(dlg, 40);
    EXPECT_TRUE(db.ClassifyAllGames(&dlg));
  }
  const int32_t k = keyed();
  EXPECT_GT(k, 0);
  EXPECT_LT(k, 150);
  db.KeyTree().SetCurrentNode(KeyTreeO::kRoot);
  EXPECT_EQ(db.KeyTree().TotalGameCount(), static_cast<uint32_t>(k));
  {
    // The ".gki" write of a game refused: the next run must not find the
    // game in two keys.
    MessageRecorder rec;
    FileFault fault(FileFault::Op::Write, 5, ENOSPC);
    EXPECT_FALSE(db.ClassifyAllGames(nullptr));
    EXPECT_EQ(rec.FirstLines(), std::vector<std::string>{"IndexListStoreO.SetIndex failed"});
  }
  EXPECT_TRUE(db.ClassifyAllGames(nullptr));
  EXPECT_EQ(keyed(), 150);
  for (int32_t n = 1; n <= 150; ++n) {
    int ply;
    const uint32_t key = db.ClassifyGameNr(n, ply);
    EXPECT_EQ(db.GetGameKey(n), key ? key : KeyTreeO::kRoot);
  }
  ExpectConsistent(db, true);
}

TEST_F(ImportCommands, LaterImportsLeaveTheOpeningImportsWriteBackQuestionAlone) {
  dir_.Write("o.pgn", Game("Own", 1));
  dir_.Write("bad.pgn", Game("New", 1) + kBad);
  int asked = 0;
  ui::Hooks h;
  h.messageDlgDefault = [&](const std::string &, ui::MsgType, unsigned, int def) { return ++asked, def; };
  const ui::Hooks old = ui::InstallHooks(h);
  DatabaseO db;
  ASSERT_TRUE(Open(db, dir_.File("o.pgn")));
  bool flag;
  ASSERT_TRUE(db.ImportDatabase(dir_.File("bad.pgn"), nullptr, nullptr, false, false, flag));
  EXPECT_TRUE(db.Close(nullptr));
  ui::InstallHooks(old);
  EXPECT_EQ(asked, 0);
  EXPECT_NE(dir_.Read("o.pgn").find("\"New\""), std::string::npos);
}
