#include <gtest/gtest.h>

#include "common/model.h"
#include "support/fakes.h"

namespace tarn {
namespace {

using test::FormFixture;

// A connected window whose board takes the rate ("FF": no rate selected).
struct Measurement : FormFixture {
  Measurement() {
    openPort();
    form->Button1.setCaption("閉じる");
    port.replies["FF"] = {"OK\r"};
  }
  void start(const std::string& count, bool binary = true, int channels = 0) {
    form->Text1.setText(count);
    (binary ? form->Option1 : form->Option2).setValue(true);
    form->Combo2.setListIndex(channels);
    form->SendB2.userClick();
  }
  void deliver(const std::string& chunk) {
    port.pending.push_back(chunk);
    form->MSComm1_OnComm();
  }
  static std::string records(int n, const std::string& record) {
    std::string text;
    for (int i = 0; i < n; ++i) text += record;
    return text;
  }
  FormState& s() { return form->state; }
};

TEST(MeasurementStart, CommandAndRecordLayout) {
  const struct {
    const char* count;
    bool binary;
    int channels;
    const char* command;
    int sampleCount, fieldLen, recordLen;
  } cases[] = {
      {"100", true, 0, "A00064", 100, 6, 7},   {"100", true, 1, "A10064", 100, 6, 7},
      {"3", true, 2, "A20003", 3, 6, 13},      {"65535", false, 2, "M2FFFF", 65535, 8, 17},
      {"10", false, 0, "M0000A", 10, 8, 9},    {"10", false, 1, "M1000A", 10, 8, 9},
      {"0", true, 0, "A00000", 0, 6, 7},       {"abc", true, 0, "A00000", 0, 6, 7},
      {"100.5", true, 0, "A00064", 100, 6, 7}, {"101.5", true, 0, "A00066", 102, 6, 7},
      {" 1 2", true, 0, "A0000C", 12, 6, 7},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    Measurement m;
    m.port.pending = {"stale"};
    m.start(c.count, c.binary, c.channels);
    EXPECT_EQ(m.port.lines(), (std::vector<std::string>{"FF", c.command}));
    EXPECT_EQ(m.s().SampleCount, c.sampleCount);
    EXPECT_EQ(m.s().ChannelMode, c.channels);
    EXPECT_EQ(m.s().RecordLen, c.recordLen);
    EXPECT_EQ(m.s().FieldLen, kSolo ? 0 : c.fieldLen) << "the older program has no field length";
    EXPECT_TRUE(m.s().Measuring);
    EXPECT_EQ(m.port.rThreshold(), 1);
    EXPECT_TRUE(m.port.pending.empty()) << "the receive buffer is purged before arming";
    EXPECT_EQ(m.surface.clears, 1);
    EXPECT_EQ(m.form->SendB2.caption(), "測定停止");
    EXPECT_EQ(m.form->Status.text(), "");
  }
}

TEST(MeasurementStart, RefusalsStartNothing) {
  const struct {
    const char* name;
    std::vector<std::string> rateReply;
    const char* count;
    const char* message;
  } cases[] = {
      {"rate NG", {"NG\r"}, "100", "データレート設定できませんでした"},
      {"rate ok in lower case", {"ok\r"}, "100", "データレート設定できませんでした"},
      {"rate silent", {}, "100", "データレート設定できませんでした"},
      {"empty count", {"OK\r"}, "", "データ個数が正しくありません"},
      {"negative count", {"OKAY\r"}, "-1", "データ個数が正しくありません"},
      {"count too large", {"OK\r"}, "65536", "データ個数が正しくありません"},
      {"count overflows", {"OK\r"}, "1e999", "データ個数が正しくありません"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Measurement m;
    m.s().SampleIndex = 5;
    m.port.replies["FF"] = c.rateReply;
    m.start(c.count);
    EXPECT_EQ(m.form->Status.text(), c.message);
    EXPECT_EQ(m.port.lines(), std::vector<std::string>{"FF"});
    EXPECT_FALSE(m.s().Measuring);
    EXPECT_EQ(m.s().SampleIndex, 5);
    EXPECT_EQ(m.form->SendB2.caption(), "測定開始");
  }
}

TEST(MeasurementStart, ClosedPortOnBothPaths) {
  for (const char* caption : {"測定開始", "測定停止"}) {
    FormFixture f;
    f.form->SendB2.setCaption(caption);
    f.form->SendB2.userClick();
    EXPECT_EQ(f.form->Status.text(), "COM not open...");
    EXPECT_EQ(f.form->SendB2.caption(), caption);
    EXPECT_EQ(f.port.written, "");
  }
}

TEST(Reception, RecordsAreCutAcrossEvents) {
  Measurement m;
  m.start("100");
  m.deliver("800001\r800002\r800003");
  EXPECT_EQ(m.s().SampleIndex, 2);
  EXPECT_EQ(m.s().RxBuffer, "800003");
  EXPECT_EQ(m.form->Status.text(), "2/800002");
  m.deliver("\r8");
  EXPECT_EQ(m.s().SampleIndex, 3);
  EXPECT_EQ(m.s().Samples[2].field[0], "800003");
  EXPECT_EQ(m.form->Status.text(), "3/800003");
}

TEST(Reception, ChannelFieldsAndProgress) {
  Measurement m;
  m.s().Samples[0].field[0] = "older";
  m.start("100", true, 1);
  m.deliver("7FFFA2\r");
  EXPECT_EQ(m.s().Samples[0].field[1], "7FFFA2");
  EXPECT_EQ(m.s().Samples[0].field[0], "older") << "a CH1 measurement leaves field 0 alone";

  Measurement two;
  two.start("100", true, 2);
  two.deliver(Measurement::records(11, "000000000000\r") + "7FFFA280001C\r");
  EXPECT_EQ(two.form->Status.text(), "12/7FFFA2, 80001C");

  Measurement mv;
  mv.start("100", false, 2);
  mv.deliver("+01234.5-00012.0\r");
  EXPECT_EQ(mv.s().Samples[0].field[0], "+01234.5");
  EXPECT_EQ(mv.s().Samples[0].field[1], "-00012.0");
}

TEST(Reception, RefusalIsRecognisedOnlyBeforeTheFirstRecord) {
  Measurement m;
  m.start("100");
  m.deliver("N");
  EXPECT_TRUE(m.s().Measuring);
  m.deliver("G\r");
  if constexpr (kSolo) {
    EXPECT_TRUE(m.s().Measuring) << "the older board never refuses; NG is stream text";
  } else {
    EXPECT_FALSE(m.s().Measuring);
    EXPECT_EQ(m.form->Status.text(), "測定開始エラー... ");
    EXPECT_EQ(m.form->SendB2.caption(), "測定開始");
    EXPECT_EQ(m.port.rThreshold(), 0);
    EXPECT_EQ(m.s().RxBuffer, "NG\r");
    EXPECT_EQ(m.s().SampleIndex, 0);
  }

  Measurement late;
  late.start("100");
  late.deliver("800000\rNG");
  EXPECT_TRUE(late.s().Measuring);
  EXPECT_EQ(late.s().SampleIndex, 1);
}

TEST(Reception, TheLastRecordEndsTheMeasurement) {
  Measurement m;
  m.start("1");
  m.deliver("800064\r80");
  EXPECT_FALSE(m.s().Measuring);
  EXPECT_EQ(m.form->Status.text(), "測定終了... CH0[digit pp]= 0");
  EXPECT_EQ(m.form->SendB2.caption(), "測定開始");
  EXPECT_EQ(m.port.rThreshold(), 0);
  EXPECT_EQ(m.s().RxBuffer, "80") << "what follows the last record stays";
  m.deliver("0000\r");
  EXPECT_EQ(m.s().RxBuffer, "800000\r") << "an idle event only appends";
  m.port.written.clear();
  m.start("12");
  EXPECT_EQ(m.s().RxBuffer, "") << "the next start empties it";

  Measurement full;
  full.start("12", true, 2);
  full.deliver(Measurement::records(11, "7FFFFF800000\r"));
  full.deliver("800010800005\r");
  EXPECT_EQ(full.form->Status.text(), "測定終了... [digit pp] : CH0= 17, CH1= 5");
  EXPECT_FALSE(full.surface.segments.empty()) << "the end draws the plot";
}

TEST(MeasurementStop, KeepsTenOrMoreRecords) {
  for (int received : {9, 10}) {
    SCOPED_TRACE(received);
    Measurement m;
    m.start("100");
    m.deliver(Measurement::records(received, "800000\r") + "8000");
    m.form->Option2.setValue(true);  // the stop command follows the format at the moment
    m.port.written.clear();
    m.host.onDoEvents = [&] { m.deliver("late"); };
    m.form->SendB2.userClick();
    EXPECT_EQ(m.port.written, "MX\r");
    EXPECT_FALSE(m.s().Measuring);
    EXPECT_EQ(m.port.rThreshold(), 0);
    EXPECT_EQ(m.form->SendB2.caption(), "測定開始");
    EXPECT_EQ(m.form->Status.text(), "測定停止しました");
    const bool kept = !kSolo && received >= 10;
    EXPECT_EQ(m.s().SampleCount, kept ? received : 100);
    EXPECT_EQ(m.surface.segments.empty(), !kept);
    EXPECT_EQ(m.host.eventPasses, kSolo ? 0 : 1);
    EXPECT_EQ(m.s().RxBuffer, kSolo ? "8000" : "") << "the older program keeps its buffer";
  }
}

TEST(Reception, AnEndlessMeasurementEndsWhenTheTableIsFull) {
  Measurement m;
  m.start("0");
  const std::string chunk = Measurement::records(1000, "800000\r");
  for (int i = 0; i < 66; ++i) m.deliver(chunk);
  EXPECT_TRUE(m.s().Measuring);
  m.port.written.clear();
  m.deliver(Measurement::records(10, "800001\r"));
  EXPECT_FALSE(m.s().Measuring);
  EXPECT_EQ(m.s().SampleIndex, 66001);
  EXPECT_EQ(m.s().SampleCount, 66001);
  EXPECT_EQ(m.s().RxBuffer,
            "800001\r800001\r800001\r800001\r800001\r800001\r800001\r800001\r800001\r");
  EXPECT_EQ(m.port.written, "AX\r");
  EXPECT_EQ(m.form->Status.text(),
            "測定終了 (データ個数が上限の66001に達しました)... CH0[digit pp]= 1");
}

TEST(Reception, APulledCableEndsTheMeasurementAndKeepsWhatArrived) {
  Measurement m;
  if constexpr (!kSolo) m.form->Option3.setEnabled(false);
  m.start("100");
  m.deliver(Measurement::records(12, "800000\r"));
  m.port.vanish();
  m.deliver("80");
  EXPECT_FALSE(m.s().Measuring);
  EXPECT_FALSE(m.s().PortReady);
  EXPECT_EQ(m.form->SendB2.caption(), "測定開始");
  EXPECT_EQ(m.form->Button1.caption(), "接続確認");
  EXPECT_EQ(m.form->Status.text(), "COMポートが切断されました。測定を中止しました (受信 12 個)");
  EXPECT_EQ(m.s().SampleCount, kSolo ? 100 : 12);
  EXPECT_EQ(m.surface.segments.empty(), kSolo);
  if constexpr (!kSolo) {
    EXPECT_TRUE(m.form->Option3.enabled());
  }
  m.form->MSComm1_PortLost();  // the port's own report comes later and changes nothing
  EXPECT_EQ(m.form->Status.text(), "COMポートが切断されました。測定を中止しました (受信 12 個)");
}

}  // namespace
}  // namespace tarn
