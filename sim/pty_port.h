// The unit's end of a pseudo-terminal pair. The other end (the slave,
// /dev/pts/K) is what the tool opens as its serial port, directly or through
// a link such as $WINEPREFIX/dosdevices/com5.
#pragma once

#include <string>

namespace sim {

class PtyPort {
 public:
  PtyPort() = default;
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  // Makes a raw, non-blocking pair. False with *error on failure.
  bool Open(std::string* error);
  // Links `linkPath` to the slave, replacing what was there.
  bool Link(const std::string& linkPath, std::string* error);
  // Closes the pair: the slave's holder sees a hang-up. Removes the link.
  void Close();

  bool IsOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& slavePath() const { return slavePath_; }
  const std::string& linkPath() const { return linkPath_; }

  // Whether some process holds the slave open now.
  bool SlaveHeld() const;
  // Drops what was written to the slave and not yet read.
  void DiscardPending();
  // While locked, every new open of the slave fails (EIO, for root too);
  // a process that holds it open keeps it.
  bool SetLocked(bool locked);

 private:
  void RemoveLink();

  int fd_ = -1;
  std::string slavePath_;
  std::string linkPath_;
};

}  // namespace sim
