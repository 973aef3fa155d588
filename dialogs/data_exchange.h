// Binds dialog members to controls in both directions, read like a table:
//
//   void CMyDlg::DoDataExchange(CDataExchange& dx) {
//     DDX_Radio(dx, IDC_FIRST_RADIO, m_nMode);
//     DDX_Text(dx, IDC_COUNT, m_nCount);
//     DDV_MinMaxInt(dx, m_nCount, 2, 90);
//   }
//
// Taking a value that is refused shows a warning box, puts the focus on the
// offending edit with its text selected and stops the exchange: the members
// after it keep their values.
#pragma once

#include <windows.h>

#include <string>

class CDialog;
class CWindow;

class CDataExchange {
 public:
  CDataExchange(CDialog& dlg, bool save) : m_dlg(dlg), m_bSave(save) {}

  bool IsSaving() const { return m_bSave; }
  bool Failed() const { return m_bFailed; }
  CDialog& Dialog() const { return m_dlg; }

  // The control for the next binding; null once the exchange has stopped.
  HWND PrepareCtrl(int id);
  // The same for an edit, which a following range rule refers to.
  HWND PrepareEditCtrl(int id);
  // Warns with `gbk`, selects the last edit and stops the exchange.
  void Fail(const char* gbk);

 private:
  CDialog& m_dlg;
  bool m_bSave;
  bool m_bFailed = false;
  HWND m_hLastEdit = nullptr;
};

// Attaches the wrapper to control `id` (once).
void DDX_Control(CDataExchange& dx, int id, CWindow& control);
// An integer as signed decimal text.
void DDX_Text(CDataExchange& dx, int id, int& value);
// A GBK text.
void DDX_Text(CDataExchange& dx, int id, std::string& value);
// A radio group from its first button to the next control that starts a
// group: the position of the checked button, -1 when none is checked.
void DDX_Radio(CDataExchange& dx, int firstId, int& value);
// When taking: refuses a value outside min..max for the last edit.
void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue);

// Reads a signed decimal integer: blanks and tabs allowed around it, at
// least one digit. Values beyond the int range are clamped.
bool ParseDialogInt(const std::string& text, int& value);
