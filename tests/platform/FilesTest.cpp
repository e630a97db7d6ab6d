#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "TestUtil.h"
#include "platform/Dirs.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/UiHooks.h"
#include "platform/Win1252.h"

using testutil::TempDir;

TEST(BinFile, ShortReadIsAnErrorAndPositionsAreChecked) {
  TempDir d;
  BinFile f;
  ASSERT_TRUE(f.Open(d.File("x.bin"), BinFile::Mode::Create));
  ASSERT_TRUE(f.Write("abcdef", 6));
  EXPECT_EQ(f.Size(), 6);
  char buf[8] = {};
  EXPECT_TRUE(f.ReadAt(2, buf, 4));
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_FALSE(f.ReadAt(4, buf, 4));
  EXPECT_NE(f.Error(), 0);
  EXPECT_TRUE(f.WriteAt(10, "Z", 1));
  EXPECT_EQ(f.Size(), 11);
  EXPECT_TRUE(f.Truncate(3));
  EXPECT_EQ(f.Size(), 3);
}

// Random writes that overlap, touch and leave holes: reads and sizes
// through the waiting bytes and the file after Flush are what plain
// writes would give, and nothing reaches the disk before Flush.
TEST(WriteBehind, ReadsSeeWaitingBytesAndFlushLeavesWhatPlainWritesWould) {
  TempDir d;
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    BinFile plain, held;
    ASSERT_TRUE(plain.Open(d.File("plain.bin"), BinFile::Mode::Create));
    ASSERT_TRUE(held.Open(d.File("held.bin"), BinFile::Mode::Create));
    const std::string start(static_cast<size_t>(rng() % 300), 's');
    ASSERT_TRUE(plain.WriteAt(0, start.data(), start.size()));
    ASSERT_TRUE(held.WriteAt(0, start.data(), start.size()));
    WriteBehind batch;
    batch.Enroll(held, "held");
    for (int step = 0; step < 200; ++step) {
      const uint64_t off = rng() % 600;
      const std::string bytes(1 + rng() % 40, static_cast<char>('a' + rng() % 26));
      ASSERT_TRUE(plain.WriteAt(off, bytes.data(), bytes.size()));
      ASSERT_TRUE(held.WriteAt(off, bytes.data(), bytes.size()));
      ASSERT_EQ(held.Size(), plain.Size());
      const uint64_t at = rng() % 700, n = 1 + rng() % 80;
      std::string a(n, '?'), b(n, '?');
      const bool ra = plain.ReadAt(at, a.data(), n), rb = held.ReadAt(at, b.data(), n);
      ASSERT_EQ(ra, rb) << at << " " << n;
      if (ra) {
        ASSERT_EQ(a, b);
      }
    }
    EXPECT_GT(batch.WaitingBytes(), 0u);
    EXPECT_EQ(files::FileSize(d.File("held.bin")), static_cast<int64_t>(start.size()));
    ASSERT_TRUE(batch.Flush());
    EXPECT_EQ(batch.WaitingBytes(), 0u);
    EXPECT_EQ(d.Read("held.bin"), d.Read("plain.bin"));
  }
  // Appends past a long run, and reads and writes across where runs meet.
  BinFile plain, held;
  ASSERT_TRUE(plain.Open(d.File("plain.bin"), BinFile::Mode::Create));
  ASSERT_TRUE(held.Open(d.File("held.bin"), BinFile::Mode::Create));
  WriteBehind batch;
  batch.Enroll(held, "held");
  std::string piece(100000, 'x');
  for (uint64_t off = 0; off < 3000000; off += piece.size()) {
    piece[0] = static_cast<char>('a' + off % 26);
    ASSERT_TRUE(plain.WriteAt(off, piece.data(), piece.size()));
    ASSERT_TRUE(held.WriteAt(off, piece.data(), piece.size()));
  }
  for (int step = 0; step < 200; ++step) {
    const uint64_t off = rng() % 3000000, n = 1 + rng() % 300000;
    std::string a(n, '?'), b(n, '?');
    if (step % 2 == 0) {
      ASSERT_TRUE(plain.WriteAt(off, a.data(), 7));
      ASSERT_TRUE(held.WriteAt(off, a.data(), 7));
    }
    const bool ra = plain.ReadAt(off, a.data(), n), rb = held.ReadAt(off, b.data(), n);
    ASSERT_EQ(ra, rb) << off << " " << n;
    ASSERT_TRUE(!ra || a == b) << off << " " << n;
  }
  ASSERT_TRUE(batch.Flush());
  EXPECT_TRUE(d.Read("held.bin") == d.Read("plain.bin"));
}

