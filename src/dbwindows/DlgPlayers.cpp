#include "dbwindows/DlgPlayers.h"

#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"

namespace {

const NameListOps kOps{&DatabaseO::PlayerListCount,   &DatabaseO::PlayerListRowTexts,
                       &DatabaseO::PlayerListItem,    &DatabaseO::PlayerListIndexOf,
                       &DatabaseO::PlayerListColumns, &DatabaseO::PlayerListChanged,
                       &DatabaseO::SetPlayerListSort, &DatabaseO::FreePlayerList};

}  // namespace

TPlayersDlg::TPlayersDlg(QWidget *parent)
    : TNameListDlg(NameListConfig(&CommonText::S_MPlayers, &CommonText::S_Players, "playernr", ckPlayerNr,
                                  "Player", "Player", [] { return std::make_unique<PlayerColumnsO>(); }),
                   kOps, parent) {
  setObjectName("PlayersDlg");
  FormCreate();
}
