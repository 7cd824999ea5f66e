#include <gtest/gtest.h>

#include "common/model.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using test::FormFixture;

TEST(OpenPort, PortNamesAndTheirOutcomes) {
  const struct {
    const char* typed;  // nullptr: the list entry COM4 stays selected
    bool opens;
    int number;
    const char* status;
  } cases[] = {
      {nullptr, true, 4, "Status"},
      {"COM12", true, 12, "Status"},
      {"COM 7", true, 7, "Status"},
      {"COM2.5", true, 2, "Status"},
      {"COM17", kSolo, 17, kSolo ? "Status" : "COM番号は1から16です"},
      {"com3", false, 0, "COM 設定エラー"},
      {"CO", false, 0, "COM 設定エラー"},
      {"COM0", false, 0, "Setting Error"},
      {"COM", false, 0, "Setting Error"},
      {"COM-1", false, 0, "Setting Error"},
      {"COM99999", false, 0, kSolo ? "Setting Error" : "COM番号は1から16です"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed ? c.typed : "list entry");
    FormFixture f;
    if (c.typed) f.form->ComboCommPort.userEditText(c.typed);
    f.form->OpenPort();
    EXPECT_EQ(f.port.portOpen(), c.opens);
    EXPECT_EQ(f.form->state.PortReady, c.opens);
    EXPECT_EQ(f.form->Status.text(), c.status);
    if (c.opens) {
      EXPECT_EQ(f.port.commPort(), c.number);
      EXPECT_EQ(f.port.settings(), "115200,N,8,1");
      EXPECT_EQ(f.port.rThreshold(), 0);
      EXPECT_EQ(f.port.sThreshold, 0);
      EXPECT_EQ(f.port.handshaking, 0);
    }
  }
}

TEST(OpenPort, BadNameLeavesPortReadyAndMissingPortFails) {
  FormFixture f;
  f.form->state.PortReady = true;
  f.form->ComboCommPort.userEditText("com3");
  f.form->OpenPort();
  EXPECT_TRUE(f.form->state.PortReady) << "a name without COM leaves PortReady as it was";

  FormFixture g;
  g.port.missingPorts = {4};
  g.form->OpenPort();
  EXPECT_FALSE(g.port.portOpen());
  EXPECT_FALSE(g.form->state.PortReady);
  EXPECT_EQ(g.form->Status.text(), "Setting Error");
}

TEST(OpenPort, ModelChoosesTheLineSettingsAndStaleInputIsDropped) {
  FormFixture f;
  if constexpr (!kSolo) f.form->Option4.setValue(true);
  f.port.pending = {"stale"};
  f.form->OpenPort();
  EXPECT_EQ(f.port.settings(), kSolo ? "115200,N,8,1" : "38400,N,8,1");
  EXPECT_TRUE(f.port.pending.empty());
  f.form->OpenPort();  // an open port is closed and opened again
  EXPECT_EQ(f.port.opens, 2);
}

TEST(ClosePortAndResync, ClosedPortIsLeftAloneAndOpenPortGetsABareLineEnd) {
  FormFixture f;
  f.form->state.PortReady = true;
  f.form->ResyncLine();
  f.form->ClosePort();
  EXPECT_FALSE(f.form->state.PortReady);
  EXPECT_EQ(f.port.opens, 0);

  f.openPort();
  f.port.pending = {"junk"};
  f.form->ResyncLine();
  EXPECT_EQ(f.port.written, "\r");
  EXPECT_TRUE(f.port.pending.empty());
  f.form->ClosePort();
  EXPECT_FALSE(f.port.portOpen());
}

