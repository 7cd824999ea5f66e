#pragma once

namespace tarn::datafile_texts {

inline constexpr const char* kTitle = "データ";
inline constexpr const char* kSettings = "設定 : ";
inline constexpr const char* kRate = "データレート : ";
inline constexpr const char* kChannels = "測定CH : ";
inline constexpr const char* kCount = "データ個数 : ";
inline constexpr const char* kDialogTitle = "データファイル";
inline constexpr const char* kFilter = "(CSVファイル) | *.csv";
// Follows the full path; the text begins with a blank.
inline constexpr const char* kOverwrite = " に上書きしますか？";
inline constexpr const char* kSaveFailed = "データファイルを保存出来ませんでした";

}  // namespace tarn::datafile_texts
