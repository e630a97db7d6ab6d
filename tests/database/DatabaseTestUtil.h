#pragma once
// Helpers shared by the tests of the database object.
#include <string>

#include "foundation/comDlgAbort.h"
#include "platform/UiHooks.h"

// Calls Cancel on the dialog at the k-th message-queue run.
class CancelAfter {
 public:
  CancelAfter(AbortDlgO &dlg, int k) {
    ui::Hooks h = ui::CurrentHooks();
    h.showMessage = [](const std::string &) {};
    h.processMessages = [&dlg, k, this] {
      if (++runs_ == k) dlg.Cancel();
    };
    old_ = ui::InstallHooks(h);
  }
  ~CancelAfter() { ui::InstallHooks(old_); }

 private:
  int runs_ = 0;
  ui::Hooks old_;
};
