// The one serial channel of the process: a port opened by name, a reader
// thread that gathers what the unit sends, paced byte-by-byte writes.
#pragma once

#include <cstddef>

// SerialOpen codes.
enum {
  SERIAL_OK = 0,
  SERIAL_ERR_OPEN = -1,         // absent, or held by another program
  SERIAL_ERR_GET_STATE = -2,
  SERIAL_ERR_SET_STATE = -3,
  SERIAL_ERR_GET_TIMEOUTS = -4,
  SERIAL_ERR_SET_TIMEOUTS = -5,
  SERIAL_ERR_EVENTS = -6,
  SERIAL_ERR_THREAD = -7,
};
// SerialWrite / SerialRead failure code.
enum { SERIAL_ERR_TIMEOUT = -2 };

enum : std::size_t {
  kSerialChunkSize = 2048,   // one read of the reader thread
  kSerialRecvSize = 2048,    // the receive buffer, zero-terminated
};

// Opens `portName` (such as "COM3") at 115200 8N1 and starts the reader.
// Called only while the channel is closed. Returns 0 or -1..-7.
int SerialOpen(const char* portName);

// Stops the reader thread and closes the port; does nothing when closed.
int SerialClose();

// Sends a zero-terminated text one byte at a time, 50 ms apart.
// Returns 0, or -2 when a byte was not sent within 100 ms.
int SerialWrite(const char* text);

// Waits up to 1500 ms for the next chunk and moves all received text into
// `dest` (at most `size` bytes, the rest zero-filled). Returns 0 or -2.
int SerialRead(std::size_t size, char* dest);

// Every received chunk (writable, zero-terminated, 1..2047 characters) is
// shown to this hook on the reader thread before it is appended to the
// receive buffer. The hook may shorten the chunk in place and may call
// SerialWrite. Set it before opening the port.
using SerialChunkHook = void (*)(char* chunk);
void SerialSetChunkHook(SerialChunkHook hook);
