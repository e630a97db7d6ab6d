// The main window's display: the game in the alternatives list and the
// labels, the info lines, the coordinates, the toolbar and the layout.
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolButton>

#include "board/ui/BoardLabels.h"
#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "chess/InfoMan.h"
#include "chess/Language.h"
#include "foundation/CommonText.h"
#include "foundation/ui/Glyphs.h"
#include "foundation/ui/ListBoxMemoSplitPanels.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"

namespace {

const std::string kMainToolbar = "MainToolbar";
constexpr int kToolbarHeight = 28;
constexpr int kToolButtonSize = 24;
constexpr int kStepButtonWidth = 34;
constexpr int kStepButtonHeight = 24;
constexpr int kLastMoveLabelTop = 4;

// The toolbar in button order: component name, glyph resource, the key of
// its tooltip (none for the clipboard buttons, which set their own),
// and a separator after it.
struct ToolDef {
  const char *name;
  const char *resource;
  const char *hintKey;
  bool separatorAfter;
};
constexpr ToolDef kTools[] = {
    {"SBNew", "FileNew", "S_SBNew", false},
    {"SBOpen", "FileOpen", "S_SBOpen", false},
    {"SBImportGames", "Import", "S_SBImportGames", false},
    {"SBReopenLastList", "GameList", "SBReopenLastList", false},
    {"SBSearchGames", "Find", "SBSearchGames", true},
    {"SBNewGame", "NewGame", "S_SBNewGame", false},
    {"SBSetupPosition", "SetupPosition", "S_SBSetupPosition", false},
    {"SBEditGameHeader", "GameInfo", "S_SBEditGameHeader", false},
    {"SBSaveGame", "FileSave", "S_SBSaveGame", true},
    {"SBPrevGame", "PrevGame", "S_SBPrevGame", false},
    {"SBNextGame", "NextGame", "S_SBNextGame", false},
    {"SBCopyGame", "Copy", "", false},
    {"SBPasteGame", "Paste", "", true},
    {"SBComment", "Comment", "S_SBComment", false},
    {"SBNags1", "Nags1", "S_SBNags1", false},
    {"SBNags2", "Nags2", "S_SBNags2", false},
    {"SBCopyPosition", "CopyPosition", "", true},
    {"SBFlip", "FlipBoard", "S_SBFlip", false},
};

}  // namespace

// ---- The game

LanguageId TMainForm::DisplayLanguage() const {
  return ChessApp.UseFigurines && ChessApp.ApplicationFontHasFigurines ? LangSymbolic
                                                                         : ChessApp.InterfaceLanguage;
}

bool TMainForm::CommentCommandsAllowed() const {
  return !Item("MViewOnly")->isChecked() && DisplayMode != dmTryOut;
}

