#include "dialogs/message_box.h"

#include "dialogs/gbk_text.h"

const std::wstring& AppName() {
  static const std::wstring name = [] {
    wchar_t path[MAX_PATH] = L"";
    DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::wstring();
    std::wstring file(path, n);
    std::size_t slash = file.find_last_of(L"\\/");
    if (slash != std::wstring::npos) file.erase(0, slash + 1);
    std::size_t dot = file.find_last_of(L'.');
    if (dot != std::wstring::npos) file.erase(dot);
    return file;
  }();
  return name;
}

int ShowMessage(HWND owner, const char* gbk, UINT type) {
  // A box owned by a page would leave the main window usable behind it.
  if (owner) owner = GetAncestor(owner, GA_ROOT);
  return MessageBoxW(owner, GbkToWide(gbk).c_str(), AppName().c_str(), type);
}
