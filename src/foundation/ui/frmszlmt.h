#pragma once
// Limits the size to which the user can drag a window. The sizes are those of
// the whole window, frame included; the window's own minimum and maximum
// sizes, which Qt keeps without the frame, follow from them.
#include <QObject>
#include <QSize>
#include <cstdint>

class QWidget;

class TFormSizeLimit : public QObject {
  Q_OBJECT
 public:
  // The owner must be a window (std::invalid_argument "A Form must be the
  // owner" otherwise); it also owns the component.
  explicit TFormSizeLimit(QWidget *owner);

  bool Active() const { return active_; }
  bool MinActive() const { return minActive_; }
  bool MaxActive() const { return maxActive_; }
  uint16_t MinWidth() const { return minWidth_; }
  uint16_t MinHeight() const { return minHeight_; }
  uint16_t MaxWidth() const { return maxWidth_; }
  uint16_t MaxHeight() const { return maxHeight_; }

  void SetActive(bool on);
  void SetMinActive(bool on);
  void SetMaxActive(bool on);
  // Pixel sizes 0..65535; anything else raises ERangeError and changes nothing.
  // A maximum of 0 means no maximum.
  void SetMinWidth(long v);
  void SetMinHeight(long v);
  void SetMaxWidth(long v);
  void SetMaxHeight(long v);

  // The room the window frame takes around the client area (0 before the
  // window is shown).
  static QSize FrameExtra(const QWidget *w);

 protected:
  bool eventFilter(QObject *watched, QEvent *e) override;

 private:
  void Apply();

  QWidget *form_;
  bool active_ = true;
  bool minActive_ = true;
  bool maxActive_ = true;
  uint16_t minWidth_ = 0;
  uint16_t minHeight_ = 0;
  uint16_t maxWidth_ = 0;
  uint16_t maxHeight_ = 0;
  bool applying_ = false;
};
