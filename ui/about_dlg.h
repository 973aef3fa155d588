// The about box (template 100): icon, name and version, OK.
#pragma once

#include "dialogs/dialog.h"

class CAboutDlg : public CDialog {
 public:
  CAboutDlg();
};