// Files reach the disk in the order enrolled; a refused write leaves the
// later files untouched and names the failed one.
TEST(WriteBehind, FlushGoesInEnrolmentOrderAndStopsAtAFailure) {
  TempDir d;
  BinFile a, b, c;
  BinFile *files[] = {&a, &b, &c};
  for (int i = 0; i < 3; ++i)
    ASSERT_TRUE(files[i]->Open(d.File(std::string(1, "abc"[i]) + ".bin"), BinFile::Mode::Create));
  WriteBehind batch;
  batch.Enroll(c, "c failed");
  batch.Enroll(a, "a failed");
  batch.Enroll(b, "b failed");
  for (BinFile *f : {&a, &b, &c}) ASSERT_TRUE(f->WriteAt(0, "12345678", 8));
  ASSERT_TRUE(a.WriteAt(20, "x", 1));  // a second run in a
  {
    FileFault fault(FileFault::Op::Write, 3, ENOSPC);
    EXPECT_FALSE(batch.Flush());
  }
  EXPECT_EQ(batch.FailureMessage(), files::FailureText("a failed", d.File("a.bin"), ENOSPC));
  EXPECT_EQ(d.Read("c.bin"), "12345678");
  EXPECT_EQ(files::FileSize(d.File("a.bin")), 21);  // the run at the end went first
  EXPECT_EQ(files::FileSize(d.File("b.bin")), 0);
  EXPECT_EQ(b.Size(), 8);
  // Closing drops what waits; the file stays enrolled when opened again.
  b.Close();
  EXPECT_TRUE(b.Open(d.File("b.bin"), BinFile::Mode::ReadWrite));
  EXPECT_EQ(b.Size(), 0);
  ASSERT_TRUE(b.WriteAt(0, "zz", 2));
  EXPECT_TRUE(batch.Flush());
  EXPECT_EQ(d.Read("a.bin").substr(0, 8), "12345678");
  EXPECT_EQ(d.Read("b.bin"), "zz");
}

TEST(BinFile, ExclusiveOpenRefusesSecondAndCreateDoesNotTruncateLockedFile) {
  TempDir d;
  d.Write("db.bin", "data");
  BinFile a, b;
  ASSERT_TRUE(a.Open(d.File("db.bin"), BinFile::Mode::ReadWrite, true));
  EXPECT_FALSE(b.Open(d.File("db.bin"), BinFile::Mode::Create, true));
  EXPECT_EQ(d.Read("db.bin"), "data");
  a.Close();
  EXPECT_TRUE(b.Open(d.File("db.bin"), BinFile::Mode::ReadWrite, true));
}

TEST(BinFile, MissingFileAndDirectoryFailWithErrno) {
  TempDir d;
  BinFile f;
  EXPECT_FALSE(f.Open(d.File("none"), BinFile::Mode::Read));
  EXPECT_EQ(f.Error(), ENOENT);
  EXPECT_FALSE(f.Open(d.Path(), BinFile::Mode::Read));
  EXPECT_NE(f.Error(), 0);
}

