// The main window's clipboard commands: the game copied as PGN, text, RTF
// or HTML, the position as a picture, FEN or EPD, and games and positions
// pasted from text. Each family has a chosen item, which carries the
// family's shortcut and is what its toolbar button does.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QToolButton>
#include <algorithm>

#include "app/ClipboardText.h"
#include "app/DlgDiagramTexts.h"
#include "app/Forms.h"
#include "app/Guard.h"
#include "app/Main.h"
#include "appman/ChessAppMan.h"
#include "board/ui/ChsBrds.h"
#include "board/ui/DiagramBitmap.h"
#include "chess/Language.h"
#include "chess/ParsePGN.h"
#include "chess/PrintPGN.h"
#include "foundation/Common.h"
#include "foundation/CommonText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/Hints.h"
#include "foundation/ui/MyUtilsUi.h"
#include "foundation/ui/QtStr.h"
#include "platform/UiHooks.h"

namespace {

// A family of clipboard items: the item names' prefix, the names in menu
// order (the first is the default), the shortcut, the toolbar button, and
// the texts of its hint.
struct Family {
  const char *prefix;
  std::vector<const char *> names;
  const char *shortcut;
  const char *button;
  const std::string *caption;
  const char *statusHintKey;
};

const Family &FamilyAt(int i) {
  static const Family kFamilies[3] = {
      {"MGameAs", {"PGN", "Text", "RTF", "HTML"}, "Ctrl+C", "SBCopyGame", &CommonText::S_CopyGameAsFamily,
       "S_MCopyGameAsStatusHint"},
      {"MPositionAs", {"Bitmap", "RTF", "HTML", "FEN", "EPD"}, "Ctrl+D", "SBCopyPosition",
       &CommonText::S_CopyPositionAsFamily, "S_MCopyPositionAsStatusHint"},
      {"MGameFrom", {"PGN", "Text"}, "Ctrl+V", "SBPasteGame", &CommonText::S_PasteGameFromFamily,
       "S_MPasteGameFromStatusHint"},
  };
  return kFamilies[i];
}

constexpr int kCopyGame = 0, kCopyDiagram = 1, kPasteGame = 2;

bool ClipboardHasText() {
  const QMimeData *m = QGuiApplication::clipboard()->mimeData();
  return m && m->hasText();
}

// Pasted text is Unicode: game text in it is written in the encoding given.
std::string ClipboardText(win1252::TextEncoding encoding) {
  return cliptext::LfLines(GameFromQ(QGuiApplication::clipboard()->text(), encoding));
}

// Game text in a copy reads as it does on screen.
void CopyText(const std::string &text) { QGuiApplication::clipboard()->setText(GameTextsToQ(cliptext::LfLines(text))); }

int LineLength() { return ChessApp.UseHRTInCopy ? ChessApp.CopyLineLength : 0; }

// The glyph map of a described and installed chess font; else the name
// alone with an empty map.
ChessFontInfoRec FontInfo(const std::string &name) {
  ChessFontInfoRec info;
  if (!ChessApp.Fonts().GetInfoByName(name, info)) {
    info = ChessFontInfoRec();
    info.faceName = name;
  }
  return info;
}

// The copy-game options shared by text, RTF and HTML.
PrintGameOptionsRec CopyGameOptions(uint8_t format) {
  PrintGameOptionsRec o;
  o.format = format;
  o.width = LineLength();
  o.diagrams = ChessApp.ShowDiagsInCopyGame;
  o.variationsOnNewLine = ChessApp.SeparateAlternativesInCopyGame;
  o.blankLineAroundVariations = ChessApp.UseExtraSeparationInCopyGame;
  o.commentBraces = ChessApp.CommentsInBracketsInCopyGame;
  o.squareBrackets = ChessApp.SquareBracketsForAlternatives;
  o.boldMainLine = ChessApp.MainLineInBoldInCopyGame;
  o.justify = ChessApp.JustifyMoveText;
  o.diagramCoordinates = ChessApp.DiagsWithCoordinatesInCopyGame;
  o.diagramCaption = ChessApp.CopyGameDiagUseLabels;
  o.captionTop = ChessApp.CopyGameDiagTopTextType == DiagramTextTypeT::Players ? dcPlayers : dcNone;
  switch (ChessApp.CopyGameDiagBottomTextType) {
    case DiagramTextTypeT::LastMove:
      o.captionKind = dcLastMove;
      break;
    case DiagramTextTypeT::ColorToMove:
      o.captionKind = dcColorToMove;
      break;
    default:
      o.captionKind = dcNone;
      break;
  }
  return o;
}

}  // namespace

