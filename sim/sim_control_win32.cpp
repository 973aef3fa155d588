#include "sim/sim_control.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace {

const DWORD kReplyWaitMs = 10000;  // a daemon that does not answer is lost

// Winsock is started once for the process and left running.
bool StartWinsock() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started;
}

SOCKET AsSocket(std::intptr_t s) { return static_cast<SOCKET>(s); }

}  // namespace

bool SimControl::OpenSocket(int port) {
  if (!StartWinsock()) return false;
  SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return false;
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<u_short>(port));
  DWORD wait = kReplyWaitMs;
  if (::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait),
                   sizeof wait) != 0) {
    ::closesocket(s);
    return false;
  }
  socket_ = static_cast<std::intptr_t>(s);
  return true;
}

void SimControl::CloseSocket() { ::closesocket(AsSocket(socket_)); }

bool SimControl::SendAll(const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    int n = ::send(AsSocket(socket_), bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

int SimControl::ReceiveSome(char* buf, int size) {
  return ::recv(AsSocket(socket_), buf, size, 0);
}