TEST(Files, AtomicWriteAndCaseBlindLookup) {
  TempDir d;
  ASSERT_TRUE(files::WriteAllAtomic(d.File("ChsLng.INI"), "x"));
  EXPECT_EQ(files::FindCaseInsensitive(d.Path(), "chslng.ini"), d.File("ChsLng.INI"));
  EXPECT_EQ(files::FindCaseInsensitive(d.Path(), "other.ini"), "");
  d.Write("App Dutch.ini", "");
  d.Write("appgerman.INI", "");
  d.Write("Gen.ini", "");
  EXPECT_EQ(files::ListFiles(d.Path(), "App*.ini"),
            (std::vector<std::string>{"App Dutch.ini", "appgerman.INI"}));
  // Only ASCII letters fold in file names: the fold of names is not theirs.
  d.Write("\xc3\x85ngstr\xc3\xb6m.ini", "");
  EXPECT_EQ(files::FindCaseInsensitive(d.Path(), "\xc3\xa5NGSTR\xc3\xb6M.INI"), "");
  EXPECT_EQ(files::FindCaseInsensitive(d.Path(), "\xc3\x85NGSTR\xc3\xb6M.INI"),
            d.File("\xc3\x85ngstr\xc3\xb6m.ini"));
  // U acute and E circumflex differ in a byte the Windows-1252 table folds.
  d.Write("\xc3\x9arsula.ini", "");
  EXPECT_TRUE(files::ListFiles(d.Path(), "\xc3\x8a*").empty());
  EXPECT_EQ(files::ListFiles(d.Path(), "\xc3\x9a*.INI").size(), 1u);
  EXPECT_EQ(files::ChangeFileExt("/a/b.c/prog", ".ini"), "/a/b.c/prog.ini");
  EXPECT_EQ(files::ChangeFileExt("/a/prog.exe", ".ini"), "/a/prog.ini");
  EXPECT_EQ(files::ExtractFileDir("/a/b/c.pgn"), "/a/b/");
}

// Each kind of injected failure reaches the caller with its errno; a short
// write leaves half its bytes; with the seam gone nothing fails.
TEST(FileFault, EachKindReachesTheCaller) {
  TempDir d;
  BinFile f;
  {
    FileFault fault(FileFault::Op::Open, 2, EMFILE);
    EXPECT_TRUE(f.Open(d.File("a"), BinFile::Mode::OpenAlways));
    EXPECT_FALSE(f.Open(d.File("a"), BinFile::Mode::OpenAlways));
    EXPECT_EQ(f.Error(), EMFILE);
    EXPECT_TRUE(fault.Fired());
  }
  ASSERT_TRUE(f.Open(d.File("a"), BinFile::Mode::OpenAlways));
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC, true);
    EXPECT_FALSE(f.WriteAt(0, "abcdef", 6));
    EXPECT_EQ(f.Error(), ENOSPC);
    EXPECT_EQ(f.Size(), 3);
    EXPECT_TRUE(f.WriteAt(0, "abcdef", 6));
    EXPECT_EQ(fault.Seen(), 2);
  }
  {
    // Onward: the nth tears, the ones after it fail whole.
    FileFault fault(FileFault::Op::Write, 1, ENOSPC, true);
    fault.Onward();
    EXPECT_FALSE(f.WriteAt(0, "ghijkl", 6));
    EXPECT_FALSE(f.WriteAt(3, "mnopqr", 6));
    EXPECT_EQ(f.Error(), ENOSPC);
  }
  {
    char torn[6];
    EXPECT_TRUE(f.ReadAt(0, torn, 6));
    EXPECT_EQ(std::string(torn, 6), "ghidef");
    EXPECT_TRUE(f.WriteAt(0, "abcdef", 6));
  }
  char buf[6];
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    EXPECT_FALSE(f.ReadAt(0, buf, 6));
    EXPECT_EQ(f.Error(), EIO);
    EXPECT_TRUE(f.Seek(0));
    EXPECT_EQ(f.ReadSome(buf, 6), 6);
  }
  {
    FileFault fault(FileFault::Op::Read, 1, EIO);
    EXPECT_EQ(f.ReadSome(buf, 6), -1);
  }
  {
    FileFault fault(FileFault::Op::Flush, 1, EDQUOT);
    EXPECT_FALSE(f.Flush());
    EXPECT_EQ(f.Error(), EDQUOT);
  }
  EXPECT_TRUE(f.ReadAt(0, buf, 6) && f.Flush());
  EXPECT_EQ(std::string(buf, 6), "abcdef");
}

