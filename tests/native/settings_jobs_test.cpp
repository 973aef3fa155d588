// The read and write jobs against the simulated unit on the fake channel:
// commands, stored values, reports, log lines and every way a job ends.
#include "protocol/settings_jobs.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/notify.h"
#include "protocol/parameter_table.h"
#include "protocol/startup_detector.h"
#include "serial/serial.h"
#include "tests/fake/fake_channel.h"
#include "tests/support/fake_unit_session.h"
#include "tests/support/recording_sink.h"
#include "tests/support/settings_transcripts.h"

namespace fs = std::filesystem;

namespace {

using transcripts::LogLine;

using transcripts::kParamFields;
using transcripts::ParamField;

// The get command of a parameter as the unit's faults name it: "get 4".
std::string GetKey(const ParamField& p) { return "get " + std::to_string(p.param); }

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// The log file's bytes for these lines, written at the fixture's clock.
std::string LogFileText(const std::vector<LogLine>& lines) {
  static const char* const kLevels[] = {"DEBUG   ", "INFOR   "};
  std::string out;
  for (const LogLine& line : lines) {
    out += std::string("03/09/21 14:03:27 [") + kLevels[line.level] + "]: ";
    for (char c : line.text) {
      if (c == '\n') out += '\r';
      out += c;
    }
    out += "\r\n";
  }
  return out;
}

// A unit switched on and logged in over the fake channel, a log file of
// its own with a fixed clock, and a recorder for what the jobs post.
class SettingsJobTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LogSetClock([] {
      std::tm tm{};
      tm.tm_year = 121, tm.tm_mon = 2, tm.tm_mday = 9, tm.tm_hour = 14, tm.tm_min = 3, tm.tm_sec = 27;
      return tm;
    });
  }

  void TearDown() override {
    SerialClose();
    LogSetClock(nullptr);
  }

  // Switches a unit on and lets it log in; the log starts empty after it.
  void StartUnit(sim::Family family) {
    ASSERT_NO_FATAL_FAILURE(StartFakeLoggedInUnit(family));
    sink_.Clear();
    ASSERT_EQ(1, LogOpen("RivovaZiv"));
  }

  sim::UnitModel& Unit() { return FakeChannel::Instance().Unit(); }
  std::vector<std::string> Commands() const { return FakeChannel::Instance().SentLines(); }
  std::string Log() const { return ReadFile(dir_ / "log" / "RivovaZiv_03-09-21.log"); }
  std::vector<std::string> Infos() const { return sink_.Texts(Page::Config); }
  // The messages without text, with their wparam, in order.
  std::vector<std::pair<unsigned, std::uintptr_t>> Results() const {
    std::vector<std::pair<unsigned, std::uintptr_t>> out;
    for (const auto& n : sink_.All())
      if (!n.hasText) out.emplace_back(n.msg, n.wparam);
    return out;
  }

  void ExpectLogEndsWith(const LogLine& line) const {
    const std::string want = LogFileText({line});
    const std::string log = Log();
    EXPECT_EQ(want, log.substr(log.size() - std::min(log.size(), want.size())));
  }

  TestLogFolder folder_{"rvz_settings_"};
  const fs::path& dir_ = folder_.path();
  RecordingSink sink_;
};

using ResultList = std::vector<std::pair<unsigned, std::uintptr_t>>;
const ResultList kReadDone = {{WM_CFG_READ_RESULT, 1}, {WM_CFG_SHOW_SETTINGS, 0}};
const ResultList kReadFailed = {{WM_CFG_READ_RESULT, 0}};
const ResultList kWriteDone = {{WM_CFG_WRITE_RESULT, 1}, {WM_CFG_SHOW_SETTINGS, 0}};
const ResultList kWriteFailed = {{WM_CFG_WRITE_RESULT, 0}};

void ExpectTranscript(const std::vector<transcripts::Step>& steps,
                      const std::vector<std::string>& commands,
                      const std::vector<std::string>& infos, const std::string& log) {
  EXPECT_EQ(transcripts::Commands(steps), commands);
  EXPECT_EQ(transcripts::InfoTexts(steps), infos);
  EXPECT_EQ(LogFileText(transcripts::LogLines(steps)), log);
}

void SetUnit(sim::UnitModel& unit, const transcripts::UnitValues& values) {
  for (auto [param, value] : values) unit.SetParam(param, value);
}

