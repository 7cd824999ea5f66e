#include <gtest/gtest.h>

#include "common/model.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using test::FormFixture;

const char* const kNoAnswer = kSolo ? "Pellanが応答しませんでした" : "AD7172が応答しませんでした";
const char* const kBadStatus = kSolo ? "Pellanの応答エラーです" : "AD7172の応答エラーです";
const char* const kReadError = kSolo ? "Pellan 応答エラー" : "AD7172 応答エラー";

// A board that answers the identification, the status and the rate read.
void answer(FormFixture& f, const std::string& status, const std::string& rate = "F3") {
  f.port.replies["?"] = {"tarnboard\r"};
  f.port.replies["S?"] = {status + "\r"};
  f.port.replies["F?"] = {rate + "\r"};
}

bool modelChoiceEnabled(Form1& w) { return kSolo || (w.Option3.enabled() && w.Option4.enabled()); }

TEST(ConnectionCheck, StatusRepliesByModel) {
  const struct {
    const char* status;
    bool quorin;
    const char* label;
    int rates;  // entries in the list afterwards
    const char* message;
  } cases[] = {
      {"S05", false, kSolo ? "±2.5V / Sinc5+Sinc1" : "±2.5V / IntRef / Sinc5+Sinc1", 12,
       "データレート読出しました"},
      {"S13", false, kSolo ? "±5V / Sinc3" : "±2.5V / ExtRef / Sinc3", 12,
       "データレート読出しました"},
      {"S05", true, kSolo ? "±2.5V / Sinc5+Sinc1" : "±2.5V / IntRef / Sinc5+Sinc1", kSolo ? 12 : 8,
       "データレート読出しました"},
      {"S13", true, kSolo ? "±5V / Sinc3" : "±2.5V / ExtRef / Sinc3", kSolo ? 12 : 8,
       "データレート読出しました"},
      {"S0", false, "???", 0, kBadStatus},
      {"S2x", false, "???", 0, kBadStatus},
      {"S0x", true, "???", 0, kBadStatus},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.status) + (c.quorin ? " Quorin2" : " Pellan2"));
    FormFixture f;
    Form1& w = *f.form;
    if constexpr (!kSolo) {
      if (c.quorin) w.Option4.setValue(true);
    }
    answer(f, c.status);
    w.Button1.userClick();
    const bool checked = c.rates > 0;
    EXPECT_EQ(w.Label1.caption(), c.label);
    EXPECT_EQ(w.Combo1.listCount(), c.rates);
    EXPECT_EQ(w.Status.text(), c.message);
    EXPECT_EQ(w.Button1.caption(), "閉じる");
    EXPECT_EQ(modelChoiceEnabled(w), kSolo || !checked);
    EXPECT_EQ(w.ComStatus.caption(), kSolo || !c.quorin ? "115200,N,8,1" : "38400,N,8,1");
    EXPECT_TRUE(f.port.portOpen());
    EXPECT_EQ(w.Combo1.listIndex(), checked ? 3 : -1);
    EXPECT_EQ(f.port.lines(), checked ? (std::vector<std::string>{"", "?", "S?", "F?"})
                                      : (std::vector<std::string>{"", "?", "S?"}));
  }
}

