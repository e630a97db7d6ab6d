// What a command stores reaches the disk once, at its end: one sync of each
// file it changed and of the folder where it made one, never one per game.
// And folders that refuse the work are said at open: one that hides the
// file refuses the open, one that allows no new file is named at once.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "TestUtil.h"
#include "database/DatabaseMan.h"
#include "database/DatabaseManText.h"
#include "database/DatabaseTestUtil.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "platform/Files.h"

using dbtext::Fill;
using testutil::EnvGuard;
using testutil::MessageRecorder;
using testutil::TempDir;

namespace {

std::string Games(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i)
    s += "[Event \"Open\"]\r\n[Site \"Here\"]\r\n[Round \"" + std::to_string(i) + "\"]\r\n[White \"Player " +
         std::to_string(i % 37) + "\"]\r\n[Black \"Other " + std::to_string(i % 41) +
         "\"]\r\n[Result \"*\"]\r\n\r\n1. e4 e5 2. Nf3 *\r\n\r\n";
  return s;
}

std::string GameOf(const std::string &white) {
  return "[Event \"New\"]\r\n[Site \"There\"]\r\n[White \"" + white +
         "\"]\r\n[Black \"Other 1\"]\r\n[Result \"1-0\"]\r\n\r\n1. d4 d5 1-0\r\n";
}

const std::string kGame = GameOf("Newcomer");

bool OpenDb(DatabaseO &db, const std::string &path) {
  bool report = false;
  return db.Open(path, nullptr, nullptr, report);
}

struct Folders {
  TempDir dir, tmp, appDir;
  EnvGuard tmpdir{"TMPDIR", tmp.Path()};
  testutil::AppDirGuard app{appDir.Path()};
};

// Every file synced at most once, and the one named exactly once.
void OncePerFile(const SyncRecorder &syncs, const std::vector<std::string> &set, const std::string &named) {
  for (const std::string &f : set) EXPECT_LE(syncs.FileSyncs(f), 1) << f;
  EXPECT_EQ(syncs.FileSyncs(named), 1) << named;
}

std::vector<std::string> SetFiles(const std::string &base) {
  std::vector<std::string> v;
  for (const char *ext : {".gad", ".gai", ".pld", ".pli", ".pls", ".esd", ".esi", ".ess", ".and", ".ani",
                          ".ans", ".bli", ".bpl", ".bes"})
    v.push_back(base + ext);
  return v;
}

// Root passes every permission check; while this lives, the thread (and
// the threads it starts) meets the permission bits as any user does.
class PermissionBitsHold {
 public:
  PermissionBitsHold() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    if (::syscall(SYS_capget, &header, old_) != 0) return;
    __user_cap_data_struct now[2];
    std::memcpy(now, old_, sizeof now);
    now[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
    dropped_ = ::syscall(SYS_capset, &header, now) == 0;
  }
  ~PermissionBitsHold() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    if (dropped_) ::syscall(SYS_capset, &header, old_);
  }

 private:
  __user_cap_data_struct old_[2] = {};
  bool dropped_ = false;
};

// Answers every question with answer and records them and the messages.
class Answers {
 public:
  explicit Answers(int answer) {
    ui::Hooks h;
    h.showMessage = [this](const std::string &t) { messages.push_back(t); };
    h.messageDlgDefault = [this, answer](const std::string &t, ui::MsgType, unsigned, int) {
      asked.push_back(t);
      return answer;
    };
    h.pushHourglass = [this] { ++hourglass; };
    old_ = ui::InstallHooks(h);
  }
  ~Answers() { ui::InstallHooks(old_); }
  std::vector<std::string> asked, messages;
  int hourglass = 0;

 private:
  ui::Hooks old_;
};

}  // namespace

