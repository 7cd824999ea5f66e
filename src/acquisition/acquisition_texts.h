#pragma once

namespace tarn::acquisition_texts {

// The peak-to-peak summary: one channel, then both channels.
inline constexpr const char* kDigitPpCh0 = "CH0[digit pp]=";
inline constexpr const char* kDigitPpCh1 = "CH1[digit pp]=";
inline constexpr const char* kDigitPpBoth = "[digit pp] : CH0=";
inline constexpr const char* kMvPpCh0 = "CH0[mV pp]=";
inline constexpr const char* kMvPpCh1 = "CH1[mV pp]=";
inline constexpr const char* kMvPpBoth = "[mV pp] : CH0=";
inline constexpr const char* kPpThenCh1 = ", CH1=";

// Starting, stopping and receiving a measurement.
inline constexpr const char* kStart = "測定開始";
inline constexpr const char* kStop = "測定停止";
inline constexpr const char* kBadCount = "データ個数が正しくありません";
inline constexpr const char* kStopped = "測定停止しました";
inline constexpr const char* kRefused = "測定開始エラー... ";
inline constexpr const char* kFinished = "測定終了... ";
// An endless measurement filled the sample table and was ended by the program.
inline constexpr const char* kTableFull = "測定終了 (データ個数が上限の66001に達しました)... ";
// The port went away during a measurement; what arrived is kept.
inline constexpr const char* kLostDuringMeasurement =
    "COMポートが切断されました。測定を中止しました (受信 ";
inline constexpr const char* kLostCountEnd = " 個)";

}  // namespace tarn::acquisition_texts
