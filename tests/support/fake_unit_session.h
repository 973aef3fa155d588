// What the native job tests stand on: a log folder of the running test's
// own, and a unit switched on and logged in over the fake channel.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "log/log.h"
#include "protocol/startup_detector.h"
#include "serial/serial.h"
#include "tests/fake/fake_channel.h"

// A folder named after the running test, taken as the executable's folder
// by the log; removed with everything below it at the end.
class TestLogFolder {
 public:
  explicit TestLogFolder(const std::string& prefix)
      : path_(std::filesystem::temp_directory_path() /
              (prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name())) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
    LogClose();
    LogSetExecutableDir(path_.string());
  }
  ~TestLogFolder() {
    LogClose();
    LogSetExecutableDir("");
    std::filesystem::remove_all(path_);
  }
  TestLogFolder(const TestLogFolder&) = delete;
  TestLogFolder& operator=(const TestLogFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// Opens the fake channel with the start-up detector as its hook, switches a
// unit of `family` on and lets it log in. The boot text is taken out of the
// receive buffer (it is no answer) and the unit's record of sent bytes is
// cleared. Use with ASSERT_NO_FATAL_FAILURE.
inline void StartFakeLoggedInUnit(sim::Family family) {
  FakeChannel& channel = FakeChannel::Instance();
  channel.Reset(family);
  SerialSetChunkHook([](char* chunk) { DetectStartup(chunk); });
  ASSERT_EQ(0, SerialOpen("COM3"));
  channel.PowerOn();
  char boot[kSerialRecvSize];
  SerialRead(sizeof boot - 1, boot);
  ASSERT_EQ(channel.Unit().mode(), sim::UnitMode::System);
  ASSERT_EQ(1, bDevSeen.load());
  ASSERT_EQ(family == sim::Family::Solvik ? 1 : 0, nDevFamily.load());
  channel.ClearSent();
}
