// Start-up detection over the real channel under Wine: the simulated unit
// powers on, the tool logs in through the reader's hook, and the unit's
// "Enter system mode" reaches both pages and starts the read.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "protocol/notify.h"
#include "protocol/startup_detector.h"
#include "serial/serial.h"
#include "tests/support/recording_sink.h"
#include "tests/wine/channel_test_support.h"

namespace {

// COM port of this executable (see tests/wine/CMakeLists.txt).
constexpr int kPort = 14;

void DetectStartupHook(char* chunk) { DetectStartup(chunk); }

bool WaitForMessage(const RecordingSink& sink, Page page, unsigned msg, DWORD ms) {
  for (Stopwatch watch; watch.Ms() < ms; Sleep(20)) {
    for (unsigned m : sink.Messages(page))
      if (m == msg) return true;
  }
  return false;
}

TEST(StartupLoginTest, PowerOnLeadsToLoginAndSystemMode) {
  RecordingSink sink;
  SerialSetChunkHook(DetectStartupHook);
  SimUnit unit;
  unit.Create(kPort, "marvek", "1234");
  ASSERT_EQ(SerialOpen(unit.PortName().c_str()), SERIAL_OK);

  unit.PowerOn();
  ASSERT_TRUE(WaitForMessage(sink, Page::Config, WM_CFG_START_READ, 8000));
  SerialClose();
  SerialSetChunkHook(nullptr);

  // Version 1234: login number 0x1234 = 4660, sent one character per 50 ms.
  const std::string login = "   \x1b\x1b\x1b admin 004660\n";
  ASSERT_EQ(login.size(), 20u);
  std::vector<SimRecordedByte> bytes = unit.Record();
  EXPECT_EQ(unit.RecordText(), login);
  Pacing pacing = ExpectPaced(bytes, 50.0);
  std::printf("FIGURE login_line median=%.1f worst=%.1f\n", pacing.median, pacing.worst);

  const std::string detected = "检测到设备开机，版本1.234，尝试连接...\r\n";
  const std::string connected = "连接成功！\r\n";
  const std::vector<std::string> texts = {detected, connected};
  EXPECT_EQ(sink.Texts(Page::Config), texts);
  EXPECT_EQ(sink.Texts(Page::Import), texts);
  EXPECT_EQ(sink.Messages(Page::Config),
            (std::vector<unsigned>{WM_CFG_INFO, WM_CFG_INFO, WM_CFG_START_READ}));
  EXPECT_EQ(nDevFamily.load(), DEV_FAMILY_MARVEK);
  EXPECT_EQ(bDevSeen.load(), 1);
  DrainReceiveBuffer();
}

}  // namespace
