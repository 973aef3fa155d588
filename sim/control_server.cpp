#include "sim/control_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace sim {

namespace {

const int kSendWaitMs = 2000;  // a client that does not read its reply is dropped

void SetNonBlocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

}  // namespace

ControlServer::~ControlServer() {
  for (Client& c : clients_) ::close(c.fd);
  if (listenFd_ >= 0) ::close(listenFd_);
}

bool ControlServer::Listen(std::string* error) {
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return false;
  }
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  socklen_t len = sizeof addr;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::listen(listenFd_, 8) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    *error = std::string("control socket: ") + std::strerror(errno);
    return false;
  }
  SetNonBlocking(listenFd_);
  port_ = ntohs(addr.sin_port);
  return true;
}

void ControlServer::AddPollFds(std::vector<pollfd>* fds) const {
  if (listenFd_ >= 0) fds->push_back({listenFd_, POLLIN, 0});
  for (const Client& c : clients_) fds->push_back({c.fd, POLLIN, 0});
}

bool ControlServer::SendAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::send(fd, text.data() + done, text.size() - done, MSG_NOSIGNAL);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      pollfd p{fd, POLLOUT, 0};
      if (::poll(&p, 1, kSendWaitMs) <= 0) return false;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      return false;
    }
  }
  return true;
}

void ControlServer::Service(const Handler& handler) {
  for (;;) {
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) break;
    clients_.push_back({fd, {}});
  }
  for (std::size_t i = 0; i < clients_.size();) {
    Client& c = clients_[i];
    bool alive = true;
    char buf[4096];
    for (;;) {
      ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
      if (n > 0) {
        c.pending.append(buf, static_cast<std::size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      // End of stream or an error: the lines already here are still done.
      if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) alive = false;
      break;
    }
    for (std::size_t nl; (nl = c.pending.find('\n')) != std::string::npos;) {
      std::string line = c.pending.substr(0, nl);
      c.pending.erase(0, nl + 1);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      std::string reply = handler(line) + "\n";
      if (!SendAll(c.fd, reply)) alive = false;
    }
    if (alive) {
      ++i;
    } else {
      ::close(c.fd);
      clients_.erase(clients_.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
}

}  // namespace sim
