// RivovaZiv.exe under Wine and Xvfb, driven from outside as a person would,
// against simulated units (tools/wine_gui.py run starts the display and the
// prefix, tests/wine/with-sim.sh the simulator).
//
//   rivovaziv_gui_test APP_EXE [gtest options]     (a Windows or a Linux path)
//
// Environment: RVZ_GUI_SHOTS, a folder for screenshots; RVZ_GUI_ACP, the
// ANSI code page the locale must give (1252 English, 936 Chinese).
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resource.h"
#include "sim/sim_control.h"
#include "tests/gui/gui_driver.h"

namespace {

std::wstring g_appExe;

const wchar_t kCaption[] = L"KV200_KV300_KV400设置工具";
const wchar_t kAppName[] = L"RivovaZiv";

constexpr DWORD kWindowMs = 20000;
// Power-on, login and the whole read take about 12 s on the real clock.
constexpr DWORD kReadMs = 60000;
constexpr DWORD kWriteMs = 90000;

// Each test has its own unit, on COM<number> of the prefix.
enum { kUnitRead = 21, kUnitNoPower = 22, kUnitImport = 23, kUnitCloseWrite = 24 };

const int kFormControls[] = {
    IDC_CFG_CHANNEL,  IDC_CFG_HEADSET_EARHOOK, IDC_CFG_HEADSET_HEADBAND, IDC_CFG_VOX_NORMAL, IDC_CFG_VOX_LOCK,
    IDC_CFG_SET,      IDC_CFG_SCENE_LEVEL,     IDC_CFG_EXTENSION,        IDC_CFG_PASSWORD,   IDC_CFG_PTT_NORMAL,
    IDC_CFG_PTT_LOCK, IDC_CFG_GROUP,           IDC_CFG_NOISE_LEVEL,      IDC_CFG_POWER,
};

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

std::size_t Count(const std::wstring& text, const std::wstring& part) {
  std::size_t n = 0;
  for (std::size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + part.size())) ++n;
  return n;
}

SimControl& Sim() {
  static SimControl control;
  if (!control.IsConnected()) control.ConnectFromEnv();
  return control;
}

