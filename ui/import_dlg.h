// The import page (template 130, second tab): choose a configuration
// script and play it to the unit; the output box shows its result lines
// and the unit's connection texts.
#pragma once

#include <string>

#include "dialogs/controls.h"
#include "dialogs/dialog.h"

class CImportDlg : public CDialog {
 public:
  CImportDlg();
  ~CImportDlg() override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  void OnOpen();
  void OnImport();
  void AppendOutput(const char* text);
  void EnableButtons(bool enable) const;

  std::string m_strOutput;  // GBK
  CEdit m_editOutput;
};

// The one import page; set by its constructor.
extern CImportDlg* g_pImportDlg;
