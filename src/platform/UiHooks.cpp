#include "platform/UiHooks.h"

#include <cstdio>

#include "platform/Win1252.h"

namespace ui {

int CancelResult(unsigned buttons) {
  if (buttons & mbCancel) return mrCancel;
  if (buttons & mbNo) return mrNo;
  if (buttons & mbOK) return mrOk;
  return mrCancel;
}

int DefaultResult(unsigned buttons) {
  if (buttons & mbOK) return mrOk;
  if (buttons & mbYes) return mrYes;
  if (buttons & mbRetry) return mrRetry;
  return mrNone;
}

namespace {
Hooks g_hooks;
}

Hooks &CurrentHooks() { return g_hooks; }

Hooks InstallHooks(Hooks h) {
  Hooks old = std::move(g_hooks);
  g_hooks = std::move(h);
  return old;
}

void ShowMessage(const std::string &text) {
  if (g_hooks.showMessage)
    g_hooks.showMessage(text);
  else
    std::fprintf(stderr, "%s\n", win1252::ToUtf8(text).c_str());
}

int MessageDlg(const std::string &text, MsgType type, unsigned buttons, int x, int y) {
  if (g_hooks.messageDlg) return g_hooks.messageDlg(text, type, buttons, x, y);
  std::fprintf(stderr, "%s\n", win1252::ToUtf8(text).c_str());
  return DefaultResult(buttons);
}

int MessageDlg(const std::string &text, MsgType type, unsigned buttons, ModalResult defaultButton) {
  if (g_hooks.messageDlgDefault) return g_hooks.messageDlgDefault(text, type, buttons, defaultButton);
  if (g_hooks.messageDlg) return g_hooks.messageDlg(text, type, buttons, -1, -1);
  std::fprintf(stderr, "%s\n", win1252::ToUtf8(text).c_str());
  return defaultButton;
}

void Beep() {
  if (g_hooks.beep) g_hooks.beep();
}

void SetStatusText(const std::string &text) {
  if (g_hooks.setStatusText) g_hooks.setStatusText(text);
}

void ProcessMessages() {
  if (g_hooks.processMessages) g_hooks.processMessages();
}

HourglassGuard::HourglassGuard() {
  if (g_hooks.pushHourglass) g_hooks.pushHourglass();
}

HourglassGuard::~HourglassGuard() {
  if (g_hooks.popCursor) g_hooks.popCursor();
}

}  // namespace ui