TEST_F(SettingsJobTest, FullReadOfSolvikUnit) {
  StartUnit(sim::Family::Solvik);
  SetUnit(Unit(), transcripts::kSolvikUnit);
  SDevSettings record;

  ReadAllSettings(&record);

  ExpectTranscript(transcripts::kSolvikRead, Commands(), Infos(), Log());
  EXPECT_EQ(kReadDone, Results());
  for (const ParamField& s : kParamFields) {
    if (s.field) {
      EXPECT_EQ(Unit().Param(s.param), record.*s.field) << s.param;
    }
  }
}

TEST_F(SettingsJobTest, FullReadOfMarvekUnitSkipsGroupAndSetsItToOne) {
  StartUnit(sim::Family::Marvek);
  SetUnit(Unit(), transcripts::kMarvekUnit);
  SDevSettings record;
  record.nGroupId = 7;

  ReadAllSettings(&record);

  ExpectTranscript(transcripts::kMarvekRead, Commands(), Infos(), Log());
  EXPECT_EQ(kReadDone, Results());
  EXPECT_EQ(1, record.nGroupId);
  EXPECT_EQ(2, record.nVoxMode);
  EXPECT_EQ(0, record.bNoiseSuppress);
}

using transcripts::EarPlugRecord;

TEST_F(SettingsJobTest, FullWriteOfSolvikUnitWithEarPlug) {
  StartUnit(sim::Family::Solvik);
  const SDevSettings record = EarPlugRecord();
  SDevSettings copy = record;

  WriteAllSettings(&copy);

  ExpectTranscript(transcripts::kSolvikEarPlugWrite, Commands(), Infos(), Log());
  EXPECT_EQ(kWriteDone, Results());
  for (const ParamField& s : kParamFields)
    EXPECT_EQ(s.field ? record.*s.field : 1, Unit().Param(s.param)) << s.param;
  EXPECT_EQ(0, std::memcmp(&record, &copy, sizeof record)) << "the write changed the record";
}

TEST_F(SettingsJobTest, FullWriteOfMarvekUnitWithHeadphone) {
  StartUnit(sim::Family::Marvek);
  SDevSettings record = transcripts::HeadphoneRecord();
  Unit().SetParam(25, 0);  // restore switches it on again

  WriteAllSettings(&record);

  ExpectTranscript(transcripts::kMarvekHeadphoneWrite, Commands(), Infos(), Log());
  EXPECT_EQ(kWriteDone, Results());
  for (const ParamField& s : kParamFields) {
    if (s.param == 5) continue;  // a MARVEK unit has no group
    int expected = s.field ? record.*s.field : sim::UnitModel::DefaultParam(25);
    EXPECT_EQ(expected, Unit().Param(s.param)) << s.param;
  }
}

TEST_F(SettingsJobTest, NegativeValuesGoOutAsMinusAndDigits) {
  StartUnit(sim::Family::Solvik);
  SDevSettings record = EarPlugRecord();
  record.nChannel = -5;
  record.nPassword = -123;
  record.nPowerLevel = -1;

  WriteAllSettings(&record);

  const std::vector<std::string> commands = Commands();
  ASSERT_EQ(14u, commands.size());
  EXPECT_EQ("set 4 -5\n", commands[2]);
  EXPECT_EQ("set 1 -123\n", commands[5]);
  EXPECT_EQ("set 110 -1\n", commands[13]);
  const std::vector<std::string> infos = Infos();
  ASSERT_EQ(14u, infos.size());
  EXPECT_EQ("设置频道-----5\r\n", infos[2]);
  EXPECT_EQ("设置通信密码-----123\r\n", infos[5]);
  EXPECT_EQ("设置发射功率等级----0.\r\n", infos[13]);
}

TEST_F(SettingsJobTest, NoUnitSeenEndsAtOnceWithoutSendingOrLogging) {
  StartUnit(sim::Family::Solvik);
  bDevSeen = 0;
  SDevSettings record = EarPlugRecord();
  SDevSettings untouched = record;

  ReadAllSettings(&record);
  WriteAllSettings(&record);

  bDevSeen = 1;
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ("", Log());
  EXPECT_TRUE(Infos().empty());
  EXPECT_EQ((ResultList{{WM_CFG_READ_RESULT, 0}, {WM_CFG_WRITE_RESULT, 0}}), Results());
  EXPECT_EQ(0, std::memcmp(&record, &untouched, sizeof record));
}

