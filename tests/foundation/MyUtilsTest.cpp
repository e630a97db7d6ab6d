#include <gtest/gtest.h>

#include "TestUtil.h"
#include "foundation/LangMan.h"
#include "foundation/MyUtils.h"
#include "platform/Errors.h"
#include "platform/IniFile.h"

TEST(MyUtilsFiles, PathsAndNames) {
  testutil::TempDir dir;
  testutil::AppDirGuard guard(dir.Path());
  EXPECT_EQ(GetAppDir(), dir.Path());
  EXPECT_EQ(GetAppDirURL(), "file://" + dir.Path());  // a temporary path needs no escapes
  EXPECT_EQ(GetIniFileName().substr(0, dir.Path().size()), dir.Path());
  EXPECT_TRUE(GetIniFileName().ends_with(".ini"));
  EXPECT_EQ(GetTempDir().back(), '/');

  EXPECT_EQ(RemoveFileExt("/a.b/game.pgn"), "/a.b/game");
  EXPECT_EQ(RemoveFileExt("/a.b/game"), "/a.b/game");
  EXPECT_EQ(GetLongFileName("/x/./y/../z.pgn"), "/x/z.pgn");
  EXPECT_EQ(GetLongFileName("rel.pgn").front(), '/');

  dir.Write("one.ini", "12345");
  EXPECT_EQ(FileSizeOf(dir.File("one.ini")), 5);
  EXPECT_EQ(FileSizeOf(dir.File("missing")), 0);
  EXPECT_TRUE(CopyFile(dir.File("one.ini"), dir.File("two.INI")));
  dir.Write("three.txt", "x");
  EXPECT_FALSE(CopyFile(dir.File("three.txt"), dir.File("one.ini")));  // never overwrites
  EXPECT_EQ(dir.Read("one.ini"), "12345");
  EXPECT_FALSE(CopyFile(dir.File("missing"), dir.File("four")));

  std::vector<std::string> list{"kept"};
  ListFiles(dir.Path() + "*.ini", list);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", "one.ini", "two.INI"}));
}

// The URL goes to the clipboard as Windows-1252 text: every byte outside
// the unreserved characters and "/" is escaped, UTF-8 names and blanks too.
TEST(MyUtilsFiles, AppDirUrlEscapesAllButUnreservedBytes) {
  auto url = [](const std::string &dir) {
    testutil::AppDirGuard guard(dir);
    return GetAppDirURL();
  };
  EXPECT_EQ(url("/opt/p/"), "file:///opt/p/");
  EXPECT_EQ(url("/home/j\xC3\xB6rg/my chess/"), "file:///home/j%C3%B6rg/my%20chess/");
  EXPECT_EQ(url("/a-b._~/Z9/"), "file:///a-b._~/Z9/");
  EXPECT_EQ(url("/x%y#?&+\\/"), "file:///x%25y%23%3F%26%2B%5C/");
  // Any directory byte comes out as printable ASCII, which the Windows-1252
  // text carries unchanged, and decodes back to the same byte.
  for (int b = 1; b < 256; ++b) {
    const std::string dir = std::string("/d") + static_cast<char>(b) + "/";
    const std::string got = url(dir);
    std::string decoded;
    for (size_t i = std::string("file://").size(); i < got.size(); ++i) {
      ASSERT_TRUE(got[i] > 0x20 && got[i] < 0x7F) << b;
      if (got[i] == '%') {
        decoded += static_cast<char>(std::stoi(got.substr(i + 1, 2), nullptr, 16));
        i += 2;
      } else {
        decoded += got[i];
      }
    }
    EXPECT_EQ(decoded, dir) << b;
  }
}

TEST(MyUtilsFiles, AddFilterExt) {
  const std::string filter = "PGN files (*.pgn)|*.pgn|All chess files|*.pgn;*.qcx|All files|*.*";
  EXPECT_EQ(AddFilterExt("game", filter, 1), "game.pgn");
  EXPECT_EQ(AddFilterExt("game", filter, 2), "game.pgn");  // the first of a list
  EXPECT_EQ(AddFilterExt("game", filter, 3), "game");      // no wildcard in a name
  EXPECT_EQ(AddFilterExt("game", filter, 4), "game");      // beyond the filter
  EXPECT_EQ(AddFilterExt("game", filter, 0), "game");
  EXPECT_EQ(AddFilterExt("game.txt", filter, 1), "game.txt");
  EXPECT_EQ(AddFilterExt("dir.x/game", "Text|*.txt", 1), "dir.x/game.txt");
}

