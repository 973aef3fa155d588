// The configuration script run against the simulated unit on the fake
// channel: script files written here, the exact lines posted to the import
// page and the bytes the unit received.
#include "import/script_run.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "import/import_texts.h"
#include "log/log.h"
#include "protocol/jobs.h"
#include "protocol/startup_detector.h"
#include "protocol/texts.h"
#include "serial/serial.h"
#include "tests/fake/fake_channel.h"
#include "tests/support/fake_unit_session.h"
#include "tests/support/recording_sink.h"

namespace fs = std::filesystem;

namespace {

const std::string kCannotOpen = texts::kScriptCannotOpen;
const std::string kFileError = texts::kScriptFileError;
std::string Passed(const std::string& writeLine) { return "配置成功----" + writeLine + "\r\n"; }
std::string Failed(const std::string& writeLine) { return "配置失败----" + writeLine + "\r\n"; }

// A unit switched on and logged in over the fake channel, a folder for
// script files and a log, and a recorder for what the run posts.
class ScriptRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(StartFakeLoggedInUnit(sim::Family::Solvik));
    Unit().SetParam(4, 12);
    sink_.Clear();
  }

  void TearDown() override {
    SerialClose();
    SerialSetChunkHook(nullptr);
  }

  std::string WriteScript(const std::string& bytes) {
    fs::path path = dir_ / "script.txt";
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
  }

  void Run(const std::string& path) {
    std::vector<char> param(path.begin(), path.end());
    param.push_back('\0');
    RunImportScript(param.data());
  }

  sim::UnitModel& Unit() { return FakeChannel::Instance().Unit(); }
  std::string Sent() const { return FakeChannel::Instance().Sent(); }
  std::vector<std::string> Posted() const { return sink_.Texts(Page::Import); }

  TestLogFolder folder_{"rvz_script_"};
  const fs::path& dir_ = folder_.path();
  RecordingSink sink_;
};

struct ScriptCase {
  const char* name;
  std::string script;
  std::function<void(sim::UnitModel&)> unit;  // faults and answers; may be empty
  std::vector<std::string> posted;
  std::string sent;
};

void PrintTo(const ScriptCase& c, std::ostream* out) { *out << c.name; }

class ScriptTableTest : public ScriptRunTest, public ::testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptTableTest, PostsAndSends) {
  const ScriptCase& c = GetParam();
  if (c.unit) c.unit(Unit());
  Run(WriteScript(c.script));
  EXPECT_EQ(Posted(), c.posted);
  EXPECT_EQ(Sent(), c.sent);
  EXPECT_FALSE(JobRunning());  // the run itself starts nothing
}

const std::string kTwoPairs = "write get 4\nread channel is 12\nwrite set 4 7\nread Set channel to 7\n";

std::string Bytes0To255() {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  return all;
}

// 150 characters: the first 99 hold the write line, the other 51 the read line.
const std::string kLong99 = std::string(88, 'x') + "write get 4";
const std::string kLong51 = std::string(39, 'y') + "read Current";

// Commands of 19 and 20 characters, their line feed included.
const std::string kCommand19 = "get 4" + std::string(13, ' ') + "\n";
const std::string kCommand20 = "get 4" + std::string(14, ' ') + "\n";

const char kNulScript[] = "write get 4\0junk\nread Current\n";