TEST(DatabaseSync, ACommandSyncsEachFileItChangedOnceAndAnImportOnceAtItsEnd) {
  Folders folders;
  const TempDir &dir = folders.dir;
  dir.Write("in.pgn", Games(1000));
  const std::string base = dir.File("d");
  const std::vector<std::string> set = SetFiles(base);
  DatabaseO db;
  {
    SyncRecorder syncs;
    ASSERT_TRUE(OpenDb(db, base + ".qcx"));
    // Opening syncs no store; the first command takes the new files along.
    for (const std::string &f : set) EXPECT_EQ(syncs.FileSyncs(f), 0) << f;
    syncs.Clear();
    bool flag = false;
    ASSERT_TRUE(db.ImportDatabase(dir.File("in.pgn"), nullptr, nullptr, false, false, flag));
    ASSERT_EQ(db.GameCount(), 1000);
    OncePerFile(syncs, set, base + ".gad");
    EXPECT_EQ(syncs.FileSyncs(base + ".pld"), 1);
    EXPECT_EQ(syncs.FolderSyncs(dir.Path()), 1);  // the files made at open
  }
  {  // Reading stores nothing.
    SyncRecorder syncs;
    ParseResultT r;
    EXPECT_TRUE(db.LoadGame(5, r));
    EXPECT_EQ(db.GetPgnText(7, 0, false, false).empty(), false);
    EXPECT_EQ(syncs.AllFileSyncs() + syncs.AllFolderSyncs(), 0);
  }
  {
    SyncRecorder syncs;
    ASSERT_EQ(db.SavePgnText(10, kGame), 10);
    OncePerFile(syncs, set, base + ".gad");
    EXPECT_EQ(syncs.FileSyncs(base + ".pld"), 1);  // a new player
    EXPECT_EQ(syncs.AllFolderSyncs(), 0);
    syncs.Clear();
    ASSERT_EQ(db.SavePgnText(-1, kGame), 1001);
    OncePerFile(syncs, set, base + ".gai");
    syncs.Clear();
    ASSERT_TRUE(db.DeleteGame(3));
    OncePerFile(syncs, set, base + ".gad");
  }
  {  // Several stores in one command: one sync each.
    SyncRecorder syncs;
    {
      DatabaseO::StoreCommand command(db);
      for (int n = 20; n < 30; ++n) ASSERT_EQ(db.SavePgnText(n, kGame), n);
      EXPECT_EQ(syncs.AllFileSyncs(), 0);
    }
    OncePerFile(syncs, set, base + ".gad");
  }
  {  // Keys made and every game classified: each key file once.
    ASSERT_TRUE(files::Copy(testutil::DataDir() + "class.txt", folders.appDir.File("class.txt")));
    SyncRecorder syncs;
    {
      DatabaseO::StoreCommand command(db);
      ASSERT_TRUE(db.CreateKeys());
      ASSERT_TRUE(db.ClassifyAllGames(nullptr));
    }
    for (const char *ext : {".key", ".kls", ".gls", ".gki", ".hsh", ".pos"})
      EXPECT_EQ(syncs.FileSyncs(base + ext), 1) << ext;
    EXPECT_EQ(syncs.FolderSyncs(dir.Path()), 1);
    // A game moved to another key: what the keys held in memory is written
    // and synced too.
    ASSERT_NE(db.GetGameKey(5), KeyTreeO::kRoot);
    syncs.Clear();
    ASSERT_TRUE(db.SetGameKey(KeyTreeO::kRoot, 5, true));
    for (const char *ext : {".key", ".gls", ".gki"}) EXPECT_EQ(syncs.FileSyncs(base + ext), 1) << ext;
    // The files as a crash now would leave them hold the move, totals and all.
    ASSERT_TRUE(files::MakeDirs(dir.File("crash")));
    for (const std::string &name : files::ListFiles(dir.Path(), "d.*"))
      ASSERT_TRUE(files::Copy(dir.File(name), dir.File("crash/" + name)));
    DatabaseO copy;
    ASSERT_TRUE(OpenDb(copy, dir.File("crash/d.qcx")));
    EXPECT_EQ(copy.GetGameKey(5), KeyTreeO::kRoot);
    const auto totals = Totals(copy.KeyTree());
    EXPECT_EQ(totals.first, totals.second);
  }
  EXPECT_TRUE(db.Close(nullptr));
}

