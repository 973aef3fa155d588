#include "dialogs/data_exchange.h"

#include <climits>
#include <cstdio>

#include "dialogs/controls.h"
#include "dialogs/dialog.h"
#include "dialogs/message_box.h"

namespace {

// Warning texts of the exchange (GBK).
const char kNotAnInteger[] = "请输入一个整数。";
const char kIntegerRange[] = "请输入一个 %1 至 %2 之间的整数。";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

bool IsRadioButton(HWND hwnd) {
  return (SendMessageW(hwnd, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) != 0;
}

}  // namespace

bool ParseDialogInt(const std::string& text, int& value) {
  std::size_t i = 0, n = text.size();
  while (i < n && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::size_t digitsFrom = i;
  long long magnitude = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (magnitude <= INT_MAX) magnitude = magnitude * 10 + (text[i] - '0');
  }
  if (i == digitsFrom) return false;
  while (i < n && IsBlank(text[i])) ++i;
  if (i != n) return false;

  long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) signedValue = INT_MAX;
  if (signedValue < INT_MIN) signedValue = INT_MIN;
  value = static_cast<int>(signedValue);
  return true;
}

HWND CDataExchange::PrepareCtrl(int id) {
  if (m_bFailed) return nullptr;
  return m_dlg.Item(id);
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  HWND hwnd = PrepareCtrl(id);
  if (hwnd) m_hLastEdit = hwnd;
  return hwnd;
}

void CDataExchange::Fail(const char* gbk) {
  if (m_bFailed) return;
  m_bFailed = true;
  ShowMessage(m_dlg.GetHwnd(), gbk, MB_OK | MB_ICONEXCLAMATION);
  if (m_hLastEdit) {
    SetFocus(m_hLastEdit);
    SendMessageW(m_hLastEdit, EM_SETSEL, 0, -1);
  }
}

void DDX_Control(CDataExchange& dx, int id, CWindow& control) {
  if (control.IsAttached()) return;
  if (HWND hwnd = dx.PrepareCtrl(id)) control.Attach(hwnd);
}

void DDX_Text(CDataExchange& dx, int id, int& value) {
  HWND hwnd = dx.PrepareEditCtrl(id);
  if (!hwnd) return;
  CWindow edit;
  edit.Attach(hwnd);
  if (dx.IsSaving()) {
    int taken = 0;
    if (!ParseDialogInt(edit.GetText(), taken)) {
      dx.Fail(kNotAnInteger);
      return;
    }
    value = taken;
  } else {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    edit.SetText(text);
  }
}

void DDX_Text(CDataExchange& dx, int id, std::string& value) {
  HWND hwnd = dx.PrepareEditCtrl(id);
  if (!hwnd) return;
  CWindow edit;
  edit.Attach(hwnd);
  if (dx.IsSaving())
    value = edit.GetText();
  else
    edit.SetText(value.c_str());
}

void DDX_Radio(CDataExchange& dx, int firstId, int& value) {
  HWND hwnd = dx.PrepareCtrl(firstId);
  if (!hwnd) return;
  int position = 0;
  int checked = -1;
  // The group runs from the first button up to the next control that
  // starts a group; other kinds of control inside it are passed over.
  do {
    if (IsRadioButton(hwnd)) {
      if (dx.IsSaving()) {
        if (checked < 0 && SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED) checked = position;
      } else {
        SendMessageW(hwnd, BM_SETCHECK, position == value ? BST_CHECKED : BST_UNCHECKED, 0);
      }
      ++position;
    }
    hwnd = GetWindow(hwnd, GW_HWNDNEXT);
  } while (hwnd && !(GetWindowLongW(hwnd, GWL_STYLE) & WS_GROUP));
  if (dx.IsSaving()) value = checked;
}

void DDV_MinMaxInt(CDataExchange& dx, int value, int minValue, int maxValue) {
  if (!dx.IsSaving() || dx.Failed()) return;
  if (value >= minValue && value <= maxValue) return;
  std::string text = ReplaceAll(kIntegerRange, "%1", std::to_string(minValue));
  text = ReplaceAll(text, "%2", std::to_string(maxValue));
  dx.Fail(text.c_str());
}
