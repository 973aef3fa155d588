#include "ui/window_notify_sink.h"

#include "ui/config_dlg.h"
#include "ui/import_dlg.h"

bool CWindowNotifySink::Post(Page page, unsigned msg, std::uintptr_t wparam, char* /*text*/) {
  // The page windows are made before any other thread exists, and this
  // sink is removed before they are destroyed.
  CDialog* target = page == Page::Config ? static_cast<CDialog*>(g_pConfigDlg) : static_cast<CDialog*>(g_pImportDlg);
  HWND hwnd = target ? target->GetHwnd() : nullptr;
  if (!hwnd) return false;
  // For a text message wparam is the text itself.
  return PostMessageW(hwnd, msg, static_cast<WPARAM>(wparam), 0) != FALSE;
}
