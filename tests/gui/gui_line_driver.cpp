// gui_line_driver: drives RivovaZiv.exe from outside, one command a line on
// stdin, one answer line each on stdout, so that one process under Wine
// serves a whole test or the run command. Texts cross as UTF-8.
//
// An answer is "ok" or "ok VALUE", or "err WHY". In commands, arguments are
// separated by blanks; an argument writes a blank as \s, and tab, CR, LF
// and backslash as \t \r \n \\. Answers write tab, CR, LF and backslash
// the same way.
//
// A control T is "main" (the main window), an id ("1000": a control of the
// main window, or of the first page that has one with that id) or
// "ID@MARKER" (control ID of the page that holds control MARKER: the two
// pages share some ids).
//
//   launch EXE            start EXE in its own folder              -> ok PID
//   attach CAPTION MS     wait for a visible top-level window with this
//                         caption (of the launched process, while it runs)
//                                            -> ok MS since launch (or 0)
//   text T | settext T TEXT | click T (posted BM_CLICK)
//   enabled T | visible T | checked T                          -> ok 1|0
//   count T | item T N | sel T | select T N     combo box list
//   find T TEXT           index of the list entry TEXT, or -1
//   tab T N               select tab N by posted mouse clicks
//   clickat T X Y         a posted left click at client point X,Y of T
//   rect T                its screen rectangle          -> ok LEFT TOP RIGHT BOTTOM
//   box MS                wait for a dialog of the process other than the
//                         main window               -> ok CAPTION\tTEXT
//   press ID              press button ID of the last box
//   close                 WM_CLOSE to the main window
//   exit MS               wait for the launched process to end -> ok CODE
//   kill                  end the launched process
//   wait MS is|has|not EXPECTED CMD ARG...
//                         repeat CMD until its value is / contains / is
//                         not EXPECTED             -> its last answer, or
//                         "err timeout LAST"
//   quit
#include <windows.h>
#include <commctrl.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "tests/gui/gui_driver.h"

namespace {

struct Answer {
  bool ok;
  std::wstring value;
};

Answer Ok(const std::wstring& value = L"") { return {true, value}; }
Answer Err(const std::wstring& why) { return {false, why}; }
Answer Flag(bool on) { return Ok(on ? L"1" : L"0"); }

std::vector<std::wstring> SplitArgs(const std::wstring& line) {
  std::vector<std::wstring> args;
  std::wstring arg;
  bool inArg = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    wchar_t c = line[i];
    if (c == L' ') {
      if (inArg) args.push_back(arg);
      arg.clear();
      inArg = false;
      continue;
    }
    inArg = true;
    if (c == L'\\' && i + 1 < line.size()) {
      switch (line[++i]) {
        case L's': arg += L' '; break;
        case L't': arg += L'\t'; break;
        case L'r': arg += L'\r'; break;
        case L'n': arg += L'\n'; break;
        default: arg += line[i]; break;
      }
    } else {
      arg += c;
    }
  }
  if (inArg) args.push_back(arg);
  return args;
}

std::wstring Escaped(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    switch (c) {
      case L'\\': out += L"\\\\"; break;
      case L'\r': out += L"\\r"; break;
      case L'\n': out += L"\\n"; break;
      case L'\t': out += L"\\t"; break;
      default: out += c; break;
    }
  }
  return out;
}

bool ParseInt(const std::wstring& text, int* value) {
  if (text.empty()) return false;
  wchar_t* end = nullptr;
  long v = std::wcstol(text.c_str(), &end, 10);
  if (*end != L'\0') return false;
  *value = static_cast<int>(v);
  return true;
}

// The texts of a message box: its caption, and the text of its static
// control, or of every static with text when the box has no such control.
std::wstring BoxTexts(HWND box) {
  std::wstring texts = Text(box) + L"\t";
  if (HWND message = GetDlgItem(box, 0xFFFF)) return texts + Text(message);
  std::wstring statics;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = L"";
    GetClassNameW(child, cls, 32);
    std::wstring text = Text(child);
    if (lstrcmpiW(cls, L"Static") == 0 && !text.empty()) statics += (statics.empty() ? L"" : L" ") + text;
  }
  return texts + statics;
}

class LineDriver {
 public:
  ~LineDriver() {
    if (m_process) CloseHandle(m_process);
  }

  // False once the session should end.
  bool Run(const std::vector<std::wstring>& args, Answer* answer) {
    if (args.empty()) {
      *answer = Err(L"empty command");
      return true;
    }
    if (args[0] == L"quit") {
      *answer = Ok();
      return false;
    }
    *answer = Command(args);
    return true;
  }

