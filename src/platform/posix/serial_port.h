#pragma once

#include "common/seams.h"

namespace tarn::posix {

// A serial device through termios, for the command line and the window: raw,
// no flow control, non-blocking, and held by one program at a time (a second
// open fails as "busy"). A device that goes away (a cable pulled, an adapter
// unplugged, the far end of a pseudo-terminal closed) fails the next read or
// write with PortError, after what it delivered before has been read.
class SerialPort : public BytePort {
 public:
  // `wakeFd`, when given, ends a waitForInput() as soon as it is readable:
  // a signal handler writes to it.
  explicit SerialPort(int wakeFd = -1) : wakeFd_(wakeFd) {}
  ~SerialPort() override { close(); }
  SerialPort(const SerialPort&) = delete;
  SerialPort& operator=(const SerialPort&) = delete;

  void open(const std::string& device, const LineSettings& line) override;
  void close() override;
  bool isOpen() const override { return fd_ >= 0; }
  void purge() override;
  void write(std::string_view bytes) override;
  std::string read() override;
  void waitForInput(SteadyTime deadline) override;

 protected:
  // The open device, for an event loop to watch; -1 when closed.
  int descriptor() const { return fd_; }

 private:
  void requireOpen() const;
  [[noreturn]] void fail(const std::string& what);

  int fd_ = -1;
  int wakeFd_;
};

}  // namespace tarn::posix
