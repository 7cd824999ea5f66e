#include <fcntl.h>
#include <unistd.h>

#include "capi/stoppable_port.h"
#include "posix/serial_port.h"

namespace tarn::capi {
namespace {

// The termios port, its wait ended by a byte on a pipe of its own.
class PosixPort : public StoppablePort {
 public:
  PosixPort() : port_(openPipe(wake_)) {}
  ~PosixPort() override {
    port_.close();
    for (const int fd : wake_) ::close(fd);
  }
  PosixPort(const PosixPort&) = delete;
  PosixPort& operator=(const PosixPort&) = delete;

  BytePort& port() override { return port_; }
  void wake() noexcept override {
    const char byte = 0;
    [[maybe_unused]] const ssize_t ignored = ::write(wake_[1], &byte, 1);
  }
  void clearWake() noexcept override {
    char bytes[64];
    while (::read(wake_[0], bytes, sizeof bytes) > 0) {
    }
  }

 private:
  // The pipe's reading end, which the port's wait watches.
  static int openPipe(int (&fds)[2]) {
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) throw PortError("no pipe for the stop");
    return fds[0];
  }
  int wake_[2] = {-1, -1};
  posix::SerialPort port_;
};

}  // namespace

std::unique_ptr<StoppablePort> makeStoppablePort() { return std::make_unique<PosixPort>(); }

}  // namespace tarn::capi
