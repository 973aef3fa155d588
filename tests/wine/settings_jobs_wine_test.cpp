// A full read and a full write of a SOLVIK and of a MARVEK unit in real
// time: the real Win32 channel against the simulated unit on a
// pseudo-terminal, the jobs on their own threads as the settings page
// starts them.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/settings_jobs.h"
#include "tests/support/logged_in_unit.h"

namespace {

// COM ports of this executable (see tests/wine/CMakeLists.txt).
constexpr int kSolvikPort = 21;
constexpr int kMarvekPort = 22;
// A full read or write takes about 14 s at the protocol's pace.
constexpr unsigned kJobTimeoutMs = 60000;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The log's bytes without the date and time of each line, which come from
// the real clock here.
std::string WithoutTimestamps(const std::string& log) {
  static const std::regex kStamp("\\d\\d/\\d\\d/\\d\\d \\d\\d:\\d\\d:\\d\\d \\[");
  return std::regex_replace(log, kStamp, "[");
}

std::string LogText(const std::vector<transcripts::LogLine>& lines) {
  std::string out;
  for (const auto& line : lines) {
    out += line.level == LOG_DEBUG ? "[DEBUG   ]: " : "[INFOR   ]: ";
    for (char c : line.text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    out += "\r\n";
  }
  return out;
}

struct FamilyCase {
  const char* name;
  int port;
  const char* family;
  const transcripts::UnitValues* unit;
  const std::vector<transcripts::Step>* read;
  SDevSettings (*record)();
  const std::vector<transcripts::Step>* write;
};

const FamilyCase kFamilies[] = {
    {"Solvik", kSolvikPort, "solvik", &transcripts::kSolvikUnit, &transcripts::kSolvikRead,
     transcripts::EarPlugRecord, &transcripts::kSolvikEarPlugWrite},
    {"Marvek", kMarvekPort, "marvek", &transcripts::kMarvekUnit, &transcripts::kMarvekRead,
     transcripts::HeadphoneRecord, &transcripts::kMarvekHeadphoneWrite},
};

class SettingsJobsOnSimulatedUnit : public testing::TestWithParam<FamilyCase> {
 protected:
  void SetUp() override {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    dir_ = std::string(temp) + "rvz_settings_" + GetParam().name + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(dir_.c_str(), nullptr);
    LogClose();
    LogSetExecutableDir(dir_);
    ASSERT_TRUE(sim_.ConnectFromEnv()) << "no simulator: run through ctest";
  }
  void TearDown() override {
    WaitJobsIdle(kJobTimeoutMs);
    SerialClose();
    SerialSetChunkHook(nullptr);
    std::string path = LogCurrentPath();
    LogClose();
    LogSetExecutableDir("");
    DeleteFileA(path.c_str());
    RemoveDirectoryA((dir_ + "\\log").c_str());
    RemoveDirectoryA(dir_.c_str());
  }

  // Starts a job as the page does and waits for its end. Returns the
  // result's wparam; the result must be followed by WM_CFG_SHOW_SETTINGS.
  std::uintptr_t RunJob(bool started, unsigned resultMsg) {
    EXPECT_TRUE(started);
    std::uintptr_t result = 9;
    EXPECT_TRUE(sink_.WaitFor(resultMsg, kJobTimeoutMs, &result));
    EXPECT_TRUE(WaitJobsIdle(kJobTimeoutMs));
    const std::vector<unsigned> messages = sink_.Messages(Page::Config);
    EXPECT_LE(2u, messages.size());
    if (messages.size() >= 2) {
      EXPECT_EQ((std::vector<unsigned>{resultMsg, WM_CFG_SHOW_SETTINGS}),
                std::vector<unsigned>(messages.end() - 2, messages.end()));
    }
    return result;
  }

  // The lines the unit received from the tool, after the login line.
  std::vector<std::string> CommandsReceived(int port) {
    std::vector<std::string> lines = sim_.Lines(port);
    if (!lines.empty()) lines.erase(lines.begin());
    for (std::string& line : lines) line += "\n";
    return lines;
  }

  std::string dir_;
  SimControl sim_;
  WaitingSink sink_;
};

TEST_P(SettingsJobsOnSimulatedUnit, FullReadThenFullWrite) {
  const FamilyCase& c = GetParam();
  ASSERT_EQ("", StartLoggedInUnit(sim_, sink_, c.port, c.family, *c.unit));
  ASSERT_EQ(1, LogOpen("RivovaZiv"));

  // The read, started as the page starts it on "Enter system mode".
  SDevSettings record;
  ASSERT_EQ(1u, RunJob(StartJob(ReadAllSettings, &record), WM_CFG_READ_RESULT));
  EXPECT_EQ(transcripts::InfoTexts(*c.read), sink_.Texts(Page::Config));
  EXPECT_EQ(transcripts::Commands(*c.read), CommandsReceived(c.port));
  for (const auto& [param, value] : *c.unit) {
    for (const auto& pf : transcripts::kParamFields) {
      if (pf.param == param && pf.field) {
        EXPECT_EQ(value, record.*pf.field) << "parameter " << param;
      }
    }
  }
  if (std::string(c.family) == "marvek") {
    EXPECT_EQ(1, record.nGroupId);
  }

  // The write of the form's values.
  sink_.Forget();
  record = c.record();
  ASSERT_EQ(1u, RunJob(StartWriteJob(&record), WM_CFG_WRITE_RESULT));
  EXPECT_EQ(transcripts::InfoTexts(*c.write), sink_.Texts(Page::Config));

  // The unit now holds the record; what the write leaves out keeps its default.
  for (const auto& pf : transcripts::kParamFields) {
    int value = 0;
    if (!sim_.Param(c.port, pf.param, &value)) continue;  // a MARVEK unit has no group
    if (pf.param == 5 && std::string(c.family) == "marvek") continue;
    if (pf.field) {
      EXPECT_EQ(record.*pf.field, value) << "parameter " << pf.param;
    } else {
      EXPECT_EQ(1, value) << "the voice-activation switch";  // written on, or its default
    }
  }

  std::vector<transcripts::LogLine> expected = transcripts::LogLines(*c.read);
  const auto writeLines = transcripts::LogLines(*c.write);
  expected.insert(expected.end(), writeLines.begin(), writeLines.end());
  EXPECT_EQ(LogText(expected), WithoutTimestamps(ReadFile(LogCurrentPath())));
}

INSTANTIATE_TEST_SUITE_P(Families, SettingsJobsOnSimulatedUnit, testing::ValuesIn(kFamilies),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
