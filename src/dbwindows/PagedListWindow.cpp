#include "dbwindows/PagedListWindow.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "appman/ChessAppMan.h"
#include "chess/PGNTypes.h"
#include "database/DatabaseMan.h"
#include "dbwindows/DlgEditGilo.h"
#include "dbwindows/GameMemo.h"
#include "dbwindows/ListWindowFrame.h"
#include "dbwindows/PagedListView.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/Glyphs.h"
#include "foundation/ui/Guard.h"
#include "foundation/ui/MySplitter.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "foundation/ui/frmszlmt.h"
#include "platform/IniFile.h"
#include "platform/UiHooks.h"

// ---- The game-list source

int32_t GameListSource::Count() { return db_.GameListCount(slot_); }
int32_t GameListSource::Item(int32_t position) { return db_.GameListGameNr(slot_, position); }
int32_t GameListSource::IndexOf(int32_t item) { return db_.GameListIndexOf(slot_, item); }
const RowTextsT &GameListSource::RowTexts(int32_t position) { return db_.GameListRowTexts(slot_, position); }
bool GameListSource::IsDeleted(int32_t position) { return db_.GameListIsDeleted(slot_, position); }
ListColumnsO &GameListSource::Columns() { return db_.GameListColumns(slot_); }
void GameListSource::Changed() { db_.GameListChanged(slot_); }
void GameListSource::SetSort(int kind) { db_.SetGameListSort(slot_, kind); }
void GameListSource::Free() { db_.FreeGameList(slot_); }

namespace {

constexpr int kToolbarHeight = 33;
constexpr int kPanel4Height = 27;
constexpr int kPageButtonSize = 25;
constexpr int kSplitterHeight = 3;
// The list panel's and the memo's heights in the design.
constexpr int kDesignListHeight = 190;
constexpr int kDesignMemoHeight = 110;

// Lays its children out by hand (the splitter resizes the list panel).
class ManualPanel : public QWidget {
 public:
  ManualPanel(QWidget *parent, std::function<void()> layout) : QWidget(parent), layout_(std::move(layout)) {}

 protected:
  void resizeEvent(QResizeEvent *e) override {
    QWidget::resizeEvent(e);
    layout_();
  }