void TMainForm::ConnectClipboardCommands() {
  Connect("MGameAsPGN", &TMainForm::MGameAsPGNClick);
  Connect("MGameAsText", &TMainForm::MGameAsTextClick);
  Connect("MGameAsRTF", &TMainForm::MGameAsRTFClick);
  Connect("MGameAsHTML", &TMainForm::MGameAsHTMLClick);
  ConnectButton("SBCopyGame", &TMainForm::CopyGame);
  Connect("MPositionAsBitmap", &TMainForm::MPositionAsBitmapClick);
  Connect("MPositionAsRTF", &TMainForm::MPositionAsRTFClick);
  Connect("MPositionAsHTML", &TMainForm::MPositionAsHTMLClick);
  Connect("MPositionAsFEN", &TMainForm::MPositionAsFENClick);
  Connect("MPositionAsEPD", &TMainForm::MPositionAsEPDClick);
  ConnectButton("SBCopyPosition", &TMainForm::CopyPosition);
  Connect("MGameFromPGN", &TMainForm::MGameFromPGNClick);
  Connect("MGameFromText", &TMainForm::MGameFromTextClick);
  ConnectButton("SBPasteGame", &TMainForm::PasteGame);
  Connect("MPositionFromFEN", &TMainForm::MPositionFromFENClick);
  Connect("MPositionFromEPD", &TMainForm::MPositionFromEPDClick);
  // The submenus follow their items; the paste ones the clipboard.
  for (const char *n : {"MCopyGameAs", "MCopyPositionAs", "MPasteGameFrom", "MPastePositionFrom"})
    connected_.insert(n);
  SetCommandEnabled("MCopyGameAs", true);
  SetCommandEnabled("MCopyPositionAs", true);
  connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { Guarded([&] { UpdatePasteItems(); }); });
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive) Guarded([&] { AppActivate(); });
  });
  connect(Menu("MGame"), &QMenu::aboutToShow, this, [this] { Guarded([&] { MGameClick(); }); });
  UpdatePasteItems();
  UpdateButtonHints();
}

void TMainForm::AppActivate() { UpdatePasteItems(); }

void TMainForm::MGameClick() { UpdatePasteItems(); }

// ---- The chosen items

namespace {

// The family's index of an item; -1 when it is none of the family's.
int IndexIn(const Family &f, const QAction *item) {
  if (!item) return -1;
  const std::string name = item->objectName().toStdString();
  for (size_t i = 0; i < f.names.size(); ++i)
    if (name == std::string(f.prefix) + f.names[i]) return static_cast<int>(i);
  return -1;
}

void ChooseItem(TMainForm &form, std::array<QAction *, 3> &chosen, int family, QAction *item) {
  const Family &f = FamilyAt(family);
  if (IndexIn(f, item) < 0) return;
  for (const char *n : f.names)
    if (QAction *a = form.Item(std::string(f.prefix) + n)) a->setShortcut(QKeySequence());
  item->setShortcut(QKeySequence(QString::fromLatin1(f.shortcut)));
  chosen[family] = item;
}

std::string ChosenName(const std::array<QAction *, 3> &chosen, int family) {
  const Family &f = FamilyAt(family);
  const int i = IndexIn(f, chosen[family]);
  return i < 0 ? std::string() : f.names[i];
}

// The item of the name; the family's default for an unknown name.
QAction *ItemByName(const TMainForm &form, int family, const std::string &name) {
  const Family &f = FamilyAt(family);
  const bool known = std::any_of(f.names.begin(), f.names.end(), [&](const char *n) { return name == n; });
  return form.Item(std::string(f.prefix) + (known ? name : std::string(f.names[0])));
}

}  // namespace