// ---------------------------------------------------------------------------
// A job that fails at step k: a unit that goes silent there, or answers
// without the phrase the step needs.

struct FailureCase {
  const char* key;          // the command the fault is put on
  const char* failureText;  // logged when the answer lacks the step's phrase
};

const FailureCase kReadFailures[] = {
    {"get 100", "Working mode Pattern not match."},
    {"get 4", "Channel Pattern not match.\r\n"},
    {"get 3", "Local Id Pattern not match.\r\n"},
    {"get 5", "Group Id Pattern not match.\r\n"},
    {"get 1", "Voice password Pattern not match.\r\n"},
    {"get 11", "Headphone Type Pattern not match."},
    {"get 25", "VOX Pattern not match.\r\n"},
    {"get 27", "Background suppress Pattern not match."},
    {"get 23", "Background suppress Pattern not match."},
    {"get 12", "Background suppress Pattern not match."},
    {"get 26", "VOX mode Pattern not match."},
    {"get 13", "PTT mode Pattern not match."},
    {"get 110", "Power Level Pattern not match."},
};

class ReadFailure : public SettingsJobTest, public ::testing::WithParamInterface<std::size_t> {
 protected:
  // Runs a read of a SOLVIK unit whose answers change at step k, with a
  // record that starts out different from the unit in every field.
  void RunWithFault(sim::FaultKind kind, const char* failureText) {
    const std::size_t k = GetParam();
    StartUnit(sim::Family::Solvik);
    Unit().SetFault(kind, kReadFailures[k].key);
    SDevSettings record;
    for (const ParamField& s : kParamFields)
      if (s.field) record.*s.field = -1000;

    ReadAllSettings(&record);

    const std::vector<std::string> commands = Commands();
    ASSERT_EQ(k + 1, commands.size()) << "nothing is sent after the failing step";
    for (std::size_t i = 0; i <= k; ++i) EXPECT_EQ(GetKey(kParamFields[i]) + "\n", commands[i]);
    for (std::size_t i = 0; i < 13; ++i) {
      const ParamField& s = kParamFields[i];
      if (!s.field) continue;
      EXPECT_EQ(i < k ? Unit().Param(s.param) : -1000, record.*s.field) << s.param;
    }
    EXPECT_EQ(k, Infos().size()) << "the failure itself is not shown by the job";
    EXPECT_EQ(kReadFailed, Results());
    ExpectLogEndsWith({LOG_DEBUG, failureText});
  }
};

TEST_P(ReadFailure, SilentUnitEndsTheReadKeepingEarlierFields) {
  RunWithFault(sim::FaultKind::Silent, "SerialRead failed.");
}

TEST_P(ReadFailure, MissingPhraseEndsTheReadWithTheStepsText) {
  RunWithFault(sim::FaultKind::NoPhrase, kReadFailures[GetParam()].failureText);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, ReadFailure, ::testing::Range<std::size_t>(0, 13));

struct WriteStepInfo {
  const char* key;
  int param;
  std::int32_t SDevSettings::*field;  // null: the switch, written as 1
  const char* failureText;  // null: the step needs no phrase
};

const WriteStepInfo kWriteSteps[] = {
    {"restore", 0, nullptr, "Restore Pattern not match.\r\n"},
    {"set 100", 100, &SDevSettings::nWorkMode, "Working mode Pattern not match.\r\n"},
    {"set 4", 4, &SDevSettings::nChannel, "Channel Pattern not match."},
    {"set 3", 3, &SDevSettings::nLocalId, "Local Id Pattern not match."},
    {"set 5", 5, &SDevSettings::nGroupId, "Group Id Pattern not match."},
    {"set 1", 1, &SDevSettings::nPassword, "Voice password Pattern not match."},
    {"set 11", 11, &SDevSettings::nHeadsetType, "Head phone type Pattern not match."},
    {"set 25", 25, nullptr, "VOX Pattern not match..\r\n"},
    {"set 27", 27, &SDevSettings::bNoiseSuppress, "Silence suppress Pattern not match."},
    {"set 23", 23, &SDevSettings::nSuppressLevel, nullptr},
    {"set 12", 12, &SDevSettings::nSceneLevel, "Background suppression Pattern not match."},
    {"set 26", 26, &SDevSettings::nVoxMode, "VOX mode Pattern not match."},
    {"set 13", 13, &SDevSettings::nPttMode, "PTT mode Pattern not match."},
    {"set 110", 110, &SDevSettings::nPowerLevel, "Power level Pattern not match."},
};

