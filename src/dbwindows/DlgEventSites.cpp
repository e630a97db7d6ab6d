#include "dbwindows/DlgEventSites.h"

#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"

namespace {

const NameListOps kOps{&DatabaseO::EventSiteListCount,   &DatabaseO::EventSiteListRowTexts,
                       &DatabaseO::EventSiteListItem,    &DatabaseO::EventSiteListIndexOf,
                       &DatabaseO::EventSiteListColumns, &DatabaseO::EventSiteListChanged,
                       &DatabaseO::SetEventSiteListSort, &DatabaseO::FreeEventSiteList};

}  // namespace

TEventSitesDlg::TEventSitesDlg(QWidget *parent)
    : TNameListDlg(
          NameListConfig(&CommonText::S_MEventSites, &CommonText::S_EventSites, "eventsitenr", ckEventSiteNr,
                         "Event", "EventSite", [] { return std::make_unique<EventSiteColumnsO>(); }),
          kOps, parent) {
  setObjectName("EventSitesDlg");
  FormCreate();
}
