// The settings page (template 129, first tab): the port panel, the
// information box and the settings form. Other threads reach it only by
// posting the WM_CFG_* notifications to its window.
#pragma once

#include <string>
#include <vector>

#include "dialogs/controls.h"
#include "dialogs/dialog.h"
#include "protocol/settings.h"
#include "serial/port_list.h"

class CConfigDlg : public CDialog {
 public:
  CConfigDlg();
  ~CConfigDlg() override;

 protected:
  void DoDataExchange(CDataExchange& dx) override;
  BOOL OnInit() override;
  bool OnCommand(int id, int code) override;
  bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, INT_PTR& result) override;

 private:
  // Port panel and information box (config_dlg.cpp).
  void ListPorts();
  void FillPortList(bool log);
  bool SelectedPort(SSerInfo& port) const;
  void OnOpenClose();
  void ShowPortState(bool open);
  void OnRefresh();
  void EnableForm(bool enable) const;
  void AppendInfoLine(const char* text);
  void OnStartRead();

  // Settings form (config_form.cpp).
  void FillValueLists() const;
  void OnShowSettings();
  void OnSet();
  bool CheckSetValues() const;
  void FormToSettings();

  std::vector<SSerInfo> m_arrPorts;
  int m_bPortOpen = 0;
  CComboBox m_cbPort;
  CComboBox m_cbHostType;
  int m_nHeadsetType = 0;
  int m_nVoxMode = 0;
  std::string m_strInfo;  // GBK
  CEdit m_editInfo;
  SDevSettings m_settings;  // the read and write jobs work on it in place
  int m_nChannel = 0;
  CComboBox m_cbSceneLevel;
  int m_nExtension = 0;
  int m_nPassword = 0;
  int m_nPttMode = 0;
  int m_nGroup = 0;
  CComboBox m_cbNoiseLevel;
  CComboBox m_cbPower;
};

// The one settings page; set by its constructor.
extern CConfigDlg* g_pConfigDlg;
