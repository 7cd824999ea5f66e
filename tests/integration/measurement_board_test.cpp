#include <gtest/gtest.h>

#include <QCoreApplication>
#include <regex>

#include "common/model.h"
#include "support/board_process.h"
#include "support/pump.h"
#include "ui/form1.h"
#include "ui/qt/app.h"
#include "ui/qt/main_window.h"

namespace tarn {
namespace {

using test::BoardProcess;
using test::pumpUntil;

const char* const kBoard = kSolo ? "pellan" : "pellan2";

// Connects the window to a simulated board started with `extra` options.
struct BoardSession {
  explicit BoardSession(std::vector<std::string> extra = {}) : board(args(std::move(extra))) {
    app.form().Button1.userClick();
  }
  static std::vector<std::string> args(std::vector<std::string> extra) {
    std::vector<std::string> all{"--model", kBoard, "--no-pacing", "--sine", "0.2,5"};
    all.insert(all.end(), extra.begin(), extra.end());
    return all;
  }
  void start(int count, bool binary, int channels) {
    Form1& w = app.form();
    w.Text1.setText(std::to_string(count));
    (binary ? w.Option1 : w.Option2).userClick();
    w.Combo2.userSelect(channels);
    w.SendB2.userClick();
  }
  bool finish() {
    return pumpUntil([this] { return !app.form().state.Measuring; });
  }
  BoardProcess board;
  App app;
};

TEST(MeasurementWithBoard, EveryFormatAndChannelModeEndsWithSummaryAndPlot) {
  const std::regex binaryField("[0-9A-F]{6}"), mvField("[+-][0-9]{5}\\.[0-9]|[+-][0-9]{7}");
  for (bool binary : {true, false}) {
    for (int channels : {0, 1, 2}) {
      SCOPED_TRACE((binary ? "binary, channels " : "mV, channels ") + std::to_string(channels));
      BoardSession s;
      ASSERT_EQ(s.app.form().Status.text(), "データレート読出しました");
      s.start(300, binary, channels);
      ASSERT_TRUE(s.finish());
      const FormState& st = s.app.form().state;
      EXPECT_EQ(st.SampleIndex, 300);
      const std::regex summary(binary ? (channels == 2 ? R"(\[digit pp\] : CH0= \d+, CH1= \d+)"
                                                       : R"(CH[01]\[digit pp\]= \d+)")
                                      : (channels == 2 ? R"(\[mV pp\] : CH0=\d+\.\d+, CH1=\d+\.\d+)"
                                                       : R"(CH[01]\[mV pp\]=\d+\.\d+)"));
      const std::string status = s.app.form().Status.text();
      ASSERT_EQ(status.rfind("測定終了... ", 0), 0u) << status;
      EXPECT_TRUE(std::regex_match(status.substr(std::string("測定終了... ").size()), summary))
          << status;
      for (int i = 0; i < 300; ++i) {
        for (int field : {0, 1}) {
          if (channels != 2 && field != channels) continue;
          ASSERT_TRUE(std::regex_match(st.Samples[i].field[field], binary ? binaryField : mvField))
              << i << ": " << st.Samples[i].field[field];
        }
      }
      const auto& traces = s.app.window().plot().traces();
      ASSERT_EQ(traces.size(), channels == 2 ? 2u : 1u);
      for (const auto& trace : traces) EXPECT_EQ(trace.points.size(), 300);
      EXPECT_EQ(s.app.form().SendB2.caption(), "測定開始");
    }
  }
}

TEST(MeasurementWithBoard, StopMidStreamThenMeasureAgain) {
  BoardSession s;
  Form1& w = s.app.form();
  s.start(0, true, 2);
  ASSERT_TRUE(pumpUntil([&] { return w.state.SampleIndex >= 50; }));
  w.SendB2.userClick();
  EXPECT_EQ(w.Status.text(), "測定停止しました");
  EXPECT_FALSE(w.state.Measuring);
  EXPECT_EQ(w.state.SampleCount, kSolo ? 0 : w.state.SampleIndex);
  // A user takes a moment before the next click; by then the board has seen
  // the stop and what it sent before is purged by the next start.
  pumpUntil([] { return false; }, 200);
  s.start(20, true, 0);
  ASSERT_TRUE(s.finish());
  EXPECT_EQ(w.state.SampleIndex, 20) << "nothing of the stopped stream leaks into the next";
  EXPECT_EQ(w.Status.text().rfind("測定終了... CH0[digit pp]=", 0), 0u) << w.Status.text();
}

TEST(MeasurementWithBoard, FullTableOfTwoChannelRecordsUnpaced) {
  BoardSession s;
  s.start(65535, true, 2);
  ASSERT_TRUE(s.finish());
  EXPECT_EQ(s.app.form().state.SampleIndex, 65535);
  EXPECT_EQ(s.app.form().Status.text().rfind("測定終了... [digit pp] : CH0=", 0), 0u);
  EXPECT_EQ(s.app.window().plot().traces().at(1).points.size(), 65535);
}

}  // namespace
}  // namespace tarn
