// The Win32 serial channel under Wine, against a simulated unit on a real
// pseudo-terminal. Time-outs were measured under Wine first (an empty
// SerialRead returns after 1500 ms, a chunk ends 500 ms after the unit's
// last byte, a closed channel answers at once) and are asserted with a
// tolerance for a busy machine.

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "serial/serial.h"
#include "serial/serial_win32_seam.h"
#include "tests/wine/channel_test_support.h"

namespace {

// COM ports of this executable (see tests/wine/CMakeLists.txt).
constexpr int kPort = 11;
constexpr int kSecondPort = 12;
constexpr int kVanishPort = 13;

// Measured under Wine, waits end on time. A busy machine (Wine tests run in
// parallel on two cores) can make them end later, never earlier.
constexpr double kEarlyMs = 50;
constexpr double kLateMs = 700;

void ExpectTookAbout(double ms, double expected) {
  EXPECT_GE(ms, expected - kEarlyMs);
  EXPECT_LE(ms, expected + kLateMs);
}

class SerialChannelTest : public testing::Test {
 protected:
  void SetUp() override {
    SerialSetChunkHook(nullptr);
    unit_.Create(kPort);
    ASSERT_EQ(SerialOpen(unit_.PortName().c_str()), SERIAL_OK);
  }
  void TearDown() override {
    SerialClose();
    SerialSetChunkHook(nullptr);
    SerialSetWriteWait(nullptr);
    DrainReceiveBuffer();
  }

  // What the unit receives of `text`; *code is what SerialWrite returned.
  std::string WriteToUnit(const char* text, int* code) {
    unit_.ClearRecord();
    *code = SerialWrite(text);
    Sleep(100);  // the last byte's way through the simulator
    return unit_.RecordText();
  }

  SimUnit unit_;
};

// --- Opening and closing ---------------------------------------------------

TEST(SerialOpenTest, FailuresLeaveTheChannelClosed) {
  SimUnit locked;
  locked.Create(kSecondPort);
  locked.RefuseOpen(true);

  struct Case {
    const char* what;
    std::string name;
    int code;
  };
  const Case cases[] = {
      {"absent port", "COM97", SERIAL_ERR_OPEN},
      {"a port that refuses to open", locked.PortName(), SERIAL_ERR_OPEN},
      {"name too long for the device path", std::string(300, 'C'), SERIAL_ERR_OPEN},
      {"a device that is no serial port", "NUL", SERIAL_ERR_GET_STATE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(SerialOpen(c.name.c_str()), c.code);
    // Closed: neither call waits, and nothing is left to close.
    Stopwatch watch;
    EXPECT_EQ(SerialWrite("x"), SERIAL_ERR_TIMEOUT);
    char buf[16];
    EXPECT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_ERR_TIMEOUT);
    EXPECT_LT(watch.Ms(), 300.0);  // a wait would take 1500 ms
    EXPECT_EQ(SerialClose(), SERIAL_OK);
  }
  locked.RefuseOpen(false);
  EXPECT_EQ(SerialOpen(locked.PortName().c_str()), SERIAL_OK);
  SerialClose();
}

TEST_F(SerialChannelTest, SecondOpenIsRefusedAndTheFirstPortStays) {
  SimUnit other;
  other.Create(kSecondPort);
  EXPECT_EQ(SerialOpen(other.PortName().c_str()), SERIAL_ERR_OPEN);
  int code = 0;
  EXPECT_EQ(WriteToUnit("ok", &code), "ok");
  EXPECT_EQ(code, SERIAL_OK);
}

TEST_F(SerialChannelTest, TextNotTakenSurvivesCloseAndReopen) {
  ChunkRecorder chunks;
  unit_.Send("kept across close");
  ASSERT_TRUE(chunks.WaitFor(1, 3000));
  SerialClose();
  ASSERT_EQ(SerialOpen(unit_.PortName().c_str()), SERIAL_OK);
  char buf[kSerialRecvSize] = {};
  ASSERT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_OK);
  EXPECT_STREQ(buf, "kept across close");
}

TEST_F(SerialChannelTest, CloseEndsAPendingReadAtOnce) {
  Sleep(300);  // the reader waits on its read now
  Stopwatch watch;
  EXPECT_EQ(SerialClose(), SERIAL_OK);
  double ms = watch.Ms();
  std::printf("FIGURE close_during_pending_read ms=%.1f\n", ms);
  EXPECT_LT(ms, 500.0);
}

TEST_F(SerialChannelTest, CloseWakesAWaitingSerialRead) {
  double returnedAfterMs = 0;
  int code = 0;
  Stopwatch watch;
  std::thread job([&] {
    char buf[64];
    code = SerialRead(sizeof buf - 1, buf);
    returnedAfterMs = watch.Ms();
  });
  Sleep(300);
  SerialClose();
  job.join();
  EXPECT_EQ(code, SERIAL_ERR_TIMEOUT);
  EXPECT_LT(returnedAfterMs, 1000.0);
}