TEST(MyUtilsLists, MruAndHistory) {
  std::vector<std::string> l{"a", "B", "c"};
  AddToMRU(l, "b", 2);
  EXPECT_EQ(l, (std::vector<std::string>{"b", "a"}));
  AddToMRU(l, "new", 5);
  EXPECT_EQ(l, (std::vector<std::string>{"new", "b", "a"}));
  RemoveFromList(l, "A");
  RemoveFromList(l, "zz");
  EXPECT_EQ(l, (std::vector<std::string>{"new", "b"}));

  testutil::TempDir dir;
  std::string ini = dir.File("h.ini");
  dir.Write("h.ini", "[Hist]\r\nH0=first\r\nH1=\r\nH2=third\r\nH3=beyond\r\nOld=x\r\n[Other]\r\nk=v\r\n");
  std::vector<std::string> h;
  ReadHistory(h, ini, "hist", 3);
  EXPECT_EQ(h, (std::vector<std::string>{"first", "third"}));
  WriteHistory({"p", "q"}, ini, "Hist");
  {
    IniFile f(ini);
    EXPECT_EQ(f.ReadSectionValues("Hist"),
              (std::vector<std::pair<std::string, std::string>>{{"H0", "p"}, {"H1", "q"}}));
    EXPECT_EQ(f.ReadString("Other", "k", ""), "v");
  }
  WriteHistory({}, ini, "Hist");
  IniFile f(ini);
  EXPECT_TRUE(f.ReadSection("Hist").empty());
}

// Texts of any characters in the Windows-1252 settings file: what it holds
// is written as it always was, the rest as escaped UTF-8, and each reads
// back exactly; older values read as before.
TEST(MyUtilsHistories, SettingsValuesHoldEveryText) {
  const std::pair<std::string, std::string> cases[] = {
      {"M\xc3\xbcller \xe2\x80\x93 x", "M\xfcller \x96 x"},  // Windows-1252 holds it
      {"", ""},
      {"\xd0\x98\xd0\xb2 \xe2\x80\x93 M\xc3\xbcller", "utf8:%D0%98%D0%B2 %E2%80%93 M%C3%BCller"},
      {"\xe6\xbc\xa2 100%", "utf8:%E6%BC%A2 100%25"},
      {"utf8:%41", "utf8:utf8:%2541"},  // a text that looks like one
      {"utf8:\xc3\xa9", "utf8:utf8:%C3%A9"},
      {"a\tb\x7f\xf0\x9f\x98\x80", "utf8:a%09b%7F%F0%9F%98%80"},
  };
  for (const auto &[text, value] : cases) {
    EXPECT_EQ(Utf8ToSettingsValue(text), value) << text;
    EXPECT_EQ(SettingsValueToUtf8(value), text) << value;
  }
  // Values of earlier builds are Windows-1252, "?" and all; only the prefix
  // is decoded, and a "%" without two hex digits after it stays.
  EXPECT_EQ(SettingsValueToUtf8("?????? \x96 M\xfcller"), "?????? \xe2\x80\x93 M\xc3\xbcller");
  EXPECT_EQ(SettingsValueToUtf8("100%41"), "100%41");
  EXPECT_EQ(SettingsValueToUtf8("utf8:%4"), "%4");
  EXPECT_EQ(SettingsValueToUtf8("utf8:%zz%e6%bc%a2"), "%zz\xe6\xbc\xa2");
  EXPECT_EQ(SettingsValueToUtf8("UTF8:%41"), "UTF8:%41");
}