class WriteFailure : public SettingsJobTest, public ::testing::WithParamInterface<std::size_t> {
 protected:
  void RunWithFault(sim::FaultKind kind, const char* failureText) {
    const std::size_t k = GetParam();
    StartUnit(sim::Family::Solvik);
    for (int param : sim::kUnitParameters) Unit().SetParam(param, -7);  // neither default nor written
    Unit().SetFault(kind, kWriteSteps[k].key);
    SDevSettings record = EarPlugRecord();

    WriteAllSettings(&record);

    if (!failureText) {  // a step without a required phrase passes
      EXPECT_EQ(14u, Commands().size());
      EXPECT_EQ(kWriteDone, Results());
      EXPECT_EQ(13u, Infos().size()) << "the step passes without its report";
      return;
    }
    ASSERT_EQ(k + 1, Commands().size()) << "nothing is sent after the failing step";
    EXPECT_EQ(k, Infos().size());
    EXPECT_EQ(kWriteFailed, Results());
    ExpectLogEndsWith({LOG_DEBUG, failureText});
    // The unit holds what the finished steps wrote, and its defaults (or,
    // when restore never reached it, its old values) for the rest. A unit
    // that answers without the phrase has still carried the command out.
    const bool failedStepApplied = kind == sim::FaultKind::NoPhrase;
    for (std::size_t i = 1; i < 14; ++i) {
      const WriteStepInfo& s = kWriteSteps[i];
      bool applied = i < k || (i == k && failedStepApplied);
      int written = s.field ? record.*s.field : 1;
      int rest = k == 0 && !failedStepApplied ? -7 : sim::UnitModel::DefaultParam(s.param);
      EXPECT_EQ(applied ? written : rest, Unit().Param(s.param)) << s.key;
    }
  }
};

TEST_P(WriteFailure, SilentUnitEndsTheWrite) {
  RunWithFault(sim::FaultKind::Silent, "SerialRead failed.");
}

TEST_P(WriteFailure, MissingPhraseEndsTheWriteWithTheStepsText) {
  RunWithFault(sim::FaultKind::NoPhrase, kWriteSteps[GetParam()].failureText);
}

INSTANTIATE_TEST_SUITE_P(EveryStep, WriteFailure, ::testing::Range<std::size_t>(0, 14));

// ---------------------------------------------------------------------------
// How values are taken from answers worded otherwise than the unit's own.

struct ReadWordingCase {
  const char* name;
  std::size_t step;      // index into kParamFields
  const char* answer;
  int expected;          // the field afterwards; kUnchanged: as before
  const char* infoText;  // the step's report, or null for none
};

constexpr int kUnchanged = -1000;

const ReadWordingCase kReadWordings[] = {
    {"LockInsideUnlock", 10, "VOX mode unlock\r\n", 2, "VOX触发模式----持续通话.\r\n"},
    {"NormalBeforeLock", 10, "VOX mode lock normal\r\n", 0, "VOX触发模式----声控.\r\n"},
    {"IntelligentBeforeLock", 10, "VOX mode lock intelligent\r\n", 1, "VOX触发模式----智能声控.\r\n"},
    {"EnableInsideEnabled", 7, "Background suppress enabled\r\n", 1, "背景声抑制打开.\r\n"},
    {"AlwaysSwitchesOn", 7, "suppress always\r\n", 1, "背景声抑制打开.\r\n"},
    {"DisabledSwitchesOff", 7, "suppress disabled\r\n", 0, "背景声抑制关闭.\r\n"},
    {"PowerWithoutIsKeepsValue", 12, "Transmit power level 3\r\n", kUnchanged, nullptr},
    {"PowerNegative", 12, "power is -1\r\n", -1, "发射功率等级----0.\r\n"},
    {"ChannelWithoutValuePhraseStoresZero", 1, "channel 12\r\n", 0, "频道是----0\r\n"},
    {"ChannelSignAndBlanks", 1, "channel is   -8x\r\n", -8, "频道是-----8\r\n"},
    {"UnknownWorkModeKeepsValue", 0, "Working mode unknown\r\n", kUnchanged, nullptr},
    {"EarPlugBeforeHeadphone", 5, "Head phone type headphone ear plug\r\n", 0, "耳机类型----耳挂式耳塞\r\n"},
    {"PttNormalBeforeLockUnlock", 11, "PTT lock/unlock normal\r\n", 0, "PTT按键使用模式----按下说话\r\n"},
    {"PttUnlockAloneKeepsValue", 11, "PTT unlock\r\n", kUnchanged, nullptr},
    {"VoxSwitchNeitherWord", 6, "VOX off\r\n", kUnchanged, nullptr},
    {"PasswordFirstOccurrence", 4, "password is 42, old password is 7\r\n", 42, "通信密码----42\r\n"},
};

