#include "ui/form1.h"

#include "common/model.h"
#include "ui/control_table.h"
#include "ui/ui_texts.h"

namespace tarn {

Form1::Form1(Seams seams)
    : Picture1(seams.picture),
      MSComm1(seams.comm),
      CD1(seams.dialog),
      clock_(seams.clock),
      host_(seams.host),
      msgBox_(seams.msgBox),
      files_(seams.files) {
  for (const char* port : ui_texts::kComPorts) ComboCommPort.addItem(port);
  for (const char* channel : ui_texts::kChannels) Combo2.addItem(channel);
  OptionButton::group({&Option1, &Option2});
  OptionButton::group({&Option3, &Option4});
  Option1.setValue(true);
  if constexpr (!kSolo) Option3.setValue(true);
  Picture1.setSize(kPictureWidth, kPictureHeight);
  Me.setCaption(ui_texts::kCaptionPellan);
  applyControlTable();
  wireEvents();
}

void Form1::applyControlTable() {
  for (const ControlSpec& row : controlTable()) {
    Control* target = control(row.name);
    const std::string text(row.text);
    if (auto* captioned = dynamic_cast<Captioned*>(target)) captioned->setCaption(text);
    if (auto* box = dynamic_cast<TextBox*>(target)) box->setText(text);
    if (auto* combo = dynamic_cast<ComboBox*>(target)) combo->setText(text);
    if (auto* option = dynamic_cast<OptionButton*>(target)) option->setCaption(text);
  }
}

void Form1::wireEvents() {
  Button1.onClick = [this] { Button1_Click(); };
  Command29.onClick = [this] { Command29_Click(); };
  Command6.onClick = [this] { Command6_Click(); };
  SendB2.onClick = [this] { SendB2_Click(); };
  Command1.onClick = [this] { Command1_Click(); };
  QuitB.onClick = [this] { QuitB_Click(); };
  ComboCommPort.onClick = [this] { ComboCommPort_Click(); };
  if constexpr (!kSolo) {
    Option3.onClick = [this] { Option3_Click(); };
    Option4.onClick = [this] { Option4_Click(); };
  }
}

Control* Form1::control(std::string_view name) {
  const std::pair<std::string_view, Control*> controls[] = {
      {"Status", &Status},     {"ComStatus", &ComStatus}, {"QuitB", &QuitB},
      {"Button1", &Button1},   {"SendB2", &SendB2},       {"ComboCommPort", &ComboCommPort},
      {"Combo2", &Combo2},     {"Text1", &Text1},         {"Label2", &Label2},
      {"Picture1", &Picture1}, {"Label3", &Label3},       {"Label4", &Label4},
      {"Label5", &Label5},     {"Command1", &Command1},   {"Frame2", &Frame2},
      {"Combo1", &Combo1},     {"Command6", &Command6},   {"Command29", &Command29},
      {"Label1", &Label1},     {"Frame1", &Frame1},       {"Option1", &Option1},
      {"Option2", &Option2},   {"Frame3", &Frame3},       {"Option3", &Option3},
      {"Option4", &Option4},
  };
  for (const auto& [controlName, pointer] : controls)
    if (controlName == name) return pointer;
  return nullptr;
}

void Form1::Form_Load() {
  Option1.setValue(true);
  if constexpr (!kSolo) {
    Option3.setValue(true);
    Me.setCaption(ui_texts::kCaptionPellan);
  }
  state.Measuring = false;
  state.SampleIndex = 0;
  state.RxBuffer.clear();
  Combo2.setListIndex(0);
  ComboCommPort.setListIndex(3);
  state.PortReady = false;
  state.LineEnd = std::string(1, '\r');  // CR, code 13
  SendB2.setCaption(ui_texts::kStartMeasure);
  FormToCenter();
}

void Form1::FormToCenter() {
  const TwipSize screen = host_.screenSize();
  const TwipSize outer = host_.windowOuterSize();
  Me.setTop(static_cast<float>(
      (static_cast<float>(screen.height) - static_cast<float>(outer.height)) / 2.0f));
  Me.setLeft(static_cast<float>(
      (static_cast<float>(screen.width) - static_cast<float>(outer.width)) / 2.0f));
}

void Form1::Option3_Click() {
  if (Option3.value()) Me.setCaption(ui_texts::kCaptionPellan);
}

void Form1::Option4_Click() {
  if (Option4.value()) Me.setCaption(ui_texts::kCaptionQuorin);
}

void Form1::QuitB_Click() {
  // No file is open between operations; the save closes its own.
  ClosePort();
  host_.endProgram();
}

}  // namespace tarn
