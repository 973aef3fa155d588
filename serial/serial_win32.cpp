// The serial channel on Win32: one overlapped port, a reader thread that
// gathers chunks into g_szRecvBuf, and paced one-byte writes.

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>

#include "serial/serial.h"
#include "serial/serial_win32_seam.h"

namespace {

constexpr DWORD kInQueueSize = 2048;
constexpr DWORD kOutQueueSize = 512;
constexpr std::size_t kDevicePathSize = 260;

constexpr DWORD kChunkWaitMs = 1500;   // reader: longer than the 1200 ms read time-out
constexpr DWORD kByteWaitMs = 100;     // SerialWrite: one byte's completion
constexpr DWORD kBytePauseMs = 50;     // SerialWrite: after every byte
constexpr DWORD kDataWaitMs = 1500;    // SerialRead: the next chunk
constexpr DWORD kCloseWaitMs = 2000;   // SerialClose: the reader's end
constexpr DWORD kFailedReadPauseMs = 200;  // reader: after a read the port refused

// Who uses one opening of the port. The channel itself (from
// SerialOpen to SerialClose), the reader thread and every SerialWrite or
// SerialRead in progress each count once; the last to let go closes the
// handles. So no thread ever uses a released handle, also a reader that
// outlives the 2000 ms that SerialClose waits for it.
struct SPortUsers {
  std::atomic<int> nUsers;
  std::atomic<bool> bClosing;   // SerialClose has begun: stop writing, stop waiting
};

// The open port. Written by SerialOpen and SerialClose under g_csPort;
// other threads copy them under g_csPort into a PortHold.
HANDLE g_hComPort = nullptr;
HANDLE g_hReadEvent = nullptr;    // the reader's pending read completed
HANDLE g_hWriteEvent = nullptr;   // SerialWrite's pending byte completed
HANDLE g_hStopEvent = nullptr;    // SerialClose asks the reader to end
HANDLE g_hDataEvent = nullptr;    // the reader delivered a chunk
HANDLE g_hReaderThread = nullptr; // used by SerialClose only
SPortUsers* g_pPortUsers = nullptr;

// Text received and not yet taken; outlives every open and close.
char g_szRecvBuf[kSerialRecvSize];

// The locks live for the whole run, as the receive buffer does.
CRITICAL_SECTION g_csRecv;    // g_szRecvBuf
CRITICAL_SECTION g_csPort;    // the handles above while they change
CRITICAL_SECTION g_csWrite;   // one SerialWrite at a time: one g_hWriteEvent

struct ChannelLocks {
  ChannelLocks() {
    InitializeCriticalSection(&g_csRecv);
    InitializeCriticalSection(&g_csPort);
    InitializeCriticalSection(&g_csWrite);
  }
} g_channelLocks;

std::atomic<SerialChunkHook> g_chunkHook{nullptr};
std::atomic<SerialWriteWait> g_writeWait{nullptr};

class Lock {
 public:
  explicit Lock(CRITICAL_SECTION* cs) : cs_(cs) { EnterCriticalSection(cs_); }
  ~Lock() { LeaveCriticalSection(cs_); }
  Lock(const Lock&) = delete;
  Lock& operator=(const Lock&) = delete;

 private:
  CRITICAL_SECTION* cs_;
};

// One thread's use of an opening of the port: copies of its handles that
// stay valid until this hold and every other one are let go.
class PortHold {
 public:
  PortHold() = default;
  PortHold(PortHold&& other) noexcept { *this = std::move(other); }
  PortHold& operator=(PortHold&& other) noexcept {
    if (this != &other) {
      Release();
      port = other.port;
      readEvent = other.readEvent;
      writeEvent = other.writeEvent;
      stopEvent = other.stopEvent;
      dataEvent = other.dataEvent;
      users_ = other.users_;
      other.users_ = nullptr;
    }
    return *this;
  }
  ~PortHold() { Release(); }

  // A new use of the open port; empty when the channel is closed.
  static PortHold Take() {
    Lock lock(&g_csPort);
    PortHold hold = FromGlobals();
    if (hold.users_) ++hold.users_->nUsers;
    return hold;
  }

