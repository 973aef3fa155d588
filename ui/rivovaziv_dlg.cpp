#include "ui/rivovaziv_dlg.h"

#include <commctrl.h>

#include "dialogs/data_exchange.h"
#include "resource.h"
#include "serial/serial.h"
#include "ui/about_dlg.h"
#include "ui/ui_texts.h"

namespace {

// The page last shown by a tab change; -1 before the first.
int g_nSelectedTab = -1;

enum { kTabSettings = 0, kTabImport = 1 };

// The pages sit inside the tab control's client area, below the tabs.
constexpr int kPageInsetX = 4, kPageInsetTop = 20, kPageInsetBottom = 4;

}  // namespace

CRivovaZivDlg::CRivovaZivDlg() : CDialog(IDD_RIVOVAZIV_DIALOG) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  m_hIcon = LoadIconW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME));
  m_hSmallIcon = static_cast<HICON>(LoadImageW(inst, MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (!m_hSmallIcon) m_hSmallIcon = m_hIcon;
}

void CRivovaZivDlg::DoDataExchange(CDataExchange& dx) { DDX_Control(dx, IDC_MAIN_TAB, m_tab); }

BOOL CRivovaZivDlg::OnInit() {
  CDialog::OnInit();

  wchar_t about[128] = L"";
  if (LoadStringW(GetModuleHandleW(nullptr), IDS_ABOUTBOX, about, 128) > 0) {
    if (HMENU menu = GetSystemMenu(GetHwnd(), FALSE)) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      AppendMenuW(menu, MF_STRING, IDM_ABOUTBOX, about);
    }
  }

  SendMessageW(GetHwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  SendMessageW(GetHwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hSmallIcon));

  m_tab.InsertItem(kTabSettings, ui_texts::kTabSettings);
  m_tab.InsertItem(kTabImport, ui_texts::kTabImport);

  // The pages are children of the tab control; let the dialog manager
  // move the focus into them with Tab and the arrow keys.
  HWND tab = m_tab.GetHwnd();
  SetWindowLongW(tab, GWL_EXSTYLE, GetWindowLongW(tab, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
  m_configDlg.Create(tab);
  m_importDlg.Create(tab);

  RECT rc = m_tab.GetClientRect();
  rc.left += kPageInsetX;
  rc.top += kPageInsetTop;
  rc.right -= kPageInsetX;
  rc.bottom -= kPageInsetBottom;
  for (CDialog* page : {static_cast<CDialog*>(&m_configDlg), static_cast<CDialog*>(&m_importDlg)})
    MoveWindow(page->GetHwnd(), rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);

  ShowWindow(m_configDlg.GetHwnd(), SW_SHOW);
  m_tab.SetCurSel(kTabSettings);
  CenterOnWorkArea();
  return TRUE;
}

void CRivovaZivDlg::CenterOnWorkArea() const {
  RECT work, window;
  if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0) || !GetWindowRect(GetHwnd(), &window)) return;
  int x = work.left + ((work.right - work.left) - (window.right - window.left)) / 2;
  int y = work.top + ((work.bottom - work.top) - (window.bottom - window.top)) / 2;
  SetWindowPos(GetHwnd(), nullptr, x > work.left ? x : work.left, y > work.top ? y : work.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Enter does not close the window.
void CRivovaZivDlg::OnOK() {}

void CRivovaZivDlg::OnCancel() {
  SerialClose();
  EndDialog(IDCANCEL);
}

bool CRivovaZivDlg::OnNotify(int id, NMHDR* hdr, LRESULT& result) {
  if (id == IDC_MAIN_TAB && hdr->code == static_cast<UINT>(TCN_SELCHANGE)) return OnTabSelChange(result);
  return false;
}

bool CRivovaZivDlg::OnTabSelChange(LRESULT& result) {
  int index = m_tab.GetCurSel();
  if (index == g_nSelectedTab) return false;  // result left as it was
  g_nSelectedTab = index;
  ShowWindow(m_configDlg.GetHwnd(), SW_HIDE);
  ShowWindow(m_importDlg.GetHwnd(), SW_HIDE);
  if (index == kTabSettings) ShowWindow(m_configDlg.GetHwnd(), SW_SHOW);
  if (index == kTabImport) ShowWindow(m_importDlg.GetHwnd(), SW_SHOW);
  result = 0;
  return true;
}

bool CRivovaZivDlg::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, INT_PTR& result) {
  switch (msg) {
    case WM_SYSCOMMAND:
      return OnSysCommand(wp);
    case WM_PAINT:
      return OnPaint();
    case WM_QUERYDRAGICON:
      result = reinterpret_cast<INT_PTR>(m_hIcon);
      return true;
    default:
      return false;
  }
}

bool CRivovaZivDlg::OnSysCommand(WPARAM command) {
  if ((command & 0xFFF0) != IDM_ABOUTBOX) return false;
  CAboutDlg about;
  about.DoModal(GetHwnd());
  return true;
}

bool CRivovaZivDlg::OnPaint() {
  if (!IsIconic(GetHwnd())) return false;
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(GetHwnd(), &ps);
  SendMessageW(GetHwnd(), WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  RECT rc;
  GetClientRect(GetHwnd(), &rc);
  int x = (rc.right - rc.left - GetSystemMetrics(SM_CXICON) + 1) / 2;
  int y = (rc.bottom - rc.top - GetSystemMetrics(SM_CYICON) + 1) / 2;
  DrawIcon(dc, x, y, m_hIcon);
  EndPaint(GetHwnd(), &ps);
  return true;
}
