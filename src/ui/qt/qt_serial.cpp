#include "ui/qt/qt_serial.h"

#include <QTimer>

namespace tarn {

QtBytePort::QtBytePort() {
  QObject::connect(&port_, &QSerialPort::readyRead, [this] { notifyReceived(); });
  QObject::connect(&port_, &QSerialPort::errorOccurred,
                   [this](QSerialPort::SerialPortError error) { onError(error); });
}

// Handlers never nest: characters that arrive while the port is busy inside a
// handler's call (a write, a read, a wait) are announced once that call has
// returned to the event loop.
void QtBytePort::notifyReceived() {
  if (!received) return;
  if (busy_) {
    deferNotification();
    return;
  }
  received();
}

void QtBytePort::deferNotification() {
  if (deferred_) return;
  deferred_ = true;
  QTimer::singleShot(0, &port_, [this] {
    deferred_ = false;
    if (port_.isOpen() && port_.bytesAvailable() > 0) notifyReceived();
  });
}

void QtBytePort::onError(QSerialPort::SerialPortError error) {
  const bool fatal = error == QSerialPort::ResourceError || error == QSerialPort::ReadError ||
                     error == QSerialPort::WriteError;
  if (!fatal || !port_.isOpen()) return;
  port_.close();
  // Reported from the event loop, never in the middle of a handler.
  QTimer::singleShot(0, &port_, [this] {
    if (lost) lost();
  });
}

void QtBytePort::open(const std::string& device, const LineSettings& line) {
  if (port_.isOpen()) port_.close();
  port_.setPortName(QString::fromStdString(device));
  if (!port_.open(QIODevice::ReadWrite)) throw PortError(port_.errorString().toStdString());
  const QSerialPort::Parity parity = line.parity == 'E'   ? QSerialPort::EvenParity
                                     : line.parity == 'O' ? QSerialPort::OddParity
                                                          : QSerialPort::NoParity;
  port_.setBaudRate(line.baud);
  port_.setParity(parity);
  port_.setDataBits(static_cast<QSerialPort::DataBits>(line.dataBits));
  port_.setStopBits(line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
  port_.setFlowControl(QSerialPort::NoFlowControl);
}

void QtBytePort::close() {
  if (port_.isOpen()) port_.close();
}

void QtBytePort::requireOpen() const {
  if (!port_.isOpen()) throw PortError("The device is not open");
}

void QtBytePort::purge() {
  requireOpen();
  port_.clear(QSerialPort::Input);
  port_.readAll();
}

std::string QtBytePort::read() {
  const Busy busy(*this);
  requireOpen();
  // Take what the system holds for the port too, not only what the event
  // loop has already moved into Qt's buffer.
  port_.waitForReadyRead(0);
  requireOpen();
  return port_.readAll().toStdString();
}

void QtBytePort::write(std::string_view bytes) {
  const Busy busy(*this);
  requireOpen();
  port_.write(bytes.data(), static_cast<qint64>(bytes.size()));
  // Handlers do not return to the event loop while they wait for a reply, so
  // the bytes go out now.
  while (port_.isOpen() && port_.bytesToWrite() > 0 && port_.waitForBytesWritten(1000)) {
  }
  requireOpen();
}

void QtBytePort::waitForInput(SteadyTime deadline) {
  const Busy busy(*this);
  requireOpen();
  if (port_.bytesAvailable() > 0) return;
  const auto left =
      std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (left.count() > 0) port_.waitForReadyRead(static_cast<int>(left.count()));
}

}  // namespace tarn
