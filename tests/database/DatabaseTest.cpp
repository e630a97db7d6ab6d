// The database object: native sets and their reopening, a PGN file held in
// a temporary set and written back only whole, games loaded and stored as
// text in every notation language, refused writes that store nothing, keys
// and the booster kept consistent, and a writer killed at random moments.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseTestUtil.h"
#include "chess/Games.h"
#include "chess/InfoMan.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/Reports.h"
#include "foundation/comDlgAbort.h"
#include "platform/Errors.h"
#include "platform/Win1252.h"

using testutil::EnvGuard;
using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

const char *const kGames[] = {
    "[Event \"Club \\\"]\\\" cup\"]\r\n[Site \"Town\"]\r\n[Date \"2020.01.02\"]\r\n[Round \"1\"]\r\n"
    "[White \"Alpha, A\"]\r\n[Black \"Beta, B\"]\r\n[Result \"1-0\"]\r\n\r\n"
    "1. e4 {best [by test]} e5 $1 2. Nf3 (2. f4 exf4 3. Nf3 $2 {gambit}) 2... Nc6 3. Bb5 a6\r\n"
    "4. Ba4 Nf6 5. O-O Be7 1-0\r\n",
    "[Event \"Second\"]\r\n[Site \"Town\"]\r\n[Date \"2021.??.??\"]\r\n[Round \"2\"]\r\n"
    "[White \"Gamma\"]\r\n[Black \"Alpha, A\"]\r\n[Result \"1/2-1/2\"]\r\n[SetUp \"1\"]\r\n"
    "[FEN \"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\"]\r\n\r\n"
    "1. e4 Kd7 2. Kd2 {pawn ending} Ke6 1/2-1/2\r\n",
    "[Event \"Third\"]\r\n[Site \"Village\"]\r\n[Date \"2022.03.04\"]\r\n[Round \"3\"]\r\n"
    "[White \"Beta, B\"]\r\n[Black \"Gamma\"]\r\n[Result \"0-1\"]\r\n\r\n"
    "1. d4 d5 2. c4 e6 3. Nc3 Nf6 4. Bg5 Be7 5. e3 O-O 6. Nf3 Nbd7 7. Rc1 c6 0-1\r\n",
};

std::string Fixture() {
  std::string s;
  for (const char *g : kGames) s += std::string(g) + "\r\n";
  return s;
}

std::string GameText(const std::string &white, const std::string &black, int round,
                     const std::string &moves = "1. e4 e5 2. Nf3 *") {
  return "[Event \"Open\"]\r\n[Site \"Here\"]\r\n[Round \"" + std::to_string(round) + "\"]\r\n[White \"" +
         white + "\"]\r\n[Black \"" + black + "\"]\r\n[Result \"*\"]\r\n\r\n" + moves + "\r\n";
}

// The game as the notation writer gives it back, the common ground of two
// readings.
std::string Canonical(GameO &g) {
  g.TidyTags();
  return ToText(g, PgnOptions(80), LangEnglish);
}

std::string Reference(const std::string &text) {
  GameO g;
  ParseResultT r;
  EXPECT_TRUE(g.ReadFromString(text, LangEnglish, r)) << r.message;
  return Canonical(g);
}

std::string Loaded(DatabaseO &db, int32_t n) {
  ParseResultT r;
  auto g = db.LoadGame(n, r);
  EXPECT_TRUE(g) << "game " << n << ": " << r.message;
  return g ? Canonical(*g) : std::string();
}

std::vector<std::string> AllTexts(DatabaseO &db) {
  std::vector<std::string> v;
  for (int32_t n = 1; n <= db.GameCount(); ++n) v.push_back(db.GetPgnText(n, 0, false, false));
  return v;
}

bool OpenDb(DatabaseO &db, const std::string &path, AbortDlgO *progress = nullptr) {
  bool importReport = true;
  const bool ok = db.Open(path, progress, nullptr, importReport);
  EXPECT_FALSE(importReport);
  return ok;
}

std::string Sizes(const TempDir &dir, const std::string &base, std::initializer_list<const char *> exts) {
  int64_t total = 0;
  for (const char *e : exts) total += std::max<int64_t>(files::FileSize(dir.File(base + e)), 0);
  return std::to_string(total);
}

// Answers the questions from a script and records them.
class Questions {
 public:
  explicit Questions(std::vector<int> answers) : answers_(std::move(answers)) {
    ui::Hooks h;
    h.showMessage = [this](const std::string &t) { messages.push_back(t); };
    h.messageDlgDefault = [this](const std::string &t, ui::MsgType, unsigned, int def) {
      asked.push_back(t);
      defaults.push_back(def);
      return next_ < answers_.size() ? answers_[next_++] : def;
    };
    old_ = ui::InstallHooks(h);
  }
  ~Questions() { ui::InstallHooks(old_); }
  std::vector<std::string> asked, messages;
  std::vector<int> defaults;

 private:
  std::vector<int> answers_;
  size_t next_ = 0;
  ui::Hooks old_;
};

struct ModTime {
  struct stat st{};
  explicit ModTime(const std::string &p) { ::stat(p.c_str(), &st); }
  bool operator==(const ModTime &o) const {
    return st.st_mtim.tv_sec == o.st.st_mtim.tv_sec && st.st_mtim.tv_nsec == o.st.st_mtim.tv_nsec;
  }
};

// The games of a file, opened and closed unchanged.
int GameCountOf(const std::string &path) {
  DatabaseO db;
  EXPECT_TRUE(OpenDb(db, path)) << path;
  const int n = db.GameCount();
  EXPECT_TRUE(db.Close(nullptr));
  return n;
}

// The tests point TMPDIR and XDG_STATE_HOME at one folder tmp: the
// working sets go to its "torvanel" folder, nothing to tmp itself.
std::string SetsDir(const TempDir &tmp) { return tmp.Path() + "torvanel/"; }

bool TempSetsGone(const TempDir &tmp) {
  for (const auto &e : std::filesystem::directory_iterator(tmp.Path()))
    if (e.path().filename() != "torvanel" || !std::filesystem::is_empty(e.path())) return false;
  return true;
}

// The test's files, the temporary folder (TMPDIR, also XDG_STATE_HOME) and
// the program's writable folder.
struct Folders {
  TempDir dir, tmp, appDir;
  EnvGuard tmpdir{"TMPDIR", tmp.Path()};
  EnvGuard state{"XDG_STATE_HOME", tmp.Path()};
  testutil::AppDirGuard app{appDir.Path()};
};

}  // namespace

// ------------------------------------------------------------------ text helpers

TEST(DatabaseText, SplitKeepsEscapedQuotesAndBracketsInCommentsTogether) {
  const std::string t = kGames[0];
  const PgnSplit s = PgnSplitGameText(t);
  EXPECT_EQ(s.Header(t).substr(0, 31), "[Event \"Club \\\"]\\\" cup\"]\r\n[Site");
  EXPECT_EQ(s.Header(t).back(), ']');
  // The line break after the last tag starts the move text.
  EXPECT_EQ(s.Moves(t).find("\r\n\r\n1. e4 {best [by test]}"), 0u) << s.Moves(t);
  EXPECT_EQ(s.Moves(t).substr(s.Moves(t).size() - 5), "1-0\r\n");
  EXPECT_EQ(s.lastMoveNumber, 5);

  // A second game's header ends the first game's moves.
  const std::string two = std::string(kGames[1]) + kGames[2];
  const PgnSplit s2 = PgnSplitGameText(two);
  EXPECT_EQ(s2.Moves(two), "\r\n\r\n1. e4 Kd7 2. Kd2 {pawn ending} Ke6 1/2-1/2\r\n");
  // No header at all: everything is move text.
  const PgnSplit s3 = PgnSplitGameText("  1. e4 *");
  EXPECT_EQ(s3.Header("  1. e4 *"), "");
  EXPECT_EQ(s3.Moves("  1. e4 *"), "1. e4 *");
}

TEST(DatabaseText, MoveNumbersAndLineBreaks) {
  // The last numbered move at depth 0 skips variations and comments; the
  // number before a dot takes whatever comes last.
  const std::string m = "1. e4 e5 2. Nf3 (2. f4 {see 9. Qh5} 3. Nf3) 2... Nc6 {ref 12.} *";
  EXPECT_EQ(PgnLastMoveNumber(m), 2);
  EXPECT_EQ(PgnLastNumberBeforeDot(m), 12);
  EXPECT_EQ(PgnLastNumberBeforeDot("*"), 0);
  EXPECT_EQ(PgnLastNumberBeforeDot("99999999999999999999. e4"), std::numeric_limits<int>::max());
  EXPECT_EQ(LineBreaksToSpaces("a\r\nb\nc", 0), "a\r\nb\nc");
  EXPECT_EQ(LineBreaksToSpaces("a\r\nb\nc", 1), "a  b c");
}

TEST(DatabaseText, MessageDlgDefaultButton) {
  ui::Hooks none;
  ui::Hooks old = ui::InstallHooks(none);
  EXPECT_EQ(ui::MessageDlg("q", ui::MsgType::Confirmation, ui::mbYesNoCancel, ui::mrCancel), ui::mrCancel);
  EXPECT_EQ(ui::MessageDlg("q", ui::MsgType::Confirmation, ui::mbYesNo, ui::mrNo), ui::mrNo);
  // Only the plain hook: it is asked.
  ui::Hooks plain;
  plain.messageDlg = [](const std::string &, ui::MsgType, unsigned, int, int) { return int(ui::mrYes); };
  ui::InstallHooks(plain);
  EXPECT_EQ(ui::MessageDlg("q", ui::MsgType::Confirmation, ui::mbYesNo, ui::mrNo), ui::mrYes);
  ui::InstallHooks(old);
  {
    Questions q({});
    EXPECT_EQ(ui::MessageDlg("q", ui::MsgType::Confirmation, ui::mbYesNo, ui::mrNo), ui::mrNo);
    EXPECT_EQ(q.defaults, std::vector<int>{ui::mrNo});
  }
}

// ------------------------------------------------------------------ native

TEST(DatabaseNative, NewSetReopensWithDescriptionGamesAndBooster) {
  TempDir dir;
  MessageRecorder rec;
  const std::string path = dir.File("My.qcx");
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    // B.qcx at once, before any Close.
    EXPECT_EQ(dir.Read("My.qcx"), "[Settings]\r\nDescription=\r\n");
    EXPECT_TRUE(db.HasSearchBooster());
    EXPECT_TRUE(files::FileExists(dir.File("My.pli")));
    EXPECT_FALSE(files::FileExists(dir.File("My.gai")));

    ReportO r0;
    db.InfoText(r0);
    const std::string p = Sizes(dir, "My", {".pld", ".pli", ".pls"}), e = Sizes(dir, "My", {".esd", ".esi", ".ess"}),
                      a = Sizes(dir, "My", {".and", ".ani", ".ans"}), b = Sizes(dir, "My", {".bpl", ".bes", ".bli"});
    const int64_t total = std::stoll(p) + std::stoll(e) + std::stoll(a) + std::stoll(b);
    EXPECT_EQ(r0.Lines(), (std::vector<std::string>{"Nr of games: 0", "Nr of players: 0", "Nr of eventsites: 0",
                                                    "Nr of annotators: 0", "", "Files:", "Games: 0",
                                                    "Players: " + p, "EventSites: " + e, "Annotators: " + a,
                                                    "SearchBooster: " + b,
                                                    "Total size: " + std::to_string(total) + ", 0 bytes/game"}));
    for (const char *g : kGames) EXPECT_GT(db.SavePgnText(-1, g), 0);
    db.SetDescription("Three games");
    EXPECT_TRUE(db.IsModified());
    EXPECT_TRUE(db.Close(nullptr));
  }
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, path));
  EXPECT_EQ(db.GetDescription(), "Three games");
  EXPECT_EQ(db.GameCount(), 3);
  EXPECT_TRUE(db.HasSearchBooster());
  EXPECT_FALSE(db.IsModified());
  ReportO r3;
  db.InfoText(r3);
  const std::string g = Sizes(dir, "My", {".gad", ".gai"});
  const std::vector<std::string> lines = r3.Lines();
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "Nr of games: 3");
  EXPECT_EQ(lines[1], "Nr of players: 3");
  EXPECT_EQ(lines[2], "Nr of eventsites: 3");
  EXPECT_EQ(lines[6], "Games: " + g);
  EXPECT_EQ(lines[10], "SearchBooster: " + Sizes(dir, "My", {".bpl", ".bes", ".bli"}));
  // The total as the files give it, the booster's included.
  const int64_t total3 = std::stoll(g) + std::stoll(Sizes(dir, "My", {".pld", ".pli", ".pls", ".esd", ".esi", ".ess",
                                                                      ".and", ".ani", ".ans", ".bpl", ".bes", ".bli"}));
  EXPECT_EQ(lines[11], "Total size: " + std::to_string(total3) + ", " + std::to_string(total3 / 3) + " bytes/game");
  for (int n = 1; n <= 3; ++n) EXPECT_EQ(Loaded(db, n), Reference(kGames[n - 1]));
  EXPECT_TRUE(rec.messages.empty());
}

TEST(DatabaseNative, SecondObjectOnTheSameSetFailsAndLeavesTheFirst) {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO first, second;
  ASSERT_TRUE(OpenDb(first, dir.File("a.qcx")));
  ASSERT_GT(first.SavePgnText(-1, kGames[0]), 0);
  EXPECT_FALSE(OpenDb(second, dir.File("a.qcx")));
  EXPECT_FALSE(second.IsOpen());
  EXPECT_TRUE(second.Close(nullptr));
  EXPECT_FALSE(rec.messages.empty());
  EXPECT_EQ(first.SavePgnText(-1, kGames[2]), 2);
  EXPECT_EQ(Loaded(first, 1), Reference(kGames[0]));
  EXPECT_TRUE(first.Close(nullptr));
  DatabaseO again;
  ASSERT_TRUE(OpenDb(again, dir.File("a.qcx")));
  EXPECT_EQ(again.GameCount(), 2);
}

TEST(DatabaseNative, UnknownExtensionIsRefused) {
  MessageRecorder rec;
  DatabaseO db;
  EXPECT_FALSE(OpenDb(db, "/nowhere/x.txt"));
  EXPECT_EQ(rec.messages, std::vector<std::string>{"DatabaseO.Open failed: Unknown file extension"});
}

// ------------------------------------------------------------------ storing

