#include "app/DlgPreferences.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <cstdint>
#include <limits>

#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/BoardPaint.h"
#include "board/ui/ChsBrds.h"
#include "chess/Language.h"
#include "engine/ui/DlgEditTime.h"
#include "foundation/AppText.h"
#include "foundation/CommonText.h"
#include "foundation/GenText.h"
#include "foundation/LangMan.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace {

const std::string kSection = "PreferencesDlg";
const std::string kActivePage = "ActivePage";

// Optional blanks, an optional sign and decimal digits that fit 32 bits;
// any other text gives the previous value.
int32_t IntegerOr(const QString &text, int32_t previous) {
  const std::string s = FromQ(text);
  size_t i = s.find_first_not_of(' ');
  if (i == std::string::npos) return previous;
  const bool negative = s[i] == '-';
  if (s[i] == '+' || s[i] == '-') ++i;
  if (i == s.size()) return previous;
  int64_t v = 0;
  for (; i < s.size(); ++i) {
    if (s[i] < '0' || s[i] > '9') return previous;
    v = v * 10 + (s[i] - '0');
    if (v > int64_t{std::numeric_limits<int32_t>::max()} + 1) return previous;
  }
  if (negative) v = -v;
  if (v > std::numeric_limits<int32_t>::max()) return previous;
  return static_cast<int32_t>(v);
}

QLineEdit *NumberEdit(QWidget *parent, const char *name) {
  auto *e = new QLineEdit(parent);
  e->setObjectName(name);
  e->setAlignment(Qt::AlignRight);
  e->setMaximumWidth(e->fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 12);
  return e;
}

QComboBox *Combo(QWidget *parent, const char *name) {
  auto *c = new QComboBox(parent);
  c->setObjectName(name);
  c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  c->setMinimumContentsLength(16);
  return c;
}

QListWidget *List(QWidget *parent, const char *name) {
  auto *l = new QListWidget(parent);
  l->setObjectName(name);
  return l;
}

// Selects the item holding the value; none when no item holds it.
void SelectData(QComboBox *box, const QVariant &value) { box->setCurrentIndex(box->findData(value)); }

void FillLanguages(QComboBox *box, const std::vector<LanguageId> &ids, LanguageId selected) {
  box->clear();
  for (LanguageId id : ids) box->addItem(ToQ(GetLanguageDisplayName(id, ChessApp.ApplicationLanguage)), id);
  SelectData(box, selected);
}

// The selected item's language, or the previous one without a selection.
LanguageId SelectedLanguage(const QComboBox *box, LanguageId previous) {
  return box->currentIndex() < 0 ? previous : box->currentData().toUInt();
}

