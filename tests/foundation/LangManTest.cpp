#include <gtest/gtest.h>

#include "TestUtil.h"
#include "foundation/LangMan.h"
#include "platform/Dirs.h"
#include "platform/Files.h"

namespace {

class LangManTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetLanguageRegistry(); }
  void TearDown() override { ResetLanguageRegistry(); }
};

}  // namespace

TEST_F(LangManTest, FixedIdsAndBuiltInDisplayNames) {
  EXPECT_EQ(LanguageCount(), 5);
  const char *names[] = {"Default", "Dutch", "English", "German", "Symbolic"};
  for (LanguageId id = 0; id < 5; ++id) EXPECT_EQ(GetLanguageName(id), names[id]);
  EXPECT_EQ(RegisterLanguage("english"), LangEnglish);
  EXPECT_EQ(RegisterLanguage("SYMBOLIC"), LangSymbolic);
  EXPECT_EQ(LanguageCount(), 5);
  EXPECT_EQ(GetLanguageName(5), "");

  EXPECT_EQ(GetLanguageDisplayName(LangDutch, LangDutch), "Nederlands");
  EXPECT_EQ(GetLanguageDisplayName(LangEnglish, LangDutch), "Engels");
  EXPECT_EQ(GetLanguageDisplayName(LangGerman, LangDutch), "Duits");
  EXPECT_EQ(GetLanguageDisplayName(LangGerman, LangEnglish), "German");
  EXPECT_EQ(GetLanguageDisplayName(LangSymbolic, LangEnglish), "Symbolic");
  EXPECT_EQ(GetLanguageDisplayName(LangGerman, LangGerman), "German");  // no pair: the name

  SetLanguageDisplayName(LangGerman, LangDutch, "Duitsch");  // the first text stays
  EXPECT_EQ(GetLanguageDisplayName(LangGerman, LangDutch), "Duits");

  EXPECT_EQ(FindLanguageByDisplayName("Duits", LangDutch), LangGerman);
  EXPECT_EQ(FindLanguageByDisplayName("duits", LangDutch), LangEnglish);  // exact only
  EXPECT_EQ(FindLanguageByDisplayName("Duits", LangEnglish), LangEnglish);
  EXPECT_EQ(FindLanguageByDisplayName("Nederlands", LangDutch), LangDutch);
  EXPECT_EQ(FindLanguageByDisplayName("german", LangDutch), LangGerman);  // the registered name
  EXPECT_EQ(FindLanguageByDisplayName("Symbolic", LangEnglish), LangSymbolic);
  EXPECT_EQ(LanguageCount(), 5);  // lookups register nothing
}

TEST_F(LangManTest, LoadsTheDisplayNameFile) {
  testutil::TempDir dir;
  testutil::AppDirGuard guard(dir.Path());
  dir.Write("LngNames.ini",
            "[French]\r\nEnglish=French\r\nDutch=Frans\r\n"
            "[dutch]\r\ndutch=Hollands\r\nGerman=Niederl\xe4ndisch\r\n"
            "[Spanish]\r\nVulcan=\r\nDUTCH=Spaans\r\n"
            "[Italian]\r\nEsperanto=Itala\r\n");
  LoadLanguageNames(dirs::AppFile("lngnames.ini"));

  // Sections and keys take new ids in file order; an empty value registers
  // nothing.
  EXPECT_EQ(FindRegisteredLanguage("French"), 5u);
  EXPECT_EQ(FindRegisteredLanguage("Spanish"), 6u);
  EXPECT_EQ(FindRegisteredLanguage("Italian"), 7u);
  EXPECT_EQ(FindRegisteredLanguage("Esperanto"), 8u);
  EXPECT_EQ(FindRegisteredLanguage("Vulcan"), LangNone);
  EXPECT_EQ(LanguageCount(), 9);

  EXPECT_EQ(GetLanguageDisplayName(5, LangDutch), "Frans");
  EXPECT_EQ(FindLanguageByDisplayName("Frans", LangDutch), 5u);
  EXPECT_EQ(GetLanguageDisplayName(LangDutch, LangDutch), "Nederlands");  // built-in kept
  EXPECT_EQ(GetLanguageDisplayName(LangDutch, LangGerman), "Niederl\xe4ndisch");
  EXPECT_EQ(GetLanguageDisplayName(6, LangDutch), "Spaans");
  EXPECT_EQ(GetLanguageDisplayName(7, 8), "Itala");

  // A missing file changes nothing and is not created.
  LoadLanguageNames(dir.File("Missing.ini"));
  EXPECT_EQ(LanguageCount(), 9);
  EXPECT_FALSE(files::Exists(dir.File("Missing.ini")));
}

TEST_F(LangManTest, StoredNamesReadBackAsTheirLanguage) {
  testutil::TempDir dir;
  dir.Write("LngNames.ini", "[French]\r\nEnglish=French\r\nDutch=Frans\r\n[Francais]\r\nEnglish=Gallic\r\n");
  LoadLanguageNames(dir.File("LngNames.ini"));
  LanguageId swedish = RegisterLanguage("Swedish");  // no display names at all
  const int count = LanguageCount();

  // What the settings write (the English display name, else the registered
  // name) reads back as the same language.
  for (LanguageId id = 0; id < static_cast<LanguageId>(count); ++id)
    EXPECT_EQ(FindLanguageForSetting(GetLanguageDisplayName(id, LangEnglish)), id) << GetLanguageName(id);
  EXPECT_EQ(FindLanguageForSetting("Swedish"), swedish);
  EXPECT_EQ(FindLanguageByDisplayName("Swedish", LangEnglish), swedish);
  EXPECT_EQ(FindLanguageByDisplayName("swedish", LangDutch), swedish);
  EXPECT_EQ(FindLanguageByDisplayName("French", LangDutch), FindRegisteredLanguage("French"));

  EXPECT_EQ(FindLanguageForSetting("german"), LangGerman);
  EXPECT_EQ(FindLanguageForSetting("SWEDISH"), swedish);
  EXPECT_EQ(FindLanguageForSetting("gallic"), FindRegisteredLanguage("Francais"));
  // Neither a Dutch display name nor an unknown name is a stored English name.
  EXPECT_EQ(FindLanguageForSetting("Frans"), LangEnglish);
  EXPECT_EQ(FindLanguageForSetting("Klingon"), LangEnglish);
  EXPECT_EQ(FindLanguageForSetting(""), LangEnglish);
  EXPECT_EQ(LanguageCount(), count);  // lookups register nothing
}