TEST(DatabaseSync, APgnFilesFirstStoreTakesTheOpeningImportAndTheSetsFolderAlong) {
  Folders folders;
  const TempDir &dir = folders.dir;
  dir.Write("p.pgn", Games(300));
  DatabaseO db;
  SyncRecorder syncs;
  ASSERT_TRUE(OpenDb(db, dir.File("p.pgn")));
  const std::string base = db.TempBaseName();
  const std::string setFolder = files::ExtractFileDir(base);
  const std::vector<std::string> set = SetFiles(base);
  // The PGN file holds those games: the opening import is not flushed.
  for (const std::string &f : set) EXPECT_EQ(syncs.FileSyncs(f), 0) << f;
  syncs.Clear();
  ASSERT_EQ(db.SavePgnText(2, kGame), 2);
  for (const char *ext : {".gad", ".gai", ".pld", ".pli", ".esd", ".esi"})
    EXPECT_EQ(syncs.FileSyncs(base + ext), 1) << ext;
  OncePerFile(syncs, set, base + ".gad");
  // Its files are new in the set's folder, which is new in its own.
  EXPECT_GE(syncs.FolderSyncs(setFolder), 1);
  EXPECT_EQ(syncs.FolderSyncs(files::ExtractFileDir(setFolder.substr(0, setFolder.size() - 1))), 1);
  syncs.Clear();
  ASSERT_EQ(db.SavePgnText(3, kGame), 3);
  EXPECT_EQ(syncs.FileSyncs(base + ".gad"), 1);
  EXPECT_EQ(syncs.FileSyncs(base + ".pld"), 0);  // no new name
  EXPECT_EQ(syncs.AllFolderSyncs(), 0);
  EXPECT_TRUE(db.Close(nullptr));
}

TEST(DatabaseSync, ASyncTheDiskRefusesIsSaidOnceAndTriedAgainByTheNextCommand) {
  Folders folders;
  const TempDir &dir = folders.dir;
  DatabaseO db;
  ASSERT_TRUE(OpenDb(db, dir.File("d.qcx")));
  MessageRecorder rec;
  {
    FileFault fault(FileFault::Op::Flush, 1, EIO);
    fault.Onward();
    // The game is stored; only the disk's part failed.
    ASSERT_EQ(db.SavePgnText(-1, kGame), 1);
    EXPECT_TRUE(fault.Fired());
  }
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_NE(rec.messages[0].find(dir.File("d.gad")), std::string::npos);
  EXPECT_NE(rec.messages[0].find(files::ErrorReason(EIO)), std::string::npos);
  // The new name and the new files' entries are not on the disk for sure:
  // the next command syncs them, though it makes neither; the one after it
  // does not.
  SyncRecorder syncs;
  ASSERT_EQ(db.SavePgnText(-1, kGame), 2);
  EXPECT_EQ(syncs.FileSyncs(dir.File("d.pld")), 1);
  EXPECT_EQ(syncs.FolderSyncs(dir.Path()), 1);
  syncs.Clear();
  ASSERT_EQ(db.SavePgnText(1, kGame), 1);
  EXPECT_EQ(syncs.FileSyncs(dir.File("d.pld")), 0);
  EXPECT_EQ(syncs.AllFolderSyncs(), 0);
  EXPECT_EQ(syncs.FileSyncs(dir.File("d.gad")), 1);
  ASSERT_TRUE(db.Close(nullptr));

  // The files synced and their folder refused: the folder's turn again.
  int fileSyncs = 0;
  {
    DatabaseO probe;
    ASSERT_TRUE(OpenDb(probe, dir.File("probe.qcx")));
    syncs.Clear();
    ASSERT_EQ(probe.SavePgnText(-1, kGame), 1);
    fileSyncs = syncs.AllFileSyncs();
  }
  ASSERT_TRUE(OpenDb(db, dir.File("e.qcx")));
  rec.messages.clear();
  {
    FileFault fault(FileFault::Op::Flush, fileSyncs + 1, EIO);
    fault.Onward();
    ASSERT_EQ(db.SavePgnText(-1, kGame), 1);
  }
  ASSERT_EQ(rec.messages.size(), 1u);
  EXPECT_NE(rec.messages[0].find(dir.Path()), std::string::npos);
  syncs.Clear();
  ASSERT_EQ(db.SavePgnText(1, kGame), 1);
  EXPECT_EQ(syncs.FolderSyncs(dir.Path()), 1);
}