void FillFonts(QComboBox *box, const std::vector<std::string> &names, const std::string &selected) {
  box->clear();
  for (const std::string &n : names) box->addItem(ToQ(n));
  box->setCurrentIndex(box->findText(ToQ(selected), Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

std::string SelectedText(const QComboBox *box, const std::string &previous) {
  return box->currentIndex() < 0 ? previous : FromQ(box->currentText());
}

// A stored colour as 0x00BBGGRR.
TColor FromQColor(const QColor &c) {
  return static_cast<TColor>(c.red()) | static_cast<TColor>(c.green()) << 8 |
         static_cast<TColor>(c.blue()) << 16;
}

QWidget *Column(QWidget *parent, const std::vector<QWidget *> &widgets) {
  auto *w = new QWidget(parent);
  auto *l = new QVBoxLayout(w);
  l->setContentsMargins(0, 0, 0, 0);
  for (QWidget *c : widgets) l->addWidget(c);
  return w;
}

// Checks the one button (none for null) of buttons that exclude each other.
void CheckOne(std::initializer_list<QRadioButton *> group, const QRadioButton *on) {
  for (QRadioButton *r : group) {
    // An exclusive button cannot be unchecked.
    r->setAutoExclusive(false);
    r->setChecked(r == on);
    r->setAutoExclusive(true);
  }
}

QListWidgetItem *FileItem(const std::string &path) {
  auto *item = new QListWidgetItem(QFile::decodeName(QByteArray::fromStdString(path)));
  item->setData(Qt::UserRole, QByteArray::fromStdString(path));
  return item;
}

}  // namespace

// ---- Construction

QWidget *TPreferencesDlg::Page(const char *name, const std::string &caption) {
  auto *page = new QWidget(PageControl);
  page->setObjectName(name);
  PageControl->addWidget(page);
  PageList->addItem(QString());
  pages_.emplace_back(page, &caption);
  return page;
}

template <class W>
W *TPreferencesDlg::Captioned(QWidget *parent, const char *name, const std::string &caption) {
  auto *w = new W(parent);
  w->setObjectName(name);
  captions_.push_back({w, &caption});
  return w;
}

TPreferencesDlg::TPreferencesDlg(QWidget *parent) : TAppDialog("", false, parent) {
  setObjectName("PreferencesDlg");
  PageControl = new QStackedWidget(this);
  PageControl->setObjectName("PageControl");
  PageControl->setFrameShape(QFrame::StyledPanel);
  PageList = List(this, "PageList");
  PageList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  PageList->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  PageList->setSpacing(3);
  BuildLanguagePage();
  BuildBoardPage();
  BuildSmallPages();
  BuildOpenPages();
  BuildViewPages();
  BuildDiagramsPage();
  BuildRTFPages();

  QHBoxLayout *buttons = NewOKCancelRow(this, OKBtn, CancelBtn);
  HelpBtn = new QPushButton(this);
  HelpBtn->setObjectName("HelpBtn");
  buttons->addWidget(HelpBtn);
  connect(OKBtn, &QPushButton::clicked, this, [this] { Guarded([this] { OKBtnClick(); }); });
  connect(HelpBtn, &QPushButton::clicked, this, [this] { Guarded([this] { HelpBtnClick(); }); });

  connect(PageList, &QListWidget::currentRowChanged, PageControl, &QStackedWidget::setCurrentIndex);
  connect(PageControl, &QStackedWidget::currentChanged, PageList,
          [this](int i) { PageList->setCurrentRow(i); });

  auto *pages = new QHBoxLayout;
  pages->addWidget(PageList);
  pages->addWidget(PageControl, 1);
  auto *layout = new QVBoxLayout(this);
  layout->addLayout(pages);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  // FormCreate.
  const IniFile ini(ChessApp.SettingsPath());
  const QString page = ToQ(ini.ReadString(kSection, kActivePage, ""));
  int index = 0;
  for (int i = 0; i < PageControl->count(); ++i)
    if (PageControl->widget(i)->objectName() == page) index = i;
  PageControl->setCurrentIndex(index);
  PageList->setCurrentRow(index);
}

TPreferencesDlg::~TPreferencesDlg() {
  IniFile ini(ChessApp.SettingsPath());
  ini.WriteString(kSection, kActivePage, FromQ(PageControl->currentWidget()->objectName()));
}

void TPreferencesDlg::BuildLanguagePage() {
  using namespace AppText;
  QWidget *page = Page("LanguageTS", S_LanguageTS);
  auto *grid = new QGridLayout(page);
  auto row = [&](const char *label, const std::string &caption, QWidget *control) {
    QLabel *l = Captioned<QLabel>(page, label, caption);
    l->setBuddy(control);
    const int r = grid->rowCount();
    grid->addWidget(l, r, 0);
    grid->addWidget(control, r, 1, Qt::AlignLeft);
  };
  row("ProgramLanguageLbl", S_ProgramLanguageLbl, ProgramLanguageCMB = Combo(page, "ProgramLanguageCMB"));
  row("InterfaceLanguageLbl", S_InterfaceLanguageLbl,
      InterfaceLanguageCMB = Combo(page, "InterfaceLanguageCMB"));
  row("CopyLanguageLbl", S_CopyLanguageLbl, CopyLanguageCMB = Combo(page, "CopyLanguageCMB"));
  row("PasteLanguageLbl", S_PasteLanguageLbl, PasteLanguageCMB = Combo(page, "PasteLanguageCMB"));
  row("LastMoveNotationLbl", S_LastMoveNotationLbl, LastMoveNotationCMB = Combo(page, "LastMoveNotationCMB"));
  row("MoveListNotationLbl", S_MoveListNotationLbl, MoveListNotationCMB = Combo(page, "MoveListNotationCMB"));
  row("AppFontNameLbl", S_AppFontNameLbl, AppFontNameCmb = Combo(page, "AppFontNameCmb"));
  row("AppFontSizeLbl", S_AppFontSizeLbl, AppFontSizeEd = NewUpDownEdit(page, "AppFontSizeEd"));
  grid->addWidget(UseFigurinesCB = Captioned<QCheckBox>(page, "UseFigurinesCB", S_UseFigurinesCB),
                  grid->rowCount(), 0, 1, 2);
  grid->setRowStretch(grid->rowCount(), 1);
  grid->setColumnStretch(1, 1);
}

void TPreferencesDlg::BuildBoardPage() {
  using namespace AppText;
  QWidget *page = Page("BoardTS", S_BoardTS);
  auto *top = new QGridLayout;
  QLabel *style = Captioned<QLabel>(page, "PieceStyleLbl", S_PieceStyleLbl);
  QLabel *forCopy = Captioned<QLabel>(page, "PieceStyleForCopyLbl", S_PieceStyleForCopyLbl);
  PieceStyleCMB = Combo(page, "PieceStyleCMB");
  PieceStyleForCopyCMB = Combo(page, "PieceStyleForCopyCMB");
  style->setBuddy(PieceStyleCMB);
  forCopy->setBuddy(PieceStyleForCopyCMB);
  top->addWidget(style, 0, 0);
  top->addWidget(PieceStyleCMB, 0, 1, Qt::AlignLeft);
  top->addWidget(forCopy, 1, 0);
  top->addWidget(PieceStyleForCopyCMB, 1, 1, Qt::AlignLeft);
  top->setColumnStretch(1, 1);

  // The animation grid: action and delay as column heads.
  QGroupBox *animation = Captioned<QGroupBox>(page, "AnimationGB", S_AnimationGB);
  auto *grid = new QGridLayout(animation);
  grid->addWidget(Captioned<QLabel>(animation, "ActionLbl", S_ActionLbl), 0, 0);
  grid->addWidget(Captioned<QLabel>(animation, "DelayLbl", S_DelayLbl), 0, 1);
  auto delay = [&](const char *label, const std::string &caption, const char *edit) {
    QLineEdit *e = NumberEdit(animation, edit);
    QLabel *l = Captioned<QLabel>(animation, label, caption);
    l->setBuddy(e);
    const int r = grid->rowCount();
    grid->addWidget(l, r, 0);
    grid->addWidget(e, r, 1);
    return e;
  };
  MoveEd = delay("MoveLbl", S_MoveLbl, "MoveEd");
  BackEd = delay("BackLbl", S_BackLbl, "BackEd");
  CastleRookMoveEd = delay("CastlingRookMoveLbl", S_CastlingRookMoveLbl, "CastleRookMoveEd");
  CastleRookBackEd = delay("CastlingRookBackLbl", S_CastlingRookBackLbl, "CastleRookBackEd");
  grid->setRowStretch(grid->rowCount(), 1);

  QGroupBox *colors = Captioned<QGroupBox>(page, "ColorsGB", S_ColorsGB);
  auto *cgrid = new QGridLayout(colors);
  auto square = [&](int r, const char *label, const std::string &caption, const char *box,
                    const char *button) {
    auto *pb = new QFrame(colors);
    pb->setObjectName(box);
    pb->setFrameShape(QFrame::Box);
    pb->setAutoFillBackground(true);
    pb->setMinimumSize(pb->fontMetrics().horizontalAdvance(QStringLiteral("MMM")),
                       pb->fontMetrics().height() + 4);
    auto *b = new QToolButton(colors);
    b->setText("...");
    b->setObjectName(button);
    cgrid->addWidget(Captioned<QLabel>(colors, label, caption), r, 0);
    cgrid->addWidget(pb, r, 1);
    cgrid->addWidget(b, r, 2);
    return std::pair{pb, b};
  };
  std::tie(WhiteSquaresPB, WhiteColorBtn) =
      square(0, "WhiteSquaresLbl", S_WhiteSquaresLbl, "WhiteSquaresPB", "WhiteColorBtn");
  std::tie(BlackSquaresPB, BlackColorBtn) =
      square(1, "BlackSquaresLbl", S_BlackSquaresLbl, "BlackSquaresPB", "BlackColorBtn");
  UseWindowsColorsCB = Captioned<QCheckBox>(colors, "UseWindowsColorsCB", S_UseWindowsColorsCB);
  cgrid->addWidget(UseWindowsColorsCB, 2, 0, 1, 3);
  cgrid->setColumnStretch(3, 1);
  connect(WhiteColorBtn, &QToolButton::clicked, this, [this] { Guarded([this] { WhiteColorBtnClick(); }); });
  connect(BlackColorBtn, &QToolButton::clicked, this, [this] { Guarded([this] { BlackColorBtnClick(); }); });

  ShowCoordinatesCB = Captioned<QCheckBox>(page, "ShowCoordinatesCB", S_ShowCoordinatesCB);
  ShowMaterialDifferenceCB =
      Captioned<QCheckBox>(page, "ShowMaterialDifferenceCB", S_ShowMaterialDifferenceCB);
  KnightAndBishopAreEqualCB =
      Captioned<QCheckBox>(page, "KnightAndBishopAreEqualCB", S_KnightAndBishopAreEqualCB);
  // The perspective's buttons exclude only each other.
  auto *perspective = new QWidget(page);
  auto *pl = new QVBoxLayout(perspective);
  pl->setContentsMargins(20, 0, 0, 0);
  MatDiffFromWhiteRB = Captioned<QRadioButton>(perspective, "MatDiffFromWhiteRB", S_MatDiffFromWhiteRB);
  MatDiffFromBlackRB = Captioned<QRadioButton>(perspective, "MatDiffFromBlackRB", S_MatDiffFromBlackRB);
  MatDiffFromColorToMoveRB =
      Captioned<QRadioButton>(perspective, "MatDiffFromColorToMoveRB", S_MatDiffFromColorToMoveRB);
  MatDiffFromBoardRB = Captioned<QRadioButton>(perspective, "MatDiffFromBoardRB", S_MatDiffFromBoardRB);
  for (QRadioButton *r :
       {MatDiffFromWhiteRB, MatDiffFromBlackRB, MatDiffFromColorToMoveRB, MatDiffFromBoardRB})
    pl->addWidget(r);

  auto *columns = new QHBoxLayout;
  columns->addWidget(Column(page, {animation, ShowCoordinatesCB}), 0, Qt::AlignTop);
  columns->addWidget(Column(page, {colors, ShowMaterialDifferenceCB, KnightAndBishopAreEqualCB, perspective}),
                     1, Qt::AlignTop);
  auto *v = new QVBoxLayout(page);
  v->addLayout(top);
  v->addLayout(columns);
  v->addStretch(1);
}

void TPreferencesDlg::BuildSmallPages() {
  using namespace AppText;
  QWidget *entry = Page("MoveEntryTS", S_MoveEntryTS);
  auto *v = new QVBoxLayout(entry);
  v->addWidget(RightClickTakesBackCB =
                   Captioned<QCheckBox>(entry, "RightClickTakesBackCB", S_RightClickTakesBackCB));
  v->addWidget(AskInsertTypeOnNewMoveCB =
                   Captioned<QCheckBox>(entry, "AskInsertTypeOnNewMoveCB", S_AskInsertTypeOnNewMoveCB));
  v->addWidget(AskDeleteTypeOnDeleteCB =
                   Captioned<QCheckBox>(entry, "AskDeleteTypeOnDeleteCB", S_AskDeleteTypeOnDeleteCB));
  v->addStretch(1);

  QWidget *autoplay = Page("AutoplayTS", S_AutoPlayTS);
  QGroupBox *group = Captioned<QGroupBox>(autoplay, "AutoPlayGB", S_AutoPlayGB);
  auto *g = new QGridLayout(group);
  AutoplayEd = NumberEdit(group, "AutoplayEd");
  QLabel *pause = Captioned<QLabel>(group, "AutoplayDelayLbl", S_AutoplayDelayLbl);
  pause->setBuddy(AutoplayEd);
  g->addWidget(pause, 0, 0);
  g->addWidget(AutoplayEd, 0, 1);
  g->addWidget(new QLabel("ms", group), 0, 2);
  g->setColumnStretch(3, 1);
  g->addWidget(StopAtCommentCB = Captioned<QCheckBox>(group, "StopAtCommentCB", S_StopAtCommentCB), 1, 0, 1,
               4);
  g->addWidget(
      StopAtAnnotationsCB = Captioned<QCheckBox>(group, "StopAtAnnotationsCB", S_StopAtAnnotationsCB), 2, 0,
      1, 4);
  g->addWidget(
      StopAtAlternativesCB = Captioned<QCheckBox>(group, "StopAtAlternativesCB", S_StopAtAlternativesCB), 3,
      0, 1, 4);
  auto *av = new QVBoxLayout(autoplay);
  av->addWidget(group);
  av->addStretch(1);

  QWidget *files = Page("FilesTS", S_FilesTS);
  auto *fg = new QGridLayout(files);
  StandardFilesLB = List(files, "StandardFilesLB");
  QLabel *fl = Captioned<QLabel>(files, "StandardFilesLbl", S_StandardFilesLbl);
  fl->setBuddy(StandardFilesLB);
  fg->addWidget(fl, 0, 0);
  fg->addWidget(StandardFilesLB, 1, 0, 3, 1);
  fg->addWidget(
      AddStandardFileBtn = Captioned<QPushButton>(files, "AddStandardFileBtn", S_AddStandardFileBtn), 1, 1);
  fg->addWidget(
      DeleteStandardFileBtn = Captioned<QPushButton>(files, "DeleteStandardFileBtn", S_DeleteStandardFileBtn),
      2, 1);
  fg->setRowStretch(3, 1);
  connect(AddStandardFileBtn, &QPushButton::clicked, this,
          [this] { Guarded([this] { AddStandardFileBtnClick(); }); });
  connect(DeleteStandardFileBtn, &QPushButton::clicked, this,
          [this] { Guarded([this] { DeleteStandardFileBtnClick(); }); });
}

void TPreferencesDlg::BuildOpenPages() {
  using namespace AppText;
  QWidget *open = Page("OpenTS", S_OpenTS);
  ViewOnlyOnFileOpenCB = Captioned<QCheckBox>(open, "ViewOnlyOnFileOpenCB", S_ViewOnlyOnFileOpenCB);
  PositionOnLoadRG = Captioned<QGroupBox>(open, "PositionOnLoadRG", S_PositionOnLoadRG);
  auto *rg = new QVBoxLayout(PositionOnLoadRG);
  rg->addWidget(FirstRB = Captioned<QRadioButton>(PositionOnLoadRG, "FirstRB", S_First));
  rg->addWidget(LastRB = Captioned<QRadioButton>(PositionOnLoadRG, "LastRB", S_Last));
  ViewFromPlayersCB = Captioned<QCheckBox>(open, "ViewFromPlayersCB", S_ViewFromPlayersCB);
  ViewFromPlayersLB = List(open, "ViewFromPlayersLB");
  QLabel *players = Captioned<QLabel>(open, "PlayersLbl", S_PlayersLbl);
  players->setBuddy(ViewFromPlayersLB);
  NewPlayerBtn = Captioned<QPushButton>(open, "NewPlayerBtn", S_NewPlayerBtn);
  DeletePlayerBtn = Captioned<QPushButton>(open, "DeletePlayerBtn", S_DeletePlayerBtn);
  auto *g = new QGridLayout(open);
  g->addWidget(ViewOnlyOnFileOpenCB, 0, 0, 1, 2);
  g->addWidget(PositionOnLoadRG, 1, 0, 1, 2, Qt::AlignLeft);
  g->addWidget(ViewFromPlayersCB, 2, 0, 1, 2);
  g->addWidget(players, 3, 0);
  g->addWidget(ViewFromPlayersLB, 4, 0, 3, 1);
  g->addWidget(NewPlayerBtn, 4, 1);
  g->addWidget(DeletePlayerBtn, 5, 1);
  g->setRowStretch(6, 1);
  connect(NewPlayerBtn, &QPushButton::clicked, this, [this] { Guarded([this] { NewPlayerBtnClick(); }); });
  connect(DeletePlayerBtn, &QPushButton::clicked, this,
          [this] { Guarded([this] { DeletePlayerBtnClick(); }); });

  QWidget *lines = Page("TopLinesTS", S_TopLinesTS);
  auto *v = new QVBoxLayout(lines);
  v->addWidget(ShowPlayersCB = Captioned<QCheckBox>(lines, "ShowPlayersCB", S_ShowPlayersCB));
  v->addWidget(ShowELOCB = Captioned<QCheckBox>(lines, "ShowELOCB", S_ShowEloCB));
  v->addWidget(ShowECOCB = Captioned<QCheckBox>(lines, "ShowECOCB", S_ShowECOCB));
  v->addWidget(ShowEventCB = Captioned<QCheckBox>(lines, "ShowEventCB", S_ShowEventCB));
  v->addWidget(ShowSiteCB = Captioned<QCheckBox>(lines, "ShowSiteCB", S_ShowSiteCB));
  v->addWidget(ShowRoundCB = Captioned<QCheckBox>(lines, "ShowRoundCB", S_ShowRoundCB));
  v->addWidget(ShowDateCB = Captioned<QCheckBox>(lines, "ShowDateCB", S_ShowDateCB));
  v->addStretch(1);
}

void TPreferencesDlg::BuildViewPages() {
  using namespace AppText;
  QWidget *view = Page("MoreTS", S_MoreTS);
  auto *v = new QVBoxLayout(view);
  v->addWidget(ShowMoveButtonsCB = Captioned<QCheckBox>(view, "ShowMoveButtonsCB", S_ShowMoveButtonsCB));
  v->addWidget(ShowColorToMoveCB = Captioned<QCheckBox>(view, "ShowColorToMoveCB", S_ShowColorToMoveCB));
  v->addWidget(ShowLastMoveCB = Captioned<QCheckBox>(view, "ShowLastMoveCB", S_ShowLastMoveCB));
  v->addWidget(ShowAlternativesCB =
                   Captioned<QCheckBox>(view, "ShowAlternativesCB", S_ShowAlternativesCBAlternatives));
  v->addWidget(ShowGameMoveCB = Captioned<QCheckBox>(view, "ShowGameMoveCB", S_ShowGameMoveCB));
  v->addWidget(UseSimpleNagsCB = Captioned<QCheckBox>(view, "UseSimpleNagsCB", S_UseSimpleNagsCB));
  v->addWidget(ShowExtraPanelCB = Captioned<QCheckBox>(view, "ShowExtraPanelCB", S_ShowExtraPanelCB));
  auto *where = new QWidget(view);
  auto *wl = new QHBoxLayout(where);
  wl->setContentsMargins(20, 0, 0, 0);
  wl->addWidget(ExtraUnderRB = Captioned<QRadioButton>(where, "ExtraUnderRB", S_ExtraUnderRB));
  wl->addWidget(ExtraRightRB = Captioned<QRadioButton>(where, "ExtraRightRB", S_ExtraRightRB));
  wl->addWidget(ExtraLeftRB = Captioned<QRadioButton>(where, "ExtraLeftRB", S_ExtraLeftRB));
  wl->addStretch(1);
  v->addWidget(where);
  v->addWidget(ShowToolbarCB = Captioned<QCheckBox>(view, "ShowToolbarCB", S_ShowToolbarCB));
  v->addWidget(ShowStatusbarCB = Captioned<QCheckBox>(view, "ShowStatusbarCB", S_ShowStatusbarCB));
  v->addStretch(1);

  QWidget *toolbar = Page("ToolbarTS", S_ToolbarTS);
  auto *tv = new QVBoxLayout(toolbar);
  ToolbarButtonsLB = List(toolbar, "ToolbarButtonsLB");
  QLabel *tl = Captioned<QLabel>(toolbar, "ToolbarLbl", S_ToolbarLbl);
  tl->setBuddy(ToolbarButtonsLB);
  tv->addWidget(tl);
  tv->addWidget(ToolbarButtonsLB, 1);

  QWidget *copy = Page("CopyGameTS", S_CopyGameTS);
  auto *cv = new QVBoxLayout(copy);
  cv->addWidget(ShowDiagsInCopyGameCB =
                    Captioned<QCheckBox>(copy, "ShowDiagsInCopyGameCB", S_ShowDiagsInCopyGameCB));
  cv->addWidget(SeparateAnnotationsInCopyGameCB = Captioned<QCheckBox>(
                    copy, "SeparateAnnotationsInCopyGameCB", S_SeparateAnnotationsInCopyGameCB));
  cv->addWidget(UseExtraSeparationInCopyGameCB = Captioned<QCheckBox>(copy, "UseExtraSeparationInCopyGameCB",
                                                                      S_UseExtraSeparationInCopyGameCB));
  cv->addWidget(SeparateAlternativesInCopyGameCB = Captioned<QCheckBox>(
                    copy, "SeparateAlternativesInCopyGameCB", S_SeparateAlternativesInCopyGameCB));
  cv->addWidget(MainLineInBoldInCopyGameCB =
                    Captioned<QCheckBox>(copy, "MainLineInBoldInCopyGameCB", S_MainLineInBoldInCopyGameCB));
  cv->addWidget(CommentsInBracketsInCopyGameCB = Captioned<QCheckBox>(copy, "CommentsInBracketsInCopyGameCB",
                                                                      S_CommentsInBracketsInCopyGameCB));
  cv->addWidget(SquareBracketsForAlternativesCB = Captioned<QCheckBox>(
                    copy, "SquareBracketsForAlternativesCB", S_SquareBracketsForAlternativesCB));
  cv->addWidget(CenterDiagramsCB = Captioned<QCheckBox>(copy, "CenterDiagramsCB", S_CenterDiagramsCB));
  cv->addWidget(JustifyMoveTextCB = Captioned<QCheckBox>(copy, "JustifyMoveTextCB", S_JustifyMoveTextCB));
  cv->addWidget(DiagramsWithCoordinatesInCopyGameCB = Captioned<QCheckBox>(
                    copy, "DiagramsWithCoordinatesInCopyGameCB", S_DiagramsWithCoordinatesInCopyGameCB));
  cv->addStretch(1);
}

void TPreferencesDlg::BuildDiagramsPage() {
  using namespace CommonText;
  QWidget *page = Page("DiagramsTS", AppText::S_DiagramTS);
  // One kind of diagram: its labels switch, then the top and bottom texts.
  auto kind = [&](const char *name, const std::string &caption, const char *labels, const char *topName,
                  const char *bottomName, QCheckBox *&useLabels) {
    QGroupBox *g = Captioned<QGroupBox>(page, name, caption);
    useLabels = Captioned<QCheckBox>(g, labels, S_UseLabelsCB);
    QGroupBox *top = Captioned<QGroupBox>(g, topName, S_TopTextTypeGB);
    QGroupBox *bottom = Captioned<QGroupBox>(g, bottomName, S_BottomTextTypeGB);
    new QVBoxLayout(top);
    new QVBoxLayout(bottom);
    auto *l = new QGridLayout(g);
    l->addWidget(useLabels, 0, 0, 1, 2);
    l->addWidget(top, 1, 0, Qt::AlignTop);
    l->addWidget(bottom, 1, 1, Qt::AlignTop);
    return std::pair{top, bottom};
  };
  auto radio = [&](QGroupBox *box, const char *name, const std::string &caption, DiagramTextTypeT type,
                   RadioTypes &list) {
    QRadioButton *r = Captioned<QRadioButton>(box, name, caption);
    box->layout()->addWidget(r);
    list.emplace_back(r, type);
    return r;
  };
  using T = DiagramTextTypeT;
  auto [cdTop, cdBottom] = kind("CopyDiagGB", S_CopyDiagGB, "CopyDiagUseLabelsCB", "CDTopTextTypeGB",
                                "CDBottomTextTypeGB", CopyDiagUseLabelsCB);
  CDBTT_NoneRB = radio(cdBottom, "CDBTT_NoneRB", S_DTT_NoneRB, T::None, cdBottom_);
  CDBTT_ColorToMoveRB =
      radio(cdBottom, "CDBTT_ColorToMoveRB", S_DTT_ColorToMoveRB, T::ColorToMove, cdBottom_);
  CDBTT_LastMoveRB = radio(cdBottom, "CDBTT_LastMoveRB", S_DTT_LastMoveRB, T::LastMove, cdBottom_);
  CDBTT_CustomRB = radio(cdBottom, "CDBTT_CustomRB", S_DTT_CustomRB, T::Custom, cdBottom_);
  CDTTT_NoneRB = radio(cdTop, "CDTTT_NoneRB", S_DTT_NoneRB, T::None, cdTop_);
  CDTTT_PlayersRB = radio(cdTop, "CDTTT_PlayersRB", S_DTT_PlayersRB, T::Players, cdTop_);
  CDTTT_CustomRB = radio(cdTop, "CDTTT_CustomRB", S_DTT_CustomRB, T::Custom, cdTop_);
  auto [gdTop, gdBottom] = kind("GameDiagGB", S_GameDiagGB, "GameDiagUseLabelsCB", "GDTopTextTypeGB",
                                "GDBottomTextTypeGB", GameDiagUseLabelsCB);
  GDBTT_NoneRB = radio(gdBottom, "GDBTT_NoneRB", S_DTT_NoneRB, T::None, gdBottom_);
  GDBTT_ColorToMoveRB =
      radio(gdBottom, "GDBTT_ColorToMoveRB", S_DTT_ColorToMoveRB, T::ColorToMove, gdBottom_);
  GDBTT_LastMoveRB = radio(gdBottom, "GDBTT_LastMoveRB", S_DTT_LastMoveRB, T::LastMove, gdBottom_);
  GDTTT_NoneRB = radio(gdTop, "GDTTT_NoneRB", S_DTT_NoneRB, T::None, gdTop_);
  GDTTT_PlayersRB = radio(gdTop, "GDTTT_PlayersRB", S_DTT_PlayersRB, T::Players, gdTop_);
  auto *v = new QVBoxLayout(page);
  v->addWidget(cdTop->parentWidget());
  v->addWidget(gdTop->parentWidget());
  v->addStretch(1);
}

void TPreferencesDlg::BuildRTFPages() {
  using namespace AppText;
  // A label and its control in a group's grid.
  auto row = [this](QGroupBox *g, QGridLayout *grid, const char *label, const std::string &caption,
                    QWidget *control) {
    QLabel *l = Captioned<QLabel>(g, label, caption);
    l->setBuddy(control);
    const int r = grid->rowCount();
    grid->addWidget(l, r, 0);
    grid->addWidget(control, r, 1, Qt::AlignLeft);
  };
  QWidget *rtf = Page("RTFTS", S_RTFTS);
  QGroupBox *diagram = Captioned<QGroupBox>(rtf, "RTFGB", S_RTFGB);
  auto *dg = new QGridLayout(diagram);
  row(diagram, dg, "FontNameLbl", S_FontNameLbl, RTFFontNameCmb = Combo(diagram, "RTFFontNameCmb"));
  row(diagram, dg, "FontSizeLbl", S_FontSizeLbl, FontSizeEd = NewUpDownEdit(diagram, "FontSizeEd"));
  dg->addWidget(
      RTFDiagAddBorderCB = Captioned<QCheckBox>(diagram, "RTFDiagAddBorderCB", S_RTFDiagAddBorderCB),
      dg->rowCount(), 0, 1, 2);
  dg->setColumnStretch(1, 1);
  QGroupBox *game = Captioned<QGroupBox>(rtf, "RTFGameGB", S_RTFGameGB);
  auto *gg = new QGridLayout(game);
  row(game, gg, "RTFGameFontNameLbl", S_RTFGameFontNameLbl,
      RTFGameFontNameCmb = Combo(game, "RTFGameFontNameCmb"));
  row(game, gg, "RTFGameFontSizeLbl", S_RTFGameFontSizeLbl,
      RTFGameFontSizeEd = NewUpDownEdit(game, "RTFGameFontSizeEd"));
  gg->addWidget(
      RTFGameUseFigurinesCB = Captioned<QCheckBox>(game, "RTFGameUseFigurinesCB", S_RTFGameUseFigurinesCB),
      gg->rowCount(), 0, 1, 2);
  row(game, gg, "RTFGameTextFontNameLbl", S_RTFGameTextFontNameLbl,
      RTFGameTextFontNameCmb = Combo(game, "RTFGameTextFontNameCmb"));
  gg->addWidget(
      RTFGameUseTextFontCB = Captioned<QCheckBox>(game, "RTFGameUseTextFontCB", S_RTFGameUseTextFontCB),
      gg->rowCount(), 0, 1, 2);
  gg->setColumnStretch(1, 1);
  auto *rv = new QVBoxLayout(rtf);
  rv->addWidget(diagram);
  rv->addWidget(game);
  rv->addStretch(1);

  QWidget *text = Page("TextHTMLTS", S_TextHTMLTS);
  QGroupBox *plain = Captioned<QGroupBox>(text, "TextGB", S_TextGB);
  auto *pg = new QGridLayout(plain);
  pg->addWidget(UseHRTInCopyCB = Captioned<QCheckBox>(plain, "UseHRTInCopyCB", S_UseHRTInCopyCB), 0, 0, 1, 2);
  row(plain, pg, "LineLengthLbl", S_LineLengthLbl, LineLengthEd = NewUpDownEdit(plain, "LineLengthEd"));
  pg->setColumnStretch(1, 1);
  QGroupBox *html = Captioned<QGroupBox>(text, "HTMLGB", S_HTMLGB);
  auto *hg = new QGridLayout(html);
  GIFPathEd = new QLineEdit(html);
  GIFPathEd->setObjectName("GIFPathEd");
  GIFPathEd->setMinimumWidth(GIFPathEd->fontMetrics().horizontalAdvance(QString(30, 'x')));
  row(html, hg, "GIFPathLbl", S_GIFPathLbl, GIFPathEd);
  row(html, hg, "BorderWidthLbl", S_BorderWidthLbl, BorderWidthEd = NewUpDownEdit(html, "BorderWidthEd"));
  hg->setColumnStretch(1, 1);
  QGroupBox *htmlGame = Captioned<QGroupBox>(text, "HTMLGameGB", S_HTMLGameGB);
  auto *hv = new QVBoxLayout(htmlGame);
  hv->addWidget(HTMLGameUseFigurinesCB =
                    Captioned<QCheckBox>(htmlGame, "HTMLGameUseFigurinesCB", S_HTMLGameUseFigurinesCB));
  auto *tv = new QVBoxLayout(text);
  tv->addWidget(plain);
  tv->addWidget(html);
  tv->addWidget(htmlGame);
  tv->addStretch(1);
}

// ---- Captions

void TPreferencesDlg::ApplyCaptions() {
  setWindowTitle(ToQ(RemoveAccelerator(CommonText::S_MPreferences)));
  for (int i = 0; i < static_cast<int>(pages_.size()); ++i)
    PageList->item(i)->setText(ToQ(*pages_[i].second));
  // The list is as wide and high as its captions.
  const int frame = 2 * PageList->frameWidth();
  const int gap = 2 * PageList->spacing();
  PageList->setFixedWidth(PageList->sizeHintForColumn(0) + frame + gap + 8);
  PageList->setMinimumHeight((PageList->sizeHintForRow(0) + gap) * PageList->count() + frame);
  for (const CaptionLink &c : captions_) {
    if (auto *l = qobject_cast<QLabel *>(c.control))
      l->setText(ToQ(*c.text + ":"));
    else if (auto *g = qobject_cast<QGroupBox *>(c.control))
      g->setTitle(ToQ(*c.text + ":"));
    else if (auto *b = qobject_cast<QAbstractButton *>(c.control))
      b->setText(ToQ(*c.text));
  }
  OKBtn->setText(ToQ(GenText::S_OKBtn));
  CancelBtn->setText(ToQ(GenText::S_CancelBtn));
  HelpBtn->setText(ToQ(GenText::S_HelpBtn));
  LastMoveNotationCMB->clear();
  MoveListNotationCMB->clear();
  for (QComboBox *box : {LastMoveNotationCMB, MoveListNotationCMB}) {
    box->addItem(ToQ(AppText::S_StandardAlgebraic));
    box->addItem(ToQ(AppText::S_LongAlgebraic));
  }
}

// ---- Show

void TPreferencesDlg::SelectType(const RadioTypes &radios, DiagramTextTypeT type) {
  // A kind the buttons do not offer leaves none checked.
  for (const auto &[r, t] : radios) CheckOne({r}, t == type ? r : nullptr);
}

DiagramTextTypeT TPreferencesDlg::CheckedType(const RadioTypes &radios) {
  for (const auto &[r, t] : radios)
    if (r->isChecked()) return t;
  return DiagramTextTypeT::None;
}

void TPreferencesDlg::ShowSquareColors() {
  for (auto [box, color] :
       {std::pair{WhiteSquaresPB, EditWhiteSquares}, std::pair{BlackSquaresPB, EditBlackSquares}}) {
    QPalette p = box->palette();
    p.setColor(QPalette::Window, TColorToQColor(color, palette()));
    box->setPalette(p);
  }
}

void TPreferencesDlg::FormShow() {
  ApplyCaptions();
  const ChessAppO &o = ChessApp;
  // Languages.
  std::vector<LanguageId> app;
  for (int i = 1; i <= AppText::AppLanguageCount(); ++i) app.push_back(AppText::AppLanguage(i));
  FillLanguages(ProgramLanguageCMB, app, o.ApplicationLanguage);
  std::vector<LanguageId> notation;
  for (int i = 1; i <= LangCount(); ++i) notation.push_back(LangIdAt(i));
  FillLanguages(InterfaceLanguageCMB, notation, o.InterfaceLanguage);
  FillLanguages(CopyLanguageCMB, notation, o.CopyLanguage);
  FillLanguages(PasteLanguageCMB, notation, o.PasteLanguage);
  LastMoveNotationCMB->setCurrentIndex(o.LastMoveNotation == kNotationShortWithNumber  ? 0
                                       : o.LastMoveNotation == kNotationLongWithNumber ? 1
                                                                                       : -1);
  MoveListNotationCMB->setCurrentIndex(o.MoveListNotation == kNotationShort  ? 0
                                       : o.MoveListNotation == kNotationLong ? 1
                                                                             : -1);
  FillFonts(AppFontNameCmb, myui::InstalledFonts(), o.ApplicationFontName);
  SetUpDownEdit(AppFontSizeEd, 0, kMaxFontSize, o.ApplicationFontSize);
  UseFigurinesCB->setChecked(o.UseFigurines);
  // Board.
  PieceStyleCMB->clear();
  for (int n = 1; n <= PieceSetManO.FamilyCount(); ++n)
    PieceStyleCMB->addItem(ToQ(PieceSetManO.FamilyName(n)));
  PieceStyleCMB->setCurrentIndex(PieceStyleCMB->findText(ToQ(Board->GetPieceTypeFamily())));
  PieceStyleForCopyCMB->clear();
  for (int i = 0; i < PieceSetManO.Count(); ++i)
    PieceStyleForCopyCMB->addItem(ToQ(PieceSetManO.DisplayName(i)), i);
  SelectData(PieceStyleForCopyCMB, o.PieceTypeForCopy);
  MoveEd->setText(QString::number(Board->MoveDelay()));
  BackEd->setText(QString::number(Board->MoveBackDelay()));
  CastleRookMoveEd->setText(QString::number(Board->CastleRookMoveDelay()));
  CastleRookBackEd->setText(QString::number(Board->CastleRookMoveBackDelay()));
  ShowCoordinatesCB->setChecked(o.ShowCoordinates);
  EditWhiteSquares = o.WhiteSquares;
  EditBlackSquares = o.BlackSquares;
  ShowSquareColors();
  UseWindowsColorsCB->setChecked(BoardColorsO.UseWindowsColors());
  ShowMaterialDifferenceCB->setChecked(o.ShowMaterialDifference);
  KnightAndBishopAreEqualCB->setChecked(o.KnightAndBishopAreEqual);
  const QRadioButton *perspective[] = {MatDiffFromWhiteRB, MatDiffFromBlackRB, MatDiffFromColorToMoveRB,
                                       MatDiffFromBoardRB};
  const auto p = static_cast<size_t>(o.MaterialDifferencePerspective);
  CheckOne({MatDiffFromWhiteRB, MatDiffFromBlackRB, MatDiffFromColorToMoveRB, MatDiffFromBoardRB},
           p < 4 ? perspective[p] : nullptr);
  // Move entry, autoplay.
  RightClickTakesBackCB->setChecked(o.RightClickTakesBack);
  AskInsertTypeOnNewMoveCB->setChecked(o.AskInsertTypeOnNewMove);
  AskDeleteTypeOnDeleteCB->setChecked(o.AskDeleteTypeOnDelete);
  AutoplayEd->setText(QString::number(o.AutoPlayDelay));
  StopAtCommentCB->setChecked(o.StopAtComment);
  StopAtAnnotationsCB->setChecked(o.StopAtAnnotations);
  StopAtAlternativesCB->setChecked(o.StopAtAlternatives);
  // Databases, open.
  StandardFilesLB->clear();
  for (const std::string &f : o.StandardFiles) StandardFilesLB->addItem(FileItem(f));
  ViewOnlyOnFileOpenCB->setChecked(o.ViewOnlyOnFileOpen);
  CheckOne({FirstRB, LastRB}, o.ShowFirstPositionOnLoad ? FirstRB : LastRB);
  ViewFromPlayersCB->setChecked(o.ViewFromPlayers);
  ViewFromPlayersLB->clear();
  for (const std::string &p : o.ViewFromPlayersList) ViewFromPlayersLB->addItem(ToQ(p));
  UpdateDeletePlayerBtn();
  // Info lines, view.
  ShowPlayersCB->setChecked(o.ShowPlayers);
  ShowELOCB->setChecked(o.ShowELO);
  ShowECOCB->setChecked(o.ShowECO);
  ShowEventCB->setChecked(o.ShowEvent);
  ShowSiteCB->setChecked(o.ShowSite);
  ShowRoundCB->setChecked(o.ShowRound);
  ShowDateCB->setChecked(o.ShowDate);
  ShowMoveButtonsCB->setChecked(o.ShowMoveButtons);
  ShowColorToMoveCB->setChecked(o.ShowColorToMove);
  ShowLastMoveCB->setChecked(o.ShowLastMove);
  ShowAlternativesCB->setChecked(o.ShowAlternatives);
  ShowGameMoveCB->setChecked(o.ShowGameMove);
  UseSimpleNagsCB->setChecked(o.UseSimpleNags);
  ShowExtraPanelCB->setChecked(Main->ShowExtraPanel);
  CheckOne({ExtraUnderRB, ExtraRightRB, ExtraLeftRB}, Main->ShowUnder   ? ExtraUnderRB
                                                      : Main->ShowRight ? ExtraRightRB
                                                      : Main->ShowLeft  ? ExtraLeftRB
                                                                        : nullptr);
  ShowToolbarCB->setChecked(Main->ShowToolbar);
  ShowStatusbarCB->setChecked(Main->ShowStatusbar);
  ToolbarButtonsLB->clear();
  const TToolbarMan &toolbar = Main->ToolbarMan;
  for (int i = 1; i <= toolbar.ButtonCount(); ++i) {
    auto *item = new QListWidgetItem(toolbar.ButtonGlyph(i), ToQ(toolbar.ButtonHint(i)), ToolbarButtonsLB);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(toolbar.ButtonVisible(i) ? Qt::Checked : Qt::Unchecked);
  }
  // Copy game, diagrams.
  ShowDiagsInCopyGameCB->setChecked(o.ShowDiagsInCopyGame);
  SeparateAnnotationsInCopyGameCB->setChecked(o.SeparateAnnotationsInCopyGame);
  UseExtraSeparationInCopyGameCB->setChecked(o.UseExtraSeparationInCopyGame);
  SeparateAlternativesInCopyGameCB->setChecked(o.SeparateAlternativesInCopyGame);
  MainLineInBoldInCopyGameCB->setChecked(o.MainLineInBoldInCopyGame);
  CommentsInBracketsInCopyGameCB->setChecked(o.CommentsInBracketsInCopyGame);
  SquareBracketsForAlternativesCB->setChecked(o.SquareBracketsForAlternatives);
  CenterDiagramsCB->setChecked(o.CenterDiagrams);
  JustifyMoveTextCB->setChecked(o.JustifyMoveText);
  DiagramsWithCoordinatesInCopyGameCB->setChecked(o.DiagsWithCoordinatesInCopyGame);
  CopyDiagUseLabelsCB->setChecked(o.CopyDiagUseLabels);
  SelectType(cdBottom_, o.CopyDiagBottomTextType);
  SelectType(cdTop_, o.CopyDiagTopTextType);
  GameDiagUseLabelsCB->setChecked(o.CopyGameDiagUseLabels);
  SelectType(gdBottom_, o.CopyGameDiagBottomTextType);
  SelectType(gdTop_, o.CopyGameDiagTopTextType);
  // RTF, text and HTML.
  std::vector<std::string> chessFonts;
  for (int i = 1; i <= o.Fonts().Count(); ++i) chessFonts.push_back(o.Fonts().FontName(i));
  FillFonts(RTFFontNameCmb, chessFonts, o.RTFDiagramFontName);
  SetUpDownEdit(FontSizeEd, 0, kMaxFontSize, o.RTFDiagramFontSize);
  RTFDiagAddBorderCB->setChecked(o.RTFDiagramAddBorder);
  FillFonts(RTFGameFontNameCmb, myui::InstalledFonts(), o.RTFGameFontName);
  SetUpDownEdit(RTFGameFontSizeEd, 0, kMaxFontSize, o.RTFGameFontSize);
  RTFGameUseFigurinesCB->setChecked(o.UseFigurinesInRTFGame);
  FillFonts(RTFGameTextFontNameCmb, myui::InstalledFonts(), o.RTFGameTextFontName);
  RTFGameUseTextFontCB->setChecked(o.RTFGameUseTextFont);
  UseHRTInCopyCB->setChecked(o.UseHRTInCopy);
  SetUpDownEdit(LineLengthEd, 0, kMaxLineLength, o.CopyLineLength);
  GIFPathEd->setText(ToQ(o.GIFPath));
  SetUpDownEdit(BorderWidthEd, 0, kMaxBorderWidth, o.HTMLBorderWidth);
  HTMLGameUseFigurinesCB->setChecked(o.UseFigurinesInHTMLGame);
  PageList->setFocus();
}

// ---- OK

void TPreferencesDlg::OKBtnClick() {
  ChessAppO &o = ChessApp;
  TMainForm &m = *Main;
  // 1. Languages.
  const LanguageId oldLanguage = o.ApplicationLanguage;
  o.ApplicationLanguage = SelectedLanguage(ProgramLanguageCMB, o.ApplicationLanguage);
  if (o.ApplicationLanguage != oldLanguage) m.ApplyLanguage();
  // 2.
  o.InterfaceLanguage = SelectedLanguage(InterfaceLanguageCMB, o.InterfaceLanguage);
  Board->SetLanguage(o.InterfaceLanguage);
  o.CopyLanguage = SelectedLanguage(CopyLanguageCMB, o.CopyLanguage);
  o.PasteLanguage = SelectedLanguage(PasteLanguageCMB, o.PasteLanguage);
  // 3.
  if (LastMoveNotationCMB->currentIndex() >= 0)
    o.LastMoveNotation =
        LastMoveNotationCMB->currentIndex() == 0 ? kNotationShortWithNumber : kNotationLongWithNumber;
  if (MoveListNotationCMB->currentIndex() >= 0)
    o.MoveListNotation = MoveListNotationCMB->currentIndex() == 0 ? kNotationShort : kNotationLong;
  o.UseFigurines = UseFigurinesCB->isChecked();
  o.ViewOnlyOnFileOpen = ViewOnlyOnFileOpenCB->isChecked();
  o.ShowFirstPositionOnLoad = FirstRB->isChecked();
  o.ShowColorToMove = ShowColorToMoveCB->isChecked();
  o.ShowMaterialDifference = ShowMaterialDifferenceCB->isChecked();
  o.KnightAndBishopAreEqual = KnightAndBishopAreEqualCB->isChecked();
  const QRadioButton *perspective[] = {MatDiffFromWhiteRB, MatDiffFromBlackRB, MatDiffFromColorToMoveRB,
                                       MatDiffFromBoardRB};
  for (int i = 3; i >= 0; --i)
    if (perspective[i]->isChecked()) o.MaterialDifferencePerspective = static_cast<PerspectiveT>(i);
  o.ShowLastMove = ShowLastMoveCB->isChecked();
  // 4. A size below 1 is no size.
  const int fontSize = AppFontSizeEd->value();
  o.SetChessFont(SelectedText(AppFontNameCmb, o.ApplicationFontName),
                 fontSize >= 1 ? fontSize : o.ApplicationFontSize);
  m.ApplyFonts();
  // 5.
  o.ShowAlternatives = ShowAlternativesCB->isChecked();
  o.ShowGameMove = ShowGameMoveCB->isChecked();
  o.UseSimpleNags = UseSimpleNagsCB->isChecked();
  o.ShowDiagsInCopyGame = ShowDiagsInCopyGameCB->isChecked();
  o.SeparateAnnotationsInCopyGame = SeparateAnnotationsInCopyGameCB->isChecked();
  o.UseExtraSeparationInCopyGame = UseExtraSeparationInCopyGameCB->isChecked();
  o.SeparateAlternativesInCopyGame = SeparateAlternativesInCopyGameCB->isChecked();
  o.MainLineInBoldInCopyGame = MainLineInBoldInCopyGameCB->isChecked();
  o.CommentsInBracketsInCopyGame = CommentsInBracketsInCopyGameCB->isChecked();
  o.SquareBracketsForAlternatives = SquareBracketsForAlternativesCB->isChecked();
  o.CenterDiagrams = CenterDiagramsCB->isChecked();
  o.JustifyMoveText = JustifyMoveTextCB->isChecked();
  o.DiagsWithCoordinatesInCopyGame = DiagramsWithCoordinatesInCopyGameCB->isChecked();
  // 6. Toolbar.
  for (int i = 1; i <= m.ToolbarMan.ButtonCount() && i <= ToolbarButtonsLB->count(); ++i)
    m.ToolbarMan.SetButtonVisible(i, ToolbarButtonsLB->item(i - 1)->checkState() == Qt::Checked);
  m.ToolbarMan.Arrange();
  m.ShowGame();
  // 7. Colours.
  const bool useWindows = UseWindowsColorsCB->isChecked();
  if (useWindows != BoardColorsO.UseWindowsColors() ||
      (!useWindows && (EditWhiteSquares != o.WhiteSquares || EditBlackSquares != o.BlackSquares))) {
    BoardColorsO.SetUseWindowsColors(useWindows);
    o.WhiteSquares = EditWhiteSquares;
    o.BlackSquares = EditBlackSquares;
    BoardColorsO.SetWhiteSquares(useWindows ? clBtnFace : EditWhiteSquares);
    BoardColorsO.SetBlackSquares(useWindows ? clBtnShadow : EditBlackSquares);
    Board->Paint();
  }
  // 8. Delays, within the board's range as Load keeps them.
  o.MoveDelay = ClampBoardDelay(IntegerOr(MoveEd->text(), o.MoveDelay));
  o.MoveBackDelay = ClampBoardDelay(IntegerOr(BackEd->text(), o.MoveBackDelay));
  o.CastleRookMoveDelay = ClampBoardDelay(IntegerOr(CastleRookMoveEd->text(), o.CastleRookMoveDelay));
  o.CastleRookMoveBackDelay = ClampBoardDelay(IntegerOr(CastleRookBackEd->text(), o.CastleRookMoveBackDelay));
  m.SetBoardDelays();
  // 9. Piece sets.
  if (PieceStyleCMB->currentIndex() >= 0) {
    o.PieceType =
        static_cast<uint8_t>(PieceSetManO.FindInFamily(o.PieceType, FromQ(PieceStyleCMB->currentText())));
    Board->SetPieceType(o.PieceType);
  }
  if (PieceStyleForCopyCMB->currentIndex() >= 0)
    o.PieceTypeForCopy = static_cast<uint8_t>(PieceStyleForCopyCMB->currentData().toInt());
  // 10.
  o.RightClickTakesBack = RightClickTakesBackCB->isChecked();
  Board->SetRightClickTakeBack(o.RightClickTakesBack);
  o.ShowCoordinates = ShowCoordinatesCB->isChecked();
  m.PlaceCoordinateLabels();
  // 11. Info lines.
  o.ShowPlayers = ShowPlayersCB->isChecked();
  o.ShowELO = ShowELOCB->isChecked();
  o.ShowECO = ShowECOCB->isChecked();
  o.ShowEvent = ShowEventCB->isChecked();
  o.ShowSite = ShowSiteCB->isChecked();
  o.ShowRound = ShowRoundCB->isChecked();
  o.ShowDate = ShowDateCB->isChecked();
  m.FreeTopLineObjects();
  m.BuildInfoLines();
  m.ShowInfoLines();
  // 12.
  o.UseHRTInCopy = UseHRTInCopyCB->isChecked();
  o.CopyLineLength = LineLengthEd->value() < 0 ? 80 : LineLengthEd->value();
  // 13. The main window's view.
  m.ShowExtraPanel = ShowExtraPanelCB->isChecked();
  m.ShowUnder = ExtraUnderRB->isChecked();
  m.ShowRight = ExtraRightRB->isChecked();
  m.ShowLeft = ExtraLeftRB->isChecked();
  m.ShowToolbar = ShowToolbarCB->isChecked();
  m.ShowStatusbar = ShowStatusbarCB->isChecked();
  o.ShowMoveButtons = ShowMoveButtonsCB->isChecked();
  m.ArrangeControls();
  // 14. Autoplay, within the range Load keeps it in.
  o.AutoPlayDelay = ClampAutoPlayDelay(IntegerOr(AutoplayEd->text(), o.AutoPlayDelay));
  m.AutoPlayTimer->setInterval(o.AutoPlayDelay);
  o.StopAtComment = StopAtCommentCB->isChecked();
  o.StopAtAnnotations = StopAtAnnotationsCB->isChecked();
  o.StopAtAlternatives = StopAtAlternativesCB->isChecked();
  // 15. Lists.
  o.ViewFromPlayers = ViewFromPlayersCB->isChecked();
  o.ViewFromPlayersList.clear();
  for (int i = 0; i < ViewFromPlayersLB->count(); ++i)
    o.ViewFromPlayersList.push_back(FromQ(ViewFromPlayersLB->item(i)->text()));
  o.StandardFiles = StandardFileNames();
  m.BuildReopenMenu();
  // 16. RTF and HTML.
  o.RTFDiagramFontName = SelectedText(RTFFontNameCmb, o.RTFDiagramFontName);
  o.RTFDiagramFontSize = FontSizeEd->value() >= 1 ? FontSizeEd->value() : 20;
  o.RTFDiagramAddBorder = RTFDiagAddBorderCB->isChecked();
  o.GIFPath = FromQ(GIFPathEd->text());
  o.HTMLBorderWidth = BorderWidthEd->value() >= 0 ? BorderWidthEd->value() : 1;
  o.RTFGameFontName = SelectedText(RTFGameFontNameCmb, o.RTFGameFontName);
  o.RTFGameFontSize = RTFGameFontSizeEd->value() >= 1 ? RTFGameFontSizeEd->value() : 12;
  o.UseFigurinesInRTFGame = RTFGameUseFigurinesCB->isChecked();
  o.RTFGameTextFontName = SelectedText(RTFGameTextFontNameCmb, o.RTFGameTextFontName);
  o.RTFGameUseTextFont = RTFGameUseTextFontCB->isChecked();
  o.UseFigurinesInHTMLGame = HTMLGameUseFigurinesCB->isChecked();
  // 17. Diagrams.
  o.CopyDiagUseLabels = CopyDiagUseLabelsCB->isChecked();
  o.CopyDiagBottomTextType = CheckedType(cdBottom_);
  o.CopyDiagTopTextType = CheckedType(cdTop_);
  o.CopyGameDiagUseLabels = GameDiagUseLabelsCB->isChecked();
  o.CopyGameDiagBottomTextType = CheckedType(gdBottom_);
  o.CopyGameDiagTopTextType = CheckedType(gdTop_);
  // 18.
  o.AskInsertTypeOnNewMove = AskInsertTypeOnNewMoveCB->isChecked();
  o.AskDeleteTypeOnDelete = AskDeleteTypeOnDeleteCB->isChecked();
  // 19. The open windows, boards first.
  o.NotifyBoardListeners();
  o.NotifyListListeners();
  accept();
}

// ---- The lists and buttons

std::vector<std::string> TPreferencesDlg::StandardFileNames() const {
  std::vector<std::string> names;
  for (int i = 0; i < StandardFilesLB->count(); ++i)
    names.push_back(StandardFilesLB->item(i)->data(Qt::UserRole).toByteArray().toStdString());
  return names;
}

void TPreferencesDlg::UpdateDeletePlayerBtn() { DeletePlayerBtn->setEnabled(ViewFromPlayersLB->count() > 0); }

void TPreferencesDlg::NewPlayerBtnClick() {
  QInputDialog input(this);
  input.setObjectName("NewPlayerDlg");
  input.setWindowTitle(ToQ(AppText::S_NewPlayer));
  input.setLabelText(ToQ(AppText::S_PlayersLbl + ":"));
  if (modal::Exec(input) != QDialog::Accepted) return;
  const std::string name = FromQ(input.textValue().trimmed());
  if (name.empty()) return;
  for (int i = 0; i < ViewFromPlayersLB->count(); ++i)
    if (win1252::SameText(FromQ(ViewFromPlayersLB->item(i)->text()), name)) return;
  ViewFromPlayersLB->addItem(ToQ(name));
  UpdateDeletePlayerBtn();
}

void TPreferencesDlg::DeletePlayerBtnClick() {
  if (QListWidgetItem *item = ViewFromPlayersLB->currentItem()) delete item;
  UpdateDeletePlayerBtn();
}

void TPreferencesDlg::AddStandardFileBtnClick() {
  if (!Main->FileOpen) return;
  // The options keep no more.
  if (StandardFilesLB->count() >= kFilesReadBack) return Beep();
  StandardFilesLB->addItem(FileItem(Main->FileName));
}

void TPreferencesDlg::DeleteStandardFileBtnClick() {
  if (QListWidgetItem *item = StandardFilesLB->currentItem()) delete item;
}

void TPreferencesDlg::EditColor(TColor &color) {
  QColorDialog dlg(TColorToQColor(color, palette()), this);
  if (modal::Exec(dlg) != QDialog::Accepted) return;
  color = FromQColor(dlg.currentColor());
  ShowSquareColors();
}

void TPreferencesDlg::WhiteColorBtnClick() { EditColor(EditWhiteSquares); }

void TPreferencesDlg::BlackColorBtnClick() { EditColor(EditBlackSquares); }

void TPreferencesDlg::HelpBtnClick() { Main->MContentsClick(); }