TEST(BinFile, OpenAlwaysCreatesButNeverTruncates) {
  TempDir d;
  BinFile f;
  ASSERT_TRUE(f.Open(d.File("s"), BinFile::Mode::OpenAlways, true));
  EXPECT_EQ(f.Size(), 0);
  ASSERT_TRUE(f.WriteAt(0, "xyz", 3));
  f.AdviseRandom();
  f.Close();
  ASSERT_TRUE(f.Open(d.File("s"), BinFile::Mode::OpenAlways, true));
  EXPECT_EQ(f.Size(), 3);
  BinFile g;
  EXPECT_FALSE(g.Open(d.File("s"), BinFile::Mode::OpenAlways, true));
  EXPECT_EQ(g.Error(), EBUSY);
}

// The temporary sibling never follows or truncates an entry standing at a
// name it tries, and a failed sync leaves the original intact.
TEST(TempSibling, PlantedLinkIsSkippedAndFailuresKeepTheOriginal) {
  TempDir d;
  d.Write("target.ini", "old");
  d.Write("victim", "precious");
  std::vector<std::string> tried;
  files::SetTempNameGenerator([&](const std::string &target, int attempt) {
    tried.push_back(target + ".t" + std::to_string(attempt));
    return tried.back();
  });
  std::filesystem::create_symlink(d.File("victim"), d.File("target.ini.t0"));
  ASSERT_TRUE(files::WriteAllAtomic(d.File("target.ini"), "new"));
  EXPECT_EQ(d.Read("target.ini"), "new");
  EXPECT_EQ(d.Read("victim"), "precious");
  EXPECT_TRUE(std::filesystem::is_symlink(d.File("target.ini.t0")));
  EXPECT_EQ(tried.size(), 2u);
  EXPECT_FALSE(files::Exists(d.File("target.ini.t1")));

  // The data sync fails: no rename, no temporary file left.
  {
    FileFault fault(FileFault::Op::Flush, 1, EIO);
    int err = 0;
    EXPECT_FALSE(files::WriteAllAtomic(d.File("target.ini"), "newer", &err));
    EXPECT_EQ(err, EIO);
  }
  EXPECT_EQ(d.Read("target.ini"), "new");
  EXPECT_FALSE(files::Exists(d.File("target.ini.t1")));
  // A short write likewise.
  {
    FileFault fault(FileFault::Op::Write, 1, ENOSPC, true);
    EXPECT_FALSE(files::WriteAllAtomic(d.File("target.ini"), "newer"));
  }
  EXPECT_EQ(d.Read("target.ini"), "new");
  files::SetTempNameGenerator(nullptr);
  EXPECT_EQ(files::ListFiles(d.Path(), "target.ini.tmp*").size(), 0u);
}

// CommitNew puts a file only at a free name; whatever stands there (a
// file, a dangling link) stays as it was, and no temporary name is left.
TEST(TempSibling, CommitNewNeverReplaces) {
  TempDir d;
  auto put = [&](const std::string &name, const std::string &bytes, int *err = nullptr) {
    files::TempSibling tmp;
    bool ok = tmp.Create(d.File(name)) && tmp.File().Write(bytes.data(), bytes.size()) && tmp.CommitNew();
    if (err) *err = tmp.Error();
    return ok;
  };
  ASSERT_TRUE(put("font.ttf", "ours"));
  EXPECT_EQ(d.Read("font.ttf"), "ours");
  int err = 0;
  EXPECT_FALSE(put("font.ttf", "again", &err));
  EXPECT_EQ(err, EEXIST);
  EXPECT_EQ(d.Read("font.ttf"), "ours");
  std::filesystem::create_symlink(d.File("nowhere"), d.File("link.ttf"));
  EXPECT_FALSE(put("link.ttf", "x"));
  EXPECT_FALSE(files::Exists(d.File("nowhere")));
  EXPECT_EQ(files::ListFiles(d.Path(), "*.tmp*").size(), 0u);
}