class ReadWording : public SettingsJobTest, public ::testing::WithParamInterface<ReadWordingCase> {};

TEST_P(ReadWording, TakesTheValueByTheRule) {
  const ReadWordingCase& c = GetParam();
  StartUnit(sim::Family::Solvik);
  const ParamField& step = kParamFields[c.step];
  Unit().ScriptAnswer(GetKey(step), c.answer);
  SDevSettings record;
  if (step.field) record.*step.field = kUnchanged;

  ReadAllSettings(&record);

  EXPECT_EQ(kReadDone, Results());
  if (step.field) {
    EXPECT_EQ(c.expected, record.*step.field);
  }
  const std::vector<std::string> infos = Infos();
  // Every other step reports once, so the step's report sits at its index.
  if (c.infoText) {
    ASSERT_EQ(13u, infos.size());
    EXPECT_EQ(c.infoText, infos[c.step]);
  } else {
    EXPECT_EQ(12u, infos.size());
  }
}

INSTANTIATE_TEST_SUITE_P(Answers, ReadWording, ::testing::ValuesIn(kReadWordings),
                         [](const auto& info) { return std::string(info.param.name); });

struct WriteWordingCase {
  const char* name;
  std::size_t step;  // index into kWriteSteps
  const char* answer;
  std::vector<std::string> infoTexts;  // the step's reports, in order
};

const WriteWordingCase kWriteWordings[] = {
    {"BothHeadsetReportsInOrder", 6, "head phone type headphone ear plug\r\n",
     {"设置耳机类型----耳挂式耳塞.\r\n", "设置耳机类型----头戴式耳机.\r\n"}},
    {"ChannelWithoutConfirmation", 2, "channel unchanged\r\n", {}},
    {"SuppressLevelWhateverItHolds", 9, "xyz\r\n", {}},
    {"SuppressLevelConfirmedByTo", 9, "up to you\r\n", {"背景声抑制等级----5.\r\n"}},
    {"WorkModeReportFollowsTheRecord", 1, "master\r\n", {"主机类型----自由\r\n"}},
    {"SwitchReportFollowsTheRecord", 8, "suppress off\r\n", {"背景声抑制打开.\r\n"}},
    {"VoxModeBothConfirmations", 11, "VOX mode normal. ptt lock\r\n",
     {"设置VOX触发----声控.\r\n", "设置VOX触发----持续通话.\r\n"}},
    {"PttBothWords", 12, "PTT mode normal lock/unlock\r\n",
     {"设置PPT按键使用模式----按下说话.\r\n", "设置PPT按键使用模式----按下锁定持续通话.\r\n"}},
    {"PowerLevelShowsRecordNotAnswer", 13, "power level is 1\r\n", {"设置发射功率等级----5.\r\n"}},
};

class WriteWording : public SettingsJobTest, public ::testing::WithParamInterface<WriteWordingCase> {};

TEST_P(WriteWording, ReportsByTheConfirmingPhrases) {
  const WriteWordingCase& c = GetParam();
  StartUnit(sim::Family::Solvik);
  Unit().ScriptAnswer(kWriteSteps[c.step].key, c.answer);
  SDevSettings record = EarPlugRecord();

  WriteAllSettings(&record);

  EXPECT_EQ(kWriteDone, Results());
  const std::vector<std::string> infos = Infos();
  // Every other step reports once.
  ASSERT_EQ(13u + c.infoTexts.size(), infos.size());
  std::vector<std::string> stepInfos(infos.begin() + c.step, infos.begin() + c.step + c.infoTexts.size());
  EXPECT_EQ(c.infoTexts, stepInfos);
}