INSTANTIATE_TEST_SUITE_P(
    Table, ScriptTableTest,
    ::testing::Values(
        ScriptCase{"EmptyFile", "", nullptr, {}, ""},
        ScriptCase{"FirstLineWithoutWrite", "get 4\nread Current\n", nullptr, {kFileError}, ""},
        ScriptCase{"TwoPairs", kTwoPairs, nullptr,
                   {Passed("write get 4\n"), Passed("write set 4 7\n")}, "get 4\nset 4 7\n"},
        ScriptCase{"CrLfLikeLf",
                   "write get 4\r\nread channel is 12\r\nwrite set 4 7\r\nread Set channel to 7\r\n",
                   nullptr, {Passed("write get 4\n"), Passed("write set 4 7\n")}, "get 4\nset 4 7\n"},
        // A CR not followed by LF is text.
        ScriptCase{"LoneCarriageReturn", "write get 4\rX\nread Current\n", nullptr,
                   {Failed("write get 4\rX\n")}, "get 4\rX\n"},
        ScriptCase{"KeywordsAfterOtherText", ">> write get 4\n# read channel is 12\n", nullptr,
                   {Passed(">> write get 4\n")}, "get 4\n"},
        ScriptCase{"FailureDoesNotStopTheRun", "write get 3\nread Current channel\n" + kTwoPairs, nullptr,
                   {Failed("write get 3\n"), Passed("write get 4\n"), Passed("write set 4 7\n")},
                   "get 3\nget 4\nset 4 7\n"},
        ScriptCase{"ExpectedTextIsCaseSensitive", "write get 4\nread current channel\n", nullptr,
                   {Failed("write get 4\n")}, "get 4\n"},
        // Sent without a line feed, then the missing read line is a file error.
        ScriptCase{"LastWriteLineWithoutLineFeed", "write get 4\nread Current\nwrite get 3", nullptr,
                   {Passed("write get 4\n"), kFileError}, "get 4\nget 3"},
        ScriptCase{"LastReadLineWithoutLineFeed", "write get 4\nread channel is 12", nullptr,
                   {Passed("write get 4\n")}, "get 4\n"},
        ScriptCase{"ReadLineMissingInTheMiddle", "write get 4\nwrite get 3\nread Local\n", nullptr,
                   {kFileError}, "get 4\n"},
        // Nothing expected: a success even when the unit says nothing.
        ScriptCase{"EmptyExpectedText", "write get 4\nread \nwrite get 3\nread \n",
                   [](sim::UnitModel& u) { u.SetFault(sim::FaultKind::Silent, "get 3"); },
                   {Passed("write get 4\n"), Passed("write get 3\n")}, "get 4\nget 3\n"},
        ScriptCase{"SilentUnitEveryPairFails", kTwoPairs,
                   [](sim::UnitModel& u) { u.SetFault(sim::FaultKind::Silent, "*"); },
                   {Failed("write get 4\n"), Failed("write set 4 7\n")}, "get 4\nset 4 7\n"},
        // Keywords without their blank.
        ScriptCase{"WriteWithoutBlank", "writeget 4\nread Current\n", nullptr, {kFileError}, ""},
        ScriptCase{"WriteAtTheEndOfTheLine", "get 4 write\nread Current\n", nullptr, {kFileError}, ""},
        ScriptCase{"ReadWithoutBlank", "write get 4\nreadCurrent\n", nullptr, {kFileError}, "get 4\n"},
        ScriptCase{"ReadAlone", "write get 4\nread\n", nullptr, {kFileError}, "get 4\n"},
        // 150 characters: read as 99 and 51. The 99 carry no line feed, so
        // the command goes out without one and the unit does not answer.
        ScriptCase{"LineOf150Characters", kLong99 + kLong51 + "\n", nullptr, {Failed(kLong99)}, "get 4"},
        // A result line longer than 100 bytes is posted whole.
        ScriptCase{"LongWriteLineInTheResult", std::string(80, ' ') + "write get 4\nread Current\n", nullptr,
                   {Passed(std::string(80, ' ') + "write get 4\n")}, "get 4\n"},
        // The command field holds 19 characters, its line feed included.
        ScriptCase{"CommandOf19Characters", "write " + kCommand19 + "read Current\n", nullptr,
                   {Passed("write " + kCommand19)}, kCommand19},
        ScriptCase{"CommandOf20CharactersRefused", kTwoPairs + "write " + kCommand20 + "read Current\n",
                   nullptr, {Passed("write get 4\n"), Passed("write set 4 7\n"), kFileError},
                   "get 4\nset 4 7\n"},
        ScriptCase{"LastCommandOf20CharactersWithoutLineFeed", "write get 4" + std::string(15, ' '), nullptr,
                   {kFileError}, ""},
        // The expected text holds 19 characters; the line feed does not count.
        ScriptCase{"ExpectedTextOf19Characters", "write get 4\nread rrent channel is 12\n", nullptr,
                   {Passed("write get 4\n")}, "get 4\n"},
        ScriptCase{"ExpectedTextOf20CharactersRefused", "write get 4\nread urrent channel is 12\n", nullptr,
                   {kFileError}, "get 4\n"},
        ScriptCase{"BinaryFile", Bytes0To255() + Bytes0To255(), nullptr, {kFileError}, ""},
        // A NUL ends the text of its line.
        ScriptCase{"NulInsideTheWriteLine", std::string(kNulScript, sizeof kNulScript - 1), nullptr,
                   {Failed("write get 4")}, "get 4"},
        // The answer fills all 1000 bytes of its field: the search stays inside.
        ScriptCase{"AnswerOf1000BytesHoldsTheText", "write get 4\nread aaa\n",
                   [](sim::UnitModel& u) { u.ScriptAnswer("get 4", std::string(1500, 'a')); },
                   {Passed("write get 4\n")}, "get 4\n"},
        ScriptCase{"ExpectedTextBeyondTheAnswerField", "write get 4\nread aXYZ\n",
                   [](sim::UnitModel& u) { u.ScriptAnswer("get 4", std::string(998, 'a') + "XYZ"); },
                   {Failed("write get 4\n")}, "get 4\n"},
        ScriptCase{"ExpectedTextAtTheEndOfTheAnswerField", "write get 4\nread aXY\n",
                   [](sim::UnitModel& u) { u.ScriptAnswer("get 4", std::string(998, 'a') + "XYZ"); },
                   {Passed("write get 4\n")}, "get 4\n"}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

TEST_F(ScriptRunTest, MissingFileCannotBeOpened) {
  Run((dir_ / "missing.txt").string());
  Run("");
  EXPECT_EQ(Posted(), (std::vector<std::string>{kCannotOpen, kCannotOpen}));
  EXPECT_EQ(Sent(), "");
}

TEST_F(ScriptRunTest, ClosedPortReportsEveryPairAsFailed) {
  SerialClose();
  Run(WriteScript(kTwoPairs));
  EXPECT_EQ(Posted(), (std::vector<std::string>{Failed("write get 4\n"), Failed("write set 4 7\n")}));
}

TEST_F(ScriptRunTest, StartRunsTheScriptAsAJob) {
  std::string path = WriteScript(kTwoPairs);
  ASSERT_TRUE(StartImportScript(path.c_str()));
  ASSERT_TRUE(WaitJobsIdle(5000));
  EXPECT_STREQ(g_szImportPath, path.c_str());
  EXPECT_EQ(Posted(), (std::vector<std::string>{Passed("write get 4\n"), Passed("write set 4 7\n")}));
  EXPECT_EQ(Sent(), "get 4\nset 4 7\n");
}

TEST_F(ScriptRunTest, PathsThatDoNotFitAreRefused) {
  std::string longest(kImportPathSize - 1, 'p');  // fits: a run starts, finds no file
  ASSERT_TRUE(StartImportScript(longest.c_str()));
  ASSERT_TRUE(WaitJobsIdle(5000));
  EXPECT_EQ(Posted(), std::vector<std::string>{kCannotOpen});

  // A cut path could name another file: refused without a run.
  sink_.Clear();
  std::string tooLong(kImportPathSize, 'p');
  EXPECT_FALSE(StartImportScript(tooLong.c_str()));
  EXPECT_FALSE(JobRunning());
  EXPECT_EQ(Posted(), std::vector<std::string>{kCannotOpen});
  EXPECT_EQ(std::string(g_szImportPath), longest);
}

// Holds a job until released, so that a start meets a busy unit.
struct HeldJob {
  std::mutex lock;
  std::condition_variable changed;
  bool release = false;

  static void Run(void* self) {
    auto* job = static_cast<HeldJob*>(self);
    std::unique_lock<std::mutex> guard(job->lock);
    job->changed.wait(guard, [job] { return job->release; });
  }
  void Release() {
    std::lock_guard<std::mutex> guard(lock);
    release = true;
    changed.notify_all();
  }
};

TEST_F(ScriptRunTest, RefusedWhileAnotherJobTalksToTheUnit) {
  HeldJob held;
  ASSERT_TRUE(StartJob(HeldJob::Run, &held));
  EXPECT_FALSE(StartImportScript(WriteScript(kTwoPairs).c_str()));
  held.Release();
  ASSERT_TRUE(WaitJobsIdle(5000));

  EXPECT_EQ(Posted(), std::vector<std::string>{texts::kUnitBusy});
  EXPECT_EQ(Sent(), "");
}

TEST_F(ScriptRunTest, FileErrorNamesTheLineInTheLog) {
  Run(WriteScript(kTwoPairs + "write get 3\nread\n"));
  std::ifstream log(LogCurrentPath(), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("Script line 6: no \"read \" line after the command."), std::string::npos) << text;
}

}  // namespace
