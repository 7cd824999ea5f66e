#pragma once

namespace tarn::acquisition_texts {

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
// Records that broke the stream's framing, after the summary or the stop.
inline constexpr const char* kDiscarded = " (不正なレコード ";
inline constexpr const char* kDiscardedEnd = " 個を破棄)";
// The time left, in the status line's tooltip.
inline constexpr const char* kRemaining = "残り ";
// Every record of a measurement was discarded.
inline constexpr const char* kNoValidData = "有効なデータがありません";

}  // namespace tarn::acquisition_texts
