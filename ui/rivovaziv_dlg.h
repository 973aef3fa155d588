// The main window (template 102): a tab control with the settings page and
// the import page, and the about entry in the system menu.
#pragma once

#include "dialogs/controls.h"
#include "dialogs/dialog.h"
#include "ui/config_dlg.h"
#include "ui/import_dlg.h"

class CRivovaZivDlg : public CDialog {
 public:
  CRivovaZivDlg();

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInit() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnNotify(int id, NMHDR* hdr, LRESULT& result) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  bool OnTabSelChange(LRESULT& result);
  bool OnSysCommand(WPARAM command);
  bool OnPaint();
  void CenterOnWorkArea() const;

  HICON m_hIcon;
  HICON m_hSmallIcon;
  CTabCtrl m_tab;
  CConfigDlg m_configDlg;
  CImportDlg m_importDlg;
};
