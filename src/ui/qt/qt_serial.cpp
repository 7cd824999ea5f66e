#include "ui/qt/qt_serial.h"

namespace tarn {
namespace {

// More often than the live tick shows the stream, and a good deal longer than
// the 16 ms in which a USB serial adapter gathers what it hands over, so that
// each read of a stream finds something; at 115200 baud the system holds
// about 1200 characters meanwhile, well within its 4096.
constexpr std::chrono::milliseconds kReadInterval{100};

}  // namespace

QtBytePort::QtBytePort() {
  readTimer_.setSingleShot(true);
  QObject::connect(&readTimer_, &QTimer::timeout, [this] { announce(); });
}

void QtBytePort::open(const std::string& device, const LineSettings& line) {
  close();
  SerialPort::open(device, line);
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

// The device has something: the notifier rests until the read interval is
// over, and the characters that came meanwhile are announced together.
void QtBytePort::readable() {
  notifier_->setEnabled(false);
  const auto next = announced_ + kReadInterval - std::chrono::steady_clock::now();
  readTimer_.start(
      std::max(std::chrono::milliseconds(0), std::chrono::ceil<std::chrono::milliseconds>(next)));
}

// While characters keep coming (a measurement's stream) the port is read once
// an interval on the timer alone; once an interval brings nothing, the
// notifier watches again.
void QtBytePort::announce() {
  announced_ = std::chrono::steady_clock::now();
  std::string got;
  try {
    got = watched([this] { return SerialPort::read(); });
  } catch (const PortError&) {
    return;
  }
  if (got.empty()) {
    notifier_->setEnabled(true);
    return;
  }
  arrived_ += got;
  readTimer_.start(kReadInterval);
  if (received) received();
}

}  // namespace tarn
