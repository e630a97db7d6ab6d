#pragma once
// A list box and a memo divided by a splitter, one above the other (list box
// on top) or side by side (list box on the right): the main window's
// alternatives list and comment pane.
#include <QFrame>

class QListWidget;
class QPlainTextEdit;
class TMySplitter;

class TListBoxMemoSplitPanel : public QFrame {
  Q_OBJECT
 public:
  explicit TListBoxMemoSplitPanel(QWidget *parent = nullptr);

  QListWidget *ListBox() const { return listBox_; }
  QPlainTextEdit *Memo() const { return memo_; }
  TMySplitter *Splitter() const { return splitter_; }

  bool ShowListBox() const { return showListBox_; }
  // Hiding the list box hides the splitter too; the memo then fills the panel.
  void SetShowListBox(bool on);
  bool AboveEachOther() const { return aboveEachOther_; }
  void SetAboveEachOther(bool on);
  // The list box's size in each arrangement: the live size while that
  // arrangement is in use, else the one remembered for it.
  int ListBoxWidth() const;
  void SetListBoxWidth(int v);
  int ListBoxHeight() const;
  void SetListBoxHeight(int v);

 protected:
  void resizeEvent(QResizeEvent *e) override;

 private:
  // Lays the three out by their alignment, as the splitter expects.
  void Realign();

  QListWidget *listBox_;
  QPlainTextEdit *memo_;
  TMySplitter *splitter_;
  bool showListBox_ = true;
  bool aboveEachOther_ = true;
  int listBoxWidth_ = 0;
  int listBoxHeight_ = 0;
};
