#include <gtest/gtest.h>

#include <algorithm>

#include "TestUtil.h"
#include "UiTestApp.h"
#include "foundation/Common.h"
#include "foundation/ui/ChessFontsUi.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

namespace {

bool Listed(const std::vector<std::string> &list, const std::string &family) {
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string &f) { return win1252::SameText(f, family); });
}

TEST(InstallChessFonts, AddsTheProgramFontsToTheApplication) {
  uitest::App();
  const std::string source = "/usr/share/fonts/truetype/dejavu/DejaVuSansMono-Bold.ttf";
  if (!files::FileExists(source)) GTEST_SKIP() << "no font file to install";
  testutil::TempDir dir;
  ASSERT_TRUE(files::Copy(source, dir.File("Chess.TTF")));  // the extension is matched in any case
  dir.Write("notes.txt", "not a font");
  dir.Write("broken.ttf", "not a font either");

  EXPECT_EQ(myui::InstallChessFonts(dir.Path()), 1);
  EXPECT_TRUE(Listed(InstalledFontFamilies(), "Default"));
  EXPECT_TRUE(Listed(InstalledFontFamilies(), "DejaVu Sans Mono"));
  // The same file is not added twice.
  EXPECT_EQ(myui::InstallChessFonts(dir.Path()), 0);

  // A chess-font description of the installed family is now kept.
  dir.Write("ChsFonts.ini",
            "[Chess Fonts]\nFonts=1\nFont1=DejaVu Sans Mono\n[DejaVu Sans Mono]\nFigurines=1\n");
  TChessFontInfoMan man(dir.File("ChsFonts.ini"));
  EXPECT_EQ(man.Count(), 1);
  SetInstalledFontFamilies({});
}

}  // namespace
