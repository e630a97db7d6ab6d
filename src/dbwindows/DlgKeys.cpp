#include "dbwindows/DlgKeys.h"

#include <QAction>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QApplication>
#include <QMenuBar>
#include <QToolButton>

#include "appman/ChessAppMan.h"
#include "database/DatabaseMan.h"
#include "dbwindows/DlgKeyPositions.h"
#include "dbwindows/GameListMan.h"
#include "dbwindows/GamesExport.h"
#include "dbwindows/PagedListView.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/Hints.h"
#include "foundation/ui/QtStr.h"
#include "platform/Dirs.h"
#include "platform/UiHooks.h"

namespace {

// The current key's rows: sub-keys first, then its games.
class KeyRowsSource : public PagedListSource {
 public:
  explicit KeyRowsSource(DatabaseO &db) : db_(db) {}
  int32_t Count() override { return db_.KeyRowCount(); }
  int32_t Item(int32_t position) override { return db_.KeyRowGameNr(position); }
  int32_t IndexOf(int32_t item) override { return item > 0 ? db_.KeyRowOfGame(item) : 0; }
  const RowTextsT &RowTexts(int32_t position) override { return db_.KeyRowText(position); }
  bool IsDeleted(int32_t position) override { return db_.KeyRowIsDeletedGame(position); }
  ListColumnsO &Columns() override { return db_.KeyColumns(); }
  void Changed() override { db_.KeyListChanged(); }
  void SetSort(int kind) override { db_.SetKeySort(kind); }

