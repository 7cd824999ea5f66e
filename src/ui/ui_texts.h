#pragma once

namespace tarn::ui_texts {

inline constexpr const char* kCaptionPellan = "Pellan(2) Demo";
inline constexpr const char* kCaptionQuorin = "Quorin(2) Demo";
inline constexpr const char* kStartMeasure = "測定開始";
inline constexpr const char* kComPorts[] = {"COM1", "COM2", "COM3", "COM4", "COM5",
                                            "COM6", "COM7", "COM8", "COM9"};
inline constexpr const char* kChannels[] = {"CH0=Ain0-Ain1", "CH1=Ain2-Ain3", "CH0 / CH1"};

}  // namespace tarn::ui_texts
