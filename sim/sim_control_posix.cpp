#include "sim/sim_control.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>

namespace {

const int kReplyWaitSeconds = 10;  // a daemon that does not answer is lost

}  // namespace

bool SimControl::OpenSocket(int port) {
  int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<std::uint16_t>(port));
  timeval wait{kReplyWaitSeconds, 0};
  if (::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait) != 0) {
    ::close(fd);
    return false;
  }
  socket_ = fd;
  return true;
}

void SimControl::CloseSocket() { ::close(static_cast<int>(socket_)); }

bool SimControl::SendAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::send(static_cast<int>(socket_), bytes.data() + done, bytes.size() - done,
                       MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int SimControl::ReceiveSome(char* buf, int size) {
  for (;;) {
    ssize_t n = ::recv(static_cast<int>(socket_), buf, static_cast<std::size_t>(size), 0);
    if (n < 0 && errno == EINTR) continue;
    return static_cast<int>(n);
  }
}
