#pragma once
#include "dbwindows/NameListWindow.h"

class TAnnotatorsDlg : public TNameListDlg {
  Q_OBJECT
 public:
  explicit TAnnotatorsDlg(QWidget *parent = nullptr);
};
