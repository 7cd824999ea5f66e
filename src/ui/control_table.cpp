#include "ui/control_table.h"

#include <vector>

namespace tarn {
namespace {

using K = ControlKind;
using F = FontRole;

// Glossary of the designed names: Button1 connect/close, SendB2 start/stop,
// QuitB quit, Command1 save, Command6 set rate, Command29 read rate, Combo1
// rates, Combo2 channels, ComboCommPort port, Text1 number of samples, Label1
// board settings, Label2 caption of Text1, Label3-5 scale top/middle/bottom,
// Picture1 plot, Frame1/Option1-2 data format, Frame2 rate frame, Frame3/
// Option3-4 board model, Status status line, ComStatus port status.
ControlSpec S(std::string_view name, K kind, std::string_view in, std::string_view text, int left,
              int top, int width, int height, int tab, F font = F::Default) {
  return ControlSpec{name, kind, in, text, left, top, width, height, tab, font};
}

ControlSpec bordered(ControlSpec row, bool grey) {
  row.border = true;
  row.greyBack = grey;
  return row;
}

ControlSpec autoSized(ControlSpec row, Align align = Align::Left) {
  row.autoSize = true;
  row.align = align;
  return row;
}

struct Spoken {
  std::string_view control, name, description;
};

// What a screen reader says of each control, in the window's language. The
// name is empty where the caption names the control.
constexpr Spoken kSpoken[] = {
    // status: messages about the connection and the measurement
    {"Status", "状態", "接続と測定の結果のメッセージ"},
    // port status: port state and line settings
    {"ComStatus", "ポートの状態", "COM ポートの状態と通信設定"},
    {"QuitB", "", "ポートを閉じてプログラムを終了します"},
    {"Button1", "", "ボードに接続して応答を確かめます。接続中はポートを閉じます"},
    {"SendB2", "", "測定を開始します。測定中は停止します"},
    // the board's port; a name can be typed
    {"ComboCommPort", "COM ポート", "ボードをつないだポート。番号の入力もできます"},
    {"Combo2", "チャンネル", "測定するチャンネル"},
    {"Text1", "データ個数", "測定するデータの個数、0 から 65535"},
    {"Label2", "", "データ個数の見出し"},
    // the measured waveform; CH0 blue, CH1 red
    {"Picture1", "波形", "測定したデータの波形。CH0 は青、CH1 は赤"},
    {"Label3", "目盛り 上端", "グラフの上端の値"},
    {"Label4", "目盛り 中央", "グラフの中央の値"},
    {"Label5", "目盛り 下端", "グラフの下端の値"},
    {"Command1", "", "測定したデータを CSV ファイルに保存します"},
    {"Frame2", "", "出力データレートの読出しと設定"},
    {"Combo1", "出力データレート", "ボードの出力データレート"},
    {"Command6", "", "選んだデータレートをボードに設定します"},
    {"Command29", "", "ボードのデータレートを読み出します"},
    {"Label1", "ボードの設定", "入力範囲、リファレンスとフィルタ"},
    {"Frame1", "", "測定データの形式"},
    {"Option1", "", "16 進数のデータ"},
    {"Option2", "", "ミリボルト単位のデータ"},
    {"Frame3", "", "ボードの機種"},
    {"Option3", "", "Pellan2 ボード、115200 baud"},
    {"Option4", "", "Quorin2 ボード、38400 baud"},
};

// Control IDs: stable, above the dialog manager's IDOK and IDCANCEL.
constexpr std::pair<std::string_view, int> kControlIds[] = {
    {"Status", 101},   {"ComStatus", 102},     {"QuitB", 103},  {"Button1", 104},
    {"SendB2", 105},   {"ComboCommPort", 106}, {"Combo2", 107}, {"Text1", 108},
    {"Label2", 109},   {"Picture1", 110},      {"Label3", 111}, {"Label4", 112},
    {"Label5", 113},   {"Command1", 114},      {"Frame2", 115}, {"Combo1", 116},
    {"Command6", 117}, {"Command29", 118},     {"Label1", 119}, {"Frame1", 120},
    {"Option1", 121},  {"Option2", 122},       {"Frame3", 123}, {"Option3", 124},
    {"Option4", 125},
};

ControlSpec spoken(ControlSpec control, bool singleModel) {
  for (const auto& [name, id] : kControlIds)
    if (name == control.name) control.controlId = id;
  if (control.name == "Label2") control.labels = "Text1";
  for (const Spoken& s : kSpoken) {
    if (s.control != control.name) continue;
    control.accessibleName = s.name;
    control.accessibleDescription = s.description;
  }
  // The older board reports its input range, not a reference.
  if (singleModel && control.name == "Label1") control.accessibleDescription = "入力範囲とフィルタ";
  return control;
}

std::vector<ControlSpec> buildTable(bool single) {
  // Where the single-model window differs, the second number applies.
  const auto pick = [single](int two, int solo) { return single ? solo : two; };
  const Align scaleAlign = single ? Align::Left : Align::Right;
  std::vector<ControlSpec> rows = {
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
      autoSized(S("Label3", K::Label, "", "---", pick(600, 240), 1080, 270, 180, 10), scaleAlign),
      autoSized(S("Label4", K::Label, "", "---", pick(600, 240), 2700, 270, 180, 11), scaleAlign),
      autoSized(S("Label5", K::Label, "", "---", pick(600, 240), 4320, 270, 180, 12), scaleAlign),
      S("Command1", K::Button, "", "データ保存", 3900, pick(6900, 5760), 1000, 435, 13),
      S("Frame2", K::Frame, "", single ? "Output Data Rate / Filter" : "Output Data Rate", 360,
        pick(4740, 4920), 3315, pick(1035, 1515), 14),
      S("Combo1", K::Combo, "Frame2", "---", 180, 420, 1335, 315, 15, F::Proportional),
      S("Command6", K::Button, "Frame2", "設定", 1620, 360, 735, 435, 16),
      S("Command29", K::Button, "Frame2", "読出し", 2400, 360, 735, 435, 17),
      bordered(
          single
              ? S("Label1", K::Label, "Frame2", "Label1", 180, 960, 2535, 315, 18, F::Proportional)
              : S("Label1", K::Label, "", "Label1", 540, 5820, 3135, 315, 18, F::Proportional),
          false),
  };
  if (single) {
    rows.push_back(S("Option1", K::Option, "", "バイナリデータ", 4200, 6420, 1455, 315, 19));
    rows.push_back(S("Option2", K::Option, "", "mV データ", 4200, 6840, 1455, 315, 20));
  } else {
    rows.push_back(S("Frame1", K::Frame, "", "データ形式", 3900, 5640, 2175, 1095, 19));
    rows.push_back(S("Option1", K::Option, "Frame1", "バイナリデータ", 300, 240, 1455, 315, 20));
    rows.push_back(S("Option2", K::Option, "Frame1", "mV データ", 300, 660, 1455, 315, 21));
    rows.push_back(S("Frame3", K::Frame, "", "機種選択", 1200, 6240, 2475, 1155, 22));
    rows.push_back(S("Option3", K::Option, "Frame3", "Pellan2", 360, 300, 1635, 315, 23));
    rows.push_back(S("Option4", K::Option, "Frame3", "Quorin2", 360, 720, 1635, 315, 24));
  }
  for (ControlSpec& row : rows) row = spoken(row, single);
  return rows;
}

}  // namespace

std::span<const ControlSpec> controlTable(bool singleModel) {
  static const std::vector<ControlSpec> two = buildTable(false), single = buildTable(true);
  return singleModel ? single : two;
}

std::string spokenName(const ControlSpec& control, std::string_view shown) {
  if (control.accessibleName.empty()) return std::string(shown);
  std::string name(control.accessibleName);
  if (control.kind == ControlKind::Label || control.kind == ControlKind::Combo ||
      control.kind == ControlKind::DropDownList)
    name.append(": ").append(shown);
  return name;
}

ClientArea clientArea(bool singleModel) { return {7830, singleModel ? 7470 : 7620}; }

}  // namespace tarn
