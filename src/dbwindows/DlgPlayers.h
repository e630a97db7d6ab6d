#pragma once
#include "dbwindows/NameListWindow.h"

class TPlayersDlg : public TNameListDlg {
  Q_OBJECT
 public:
  explicit TPlayersDlg(QWidget *parent = nullptr);
};