TEST(DatabaseStore, QVNrOfMovesIsAddedOrKept) {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("q.qcx")));
  ASSERT_EQ(db.SavePgnText(-1, kGames[2]), 1);
  EXPECT_NE(db.GetPgnText(1, 0, false, false).find("[QVNrOfMoves \"7\"]"), std::string::npos);
  ASSERT_EQ(db.SavePgnText(-1, "[White \"X\"]\r\n[QVNrOfMoves \"40\"]\r\n\r\n1. e4 *"), 2);
  EXPECT_NE(db.GetPgnText(2, 0, false, false).find("[QVNrOfMoves \"40\"]"), std::string::npos);
  ASSERT_EQ(db.SavePgnText(-1, "[White \"X\"]\r\n[Result \"*\"]\r\n\r\n*"), 3);
  EXPECT_NE(db.GetPgnText(3, 0, false, false).find("[QVNrOfMoves \"0\"]"), std::string::npos);
  GameDescriptor d;
  ASSERT_TRUE(db.GameStore().ReadDescriptor(1, d));
  EXPECT_EQ(d.moves, 7);
  // Replacing game 1 answers 1 and loads back as the new game.
  EXPECT_EQ(db.SavePgnText(1, kGames[0]), 1);
  EXPECT_EQ(Loaded(db, 1), Reference(kGames[0]));
  EXPECT_EQ(db.GameCount(), 3);
}

// A path holds the file system's bytes; the progress text is Windows-1252.
TEST(DatabaseStore, ExportProgressShowsThePathDecoded) {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("x.qcx")));
  for (const char *g : {kGames[0], kGames[1]}) ASSERT_GT(db.SavePgnText(-1, g), 0);
  const std::string file = dir.File("Partien-j\xC3\xB6rg.pgn");
  RecordingProgress progress;
  EXPECT_EQ(db.ExportDatabase(file, &progress.dlg), DatabaseO::ExportResult::Done);
  EXPECT_TRUE(std::filesystem::exists(file));
  ASSERT_FALSE(progress.messages.empty());
  EXPECT_EQ(progress.messages.front(), win1252::PathText(dir.Path()) + "Partien-j\xF6rg.pgn [1 games]");
}

TEST(DatabaseStore, RefusedTextsAndWritesStoreNothing) {
  TempDir dir;
  DatabaseO db;
  {
    MessageRecorder rec;
    ASSERT_TRUE(OpenDb(db, dir.File("r.qcx")));
    for (const char *g : kGames) ASSERT_GT(db.SavePgnText(-1, g), 0);
  }
  const std::vector<std::string> before = AllTexts(db);
  ASSERT_EQ(before.size(), 3u);
  const std::string bigger = GameText("Alpha, A", "Beta, B", 9, "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O *");
  struct Case {
    std::string name;
    int32_t n;
    std::string text;
  };
  const std::vector<Case> cases = {
      {"new game, new names", -1, GameText("New White", "New Black", 1)},
      {"new game, known names", -1, GameText("Alpha, A", "Gamma", 1)},
      {"replacement that grew", 3, bigger},
      {"replacement that fits", 2, GameText("Gamma", "Alpha, A", 2, "1. e4 *")},
  };
  // The first writes of each are its names or its record: each refusal
  // answers 0 and leaves the count and every game as they were.
  for (const Case &c : cases) {
    for (int nth = 1; nth <= 3; ++nth) {
      MessageRecorder rec;
      {
        FileFault fault(FileFault::Op::Write, nth, ENOSPC, nth == 2);
        EXPECT_EQ(db.SavePgnText(c.n, c.text), 0) << c.name << " write " << nth;
        EXPECT_TRUE(fault.Fired());
      }
      EXPECT_EQ(AllTexts(db), before) << c.name << " write " << nth;
      EXPECT_FALSE(rec.messages.empty());
    }
  }
  EXPECT_EQ(db.SavePgnText(3, bigger), 3);
  EXPECT_EQ(Loaded(db, 3), Reference(bigger));
  EXPECT_EQ(Loaded(db, 1), Reference(kGames[0]));
  const std::vector<std::string> stored = AllTexts(db);
  // A text that does not pack.
  MessageRecorder rec;
  EXPECT_EQ(db.SavePgnText(-1, "[White \"X\"]\r\n\r\n1. e4 e4 *"), 0);
  EXPECT_EQ(db.SavePgnText(2, "[White \"X\"]\r\n\r\n1. Ke2 Ke7 2. Qxh7 *"), 0);
  EXPECT_EQ(rec.messages, (std::vector<std::string>{CommonText::S_CouldNotParseGame, CommonText::S_CouldNotParseGame}));
  EXPECT_EQ(db.GameCount(), 3);
  EXPECT_EQ(AllTexts(db), stored);
}

TEST(DatabaseStore, EveryNotationLanguageLoadsAndSavesEnglish) {
  TempDir dir;
  MessageRecorder rec;
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("l.qcx")));
  for (const char *g : kGames) ASSERT_GT(db.SavePgnText(-1, g), 0);
  for (LanguageId lang : {LangDutch, LangGerman}) {
    SetCurrentLang(lang);
    for (int n = 1; n <= 3; ++n) {
      ParseResultT r;
      auto g = db.LoadGame(n, r);
      ASSERT_TRUE(g) << "language " << lang << " game " << n << ": " << r.message;
      EXPECT_EQ(g->ModifiedFlags(), 0);
      EXPECT_EQ(db.SaveGame(n, *g), n);
    }
    const int32_t added = [&] {
      ParseResultT r;
      auto g = db.LoadGame(1, r);
      return g ? db.AddGame(*g) : 0;
    }();
    ASSERT_GT(added, 0);
    SetCurrentLang(LangEnglish);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Loaded(db, n), Reference(kGames[n - 1])) << lang;
    EXPECT_EQ(Loaded(db, added), Reference(kGames[0]));
  }
  SetCurrentLang(LangEnglish);
  // A block that does not read gives the failure, not a half game.
  ParseResultT r;
  std::unique_ptr<GameInfoO> tags = db.GetGameTags(3);
  ASSERT_TRUE(tags);
  EXPECT_EQ(tags->GameNr(), 3u);
  EXPECT_EQ(tags->GetTag("White"), "Beta, B");
}

// ------------------------------------------------------------------ the PGN road

TEST(DatabasePgn, OpenLoadStoreCloseWritesEveryGame) {
  TempDir dir, tmp;
  EnvGuard tmpdir("TMPDIR", tmp.Path());
  EnvGuard state("XDG_STATE_HOME", tmp.Path());
  MessageRecorder rec;
  dir.Write("f.pgn", Fixture());
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("f.pgn")));
    EXPECT_FALSE(db.IsModified());
    EXPECT_FALSE(db.HasSearchBooster());
    ASSERT_EQ(db.GameCount(), 3);
    for (int n = 1; n <= 3; ++n) EXPECT_EQ(Loaded(db, n), Reference(kGames[n - 1])) << n;
    ParseResultT r;
    auto g = db.LoadGame(2, r);
    ASSERT_TRUE(g);
    g->AddTag("Annotator", "Me");
    EXPECT_EQ(db.SaveGame(2, *g), 2);
    EXPECT_TRUE(db.IsModified());
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_TRUE(TempSetsGone(tmp));
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("f.pgn")));
  ASSERT_EQ(db.GameCount(), 3);
  EXPECT_EQ(Loaded(db, 1), Reference(kGames[0]));
  EXPECT_EQ(Loaded(db, 3), Reference(kGames[2]));
  auto tags = db.GetGameTags(2);
  EXPECT_EQ(tags->GetTag("Annotator"), "Me");
  EXPECT_EQ(tags->GetTag("FEN"), "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1");
  EXPECT_TRUE(db.Close(nullptr));
  EXPECT_TRUE(rec.messages.empty());
}

TEST(DatabasePgn, UnchangedCapitalsAndMissingFiles) {
  TempDir dir, tmp;
  EnvGuard tmpdir("TMPDIR", tmp.Path());
  EnvGuard state("XDG_STATE_HOME", tmp.Path());
  MessageRecorder rec;
  dir.Write("F.PGN", Fixture());
  // An old time, so that any rewrite shows.
  const struct timespec old[2] = {{1000000000, 0}, {1000000000, 0}};
  ::utimensat(AT_FDCWD, dir.File("F.PGN").c_str(), old, 0);
  const ModTime before(dir.File("F.PGN"));
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("F.PGN")));
    EXPECT_EQ(db.GameCount(), 3);
    for (int n = 1; n <= 3; ++n) Loaded(db, n);
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_EQ(dir.Read("F.PGN"), Fixture());
  EXPECT_TRUE(ModTime(dir.File("F.PGN")) == before);
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("new.pgn")));
    EXPECT_EQ(db.GameCount(), 0);
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_FALSE(files::Exists(dir.File("new.pgn")));
    ASSERT_TRUE(OpenDb(db, dir.File("new.pgn")));
    EXPECT_EQ(db.SavePgnText(-1, kGames[1]), 1);
    EXPECT_TRUE(db.Close(nullptr));
  }
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("new.pgn")));
  ASSERT_EQ(db.GameCount(), 1);
  EXPECT_EQ(Loaded(db, 1), Reference(kGames[1]));
  EXPECT_TRUE(db.Close(nullptr));
  EXPECT_TRUE(rec.messages.empty());
  // A ".pgn" that is there but cannot be read does not open as empty.
  std::filesystem::create_directory(dir.File("dir.pgn"));
  EXPECT_FALSE(OpenDb(db, dir.File("dir.pgn")));
  EXPECT_FALSE(db.IsOpen());
  EXPECT_EQ(rec.messages.size(), 1u);
  EXPECT_TRUE(TempSetsGone(tmp));
}

// Without a folder for the temporary set the open is refused, and the
// message says why (the folder and the system's reason), not only that.
TEST(DatabasePgn, AnOpenRefusedForWantOfATemporaryFolderSaysWhy) {
  Folders f;
  f.dir.Write("f.pgn", Fixture());
  f.dir.Write("plain", "");
  const std::string path = f.dir.File("f.pgn");
  EnvGuard tmpdir("TMPDIR", f.dir.File("plain/tmp"));
  EnvGuard state("XDG_STATE_HOME", f.dir.File("plain/state"));
  MessageRecorder rec;
  DatabaseO db;
  EXPECT_FALSE(OpenDb(db, path));
  EXPECT_FALSE(db.IsOpen());
  ASSERT_EQ(rec.messages.size(), 1u);
  const std::string &m = rec.messages[0];
  const std::string head = SubstituteText(CommonText::S_NoTemporaryDatabase, path) + "\n";
  EXPECT_EQ(m.substr(0, head.size()), head) << m;
  EXPECT_NE(m.find(": " + files::ErrorReason(ENOTDIR)), std::string::npos) << m;
  EXPECT_EQ(f.dir.Read("f.pgn"), Fixture());
}

// A PGN file that cannot be read, or whose games the temporary set cannot
// take, never opens as a set lacking games: each open, read or write fault
// of the opening either refuses the open (nothing written, the temporary
// set gone, a message) or opens every game.
TEST(DatabasePgn, AFaultWhileOpeningRefusesTheOpenOrOpensEveryGame) {
  Folders f;
  f.dir.Write("f.pgn", Fixture());
  const std::string path = f.dir.File("f.pgn");
  const std::string readFailure =
      files::FailureText(SubstituteText(CommonText::S_CouldNotReadPGNFile, path), path, EIO);
  const std::string noSet = SubstituteText(CommonText::S_NoTemporaryDatabase, path);
  std::set<std::string> refusals;
  for (const FileFault::Op op : {FileFault::Op::Open, FileFault::Op::Read, FileFault::Op::Write}) {
    for (int nth = 1;; ++nth) {
      MessageRecorder rec;
      DatabaseO db;
      bool opened = false, fired = false;
      {
        FileFault fault(op, nth, EIO);
        opened = OpenDb(db, path);
        fired = fault.Fired();
      }
      const std::string what = "op " + std::to_string(static_cast<int>(op)) + " nth " + std::to_string(nth);
      if (opened) {
        EXPECT_EQ(db.GameCount(), 3) << what;
        EXPECT_TRUE(db.Close(nullptr)) << what;
      } else {
        EXPECT_FALSE(db.IsOpen()) << what;
        EXPECT_FALSE(rec.messages.empty()) << what;
        for (const std::string &m : rec.messages)
          if (m == readFailure || m == noSet) refusals.insert(m);
      }
      EXPECT_EQ(f.dir.Read("f.pgn"), Fixture()) << what;
      EXPECT_EQ(files::ListFiles(f.dir.Path(), "*"), std::vector<std::string>{"f.pgn"}) << what;
      EXPECT_TRUE(files::ListFiles(f.appDir.Path(), "*.recovered*").empty()) << what;
      EXPECT_TRUE(TempSetsGone(f.tmp)) << what;
      if (!fired) break;
    }
  }
  // The file's own open and read, and the temporary set's refusal, were among them.
  EXPECT_EQ(refusals, (std::set<std::string>{readFailure, noSet}));
}