INSTANTIATE_TEST_SUITE_P(Answers, WriteWording, ::testing::ValuesIn(kWriteWordings),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SettingsJobTest, SmartVoxModeIsWrittenWithoutReport) {
  StartUnit(sim::Family::Solvik);
  SDevSettings record = EarPlugRecord();
  record.nVoxMode = 1;

  WriteAllSettings(&record);

  EXPECT_EQ(kWriteDone, Results());
  EXPECT_EQ(13u, Infos().size());
  EXPECT_EQ(1, Unit().Param(26));
}

// Each step matches only what it took: text that comes after the read of
// one step is part of the next step's answer.
TEST_F(SettingsJobTest, LateTextBelongsToTheNextStep) {
  StartUnit(sim::Family::Solvik);
  Unit().SetParam(3, 7);
  Unit().ScriptAnswer("get 4", "channel is 37\r\nLocal ID is 99\r\n");
  Unit().SetFault(sim::FaultKind::Split, "get 4", 700);  // the second half comes late
  SDevSettings record;

  ReadAllSettings(&record);

  EXPECT_EQ(kReadDone, Results());
  EXPECT_EQ(37, record.nChannel);
  EXPECT_EQ(99, record.nLocalId);
}

// ---------------------------------------------------------------------------

struct NumberCase {
  const char* answer;
  const char* phrase;
  int expected;
};

TEST(NumberAfter, ConvertsTheTextRightAfterThePhrase) {
  const NumberCase cases[] = {
      {"channel is 42\r\n", "channel is ", 42},
      {"channel is -42", "channel is ", -42},
      {"channel is \t +7x", "channel is ", 7},
      {"channel is x7", "channel is ", 0},
      {"channel is ", "channel is ", 0},
      {"channel is -", "channel is ", 0},
      {"channel was 5", "channel is ", 0},
      {"ID is 3 ID is 4", "ID is ", 3},
      {"is 2147483647", "is ", INT_MAX},
      {"is 2147483648", "is ", INT_MAX},
      {"is 99999999999999999999999", "is ", INT_MAX},
      {"is -2147483648", "is ", INT_MIN},
      {"is -99999999999999999999999", "is ", INT_MIN},
  };
  for (const NumberCase& c : cases) EXPECT_EQ(c.expected, NumberAfter(c.answer, c.phrase)) << c.answer;
}

// ---------------------------------------------------------------------------
// One job at a time.

class HeldJob {
 public:
  static void Run(void* self) {
    auto* job = static_cast<HeldJob*>(self);
    std::unique_lock<std::mutex> guard(job->lock_);
    job->running_ = true;
    job->changed_.notify_all();
    job->changed_.wait(guard, [job] { return job->released_; });
  }
  void WaitRunning() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return running_; });
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock_);
    released_ = true;
    changed_.notify_all();
  }

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  bool running_ = false;
  bool released_ = false;
};

TEST_F(SettingsJobTest, SecondJobIsRefusedWhileOneTalksToTheUnit) {
  StartUnit(sim::Family::Solvik);
  HeldJob held;
  ASSERT_TRUE(StartJob(HeldJob::Run, &held));
  held.WaitRunning();
  SDevSettings record = EarPlugRecord();

  EXPECT_FALSE(StartWriteJob(&record));
  EXPECT_FALSE(StartJob(ReadAllSettings, &record));  // the read after "Enter system mode"

  held.Release();
  ASSERT_TRUE(WaitJobsIdle(5000));
  EXPECT_TRUE(Commands().empty());
  EXPECT_EQ((std::vector<std::string>{"设备忙，请稍后再试\r\n", "设备忙，请稍后再试\r\n"}), Infos());
  const std::string log = Log();
  EXPECT_NE(std::string::npos, log.find("[DEBUG   ]: ")) << log;
  EXPECT_TRUE(Results().empty());

  // Once the unit is free, a write runs on its own thread to the end.
  ASSERT_TRUE(StartWriteJob(&record));
  ASSERT_TRUE(WaitJobsIdle(5000));
  EXPECT_EQ(14u, Commands().size());
  EXPECT_EQ(kWriteDone, Results());
}

}  // namespace
