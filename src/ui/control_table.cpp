#include "ui/control_table.h"

#include <array>

#include "common/model.h"

namespace tarn {
namespace {

using K = ControlKind;
using F = FontRole;

constexpr ControlSpec S(std::string_view name, K kind, std::string_view in, std::string_view text,
                        int left, int top, int width, int height, int tab, F font = F::Default) {
  return ControlSpec{name, kind, in, text, left, top, width, height, tab, font};
}

constexpr ControlSpec bordered(ControlSpec row, bool grey) {
  row.border = true;
  row.greyBack = grey;
  return row;
}

constexpr ControlSpec scaleLabel(ControlSpec row) {
  row.autoSize = true;
  row.align = kSolo ? Align::Left : Align::Right;
  return row;
}

constexpr ControlSpec autoSized(ControlSpec row) {
  row.autoSize = true;
  return row;
}

// Where the single-model window differs, the second set of numbers applies.
constexpr int pick(int two, int solo) { return kSolo ? solo : two; }

constexpr ControlSpec kTwoModelOnly[] = {
    S("Frame1", K::Frame, "", "データ形式", 3900, 5640, 2175, 1095, 19),
    S("Option1", K::Option, "Frame1", "バイナリデータ", 300, 240, 1455, 315, 20),
    S("Option2", K::Option, "Frame1", "mV データ", 300, 660, 1455, 315, 21),
    S("Frame3", K::Frame, "", "機種選択", 1200, 6240, 2475, 1155, 22),
    S("Option3", K::Option, "Frame3", "Pellan2", 360, 300, 1635, 315, 23),
    S("Option4", K::Option, "Frame3", "Quorin2", 360, 720, 1635, 315, 24),
};

constexpr ControlSpec kSoloOnly[] = {
    S("Option1", K::Option, "", "バイナリデータ", 4200, 6420, 1455, 315, 19),
    S("Option2", K::Option, "", "mV データ", 4200, 6840, 1455, 315, 20),
};

constexpr auto kCommon = std::to_array<ControlSpec>({
    S("Status", K::TextBox, "", "Status", 540, 480, 6795, 330, 0, F::Fixed),
    bordered(S("ComStatus", K::Label, "", "Com", 540, 180, 2565, 240, 1, F::Proportional), true),
    S("QuitB", K::Button, "", "終了", 6300, pick(6900, 6000), 1155, 435, 2),
    S("Button1", K::Button, "", "接続確認", 6300, pick(5220, 5400), 1155, 435, 3),
    S("SendB2", K::Button, "", "測定開始", pick(5100, 5040), pick(6900, 5760), 1000, 435, 4),
    S("ComboCommPort", K::Combo, "", "COM4", 6300, pick(4800, 4980), 1095, 300, 5),
    S("Combo2", K::DropDownList, "", "CH0=Ain0-Ain1", 3900, pick(4800, 4980), 2175, 315, 6,
      F::Proportional),
    S("Text1", K::TextBox, "", "100", 4860, pick(5160, 5340), 1155, 315, 7, F::Proportional),
    autoSized(S("Label2", K::Label, "", "データ個数", 3900, pick(5220, 5400), 855, 180, 8)),
    S("Picture1", K::Picture, "", "", 960, 1080, kPictureWidth, kPictureHeight, 9),
    scaleLabel(S("Label3", K::Label, "", "---", pick(600, 240), 1080, 270, 180, 10)),
    scaleLabel(S("Label4", K::Label, "", "---", pick(600, 240), 2700, 270, 180, 11)),
    scaleLabel(S("Label5", K::Label, "", "---", pick(600, 240), 4320, 270, 180, 12)),
    S("Command1", K::Button, "", "データ保存", 3900, pick(6900, 5760), 1000, 435, 13),
    S("Frame2", K::Frame, "", kSolo ? "Output Data Rate / Filter" : "Output Data Rate", 360,
      pick(4740, 4920), 3315, pick(1035, 1515), 14),
    S("Combo1", K::Combo, "Frame2", "---", 180, 420, 1335, 315, 15, F::Proportional),
    S("Command6", K::Button, "Frame2", "設定", 1620, 360, 735, 435, 16),
    S("Command29", K::Button, "Frame2", "読出し", 2400, 360, 735, 435, 17),
    bordered(
        kSolo ? S("Label1", K::Label, "Frame2", "Label1", 180, 960, 2535, 315, 18, F::Proportional)
              : S("Label1", K::Label, "", "Label1", 540, 5820, 3135, 315, 18, F::Proportional),
        false),
});

struct Spoken {
  std::string_view control, name, description;
};

// Names for the controls whose shown text is a value, not a caption, and what
// every control is for, in the user's language with the English meaning.
constexpr Spoken kSpoken[] = {
    {"Status", "状態 (status)",
     "接続と測定の結果のメッセージ (messages about the connection and the measurement)"},
    {"ComStatus", "ポートの状態 (port status)",
     "COM ポートの状態と通信設定 (port state and line settings)"},
    {"QuitB", "", "ポートを閉じてプログラムを終了します (close the port and quit)"},
    {"Button1", "",
     "ボードに接続して応答を確かめます。接続中はポートを閉じます (connect and check the board, or "
     "close the port)"},
    {"SendB2", "",
     "測定を開始します。測定中は停止します (start a measurement; stops a running one)"},
    {"ComboCommPort", "COM ポート (serial port)",
     "ボードをつないだポート。番号の入力もできます (the board's port; a name can be typed)"},
    {"Combo2", "チャンネル (channels)", "測定するチャンネル (channels to measure)"},
    {"Text1", "データ個数 (number of samples)",
     "測定するデータの個数、0 から 65535 (number of samples, 0 to 65535)"},
    {"Label2", "", "データ個数の見出し (caption of the number of samples)"},
    {"Picture1", "波形 (waveform plot)",
     "測定したデータの波形。CH0 は青、CH1 は赤 (the measured waveform; CH0 blue, CH1 red)"},
    {"Label3", "目盛り 上端 (top of the scale)", "グラフの上端の値 (value at the top of the plot)"},
    {"Label4", "目盛り 中央 (middle of the scale)",
     "グラフの中央の値 (value at the middle of the plot)"},
    {"Label5", "目盛り 下端 (bottom of the scale)",
     "グラフの下端の値 (value at the bottom of the plot)"},
    {"Command1", "",
     "測定したデータを CSV ファイルに保存します (save the measurement as a CSV file)"},
    {"Frame2", "", "出力データレートの読出しと設定 (read and set the output data rate)"},
    {"Combo1", "出力データレート (output data rate)",
     "ボードの出力データレート (the board's output data rate)"},
    {"Command6", "", "選んだデータレートをボードに設定します (set the chosen rate on the board)"},
    {"Command29", "", "ボードのデータレートを読み出します (read the board's rate)"},
    {"Label1", "ボードの設定 (board settings)",
     kSolo ? "入力範囲とフィルタ (input range and filter)"
           : "入力範囲、リファレンスとフィルタ (input range, reference and filter)"},
    {"Frame1", "", "測定データの形式 (data format)"},
    {"Option1", "", "16 進数のデータ (raw hexadecimal data)"},
    {"Option2", "", "ミリボルト単位のデータ (data in millivolts)"},
    {"Frame3", "", "ボードの機種 (board model)"},
    {"Option3", "", "Pellan2 ボード、115200 baud (Pellan2 board)"},
    {"Option4", "", "Quorin2 ボード、38400 baud (Quorin2 board)"},
};

constexpr ControlSpec spoken(ControlSpec control) {
  for (const Spoken& s : kSpoken) {
    if (s.control != control.name) continue;
    control.accessibleName = s.name;
    control.accessibleDescription = s.description;
  }
  return control;
}

constexpr auto kTable = [] {
  constexpr size_t extra = kSolo ? std::size(kSoloOnly) : std::size(kTwoModelOnly);
  std::array<ControlSpec, kCommon.size() + extra> table{};
  size_t n = 0;
  for (const auto& row : kCommon) table[n++] = spoken(row);
  if constexpr (kSolo) {
    for (const auto& row : kSoloOnly) table[n++] = spoken(row);
  } else {
    for (const auto& row : kTwoModelOnly) table[n++] = spoken(row);
  }
  return table;
}();

}  // namespace

std::span<const ControlSpec> controlTable() { return kTable; }

std::string spokenName(const ControlSpec& control, std::string_view shown) {
  if (control.accessibleName.empty()) return std::string(shown);
  std::string name(control.accessibleName);
  if (control.kind == ControlKind::Label || control.kind == ControlKind::Combo ||
      control.kind == ControlKind::DropDownList)
    name.append(": ").append(shown);
  return name;
}

ClientArea clientArea() { return {7830, pick(7620, 7470)}; }

}  // namespace tarn