void TMainForm::ShowGame() {
  const LanguageId lang = DisplayLanguage();
  const int kind = ChessApp.MoveListNotation;
  QStringList rows;
  if (DisplayMode == dmTryOut) {
    const int made = Board->MoveList().Count();
    if (made < TryOutMoves.Count()) rows << ToQ(TryOutMoves.At(made + 1).ToText(kind, lang));
  } else {
    // No single writer gives a continuation with its comment: the move, a
    // blank, the comment.
    for (int i = 1; i <= Game.ChildCount(); ++i) {
      QString text = ToQ(Game.ChildMoveText(i, kind, lang));
      if (!Game.ChildComment(i).empty()) text += " " + GameToQ(Game.ChildComment(i));
      rows << text;
    }
    // The next main-line move stays hidden while only viewing.
    if (Game.ChildCount() > 0 && Item("MViewOnly")->isChecked() && !ChessApp.ShowGameMove && Game.OnMainLine())
      rows[0] = "...";
  }
  // The same rows stay: a click's refill must not swallow the double click
  // that follows it.
  bool same = AlternativesLB->count() == rows.size();
  for (int i = 0; same && i < rows.size(); ++i) same = AlternativesLB->item(i)->text() == rows[i];
  if (!same) {
    AlternativesLB->clear();
    AlternativesLB->addItems(rows);
  }
  if (DisplayMode != dmTryOut && Game.SelectedChild() > 0) AlternativesLB->setCurrentRow(Game.SelectedChild() - 1);
  ShowLastMove();

  ColorToMoveLbl->setText(
      ChessApp.ShowColorToMove ? ToQ(std::string(1, LangColourChar(ChessApp.InterfaceLanguage, Board->SideToMove())))
                               : QString());
  if (ChessApp.ShowMaterialDifference) {
    MatDiffLbl->setText(ToQ(boardlabels::MaterialLabelText(*Board, lang, ChessApp.MaterialDifferencePerspective,
                                                           ChessApp.KnightAndBishopAreEqual)));
  } else {
    MatDiffLbl->clear();
  }
  ResultLbl->setText(DisplayMode != dmTryOut && Game.AtMainLineEnd() ? GameToQ(Game.GetTag("Result")) : QString());

  // The engine's output owns the pane while the engine is enabled.
  if (!EngineEnabled() && DisplayMode != dmTryOut) {
    // The NAG lines are the language's, the comment game text.
    std::string nags;
    for (int i = 1; i <= Game.NagCount(); ++i) nags += NagText(Game.Nag(i)) + "\n";
    const std::string text = nags + Game.Comment();
    CommentMemo->setPlainText(ToQ(nags) + GameToQ(Game.Comment()));
    QPalette pal = CommentMemo->palette();
    pal.setColor(QPalette::Base, palette().color(text.empty() ? QPalette::Button : QPalette::Base));
    CommentMemo->setPalette(pal);
  }
  UpdateCommentCommands();
  // A disabled action ignores its shortcut: Shift+F9 must follow the
  // board's moves, not only the last opening of the menu.
  MBoardClick();
}

void TMainForm::UpdateCommentCommands() {
  const bool comments = CommentCommandsAllowed();
  for (const char *n : {"MComment", "SBComment", "MNags", "SBNags1", "SBNags2", "MNags1ShortCut", "MNags2ShortCut"})
    SetCommandEnabled(n, comments);
}

void TMainForm::ShowLastMove() {
  if (!ChessApp.ShowLastMove) {
    LastMoveLbl->clear();
    return;
  }
  const int kind = ChessApp.LastMoveNotation;
  const std::string text = DisplayMode != dmTryOut ? Game.CurrentMoveText(kind, DisplayLanguage())
                                                   : Board->GetLastMoveText(kind, DisplayLanguage());
  LastMoveLbl->setText(ToQ(text));
}

// ---- Info lines

std::string TMainForm::InfoPartText(layout::PartKind kind) const {
  switch (kind) {
    case layout::PartKind::ECO:
      return Game.GetTag("ECO");
    case layout::PartKind::Players:
      return Game.PlayersLine(ChessApp.ShowELO);
    case layout::PartKind::Event: {
      std::string text = Game.GetTag("Event");
      if (!text.empty()) text += " ";
      const std::string round = Game.GetTag("Round");
      if (!round.empty()) text += "(" + round + ")";
      return text;
    }
    case layout::PartKind::Site: {
      std::string text = Game.GetTag("Site");
      if (!text.empty()) text += " ";
      const std::string date = Game.GetTag("Date");
      if (!date.empty()) text += NormaliseDate(date);
      return text;
    }
  }
  return {};
}

void TMainForm::ShowInfoLines() {
  // A label without a buddy shows "&" as it is: nothing to double.
  size_t k = 0;
  for (auto &line : InfoLines)
    for (layout::InfoPart &p : line) {
      p.text = InfoPartText(p.kind);
      InfoLabels[k++]->setText(GameToQ(p.text));
    }
  BalanceTopLines();
}

void TMainForm::FreeTopLineObjects() {
  for (QLabel *l : InfoLabels) delete l;
  InfoLabels.clear();
  InfoLines.clear();
}