TEST(DatabasePgn, FailedOrCancelledWriteBackKeepsFileAndDatabase) {
  TempDir dir, tmp;
  EnvGuard tmpdir("TMPDIR", tmp.Path());
  EnvGuard state("XDG_STATE_HOME", tmp.Path());
  // Many games, so the export writes several times and reports progress.
  std::string big;
  for (int i = 1; i <= 1500; ++i) big += GameText("P" + std::to_string(i % 7), "Q", i) + "\r\n";
  dir.Write("real.pgn", big);
  ::chmod(dir.File("real.pgn").c_str(), 0640);
  std::filesystem::create_symlink(dir.File("real.pgn"), dir.File("link.pgn"));
  const std::set<std::string> entries = [&] {
    std::set<std::string> s;
    for (auto &e : std::filesystem::directory_iterator(dir.Path())) s.insert(e.path().filename().string());
    return s;
  }();
  auto unchanged = [&] {
    std::set<std::string> s;
    for (auto &e : std::filesystem::directory_iterator(dir.Path())) s.insert(e.path().filename().string());
    EXPECT_EQ(s, entries);
    EXPECT_EQ(dir.Read("real.pgn"), big);
    EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.pgn")));
  };
  DatabaseO db;
  {
    Questions q({});
    ASSERT_TRUE(OpenDb(db, dir.File("link.pgn")));
  }
  ASSERT_EQ(db.GameCount(), 1500);
  ASSERT_EQ(db.SavePgnText(-1, kGames[0]), 1501);

  // A failed write, for several writes and the flush: No (the default)
  // keeps everything open.
  for (auto [op, nth] : {std::pair{FileFault::Op::Write, 1}, {FileFault::Op::Write, 3}, {FileFault::Op::Flush, 1}}) {
    Questions q({});
    {
      FileFault fault(op, nth, ENOSPC, true);
      EXPECT_FALSE(db.Close(nullptr));
      EXPECT_TRUE(fault.Fired());
    }
    ASSERT_EQ(q.asked.size(), 1u);
    EXPECT_NE(q.asked[0].find(std::to_string(ENOSPC)), std::string::npos);
    EXPECT_EQ(q.defaults[0], ui::mrNo);
    unchanged();
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(db.GameCount(), 1501);
  }
  // A cancel after k games.
  for (int k : {1, 5, 60}) {
    AbortDlgO dlg;
    dlg.Init();
    CancelAfter cancel(dlg, k);
    EXPECT_FALSE(db.Close(&dlg));
    unchanged();
    EXPECT_EQ(db.GameCount(), 1501);
  }
  // The whole write: through the link, with the file's permission bits.
  EXPECT_TRUE(db.Close(nullptr));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("link.pgn")));
  struct stat st{};
  ASSERT_EQ(::stat(dir.File("real.pgn").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_TRUE(TempSetsGone(tmp));
  DatabaseO again;
  ASSERT_TRUE(OpenDb(again, dir.File("real.pgn")));
  EXPECT_EQ(again.GameCount(), 1501);
  EXPECT_EQ(Loaded(again, 1501), Reference(kGames[0]));
  EXPECT_TRUE(again.Close(nullptr));

  // "Yes" to closing after a failure keeps the changes in a recovery file.
  ASSERT_TRUE(OpenDb(again, dir.File("real.pgn")));
  ASSERT_GT(again.SavePgnText(-1, kGames[1]), 0);
  const std::string written = dir.Read("real.pgn");
  {
    Questions q({ui::mrYes});
    FileFault fault(FileFault::Op::Write, 1, EIO);
    EXPECT_TRUE(again.Close(nullptr));
    EXPECT_EQ(q.messages.size(), 1u);
  }
  EXPECT_EQ(dir.Read("real.pgn"), written);
  EXPECT_EQ(GameCountOf(dir.File("real.recovered.pgn")), 1502);
  EXPECT_TRUE(TempSetsGone(tmp));
}

TEST(DatabasePgn, GamesLeftOutAreAskedAbout) {
  TempDir dir, tmp, appDir;
  EnvGuard tmpdir("TMPDIR", tmp.Path());
  EnvGuard state("XDG_STATE_HOME", tmp.Path());
  testutil::AppDirGuard app(appDir.Path());
  const std::string faulty = Fixture() + "[White \"Bad\"]\r\n\r\n1. e4 e4 *\r\n\r\n" + kGames[2];
  auto open = [&](DatabaseO &db) {
    dir.Write("e.pgn", faulty);
    Questions q({});
    EXPECT_TRUE(OpenDb(db, dir.File("e.pgn")));
    EXPECT_EQ(db.OpeningImport().errors, 1);
    EXPECT_EQ(db.GameCount(), 4);
    EXPECT_GT(db.SavePgnText(-1, kGames[0]), 0);
  };
  {  // Cancel (the default) stays open, asking names the file and the loss.
    DatabaseO db;
    open(db);
    Questions q({ui::mrCancel});
    EXPECT_FALSE(db.Close(nullptr));
    ASSERT_EQ(q.asked.size(), 1u);
    EXPECT_EQ(q.defaults[0], ui::mrCancel);
    EXPECT_NE(q.asked[0].find("e.pgn"), std::string::npos);
    EXPECT_NE(q.asked[0].find("prserror.txt"), std::string::npos);
    EXPECT_EQ(q.asked[0].find(CommonText::S_PGNImportStopped), std::string::npos);
    EXPECT_EQ(dir.Read("e.pgn"), faulty);
    EXPECT_TRUE(db.IsOpen());
    Questions no({ui::mrNo});
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(dir.Read("e.pgn"), faulty);
  }
  {  // Yes writes the file without the refused game.
    DatabaseO db;
    open(db);
    Questions q({ui::mrYes});
    EXPECT_TRUE(db.Close(nullptr));
    DatabaseO again;
    Questions quiet({});
    ASSERT_TRUE(OpenDb(again, dir.File("e.pgn")));
    EXPECT_EQ(again.GameCount(), 5);
    EXPECT_EQ(again.OpeningImport().errors, 0);
    EXPECT_TRUE(again.Close(nullptr));
    EXPECT_TRUE(quiet.asked.empty());
  }
  std::string many;
  for (int i = 1; i <= 200; ++i) many += GameText("A", "B", i) + "\r\n";
  dir.Write("c.pgn", many);
  {  // A cancelled opening import says the rest is unread.
    DatabaseO db;
    AbortDlgO dlg;
    dlg.Init();
    {
      CancelAfter cancel(dlg, 10);
      ASSERT_TRUE(OpenDb(db, dir.File("c.pgn"), &dlg));
    }
    EXPECT_TRUE(db.OpeningImport().cancelled);
    EXPECT_LT(db.GameCount(), 200);
    db.SavePgnText(-1, kGames[0]);
    Questions q({ui::mrNo});
    EXPECT_TRUE(db.Close(nullptr));
    ASSERT_EQ(q.asked.size(), 1u);
    EXPECT_NE(q.asked[0].find(CommonText::S_PGNImportStopped), std::string::npos);
    EXPECT_EQ(dir.Read("c.pgn"), many);
  }
  {  // A game the temporary set refuses ends the import like a cancel.
    DatabaseO db;
    // Checkpoints after every few games, so the refused write meets the import.
    db.SetWaitingLimitForTests(512);
    {
      MessageRecorder rec;
      FileFault fault(FileFault::Op::Write, 50, ENOSPC);
      ASSERT_TRUE(OpenDb(db, dir.File("c.pgn")));
      EXPECT_TRUE(fault.Fired());
      EXPECT_FALSE(rec.messages.empty());
    }
    EXPECT_TRUE(db.OpeningImport().cancelled);
    EXPECT_LT(db.GameCount(), 100);
    db.SavePgnText(-1, kGames[0]);
    Questions q({});
    EXPECT_FALSE(db.Close(nullptr));
    ASSERT_EQ(q.asked.size(), 1u);
    EXPECT_NE(q.asked[0].find(CommonText::S_PGNImportStopped), std::string::npos);
    EXPECT_EQ(dir.Read("c.pgn"), many);
  }
  EXPECT_TRUE(TempSetsGone(tmp));
}

TEST(DatabasePgn, EverythingAWriteBackWouldLoseIsAskedAbout) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  struct Case {
    std::string name, text, line;
    int games, errors;
  } cases[] = {
      // An unclosed "{" swallows every game after it.
      {"cut.pgn", std::string(kGames[0]) + "\r\n{ see the notes\r\n" + kGames[2] + kGames[2],
       CommonText::S_PGNImportStopped, 1, 1},
      // Games without tag sections.
      {"bare.pgn", "1. e4 e5 *\r\n\r\n1. d4 d5 2. c4 *\r\n", "prserror.txt", 0, 2},
      // A collection's header comment.
      {"header.pgn", "{ My collection, 2024 }\r\n\r\n" + Fixture(), "", 3, 0},
  };
  for (const Case &c : cases) {
    dir.Write(c.name, c.text);
    DatabaseO db;
    {
      Questions quiet({});
      ASSERT_TRUE(OpenDb(db, dir.File(c.name))) << c.name;
    }
    EXPECT_EQ(db.GameCount(), c.games) << c.name;
    EXPECT_EQ(db.OpeningImport().errors, c.errors) << c.name;
    ASSERT_GT(db.SavePgnText(-1, kGames[1]), 0);
    Questions q({ui::mrNo});
    EXPECT_TRUE(db.Close(nullptr)) << c.name;
    ASSERT_EQ(q.asked.size(), 1u) << c.name;
    EXPECT_NE(q.asked[0].find(c.name), std::string::npos) << c.name;
    EXPECT_NE(q.asked[0].find(c.line), std::string::npos) << c.name;
    // The comments: alone, or after the games the write-back would lose.
    const std::string &alone = CommonText::S_PGNCommentsLeftOut;
    const std::string comments = c.errors == 0 ? alone.substr(alone.find("%s") + 2) : CommonText::S_PGNCommentsLeftOutToo;
    EXPECT_EQ(q.asked[0].find(comments) != std::string::npos, c.name != "bare.pgn") << c.name;
    EXPECT_EQ(dir.Read(c.name), c.text) << c.name;
  }
  // A last game without a result is stored, and nothing is asked.
  dir.Write("open.pgn", Fixture() + "[Event \"Last\"]\r\n\r\n1. e4 e5 2. Nf3");
  DatabaseO db;
  Questions q({});
  ASSERT_TRUE(OpenDb(db, dir.File("open.pgn")));
  EXPECT_EQ(db.GameCount(), 4);
  EXPECT_EQ(db.OpeningImport().errors, 0);
  EXPECT_NE(db.GetPgnText(4, 0, false, false).find("2. Nf3"), std::string::npos);
  ASSERT_GT(db.SavePgnText(-1, kGames[1]), 0);
  EXPECT_TRUE(db.Close(nullptr));
  EXPECT_TRUE(q.asked.empty());
  EXPECT_TRUE(TempSetsGone(tmp));
}

TEST(DatabasePgn, QuotesInsideATagValueSurviveImportStoreAndExport) {
  Folders folders;
  const TempDir &dir = folders.dir;
  dir.Write("q.pgn", "[Event \"Open\"]\r\n[White \"\"Mirage\"\"]\r\n[Black \"Beta, B\"]\r\n\r\n1. e4 e5 *\r\n");
  Questions quiet({});
  for (int round = 0; round < 2; ++round) {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("q.pgn")));
    ASSERT_EQ(db.GameCount(), 1);
    EXPECT_EQ(db.GetGameTags(1)->GetTag("White"), "\"Mirage\"") << round;
    const std::string text = db.GetPgnText(1, 0, false, false);
    EXPECT_NE(text.find("[White \"\\\"Mirage\\\"\"]"), std::string::npos) << text;
    // Stored back through the game object, then written back on close.
    ParseResultT r;
    auto game = db.LoadGame(1, r);
    ASSERT_TRUE(game) << r.message;
    EXPECT_EQ(game->GameInfo().GetTag("White"), "\"Mirage\"");
    ASSERT_EQ(db.SaveGame(1, *game), 1);
    EXPECT_EQ(db.GetGameTags(1)->GetTag("White"), "\"Mirage\"");
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_NE(dir.Read("q.pgn").find("[White \"\\\"Mirage\\\"\"]"), std::string::npos);
  EXPECT_TRUE(quiet.asked.empty());
  EXPECT_TRUE(quiet.messages.empty());
}

TEST(DatabasePgn, DoneAndALogoutNeverDropChangedGames) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp, &appDir = folders.appDir;
  Questions q({});
  auto count = [&](const std::string &name) { return GameCountOf(dir.File(name)); };
  // Done keeps a changed set in a new recovery file each time; the user's
  // file keeps its bytes.
  dir.Write("r.pgn", Fixture());
  for (const char *recovery : {"r.recovered.pgn", "r.recovered-2.pgn"}) {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("r.pgn")));
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    db.Done();
    EXPECT_EQ(count(recovery), 4) << recovery;
  }
  EXPECT_EQ(dir.Read("r.pgn"), Fixture());
  std::string list;
  ASSERT_TRUE(files::ReadAll(DatabaseO::RecoveryListPath(), list));
  EXPECT_EQ(list, dir.File("r.pgn") + "\t" + dir.File("r.recovered.pgn") + "\tset\n" + dir.File("r.pgn") + "\t" +
                      dir.File("r.recovered-2.pgn") + "\tset\n");

  // A logout without questions: a file read whole is written back, and a
  // game not stored goes aside, never into the user's file.
  dir.Write("c.pgn", Fixture());
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("c.pgn")));
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    EXPECT_EQ(db.CloseWithoutAsking(std::string()), "");
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(count("c.pgn"), 4);
  const std::string written = dir.Read("c.pgn");
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("c.pgn")));
    EXPECT_EQ(db.CloseWithoutAsking(kGames[1]), dir.File("c.recovered.pgn"));
  }
  EXPECT_EQ(dir.Read("c.pgn"), written);
  EXPECT_EQ(count("c.recovered.pgn"), 1);
  // One whose import left games out keeps its bytes; everything is in the
  // recovery file.
  const std::string faulty = Fixture() + "[White \"Bad\"]\r\n\r\n1. e4 e4 *\r\n";
  dir.Write("e.pgn", faulty);
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("e.pgn")));
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    EXPECT_EQ(db.CloseWithoutAsking(kGames[1]), dir.File("e.recovered.pgn"));
  }
  EXPECT_EQ(dir.Read("e.pgn"), faulty);
  EXPECT_EQ(count("e.recovered.pgn"), 5);
  // A folder that takes no new file (here: gone): the writable directory.
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  dir.Write("sub/g.pgn", Fixture());
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("sub/g.pgn")));
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    std::filesystem::remove_all(dir.File("sub"));
    db.Done();
  }
  std::string text;
  ASSERT_TRUE(files::ReadAll(appDir.File("g.recovered.pgn"), text));
  EXPECT_NE(text.find("[Event \"Third\"]"), std::string::npos);
  EXPECT_TRUE(q.asked.empty());
  EXPECT_TRUE(TempSetsGone(tmp));
}

// ------------------------------------------------------------------ what a killed run leaves