  // Takes over the channel's own use and marks the channel closed.
  static PortHold Detach() {
    Lock lock(&g_csPort);
    PortHold hold = FromGlobals();
    g_hComPort = g_hReadEvent = g_hWriteEvent = g_hStopEvent = g_hDataEvent = nullptr;
    g_pPortUsers = nullptr;
    return hold;
  }

  // A use already counted in `users`.
  static PortHold Adopt(HANDLE port, const HANDLE (&events)[4], SPortUsers* users) {
    PortHold hold;
    hold.port = port;
    hold.readEvent = events[0];
    hold.writeEvent = events[1];
    hold.stopEvent = events[2];
    hold.dataEvent = events[3];
    hold.users_ = users;
    return hold;
  }

  explicit operator bool() const { return users_ != nullptr; }
  bool Closing() const { return users_->bClosing.load(); }
  void MarkClosing() { users_->bClosing = true; }

  HANDLE port = nullptr;
  HANDLE readEvent = nullptr;
  HANDLE writeEvent = nullptr;
  HANDLE stopEvent = nullptr;
  HANDLE dataEvent = nullptr;

 private:
  static PortHold FromGlobals() {
    if (!g_pPortUsers) return PortHold();
    const HANDLE events[4] = {g_hReadEvent, g_hWriteEvent, g_hStopEvent, g_hDataEvent};
    return Adopt(g_hComPort, events, g_pPortUsers);
  }

  void Release() {
    if (!users_) return;
    if (--users_->nUsers == 0) {
      CloseHandle(readEvent);
      CloseHandle(writeEvent);
      CloseHandle(stopEvent);
      CloseHandle(dataEvent);
      CloseHandle(port);
      delete users_;
    }
    users_ = nullptr;
  }

  SPortUsers* users_ = nullptr;
};

// Ends an overlapped operation that is still pending after its wait. Until
// it completes the driver may still write into `ov` and the operation's
// buffer, so neither may be reused or released before. A cancelled
// operation completes with ERROR_OPERATION_ABORTED; one that finished just
// before the cancel reports its result as usual.
bool CancelAndComplete(HANDLE port, OVERLAPPED* ov, DWORD* count) {
  CancelIoEx(port, ov);   // ERROR_NOT_FOUND when it has just completed
  return GetOverlappedResult(port, ov, count, TRUE) != FALSE;
}

// Starts an overlapped read or write. True when the operation completed or
// is pending; false when the driver refused it and nothing is pending.
bool Started(BOOL result) { return result || GetLastError() == ERROR_IO_PENDING; }

void AppendChunk(const char* chunk) {
  Lock lock(&g_csRecv);
  std::size_t have = std::strlen(g_szRecvBuf);
  std::size_t add = std::strlen(chunk);
  // Space check and append in one holding: a SerialRead cannot split a chunk.
  if (have + add < kSerialRecvSize) std::memcpy(g_szRecvBuf + have, chunk, add + 1);
}

void CloseIfOpen(HANDLE& h) {
  if (h) CloseHandle(h);
  h = nullptr;
}

DWORD WINAPI SerialReaderThread(LPVOID param) {
  std::unique_ptr<PortHold> hold(static_cast<PortHold*>(param));
  char chunk[kSerialChunkSize];

  while (WaitForSingleObject(hold->stopEvent, 0) == WAIT_TIMEOUT) {
    std::memset(chunk, 0, sizeof chunk);
    OVERLAPPED ov;
    std::memset(&ov, 0, sizeof ov);
    ov.hEvent = hold->readEvent;
    ResetEvent(hold->readEvent);
    ResetEvent(hold->dataEvent);
    ClearCommError(hold->port, nullptr, nullptr);

    // One byte less than the buffer leaves room for the terminator, so a
    // read that fills the request is still a whole chunk, not dropped.
    bool pending = Started(ReadFile(hold->port, chunk, kSerialChunkSize - 1, nullptr, &ov));
    DWORD count = 0;
    bool read = false;
    DWORD error = pending ? 0 : GetLastError();
    if (pending) {
      // The port's time-outs end the read after 1200 ms at most. Waiting
      // on the stop event too ends the thread at once on close, even when
      // the cancel in SerialClose came before this read was started.
      HANDLE waits[2] = {hold->stopEvent, hold->readEvent};
      DWORD woke = WaitForMultipleObjects(2, waits, FALSE, kChunkWaitMs);
      if (woke == WAIT_OBJECT_0 + 1) {
        read = GetOverlappedResult(hold->port, &ov, &count, FALSE) != FALSE;
      } else {
        read = CancelAndComplete(hold->port, &ov, &count);
      }
      error = read ? 0 : GetLastError();
      // Stop asked, or the wait failed: a failed wait means the handles
      // are unusable, so the thread ends rather than go round with them.
      if (woke == WAIT_OBJECT_0 || woke == WAIT_FAILED) break;
    }
    // Wine completes a read that its time-out ended with ERROR_TIMEOUT,
    // where Windows reports success: what it brought (often nothing, a
    // silent unit) is taken as usual.
    if (!read && error == ERROR_TIMEOUT) read = true;
    if (!read && error != ERROR_OPERATION_ABORTED) {
      // A port that has gone away (a pulled adapter, a closed terminal)
      // fails every read at once: pause before the next try, not spin.
      if (WaitForSingleObject(hold->stopEvent, kFailedReadPauseMs) != WAIT_TIMEOUT) break;
      continue;
    }
    // A read cut off by its wait, or an empty one (a silent unit): no chunk.
    if (!read || count == 0) continue;

    chunk[count] = '\0';
    if (SerialChunkHook hook = g_chunkHook.load()) hook(chunk);
    // The hook may have shortened the chunk; a chunk that does not fit is
    // dropped, but a waiting SerialRead is still woken.
    AppendChunk(chunk);
    SetEvent(hold->dataEvent);
  }
  return 0;
}

}  // namespace

