#include "foundation/comDlgAbort.h"

#include <utility>

namespace {
AbortDlgO::FormFactory &Factory() {
  static AbortDlgO::FormFactory factory;
  return factory;
}
}  // namespace

AbortDlgO::FormFactory AbortDlgO::InstallFormFactory(FormFactory factory) {
  return std::exchange(Factory(), std::move(factory));
}

AbortDlgO::~AbortDlgO() {
  // An owner that goes away mid-operation must not leave the windows disabled.
  if (showCount_ > 0 && form_) form_->HideForm();
}

void AbortDlgO::Init() {
  // Resetting the count while shown would leave the other windows disabled.
  if (showCount_ > 0 && form_) form_->HideForm();
  if (!form_ && Factory()) form_ = Factory()(*this);
  cancelled_ = false;
  showCount_ = 0;
}

void AbortDlgO::Show() {
  if (showCount_ == 0) {
    cancelled_ = false;
    if (form_) form_->ShowForm();
  }
  ++showCount_;
}

void AbortDlgO::Hide() {
  if (showCount_ == 0) return;
  if (--showCount_ == 0 && form_) form_->HideForm();
}

void AbortDlgO::SetCaption(const std::string &text) {
  if (form_) form_->SetFormCaption(text);
}

void AbortDlgO::SetMessage(const std::string &text) {
  if (form_) form_->SetFormMessage(text);
}
