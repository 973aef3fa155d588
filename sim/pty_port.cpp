#include "sim/pty_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace sim {

namespace {

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

}  // namespace

PtyPort::~PtyPort() { Close(); }

bool PtyPort::Open(std::string* error) {
  int fd = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    *error = Failed("posix_openpt");
    return false;
  }
  char name[128];
  if (grantpt(fd) != 0 || unlockpt(fd) != 0 || ptsname_r(fd, name, sizeof name) != 0) {
    *error = Failed("pseudo-terminal setup");
    ::close(fd);
    return false;
  }
  // Raw both ways: no echo, no line editing, no XON/XOFF, no CR/LF
  // translation, so ESC, 0x11 and 0x13 reach the unit as sent.
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) {
    *error = Failed("tcgetattr");
    ::close(fd);
    return false;
  }
  cfmakeraw(&tio);
  cfsetispeed(&tio, B115200);
  cfsetospeed(&tio, B115200);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    *error = Failed("tcsetattr");
    ::close(fd);
    return false;
  }
  // A pair whose slave was never opened does not report a hang-up; once it
  // has been opened and closed, the master shows POLLHUP for as long as no
  // process holds the slave. Opening and closing it once here makes "held"
  // visible from the first open by the tool on.
  int slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (slave < 0) {
    *error = Failed(name);
    ::close(fd);
    return false;
  }
  ::close(slave);
  fd_ = fd;
  slavePath_ = name;
  return true;
}

bool PtyPort::Link(const std::string& linkPath, std::string* error) {
  RemoveLink();
  // A temporary link renamed over the target replaces a stale link at once.
  std::string temp = linkPath + ".rvz-sim-new";
  ::unlink(temp.c_str());
  if (::symlink(slavePath_.c_str(), temp.c_str()) != 0) {
    *error = Failed(temp.c_str());
    return false;
  }
  if (::rename(temp.c_str(), linkPath.c_str()) != 0) {
    *error = Failed(linkPath.c_str());
    ::unlink(temp.c_str());
    return false;
  }
  linkPath_ = linkPath;
  return true;
}

void PtyPort::RemoveLink() {
  if (linkPath_.empty()) return;
  // Only our own link: another unit may have taken the name since.
  char target[256];
  ssize_t n = ::readlink(linkPath_.c_str(), target, sizeof target - 1);
  if (n >= 0) {
    target[n] = '\0';
    if (slavePath_ == target) ::unlink(linkPath_.c_str());
  }
  linkPath_.clear();
}

void PtyPort::Close() {
  RemoveLink();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

bool PtyPort::SlaveHeld() const {
  if (fd_ < 0) return false;
  pollfd p{fd_, POLLIN, 0};
  if (::poll(&p, 1, 0) < 0) return false;
  return (p.revents & POLLHUP) == 0;
}

void PtyPort::DiscardPending() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

bool PtyPort::SetLocked(bool locked) {
  int lock = locked ? 1 : 0;
  return fd_ >= 0 && ::ioctl(fd_, TIOCSPTLCK, &lock) == 0;
}

}  // namespace sim
