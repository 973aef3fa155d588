// Drives RivovaZiv.exe from another process as a person would: windows by
// caption, controls by id, clicks, typed text, message boxes answered.
// Works across processes under Wine: only messages that the system copies
// between processes (WM_GETTEXT, WM_SETTEXT, BM_*, CB_*) and posted mouse
// and key messages are used.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

// Polls `done` every 20 ms for at most `ms`.
bool WaitUntil(const std::function<bool()>& done, DWORD ms);

// The program under test, started in its own folder (its log goes there).
class AppProcess {
 public:
  ~AppProcess();
  // Copies `exe` into a fresh folder below %TEMP% and starts it there.
  bool Start(const std::wstring& exe);
  // The main window, once it is visible; null after `ms`.
  HWND WaitMainWindow(DWORD ms);
  // True when the process ended within `ms`; its exit code in `code`.
  bool WaitExit(DWORD ms, DWORD* code = nullptr);
  void Kill();
  DWORD Pid() const { return m_pi.dwProcessId; }
  const std::wstring& Folder() const { return m_folder; }
  // The log file's text (GBK bytes), empty when there is none.
  std::string LogText() const;

 private:
  PROCESS_INFORMATION m_pi{};
  std::wstring m_folder;
};

// Visible top-level windows of a process with this caption (any when empty)
// and window class (any when empty).
std::vector<HWND> TopWindows(DWORD pid, const std::wstring& caption = L"", const std::wstring& cls = L"");

std::wstring Text(HWND hwnd);
void SetText(HWND hwnd, const std::wstring& text);
void Click(HWND button);          // posted: a click that opens a box does not block
bool Enabled(HWND hwnd);
bool Visible(HWND hwnd);
bool Checked(HWND radio);
int ComboCount(HWND combo);
int ComboSel(HWND combo);
std::wstring ComboItem(HWND combo, int index);
void ComboSelect(HWND combo, int index);
// A key pressed and released while `hwnd` has the keyboard.
void PressKey(HWND hwnd, WPARAM vk);

// The page below the main window that holds control `markerId`.
HWND FindPage(HWND main, int markerId);
// Clicks on the tab control until tab `index` is selected.
bool ClickTab(HWND tab, int index);

struct MessageBoxSeen {
  HWND hwnd = nullptr;
  std::wstring caption;
  std::wstring text;
};
// The next message box of the process (a dialog other than `except`).
MessageBoxSeen WaitMessageBox(DWORD pid, DWORD ms, HWND except);
void PressBoxButton(HWND box, int id);

// Saves the whole screen as a 24-bit BMP.
bool SaveScreenshot(const std::wstring& path);
