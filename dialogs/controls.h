// Thin wrappers over the Windows controls the pages use. Each holds the
// control's window handle and nothing else; texts are GBK.
#pragma once

#include <windows.h>

#include <string>

class CWindow {
 public:
  void Attach(HWND hwnd) { m_hWnd = hwnd; }
  HWND GetHwnd() const { return m_hWnd; }
  bool IsAttached() const { return m_hWnd != nullptr; }

  void Enable(bool enable) const { EnableWindow(m_hWnd, enable ? TRUE : FALSE); }
  void Show(bool show) const { ShowWindow(m_hWnd, show ? SW_SHOW : SW_HIDE); }
  void SetText(const char* gbk) const;
  std::string GetText() const;
  std::wstring GetTextW() const;

 protected:
  HWND m_hWnd = nullptr;
};

class CComboBox : public CWindow {
 public:
  void ResetContent() const;
  int AddString(const char* gbk) const;  // index of the new entry
  int AddString(const std::wstring& text) const;
  int GetCount() const;
  int GetCurSel() const;                 // -1: nothing selected
  void SetCurSel(int index) const;       // outside the entries: nothing selected
};

class CEdit : public CWindow {
 public:
  int GetLineCount() const;
  void LineScroll(int lines) const;
  // Appends at the end of the text without resetting what is there.
  void AppendText(const wchar_t* text) const;
  void SetSel(int start, int end) const;
  // 0: as long as the control allows.
  void SetLimitText(unsigned chars) const;
};

class CButton : public CWindow {};

class CTabCtrl : public CWindow {
 public:
  void InsertItem(int index, const char* gbk) const;
  int GetCurSel() const;
  void SetCurSel(int index) const;
  RECT GetClientRect() const;
};
