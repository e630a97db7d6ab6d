// The main window's game-editing commands: the comment, NAG and header
// dialogs, the read-error dialog of a paste, and the two NAG menus.
#include <QAbstractButton>
#include <QAction>
#include <QCursor>
#include <QMenu>

#include "app/DlgComment.h"
#include "app/DlgEditGIEx.h"
#include "app/DlgEditNags.h"
#include "app/DlgParseError.h"
#include "app/Forms.h"
#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "chess/NagSymbols.h"
#include "foundation/CommonText.h"
#include "foundation/ui/Hints.h"
#include "foundation/ui/QtStr.h"

namespace {
constexpr int kNags1[] = {1, 2, 3, 4, 5, 6, 8};
constexpr int kNags2[] = {11, 13, 14, 15, 16, 17, 18, 19};
}  // namespace

void TMainForm::ConnectButton(const std::string &name, void (TMainForm::*handler)()) {
  auto *b = findChild<QAbstractButton *>(QString::fromStdString(name));
  if (!b) return;
  connected_.insert(name);
  connect(b, &QAbstractButton::clicked, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  b->setEnabled(true);
}

void TMainForm::ConnectEditCommands() {
  Connect("MComment", &TMainForm::MCommentClick);
  ConnectButton("SBComment", &TMainForm::MCommentClick);
  Connect("MNags", &TMainForm::MNagsClick);
  ConnectButton("SBNags1", &TMainForm::SBNags1Click);
  ConnectButton("SBNags2", &TMainForm::SBNags2Click);
  Connect("MNags1ShortCut", &TMainForm::MNags1ShortCutClick);
  Connect("MNags2ShortCut", &TMainForm::MNags2ShortCutClick);
  Connect("MEditGameHeader", &TMainForm::MEditGameHeaderClick);
  ConnectButton("SBEditGameHeader", &TMainForm::MEditGameHeaderClick);
  UpdateCommentCommands();
}

// ---- The dialogs

void TMainForm::AfterAnnotationChange() {
  UpdateSaveGameItem();
  ShowGame();
}

void TMainForm::MCommentClick() {
  if (!CommentCommandsAllowed()) return;
  StopAutoPlay();
  CommentDlg->Encoding = TextEncoding();
  CommentDlg->SetCommentText(Game.Comment());
  if (CommentDlg->Execute() != QDialog::Accepted) return;
  Game.SetComment(CommentDlg->GetCommentText());
  ResetMoveEntry();
  AfterAnnotationChange();
}

void TMainForm::MNagsClick() {
  if (!CommentCommandsAllowed()) return;
  StopAutoPlay();
  TEditNagsDlg &d = *EditNagsDlg;
  d.Language = ChessApp.ApplicationLanguage;
  d.AllNags = !ChessApp.UseSimpleNags;
  d.Side = Game.SideToMove() == cWhite ? cBlack : cWhite;
  d.Nags.Clear();
  for (int i = 1; i <= Game.NagCount(); ++i) d.Nags.Add(Game.Nag(i));
  if (d.Execute() != QDialog::Accepted || !d.Changed) return;
  Game.ClearNags();
  for (int i = 1; i <= d.Nags.Count(); ++i) Game.AddNag(d.Nags.Get(i));
  Game.SetModified(mfEdited);
  ResetMoveEntry();
  AfterAnnotationChange();
}

void TMainForm::MEditGameHeaderClick() {
  StopAutoPlay();
  TEditGameInfoExDlg &d = *EditGameInfoExDlg;
  d.Info.Assign(Game.GameInfo());
  d.ReadOnly = Item("MViewOnly")->isChecked();
  d.Language = ChessApp.ApplicationLanguage;
  d.Encoding = TextEncoding();
  if (d.Execute() != QDialog::Accepted || !d.Changed || d.ReadOnly) return;
  Game.SetGameInfo(d.Info);
  Game.SetModified(mfEdited);
  UpdateSaveGameItem();
  ShowInfoLines();
  ShowGame();
}

std::string TMainForm::ParseErrorCallback(const std::string &text, const ParseResultT &result, bool &retry) {
  TParseErrorDlg &d = *ParseErrorDlg;
  d.Text = text;
  d.Encoding = TextEncoding();
  d.Result = result;
  ui::Beep();
  retry = d.Execute() == QDialog::Accepted;
  return retry ? d.Text : text;
}

// ---- The NAG menus

void TMainForm::ClearNagMenu(QMenu *menu) {
  const QList<QAction *> items = menu->actions();
  for (qsizetype i = 0; i + 2 < items.size(); ++i) delete items[i];
}

void TMainForm::AddNagMenuItem(QMenu *menu, const std::string &caption, const std::string &hint, int nag) {
  const QList<QAction *> items = menu->actions();
  auto *a = new QAction(ToQ(caption), menu);
  a->setObjectName(QStringLiteral("Nag%1").arg(nag));
  a->setData(nag);
  myui::SetHint(a, hint);
  menu->insertAction(items.size() >= 2 ? items[items.size() - 2] : nullptr, a);
  connect(a, &QAction::triggered, this, [this, nag] { Guarded([&] { NagMenuItemClick(nag); }); });
}

void TMainForm::BuildNagMenus() {
  struct MenuDef {
    QMenu *menu;
    const char *clearName;
    void (TMainForm::*clear)();
  };
  for (const MenuDef &m : {MenuDef{Nags1Menu, "MClearNags1", &TMainForm::MClearNags1Click},
                           MenuDef{Nags2Menu, "MClearNags2", &TMainForm::MClearNags2Click}}) {
    if (m.menu->actions().isEmpty()) {
      m.menu->addSeparator();
      QAction *clear = m.menu->addAction(QString());
      clear->setObjectName(m.clearName);
      auto handler = m.clear;
      connect(clear, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    }
    m.menu->actions().last()->setText(ToQ(CommonText::S_MClearNags));
    ClearNagMenu(m.menu);
  }
  // The symbols as captions ("Only Move" for 8), the descriptions as hints.
  for (int nag : kNags1) AddNagMenuItem(Nags1Menu, NagSymbolText(nag), NagText(nag), nag);
  for (int nag : kNags2) AddNagMenuItem(Nags2Menu, NagSymbolText(nag), NagText(nag), nag);
}

void TMainForm::NagMenuItemClick(int nag) {
  if (!CommentCommandsAllowed()) return;
  StopAutoPlay();
  Game.RemoveNagGroup(nag);
  Game.AddNag(nag);
  AfterAnnotationChange();
}

void TMainForm::MClearNags1Click() {
  if (!CommentCommandsAllowed()) return;
  StopAutoPlay();
  Game.RemoveNagGroup(kNags1[0]);
  AfterAnnotationChange();
}

void TMainForm::MClearNags2Click() {
  if (!CommentCommandsAllowed()) return;
  StopAutoPlay();
  Game.RemoveNagGroup(kNags2[0]);
  AfterAnnotationChange();
}

void TMainForm::PopUpNagMenu(QMenu *menu, const char *button) {
  if (!CommentCommandsAllowed()) return;
  StopAutoPlay();
  // popup, not exec: a nested loop here would wait on the user inside a
  // handler. Under the button's left edge; at the pointer while the toolbar
  // hides the button.
  auto *b = findChild<QAbstractButton *>(button);
  menu->popup(b && b->isVisible() ? b->mapToGlobal(QPoint(0, b->height())) : QCursor::pos());
}

void TMainForm::SBNags1Click() { PopUpNagMenu(Nags1Menu, "SBNags1"); }
void TMainForm::SBNags2Click() { PopUpNagMenu(Nags2Menu, "SBNags2"); }
void TMainForm::MNags1ShortCutClick() { PopUpNagMenu(Nags1Menu, "SBNags1"); }
void TMainForm::MNags2ShortCutClick() { PopUpNagMenu(Nags2Menu, "SBNags2"); }
