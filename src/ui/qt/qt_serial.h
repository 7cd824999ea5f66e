#pragma once

#include <QSocketNotifier>
#include <QTimer>
#include <functional>
#include <memory>

#include "posix/serial_port.h"
#include "ui/port_reading.h"

namespace tarn {

// The window's serial port: the system's port, watched by the event loop.
// What arrives is read and announced when PortReading says: a stream of
// records at the board's pace every 100 ms, so that it wakes the window ten
// times a second, not once a record; a faster board as fast as it sends; an
// idle port not at all. A reply the presenter waits for is read at once, as it
// arrives. A port that fails under the program is closed and `lost` is called
// once, from the event loop.
class QtBytePort : public posix::SerialPort {
 public:
  QtBytePort();
  std::function<void()> received;  // characters arrived
  std::function<void()> lost;

  void open(const std::string& device, const LineSettings& line) override;
  void close() override;
  void purge() override;
  void write(std::string_view bytes) override;
  std::string read() override;
  void waitForInput(SteadyTime deadline) override;

 private:
  void readable();
  void announce();
  // Runs a call of the device; one that fails it and closes it reports the
  // loss from the event loop, never in the middle of a handler.
  template <typename Call>
  auto watched(Call call);

  std::unique_ptr<QSocketNotifier> notifier_;
  QTimer readTimer_;
  std::string arrived_;  // read from the device, not yet taken
  PortReading pace_;
};

}  // namespace tarn
