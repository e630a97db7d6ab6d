#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "TestUtil.h"
#include "UiTestApp.h"
#include "foundation/Common.h"
#include "foundation/ui/ChessFontsUi.h"
#include "platform/Files.h"
#include "platform/Win1252.h"

namespace {

const std::string kFont = "TorvanelDiagram.ttf";

bool Listed(const std::string &family) {
  const std::vector<std::string> &list = InstalledFontFamilies();
  return std::any_of(list.begin(), list.end(),
                     [&](const std::string &f) { return win1252::SameText(f, family); });
}

// Every entry of a directory tree, as relative paths.
std::vector<std::string> Tree(const std::string &dir) {
  std::vector<std::string> out;
  for (const auto &e : std::filesystem::recursive_directory_iterator(dir))
    out.push_back(std::filesystem::relative(e.path(), dir).string());
  std::sort(out.begin(), out.end());
  return out;
}

// A program directory holding the diagram font, a file that only looks
// like one, and another file; the user's data directory elsewhere.
struct Install {
  Install() : xdg("XDG_DATA_HOME", home.Path() + "data") {
    uitest::App();
    EXPECT_TRUE(files::Copy(testutil::DataDir() + kFont, program.File(kFont)));
    program.Write("broken.ttf", "not a font");
    program.Write("notes.txt", "not a font either");
    files::ReadAll(program.File(kFont), bytes);
  }
  ~Install() { SetInstalledFontFamilies({}); }
  int Run() { return myui::InstallChessFonts(program.Path()); }
  std::string Fonts() const { return home.Path() + "data/fonts/"; }

  testutil::TempDir program, home;
  testutil::EnvGuard xdg;
  std::string bytes;
};

TEST(InstallChessFonts, CopiesAndAddsAMissingFontOnce) {
  Install in;
  EXPECT_EQ(in.Run(), 1);
  EXPECT_TRUE(Listed("Torvanel Diagram"));
  std::string copied;
  ASSERT_TRUE(files::ReadAll(in.Fonts() + kFont, copied));
  EXPECT_EQ(copied, in.bytes);
  // Only the font: no temporary name, nothing that is no font.
  EXPECT_EQ(Tree(in.home.Path()), (std::vector<std::string>{"data", "data/fonts", "data/fonts/" + kFont}));
  // Now the system shows it: neither copied nor added again.
  EXPECT_EQ(in.Run(), 0);
  EXPECT_EQ(Tree(in.home.Path()).size(), 3u);
}

TEST(InstallChessFonts, KeepsTheUsersCopyAndDoesNotDoubleIt) {
  Install in;
  ASSERT_TRUE(files::MakeDirs(in.Fonts()));
  in.home.Write("data/fonts/" + kFont, "the user's changed copy");
  EXPECT_EQ(in.Run(), 0);
  EXPECT_EQ(in.home.Read("data/fonts/" + kFont), "the user's changed copy");
  EXPECT_EQ(Tree(in.home.Path()).size(), 3u);
}

// A failed copy is silent and the font still serves the program, from its
// own directory; nothing is left in the way.
TEST(InstallChessFonts, AFailedCopyAddsTheFontFromTheProgram) {
  {
    Install in;
    // A file where the font folder should be: creating it fails, for root too.
    ASSERT_TRUE(files::MakeDirs(in.home.Path() + "data"));
    in.home.Write("data/fonts", "a file");
    EXPECT_EQ(in.Run(), 1);
    EXPECT_TRUE(Listed("Torvanel Diagram"));
    EXPECT_EQ(in.home.Read("data/fonts"), "a file");
    EXPECT_EQ(Tree(in.home.Path()), (std::vector<std::string>{"data", "data/fonts"}));
  }
  {
    // The name is taken while the copy is written (another program): the
    // entry that got there first is not overwritten.
    Install in;
    const std::string target = in.Fonts() + kFont;
    files::SetTempNameGenerator([&](const std::string &t, int attempt) {
      if (attempt == 0) std::ofstream(target) << "first";
      return t + ".part" + std::to_string(attempt);
    });
    EXPECT_EQ(in.Run(), 1);
    files::SetTempNameGenerator(nullptr);
    EXPECT_EQ(in.home.Read("data/fonts/" + kFont), "first");
    EXPECT_EQ(Tree(in.home.Path()), (std::vector<std::string>{"data", "data/fonts", "data/fonts/" + kFont}));
  }
}

}  // namespace
