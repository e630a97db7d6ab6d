#include "dbwindows/NameListWindow.h"

#include "database/DatabaseMan.h"

namespace {

class NameListSource : public PagedListSource {
 public:
  NameListSource(DatabaseO &db, int slot, const NameListOps &ops) : db_(db), slot_(slot), ops_(ops) {}
  int32_t Count() override { return (db_.*ops_.count)(slot_); }
  int32_t Item(int32_t position) override { return (db_.*ops_.item)(slot_, position); }
  int32_t IndexOf(int32_t item) override { return (db_.*ops_.indexOf)(slot_, item); }
  const RowTextsT &RowTexts(int32_t position) override { return (db_.*ops_.rowTexts)(slot_, position); }
  ListColumnsO &Columns() override { return (db_.*ops_.columns)(slot_); }
  void Changed() override { (db_.*ops_.changed)(slot_); }
  void SetSort(int kind) override { (db_.*ops_.setSort)(slot_, kind); }
  void Free() override { (db_.*ops_.free)(slot_); }

 private:
  DatabaseO &db_;
  int slot_;
  NameListOps ops_;
};

}  // namespace

PagedListConfig NameListConfig(const std::string *caption, const std::string *noun, const char *numberKey,
                               uint8_t numberKind, const char *sectionStem, const char *columnsStem,
                               std::function<std::unique_ptr<ListColumnsO>()> makeColumns) {
  PagedListConfig c;
  c.caption = caption;
  c.noun = noun;
  c.leftOutKey = numberKey;
  c.storedAsZero = numberKind;
  c.gameRows = false;
  c.sortHourglass = false;
  c.splitSection = std::string(sectionStem) + "Split";
  c.lineOptionsSection = std::string(columnsStem) + "LineOptions";
  c.widthsSection = std::string(columnsStem) + "List";
  c.placementSection = std::string(columnsStem) + "Window";
  c.memoHeightKey = "MemoSaveHeight";
  c.sortKindKey = "SortKind";
  c.listPanelName = "ListPanel";
  c.listName = "List";
  c.memoName = "Memo";
  c.popupName = "ListPopUp";
  c.designWidth = 343;
  c.designHeight = 410;
  c.makeColumns = std::move(makeColumns);
  return c;
}

TNameListDlg::TNameListDlg(const PagedListConfig &config, const NameListOps &ops, QWidget *parent)
    : PagedListWindow(config, parent), ops_(ops) {}

std::unique_ptr<PagedListSource> TNameListDlg::MakeSource(DatabaseO &database, int32_t slot) {
  if (slot <= 0) return nullptr;
  return std::make_unique<NameListSource>(database, slot, ops_);
}
