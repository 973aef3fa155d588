// The simulated unit checked against the protocol as the tool's users know
// it: the login line, the phrases each answer must hold, and the faults.
#include "sim/unit_model.h"

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

namespace {

using sim::Burst;
using sim::Family;
using sim::FaultKind;
using sim::UnitMode;
using sim::UnitModel;

std::string Text(const std::vector<Burst>& bursts) {
  std::string all;
  for (const Burst& b : bursts) all += b.text;
  return all;
}

std::string LoginFor(const char* digits) {
  return std::string("   \x1b\x1b\x1b admin ") + digits + "\n";
}

// A unit that has printed its banner and accepted the login.
struct LoggedInUnit : ::testing::Test {
  UnitModel unit{Family::Solvik, "1234"};
  void SetUp() override {
    unit.PowerOn();
    unit.Receive(LoginFor("004660"));
    ASSERT_EQ(unit.mode(), UnitMode::System);
  }
  std::string Ask(const std::string& command) { return Text(unit.Receive(command)); }
};

TEST(UnitModelBoot, BannerEndsTheBootTextWithFamilyAndVersion) {
  UnitModel marvek(Family::Marvek, "1234");
  EXPECT_EQ(marvek.mode(), UnitMode::Off);
  std::vector<Burst> boot = marvek.PowerOn();
  ASSERT_EQ(boot.size(), 1u);
  const std::string banner = "MARVEK startup version 1234\r\n";
  ASSERT_GE(boot[0].text.size(), banner.size());
  EXPECT_EQ(boot[0].text.substr(boot[0].text.size() - banner.size()), banner);
  EXPECT_EQ(boot[0].text.find("Enter system mode"), std::string::npos);
  EXPECT_EQ(marvek.mode(), UnitMode::Boot);

  UnitModel solvik(Family::Solvik, "Z9x!");
  EXPECT_NE(Text(solvik.PowerOn()).find("SOLVIK startup version Z9x!\r\n"), std::string::npos);
}

TEST(UnitModelBoot, OffUnitHearsButDoesNotAnswer) {
  UnitModel unit(Family::Solvik, "1234");
  EXPECT_TRUE(unit.Receive(LoginFor("004660")).empty());
  EXPECT_TRUE(unit.Receive("get 4\n").empty());
  EXPECT_EQ(unit.Received(), LoginFor("004660") + "get 4\n");
}

struct LoginCase {
  const char* version;
  const char* digits;
};

class UnitModelLoginNumber : public ::testing::TestWithParam<LoginCase> {};

TEST_P(UnitModelLoginNumber, VersionPairsMakeTheNumber) {
  UnitModel unit(Family::Marvek, GetParam().version);
  EXPECT_EQ(unit.LoginLine(), LoginFor(GetParam().digits));
  EXPECT_EQ(unit.LoginLine().size(), 20u);
  unit.PowerOn();
  EXPECT_EQ(Text(unit.Receive(unit.LoginLine())), "Enter system mode\r\n");
}

INSTANTIATE_TEST_SUITE_P(
    Versions, UnitModelLoginNumber,
    ::testing::Values(LoginCase{"1234", "004660"}, LoginCase{"abcd", "043981"},
                      LoginCase{"ABCD", "043981"}, LoginCase{"FFFF", "065535"},
                      LoginCase{"0001", "000001"},
                      // Conversion stops at the first pair that is not hex.
                      LoginCase{"12G4", "004608"}, LoginCase{"G234", "000000"},
                      LoginCase{"12", "004608"}));

TEST(UnitModelLogin, AcceptedLineEntersSystemModeAfterTheLoginDelay) {
  UnitModel unit(Family::Solvik, "1234");
  unit.PowerOn();
  std::vector<Burst> out;
  const std::string line = LoginFor("004660");
  for (std::size_t i = 0; i + 1 < line.size(); ++i) EXPECT_TRUE(unit.Receive(line[i]).empty());
  out = unit.Receive('\n');
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].text, "Enter system mode\r\n");
  EXPECT_EQ(out[0].delayMs, 300u);
  EXPECT_EQ(unit.mode(), UnitMode::System);
}

TEST(UnitModelLogin, WrongLinesAreRefusedAndCommandsWaitForLogin) {
  const char* wrong[] = {"   \x1b\x1b\x1b admin 004661\n", "   \x1b\x1b\x1b admin 4660\n",
                         "  \x1b\x1b\x1b admin 004660\n", "get 4\n", "restore\n"};
  for (const char* line : wrong) {
    UnitModel unit(Family::Solvik, "1234");
    unit.PowerOn();
    EXPECT_EQ(Text(unit.Receive(line)), "Login incorrect\r\n") << line;
    EXPECT_EQ(unit.mode(), UnitMode::Boot) << line;
  }
}

