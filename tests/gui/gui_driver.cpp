#include "tests/gui/gui_driver.h"

#include <commctrl.h>

#include <cstdio>

namespace {

// A message sent to another process must not hang the test when that
// process is stuck.
constexpr UINT kSendTimeoutMs = 5000;

LRESULT Send(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
  return static_cast<LRESULT>(result);
}

std::wstring ClassName(HWND hwnd) {
  wchar_t name[64] = L"";
  GetClassNameW(hwnd, name, 64);
  return name;
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return std::string();
  int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &out[0], n, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), static_cast<int>(utf8.size()), &out[0], n);
  return out;
}

bool WaitUntil(const std::function<bool()>& done, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    if (done()) return true;
    if (GetTickCount() - start >= ms) return false;
    Sleep(20);
  }
}

AppProcess::~AppProcess() { Kill(); }

bool AppProcess::Start(const std::wstring& exe) {
  static int serial = 0;
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  m_folder = std::wstring(temp) + L"rvz-gui-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(++serial);
  CreateDirectoryW(m_folder.c_str(), nullptr);
  std::wstring copy = m_folder + L"\\RivovaZiv.exe";
  if (!CopyFileW(exe.c_str(), copy.c_str(), FALSE)) return false;

  std::wstring cmd = L"\"" + copy + L"\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  return CreateProcessW(copy.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, m_folder.c_str(), &si,
                        &m_pi) != FALSE;
}

HWND AppProcess::WaitMainWindow(DWORD ms) {
  HWND main = nullptr;
  WaitUntil(
      [&] {
        std::vector<HWND> found = TopWindows(Pid(), L"KV200_KV300_KV400设置工具");
        main = found.empty() ? nullptr : found.front();
        return main != nullptr;
      },
      ms);
  return main;
}

bool AppProcess::WaitExit(DWORD ms, DWORD* code) {
  if (!m_pi.hProcess) return true;
  if (WaitForSingleObject(m_pi.hProcess, ms) != WAIT_OBJECT_0) return false;
  if (code) GetExitCodeProcess(m_pi.hProcess, code);
  return true;
}

void AppProcess::Kill() {
  if (!m_pi.hProcess) return;
  if (WaitForSingleObject(m_pi.hProcess, 0) != WAIT_OBJECT_0) {
    TerminateProcess(m_pi.hProcess, 1);
    WaitForSingleObject(m_pi.hProcess, 5000);
  }
  CloseHandle(m_pi.hThread);
  CloseHandle(m_pi.hProcess);
  m_pi = PROCESS_INFORMATION{};
}

std::string AppProcess::LogText() const {
  WIN32_FIND_DATAW found;
  std::wstring dir = m_folder + L"\\log\\";
  HANDLE find = FindFirstFileW((dir + L"*.log").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return std::string();
  FindClose(find);
  std::string text;
  if (FILE* f = _wfopen((dir + found.cFileName).c_str(), L"rb")) {
    char buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) text.append(buf, n);
    std::fclose(f);
  }
  return text;
}