// The question before the rename sees the data on disk and the target as
// it is; a refusal leaves the target and no temporary file.
TEST(TempSibling, BeforeRenameIsAskedAfterTheSyncAndMayRefuse) {
  TempDir d;
  d.Write("t.pgn", "old");
  for (bool agree : {false, true}) {
    files::TempSibling tmp;
    ASSERT_TRUE(tmp.Create(d.File("t.pgn")) && tmp.File().Write("new", 3));
    int asked = 0;
    const bool done = tmp.Commit([&] {
      ++asked;
      EXPECT_EQ(d.Read("t.pgn"), "old");
      EXPECT_EQ(files::ListFiles(d.Path(), "t.pgn.tmp*").size(), 1u);
      return agree;
    });
    EXPECT_EQ(done, agree);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(d.Read("t.pgn"), agree ? "new" : "old");
    EXPECT_EQ(tmp.Error(), agree ? 0 : ECANCELED);
    EXPECT_EQ(files::ListFiles(d.Path(), "t.pgn.tmp*").size(), 0u);
  }
  // A failed sync asks nothing.
  files::TempSibling tmp;
  ASSERT_TRUE(tmp.Create(d.File("t.pgn")) && tmp.File().Write("x", 1));
  FileFault fault(FileFault::Op::Flush, 1, EIO);
  EXPECT_FALSE(tmp.Commit([] {
    ADD_FAILURE() << "asked after a failed sync";
    return true;
  }));
  EXPECT_EQ(d.Read("t.pgn"), "new");
}

