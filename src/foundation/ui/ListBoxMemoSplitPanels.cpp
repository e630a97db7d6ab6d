#include "foundation/ui/ListBoxMemoSplitPanels.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <algorithm>

#include "foundation/ui/MySplitter.h"

namespace {
constexpr int kSplitterThickness = 3;
constexpr int kMinListBoxSize = 30;
constexpr int kDefaultListBoxHeight = 97;

void UseButtonFace(QWidget *w) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Base, pal.color(QPalette::Button));
  w->setPalette(pal);
}
}  // namespace

TListBoxMemoSplitPanel::TListBoxMemoSplitPanel(QWidget *parent) : QFrame(parent) {
  setFrameShape(QFrame::NoFrame);
  listBox_ = new QListWidget(this);
  listBox_->setObjectName("ListBox");
  memo_ = new QPlainTextEdit(this);
  memo_->setObjectName("Memo");
  splitter_ = new TMySplitter(this);
  UseButtonFace(listBox_);
  UseButtonFace(memo_);
  SetControlAlign(listBox_, TAlign::Top);
  SetControlAlign(memo_, TAlign::Client);
  splitter_->SetAlign(TAlign::Top);
  splitter_->SetBeveled(false);
  splitter_->SetMinSize(kMinListBoxSize);
  splitter_->OnMoved = [this] { Realign(); };
  listBox_->resize(listBox_->width(), kDefaultListBoxHeight);
  listBoxHeight_ = listBox_->height();
  listBoxWidth_ = width() / 20;
  Realign();
}

void TListBoxMemoSplitPanel::SetShowListBox(bool on) {
  showListBox_ = on;
  listBox_->setVisible(on);
  splitter_->setVisible(on);
  Realign();
}

void TListBoxMemoSplitPanel::SetAboveEachOther(bool on) {
  if (on == aboveEachOther_) return;
  aboveEachOther_ = on;
  if (on) {
    listBoxWidth_ = listBox_->width();
    listBox_->resize(listBox_->width(), std::max(listBoxHeight_, kMinListBoxSize));
    SetControlAlign(listBox_, TAlign::Top);
    splitter_->SetAlign(TAlign::Top);
  } else {
    listBoxHeight_ = listBox_->height();
    listBox_->resize(std::max(listBoxWidth_, kMinListBoxSize), listBox_->height());
    SetControlAlign(listBox_, TAlign::Right);
    splitter_->SetAlign(TAlign::Right);
  }
  Realign();
}

int TListBoxMemoSplitPanel::ListBoxWidth() const {
  return aboveEachOther_ ? listBoxWidth_ : listBox_->width();
}

void TListBoxMemoSplitPanel::SetListBoxWidth(int v) {
  listBoxWidth_ = v;
  if (!aboveEachOther_) {
    listBox_->resize(v, listBox_->height());
    Realign();
  }
}

int TListBoxMemoSplitPanel::ListBoxHeight() const {
  return aboveEachOther_ ? listBox_->height() : listBoxHeight_;
}

void TListBoxMemoSplitPanel::SetListBoxHeight(int v) {
  listBoxHeight_ = v;
  if (aboveEachOther_) {
    listBox_->resize(listBox_->width(), v);
    Realign();
  }
}

void TListBoxMemoSplitPanel::resizeEvent(QResizeEvent *e) {
  QFrame::resizeEvent(e);
  Realign();
}

void TListBoxMemoSplitPanel::Realign() {
  const QRect c = contentsRect();
  if (!showListBox_) {
    memo_->setGeometry(c);
    return;
  }
  if (aboveEachOther_) {
    const int h = listBox_->height();
    listBox_->setGeometry(c.left(), c.top(), c.width(), h);
    splitter_->setGeometry(c.left(), c.top() + h, c.width(), kSplitterThickness);
    const int rest = std::max(0, c.height() - h - kSplitterThickness);
    memo_->setGeometry(c.left(), c.top() + h + kSplitterThickness, c.width(), rest);
  } else {
    const int w = listBox_->width();
    listBox_->setGeometry(c.right() + 1 - w, c.top(), w, c.height());
    splitter_->setGeometry(c.right() + 1 - w - kSplitterThickness, c.top(), kSplitterThickness, c.height());
    memo_->setGeometry(c.left(), c.top(), std::max(0, c.width() - w - kSplitterThickness), c.height());
  }
}