TEST(ComboCommPort, ChoosingAnEntryMovesAnOpenPortOnly) {
  FormFixture f;
  f.form->ComboCommPort.userSelect(5);
  EXPECT_FALSE(f.port.portOpen());
  EXPECT_EQ(f.port.commPort(), 1) << "a closed port is not touched";

  f.openPort();
  f.form->ComboCommPort.userSelect(1);
  EXPECT_TRUE(f.port.portOpen());
  EXPECT_EQ(f.port.commPort(), 2);
  EXPECT_EQ(f.port.settings(), "115200,N,8,1");

  f.form->Button1.setCaption("閉じる");
  f.port.missingPorts = {7};
  f.form->ComboCommPort.userSelect(6);
  EXPECT_FALSE(f.port.portOpen());
  EXPECT_FALSE(f.form->state.PortReady);
  EXPECT_EQ(f.form->Status.text(), "COMポートを開けませんでした");
  EXPECT_EQ(f.form->Button1.caption(), "接続確認");
}

struct Exchange {
  const char* name;
  std::vector<std::string> chunks;
  bool ok;
  const char* reply;
};

TEST(SendCommand, RepliesByTheCarriageReturnRule) {
  const Exchange cases[] = {
      {"whole reply", {"OK\r"}, true, "OK"},
      {"one character at a time", {"O", "K", "\r"}, true, "OK"},
      {"CR LF", {"OK\r\n"}, true, "OK"},
      {"CR first with more text", {"\rOK"}, true, ""},
      {"CR alone", {"\r"}, false, ""},
      {"no CR", {"OK"}, false, ""},
      {"silence", {}, false, ""},
      {"only the first line", {"S05\rS13\r"}, true, "S05"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FormFixture f;
    f.openPort();
    f.port.pending = {"late\r"};
    f.port.replies["F?"] = c.chunks;
    std::string reply = "previous";
    const auto start = f.clock.now();
    EXPECT_EQ(f.form->SendCommand("F?", reply, 100), c.ok);
    EXPECT_EQ(reply, c.reply);
    EXPECT_EQ(f.port.written, "F?\r");
    EXPECT_FALSE(f.form->state.TimedOut);
    EXPECT_FALSE(f.form->Timer1.enabled());
    const bool waitedOut = c.chunks.empty() || c.chunks.back().find('\r') == std::string::npos;
    EXPECT_EQ(f.clock.now() - start, std::chrono::milliseconds(waitedOut ? 100 : 0));
  }
}

TEST(SendCommand, APeerThatNeverPausesStillTimesOut) {
  FormFixture f;
  f.openPort();
  f.port.replies["F?"] = std::vector<std::string>(1000, "x");  // and never a CR
  f.port.readTime = std::chrono::milliseconds(1);
  std::string reply;
  const auto start = f.clock.now();
  EXPECT_FALSE(f.form->SendCommand("F?", reply, 100));
  EXPECT_EQ(f.clock.now() - start, std::chrono::milliseconds(100));
  EXPECT_EQ(reply, "");
}

TEST(SendCommand, ArmsReceiveEventsOffAndSurvivesAPortThatVanishes) {
  FormFixture f;
  f.openPort();
  f.port.setRThreshold(1);
  std::string reply;
  f.port.onLine = [&](const std::string&) { f.port.vanish(); };
  EXPECT_THROW(f.form->SendCommand("?", reply, 100), PlatformError);
  EXPECT_EQ(f.port.rThreshold(), 0);
  EXPECT_FALSE(f.form->Timer1.enabled()) << "the timer is disarmed on failure too";
  EXPECT_FALSE(f.form->state.TimedOut);
}

TEST(PortLost, WindowShowsDisconnected) {
  FormFixture f;
  f.openPort();
  f.form->Button1.setCaption("閉じる");
  if constexpr (!kSolo) f.form->Option3.setEnabled(false);
  f.port.vanish();
  f.form->MSComm1_PortLost();
  EXPECT_FALSE(f.form->state.PortReady);
  EXPECT_EQ(f.form->Button1.caption(), "接続確認");
  EXPECT_EQ(f.form->Status.text(), "COMポートが切断されました");
  if constexpr (!kSolo) {
    EXPECT_TRUE(f.form->Option3.enabled());
  }
}

}  // namespace
}  // namespace tarn
