// The fake channel against the reader's rules: chunking by quiet time, the
// 1500 ms read wait, the 2048-byte buffers, the hook and its writes.
#include "tests/fake/fake_channel.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using sim::FaultKind;

std::vector<std::string> g_hookSaw;

// Stands in for the tool's start-up detector: logs in on a banner.
void LoginHook(char* chunk) {
  g_hookSaw.push_back(chunk);
  if (std::strstr(chunk, "startup version")) {
    SerialWrite(FakeChannel::Instance().Unit().LoginLine().c_str());
  }
}

void CutAfterFiveHook(char* chunk) {
  g_hookSaw.push_back(chunk);
  if (std::strlen(chunk) > 5) chunk[5] = '\0';
}

class FakeChannelTest : public ::testing::Test {
 protected:
  FakeChannel& fake = FakeChannel::Instance();

  void SetUp() override {
    g_hookSaw.clear();
    fake.Reset(sim::Family::Solvik, "1234");
    SerialSetChunkHook(nullptr);
    ASSERT_EQ(SerialOpen("COM5"), 0);
  }
  void TearDown() override {
    SerialClose();
    SerialSetChunkHook(nullptr);
  }

  void LogIn() {
    SerialSetChunkHook(LoginHook);
    fake.PowerOn();
    ASSERT_EQ(fake.Unit().mode(), sim::UnitMode::System);
    char drain[2048];
    SerialRead(sizeof drain - 1, drain);
    g_hookSaw.clear();
    fake.ClearSent();
  }

  // -2, or the text SerialRead returned.
  std::string Read() {
    char buf[2048];
    int rc = SerialRead(sizeof buf - 1, buf);
    buf[sizeof buf - 1] = '\0';
    return rc == 0 ? std::string(buf) : "<" + std::to_string(rc) + ">";
  }
};

TEST_F(FakeChannelTest, PowerOnRunsTheLoginThroughTheHook) {
  SerialSetChunkHook(LoginHook);
  fake.PowerOn();
  EXPECT_EQ(fake.Unit().mode(), sim::UnitMode::System);
  EXPECT_EQ(fake.Sent(), fake.Unit().LoginLine());
  ASSERT_EQ(g_hookSaw.size(), 2u);
  EXPECT_NE(g_hookSaw[0].find("SOLVIK startup version 1234\r\n"), std::string::npos);
  EXPECT_EQ(g_hookSaw[1], "Enter system mode\r\n");
  // Banner at 0, read done 500 ms later; 20 login bytes take 1000 ms; the
  // answer 300 ms after the last one, delivered 500 ms after that.
  EXPECT_EQ(fake.NowMs(), 500u + 950u + 300u + 500u);
  std::string waiting = fake.ReceiveBuffer();
  EXPECT_NE(waiting.find("startup version"), std::string::npos);
  EXPECT_EQ(waiting.substr(waiting.size() - 19), "Enter system mode\r\n");
}

TEST_F(FakeChannelTest, WritesArePacedAndAnsweredOnRead) {
  LogIn();
  std::uint64_t start = fake.NowMs();
  ASSERT_EQ(SerialWrite("get 100\n"), 0);
  EXPECT_EQ(fake.NowMs() - start, 400u);
  EXPECT_EQ(Read(), "Working mode is master\r\n");
  EXPECT_EQ(fake.NowMs() - start, 350u + 30u + 500u);
  EXPECT_EQ(fake.SentLines(), (std::vector<std::string>{"get 100\n"}));
  EXPECT_EQ(fake.CommandCount(), 1u);
}

TEST_F(FakeChannelTest, BurstsBecomeChunksByTheirQuietTime) {
  struct {
    int gapMs;
    std::vector<std::string> reads;
  } cases[] = {
      {700, {"Current cha", "nnel is 10\r\n"}},
      {499, {"Current channel is 10\r\n"}},
      {500, {"Current cha", "nnel is 10\r\n"}},
  };
  for (const auto& c : cases) {
    LogIn();
    fake.Unit().SetFault(FaultKind::Split, "get_4", c.gapMs);
    SerialWrite("get 4\n");
    for (const std::string& expected : c.reads) EXPECT_EQ(Read(), expected) << c.gapMs;
    EXPECT_EQ(Read(), "<-2>") << c.gapMs;
    fake.Unit().ClearFaults();
  }
}

TEST_F(FakeChannelTest, ReadWaitsFifteenHundredMsForTheNextChunk) {
  LogIn();
  std::uint64_t start = fake.NowMs();
  EXPECT_EQ(Read(), "<-2>");
  EXPECT_EQ(fake.NowMs() - start, 1500u);

  // An answer later than the wait misses this read and reaches the next.
  fake.Unit().SetFault(FaultKind::Delay, "get_3", 2000);
  SerialWrite("get 3\n");
  EXPECT_EQ(Read(), "<-2>");
  EXPECT_EQ(Read(), "Local ID is 1\r\n");

  // Text already waiting is returned when no chunk follows, after the wait.
  SerialWrite("get 4\n");
  fake.Advance(1000);
  start = fake.NowMs();
  EXPECT_EQ(Read(), "Current channel is 10\r\n");
  EXPECT_EQ(fake.NowMs() - start, 1500u);
}