// A hook that holds the reader longer than SerialClose waits for it. The
// reader then outlives the close: it must not use released handles, and
// the port must still be let go once the reader ends.
HANDLE g_releaseHook;
std::atomic<int> g_writeFromHookAfterClose;

void HookThatHoldsTheReader(char*) {
  WaitForSingleObject(g_releaseHook, 10000);
  g_writeFromHookAfterClose = SerialWrite("late");
}

// The simulator notices an open or a close of its port within a few ms.
bool WaitForPortHeld(SimUnit& unit, bool held, DWORD ms) {
  for (Stopwatch watch; watch.Ms() < ms; Sleep(20)) {
    if (unit.PortHeld() == held) return true;
  }
  return false;
}

TEST_F(SerialChannelTest, ReaderThatOutlivesCloseLetsThePortGoWhenItEnds) {
  g_releaseHook = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  g_writeFromHookAfterClose = 1;
  ChunkRecorder chunks(HookThatHoldsTheReader);
  unit_.Send("hold the reader");
  ASSERT_TRUE(chunks.WaitFor(1, 3000));

  Stopwatch watch;
  SerialClose();
  double closeMs = watch.Ms();
  ExpectTookAbout(closeMs, 2000.0);
  // The reader still runs, so its port is still open.
  EXPECT_TRUE(unit_.PortHeld());

  SetEvent(g_releaseHook);
  EXPECT_TRUE(WaitForPortHeld(unit_, false, 2000));
  EXPECT_EQ(g_writeFromHookAfterClose, SERIAL_ERR_TIMEOUT);
  EXPECT_TRUE(unit_.RecordText().empty());
  CloseHandle(g_releaseHook);
}

TEST_F(SerialChannelTest, CloseLetsThePortGo) {
  ASSERT_TRUE(WaitForPortHeld(unit_, true, 1000));
  SerialClose();
  EXPECT_TRUE(WaitForPortHeld(unit_, false, 1000));
}

// --- Reading ---------------------------------------------------------------

TEST_F(SerialChannelTest, ReadWithNothingReceivedFailsAfter1500ms) {
  char buf[32] = "untouched";
  Stopwatch watch;
  EXPECT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_ERR_TIMEOUT);
  double ms = watch.Ms();
  std::printf("FIGURE empty_read ms=%.1f\n", ms);
  ExpectTookAbout(ms, 1500.0);
  EXPECT_STREQ(buf, "untouched");
}

TEST_F(SerialChannelTest, WaitingTextIsReturnedAfter1500msNotAtOnce) {
  ChunkRecorder chunks;
  unit_.Send("waiting");
  ASSERT_TRUE(chunks.WaitFor(1, 3000));
  Sleep(100);  // the reader has started its next read
  char buf[64];
  Stopwatch watch;
  ASSERT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_OK);
  ExpectTookAbout(watch.Ms(), 1500.0);
  EXPECT_STREQ(buf, "waiting");
}

TEST_F(SerialChannelTest, AnswerAfterAnIdleLineIsReadWithoutDelay) {
  // Reads that the port's time-out ends empty (Wine reports those with
  // ERROR_TIMEOUT) are no failure: the reader reads on at once. Idle
  // times of different lengths meet the reader at different points of its
  // cycle: just after the first and the third empty read (1200 ms each).
  ChunkRecorder chunks;
  const int idleMs[] = {1300, 1250, 3950, 2600};
  for (int i = 0; i < 4; ++i) {
    Sleep(idleMs[i]);
    Stopwatch watch;
    unit_.Send("answer");
    ASSERT_TRUE(chunks.WaitFor(i + 1, 4000));
    // The chunk closes 500 ms after the unit's last byte.
    EXPECT_LE(watch.Ms(), 500.0 + kLateMs) << "idle " << idleMs[i] << " ms";
  }
}

TEST_F(SerialChannelTest, BurstsMoreThan500msApartAreTwoChunks) {
  ChunkRecorder chunks;
  char first[64] = {};
  int firstCode = 0;
  std::thread job([&] { firstCode = SerialRead(sizeof first - 1, first); });
  Sleep(100);
  unit_.Send("first");
  Sleep(800);
  unit_.Send("second");
  job.join();
  EXPECT_EQ(firstCode, SERIAL_OK);
  EXPECT_STREQ(first, "first");

  char second[64] = {};
  EXPECT_EQ(SerialRead(sizeof second - 1, second), SERIAL_OK);
  EXPECT_STREQ(second, "second");
  EXPECT_EQ(chunks.Seen(), (std::vector<std::string>{"first", "second"}));
}

