#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tarn {

// One record of a measurement as the board sent it: field 0 the CH0 value
// text, field 1 the CH1 value text.
struct SampleRecord {
  std::array<std::string, 2> field;
};

inline constexpr int32_t kSampleEntries = 66001;

// The window's shared variables; they live as long as the window.
struct FormState {
  std::string CmdText;
  std::string ReplyText;
  bool PortReady = false;
  bool TimedOut = false;
  std::string LineEnd;
  bool Measuring = false;
  int16_t ChannelMode = 0;
  int16_t FieldLen = 0;
  int16_t RecordLen = 0;
  std::string RxBuffer;
  int32_t SampleIndex = 0;
  int32_t SampleCount = 0;
  std::vector<SampleRecord> Samples = std::vector<SampleRecord>(kSampleEntries);
  double Ch0Max = 0, Ch0Min = 0, Ch1Max = 0, Ch1Min = 0;
};

}  // namespace tarn