TEST(ConnectionCheck, FailuresLeaveTheWindowInAConsistentState) {
  {
    SCOPED_TRACE("port cannot be opened");
    FormFixture f;
    f.port.missingPorts = {4};
    f.form->Button1.userClick();
    EXPECT_EQ(f.form->ComStatus.caption(), "COM Open 失敗 ...");
    EXPECT_EQ(f.form->Status.text(), kSolo ? "" : "Setting Error");
    EXPECT_EQ(f.form->Button1.caption(), "接続確認");
    EXPECT_FALSE(f.port.portOpen());
    EXPECT_TRUE(modelChoiceEnabled(*f.form));
  }
  for (const char* silent : {"?", "S?"}) {
    SCOPED_TRACE(std::string("no answer to ") + silent);
    FormFixture f;
    answer(f, "S05");
    f.port.replies.erase(silent);
    f.form->Button1.userClick();
    EXPECT_EQ(f.form->Status.text(), kNoAnswer);
    EXPECT_EQ(f.form->Button1.caption(), "閉じる");
    EXPECT_EQ(f.form->Label1.caption(), "Label1");
    EXPECT_TRUE(modelChoiceEnabled(*f.form));
    f.form->Button1.userClick();  // a second click disconnects instead of checking again
    EXPECT_FALSE(f.port.portOpen());
    EXPECT_EQ(f.form->Button1.caption(), "接続確認");
  }
  {
    SCOPED_TRACE("rate read fails after a good status");
    FormFixture f;
    answer(f, "S05", "FZ");
    if constexpr (!kSolo) f.form->Option4.setValue(true);
    f.port.replies["F?"] = {"F\r"};
    f.form->Button1.userClick();
    EXPECT_EQ(f.form->Status.text(), kReadError);
    EXPECT_EQ(f.form->Combo1.listIndex(), -1);
    EXPECT_EQ(f.form->Button1.caption(), "閉じる");
    EXPECT_EQ(modelChoiceEnabled(*f.form), kSolo);
  }
  {
    SCOPED_TRACE("the port vanishes during the check");
    FormFixture f;
    answer(f, "S05");
    f.port.onLine = [&](const std::string& line) {
      if (line == "S?") f.port.vanish();
    };
    f.form->Button1.userClick();
    EXPECT_EQ(f.form->Status.text(), "COMポートが切断されました");
    EXPECT_EQ(f.form->Button1.caption(), "接続確認");
    EXPECT_FALSE(f.form->state.PortReady);
    EXPECT_TRUE(modelChoiceEnabled(*f.form));
  }
  {
    SCOPED_TRACE("the cable went before the user disconnects");
    FormFixture f;
    answer(f, "S05");
    f.form->Button1.userClick();
    f.port.failing = true;
    f.form->Button1.userClick();
    EXPECT_EQ(f.form->Status.text(), "COMポートが切断されました");
    EXPECT_EQ(f.form->Button1.caption(), "接続確認");
    EXPECT_FALSE(f.form->state.PortReady);
    EXPECT_FALSE(f.port.portOpen());
    EXPECT_TRUE(modelChoiceEnabled(*f.form));
  }
}

TEST(ConnectionCheck, DisconnectAndReconnect) {
  FormFixture f;
  answer(f, "S05");
  f.form->Button1.userClick();
  f.port.written.clear();
  f.form->Button1.userClick();
  EXPECT_EQ(f.port.written, "\r") << "the line is resynchronised before closing";
  EXPECT_FALSE(f.port.portOpen());
  EXPECT_FALSE(f.form->state.PortReady);
  EXPECT_EQ(f.form->Button1.caption(), "接続確認");
  EXPECT_TRUE(modelChoiceEnabled(*f.form));
  f.form->Button1.userClick();
  EXPECT_EQ(f.port.opens, 2);
  EXPECT_EQ(f.form->Status.text(), "データレート読出しました");
}