TEST(UnitModelLogin, LoginNumberCanBeOverridden) {
  UnitModel unit(Family::Solvik, "1234");
  unit.SetLoginNumber(42);
  unit.PowerOn();
  EXPECT_EQ(Text(unit.Receive(LoginFor("004660"))), "Login incorrect\r\n");
  EXPECT_EQ(Text(unit.Receive(LoginFor("000042"))), "Enter system mode\r\n");
}

// What a reader of the unit's answers relies on: the phrase that must be
// present, and the phrase a number or word follows.
struct GetCase {
  const char* command;
  const char* required;
  const char* valueFollows;  // the default value's text comes right after it
  const char* value;
};

TEST_F(LoggedInUnit, GetAnswersHoldTheirPhrasesAndDefaults) {
  const GetCase cases[] = {
      {"get 100\n", "Working mode", "", "master"},
      {"get 4\n", "channel", "channel is ", "10"},
      {"get 3\n", "Local", "ID is ", "1"},
      {"get 5\n", "Group", "ID is ", "0"},
      {"get 1\n", "password", "password is ", "123456"},
      {"get 11\n", "Head phone type", "", "ear plug"},
      {"get 25\n", "VOX", "", "enabled"},
      {"get 27\n", "suppress", "", "enable"},
      {"get 23\n", "is", "is ", "3"},
      {"get 12\n", "is", "is ", "2"},
      {"get 26\n", "VOX mode", "", "normal"},
      {"get 13\n", "PTT", "", "normal"},
      {"get 110\n", "power", "is ", "2"},
  };
  for (const GetCase& c : cases) {
    std::vector<Burst> out = unit.Receive(c.command);
    ASSERT_EQ(out.size(), 1u) << c.command;
    EXPECT_EQ(out[0].delayMs, 30u);
    const std::string& text = out[0].text;
    EXPECT_NE(text.find(c.required), std::string::npos) << c.command << text;
    EXPECT_NE(text.find(std::string(c.valueFollows) + c.value), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  }
}

TEST_F(LoggedInUnit, CodedValuesReadBackAsTheirWords) {
  struct {
    int param;
    int value;
    const char* command;
    const char* word;
    const char* absent;
  } cases[] = {
      {100, 0, "get 100\n", "slave", "master"},
      {100, 2, "get 100\n", "auto", "slave"},
      {11, 1, "get 11\n", "headphone", "ear plug"},
      {25, 0, "get 25\n", "disabled", "enabled"},
      {27, 0, "get 27\n", "disable", "enable"},
      {26, 1, "get 26\n", "intelligent", "normal"},
      {26, 2, "get 26\n", "lock", "normal"},
      {13, 1, "get 13\n", "lock/unlock", "normal"},
  };
  for (const auto& c : cases) {
    unit.SetParam(c.param, c.value);
    std::string text = Ask(c.command);
    EXPECT_NE(text.find(c.word), std::string::npos) << text;
    EXPECT_EQ(text.find(c.absent), std::string::npos) << text;
  }
}

struct SetCase {
  const char* command;
  int param;
  int stored;
  const char* required;
  const char* confirms;
};

TEST_F(LoggedInUnit, SetAnswersConfirmAndChangeTheParameter) {
  const SetCase cases[] = {
      {"set 100 0\n", 100, 0, "slave", "slave"},
      {"set 100 2\n", 100, 2, "auto", "auto"},
      {"set 4 12\n", 4, 12, "channel", "channel to"},
      {"set 4 -5\n", 4, -5, "channel", "channel to -5"},
      {"set 3 5\n", 3, 5, "local", "local ID"},
      {"set 5 3\n", 5, 3, "group", "group ID"},
      {"set 1 1234\n", 1, 1234, "password", "password"},
      {"set 11 0\n", 11, 0, "head phone type", "ear plug"},
      {"set 11 1\n", 11, 1, "head phone type", "headphone"},
      {"set 25 1\n", 25, 1, "enabled", "enabled"},
      {"set 27 0\n", 27, 0, "suppress", "suppress"},
      {"set 23 4\n", 23, 4, "to", "to 4"},
      {"set 12 3\n", 12, 3, "is", "is 3"},
      {"set 26 0\n", 26, 0, "VOX mode", "VOX mode normal."},
      {"set 26 2\n", 26, 2, "VOX mode", "ptt lock"},
      {"set 13 0\n", 13, 0, "PTT mode", "normal"},
      {"set 13 1\n", 13, 1, "PTT mode", "lock/unlock"},
      {"set 110 4\n", 110, 4, "power level", "level"},
  };
  for (const SetCase& c : cases) {
    std::string text = Ask(c.command);
    EXPECT_NE(text.find(c.required), std::string::npos) << c.command << text;
    EXPECT_NE(text.find(c.confirms), std::string::npos) << c.command << text;
    EXPECT_EQ(unit.Param(c.param), c.stored) << c.command;
  }
  EXPECT_NE(Ask("get 4\n").find("channel is -5"), std::string::npos);
}

TEST_F(LoggedInUnit, RestoreBringsBackTheFactoryDefaults) {
  Ask("set 4 77\n");
  Ask("set 110 0\n");
  unit.SetParam(1, 999);
  EXPECT_NE(Ask("restore\n").find("default"), std::string::npos);
  for (int number : sim::kUnitParameters) {
    EXPECT_EQ(unit.Param(number), UnitModel::DefaultParam(number)) << number;
  }
}

TEST_F(LoggedInUnit, BadCommandsAndValuesChangeNothing) {
  struct {
    const char* command;
    const char* answer;
  } cases[] = {
      {"set 100 3\n", "Invalid value\r\n"},  {"set 11 -1\n", "Invalid value\r\n"},
      {"set 4 x\n", "Invalid value\r\n"},    {"set 4 99999999999\n", "Invalid value\r\n"},
      {"get 7\n", "Invalid command\r\n"},    {"set 4\n", "Invalid command\r\n"},
      {"hello\n", "Invalid command\r\n"},    {"get 4 4\n", "Invalid command\r\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(Ask(c.command), c.answer) << c.command;
  for (int number : sim::kUnitParameters) {
    EXPECT_EQ(unit.Param(number), UnitModel::DefaultParam(number)) << number;
  }
  EXPECT_TRUE(unit.Receive("\r\n").empty());
}

TEST(UnitModelFamily, MarvekHasNoGroupNumber) {
  UnitModel unit(Family::Marvek, "1234");
  unit.PowerOn();
  unit.Receive(unit.LoginLine());
  for (const char* command : {"get 5\n", "set 5 3\n"}) {
    std::string text = Text(unit.Receive(command));
    EXPECT_EQ(text.find("Group"), std::string::npos) << text;
    EXPECT_EQ(text.find("group"), std::string::npos) << text;
  }
  EXPECT_EQ(unit.Param(5), 0);
}

TEST_F(LoggedInUnit, SilentFaultIgnoresTheCommandUntilCleared) {
  unit.SetFault(FaultKind::Silent, "set_4");
  EXPECT_TRUE(unit.Receive("set 4 20\n").empty());
  EXPECT_EQ(unit.Param(4), 10);
  EXPECT_FALSE(Ask("get 4\n").empty());
  unit.ClearFaults();
  EXPECT_FALSE(Ask("set 4 20\n").empty());
  EXPECT_EQ(unit.Param(4), 20);
}

TEST_F(LoggedInUnit, SplitFaultCutsTheAnswerInTwoBursts) {
  const std::string whole = Ask("get 4\n");
  unit.SetFault(FaultKind::Split, "get_4");
  std::vector<Burst> out = unit.Receive("get 4\n");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].delayMs, 30u);
  EXPECT_EQ(out[1].delayMs, 700u);
  EXPECT_EQ(out[0].text + out[1].text, whole);
  EXPECT_EQ(out[0].text.find("channel is "), std::string::npos);

  unit.SetFault(FaultKind::Split, "get_4", 200);
  EXPECT_EQ(unit.Receive("get 4\n").at(1).delayMs, 200u);
}

TEST_F(LoggedInUnit, DelayFaultAddsToTheAnswerTime) {
  unit.SetAnswerDelay(50);
  unit.SetFault(FaultKind::Delay, "restore", 2000);
  std::vector<Burst> out = unit.Receive("restore\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].delayMs, 2050u);
  EXPECT_EQ(unit.Receive("get 4\n").at(0).delayMs, 50u);
}

TEST_F(LoggedInUnit, NoPhraseFaultAnswersWithoutAnyKeyPhrase) {
  unit.SetFault(FaultKind::NoPhrase, "*");
  const char* phrases[] = {"channel", "Local", "local", "ID is", "password", "Working mode",
                           "default", "is", "to", "VOX", "PTT", "power", "level", "suppress"};
  for (const char* command : {"get 4\n", "get 3\n", "set 1 5\n", "restore\n", "get 110\n"}) {
    std::string text = Ask(command);
    EXPECT_FALSE(text.empty());
    for (const char* phrase : phrases) EXPECT_EQ(text.find(phrase), std::string::npos) << text;
  }
}

TEST_F(LoggedInUnit, GarbageFaultFloodsBeforeTheAnswer) {
  unit.SetFault(FaultKind::Garbage, "get_4", 2000);
  std::string text = Ask("get 4\n");
  ASSERT_GT(text.size(), 2000u);
  const std::string noise = text.substr(0, 2000);
  EXPECT_EQ(noise.find('\0'), std::string::npos);
  for (char c : noise) EXPECT_FALSE(std::isalpha(static_cast<unsigned char>(c)));
  EXPECT_EQ(text.substr(2000), "Current channel is 10\r\n");
}

TEST_F(LoggedInUnit, NulFaultPutsAZeroByteInsideTheAnswer) {
  unit.SetFault(FaultKind::Nul, "get_1");
  std::string text = Ask("get 1\n");
  std::size_t zero = text.find('\0');
  ASSERT_NE(zero, std::string::npos);
  EXPECT_GT(zero, 0u);
  EXPECT_LT(zero, text.size() - 1);
}

TEST_F(LoggedInUnit, BannerFaultRestartsTheUnitOnce) {
  unit.SetFault(FaultKind::Banner, "get_3");
  std::string text = Ask("get 3\n");
  EXPECT_NE(text.find("SOLVIK startup version 1234"), std::string::npos);
  EXPECT_EQ(text.find("Local"), std::string::npos);
  EXPECT_EQ(unit.mode(), UnitMode::Boot);
  EXPECT_EQ(Ask("get 3\n"), "Login incorrect\r\n");
  Ask(LoginFor("004660"));
  EXPECT_NE(Ask("get 3\n").find("Local ID is"), std::string::npos);
}

TEST_F(LoggedInUnit, VanishFaultAnswersThenClosesAndFallsSilent) {
  unit.SetFault(FaultKind::Vanish, "restore");
  std::vector<Burst> out = unit.Receive("restore\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_NE(out[0].text.find("default"), std::string::npos);
  EXPECT_TRUE(out[0].close);
  EXPECT_EQ(unit.mode(), UnitMode::Off);
  EXPECT_TRUE(unit.Receive("get 4\n").empty());

  // Silent as well: the unit closes without a word.
  unit.PowerOn();
  Ask(LoginFor("004660"));
  unit.SetFault(FaultKind::Silent, "get_4");
  unit.SetFault(FaultKind::Vanish, "get_4");
  out = unit.Receive("get 4\n");
  ASSERT_EQ(out.size(), 1u);
  EXPECT_TRUE(out[0].text.empty());
  EXPECT_TRUE(out[0].close);
}

TEST_F(LoggedInUnit, FaultPrefixesMatchWholeWords) {
  unit.SetFault(FaultKind::Silent, "get_1");
  EXPECT_TRUE(Ask("get 1\n").empty());
  EXPECT_FALSE(Ask("get 11\n").empty());
  EXPECT_FALSE(Ask("get 110\n").empty());
  EXPECT_FALSE(Ask("set 1 5\n").empty());
  unit.ClearFaults();

  unit.SetFault(FaultKind::Silent, "get");
  EXPECT_TRUE(Ask("get 110\n").empty());
  EXPECT_FALSE(Ask("set 110 1\n").empty());
  unit.ClearFaults();

  unit.SetFault(FaultKind::Silent, "*");
  EXPECT_TRUE(Ask("restore\n").empty());
  EXPECT_TRUE(Ask("bogus\n").empty());
}

TEST(UnitModelFaults, LoginFaultsApplyOnlyToTheLoginLine) {
  UnitModel unit(Family::Solvik, "1234");
  unit.SetFault(FaultKind::Silent, "*");
  unit.SetFault(FaultKind::Split, "login", 600);
  unit.PowerOn();
  std::vector<Burst> out = unit.Receive(unit.LoginLine());
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[0].text + out[1].text, "Enter system mode\r\n");
  EXPECT_EQ(out[1].delayMs, 600u);
  EXPECT_EQ(unit.mode(), UnitMode::System);
}

TEST(UnitModelTiming, BytesGivenTogetherKeepEachAnswerItsOwnTime) {
  UnitModel unit(Family::Solvik, "1234");
  unit.PowerOn();
  unit.Receive(unit.LoginLine());
  unit.SetFault(FaultKind::Delay, "get_4", 1000);
  std::vector<Burst> out = unit.Receive("get 4\nget 3\n");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_NE(out[0].text.find("Local"), std::string::npos);
  EXPECT_EQ(out[0].delayMs, 30u);
  EXPECT_NE(out[1].text.find("channel"), std::string::npos);
  EXPECT_EQ(out[1].delayMs, 1000u);  // 1030 ms after the bytes
  EXPECT_EQ(unit.Lines(), (std::vector<std::string>{LoginFor("004660").substr(0, 19), "get 4", "get 3"}));
}

}  // namespace