TEST(DatabaseFolders, AFileAFolderHidesRefusesTheOpenAndStaysAsItIs) {
  Folders folders;
  const TempDir &dir = folders.dir;
  ASSERT_TRUE(files::MakeDirs(dir.File("hidden")));
  dir.Write("hidden/p.pgn", Games(3));
  dir.Write("plain", "not a folder");
  const std::string hidden = dir.File("hidden/p.pgn");
  ASSERT_EQ(::chmod(dir.File("hidden").c_str(), 0600), 0);  // no search
  struct Case {
    std::string path;
    int err;
  } cases[] = {{hidden, EACCES}, {dir.File("plain/p.pgn"), ENOTDIR}};
  for (const Case &c : cases) {
    SCOPED_TRACE(c.path);
    MessageRecorder rec;
    DatabaseO db;
    {
      PermissionBitsHold bits;
      EXPECT_FALSE(OpenDb(db, c.path));
    }
    EXPECT_FALSE(db.IsOpen());
    EXPECT_EQ(rec.messages, std::vector<std::string>{files::FailureText(
                                Fill(CommonText::S_CouldNotReadPGNFile, {c.path}), c.path, c.err)});
    EXPECT_TRUE(std::filesystem::is_empty(folders.tmp.Path()));  // no temporary set
  }
  ASSERT_EQ(::chmod(dir.File("hidden").c_str(), 0755), 0);
  EXPECT_EQ(dir.Read("hidden/p.pgn"), Games(3));
}

TEST(DatabaseFolders, AFolderThatAllowsNoNewFileIsSaidAtOpenAndTheChangesAreKept) {
  Folders folders;
  const TempDir &dir = folders.dir;
  ASSERT_TRUE(files::MakeDirs(dir.File("ro")));
  dir.Write("ro/p.pgn", Games(3));
  const std::string path = dir.File("ro/p.pgn");
  ASSERT_EQ(::chmod(dir.File("ro").c_str(), 0555), 0);
  PermissionBitsHold bits;
  DatabaseO db;
  {
    Answers a(ui::mrNo);
    ASSERT_TRUE(OpenDb(db, path));
    EXPECT_EQ(a.messages, std::vector<std::string>{Fill(CommonText::S_PGNFolderRefusesNewFile, {path})});
    ASSERT_EQ(db.SavePgnText(-1, kGame), 4);
    // Close says why it cannot write, before any work; No keeps the file
    // open.
    EXPECT_FALSE(db.Close(nullptr));
    EXPECT_EQ(a.hourglass, 0);
    EXPECT_EQ(a.asked,
              std::vector<std::string>{files::FailureText(
                  Fill(CommonText::S_PGNWriteFailed, {path, std::to_string(EACCES)}), path, EACCES)});
    EXPECT_TRUE(db.IsOpen());
  }
  // The end without questions keeps the changes elsewhere.
  const std::string recovered = db.CloseWithoutAsking("");
  EXPECT_EQ(files::ExtractFileDir(recovered), folders.appDir.Path());
  EXPECT_EQ(dir.Read("ro/p.pgn"), Games(3));
  {  // A new file there is said at once as well.
    Answers a(ui::mrNo);
    ASSERT_TRUE(OpenDb(db, dir.File("ro/new.pgn")));
    EXPECT_EQ(a.messages, std::vector<std::string>{
                              Fill(CommonText::S_PGNFolderRefusesNewFile, {dir.File("ro/new.pgn")})});
  }
  db.Done();
  ASSERT_EQ(::chmod(dir.File("ro").c_str(), 0755), 0);
}
