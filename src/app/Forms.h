#pragma once
// The forms that live for the whole run, created in a fixed order (the main
// window first, so its creation runs before any dialog exists) and freed in
// the reverse order.
class TMainForm;

extern TMainForm *MainForm;

namespace app {
void CreateForms();
void FreeForms();
}  // namespace app
