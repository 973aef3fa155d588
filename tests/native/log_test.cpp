#include "log/log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::tm Date(int year, int month, int day, int h, int m, int s) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = h;
  tm.tm_min = m;
  tm.tm_sec = s;
  return tm;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("rvz_log_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    LogSetExecutableDir(dir_.string());
    SetClock(Date(2021, 3, 9, 14, 3, 27));
  }
  void TearDown() override {
    LogClose();
    LogSetClock(nullptr);
    LogSetExecutableDir("");
    fs::remove_all(dir_);
  }
  void SetClock(std::tm tm) {
    LogSetClock([tm] { return tm; });
  }
  fs::path LogFile(const char* name) const { return dir_ / "log" / name; }

  fs::path dir_;
};

TEST_F(LogTest, FileBesideTheExecutableAndLineFormat) {
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogWrite(LOG_DEBUG, "SerialRead failed.");
  LogWrite(LOG_INFOR, "%s %d", "get", 4);
  EXPECT_EQ(LogFile("RivovaZiv_03-09-21.log").string(), LogCurrentPath());
  EXPECT_EQ(
      "03/09/21 14:03:27 [DEBUG   ]: SerialRead failed.\r\n"
      "03/09/21 14:03:27 [INFOR   ]: get 4\r\n",
      ReadFile(LogFile("RivovaZiv_03-09-21.log")));
}

TEST_F(LogTest, LevelNamesAndLineEnds) {
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogWrite(LOG_WARNING, "w");
  LogWrite(LOG_ERROR, "e");
  LogWrite(LOG_FATALERR, "f");
  LogWrite(LOG_INFOR, "频道是----%d\r\n", 10);  // ends in CR LF: an empty line follows
  LogWrite(LOG_INFOR, "get 4\n");
  const std::string expected =
      "03/09/21 14:03:27 [WARNING ]: w\r\n"
      "03/09/21 14:03:27 [ERROR   ]: e\r\n"
      "03/09/21 14:03:27 [FATALERR]: f\r\n"
      "03/09/21 14:03:27 [INFOR   ]: 频道是----10\r\r\n\r\n"
      "03/09/21 14:03:27 [INFOR   ]: get 4\r\n\r\n";
  EXPECT_EQ(expected, ReadFile(LogFile("RivovaZiv_03-09-21.log")));
}

TEST_F(LogTest, SameDayAppendsOtherDayStartsANewFile) {
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogWrite(LOG_DEBUG, "first run");
  LogClose();
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogWrite(LOG_DEBUG, "second run");
  LogClose();
  SetClock(Date(2021, 3, 10, 8, 0, 0));
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogWrite(LOG_DEBUG, "next day");
  LogClose();

  std::string day1 = ReadFile(LogFile("RivovaZiv_03-09-21.log"));
  EXPECT_NE(std::string::npos, day1.find("first run"));
  EXPECT_NE(std::string::npos, day1.find("second run"));
  EXPECT_EQ("03/10/21 08:00:00 [DEBUG   ]: next day\r\n", ReadFile(LogFile("RivovaZiv_03-10-21.log")));
}

TEST_F(LogTest, RunPastMidnightKeepsItsFileWithTheNewDateInLines) {
  SetClock(Date(2021, 12, 31, 23, 59, 59));
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  SetClock(Date(2022, 1, 1, 0, 0, 5));
  LogWrite(LOG_INFOR, "after midnight");
  EXPECT_EQ("01/01/22 00:00:05 [INFOR   ]: after midnight\r\n",
            ReadFile(LogFile("RivovaZiv_12-31-21.log")));
  EXPECT_FALSE(fs::exists(LogFile("RivovaZiv_01-01-22.log")));
}

TEST_F(LogTest, WriteAfterCloseReopensAsLog) {
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogClose();
  LogWrite(LOG_DEBUG, "late job line");
  EXPECT_EQ("03/09/21 14:03:27 [DEBUG   ]: late job line\r\n", ReadFile(LogFile("log_03-09-21.log")));
}

TEST_F(LogTest, UnwritableFolderDropsLinesAndCarriesOn) {
  // A plain file where the folder should be: the log folder cannot exist.
  fs::path blocker = dir_ / "blocked";
  std::ofstream(blocker) << "x";
  LogSetExecutableDir(blocker.string());
  EXPECT_EQ(0, LogOpen("RivovaZiv"));
  LogWrite(LOG_DEBUG, "dropped");
  LogWrite(LOG_INFOR, "dropped too");
  EXPECT_EQ("", LogCurrentPath());
  // Once the folder can be written again the next line reopens the log.
  LogSetExecutableDir(dir_.string());
  LogWrite(LOG_DEBUG, "back");
  EXPECT_EQ("03/09/21 14:03:27 [DEBUG   ]: back\r\n", ReadFile(LogFile("log_03-09-21.log")));
}

TEST_F(LogTest, LongMessageIsCutToItsBuffer) {
  ASSERT_EQ(1, LogOpen("RivovaZiv"));
  LogWrite(LOG_DEBUG, "%s", std::string(5000, 'x').c_str());
  std::string text = ReadFile(LogFile("RivovaZiv_03-09-21.log"));
  EXPECT_EQ("03/09/21 14:03:27 [DEBUG   ]: " + std::string(1023, 'x') + "\r\n", text);
}

TEST_F(LogTest, LinesFromManyThreadsNeverInterleave) {
  // Start closed: the threads race on the lazy open too.
  constexpr int kThreads = 8, kLines = 300;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i) LogWrite(LOG_INFOR, "thread %d line %d %s", t, i, "payload");
    });
  for (auto& th : threads) th.join();

  std::istringstream in(ReadFile(LogFile("log_03-09-21.log")));
  std::string line;
  std::vector<int> next(kThreads, 0);
  int count = 0;
  while (std::getline(in, line)) {
    int t = -1, i = -1;
    char tail[16] = {};
    ASSERT_EQ(3, std::sscanf(line.c_str(), "03/09/21 14:03:27 [INFOR   ]: thread %d line %d %15s", &t, &i, tail))
        << line;
    ASSERT_STREQ("payload", tail);
    ASSERT_EQ('\r', line.back());
    ASSERT_EQ(next[t], i) << "lines of one thread out of order";
    ++next[t];
    ++count;
  }
  EXPECT_EQ(kThreads * kLines, count);
}

}  // namespace