 private:
  Answer Command(const std::vector<std::wstring>& a) {
    const std::wstring& cmd = a[0];
    std::size_t n = a.size();
    if (cmd == L"launch" && n == 2) return Launch(a[1]);
    if (cmd == L"attach" && n == 3) return Attach(a[1], a[2]);
    if (cmd == L"box" && n == 2) return Box(a[1]);
    if (cmd == L"press" && n == 2) return Press(a[1]);
    if (cmd == L"close" && n == 1) return Close();
    if (cmd == L"exit" && n == 2) return Exit(a[1]);
    if (cmd == L"kill" && n == 1) return Kill();
    if (cmd == L"wait" && n >= 5) return Wait(a);
    if (n < 2) return Err(L"unknown command or wrong arguments: " + cmd);

    HWND target = nullptr;
    if (!Resolve(a[1], &target)) return Err(L"no control " + a[1]);
    int number = 0, y = 0;
    if (cmd == L"text" && n == 2) return Ok(Text(target));
    if (cmd == L"settext" && n <= 3) {
      SetText(target, n == 3 ? a[2] : L"");
      return Ok();
    }
    if (cmd == L"click" && n == 2) {
      Click(target);
      return Ok();
    }
    if (cmd == L"enabled" && n == 2) return Flag(Enabled(target));
    if (cmd == L"visible" && n == 2) return Flag(Visible(target));
    if (cmd == L"checked" && n == 2) return Flag(Checked(target));
    if (cmd == L"count" && n == 2) return Ok(std::to_wstring(ComboCount(target)));
    if (cmd == L"sel" && n == 2) return Ok(std::to_wstring(ComboSel(target)));
    if (cmd == L"item" && n == 3 && ParseInt(a[2], &number)) {
      if (number < 0 || number >= ComboCount(target)) return Err(L"no item " + a[2]);
      return Ok(ComboItem(target, number));
    }
    if (cmd == L"find" && n == 3) {
      for (int i = 0; i < ComboCount(target); ++i)
        if (ComboItem(target, i) == a[2]) return Ok(std::to_wstring(i));
      return Ok(L"-1");
    }
    if (cmd == L"select" && n == 3 && ParseInt(a[2], &number)) {
      ComboSelect(target, number);
      return ComboSel(target) == number ? Ok() : Err(L"not selected: " + a[2]);
    }
    if (cmd == L"tab" && n == 3 && ParseInt(a[2], &number))
      return ClickTab(target, number) ? Ok() : Err(L"tab " + a[2] + L" not selected");
    if (cmd == L"rect" && n == 2) {
      RECT r{};
      GetWindowRect(target, &r);
      return Ok(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " + std::to_wstring(r.right) + L" " +
                std::to_wstring(r.bottom));
    }
    if (cmd == L"clickat" && n == 4 && ParseInt(a[2], &number) && ParseInt(a[3], &y)) {
      LPARAM at = MAKELPARAM(number, y);
      PostMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, at);
      PostMessageW(target, WM_LBUTTONUP, 0, at);
      return Ok();
    }
    return Err(L"unknown command or wrong arguments: " + cmd);
  }

  Answer Launch(const std::wstring& exe) {
    if (m_process) CloseHandle(m_process);
    m_process = nullptr;
    m_main = nullptr;
    std::wstring folder = exe.substr(0, exe.find_last_of(L"\\/") + 1);
    std::wstring cmdLine = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    m_launchTick = GetTickCount();
    if (!CreateProcessW(exe.c_str(), &cmdLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.empty() ? nullptr : folder.c_str(), &si, &pi))
      return Err(L"cannot start " + exe + L" (error " + std::to_wstring(GetLastError()) + L")");
    CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    m_pid = pi.dwProcessId;
    return Ok(std::to_wstring(m_pid));
  }

  Answer Attach(const std::wstring& caption, const std::wstring& msText) {
    int ms = 0;
    if (!ParseInt(msText, &ms)) return Err(L"bad time-out");
    // A launched process that has ended no longer narrows the search.
    if (m_process && WaitForSingleObject(m_process, 0) == WAIT_OBJECT_0) {
      CloseHandle(m_process);
      m_process = nullptr;
    }
    HWND found = nullptr;
    WaitUntil(
        [&] {
          if (m_process) {
            std::vector<HWND> windows = TopWindows(m_pid, caption);
            found = windows.empty() ? nullptr : windows.front();
          } else {
            found = FindWindowW(nullptr, caption.c_str());
            if (found && !IsWindowVisible(found)) found = nullptr;
          }
          return found != nullptr;
        },
        static_cast<DWORD>(ms));
    if (!found) return Err(L"no window " + caption);
    DWORD elapsed = m_process ? GetTickCount() - m_launchTick : 0;
    m_main = found;
    if (!m_process) GetWindowThreadProcessId(found, &m_pid);
    return Ok(std::to_wstring(elapsed));
  }

  // A control of the main window itself, or of the page that holds `marker`.
  bool Resolve(const std::wstring& name, HWND* out) const {
    if (!m_main) return false;
    if (name == L"main") {
      *out = m_main;
      return true;
    }
    std::size_t at = name.find(L'@');
    int id = 0, marker = 0;
    if (!ParseInt(name.substr(0, at), &id)) return false;
    if (at == std::wstring::npos) {
      marker = id;
      *out = GetDlgItem(m_main, id);
      if (*out) return true;
    } else if (!ParseInt(name.substr(at + 1), &marker)) {
      return false;
    }
    HWND page = FindPage(m_main, marker);
    *out = page ? GetDlgItem(page, id) : nullptr;
    return *out != nullptr;
  }

  Answer Box(const std::wstring& msText) {
    int ms = 0;
    if (!ParseInt(msText, &ms)) return Err(L"bad time-out");
    MessageBoxSeen seen = WaitMessageBox(m_pid, static_cast<DWORD>(ms), m_main);
    m_box = seen.hwnd;
    if (!m_box) return Err(L"no box");
    return Ok(BoxTexts(m_box));
  }

  Answer Press(const std::wstring& idText) {
    int id = 0;
    if (!ParseInt(idText, &id)) return Err(L"bad button id");
    if (!m_box || !IsWindow(m_box)) return Err(L"no box");
    PressBoxButton(m_box, id);
    HWND box = m_box;
    m_box = nullptr;
    return WaitUntil([&] { return !IsWindow(box); }, 5000) ? Ok() : Err(L"the box stays open");
  }

  Answer Close() {
    if (!m_main) return Err(L"no window");
    PostMessageW(m_main, WM_CLOSE, 0, 0);
    return Ok();
  }

  Answer Exit(const std::wstring& msText) {
    int ms = 0;
    if (!ParseInt(msText, &ms)) return Err(L"bad time-out");
    if (!m_process) return Err(L"nothing launched");
    if (WaitForSingleObject(m_process, static_cast<DWORD>(ms)) != WAIT_OBJECT_0) return Err(L"running");
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return Ok(std::to_wstring(code));
  }

  Answer Kill() {
    if (!m_process) return Err(L"nothing launched");
    TerminateProcess(m_process, 1);
    WaitForSingleObject(m_process, 5000);
    return Ok();
  }

  Answer Wait(const std::vector<std::wstring>& a) {
    int ms = 0;
    if (!ParseInt(a[1], &ms)) return Err(L"bad time-out");
    const std::wstring& mode = a[2];
    const std::wstring& expected = a[3];
    if (mode != L"is" && mode != L"has" && mode != L"not") return Err(L"bad wait mode " + mode);
    std::vector<std::wstring> inner(a.begin() + 4, a.end());
    Answer last;
    bool met = WaitUntil(
        [&] {
          last = Command(inner);
          if (!last.ok) return false;
          if (mode == L"is") return last.value == expected;
          if (mode == L"has") return last.value.find(expected) != std::wstring::npos;
          return last.value != expected;
        },
        static_cast<DWORD>(ms));
    if (met) return last;
    return Err(L"timeout " + last.value);
  }

  HANDLE m_process = nullptr;
  DWORD m_pid = 0;
  DWORD m_launchTick = 0;
  HWND m_main = nullptr;
  HWND m_box = nullptr;
};

}  // namespace

int main() {
  // Bytes as they are: UTF-8 in, UTF-8 out, lines ending in LF.
  _setmode(_fileno(stdin), _O_BINARY);
  _setmode(_fileno(stdout), _O_BINARY);
  LineDriver driver;
  std::string line;
  bool more = true;
  while (more && std::getline(std::cin, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    Answer answer;
    more = driver.Run(SplitArgs(Wide(line)), &answer);
    std::string out = answer.ok ? "ok" : "err";
    if (!answer.value.empty()) out += " " + Utf8(Escaped(answer.value));
    out += "\n";
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
  }
  return 0;
}
