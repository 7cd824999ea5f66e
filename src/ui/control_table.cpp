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

constexpr ControlSpec bordered(ControlSpec spec, bool grey) {
  spec.border = true;
  spec.greyBack = grey;
  return spec;
}

constexpr ControlSpec scaleLabel(ControlSpec spec) {
  spec.autoSize = true;
  spec.align = kSolo ? Align::Left : Align::Right;
  return spec;
}

constexpr ControlSpec autoSized(ControlSpec spec) {
  spec.autoSize = true;
  return spec;
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

constexpr auto kTable = [] {
  constexpr size_t extra = kSolo ? std::size(kSoloOnly) : std::size(kTwoModelOnly);
  std::array<ControlSpec, kCommon.size() + extra> table{};
  size_t n = 0;
  for (const auto& spec : kCommon) table[n++] = spec;
  if constexpr (kSolo) {
    for (const auto& spec : kSoloOnly) table[n++] = spec;
  } else {
    for (const auto& spec : kTwoModelOnly) table[n++] = spec;
  }
  return table;
}();

}  // namespace

std::span<const ControlSpec> controlTable() { return kTable; }

ClientArea clientArea() { return {7830, pick(7620, 7470)}; }

}  // namespace tarn
