#include "tests/native/serial_recorder.h"

#include "serial/serial.h"

std::vector<std::string>& RecordedSerialWrites() {
  static std::vector<std::string> writes;
  return writes;
}

int SerialOpen(const char*) { return 0; }
int SerialClose() { return 0; }
int SerialWrite(const char* text) {
  RecordedSerialWrites().push_back(text);
  return 0;
}
int SerialRead(std::size_t, char*) { return SERIAL_ERR_TIMEOUT; }
void SerialSetChunkHook(SerialChunkHook) {}
