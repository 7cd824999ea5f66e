#include "common/errors.h"
#include "common/model.h"
#include "common/numbers.h"
#include "link/link_texts.h"
#include "link/port_names.h"
#include "ui/form1.h"

namespace tarn {

void Form1::OpenPort() {
  try {
    if (MSComm1.portOpen()) MSComm1.setPortOpen(false);
    const int index = ComboCommPort.listIndex();
    const std::string name = index == -1 ? ComboCommPort.text() : ComboCommPort.list(index);
    const std::optional<double> number = portNumberOf(name);
    if (!number) {
      Status.setText(link_texts::kComSettingError);
      return;
    }
    if constexpr (!kSolo) {
      if (*number > kHighestPort) {
        Status.setText(link_texts::kComNumberRange);
        state.PortReady = false;
        return;
      }
    }
    MSComm1.setCommPort(toInt16(*number));
    MSComm1.setSettings(kSolo || Option3.value() ? link_texts::kSettingsPellan
                                                 : link_texts::kSettingsQuorin);
    MSComm1.setPortOpen(true);
    MSComm1.clearInput();
    MSComm1.setRThreshold(0);
    MSComm1.setSThreshold(0);
    state.PortReady = true;
    MSComm1.setHandshaking(0);
    if constexpr (!kSolo) MSComm1.input();
  } catch (const PlatformError&) {
    state.PortReady = false;
    Status.setText(link_texts::kSettingError);
  }
}

void Form1::ClosePort() {
  state.PortReady = false;
  if (MSComm1.portOpen()) MSComm1.setPortOpen(false);
}

void Form1::ResyncLine() {
  if (!MSComm1.portOpen()) return;
  MSComm1.input();
  MSComm1.output(state.LineEnd);
}

void Form1::ComboCommPort_Click() {
  if (!MSComm1.portOpen()) return;
  try {
    MSComm1.setPortOpen(false);
    MSComm1.setCommPort(static_cast<int16_t>(ComboCommPort.listIndex() + 1));
    MSComm1.setPortOpen(true);
  } catch (const PlatformError&) {
    dropPort(link_texts::kPortSwitchFailed);
  }
}

void Form1::MSComm1_PortLost() {
  // A handler that met the failure first has already said so.
  if (state.PortReady) dropPort(link_texts::kPortLost);
}

void Form1::dropPort(const std::string& why) {
  try {
    ClosePort();
  } catch (const PlatformError&) {
    state.PortReady = false;  // the port is unusable either way
  }
  Button1.setCaption(link_texts::kConnect);
  enableModelChoice(true);
  Status.setText(why);
  AbandonMeasurement();
}

}  // namespace tarn