TEST_F(FakeChannelTest, ChunkThatDoesNotFitIsDroppedButSeenByTheHook) {
  LogIn();
  fake.Unit().SetFault(FaultKind::Garbage, "get_4", 2000);
  fake.Unit().SetFault(FaultKind::Garbage, "get_3", 100);
  SerialWrite("get 4\n");
  fake.Advance(1000);
  SerialWrite("get 3\n");
  fake.Advance(1000);
  std::vector<FakeChannel::Chunk> chunks = fake.Chunks();
  ASSERT_GE(chunks.size(), 2u);
  EXPECT_TRUE(chunks[chunks.size() - 2].appended);
  EXPECT_FALSE(chunks.back().appended);
  EXPECT_EQ(chunks.back().text.size(), 115u);
  ASSERT_EQ(g_hookSaw.size(), 2u);
  EXPECT_EQ(g_hookSaw[1].size(), 115u);
  std::string text = Read();
  EXPECT_EQ(text.size(), 2023u);
  EXPECT_EQ(text.substr(2000), "Current channel is 10\r\n");
}

TEST_F(FakeChannelTest, ReadOfAFull2048BytesIsDroppedUnseen) {
  LogIn();
  fake.Unit().SetFault(FaultKind::Garbage, "get_4", 2100);
  SerialWrite("get 4\n");
  std::string text = Read();
  ASSERT_EQ(text.size(), 2123u - 2048u);
  EXPECT_EQ(text.substr(text.size() - 23), "Current channel is 10\r\n");
  ASSERT_EQ(g_hookSaw.size(), 1u);
  EXPECT_EQ(g_hookSaw[0], text);
}

TEST_F(FakeChannelTest, HookMayShortenTheChunk) {
  LogIn();
  SerialSetChunkHook(CutAfterFiveHook);
  SerialWrite("get 110\n");
  EXPECT_EQ(Read(), "Trans");
  ASSERT_EQ(g_hookSaw.size(), 1u);
  EXPECT_EQ(g_hookSaw[0], "Transmit power level is 2\r\n");
}

TEST_F(FakeChannelTest, NulByteEndsTheTextTheToolSees) {
  LogIn();
  fake.Unit().SetFault(FaultKind::Nul, "get_4");
  SerialWrite("get 4\n");
  std::string text = Read();
  EXPECT_EQ(text, std::string("Current channel is 10\r\n").substr(0, 11));
}

TEST_F(FakeChannelTest, ClosedChannelRefusesWritesAndKeepsWaitingText) {
  LogIn();
  SerialWrite("get 4\n");
  fake.Advance(1000);
  SerialClose();
  EXPECT_EQ(SerialWrite("get 3\n"), -2);
  EXPECT_EQ(SerialWrite(""), 0);
  std::uint64_t closedAt = fake.NowMs();
  ASSERT_EQ(SerialOpen("COM5"), 0);
  SerialClose();
  EXPECT_EQ(Read(), "Current channel is 10\r\n");
  EXPECT_EQ(Read(), "<-2>");
  EXPECT_EQ(fake.NowMs(), closedAt);  // no waiting while closed
  EXPECT_EQ(fake.Unit().Lines().back(), "get 4");
}

TEST_F(FakeChannelTest, UnitOutputWhileClosedIsLost) {
  SerialClose();
  SerialSetChunkHook(LoginHook);
  fake.PowerOn();
  ASSERT_EQ(SerialOpen("COM5"), 0);
  EXPECT_EQ(Read(), "<-2>");
  EXPECT_TRUE(g_hookSaw.empty());
}

TEST_F(FakeChannelTest, VanishedUnitAnswersNoMore) {
  LogIn();
  fake.Unit().SetFault(FaultKind::Vanish, "restore");
  SerialWrite("restore\n");
  EXPECT_NE(Read().find("default"), std::string::npos);
  EXPECT_TRUE(fake.UnitGone());
  SerialWrite("get 100\n");
  EXPECT_EQ(Read(), "<-2>");
}

TEST_F(FakeChannelTest, SecondBannerMidJobIsAnsweredByTheHook) {
  LogIn();
  SerialSetChunkHook(LoginHook);
  fake.Unit().SetFault(FaultKind::Banner, "get_3");
  SerialWrite("get 3\n");
  EXPECT_NE(Read().find("SOLVIK startup version 1234"), std::string::npos);
  EXPECT_EQ(fake.Unit().mode(), sim::UnitMode::System);
  EXPECT_EQ(Read(), "Enter system mode\r\n");
  SerialWrite("get 3\n");
  EXPECT_EQ(Read(), "Local ID is 1\r\n");
}

TEST_F(FakeChannelTest, OpenCanBeMadeToFail) {
  SerialClose();
  fake.FailNextOpen(-3);
  EXPECT_EQ(SerialOpen("COM7"), -3);
  EXPECT_FALSE(fake.IsOpen());
  EXPECT_EQ(SerialOpen("COM7"), 0);
  EXPECT_EQ(fake.PortName(), "COM7");
}

}  // namespace
