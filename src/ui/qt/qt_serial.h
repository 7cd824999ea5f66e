#pragma once

#include <QSerialPort>
#include <functional>

#include "common/seams.h"

namespace tarn {

// The serial control over QSerialPort. A port that fails under the program
// (read or resource error) is closed at the first error and `lost` is called
// once, from the event loop.
class QtSerial : public SerialControl {
 public:
  QtSerial();
  std::function<void()> received;  // characters arrived while RThreshold >= 1
  std::function<void()> lost;

  void setCommPort(int16_t number) override;
  int16_t commPort() const override { return number_; }
  void setSettings(const std::string& settings) override;
  std::string settings() const override { return settings_; }
  bool portOpen() const override { return port_.isOpen(); }
  void setPortOpen(bool open) override;
  void clearInput() override;
  void setRThreshold(int16_t threshold) override { rThreshold_ = threshold; }
  int16_t rThreshold() const override { return rThreshold_; }
  void setSThreshold(int16_t) override {}
  void setHandshaking(int32_t mode) override;
  std::string input() override;
  void output(const std::string& text) override;
  int16_t commEvent() const override { return kComEvReceive; }
  void waitForInput(SteadyTime deadline) override;

 private:
  void applySettings();
  void requireOpen() const;
  void onError(QSerialPort::SerialPortError error);
  void notifyReceived();
  void deferNotification();
  struct Busy {
    explicit Busy(QtSerial& s) : serial(s), was(s.busy_) { s.busy_ = true; }
    ~Busy() { serial.busy_ = was; }
    QtSerial& serial;
    bool was;
  };

  QSerialPort port_;
  int16_t number_ = 1;
  std::string settings_ = "9600,N,8,1";
  int16_t rThreshold_ = 0;
  bool busy_ = false;
  bool deferred_ = false;
};

}  // namespace tarn
