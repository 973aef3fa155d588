#include "ui/import_dlg.h"

#include <commdlg.h>

#include <vector>

#include "dialogs/data_exchange.h"
#include "dialogs/gbk_text.h"
#include "import/script_run.h"
#include "protocol/notify.h"
#include "resource.h"
#include "ui/ui_texts.h"
#include "ui/window_notify_sink.h"

CImportDlg* g_pImportDlg = nullptr;

namespace {

// Room for a long path chosen in the open-file dialog.
constexpr DWORD kPathChars = 4096;

// "name|pattern|...||" as the open-file dialog wants it: NUL-separated,
// ending in two NULs.
std::wstring FileDialogFilter(const char* gbkFilter) {
  std::wstring filter = GbkToWide(gbkFilter);
  for (wchar_t& c : filter)
    if (c == L'|') c = L'\0';
  filter.push_back(L'\0');
  return filter;
}

}  // namespace

CImportDlg::CImportDlg() : CDialog(IDD_IMPORT_DIALOG) { g_pImportDlg = this; }

CImportDlg::~CImportDlg() {
  if (g_pImportDlg == this) g_pImportDlg = nullptr;
}

void CImportDlg::DoDataExchange(CDataExchange& dx) {
  DDX_Control(dx, IDC_IMP_OUTPUT, m_editOutput);
  DDX_Text(dx, IDC_IMP_OUTPUT, m_strOutput);
}

BOOL CImportDlg::OnInit() {
  CDialog::OnInit();
  m_editOutput.SetLimitText(0);
  EnableButtons(false);
  return TRUE;
}

bool CImportDlg::OnCommand(int id, int code) {
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_IMP_OPEN:
      OnOpen();
      return true;
    case IDC_IMP_IMPORT:
      OnImport();
      return true;
    default:
      return false;
  }
}

bool CImportDlg::OnMessage(UINT msg, WPARAM wp, LPARAM /*lp*/, INT_PTR& result) {
  switch (msg) {
    case WM_IMPORT_INFO: {
      CPostedText text(wp);
      AppendOutput(text.Get());
      break;
    }
    case WM_IMPORT_ENABLE:
      EnableButtons(wp != 0);
      break;
    default:
      return false;
  }
  result = 0;
  return true;
}

void CImportDlg::OnOpen() {
  std::wstring filter = FileDialogFilter(ui_texts::kScriptFilter);
  std::vector<wchar_t> path(kPathChars, L'\0');
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetAncestor(GetHwnd(), GA_ROOT);
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = path.data();
  ofn.nMaxFile = kPathChars;
  ofn.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLESIZING;
  if (GetOpenFileNameW(&ofn))
    SetDlgItemTextW(GetHwnd(), IDC_IMP_PATH, path.data());
  else
    SetDlgItemTextW(GetHwnd(), IDC_IMP_PATH, L"");
}

// The run opens the file with the C runtime's narrow calls, which take the
// system's ANSI code page.
void CImportDlg::OnImport() {
  CWindow pathBox;
  pathBox.Attach(Item(IDC_IMP_PATH));
  std::string path = WideToAnsi(pathBox.GetTextW().c_str());
  StartImportScript(path.c_str());
}

// Appends at the end of the box; the whole text is not set again.
void CImportDlg::AppendOutput(const char* text) {
  m_strOutput += text;
  m_editOutput.AppendText(GbkToWide(text).c_str());
  m_editOutput.LineScroll(m_editOutput.GetLineCount());
}

void CImportDlg::EnableButtons(bool enable) const {
  EnableItem(IDC_IMP_IMPORT, enable);
  EnableItem(IDC_IMP_OPEN, enable);
}