TEST_F(SerialChannelTest, ChunkThatDoesNotFitIsDroppedButSeenByTheHook) {
  ChunkRecorder chunks;
  const std::string waiting(2000, 'w');
  unit_.Send(waiting);
  ASSERT_TRUE(chunks.WaitFor(1, 3000));

  char buf[kSerialRecvSize] = {};
  int code = 0;
  std::thread job([&] { code = SerialRead(sizeof buf - 1, buf); });
  Sleep(100);
  const std::string late(100, 'L');
  unit_.Send(late);
  job.join();
  EXPECT_EQ(code, SERIAL_OK);
  EXPECT_EQ(std::string(buf), waiting);
  ASSERT_TRUE(chunks.WaitFor(2, 1000));
  EXPECT_EQ(chunks.Seen().back(), late);
}

TEST_F(SerialChannelTest, BurstThatFillsTheChunkBufferArrivesWhole) {
  ChunkRecorder chunks;
  const std::string burst(kSerialChunkSize - 1, 'b');
  unit_.Send(burst);
  ASSERT_TRUE(chunks.WaitFor(1, 3000));
  char buf[kSerialRecvSize] = {};
  ASSERT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_OK);
  EXPECT_EQ(std::string(buf), burst);
}

TEST_F(SerialChannelTest, HookMayShortenTheChunk) {
  ChunkRecorder chunks([](char* chunk) { chunk[3] = '\0'; });
  unit_.Send("abcdef");
  char buf[64] = {};
  ASSERT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_OK);
  EXPECT_STREQ(buf, "abc");
}

// --- Writing ---------------------------------------------------------------

TEST_F(SerialChannelTest, EmptyWriteTouchesNothing) {
  unit_.ClearRecord();
  Stopwatch watch;
  EXPECT_EQ(SerialWrite(""), SERIAL_OK);
  EXPECT_LT(watch.Ms(), 45.0);  // one byte would take 50 ms
  Sleep(100);
  EXPECT_TRUE(unit_.Record().empty());
}

TEST_F(SerialChannelTest, EveryCharacterIsFollowedBy50ms) {
  unit_.ClearRecord();
  const std::string text = "set 100 2\n";
  ASSERT_EQ(SerialWrite(text.c_str()), SERIAL_OK);
  Sleep(100);
  std::vector<SimRecordedByte> bytes = unit_.Record();
  std::string received;
  for (const SimRecordedByte& b : bytes) received += b.byte;
  ASSERT_EQ(received, text);

  Pacing pacing = ExpectPaced(bytes, 50.0);
  std::printf("FIGURE pacing median=%.1f worst=%.1f\n", pacing.median, pacing.worst);
  EXPECT_LE(pacing.median, 50.0 + 20.0);
  EXPECT_LE(pacing.worst, 50.0 + kLateMs);
}

// Under Wine a byte write to a pseudo-terminal completes at once, so the
// seam makes the third byte's completion wait run out.
std::atomic<int> g_byteWaits;
std::atomic<DWORD> g_byteWaitMs;

DWORD WINAPI ThirdByteTimesOut(HANDLE event, DWORD ms) {
  g_byteWaitMs = ms;
  if (++g_byteWaits == 3) return WAIT_TIMEOUT;
  return WaitForSingleObject(event, ms);
}

TEST_F(SerialChannelTest, ByteNotCompletedWithin100msEndsTheWrite) {
  g_byteWaits = 0;
  SerialSetWriteWait(ThirdByteTimesOut);
  int code = 0;
  // The third byte had gone out all the same; the rest were not sent.
  EXPECT_EQ(WriteToUnit("abcdef", &code), "abc");
  EXPECT_EQ(code, SERIAL_ERR_TIMEOUT);
  EXPECT_EQ(g_byteWaits, 3);
  EXPECT_EQ(g_byteWaitMs, 100u);

  // The write that timed out was finished: the next one is whole.
  SerialSetWriteWait(nullptr);
  EXPECT_EQ(WriteToUnit("xyz", &code), "xyz");
  EXPECT_EQ(code, SERIAL_OK);
}

// --- A port that goes away -------------------------------------------------

TEST(SerialVanishTest, PortThatVanishesFailsCleanly) {
  SimUnit unit;
  unit.Create(kVanishPort);
  ASSERT_EQ(SerialOpen(unit.PortName().c_str()), SERIAL_OK);
  Sleep(200);
  unit.Vanish();
  Sleep(300);

  char buf[64];
  Stopwatch watch;
  EXPECT_EQ(SerialRead(sizeof buf - 1, buf), SERIAL_ERR_TIMEOUT);
  ExpectTookAbout(watch.Ms(), 1500.0);
  watch.Restart();
  EXPECT_EQ(SerialWrite("get 4\n"), SERIAL_ERR_TIMEOUT);
  EXPECT_LT(watch.Ms(), 300.0);

  // The reader idles instead of spinning on the failing port.
  double cpuBefore = ProcessCpuMs();
  Sleep(1500);
  EXPECT_LT(ProcessCpuMs() - cpuBefore, 300.0);

  watch.Restart();
  EXPECT_EQ(SerialClose(), SERIAL_OK);
  EXPECT_LT(watch.Ms(), 500.0);
}

}  // namespace