TEST(MyUtilsStrings, Conversions) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt(" -7"), -7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("0x10"), 16);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  for (const char *bad : {"", "x", "12a", "1 ", "-", "2147483648", "99999999999999999999", "$"})
    EXPECT_THROW(StrToInt(bad), EConvertError) << bad;
  EXPECT_EQ(StrToIntDef("abc", 70000), 70000);  // wider than 16 bits
  EXPECT_EQ(IntToStr(100000), "100000");
  EXPECT_TRUE(StrToBool("1"));
  EXPECT_FALSE(StrToBool("true"));
  EXPECT_EQ(BoolToStr(false), "0");

  EXPECT_EQ(HexDigit('7'), 7);
  EXPECT_EQ(HexDigit('a'), 10);
  EXPECT_EQ(HexDigit('F'), 15);
  EXPECT_EQ(HexToInt("1F"), 31);
  EXPECT_EQ(HexToInt(""), 0);
  EXPECT_EQ(HexToInt("7FFFFFFF"), 2147483647);
  EXPECT_THROW(HexToInt("100000000"), ERangeError);
}

TEST(MyUtilsStrings, Helpers) {
  EXPECT_TRUE(StartsWith("Torvanel", "Torv"));
  EXPECT_FALSE(StartsWith("Tor", "Torv"));
  EXPECT_FALSE(StartsWith("torvanel", "Torv"));
  std::string longer(300, 'x');
  EXPECT_FALSE(StartsWith(longer, longer.substr(0, 299) + "y"));  // no 255-character cut
  EXPECT_EQ(PadLeft("7", 3, '0'), "007");
  EXPECT_EQ(PadRight("ab", 4, '.'), "ab..");
  EXPECT_EQ(PadLeftSpaces("long", 2), "long");
  EXPECT_EQ(PadRightSpaces("a", 2), "a ");
  EXPECT_EQ(Truncate("abcdef", 3), "abc");
  EXPECT_EQ(Truncate("ab", 3), "ab");
  EXPECT_EQ(Min(3, -2), -2);
  EXPECT_EQ(Max(3, -2), 3);
  EXPECT_EQ(Sign(-9), -1);
  EXPECT_EQ(Sign(0), 0);
  EXPECT_EQ(RtfEscapeSpecials("a\\b{c}"), "a\\\\b\\{c\\}");
  EXPECT_EQ(HtmlEscape("a<b&c>d"), "a&lt;b&amp;c>d");
  EXPECT_EQ(RemoveAccelerator("&File && &Edit"), "File && &Edit");
  EXPECT_EQ(DoubleAmpersands("C:/R&D/a&b.pgn"), "C:/R&&D/a&&b.pgn");
  EXPECT_EQ(XmlEscape("a<b&\"c\">d"), "a&lt;b&amp;&quot;c&quot;&gt;d");
  // Only the first "%s" is replaced, and the text is never read as a format.
  EXPECT_EQ(SubstituteText("Could not read %s: %s", "%d%s.pgn"), "Could not read %d%s.pgn: %s");
  EXPECT_EQ(SubstituteText("No placeholder", "x"), "No placeholder");
}

TEST(MyUtilsStrings, DatesAndSeconds) {
  EXPECT_EQ(FormatSeconds(3725), "1:02.05");
  EXPECT_EQ(FormatSeconds(59), "0:00.59");
  EXPECT_EQ(FormatSeconds(7200), "2:00.00");
  EXPECT_EQ(FormatSeconds(0), "0:00.00");
  EXPECT_EQ(FormatSeconds(100 * 3600 + 1), "100:00.01");
  EXPECT_THROW(FormatSeconds(-1), ERangeError);
  int y, m, d;
  GetToday(y, m, d);
  EXPECT_EQ(CurrentYear(), y);
  EXPECT_GE(y, 2024);
  EXPECT_TRUE(m >= 1 && m <= 12 && d >= 1 && d <= 31);
}

