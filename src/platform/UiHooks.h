#pragma once
// The one way the core reaches the user interface. Every hook has a headless
// default (stderr, the default answer, nothing); the Qt application installs
// real ones at start and tests install recording fakes.
#include <functional>
#include <string>

namespace ui {

enum class MsgType { Warning, Error, Information, Confirmation, Custom };

// Button set bits, in the order the buttons appear left to right.
enum MsgButton : unsigned {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
  mbAll = 1u << 7,
  mbNoToAll = 1u << 8,
  mbYesToAll = 1u << 9,
  mbHelp = 1u << 10,
};
constexpr unsigned mbYesNoCancel = mbYes | mbNo | mbCancel;
constexpr unsigned mbOKCancel = mbOK | mbCancel;
constexpr unsigned mbYesNo = mbYes | mbNo;

// Modal results.
enum ModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
  mrAll = 8,
  mrNoToAll = 9,
  mrYesToAll = 10,
};

// The answer a dialog gives when closed with Escape: Cancel, else No, else OK.
int CancelResult(unsigned buttons);
// The button Enter presses: OK, else Yes, else Retry.
int DefaultResult(unsigned buttons);

struct Hooks {
  // OK-only message titled with the application's title.
  std::function<void(const std::string &text)> showMessage;
  // Modal message dialog; answers a ModalResult. x, y < 0 mean centred.
  std::function<int(const std::string &text, MsgType type, unsigned buttons, int x, int y)> messageDlg;
  // The same, centred, with the button Enter presses given (a ModalResult).
  // Unset, messageDlg is asked instead.
  std::function<int(const std::string &text, MsgType type, unsigned buttons, int defaultButton)>
      messageDlgDefault;
  std::function<void()> beep;
  std::function<void()> pushHourglass;
  std::function<void()> popCursor;
  std::function<void(const std::string &text)> setStatusText;
  std::function<void()> processMessages;
};

// The hook table in force. Unset members fall back to the headless defaults.
Hooks &CurrentHooks();
// Replaces the table; answers the previous one (tests restore it).
Hooks InstallHooks(Hooks h);

// Convenience calls through the table.
void ShowMessage(const std::string &text);
int MessageDlg(const std::string &text, MsgType type, unsigned buttons, int x = -1, int y = -1);
// A question whose safe answer is not the usual default: Enter presses
// defaultButton, and without any dialog hook it is the answer.
int MessageDlg(const std::string &text, MsgType type, unsigned buttons, ModalResult defaultButton);
void Beep();
void SetStatusText(const std::string &text);
void ProcessMessages();

// Hourglass for the guard's lifetime; nesting restores the right cursor.
class HourglassGuard {
 public:
  HourglassGuard();
  ~HourglassGuard();
  HourglassGuard(const HourglassGuard &) = delete;
  HourglassGuard &operator=(const HourglassGuard &) = delete;
};

}  // namespace ui
