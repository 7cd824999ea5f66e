#include <gtest/gtest.h>

#include <chrono>

#include "common/system_clock.h"
#include "support/fakes.h"
#include "support/pty_peer.h"
#include "ui/qt/qt_serial.h"

namespace tarn {
namespace {

using namespace std::chrono;

// Form1 over the real QSerialPort, talking to a pty peer mapped to COM4.
struct LinkFixture {
  explicit LinkFixture(std::function<std::string(const std::string&)> answer) : peer(answer) {
    peer.mapTo(4);
    form.Form_Load();
  }
  test::PtyPeer peer;
  QtSerial serial;
  SystemClock clock;
  test::RecordingSurface surface;
  test::FakeHost host;
  Form1 form{Seams{serial, clock, surface, host}};
};

TEST(SerialIntegration, ReplyIsTakenAtItsCarriageReturnAndSilenceCostsOneTimeout) {
  LinkFixture f([](const std::string& line) { return line == "S?" ? std::string("S05\r") : ""; });
  f.form.OpenPort();
  ASSERT_TRUE(f.form.state.PortReady) << f.form.Status.text();
  EXPECT_EQ(f.serial.settings(), "115200,N,8,1");
  f.form.ResyncLine();

  std::string reply;
  EXPECT_TRUE(f.form.SendCommand("S?", reply, 100));
  EXPECT_EQ(reply, "S05");

  const auto start = steady_clock::now();
  EXPECT_FALSE(f.form.SendCommand("?", reply, 100));
  EXPECT_EQ(reply, "");
  EXPECT_GE(steady_clock::now() - start, milliseconds(100)) << "the whole time-out is waited";
  EXPECT_FALSE(f.form.Timer1.enabled());

  f.form.ClosePort();
  EXPECT_FALSE(f.serial.portOpen());
}

TEST(SerialIntegration, MissingDeviceIsASettingError) {
  LinkFixture f([](const std::string&) { return std::string(); });
  setenv("TARNVIEW_COM4", "/dev/does-not-exist", 1);
  f.form.OpenPort();
  EXPECT_FALSE(f.form.state.PortReady);
  EXPECT_EQ(f.form.Status.text(), "Setting Error");
}

}  // namespace
}  // namespace tarn
