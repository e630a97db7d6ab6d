#pragma once
// The Qt half of the general utilities: the program's own message dialog,
// window placement kept on the visible screen, header widths, the cursor
// stack, disabling and enabling all windows, the installed-font list and
// clipboard copies. InitMyUtilsUi, called once the QApplication exists,
// fills the font list and installs the dialogs and cursor as the UI hooks
// that the plain C++ code calls.
#include <QDialog>
#include <QSize>
#include <string>
#include <vector>

#include "platform/UiHooks.h"

class QFont;
class QHeaderView;
class QLabel;
class QPushButton;

namespace myui {

// Start-up: the font list, then the UI hooks (message dialogs, beep, cursor,
// message queue; a status-text hook already installed stays).
void InitMyUtilsUi();
void InstallUiHooks();

// ---- Message dialogs ----

class TMessageForm : public QDialog {
  Q_OBJECT
 public:
  // The form's font is the system's message font.
  explicit TMessageForm(QWidget *owner = nullptr);
  // No help viewer exists: says so instead of closing the dialog.
  void HelpButtonClick();
  int HelpContext = 0;
  unsigned Buttons = 0;

  // Escape and the close box answer as the cancel button: Cancel, else No,
  // else OK.
  void reject() override;
};

// The dialog, sized and centred, with the icon "Image", the label
// "Message" and the buttons named "Yes", "No", ... in that order. Enter
// presses defaultButton, or with mrNone ui::DefaultResult's button.
TMessageForm *CreateMessageDialog(const std::string &msg, ui::MsgType type, unsigned buttons,
                                  int defaultButton = ui::mrNone);
// Modal (through the modal seam); x, y >= 0 replace the centred position.
int MessageDlg(const std::string &msg, ui::MsgType type, unsigned buttons, int helpContext = 0);
int MessageDlgPos(const std::string &msg, ui::MsgType type, unsigned buttons, int helpContext, int x, int y);
void ShowMessage(const std::string &msg);
void ShowMessagePos(const std::string &msg, int x, int y);

// ---- Window placement ----

// The border styles that decide which edges a placement keeps.
enum class BorderStyle { None, Single, Sizeable, Dialog, ToolWindow, SizeToolWin };
void SetBorderStyle(QWidget *form, BorderStyle style);
// The style set, else Dialog for a fixed-size window and Sizeable otherwise.
BorderStyle GetBorderStyle(const QWidget *form);

// Writes "Top", "Left", "Right"/"Bottom" (single and sizeable styles) and
// "State" (1 minimised, 3 maximised, 2 normal) of the normal rectangle.
void SaveFormPlacement(const std::string &iniFile, const std::string &section, QWidget *form);
// Restores a placement, centred where none is stored and kept on the visible
// screen; true when "Top" and "Left" were present.
bool RestoreFormPlacement(const std::string &iniFile, const std::string &section, QWidget *form);
void CenterForm(QWidget *form);
bool IsMaximized(const QWidget *form);
void SaveHeaderWidths(const std::string &iniFile, const std::string &section, const QHeaderView *header);
void LoadHeaderWidths(const std::string &iniFile, const std::string &section, QHeaderView *header);
// Average width of the letters A-Z a-z and the text height.
QSize GetAveCharSize(const QFont &font);

// ---- Cursor and windows ----

void PushCursor();
// Restores the cursor saved by the matching push; nothing on an empty stack.
void PopCursor();
void SetHourglassCursor();
int CursorStackDepth();
// Disables every window except the given one (the active one when null).
void DisableAllForms(QWidget *except = nullptr);
void EnableAllForms();
void ProcessMessages();

// ---- Fonts and clipboard ----

void EnumerateFonts();
// "Default" and the installed font families, sorted.
const std::vector<std::string> &InstalledFonts();
void CopyTextToClipboard(const std::string &text);
// The RTF text as "text/rtf" (and "text/richtext").
void CopyToClipboardAsRTF(const std::string &rtf);
// An HTML text as "text/html" beside the same text as plain text, so a word
// processor pastes it formatted and an editor shows the markup.
void CopyToClipboardAsHTML(const std::string &html);
// The same for a text already decoded (one holding game texts).
void CopyToClipboardAsHTML(const QString &html);

}  // namespace myui
