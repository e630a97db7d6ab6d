#pragma once
// A menu described as plain data, so that core objects can build menus that
// the Qt side turns into real ones.
#include <string>

struct MenuItemRec {
  std::string caption;  // "&" marks the accelerator; "-" for a separator
  int tag = 0;
  bool separator = false;
};
