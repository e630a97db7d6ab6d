#include <gtest/gtest.h>

#include "AppTestUtil.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/DlgSearchGames.h"

namespace {

class SearchCommandsTest : public ::testing::Test, public apptest::MainFixture {};

TEST_F(SearchCommandsTest, TheDialogsLiveAsLongAsTheMainWindow) {
  Form();
  ASSERT_NE(EditGameInfoLineOptionsDlg, nullptr);
  ASSERT_NE(SearchGamesDlg, nullptr);
  EXPECT_EQ(SearchGamesDlg->parent(), MainForm);
  // The built-in criteria name no one.
  EXPECT_EQ(SearchGamesDlg->Criteria().PlayerCount(), 0);
  FreeForm();
  EXPECT_EQ(EditGameInfoLineOptionsDlg, nullptr);
  EXPECT_EQ(SearchGamesDlg, nullptr);
}

}  // namespace
