#include "dialogs/dialog.h"

#include <exception>

#include "dialogs/controls.h"
#include "dialogs/data_exchange.h"
#include "dialogs/gbk_text.h"
#include "log/log.h"

CDialog::~CDialog() {
  // A modeless dialog still alive goes with its object; normally its parent
  // has destroyed it already.
  if (m_hWnd && !m_bModal) DestroyWindow(m_hWnd);
}

INT_PTR CDialog::DoModal(HWND owner) {
  m_bModal = true;
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplate), owner, DialogProc,
                         reinterpret_cast<LPARAM>(this));
}

bool CDialog::Create(HWND parent) {
  m_bModal = false;
  HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_nTemplate), parent, DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  return hwnd != nullptr;
}

bool CDialog::UpdateData(bool save) {
  CDataExchange dx(*this, save);
  DoDataExchange(dx);
  return !dx.Failed();
}

void CDialog::SetItemText(int id, const char* gbk) const { SetDlgItemTextW(m_hWnd, id, GbkToWide(gbk).c_str()); }

std::string CDialog::GetItemText(int id) const {
  CWindow item;
  item.Attach(Item(id));
  return item.GetText();
}

BOOL CDialog::OnInit() {
  UpdateData(false);
  return TRUE;
}

bool CDialog::OnCommand(int id, int /*code*/) {
  if (id == IDOK) {
    OnOK();
    return true;
  }
  if (id == IDCANCEL) {
    OnCancel();
    return true;
  }
  return false;
}

void CDialog::OnOK() {
  if (m_bModal) EndDialog(IDOK);
}

void CDialog::OnCancel() {
  if (m_bModal) EndDialog(IDCANCEL);
}

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_INITDIALOG:
      return OnInit();
    case WM_COMMAND:
      return OnCommand(LOWORD(wp), HIWORD(wp)) ? TRUE : FALSE;
    case WM_NOTIFY: {
      auto* hdr = reinterpret_cast<NMHDR*>(lp);
      LRESULT result = 0;
      if (!OnNotify(static_cast<int>(hdr->idFrom), hdr, result)) return FALSE;
      SetWindowLongPtrW(m_hWnd, DWLP_MSGRESULT, result);
      return TRUE;
    }
    default: {
      INT_PTR result = FALSE;
      return OnMessage(msg, wp, lp, result) ? result : FALSE;
    }
  }
}

INT_PTR CALLBACK CDialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  CDialog* self;
  if (msg == WM_INITDIALOG) {
    self = reinterpret_cast<CDialog*>(lp);
    SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    self->m_hWnd = hwnd;
  } else {
    // Null for the few messages that come before WM_INITDIALOG.
    self = reinterpret_cast<CDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
  }
  if (!self) return FALSE;

  INT_PTR result = FALSE;
  // An exception must not unwind through the system's dialog code.
  try {
    result = self->Dispatch(msg, wp, lp);
  } catch (const std::exception& e) {
    LogWrite(LOG_ERROR, "Dialog %u, message 0x%04X: %s", self->m_nTemplate, msg, e.what());
  } catch (...) {
    LogWrite(LOG_ERROR, "Dialog %u, message 0x%04X: unknown exception", self->m_nTemplate, msg);
  }

  if (msg == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, DWLP_USER, 0);
    self->m_hWnd = nullptr;
  }
  return result;
}