// The main window and its pages, started fresh for each test.
class GuiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_app.Start(g_appExe)) << "cannot start " << Utf8(g_appExe);
    m_main = m_app.WaitMainWindow(kWindowMs);
    ASSERT_NE(m_main, nullptr) << "no main window";
    m_tab = GetDlgItem(m_main, IDC_MAIN_TAB);
    m_cfg = FindPage(m_main, IDC_CFG_OPEN);
    m_imp = FindPage(m_main, IDC_IMP_IMPORT);
    ASSERT_NE(m_cfg, nullptr);
    ASSERT_NE(m_imp, nullptr);
  }

  void TearDown() override {
    if (m_main && IsWindow(m_main)) {
      // Leave no box open, then close as the operator would.
      for (HWND box : TopWindows(m_app.Pid(), L"", L"#32770"))
        if (box != m_main) PressBoxButton(box, IDCANCEL);
      PostMessageW(m_main, WM_COMMAND, IDCANCEL, 0);
    }
    if (!m_app.WaitExit(10000)) ADD_FAILURE() << "the program did not end after close";
    m_app.Kill();
  }

  HWND Cfg(int id) const { return GetDlgItem(m_cfg, id); }
  HWND Imp(int id) const { return GetDlgItem(m_imp, id); }
  std::wstring Info() const { return Text(Cfg(IDC_CFG_INFO)); }
  std::wstring Output() const { return Text(Imp(IDC_IMP_OUTPUT)); }

  bool WaitInfo(const std::wstring& part, DWORD ms) const {
    return WaitUntil([&] { return Contains(Info(), part); }, ms);
  }

  // Answers every message box with OK until none comes within `quietMs`;
  // returns their texts in order.
  std::vector<std::wstring> AnswerBoxes(DWORD firstMs = 5000, DWORD quietMs = 1000) {
    std::vector<std::wstring> texts;
    for (DWORD wait = firstMs;; wait = quietMs) {
      MessageBoxSeen box = WaitMessageBox(m_app.Pid(), wait, m_main);
      if (!box.hwnd) return texts;
      EXPECT_EQ(box.caption, kAppName);
      texts.push_back(box.text);
      PressBoxButton(box.hwnd, IDOK);
      WaitUntil([&] { return !IsWindow(box.hwnd); }, 3000);
    }
  }

  void Shot(const char* name) const {
    const char* dir = std::getenv("RVZ_GUI_SHOTS");
    if (!dir || !*dir) return;
    Sleep(300);  // let the last paint land
    std::wstring path = Wide(dir) + L"\\" + Wide(name) + L".bmp";
    EXPECT_TRUE(SaveScreenshot(path)) << Utf8(path);
  }

  // Picks COM<number> in the port list and opens it.
  void OpenPort(int number) {
    HWND ports = Cfg(IDC_CFG_PORT);
    Click(Cfg(IDC_CFG_REFRESH));
    std::wstring name = L"COM" + std::to_wstring(number);
    int index = -1;
    ASSERT_TRUE(WaitUntil(
        [&] {
          for (int i = 0; i < ComboCount(ports); ++i)
            if (ComboItem(ports, i) == name) index = i;
          return index >= 0;
        },
        5000))
        << Utf8(name) << " is not in the port list";
    ComboSelect(ports, index);
    Click(Cfg(IDC_CFG_OPEN));
    ASSERT_TRUE(WaitUntil([&] { return Text(Cfg(IDC_CFG_OPEN)) == L"关闭端口"; }, 5000));
  }

  // A unit that switches on once the port is open; waits for the read.
  void OpenAndRead(int number, const char* family) {
    ASSERT_TRUE(Sim().CreateUnit(number, family, "0102"));
    ASSERT_TRUE(Sim().AutoPowerOn(number, 300));
    ASSERT_NO_FATAL_FAILURE(OpenPort(number));
    ASSERT_TRUE(WaitInfo(L"获取配置成功！", kReadMs)) << Utf8(Info());
  }

  // Types the four checked values of the form.
  void TypeForm(const wchar_t* channel, const wchar_t* extension, const wchar_t* password, const wchar_t* group) {
    SetText(Cfg(IDC_CFG_CHANNEL), channel);
    SetText(Cfg(IDC_CFG_EXTENSION), extension);
    SetText(Cfg(IDC_CFG_PASSWORD), password);
    SetText(Cfg(IDC_CFG_GROUP), group);
  }

  AppProcess m_app;
  HWND m_main = nullptr, m_tab = nullptr, m_cfg = nullptr, m_imp = nullptr;
};

