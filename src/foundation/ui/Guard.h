#pragma once
// Handlers run core code through Guarded, so that no exception crosses the
// event loop: the text goes to the message hook.
#include <exception>

#include "platform/UiHooks.h"

template <class F>
void Guarded(F &&f) {
  try {
    f();
  } catch (const std::exception &e) {
    ui::ShowMessage(e.what());
  }
}
