#include "dialogs/controls.h"

#include <commctrl.h>

#include <vector>

#include "dialogs/gbk_text.h"

void CWindow::SetText(const char* gbk) const { SetWindowTextW(m_hWnd, GbkToWide(gbk).c_str()); }

std::string CWindow::GetText() const { return WideToGbk(GetTextW()); }

std::wstring CWindow::GetTextW() const {
  int n = GetWindowTextLengthW(m_hWnd);
  if (n <= 0) return std::wstring();
  std::vector<wchar_t> buf(static_cast<std::size_t>(n) + 1, L'\0');
  int got = GetWindowTextW(m_hWnd, buf.data(), n + 1);
  return std::wstring(buf.data(), static_cast<std::size_t>(got > 0 ? got : 0));
}

void CComboBox::ResetContent() const { SendMessageW(m_hWnd, CB_RESETCONTENT, 0, 0); }

int CComboBox::AddString(const char* gbk) const { return AddString(GbkToWide(gbk)); }

int CComboBox::AddString(const std::wstring& text) const {
  return static_cast<int>(SendMessageW(m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

int CComboBox::GetCount() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCOUNT, 0, 0)); }

int CComboBox::GetCurSel() const { return static_cast<int>(SendMessageW(m_hWnd, CB_GETCURSEL, 0, 0)); }

void CComboBox::SetCurSel(int index) const {
  if (index < 0 || index >= GetCount()) index = -1;
  SendMessageW(m_hWnd, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

int CEdit::GetLineCount() const { return static_cast<int>(SendMessageW(m_hWnd, EM_GETLINECOUNT, 0, 0)); }

void CEdit::LineScroll(int lines) const { SendMessageW(m_hWnd, EM_LINESCROLL, 0, lines); }

void CEdit::AppendText(const wchar_t* text) const {
  int end = GetWindowTextLengthW(m_hWnd);
  SendMessageW(m_hWnd, EM_SETSEL, end, end);
  SendMessageW(m_hWnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void CEdit::SetSel(int start, int end) const { SendMessageW(m_hWnd, EM_SETSEL, start, end); }

void CEdit::SetLimitText(unsigned chars) const { SendMessageW(m_hWnd, EM_SETLIMITTEXT, chars, 0); }

void CTabCtrl::InsertItem(int index, const char* gbk) const {
  std::wstring text = GbkToWide(gbk);
  TCITEMW item{};
  item.mask = TCIF_TEXT;
  item.pszText = &text[0];
  SendMessageW(m_hWnd, TCM_INSERTITEMW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int CTabCtrl::GetCurSel() const { return static_cast<int>(SendMessageW(m_hWnd, TCM_GETCURSEL, 0, 0)); }

void CTabCtrl::SetCurSel(int index) const { SendMessageW(m_hWnd, TCM_SETCURSEL, static_cast<WPARAM>(index), 0); }

RECT CTabCtrl::GetClientRect() const {
  RECT rc{};
  ::GetClientRect(m_hWnd, &rc);
  return rc;
}
