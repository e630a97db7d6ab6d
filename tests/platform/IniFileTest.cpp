#include <gtest/gtest.h>

#include <filesystem>

#include "TestUtil.h"
#include "platform/IniFile.h"

using testutil::TempDir;

TEST(IniFile, NamesCaseInsensitiveValuesTrimmedQuotesKept) {
  TempDir d;
  d.Write("a.ini", "[Main]\r\nKey =  'two words '  \r\nNum=42\n[other]\rX=\"q\"\r\n");
  IniFile f(d.File("a.ini"));
  EXPECT_EQ(f.ReadString("MAIN", "key", "?"), "'two words '");
  EXPECT_EQ(f.ReadInteger("main", "NUM", 0), 42);
  EXPECT_EQ(f.ReadString("Other", "x", ""), "\"q\"");
  EXPECT_EQ(f.ReadString("Other", "missing", "def"), "def");
  EXPECT_EQ(f.ReadString("none", "x", "def"), "def");
}

// Keys fold ASCII letters only: the fold of names is not theirs.
TEST(IniFile, KeysFoldAsciiLettersOnly) {
  TempDir d;
  d.Write("k.ini", "[S]\r\n\xc3\xa5=small\r\n");
  IniFile f(d.File("k.ini"));
  EXPECT_EQ(f.ReadString("s", "\xc3\xa5", ""), "small");
  EXPECT_EQ(f.ReadString("s", "\xc3\x85", "none"), "none");
}

TEST(IniFile, FirstDuplicateWinsAndIsTheOneWritten) {
  TempDir d;
  d.Write("a.ini", "[S]\r\nk=1\r\nK=2\r\n");
  {
    IniFile f(d.File("a.ini"));
    EXPECT_EQ(f.ReadString("s", "k", ""), "1");
    f.WriteString("S", "k", "3");
    EXPECT_EQ(f.ReadSection("S").size(), 1u);
  }
  EXPECT_EQ(d.Read("a.ini"), "[S]\r\nk=3\r\nK=2\r\n");
}

TEST(IniFile, IntegersAndBools) {
  TempDir d;
  d.Write("a.ini", "[S]\nneg=-12\nhex=$1F\nbad=12x\nempty=\nbig=99999999999\nb0=0\nb1=1\n");
  IniFile f(d.File("a.ini"));
  EXPECT_EQ(f.ReadInteger("S", "neg", 0), -12);
  EXPECT_EQ(f.ReadInteger("S", "hex", 0), 31);
  EXPECT_EQ(f.ReadInteger("S", "bad", 7), 7);
  EXPECT_EQ(f.ReadInteger("S", "empty", 7), 7);
  EXPECT_EQ(f.ReadInteger("S", "big", 7), 7);
  EXPECT_FALSE(f.ReadBool("S", "b0", true));
  EXPECT_TRUE(f.ReadBool("S", "b1", false));
  EXPECT_TRUE(f.ReadBool("S", "none", true));
}

TEST(IniFile, UntouchedLinesSurviveAndNewOnesEndWithCrLf) {
  TempDir d;
  std::string foreign =
      "; comment\r\n[Foreign]\r\n  odd line without equals\r\nA = b ; not a comment\r\n\r\n";
  d.Write("a.ini", foreign);
  {
    IniFile f(d.File("a.ini"));
    f.WriteString("Mine", "Top", "10");
    f.WriteInteger("Mine", "Left", -3);
  }
  EXPECT_EQ(d.Read("a.ini"), foreign + "[Mine]\r\nTop=10\r\nLeft=-3\r\n");
}

TEST(IniFile, TwoWritersShareOneDocument) {
  TempDir d;
  {
    IniFile a(d.File("s.ini"));
    IniFile b(d.File("s.ini"));
    a.WriteString("Win1", "Top", "1");
    b.WriteString("Win2", "Top", "2");
    EXPECT_EQ(a.ReadString("Win2", "Top", ""), "2");
    EXPECT_TRUE(a.UpdateFile());
    b.WriteString("Win1", "Left", "5");
  }
  IniFile c(d.File("s.ini"));
  EXPECT_EQ(c.ReadString("Win1", "Top", ""), "1");
  EXPECT_EQ(c.ReadString("Win1", "Left", ""), "5");
  EXPECT_EQ(c.ReadString("Win2", "Top", ""), "2");
}