void TMainForm::BuildInfoLines() {
  FreeTopLineObjects();
  layout::InfoOptions o;
  o.showEvent = ChessApp.ShowEvent;
  o.showRound = ChessApp.ShowRound;
  o.showSite = ChessApp.ShowSite;
  o.showDate = ChessApp.ShowDate;
  o.showECO = ChessApp.ShowECO;
  o.showPlayers = ChessApp.ShowPlayers;
  InfoLines = layout::BuildInfoLines(o);
  for (const auto &line : InfoLines)
    for (const layout::InfoPart &p : line) {
      auto *l = new QLabel(TopLinePanel);
      l->setObjectName("InfoLbl");
      l->setAlignment((p.align == layout::Align::Left    ? Qt::AlignLeft
                       : p.align == layout::Align::Right ? Qt::AlignRight
                                                         : Qt::AlignHCenter) |
                      Qt::AlignVCenter);
      l->show();
      InfoLabels.push_back(l);
    }
}

void TMainForm::BalanceTopLines() {
  const QFontMetrics fm(TopLinePanel->font());
  // Two parts of a line keep a gap between their texts; only those lines
  // are balanced, so the gap counts in every width asked for.
  const int gap = fm.horizontalAdvance(QStringLiteral("  "));
  layout::BalanceTopLines(InfoLines, [&](const std::string &t) { return fm.horizontalAdvance(GameToQ(t)) + gap; });
  const int h = fm.height();
  size_t k = 0;
  for (size_t n = 0; n < InfoLines.size(); ++n)
    for (const layout::InfoPart &p : InfoLines[n]) {
      QLabel *l = InfoLabels[k++];
      l->setGeometry(p.left, static_cast<int>(n) * h, p.width, h);
      // A text longer than its part ends in an ellipsis.
      const int room = std::max(p.width - (InfoLines[n].size() == 2 ? gap : 0), 0);
      l->setText(fm.elidedText(GameToQ(p.text), Qt::ElideRight, room));
    }
}

void TMainForm::ArrangeTopLines() {
  const QFontMetrics fm(TopLinePanel->font());
  layout::ArrangeTopLines(InfoLines, Layout.bevel.x, Layout.bevel.w,
                          [&](const std::string &t) { return fm.horizontalAdvance(GameToQ(t)); });
  BalanceTopLines();
}

// ---- Coordinates and layout

void TMainForm::PlaceCoordinateLabels() {
  boardlabels::Place(*Board, *BoardBevel, FileLabels, RankLabels, ChessApp.ShowCoordinates);
}

layout::Input TMainForm::LayoutInput() const {
  layout::Input in;
  in.boardWidth = Board->width();
  in.boardHeight = Board->height();
  in.showCoordinates = ChessApp.ShowCoordinates;
  in.fileLabelHeight = FileLabels[0]->height();
  in.rankLabelWidth = RankLabels[0]->width();
  in.showMoveButtons = ChessApp.ShowMoveButtons;
  in.stepButtonHeight = kStepButtonHeight;
  in.buttonPanelWidth = 5 * kStepButtonWidth + 4 * 2;
  in.lastMoveLabelTop = kLastMoveLabelTop;
  in.lastMoveLabelHeight = LastMoveLbl->height();
  in.infoLineCount = static_cast<int>(InfoLines.size());
  in.textHeightX = QFontMetrics(TopLinePanel->font()).height();
  in.showExtraPanel = ShowExtraPanel;
  in.showUnder = ShowUnder;
  in.showRight = ShowRight;
  in.showLeft = ShowLeft;
  in.extraPanelWidth = ExtraPanelWidth;
  in.extraPanelHeight = ExtraPanelHeight;
  in.showToolbar = ShowToolbar;
  in.toolbarHeight = kToolbarHeight;
  in.showStatusbar = ShowStatusbar;
  in.statusbarHeight = StatusBar->sizeHint().height();
  in.showClocks = ClocksShown;
  in.clockLabelHeight = WhiteClockLbl->sizeHint().height();
  return in;
}

