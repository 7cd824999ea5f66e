#pragma once

#include "common/seams.h"

namespace tarn::cli {

// A serial device through termios: raw, no flow control, non-blocking. A
// device that goes away (a cable pulled, an adapter unplugged, the far end of
// a pseudo-terminal closed) fails the next read or write with PortError,
// after what it delivered before has been read.
class PosixPort : public BytePort {
 public:
  // `wakeFd`, when given, ends a waitForInput() as soon as it is readable:
  // a signal handler writes to it.
  explicit PosixPort(int wakeFd = -1) : wakeFd_(wakeFd) {}
  ~PosixPort() override { close(); }
  PosixPort(const PosixPort&) = delete;
  PosixPort& operator=(const PosixPort&) = delete;

  void open(const std::string& device, const LineSettings& line) override;
  void close() override;
  bool isOpen() const override { return fd_ >= 0; }
  void purge() override;
  void write(std::string_view bytes) override;
  std::string read() override;
  void waitForInput(SteadyTime deadline) override;

 private:
  void requireOpen() const;
  [[noreturn]] void fail(const std::string& what);

  int fd_ = -1;
  int wakeFd_;
};

}  // namespace tarn::cli
