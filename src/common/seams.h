#pragma once

#include <chrono>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarn {

using SteadyTime = std::chrono::steady_clock::time_point;

// A serial line's settings, as the window shows them: "115200,N,8,1".
struct LineSettings {
  int baud;
  char parity;  // 'N', 'E' or 'O'
  int dataBits;
  int stopBits;
  std::string text() const {
    return std::to_string(baud) + ',' + parity + ',' + std::to_string(dataBits) + ',' +
           std::to_string(stopBits);
  }
};

// The port failed: it could not be opened, or it went away under the program.
class PortError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A byte-oriented serial port. Every call but close() and isOpen() throws
// PortError when the port is not open or fails.
class BytePort {
 public:
  virtual ~BytePort() = default;
  virtual void open(const std::string& device, const LineSettings& line) = 0;
  virtual void close() = 0;
  virtual bool isOpen() const = 0;
  // Drops whatever was received and not yet read.
  virtual void purge() = 0;
  virtual void write(std::string_view bytes) = 0;
  // Every byte received and not yet read.
  virtual std::string read() = 0;
  // Blocks until input is pending or the deadline has passed, handling no
  // window events meanwhile.
  virtual void waitForInput(SteadyTime deadline) = 0;
};

struct LocalDateTime {
  int year, month, day, hour, minute, second;
};

class Clock {
 public:
  virtual ~Clock() = default;
  virtual SteadyTime now() = 0;
  virtual LocalDateTime localNow() = 0;
};

}  // namespace tarn