namespace {
// The id of a process that has ended.
pid_t DeadPid() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

void MakeOld(const std::string &path, int64_t seconds = 2 * 24 * 60 * 60) {
  struct timeval times[2];
  times[0].tv_sec = times[1].tv_sec = ::time(nullptr) - seconds;
  times[0].tv_usec = times[1].tv_usec = 0;
  ASSERT_EQ(::utimes(path.c_str(), times), 0) << path;
}

// A run killed with the PGN file open, after storing a game when change.
void LeaveKilledSet(const std::string &pgn, bool change) {
  const pid_t child = ::fork();
  if (child == 0) {
    auto *db = new DatabaseO;
    bool report = false;
    if (!db->Open(pgn, nullptr, nullptr, report)) ::_exit(1);
    if (change && db->SavePgnText(-1, kGames[0]) == 0) ::_exit(2);
    ::_exit(0);  // as a kill: nothing is closed
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << pgn;
}

// The working set folder in tmp's sets folder whose owner record names the
// PGN file.
std::string SetFolderOf(const TempDir &tmp, const std::string &pgn) {
  const std::string sets = SetsDir(tmp);
  for (const std::string &name : files::ListDirs(sets, "tvdb??????")) {
    std::string owner;
    if (files::ReadAll(sets + name + "/owner.txt", owner) &&
        owner.find("\n" + pgn + "\n") != std::string::npos)
      return sets + name + "/";
  }
  return std::string();
}

// The owner record's lines from the fourth (the host) on replaced.
void SetOwnerHost(const std::string &folder, const std::string &hostLines) {
  std::string owner;
  ASSERT_TRUE(files::ReadAll(folder + "owner.txt", owner)) << folder;
  size_t at = 0;
  for (int i = 0; i < 3; ++i) at = owner.find('\n', at) + 1;
  ASSERT_TRUE(files::WriteAllAtomic(folder + "owner.txt", owner.substr(0, at) + hostLines));
}

// Every file of the folder last changed that many seconds ago.
void AgeFolderFiles(const std::string &folder, int64_t seconds) {
  for (const auto &e : std::filesystem::directory_iterator(folder)) MakeOld(e.path().string(), seconds);
}
}  // namespace

TEST(DatabaseRecovery, DeadTemporarySiblingsGoAtOpen) {
  Folders folders;
  const TempDir &dir = folders.dir;
  dir.Write("s.pgn", Fixture());
  const std::string dead = std::to_string(DeadPid()), alive = std::to_string(::getpid());
  const std::string oldDead = "s.pgn.tmp" + dead + "_1", newDead = "s.pgn.tmp" + dead + "_2",
                    oldAlive = "s.pgn.tmp" + alive + "_3", notOurs = "s.pgn.tmpx_4",
                    other = "o.pgn.tmp" + dead + "_5", store = "b.gai.tmp" + dead + "_6";
  for (const std::string &n : {oldDead, newDead, oldAlive, notOurs, other, store}) {
    dir.Write(n, "partial");
    if (n != newDead) MakeOld(dir.File(n));
  }
  Questions q({});
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("s.pgn")));
  EXPECT_FALSE(files::Exists(dir.File(oldDead)));
  for (const std::string &n : {newDead, oldAlive, notOurs, other, store}) EXPECT_TRUE(files::Exists(dir.File(n))) << n;
  EXPECT_TRUE(db.Close(nullptr));
  ASSERT_TRUE(OpenDb(db, dir.File("b.qcx")));
  EXPECT_FALSE(files::Exists(dir.File(store)));
  EXPECT_TRUE(files::Exists(dir.File(other)));
  EXPECT_TRUE(db.Close(nullptr));
}

TEST(DatabaseRecovery, AKilledRunsChangedSetBecomesARecoveryFile) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  const std::string sets = SetsDir(tmp);
  dir.Write("k.pgn", Fixture());
  dir.Write("u.pgn", Fixture());
  // Runs killed with a PGN file open: one stored a game, one changed nothing.
  LeaveKilledSet(dir.File("k.pgn"), true);
  LeaveKilledSet(dir.File("u.pgn"), false);
  // A folder without the owner record that holds a file no set makes is
  // no set of ours.
  ASSERT_EQ(::mkdir((sets + "tvdbXXXXXX").c_str(), 0700), 0);
  std::ofstream(sets + "tvdbXXXXXX/notes.txt") << "mine";
  ASSERT_EQ(files::ListDirs(sets, "tvdb??????").size(), 3u);
  // Left a moment ago by another machine sharing the folder: it may run there.
  for (const char *name : {"k.pgn", "u.pgn"}) SetOwnerHost(SetFolderOf(tmp, dir.File(name)), "elsewhere\n");
  EXPECT_EQ(DatabaseO::RecoverLeftovers(sets), 0);
  EXPECT_EQ(files::ListDirs(sets, "tvdb??????").size(), 3u);
  // A set of a running process is never touched, changed or not.
  Questions q({});
  DatabaseO mine;
  ASSERT_TRUE(OpenDb(mine, dir.File("u.pgn")));
  EXPECT_EQ(DatabaseO::RecoverLeftovers(sets, 0), 1);
  // Left: the folder of no set, and this process's own set.
  const std::vector<std::string> left = files::ListDirs(sets, "tvdb??????");
  EXPECT_EQ(left.size(), 2u);
  EXPECT_NE(std::find(left.begin(), left.end(), "tvdbXXXXXX"), left.end());
  EXPECT_TRUE(mine.IsOpen());
  ASSERT_GT(mine.SavePgnText(-1, kGames[0]), 0);
  EXPECT_EQ(DatabaseO::RecoverLeftovers(sets, 0), 0);
  EXPECT_EQ(mine.GameCount(), 4);
  {
    Questions no({ui::mrNo});
    EXPECT_TRUE(mine.Close(nullptr));
  }
  EXPECT_EQ(dir.Read("k.pgn"), Fixture());
  DatabaseO recovered;
  ASSERT_TRUE(OpenDb(recovered, dir.File("k.recovered.pgn")));
  EXPECT_EQ(recovered.GameCount(), 4);
  EXPECT_TRUE(recovered.Close(nullptr));
  EXPECT_FALSE(files::Exists(dir.File("u.recovered.pgn")));
  std::string list;
  ASSERT_TRUE(files::ReadAll(DatabaseO::RecoveryListPath(), list));
  EXPECT_EQ(list, dir.File("k.pgn") + "\t" + dir.File("k.recovered.pgn") + "\tkilled\n");
}

TEST(DatabaseRecovery, ALeftoversAgeIsItsOwnFilesAndThisMachinesDeadRunsGoAtOnce) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  for (const char *name : {"old.pgn", "away.pgn", "here.pgn"}) {
    dir.Write(name, Fixture());
    LeaveKilledSet(dir.File(name), true);
  }
  // An older build's set (no host line), its files two days old.
  const std::string old = SetFolderOf(tmp, dir.File("old.pgn"));
  SetOwnerHost(old, "");
  AgeFolderFiles(old, 2 * 24 * 60 * 60);
  // Another machine's, an hour old.
  const std::string away = SetFolderOf(tmp, dir.File("away.pgn"));
  SetOwnerHost(away, "elsewhere\n");
  AgeFolderFiles(away, 60 * 60);
  // This machine's, written a moment ago: its process is gone for sure.
  ASSERT_NE(SetFolderOf(tmp, dir.File("here.pgn")), "");
  // The sets' folder, and the sets' own folders, changed just now.
  std::ofstream(SetsDir(tmp) + "touch") << "";
  ASSERT_TRUE(files::Delete(SetsDir(tmp) + "touch"));

  EXPECT_EQ(DatabaseO::RecoverLeftovers(SetsDir(tmp)), 2);
  EXPECT_EQ(SetFolderOf(tmp, dir.File("old.pgn")), "");
  EXPECT_EQ(SetFolderOf(tmp, dir.File("here.pgn")), "");
  EXPECT_EQ(SetFolderOf(tmp, dir.File("away.pgn")), away);
  EXPECT_FALSE(files::Exists(dir.File("away.recovered.pgn")));
  for (const std::string name : {"old", "here"}) {
    EXPECT_EQ(GameCountOf(dir.File(name + ".recovered.pgn")), 4) << name;
    EXPECT_EQ(dir.Read(name + ".pgn"), Fixture()) << name;
  }
}

// Names of 246 to 255 bytes: the recovery file's name is cut in the part
// taken from the PGN file's name, on a character boundary, keeping
// ".recovered", the number and ".pgn".
TEST(DatabaseRecovery, ALongNameGetsARecoveryFileAfterAKill) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  std::string cyrillic;
  for (int i = 0; i < 123; ++i) cyrillic += "\xD0\xB6";  // 246 bytes
  for (const std::string &stem : {std::string(246, 'a'), cyrillic}) {
    const std::string name = stem + ".pgn";
    ASSERT_EQ(name.size(), 250u);
    dir.Write(name, Fixture());
    // Twice: the second recovery file's number takes two more bytes.
    for (const std::string tail : {".recovered.pgn", ".recovered-2.pgn"}) {
      LeaveKilledSet(dir.File(name), true);
      EXPECT_EQ(DatabaseO::RecoverLeftovers(SetsDir(tmp)), 1);
      const size_t keep = stem[0] == 'a' ? 255 - tail.size() : (255 - tail.size()) / 2 * 2;
      const std::string recovery = stem.substr(0, keep) + tail;
      EXPECT_LE(recovery.size(), 255u);
      EXPECT_EQ(GameCountOf(dir.File(recovery)), 4) << recovery.size();
    }
    EXPECT_EQ(dir.Read(name), Fixture());
    // An end by signal with the file changed by another program.
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File(name)));
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    dir.Write(name, Fixture() + kGames[1]);
    const std::string recovery = db.CloseWithoutAsking(std::string());
    EXPECT_EQ(files::ExtractFileName(recovery).size(), stem[0] == 'a' ? 255u : 254u);
    EXPECT_EQ(GameCountOf(recovery), 4);
  }
  EXPECT_TRUE(DatabaseO::TakeRecoveryFailures().empty());
  EXPECT_TRUE(TempSetsGone(tmp));
}

// A killed run's set that no folder takes as a recovery file stays, and
// each start says so with the reasons and the set's folder until one does.
TEST(DatabaseRecovery, ASetNoRecoveryFileTookIsSaidAtEveryStart) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  const std::string pgn = dir.File("sub/g.pgn");
  dir.Write("sub/g.pgn", Fixture());
  LeaveKilledSet(pgn, true);
  const std::string set = SetFolderOf(tmp, pgn);
  ASSERT_NE(set, "");
  // The file's folder is gone and the writable directory cannot be made.
  std::filesystem::remove_all(dir.File("sub"));
  std::filesystem::remove_all(folders.appDir.Path());
  dir.Write("plain", "");
  {
    EnvGuard config("XDG_CONFIG_HOME", dir.File("plain/x"));
    for (int start = 0; start < 2; ++start) {
      EXPECT_EQ(DatabaseO::RecoverLeftovers(SetsDir(tmp)), 0);
      const std::vector<DatabaseO::RecoveryFailure> failures = DatabaseO::TakeRecoveryFailures();
      ASSERT_EQ(failures.size(), 1u);
      EXPECT_EQ(failures[0].file, pgn);
      EXPECT_EQ(failures[0].setFolder, set);
      EXPECT_EQ(failures[0].reason, dir.File("sub/g.recovered.pgn") + ": No such file or directory; " +
                                        dir.File("plain/x/torvanel/g.recovered.pgn") + ": Not a directory");
      EXPECT_EQ(SetFolderOf(tmp, pgn), set);
    }
  }
  // Once a folder takes it, the set goes and nothing more is said.
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(folders.appDir.Path().c_str(), 0755), 0);
  EXPECT_EQ(DatabaseO::RecoverLeftovers(SetsDir(tmp)), 1);
  EXPECT_TRUE(DatabaseO::TakeRecoveryFailures().empty());
  EXPECT_EQ(GameCountOf(dir.File("sub/g.recovered.pgn")), 4);
  EXPECT_TRUE(TempSetsGone(tmp));
}

namespace {
// The owner record rewritten: process id, then the lines from the host on.
void SetOwner(const std::string &folder, int64_t pid, const std::string &pgn, const std::string &fromHost) {
  ASSERT_TRUE(
      files::WriteAllAtomic(folder + "owner.txt", std::to_string(pid) + "\n" + pgn + "\n1\n" + fromHost))
      << folder;
}

// A run killed in the middle of the PGN file's opening import.
void KillDuringImport(const std::string &pgn) {
  const pid_t child = ::fork();
  if (child == 0) {
    ui::Hooks h;
    h.processMessages = [] { ::_exit(0); };  // as a kill: nothing is closed
    ui::InstallHooks(h);
    auto *db = new DatabaseO;
    auto *dlg = new AbortDlgO;
    bool report = false;
    db->Open(pgn, dlg, nullptr, report);
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << pgn;
}

// A run killed after the write-back's rename, before its set was removed:
// by Close, or by the close without questions.
void KillAfterWriteBack(const std::string &pgn, bool withoutAsking) {
  const pid_t child = ::fork();
  if (child == 0) {
    auto *db = new DatabaseO;
    bool report = false;
    if (!db->Open(pgn, nullptr, nullptr, report) || db->SavePgnText(-1, kGames[0]) == 0) ::_exit(1);
    db->SetAfterWriteBackForTests([] { ::_exit(0); });
    if (withoutAsking)
      db->CloseWithoutAsking(std::string());
    else
      db->Close(nullptr);
    ::_exit(2);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << pgn;
}
}  // namespace

// A process id names the owner only with its start time and the boot: a
// later process, or any after a reboot, may have the id.
TEST(DatabaseRecovery, ALeftoverOfAnotherBootOrOfAProcessIdTakenAgainIsRecovered) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  const std::string host = files::HostName(), boot = files::BootId();
  const int64_t started = files::ProcessStartTime(::getpid());
  ASSERT_FALSE(boot.empty());
  ASSERT_GT(started, 0);
  const char *const names[] = {"reboot.pgn", "younger.pgn", "alive.pgn", "older.pgn"};
  for (const char *name : names) {
    dir.Write(name, Fixture());
    LeaveKilledSet(dir.File(name), true);
  }
  // Each names this running process: before a reboot; a process that
  // started earlier than this one; this very process; and, as an older
  // build wrote it, without boot and start time.
  const std::string otherBoot = (boot[0] == '0' ? "1" : "0") + boot.substr(1);
  const std::string lines[] = {host + "\n" + otherBoot + "\n" + std::to_string(started) + "\n",
                               host + "\n" + boot + "\n" + std::to_string(started - 1) + "\n",
                               host + "\n" + boot + "\n" + std::to_string(started) + "\n", host + "\n"};
  for (size_t i = 0; i < std::size(names); ++i)
    SetOwner(SetFolderOf(tmp, dir.File(names[i])), ::getpid(), dir.File(names[i]), lines[i]);
  EXPECT_EQ(DatabaseO::RecoverLeftovers(SetsDir(tmp)), 2);
  for (const std::string name : {"reboot", "younger"}) {
    EXPECT_EQ(SetFolderOf(tmp, dir.File(name + ".pgn")), "") << name;
    EXPECT_EQ(GameCountOf(dir.File(name + ".recovered.pgn")), 4) << name;
  }
  for (const std::string name : {"alive", "older"}) {
    EXPECT_NE(SetFolderOf(tmp, dir.File(name + ".pgn")), "") << name;
    EXPECT_FALSE(files::Exists(dir.File(name + ".recovered.pgn"))) << name;
  }
}

// Sets that hold nothing the PGN file lacks go without a recovery file: one
// killed during its opening import, one killed after its write-back, and an
// earlier build's set that never got an owner record.
TEST(DatabaseRecovery, SetsThatHoldNoChangeGoWithoutARecoveryFile) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  const std::string sets = SetsDir(tmp);
  std::string big;
  for (int i = 1; i <= 300; ++i) big += GameText("P" + std::to_string(i), "Q", i) + "\r\n";
  dir.Write("import.pgn", big);
  KillDuringImport(dir.File("import.pgn"));
  dir.Write("close.pgn", Fixture());
  KillAfterWriteBack(dir.File("close.pgn"), false);
  dir.Write("logout.pgn", Fixture());
  KillAfterWriteBack(dir.File("logout.pgn"), true);
  // The write-backs were done: the files hold the stored game.
  EXPECT_EQ(GameCountOf(dir.File("close.pgn")), 4);
  EXPECT_EQ(GameCountOf(dir.File("logout.pgn")), 4);
  // Earlier builds' folders without a record: of set files alone, two days
  // old; the same, new; old, with a file no set makes.
  for (const char *name : {"tvdbAAAAAA", "tvdbBBBBBB", "tvdbCCCCCC"}) {
    ASSERT_TRUE(files::MakeDirs(sets + name));
    std::ofstream(sets + name + "/games.gad") << "games";
    std::ofstream(sets + name + "/games.gai") << "index";
  }
  std::ofstream(sets + "tvdbCCCCCC/notes.txt") << "mine";
  AgeFolderFiles(sets + "tvdbAAAAAA", 2 * 24 * 60 * 60);
  AgeFolderFiles(sets + "tvdbCCCCCC", 2 * 24 * 60 * 60);
  ASSERT_EQ(files::ListDirs(sets, "tvdb??????").size(), 6u);

