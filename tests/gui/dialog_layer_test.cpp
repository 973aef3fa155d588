// The dialog layer on a real dialog under Wine: radio groups, integer and
// text exchange in both directions, the warning boxes, and where the focus
// goes when a value is refused.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/data_exchange.h"
#include "dialogs/dialog.h"
#include "dialogs/gbk_text.h"
#include "dialogs/message_box.h"
#include "tests/gui/dialog_layer_test_ids.h"
#include "tests/gui/gui_driver.h"

namespace {

class CDdxTestDlg : public CDialog {
 public:
  CDdxTestDlg() : CDialog(IDD_DDX_TEST) {}
  int m_nRadio = 0, m_nFirst = 1, m_nRanged = 2, m_nLast = 3;
  std::string m_strText;

 protected:
  void DoDataExchange(CDataExchange& dx) override {
    DDX_Radio(dx, IDC_T_RADIO_A, m_nRadio);
    DDX_Text(dx, IDC_T_FIRST, m_nFirst);
    DDX_Text(dx, IDC_T_RANGED, m_nRanged);
    DDV_MinMaxInt(dx, m_nRanged, 2, 90);
    DDX_Text(dx, IDC_T_LAST, m_nLast);
    DDX_Text(dx, IDC_T_TEXT, m_strText);
  }
};

// Answers the message boxes of this process with OK, from its own thread,
// and keeps their texts.
class BoxAnswerer {
 public:
  BoxAnswerer() : m_thread([this] { Run(); }) {}
  ~BoxAnswerer() {
    m_stop = true;
    m_thread.join();
  }
  std::vector<std::wstring> Texts() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_texts;
  }

 private:
  static BOOL CALLBACK Visit(HWND hwnd, LPARAM lp) {
    auto* self = reinterpret_cast<BoxAnswerer*>(lp);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    // InternalGetWindowText sends nothing: the windows' thread may be busy.
    wchar_t caption[128] = L"";
    InternalGetWindowText(hwnd, caption, 128);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(hwnd) || AppName() != caption) return TRUE;
    if (GetPropW(hwnd, L"rvz-answered")) return TRUE;
    SetPropW(hwnd, L"rvz-answered", reinterpret_cast<HANDLE>(1));
    wchar_t text[256] = L"";
    InternalGetWindowText(GetDlgItem(hwnd, 0xFFFF), text, 256);
    {
      std::lock_guard<std::mutex> guard(self->m_lock);
      self->m_texts.push_back(text);
    }
    PostMessageW(hwnd, WM_COMMAND, IDOK, 0);
    return TRUE;
  }
  void Run() {
    while (!m_stop) {
      EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
      Sleep(20);
    }
  }

  std::atomic<bool> m_stop{false};
  std::mutex m_lock;
  std::vector<std::wstring> m_texts;
  std::thread m_thread;
};

class DialogLayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dlg.Create(nullptr));
    ShowWindow(m_dlg.GetHwnd(), SW_SHOW);
  }
  void TearDown() override { DestroyWindow(m_dlg.GetHwnd()); }

  HWND Item(int id) const { return m_dlg.Item(id); }
  void Type(int id, const wchar_t* text) const { SetWindowTextW(Item(id), text); }
  std::wstring TextOf(int id) const {
    wchar_t text[256] = L"";
    GetWindowTextW(Item(id), text, 256);
    return text;
  }
  bool IsChecked(int id) const { return SendMessageW(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }

  CDdxTestDlg m_dlg;
};

