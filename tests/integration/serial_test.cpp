#include <gtest/gtest.h>

#include <chrono>

#include "support/pty_peer.h"
#include "ui/form1.h"
#include "ui/qt/app.h"

namespace tarn {
namespace {

using namespace std::chrono;

TEST(SerialIntegration, ReplyIsTakenAtItsCarriageReturnAndSilenceCostsOneTimeout) {
  test::PtyPeer peer(
      [](const std::string& line) { return line == "S?" ? std::string("S05\r") : ""; });
  peer.mapTo(4);
  App app;
  Form1& form = app.form();
  form.OpenPort();
  ASSERT_TRUE(form.state.PortReady) << form.Status.text();
  EXPECT_EQ(form.MSComm1.settings(), "115200,N,8,1");
  form.ResyncLine();

  std::string reply;
  EXPECT_TRUE(form.SendCommand("S?", reply, 100));
  EXPECT_EQ(reply, "S05");

  const auto start = steady_clock::now();
  EXPECT_FALSE(form.SendCommand("?", reply, 100));
  EXPECT_EQ(reply, "");
  EXPECT_GE(steady_clock::now() - start, milliseconds(100)) << "the whole time-out is waited";
  EXPECT_FALSE(form.Timer1.enabled());

  form.ClosePort();
  EXPECT_FALSE(form.MSComm1.portOpen());
}

}  // namespace
}  // namespace tarn