void TMainForm::SetCopyGameItem(QAction *item) {
  ChooseItem(*this, chosen_, kCopyGame, item);
  UpdateButtonHints();
}

void TMainForm::SetCopyDiagramItem(QAction *item) {
  ChooseItem(*this, chosen_, kCopyDiagram, item);
  UpdateButtonHints();
}

void TMainForm::SetPasteGameItem(QAction *item) {
  ChooseItem(*this, chosen_, kPasteGame, item);
  UpdateButtonHints();
}

std::string TMainForm::GetCopyGameAs() const { return ChosenName(chosen_, kCopyGame); }
std::string TMainForm::GetCopyDiagramAs() const { return ChosenName(chosen_, kCopyDiagram); }
std::string TMainForm::GetPasteGameFrom() const { return ChosenName(chosen_, kPasteGame); }

void TMainForm::SetCopyGameAs(const std::string &name) { SetCopyGameItem(ItemByName(*this, kCopyGame, name)); }
void TMainForm::SetCopyDiagramAs(const std::string &name) {
  SetCopyDiagramItem(ItemByName(*this, kCopyDiagram, name));
}
void TMainForm::SetPasteGameFrom(const std::string &name) { SetPasteGameItem(ItemByName(*this, kPasteGame, name)); }

void TMainForm::UpdateButtonHints() {
  for (int family = 0; family < 3; ++family) {
    const Family &f = FamilyAt(family);
    auto *b = findChild<QToolButton *>(f.button);
    if (!b || !chosen_[family]) continue;
    const std::string *status = CommonText::FindCaption(f.statusHintKey);
    const std::string *item = CommonText::FindCaption("S_" + chosen_[family]->objectName().toStdString());
    myui::SetHint(b, cliptext::ChooserHint(*f.caption, item ? *item : std::string(), status ? *status : std::string()));
  }
}

void TMainForm::UpdatePasteItems() {
  const bool text = ClipboardHasText();
  SetCommandEnabled("MPasteGameFrom", text);
  SetCommandEnabled("SBPasteGame", text);
  SetCommandEnabled("MPastePositionFrom", text);
}

void TMainForm::CopyGame() {
  if (chosen_[kCopyGame]) chosen_[kCopyGame]->trigger();
}

void TMainForm::CopyPosition() {
  if (chosen_[kCopyDiagram]) chosen_[kCopyDiagram]->trigger();
}

void TMainForm::PasteGame() {
  if (chosen_[kPasteGame]) chosen_[kPasteGame]->trigger();
}

// ---- Copy game

void TMainForm::MGameAsPGNClick() {
  StopAutoPlay();
  CopyText(ToText(Game, PgnOptions(LineLength()), LangEnglish));
  SetCopyGameItem(Item("MGameAsPGN"));
  UpdatePasteItems();
}

void TMainForm::MGameAsTextClick() {
  StopAutoPlay();
  CopyText(ToText(Game, CopyGameOptions(pfText), ChessApp.CopyLanguage));
  SetCopyGameItem(Item("MGameAsText"));
  UpdatePasteItems();
}

void TMainForm::MGameAsRTFClick() {
  StopAutoPlay();
  PrintGameOptionsRec o = CopyGameOptions(pfRTF);
  o.font = FontInfo(ChessApp.RTFGameFontName);
  o.diagramFont = FontInfo(ChessApp.RTFDiagramFontName);
  o.figurines = ChessApp.UseFigurinesInRTFGame;
  o.gameFontSize = ChessApp.RTFGameFontSize;
  o.diagramFontSize = ChessApp.RTFDiagramFontSize;
  o.rtfHeader = RtfHeader("Arial", ChessApp.RTFGameFontName, ChessApp.RTFDiagramFontName);
  myui::CopyToClipboardAsRTF(cliptext::LfLines(ToText(Game, o, ChessApp.CopyLanguage)));
  SetCopyGameItem(Item("MGameAsRTF"));
  UpdatePasteItems();
}