 private:
  DatabaseO &db_;
};

PagedListConfig KeysConfig() {
  PagedListConfig c;
  c.caption = &CommonText::S_MOpenings;
  c.noun = &CommonText::S_KeysWindowNoun;
  c.leftOutKey = "gamenr";
  c.storedAsZero = ckGameNr;
  c.splitSection = "KeySplit";
  c.lineOptionsSection = "KeyLineOptions";
  c.widthsSection = "KeyList";
  c.placementSection = "KeyWindow";
  c.popupName = "GameListPopup";
  c.designWidth = 591;
  c.designHeight = 410;
  return c;
}

QAction *NewItem(QObject *owner, const char *name, const char *text) {
  auto *a = new QAction(QString::fromLatin1(text), owner);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

}  // namespace

TKeysDlg::TKeysDlg(QWidget *parent) : PagedListWindow(KeysConfig(), parent) {
  setObjectName("KeysDlg");
  setWindowTitle("Keys");
  GameListPanel = ListPanel;
  GameList = List;
  GameMemo = Memo;
  GameListPopup = Popup;

  MShowKeyPositions = NewItem(this, "MShowKeyPositions", "Show Positions");
  MExtra->insertAction(MShowGameInfo, MShowKeyPositions);
  PMShowKeyPositions = NewItem(this, "PMShowKeyPositions", "Show Positions");
  Popup->insertAction(PMShowGameInfo, PMShowKeyPositions);
  exprt1Separator = MExtra->insertSeparator(MSortBy->menuAction());
  exprt1 = AddExtraItem("exprt1");
  exprt1->setText("export class struc");
  MParentKey = AddExtraItem("MParentKey", QKeySequence(Qt::CTRL | Qt::Key_A));
  MParentKey->setText("Parent key");
  commands_ = AddGameCommands([this] { MSearchGamesClick(); }, [this] { MAsTreeClick(); },
                              [this] { MExportGamesClick(); });
  MSearchGames = commands_.search;
  MAsTree = commands_.asTree;
  MExportGames = commands_.exportGames;
  if (ChessApp.ReleaseBuild)
    for (QAction *a : {MShowKeyPositions, exprt1Separator, exprt1}) a->setVisible(false);

  SBParentKey = AddToolButton("SBParentKey", "ParentKey");
  ToolbarMan.AddSeparator();
  SBSearchGames = AddToolButton("SBSearchGames", "Find");
  SBAsTree = AddToolButton("SBAsTree", "Tree");

  const auto on = [this](QAction *a, void (TKeysDlg::*handler)()) {
    connect(a, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  const auto onButton = [this](QToolButton *b, void (TKeysDlg::*handler)()) {
    connect(b, &QToolButton::clicked, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  on(MShowKeyPositions, &TKeysDlg::MShowKeyPositionsClick);
  on(PMShowKeyPositions, &TKeysDlg::MShowKeyPositionsClick);
  on(exprt1, &TKeysDlg::Exprt1Click);
  on(MParentKey, &TKeysDlg::MParentKeyClick);
  onButton(SBParentKey, &TKeysDlg::MParentKeyClick);
  onButton(SBSearchGames, &TKeysDlg::MSearchGamesClick);
  onButton(SBAsTree, &TKeysDlg::MAsTreeClick);

  // Ctrl with the page keys turns pages wherever the focus is in the window:
  // seen before any control of it takes them.
  qApp->installEventFilter(this);

  ListView->SetWholeRowTest([this](int row) {
    const int32_t position = Paging().PageStart() + row;
    return Database() && position <= Database()->KeyRowCount() && IsSubKeyRow(position);
  });
  FormCreate();
}

std::unique_ptr<PagedListSource> TKeysDlg::MakeSource(DatabaseO &database, int32_t) {
  if (!database.HasKeyView()) return nullptr;
  return std::make_unique<KeyRowsSource>(database);
}

std::string TKeysDlg::WindowCaption() const { return RemoveAccelerator(CommonText::S_MOpenings); }

bool TKeysDlg::IsSubKeyRow(int32_t position) const {
  return Database() && position >= 1 && position <= Database()->KeyRowCount() && Database()->KeyRowIsChild(position);
}

void TKeysDlg::UpdateOwnTexts() {
  MParentKey->setText(ToQ(CommonText::S_MParentKey));
  myui::SetHint(MParentKey, CommonText::S_MParentKeyStatusHint);
  SetButtonHints(SBParentKey, CommonText::S_SBParentKey, CommonText::S_MParentKeyStatusHint);
  SetGameCommandTexts(commands_, SBSearchGames, SBAsTree);
}

void TKeysDlg::UpdateStatusText() {
  PagedListWindow::UpdateStatusText();
  const bool parent = Database() && Database()->HasKeyView() && Database()->KeyHasParent();
  MParentKey->setEnabled(parent);
  SBParentKey->setEnabled(parent);
}

// ---- Window operations

int32_t TKeysDlg::NextGame(int32_t n) { return Database() ? Database()->KeyNextGame(n) : 0; }

int32_t TKeysDlg::PrevGame(int32_t n) { return Database() ? Database()->KeyPrevGame(n) : 0; }

int32_t TKeysDlg::GameStartPly(int32_t n) {
  if (!Database() || !ChessApp.OpenOnKeyPosition) return 0;
  int ply = 0;
  return Database()->ClassifyGameNr(n, ply) != 0 ? ply : 0;
}

void TKeysDlg::RefillKeepSelection() {
  if (!Database()) return;
  const int32_t position = SelectedPosition();
  const bool subKey = IsSubKeyRow(position);
  const int32_t n = subKey ? 0 : SelectedItem();
  FillPage();
  UpdateStatusText();
  if (subKey || n == 0 || Database()->KeyRowOfGame(n) == 0)
    ShowFirstPage(1);
  else
    SelectGame(n);
  NotifyNavigation();
}

void TKeysDlg::GotoKey(int32_t key) {
  if (!Database() || !Database()->HasKeyView()) return;
  // A game or position that belongs to no key shows the root.
  Database()->KeyGoNode(key > 0 ? static_cast<uint32_t>(key) : KeyTreeO::kRoot);
  Database()->KeyUpdateSiblingIndexes();
  ShowKeyChanged(true);
}

void TKeysDlg::ShowKeyChanged(bool notify) {
  const bool hasSubKeys = Database()->KeyRowCount() > 0 && IsSubKeyRow(1);
  ShowFirstPage(hasSubKeys ? Database()->KeyGetSiblingIndex() : 1);
  if (notify) NotifyNavigation();
}

void TKeysDlg::NotifyNavigation() {
  if (Handlers().navigationChanged) Handlers().navigationChanged();
}

// ---- Commands

void TKeysDlg::MViewClick() {
  const int32_t position = SelectedPosition();
  if (position == 0 || !Database()) return;
  if (!IsSubKeyRow(position)) {
    ViewItem(SelectedItem());
    return;
  }
  // The sibling index is one byte: a sub-key past 255 is not remembered.
  if (position <= 255) Database()->KeySetSiblingIndex(position);
  Database()->KeyGoChild(position);
  ShowKeyChanged(true);
}

void TKeysDlg::MParentKeyClick() {
  if (!Database() || !Database()->HasKeyView() || !Database()->KeyHasParent()) {
    ui::Beep();
    return;
  }
  Database()->KeyGoParent();
  ShowKeyChanged(true);
}

void TKeysDlg::MSearchGamesClick() {
  if (!Handlers().manager) return;
  if (Handlers().manager->SearchGames() && ChessApp.OneWindowMode) hide();
}

void TKeysDlg::MAsTreeClick() {
  if (!Database() || !Handlers().manager) return;
  int32_t slot = 0;
  {
    ui::HourglassGuard hourglass;
    slot = Database()->KeyGamesToList();
  }
  // A slot of 0 too goes to the manager, which says there is none free.
  if (Handlers().manager->NewGamesWindow(slot, std::string(), true, true, true) && ChessApp.OneWindowMode) hide();
}

void TKeysDlg::MExportGamesClick() {
  if (!Database()) return;
  const int32_t slot = Database()->KeyGamesToList();
  if (slot == 0) {
    ShowTooManyLists();
    return;
  }
  struct FreeSlot {
    DatabaseO &db;
    int32_t slot;
    ~FreeSlot() { db.FreeGameList(slot); }
  } freeSlot{*Database(), slot};
  ExportGamesToPgn(*Database(), slot, Handlers().progress, this);
}

void TKeysDlg::MShowKeyPositionsClick() {
  const int32_t position = SelectedPosition();
  if (!IsSubKeyRow(position)) return;
  TKeyPositionsDlg dlg(*Database(), position, this);
  dlg.Execute();
}

void TKeysDlg::Exprt1Click() {
  if (Database()) Database()->ExportKeysText(dirs::GetWritableDir() + "classexport.txt");
}

bool TKeysDlg::eventFilter(QObject *watched, QEvent *e) {
  if (e->type() != QEvent::KeyPress) return PagedListWindow::eventFilter(watched, e);
  auto *k = static_cast<QKeyEvent *>(e);
  if (watched == List && k->modifiers() == Qt::NoModifier && k->key() == Qt::Key_Backspace) {
    Guarded([&] { MParentKeyClick(); });
    return true;
  }
  // The list takes Ctrl+A for itself otherwise.
  if (watched == List && k->modifiers() == Qt::ControlModifier && k->key() == Qt::Key_A) {
    Guarded([&] { MParentKeyClick(); });
    return true;
  }
  auto *w = qobject_cast<QWidget *>(watched);
  if (k->modifiers() == Qt::ControlModifier && w && w->window() == this && !QApplication::activePopupWidget() &&
      !qobject_cast<QMenu *>(w) && !qobject_cast<QMenuBar *>(w)) {
    void (PagedListWindow::*turn)() = nullptr;
    switch (k->key()) {
      case Qt::Key_PageUp: turn = &PagedListWindow::PrevPageBtnClick; break;
      case Qt::Key_PageDown: turn = &PagedListWindow::NextPageBtnClick; break;
      case Qt::Key_Home: turn = &PagedListWindow::FirstPageBtnClick; break;
      case Qt::Key_End: turn = &PagedListWindow::LastPageBtnClick; break;
      default: break;
    }
    if (turn) {
      Guarded([&] { (this->*turn)(); });
      return true;
    }
  }
  return PagedListWindow::eventFilter(watched, e);
}