TEST(ParseDialogIntTest, SignedDecimalWithBlanksAround) {
  const struct {
    const char* text;
    bool ok;
    int value;
  } cases[] = {
      {"12", true, 12},        {" \t-3\t ", true, -3},  {"+7", true, 7},         {"0", true, 0},
      {"", false, 0},          {"  ", false, 0},        {"-", false, 0},         {"1 2", false, 0},
      {"12a", false, 0},       {"0x10", false, 0},      {"1.5", false, 0},       {"\n5", false, 0},
      {"2147483647", true, 2147483647},                 {"-2147483648", true, -2147483647 - 1},
      {"99999999999", true, 2147483647},                {"-99999999999", true, -2147483647 - 1},
      {"000000000000000000000042", true, 42},
  };
  for (const auto& c : cases) {
    int value = -99;
    EXPECT_EQ(ParseDialogInt(c.text, value), c.ok) << '"' << c.text << '"';
    if (c.ok) {
      EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST_F(DialogLayerTest, RadioGroupCountsOnlyItsButtonsHiddenOnesIncluded) {
  const struct {
    int value;
    bool a, b, c;
  } shown[] = {{0, true, false, false}, {1, false, true, false}, {2, false, false, true},
               {5, false, false, false}, {-1, false, false, false}};
  for (const auto& s : shown) {
    m_dlg.m_nRadio = s.value;
    ASSERT_TRUE(m_dlg.UpdateData(false));
    EXPECT_EQ(IsChecked(IDC_T_RADIO_A), s.a) << s.value;
    EXPECT_EQ(IsChecked(IDC_T_RADIO_B), s.b) << s.value;
    EXPECT_EQ(IsChecked(IDC_T_RADIO_C), s.c) << s.value;
    m_dlg.m_nRadio = 77;
    ASSERT_TRUE(m_dlg.UpdateData(true));
    EXPECT_EQ(m_dlg.m_nRadio, s.value >= 0 && s.value <= 2 ? s.value : -1) << s.value;
  }
}

TEST_F(DialogLayerTest, ShowWritesIntegersAndGbkTextWithoutTheRangeRule) {
  BoxAnswerer boxes;
  m_dlg.m_nFirst = -12;
  m_dlg.m_nRanged = 95;
  m_dlg.m_strText = "设置内容";  // GBK bytes in the program
  ASSERT_TRUE(m_dlg.UpdateData(false));
  EXPECT_EQ(TextOf(IDC_T_FIRST), L"-12");
  EXPECT_EQ(TextOf(IDC_T_RANGED), L"95");
  EXPECT_EQ(TextOf(IDC_T_TEXT), L"设置内容");
  Sleep(200);
  EXPECT_TRUE(boxes.Texts().empty());

  m_dlg.m_strText.clear();
  m_dlg.m_nRanged = 5;
  Type(IDC_T_RANGED, L"5");
  ASSERT_TRUE(m_dlg.UpdateData(true));
  EXPECT_EQ(m_dlg.m_strText, std::string("设置内容"));
  EXPECT_EQ(GbkToWide(m_dlg.m_strText), L"设置内容");
}

// A refused value: its box, the focus on its edit with the text selected,
// and every value after it kept.
TEST_F(DialogLayerTest, RefusedValueStopsTheExchange) {
  const struct {
    const wchar_t *first, *ranged, *last;
    std::wstring box;
    int focus;
    int first_, ranged_, last_;  // the members afterwards (before: 1, 2, 3)
  } cases[] = {
      {L"abc", L"50", L"7", L"请输入一个整数。", IDC_T_FIRST, 1, 2, 3},
      {L"", L"50", L"7", L"请输入一个整数。", IDC_T_FIRST, 1, 2, 3},
      {L"4", L"x", L"7", L"请输入一个整数。", IDC_T_RANGED, 4, 2, 3},
      {L"4", L" 95 ", L"7", L"请输入一个 2 至 90 之间的整数。", IDC_T_RANGED, 4, 95, 3},
      {L"4", L"1", L"7", L"请输入一个 2 至 90 之间的整数。", IDC_T_RANGED, 4, 1, 3},
      {L"4", L"90", L"7 7", L"请输入一个整数。", IDC_T_LAST, 4, 90, 3},
  };
  for (const auto& c : cases) {
    m_dlg.m_nFirst = 1, m_dlg.m_nRanged = 2, m_dlg.m_nLast = 3;
    m_dlg.m_strText = "kept";
    Type(IDC_T_FIRST, c.first);
    Type(IDC_T_RANGED, c.ranged);
    Type(IDC_T_LAST, c.last);
    Type(IDC_T_TEXT, L"typed");
    BoxAnswerer boxes;
    EXPECT_FALSE(m_dlg.UpdateData(true)) << Utf8(c.first);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>{c.box}) << Utf8(c.first);
    EXPECT_EQ(m_dlg.m_nFirst, c.first_);
    EXPECT_EQ(m_dlg.m_nRanged, c.ranged_);
    EXPECT_EQ(m_dlg.m_nLast, c.last_);
    EXPECT_EQ(m_dlg.m_strText, "kept");
    EXPECT_EQ(GetFocus(), Item(c.focus));
    DWORD start = 0, end = 0;
    SendMessageW(Item(c.focus), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, static_cast<DWORD>(GetWindowTextLengthW(Item(c.focus))));
  }
}

TEST_F(DialogLayerTest, AcceptedValuesAreAllTaken) {
  BoxAnswerer boxes;
  Type(IDC_T_FIRST, L" -8 ");
  Type(IDC_T_RANGED, L"90");
  Type(IDC_T_LAST, L"+0");
  Type(IDC_T_TEXT, L"导入配置");
  ASSERT_TRUE(m_dlg.UpdateData(true));
  EXPECT_EQ(m_dlg.m_nFirst, -8);
  EXPECT_EQ(m_dlg.m_nRanged, 90);
  EXPECT_EQ(m_dlg.m_nLast, 0);
  EXPECT_EQ(m_dlg.m_strText, std::string("导入配置"));
  Sleep(200);
  EXPECT_TRUE(boxes.Texts().empty());
}

}  // namespace