void TMainForm::MGameAsHTMLClick() {
  StopAutoPlay();
  PrintGameOptionsRec o = CopyGameOptions(pfHTML);
  o.imageFolder = ChessApp.GIFPath;
  o.figurines = ChessApp.UseFigurinesInHTMLGame;
  o.htmlBorderWidth = ChessApp.HTMLBorderWidth;
  myui::CopyToClipboardAsHTML(cliptext::LfLines(ToText(Game, o, ChessApp.CopyLanguage)));
  SetCopyGameItem(Item("MGameAsHTML"));
  UpdatePasteItems();
}

// ---- Copy position

void TMainForm::MPositionAsBitmapClick() {
  StopAutoPlay();
  // A set that is not registered raises here, before the clipboard changes.
  const QImage image =
      DrawPositionBitmap(Board->Position().Base(), static_cast<BmpSizeT>(ChessApp.PieceTypeForCopy), true, false);
  QGuiApplication::clipboard()->setImage(image);
  SetCopyDiagramItem(Item("MPositionAsBitmap"));
}

void TMainForm::MPositionAsHTMLClick() {
  StopAutoPlay();
  std::string top, bottom;
  if (!GetDiagramTexts(pfHTML, top, bottom)) return;
  const std::string diagram = Board->GetPositionAsHTML(ChessApp.GIFPath, ChessApp.HTMLBorderWidth);
  myui::CopyToClipboardAsHTML(
      GameTextsToQ(cliptext::LfLines(cliptext::HtmlPosition(top, diagram, bottom, ChessApp.CenterDiagrams))));
  SetCopyDiagramItem(Item("MPositionAsHTML"));
}

void TMainForm::MPositionAsRTFClick() {
  StopAutoPlay();
  std::string top, bottom;
  if (!GetDiagramTexts(pfRTF, top, bottom)) return;
  // No option asks for coordinates in a copied position.
  const std::string diagram = Board->GetPositionAsRTF(FontInfo(ChessApp.RTFDiagramFontName), false);
  const std::string body = cliptext::RtfPosition(top, diagram, bottom, ChessApp.CenterDiagrams,
                                                 ChessApp.RTFGameFontSize, ChessApp.RTFDiagramFontSize);
  myui::CopyToClipboardAsRTF(cliptext::LfLines(
      RtfHeader("Arial", ChessApp.RTFGameFontName, ChessApp.RTFDiagramFontName) + body + RtfFooter()));
  SetCopyDiagramItem(Item("MPositionAsRTF"));
}

bool TMainForm::GetDiagramTexts(std::uint8_t format, std::string &top, std::string &bottom) {
  top.clear();
  bottom.clear();
  if (!ChessApp.CopyDiagUseLabels) return true;
  TDiagramTextsDlg &d = *DiagramTextsDlg;
  d.TopType = ChessApp.CopyDiagTopTextType;
  d.BottomType = ChessApp.CopyDiagBottomTextType;
  if (d.Execute() != QDialog::Accepted) return false;
  ChessApp.CopyDiagTopTextType = d.TopType;
  ChessApp.CopyDiagBottomTextType = d.BottomType;

  const bool rtf = format == pfRTF;
  // The user's and the game's texts may hold anything.
  auto escape = [rtf](const std::string &text) { return rtf ? RtfText(text) : HtmlCharRefs(HtmlEscape(text)); };
  if (d.TopType == DiagramTextTypeT::Players)
    top = escape(Game.PlayersLine(false));
  else if (d.TopType == DiagramTextTypeT::Custom)
    top = escape(d.TopText);

  if (d.BottomType == DiagramTextTypeT::Custom) {
    bottom = escape(d.BottomText);
  } else if (d.BottomType == DiagramTextTypeT::LastMove || d.BottomType == DiagramTextTypeT::ColorToMove) {
    DisplayOptionsRec display;
    ChessFontInfoRec font;
    if (rtf) {
      // Figurines only from a described chess font that is installed.
      const bool installed = ChessApp.Fonts().GetInfoByName(ChessApp.RTFGameFontName, font);
      font.rtfPrefix = RtfFontSize(1, ChessApp.RTFGameFontSize) + " ";
      font.rtfSuffix = "\\f0 ";
      display.rtf = true;
      display.font = &font;
      display.figurine = ChessApp.UseFigurinesInRTFGame && installed;
    } else {
      display.html = true;
      display.figurine = ChessApp.UseFigurinesInHTMLGame;
      display.imageFolder = ChessApp.GIFPath;
    }
    const std::uint8_t kind = d.BottomType == DiagramTextTypeT::LastMove ? dcLastMove : dcColorToMove;
    bottom = DiagramBottomText(kind, *Game.CurrentNode(), Game.SideToMove(), ChessApp.CopyLanguage, display);
    // A language file may give the move's piece letters any byte.
    if (rtf) bottom = RtfEscapeNonAscii(bottom);
  }
  return true;
}