namespace {

struct TopSearch {
  DWORD pid;
  const std::wstring* caption;
  const std::wstring* cls;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<TopSearch*>(lp);
  DWORD owner = 0;
  GetWindowThreadProcessId(hwnd, &owner);
  if (owner != s->pid || !IsWindowVisible(hwnd)) return TRUE;
  if (!s->caption->empty() && Text(hwnd) != *s->caption) return TRUE;
  if (!s->cls->empty() && ClassName(hwnd) != *s->cls) return TRUE;
  s->found.push_back(hwnd);
  return TRUE;
}

struct PageSearch {
  int id;
  HWND page;
};

BOOL CALLBACK FindPageWindow(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<PageSearch*>(lp);
  if (ClassName(hwnd) == L"#32770" && GetDlgItem(hwnd, s->id)) {
    s->page = hwnd;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD pid, const std::wstring& caption, const std::wstring& cls) {
  TopSearch search{pid, &caption, &cls, {}};
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring Text(HWND hwnd) {
  LRESULT n = Send(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  LRESULT got = Send(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(got));
  return text;
}

void SetText(HWND hwnd, const std::wstring& text) { Send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str())); }

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

bool Enabled(HWND hwnd) { return IsWindowEnabled(hwnd) != FALSE; }

bool Visible(HWND hwnd) { return IsWindowVisible(hwnd) != FALSE; }

bool Checked(HWND radio) { return Send(radio, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int ComboCount(HWND combo) { return static_cast<int>(Send(combo, CB_GETCOUNT, 0, 0)); }

int ComboSel(HWND combo) { return static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0)); }

std::wstring ComboItem(HWND combo, int index) {
  LRESULT n = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (n < 0) return std::wstring();
  std::wstring text(static_cast<std::size_t>(n) + 1, L'\0');
  Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
  text.resize(static_cast<std::size_t>(n));
  return text;
}

void ComboSelect(HWND combo, int index) { Send(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0); }

void PressKey(HWND hwnd, WPARAM vk) {
  UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), 0);
  PostMessageW(hwnd, WM_KEYDOWN, vk, 1 | (scan << 16));
  PostMessageW(hwnd, WM_KEYUP, vk, 1 | (scan << 16) | (3u << 30));
}

HWND FindPage(HWND main, int markerId) {
  PageSearch search{markerId, nullptr};
  EnumChildWindows(main, FindPageWindow, reinterpret_cast<LPARAM>(&search));
  return search.page;
}

bool ClickTab(HWND tab, int index) {
  // The tab's own rectangle is not readable from outside: walk along the
  // row of tabs until the wanted one is selected.
  for (int x = 8; x < 400; x += 12) {
    LPARAM at = MAKELPARAM(x, 10);
    PostMessageW(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(tab, WM_LBUTTONUP, 0, at);
    if (WaitUntil([&] { return Send(tab, TCM_GETCURSEL, 0, 0) == index; }, 150)) return true;
  }
  return false;
}

MessageBoxSeen WaitMessageBox(DWORD pid, DWORD ms, HWND except) {
  MessageBoxSeen seen;
  WaitUntil(
      [&] {
        for (HWND hwnd : TopWindows(pid, L"", L"#32770")) {
          if (hwnd == except) continue;
          seen.hwnd = hwnd;
          seen.caption = Text(hwnd);
          seen.text = Text(GetDlgItem(hwnd, 0xFFFF));
          return true;
        }
        return false;
      },
      ms);
  return seen;
}

void PressBoxButton(HWND box, int id) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0); }

bool SaveScreenshot(const std::wstring& path) {
  HDC screen = GetDC(nullptr);
  int w = GetDeviceCaps(screen, HORZRES), h = GetDeviceCaps(screen, VERTRES);
  BITMAPINFOHEADER bih{};
  bih.biSize = sizeof bih;
  bih.biWidth = w;
  bih.biHeight = h;
  bih.biPlanes = 1;
  bih.biBitCount = 24;
  bih.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&bih), DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC mem = CreateCompatibleDC(screen);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  DWORD rowBytes = ((static_cast<DWORD>(w) * 3 + 3) / 4) * 4;
  DWORD imageBytes = rowBytes * static_cast<DWORD>(h);
  BITMAPFILEHEADER bfh{};
  bfh.bfType = 0x4D42;
  bfh.bfOffBits = sizeof bfh + sizeof bih;
  bfh.bfSize = bfh.bfOffBits + imageBytes;
  bool ok = false;
  if (FILE* f = _wfopen(path.c_str(), L"wb")) {
    ok = std::fwrite(&bfh, sizeof bfh, 1, f) == 1 && std::fwrite(&bih, sizeof bih, 1, f) == 1 &&
         std::fwrite(bits, imageBytes, 1, f) == 1;
    ok = std::fclose(f) == 0 && ok;
  }
  SelectObject(mem, old);
  DeleteDC(mem);
  DeleteObject(bmp);
  ReleaseDC(nullptr, screen);
  return ok;
}
