#include <span>

#include "common/errors.h"
#include "common/model.h"
#include "link/link_texts.h"
#include "ui/form1.h"

namespace tarn {

void Form1::Button1_Click() {
  try {
    if (Button1.caption() != link_texts::kClose) {
      ConnectAndCheck();
      return;
    }
    ResyncLine();  // fails when the cable went before the port noticed
    ClosePort();
    Button1.setCaption(link_texts::kConnect);
    enableModelChoice(true);
  } catch (const PlatformError&) {
    dropPort(link_texts::kPortLost);
  }
}

void Form1::ConnectAndCheck() {
  if (!state.PortReady) {
    OpenPort();
    if (!state.PortReady) {
      ClosePort();
      ComStatus.setCaption(link_texts::kComOpenFailed);
      if constexpr (kSolo) Status.setText("");
      enableModelChoice(true);
      return;
    }
    ResyncLine();
    ComStatus.setCaption(MSComm1.settings());
    Status.setText(link_texts::kComReady);
    Button1.setCaption(link_texts::kClose);
    enableModelChoice(false);
  }
  if (!Ask("?") || !Ask("S?")) {
    Status.setText(link_texts::kNoAnswer);
    enableModelChoice(true);
    return;
  }
  const std::string reference =
      state.ReplyText.substr(std::min<size_t>(1, state.ReplyText.size()), 1);
  const std::string filter = state.ReplyText.substr(std::min<size_t>(2, state.ReplyText.size()), 1);
  if (reference == "0" || reference == "1") {
    Status.setText(link_texts::kBoardOk);
    Label1.setCaption(reference == "0" ? link_texts::kReference0 : link_texts::kReference1);
  } else {
    Status.setText(link_texts::kBadStatus);
    Label1.setCaption(link_texts::kStatusUnknown);
    enableModelChoice(true);
    return;
  }
  const bool pellan = kSolo || Option3.value();
  if (filter == "3") {
    Label1.setCaption(Label1.caption() + link_texts::kSinc3);
    pellan ? FillRatesPellanSinc3() : FillRatesQuorinSinc3();
  } else if (filter == "5") {
    Label1.setCaption(Label1.caption() + link_texts::kSinc5);
    pellan ? FillRatesPellanSinc5() : FillRatesQuorinSinc5();
  } else {
    Label1.setCaption(link_texts::kStatusUnknown);
    Status.setText(link_texts::kBadStatus);
    enableModelChoice(true);
    return;
  }
  Command29_Click();
  Button1.setCaption(link_texts::kClose);
}

bool Form1::Ask(const std::string& command) {
  state.CmdText = command;
  state.ReplyText.clear();
  return SendCommand(state.CmdText, state.ReplyText, 100);
}

void Form1::enableModelChoice(bool enabled) {
  if constexpr (!kSolo) {
    Option3.setEnabled(enabled);
    Option4.setEnabled(enabled);
  }
}

namespace {

void fill(ComboBox& combo, std::span<const char* const> rates) {
  combo.clear();
  for (const char* rate : rates) combo.addItem(rate);
}

}  // namespace

void Form1::FillRatesPellanSinc5() { fill(Combo1, link_texts::kRatesPellanSinc5); }
void Form1::FillRatesPellanSinc3() { fill(Combo1, link_texts::kRatesPellanSinc3); }
void Form1::FillRatesQuorinSinc5() { fill(Combo1, link_texts::kRatesQuorinSinc5); }
void Form1::FillRatesQuorinSinc3() { fill(Combo1, link_texts::kRatesQuorinSinc3); }

}  // namespace tarn