  EXPECT_EQ(DatabaseO::RecoverLeftovers(sets), 0);
  EXPECT_EQ(files::ListDirs(sets, "tvdb??????"), (std::vector<std::string>{"tvdbBBBBBB", "tvdbCCCCCC"}));
  for (const char *name : {"import", "close", "logout"})
    EXPECT_FALSE(files::Exists(dir.File(std::string(name) + ".recovered.pgn"))) << name;
  EXPECT_EQ(dir.Read("import.pgn"), big);
  EXPECT_FALSE(files::Exists(DatabaseO::RecoveryListPath()));
}

// Each start looks where working sets go now and where earlier builds put
// them, the temporary folder.
TEST(DatabaseRecovery, TheStartLooksInTheStateFolderAndTheTemporaryFolder) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  for (const char *name : {"now.pgn", "before.pgn"}) {
    dir.Write(name, Fixture());
    LeaveKilledSet(dir.File(name), true);
  }
  const std::string before = SetFolderOf(tmp, dir.File("before.pgn"));
  ASSERT_NE(before, "");
  std::filesystem::rename(before, tmp.Path() + files::ExtractFileName(before.substr(0, before.size() - 1)));
  EXPECT_EQ(DatabaseO::RecoverLeftovers(), 2);
  EXPECT_TRUE(TempSetsGone(tmp));
  for (const std::string name : {"now", "before"})
    EXPECT_EQ(GameCountOf(dir.File(name + ".recovered.pgn")), 4) << name;
}

TEST(DatabasePgn, AFileAnotherWriterChangedIsNeverWrittenOver) {
  Folders folders;
  const TempDir &dir = folders.dir;
  auto count = [&](const std::string &name) { return GameCountOf(dir.File(name)); };
  const std::string path = dir.File("w.pgn");
  dir.Write("w.pgn", Fixture());
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, path));
  ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
  // Another writer appends a game while the file is open.
  const std::string appended = Fixture() + kGames[1] + "\r\n";
  {
    BinFile other;
    const std::string game = std::string(kGames[1]) + "\r\n";
    ASSERT_TRUE(other.Open(path, BinFile::Mode::ReadWrite) && other.SeekEnd() && other.Write(game.data(), game.size()));
  }
  // Asked first; Cancel keeps it open, No leaves the file and sets the
  // changed games aside, with no further question.
  {
    Questions cancel({ui::mrCancel});
    EXPECT_FALSE(db.Close(nullptr));
    ASSERT_EQ(cancel.asked.size(), 1u);
    EXPECT_NE(cancel.asked[0].find(path + " was changed on disk since it was opened"), std::string::npos)
        << cancel.asked[0];
    EXPECT_TRUE(db.IsOpen());
  }
  {
    Questions no({ui::mrNo});
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(no.messages, std::vector<std::string>{"Your changes to " + path +
                                                    " are not in it; the file is as it was. "
                                                    "All its games with your changes are in " +
                                                    dir.File("w.recovered.pgn") + "."});
    EXPECT_FALSE(db.IsOpen());
  }
  EXPECT_EQ(dir.Read("w.pgn"), appended);
  EXPECT_EQ(count("w.recovered.pgn"), 4);

  // The end without questions never writes over it. Here a second copy of
  // the program put a new file in its place.
  ASSERT_TRUE(OpenDb(db, path));
  ASSERT_EQ(db.GameCount(), 4);
  ASSERT_GT(db.SavePgnText(-1, kGames[2]), 0);
  const std::string replaced = appended + kGames[0] + "\r\n";
  dir.Write("w.new", replaced);
  ASSERT_TRUE(files::Rename(dir.File("w.new"), path));
  {
    Questions none({});
    EXPECT_EQ(db.CloseWithoutAsking(std::string()), dir.File("w.recovered-2.pgn"));
    EXPECT_TRUE(none.asked.empty());
  }
  EXPECT_EQ(dir.Read("w.pgn"), replaced);
  EXPECT_EQ(count("w.recovered-2.pgn"), 5);

  // Only its time changed, not its size: still asked; Yes writes over it.
  ASSERT_TRUE(OpenDb(db, path));
  ASSERT_GT(db.SavePgnText(-1, kGames[2]), 0);
  MakeOld(path, 60 * 60);
  {
    Questions yes({ui::mrYes});
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(yes.asked.size(), 1u);
  }
  EXPECT_EQ(count("w.pgn"), 6);
  std::string list;
  ASSERT_TRUE(files::ReadAll(DatabaseO::RecoveryListPath(), list));
  // The first was named at once: only the second is left for the next start.
  EXPECT_EQ(list, path + "\t" + dir.File("w.recovered-2.pgn") + "\tset\n");

  // No folder takes a recovery file (the file's folder gone, no writable
  // directory): No keeps the set open and says so.
  ASSERT_EQ(::mkdir(dir.File("sub").c_str(), 0755), 0);
  dir.Write("sub/g.pgn", Fixture());
  ASSERT_TRUE(OpenDb(db, dir.File("sub/g.pgn")));
  ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
  std::filesystem::remove_all(dir.File("sub"));
  std::filesystem::remove_all(folders.appDir.Path());
  dir.Write("plain", "");
  EnvGuard config("XDG_CONFIG_HOME", dir.File("plain/x"));
  Questions no({ui::mrNo});
  EXPECT_FALSE(db.Close(nullptr));
  ASSERT_EQ(no.messages.size(), 1u);
  EXPECT_EQ(no.messages[0], "No recovery file could be written for " + dir.File("sub/g.pgn") + "; it stays open.");
  EXPECT_TRUE(db.IsOpen());
  EXPECT_EQ(db.GameCount(), 4);
  // Ended while no folder takes a recovery file either: the set stays in
  // the test's temporary folder, nothing goes to the user's folders.
  db.Done();
}

// What tells the file changed is taken before the opening import reads it,
// and holds its size and its time to the nanosecond: a game appended while
// the import runs, an append in place whose writer put the old time back,
// and a rewrite of the same size within the same second are each asked
// about at the close, and No leaves the file as the other writer left it.
TEST(DatabasePgn, AChangeDuringTheImportOrHiddenFromTheClockIsSeen) {
  Folders folders;
  const TempDir &dir = folders.dir;
  const std::string path = dir.File("c.pgn");
  const std::string game = std::string(kGames[1]) + "\r\n";
  struct stat opened {};
  auto append = [&] {
    BinFile other;
    ASSERT_TRUE(other.Open(path, BinFile::Mode::ReadWrite) && other.SeekEnd() &&
                other.Write(game.data(), game.size()));
  };
  auto restoreTime = [&](long nsecShift) {
    struct timespec times[2] = {opened.st_atim, opened.st_mtim};
    times[1].tv_nsec = (times[1].tv_nsec + nsecShift) % 1000000000;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
  };
  for (int kind = 0; kind < 3; ++kind) {
    SCOPED_TRACE(kind);
    dir.Write("c.pgn", Fixture());
    ASSERT_EQ(::stat(path.c_str(), &opened), 0);
    DatabaseO db;
    std::string left;
    if (kind == 0) {
      // Appended after the import stored its first game.
      AbortDlgO dlg;
      dlg.Init();
      ui::Hooks h;
      bool once = false;
      h.processMessages = [&] {
        if (!std::exchange(once, true)) append();
      };
      const ui::Hooks old = ui::InstallHooks(h);
      const bool ok = OpenDb(db, path, &dlg);
      ui::InstallHooks(old);
      ASSERT_TRUE(ok);
      ASSERT_TRUE(once);
      left = Fixture() + game;
    } else {
      ASSERT_TRUE(OpenDb(db, path));
      if (kind == 1) {
        append();
        restoreTime(0);
        left = Fixture() + game;
      } else {
        // One letter of a name changed, within the same second.
        left = Fixture();
        const size_t at = left.find("Beta");
        ASSERT_NE(at, std::string::npos);
        left[at] = 'Z';
        dir.Write("c.pgn", left);
        restoreTime(1);
      }
    }
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    Questions no({ui::mrNo});
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(dir.Read("c.pgn"), left);
  }
}

// ------------------------------------------------------------------ protected and special files

namespace {
std::string Fill(std::string caption, std::initializer_list<std::string> args) {
  for (const std::string &a : args) caption = SubstituteText(caption, a);
  return caption;
}
}  // namespace

// ------------------------------------------------------------------ closing without writing back

namespace {
// The recovery files in a folder, by name.
std::vector<std::string> RecoveryFiles(const TempDir &dir) {
  return files::ListFiles(dir.Path(), "*.recovered*");
}
}  // namespace

// Another program appends a game after the set was written out, just
// before the rename: the write-back asks as it does for a change before it,
// and the end without questions keeps the file and writes a recovery file.
TEST(DatabasePgn, AChangeBetweenTheExportAndTheRenameIsKept) {
  Folders folders;
  const TempDir &dir = folders.dir;
  const std::string path = dir.File("x.pgn");
  const std::string game = std::string(kGames[1]) + "\r\n";
  const std::string appended = Fixture() + game;
  int fired = 0;
  auto appendOnce = [&] {
    if (fired++ > 0) return;
    // The export is written beside the file, not yet renamed.
    EXPECT_EQ(files::ListFiles(dir.Path(), "x.pgn.tmp*").size(), 1u);
    BinFile other;
    ASSERT_TRUE(other.Open(path, BinFile::Mode::ReadWrite) && other.SeekEnd() &&
                other.Write(game.data(), game.size()));
  };
  dir.Write("x.pgn", Fixture());
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, path));
  ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
  db.SetWriteBackFaultForTests(appendOnce);
  {  // Cancel keeps the set open, the file with the other program's game.
    Questions cancel({ui::mrCancel});
    EXPECT_FALSE(db.Close(nullptr));
    ASSERT_EQ(cancel.asked.size(), 1u);
    EXPECT_NE(cancel.asked[0].find(path + " was changed on disk"), std::string::npos) << cancel.asked[0];
    EXPECT_EQ(dir.Read("x.pgn"), appended);
    EXPECT_EQ(files::ListFiles(dir.Path(), "x.pgn.tmp*").size(), 0u);
    EXPECT_TRUE(db.IsOpen());
  }
  {  // Asked before the export now; No sets the changes aside.
    Questions no({ui::mrNo});
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(no.asked.size(), 1u);
    EXPECT_EQ(no.messages, std::vector<std::string>{
                               Fill(CommonText::S_ChangesSetAside, {path, dir.File("x.recovered.pgn")})});
  }
  EXPECT_EQ(dir.Read("x.pgn"), appended);
  EXPECT_EQ(GameCountOf(dir.File("x.recovered.pgn")), 4);
  // Yes writes over a change made during an export the user agreed to.
  fired = 0;
  ASSERT_TRUE(OpenDb(db, path));
  ASSERT_GT(db.SavePgnText(-1, kGames[2]), 0);
  db.SetWriteBackFaultForTests(appendOnce);
  {
    Questions yes({ui::mrYes});
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_EQ(yes.asked.size(), 1u);
    EXPECT_EQ(fired, 2);
  }
  EXPECT_EQ(GameCountOf(path), 5);
  // The end without questions.
  const std::string written = dir.Read("x.pgn");
  fired = 0;
  ASSERT_TRUE(OpenDb(db, path));
  ASSERT_GT(db.SavePgnText(-1, kGames[2]), 0);
  db.SetWriteBackFaultForTests(appendOnce);
  {
    Questions none({});
    EXPECT_EQ(db.CloseWithoutAsking(std::string()), dir.File("x.recovered-2.pgn"));
    EXPECT_TRUE(none.asked.empty());
  }
  EXPECT_EQ(dir.Read("x.pgn"), written + game);
  EXPECT_EQ(GameCountOf(dir.File("x.recovered-2.pgn")), 6);
}

// No at "games would be lost", Yes at a failed write and No at "changed on
// disk" close without writing back: the set goes to a recovery file that
// one message names at once, and the next start does not say it again.
TEST(DatabasePgn, EveryAnswerThatClosesWithoutWritingKeepsTheChanges) {
  Folders folders;
  const TempDir &dir = folders.dir;
  const std::string faulty = Fixture() + "[White \"Bad\"]\r\n\r\n1. e4 e4 *\r\n\r\n";
  struct Case {
    std::string name, text;
    std::vector<int> answers;
  } cases[] = {
      {"lost.pgn", faulty, {ui::mrNo}},
      {"failed.pgn", Fixture(), {ui::mrYes}},
      {"changed.pgn", Fixture(), {ui::mrNo}},
  };
  for (const Case &c : cases) {
    const std::string path = dir.File(c.name);
    dir.Write(c.name, c.text);
    DatabaseO db;
    {
      Questions quiet({});
      ASSERT_TRUE(OpenDb(db, path)) << c.name;
    }
    const int games = db.GameCount() + 1;
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    std::string bytes = c.text;
    if (c.name == "failed.pgn") {
      ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    }
    if (c.name == "changed.pgn") {
      bytes += kGames[2];
      dir.Write(c.name, bytes);
    }
    Questions q(c.answers);
    EXPECT_TRUE(db.Close(nullptr)) << c.name;
    EXPECT_EQ(q.asked.size(), 1u) << c.name;
    const std::string recovery = files::ChangeFileExt(path, ".recovered.pgn");
    EXPECT_EQ(q.messages, std::vector<std::string>{Fill(CommonText::S_ChangesSetAside, {path, recovery})})
        << c.name;
    EXPECT_EQ(dir.Read(c.name), bytes) << c.name;
    EXPECT_EQ(GameCountOf(recovery), games) << c.name;
  }
  EXPECT_TRUE(DatabaseO::TakeRecoveryNotes().empty());
  // A set with no stored change writes nothing and asks nothing.
  dir.Write("same.pgn", faulty);
  {
    Questions q({});
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("same.pgn")));
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_TRUE(q.asked.empty());
  }
  EXPECT_EQ(RecoveryFiles(dir).size(), 3u);
  EXPECT_TRUE(TempSetsGone(folders.tmp));
}

