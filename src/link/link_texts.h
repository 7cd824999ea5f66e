#pragma once

namespace tarn::link_texts {

inline constexpr const char* kComSettingError = "COM 設定エラー";
inline constexpr const char* kComNumberRange = "COM番号は1から16です";
inline constexpr const char* kSettingError = "Setting Error";
inline constexpr const char* kSettingsPellan = "115200,N,8,1";
inline constexpr const char* kSettingsQuorin = "38400,N,8,1";
// The port went away under the program: a cable pulled, an adapter unplugged.
inline constexpr const char* kPortLost = "COMポートが切断されました";
// A list entry was chosen while connected, and that port could not be opened.
inline constexpr const char* kPortSwitchFailed = "COMポートを開けませんでした";
inline constexpr const char* kConnect = "接続確認";

}  // namespace tarn::link_texts
