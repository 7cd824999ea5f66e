#include "pty_peer.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <stdexcept>

namespace tarn::test {

PtyPeer::PtyPeer(std::function<std::string(const std::string&)> answer)
    : answer_(std::move(answer)) {
  master_ = posix_openpt(O_RDWR | O_NOCTTY);
  if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
    throw std::runtime_error("no pseudo-terminal");
  device_ = ptsname(master_);
  // Holding the slave open keeps the pty alive between the program's opens,
  // and raw mode keeps the line discipline from echoing or translating.
  slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
  termios tio{};
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave_, TCSANOW, &tio);
  thread_ = std::thread([this] { serve(); });
}

PtyPeer::~PtyPeer() {
  stop_ = true;
  thread_.join();
  ::close(slave_);
  ::close(master_);
}

void PtyPeer::mapTo(int comNumber) const {
  setenv(("TARNVIEW_COM" + std::to_string(comNumber)).c_str(), device_.c_str(), 1);
}

void PtyPeer::serve() {
  std::string line;
  while (!stop_) {
    pollfd pfd{master_, POLLIN, 0};
    if (poll(&pfd, 1, 20) <= 0 || !(pfd.revents & POLLIN)) continue;
    char buf[256];
    const ssize_t n = ::read(master_, buf, sizeof buf);
    for (ssize_t i = 0; i < n; ++i) {
      if (buf[i] != '\r') {
        line += buf[i];
        continue;
      }
      const std::string reply = answer_(line);
      line.clear();
      if (!reply.empty() && ::write(master_, reply.data(), reply.size()) < 0) return;
    }
  }
}

}  // namespace tarn::test
