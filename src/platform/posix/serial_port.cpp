#include "posix/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace tarn::posix {
namespace {

constexpr std::pair<int, speed_t> kSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600}};

int millisecondsUntil(SteadyTime deadline) {
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return static_cast<int>(std::max<int64_t>(0, left.count()));
}

}  // namespace

void SerialPort::open(const std::string& device, const LineSettings& line) {
  close();
  fd_ = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) throw PortError(device + ": " + std::strerror(errno));
  // Two programs on one board take each other's replies: the port is ours
  // alone, against programs that lock it and (for all but root) any other.
  if (flock(fd_, LOCK_EX | LOCK_NB) != 0) fail(device + " is in use by another program");
  ioctl(fd_, TIOCEXCL);
  termios tio{};
  if (tcgetattr(fd_, &tio) != 0) fail(device + " is no serial device");
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CSTOPB | PARENB | PARODD | CRTSCTS);
  tio.c_cflag |= line.dataBits == 5   ? CS5
                 : line.dataBits == 6 ? CS6
                 : line.dataBits == 7 ? CS7
                                      : CS8;
  if (line.stopBits == 2) tio.c_cflag |= CSTOPB;
  if (line.parity == 'E' || line.parity == 'O') tio.c_cflag |= PARENB;
  if (line.parity == 'O') tio.c_cflag |= PARODD;
  tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  // One character at least, so that a read of a device that went away
  // returns 0 or fails, while "nothing yet" is EAGAIN.
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  const auto* speed = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                                   [&](const auto& s) { return s.first == line.baud; });
  if (speed == std::end(kSpeeds)) fail(std::to_string(line.baud) + " baud is not supported");
  if (cfsetispeed(&tio, speed->second) != 0 || cfsetospeed(&tio, speed->second) != 0 ||
      tcsetattr(fd_, TCSANOW, &tio) != 0)
    fail(device + ": " + std::strerror(errno));
}

void SerialPort::close() {
  if (fd_ < 0) return;
  // The device stays exclusive while another descriptor holds it open.
  ioctl(fd_, TIOCNXCL);
  ::close(fd_);
  fd_ = -1;
}

void SerialPort::fail(const std::string& what) {
  close();
  throw PortError(what);
}

void SerialPort::requireOpen() const {
  if (fd_ < 0) throw PortError("The device is not open");
}

void SerialPort::purge() {
  requireOpen();
  tcflush(fd_, TCIFLUSH);
}

void SerialPort::write(std::string_view bytes) {
  requireOpen();
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd_, bytes.data(), bytes.size());
    if (n > 0) {
      bytes.remove_prefix(static_cast<size_t>(n));
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN) fail(std::string("write: ") + std::strerror(errno));
    // The output queue is full: a second with no room at all is a dead line.
    pollfd p{fd_, POLLOUT, 0};
    if (poll(&p, 1, 1000) == 0) fail("write: the device takes nothing");
  }
}

std::string SerialPort::read() {
  requireOpen();
  std::string got;
  char buffer[65536];
  while (true) {
    const ssize_t n = ::read(fd_, buffer, sizeof buffer);
    if (n > 0) {
      got.append(buffer, static_cast<size_t>(n));
      if (static_cast<size_t>(n) < sizeof buffer) return got;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno == EAGAIN) return got;
    // Gone: hand over what came before; the next read reports it.
    if (!got.empty()) return got;
    fail(n == 0 ? std::string("the device has gone")
                : std::string("read: ") + std::strerror(errno));
  }
}

void SerialPort::waitForInput(SteadyTime deadline) {
  requireOpen();
  pollfd fds[] = {{fd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}};
  // A signal (EINTR) ends the wait as the wake descriptor does; a hang-up
  // ends it and the next read tells.
  poll(fds, wakeFd_ >= 0 ? 2 : 1, millisecondsUntil(deadline));
}

}  // namespace tarn::posix
