#pragma once
// The cancel dialog of long operations (import, export, classification,
// search). AbortDlgO counts nested shows and holds the cancel flag; the
// window itself sits behind AbortFormI so that the database can drive it
// without a user interface (the Qt form is TAbortDlg in foundation/ui).
#include <functional>
#include <memory>
#include <string>

class AbortDlgO;

// What AbortDlgO needs from its window.
class AbortFormI {
 public:
  virtual ~AbortFormI() = default;
  // Shows the window (modeless) and then disables every other window.
  virtual void ShowForm() = 0;
  // Hides the window, clears its caption and enables the other windows again.
  virtual void HideForm() = 0;
  virtual void SetFormCaption(const std::string &text) = 0;
  virtual void SetFormMessage(const std::string &text) = 0;
};

class AbortDlgO {
 public:
  // Makes the window of an AbortDlgO; the window calls owner.Cancel() when
  // the user asks to cancel.
  using FormFactory = std::function<std::unique_ptr<AbortFormI>(AbortDlgO &owner)>;

  AbortDlgO() = default;
  ~AbortDlgO();
  AbortDlgO(const AbortDlgO &) = delete;
  AbortDlgO &operator=(const AbortDlgO &) = delete;

  // Creates the window the first time (through the installed factory; none
  // when no factory is installed), clears the flag and the count. A second
  // Init keeps the window.
  void Init();
  // The first Show clears the flag, shows the window and disables the other
  // windows; nested calls only count.
  void Show();
  // Undoes one Show; the last one hides the window and enables the others.
  // Without a matching Show it does nothing.
  void Hide();
  void SetCaption(const std::string &text);
  void SetMessage(const std::string &text);

  // The user asked to cancel (button, close box, Escape).
  void Cancel() { cancelled_ = true; }
  bool Cancelled() const { return cancelled_; }
  int ShowCount() const { return showCount_; }
  // A long operation is running: the main window must not close meanwhile.
  bool IsShowing() const { return showCount_ > 0; }
  AbortFormI *Form() const { return form_.get(); }

  // The factory Init uses; answers the previous one. The Qt application
  // installs the real window at start.
  static FormFactory InstallFormFactory(FormFactory factory);

 private:
  bool cancelled_ = false;
  std::unique_ptr<AbortFormI> form_;
  int showCount_ = 0;
};

// Show for the guard's lifetime, so every way out (also an exception) hides.
class AbortShowGuard {
 public:
  explicit AbortShowGuard(AbortDlgO &dlg) : dlg_(dlg) { dlg_.Show(); }
  ~AbortShowGuard() { dlg_.Hide(); }
  AbortShowGuard(const AbortShowGuard &) = delete;
  AbortShowGuard &operator=(const AbortShowGuard &) = delete;

 private:
  AbortDlgO &dlg_;
};