void TMainForm::MPositionAsFENClick() {
  StopAutoPlay();
  CopyText(Board->Position().GetFEN());
  SetCopyDiagramItem(Item("MPositionAsFEN"));
}

void TMainForm::MPositionAsEPDClick() {
  StopAutoPlay();
  CopyText(Board->Position().GetEPD());
  SetCopyDiagramItem(Item("MPositionAsEPD"));
}

// ---- Paste

void TMainForm::MGameFromPGNClick() {
  PasteGameFromClipboard(LangEnglish);
  SetPasteGameItem(Item("MGameFromPGN"));
}

void TMainForm::MGameFromTextClick() {
  PasteGameFromClipboard(ChessApp.PasteLanguage);
  SetPasteGameItem(Item("MGameFromText"));
}

namespace {

// The reading gave no more than an empty text gives: no move, no comment,
// no tag but those the reader adds, the standard start.
bool ReadsNothing(const GameO &game) {
  GameO empty;
  ParseResultT result;
  empty.ReadFromString(std::string(), LangEnglish, result);
  if (game.Root()->ChildCount() > 0 || !game.Root()->Comment().empty() ||
      !game.StartPosition().SameAs(empty.StartPosition()))
    return false;
  // A failed reading stops before the tags a finished one adds.
  const GameInfoO &tags = game.GameInfo(), &added = empty.GameInfo();
  for (int i = 1; i <= tags.TagCount(); ++i)
    if (added.GetTag(tags.TagName(i)) != tags.TagValue(i)) return false;
  return true;
}

}  // namespace

void TMainForm::PasteGameFromClipboard(LanguageId language) {
  if (!ClipboardHasText()) return ui::Beep();
  StopAutoPlay();
  if (!AskSaveGame()) return;
  // The readings go to a game of their own first: one that gives nothing
  // at all (no tag, no move, no comment) leaves the current game as it was.
  // Otherwise the game is replaced by the last reading, a failed one by
  // what was read up to the error, so giving up keeps that.
  std::string text = ClipboardText(TextEncoding());
  ParseResultT result;
  auto trial = std::make_unique<GameO>();
  while (!trial->ReadFromString(text, language, result, true)) {
    bool retry = false;
    text = ParseErrorCallback(text, result, retry);
    if (!retry) break;
  }
  if (ReadsNothing(*trial)) return ui::Beep();
  trial.reset();
  if (DisplayMode == dmTryOut) LeaveTryOut();
  Item("MViewOnly")->setChecked(false);
  DisplayMode = dmEdit;
  Game.ReadFromString(text, language, result, true);
  Game.SetModified(mfEdited);
  UpdateSaveGameItem();
  CurrentGameNumber = 0;
  // The loader's view goes first: the display below reads both.
  ApplyLoadModes();
  ShowLoadedGame(0, false);
  if (FileOpen) UpdateGameNavigation();
}

namespace {

// A new game from the clipboard's text read as a FEN or EPD position; a
// beep when there is no text or it gives no possible position.
void PastePosition(TMainForm &form, bool epd) {
  if (!ClipboardHasText()) return ui::Beep();
  form.StopAutoPlay();
  PositionO position;
  const std::string text = ClipboardText(form.TextEncoding());
  if (!(epd ? position.SetEPD(text) : position.SetFEN(text))) return ui::Beep();
  form.NewGameFromPosition(position);
}

}  // namespace

void TMainForm::MPositionFromFENClick() { PastePosition(*this, false); }

void TMainForm::MPositionFromEPDClick() { PastePosition(*this, true); }
