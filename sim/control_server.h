// The daemon's control line server on 127.0.0.1: one command a line, one
// reply line each, several clients at once.
#pragma once

#include <poll.h>

#include <functional>
#include <string>
#include <vector>

namespace sim {

class ControlServer {
 public:
  using Handler = std::function<std::string(const std::string& line)>;

  ControlServer() = default;
  ~ControlServer();
  ControlServer(const ControlServer&) = delete;
  ControlServer& operator=(const ControlServer&) = delete;

  // Listens on an ephemeral port of 127.0.0.1.
  bool Listen(std::string* error);
  int port() const { return port_; }

  // The sockets to wait on for reading.
  void AddPollFds(std::vector<pollfd>* fds) const;
  // Accepts new clients, answers every complete line, drops closed clients.
  void Service(const Handler& handler);

 private:
  struct Client {
    int fd;
    std::string pending;
  };
  static bool SendAll(int fd, const std::string& text);

  int listenFd_ = -1;
  int port_ = 0;
  std::vector<Client> clients_;
};

}  // namespace sim