 private:
  std::function<void()> layout_;
};

QAction *NewAction(QWidget *owner, const char *name, const char *text) {
  auto *a = new QAction(QString::fromLatin1(text), owner);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

}  // namespace

PagedListWindow::PagedListWindow(const PagedListConfig &config, QWidget *parent)
    : QMainWindow(parent), config_(config), columns_(config_.makeColumns()) {
  resize(config_.designWidth, config_.designHeight);
  auto *central = new QWidget(this);
  central_ = new QVBoxLayout(central);
  central_->setContentsMargins(0, 0, 0, 0);
  central_->setSpacing(0);

  Toolbar = new QWidget(central);
  Toolbar->setObjectName("Toolbar");
  Toolbar->setFixedHeight(kToolbarHeight);
  Toolbar->hide();  // until a button is added
  ToolbarMan.SetToolbar(Toolbar);
  central_->addWidget(Toolbar);

  // The header stands above Panel2; the list goes into the list panel.
  ListView = new PagedListView;
  HeaderControl = ListView->Header();
  HeaderControl->setObjectName("HeaderControl");
  ListView->layout()->removeWidget(HeaderControl);
  HeaderControl->setParent(central);
  central_->addWidget(HeaderControl);

  Panel2 = new ManualPanel(central, [this] { FormResize(); });
  Panel2->setObjectName("Panel2");
  central_->addWidget(Panel2, 1);

  ListPanel = new QWidget(Panel2);
  ListPanel->setObjectName(ToQ(config_.listPanelName));
  auto *lp = new QVBoxLayout(ListPanel);
  lp->setContentsMargins(0, 0, 0, 0);
  lp->setSpacing(0);
  ListView->setParent(ListPanel);
  lp->addWidget(ListView, 1);
  List = ListView->List();
  List->setObjectName(ToQ(config_.listName));
  Panel4 = new QWidget(ListPanel);
  Panel4->setObjectName("Panel4");
  Panel4->setFixedHeight(kPanel4Height);
  lp->addWidget(Panel4);
  auto *p4 = new QHBoxLayout(Panel4);
  p4->setContentsMargins(0, 1, 0, 1);
  p4->addStretch(1);
  Panel5 = new QWidget(Panel4);
  Panel5->setObjectName("Panel5");
  p4->addWidget(Panel5);
  p4->addStretch(1);
  auto *p5 = new QHBoxLayout(Panel5);
  p5->setContentsMargins(0, 0, 0, 0);
  p5->setSpacing(0);
  const auto pageButton = [&](const char *name, const char *text, void (PagedListWindow::*handler)()) {
    auto *b = new QPushButton(QString::fromLatin1(text), Panel5);
    b->setObjectName(QString::fromLatin1(name));
    b->setFixedSize(kPageButtonSize, kPageButtonSize);
    b->setFocusPolicy(Qt::NoFocus);
    p5->addWidget(b);
    connect(b, &QPushButton::clicked, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    return b;
  };
  FirstPageBtn = pageButton("FirstPageBtn", "|<", &PagedListWindow::FirstPageBtnClick);
  PrevPageBtn = pageButton("PrevPageBtn", "<", &PagedListWindow::PrevPageBtnClick);
  NextPageBtn = pageButton("NextPageBtn", ">", &PagedListWindow::NextPageBtnClick);
  LastPageBtn = pageButton("LastPageBtn", ">|", &PagedListWindow::LastPageBtnClick);
  Panel4->hide();

  Splitter = new TMySplitter(Panel2);
  Splitter->setObjectName("Splitter");
  Splitter->SetAlign(TAlign::Top);
  Splitter->resize(Splitter->width(), kSplitterHeight);
  Memo = new QPlainTextEdit(Panel2);
  Memo->setObjectName(ToQ(config_.memoName));
  Memo->setReadOnly(true);
  Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  SetControlAlign(ListPanel, TAlign::Top);
  SetControlAlign(Memo, TAlign::Client);
  Splitter->OnMoved = [this] {
    listHeight_ = ListPanel->height();
    FormResize();
  };
  setCentralWidget(central);

  StatusLbl = new QLabel(statusBar());
  StatusLbl->setObjectName("StatusLbl");
  statusBar()->setObjectName("StatusBar");
  statusBar()->addWidget(StatusLbl, 1);
  FormSizeLimit = new TFormSizeLimit(this);
  FormSizeLimit->setObjectName("FormSizeLimit");

  // Menus.
  MExtra = menuBar()->addMenu(QStringLiteral("&Extra"));
  MExtra->setObjectName("MExtra");
  MView = NewAction(this, "MView", "&View");
  MDelete = NewAction(this, "MDelete", "&Delete");
  MDelete->setShortcut(QKeySequence(Qt::Key_Delete));
  MShowGameInfo = NewAction(this, "MShowGameInfo", "Show Game &Info");
  MShowGameMoves = NewAction(this, "MShowGameMoves", "Show Game &Moves");
  MLineOptions = NewAction(this, "MLineOptions", "&Header Options");
  MLineOptions->setShortcut(QKeySequence(Qt::Key_F2));
  for (QAction *a : {MShowGameInfo, MShowGameMoves}) a->setCheckable(true);
  MShowGameMoves->setChecked(true);
  MExtra->addActions({MView, MDelete, MShowGameInfo, MShowGameMoves});
  MExtra->addSeparator();
  MSortBy = new QMenu(QStringLiteral("&Sort By"), MExtra);
  MSortBy->setObjectName("MSortBy");
  MExtra->addMenu(MSortBy);
  MExtra->addAction(MLineOptions);

  Popup = new QMenu(this);
  Popup->setObjectName(ToQ(config_.popupName));
  PMView = NewAction(this, "PMView", "&View");
  PMDelete = NewAction(this, "PMDelete", "&Delete");
  PMShowGameInfo = NewAction(this, "PMShowGameInfo", "Show Game &Info");
  PMShowGameMoves = NewAction(this, "PMShowGameMoves", "Show Game &Moves");
  for (QAction *a : {PMShowGameInfo, PMShowGameMoves}) a->setCheckable(true);
  PMShowGameMoves->setChecked(true);
  Popup->addActions({PMView, PMDelete, PMShowGameInfo, PMShowGameMoves});
  Popup->setDefaultAction(PMView);

  const auto on = [this](QAction *a, void (PagedListWindow::*handler)()) {
    connect(a, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  on(MView, &PagedListWindow::MViewClick);
  on(PMView, &PagedListWindow::MViewClick);
  on(MDelete, &PagedListWindow::MDeleteClick);
  on(PMDelete, &PagedListWindow::MDeleteClick);
  // A show item flips its own tick; its twin follows.
  const auto toggles = [this](QAction *item, QAction *twin) {
    connect(item, &QAction::triggered, this, [this, item, twin] { Guarded([&] { ToggleShowItem(item, twin); }); });
  };
  toggles(MShowGameInfo, PMShowGameInfo);
  toggles(PMShowGameInfo, MShowGameInfo);
  toggles(MShowGameMoves, PMShowGameMoves);
  toggles(PMShowGameMoves, MShowGameMoves);
  on(MLineOptions, &PagedListWindow::MLineOptionsClick);
  connect(MExtra, &QMenu::aboutToShow, this, [this] { UpdateCommandStates(); });

  connect(List, &QListWidget::itemSelectionChanged, this, [this] {
    UpdateCommandStates();
    if (!quiet_) Guarded([&] { ShowSelectedGame(); });
  });
  connect(List, &QListWidget::itemDoubleClicked, this, [this] { Guarded([&] { MViewClick(); }); });
  connect(HeaderControl, &QHeaderView::sectionClicked, this,
          [this](int s) { Guarded([&] { HeaderControlSectionClick(s); }); });
  List->installEventFilter(this);
  List->viewport()->installEventFilter(this);
  NoteDraggedColumns(*ListView, *columns_, draggedColumns_);
  ListView->SetRowSource([this](int row, std::vector<std::string> &texts, bool &deleted) {
    if (!source_) return false;
    try {
      if (!RowHasPosition(state_, row, source_->Count())) return false;
      const int32_t position = state_.PageStart() + row;
      const RowTextsT &t = source_->RowTexts(position);
      texts.assign(t.begin(), t.end());
      deleted = source_->IsDeleted(position);
      return true;
    } catch (const std::exception &) {
      // Drawing never reports: the next refill puts the page right.
      return false;
    }
  });
  UpdateCommandStates();
}

PagedListWindow::~PagedListWindow() {
  ChessApp.RemoveListListener(this);
  try {
    if (created_ && !firstShowPending_) SaveSettings();
  } catch (const std::exception &e) {
    ui::ShowMessage(e.what());
  }
}

void PagedListWindow::FormCreate() {
  if (ChessApp.OneWindowMode) {
    setWindowFlag(Qt::CustomizeWindowHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
  }
  ListPanel->setMinimumHeight(Splitter->MinSize());
  columns_->SetDefaultColumns();
  LoadSettings();
  FormSizeLimit->SetMinHeight(statusBar()->sizeHint().height() + 63 + HeaderControl->height() +
                              menuBar()->sizeHint().height() + TFormSizeLimit::FrameExtra(this).height());
  FormSizeLimit->SetMinWidth(25 * QFontMetrics(font()).horizontalAdvance(QLatin1Char('W')));
  firstShowPending_ = true;
  ToolbarMan.Arrange();
  ChessApp.AddListListener(this, [this](void *) {
    Guarded([&] {
      ApplyFont();
      ShowSelectedGame();
    });
  });
  ApplyFont();
  setWindowTitle(GameTextsToQ(WindowCaption()));
  created_ = true;
}

void PagedListWindow::LoadSettings() {
  const std::string path = ChessApp.SettingsPath();
  int listHeight = kDesignListHeight;
  {
    IniFile ini(path);
    const std::string &s = config_.splitSection;
    listHeight = ini.ReadInteger(s, "Height", kDesignListHeight);
    const bool moves = ini.ReadBool(s, "ShowGameMoves", true);
    const bool info = ini.ReadBool(s, "ShowGameInfo", false);
    MShowGameMoves->setChecked(moves);
    PMShowGameMoves->setChecked(moves);
    MShowGameInfo->setChecked(info);
    PMShowGameInfo->setChecked(info);
    savedMemoHeight_ = ini.ReadInteger(s, config_.memoHeightKey, kDesignMemoHeight);
    sortKind_ = StoredSortKind(ColumnKindFromName(ini.ReadString(s, config_.sortKindKey, "")), config_.storedAsZero);
  }
  columns_->LoadFromIni(path, config_.lineOptionsSection);
  BuildHeader();
  myui::LoadHeaderWidths(path, config_.widthsSection, HeaderControl);
  StoreHeaderWidths();
  listHeight_ = std::max(listHeight, Splitter->MinSize());
  if (!MShowGameMoves->isChecked() && !MShowGameInfo->isChecked()) {
    Memo->hide();
    Splitter->hide();
  }
  FormResize();
}

void PagedListWindow::SaveSettings() {
  // Windows of one kind share their sections: a value this window left as
  // it was keeps what another window wrote there since; what the file
  // lacks is written whole.
  ini::WriteChanges(ChessApp.SettingsPath(), settingsAtShow_, CaptureSettings(), {config_.lineOptionsSection});
}

void PagedListWindow::TakeSettingsAtShow() {
  // Nothing is written before the window closes.
  settingsAtShow_ = CaptureSettings();
}

ini::Values PagedListWindow::CaptureSettings() {
  return ini::Capture([this](const std::string &path) { WriteSettings(path); });
}

void PagedListWindow::WriteSettings(const std::string &path) {
  StoreHeaderWidths();
  {
    IniFile ini(path);
    const std::string &s = config_.splitSection;
    ini.WriteInteger(s, "Height", listHeight_);
    ini.WriteBool(s, "ShowGameMoves", MShowGameMoves->isChecked());
    ini.WriteBool(s, "ShowGameInfo", MShowGameInfo->isChecked());
    ini.WriteInteger(s, config_.memoHeightKey, savedMemoHeight_);
    ini.WriteString(s, config_.sortKindKey, sortKind_ == 0 ? std::string() : ColumnKindName(sortKind_));
  }
  columns_->SaveToIni(path, config_.lineOptionsSection);
  myui::SaveHeaderWidths(path, config_.widthsSection, HeaderControl);
  myui::SaveFormPlacement(path, config_.placementSection, this);
}

void PagedListWindow::ApplyFont() {
  Memo->setFont(QFont(ToQ(ChessApp.ApplicationFontName), ChessApp.ApplicationFontSize));
}

std::string PagedListWindow::WindowCaption() const {
  std::string caption = config_.caption ? RemoveAccelerator(*config_.caption) : std::string();
  if (database_) caption += " - [" + title_ + "]";
  return caption;
}

// ---- Window operations

bool PagedListWindow::Open(DatabaseO *database, int32_t slot, const std::string &title) {
  if (!database) return false;
  std::unique_ptr<PagedListSource> source = MakeSource(*database, slot);
  if (!source) return false;
  return Bind(database, std::move(source), title);
}

bool PagedListWindow::Bind(DatabaseO *database, std::unique_ptr<PagedListSource> source, const std::string &title) {
  database_ = database;
  source_ = std::move(source);
  source_->Columns().Assign(*columns_);
  source_->Changed();
  source_->SetSort(sortKind_);
  state_.Reset();
  title_ = title;
  Memo->clear();
  StatusLbl->clear();
  setWindowTitle(GameTextsToQ(WindowCaption()));
  ui::ProcessMessages();
  FillPage();
  if (List->count() > 0) SelectRowQuietly(0);
  ShowSelectedGame();
  UpdateStatusText();
  return true;
}

void PagedListWindow::Detach() {
  std::unique_ptr<PagedListSource> source = std::move(source_);
  database_ = nullptr;
  title_.clear();
  if (source) source->Free();
  setWindowTitle(GameTextsToQ(WindowCaption()));
  FillPage();
  Memo->clear();
  UpdateStatusText();
}

void PagedListWindow::UpdateTexts() {
  setWindowTitle(GameTextsToQ(WindowCaption()));
  MExtra->setTitle(ToQ(CommonText::S_MExtra));
  for (QAction *a : {MView, PMView}) a->setText(ToQ(CommonText::S_MView));
  for (QAction *a : {MDelete, PMDelete}) a->setText(ToQ(CommonText::S_MDelete));
  for (QAction *a : {MShowGameMoves, PMShowGameMoves}) a->setText(ToQ(CommonText::S_MShowGameMoves));
  for (QAction *a : {MShowGameInfo, PMShowGameInfo}) a->setText(ToQ(CommonText::S_MShowGameInfo));
  MSortBy->setTitle(ToQ(CommonText::S_MSortBy));
  MLineOptions->setText(ToQ(CommonText::S_MLineOptions + "..."));
  UpdateOwnTexts();
  columns_->SetLanguage(ChessApp.ApplicationLanguage);
  StoreHeaderWidths();
  BuildHeader();
  UpdateStatusText();
}

void PagedListWindow::RefillKeepSelection() {
  int32_t n = SelectedItem();
  FillPage();
  UpdateStatusText();
  if (n == 0 && source_ && List->count() > 0) n = source_->Item(1);
  if (n > 0)
    SelectItem(n);
  else
    ShowSelectedGame();
}

void PagedListWindow::CloseWindow() {
  if (isVisible()) close();
}

bool PagedListWindow::FrameVisible() const { return listframe::Visible(this); }
bool PagedListWindow::FrameActive() const { return listframe::Active(this); }
bool PagedListWindow::FrameMinimized() const { return listframe::Minimized(this); }
bool PagedListWindow::FrameMaximized() const { return listframe::Maximized(this); }
void PagedListWindow::FrameShow() { listframe::Show(this); }
void PagedListWindow::FrameBringToFront() { listframe::BringToFront(this); }
void PagedListWindow::FrameRestore(bool maximized) { listframe::Restore(this, maximized); }
void PagedListWindow::FrameFocus() { listframe::Focus(this); }
void PagedListWindow::FrameRelease() { listframe::Release(this); }

// ---- Paging

void PagedListWindow::FillPage() {
  std::vector<int32_t> numbers;
  int32_t count = 0;
  if (source_) {
    ui::HourglassGuard hourglass;
    count = source_->Count();
    const int32_t last = std::min(state_.PageStart() + kPageRows - 1, count);
    numbers.reserve(static_cast<size_t>(std::max(0, last - state_.PageStart() + 1)));
    for (int32_t p = state_.PageStart(); p <= last; ++p) numbers.push_back(source_->Item(p));
  }
  {
    QuietGuard quiet(quiet_);
    ListView->SetRows(numbers);
  }
  WidenNumberColumns(*ListView, *columns_, draggedColumns_);
  Panel4->setVisible(source_ && PagedListState::PageButtonsVisible(count));
  UpdateCommandStates();
}

void PagedListWindow::AfterPageMove(bool moved) {
  if (!moved) return;
  FillPage();
  if (List->count() > 0) SelectRowQuietly(0);
  ShowSelectedGame();
  UpdateStatusText();
}

void PagedListWindow::RestartPaging() {
  state_.Reset();
  AfterPageMove(true);
}

void PagedListWindow::NextPageBtnClick() {
  if (source_) AfterPageMove(state_.NextPage(source_->Count()));
}

void PagedListWindow::PrevPageBtnClick() {
  if (source_) AfterPageMove(state_.PrevPage());
}

void PagedListWindow::FirstPageBtnClick() {
  if (source_) AfterPageMove(state_.FirstPage());
}

void PagedListWindow::LastPageBtnClick() {
  if (source_) AfterPageMove(state_.LastPage(source_->Count()));
}

void PagedListWindow::SelectItem(int32_t item) {
  if (!source_) return;
  const int32_t position = item > 0 ? source_->IndexOf(item) : 0;
  if (state_.TurnToPosition(position)) FillPage();
  if (position == 0) {
    QuietGuard quiet(quiet_);
    List->clearSelection();
    List->setCurrentRow(-1);
  } else {
    SelectRowQuietly(position - state_.PageStart());
  }
  ShowSelectedGame();
  UpdateStatusText();
}

void PagedListWindow::SelectRowQuietly(int row) {
  QuietGuard quiet(quiet_);
  ListView->SelectRow(row);
}


void PagedListWindow::ShowFirstPage(int32_t position) {
  state_.Reset();
  FillPage();
  if (position >= 1 && position <= List->count()) {
    SelectRowQuietly(position - 1);
  } else {
    QuietGuard quiet(quiet_);
    List->clearSelection();
    List->setCurrentRow(-1);
  }
  ShowSelectedGame();
  UpdateStatusText();
}

int32_t PagedListWindow::SelectedPosition() const {
  const int row = List->currentRow();
  return row >= 0 && RowSelected() ? state_.PageStart() + row : 0;
}

int32_t PagedListWindow::SelectedItem() const { return ListView->SelectedNumber(); }

bool PagedListWindow::RowSelected() const { return !List->selectedItems().isEmpty(); }

std::string PagedListWindow::StatusText() const { return FromQ(StatusLbl->text()); }

void PagedListWindow::UpdateStatusText() {
  statusText_ = source_ && config_.noun ? PagedStatusText(source_->Count(), state_, *config_.noun) : std::string();
  StatusLbl->setText(ToQ(statusText_));
}

// ---- Header and sorting

void ShowColumnsInHeader(PagedListView &view, const ListColumnsO &columns) {
  std::vector<std::string> titles;
  std::vector<int> widths;
  for (int i = 1; i <= columns.Count(); ++i) {
    titles.push_back(columns.ColumnTitle(i));
    widths.push_back(columns.ColumnWidth(i));
  }
  view.SetColumns(titles, widths);
}

void TakeHeaderWidths(const QHeaderView &header, ListColumnsO &columns) {
  const int n = std::min<int>(header.count(), columns.Count());
  for (int j = 0; j < n; ++j) columns.SetColumnWidth(j + 1, header.sectionSize(j));
}

void NoteDraggedColumns(PagedListView &view, const ListColumnsO &columns, std::set<std::string> &dragged) {
  view.SetUserResized([&columns, &dragged](int section) {
    if (section >= 0 && section < columns.Count()) dragged.insert(columns.ColumnKey(section + 1));
  });
}

void WidenNumberColumns(PagedListView &view, const ListColumnsO &columns, const std::set<std::string> &dragged) {
  std::vector<bool> sections;
  for (int i = 1; i <= columns.Count(); ++i) {
    const std::string key = columns.ColumnKey(i);
    sections.push_back(IsNumberColumn(columns.KindOfKey(key)) && !dragged.contains(key));
  }
  view.WidenToNumbers(sections);
}

void PagedListWindow::BuildHeader() {
  ShowColumnsInHeader(*ListView, *columns_);
  BuildSortMenu();
}

void PagedListWindow::BuildSortMenu() {
  MSortBy->clear();
  const std::vector<SortMenuItem> items = BuildSortMenuItems(*columns_, CommonText::S_FileOrder, config_.leftOutKey);
  for (const SortMenuItem &item : items) {
    QAction *a = MSortBy->addAction(ToQ(item.caption));
    const uint8_t kind = item.kind;
    connect(a, &QAction::triggered, this, [this, kind] { Guarded([&] { SetSortKind(kind); }); });
    a->setData(kind);
  }
  MSortBy->menuAction()->setEnabled(!items.empty());
}

void PagedListWindow::StoreHeaderWidths() { TakeHeaderWidths(*HeaderControl, *columns_); }

void PagedListWindow::SetSortKind(uint8_t kind) {
  std::optional<ui::HourglassGuard> hourglass;
  if (config_.sortHourglass) hourglass.emplace();
  const int32_t n = SelectedItem();
  sortKind_ = StoredSortKind(kind, config_.storedAsZero);
  if (!source_) return;
  source_->SetSort(sortKind_);
  FillPage();
  if (n > 0)
    SelectItem(n);
  else
    ShowSelectedGame();
}

void PagedListWindow::HeaderControlSectionClick(int section) {
  if (section < 0 || section >= columns_->Count()) return;
  SetSortKind(HeaderClickSortKind(*columns_, section, sortKind_));
}

bool PagedListWindow::EditColumns(ListColumnsO &columns, const std::function<std::unique_ptr<ListColumnsO>()> &make) {
  TEditGameInfoLineOptionsDlg *dlg = LineOptionsDlg ? LineOptionsDlg : EditGameInfoLineOptionsDlg;
  if (!dlg) return false;
  std::unique_ptr<ListColumnsO> edited = make();
  edited->Assign(columns);
  dlg->Columns = edited.get();
  int result = 0;
  try {
    result = dlg->Execute();
  } catch (...) {
    dlg->Columns = nullptr;
    throw;
  }
  dlg->Columns = nullptr;
  if (result != QDialog::Accepted) return false;
  columns.Assign(*edited);
  return true;
}

void PagedListWindow::MLineOptionsClick() {
  StoreHeaderWidths();
  if (!EditColumns(*columns_, config_.makeColumns)) return;
  const int32_t n = SelectedItem();
  if (source_) {
    source_->Columns().Assign(*columns_);
    source_->Changed();
  }
  BuildHeader();
  FillPage();
  if (n > 0) SelectItem(n);
  List->viewport()->update();
}

// ---- Memo

void PagedListWindow::ShowSelectedGame() {
  const int32_t n = SelectedItem();
  if (n <= 0 || !database_ || !config_.gameRows) {
    Memo->clear();
    return;
  }
  Memo->setPlainText(
      GameTextsToQ(GameMemoText(*database_, n, MShowGameInfo->isChecked(), MShowGameMoves->isChecked())));
}

void PagedListWindow::ToggleShowItem(QAction *item, QAction *twin) {
  twin->setChecked(item->isChecked());
  ShowSelectedGame();
  ShowMemo(MShowGameMoves->isChecked() || MShowGameInfo->isChecked());
}

void PagedListWindow::ShowMemo(bool on) {
  if (!on) {
    if (Memo->isHidden()) return;
    savedMemoHeight_ = Memo->height();
    Memo->hide();
    Splitter->hide();
  } else {
    if (!Memo->isHidden()) return;
    Splitter->show();
    Memo->show();
    listHeight_ = std::max(Splitter->MinSize(), Panel2->height() - kSplitterHeight - savedMemoHeight_);
  }
  FormResize();
}

void PagedListWindow::FormResize() {
  const int w = Panel2->width(), h = Panel2->height();
  if (Memo->isHidden()) {
    ListPanel->setGeometry(0, 0, w, h);
    return;
  }
  // A panel too low for the height chosen cuts the list, which gets its
  // height back when the panel grows again.
  int listHeight = listHeight_;
  if (listHeight > h - 33) listHeight = std::max(Splitter->MinSize(), h - 33);
  ListPanel->setGeometry(0, 0, w, listHeight);
  Splitter->setGeometry(0, listHeight, w, kSplitterHeight);
  Memo->setGeometry(0, listHeight + kSplitterHeight, w, std::max(0, h - listHeight - kSplitterHeight));
}

// ---- Commands

void PagedListWindow::UpdateCommandStates() {
  const bool selected = RowSelected();
  for (QAction *a : {MView, MDelete, PMView, PMDelete}) a->setEnabled(selected);
}

void PagedListWindow::MViewClick() {
  if (!RowSelected() || !config_.gameRows) return;
  ViewItem(SelectedItem());
}

void PagedListWindow::ViewItem(int32_t item) {
  if (item <= 0 || !handlers_.viewGame) return;
  handlers_.viewGame(item);
  close();
}

void PagedListWindow::MDeleteClick() {
  const int32_t n = SelectedItem();
  if (n <= 0 || !database_ || !config_.gameRows) return;
  ui::Beep();
  // Only Yes deletes: a confirmation closed without an answer keeps the game.
  if (ui::MessageDlg(CommonText::S_DeleteGame + "?", ui::MsgType::Confirmation, ui::mbYesNo) != ui::mrYes) return;
  database_->DeleteGame(n);
  FillPage();
  SelectItem(n);
  if (handlers_.gameDeleted) handlers_.gameDeleted(n);
}

void PagedListWindow::PopupAt(const QPoint &viewportPos) {
  UpdateCommandStates();
  Popup->popup(List->viewport()->mapToGlobal(viewportPos));
}

// ---- Frame additions

QAction *PagedListWindow::AddExtraItem(const char *name, const QKeySequence &shortcut) {
  QAction *a = NewAction(this, name, name);
  if (!shortcut.isEmpty()) a->setShortcut(shortcut);
  MExtra->insertAction(MSortBy->menuAction(), a);
  return a;
}

PagedListWindow::GameCommands PagedListWindow::AddGameCommands(std::function<void()> search,
                                                              std::function<void()> asTree,
                                                              std::function<void()> exportGames) {
  const auto add = [this](const char *name, const char *text, std::function<void()> handler,
                          const QKeySequence &shortcut = {}) {
    QAction *a = AddExtraItem(name, shortcut);
    a->setText(QString::fromLatin1(text));
    connect(a, &QAction::triggered, this, [handler = std::move(handler)] { Guarded(handler); });
    return a;
  };
  GameCommands c;
  c.search = add("MSearchGames", "Search Games", std::move(search), QKeySequence(Qt::CTRL | Qt::Key_F));
  if (asTree) c.asTree = add("MAsTree", "As Tree", std::move(asTree));
  c.exportGames = add("MExportGames", "Export Games", std::move(exportGames));
  return c;
}

void PagedListWindow::SetGameCommandTexts(const GameCommands &c, QToolButton *searchButton,
                                          QToolButton *treeButton) {
  c.search->setText(ToQ(CommonText::S_MSearchGames + "..."));
  if (c.asTree) c.asTree->setText(ToQ(CommonText::S_MAsTree));
  c.exportGames->setText(ToQ(CommonText::S_MExportGames + "..."));
  if (searchButton) SetButtonHints(searchButton, CommonText::SBSearchGames, CommonText::S_MSearchGamesStatusHint);
  if (treeButton) SetButtonHints(treeButton, CommonText::S_SBAsTree, CommonText::S_MAsTreeStatusHint);
}

void PagedListWindow::AddExtraSeparator() { MExtra->insertSeparator(MSortBy->menuAction()); }

void PagedListWindow::SetButtonHints(QToolButton *b, const std::string &caption, const std::string &statusHint) {
  b->setToolTip(ToQ(caption));
  b->setStatusTip(ToQ(statusHint));
}

QToolButton *PagedListWindow::AddToolButton(const char *name, const char *glyph) {
  auto *b = new QToolButton(Toolbar);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(true);
  b->setFixedSize(kPageButtonSize, kPageButtonSize);
  b->move(0, (kToolbarHeight - kPageButtonSize) / 2);
  b->setIcon(myui::LoadGlyph(glyph && *glyph ? glyph : "FileSave"));
  b->setIconSize(QSize(16, 16));
  b->setFocusPolicy(Qt::NoFocus);
  ToolbarMan.AddButton(b);
  Toolbar->show();
  return b;
}

// ---- Events

void PagedListWindow::showEvent(QShowEvent *e) {
  QMainWindow::showEvent(e);
  if (firstShowPending_) {
    firstShowPending_ = false;
    Guarded([&] {
      UpdateTexts();
      myui::RestoreFormPlacement(ChessApp.SettingsPath(), config_.placementSection, this);
      TakeSettingsAtShow();
    });
  }
  List->setFocus();
}

bool PagedListWindow::event(QEvent *e) {
  // Status tips show in the status label for as long as they last; the
  // status text comes back after them.
  if (e->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent *>(e)->tip();
    StatusLbl->setText(tip.isEmpty() ? ToQ(statusText_) : tip);
    return true;
  }
  return QMainWindow::event(e);
}

bool PagedListWindow::eventFilter(QObject *watched, QEvent *e) {
  if (watched == List && e->type() == QEvent::KeyPress) {
    auto *k = static_cast<QKeyEvent *>(e);
    if ((k->key() == Qt::Key_Return || k->key() == Qt::Key_Enter) && k->modifiers() == Qt::NoModifier) {
      Guarded([&] { MViewClick(); });
      return true;
    }
    if (k->key() == Qt::Key_F10 && k->modifiers() == Qt::ShiftModifier) {
      QPoint at(0, 0);
      if (QListWidgetItem *item = List->currentItem(); item && item->isSelected())
        at = List->visualItemRect(item).bottomLeft();
      PopupAt(at);
      return true;
    }
  }
  if (watched == List->viewport() && e->type() == QEvent::MouseButtonPress) {
    auto *m = static_cast<QMouseEvent *>(e);
    if (m->button() == Qt::RightButton) {
      const QPoint pos = m->position().toPoint();
      if (QListWidgetItem *item = List->itemAt(pos)) {
        SelectRowQuietly(List->row(item));
        Guarded([&] { ShowSelectedGame(); });
      }
      PopupAt(pos);
      return true;
    }
  }
  if (watched == List && e->type() == QEvent::ContextMenu) return true;
  return QMainWindow::eventFilter(watched, e);
}
