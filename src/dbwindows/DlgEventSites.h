#pragma once
#include "dbwindows/NameListWindow.h"

class TEventSitesDlg : public TNameListDlg {
  Q_OBJECT
 public:
  explicit TEventSitesDlg(QWidget *parent = nullptr);
};
