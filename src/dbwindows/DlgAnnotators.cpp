#include "dbwindows/DlgAnnotators.h"

#include "database/DatabaseMan.h"
#include "foundation/CommonText.h"

namespace {

const NameListOps kOps{&DatabaseO::AnnotatorListCount,   &DatabaseO::AnnotatorListRowTexts,
                       &DatabaseO::AnnotatorListItem,    &DatabaseO::AnnotatorListIndexOf,
                       &DatabaseO::AnnotatorListColumns, &DatabaseO::AnnotatorListChanged,
                       &DatabaseO::SetAnnotatorListSort, &DatabaseO::FreeAnnotatorList};

}  // namespace

TAnnotatorsDlg::TAnnotatorsDlg(QWidget *parent)
    : TNameListDlg(
          NameListConfig(&CommonText::S_MAnnotators, &CommonText::S_Annotators, "annotatornr", ckAnnotatorNr,
                         "Annotator", "Annotator", [] { return std::make_unique<AnnotatorColumnsO>(); }),
          kOps, parent) {
  setObjectName("AnnotatorsDlg");
  FormCreate();
}
