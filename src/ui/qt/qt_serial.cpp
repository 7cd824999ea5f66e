#include "ui/qt/qt_serial.h"

#include <QTimer>
#include <sstream>
#include <vector>

#include "common/errors.h"
#include "link/port_names.h"

namespace tarn {
namespace {

struct LineSettings {
  qint32 baud;
  QSerialPort::Parity parity;
  QSerialPort::DataBits dataBits;
  QSerialPort::StopBits stopBits;
};

// "115200,N,8,1" → its parts; anything else is an invalid property value.
LineSettings parseSettings(const std::string& text) {
  std::vector<std::string> parts;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, ',');) parts.push_back(part);
  const auto invalid = [] { return PlatformError(kErrInvalidProperty, "Invalid property value"); };
  if (parts.size() != 4) throw invalid();
  LineSettings s{};
  try {
    s.baud = std::stoi(parts[0]);
  } catch (const std::exception&) {
    throw invalid();
  }
  const std::string parity = parts[1];
  if (parity == "N" || parity == "n")
    s.parity = QSerialPort::NoParity;
  else if (parity == "E" || parity == "e")
    s.parity = QSerialPort::EvenParity;
  else if (parity == "O" || parity == "o")
    s.parity = QSerialPort::OddParity;
  else
    throw invalid();
  if (parts[2] == "8")
    s.dataBits = QSerialPort::Data8;
  else if (parts[2] == "7")
    s.dataBits = QSerialPort::Data7;
  else
    throw invalid();
  if (parts[3] == "1")
    s.stopBits = QSerialPort::OneStop;
  else if (parts[3] == "2")
    s.stopBits = QSerialPort::TwoStop;
  else
    throw invalid();
  if (s.baud <= 0) throw invalid();
  return s;
}

}  // namespace

QtSerial::QtSerial() {
  QObject::connect(&port_, &QSerialPort::readyRead, [this] { notifyReceived(); });
  QObject::connect(&port_, &QSerialPort::errorOccurred,
                   [this](QSerialPort::SerialPortError error) { onError(error); });
}

// Handlers never nest: characters that arrive while the port is busy inside a
// handler's call (a write, a read, a wait) are announced once that call has
// returned to the event loop.
void QtSerial::notifyReceived() {
  if (rThreshold_ < 1 || !received) return;
  if (busy_) {
    deferNotification();
    return;
  }
  received();
}

void QtSerial::deferNotification() {
  if (deferred_) return;
  deferred_ = true;
  QTimer::singleShot(0, &port_, [this] {
    deferred_ = false;
    if (port_.isOpen() && port_.bytesAvailable() > 0) notifyReceived();
  });
}

void QtSerial::onError(QSerialPort::SerialPortError error) {
  const bool fatal = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                     error == QSerialPort::WriteError;
  if (!fatal || !port_.isOpen()) return;
  port_.close();
  // Reported from the event loop, never in the middle of a handler.
  QTimer::singleShot(0, &port_, [this] {
    if (lost) lost();
  });
}

void QtSerial::setCommPort(int16_t number) {
  if (number < 1) throw PlatformError(8002, "Invalid port number");
  if (port_.isOpen()) throw PlatformError(kErrPortOpen, "Port already open");
  number_ = number;
}

void QtSerial::setSettings(const std::string& settings) {
  parseSettings(settings);
  settings_ = settings;
  if (port_.isOpen()) applySettings();
}

void QtSerial::applySettings() {
  const LineSettings s = parseSettings(settings_);
  port_.setBaudRate(s.baud);
  port_.setParity(s.parity);
  port_.setDataBits(s.dataBits);
  port_.setStopBits(s.stopBits);
}

void QtSerial::setPortOpen(bool open) {
  if (!open) {
    if (port_.isOpen()) port_.close();
    return;
  }
  if (port_.isOpen()) throw PlatformError(kErrPortOpen, "Port already open");
  port_.setPortName(QString::fromStdString(portDevice(number_)));
  if (!port_.open(QIODevice::ReadWrite))
    throw PlatformError(8002, port_.errorString().toStdString());
  applySettings();
  port_.setFlowControl(QSerialPort::NoFlowControl);
}

void QtSerial::requireOpen() const {
  if (!port_.isOpen()) throw PlatformError(8012, "The device is not open");
}

void QtSerial::clearInput() {
  requireOpen();
  port_.clear(QSerialPort::Input);
  port_.readAll();
}

void QtSerial::setHandshaking(int32_t mode) {
  requireOpen();
  port_.setFlowControl(mode == 0 ? QSerialPort::NoFlowControl : QSerialPort::HardwareControl);
}

std::string QtSerial::input() {
  const Busy busy(*this);
  requireOpen();
  // Take what the system holds for the port too, not only what the event
  // loop has already moved into Qt's buffer.
  port_.waitForReadyRead(0);
  requireOpen();
  return port_.readAll().toStdString();
}

void QtSerial::output(const std::string& text) {
  const Busy busy(*this);
  requireOpen();
  port_.write(text.data(), static_cast<qint64>(text.size()));
  // Handlers do not return to the event loop while they wait for a reply, so
  // the bytes go out now.
  while (port_.isOpen() && port_.bytesToWrite() > 0 && port_.waitForBytesWritten(1000)) {
  }
  requireOpen();
}

void QtSerial::waitForInput(SteadyTime deadline) {
  const Busy busy(*this);
  requireOpen();
  if (port_.bytesAvailable() > 0) return;
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() > 0) port_.waitForReadyRead(static_cast<int>(left.count()));
}

}  // namespace tarn