void TMainForm::ArrangeControls(bool preferredSize) {
  arranging_ = true;
  struct Restore {
    bool &flag;
    ~Restore() { flag = false; }
  } restore{arranging_};

  // Label sizes from the fonts in use.
  boardlabels::Size(FileLabels, RankLabels);
  const QFontMetrics labels(LastMoveLbl->font());
  LastMoveLbl->setFixedHeight(labels.height() + 2);

  layout::Input in = LayoutInput();
  const int menuH = menuBar()->sizeHint().height();
  const layout::Result preferred = layout::Arrange(in);
  const bool keepSize = preferred.sizeable && (!preferredSize || isMaximized() || isFullScreen());
  if (keepSize) {
    in = layout::ExtraPanelFromClient(in, preferred, width(), height() - menuH);
    ExtraPanelWidth = in.extraPanelWidth;
    ExtraPanelHeight = in.extraPanelHeight;
    in.givenClientWidth = width();
    in.givenClientHeight = height() - menuH;
  }
  Layout = layout::Arrange(in);
  const layout::Result &r = Layout;
  auto place = [](QWidget *w, const layout::Rect &rc) { w->setGeometry(rc.x, rc.y, rc.w, rc.h); };

  myui::SetBorderStyle(this, r.sizeable ? myui::BorderStyle::Sizeable : myui::BorderStyle::Single);
  StatusBar->setSizeGripEnabled(r.sizeable);

  place(Toolbar, r.toolbar);
  ToolbarMan.Arrange();  // the buttons past its width overflow
  Toolbar->setVisible(ShowToolbar);
  place(StatusBar, r.statusbar);
  StatusBar->setVisible(ShowStatusbar);
  place(TopLinePanel, r.topLinePanel);
  place(BoardPanel, r.boardPanel);
  place(ControlPanel, r.controlPanel);
  place(ButtonPanel, r.buttonPanel);
  ButtonPanel->setVisible(r.buttonPanelShown);
  int x = 0;
  for (QPushButton *b : {SBFirst, SBPrev, SBNext, SBLast, AutoPlayBtn}) {
    b->setGeometry(x, 0, kStepButtonWidth, kStepButtonHeight);
    x += kStepButtonWidth + 2;
  }
  Board->move(r.board.x, r.board.y);
  place(BoardBevel, r.bevel);
  BoardBevel->lower();
  PlaceCoordinateLabels();

  // The labels under the board.
  const int y = kLastMoveLabelTop;
  const int h = LastMoveLbl->height();
  const int third = r.bevel.w / 3;
  ColorToMoveLbl->setGeometry(r.bevel.x, y, 2 * labels.horizontalAdvance('W'), h);
  const int matX = r.bevel.x + (ChessApp.ShowColorToMove ? 2 * labels.horizontalAdvance('W') : 0);
  LastMoveLbl->setGeometry(r.bevel.x + r.bevel.w / 2 - third / 2, y, third, h);
  MatDiffLbl->setGeometry(matX, y, std::max(LastMoveLbl->x() - matX, 0), h);
  const int resultW = std::max(labels.horizontalAdvance("1/2-1/2") + 4, r.bevel.Right() - LastMoveLbl->geometry().right() - 1);
  ResultLbl->setGeometry(r.bevel.Right() - resultW, y, resultW, h);
  SBTryOut->adjustSize();
  SBTryOut->move(r.bevel.Right() - SBTryOut->width(), y + h / 2 - SBTryOut->height() / 2);

  ArrangeTopLines();
  if (ClocksShown) {
    place(WhiteClockLbl, r.whiteClock);
    place(BlackClockLbl, r.blackClock);
    WhiteClockLbl->raise();
    BlackClockLbl->raise();
  }

  if (r.extra == layout::ExtraPlace::Hidden) {
    ExtraPanel->hide();
  } else {
    place(ExtraPanel, r.extraPanel);
    ExtraPanel->show();
    const bool beside = r.extra != layout::ExtraPlace::Under;
    TListBoxMemoSplitPanel *p = AlternativesCommentPanel;
    p->SetAboveEachOther(beside);
    p->SetShowListBox(ChessApp.ShowAlternatives);
    if (beside) {
      // Beside the board, and as much lower as the window is higher.
      const int taller = std::max(r.extraPanel.h - preferred.extraPanel.h, 0);
      p->setGeometry(2, r.bevel.y, r.extraPanel.w - 6, r.bevel.h + taller);
      // Two rows stay visible above a horizontal scroll bar.
      const int rowH = std::max(AlternativesLB->sizeHintForRow(0), QFontMetrics(AlternativesLB->font()).height());
      const int least = 2 * rowH + AlternativesLB->horizontalScrollBar()->sizeHint().height() +
                        2 * AlternativesLB->frameWidth();
      p->SetListBoxHeight(std::max(layout::FitListSize(p->ListBoxHeight(), p->height()), least));
    } else {
      p->setGeometry(r.bevel.x, 0, std::max(r.bevel.w, r.extraPanel.w - 2 * r.bevel.x), r.extraPanel.h - 4);
      p->SetListBoxWidth(layout::FitListSize(p->ListBoxWidth(), p->width()));
    }
  }

  const QSize size(r.clientWidth, r.clientHeight + menuH);
  if (r.sizeable) {
    // Never smaller than the board column with the smallest extra panel.
    const layout::Result least = layout::Arrange(layout::SmallestExtraPanel(in));
    Client->setMinimumSize(least.clientWidth, least.clientHeight);
    Client->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setMinimumSize(least.clientWidth, least.clientHeight + menuH);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (!keepSize) resize(size);
  } else {
    // A fixed size cannot be maximised.
    if (isMaximized() || isFullScreen()) setWindowState(windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
    Client->setFixedSize(r.clientWidth, r.clientHeight);
    setFixedSize(size);
  }
  if (CenterOnce) {
    myui::CenterForm(this);
    CenterOnce = false;
  }
}

void TMainForm::showEvent(QShowEvent *e) {
  QMainWindow::showEvent(e);
  Guarded([&] {
    ShowGame();
    ShowInfoLines();
  });
}

void TMainForm::resizeEvent(QResizeEvent *e) {
  QMainWindow::resizeEvent(e);
  if (!resizeConnected_ || arranging_ || !Layout.sizeable) return;
  Guarded([&] { ArrangeControls(false); });
}

// ---- Toolbar

void TMainForm::SetToolbarButtonGlyph(QAbstractButton *button, const std::string &resource) {
  button->setIcon(myui::LoadGlyph(resource.empty() ? "FileSave" : resource));
  button->setIconSize(QSize(16, 16));
}

void TMainForm::BuildToolbar() {
  ToolbarMan.SetToolbar(Toolbar);
  for (const ToolDef &d : kTools) {
    auto *b = new QToolButton(Toolbar);
    b->setObjectName(d.name);
    b->setAutoRaise(true);
    b->setFocusPolicy(Qt::NoFocus);
    b->setGeometry(0, 2, kToolButtonSize, kToolButtonSize);
    SetToolbarButtonGlyph(b, d.resource);
    b->setEnabled(IsConnected(d.name));
    ToolbarMan.AddButton(b);
    if (d.separatorAfter) ToolbarMan.AddSeparator();
  }
  ToolbarMan.LoadFromIni(ChessApp.SettingsPath(), kMainToolbar);
}

void TMainForm::ApplyToolbarHints() {
  for (const ToolDef &d : kTools) {
    if (!*d.hintKey) continue;
    if (auto *b = Toolbar->findChild<QToolButton *>(d.name)) {
      const std::string *c = CommonText::FindCaption(d.hintKey);
      b->setToolTip(c ? ToQ(*c) : QString());
    }
  }
}
