#pragma once
// A splitter bar that resizes the control next to it. The parent lays its
// controls out by alignment (top, bottom, left, right, rest); the splitter
// reads each sibling's alignment from ControlAlign.
#include <QWidget>
#include <functional>

class QRubberBand;

enum class TAlign { None, Top, Bottom, Left, Right, Client };

// The alignment a parent lays a control out by (kept on the control).
void SetControlAlign(QWidget *w, TAlign align);
TAlign ControlAlign(const QWidget *w);

class TMySplitter : public QWidget {
  Q_OBJECT
 public:
  explicit TMySplitter(QWidget *parent = nullptr);

  // Its own alignment: the side of the control it resizes. Also sets the
  // bar's thickness direction and cursor.
  void SetAlign(TAlign align);
  TAlign Align() const { return ControlAlign(this); }
  bool Beveled() const { return beveled_; }
  void SetBeveled(bool on);
  int MinSize() const { return minSize_; }
  void SetMinSize(int v) { minSize_ = v; }

  // May change the new size; false vetoes it.
  std::function<bool(int &newSize)> OnCanResize;
  std::function<void()> OnMoved;

  // The control the splitter resizes: the visible sibling touching it on its
  // aligned side; nullptr when there is none.
  QWidget *FindControl() const;
  // The largest size the control may get: the parent's client size less
  // MinSize and the sizes of the visible controls aligned on the same axis,
  // plus the control's own size.
  int MaxControlSize(const QWidget *control) const;
  bool Dragging() const { return control_ != nullptr; }

 protected:
  void paintEvent(QPaintEvent *e) override;
  void mousePressEvent(QMouseEvent *e) override;
  void mouseMoveEvent(QMouseEvent *e) override;
  void mouseReleaseEvent(QMouseEvent *e) override;

 private:
  bool Vertical() const;  // resizes a width (left or right alignment)
  int ControlSize(const QWidget *w) const;
  QPoint MousePos(QMouseEvent *e) const;
  void ShowLine();
  void StopDrag();

  bool beveled_ = false;
  int minSize_ = 30;
  QWidget *control_ = nullptr;  // while dragging
  int startSize_ = 0;
  int newSize_ = 0;
  int maxSize_ = 0;
  QPoint start_;
  QRubberBand *line_ = nullptr;
};