TEST_F(GuiTest, MainWindowTabsAboutEnterAndEsc) {
  const char* acp = std::getenv("RVZ_GUI_ACP");
  if (acp) {
    EXPECT_EQ(GetACP(), static_cast<UINT>(std::atoi(acp))) << "the locale did not give its code page";
  }
  EXPECT_EQ(Text(m_main), kCaption);
  EXPECT_EQ(SendMessageW(m_tab, TCM_GETITEMCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(m_tab, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(Visible(m_cfg));
  EXPECT_FALSE(Visible(m_imp));
  // The pages sit in the tab control's client area: 4 in, 20 below the top.
  RECT tab, page;
  GetWindowRect(m_tab, &tab);
  GetWindowRect(m_cfg, &page);
  EXPECT_EQ(page.left - tab.left, 4);
  EXPECT_EQ(page.top - tab.top, 20);
  EXPECT_EQ(tab.right - page.right, 4);
  EXPECT_EQ(tab.bottom - page.bottom, 4);

  // The first change always takes effect; the pages follow the tab.
  ASSERT_TRUE(ClickTab(m_tab, 1));
  EXPECT_TRUE(WaitUntil([&] { return Visible(m_imp) && !Visible(m_cfg); }, 2000));
  Shot("import-page");
  ASSERT_TRUE(ClickTab(m_tab, 0));
  EXPECT_TRUE(WaitUntil([&] { return Visible(m_cfg) && !Visible(m_imp); }, 2000));

  // The about entry of the system menu.
  PostMessageW(m_main, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  MessageBoxSeen about = WaitMessageBox(m_app.Pid(), 5000, m_main);
  ASSERT_NE(about.hwnd, nullptr);
  EXPECT_EQ(about.caption, L"关于");
  Shot("about-box");
  Click(GetDlgItem(about.hwnd, IDOK));
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(about.hwnd); }, 3000));

  // Enter leaves the window open; Esc closes it and the process ends.
  PressKey(m_main, VK_RETURN);
  Sleep(700);
  EXPECT_TRUE(IsWindow(m_main));
  PressKey(m_main, VK_ESCAPE);
  DWORD code = 99;
  EXPECT_TRUE(m_app.WaitExit(5000, &code));
  EXPECT_EQ(code, 0u);
  m_main = nullptr;
}

TEST_F(GuiTest, SettingsPageStartsClosedWithItsValueLists) {
  EXPECT_EQ(Text(Cfg(IDC_CFG_OPEN)), L"打开端口");
  for (int id : {IDC_CFG_PORT, IDC_CFG_OPEN, IDC_CFG_REFRESH, IDC_CFG_INFO}) EXPECT_TRUE(Enabled(Cfg(id))) << id;
  EXPECT_FALSE(Enabled(Cfg(IDC_CFG_HOST_TYPE)));
  for (int id : kFormControls) EXPECT_FALSE(Enabled(Cfg(id))) << id;
  EXPECT_FALSE(Visible(Cfg(IDC_CFG_VOX_SMART)));
  EXPECT_FALSE(Enabled(Imp(IDC_IMP_OPEN)));
  EXPECT_FALSE(Enabled(Imp(IDC_IMP_IMPORT)));

  const struct {
    int id;
    std::vector<std::wstring> entries;
  } lists[] = {
      {IDC_CFG_SCENE_LEVEL,
       {L"0----相对安静场合，说话声音比较小", L"1----适合绝大多数场所，说话声音响亮",
        L"2----非常嘈杂场所，需大嗓门声音洪亮", L"3----噪声震耳欲聋，需大声吼才能听见",
        L"4----噪声震耳欲聋，需更大声吼才能听见"}},
      {IDC_CFG_NOISE_LEVEL,
       {L"0----不使用背景声抑制功能", L"1----背景声抑制程度1%", L"2----背景声抑制程度2%", L"3----背景声抑制程度3%",
        L"4----背景声抑制程度4%", L"5----背景声抑制程度5%"}},
      {IDC_CFG_POWER, {L"等级一", L"等级二", L"等级三", L"等级四", L"等级五"}},
  };
  for (const auto& list : lists) {
    HWND combo = Cfg(list.id);
    ASSERT_EQ(ComboCount(combo), static_cast<int>(list.entries.size())) << list.id;
    EXPECT_EQ(ComboSel(combo), -1) << list.id;
    for (int i = 0; i < ComboCount(combo); ++i) EXPECT_EQ(ComboItem(combo, i), list.entries[i]) << list.id;
  }
  Shot("settings-page-closed");
}

TEST_F(GuiTest, FailedOpenShowsItsBoxAndLeavesThePortClosed) {
  // A name typed into the port box is opened by that name.
  SetText(Cfg(IDC_CFG_PORT), L"COM99");
  Click(Cfg(IDC_CFG_OPEN));
  MessageBoxSeen box = WaitMessageBox(m_app.Pid(), 5000, m_main);
  ASSERT_NE(box.hwnd, nullptr);
  EXPECT_EQ(box.caption, kAppName);
  EXPECT_EQ(box.text, L"打开端口失败");
  Shot("open-failed");
  PressBoxButton(box.hwnd, IDOK);
  ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box.hwnd); }, 3000));

  EXPECT_EQ(Text(Cfg(IDC_CFG_OPEN)), L"打开端口");
  for (int id : {IDC_CFG_PORT, IDC_CFG_OPEN, IDC_CFG_REFRESH}) EXPECT_TRUE(Enabled(Cfg(id))) << id;
  for (int id : kFormControls) EXPECT_FALSE(Enabled(Cfg(id))) << id;
  EXPECT_FALSE(Enabled(Imp(IDC_IMP_IMPORT)));
  EXPECT_NE(m_app.LogText().find("Open COM99"), std::string::npos);
}

