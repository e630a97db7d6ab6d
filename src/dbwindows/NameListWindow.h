#pragma once
// The players, events/sites and annotators windows: one design over the
// paged list window, told apart by the traits of their kind. Rows are name
// ids; viewing, deleting and the memo do nothing for a name.
#include "dbwindows/PagedListWindow.h"

// The database operations of one kind of name list.
struct NameListOps {
  int32_t (DatabaseO::*count)(int);
  const RowTextsT &(DatabaseO::*rowTexts)(int, int32_t);
  int32_t (DatabaseO::*item)(int, int32_t);
  int32_t (DatabaseO::*indexOf)(int, int32_t);
  ListColumnsO &(DatabaseO::*columns)(int);
  void (DatabaseO::*changed)(int);
  void (DatabaseO::*setSort)(int, int);
  void (DatabaseO::*free)(int);
};

class TNameListDlg : public PagedListWindow {
  Q_OBJECT
 public:
  // The name windows take no callbacks and follow no game.
  void SetHandlers(const ListWindowHandlers &) override {}
  void SelectGame(int32_t) override {}
  void Reload(int32_t) override {}
  void RefillKeepSelection() override {}
  void CloseWindow() override {}

 protected:
  TNameListDlg(const PagedListConfig &config, const NameListOps &ops, QWidget *parent);
  std::unique_ptr<PagedListSource> MakeSource(DatabaseO &database, int32_t slot) override;

 private:
  NameListOps ops_;
};

// The configuration of a kind: caption, noun, number column and sections.
PagedListConfig NameListConfig(const std::string *caption, const std::string *noun, const char *numberKey,
                               uint8_t numberKind, const char *sectionStem, const char *columnsStem,
                               std::function<std::unique_ptr<ListColumnsO>()> makeColumns);