// No recovery file can be made (here every open fails): the two answers
// that would drop the changes ask once more with the reason (No keeps the
// file open, Yes closes it unwritten).
TEST(DatabasePgn, WithoutARecoveryFileClosingWithoutWritingAsksAgain) {
  Folders folders;
  const TempDir &dir = folders.dir;
  const std::string faulty = Fixture() + "[White \"Bad\"]\r\n\r\n1. e4 e4 *\r\n";
  dir.Write("lost.pgn", faulty);
  dir.Write("failed.pgn", Fixture());
  for (const std::string name : {"lost.pgn", "failed.pgn"}) {
    const std::string path = dir.File(name);
    const int closing = name == "lost.pgn" ? ui::mrNo : ui::mrYes;
    DatabaseO db;
    {
      Questions quiet({});
      ASSERT_TRUE(OpenDb(db, path));
    }
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    const int games = db.GameCount();
    for (int discard : {ui::mrNo, ui::mrYes}) {
      Questions q({closing, discard});
      FileFault fault(FileFault::Op::Open, 1, ENOSPC);
      fault.Onward();
      EXPECT_EQ(db.Close(nullptr), discard == ui::mrYes) << name;
      ASSERT_EQ(q.asked.size(), 2u) << name;
      EXPECT_EQ(q.defaults[1], ui::mrNo);
      // Each place tried, by path and the system's reason.
      const std::string recovery = files::ChangeFileExt(name, ".recovered.pgn");
      EXPECT_EQ(q.asked[1], Fill(CommonText::S_NoRecoveryFileQuestion,
                                 {dir.File(recovery) + ": No space left on device; " +
                                  folders.appDir.File(recovery) + ": No space left on device"}));
      EXPECT_TRUE(q.messages.empty());
      EXPECT_EQ(db.IsOpen(), discard == ui::mrNo);
      if (db.IsOpen()) {
        EXPECT_EQ(db.GameCount(), games);
      }
    }
    EXPECT_EQ(dir.Read(name), name == "lost.pgn" ? faulty : Fixture());
  }
  EXPECT_TRUE(RecoveryFiles(dir).empty());
  EXPECT_TRUE(TempSetsGone(folders.tmp));
}

// ------------------------------------------------------------------ protected and special files

// A game of the set that cannot be written: the write-back asks before
// the file goes without it (No keeps the file and the set); the end without
// questions never writes the file without it, and the recovery file leaves
// it out. Each game left out is named in the log.
TEST(DatabaseFiles, AGameThatCannotBeWrittenIsAskedAboutOrLeftOutOfTheRecovery) {
  Folders folders;
  const TempDir &dir = folders.dir;
  // The log as it is; an import makes it anew.
  auto logged = [] {
    std::string text;
    files::ReadAll(ImportLogPath(), text);
    return text;
  };
  auto whites = [](const std::string &path) {
    DatabaseO db;
    std::vector<std::string> v;
    EXPECT_TRUE(OpenDb(db, path));
    for (int32_t n = 1; n <= db.GameCount(); ++n) v.push_back(db.GetGameTags(n)->GetTag("White"));
    db.Done();
    return v;
  };
  // Opened, changed (a game added) and game 3 spoiled in the temporary set.
  auto open = [&](DatabaseO &db, const std::string &name) {
    dir.Write(name, Fixture());
    ASSERT_TRUE(OpenDb(db, dir.File(name)));
    ASSERT_EQ(db.SavePgnText(-1, GameText("Delta", "Epsilon", 4)), 4);
    SpoilMoves(db, db.TempBaseName() + ".gad", 3);
  };
  auto line = [&](const std::string &name) {
    return Fill(CommonText::S_GameNotWritten, {"3", "Beta, B", "Gamma", dir.File(name)});
  };
  {
    DatabaseO db;
    open(db, "f.pgn");
    {
      Questions q({ui::mrNo});
      EXPECT_FALSE(db.Close(nullptr));
      EXPECT_EQ(q.asked, std::vector<std::string>{CommonText::S_GameCannotBeWritten + "\n" + line("f.pgn")});
      EXPECT_TRUE(q.messages.empty());
    }
    EXPECT_TRUE(db.IsOpen());
    EXPECT_EQ(dir.Read("f.pgn"), Fixture());
    EXPECT_EQ(logged(), "");
    {
      Questions q({ui::mrYes});
      EXPECT_TRUE(db.Close(nullptr));
      EXPECT_EQ(q.asked.size(), 1u);
    }
    EXPECT_EQ(logged(), "%" + line("f.pgn") + "\r\n");
    EXPECT_EQ(whites(dir.File("f.pgn")), (std::vector<std::string>{"Alpha, A", "Gamma", "Delta"}));
  }
  {
    DatabaseO db;
    open(db, "g.pgn");
    Questions q({});
    EXPECT_EQ(db.CloseWithoutAsking(std::string()), dir.File("g.recovered.pgn"));
    EXPECT_TRUE(q.asked.empty());
  }
  EXPECT_EQ(dir.Read("g.pgn"), Fixture());
  EXPECT_EQ(logged(), "%" + line("g.recovered.pgn") + "\r\n");
  EXPECT_EQ(whites(dir.File("g.recovered.pgn")), (std::vector<std::string>{"Alpha, A", "Gamma", "Delta"}));
}

TEST(DatabaseFiles, AWriteProtectedPgnFileKeepsItsBytes) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  dir.Write("p.pgn", Fixture());
  // The owner's write bit, not access(): the test holds as root too.
  ASSERT_EQ(::chmod(dir.File("p.pgn").c_str(), 0444), 0);
  DatabaseO db;
  {
    Questions q({});
    ASSERT_TRUE(OpenDb(db, dir.File("p.pgn")));
    ASSERT_EQ(q.messages.size(), 1u);
    EXPECT_NE(q.messages[0].find("p.pgn"), std::string::npos);
  }
  ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
  {  // No keeps the file open.
    Questions q({ui::mrNo});
    EXPECT_FALSE(db.Close(nullptr));
    ASSERT_EQ(q.asked.size(), 1u);
    // The second line names the file and the reason in words.
    EXPECT_EQ(q.asked[0], Fill(CommonText::S_PGNWriteFailed, {dir.File("p.pgn"), std::to_string(EACCES)}) +
                              "\n" + dir.File("p.pgn") + ": Permission denied");
    EXPECT_TRUE(db.IsOpen());
  }
  {  // Yes closes without writing; the changes go to a recovery file.
    Questions q({ui::mrYes});
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_EQ(dir.Read("p.pgn"), Fixture());
  EXPECT_EQ(GameCountOf(dir.File("p.recovered.pgn")), 4);
  EXPECT_TRUE(TempSetsGone(tmp));
}

TEST(DatabaseFiles, FoldersPipesAndLinksToThemAreRefusedUntouched) {
  Folders folders;
  const TempDir &dir = folders.dir, &tmp = folders.tmp;
  auto fifo = [&](const std::string &name) { ASSERT_EQ(::mkfifo(dir.File(name).c_str(), 0644), 0); };
  fifo("pipe");
  fifo("f.pgn");
  fifo("n.qcx");
  fifo("s.gai");
  fifo("t.pls");
  ASSERT_EQ(::symlink(dir.File("pipe").c_str(), dir.File("l.pgn").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("pipe").c_str(), dir.File("v.key").c_str()), 0);
  ASSERT_EQ(::mkdir(dir.File("d.pgn").c_str(), 0755), 0);
  ASSERT_EQ(::mkdir(dir.File("u.gad").c_str(), 0755), 0);
  auto listing = [&] {
    std::set<std::string> names;
    for (const auto &e : std::filesystem::directory_iterator(dir.Path())) names.insert(e.path().filename().string());
    return names;
  };
  const std::set<std::string> before = listing();
  const std::pair<const char *, const char *> cases[] = {
      {"f.pgn", "f.pgn"}, {"l.pgn", "l.pgn"}, {"d.pgn", "d.pgn"}, {"n.qcx", "n.qcx"},
      {"s.qcx", "s.gai"}, {"t.qcx", "t.pls"}, {"u.qcx", "u.gad"}, {"v.qcx", "v.key"},
  };
  for (const auto &[open, special] : cases) {
    DatabaseO db;
    Questions q({});
    EXPECT_FALSE(OpenDb(db, dir.File(open))) << open;
    EXPECT_FALSE(db.IsOpen());
    ASSERT_EQ(q.messages.size(), 1u) << open;
    EXPECT_EQ(q.messages[0], Fill(CommonText::S_NotARegularFile, {dir.File(special)})) << open;
    EXPECT_EQ(listing(), before) << open;
  }
  for (const char *name : {"pipe", "f.pgn", "n.qcx", "s.gai", "t.pls"}) {
    struct stat st{};
    ASSERT_EQ(::lstat(dir.File(name).c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode)) << name;
  }
  EXPECT_TRUE(TempSetsGone(tmp));
}

TEST(DatabaseFiles, AFailedNewDatabaseLeavesNothingAndLongNamesWork) {
  Folders folders;
  const TempDir &dir = folders.dir;
  for (int nth = 1; nth <= 12; ++nth) {
    DatabaseO db;
    MessageRecorder rec;
    FileFault fault(FileFault::Op::Open, nth, EIO);
    const bool opened = OpenDb(db, dir.File("new.qcx"));
    if (!fault.Fired()) {
      EXPECT_TRUE(opened);
      break;
    }
    EXPECT_FALSE(opened) << nth;
    EXPECT_TRUE(std::filesystem::is_empty(std::filesystem::path(dir.Path()))) << nth;
  }
  // Names of 255 bytes: the set's files and their temporary siblings.
  const std::string name = std::string(251, 'g') + ".qcx";
  {
    DatabaseO db;
    Questions q({});
    ASSERT_TRUE(OpenDb(db, dir.File(name)));
    ASSERT_GT(db.SavePgnText(-1, kGames[0]), 0);
    db.SetDescription("long");
    EXPECT_TRUE(db.Close(nullptr));
    EXPECT_TRUE(q.messages.empty());
  }
  DatabaseO again;
  ASSERT_TRUE(OpenDb(again, dir.File(name)));
  EXPECT_EQ(again.GameCount(), 1);
  EXPECT_EQ(again.GetDescription(), "long");
  EXPECT_TRUE(again.Close(nullptr));
}

// ------------------------------------------------------------------ keys


TEST(DatabaseKeys, ImportsLeaveTotalsAsARecountGivesThem) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  std::string many;
  for (int i = 1; i <= 150; ++i) {
    const char *openings[] = {"1. e4 c5 2. Nf3 d6 *", "1. d4 Nf6 2. c4 g6 *", "1. e4 e5 2. Nf3 Nc6 3. Bb5 *",
                              "1. c4 e5 *", "1. a3 *"};
    many += GameText("W" + std::to_string(i % 9), "B", i, openings[i % 5]) + "\r\n";
  }
  dir.Write("g.pgn", many);
  for (bool classify : {false, true}) {
    for (int cancelAt : {0, 40}) {
      SCOPED_TRACE(std::string(classify ? "classify" : "root") + (cancelAt ? " cancelled" : " whole"));
      const std::string name = std::string("k") + (classify ? "c" : "r") + std::to_string(cancelAt);
      ASSERT_GE(KeyTreeO::ImportTextFile(dir.File(name + ".key"), testutil::DataDir() + "class.txt"), 0);
      MessageRecorder rec;
      DatabaseO db;
      db.ClassifyOnImport = classify;
      ASSERT_TRUE(OpenDb(db, dir.File(name + ".qcx")));
      ASSERT_TRUE(db.HasKeys());
      AbortDlgO dlg;
      dlg.Init();
      bool flag = true;
      {
        CancelAfter cancel(dlg, cancelAt ? cancelAt : -1);
        EXPECT_TRUE(db.ImportDatabase(dir.File("g.pgn"), &dlg, nullptr, false, false, flag));
      }
      EXPECT_FALSE(flag);
      if (cancelAt) EXPECT_LT(db.GameCount(), 150);
      else EXPECT_EQ(db.GameCount(), 150);
      auto [stored, recount] = Totals(db.KeyTree());
      EXPECT_EQ(stored, recount);
      EXPECT_EQ(stored[0], static_cast<uint32_t>(db.GameCount()));
      if (!classify) {
        db.KeyTree().GoRoot();
        EXPECT_EQ(db.KeyTree().GameCount(), db.GameCount());
      }
      EXPECT_TRUE(db.Close(nullptr));
    }
  }
}

TEST(DatabaseKeys, KeySetThatFailsToOpenLeavesItsFilesAlone) {
  TempDir dir, tmp;
  testutil::AppDirGuard app(tmp.Path());
  ASSERT_GE(KeyTreeO::ImportTextFile(dir.File("d.key"), testutil::DataDir() + "class.txt"), 0);
  {
    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("d.qcx")));
    ASSERT_TRUE(db.HasKeys());
    EXPECT_TRUE(db.Close(nullptr));
  }
  std::map<std::string, std::string> keyFiles;
  for (const char *e : {".key", ".kls", ".gls", ".gki", ".hsh", ".pos"}) keyFiles[e] = dir.Read(std::string("d") + e);
  int withoutKeys = 0;
  for (int nth = 1; nth <= 40; ++nth) {
    MessageRecorder rec;
    DatabaseO db;
    bool opened;
    {
      FileFault fault(FileFault::Op::Open, nth, EACCES);
      opened = OpenDb(db, dir.File("d.qcx"));
      if (!fault.Fired()) {
        EXPECT_TRUE(opened && db.HasKeys());
        break;
      }
    }
    EXPECT_FALSE(rec.messages.empty()) << nth;
    if (opened && !db.HasKeys()) {
      ++withoutKeys;
      const int32_t n = db.SavePgnText(-1, kGames[0]);
      EXPECT_EQ(n, db.GameCount());
    }
    EXPECT_TRUE(db.Close(nullptr));
    for (auto &[e, bytes] : keyFiles) EXPECT_EQ(dir.Read("d" + e), bytes) << e << " open " << nth;
  }
  EXPECT_GT(withoutKeys, 0);
}