TEST_F(GuiTest, ReadFillsTheFormAndSetWritesItBack) {
  SimControl& sim = Sim();
  ASSERT_TRUE(sim.CreateUnit(kUnitRead, "solvik", "0102"));
  ASSERT_TRUE(sim.SetParam(kUnitRead, 100, 0));  // extension unit
  ASSERT_TRUE(sim.SetParam(kUnitRead, 4, 17));
  ASSERT_TRUE(sim.SetParam(kUnitRead, 5, 4));
  ASSERT_TRUE(sim.AutoPowerOn(kUnitRead, 300));
  ASSERT_NO_FATAL_FAILURE(OpenPort(kUnitRead));

  for (int id : kFormControls) EXPECT_TRUE(Enabled(Cfg(id))) << id;
  EXPECT_FALSE(Enabled(Cfg(IDC_CFG_PORT)));
  EXPECT_FALSE(Enabled(Cfg(IDC_CFG_REFRESH)));
  EXPECT_TRUE(WaitUntil([&] { return Enabled(Imp(IDC_IMP_IMPORT)) && Enabled(Imp(IDC_IMP_OPEN)); }, 3000));

  // An arriving line changes only the information box: what the operator
  // typed stays.
  ASSERT_TRUE(WaitInfo(L"连接成功！", kReadMs)) << Utf8(Info());
  SetText(Cfg(IDC_CFG_CHANNEL), L"55");
  std::size_t before = Info().size();
  ASSERT_TRUE(WaitUntil([&] { return Info().size() > before; }, 10000));
  EXPECT_EQ(Text(Cfg(IDC_CFG_CHANNEL)), L"55");

  ASSERT_TRUE(WaitInfo(L"获取配置成功！", kReadMs)) << Utf8(Info());
  std::wstring info = Info();
  EXPECT_TRUE(Contains(info, L"检测到设备开机")) << Utf8(info);
  // Every line: HH:MM:SS, one blank, the text.
  for (std::size_t at = 0; at < info.size();) {
    std::size_t end = info.find(L"\r\n", at);
    std::wstring line = info.substr(at, end == std::wstring::npos ? std::wstring::npos : end - at);
    ASSERT_GE(line.size(), 9u) << Utf8(line);
    EXPECT_TRUE(iswdigit(line[0]) && iswdigit(line[1]) && line[2] == L':' && line[5] == L':' && line[8] == L' ')
        << Utf8(line);
    at = end == std::wstring::npos ? info.size() : end + 2;
  }

  // The form shows the unit's values, enabled by its role and family.
  EXPECT_EQ(Text(Cfg(IDC_CFG_CHANNEL)), L"17");
  EXPECT_EQ(Text(Cfg(IDC_CFG_GROUP)), L"4");
  EXPECT_EQ(Text(Cfg(IDC_CFG_HOST_TYPE)), L"分机");
  EXPECT_TRUE(Enabled(Cfg(IDC_CFG_EXTENSION)));
  EXPECT_TRUE(Enabled(Cfg(IDC_CFG_GROUP)));
  EXPECT_EQ(ComboSel(Cfg(IDC_CFG_SCENE_LEVEL)), 2);
  EXPECT_EQ(ComboSel(Cfg(IDC_CFG_NOISE_LEVEL)), 3);
  EXPECT_EQ(ComboSel(Cfg(IDC_CFG_POWER)), 2);
  EXPECT_TRUE(Checked(Cfg(IDC_CFG_HEADSET_EARHOOK)));
  Shot("settings-page-read");

  // Set's checks, in their order; a refused Set sends nothing.
  const struct {
    const wchar_t *channel, *extension, *password, *group;
    std::vector<std::wstring> boxes;
  } refused[] = {
      {L"95", L"3", L"1234", L"2", {L"请输入一个 2 至 90 之间的整数。", L"频道必须在2-90之间的整数。"}},
      {L"1", L"3", L"1234", L"2", {L"请输入一个 2 至 90 之间的整数。", L"频道必须在2-90之间的整数。"}},
      {L"95", L"0", L"0", L"13", {L"请输入一个 2 至 90 之间的整数。", L"频道必须在2-90之间的整数。"}},
      {L"10", L"0", L"1234", L"2", {L"分机编号必须在1-12之间，包括1和12。"}},
      {L"10", L"13", L"0", L"2", {L"分机编号必须在1-12之间，包括1和12。"}},
      {L"10", L"3", L"0", L"2", {L"通信密码必须在1-999999999之间的整数。"}},
      {L"10", L"3", L"1000000000", L"13", {L"通信密码必须在1-999999999之间的整数。"}},
      {L"10", L"3", L"99999999999", L"2", {L"通信密码必须在1-999999999之间的整数。"}},
      {L"10", L"3", L"-5", L"2", {L"通信密码必须在1-999999999之间的整数。"}},
      {L"10", L"3", L"1234", L"13", {L"分组编号必须在0-12之间的整数。"}},
      {L"10", L"3", L"1234", L"-1", {L"分组编号必须在0-12之间的整数。"}},
  };
  ASSERT_TRUE(sim.ClearRecord(kUnitRead));
  for (const auto& c : refused) {
    TypeForm(c.channel, c.extension, c.password, c.group);
    Click(Cfg(IDC_CFG_SET));
    EXPECT_EQ(AnswerBoxes(), c.boxes) << Utf8(c.channel) << " " << Utf8(c.extension) << " " << Utf8(c.password)
                                      << " " << Utf8(c.group);
  }
  EXPECT_TRUE(sim.Record(kUnitRead).empty()) << "a refused Set sent bytes to the unit";

  // A valid Set restores the defaults and writes every value.
  TypeForm(L"33", L"5", L"1", L"12");
  Click(Cfg(IDC_CFG_SET));
  // " 配置成功！": the read's "获取配置成功！" holds the same words.
  ASSERT_TRUE(WaitUntil([&] { return Contains(Info(), L" 配置成功！\r\n") || Contains(Info(), L" 配置失败！"); },
                        kWriteMs))
      << Utf8(Info());
  ASSERT_EQ(Count(Info(), L" 配置成功！\r\n"), 1u) << Utf8(Info());
  int value = 0;
  const struct {
    int parameter, value;
  } written[] = {{4, 33}, {3, 5}, {1, 1}, {5, 12}, {12, 2}, {27, 1}, {23, 3}, {110, 2}};
  for (const auto& w : written) {
    ASSERT_TRUE(sim.Param(kUnitRead, w.parameter, &value));
    EXPECT_EQ(value, w.value) << "parameter " << w.parameter;
  }
  EXPECT_EQ(Text(Cfg(IDC_CFG_CHANNEL)), L"33");
  Shot("settings-page-written");
}

