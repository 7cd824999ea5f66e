#include <array>

#include "acquisition/acquisition_texts.h"
#include "common/errors.h"
#include "common/model.h"
#include "common/numbers.h"
#include "link/link_texts.h"
#include "ui/form1.h"

namespace tarn {
namespace {

struct RecordLayout {
  int16_t fieldLen, recordLen;
};

// By Combo2's index: CH0, CH1, both; binary data first, then mV data.
constexpr std::array<RecordLayout, 3> kBinaryLayout{{{6, 7}, {6, 7}, {6, 13}}};
constexpr std::array<RecordLayout, 3> kMvLayout{{{8, 9}, {8, 9}, {8, 17}}};

}  // namespace

void Form1::SendB2_Click() {
  try {
    if (!MSComm1.portOpen()) {
      Status.setText(link_texts::kComNotOpen);
      return;
    }
    if (SendB2.caption() == acquisition_texts::kStop) {
      StopMeasurement();
    } else {
      StartMeasurement();
    }
  } catch (const PlatformError&) {
    dropPort(link_texts::kPortLost);
  }
}

void Form1::StartMeasurement() {
  Status.setText("");
  state.ReplyText.clear();
  if (!SendRate()) {
    Status.setText(link_texts::kRateNotSet);
    return;
  }
  if (Text1.text().empty()) {
    Status.setText(acquisition_texts::kBadCount);
    return;
  }
  const double n = TextToNumber(Text1.text());
  if (n < 0 || n > 65535) {
    Status.setText(acquisition_texts::kBadCount);
    return;
  }
  state.SampleCount = toInt32(n);
  const bool binary = Option1.value();
  // Combo2 is a pure list, selected from start-up on: its index is 0 to 2.
  const int channels = Combo2.listIndex();
  state.CmdText = std::string(binary ? "A" : "M") + hex16(channels) + hex16(state.SampleCount, 4);
  const RecordLayout layout =
      (binary ? kBinaryLayout : kMvLayout).at(static_cast<size_t>(channels));
  state.ChannelMode = static_cast<int16_t>(channels);
  if constexpr (!kSolo) state.FieldLen = layout.fieldLen;
  state.RecordLen = layout.recordLen;
  Picture1.Cls();
  state.SampleIndex = 0;
  state.Measuring = true;
  state.RxBuffer.clear();
  MSComm1.input();
  MSComm1.setRThreshold(1);
  MSComm1.output(state.CmdText + state.LineEnd);
  SendB2.setCaption(acquisition_texts::kStop);
}

void Form1::StopMeasurement() {
  if constexpr (!kSolo) KeepReceived();
  state.Measuring = false;
  MSComm1.setRThreshold(0);
  SendStopCommand();
  if constexpr (!kSolo) host_.doEvents();
  MSComm1.input();
  if constexpr (!kSolo) state.RxBuffer.clear();
  SendB2.setCaption(acquisition_texts::kStart);
  Status.setText(acquisition_texts::kStopped);
}

void Form1::KeepReceived() {
  if (state.SampleIndex >= 10) {
    state.SampleCount = state.SampleIndex;
    Graph();
  }
}

void Form1::SendStopCommand() { MSComm1.output((Option1.value() ? "AX" : "MX") + state.LineEnd); }

void Form1::AbandonMeasurement() {
  if (!state.Measuring) return;
  state.Measuring = false;
  if constexpr (!kSolo) KeepReceived();
  SendB2.setCaption(acquisition_texts::kStart);
  Status.setText(acquisition_texts::kLostDuringMeasurement + std::to_string(state.SampleIndex) +
                 acquisition_texts::kLostCountEnd);
}

}  // namespace tarn
