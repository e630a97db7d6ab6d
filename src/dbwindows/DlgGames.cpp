#include "dbwindows/DlgGames.h"

#include <QAction>
#include <QToolButton>

#include "database/DatabaseMan.h"
#include "dbwindows/GameListMan.h"
#include "dbwindows/GamesExport.h"
#include "foundation/CommonText.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/QtStr.h"

namespace {

PagedListConfig GamesConfig() {
  PagedListConfig c;
  c.caption = &CommonText::S_MGames;
  c.noun = &CommonText::S_Games;
  c.leftOutKey = "gamenr";
  c.storedAsZero = ckGameNr;
  return c;
}

}  // namespace

TGamesDlg::TGamesDlg(QWidget *parent) : PagedListWindow(GamesConfig(), parent) {
  setObjectName("GamesDlg");
  setWindowTitle("Games");
  GameListPanel = ListPanel;
  GameList = List;
  GameMemo = Memo;
  GameListPopUp = Popup;

  commands_ = AddGameCommands([this] { MSearchGamesClick(); }, [this] { MAsTreeClick(); },
                              [this] { MExportGamesClick(); });
  MSearchGames = commands_.search;
  MAsTree = commands_.asTree;
  MExportGames = commands_.exportGames;

  SBSearchGames = AddToolButton("SBSearchGames", "Find");
  ToolbarMan.AddSeparator();
  SBAsTree = AddToolButton("SBAsTree", "Tree");

  connect(SBSearchGames, &QToolButton::clicked, this, [this] { Guarded([&] { MSearchGamesClick(); }); });
  connect(SBAsTree, &QToolButton::clicked, this, [this] { Guarded([&] { MAsTreeClick(); }); });

  FormCreate();
}

std::unique_ptr<PagedListSource> TGamesDlg::MakeSource(DatabaseO &database, int32_t slot) {
  if (slot <= 0) return nullptr;
  listSlot_ = slot;
  return std::make_unique<GameListSource>(database, slot);
}

void TGamesDlg::Detach() {
  listSlot_ = 0;
  PagedListWindow::Detach();
}

int32_t TGamesDlg::NextGame(int32_t n) { return Database() ? Database()->GameListNext(listSlot_, n) : 0; }

int32_t TGamesDlg::PrevGame(int32_t n) { return Database() ? Database()->GameListPrev(listSlot_, n) : 0; }

void TGamesDlg::MSearchGamesClick() {
  if (Handlers().manager && listSlot_ != 0) Handlers().manager->SearchGamesInList(listSlot_);
}

void TGamesDlg::MAsTreeClick() {
  // The tree takes this window's place only when it opened.
  if (Handlers().manager && listSlot_ != 0 &&
      Handlers().manager->NewGamesWindow(listSlot_, Title(), true, true, false))
    close();
}

void TGamesDlg::MExportGamesClick() {
  if (Database() && listSlot_ != 0) ExportGamesToPgn(*Database(), listSlot_, Handlers().progress, this);
}

void TGamesDlg::UpdateOwnTexts() {
  SetGameCommandTexts(commands_, SBSearchGames, SBAsTree);
}