TEST_F(GuiTest, SetBeforeTheFirstReadNamesTheEmptyField) {
  SimControl& sim = Sim();
  ASSERT_TRUE(sim.CreateUnit(kUnitNoPower, "marvek", "1234"));  // stays switched off
  ASSERT_NO_FATAL_FAILURE(OpenPort(kUnitNoPower));

  // An empty channel stops the exchange at the channel, with the focus on
  // it and its text selected; Set then tests the channel it kept (0).
  TypeForm(L"", L"3", L"1234", L"0");
  Click(Cfg(IDC_CFG_SET));
  EXPECT_EQ(AnswerBoxes(), (std::vector<std::wstring>{L"请输入一个整数。", L"频道必须在2-90之间的整数。"}));
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(m_main, nullptr), &gui));
  EXPECT_EQ(gui.hwndFocus, Cfg(IDC_CFG_CHANNEL));

  // Each list without a selection is named, one after the other.
  SetText(Cfg(IDC_CFG_CHANNEL), L"10");
  const struct {
    int selectBefore;
    const wchar_t* box;
  } steps[] = {
      {0, L"请选择场景声等级。"},
      {IDC_CFG_SCENE_LEVEL, L"请选择背景声抑制等级。"},
      {IDC_CFG_NOISE_LEVEL, L"请选择功率。"},
  };
  for (const auto& step : steps) {
    if (step.selectBefore) ComboSelect(Cfg(step.selectBefore), 1);
    Click(Cfg(IDC_CFG_SET));
    EXPECT_EQ(AnswerBoxes(), std::vector<std::wstring>{step.box});
  }
  EXPECT_TRUE(sim.Record(kUnitNoPower).empty()) << "a refused Set sent bytes to the unit";

  // Closing the port disables the form and the import page's buttons.
  Click(Cfg(IDC_CFG_OPEN));
  ASSERT_TRUE(WaitUntil([&] { return Text(Cfg(IDC_CFG_OPEN)) == L"打开端口"; }, 5000));
  for (int id : kFormControls) EXPECT_FALSE(Enabled(Cfg(id))) << id;
  EXPECT_TRUE(Enabled(Cfg(IDC_CFG_REFRESH)));
  EXPECT_TRUE(WaitUntil([&] { return !Enabled(Imp(IDC_IMP_IMPORT)) && !Enabled(Imp(IDC_IMP_OPEN)); }, 3000));
  EXPECT_EQ(ComboSel(Cfg(IDC_CFG_PORT)), 0);
}

