#include "ui/qt/qt_serial.h"

namespace tarn {
namespace {

std::chrono::milliseconds inMilliseconds(PortReading::Wait wait) {
  return std::chrono::ceil<std::chrono::milliseconds>(wait);
}

}  // namespace

QtBytePort::QtBytePort() {
  readTimer_.setSingleShot(true);
  QObject::connect(&readTimer_, &QTimer::timeout, [this] { announce(); });
}

void QtBytePort::open(const std::string& device, const LineSettings& line) {
  close();
  SerialPort::open(device, line);
  pace_ = {};
  notifier_ = std::make_unique<QSocketNotifier>(descriptor(), QSocketNotifier::Read);
  QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { readable(); });
}

void QtBytePort::close() {
  notifier_.reset();
  readTimer_.stop();
  arrived_.clear();
  SerialPort::close();
}

void QtBytePort::purge() {
  arrived_.clear();
  SerialPort::purge();
}

template <typename Call>
auto QtBytePort::watched(Call call) {
  const bool wasOpen = isOpen();
  try {
    return call();
  } catch (const PortError&) {
    if (wasOpen && !isOpen()) {
      QTimer::singleShot(0, &readTimer_, [this] {
        if (lost) lost();
      });
    }
    throw;
  }
}

void QtBytePort::write(std::string_view bytes) {
  watched([&] { SerialPort::write(bytes); });
}

// What the notifier's reading holds goes first; the device is read once
// that is taken.
std::string QtBytePort::read() {
  if (!arrived_.empty()) return std::exchange(arrived_, {});
  return watched([this] { return SerialPort::read(); });
}

void QtBytePort::waitForInput(SteadyTime deadline) {
  if (arrived_.empty()) SerialPort::waitForInput(deadline);
}

// The device has something: it is read now, or when the stream's pace says,
// the notifier resting meanwhile.
void QtBytePort::readable() {
  notifier_->setEnabled(false);
  const PortReading::Wait wait = pace_.readable(std::chrono::steady_clock::now());
  if (wait == PortReading::Wait::zero()) {
    announce();
  } else {
    readTimer_.start(inMilliseconds(wait));
  }
}

// Reads what came and announces it. The next read waits on the timer, or on
// the notifier when nothing came or the board sends faster than a read takes.
void QtBytePort::announce() {
  std::string got;
  try {
    got = watched([this] { return SerialPort::read(); });
  } catch (const PortError&) {
    return;
  }
  const PortReading::Wait wait = pace_.afterRead(got.size(), std::chrono::steady_clock::now());
  if (wait == PortReading::Wait::zero()) {
    notifier_->setEnabled(true);
  } else {
    readTimer_.start(inMilliseconds(wait));
  }
  if (got.empty()) return;
  arrived_ += got;
  if (received) received();
}

}  // namespace tarn
