#include "acquisition/acquisition_texts.h"
#include "common/errors.h"
#include "common/model.h"
#include "link/link_texts.h"
#include "ui/form1.h"

namespace tarn {
namespace {

// Where the channel texts stand in a record. The older program has no field
// length of its own and derives it from the record length.
struct Fields {
  size_t length, secondAt;
};

Fields fieldsOf(const FormState& s) {
  if constexpr (kSolo) {
    const size_t length = s.ChannelMode == 2 ? (s.RecordLen - 1) / 2 : s.RecordLen - 1;
    return {length, static_cast<size_t>((s.RecordLen + 1) / 2 - 1)};
  }
  return {static_cast<size_t>(s.FieldLen), static_cast<size_t>(s.FieldLen)};
}

std::string progressText(const FormState& s) {
  const SampleRecord& last = s.Samples[static_cast<size_t>(s.SampleIndex - 1)];
  std::string text = std::to_string(s.SampleIndex) + "/";
  if (s.ChannelMode == 2) return text + last.field[0] + ", " + last.field[1];
  return text + last.field[s.ChannelMode == 1 ? 1 : 0];
}

}  // namespace

void Form1::MSComm1_OnComm() {
  try {
    ReceiveRecords();
  } catch (const PlatformError&) {
    dropPort(link_texts::kPortLost);
  }
}

void Form1::ReceiveRecords() {
  if (MSComm1.commEvent() != kComEvReceive) return;
  std::string& buffer = state.RxBuffer;
  buffer += MSComm1.input();
  if (!state.Measuring) return;
  if constexpr (!kSolo) {
    if (state.SampleIndex == 0 && buffer.compare(0, 2, "NG") == 0) {
      MSComm1.setRThreshold(0);
      Status.setText(acquisition_texts::kRefused);
      SendB2.setCaption(acquisition_texts::kStart);
      state.Measuring = false;
      return;
    }
  }
  // Records are cut at a moving offset and the buffer is shortened once, so
  // the cost follows the characters received, however many records came.
  const size_t recordLen = static_cast<size_t>(state.RecordLen);
  const Fields fields = fieldsOf(state);
  size_t at = 0;
  bool stored = false;
  while (buffer.size() - at >= recordLen) {
    SampleRecord& record = state.Samples[static_cast<size_t>(state.SampleIndex)];
    if (state.ChannelMode == 2) {
      record.field[0].assign(buffer, at, fields.length);
      record.field[1].assign(buffer, at + fields.secondAt, fields.length);
    } else {
      record.field[state.ChannelMode == 1 ? 1 : 0].assign(buffer, at, fields.length);
    }
    at += recordLen;
    ++state.SampleIndex;
    if (state.SampleIndex == state.SampleCount) {
      buffer.erase(0, at);
      FinishMeasurement(acquisition_texts::kFinished);
      return;
    }
    if (state.SampleIndex == kSampleEntries) {
      // An endless measurement has filled the table: stop the board rather
      // than store past its end.
      buffer.erase(0, at);
      SendStopCommand();
      state.SampleCount = state.SampleIndex;
      FinishMeasurement(acquisition_texts::kTableFull);
      return;
    }
    stored = true;
  }
  buffer.erase(0, at);
  if (stored) Status.setText(progressText(state));
}

void Form1::FinishMeasurement(const char* heading) {
  MSComm1.setRThreshold(0);
  state.Measuring = false;
  Status.setText(heading + UpdatePeakToPeak());
  SendB2.setCaption(acquisition_texts::kStart);
  Graph();
}

}  // namespace tarn
