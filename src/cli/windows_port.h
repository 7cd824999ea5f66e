#pragma once

#include <string>

#include "common/seams.h"

namespace tarn::cli {

// A serial port through the Windows API. "COMn" is the port itself, opened
// as \\.\COMn; any other name is opened as given. The DCB carries the line
// settings, without flow control. A wait for input is a read that the port's
// time-outs end at the first character or at the deadline, so a complete
// reply returns at once and a silent board costs the deadline alone. A port
// that goes away (an adapter unplugged) fails the next read or write with
// PortError, after what it delivered before has been read.
class WindowsPort : public BytePort {
 public:
  WindowsPort() = default;
  ~WindowsPort() override { close(); }
  WindowsPort(const WindowsPort&) = delete;
  WindowsPort& operator=(const WindowsPort&) = delete;

  void open(const std::string& device, const LineSettings& line) override;
  void close() override;
  bool isOpen() const override { return handle_ != nullptr; }
  void purge() override;
  void write(std::string_view bytes) override;
  std::string read() override;
  void waitForInput(SteadyTime deadline) override;

 private:
  void requireOpen() const;
  [[noreturn]] void fail(const std::string& what);
  // A read returns what is there at once (0), or waits up to `milliseconds`
  // for the first character.
  void setReadWait(unsigned long milliseconds);
  // Reads what is there, or what the first character brings, onto `to`;
  // false with the error code when the read fails.
  bool readInto(std::string& to, unsigned long& error);

  void* handle_ = nullptr;  // the HANDLE; null when closed
  unsigned long readWait_ = 0;
  std::string pending_;  // read by waitForInput(), handed over by read()
};

// The system's text for a Windows error code, in UTF-8.
std::string systemMessage(unsigned long error);

}  // namespace tarn::cli