TEST(IniFile, SectionsKeysEraseDelete) {
  TempDir d;
  d.Write("a.ini", "[A]\nx=1\ny=2\n[B]\nz=3\n[a]\nw=4\n");
  IniFile f(d.File("a.ini"));
  EXPECT_EQ(f.ReadSections(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(f.ReadSection("a"), (std::vector<std::string>{"x", "y"}));
  f.DeleteKey("A", "X");
  EXPECT_FALSE(f.ValueExists("A", "x"));
  EXPECT_TRUE(f.ValueExists("A", "y"));
  f.EraseSection("a");
  EXPECT_FALSE(f.SectionExists("A"));
  EXPECT_EQ(f.Text(), "[B]\r\nz=3\r\n");
}

TEST(IniFile, ReloadsWhenRewrittenOnDiskAndFailedWriteKeepsOriginal) {
  TempDir d;
  d.Write("a.ini", "[S]\nk=1\n");
  IniFile keep(d.File("a.ini"));
  d.Write("a.ini", "[S]\nk=22\n");
  IniFile again(d.File("a.ini"));
  EXPECT_EQ(again.ReadString("S", "k", ""), "22");

  // A path whose directory is a regular file cannot be written.
  d.Write("plain", "x");
  IniFile bad(d.File("plain/s.ini"));
  bad.WriteString("S", "k", "v");
  int err = 0;
  EXPECT_FALSE(bad.UpdateFile(&err));
  EXPECT_NE(err, 0);
  EXPECT_EQ(d.Read("plain"), "x");
}

TEST(IniFile, LineBreaksInAValueCannotInjectLines) {
  TempDir d;
  {
    IniFile f(d.File("a.ini"));
    f.WriteString("Files", "F1", "/tmp/a\r\n[Engine]\nEnabled=1");
  }
  IniFile g(d.File("a.ini"));
  EXPECT_FALSE(g.SectionExists("Engine"));
  EXPECT_EQ(g.ReadString("Files", "F1", ""), "/tmp/a  [Engine] Enabled=1");
}

// A window's settings: what its writer writes, taken without a file; the
// keys the file lacks written at the start; at the end only what changed,
// a list section whole.
TEST(IniFile, CaptureWriteMissingAndWriteChanges) {
  TempDir d, tmp;
  testutil::EnvGuard tmpdir("TMPDIR", tmp.Path());
  const ini::Values start = ini::Capture([](const std::string &path) {
    IniFile ini(path);
    ini.WriteInteger("Win", "Top", 1);
    ini.WriteString("Win", "Left", "5");
    ini.WriteString("Cols", "Option1", "gamenr");
    ini.WriteString("Cols", "Option2", "event");
  });
  EXPECT_EQ(start, (ini::Values{{"Win", {{"Top", "1"}, {"Left", "5"}}},
                                {"Cols", {{"Option1", "gamenr"}, {"Option2", "event"}}}}));
  EXPECT_TRUE(std::filesystem::is_empty(tmp.Path()));

  const std::string path = d.File("s.ini");
  {
    IniFile ini(path);
    ini.WriteString("Win", "Top", "3");
    ini.WriteString("Cols", "Option1", "site");
  }
  ini::WriteMissing(path, start, {"cols"});
  {
    IniFile ini(path);
    EXPECT_EQ(ini.ReadString("Win", "Top", ""), "3");
    EXPECT_EQ(ini.ReadString("Win", "Left", ""), "5");
    EXPECT_FALSE(ini.ValueExists("Cols", "Option2"));  // a list is not filled in
    // Another writer since.
    ini.WriteString("Win", "Left", "7");
    ini.WriteString("Cols", "Option2", "date");
    ini.WriteString("Win", "Gone", "x");
  }
  ini::Values before = start;
  before["Win"].emplace_back("Gone", "y");
  ini::WriteChanges(path, before, ini::Values{{"Win", {{"Top", "2"}, {"Left", "5"}}}, {"Cols", {{"Option1", "gamenr"}}}},
                    {"Cols"});
  IniFile ini(path);
  EXPECT_EQ(ini.ReadString("Win", "Top", ""), "2");   // changed here
  EXPECT_EQ(ini.ReadString("Win", "Left", ""), "7");  // left as it was here
  EXPECT_FALSE(ini.ValueExists("Win", "Gone"));       // dropped here
  EXPECT_EQ(ini.ReadSectionValues("Cols"), (std::vector<std::pair<std::string, std::string>>{{"Option1", "gamenr"}}));
}