TEST(RateRead, RepliesAgainstTheLoadedList) {
  const struct {
    const char* name;
    int entries;  // 0: empty list, 8 or 12
    std::vector<std::string> reply;
    int index;  // expected selection; -2: unchanged
    const char* message;
  } cases[] = {
      {"B in 12", 12, {"FB\r"}, 11, "データレート読出しました"},
      {"B in 8", 8, {"FB\r"}, -2, kReadError},
      {"7 in 8", 8, {"F7\r"}, 7, "データレート読出しました"},
      {"lower case a", 12, {"Fa\r"}, 10, "データレート読出しました"},
      {"not hex, filled list", 12, {"FZ\r"}, 0, "データレート読出しました"},
      {"not hex, empty list", 0, {"FZ\r"}, -2, kReadError},
      {"one character", 12, {"F\r"}, -2, kReadError},
      {"silence", 12, {}, -2, kReadError},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    FormFixture f;
    f.openPort();
    if (c.entries == 12) f.form->FillRatesPellanSinc5();
    if (c.entries == 8) f.form->FillRatesQuorinSinc3();
    if (c.entries) f.form->Combo1.setListIndex(2);
    const int before = f.form->Combo1.listIndex();
    f.port.replies["F?"] = c.reply;
    f.form->Command29.userClick();
    EXPECT_EQ(f.form->Combo1.listIndex(), c.index == -2 ? before : c.index);
    EXPECT_EQ(f.form->Status.text(), c.message);
  }
}

TEST(RateSet, CommandDigitAndReplies) {
  const struct {
    int index;
    const char* command;
    std::vector<std::string> reply;
    const char* message;
  } cases[] = {
      {10, "FA", {"OK\r"}, "データレート設定完了"},
      {-1, "FF", {"OK\r"}, "データレート設定完了"},
      {0, "F0", {"OKAY\r"}, "データレート設定完了"},
      {3, "F3", {"ok\r"}, "データレート設定できませんでした"},
      {3, "F3", {"NG\r"}, "データレート設定できませんでした"},
      {3, "F3", {}, "データレート設定できませんでした"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    FormFixture f;
    f.openPort();
    f.form->FillRatesPellanSinc3();
    f.form->Combo1.setListIndex(c.index);
    f.port.replies[c.command] = c.reply;
    f.form->Command6.userClick();
    EXPECT_EQ(f.port.lines(), std::vector<std::string>{c.command});
    EXPECT_EQ(f.form->Status.text(), c.message);
    EXPECT_EQ(f.form->Combo1.listIndex(), c.index) << "setting never changes the selection";
  }
}

TEST(RateCommands, ClosedPortSendsNothing) {
  FormFixture f;
  for (Captioned* button : {&f.form->Command29, &f.form->Command6}) {
    f.form->Status.setText("");
    button->userClick();
    EXPECT_EQ(f.form->Status.text(), "COM not open...");
  }
  EXPECT_EQ(f.port.written, "");
}

TEST(RateLists, EntriesByModelAndFilter) {
  FormFixture f;
  Form1& w = *f.form;
  const struct {
    void (Form1::*fill)();
    std::vector<std::string> entries;
  } cases[] = {
      {&Form1::FillRatesPellanSinc5,
       {"1.25sps", "2.5sps", "5sps", "10sps", "16.63sps", "20.01sps", "49.68sps", "59.52sps",
        "100.2sps", "200.3sps", "503.8sps", "1007sps"}},
      {&Form1::FillRatesPellanSinc3,
       {"1.25sps", "2.5sps", "5sps", "10sps", "16.67sps", "20.01sps", "50sps", "59.98sps",
        "100.2sps", "200.3sps", "504sps", "1008sps"}},
      {&Form1::FillRatesQuorinSinc5,
       {"1.25sps", "2.5sps", "5sps", "10sps", "20.01sps", "49.68sps", "100.2sps", "200.3sps"}},
      {&Form1::FillRatesQuorinSinc3,
       {"1.25sps", "2.5sps", "5sps", "10sps", "20.01sps", "50sps", "100.2sps", "200.3sps"}},
  };
  for (const auto& c : cases) {
    w.Combo1.addItem("stale");
    w.Combo1.setListIndex(0);
    (w.*c.fill)();
    std::vector<std::string> shown;
    for (int i = 0; i < w.Combo1.listCount(); ++i) shown.push_back(w.Combo1.list(i));
    EXPECT_EQ(shown, c.entries);
    EXPECT_EQ(w.Combo1.listIndex(), -1);
  }
}

}  // namespace
}  // namespace tarn
