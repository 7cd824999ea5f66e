#pragma once

namespace tarn::analysis_texts {

// The peak-to-peak summary: one channel, then both channels.
inline constexpr const char* kDigitPpCh0 = "CH0[digit pp]=";
inline constexpr const char* kDigitPpCh1 = "CH1[digit pp]=";
inline constexpr const char* kDigitPpBoth = "[digit pp] : CH0=";
inline constexpr const char* kMvPpCh0 = "CH0[mV pp]=";
inline constexpr const char* kMvPpCh1 = "CH1[mV pp]=";
inline constexpr const char* kMvPpBoth = "[mV pp] : CH0=";
inline constexpr const char* kPpThenCh1 = ", CH1=";

}  // namespace tarn::analysis_texts
