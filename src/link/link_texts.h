#pragma once

#include "common/model.h"

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

// The messages name the board: the converter on the current boards, the
// board itself on the older one.
inline constexpr const char* kNoAnswer =
    kSolo ? "Pellanが応答しませんでした" : "AD7172が応答しませんでした";
inline constexpr const char* kBoardOk = kSolo ? "Pellan OK" : "AD7172 OK";
inline constexpr const char* kBadStatus =
    kSolo ? "Pellanの応答エラーです" : "AD7172の応答エラーです";
inline constexpr const char* kRateReadError = kSolo ? "Pellan 応答エラー" : "AD7172 応答エラー";

// Character 2 of the status reply: the reference on the current boards, the
// input range on the older one.
inline constexpr const char* kReference0 = kSolo ? "±2.5V / " : "±2.5V / IntRef / ";
inline constexpr const char* kReference1 = kSolo ? "±5V / " : "±2.5V / ExtRef / ";

inline constexpr const char* kRatesPellanSinc5[] = {"1.25sps",  "2.5sps",   "5sps",     "10sps",
                                                    "16.63sps", "20.01sps", "49.68sps", "59.52sps",
                                                    "100.2sps", "200.3sps", "503.8sps", "1007sps"};
inline constexpr const char* kRatesPellanSinc3[] = {"1.25sps",  "2.5sps",   "5sps",   "10sps",
                                                    "16.67sps", "20.01sps", "50sps",  "59.98sps",
                                                    "100.2sps", "200.3sps", "504sps", "1008sps"};
inline constexpr const char* kRatesQuorinSinc5[] = {"1.25sps",  "2.5sps",   "5sps",     "10sps",
                                                    "20.01sps", "49.68sps", "100.2sps", "200.3sps"};
inline constexpr const char* kRatesQuorinSinc3[] = {"1.25sps",  "2.5sps", "5sps",     "10sps",
                                                    "20.01sps", "50sps",  "100.2sps", "200.3sps"};

}  // namespace tarn::link_texts
