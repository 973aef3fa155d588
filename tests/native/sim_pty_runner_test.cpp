// rvz-sim in real time on real pseudo-terminals: this test opens the
// unit's terminal as the tool opens its port, and steers the daemon
// through the control client.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_control.h"

namespace {

using Clock = std::chrono::steady_clock;

long long MsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// One daemon in a private folder that stands in for dosdevices.
class SimProcess {
 public:
  bool Start() {
    char dir[] = "/tmp/rvz-sim-test.XXXXXX";
    if (!mkdtemp(dir)) return false;
    dir_ = dir;
    const std::string portFile = dir_ + "/port";
    pid_ = fork();
    if (pid_ == 0) {
      execl(RVZ_SIM_EXE, RVZ_SIM_EXE, "--dosdevices", dir, "--control-port-file",
            portFile.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    for (int i = 0; i < 200; ++i) {
      std::ifstream in(portFile);
      if (in >> port_) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  // SIGTERM; the exit status, or -1.
  int Stop() {
    if (pid_ <= 0) return -1;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  ~SimProcess() {
    Stop();
    if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
  }
  int port() const { return port_; }
  std::string Link(int unit) const { return dir_ + "/com" + std::to_string(unit); }

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  std::string dir_;
};

// The tool's side of the line.
class ToolPort {
 public:
  ~ToolPort() { Close(); }
  bool Open(const std::string& path) {
    fd_ = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    return fd_ >= 0;
  }
  void Close() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  // Sends one byte every 50 ms, as the tool does.
  void WritePaced(const std::string& text) {
    for (char c : text) {
      ASSERT_EQ(write(fd_, &c, 1), 1);
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  }
  // Reads until `until` has arrived or `ms` have passed. *hungUp is set when
  // the other end went away.
  std::string ReadUntil(const std::string& until, int ms, bool* hungUp = nullptr) {
    std::string got;
    Clock::time_point start = Clock::now();
    while (MsSince(start) < ms && (until.empty() || got.find(until) == std::string::npos)) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 10) <= 0) continue;
      char buf[4096];
      ssize_t n = read(fd_, buf, sizeof buf);
      if (n > 0) {
        got.append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || (n < 0 && errno != EAGAIN)) {
        if (hungUp) *hungUp = true;
        break;
      }
    }
    return got;
  }

 private:
  int fd_ = -1;
};

class PtyRunnerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(control.Connect(sim.port()));
    ASSERT_TRUE(control.CreateUnit(5, "solvik", "1234", &slave));
    ASSERT_EQ(slave.compare(0, 9, "/dev/pts/"), 0) << slave;
  }

  // Opens the port and logs in; the unit was switched on by command.
  void OpenAndLogIn() {
    ASSERT_TRUE(tool.Open(sim.Link(5)));
    ASSERT_TRUE(WaitHeld());
    ASSERT_TRUE(control.PowerOn(5));
    ASSERT_NE(tool.ReadUntil("version 1234\r\n", 2000).find("SOLVIK startup"), std::string::npos);
    ASSERT_TRUE(control.LoginDelay(5, 0));
    tool.WritePaced(std::string("   \x1b\x1b\x1b admin 004660\n"));
    ASSERT_EQ(tool.ReadUntil("\r\n", 2000), "Enter system mode\r\n");
  }

  bool WaitHeld() {
    for (int i = 0; i < 100; ++i) {
      if (control.PortHeld(5)) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  SimProcess sim;
  SimControl control;
  ToolPort tool;
  std::string slave;
};

TEST_F(PtyRunnerTest, SwitchesOnOnlyWhenThePortIsHeldLongEnough) {
  ASSERT_TRUE(control.AutoPowerOn(5));  // 500 ms

  // A port list opens and closes the port at once: nothing happens.
  ASSERT_TRUE(tool.Open(sim.Link(5)));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  tool.Close();
  std::this_thread::sleep_for(std::chrono::milliseconds(600));
  EXPECT_EQ(control.Mode(5), "off");

  Clock::time_point opened = Clock::now();
  ASSERT_TRUE(tool.Open(sim.Link(5)));
  std::string banner = tool.ReadUntil("version 1234\r\n", 3000);
  long long ms = MsSince(opened);
  EXPECT_NE(banner.find("SOLVIK startup version 1234\r\n"), std::string::npos) << banner;
  EXPECT_GE(ms, 480);
  EXPECT_LT(ms, 1500);
  EXPECT_EQ(control.Mode(5), "boot");

  // Closed and opened again: the unit starts again.
  tool.Close();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  ASSERT_TRUE(tool.Open(sim.Link(5)));
  EXPECT_NE(tool.ReadUntil("version 1234\r\n", 3000).find("startup version"), std::string::npos);
}

TEST_F(PtyRunnerTest, LoginBytesAreRecordedWithTheirTimes) {
  OpenAndLogIn();
  EXPECT_EQ(control.Mode(5), "system");

  std::vector<SimRecordedByte> record = control.Record(5);
  const std::string login = "   \x1b\x1b\x1b admin 004660\n";
  ASSERT_EQ(record.size(), login.size());
  std::vector<long long> gaps;
  for (std::size_t i = 0; i < record.size(); ++i) {
    EXPECT_EQ(record[i].byte, static_cast<std::uint8_t>(login[i])) << i;
    if (i > 0) gaps.push_back(static_cast<long long>(record[i].us - record[i - 1].us));
  }
  std::sort(gaps.begin(), gaps.end());
  long long median = gaps[gaps.size() / 2];
  EXPECT_GE(median, 45000);
  EXPECT_LT(median, 150000);
  EXPECT_GE(record.back().us - record.front().us, 19u * 45000u);

  ASSERT_TRUE(control.ClearRecord(5));
  EXPECT_TRUE(control.Record(5).empty());
}

TEST_F(PtyRunnerTest, FlowControlAndEscapeBytesPassBothWays) {
  OpenAndLogIn();
  ASSERT_TRUE(control.ClearRecord(5));
  const std::string bytes("\x11\x13\x1b\r\n\x7f\xff", 7);
  ASSERT_TRUE(control.Send(5, bytes));
  EXPECT_EQ(tool.ReadUntil("\xff", 1000), bytes);

  tool.WritePaced(std::string("\x11\x13\x1b\n"));
  EXPECT_EQ(tool.ReadUntil("\r\n", 1000), "Invalid command\r\n");
  std::vector<SimRecordedByte> record = control.Record(5);
  std::string received;
  for (const SimRecordedByte& b : record) received.push_back(static_cast<char>(b.byte));
  EXPECT_EQ(received, "\x11\x13\x1b\n");
  EXPECT_EQ(control.Lines(5).back(), "\x11\x13\x1b");
}

TEST_F(PtyRunnerTest, AnswersGetSetAndKeepsTheValues) {
  OpenAndLogIn();
  tool.WritePaced("set 4 -5\n");
  EXPECT_EQ(tool.ReadUntil("\r\n", 1000), "Set channel to -5\r\n");
  int value = 0;
  ASSERT_TRUE(control.Param(5, 4, &value));
  EXPECT_EQ(value, -5);
  ASSERT_TRUE(control.SetParam(5, 3, 7));
  tool.WritePaced("get 3\n");
  EXPECT_EQ(tool.ReadUntil("\r\n", 1000), "Local ID is 7\r\n");
}

TEST_F(PtyRunnerTest, SplitAnswerComesInTwoBurstsApart) {
  OpenAndLogIn();
  ASSERT_TRUE(control.Fault(5, "split", "get_4", 700));
  tool.WritePaced("get 4\n");
  Clock::time_point sent = Clock::now();
  std::string first = tool.ReadUntil("", 400);
  long long firstMs = MsSince(sent);
  std::string second = tool.ReadUntil("\r\n", 1500);
  long long secondMs = MsSince(sent);
  EXPECT_EQ(first, "Current cha");
  EXPECT_EQ(second, "nnel is 10\r\n");
  EXPECT_LE(firstMs, 450);
  EXPECT_GE(secondMs, 600);
}

TEST_F(PtyRunnerTest, VanishedUnitAnswersThenHangsUp) {
  OpenAndLogIn();
  ASSERT_TRUE(control.Fault(5, "vanish", "get_4"));
  tool.WritePaced("get 4\n");
  bool hungUp = false;
  std::string text = tool.ReadUntil("", 2000, &hungUp);
  EXPECT_EQ(text, "Current channel is 10\r\n");
  EXPECT_TRUE(hungUp);
  EXPECT_EQ(control.Mode(5), "off");
  struct stat st;
  EXPECT_NE(lstat(sim.Link(5).c_str(), &st), 0) << "the link should be gone";
  EXPECT_FALSE(control.Send(5, "x"));
}

TEST_F(PtyRunnerTest, CloseCommandHangsUpAtOnce) {
  OpenAndLogIn();
  ASSERT_TRUE(control.Close(5));
  bool hungUp = false;
  EXPECT_EQ(tool.ReadUntil("", 1000, &hungUp), "");
  EXPECT_TRUE(hungUp);
  // A new unit of the same number replaces it.
  EXPECT_TRUE(control.CreateUnit(5, "marvek", "00ab"));
  EXPECT_EQ(control.Mode(5), "off");
}

TEST_F(PtyRunnerTest, NothingReachesAPortThatIsNotOpen) {
  EXPECT_EQ(control.Command("send 5 hello"), "err port not open");
  ASSERT_TRUE(control.PowerOn(5));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(tool.Open(sim.Link(5)));
  EXPECT_EQ(tool.ReadUntil("", 300), "");
}

TEST_F(PtyRunnerTest, LockedPortCannotBeOpenedButItsHolderKeepsIt) {
  ASSERT_TRUE(control.Lock(5, true));
  EXPECT_FALSE(tool.Open(sim.Link(5)));
  ASSERT_TRUE(control.Lock(5, false));
  OpenAndLogIn();
  ASSERT_TRUE(control.Lock(5, true));
  tool.WritePaced("get 4\n");
  EXPECT_EQ(tool.ReadUntil("\r\n", 1000), "Current channel is 10\r\n");
}

TEST_F(PtyRunnerTest, BadCommandsGetAnError) {
  const char* bad[] = {"", "bogus", "mode", "mode 9", "unit 6 vax 1234", "unit 6 solvik",
                       "fault 5 melt get_4", "fault 5 delay get_4 -3", "param 5 7",
                       "setparam 5 4 x", "send 5 \\q", "answerdelay 5 -1", "line 5 0",
                       "autopoweron 5 soon", "lock 5 maybe"};
  for (const char* line : bad) {
    std::string reply = control.Command(line);
    EXPECT_EQ(reply.compare(0, 4, "err "), 0) << line << " -> " << reply;
  }
  EXPECT_EQ(control.Command("units"), "ok 5");
}

class PtyRunnerLifetime : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sim.Start());
    ASSERT_TRUE(control.Connect(sim.port()));
  }
  SimProcess sim;
  SimControl control;
};

TEST_F(PtyRunnerLifetime, StopSignalRemovesTheLinksAndExitsCleanly) {
  ASSERT_TRUE(control.CreateUnit(3, "marvek", "1234"));
  ASSERT_TRUE(control.CreateUnit(12, "solvik", "1234"));
  struct stat st;
  ASSERT_EQ(lstat(sim.Link(12).c_str(), &st), 0);
  EXPECT_EQ(sim.Stop(), 0);
  EXPECT_NE(lstat(sim.Link(3).c_str(), &st), 0);
  EXPECT_NE(lstat(sim.Link(12).c_str(), &st), 0);
  EXPECT_EQ(control.Command("units"), "err connection lost");
}

TEST_F(PtyRunnerLifetime, QuitCommandEndsTheDaemon) {
  EXPECT_TRUE(control.Quit());
  EXPECT_EQ(control.Command("units"), "err connection lost");
}

}  // namespace
