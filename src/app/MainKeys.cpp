// The database menu's openings command and the classify-game and
// classify-position commands: the keys window, made and moved to a key.
#include "app/Main.h"

#include "board/ui/ChsBrds.h"
#include "foundation/CommonText.h"
#include "platform/UiHooks.h"

void TMainForm::MOpeningsClick() {
  StopAutoPlay();
  if (!FileOpen) return;
  if (!Database.HasKeys()) {
    // Asked before the progress shows; a No changes nothing.
    if (!Database.DeleteDamagedKeys()) return;
    bool made = false;
    {
      AbortDlg.SetCaption(CommonText::S_ClassifyingGames + "...");
      AbortShowGuard progress(AbortDlg);
      // One command: the keys reach the disk once, classified.
      DatabaseO::StoreCommand command(Database);
      // A refusal has shown its message; nothing else changes then.
      made = Database.CreateKeys();
      if (made) Database.ClassifyAllGames(&AbortDlg);
    }
    if (!made) return;
    SetOpeningsItem(true);
    for (const char *n : {"MClassifyAllGames", "MClassifyGame", "MClassifyPosition"}) SetCommandEnabled(n, true);
  }
  GameListMan.ShowKeysWindow();
}

void TMainForm::MClassifyGameClick() {
  StopAutoPlay();
  if (!FileOpen || !Database.HasKeys()) return;
  int ply = 0;
  const uint32_t key = Database.ClassifyLine(Game, true, ply);
  GameListMan.ShowKeysWindowAt(static_cast<int32_t>(key));
}

void TMainForm::MClassifyPositionClick() {
  StopAutoPlay();
  if (!FileOpen || !Database.HasKeys()) return;
  const uint32_t key = Database.KeyOfBoard(Board->Position());
  GameListMan.ShowKeysWindowAt(static_cast<int32_t>(key));
}
