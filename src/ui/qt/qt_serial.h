#pragma once

#include <QSerialPort>
#include <functional>

#include "common/seams.h"

namespace tarn {

// The byte port over QSerialPort. A port that fails under the program (read,
// write or resource error) is closed at the first error and `lost` is called
// once, from the event loop.
class QtBytePort : public BytePort {
 public:
  QtBytePort();
  std::function<void()> received;  // characters arrived
  std::function<void()> lost;

  void open(const std::string& device, const LineSettings& line) override;
  void close() override;
  bool isOpen() const override { return port_.isOpen(); }
  void purge() override;
  void write(std::string_view bytes) override;
  std::string read() override;
  void waitForInput(SteadyTime deadline) override;

 private:
  void requireOpen() const;
  void onError(QSerialPort::SerialPortError error);
  void notifyReceived();
  void deferNotification();
  struct Busy {
    explicit Busy(QtBytePort& p) : port(p), was(p.busy_) { p.busy_ = true; }
    ~Busy() { port.busy_ = was; }
    QtBytePort& port;
    bool was;
  };

  QSerialPort port_;
  bool busy_ = false;
  bool deferred_ = false;
};

}  // namespace tarn