TEST_F(GuiTest, ImportPlaysAScriptOneRunAtATime) {
  ASSERT_NO_FATAL_FAILURE(OpenAndRead(kUnitImport, "solvik"));
  EXPECT_TRUE(Contains(Output(), L"连接成功！")) << Utf8(Output());

  ASSERT_TRUE(ClickTab(m_tab, 1));
  ASSERT_TRUE(Enabled(Imp(IDC_IMP_OPEN)));

  // Cancelling the open-file dialog empties the path box.
  SetText(Imp(IDC_IMP_PATH), L"something");
  Click(Imp(IDC_IMP_OPEN));
  MessageBoxSeen chooser = WaitMessageBox(m_app.Pid(), 10000, m_main);
  ASSERT_NE(chooser.hwnd, nullptr);
  Shot("open-file-dialog");
  PressBoxButton(chooser.hwnd, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return Text(Imp(IDC_IMP_PATH)).empty(); }, 5000)) << Utf8(Text(Imp(IDC_IMP_PATH)));

  // A script: one pair that matches the unit's answer, one that does not.
  wchar_t temp[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, temp);
  std::wstring script = std::wstring(temp) + L"rvz-gui-script-" + std::to_wstring(GetCurrentProcessId()) + L".txt";
  if (FILE* file = _wfopen(script.c_str(), L"wb")) {
    std::fputs("write get 4\r\nread channel\r\nwrite get 3\r\nread no such text\r\n"
               "write get 1\r\nread no such text\r\n",
               file);
    std::fclose(file);
  }
  SetText(Imp(IDC_IMP_PATH), script);  // a path typed by hand
  Click(Imp(IDC_IMP_IMPORT));
  Click(Imp(IDC_IMP_IMPORT));  // refused while the first run talks to the unit
  // So is Set on the other page, and the record is left alone.
  ASSERT_TRUE(ClickTab(m_tab, 0));
  Click(Cfg(IDC_CFG_SET));
  EXPECT_TRUE(WaitInfo(L"设备忙，请稍后再试\r\n", 5000)) << Utf8(Info());
  ASSERT_TRUE(ClickTab(m_tab, 1));
  ASSERT_TRUE(WaitUntil([&] { return Contains(Output(), L"配置失败----write get 1\n\r\n"); }, 20000))
      << Utf8(Output());
  std::wstring output = Output();
  EXPECT_EQ(Count(output, L"配置成功----write get 4\n\r\n"), 1u) << Utf8(output);
  EXPECT_EQ(Count(output, L"配置失败----write get 3\n\r\n"), 1u) << Utf8(output);
  EXPECT_EQ(Count(output, L"设备忙，请稍后再试\r\n"), 1u) << Utf8(output);
  Shot("import-page-run");
  DeleteFileW(script.c_str());

  ASSERT_TRUE(ClickTab(m_tab, 0));
  Click(Cfg(IDC_CFG_OPEN));
  EXPECT_TRUE(WaitUntil([&] { return !Enabled(Imp(IDC_IMP_IMPORT)) && !Enabled(Imp(IDC_IMP_OPEN)); }, 5000));
}