// ------------------------------------------------------------------ booster

namespace {
// Every walk of every player and event/site reaches exactly the games a
// scan of the descriptors gives.
void ExpectWalksMatchDescriptors(DatabaseO &db) {
  std::map<uint32_t, std::set<int32_t>> players, sites;
  for (int32_t n = 1; n <= db.GameCount(); ++n) {
    GameDescriptor d;
    ASSERT_TRUE(db.GameStore().ReadDescriptor(n, d));
    if (d.white) players[d.white].insert(n);
    if (d.black) players[d.black].insert(n);
    if (d.eventSite) sites[d.eventSite].insert(n);
  }
  auto check = [&](const std::map<uint32_t, std::set<int32_t>> &expected, bool player) {
    for (auto &[id, games] : expected) {
      std::set<int32_t> walked;
      auto visit = [&](int32_t g, const GameDescriptor &) { return walked.insert(g).second; };
      EXPECT_TRUE(player ? db.SearchBooster().WalkPlayer(db.GameStore(), id, visit)
                         : db.SearchBooster().WalkEventSite(db.GameStore(), id, visit));
      EXPECT_EQ(walked, games) << (player ? "player " : "event/site ") << id;
    }
  };
  check(players, true);
  check(sites, false);
}
}  // namespace

TEST(DatabaseBooster, LostOrCutFilesAndRefusedWritesAreRebuilt) {
  TempDir dir;
  MessageRecorder rec;
  const std::string path = dir.File("b.qcx");
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    for (int i = 1; i <= 30; ++i) ASSERT_EQ(db.SavePgnText(-1, GameText("P" + std::to_string(i % 4), "Q" + std::to_string(i % 3), i)), i);
    EXPECT_TRUE(db.Close(nullptr));
  }
  auto reopenAndCheck = [&] {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    EXPECT_TRUE(db.HasSearchBooster());
    EXPECT_EQ(db.SearchBooster().LinkedGames(), db.GameCount());
    ExpectWalksMatchDescriptors(db);
    EXPECT_TRUE(db.Close(nullptr));
  };
  files::Delete(dir.File("b.bpl"));
  reopenAndCheck();
  ASSERT_EQ(::truncate(dir.File("b.bli").c_str(), 12 * 10), 0);
  reopenAndCheck();

  // The booster refuses a write after the game is stored: a game of known
  // names costs the same writes each time, the last of them the game's
  // ".bli" record.
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, path));
  int writes = 0;
  {
    FileFault probe(FileFault::Op::Write, 1 << 30, 0);
    ASSERT_EQ(db.SavePgnText(-1, GameText("P1", "Q1", 99)), 31);
    writes = probe.Seen();
  }
  ASSERT_GT(writes, 4);  // the record, its index entry, then the booster
  int32_t stored = 0;
  {
    FileFault fault(FileFault::Op::Write, writes, ENOSPC);
    stored = db.SavePgnText(-1, GameText("P1", "Q1", 100));
    ASSERT_TRUE(fault.Fired());
  }
  ASSERT_EQ(stored, 32);
  EXPECT_FALSE(db.HasSearchBooster());
  EXPECT_EQ(files::FileSize(dir.File("b.bli")), 0);
  {
    // A search by name finds every game of the player without the booster.
    GameSearchMaskO m;
    m.SetIgnoreColors(false);
    m.AddPlayer("P1", scNone, 0);
    const int target = db.NewGameList();
    db.SearchGames(&m, target, 0, nullptr);
    std::set<int32_t> found, expected;
    for (int32_t i = 1; i <= db.GameListCount(target); ++i) found.insert(db.GameListGameNr(target, i));
    for (int32_t n = 1; n <= db.GameCount(); ++n)
      if (db.GetGameTags(n)->GetTag("White") == "P1") expected.insert(n);
    EXPECT_EQ(found, expected);
    EXPECT_EQ(expected.size(), 10u);
    db.FreeGameList(target);
  }
  const std::string bpl = dir.Read("b.bpl"), bes = dir.Read("b.bes");
  EXPECT_EQ(db.SavePgnText(-1, GameText("P2", "New", 101)), 33);
  EXPECT_EQ(db.SavePgnText(5, GameText("Other", "Q1", 5)), 5);
  EXPECT_EQ(dir.Read("b.bpl"), bpl);
  EXPECT_EQ(dir.Read("b.bes"), bes);
  EXPECT_EQ(files::FileSize(dir.File("b.bli")), 0);
  EXPECT_TRUE(db.Close(nullptr));
  reopenAndCheck();

  // Switching off deletes the files; on builds them from scratch.
  ASSERT_TRUE(OpenDb(db, path));
  db.SetSearchBooster(false);
  EXPECT_FALSE(files::Exists(dir.File("b.bli")));
  db.SetSearchBooster(true);
  EXPECT_TRUE(db.HasSearchBooster());
  ExpectWalksMatchDescriptors(db);
  EXPECT_TRUE(db.Close(nullptr));
}

// Switching off deletes ".bli" first, building cuts it first: a deletion
// or a truncation refused after it leaves a set whose next open keeps the
// booster off, or builds it again.
TEST(DatabaseBooster, SwitchingOffAndBuildingStopAfterTheLinks) {
  TempDir dir;
  MessageRecorder rec;
  const std::string path = dir.File("o.qcx");
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    for (int i = 1; i <= 12; ++i) ASSERT_EQ(db.SavePgnText(-1, GameText("P" + std::to_string(i % 3), "Q", i)), i);
    {
      FileFault fault(FileFault::Op::Delete, 2, EACCES);
      db.SetSearchBooster(false);
      EXPECT_TRUE(fault.Fired());
    }
    EXPECT_FALSE(files::Exists(dir.File("o.bli")));
    EXPECT_TRUE(db.Close(nullptr));
  }
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    EXPECT_FALSE(db.HasSearchBooster());  // the switch-off holds
    {
      FileFault fault(FileFault::Op::Truncate, 2, EIO);
      db.SetSearchBooster(true);
      EXPECT_TRUE(fault.Fired());
    }
    EXPECT_FALSE(db.HasSearchBooster());
    EXPECT_EQ(files::FileSize(dir.File("o.bli")), 0);
    EXPECT_TRUE(db.Close(nullptr));
  }
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, path));
  EXPECT_TRUE(db.HasSearchBooster());
  EXPECT_EQ(db.SearchBooster().LinkedGames(), 12);
  ExpectWalksMatchDescriptors(db);
}

TEST(DatabaseBooster, KilledWriterLosesNoReportedGame) {
  TempDir dir;
  MessageRecorder rec;
  const std::string path = dir.File("k.qcx");
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    ASSERT_TRUE(db.Close(nullptr));
  }
  std::map<int32_t, int> reported;  // game number -> round written into it
  int round = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    std::mt19937 rng(seed);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int first = round;
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      DatabaseO db;
      bool r;
      if (!db.Open(path, nullptr, nullptr, r)) ::_exit(3);
      for (int i = first + 1;; ++i) {
        const int32_t n = db.SavePgnText(-1, GameText("W" + std::to_string(i % 5), "B" + std::to_string(i % 3), i));
        if (n == 0) ::_exit(4);
        const int32_t msg[2] = {n, i};
        if (::write(fds[1], msg, sizeof msg) != sizeof msg) ::_exit(5);
      }
    }
    ::close(fds[1]);
    // Some games reported (so the child is writing, however loaded the
    // machine), then the kill at a random moment of what follows.
    int32_t msg[2];
    auto take = [&] {
      reported[msg[0]] = msg[1];
      round = std::max(round, msg[1]);
    };
    for (int target = std::uniform_int_distribution<int>(2, 40)(rng);
         target > 0 && ::read(fds[0], msg, sizeof msg) == sizeof msg; --target)
      take();
    ::usleep(std::uniform_int_distribution<int>(0, 3000)(rng));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "child ended with " << WEXITSTATUS(status);
    while (::read(fds[0], msg, sizeof msg) == sizeof msg) take();
    ::close(fds[0]);
    round += 1000;  // rounds of a killed child that were not reported stay unique

    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path)) << "seed " << seed;
    EXPECT_TRUE(db.HasSearchBooster());
    // One walk per Black player reaches every game of that player.
    std::map<uint32_t, std::set<int32_t>> walked;
    for (auto &[n, i] : reported) {
      ASSERT_LE(n, db.GameCount()) << "seed " << seed;
      auto tags = db.GetGameTags(n);
      ASSERT_TRUE(tags);
      EXPECT_EQ(tags->GetTag("Round"), std::to_string(i));
      GameDescriptor d;
      ASSERT_TRUE(db.GameStore().ReadDescriptor(n, d));
      EXPECT_EQ(db.Players().GetText(d.white), "W" + std::to_string(i % 5));
      EXPECT_EQ(db.Players().GetText(d.black), "B" + std::to_string(i % 3));
      if (!walked.count(d.black)) {
        db.SearchBooster().WalkPlayer(db.GameStore(), d.black, [&](int32_t g, const GameDescriptor &) {
          walked[d.black].insert(g);
          return true;
        });
      }
      EXPECT_TRUE(walked[d.black].count(n)) << "seed " << seed << " game " << n;
    }
    const int32_t more = db.SavePgnText(-1, GameText("After", "Kill", ++round));
    EXPECT_EQ(more, db.GameCount());
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_GT(reported.size(), 20u);
}

// A bulk import lets its writes wait in memory: a kill at any moment of
// it leaves files that open without a word, games of earlier imports all
// there, every game readable as its own and reached by the booster's walks.
TEST(DatabaseBooster, KilledImportLeavesAConsistentPrefix) {
  TempDir dir;
  const std::string path = dir.File("k.qcx");
  constexpr int kGames = 1500;
  std::string pgn;
  // Over 3000 players: the names are sorted during the import too.
  for (int i = 1; i <= kGames; ++i)
    pgn += GameText("P" + std::to_string(i * 7 % 3400), "Q" + std::to_string(i % 1900), i,
                    i % 2 ? "1. e4 e5 2. Nf3 *" : "1. d4 d5 2. c4 e6 3. Nc3 *") +
           "\r\n";
  dir.Write("a.pgn", pgn);
  // The second file's games at another site.
  for (size_t at = 0; (at = pgn.find("\"Here\"", at)) != std::string::npos; at += 7) pgn.replace(at + 1, 4, "There");
  dir.Write("b.pgn", pgn);
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path));
    ASSERT_TRUE(db.Close(nullptr));
  }
  int32_t before = 0;  // games of the imports before the killed one
  int64_t importUs = 0;
  int killed = 0;
  for (unsigned seed = 1; seed <= 16; ++seed) {
    std::mt19937 rng(seed);
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(fds[0]);
      DatabaseO db;
      // Checkpoints every few dozen games, so a kill meets them too.
      db.SetWaitingLimitForTests(8192);
      bool r;
      if (!db.Open(path, nullptr, nullptr, r)) ::_exit(3);
      const char go = 1;
      if (::write(fds[1], &go, 1) != 1) ::_exit(5);
      db.ImportDatabase(dir.File(seed % 2 ? "a.pgn" : "b.pgn"), nullptr, nullptr, false, false, r);
      db.Close(nullptr);
      ::_exit(0);
    }
    ::close(fds[1]);
    char go = 0;
    ASSERT_EQ(::read(fds[0], &go, 1), 1);
    ::close(fds[0]);
    // The first import runs whole and tells how long one takes; the
    // others are killed at a random moment of that time.
    const auto started = std::chrono::steady_clock::now();
    if (seed > 1) {
      ::usleep(static_cast<useconds_t>(std::uniform_int_distribution<int64_t>(0, importUs * 3 / 4)(rng)));
      ::kill(pid, SIGKILL);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (seed == 1)
      importUs = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started)
                     .count();
    killed += WIFSIGNALED(status) ? 1 : 0;

    MessageRecorder rec;
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, path)) << "seed " << seed;
    EXPECT_TRUE(rec.messages.empty()) << "seed " << seed << ": " << rec.messages.front();
    ASSERT_TRUE(db.HasSearchBooster());
    const int32_t count = db.GameCount();
    ASSERT_GE(count, before) << "seed " << seed;
    // Each game is the one its place in its import says, names and all.
    std::map<uint32_t, std::set<int32_t>> ofPlayer, ofSite;
    int32_t start = 0;
    for (int32_t n = 1; n <= count; ++n) {
      GameDescriptor d;
      ASSERT_TRUE(db.GameStore().ReadDescriptor(n, d)) << "seed " << seed;
      auto tags = db.GetGameTags(n);
      ASSERT_TRUE(tags) << "seed " << seed << " game " << n;
      const int i = std::stoi(tags->GetTag("Round"));
      if (i == 1) start = n - 1;
      ASSERT_EQ(i, n - start) << "seed " << seed << " game " << n;
      EXPECT_EQ(db.Players().GetText(d.white), "P" + std::to_string(i * 7 % 3400));
      EXPECT_EQ(db.Players().GetText(d.black), "Q" + std::to_string(i % 1900));
      ofPlayer[d.white].insert(n);
      ofPlayer[d.black].insert(n);
      ofSite[d.eventSite].insert(n);
    }
    // The walks reach exactly the games of their name.
    for (auto [walks, of] : {std::pair{true, &ofPlayer}, {false, &ofSite}}) {
      for (const auto &[id, games] : *of) {
        std::set<int32_t> walked;
        const auto visit = [&](int32_t g, const GameDescriptor &) { return walked.insert(g), true; };
        ASSERT_TRUE(walks ? db.SearchBooster().WalkPlayer(db.GameStore(), id, visit)
                          : db.SearchBooster().WalkEventSite(db.GameStore(), id, visit));
        EXPECT_EQ(walked, games) << "seed " << seed << " id " << id;
      }
    }
    before = count;
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_GE(killed, 5);
}

