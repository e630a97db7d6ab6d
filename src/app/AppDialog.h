#pragma once
// The base of the modal dialogs that live for the whole run: each keeps its
// placement in its own section of the settings file while shown, runs
// through the modal seam, and has a size limit that never lets the layout's
// texts be clipped.
#include <QDialog>
#include <QSize>
#include <string>

class QLayout;
class TFormSizeLimit;

class TAppDialog : public QDialog {
  Q_OBJECT
 public:
  // An empty section keeps no placement; a sizeable dialog gets a size
  // limit, the others take the size their layout asks.
  TAppDialog(const std::string &section, bool sizeable, QWidget *parent);

  // FormShow, the dialog modally (through the seam), FormHide; the result.
  int Execute();
  // Captions and contents as the dialog is about to be shown.
  virtual void FormShow() {}
  virtual void FormHide() {}

  const std::string &Section() const { return section_; }
  // Null for a dialog that is not sizeable.
  TFormSizeLimit *SizeLimit() const { return sizeLimit_; }
  // Sets the limit from ClientMinimum, never below the layout's minimum,
  // with the window frame added as far as it is known.
  void UpdateSizeLimit();

 protected:
  // The smallest client area the dialog's own rule allows.
  virtual QSize ClientMinimum() const { return {0, 0}; }
  // The height of the text "X" in the dialog's font.
  int TextHeightX() const;
  // The row of buttons at the bottom, whose width the minimum keeps.
  void SetButtonRow(QLayout *row) { buttonRow_ = row; }
  // As wide as the button row needs; as high as the lines of "X" text, plus
  // the button row when asked.
  QSize TextLinesMinimum(int lines, bool withButtons) const;

  void showEvent(QShowEvent *e) override;
  void hideEvent(QHideEvent *e) override;
  void resizeEvent(QResizeEvent *e) override;

 private:
  std::string section_;
  TFormSizeLimit *sizeLimit_ = nullptr;
  QLayout *buttonRow_ = nullptr;
};