TEST_F(GuiTest, ClosingDuringAWriteEndsCleanly) {
  ASSERT_NO_FATAL_FAILURE(OpenAndRead(kUnitCloseWrite, "marvek"));
  SimControl& sim = Sim();

  Click(Cfg(IDC_CFG_SET));
  ASSERT_TRUE(WaitInfo(L"重置成功", 15000)) << Utf8(Info());
  DWORD start = GetTickCount();
  PressKey(m_main, VK_ESCAPE);
  DWORD code = 99;
  ASSERT_TRUE(m_app.WaitExit(10000, &code));
  std::printf("FIGURE close_during_write_ms=%lu\n", GetTickCount() - start);
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(WaitUntil([&] { return !sim.PortHeld(kUnitCloseWrite); }, 3000));
  // The job had ended before the log closed: a line after LogClose would
  // have opened log\log_MM-DD-YY.log.
  WIN32_FIND_DATAW found;
  HANDLE late = FindFirstFileW((m_app.Folder() + L"\\log\\log_*.log").c_str(), &found);
  EXPECT_EQ(late, INVALID_HANDLE_VALUE) << "a job wrote to the log after the program closed it";
  if (late != INVALID_HANDLE_VALUE) FindClose(late);
  m_main = nullptr;
}

// From launch to the main window on screen, several times; the median.
TEST(GuiStartup, TimeToMainWindow) {
  std::vector<DWORD> times;
  for (int run = 0; run < 5; ++run) {
    AppProcess app;
    DWORD start = GetTickCount();
    ASSERT_TRUE(app.Start(g_appExe));
    HWND main = app.WaitMainWindow(kWindowMs);
    ASSERT_NE(main, nullptr);
    times.push_back(GetTickCount() - start);
    PressKey(main, VK_ESCAPE);
    ASSERT_TRUE(app.WaitExit(10000));
  }
  std::sort(times.begin(), times.end());
  std::printf("FIGURE startup_to_main_window_ms median=%lu min=%lu max=%lu\n", times[2], times.front(),
              times.back());
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (argc < 2) {
    std::fprintf(stderr, "usage: rivovaziv_gui_test APP_EXE [gtest options]\n");
    return 2;
  }
  g_appExe = Wide(argv[1]);
  // A Linux path reaches the program through Wine's drive Z:.
  if (!g_appExe.empty() && g_appExe[0] == L'/') {
    std::replace(g_appExe.begin(), g_appExe.end(), L'/', L'\\');
    g_appExe = L"Z:" + g_appExe;
  }
  return RUN_ALL_TESTS();
}