void SerialSetChunkHook(SerialChunkHook hook) { g_chunkHook = hook; }

void SerialSetWriteWait(SerialWriteWait wait) { g_writeWait = wait; }

int SerialOpen(const char* portName) {
  // One port at a time: a second open would orphan the first.
  if (!portName || g_hReaderThread) return SERIAL_ERR_OPEN;

  // "\\.\" names the device itself in the Win32 device namespace. Plain
  // "COM3" works only for COM1..COM9, which are also DOS device names;
  // COM10 and above are reachable only this way.
  char path[kDevicePathSize];
  int length = std::snprintf(path, sizeof path, "\\\\.\\%s", portName);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof path) return SERIAL_ERR_OPEN;

  // No sharing: a port that another program holds fails here, as does an
  // absent one. Overlapped, so the reader and the writer can both be busy.
  HANDLE port = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OVERLAPPED, nullptr);
  if (port == INVALID_HANDLE_VALUE) return SERIAL_ERR_OPEN;

  // A request only: a driver may keep its own queue sizes.
  SetupComm(port, kInQueueSize, kOutQueueSize);

  // Read-modify-write: only the line format changes; flow control, DTR/RTS
  // and the special characters stay as the port reported them.
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(port, &dcb)) {
    CloseHandle(port);
    return SERIAL_ERR_GET_STATE;
  }
  dcb.BaudRate = CBR_115200;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  if (!SetCommState(port, &dcb)) {
    CloseHandle(port);
    return SERIAL_ERR_SET_STATE;
  }

  // A read ends 500 ms after the last byte (a chunk is one burst of the
  // unit) or 1200 ms after it began; a byte write gives up after 600 ms.
  COMMTIMEOUTS timeouts;
  std::memset(&timeouts, 0, sizeof timeouts);
  if (!GetCommTimeouts(port, &timeouts)) {
    CloseHandle(port);
    return SERIAL_ERR_GET_TIMEOUTS;
  }
  timeouts.ReadIntervalTimeout = 500;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = 1200;
  timeouts.WriteTotalTimeoutMultiplier = 100;
  timeouts.WriteTotalTimeoutConstant = 500;
  if (!SetCommTimeouts(port, &timeouts)) {
    CloseHandle(port);
    return SERIAL_ERR_SET_TIMEOUTS;
  }

  // Unnamed, auto-reset, not signalled.
  HANDLE events[4];
  bool eventsMade = true;
  for (HANDLE& event : events) {
    event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    eventsMade = eventsMade && event;
  }
  if (!eventsMade) {
    for (HANDLE& event : events) CloseIfOpen(event);
    CloseHandle(port);
    return SERIAL_ERR_EVENTS;
  }

  // Published before the reader starts: the first chunk may be a banner
  // whose hook answers at once with SerialWrite.
  auto* users = new SPortUsers{{2}, {false}};   // the channel's use and the reader's
  auto* readerHold = new PortHold(PortHold::Adopt(port, events, users));
  {
    Lock lock(&g_csPort);
    g_hComPort = port;
    g_hReadEvent = events[0];
    g_hWriteEvent = events[1];
    g_hStopEvent = events[2];
    g_hDataEvent = events[3];
    g_pPortUsers = users;
  }

  HANDLE thread = CreateThread(nullptr, 0, SerialReaderThread, readerHold, 0, nullptr);
  if (!thread) {
    delete readerHold;
    PortHold::Detach();   // the channel's use ends with it
    return SERIAL_ERR_THREAD;
  }
  g_hReaderThread = thread;
  return SERIAL_OK;
}

