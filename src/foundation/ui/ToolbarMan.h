#pragma once
// A row of speed buttons whose visibility the user chooses: lays out the
// visible ones and keeps their visibility in the settings file under
// "<button object name>.Visible".
#include <QIcon>
#include <QPointer>
#include <QToolButton>
#include <string>
#include <vector>

class QAbstractButton;
class QWidget;

// x of each button from the left of the toolbar, -1 for a hidden one.
// separators holds, per separator, the number of buttons added before it.
std::vector<int> ArrangeToolbarButtons(const std::vector<int> &widths, const std::vector<bool> &visible,
                                       const std::vector<int> &separators);

class TToolbarMan {
 public:
  // Neither the toolbar nor the buttons are owned.
  void SetToolbar(QWidget *toolbar) { toolbar_ = toolbar; }
  QWidget *Toolbar() const { return toolbar_; }
  void AddButton(QAbstractButton *button);
  // A gap after the buttons added so far.
  void AddSeparator();
  // Visible buttons side by side from x = 4; hidden ones take no room, and a
  // gap of 4 follows a separator only when a visible button stands since the
  // last gap. Uses the buttons' own visibility, so it works before the
  // toolbar is first shown. The toolbar keeps one row: when the buttons do
  // not fit its width, those past it go into an overflow button at its
  // right end, whose menu clicks them.
  void Arrange();
  // The visible buttons the overflow button holds, in order.
  std::vector<QAbstractButton *> OverflowButtons() const;
  QToolButton *OverflowButton() const { return overflow_; }

  void SaveToIni(const std::string &iniFileName, const std::string &section) const;
  // A missing key shows the button; then Arrange.
  void LoadFromIni(const std::string &iniFileName, const std::string &section);

  // Per button, i from 1 to ButtonCount; another i raises ERangeError.
  // Showing or hiding a button arranges the toolbar again.
  int ButtonCount() const { return static_cast<int>(buttons_.size()); }
  QIcon ButtonGlyph(int i) const;
  // The short part of the hint (before a "|").
  std::string ButtonHint(int i) const;
  bool ButtonVisible(int i) const;
  void SetButtonVisible(int i, bool visible);

 private:
  QAbstractButton *Button(int i) const;

  void ShowOverflowMenu();

  QWidget *toolbar_ = nullptr;
  QPointer<QToolButton> overflow_;
  std::vector<QPointer<QAbstractButton>> overflowed_;
  std::vector<QPointer<QAbstractButton>> buttons_;
  std::vector<int> separators_;
};
