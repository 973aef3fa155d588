#include "protocol/startup_detector.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/native/serial_recorder.h"
#include "tests/support/recording_sink.h"

namespace {

const std::string kEsc3 = "\x1b\x1b\x1b";

std::string Login(const char* digits) { return "   " + kEsc3 + " admin " + digits + "\n"; }

std::string Detected(const char* version) {
  return std::string("检测到设备开机，版本") + version + "，尝试连接...\r\n";
}

struct Case {
  const char* name;
  const char* chunk;
  int family;               // -1: no banner expected
  const char* login;        // six digits, or null
  const char* version;      // as reported, or null
  const char* chunkAfter;   // the chunk as the detector leaves it
  bool connected;
};

const Case kCases[] = {
    {"marvek", "boot ok\r\nMARVEK startup version 1234\r\n", 0, "004660", "1.234",
     "boot ok\r\nMARVEK startup version 1234", false},
    {"solvik_lower", "SOLVIK startup version abcd", 1, "043981", "a.bcd",
     "SOLVIK startup version abcd", false},
    {"solvik_upper", "SOLVIK startup version ABCD\n", 1, "043981", "a.bcd",
     "SOLVIK startup version ABCD", false},
    {"both_banners_marvek_wins", "SOLVIK startup version 0001 MARVEK startup version 0002", 0,
     "000002", "0.002", "SOLVIK startup version 0001 MARVEK startup version 0002", false},
    {"tail_dropped_with_system_mode", "SOLVIK startup version 0102\r\nEnter system mode\r\n", 1,
     "000258", "0.102", "SOLVIK startup version 0102", false},
    {"short_version_keeps_end", "MARVEK startup version 12", 0, "004608", "1.200",
     "MARVEK startup version 12", false},
    {"non_hex_pair_counts_zero", "MARVEK startup version 12G4", 0, "004608", "1.200",
     "MARVEK startup version 12G4", false},
    {"non_hex_first_pair", "MARVEK startup version zz34", 0, "000000", "0.000",
     "MARVEK startup version zz34", false},
    {"system_mode_without_banner", "xx Enter system mode\r\n", -1, nullptr, nullptr,
     "xx Enter system mode\r\n", true},
    {"nothing", "Enter system mod", -1, nullptr, nullptr, "Enter system mod", false},
    {"case_sensitive_banner", "marvek startup version 1234", -1, nullptr, nullptr,
     "marvek startup version 1234", false},
};

class DetectStartupTable : public ::testing::TestWithParam<Case> {};

TEST_P(DetectStartupTable, RecognisesBannerLogsInAndReports) {
  const Case& c = GetParam();
  RecordingSink sink;
  RecordedSerialWrites().clear();
  nDevFamily = 7;
  bDevSeen = 0;

  char chunk[2048];
  std::strcpy(chunk, c.chunk);
  EXPECT_EQ(0, DetectStartup(chunk));
  EXPECT_STREQ(c.chunkAfter, chunk);

  std::vector<std::string> expectedTexts;
  if (c.family >= 0) {
    EXPECT_EQ(c.family, nDevFamily.load());
    EXPECT_EQ(1, bDevSeen.load());
    ASSERT_EQ(1u, RecordedSerialWrites().size());
    EXPECT_EQ(Login(c.login), RecordedSerialWrites()[0]);
    EXPECT_EQ(20u, RecordedSerialWrites()[0].size());
    expectedTexts.push_back(Detected(c.version));
  } else {
    EXPECT_EQ(7, nDevFamily.load());
    EXPECT_EQ(0, bDevSeen.load());
    EXPECT_TRUE(RecordedSerialWrites().empty());
  }
  if (c.connected) expectedTexts.push_back("连接成功！\r\n");

  EXPECT_EQ(expectedTexts, sink.Texts(Page::Config));
  EXPECT_EQ(expectedTexts, sink.Texts(Page::Import));
  std::vector<unsigned> cfg = sink.Messages(Page::Config);
  bool startRead = !cfg.empty() && cfg.back() == WM_CFG_START_READ;
  EXPECT_EQ(c.connected, startRead);
}

INSTANTIATE_TEST_SUITE_P(Chunks, DetectStartupTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DetectStartup, ConnectionReportsComeInOrderAndRepeatedBannersLogInAgain) {
  RecordingSink sink;
  RecordedSerialWrites().clear();
  char a[] = "MARVEK startup version 0010";
  char b[] = "SOLVIK startup version 0010";
  char c[] = "Enter system mode";
  DetectStartup(a);
  DetectStartup(b);
  DetectStartup(c);
  EXPECT_EQ(2u, RecordedSerialWrites().size());
  EXPECT_EQ(1, nDevFamily.load());
  auto all = sink.All();
  ASSERT_EQ(7u, all.size());
  // Last chunk: info to the settings page, info to the import page, then the read request.
  EXPECT_EQ(WM_CFG_INFO, all[4].msg);
  EXPECT_EQ(Page::Config, all[4].page);
  EXPECT_EQ(WM_IMPORT_INFO, all[5].msg);
  EXPECT_EQ(Page::Import, all[5].page);
  EXPECT_EQ(WM_CFG_START_READ, all[6].msg);
}

TEST(HexToBytes, StopsAtTheFirstBadPairAndKeepsTheRest) {
  struct {
    const char* text;
    int result;
    unsigned char bytes[4];
  } cases[] = {
      {"0a1B2c3D", 0, {0x0a, 0x1b, 0x2c, 0x3d}},
      {"ffFF0000", 0, {0xff, 0xff, 0x00, 0x00}},
      {"12", -1, {0x12, 0xee, 0xee, 0xee}},
      {"12x4", -1, {0x12, 0xee, 0xee, 0xee}},
      {"1", -1, {0xee, 0xee, 0xee, 0xee}},
      {"", -1, {0xee, 0xee, 0xee, 0xee}},
      {"123456789a", 0, {0x12, 0x34, 0x56, 0x78}},
  };
  for (const auto& c : cases) {
    unsigned char out[4] = {0xee, 0xee, 0xee, 0xee};
    EXPECT_EQ(c.result, HexToBytes(c.text, out)) << c.text;
    EXPECT_EQ(0, std::memcmp(c.bytes, out, 4)) << c.text;
  }
}

}  // namespace