TEST(BinFile, OnlyRegularFilesOpenAndAFifoNeverBlocks) {
  TempDir d;
  ASSERT_EQ(::mkfifo(d.File("pipe").c_str(), 0644), 0);
  ASSERT_EQ(::symlink(d.File("pipe").c_str(), d.File("link").c_str()), 0);
  for (const char *name : {"pipe", "link"})
    for (BinFile::Mode m : {BinFile::Mode::Read, BinFile::Mode::ReadWrite, BinFile::Mode::Create,
                            BinFile::Mode::OpenAlways}) {
      BinFile f;
      EXPECT_FALSE(f.Open(d.File(name), m)) << name;
      EXPECT_EQ(f.Error(), EINVAL) << name;
    }
  struct stat st{};
  ASSERT_EQ(::stat(d.File("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_TRUE(files::IsSpecial(d.File("link")));
  EXPECT_TRUE(files::IsSpecial(d.Path()));
  EXPECT_FALSE(files::IsSpecial(d.File("none")));
}

TEST(TempSibling, ReplacesOnlyRegularFilesAndKeepsNamesWithinTheLimit) {
  TempDir d;
  ASSERT_EQ(::mkfifo(d.File("pipe").c_str(), 0644), 0);
  ASSERT_EQ(::mkdir(d.File("dir").c_str(), 0755), 0);
  for (const char *name : {"pipe", "dir"}) {
    files::TempSibling t;
    ASSERT_TRUE(t.Create(d.File(name))) << name;
    ASSERT_TRUE(t.File().Write("x", 1));
    EXPECT_FALSE(t.Commit()) << name;
    EXPECT_TRUE(files::IsSpecial(d.File(name))) << name;
  }
  EXPECT_EQ(files::ListFiles(d.Path(), "*").size(), 0u);  // no temporary file left
  // A target of 255 bytes: the temporary name cuts the target's part.
  const std::string longName(251, 'n');
  const std::string target = d.File(longName + ".pgn");
  EXPECT_TRUE(files::WriteAllAtomic(target, "old"));
  EXPECT_TRUE(files::WriteAllAtomic(target, "new"));
  EXPECT_EQ(d.Read(longName + ".pgn"), "new");
  files::TempSibling t;
  ASSERT_TRUE(t.Create(target));
  const std::string tmpName = t.Path().substr(d.Path().size());
  EXPECT_EQ(tmpName.size(), 255u);
  EXPECT_NE(tmpName.find(".tmp" + std::to_string(::getpid()) + "_"), std::string::npos);
  EXPECT_EQ(tmpName.compare(0, 200, longName, 0, 200), 0);
}

// One file is one device and inode: the same inode number on another
// device (another mount) is another file.
TEST(Files, SameFileIsTheDeviceAndTheInode) {
  TempDir d;
  d.Write("a", "x");
  d.Write("b", "x");
  ASSERT_EQ(::symlink(d.File("a").c_str(), d.File("link").c_str()), 0);
  EXPECT_TRUE(files::SameFile(d.File("a"), d.File("link")));
  EXPECT_TRUE(files::SameFile(d.File("a"), d.Path() + "/./a"));
  EXPECT_FALSE(files::SameFile(d.File("a"), d.File("b")));
  EXPECT_FALSE(files::SameFile(d.File("a"), d.File("missing")));
  EXPECT_FALSE(files::SameFile(d.File("missing"), d.File("missing")));

  const files::FileState a = files::StateOf(d.File("a"));
  ASSERT_TRUE(a.exists);
  files::FileState elsewhere = a;
  elsewhere.dev = a.dev + 1;
  EXPECT_FALSE(files::SameFile(a, elsewhere));
  files::FileState changed = a;  // the same file, written since
  changed.size += 5;
  changed.mtimeNsec += 1;
  EXPECT_TRUE(files::SameFile(a, changed));
  files::FileState other = a;
  other.ino = a.ino + 1;
  EXPECT_FALSE(files::SameFile(a, other));
}

TEST(Files, MayWriteFollowsTheModeBits) {
  TempDir d;
  d.Write("f", "x");
  EXPECT_TRUE(files::MayWrite(d.File("f")));
  EXPECT_TRUE(files::MayWrite(d.File("missing")));
  ASSERT_EQ(::chmod(d.File("f").c_str(), 0444), 0);
  EXPECT_FALSE(files::MayWrite(d.File("f")));  // also as root
  ASSERT_EQ(::chmod(d.File("f").c_str(), 0644), 0);
}

TEST(Dirs, AppDirOverrideAndWritableDir) {
  TempDir d;
  testutil::AppDirGuard g(d.Path());
  EXPECT_EQ(dirs::GetAppDir(), d.Path());
  EXPECT_EQ(dirs::GetWritableDir(), d.Path());
  d.Write("LNGNAMES.INI", "");
  EXPECT_EQ(dirs::AppFile("LngNames.ini"), d.File("LNGNAMES.INI"));
  uint64_t t = dirs::TickCount();
  EXPECT_GE(dirs::TickCount(), t);
}

// Working sets go where a reboot keeps them, this user's alone.
TEST(Dirs, StateDirIsMadeForThisUserAlone) {
  TempDir d;
  {
    testutil::EnvGuard state("XDG_STATE_HOME", d.File("x/state"));
    EXPECT_EQ(dirs::GetStateDir(), d.File("x/state/torvanel/"));
    struct stat st{};
    for (const char *made : {"x", "x/state", "x/state/torvanel"}) {
      ASSERT_EQ(::stat(d.File(made).c_str(), &st), 0) << made;
      EXPECT_EQ(st.st_mode & 0777, 0700u) << made;
    }
  }
  // Unset or relative: under the home folder.
  testutil::EnvGuard home("HOME", d.File("home"));
  for (const char *value : {"", "relative/state"}) {
    testutil::EnvGuard state("XDG_STATE_HOME", value);
    EXPECT_EQ(dirs::GetStateDir(), d.File("home/.local/state/torvanel/")) << value;
  }
  // A folder that cannot be made: none.
  d.Write("file", "");
  testutil::EnvGuard state("XDG_STATE_HOME", d.File("file"));
  EXPECT_EQ(dirs::GetStateDir(), "");
}

// A process's start time is read past its name, which may hold spaces and
// parentheses; with the boot id it tells the process from a later one. A
// process that ended runs no more, reaped or not.
TEST(Files, ProcessStartTimeAndBootId) {
  const std::string boot = files::BootId();
  EXPECT_EQ(boot.size(), 36u) << boot;
  EXPECT_EQ(files::BootId(), boot);
  const int64_t self = files::ProcessStartTime(::getpid());
  ASSERT_GT(self, 0);
  int toParent[2], toChild[2];
  ASSERT_EQ(::pipe(toParent), 0);
  ASSERT_EQ(::pipe(toChild), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(toParent[0]);
    ::close(toChild[1]);
    // Its own start time, read while its name is plain, then a name that
    // counts fields wrong when read from the first ')'.
    std::string stat;
    char buf[1024];
    ssize_t n = 0;
    const int fd = ::open("/proc/self/stat", O_RDONLY);
    while ((n = ::read(fd, buf, sizeof buf)) > 0) stat.append(buf, static_cast<size_t>(n));
    size_t at = stat.find(") ") + 2;
    for (int field = 3; field < 22; ++field) at = stat.find(' ', at) + 1;
    const std::string ticks = stat.substr(at, stat.find(' ', at) - at);
    ::prctl(PR_SET_NAME, "a) 1 2 (b) 3");
    if (::write(toParent[1], ticks.data(), ticks.size()) < 0) ::_exit(1);
    ::close(toParent[1]);
    char c;
    // Until the parent has read the start time and closes its end.
    const ssize_t end = ::read(toChild[0], &c, 1);
    ::_exit(end == 0 ? 0 : 1);
  }
  ::close(toParent[1]);
  ::close(toChild[0]);
  std::string ticks;
  char buf[64];
  ssize_t n = 0;
  while ((n = ::read(toParent[0], buf, sizeof buf)) > 0) ticks.append(buf, static_cast<size_t>(n));
  ::close(toParent[0]);
  EXPECT_EQ(files::ProcessStartTime(child), std::stoll(ticks));
  EXPECT_GE(files::ProcessStartTime(child), self);
  EXPECT_TRUE(files::ProcessRuns(child));
  ::close(toChild[1]);
  // Ended, not yet reaped: it runs no more.
  siginfo_t info{};
  ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOWAIT), 0);
  EXPECT_FALSE(files::ProcessRuns(child));
  ASSERT_EQ(::waitpid(child, nullptr, 0), child);
  EXPECT_FALSE(files::ProcessRuns(child));
  EXPECT_EQ(files::ProcessStartTime(child), -1);
  EXPECT_EQ(files::ProcessStartTime(0), -1);
}

TEST(Win1252, EveryByteRoundTripsThroughUnicodeAndUtf8) {
  for (int b = 0; b < 256; ++b) {
    char32_t c = win1252::ToUnicode(static_cast<unsigned char>(b));
    EXPECT_EQ(win1252::FromUnicode(c), b);
    std::string s(1, static_cast<char>(b));
    EXPECT_EQ(win1252::FromUtf8(win1252::ToUtf8(s)), s);
  }
  EXPECT_EQ(win1252::ToUnicode(0x80), 0x20AC);
  EXPECT_EQ(win1252::FromUnicode(0x4E2D), -1);
}

TEST(Win1252, CaseTableFoldsLatinLettersOnly) {
  EXPECT_EQ(win1252::UpperCase("abc\xe9\xff\x9a\xdf\xf7"), "ABC\xc9\x9f\x8a\xdf\xf7");
  EXPECT_TRUE(win1252::SameText("\xc9l\xe8ve", "\xe9L\xc8VE"));
  EXPECT_LT(win1252::CompareText("abc", "ABD"), 0);
  EXPECT_LT(win1252::CompareText("ab", "ABC"), 0);
}

TEST(Errors, RangeCastRefusesInsteadOfWrapping) {
  EXPECT_EQ(RangeCast<uint8_t>(255), 255);
  EXPECT_THROW(RangeCast<uint8_t>(256), ERangeError);
  EXPECT_THROW(RangeCast<uint16_t>(-1), ERangeError);
  EXPECT_THROW(RangeCast<int8_t>(200u), ERangeError);
  EXPECT_EQ(RangeCast<int64_t>(uint32_t{4000000000u}), 4000000000LL);
}

TEST(UiHooks, HeadlessDefaultsAnswerTheDefaultButtonAndFakesRecord) {
  EXPECT_EQ(ui::MessageDlg("q", ui::MsgType::Confirmation, ui::mbYesNoCancel), ui::mrYes);
  EXPECT_EQ(ui::CancelResult(ui::mbYesNo), ui::mrNo);
  int pushes = 0, pops = 0;
  ui::Hooks h;
  h.pushHourglass = [&] { ++pushes; };
  h.popCursor = [&] { ++pops; };
  ui::Hooks old = ui::InstallHooks(h);
  try {
    ui::HourglassGuard g;
    throw std::runtime_error("x");
  } catch (const std::runtime_error &) {
  }
  ui::InstallHooks(old);
  EXPECT_EQ(pushes, 1);
  EXPECT_EQ(pops, 1);
}