// An import's writes reach the disk at its end: a write refused then ends
// it with the failed file's message, and the stores go on from what the
// disk holds, never from a write it lost.
TEST(DatabaseStore, RefusedImportWriteLeavesTheStoresInStepWithTheirFiles) {
  TempDir dir;
  std::string pgn;
  for (int i = 1; i <= 30; ++i) pgn += GameText("W" + std::to_string(i), "B" + std::to_string(i % 4), i) + "\r\n";
  dir.Write("g.pgn", pgn);
  auto import = [&](DatabaseO &db) {
    bool flag = false;
    return db.ImportDatabase(dir.File("g.pgn"), nullptr, nullptr, false, false, flag);
  };
  int writes = 0;
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("probe.qcx")));
    FileFault probe(FileFault::Op::Write, 1 << 30, 0);
    ASSERT_TRUE(import(db));
    writes = probe.Seen();
  }
  // Names, games and booster files: one write each.
  EXPECT_LE(writes, 12);
  std::set<std::string> failedFiles;
  for (int nth = 1; nth <= writes; ++nth) {
    for (bool torn : {false, true}) {
      SCOPED_TRACE("write " + std::to_string(nth) + (torn ? " torn" : ""));
      const std::string path = dir.File("t" + std::to_string(nth) + (torn ? "s" : "") + ".qcx");
      int32_t count = 0;
      {
        MessageRecorder rec;
        DatabaseO db;
        ASSERT_TRUE(OpenDb(db, path));
        {
          FileFault fault(FileFault::Op::Write, nth, ENOSPC, torn);
          import(db);
          EXPECT_TRUE(fault.Fired());
        }
        ASSERT_EQ(rec.messages.size(), 1u);
        const std::string &m = rec.messages[0];
        const std::string reason = ": " + files::ErrorReason(ENOSPC);
        ASSERT_EQ(m.compare(m.size() - reason.size(), reason.size(), reason), 0) << m;
        const size_t line = m.find('\n');
        ASSERT_NE(line, std::string::npos);
        const std::string ext = files::ExtractFileExt(m.substr(line + 1, m.size() - reason.size() - line - 1));
        failedFiles.insert(ext);
        count = db.GameCount();
        // The booster comes last: the games are all on disk before it.
        if (ext[1] == 'b')
          EXPECT_EQ(count, 30);
        else
          EXPECT_LT(count, 30);
        // A game stored now stands on the disk's names and games.
        ASSERT_EQ(db.SavePgnText(-1, GameText("W" + std::to_string(count + 1), "B9", count + 1)), count + 1);
        EXPECT_TRUE(db.Close(nullptr));
      }
      MessageRecorder rec;
      DatabaseO db;
      ASSERT_TRUE(OpenDb(db, path));
      EXPECT_TRUE(rec.messages.empty()) << rec.messages.front();
      ASSERT_EQ(db.GameCount(), count + 1);
      EXPECT_TRUE(db.HasSearchBooster());
      for (int32_t n = 1; n <= db.GameCount(); ++n) {
        GameDescriptor d;
        ASSERT_TRUE(db.GameStore().ReadDescriptor(n, d));
        EXPECT_EQ(db.Players().GetText(d.white), "W" + std::to_string(n));
        auto tags = db.GetGameTags(n);
        ASSERT_TRUE(tags);
        EXPECT_EQ(tags->GetTag("Round"), std::to_string(n));
        std::set<int32_t> walked;
        db.SearchBooster().WalkPlayer(db.GameStore(), d.white, [&](int32_t g, const GameDescriptor &) {
          walked.insert(g);
          return true;
        });
        EXPECT_EQ(walked, std::set<int32_t>{n});
      }
      EXPECT_TRUE(db.Close(nullptr));
    }
  }
  // Every file of the flush met its failure.
  EXPECT_EQ(failedFiles, (std::set<std::string>{".pld", ".pli", ".esd", ".esi", ".gad", ".gai", ".bpl", ".bes", ".bli"}));
}

TEST(DatabaseEncoding, DecidedAtOpenAndStoredGamesConvertedIntoIt) {
  using win1252::TextEncoding;
  TempDir dir, tmp;
  EnvGuard tmpdir("TMPDIR", tmp.Path());
  EnvGuard state("XDG_STATE_HOME", tmp.Path());
  MessageRecorder rec;
  // A typed game: its texts in UTF-8, the comment with a character
  // Windows-1252 lacks.
  const std::string typed = GameText("J\xc3\xbcrgen", "Benk\xc5\x91", 9, "1. e4 {caf\xc3\xa9 \xc5\x91} e5 *");
  // UTF-8 file: stays UTF-8, the other games keep their bytes.
  const std::string utf8Games = GameText("Benk\xc5\x91, P\xc3\xa1l", "\xce\x91\xce\xbb", 1) +
                                "\r\n" + GameText("\xd0\x96", "\xc3\x93lafsson", 2);
  dir.Write("u.pgn", utf8Games);
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("u.pgn")));
    EXPECT_EQ(db.OpeningImport().textKind, win1252::TextKind::Utf8);
    EXPECT_EQ(db.TextEncoding(), TextEncoding::Utf8);
    ASSERT_EQ(db.SavePgnText(-1, typed), 3);
    // A game of Windows-1252 bytes (another file's) stored here turns UTF-8.
    ASSERT_EQ(db.SavePgnText(-1, GameText("B\xf6hm", "Caf\xe9", 4)), 4);
    EXPECT_TRUE(db.Close(nullptr));
  }
  const std::string u = dir.Read("u.pgn");
  EXPECT_TRUE(win1252::IsUtf8(u));
  EXPECT_NE(u.find("Benk\xc5\x91, P\xc3\xa1l"), std::string::npos);
  EXPECT_NE(u.find("J\xc3\xbcrgen"), std::string::npos);
  EXPECT_NE(u.find("{caf\xc3\xa9 \xc5\x91}"), std::string::npos);
  EXPECT_NE(u.find("B\xc3\xb6hm"), std::string::npos);
  // Windows-1252 file: typed UTF-8 is stored as Windows-1252, "?" for what it lacks.
  dir.Write("w.pgn", GameText("M\xfcller", "B\xf6hm", 1));
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("w.pgn")));
    EXPECT_EQ(db.TextEncoding(), TextEncoding::Win1252);
    ASSERT_EQ(db.SavePgnText(-1, typed), 2);
    EXPECT_TRUE(db.Close(nullptr));
  }
  const std::string w = dir.Read("w.pgn");
  EXPECT_NE(w.find("J\xfcrgen"), std::string::npos);
  EXPECT_NE(w.find("Benk?"), std::string::npos);
  EXPECT_NE(w.find("{caf\xe9 ?}"), std::string::npos);
  EXPECT_EQ(win1252::Classify(w), win1252::TextKind::Other);
  EXPECT_EQ(win1252::FromUtf8(win1252::ToUtf8(w)), w);  // no UTF-8 sequence in it
  EXPECT_EQ(w.find("\xc3"), std::string::npos);
  // Native: decided from the name files; a new or ASCII set is UTF-8.
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("n.qcx")));
    EXPECT_EQ(db.TextEncoding(), TextEncoding::Utf8);
    ASSERT_EQ(db.SavePgnText(-1, GameText("Caf\xe9", "X", 1)), 1);
    ASSERT_EQ(db.SavePgnText(-1, typed), 2);
    EXPECT_EQ(db.GetGameTags(1)->GetTag("White"), "Caf\xc3\xa9");
    EXPECT_TRUE(db.Close(nullptr));
  }
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("n.qcx")));
    EXPECT_EQ(db.TextEncoding(), TextEncoding::Utf8);
    EXPECT_EQ(db.Players().Find("Caf\xc3\xa9"), 1u);
    EXPECT_TRUE(db.Close(nullptr));
  }
  // The import command converts into the database's encoding: a
  // Windows-1252 file into this UTF-8 set.
  dir.Write("w1252.pgn", GameText("Sch\xfc\x8aler", "X", 5, "1. e4 {K\xf6ln} *"));
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("n.qcx")));
    bool flag = false;
    ASSERT_TRUE(db.ImportDatabase(dir.File("w1252.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db.GameCount(), 3);
    EXPECT_EQ(db.GetGameTags(3)->GetTag("White"), "Sch\xc3\xbc\xc5\xa0ler");
    EXPECT_NE(db.GetPgnText(3, 0, false, false).find("{K\xc3\xb6ln}"), std::string::npos);
    EXPECT_EQ(db.TextEncoding(), TextEncoding::Utf8);
    EXPECT_TRUE(db.Close(nullptr));
  }
  // A set whose names hold Windows-1252 bytes (written before games were
  // converted) opens as Windows-1252.
  {
    IndexManO names;
    ASSERT_TRUE(names.Open(dir.File("old.pli")));
    names.FindOrAdd("M\xfcller");
  }
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("old.qcx")));
    EXPECT_EQ(db.TextEncoding(), TextEncoding::Win1252);
    // A UTF-8 set imported into it: its game text converted.
    bool flag = false;
    ASSERT_TRUE(db.ImportDatabase(dir.File("n.qcx"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db.GameCount(), 3);
    EXPECT_EQ(db.GetGameTags(1)->GetTag("White"), "Caf\xe9");
    EXPECT_EQ(db.GetGameTags(2)->GetTag("Black"), "Benk?");
    EXPECT_NE(db.GetPgnText(2, 0, false, false).find("{caf\xe9 ?}"), std::string::npos);
    EXPECT_EQ(db.GetGameTags(3)->GetTag("White"), "Sch\xfc\x8aler");
    EXPECT_TRUE(db.Close(nullptr));
  }
  EXPECT_TRUE(rec.messages.empty()) << rec.messages.front();
}

// A game of a mixed Windows-1252 file or database, edited and stored back in
// its place, keeps every byte of its text; a game from another database,
// added or imported, is converted into the file's encoding.
TEST(DatabaseEncoding, AGameStoredBackKeepsItsBytesAGameFromElsewhereIsConverted) {
  using win1252::TextEncoding;
  TempDir dir, tmp;
  EnvGuard tmpdir("TMPDIR", tmp.Path());
  EnvGuard state("XDG_STATE_HOME", tmp.Path());
  MessageRecorder rec;
  const std::string benko = "Benk\xc5\x91, P\xc3\xa1l";
  const std::string petrov = "\xd0\x9f\xd0\xb5\xd1\x82\xd1\x80\xd0\xbe\xd0\xb2";
  const std::string greek =
      "{\xce\xba\xce\xb1\xce\xbb\xce\xae \xce\xba\xce\xaf\xce\xbd\xce\xb7\xcf\x83\xce\xb7}";
  const std::string olafsson = "\xc3\x93lafsson";
  // The game as the user edits it: a tag changed and a comment typed (in
  // the file's encoding, as the dialogs give it).
  auto editAndStoreBack = [](DatabaseO &db, int32_t n) {
    ParseResultT r;
    auto g = db.LoadGame(n, r);
    ASSERT_TRUE(g) << r.message;
    g->SetTagValue(g->IndexOfTag("Round"), "7");
    g->SetComment("K\xf6ln");
    ASSERT_EQ(db.SaveGame(n, *g), n);
  };
  // A UTF-8 database whose one game goes into the others.
  {
    DatabaseO other;
    ASSERT_TRUE(OpenDb(other, dir.File("other.qcx")));
    ASSERT_EQ(other.SavePgnText(-1, GameText(olafsson, benko, 3, "1. d4 " + greek + " *")), 1);
    EXPECT_TRUE(other.Close(nullptr));
  }
  auto addFromOther = [&](DatabaseO &db) {
    DatabaseO other;
    ASSERT_TRUE(OpenDb(other, dir.File("other.qcx")));
    ParseResultT r;
    auto g = other.LoadGame(1, r);
    ASSERT_TRUE(g) << r.message;
    other.Done();
    const int32_t n = db.AddGame(*g);
    ASSERT_GT(n, 0);
    bool flag = false;
    ASSERT_TRUE(db.ImportDatabase(dir.File("other.qcx"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db.GameCount(), n + 1);
  };
  const std::string converted = "[White \"\xd3lafsson\"]\r\n[Black \"Benk?, P\xe1l\"]";
  auto countOf = [](const std::string &text, const std::string &what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
  };

  // A PGN file of a UTF-8 game and a Windows-1252 one.
  dir.Write("mixed.pgn", GameText(benko, petrov, 1, "1. e4 " + greek + " e5 *") + "\r\n" +
                             GameText("M\xfcller", "Schmidt", 2));
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("mixed.pgn")));
    ASSERT_EQ(db.TextEncoding(), TextEncoding::Win1252);
    editAndStoreBack(db, 1);
    addFromOther(db);
    EXPECT_TRUE(db.Close(nullptr));
  }
  const std::string file = dir.Read("mixed.pgn");
  EXPECT_NE(file.find("[Round \"7\"]\r\n[White \"" + benko + "\"]\r\n[Black \"" + petrov + "\"]"),
            std::string::npos)
      << file;
  EXPECT_NE(file.find("{K\xf6ln} 1. e4 " + greek + " 1... e5"), std::string::npos) << file;
  EXPECT_NE(file.find("[White \"M\xfcller\"]"), std::string::npos);
  EXPECT_EQ(countOf(file, converted), 2u) << file;
  EXPECT_EQ(countOf(file, "1. d4 {???? ??????}"), 2u) << file;

  // A native database whose name files hold Windows-1252 (an older one)
  // with a game of UTF-8 text.
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("old.qcx")));
    ASSERT_EQ(db.SavePgnText(-1, GameText(benko, petrov, 1, "1. e4 " + greek + " e5 *")), 1);
    EXPECT_TRUE(db.Close(nullptr));
    IndexManO names;
    ASSERT_TRUE(names.Open(dir.File("old.pli")));
    names.FindOrAdd("M\xfcller");
  }
  {
    DatabaseO db;
    ASSERT_TRUE(OpenDb(db, dir.File("old.qcx")));
    ASSERT_EQ(db.TextEncoding(), TextEncoding::Win1252);
    editAndStoreBack(db, 1);
    addFromOther(db);
    EXPECT_EQ(db.GetGameTags(1)->GetTag("White"), benko);
    EXPECT_EQ(db.GetGameTags(1)->GetTag("Black"), petrov);
    EXPECT_NE(db.GetPgnText(1, 0, false, false).find("{K\xf6ln} 1. e4 " + greek + " 1... e5"),
              std::string::npos);
    for (int32_t n : {2, 3})
      EXPECT_NE(db.GetPgnText(n, 0, false, false).find(converted), std::string::npos) << n;
    EXPECT_TRUE(db.Close(nullptr));
  }
  // The name poked into old.pli past the booster's heads has no game: the
  // short heads file is valid, and nothing is said.
  EXPECT_TRUE(rec.messages.empty());
}