int SerialClose() {
  if (!g_hReaderThread) return SERIAL_OK;
  PortHold channel = PortHold::Detach();
  HANDLE thread = g_hReaderThread;
  g_hReaderThread = nullptr;

  channel.MarkClosing();
  SetEvent(channel.stopEvent);
  // On Windows the purge aborts the pending read and write; Wine's purge
  // only flushes the queues and leaves them pending. Cancelling every
  // operation on the port ends them on both.
  PurgeComm(channel.port, PURGE_TXABORT | PURGE_RXABORT);
  CancelIoEx(channel.port, nullptr);
  WaitForSingleObject(thread, kCloseWaitMs);
  CloseHandle(thread);   // the thread itself runs on if it has not ended
  // A SerialRead still waiting for a chunk would wait in vain.
  SetEvent(channel.dataEvent);
  return SERIAL_OK;      // the port closes when its last user lets go
}

int SerialWrite(const char* text) {
  std::size_t length = text ? std::strlen(text) : 0;
  if (length == 0) return SERIAL_OK;

  PortHold hold = PortHold::Take();
  if (!hold) return SERIAL_ERR_TIMEOUT;
  SerialWriteWait wait = g_writeWait.load();
  if (!wait) wait = WaitForSingleObject;

  Lock lock(&g_csWrite);
  for (std::size_t i = 0; i < length; ++i) {
    if (hold.Closing()) return SERIAL_ERR_TIMEOUT;

    OVERLAPPED ov;
    std::memset(&ov, 0, sizeof ov);
    ov.hEvent = hold.writeEvent;
    ResetEvent(hold.writeEvent);
    ClearCommError(hold.port, nullptr, nullptr);
    if (!Started(WriteFile(hold.port, text + i, 1, nullptr, &ov))) return SERIAL_ERR_TIMEOUT;

    DWORD written = 0;
    if (wait(hold.writeEvent, kByteWaitMs) != WAIT_OBJECT_0) {
      // The byte may still go out later (the port allows it 600 ms);
      // finish it here, before `ov` leaves this frame.
      CancelAndComplete(hold.port, &ov, &written);
      return SERIAL_ERR_TIMEOUT;
    }
    // Completed is not sent: a port gone away completes with an error.
    if (!GetOverlappedResult(hold.port, &ov, &written, FALSE) || written != 1) return SERIAL_ERR_TIMEOUT;
    Sleep(kBytePauseMs);
  }
  return SERIAL_OK;
}

int SerialRead(std::size_t size, char* dest) {
  if (!dest && size > 0) return SERIAL_ERR_TIMEOUT;

  // The reader resets the data event before each read, so this waits in
  // effect for the next chunk that arrives. A closed channel does not wait.
  bool chunkCame = false;
  if (PortHold hold = PortHold::Take()) {
    chunkCame = WaitForSingleObject(hold.dataEvent, kDataWaitMs) == WAIT_OBJECT_0 && !hold.Closing();
  }

  Lock lock(&g_csRecv);
  if (!chunkCame && g_szRecvBuf[0] == '\0') return SERIAL_ERR_TIMEOUT;
  if (size > 0) {
    std::memset(dest, 0, size);
    std::size_t have = std::strlen(g_szRecvBuf);
    std::memcpy(dest, g_szRecvBuf, have < size ? have : size);
  }
  std::memset(g_szRecvBuf, 0, sizeof g_szRecvBuf);
  return SERIAL_OK;
}
