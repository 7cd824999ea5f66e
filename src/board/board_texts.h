#pragma once

namespace tarn::board_texts {

inline constexpr const char* kComSettingError = "COM 設定エラー";
inline constexpr const char* kComNumberRange = "COM番号は1から16です";
inline constexpr const char* kSettingError = "Setting Error";
// The port went away under the program: a cable pulled, an adapter unplugged.
inline constexpr const char* kPortLost = "COMポートが切断されました";
// A list entry was chosen while connected, and that port could not be opened.
inline constexpr const char* kPortSwitchFailed = "COMポートを開けませんでした";
inline constexpr const char* kConnect = "接続確認";
inline constexpr const char* kClose = "閉じる";
inline constexpr const char* kComOpenFailed = "COM Open 失敗 ...";
inline constexpr const char* kComReady = "COM Ready...";
inline constexpr const char* kComNotOpen = "COM not open...";
inline constexpr const char* kStatusUnknown = "???";
inline constexpr const char* kSinc3 = "Sinc3";
inline constexpr const char* kSinc5 = "Sinc5+Sinc1";
inline constexpr const char* kRateRead = "データレート読出しました";
inline constexpr const char* kRateSet = "データレート設定完了";
inline constexpr const char* kRateNotSet = "データレート設定できませんでした";

}  // namespace tarn::board_texts
