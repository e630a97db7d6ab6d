#include "foundation/ui/MyUtilsUi.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "foundation/GenText.h"
#include "foundation/MyUtils.h"
#include "foundation/ui/ModalSeam.h"
#include "foundation/ui/QtStr.h"
#include "platform/IniFile.h"
#include "platform/Win1252.h"

namespace myui {

namespace {

// ---- Captions ----

std::string TypeTitle(ui::MsgType type) {
  switch (type) {
    case ui::MsgType::Warning:
      return GenText::SMsgDlgWarning;
    case ui::MsgType::Error:
      return GenText::SMsgDlgError;
    case ui::MsgType::Information:
      return GenText::SMsgDlgInformation;
    case ui::MsgType::Confirmation:
      return GenText::SMsgDlgConfirm;
    case ui::MsgType::Custom:
      break;
  }
  return FromQ(QGuiApplication::applicationDisplayName());
}

struct ButtonDef {
  ui::MsgButton bit;
  const char *name;
  int result;
};

// Left to right.
constexpr ButtonDef kButtons[] = {
    {ui::mbYes, "Yes", ui::mrYes},
    {ui::mbNo, "No", ui::mrNo},
    {ui::mbOK, "OK", ui::mrOk},
    {ui::mbCancel, "Cancel", ui::mrCancel},
    {ui::mbAbort, "Abort", ui::mrAbort},
    {ui::mbRetry, "Retry", ui::mrRetry},
    {ui::mbIgnore, "Ignore", ui::mrIgnore},
    {ui::mbAll, "All", ui::mrAll},
    {ui::mbNoToAll, "NoToAll", ui::mrNoToAll},
    {ui::mbYesToAll, "YesToAll", ui::mrYesToAll},
    {ui::mbHelp, "Help", ui::mrNone},
};

std::string ButtonCaption(ui::MsgButton bit) {
  switch (bit) {
    case ui::mbYes:
      return GenText::SMsgDlgYes;
    case ui::mbNo:
      return GenText::SMsgDlgNo;
    case ui::mbOK:
      return GenText::SMsgDlgOK;
    case ui::mbCancel:
      return GenText::SMsgDlgCancel;
    case ui::mbAbort:
      return GenText::SMsgDlgAbort;
    case ui::mbRetry:
      return GenText::SMsgDlgRetry;
    case ui::mbIgnore:
      return GenText::SMsgDlgIgnore;
    case ui::mbAll:
      return GenText::SMsgDlgAll;
    case ui::mbNoToAll:
      return GenText::SMsgDlgNoToAll;
    case ui::mbYesToAll:
      return GenText::SMsgDlgYesToAll;
    case ui::mbHelp:
      return GenText::SMsgDlgHelp;
  }
  return {};
}

QStyle::StandardPixmap TypeIcon(ui::MsgType type, bool &has) {
  has = true;
  switch (type) {
    case ui::MsgType::Warning:
      return QStyle::SP_MessageBoxWarning;
    case ui::MsgType::Error:
      return QStyle::SP_MessageBoxCritical;
    case ui::MsgType::Information:
      return QStyle::SP_MessageBoxInformation;
    case ui::MsgType::Confirmation:
      return QStyle::SP_MessageBoxQuestion;
    case ui::MsgType::Custom:
      break;
  }
  has = false;
  return QStyle::SP_MessageBoxInformation;
}

QScreen *ScreenOf(const QWidget *w) {
  QScreen *s = w ? w->screen() : nullptr;
  return s ? s : QGuiApplication::primaryScreen();
}

QRect ScreenRect(const QWidget *w) {
  QScreen *s = ScreenOf(w);
  return s ? s->geometry() : QRect(0, 0, 800, 600);
}

}  // namespace

// ---- Message dialogs ----

TMessageForm::TMessageForm(QWidget *owner) : QDialog(owner) {
  setFont(QApplication::font("QMessageBox"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);
}

void TMessageForm::HelpButtonClick() { myui::ShowMessage(GenText::SMsgDlgHelpNone); }

void TMessageForm::reject() { done(ui::CancelResult(Buttons)); }

QSize GetAveCharSize(const QFont &font) {
  QFontMetrics fm(font);
  const QString letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  return QSize(fm.horizontalAdvance(letters) / 52, fm.height());
}

TMessageForm *CreateMessageDialog(const std::string &msg, ui::MsgType type, unsigned buttons,
                                  int defaultButton) {
  auto *form = new TMessageForm(nullptr);
  form->Buttons = buttons;
  form->setWindowTitle(ToQ(TypeTitle(type)));

  // Measures in dialog units: a horizontal unit is a quarter of the average
  // character width, a vertical one an eighth of the character height.
  const QSize ave = GetAveCharSize(form->font());
  auto hu = [&](int n) { return n * ave.width() / 4; };
  auto vu = [&](int n) { return n * ave.height() / 8; };
  const int hMargin = hu(8), vMargin = vu(8), hSpacing = hu(10), vSpacing = vu(10);
  const int buttonSpacing = hu(4), buttonHeight = vu(14);
  int buttonWidth = hu(50);

  const QRect screen = ScreenRect(nullptr);
  const QString text = ToQ(msg);
  QFontMetrics fm(form->font());
  QRect textRect = fm.boundingRect(QRect(0, 0, screen.width() / 2, 0),
                                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);

  bool hasIcon;
  QStyle::StandardPixmap iconKind = TypeIcon(type, hasIcon);
  const int iconSize = hasIcon ? 32 : 0;
  const int iconTextWidth = textRect.width() + (hasIcon ? iconSize + hSpacing : 0);
  const int iconTextHeight = std::max(iconSize, textRect.height());

  std::vector<const ButtonDef *> defs;
  for (const auto &b : kButtons) {
    if (!(buttons & b.bit)) continue;
    defs.push_back(&b);
    // A translated caption never gets clipped.
    buttonWidth =
        std::max(buttonWidth, fm.horizontalAdvance(ToQ(RemoveAccelerator(ButtonCaption(b.bit)))) + hu(8));
  }
  const int n = static_cast<int>(defs.size());
  const int groupWidth = n > 0 ? n * buttonWidth + (n - 1) * buttonSpacing : 0;
  const int clientWidth = std::max(iconTextWidth, groupWidth) + 2 * hMargin;
  const int clientHeight = iconTextHeight + vSpacing + buttonHeight + 2 * vMargin;
  form->setFixedSize(clientWidth, clientHeight);
  form->move(screen.x() + screen.width() / 2 - clientWidth / 2,
             screen.y() + screen.height() / 2 - clientHeight / 2);

  auto *image = new QLabel(form);
  image->setObjectName("Image");
  if (hasIcon) {
    image->setPixmap(form->style()->standardIcon(iconKind, nullptr, form).pixmap(iconSize, iconSize));
    image->setGeometry(hMargin, vMargin, iconSize, iconSize);
  } else {
    image->setGeometry(hMargin, vMargin, 0, 0);
    image->hide();
  }
  auto *label = new QLabel(form);
  label->setObjectName("Message");
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setText(text);
  label->setGeometry(hMargin + (hasIcon ? iconSize + hSpacing : 0), vMargin, textRect.width(),
                     textRect.height());

  const int defaultResult = defaultButton != ui::mrNone ? defaultButton : ui::DefaultResult(buttons);
  int x = (clientWidth - groupWidth) / 2;
  const int y = iconTextHeight + vMargin + vSpacing;
  for (const ButtonDef *b : defs) {
    auto *button = new QPushButton(ToQ(ButtonCaption(b->bit)), form);
    button->setObjectName(b->name);
    button->setGeometry(x, y, buttonWidth, buttonHeight);
    button->setAutoDefault(false);
    if (b->bit == ui::mbHelp) {
      QObject::connect(button, &QPushButton::clicked, form, [form] { form->HelpButtonClick(); });
    } else {
      if (b->result == defaultResult) {
        button->setDefault(true);
        button->setFocus();
      }
      const int result = b->result;
      QObject::connect(button, &QPushButton::clicked, form, [form, result] { form->done(result); });
    }
    x += buttonWidth + buttonSpacing;
  }
  return form;
}

int MessageDlgPos(const std::string &msg, ui::MsgType type, unsigned buttons, int helpContext, int x, int y) {
  // Ending on a signal no dialog runs; the text is not lost for that.
  if (modal::Ending()) std::fprintf(stderr, "%s\n", msg.c_str());
  std::unique_ptr<TMessageForm> form(CreateMessageDialog(msg, type, buttons));
  form->HelpContext = helpContext;
  if (x >= 0 || y >= 0) form->move(x >= 0 ? x : form->x(), y >= 0 ? y : form->y());
  return modal::Exec(*form);
}

int MessageDlg(const std::string &msg, ui::MsgType type, unsigned buttons, int helpContext) {
  return MessageDlgPos(msg, type, buttons, helpContext, -1, -1);
}

void ShowMessage(const std::string &msg) { MessageDlgPos(msg, ui::MsgType::Custom, ui::mbOK, 0, -1, -1); }

void ShowMessagePos(const std::string &msg, int x, int y) {
  MessageDlgPos(msg, ui::MsgType::Custom, ui::mbOK, 0, x, y);
}

// ---- Window placement ----

void SetBorderStyle(QWidget *form, BorderStyle style) {
  if (form) form->setProperty("borderStyle", static_cast<int>(style));
}

BorderStyle GetBorderStyle(const QWidget *form) {
  QVariant v = form->property("borderStyle");
  if (v.isValid()) return static_cast<BorderStyle>(v.toInt());
  return form->minimumSize() == form->maximumSize() ? BorderStyle::Dialog : BorderStyle::Sizeable;
}

void SaveFormPlacement(const std::string &iniFile, const std::string &section, QWidget *form) {
  if (!form || !form->isWindow()) return;
  QRect r = form->normalGeometry();
  if (!r.isValid()) r = form->geometry();
  const int state = form->isMinimized() ? 1 : (form->isMaximized() ? 3 : 2);
  IniFile ini(iniFile);
  ini.WriteInteger(section, "Top", r.top());
  ini.WriteInteger(section, "Left", r.left());
  BorderStyle bs = GetBorderStyle(form);
  if (bs == BorderStyle::Single || bs == BorderStyle::Sizeable || bs == BorderStyle::SizeToolWin) {
    ini.WriteInteger(section, "Right", r.left() + r.width());
    ini.WriteInteger(section, "Bottom", r.top() + r.height());
  }
  ini.WriteInteger(section, "State", state);
}

bool RestoreFormPlacement(const std::string &iniFile, const std::string &section, QWidget *form) {
  if (!form) return false;
  const QRect screen = ScreenRect(form);
  const int width = form->width(), height = form->height();
  const int left0 = screen.x() + screen.width() / 2 - width / 2;
  const int top0 = screen.y() + screen.height() / 2 - height / 2;
  IniFile ini(iniFile);
  int top = ini.ReadInteger(section, "Top", -1);
  int left = ini.ReadInteger(section, "Left", -1);
  const bool found = top != -1 && left != -1;
  if (!found) {
    top = top0;
    left = left0;
  }
  int right = left + width, bottom = top + height;
  BorderStyle bs = GetBorderStyle(form);
  if (bs == BorderStyle::Sizeable || bs == BorderStyle::SizeToolWin) {
    // The default edges follow the position used, so a stored position
    // without a size keeps the form's size.
    bottom = ini.ReadInteger(section, "Bottom", top + height);
    right = ini.ReadInteger(section, "Right", left + width);
    if (right <= left || bottom <= top) {
      right = left + width;
      bottom = top + height;
    }
  }
  const bool maximized = ini.ReadInteger(section, "State", 0) == 3;

  QRect r(left, top, right - left, bottom - top);
  r.setSize(r.size().boundedTo(form->maximumSize()).expandedTo(form->minimumSize()));
  // Keep the window on a visible screen.
  QScreen *target = QGuiApplication::screenAt(r.center());
  if (!target) target = ScreenOf(form);
  if (target) {
    const QRect avail = target->availableGeometry();
    if (bs == BorderStyle::Sizeable || bs == BorderStyle::SizeToolWin)
      r.setSize(r.size().boundedTo(avail.size()).expandedTo(form->minimumSize()));
    if (r.right() > avail.right()) r.moveRight(avail.right());
    if (r.bottom() > avail.bottom()) r.moveBottom(avail.bottom());
    if (r.left() < avail.left()) r.moveLeft(avail.left());
    if (r.top() < avail.top()) r.moveTop(avail.top());
  }
  Qt::WindowStates st = form->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
  form->setWindowState(st);
  form->setGeometry(r);
  if (maximized) form->setWindowState(st | Qt::WindowMaximized);
  return found;
}

void CenterForm(QWidget *form) {
  if (!form) return;
  const QRect s = ScreenRect(form);
  form->move(s.x() + s.width() / 2 - form->width() / 2, s.y() + s.height() / 2 - form->height() / 2);
}

bool IsMaximized(const QWidget *form) { return form && form->isMaximized(); }

void SaveHeaderWidths(const std::string &iniFile, const std::string &section, const QHeaderView *header) {
  if (!header) return;
  IniFile ini(iniFile);
  for (int i = 0; i < header->count(); ++i)
    ini.WriteInteger(section, std::to_string(i), header->sectionSize(i));
}

void LoadHeaderWidths(const std::string &iniFile, const std::string &section, QHeaderView *header) {
  if (!header) return;
  IniFile ini(iniFile);
  for (int i = 0; i < header->count(); ++i) {
    int w = ini.ReadInteger(section, std::to_string(i), header->sectionSize(i));
    if (w >= 0) header->resizeSection(i, w);
  }
}

// ---- Cursor and windows ----

namespace {
// Saved screen cursors; nullopt = no cursor of ours was showing.
std::vector<std::optional<QCursor>> g_cursorStack;
bool g_ownOverride = false;

std::optional<QCursor> CurrentCursor() {
  if (g_ownOverride && QGuiApplication::overrideCursor()) return *QGuiApplication::overrideCursor();
  return std::nullopt;
}

void ApplyCursor(const std::optional<QCursor> &c) {
  if (c) {
    if (g_ownOverride)
      QGuiApplication::changeOverrideCursor(*c);
    else
      QGuiApplication::setOverrideCursor(*c);
    g_ownOverride = true;
  } else if (g_ownOverride) {
    QGuiApplication::restoreOverrideCursor();
    g_ownOverride = false;
  }
}
}  // namespace

void PushCursor() { g_cursorStack.push_back(CurrentCursor()); }

void PopCursor() {
  if (g_cursorStack.empty()) return;
  std::optional<QCursor> c = g_cursorStack.back();
  g_cursorStack.pop_back();
  ApplyCursor(c);
}

void SetHourglassCursor() {
  PushCursor();
  ApplyCursor(QCursor(Qt::WaitCursor));
}

int CursorStackDepth() { return static_cast<int>(g_cursorStack.size()); }

namespace {
bool IsForm(const QWidget *w) {
  if (!w->isWindow()) return false;
  Qt::WindowType t = w->windowType();
  return t != Qt::Popup && t != Qt::ToolTip && t != Qt::Desktop && t != Qt::SplashScreen;
}
}  // namespace

void DisableAllForms(QWidget *except) {
  QWidget *keep = except ? except : QApplication::activeWindow();
  for (QWidget *w : QApplication::topLevelWidgets())
    if (w != keep && IsForm(w)) w->setEnabled(false);
}

void EnableAllForms() {
  for (QWidget *w : QApplication::topLevelWidgets())
    if (IsForm(w)) w->setEnabled(true);
}

void ProcessMessages() { QCoreApplication::processEvents(); }

// ---- Fonts and clipboard ----

namespace {
std::vector<std::string> g_fonts;
}

void EnumerateFonts() {
  g_fonts.assign(1, "Default");
  for (const QString &family : QFontDatabase::families()) {
    std::string name = FromQ(family);
    if (!win1252::SameText(name, g_fonts.back())) g_fonts.push_back(std::move(name));
  }
  std::stable_sort(g_fonts.begin(), g_fonts.end(),
                   [](const std::string &a, const std::string &b) { return win1252::CompareText(a, b) < 0; });
}

const std::vector<std::string> &InstalledFonts() {
  if (g_fonts.empty()) EnumerateFonts();
  return g_fonts;
}

void CopyTextToClipboard(const std::string &text) { QGuiApplication::clipboard()->setText(ToQ(text)); }

void CopyToClipboardAsRTF(const std::string &rtf) {
  auto *mime = new QMimeData;
  QByteArray bytes(rtf.data(), static_cast<qsizetype>(rtf.size()));
  mime->setData("text/rtf", bytes);
  mime->setData("text/richtext", bytes);
  QGuiApplication::clipboard()->setMimeData(mime);
}

void CopyToClipboardAsHTML(const std::string &html) { CopyToClipboardAsHTML(ToQ(html)); }

void CopyToClipboardAsHTML(const QString &html) {
  auto *mime = new QMimeData;
  mime->setHtml(html);
  mime->setText(html);
  QGuiApplication::clipboard()->setMimeData(mime);
}

// ---- Start-up ----

void InstallUiHooks() {
  ui::Hooks h = ui::CurrentHooks();
  h.showMessage = [](const std::string &text) { ShowMessage(text); };
  h.messageDlg = [](const std::string &text, ui::MsgType type, unsigned buttons, int x, int y) {
    return MessageDlgPos(text, type, buttons, 0, x, y);
  };
  h.messageDlgDefault = [](const std::string &text, ui::MsgType type, unsigned buttons, int def) {
    std::unique_ptr<TMessageForm> form(CreateMessageDialog(text, type, buttons, def));
    return modal::Exec(*form);
  };
  h.beep = [] { QApplication::beep(); };
  h.pushHourglass = [] { SetHourglassCursor(); };
  h.popCursor = [] { PopCursor(); };
  h.processMessages = [] { ProcessMessages(); };
  ui::InstallHooks(std::move(h));
}

void InitMyUtilsUi() {
  EnumerateFonts();
  InstallUiHooks();
}

}  // namespace myui
