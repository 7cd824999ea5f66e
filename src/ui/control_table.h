#pragma once

#include <span>
#include <string>
#include <string_view>

namespace tarn {

enum class ControlKind { Button, Option, Frame, Combo, DropDownList, TextBox, Label, Picture };
enum class FontRole { Default, Proportional, Fixed };
enum class Align { Left, Right };

// One control of the window as designed: geometry in twips, relative to the
// client area of its container ("" is the window).
struct ControlSpec {
  std::string_view name;
  ControlKind kind;
  std::string_view container;
  std::string_view text;
  int left, top, width, height;
  int tab;
  FontRole font = FontRole::Default;
  bool border = false;    // single-line border
  bool greyBack = false;  // light grey background (192, 192, 192)
  bool autoSize = false;  // sized to fit its caption
  Align align = Align::Left;
  // What a screen reader says: the name ("" where the caption names the
  // control, so it follows a changing caption) and what the control is for.
  std::string_view accessibleName = {};
  std::string_view accessibleDescription = {};
  // Windows' control ID, which UI Automation reports as the AutomationId: the
  // same for a name in both programs.
  int controlId = 0;
  // For a label that names a field: that field's name. Windows creates the
  // label just before it, so that screen readers name the field by it.
  std::string_view labels = {};
};

// The controls in tab order: the two-model window, or the single-model one
// (no model choice, the format options on the window, the board's settings
// inside the rate frame).
std::span<const ControlSpec> controlTable(bool singleModel);

// The name a screen reader reads for a control showing `shown`: the caption
// where the table names none; for a combo box, and for a label that shows a
// value (the scale, the port state, the board's settings), its name followed
// by that value.
std::string spokenName(const ControlSpec& control, std::string_view shown);

struct ClientArea {
  int width, height;
};
ClientArea clientArea(bool singleModel);

inline constexpr int kPictureWidth = 6375;
inline constexpr int kPictureHeight = 3435;

// Designed fonts and the installed families to use in their place.
inline constexpr std::string_view kProportionalFonts[] = {"ＭＳ Ｐゴシック", "MS PGothic",
                                                          "IPAPGothic",      "Noto Sans CJK JP",
                                                          "VL PGothic",      "TakaoPGothic"};
inline constexpr std::string_view kFixedFonts[] = {
    "ＭＳ ゴシック", "MS Gothic", "IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic", "TakaoGothic"};
inline constexpr double kDesignedFontPoints = 9.75;

}  // namespace tarn