TEST(MyUtilsUiCalls, GoThroughTheHooks) {
  std::vector<std::string> log;
  ui::Hooks h;
  h.showMessage = [&](const std::string &t) { log.push_back("show:" + t); };
  h.messageDlg = [&](const std::string &t, ui::MsgType type, unsigned b, int x, int y) {
    log.push_back("dlg:" + t + ":" + std::to_string(static_cast<int>(type)) + ":" + std::to_string(b) + ":" +
                  std::to_string(x) + "," + std::to_string(y));
    return ui::mrNo;
  };
  h.beep = [&] { log.push_back("beep"); };
  h.pushHourglass = [&] { log.push_back("push"); };
  h.popCursor = [&] { log.push_back("pop"); };
  h.processMessages = [&] { log.push_back("process"); };
  ui::Hooks old = ui::InstallHooks(h);
  BeepShowMessage("hi");
  EXPECT_EQ(BeepConfirm("sure?", ui::mbYesNo), ui::mrNo);
  EXPECT_EQ(BeepWarning("w", ui::mbOK), ui::mrNo);
  EXPECT_EQ(BeepInformation("i", ui::mbOK), ui::mrNo);
  EXPECT_EQ(MessageDlgPos("p", mtError, ui::mbOK, 0, 10, 20), ui::mrNo);
  ShowMessagePos("at", 5, -1);
  SetHourglassCursor();
  ProcessMessages();
  PopCursor();
  ui::InstallHooks(old);
  EXPECT_EQ(log, (std::vector<std::string>{"beep", "show:hi", "beep", "dlg:sure?:3:3:-1,-1", "beep",
                                           "dlg:w:0:4:-1,-1", "beep", "dlg:i:2:4:-1,-1", "dlg:p:1:4:10,20",
                                           "dlg:at:4:4:5,-1", "push", "process", "pop"}));
}

TEST(FileTypes, DesktopEntryAndMimePackage) {
  testutil::TempDir dir;
  const std::string cmd = "/opt/tv dir/torvanel \"%1\"";
  ASSERT_TRUE(RegisterFileType("PGN", "PgnFile", "Portable Game Notation", cmd, dir.Path()));
  EXPECT_FALSE(files::Exists(dir.Path() + "mime/packages/torvanel-pgnfile.xml"));  // the type is known
  ASSERT_TRUE(RegisterFileType("QCX", "QuennicBaseFile", "Chess DataBase", cmd, dir.Path()));
  EXPECT_EQ(FileTypeMimeType("QCX", "QuennicBaseFile"), "application/x-quennicbasefile");
  EXPECT_EQ(dir.Read("mime/packages/torvanel-x-quennicbasefile.xml"),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
            "  <mime-type type=\"application/x-quennicbasefile\">\n"
            "    <comment>Chess DataBase</comment>\n"
            "    <glob pattern=\"*.qcx\"/>\n"
            "  </mime-type>\n"
            "</mime-info>\n");
  const std::string expect =
      "[Desktop Entry]\n"
      "Type=Application\n"
      "Name=Torvanel/DB\n"
      "Exec=\"/opt/tv dir/torvanel\" %f\n"
      "Terminal=false\n"
      "MimeType=application/x-quennicbasefile;application/vnd.chess-pgn;application/x-chess-pgn;\n";
  EXPECT_EQ(dir.Read("applications/torvanel.desktop"), expect);
  // The next start rewrites the same files.
  ASSERT_TRUE(RegisterFileType("PGN", "PgnFile", "Portable Game Notation", cmd, dir.Path()));
  ASSERT_TRUE(RegisterFileType("QCX", "QuennicBaseFile", "Chess DataBase", cmd, dir.Path()));
  EXPECT_EQ(dir.Read("applications/torvanel.desktop"), expect);

  // Characters the Exec key reserves are escaped.
  testutil::TempDir other;
  ASSERT_TRUE(RegisterFileType("PGN", "PgnFile", "x", "\"/a$b\\c%d/p\" \"%1\"", other.Path()));
  EXPECT_NE(other.Read("applications/torvanel.desktop").find("Exec=\"/a\\\\$b\\\\\\\\c%%d/p\" %f\n"),
            std::string::npos);
}

TEST(MyUtilsLanguages, ShorterNames) {
  ResetLanguageRegistry();
  testutil::TempDir dir;
  dir.Write("LngNames.ini", "[Dutch]\r\nEnglish=Dutch\r\nDutch=Nederlands\r\n[French]\r\nEnglish=French\r\n");
  LoadLanguageNamesFile(dir.File("LngNames.ini"));
  EXPECT_EQ(LanguageDisplayName(LangDutch, LangDutch), "Nederlands");
  uint32_t french = FindRegisteredLanguage("French");
  ASSERT_NE(french, LangNone);
  EXPECT_EQ(FindLanguage("French", LangEnglish), french);
  EXPECT_EQ(FindLanguage("Klingon", LangEnglish), LangEnglish);
  ResetLanguageRegistry();
}
