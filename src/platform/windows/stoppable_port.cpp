#include "capi/stoppable_port.h"
#include "windows/serial_port.h"

namespace tarn::capi {
namespace {

// The Windows port: its wait lasts 200 ms at most, so a stop is seen by then
// without a wake-up.
class WindowsPort : public StoppablePort {
 public:
  BytePort& port() override { return port_; }
  void wake() noexcept override {}
  void clearWake() noexcept override {}

 private:
  windows::SerialPort port_;
};

}  // namespace

std::unique_ptr<StoppablePort> makeStoppablePort() { return std::make_unique<WindowsPort>(); }

}  // namespace tarn::capi
